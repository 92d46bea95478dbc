// The shell shared by our archiver libraries: the command entry and the six
// archive entries of the common archiver interface, over one format's back
// end. A library provides kFormat and names its entries with the macros at
// the end; everything else (argument splitting, handles, the entry record,
// the running state, the report text) lives here.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/archivers/common/archiver_interface.h"
#include "components/archivers/common/report_line.h"
#include "components/archivers/common/win_io.h"
#include "components/codecs/stream.h"

namespace qaz::archivers {

// Results of the command entry: 0 when everything was done.
enum Result : int {
    kOk = 0,
    kErrorRefused = 0x8001,       // some entries were refused (unsafe path, link leading out)
    kErrorDiskSpace = 0x8005,     // an entry would not fit on the disk
    kErrorMethod = 0x8009,        // a compression method we do not read
    kErrorCorrupt = 0x800C,       // check value wrong or data damaged
    kErrorNoMatch = 0x800F,       // names were given and no entry matched them
    kErrorCannotWrite = 0x8013,   // a file or folder could not be made
    kErrorNotArchive = 0x8019,    // the file is not one of our archives
    kErrorCannotRead = 0x801A,    // the archive could not be read
    kErrorCommand = 0x801C,       // a command or option we do not carry out
    kErrorMemory = 0x801E,        // not enough memory
    kErrorRunning = 0x801F,       // a command is still running
    kErrorCancelled = 0x8020,     // the user cancelled the command
    kErrorNoArchive = 0x8029,     // the archive file does not exist
    kErrorResponseFile = 0x802A,  // the "@" list file could not be read
};

// One entry of an archive, as a back end lists it.
struct ListedEntry {
    std::string path;     // in the ANSI code page, "/" or "\" separators; a folder's ends in one
    std::string method;   // e.g. "Deflated", "tar.gz"
    uint64_t size = 0;    // original size
    uint64_t packed = 0;  // packed size (for the ratio)
    int ratio = -1;       // tenths of a percent, when not packed / size (a compressed tar's share)
    uint32_t crc = 0;
    uint16_t dosDate = 0, dosTime = 0;  // local time
    bool isFolder() const { return EndsInSeparator(path); }
};

// What a library implements.
struct Format {
    // Whether the file is one of the library's archives, judged by content.
    bool (*check)(const std::string& archive);
    // All entries of the archive in order; false when it cannot be read.
    bool (*list)(const std::string& archive, std::vector<ListedEntry>& entries);
    // Carries out one command, split into its arguments (quotes removed);
    // appends what it did (one line per event) to report.
    int (*command)(HWND window, const std::vector<std::string>& args, std::string& report);
};

extern const Format kFormat;  // defined by each library

// The entries, called through the macros below.
int RunCommand(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize);
BOOL CheckArchive(LPCSTR archive, int mode);
BOOL GetRunning();
HANDLE OpenArchive(HWND window, LPCSTR archive, DWORD mode);
int CloseArchive(HANDLE archive);
int FindFirst(HANDLE archive, LPCSTR wildcard, ArchiveEntryInfo* info);
int FindNext(HANDLE archive, ArchiveEntryInfo* info);

// What a listing keeps: at most kMaxListed entries, each path cut to
// kMaxListedPath bytes (the record holds 512), so that a small archive of
// many huge names cannot fill the address space. Adds the entry; false
// when the listing is full (the archive is then not opened).
constexpr size_t kMaxListed = 1u << 19;
constexpr size_t kMaxListedPath = 1024;
bool KeepListed(std::vector<ListedEntry>& entries, ListedEntry&& entry);

// The command result for a codec error.
int ResultOfError(codecs::ArcError error);

// Fills the record the program reads from a listed entry (the path cut to
// the 512 bytes the record holds, never in the middle of a character).
void FillEntryInfo(const ListedEntry& entry, ArchiveEntryInfo& info);

}  // namespace qaz::archivers

// The six archive entries, named by the library's prefix.
#define QAZ_ARCHIVER_ENTRIES(prefix)                                                                         \
    extern "C" {                                                                                            \
    BOOL WINAPI prefix##CheckArchive(LPCSTR archive, int mode) {                                            \
        return qaz::archivers::CheckArchive(archive, mode);                                                 \
    }                                                                                                       \
    BOOL WINAPI prefix##GetRunning() { return qaz::archivers::GetRunning(); }                               \
    HANDLE WINAPI prefix##OpenArchive(HWND window, LPCSTR archive, DWORD mode) {                            \
        return qaz::archivers::OpenArchive(window, archive, mode);                                          \
    }                                                                                                       \
    int WINAPI prefix##CloseArchive(HANDLE archive) { return qaz::archivers::CloseArchive(archive); }       \
    int WINAPI prefix##FindFirst(HANDLE archive, LPCSTR wildcard, qaz::ArchiveEntryInfo* info) {            \
        return qaz::archivers::FindFirst(archive, wildcard, info);                                          \
    }                                                                                                       \
    int WINAPI prefix##FindNext(HANDLE archive, qaz::ArchiveEntryInfo* info) {                              \
        return qaz::archivers::FindNext(archive, info);                                                     \
    }                                                                                                       \
    }

// The command entry with the window, the command line and the output buffer.
#define QAZ_ARCHIVER_COMMAND(prefix)                                                                        \
    extern "C" int WINAPI prefix(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize) {         \
        return qaz::archivers::RunCommand(window, commandLine, output, outputSize);                        \
    }

// The two-argument command entry (window and command line only).
#define QAZ_ARCHIVER_SHORT_COMMAND(prefix)                                                                  \
    extern "C" int WINAPI prefix(HWND window, LPCSTR commandLine) {                                        \
        return qaz::archivers::RunCommand(window, commandLine, nullptr, 0);                                \
    }
