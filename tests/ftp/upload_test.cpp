// The upload against real FTP servers on loopback (started by the harness
// that runs this test): files arrive byte for byte in the chosen folder,
// text files as text, and every fault ends the upload as it should, in
// bounded time, with nothing reported as sent that was not.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/registry.h"
#include "core/registry_keys.h"
#include "ftp/folder_chooser.h"
#include "ftp/password_dialog.h"
#include "ftp/session.h"
#include "ftp/upload_window.h"
#include "tests/ftp/harness_client.h"
#include "tests/support/test_env.h"

namespace {

using namespace ftptest;


constexpr UINT kTick = WM_APP + 50;
constexpr DWORD kTightGap = 800;  // a pause of a second without handling messages fails it
constexpr DWORD kLooseGap = 4000;
DWORD g_longestGap = 0;
std::atomic<int> g_ticksPosted{0};
int g_ticksHandled = 0;
DWORD g_closedAt = 0;  // when the sending window went, or 0

// The caller's window: notes how long its tick messages waited, up to the
// moment the sending window went (its removal is the display driver's).
LRESULT CALLBACK CallerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kTick) {
        const DWORD posted = static_cast<DWORD>(lParam);
        DWORD handled = GetTickCount();
        if (g_closedAt && static_cast<int>(handled - g_closedAt) > 0) handled = g_closedAt;
        const DWORD gap = static_cast<int>(handled - posted) > 0 ? handled - posted : 0;
        if (gap > g_longestGap) g_longestGap = gap;
        ++g_ticksHandled;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK WatchDestruction(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_DESTROYWND && !g_closedAt) {
        char cls[64] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls);
        if (std::string(cls) == qaz::ftp::kUploadClass) g_closedAt = GetTickCount();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class FtpUploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness_.ok()) << "no FTP harness (QAZ_FTP_HARNESS)";
        qaztest::ClearSettings();
        // The caller: a window with a list box, as the bar has.
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &CallerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QAZFtpTestCaller";
        RegisterClassA(&wc);
        bar_ = CreateWindowExA(0, "QAZFtpTestCaller", "caller", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                               nullptr);
        list_ = CreateWindowExA(0, "LISTBOX", "", WS_CHILD, 0, 0, 100, 100, bar_, nullptr, nullptr, nullptr);
        qaz::ftp::SetCaptionWatcher([this](HWND w, const std::string& caption) {
            char cls[64] = {};
            GetClassNameA(w, cls, sizeof cls);
            if (std::string(cls) != qaz::ftp::kUploadClass) return;
            std::lock_guard<std::mutex> lock(mutex_);
            captions_.push_back(caption);
        });
    }
    void TearDown() override {
        qaz::ftp::SetCaptionWatcher(nullptr);
        DestroyWindow(bar_);
        qaztest::ClearSettings();
    }
    void Settings(int port, const std::string& password, int connectMs = 5000, int receiveMs = 5000) {
        StoreServer(port, password, connectMs, receiveMs);
    }
    void AddFile(const std::string& path) {
        SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    // Runs the upload as the caller would and returns how long it took.
    // Meanwhile the caller's window gets a message every 50 ms, and each
    // must be handled within maxGapMs: the library's waits keep handling
    // messages. (Under Wine on a display without a window manager, showing
    // and hiding a second top-level window, a dialog or a message box, holds
    // the thread for up to two seconds in the display driver; runs that open
    // none are held to the tight bound.)
    double Upload(DWORD maxGapMs = kLooseGap) {
        std::atomic<bool> done{false};
        g_longestGap = 0;
        g_closedAt = 0;
        g_ticksPosted = 0;
        g_ticksHandled = 0;
        HHOOK hook = SetWindowsHookExA(WH_CBT, &WatchDestruction, nullptr, GetCurrentThreadId());
        std::thread ticker([&] {
            while (!done) {
                if (PostMessageA(bar_, kTick, 0, static_cast<LPARAM>(GetTickCount()))) ++g_ticksPosted;
                Sleep(50);
            }
        });
        const auto start = std::chrono::steady_clock::now();
        qaz::ftp::RunUpload(list_);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        done = true;
        ticker.join();
        // Ticks still queued count with their wait.
        EXPECT_TRUE(qaztest::PumpUntil([] { return g_ticksHandled == g_ticksPosted; }));
        if (hook) UnhookWindowsHookEx(hook);
        EXPECT_LT(g_longestGap, maxGapMs) << "the caller's window waited for its messages";
        EXPECT_FALSE(FindWindowA(qaz::ftp::kUploadClass, nullptr));
        return seconds;
    }
    std::vector<std::string> captions() {
        std::lock_guard<std::mutex> lock(mutex_);
        return captions_;
    }
    bool Saw(const std::string& caption) {
        for (const auto& c : captions())
            if (c == caption) return true;
        return false;
    }

    Harness harness_;
    qaztest::TempDir dir_;
    HWND bar_ = nullptr;
    HWND list_ = nullptr;
    std::mutex mutex_;
    std::vector<std::string> captions_;
};

