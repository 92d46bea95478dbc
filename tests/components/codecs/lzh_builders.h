// LHA entries made by hand from the header descriptions, and small packers
// of our own for the methods no Debian tool writes (-lh1-, -lzs-, -lz5-).
// Tests check what these make against lhasa before they rely on it.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "components/codecs/crc.h"
#include "components/codecs/lzh_early.h"

namespace qaztest::lzh {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline Bytes Of(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct Ext {
    uint8_t type;
    Bytes body;
};

struct Entry {
    const char* method = "-lh0-";
    Bytes name;           // the name field of levels 0 and 1
    Bytes packed;         // the data as stored
    Bytes original;       // for the size and the CRC
    std::vector<Ext> exts;
    char os = 'U';
    Bytes level0Area;     // what follows the CRC in a level-0 header
    uint32_t time = 0x5A2B3C4D;
};

inline uint16_t CrcOf(const Bytes& b) { return qaz::codecs::Crc16(0, b.data(), b.size()); }

// Levels 0 and 1: the checksummed base header; level 1 puts the extensions
// after it and counts them in the packed size.
inline Bytes Level01(const Entry& e, int level) {
    Bytes h = {0, 0};
    h.insert(h.end(), e.method, e.method + 5);
    Bytes exts;
    if (level == 1) {
        for (const Ext& x : e.exts) {
            exts.push_back(x.type);
            exts.insert(exts.end(), x.body.begin(), x.body.end());
            Put16(exts, 0);
        }
    }
    Put32(h, uint32_t(e.packed.size() + exts.size()));
    Put32(h, uint32_t(e.original.size()));
    Put32(h, 0x5A2B3C4D);  // an MS-DOS date and time
    h.push_back(level == 1 ? 0x20 : 0x20);
    h.push_back(uint8_t(level));
    h.push_back(uint8_t(e.name.size()));
    h.insert(h.end(), e.name.begin(), e.name.end());
    Put16(h, CrcOf(e.original));
    if (level == 0) {
        h.insert(h.end(), e.level0Area.begin(), e.level0Area.end());
    } else {
        h.push_back(uint8_t(e.os));
        // The size of the first extension ends the base header; each one
        // ends with the size of the next.
        Put16(h, e.exts.empty() ? 0 : uint32_t(e.exts[0].body.size() + 3));
        size_t at = 0;
        for (size_t i = 0; i < e.exts.size(); ++i) {
            at += 1 + e.exts[i].body.size();
            const uint32_t next = i + 1 < e.exts.size() ? uint32_t(e.exts[i + 1].body.size() + 3) : 0;
            exts[at] = uint8_t(next);
            exts[at + 1] = uint8_t(next >> 8);
            at += 2;
        }
    }
    h[0] = uint8_t(h.size() - 2);
    uint8_t sum = 0;
    for (size_t i = 2; i < h.size(); ++i) sum = uint8_t(sum + h[i]);
    h[1] = sum;
    h.insert(h.end(), exts.begin(), exts.end());
    h.insert(h.end(), e.packed.begin(), e.packed.end());
    return h;
}

// Levels 2 and 3: the whole header's size first (at level 3 after a word
// size of 4, as a 32-bit number at offset 24), the extensions inside it,
// ended by a common extension with the header's CRC. os9Size writes the
// level-2 size two short, as OS-9/68k's LHA does.
inline Bytes Level23(const Entry& e, int level, bool os9Size = false) {
    const unsigned w = level == 3 ? 4 : 2;
    Bytes h;
    Put16(h, level == 3 ? 4 : 0);
    h.insert(h.end(), e.method, e.method + 5);
    Put32(h, uint32_t(e.packed.size()));
    Put32(h, uint32_t(e.original.size()));
    Put32(h, e.time);
    h.push_back(0x20);
    h.push_back(uint8_t(level));
    Put16(h, CrcOf(e.original));
    h.push_back(uint8_t(e.os));
    if (level == 3) Put32(h, 0);
    std::vector<Ext> exts = e.exts;
    exts.insert(exts.begin(), Ext{0x00, {0, 0}});
    auto putSize = [&](Bytes& b, size_t v) {
        if (w == 4) Put32(b, uint32_t(v));
        else Put16(b, uint32_t(v));
    };
    putSize(h, exts[0].body.size() + 1 + w);
    size_t crcAt = 0;
    for (size_t i = 0; i < exts.size(); ++i) {
        h.push_back(exts[i].type);
        if (i == 0) crcAt = h.size();
        h.insert(h.end(), exts[i].body.begin(), exts[i].body.end());
        putSize(h, i + 1 < exts.size() ? exts[i + 1].body.size() + 1 + w : 0);
    }
    if (level == 2 && (h.size() & 0xFF) == 0) h.push_back(0);
    const size_t size = h.size() - (os9Size ? 2 : 0);
    if (level == 3) {
        for (int i = 0; i < 4; ++i) h[24 + i] = uint8_t(size >> (8 * i));
    } else {
        h[0] = uint8_t(size);
        h[1] = uint8_t(size >> 8);
    }
    const uint16_t crc = CrcOf(h);
    h[crcAt] = uint8_t(crc);
    h[crcAt + 1] = uint8_t(crc >> 8);
    h.insert(h.end(), e.packed.begin(), e.packed.end());
    return h;
}

// Bits written most significant first.
class BitWriter {
public:
    void Put(uint64_t value, unsigned n) {
        while (n--) {
            acc_ = uint8_t(acc_ << 1 | ((value >> n) & 1));
            if (++count_ == 8) Flush();
        }
    }
    Bytes Finish() {
        if (count_) {
            acc_ = uint8_t(acc_ << (8 - count_));
            Flush();
        }
        return out_;
    }

private:
    void Flush() {
        out_.push_back(acc_);
        acc_ = 0;
        count_ = 0;
    }
    Bytes out_;
    uint8_t acc_ = 0;
    unsigned count_ = 0;
};

// The longest earlier match of at least minLength within window bytes
// (ties go to the nearest); length 0 when there is none.
struct Match {
    size_t distance = 0, length = 0;
};
inline Match Longest(const Bytes& d, size_t at, size_t window, size_t minLength, size_t maxLength) {
    Match best;
    const size_t from = at > window ? at - window : 0;
    for (size_t p = at; p-- > from;) {
        size_t n = 0;
        while (n < maxLength && at + n < d.size() && d[p + n] == d[at + n]) ++n;
        if (n >= minLength && n > best.length) best = {at - p, n};
        if (best.length == maxLength) break;
    }
    return best;
}

inline Bytes PackLh1(const Bytes& d) {
    qaz::codecs::AdaptiveHuffman tree;
    BitWriter w;
    auto symbol = [&](unsigned s) {
        uint64_t code;
        const unsigned n = tree.Code(s, &code);
        w.Put(code, n);
        tree.Update(s);
    };
    for (size_t i = 0; i < d.size();) {
        const Match m = Longest(d, i, 4096, 3, 60);
        if (m.length == 0) {
            symbol(d[i++]);
            continue;
        }
        symbol(unsigned(253 + m.length));
        const unsigned position = unsigned(m.distance - 1);
        const qaz::codecs::Lh1PositionCode c = qaz::codecs::Lh1PositionOf(position >> 6);
        w.Put(c.value, c.bits);
        w.Put(position & 0x3F, 6);
        i += m.length;
    }
    return w.Finish();
}

// LArc's matches name the ring place they copy from; the ring is written
// from ringStart on.
inline Bytes PackLzs(const Bytes& d) {
    BitWriter w;
    for (size_t i = 0; i < d.size();) {
        const Match m = Longest(d, i, 2000, 2, 17);
        if (m.length == 0) {
            w.Put(1, 1);
            w.Put(d[i++], 8);
            continue;
        }
        w.Put(0, 1);
        w.Put((2048 - 17 + i - m.distance) & 2047, 11);
        w.Put(m.length - 2, 4);
        i += m.length;
    }
    return w.Finish();
}

inline Bytes PackLz5(const Bytes& d) {
    Bytes out;
    for (size_t i = 0; i < d.size();) {
        const size_t flagsAt = out.size();
        out.push_back(0);
        for (unsigned bit = 0; bit < 8 && i < d.size(); ++bit) {
            const Match m = Longest(d, i, 4000, 3, 18);
            if (m.length == 0) {
                out[flagsAt] = uint8_t(out[flagsAt] | (1u << bit));
                out.push_back(d[i++]);
                continue;
            }
            const size_t from = (4096 - 18 + i - m.distance) & 4095;
            out.push_back(uint8_t(from));
            out.push_back(uint8_t(((from >> 4) & 0xF0) | (m.length - 3)));
            i += m.length;
        }
    }
    return out;
}

// -lhx- (the block format of -lh5- with a 1 MB window) in the plainest
// complete codes: literal and length codes of 9 bits (8 for the bytes 0 and
// 1), position slots 1 to 19 in 4 and 5 bits, so matches reach back 512 KB
// (slot 0, a distance of one byte, is left out; older readers take no more
// than 20 slots); matches found through the last place of each three bytes.
inline Bytes PackLhx(const Bytes& d) {
    BitWriter w;
    std::vector<uint32_t> last(1u << 24, UINT32_MAX);
    struct Code {
        unsigned symbol, slot = 0, extraBits = 0;
        uint32_t extra = 0;
    };
    std::vector<Code> codes;
    for (size_t i = 0; i < d.size();) {
        size_t length = 0, distance = 0;
        if (i + 3 <= d.size()) {
            const uint32_t key = uint32_t(d[i]) << 16 | uint32_t(d[i + 1]) << 8 | d[i + 2];
            const uint32_t p = last[key];
            if (p != UINT32_MAX && i - p <= (1u << 19)) {
                while (length < 256 && i + length < d.size() && d[p + length] == d[i + length]) ++length;
                distance = i - p;
            }
            last[key] = uint32_t(i);
        }
        if (length < 3 || distance == 1) {
            codes.push_back({d[i++]});
            continue;
        }
        Code c{unsigned(253 + length)};
        const uint32_t position = uint32_t(distance - 1);
        while (c.slot < 19 && (position >> c.slot) > 1) ++c.slot;
        c.slot = position < 2 ? position : c.slot + 1;
        c.extraBits = c.slot > 1 ? c.slot - 1 : 0;
        c.extra = c.slot > 1 ? position - (1u << (c.slot - 1)) : 0;
        codes.push_back(c);
        i += length;
    }
    for (size_t at = 0; at < codes.size(); at += 60000) {
        const size_t n = codes.size() - at < 60000 ? codes.size() - at : 60000;
        w.Put(n, 16);
        // The code-length tree: lengths 8 and 9 (codes 10 and 11) in one bit
        // each; three zeros after the third entry come as a run.
        w.Put(12, 5);
        w.Put(0, 9);
        w.Put(3, 2);
        w.Put(0, 12);
        w.Put(1, 3);
        w.Put(1, 3);
        w.Put(510, 9);
        w.Put(0, 2);
        for (int i = 2; i < 510; ++i) w.Put(1, 1);
        // The position tree: slots 1 to 13 in 4 bits, 14 to 19 in 5.
        w.Put(20, 5);
        for (int i = 0; i < 20; ++i) w.Put(i == 0 ? 0 : i <= 13 ? 4 : 5, 3);
        for (size_t k = at; k < at + n; ++k) {
            const unsigned sym = codes[k].symbol;
            if (sym < 2) w.Put(sym, 8);
            else w.Put(4 + sym - 2, 9);
            if (sym >= 256) {
                const unsigned slot = codes[k].slot;
                if (slot <= 13) w.Put(slot - 1, 4);
                else w.Put(26 + slot - 14, 5);
                w.Put(codes[k].extra, codes[k].extraBits);
            }
        }
    }
    w.Put(0, 7);  // as LHA's packers end: readers may look a few bits ahead
    return w.Finish();
}

// -pm2- with nine codes: the eight ranges of places in the list of recent
// bytes in 3 bits (the last two in 4), and copies of two bytes from up to
// 64 back; no position tree is ever needed, so the later tree points only
// take the bit that says the codes stay.
inline Bytes PackPm2(const Bytes& d) {
    BitWriter w;
    qaz::codecs::RecentBytes recent;
    auto code = [&](unsigned c) {
        if (c < 7) w.Put(c, 3);
        else w.Put(14 + c - 7, 4);
    };
    w.Put(0, 1);
    w.Put(9, 5);  // nine codes
    w.Put(3, 3);  // of at least 3 bits
    w.Put(2, 3);  // lengths in 2 bits: 1 for 3 bits, 2 for 4
    for (unsigned c = 0; c < 9; ++c) w.Put(c < 7 ? 1 : 2, 2);
    uint64_t done = 0, nextTree = 1024;
    unsigned stage = 1;
    auto advance = [&](unsigned n) {
        done += n;
        if (done < nextTree) return;
        // After 4 KB and every 4 KB later a bit tells whether the codes come again.
        if (stage >= 3) w.Put(0, 1);
        nextTree += stage == 1 ? 1024 : stage == 2 ? 2048 : 4096;
        ++stage;
    };
    for (size_t i = 0; i < d.size();) {
        size_t distance = 0;
        for (size_t k = 1; k <= 64 && k <= i && i + 1 < d.size(); ++k)
            if (d[i - k] == d[i] && d[i - k + 1] == d[i + 1]) {
                distance = k;
                break;
            }
        if (distance) {
            code(8);
            w.Put(distance - 1, 6);
            recent.Use(d[i]);
            advance(1);
            recent.Use(d[i + 1]);
            advance(1);
            i += 2;
            continue;
        }
        const unsigned place = recent.PlaceOf(d[i]);
        unsigned c = 7;
        while (qaz::codecs::kPm2Places[c].start > place) --c;
        code(c);
        w.Put(place - qaz::codecs::kPm2Places[c].start, qaz::codecs::kPm2Places[c].bits);
        recent.Use(d[i++]);
        advance(1);
    }
    w.Put(0, 16);
    return w.Finish();
}

}  // namespace qaztest::lzh
