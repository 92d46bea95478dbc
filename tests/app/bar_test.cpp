// The bar created in this process: what the settings make of it.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>

#include "base/user_paths.h"
#include "app/bar_menu.h"
#include "tests/app/bar_fixture.h"
#include "tests/support/view_files.h"
#include "core/registry_keys.h"

using namespace qaz;

namespace {

using BarTest = BarFixture;

std::string TextOf(HWND h) {
    char buf[256] = {};
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

}  // namespace

TEST_F(BarTest, EmptyRegistryGivesTheDefaultBar) {
    qaztest::ClearSettings();
    BarWindow& bar = Start();
    char cls[64] = {};
    GetClassNameA(bar.hwnd(), cls, sizeof cls);
    EXPECT_STREQ(cls, "TJX_QAZMain");
    EXPECT_EQ(TextOf(bar.hwnd()), "QAZ");
    const RECT c = ClientRect();
    EXPECT_EQ(c.right, 127);
    EXPECT_EQ(c.bottom, 21);
    const RECT w = WindowRect();
    EXPECT_EQ(w.left, 0);
    EXPECT_EQ(w.top, 0);
    EXPECT_EQ(w.right - w.left, 127) << "no border";
    EXPECT_TRUE(GetWindowLongA(bar.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongA(bar.hwnd(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));

    // The clock: "yy/mm/dd hh:mm" in a 106-pixel panel beside the icon.
    HWND clock = bar.control(idMain);
    RECT cr;
    GetWindowRect(clock, &cr);
    MapWindowPoints(HWND_DESKTOP, bar.hwnd(), reinterpret_cast<POINT*>(&cr), 2);
    EXPECT_EQ(cr.left, 21);
    EXPECT_EQ(cr.right - cr.left, 106);
    EXPECT_TRUE(std::regex_match(TextOf(clock), std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d)"))) << TextOf(clock);
    EXPECT_TRUE(bar.Timer1Enabled());
    EXPECT_FALSE(bar.QueueArmed());
    EXPECT_FALSE(bar.state().CmdLineMode);

    // The tray record: the 88-byte layout on 32-bit Windows, id 1, flags 7.
    ASSERT_TRUE(bar.tray().shown());
    const NOTIFYICONDATAA* rec = bar.tray().record();
    EXPECT_EQ(rec->cbSize, NOTIFYICONDATAA_V1_SIZE);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(rec->cbSize, 88u);
    }
    EXPECT_EQ(rec->hWnd, bar.hwnd());
    EXPECT_EQ(rec->uID, 1u);
    EXPECT_EQ(rec->uFlags, 7u);
    EXPECT_EQ(rec->uCallbackMessage, static_cast<UINT>(WM_USER + 101));
    EXPECT_STREQ(rec->szTip, "QAZ for win32");

    // The clock panel's colours: light yellow behind blue.
    HDC dc = GetDC(clock);
    const COLORREF background = GetPixel(dc, 3, 10);
    ReleaseDC(clock, dc);
    EXPECT_EQ(background, static_cast<COLORREF>(0x88FFFF));
    EXPECT_FALSE(bar.InTitleBarLayout());
}

TEST_F(BarTest, WrongTypesStillGiveAWholeBar) {
    qaztest::ClearSettings();
    RegKey key;
    ASSERT_TRUE(key.Create(kRegSettings));
    RegSetValueExA(key.get(), "ClockType", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegSetValueExA(key.get(), "Color", 0, REG_SZ, reinterpret_cast<const BYTE*>("red"), 4);
    RegKey main;
    ASSERT_TRUE(main.Create(kRegMain));
    RegSetValueExA(main.get(), "Left", 0, REG_SZ, reinterpret_cast<const BYTE*>("5"), 2);
    RegSetValueExA(main.get(), "TaskTray", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\0"), 1);
    BarWindow& bar = Start();
    EXPECT_EQ(ClientRect().right, 127);
    EXPECT_EQ(WindowRect().left, 0);
    EXPECT_TRUE(bar.tray().shown());
    EXPECT_EQ(bar.state().ClockFormat, "yy/mm/dd hh:mm");
}

TEST_F(BarTest, StartUpPullsTheBarInsideTheScreenOnEverySide) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        int left, top, placedLeft, placedTop;
    };
    const Case cases[] = {
        {5000, 3000, sw - 127, sh - 21},
        {-40, 30, 0, 30},
        {-32000, -32000, 0, 0},  // saved while minimized by an older run
        {30, -7, 30, 0},
    };
    for (const Case& c : cases) {
        qaztest::SetDword(kRegMain, "Left", static_cast<DWORD>(c.left));
        qaztest::SetDword(kRegMain, "Top", static_cast<DWORD>(c.top));
        Start();
        EXPECT_EQ(WindowRect().left, c.placedLeft) << c.left << "," << c.top;
        EXPECT_EQ(WindowRect().top, c.placedTop) << c.left << "," << c.top;
        bar_.reset();
    }
}

TEST_F(BarTest, ReloadMovesTheBarOnlyWhenTheClockFormatChanged) {
    BarWindow& bar = Start();
    const int sw = GetSystemMetrics(SM_CXSCREEN);
    // Right at the edge with the default clock.
    SetWindowPos(bar.hwnd(), nullptr, sw - 127, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    // The same format, another colour: the bar stays where it is.
    qaztest::SetDword(kRegSettings, "Color", 0xFFFFFF);
    qaztest::SetDword(kRegMain, "Left", 0);
    bar.LoadSettings(false);
    EXPECT_EQ(WindowRect().left, sw - 127) << "no move, and the stored position is not reread";

    // Date, weekday and time: 130 + 21 wide, pulled back by the growth.
    qaztest::SetDword(kRegSettings, "ClockType", 0x1111110);
    bar.LoadSettings(false);
    EXPECT_EQ(ClientRect().right, 151);
    RECT copy;
    GetWindowRect(bar.control(idBarCopy), &copy);
    EXPECT_EQ(copy.right - copy.left, 125) << "the copy progress follows the clock's width";
    EXPECT_EQ(WindowRect().left, sw - 151);
    EXPECT_TRUE(std::regex_match(TextOf(bar.control(idMain)),
                                 std::regex(R"(\d\d/\d\d/\d\d\(.+\) \d\d:\d\d)")))
        << TextOf(bar.control(idMain));

    // The bar overhangs the edge by hand: an unchanged format leaves it be.
    SetWindowPos(bar.hwnd(), nullptr, sw - 10, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    bar.LoadSettings(false);
    EXPECT_EQ(WindowRect().left, sw - 10);
}

TEST_F(BarTest, NoClockMeansIconOnlyAndNoTimerWithoutTheAnimationLibrary) {
    qaztest::LibraryAside aside(kAnimationLibrary);
    qaztest::SetDword(kRegSettings, "ClockType", 0);
    BarWindow& bar = Start();
    EXPECT_EQ(ClientRect().right, 21);
    EXPECT_FALSE(bar.Timer1Enabled()) << "qaz_ani.dll is not there to animate";
}

TEST_F(BarTest, StayOnTopOffAndNoTrayIcon) {
    qaztest::SetDword(kRegMain, "StayOnTop", 0);
    qaztest::SetDword(kRegMain, "TaskTray", 0);
    BarWindow& bar = Start();
    EXPECT_FALSE(GetWindowLongA(bar.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(bar.tray().shown());
    // Turned on by a reload, and off again.
    qaztest::SetDword(kRegMain, "TaskTray", 1);
    bar.LoadSettings(false);
    EXPECT_TRUE(bar.tray().shown());
    qaztest::SetDword(kRegMain, "TaskTray", 0);
    bar.LoadSettings(false);
    EXPECT_FALSE(bar.tray().shown());
}

TEST_F(BarTest, SaveSettingsWritesPositionLayoutAndTheMenuChoices) {
    BarWindow& bar = Start();
    SetWindowPos(bar.hwnd(), nullptr, 33, 44, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    bar.SetTitleBarLayout(true);
    bar.OnMenuCommand(cCab);  // PackDef 2
    bar.OnMenuCommand(N41);   // PathDef 4
    bar.SaveSettings();
    DWORD v = 0;
    ASSERT_TRUE(qaztest::ReadDword(kRegMain, "Left", &v));
    EXPECT_EQ(v, 33u);
    ASSERT_TRUE(qaztest::ReadDword(kRegMain, "Top", &v));
    EXPECT_EQ(v, 44u);
    ASSERT_TRUE(qaztest::ReadDword(kRegMain, "TitleBar", &v));
    EXPECT_EQ(v, 1u);
    ASSERT_TRUE(qaztest::ReadDword(kRegSettings, "PackDef", &v));
    EXPECT_EQ(v, 2u);
    ASSERT_TRUE(qaztest::ReadDword(kRegSettings, "PathDef", &v));
    EXPECT_EQ(v, 4u);
    // Nothing else of the settings is written.
    ASSERT_FALSE(qaztest::ReadDword(kRegSettings, "Bmp", &v));
}

TEST_F(BarTest, TitleBarLayoutIsRestoredAtStartUp) {
    qaztest::SetDword(kRegMain, "TitleBar", 1);
    BarWindow& bar = Start();
    EXPECT_TRUE(bar.InTitleBarLayout());
    RECT sys;
    GetWindowRect(bar.control(idSys), &sys);
    EXPECT_EQ(sys.bottom - sys.top, 12);
}

TEST_F(BarTest, CommandLineRunWithNothingToShowClosesAfterTheFirstTick) {
    // Without "Open" an unknown file is not shown at all.
    qaztest::SetDword(kRegSettings, "Open", 0);
    BarWindow& bar = Start({"C:\\nothing\\here.xyz"}, false);
    EXPECT_TRUE(bar.state().CmdLineMode);
    EXPECT_TRUE(bar.state().AutoLoadFiles);
    EXPECT_TRUE(bar.QueueArmed());
    EXPECT_EQ(bar.QueueDelay(), 1u);
    EXPECT_TRUE(qaztest::PumpUntil([&] { return bar.hwnd() == nullptr; }, 3000)) << "the bar closed itself";
    DWORD v = 0;
    EXPECT_TRUE(qaztest::ReadDword(kRegMain, "Left", &v)) << "its close saved the position";
}

TEST_F(BarTest, TheEndOfTheSessionRunsTheCloseSequence) {
    qaztest::SetDword(kRegMain, "TaskTray", 1);
    BarWindow& bar = Start();
    ASSERT_TRUE(bar.tray().shown());
    SetWindowPos(bar.hwnd(), nullptr, 55, 66, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    DWORD v = 0;
    EXPECT_NE(SendMessageA(bar.hwnd(), WM_QUERYENDSESSION, 0, 0), 0) << "the session may end";
    SendMessageA(bar.hwnd(), WM_ENDSESSION, FALSE, 0);  // another program cancelled it
    EXPECT_FALSE(qaztest::ReadDword(kRegMain, "Left", &v)) << "nothing runs while the session goes on";
    ASSERT_TRUE(bar.tray().shown());

    SendMessageA(bar.hwnd(), WM_ENDSESSION, TRUE, 0);
    ASSERT_TRUE(qaztest::ReadDword(kRegMain, "Left", &v));
    EXPECT_EQ(v, 55u);
    ASSERT_TRUE(qaztest::ReadDword(kRegMain, "Top", &v));
    EXPECT_EQ(v, 66u);
    EXPECT_TRUE(qaztest::ReadDword(kRegSettings, "PackDef", &v));
    EXPECT_FALSE(bar.tray().shown()) << "the tray icon is removed";
    EXPECT_EQ(bar.hwnd(), nullptr) << "the bar is gone";
}

// Drops three pictures on the bar, which queues them and arms its queue.
std::vector<std::string> DropPictures(BarWindow& bar, const qaztest::TempDir& dir) {
    std::vector<std::string> paths;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        paths.push_back(dir.path() + name);
        qaztest::WriteBmp(paths.back(), 40, 30);
    }
    SendMessageA(bar.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(qaztest::MakeDrop(paths)), 0);
    return paths;
}

void TickQueue(BarWindow& bar) { SendMessageA(bar.hwnd(), WM_TIMER, Timer2, 0); }

TEST_F(BarTest, QueueShowsEachEntryThenResets) {
    BarWindow& bar = Start();
    qaztest::TempDir dir;
    const auto paths = DropPictures(bar, dir);  // its queue's own tick is not pumped here
    CreateDirectoryA(WorkFolderPath().c_str(), nullptr);
    const auto shown = [&] { return bar.viewers().image().currentPath(); };

    TickQueue(bar);
    EXPECT_EQ(shown(), paths[0]);
    EXPECT_TRUE(bar.QueueArmed());
    EXPECT_EQ(bar.QueueDelay(), 3000u) << "Bmp seconds";
    TickQueue(bar);
    EXPECT_EQ(shown(), paths[1]);
    TickQueue(bar);
    EXPECT_EQ(shown(), paths[2]);
    EXPECT_FALSE(bar.queue().filesPending);
    TickQueue(bar);
    EXPECT_EQ(bar.queue().Count(), 0);
    EXPECT_FALSE(bar.QueueArmed());
    EXPECT_FALSE(bar.viewers().imageWindowCreated());
    EXPECT_EQ(GetFileAttributesA(WorkFolderPath().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(bar.hwnd(), nullptr) << "an ordinary bar stays";
}

TEST_F(BarTest, QueueRunsOnItsOwnTimerAtTheDelaysTheEntriesAsk) {
    qaztest::SetDword(kRegSettings, "Bmp", 1);  // each picture stays a second
    BarWindow& bar = Start();
    qaztest::TempDir dir;
    const DWORD start = GetTickCount();
    DropPictures(bar, dir);
    ASSERT_TRUE(bar.QueueArmed());
    EXPECT_LT(bar.QueueDelay(), 100u) << "the first entry at once";
    std::vector<DWORD> at;
    std::string last;
    ASSERT_TRUE(qaztest::PumpUntil(
        [&] {
            const std::string now = bar.viewers().image().currentPath();
            if (!now.empty() && now != last) {
                at.push_back(GetTickCount() - start);
                last = now;
            }
            return bar.queue().Count() == 0;
        },
        qaztest::kPatience));
    const DWORD reset = GetTickCount() - start;
    ASSERT_EQ(at.size(), 3u);
    // A timer never fires early: each entry stays at least its second.
    EXPECT_GE(at[1] - at[0], 950u);
    EXPECT_GE(at[2] - at[1], 950u);
    EXPECT_GE(reset - at[2], 950u) << "the last entry stays its time too";
}

TEST_F(BarTest, TrayLeftClickBringsTheBarToTheFront) {
    BarWindow& bar = Start();
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 300, 300, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    const auto inFront = [](HWND w) { return qaztest::PumpUntil([w] { return GetForegroundWindow() == w; }); };
    SetForegroundWindow(other);
    ASSERT_TRUE(inFront(other));
    SendMessageA(bar.hwnd(), WM_USER + 101, 1, WM_LBUTTONDOWN);
    EXPECT_TRUE(inFront(bar.hwnd()));
    // Other codes do nothing: the other window stays in front.
    SetForegroundWindow(other);
    ASSERT_TRUE(inFront(other));
    SendMessageA(bar.hwnd(), WM_USER + 101, 1, WM_MOUSEMOVE);
    qaztest::PumpFor(100);
    EXPECT_EQ(GetForegroundWindow(), other);
    DestroyWindow(other);
}

TEST_F(BarTest, ClosingTheControllerEndsTheShowingAndClosesThePicture) {
    BarWindow& bar = Start();
    qaztest::TempDir dir;
    DropPictures(bar, dir);
    TickQueue(bar);
    ASSERT_TRUE(bar.viewers().imageWindowCreated());
    MediaController& c = bar.viewers().controller();
    SendMessageA(c.hwnd(), WM_COMMAND, MAKEWPARAM(idExit, BN_CLICKED), 0);
    EXPECT_TRUE(qaztest::PumpUntil([&] { return !bar.viewers().imageWindowCreated(); }, 2000));
    EXPECT_EQ(bar.queue().Count(), 0);
    EXPECT_FALSE(bar.viewers().mediaWindowCreated());
}

TEST_F(BarTest, TheBarClosingTheControllerArmsNoStrayStep) {
    BarWindow& bar = Start();
    qaztest::TempDir dir;
    DropPictures(bar, dir);
    ASSERT_TRUE(bar.viewers().mediaWindowCreated());
    ASSERT_TRUE(bar.QueueArmed());
    bar.ResetQueue();
    EXPECT_FALSE(bar.viewers().mediaWindowCreated());
    EXPECT_FALSE(bar.QueueArmed());
}
