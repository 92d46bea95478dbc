// The function chooser worked as the mouse works it, from another thread.
// Its labels let the mouse through, so the chooser window itself gets the
// mouse messages, in its client coordinates, at the label's place; they are
// sent to it directly (the screen pointer under Wine is the real one).
#pragma once
#include <windows.h>

#include <string>

namespace qaztest {

// A visible window of the class within ms, or nullptr.
inline HWND WaitForVisible(const char* cls, int ms = 10000) {
    for (int waited = 0; waited < ms; waited += 20) {
        HWND w = FindWindowA(cls, nullptr);
        if (w && IsWindowVisible(w)) return w;
        Sleep(20);
    }
    return nullptr;
}

// The chooser's label with this caption, or nullptr.
inline HWND ChooserLabel(HWND chooser, const std::string& caption) {
    return FindWindowExA(chooser, nullptr, "Static", caption.c_str());
}

// A child's rectangle in its parent's client coordinates.
inline RECT ChildRect(HWND parent, HWND child) {
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

inline void MouseMove(HWND chooser, int x, int y) { SendMessageA(chooser, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

inline void MouseClick(HWND chooser, int x, int y) {
    MouseMove(chooser, x, y);
    SendMessageA(chooser, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(chooser, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Clicks the middle of the label with this caption; false when there is none.
inline bool ClickChooserLabel(HWND chooser, const std::string& caption) {
    HWND label = ChooserLabel(chooser, caption);
    if (!label) return false;
    const RECT r = ChildRect(chooser, label);
    MouseClick(chooser, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return true;
}

}  // namespace qaztest
