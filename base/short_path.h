// Short (8.3) forms of paths, for archiver command lines.
#pragma once
#include <string>

namespace qaz {

// Attribute masks of the search: which special entries may be found.
constexpr unsigned kFindFolders = 22;  // folder, hidden, system
constexpr unsigned kFindAll = 63;

// The short form of the path's last component: its alias when the system
// gave it one with a '~', else the name itself; empty when nothing is found.
std::string ShortNameOf(const std::string& path, unsigned attributeMask);
// The short form of a whole folder path.
std::string ShortDirOf(const std::string& folder);
// The short form of a file or folder path; for a missing entry, the short
// form of its folder followed by a backslash.
std::string ShortPathOf(const std::string& path);

}  // namespace qaz
