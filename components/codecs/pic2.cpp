#include "components/codecs/pic2.h"

#include <cstring>

#include "components/codecs/bits.h"
#include "components/codecs/bytes.h"

namespace qaz::codecs {
namespace {

constexpr size_t kHeaderSize = 124;
constexpr size_t kBlockHeaderSize = 26;
constexpr int kPad = 4;  // room on each side of a line for chains and contexts

struct Block {
    char id[4];
    size_t data = 0, size = 0;  // the coded pixels
    uint16_t flag = 0, width = 0, height = 0, x = 0, y = 0;
    uint32_t opaque = 0;
};

// R and G of a colour packed R G B swapped (G R B <-> R G B).
uint32_t SwapRedGreen(uint32_t p, unsigned bits) {
    const uint32_t mask = 0xFFu >> (8 - bits);
    return ((p << bits) & (mask << 2 * bits)) | ((p >> bits) & (mask << bits)) | (p & mask);
}

// The arithmetic decoder of P2SS blocks: 128 probabilities, a 16-bit
// interval and its code value, bits fed most significant first. Reading
// runs on with zeros past the block's end for a few bytes (the coder's
// tail); beyond that the block is damaged.
class Arith {
public:
    Arith(const uint8_t* data, size_t size) : bits_(data, size) {}

    bool Start() {
        for (auto& p : prob_) p = static_cast<uint16_t>(Bits(16));
        code_ = Bits(16);
        return ok();
    }
    bool ok() const { return past_ <= 64 && !broken_; }

    unsigned Bit(unsigned context) {
        const uint32_t split = ((range_ >> 8) * prob_[context & 127]) >> 8;
        const uint32_t part = split ? split : 1;
        unsigned bit;
        if (code_ >= part) {
            code_ -= part;
            range_ -= part;
            bit = 1;
        } else {
            range_ = part;
            bit = 0;
        }
        if (range_ == 0 || code_ >= range_) {
            broken_ = true;
            range_ = 0x8000;
            code_ = 0;
        }
        while (!(range_ & 0x8000)) {
            range_ <<= 1;
            code_ = (code_ << 1) | Bits(1);
        }
        return bit;
    }

