#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "components/codecs/ish.h"

using namespace qaz::codecs;

namespace {

class Ish : public ::testing::Test {
protected:
    static std::vector<uint8_t> Bytes(size_t n, unsigned seed) {
        std::mt19937 rng(seed);
        std::vector<uint8_t> v(n);
        for (uint8_t& b : v) b = static_cast<uint8_t>(rng());
        return v;
    }
    static std::string Encode(const std::vector<uint8_t>& data, IshKind kind, const std::string& name = "DATA.BIN") {
        IshEncodeOptions o;
        o.kind = kind;
        o.name = name;
        o.system = kIshUnix;
        o.dosTime = 0x5A216C21;
        return EncodeIsh(data.data(), data.size(), o);
    }
    static std::vector<IshFile> Decode(const std::string& text) {
        return DecodeIsh(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> v;
        std::istringstream in(text);
        for (std::string l; std::getline(in, l);) v.push_back(l);
        return v;
    }
    static std::string Join(const std::vector<std::string>& lines) {
        std::string s;
        for (const std::string& l : lines) s += l + "\n";
        return s;
    }
    static constexpr IshKind kKinds[] = {IshKind::Jis7, IshKind::Jis8, IshKind::ShiftJis, IshKind::NonKana};
};

// Every kind, sizes around the line and block boundaries, inside other text.
TEST_F(Ish, RoundTripsEveryKind) {
    const size_t sizes[] = {0, 1, 2, 57, 58, 59, 60, 3600, 3721, 4500, 20000};
    for (IshKind kind : kKinds) {
        for (size_t n : sizes) {
            const std::vector<uint8_t> data = Bytes(n, static_cast<unsigned>(n) + 7);
            const std::string text = "From: someone\r\n\r\n" + Encode(data, kind) + "-- \r\nbye\r\n";
            const std::vector<IshFile> files = Decode(text);
            ASSERT_EQ(files.size(), 1u) << static_cast<int>(kind) << " " << n;
            EXPECT_EQ(files[0].status, IshStatus::Ok) << static_cast<int>(kind) << " " << n;
            EXPECT_EQ(files[0].data, data) << static_cast<int>(kind) << " " << n;
            EXPECT_EQ(files[0].name, "DATA.BIN");
            EXPECT_EQ(files[0].kind, kind);
            EXPECT_EQ(files[0].system, kIshUnix);
            EXPECT_EQ(files[0].dosTime, 0x5A216C21u);
        }
    }
}

// The characters each kind may use: 7-bit JIS stays printable ASCII, no kind
// ends a line on a lone Shift-JIS lead byte, kana-less lines have no
// half-width kana.
TEST_F(Ish, LinesKeepToTheirCharacterSet) {
    const std::vector<uint8_t> data = Bytes(9000, 3);
    for (IshKind kind : kKinds) {
        const std::vector<std::string> lines = Lines(Encode(data, kind));
        for (size_t i = 1; i < lines.size(); ++i) {
            std::string l = lines[i];
            ASSERT_FALSE(l.empty());
            l.pop_back();  // CR
            bool trail = false;
            for (unsigned char c : l) {
                ASSERT_GE(c, 0x20);
                if (kind == IshKind::Jis7) ASSERT_LT(c, 0x7F);
                if (kind == IshKind::NonKana && i > 3) ASSERT_FALSE(!trail && c >= 0xA0 && c <= 0xDF) << i;
                if (kind == IshKind::ShiftJis || kind == IshKind::NonKana)
                    trail = !trail && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
                else
                    trail = false;
            }
            ASSERT_FALSE(trail) << "line " << i << " ends on a lead byte";
        }
    }
}

// Lines lost or garbled: up to two per block are rebuilt (also the vertical
// checksum line with one data line), three are refused, and a wrong
// rebuild never passes as the file.
TEST_F(Ish, RepairsWhatTheChecksumsAllow) {
    struct Case {
        std::vector<int> drop;  // line numbers after the three header lines (0 = first data line)
        bool garble;            // change a character instead of dropping the line
        IshStatus status;
    } cases[] = {
        {{5}, false, IshStatus::Repaired},
        {{5}, true, IshStatus::Repaired},
        {{0, 59}, false, IshStatus::Repaired},
        {{3, 40}, true, IshStatus::Repaired},
        {{7, 60}, false, IshStatus::Repaired},      // a data line and the vertical checksum line
        {{60}, false, IshStatus::Ok},               // the vertical line alone is not needed
        {{61}, false, IshStatus::Ok},               // nor the diagonal one
        {{2, 61}, false, IshStatus::Repaired},
        {{2, 9, 61}, false, IshStatus::Damaged},    // two lost without the diagonal line
        {{1, 2, 3}, false, IshStatus::Damaged},
        {{62, 70}, false, IshStatus::Repaired},     // in the second, shorter block
    };
    const std::vector<uint8_t> data = Bytes(9000, 11);
    for (IshKind kind : kKinds) {
        std::vector<std::string> lines = Lines(Encode(data, kind));
        const int n = kind == IshKind::Jis7 ? 61 : kind == IshKind::ShiftJis ? 71 : 67;
        for (const Case& c : cases) {
            std::vector<std::string> damaged = lines;
            for (int d : c.drop) {
                // The cases are written for blocks of 61 lines; map them onto this kind's.
                int at = d < 59 ? d : d == 59 ? n - 2 : d == 60 ? n - 1 : d == 61 ? n : d - 62 + n + 1;
                std::string& l = damaged[static_cast<size_t>(4 + at)];
                if (c.garble)
                    l[10] = l[10] == 'A' ? 'B' : 'A';
                else
                    l = "lost";
            }
            const std::vector<IshFile> files = Decode(Join(damaged));
            ASSERT_EQ(files.size(), 1u);
            EXPECT_EQ(files[0].status, c.status) << static_cast<int>(kind) << " first " << c.drop[0];
            if (c.status == IshStatus::Repaired || c.status == IshStatus::Ok) {
                EXPECT_EQ(files[0].data, data) << static_cast<int>(kind) << " first " << c.drop[0];
            } else {
                EXPECT_TRUE(files[0].data.empty());
            }
        }
    }
}

// Texts cut short, several files in one text, and headers we do not read.
TEST_F(Ish, FindsFilesAndRefusesIncompleteOnes) {
    const std::vector<uint8_t> a = Bytes(300, 1), b = Bytes(5000, 2);
    const std::string two = Encode(a, IshKind::Jis7, "a.txt") + "between\n" + Encode(b, IshKind::ShiftJis, "b.dat");
    std::vector<IshFile> files = Decode(two);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].name, "A.TXT");
    EXPECT_EQ(files[0].data, a);
    EXPECT_EQ(files[1].name, "B.DAT");
    EXPECT_EQ(files[1].data, b);

