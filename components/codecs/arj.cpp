#include "components/codecs/arj.h"

#include <cstring>

#include "components/codecs/bytes.h"
#include "components/codecs/crc.h"
#include "components/codecs/lzh.h"
#include "components/codecs/lzhuf.h"

namespace qaz::codecs {
namespace {

constexpr size_t kMaxBasicHeader = 2600;


struct Basic {
    const uint8_t* body = nullptr;
    size_t bodySize = 0;
    size_t end = 0;  // after the extended headers
};

// Header at offset: 0x60 0xEA, size, body, CRC-32, extended headers.
// Returns false when it is not a well-formed header; an empty one (the end)
// gives bodySize 0.
bool ReadBasic(const uint8_t* data, size_t size, size_t offset, Basic& b) {
    if (offset > size || size - offset < 4 || data[offset] != 0x60 || data[offset + 1] != 0xEA) return false;
    const size_t n = Le16(data + offset + 2);
    b.body = data + offset + 4;
    b.bodySize = n;
    if (n == 0) {
        b.end = offset + 4;
        return true;
    }
    if (n > kMaxBasicHeader || n < 30 || size - offset - 4 < n + 4) return false;
    if (Crc32(0, b.body, n) != Le32(b.body + n)) return false;
    size_t pos = offset + 4 + n + 4;
    for (;;) {
        if (size - pos < 2) return false;
        const size_t ext = Le16(data + pos);
        pos += 2;
        if (ext == 0) break;
        if (size - pos < ext + 4) return false;
        pos += ext + 4;
    }
    b.end = pos;
    return true;
}

bool MainHeaderAt(const uint8_t* data, size_t size, size_t offset, size_t& next) {
    Basic b;
    if (!ReadBasic(data, size, offset, b) || b.bodySize == 0) return false;
    if (b.body[6] != 2) return false;  // file type of the main header
    next = b.end;
    return true;
}

}  // namespace

size_t FindArjStart(const uint8_t* data, size_t size) {
    size_t next = 0;
    if (MainHeaderAt(data, size, 0, next)) return next;
    if (size < 2 || data[0] != 'M' || data[1] != 'Z') return SIZE_MAX;
    const size_t limit = size < (1u << 20) ? size : (1u << 20);
    for (size_t i = 2; i + 4 <= limit; ++i)
        if (data[i] == 0x60 && data[i + 1] == 0xEA && MainHeaderAt(data, size, i, next)) return next;
    return SIZE_MAX;
}

ArjHeaderStatus ReadArjHeader(const uint8_t* data, size_t size, size_t offset, ArjEntry& e) {
    e = ArjEntry{};
    if (offset >= size) return ArjHeaderStatus::End;
    Basic b;
    if (!ReadBasic(data, size, offset, b)) return ArjHeaderStatus::Corrupt;
    if (b.bodySize == 0) return ArjHeaderStatus::End;
    const uint8_t* h = b.body;
    const size_t first = h[0];
    if (first < 30 || first > b.bodySize) return ArjHeaderStatus::Corrupt;
    e.flags = h[4];
    e.method = h[5];
    e.fileType = h[6];
    e.dosTime = Le32(h + 8);
    e.packedSize = Le32(h + 12);
    e.originalSize = Le32(h + 16);
    e.crc = Le32(h + 20);
    const uint8_t* name = h + first;
    const size_t room = b.bodySize - first;
    const size_t nameLen = strnlen(reinterpret_cast<const char*>(name), room);
    if (nameLen == room) return ArjHeaderStatus::Corrupt;
    e.path.assign(reinterpret_cast<const char*>(name), nameLen);
    for (char& c : e.path)
        if (c == '/') c = '\\';
    e.folder = e.fileType == 3;
    if (e.folder && !e.path.empty() && e.path.back() != '\\') e.path += '\\';
    e.dataOffset = b.end;
    if (e.packedSize > size - b.end) return ArjHeaderStatus::Corrupt;
    e.nextOffset = b.end + e.packedSize;
    return ArjHeaderStatus::Ok;
}

namespace {

class Crc32Sink : public ByteSink {
public:
    explicit Crc32Sink(ByteSink& next) : next_(next) {}
    bool Write(const uint8_t* data, size_t size) override {
        crc = Crc32(crc, data, size);
        return next_.Write(data, size);
    }
    uint32_t crc = 0;

private:
    ByteSink& next_;
};

// A unary prefix of up to (stop - start) ones picks the width of the
// value that follows; each one adds the next power of two.
uint32_t ReadStepped(MsbBitSource& bits, unsigned start, unsigned stop) {
    uint32_t plus = 0, power = 1u << start;
    unsigned width = start;
    bits.Fill();
    for (; width < stop; ++width) {
        if (!bits.Get(1)) break;
        plus += power;
        power <<= 1;
    }
    return plus + bits.Get(width);
}

UnpackStatus DecodeMethod4(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink) {
    MsbBitSource bits(in, inSize);
    Window window(sink);
    uint64_t done = 0;
    while (done < outSize) {
        const uint32_t c = ReadStepped(bits, 0, 7);
        if (c == 0) {
            if (!window.Literal(uint8_t(bits.Get(8)))) return UnpackStatus::Stopped;
            ++done;
        } else {
            uint32_t length = c + 2;
            const uint32_t position = ReadStepped(bits, 9, 13);
            if (length > outSize - done) length = uint32_t(outSize - done);
            if (!window.Copy(position + 1, length)) return UnpackStatus::Stopped;
            done += length;
        }
        if (bits.Overrun()) return UnpackStatus::Truncated;
    }
    return window.Finish() ? UnpackStatus::Ok : UnpackStatus::Stopped;
}

}  // namespace

UnpackStatus UnpackArjEntry(const uint8_t* data, size_t size, const ArjEntry& e, ByteSink& sink) {
    if (e.folder) return UnpackStatus::Ok;
    if (e.flags & 0x01) return UnpackStatus::Unsupported;  // enciphered
    if (e.dataOffset > size || e.packedSize > size - e.dataOffset) return UnpackStatus::Truncated;
    const uint8_t* in = data + e.dataOffset;
    Crc32Sink crc(sink);
    UnpackStatus st;
    switch (e.method) {
    case 0:
        if (e.packedSize != e.originalSize) return UnpackStatus::Corrupt;
        st = crc.Write(in, e.packedSize) ? UnpackStatus::Ok : UnpackStatus::Stopped;
        break;
    case 1:
    case 2:
    case 3:
        st = DecodeLzhuf(in, e.packedSize, e.originalSize, kArjParams, crc);
        break;
    case 4:
        st = DecodeMethod4(in, e.packedSize, e.originalSize, crc);
        break;
    default:
        return UnpackStatus::Unsupported;
    }
    if (st == UnpackStatus::Ok && crc.crc != e.crc) return UnpackStatus::Corrupt;
    return st;
}

}  // namespace qaz::codecs
