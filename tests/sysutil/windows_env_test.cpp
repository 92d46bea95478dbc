// The Windows environment backup under Wine's Windows folder: the backup
// beside the test program, the question before a restore.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include <commctrl.h>

#include "app/bar_menu.h"
#include "base/info_box.h"
#include "base/user_paths.h"
#include "core/registry_keys.h"
#include "sysutil/windows_env.h"
#include "tests/support/fake_host.h"
#include "tests/support/test_env.h"
#include "tests/app/bar_fixture.h"

using namespace qaz;

namespace {

std::string WindowsFile(const char* name) {
    char buf[MAX_PATH] = {};
    GetWindowsDirectoryA(buf, sizeof buf);
    return std::string(buf) + "\\" + name;
}

std::string Backup(const char* name) { return qaztest::ExeFolder() + "qaz_win\\" + name; }

void Write(const std::string& path, const std::string& text) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(path, std::ios::binary) << text;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class WindowsEnvTest : public ::testing::Test {
protected:
    // Files of the table that Wine does not have, made for the test only.
    void SetUp() override {
        qaztest::ClearSettings();
        qaztest::RemoveTree(qaztest::ExeFolder() + "qaz_win");
        for (const char* name : {"PROGMAN.INI", "WIFEMAN.INI"}) {
            ASSERT_FALSE(Exists(WindowsFile(name))) << name << " is the test's own";
        }
    }
    void TearDown() override {
        for (const char* name : {"PROGMAN.INI", "WIFEMAN.INI"}) {
            SetFileAttributesA(WindowsFile(name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(WindowsFile(name).c_str());
        }
        qaztest::RemoveTree(qaztest::ExeFolder() + "qaz_win");
        qaztest::ClearSettings();
    }
    std::string DateWin() {
        HKEY key;
        char buf[64] = {};
        DWORD size = sizeof buf;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kRegSettings, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegQueryValueExA(key, "DateWin", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
            RegCloseKey(key);
        }
        return buf;
    }
    qaztest::FakeHost host_;
};

}  // namespace

TEST_F(WindowsEnvTest, SavingTwiceReplacesReadOnlyHiddenBackups) {
    const std::string live = WindowsFile("PROGMAN.INI");
    Write(live, "[first]\r\n");
    SetFileAttributesA(live.c_str(), FILE_ATTRIBUTE_HIDDEN);
    CopyWindowsEnvironment(host_, true);
    EXPECT_EQ(Read(Backup("PROGMAN.INI")), "[first]\r\n");
    EXPECT_EQ(Read(Backup("WIN.INI")), Read(WindowsFile("WIN.INI")));
    EXPECT_TRUE(GetFileAttributesA(Backup("PROGMAN.INI").c_str()) & FILE_ATTRIBUTE_HIDDEN) << "attributes travel";
    SetFileAttributesA(Backup("PROGMAN.INI").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    const std::string stamp = DateWin();
    EXPECT_EQ(stamp.size(), 14u) << stamp;  // yy/mm/dd hh:mm
    EXPECT_EQ(host_.progressShows, 1);
    EXPECT_EQ(host_.progress, 9);
    EXPECT_FALSE(host_.progressShown);

    Write(live, "[second]\r\n");
    CopyWindowsEnvironment(host_, true);
    EXPECT_EQ(Read(Backup("PROGMAN.INI")), "[second]\r\n");
}

TEST_F(WindowsEnvTest, AMissingFileRemovesItsOldBackup) {
    CreateDirectoryA((qaztest::ExeFolder() + "qaz_win").c_str(), nullptr);
    Write(Backup("WIFEMAN.INI"), "old");
    SetFileAttributesA(Backup("WIFEMAN.INI").c_str(), FILE_ATTRIBUTE_READONLY);
    host_.clock = false;
    CopyWindowsEnvironment(host_, true);
    EXPECT_FALSE(Exists(Backup("WIFEMAN.INI")));
    EXPECT_TRUE(Exists(Backup("SYSTEM.INI")));
    EXPECT_EQ(host_.progressShows, 0) << "no clock, no progress bar";
}

TEST_F(WindowsEnvTest, RestoreAsksFirstAndWithoutASaveDoesNothing) {
    struct Case {
        const char* what;
        const char* dateWin;  // nullptr: never saved
        int answer;
        const char* liveAfter;
        size_t questions;
    };
    const Case cases[] = {
        {"no save", nullptr, IDYES, "new", 0},
        {"answered No", "26/01/02 03:04", IDNO, "new", 1},
        {"answered Yes", "26/01/02 03:04", IDYES, "old", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qaztest::ClearSettings();
        if (c.dateWin) qaztest::SetString(kRegSettings, "DateWin", c.dateWin);
        CreateDirectoryA((qaztest::ExeFolder() + "qaz_win").c_str(), nullptr);
        Write(Backup("PROGMAN.INI"), "old");
        Write(WindowsFile("PROGMAN.INI"), "new");
        SetFileAttributesA(WindowsFile("PROGMAN.INI").c_str(), FILE_ATTRIBUTE_READONLY);
        host_.progressShows = 0;
        std::vector<std::string> texts;
        {
            qaztest::MessageBoxWatcher watcher(kAppTitle, c.answer);
            CopyWindowsEnvironment(host_, false);
            texts = watcher.texts();
        }
        ASSERT_EQ(texts.size(), c.questions);
        if (c.questions) {
            EXPECT_EQ(texts[0], std::string(c.dateWin) + " に保存された Windows 環境を復元してもよろしいですか");
        }
        EXPECT_EQ(Read(WindowsFile("PROGMAN.INI")), c.liveAfter);
        EXPECT_EQ(Read(Backup("PROGMAN.INI")), "old") << "the backup stays";
        EXPECT_EQ(DateWin(), c.dateWin ? c.dateWin : "");
        EXPECT_EQ(host_.progressShows, std::string(c.liveAfter) == "old" ? 1 : 0);
    }
}

// A file that cannot be read (held open by another program) keeps its last
// good copy, and the save does not claim to be whole: DateWin stays and the
// file is named.
TEST_F(WindowsEnvTest, AFileThatCannotBeSavedKeepsItsLastCopyAndTheDate) {
    qaztest::SetString(kRegSettings, "DateWin", "26/01/02 03:04");
    CreateDirectoryA((qaztest::ExeFolder() + "qaz_win").c_str(), nullptr);
    Write(Backup("PROGMAN.INI"), "[old]");
    SetFileAttributesA(Backup("PROGMAN.INI").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const std::string live = WindowsFile("PROGMAN.INI");
    Write(live, "[new]");
    Write(WindowsFile("WIFEMAN.INI"), "[saved]");
    std::vector<std::string> texts;
    {
        HANDLE held = CreateFileA(live.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        qaztest::MessageBoxWatcher watcher(kAppTitle);
        CopyWindowsEnvironment(host_, true);
        texts = watcher.texts();
        CloseHandle(held);
    }
    EXPECT_EQ(Read(Backup("PROGMAN.INI")), "[old]") << "the last good copy stays";
    EXPECT_EQ(Read(Backup("WIFEMAN.INI")), "[saved]") << "the others are saved";
    EXPECT_FALSE(Exists(Backup("PROGMAN.INI.new")));
    EXPECT_EQ(DateWin(), "26/01/02 03:04");
    EXPECT_EQ(texts, std::vector<std::string>{"次のファイルを保存できませんでした\r\n" + live});
    EXPECT_EQ(host_.progress, 9);
}

// A restore whose copy fails leaves the file in use as it was, attributes
// and all.
TEST_F(WindowsEnvTest, AFailedRestoreKeepsTheAttributesOfTheFileInUse) {
    qaztest::SetString(kRegSettings, "DateWin", "26/01/02 03:04");
    CreateDirectoryA((qaztest::ExeFolder() + "qaz_win").c_str(), nullptr);
    Write(Backup("PROGMAN.INI"), "[old]");
    const std::string live = WindowsFile("PROGMAN.INI");
    Write(live, "[new]");
    const DWORD attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    SetFileAttributesA(live.c_str(), attributes);
    HANDLE held = CreateFileA(Backup("PROGMAN.INI").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        qaztest::MessageBoxWatcher watcher(kAppTitle, IDYES);
        CopyWindowsEnvironment(host_, false);
    }
    CloseHandle(held);
    EXPECT_EQ(Read(live), "[new]");
    EXPECT_EQ(GetFileAttributesA(live.c_str()) & attributes, attributes);
}

namespace {

class BarEnvTest : public BarFixture {
protected:
    void TearDown() override {
        BarFixture::TearDown();
        qaztest::RemoveTree(qaztest::ExeFolder() + "qaz_win");
    }
};

}  // namespace

TEST_F(BarEnvTest, TheMenusSaveFillsTheBarsProgressAndHidesItAgain) {
    qaztest::RemoveTree(qaztest::ExeFolder() + "qaz_win");
    BarWindow& bar = Start();
    HWND progress = bar.control(idBarCopy);
    bar.OnMenuCommand(KWin1);
    EXPECT_TRUE(Exists(Backup("SYSTEM.INI")));
    EXPECT_EQ(SendMessageA(progress, PBM_GETPOS, 0, 0), 9);
    EXPECT_FALSE(IsWindowVisible(progress));
    EXPECT_FALSE(IsWindowEnabled(progress));
    DWORD type = 0;
    char date[64] = {};
    DWORD size = sizeof date;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, kRegSettings, "DateWin", RRF_RT_REG_SZ, &type, date, &size),
              ERROR_SUCCESS);
}
