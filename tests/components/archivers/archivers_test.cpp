// Our archiver libraries as the program and other callers use them: the
// entries bound by name from Tar32.dll and Unzip32.dll, fed archives that
// GNU tar, gzip, compress, Info-ZIP zip and Python made (make_data.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

#include "archive/entry_info.h"
#include "archive/library_binding.h"
#include "tests/components/archivers/archiver_library.h"
#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_line.h"
#include "components/archivers/common/extract_target.h"
#include "tests/support/test_env.h"


namespace {

using namespace qaz;  // the entry types the program binds with

// One library, its entries bound by their names as the program binds them.
struct ArchiverDll : EntrySlots {
    HMODULE module = nullptr;

    ArchiverDll(const char* file, const std::string& prefix) {
        module = LoadLibraryA((qaztest::ExeFolder() + file).c_str());
        if (!module) return;
        auto get = [&](const std::string& name) { return GetProcAddress(module, (prefix + name).c_str()); };
        command = reinterpret_cast<ArcCommandFn>(get(""));
        check = reinterpret_cast<ArcCheckFn>(get("CheckArchive"));
        running = reinterpret_cast<ArcRunningFn>(get("GetRunning"));
        open = reinterpret_cast<ArcOpenFn>(get("OpenArchive"));
        close = reinterpret_cast<ArcCloseFn>(get("CloseArchive"));
        findFirst = reinterpret_cast<ArcFindFirstFn>(get("FindFirst"));
        findNext = reinterpret_cast<ArcFindNextFn>(get("FindNext"));
    }
    ~ArchiverDll() {
        if (module) FreeLibrary(module);
    }
    bool complete() const { return command && check && running && open && close && findFirst && findNext; }

    int Run(const std::string& line, std::string* report = nullptr) {
        char out[577] = {};
        const int r = command(nullptr, line.c_str(), out, sizeof out);
        if (report) *report = out;
        return r;
    }

    // All entries, or false when the archive does not open.
    bool List(const std::string& archive, std::vector<ArchiveEntry>& entries) {
        entries.clear();
        HANDLE h = open(nullptr, archive.c_str(), 0x08001200);
        if (!h) return false;
        ArchiveEntryInfo info;
        for (int r = findFirst(h, "*.*", &info); r == 0; r = findNext(h, &info)) entries.push_back(qaz::ReadEntryInfo(info));
        close(h);
        return true;
    }
};

std::string DataFolder() { return qaztest::ExeFolder() + "archiver_data\\"; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadAll(const std::string& path, bool* exists = nullptr) {
    const bool there = Exists(path);
    if (exists) *exists = there;
    return there ? qaztest::FileBytes(path) : std::string();
}

using qaztest::Walk;

// The files of the tree the archives were made from (below "src").
std::map<std::string, std::string> Tree() {
    std::map<std::string, std::string> tree;
    std::vector<std::string> files;
    const std::string root = DataFolder() + "tree\\";
    Walk(root, "", files);
    for (const std::string& f : files) tree[f] = ReadAll(root + f);
    return tree;
}

void ExpectDosStamp(const ArchiveEntry& e, const std::string& what) {
    // 1709618828 seconds after 1970 in local time, as the test data were stamped.
    const uint64_t ticks = 1709618828ull * 10000000ull + 116444736000000000ull;
    FILETIME utc = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}, local;
    WORD date = 0, time = 0;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    EXPECT_EQ(e.date, date) << what << " " << e.path;
    EXPECT_EQ(e.time, time) << what << " " << e.path;
}

class Archivers : public ::testing::Test {
protected:
    ArchiverDll tar{"Tar32.dll", "Tar"};
    ArchiverDll zip{"Unzip32.dll", "UnZip"};
    qaztest::TempDir temp;
    ArchiverDll& Of(const char* prefix) { return std::strcmp(prefix, "Tar") == 0 ? tar : zip; }
};

}  // namespace

TEST_F(Archivers, BothLibrariesHaveEveryEntry) {
    EXPECT_TRUE(tar.complete());
    EXPECT_TRUE(zip.complete());
}

