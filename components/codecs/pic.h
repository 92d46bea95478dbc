// PIC (signature "PIC"), the X68000 picture format: 15- or 16-bit colours
// along the picture as one line of runs, each new colour taken from a
// 128-entry cache or stored, and optionally chained down the lines below
// where the same colour starts again.
#pragma once
#include "components/codecs/picture.h"

namespace qaz::codecs {

bool LooksLikePic(const uint8_t* data, size_t size);
// Decodes to 24-bit RGB: X68000 pictures of 4, 8, 15 and 16 bits, FM TOWNS
// and Macintosh 15-bit pictures, PC-88VA 8-, 12- and 16-bit pictures, and
// the any-machine type with 4 to 24 bits. Only the any-machine type
// carries a pixel aspect (densities); the others report 1:1.
DecodeStatus DecodePic(const uint8_t* data, size_t size, Picture& out);

// The colour cache shared by the decoder and the test encoder: a new colour
// replaces the least recently used of 128 entries (at the start slot 1, as
// slot 0 counts as the most recently used).
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
