#include <gtest/gtest.h>

#include <vector>

#include "anim/frame_sequence.h"

using qaz::anim::FrameCursor;
using qaz::anim::NextFrame;

namespace {

// Frames by resource number (1 to 9) drawn from a cursor on.
std::vector<int> Drawn(FrameCursor cursor, int ticks) {
    std::vector<int> drawn;
    for (int i = 0; i < ticks; ++i) drawn.push_back(NextFrame(cursor) + 1);
    return drawn;
}

}  // namespace

TEST(FrameSequence, RunsUpToNineThenBackFromFiveInCyclesOfThirteen) {
    const std::vector<int> cycle = {1, 2, 3, 4, 5, 6, 7, 8, 9, 5, 4, 3, 2};
    const std::vector<int> drawn = Drawn(FrameCursor(), 13 * 3);
    for (size_t i = 0; i < drawn.size(); ++i) EXPECT_EQ(drawn[i], cycle[i % 13]) << "tick " << i;
}

TEST(FrameSequence, CursorsFromAnyPlace) {
    struct Case {
        FrameCursor cursor;
        std::vector<int> frames;
    };
    const Case cases[] = {
        {{8, true}, {9, 5, 4}},     // the last frame turns back to the fifth
        {{8, false}, {9, 5, 4}},
        {{0, false}, {1, 2, 3}},    // the first frame turns forward
        {{4, false}, {5, 4, 3}},
        {{9, true}, {1, 2, 3}},     // outside the frames: start over
        {{-3, false}, {1, 2, 3}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Drawn(c.cursor, 3), c.frames) << "from " << c.cursor.index << (c.cursor.forward ? " forward" : " back");
}