TEST_F(Archivers, ListPeerArchivesWithSizesRatiosAndDates) {
    ASSERT_TRUE(tar.complete() && zip.complete());
    const std::map<std::string, std::string> tree = Tree();
    size_t treeBytes = 0;
    for (const auto& file : tree) treeBytes += file.second.size();
    struct Case {
        const char* prefix;
        const char* archive;
        const char* method;
        int ratio;  // expected for every file with data; -1: compressed (below 1000 for text)
    } cases[] = {
        {"Tar", "tree.tar", "tar", 1000},      {"Tar", "tree.tgz", "tar.gz", -1},   {"Tar", "tree.taz", "tar.Z", -1},
        {"Tar", "tree_pax.tar.gz", "tar.gz", -1}, {"UnZip", "tree.zip", "Deflated", -1},
        {"UnZip", "stored.zip", "Stored", 1000}, {"UnZip", "tree64.zip", "Deflated", -1},
    };
    for (const Case& c : cases) {
        ArchiverDll& lib = Of(c.prefix);
        const std::string archive = DataFolder() + c.archive;
        EXPECT_EQ(lib.check(archive.c_str(), 0) & 0xFF, 1) << c.archive;
        std::vector<ArchiveEntry> entries;
        ASSERT_TRUE(lib.List(archive, entries)) << c.archive;
        size_t files = 0;
        const double archiveRatio = 1000.0 * static_cast<double>(ReadAll(archive).size()) / static_cast<double>(treeBytes);
        for (const ArchiveEntry& e : entries) {
            if (e.isFolder()) continue;
            std::string path = e.path;
            for (char& ch : path)
                if (ch == '/') ch = '\\';
            auto it = tree.find(path);
            ASSERT_NE(it, tree.end()) << c.archive << " lists " << e.path;
            EXPECT_EQ(e.originalSize, it->second.size()) << c.archive << " " << e.path;
            ExpectDosStamp(e, c.archive);
            if (!it->second.empty()) {
                if (c.ratio >= 0) {
                    EXPECT_EQ(e.ratio, c.ratio) << c.archive << " " << e.path;
                } else if (c.prefix[0] == 'T') {
                    // A compressed tar is one stream: each entry shows the archive's ratio.
                    EXPECT_NEAR(e.ratio, archiveRatio, 1) << c.archive << " " << e.path;
                } else if (path.find("text") != std::string::npos) {
                    EXPECT_LT(e.ratio, 500) << c.archive;
                } else if (path.find("noise") != std::string::npos) {
                    EXPECT_GE(e.ratio, 990) << c.archive;
                }
                if (it->second.size() > 1000) {  // zip stores tiny files
                    EXPECT_EQ(e.method, c.method) << c.archive;
                }
            } else {
                EXPECT_EQ(e.ratio, 0) << c.archive;
            }
            ++files;
        }
        EXPECT_EQ(files, tree.size()) << c.archive;
        EXPECT_EQ(lib.running() & 0xFF, 0) << c.archive;
    }
}

