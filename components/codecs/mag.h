// MAG (signature "MAKI02"), the PC-98 era picture format: 16 or 256
// palette colours, each 2-byte unit either stored or copied from one of 15
// places to the left and above, chosen by flags that change little from
// line to line.
#pragma once
#include "components/codecs/picture.h"

namespace qaz::codecs {

bool LooksLikeMag(const uint8_t* data, size_t size);
// Decodes to 8 bits per pixel with the file's palette. A picture made for
// the 200-line screen (pixels twice as tall as wide) reports densities 2:1.
DecodeStatus DecodeMag(const uint8_t* data, size_t size, Picture& out);

}  // namespace qaz::codecs
