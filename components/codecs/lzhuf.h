// The block format of LHA's -lh4- to -lh7- and -lhx-, and ARJ's methods 1 to 3: LZSS
// matches and literals coded with static Huffman trees sent at the start of
// each block (a tree for the code lengths, the literal/length tree, the
// position tree).
#pragma once
#include "components/codecs/unpack.h"

namespace qaz::codecs {

struct LzhufParams {
    unsigned positionCodes;  // 14 for -lh4-/-lh5-, 16 for -lh6-, 17 for -lh7- and ARJ, 21 for -lhx-
    unsigned positionBits;   // bits of the position tree's count: 4 or 5
};

constexpr LzhufParams kLh5Params{14, 4};
constexpr LzhufParams kLh6Params{16, 5};
constexpr LzhufParams kLh7Params{17, 5};
constexpr LzhufParams kArjParams{17, 5};
constexpr LzhufParams kLhxParams{21, 5};  // UNLHA32's 1 MB window

// Decodes exactly outSize bytes into sink.
UnpackStatus DecodeLzhuf(const uint8_t* in, size_t inSize, uint64_t outSize, LzhufParams params, ByteSink& sink);

// The tree sizes of the format.
constexpr unsigned kLzhufLiterals = 510;   // 256 bytes and lengths 3..256
constexpr unsigned kLzhufLengthCodes = 19; // code lengths 0..16 and the zero runs
constexpr unsigned kLzhufMaxCodeLength = 16;

}  // namespace qaz::codecs
