#include "base/user_paths.h"

#include <windows.h>

namespace qaz {

std::string UserName() {
    char buf[512];
    DWORD size = sizeof buf;
    if (!GetUserNameA(buf, &size)) return std::string();
    buf[sizeof buf - 1] = '\0';
    return buf;
}

std::string TempPath() {
    char buf[512];
    const DWORD n = GetTempPathA(sizeof buf, buf);
    if (n == 0 || n >= sizeof buf) return std::string();
    return std::string(buf, n);
}

std::string WorkFolderPath() { return TempPath() + "~qaz"; }

std::string ProgramPath() {
    char buf[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return std::string();
    return std::string(buf, n);
}

}  // namespace qaz
