// Unlha32.dll, Unarj32j.dll and Cab32.dll called as the program calls them:
// archives made by jlha, arj and gcab are listed and extracted byte-exact,
// the work-folder heads extract flat, our LZH and cabinets (checked by the
// peers in archivers_peer_check) and their self-extracting programs give the
// files back, and hostile archives write nothing outside the destination.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/codecs/lzh.h"
#include "tests/components/archivers/archiver_library.h"
#include "tests/support/test_env.h"

namespace {

using qaztest::FileBytes;
using qaztest::Archiver;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

const char* const kFiles[] = {"text.txt", "sub\\run.dat", "sub\\mixed.bin", "one.txt"};

class Archivers : public ::testing::Test {
protected:
    std::string Data() const { return qaztest::ExeFolder() + "lha_data\\"; }
    std::string Source(const char* name) const { return FileBytes(Data() + "src\\" + name); }
    // Every source file is at folder + its path (or its last name when flat).
    void ExpectFiles(const std::string& folder, const std::string& what, bool flat = false) {
        for (const char* f : kFiles) {
            std::string name = f;
            if (flat) name = name.substr(name.find_last_of('\\') + 1);
            EXPECT_EQ(FileBytes(folder + name), Source(f)) << what << " " << name;
        }
    }
    qaztest::TempDir dir_;
};

TEST_F(Archivers, PeerArchivesAreListedAndExtractedByteExact) {
    struct Case {
        const char* dll;
        const char* prefix;
        const char* archive;
        const char* head;
        const char* method;  // of text.txt in the listing
    };
    const Case cases[] = {
        {"Unlha32.dll", "Unlha", "l0lh5.lzh", "x -a1 ", "-lh5-"},
        {"Unlha32.dll", "Unlha", "l1lh6.lzh", "x -a1 ", "-lh6-"},
        {"Unlha32.dll", "Unlha", "l2lh7.lzh", "x -a1 ", "-lh7-"},
        {"Unarj32j.dll", "Unarj", "m1.arj", "x -a ", "Method1"},
        {"Unarj32j.dll", "Unarj", "m4.arj", "x -a ", "Method4"},
        {"Cab32.dll", "Cab", "stored.cab", "-x ", "Stored"},
        {"Cab32.dll", "Cab", "mszip.cab", "-x ", "MSZIP"},
    };
    for (const Case& c : cases) {
        Archiver a(c.dll, c.prefix);
        ASSERT_TRUE(a.module && a.command && a.check && a.open) << c.dll;
        const std::string archive = Data() + c.archive;
        EXPECT_TRUE(a.check(archive.c_str(), 0) & 0xFF) << c.archive;
        const std::vector<std::string> rows = a.List(archive);
        bool textListed = false;
        for (const std::string& r : rows)
            textListed |= r == "text.txt " + std::to_string(Source("text.txt").size()) + " " + c.method;
        EXPECT_TRUE(textListed) << c.archive << " first row: " << (rows.empty() ? "" : rows[0]);
        const std::string dest = dir_.Folder(c.archive) + "\\";
        EXPECT_EQ(a.Run(std::string(c.head) + "\"" + archive + "\" \"" + dest + "\""), 0) << c.archive;
        ExpectFiles(dest, c.archive);
        // Another library's archive is refused by content.
        EXPECT_FALSE(a.check((Data() + "src\\text.txt").c_str(), 0) & 0xFF) << c.dll;
    }
}

TEST_F(Archivers, WorkFolderHeadsExtractTheListedFilesFlat) {
    struct Case {
        const char* dll;
        const char* prefix;
        const char* archive;
        const char* head;
        const char* line;  // the list file line the program writes
    };
    const Case cases[] = {
        {"Unlha32.dll", "Unlha", "l2lh5.lzh", "x -a0gj ", "\"mixed.bin\"\r\n"},
        {"Unarj32j.dll", "Unarj", "m1.arj", "x -hj ", "\"mixed.bin\"\r\n"},
        {"Cab32.dll", "Cab", "mszip.cab", "-x -j ", "\"sub\\mixed.bin\"\r\n"},
    };
    for (const Case& c : cases) {
        Archiver a(c.dll, c.prefix);
        const std::string dest = dir_.Folder(std::string("w_") + c.archive) + "\\";
        const std::string list = dir_.File(std::string("list_") + c.archive, c.line);
        EXPECT_EQ(a.Run(std::string(c.head) + "\"" + Data() + c.archive + "\" \"" + dest + "\" \"@" + list + "\""), 0);
        EXPECT_EQ(FileBytes(dest + "mixed.bin"), Source("sub\\mixed.bin")) << c.archive;
        EXPECT_FALSE(Exists(dest + "text.txt")) << c.archive;
        EXPECT_FALSE(Exists(dest + "sub")) << c.archive;
    }
}

// Packs the sources as the program does (current folder at the items, a
// list file), then makes a self-extracting program and runs it.
TEST_F(Archivers, OurArchivesAndSelfExtractingProgramsGiveTheFilesBack) {
    struct Case {
        const char* dll;
        const char* prefix;
        const char* name;
        const char* packHead;
        const char* sfxHead;
        const char* folderLine;
        const char* unpackHead;
    };
    const Case cases[] = {
        {"Unlha32.dll", "Unlha", "ours.lzh", "a -a1", "s -gw1x1 ", "\"sub\\*.*\" -d1\r\n", "x -a1 "},
        {"Cab32.dll", "Cab", "ours_mszip.cab", "-a -r -mz", "-f ", "\"sub\\*.*\"\r\n", "-x "},
        {"Cab32.dll", "Cab", "ours_lzx.cab", "-a -r -ml:21", "-f ", "\"sub\\*.*\"\r\n", "-x "},
    };
    const std::string out = qaztest::ExeFolder() + "lha_out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    for (const Case& c : cases) {
        Archiver a(c.dll, c.prefix);
        const std::string list =
            dir_.File(std::string("pack_") + c.name, std::string("\"text.txt\"\r\n\"one.txt\"\r\n") + c.folderLine);
        SetCurrentDirectoryA((Data() + "src").c_str());
        const std::string archive = dir_.path() + c.name;
        EXPECT_EQ(a.Run(std::string(c.packHead) + " \"" + archive + "\" \"@" + list + "\""), 0) << c.name;
        SetCurrentDirectoryA(dir_.path().c_str());
        EXPECT_TRUE(CopyFileA(archive.c_str(), (out + c.name).c_str(), FALSE)) << c.name;
        const std::string back = dir_.Folder(std::string("back_") + c.name) + "\\";
        EXPECT_EQ(a.Run(std::string(c.unpackHead) + "\"" + archive + "\" \"" + back + "\""), 0) << c.name;
        ExpectFiles(back, c.name);

        const std::string sfxFolder = dir_.Folder(std::string("sfx_") + c.name) + "\\";
        EXPECT_EQ(a.Run(std::string(c.sfxHead) + "\"" + archive + "\" \"" + sfxFolder + "\""), 0) << c.name;
        std::string exe = sfxFolder + c.name;
        exe = exe.substr(0, exe.find_last_of('.')) + ".exe";
        ASSERT_TRUE(Exists(exe)) << exe;
        const std::string target = dir_.Folder(std::string("ran_") + c.name) + "\\";
        EXPECT_EQ(qaztest::RunProgram(exe, "\"" + target + "\""), 0) << exe;
        ExpectFiles(target, exe);
    }
}

