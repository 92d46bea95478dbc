// The bar while an archiver works for it: a Ctrl-drop of a large folder on
// a bar in this process, packed by the real Unlha32.dll beside the test,
// with the real animation library.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstring>
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
    bool cancelled = false;
};
Seen seen;

// The icon's pixels as the screen shows them.
unsigned IconOnScreen(HWND icon) {
    RECT r;
    GetWindowRect(icon, &r);
    HDC dc = GetDC(nullptr);
    unsigned sum = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) sum = sum * 31 + GetPixel(dc, r.left + x, r.top + y);
    ReleaseDC(nullptr, dc);
    return sum;
}

void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD) {
    qaztest::HoldKeys({});
    HWND w = FindWindowA(kProgressClass, nullptr);
    if (!w || seen.cancelled) return;
    // Cancel, and drop again while the packing is still on the way out: the
    // drop comes from within the work, whatever the machine's speed.
    seen.cancelled = true;
    SendMessageA(GetDlgItem(w, IDCANCEL), BM_CLICK, 0, 0);
    SendMessageA(seen.bar, WM_DROPFILES, reinterpret_cast<WPARAM>(qaztest::MakeDrop({seen.secondDrop})), 0);
}

// The names in a folder.
std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.insert(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

class BarWorkTest : public BarFixture {
protected:
    // A folder "big" of 48 MB to pack (LZH, beside it, named after it), and
    // a folder "small"; returns the last file written to big.
    std::string MakeFolders() {
        dir_.Folder("big");
        dir_.Folder("small");
        std::string block(2 << 20, '\0');
        uint32_t x = 7;
        for (int f = 0; f < 24; ++f) {
            for (char& c : block) {
                x = x * 1103515245u + 12345u;
                c = static_cast<char>('a' + (x >> 27));
            }
            dir_.File("big\\part" + std::to_string(10 + f) + ".dat", block);
        }
        dir_.File("small\\note.txt", "one small file");
        qaztest::SetDword(qaz::kRegSettings, "PackDef", 1);
        qaztest::SetDword(qaz::kRegSettings, "DDir", 1);
        qaztest::SetDword(qaz::kRegSettings, "PackFN", 0);
        return block;
    }
    qaztest::TempDir dir_;
};

// (The progress window over the bar and the moving symbol are checked on
// qaz.exe itself below.)
TEST_F(BarWorkTest, ASecondDropWhilePackingIsRefusedAndTakenAgainAfterTheCancel) {
    qaztest::TempDir& dir = dir_;
    const std::string block = MakeFolders();
    qaz::BarWindow& bar = Start();
    qaztest::MessageBoxWatcher boxes("QAZ for win32");
    seen = Seen();
    seen.bar = bar.hwnd();
    seen.secondDrop = dir.path() + "small\\note.txt";
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, Watch);

    qaztest::HoldKeys({VK_CONTROL});
    PostMessageA(bar.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(qaztest::MakeDrop({dir.path() + "big"})), 0);
    qaztest::PumpUntil([&] { return seen.cancelled && !bar.Working(); }, 120000);
    KillTimer(nullptr, timer);

    EXPECT_TRUE(seen.cancelled) << "no progress window";
    EXPECT_EQ(std::vector<std::string>{"処理中です。終わってからもう一度どうぞ"}, boxes.texts());
    EXPECT_FALSE(bar.Animating());
    // The refused drop changed nothing: no archive, every source there.
    EXPECT_EQ((std::set<std::string>{".", "..", "big", "small"}), Names(dir.path()));
    EXPECT_TRUE(block == qaztest::FileBytes(dir.path() + "big\\part33.dat"));

    // The bar takes drops again.
    qaztest::HoldKeys({VK_CONTROL});
    PostMessageA(bar.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(qaztest::MakeDrop({dir.path() + "small"})), 0);
    qaztest::PumpFor(200);
    qaztest::HoldKeys({});
    qaztest::PumpUntil([&] { return !bar.Working(); }, 20000);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((dir.path() + "small.lzh").c_str()));
}

}  // namespace

namespace {

// A shell drop of the names in another process: the drop block written
// into its memory, and the held keys shared by joining its input.
void DropInto(HANDLE process, HWND target, const std::string& name, std::initializer_list<int> keys) {
    std::string block(sizeof(DROPFILES), '\0');
    DROPFILES head = {};
    head.pFiles = sizeof head;
    memcpy(&block[0], &head, sizeof head);
    block += name + '\0' + '\0';
    void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(remote);
    ASSERT_TRUE(WriteProcessMemory(process, remote, block.data(), block.size(), nullptr));
    const DWORD thread = GetWindowThreadProcessId(target, nullptr);
    ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), thread, TRUE));
    qaztest::HoldKeys(keys);
    PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}

// qaz.exe itself, its bar given a Ctrl-drop of a large folder from outside:
// it packs, shows the progress window over its bar and animates its
// symbol; cancel leaves no archive.
TEST_F(BarWorkTest, QazCtrlDropPacksWithProgressAndCancelLeavesNoArchive) {
    MakeFolders();
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = "\"" + qaztest::ExeFolder() + "qaz.exe\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir_.path().c_str(), &si, &pi));
    WaitForInputIdle(pi.hProcess, 30000);
    HWND bar = nullptr;
    qaztest::PumpUntil([&] { return (bar = FindWindowA(qaz::kBarClass, qaz::kBarTitle)) != nullptr; }, 30000);
    ASSERT_TRUE(bar);
    DropInto(pi.hProcess, bar, dir_.path() + "big", {VK_CONTROL});
    HWND progress = nullptr;
    qaztest::PumpUntil([&] { return (progress = FindWindowA(kProgressClass, nullptr)) != nullptr; }, 60000);
    qaztest::HoldKeys({});
    AttachThreadInput(GetCurrentThreadId(), GetWindowThreadProcessId(bar, nullptr), FALSE);
    EXPECT_TRUE(progress) << "no progress window";
    EXPECT_EQ(bar, GetWindow(progress, GW_OWNER));
    HWND icon = GetDlgItem(GetDlgItem(GetDlgItem(bar, qaz::idSys), qaz::idIcon), qaz::idImgMain);
    std::set<unsigned> frames;
    qaztest::PumpUntil([&] {
        frames.insert(IconOnScreen(icon));
        return frames.size() >= 3;
    }, 1500);
    EXPECT_GE(frames.size(), 3u) << "the symbol did not move on the screen";
    if (progress) SendMessageA(GetDlgItem(progress, IDCANCEL), BM_CLICK, 0, 0);
    qaztest::PumpUntil([&] { return !FindWindowA(kProgressClass, nullptr); }, 60000);
    PostMessageA(bar, WM_CLOSE, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 60000));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ((std::set<std::string>{".", "..", "big", "small"}), Names(dir_.path()));
    EXPECT_EQ(26u, Names(dir_.path() + "big\\").size());
}

}  // namespace
