// Byte streams for the archive formats: a source read in order, a source
// read at any offset, and a sink. Errors are reported as an ArcError that
// the reader keeps; a failed stream stays failed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qaz::codecs {

enum class ArcError {
    None,
    Corrupt,      // the data breaks its format's rules or a check value
    Truncated,    // the data ends early
    Unsupported,  // a method or feature we do not read
    Io,           // the underlying file could not be read or written
    TooLarge,     // the data would grow beyond what it declared or we allow
};

const char* ArcErrorText(ArcError error);

// Bytes read in order.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to size bytes; 0 at the end of the data or after an error.
    virtual size_t Read(uint8_t* out, size_t size) = 0;
    virtual ArcError error() const { return ArcError::None; }
};

// Bytes read at any offset.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly size bytes at offset; false when they are not there.
    virtual bool ReadAt(uint64_t offset, uint8_t* out, size_t size) = 0;
};

// Where decoded bytes go. A false Write stops the decoder.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Write(const uint8_t* data, size_t size) = 0;
};

// Reads exactly size bytes; false (with error set by the source) otherwise.
bool ReadFull(ByteSource& in, uint8_t* out, size_t size);

class MemorySource : public ByteSource, public RandomSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit MemorySource(const std::vector<uint8_t>& v) : MemorySource(v.data(), v.size()) {}
    size_t Read(uint8_t* out, size_t size) override;
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, uint8_t* out, size_t size) override;

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

class VectorSink : public ByteSink {
public:
    explicit VectorSink(size_t limit = SIZE_MAX) : limit_(limit) {}
    bool Write(const uint8_t* data, size_t size) override;
    std::vector<uint8_t> bytes;

private:
    size_t limit_;
};

// Counts and discards.
class CountingSink : public ByteSink {
public:
    bool Write(const uint8_t*, size_t size) override {
        count += size;
        return true;
    }
    uint64_t count = 0;
};

// MS-DOS packed date and time of a time given in seconds since 1970, read
// as the wall-clock time it names (the caller shifts it to local time).
void DosDateTimeOf(int64_t seconds, uint16_t& date, uint16_t& time);

}  // namespace qaz::codecs
