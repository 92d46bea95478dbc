// The published archiver library interface's entry record: what a library
// fills for one entry of an archive. Shared by the program, which reads it,
// and by our own libraries, which fill it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qaz {

constexpr int kEntryInfoSize = 560;
constexpr int kEntryPathOffset = 26;
constexpr int kEntryMethodOffset = 550;

#pragma pack(push, 1)
struct ArchiveEntryInfo {
    uint32_t originalSize;                              // bytes before packing
    uint8_t notRead[16];                                // sizes, checksum, attributes: not used by the program
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

}  // namespace qaz
