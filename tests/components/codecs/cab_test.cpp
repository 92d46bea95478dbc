// The cabinet reader against the peers: cabinets gcab made unpack
// byte-exact, damage is found and named, a cabinet behind other data is
// found only where its sizes agree, and LZX data from a small writer of our
// own (checked by cabextract first) comes back whole.
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

namespace {

using namespace qaz::codecs;
using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

void WriteAll(const std::string& path, const Bytes& b) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

int Shell(const std::string& cmd) { return std::system(("timeout 120 sh -c '" + cmd + "' >/dev/null 2>&1").c_str()); }

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

// A cabinet of one folder from finished data blocks (packed bytes and the
// size they unpack to).
struct Block {
    Bytes packed;
    uint16_t size;
};
Bytes MakeCabinet(const std::vector<std::pair<std::string, uint32_t>>& files, uint16_t type,
                  const std::vector<Block>& blocks) {
    Bytes records;
    uint32_t offset = 0;
    auto put16 = [](Bytes& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
    auto put32 = [&](Bytes& b, uint32_t v) { put16(b, v), put16(b, v >> 16); };
    for (const auto& f : files) {
        put32(records, f.second);
        put32(records, offset);
        put16(records, 0);
        put16(records, 0x5A21), put16(records, 0x6000), put16(records, 0x20);
        records.insert(records.end(), f.first.begin(), f.first.end());
        records.push_back(0);
        offset += f.second;
    }
    Bytes data;
    for (const Block& b : blocks) {
        Bytes head;
        put16(head, uint32_t(b.packed.size()));
        put16(head, b.size);
        put32(data, CabChecksum(head.data(), 4, CabChecksum(b.packed.data(), b.packed.size(), 0)));
        data.insert(data.end(), head.begin(), head.end());
        data.insert(data.end(), b.packed.begin(), b.packed.end());
    }
    Bytes cab = {'M', 'S', 'C', 'F'};
    const uint32_t dataAt = 36 + 8 + uint32_t(records.size());
    put32(cab, 0), put32(cab, dataAt + uint32_t(data.size())), put32(cab, 0), put32(cab, 36 + 8), put32(cab, 0);
    cab.push_back(3), cab.push_back(1);
    put16(cab, 1), put16(cab, uint32_t(files.size())), put16(cab, 0), put16(cab, 0x1234), put16(cab, 0);
    put32(cab, dataAt), put16(cab, uint32_t(blocks.size())), put16(cab, type);
    cab.insert(cab.end(), records.begin(), records.end());
    cab.insert(cab.end(), data.begin(), data.end());
    return cab;
}

// ---- A small LZX writer: one block per 32 KB frame, fixed complete codes,
// greedy matches (the repeated offsets first), and the E8 translation.

class BitWriter {
public:
    void Put(uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) {
            acc_ = acc_ << 1 | ((v >> i) & 1);
            if (++n_ == 16) {
                out.push_back(uint8_t(acc_)), out.push_back(uint8_t(acc_ >> 8));
                acc_ = n_ = 0;
            }
        }
    }
    void Align() {
        while (n_) Put(0, 1);
    }
    Bytes out;

private:
    uint32_t acc_ = 0;
    int n_ = 0;
};

// Lengths that make a complete code: the first 2^L - n symbols one bit shorter.
std::vector<uint8_t> CompleteLengths(int n) {
    int L = 0;
    while ((1 << L) < n) ++L;
    std::vector<uint8_t> lens(static_cast<size_t>(n), static_cast<uint8_t>(L));
    for (int i = 0; i < (1 << L) - n; ++i) lens[size_t(i)] = uint8_t(L - 1);
    return lens;
}
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lens) {
    std::vector<uint32_t> codes(lens.size());
    uint32_t code = 0;
    for (int len = 1; len <= 16; ++len) {
        for (size_t s = 0; s < lens.size(); ++s)
            if (lens[s] == len) codes[s] = code++;
        code <<= 1;
    }
    return codes;
}

