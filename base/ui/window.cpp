#include "base/ui/window.h"

#include <commctrl.h>

#include "base/gdi.h"

namespace qaz::ui {

Window::~Window() { Destroy(); }

bool Window::RegisterClass(const char* className, HICON icon, HBRUSH background, UINT style) {
    return RegisterWindowClass(className, &Window::Proc, icon, background, style);
}

bool RegisterWindowClass(const char* className, WNDPROC proc, HICON icon, HBRUSH background, UINT style) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, className, &existing)) return true;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return RegisterClassExA(&wc) != 0;
}

bool Window::Create(const char* className, const char* title, DWORD style, DWORD exStyle, int x, int y, int width,
                    int height, HWND parent) {
    if (hwnd_) return true;
    return CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, nullptr,
                           GetModuleHandleA(nullptr), this) != nullptr;
}

void Window::Destroy() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        self = static_cast<Window*>(cs->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    const LRESULT result = self->HandleMessage(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return result;
}

HWND CreateChild(const char* className, const char* text, DWORD style, DWORD exStyle, int x, int y, int width,
                 int height, HWND parent, int id) {
    return CreateWindowExA(exStyle, className, text, style | WS_CHILD, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

LRESULT HitTestDragBySurface(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const LRESULT hit = DefWindowProcA(hwnd, WM_NCHITTEST, wParam, lParam);
    return hit == HTCLIENT ? HTCAPTION : hit;
}

void PaintGripSurface(HWND hwnd, COLORREF colour, const RECT& grip) {
    PaintScope paint(hwnd);
    RECT r;
    GetClientRect(hwnd, &r);
    FillSolid(paint.dc(), r, colour);
    RECT edge = grip;
    DrawEdge(paint.dc(), &edge, BDR_RAISEDINNER, BF_RECT);
}

HFONT CreateFormFont(int weight) {
    return CreateFontA(-12, 0, 0, 0, weight, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック");
}

void Tooltip::Create(HWND owner, int maxWidth) {
    owner_ = owner;
    tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    if (!tip_) return;
    if (maxWidth > 0) SendMessageA(tip_, TTM_SETMAXTIPWIDTH, 0, maxWidth);
    SendMessageA(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

namespace {

TOOLINFOA ToolOf(HWND owner, HWND tool, const std::string& text) {
    TOOLINFOA ti = {};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = const_cast<char*>(text.c_str());
    return ti;
}

}  // namespace

void Tooltip::Add(HWND tool, const std::string& text) {
    if (!tip_) return;
    TOOLINFOA ti = ToolOf(owner_, tool, text);
    SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void Tooltip::SetText(HWND tool, const std::string& text) {
    if (!tip_) return;
    TOOLINFOA ti = ToolOf(owner_, tool, text);
    SendMessageA(tip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

void SetClientSize(HWND hwnd, int width, int height) {
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE)));
    SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RunModal(HWND window, HWND owner, const bool& closed, bool dialogKeys) {
    const bool reenable = owner && IsWindowEnabled(owner);
    if (reenable) EnableWindow(owner, FALSE);
    while (!closed && IsWindow(window)) {
        MSG msg;
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (dialogKeys && IsDialogMessageA(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (reenable) EnableWindow(owner, TRUE);
}

void EndModal(bool& closed) {
    closed = true;
    PostMessageA(nullptr, WM_NULL, 0, 0);
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace qaz::ui
