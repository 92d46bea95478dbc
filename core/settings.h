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

// Reads "Windows\Main" from an open key (nullptr: every default).
BarPlacement ReadBarPlacement(HKEY mainKey);
// Reads "Settings" from an open key (nullptr: every default).
Settings ReadSettings(HKEY settingsKey);

}  // namespace qaz
