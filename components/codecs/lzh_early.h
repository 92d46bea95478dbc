// The methods of the early packers that LHA archives still carry: LHarc's
// -lh1- (a 4 KB window, literals and lengths in an adaptive Huffman code,
// positions in a fixed code), LArc's -lzs- and -lz5- (plain LZSS with
// 2 KB and 4 KB windows) and PMarc's -pm2- (an 8 KB window; bytes coded by
// their place in a most-recently-used list, the code trees sent again at
// fixed points of the output).
#pragma once
#include <cstdint>

#include "components/codecs/unpack.h"

namespace qaz::codecs {

// Each decodes exactly outSize bytes into sink.
UnpackStatus DecodeLh1(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink);
UnpackStatus DecodeLzs(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink);
UnpackStatus DecodeLz5(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink);
UnpackStatus DecodePm2(const uint8_t* in, size_t inSize, uint64_t outSize, ByteSink& sink);

// -pm2-'s list of byte values, most recently used first; it starts with the
// printable ASCII, then the controls, the upper halves in three groups.
class RecentBytes {
public:
    RecentBytes();
    uint8_t At(unsigned place) const { return order_[place & 255]; }
    unsigned PlaceOf(uint8_t b) const;
    void Use(uint8_t b);

private:
    uint8_t order_[256];
};

// -pm2-'s places in the list and copy lengths: a code picks a range, whose
// start and number of extra bits are given here.
struct Pm2Range {
    unsigned start, bits;
};
constexpr Pm2Range kPm2Places[8] = {{0, 3}, {8, 3}, {16, 4}, {32, 5}, {64, 5}, {96, 5}, {128, 6}, {192, 6}};
constexpr Pm2Range kPm2Lengths[6] = {{17, 3}, {25, 3}, {33, 5}, {65, 6}, {129, 7}, {256, 0}};

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