TEST_F(FtpUploadTest, FilesArriveByteExactInAFolderChosenAndMade) {
    const int port = harness_.Start("normal");
    ASSERT_GT(port, 0);
    harness_.Ask("MKDIR PUB");
    harness_.Ask("MKDIR incoming");
    Settings(port, "");  // no stored password: the dialog asks

    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7 + i / 256) & 0xFF);
    binary += "\r\n\n\r";
    AddFile(dir_.File("a.txt", "line one\nline two\n"));
    AddFile(dir_.File("b.htm", "<p>\r\n</p>\r\n"));
    AddFile(dir_.File("c.bin", binary));
    AddFile(dir_.File("d.TXT", "last\n"));

    std::vector<std::string> rootRows, pubRows;
    Driver driver;
    driver.Run([&](Driver& d) {
        HWND pwd = d.WaitFor(qaz::ftp::kPasswordClass);
        if (!pwd) return;
        Driver::TypePassword(pwd, kPassword);
        HWND chooser = d.WaitFor(qaz::ftp::kChooserClass, "FTP - /");
        if (!chooser) return;
        rootRows = Driver::Rows(chooser);
        // A folder listed as PUB is shown as Pub and entered by its own name.
        if (!Driver::DoubleClickRow(chooser, "Pub")) return;
        if (!d.WaitFor(qaz::ftp::kChooserClass, "FTP - /PUB/")) return;
        SendMessageA(GetDlgItem(chooser, qaz::ftp::FolderChooser::kEdit), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>("  new  "));
        Driver::Click(chooser, qaz::ftp::FolderChooser::kMake);
        // The making ends with the list refilled (it was empty).
        if (!qaztest::WaitUntil([&] { return !Driver::Rows(chooser).empty(); })) return;
        pubRows = Driver::Rows(chooser);
        if (!Driver::DoubleClickRow(chooser, "new")) return;
        if (!d.WaitFor(qaz::ftp::kChooserClass, "FTP - /PUB/new/")) return;
        Driver::Click(chooser, IDOK);
    });
    const double seconds = Upload();
    driver.Stop();

    // Sorted as the system compares texts, which is not by character codes.
    EXPECT_EQ(rootRows, (std::vector<std::string>{"incoming|File Folder", "Pub|File Folder"}));
    EXPECT_EQ(pubRows, (std::vector<std::string>{"new|File Folder"}));
    EXPECT_EQ(harness_.Read("PUB/new/a.txt"), "line one\nline two\n");
    EXPECT_EQ(harness_.Read("PUB/new/b.htm"), "<p>\n</p>\n");  // the server keeps text in its own form
    EXPECT_EQ(harness_.Read("PUB/new/c.bin"), binary);
    EXPECT_EQ(harness_.Read("PUB/new/d.TXT"), "last\n");
    const auto log = harness_.Log();
    EXPECT_EQ(Matching(log, "TYPE"), (std::vector<std::string>{"TYPE A", "TYPE I", "TYPE A"}));
    EXPECT_EQ(Matching(log, "CWD"), (std::vector<std::string>{"CWD PUB", "CWD new"}));
    EXPECT_EQ(Matching(log, "MKD"), (std::vector<std::string>{"MKD new"}));
    EXPECT_EQ(Matching(log, "QUIT").size(), 1u);
    EXPECT_TRUE(Saw("FTP - Connected"));
    EXPECT_TRUE(Saw("FTP - ChangeType"));
    EXPECT_TRUE(Saw("FTP - End"));
    EXPECT_FALSE(Saw("FTP - Error"));
    EXPECT_LT(seconds, 30.0);

    // The typed password went to the server only: nothing under the
    // settings holds it.
    DWORD type = 0, size = 0;
    qaz::RegKey key;
    if (key.Open(kFtpKey)) {
        EXPECT_NE(RegQueryValueExA(key.get(), "Password", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    }
}

struct FaultCase {
    const char* name;
    const char* mode;            // the server's
    bool stopServer;             // started, then stopped: the port refuses
    bool wrongPassword;
    bool opensWindows;           // a chooser or message box comes up
    int vanish;                  // the file (1-based) removed before the upload, or 0
    int receiveMs;
    const char* caption;         // seen on the way
    int errorFile;               // the file whose failure is reported (1-based), or 0
    int storCount;               // STOR commands the server saw
    int filesArrived;            // leading files that arrived whole
};

class FtpFaultTest : public FtpUploadTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FtpFaultTest, EndsAsDescribedAndNothingHangs) {
    const FaultCase& c = GetParam();
    const int port = harness_.Start(c.mode);
    ASSERT_GT(port, 0);
    if (c.stopServer) harness_.Ask("STOP");
    Settings(port, c.wrongPassword ? "not-the-password" : kPassword, 1500, c.receiveMs);
    std::vector<std::string> paths, contents;
    for (int i = 1; i <= 3; ++i) {
        contents.push_back(std::string(200000 * i, static_cast<char>('a' + i)));
        paths.push_back(dir_.File("f" + std::to_string(i) + ".bin", contents.back()));
        AddFile(paths.back());
    }
    if (c.vanish) DeleteFileA(paths[static_cast<size_t>(c.vanish - 1)].c_str());

