// The remote folder chooser's rules for its rows: how names are shown,
// the size and type texts, and how the shown folder follows a change.
#pragma once
#include <cstdint>
#include <string>

namespace qaz::ftp {

constexpr const char* kFolderType = "File Folder";

// The text shown for a listing name in the folder `remotePath`.
std::string DisplayName(const std::string& name, const std::string& remotePath);

// "" for sizes up to 0, the bytes below 1024, else whole kilobytes and "KB".
std::string SizeText(int64_t size);

// The type text of a file row when the shell gives `shellTypeName` for its
// extension `extension` (with its dot, or empty).
std::string TypeText(const std::string& shellTypeName, const std::string& extension);

// The extension of a listing name with its dot, or "".
std::string NameExtension(const std::string& name);

// The text without leading and trailing blanks.
std::string TrimBlanks(const std::string& text);

// The caption of a row: the display name of the trimmed listing name (a
// name that is only blanks is shown as received).
std::string RowCaption(const std::string& received, const std::string& remotePath);

// The name sent to the server for a row: the listing name as the server
// gave it (a server with case-sensitive names needs it so), except for the
// "." that is shown as "..", which stands for the folder above.
std::string ServerName(const std::string& received, const std::string& caption);

// The folder shown after changing into `name` from `remotePath` (which
// begins and ends with "/"): "." keeps it, ".." goes one up (never above
// "/"), any other name is appended with "/".
std::string NextRemotePath(const std::string& remotePath, const std::string& name);

}  // namespace qaz::ftp