class LzxWriter {
public:
    LzxWriter(int windowBits, bool e8, uint32_t fileSize) : bits_(windowBits), e8_(e8), e8Size_(fileSize) {
        static const int slots[] = {30, 32, 34, 36, 38, 42, 50};
        slots_ = slots[windowBits - 15];
        mainLens_ = CompleteLengths(256 + slots_ * 8);
        lenLens_ = CompleteLengths(249);
        preLens_ = CompleteLengths(20);
        prevMain_.assign(mainLens_.size(), 0);
        prevLen_.assign(lenLens_.size(), 0);
        uint32_t b = 0;
        for (int i = 0; i < 50; ++i) {
            extra_[i] = i < 4 ? 0 : std::min((i - 2) >> 1, 17);
            base_[i] = b;
            b += 1u << extra_[i];
        }
    }
    // kind: 'v' verbatim, 'a' aligned offsets, 'u' uncompressed.
    Block Frame(const Bytes& all, size_t start, size_t n, char kind) {
        Bytes data(all.begin() + static_cast<long>(start), all.begin() + static_cast<long>(start + n));
        if (e8_) Translate(data, start);
        sent_.insert(sent_.end(), data.begin(), data.end());
        BitWriter w;
        if (start == 0) {
            w.Put(e8_, 1);
            if (e8_) w.Put(e8Size_ >> 16, 16), w.Put(e8Size_ & 0xFFFF, 16);
        }
        w.Put(kind == 'v' ? 1 : kind == 'a' ? 2 : 3, 3);
        w.Put(uint32_t(n) >> 8, 16), w.Put(uint32_t(n) & 0xFF, 8);
        if (kind == 'u') {
            w.Put(0, 1);  // 1 to 16 bits of padding to the word
            w.Align();
            for (uint32_t r : r_)
                for (int k = 0; k < 4; ++k) w.out.push_back(uint8_t(r >> (8 * k)));
            w.out.insert(w.out.end(), data.begin(), data.end());
            if (n & 1) w.out.push_back(0);
            return {w.out, uint16_t(n)};
        }
        if (kind == 'a')
            for (int i = 0; i < 8; ++i) w.Put(3, 3);
        Lengths(w, prevMain_, mainLens_, 0, 256);
        Lengths(w, prevMain_, mainLens_, 256, mainLens_.size());
        Lengths(w, prevLen_, lenLens_, 0, lenLens_.size());
        const std::vector<uint32_t> main = CanonicalCodes(mainLens_), len = CanonicalCodes(lenLens_);
        const size_t base = sent_.size() - n;
        for (size_t p = base; p < sent_.size();) {
            uint32_t bestLen = 0, bestOff = 0;
            for (uint32_t r : r_) {
                const uint32_t l = MatchAt(p, r);
                if (l > bestLen) bestLen = l, bestOff = r;
            }
            if (bestLen < 3 && p + 3 <= sent_.size()) {
                const uint32_t key = uint32_t(sent_[p]) << 16 | sent_[p + 1] << 8 | sent_[p + 2];
                auto it = last_.find(key);
                if (it != last_.end()) {
                    const uint32_t l = MatchAt(p, uint32_t(p - it->second));
                    if (l >= 3) bestLen = l, bestOff = uint32_t(p - it->second);
                }
            }
            if (bestLen < 2) {
                w.Put(main[sent_[p]], mainLens_[sent_[p]]);
                Remember(p++);
                continue;
            }
            int slot;
            uint32_t footer = 0;
            if (bestOff == r_[0]) {
                slot = 0;
            } else if (bestOff == r_[1] || bestOff == r_[2]) {
                slot = bestOff == r_[1] ? 1 : 2;
                std::swap(r_[0], r_[slot]);
            } else {
                const uint32_t formatted = bestOff + 2;
                slot = 3;
                while (slot + 1 < slots_ && base_[slot + 1] <= formatted) ++slot;
                footer = formatted - base_[slot];
                r_[2] = r_[1], r_[1] = r_[0], r_[0] = bestOff;
            }
            const uint32_t header = std::min<uint32_t>(bestLen - 2, 7);
            const size_t sym = 256 + size_t(slot) * 8 + header;
            w.Put(main[sym], mainLens_[sym]);
            if (header == 7) w.Put(len[bestLen - 9], lenLens_[bestLen - 9]);
            if (kind == 'a' && extra_[slot] >= 3) {
                w.Put(footer >> 3, extra_[slot] - 3);
                w.Put(footer & 7, 3);  // the aligned code: every length 3, so the value itself
            } else {
                w.Put(footer, extra_[slot]);
            }
            for (uint32_t i = 0; i < bestLen; ++i) Remember(p++);
        }
        w.Align();
        return {w.out, uint16_t(n)};
    }

private:
    // Code lengths as changes through the pretree; runs of four or five
    // unchanged lengths as one symbol 19.
    void Lengths(BitWriter& w, std::vector<uint8_t>& prev, const std::vector<uint8_t>& now, size_t from, size_t to) {
        const std::vector<uint32_t> pre = CanonicalCodes(preLens_);
        for (uint8_t l : preLens_) w.Put(l, 4);
        for (size_t i = from; i < to;) {
            size_t run = 1;
            while (i + run < to && run < 5 && prev[i + run] == prev[i] && now[i + run] == now[i]) ++run;
            const uint32_t z = (prev[i] + 17u - now[i]) % 17;
            if (run >= 4) {
                w.Put(pre[19], preLens_[19]), w.Put(uint32_t(run - 4), 1);
            } else {
                run = 1;
            }
            w.Put(pre[z], preLens_[z]);
            for (size_t k = 0; k < run; ++k) prev[i + k] = now[i + k];
            i += run;
        }
    }
    uint32_t MatchAt(size_t p, uint32_t off) const {
        if (off == 0 || off > p || off > (1u << bits_) - 3) return 0;
        const size_t frameEnd = (p / 32768 + 1) * 32768;
        uint32_t l = 0;
        while (p + l < sent_.size() && p + l < frameEnd && l < 257 && sent_[p + l] == sent_[p + l - off]) ++l;
        return l;
    }
    void Remember(size_t p) {
        if (p + 3 <= sent_.size()) last_[uint32_t(sent_[p]) << 16 | sent_[p + 1] << 8 | sent_[p + 2]] = p;
    }
    void Translate(Bytes& d, size_t start) const {
        if (d.size() <= 10) return;
        for (size_t i = 0; i < d.size() - 10;) {
            if (d[i] != 0xE8) {
                ++i;
                continue;
            }
            const int64_t cur = int64_t(start + i), size = e8Size_;
            const int32_t rel = int32_t(d[i + 1] | d[i + 2] << 8 | d[i + 3] << 16 | uint32_t(d[i + 4]) << 24);
            int64_t abs = rel;
            if (rel >= -cur && rel < size - cur) abs = rel + cur;
            else if (rel >= size - cur && rel < size) abs = rel - size;
            for (int k = 0; k < 4; ++k) d[i + 1 + size_t(k)] = uint8_t(uint32_t(abs) >> (8 * k));
            i += 5;
        }
    }
    int bits_;
    bool e8_;
    uint32_t e8Size_;
    int slots_;
    int extra_[50];
    uint32_t base_[50];
    uint32_t r_[3] = {1, 1, 1};
    std::vector<uint8_t> mainLens_, lenLens_, preLens_, prevMain_, prevLen_;
    Bytes sent_;
    std::map<uint32_t, size_t> last_;
};

