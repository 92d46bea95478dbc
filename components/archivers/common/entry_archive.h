// The libraries whose codecs read one entry at a time from the mapped
// archive (LHA, ARJ) share their check, listing and extraction here; a
// library gives only how to find the first header and how to read the
// entries.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/extract_entries.h"

namespace qaz::archivers {

struct ReadEntry {
    ListedEntry listed;
    EntryJob job;  // unpacks from the mapped data the reader was given
};

struct EntryFormat {
    // Where the first header is; SIZE_MAX when the data holds none.
    size_t (*start)(const uint8_t* data, size_t size);
    // Every entry from start on, and a line in damage for each stretch of
    // bytes that could not be read as headers.
    void (*read)(const uint8_t* data, size_t size, size_t start, std::vector<ReadEntry>& entries,
                 std::vector<std::string>& damage);
};

bool CheckEntryArchive(const EntryFormat& format, const std::string& archive);
// False when the file cannot be read or holds no header.
bool ListEntryArchive(const EntryFormat& format, const std::string& archive, std::vector<ListedEntry>& out);
int ExtractEntryArchive(const EntryFormat& format, const std::string& archive, const Targets& targets, bool flat,
                        std::string& report);

// The command word in lower case.
std::string CommandWord(const std::string& word);

}  // namespace qaz::archivers
