// Owners of GDI objects, device contexts, menus and icons: each releases
// its handle on every path, the way it must be released.
#pragma once
#include <windows.h>

#include <utility>

namespace qaz {

// A handle with its release function; movable, not copyable.
template <class H, class Traits>
class Owned {
public:
    Owned() = default;
    explicit Owned(H h) : h_(h) {}
    ~Owned() { Reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : h_(other.Release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    void Reset(H h = nullptr) {
        if (h_ && h_ != h) Traits::Free(h_);
        h_ = h;
    }
    H Release() { return std::exchange(h_, nullptr); }
    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    H h_ = nullptr;
};

struct GdiObjectTraits {
    static void Free(HGDIOBJ h) { DeleteObject(h); }
};
struct MenuTraits {
    static void Free(HMENU h) { DestroyMenu(h); }
};
struct IconTraits {
    static void Free(HICON h) { DestroyIcon(h); }
};
struct MemoryDcTraits {
    static void Free(HDC h) { DeleteDC(h); }
};

using OwnedBitmap = Owned<HBITMAP, GdiObjectTraits>;
using OwnedFont = Owned<HFONT, GdiObjectTraits>;
using OwnedBrush = Owned<HBRUSH, GdiObjectTraits>;
using OwnedPalette = Owned<HPALETTE, GdiObjectTraits>;
using OwnedMenu = Owned<HMENU, MenuTraits>;
using OwnedIcon = Owned<HICON, IconTraits>;

// A device context got for a window (nullptr: the screen), released when
// the object goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A memory device context compatible with another one (nullptr: the
// screen), deleted when the object goes.
class MemoryDc : public Owned<HDC, MemoryDcTraits> {
public:
    explicit MemoryDc(HDC compatible = nullptr) : Owned(CreateCompatibleDC(compatible)) {}
};

// An object selected into a device context and the previous one selected
// back when the scope ends.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~Selected() {
        if (old_) SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// BeginPaint and EndPaint around one WM_PAINT.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &ps_); }
    ~PaintScope() { EndPaint(window_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }
    const PAINTSTRUCT& info() const { return ps_; }

private:
    HWND window_;
    PAINTSTRUCT ps_ = {};
    HDC dc_ = nullptr;
};

// Fills a rectangle with a solid colour.
inline void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
    OwnedBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
}

}  // namespace qaz
