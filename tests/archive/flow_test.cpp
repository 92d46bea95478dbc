// Drops that extract and pack through our real Tar32.dll, Unlha32.dll,
// Cab32.dll and Ish32.dll (beside this test), in process with a stand-in bar.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <thread>

#include "archive/archive_ops.h"
#include "archive/contents_rows.h"
#include "archive/contents_window.h"
#include "archive/library_binding.h"
#include "base/user_paths.h"
#include "core/registry_keys.h"
#include "intake/process_drop.h"
#include "tests/support/fake_host.h"
#include "tests/support/test_env.h"

using namespace qaz;

namespace {

using qaztest::FileBytes;
using qaztest::HoldKeys;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string DataFolder() { return qaztest::ExeFolder() + "archiver_data\\"; }

class ArchiveFlow : public ::testing::Test {
protected:
    void SetUp() override { HoldKeys({}); }
    void TearDown() override { HoldKeys({}); }
    std::vector<std::string> Drop(const std::vector<std::string>& names, std::initializer_list<int> keys = {},
                                  int button = IDOK) {
        HoldKeys(keys);
        qaztest::MessageBoxWatcher watcher("QAZ for win32", button);
        ProcessDrop(bench_.context, DropSource::Shell(qaztest::MakeDrop(names)));
        HoldKeys({});
        return watcher.texts();
    }
    // Copies a test archive into the temporary folder under a new name.
    std::string Archive(const char* from, const char* name) {
        const std::string to = temp_.path() + name;
        CopyFileA((DataFolder() + from).c_str(), to.c_str(), FALSE);
        return to;
    }
    qaztest::Bench bench_;
    qaztest::TempDir temp_;
};

}  // namespace

TEST_F(ArchiveFlow, DroppedTgzExtractsIntoItsAutomaticFolderBesideIt) {
    const std::string archive = Archive("tree.tgz", "data_2024.tgz");
    EXPECT_TRUE(Drop({archive}).empty());
    // The same bytes as the files that were packed.
    for (const char* file : {"src\\text.txt", "src\\bin\\noise.bin"})
        EXPECT_EQ(FileBytes(temp_.path() + "data\\" + file), FileBytes(DataFolder() + "tree\\" + file)) << file;
    EXPECT_FALSE(Exists(temp_.path() + "data_2024"));
}

TEST_F(ArchiveFlow, ExtractionFollowsTheDestinationSettings) {
    const std::string zip = Archive("tree.zip", "pics_old_v2.zip");
    const std::string gz = Archive("named.gz", "single.gz");
    struct Case {
        bool ddir, autoDir, del1, del2;
        std::string archive;
        std::string expected;  // relative to the temporary folder
    } cases[] = {
        {true, true, true, true, zip, "pics\\src\\text.txt"},
        {true, true, false, false, zip, "pics_old_v2\\src\\text.txt"},
        {true, false, true, true, zip, "src\\text.txt"},
        {false, true, true, true, zip, "target\\pics\\src\\text.txt"},
        {true, true, true, true, gz, "single\\text.txt"},
    };
    for (const Case& c : cases) {
        bench_.settings.DDir = c.ddir;
        bench_.settings.AutoDir = c.autoDir;
        bench_.settings.AutoDel1 = c.del1;
        bench_.settings.AutoDel2 = c.del2;
        bench_.settings.Path[0] = temp_.path() + "target\\";
        bench_.settings.PathDef = 1;
        EXPECT_TRUE(Drop({c.archive}).empty()) << c.expected;
        EXPECT_TRUE(Exists(temp_.path() + c.expected)) << c.expected;
        qaztest::RemoveTree(temp_.path() + c.expected.substr(0, c.expected.find('\\')));
    }
}

TEST_F(ArchiveFlow, ARefusedArchiveIsReportedAsInvalid) {
    const std::string fake = temp_.File("fake.tgz", "not an archive at all");
    EXPECT_EQ(Drop({fake}), std::vector<std::string>{"fake.tgz は不正ファイルです"});
}

