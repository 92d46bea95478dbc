#include "archive/archive_ops.h"

#include "archive/unpack_command.h"
#include "base/info_box.h"
#include "base/path_parts.h"
#include "base/short_path.h"
#include "base/user_paths.h"
#include "core/file_kind.h"

namespace qaz {

namespace {

constexpr DWORD kOpenMode = 0x08001200;
// The output buffer handed to an archiver's command entry.
constexpr DWORD kCommandOutputSize = 577;

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
    int found = s.findFirst(handle, "*.*", &info);
    bool walked = false;
    while (found == 0) {
        entries.push_back(ReadEntryInfo(info));
        info = ArchiveEntryInfo();
        found = s.findNext(handle, &info);
        walked = found == -1;  // the end of the walk; other results end it unfinished
    }
    s.close(handle);
    return walked;
}

void ExtractArchive(DropContext& context, const std::string& archive, const char* listFile, int kind,
                    bool intoWorkFolder) {
    const EntrySlots& s = context.binding.entries();
    const Settings& settings = context.settings;
    std::string path = archive;
    std::string name = LastComponent(archive);
    const std::string targetFolder = TargetFolder(context);
    std::string destination = settings.DDir ? AddBackslash(ParentOf(archive)) : targetFolder;
    if (kind == kindIsh) {
        // The ISH library takes short paths without quotes.
        path = ShortPathOf(archive);
        name = LastComponent(path);
        destination = settings.DDir ? AddBackslash(ParentOf(path)) : FolderPrefix(ShortPathOf(targetFolder));
    }
    context.binding.WaitWhileRunning();
    if (!s.check || !(s.check(archive.c_str(), 0) & 0xFF)) {
        InfoBox(LastComponent(archive) + " は不正ファイルです");
        return;
    }
    if (intoWorkFolder) {
        const std::string work = WorkFolderPath();
        CreateDirectoryA(work.c_str(), nullptr);
        destination = work + "\\";
    }
    const std::string autoFolder =
        settings.AutoDir && !intoWorkFolder ? AutoFolderName(name, settings.AutoDel1, settings.AutoDel2) : std::string();
    const std::string command =
        ExtractCommand(kind, intoWorkFolder, path, destination, autoFolder, listFile ? listFile : "");
    HWND owner = context.host.OwnerWindow();
    if (kind == kindIsh) {
        if (s.ishCommand) s.ishCommand(owner, command.c_str());
        return;
    }
    if (!s.command) return;
    char output[kCommandOutputSize] = {};
    s.command(owner, command.c_str(), output, kCommandOutputSize);
}

}  // namespace qaz
