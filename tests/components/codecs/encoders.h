// Small encoders for MAG, Pi and PIC: no peer tool here writes these
// formats, so the tests make their pictures with these.
#pragma once
#include <cstdint>
#include <vector>

namespace qaz::testenc {

// indices: width * height palette indices; palette: 0xRRGGBB, 16 or 256.
// x0 places the picture at that column, so the first flag byte is partly
// outside it; tallPixels sets the 200-line mode bit.
std::vector<uint8_t> EncodeMag(int width, int height, const std::vector<uint8_t>& indices,
                               const std::vector<uint32_t>& palette, unsigned x0 = 0, bool tallPixels = false);

// planes 4 or 8; aspect n:m (pixel height to width) as stored.
std::vector<uint8_t> EncodePi(int width, int height, const std::vector<uint8_t>& indices,
                              const std::vector<uint32_t>& palette, int planes, uint8_t n = 0, uint8_t m = 0);

// The colour of an X68000 colour word (G5 R5 B5 I1) as 0xRRGGBB.
uint32_t X68000Rgb(uint16_t word);

// words: X68000 colour words (G5 R5 B5 I1); depth 15 drops the I bit.
// With chains, colours that start again below are chained down.
std::vector<uint8_t> EncodePic(int width, int height, const std::vector<uint16_t>& words, int depth,
                               bool chains = true);

// Q4: 640 x 400 palette indices (0-15) and 16 colours 0xRRGGBB, of which
// each channel keeps its top 4 bits. Runs of a colour become run commands;
// the dictionary coding uses only the 17 symbols themselves.
std::vector<uint8_t> EncodeQ4(const std::vector<uint8_t>& indices, const std::vector<uint32_t>& palette);

// PIC2 of colours 0xRRGGBB in one block: raw big-endian 24-bit rows
// (P2BM), or with `coded` arithmetic-coded (P2SS) at `depth` bits (24 or
// 15, each channel keeping its top bits), using the colour caches and
// chains.
std::vector<uint8_t> EncodePic2(int width, int height, const std::vector<uint32_t>& rgb, bool coded = false,
                                int depth = 24);

}  // namespace qaz::testenc
