// The extraction and packing command lines and names, as the archiver
// libraries receive them.
#include <gtest/gtest.h>

#include "archive/pack_command.h"
#include "archive/unpack_command.h"
#include "core/file_kind.h"

using namespace qaz;

TEST(UnpackCommand, CommandLinesOfEveryKind) {
    struct Case {
        int kind;
        bool work;
        const char* archive;
        const char* destination;
        const char* autoFolder;
        const char* list;
        const char* expected;
    } cases[] = {
        {kindLzh, false, "C:\\in\\a.lzh", "C:\\in\\", "", "", "x -a1 \"C:\\in\\a.lzh\" \"C:\\in\\\""},
        {kindLzh, false, "C:\\in\\a.lzh", "C:\\in\\", "a", "", "x -a1 \"C:\\in\\a.lzh\" \"C:\\in\\a\\\""},
        {kindLzh, false, "C:\\in\\a.lzh", "C:\\in\\", "a", "C:\\t\\unpack.qaz",
         "x -a1 \"C:\\in\\a.lzh\" \"C:\\in\\a\\\" \"@C:\\t\\unpack.qaz\""},
        {kindLzh, true, "C:\\in\\a.lzh", "C:\\t\\~qaz\\", "a", "C:\\t\\unpack.qaz",
         "x -a0gj \"C:\\in\\a.lzh\" \"C:\\t\\~qaz\\\" \"@C:\\t\\unpack.qaz\""},  // no automatic folder
        {kindZip, false, "C:\\in\\z.zip", "D:\\out\\", "", "", "-x -s -V -i \"C:\\in\\z.zip\" \"D:\\out\\\""},
        {kindZip, true, "C:\\in\\z.zip", "C:\\t\\~qaz\\", "", "", "C:\\in\\z.zip\" \"C:\\t\\~qaz\\\""},
        {kindArj, false, "C:\\in\\r.arj", "C:\\in\\", "", "", "x -a \"C:\\in\\r.arj\" \"C:\\in\\\""},
        {kindArj, true, "C:\\in\\r.arj", "C:\\w\\", "", "", "x -hj \"C:\\in\\r.arj\" \"C:\\w\\\""},
        {kindCab, false, "C:\\in\\c.cab", "C:\\in\\", "", "", "-x \"C:\\in\\c.cab\" \"C:\\in\\\""},
        {kindCab, true, "C:\\in\\c.cab", "C:\\w\\", "", "", "-x -j \"C:\\in\\c.cab\" \"C:\\w\\\""},
        {kindIsh, false, "C:\\IN\\A.ISH", "C:\\IN\\", "", "", "/q C:\\IN\\A.ISH /f=C:\\IN\\"},
        {kindIsh, false, "C:\\IN\\A.ISH", "C:\\IN\\", "A", "C:\\t\\unpack.qaz", "/q C:\\IN\\A.ISH /f=C:\\IN\\A\\"},
        {kindTar, false, "C:\\in\\data_2024.tgz", "C:\\in\\", "data", "",
         "xvfo \"C:\\in\\data_2024.tgz\" \"C:\\in\\data\\\""},
        {kindCompressed, false, "C:\\in\\f.gz", "C:\\in\\", "", "", "xvfGo \"C:\\in\\f.gz\" \"C:\\in\\\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtractCommand(c.kind, c.work, c.archive, c.destination, c.autoFolder, c.list), c.expected)
            << c.kind << " " << c.archive;
}

TEST(UnpackCommand, FolderNamesAndListLines) {
    struct Trim {
        const char* name;
        bool digits, underscore;
        const char* folder;
    } trims[] = {
        {"photo2024.lzh", true, false, "photo"},   {"2024photo.lzh", true, false, "2024photo"},
        {"pics_old_v2.lzh", false, true, "pics"},  {"_pics.lzh", false, true, "_pics"},
        {"pics_2024.lzh", true, true, "pics"},     {"pics_2024.lzh", false, false, "pics_2024"},
        {"data_2024.tgz", true, true, "data"},     {"a.b.c.lzh", true, true, "a.b.c"},
        {"noext", true, true, "noext"},            {"ソフト1.lzh", true, false, "ソフト"},
    };
    for (const Trim& t : trims) EXPECT_EQ(AutoFolderName(t.name, t.digits, t.underscore), t.folder) << t.name;
    EXPECT_EQ(UnpackListLine(kindCab, "sub", "a.txt"), "\"sub\\a.txt\"\r\n");
    EXPECT_EQ(UnpackListLine(kindCab, "", "a.txt"), "\"a.txt\"\r\n");
    EXPECT_EQ(UnpackListLine(kindLzh, "sub", "a.txt"), "\"a.txt\"\r\n");
}

// Names whose double-byte characters end in 0x5F (ダ, 論, 点, 神 ...) or
// 0x5C (ソ): the cut never falls inside a character.
TEST(UnpackCommand, FolderNamesKeepDoubleByteCharactersWhole) {
    struct Trim {
        const char* name;
        bool digits, underscore;
        const char* folder;
    } trims[] = {
        {"ダウンロード.lzh", true, true, "ダウンロード"}, {"論文.lzh", true, true, "論文"},
        {"点_1.lzh", false, true, "点"},                 {"神2_x.lzh", true, true, "神"},
        {"ソフト_v2.lzh", true, true, "ソフト"},         {"_雲.lzh", false, true, "_雲"},
    };
    for (const Trim& t : trims) EXPECT_EQ(AutoFolderName(t.name, t.digits, t.underscore), t.folder) << t.name;
}

TEST(PackCommand, HeadsOfEveryFormatAndLevel) {
    struct Case {
        int format, word;
        const char* head;
    } cases[] = {
        {1, 0x00030000, "a -a1"}, {1, 0x10030000, "m -a1"},    {2, 18, "-a -r -ml:18"}, {2, 15, "-a -r -ml:15"},
        {2, 21, "-a -r -ml:21"},  {2, 22, "-a -r -mz"},        {2, 0, "-a -r -mz"},     {2, 14, "-a -r -mz"},
        {4, 1, "cvfz1"},          {4, 9, "cvfz9"},             {4, 0, "cvfz6"},         {4, 10, "cvfz6"},
        {4, 0x50003, "cvfz3"},    {3, 0, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(PackHead(c.format, c.word), c.head) << c.format << " " << c.word;
    EXPECT_EQ(PackCommand(1, 0x30000, "C:\\work\\notes.lzh", "C:\\t\\pack.qaz"),
              "a -a1 \"C:\\work\\notes.lzh\" \"@C:\\t\\pack.qaz\"");
}

TEST(PackCommand, ListLinesIshAndSelfExtracting) {
    struct Line {
        int format;
        const char* name;
        bool folder;
        const char* line;
    } lines[] = {
        {1, "pics", true, "\"pics\\*.*\" -d1\r\n"}, {2, "pics", true, "\"pics\\*.*\"\r\n"},
        {4, "pics", true, "\"pics\"\r\n"},          {1, "notes.txt", false, "\"notes.txt\"\r\n"},
        {2, "notes.txt", false, "\"notes.txt\"\r\n"}, {4, "notes.txt", false, "\"notes.txt\"\r\n"},
    };
    for (const Line& l : lines) EXPECT_EQ(PackListLine(l.format, l.name, l.folder), l.line) << l.format << l.name;

    struct Ish {
        int word;
        const char* path;
        const char* command;
    } ish[] = {
        {0, "C:\\DOCS\\README.TXT", "/ss /m C:\\DOCS\\README.TXT /f=C:\\DOCS"},
        {0x00050003, "C:\\A\\B\\X.BIN", "/sn /* C:\\A\\B\\X.BIN /f=C:\\A\\B"},
        {0x00020001, "C:\\X.TXT", "/s8 /c C:\\X.TXT /f=C:"},
    };
    for (const Ish& i : ish) EXPECT_EQ(IshItemCommand(i.word, i.path), i.command) << i.path;

    struct Sfx {
        int format, word;
        const char* command;
    } sfx[] = {
        {1, 0x00010000, "s \"C:\\w\\a.lzh\" \"C:\\w\\\""},
        {1, 0x00040000, "s -gw3x1 \"C:\\w\\a.lzh\" \"C:\\w\\\""},
        {1, 0x00030000, "s -gw1x1 \"C:\\w\\a.lzh\" \"C:\\w\\\""},
        {1, 0x00020000, "s -jw1x1 \"C:\\w\\a.lzh\" \"C:\\w\\\""},
        {2, 0, "-f \"C:\\w\\a.lzh\" \"C:\\w\\\""},
        {4, 0, ""},
    };
    for (const Sfx& s : sfx) EXPECT_EQ(SfxCommand(s.format, s.word, "C:\\w\\a.lzh"), s.command) << s.word;
}

TEST(PackCommand, ArchiveNames) {
    SYSTEMTIME day = {};
    day.wYear = 2024;
    day.wMonth = 3;
    day.wDay = 5;
    EXPECT_EQ(DateBaseName(day), "20240305.tmp");
    struct Case {
        const char* path;
        const char* ext;
        const char* expected;
    } cases[] = {
        {"C:\\work\\report.txt", ".lzh", "C:\\work\\report.lzh"},
        {"C:\\work\\20240305.tmp", ".tgz", "C:\\work\\20240305.tgz"},
        {"C:\\work\\pics", ".cab", "C:\\work\\pics.cab"},
        {"C:\\my.dir\\pics", ".lzh", "C:\\my.dir\\pics.lzh"},
        {"C:\\work\\mine.ZIP", ".lzh", "C:\\work\\mine.lzh"},
    };
    for (const Case& c : cases) EXPECT_EQ(WithExtension(c.path, c.ext), c.expected) << c.path;
}
