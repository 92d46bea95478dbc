// Placing the forms: a window of a given client size, centred on the screen.
#pragma once
#include <windows.h>

namespace qaz::ftp {

RECT CentredWindowRect(int clientWidth, int clientHeight, DWORD style, DWORD exStyle);

}  // namespace qaz::ftp
