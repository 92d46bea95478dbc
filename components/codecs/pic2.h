// PIC2 (signature "P2DT"), Yanagisawa's successor to PIC: a 124-byte text
// header, then blocks, each a rectangle of the canvas with its own coding.
// P2SS blocks are arithmetic coded (a per-colour cache, colours predicted
// from the pixels above and left, chains down the picture); P2BM and P2BI
// blocks are raw rows (big- and little-endian words).
#pragma once
#include "components/codecs/picture.h"

namespace qaz::codecs {

bool LooksLikePic2(const uint8_t* data, size_t size);
// Decodes every block onto the canvas (black where no block draws) to
// 24-bit RGB. Colour depths 9 to 24 bits (three equal channels); the
// pixel aspect becomes the densities. Palette pictures and run-length
// (P2SF) blocks are not read.
DecodeStatus DecodePic2(const uint8_t* data, size_t size, Picture& out);

}  // namespace qaz::codecs