TEST_F(Archivers, ExtractPeerArchivesByteExact) {
    ASSERT_TRUE(tar.complete() && zip.complete());
    const std::map<std::string, std::string> tree = Tree();
    const std::string text = tree.at("src\\text.txt");
    struct Case {
        const char* prefix;
        const char* head;
        const char* archive;
        const char* file;  // one file to compare, or nullptr for the whole tree
        const char* expected;
    } cases[] = {
        {"Tar", "xvfo ", "tree.tar", nullptr, nullptr},
        {"Tar", "xvfo ", "tree.tgz", nullptr, nullptr},
        {"Tar", "xvfo ", "tree.taz", nullptr, nullptr},
        {"Tar", "xvfo ", "tree_pax.tar.gz", nullptr, nullptr},
        {"UnZip", "-x -s -V -i ", "tree.zip", nullptr, nullptr},
        {"UnZip", "-x -s -V -i ", "stored.zip", nullptr, nullptr},
        {"UnZip", "-x -s -V -i ", "tree64.zip", nullptr, nullptr},
        {"Tar", "xvfGo ", "text.txt.gz", "text.txt", "text"},  // no stored name: the archive's name
        {"Tar", "xvfGo ", "named.gz", "text.txt", "text"},     // the stored name
        {"Tar", "xvfGo ", "text.txt.Z", "text.txt", "text"},
        {"UnZip", "-x -s -V -i ", "sjis.zip", "ソフト.txt", "shift-jis name\n"},
        {"UnZip", "-x -s -V -i ", "utf8.zip", "日本\\ソフト.txt", "utf-8 flag\n"},
        {"UnZip", "-x -s -V -i ", "unicode_field.zip", "日本\\ソフト.txt", "unicode path field\n"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string dest = temp.path() + std::to_string(++n) + "\\";
        std::string report;
        EXPECT_EQ(Of(c.prefix).Run(std::string(c.head) + "\"" + DataFolder() + c.archive + "\" \"" + dest + "\"", &report),
                  0)
            << c.archive << ": " << report;
        if (!c.file) {
            for (const auto& [path, bytes] : tree) EXPECT_EQ(ReadAll(dest + path), bytes) << c.archive << " " << path;
            std::vector<std::string> files;
            Walk(dest, "", files);
            EXPECT_EQ(files.size(), tree.size()) << c.archive;
        } else {
            bool exists = false;
            const std::string got = ReadAll(dest + c.file, &exists);
            EXPECT_TRUE(exists) << c.archive << " " << c.file;
            EXPECT_EQ(got, std::strcmp(c.expected, "text") == 0 ? text : std::string(c.expected)) << c.archive;
        }
        EXPECT_EQ(Of(c.prefix).running() & 0xFF, 0) << c.archive;
    }
}

TEST_F(Archivers, ListFileChoosesEntriesByName) {
    ASSERT_TRUE(tar.complete() && zip.complete());
    struct Case {
        const char* prefix;
        const char* head;
        const char* archive;
        const char* list;  // contents of the list file
        std::vector<std::string> expected;
    } cases[] = {
        {"Tar", "xvfo ", "tree.tgz", "\"text.txt\"\r\n\"noise.bin\"\r\n", {"src\\bin\\noise.bin", "src\\text.txt"}},
        {"UnZip", "-x -s -V -i ", "tree.zip", "\"text.txt\"\r\n", {"src\\text.txt"}},
        {"UnZip", "-x -s -V -i ", "tree.zip", "\"src\\bin\\*.bin\"\r\n", {"src\\bin\\noise.bin"}},
        {"Tar", "xvfo ", "tree.tgz", "", {}},  // nothing chosen: nothing extracted
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string dest = temp.path() + std::to_string(++n) + "\\";
        const std::string list = temp.File("unpack" + std::to_string(n) + ".qaz", c.list);
        EXPECT_EQ(Of(c.prefix).Run(std::string(c.head) + "\"" + DataFolder() + c.archive + "\" \"" + dest + "\" \"@" +
                                   list + "\""),
                  0)
            << c.archive;
        std::vector<std::string> files;
        Walk(dest, "", files);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, c.expected) << c.archive << " " << c.list;
    }
}

