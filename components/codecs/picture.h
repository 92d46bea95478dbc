// A decoded picture: 8-bit palette indices or 24-bit RGB, rows top-down
// without padding, and the pixel densities the file asks the viewer for.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qaz::codecs {

enum class DecodeStatus {
    Ok,
    NotThisFormat,  // the signature does not match
    Unsupported,    // a variant of the format that we do not read
    Corrupt,        // truncated or inconsistent data
    TooLarge,       // dimensions beyond kMaxPixels
};

// Old pictures are at most a few megapixels; the cap (16,777,216 pixels,
// 4096 x 4096) keeps a forged header from making us allocate gigabytes, and
// keeps every size below it far from the 32-bit limits of the deliverables.
// The fuzz builds lower it so that each run stays short.
#ifndef QAZ_MAX_PIXELS
#define QAZ_MAX_PIXELS (size_t{1} << 24)
#endif
constexpr size_t kMaxPixels = QAZ_MAX_PIXELS;

// The byte size of width x height cells of cellBytes each, computed in 64
// bits whatever size_t is: false when the pixel count passes kMaxPixels or
// the bytes do not fit size_t. Sizes read from files go through here before
// anything is allocated.
bool CheckedSize(uint64_t width, uint64_t height, uint64_t cellBytes, size_t& bytes);

struct Picture {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 24;             // 8: indices into palette; 24: R, G, B
    int colorDepth = 24;               // bits per pixel the file itself uses
    std::vector<uint8_t> pixels;       // width * (bitsPerPixel / 8) bytes per row
    std::vector<uint32_t> palette;     // 0xRRGGBB, for 8 bits per pixel
    uint16_t xDensity = 1;             // relative horizontal pixel density
    uint16_t yDensity = 1;             // relative vertical pixel density
};

// A colour channel of `bits` bits (1-8) widened to 8 by repeating its
// bits, so that the largest value becomes 255.
uint32_t WidenBits(uint32_t value, unsigned bits);

// The colour of one pixel as 0xRRGGBB, whatever the layout.
uint32_t PixelAt(const Picture& picture, int x, int y);

}  // namespace qaz::codecs
