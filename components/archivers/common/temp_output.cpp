#include "components/archivers/common/temp_output.h"

#include "components/archivers/common/command_progress.h"

namespace qaz::archivers {

TempOutput::TempOutput(const std::string& finalPath) : final_(finalPath) {
    const std::string folder = FolderOf(finalPath);
    char temp[MAX_PATH];
    if (!GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "qz", 0, temp)) return;
    temp_ = temp;
    file_ = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) DeleteFileA(temp);
}

TempOutput::~TempOutput() {
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        DeleteFileA(temp_.c_str());
    }
}

bool TempOutput::Write(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    if (ProgressCancelled()) failed_ = true;  // the file is dropped, never committed
    while (ok() && size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD done = 0;
        if (!WriteFile(file_, p, chunk, &done, nullptr) || done != chunk) failed_ = true;
        p += chunk;
        size -= chunk;
    }
    return ok();
}

bool TempOutput::Commit() {
    if (!ok()) return false;
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!MoveFileExA(temp_.c_str(), final_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp_.c_str());
        return false;
    }
    return true;
}

}  // namespace qaz::archivers
