// libFuzzer entry for one decoder, chosen at build time by QAZ_FUZZ_DECODER.
#include <cstddef>
#include <cstdint>

#include "components/codecs/jpeg.h"
#include "components/codecs/mag.h"
#include "components/codecs/pi.h"
#include "components/codecs/pic.h"
#include "components/codecs/pic2.h"
#include "components/codecs/q4.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qaz::codecs::Picture picture;
    if (QAZ_FUZZ_DECODER(data, size, picture) == qaz::codecs::DecodeStatus::Ok) {
        // A decoded picture must be as large as it says.
        const size_t pixels = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
        if (picture.pixels.size() != pixels * static_cast<size_t>(picture.bitsPerPixel / 8)) __builtin_trap();
        volatile uint32_t sink = 0;
        for (int y = 0; y < picture.height; y += 7)
            for (int x = 0; x < picture.width; x += 7) sink = sink + qaz::codecs::PixelAt(picture, x, y);
    }
    return 0;
}
