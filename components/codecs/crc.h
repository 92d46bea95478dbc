// The checksums of the archive formats: CRC-16 (polynomial 0x8005, bits
// reflected, start 0) of LHA, and CRC-32 (polynomial 0x04C11DB7, reflected,
// start and final xor 0xFFFFFFFF) of ARJ.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qaz::codecs {

// Continues a CRC-16 over more bytes; start with 0.
uint16_t Crc16(uint16_t crc, const uint8_t* data, size_t size);
// Continues a CRC-32 over more bytes; start with 0 (the xor is inside).
uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);

}  // namespace qaz::codecs
