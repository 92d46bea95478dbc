// The function chooser: its placement on the screen, its captions, which
// label a point falls on and what each label answers.
#include <gtest/gtest.h>

#include <string>

#include "intake/action.h"
#include "intake/chooser_layout.h"

namespace {

using namespace qaz;

TEST(FunctionChooserTest, OpensBesideTheBarAndStaysOnTheScreen) {
    struct {
        int barLeft, barTop;
        LONG x, y;
    } const cases[] = {
        {100, 50, 123, 71},    // below and right of the icon
        {1000, 50, 1024 - 170, 71},  // moved left from the right edge
        {100, 700, 123, 768 - 180},  // moved up from the bottom edge
        {1010, 760, 1024 - 170, 768 - 180},  // the bottom-right corner
    };
    for (const auto& c : cases) {
        const POINT p = ChooserPlace(c.barLeft, c.barTop, 170, 180, 1024, 768);
        EXPECT_EQ(p.x, c.x) << c.barLeft;
        EXPECT_EQ(p.y, c.y) << c.barTop;
    }
}

TEST(FunctionChooserTest, CaptionsKeepTheirLeadingBlanks) {
    EXPECT_STREQ(kChooserLabels[0].caption, "  表示");
    for (int i = 1; i < kChooserLabelCount; ++i)
        EXPECT_EQ(std::string(kChooserLabels[i].caption).compare(0, 2, "\x81\x40"), 0) << i;  // U+3000
    EXPECT_STREQ(kChooserLabels[5].caption, "　FTPで送信");
}

TEST(FunctionChooserTest, PointsFallOnLabelsNotOnSeparators) {
    struct {
        int x, y;
        int label;
        int action;
    } const cases[] = {
        {40, 4, 0, actView}, {40, 19, 0, actView}, {40, 20, -1, 0}, {40, 28, 1, actArchive},
        {40, 59, 2, actArchive | actRename}, {40, 61, -1, 0}, {40, 70, 3, actSfx},
        {0, 99, 4, actSfx | actRename}, {160, 110, 5, actFtp}, {161, 110, -1, 0}, {40, 125, -1, 0},
        {40, 147, 6, actCancel}, {40, 148, -1, 0}, {-1, 30, -1, 0},
    };
    for (const auto& c : cases) {
        const int label = ChooserLabelAt(c.x, c.y);
        EXPECT_EQ(label, c.label) << c.x << "," << c.y;
        if (label >= 0) {
            EXPECT_EQ(kChooserLabels[label].result, c.action) << c.x << "," << c.y;
        }
    }
}

}  // namespace
