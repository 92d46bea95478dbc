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
    // Left and top last: a window larger than the screen shows its corner.
    if (at.x < 0) at.x = 0;
    if (at.y < 0) at.y = 0;
    return at;
}

POINT PlacedWindowPosition(const char* key, SIZE size) { return PullInsideScreen(LoadWindowPosition(key), size); }

POINT NormalWindowPosition(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    if (!IsIconic(window) && !IsZoomed(window)) return {r.left, r.top};
    // Minimized or maximized: where it stands when restored. The normal
    // place of a window that is not a tool window counts from the work area.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) return {r.left, r.top};
    POINT at = {placement.rcNormalPosition.left, placement.rcNormalPosition.top};
    if (!(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
        RECT work;
        if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
            at.x += work.left;
            at.y += work.top;
        }
    }
    return at;
}

void SaveWindowPosition(HWND window, const char* key) {
    RegKey k;
    if (!k.Create(key)) return;
    const POINT at = NormalWindowPosition(window);
    RegWriteInt(k.get(), "Left", at.x);
    RegWriteInt(k.get(), "Top", at.y);
}

}  // namespace qaz::ui
