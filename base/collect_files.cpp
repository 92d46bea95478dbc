#include "base/collect_files.h"

#include <windows.h>

#include "base/find_handle.h"
#include "base/path_parts.h"

namespace qaz {

void CollectFiles(const std::string& folderIn, const CollectOptions& o, std::vector<std::string>& list) {
    const std::string folder = AddBackslash(folderIn);
    if (o.clearFirst) list.clear();
    WIN32_FIND_DATAA fd;
    FindHandle find(FindFirstFileA((folder + "*.*").c_str(), &fd));
    if (!find) return;
    CollectOptions inner = o;
    inner.clearFirst = false;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        std::string full = folder + name;
        const DWORD attributes = fd.dwFileAttributes;
        if (o.clearAttributes)
            SetFileAttributesA(full.c_str(), attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
        const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && o.markFolders) full = AddBackslash(full);
        // Windows reports a file without attributes as FILE_ATTRIBUTE_NORMAL.
        const DWORD tested = attributes == FILE_ATTRIBUTE_NORMAL ? 0 : attributes;
        if ((tested & o.mask) != 0 || (tested == 0 && o.takePlain)) list.push_back(full);
        if (o.recursive && isFolder) CollectFiles(full, inner, list);
    } while (FindNextFileA(find.get(), &fd));
}

}  // namespace qaz
