// ZIP archives: the central directory (with ZIP64 records and fields),
// stored and deflated entries (deflate through zlib), data descriptors, the
// UTF-8 name flag (bit 11) and the Info-ZIP Unicode path field.
#pragma once
#include <string>
#include <vector>

#include "components/codecs/stream.h"

namespace qaz::codecs {

struct ZipEntry {
    std::string name;        // raw bytes; UTF-8 when utf8 is set
    bool utf8 = false;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint64_t packedSize = 0;
    uint64_t size = 0;
    uint64_t localOffset = 0;
    uint32_t externalAttributes = 0;
    uint8_t hostSystem = 0;  // 0 MS-DOS, 3 Unix, ...
    // A trailing separator, or on MS-DOS and Windows hosts the folder
    // attribute alone.
    bool isFolder() const;
    bool isSymLink() const { return hostSystem == 3 && ((externalAttributes >> 16) & 0170000) == 0120000; }
};

bool LooksLikeZip(const uint8_t* head, size_t size);

// Reads the central directory, wherever the archive starts in the file:
// data before it (a self-extracting program) shifts every offset, and the
// offsets returned are those in the file. The entry count is bounded by the
// directory's own size, so a forged count cannot make us allocate.
ArcError ReadZipDirectory(RandomSource& in, std::vector<ZipEntry>& entries);

// Whether two entries claim the same bytes of the archive: the bomb that
// points many entries at one packed stream. Such archives are refused.
bool ZipEntriesOverlap(const std::vector<ZipEntry>& entries);

// Text of a method for listings ("Stored", "Deflated", ...).
const char* ZipMethodName(uint16_t method);

// Decodes one entry into the sink, checking its size and CRC-32; the sink
// never receives more bytes than the entry declares.
ArcError ExtractZipEntry(RandomSource& in, const ZipEntry& entry, ByteSink& out);

}  // namespace qaz::codecs
