#include "components/archivers/common/extract_target.h"

#include <atomic>
#include <cstring>
#include <map>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/command_progress.h"
#include "components/archivers/common/report_line.h"
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

// Gives an open file (opened with DELETE access) its final name, replacing
// a file there. Renaming through the handle spares the system a second
// opening and a second look for the name; where the call is missing (before
// Windows Vista) or fails, false, and the caller renames by name.
bool RenameOpenFile(HANDLE file, const std::string& final) {
    struct RenameInfo {  // FILE_RENAME_INFO
        BOOL replaceIfExists;
        HANDLE rootDirectory;
        DWORD fileNameLength;
        WCHAR fileName[1];
    };
    using SetInfoFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
    static const auto setInfo = reinterpret_cast<SetInfoFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
    constexpr int kFileRenameInfo = 3;
    if (!setInfo) return false;
    const int chars = MultiByteToWideChar(CP_ACP, 0, final.c_str(), -1, nullptr, 0);
    if (chars <= 0) return false;
    std::vector<uint8_t> buffer(sizeof(RenameInfo) + size_t(chars) * sizeof(WCHAR));
    auto* info = reinterpret_cast<RenameInfo*>(buffer.data());
    info->replaceIfExists = TRUE;
    info->rootDirectory = nullptr;
    info->fileNameLength = DWORD(chars - 1) * sizeof(WCHAR);
    MultiByteToWideChar(CP_ACP, 0, final.c_str(), -1, info->fileName, chars);
    return setInfo(file, kFileRenameInfo, info, DWORD(buffer.size())) != 0;
}

// Puts a closed file under its final name.
bool RenameClosedFile(const std::string& temp, const std::string& final) {
    HANDLE file = CreateFileA(temp.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        const bool renamed = RenameOpenFile(file, final);
        CloseHandle(file);
        if (renamed) return true;
    }
    return MoveFileExA(temp.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// Gives a file its final name through its handle, which is closed here, or
// by name where it has none or that fails. A file that is not complete, or
// whose closing failed, or that cannot be named, is removed under whichever
// name it has; false then.
bool PutInPlace(HANDLE file, bool complete, const std::string& temp, const std::string& final) {
    bool renamed = false;
    if (file != INVALID_HANDLE_VALUE) {
        renamed = complete && RenameOpenFile(file, final);
        complete = CloseHandle(file) != 0 && complete;
    }
    if (complete && (renamed || RenameClosedFile(temp, final))) return true;
    DeleteFileA((renamed ? final : temp).c_str());
    return false;
}

uint64_t FreeBytes(const std::string& folder) {
    ULARGE_INTEGER free;
    if (!GetDiskFreeSpaceExA(folder.c_str(), &free, nullptr, nullptr)) return UINT64_MAX;
    return free.QuadPart;
}

}  // namespace

ExtractTarget::ExtractTarget(const std::string& destination, uint64_t budget)
    : budget_(budget), progress_(CurrentProgress()) {
    if (destination.empty()) {
        char cwd[MAX_PATH];
        const DWORD n = GetCurrentDirectoryA(MAX_PATH, cwd);
        if (n == 0 || n >= MAX_PATH) return;
        folder_.assign(cwd, n);
    } else {
        folder_ = destination;
    }
    if (!EndsInSeparator(folder_)) folder_ += '\\';
    // Make the destination and the folders above it that are missing.
    bool afterStep = false;  // the previous character ended a step of the path
    for (size_t i = 0; i < folder_.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(folder_[i])) && i + 1 < folder_.size()) {
            ++i;
            afterStep = true;
            continue;
        }
        const bool separator = folder_[i] == '\\' || folder_[i] == '/';
        if (separator && afterStep && folder_[i - 1] != ':') CreateDirectoryA(folder_.substr(0, i).c_str(), nullptr);
        afterStep = !separator;
    }
    const DWORD attr = GetFileAttributesA(folder_.c_str());
    ready_ = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

ExtractTarget::~ExtractTarget() {
    AbortFile();
    DiscardHeld();
    for (const std::string& folder : staging_) RemoveDirectoryA(folder.c_str());
}

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

