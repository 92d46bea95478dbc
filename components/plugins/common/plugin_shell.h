// The shell shared by our picture plug-ins: the five entries of the 32-bit
// plug-in interface, over one format's detection and decoding.
#pragma once
#include <windows.h>

#include <cstdint>

#include "components/codecs/picture.h"
#include "components/plugins/common/picture_interface.h"

namespace qaz::plugins {

// The bitmap handed over by GetPicture: a BITMAPINFO and the bottom-up
// rows, each in movable memory that the caller frees.
struct Dib {
    HLOCAL header = nullptr;
    HLOCAL bits = nullptr;
};

// What each plug-in provides: either decode (to a picture, which the shell
// turns into the bitmap), or describe and decodeDib (straight into the
// bitmap, for formats the platform decodes).
struct PluginFormat {
    const char* info[4];  // version "00IN", description, file pattern, format name
    // Recognises the format from the first bytes of a file (at most 2 KB).
    bool (*isMine)(const uint8_t* head, size_t size);
    // Decodes the whole file; returns a result of the interface.
    int (*decode)(const uint8_t* data, size_t size, codecs::Picture& out);
    // The picture's size, densities and depth without decoding its pixels.
    int (*describe)(const uint8_t* data, size_t size, PictureInfo& info);
    // Decodes into a new bitmap.
    int (*decodeDib)(const uint8_t* data, size_t size, Dib& out);
};

// Defined by each plug-in.
extern const PluginFormat kFormat;

// A bitmap of width x height at 8 (with `colors` table entries) or 24 bits:
// the header filled in, the rows zeroed, bits locked at *rows with the
// given stride. Sizes are checked in 64 bits against the pixel limit;
// false (nothing allocated) when they pass it or memory runs out.
bool AllocateDib(int width, int height, int bitCount, size_t colors, Dib& dib, size_t& stride);
void FreeDib(Dib& dib);

// The bitmap of a decoded picture (8 bits with its colour table, or 24
// bits). False when memory runs out or the picture passes the limit.
bool MakeDib(const codecs::Picture& picture, Dib& dib);

// The result for a decoder status.
int ResultOf(codecs::DecodeStatus status);

}  // namespace qaz::plugins
