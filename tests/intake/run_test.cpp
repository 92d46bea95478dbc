// qaz.exe started with names, as the shell or a user would start it.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/test_env.h"

namespace {

// Starts a copy of qaz.exe from a folder holding no outside library, so
// that every archiver library is missing.
DWORD RunQaz(const qaztest::TempDir& dir, const std::string& args, DWORD timeoutMs, bool* ended) {
    const std::string exe = dir.path() + "qaz.exe";
    EXPECT_TRUE(CopyFileA((qaztest::ExeFolder() + "..\\qaz.exe").c_str(), exe.c_str(), FALSE));
    std::string command = "\"" + exe + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.path().c_str(), &si,
                        &pi)) {
        ADD_FAILURE() << "qaz.exe did not start: " << GetLastError();
        return 0;
    }
    *ended = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!*ended) TerminateProcess(pi.hProcess, 1);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

}  // namespace

TEST(RunTest, MissingArchiversAreReportedInTurnAndTheInstanceEnds) {
    qaztest::ClearSettings();
    qaztest::TempDir dir;
    const std::string lzh = dir.File("x.lzh"), gz = dir.File("y.gz");
    bool ended = false;
    std::vector<std::string> texts;
    {
        qaztest::MessageBoxWatcher watcher("QAZ for win32");
        RunQaz(dir, "\"" + lzh + "\" " + gz, 60000, &ended);
        texts = watcher.texts();
    }
    EXPECT_TRUE(ended);
    // Reported when dropped, and again when the viewer's turn comes to the
    // file, which it then hands to the shell as any other file.
    EXPECT_EQ(texts, (std::vector<std::string>{"Unlha32.dll がありません", "Tar32.dll がありません",
                                               "Unlha32.dll がありません", "Tar32.dll がありません"}));
    qaztest::ClearSettings();
}

TEST(RunTest, AFolderWithLinksBackToItsParentIsWalkedOnceAndTheInstanceEnds) {
    qaztest::ClearSettings();
    qaztest::TempDir dir;
    const std::string folder = dir.Folder("loop");
    ASSERT_TRUE(qaztest::MakeFolderLink(folder, "up1", ".."));
    ASSERT_TRUE(qaztest::MakeFolderLink(folder, "up2", ".."));
    bool ended = false;
    RunQaz(dir, "\"" + folder + "\"", 20000, &ended);
    EXPECT_TRUE(ended) << "the walk through the links came to an end";
    qaztest::ClearSettings();
}
