// The version dialog, modal over the bar.
#pragma once
#include <windows.h>

namespace qaz {

void ShowVersionDialog(HWND owner);

}  // namespace qaz
