// Decoding through the Windows Imaging Component, for the formats that the
// platform reads itself (JPEG, GIF, TIFF).
#pragma once
#include <windows.h>

#include <cstdint>

#include "components/codecs/picture.h"

namespace qaz::plugins {

// Decodes the first frame of an encoded file in memory to 24-bit RGB;
// returns a result of the plug-in interface.
int DecodeWithWic(const uint8_t* data, size_t size, codecs::Picture& out);

}  // namespace qaz::plugins
