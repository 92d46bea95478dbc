// Showings from start to end: media playing through the queue, and qaz.exe
// started with pictures on its command line.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <shlwapi.h>

#include "tests/support/view_files.h"
#include "tests/viewers/viewer_fixture.h"
#include "viewers/image_window.h"
#include "viewers/media_controller.h"
#include "core/registry_keys.h"

using namespace qaz;


TEST_F(ViewerTest, AWavPlayedToItsEndContinuesTheQueue) {
    const std::string wav = dir_.path() + "s.wav", pic = dir_.path() + "p.bmp";
    qaztest::WriteWav(wav, 400);
    qaztest::WriteBmp(pic, 120, 80);
    Fill({wav, pic});
    viewers_.ShowMediaController();
    viewers_.ShowNextEntry();
    MediaController* c = CurrentMediaController();
    ASSERT_TRUE(c->deviceOpen()) << "the wav did not open";
    EXPECT_FALSE(IsWindowVisible(c->control(idSepPanel))) << "Play and Stop show";
    EXPECT_FALSE(host_.QueueArmed()) << "the end of playing re-arms the queue";
    EXPECT_EQ(c->fileName(), "s.wav");
    EXPECT_TRUE(qaztest::PumpUntil([&] { return Showing(pic); }, 8000));
    EXPECT_FALSE(c->deviceOpen());
}

TEST_F(ViewerTest, StopDuringPlayingInAutomaticModeGoesOn) {
    const std::string pic = dir_.path() + "p.bmp";
    MediaController* c = StartLongSoundBefore(pic);
    ASSERT_TRUE(qaztest::PumpUntil([&] { return c->playing(); }, 3000));
    const DWORD start = GetTickCount();
    SendMessageA(c->hwnd(), WM_COMMAND, MAKEWPARAM(idStop, BN_CLICKED), 0);
    EXPECT_TRUE(qaztest::PumpUntil([&] { return Showing(pic); }, 5000));
    EXPECT_LT(GetTickCount() - start, 8000u);
}

TEST_F(ViewerTest, AutoOffDuringPlayingStopsItAndStepsNoFurther) {
    const std::string pic = dir_.path() + "p.bmp";
    MediaController* c = StartLongSoundBefore(pic);
    ASSERT_TRUE(qaztest::PumpUntil([&] { return c->playing(); }, 3000));
    SendMessageA(c->hwnd(), WM_COMMAND, MAKEWPARAM(idAuto, BN_CLICKED), 0);
    EXPECT_TRUE(qaztest::PumpUntil([&] { return !c->deviceOpen(); }, 3000));
    qaztest::PumpFor(300);
    EXPECT_FALSE(host_.QueueArmed());
    EXPECT_FALSE(Showing(pic));
}

TEST_F(ViewerTest, AMediaFileThatCannotPlayDoesNotStallTheShowing) {
    const std::string wav = dir_.path() + "bad.wav", pic = dir_.path() + "p.bmp";
    qaztest::WriteBytes(wav, "RIFF....WAVEjunk that no device takes");
    qaztest::WriteBmp(pic, 120, 80);
    Fill({wav, pic});
    viewers_.ShowMediaController();
    qaztest::MessageBoxWatcher boxes("QAZ for win32");
    viewers_.ShowNextEntry();
    EXPECT_TRUE(qaztest::PumpUntil([&] { return Showing(pic); }, 5000));
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "bad.wav は不正ファイルです");
}

// ---- qaz.exe with names on its command line ------------------------------

