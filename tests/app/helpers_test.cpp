// File, path and message helpers against the real file system.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "base/collect_files.h"
#include "base/info_box.h"
#include "base/path_parts.h"
#include "base/short_path.h"
#include "base/user_paths.h"
#include "base/work_folder.h"
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
