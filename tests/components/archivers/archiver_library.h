// One of our archiver libraries, loaded as the program loads it, with its
// entries looked up by name.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "archive/entry_info.h"
#include "tests/support/test_env.h"

namespace qaztest {

using CommandFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using CheckFn = BOOL(WINAPI*)(LPCSTR, int);
using RunningFn = BOOL(WINAPI*)();
using OpenFn = HANDLE(WINAPI*)(HWND, LPCSTR, DWORD);
using CloseFn = int(WINAPI*)(HANDLE);
using FindFirstFn = int(WINAPI*)(HANDLE, LPCSTR, qaz::ArchiveEntryInfo*);
using FindNextFn = int(WINAPI*)(HANDLE, qaz::ArchiveEntryInfo*);

struct Archiver {
    Archiver(const char* file, const std::string& prefix) : module(LoadLibraryA((qaztest::ExeFolder() + file).c_str())) {
        if (!module) return;
        command = reinterpret_cast<CommandFn>(GetProcAddress(module, prefix.c_str()));
        check = reinterpret_cast<CheckFn>(GetProcAddress(module, (prefix + "CheckArchive").c_str()));
        running = reinterpret_cast<RunningFn>(GetProcAddress(module, (prefix + "GetRunning").c_str()));
        open = reinterpret_cast<OpenFn>(GetProcAddress(module, (prefix + "OpenArchive").c_str()));
        close = reinterpret_cast<CloseFn>(GetProcAddress(module, (prefix + "CloseArchive").c_str()));
        first = reinterpret_cast<FindFirstFn>(GetProcAddress(module, (prefix + "FindFirst").c_str()));
        next = reinterpret_cast<FindNextFn>(GetProcAddress(module, (prefix + "FindNext").c_str()));
    }
    ~Archiver() {
        if (module) FreeLibrary(module);
    }
    int Run(const std::string& line, std::string* output = nullptr) const {
        char out[577] = {};
        const int result = command(nullptr, line.c_str(), out, 577);
        if (output) *output = out;
        return result;
    }
    // "path size method" per entry, as the contents window reads them.
    std::vector<std::string> List(const std::string& archive) const {
        std::vector<std::string> rows;
        HANDLE h = open(nullptr, archive.c_str(), 0x08001200);
        if (!h) return rows;
        qaz::ArchiveEntryInfo info;
        for (int r = first(h, "*.*", &info); r == 0; r = next(h, &info)) {
            std::string path = info.path;
            for (char& c : path)
                if (c == '/') c = '\\';
            rows.push_back(path + " " + std::to_string(info.originalSize) + " " + info.method);
        }
        close(h);
        return rows;
    }
    HMODULE module;
    CommandFn command = nullptr;
    CheckFn check = nullptr;
    RunningFn running = nullptr;
    OpenFn open = nullptr;
    CloseFn close = nullptr;
    FindFirstFn first = nullptr;
    FindNextFn next = nullptr;
};

// Every file below folder + relative, as paths relative to folder.
inline void Walk(const std::string& folder, const std::string& relative, std::vector<std::string>& files) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + relative + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Walk(folder, relative + name + "\\", files);
        else
            files.push_back(relative + name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

}  // namespace qaztest
