// The texts of one row of the contents window, from an archive entry.
#pragma once
#include <string>

#include "archive/entry_info.h"

namespace qaz {

struct ContentsRow {
    std::string name;    // the entry's file name
    std::string size;    // the original size, as a signed 32-bit number
    std::string ratio;   // "52.3%"
    std::string date;    // "yyyy/mm/dd hh:mm:ss"
    std::string folder;  // the folder part of the path, "" at the top
    std::string type;    // the method text
};

// The row of an entry (folder entries get none: the caller skips them).
ContentsRow RowOf(const ArchiveEntry& entry);

}  // namespace qaz
