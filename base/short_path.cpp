#include "base/short_path.h"

#include <windows.h>

#include "base/find_handle.h"
#include "base/path_parts.h"

namespace qaz {

namespace {

constexpr DWORD kSpecial = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool Admitted(DWORD attributes, unsigned mask) { return (attributes & kSpecial & ~mask) == 0; }

// "\\host\share" and what lies below it: the part that names the share.
bool IsNetworkPath(const std::string& path) { return path.size() >= 2 && path[0] == '\\' && path[1] == '\\'; }

std::string ShareRoot(const std::string& path) {
    size_t slashes = 0;
    for (size_t i = 2; i < path.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (path[i] == '\\' && ++slashes == 2) return path.substr(0, i);
    }
    return path;
}

}  // namespace

std::string ShortNameOf(const std::string& path, unsigned mask) {
    const std::string name = LastComponent(path);
    WIN32_FIND_DATAA fd;
    FindHandle find(FindFirstFileA(path.c_str(), &fd));
    if (!find) return std::string();
    while (!Admitted(fd.dwFileAttributes, mask)) {
        if (!FindNextFileA(find.get(), &fd)) return std::string();
    }
    fd.cAlternateFileName[sizeof fd.cAlternateFileName - 1] = '\0';
    const std::string alt = fd.cAlternateFileName;
    const bool differs = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, alt.c_str(), -1, name.c_str(), -1) !=
                         CSTR_EQUAL;
    if (differs && alt.find('~') == std::string::npos) return name;
    return alt.empty() ? name : alt;
}

std::string ShortDirOf(const std::string& folder) {
    if (folder.size() == 3 && folder[1] == ':') return folder;
    // A network path has no drive root to end at: its share stays as it is.
    if (IsNetworkPath(folder)) {
        const std::string share = ShareRoot(folder);
        if (folder.size() <= share.size() + 1) return folder;
    }
    const std::string parent = ParentOf(folder);
    // Nothing left to shorten (a relative name, a bare root): stop here.
    if (parent.empty() || parent.size() >= folder.size()) return folder;
    return AddBackslash(ShortDirOf(parent)) + ShortNameOf(folder, kFindFolders);
}

std::string ShortPathOf(const std::string& path) {
    const std::string dir = ShortDirOf(ParentOf(path));
    if (LastComponent(path).empty()) return dir;
    return AddBackslash(dir) + ShortNameOf(path, kFindAll);
}

}  // namespace qaz
