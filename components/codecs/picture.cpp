#include "components/codecs/picture.h"

namespace qaz::codecs {

bool CheckedSize(uint64_t width, uint64_t height, uint64_t cellBytes, size_t& bytes) {
    // Each factor is below 2^32 here, so the pixel count cannot wrap; the
    // cap keeps the byte count far below 2^64.
    if (width > 0xFFFFFFFFu || height > 0xFFFFFFFFu || cellBytes > 64) return false;
    const uint64_t pixels = width * height;
    if (pixels > uint64_t{kMaxPixels}) return false;
    const uint64_t total = pixels * cellBytes;
    if (total > uint64_t{SIZE_MAX}) return false;
    bytes = static_cast<size_t>(total);
    return true;
}

uint32_t WidenBits(uint32_t value, unsigned bits) {
    if (bits == 0) return 0;
    uint32_t out = 0;
    for (int shift = 8 - static_cast<int>(bits); shift > -static_cast<int>(bits); shift -= static_cast<int>(bits))
        out |= shift >= 0 ? value << shift : value >> -shift;
    return out & 0xFF;
}

uint32_t PixelAt(const Picture& picture, int x, int y) {
    const size_t i = static_cast<size_t>(y) * static_cast<size_t>(picture.width) + static_cast<size_t>(x);
    if (picture.bitsPerPixel == 8) {
        const uint8_t index = picture.pixels[i];
        return index < picture.palette.size() ? picture.palette[index] : 0;
    }
    const uint8_t* p = &picture.pixels[i * 3];
    return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

}  // namespace qaz::codecs