    std::vector<std::string> lines = Lines(Encode(b, IshKind::Jis8));
    lines.resize(lines.size() - 20);
    files = Decode(Join(lines));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].status, IshStatus::Truncated);
    EXPECT_TRUE(files[0].data.empty());

    // Lines as mail and logs leave them: LF or CR alone, trailing blanks, blank lines.
    for (IshKind kind : kKinds) {
        std::string text;
        int i = 0;
        for (const std::string& l : Lines(Encode(b, kind))) {
            const std::string bare = l.substr(0, l.size() - 1);
            text += ++i % 3 == 0 ? bare + "   \r" : i % 3 == 1 ? bare + "\n\n" : bare + " \t\r\n";
        }
        files = Decode(text);
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].data, b) << static_cast<int>(kind);
    }

    EXPECT_TRUE(Decode("no ish here\n!!!!\n#####\n").empty());
    EXPECT_FALSE(LooksLikeIsh(reinterpret_cast<const uint8_t*>("<<< x >>>"), 9));
    const std::string one = Encode(a, IshKind::Jis7);
    EXPECT_TRUE(LooksLikeIsh(reinterpret_cast<const uint8_t*>(one.data()), one.size()));

    // A size beyond the caller's bound is not read.
    files = DecodeIsh(reinterpret_cast<const uint8_t*>(one.data()), one.size(), 100);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].status, IshStatus::Damaged);
}

// Names are kept to the header's 8.3 field; what the field holds is the
// caller's to check before it names a file.
TEST_F(Ish, ShortNames) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"readme.txt", "README.TXT"},
        {"averylongname.html", "AVERYLON.HTM"},
        {"noext", "NOEXT"},
        {"a.b.c", "A_B.C"},
        {"\x95\x5C\x8E\xA6\x82\xB5\x82\xDC\x82\xB7.txt", "\x95\x5C\x8E\xA6\x82\xB5\x82\xDC.TXT"},  // 表示します: cut between characters
        {"ab\x95\x5C\x8E\xA6\x82\xB5\x82", "AB\x95\x5C\x8E\xA6\x82\xB5"},
        {"my file.t x", "MY_FILE.T_X"},
    };
    for (const Case& c : cases) EXPECT_EQ(IshShortName(c.in), c.out) << c.in;
    // A hostile name in a header comes back as it is (at most 8.3 bytes).
    const std::vector<IshFile> files = Decode(Encode(Bytes(10, 1), IshKind::Jis7, "..\\..\\x"));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_LE(files[0].name.size(), 12u);
}

