// The remembered position of a top-level window: "Left" and "Top" under a
// registry key of its own, read when it is placed and written when it goes.
#pragma once
#include <windows.h>

namespace qaz::ui {

// The position stored under the key (0, 0 where none is).
POINT LoadWindowPosition(const char* key);
// The position moved so that a window of that size lies inside the screen
// on every side; one larger than the screen shows its top left corner.
POINT PullInsideScreen(POINT at, SIZE size);
// The stored position, pulled inside the screen for a window of that size.
POINT PlacedWindowPosition(const char* key, SIZE size);
// Where the window stands, or, minimized or maximized, where it stands
// when it is restored.
POINT NormalWindowPosition(HWND window);
// Stores the window's normal position under the key, creating the key.
void SaveWindowPosition(HWND window, const char* key);

}  // namespace qaz::ui
