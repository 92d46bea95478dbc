// Drops that extract and pack through our real Tar32.dll (beside this test),
// in process with a stand-in bar.
#include <gtest/gtest.h>
#include <windows.h>

#include "archive/archive_ops.h"
#include "archive/library_binding.h"
#include "intake/process_drop.h"
#include "tests/support/fake_host.h"
#include "tests/support/test_env.h"

using namespace qaz;

namespace {

void HoldKeys(std::initializer_list<int> keys) {
    BYTE state[256] = {};
    for (int k : keys) state[k] = 0x80;
    SetKeyboardState(state);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string DataFolder() { return qaztest::ExeFolder() + "archiver_data\\"; }

class ArchiveFlow : public ::testing::Test {
protected:
    void SetUp() override { HoldKeys({}); }
    void TearDown() override { HoldKeys({}); }
    std::vector<std::string> Drop(const std::vector<std::string>& names, std::initializer_list<int> keys = {}) {
        HoldKeys(keys);
        qaztest::MessageBoxWatcher watcher("QAZ for win32");
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
    EXPECT_TRUE(Exists(temp_.path() + "data\\src\\text.txt"));
    EXPECT_TRUE(Exists(temp_.path() + "data\\src\\bin\\noise.bin"));
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
    EXPECT_TRUE(Exists(out.path() + "first.txt"));
    EXPECT_TRUE(Exists(out.path() + "second.bin"));
    EXPECT_TRUE(Exists(out.path() + "pics\\p.txt"));
}
