// The image window as OpenByKind shows pictures in it.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/view_files.h"
#include "tests/viewers/viewer_fixture.h"
#include "viewers/image_window.h"
#include "core/registry_keys.h"

using namespace qaz;

namespace {

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

DWORD FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d = {};
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) ? d.nFileSizeLow : 0;
}

void HoldControl(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    keys[VK_LCONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

}  // namespace

TEST_F(ViewerTest, PicturesTakeTheirSizeAndCaptionAndTheWindowKeepsItsPlace) {
    qaztest::SetDword(kRegView, "Left", 30);
    qaztest::SetDword(kRegView, "Top", 40);
    qaztest::WriteBmp(dir_.path() + "a.bmp", 320, 200);
    qaztest::WriteBmp(dir_.path() + "ソ表.bmp", 240, 180);  // trail bytes 0x5C

    EXPECT_EQ(viewers_.OpenByKind(dir_.path() + "a.bmp"), 3000);
    ASSERT_TRUE(viewers_.imageWindowCreated());
    ImageWindow* image = CurrentImageWindow();
    ASSERT_NE(image, nullptr);
    HWND w = image->hwnd();
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    EXPECT_STREQ(cls, "TJX_QAZImage");
    EXPECT_EQ(Caption(w), "[320 x 200] a.bmp");
    EXPECT_EQ(ClientSize(w).cx, 320);
    EXPECT_EQ(ClientSize(w).cy, 200);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(image->currentPath(), dir_.path() + "a.bmp");
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);

    settings_.Bmp = 5;
    EXPECT_EQ(viewers_.OpenByKind(dir_.path() + "ソ表.bmp"), 5000);
    EXPECT_EQ(CurrentImageWindow()->hwnd(), w) << "one window, reused";
    EXPECT_EQ(Caption(w), "[240 x 180] ソ表.bmp");
    EXPECT_EQ(ClientSize(w).cx, 240);
    EXPECT_EQ(ClientSize(w).cy, 180);
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);

    // Closing remembers the place and forgets the window.
    SetWindowPos(w, nullptr, 44, 55, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(viewers_.imageWindowCreated());
    EXPECT_EQ(CurrentImageWindow(), nullptr);
    DWORD left = 0, top = 0;
    EXPECT_TRUE(qaztest::ReadDword(kRegView, "Left", &left));
    EXPECT_TRUE(qaztest::ReadDword(kRegView, "Top", &top));
    EXPECT_EQ(left, 44u);
    EXPECT_EQ(top, 55u);
}

TEST_F(ViewerTest, APictureLargerThanTheScreenIsCutAtTheScreenEdgesAndScrollsByDragging) {
    qaztest::SetDword(kRegView, "Left", 100);
    qaztest::SetDword(kRegView, "Top", 50);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    qaztest::WriteBmp(dir_.path() + "big.bmp", sw + 400, sh + 300);
    viewers_.OpenByKind(dir_.path() + "big.bmp");
    ImageWindow* image = CurrentImageWindow();
    ASSERT_NE(image, nullptr);
    HWND w = image->hwnd();
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right, sw);
    EXPECT_EQ(r.bottom, sh);
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_TRUE(style & WS_VSCROLL);

    // The left button alone drags; the view follows within its range.
    SendMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 25));
    EXPECT_EQ(image->scrollPosition().x, 20);
    EXPECT_EQ(image->scrollPosition().y, 15);
    EXPECT_EQ(GetScrollPos(w, SB_HORZ), 20);
    SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, MAKELPARAM(60, 60));
    EXPECT_EQ(image->scrollPosition().x, 20) << "Ctrl held: no drag";
    SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, 0));  // would go below 0
    EXPECT_EQ(image->scrollPosition().x, 20);
    EXPECT_EQ(image->scrollPosition().y, 15);

    // A second, small picture brings the window back to its size.
    qaztest::WriteBmp(dir_.path() + "small.bmp", 200, 120);
    viewers_.OpenByKind(dir_.path() + "small.bmp");
    EXPECT_EQ(ClientSize(w).cx, 200);
    EXPECT_EQ(ClientSize(w).cy, 120);
    EXPECT_EQ(image->scrollPosition().x, 0);
}

TEST_F(ViewerTest, AnUnreadablePictureIsReportedAndStillGivesItsDelay) {
    qaztest::WriteBytes(dir_.path() + "bad.bmp", "BM but nothing that a reader could take");
    qaztest::WriteBmp(dir_.path() + "good.bmp", 200, 100);
    qaztest::MessageBoxWatcher boxes("QAZ for win32");
    EXPECT_EQ(viewers_.OpenByKind(dir_.path() + "bad.bmp"), 3000);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "bad.bmp は不正ファイルです");
    ASSERT_NE(CurrentImageWindow(), nullptr);
    EXPECT_FALSE(IsWindowVisible(CurrentImageWindow()->hwnd())) << "created, still empty";

    // After a good picture, a bad one leaves it on show.
    viewers_.OpenByKind(dir_.path() + "good.bmp");
    viewers_.OpenByKind(dir_.path() + "bad.bmp");
    EXPECT_EQ(Caption(CurrentImageWindow()->hwnd()), "[200 x 100] good.bmp");
    EXPECT_EQ(CurrentImageWindow()->currentPath(), dir_.path() + "good.bmp");
    EXPECT_EQ(boxes.texts().size(), 2u);
}

