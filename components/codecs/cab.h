// Cabinets: the header, folder, file and data-block records (with their
// reserved areas), sets split over several files, and the data of stored,
// MSZIP and LZX folders with each block's checksum checked.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "components/codecs/stream.h"

namespace qaz::codecs {

enum class CabStatus {
    Ok,
    Corrupt,      // a record or block breaks the format, or a checksum is wrong
    Truncated,    // the data ends before the file does
    Stopped,      // the target refused a write
    Unsupported,  // a method we do not read (Quantum)
    MissingPart,  // the data lies in a part of the set that is not there
};
const char* CabStatusText(CabStatus status);

// One cabinet's header.
struct CabHeader {
    uint64_t base = 0;  // where it starts in its file
    uint32_t size = 0;
    uint32_t filesOffset = 0;
    uint16_t folders = 0, files = 0, flags = 0, setId = 0, index = 0;
    uint8_t folderReserve = 0, dataReserve = 0;
    std::string prevName, nextName;  // the neighbouring parts' file names
    uint64_t foldersAt = 0;          // where the folder records start (from base)
};

// Reads and checks the header at base: the signature, version 1.3, and sizes
// that fit inside the file.
bool ReadCabHeader(RandomSource& in, uint64_t base, CabHeader& header);

// Where a cabinet starts: at 0, or else the first place within the first
// kCabSearchLimit bytes that holds a header whose sizes agree with the file
// (a cabinet behind a program or other data). UINT64_MAX when there is none.
constexpr uint64_t kCabSearchLimit = uint64_t{64} << 20;
uint64_t FindCabinet(RandomSource& in);

// Compression of a folder: the low four bits of its type.
enum CabMethod : uint16_t { kCabStored = 0, kCabMszip = 1, kCabQuantum = 2, kCabLzx = 3 };
// The method's name, with the LZX window or Quantum level ("LZX:21").
std::string CabMethodName(uint16_t type);

struct CabFile {
    std::string name;  // as stored: UTF-8 when utf8 is set, else the writer's code page
    bool utf8 = false;
    uint32_t size = 0;
    uint32_t offset = 0;  // in its folder's data
    size_t folder = 0;    // in CabSet::folders
    uint16_t date = 0, time = 0, attribs = 0;
};

struct CabFolder {
    uint16_t type = 0;
    struct Span {
        size_t part;        // in CabSet's parts
        uint64_t dataAt;    // first data block, from the start of the part's file
        uint16_t blocks;
    };
    std::vector<Span> spans;   // a folder continued over parts has one span per part
    std::string missingBefore, missingAfter;  // a part it needs that is not there
};

// Where a folder's files go, in order of their offsets.
class CabFileTarget {
public:
    virtual ~CabFileTarget() = default;
    // The file's bytes follow; false skips them (they are read and dropped).
    virtual bool Begin(size_t file) = 0;
    // false stops the folder (the rest end as Stopped).
    virtual bool Write(const uint8_t* data, size_t size) = 0;
    // Every file given to ExtractFolder ends here once: Ok only when all its
    // declared bytes were written.
    virtual void End(size_t file, CabStatus status) = 0;
};

// A cabinet with the parts of its set that lie beside it.
class CabSet {
public:
    // Opens another part by its file name; null when it is not there.
    using Opener = std::function<std::unique_ptr<RandomSource>(const std::string& name)>;

    // Reads the cabinet at base and follows the set to its earlier and later
    // parts. False when the first is not a cabinet; a missing or foreign
    // part is noted (missing(), and the folders that need it).
    bool Open(std::unique_ptr<RandomSource> first, uint64_t base, const Opener& open);

    const std::vector<CabFile>& files() const { return files_; }
    const std::vector<CabFolder>& folders() const { return folders_; }
    // The parts that could not be read: the name, and why ("is missing").
    const std::vector<std::pair<std::string, std::string>>& missing() const { return missing_; }
    size_t parts() const { return parts_.size(); }

    // Unpacks the given files (all of one folder) into target.
    void ExtractFolder(size_t folder, const std::vector<size_t>& files, CabFileTarget& target);

private:
    struct Part {
        std::unique_ptr<RandomSource> source;
        CabHeader header;
    };
    bool ReadPart(Part& part, uint64_t base);
    bool ReadRecords(size_t partIndex, bool first, std::vector<CabFile>& files, std::vector<CabFolder>& folders,
                     bool& continuesBefore, bool& continuesAfter);

    std::vector<Part> parts_;
    std::vector<CabFile> files_;
    std::vector<CabFolder> folders_;
    std::vector<std::pair<std::string, std::string>> missing_;
};

// The checksum of a data block's bytes as the format computes it.
uint32_t CabChecksum(const uint8_t* data, size_t size, uint32_t seed);

}  // namespace qaz::codecs
