// The remembered position of a top-level window: "Left" and "Top" under a
// registry key of its own, read when it is placed and written when it goes.
#pragma once
#include <windows.h>

namespace qaz::ui {

// The position stored under the key (0, 0 where none is).
POINT LoadWindowPosition(const char* key);
// The position moved back so that a window of that size ends inside the
// screen on the right and at the bottom.
POINT PullInsideScreen(POINT at, SIZE size);
// The stored position, pulled inside the screen for a window of that size.
POINT PlacedWindowPosition(const char* key, SIZE size);
// Stores the window's position under the key, creating the key.
void SaveWindowPosition(HWND window, const char* key);

}  // namespace qaz::ui
