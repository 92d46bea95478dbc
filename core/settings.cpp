#include "core/settings.h"

#include "base/registry.h"

namespace qaz {

BarPlacement ReadBarPlacement(HKEY key) {
    BarPlacement p;
    p.stayOnTop = RegReadBool(key, "StayOnTop", p.stayOnTop);
    p.taskTray = RegReadBool(key, "TaskTray", p.taskTray);
    p.left = RegReadInt(key, "Left", p.left);
    p.top = RegReadInt(key, "Top", p.top);
    p.titleBar = RegReadBool(key, "TitleBar", p.titleBar);
    return p;
}

Settings ReadSettings(HKEY key) {
    Settings s;
    s.Color = RegReadInt(key, "Color", s.Color);
    s.FontColor = RegReadInt(key, "FontColor", s.FontColor);
    s.Bmp = RegReadInt(key, "Bmp", s.Bmp);
    s.Scr = RegReadInt(key, "Scr", s.Scr);
    s.All = RegReadInt(key, "All", s.All);
    s.Open = RegReadBool(key, "Open", s.Open);
    s.ClockType = RegReadInt(key, "ClockType", s.ClockType);
    s.AniTime = RegReadInt(key, "AniTime", s.AniTime);
    s.DDir = RegReadBool(key, "DDir", s.DDir);
    s.AutoDir = RegReadBool(key, "AutoDir", s.AutoDir);
    s.AutoDel1 = RegReadBool(key, "AutoDel1", s.AutoDel1);
    s.AutoDel2 = RegReadBool(key, "AutoDel2", s.AutoDel2);
    s.PackDef = RegReadInt(key, "PackDef", s.PackDef);
    for (int i = 0; i < 4; ++i) {
        const std::string name = "PackLevel" + std::to_string(i + 1);
        s.PackLevel[i] = RegReadInt(key, name.c_str(), s.PackLevel[i]);
    }
    s.PackFN = RegReadInt(key, "PackFN", s.PackFN);
    s.PathDef = RegReadInt(key, "PathDef", s.PathDef);
    s.UnpackFilesSelect = RegReadBool(key, "UnpackFilesSelect", s.UnpackFilesSelect);
    s.AutoWin = RegReadInt(key, "AutoWin", s.AutoWin);
    for (int i = 0; i < 5; ++i) {
        const std::string name = "Path" + std::to_string(i + 1);
        s.Path[i] = RegReadStr(key, name.c_str(), "");
    }
    s.AutoLoadFiles = RegReadBool(key, "AutoLoadFiles", s.AutoLoadFiles);
    return s;
}

DesktopLabelSettings ReadDesktopLabelSettings(HKEY key) {
    DesktopLabelSettings d;
    d.Transparent = RegReadBool(key, "Transparent", d.Transparent);
    d.IconTextColor = RegReadInt(key, "IconTextColor", d.IconTextColor);
    d.IconStyle = RegReadInt(key, "IconStyle", d.IconStyle);
    return d;
}

FtpSettings ReadFtpSettings(HKEY key) {
    FtpSettings f;
    f.UserID = RegReadStr(key, "UserID", f.UserID);
    f.Password = RegReadStr(key, "Password", f.Password);
    f.RemoteHost = RegReadStr(key, "RemoteHost", f.RemoteHost);
    f.ConnectTimeOut = RegReadInt(key, "ConnectTimeOut", f.ConnectTimeOut);
    f.ReceiveTimeOut = RegReadInt(key, "ReceiveTimeOut", f.ReceiveTimeOut);
    f.TxtType = RegReadStr(key, "TxtType", f.TxtType);
    return f;
}

}  // namespace qaz
