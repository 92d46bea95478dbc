// The archive readers against archives the peer tools make (GNU tar, gzip,
// ncompress, Info-ZIP zip), and our writers checked by those tools.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "components/codecs/gzip.h"
#include "components/codecs/lzw.h"
#include "components/codecs/tar.h"
#include "components/codecs/zip.h"

using namespace qaz::codecs;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const fs::path& p, const std::vector<uint8_t>& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> Noise(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
}

// Mostly text with repeats: long enough for compress to reach 16-bit codes
// and clear its table.
std::vector<uint8_t> Prose(size_t n, unsigned seed) {
    static const char* words[] = {"archive ", "entry ", "folder ", "\xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4\xe3\x83\xab ",
                                  "bar\n", "QAZ ", "level ", "0123 "};
    std::mt19937 rng(seed);
    std::vector<uint8_t> v;
    while (v.size() < n) {
        const char* w = words[rng() % 8];
        v.insert(v.end(), w, w + std::strlen(w));
    }
    v.resize(n);
    return v;
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

// One folder of test files for a suite, removed afterwards.
class ArchiveCodecs : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("qaz_arc_" + std::to_string(::getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "src");
        files_["text.txt"] = Prose(70000, 1);
        files_["bin/noise.bin"] = Noise(150000, 2);
        files_["empty"] = {};
        files_["big/prose.txt"] = Prose(900000, 3);
        files_[std::string(95, 'n') + "/" + std::string(90, 'm') + ".txt"] = Text("long name\n");
        files_["\xe6\x97\xa5\xe6\x9c\xac/\xe3\x82\xbd.txt"] = Text("utf-8 name\n");
        for (auto& [name, bytes] : files_) WriteFile(root_ / "src" / name, bytes);
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

    // Reads a tar stream and checks every file against the source tree.
    void CheckTar(ByteSource& in, const char* what) {
        TarReader tar(in);
        TarEntry e;
        std::map<std::string, bool> seen;
        bool sawLink = false, sawFolder = false;
        while (tar.Next(e)) {
            if (e.kind == TarKind::Folder) sawFolder = true;
            if (e.kind == TarKind::SymLink) {
                EXPECT_EQ(e.linkTarget, "../text.txt") << what;
                sawLink = true;
            }
            if (e.kind != TarKind::File) continue;
            std::vector<uint8_t> data;
            uint8_t buf[7000];
            for (size_t n; (n = tar.ReadData(buf, sizeof buf)) > 0;) data.insert(data.end(), buf, buf + n);
            ASSERT_EQ(e.name.rfind("src/", 0), 0u) << what << " " << e.name;
            const std::string name = e.name.substr(4);
            ASSERT_TRUE(files_.count(name)) << what << " " << name;
            EXPECT_EQ(data, files_[name]) << what << " " << name;
            EXPECT_EQ(e.size, files_[name].size()) << what << " " << name;
            EXPECT_GT(e.mtime, 1500000000) << what;
            seen[name] = true;
        }
        EXPECT_EQ(tar.error(), ArcError::None) << what;
        EXPECT_EQ(seen.size(), files_.size()) << what;
        EXPECT_TRUE(sawLink) << what;
        EXPECT_TRUE(sawFolder) << what;
    }

    fs::path root_;
    std::map<std::string, std::vector<uint8_t>> files_;
};

}  // namespace

TEST_F(ArchiveCodecs, ReadsTarsOfEveryFormatAndCompression) {
    fs::create_symlink("../text.txt", root_ / "src/bin/link");
    struct Case {
        const char* format;
        const char* compress;  // tar option
        int kind;              // 0 plain, 1 gzip, 2 compress
    } cases[] = {
        {"gnu", "", 0}, {"pax", "", 0}, {"ustar", "", 0}, {"gnu", "-z", 1}, {"pax", "-z", 1}, {"gnu", "-Z", 2},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.format) + c.compress;
        const fs::path archive = root_ / ("a_" + what);
        ASSERT_EQ(Shell("cd " + Quoted(root_) + " && tar " + c.compress + " --format=" + c.format + " -cf " +
                      Quoted(archive) + " src 2>/dev/null"),
                  0)
            << what;
        const std::vector<uint8_t> bytes = ReadFile(archive);
        MemorySource raw(bytes);
        if (c.kind == 0) {
            EXPECT_TRUE(LooksLikeTar(bytes.data(), bytes.size()));
            CheckTar(raw, what.c_str());
        } else if (c.kind == 1) {
            EXPECT_TRUE(LooksLikeGzip(bytes.data(), bytes.size()));
            GzipSource gz(raw);
            CheckTar(gz, what.c_str());
        } else {
            EXPECT_TRUE(LooksLikeCompress(bytes.data(), bytes.size()));
            LzwSource z(raw);
            CheckTar(z, what.c_str());
        }
    }
}

