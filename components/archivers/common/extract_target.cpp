#include "components/archivers/common/extract_target.h"

#include <atomic>
#include <cstring>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_progress.h"
#include "components/archivers/common/win_io.h"

namespace qaz::archivers {
namespace {

// The folder of a relative path, without its final "\\".
std::string ParentOf(const std::string& relative) {
    const size_t start = NameStart(relative);
    return start == 0 ? std::string() : relative.substr(0, start - 1);
}

// Writes all of the bytes, in pieces of at most 1 GB.
bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
    while (size > 0) {
        DWORD done = 0;
        const DWORD want = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        if (!WriteFile(file, data, want, &done, nullptr) || done == 0) return false;
        data += done;
        size -= done;
    }
    return true;
}

uint64_t FreeBytes(const std::string& folder) {
    ULARGE_INTEGER free;
    if (!GetDiskFreeSpaceExA(folder.c_str(), &free, nullptr, nullptr)) return UINT64_MAX;
    return free.QuadPart;
}

}  // namespace

ExtractTarget::ExtractTarget(const std::string& destination) : progress_(CurrentProgress()) {
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
    // The folder of the previous file again: it was made and checked, and
    // nothing this target writes turns a folder into a link.
    if (progress_ && progress_->Cancelled()) return false;
    if (relative.empty() || relative == madeFolder_) return true;
    madeFolder_.clear();
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
    madeFolder_ = relative;
    return true;
}

// The temporary file beside the final one, made new under a name no other
// file has (CREATE_NEW), without a separate look for a free name.
bool ExtractTarget::CreateTemp(const std::string& where) {
    static std::atomic<unsigned> serial{0};
    char name[40];
    for (int attempt = 0; attempt < 64; ++attempt) {
        wsprintfA(name, "~qz%lx_%x.tmp", GetCurrentProcessId(), serial++);
        temp_ = where + name;
        file_ = CreateFileA(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file_ != INVALID_HANDLE_VALUE) return true;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    temp_.clear();
    return false;
}

int ExtractTarget::BeginFile(const std::string& relative, uint64_t declaredSize) {
    AbortFile();
    if (progress_) {
        if (progress_->Cancelled()) return kErrorCannotWrite;
        progress_->Begin(relative);
    }
    const std::string parent = ParentOf(relative);
    if (!MakeFolder(parent)) return kErrorCannotWrite;
    final_ = folder_ + relative;
    const DWORD attr = GetFileAttributesA(final_.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return kErrorCannotWrite;
    const std::string where = folder_ + (parent.empty() ? std::string() : parent + "\\");
    // Folders below the destination are never links, so they share its disk.
    if (!roomKnown_ || declaredSize > room_) {
        const uint64_t free = FreeBytes(where);
        room_ = free > kDiskReserve ? free - kDiskReserve : 0;
        roomKnown_ = true;
    }
    if (declaredSize > room_) return kErrorDiskSpace;
    if (!CreateTemp(where)) return kErrorCannotWrite;
    fileBytes_ = 0;
    buffered_ = 0;
    return kOk;
}

bool ExtractTarget::Flush() {
    const size_t size = buffered_;
    buffered_ = 0;
    return WriteAll(file_, buffer_.data(), size);
}

bool ExtractTarget::Write(const uint8_t* data, size_t size) {
    if (file_ == INVALID_HANDLE_VALUE || size > room_ || (progress_ && !progress_->Advance(size))) return false;
    room_ -= size;
    fileBytes_ += size;
    if (buffer_.size() < kWriteBlock) buffer_.resize(kWriteBlock);
    while (size > 0) {
        if (buffered_ == 0 && size >= kWriteBlock) return WriteAll(file_, data, size);  // straight through
        const size_t n = size < kWriteBlock - buffered_ ? size : kWriteBlock - buffered_;
        std::memcpy(buffer_.data() + buffered_, data, n);
        buffered_ += n;
        data += n;
        size -= n;
        if (buffered_ == kWriteBlock && !Flush()) return false;
    }
    return true;
}

int ExtractTarget::CommitFile(const FILETIME* modified) {
    if (file_ == INVALID_HANDLE_VALUE) return kErrorCannotWrite;
    const bool flushed = Flush();
    if (flushed && modified) SetFileTime(file_, nullptr, nullptr, modified);
    const bool closed = CloseHandle(file_) != 0;
    file_ = INVALID_HANDLE_VALUE;
    if (!flushed || !closed || !MoveFileExA(temp_.c_str(), final_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp_.c_str());
        temp_.clear();
        room_ += fileBytes_;
        fileBytes_ = 0;
        return kErrorCannotWrite;
    }
    temp_.clear();
    fileBytes_ = 0;
    return kOk;
}

void ExtractTarget::AbortFile() {
    buffered_ = 0;
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    if (!temp_.empty()) {
        DeleteFileA(temp_.c_str());
        temp_.clear();
    }
    room_ += fileBytes_;  // the dropped file gives its room back
    fileBytes_ = 0;
}

int ExtractTarget::MakeLinkCopy(const std::string& relative, const std::string& target, bool& skipped) {
    skipped = false;
    if (progress_ && progress_->Cancelled()) return kErrorCannotWrite;
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
