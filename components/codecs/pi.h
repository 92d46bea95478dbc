// Pi (signature "Pi"), the PC-98 picture format with 16 or 256 palette
// colours: pairs of pixels copied from five places nearby, runs of new
// colours coded by their rank in a per-colour recency table.
#pragma once
#include "components/codecs/picture.h"

namespace qaz::codecs {

bool LooksLikePi(const uint8_t* data, size_t size);
// Decodes to 8 bits per pixel. The file's pixel aspect n:m (pixel height to
// width) is reported as densities n:m; 0 in either means square pixels.
DecodeStatus DecodePi(const uint8_t* data, size_t size, Picture& out);

// The colour i of the palette used when the file carries none.
uint32_t PiDefaultColor(unsigned colors, unsigned i);

// The recency tables shared by the decoder and the test encoder: one list
// of all colours per preceding colour, the most recently used first.
class PiColorTable {
public:
    explicit PiColorTable(unsigned colors);
    unsigned colors() const { return colors_; }
    // The colour at rank under the preceding colour, moved to the front.
    uint8_t Take(uint8_t previous, unsigned rank);
    // The rank of colour under the preceding colour (no change).
    unsigned RankOf(uint8_t previous, uint8_t color) const;

private:
    unsigned colors_;
    std::vector<uint8_t> table_;
};

}  // namespace qaz::codecs
