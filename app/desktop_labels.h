// The labels of the desktop's icons: background colour and view style.
#pragma once
#include <windows.h>

namespace qaz {

// The desktop's icon view: the grandchild of "Progman" / "Program Manager"
// when its class is "SysListView32"; nullptr when there is none.
HWND DesktopListView();

// Applies the label settings of "Settings\Desktop" to the icon view. At
// start-up (first) the view's own label colour is stored first.
void ApplyDesktopLabels(bool first);

// The view style that the IconStyle setting asks for, given the current one.
DWORD DesktopViewStyle(DWORD current, int iconStyle);

}  // namespace qaz
