#include "components/archivers/common/progress_window.h"

#include <commctrl.h>

#include "components/archivers/common/command_progress.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace qaz::archivers {
namespace {

constexpr UINT_PTR kRefreshTimer = 1;
// Often enough to see the bar move, seldom enough to cost the command nothing.
constexpr UINT kRefreshMs = 250;
constexpr int kClientWidth = 360, kClientHeight = 116;

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// The library's file name without its extension, for the caption.
std::string LibraryName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(ThisModule(), path, MAX_PATH);
    std::string name = path;
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id,
           HFONT font) {
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
    if (c) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
}

}  // namespace

std::string SizeText(uint64_t bytes) {
    char text[48];
    if (bytes < (1u << 20)) {
        wsprintfA(text, "%lu KB", static_cast<unsigned long>((bytes + 1023) / 1024));
    } else {
        const uint64_t tenths = bytes * 10 / (1u << 20);
        wsprintfA(text, "%lu.%lu MB", static_cast<unsigned long>(tenths / 10), static_cast<unsigned long>(tenths % 10));
    }
    return text;
}

int ProgressPosition(uint64_t done, uint64_t total) {
    if (total == 0) return 0;
    if (done >= total) return kProgressSteps;
    // done < total, so done * steps cannot overflow unless total is beyond 2^54.
    if (total > (uint64_t(1) << 50)) return static_cast<int>(done / (total / kProgressSteps));
    return static_cast<int>(done * kProgressSteps / total);
}

bool ProgressWindow::Create(HWND owner) {
    if (tried_) return hwnd_ != nullptr;
    tried_ = true;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kProgressClass;
    // Registered for this window only, so that no class outlives the library.
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT r = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
    const int w = r.right - r.left, h = r.bottom - r.top;
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const std::string caption = LibraryName() + " - 処理中";
    hwnd_ = CreateWindowExA(WS_EX_DLGMODALFRAME, kProgressClass, caption.c_str(), style,
                            work.left + (work.right - work.left - w) / 2, work.top + (work.bottom - work.top - h) / 2, w,
                            h, owner, nullptr, ThisModule(), this);
    if (!hwnd_) {
        UnregisterClassA(kProgressClass, ThisModule());
        return false;
    }
    font_ = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "ＭＳ Ｐゴシック");
    const std::string archive = "書庫: " + progress_.archive();
    Child(hwnd_, "STATIC", archive.c_str(), SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS, 12, 10, 336, 16,
          idProgressArchive, font_);
    Child(hwnd_, "STATIC", "", SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS, 12, 30, 336, 16, idProgressEntry, font_);
    HWND bar = Child(hwnd_, PROGRESS_CLASSA, "", 0, 12, 52, 336, 18, idProgressBar, font_);
    SendMessageA(bar, PBM_SETRANGE32, 0, kProgressSteps);
    Child(hwnd_, "STATIC", "", SS_LEFTNOWORDWRAP, 12, 84, 240, 16, idProgressBytes, font_);
    Child(hwnd_, "BUTTON", "キャンセル", WS_TABSTOP | BS_DEFPUSHBUTTON, 268, 80, 80, 24, IDCANCEL, font_);
    Refresh();
    SetTimer(hwnd_, kRefreshTimer, kRefreshMs, nullptr);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    return true;
}

void ProgressWindow::Destroy() {
    tried_ = true;
    if (hwnd_) {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
        UnregisterClassA(kProgressClass, ThisModule());
    }
    if (font_) {
        DeleteObject(font_);
        font_ = nullptr;
    }
}

bool ProgressWindow::HandleDialogKey(MSG& msg) {
    return hwnd_ && (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd)) && IsDialogMessageA(hwnd_, &msg);
}

void ProgressWindow::Refresh() {
    const uint64_t done = progress_.done(), total = progress_.total();
    const int position = ProgressPosition(done, total);
    if (position != positionShown_) {
        positionShown_ = position;
        SendDlgItemMessageA(hwnd_, idProgressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    }
    std::string bytes = SizeText(done);
    if (total >= done && total > 0) bytes += " / " + SizeText(total);
    if (bytes != bytesShown_) {
        bytesShown_ = bytes;
        SetDlgItemTextA(hwnd_, idProgressBytes, bytes.c_str());
    }
    if (cancelShown_) return;
    const std::string entry = progress_.entry();
    if (entry != entryShown_) {
        entryShown_ = entry;
        SetDlgItemTextA(hwnd_, idProgressEntry, entry.c_str());
    }
}

void ProgressWindow::OnCancel() {
    progress_.Cancel();
    if (cancelShown_) return;
    cancelShown_ = true;
    SetDlgItemTextA(hwnd_, idProgressEntry, "中止しています...");
    EnableWindow(GetDlgItem(hwnd_, IDCANCEL), FALSE);
}

LRESULT CALLBACK ProgressWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && self->hwnd_ == hwnd) {
        switch (msg) {
            case WM_TIMER:
                if (wParam == kRefreshTimer) self->Refresh();
                return 0;
            case WM_COMMAND:
                if (LOWORD(wParam) == IDCANCEL) self->OnCancel();
                return 0;
            case WM_CLOSE:  // the close box cancels; the window goes when the command has stopped
                self->OnCancel();
                return 0;
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace qaz::archivers
