// ISH, the binary-to-text encoding of the Japanese bulletin boards: files
// become lines of printable characters (7-bit JIS, 8-bit JIS, Shift-JIS, or
// Shift-JIS without half-width kana), each line with its own CRC, and every
// block of lines closed by a vertical and a diagonal checksum line, from
// which up to two lost lines of the block are rebuilt.
//
// A file's text: an optional title line ("<<< NAME for ... >>>"), the
// header line (three times), then the blocks. Every line carries a
// sequence byte (0 for the header), its payload and a CRC-16 (CCITT,
// start 0xFFFF, stored inverted, most significant byte first). The data
// is the file followed by its own inverted CRC-16.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qaz::codecs {

enum class IshKind { Jis7, Jis8, ShiftJis, NonKana };

// The operating system byte of the header, as the packing options name it.
enum IshSystem : uint8_t {
    kIshMsDos = 0x00,
    kIshCpm = 0x10,
    kIshOs9 = 0x20,
    kIshUnix = 0x30,
    kIshOther = 0xFE,
    kIshAllSystems = 0xFF,
};

enum class IshStatus {
    Ok,
    Repaired,     // lost lines were rebuilt from the checksum lines; the data's CRC agrees
    Damaged,      // more lines lost in a block than the checksums can rebuild
    CrcMismatch,  // all lines read, but the file's CRC-16 disagrees
    Truncated,    // the text ends before the file does
    MultiVolume,  // one part of a file split over several texts: not read
    BadHeader,    // a header with a kind or line length we do not know
};

const char* IshStatusText(IshStatus status);

// One file found in a text.
struct IshFile {
    std::string name;  // "NAME.EXT" from the header's 8.3 field, trailing blanks removed
    IshKind kind = IshKind::Jis7;
    uint8_t system = 0;
    uint32_t size = 0;     // as the header says
    uint32_t dosTime = 0;  // date << 16 | time, 0 when the header has none
    IshStatus status = IshStatus::Ok;
    int repairedLines = 0;
    std::vector<uint8_t> data;  // the whole file when status is Ok or Repaired
};

// Finds every ISH file in a text (other lines, such as mail headers or
// a bulletin board's log, are passed over) and decodes it. maxSize bounds
// the size of one file; a larger one is reported Damaged with no data.
std::vector<IshFile> DecodeIsh(const uint8_t* text, size_t size, uint32_t maxSize = 0xFFFFFFFFu);

// Whether the text holds at least one ISH header line.
bool LooksLikeIsh(const uint8_t* text, size_t size);

struct IshEncodeOptions {
    IshKind kind = IshKind::ShiftJis;
    uint8_t system = kIshMsDos;
    std::string name;      // the file's name; the header keeps an 8.3 form of it
    uint32_t dosTime = 0;  // date << 16 | time; 0 for none
};

// The ISH text of one file, lines ended by CR LF.
std::string EncodeIsh(const uint8_t* data, size_t size, const IshEncodeOptions& options);

// The header's 8.3 form of a name (upper-cased ASCII, the base cut to 8
// bytes and the extension to 3, double-byte characters kept whole), as
// "NAME.EXT".
std::string IshShortName(const std::string& name);

}  // namespace qaz::codecs
