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

// Old pictures are at most a few megapixels; the cap keeps a forged header
// from making us allocate gigabytes. The fuzz builds lower it so that each
// run stays short.
#ifndef QAZ_MAX_PIXELS
#define QAZ_MAX_PIXELS (size_t{1} << 24)
#endif
constexpr size_t kMaxPixels = QAZ_MAX_PIXELS;

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

// The colour of one pixel as 0xRRGGBB, whatever the layout.
uint32_t PixelAt(const Picture& picture, int x, int y);

}  // namespace qaz::codecs
