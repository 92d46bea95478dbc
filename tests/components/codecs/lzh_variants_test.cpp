// LHA archives as the older and rarer packers wrote them: the methods of
// LHarc, LArc and PMarc, headers of level 3, OS-9's level 2, extensions of every
// kind, Unix links, MacBinary headers and EUC-JP names. Each archive is made
// here from the header descriptions and first extracted by lhasa, which
// proves it right; then our reader must give the same.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "components/codecs/bits.h"
#include "components/codecs/lzh.h"
#include "components/codecs/unpack.h"
#include "tests/components/codecs/lzh_builders.h"
#include "tests/components/codecs/host_files.h"

namespace {

using qaztest::ReadAll;
using qaztest::WriteAll;

using namespace qaz::codecs;
using namespace qaztest::lzh;

std::string Shell(const std::string& cmd) {
    std::string out;
    FILE* p = popen(("timeout 60 sh -c '" + cmd + "' 2>&1").c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    if (p) pclose(p);
    return out;
}

// Text with repeats near and far, and a stretch of noise: more than 32768
// codes, so the adaptive code of -lh1- is rebuilt on the way.
Bytes Sample(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes out;
    const std::string words[] = {"LHarc ", "archive ", "file\r\n", "data ", "method "};
    while (out.size() < size) {
        if (rng() % 3 == 0) {
            for (int i = 0; i < 200; ++i) out.push_back(uint8_t(rng()));
        } else {
            for (int i = 0; i < 30; ++i) {
                const std::string& w = words[rng() % 5];
                out.insert(out.end(), w.begin(), w.end());
            }
        }
    }
    out.resize(size);
    return out;
}

class LzhVariants : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qaz_lzhvXXXXXX";
        dir_ = mkdtemp(tmpl);
    }
    void TearDown() override { Shell("rm -rf " + dir_); }

    // Writes the archive, has lhasa extract it into a fresh folder, and
    // returns that folder.
    std::string Lhasa(const std::string& name, const Bytes& archive) {
        WriteAll(dir_ + "/" + name, archive);
        const std::string out = dir_ + "/x_" + name;
        Shell("mkdir -p " + out + " && cd " + out + " && lhasa xq ../" + name);
        return out + "/";
    }

    // The entries our reader finds.
    std::vector<LzhEntry> Entries(const Bytes& a) {
        std::vector<LzhEntry> all;
        LzhEntry e;
        for (size_t at = FindLzhStart(a.data(), a.size());
             at != SIZE_MAX && ReadLzhHeader(a.data(), a.size(), at, e) == LzhHeaderStatus::Ok; at = e.nextOffset)
            all.push_back(e);
        return all;
    }

    Bytes Unpack(const Bytes& a, const LzhEntry& e) {
        VectorSink sink;
        EXPECT_EQ(UnpackLzhEntry(a.data(), a.size(), e, sink), UnpackStatus::Ok) << e.path << " " << e.method;
        return sink.bytes;
    }

    std::string dir_;
};

TEST_F(LzhVariants, OlderMethodsUnpackAsLhasaUnpacksThem) {
    struct Case {
        const char* method;
        Bytes (*pack)(const Bytes&);
        int level;
    };
    const Case cases[] = {
        {"-lh1-", PackLh1, 0},
        {"-lh1-", PackLh1, 2},
        {"-lzs-", PackLzs, 1},
        {"-lz5-", PackLz5, 0},
        {"-lhx-", PackLhx, 2},
        {"-pm2-", PackPm2, 1},
    };
    // For -lhx-, noise repeated from 440 KB back.
    std::mt19937 rng(4);
    Bytes far;
    for (int i = 0; i < 40000; ++i) far.push_back(uint8_t(rng()));
    const Bytes middle = Sample(400000, 5);
    far.insert(far.end(), middle.begin(), middle.end());
    far.insert(far.end(), far.begin(), far.begin() + 40000);
    for (const Case& c : cases) {
        const Bytes samples[] = {c.pack == PackLhx ? far : Sample(70000, 1), Bytes{'a'}, Bytes(9000, ' ')};
        Bytes archive;
        for (size_t i = 0; i < 3; ++i) {
            Entry e;
            e.method = c.method;
            e.original = samples[i];
            e.packed = c.pack(samples[i]);
            const std::string name = "f" + std::to_string(i) + ".bin";
            e.name = Of(name);
            e.exts = {{0x01, Of(name)}};
            const Bytes h = c.level == 2 ? Level23(e, 2) : Level01(e, c.level);
            archive.insert(archive.end(), h.begin(), h.end());
        }
        archive.push_back(0);
        const std::string name = std::string(c.method + 1, 3) + std::to_string(c.level) + ".lzh";
        const std::string peer = Lhasa(name, archive);
        const std::vector<LzhEntry> entries = Entries(archive);
        ASSERT_EQ(entries.size(), 3u) << name;
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(ReadAll(peer + "f" + std::to_string(i) + ".bin"), samples[i]) << "lhasa, " << name << " " << i;
            EXPECT_TRUE(IsSupportedLzhMethod(entries[i].method));
            EXPECT_EQ(Unpack(archive, entries[i]), samples[i]) << name << " " << i;
        }
        // A damaged stream is an error, never a wrong file.
        Bytes bad = archive;
        bad[entries[0].dataOffset + 3000] ^= 0x5A;
        VectorSink sink;
        EXPECT_NE(UnpackLzhEntry(bad.data(), bad.size(), entries[0], sink), UnpackStatus::Ok) << name;
    }
}

