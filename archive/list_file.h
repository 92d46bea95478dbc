// The list files "unpack.qaz" and "pack.qaz": one double-quoted name a line,
// handed to an archiver as "@" and the path.
#pragma once
#include <windows.h>

#include <string>

namespace qaz {

class ListFile {
public:
    ListFile() = default;
    ~ListFile() { Close(); }
    ListFile(const ListFile&) = delete;
    ListFile& operator=(const ListFile&) = delete;

    // Creates the file empty (or truncates it).
    bool Create(const std::string& path);
    // Appends a line; a short or failed write spoils the list.
    void Write(const std::string& line);
    // Closes the file; false when it was not created or a write failed, so
    // that the archiver would see fewer names than were chosen.
    bool Close();
    // Says that the list could not be written: the action ends there.
    void ReportFailure() const;

    const std::string& path() const { return path_; }
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    std::string path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool ok_ = false;
};

}  // namespace qaz
