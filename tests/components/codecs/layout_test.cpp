// Files assembled byte by byte from the published format descriptions
// (Mooncore's English rewrites of the authors' texts, Yanagisawa's
// pic_fmt.txt and pitech_e.txt, Woody RINN's MAG text, checked against the
// public loaders of xv), not from our encoders: they pin the details that a
// shared misunderstanding between encoder and decoder would let through.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "components/codecs/mag.h"
#include "components/codecs/pi.h"
#include "components/codecs/pic.h"
#include "components/codecs/pic2.h"
#include "components/codecs/q4.h"
#include "components/codecs/bits.h"

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

// Pi, 16 colours, 6 x 2, no palette in the file (the default colours),
// aspect 2:1 (tall pixels). Colour ranks count from the most recent colour
// after the left pixel; a fresh table lists, after colour p, p, p-1, p-2...
//   first colours: rank 1 after 0 -> 15 "11"; rank 1 after 15 -> 14 "11";
//   the two lines before the picture read 15 14 15 14 ...
//   position 1 (one line up), 1 pair      "01" "0"   -> 15 14
//   position 1 again: new colours         "01"
//     rank 0 after 14 -> 14, twice, stop  "10" "10" "0"  -> 14 14
//   position 0, the left two are equal:
//     the pair two pixels back            "00" "0"   -> 14 14
//   position 1, one line up               "01" "0"   -> 15 14
//   position 0, the left two differ:
//     the pair four pixels back           "00" "0"   -> 14 14
//   position 2 (two lines up)             "10" "0"   -> 15 14
TEST(PiLayout, HandAssembledFileFollowsTheDescription) {
    std::vector<uint8_t> f;
    AppendText(f, "Pi");
    Append(f, {0x1A, 0x00});
    Append(f, {0x80, 2, 1, 4});  // mode: default palette; aspect 2:1; 4 planes
    AppendText(f, "TEST");
    Append(f, {0x00, 0x00, 0x00, 0x06, 0x00, 0x02});  // no extension; 6 x 2
    Append(f, {0xF4, 0xD0, 0x21, 0x00});
    Picture pic;
    ASSERT_EQ(DecodePi(f.data(), f.size(), pic), DecodeStatus::Ok);
    ASSERT_EQ(pic.width, 6);
    ASSERT_EQ(pic.height, 2);
    const uint32_t w = 0xFFFFFF, y = 0xFFFF00;  // default colours 15 and 14
    const uint32_t expected[2][6] = {{w, y, y, y, y, y}, {w, y, y, y, w, y}};
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelAt(pic, x, row), expected[row][x]) << x << "," << row;
    EXPECT_EQ(pic.xDensity, 2) << "tall pixels: shown twice as high";
    EXPECT_EQ(pic.yDensity, 1);
}

TEST(PiLayout, DefaultPalettes) {
    EXPECT_EQ(PiDefaultColor(16, 0), 0x000000u);
    EXPECT_EQ(PiDefaultColor(16, 1), 0x000077u) << "bit 0 blue, dim";
    EXPECT_EQ(PiDefaultColor(16, 2), 0x770000u) << "bit 1 red";
    EXPECT_EQ(PiDefaultColor(16, 4), 0x007700u) << "bit 2 green";
    EXPECT_EQ(PiDefaultColor(16, 10), 0xFF0000u) << "bit 3 bright";
    EXPECT_EQ(PiDefaultColor(256, 0xFF), 0xE0E0C0u) << "G3 R3 B2";
    EXPECT_EQ(PiDefaultColor(256, 0x20), 0x002000u);
    EXPECT_EQ(PiDefaultColor(256, 0x04), 0x200000u);
    EXPECT_EQ(PiDefaultColor(256, 0x01), 0x000040u);
}

