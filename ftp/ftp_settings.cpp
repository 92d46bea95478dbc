#include "ftp/ftp_settings.h"

#include "base/registry.h"
#include "core/registry_keys.h"

namespace qaz::ftp {

FtpSettings ReadFtpSettings() {
    RegKey key;
    key.Open(kRegFtp);
    return qaz::ReadFtpSettings(key.get());
}

int64_t ClientTimeout(int stored) { return stored <= 0 ? 0 : static_cast<int64_t>(stored) * 1000; }

}  // namespace qaz::ftp