    qaztest::MessageBoxWatcher boxes("QAZ - FTP");
    Driver driver;
    driver.Run([&](Driver& d) {
        if (c.wrongPassword) {
            // A refused login leaves the window open until Cancel.
            HWND upload = d.WaitFor(qaz::ftp::kUploadClass, "FTP - Connected");
            qaztest::WaitUntil([&] { return !Matching(harness_.Log(), "PASS").empty(); });
            Sleep(800);  // it stays open by itself
            if (upload && TextOf(upload) == "FTP - Connected") Driver::Click(upload, qaz::ftp::UploadWindow::kCancelButton);
            return;
        }
        if (c.stopServer) return;
        HWND chooser = d.WaitFor(qaz::ftp::kChooserClass, "FTP - /");
        if (chooser) Driver::Click(chooser, IDOK);
    });
    const double seconds = Upload(c.opensWindows ? kLooseGap : kTightGap);
    driver.Stop();

    EXPECT_TRUE(Saw(c.caption)) << c.name;
    const auto texts = boxes.texts();
    if (c.errorFile) {
        ASSERT_EQ(texts.size(), 1u) << c.name;
        EXPECT_EQ(texts[0], paths[static_cast<size_t>(c.errorFile - 1)] + " を転送できませんでした。") << c.name;
        EXPECT_TRUE(Saw("FTP - Error")) << c.name;
    } else {
        EXPECT_TRUE(texts.empty()) << c.name;
    }
    if (!c.stopServer) {
        EXPECT_EQ(Matching(harness_.Log(), "STOR").size(), static_cast<size_t>(c.storCount)) << c.name;
        for (int i = 0; i < c.filesArrived; ++i)
            EXPECT_EQ(harness_.Read("f" + std::to_string(i + 1) + ".bin"), contents[static_cast<size_t>(i)]) << c.name;
    }
    EXPECT_LT(seconds, 20.0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FtpFaultTest,
    ::testing::Values(
        FaultCase{"stopped", "normal", true, false, false, 0, 5000, "FTP - TimeOut", 0, 0, 0},
        FaultCase{"refusing", "normal", false, true, false, 0, 5000, "FTP - Cancel", 0, 0, 0},
        FaultCase{"dropping", "drop:2", false, false, true, 0, 5000, "FTP - Disconnected", 2, 2, 1},
        FaultCase{"silent", "silent:2", false, false, true, 0, 1000, "FTP - TimeOut", 2, 2, 1},
        FaultCase{"vanished", "normal", false, false, true, 2, 5000, "FTP - End", 2, 1, 1}),
    [](const ::testing::TestParamInfo<FaultCase>& p) { return std::string(p.param.name); });

TEST_F(FtpUploadTest, ChooserCancelSendsNothingAndLogsOut) {
    const int port = harness_.Start("normal");
    Settings(port, kPassword);
    AddFile(dir_.File("x.txt", "x"));
    Driver driver;
    driver.Run([](Driver& d) {
        if (HWND chooser = d.WaitFor(qaz::ftp::kChooserClass, "FTP - /")) Driver::Click(chooser, IDCANCEL);
    });
    Upload();
    driver.Stop();
    EXPECT_TRUE(Saw("FTP - Cancel"));
    const auto log = harness_.Log();
    EXPECT_TRUE(Matching(log, "STOR").empty());
    EXPECT_EQ(Matching(log, "QUIT").size(), 1u);
}

TEST_F(FtpUploadTest, WithoutSettingsThePasswordIsAskedThenTheUploadEnds) {
    AddFile(dir_.File("x.txt", "x"));
    qaztest::MessageBoxWatcher boxes("QAZ - FTP");
    Driver driver;
    driver.Run([](Driver& d) {
        if (HWND pwd = d.WaitFor(qaz::ftp::kPasswordClass)) PostMessageA(pwd, WM_CLOSE, 0, 0);
    });
    Upload();
    driver.Stop();
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"FTP接続情報が登録されていません。"}));
}

