// The shell shared by our picture plug-ins: the five entries of the 32-bit
// plug-in interface, over one format's detection and decoding.
#pragma once
#include <windows.h>

#include <cstdint>

#include "components/codecs/picture.h"
#include "components/plugins/common/picture_interface.h"

namespace qaz::plugins {


// What each plug-in provides.
struct PluginFormat {
    const char* info[4];  // version "00IN", description, file pattern, format name
    // Recognises the format from the first bytes of a file (at most 2 KB).
    bool (*isMine)(const uint8_t* head, size_t size);
    // Decodes the whole file; returns one of the results above.
    int (*decode)(const uint8_t* data, size_t size, codecs::Picture& out);
};

// Defined by each plug-in.
extern const PluginFormat kFormat;

// The bitmap of a picture as the interface hands it over: a BITMAPINFO
// (8 bits with its colour table, or 24 bits) and the bottom-up rows, each in
// movable memory that the caller frees. False when memory runs out.
bool MakeDib(const codecs::Picture& picture, HLOCAL* header, HLOCAL* bits);

// The result for a decoder status.
int ResultOf(codecs::DecodeStatus status);

}  // namespace qaz::plugins
