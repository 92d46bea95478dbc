// ARJ archives: the main and local headers with their CRC-32, methods 0
// (stored), 1 to 3 (LZSS with static Huffman blocks) and 4 (LZSS with
// simple variable-length codes).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "components/codecs/unpack.h"

namespace qaz::codecs {

struct ArjEntry {
    std::string path;  // as stored (Shift-JIS), folders separated by '\'; a folder entry ends in '\'
    uint8_t method = 0;
    uint8_t fileType = 0;  // 0 binary, 1 text, 3 folder
    uint8_t flags = 0;     // 0x01: garbled (enciphered)
    uint32_t dosTime = 0;  // MS-DOS date (high word) and time (low word)
    uint32_t packedSize = 0;
    uint32_t originalSize = 0;
    uint32_t crc = 0;
    bool folder = false;
    size_t dataOffset = 0;
    size_t nextOffset = 0;
};

enum class ArjHeaderStatus { Ok, End, Corrupt };

// Finds the main header (at 0, or in a self-extracting program within its
// first megabyte) and returns the offset of the first local header, or
// SIZE_MAX when the data is no ARJ archive.
size_t FindArjStart(const uint8_t* data, size_t size);
// Reads the local header at offset; End at the closing empty header.
ArjHeaderStatus ReadArjHeader(const uint8_t* data, size_t size, size_t offset, ArjEntry& entry);
// Unpacks the entry's data and checks its CRC-32.
UnpackStatus UnpackArjEntry(const uint8_t* data, size_t size, const ArjEntry& entry, ByteSink& sink);

}  // namespace qaz::codecs
