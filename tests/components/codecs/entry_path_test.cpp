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
