// What the LHA and ARJ decoders share: how a decode ends, and the
// back-reference window with its most-significant-bit-first bit source.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "components/codecs/stream.h"

namespace qaz::codecs {

enum class UnpackStatus { Ok, Corrupt, Truncated, Stopped, Unsupported };

// Bits most significant first; past the end it reads zeros, and Overrun()
// tells whether more bits were used than the input holds. The buffer is a
// machine word, so a 32-bit build shifts 32-bit values.
class MsbBitSource {
public:
    using Word = size_t;
    static constexpr int kWordBits = int(sizeof(Word) * 8);
    // Bits Fill() makes ready at least (25 in a 32-bit build); Get() takes
    // up to that many at once.
    static constexpr int kReady = kWordBits - 7;

    MsbBitSource(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    void Fill() {
        if (size_t(end_ - p_) >= sizeof(Word)) {
            // A whole word at once: the bytes beyond those taken land below
            // count_ and are put there again, unchanged, by the next fill.
            Word w;
            std::memcpy(&w, p_, sizeof w);
            buf_ |= SwapBytes(w) >> count_;
            p_ += (kWordBits - 1 - count_) >> 3;
            count_ |= kWordBits - 8;
            return;
        }
        while (count_ <= kWordBits - 8) {
            Word b = 0;
            if (p_ < end_) b = *p_++;
            else ++pad_;
            buf_ |= b << (kWordBits - 8 - count_);
            count_ += 8;
        }
    }
    uint32_t Peek(unsigned n) const { return n ? uint32_t(buf_ >> (kWordBits - int(n))) : 0; }
    void Drop(unsigned n) {
        buf_ = int(n) < kWordBits ? buf_ << n : 0;
        count_ -= int(n);
    }
    uint32_t Get(unsigned n) {  // n <= kReady
        if (count_ < int(n)) Fill();
        const uint32_t v = Peek(n);
        Drop(n);
        return v;
    }
    // Zeros made up past the end are the last pad_ * 8 bits still held.
    bool Overrun() const { return count_ < 0 || pad_ * 8 > size_t(count_); }

private:
    static Word SwapBytes(Word w) {
        if constexpr (sizeof(Word) == 8) return Word(__builtin_bswap64(uint64_t(w)));
        else return Word(__builtin_bswap32(uint32_t(w)));
    }
    const uint8_t* p_;
    const uint8_t* end_;
    Word buf_ = 0;
    int count_ = 0;
    size_t pad_ = 0;  // zero bytes made up past the end
};

// The history every method here copies from (64 KB unless a method needs
// more); full windows go to the sink. Bytes before the start read as blanks,
// as the old packers assumed.
class Window {
public:
    static constexpr uint32_t kSize = 1u << 16;
    // size is a power of two.
    explicit Window(ByteSink& sink, uint32_t size = kSize) : sink_(sink), ring_(size, 0x20), mask_(size - 1) {}
    bool Literal(uint8_t b) {
        ring_[at_++] = b;
        return at_ <= mask_ || FlushFull();
    }
    // distance is 1..size().
    bool Copy(uint32_t distance, uint32_t length) {
        uint8_t* r = ring_.data();
        uint32_t from = (at_ - distance) & mask_;
        while (length > 0) {
            // A run that reaches neither the ring's end nor the end of the
            // bytes it copies from: whole when they do not overlap it.
            uint32_t n = length;
            if (n > mask_ + 1 - at_) n = mask_ + 1 - at_;
            if (n > mask_ + 1 - from) n = mask_ + 1 - from;
            if (from + n <= at_ || at_ + n <= from) {
                std::memcpy(r + at_, r + from, n);
            } else {
                for (uint32_t i = 0; i < n; ++i) r[at_ + i] = r[from + i];
            }
            at_ += n;
            from = (from + n) & mask_;
            length -= n;
            if (at_ > mask_ && !FlushFull()) return false;
        }
        return true;
    }
    bool Finish() { return at_ == 0 || sink_.Write(ring_.data(), at_); }
    uint32_t size() const { return mask_ + 1; }

private:
    bool FlushFull() {
        at_ = 0;
        return sink_.Write(ring_.data(), ring_.size());
    }
    ByteSink& sink_;
    std::vector<uint8_t> ring_;
    uint32_t mask_;
    uint32_t at_ = 0;  // where the next byte goes
};

}  // namespace qaz::codecs
