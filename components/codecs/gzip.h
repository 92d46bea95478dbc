// gzip streams (RFC 1952): one or more members, each a deflate stream with
// its CRC-32 and length checked. Deflate itself is zlib's.
#pragma once
#include <memory>
#include <string>

#include "components/codecs/stream.h"

namespace qaz::codecs {

bool LooksLikeGzip(const uint8_t* head, size_t size);

// The header fields of a member that we use.
struct GzipHeader {
    std::string name;      // the original file name (FNAME), raw bytes
    uint32_t mtime = 0;    // seconds since 1970, 0 when not stored
    size_t length = 0;     // bytes the header takes
};

// Parses a member header from its first bytes: Ok, Truncated (more bytes
// needed) or Corrupt/Unsupported.
ArcError ParseGzipHeader(const uint8_t* data, size_t size, GzipHeader& header);

// Decodes a gzip stream as it is read. Trailing zero bytes after the last
// member are passed over; other trailing bytes end the data.
class GzipSource : public ByteSource {
public:
    explicit GzipSource(ByteSource& in);
    ~GzipSource() override;
    size_t Read(uint8_t* out, size_t size) override;
    ArcError error() const override { return error_; }
    // Compressed bytes taken from the input so far.
    uint64_t packedBytes() const { return packed_; }

private:
    struct State;
    bool Refill();
    ByteSource& in_;
    std::unique_ptr<State> state_;
    ArcError error_ = ArcError::None;
    uint64_t packed_ = 0;
    bool done_ = false;
    bool inMember_ = false;
    bool anyMember_ = false;
};

// Writes one gzip member at a compression level 1 to 9.
class GzipWriter : public ByteSink {
public:
    GzipWriter(ByteSink& out, int level);
    ~GzipWriter() override;
    bool Write(const uint8_t* data, size_t size) override;
    // Flushes the end of the member; false when the sink failed.
    bool Finish();

private:
    struct State;
    bool Pump(int flush);
    ByteSink& out_;
    std::unique_ptr<State> state_;
    bool ok_ = true;
};

}  // namespace qaz::codecs
