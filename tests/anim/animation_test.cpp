// qaz_ani.dll on the real bar: the frames drawn into the icon, the resting
// face on unloading, the end when the bar is gone.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "anim/ani_window.h"
#include "core/symbol.h"
#include "base/ui/panel.h"
#include "tests/app/bar_fixture.h"

using namespace qaz;

namespace {

using IconPixels = std::array<COLORREF, 256>;

IconPixels Capture(HDC dc) {
    IconPixels p;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) p[y * 16 + x] = GetPixel(dc, x, y);
    return p;
}

// The nine frames as the library carries them.
std::vector<IconPixels> LoadFrames() {
    std::vector<IconPixels> frames;
    HMODULE data = LoadLibraryExA("qaz_ani.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(data, nullptr);
    if (!data) return frames;
    HDC dc = CreateCompatibleDC(nullptr);
    for (int i = 1; i <= 9; ++i) {
        const std::string name = "BITMAP_" + std::to_string(i);
        auto bmp = static_cast<HBITMAP>(LoadImageA(data, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        EXPECT_NE(bmp, nullptr) << name;
        if (!bmp) continue;
        DIBSECTION ds = {};
        GetObjectA(bmp, sizeof ds, &ds);
        EXPECT_EQ(ds.dsBm.bmWidth, 16) << name;
        EXPECT_EQ(ds.dsBm.bmHeight, 16) << name;
        EXPECT_EQ(ds.dsBmih.biBitCount, 8) << name << ": 256 colours";
        EXPECT_EQ(ds.dsBmih.biCompression, static_cast<DWORD>(BI_RGB)) << name;
        HGDIOBJ old = SelectObject(dc, bmp);
        frames.push_back(Capture(dc));
        SelectObject(dc, old);
        DeleteObject(bmp);
    }
    DeleteDC(dc);
    FreeLibrary(data);
    return frames;
}

class AnimationTest : public BarFixture {
protected:
    void SetUp() override {
        BarFixture::SetUp();
        if (frames_.empty()) frames_ = LoadFrames();
        ASSERT_EQ(frames_.size(), 9u);
    }
    HDC Surface() const { return ui::PictureSurface(bar_->control(idImgMain)); }
    // The frame (1 to 9) the icon shows, 0 for none of them.
    int Shown() const {
        const IconPixels now = Capture(Surface());
        for (size_t i = 0; i < frames_.size(); ++i)
            if (frames_[i] == now) return static_cast<int>(i) + 1;
        return 0;
    }
    static HWND AniWindow() { return FindWindowA(anim::kAniClass, nullptr); }
    // One tick of the animation's timer, as the message loop would deliver it.
    static void Tick() { SendMessageA(AniWindow(), WM_TIMER, anim::kTimerId, 0); }
    static bool QuitRequested() {
        MSG msg;
        return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
    }
    static std::vector<IconPixels> frames_;
};

std::vector<IconPixels> AnimationTest::frames_;

}  // namespace

TEST_F(AnimationTest, NineDifferentFramesTheFirstBeingTheBarsRestingFace) {
    for (size_t i = 0; i < frames_.size(); ++i)
        for (size_t j = i + 1; j < frames_.size(); ++j) EXPECT_NE(frames_[i], frames_[j]) << i + 1 << " " << j + 1;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(frames_[0][y * 16 + x], SymbolPixel(x, y)) << x << "," << y;
}

TEST_F(AnimationTest, TicksDrawTheFramesInOrderAndStoppingShowsTheRestingFace) {
    struct Case {
        int ticks;
        std::vector<int> lastFrames;  // the frames of the last ticks
    };
    const Case cases[] = {
        {3, {1, 2, 3}},
        {10, {8, 9, 5}},           // after nine comes five
        {9, {7, 8, 9}},            // stopped right after the last frame
        {15, {3, 2, 1, 2}},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ticks);
        bar_->StartAnimation();
        HWND ani = AniWindow();
        ASSERT_NE(ani, nullptr);
        EXPECT_FALSE(IsWindowVisible(ani));
        std::vector<int> shown;
        for (int i = 0; i < c.ticks; ++i) {
            Tick();
            shown.push_back(Shown());
        }
        EXPECT_EQ(std::vector<int>(shown.end() - c.lastFrames.size(), shown.end()), c.lastFrames);
        bar_->StopAnimation();
        EXPECT_FALSE(IsWindow(ani));
        EXPECT_EQ(Shown(), 1) << "unloading draws the resting face back";
        EXPECT_FALSE(QuitRequested());
    }
}

TEST_F(AnimationTest, ItsOwnTimerDrivesItAndTheIconOnScreenFollows) {
    Start();
    bar_->StartAnimation();
    std::vector<int> seen;
    qaztest::PumpUntil([&] {
        const int now = Shown();
        if (seen.empty() || seen.back() != now) seen.push_back(now);
        return now >= 4;
    }, 5000);
    ASSERT_FALSE(seen.empty());
    EXPECT_GE(seen.back(), 4) << "four frames within five seconds of 100 ms ticks";
    for (size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]) << "frames go forward from the start";
    // The bar repaints the icon: the screen shows what the surface holds.
    HWND img = bar_->control(idImgMain);
    UpdateWindow(bar_->hwnd());
    RedrawWindow(img, nullptr, nullptr, RDW_UPDATENOW);
    HDC screen = GetDC(img);
    const IconPixels onScreen = Capture(screen);
    ReleaseDC(img, screen);
    EXPECT_EQ(onScreen, Capture(Surface()));
    bar_->StopAnimation();
}

TEST_F(AnimationTest, ABarThatIsNotOursEndsTheAnimationAtTheNextTick) {
    struct Case {
        const char* what;
        void (*change)(HWND bar);
    };
    const Case cases[] = {
        {"another title", [](HWND bar) { SetWindowTextA(bar, "QAZ "); }},
        {"a longer title", [](HWND bar) { SetWindowTextA(bar, "QAZ for win32"); }},
        {"bar closed", [](HWND bar) { DestroyWindow(bar); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start();
        bar_->StartAnimation();
        Tick();
        Tick();
        ASSERT_EQ(Shown(), 2);
        HWND ani = AniWindow();
        c.change(bar_->hwnd());
        Tick();
        EXPECT_FALSE(IsWindow(ani)) << "the animation window is gone";
        if (IsWindow(bar_->hwnd())) {
            EXPECT_EQ(Shown(), 2) << "nothing more is drawn";
            SetWindowTextA(bar_->hwnd(), "QAZ");
        }
        EXPECT_FALSE(QuitRequested()) << "the program's message loop goes on";
        bar_->StopAnimation();  // unloading after the end is harmless
        if (IsWindow(bar_->hwnd())) {
            EXPECT_EQ(Shown(), 2);
        }
        bar_.reset();
    }
}
