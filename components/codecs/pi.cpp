#include "components/codecs/pi.h"

#include "components/codecs/bits.h"
#include "components/codecs/bytes.h"

namespace qaz::codecs {

PiColorTable::PiColorTable(unsigned colors) : colors_(colors), table_(size_t{colors} * colors) {
    for (unsigned p = 0; p < colors; ++p)
        for (unsigned r = 0; r < colors; ++r) table_[p * colors + r] = static_cast<uint8_t>((p + colors - r) % colors);
}

uint8_t PiColorTable::Take(uint8_t previous, unsigned rank) {
    uint8_t* row = &table_[size_t{previous} * colors_];
    const uint8_t color = row[rank];
    for (unsigned i = rank; i > 0; --i) row[i] = row[i - 1];
    row[0] = color;
    return color;
}

unsigned PiColorTable::RankOf(uint8_t previous, uint8_t color) const {
    const uint8_t* row = &table_[size_t{previous} * colors_];
    for (unsigned i = 0; i < colors_; ++i)
        if (row[i] == color) return i;
    return 0;
}

namespace {

// Rank codes: 1x for 0-1, 00x for 2-3, then 01 and a unary group number
// for the groups 4-7, 8-15, ... (the last group needs no end mark).
unsigned ReadRank(BitReader& bits, unsigned colors) {
    if (bits.Bit()) return bits.Bit();
    if (!bits.Bit()) return 2 + bits.Bit();
    unsigned k = 2;
    while ((2u << k) < colors && bits.Bit()) ++k;
    return (1u << k) + bits.Bits(k);
}

// Copy sources: 0 two pixels left when the two left pixels are the same,
// otherwise four; 1 one line up; 2 two lines up; 3 one line up and one
// right; 4 one line up and one left.
int ReadPosition(BitReader& bits) {
    const unsigned v = bits.Bits(2);
    return v < 3 ? static_cast<int>(v) : 3 + static_cast<int>(bits.Bit());
}

// Copy lengths in pixel pairs: n one-bits, a zero, n more bits.
uint32_t ReadLength(BitReader& bits) {
    unsigned n = 0;
    while (bits.Bit()) {
        if (++n > 30) return 0;
    }
    return n == 0 ? 1 : (1u << n) + bits.Bits(n);
}

}  // namespace

uint32_t PiDefaultColor(unsigned colors, unsigned i) {
    if (colors == 16) {
        // Bit 0 blue, bit 1 red, bit 2 green; bit 3 bright.
        const uint32_t on = i & 8 ? 0xFF : 0x77;
        return (i & 2 ? on << 16 : 0) | (i & 4 ? on << 8 : 0) | (i & 1 ? on : 0);
    }
    // 256 colours: G3 R3 B2, each level spread evenly from 0.
    const uint32_t g = (i >> 5) * 0x20, red = ((i >> 2) & 7) * 0x20, b = (i & 3) * 0x40;
    return red << 16 | g << 8 | b;
}

bool LooksLikePi(const uint8_t* data, size_t size) { return size >= 2 && data[0] == 'P' && data[1] == 'i'; }

DecodeStatus DecodePi(const uint8_t* data, size_t size, Picture& out) {
    if (!LooksLikePi(data, size)) return DecodeStatus::NotThisFormat;
    // A comment up to 0x1A, then anything up to the first 0.
    size_t at = 2;
    while (at < size && data[at] != 0x1A) ++at;
    while (at < size && data[at] != 0) ++at;
    if (at >= size) return DecodeStatus::Corrupt;
    ByteReader r(data, size);
    r.Seek(at + 1);
    const uint8_t mode = r.U8();
    const uint8_t n = r.U8(), m = r.U8();
    const uint8_t planes = r.U8();
    r.Skip(4);  // machine
    r.Skip(r.U16BE());
    const uint32_t width = r.U16BE();
    const uint32_t height = r.U16BE();
    if (!r.ok()) return DecodeStatus::Corrupt;
    if (planes != 4 && planes != 8) return DecodeStatus::Unsupported;
    const unsigned colors = 1u << planes;
    out.palette.assign(colors, 0);
    if (mode & 0x80) {
        // No palette in the file: the machine's default colours.
        for (unsigned i = 0; i < colors; ++i) out.palette[i] = PiDefaultColor(colors, i);
    } else {
        for (unsigned i = 0; i < colors; ++i) {
            const uint8_t red = r.U8(), g = r.U8(), b = r.U8();
            out.palette[i] = (uint32_t{red} << 16) | (uint32_t{g} << 8) | b;
        }
    }
    if (!r.ok() || width == 0 || height == 0) return DecodeStatus::Corrupt;
    size_t total = 0;
    if (!CheckedSize(width, uint64_t{height} + 2, 1, total)) return DecodeStatus::TooLarge;

    BitReader bits(data + r.position(), r.remaining());
    PiColorTable table(colors);
    // Two lines before the picture hold the first two colours, repeated.
    std::vector<uint8_t> buf(total);
    const uint8_t c0 = table.Take(0, ReadRank(bits, colors));
    const uint8_t c1 = table.Take(c0, ReadRank(bits, colors));
    for (size_t i = 0; i < 2 * size_t{width}; ++i) buf[i] = i & 1 ? c1 : c0;

    size_t p = 2 * size_t{width};
    int previousPosition = -1;
    while (p < total && bits.ok()) {
        const int position = ReadPosition(bits);
        if (!bits.ok()) break;
        if (position == previousPosition) {
            // The same place twice means new colours, a pair at a time.
            do {
                for (int k = 0; k < 2; ++k) {
                    const uint8_t color = table.Take(buf[p - 1], ReadRank(bits, colors));
                    if (p < total) buf[p++] = color;
                }
            } while (p < total && bits.Bit());
            previousPosition = -1;
            continue;
        }
        size_t back = 0;
        switch (position) {
            case 0: back = buf[p - 1] == buf[p - 2] ? 2 : 4; break;
            case 1: back = width; break;
            case 2: back = 2 * size_t{width}; break;
            case 3: back = width - 1; break;
            default: back = size_t{width} + 1; break;
        }
        if (back == 0 || back > p) return DecodeStatus::Corrupt;
        const uint32_t pairs = ReadLength(bits);
        if (pairs == 0) return DecodeStatus::Corrupt;
        size_t count = size_t{pairs} * 2;
        if (count > total - p) count = total - p;
        for (size_t i = 0; i < count; ++i, ++p) buf[p] = buf[p - back];
        previousPosition = position;
    }
    if (p < total) return DecodeStatus::Corrupt;

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.bitsPerPixel = 8;
    out.colorDepth = planes;
    out.pixels.assign(buf.begin() + 2 * static_cast<ptrdiff_t>(width), buf.end());
    // n:m is the pixel's height to width: 2:1 (tall pixels) asks for the
    // picture to be shown twice as high, like MAG's 200-line mode.
    out.xDensity = n && m ? n : 1;
    out.yDensity = n && m ? m : 1;
    return DecodeStatus::Ok;
}

}  // namespace qaz::codecs
