// Reads bit fields most significant bit first from a bounded byte range.
// Reading past the end fails and stays failed, like ByteReader.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qaz::codecs {

class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    bool AtEnd() const { return byte_ >= size_; }

    unsigned Bit() {
        if (!ok_ || byte_ >= size_) {
            ok_ = false;
            return 0;
        }
        const unsigned bit = (data_[byte_] >> (7 - bit_)) & 1u;
        if (++bit_ == 8) {
            bit_ = 0;
            ++byte_;
        }
        return bit;
    }

    // count is at most 31.
    uint32_t Bits(unsigned count) {
        uint32_t v = 0;
        for (unsigned i = 0; i < count; ++i) v = (v << 1) | Bit();
        return ok_ ? v : 0;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t byte_ = 0;
    unsigned bit_ = 0;
    bool ok_ = true;
};

// Writes bit fields most significant bit first; the encoders of the tests
// and of the fuzz checks use it.
class BitWriter {
public:
    void Bit(unsigned b) {
        if (used_ == 0) bytes_.push_back(0);
        if (b) bytes_.back() |= static_cast<uint8_t>(0x80u >> used_);
        used_ = (used_ + 1) & 7;
    }
    void Bits(uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) Bit((value >> i) & 1u);
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    unsigned used_ = 0;
};

}  // namespace qaz::codecs