TEST_F(ArchiveCodecs, GzipMembersAndDamage) {
    const fs::path a = root_ / "src/text.txt", b = root_ / "src/bin/noise.bin";
    ASSERT_EQ(Shell("gzip -c -9 " + Quoted(a) + " > " + Quoted(root_ / "two.gz") + " && gzip -c -1 " + Quoted(b) +
                  " >> " + Quoted(root_ / "two.gz")),
              0);
    std::vector<uint8_t> two = ReadFile(root_ / "two.gz");
    GzipHeader header;
    ASSERT_EQ(ParseGzipHeader(two.data(), two.size(), header), ArcError::None);
    EXPECT_EQ(header.name, "text.txt");
    std::vector<uint8_t> expected = files_["text.txt"];
    expected.insert(expected.end(), files_["bin/noise.bin"].begin(), files_["bin/noise.bin"].end());

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        ArcError error;
    } cases[] = {
        {"two members", two, ArcError::None},
        {"zero padding", two, ArcError::None},
        {"cut inside the data", std::vector<uint8_t>(two.begin(), two.begin() + two.size() / 2), ArcError::Truncated},
        {"cut before the trailer", std::vector<uint8_t>(two.begin(), two.end() - 4), ArcError::Truncated},
        {"wrong CRC", two, ArcError::Corrupt},
        {"empty", {}, ArcError::Truncated},
    };
    cases[1].bytes.resize(two.size() + 700, 0);
    cases[4].bytes[two.size() - 6] ^= 0x55;  // inside the last member's CRC
    for (const Case& c : cases) {
        MemorySource src(c.bytes);
        GzipSource gz(src);
        std::vector<uint8_t> out;
        uint8_t buf[4096];
        for (size_t n; (n = gz.Read(buf, sizeof buf)) > 0;) out.insert(out.end(), buf, buf + n);
        EXPECT_EQ(gz.error(), c.error) << c.what;
        if (c.error == ArcError::None) EXPECT_EQ(out, expected) << c.what;
    }
}

TEST_F(ArchiveCodecs, CompressStreamsBothWays) {
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        int bits;
    } cases[] = {
        {"prose", Prose(900000, 7), 16},   // reaches 16-bit codes; compress clears the table
        {"noise", Noise(300000, 8), 16},   // table full early, clear codes
        {"short", Text("abababababab"), 16},
        {"12 bits", Prose(200000, 9), 12},
        {"one byte", Text("x"), 16},
    };
    for (const Case& c : cases) {
        const fs::path plain = root_ / c.name;
        WriteFile(plain, c.data);
        // Theirs, read by us.
        ASSERT_EQ(Shell("compress -f -c -b " + std::to_string(c.bits) + " " + Quoted(plain) + " > " +
                      Quoted(root_ / "theirs.Z")),
                  0);
        const std::vector<uint8_t> theirs = ReadFile(root_ / "theirs.Z");
        MemorySource src(theirs);
        LzwSource z(src);
        std::vector<uint8_t> out;
        uint8_t buf[5000];
        for (size_t n; (n = z.Read(buf, sizeof buf)) > 0;) out.insert(out.end(), buf, buf + n);
        EXPECT_EQ(z.error(), ArcError::None) << c.name;
        EXPECT_EQ(out, c.data) << c.name;
        // Ours, read by them.
        WriteFile(root_ / "ours.Z", CompressLzw(c.data.data(), c.data.size(), c.bits));
        ASSERT_EQ(Shell("uncompress -c " + Quoted(root_ / "ours.Z") + " > " + Quoted(root_ / "back")), 0) << c.name;
        EXPECT_EQ(ReadFile(root_ / "back"), c.data) << c.name;
    }
}

TEST_F(ArchiveCodecs, ReadsZipsOfEveryKind) {
    struct Case {
        const char* what;
        const char* command;  // run in root_, writes a.zip
    } cases[] = {
        {"deflate", "zip -qr a.zip src"},
        {"stored", "zip -qr0 a.zip src"},
        {"zip64", "zip -qr -fz a.zip src"},
        {"descriptors", "cd src && find . -type f | sed 's|^\\./||' | zip -q -fd ../a.zip -@"},
        {"utf-8 flag", "python3 -c \"import zipfile,os\n"
                       "z=zipfile.ZipFile('a.zip','w',zipfile.ZIP_DEFLATED)\n"
                       "for d,_,fs in os.walk('src'):\n"
                       " for f in fs: z.write(os.path.join(d,f))\n\""},
    };
    for (const Case& c : cases) {
        fs::remove(root_ / "a.zip");
        ASSERT_EQ(Shell("cd " + Quoted(root_) + " && export LC_ALL=C.UTF-8 && " + c.command), 0) << c.what;
        const std::vector<uint8_t> bytes = ReadFile(root_ / "a.zip");
        EXPECT_TRUE(LooksLikeZip(bytes.data(), bytes.size())) << c.what;
        MemorySource src(bytes);
        std::vector<ZipEntry> entries;
        ASSERT_EQ(ReadZipDirectory(src, entries), ArcError::None) << c.what;
        size_t files = 0;
        for (const ZipEntry& e : entries) {
            if (e.isFolder()) continue;
            std::string name = e.name;
            if (name.rfind("src/", 0) == 0) name = name.substr(4);
            ASSERT_TRUE(files_.count(name)) << c.what << " " << name;
            VectorSink out;
            EXPECT_EQ(ExtractZipEntry(src, e, out), ArcError::None) << c.what << " " << name;
            EXPECT_EQ(out.bytes, files_[name]) << c.what << " " << name;
            // Info-ZIP here stores the bytes as they are; Python sets the UTF-8 flag.
            if (name.find('\xe6') != std::string::npos)
                EXPECT_EQ(e.utf8, std::string(c.what) == "utf-8 flag") << c.what;
            if (std::string(c.what) == "descriptors") EXPECT_TRUE(e.flags & 8) << name;
            ++files;
        }
        EXPECT_EQ(files, files_.size()) << c.what;
    }
}

