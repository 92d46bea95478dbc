// LHA archives as extraction jobs, shared by Unlha32.dll and the
// self-extracting stub.
#pragma once
#include <vector>

#include "components/archivers/common/extract_entries.h"
#include "components/codecs/lzh.h"

namespace qaz::archivers {

// Every header from start on; false when one is damaged (entries holds
// those before it).
bool WalkLzh(const uint8_t* data, size_t size, size_t start, std::vector<codecs::LzhEntry>& entries);
// One job per entry; the jobs unpack from data, which must outlive them.
std::vector<EntryJob> JobsOfLzh(const uint8_t* data, size_t size, const std::vector<codecs::LzhEntry>& entries);
// The entry's times: MS-DOS local date and time, and the file time.
void LzhTimes(const codecs::LzhEntry& e, uint16_t& date, uint16_t& time, FILETIME& ft);

}  // namespace qaz::archivers
