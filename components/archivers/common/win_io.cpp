#include "components/archivers/common/win_io.h"

namespace qaz::archivers {

FileSource::FileSource(const std::string& path)
    : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
    LARGE_INTEGER size;
    if (file_ != INVALID_HANDLE_VALUE && GetFileSizeEx(file_, &size)) size_ = static_cast<uint64_t>(size.QuadPart);
}

FileSource::~FileSource() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

size_t FileSource::Read(uint8_t* out, size_t size) {
    if (file_ == INVALID_HANDLE_VALUE || error_ != codecs::ArcError::None) return 0;
    DWORD got = 0;
    const DWORD want = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    if (!ReadFile(file_, out, want, &got, nullptr)) {
        error_ = codecs::ArcError::Io;
        return 0;
    }
    return got;
}

bool FileSource::ReadAt(uint64_t offset, uint8_t* out, size_t size) {
    if (file_ == INVALID_HANDLE_VALUE || offset > size_ || size > size_ - offset) return false;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) return false;
    while (size > 0) {
        DWORD got = 0;
        const DWORD want = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        if (!ReadFile(file_, out, want, &got, nullptr) || got == 0) return false;
        out += got;
        size -= got;
    }
    return true;
}

bool IsLeadByte(uint8_t byte) { return IsDBCSLeadByte(byte) != 0; }

size_t NameStart(const std::string& path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(static_cast<uint8_t>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':') start = i + 1;
    }
    return start;
}

bool EndsInSeparator(const std::string& path) {
    bool separator = false;
    for (size_t i = 0; i < path.size(); ++i) {
        separator = false;
        if (IsLeadByte(static_cast<uint8_t>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        separator = path[i] == '\\' || path[i] == '/';
    }
    return separator;
}

bool ReadHead(const std::string& path, uint8_t* out, size_t size, size_t& got) {
    FileSource file(path);
    got = 0;
    if (!file.isOpen()) return false;
    while (got < size) {
        const size_t n = file.Read(out + got, size - got);
        if (n == 0) break;
        got += n;
    }
    return true;
}

bool IsUtf8BeyondAscii(const std::string& text) {
    bool beyond = false;
    for (size_t i = 0; i < text.size();) {
        const uint8_t c = static_cast<uint8_t>(text[i]);
        size_t n = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
        if (n == 9 || (n == 1 && c < 0xC2)) return false;
        if (n && i + n >= text.size()) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
        if (n) beyond = true;
        i += n + 1;
    }
    return beyond;
}

namespace {
std::string Convert(const std::string& text, UINT from, UINT to) {
    if (text.empty()) return text;
    const int wide = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0) return text;
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &w[0], wide);
    const int narrow = WideCharToMultiByte(to, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    if (narrow <= 0) return text;
    std::string out(static_cast<size_t>(narrow), '\0');
    WideCharToMultiByte(to, 0, w.data(), wide, &out[0], narrow, nullptr, nullptr);
    return out;
}
}  // namespace

std::string AnsiFromUtf8(const std::string& text) {
    return IsUtf8BeyondAscii(text) ? Convert(text, CP_UTF8, CP_ACP) : text;
}

std::string Utf8FromAnsi(const std::string& text) { return Convert(text, CP_ACP, CP_UTF8); }

FILETIME FileTimeOfUnix(int64_t seconds) {
    const uint64_t ticks = static_cast<uint64_t>(seconds > 0 ? seconds : 0) * 10000000ull + 116444736000000000ull;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

int64_t UnixOfFileTime(const FILETIME& time) {
    const uint64_t ticks = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    if (ticks < 116444736000000000ull) return 0;
    return static_cast<int64_t>((ticks - 116444736000000000ull) / 10000000ull);
}

void LocalDosTimeOfUnix(int64_t seconds, uint16_t& date, uint16_t& time) {
    const FILETIME utc = FileTimeOfUnix(seconds);
    FILETIME local;
    WORD d = 0, t = 0;
    if (FileTimeToLocalFileTime(&utc, &local) && FileTimeToDosDateTime(&local, &d, &t)) {
        date = d;
        time = t;
    } else {
        codecs::DosDateTimeOf(seconds, date, time);
    }
}

FILETIME FileTimeOfLocalDos(uint16_t date, uint16_t time) {
    FILETIME local = {}, utc = {};
    if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &utc)) return FileTimeOfUnix(0);
    return utc;
}

}  // namespace qaz::archivers
