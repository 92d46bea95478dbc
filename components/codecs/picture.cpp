#include "components/codecs/picture.h"

namespace qaz::codecs {

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
