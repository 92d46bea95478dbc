#include "sysutil/env_files.h"

#include <cstdio>

namespace qaz {

std::string EnvBackupFolder(const EnvPlaces& p) { return p.programFolder + "qaz_win\\"; }

std::string EnvUserFolder(const EnvPlaces& p) {
    return p.userName.empty() ? EnvBackupFolder(p) : EnvBackupFolder(p) + p.userName + "\\";
}

std::string EnvWindowsFolder(const std::string& reported) {
    // A drive root such as C:\ already ends in its separator.
    return reported.size() == 3 ? reported : reported + "\\";
}

std::vector<EnvFile> EnvFileTable(const EnvPlaces& p) {
    const std::string windows = EnvWindowsFolder(p.windowsFolder);
    const std::string boot = windows.substr(0, 3);
    const std::string backup = EnvBackupFolder(p);
    // The user file lies in the user's profile; on NT its name starts "NT".
    std::string profile = p.userName.empty() ? "" : "Profiles\\" + p.userName + "\\";
    if (p.nt) profile += "NT";
    std::vector<EnvFile> files = {
        {windows + "SYSTEM.DAT", backup + "SYSTEM.DAT"},
        {windows + profile + "USER.DAT", EnvUserFolder(p) + "USER.DAT"},
    };
    for (const char* name : {"SYSTEM.INI", "WIN.INI", "CONTROL.INI", "WIFEMAN.INI", "PROGMAN.INI"})
        files.push_back({windows + name, backup + name});
    for (const char* name : {"CONFIG.SYS", "AUTOEXEC.BAT"}) files.push_back({boot + name, backup + name});
    return files;
}

std::string EnvSaveStamp(int year, int month, int day, int hour, int minute, const std::string& dateSep,
                         const std::string& timeSep) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%s%02d%s%02d %02d%s%02d", year % 100, dateSep.c_str(), month, dateSep.c_str(),
                  day, hour, timeSep.c_str(), minute);
    return buf;
}

}  // namespace qaz
