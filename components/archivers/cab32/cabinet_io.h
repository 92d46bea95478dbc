// Cabinets through the platform's cabinet.dll: reading with FDI (also a
// cabinet that starts at an offset inside a self-extracting program) and
// writing with FCI.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_line.h"
#include "components/archivers/common/pack_items.h"

namespace qaz::archivers {

// Whether a cabinet header starts at offset.
bool IsCabinetAt(const std::string& path, uint64_t offset);
bool ListCabinet(const std::string& path, std::vector<ListedEntry>& entries);
// Extracts the selected files below targets.destination (flat: every file
// under its last name). Returns kOk or the first error's result.
int ExtractCabinet(const std::string& path, uint64_t offset, const Targets& targets, bool flat, std::string& report);

// Compression of a new cabinet: MSZIP, or LZX with a window of 2^15 to 2^21.
struct CabCompression {
    bool lzx = false;
    int window = 0;
};
// Writes a cabinet of the items; when the engine refuses LZX, MSZIP is used
// and the report says so.
int WriteCabinet(const std::string& path, const std::vector<PackItem>& items, CabCompression compression,
                 std::string& report);

}  // namespace qaz::archivers
