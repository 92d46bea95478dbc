// LHA archives: the headers of levels 0 to 3 with their checksums, the
// methods of LHarc, LHA, LArc and PMarc, and writing level-2 headers with
// -lh5- data.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "components/codecs/unpack.h"

namespace qaz::codecs {

struct LzhEntry {
    std::string path;  // as stored (Shift-JIS), folders separated by '\'; a folder entry ends in '\'
    char method[6] = {};  // "-lh5-"
    uint64_t packedSize = 0;
    uint64_t originalSize = 0;
    uint32_t dosTime = 0;     // MS-DOS date (high word) and time (low word), local time; levels 0 and 1
    bool hasUnixTime = false; // level 2 (or a Unix time extension): seconds since 1970, UTC
    int64_t unixTime = 0;
    uint16_t crc = 0;         // CRC-16 of the original bytes
    uint8_t level = 0;
    uint8_t attribute = 0;
    bool folder = false;
    char os = 0;              // the system that wrote it: 'M' MS-DOS, 'U' Unix, 'm' Macintosh, … (0 at level 0)
    bool hasUnixMode = false;
    uint16_t unixMode = 0;
    bool link = false;        // a Unix symbolic link, stored as "path|target"
    std::string linkTarget;   // relative to the link's folder, '\' separators
    size_t headerOffset = 0;
    size_t dataOffset = 0;
    size_t nextOffset = 0;
};

enum class LzhHeaderStatus { Ok, End, Corrupt };

// Reads the header at offset. End at the closing zero byte or at the end of
// the data; Corrupt for a bad checksum, a bad size or data running past the end.
LzhHeaderStatus ReadLzhHeader(const uint8_t* data, size_t size, size_t offset, LzhEntry& entry);

// Where the first header is: 0 for a plain archive; in a program ("MZ") the
// first valid header of its first megabyte, in an MS-DOS .COM program of its
// first 64 KB, as in a self-extracting archive.
// SIZE_MAX when there is none.
size_t FindLzhStart(const uint8_t* data, size_t size);

// The next offset after from where a header reads as Ok, SIZE_MAX when there
// is none: how a reader steps past damaged bytes between entries.
size_t FindNextLzhHeader(const uint8_t* data, size_t size, size_t from);

bool IsSupportedLzhMethod(const char* method);

// Unpacks an entry's data into sink and checks its CRC (Corrupt when it differs).
UnpackStatus UnpackLzhEntry(const uint8_t* data, size_t size, const LzhEntry& entry, ByteSink& sink);

// Appends one entry with a level-2 header: a file packed with -lh5- (stored
// as -lh0- when packing does not make it smaller), or a folder as -lhd-.
struct LzhPackItem {
    std::string path;  // Shift-JIS, '\' between folders; no trailing '\' needed for folders
    bool folder = false;
    int64_t unixTime = 0;
    uint8_t attribute = 0x20;
    const uint8_t* data = nullptr;
    size_t size = 0;
};
void AppendLzhEntry(std::vector<uint8_t>& out, const LzhPackItem& item);
// The zero byte that ends an archive.
inline void FinishLzh(std::vector<uint8_t>& out) { out.push_back(0); }

// A name from Unix that is not UTF-8 but valid EUC-JP, turned into Shift-JIS;
// false (and out untouched) for every other name.
bool EucJpToShiftJis(const std::string& in, std::string& out);

// Shift-JIS lead bytes, for splitting and scanning paths.
inline bool IsSjisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace qaz::codecs
