#include "components/codecs/mag.h"

#include <cstring>

#include "components/codecs/bits.h"
#include "components/codecs/bytes.h"

namespace qaz::codecs {
namespace {

// Where a unit is copied from: units (2 bytes) to the left, lines up.
struct Offset {
    int units;
    int lines;
};
constexpr Offset kCopyFrom[16] = {{0, 0}, {1, 0}, {2, 0}, {4, 0}, {0, 1}, {1, 1}, {0, 2}, {1, 2},
                                  {2, 2}, {0, 4}, {1, 4}, {2, 4}, {0, 8}, {1, 8}, {2, 8}, {0, 16}};

// The byte range [offset, offset + size) of the file, clipped to its end.
bool Region(size_t fileSize, size_t base, uint32_t offset, uint64_t size, size_t& begin, size_t& length) {
    const uint64_t start = uint64_t{base} + offset;
    if (start > fileSize) return false;
    begin = static_cast<size_t>(start);
    const uint64_t available = fileSize - start;
    length = static_cast<size_t>(size < available ? size : available);
    return true;
}

}  // namespace

bool LooksLikeMag(const uint8_t* data, size_t size) {
    return size >= 8 && std::memcmp(data, "MAKI02  ", 8) == 0;
}

DecodeStatus DecodeMag(const uint8_t* data, size_t size, Picture& out) {
    if (!LooksLikeMag(data, size)) return DecodeStatus::NotThisFormat;
    // Machine code and user name, then a comment up to 0x1A; the header
    // starts at the first 0 byte after it (normally the very next byte),
    // and every offset in it counts from the header's start.
    size_t header = 8;
    while (header < size && data[header] != 0x1A) ++header;
    while (header < size && data[header] != 0) ++header;
    if (header >= size) return DecodeStatus::Corrupt;

    ByteReader r(data, size);
    r.Seek(header);
    r.Skip(3);  // header start (0), machine code, machine flag
    const uint8_t mode = r.U8();
    const unsigned x0 = r.U16LE(), y0 = r.U16LE(), x1 = r.U16LE(), y1 = r.U16LE();
    const uint32_t flagAOffset = r.U32LE();
    const uint32_t flagBOffset = r.U32LE();
    const uint32_t flagBSize = r.U32LE();
    const uint32_t pixelOffset = r.U32LE();
    const uint32_t pixelSize = r.U32LE();
    const bool deep = (mode & 0x80) != 0;
    const unsigned colors = deep ? 256 : 16;
    out.palette.assign(colors, 0);
    for (unsigned i = 0; i < colors; ++i) {
        const uint8_t g = r.U8(), red = r.U8(), b = r.U8();
        out.palette[i] = (uint32_t{red} << 16) | (uint32_t{g} << 8) | b;
    }
    if (!r.ok() || x1 < x0 || y1 < y0) return DecodeStatus::Corrupt;

    // A flag byte covers 4 bytes of pixels: 8 pixels at 4 bits, 4 at 8 bits.
    const unsigned shift = deep ? 2 : 3;
    const size_t columns = (x1 >> shift) - (x0 >> shift) + 1;
    const size_t lineBytes = columns * 4;
    const size_t lines = y1 - y0 + 1;
    const size_t width = x1 - x0 + 1;
    const size_t left = x0 & ((1u << shift) - 1);
    // Up to 65536 x 65536: the products wrap a 32-bit size_t.
    size_t pixelCount = 0, byteCount = 0;
    if (!CheckedSize(width, lines, 1, pixelCount) || !CheckedSize(lineBytes, lines, 1, byteCount))
        return DecodeStatus::TooLarge;

    size_t aBegin, aLength, bBegin, bLength, pBegin, pLength;
    if (!Region(size, header, flagAOffset, size, aBegin, aLength) ||
        !Region(size, header, flagBOffset, flagBSize, bBegin, bLength) ||
        !Region(size, header, pixelOffset, pixelSize, pBegin, pLength))
        return DecodeStatus::Corrupt;
    BitReader flagA(data + aBegin, aLength);
    ByteReader flagB(data + bBegin, bLength);
    ByteReader stored(data + pBegin, pLength);

    std::vector<uint8_t> bytes(byteCount);
    std::vector<uint8_t> flags(columns, 0);
    for (size_t y = 0; y < lines; ++y) {
        for (size_t c = 0; c < columns; ++c) {
            if (flagA.Bit()) flags[c] ^= flagB.U8();
            for (int half = 0; half < 2; ++half) {
                const unsigned code = half ? flags[c] & 0x0F : flags[c] >> 4;
                const size_t at = y * lineBytes + c * 4 + static_cast<size_t>(half) * 2;
                if (code == 0) {
                    stored.Read(&bytes[at], 2);
                    continue;
                }
                const size_t back = static_cast<size_t>(kCopyFrom[code].lines) * lineBytes +
                                    static_cast<size_t>(kCopyFrom[code].units) * 2;
                if (back > at) return DecodeStatus::Corrupt;  // before the first line
                bytes[at] = bytes[at - back];
                bytes[at + 1] = bytes[at - back + 1];
            }
            if (!flagA.ok() || !flagB.ok() || !stored.ok()) return DecodeStatus::Corrupt;
        }
    }

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(lines);
    out.bitsPerPixel = 8;
    out.colorDepth = deep ? 8 : 4;
    out.pixels.resize(pixelCount);
    for (size_t y = 0; y < lines; ++y) {
        const uint8_t* line = &bytes[y * lineBytes];
        for (size_t x = 0; x < width; ++x) {
            const size_t i = x + left;
            out.pixels[y * width + x] = deep ? line[i] : static_cast<uint8_t>(i & 1 ? line[i / 2] & 0x0F : line[i / 2] >> 4);
        }
    }
    const bool tallPixels = (mode & 0x01) != 0;
    out.xDensity = tallPixels ? 2 : 1;
    out.yDensity = 1;
    return DecodeStatus::Ok;
}

}  // namespace qaz::codecs
