// PIC (signature "PIC"), the X68000 picture format: 15- or 16-bit colours
// along the picture as one line of runs, each new colour taken from a
// 128-entry cache or stored, and optionally chained down the lines below
// where the same colour starts again.
#pragma once
#include "components/codecs/picture.h"

namespace qaz::codecs {

bool LooksLikePic(const uint8_t* data, size_t size);
// Decodes the X68000 variant with 15 or 16 bits of colour to 24-bit RGB.
// The format carries no aspect; densities are 1:1.
DecodeStatus DecodePic(const uint8_t* data, size_t size, Picture& out);

// The colour cache shared by the decoder and the test encoder: a new colour
// replaces the least recently used of 128 entries.
class PicColorCache {
public:
    PicColorCache();
    uint32_t Take(unsigned index);
    unsigned Put(uint32_t color);
    // The index of color, or -1.
    int Find(uint32_t color) const;

private:
    uint32_t colors_[128];
    uint32_t used_[128];
    uint32_t clock_ = 0;
};

// An X68000 colour word (G5 R5 B5 I1) as 0xRRGGBB.
uint32_t X68kColor(uint32_t word);

}  // namespace qaz::codecs
