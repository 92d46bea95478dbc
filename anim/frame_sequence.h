// The order in which the animation draws its nine frames.
#pragma once

namespace qaz::anim {

constexpr int kFrameCount = 9;

// Where the animation stands: the frame drawn at the next tick (0 to 8) and
// the direction it moves in.
struct FrameCursor {
    int index = 0;
    bool forward = true;
};

// Returns the frame to draw now (0 to 8) and moves the cursor on. From the
// start the frames run 0..8, then 4, 3, 2, 1, 0, 1, .. 8, 4, ..: after the
// last frame the eyes go back to the fifth, not to the eighth.
int NextFrame(FrameCursor& cursor);

}  // namespace qaz::anim
