#include "ftp/form_layout.h"

namespace qaz::ftp {

RECT CentredWindowRect(int clientWidth, int clientHeight, DWORD style, DWORD exStyle) {
    RECT r = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return RECT{left, top, left + width, top + height};
}

}  // namespace qaz::ftp
