// The program's symbol: a 16 x 16 picture of 16 colours, a pair of eyes with
// half-closed lids on blue. It is the bar's icon and the tray icon.
#pragma once
#include <windows.h>

namespace qaz {

constexpr int kSymbolSize = 16;

// Colour of the symbol's pixel at x, y (0x00BBGGRR).
COLORREF SymbolPixel(int x, int y);
// A new bitmap of the symbol, owned by the caller.
HBITMAP CreateSymbolBitmap();
// A new icon of the symbol, owned by the caller.
HICON CreateSymbolIcon();
// The program's icon for its window classes and the notification area:
// made once, it lives as long as the program.
HICON ProgramIcon();

}  // namespace qaz
