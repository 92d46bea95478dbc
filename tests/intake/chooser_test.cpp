// The function chooser: its placement on the screen, its captions, which
// label a point falls on and what each label answers; then the window
// itself, opened by an Alt-drop and worked as the user works it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "intake/action.h"
#include "intake/chooser_layout.h"
#include "intake/function_chooser.h"
#include "tests/support/chooser_mouse.h"
#include "tests/support/fake_host.h"
#include "tests/support/test_env.h"

namespace {

using namespace qaz;

TEST(FunctionChooserTest, OpensBesideTheBarAndStaysOnTheScreen) {
    struct {
        int barLeft, barTop;
        LONG x, y;
    } const cases[] = {
        {100, 50, 123, 71},    // below and right of the icon
        {1000, 50, 1024 - 170, 71},  // moved left from the right edge
        {100, 700, 123, 768 - 180},  // moved up from the bottom edge
        {1010, 760, 1024 - 170, 768 - 180},  // the bottom-right corner
    };
    for (const auto& c : cases) {
        const POINT p = ChooserPlace(c.barLeft, c.barTop, 170, 180, 1024, 768);
        EXPECT_EQ(p.x, c.x) << c.barLeft;
        EXPECT_EQ(p.y, c.y) << c.barTop;
    }
}

TEST(FunctionChooserTest, CaptionsKeepTheirLeadingBlanks) {
    EXPECT_STREQ(kChooserLabels[0].caption, "  表示");
    for (int i = 1; i < kChooserLabelCount; ++i)
        EXPECT_EQ(std::string(kChooserLabels[i].caption).compare(0, 2, "\x81\x40"), 0) << i;  // U+3000
    EXPECT_STREQ(kChooserLabels[5].caption, "　FTPで送信");
}

TEST(FunctionChooserTest, PointsFallOnLabelsNotOnSeparators) {
    struct {
        int x, y;
        int label;
        int action;
    } const cases[] = {
        {40, 4, 0, actView}, {40, 19, 0, actView}, {40, 20, -1, 0}, {40, 28, 1, actArchive},
        {40, 59, 2, actArchive | actRename}, {40, 61, -1, 0}, {40, 70, 3, actSfx},
        {0, 99, 4, actSfx | actRename}, {160, 110, 5, actFtp}, {161, 110, -1, 0}, {40, 125, -1, 0},
        {40, 147, 6, actCancel}, {40, 148, -1, 0}, {-1, 30, -1, 0},
    };
    for (const auto& c : cases) {
        const int label = ChooserLabelAt(c.x, c.y);
        EXPECT_EQ(label, c.label) << c.x << "," << c.y;
        if (label >= 0) {
            EXPECT_EQ(kChooserLabels[label].result, c.action) << c.x << "," << c.y;
        }
    }
}

// One row per label, top to bottom, and the close box.
struct LabelRow {
    const char* caption;  // nullptr: the close box
    int top;
    int action;
    int awayY;  // a point off every label (a separator or a gap) to move on to
};
const LabelRow kRows[] = {
    {"  表示", 4, actView, 21},
    {"　書庫作成（通常）", 28, actArchive, 21},
    {"　書庫作成（ﾘﾈｰﾑ）", 44, 0x11, 61},
    {"　自己解凍書庫作成（通常）", 68, actSfx, 64},
    {"　自己解凍書庫作成（ﾘﾈｰﾑ）", 84, 0x12, 101},
    {"　FTPで送信", 108, actFtp, 125},
    {"　ｷｬﾝｾﾙ", 132, actCancel, 149},
    {nullptr, 0, actCancel, 0},
};
constexpr int kLabels = 7;

// How the chooser has a label painted: '#' lit (highlight text on the
// highlight colour), '.' normal (window text on the button face), '?' else.
char Paint(HWND chooser, HWND label) {
    HDC dc = CreateCompatibleDC(nullptr);
    const HBRUSH brush = reinterpret_cast<HBRUSH>(
        SendMessageA(chooser, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
    const COLORREF text = GetTextColor(dc), back = GetBkColor(dc);
    DeleteDC(dc);
    if (text == GetSysColor(COLOR_HIGHLIGHTTEXT) && back == GetSysColor(COLOR_HIGHLIGHT) &&
        brush == GetSysColorBrush(COLOR_HIGHLIGHT))
        return '#';
    if (text == GetSysColor(COLOR_WINDOWTEXT) && back == GetSysColor(COLOR_BTNFACE) &&
        brush == GetSysColorBrush(COLOR_BTNFACE))
        return '.';
    return '?';
}

std::string Lit(int label) {
    std::string pattern(kLabels, '.');
    if (label >= 0) pattern[static_cast<size_t>(label)] = '#';
    return pattern;
}

class ChooserWindowTest : public ::testing::Test {
protected:
    void SetUp() override { qaztest::HoldKeys({}); }
    void TearDown() override { qaztest::HoldKeys({}); }
    // Decides a drop's action with Alt held while the script works the
    // chooser from another thread. The chooser must go by itself when the
    // script clicks or closes it; one left open is closed after a while, so
    // that no test waits for ever.
    int AltChoice(const std::function<void(HWND chooser)>& script) {
        bool leftOpen = false;
        std::thread user([&] {
            HWND chooser = qaztest::WaitForVisible(kChooserClass);
            if (!chooser) return;
            // The chooser's own loop takes messages (the pointer is parked
            // away from it, so no move of the real mouse is on its way).
            SendMessageTimeoutA(chooser, WM_NULL, 0, 0, SMTO_NORMAL, qaztest::kPatience, nullptr);
            script(chooser);
            leftOpen = !qaztest::WaitUntil([&] { return !IsWindow(chooser); });
            if (leftOpen) PostMessageA(chooser, WM_CLOSE, 0, 0);
        });
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        qaztest::HoldKeys({VK_MENU});
        const int action = ChooseAction(bench_.context);
        qaztest::HoldKeys({});
        user.join();
        EXPECT_FALSE(leftOpen) << "the chooser stayed open";
        return action;
    }
    std::string Pattern(HWND chooser) {
        std::string pattern;
        for (int i = 0; i < kLabels; ++i) pattern += Paint(chooser, qaztest::ChooserLabel(chooser, kRows[i].caption));
        return pattern;
    }
    qaztest::Bench bench_;
};

TEST_F(ChooserWindowTest, EachLabelAnswersItsActionAndTheCloseBoxCancels) {
    for (const auto& row : kRows) {
        const std::string name = row.caption ? row.caption : "close box";
        std::string place = "none";
        const int action = AltChoice([&](HWND chooser) {
            if (!row.caption) {
                PostMessageA(chooser, WM_SYSCOMMAND, SC_CLOSE, 0);
                return;
            }
            HWND label = qaztest::ChooserLabel(chooser, row.caption);
            if (!label) return;
            const RECT r = qaztest::ChildRect(chooser, label);
            place = std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) +
                    "x" + std::to_string(r.bottom - r.top);
            qaztest::MouseClick(chooser, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        });
        EXPECT_EQ(action, row.action) << name;
        if (row.caption) {
            EXPECT_EQ(place, "0," + std::to_string(row.top) + " 161x16") << name;
        }
    }
}

TEST_F(ChooserWindowTest, HoverLightsTheLabelUnderTheMouseAndLeavingKeepsIt) {
    std::vector<std::string> over, away;
    std::string before;
    const int action = AltChoice([&](HWND chooser) {
        before = Pattern(chooser);
        for (int i = 0; i < kLabels; ++i) {
            const RECT r = qaztest::ChildRect(chooser, qaztest::ChooserLabel(chooser, kRows[i].caption));
            qaztest::MouseMove(chooser, 80, (r.top + r.bottom) / 2);
            over.push_back(Pattern(chooser));
            qaztest::MouseMove(chooser, 80, kRows[i].awayY);
            qaztest::MouseMove(chooser, 161, (r.top + r.bottom) / 2);  // right of the labels
            away.push_back(Pattern(chooser));
        }
        PostMessageA(chooser, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(action, actCancel);
    EXPECT_EQ(before, Lit(-1));
    ASSERT_EQ(over.size(), static_cast<size_t>(kLabels));
    for (int i = 0; i < kLabels; ++i) {
        EXPECT_EQ(over[static_cast<size_t>(i)], Lit(i)) << kRows[i].caption;
        EXPECT_EQ(away[static_cast<size_t>(i)], Lit(i)) << kRows[i].caption;
    }
}

TEST_F(ChooserWindowTest, OpensBelowTheBarIconAndStaysOnTheScreen) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    struct {
        int barLeft, barTop;
        bool right, bottom;  // expected against the screen's right or bottom edge
    } const cases[] = {
        {100, 50, false, false},
        {screenWidth - 30, 50, true, false},
        {100, screenHeight - 21, false, true},
        {screenWidth - 10, screenHeight - 10, true, true},  // the bottom-right corner
    };
    for (const auto& c : cases) {
        SetWindowPos(bench_.host.OwnerWindow(), nullptr, c.barLeft, c.barTop, 200, 21, SWP_NOZORDER | SWP_NOACTIVATE);
        RECT window = {}, client = {};
        std::string caption;
        LONG_PTR exStyle = 0;
        EXPECT_EQ(AltChoice([&](HWND chooser) {
                      GetWindowRect(chooser, &window);
                      GetClientRect(chooser, &client);
                      char text[64] = {};
                      GetWindowTextA(chooser, text, sizeof text);
                      caption = text;
                      exStyle = GetWindowLongPtrA(chooser, GWL_EXSTYLE);
                      PostMessageA(chooser, WM_SYSCOMMAND, SC_CLOSE, 0);
                  }),
                  actCancel);
        const int width = window.right - window.left, height = window.bottom - window.top;
        EXPECT_EQ(window.left, c.right ? screenWidth - width : c.barLeft + 23) << c.barLeft << "," << c.barTop;
        EXPECT_EQ(window.top, c.bottom ? screenHeight - height : c.barTop + 21) << c.barLeft << "," << c.barTop;
        EXPECT_EQ(client.right, 162);
        EXPECT_EQ(client.bottom, 150);
        EXPECT_EQ(caption, "QAZ - 機能選択");
        EXPECT_TRUE((exStyle & WS_EX_TOPMOST) && (exStyle & WS_EX_TOOLWINDOW)) << std::hex << exStyle;
    }
}

}  // namespace