TEST_F(ViewerTest, MovingOntoAnExistingFileAsksAndNoKeepsTheSource) {
    const std::string target = dir_.Folder("target") + "\\";
    qaztest::SetString(kRegSettings, "VPath", target);
    qaztest::SetDword(kRegSettings, "VMove", 1);
    const std::string source = dir_.path() + "a.bmp";
    qaztest::WriteBmp(source, 200, 100);
    qaztest::WriteBytes(target + "a.bmp", "older");
    viewers_.OpenByKind(source);
    HWND w = CurrentImageWindow()->hwnd();
    {
        qaztest::MessageBoxWatcher boxes("QAZ for win32", IDNO);
        SendMessageA(w, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        const auto texts = boxes.texts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0], "a.bmp を上書きしますか");
        EXPECT_EQ(texts[1], "保存に失敗しました");
    }
    EXPECT_TRUE(FileExists(source));
    EXPECT_EQ(FileSize(target + "a.bmp"), 5u);
    {
        qaztest::MessageBoxWatcher boxes("QAZ for win32", IDYES);
        EXPECT_TRUE(CurrentImageWindow()->MoveOrSave());
        EXPECT_EQ(boxes.texts().size(), 1u);
    }
    EXPECT_FALSE(FileExists(source)) << "moved";
    EXPECT_EQ(FileSize(target + "a.bmp"), 54u + 600u * 100u);
    EXPECT_EQ(CurrentImageWindow()->currentPath(), source) << "the path stays, also after a move";
}

TEST_F(ViewerTest, SavingCopiesAndAFolderNamingTheSourceItselfLosesNothing) {
    qaztest::SetString(kRegSettings, "VPath", dir_.path());  // the picture's own folder
    const std::string source = dir_.path() + "a.bmp";
    qaztest::WriteBmp(source, 200, 100);
    qaztest::SetDword(kRegSettings, "VMove", 1);
    viewers_.OpenByKind(source);
    {
        qaztest::MessageBoxWatcher boxes("QAZ for win32", IDYES);
        EXPECT_FALSE(CurrentImageWindow()->MoveOrSave());
        ASSERT_EQ(boxes.texts().size(), 1u);
        EXPECT_EQ(boxes.texts()[0], "保存に失敗しました");
    }
    EXPECT_EQ(FileSize(source), 54u + 600u * 100u);
    viewers_.CloseImageWindow();

    // Saving (no move) into another folder: a copy, no question.
    const std::string target = dir_.Folder("saved") + "\\";
    qaztest::SetString(kRegSettings, "VPath", target);
    qaztest::SetDword(kRegSettings, "VMove", 0);
    viewers_.OpenByKind(source);
    qaztest::MessageBoxWatcher boxes("QAZ for win32");
    EXPECT_TRUE(CurrentImageWindow()->MoveOrSave());
    EXPECT_TRUE(FileExists(source));
    EXPECT_TRUE(FileExists(target + "a.bmp"));
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ViewerTest, MenuAndShortcutsWakeOnlyWhenTheMenuWasOpened) {
    qaztest::WriteBmp(dir_.path() + "a.bmp", 200, 100);
    viewers_.OpenByKind(dir_.path() + "a.bmp");
    ImageWindow* image = CurrentImageWindow();
    HWND w = image->hwnd();
    HMENU menu = image->popupMenu();
    char text[64] = {};
    GetMenuStringA(menu, cmdMoveOrSave, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "画像ﾌｧｲﾙの保存\tCtrl+B");

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    HoldControl(true);
    qaztest::MessageBoxWatcher boxes("QAZ for win32");
    SendMessageA(w, WM_KEYDOWN, 'C', 0);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP)) << "Ctrl+C before the menu was opened";
    SendMessageA(w, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));  // no VPath: nothing

    SendMessageA(w, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_TRUE(GetMenuState(menu, cmdMoveOrSave, MF_BYCOMMAND) & MF_GRAYED) << "no target folder";
    EXPECT_FALSE(GetMenuState(menu, cmdCopyPicture, MF_BYCOMMAND) & MF_GRAYED);
    SendMessageA(w, WM_KEYDOWN, 'C', 0);
    HoldControl(false);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_TRUE(boxes.texts().empty());
}

// A target folder stored without its final separator, as the folder chooser
// or a hand-typed value leaves it: the file goes into that folder, not beside
// it under a joined name.
TEST_F(ViewerTest, ATargetFolderWithoutItsSeparatorTakesTheFile) {
    const std::string target = dir_.Folder("pics");
    const std::string source = dir_.path() + "a.bmp";
    qaztest::WriteBmp(source, 20, 10);
    qaztest::SetString(kRegSettings, "VPath", target);
    qaztest::SetDword(kRegSettings, "VMove", 1);
    viewers_.OpenByKind(source);
    qaztest::MessageBoxWatcher boxes("QAZ for win32");
    EXPECT_TRUE(CurrentImageWindow()->MoveOrSave());
    EXPECT_TRUE(FileExists(target + "\\a.bmp"));
    EXPECT_FALSE(FileExists(dir_.path() + "picsa.bmp"));
    EXPECT_FALSE(FileExists(source)) << "moved";
    EXPECT_TRUE(boxes.texts().empty());
}
