// qaz.exe started as a user would, watched from outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "base/registry.h"
#include "core/registry_keys.h"
#include "tests/support/test_env.h"
#include "tests/support/view_files.h"

namespace {

struct Process {
    PROCESS_INFORMATION pi = {};
    bool started = false;
    ~Process() {
        if (!started) return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    // Exit code, or -1 when it did not end within ms.
    int Wait(int ms) {
        if (WaitForSingleObject(pi.hProcess, static_cast<DWORD>(ms)) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return static_cast<int>(code);
    }
};

void StartQaz(Process& p, const std::string& args = "") {
    std::string cmd = "\"" + qaztest::ExeFolder() + "qaz.exe\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    p.started = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &p.pi) != 0;
    ASSERT_TRUE(p.started) << cmd;
}

BOOL CALLBACK CollectBar(HWND h, LPARAM l) {
    char cls[64] = {}, title[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    GetWindowTextA(h, title, sizeof title);
    if (std::string(cls) == "TJX_QAZMain" && std::string(title) == "QAZ")
        reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
    return TRUE;
}

std::vector<HWND> Bars() {
    std::vector<HWND> found;
    EnumWindows(CollectBar, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool WaitForBars(size_t count, int ms) {
    return qaztest::PumpUntil([&] { return Bars().size() == count; }, ms);
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        qaztest::ClearSettings();
        ASSERT_TRUE(Bars().empty()) << "a bar of an earlier run is still there";
    }
    void TearDown() override { qaztest::ClearSettings(); }
};

}  // namespace

TEST_F(StartupTest, SecondPlainStartOnlyBringsTheBarToTheFrontAndCloseSavesTheBar) {
    Process first;
    StartQaz(first);
    ASSERT_TRUE(WaitForBars(1, 15000)) << "the bar appeared";
    HWND bar = Bars()[0];
    RECT r;
    GetClientRect(bar, &r);
    EXPECT_EQ(r.right, 127);
    EXPECT_EQ(r.bottom, 21);

    // Another window in front; the second start brings the bar back.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 300, 300, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    ASSERT_TRUE(qaztest::PumpUntil([&] { return GetForegroundWindow() == other; }));
    Process second;
    StartQaz(second);
    EXPECT_TRUE(qaztest::PumpUntil([&] { return second.Wait(0) != -1; })) << "the second start ended by itself";
    EXPECT_EQ(second.Wait(0), 0);
    EXPECT_TRUE(qaztest::PumpUntil([&] { return GetForegroundWindow() == bar; })) << "the bar came to the front";
    DestroyWindow(other);
    EXPECT_EQ(Bars().size(), 1u) << "no second bar";
    EXPECT_EQ(first.Wait(0), -1) << "the first bar runs on";

    SetWindowPos(bar, nullptr, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageA(bar, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.Wait(15000), 0) << "closing the bar ends the program";
    DWORD v = 0;
    ASSERT_TRUE(qaztest::ReadDword(qaz::kRegMain, "Left", &v));
    EXPECT_EQ(v, 70u);
    ASSERT_TRUE(qaztest::ReadDword(qaz::kRegMain, "Top", &v));
    EXPECT_EQ(v, 80u);
    ASSERT_TRUE(qaztest::ReadDword(qaz::kRegSettings, "PackDef", &v));
    EXPECT_EQ(v, 1u);
    ASSERT_TRUE(qaztest::ReadDword(qaz::kRegSettings, "PathDef", &v));
    EXPECT_EQ(v, 1u);
}

TEST_F(StartupTest, StartWithNamesIsAnInstanceOfItsOwnThatEndsByItself) {
    Process first;
    StartQaz(first);
    ASSERT_TRUE(WaitForBars(1, 15000));
    HWND firstBar = Bars()[0];

    // A picture held for a while, so that the second bar stays long enough
    // to be seen beside the first.
    qaztest::SetDword(qaz::kRegSettings, "Bmp", 3);
    Process withNames;
    qaztest::TempDir dir;
    const std::string picture = dir.path() + "名前 付き.bmp";
    qaztest::WriteBmp(picture, 40, 30);
    StartQaz(withNames, "\"" + picture + "\"");
    EXPECT_TRUE(WaitForBars(2, 15000)) << "the start with names shows a bar of its own";
    EXPECT_EQ(withNames.Wait(15000), 0) << "the instance with names ended after its queue";
    const std::vector<HWND> left = Bars();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0], firstBar) << "the first bar stays";
    EXPECT_EQ(first.Wait(0), -1) << "the first instance runs on";

    PostMessageA(firstBar, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.Wait(15000), 0);
}
