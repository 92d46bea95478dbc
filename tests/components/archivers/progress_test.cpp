// A long command of our archiver libraries as the bar runs it: the progress
// window appears after half a second, owned by the caller's window, its bar
// moves, the caller's messages keep coming, and cancel stops the command
// cleanly. The libraries are bound by name as the program binds them.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_progress.h"
#include "components/archivers/common/progress_window.h"
#include "tests/components/archivers/archiver_library.h"
#include "tests/support/test_env.h"

namespace {

using namespace qaz::archivers;
using CommandFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using RunningFn = BOOL(WINAPI*)();

// What the caller's thread sees while a command runs; filled by Watch, a
// timer of the calling thread that the library's message handling lets in.
struct Seen {
    int ticks = 0;
    HWND window = nullptr;          // the progress window, once it was there
    HWND owner = nullptr;           // its owner
    std::vector<int> positions;     // of its bar, as they changed
    bool running = false;           // GetRunning during the command
    int second = 0;                 // result of a second command meanwhile
    int cancelAt = -1;              // press cancel once the bar moved and passed this (-1: never)
    bool cancelled = false;
    DWORD firstSeen = 0;            // when the window was first there
    CommandFn command = nullptr;
    RunningFn isRunning = nullptr;
};
Seen seen;

// Clicks that reached the caller's windows, by window.
HWND clickable[2];
int clicks[2];
LRESULT CALLBACK CountClicks(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    for (int i = 0; i < 2; ++i)
        if (msg == WM_LBUTTONDOWN && hwnd == clickable[i]) ++clicks[i];
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD) {
    ++seen.ticks;
    if (seen.isRunning) seen.running = seen.running || (seen.isRunning() & 0xFF);
    if (seen.ticks == 1) {  // one click for the caller's window, one for another of its windows
        for (HWND w : clickable) PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    }
    if (seen.ticks == 1 && seen.command) {
        char out[64];
        seen.second = seen.command(nullptr, "xvfo nothing.tgz", out, sizeof out);
    }
    HWND w = FindWindowA(kProgressClass, nullptr);
    if (!w) return;
    seen.window = w;
    seen.owner = GetWindow(w, GW_OWNER);
    const int pos = static_cast<int>(SendDlgItemMessageA(w, idProgressBar, PBM_GETPOS, 0, 0));
    if (seen.positions.empty() || seen.positions.back() != pos) seen.positions.push_back(pos);
    // QAZ_SHOW_MS holds the cancel back that long after the window came, for screenshots.
    char hold[16] = {};
    if (!seen.firstSeen) seen.firstSeen = GetTickCount();
    if (GetEnvironmentVariableA("QAZ_SHOW_MS", hold, sizeof hold) &&
        GetTickCount() - seen.firstSeen < static_cast<DWORD>(std::atoi(hold)))
        return;
    if (seen.cancelAt >= 0 && pos > seen.cancelAt && seen.positions.size() >= 2 && !seen.cancelled) {
        seen.cancelled = true;
        SendMessageA(GetDlgItem(w, IDCANCEL), BM_CLICK, 0, 0);
    }
}

// Counts the progress windows created on this thread.
int created = 0;
LRESULT CALLBACK CountCreations(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        char cls[64] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls);
        if (lstrcmpA(cls, kProgressClass) == 0) ++created;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

using qaztest::Walk;

class ProgressTest : public ::testing::Test {
protected:
    static constexpr unsigned kSmall = 1500, kFiles = 32 + kSmall;
    // One tree of about 64 MB, and its .tgz made by Tar32.dll, for the suite.
    static void SetUpTestSuite() {
        dir_ = new qaztest::TempDir;
        tree_ = dir_->path() + "tree\\";
        CreateDirectoryA(tree_.c_str(), nullptr);
        CreateDirectoryA((tree_ + "small").c_str(), nullptr);
        std::string block(2 << 20, '\0');
        uint32_t x = 1;
        for (int f = 0; f < 32; ++f) {
            for (char& c : block) {
                x = x * 1103515245u + 12345u;
                c = static_cast<char>('a' + (x >> 27));  // 32 letters: packs to about two thirds
            }
            dir_->File("tree\\big" + std::to_string(100 + f) + ".bin", block);
        }
        // Many small files too: their count, not their bytes, makes the command last.
        for (unsigned f = 0; f < kSmall; ++f)
            dir_->File("tree\\small\\s" + std::to_string(1000 + f) + ".txt", block.substr(f, 1500));
        SetCurrentDirectoryA(dir_->path().c_str());
        tgz_ = dir_->path() + "big.tgz";
        Library tar("Tar32.dll", "Tar");
        char out[577];
        ASSERT_EQ(0, tar.command(nullptr, ("cvfz1 \"" + tgz_ + "\" tree").c_str(), out, sizeof out));
        // The same tree as a plain tar, whose files take their names as they
        // are written (a .tar.gz's wait for its check value, and rename them
        // all at its end, where a cancel has nothing left to stop).
        tar_ = dir_->path() + "big.tar";
        ASSERT_EQ(0, tar.command(nullptr, ("cvf \"" + tar_ + "\" tree").c_str(), out, sizeof out));
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    void SetUp() override {
        seen = Seen();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = CountClicks;
        wc.lpszClassName = "QazProgressTestCaller";
        RegisterClassA(&wc);
        owner_ = CreateWindowExA(0, wc.lpszClassName, "caller", WS_POPUP | WS_VISIBLE, 0, 0, 80, 20, nullptr, nullptr,
                                 nullptr, nullptr);
        other_ = CreateWindowExA(0, wc.lpszClassName, "other", WS_POPUP | WS_VISIBLE, 0, 40, 80, 20, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_TRUE(owner_ && other_);
        clickable[0] = owner_;
        clickable[1] = other_;
        clicks[0] = clicks[1] = 0;
        timer_ = SetTimer(nullptr, 0, 50, Watch);
    }
    void TearDown() override {
        KillTimer(nullptr, timer_);
        DestroyWindow(owner_);
        DestroyWindow(other_);
    }

    struct Library {
        HMODULE module;
        CommandFn command;
        RunningFn running;
        Library(const char* file, const std::string& prefix) {
            module = LoadLibraryA((qaztest::ExeFolder() + file).c_str());
            command = reinterpret_cast<CommandFn>(GetProcAddress(module, prefix.c_str()));
            running = reinterpret_cast<RunningFn>(GetProcAddress(module, (prefix + "GetRunning").c_str()));
        }
        ~Library() { FreeLibrary(module); }
    };

    int Run(Library& lib, HWND window, const std::string& line, std::string* report = nullptr) {
        char out[4096] = {};
        const int r = lib.command(window, line.c_str(), out, sizeof out);
        if (report) *report = out;
        return r;
    }

    static qaztest::TempDir* dir_;
    static std::string tree_, tgz_, tar_;
    HWND owner_ = nullptr, other_ = nullptr;
    UINT_PTR timer_ = 0;
};
qaztest::TempDir* ProgressTest::dir_;
std::string ProgressTest::tree_, ProgressTest::tgz_, ProgressTest::tar_;

TEST_F(ProgressTest, ExtractionShowsTheWindowOwnedByTheCallerAndCancelKeepsOnlyWholeFiles) {
    Library tar("Tar32.dll", "Tar");
    seen.command = tar.command;
    seen.isRunning = tar.running;
    seen.cancelAt = kProgressSteps / 4;
    const std::string out = dir_->path() + "x1\\";
    std::string report;
    const DWORD start = GetTickCount();
    EXPECT_EQ(kErrorCancelled, Run(tar, owner_, "xvfo \"" + tar_ + "\" \"" + out + "\"", &report));
    const DWORD took = GetTickCount() - start;

    EXPECT_TRUE(seen.window) << "no progress window in " << took << " ms";
    EXPECT_EQ(owner_, seen.owner);
    EXPECT_GE(seen.positions.size(), 2u) << "the bar did not move";
    EXPECT_FALSE(IsWindow(seen.window)) << "the window outlived its command";
    // The caller's timer kept firing (every 50 ms; a busy machine may hold
    // one back a while).
    EXPECT_GE(seen.ticks, std::max(3, static_cast<int>(took / 250)));
    EXPECT_TRUE(seen.running);
    EXPECT_EQ(kErrorRunning, seen.second);
    // The caller's window took its click; its other window's click was dropped.
    EXPECT_EQ(1, clicks[0]);
    EXPECT_EQ(0, clicks[1]);
    // The report names where it stopped; what was written is whole, and no
    // unfinished file is left under any name.
    EXPECT_EQ(0u, report.find("tree\\")) << report;  // where it stopped comes first
    EXPECT_NE(std::string::npos, report.find(": cancelled here")) << report;
    std::vector<std::string> files;
    Walk(out, "", files);
    EXPECT_LT(files.size(), kFiles);
    for (const std::string& f : files) {
        ASSERT_EQ(std::string::npos, f.find(".tmp")) << f;
        EXPECT_EQ(qaztest::FileBytes(tree_ + f.substr(5)), qaztest::FileBytes(out + f)) << f;
    }
}

TEST_F(ProgressTest, CancelledPackingLeavesAnExistingArchiveAndEverySourceAlone) {
    struct Case {
        const char* file;
        const char* prefix;
        const char* command;  // then the archive and the items
        const char* archive;
        const char* before;   // the archive's bytes before, or nullptr when there is none
    };
    const Case cases[] = {
        {"Tar32.dll", "Tar", "cvfz1", "old.tgz", "kept as it was"},
        {"Unlha32.dll", "Unlha", "m -a1", "new.lzh", nullptr},  // moves into the archive
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        seen = Seen();
        seen.cancelAt = 0;
        Library lib(c.file, c.prefix);
        const std::string archive = dir_->path() + c.archive;
        if (c.before) dir_->File(c.archive, c.before);
        SetCurrentDirectoryA(dir_->path().c_str());
        EXPECT_EQ(kErrorCancelled, Run(lib, owner_, std::string(c.command) + " \"" + archive + "\" tree"));
        EXPECT_TRUE(seen.cancelled);
        if (c.before)
            EXPECT_EQ(c.before, qaztest::FileBytes(archive));
        else
            EXPECT_FALSE(Exists(archive));
        std::vector<std::string> files, left;
        Walk(tree_, "", files);
        EXPECT_EQ(kFiles, files.size());
        Walk(dir_->path(), "", left);
        for (const std::string& f : left) EXPECT_EQ(std::string::npos, f.find(".tmp")) << f;
    }
}

// (The other forms of the option are taken out of a command as this one
// is; BarPositionsAndCommandWords lists them.)
TEST_F(ProgressTest, TheNoWindowOptionRunsTheCommandWithoutAWindow) {
    Library tar("Tar32.dll", "Tar");
    const std::string out = dir_->path() + "quiet\\";
    const DWORD start = GetTickCount();
    EXPECT_EQ(kOk, Run(tar, owner_, "xvfo \"" + tgz_ + "\" --display-dialog=0 \"" + out + "\""));
    ASSERT_GT(GetTickCount() - start, kProgressDelayMs) << "too short to tell";
    EXPECT_FALSE(seen.window);
    EXPECT_GT(seen.ticks, 2) << "the caller's messages waited for the command";
    EXPECT_EQ(qaztest::FileBytes(tree_ + "big131.bin"), qaztest::FileBytes(out + "tree\\big131.bin"));
}

TEST_F(ProgressTest, AShortCommandCreatesNoWindow) {
    const std::string small = dir_->path() + "small.tgz";
    SetCurrentDirectoryA(tree_.c_str());
    Library tar("Tar32.dll", "Tar");
    ASSERT_EQ(kOk, Run(tar, owner_, "cvfz \"" + small + "\" small\\s1000.txt"));
    created = 0;
    HHOOK hook = SetWindowsHookExA(WH_CBT, CountCreations, nullptr, GetCurrentThreadId());
    EXPECT_EQ(kOk, Run(tar, owner_, "xvfo \"" + small + "\" \"" + dir_->path() + "short\\\""));
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(0, created);
    EXPECT_TRUE(Exists(dir_->path() + "short\\small\\s1000.txt"));
}

TEST(ProgressText, BarPositionsAndCommandWords) {
    struct Position {
        uint64_t done, total;
        int expected;
    };
    const Position positions[] = {
        {0, 0, 0}, {5, 0, 0}, {1, 2, 500}, {3, 2, kProgressSteps}, {uint64_t(1) << 61, uint64_t(1) << 62, 500},
    };
    for (const Position& p : positions) EXPECT_EQ(p.expected, ProgressPosition(p.done, p.total)) << p.done;

    std::vector<std::string> args = {"x", "-n", "-a1", "a.lzh", "--display-dialog=0", "-n0", "out\\"};
    EXPECT_TRUE(TakeNoWindowOptions(args));
    EXPECT_EQ((std::vector<std::string>{"x", "-a1", "a.lzh", "-n0", "out\\"}), args);
    EXPECT_EQ("a.lzh", ArchiveOfCommand(args));
    std::vector<std::string> zip = {"-x", "-s", "b.zip", "@list"};
    EXPECT_FALSE(TakeNoWindowOptions(zip));
    EXPECT_EQ("b.zip", ArchiveOfCommand(zip));
}

}  // namespace
