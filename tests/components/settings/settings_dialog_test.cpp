// The settings dialog of qaz_set.dll, opened from the bar's menu "設定":
// what is changed in it reaches the bar on OK, and Cancel writes nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "app/bar_menu.h"
#include "components/settings/fields.h"
#include "components/settings/setup_dialog.h"
#include "tests/app/bar_fixture.h"

using namespace qaz;
using namespace qaz::setup;

namespace {

std::function<void(HWND)> g_act;
bool g_shown = false;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg = FindWindowA("#32770", kSetupTitle);
    if (!dlg || !IsWindowVisible(dlg)) return;
    KillTimer(nullptr, id);
    g_shown = true;
    g_act(dlg);
}

int Id(const char* key, const char* name, unsigned mask = 0) {
    const int i = FindField(key, name, mask);
    EXPECT_GE(i, 0) << name;
    return FieldControlId(i);
}

void SetCheck(HWND dlg, int id, bool on) {
    SendDlgItemMessageA(dlg, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Choose(HWND dlg, int id, int value) {
    const auto n = SendDlgItemMessageA(dlg, id, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i)
        if (SendDlgItemMessageA(dlg, id, CB_GETITEMDATA, i, 0) == value) SendDlgItemMessageA(dlg, id, CB_SETCURSEL, i, 0);
}

std::string Text(HWND dlg, int id) {
    char buf[512] = {};
    GetDlgItemTextA(dlg, id, buf, sizeof buf);
    return buf;
}

// Picks a colour in the colour chooser by its red, green and blue fields.
COLORREF g_pick;
BOOL CALLBACK FindColourChooser(HWND w, LPARAM found) {
    if (GetDlgItem(w, 706) && IsWindowVisible(w)) *reinterpret_cast<HWND*>(found) = w;
    return TRUE;
}
void CALLBACK DriveColourChooser(HWND, UINT, UINT_PTR id, DWORD) {
    HWND chooser = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindColourChooser, reinterpret_cast<LPARAM>(&chooser));
    if (!chooser) return;
    KillTimer(nullptr, id);
    SetDlgItemInt(chooser, 706, GetRValue(g_pick), FALSE);
    SetDlgItemInt(chooser, 707, GetGValue(g_pick), FALSE);
    SetDlgItemInt(chooser, 708, GetBValue(g_pick), FALSE);
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
}

// Every value of the settings tree, by key and name.
void Snapshot(HKEY root, const std::string& path, std::map<std::string, std::string>& out) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
        char name[256];
        static BYTE data[65536];
        DWORD nameLen = sizeof name, type = 0, size = sizeof data;
        if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        out[path + "\\" + name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLen = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        Snapshot(root, path + "\\" + name, out);
    }
    RegCloseKey(key);
}

std::map<std::string, std::string> Tree() {
    std::map<std::string, std::string> values;
    Snapshot(HKEY_CURRENT_USER, kRegRoot, values);
    return values;
}

class SettingsDialogTest : public BarFixture {
protected:
    // Opens "設定" on the bar and lets act work the dialog.
    void RunSetup(std::function<void(HWND)> act) {
        g_act = std::move(act);
        g_shown = false;
        SetTimer(nullptr, 0, 50, DriveDialog);
        bar_->OnMenuCommand(pmsSetup);
        EXPECT_TRUE(g_shown) << "the dialog was shown, modal to the bar";
    }
};

}  // namespace

