#include <gtest/gtest.h>

#include "components/codecs/entry_path.h"

using namespace qaz::codecs;

TEST(EntryPath, RelativePaths) {
    struct Case {
        const char* raw;
        PathVerdict verdict;
        const char* out;
    } cases[] = {
        {"a/b/c.txt", PathVerdict::Ok, "a\\b\\c.txt"},
        {"./a//b\\c", PathVerdict::Ok, "a\\b\\c"},
        {"dir/", PathVerdict::Ok, "dir"},
        {"a/./b", PathVerdict::Ok, "a\\b"},
        {"..a/b..", PathVerdict::Ok, "..a\\b.."},
        {"\x83\x5C/x", PathVerdict::Ok, "\x83\x5C\\x"},  // the trail byte of "ソ" is no separator
        {"\x83\x5C..", PathVerdict::Ok, "\x83\x5C.."},
        {"", PathVerdict::Empty, ""},
        {"./", PathVerdict::Empty, ""},
        {"/etc/passwd", PathVerdict::Absolute, ""},
        {"\\\\server\\share\\x", PathVerdict::Absolute, ""},
        {"C:/Windows/x.dll", PathVerdict::Drive, ""},
        {"c:x", PathVerdict::Drive, ""},
        {"a/b.txt:stream", PathVerdict::Drive, ""},
        {"../x", PathVerdict::ParentStep, ""},
        {"a/../../x", PathVerdict::ParentStep, ""},
        {"a/../b", PathVerdict::ParentStep, ""},  // no ".." at all, even when it would stay inside
        {"a/.. /b", PathVerdict::ParentStep, ""},
        {"a/.../b", PathVerdict::ParentStep, ""},
        {"a\\..\\x", PathVerdict::ParentStep, ""},
        {"a/NUL", PathVerdict::BadName, ""},
        {"com1.txt", PathVerdict::BadName, ""},
        {"a/con .txt", PathVerdict::BadName, ""},
        {"console.txt", PathVerdict::Ok, "console.txt"},
        {"a\tb", PathVerdict::BadName, ""},
    };
    for (const Case& c : cases) {
        std::string out = "junk";
        EXPECT_EQ(SafeRelativePath(c.raw, out), c.verdict) << c.raw;
        EXPECT_EQ(out, c.out) << c.raw;
    }
}

TEST(EntryPath, LinkTargets) {
    struct Case {
        const char* link;
        const char* target;
        PathVerdict verdict;
        const char* out;
    } cases[] = {
        {"a\\b\\link", "../c.txt", PathVerdict::Ok, "a\\c.txt"},
        {"a\\link", "sub/./f", PathVerdict::Ok, "a\\sub\\f"},
        {"link", "f", PathVerdict::Ok, "f"},
        {"a\\link", "../../etc/passwd", PathVerdict::ParentStep, ""},
        {"link", "..", PathVerdict::ParentStep, ""},
        {"a\\link", "..", PathVerdict::Empty, ""},  // the destination itself
        {"a\\link", "/etc/passwd", PathVerdict::Absolute, ""},
        {"a\\link", "C:\\Windows", PathVerdict::Drive, ""},
        {"a\\link", "", PathVerdict::Empty, ""},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(SafeLinkTarget(c.link, c.target, out), c.verdict) << c.link << " -> " << c.target;
        EXPECT_EQ(out, c.out) << c.link << " -> " << c.target;
    }
}

// EUC-JP names against iconv's Shift-JIS (CP932) form of the same text.
TEST(EntryPath, EucJpNamesInShiftJis) {
    struct Case {
        const char* euc;
        bool converted;
        const char* sjis;
    } cases[] = {
        {"\xC6\xFC\xCB\xDC\xB8\xEC.txt", true, "\x93\xfa\x96\x7b\x8c\xea.txt"},  // 日本語.txt
        {"\xA5\xBD\xC9\xBD", true, "\x83\x5c\x95\x5c"},                      // ソ表: trail bytes 0x5C
        {"\xA4\xA2\xF4\xA6", true, "\x82\xa0\xea\xa4"},                      // あ and the last row's 熙
        {"\x8E\xB1\x8E\xDF", true, "\xb1\xdf"},                              // half-width ｱﾟ
        {"plain.txt", false, "plain.txt"},                                   // nothing beyond ASCII
        {"\x8F\xB0\xA1", false, ""},                                         // JIS X 0212: no Shift-JIS form
        {"\x83\x5C\x83\x74", false, ""},                                     // Shift-JIS, not EUC-JP
        {"\xC6", false, ""},                                                 // cut in the middle
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(qaz::codecs::ShiftJisFromEucJp(c.euc, out), c.converted) << c.euc;
        if (c.converted || std::string(c.euc) == "plain.txt") {
            EXPECT_EQ(out, c.sjis) << c.euc;
        }
    }
}
