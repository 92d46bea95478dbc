#include "app/ui/panel.h"

namespace qaz::ui {

namespace {

constexpr const char* kPanelClass = "QAZPanel";
constexpr const char* kPictureClass = "QAZPicture";

struct PanelData {
    Edge edge = Edge::None;
    COLORREF background = kFaceColor;
    COLORREF text = RGB(0, 0, 0);
    HFONT font = nullptr;
};

struct PictureData {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    int width = 0, height = 0;
};

void NotifyClick(HWND hwnd) {
    HWND root = GetAncestor(hwnd, GA_ROOT);
    if (root && root != hwnd)
        PostMessageA(root, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
}

void PaintPanel(HWND hwnd, PanelData* d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    const COLORREF bg = d->background == kFaceColor ? GetSysColor(COLOR_BTNFACE) : d->background;
    HBRUSH brush = CreateSolidBrush(bg);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    switch (d->edge) {
        case Edge::Raised: DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST); break;
        case Edge::Lowered: DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST); break;
        case Edge::RaisedBevel: DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST); break;
        case Edge::None: break;
    }
    char text[256];
    const int n = GetWindowTextA(hwnd, text, sizeof text);
    if (n > 0) {
        HGDIOBJ oldFont = d->font ? SelectObject(dc, d->font) : nullptr;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, d->text);
        DrawTextA(dc, text, n, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        if (oldFont) SelectObject(dc, oldFont);
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<PanelData*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_NCCREATE:
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new PanelData));
            break;
        case WM_NCDESTROY:
            delete d;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            break;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT:
            if (d) {
                PaintPanel(hwnd, d);
                return 0;
            }
            break;
        case WM_SETTEXT: {
            const LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
            InvalidateRect(hwnd, nullptr, FALSE);
            return r;
        }
        case WM_LBUTTONUP: NotifyClick(hwnd); return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<PictureData*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_NCCREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
            auto* p = new PictureData;
            p->width = cs->cx;
            p->height = cs->cy;
            HDC screen = GetDC(nullptr);
            p->dc = CreateCompatibleDC(screen);
            p->bitmap = CreateCompatibleBitmap(screen, p->width, p->height);
            ReleaseDC(nullptr, screen);
            p->oldBitmap = SelectObject(p->dc, p->bitmap);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(p));
            break;
        }
        case WM_NCDESTROY:
            if (d) {
                SelectObject(d->dc, d->oldBitmap);
                DeleteObject(d->bitmap);
                DeleteDC(d->dc);
                delete d;
            }
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            break;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT:
            if (d) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                BitBlt(dc, 0, 0, d->width, d->height, d->dc, 0, 0, SRCCOPY);
                EndPaint(hwnd, &ps);
                return 0;
            }
            break;
        case WM_LBUTTONUP: NotifyClick(hwnd); return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterOne(const char* name, WNDPROC proc) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, name, &wc)) return;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
}

}  // namespace

void RegisterPanelClasses() {
    RegisterOne(kPanelClass, PanelProc);
    RegisterOne(kPictureClass, PictureProc);
}

HWND CreatePanel(HWND parent, int id, int x, int y, int width, int height, Edge edge) {
    HWND h = CreateWindowExA(0, kPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x, y,
                             width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
    if (auto* d = h ? reinterpret_cast<PanelData*>(GetWindowLongPtrA(h, GWLP_USERDATA)) : nullptr) d->edge = edge;
    return h;
}

void SetPanelColors(HWND panel, COLORREF background, COLORREF text) {
    if (auto* d = reinterpret_cast<PanelData*>(GetWindowLongPtrA(panel, GWLP_USERDATA))) {
        d->background = background;
        d->text = text;
        InvalidateRect(panel, nullptr, FALSE);
    }
}

void SetPanelFont(HWND panel, HFONT font) {
    if (auto* d = reinterpret_cast<PanelData*>(GetWindowLongPtrA(panel, GWLP_USERDATA))) {
        d->font = font;
        InvalidateRect(panel, nullptr, FALSE);
    }
}

void SetPanelEdge(HWND panel, Edge edge) {
    if (auto* d = reinterpret_cast<PanelData*>(GetWindowLongPtrA(panel, GWLP_USERDATA))) {
        d->edge = edge;
        InvalidateRect(panel, nullptr, FALSE);
    }
}

HWND CreatePicture(HWND parent, int id, int x, int y, int width, int height) {
    return CreateWindowExA(0, kPictureClass, "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

HDC PictureSurface(HWND picture) {
    auto* d = reinterpret_cast<PictureData*>(GetWindowLongPtrA(picture, GWLP_USERDATA));
    return d ? d->dc : nullptr;
}

void SetPictureBitmap(HWND picture, HBITMAP bitmap) {
    auto* d = reinterpret_cast<PictureData*>(GetWindowLongPtrA(picture, GWLP_USERDATA));
    if (!d || !bitmap) return;
    HDC src = CreateCompatibleDC(d->dc);
    HGDIOBJ old = SelectObject(src, bitmap);
    BitBlt(d->dc, 0, 0, d->width, d->height, src, 0, 0, SRCCOPY);
    SelectObject(src, old);
    DeleteDC(src);
    InvalidateRect(picture, nullptr, FALSE);
}

}  // namespace qaz::ui
