#include "archive/archive_ops.h"

#include "app/bar_window.h"
#include "app/info_box.h"
#include "app/path_parts.h"
#include "archive/library_binding.h"

namespace qaz {

namespace {

constexpr DWORD kOpenMode = 0x08001200;
constexpr int kCabKind = 12;

}  // namespace

bool ReadArchiveEntries(HWND window, const std::string& archive, int kind, std::vector<ArchiveEntry>& entries) {
    const EntrySlots& s = Entries();
    entries.clear();
    if (!s.check || !s.open || !s.close || !s.findFirst || !s.findNext) return false;
    WaitWhileRunning();
    if (!(s.check(archive.c_str(), 0) & 0xFF)) return false;
    HARC handle = s.open(window, archive.c_str(), kind == kCabKind ? 0 : kOpenMode);
    if (!handle) return false;
    ArchiveEntryInfo info = {};
    for (int found = s.findFirst(handle, "*.*", &info); found == 0; found = s.findNext(handle, &info)) {
        entries.push_back(ReadEntryInfo(info));
        info = ArchiveEntryInfo();
    }
    s.close(handle);
    return true;
}

bool ListArchive(BarWindow& bar, const std::string& archive, int kind) {
    std::vector<ArchiveEntry> entries;
    // The contents window is shown from here once it exists.
    return ReadArchiveEntries(bar.hwnd(), archive, kind, entries);
}

void ExtractArchive(BarWindow& /*bar*/, const std::string& archive, const char* /*listFile*/, int /*kind*/,
                    bool /*intoWorkFolder*/) {
    const EntrySlots& s = Entries();
    WaitWhileRunning();
    if (s.check && !(s.check(archive.c_str(), 0) & 0xFF)) {
        InfoBox(LastComponent(archive) + " は不正ファイルです");
        return;
    }
    // The extraction command is built and run from here.
}

}  // namespace qaz
