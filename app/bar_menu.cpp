#include "app/bar_menu.h"

#include <string>

namespace qaz {

namespace {

void AddRadio(HMENU menu, UINT id, const std::string& caption, bool checked) {
    MENUITEMINFOA mi = {};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_ID | MIIM_TYPE | MIIM_STATE;
    mi.fType = MFT_STRING | MFT_RADIOCHECK;
    mi.fState = checked ? MFS_CHECKED : MFS_UNCHECKED;
    mi.wID = id;
    mi.dwTypeData = const_cast<char*>(caption.c_str());
    InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &mi);
}

}  // namespace

HMENU BuildBarMenu(const Settings& s) {
    HMENU formats = CreatePopupMenu();
    const char* const formatNames[] = {"LZH", "CAB", "ISH（ﾌｫﾙﾀﾞ未対応）", "TGZ"};
    for (int i = 0; i < 4; ++i) AddRadio(formats, cLzh + i, formatNames[i], s.PackDef == i + 1);

    HMENU folders = CreatePopupMenu();
    for (int i = 0; i < 5; ++i) {
        if (s.Path[i].empty()) continue;  // an empty folder is not offered
        AddRadio(folders, N11 + i, std::to_string(i + 1) + "." + s.Path[i], s.PathDef == i + 1);
    }

    HMENU windows = CreatePopupMenu();
    AppendMenuA(windows, MF_STRING, KWin1, "保存");
    AppendMenuA(windows, MF_STRING, KWin2, "復元");

    HMENU help = CreatePopupMenu();
    AppendMenuA(help, MF_STRING, pmsStayOnTop, "常に手前に表示");
    AppendMenuA(help, MF_STRING, pmsHelp, "ﾍﾙﾌﾟ");
    AppendMenuA(help, MF_STRING, pmsVersion, "ﾊﾞｰｼﾞｮﾝ情報");

    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, pmsSetup, "設定");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(formats), "書庫作成方式");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(folders), "ﾃﾞﾌｫﾙﾄﾌｫﾙﾀﾞ");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(windows), "Windows環境");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, pmsScreenSaver, "ｽｸﾘｰﾝｾｰﾊﾞｰ");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, pmsExit, "終了");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "ﾍﾙﾌﾟ");
    return menu;
}

}  // namespace qaz
