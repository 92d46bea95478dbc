#include "base/path_parts.h"

#include <windows.h>

#include <cstring>

namespace qaz {

size_t LastDelimiter(const std::string& path, const char* delimiters) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < path.size()) {
            ++i;  // the trail byte belongs to this character
            continue;
        }
        if (c != '\0' && std::strchr(delimiters, c)) found = i;
    }
    return found;
}

bool EndsWithBackslash(const std::string& path) {
    return !path.empty() && LastDelimiter(path, "\\") == path.size() - 1;
}

std::string AddBackslash(const std::string& path) {
    return EndsWithBackslash(path) ? path : path + "\\";
}

std::string FolderPrefix(const std::string& folder) { return folder.empty() ? folder : AddBackslash(folder); }

std::string LastComponent(const std::string& path) {
    const size_t i = LastDelimiter(path, "\\:");
    return i == std::string::npos ? path : path.substr(i + 1);
}

std::string ParentOf(const std::string& path) {
    const size_t i = LastDelimiter(path, "\\:");
    if (i == std::string::npos) return std::string();
    // The separating backslash goes, unless a delimiter stands right before
    // it: the root of "C:\dir" or the double backslash of "\\host".
    if (path[i] == '\\' && i > 0 && LastDelimiter(path.substr(0, i), "\\:") != i - 1) return path.substr(0, i);
    return path.substr(0, i + 1);
}

std::string ExtensionOf(const std::string& path) {
    const size_t i = LastDelimiter(path, ".\\:");
    if (i == std::string::npos || path[i] != '.') return std::string();
    return path.substr(i);
}

}  // namespace qaz
