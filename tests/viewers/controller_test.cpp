// The media controller: stepping, hints, the auto button, closing, playing.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/view_files.h"
#include "tests/viewers/viewer_fixture.h"
#include "viewers/image_window.h"
#include "viewers/media_controller.h"
#include "core/registry_keys.h"

using namespace qaz;

namespace {

void Click(MediaController* c, MediaControl id) {
    SendMessageA(c->hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(c->control(id)));
}


}  // namespace

TEST_F(ViewerTest, ControllerIsASmallTopmostBorderlessWindowAtItsRememberedPlace) {
    qaztest::SetDword(kRegPlay, "Left", 5000);
    qaztest::SetDword(kRegPlay, "Top", 60);
    viewers_.ShowMediaController();
    ASSERT_TRUE(viewers_.mediaWindowCreated());
    MediaController* c = CurrentMediaController();
    ASSERT_NE(c, nullptr);
    HWND w = c->hwnd();
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    EXPECT_STREQ(cls, "TJX_QAZMedia");
    EXPECT_EQ(Caption(w), "ｺﾝﾄﾛｰﾗ");
    EXPECT_EQ(ClientSize(w).cx, 117);
    EXPECT_EQ(ClientSize(w).cy, 42);
    EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongA(w, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) - 117) << "pulled inside the screen";
    EXPECT_EQ(r.top, 60);
    // The separator covers Play and Stop until a media file plays.
    EXPECT_TRUE(IsWindowVisible(c->control(idSepPanel)));
    // The window's own surface drags it.
    POINT grip = {r.left + 5, r.top + 15};
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(grip.x, grip.y)), HTCAPTION);
    // Auto on shows the lowered M face; enabled outside a command-line run.
    EXPECT_TRUE(c->autoFaceShowsManual());
    EXPECT_TRUE(IsWindowEnabled(c->control(idAutoPanel)));
}

TEST_F(ViewerTest, BackAndNextWrapAroundAndTheHintsNameTheNeighbours) {
    const std::string a = dir_.File("a.txt"), b = dir_.File("b.txt"), c3 = dir_.File("ソc.txt");
    Fill({a, b, c3});
    host_.autoLoad = false;
    viewers_.ShowListEntry(0);
    MediaController* c = CurrentMediaController();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->fileName(), "a.txt");
    EXPECT_EQ(c->autoHint(), "a.txt");
    EXPECT_EQ(c->nextHint(), "b.txt");
    EXPECT_EQ(c->backHint(), "ソc.txt");
    EXPECT_TRUE(queue_.filesPending);

    Click(c, idBack);  // from the first to the last
    EXPECT_EQ(queue_.Selected(), 2);
    EXPECT_EQ(c->fileName(), "ソc.txt");
    EXPECT_EQ(c->nextHint(), "a.txt");
    EXPECT_EQ(c->backHint(), "b.txt");
    EXPECT_FALSE(queue_.filesPending);

    Click(c, idNext);  // from the last to the first
    EXPECT_EQ(queue_.Selected(), 0);
    EXPECT_EQ(c->fileName(), "a.txt");
    EXPECT_TRUE(queue_.filesPending);
    Click(c, idNextPanel);
    EXPECT_EQ(c->fileName(), "b.txt");
    EXPECT_FALSE(host_.QueueArmed()) << "stepping by hand arms nothing";
}

TEST_F(ViewerTest, AOneEntryListReopensItsEntryAndNothingIsPending) {
    const std::string a = dir_.File("only.txt");
    Fill({a});
    host_.autoLoad = false;
    viewers_.ShowListEntry(0);
    MediaController* c = CurrentMediaController();
    for (MediaControl id : {idNext, idBack}) {
        c->SetFileName("");
        Click(c, id);
        EXPECT_EQ(queue_.Selected(), 0);
        EXPECT_EQ(c->fileName(), "only.txt");
        EXPECT_EQ(c->nextHint(), "only.txt");
        EXPECT_EQ(c->backHint(), "only.txt");
        EXPECT_FALSE(queue_.filesPending);
    }
}

TEST_F(ViewerTest, AVanishedEntryIsReportedAndTheShowingStays) {
    const std::string a = dir_.File("a.txt"), b = dir_.path() + "gone.txt";
    Fill({a, b});
    host_.autoLoad = false;
    viewers_.ShowListEntry(0);
    qaztest::MessageBoxWatcher boxes("QAZ for win32");
    Click(CurrentMediaController(), idNext);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], b + "\r\nファイルはありません");
    EXPECT_EQ(CurrentMediaController()->fileName(), "a.txt");
    EXPECT_TRUE(viewers_.mediaWindowCreated());
    EXPECT_FALSE(host_.QueueArmed());
}

