#include "app/desktop_labels.h"

#include <commctrl.h>

#include <cstring>

#include "base/registry.h"
#include "core/registry_keys.h"
#include "core/settings.h"

namespace qaz {

HWND DesktopListView() {
    HWND progman = FindWindowA("Progman", "Program Manager");
    if (!progman) return nullptr;
    HWND child = GetWindow(progman, GW_CHILD);
    HWND view = child ? GetWindow(child, GW_CHILD) : nullptr;
    if (!view) return nullptr;
    char cls[513] = {};
    GetClassNameA(view, cls, 512);
    return std::strcmp(cls, "SysListView32") == 0 ? view : nullptr;
}

DWORD DesktopViewStyle(DWORD current, int iconStyle) {
    return static_cast<DWORD>(iconStyle) | (current & ~static_cast<DWORD>(0x2003));
}

void ApplyDesktopLabels(bool first) {
    HWND view = DesktopListView();
    if (!view) return;
    if (first) {
        RegKey key;
        if (key.Create(kRegDesktop)) {
            const COLORREF colour = static_cast<COLORREF>(SendMessageA(view, LVM_GETTEXTBKCOLOR, 0, 0));
            if (colour != CLR_NONE) RegWriteInt(key.get(), "IconTextColor", static_cast<int>(colour));
        }
    }
    RegKey key;
    key.Open(kRegDesktop);
    const DesktopLabelSettings labels = ReadDesktopLabelSettings(key.get());
    const COLORREF colour = labels.Transparent ? CLR_NONE : static_cast<COLORREF>(labels.IconTextColor);
    SendMessageA(view, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(colour));

    const DWORD oldStyle = static_cast<DWORD>(GetWindowLongA(view, GWL_STYLE));
    const DWORD newStyle = DesktopViewStyle(oldStyle, labels.IconStyle);
    if (newStyle != oldStyle) {
        SetWindowLongA(view, GWL_STYLE, static_cast<LONG>(newStyle));
        STYLESTRUCT ss = {oldStyle, newStyle};
        SendMessageA(view, WM_STYLECHANGED, static_cast<WPARAM>(GWL_STYLE), reinterpret_cast<LPARAM>(&ss));
    }
    const LRESULT count = SendMessageA(view, LVM_GETITEMCOUNT, 0, 0);
    if (count > 0) SendMessageA(view, LVM_REDRAWITEMS, 0, static_cast<LPARAM>(count - 1));
}

}  // namespace qaz