// The library as the bar uses it: loaded, called, unloaded, twice.
TEST_F(FtpUploadTest, LibraryExportRunsAnUploadEachTimeItIsLoaded) {
    const int port = harness_.Start("normal");
    Settings(port, kPassword);
    for (int round = 0; round < 2; ++round) {
        Driver driver;
        driver.Run([](Driver& d) {
            if (HWND chooser = d.WaitFor(qaz::ftp::kChooserClass, "FTP - /")) Driver::Click(chooser, IDOK);
        });
        HMODULE library = LoadLibraryA((qaztest::ExeFolder() + "qaz_ftp.dll").c_str());
        ASSERT_NE(library, nullptr);
        using Entry = void(WINAPI*)(HWND);
        auto entry = reinterpret_cast<Entry>(GetProcAddress(library, "QAZFTP"));
        ASSERT_NE(entry, nullptr);
        entry(list_);
        FreeLibrary(library);
        driver.Stop();
        EXPECT_FALSE(FindWindowA(qaz::ftp::kUploadClass, nullptr));
    }
    // An empty list: connected, folder chosen, nothing sent, logged out.
    const auto log = harness_.Log();
    EXPECT_TRUE(Matching(log, "STOR").empty());
    EXPECT_EQ(Matching(log, "QUIT").size(), 2u);
}

}  // namespace
