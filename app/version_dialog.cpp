#include "app/version_dialog.h"

#include <shellapi.h>

#include "base/ui/panel.h"
#include "base/ui/window.h"
#include "core/symbol.h"
#include "core/version.h"

namespace qaz {

namespace {

constexpr const char* kVersionClass = "TJX_QAZVersion";
constexpr const char* kMailLink = "mailto:qaz@example.com";
constexpr const char* kWebLink = "https://example.com/qaz/";
enum : int { idMail = 201, idNew = 202 };

struct Text {
    int x, y, width, height;
    const char* text;
    bool wrap;
};

// Every label at its place in the form (panel contents offset by their
// panel's position: Panel1 at 48, 8 and Panel2 at 48, 72).
const Text kTexts[] = {
    {48 + 46, 8 + 4, 239, 12, QAZ_PRODUCT_LINE, false},
    {48 + 82, 8 + 18, 121, 12, "Windows 95 / NT ready", false},
    {48 + 20, 8 + 40, 245, 12, "(C) Yomo Soft", false},
    {48 + 8, 72 + 8, 265, 16, "bmp, ico, scr, wmf, emf, avi, wav, mid", false},
    {48 + 8, 72 + 24, 50, 12, "DLL必要 :", false},
    {48 + 16, 72 + 40, 257, 29,
     "jpg, jpe, jpeg, gif, tif, pic, p2, mag, q4, pi, lzh, zip, arj, cab, ish, tar,gz, tgz, tar.gz, z, taz, tar.z", true},
    {48 + 8, 72 + 72, 265, 28,
     "このｿﾌﾄにﾌｧｲﾙを D'nD して下さい。書庫作成等を行う場合は、Alt を押しながらです。", true},
    {48, 184, 30, 12, "注意 :", false},
    {48, 200, 285, 41,
     "このソフトは無保証です。使用によって生じたいかなる損害にも作者は責任を負いません。転載・再配布は自由です。", true},
};

class VersionDialog : public ui::Window {
public:
    ~VersionDialog() override {
        Destroy();
        if (font_) DeleteObject(font_);
    }

    void ShowModal(HWND owner) {
        RegisterClass(kVersionClass, nullptr, GetSysColorBrush(COLOR_BTNFACE));
        ui::RegisterPanelClasses();
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
        RECT r = {0, 0, 438, 249};
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
        const int w = r.right - r.left, h = r.bottom - r.top;
        if (!Create(kVersionClass, "ﾊﾞｰｼﾞｮﾝ情報", style, exStyle, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                    (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, owner))
            return;
        font_ = ui::CreateFormFont(FW_NORMAL);
        ui::CreateChild("BUTTON", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 342, 8, 88, 21, hwnd(), IDOK);
        HWND icon = ui::CreateChild("STATIC", "", WS_VISIBLE | SS_ICON, 0, 8, 8, 32, 32, hwnd(), 100);
        SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(ProgramIcon()), 0);
        for (const Text& t : kTexts) {
            HWND label = ui::CreateChild("STATIC", t.text, WS_VISIBLE | SS_NOPREFIX | (t.wrap ? SS_LEFT : SS_LEFTNOWORDWRAP),
                                         0, t.x, t.y, t.width, t.height, hwnd(), -1);
            SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        }
        SendMessageA(GetDlgItem(hwnd(), IDOK), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        // The mail symbol and the web page button.
        HWND mail = ui::CreatePicture(hwnd(), idMail, 48 + 90, 8 + 41, 14, 10);
        DrawMailSymbol(ui::PictureSurface(mail));
        HWND web = ui::CreatePicture(hwnd(), idNew, 342, 32, 88, 31);
        DrawWebButton(ui::PictureSurface(web));
        // The lowered frames of the two panels, under their contents.
        ui::CreateChild("STATIC", "", WS_VISIBLE | WS_CLIPSIBLINGS | SS_SUNKEN, 0, 48, 8, 285, 57, hwnd(), -1);
        ui::CreateChild("STATIC", "", WS_VISIBLE | WS_CLIPSIBLINGS | SS_SUNKEN, 0, 48, 72, 285, 105, hwnd(), -1);
        ShowWindow(hwnd(), SW_SHOW);
        ui::RunModal(hwnd(), owner, closed_, true);
        Destroy();
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDOK:
            case IDCANCEL: ui::EndModal(closed_); return 0;
            case idMail: ShellExecuteA(hwnd(), "open", kMailLink, nullptr, nullptr, SW_SHOWNORMAL); return 0;
            case idNew: ShellExecuteA(hwnd(), "open", kWebLink, nullptr, nullptr, SW_SHOWNORMAL); return 0;
            }
            break;
        case WM_CLOSE:
            ui::EndModal(closed_);
            return 0;
        }
        return Window::HandleMessage(msg, wParam, lParam);
    }

private:
    static void DrawMailSymbol(HDC dc) {
        RECT all = {0, 0, 14, 10};
        FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 128));
        HGDIOBJ old = SelectObject(dc, pen);
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, 0, 0, 14, 10);
        MoveToEx(dc, 0, 0, nullptr);
        LineTo(dc, 7, 5);
        LineTo(dc, 14, -1);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    void DrawWebButton(HDC dc) {
        RECT all = {0, 0, 88, 31};
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &all, EDGE_RAISED, BF_RECT);
        HGDIOBJ old = SelectObject(dc, font_);
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, "ホームページ", -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
    }

    HFONT font_ = nullptr;
    bool closed_ = false;
};

}  // namespace

void ShowVersionDialog(HWND owner) {
    VersionDialog dialog;
    dialog.ShowModal(owner);
}

}  // namespace qaz
