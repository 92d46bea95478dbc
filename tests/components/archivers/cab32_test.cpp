// Cab32.dll reading cabinets from the wild, called as the program calls it:
// split sets written by the platform's FCI with a small cabinet size, a
// cabinet behind other data, LZX from the tests' own writer, names marked
// UTF-8, and damaged or unreadable folders, which leave no file behind
// under the entry's name.
#include <windows.h>
#include <fcntl.h>
#include <fci.h>
#include <io.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "archive/entry_info.h"
#include "tests/components/codecs/cab_writer.h"
#include "tests/components/archivers/archiver_library.h"
#include "tests/support/test_env.h"

namespace {

using qaztest::FileBytes;

std::string Str(const qaztest::Bytes& b) { return std::string(b.begin(), b.end()); }
qaztest::Bytes Raw(const std::string& s) { return qaztest::Bytes(s.begin(), s.end()); }
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Bytes that MSZIP barely shrinks, so that a set needs many parts.
std::string Noise(size_t size, uint32_t seed) {
    std::string s(size, '\0');
    for (char& c : s) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    return s;
}

using qaztest::Walk;

// ---- A split set through FCI: parts set1.cab, set2.cab, … of at most kPart bytes.
constexpr ULONG kPart = 60000;
FNFCIALLOC(Alloc) { return HeapAlloc(GetProcessHeap(), 0, cb); }
FNFCIFREE(Free) { HeapFree(GetProcessHeap(), 0, memory); }
FNFCIOPEN(Open) { return _open(pszFile, oflag, pmode); }
FNFCIREAD(Read) { return static_cast<UINT>(_read(static_cast<int>(hf), memory, cb)); }
FNFCIWRITE(Write) { return static_cast<UINT>(_write(static_cast<int>(hf), memory, cb)); }
FNFCICLOSE(Close) { return _close(static_cast<int>(hf)); }
FNFCISEEK(Seek) { return _lseek(static_cast<int>(hf), dist, seektype); }
FNFCIDELETE(Delete) { return DeleteFileA(pszFile) ? 0 : -1; }
FNFCIGETTEMPFILE(Temp) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    if (!GetTempFileNameA(folder, "qt", 0, pszTempName)) return FALSE;
    DeleteFileA(pszTempName);
    return TRUE;
}
FNFCIFILEPLACED(Placed) { return 0; }
FNFCIGETNEXTCABINET(Next) {
    std::snprintf(pccab->szCab, sizeof pccab->szCab, "set%d.cab", pccab->iCab);
    return TRUE;
}
FNFCISTATUS(Status) { return 0; }
FNFCIGETOPENINFO(OpenInfo) {
    *pdate = 0x5A21;
    *ptime = 0x6000;
    *pattribs = 0;
    return _open(pszName, _O_RDONLY | _O_BINARY);
}

bool WriteSplitSet(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& files) {
    ERF erf = {};
    CCAB ccab = {};
    ccab.cb = kPart;
    ccab.cbFolderThresh = 0x7FFFFFFF;
    // Reserved areas in every record, as some installers' cabinets have.
    ccab.cbReserveCFHeader = 6;
    ccab.cbReserveCFFolder = 3;
    ccab.cbReserveCFData = 5;
    ccab.iCab = 1;
    ccab.setID = 77;
    lstrcpyA(ccab.szCabPath, folder.c_str());
    lstrcpyA(ccab.szCab, "set1.cab");
    HFCI fci = FCICreate(&erf, Placed, Alloc, Free, Open, Read, Write, Close, Seek, Delete, Temp, &ccab, nullptr);
    if (!fci) return false;
    bool ok = true;
    for (const auto& f : files) {
        std::string source = folder + "in_" + f.first, stored = f.first;
        ok = ok && FCIAddFile(fci, &source[0], &stored[0], FALSE, Next, Status, OpenInfo, tcompTYPE_MSZIP);
    }
    ok = ok && FCIFlushCabinet(fci, FALSE, Next, Status);
    FCIDestroy(fci);
    return ok;
}