TEST_F(ArchiveFlow, CtrlDropPacksIntoTgzNamedAfterTheFirstItem) {
    bench_.settings.PackDef = 4;
    const std::string a = temp_.File("first.txt", "first file\n");
    const std::string b = temp_.File("second.bin", std::string(5000, '\x7f'));
    const std::string folder = temp_.Folder("pics");
    temp_.File("pics\\p.txt", "in the folder\n");
    EXPECT_TRUE(Drop({a, b, folder}, {VK_CONTROL}).empty());
    const std::string tgz = temp_.path() + "first.tgz";
    ASSERT_TRUE(Exists(tgz));
    EXPECT_FALSE(Exists(qaztest::ExeFolder() + "pack.qaz"));
    // Extracted again with the same library, everything is there.
    bench_.settings.AutoDir = false;
    qaztest::TempDir out;
    bench_.settings.DDir = false;
    bench_.settings.Path[0] = out.path();
    bench_.settings.PathDef = 1;
    EXPECT_TRUE(Drop({tgz}).empty());
    EXPECT_EQ(FileBytes(out.path() + "first.txt"), "first file\n");
    EXPECT_EQ(FileBytes(out.path() + "second.bin"), std::string(5000, '\x7f'));
    EXPECT_EQ(FileBytes(out.path() + "pics\\p.txt"), "in the folder\n");
}

TEST_F(ArchiveFlow, PackingNamesAndTheOverwriteQuestion) {
    bench_.settings.PackDef = 4;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char today[16];
    wsprintfA(today, "%04u%02u%02u.tgz", now.wYear, now.wMonth, now.wDay);
    const std::string a = temp_.File("first.txt", "first file\n");
    const std::string folder = temp_.Folder("pics");
    temp_.File("pics\\p.txt", "in the folder\n");
    const std::string existing = temp_.File("first.tgz", "an older file");
    struct Case {
        int packFn;
        std::string first;
        std::vector<std::string> messages;
        std::string archive;
    } cases[] = {
        {0, a, {"既にファイルが存在しますが、上書きしますか"}, "first.tgz"},  // answered Yes: overwritten
        {1, a, {}, today},
        {2, folder, {"現在の日付をファイル名とします"}, today},  // a folder has no date to read
    };
    for (const Case& c : cases) {
        bench_.settings.PackFN = c.packFn;
        DeleteFileA((temp_.path() + today).c_str());
        EXPECT_EQ(Drop({c.first, folder}, {VK_CONTROL}, IDYES), c.messages) << c.packFn;
        const std::string made = temp_.path() + c.archive;
        LibraryBinding& binding = bench_.binding;
        ASSERT_TRUE(binding.Bind(14, false)) << c.packFn;
        EXPECT_EQ(binding.entries().check(made.c_str(), 0) & 0xFF, 1) << c.packFn << " " << made;
        binding.Unbind();
    }
}

// Shift packs a dropped folder into a self-extracting program beside it,
// named after the folder; the plain archive is removed, and the program,
// run as a user would, gives every file back.
TEST_F(ArchiveFlow, ShiftDropMakesASelfExtractingProgramBesideTheFolder) {
    const std::string text = "a line of text\r\n";
    std::string noise(70000, '\0');
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 7 + i / 251);
    struct Case {
        int packDef;  // with the format's default option word
        std::string folder;
        const char* plain;
    } cases[] = {
        {1, "ソース", "ソース.lzh"},  // a trail byte 0x5C in the name
        {2, "cabs", "cabs.cab"},
    };
    for (const Case& c : cases) {
        bench_.settings.PackDef = c.packDef;
        const std::string folder = temp_.Folder(c.folder);
        temp_.File(c.folder + "\\notes.txt", text);
        temp_.Folder(c.folder + "\\sub");
        temp_.File(c.folder + "\\sub\\noise.bin", noise);
        EXPECT_TRUE(Drop({folder}, {VK_SHIFT}).empty()) << c.plain;
        EXPECT_FALSE(Exists(temp_.path() + c.plain)) << c.plain;
        EXPECT_FALSE(Exists(TempPath() + "pack.qaz")) << c.plain;
        const std::string exe = temp_.path() + c.folder + ".exe";
        ASSERT_TRUE(Exists(exe)) << exe;
        const std::string out = temp_.Folder("out_" + std::to_string(c.packDef)) + "\\";
        EXPECT_EQ(qaztest::RunProgram(exe, "\"" + out + "\""), 0) << exe;
        EXPECT_EQ(qaztest::FileBytes(out + c.folder + "\\notes.txt"), text) << exe;
        EXPECT_EQ(qaztest::FileBytes(out + c.folder + "\\sub\\noise.bin"), noise) << exe;
    }
}

