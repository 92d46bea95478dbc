// The pictures of the media controller's buttons, drawn at run time.
#pragma once
#include <windows.h>

namespace qaz {

enum class ButtonFace {
    Back,     // red bar, green double triangle pointing left
    Next,     // green double triangle pointing right, red bar
    Play,     // green triangle pointing right
    Stop,     // red square
    AutoOn,   // green A on blue with a pair of eyes
    AutoOff,  // red M on blue with a pair of eyes
    Close,    // 10 x 7: a small raised horizontal bar
};

// A new bitmap of the face (16 x 16, the close face 10 x 7), owned by the
// caller.
HBITMAP DrawButtonFace(ButtonFace face);

}  // namespace qaz
