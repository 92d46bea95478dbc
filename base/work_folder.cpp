#include "base/work_folder.h"

#include <windows.h>

#include <string>
#include <vector>

#include "base/collect_files.h"
#include "base/user_paths.h"

namespace qaz {

void CleanWorkFolder() {
    const std::string tmp = TempPath();
    if (tmp.empty()) return;  // never walk a folder relative to wherever we are
    const std::string folder = WorkFolderPath();
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    std::vector<std::string> list;
    CollectOptions o;
    o.mask = 63;
    o.takePlain = true;
    o.clearFirst = true;
    o.recursive = true;
    o.markFolders = true;
    o.clearAttributes = true;
    CollectFiles(folder, o, list);
    // Last to first: a folder's contents go before the folder itself.
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (!DeleteFileA(it->c_str())) RemoveDirectoryA(it->c_str());
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace qaz
