// The bar's menu, its layouts, the animation timing and the desktop labels.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include "app/bar_menu.h"
#include "app/desktop_labels.h"
#include "base/info_box.h"
#include "base/registry.h"
#include "core/registry_keys.h"
#include "tests/app/bar_fixture.h"

using namespace qaz;

namespace {

using BarMenuTest = BarFixture;

std::string ItemText(HMENU menu, int pos) {
    char buf[256] = {};
    GetMenuStringA(menu, static_cast<UINT>(pos), buf, sizeof buf, MF_BYPOSITION);
    return buf;
}

HMENU SubMenuNamed(HMENU menu, const std::string& caption) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        if (ItemText(menu, i) == caption) return GetSubMenu(menu, i);
    return nullptr;
}

bool Checked(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

}  // namespace

TEST(BarMenu, OnlyFoldersThatAreSetAreOfferedWithTheirNumbers) {
    Settings s;
    s.Path[0] = "C:\\一";
    s.Path[2] = "C:\\three";
    s.Path[4] = "D:\\five";
    s.PathDef = 3;
    HMENU menu = BuildBarMenu(s);
    HMENU folders = SubMenuNamed(menu, "ﾃﾞﾌｫﾙﾄﾌｫﾙﾀﾞ");
    ASSERT_NE(folders, nullptr);
    ASSERT_EQ(GetMenuItemCount(folders), 3);
    EXPECT_EQ(ItemText(folders, 0), "1.C:\\一");
    EXPECT_EQ(ItemText(folders, 1), "3.C:\\three");
    EXPECT_EQ(ItemText(folders, 2), "5.D:\\five");
    EXPECT_TRUE(Checked(menu, N31));
    EXPECT_FALSE(Checked(menu, N11));
    EXPECT_TRUE(Checked(menu, cLzh));
    EXPECT_NE(SubMenuNamed(menu, "Windows環境"), nullptr);
    EXPECT_NE(SubMenuNamed(menu, "書庫作成方式"), nullptr);
    EXPECT_EQ(ItemText(menu, 0), "設定");
    DestroyMenu(menu);
}

TEST_F(BarMenuTest, ChoosingTgzWritesPackDefAtOnceAndIsCheckedNextTime) {
    BarWindow& bar = Start();
    bar.OnMenuCommand(cTgz);
    DWORD v = 0;
    ASSERT_TRUE(qaztest::ReadDword(kRegSettings, "PackDef", &v));
    EXPECT_EQ(v, 4u);
    HMENU menu = BuildBarMenu(bar.settings());
    EXPECT_TRUE(Checked(menu, cTgz));
    EXPECT_FALSE(Checked(menu, cLzh));
    DestroyMenu(menu);
    bar.OnMenuCommand(N41);
    ASSERT_TRUE(qaztest::ReadDword(kRegSettings, "PathDef", &v));
    EXPECT_EQ(v, 4u);
}

TEST_F(BarMenuTest, MissingSettingsLibraryReportsItself) {
    BarWindow& bar = Start();
    qaztest::MessageBoxWatcher watcher(kAppTitle);
    bar.OnMenuCommand(pmsSetup);
    const auto texts = watcher.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "qaz_set.dll がありません");
}

TEST_F(BarMenuTest, IconClicksSlideBetweenTheLayoutsAndIgnoreAHalfWayBar) {
    Start();
    ASSERT_EQ(SysTop(), 0);
    ClickIcon();
    EXPECT_EQ(SysTop(), 9) << "slid down into the title-bar layout";
    EXPECT_TRUE(bar_->InTitleBarLayout());
    RECT img;
    GetWindowRect(bar_->control(idImgMain), &img);
    RECT icon;
    GetWindowRect(bar_->control(idIcon), &icon);
    EXPECT_EQ(img.top - icon.top, -2);
    EXPECT_EQ(icon.bottom - icon.top, 8);

    ClickIcon();
    EXPECT_EQ(SysTop(), 0) << "slid back up";

    MoveSys(5);
    ClickIcon();
    EXPECT_EQ(SysTop(), 5) << "a click during a slide position changes nothing";
    MoveSys(15);
    ClickIcon();
    EXPECT_EQ(SysTop(), 0) << "an odd position snaps back at once";
}