// When the self-extracting program cannot be made (here a folder holds its
// name), the plain archive stays: after "m" it is the only copy.
TEST_F(ArchiveFlow, AFailedSelfExtractingStepKeepsThePlainArchive) {
    bench_.settings.PackLevel[0] = 0x10030000;  // "m", kind 3
    const std::string folder = temp_.Folder("kept");
    temp_.File("kept\\notes.txt", "the only copy\r\n");
    temp_.Folder("kept.exe");
    EXPECT_EQ(Drop({folder}, {VK_SHIFT}, IDYES), std::vector<std::string>{"既にファイルが存在しますが、上書きしますか"});
    EXPECT_FALSE(Exists(folder + "\\notes.txt"));  // moved into the archive
    const std::string plain = temp_.path() + "kept.lzh";
    ASSERT_TRUE(Exists(plain));
    ASSERT_TRUE(bench_.binding.Bind(9, false));
    const std::string out = temp_.Folder("out") + "\\";
    char report[577] = {};
    EXPECT_EQ(bench_.binding.entries().command(nullptr, ("x -a1 \"" + plain + "\" \"" + out + "\"").c_str(), report,
                                                sizeof report),
              0)
        << report;
    bench_.binding.Unbind();
    EXPECT_EQ(qaztest::FileBytes(out + "kept\\notes.txt"), "the only copy\r\n");
}

// ISH through our Ish32.dll: a Ctrl-drop with PackDef 3 encodes each file
// into its own text beside it, and a dropped text is decoded beside it.
TEST_F(ArchiveFlow, IshPacksEachFileAndADroppedTextDecodesBesideIt) {
    bench_.settings.PackDef = 3;
    bench_.settings.PackLevel[2] = 1 | 3 << 16;  // "s8" and "9"
    const std::string data1 = "first file\r\n", data2 = std::string(5000, '\x7f') + "tail";
    const std::string a = temp_.File("first.txt", data1);
    const std::string b = temp_.File("second.bin", data2);
    EXPECT_TRUE(Drop({a, b}, {VK_CONTROL}).empty());
    ASSERT_TRUE(Exists(temp_.path() + "first.ish"));
    ASSERT_TRUE(Exists(temp_.path() + "second.ish"));
    EXPECT_FALSE(Exists(qaztest::ExeFolder() + "pack.qaz"));

    qaztest::TempDir out;
    for (const char* name : {"first.ish", "second.ish"}) {
        const std::string text = out.path() + name;
        CopyFileA((temp_.path() + name).c_str(), text.c_str(), FALSE);
        bench_.settings.DDir = true;
        bench_.settings.AutoDir = false;
        EXPECT_TRUE(Drop({text}).empty()) << name;
    }
    // The header keeps the short (8.3) name of what was encoded.
    EXPECT_EQ(qaztest::FileBytes(out.path() + "FIRST.TXT"), data1);
    EXPECT_EQ(qaztest::FileBytes(out.path() + "SECOND.BIN"), data2);
}

TEST(ContentsRows, TextsOfARow) {
    struct Case {
        uint32_t size;
        uint16_t ratio, date, time;
        const char* path;
        const char* name;
        const char* sizeText;
        const char* ratioText;
        const char* dateText;
        const char* folder;
    } cases[] = {
        {1234, 523, (44 << 9) | (3 << 5) | 5, (6 << 11) | (7 << 5) | 4, "sub/dir/a.txt", "a.txt", "1234", "52.3%",
         "2024/03/05 06:07:08", "sub/dir"},
        {0, 0, (0 << 9) | (1 << 5) | 1, 0, "top.bin", "top.bin", "0", "0.0%", "1980/01/01 00:00:00", ""},
        {0xFFFFFFFFu, 1000, 0, 0, "a\\b/c.txt", "b/c.txt", "-1", "100.0%", "1980/00/00 00:00:00", "a"},
        {5, 7, 0, 0, "\x83\x5c\\x", "x", "5", "0.7%", "1980/00/00 00:00:00", "\x83\x5c"},
    };
    for (const Case& c : cases) {
        ArchiveEntry e;
        e.originalSize = c.size;
        e.ratio = c.ratio;
        e.date = c.date;
        e.time = c.time;
        e.path = c.path;
        e.method = "-lh5-";
        const ContentsRow row = RowOf(e);
        EXPECT_EQ(row.name, c.name) << c.path;
        EXPECT_EQ(row.size, c.sizeText) << c.path;
        EXPECT_EQ(row.ratio, c.ratioText) << c.path;
        EXPECT_EQ(row.date, c.dateText) << c.path;
        EXPECT_EQ(row.folder, c.folder) << c.path;
        EXPECT_EQ(row.type, "-lh5-");
    }
}

