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
// (P2SF) blocks are not read. The blocks drawn may hold no more than
// kMaxPixels pixels together; a picture of more is TooLarge.
DecodeStatus DecodePic2(const uint8_t* data, size_t size, Picture& out);

// Shared by the decoder and the test encoder of arithmetic-coded blocks:
// A channel is coded as a number (0-255) from the value bef predicted for
// it in 0..max: small numbers alternate below and above bef, larger ones
// count from the side with more room. This gives the value of a number.
int Pic2Predicted(unsigned number, int bef, int max);
// The colour cache used for a pixel: chosen by the top 3 bits of each
// channel of the pixel above (packed R G B, `bits` per channel; for 5-bit
// channels the key's red and green trade places).
unsigned Pic2CacheKey(uint32_t above, unsigned bits);

}  // namespace qaz::codecs
