// Packs bytes in LHA's -lh5- format: LZSS over an 8 KB window with lazy
// matching on hash chains, each block coded with its own static Huffman trees.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qaz::codecs {

// Appends the packed form of in to out. Gives up (returning false) as soon
// as the packed form would exceed limit bytes, so a caller can store instead.
bool EncodeLh5(const uint8_t* in, size_t size, std::vector<uint8_t>& out, size_t limit = SIZE_MAX);

// Huffman code lengths for the frequencies, none longer than maxLength; a
// symbol of frequency 0 gets 0. With fewer than two used symbols every
// length is 0 and the caller sends the one-symbol form.
void HuffmanLengths(const uint32_t* freq, unsigned n, unsigned maxLength, uint8_t* lengths);

}  // namespace qaz::codecs
