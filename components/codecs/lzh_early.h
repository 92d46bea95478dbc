// The methods of the early packers that LHA archives still carry: LHarc's
// -lh1- (a 4 KB window, literals and lengths in an adaptive Huffman code,
// positions in a fixed code) and LArc's -lzs- and -lz5- (plain LZSS with
// 2 KB and 4 KB windows).
#pragma once
#include <cstdint>

#include "components/codecs/unpack.h"

namespace qaz::codecs {

// Each decodes exactly outSize bytes into sink.
UnpackStatus DecodeLh1(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink);
UnpackStatus DecodeLzs(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink);
UnpackStatus DecodeLz5(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink);

// The adaptive Huffman code of -lh1-: 314 symbols (256 bytes and the
// lengths 3 to 60), every count starting at one, the tree kept ordered by
// count and rebuilt with halved counts when the root reaches 0x8000.
class AdaptiveHuffman {
public:
    static constexpr unsigned kSymbols = 314;
    AdaptiveHuffman();
    // The code of a symbol, root first, as bits in the low end of *code;
    // returns its length. For writers; does not update.
    unsigned Code(unsigned symbol, uint64_t* code) const;
    // Reads one symbol; -1 when the input ran out.
    int Decode(MsbBitSource& bits) const;
    // Counts one use of the symbol.
    void Update(unsigned symbol);

private:
    static constexpr unsigned kNodes = 2 * kSymbols - 1;
    static constexpr unsigned kRoot = kNodes - 1;
    void Rebuild();
    uint16_t freq_[kNodes + 1];
    uint16_t parent_[kNodes + kSymbols];
    uint16_t child_[kNodes];  // >= kNodes: a leaf of symbol child_ - kNodes
};

// The fixed code of -lh1- positions: the upper six bits of a 12-bit
// position in 3 to 8 bits, then the lower six bits as they are.
struct Lh1PositionCode {
    unsigned bits;   // length of the code of the upper six bits
    unsigned value;  // that code
};
Lh1PositionCode Lh1PositionOf(unsigned upperSix);

}  // namespace qaz::codecs
