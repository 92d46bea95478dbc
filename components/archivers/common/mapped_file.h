// A whole file mapped read-only into memory, for the formats whose codecs
// take an archive as one byte range (LHA, ARJ, and the self-extracting
// programs that carry them).
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace qaz::archivers {

class MappedFile {
public:
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // False when the file cannot be opened or mapped; an empty file maps to
    // no bytes and is ok.
    bool ok() const { return ok_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE mapping_ = nullptr;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    bool ok_ = false;
};

}  // namespace qaz::archivers