// PIC, X68000, 15 bits, 4 x 2. Lengths: n one-bits, a zero, n + 1 bits,
// plus 2^(n+1) - 1. Colours: 1 and a cache slot, or 0 and G5 R5 B5.
//   length 1 "00"; new red "0" 00000 11111 00000 (cache slot 1);
//     chain "1": one line on and one left "01" (past the left edge: the
//     last pixel of the line above), one on and one right "11" (below the
//     picture: dropped), end "000"
//   length 1 "00"; cache slot 1 "1" 0000001 (red again); no chain "0"
//   length 1 "00"; new blue "0" 00000 00000 11111 (slot 2); no chain "0"
//   length 5 "1" "0" "10": pixels 3-6 keep red (the chain's mark at 3),
//     pixel 7 takes cache slot 2 "1" 0000010 (blue); the stream ends here.
TEST(PicLayout, HandAssembledFileFollowsTheDescription) {
    std::vector<uint8_t> f;
    AppendText(f, "PIC");
    Append(f, {0x1A, 0x00, 0x00, 0x00});  // comment end, its true end, reserved, X68000
    Append(f, {0x00, 0x0F, 0x00, 0x04, 0x00, 0x02});
    Append(f, {0x00, 0xF8, 0x2E, 0x08, 0x10, 0x00, 0x3E, 0xA8, 0x20});
    Picture pic;
    ASSERT_EQ(DecodePic(f.data(), f.size(), pic), DecodeStatus::Ok);
    ASSERT_EQ(pic.width, 4);
    ASSERT_EQ(pic.height, 2);
    const uint32_t r = X68kColor(0x07C0), b = X68kColor(0x003E);
    const uint32_t expected[2][4] = {{r, r, b, r}, {r, r, r, b}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelAt(pic, x, y), expected[y][x]) << x << "," << y;
}

