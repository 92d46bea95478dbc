// The in-memory copy of the settings the bar reads from the registry.
#pragma once
#include <windows.h>
#include <string>

namespace qaz {

// Values of "Windows\Main": the bar's own window.
struct BarPlacement {
    bool stayOnTop = true;
    bool taskTray = true;
    int left = 0;
    int top = 0;
    bool titleBar = false;
};

// Values of "Settings" that the bar keeps; named like their registry values.
struct Settings {
    int Color = 0x88FFFF;
    int FontColor = 0xFF0020;
    int ClockType = 0x1110110;
    int Bmp = 3;
    int Scr = 60;
    int All = 3;
    bool Open = true;
    int AniTime = 30;
    bool DDir = true;
    bool AutoDir = true;
    bool AutoDel1 = true;
    bool AutoDel2 = true;
    int PackDef = 1;
    int PackLevel[4] = {0x30000, 0, 0, 1};  // PackLevel1..PackLevel4
    int PackFN = 0;
    int PathDef = 1;
    bool UnpackFilesSelect = false;
    int AutoWin = 0;
    std::string Path[5];  // Path1..Path5
    bool AutoLoadFiles = true;
};

// Values of "Settings\Desktop": the desktop's icon labels.
struct DesktopLabelSettings {
    bool Transparent = false;
    int IconTextColor = -1;  // CLR_NONE: the system's own background
    int IconStyle = 0x2000;  // large icons, no scrolling
};

// Values of "Settings\FTP": the upload's server and text types.
struct FtpSettings {
    std::string UserID;
    std::string Password;
    std::string RemoteHost;
    int ConnectTimeOut = 30000;  // milliseconds
    int ReceiveTimeOut = 30000;
    std::string TxtType = "HTML,HTM,TXT,";
};

// Reads "Windows\Main" from an open key (nullptr: every default).
BarPlacement ReadBarPlacement(HKEY mainKey);
// Reads "Settings" from an open key (nullptr: every default).
Settings ReadSettings(HKEY settingsKey);
// Reads "Settings\Desktop" from an open key (nullptr: every default).
DesktopLabelSettings ReadDesktopLabelSettings(HKEY desktopKey);
// Reads "Settings\FTP" from an open key (nullptr: every default).
FtpSettings ReadFtpSettings(HKEY ftpKey);

}  // namespace qaz
