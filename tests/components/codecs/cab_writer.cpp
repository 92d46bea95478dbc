#include "tests/components/codecs/cab_writer.h"

#include <algorithm>
#include <map>

#include <zlib.h>

#include "components/codecs/cab.h"

namespace qaztest {

using qaz::codecs::CabChecksum;

Bytes MakeCabinet(const std::vector<CabEntry>& files, uint16_t type, const std::vector<CabBlock>& blocks) {
    Bytes records;
    uint32_t offset = 0;
    auto put16 = [](Bytes& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
    auto put32 = [&](Bytes& b, uint32_t v) { put16(b, v), put16(b, v >> 16); };
    for (const auto& f : files) {
        put32(records, f.size);
        put32(records, offset);
        put16(records, 0);
        put16(records, 0x5A21), put16(records, 0x6000), put16(records, f.attribs);
        records.insert(records.end(), f.name.begin(), f.name.end());
        records.push_back(0);
        offset += f.size;
    }
    Bytes data;
    for (const CabBlock& b : blocks) {
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

namespace {

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
    // kind: 'v' verbatim, 'a' aligned offsets, 'u' uncompressed. A block of
    // blockSize bytes starts here (its header and codes); 0 goes on with the
    // block of that kind begun in the frame before.
    CabBlock Frame(const Bytes& all, size_t start, size_t n, char kind, size_t blockSize) {
        Bytes data(all.begin() + static_cast<long>(start), all.begin() + static_cast<long>(start + n));
        if (e8_) Translate(data, start);
        sent_.insert(sent_.end(), data.begin(), data.end());
        BitWriter w;
        if (start == 0) {
            w.Put(e8_, 1);
            if (e8_) w.Put(e8Size_ >> 16, 16), w.Put(e8Size_ & 0xFFFF, 16);
        }
        if (blockSize) {
            w.Put(kind == 'v' ? 1 : kind == 'a' ? 2 : 3, 3);
            w.Put(uint32_t(blockSize) >> 8, 16), w.Put(uint32_t(blockSize) & 0xFF, 8);
        }
        if (kind == 'u') {
            if (blockSize) {
                w.Put(0, 1);  // 1 to 16 bits of padding to the word
                w.Align();
                for (uint32_t r : r_)
                    for (int k = 0; k < 4; ++k) w.out.push_back(uint8_t(r >> (8 * k)));
            }
            w.out.insert(w.out.end(), data.begin(), data.end());
            if ((blockSize == n || blockSize == 0) && (n & 1)) w.out.push_back(0);
            return {w.out, uint16_t(n)};
        }
        if (blockSize) {
            if (kind == 'a')
                for (int i = 0; i < 8; ++i) w.Put(3, 3);
            Lengths(w, prevMain_, mainLens_, 0, 256);
            Lengths(w, prevMain_, mainLens_, 256, mainLens_.size());
            Lengths(w, prevLen_, lenLens_, 0, lenLens_.size());
        }
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

}  // namespace

namespace {

// The files' bytes one after another, as one folder holds them, and their records.
void OneFolder(const std::vector<std::pair<std::string, Bytes>>& files, Bytes& all, std::vector<CabEntry>& records) {
    for (const auto& f : files) {
        all.insert(all.end(), f.second.begin(), f.second.end());
        records.push_back({f.first, uint32_t(f.second.size()), 0x20});
    }
}

}  // namespace

Bytes LzxCabinet(const std::vector<std::pair<std::string, Bytes>>& files, int window, const std::string& kinds, bool e8) {
    Bytes all;
    std::vector<CabEntry> records;
    OneFolder(files, all, records);
    LzxWriter w(window, e8, 12000000);
    std::vector<CabBlock> blocks;
    // An upper-case kind is a block over that frame and the next.
    char open = 0;
    for (size_t at = 0, k = 0; at < all.size(); at += 32768, ++k) {
        const size_t n = std::min<size_t>(32768, all.size() - at), next = std::min<size_t>(32768, all.size() - at - n);
        const char c = kinds[k % kinds.size()];
        if (open) {
            blocks.push_back(w.Frame(all, at, n, open, 0));
            open = 0;
        } else if (c >= 'A' && c <= 'Z' && next) {
            open = char(c - 'A' + 'a');
            blocks.push_back(w.Frame(all, at, n, open, n + next));
        } else {
            blocks.push_back(w.Frame(all, at, n, char(c | 0x20), n));
        }
    }
    return MakeCabinet(records, uint16_t(3 | window << 8), blocks);
}

// MSZIP as Windows' own packer writes it: each 32 KB block a deflate stream
// of its own whose matches reach into the 32 KB before it.
Bytes MszipCabinet(const std::vector<std::pair<std::string, Bytes>>& files) {
    Bytes all;
    std::vector<CabEntry> records;
    OneFolder(files, all, records);
    std::vector<CabBlock> blocks;
    for (size_t at = 0; at < all.size(); at += 32768) {
        const size_t n = std::min<size_t>(32768, all.size() - at), back = std::min<size_t>(32768, at);
        z_stream z = {};
        deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        if (back) deflateSetDictionary(&z, all.data() + at - back, uInt(back));
        Bytes packed(2 + deflateBound(&z, uLong(n)));
        packed[0] = 'C';
        packed[1] = 'K';
        z.next_in = all.data() + at;
        z.avail_in = uInt(n);
        z.next_out = packed.data() + 2;
        z.avail_out = uInt(packed.size() - 2);
        deflate(&z, Z_FINISH);
        packed.resize(packed.size() - z.avail_out);
        deflateEnd(&z);
        blocks.push_back({packed, uint16_t(n)});
    }
    return MakeCabinet(records, 1, blocks);
}

}  // namespace qaztest
