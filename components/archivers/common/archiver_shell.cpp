#include "components/archivers/common/archiver_shell.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <set>

#include "components/archivers/common/command_line.h"
#include "components/archivers/common/command_progress.h"

namespace qaz::archivers {
namespace {

// An open archive: its entries, read once at opening, and the walk over them.
struct Session {
    std::vector<ListedEntry> entries;
    std::string wildcard;
    size_t next = 0;
};

std::atomic<int> busy{0};
std::mutex sessionsLock;
std::set<Session*> sessions;

// Counts a command or listing as running for its whole length.
class BusyScope {
public:
    BusyScope() { ++busy; }
    ~BusyScope() { --busy; }
};

Session* Find(HANDLE handle) {
    std::lock_guard<std::mutex> lock(sessionsLock);
    Session* s = static_cast<Session*>(handle);
    return sessions.count(s) ? s : nullptr;
}

// Copies text into a buffer of size bytes, cut before a double-byte
// character that would not fit, always terminated.
size_t CutLength(const std::string& text, size_t size);

void CopyText(const std::string& text, char* out, size_t size) {
    if (!out || size == 0) return;
    const size_t n = CutLength(text, size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

// The next entry of the walk that the wildcard selects, or -1.
int Step(Session& s, ArchiveEntryInfo* info) {
    while (s.next < s.entries.size()) {
        const ListedEntry& e = s.entries[s.next++];
        if (!MatchesPattern(s.wildcard, e.path)) continue;
        FillEntryInfo(e, *info);
        return 0;
    }
    return -1;
}

// No C++ exception may leave an entry of the library: running out of
// memory becomes the interface's memory error, anything else the failure
// the entry reports.
template <typename Body, typename Value>
Value Guarded(Body body, Value failure, Value outOfMemory) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return outOfMemory;
    } catch (const std::length_error&) {
        return outOfMemory;
    } catch (...) {
        return failure;
    }
}

// The length of text cut to at most size bytes, never inside a double-byte character.
size_t CutLength(const std::string& text, size_t size) {
    size_t n = 0;
    while (n < text.size()) {
        const size_t step = (IsDBCSLeadByte(static_cast<BYTE>(text[n])) && n + 1 < text.size()) ? 2 : 1;
        if (n + step > size) break;
        n += step;
    }
    return n;
}

}  // namespace

bool KeepListed(std::vector<ListedEntry>& entries, ListedEntry&& entry) {
    if (entries.size() >= kMaxListed) return false;
    if (entry.path.size() > kMaxListedPath) {
        const bool folder = entry.isFolder();
        entry.path = entry.path.substr(0, CutLength(entry.path, kMaxListedPath - 1));  // gives back the room
        if (folder) entry.path += '/';
    }
    entries.push_back(std::move(entry));
    return true;
}

int ResultOfError(codecs::ArcError error) {
    switch (error) {
        case codecs::ArcError::None: return kOk;
        case codecs::ArcError::Unsupported: return kErrorMethod;
        case codecs::ArcError::Io: return kErrorCannotRead;
        case codecs::ArcError::TooLarge: return kErrorDiskSpace;
        default: return kErrorCorrupt;
    }
}

void FillEntryInfo(const ListedEntry& e, ArchiveEntryInfo& info) {
    std::memset(&info, 0, sizeof info);
    info.originalSize = e.size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(e.size);
    // The common record's packed size, CRC, flags and system words.
    const uint32_t packed = e.packed > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(e.packed);
    std::memcpy(info.notRead, &packed, 4);
    std::memcpy(info.notRead + 4, &e.crc, 4);
    // Packed size in tenths of a percent of the original size.
    const double ratio = e.ratio >= 0 ? e.ratio
                         : e.size > 0 ? static_cast<double>(e.packed) * 1000.0 / static_cast<double>(e.size)
                                      : 0.0;
    info.ratio = static_cast<uint16_t>(ratio >= 65535.0 ? 65535 : ratio + 0.5);
    info.date = e.dosDate;
    info.time = e.dosTime;
    // The path takes at most 512 bytes and its terminator, as in the common record.
    CopyText(e.path, info.path, 513);
    CopyText(e.isFolder() ? "d----" : "-a---", reinterpret_cast<char*>(&info) + 542, 8);
    CopyText(e.method, info.method, sizeof info.method);
}

int RunCommand(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize) {
    if (busy.load() > 0) return kErrorRunning;
    BusyScope running;
    std::string report;
    int result = Guarded(
        [&] {
            if (!commandLine) return int{kErrorCommand};
            std::vector<std::string> args = SplitCommandLine(commandLine);
            const bool noWindow = TakeNoWindowOptions(args);
            if (args.empty()) return int{kErrorCommand};
            // The command may run on a thread of its own: it keeps its own barrier.
            return RunWithProgress(window, noWindow, ArchiveOfCommand(args), report, [&] {
                return Guarded(
                    [&] {
                        BeginSelection();
                        int r = kFormat.command(window, args, report);
                        // Names or a list that chose nothing: the command did not do what was asked.
                        if (r == kOk && SelectionMissed()) {
                            report += ReportLine(args[0], "no file matched the names given");
                            r = kErrorNoMatch;
                        }
                        return r;
                    },
                    int{kErrorCorrupt}, int{kErrorMemory});
            });
        },
        int{kErrorCorrupt}, int{kErrorMemory});
    Guarded([&] { CopyText(report, output, outputSize); return 0; }, 0, 0);
    return result;
}

BOOL CheckArchive(LPCSTR archive, int) {
    if (!archive) return FALSE;
    BusyScope running;
    return Guarded([&] { return kFormat.check(archive) ? TRUE : FALSE; }, FALSE, FALSE);
}

BOOL GetRunning() { return busy.load() > 0 ? TRUE : FALSE; }

HANDLE OpenArchive(HWND, LPCSTR archive, DWORD) {
    if (!archive) return nullptr;
    BusyScope running;
    return Guarded(
        [&]() -> HANDLE {
            auto s = std::make_unique<Session>();
            if (!kFormat.check(archive) || !kFormat.list(archive, s->entries)) return nullptr;
            std::lock_guard<std::mutex> lock(sessionsLock);
            sessions.insert(s.get());
            return s.release();
        },
        HANDLE{nullptr}, HANDLE{nullptr});
}

int CloseArchive(HANDLE archive) {
    return Guarded(
        [&] {
            std::lock_guard<std::mutex> lock(sessionsLock);
            Session* s = static_cast<Session*>(archive);
            if (!sessions.erase(s)) return int{kErrorCommand};
            delete s;
            return int{kOk};
        },
        int{kErrorCommand}, int{kErrorMemory});
}

int FindFirst(HANDLE archive, LPCSTR wildcard, ArchiveEntryInfo* info) {
    return Guarded(
        [&] {
            Session* s = Find(archive);
            if (!s || !info) return -1;
            s->wildcard = (wildcard && *wildcard) ? wildcard : "*";
            s->next = 0;
            return Step(*s, info);
        },
        -1, -1);
}

int FindNext(HANDLE archive, ArchiveEntryInfo* info) {
    return Guarded(
        [&] {
            Session* s = Find(archive);
            if (!s || !info) return -1;
            return Step(*s, info);
        },
        -1, -1);
}

}  // namespace qaz::archivers
