// The LHA and ARJ codecs against the peer tools: archives made by jlha and
// arj are listed and unpacked byte-exact, archives we write pass lhasa, jlha
// and 7z, and damaged archives are refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "components/codecs/arj.h"
#include "components/codecs/crc.h"
#include "components/codecs/lh5_encoder.h"
#include "components/codecs/lzh.h"
#include "tests/components/codecs/host_files.h"

namespace {

using namespace qaz::codecs;
using Bytes = std::vector<uint8_t>;
using qaztest::ReadAll;
using qaztest::Shell;
using qaztest::WriteAll;

// Text, noise and long repeats: every kind of code the packers emit.
Bytes MixedData(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes out;
    const std::string words[] = {"alpha ", "beta ", "gamma\r\n", "delta ", "epsilon "};
    while (out.size() < size) {
        switch (rng() % 4) {
        case 0:
            for (int i = 0; i < 40; ++i) {
                const std::string& w = words[rng() % 5];
                out.insert(out.end(), w.begin(), w.end());
            }
            break;
        case 1:
            for (int i = 0; i < 300; ++i) out.push_back(uint8_t(rng()));
            break;
        case 2:
            out.insert(out.end(), 500 + rng() % 3000, uint8_t(rng()));
            break;
        default:
            if (out.size() > 70000) {
                const size_t from = out.size() - 1 - rng() % 65000, n = 3 + rng() % 600;
                for (size_t i = 0; i < n; ++i) out.push_back(out[from + i]);
            }
        }
    }
    out.resize(size);
    return out;
}

class ArchiveCodecs : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qaz_arcXXXXXX";
        dir_ = mkdtemp(tmpl);
        files_ = {{"text.txt", MixedData(150000, 1)},
                  {"sub/noise.bin", MixedData(0, 2)},
                  {"sub/big.dat", MixedData(300000, 3)},
                  {"one.txt", Bytes{'x'}}};
        std::mt19937 rng(9);
        for (int i = 0; i < 40000; ++i) files_["sub/noise.bin"].push_back(uint8_t(rng()));
        Shell("mkdir -p " + dir_ + "/sub");
        for (const auto& f : files_) WriteAll(dir_ + "/" + f.first, f.second);
    }
    void TearDown() override { Shell("rm -rf " + dir_); }

    std::string FileList() const {
        std::string s;
        for (const auto& f : files_) s += " " + f.first;
        return s;
    }

    // Every file entry of the archive, unpacked, by its path with '/'.
    std::map<std::string, Bytes> UnpackLzh(const Bytes& a) {
        std::map<std::string, Bytes> out;
        size_t at = FindLzhStart(a.data(), a.size());
        EXPECT_NE(at, SIZE_MAX);
        LzhEntry e;
        LzhHeaderStatus st;
        while (at != SIZE_MAX && (st = ReadLzhHeader(a.data(), a.size(), at, e)) == LzhHeaderStatus::Ok) {
            std::string p = e.path;
            for (char& c : p)
                if (c == '\\') c = '/';
            VectorSink sink;
            EXPECT_EQ(UnpackLzhEntry(a.data(), a.size(), e, sink), UnpackStatus::Ok) << p << " " << e.method;
            if (!e.folder) out[p] = sink.bytes;
            at = e.nextOffset;
        }
        EXPECT_EQ(st, LzhHeaderStatus::End);
        return out;
    }

    std::string dir_;
    std::map<std::string, Bytes> files_;
};

TEST_F(ArchiveCodecs, JlhaArchivesOfEveryLevelAndMethodUnpackExactly) {
    const char* const kOptions[] = {"0o5", "1o5", "2o5", "0o6", "2o6", "1o7", "2o7", "1z"};
    for (const char* opt : kOptions) {
        const std::string arc = dir_ + "/t.lzh";
        std::remove(arc.c_str());
        ASSERT_EQ(Shell("cd " + dir_ + " && jlha c" + opt + " t.lzh" + FileList()), 0) << opt;
        const auto got = UnpackLzh(ReadAll(arc));
        EXPECT_EQ(got.size(), files_.size()) << opt;
        for (const auto& f : files_) EXPECT_TRUE(got.count(f.first) && got.at(f.first) == f.second) << opt << " " << f.first;
    }
}

TEST_F(ArchiveCodecs, ArjArchivesOfEveryMethodUnpackExactly) {
    for (int method = 0; method <= 4; ++method) {
        const std::string arc = dir_ + "/t.arj";
        std::remove(arc.c_str());
        ASSERT_EQ(Shell("cd " + dir_ + " && arj a -y -m" + std::to_string(method) + " t.arj" + FileList()), 0);
        const Bytes a = ReadAll(arc);
        size_t at = FindArjStart(a.data(), a.size());
        ASSERT_NE(at, SIZE_MAX);
        std::map<std::string, Bytes> got;
        ArjEntry e;
        while (ReadArjHeader(a.data(), a.size(), at, e) == ArjHeaderStatus::Ok) {
            std::string p = e.path;
            for (char& c : p)
                if (c == '\\') c = '/';
            VectorSink sink;
            EXPECT_EQ(UnpackArjEntry(a.data(), a.size(), e, sink), UnpackStatus::Ok) << method << " " << p;
            got[p] = sink.bytes;
            at = e.nextOffset;
        }
        EXPECT_EQ(got.size(), files_.size()) << method;
        for (const auto& f : files_)
            EXPECT_TRUE(got.count(f.first) && got.at(f.first) == f.second) << method << " " << f.first;
    }
}