// The other machines of the description: the header's type byte (mode in
// the high nibble, machine in the low), the colour bits, any extra header
// fields, then a 2 x 1 picture: length 1 "00", a colour, no chain "0",
// length 2 "01".
TEST(PicLayout, OtherMachinesReadTheirOwnColourLayout) {
    struct Case {
        const char* name;
        uint8_t type;
        uint8_t depth;
        std::vector<uint8_t> extra;
        std::vector<uint8_t> data;
        uint32_t rgb;
        uint16_t xDensity, yDensity;
    };
    const Case cases[] = {
        // R5 G5 B5, no cache bit: 11111 00000 00000
        {"Macintosh", 0x03, 15, {}, {0x3E, 0x00, 0x10}, 0xFF0000, 1, 1},
        // FM TOWNS mode 5, G5 R5 B5 through the cache: "0", 00000 00000 11111
        {"FM TOWNS", 0x52, 15, {}, {0x00, 0x07, 0xC8}, 0x0000FF, 1, 1},
        // PC-88VA 8 bits, G3 R3 B2, no cache: 111 000 00
        {"PC-88VA", 0x01, 8, {}, {0x38, 0x08}, 0x00FF00, 1, 1},
        // any machine, 24 bits, after a position the aspect 1:2 (wide
        // pixels); "0", G 0x00, R 0x80, B 0xFF
        {"any machine", 0x0F, 24, {0, 0, 0, 0, 1, 2}, {0x00, 0x10, 0x1F, 0xE4}, 0x8000FF, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> f;
        AppendText(f, "PIC");
        Append(f, {0x1A, 0x00, 0x00, c.type, 0x00, c.depth, 0x00, 0x02, 0x00, 0x01});
        f.insert(f.end(), c.extra.begin(), c.extra.end());
        f.insert(f.end(), c.data.begin(), c.data.end());
        Picture pic;
        ASSERT_EQ(DecodePic(f.data(), f.size(), pic), DecodeStatus::Ok);
        EXPECT_EQ(PixelAt(pic, 0, 0), c.rgb);
        EXPECT_EQ(PixelAt(pic, 1, 0), c.rgb);
        EXPECT_EQ(pic.xDensity, c.xDensity);
        EXPECT_EQ(pic.yDensity, c.yDensity);
    }
}

// Q4: a 16-byte header with "MAJYO" at 11, then chunks of a 6-byte header
// (compressed size, a word, pixel pairs) and codes, 3 bits wide at first;
// the code 1 widens them, 0 ends the chunk, v > 1 is entry v - 2. Entries
// 0-16 are those symbols; each code read adds the next entry, and entry
// e >= 17 repeats its own bytes and the first byte of entry e + 1.
class Q4Codes {
public:
    void Code(uint32_t entry) {
        while (entry + 2 >= (1u << width_)) bits_.Bits(1, width_++);
        bits_.Bits(entry + 2, width_);
    }
    void Symbols(std::initializer_list<uint8_t> symbols) {
        for (uint8_t s : symbols) Code(s);
    }
    void EndChunk(std::vector<uint8_t>& f, uint16_t pairs) {
        bits_.Bits(0, width_);
        const auto& b = bits_.bytes();
        Append(f, {static_cast<uint8_t>(b.size()), static_cast<uint8_t>(b.size() >> 8), 0, 0,
                   static_cast<uint8_t>(pairs), static_cast<uint8_t>(pairs >> 8)});
        f.insert(f.end(), b.begin(), b.end());
        bits_ = BitWriter();
        width_ = 3;
    }

private:
    BitWriter bits_;
    unsigned width_ = 3;
};

TEST(Q4Layout, HandAssembledFileFollowsTheDescription) {
    std::vector<uint8_t> f(16, 0);
    std::memcpy(&f[11], "MAJYO", 5);
    Q4Codes codes;
    // The palette: each channel as two symbols, the second its level.
    // Colour 0 green, 1 red, 4 blue, the rest black.
    for (unsigned i = 0; i < 16; ++i) {
        const uint8_t r = i == 1 ? 15 : 0, g = i == 0 ? 15 : 0, b = i == 4 ? 15 : 0;
        codes.Symbols({0, r, 0, g, 0, b});
    }
    codes.EndChunk(f, 0);
    // 128000 pixels: one pixel of colour 4; then "16 0 2 16 16", a run of
    // 16 * 17 + 16 = 288 of colour 2 (entries 17-22); entry 21 repeats
    // "16" and the first byte of entry 22: "16 16" (entry 23), and a
    // symbol 16 completes the run command "16 16 16" (entry 24). Entry 23
    // now stands for "16 16 16": 442 more runs of 288. Then "16 7 8", a
    // run of 7 * 17 + 8 = 127.
    codes.Symbols({4, 16, 0, 2, 16, 16});
    codes.Code(21);
    codes.Symbols({16});
    for (int i = 0; i < 442; ++i) codes.Code(23);
    codes.Symbols({16, 7, 8});
    codes.EndChunk(f, 64000);
    // The other 128000: runs of the run colour, which each chunk starts at
    // 0: "16 16 16" (entries 17-19), entry 17 as "16 16" (entry 20), a
    // symbol 16 (entry 21), then entry 20 for "16 16 16" 442 times, a run
    // of 127 and a single pixel of colour 0.
    codes.Symbols({16, 16, 16});
    codes.Code(17);
    codes.Symbols({16});
    for (int i = 0; i < 442; ++i) codes.Code(20);
    codes.Symbols({16, 7, 8, 0});
    codes.EndChunk(f, 64000);

    Picture pic;
    ASSERT_EQ(DecodeQ4(f.data(), f.size(), pic), DecodeStatus::Ok);
    ASSERT_EQ(pic.width, 640);
    ASSERT_EQ(pic.height, 400);
    EXPECT_EQ(Q4PaletteSlot(1), 4u);
    EXPECT_EQ(Q4PaletteSlot(4), 2u);
    EXPECT_EQ(PixelAt(pic, 0, 0), 0xFF0000u) << "the file's colour 1 is palette slot 4";
    EXPECT_EQ(PixelAt(pic, 1, 0), 0x0000FFu) << "the file's colour 4 is palette slot 2";
    EXPECT_EQ(PixelAt(pic, 639, 199), 0x0000FFu) << "the last pixel of the first chunk";
    EXPECT_EQ(PixelAt(pic, 0, 200), 0x00FF00u) << "the second chunk's runs start at colour 0";
    EXPECT_EQ(PixelAt(pic, 639, 399), 0x00FF00u);
    EXPECT_EQ(pic.pixels[199 * 640 + 639 - 127], 2);
}

// PIC2: a 124-byte header ("P2DT", name 18, subtitle 8, CR LF, title 30,
// CR LF, saver 30, CR LF, 1A 00, then big-endian: flag, number, time,
// header size, colour bits, x and y aspect, width, height, reserved),
// then blocks: id, size (with its 26-byte header), flag (bit 0: the
// opaque colour is see-through), width, height, x, y, opaque colour,
// reserved, the pixels; an id starting with 0 ends them.
std::vector<uint8_t> Pic2Header(uint16_t depth, uint16_t xAspect, uint16_t yAspect, uint16_t width, uint16_t height) {
    std::vector<uint8_t> f;
    AppendText(f, "P2DT");
    f.resize(f.size() + 18 + 8, ' ');
    Append(f, {0x0D, 0x0A});
    f.resize(f.size() + 30, ' ');
    Append(f, {0x0D, 0x0A});
    f.resize(f.size() + 30, ' ');
    Append(f, {0x0D, 0x0A, 0x1A, 0x00});
    Append(f, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 124});  // flag, number, time, header size
    for (uint16_t v : {depth, xAspect, yAspect, width, height}) Append(f, {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    Append(f, {0, 0, 0, 0});
    return f;
}

void Pic2Block(std::vector<uint8_t>& f, const char* id, uint16_t flag, uint16_t w, uint16_t h, uint16_t x, uint16_t y,
               uint32_t opaque, const std::vector<uint8_t>& pixels) {
    AppendText(f, id);
    const uint32_t size = static_cast<uint32_t>(26 + pixels.size());
    Append(f, {static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 8),
               static_cast<uint8_t>(size)});
    for (uint16_t v : {flag, w, h, x, y}) Append(f, {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    Append(f, {static_cast<uint8_t>(opaque >> 24), static_cast<uint8_t>(opaque >> 16), static_cast<uint8_t>(opaque >> 8),
               static_cast<uint8_t>(opaque), 0, 0, 0, 0});
    f.insert(f.end(), pixels.begin(), pixels.end());
}

TEST(Pic2Layout, RawBlocksAreDrawnOntoTheCanvasInTurn) {
    // 24 bits, aspect 1:2 (x to y: tall pixels), a 2 x 1 canvas that the
    // second block widens to 3 x 2; its opaque colour 000000 is see-through.
    auto f = Pic2Header(24, 1, 2, 2, 1);
    Pic2Block(f, "P2BM", 0, 2, 1, 0, 0, 0, {0xFF, 0, 0, 0, 0, 0xFF});
    Pic2Block(f, "P2BI", 1, 3, 2, 0, 0, 0,
              {0, 0, 0, 0, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0});
    Append(f, {0, 0, 0, 0, 0, 0, 0, 0});
    Picture pic;
    ASSERT_EQ(DecodePic2(f.data(), f.size(), pic), DecodeStatus::Ok);
    ASSERT_EQ(pic.width, 3);
    ASSERT_EQ(pic.height, 2);
    const uint32_t expected[2][3] = {{0xFF0000, 0x00FF00, 0xFFFFFF}, {0xFFFFFF, 0x000000, 0x00FF00}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(pic, x, y), expected[y][x]) << x << "," << y;
    EXPECT_EQ(pic.xDensity, 2) << "tall pixels: shown twice as high";
    EXPECT_EQ(pic.yDensity, 1);
}

TEST(Pic2Layout, FifteenBitWordsHoldGreenRedBlueInEitherByteOrder) {
    // Red: G 00000 R 11111 B 00000 and a low bit 0, 0x07C0.
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {{"P2BM", {0x07, 0xC0}}, {"P2BI", {0xC0, 0x07}}};
    for (const auto& [id, pixel] : cases) {
        SCOPED_TRACE(id);
        auto f = Pic2Header(15, 0, 0, 1, 1);
        Pic2Block(f, id, 0, 1, 1, 0, 0, 0, pixel);
        Picture pic;
        ASSERT_EQ(DecodePic2(f.data(), f.size(), pic), DecodeStatus::Ok);
        EXPECT_EQ(PixelAt(pic, 0, 0), 0xFF0000u);
        EXPECT_EQ(pic.xDensity, 1);
    }
}
