#include "anim/frame_sequence.h"

namespace qaz::anim {

int NextFrame(FrameCursor& cursor) {
    // A cursor from outside the frames starts over.
    if (cursor.index < 0 || cursor.index >= kFrameCount) cursor = FrameCursor();
    const int drawn = cursor.index;
    if (cursor.index >= kFrameCount - 1) {
        cursor.index = 5;
        cursor.forward = false;
    }
    if (cursor.index <= 0) cursor.forward = true;
    cursor.index += cursor.forward ? 1 : -1;
    return drawn;
}

}  // namespace qaz::anim
