// Files as the codecs' streams, and the text and time conversions our
// archiver libraries share.
#pragma once
#include <windows.h>

#include <string>

#include "components/codecs/stream.h"

namespace qaz::archivers {

// An archive file read in order or at any offset.
class FileSource : public codecs::ByteSource, public codecs::RandomSource {
public:
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    bool isOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    size_t Read(uint8_t* out, size_t size) override;
    codecs::ArcError error() const override { return error_; }
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, uint8_t* out, size_t size) override;

private:
    HANDLE file_;
    uint64_t size_ = 0;
    codecs::ArcError error_ = codecs::ArcError::None;
};

// Whether a byte starts a double-byte character in the ANSI code page.
bool IsLeadByte(uint8_t byte);
// Where the last part of a path starts: after its last "\", "/" or ":",
// stepping over double-byte characters (a trail byte may be 0x5C).
size_t NameStart(const std::string& path);
// Whether the last character of a path is "\" or "/" (a trail byte 0x5C of
// a double-byte character is not).
bool EndsInSeparator(const std::string& path);
// The folder part of a path with its final separator ("" when there is none).
inline std::string FolderOf(const std::string& path) { return path.substr(0, NameStart(path)); }

// Reads the first bytes of a file (fewer when it is shorter); false when it
// cannot be opened.
bool ReadHead(const std::string& path, uint8_t* out, size_t size, size_t& got);

// Text from UTF-8 into the ANSI code page; the text as it is when it is not
// valid UTF-8 or is plain ASCII.
std::string AnsiFromUtf8(const std::string& text);
// Text from the ANSI code page into UTF-8.
std::string Utf8FromAnsi(const std::string& text);
// Whether the bytes are valid UTF-8 with at least one character beyond ASCII.
bool IsUtf8BeyondAscii(const std::string& text);

// Times: seconds since 1970 and MS-DOS local date and time.
FILETIME FileTimeOfUnix(int64_t seconds);
int64_t UnixOfFileTime(const FILETIME& time);
void LocalDosTimeOfUnix(int64_t seconds, uint16_t& date, uint16_t& time);
FILETIME FileTimeOfLocalDos(uint16_t date, uint16_t time);

}  // namespace qaz::archivers
