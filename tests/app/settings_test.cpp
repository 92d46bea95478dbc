// Registry reads, the settings model and the clock format.
#include <gtest/gtest.h>

#include "app/clock_format.h"
#include "base/registry.h"
#include "core/registry_keys.h"
#include "core/settings.h"
#include "tests/support/test_env.h"

using namespace qaz;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { qaztest::ClearSettings(); }
    void TearDown() override { qaztest::ClearSettings(); }
};

TEST_F(SettingsTest, EmptyRegistryGivesEveryDefault) {
    RegKey key;
    EXPECT_FALSE(key.Open(kRegSettings));
    const Settings s = ReadSettings(key.get());
    EXPECT_EQ(s.Color, 0x88FFFF);
    EXPECT_EQ(s.FontColor, 0xFF0020);
    EXPECT_EQ(s.ClockType, 0x1110110);
    EXPECT_EQ(s.Bmp, 3);
    EXPECT_EQ(s.Scr, 60);
    EXPECT_EQ(s.All, 3);
    EXPECT_TRUE(s.Open);
    EXPECT_EQ(s.AniTime, 30);
    EXPECT_TRUE(s.DDir && s.AutoDir && s.AutoDel1 && s.AutoDel2);
    EXPECT_EQ(s.PackDef, 1);
    EXPECT_EQ(s.PackLevel[0], 0x30000);
    EXPECT_EQ(s.PackLevel[3], 1);
    EXPECT_EQ(s.PathDef, 1);
    EXPECT_FALSE(s.UnpackFilesSelect);
    EXPECT_EQ(s.AutoWin, 0);
    EXPECT_TRUE(s.AutoLoadFiles);
    const BarPlacement p = ReadBarPlacement(nullptr);
    EXPECT_TRUE(p.stayOnTop && p.taskTray);
    EXPECT_EQ(p.left, 0);
    EXPECT_FALSE(p.titleBar);
    const DesktopLabelSettings d = ReadDesktopLabelSettings(nullptr);
    EXPECT_FALSE(d.Transparent);
    EXPECT_EQ(d.IconTextColor, -1);
    EXPECT_EQ(d.IconStyle, 0x2000);
}

TEST_F(SettingsTest, StoredValuesAreRead) {
    qaztest::SetDword(kRegSettings, "PackLevel3", 7);
    qaztest::SetString(kRegSettings, "Path4", "D:\\受信");
    qaztest::SetDword(kRegSettings, "Open", 0);
    qaztest::SetDword(kRegSettings, "AniTime", static_cast<DWORD>(-5));
    RegKey key;
    ASSERT_TRUE(key.Open(kRegSettings));
    const Settings s = ReadSettings(key.get());
    EXPECT_EQ(s.PackLevel[2], 7);
    EXPECT_EQ(s.Path[3], "D:\\受信");
    EXPECT_FALSE(s.Open);
    EXPECT_EQ(s.AniTime, -5);
}

TEST_F(SettingsTest, ValuesOfTheWrongTypeReadAsTheDefault) {
    RegKey key;
    ASSERT_TRUE(key.Create(kRegSettings));
    RegSetValueExA(key.get(), "Bmp", 0, REG_SZ, reinterpret_cast<const BYTE*>("9"), 2);
    const BYTE two[2] = {1, 0};
    RegSetValueExA(key.get(), "Scr", 0, REG_BINARY, two, 2);
    const BYTE eight[8] = {5, 0, 0, 0, 0, 0, 0, 0};
    RegSetValueExA(key.get(), "All", 0, REG_QWORD, eight, 8);
    const DWORD number = 4;
    RegSetValueExA(key.get(), "Path1", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    // A string stored without its terminator is still read whole.
    RegSetValueExA(key.get(), "VPath", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
    const Settings s = ReadSettings(key.get());
    EXPECT_EQ(s.Bmp, 3);
    EXPECT_EQ(s.Scr, 60);
    EXPECT_EQ(s.All, 3);
    EXPECT_EQ(s.Path[0], "");
    EXPECT_EQ(RegReadStr(key.get(), "VPath", "def"), "abc");
    EXPECT_EQ(RegReadStr(key.get(), "Bmp", "def"), "9");
}

TEST(ClockFormat, TypesGiveFormatAndWidth) {
    struct Case {
        int type;
        const char* format;
        int width;
    } cases[] = {
        {0x1110110, "yy/mm/dd hh:mm", 106},
        {0x110, "hh:mm", 42},
        {0x1000, "(ddd)", 32},
        {0x1111110, "yy/mm/dd(ddd) hh:mm", 130},
        {0, "", 0},
        {0x1, "", 0},  // a blank with nothing before it is not written
        {0x10001, "yy/mm/dd ", 72},
    };
    for (const auto& c : cases) {
        const ClockLayout l = ClockLayoutFromType(c.type);
        EXPECT_EQ(l.format, c.format) << std::hex << c.type;
        EXPECT_EQ(l.width, c.width) << std::hex << c.type;
    }
}

TEST(ClockFormat, RenderingPadsNumbersAndTellsMonthFromMinute) {
    ClockTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 6;
    t.hour = 23;
    t.minute = 1;
    t.weekday = "日";
    EXPECT_EQ(RenderClock("yy/mm/dd hh:mm", t), "26/12/06 23:01");
    EXPECT_EQ(RenderClock("yy/mm/dd(ddd) hh:mm", t), "26/12/06(日) 23:01");
    t.year = 2005;
    t.month = 3;
    t.hour = 7;
    t.minute = 45;
    EXPECT_EQ(RenderClock("hh:mm", t), "07:45");
    EXPECT_EQ(RenderClock("yy/mm/dd", t), "05/03/06");
}