TEST_F(Archivers, HostileArchivesWriteNothingOutsideAndNoPartialFile) {
    ASSERT_TRUE(tar.complete() && zip.complete());
    const std::map<std::string, std::string> tree = Tree();
    struct Case {
        const char* prefix;
        const char* head;
        const char* archive;
        std::vector<std::string> allowed;  // the only files that may appear, each complete
        int result = 0;                    // the result expected, or 0 for any failure
    } cases[] = {
        {"UnZip", "-x -s -V -i ", "slip.zip", {"good.txt"}},
        {"Tar", "xvfo ", "symlink.tar", {"good.txt", "inside", "link\\evil6.txt"}},
        {"UnZip", "-x -s -V -i ", "damaged.zip", {"first.txt"}},
        {"UnZip", "-x -s -V -i ", "truncated.zip", {}},
        {"UnZip", "-x -s -V -i ", "bomb.zip", {}},
        {"UnZip", "-x -s -V -i ", "huge.zip", {}, 0x8005},  // refused before anything is written
        {"Tar", "xvfo ", "bomb.tgz", {}},
        {"UnZip", "-x -s -V -i ", "overlap.zip", {}, 0x8019},  // three entries on one packed stream
        {"Tar", "xvfo ", "truncated.tgz", {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string box = temp.path() + "box" + std::to_string(++n) + "\\";
        const std::string dest = box + "a\\b\\";
        std::string report;
        const int result = Of(c.prefix).Run(std::string(c.head) + "\"" + DataFolder() + c.archive + "\" \"" + dest + "\"",
                                             &report);
        EXPECT_NE(result, 0) << c.archive << " reported success: " << report;
        if (c.result) {
            EXPECT_EQ(result, c.result) << c.archive << ": " << report;
        }
        EXPECT_EQ(Of(c.prefix).running() & 0xFF, 0) << c.archive;
        // Nothing beside the destination, and nowhere else we can see.
        std::vector<std::string> all;
        Walk(box, "", all);
        for (const std::string& f : all) {
            EXPECT_EQ(f.rfind("a\\b\\", 0), 0u) << c.archive << " wrote " << f;
            const std::string inside = f.substr(f.rfind("a\\b\\", 0) == 0 ? 4 : 0);
            const bool allowed = std::find(c.allowed.begin(), c.allowed.end(), inside) != c.allowed.end();
            // A cut tar may leave the files before the damage: they must be whole.
            const auto whole = tree.find(inside);
            EXPECT_TRUE(allowed || (whole != tree.end() && ReadAll(dest + inside) == whole->second))
                << c.archive << " left " << f;
        }
        for (const char* evil : {"evil1.txt", "evil2.txt", "evil3.txt", "evil5.txt", "evil6.txt", "evil7.txt", "evil8.txt"}) {
            EXPECT_FALSE(Exists(box + evil)) << c.archive;
            EXPECT_FALSE(Exists(box + "a\\" + evil)) << c.archive;
        }
        EXPECT_FALSE(Exists("C:\\evil3.txt"));
        EXPECT_FALSE(Exists("C:\\evil4.txt"));
        EXPECT_FALSE(Exists("C:\\evil5.txt"));
    }
}

// Archives other tools wrote (make_data.sh), each extracted to exactly the
// files the peers give: sparse files at their real size, a ZIP after other
// data, padded extra fields, folders marked by their attribute only, a
// highly packed stream, links before their targets, EUC-JP names and a hard
// link in a folder whose name ends in a trail byte 0x5C.
TEST_F(Archivers, ArchivesFromTheWildComeOutAsThePeersRead) {
    ASSERT_TRUE(tar.complete() && zip.complete());
    const std::map<std::string, std::string> tree = Tree();
    const std::string wild = DataFolder() + "wild\\";
    const std::string sparse = ReadAll(wild + "sparse.bin");
    const std::string library = "the library itself\n";
    struct Case {
        const char* prefix;
        const char* archive;
        std::map<std::string, std::string> files;  // every file expected; empty: the tree
    } cases[] = {
        {"Tar", "sparse_gnu.tar", {{"sparse.bin", sparse}}},
        {"Tar", "sparse_0.0.tgz", {{"sparse.bin", sparse}}},
        {"Tar", "sparse_0.1.tgz", {{"sparse.bin", sparse}}},
        {"Tar", "sparse_1.0.tgz", {{"sparse.bin", sparse}}},
        {"UnZip", "prefixed.zip", {}},
        {"UnZip", "prefixed64.zip", {}},
        {"UnZip", "packed.zip", {{"packed.txt", ReadAll(wild + "packed.txt")}}},
        {"UnZip", "links.zip", {{"libx.so", library}, {"libx.so.0", library}, {"libx.so.0.0.0", library}}},
        {"UnZip", "extra_padding.zip", {}},
        {"UnZip", "dos_folders.zip", {{"docs\\a.txt", "in a folder\n"}}},
        {"Tar", "eucjp.tar", {{"日本語.txt", "euc-jp name\n"}, {"ソフト表.txt", "euc-jp name\n"}}},
        {"UnZip", "sjis_trail.zip", {{"ソ", "a file named so\n"}, {"表\\ソ", "a file named so\n"}}},
        {"Tar", "hardlink_dbcs.tar", {{"表\\a.txt", "linked\n"}, {"表\\b.txt", "linked\n"}}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::map<std::string, std::string>& expected = c.files.empty() ? tree : c.files;
        const std::string dest = temp.path() + "wild" + std::to_string(++n) + "\\";
        const char* head = c.prefix[0] == 'T' ? "xvfo \"" : "-x -s -V -i \"";
        std::string report;
        EXPECT_EQ(Of(c.prefix).Run(head + DataFolder() + c.archive + "\" \"" + dest + "\"", &report), 0)
            << c.archive << ": " << report;
        std::vector<std::string> files;
        Walk(dest, "", files);
        std::sort(files.begin(), files.end());
        std::vector<std::string> names;
        for (const auto& f : expected) names.push_back(f.first);
        EXPECT_EQ(files, names) << c.archive;
        for (const auto& [path, bytes] : expected) EXPECT_TRUE(ReadAll(dest + path) == bytes) << c.archive << " " << path;
        // The listing shows the real names and sizes too.
        std::vector<ArchiveEntry> entries;
        if (!Of(c.prefix).List(DataFolder() + c.archive, entries)) {
            ADD_FAILURE() << c.archive << " does not open";
            continue;
        }
        size_t listed = 0;
        for (const ArchiveEntry& e : entries) {
            if (e.isFolder()) continue;
            std::string path = e.path;
            for (char& ch : path)
                if (ch == '/') ch = '\\';
            const auto it = expected.find(path);
            EXPECT_TRUE(it != expected.end()) << c.archive << " lists " << e.path;
            if (it != expected.end() && e.method != "symlink" && e.method != "link" && e.method != "Stored" &&
                std::string(c.archive) != "links.zip") {
                EXPECT_EQ(e.originalSize, it->second.size()) << c.archive << " " << e.path;
            }
            ++listed;
        }
        EXPECT_EQ(listed, expected.size()) << c.archive;
    }
}

// A .tar.gz whose gzip check value is wrong extracts nothing: the files
// that came out before the check stay under their temporary names and are
// removed, and a file that was there keeps its content.
TEST_F(Archivers, AWrongGzipCheckLeavesTheDestinationAsItWas) {
    ASSERT_TRUE(tar.complete());
    for (const char* archive : {"badcheck8.tgz", "badcheck4.tgz", "truncated.tgz"}) {
        const std::string dest = temp.path() + archive + "\\";
        CreateDirectoryA(dest.c_str(), nullptr);
        CreateDirectoryA((dest + "src").c_str(), nullptr);
        temp.File(std::string(archive) + "\\src\\text.txt", "the older text");
        std::string report;
        const int result = tar.Run("xvfo \"" + DataFolder() + archive + "\" \"" + dest + "\"", &report);
        EXPECT_EQ(result, 0x800C) << archive << ": " << report;
        std::vector<std::string> files;
        Walk(dest, "", files);
        EXPECT_EQ(files, std::vector<std::string>{"src\\text.txt"}) << archive;
        EXPECT_EQ(ReadAll(dest + "src\\text.txt"), "the older text") << archive;
    }
}

// Names (on the command line or in a list) that choose nothing are an
// error; no names and an empty list are not. A destination ending in a
// character whose trail byte is 0x5C is a folder only with its closing "\".
TEST_F(Archivers, DestinationsAndNamesThatMatchNothing) {
    ASSERT_TRUE(tar.complete() && zip.complete());
    const std::string list = temp.File("names.qaz", "\"absent.txt\"\r\n");
    struct Case {
        const char* prefix;
        std::string tail;  // after the archive
        int result;
    } cases[] = {
        {"Tar", "\"" + temp.path() + "n1\\\" \"absent.txt\"", 0x800F},
        {"Tar", "\"" + temp.path() + "n2\\\" \"@" + list + "\"", 0x800F},
        {"UnZip", "\"" + temp.path() + "n3\\\" \"absent.txt\"", 0x800F},
        // A destination ending in ソ without its "\" is a name, not a folder.
        {"Tar", "\"" + temp.path() + "ソ\"", 0x800F},
        {"UnZip", "\"" + temp.path() + "ソ\"", 0x800F},
        {"Tar", "\"" + temp.path() + "n4\\\" \"text.txt\"", 0},
        {"Tar", "\"" + temp.path() + "表\\ソ\\\"", 0},
        {"UnZip", "\"" + temp.path() + "ソ\\表\\\"", 0},
    };
    for (const Case& c : cases) {
        const bool isTar = c.prefix[0] == 'T';
        std::string report;
        const std::string line = std::string(isTar ? "xvfo \"" : "-x -s -V -i \"") + DataFolder() +
                                 (isTar ? "tree.tgz" : "tree.zip") + "\" " + c.tail;
        EXPECT_EQ(Of(c.prefix).Run(line, &report), c.result) << line << ": " << report;
    }
}

// 2,100 names of 1 MB each in a 2.3 MB .tgz: the listing keeps what the
// record shows, so it neither fills the address space nor lets an
// exception out of the library.
TEST_F(Archivers, HugeNamesListWithinBounds) {
    ASSERT_TRUE(tar.complete());
    const std::string archive = DataFolder() + "longnames.tgz";
    HANDLE h = tar.open(nullptr, archive.c_str(), 0x08001200);
    ASSERT_NE(h, nullptr);
    ArchiveEntryInfo info;
    size_t count = 0;
    for (int r = tar.findFirst(h, "*.*", &info); r == 0; r = tar.findNext(h, &info)) {
        const ArchiveEntry e = qaz::ReadEntryInfo(info);
        EXPECT_EQ(e.path.compare(0, 7, "d/nnnnn"), 0);
        EXPECT_LE(e.path.size(), 512u);
        ++count;
    }
    tar.close(h);
    EXPECT_EQ(count, 2100u);
    EXPECT_EQ(tar.running() & 0xFF, 0);
}

TEST_F(Archivers, TarPacksTheListedItemsIntoTgz) {
    ASSERT_TRUE(tar.complete());
    // The program sets the current folder to the first item's and lists names relative to it.
    const std::string out = qaztest::ExeFolder() + "archiver_out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    const std::string list = temp.File("pack.qaz", "\"src\"\r\n");
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA((DataFolder() + "tree").c_str()));
    for (const char* level : {"1", "9"}) {
        const std::string tgz = out + "ours" + level + ".tgz";
        DeleteFileA(tgz.c_str());
        std::string report;
        EXPECT_EQ(tar.Run(std::string("cvfz") + level + " \"" + tgz + "\" \"@" + list + "\"", &report), 0) << report;
        // And we read it back.
        std::vector<ArchiveEntry> entries;
        ASSERT_TRUE(tar.List(tgz, entries));
        size_t files = 0;
        for (const ArchiveEntry& e : entries) files += e.isFolder() ? 0 : 1;
        EXPECT_EQ(files, Tree().size());
    }
    // An item that does not exist is reported and the archive is still made of the rest.
    const std::string missing = temp.File("missing.qaz", "\"src\\text.txt\"\r\n\"nothing-here\"\r\n");
    std::string report;
    EXPECT_NE(tar.Run("cvfz6 \"" + temp.path() + "part.tgz\" \"@" + missing + "\"", &report), 0);
    EXPECT_NE(report.find("nothing-here"), std::string::npos) << report;
    SetCurrentDirectoryA(saved);
}

TEST_F(Archivers, CheckByContentAndCareWithHandlesAndBuffers) {
    ASSERT_TRUE(tar.complete() && zip.complete());
    const std::string text = temp.File("not.zip", "just text, not an archive");
    const std::string renamed = temp.File("zip.tgz", ReadAll(DataFolder() + "tree.zip"));
    struct Case {
        ArchiverDll* lib;
        std::string file;
        int accepted;
    } cases[] = {
        {&zip, text, 0},
        {&tar, text, 0},
        {&zip, renamed, 1},  // a ZIP named .tgz is still a ZIP
        {&tar, renamed, 0},
        {&tar, DataFolder() + "tree.zip", 0},
        {&zip, DataFolder() + "tree.tgz", 0},
        {&tar, DataFolder() + "text.txt.Z", 1},
        {&tar, temp.path() + "absent.tgz", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.lib->check(c.file.c_str(), 0) & 0xFF, c.accepted) << c.file;
    EXPECT_EQ(zip.open(nullptr, text.c_str(), 0x08001200), nullptr);
    ArchiveEntryInfo info;
    EXPECT_EQ(zip.findFirst(reinterpret_cast<HANDLE>(0x1234), "*.*", &info), -1);
    EXPECT_EQ(zip.findNext(nullptr, &info), -1);
    // A short output buffer is cut and terminated.
    char out[8];
    std::memset(out, 'X', sizeof out);
    zip.command(nullptr, ("-x -s -V -i \"" + DataFolder() + "tree.zip\" \"" + temp.path() + "o\\\"").c_str(), out, 5);
    EXPECT_EQ(out[4], '\0');
    EXPECT_EQ(out[5], 'X');
    // Options never sent are refused, not guessed at.
    EXPECT_NE(zip.Run("-d \"" + DataFolder() + "tree.zip\""), 0);
    EXPECT_NE(tar.Run("tvf \"" + DataFolder() + "tree.tgz\""), 0);
}

TEST(ArchiverCommandLine, SplitsQuotesAndPatterns) {
    using qaz::archivers::MatchesPattern;
    using qaz::archivers::SplitCommandLine;
    struct SplitCase {
        const char* line;
        std::vector<std::string> args;
    } splits[] = {
        {"xvfo \"C:\\in\\a b.tgz\" \"C:\\in\\\"", {"xvfo", "C:\\in\\a b.tgz", "C:\\in\\"}},
        {"  -x  -s\t\"@C:\\t\\unpack.qaz\"", {"-x", "-s", "@C:\\t\\unpack.qaz"}},
        {"a \"open to the end", {"a", "open to the end"}},
        {"\"ソ\" x", {"ソ", "x"}},
        {"", {}},
    };
    for (const SplitCase& c : splits) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
    struct MatchCase {
        const char* pattern;
        const char* name;
        bool match;
    } matches[] = {
        {"*.*", "dir/noext", true},  {"a.txt", "sub/a.txt", true}, {"a.txt", "sub/ba.txt", false},
        {"sub\\a.txt", "sub/a.txt", true}, {"sub\\a.txt", "a.txt", false}, {"*.TXT", "x/y.txt", true},
        {"?.bin", "b.bin", true}, {"ソ.txt", "d/ソ.txt", true}, {"a*b*c", "axxbyyc", true}, {"a*b*c", "axxbyy", false},
    };
    for (const MatchCase& c : matches) EXPECT_EQ(MatchesPattern(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

// The writing end every extraction shares: files gathered into blocks come
// out byte-exact whatever the pieces, a dropped file leaves nothing, a file
// too large for the disk is refused without stopping the next one, and
// temporary names never take over a file that is there.
TEST(ExtractTargetFiles, PiecesAbortsAndRoom) {
    using namespace qaz::archivers;
    qaztest::TempDir dir;
    dir.Folder("out");
    char stale[64];
    for (unsigned n = 0; n < 32; ++n) {
        wsprintfA(stale, "out\\~qz%lx_%x.tmp", GetCurrentProcessId(), n);
        dir.File(stale, "keep");
    }
    struct Case {
        const char* path;
        size_t size;
        std::vector<size_t> pieces;  // written in turn, the last one repeated
        bool commit;
    } cases[] = {
        {"many.bin", 3 * kWriteBlock + 5, {7001}, true},
        {"sub\\deep\\mixed.bin", 2 * kWriteBlock + 77, {10, kWriteBlock + 3, 4096}, true},
        {"sub\\deep\\again.bin", 100, {100}, true},  // the same folder as before
        {"sub\\dropped.bin", kWriteBlock + 9, {65536}, false},
        {"empty.bin", 0, {1}, true},
    };
    {
        ExtractTarget target(dir.path() + "out");
        ASSERT_TRUE(target.ready());
        for (const Case& c : cases) {
            std::string bytes(c.size, '\0');
            for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131) ^ (i >> 9));
            ASSERT_EQ(target.BeginFile(c.path, c.size), kOk) << c.path;
            size_t at = 0;
            for (size_t k = 0; at < bytes.size(); ++k) {
                const size_t n = std::min(c.pieces[std::min(k, c.pieces.size() - 1)], bytes.size() - at);
                ASSERT_TRUE(target.Write(reinterpret_cast<const uint8_t*>(bytes.data()) + at, n)) << c.path;
                at += n;
            }
            if (c.commit) {
                EXPECT_EQ(target.CommitFile(nullptr), kOk) << c.path;
                EXPECT_EQ(qaztest::FileBytes(target.FullPath(c.path)), bytes) << c.path;
            } else {
                target.AbortFile();
                EXPECT_EQ(qaztest::FileBytes(target.FullPath(c.path)), "<missing>") << c.path;
            }
        }
        EXPECT_EQ(target.BeginFile("huge.bin", uint64_t(1) << 60), kErrorDiskSpace);
        EXPECT_EQ(target.BeginFile("after.bin", 3), kOk);
        EXPECT_TRUE(target.Write(reinterpret_cast<const uint8_t*>("abc"), 3));
        EXPECT_EQ(target.CommitFile(nullptr), kOk);
        EXPECT_EQ(qaztest::FileBytes(target.FullPath("after.bin")), "abc");
        // A folder under the entry's name stays a folder.
        dir.Folder("out\\taken");
        EXPECT_EQ(target.BeginFile("taken", 3), kOk);
        EXPECT_TRUE(target.Write(reinterpret_cast<const uint8_t*>("abc"), 3));
        EXPECT_EQ(target.CommitFile(nullptr), kErrorCannotWrite);
        EXPECT_NE(GetFileAttributesA(target.FullPath("taken").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    }
    for (unsigned n = 0; n < 32; ++n) {
        wsprintfA(stale, "out\\~qz%lx_%x.tmp", GetCurrentProcessId(), n);
        EXPECT_EQ(qaztest::FileBytes(dir.path() + stale), "keep") << stale;
        DeleteFileA((dir.path() + stale).c_str());
    }
    // Once the target ends only the files made are left: no temporary file
    // or staging folder anywhere below.
    for (const char* folder : {"out\\", "out\\sub\\", "out\\sub\\deep\\"}) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir.path() + folder + "~qz*").c_str(), &fd);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE) << folder << fd.cFileName;
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
}

// Held files take their names only when published, and are gone when the
// target ends without; link copies are written like files and counted
// against what the extraction may write.
TEST(ExtractTargetFiles, HeldFilesAndLinkCopiesWithinTheBudget) {
    using namespace qaz::archivers;
    qaztest::TempDir dir;
    const std::string mb(1u << 20, 'm');
    auto put = [&](ExtractTarget& t, const char* path, const std::string& bytes) {
        ASSERT_EQ(t.BeginFile(path, bytes.size()), kOk) << path;
        ASSERT_TRUE(t.Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) << path;
        ASSERT_EQ(t.CommitFile(nullptr), kOk) << path;
    };
    {
        ExtractTarget dropped(dir.path() + "dropped");
        dropped.HoldFiles();
        put(dropped, "a.bin", "held");
        EXPECT_EQ(qaztest::FileBytes(dropped.FullPath("a.bin")), "<missing>");
    }
    std::vector<std::string> left;
    Walk(dir.path() + "dropped\\", "", left);
    EXPECT_TRUE(left.empty()) << left.size();
    // More held files than one staging folder takes all get their names.
    const size_t many = kStagedPerFolder + 3;
    {
        ExtractTarget target(dir.path() + "many");
        target.HoldFiles();
        for (size_t i = 0; i < many; ++i) put(target, ("f\\" + std::to_string(i)).c_str(), std::to_string(i));
        EXPECT_EQ(target.Publish(), kOk);
    }
    Walk(dir.path() + "many\\", "", left);
    EXPECT_EQ(left.size(), many);
    for (size_t i = 0; i < many; ++i)
        EXPECT_EQ(qaztest::FileBytes(dir.path() + "many\\f\\" + std::to_string(i)), std::to_string(i));
    WIN32_FIND_DATAA fd;
    EXPECT_EQ(FindFirstFileA((dir.path() + "many\\~qz*").c_str(), &fd), INVALID_HANDLE_VALUE);

    ExtractTarget target(dir.path() + "out", 5u << 20);
    target.HoldFiles();
    put(target, "sub\\a.bin", mb);
    EXPECT_EQ(target.Publish(), kOk);
    EXPECT_EQ(qaztest::FileBytes(target.FullPath("sub\\a.bin")), mb);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(target.AddLink("l", "l" + std::to_string(i), "sub/a.bin", true), kOk);
    EXPECT_EQ(target.AddLink("s", "sub\\s", "a.bin", false), kOk);  // symbolic: from its own folder
    EXPECT_EQ(target.AddLink("x", "x", "../outside", false), kErrorRefused);
    std::string report;
    EXPECT_EQ(target.MakeLinks(report), kErrorDiskSpace) << report;
    std::vector<std::string> files;
    Walk(dir.path() + "out\\", "", files);
    EXPECT_EQ(files.size(), 5u) << report;  // the file and four copies fill the 5 MB
    for (const std::string& f : files) EXPECT_EQ(f.find("~qz"), std::string::npos) << f;
}