TEST_F(Archivers, HostileLzhArchivesWriteNothingOutsideOrUnfinished) {
    const std::string payload(5000, 'p');
    struct Case {
        const char* what;
        const char* entry;
        int damage;  // byte offset from the end to flip, 0: none
        enum { Dest, DestDrive, AsIs } from;  // what the entry's path is taken relative to
    };
    // Each entry where it would land if its path were followed.
    const Case cases[] = {
        {"parent step", "..\\evil.txt", 0, Case::Dest},
        {"absolute", "\\evil2.txt", 0, Case::DestDrive},  // the root of the destination's drive
        {"drive", "C:evil3.txt", 0, Case::AsIs},          // C:'s current folder
        {"damaged data", "fine.txt", 40, Case::Dest},
    };
    Archiver a("Unlha32.dll", "Unlha");
    for (const Case& c : cases) {
        std::vector<uint8_t> arc;
        qaz::codecs::LzhPackItem item;
        item.path = c.entry;
        std::string data = payload;
        for (size_t i = 0; i < data.size(); ++i) data[i] = char('a' + (i * 7919) % 26);
        item.data = reinterpret_cast<const uint8_t*>(data.data());
        item.size = data.size();
        qaz::codecs::AppendLzhEntry(arc, item);
        qaz::codecs::FinishLzh(arc);
        if (c.damage) arc[arc.size() - size_t(c.damage)] ^= 0x55;
        const std::string archive = dir_.File(std::string(c.what) + ".lzh", std::string(arc.begin(), arc.end()));
        const std::string dest = dir_.Folder(std::string("dest_") + c.what) + "\\";
        // Where the entry would land, taken as the table says and taken from
        // the current folder.
        const std::string from = c.from == Case::Dest ? dest : c.from == Case::DestDrive ? dest.substr(0, 2) : "";
        char landing[2][MAX_PATH];
        ASSERT_NE(GetFullPathNameA((from + c.entry).c_str(), MAX_PATH, landing[0], nullptr), 0u) << c.what;
        ASSERT_NE(GetFullPathNameA(c.entry, MAX_PATH, landing[1], nullptr), 0u) << c.what;
        for (const char* path : landing) DeleteFileA(path);  // left by an earlier run
        EXPECT_NE(a.Run("x -a1 \"" + archive + "\" \"" + dest + "\""), 0) << c.what;
        for (const char* path : landing) EXPECT_FALSE(Exists(path)) << c.what << ": " << path;
        // Nothing at all was left behind in the destination.
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dest + "*").c_str(), &fd);
        int found = 0;
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (fd.cFileName[0] != '.') ++found;
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        EXPECT_EQ(found, 0) << c.what;
    }
}

}  // namespace
