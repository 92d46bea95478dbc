#include "components/codecs/q4.h"

#include <cstring>

#include "components/codecs/bits.h"
#include "components/codecs/bytes.h"

namespace qaz::codecs {
namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kChunkHeaderSize = 6;
constexpr size_t kMaxUnpacked = 65536;
constexpr unsigned kFirstEntry = 17;  // entries 0-16 are the symbols themselves
constexpr unsigned kMaxEntries = 16384;

// One chunk: its 6-byte header (compressed size, a word we do not use,
// pixel pairs) and the compressed bytes after it.
struct Chunk {
    size_t data = 0;
    size_t size = 0;
    uint32_t pixels = 0;
};

bool ReadChunk(const uint8_t* file, size_t fileSize, size_t at, Chunk& chunk) {
    ByteReader r(file, fileSize);
    if (!r.Seek(at)) return false;
    const uint16_t compressed = r.U16LE();
    r.Skip(2);
    chunk.pixels = uint32_t{r.U16LE()} * 2;
    chunk.data = at + kChunkHeaderSize;
    chunk.size = compressed;
    return r.ok() && compressed <= fileSize - chunk.data;
}

// Undoes the dictionary coding of one chunk. Codes are read most
// significant bit first, 3 bits wide at the start: 0 ends the chunk, 1
// widens the codes by a bit, any other value v stands for entry v - 2. An
// entry of 16 or less is that symbol; a higher one repeats the bytes of
// that entry and the first byte of the entry after it. Each code read
// makes the next entry, which starts where its bytes start.
bool Unpack(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::vector<uint32_t>& starts) {
    out.clear();
    BitReader bits(data, size);
    starts.resize(kMaxEntries + 1);
    unsigned width = 3;
    for (unsigned entries = kFirstEntry; entries < kMaxEntries; ++entries) {
        uint32_t value = 0;
        for (;;) {
            value = bits.Bits(width);
            if (!bits.ok()) return true;  // the chunk's bytes are used up
            if (value != 1) break;
            if (++width > 15) return false;
        }
        if (value == 0) return true;
        const uint32_t entry = value - 2;
        if (entry >= entries) return true;  // nothing we could copy: the end
        starts[entries] = static_cast<uint32_t>(out.size());
        if (entry < kFirstEntry) {
            if (out.size() >= kMaxUnpacked) return false;
            out.push_back(static_cast<uint8_t>(entry));
            continue;
        }
        size_t from = starts[entry];
        const size_t last = starts[entry + 1];
        if (out.size() + (last - from) + 1 > kMaxUnpacked) return false;
        // Byte by byte: the last byte may be the first one this copy writes.
        do out.push_back(out[from]);
        while (++from <= last);
    }
    return false;
}

// Run-length commands over the unpacked bytes: a byte below 16 is one
// pixel of that colour; otherwise a marker, then optionally 0 and a new run
// colour, then the run length as two base-17 digits. The run colour starts
// at 0 in each chunk; a run may go on into the next chunk.
class Runs {
public:
    void Start(std::vector<uint8_t>& bytes) {
        bytes_.swap(bytes);
        at_ = 0;
        color_ = 0;
    }
    // The next pixel, or -1 when the chunk has no more.
    int Next() {
        while (count_ == 0) {
            const int b = Byte();
            if (b < 0) return -1;
            if (b < 16) return b;
            int high = Byte();
            if (high == 0) {
                const int c = Byte();
                if (c < 0 || c >= 16) return -1;
                color_ = static_cast<uint8_t>(c);
                high = Byte();
            }
            const int low = Byte();
            if (high < 0 || low < 0) return -1;
            count_ = static_cast<uint32_t>(high) * 17 + static_cast<uint32_t>(low);
            runColor_ = color_;
        }
        --count_;
        return runColor_;
    }

private:
    int Byte() { return at_ < bytes_.size() ? bytes_[at_++] : -1; }
    std::vector<uint8_t> bytes_;
    size_t at_ = 0;
    uint32_t count_ = 0;
    uint8_t color_ = 0;     // the colour of the next run
    uint8_t runColor_ = 0;  // the colour of the run under way
};

}  // namespace

unsigned Q4PaletteSlot(unsigned i) { return (i & 8) | (i & 1) << 2 | (i >> 1 & 3); }

bool LooksLikeQ4(const uint8_t* data, size_t size) {
    return size >= kHeaderSize && std::memcmp(data + 11, "MAJYO", 5) == 0;
}

DecodeStatus DecodeQ4(const uint8_t* data, size_t size, Picture& out) {
    if (!LooksLikeQ4(data, size)) return DecodeStatus::NotThisFormat;
    // The header's file size (bytes 8-9) is not needed: the chunks say
    // where the data ends.

    Chunk chunk;
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> starts;
    Runs runs;
    if (!ReadChunk(data, size, kHeaderSize, chunk) || !Unpack(data + chunk.data, chunk.size, bytes, starts))
        return DecodeStatus::Corrupt;
    runs.Start(bytes);
    // 16 colours, each red, green and blue as two symbols, the second the
    // 4-bit level.
    out.palette.assign(16, 0);
    for (unsigned i = 0; i < 16; ++i) {
        uint32_t rgb = 0;
        for (int c = 0; c < 3; ++c) {
            const int unused = runs.Next();
            const int level = runs.Next();
            if (unused < 0 || level < 0) return DecodeStatus::Corrupt;
            rgb = rgb << 8 | static_cast<uint32_t>(level) * 17;
        }
        out.palette[Q4PaletteSlot(i)] = rgb;
    }

    const size_t total = size_t{kQ4Width} * kQ4Height;
    out.pixels.assign(total, 0);
    size_t next = chunk.data + chunk.size;
    size_t p = 0;
    while (p < total) {
        if (!ReadChunk(data, size, next, chunk) || !Unpack(data + chunk.data, chunk.size, bytes, starts))
            return DecodeStatus::Corrupt;
        next = chunk.data + chunk.size;
        runs.Start(bytes);
        if (chunk.pixels == 0) return DecodeStatus::Corrupt;
        // A chunk short of its pixels leaves them at colour 0.
        for (uint32_t i = 0; i < chunk.pixels && p < total; ++i, ++p) {
            const int c = runs.Next();
            out.pixels[p] = static_cast<uint8_t>(c < 0 ? 0 : c);
        }
    }
    out.width = kQ4Width;
    out.height = kQ4Height;
    out.bitsPerPixel = 8;
    out.colorDepth = 4;
    out.xDensity = out.yDensity = 1;
    return DecodeStatus::Ok;
}

}  // namespace qaz::codecs
