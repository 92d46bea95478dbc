// Stand-in outside libraries for the tests: every call made to them is
// written as a line "<library file> <event>" to the file named by the
// environment variable QAZ_PROBE_LOG.
#pragma once
#include <windows.h>

#include <string>

namespace probe {

inline std::string& LibraryName() {
    static std::string name;
    return name;
}

inline void Record(const std::string& event) {
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("QAZ_PROBE_LOG", path, sizeof path)) return;
    HANDLE h = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    const std::string line = LibraryName() + " " + event + "\r\n";
    DWORD written = 0;
    WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(h);
}

inline void OnAttach(HINSTANCE self) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(self, path, sizeof path);
    std::string name = path;
    LibraryName() = name.substr(name.find_last_of('\\') + 1);
    Record("load");
}

}  // namespace probe