    // 0-255: a unary group (bits at context .. context + 7), then the
    // position in the group (context + 8 ...).
    unsigned Number(unsigned context) {
        for (unsigned group = 0; group < 8; ++group) {
            if (Bit(context + group)) {
                unsigned n = (1u << group) - 1;
                for (unsigned k = 0; k < group; ++k) n += Bit(context + 8 + k) << k;
                return n;
            }
        }
        return 255;
    }

private:
    uint32_t Bits(unsigned count) {
        uint32_t v = 0;
        for (unsigned i = 0; i < count; ++i) {
            if (bits_.AtEnd()) {
                ++past_;
                v <<= 1;
            } else {
                v = (v << 1) | bits_.Bit();
            }
        }
        return v;
    }
    BitReader bits_;
    uint16_t prob_[128] = {};
    uint32_t range_ = 0xFFFF, code_ = 0;
    unsigned past_ = 0;
    bool broken_ = false;
};

int Predicted(Arith& a, unsigned context, int bef, int max) {
    return Pic2Predicted(a.Number(context), bef, max);
}

// Decodes one P2SS block's rows into `rows` (width x height colours packed
// R G B with `bits` per channel).
bool DecodeArithmetic(const uint8_t* data, size_t size, unsigned bits, unsigned width, unsigned height,
                      std::vector<uint32_t>& rows) {
    Arith a(data, size);
    if (!a.Start()) return false;
    const unsigned max = 0xFFu >> (8 - bits);
    const size_t line = width + 2 * kPad;
    std::vector<uint32_t> vram(3 * line, 0);
    std::vector<int8_t> chain(2 * line, 0);  // < 0: a chain reached here, and how
    std::vector<uint8_t> context(3 * line, 0);
    uint32_t* prev = &vram[kPad];
    uint32_t* now = &vram[line + kPad];
    uint32_t* next = &vram[2 * line + kPad];
    int8_t* chainNow = &chain[kPad];
    int8_t* chainNext = &chain[line + kPad];
    uint8_t* ctxNow = &context[kPad];
    uint8_t* ctxNext = &context[line + kPad];
    uint8_t* ctxNext2 = &context[2 * line + kPad];
    std::vector<uint32_t> cache(512 * 32, 0);
    std::vector<uint8_t> cachePos(512, 0);
    unsigned hitContext = 16;

    const auto readColor = [&](int x) -> uint32_t {
        const uint32_t above = prev[x];
        const unsigned key = Pic2CacheKey(above, bits);
        uint32_t* slots = &cache[key * 32];
        uint32_t color;
        if (a.Bit(hitContext)) {
            // Not in the cache: green from the mean of the pixels above and
            // left, red and blue from theirs moved by green's change.
            hitContext = 16;
            const uint32_t left = now[x - 1];
            const int r = static_cast<int>(((above >> 2 * bits & max) + (left >> 2 * bits & max)) >> 1);
            const int g = static_cast<int>(((above >> bits & max) + (left >> bits & max)) >> 1);
            const int b = static_cast<int>(((above & max) + (left & max)) >> 1);
            const int g0 = Predicted(a, 32, g, static_cast<int>(max));
            const auto clamp = [&](int v) { return v < 0 ? 0 : v > static_cast<int>(max) ? static_cast<int>(max) : v; };
            const int r0 = Predicted(a, 48, clamp(r + g0 - g), static_cast<int>(max));
            const int b0 = Predicted(a, 64, clamp(b + g0 - g), static_cast<int>(max));
            color = (static_cast<uint32_t>(r0) & max) << 2 * bits | (static_cast<uint32_t>(g0) & max) << bits |
                    (static_cast<uint32_t>(b0) & max);
            cachePos[key] = static_cast<uint8_t>((cachePos[key] - 1) & 31);
            slots[cachePos[key]] = color;
        } else {
            hitContext = 15;
            const unsigned j = a.Number(17), m = cachePos[key];
            const unsigned i = (m + j / 2) & 31, k = (m + j) & 31;
            color = slots[k];
            slots[k] = slots[i];
            slots[i] = slots[m];
            slots[m] = color;
        }
        return color;
    };
    // Where a colour starts again on the next line: not at all, below, one
    // left, one right, two left, two right; the contexts depend on how the
    // chain reached this pixel.
    const auto followChain = [&](int x, uint32_t color) {
        unsigned c = 80 + 6 * static_cast<unsigned>(-chainNow[x]);
        if (a.Bit(c++)) return;
        int dx;
        int8_t how;
        if (a.Bit(c++)) {
            dx = 0, how = -1;
        } else if (a.Bit(c++)) {
            dx = -1, how = -2;
        } else if (a.Bit(c++)) {
            dx = 1, how = -3;
        } else if (a.Bit(c++)) {
            dx = -2, how = -4;
        } else {
            dx = 2, how = -5;
        }
        next[x + dx] = color;
        chainNext[x + dx] = how;
    };

    rows.assign(size_t{width} * height, 0);
    for (unsigned y = 0; y < height; ++y) {
        uint32_t color = y == 0 ? 0 : prev[width - 1];
        now[-1] = color;
        std::memset(chainNext - kPad, 0, line);
        std::memset(ctxNext2 - kPad, 0, line);
        const bool more = y + 1 < height;
        for (int x = 0; x < static_cast<int>(width); ++x) {
            if (chainNow[x] < 0) {
                color = now[x];
                if (more) followChain(x, color);
            } else if (a.Bit(ctxNow[x])) {
                ++ctxNow[x + 1];
                ++ctxNow[x + 2];
                ++ctxNext[x - 1];
                ++ctxNext[x];
                ++ctxNext[x + 1];
                ++ctxNext2[x - 1];
                ++ctxNext2[x];
                ++ctxNext2[x + 1];
                now[x] = color = readColor(x);
                if (more) followChain(x, color);
            } else {
                now[x] = color;
            }
            if (!a.ok()) return false;
        }
        std::memcpy(&rows[size_t{y} * width], now, width * sizeof(uint32_t));
        // The lines move up: this one becomes the one above.
        uint32_t* oldPrev = prev;
        prev = now;
        now = next;
        next = oldPrev;
        std::swap(chainNow, chainNext);
        uint8_t* oldCtx = ctxNow;
        ctxNow = ctxNext;
        ctxNext = ctxNext2;
        ctxNext2 = oldCtx;
    }
    return true;
}

// Raw rows: 3 bytes R G B for 24 bits and less down to 17, otherwise a
// word (big-endian in P2BM, little-endian in P2BI); 15-bit words hold
// G R B and a low bit, as on the X68000.
bool DecodeRaw(const uint8_t* data, size_t size, bool bigEndian, unsigned depth, unsigned width, unsigned height,
               std::vector<uint32_t>& rows) {
    const unsigned bytes = depth > 16 ? 3 : 2;
    size_t need = 0;
    if (!CheckedSize(width, height, bytes, need) || need > size) return false;
    rows.resize(size_t{width} * height);
    for (size_t i = 0; i < rows.size(); ++i) {
        const uint8_t* p = data + i * bytes;
        uint32_t v;
        if (bytes == 3) {
            v = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
        } else {
            v = bigEndian ? (uint32_t{p[0]} << 8 | p[1]) : (uint32_t{p[1]} << 8 | p[0]);
            if (depth == 15) v = SwapRedGreen(v >> 1, 5);
        }
        rows[i] = v;
    }
    return true;
}

}  // namespace

int Pic2Predicted(unsigned number, int bef, int max) {
    const int n = static_cast<int>(number);
    if (bef > max / 2) {
        if (n > (max - bef) * 2) return max - n;
    } else if (n > bef * 2) {
        return n;
    }
    return n & 1 ? bef + n / 2 + 1 : bef - n / 2;
}

unsigned Pic2CacheKey(uint32_t above, unsigned bits) {
    const unsigned key = ((above >> ((bits - 3) * 3)) & 0x1C0) | ((above >> ((bits - 3) * 2)) & 0x038) |
                         ((above >> (bits - 3)) & 0x007);
    return bits == 5 ? SwapRedGreen(key, 3) : key;
}

namespace {

// Arithmetic-coded and raw blocks with pixels: the ones we draw.
bool Readable(const Block& b) {
    return b.width != 0 && b.height != 0 &&
           (std::memcmp(b.id, "P2SS", 4) == 0 || std::memcmp(b.id, "P2BM", 4) == 0 || std::memcmp(b.id, "P2BI", 4) == 0);
}

}  // namespace

bool LooksLikePic2(const uint8_t* data, size_t size) { return size >= 4 && std::memcmp(data, "P2DT", 4) == 0; }

DecodeStatus DecodePic2(const uint8_t* data, size_t size, Picture& out) {
    if (!LooksLikePic2(data, size)) return DecodeStatus::NotThisFormat;
    if (size < kHeaderSize) return DecodeStatus::Corrupt;
    ByteReader r(data, size);
    r.Seek(98);
    const uint16_t flag = r.U16BE();
    r.Skip(2 + 4);  // number, time
    const uint32_t headerSize = r.U32BE();
    const unsigned depth = r.U16BE();
    const uint16_t xAspect = r.U16BE(), yAspect = r.U16BE();
    uint32_t width = r.U16BE(), height = r.U16BE();
    if (!r.ok() || headerSize < kHeaderSize || headerSize > size) return DecodeStatus::Corrupt;
    if ((flag & 1) || depth % 3 != 0 || depth < 9 || depth > 24) return DecodeStatus::Unsupported;
    const unsigned bits = depth / 3;

    // The blocks, up to an id starting with 0 or the end of the file; the
    // canvas grows to hold each.
    std::vector<Block> blocks;
    size_t at = headerSize;
    while (at + 8 <= size && data[at] != 0) {
        Block b;
        std::memcpy(b.id, data + at, 4);
        r.Seek(at + 4);
        const uint32_t blockSize = r.U32BE();
        if (!r.ok() || blockSize < kBlockHeaderSize || blockSize > size - at) return DecodeStatus::Corrupt;
        b.flag = r.U16BE();
        b.width = r.U16BE();
        b.height = r.U16BE();
        b.x = r.U16BE();
        b.y = r.U16BE();
        b.opaque = r.U32BE();
        b.data = at + kBlockHeaderSize;
        b.size = blockSize - kBlockHeaderSize;
        if (uint32_t{b.x} + b.width > width) width = uint32_t{b.x} + b.width;
        if (uint32_t{b.y} + b.height > height) height = uint32_t{b.y} + b.height;
        blocks.push_back(b);
        at += blockSize;
        if (blocks.size() > 4096) return DecodeStatus::Corrupt;
    }
    if (blocks.empty() || width == 0 || height == 0) return DecodeStatus::Corrupt;
    size_t bytes = 0;
    if (!CheckedSize(width, height, 3, bytes)) return DecodeStatus::TooLarge;
    // Each block drawn costs its pixels: the whole picture may draw no more
    // than one canvas of the largest size, however many blocks it holds.
    uint64_t work = 0;
    for (const Block& b : blocks) {
        if (!Readable(b)) continue;
        work += uint64_t{b.width} * b.height;
        if (work > kMaxPixels) return DecodeStatus::TooLarge;
    }

    out.pixels.assign(bytes, 0);
    std::vector<uint32_t> rows;
    bool drawn = false;
    for (const Block& b : blocks) {
        if (!Readable(b)) continue;  // a kind of block we do not read
        const bool ok = std::memcmp(b.id, "P2SS", 4) == 0
                            ? DecodeArithmetic(data + b.data, b.size, bits, b.width, b.height, rows)
                            : DecodeRaw(data + b.data, b.size, b.id[3] == 'M', depth, b.width, b.height, rows);
        if (!ok) return DecodeStatus::Corrupt;
        drawn = true;
        // With flag bit 0 the opaque colour is see-through.
        const bool keyed = (b.flag & 1) != 0;
        const uint32_t mask = (1u << depth) - 1;
        for (unsigned y = 0; y < b.height; ++y)
            for (unsigned x = 0; x < b.width; ++x) {
                const uint32_t v = rows[size_t{y} * b.width + x];
                if (keyed && (v & mask) == (b.opaque & mask)) continue;
                uint8_t* p = &out.pixels[((size_t{b.y} + y) * width + b.x + x) * 3];
                p[0] = static_cast<uint8_t>(WidenBits(v >> 2 * bits & (0xFFu >> (8 - bits)), bits));
                p[1] = static_cast<uint8_t>(WidenBits(v >> bits & (0xFFu >> (8 - bits)), bits));
                p[2] = static_cast<uint8_t>(WidenBits(v & (0xFFu >> (8 - bits)), bits));
            }
    }
    if (!drawn) return DecodeStatus::Unsupported;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.bitsPerPixel = 24;
    out.colorDepth = static_cast<int>(depth);
    // The aspect is the pixel's width to height: the height's share goes
    // to the horizontal density, as with Pi.
    out.xDensity = xAspect && yAspect ? yAspect : 1;
    out.yDensity = xAspect && yAspect ? xAspect : 1;
    return DecodeStatus::Ok;
}

}  // namespace qaz::codecs