TEST_F(LzhVariants, HeaderVariantsAreReadAsLhasaReadsThem) {
    const Bytes data = Sample(3000, 2);
    const Bytes mode755 = {0xED, 0x81};  // a regular file, rwxr-xr-x
    const Bytes link = {0xFF, 0xA1};     // a symbolic link
    struct Case {
        const char* what;
        Bytes archive;
        const char* path;    // as we read it, '\' separators
        const char* target;  // a link's target, or null
    };
    auto file = [&](std::vector<Ext> exts, char os = 'U') {
        Entry e;
        e.original = e.packed = data;
        e.exts = std::move(exts);
        e.os = os;
        return e;
    };
    // A self-extracting .COM program: a jump, its code, then the archive.
    auto ComProgram = [](Bytes archive) {
        Bytes program = {0xEB, 0x3C};
        program.resize(700, 0x90);
        program.insert(program.end(), archive.begin(), archive.end());
        return program;
    };
    Entry dirLink;
    dirLink.method = "-lhd-";
    dirLink.exts = {{0x02, Of("sub\xFF")}, {0x01, Of("ln|../t.txt")}, {0x50, link}};
    Entry level0Link;
    level0Link.method = "-lhd-";
    level0Link.name = Of("l0|t.txt");
    level0Link.level0Area = {'U', 0, 0x4D, 0x3C, 0x2B, 0x5A, 0xFF, 0xA1, 0xE8, 0x03, 0xE8, 0x03};
    const Case cases[] = {
        {"level 3", Level23(file({{0x02, Of("d3\xFF")}, {0x01, Of("three.txt")}}), 3), "d3\\three.txt", nullptr},
        {"OS-9 level 2", Level23(file({{0x01, Of("os9.txt")}, {0x50, mode755}}, 'K'), 2, true), "os9.txt", nullptr},
        {"every extension, any order",
         Level23(file({{0x3F, Of("a comment")},
                       {0x53, Of("user")},
                       {0x01, Of("ext.txt")},
                       {0x51, {0xE8, 0x03, 0xE8, 0x03}},
                       {0x52, Of("group")},
                       {0x7F, Bytes(12, 0)},
                       {0x54, {0x4D, 0x3C, 0x2B, 0x5A}},
                       {0x02, Of("e\xFF" "f\xFF")}},
                      'A'),
                 2),
         "e\\f\\ext.txt", nullptr},
        {"link, level 2", Level23(dirLink, 2), "sub\\ln", "..\\t.txt"},
        {"inside an MS-DOS .COM program", ComProgram(Level01(file({{0x01, Of("com.txt")}}, 'M'), 1)), "com.txt", nullptr},
        {"link, level 0", Level01(level0Link, 0), "l0", "t.txt"},
    };
    for (const Case& c : cases) {
        Bytes archive = c.archive;
        archive.push_back(0);
        const std::string name = std::string("v") + std::to_string(&c - cases) + ".lzh";
        const std::string peer = Lhasa(name, archive);
        const std::vector<LzhEntry> entries = Entries(archive);
        ASSERT_EQ(entries.size(), 1u) << c.what;
        const LzhEntry& e = entries[0];
        EXPECT_EQ(e.path, c.path) << c.what;
        std::string peerPath = c.path;
        for (char& ch : peerPath)
            if (ch == '\\') ch = '/';
        if (c.target) {
            EXPECT_TRUE(e.link && !e.folder) << c.what;
            EXPECT_EQ(e.linkTarget, c.target) << c.what;
            EXPECT_NE(Shell("readlink " + peer + peerPath), "") << "lhasa, " << c.what;
        } else {
            EXPECT_EQ(ReadAll(peer + peerPath), data) << "lhasa, " << c.what;
            EXPECT_EQ(Unpack(archive, e), data) << c.what;
        }
    }
}

