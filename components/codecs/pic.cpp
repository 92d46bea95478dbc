#include "components/codecs/pic.h"

#include <cstring>

#include "components/codecs/bits.h"
#include "components/codecs/bytes.h"

namespace qaz::codecs {

// Slot 0 starts as the most recently used and slot 1 as the least, so
// new colours fill slots 1, 2, ... 127 and then 0.
PicColorCache::PicColorCache() {
    for (unsigned i = 0; i < 128; ++i) {
        colors_[i] = 0;
        used_[i] = i;
    }
    used_[0] = 128;
    clock_ = 128;
}

uint32_t PicColorCache::Take(unsigned index) {
    used_[index & 127] = ++clock_;
    return colors_[index & 127];
}

unsigned PicColorCache::Put(uint32_t color) {
    unsigned oldest = 0;
    for (unsigned i = 1; i < 128; ++i)
        if (used_[i] < used_[oldest]) oldest = i;
    colors_[oldest] = color;
    used_[oldest] = ++clock_;
    return oldest;
}

int PicColorCache::Find(uint32_t color) const {
    for (unsigned i = 0; i < 128; ++i)
        if (colors_[i] == color) return static_cast<int>(i);
    return -1;
}

uint32_t X68kColor(uint32_t word) {
    const uint32_t i = word & 1;
    const uint32_t g = ((word >> 11) & 31) << 1 | i;
    const uint32_t r = ((word >> 6) & 31) << 1 | i;
    const uint32_t b = ((word >> 1) & 31) << 1 | i;
    const auto eight = [](uint32_t six) { return (six << 2) | (six >> 4); };
    return eight(r) << 16 | eight(g) << 8 | eight(b);
}

namespace {

// Run lengths: n one-bits, a zero, then n + 1 bits; 1 and up.
uint32_t ReadLength(BitReader& bits) {
    unsigned n = 0;
    while (bits.Bit()) {
        if (++n > 29) return 0;
    }
    return bits.Bits(n + 1) + (2u << n) - 1;
}

// How one machine type stores its colours.
struct Layout {
    unsigned gBits = 5, rBits = 5, bBits = 5, iBits = 0;
    bool redFirst = false;  // R G B instead of G R B
    bool cached = true;     // new colours go through the 128-entry cache
    bool mapped = false;    // codes are palette indices
    bool x68k = false;      // X68000 words: 6-bit channels, I as their low bit
};

// One colour as stored (G R B, or R G B, then I), as 0xRRGGBB.
uint32_t ReadRgb(BitReader& bits, const Layout& l) {
    uint32_t r, g;
    if (l.redFirst) {
        r = bits.Bits(l.rBits);
        g = bits.Bits(l.gBits);
    } else {
        g = bits.Bits(l.gBits);
        r = bits.Bits(l.rBits);
    }
    const uint32_t b = bits.Bits(l.bBits);
    if (l.x68k) {
        const uint32_t i = l.iBits ? bits.Bits(1) : 0;
        return X68kColor(g << 11 | r << 6 | b << 1 | i);
    }
    if (l.iBits) {
        const uint32_t i = bits.Bits(l.iBits);
        return WidenBits(r << l.iBits | i, l.rBits + l.iBits) << 16 | WidenBits(g << l.iBits | i, l.gBits + l.iBits) << 8 |
               WidenBits(b << l.iBits | i, l.bBits + l.iBits);
    }
    return WidenBits(r, l.rBits) << 16 | WidenBits(g, l.gBits) << 8 | WidenBits(b, l.bBits);
}

// The machine type (low nibble of the type byte), its mode (high nibble)
// and the colour bits give the layout; false for what we do not read.
bool LayoutOf(unsigned machine, unsigned mode, unsigned depth, Layout& l) {
    switch (machine) {
        case 0x0:  // X68000
            if (mode != 0) return false;
            l.x68k = true;
            if (depth == 4 || depth == 8) {
                l.iBits = 1;
                l.mapped = true;
                l.cached = false;
                return true;
            }
            if (depth == 16) l.iBits = 1;
            return depth == 15 || depth == 16;
        case 0x1:  // PC-88VA; the tiled 256-colour mode is not read
            if (mode & 2) return false;
            if (depth == 8) {
                l.gBits = l.rBits = 3;
                l.bBits = 2;
                l.cached = false;
                return true;
            }
            if (depth == 12) {
                l.gBits = l.rBits = l.bBits = 4;
                return true;
            }
            if (depth == 16) {
                l.gBits = 6;
                return true;
            }
            return false;
        case 0x2:  // FM TOWNS
            return depth == 15 && (mode == 0x5 || mode == 0xC);
        case 0x3:  // Macintosh
            l.redFirst = true;
            l.cached = false;
            return depth == 15;
        default:
            return false;
    }
}

}  // namespace

bool LooksLikePic(const uint8_t* data, size_t size) { return size >= 3 && std::memcmp(data, "PIC", 3) == 0; }

DecodeStatus DecodePic(const uint8_t* data, size_t size, Picture& out) {
    if (!LooksLikePic(data, size)) return DecodeStatus::NotThisFormat;
    size_t at = 3;
    while (at < size && data[at] != 0x1A) ++at;
    while (at < size && data[at] != 0) ++at;
    if (at >= size) return DecodeStatus::Corrupt;
    ByteReader r(data, size);
    r.Seek(at + 1);
    r.Skip(1);  // reserved
    const uint8_t type = r.U8();
    const unsigned depth = r.U16BE();
    const uint32_t width = r.U16BE();
    const uint32_t height = r.U16BE();
    if (!r.ok() || width == 0 || height == 0) return DecodeStatus::Corrupt;
    const unsigned machine = type & 0x0F, mode = type >> 4;
    Layout layout;
    uint16_t xDensity = 1, yDensity = 1;
    if (machine == 0xF) {
        // Any machine: a position, the pixel aspect (height to width) and,
        // for palette pictures, the bits of each palette channel.
        if (mode != 0 && mode != 1 && mode != 0xF) return DecodeStatus::Unsupported;
        r.Skip(4);
        const uint8_t tall = r.U8(), wide = r.U8();
        if (tall && wide) {
            xDensity = tall;
            yDensity = wide;
        }
        if (depth == 4 || depth == 8) {
            const uint8_t channel = r.U8();
            if (channel == 0 || channel > 8) return DecodeStatus::Unsupported;
            layout.gBits = layout.rBits = layout.bBits = channel;
            layout.mapped = true;
            layout.cached = false;
        } else if (depth == 12) {
            layout.gBits = layout.rBits = layout.bBits = 4;
        } else if (depth == 16) {
            layout.iBits = 1;
        } else if (depth == 24) {
            layout.gBits = layout.rBits = layout.bBits = 8;
        } else if (depth != 15) {
            return DecodeStatus::Unsupported;
        }
        if (!r.ok()) return DecodeStatus::Corrupt;
    } else if (!LayoutOf(machine, mode, depth, layout)) {
        return DecodeStatus::Unsupported;
    }
    size_t total = 0;
    if (!CheckedSize(width, height, sizeof(uint32_t), total)) return DecodeStatus::TooLarge;
    total /= sizeof(uint32_t);

    BitReader bits(data + r.position(), r.remaining());
    std::vector<uint32_t> palette;
    if (layout.mapped) {
        palette.resize(size_t{1} << depth);
        for (auto& c : palette) c = ReadRgb(bits, layout);
        if (!bits.ok()) return DecodeStatus::Corrupt;
    }
    const auto readColor = [&]() -> uint32_t {
        if (layout.mapped) return palette[bits.Bits(depth)];
        return ReadRgb(bits, layout);
    };

    PicColorCache cache;
    std::vector<uint32_t> rgb(total, 0);
    // Marks left by chains: the colour + 1 where a colour starts again.
    std::vector<uint32_t> marks(total, 0);
    uint32_t color = 0;
    size_t next = 0;  // the first pixel of the next run
    while (next < total) {
        const uint32_t length = ReadLength(bits);
        if (!bits.ok() || length == 0) return DecodeStatus::Corrupt;
        // length - 1 pixels keep the colour (a chain mark changes it), the
        // last one starts a new colour.
        const size_t end = next + length - 1;
        for (size_t i = next; i < end && i < total; ++i) {
            if (marks[i]) color = marks[i] - 1;
            rgb[i] = color;
        }
        if (end >= total) break;
        if (layout.cached && bits.Bit()) {
            color = cache.Take(bits.Bits(7));
        } else {
            color = readColor();
            if (layout.cached) cache.Put(color);
        }
        if (!bits.ok()) return DecodeStatus::Corrupt;
        rgb[end] = color;
        next = end + 1;
        // A stream may end right after the last pixel's colour.
        if (next == total) break;
        if (bits.Bit()) {
            // The chain: where the colour starts on each following line,
            // as steps of the address (one line on, up to two pixels
            // aside), so that a step past the left or right edge lands at
            // the other end of the neighbouring line, as it does in video
            // memory. Marks outside the picture are dropped.
            int64_t address = static_cast<int64_t>(end);
            for (;;) {
                const unsigned step = bits.Bits(2);
                int64_t dx;
                if (step == 0) {
                    if (!bits.Bit()) break;
                    dx = bits.Bit() ? 2 : -2;
                } else {
                    dx = static_cast<int64_t>(step) - 2;
                }
                if (!bits.ok()) return DecodeStatus::Corrupt;
                address += static_cast<int64_t>(width) + dx;
                // A picture narrower than the step (one or two pixels wide)
                // can step before its first pixel: such marks are dropped too.
                if (address >= 0 && address < static_cast<int64_t>(total))
                    marks[static_cast<size_t>(address)] = color + 1;
            }
        }
        if (!bits.ok()) return DecodeStatus::Corrupt;
    }

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.bitsPerPixel = 24;
    out.colorDepth = static_cast<int>(depth);
    out.pixels.resize(total * 3);
    for (size_t i = 0; i < total; ++i) {
        out.pixels[i * 3] = static_cast<uint8_t>(rgb[i] >> 16);
        out.pixels[i * 3 + 1] = static_cast<uint8_t>(rgb[i] >> 8);
        out.pixels[i * 3 + 2] = static_cast<uint8_t>(rgb[i]);
    }
    out.xDensity = xDensity;
    out.yDensity = yDensity;
    return DecodeStatus::Ok;
}

}  // namespace qaz::codecs