Bytes LzxCabinet(const std::vector<std::pair<std::string, Bytes>>& files, int window, const std::string& kinds, bool e8) {
    Bytes all;
    std::vector<std::pair<std::string, uint32_t>> records;
    for (const auto& f : files) {
        all.insert(all.end(), f.second.begin(), f.second.end());
        records.push_back({f.first, uint32_t(f.second.size())});
    }
    LzxWriter w(window, e8, 12000000);
    std::vector<Block> blocks;
    for (size_t at = 0, k = 0; at < all.size(); at += 32768, ++k)
        blocks.push_back(w.Frame(all, at, std::min<size_t>(32768, all.size() - at), kinds[k % kinds.size()]));
    return MakeCabinet(records, uint16_t(3 | window << 8), blocks);
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
    for (const char* opt : {"", "-z"}) {
        const std::string cab = dir_ + "/g" + opt + ".cab";
        ASSERT_EQ(Shell("cd " + dir_ + "/src && gcab -c " + opt + " " + cab + " text.txt empty.txt one.bin big.bin"), 0);
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

TEST_F(CabReader, LzxOfOurWriterPassesCabextractAndComesBack) {
    struct Case {
        int window;
        const char* kinds;  // per frame, repeated
        bool e8;
    };
    const Case cases[] = {{15, "v", false}, {16, "a", true}, {21, "vau", true}, {18, "u", false}, {21, "av", false}};
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.window) + c.kinds + (c.e8 ? "e8" : "");
        const Bytes cab = LzxCabinet(files_, c.window, c.kinds, c.e8);
        const std::string path = dir_ + "/l" + what + ".cab", out = dir_ + "/x" + what;
        WriteAll(path, cab);
        // The writer first, by the peer.
        ASSERT_EQ(Shell("mkdir -p " + out + " && cabextract -q -d " + out + " " + path), 0) << what;
        for (const auto& f : files_) ASSERT_TRUE(ReadAll(out + "/" + f.first) == f.second) << what << " " << f.first;
        ExpectAll(*Unpack(cab), what);
    }
}

}  // namespace
