// The upload's rules without a server: the extension rule and type order,
// display names, size and type texts, the folder path after a change, and
// the settings as read.
#include <gtest/gtest.h>

#include "ftp/dir_rows.h"
#include "ftp/ftp_settings.h"
#include "ftp/session.h"
#include "ftp/transfer_type.h"
#include "tests/support/test_env.h"

using namespace qaz::ftp;

namespace {

class FtpRulesTest : public ::testing::Test {
protected:
    void SetUp() override { qaztest::ClearSettings(); }
    void TearDown() override { qaztest::ClearSettings(); }
};

TEST_F(FtpRulesTest, TextFilesByTheExtensionList) {
    const std::string defaults = "HTML,HTM,TXT,";
    struct {
        const char* path;
        const char* list;
        const char* name;
        bool text;
    } const cases[] = {
        {"C:\\site\\index.html", defaults.c_str(), "index.html", true},
        {"C:\\site\\A.HTM", defaults.c_str(), "A.HTM", true},
        {"C:\\readme.txt", defaults.c_str(), "readme.txt", true},
        {"C:\\photo.jpg", defaults.c_str(), "photo.jpg", false},
        {"C:\\Makefile", defaults.c_str(), "Makefile", true},       // key "," is in any list with a comma
        {"C:\\page.tml", defaults.c_str(), "page.tml", true},       // "TML," inside "HTML,"
        {"C:\\readme.txt", "html,htm,txt,", "readme.txt", false},  // a lower-case list never matches
        {"D:name.txt", defaults.c_str(), "name.txt", true},         // after a drive colon
        {"C:\\a.b\\archive", "TXT", "archive", false},              // no comma: nothing matches
        // ソ (0x83 0x5C) ends in a byte equal to '\': it is no separator.
        {"C:\\\x83\x5C.txt", defaults.c_str(), "\x83\x5C.txt", true},
        // A trail byte that equals 't' is not upper-cased: the key stays "\x83t,".
        {"C:\\x.\x83t", "\x83T,", "x.\x83t", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SentName(c.path), c.name) << c.path;
        EXPECT_EQ(IsTextFile(SentName(c.path), c.list), c.text) << c.path;
    }
}

TEST_F(FtpRulesTest, TypeIsSetOnlyWhenTheModeChanges) {
    struct {
        std::vector<bool> text;
        std::vector<int> types;
    } const cases[] = {
        {{true, true, false, true}, {0, -1, 3, 0}},
        {{false, false}, {3, -1}},
        {{false, true, true, false}, {3, 0, -1, 3}},
    };
    for (const auto& c : cases) {
        TypeSequence sequence;
        std::vector<int> got;
        for (bool t : c.text) got.push_back(sequence.Next(t));
        EXPECT_EQ(got, c.types);
    }
}

TEST_F(FtpRulesTest, DisplayNamesAndRowCaptions) {
    struct {
        const char* name;
        const char* path;
        const char* shown;
    } const cases[] = {
        {"README.TXT", "/", "Readme.txt"},
        {"index.HTML", "/", "index.HTML"},
        {"Index.HTML", "/", "Index.html"},
        {"PUB", "/", "Pub"},
        {".", "/", "."},
        {".", "/pub/", ".."},
        {"..", "/pub/", ".."},
        {"", "/", ""},
        {"  SPACED  ", "/", "Spaced"},
        {"   ", "/", "   "},
        {"_A", "/", "_a"},
        // A double-byte name's trail bytes are not letters: ア is 0x83 0x41.
        {"\x83\x41X", "/", "\x83\x41x"},
    };
    for (const auto& c : cases) EXPECT_EQ(RowCaption(c.name, c.path), c.shown) << c.name;
}

TEST_F(FtpRulesTest, ServerGetsTheNameItListed) {
    struct {
        const char* received;
        const char* path;
        const char* sent;
    } const cases[] = {
        {"PUB", "/", "PUB"},
        {" pub ", "/", "pub"},
        {".", "/a/", ".."},
        {".", "/", "."},
        {"..", "/a/", ".."},
    };
    for (const auto& c : cases) EXPECT_EQ(ServerName(c.received, RowCaption(c.received, c.path)), c.sent);
}

TEST_F(FtpRulesTest, SizeAndTypeTexts) {
    struct {
        int64_t size;
        const char* text;
    } const sizes[] = {{0, ""}, {-5, ""}, {1, "1"}, {1023, "1023"}, {1024, "1KB"}, {2047, "1KB"},
                       {1048576, "1024KB"}, {5000000000LL, "4882812KB"}};
    for (const auto& s : sizes) EXPECT_EQ(SizeText(s.size), s.text) << s.size;

    EXPECT_EQ(TypeText("Text Document", ".txt"), "Text Document");
    EXPECT_EQ(TypeText("", ".xyz"), "xyz File");
    EXPECT_EQ(TypeText("", ""), "File");
    EXPECT_EQ(NameExtension("a.tar.gz"), ".gz");
    EXPECT_EQ(NameExtension("noext"), "");
}

TEST_F(FtpRulesTest, FolderPathFollowsChanges) {
    struct {
        const char* from;
        const char* name;
        const char* to;
    } const cases[] = {
        {"/", "pub", "/pub/"}, {"/pub/", "..", "/"}, {"/", "..", "/"}, {"/a/b/", "..", "/a/"},
        {"/a/", ".", "/a/"},   {"/a/", "b c", "/a/b c/"},
    };
    for (const auto& c : cases) EXPECT_EQ(NextRemotePath(c.from, c.name), c.to) << c.from << " " << c.name;
}

TEST_F(FtpRulesTest, SettingsAsReadAndTimeoutsTimesAThousand) {
    const qaz::FtpSettings none = ReadFtpSettings();
    EXPECT_EQ(none.TxtType, "HTML,HTM,TXT,");
    EXPECT_EQ(ClientTimeout(none.ConnectTimeOut), 30000000);
    EXPECT_EQ(none.Password, "");

    const char* key = "Software\\Yomo Soft\\qaz\\Settings\\FTP";
    qaztest::SetString(key, "UserID", "alice");
    qaztest::SetString(key, "RemoteHost", "127.0.0.1");
    qaztest::SetDword(key, "ConnectTimeOut", 2500);
    qaztest::SetString(key, "ReceiveTimeOut", "wrong kind");
    const qaz::FtpSettings s = ReadFtpSettings();
    EXPECT_EQ(s.UserID, "alice");
    EXPECT_EQ(s.RemoteHost, "127.0.0.1");
    EXPECT_EQ(ClientTimeout(s.ConnectTimeOut), 2500000);
    EXPECT_EQ(s.ReceiveTimeOut, 30000);
    // Large stored values do not wrap.
    EXPECT_EQ(ClientTimeout(3000000), 3000000000LL);
    EXPECT_EQ(ClientTimeout(-1), 0);
}

TEST_F(FtpRulesTest, ListItemsAreReadFromTheCallersListBox) {
    HWND list = CreateWindowExA(0, "LISTBOX", "", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    const std::string longName(700, 'x');
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("C:\\one.txt"));
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(longName.c_str()));
    EXPECT_EQ(ListItemCount(list), 2);
    EXPECT_EQ(ReadListItem(list, 0), "C:\\one.txt");
    EXPECT_EQ(ReadListItem(list, 1), longName);
    EXPECT_EQ(ReadListItem(list, 2), "");
    DestroyWindow(list);
}

}  // namespace
