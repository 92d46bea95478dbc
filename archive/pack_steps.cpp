#include "archive/pack_steps.h"

#include <commdlg.h>

#include "archive/classify_and_bind.h"
#include "archive/pack_command.h"
#include "base/info_box.h"
#include "base/path_parts.h"
#include "base/short_path.h"
#include "base/user_paths.h"
#include "core/file_kind.h"

namespace qaz {

int PackerKind(int format) {
    static const int kPackers[] = {kindLzh, kindCab, kindIsh, kindTar};
    return format >= 1 && format <= 4 ? kPackers[format - 1] : kindLzh;
}

namespace {

// Where the archive goes and what it is called, before the name is settled.
std::string FirstArchivePath(DropContext& context, const PackJob& job) {
    const Settings& settings = context.settings;
    const std::string folder = settings.DDir ? AddBackslash(ParentOf(job.firstName)) : TargetFolder(context);
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string base;
    if (settings.PackFN == 0) {
        base = LastComponent(job.firstName);
    } else if (settings.PackFN == 1) {
        base = DateBaseName(now);
    } else if (settings.PackFN == 2) {
        HANDLE file = CreateFileA(job.firstName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        FILETIME written, local;
        SYSTEMTIME day;
        if (file != INVALID_HANDLE_VALUE && GetFileTime(file, nullptr, nullptr, &written) &&
            FileTimeToLocalFileTime(&written, &local) && FileTimeToSystemTime(&local, &day)) {
            base = DateBaseName(day);
        } else {
            InfoBox("現在の日付をファイル名とします");
            base = DateBaseName(now);
        }
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return WithExtension(folder + base, PackExtension(job.format));
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsExistingFolder(const std::string& path) {
    const DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

// The save dialog of the bar: the chosen path, or the given one when cancelled.
std::string AskArchiveName(HWND owner, const std::string& path, const char* ext) {
    char file[MAX_PATH] = {};
    lstrcpynA(file, LastComponent(path).c_str(), MAX_PATH);
    std::string folder = ParentOf(path);
    if (EndsWithBackslash(folder) && folder.size() > 3) folder.pop_back();
    const std::string filter = std::string("Archive files(") + ext + ")" + '\0' + "*" + ext + '\0' + '\0';
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = folder.c_str();
    ofn.lpstrTitle = "作成する書庫ファイル名";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    return GetSaveFileNameA(&ofn) ? std::string(file) : path;
}

// Settles the archive's name: a free name goes as it is; an existing one is
// overwritten when the user says so, or renamed in the save dialog.
std::string SettleName(DropContext& context, PackJob& job, std::string path) {
    const char* ext = PackExtension(job.format);
    const bool sfxMatters = job.sfx && (job.format == 1 || job.format == 2);
    for (;;) {
        if (!job.askName) {
            const bool plain = Exists(path);
            const bool exe = Exists(WithExtension(path, ".exe"));
            if (!plain && (!exe || !sfxMatters)) return path;
            if (AskYesNo("既にファイルが存在しますが、上書きしますか")) return path;
        }
        job.askName = false;
        path = WithExtension(AskArchiveName(context.host.OwnerWindow(), path, ext), ext);
    }
}

// The command's result; -1 when the library has no command entry.
int RunCommand(DropContext& context, const std::string& command) {
    const EntrySlots& s = context.binding.entries();
    if (!s.command) return -1;
    char output[577] = {};
    const int result = s.command(context.host.OwnerWindow(), command.c_str(), output, sizeof output);
    context.binding.WaitWhileRunning();
    return result;
}

}  // namespace

bool PreparePacking(DropContext& context, PackJob& job) {
    context.host.StartAnimation();
    int kind = PackerKind(job.format);
    ClassifyAndBind(context, kPackModeName, kind, false);
    if (kind == kindUnknown) {
        context.host.StopAnimation();
        return false;
    }
    if (job.format == 3) return true;  // ISH: one output per item, named by the library
    job.archivePath = SettleName(context, job, FirstArchivePath(context, job));
    SetCurrentDirectoryA(ParentOf(job.firstName).c_str());
    job.list.Create(TempPath() + "pack.qaz");
    return true;
}

void PackItem(DropContext& context, PackJob& job, const std::string& name) {
    if (job.format == 3) {
        const EntrySlots& s = context.binding.entries();
        const std::string command = IshItemCommand(job.optionWord, ShortPathOf(name));
        if (s.ishCommand) s.ishCommand(context.host.OwnerWindow(), command.c_str());
        return;
    }
    job.list.Write(PackListLine(job.format, LastComponent(name), IsExistingFolder(name)));
}

void CloseItemList(PackJob& job) { job.list.Close(); }

void FinishPacking(DropContext& context, PackJob& job) {
    const std::string& listFile = job.list.path();
    if (job.list.Close()) {
        context.binding.WaitWhileRunning();
        RunCommand(context, PackCommand(job.format, job.optionWord, job.archivePath, listFile));
        // The plain archive goes only when the program was made: after "m"
        // it may hold the only copy of the packed files.
        if (job.sfx && (job.format == 1 || job.format == 2) &&
            RunCommand(context, SfxCommand(job.format, job.optionWord, job.archivePath)) == 0)
            DeleteFileA(job.archivePath.c_str());
    } else {
        // The archive would miss items, or hold none: nothing is packed.
        job.list.ReportFailure();
    }
    DeleteFileA(listFile.c_str());
    context.binding.Unbind();
    context.host.StopAnimation();
}

}  // namespace qaz