class Cab32 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(cab_.module && cab_.command && cab_.running && cab_.open && cab_.first && cab_.next);
        files_ = {{"noise1.bin", Noise(150000, 1)}, {"text.txt", std::string(20000, 't') + Noise(30000, 2)},
                  {"empty.txt", ""}, {"noise2.bin", Noise(170000, 3)}};
    }

    // Extracts into a fresh folder; the result, with the report in out.
    int Extract(const std::string& archive, const std::string& dest, std::string& out) {
        char buf[4096] = {};
        const int r = cab_.command(nullptr, ("-x \"" + archive + "\" \"" + dest + "\"").c_str(), buf, sizeof buf);
        out = buf;
        return r;
    }
    // "name size method" per listed entry.
    std::vector<std::string> List(const std::string& archive) {
        std::vector<std::string> rows;
        HANDLE h = cab_.open(nullptr, archive.c_str(), 0);
        if (!h) return rows;
        qaz::ArchiveEntryInfo info;
        for (int r = cab_.first(h, "*.*", &info); r == 0; r = cab_.next(h, &info))
            rows.push_back(std::string(info.path) + " " + std::to_string(info.originalSize) + " " + info.method);
        cab_.close(h);
        return rows;
    }
    void ExpectFiles(const std::string& dest, const std::string& what) {
        for (const auto& f : files_) EXPECT_TRUE(FileBytes(dest + f.first) == f.second) << what << " " << f.first;
    }
    std::vector<std::pair<std::string, qaztest::Bytes>> Inputs() const {
        std::vector<std::pair<std::string, qaztest::Bytes>> v;
        for (const auto& f : files_) v.push_back({f.first, Raw(f.second)});
        return v;
    }

    qaztest::Archiver cab_{"Cab32.dll", "Cab"};
    std::vector<std::pair<std::string, std::string>> files_;
    qaztest::TempDir dir_;
};

TEST_F(Cab32, SplitSetIsReadThroughAllItsPartsAndAMissingPartIsNamed) {
    const std::string set = dir_.Folder("set") + "\\";
    for (const auto& f : files_) dir_.File("set\\in_" + f.first, f.second);
    ASSERT_TRUE(WriteSplitSet(set, files_));
    int parts = 0;
    while (Exists(set + "set" + std::to_string(parts + 1) + ".cab")) ++parts;
    ASSERT_GE(parts, 4);
    // The whole set is listed from its first part.
    std::vector<std::string> expected;
    for (const auto& f : files_) expected.push_back(f.first + " " + std::to_string(f.second.size()) + " MSZIP");
    EXPECT_EQ(List(set + "set1.cab"), expected);

    struct Case {
        const char* what;
        const char* open;     // the part handed to the library
        int removed;          // the part taken away first, 0: none
        bool whole;           // every file comes out
    };
    const Case cases[] = {
        {"from the first part", "set1.cab", 0, true},
        {"from the second part", "set2.cab", 0, true},
        {"a middle part missing", "set1.cab", 2, false},
        {"the last part missing", "set1.cab", -1, false},
    };
    for (const Case& c : cases) {
        const int removed = c.removed < 0 ? parts : c.removed;
        const std::string part = "set" + std::to_string(removed) + ".cab", hidden = set + "hidden.bin";
        if (c.removed) {
            ASSERT_TRUE(MoveFileA((set + part).c_str(), hidden.c_str())) << c.what;
        }
        const std::string dest = dir_.Folder(std::string("out_") + c.what) + "\\";
        std::string report;
        const int r = Extract(set + c.open, dest, report);
        EXPECT_FALSE(cab_.running() & 0xFF) << c.what;
        if (c.whole) {
            EXPECT_EQ(r, 0) << c.what << "\n" << report;
            ExpectFiles(dest, c.what);
        } else {
            EXPECT_EQ(r, 0x8029) << c.what << "\n" << report;
            EXPECT_NE(report.find(part + ": is missing"), std::string::npos) << c.what << "\n" << report;
            // What came out is whole; the rest is not there at all.
            std::vector<std::string> found;
            Walk(dest, "", found);
            EXPECT_LT(found.size(), files_.size()) << c.what;
            for (const std::string& name : found) {
                bool known = false;
                for (const auto& f : files_) known |= f.first == name && FileBytes(dest + name) == f.second;
                EXPECT_TRUE(known) << c.what << " " << name;
            }
        }
        if (c.removed) {
            ASSERT_TRUE(MoveFileA(hidden.c_str(), (set + part).c_str())) << c.what;
        }
    }
}

