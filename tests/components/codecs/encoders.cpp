#include "tests/components/codecs/encoders.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "components/codecs/bits.h"

namespace qaz::testenc {
namespace {

void PutLE16(std::vector<uint8_t>& v, unsigned x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void PutLE32(std::vector<uint8_t>& v, uint32_t x) {
    PutLE16(v, x & 0xFFFF);
    PutLE16(v, x >> 16);
}
void PutBE16(std::vector<uint8_t>& v, unsigned x) {
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}
void PutText(std::vector<uint8_t>& v, const char* s) { v.insert(v.end(), s, s + std::strlen(s)); }

// The colour models of Pi, PIC, Q4 and PIC2, written here from the format
// descriptions and kept apart from the decoders: a rule the decoder gets
// wrong then shows as a picture that does not decode to its pixels.

// Pi: for each preceding colour, a list of all colours; a colour is sent as
// its place in the list of the colour before it and then moves to the
// front. Under colour p the list starts p, p - 1, p - 2, ... (wrapping).
class PiLists {
public:
    explicit PiLists(unsigned colors) : lists_(colors) {
        for (unsigned p = 0; p < colors; ++p)
            for (unsigned k = 0; k < colors; ++k) lists_[p].push_back(static_cast<uint8_t>((p + colors - k) % colors));
    }
    // The place of c under previous, moving c to the front.
    unsigned Send(uint8_t previous, uint8_t c) {
        std::vector<uint8_t>& list = lists_[previous];
        const auto at = std::find(list.begin(), list.end(), c);
        const unsigned place = static_cast<unsigned>(at - list.begin());
        list.erase(at);
        list.insert(list.begin(), c);
        return place;
    }

private:
    std::vector<std::vector<uint8_t>> lists_;
};

// PIC: 128 remembered colours, all 0 at the start, ordered from the most
// to the least recently used: 0, 127, 126, ..., 1. A colour sent again is
// named by its entry and becomes the most recent; a new colour replaces the
// least recent entry and becomes the most recent.
class PicRecentColors {
public:
    PicRecentColors() {
        order_.push_back(0);
        for (unsigned e = 127; e >= 1; --e) order_.push_back(e);
    }
    // The entry holding color (the most recent such), or -1.
    int Find(uint32_t color) const {
        for (unsigned e : order_)
            if (colors_[e] == color) return static_cast<int>(e);
        return -1;
    }
    void Use(unsigned entry) {
        order_.erase(std::find(order_.begin(), order_.end(), entry));
        order_.insert(order_.begin(), entry);
    }
    void Add(uint32_t color) {
        const unsigned entry = order_.back();
        colors_[entry] = color;
        Use(entry);
    }

private:
    uint32_t colors_[128] = {};
    std::vector<unsigned> order_;
};

// Q4: the file lists the 16 colours in the order of palette entries 0, 4,
// 1, 5, 2, 6, 3, 7, then the same for 8 to 15.
const unsigned kQ4FileOrder[16] = {0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15};

// PIC2: a channel value is sent as a number counted out from the predicted
// value bef: 0 is bef, then one above, one below, two above, two below...,
// and once one side reaches the end of 0..max the numbers go on along the
// other side alone. The number that gives v.
unsigned Pic2Number(int v, int bef, int max) {
    if (v == bef) return 0;
    int up = bef, down = bef;
    for (unsigned n = 1; up < max || down > 0;) {
        if (up < max) {
            if (++up == v) return n;
            ++n;
        }
        if (down > 0) {
            if (--down == v) return n;
            ++n;
        }
    }
    return 0;
}

// PIC2: the colour cache is picked by the top three bits of each channel of
// the pixel above, as red, green, blue from the high bits down (green,
// red, blue for 15-bit pictures). above holds `bits` per channel.
unsigned Pic2Cache(uint32_t above, unsigned bits) {
    const uint32_t mask = (1u << bits) - 1;
    const unsigned r = (above >> (2 * bits) & mask) >> (bits - 3);
    const unsigned g = (above >> bits & mask) >> (bits - 3);
    const unsigned b = (above & mask) >> (bits - 3);
    return bits == 5 ? (g << 6 | r << 3 | b) : (r << 6 | g << 3 | b);
}

}  // namespace

uint32_t X68000Rgb(uint16_t word) {
    // G5 R5 B5 I1: each channel's five bits with the intensity bit below
    // them make a 6-bit level, widened to 8 bits by repeating its top bits.
    const unsigned i = word & 1;
    auto level = [&](unsigned at) {
        const unsigned six = ((word >> at) & 31) * 2 + i;
        return (six * 65) >> 4;  // six << 2 | six >> 4
    };
    return level(6) << 16 | level(11) << 8 | level(1);
}

std::vector<uint8_t> EncodeMag(int width, int height, const std::vector<uint8_t>& indices,
                               const std::vector<uint32_t>& palette, unsigned x0, bool tallPixels) {
    const bool deep = palette.size() > 16;
    const unsigned shift = deep ? 2 : 3;
    const unsigned x1 = x0 + static_cast<unsigned>(width) - 1;
    const size_t columns = (x1 >> shift) - (x0 >> shift) + 1;
    const size_t lineBytes = columns * 4;
    const size_t left = x0 & ((1u << shift) - 1);
    std::vector<uint8_t> bytes(lineBytes * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t c = indices[static_cast<size_t>(y) * width + x];
            const size_t i = x + left;
            uint8_t& b = bytes[y * lineBytes + (deep ? i : i / 2)];
            b = deep ? c : static_cast<uint8_t>(b | (i & 1 ? c : c << 4));
        }
    static const int kUnits[16] = {0, 1, 2, 4, 0, 1, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0};
    static const int kLines[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};
    qaz::codecs::BitWriter flagA;
    std::vector<uint8_t> flagB, stored;
    std::vector<uint8_t> above(columns, 0);
    for (int y = 0; y < height; ++y)
        for (size_t c = 0; c < columns; ++c) {
            uint8_t flag = 0;
            for (int half = 0; half < 2; ++half) {
                const size_t at = y * lineBytes + c * 4 + half * 2;
                unsigned code = 0;
                for (unsigned k = 1; k < 16 && !code; ++k) {
                    const size_t back = kLines[k] * lineBytes + kUnits[k] * 2;
                    if (back <= at && bytes[at - back] == bytes[at] && bytes[at - back + 1] == bytes[at + 1]) code = k;
                }
                if (!code) stored.insert(stored.end(), &bytes[at], &bytes[at] + 2);
                flag = static_cast<uint8_t>(flag | (half ? code : code << 4));
            }
            const uint8_t change = flag ^ above[c];
            flagA.Bit(change != 0);
            if (change) flagB.push_back(change);
            above[c] = flag;
        }
    std::vector<uint8_t> a = flagA.bytes();
    if (a.size() & 1) a.push_back(0);

    std::vector<uint8_t> f;
    PutText(f, "MAKI02  TEST tester            \x1A");
    std::vector<uint8_t> h;
    h.push_back(0);
    h.push_back(0);
    h.push_back(0);
    h.push_back(static_cast<uint8_t>((deep ? 0x80 : 0) | (tallPixels ? 1 : 0)));
    PutLE16(h, x0);
    PutLE16(h, 0);
    PutLE16(h, x1);
    PutLE16(h, static_cast<unsigned>(height) - 1);
    const uint32_t aOffset = static_cast<uint32_t>(32 + palette.size() * 3);
    const uint32_t bOffset = aOffset + static_cast<uint32_t>(a.size());
    const uint32_t pOffset = bOffset + static_cast<uint32_t>(flagB.size());
    PutLE32(h, aOffset);
    PutLE32(h, bOffset);
    PutLE32(h, static_cast<uint32_t>(flagB.size()));
    PutLE32(h, pOffset);
    PutLE32(h, static_cast<uint32_t>(stored.size()));
    for (uint32_t rgb : palette) {
        h.push_back(static_cast<uint8_t>(rgb >> 8));
        h.push_back(static_cast<uint8_t>(rgb >> 16));
        h.push_back(static_cast<uint8_t>(rgb));
    }
    h.insert(h.end(), a.begin(), a.end());
    h.insert(h.end(), flagB.begin(), flagB.end());
    h.insert(h.end(), stored.begin(), stored.end());
    f.insert(f.end(), h.begin(), h.end());
    return f;
}

namespace {

void WriteRank(codecs::BitWriter& w, unsigned rank, unsigned colors) {
    if (rank < 2) {
        w.Bit(1);
        w.Bit(rank);
        return;
    }
    w.Bit(0);
    if (rank < 4) {
        w.Bit(0);
        w.Bit(rank - 2);
        return;
    }
    w.Bit(1);
    unsigned k = 2;
    while ((2u << k) <= rank) ++k;
    for (unsigned g = 2; g < k; ++g) w.Bit(1);
    if ((2u << k) < colors) w.Bit(0);
    w.Bits(rank - (1u << k), k);
}

void WritePosition(codecs::BitWriter& w, int position) {
    if (position < 3)
        w.Bits(static_cast<uint32_t>(position), 2);
    else
        w.Bits(position == 3 ? 6 : 7, 3);
}

void WritePairs(codecs::BitWriter& w, uint32_t pairs) {
    unsigned n = 0;
    while ((2u << n) <= pairs) ++n;
    for (unsigned i = 0; i < n; ++i) w.Bit(1);
    w.Bit(0);
    if (n) w.Bits(pairs - (1u << n), n);
}

}  // namespace

std::vector<uint8_t> EncodePi(int width, int height, const std::vector<uint8_t>& indices,
                              const std::vector<uint32_t>& palette, int planes, uint8_t n, uint8_t m) {
    const unsigned colors = 1u << planes;
    const size_t w = static_cast<size_t>(width);
    const size_t total = w * (static_cast<size_t>(height) + 2);
    std::vector<uint8_t> buf(2 * w);
    for (size_t i = 0; i < 2 * w; ++i) buf[i] = indices[i & 1 && indices.size() > 1 ? 1 : 0];
    buf.insert(buf.end(), indices.begin(), indices.end());

    codecs::BitWriter bits;
    PiLists lists(colors);
    auto color = [&](uint8_t previous, uint8_t c) { WriteRank(bits, lists.Send(previous, c), colors); };
    color(0, buf[0]);
    color(buf[0], buf[1]);

    auto backOf = [&](int position, size_t p) -> size_t {
        switch (position) {
            case 0: return buf[p - 1] == buf[p - 2] ? 2 : 4;
            case 1: return w;
            case 2: return 2 * w;
            case 3: return w - 1;
            default: return w + 1;
        }
    };
    // The longest copy, in pairs, from a place other than the one excluded.
    auto bestCopy = [&](size_t p, int excluded, int& position) -> uint32_t {
        uint32_t best = 0;
        for (int k = 0; k < 5; ++k) {
            if (k == excluded) continue;
            const size_t back = backOf(k, p);
            if (back == 0 || back > p) continue;
            size_t i = 0;
            while (p + i < total && buf[p + i] == buf[p + i - back]) ++i;
            const uint32_t pairs = static_cast<uint32_t>(p + i >= total ? (i + 1) / 2 : i / 2);
            if (pairs > best) {
                best = pairs;
                position = k;
            }
        }
        return best;
    };

    size_t p = 2 * w;
    int previous = -1;
    while (p < total) {
        int position = -1;
        const uint32_t pairs = bestCopy(p, previous, position);
        if (pairs) {
            WritePosition(bits, position);
            WritePairs(bits, pairs);
            p += 2 * static_cast<size_t>(pairs);
            previous = position;
            continue;
        }
        WritePosition(bits, previous);  // the same place again: new colours
        for (;;) {
            for (int k = 0; k < 2; ++k) {
                const uint8_t c = p < total ? buf[p] : buf[p - 1];
                color(buf[p - 1], c);
                if (p < total) ++p;
            }
            if (p >= total) break;
            int unused = -1;
            const bool more = bestCopy(p, -1, unused) == 0;
            bits.Bit(more);
            if (!more) break;
        }
        previous = -1;
    }

    std::vector<uint8_t> f;
    PutText(f, "Pi test picture\x1A");
    f.push_back(0);
    f.push_back(0);  // mode: palette present
    f.push_back(n);
    f.push_back(m);
    f.push_back(static_cast<uint8_t>(planes));
    PutText(f, "TEST");
    PutBE16(f, 0);
    PutBE16(f, static_cast<unsigned>(width));
    PutBE16(f, static_cast<unsigned>(height));
    for (unsigned i = 0; i < colors; ++i) {
        const uint32_t rgb = i < palette.size() ? palette[i] : 0;
        f.push_back(static_cast<uint8_t>(rgb >> 16));
        f.push_back(static_cast<uint8_t>(rgb >> 8));
        f.push_back(static_cast<uint8_t>(rgb));
    }
    f.insert(f.end(), bits.bytes().begin(), bits.bytes().end());
    return f;
}

std::vector<uint8_t> EncodePic(int width, int height, const std::vector<uint16_t>& words, int depth, bool chains) {
    const size_t w = static_cast<size_t>(width);
    const size_t total = w * static_cast<size_t>(height);
    std::vector<uint32_t> px(words.begin(), words.end());
    if (depth == 15)
        for (auto& v : px) v &= ~1u;
    // A pixel starts a colour when it differs from the one before it.
    std::vector<bool> starts(total), chained(total);
    for (size_t i = 0; i < total; ++i) starts[i] = px[i] != (i ? px[i - 1] : 0);

    codecs::BitWriter bits;
    PicRecentColors cache;
    auto length = [&](uint32_t len) {
        unsigned n = 0;
        while ((4u << n) - 1 <= len) ++n;
        for (unsigned i = 0; i < n; ++i) bits.Bit(1);
        bits.Bit(0);
        bits.Bits(len - ((2u << n) - 1), n + 1);
    };
    size_t next = 0;
    for (size_t i = 0; i < total; ++i) {
        if (!starts[i] || chained[i]) continue;
        length(static_cast<uint32_t>(i - next + 1));
        const int cached = cache.Find(px[i]);
        if (cached >= 0) {
            bits.Bit(1);
            bits.Bits(static_cast<uint32_t>(cached), 7);
            cache.Use(static_cast<unsigned>(cached));
        } else {
            bits.Bit(0);
            bits.Bits(depth == 15 ? px[i] >> 1 : px[i], static_cast<unsigned>(depth));
            cache.Add(px[i]);
        }
        next = i + 1;
        // Follow the colour down while it starts again within two columns.
        std::vector<int> steps;
        long x = static_cast<long>(i % w);
        for (size_t y = i / w + 1; chains && y < static_cast<size_t>(height); ++y) {
            int found = 99;
            for (int dx : {0, -1, 1, -2, 2}) {
                const long nx = x + dx;
                if (nx < 0 || nx >= width) continue;
                const size_t j = y * w + static_cast<size_t>(nx);
                if (starts[j] && !chained[j] && px[j] == px[i]) {
                    found = dx;
                    break;
                }
            }
            if (found == 99) break;
            x += found;
            chained[y * w + static_cast<size_t>(x)] = true;
            steps.push_back(found);
        }
        if (steps.empty()) {
            bits.Bit(0);
            continue;
        }
        bits.Bit(1);
        for (int dx : steps) {
            if (dx >= -1 && dx <= 1)
                bits.Bits(static_cast<uint32_t>(dx + 2), 2);
            else
                bits.Bits(dx < 0 ? 2 : 3, 4);  // 00 1 and the direction
        }
        bits.Bits(0, 3);  // 00 0: the chain ends
    }
    length(static_cast<uint32_t>(total - next + 1));

    std::vector<uint8_t> f;
    PutText(f, "PICtest picture\x1A");
    f.push_back(0);
    f.push_back(0);  // reserved
    f.push_back(0);  // X68000
    PutBE16(f, static_cast<unsigned>(depth));
    PutBE16(f, static_cast<unsigned>(width));
    PutBE16(f, static_cast<unsigned>(height));
    f.insert(f.end(), bits.bytes().begin(), bits.bytes().end());
    return f;
}

namespace {

// One chunk: symbols 0-16 as 5-bit codes (after two codes that widen them
// from 3 bits), then the end code.
void PutQ4Chunk(std::vector<uint8_t>& f, const std::vector<uint8_t>& symbols, uint32_t pixels) {
    codecs::BitWriter bits;
    bits.Bits(1, 3);
    bits.Bits(1, 4);
    for (uint8_t s : symbols) bits.Bits(s + 2u, 5);
    bits.Bits(0, 5);
    PutLE16(f, static_cast<unsigned>(bits.bytes().size()));
    PutLE16(f, 0);
    PutLE16(f, pixels / 2);
    f.insert(f.end(), bits.bytes().begin(), bits.bytes().end());
}

}  // namespace

std::vector<uint8_t> EncodeQ4(const std::vector<uint8_t>& indices, const std::vector<uint32_t>& palette) {
    std::vector<uint8_t> f(16, 0);
    std::memcpy(&f[11], "MAJYO", 5);
    std::vector<uint8_t> symbols;
    std::vector<uint32_t> byFile(16);
    for (unsigned i = 0; i < 16; ++i) byFile[i] = palette[kQ4FileOrder[i]];
    for (uint32_t rgb : byFile)
        for (int shift : {16, 8, 0}) {
            symbols.push_back(0);
            symbols.push_back(static_cast<uint8_t>((rgb >> shift & 0xFF) >> 4));
        }
    PutQ4Chunk(f, symbols, 0);
    // Rows of 3200 pixels (5 lines) per chunk; runs stay inside a chunk.
    const size_t total = indices.size(), perChunk = 3200;
    for (size_t start = 0; start < total; start += perChunk) {
        symbols.clear();
        const size_t end = start + perChunk < total ? start + perChunk : total;
        for (size_t i = start; i < end;) {
            size_t n = 1;
            while (i + n < end && n < 288 && indices[i + n] == indices[i]) ++n;
            if (n < 4) {
                for (size_t k = 0; k < n; ++k) symbols.push_back(indices[i]);
            } else {
                // Marker, 0 and the colour, then the length in base 17.
                for (uint8_t s : {uint8_t{16}, uint8_t{0}, indices[i], static_cast<uint8_t>(n / 17),
                                  static_cast<uint8_t>(n % 17)})
                    symbols.push_back(s);
            }
            i += n;
        }
        PutQ4Chunk(f, symbols, static_cast<uint32_t>(end - start));
    }
    f[8] = static_cast<uint8_t>(f.size());
    f[9] = static_cast<uint8_t>(f.size() >> 8);
    return f;
}

namespace {

// The arithmetic coder matching the decoder's: a 16-bit interval, the
// probability of a 0 per context, the low end's bits written as they
// leave the 16-bit window (a carry runs back into those written).
class ArithWriter {
public:
    explicit ArithWriter(const uint16_t* prob) : prob_(prob) {}
    void Bit(unsigned context, unsigned bit) {
        const uint32_t split = ((range_ >> 8) * prob_[context & 127]) >> 8;
        const uint32_t part = split ? split : 1;
        if (bit) {
            low_ += part;
            range_ -= part;
            if (low_ > 0xFFFF) {
                low_ &= 0xFFFF;
                size_t i = out_.size();
                while (i > 0 && out_[i - 1]) out_[--i] = 0;
                if (i > 0) out_[i - 1] = 1;
            }
        } else {
            range_ = part;
        }
        while (!(range_ & 0x8000)) {
            out_.push_back(static_cast<uint8_t>(low_ >> 15 & 1));
            low_ = (low_ << 1) & 0xFFFF;
            range_ <<= 1;
        }
    }
    // 0-255 as a unary group and the position in it.
    void Number(unsigned context, unsigned n) {
        unsigned group = 0;
        while (group < 8 && n >= (2u << group) - 1) ++group;
        for (unsigned g = 0; g < group && g < 8; ++g) Bit(context + g, 0);
        if (group == 8) return;
        Bit(context + group, 1);
        const unsigned rest = n - ((1u << group) - 1);
        for (unsigned k = 0; k < group; ++k) Bit(context + 8 + k, rest >> k & 1);
    }
    std::vector<uint8_t> Finish() {
        for (int i = 15; i >= 0; --i) out_.push_back(static_cast<uint8_t>(low_ >> i & 1));
        std::vector<uint8_t> bytes((out_.size() + 7) / 8, 0);
        for (size_t i = 0; i < out_.size(); ++i)
            if (out_[i]) bytes[i / 8] = static_cast<uint8_t>(bytes[i / 8] | (0x80 >> (i % 8)));
        return bytes;
    }

private:
    const uint16_t* prob_;
    uint32_t range_ = 0xFFFF, low_ = 0;
    std::vector<uint8_t> out_;
};


std::vector<uint8_t> EncodeArithmetic(int width, int height, const std::vector<uint32_t>& px, unsigned bits) {
    uint16_t prob[128];
    for (int i = 0; i < 128; ++i) prob[i] = static_cast<uint16_t>(0x60 + (i * 37) % 0x40);
    ArithWriter a(prob);
    const size_t w = static_cast<size_t>(width);
    const int max = static_cast<int>(0xFFu >> (8 - bits));
    std::vector<uint32_t> cache(512 * 32, 0);
    std::vector<uint8_t> cachePos(512, 0);
    // Change-point contexts of this line and the two below, and where
    // chains reach this line and the next (how: -1 down ... -5 two right),
    // with room on each side, as the decoder keeps them.
    const size_t line = w + 8;
    std::vector<uint8_t> ctx(3 * line, 0);
    uint8_t* now = &ctx[4];
    uint8_t* next = &ctx[line + 4];
    uint8_t* next2 = &ctx[2 * line + 4];
    std::vector<int8_t> chains(2 * line, 0);
    int8_t* chainNow = &chains[4];
    int8_t* chainNext = &chains[line + 4];
    unsigned hitContext = 16;
    // Follows the colour c of (x, y) to the first free pixel of the same
    // colour below: straight down, one left, one right, two left, two right.
    const auto chain = [&](int x, int y, uint32_t c) {
        const unsigned base = 80 + 6 * static_cast<unsigned>(-chainNow[x]);
        static const int kDx[5] = {0, -1, 1, -2, 2};
        int pick = -1;
        for (int k = 0; k < 5 && pick < 0; ++k) {
            const int nx = x + kDx[k];
            if (nx >= 0 && nx < width && chainNext[nx] == 0 &&
                px[static_cast<size_t>(y + 1) * w + static_cast<size_t>(nx)] == c)
                pick = k;
        }
        if (pick < 0) {
            a.Bit(base, 1);
            return;
        }
        a.Bit(base, 0);
        for (int k = 0; k < 4; ++k) {
            a.Bit(base + 1 + static_cast<unsigned>(k), pick == k);
            if (pick == k) break;
        }
        chainNext[x + kDx[pick]] = static_cast<int8_t>(-1 - pick);
    };
    for (int y = 0; y < height; ++y) {
        uint32_t color = y == 0 ? 0 : px[static_cast<size_t>(y) * w - 1];
        std::fill(next2 - 4, next2 - 4 + line, 0);
        std::fill(chainNext - 4, chainNext - 4 + line, 0);
        const bool more = y + 1 < height;
        for (int x = 0; x < width; ++x) {
            const uint32_t target = px[static_cast<size_t>(y) * w + static_cast<size_t>(x)];
            if (chainNow[x] < 0) {
                color = target;
                if (more) chain(x, y, target);
                continue;
            }
            const bool change = target != color;
            a.Bit(now[x], change);
            if (!change) continue;
            ++now[x + 1], ++now[x + 2];
            ++next[x - 1], ++next[x], ++next[x + 1];
            ++next2[x - 1], ++next2[x], ++next2[x + 1];
            const uint32_t above = y == 0 ? 0 : px[static_cast<size_t>(y - 1) * w + static_cast<size_t>(x)];
            const uint32_t left = x == 0 ? color : px[static_cast<size_t>(y) * w + static_cast<size_t>(x) - 1];
            const unsigned key = Pic2Cache(above, bits);
            uint32_t* slots = &cache[key * 32];
            const unsigned m = cachePos[key];
            int found = -1;
            for (unsigned j = 0; j < 32 && found < 0; ++j)
                if (slots[(m + j) & 31] == target) found = static_cast<int>(j);
            if (found >= 0) {
                a.Bit(hitContext, 0);
                hitContext = 15;
                const unsigned j = static_cast<unsigned>(found);
                a.Number(17, j);
                const unsigned i = (m + j / 2) & 31, k = (m + j) & 31;
                const uint32_t c = slots[k];
                slots[k] = slots[i];
                slots[i] = slots[m];
                slots[m] = c;
            } else {
                a.Bit(hitContext, 1);
                hitContext = 16;
                const auto channel = [&](uint32_t c, unsigned shift) { return static_cast<int>(c >> shift & static_cast<uint32_t>(max)); };
                const int r = (channel(above, 2 * bits) + channel(left, 2 * bits)) >> 1;
                const int g = (channel(above, bits) + channel(left, bits)) >> 1;
                const int b = (channel(above, 0) + channel(left, 0)) >> 1;
                const int g0 = channel(target, bits), r0 = channel(target, 2 * bits), b0 = channel(target, 0);
                const auto clamp = [&](int v) { return v < 0 ? 0 : v > max ? max : v; };
                a.Number(32, Pic2Number(g0, g, max));
                a.Number(48, Pic2Number(r0, clamp(r + g0 - g), max));
                a.Number(64, Pic2Number(b0, clamp(b + g0 - g), max));
                cachePos[key] = static_cast<uint8_t>((cachePos[key] - 1) & 31);
                slots[cachePos[key]] = target;
            }
            if (more) chain(x, y, target);
            color = target;
        }
        uint8_t* old = now;
        now = next;
        next = next2;
        next2 = old;
        std::swap(chainNow, chainNext);
    }
    std::vector<uint8_t> out;
    for (uint16_t p : prob) PutBE16(out, p);
    const auto body = a.Finish();
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace

std::vector<uint8_t> EncodePic2(int width, int height, const std::vector<uint32_t>& rgb, bool coded, int depth) {
    const unsigned bits = static_cast<unsigned>(depth) / 3;
    std::vector<uint8_t> f;
    PutText(f, "P2DT");
    f.resize(f.size() + 26, ' ');
    PutText(f, "\r\n");
    f.resize(f.size() + 30, ' ');
    PutText(f, "\r\n");
    f.resize(f.size() + 30, ' ');
    PutText(f, "\r\n\x1A");
    f.push_back(0);
    for (unsigned v : {0u, 0u, 0u, 0u, 0u, 124u, static_cast<unsigned>(depth), 1u, 1u}) PutBE16(f, v);
    PutBE16(f, static_cast<unsigned>(width));
    PutBE16(f, static_cast<unsigned>(height));
    PutBE16(f, 0);
    PutBE16(f, 0);
    std::vector<uint8_t> pixels;
    if (coded) {
        std::vector<uint32_t> packed(rgb.size());
        for (size_t i = 0; i < rgb.size(); ++i) {
            const uint32_t c = rgb[i];
            packed[i] = ((c >> 16 & 0xFF) >> (8 - bits)) << 2 * bits | ((c >> 8 & 0xFF) >> (8 - bits)) << bits |
                        ((c & 0xFF) >> (8 - bits));
        }
        pixels = EncodeArithmetic(width, height, packed, bits);
    } else {
        for (uint32_t c : rgb) {
            pixels.push_back(static_cast<uint8_t>(c >> 16));
            pixels.push_back(static_cast<uint8_t>(c >> 8));
            pixels.push_back(static_cast<uint8_t>(c));
        }
    }
    PutText(f, coded ? "P2SS" : "P2BM");
    const uint32_t size = static_cast<uint32_t>(26 + pixels.size());
    PutBE16(f, size >> 16);
    PutBE16(f, size & 0xFFFF);
    for (unsigned v : {0u, static_cast<unsigned>(width), static_cast<unsigned>(height), 0u, 0u, 0u, 0u, 0u, 0u})
        PutBE16(f, v);
    f.insert(f.end(), pixels.begin(), pixels.end());
    for (int i = 0; i < 8; ++i) f.push_back(0);
    return f;
}

}  // namespace qaz::testenc
