// Files assembled byte by byte from the published format descriptions
// (Mooncore's English rewrites of the authors' texts, the start of
// Yanagisawa's pic_fmt.txt and pitech_e.txt, Woody RINN's MAG text), not
// from our encoders: they pin the layout details that a shared
// misunderstanding between encoder and decoder would let through.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "components/codecs/mag.h"
#include "components/codecs/pi.h"
#include "components/codecs/pic.h"

using namespace qaz::codecs;

namespace {

void Append(std::vector<uint8_t>& v, std::initializer_list<uint8_t> bytes) { v.insert(v.end(), bytes); }
void AppendText(std::vector<uint8_t>& v, const char* s) { v.insert(v.end(), s, s + std::strlen(s)); }

// MAG, 16 colours, 8 x 3 pixels. One flag byte per 8 pixels (two 2-byte
// units of 4 dots each), flags XORed down the lines through flag A/B.
//   line 0: flag 0x00, both units stored: 01 23 45 67
//   line 1: flag 0x41: unit 0 code 4 (one line up), unit 1 code 1 (one
//           unit left); change 0x41 -> flag A bit 1, flag B 0x41
//   line 2: flag 0x06: unit 0 stored 89 AB, unit 1 code 6 (two lines
//           up); change 0x06 ^ 0x41 = 0x47 -> flag A bit 1, flag B 0x47
// Flag A bits 0 1 1, most significant first: 0x60 (padded to 2 bytes).
std::vector<uint8_t> HandMadeMag(const std::vector<uint8_t>& afterEof) {
    std::vector<uint8_t> f;
    AppendText(f, "MAKI02  PC98USER NAME          memo");
    f.push_back(0x1A);
    f.insert(f.end(), afterEof.begin(), afterEof.end());
    // The 32-byte header, little-endian; offsets count from its first byte.
    Append(f, {0x00, 0x00, 0x00, 0x00});  // header start, machine, machine flag, screen mode
    Append(f, {0, 0, 0, 0, 7, 0, 2, 0});  // x0 y0 x1 y1
    Append(f, {80, 0, 0, 0});             // flag A offset (32 + 48)
    Append(f, {82, 0, 0, 0});             // flag B offset
    Append(f, {2, 0, 0, 0});              // flag B size
    Append(f, {84, 0, 0, 0});             // pixel offset
    Append(f, {6, 0, 0, 0});              // pixel size
    for (int i = 0; i < 16; ++i) {        // palette: G, R, B
        f.push_back(static_cast<uint8_t>(i * 16));
        f.push_back(static_cast<uint8_t>(255 - i * 16));
        f.push_back(static_cast<uint8_t>(i));
    }
    Append(f, {0x60, 0x00});                          // flag A
    Append(f, {0x41, 0x47});                          // flag B
    Append(f, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB});  // pixels
    return f;
}

void ExpectHandMadeMag(const std::vector<uint8_t>& file) {
    Picture pic;
    ASSERT_EQ(DecodeMag(file.data(), file.size(), pic), DecodeStatus::Ok);
    ASSERT_EQ(pic.width, 8);
    ASSERT_EQ(pic.height, 3);
    const int expected[3][8] = {{0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 0, 1, 2, 3}, {8, 9, 10, 11, 4, 5, 6, 7}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint32_t i = static_cast<uint32_t>(expected[y][x]);
            const uint32_t rgb = ((255 - i * 16) << 16) | ((i * 16) << 8) | i;
            EXPECT_EQ(PixelAt(pic, x, y), rgb) << x << "," << y;
        }
}

}  // namespace

TEST(MagLayout, HandAssembledFileFollowsTheDescription) {
    ExpectHandMadeMag(HandMadeMag({}));
}

TEST(MagLayout, HeaderStartsAtTheFirstZeroAfterTheCommentEnd) {
    ExpectHandMadeMag(HandMadeMag({'x', 'y'}));
}

// Pi: comment up to 0x1A, dummy bytes up to a 0, mode (bit 7: no palette
// in the file), aspect n and m, planes, 4-byte machine, extension length
// and data, then width and height, big-endian. Forged huge dimensions read
// from the right place give TooLarge; a misplaced read gives another status.
TEST(PiLayout, HeaderFieldsAreReadFromTheirPlaces) {
    std::vector<uint8_t> f;
    AppendText(f, "Pi comment");
    Append(f, {0x1A, 'd', 'u', 0x00});
    Append(f, {0x80, 0, 0, 4});  // mode: no palette; aspect 0:0; 4 planes
    AppendText(f, "MACH");
    Append(f, {0x00, 0x03, 0x00, 0x01, 0x00});  // 3 bytes of machine data
    Append(f, {0x10, 0x00, 0x10, 0x01});        // 4096 x 4097
    Append(f, {0x00, 0x00, 0x00, 0x00});
    Picture pic;
    EXPECT_EQ(DecodePi(f.data(), f.size(), pic), DecodeStatus::TooLarge);
}

// PIC: comment up to $1A, non-zero dummy bytes, 0, a reserved byte, the
// machine type (bits 0-3) and mode (bits 4-7), colour bits, X and Y sizes
// as words; the X68000 original has nothing before the compressed data.
TEST(PicLayout, HeaderFieldsAreReadFromTheirPlaces) {
    std::vector<uint8_t> f;
    AppendText(f, "PIC comment");
    Append(f, {0x1A, 'd', 'u', 0x00});
    Append(f, {0x00, 0x00});                    // reserved; X68000
    Append(f, {0x00, 0x0F});                    // 15 bits of colour
    Append(f, {0x10, 0x00, 0x10, 0x01});        // 4096 x 4097
    Append(f, {0x00, 0x00, 0x00, 0x00});
    Picture pic;
    EXPECT_EQ(DecodePic(f.data(), f.size(), pic), DecodeStatus::TooLarge);
    f[f.size() - 9] = 0x10;  // 16 bits of colour: still this variant
    EXPECT_EQ(DecodePic(f.data(), f.size(), pic), DecodeStatus::TooLarge);
}
