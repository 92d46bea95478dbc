// The files and folders a packing command names, walked into the entries of
// the new archive.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qaz::archivers {

struct PackItem {
    std::string path;      // as it goes into the archive, "\" separators, relative
    std::string source;    // the file on disk
    bool isFolder = false;
    uint64_t size = 0;
    FILETIME modified = {};
};

// Expands the named items (relative to the current folder, or full paths,
// whose folder part is then dropped from the stored name): a folder brings
// its whole tree, a name ending in "\*.*" the folder's contents. Each item
// is reported once, folders before what they hold. Names that match nothing
// are appended to missing. The items' bytes are what a packing command's
// progress counts up to.
std::vector<PackItem> CollectPackItems(const std::vector<std::string>& names, std::vector<std::string>& missing);

}  // namespace qaz::archivers
