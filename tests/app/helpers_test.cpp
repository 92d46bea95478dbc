// File, path and message helpers against the real file system.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <thread>

#include "base/collect_files.h"
#include "base/info_box.h"
#include "base/path_parts.h"
#include "base/short_path.h"
#include "base/ui/window.h"
#include "base/ui/window_position.h"
#include "base/user_paths.h"
#include "base/work_folder.h"
#include "app/command_line.h"
#include "app/help_path.h"
#include "base/registry.h"
#include "core/registry_keys.h"
#include "tests/support/test_env.h"

using namespace qaz;

// ソ is 0x83 0x5C in Shift-JIS: its trail byte is a backslash.
static const std::string kSo = "ソ";

TEST(PathParts, DoubleByteTrailBackslashIsNotASeparator) {
    ASSERT_EQ(GetACP(), 932u) << "the tests need the Japanese code page";
    ASSERT_EQ(kSo, std::string("\x83\x5C"));
    EXPECT_FALSE(EndsWithBackslash("C:\\" + kSo));
    EXPECT_EQ(AddBackslash("C:\\" + kSo), "C:\\" + kSo + "\\");
    EXPECT_EQ(LastComponent("C:\\dir\\" + kSo), kSo);
    EXPECT_EQ(ParentOf("C:\\dir\\" + kSo + "\\x.txt"), "C:\\dir\\" + kSo);
    EXPECT_EQ(ExtensionOf("C:\\" + kSo + ".txt"), ".txt");
    EXPECT_EQ(ExtensionOf("C:\\a.b\\noext"), "");
}

TEST(PathParts, ParentsAndBackslashes) {
    EXPECT_EQ(AddBackslash(""), "\\");
    EXPECT_EQ(AddBackslash("C:\\"), "C:\\");
    EXPECT_EQ(ParentOf("C:\\dir"), "C:\\") << "a drive root keeps its backslash";
    EXPECT_EQ(ParentOf("C:\\dir\\sub"), "C:\\dir");
    EXPECT_EQ(ParentOf("name"), "");
    EXPECT_EQ(LastComponent("C:name"), "name");
}

// ---- the command line and the help file ---------------------------------

TEST(CommandLine, BlanksSeparateQuotesGroupAndABackslashIsOrdinary) {
    struct Case {
        std::string line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"", {}},
        {"  \t ", {}},
        {"qaz.exe", {"qaz.exe"}},
        {"\"C:\\Program Files\\qaz.exe\" a  b\t", {"C:\\Program Files\\qaz.exe", "a", "b"}},
        // A folder or drive as the shell quotes it: the backslash ends the name.
        {"q \"C:\\dir\\\" \"C:\\b.bmp\"", {"q", "C:\\dir\\", "C:\\b.bmp"}},
        {"q \"C:\\\"", {"q", "C:\\"}},
        {"q \\\\host\\share\\x a\\\\b", {"q", "\\\\host\\share\\x", "a\\\\b"}},
        // Quotes group within a word and vanish; one left open runs to the end.
        {"q C:\\\"a b\"\\c", {"q", "C:\\a b\\c"}},
        {"q \"open to the end", {"q", "open to the end"}},
        {"q \"\" x", {"q", "", "x"}},
        // Double-byte characters stay whole, trail byte 0x5C included.
        {"q \"" + kSo + "\\\" " + kSo + "\\" + kSo, {"q", kSo + "\\", kSo + "\\" + kSo}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.words) << c.line;
}

TEST(HelpFile, LiesBesideTheProgramWhateverItsFolderIsCalled) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\QAZ\\qaz.exe", "C:\\QAZ\\qaz.hlp"},
        {"C:\\qaz.exe", "C:\\qaz.hlp"},
        {"C:\\" + kSo + "\\qaz.exe", "C:\\" + kSo + "\\qaz.hlp"},
        {"C:\\" + kSo + "\\" + kSo + ".exe", "C:\\" + kSo + "\\qaz.hlp"},
    };
    for (const auto& c : cases) EXPECT_EQ(HelpFilePath(c.first), c.second) << c.first;
}

