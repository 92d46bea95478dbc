// The program's settings tree in the registry.
#pragma once

namespace qaz {

// Key paths of the settings tree, relative to HKEY_CURRENT_USER.
constexpr const char* kRegRoot = "Software\\Yomo Soft\\qaz";
constexpr const char* kRegMain = "Software\\Yomo Soft\\qaz\\Windows\\Main";
constexpr const char* kRegView = "Software\\Yomo Soft\\qaz\\Windows\\View";
constexpr const char* kRegPlay = "Software\\Yomo Soft\\qaz\\Windows\\Play";
constexpr const char* kRegSettings = "Software\\Yomo Soft\\qaz\\Settings";
constexpr const char* kRegDesktop = "Software\\Yomo Soft\\qaz\\Settings\\Desktop";
constexpr const char* kRegFtp = "Software\\Yomo Soft\\qaz\\Settings\\FTP";

}  // namespace qaz
