// A walk through a folder that collects full paths.
#pragma once
#include <string>
#include <vector>

namespace qaz {

struct CollectOptions {
    unsigned mask = 0;             // attributes that admit an entry
    bool takePlain = false;        // also take entries without any attribute
    bool clearFirst = false;       // empty the list before
    bool recursive = false;        // walk into sub-folders
    bool markFolders = false;      // folders end with '\' in the list
    bool clearAttributes = false;  // drop read-only and hidden on disk
};

// Appends the matching entries of the folder to the list, a folder before
// everything inside it, in the order the file system gives them.
void CollectFiles(const std::string& folder, const CollectOptions& options, std::vector<std::string>& list);

}  // namespace qaz
