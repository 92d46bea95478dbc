// Drops on a bar in this process: real HDROPs, held keys, real folders.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "app/bar_window.h"
#include "archive/classify_and_bind.h"
#include "core/registry_keys.h"
#include "intake/action.h"
#include "intake/process_drop.h"
#include "tests/archive/probe/probe_env.h"
#include "tests/support/fake_host.h"
#include "tests/support/test_env.h"

using namespace qaz;
using qaztest::HoldKeys;
using qaztest::ProbeLibraries;
using Names = std::vector<std::string>;

namespace {

class DropTest : public ::testing::Test {
protected:
    void SetUp() override {
        HoldKeys({});
        settings_.Open = false;
        settings_.Path[1] = "C:\\two\\";
        settings_.Path[3] = "C:\\four\\";
    }
    void TearDown() override { HoldKeys({}); }
    // Drops the names with the keys held; returns the texts of the
    // message boxes shown meanwhile.
    Names Drop(const Names& names, std::initializer_list<int> keys = {}) {
        HoldKeys(keys);
        qaztest::MessageBoxWatcher watcher("QAZ for win32");
        ProcessDrop(bench_.context, DropSource::Shell(qaztest::MakeDrop(names)));
        HoldKeys({});
        return watcher.texts();
    }
    Names DropList() const {
        Names names;
        for (int i = 0; i < queue_.Count(); ++i) names.push_back(queue_.Entry(i));
        return names;
    }
    int ActionFor(std::initializer_list<int> keys) {
        HoldKeys(keys);
        const int action = ChooseAction(bench_.context);
        HoldKeys({});
        return action;
    }
    qaztest::Bench bench_;
    Settings& settings_ = bench_.settings;
    DropQueue& queue_ = bench_.queue;
};

}  // namespace

TEST_F(DropTest, HeldKeysChooseTheAction) {
    EXPECT_EQ(ActionFor({}), actView);
    EXPECT_EQ(ActionFor({VK_CONTROL}), actArchive);
    EXPECT_EQ(ActionFor({VK_CONTROL, VK_SHIFT}), actArchive);
    EXPECT_EQ(ActionFor({VK_SHIFT}), actSfx);
    EXPECT_EQ(ActionFor({VK_SHIFT, VK_MENU}), actSfx);  // no chooser
    EXPECT_EQ(ActionFor({VK_CONTROL, VK_MENU}), actArchive);
    // Alt alone goes to the chooser, whose answer is the action.
    SetFunctionChooser([](DropContext&) { return static_cast<int>(actArchive | actRename); });
    EXPECT_EQ(ActionFor({VK_MENU}), actArchive | actRename);
    SetFunctionChooser(nullptr);
}

TEST_F(DropTest, FirstHeldDigitChoosesTheTargetFolderWithOneMessage) {
    settings_.PathDef = 3;
    HoldKeys({'2', '4'});
    qaztest::MessageBoxWatcher watcher("QAZ for win32");
    EXPECT_EQ(ChooseAction(bench_.context), actView);
    HoldKeys({});
    EXPECT_EQ(queue_.targetPathIndex, 2);
    EXPECT_EQ(watcher.texts(), Names{"対象フォルダは \"C:\\two\\\" です"});

    EXPECT_EQ(ActionFor({}), actView);
    EXPECT_EQ(queue_.targetPathIndex, 3);
    EXPECT_EQ(watcher.texts().size(), 1u);
}

TEST_F(DropTest, ViewDropQueuesShowableFilesInOrder) {
    qaztest::TempDir dir;
    const std::string jpg = dir.File("b.jpg"), txt = dir.File("c.txt"), jp = dir.File("d.jp"),
                      bmp = dir.File("a.BMP"), none = dir.File("e");
    EXPECT_TRUE(Drop({jpg, txt, jp, bmp, none}).empty());
    EXPECT_EQ(DropList(), (Names{jpg, jp, bmp}));
    EXPECT_EQ(queue_.fileCount, 3);
    EXPECT_TRUE(queue_.filesPending);
    EXPECT_EQ(queue_.Selected(), 0);

    settings_.Open = true;
    Drop({txt, none});
    EXPECT_EQ(DropList(), (Names{txt, none}));
}

TEST_F(DropTest, DroppedFolderAddsItsFilesAtAllDepthsButNoFolder) {
    qaztest::TempDir dir;
    const std::string top = dir.Folder("pics");
    dir.Folder("pics\\sub");
    dir.Folder("pics\\sub\\deeper.jpg");  // a folder with a showable name
    const std::string a = dir.File("pics\\a.gif"), b = dir.File("pics\\sub\\b.bmp"),
                      c = dir.File("pics\\sub\\c.txt"), z = dir.File("pics\\sub\\inner.lzh");
    SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(b.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesA(c.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesA(z.c_str(), FILE_ATTRIBUTE_ARCHIVE);

    Drop({top});
    Names got = DropList();
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (Names{a, b}));

    // With Open every collected file joins, archives too (they are listed
    // when their turn comes), but still no folder.
    settings_.Open = true;
    Drop({top});
    for (const auto& name : DropList()) {
        const DWORD attributes = GetFileAttributesA(name.c_str());
        EXPECT_FALSE(attributes & FILE_ATTRIBUTE_DIRECTORY) << name;
    }
    got = DropList();
    EXPECT_NE(std::find(got.begin(), got.end(), z), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), c), got.end());
}

