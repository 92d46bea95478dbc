// The FTP client's portable parts: replies, the passive reply, listing lines
// of Unix and DOS servers, and the network text form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/ftpclient/listing.h"
#include "components/ftpclient/reply.h"
#include "components/ftpclient/text_mode.h"

using namespace ftpclient;

namespace {

struct ReplyCase {
    std::vector<std::string> chunks;
    std::vector<int> codes;
    std::string lastText;
    bool fails;
};

TEST(FtpProtocolTest, RepliesAreCutAtTheirOwnEnds) {
    const ReplyCase cases[] = {
        {{"220 ready\r\n"}, {220}, "220 ready", false},
        // A reply split anywhere, even inside its line end.
        {{"33", "1 Password", " required\r", "\n"}, {331}, "331 Password required", false},
        {{"230 ok\r\n150 open\r\n226 done\r\n"}, {230, 150, 226}, "226 done", false},
        // Multi-line: lines in between may look like codes of another kind.
        {{"230-Welcome\r\n200 not the end\r\n230-still\r\n230 end\r\n"}, {230}, "230-Welcome\n200 not the end\n230-still\n230 end", false},
        // A bare LF ends a line as well.
        {{"200 a\n"}, {200}, "200 a", false},
        {{"hello\r\n"}, {}, "", true},
        {{"600 no such kind\r\n"}, {}, "", true},
        {{"2x0 broken\r\n"}, {}, "", true},
        {{"220"}, {}, "", false},  // incomplete: nothing yet
    };
    for (const auto& c : cases) {
        ReplyReader reader;
        bool ok = true;
        for (const auto& chunk : c.chunks) ok = reader.Feed(chunk.data(), chunk.size()) && ok;
        std::vector<int> codes;
        Reply r;
        std::string last;
        while (reader.Next(&r)) {
            codes.push_back(r.code);
            last = r.text;
        }
        EXPECT_EQ(!ok, c.fails) << c.chunks[0];
        EXPECT_EQ(codes, c.codes) << c.chunks[0];
        if (!c.codes.empty()) EXPECT_EQ(last, c.lastText);
    }
}

TEST(FtpProtocolTest, EndlessLinesAndRepliesAreRefused) {
    ReplyReader line;
    const std::string longLine(ReplyReader::kMaxLine + 1, 'a');
    EXPECT_FALSE(line.Feed(longLine.data(), longLine.size()));

    ReplyReader many;
    std::string text = "220-start\r\n";
    for (size_t i = 0; i <= ReplyReader::kMaxLines; ++i) text += " more\r\n";
    EXPECT_FALSE(many.Feed(text.data(), text.size()));
}

TEST(FtpProtocolTest, PassiveReplyGivesThePort) {
    struct {
        const char* text;
        bool ok;
        int port;
    } const cases[] = {
        {"227 Entering Passive Mode (127,0,0,1,195,80).", true, 195 * 256 + 80},
        {"227 Entering Passive Mode 10,1,2,3,4,1", true, 1025},
        {"227 =127,0,0,1,0,21", true, 21},
        {"227 Entering Passive Mode (127,0,0,1,256,80)", false, 0},
        {"227 Entering Passive Mode (127,0,0,1,80)", false, 0},
        {"227 Entering Passive Mode (1234,0,0,1,1,1)", false, 0},
        {"227 Entering Passive Mode (127,0,0,1,0,0)", false, 0},
        {"227 nothing", false, 0},
    };
    for (const auto& c : cases) {
        unsigned char address[4] = {};
        int port = 0;
        EXPECT_EQ(ParsePassiveReply(c.text, address, &port), c.ok) << c.text;
        if (c.ok) EXPECT_EQ(port, c.port) << c.text;
    }
}

TEST(FtpProtocolTest, ListingLinesOfUnixAndDosServers) {
    struct {
        const char* line;
        bool ok;
        const char* name;
        const char* date;
        int64_t size;
        int attributes;
    } const cases[] = {
        {"drwxr-xr-x   2 user     group        4096 Dec 08 01:53 pub", true, "pub", "Dec 08 01:53", 4096, kAttrFolder},
        {"-rw-r--r--   1 ftp      ftp      12345678 Jan  1  2024 README.TXT", true, "README.TXT", "Jan 1 2024", 12345678, kAttrFile},
        // Names keep their inner blanks; owners without a group column.
        {"-rw-r--r-- 1 owner 77 Mar 3 10:00 my file.txt", true, "my file.txt", "Mar 3 10:00", 77, kAttrFile},
        {"lrwxrwxrwx 1 root root 7 Feb 2 2020 bin -> usr/bin", true, "bin", "Feb 2 2020", 7, kAttrLink},
        {"-rw-r--r-- 1 u g 5000000000 Apr 30 23:59 big.iso", true, "big.iso", "Apr 30 23:59", 5000000000LL, kAttrFile},
        {"12-08-26  01:53AM       <DIR>          incoming", true, "incoming", "12-08-26 01:53AM", 0, kAttrFolder},
        {"07-04-2026  11:02PM            1,024 data.bin", true, "data.bin", "07-04-2026 11:02PM", 1024, kAttrFile},
        {"total 12", false, "", "", 0, 0},
        {"", false, "", "", 0, 0},
        {"drwxr-xr-x 2 user group 4096 Dec 08 01:53", false, "", "", 0, 0},
        {"-rw-r--r-- 1 u g 99999999999999999999 Apr 30 23:59 huge", false, "", "", 0, 0},
        {"12-08-26  01:53AM", false, "", "", 0, 0},
        {"12-08-26  01:53AM  12a4 x", false, "", "", 0, 0},
    };
    for (const auto& c : cases) {
        DirItem item;
        ASSERT_EQ(ParseListLine(c.line, &item), c.ok) << c.line;
        if (!c.ok) continue;
        EXPECT_EQ(item.name, c.name) << c.line;
        EXPECT_EQ(item.date, c.date) << c.line;
        EXPECT_EQ(item.size, c.size) << c.line;
        EXPECT_EQ(item.attributes, c.attributes) << c.line;
    }
}

TEST(FtpProtocolTest, ListingStreamIsCutIntoLines) {
    LineSplitter splitter;
    std::vector<std::string> lines;
    auto take = [&lines](const std::string& l) { lines.push_back(l); };
    const std::string stream = "one\r\ntw";
    splitter.Feed(stream.data(), stream.size(), take);
    const std::string rest = "o\nthree";
    splitter.Feed(rest.data(), rest.size(), take);
    splitter.End(take);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three"}));
}

TEST(FtpProtocolTest, TextGoesWithCrLfLineEnds) {
    struct {
        std::vector<std::string> chunks;
        std::string wire;
    } const cases[] = {
        {{"a\nb\n"}, "a\r\nb\r\n"},
        {{"a\r\nb\r\n"}, "a\r\nb\r\n"},
        // A CR LF split between two chunks stays one line end.
        {{"a\r", "\nb"}, "a\r\nb"},
        {{"a\r", "b\n"}, "a\rb\r\n"},
        {{"\n\n"}, "\r\n\r\n"},
    };
    for (const auto& c : cases) {
        NetworkText text;
        std::string wire;
        for (const auto& chunk : c.chunks) text.Convert(chunk.data(), chunk.size(), &wire);
        EXPECT_EQ(wire, c.wire);
    }
}

}  // namespace