// A text made by the Unix ish (ver 2.01a5) of the file "hello ish\n": the
// header and lines of each kind are read, and our lines are the same.
TEST_F(Ish, MatchesTheUnixIsh) {
    struct Case {
        IshKind kind;
        const char* header;
        std::vector<std::string> lines;
    } cases[] = {
        {IshKind::Jis7,
         "!!C$!!gR!2\"DRokm3'I,\"4$oua<0!)\"a[G0Xw)!$!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!JF62",
         {"\"C9<Ez+lmyRTQpBY!$!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!?/5[",
          "aC\\I\\u/l3lS-|D^o!\"!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!gR/O",
          "c_c9zX4M3e$nHiP9c|m<Wy5[_DO+w/HiYar\"}^M;iT>QKI[-8OvZGBexre,w{fnNr@{4m'}W{u3oNW"}},
        {IshKind::Jis8,
         "##Y###tR#/%t#\xBD""\xB8""i\xBD""\xB4""d'&)/m\xD7""\xC5""%#=\xBC""t\xAC""W:\xD5""&########################################t/D",
         {"%\xAA""A\xC0""|\xCA""G:\xC6""\xC3""O\xAE""\xCE""\xA8""V##############################################################\xAB""I",
          "xc\xCB""U\xA3""eU\xCE""CG\xBE""gL\xAB""F#############################################################tv%",
          "z\xDD""\xB2""46Cc\xBB"";\xD2""\xC6""+\xA7""y\xB1""\xAF""\xBB"">b\xC3""\xB8""\xB5""\xD1""\xC4""\xAA""T\xA5""K\xA7""mh\xC8""\xB2""d\xC4""\xB1""qG\xD6""\xCB""\xBA""s'9a\xDB""k\xD0""\xC2""\xA7""L\xA1""K\xB9""\xD9""\xD4""\xC9""\xB7""n\xDE""8rp\xD8""\xD1""\xC6""\xB2""j\xDE""K\xDD""\xDB""\xD9""\xD6""\xD1""\xCC""\xDE""C^"}},
        {IshKind::ShiftJis,
         "!!C$!!9Q!5\"XRokn3'I,\"4$oua<0!)\"a[G0Xw)!$!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!gR1U",
         {"%\xAC""k.\xE6""D\xE6""\x8E""\xCD""\xAF""/j\xDF""@\x8D""@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@Y\xBD""w",
          "\xA1""\x8F""\xB5""\xB6""\xD3""F\x8A""\xC0""\xE3""\xB7""\xDC""q\x9F""@v@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@\xA5""\x96""b",
          "\xA3""s\xB5""\xB7""\xC0""\xBB""\xD8""\xCB""laNK\xA4""\xB7""t\xA5""9X\xC2""}\xC2""\xD2"">\xDC""Ve\xA4""\x8B""\xD1""\xD7"";\xBB""\xC7"",K\xD4""\x8F""\xC8""\x8A""\xC6""58h3Q\xE2""\xA9""\xD0""\xE8""\xB0""\x8F""sS\xBD""\xD6""\xB1""\xCD""\xC6""\xDE""\x96""\x85""4\\\xE6""P\xDA""\xD2""\xC9""\xDA""\xB3""h\x9B""\xAC""\x9B""\x9B""U\xD4""\xC9"""}},
        {IshKind::NonKana,
         "!!C$!!9Q!4\"P$nkn3'I,\"4$oua<0!)\"a[G0Xw)!$!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!3tAo",
         {"\"q\x97""r\xE0""Fo&\x9D""\xBC""NJ\x94""n!5!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\x94""\xF8""1",
          "g\\XI35\xE2""\xBB""14\x8B""LMD!0!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\x8F""\xE6""!",
          "iP\x8E""E/$\x9B""I\xE2""\x81""iqFy\x96""uqSXC\x99""KY)y4vc\x8D""U\x9F""t\x89""\xF5""\x97""Ft\x9D""|\x9A""\xE1""hV:\xE9""\x80""\xE1""\xCC""\x93""\xE0""H*ScaQ\x99""\xD6""fJCJ\xE4""j\x9E""\xCB""\x8C""P32e&\xE3""\xC1""\xE0""\xDF""s,9"}},
    };
    const std::vector<uint8_t> data = {'h', 'e', 'l', 'l', 'o', ' ', 'i', 's', 'h', '\n'};
    for (const Case& c : cases) {
        std::string text = "<<< small.txt for UNIX >>>\n" + std::string(c.header) + "\n";
        for (const std::string& l : c.lines) text += l + "\n";
        const std::vector<IshFile> files = Decode(text + "--- small.txt (8/8) ---\n");
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].status, IshStatus::Ok) << static_cast<int>(c.kind);
        EXPECT_EQ(files[0].data, data);
        EXPECT_EQ(files[0].name, "small.txt");
        EXPECT_EQ(files[0].kind, c.kind);
        EXPECT_EQ(files[0].system, kIshUnix);

        const std::vector<std::string> ours = Lines(Encode(data, c.kind, "small.txt"));
        ASSERT_EQ(ours.size(), 7u);
        for (size_t i = 0; i < 3; ++i) EXPECT_EQ(ours[4 + i], c.lines[i] + "\r") << static_cast<int>(c.kind) << " " << i;
    }
}

}  // namespace
