// LZX as cabinets carry it: a window of 2^15 to 2^21 bytes, verbatim,
// aligned-offset and uncompressed blocks, and the E8 call translation. The
// data comes in frames of at most 32 KB of output, each in one cabinet data
// block; the window, the repeated offsets and the code lengths carry over
// from frame to frame.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qaz::codecs {

class LzxDecoder {
public:
    explicit LzxDecoder(int windowBits);
    // Decodes one frame of outSize bytes (at most 32768) from in; false when
    // the data is damaged (the decoder is then of no further use).
    bool DecodeFrame(const uint8_t* in, size_t size, uint8_t* out, size_t outSize);

    static constexpr int kMainMax = 256 + 50 * 8;
    static constexpr int kLengthSymbols = 249;

    // A canonical Huffman code of at most 16 bits: codes of up to kTableBits
    // bits are looked up at once, longer ones found by their length.
    struct Code {
        static constexpr int kTableBits = 10;
        uint16_t table[1 << kTableBits] = {};  // length << 11 | symbol; 0: a longer code
        uint16_t count[17] = {}, first[17] = {}, index[17] = {};
        std::vector<uint16_t> sorted;          // symbols in code order
        bool empty = true;
        // False when the lengths promise more codes than there are.
        bool Build(const uint8_t* lengths, int symbols);
    };

private:
    class Bits;
    bool ReadBlockHeader(Bits& bits);
    bool ReadLengths(Bits& bits, uint8_t* lengths, int first, int last);
    bool DecodeSymbols(Bits& bits, uint32_t frameStart, uint32_t frameEnd);
    void Translate(uint8_t* out, size_t size);

    uint32_t windowSize_;
    int mainSymbols_;
    std::vector<uint8_t> window_;
    uint32_t pos_ = 0;        // in the window
    uint64_t total_ = 0;      // bytes decoded since the start
    uint32_t r_[3] = {1, 1, 1};
    int blockType_ = 0;
    uint32_t blockLeft_ = 0;
    uint32_t blockSize_ = 0;
    bool started_ = false;
    uint32_t e8Size_ = 0;     // the translation's file size; 0: no translation
    uint32_t frames_ = 0;
    bool failed_ = false;
    uint8_t mainLengths_[kMainMax] = {};
    uint8_t lengthLengths_[kLengthSymbols] = {};
    Code main_, length_, aligned_;
};

}  // namespace qaz::codecs
