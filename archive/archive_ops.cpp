#include "archive/archive_ops.h"

#include "base/info_box.h"
#include "base/path_parts.h"
#include "core/file_kind.h"

namespace qaz {

namespace {

constexpr DWORD kOpenMode = 0x08001200;

}  // namespace

bool ReadArchiveEntries(const LibraryBinding& binding, HWND window, const std::string& archive, int kind,
                        std::vector<ArchiveEntry>& entries) {
    const EntrySlots& s = binding.entries();
    entries.clear();
    if (!s.check || !s.open || !s.close || !s.findFirst || !s.findNext) return false;
    binding.WaitWhileRunning();
    if (!(s.check(archive.c_str(), 0) & 0xFF)) return false;
    HARC handle = s.open(window, archive.c_str(), kind == kindCab ? 0 : kOpenMode);
    if (!handle) return false;
    ArchiveEntryInfo info = {};
    for (int found = s.findFirst(handle, "*.*", &info); found == 0; found = s.findNext(handle, &info)) {
        entries.push_back(ReadEntryInfo(info));
        info = ArchiveEntryInfo();
    }
    s.close(handle);
    return true;
}

bool ListArchive(DropContext& context, const std::string& archive, int kind) {
    std::vector<ArchiveEntry> entries;
    // The contents window is shown from here once it exists.
    return ReadArchiveEntries(context.binding, context.host.OwnerWindow(), archive, kind, entries);
}

void ExtractArchive(DropContext& context, const std::string& archive, const char* /*listFile*/, int /*kind*/,
                    bool /*intoWorkFolder*/) {
    const EntrySlots& s = context.binding.entries();
    context.binding.WaitWhileRunning();
    if (s.check && !(s.check(archive.c_str(), 0) & 0xFF)) {
        InfoBox(LastComponent(archive) + " は不正ファイルです");
        return;
    }
    // The extraction command is built and run from here.
}

}  // namespace qaz