TEST_F(BarMenuTest, TitleBarLayoutSavedAtCloseAndRestoredAtStartUp) {
    BarWindow& bar = Start();
    ClickIcon();
    SendMessageA(bar.hwnd(), WM_CLOSE, 0, 0);
    DWORD v = 0;
    ASSERT_TRUE(qaztest::ReadDword(kRegMain, "TitleBar", &v));
    EXPECT_EQ(v, 1u);
    BarWindow& again = Start();
    EXPECT_TRUE(again.InTitleBarLayout());
}

TEST_F(BarMenuTest, AnimationEveryMinuteRestartsAfterStoppingOnTheSameTick) {
    const std::string probe = qaztest::ExeFolder() + "probe\\qaz_ani.dll";
    const std::string placed = qaztest::ExeFolder() + "qaz_ani.dll";
    ASSERT_TRUE(CopyFileA(probe.c_str(), placed.c_str(), FALSE)) << probe;
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\QAZTest");
    qaztest::SetDword(kRegSettings, "AniTime", 1);
    {
        BarWindow& bar = Start();
        SendMessageA(bar.hwnd(), WM_TIMER, Timer1, 0);
        EXPECT_TRUE(bar.Animating()) << "the first minute starts it";
        EXPECT_EQ(bar.state().AniCounter, -1);
        for (int i = 0; i < 3; ++i) {
            SendMessageA(bar.hwnd(), WM_TIMER, Timer1, 0);
            EXPECT_TRUE(bar.Animating());
            EXPECT_EQ(bar.state().AniCounter, -1);
        }
        bar_.reset();
    }
    DWORD calls = 0, unloads = 0, good = 0;
    EXPECT_TRUE(qaztest::ReadDword("Software\\QAZTest\\Ani", "Calls", &calls));
    qaztest::ReadDword("Software\\QAZTest\\Ani", "Unloads", &unloads);
    qaztest::ReadDword("Software\\QAZTest\\Ani", "GoodSurfaces", &good);
    EXPECT_EQ(calls, 4u) << "started on every tick";
    EXPECT_EQ(unloads, 4u) << "stopped three times on a tick, once by the bar's end";
    EXPECT_EQ(good, 4u) << "the surface is the icon's 16 x 16 memory device context";
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\QAZTest");
    DeleteFileA(placed.c_str());
}

TEST_F(BarMenuTest, DesktopLabelsFollowTheSettings) {
    if (FindWindowA("Progman", "Program Manager")) GTEST_SKIP() << "a real desktop shell is running";
    // A desktop of our own: Progman, a view holder, and the icon view.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "Progman";
    RegisterClassA(&wc);
    HWND progman = CreateWindowExA(0, "Progman", "Program Manager", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                   nullptr, nullptr);
    HWND holder = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 50, 50, progman, nullptr, nullptr, nullptr);
    HWND view = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_ICON, 0, 0, 50, 50, holder, nullptr, nullptr,
                                nullptr);
    ASSERT_EQ(DesktopListView(), view);
    SendMessageA(view, LVM_SETTEXTBKCOLOR, 0, RGB(1, 2, 3));
    qaztest::SetDword(kRegDesktop, "IconStyle", 0x2003);

    Start();
    DWORD stored = 0;
    ASSERT_TRUE(qaztest::ReadDword(kRegDesktop, "IconTextColor", &stored));
    EXPECT_EQ(stored, static_cast<DWORD>(RGB(1, 2, 3))) << "the view's own colour is kept at start-up";
    EXPECT_EQ(static_cast<COLORREF>(SendMessageA(view, LVM_GETTEXTBKCOLOR, 0, 0)), RGB(1, 2, 3));
    const DWORD style = static_cast<DWORD>(GetWindowLongA(view, GWL_STYLE));
    EXPECT_EQ(style & 0x2003, 0x2003u) << "list mode with no scrolling";
    EXPECT_TRUE(style & WS_CHILD) << "the other style bits stay";

    qaztest::SetDword(kRegDesktop, "Transparent", 1);
    bar_->LoadSettings(false);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageA(view, LVM_GETTEXTBKCOLOR, 0, 0)), CLR_NONE);
    DestroyWindow(progman);
}
