// The configuration files of Windows that the environment backup keeps, and
// where each lives and is kept.
#pragma once
#include <string>
#include <vector>

namespace qaz {

// What the places of the files depend on.
struct EnvPlaces {
    std::string programFolder;  // the program's folder, with '\'
    std::string windowsFolder;  // as the platform reports it
    std::string userName;       // empty when the platform reports none
    bool nt = false;            // Windows NT (the user file is NTUSER.DAT)
};

struct EnvFile {
    std::string live;    // full path of the file in use
    std::string backup;  // full path of its copy
};

// The backup folder: "qaz_win\" beside the program.
std::string EnvBackupFolder(const EnvPlaces& p);
// Where the copy of the user file goes: a folder of the user's name inside
// the backup folder, or the backup folder itself without a user name.
std::string EnvUserFolder(const EnvPlaces& p);
// The Windows folder with one trailing '\' (a drive root keeps its own).
std::string EnvWindowsFolder(const std::string& reported);
// The nine files, in the order they are copied.
std::vector<EnvFile> EnvFileTable(const EnvPlaces& p);

// "yy/mm/dd hh:mm" with the locale's date and time separators.
std::string EnvSaveStamp(int year, int month, int day, int hour, int minute, const std::string& dateSep,
                         const std::string& timeSep);

}  // namespace qaz