TEST_F(ViewerTest, TheAutoButtonSwitchesSteppingAndItsFace) {
    Fill({dir_.File("a.txt"), dir_.File("b.txt")});
    viewers_.ShowMediaController();
    MediaController* c = CurrentMediaController();
    ASSERT_TRUE(host_.autoLoad);
    Click(c, idAuto);
    EXPECT_FALSE(host_.autoLoad);
    EXPECT_FALSE(c->autoFaceShowsManual());
    EXPECT_FALSE(host_.QueueArmed());
    EXPECT_EQ(host_.QueueDelay(), 1u);
    Click(c, idAutoPanel);
    EXPECT_TRUE(host_.autoLoad);
    EXPECT_TRUE(c->autoFaceShowsManual());
    EXPECT_TRUE(host_.QueueArmed());
    EXPECT_EQ(host_.QueueDelay(), 1u);
    // The toggle is not a setting.
    DWORD stored = 0;
    EXPECT_FALSE(qaztest::ReadDword(kRegSettings, "AutoLoadFiles", &stored));
}

TEST_F(ViewerTest, ClosingTheControllerEndsTheShowing) {
    qaztest::WriteBmp(dir_.path() + "a.bmp", 200, 100);
    Fill({dir_.path() + "a.bmp", dir_.File("b.txt")});
    viewers_.ShowMediaController();
    viewers_.ShowNextEntry();  // shows a.bmp
    ASSERT_TRUE(viewers_.imageWindowCreated());
    MediaController* c = CurrentMediaController();
    EXPECT_EQ(c->fileName(), "a.bmp");
    SetWindowPos(c->hwnd(), nullptr, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Click(c, idExit);
    EXPECT_FALSE(viewers_.mediaWindowCreated());
    EXPECT_EQ(CurrentMediaController(), nullptr);
    EXPECT_FALSE(queue_.filesPending);
    EXPECT_TRUE(host_.QueueArmed());
    EXPECT_EQ(host_.QueueDelay(), 1u);
    DWORD left = 0, top = 0;
    EXPECT_TRUE(qaztest::ReadDword(kRegPlay, "Left", &left));
    EXPECT_TRUE(qaztest::ReadDword(kRegPlay, "Top", &top));
    EXPECT_EQ(left, 70u);
    EXPECT_EQ(top, 80u);
}

TEST_F(ViewerTest, EveryKindWritesItsNameIntoTheController) {
    const std::string unknown = dir_.File("notes.xyz");
    viewers_.ShowMediaController();
    EXPECT_EQ(viewers_.OpenByKind(unknown), 1) << "Open clear: nothing, at once";
    EXPECT_EQ(CurrentMediaController()->fileName(), "notes.xyz");
    settings_.Bmp = 0;
    qaztest::WriteBmp(dir_.path() + "p.bmp", 120, 80);
    EXPECT_EQ(viewers_.OpenByKind(dir_.path() + "p.bmp"), 1) << "a zero setting still moves on";
    EXPECT_EQ(CurrentMediaController()->fileName(), "p.bmp");
}

TEST_F(ViewerTest, TheSeparatorShowsTheDesktopAsItWasWhereverTheControllerMoves) {
    // Something red on the desktop while the controller is created, gone
    // afterwards.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = CreateSolidBrush(RGB(255, 0, 0));
    wc.lpszClassName = "QAZTestRed";
    RegisterClassA(&wc);
    HWND red = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "QAZTestRed", "", WS_POPUP | WS_VISIBLE, 300, 300, 60,
                               40, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(red);
    qaztest::PumpFor(100);
    viewers_.ShowMediaController();
    DestroyWindow(red);
    MediaController* c = CurrentMediaController();
    // The separator starts 75 pixels into the window: put it over the red.
    SetWindowPos(c->hwnd(), nullptr, 300 - 75 + 5, 305, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    qaztest::PumpFor(200);
    HWND box = c->control(idSepBox);
    UpdateWindow(box);
    HDC boxDc = GetDC(box);
    const COLORREF seen = GetPixel(boxDc, 10, 10);
    ReleaseDC(box, boxDc);
    EXPECT_EQ(seen, RGB(255, 0, 0));
}
