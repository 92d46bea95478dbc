// Cabinets: read with our own reader (cabinet_read.cpp: also a cabinet
// behind other data, and the parts of a split set), written through the
// platform's FCI (cabinet_io.cpp).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_line.h"
#include "components/archivers/common/pack_items.h"

namespace qaz::archivers {

// Whether the file holds a cabinet (at its start, or behind other data).
bool IsCabinet(const std::string& path);
// The files of the cabinet's whole set.
bool ListCabinet(const std::string& path, std::vector<ListedEntry>& entries);
// Extracts the selected files below targets.destination (flat: every file
// under its last name); the cabinet starts at offset, or is searched for
// when offset is 0. Returns kOk or the first error's result.
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
