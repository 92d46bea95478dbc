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

// The history every method here copies from (64 KB unless a method needs
// more); full windows go to the sink. Bytes before the start read as blanks,
// as the old packers assumed.
class Window {
public:
    static constexpr uint32_t kSize = 1u << 16;
    // size is a power of two.
    explicit Window(ByteSink& sink, uint32_t size = kSize) : sink_(sink), ring_(size, 0x20), mask_(size - 1) {}
    bool Literal(uint8_t b) {
        ring_[pos_++ & mask_] = b;
        return (pos_ & mask_) ? true : FlushFull();
    }
    // distance is 1..size().
    bool Copy(uint32_t distance, uint32_t length) {
        uint8_t* r = ring_.data();
        while (length--) {
            r[pos_ & mask_] = r[(pos_ - distance) & mask_];
            if ((++pos_ & mask_) == 0 && !FlushFull()) return false;
        }
        return true;
    }
    bool Finish() {
        const uint32_t n = uint32_t(pos_ & mask_);
        return n == 0 || sink_.Write(ring_.data(), n);
    }
    uint64_t written() const { return pos_; }
    uint32_t size() const { return mask_ + 1; }

private:
    bool FlushFull() { return sink_.Write(ring_.data(), ring_.size()); }
    ByteSink& sink_;
    std::vector<uint8_t> ring_;
    uint32_t mask_;
    uint64_t pos_ = 0;
};

}  // namespace qaz::codecs