TEST_F(ArchiveFlow, ContentsWindowListsTheTgzAndExtractsAll) {
    bench_.settings.UnpackFilesSelect = true;
    const std::string archive = Archive("tree.tgz", "data_2024.tgz");
    struct Seen {
        int rows = -1;
        bool viewEnabled = true;
        std::string caption, kind;
    } seen;
    std::thread user([&] {
        HWND w = nullptr;
        for (int i = 0; i < 500 && !(w = FindWindowA("TJX_QAZUnpack", nullptr)); ++i) Sleep(20);
        if (!w) return;
        // QAZ_SHOW_MS keeps the window up longer, for a screenshot.
        char hold[16] = {};
        Sleep(GetEnvironmentVariableA("QAZ_SHOW_MS", hold, sizeof hold) ? std::atoi(hold) : 300);
        seen.rows = static_cast<int>(SendMessageA(FindWindowExA(w, nullptr, WC_LISTVIEWA, nullptr), LVM_GETITEMCOUNT, 0, 0));
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STATE;
        GetMenuItemInfoA(GetMenu(w), ContentsWindow::msView, FALSE, &info);
        seen.viewEnabled = !(info.fState & MFS_GRAYED);
        char text[600] = {};
        GetWindowTextA(w, text, sizeof text);
        seen.caption = text;
        GetWindowTextA(FindWindowExA(w, nullptr, "STATIC", nullptr), text, sizeof text);
        seen.kind = text;
        PostMessageA(w, WM_COMMAND, ContentsWindow::msAllUnpack, 0);
    });
    EXPECT_TRUE(Drop({archive}).empty());
    user.join();
    EXPECT_EQ(seen.rows, 4);  // the files; the folder entries have no rows
    EXPECT_FALSE(seen.viewEnabled);
    EXPECT_EQ(seen.caption, archive);
    EXPECT_EQ(seen.kind, "14");
    EXPECT_TRUE(Exists(temp_.path() + "data\\src\\text.txt"));
    EXPECT_FALSE(FindWindowA("TJX_QAZUnpack", nullptr));
}

// A default folder stored without its final separator, as the folder
// chooser or a hand-typed value leaves it: results go into it, not beside
// it under joined names.
TEST_F(ArchiveFlow, ADefaultFolderWithoutItsSeparatorTakesTheResults) {
    const std::string out = temp_.Folder("out");
    bench_.settings.DDir = false;
    bench_.settings.Path[0] = out;
    bench_.settings.PathDef = 1;
    const std::string tgz = Archive("tree.tgz", "data_2024.tgz");
    const std::string notes = temp_.File("notes.txt", "notes\n");
    struct Case {
        int packDef;
        std::string dropped;
        bool pack;
        const char* made;  // in out
        const char* joined;  // where the result went when the separator was missing
    } cases[] = {
        {1, tgz, false, "data\\src\\text.txt", "outdata"},
        {4, notes, true, "notes.tgz", "outnotes.tgz"},
        {1, notes, true, "notes.lzh", "outnotes.lzh"},
    };
    for (const Case& c : cases) {
        bench_.settings.PackDef = c.packDef;
        const auto messages = c.pack ? Drop({c.dropped}, {VK_CONTROL}) : Drop({c.dropped});
        EXPECT_TRUE(messages.empty()) << c.made;
        EXPECT_TRUE(Exists(out + "\\" + c.made)) << c.made;
        EXPECT_FALSE(Exists(temp_.path() + c.joined)) << c.made;
    }
}

