// Decoding a picture through a bound plug-in's GetPictureInfo and
// GetPicture into a bitmap, with the palette for 256-colour screens and the
// aspect correction of the formats that carry pixel densities.
#pragma once
#include <windows.h>

#include <string>

#include "archive/library_binding.h"

namespace qaz {

// Entries of the logical palette for a DIB header on a screen of
// screenBits bits per pixel: 0 when no palette is used.
int PaletteEntryCount(const BITMAPINFOHEADER& header, int screenBits);

// The size a picture is shown at for its densities; a density of 0 or
// equal densities leave it as it is.
SIZE AspectCorrectedSize(int width, int height, WORD xDensity, WORD yDensity);

struct DecodedPicture {
    HBITMAP bitmap = nullptr;    // the caller's
    HPALETTE palette = nullptr;  // the caller's; only on 256-colour screens
};

// Decodes the file of kind 1 to 8 with the given entries (info may be
// null). dc is the drawing surface the bitmap is made for. False on any
// failure; nothing is left allocated then.
bool DecodePluginPicture(int kind, const std::string& path, GetPictureFn picture, GetPictureInfoFn info, HDC dc,
                   DecodedPicture& out);

}  // namespace qaz
