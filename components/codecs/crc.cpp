#include "components/codecs/crc.h"

namespace qaz::codecs {
namespace {

struct Tables {
    uint16_t crc16[256];
    uint32_t crc32[8][256];
    Tables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t a = i, b = i;
            for (int k = 0; k < 8; ++k) {
                a = (a & 1) ? (a >> 1) ^ 0xA001u : a >> 1;
                b = (b & 1) ? (b >> 1) ^ 0xEDB88320u : b >> 1;
            }
            crc16[i] = static_cast<uint16_t>(a);
            crc32[0][i] = b;
        }
        for (int t = 1; t < 8; ++t)
            for (int i = 0; i < 256; ++i)
                crc32[t][i] = (crc32[t - 1][i] >> 8) ^ crc32[0][crc32[t - 1][i] & 0xFF];
    }
};

const Tables& T() {
    static const Tables tables;
    return tables;
}

}  // namespace

uint16_t Crc16(uint16_t crc, const uint8_t* data, size_t size) {
    const uint16_t* t = T().crc16;
    for (size_t i = 0; i < size; ++i) crc = static_cast<uint16_t>(t[(crc ^ data[i]) & 0xFF] ^ (crc >> 8));
    return crc;
}

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
    const auto& t = T().crc32;
    crc = ~crc;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const uint32_t lo = crc ^ (uint32_t(data[i]) | uint32_t(data[i + 1]) << 8 | uint32_t(data[i + 2]) << 16 |
                                   uint32_t(data[i + 3]) << 24);
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
              t[3][data[i + 4]] ^ t[2][data[i + 5]] ^ t[1][data[i + 6]] ^ t[0][data[i + 7]];
    }
    for (; i < size; ++i) crc = t[0][(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

}  // namespace qaz::codecs
