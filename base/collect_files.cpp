#include "base/collect_files.h"

#include <windows.h>

#include <set>
#include <utility>

#include "base/find_handle.h"
#include "base/path_parts.h"

namespace qaz {

namespace {

// A folder as the file system knows it, whatever path leads there.
using FolderId = std::pair<DWORD, unsigned long long>;  // volume serial, file index

bool IdentifyFolder(const std::string& folder, FolderId& id) {
    HANDLE h = CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!known) return false;
    id = {info.dwVolumeSerialNumber, (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

void Walk(const std::string& folderIn, const CollectOptions& o, std::vector<std::string>& list,
          std::set<FolderId>& entered) {
    // A folder met a second time in one walk (through a link the file
    // system does not report as one) is not walked again.
    FolderId id;
    if (IdentifyFolder(folderIn, id) && !entered.insert(id).second) return;
    const std::string folder = AddBackslash(folderIn);
    WIN32_FIND_DATAA fd;
    FindHandle find(FindFirstFileA((folder + "*.*").c_str(), &fd));
    if (!find) return;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        std::string full = folder + name;
        const DWORD attributes = fd.dwFileAttributes;
        // A link (symbolic link, junction, mount point) is listed as itself
        // but never walked into, and nothing behind it is changed.
        const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (o.clearAttributes && !link)
            SetFileAttributesA(full.c_str(), attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
        const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && o.markFolders) full = AddBackslash(full);
        // Windows reports a file without attributes as FILE_ATTRIBUTE_NORMAL.
        const DWORD tested = attributes == FILE_ATTRIBUTE_NORMAL ? 0 : attributes;
        if ((tested & o.mask) != 0 || (tested == 0 && o.takePlain)) list.push_back(full);
        if (o.recursive && isFolder && !link) Walk(full, o, list, entered);
    } while (FindNextFileA(find.get(), &fd));
}

}  // namespace

void CollectFiles(const std::string& folder, const CollectOptions& o, std::vector<std::string>& list) {
    if (o.clearFirst) list.clear();
    std::set<FolderId> entered;
    Walk(folder, o, list, entered);
}

}  // namespace qaz
