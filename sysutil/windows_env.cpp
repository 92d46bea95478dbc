#include "sysutil/windows_env.h"

namespace qaz {

void CopyWindowsEnvironment(bool /*save*/) {
    // Not available yet: the backup of the configuration files comes later.
}

}  // namespace qaz