TEST_F(DropTest, FtpDropHandsTheFilesOverAndEmptiesTheList) {
    ProbeLibraries probes({"qaz_ftp.dll"});
    qaztest::TempDir dir;
    const std::string a = dir.File("a.txt"), folder = dir.Folder("sub"), b = dir.File("b.lzh");
    dir.File("sub\\inner.jpg");
    SetFunctionChooser([](DropContext&) { return static_cast<int>(actFtp); });
    const Names texts = Drop({a, folder, b}, {VK_MENU});
    SetFunctionChooser(nullptr);
    EXPECT_TRUE(texts.empty());
    // The library saw the files, not the folder, with the first selected.
    EXPECT_EQ(probes.Calls(), (Names{"qaz_ftp.dll load", "qaz_ftp.dll send 2 selected 0", "qaz_ftp.dll file " + a,
                                     "qaz_ftp.dll file " + b, "qaz_ftp.dll unload"}));
    EXPECT_TRUE(DropList().empty());
    EXPECT_EQ(queue_.fileCount, 0);
    EXPECT_FALSE(queue_.filesPending);
}

TEST_F(DropTest, FtpWithoutItsLibrarySaysSo) {
    ProbeLibraries probes({});
    qaztest::TempDir dir;
    SetFunctionChooser([](DropContext&) { return static_cast<int>(actFtp); });
    const Names texts = Drop({dir.File("a.txt")}, {VK_MENU});
    SetFunctionChooser(nullptr);
    EXPECT_EQ(texts, Names{"qaz_ftp.dll がありません"});
    EXPECT_TRUE(DropList().empty());
}

TEST_F(DropTest, CancelledChoiceLeavesEverythingAsItWas) {
    qaztest::TempDir dir;
    queue_.Append("kept");
    SetFunctionChooser([](DropContext&) { return static_cast<int>(actCancel); });
    EXPECT_TRUE(Drop({dir.File("a.gif")}, {VK_MENU}).empty());
    SetFunctionChooser(nullptr);
    EXPECT_EQ(DropList(), Names{"kept"});
    EXPECT_EQ(queue_.fileCount, 0);
}

TEST_F(DropTest, ArchivesAreListedOrExtractedAtOnce) {
    ProbeLibraries probes({"Unlha32.dll", "Unzip32.dll", "Cab32.dll"});
    const std::string lzh1 = probes.dir().File("a.lzh"), lzh2 = probes.dir().File("b.lzh"),
                      zip = probes.dir().File("c.zip"), cab = probes.dir().File("d.cab"),
                      jpg = probes.dir().File("e.jpg");
    settings_.UnpackFilesSelect = true;
    // The user closes each contents window that opens.
    std::atomic<bool> done{false};
    std::atomic<int> windows{0};
    std::thread user([&] {
        while (!done) {
            if (HWND w = FindWindowA("TJX_QAZUnpack", nullptr)) {
                if (IsWindowVisible(w)) {
                    PostMessageA(w, WM_CLOSE, 0, 0);
                    ++windows;
                    while (!done && IsWindow(w) && IsWindowVisible(w)) Sleep(10);
                }
            }
            Sleep(10);
        }
    });
    EXPECT_TRUE(Drop({lzh1, lzh2, zip, cab, jpg}).empty());
    done = true;
    user.join();
    EXPECT_EQ(windows, 3);  // the two LZH archives and the cabinet
    EXPECT_EQ(DropList(), Names{jpg});
    EXPECT_EQ(probes.Count("Unlha32.dll load"), 1);
    EXPECT_EQ(probes.Count("Unlha32.dll open 08001200"), 2);  // listed
    EXPECT_EQ(probes.Count("Unzip32.dll check 0"), 1);        // extracted, not listed
    EXPECT_EQ(probes.Count("Unzip32.dll open 08001200"), 0);
    EXPECT_EQ(probes.Count("Cab32.dll open 00000000"), 1);
    // The drop ends with nothing bound.
    EXPECT_EQ(bench_.binding.kind(), 0);
    EXPECT_EQ(probes.Calls().back(), "Cab32.dll unload");
}

TEST_F(DropTest, MissingArchiverLeavesTheFileToTheViewFilter) {
    ProbeLibraries probes({});
    const std::string lzh = probes.dir().File("a.lzh");
    settings_.Open = true;
    EXPECT_EQ(Drop({lzh}), Names{"Unlha32.dll がありません"});
    EXPECT_EQ(DropList(), Names{lzh});
    settings_.Open = false;
    EXPECT_EQ(Drop({lzh}), Names{"Unlha32.dll がありません"});
    EXPECT_TRUE(DropList().empty());
    EXPECT_EQ(queue_.fileCount, 0);
    EXPECT_FALSE(queue_.filesPending);
}

