// Stepping through the drop list, the caption and the cut to the screen.
#include <gtest/gtest.h>

#include "viewers/view_rules.h"

using namespace qaz;

TEST(StepDropList, BackAndNextWrapAroundAndNameTheirNeighbours) {
    // Back from the first entry lands on the last; nothing follows it.
    ListStep s = StepDropList(0, -1, 3);
    EXPECT_EQ(s.index, 2);
    EXPECT_EQ(s.next, 0);
    EXPECT_EQ(s.back, 1);
    EXPECT_FALSE(s.pending);
    // Next from the last entry lands on the first.
    s = StepDropList(2, 1, 3);
    EXPECT_EQ(s.index, 0);
    EXPECT_EQ(s.next, 1);
    EXPECT_EQ(s.back, 2);
    EXPECT_TRUE(s.pending);
    // Step 0 opens the selected entry itself.
    s = StepDropList(1, 0, 3);
    EXPECT_EQ(s.index, 1);
    EXPECT_EQ(s.next, 2);
    EXPECT_EQ(s.back, 0);
    EXPECT_TRUE(s.pending);
}

TEST(StepDropList, OneEntryReopensItselfAndNothingIsPending) {
    for (int step : {-1, 0, 1}) {
        const ListStep s = StepDropList(0, step, 1);
        EXPECT_EQ(s.index, 0);
        EXPECT_EQ(s.next, 0);
        EXPECT_EQ(s.back, 0);
        EXPECT_FALSE(s.pending);
    }
}

TEST(StepDropList, NoSelectionStartsAtTheFirstEntry) {
    EXPECT_EQ(StepDropList(-1, 0, 3).index, 0);
    EXPECT_EQ(StepDropList(-1, 1, 3).index, 0);
    EXPECT_EQ(StepDropList(-1, -1, 3).index, 2);
}

TEST(ImageCaption, SizeInBracketsThenTheName) {
    EXPECT_EQ(ImageCaption(640, 480, "a.bmp"), "[640 x 480] a.bmp");
    EXPECT_EQ(ImageCaption(1, 2, "ソ表.ico"), "[1 x 2] ソ表.ico");
}

TEST(CutToScreen, OnlyTheRightAndBottomEdgesMove) {
    RECT r = CutToScreen(RECT{100, 50, 2100, 1600}, 1024, 768);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.bottom, 768);
    r = CutToScreen(RECT{10, 10, 300, 200}, 1024, 768);
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.bottom, 200);
}

TEST(DisplayDelay, SecondsBecomeMillisecondsThatNeverTurnNegative) {
    const std::pair<int, int> cases[] = {
        {3, 3000},        {1, 1000},
        {0, 1},           {-5, 1},  // no time still moves on
        {2147483, 2147483000},      // the largest that fits
        {2147484, 2147483647},      // beyond: the longest delay there is
        {0x7FFFFFFF, 2147483647},
    };
    for (const auto& c : cases) EXPECT_EQ(DisplayDelay(c.first), c.second) << c.first;
}