namespace {

struct ChildRun {
    PROCESS_INFORMATION pi = {};
    bool started = false;
    ~ChildRun() {
        if (!started) return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
};

void Start(ChildRun& run, const std::string& args) {
    std::string cmd = "\"" + qaztest::ExeFolder() + "qaz.exe\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    run.started = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &run.pi) != 0;
}

std::string ImageCaption() {
    HWND w = FindWindowA("TJX_QAZImage", nullptr);
    char text[256] = {};
    if (w && IsWindowVisible(w)) GetWindowTextA(w, text, sizeof text);
    return text;
}

}  // namespace

TEST_F(ViewerTest, CommandLinePicturesAreShownOneAfterAnotherAndTheProgramEnds) {
    qaztest::SetDword(kRegSettings, "Bmp", 2);
    qaztest::SetDword(kRegMain, "TaskTray", 0);
    const std::string a = dir_.path() + "a.bmp", b = dir_.path() + "b.bmp";
    qaztest::WriteBmp(a, 300, 200);
    qaztest::WriteBmp(b, 180, 150, 30);
    ChildRun run;
    Start(run, "\"" + a + "\" \"" + b + "\"");
    ASSERT_TRUE(run.started);

    ASSERT_TRUE(qaztest::PumpUntil([] { return ImageCaption() == "[300 x 200] a.bmp"; }, 10000)) << ImageCaption();
    HWND w = FindWindowA("TJX_QAZImage", nullptr);
    EXPECT_EQ(ClientSize(w).cx, 300);
    EXPECT_EQ(ClientSize(w).cy, 200);
    EXPECT_NE(FindWindowA("TJX_QAZMedia", nullptr), nullptr);
    const DWORD first = GetTickCount();
    ASSERT_TRUE(qaztest::PumpUntil([] { return ImageCaption() == "[180 x 150] b.bmp"; }, 6000));
    EXPECT_GE(GetTickCount() - first, 1500u) << "Bmp = 2 seconds";
    EXPECT_EQ(ClientSize(w).cx, 180);
    EXPECT_EQ(ClientSize(w).cy, 150);
    EXPECT_EQ(WaitForSingleObject(run.pi.hProcess, 8000), WAIT_OBJECT_0) << "the instance ends";
    EXPECT_EQ(FindWindowA("TJX_QAZImage", nullptr), nullptr);
    EXPECT_EQ(FindWindowA("TJX_QAZMedia", nullptr), nullptr);
}

TEST_F(ViewerTest, CommandLineShowingGoesOnPastAnUnreadablePicture) {
    qaztest::SetDword(kRegSettings, "Bmp", 1);
    qaztest::SetDword(kRegMain, "TaskTray", 0);
    const std::string bad = dir_.path() + "bad.bmp", b = dir_.path() + "b.bmp";
    qaztest::WriteBytes(bad, "not a bitmap");
    qaztest::WriteBmp(b, 180, 150);
    qaztest::MessageBoxWatcher boxes("QAZ for win32");
    ChildRun run;
    Start(run, "\"" + bad + "\" \"" + b + "\"");
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(qaztest::PumpUntil([] { return ImageCaption() == "[180 x 150] b.bmp"; }, 10000));
    EXPECT_EQ(WaitForSingleObject(run.pi.hProcess, 8000), WAIT_OBJECT_0);
    ASSERT_FALSE(boxes.texts().empty());
    EXPECT_EQ(boxes.texts()[0], "bad.bmp は不正ファイルです");
}

TEST_F(ViewerTest, CommandLineFolderEndingInABackslashLeavesTheNextNameWhole) {
    // The shell quotes a folder as "C:\dir\": the quote ends the name.
    qaztest::SetDword(kRegSettings, "Bmp", 1);
    qaztest::SetDword(kRegMain, "TaskTray", 0);
    const std::string folder = dir_.Folder("empty");
    const std::string b = dir_.path() + "b.bmp";
    qaztest::WriteBmp(b, 180, 150);
    ChildRun run;
    Start(run, "\"" + folder + "\\\" \"" + b + "\"");
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(qaztest::PumpUntil([] { return ImageCaption() == "[180 x 150] b.bmp"; }, 10000)) << ImageCaption();
    EXPECT_EQ(WaitForSingleObject(run.pi.hProcess, 8000), WAIT_OBJECT_0);
}

// Screen savers run with "/s" and stay Scr seconds; with Open set any other
// file goes to its association and stays All seconds; without it, nothing
// is started. A stand-in program records each start's command line.
TEST_F(ViewerTest, ScreenSaversAndOtherFilesGoToTheShell) {
    const std::string log = dir_.path() + "starts.log";
    SetEnvironmentVariableA("QAZ_SHELL_PROBE_LOG", log.c_str());
    const std::string probe = qaztest::ExeFolder() + "shell_probe.exe";
    const std::string saver = dir_.path() + "saver.scr";
    ASSERT_TRUE(CopyFileA(probe.c_str(), saver.c_str(), FALSE));
    const std::string command = "\"" + probe + "\" \"%1\"";
    RegSetValueA(HKEY_CLASSES_ROOT, ".qzprobe", REG_SZ, "QazProbe.File", 14);
    RegSetValueA(HKEY_CLASSES_ROOT, "QazProbe.File\\shell\\open\\command", REG_SZ, command.c_str(),
                 static_cast<DWORD>(command.size()));
    const std::string note = dir_.File("note.qzprobe");
    settings_.Scr = 7;
    settings_.All = 5;
    struct {
        std::string path;
        bool open;
        int delay;
        const char* started;  // the end of the recorded command line, or nullptr
    } const cases[] = {
        {saver, false, 7000, "/s"},
        {note, true, 5000, "note.qzprobe\""},
        {note, false, 1, nullptr},
    };
    for (const auto& c : cases) {
        DeleteFileA(log.c_str());
        settings_.Open = c.open;
        EXPECT_EQ(viewers_.OpenByKind(c.path), c.delay) << c.path;
        std::string line;
        qaztest::PumpUntil(
            [&] {
                line = qaztest::FileBytes(log);
                if (line == "<missing>") line.clear();
                return !line.empty();
            },
            c.started ? 10000 : 1500);
        if (!c.started) {
            EXPECT_EQ(line, "") << c.path;
            continue;
        }
        ASSERT_FALSE(line.empty()) << c.path << " was not started";
        line = line.substr(0, line.find('\n'));
        while (!line.empty() && line.back() == ' ') line.pop_back();
        EXPECT_EQ(line.substr(line.size() - std::min(line.size(), std::strlen(c.started))), c.started) << line;
    }
    SHDeleteKeyA(HKEY_CLASSES_ROOT, ".qzprobe");
    SHDeleteKeyA(HKEY_CLASSES_ROOT, "QazProbe.File");
    SetEnvironmentVariableA("QAZ_SHELL_PROBE_LOG", nullptr);
}