// ---- remembered window positions -----------------------------------------

TEST(WindowPosition, ARememberedPlaceIsPulledInsideTheScreenOnEverySide) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        POINT at;
        SIZE size;
        POINT placed;
    };
    const Case cases[] = {
        {{30, 40}, {100, 50}, {30, 40}},
        {{-32000, -32000}, {100, 50}, {0, 0}},  // where a minimized window stands
        {{-40, 30}, {100, 50}, {0, 30}},
        {{30, -5}, {100, 50}, {30, 0}},
        {{sw - 10, sh - 10}, {100, 50}, {sw - 100, sh - 50}},
        {{sw + 500, -9}, {100, 50}, {sw - 100, 0}},
        {{50, 50}, {sw + 40, sh + 40}, {0, 0}},  // larger than the screen: its top left shows
    };
    for (const Case& c : cases) {
        const POINT p = ui::PullInsideScreen(c.at, c.size);
        EXPECT_EQ(p.x, c.placed.x) << c.at.x << "," << c.at.y;
        EXPECT_EQ(p.y, c.placed.y) << c.at.x << "," << c.at.y;
    }
}

TEST(WindowPosition, AMinimizedOrMaximizedWindowSavesItsNormalPlace) {
    qaztest::ClearSettings();
    ui::RegisterWindowClass("QAZTestFrame", DefWindowProcA);
    for (int show : {SW_MINIMIZE, SW_MAXIMIZE, SW_SHOWNOACTIVATE}) {
        HWND w = CreateWindowExA(0, "QAZTestFrame", "", WS_OVERLAPPEDWINDOW, 100, 120, 200, 150, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(w, nullptr);
        ShowWindow(w, show);
        qaztest::PumpFor(50);
        ui::SaveWindowPosition(w, kRegView);
        DestroyWindow(w);
        const POINT p = ui::LoadWindowPosition(kRegView);
        EXPECT_EQ(p.x, 100) << "show " << show;
        EXPECT_EQ(p.y, 120) << "show " << show;
    }
    qaztest::ClearSettings();
}

// A modal window ends when it is closed, when it is destroyed, or when the
// program is asked to quit; the quit is handed on and the owner enabled again.
TEST(RunModal, EndsOnCloseDestroyOrQuitAndHandsTheQuitOn) {
    ui::RegisterWindowClass("QAZTestFrame", DefWindowProcA);
    enum Ending { close, destroy, quit };
    for (Ending ending : {close, destroy, quit}) {
        HWND owner = CreateWindowExA(0, "QAZTestFrame", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        HWND modal = CreateWindowExA(0, "QAZTestFrame", "", WS_POPUP, 0, 0, 50, 50, owner, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        bool closed = false;
        MSG msg;
        switch (ending) {
        case close: closed = true; break;
        case destroy: DestroyWindow(modal); break;
        case quit: PostQuitMessage(7); break;
        }
        ui::RunModal(modal, owner, closed, true);
        EXPECT_TRUE(IsWindowEnabled(owner)) << ending;
        const bool quitSeen = PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
        EXPECT_EQ(quitSeen, ending == quit) << ending;
        if (quitSeen) {
            EXPECT_EQ(msg.wParam, 7u);
        }
        DestroyWindow(modal);
        DestroyWindow(owner);
    }
}

// A close that reaches the window as a message sent from another thread
// ends the run at once, not at the next posted message.
bool sentClose = false;
LRESULT CALLBACK SentCloseProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_APP) ui::EndModal(sentClose);
    return DefWindowProcA(h, m, w, l);
}
TEST(RunModal, ACloseSentFromAnotherThreadEndsTheRunAtOnce) {
    ui::RegisterWindowClass("QAZTestModal", SentCloseProc);
    HWND modal = CreateWindowExA(0, "QAZTestModal", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    sentClose = false;
    const UINT_PTR wake = SetTimer(nullptr, 0, 5000, nullptr);  // the latest any message comes
    std::thread closer([modal] {
        Sleep(200);
        SendMessageA(modal, WM_APP, 0, 0);
    });
    const DWORD start = GetTickCount();
    ui::RunModal(modal, nullptr, sentClose, false);
    const DWORD took = GetTickCount() - start;
    closer.join();
    KillTimer(nullptr, wake);
    DestroyWindow(modal);
    EXPECT_TRUE(sentClose);
    EXPECT_LT(took, 2500u);
}

TEST(UserPaths, TempPathEndsWithBackslashAndUserIsKnown) {
    const std::string tmp = TempPath();
    ASSERT_FALSE(tmp.empty());
    EXPECT_TRUE(EndsWithBackslash(tmp));
    EXPECT_EQ(WorkFolderPath(), tmp + "~qaz");
    EXPECT_FALSE(UserName().empty());
}

static std::string PlatformShortPath(const std::string& path) {
    char buf[MAX_PATH];
    const DWORD n = GetShortPathNameA(path.c_str(), buf, MAX_PATH);
    return n ? std::string(buf, n) : std::string();
}

TEST(ShortPath, FolderWithAnAliasIsShortened) {
    qaztest::TempDir dir;
    dir.Folder("Long Folder Name");
    const std::string file = dir.File("Long Folder Name\\x.txt");
    const std::string expected = PlatformShortPath(file);
    ASSERT_NE(expected.find('~'), std::string::npos) << "the platform gave no alias: " << expected;
    EXPECT_EQ(ShortPathOf(file), expected);
}

TEST(ShortPath, EightThreeNamesStayAndMissingFileGivesItsFolder) {
    qaztest::TempDir dir;
    dir.Folder("SUB");
    const std::string file = dir.File("SUB\\A.TXT");
    const std::string shortDir = PlatformShortPath(dir.path() + "SUB");
    EXPECT_EQ(ShortPathOf(file), shortDir + "\\A.TXT");
    EXPECT_EQ(ShortPathOf(dir.path() + "SUB\\missing.txt"), shortDir + "\\");
}

TEST(ShortPath, DoubleByteFolderIsNeverSplit) {
    qaztest::TempDir dir;
    ASSERT_TRUE(CreateDirectoryA((dir.path() + kSo).c_str(), nullptr));
    const std::string file = dir.File(kSo + "\\a.txt");
    EXPECT_EQ(ShortPathOf(file), PlatformShortPath(file));
    std::vector<std::string> list;
    CollectOptions o;
    o.mask = 63;
    o.takePlain = true;
    CollectFiles(dir.path() + kSo, o, list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0], file);
}

TEST(ShortPath, NetworkPathsEnd) {
    // No share is reachable: what counts is that the walk up ends.
    EXPECT_EQ(ShortDirOf("\\\\host\\share"), "\\\\host\\share");
    EXPECT_EQ(ShortPathOf("\\\\host\\share\\dir\\x.txt").substr(0, 13), "\\\\host\\share\\");
    EXPECT_EQ(ShortDirOf("\\\\"), "\\\\");
    EXPECT_EQ(ShortDirOf("relative"), "relative");
}

TEST(CollectFiles, FolderBeforeItsContentsAndMaskRules) {
    qaztest::TempDir dir;
    dir.Folder("d");
    const std::string inner = dir.File("d\\inner.txt");
    const std::string plain = dir.File("plain.txt");
    SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::string archived = dir.File("archived.txt");
    SetFileAttributesA(archived.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesA(inner.c_str(), FILE_ATTRIBUTE_ARCHIVE);

    std::vector<std::string> list = {"old"};
    CollectOptions all;
    all.mask = 63;
    all.takePlain = true;
    all.clearFirst = true;
    all.recursive = true;
    all.markFolders = true;
    CollectFiles(dir.path(), all, list);
    ASSERT_EQ(list.size(), 4u);
    auto at = [&](const std::string& s) { return std::find(list.begin(), list.end(), s) - list.begin(); };
    EXPECT_LT(at(dir.path() + "d\\"), at(inner)) << "a folder stands before its contents";
    EXPECT_EQ(at("old"), static_cast<long>(list.size())) << "the list was cleared first";

    // Read-only or archive, plain files taken, no folders: as for dropped folders.
    std::vector<std::string> files;
    CollectOptions drop;
    drop.mask = 33;
    drop.takePlain = true;
    drop.recursive = true;
    CollectFiles(dir.path(), drop, files);
    std::sort(files.begin(), files.end());
    std::vector<std::string> expected = {archived, inner, plain};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected);
}

TEST(CollectFiles, LinksAreNeverEnteredNorAFolderTwice) {
    qaztest::TempDir dir;
    dir.Folder("f");
    const std::string inner = dir.File("f\\a.txt");
    SetFileAttributesA(inner.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    // Two links back to the folder above: followed, the walk never ends.
    ASSERT_TRUE(qaztest::MakeFolderLink(dir.path() + "f", "up1", ".."));
    ASSERT_TRUE(qaztest::MakeFolderLink(dir.path() + "f", "up2", ".."));
    CollectOptions drop;
    drop.mask = 33;
    drop.takePlain = true;
    drop.recursive = true;
    CollectOptions all = drop;
    all.mask = 63;
    all.markFolders = true;
    struct Case {
        std::string start;
        CollectOptions options;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {dir.path(), drop, {inner}},
        {dir.path() + "f", drop, {inner}},
        {dir.path(), all, {dir.path() + "f\\", inner, dir.path() + "f\\up1\\", dir.path() + "f\\up2\\"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> list;
        CollectFiles(c.start, c.options, list);
        std::sort(list.begin(), list.end());
        std::vector<std::string> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(list, expected) << c.start;
    }
}

TEST(WorkFolder, CleanNeverFollowsALinkOutOfTheWorkFolder) {
    qaztest::TempDir outside;
    const std::string keep = outside.File("keep.txt");
    SetFileAttributesA(keep.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string work = WorkFolderPath();
    CreateDirectoryA(work.c_str(), nullptr);
    const std::string outsideName = LastComponent(outside.path().substr(0, outside.path().size() - 1));
    ASSERT_TRUE(qaztest::MakeFolderLink(work, "out", "..\\" + outsideName));
    CleanWorkFolder();
    const DWORD kept = GetFileAttributesA(keep.c_str());
    EXPECT_TRUE(kept != INVALID_FILE_ATTRIBUTES && (kept & FILE_ATTRIBUTE_READONLY))
        << "a file behind a link is neither changed nor deleted: " << kept;
    qaztest::RemoveFolderLink(work + "\\out");
    CleanWorkFolder();
    EXPECT_EQ(GetFileAttributesA(work.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(WorkFolder, CleanRemovesReadOnlyAndHiddenFilesInNestedFolders) {
    const std::string work = WorkFolderPath();
    CreateDirectoryA(work.c_str(), nullptr);
    CreateDirectoryA((work + "\\a").c_str(), nullptr);
    CreateDirectoryA((work + "\\a\\b").c_str(), nullptr);
    const std::string files[] = {work + "\\top.txt", work + "\\a\\ro.txt", work + "\\a\\b\\hidden.txt"};
    for (const auto& f : files) {
        HANDLE h = CreateFileA(f.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    SetFileAttributesA(files[1].c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(files[2].c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((work + "\\a").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);

    CleanWorkFolder();
    EXPECT_EQ(GetFileAttributesA(work.c_str()), INVALID_FILE_ATTRIBUTES) << "the work folder itself is gone";
    CleanWorkFolder();  // nothing there: nothing happens
}

TEST(MessageBoxes, InfoBoxAndQuestionShowTheirTextUnderTheProgramsCaption) {
    {
        qaztest::MessageBoxWatcher watcher(kAppTitle);
        InfoBox("qaz_set.dll がありません");
        const auto texts = watcher.texts();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], "qaz_set.dll がありません");
    }
    {
        qaztest::MessageBoxWatcher yes(kAppTitle, IDYES);
        EXPECT_TRUE(AskYesNo("上書きしますか?"));
    }
    {
        qaztest::MessageBoxWatcher no(kAppTitle, IDNO);
        EXPECT_FALSE(AskYesNo("上書きしますか?"));
    }
}
