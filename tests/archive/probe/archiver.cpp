// A stand-in archiver library. Its entries are named by PROBE_PREFIX; it
// accepts every existing file except those whose content starts with
// "BAD", reports itself busy for a few polls after each command, and lists
// one entry whose path fills its whole field without a terminator.
#include <cstring>

#include "archive/entry_info.h"
#include "tests/archive/probe/probe_log.h"

#define PROBE_JOIN2(a, b) a##b
#define PROBE_JOIN(a, b) PROBE_JOIN2(a, b)
#define ENTRY(suffix) PROBE_JOIN(PROBE_PREFIX, suffix)

namespace {

int busyPolls = 0;
bool listed = false;

bool Accepts(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    char head[3] = {};
    DWORD got = 0;
    ReadFile(h, head, 3, &got, nullptr);
    CloseHandle(h);
    return !(got == 3 && std::memcmp(head, "BAD", 3) == 0);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) probe::OnAttach(self);
    if (reason == DLL_PROCESS_DETACH) probe::Record("unload");
    return TRUE;
}

#ifdef PROBE_TWO_ARGUMENT_COMMAND
int WINAPI PROBE_PREFIX(HWND, LPCSTR command) {
    probe::Record(std::string("command ") + command);
    busyPolls = 2;
    return 0;
}
#else
int WINAPI PROBE_PREFIX(HWND, LPCSTR command, LPSTR output, DWORD size) {
    probe::Record(std::string("command ") + command + " " + std::to_string(size));
    if (output && size) output[0] = '\0';
    busyPolls = 2;
    return 0;
}
#endif

BOOL WINAPI ENTRY(GetRunning)() {
    probe::Record("running");
    if (busyPolls > 0) {
        --busyPolls;
        return 0x101;  // only the low byte counts
    }
    return 0x100;
}

BOOL WINAPI ENTRY(CheckArchive)(LPCSTR path, int mode) {
    probe::Record("check " + std::to_string(mode));
    return Accepts(path);
}

HANDLE WINAPI ENTRY(OpenArchive)(HWND, LPCSTR path, DWORD mode) {
    char text[16];
    wsprintfA(text, "%08lx", mode);
    probe::Record(std::string("open ") + text);
    listed = false;
    return Accepts(path) ? reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x5A)) : nullptr;
}

int WINAPI ENTRY(CloseArchive)(HANDLE) {
    probe::Record("close");
    return 0;
}

int WINAPI ENTRY(FindFirst)(HANDLE, LPCSTR wildcard, qaz::ArchiveEntryInfo* info) {
    probe::Record(std::string("findfirst ") + wildcard);
    std::memset(info, 0, sizeof *info);
    info->originalSize = 1234;
    info->ratio = 456;
    info->date = 0x5A21;
    info->time = 0x6000;
    std::memset(info->path, 'A', sizeof info->path);  // no terminator in the field
    std::memcpy(info->method, "-lh5-", 6);
    listed = true;
    return 0;
}

int WINAPI ENTRY(FindNext)(HANDLE, qaz::ArchiveEntryInfo* info) {
    probe::Record("findnext");
    if (!listed) return -1;
    listed = false;
    std::memset(info, 0, sizeof *info);
    std::strcpy(info->path, "docs/");
    std::memcpy(info->method, "0123456789", 10);  // fills the field to the end of the record
    return 0;
}

}  // extern "C"