// The temporary file, made new under a name no other file has
// (CREATE_NEW), without a separate look for a free name. It is made in a
// staging folder of this target's own in the destination: looking up a name
// that is not there reads the whole folder under some systems, and a
// staging folder holds few files (a new one is begun after kStagedPerFolder
// held files). Where no staging folder can be made, beside the final name.
bool ExtractTarget::CreateTemp(const std::string& beside) {
    static std::atomic<unsigned> serial{0};
    char name[40];
    if (!stagingFailed_ && (staging_.empty() || staged_ >= kStagedPerFolder)) {
        bool made = false;
        for (int attempt = 0; attempt < 64 && !made; ++attempt) {
            wsprintfA(name, "~qz%lx_%x.tmp", GetCurrentProcessId(), serial++);
            made = CreateDirectoryA((folder_ + name).c_str(), nullptr) != 0;
            if (!made && GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) break;
        }
        if (made) {
            staging_.push_back(folder_ + name + "\\");
            staged_ = 0;
        } else {
            stagingFailed_ = staging_.empty();
        }
    }
    const std::string where = staging_.empty() || staged_ >= kStagedPerFolder ? beside : staging_.back();
    for (int attempt = 0; attempt < 64; ++attempt) {
        wsprintfA(name, "~qz%lx_%x.tmp", GetCurrentProcessId(), serial++);
        temp_ = where + name;
        file_ = CreateFileA(temp_.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file_ != INVALID_HANDLE_VALUE) return true;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        if (heldOpen_ == 0) break;
        CloseHeld();  // the system may be out of handles: try again without those
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
    // A folder under the final name is found by the rename, which fails;
    // a link there is replaced, never written through.
    const std::string where = folder_ + (parent.empty() ? std::string() : parent + "\\");
    // Folders below the destination are never links, so they share its disk.
    if (!roomKnown_ || declaredSize > room_) {
        const uint64_t free = FreeBytes(where);
        room_ = free > kDiskReserve ? free - kDiskReserve : 0;
        roomKnown_ = true;
    }
    if (declaredSize > room_ || declaredSize > budget_) return kErrorDiskSpace;
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
    if (file_ == INVALID_HANDLE_VALUE || size > room_ || size > budget_ || (progress_ && !progress_->Advance(size)))
        return false;
    room_ -= size;
    budget_ -= size;
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
    HANDLE file = file_;
    file_ = INVALID_HANDLE_VALUE;
    if (flushed && hold_) {
        // Held open while there are handles to spare: opening it again to
        // rename it costs as much as making it did.
        if (heldOpen_ < kHeldOpen) {
            ++heldOpen_;
        } else if (CloseHandle(file)) {
            file = INVALID_HANDLE_VALUE;
        } else {
            DeleteFileA(temp_.c_str());
            return GiveBack();
        }
        held_.push_back({temp_, final_, file});
        if (!staging_.empty() && temp_.compare(0, staging_.back().size(), staging_.back()) == 0) ++staged_;
        temp_.clear();
        fileBytes_ = 0;
        return kOk;
    }
    if (!PutInPlace(file, flushed, temp_, final_)) return GiveBack();
    temp_.clear();
    fileBytes_ = 0;
    return kOk;
}

// After the file being written was removed: its room is given back.
int ExtractTarget::GiveBack() {
    temp_.clear();
    room_ += fileBytes_;
    budget_ += fileBytes_;
    fileBytes_ = 0;
    return kErrorCannotWrite;
}

// Closes the handles of held files (they are opened again to be renamed).
void ExtractTarget::CloseHeld() {
    for (Held& h : held_) {
        if (h.file == INVALID_HANDLE_VALUE) continue;
        if (!CloseHandle(h.file)) h.failed = true;
        h.file = INVALID_HANDLE_VALUE;
    }
    heldOpen_ = 0;
}

void ExtractTarget::AbortFile() {
    buffered_ = 0;
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    if (!temp_.empty()) DeleteFileA(temp_.c_str());
    GiveBack();
}

int ExtractTarget::Publish() {
    int result = kOk;
    for (const Held& h : held_)
        if (!PutInPlace(h.file, !h.failed, h.temp, h.final)) result = kErrorCannotWrite;
    held_.clear();
    heldOpen_ = 0;
    hold_ = false;
    return result;
}

void ExtractTarget::DiscardHeld() {
    CloseHeld();
    for (const Held& h : held_) DeleteFileA(h.temp.c_str());
    held_.clear();
}

int ExtractTarget::AddLink(const std::string& name, const std::string& relative, const std::string& target,
                           bool fromTop) {
    std::string inside;
    const codecs::PathVerdict verdict = fromTop ? codecs::SafeRelativePath(target, inside, IsLeadByte)
                                                : codecs::SafeLinkTarget(relative, target, inside, IsLeadByte);
    if (verdict != codecs::PathVerdict::Ok) return kErrorRefused;
    links_.push_back({name, relative, inside});
    return kOk;
}

// A copy of a file inside the destination, written through a temporary
// name and counted against the room like any file.
int ExtractTarget::CopyInside(const std::string& relative, const std::string& inside) {
    const std::string from = folder_ + inside;
    const DWORD attr = GetFileAttributesA(from.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return kErrorNoArchive;  // not there: told apart by the caller
    HANDLE source = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (source == INVALID_HANDLE_VALUE) return kErrorCannotWrite;
    LARGE_INTEGER size;
    FILETIME modified = {};
    int result = GetFileSizeEx(source, &size) ? BeginFile(relative, static_cast<uint64_t>(size.QuadPart))
                                              : kErrorCannotWrite;
    GetFileTime(source, nullptr, nullptr, &modified);
    std::vector<uint8_t> chunk(result == kOk ? (1u << 16) : 0);
    DWORD got = 0;
    while (result == kOk) {
        if (!ReadFile(source, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) result = kErrorCannotWrite;
        else if (got == 0) break;
        else if (!Write(chunk.data(), got)) result = kErrorDiskSpace;
    }
    CloseHandle(source);
    if (result != kOk) {
        AbortFile();
        return result;
    }
    return CommitFile(&modified);
}

int ExtractTarget::MakeLinks(std::string& report) {
    // A link may name another link (libx.so -> libx.so.0 -> libx.so.0.0.0):
    // follow the chain to the file, as the system would, 40 steps at most.
    std::map<std::string, const Link*> byPath;
    for (const Link& link : links_) byPath[link.relative] = &link;
    int result = kOk;
    for (const Link& link : links_) {
        std::string source = link.inside;
        for (int step = 0; !source.empty(); ++step) {
            const auto next = byPath.find(source);
            if (next == byPath.end()) break;
            source = step < 40 && next->second != &link ? next->second->inside : std::string();
        }
        const int made = source.empty() ? kErrorNoArchive : CopyInside(link.relative, source);
        report += ReportLine(link.name, made == kOk               ? "extracted as a copy"
                                        : made == kErrorNoArchive ? "link not made (its target is not there)"
                                        : made == kErrorDiskSpace ? "does not fit on the disk"
                                                                  : "cannot be written");
        if (made == kErrorNoArchive) continue;
        if (made != kOk && (result == kOk || made == kErrorDiskSpace)) result = made;
        if (made == kErrorDiskSpace) break;  // nor will the links after it
    }
    links_.clear();
    return result;
}

}  // namespace qaz::archivers
