#include "components/codecs/bytes.h"

#include <cstring>

namespace qaz::codecs {

bool ByteReader::Need(size_t count) {
    if (!ok_ || count > size_ - pos_) {
        ok_ = false;
        return false;
    }
    return true;
}

bool ByteReader::Seek(size_t offset) {
    if (!ok_ || offset > size_) return ok_ = false;
    pos_ = offset;
    return true;
}

bool ByteReader::Skip(size_t count) {
    if (!Need(count)) return false;
    pos_ += count;
    return true;
}

uint8_t ByteReader::U8() { return Need(1) ? data_[pos_++] : 0; }

uint16_t ByteReader::U16LE() {
    if (!Need(2)) return 0;
    const uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

uint32_t ByteReader::U32LE() {
    if (!Need(4)) return 0;
    const uint32_t v = static_cast<uint32_t>(data_[pos_]) | (static_cast<uint32_t>(data_[pos_ + 1]) << 8) |
                       (static_cast<uint32_t>(data_[pos_ + 2]) << 16) | (static_cast<uint32_t>(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
}

uint16_t ByteReader::U16BE() {
    if (!Need(2)) return 0;
    const uint16_t v = static_cast<uint16_t>((data_[pos_] << 8) | data_[pos_ + 1]);
    pos_ += 2;
    return v;
}

uint32_t ByteReader::U32BE() {
    if (!Need(4)) return 0;
    const uint32_t v = (static_cast<uint32_t>(data_[pos_]) << 24) | (static_cast<uint32_t>(data_[pos_ + 1]) << 16) |
                       (static_cast<uint32_t>(data_[pos_ + 2]) << 8) | static_cast<uint32_t>(data_[pos_ + 3]);
    pos_ += 4;
    return v;
}

bool ByteReader::Read(void* out, size_t count) {
    if (!Need(count)) return false;
    if (count) std::memcpy(out, data_ + pos_, count);
    pos_ += count;
    return true;
}

}  // namespace qaz::codecs
