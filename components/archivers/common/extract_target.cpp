#include "components/archivers/common/extract_target.h"

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/win_io.h"

namespace qaz::archivers {
namespace {

// The folder of a relative path, without its final "\\".
std::string ParentOf(const std::string& relative) {
    const size_t start = NameStart(relative);
    return start == 0 ? std::string() : relative.substr(0, start - 1);
}

uint64_t FreeBytes(const std::string& folder) {
    ULARGE_INTEGER free;
    if (!GetDiskFreeSpaceExA(folder.c_str(), &free, nullptr, nullptr)) return UINT64_MAX;
    return free.QuadPart;
}

}  // namespace

ExtractTarget::ExtractTarget(const std::string& destination) {
    if (destination.empty()) {
        char cwd[MAX_PATH];
        const DWORD n = GetCurrentDirectoryA(MAX_PATH, cwd);
        if (n == 0 || n >= MAX_PATH) return;
        folder_.assign(cwd, n);
    } else {
        folder_ = destination;
    }
    if (folder_.back() != '\\' && folder_.back() != '/') folder_ += '\\';
    // Make the destination and the folders above it that are missing.
    for (size_t i = 0; i < folder_.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(folder_[i])) && i + 1 < folder_.size()) {
            ++i;
            continue;
        }
        if ((folder_[i] == '\\' || folder_[i] == '/') && i > 0 && folder_[i - 1] != ':' && folder_[i - 1] != '\\') {
            CreateDirectoryA(folder_.substr(0, i).c_str(), nullptr);
        }
    }
    const DWORD attr = GetFileAttributesA(folder_.c_str());
    ready_ = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

ExtractTarget::~ExtractTarget() { AbortFile(); }

codecs::PathVerdict ExtractTarget::Check(const std::string& entryPath, std::string& relative) const {
    return codecs::SafeRelativePath(entryPath, relative, IsLeadByte);
}

bool ExtractTarget::MakeFolder(const std::string& relative) {
    if (relative.empty()) return true;
    for (size_t i = 0; i <= relative.size(); ++i) {
        if (i < relative.size() && IsDBCSLeadByte(static_cast<BYTE>(relative[i])) && i + 1 < relative.size()) {
            ++i;
            continue;
        }
        if (i < relative.size() && relative[i] != '\\') continue;
        const std::string at = folder_ + relative.substr(0, i);
        DWORD attr = GetFileAttributesA(at.c_str());
        if (attr == INVALID_FILE_ATTRIBUTES) {
            if (!CreateDirectoryA(at.c_str(), nullptr)) return false;
            attr = GetFileAttributesA(at.c_str());
        }
        // A step that is a file, or a link or junction someone placed there, is not ours to enter.
        if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY) ||
            (attr & FILE_ATTRIBUTE_REPARSE_POINT))
            return false;
    }
    return true;
}

int ExtractTarget::BeginFile(const std::string& relative, uint64_t declaredSize) {
    AbortFile();
    const std::string parent = ParentOf(relative);
    if (!MakeFolder(parent)) return kErrorCannotWrite;
    final_ = folder_ + relative;
    const DWORD attr = GetFileAttributesA(final_.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return kErrorCannotWrite;
    const std::string where = folder_ + (parent.empty() ? std::string() : parent + "\\");
    const uint64_t free = FreeBytes(where);
    room_ = free > kDiskReserve ? free - kDiskReserve : 0;
    if (declaredSize > room_) return kErrorDiskSpace;
    char temp[MAX_PATH];
    if (!GetTempFileNameA(where.c_str(), "qz", 0, temp)) return kErrorCannotWrite;
    temp_ = temp;
    file_ = CreateFileA(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
        DeleteFileA(temp_.c_str());
        temp_.clear();
        return kErrorCannotWrite;
    }
    return kOk;
}

bool ExtractTarget::Write(const uint8_t* data, size_t size) {
    if (file_ == INVALID_HANDLE_VALUE || size > room_) return false;
    while (size > 0) {
        DWORD done = 0;
        const DWORD want = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        if (!WriteFile(file_, data, want, &done, nullptr) || done == 0) return false;
        data += done;
        size -= done;
        room_ -= done;
    }
    return true;
}

int ExtractTarget::CommitFile(const FILETIME* modified) {
    if (file_ == INVALID_HANDLE_VALUE) return kErrorCannotWrite;
    if (modified) SetFileTime(file_, nullptr, nullptr, modified);
    const bool closed = CloseHandle(file_) != 0;
    file_ = INVALID_HANDLE_VALUE;
    if (!closed || !MoveFileExA(temp_.c_str(), final_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp_.c_str());
        temp_.clear();
        return kErrorCannotWrite;
    }
    temp_.clear();
    return kOk;
}

void ExtractTarget::AbortFile() {
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    if (!temp_.empty()) {
        DeleteFileA(temp_.c_str());
        temp_.clear();
    }
}

int ExtractTarget::MakeLinkCopy(const std::string& relative, const std::string& target, bool& skipped) {
    skipped = false;
    std::string inside;
    if (codecs::SafeLinkTarget(relative, target, inside, IsLeadByte) != codecs::PathVerdict::Ok) return kErrorRefused;
    const std::string from = folder_ + inside;
    const DWORD attr = GetFileAttributesA(from.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        skipped = true;
        return kOk;
    }
    if (!MakeFolder(ParentOf(relative))) return kErrorCannotWrite;
    return CopyFileA(from.c_str(), (folder_ + relative).c_str(), FALSE) ? kOk : kErrorCannotWrite;
}

}  // namespace qaz::archivers
