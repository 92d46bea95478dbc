#include "components/codecs/lzx.h"

#include <cstring>

namespace qaz::codecs {
namespace {

enum BlockType { kVerbatim = 1, kAligned = 2, kUncompressed = 3 };
constexpr int kPretreeSymbols = 20;
constexpr int kAlignedSymbols = 8;
constexpr uint32_t kFrame = 32768;

int PositionSlots(int windowBits) {
    static const int slots[] = {30, 32, 34, 36, 38, 42, 50};
    return slots[windowBits - 15];
}

// Extra bits and base of each position slot.
struct Slots {
    uint8_t extra[50];
    uint32_t base[50];
    Slots() {
        uint32_t b = 0;
        for (int i = 0; i < 50; ++i) {
            extra[i] = static_cast<uint8_t>(i < 4 ? 0 : ((i - 2) >> 1) > 17 ? 17 : (i - 2) >> 1);
            base[i] = b;
            b += 1u << extra[i];
        }
    }
};
const Slots kSlots;

}  // namespace

// Bits most significant first out of 16-bit little-endian words. Past the
// end it reads zeros; Overrun() tells whether more was used than there is.
class LzxDecoder::Bits {
public:
    Bits(const uint8_t* data, size_t size, size_t at) : p_(data), size_(size), at_(at) {}
    void Fill() {
        while (count_ <= 48) {
            uint64_t w = 0;
            if (at_ < size_) w = p_[at_];
            if (at_ + 1 < size_) w |= uint64_t{p_[at_ + 1]} << 8;
            at_ += 2;
            buf_ |= w << (48 - count_);
            count_ += 16;
        }
    }
    uint32_t Peek(int n) {
        if (count_ < n) Fill();
        return static_cast<uint32_t>(buf_ >> (64 - n));
    }
    void Drop(int n) {
        buf_ <<= n;
        count_ -= n;
    }
    uint32_t Get(int n) {
        if (n == 0) return 0;
        const uint32_t v = Peek(n);
        Drop(n);
        return v;
    }
    // Bits used so far, counted from the start of the data.
    uint64_t used() const { return uint64_t{at_} * 8 - static_cast<uint64_t>(count_); }
    bool Overrun() const { return used() > uint64_t{size_} * 8; }
    // Steps to the next word boundary, over 1 to 16 bits; the byte there.
    size_t AlignedByte() {
        const int drop = 16 - static_cast<int>(used() % 16);
        if (count_ < drop) Fill();
        Drop(drop);
        return static_cast<size_t>(used() / 8);
    }
    int Symbol(const Code& code) {
        if (code.empty) return -1;
        const uint32_t head = Peek(16);
        const uint16_t e = code.table[head >> (16 - Code::kTableBits)];
        if (e) {
            Drop(e >> 11);
            return e & 0x7FF;
        }
        for (int len = Code::kTableBits + 1; len <= 16; ++len) {
            const uint32_t c = head >> (16 - len);
            if (c >= code.first[len] && c - code.first[len] < code.count[len]) {
                Drop(len);
                return code.sorted[code.index[len] + c - code.first[len]];
            }
        }
        return -1;
    }

private:
    const uint8_t* p_;
    size_t size_;
    size_t at_;
    uint64_t buf_ = 0;
    int count_ = 0;
};

bool LzxDecoder::Code::Build(const uint8_t* lengths, int symbols) {
    std::memset(count, 0, sizeof count);
    std::memset(table, 0, sizeof table);
    for (int i = 0; i < symbols; ++i) ++count[lengths[i]];
    count[0] = 0;
    int left = 1;
    uint32_t code = 0;
    uint16_t at = 0;
    for (int len = 1; len <= 16; ++len) {
        left = left * 2 - count[len];
        if (left < 0) return false;
        first[len] = static_cast<uint16_t>(code);
        index[len] = at;
        at = static_cast<uint16_t>(at + count[len]);
        code = (code + count[len]) << 1;
    }
    empty = at == 0;
    sorted.assign(at, 0);
    uint16_t next[17];
    std::memcpy(next, index, sizeof next);
    for (int i = 0; i < symbols; ++i)
        if (lengths[i]) sorted[next[lengths[i]]++] = static_cast<uint16_t>(i);
    // The short codes fill every table slot that starts with them.
    for (int len = 1; len <= kTableBits; ++len) {
        for (uint16_t k = 0; k < count[len]; ++k) {
            const uint32_t c = first[len] + k;
            const uint32_t from = c << (kTableBits - len), n = 1u << (kTableBits - len);
            for (uint32_t j = 0; j < n; ++j)
                table[from + j] = static_cast<uint16_t>(len << 11 | sorted[index[len] + k]);
        }
    }
    return true;
}

LzxDecoder::LzxDecoder(int windowBits)
    : windowSize_(1u << windowBits),
      mainSymbols_(256 + PositionSlots(windowBits) * 8),
      window_(windowSize_, 0) {}

// The lengths of symbols [first, last) of a code, each sent as its change
// from the code's lengths before, through a small code of their own.
bool LzxDecoder::ReadLengths(Bits& bits, uint8_t* lengths, int first, int last) {
    uint8_t pre[kPretreeSymbols];
    for (uint8_t& l : pre) l = static_cast<uint8_t>(bits.Get(4));
    Code pretree;
    if (!pretree.Build(pre, kPretreeSymbols)) return false;
    for (int i = first; i < last;) {
        const int z = bits.Symbol(pretree);
        if (z < 0) return false;
        int run = 1;
        int value = 0;
        if (z == 17) {
            run = 4 + static_cast<int>(bits.Get(4));
        } else if (z == 18) {
            run = 20 + static_cast<int>(bits.Get(5));
        } else if (z == 19) {
            run = 4 + static_cast<int>(bits.Get(1));
            const int d = bits.Symbol(pretree);
            if (d < 0 || d > 16) return false;
            value = (lengths[i] + 17 - d) % 17;
        } else {
            value = (lengths[i] + 17 - z) % 17;
        }
        if (run > last - i) return false;
        std::memset(lengths + i, value, static_cast<size_t>(run));
        i += run;
    }
    return !bits.Overrun();
}

bool LzxDecoder::ReadBlockHeader(Bits& bits) {
    blockType_ = static_cast<int>(bits.Get(3));
    const uint32_t high = bits.Get(16);
    blockSize_ = blockLeft_ = high << 8 | bits.Get(8);
    if (blockSize_ == 0) return false;
    switch (blockType_) {
    case kAligned: {
        uint8_t al[kAlignedSymbols];
        for (uint8_t& l : al) l = static_cast<uint8_t>(bits.Get(3));
        if (!aligned_.Build(al, kAlignedSymbols)) return false;
    }
        [[fallthrough]];
    case kVerbatim:
        if (!ReadLengths(bits, mainLengths_, 0, 256) || !ReadLengths(bits, mainLengths_, 256, mainSymbols_) ||
            !main_.Build(mainLengths_, mainSymbols_) || main_.empty)
            return false;
        return ReadLengths(bits, lengthLengths_, 0, kLengthSymbols) && length_.Build(lengthLengths_, kLengthSymbols);
    case kUncompressed:
        return true;  // the caller aligns and reads the offsets
    default:
        return false;
    }
}

bool LzxDecoder::DecodeSymbols(Bits& bits, uint32_t frameStart, uint32_t frameEnd) {
    uint8_t* w = window_.data();
    const uint32_t mask = windowSize_ - 1;
    while (pos_ < frameEnd && blockLeft_ > 0) {
        const int sym = bits.Symbol(main_);
        if (sym < 0) return false;
        if (sym < 256) {
            w[pos_++] = static_cast<uint8_t>(sym);
            --blockLeft_;
            continue;
        }
        const int slot = (sym - 256) >> 3;
        uint32_t len = static_cast<uint32_t>(sym - 256) & 7;
        if (len == 7) {
            const int more = bits.Symbol(length_);
            if (more < 0) return false;
            len += static_cast<uint32_t>(more);
        }
        len += 2;
        uint32_t offset;
        if (slot == 0) {
            offset = r_[0];
        } else if (slot <= 2) {
            offset = r_[slot];
            r_[slot] = r_[0];
            r_[0] = offset;
        } else {
            const int extra = kSlots.extra[slot];
            uint32_t value = kSlots.base[slot];
            if (blockType_ == kAligned && extra >= 3) {
                value += bits.Get(extra - 3) << 3;
                const int a = bits.Symbol(aligned_);
                if (a < 0) return false;
                value += static_cast<uint32_t>(a);
            } else {
                value += bits.Get(extra);
            }
            offset = value - 2;
            r_[2] = r_[1];
            r_[1] = r_[0];
            r_[0] = offset;
        }
        // A match stays inside its block and frame, and reaches only bytes
        // already written.
        const uint64_t written = total_ + (pos_ - frameStart);
        if (len > blockLeft_ || len > frameEnd - pos_ || offset == 0 || offset > written || offset > windowSize_)
            return false;
        uint32_t from = (pos_ - offset) & mask;
        for (uint32_t i = 0; i < len; ++i) {
            w[pos_++] = w[from];
            from = (from + 1) & mask;
        }
        blockLeft_ -= len;
    }
    return !bits.Overrun();
}

// The call instructions' targets were made absolute by the packer; make
// them relative again (in the output only: the window keeps what was sent).
void LzxDecoder::Translate(uint8_t* out, size_t size) {
    if (!e8Size_ || frames_ >= 32768 || size <= 10) return;
    const int64_t file = e8Size_;
    const int64_t start = static_cast<int64_t>(total_);
    for (size_t i = 0; i < size - 10;) {
        if (out[i] != 0xE8) {
            ++i;
            continue;
        }
        const int64_t cur = start + static_cast<int64_t>(i);
        const int32_t abs = static_cast<int32_t>(out[i + 1] | out[i + 2] << 8 | out[i + 3] << 16 |
                                                 static_cast<uint32_t>(out[i + 4]) << 24);
        if (abs >= -cur && abs < file) {
            const int64_t rel = abs >= 0 ? abs - cur : abs + file;
            const uint32_t v = static_cast<uint32_t>(rel);
            out[i + 1] = static_cast<uint8_t>(v);
            out[i + 2] = static_cast<uint8_t>(v >> 8);
            out[i + 3] = static_cast<uint8_t>(v >> 16);
            out[i + 4] = static_cast<uint8_t>(v >> 24);
        }
        i += 5;
    }
}

bool LzxDecoder::DecodeFrame(const uint8_t* in, size_t size, uint8_t* out, size_t outSize) {
    if (failed_ || outSize == 0 || outSize > kFrame) return false;
    failed_ = true;  // until the frame is whole
    if (pos_ == windowSize_) pos_ = 0;
    const uint32_t frameStart = pos_;
    const uint32_t frameEnd = pos_ + static_cast<uint32_t>(outSize);
    if (frameEnd > windowSize_) return false;  // only the last frame may be short
    Bits bits(in, size, 0);
    size_t raw = 0;  // the next byte of an uncompressed block
    bool inRaw = blockType_ == kUncompressed && blockLeft_ > 0;
    if (!started_) {
        started_ = true;
        if (bits.Get(1)) {
            const uint32_t high = bits.Get(16);
            e8Size_ = high << 16 | bits.Get(16);
        }
    }
    while (pos_ < frameEnd) {
        if (blockLeft_ == 0) {
            if (inRaw) {
                // An odd-sized uncompressed block is followed by one byte of padding.
                if (blockSize_ & 1) ++raw;
                bits = Bits(in, size, raw);
                inRaw = false;
            }
            if (!ReadBlockHeader(bits) || bits.Overrun()) return false;
            if (blockType_ == kUncompressed) {
                raw = bits.AlignedByte();
                if (raw > size || size - raw < 12) return false;
                for (int i = 0; i < 3; ++i)
                    r_[i] = in[raw + 4 * i] | in[raw + 4 * i + 1] << 8 | in[raw + 4 * i + 2] << 16 |
                            static_cast<uint32_t>(in[raw + 4 * i + 3]) << 24;
                raw += 12;
                inRaw = true;
            }
        }
        if (inRaw) {
            uint32_t n = frameEnd - pos_;
            if (n > blockLeft_) n = blockLeft_;
            if (raw > size || size - raw < n) return false;
            std::memcpy(&window_[pos_], in + raw, n);
            raw += n;
            pos_ += n;
            blockLeft_ -= n;
        } else if (!DecodeSymbols(bits, frameStart, frameEnd)) {
            return false;
        }
    }
    std::memcpy(out, &window_[frameStart], outSize);
    Translate(out, outSize);
    total_ += outSize;
    ++frames_;
    failed_ = false;
    return true;
}

}  // namespace qaz::codecs