TEST_F(ArchiveCodecs, OurArchivesPassThePeersAndUnpackExactly) {
    Bytes arc;
    for (const auto& f : files_) {
        LzhPackItem item;
        item.path = f.first;
        item.unixTime = 1700000000;
        item.data = f.second.data();
        item.size = f.second.size();
        AppendLzhEntry(arc, item);
    }
    LzhPackItem folder;
    folder.path = "sub";
    folder.folder = true;
    AppendLzhEntry(arc, folder);
    FinishLzh(arc);
    WriteAll(dir_ + "/ours.lzh", arc);
    EXPECT_EQ(Shell("lhasa t " + dir_ + "/ours.lzh"), 0);
    EXPECT_EQ(Shell("jlha t " + dir_ + "/ours.lzh"), 0);
    EXPECT_EQ(Shell("7z t " + dir_ + "/ours.lzh"), 0);
    EXPECT_EQ(UnpackLzh(arc), files_);
    // lhasa puts back the same bytes under the same names.
    Shell("mkdir -p " + dir_ + "/out");
    ASSERT_EQ(Shell("cd " + dir_ + "/out && lhasa xq ../ours.lzh"), 0);
    for (const auto& f : files_) EXPECT_EQ(ReadAll(dir_ + "/out/" + f.first), f.second) << f.first;
}

// A one-entry archive with a level-0 header holding packed as -lh5- data,
// whether or not it came out smaller than the input.
Bytes Lh5Archive(const std::string& name, const Bytes& data, const Bytes& packed) {
    Bytes arc(2);
    auto put = [&arc](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) arc.push_back(uint8_t(v >> (8 * i)));
    };
    for (char c : std::string("-lh5-")) arc.push_back(uint8_t(c));
    put(uint32_t(packed.size()), 4);
    put(uint32_t(data.size()), 4);
    put(0x21A80000, 4);  // 1996-05-08 00:00
    put(0x20, 1);
    put(0, 1);  // level 0
    put(uint32_t(name.size()), 1);
    arc.insert(arc.end(), name.begin(), name.end());
    put(Crc16(0, data.data(), data.size()), 2);
    arc[0] = uint8_t(arc.size() - 2);
    for (size_t i = 2; i < arc.size(); ++i) arc[1] = uint8_t(arc[1] + arc[i]);
    arc.insert(arc.end(), packed.begin(), packed.end());
    arc.push_back(0);
    return arc;
}

TEST(Lh5Encoder, PacksEdgeShapesThatLhasaReadsBack) {
    struct Case {
        const char* name;
        Bytes data;
    };
    std::vector<Case> cases = {
        {"two", {'a', 'b'}},
        {"run", Bytes(200000, 0x41)},
        {"all-literals", Bytes()},
        {"block-edge", MixedData(32768 * 3 + 7, 5)},
    };
    for (int i = 0; i < 256; ++i) cases[2].data.push_back(uint8_t(i));
    char tmpl[] = "/tmp/qaz_lh5XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    for (const Case& c : cases) {
        Bytes packed;
        ASSERT_TRUE(EncodeLh5(c.data.data(), c.data.size(), packed)) << c.name;
        // lhasa reads the encoder's own output (never a stored copy) back to the input.
        WriteAll(dir + "/a.lzh", Lh5Archive(c.name, c.data, packed));
        EXPECT_EQ(Shell("cd " + dir + " && lhasa v a.lzh | grep -q -e -lh5-"), 0) << c.name;
        EXPECT_EQ(Shell("cd " + dir + " && lhasa xfq a.lzh"), 0) << c.name;
        EXPECT_EQ(ReadAll(dir + "/" + c.name), c.data) << c.name;
    }
    Shell("rm -rf " + dir);
}

TEST(Lh5Encoder, CodeLengthsStayWithinSixteenBits) {
    // Fibonacci frequencies make the deepest Huffman tree there is.
    uint32_t freq[40];
    freq[0] = freq[1] = 1;
    for (int i = 2; i < 40; ++i) freq[i] = freq[i - 1] + freq[i - 2];
    uint8_t len[40];
    HuffmanLengths(freq, 40, 16, len);
    double kraft = 0;
    for (uint8_t l : len) {
        EXPECT_GE(l, 1);
        EXPECT_LE(l, 16);
        kraft += 1.0 / double(1u << l);
    }
    EXPECT_LE(kraft, 1.0);
}

TEST(LzhHeaders, DamageIsRefused) {
    const Bytes data = MixedData(20000, 7);
    Bytes arc;
    LzhPackItem item;
    item.path = "a.txt";
    item.data = data.data();
    item.size = data.size();
    AppendLzhEntry(arc, item);
    FinishLzh(arc);
    struct Case {
        const char* what;
        size_t offset;  // SIZE_MAX: cut the archive short instead
        bool headerFails;
    };
    const size_t headerSize = size_t(arc[0] | arc[1] << 8);
    const Case cases[] = {
        {"header byte", 12, true},
        {"name byte", headerSize - 10, true},
        {"data byte", headerSize + 100, false},
        {"cut short", SIZE_MAX, true},
    };
    for (const Case& c : cases) {
        Bytes bad = arc;
        if (c.offset == SIZE_MAX) bad.resize(bad.size() - 50);
        else bad[c.offset] ^= 0x24;
        LzhEntry e;
        const LzhHeaderStatus st = ReadLzhHeader(bad.data(), bad.size(), 0, e);
        if (c.headerFails) {
            EXPECT_EQ(st, LzhHeaderStatus::Corrupt) << c.what;
            continue;
        }
        ASSERT_EQ(st, LzhHeaderStatus::Ok) << c.what;
        VectorSink sink;
        EXPECT_NE(UnpackLzhEntry(bad.data(), bad.size(), e, sink), UnpackStatus::Ok) << c.what;
    }
}

}  // namespace
