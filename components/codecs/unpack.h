// What the LHA and ARJ decoders share: how a decode ends, and the
// back-reference window with its most-significant-bit-first bit source.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "components/codecs/stream.h"

namespace qaz::codecs {

enum class UnpackStatus { Ok, Corrupt, Truncated, Stopped, Unsupported };

// Bits most significant first; past the end it reads zeros, and Overrun()
// tells whether more bits were used than the input holds.
class MsbBitSource {
public:
    MsbBitSource(const uint8_t* data, size_t size) : p_(data), end_(data + size), bits_(uint64_t(size) * 8) {}
    // At least 32 bits are ready after Fill().
    void Fill() {
        while (count_ <= 56) {
            const uint64_t b = p_ < end_ ? *p_++ : 0;
            buf_ |= b << (56 - count_);
            count_ += 8;
        }
    }
    uint32_t Peek(unsigned n) const { return n ? uint32_t(buf_ >> (64 - n)) : 0; }
    void Drop(unsigned n) {
        buf_ = n < 64 ? buf_ << n : 0;
        count_ -= static_cast<int>(n);
        used_ += n;
    }
    uint32_t Get(unsigned n) {  // n <= 32
        if (count_ < static_cast<int>(n)) Fill();
        const uint32_t v = Peek(n);
        Drop(n);
        return v;
    }
    bool Overrun() const { return used_ > bits_; }

private:
    const uint8_t* p_;
    const uint8_t* end_;
    uint64_t buf_ = 0;
    int count_ = 0;
    uint64_t used_ = 0;
    uint64_t bits_;
};

// The 64 KB history every method here copies from; full windows go to the
// sink. Bytes before the start read as blanks, as the old packers assumed.
class Window {
public:
    static constexpr uint32_t kSize = 1u << 16;
    explicit Window(ByteSink& sink) : sink_(sink), ring_(kSize, 0x20) {}
    bool Literal(uint8_t b) {
        ring_[pos_++ & (kSize - 1)] = b;
        return (pos_ & (kSize - 1)) ? true : FlushFull();
    }
    // distance is 1..kSize.
    bool Copy(uint32_t distance, uint32_t length) {
        uint8_t* r = ring_.data();
        while (length--) {
            r[pos_ & (kSize - 1)] = r[(pos_ - distance) & (kSize - 1)];
            if ((++pos_ & (kSize - 1)) == 0 && !FlushFull()) return false;
        }
        return true;
    }
    bool Finish() {
        const uint32_t n = pos_ & (kSize - 1);
        return n == 0 || sink_.Write(ring_.data(), n);
    }
    uint64_t written() const { return pos_; }

private:
    bool FlushFull() { return sink_.Write(ring_.data(), kSize); }
    ByteSink& sink_;
    std::vector<uint8_t> ring_;
    uint64_t pos_ = 0;
};

}  // namespace qaz::codecs
