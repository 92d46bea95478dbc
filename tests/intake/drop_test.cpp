// Drops on a bar in this process: real HDROPs, held keys, real folders.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <memory>

#include "app/bar_window.h"
#include "app/registry.h"
#include "archive/library_binding.h"
#include "intake/action.h"
#include "intake/classify.h"
#include "intake/process_drop.h"
#include "tests/archive/probe/probe_env.h"
#include "tests/support/test_env.h"

using namespace qaz;
using qaztest::ProbeLibraries;
using Names = std::vector<std::string>;

namespace {

HDROP MakeDrop(const Names& names) {
    size_t size = sizeof(DROPFILES) + 1;
    for (const auto& n : names) size += n.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    char* p = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
    for (const auto& n : names) {
        std::memcpy(p, n.c_str(), n.size() + 1);
        p += n.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

void HoldKeys(std::initializer_list<int> keys) {
    BYTE state[256] = {};
    for (int k : keys) state[k] = 0x80;
    SetKeyboardState(state);
}

class DropTest : public ::testing::Test {
protected:
    void SetUp() override {
        qaztest::ClearSettings();
        qaztest::SetDword(kRegMain, "TaskTray", 0);  // removing a tray icon costs Wine two seconds
        HoldKeys({});
        bar_ = std::make_unique<BarWindow>();
        ASSERT_TRUE(bar_->Create(nullptr, {}));
        bar_->settings.Open = false;
        bar_->settings.Path[1] = "C:\\two\\";
        bar_->settings.Path[3] = "C:\\four\\";
    }
    void TearDown() override {
        HoldKeys({});
        bar_.reset();
        UnbindLibrary();
        qaztest::ClearSettings();
    }
    // Drops the names with the keys held; returns the texts of the
    // message boxes shown meanwhile.
    Names Drop(const Names& names, std::initializer_list<int> keys = {}) {
        HoldKeys(keys);
        qaztest::MessageBoxWatcher watcher("QAZ for win32");
        ProcessDrop(*bar_, DropSource::Shell(MakeDrop(names)));
        HoldKeys({});
        return watcher.texts();
    }
    Names DropList() const {
        Names names;
        const int n = static_cast<int>(SendMessageA(bar_->dropList(), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            char text[600] = {};
            SendMessageA(bar_->dropList(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            names.push_back(text);
        }
        return names;
    }
    std::unique_ptr<BarWindow> bar_;
};

int ActionFor(BarWindow& bar, std::initializer_list<int> keys) {
    HoldKeys(keys);
    const int action = ChooseAction(bar);
    HoldKeys({});
    return action;
}

}  // namespace

TEST_F(DropTest, HeldKeysChooseTheAction) {
    EXPECT_EQ(ActionFor(*bar_, {}), actView);
    EXPECT_EQ(ActionFor(*bar_, {VK_CONTROL}), actArchive);
    EXPECT_EQ(ActionFor(*bar_, {VK_CONTROL, VK_SHIFT}), actArchive);
    EXPECT_EQ(ActionFor(*bar_, {VK_SHIFT}), actSfx);
    EXPECT_EQ(ActionFor(*bar_, {VK_SHIFT, VK_MENU}), actSfx);  // no chooser
    EXPECT_EQ(ActionFor(*bar_, {VK_CONTROL, VK_MENU}), actArchive);
    // Alt alone goes to the chooser, which cancels for now.
    EXPECT_EQ(ActionFor(*bar_, {VK_MENU}), actCancel);
}

TEST_F(DropTest, FirstHeldDigitChoosesTheTargetFolderWithOneMessage) {
    bar_->settings.PathDef = 3;
    HoldKeys({'2', '4'});
    qaztest::MessageBoxWatcher watcher("QAZ for win32");
    EXPECT_EQ(ChooseAction(*bar_), actView);
    HoldKeys({});
    EXPECT_EQ(bar_->state.TargetPathIndex, 2);
    EXPECT_EQ(watcher.texts(), Names{"対象フォルダは \"C:\\two\\\" です"});

    EXPECT_EQ(ActionFor(*bar_, {}), actView);
    EXPECT_EQ(bar_->state.TargetPathIndex, 3);
    EXPECT_EQ(watcher.texts().size(), 1u);
}

TEST_F(DropTest, ViewDropQueuesShowableFilesInOrder) {
    qaztest::TempDir dir;
    const std::string jpg = dir.File("b.jpg"), txt = dir.File("c.txt"), jp = dir.File("d.jp"),
                      bmp = dir.File("a.BMP"), none = dir.File("e");
    EXPECT_TRUE(Drop({jpg, txt, jp, bmp, none}).empty());
    EXPECT_EQ(DropList(), (Names{jpg, jp, bmp}));
    EXPECT_EQ(bar_->state.FileCount, 3);
    EXPECT_TRUE(bar_->state.FilesPending);
    EXPECT_EQ(SendMessageA(bar_->dropList(), LB_GETCURSEL, 0, 0), 0);

    bar_->settings.Open = true;
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
    bar_->settings.Open = true;
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
    SetFunctionChooser([](BarWindow&) { return static_cast<int>(actFtp); });
    const Names texts = Drop({a, folder, b}, {VK_MENU});
    SetFunctionChooser(nullptr);
    EXPECT_TRUE(texts.empty());
    // The library saw the files, not the folder, with the first selected.
    EXPECT_EQ(probes.Calls(), (Names{"qaz_ftp.dll load", "qaz_ftp.dll send 2 selected 0", "qaz_ftp.dll file " + a,
                                     "qaz_ftp.dll file " + b, "qaz_ftp.dll unload"}));
    EXPECT_TRUE(DropList().empty());
    EXPECT_EQ(bar_->state.FileCount, 0);
    EXPECT_FALSE(bar_->state.FilesPending);
}

TEST_F(DropTest, FtpWithoutItsLibrarySaysSo) {
    ProbeLibraries probes({});
    qaztest::TempDir dir;
    SetFunctionChooser([](BarWindow&) { return static_cast<int>(actFtp); });
    const Names texts = Drop({dir.File("a.txt")}, {VK_MENU});
    SetFunctionChooser(nullptr);
    EXPECT_EQ(texts, Names{"qaz_ftp.dll がありません"});
    EXPECT_TRUE(DropList().empty());
}

TEST_F(DropTest, CancelledChoiceLeavesEverythingAsItWas) {
    qaztest::TempDir dir;
    SendMessageA(bar_->dropList(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("kept"));
    EXPECT_TRUE(Drop({dir.File("a.gif")}, {VK_MENU}).empty());
    EXPECT_EQ(DropList(), Names{"kept"});
    EXPECT_EQ(bar_->state.FileCount, 0);
}

TEST_F(DropTest, ArchivesAreListedOrExtractedAtOnce) {
    ProbeLibraries probes({"Unlha32.dll", "Unzip32.dll", "Cab32.dll"});
    const std::string lzh1 = probes.dir().File("a.lzh"), lzh2 = probes.dir().File("b.lzh"),
                      zip = probes.dir().File("c.zip"), cab = probes.dir().File("d.cab"),
                      jpg = probes.dir().File("e.jpg");
    bar_->settings.UnpackFilesSelect = true;
    EXPECT_TRUE(Drop({lzh1, lzh2, zip, cab, jpg}).empty());
    EXPECT_EQ(DropList(), Names{jpg});
    EXPECT_EQ(probes.Count("Unlha32.dll load"), 1);
    EXPECT_EQ(probes.Count("Unlha32.dll open 08001200"), 2);  // listed
    EXPECT_EQ(probes.Count("Unzip32.dll check 0"), 1);        // extracted, not listed
    EXPECT_EQ(probes.Count("Unzip32.dll open 08001200"), 0);
    EXPECT_EQ(probes.Count("Cab32.dll open 00000000"), 1);
    // The drop ends with nothing bound.
    EXPECT_EQ(BoundKind(), 0);
    EXPECT_EQ(probes.Calls().back(), "Cab32.dll unload");
}

TEST_F(DropTest, MissingArchiverLeavesTheFileToTheViewFilter) {
    ProbeLibraries probes({});
    const std::string lzh = probes.dir().File("a.lzh");
    bar_->settings.Open = true;
    EXPECT_EQ(Drop({lzh}), Names{"Unlha32.dll がありません"});
    EXPECT_EQ(DropList(), Names{lzh});
    bar_->settings.Open = false;
    EXPECT_EQ(Drop({lzh}), Names{"Unlha32.dll がありません"});
    EXPECT_TRUE(DropList().empty());
    EXPECT_EQ(bar_->state.FileCount, 0);
    EXPECT_FALSE(bar_->state.FilesPending);
}

TEST_F(DropTest, PackingBindsThePackerAfreshAndQueuesNothing) {
    ProbeLibraries probes({"Unlha32.dll"});
    const std::string a = probes.dir().File("a.jpg"), b = probes.dir().File("b.lzh");
    EXPECT_TRUE(Drop({a, b}, {VK_CONTROL, VK_SHIFT}).empty());
    EXPECT_TRUE(DropList().empty());
    EXPECT_EQ(bar_->state.FileCount, 0);
    // Bound once for the packing (the .lzh is an item, not an archive to
    // open) and released at its end.
    EXPECT_EQ(probes.CallsWithoutPolls(), (Names{"Unlha32.dll load", "Unlha32.dll unload"}));
    EXPECT_EQ(BoundKind(), 0);
}

TEST_F(DropTest, PackingWithoutItsLibraryEndsTheDrop) {
    ProbeLibraries probes({});
    bar_->settings.PackDef = 2;
    const std::string a = probes.dir().File("a.jpg");
    EXPECT_EQ(Drop({a}, {VK_SHIFT}), Names{"Cab32.dll がありません"});
    EXPECT_TRUE(DropList().empty());
    EXPECT_EQ(bar_->state.AniLibrary, nullptr);
}

TEST_F(DropTest, DropMessageOnTheBarQueuesAndStepsThroughTheFiles) {
    qaztest::TempDir dir;
    const std::string a = dir.File("a.gif"), b = dir.File("b.wav");
    Names opened;
    bar_->openFile = [&](const std::string& name) {
        opened.push_back(name);
        return 1;
    };
    bar_->state.AutoLoadFiles = true;
    PostMessageA(bar_->hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({a, b})), 0);
    EXPECT_TRUE(qaztest::PumpUntil([&] { return opened.size() == 2 && !bar_->Timer2Enabled(); }, 5000));
    EXPECT_EQ(opened, (Names{a, b}));
    EXPECT_TRUE(DropList().empty());
}

TEST_F(DropTest, CommandLineNamesWithQuotes) {
    qaztest::TempDir dir;
    const std::string a = dir.File("a b.gif");
    const Names params = {"\"" + a + "\"", dir.File("c.txt")};
    ProcessDrop(*bar_, DropSource::CommandLine(params));
    EXPECT_EQ(DropList(), Names{a});
    EXPECT_EQ(bar_->state.FileCount, 1);
}

TEST_F(DropTest, OverlongDroppedNameIsCutToTheNameBuffer) {
    const std::string longName = "C:\\" + std::string(700, 'x') + ".gif";
    bar_->settings.Open = true;
    Drop({longName});
    const Names got = DropList();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], longName.substr(0, 576));
}

TEST_F(DropTest, ScreenSaverAndPictureFlagsFollowTheClassifications) {
    int kind = 0;
    ClassifyAndBind(*bar_, "a.scr", kind, false);
    EXPECT_EQ(kind, -3);
    EXPECT_TRUE(bar_->state.ScreenSaverPending);
    // Archives only: the flag waits for a classification that may bind.
    ClassifyAndBind(*bar_, "b.ico", kind, true);
    EXPECT_TRUE(bar_->state.ScreenSaverPending);
    EXPECT_EQ(bar_->state.PictureSubKind, 1);
    ClassifyAndBind(*bar_, "c.bmp", kind, false);
    EXPECT_FALSE(bar_->state.ScreenSaverPending);
    EXPECT_EQ(bar_->state.PictureSubKind, 0);
    ClassifyAndBind(*bar_, "d.wav", kind, false);
    EXPECT_EQ(kind, -2);
    EXPECT_EQ(bar_->state.PictureSubKind, 0);
}
