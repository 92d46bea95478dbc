#include "components/codecs/pic.h"

#include <cstring>

#include "components/codecs/bits.h"
#include "components/codecs/bytes.h"

namespace qaz::codecs {

PicColorCache::PicColorCache() {
    for (unsigned i = 0; i < 128; ++i) {
        colors_[i] = 0;
        used_[i] = i;
    }
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
    if ((type & 0x0F) != 0 || (depth != 15 && depth != 16)) return DecodeStatus::Unsupported;
    const size_t total = size_t{width} * height;
    if (total > kMaxPixels) return DecodeStatus::TooLarge;

    BitReader bits(data + r.position(), r.remaining());
    PicColorCache cache;
    std::vector<uint32_t> words(total, 0);
    // Marks left by chains: the colour word + 1 where a colour starts again.
    std::vector<uint32_t> marks(total, 0);
    uint32_t color = 0;
    size_t next = 0;  // the first pixel of the next run
    for (;;) {
        const uint32_t length = ReadLength(bits);
        if (!bits.ok() || length == 0) return DecodeStatus::Corrupt;
        // length - 1 pixels keep the colour (a chain mark changes it), the
        // last one starts a new colour.
        const size_t end = next + length - 1;
        for (size_t i = next; i < end && i < total; ++i) {
            if (marks[i]) color = marks[i] - 1;
            words[i] = color;
        }
        if (end >= total) break;
        if (bits.Bit()) {
            color = cache.Take(bits.Bits(7));
        } else {
            color = depth == 15 ? bits.Bits(15) << 1 : bits.Bits(16);
            cache.Put(color);
        }
        words[end] = color;
        next = end + 1;
        if (bits.Bit()) {
            // The chain: where the colour starts on each following line.
            long x = static_cast<long>(end % width);
            size_t y = end / width;
            for (;;) {
                const unsigned step = bits.Bits(2);
                long dx;
                if (step == 0) {
                    if (!bits.Bit()) break;
                    dx = bits.Bit() ? 2 : -2;
                } else {
                    dx = static_cast<long>(step) - 2;
                }
                x += dx;
                ++y;
                if (!bits.ok() || x < 0 || x >= static_cast<long>(width) || y >= height)
                    return DecodeStatus::Corrupt;
                marks[y * width + static_cast<size_t>(x)] = color + 1;
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
        const uint32_t rgb = X68kColor(words[i]);
        out.pixels[i * 3] = static_cast<uint8_t>(rgb >> 16);
        out.pixels[i * 3 + 1] = static_cast<uint8_t>(rgb >> 8);
        out.pixels[i * 3 + 2] = static_cast<uint8_t>(rgb);
    }
    out.xDensity = out.yDensity = 1;
    return DecodeStatus::Ok;
}

}  // namespace qaz::codecs
