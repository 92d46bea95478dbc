// The values the settings dialog edits: bit groups kept apart, numbers in
// their ranges, defaults where nothing is stored.
#include <gtest/gtest.h>

#include "base/registry.h"
#include "core/registry_keys.h"
#include "components/settings/fields.h"
#include "tests/support/test_env.h"

using namespace qaz;
using namespace qaz::setup;

namespace {

const Field& F(const char* key, const char* name, unsigned mask = 0) {
    const int i = FindField(key, name, mask);
    EXPECT_GE(i, 0) << name << " " << mask;
    return SetupFields()[i < 0 ? 0 : i];
}

}  // namespace

TEST(SetupFields, ControlsChangeOnlyTheirOwnBits) {
    struct Case {
        const char* name;
        unsigned mask;
        int before, part, after;
    };
    const Case cases[] = {
        {"ClockType", 0x1110000, 0x1110110, 0, 0x110},        // date off
        {"ClockType", 0x1110000, 0x0010110, 1, 0x0010110},    // still on: its own bits stay
        {"ClockType", 0x1000, 0x1110110, 1, 0x1111110},       // weekday on
        {"ClockType", 0x110, 0x1110111, 0, 0x1110001},        // time off, the blank bit stays
        {"PackLevel1", 0x10000000, 0x30000, 1, 0x10030000},   // move
        {"PackLevel1", 0x0FFF0000, 0x10030000, 2, 0x10020000},
        {"PackLevel3", 0xFFFF0000, 0x00000002, 5, 0x00050002},
        {"PackLevel3", 0xFFFF, 0x00050002, 0, 0x00050000},
        {"PackLevel2", 0xFFFF, 0x7FFF0000, 21, 0x7FFF0015},
    };
    for (const Case& c : cases) {
        const Field& f = F(kRegSettings, c.name, c.mask);
        EXPECT_EQ(WithPart(f, c.before, c.part), c.after) << c.name << " " << std::hex << c.mask;
        EXPECT_EQ(FieldPart(f, c.after), c.part) << c.name << " " << std::hex << c.mask;
    }
    const Field& style = F(kRegDesktop, "IconStyle", 0x3);
    EXPECT_EQ(WithPart(style, 0x2000, 2), 0x2002);
    EXPECT_EQ(FieldPart(F(kRegDesktop, "IconStyle", 0x2000), 0x2002), 1);
    EXPECT_EQ(WithPart(F(kRegSettings, "Open"), 7, 0), 0);
    EXPECT_EQ(FieldPart(F(kRegSettings, "Open"), 7), 1) << "any non-zero is true";
}

TEST(SetupFields, NumbersAreDecimalAndInRange) {
    struct Case {
        const char* name;
        const char* text;
        bool ok;
        int value;
    };
    const Case cases[] = {
        {"Bmp", "7", true, 7},          {"Bmp", " 12 ", true, 12},   {"Bmp", "0", false, 0},
        {"Bmp", "86401", false, 0},     {"Bmp", "3s", false, 0},     {"Bmp", "", false, 0},
        {"Bmp", "-", false, 0},         {"Bmp", "99999999999999", false, 0},
        {"AniTime", "0", true, 0},      {"AniTime", "-1", false, 0}, {"AniTime", "1440", true, 1440},
    };
    for (const Case& c : cases) {
        int v = -99;
        EXPECT_EQ(ParseNumber(F(kRegSettings, c.name), c.text, &v), c.ok) << c.name << " '" << c.text << "'";
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(SetupFields, AnEmptyTreeReadsAsTheDefaultsAndMistypedValuesToo) {
    qaztest::ClearSettings();
    qaztest::SetString(kRegSettings, "Bmp", "5");  // a string where a number belongs
    Values v = ReadValues();
    struct Case {
        const char* key;
        const char* name;
        int number;
        const char* text;
    };
    const Case cases[] = {
        {kRegSettings, "ClockType", 0x1110110, ""}, {kRegSettings, "PackLevel1", 0x30000, ""},
        {kRegSettings, "PackLevel4", 1, ""},        {kRegSettings, "Bmp", 3, ""},
        {kRegSettings, "Color", 0x88FFFF, ""},      {kRegDesktop, "IconStyle", 0x2000, ""},
        {kRegDesktop, "IconTextColor", -1, ""},     {kRegMain, "TaskTray", 1, ""},
        {kRegFtp, "ConnectTimeOut", 30000, ""},     {kRegFtp, "TxtType", 0, "HTML,HTM,TXT,"},
    };
    for (const Case& c : cases) {
        const Value& got = v[std::string(c.key) + "\\" + c.name];
        EXPECT_EQ(got.number, c.number) << c.name;
        EXPECT_EQ(got.text, c.text) << c.name;
    }
    EXPECT_TRUE(WriteChanged(v, v));
    DWORD d = 0;
    EXPECT_FALSE(qaztest::ReadDword(kRegSettings, "ClockType", &d)) << "nothing changed, nothing written";
    qaztest::ClearSettings();
}

TEST(SetupFields, UntouchedValuesStayAsStoredAndFoldersGetTheirSeparator) {
    // A check box left as it was keeps a boolean stored as another non-zero.
    const Field& open = F(kRegSettings, "Open");
    EXPECT_EQ(WithPart(open, 5, 1), 5);
    EXPECT_EQ(WithPart(open, 5, 0), 0);
    EXPECT_EQ(WithPart(open, 0, 1), 1);
    struct Folder {
        const char* shown;
        const char* stored;
        const char* written;
    } folders[] = {
        {"D:\\out", "D:\\out", "D:\\out"},  // untouched: as stored
        {"D:\\out", "", "D:\\out\\"},
        {"D:\\out\\", "C:\\", "D:\\out\\"},
        {"", "D:\\out\\", ""},
        {"D:\\ソ", "", "D:\\ソ\\"},  // the trail byte 0x5C is no separator
    };
    for (const Folder& f : folders) EXPECT_EQ(FolderText(f.shown, f.stored), f.written) << f.shown;
    // The bar keeps its own place and layout and writes them when it closes.
    for (const char* name : {"Left", "Top", "TitleBar"}) EXPECT_EQ(FindField(kRegMain, name), -1) << name;
}