TEST_F(LzhVariants, MacBinaryHeadersAreStrippedWhenTheyFitTheEntry) {
    const Bytes fork = Sample(1000, 3);
    const uint32_t time = Entry().time;
    auto macBinary = [&](const std::string& name, uint32_t dataFork, uint32_t modified = 0) {
        Bytes m(128, 0);
        const uint32_t macTime = (modified ? modified : time + 9 * 3600) + 2082844800u;  // local time in Tokyo
        for (int i = 0; i < 4; ++i) m[0x5F + i] = uint8_t(macTime >> (24 - 8 * i));
        m[1] = uint8_t(name.size());
        std::memcpy(&m[2], name.data(), name.size());
        std::memcpy(&m[0x41], "TEXTttxt", 8);
        for (int i = 0; i < 4; ++i) m[0x53 + i] = uint8_t(dataFork >> (24 - 8 * i));
        m.insert(m.end(), fork.begin(), fork.end());
        m.resize((m.size() + 127) & ~size_t(127));  // forks are padded to 128 bytes
        return m;
    };
    struct Case {
        const char* what;
        Bytes stored;
        const char* name;
        bool stripped;
    };
    const Case cases[] = {
        {"fits", macBinary("read me", uint32_t(fork.size())), "read me", true},
        {"another name", macBinary("other", uint32_t(fork.size())), "mine", false},
        {"wrong fork size", macBinary("x", uint32_t(fork.size() + 300)), "x", false},
        {"another day", macBinary("y", uint32_t(fork.size()), time - 86400), "y", false},
    };
    for (const Case& c : cases) {
        Entry e;
        e.os = 'm';
        e.original = e.packed = c.stored;
        e.exts = {{0x01, Of(c.name)}};
        Bytes archive = Level23(e, 2);
        archive.push_back(0);
        const std::string name = std::string("m") + std::to_string(&c - cases) + ".lzh";
        const Bytes peer = ReadAll(Lhasa(name, archive) + c.name);
        const Bytes ours = Unpack(archive, Entries(archive).at(0));
        EXPECT_EQ(ours, c.stripped ? fork : c.stored) << c.what;
        EXPECT_EQ(ours, peer) << "as lhasa, " << c.what;
    }
}

TEST_F(LzhVariants, EucJpNamesBecomeShiftJisAndOthersStay) {
    // iconv makes both spellings of a name with kanji, kana and half-width kana.
    const std::string text = "日本語のファイル_ｶﾅ.txt";
    WriteAll(dir_ + "/name", Of(text));
    const std::string euc = Shell("iconv -f UTF-8 -t EUC-JP " + dir_ + "/name");
    const std::string sjis = Shell("iconv -f UTF-8 -t CP932 " + dir_ + "/name");
    ASSERT_FALSE(euc.empty());
    std::string out = "unchanged";
    EXPECT_TRUE(EucJpToShiftJis(euc, out));
    EXPECT_EQ(out, sjis);
    for (const std::string& kept : {text, std::string("plain.txt"), sjis, std::string("\xA4")}) {
        out = "unchanged";
        EXPECT_FALSE(EucJpToShiftJis(kept, out)) << kept;
        EXPECT_EQ(out, "unchanged");
    }
}

// The decoders' bit source and window against plain bit-by-bit and
// byte-by-byte models: fields of every width across word loads and the
// end of the input, and copies that overlap, wrap the ring or span flushes.
TEST(UnpackParts, BitSourceAndWindowMatchPlainModels) {
    std::mt19937 rng(5);
    for (size_t size : {0u, 1u, 3u, 7u, 8u, 9u, 61u, 1000u}) {
        std::vector<uint8_t> in(size);
        for (uint8_t& b : in) b = uint8_t(rng());
        qaz::codecs::MsbBitSource fast(in.data(), in.size());
        std::vector<uint8_t> padded(in);
        padded.resize(size + 16);  // zeros past the end
        qaz::codecs::BitReader plain(padded.data(), padded.size());
        size_t used = 0;
        while (used <= size * 8 + 40) {
            const unsigned n = rng() % 25;
            ASSERT_EQ(fast.Get(n), plain.Bits(n)) << size << " bytes, at bit " << used;
            used += n;
            ASSERT_EQ(fast.Overrun(), used > size * 8) << size << " bytes, at bit " << used;
        }
    }
    struct Collect : qaz::codecs::ByteSink {
        std::vector<uint8_t> bytes;
        bool Write(const uint8_t* d, size_t n) override {
            bytes.insert(bytes.end(), d, d + n);
            return true;
        }
    } sink;
    std::vector<uint8_t> model;
    constexpr uint32_t kRing = 64;
    auto at = [&](size_t back) { return back > model.size() ? uint8_t(0x20) : model[model.size() - back]; };
    {
        qaz::codecs::Window window(sink, kRing);
        for (int step = 0; step < 3000; ++step) {
            if (rng() % 3 == 0) {
                const uint8_t b = uint8_t(rng());
                ASSERT_TRUE(window.Literal(b));
                model.push_back(b);
                continue;
            }
            const uint32_t distance = 1 + rng() % kRing, length = 1 + rng() % (2 * kRing + 3);
            ASSERT_TRUE(window.Copy(distance, length));
            for (uint32_t i = 0; i < length; ++i) model.push_back(at(distance));
        }
        ASSERT_TRUE(window.Finish());
    }
    EXPECT_EQ(sink.bytes, model);
}

}  // namespace
