#include "intake/function_chooser.h"

#include "intake/action.h"
#include "intake/chooser_layout.h"

namespace qaz {

FunctionChooser::~FunctionChooser() {
    Destroy();
    if (font_) DeleteObject(font_);
}

int FunctionChooser::Choose(HWND bar) {
    action_ = actCancel;
    RegisterClass(kChooserClass, nullptr, GetSysColorBrush(COLOR_BTNFACE));
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    RECT r = {0, 0, kChooserWidth, kChooserHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    RECT barRect = {};
    if (bar) GetWindowRect(bar, &barRect);
    const POINT at = ChooserPlace(barRect.left, barRect.top, r.right - r.left, r.bottom - r.top,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (!Create(kChooserClass, "QAZ - 機能選択", style, exStyle, at.x, at.y, r.right - r.left, r.bottom - r.top, bar))
        return actCancel;
    font_ = ui::CreateFormFont(FW_NORMAL);
    // The labels let the mouse through to the window, which tells them
    // apart by position.
    for (int i = 0; i < kChooserLabelCount; ++i) {
        labels_[i] = ui::CreateChild("STATIC", kChooserLabels[i].caption, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0,
                                     kChooserLabels[i].top, kChooserLabelWidth, kChooserLabelHeight, hwnd(), 100 + i);
        SendMessageA(labels_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    for (int top : kChooserBevelTops)
        ui::CreateChild("STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, 0, 0, top, kChooserLabelWidth, 2, hwnd(), -1);
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    ui::RunModal(hwnd(), bar, closed_, false);
    Destroy();
    return action_;
}

void FunctionChooser::Highlight(int label) {
    // The label under the mouse keeps its highlight; leaving the labels
    // leaves the last one highlighted.
    if (label < 0 || label == highlighted_) return;
    const int before = highlighted_;
    highlighted_ = label;
    if (before >= 0) InvalidateRect(labels_[before], nullptr, TRUE);
    InvalidateRect(labels_[label], nullptr, TRUE);
}

LRESULT FunctionChooser::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MOUSEMOVE:
        Highlight(ChooserLabelAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))));
        return 0;
    case WM_LBUTTONUP: {
        const int label = ChooserLabelAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        if (label < 0) return 0;
        action_ = kChooserLabels[label].result;
        ui::EndModal(closed_);
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        const bool lit = highlighted_ >= 0 && reinterpret_cast<HWND>(lParam) == labels_[highlighted_];
        SetTextColor(dc, GetSysColor(lit ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(lit ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(lit ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    }
    case WM_CLOSE:
        ui::EndModal(closed_);  // the close box: actCancel
        return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

int ChooseFunction(DropContext& context) {
    FunctionChooser chooser;
    return chooser.Choose(context.host.OwnerWindow());
}

}  // namespace qaz
