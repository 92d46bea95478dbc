// The upload's settings under Settings\FTP; read only, never written.
#pragma once
#include <cstdint>

#include "core/settings.h"

namespace qaz::ftp {

// Reads the values that exist; the key is opened, never created.
FtpSettings ReadFtpSettings();

// A stored time-out (milliseconds) as the client's time-out: times 1000, in
// microseconds; negative values count as 0 (no time-out).
int64_t ClientTimeout(int stored);

}  // namespace qaz::ftp
