#include "base/ui/window_position.h"

#include "base/registry.h"

namespace qaz::ui {

POINT LoadWindowPosition(const char* key) {
    RegKey k;
    k.Open(key);
    return {RegReadInt(k.get(), "Left", 0), RegReadInt(k.get(), "Top", 0)};
}

POINT PullInsideScreen(POINT at, SIZE size) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (screenWidth - size.cx < at.x) at.x = screenWidth - size.cx;
    if (screenHeight - size.cy < at.y) at.y = screenHeight - size.cy;
    return at;
}

POINT PlacedWindowPosition(const char* key, SIZE size) { return PullInsideScreen(LoadWindowPosition(key), size); }

void SaveWindowPosition(HWND window, const char* key) {
    RegKey k;
    if (!k.Create(key)) return;
    RECT r;
    GetWindowRect(window, &r);
    RegWriteInt(k.get(), "Left", r.left);
    RegWriteInt(k.get(), "Top", r.top);
}

}  // namespace qaz::ui
