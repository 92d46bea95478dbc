// LHA archives as extraction jobs, shared by Unlha32.dll and the
// self-extracting stub.
#pragma once
#include <string>
#include <vector>

#include "components/archivers/common/entry_archive.h"
#include "components/archivers/common/extract_entries.h"
#include "components/codecs/lzh.h"

namespace qaz::archivers {

// Every header from start on. Without damage, false at the first damaged
// header (entries holds those before it). With damage, damaged bytes are
// stepped over to the next header that reads whole, and each stretch is
// named there; false when there was any.
// On a Japanese system, names from Unix in EUC-JP become Shift-JIS.
bool WalkLzh(const uint8_t* data, size_t size, size_t start, std::vector<codecs::LzhEntry>& entries,
             std::vector<std::string>* damage = nullptr);
// One job per entry; the jobs unpack from data, which must outlive them.
std::vector<EntryJob> JobsOfLzh(const uint8_t* data, size_t size, const std::vector<codecs::LzhEntry>& entries);
// The entry's times: MS-DOS local date and time, and the file time.
void LzhTimes(const codecs::LzhEntry& e, uint16_t& date, uint16_t& time, FILETIME& ft);
// The reader of Unlha32.dll's check, listing and extraction.
extern const EntryFormat kLzhFormat;

}  // namespace qaz::archivers