TEST_F(DropTest, PackingBindsThePackerAfreshAndQueuesNothing) {
    ProbeLibraries probes({"Unlha32.dll"});
    const std::string a = probes.dir().File("a.jpg"), b = probes.dir().File("b.lzh");
    EXPECT_TRUE(Drop({a, b}, {VK_CONTROL, VK_SHIFT}).empty());
    EXPECT_TRUE(DropList().empty());
    EXPECT_EQ(queue_.fileCount, 0);
    // Bound once for the packing (the .lzh is an item, not an archive to
    // open), given the packing command, and released at its end.
    const Names calls = probes.CallsWithoutPolls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], "Unlha32.dll load");
    EXPECT_EQ(calls[1].rfind("Unlha32.dll command a -a1 \"" + probes.dir().path() + "a.lzh\" \"@", 0), 0u) << calls[1];
    EXPECT_EQ(calls[2], "Unlha32.dll unload");
    EXPECT_EQ(bench_.binding.kind(), 0);
}

TEST_F(DropTest, PackingWithoutItsLibraryEndsTheDrop) {
    ProbeLibraries probes({});
    settings_.PackDef = 2;
    const std::string a = probes.dir().File("a.jpg");
    EXPECT_EQ(Drop({a}, {VK_SHIFT}), Names{"Cab32.dll がありません"});
    EXPECT_TRUE(DropList().empty());
    EXPECT_FALSE(bench_.host.animating);
}

TEST_F(DropTest, DropMessageOnTheBarQueuesAndStepsThroughTheFiles) {
    // Two pictures that cannot be read: each is reported in its turn.
    qaztest::ClearSettings();
    qaztest::SetDword(kRegMain, "TaskTray", 0);  // removing a tray icon costs Wine two seconds
    qaztest::SetDword(kRegSettings, "Bmp", 0);   // next picture at once
    qaztest::TempDir dir;
    const std::string a = dir.File("a.bmp"), b = dir.File("b.bmp");
    BarWindow bar;
    ASSERT_TRUE(bar.Create(nullptr, {}));
    qaztest::MessageBoxWatcher watcher("QAZ for win32");
    PostMessageA(bar.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(qaztest::MakeDrop({a, b})), 0);
    EXPECT_TRUE(qaztest::PumpUntil([&] { return watcher.texts().size() == 2 && !bar.QueueArmed(); }, 10000));
    EXPECT_EQ(watcher.texts(), (Names{"a.bmp は不正ファイルです", "b.bmp は不正ファイルです"}));
    EXPECT_EQ(bar.queue().Count(), 0);
    qaztest::ClearSettings();
}

TEST_F(DropTest, CommandLineNamesWithQuotes) {
    qaztest::TempDir dir;
    const std::string a = dir.File("a b.gif");
    const Names params = {"\"" + a + "\"", dir.File("c.txt")};
    ProcessDrop(bench_.context, DropSource::CommandLine(params));
    EXPECT_EQ(DropList(), Names{a});
    EXPECT_EQ(queue_.fileCount, 1);
}

TEST_F(DropTest, OverlongDroppedNameIsCutToTheNameBuffer) {
    const std::string longName = "C:\\" + std::string(700, 'x') + ".gif";
    settings_.Open = true;
    Drop({longName});
    const Names got = DropList();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], longName.substr(0, 576));
}

TEST_F(DropTest, ScreenSaverAndPictureFlagsFollowTheClassifications) {
    int kind = 0;
    ClassifyAndBind(bench_.context, "a.scr", kind, false);
    EXPECT_EQ(kind, -3);
    EXPECT_TRUE(queue_.screenSaverPending);
    // Archives only: the flag waits for a classification that may bind.
    ClassifyAndBind(bench_.context, "b.ico", kind, true);
    EXPECT_TRUE(queue_.screenSaverPending);
    EXPECT_EQ(queue_.pictureSubKind, 1);
    ClassifyAndBind(bench_.context, "c.bmp", kind, false);
    EXPECT_FALSE(queue_.screenSaverPending);
    EXPECT_EQ(queue_.pictureSubKind, 0);
    ClassifyAndBind(bench_.context, "d.wav", kind, false);
    EXPECT_EQ(kind, -2);
    EXPECT_EQ(queue_.pictureSubKind, 0);
}

// Names on the command line without a folder name files in the folder the
// program was started in, not at the drive's root.
TEST_F(DropTest, CommandLineNamesAreTakenFromTheCurrentFolder) {
    qaztest::TempDir dir;
    dir.Folder("sub");
    const std::string a = dir.File("a.gif"), b = dir.File("sub\\b b.gif"), c = dir.File("c.gif");
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof before, before);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    const Names params = {"a.gif", "\"sub\\b b.gif\"", ".\\sub\\..\\c.gif", c};
    ProcessDrop(bench_.context, DropSource::CommandLine(params));
    SetCurrentDirectoryA(before);
    EXPECT_EQ(DropList(), (Names{a, b, c, c}));
}
