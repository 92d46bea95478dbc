#include "base/ui/panel.h"

#include "base/gdi.h"
#include "base/ui/window.h"

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

// The picture's drawing surface: a memory device context with a bitmap of
// the picture's size selected into it for the picture's whole life.
HBITMAP ScreenBitmap(int width, int height) {
    WindowDc screen(nullptr);
    return CreateCompatibleBitmap(screen.get(), width, height);
}

struct PictureData {
    PictureData(int w, int h)
        : width(w), height(h), bitmap(ScreenBitmap(w, h)), selection(dc.get(), bitmap.get()) {}
    int width, height;
    MemoryDc dc;
    OwnedBitmap bitmap;
    Selected selection;
};

void NotifyClick(HWND hwnd) {
    HWND root = GetAncestor(hwnd, GA_ROOT);
    if (root && root != hwnd)
        PostMessageA(root, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
}

void PaintPanel(HWND hwnd, PanelData* d) {
    PaintScope paint(hwnd);
    HDC dc = paint.dc();
    RECT r;
    GetClientRect(hwnd, &r);
    FillSolid(dc, r, d->background == kFaceColor ? GetSysColor(COLOR_BTNFACE) : d->background);
    switch (d->edge) {
        case Edge::Raised: DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST); break;
        case Edge::Lowered: DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST); break;
        case Edge::RaisedBevel: DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST); break;
        case Edge::None: break;
    }
    char text[256];
    const int n = GetWindowTextA(hwnd, text, sizeof text);
    if (n > 0) {
        Selected font(dc, d->font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, d->text);
        DrawTextA(dc, text, n, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
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
            const auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new PictureData(cs->cx, cs->cy)));
            break;
        }
        case WM_NCDESTROY:
            delete d;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            break;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT:
            if (d) {
                PaintScope paint(hwnd);
                BitBlt(paint.dc(), 0, 0, d->width, d->height, d->dc.get(), 0, 0, SRCCOPY);
                return 0;
            }
            break;
        case WM_LBUTTONUP: NotifyClick(hwnd); return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterPanelClasses() {
    RegisterWindowClass(kPanelClass, PanelProc);
    RegisterWindowClass(kPictureClass, PictureProc);
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
    return d ? d->dc.get() : nullptr;
}

void SetPictureBitmap(HWND picture, HBITMAP bitmap) {
    auto* d = reinterpret_cast<PictureData*>(GetWindowLongPtrA(picture, GWLP_USERDATA));
    if (!d || !bitmap) return;
    MemoryDc source(d->dc.get());
    Selected selection(source.get(), bitmap);
    BitBlt(d->dc.get(), 0, 0, d->width, d->height, source.get(), 0, 0, SRCCOPY);
    InvalidateRect(picture, nullptr, FALSE);
}

}  // namespace qaz::ui
