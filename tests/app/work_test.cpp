// The bar while an archiver works for it: a Ctrl-drop of a large folder on
// a bar in this process, packed by the real Unlha32.dll beside the test,
// with the real animation library.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "components/archivers/common/progress_window.h"
#include "tests/app/bar_fixture.h"

namespace {

using qaz::archivers::kProgressClass;

// What the test's thread sees while the drop runs; filled by Watch, a timer
// of this thread, which the archiver's message handling lets in.
struct Seen {
    HWND bar = nullptr;
    std::string secondDrop;        // a name dropped while the first drop works
    std::set<unsigned> frames;     // the icon as drawn on the screen
    HWND progress = nullptr, owner = nullptr;
    qaztest::MessageBoxWatcher* boxes = nullptr;
    bool dropped = false, cancelled = false;
    int ticks = 0;
};
Seen seen;

unsigned IconOnScreen(HWND icon) {
    HDC dc = GetDC(icon);
    unsigned sum = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) sum = sum * 31 + GetPixel(dc, x, y);
    ReleaseDC(icon, dc);
    return sum;
}

void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD) {
    ++seen.ticks;
    qaztest::HoldKeys({});
    seen.frames.insert(IconOnScreen(GetDlgItem(GetDlgItem(GetDlgItem(seen.bar, qaz::idSys), qaz::idIcon), qaz::idImgMain)));
    HWND w = FindWindowA(kProgressClass, nullptr);
    if (!w || seen.cancelled) return;
    seen.progress = w;
    seen.owner = GetWindow(w, GW_OWNER);
    if (!seen.dropped) {
        seen.dropped = true;
        PostMessageA(seen.bar, WM_DROPFILES, reinterpret_cast<WPARAM>(qaztest::MakeDrop({seen.secondDrop})), 0);
    }
    // Cancel once the refusal was said and the symbol has moved (or after a minute).
    if ((seen.frames.size() >= 3 && !seen.boxes->texts().empty()) || seen.ticks > 1200) {
        seen.cancelled = true;
        SendMessageA(GetDlgItem(w, IDCANCEL), BM_CLICK, 0, 0);
    }
}

class BarWorkTest : public BarFixture {};

TEST_F(BarWorkTest, CtrlDropOfALargeFolderAnimatesRefusesASecondDropAndCancelLeavesNoArchive) {
    qaztest::TempDir dir;
    dir.Folder("big");
    dir.Folder("small");
    std::string block(2 << 20, '\0');
    uint32_t x = 7;
    for (int f = 0; f < 16; ++f) {
        for (char& c : block) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>('a' + (x >> 27));
        }
        dir.File("big\\part" + std::to_string(10 + f) + ".dat", block);
    }
    dir.File("small\\note.txt", "one small file");
    qaztest::SetDword(qaz::kRegSettings, "PackDef", 1);
    qaztest::SetDword(qaz::kRegSettings, "DDir", 1);
    qaztest::SetDword(qaz::kRegSettings, "PackFN", 0);
    qaz::BarWindow& bar = Start();
    qaztest::MessageBoxWatcher boxes("QAZ for win32");
    seen = Seen();
    seen.bar = bar.hwnd();
    seen.boxes = &boxes;
    seen.secondDrop = dir.path() + "small\\note.txt";
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, Watch);

    qaztest::HoldKeys({VK_CONTROL});
    PostMessageA(bar.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(qaztest::MakeDrop({dir.path() + "big"})), 0);
    qaztest::PumpUntil([&] { return seen.cancelled && !bar.Working(); }, 120000);
    KillTimer(nullptr, timer);

    EXPECT_TRUE(seen.progress) << "no progress window";
    EXPECT_EQ(bar.hwnd(), seen.owner);
    EXPECT_GE(seen.frames.size(), 3u) << "the symbol did not move on the screen";
    EXPECT_EQ(std::vector<std::string>{"処理中です。終わってからもう一度どうぞ"}, boxes.texts());
    EXPECT_FALSE(bar.Animating());
    // Nothing of the cancelled archive is left, and every source is there.
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir.path() + "*").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    std::set<std::string> names;
    do names.insert(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    EXPECT_EQ((std::set<std::string>{".", "..", "big", "small"}), names);
    EXPECT_TRUE(block == qaztest::FileBytes(dir.path() + "big\\part25.dat"));

    // The bar takes drops again.
    qaztest::HoldKeys({VK_CONTROL});
    PostMessageA(bar.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(qaztest::MakeDrop({dir.path() + "small"})), 0);
    qaztest::PumpFor(200);
    qaztest::HoldKeys({});
    qaztest::PumpUntil([&] { return !bar.Working(); }, 20000);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((dir.path() + "small.lzh").c_str()));
}

}  // namespace
