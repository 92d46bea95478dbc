#include "sysutil/windows_env.h"

#include "base/info_box.h"
#include "base/path_parts.h"
#include "base/registry.h"
#include "base/user_paths.h"
#include "core/registry_keys.h"
#include "sysutil/env_files.h"

namespace qaz {

namespace {

std::string SaveStampNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char dateSep[8] = {}, timeSep[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDATE, dateSep, sizeof dateSep);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, timeSep, sizeof timeSep);
    return EnvSaveStamp(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, dateSep[0] ? dateSep : "/",
                        timeSep[0] ? timeSep : ":");
}

EnvPlaces CurrentPlaces() {
    EnvPlaces p;
    p.programFolder = AddBackslash(ParentOf(ProgramPath()));
    char windows[577] = {};
    const UINT n = GetWindowsDirectoryA(windows, sizeof windows);
    if (n > 0 && n < sizeof windows) p.windowsFolder = windows;
    p.userName = UserName();
    p.nt = (GetVersion() & 0x80000000u) == 0;
    return p;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Remove(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

// Saves one file. The new copy is made under a name of its own beside the
// backup and replaces the old one only when it is complete, so a locked
// file or a full disk keeps the last good copy. A file that is no longer in
// use loses its old copy. False when the file is there but was not saved.
bool SaveFile(const std::string& live, const std::string& backup) {
    if (!Exists(live)) {
        if (Exists(backup)) Remove(backup);
        return true;
    }
    const std::string fresh = backup + ".new";
    if (Exists(fresh)) Remove(fresh);
    if (!CopyFileA(live.c_str(), fresh.c_str(), FALSE)) {
        if (Exists(fresh)) Remove(fresh);
        return false;
    }
    // A read-only or hidden old copy could not be replaced.
    const DWORD old = GetFileAttributesA(backup.c_str());
    if (old != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (MoveFileExA(fresh.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    if (old != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(backup.c_str(), old);
    Remove(fresh);
    return false;
}

// Restores one file over the one in use. Its attributes are cleared so that
// a read-only file can be overwritten, and put back when the copy fails.
void RestoreFile(const std::string& backup, const std::string& live) {
    if (!Exists(backup)) return;  // nothing saved: the file in use stays
    const DWORD attributes = GetFileAttributesA(live.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(live.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA(backup.c_str(), live.c_str(), FALSE) && attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(live.c_str(), attributes);
}

}  // namespace

void CopyWindowsEnvironment(Host& host, bool save) {
    {
        RegKey key;
        if (save) {
            if (!key.Create(kRegSettings)) return;
        } else {
            key.Open(kRegSettings);
            const std::string date = RegReadStr(key.get(), "DateWin", "");
            if (date.empty()) return;
            if (!AskYesNo(date + " に保存された Windows 環境を復元してもよろしいですか")) return;
        }
    }
    const EnvPlaces places = CurrentPlaces();
    if (places.windowsFolder.empty()) return;
    const bool clock = host.ClockShown();
    if (clock) host.ShowCopyProgress(true);
    CreateDirectoryA(EnvBackupFolder(places).c_str(), nullptr);
    if (!places.userName.empty()) CreateDirectoryA(EnvUserFolder(places).c_str(), nullptr);
    // The time is taken when the save begins, and kept only when it is whole.
    const std::string stamp = SaveStampNow();
    std::string unsaved;
    int n = 0;
    for (const EnvFile& f : EnvFileTable(places)) {
        if (!save)
            RestoreFile(f.backup, f.live);
        else if (!SaveFile(f.live, f.backup))
            unsaved += "\r\n" + f.live;
        host.SetCopyProgress(++n);
    }
    if (clock) host.ShowCopyProgress(false);
    if (!save) return;
    if (!unsaved.empty()) {
        InfoBox("次のファイルを保存できませんでした" + unsaved);
        return;
    }
    RegKey key;
    if (key.Create(kRegSettings)) RegWriteStr(key.get(), "DateWin", stamp);
}

}  // namespace qaz