TEST_F(SettingsDialogTest, OkCarriesTheChangesToTheBar) {
    qaztest::TempDir dir;
    const std::string folder = dir.Folder("書庫置き場");
    BarWindow& bar = Start();
    ASSERT_EQ(bar.state().ClockFormat, "yy/mm/dd hh:mm");
    g_pick = RGB(10, 200, 30);
    RunSetup([&](HWND dlg) {
        EXPECT_EQ(Text(dlg, Id(kRegSettings, "Bmp")), "3") << "defaults shown";
        SetCheck(dlg, Id(kRegSettings, "ClockType", 0x1110000), false);
        SetCheck(dlg, Id(kRegSettings, "ClockType", 0x1000), true);
        SetDlgItemTextA(dlg, Id(kRegSettings, "Path2"), folder.c_str());
        Choose(dlg, Id(kRegSettings, "PathDef"), 2);
        Choose(dlg, Id(kRegSettings, "PackDef"), 4);
        SetDlgItemTextA(dlg, Id(kRegSettings, "Bmp"), "7");
        SetTimer(nullptr, 0, 50, DriveColourChooser);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(FieldControlId(FindField(kRegSettings, "Color")) + 1, BN_CLICKED), 0);
        EXPECT_EQ(Text(dlg, Id(kRegSettings, "Color")), "10, 200, 30");
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(bar.state().ClockFormat, "(ddd) hh:mm");
    EXPECT_EQ(bar.state().ClockWidth, 24 + 5 + 34 + 8);
    EXPECT_EQ(ClientRect().right, 21 + 71);
    EXPECT_EQ(bar.settings().Color, static_cast<int>(RGB(10, 200, 30)));
    EXPECT_EQ(bar.settings().Bmp, 7);
    EXPECT_EQ(bar.settings().PackDef, 4);
    EXPECT_EQ(bar.settings().PathDef, 2);
    HMENU menu = BuildBarMenu(bar.settings());
    char caption[512] = {};
    GetMenuStringA(menu, N21, caption, sizeof caption, MF_BYCOMMAND);
    EXPECT_EQ(std::string(caption), "2." + folder + "\\") << "a folder is written with its separator";
    EXPECT_TRUE(GetMenuState(menu, N21, MF_BYCOMMAND) & MF_CHECKED);
    DestroyMenu(menu);
    DWORD clockType = 0;
    ASSERT_TRUE(qaztest::ReadDword(kRegSettings, "ClockType", &clockType));
    EXPECT_EQ(clockType, 0x1110u);
}

TEST_F(SettingsDialogTest, CancelWritesNothing) {
    BarWindow& bar = Start();
    const auto before = Tree();
    RunSetup([&](HWND dlg) {
        SetCheck(dlg, Id(kRegSettings, "ClockType", 0x110), false);
        SetDlgItemTextA(dlg, Id(kRegSettings, "Path1"), "C:\\");
        SetDlgItemTextA(dlg, Id(kRegFtp, "Password"), "secret");
        Choose(dlg, Id(kRegSettings, "AutoWin"), 2);
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(Tree(), before);
    EXPECT_EQ(bar.state().ClockFormat, "yy/mm/dd hh:mm");
}

TEST_F(SettingsDialogTest, OkWritesOnlyWhatChangedAndRefusesNumbersOutOfRange) {
    qaztest::SetDword(kRegSettings, "PackLevel2", 5);  // a level of its own, not among the choices
    qaztest::SetString(kRegSettings, "Path3", "C:\\" + std::string(1500, 'a'));  // longer than any buffer
    Start();
    const auto before = Tree();
    qaztest::MessageBoxWatcher boxes(kMessageCaption);
    bool stayed = false;
    RunSetup([&](HWND dlg) {
        SetDlgItemTextA(dlg, Id(kRegSettings, "Scr"), "0");
        SendMessageA(dlg, WM_COMMAND, IDOK, 0);
        stayed = IsWindow(dlg) && IsWindowVisible(dlg);
        SetDlgItemTextA(dlg, Id(kRegSettings, "Scr"), "120");
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(stayed) << "the dialog stays open for the number to be fixed";
    const auto texts = boxes.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("1 から 86400"), std::string::npos) << texts[0];
    auto after = Tree();
    const std::string scr = std::string(kRegRoot) + "\\Settings\\Scr";
    ASSERT_EQ(after.count(scr), 1u);
    EXPECT_EQ(after[scr].substr(0, 2), "4:");
    after.erase(scr);
    EXPECT_EQ(after, before) << "PackLevel2 = 5 and the long Path3 kept; nothing else written";
    EXPECT_EQ(bar_->settings().Scr, 120);
}

// A folder typed (or chosen) without its final separator is written with
// it; a label colour goes back to none; a boolean left alone stays as stored.
TEST_F(SettingsDialogTest, FoldersGetTheirSeparatorAndAColourCanGoBackToNone) {
    qaztest::TempDir dir;
    const std::string folder = dir.Folder("out");
    qaztest::SetDword(kRegDesktop, "IconTextColor", 0x123456);
    qaztest::SetDword(kRegSettings, "Open", 5);
    Start();
    RunSetup([&](HWND dlg) {
        SetDlgItemTextA(dlg, Id(kRegSettings, "Path1"), folder.c_str());
        SetDlgItemTextA(dlg, Id(kRegSettings, "VPath"), folder.c_str());
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(FieldNoneId(FindField(kRegDesktop, "IconTextColor")), BN_CLICKED), 0);
        EXPECT_EQ(Text(dlg, Id(kRegDesktop, "IconTextColor")), "なし");
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    });
    const auto tree = Tree();
    const std::string settings = std::string(kRegRoot) + "\\Settings\\";
    EXPECT_EQ(tree.at(settings + "Path1"), "1:" + folder + "\\" + std::string(1, '\0'));
    EXPECT_EQ(tree.at(settings + "VPath"), "1:" + folder + "\\" + std::string(1, '\0'));
    DWORD v = 0;
    ASSERT_TRUE(qaztest::ReadDword(kRegDesktop, "IconTextColor", &v));
    EXPECT_EQ(v, 0xFFFFFFFFu);
    ASSERT_TRUE(qaztest::ReadDword(kRegSettings, "Open", &v));
    EXPECT_EQ(v, 5u);
}

// A value that cannot be written (its key cannot be made: a lasting key
// below a volatile one) is said, and the dialog stays open.
TEST_F(SettingsDialogTest, AFailedWriteKeepsTheDialogOpenWithAMessage) {
    Start();
    qaztest::ClearSettings();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kRegSettings, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    qaztest::MessageBoxWatcher boxes(kMessageCaption);
    bool stayed = false;
    RunSetup([&](HWND dlg) {
        SetDlgItemTextA(dlg, Id(kRegFtp, "RemoteHost"), "ftp.example.jp");
        SendMessageA(dlg, WM_COMMAND, IDOK, 0);
        stayed = IsWindow(dlg) && IsWindowVisible(dlg);
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(stayed);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"設定を書き込めませんでした。変更の一部は保存されていません"});
}
