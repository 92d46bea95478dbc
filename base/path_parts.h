// Path text helpers. Every scan steps over double-byte characters of the
// active code page, so a trail byte equal to '\' is never a separator.
#pragma once
#include <string>

namespace qaz {

// Index of the last character of the path that is one of the delimiters,
// or std::string::npos.
size_t LastDelimiter(const std::string& path, const char* delimiters);
// True when the path's last character is a single-byte '\'.
bool EndsWithBackslash(const std::string& path);
// The path unchanged when it ends with '\', otherwise with one appended.
std::string AddBackslash(const std::string& path);
// A folder text as a prefix for names: with '\' appended unless it is empty
// or already ends in one (a folder typed or chosen without its separator).
std::string FolderPrefix(const std::string& folder);
// The text after the last '\' or ':'.
std::string LastComponent(const std::string& path);
// The path without its last component and the separating backslash; a drive
// root keeps its backslash ("C:\dir" gives "C:\").
std::string ParentOf(const std::string& path);
// The extension with its dot (after the last '.' behind the last separator),
// or empty.
std::string ExtensionOf(const std::string& path);

}  // namespace qaz
