// The cabinet reader against the peers: cabinets gcab made unpack
// byte-exact, damage is found and named, a cabinet behind other data is
// found only where its sizes agree, and LZX data from a small writer of our
// own and MSZIP whose blocks reach back into the one before (each checked
// by cabextract first) come back whole.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "components/codecs/cab.h"
#include "tests/components/codecs/cab_writer.h"
#include "tests/components/codecs/host_files.h"

namespace {

using namespace qaz::codecs;
using Bytes = std::vector<uint8_t>;
using qaztest::ReadAll;
using qaztest::Shell;
using qaztest::WriteAll;
using qaztest::LzxCabinet;
using qaztest::MakeCabinet;

// Words, noise, runs, far repeats and x86 calls (0xE8 and a 32-bit target).
Bytes SampleData(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes out;
    const char* words[] = {"cabinet ", "folder ", "block\r\n", "LZX ", "window "};
    while (out.size() < size) {
        switch (rng() % 5) {
        case 0:
            for (int i = 0; i < 30; ++i) {
                const char* w = words[rng() % 5];
                out.insert(out.end(), w, w + std::strlen(w));
            }
            break;
        case 1:
            for (int i = 0; i < 200; ++i) out.push_back(uint8_t(rng()));
            break;
        case 2: out.insert(out.end(), 100 + rng() % 2000, uint8_t(rng())); break;
        case 3:
            for (int i = 0; i < 20; ++i) {
                out.push_back(0xE8);
                const uint32_t t = rng() % 3 ? rng() % 400000 : rng();
                for (int k = 0; k < 4; ++k) out.push_back(uint8_t(t >> (8 * k)));
            }
            break;
        default:
            if (out.size() > 40000) {
                const size_t from = out.size() - 1 - rng() % 40000, n = 3 + rng() % 400;
                for (size_t i = 0; i < n; ++i) out.push_back(out[from + i]);
            }
        }
    }
    out.resize(size);
    return out;
}

// Collects each file's bytes and how it ended.
struct Collector : CabFileTarget {
    std::map<size_t, Bytes> bytes;
    std::map<size_t, CabStatus> ends;
    size_t current = 0;
    bool Begin(size_t file) override {
        current = file;
        bytes[file].clear();
        return true;
    }
    bool Write(const uint8_t* d, size_t n) override {
        bytes[current].insert(bytes[current].end(), d, d + n);
        return true;
    }
    void End(size_t file, CabStatus st) override { ends[file] = st; }
};

// Opens the cabinet in path (parts beside it) and unpacks every file.
struct Opened {
    CabSet set;
    Collector got;
    bool ok = false;
    std::map<std::string, size_t> byName;
};
std::unique_ptr<Opened> Unpack(const Bytes& data, const std::string& folder = "") {
    auto o = std::make_unique<Opened>();
    auto first = std::make_unique<Bytes>(data);
    MemorySource probe(*first);
    const uint64_t at = FindCabinet(probe);
    if (at == UINT64_MAX) return o;
    static std::vector<std::unique_ptr<Bytes>> keep;
    keep.push_back(std::move(first));
    auto open = [folder](const std::string& name) -> std::unique_ptr<RandomSource> {
        if (folder.empty()) return nullptr;
        keep.push_back(std::make_unique<Bytes>(ReadAll(folder + "/" + name)));
        if (keep.back()->empty()) return nullptr;
        return std::make_unique<MemorySource>(*keep.back());
    };
    o->ok = o->set.Open(std::make_unique<MemorySource>(*keep.back()), at, open);
    if (!o->ok) return o;
    for (size_t f = 0; f < o->set.folders().size(); ++f) {
        std::vector<size_t> files;
        for (size_t i = 0; i < o->set.files().size(); ++i)
            if (o->set.files()[i].folder == f) files.push_back(i);
        o->set.ExtractFolder(f, files, o->got);
    }
    for (size_t i = 0; i < o->set.files().size(); ++i) o->byName[o->set.files()[i].name] = i;
    return o;
}

class CabReader : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = ::testing::TempDir() + "cab_" + std::to_string(::getpid());
        ASSERT_EQ(Shell("rm -rf " + dir_ + " && mkdir -p " + dir_ + "/src"), 0);
        files_ = {{"text.txt", SampleData(150000, 1)}, {"empty.txt", {}}, {"one.bin", SampleData(1, 2)},
                  {"big.bin", SampleData(300000, 3)}};
        for (const auto& f : files_) WriteAll(dir_ + "/src/" + f.first, f.second);
    }
    void TearDown() override { Shell("rm -rf " + dir_); }
    void ExpectAll(const Opened& o, const std::string& what) {
        ASSERT_TRUE(o.ok) << what;
        for (const auto& f : files_) {
            ASSERT_TRUE(o.byName.count(f.first)) << what << " " << f.first;
            const size_t i = o.byName.at(f.first);
            EXPECT_EQ(o.got.ends.at(i), CabStatus::Ok) << what << " " << f.first;
            EXPECT_TRUE(o.got.bytes.at(i) == f.second) << what << " " << f.first;
        }
    }
    std::string dir_;
    std::vector<std::pair<std::string, Bytes>> files_;
};