// A list file that cannot be written (here a folder holds its name, as a
// full temporary drive would refuse it) stops the action with a message:
// the archiver would otherwise pack or extract fewer files, or none.
TEST_F(ArchiveFlow, AListFileThatCannotBeWrittenStopsWithAMessage) {
    qaztest::TempDir tmp;
    char saved[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", saved, sizeof saved);
    SetEnvironmentVariableA("TMP", tmp.path().c_str());
    tmp.Folder("pack.qaz");
    tmp.Folder("unpack.qaz");

    bench_.settings.PackDef = 4;
    const std::string notes = temp_.File("notes.txt", "notes\n");
    EXPECT_EQ(Drop({notes}, {VK_CONTROL}), std::vector<std::string>{tmp.path() + "pack.qaz に書き込めませんでした"});
    EXPECT_FALSE(Exists(temp_.path() + "notes.tgz"));

    bench_.settings.UnpackFilesSelect = true;
    const std::string archive = Archive("tree.tgz", "data_2024.tgz");
    std::thread user([&] {
        HWND w = nullptr;
        for (int i = 0; i < 500 && !(w = FindWindowA("TJX_QAZUnpack", nullptr)); ++i) Sleep(20);
        if (!w) return;
        PostMessageA(w, WM_COMMAND, ContentsWindow::msUnpack, 0);
        Sleep(1500);
        PostMessageA(w, WM_COMMAND, ContentsWindow::msClose, 0);
    });
    EXPECT_EQ(Drop({archive}), std::vector<std::string>{tmp.path() + "unpack.qaz に書き込めませんでした"});
    user.join();
    EXPECT_FALSE(Exists(temp_.path() + "data"));
    SetEnvironmentVariableA("TMP", saved[0] ? saved : nullptr);
}

// "表示(&V)" is offered only for the kinds that can extract into the work
// folder; for the others the command would be a broken line.
TEST_F(ArchiveFlow, ViewInTheContentsWindowOnlyWhereItCanWork) {
    struct Case {
        int kind;
        bool view;
    } cases[] = {{9, true}, {10, false}, {11, true}, {12, true}, {13, false}, {14, false}, {15, false}};
    for (const Case& c : cases) {
        ContentsWindow window(bench_.context);
        ASSERT_TRUE(window.Create("C:\\a", c.kind));
        EXPECT_EQ(!(GetMenuState(GetMenu(window.hwnd()), ContentsWindow::msView, MF_BYCOMMAND) & MF_GRAYED), c.view)
            << c.kind;
        window.Destroy();
    }
}

// qaz.exe started as the shell or a user starts it: a default folder stored
// without its separator and archives whose names end in a character with
// the trail byte "_" (ダ, 論), then a bare name started from the archive's
// folder. Everything lands where the user chose, without a message.
TEST_F(ArchiveFlow, QazStartedWithNamesPutsTheFilesWhereTheUserChose) {
    const std::string text = "notes of the archive\r\n";
    const std::string source = temp_.Folder("source");
    temp_.File("source\\notes.txt", text);
    const std::string list = temp_.File("list.txt", "\"notes.txt\"\r\n");
    const std::string download = temp_.path() + "ダウンロード.lzh", paper = temp_.path() + "論文.lzh";
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof before, before);
    SetCurrentDirectoryA(source.c_str());
    ASSERT_TRUE(bench_.binding.Bind(9, false));
    char report[577] = {};
    EXPECT_EQ(bench_.binding.entries().command(nullptr, ("a -a1 \"" + download + "\" \"@" + list + "\"").c_str(),
                                                report, sizeof report),
              0)
        << report;
    bench_.binding.Unbind();
    SetCurrentDirectoryA(before);
    CopyFileA(download.c_str(), paper.c_str(), FALSE);

    const std::string exe = qaztest::ExeFolder() + "qaz.exe";
    const std::string out = temp_.Folder("out");
    qaztest::ClearSettings();
    qaztest::SetDword(kRegSettings, "DDir", 0);
    qaztest::SetString(kRegSettings, "Path1", out);
    {
        qaztest::MessageBoxWatcher watcher("QAZ for win32");
        EXPECT_EQ(qaztest::RunProgram(exe, "\"" + download + "\" \"" + paper + "\""), 0);
        EXPECT_TRUE(watcher.texts().empty());
    }
    EXPECT_EQ(qaztest::FileBytes(out + "\\ダウンロード\\notes.txt"), text);
    EXPECT_EQ(qaztest::FileBytes(out + "\\論文\\notes.txt"), text);

    qaztest::ClearSettings();
    Archive("tree.tgz", "qazbare.tgz");
    const std::string atRoot = temp_.path().substr(0, 3) + "qazbare";
    EXPECT_EQ(qaztest::RunProgram(exe, "qazbare.tgz", temp_.path()), 0);
    EXPECT_TRUE(Exists(temp_.path() + "qazbare\\src\\text.txt"));
    EXPECT_FALSE(Exists(atRoot)) << "extracted at the drive's root";
    qaztest::RemoveTree(atRoot);
    qaztest::ClearSettings();
}
