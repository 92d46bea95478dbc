#include "ftp/ftp_settings.h"

#include "base/registry.h"
#include "core/registry_keys.h"

namespace qaz::ftp {

FtpSettings ReadFtpSettings() {
    FtpSettings s;
    RegKey key;
    if (!key.Open(kRegFtp)) return s;
    s.userId = RegReadStr(key.get(), "UserID", s.userId);
    s.password = RegReadStr(key.get(), "Password", s.password);
    s.remoteHost = RegReadStr(key.get(), "RemoteHost", s.remoteHost);
    s.connectTimeOut = RegReadInt(key.get(), "ConnectTimeOut", s.connectTimeOut);
    s.receiveTimeOut = RegReadInt(key.get(), "ReceiveTimeOut", s.receiveTimeOut);
    s.textTypes = RegReadStr(key.get(), "TxtType", s.textTypes);
    return s;
}

int64_t ClientTimeout(int stored) { return stored <= 0 ? 0 : static_cast<int64_t>(stored) * 1000; }

}  // namespace qaz::ftp