TEST_F(CabReader, GcabCabinetsUnpackByteExact) {
    // Noise that does not shrink, so that the cabinet is read in several pieces.
    std::mt19937 rng(4);
    Bytes noise(700000);
    for (uint8_t& b : noise) b = uint8_t(rng());
    files_.push_back({"noise.bin", noise});
    WriteAll(dir_ + "/src/noise.bin", noise);
    for (const char* opt : {"", "-z"}) {
        const std::string cab = dir_ + "/g" + opt + ".cab";
        ASSERT_EQ(Shell("cd " + dir_ + "/src && gcab -c " + opt + " " + cab + " text.txt empty.txt one.bin big.bin noise.bin"),
                  0);
        ExpectAll(*Unpack(ReadAll(cab)), cab);
    }
}

TEST_F(CabReader, DamageIsFoundAndNamedPerFile) {
    ASSERT_EQ(Shell("cd " + dir_ + "/src && gcab -c -z ../z.cab text.txt big.bin"), 0);
    const Bytes good = ReadAll(dir_ + "/z.cab");
    struct Case {
        const char* what;
        size_t flipAt;      // from the end; 0: none
        size_t cutTo;       // keep this many bytes from the end off; 0: none
        CabStatus big;      // how big.bin (the last file) ends
    };
    const Case cases[] = {
        {"flipped byte in the last block", 100, 0, CabStatus::Corrupt},
        {"cut short", 0, 5000, CabStatus::Truncated},
    };
    for (const Case& c : cases) {
        Bytes b = good;
        if (c.flipAt) b[b.size() - c.flipAt] ^= 0x20;
        if (c.cutTo) b.resize(b.size() - c.cutTo);
        auto o = Unpack(b);
        ASSERT_TRUE(o->ok) << c.what;
        EXPECT_EQ(o->got.ends.at(o->byName.at("big.bin")), c.big) << c.what;
        EXPECT_EQ(o->got.ends.at(o->byName.at("text.txt")), CabStatus::Ok) << c.what;
    }
    // A method we do not read is refused by name, its files with it.
    Bytes q = MakeCabinet({{"q.txt", 10}}, 0x1202, {{Bytes(20, 1), 10}});
    auto o = Unpack(q);
    EXPECT_EQ(CabMethodName(o->set.folders()[0].type), "Quantum");
    EXPECT_EQ(o->got.ends.at(0), CabStatus::Unsupported);
}

TEST_F(CabReader, CabinetBehindOtherDataIsFoundWhereItsSizesAgree) {
    ASSERT_EQ(Shell("cd " + dir_ + "/src && gcab -c -z ../z.cab text.txt"), 0);
    const Bytes cab = ReadAll(dir_ + "/z.cab");
    Bytes junk = SampleData(70000, 9);
    // A false signature whose sizes point past the end comes first.
    Bytes fake(cab.begin(), cab.begin() + 36);
    fake[8] = 0xFF, fake[9] = 0xFF, fake[10] = 0xFF;
    junk.insert(junk.begin() + 5000, fake.begin(), fake.end());
    Bytes withCab = junk;
    withCab.insert(withCab.end(), cab.begin(), cab.end());
    MemorySource a(withCab), b(junk);
    EXPECT_EQ(FindCabinet(a), junk.size());
    EXPECT_EQ(FindCabinet(b), UINT64_MAX);
    auto o = Unpack(withCab);
    ASSERT_TRUE(o->ok);
    EXPECT_TRUE(o->got.bytes.at(0) == files_[0].second);
}

TEST_F(CabReader, LzxAndChainedMszipOfOurWriterPassCabextractAndComeBack) {
    struct Case {
        int window;
        const char* kinds;  // per frame, repeated
        bool e8;
    };
    // Window 0: MSZIP whose blocks reach back into the one before.
    const Case cases[] = {{0, "", false}, {15, "v", false}, {16, "a", true}, {21, "vau", true}, {18, "u", false}, {21, "av", false},
                          {17, "VxAxUx", true}};
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.window) + c.kinds + (c.e8 ? "e8" : "");
        const Bytes cab = c.window ? LzxCabinet(files_, c.window, c.kinds, c.e8) : qaztest::MszipCabinet(files_);
        const std::string path = dir_ + "/l" + what + ".cab", out = dir_ + "/x" + what;
        WriteAll(path, cab);
        // The writer first, by the peer.
        ASSERT_EQ(Shell("mkdir -p " + out + " && cabextract -q -d " + out + " " + path), 0) << what;
        for (const auto& f : files_) ASSERT_TRUE(ReadAll(out + "/" + f.first) == f.second) << what << " " << f.first;
        ExpectAll(*Unpack(cab), what);
    }
}

}  // namespace
