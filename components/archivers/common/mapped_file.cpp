#include "components/archivers/common/mapped_file.h"

namespace qaz::archivers {

MappedFile::MappedFile(const std::string& path) {
    file_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_, &size) || size.QuadPart < 0) return;
    // A 32-bit process cannot map more than its address space.
    if (static_cast<uint64_t>(size.QuadPart) > static_cast<uint64_t>(SIZE_MAX / 2)) return;
    size_ = static_cast<size_t>(size.QuadPart);
    if (size_ == 0) {
        ok_ = true;
        return;
    }
    mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping_) return;
    data_ = static_cast<const uint8_t*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
    ok_ = data_ != nullptr;
}

MappedFile::~MappedFile() {
    if (data_) UnmapViewOfFile(data_);
    if (mapping_) CloseHandle(mapping_);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

}  // namespace qaz::archivers
