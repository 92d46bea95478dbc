#include "ftp/password_dialog.h"

#include <vector>

#include "ftp/form_layout.h"

namespace qaz::ftp {

PasswordDialog::~PasswordDialog() {
    Destroy();
    if (font_) DeleteObject(font_);
}

void PasswordDialog::ShowModal(HWND owner) {
    RegisterClass(kPasswordClass, nullptr, GetSysColorBrush(COLOR_BTNFACE));
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    const RECT r = CentredWindowRect(266, 81, style, exStyle);
    if (!Create(kPasswordClass, "FTP - Password", style, exStyle, r.left, r.top, r.right - r.left,
                r.bottom - r.top, owner))
        return;
    font_ = ui::CreateFormFont(FW_NORMAL);
    ui::CreateChild("STATIC", "パスワードを入力して下さい", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 8, 8, 249, 12,
                    hwnd(), 100);
    edtPassword_ = ui::CreateChild("EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD,
                                   WS_EX_CLIENTEDGE, 8, 24, 249, 20, hwnd(), kEdit);
    SendMessageA(edtPassword_, EM_SETPASSWORDCHAR, '*', 0);
    ui::CreateChild("BUTTON", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 96, 56, 75, 21, hwnd(), IDOK);
    ApplyFont(hwnd(), font_);
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    SetFocus(edtPassword_);
    ui::RunModal(hwnd(), owner, closed_, true);
    Destroy();
}

void PasswordDialog::btnOKClick() {
    const int length = GetWindowTextLengthA(edtPassword_);
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(edtPassword_, text.data(), length + 1);
    Wipe(session_.enteredPassword);
    session_.enteredPassword.assign(text.data());
    SecureZeroMemory(text.data(), text.size());
    SetWindowTextA(edtPassword_, "");
    ui::EndModal(closed_);
}

LRESULT PasswordDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) btnOKClick();
        if (LOWORD(wParam) == IDCANCEL) ui::EndModal(closed_);  // Esc: as the close box
        return 0;
    case WM_CLOSE:
        ui::EndModal(closed_);
        return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

}  // namespace qaz::ftp