TEST_F(ArchiveCodecs, ZipDamageIsAnErrorNeverMoreData) {
    ASSERT_EQ(Shell("cd " + Quoted(root_ / "src") + " && zip -q ../a.zip big/prose.txt"), 0);
    const std::vector<uint8_t> good = ReadFile(root_ / "a.zip");
    MemorySource goodSrc(good);
    std::vector<ZipEntry> entries;
    ASSERT_EQ(ReadZipDirectory(goodSrc, entries), ArcError::None);
    ASSERT_EQ(entries.size(), 1u);
    const ZipEntry entry = entries[0];

    struct Case {
        const char* what;
        void (*change)(ZipEntry&);
        ArcError error;
    } cases[] = {
        {"declared smaller than the data", [](ZipEntry& e) { e.size = 1000; }, ArcError::TooLarge},
        {"declared larger than the data", [](ZipEntry& e) { e.size += 4000000000u; }, ArcError::Truncated},
        {"deflate stream cut", [](ZipEntry& e) { e.packedSize /= 2; }, ArcError::Truncated},
        {"wrong CRC", [](ZipEntry& e) { e.crc ^= 1; }, ArcError::Corrupt},
        {"encrypted", [](ZipEntry& e) { e.flags |= 1; }, ArcError::Unsupported},
        {"offset past the end", [](ZipEntry& e) { e.localOffset = 1u << 30; }, ArcError::Corrupt},
    };
    for (const Case& c : cases) {
        ZipEntry e = entry;
        c.change(e);
        VectorSink out;
        EXPECT_EQ(ExtractZipEntry(goodSrc, e, out), c.error) << c.what;
        EXPECT_LE(out.bytes.size(), e.size) << c.what;
    }
    // A cut archive has no directory to read.
    std::vector<uint8_t> cut(good.begin(), good.begin() + good.size() / 2);
    MemorySource cutSrc(cut);
    EXPECT_EQ(ReadZipDirectory(cutSrc, entries), ArcError::Corrupt);
}

TEST_F(ArchiveCodecs, OurTgzIsReadByGnuTarAndGzip) {
    VectorSink file;
    {
        GzipWriter gz(file, 6);
        TarWriter tar(gz);
        ASSERT_TRUE(tar.AddFolder("src", 1700000000));
        for (auto& [name, bytes] : files_) {
            ASSERT_TRUE(tar.BeginFile("src/" + name, bytes.size(), 1700000000));
            ASSERT_TRUE(tar.WriteData(bytes.data(), bytes.size()));
            ASSERT_TRUE(tar.EndFile());
        }
        ASSERT_TRUE(tar.Finish());
        ASSERT_TRUE(gz.Finish());
    }
    WriteFile(root_ / "ours.tgz", file.bytes);
    EXPECT_EQ(Shell("gzip -t " + Quoted(root_ / "ours.tgz")), 0);
    EXPECT_EQ(Shell("tar -tzf " + Quoted(root_ / "ours.tgz") + " > /dev/null"), 0);
    fs::create_directories(root_ / "out");
    ASSERT_EQ(Shell("tar -xzf " + Quoted(root_ / "ours.tgz") + " -C " + Quoted(root_ / "out")), 0);
    for (auto& [name, bytes] : files_) EXPECT_EQ(ReadFile(root_ / "out/src" / name), bytes) << name;
    EXPECT_EQ(fs::last_write_time(root_ / "out/src/text.txt").time_since_epoch().count() != 0, true);
}

TEST(DosTime, Conversion) {
    struct Case {
        int64_t seconds;
        uint16_t date, time;
    } cases[] = {
        {0, (0 << 9) | (1 << 5) | 1, 0},                                        // before 1980: the first day
        {315532800, (0 << 9) | (1 << 5) | 1, 0},                                // 1980-01-01 00:00:00
        {1709210096, (44 << 9) | (2 << 5) | 29, (12 << 11) | (34 << 5) | 28},  // 2024-02-29 12:34:56
        {4354819199, (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29},
    };
    for (const Case& c : cases) {
        uint16_t d, t;
        DosDateTimeOf(c.seconds, d, t);
        EXPECT_EQ(d, c.date) << c.seconds;
        EXPECT_EQ(t, c.time) << c.seconds;
    }
}
