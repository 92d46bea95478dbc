// Bounds-checked reading of little- and big-endian numbers from a buffer, the
// base of every decoder: a read past the end fails instead of reading on.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qaz::codecs {

// Little-endian numbers at a place the caller has checked to be in bounds.
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t Le64(const uint8_t* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t position() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    bool ok() const { return ok_; }  // false after any failed read

    // Moves to an absolute offset; fails beyond the end.
    bool Seek(size_t offset);
    bool Skip(size_t count);
    uint8_t U8();
    uint16_t U16LE();
    uint32_t U32LE();
    uint16_t U16BE();
    uint32_t U32BE();
    // Copies count bytes; fails (copying nothing) when fewer remain.
    bool Read(void* out, size_t count);

private:
    bool Need(size_t count);
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace qaz::codecs