TEST_F(Cab32, CabinetsOfEveryKindExtractByteExact) {
    const std::string gcab = FileBytes(qaztest::ExeFolder() + "lha_data\\mszip.cab");
    ASSERT_GT(gcab.size(), 100u);
    // Greek and Cyrillic names exist in the Japanese code page.
    const std::string greek = "\xCE\xB1\xCE\xB2\xCE\xB3.txt", cyrillic = "\xD0\x96\xD0\xB8\xD0\xB7\xD0\xBD\xD1\x8C.txt";
    auto ansi = [](const std::string& utf8) {
        wchar_t w[64] = {};
        char a[64] = {};
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, w, 64);
        WideCharToMultiByte(CP_ACP, 0, w, -1, a, 64, nullptr, nullptr);
        return std::string(a);
    };
    const std::string body = "a name marked UTF-8\r\n";
    const qaztest::Bytes utf8Cab = qaztest::MakeCabinet(
        {{greek, uint32_t(body.size()), 0xA0}, {cyrillic, uint32_t(body.size()), 0xA0}}, 0,
        {{Raw(body + body), uint16_t(body.size() * 2)}});

    struct Case {
        const char* what;
        std::string archive;  // bytes
        std::vector<std::pair<std::string, std::string>> files;
    };
    const std::vector<std::pair<std::string, std::string>> gcabFiles = {
        {"text.txt", FileBytes(qaztest::ExeFolder() + "lha_data\\src\\text.txt")},
        {"sub\\mixed.bin", FileBytes(qaztest::ExeFolder() + "lha_data\\src\\sub\\mixed.bin")}};
    const Case cases[] = {
        {"behind a program", Noise(70000, 5) + "MSCF" + Noise(100, 6) + gcab, gcabFiles},
        {"LZX window 21", Str(qaztest::LzxCabinet(Inputs(), 21, "vau", true)), files_},
        {"LZX window 15", Str(qaztest::LzxCabinet(Inputs(), 15, "av", false)), files_},
        {"names marked UTF-8", Str(utf8Cab), {{ansi(greek), body}, {ansi(cyrillic), body}}},
    };
    for (const Case& c : cases) {
        const std::string archive = dir_.File(std::string(c.what) + ".cab", c.archive);
        EXPECT_TRUE(cab_.check(archive.c_str(), 0) & 0xFF) << c.what;
        const std::vector<std::string> rows = List(archive);
        for (const auto& f : c.files) {
            bool listed = false;
            for (const std::string& r : rows) listed |= r.compare(0, f.first.size() + 1, f.first + " ") == 0;
            EXPECT_TRUE(listed) << c.what << " " << f.first << " first row: " << (rows.empty() ? "" : rows[0]);
        }
        const std::string dest = dir_.Folder(std::string("x_") + c.what) + "\\";
        std::string report;
        EXPECT_EQ(Extract(archive, dest, report), 0) << c.what << "\n" << report;
        for (const auto& f : c.files) EXPECT_TRUE(FileBytes(dest + f.first) == f.second) << c.what << " " << f.first;
    }
}

TEST_F(Cab32, DamagedOrUnreadableFilesLeaveNothingUnderTheirNames) {
    std::string damaged = FileBytes(qaztest::ExeFolder() + "lha_data\\mszip.cab");
    ASSERT_GT(damaged.size(), 100u);
    damaged[damaged.size() - 30] ^= 0x10;  // inside the last data block
    const qaztest::Bytes quantum = qaztest::MakeCabinet({{"q.txt", 10}}, 0x1202, {{qaztest::Bytes(20, 1), 10}});
    struct Case {
        const char* what;
        std::string archive;
        int result;
        const char* lost;     // the file that must not be there
        const char* because;  // in its report line
        const char* kept;     // a file that comes out whole, or null
    };
    const Case cases[] = {
        {"checksum wrong", damaged, 0x800C, "one.txt", "one.txt: data damaged", "text.txt"},
        {"Quantum", Str(quantum), 0x8009, "q.txt", "q.txt: method Quantum not supported", nullptr},
    };
    for (const Case& c : cases) {
        const std::string archive = dir_.File(std::string(c.what) + ".cab", c.archive);
        const std::string dest = dir_.Folder(std::string("d_") + c.what) + "\\";
        EXPECT_NE(List(archive).size(), 0u) << c.what;
        std::string report;
        EXPECT_EQ(Extract(archive, dest, report), c.result) << c.what << "\n" << report;
        EXPECT_NE(report.find(c.because), std::string::npos) << c.what << "\n" << report;
        EXPECT_EQ(report.find(std::string(c.lost) + ": extracted"), std::string::npos) << c.what;
        if (c.kept) {
            EXPECT_EQ(FileBytes(dest + c.kept), FileBytes(qaztest::ExeFolder() + "lha_data\\src\\" + c.kept));
        }
        // Whatever is there is whole (no temporary file either), and the lost file is not.
        std::vector<std::string> found;
        Walk(dest, "", found);
        for (const std::string& name : found) {
            EXPECT_NE(name, c.lost) << c.what;
            EXPECT_EQ(FileBytes(dest + name), FileBytes(qaztest::ExeFolder() + "lha_data\\src\\" + name)) << c.what;
        }
    }
}

}  // namespace
