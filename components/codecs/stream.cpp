#include "components/codecs/stream.h"

#include <cstring>

namespace qaz::codecs {

const char* ArcErrorText(ArcError error) {
    switch (error) {
        case ArcError::None: return "ok";
        case ArcError::Corrupt: return "the archive is damaged";
        case ArcError::Truncated: return "the archive ends early";
        case ArcError::Unsupported: return "unsupported method";
        case ArcError::Io: return "read or write error";
        case ArcError::TooLarge: return "the data is larger than it declares";
    }
    return "error";
}

bool ReadFull(ByteSource& in, uint8_t* out, size_t size) {
    while (size > 0) {
        const size_t got = in.Read(out, size);
        if (got == 0) return false;
        out += got;
        size -= got;
    }
    return true;
}

size_t MemorySource::Read(uint8_t* out, size_t size) {
    const size_t n = size < size_ - pos_ ? size : size_ - pos_;
    if (n) std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return n;
}

bool MemorySource::ReadAt(uint64_t offset, uint8_t* out, size_t size) {
    if (offset > size_ || size > size_ - offset) return false;
    if (size) std::memcpy(out, data_ + offset, size);
    return true;
}

bool VectorSink::Write(const uint8_t* data, size_t size) {
    if (size > limit_ - bytes.size()) return false;
    bytes.insert(bytes.end(), data, data + size);
    return true;
}

void DosDateTimeOf(int64_t seconds, uint16_t& date, uint16_t& time) {
    // Civil date from days since 1970 (Howard Hinnant's algorithm).
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1980) {
        date = (1 << 5) | 1;  // 1980-01-01, the first day the format can hold
        time = 0;
        return;
    }
    if (year > 2107) {
        date = static_cast<uint16_t>((127 << 9) | (12 << 5) | 31);
        time = static_cast<uint16_t>((23 << 11) | (59 << 5) | 29);
        return;
    }
    date = static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
    time = static_cast<uint16_t>(((rest / 3600) << 11) | (((rest / 60) % 60) << 5) | ((rest % 60) / 2));
}

}  // namespace qaz::codecs
