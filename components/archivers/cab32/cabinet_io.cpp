#include "components/archivers/cab32/cabinet_io.h"

#include <windows.h>
#include <fcntl.h>
#include <fci.h>

#include <cstring>
#include <memory>
#include <vector>

#include "components/archivers/common/command_progress.h"
#include "components/archivers/common/win_io.h"

namespace qaz::archivers {
namespace {

// The handles FCI passes back to us. A file opened only for reading is read
// in large blocks, since the engine asks for a little at a time.
struct IoHandle {
    HANDLE file = INVALID_HANDLE_VALUE;
    int64_t base = 0;
    bool readOnly = false;
    std::vector<uint8_t> block;  // [at, filled) not yet handed out
    size_t at = 0, filled = 0;
    int64_t blockStart = 0;      // the offset (from base) of block[0]
};

constexpr DWORD kReadBlock = 256u << 10;

void* FNALLOC_Impl(ULONG cb) { return HeapAlloc(GetProcessHeap(), 0, cb); }
void FNFREE_Impl(void* p) { HeapFree(GetProcessHeap(), 0, p); }

INT_PTR OpenFile(const char* name, int oflag, int) {
    DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
    if (oflag & (_O_WRONLY | _O_RDWR)) access = GENERIC_READ | GENERIC_WRITE;
    if (oflag & _O_CREAT) disposition = (oflag & _O_EXCL) ? CREATE_NEW : (oflag & _O_TRUNC) ? CREATE_ALWAYS : OPEN_ALWAYS;
    else if (oflag & _O_TRUNC) disposition = TRUNCATE_EXISTING;
    HANDLE h = CreateFileA(name, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    auto* io = new IoHandle;
    io->file = h;
    io->readOnly = !(oflag & (_O_WRONLY | _O_RDWR));
    return reinterpret_cast<INT_PTR>(io);
}

UINT ReadFile_(INT_PTR hf, void* buf, UINT cb) {
    auto* io = reinterpret_cast<IoHandle*>(hf);
    DWORD got = 0;
    if (!io->readOnly) return ReadFile(io->file, buf, cb, &got, nullptr) ? got : UINT(-1);
    auto* out = static_cast<uint8_t*>(buf);
    UINT total = 0;
    while (cb > 0) {
        if (io->at == io->filled) {
            io->blockStart += static_cast<int64_t>(io->filled);
            io->at = io->filled = 0;
            if (cb >= kReadBlock) {  // a large read goes straight through
                if (!ReadFile(io->file, out, cb, &got, nullptr)) return total ? total : UINT(-1);
                io->blockStart += got;
                return total + got;
            }
            if (io->block.empty()) io->block.resize(kReadBlock);
            if (!ReadFile(io->file, io->block.data(), kReadBlock, &got, nullptr)) return total ? total : UINT(-1);
            if (got == 0) break;
            io->filled = got;
        }
        const size_t n = cb < io->filled - io->at ? cb : io->filled - io->at;
        std::memcpy(out, io->block.data() + io->at, n);
        io->at += n;
        out += n;
        cb -= static_cast<UINT>(n);
        total += static_cast<UINT>(n);
    }
    return total;
}

UINT WriteFile_(INT_PTR hf, void* buf, UINT cb) {
    auto* io = reinterpret_cast<IoHandle*>(hf);
    DWORD done = 0;
    if (!WriteFile(io->file, buf, cb, &done, nullptr)) return UINT(-1);
    return done;
}

int CloseFile(INT_PTR hf) {
    auto* io = reinterpret_cast<IoHandle*>(hf);
    if (io->file != INVALID_HANDLE_VALUE) CloseHandle(io->file);
    delete io;
    return 0;
}

LONG SeekFile(INT_PTR hf, LONG dist, int type) {
    auto* io = reinterpret_cast<IoHandle*>(hf);
    if (io->readOnly && type != SEEK_END) {
        // Within the block read last: no need to go to the file.
        const int64_t to = type == SEEK_SET ? dist : io->blockStart + static_cast<int64_t>(io->at) + dist;
        if (to >= io->blockStart && to <= io->blockStart + static_cast<int64_t>(io->filled)) {
            io->at = static_cast<size_t>(to - io->blockStart);
            return static_cast<LONG>(to);
        }
    }
    LARGE_INTEGER move, now;
    move.QuadPart = dist;
    DWORD how = FILE_CURRENT;
    if (type == SEEK_SET) {
        move.QuadPart += io->base;
        how = FILE_BEGIN;
    } else if (type == SEEK_END) {
        how = FILE_END;
    } else {
        move.QuadPart -= static_cast<int64_t>(io->filled - io->at);  // the file stands after the block
    }
    if (!SetFilePointerEx(io->file, move, &now, how)) return -1;
    io->blockStart = now.QuadPart - io->base;
    io->at = io->filled = 0;
    return static_cast<LONG>(now.QuadPart - io->base);
}

// FCI's callbacks.
FNFCIALLOC(FciAlloc) { return FNALLOC_Impl(cb); }
FNFCIFREE(FciFree) { FNFREE_Impl(memory); }
FNFCIOPEN(FciOpen) {
    const INT_PTR h = OpenFile(pszFile, oflag, pmode);
    if (h == -1 && err) *err = 1;
    return h;
}
FNFCIREAD(FciRead) { return ReadFile_(hf, memory, cb); }
FNFCIWRITE(FciWrite) { return WriteFile_(hf, memory, cb); }
FNFCICLOSE(FciClose) { return CloseFile(hf); }
FNFCISEEK(FciSeek) { return SeekFile(hf, dist, seektype); }
FNFCIDELETE(FciDelete) { return DeleteFileA(pszFile) ? 0 : -1; }
FNFCIGETTEMPFILE(FciTempFile) {
    char folder[MAX_PATH], name[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "qc", 0, name)) return FALSE;
    DeleteFileA(name);
    if (lstrlenA(name) >= cbTempName) return FALSE;
    lstrcpyA(pszTempName, name);
    return TRUE;
}
FNFCIFILEPLACED(FciPlaced) { return 0; }
FNFCIGETNEXTCABINET(FciNext) { return FALSE; }
// A block of a file was packed: cb2 of its bytes.
FNFCISTATUS(FciStatus) { return typeStatus == statusFile && !ProgressAdvance(cb2) ? -1 : 0; }

FNFCIGETOPENINFO(FciOpenInfo) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(pszName, GetFileExInfoStandard, &data)) return -1;
    FILETIME local;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, pdate, ptime);
    *pattribs = static_cast<USHORT>(data.dwFileAttributes &
                                    (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    return OpenFile(pszName, _O_RDONLY | _O_BINARY, 0);
}

struct FciSession {
    HFCI fci = nullptr;
    ERF erf = {};
    CCAB ccab = {};
    explicit FciSession(const std::string& folder, const std::string& name) {
        ccab.cb = 0x7FFFFFFF;
        ccab.cbFolderThresh = 0x7FFFFFFF;
        lstrcpynA(ccab.szCabPath, folder.c_str(), sizeof ccab.szCabPath);
        lstrcpynA(ccab.szCab, name.c_str(), sizeof ccab.szCab);
        fci = FCICreate(&erf, FciPlaced, FciAlloc, FciFree, FciOpen, FciRead, FciWrite, FciClose, FciSeek, FciDelete,
                        FciTempFile, &ccab, nullptr);
    }
    ~FciSession() {
        if (fci) FCIDestroy(fci);
    }
};

int Write(const std::string& temp, const std::vector<PackItem>& items, TCOMP type, std::string& report, bool& refused) {
    refused = false;
    const std::string folder = FolderOf(temp);
    FciSession s(folder, temp.substr(folder.size()));
    if (!s.fci) return kErrorCannotWrite;
    for (const PackItem& item : items) {
        if (item.isFolder) continue;
        std::string source = item.source, stored = item.path;
        ProgressEntry(item.path);
        if (ProgressCancelled()) return kErrorCannotWrite;
        if (!FCIAddFile(s.fci, &source[0], &stored[0], FALSE, FciNext, FciStatus, FciOpenInfo, type)) {
            if (s.erf.erfOper == FCIERR_BAD_COMPR_TYPE) {
                refused = true;
                return kErrorMethod;
            }
            report += ReportLine(item.path, "cannot be packed");
            return kErrorCannotRead;
        }
        report += ReportLine(item.path, "packed");
    }
    if (!FCIFlushCabinet(s.fci, FALSE, FciNext, FciStatus)) return kErrorCannotWrite;
    return kOk;
}

// The compression type of the cabinet's first folder (-1 when unreadable).
int FirstFolderType(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    uint8_t head[44] = {};
    DWORD got = 0;
    const BOOL read = ReadFile(h, head, sizeof head, &got, nullptr);
    CloseHandle(h);
    // 36 header bytes (no reserved area: flags bit 2 clear), then the folder record.
    if (!read || got != sizeof head || (head[30] & 4)) return -1;
    return (head[42] | head[43] << 8) & 0x000F;
}

}  // namespace

int WriteCabinet(const std::string& path, const std::vector<PackItem>& items, CabCompression compression,
                 std::string& report) {
    // FCI writes under a temporary name; the cabinet takes its name when complete.
    const std::string folder = FolderOf(path);
    char temp[MAX_PATH];
    if (!GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "qc", 0, temp)) return kErrorCannotWrite;
    DeleteFileA(temp);
    std::string lines;
    bool refused = false;
    TCOMP type = compression.lzx ? TCOMP(TCOMPfromLZXWindow(compression.window)) : TCOMP(tcompTYPE_MSZIP);
    int result = Write(temp, items, type, lines, refused);
    // An engine without LZX may also take the type and store the data unpacked.
    if (result == kOk && compression.lzx && FirstFolderType(temp) != tcompTYPE_LZX) refused = true;
    if (refused) {
        DeleteFileA(temp);
        lines.clear();
        report += ReportLine(path, "LZX is not offered by this system's cabinet engine; MSZIP used");
        result = Write(temp, items, tcompTYPE_MSZIP, lines, refused);
    }
    report += lines;
    if (result != kOk || !MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp);
        return result == kOk ? kErrorCannotWrite : result;
    }
    return kOk;
}

}  // namespace qaz::archivers
