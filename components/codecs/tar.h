// tar archives: POSIX ustar, GNU long names (L/K) and pax extended headers
// (path, linkpath, size, mtime) read, and sparse files (GNU's old "S"
// entries and the pax formats 0.0, 0.1 and 1.0) expanded, holes as zeros;
// GNU long names written.
#pragma once
#include <string>
#include <vector>

#include "components/codecs/stream.h"

namespace qaz::codecs {

enum class TarKind { File, Folder, HardLink, SymLink, Other };

struct TarEntry {
    std::string name;        // raw bytes as stored ("/" separators)
    std::string linkTarget;  // for links
    TarKind kind = TarKind::File;
    char typeFlag = '0';
    uint64_t size = 0;       // bytes ReadData gives (a sparse file's real size)
    int64_t mtime = 0;       // seconds since 1970
    uint32_t mode = 0644;
    bool utf8Name = false;   // the name came from a pax header (always UTF-8)
    bool sparse = false;     // holes are given as zeros
};

// A sparse file's map: the parts that hold data, in order.
struct SparsePart {
    uint64_t offset = 0, size = 0;
};

// True when the block is a tar header whose checksum holds.
bool LooksLikeTar(const uint8_t* block, size_t size);

class TarReader {
public:
    explicit TarReader(ByteSource& in) : in_(in) {}
    // Moves to the next entry (passing over the rest of the current one's
    // data); false at the end of the archive or on an error.
    bool Next(TarEntry& entry);
    // Reads data of the current entry; 0 at its end or on an error.
    size_t ReadData(uint8_t* out, size_t size);
    ArcError error() const { return error_; }

private:
    bool SkipRest();
    bool ReadBlock(uint8_t* block);
    bool ReadExtra(uint64_t size, std::string& text);
    bool ReadOldSparse(const uint8_t* header, TarEntry& e);
    bool ReadSparseMap10();
    bool StartSparse(TarEntry& e, uint64_t realSize);
    bool Fail(ArcError error);
    size_t ReadStored(uint8_t* out, size_t size);
    ByteSource& in_;
    ArcError error_ = ArcError::None;
    uint64_t dataLeft_ = 0;
    uint64_t padding_ = 0;
    bool ended_ = false;
    // The sparse file being read: its map, where we are in it.
    std::vector<SparsePart> map_;
    bool sparse_ = false;
    uint64_t at_ = 0, realSize_ = 0;
    size_t part_ = 0;
};

class TarWriter {
public:
    explicit TarWriter(ByteSink& out) : out_(out) {}
    // Names are written as given ("/" separators; a folder's name ends in "/").
    bool AddFolder(const std::string& name, int64_t mtime);
    // Writes the header; the caller then writes exactly size bytes with
    // WriteData and ends the entry with EndFile.
    bool BeginFile(const std::string& name, uint64_t size, int64_t mtime, uint32_t mode = 0644);
    bool WriteData(const uint8_t* data, size_t size);
    bool EndFile();
    // Two zero blocks, then zeros up to a whole record of 10240 bytes.
    bool Finish();

private:
    bool Header(const std::string& name, char type, uint64_t size, int64_t mtime, uint32_t mode);
    bool Put(const uint8_t* data, size_t size);
    ByteSink& out_;
    uint64_t written_ = 0;
    uint64_t fileLeft_ = 0;
    uint64_t filePad_ = 0;
    bool ok_ = true;
};

}  // namespace qaz::codecs
