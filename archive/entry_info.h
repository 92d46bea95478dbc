// The record an archiver library fills for one entry of an archive.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace qaz {

constexpr int kEntryInfoSize = 560;
constexpr int kEntryPathOffset = 26;
constexpr int kEntryMethodOffset = 550;

#pragma pack(push, 1)
struct ArchiveEntryInfo {
    uint32_t originalSize;                              // bytes before packing
    uint8_t notRead[16];                                // sizes, checksum, attributes: not used here
    uint16_t ratio;                                     // tenths of a percent
    uint16_t date;                                      // MS-DOS packed date
    uint16_t time;                                      // MS-DOS packed time
    char path[kEntryMethodOffset - kEntryPathOffset];   // "\" or "/"; a trailing one marks a folder
    char method[kEntryInfoSize - kEntryMethodOffset];   // method text, e.g. "-lh5-"
};
#pragma pack(pop)

static_assert(sizeof(ArchiveEntryInfo) == kEntryInfoSize, "entry record size");
static_assert(offsetof(ArchiveEntryInfo, originalSize) == 0, "size offset");
static_assert(offsetof(ArchiveEntryInfo, notRead) == 4, "unread block offset");
static_assert(offsetof(ArchiveEntryInfo, ratio) == 20, "ratio offset");
static_assert(offsetof(ArchiveEntryInfo, date) == 22, "date offset");
static_assert(offsetof(ArchiveEntryInfo, time) == 24, "time offset");
static_assert(offsetof(ArchiveEntryInfo, path) == kEntryPathOffset, "path offset");
static_assert(offsetof(ArchiveEntryInfo, method) == kEntryMethodOffset, "method offset");

// One entry as the program uses it.
struct ArchiveEntry {
    uint32_t originalSize = 0;
    uint16_t ratio = 0;
    uint16_t date = 0;
    uint16_t time = 0;
    std::string path;
    std::string method;
    bool isFolder() const;
};

// Reads an entry from a filled 560-byte buffer. The texts end at their
// zero or at the end of their field, whichever comes first, so a library
// that forgets the terminator cannot make us read past the record.
ArchiveEntry ReadEntryInfo(const ArchiveEntryInfo& info);

}  // namespace qaz
