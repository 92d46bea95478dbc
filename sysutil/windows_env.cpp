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

}  // namespace

void CopyWindowsEnvironment(Host& host, bool save) {
    {
        RegKey key;
        if (save) {
            if (!key.Create(kRegSettings)) return;
            RegWriteStr(key.get(), "DateWin", SaveStampNow());
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
    int n = 0;
    for (const EnvFile& f : EnvFileTable(places)) {
        const std::string& from = save ? f.live : f.backup;
        const std::string& to = save ? f.backup : f.live;
        if (save) {
            // The backup holds one generation: the old copy goes first, so a
            // file that is no longer there leaves no stale copy behind.
            if (Exists(to)) {
                SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(to.c_str());
            }
            CopyFileA(from.c_str(), to.c_str(), FALSE);
        } else if (Exists(from)) {
            // The file in use is overwritten, not deleted first: a copy that
            // fails leaves it as it was.
            if (Exists(to)) SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
            CopyFileA(from.c_str(), to.c_str(), FALSE);
        }
        host.SetCopyProgress(++n);
    }
    if (clock) host.ShowCopyProgress(false);
}

}  // namespace qaz
