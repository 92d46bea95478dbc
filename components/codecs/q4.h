// Q4 (the XLD4 loader's format, "MAJYO" at offset 11): 640 x 400 pictures
// of 16 colours from 4096 on the PC-9800. The data is a row of chunks, each
// compressed with a growing dictionary of byte strings over the symbols
// 0-16; the bytes it gives are run-length commands for the pixels, in rows
// top-down. The first chunk holds the palette.
#pragma once
#include "components/codecs/picture.h"

namespace qaz::codecs {

constexpr int kQ4Width = 640;
constexpr int kQ4Height = 400;

bool LooksLikeQ4(const uint8_t* data, size_t size);
// Decodes to 8 bits per pixel with the file's 16 colours.
DecodeStatus DecodeQ4(const uint8_t* data, size_t size, Picture& out);

// The palette slot that the file's i-th colour fills.
unsigned Q4PaletteSlot(unsigned i);

}  // namespace qaz::codecs
