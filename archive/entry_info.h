// An archive entry as the program uses it, read from the record an
// archiver library fills.
#pragma once
#include <cstdint>
#include <string>

#include "components/archivers/common/archiver_interface.h"

namespace qaz {

// One entry as the program uses it.
struct ArchiveEntry {
    uint32_t originalSize = 0;
    uint16_t ratio = 0;
    uint16_t date = 0;
    uint16_t time = 0;
    std::string path;
    std::string method;
    bool isFolder() const;
};

// Reads an entry from a filled 560-byte buffer. The texts end at their
// zero or at the end of their field, whichever comes first, so a library
// that forgets the terminator cannot make us read past the record.
ArchiveEntry ReadEntryInfo(const ArchiveEntryInfo& info);

}  // namespace qaz
