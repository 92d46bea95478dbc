#include "viewers/image_window.h"

#include <windowsx.h>

#include <utility>

#include "base/info_box.h"
#include "base/path_parts.h"
#include "base/registry.h"
#include "base/ui/window_position.h"
#include "core/registry_keys.h"
#include "core/symbol.h"
#include "viewers/view_rules.h"

namespace qaz {

namespace {

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool SameFile(const std::string& a, const std::string& b) {
    char fa[MAX_PATH * 2] = {}, fb[MAX_PATH * 2] = {};
    if (!GetFullPathNameA(a.c_str(), sizeof fa, fa, nullptr) || !GetFullPathNameA(b.c_str(), sizeof fb, fb, nullptr))
        return false;
    return lstrcmpiA(fa, fb) == 0;
}

}  // namespace

ImageWindow::~ImageWindow() { Destroy(); }

bool ImageWindow::Open() {
    if (hwnd()) return true;
    if (!RegisterClass(kImageClass, ProgramIcon(), nullptr, CS_DBLCLKS)) return false;
    const POINT at = ui::PlacedWindowPosition(kRegView, SIZE{kImageDesignWidth, kImageDesignHeight});
    {
        RegKey settings;
        settings.Open(kRegSettings);
        targetFolder_ = RegReadStr(settings.get(), "VPath", "");
        moveFile_ = RegReadBool(settings.get(), "VMove", false);
    }
    currentPath_.clear();
    picture_.Reset();
    hpos_ = vpos_ = lastX_ = lastY_ = 0;

    popup_.Reset(CreatePopupMenu());
    AppendMenuA(popup_.get(), MF_STRING | MF_GRAYED, cmdMoveOrSave,
                moveFile_ ? "画像ﾌｧｲﾙの移動\tCtrl+B" : "画像ﾌｧｲﾙの保存\tCtrl+B");
    AppendMenuA(popup_.get(), MF_STRING | MF_GRAYED, cmdCopyPicture, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ\tCtrl+C");

    return Create(kImageClass, "Image", WS_OVERLAPPEDWINDOW, 0, at.x, at.y, kImageDesignWidth, kImageDesignHeight,
                  nullptr);
}

void ImageWindow::ShowPicture(Picture&& picture, const std::string& path) {
    picture_ = std::move(picture);
    currentPath_ = path;
    const int width = picture_.width(), height = picture_.height();

    // Size the window to the picture with the scroll bars gone, then cut it
    // back to the screen; the bars come back for what no longer fits.
    hpos_ = vpos_ = 0;
    ShowScrollBar(hwnd(), SB_BOTH, FALSE);
    ui::SetClientSize(hwnd(), width, height);
    ui::SetClientSize(hwnd(), width, height);
    RECT r;
    GetWindowRect(hwnd(), &r);
    const RECT cut = CutToScreen(r, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (cut.right != r.right || cut.bottom != r.bottom)
        SetWindowPos(hwnd(), nullptr, 0, 0, cut.right - cut.left, cut.bottom - cut.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateScrollBars();
    // The caption last: whoever sees the new caption sees the new size.
    SetWindowTextA(hwnd(), ImageCaption(width, height, LastComponent(path)).c_str());
    InvalidateRect(hwnd(), nullptr, TRUE);
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    UpdateWindow(hwnd());
}

void ImageWindow::Close() {
    if (!hwnd()) return;
    ui::SaveWindowPosition(hwnd(), kRegView);
    Destroy();
}

void ImageWindow::OnDestroyed() {
    currentPath_.clear();
    picture_.Reset();
}

bool ImageWindow::MoveOrSave() {
    if (targetFolder_.empty() || currentPath_.empty() || !FileExists(currentPath_)) return false;
    const std::string source = currentPath_;
    const std::string name = LastComponent(source);
    const std::string destination = FolderPrefix(targetFolder_) + name;
    bool ok = false;
    // Copying a file onto itself and then deleting the source would lose
    // it: that counts as a failure.
    if (!SameFile(source, destination)) {
        ok = CopyFileA(source.c_str(), destination.c_str(), TRUE) != 0;
        if (!ok && AskYesNo(name + " を上書きしますか")) ok = CopyFileA(source.c_str(), destination.c_str(), FALSE) != 0;
        if (ok && moveFile_) ok = DeleteFileA(source.c_str()) != 0;
    }
    if (!ok) InfoBox("保存に失敗しました");
    return ok;
}

bool ImageWindow::CopyPicture() { return picture_.CopyToClipboard(hwnd()); }

bool ImageWindow::ItemEnabled(UINT id) const {
    return popup_ && !(GetMenuState(popup_.get(), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
}

void ImageWindow::OnMenuOpening() {
    if (!targetFolder_.empty()) EnableMenuItem(popup_.get(), cmdMoveOrSave, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(popup_.get(), cmdCopyPicture, MF_BYCOMMAND | MF_ENABLED);
}

void ImageWindow::UpdateScrollBars() {
    // Showing one bar narrows the client area for the other: settle twice.
    for (int pass = 0; pass < 2; ++pass) {
        RECT c;
        GetClientRect(hwnd(), &c);
        SCROLLINFO si = {};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = 0;
        si.nMax = picture_.width() - 1;
        si.nPage = static_cast<UINT>(c.right);
        const int hmax = picture_.width() - c.right;
        hpos_ = hmax <= 0 ? 0 : (hpos_ > hmax ? hmax : hpos_);
        si.nPos = hpos_;
        SetScrollInfo(hwnd(), SB_HORZ, &si, TRUE);
        si.nMax = picture_.height() - 1;
        si.nPage = static_cast<UINT>(c.bottom);
        const int vmax = picture_.height() - c.bottom;
        vpos_ = vmax <= 0 ? 0 : (vpos_ > vmax ? vmax : vpos_);
        si.nPos = vpos_;
        SetScrollInfo(hwnd(), SB_VERT, &si, TRUE);
    }
}

void ImageWindow::ScrollTo(int h, int v) {
    if (h == hpos_ && v == vpos_) return;
    hpos_ = h;
    vpos_ = v;
    SetScrollPos(hwnd(), SB_HORZ, hpos_, TRUE);
    SetScrollPos(hwnd(), SB_VERT, vpos_, TRUE);
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void ImageWindow::OnScroll(int bar, WORD code) {
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(hwnd(), bar, &si);
    const int max = si.nMax - static_cast<int>(si.nPage) + 1;
    int pos = si.nPos;
    switch (code) {
        case SB_LINEUP: pos -= 16; break;
        case SB_LINEDOWN: pos += 16; break;
        case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
        case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = si.nTrackPos; break;
        case SB_TOP: pos = 0; break;
        case SB_BOTTOM: pos = max; break;
        default: return;
    }
    if (pos > max) pos = max;
    if (pos < 0) pos = 0;
    if (bar == SB_HORZ)
        ScrollTo(pos, vpos_);
    else
        ScrollTo(hpos_, pos);
}

// Dragging with the left button alone moves the view by the mouse's travel.
void ImageWindow::OnMouseMove(WPARAM keys, int x, int y) {
    if (keys == MK_LBUTTON && GetKeyState(VK_MENU) >= 0) {
        RECT c;
        GetClientRect(hwnd(), &c);
        const int hrange = picture_.width() - c.right, vrange = picture_.height() - c.bottom;
        int h = hpos_, v = vpos_;
        const int nh = x + hpos_ - lastX_;
        if (nh >= 0 && nh <= hrange) h = nh;
        const int nv = vpos_ + (y - lastY_);
        if (nv >= 0 && nv <= vrange) v = nv;
        ScrollTo(h, v);
    }
    lastX_ = x;
    lastY_ = y;
}

void ImageWindow::Paint() {
    PaintScope paint(hwnd());
    RECT c;
    GetClientRect(hwnd(), &c);
    // Only the part beside the picture gets the background, so that the
    // picture does not flicker while it scrolls.
    const RECT pic = {-hpos_, -vpos_, picture_.width() - hpos_, picture_.height() - vpos_};
    Owned<HRGN, GdiObjectTraits> rest(CreateRectRgnIndirect(&c)), picRegion(CreateRectRgnIndirect(&pic));
    CombineRgn(rest.get(), rest.get(), picRegion.get(), RGN_DIFF);
    FillRgn(paint.dc(), rest.get(), GetSysColorBrush(COLOR_BTNFACE));
    picture_.Draw(paint.dc(), -hpos_, -vpos_);
}

LRESULT ImageWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_ERASEBKGND: return 1;
        case WM_GETMINMAXINFO: {
            // A small picture gets a window just its size, narrower than the
            // system's usual least width for captioned windows.
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize.x = 1;
            info->ptMinTrackSize.y = 1;
            return 0;
        }
        case WM_PAINT: Paint(); return 0;
        case WM_SIZE: UpdateScrollBars(); InvalidateRect(hwnd(), nullptr, FALSE); return 0;
        case WM_HSCROLL: OnScroll(SB_HORZ, LOWORD(wParam)); return 0;
        case WM_VSCROLL: OnScroll(SB_VERT, LOWORD(wParam)); return 0;
        case WM_MOUSEMOVE: OnMouseMove(wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_LBUTTONDBLCLK: {
            const int x = GET_X_LPARAM(lParam) + hpos_, y = GET_Y_LPARAM(lParam) + vpos_;
            if (x < picture_.width() && y < picture_.height()) MoveOrSave();
            return 0;
        }
        case WM_CONTEXTMENU: {
            POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (pt.x == -1 && pt.y == -1) GetCursorPos(&pt);
            TrackPopupMenu(popup_.get(), TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd(), nullptr);
            return 0;
        }
        case WM_INITMENUPOPUP:
            if (reinterpret_cast<HMENU>(wParam) == popup_.get()) OnMenuOpening();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == cmdMoveOrSave) MoveOrSave();
            if (LOWORD(wParam) == cmdCopyPicture) CopyPicture();
            return 0;
        case WM_KEYDOWN:
            if (GetKeyState(VK_CONTROL) < 0) {
                if (wParam == 'B' && ItemEnabled(cmdMoveOrSave)) MoveOrSave();
                if (wParam == 'C' && ItemEnabled(cmdCopyPicture)) CopyPicture();
            }
            return 0;
        case WM_CLOSE: Close(); return 0;
    }
    return ui::Window::HandleMessage(msg, wParam, lParam);
}

}  // namespace qaz
