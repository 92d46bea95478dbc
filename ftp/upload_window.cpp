#include "ftp/upload_window.h"

#include <commctrl.h>

#include "ftp/folder_chooser.h"
#include "ftp/form_layout.h"
#include "ftp/password_dialog.h"
#include "ftp/transfer_type.h"

namespace qaz::ftp {

namespace {

constexpr UINT kMsgActivated = WM_APP + 20;
constexpr UINT_PTR kSendingTimer = 1;

const char* StateCaption(int state) {
    switch (state) {
    case 1:
    case 2: return "FTP - Connecting";
    case 3: return "FTP - Sending";
    case 4: return "FTP - Connected";
    case 5: return "FTP - Disconnecting";
    case 6: return "FTP - Disconnected";
    }
    return nullptr;
}

}  // namespace

UploadWindow::UploadWindow(Session& session) : session_(session), ftp_(this) {}

UploadWindow::~UploadWindow() {
    Destroy();
    if (font_) DeleteObject(font_);
    Wipe(settings_.Password);
}

void UploadWindow::ShowModal(HWND owner) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterClass(kUploadClass, nullptr, GetSysColorBrush(COLOR_BTNFACE));
    // Single fixed border; no system menu, so no close box.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER | WS_MINIMIZEBOX;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    const RECT r = CentredWindowRect(288, 73, style, exStyle);
    if (!Create(kUploadClass, "FTP", style, exStyle, r.left, r.top, r.right - r.left, r.bottom - r.top, owner))
        return;
    font_ = ui::CreateFormFont(FW_NORMAL);
    btnCancel_ = ui::CreateChild("BUTTON", "Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 106, 48, 75, 21,
                                 hwnd(), kCancelButton);
    lblSendFN_ = ui::CreateChild("STATIC", "", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 8, 8, 273, 12, hwnd(),
                                 kLabel);
    pbrFiles_ = ui::CreateChild(PROGRESS_CLASSA, "", WS_VISIBLE, 0, 8, 32, 273, 9, hwnd(), kProgress);
    ApplyFont(hwnd(), font_);
    FormCreate();
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    // The first activation's work runs once the window is up, whether or
    // not the window manager activates it.
    PostMessageA(hwnd(), kMsgActivated, 0, 0);
    ui::RunModal(hwnd(), owner, closed_, true);
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    Destroy();
}

void UploadWindow::FormCreate() {
    activatedOnce_ = timerRanOnce_ = loggedIn_ = false;
    fileCount_ = ListItemCount(session_.listBox);
    SendMessageA(pbrFiles_, PBM_SETRANGE32, 0, fileCount_);
    SendMessageA(pbrFiles_, PBM_SETPOS, 0, 0);
    settings_ = ReadFtpSettings();
    ftp_.remoteHost = settings_.RemoteHost;
    ftp_.SetTimeout(ftpclient::kTimerConnect, ClientTimeout(settings_.ConnectTimeOut));
    ftp_.SetTimeout(ftpclient::kTimerReceive, ClientTimeout(settings_.ReceiveTimeOut));
}

void UploadWindow::FormActivate() {
    if (activatedOnce_) return;
    activatedOnce_ = true;
    if (settings_.Password.empty()) {
        PasswordDialog dialog(session_);
        dialog.ShowModal(hwnd());
        settings_.Password = session_.enteredPassword;
    }
    if (!settings_.UserID.empty() && !settings_.Password.empty() && !ftp_.remoteHost.empty()) {
        ftp_.SetEnableTimer(ftpclient::kTimerConnect, true);
        ftp_.SetEnableTimer(ftpclient::kTimerReceive, true);
        if (ftp_.State() == ftpclient::kStateConnected) {
            ftp_.Quit();
            WaitWhileBusy();
        }
        ftp_.Connect(ftp_.remoteHost, ftp_.remotePort);
        return;
    }
    ShowInfo("FTP接続情報が登録されていません。");
    EnableSendingTimer();
}

void UploadWindow::EnableSendingTimer() { SetTimer(hwnd(), kSendingTimer, 1, nullptr); }

void UploadWindow::tmrSendingTimer() {
    if (timerRanOnce_) return;
    timerRanOnce_ = true;
    KillTimer(hwnd(), kSendingTimer);
    if (loggedIn_ && ftp_.State() == ftpclient::kStateConnected) {
        // Cancel stays usable while the chooser lists its first folder,
        // still hidden; once it is shown, it holds this window disabled.
        {
            FolderChooser chooser(session_, ftp_);
            chooser_ = &chooser;
            chooser.ShowModal(hwnd());
            chooser_ = nullptr;
        }
        if (session_.chooserCancelled) {
            SetCaption(hwnd(), "FTP - Cancel");
        } else {
            SendFiles();
        }
    }
    EndUpload();
}

void UploadWindow::SendFiles() {
    TypeSequence types;
    for (int i = 0; i < fileCount_; ++i) {
        ftp_.remoteFile = ReadListItem(session_.listBox, i);
        const std::string name = SentName(ftp_.remoteFile);
        SetWindowTextA(lblSendFN_, name.c_str());
        const int type = types.Next(IsTextFile(name, settings_.TxtType));
        if (type >= 0) {
            SetCaption(hwnd(), "FTP - ChangeType");
            ftp_.Type(type);
            WaitWhileBusy();
        }
        SetCaption(hwnd(), "FTP - Sending");
        ftp_.PutFile(ftp_.remoteFile, name);
        WaitWhileBusy();
        if (ftp_.ReplyCode() != 226) {
            SetCaption(hwnd(), "FTP - Error");
            ShowInfo(ftp_.remoteFile + " を転送できませんでした。");
            break;
        }
        SendMessageA(pbrFiles_, PBM_SETPOS, static_cast<WPARAM>(i + 1), 0);
    }
    SetCaption(hwnd(), "FTP - End");
}

void UploadWindow::EndUpload() {
    // Runs once: Cancel or a time-out inside a wait ends the upload, and the
    // timer tick that comes back here later finds it ended, with no second
    // pause.
    if (ending_) return;
    ending_ = true;
    if (ftp_.Busy()) {
        ftp_.Cancel();
        if (ftp_.State() == ftpclient::kStateConnected) ftp_.Quit();
        WaitWhileBusy();
    } else if (ftp_.State() == ftpclient::kStateConnected) {
        ftp_.Quit();
        WaitWhileBusy();
    }
    busyCursor_ = false;
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    // The last caption stays for a second. The window takes no input
    // meanwhile, but messages go on being handled, so the caller's
    // windows keep painting.
    EnableWindow(hwnd(), FALSE);
    PauseHandlingMessages(1000);
    ui::EndModal(closed_);
}

void UploadWindow::btnCancelClick() {
    SetCaption(hwnd(), "FTP - Cancel");
    if (chooser_) chooser_->Abandon();
    EndUpload();
}

void UploadWindow::WaitWhileBusy() {
    WaitUntil([this] { return !ftp_.Busy(); });
}

void UploadWindow::ShowInfo(const std::string& text) {
    MessageBoxA(hwnd(), text.c_str(), kMessageCaption, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

void UploadWindow::OnStateChanged(int) {
    if (const char* caption = StateCaption(ftp_.State())) SetCaption(hwnd(), caption);
}

void UploadWindow::OnProtocolStateChanged(int protocolState) {
    if (protocolState == ftpclient::kProtocolAuthentication) {
        ftp_.Authenticate(settings_.UserID, settings_.Password);
    } else if (protocolState == ftpclient::kProtocolTransaction) {
        loggedIn_ = true;
        EnableSendingTimer();
    }
}

void UploadWindow::OnBusy(bool isBusy) {
    busyCursor_ = isBusy;
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(isBusy ? IDC_WAIT : IDC_ARROW)));
}

void UploadWindow::OnTimeout(int, bool*) {
    SetCaption(hwnd(), "FTP - TimeOut");
    EndUpload();
}

void UploadWindow::OnListItem(const ftpclient::DirItem& item) {
    if (chooser_) chooser_->AddListRow(item.name, item.attributes, item.size, item.date);
}

LRESULT UploadWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kMsgActivated:
        FormActivate();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !activatedOnce_) PostMessageA(hwnd(), kMsgActivated, 0, 0);
        break;
    case WM_TIMER:
        if (wParam == kSendingTimer) tmrSendingTimer();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kCancelButton && HIWORD(wParam) == BN_CLICKED && IsWindowEnabled(btnCancel_))
            btnCancelClick();
        return 0;
    case WM_SETCURSOR:
        if (busyCursor_) {
            SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        return 0;  // only the upload closes this window
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

void RunUpload(HWND listBox) {
    Session session;
    session.listBox = listBox;
    HWND owner = listBox ? GetAncestor(listBox, GA_ROOT) : nullptr;
    {
        UploadWindow window(session);
        window.ShowModal(owner);
    }
    Wipe(session.enteredPassword);
    // The classes point into this library's code: they go with the upload,
    // before the caller unloads the library.
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const char* name : {kUploadClass, kChooserClass, kPasswordClass}) UnregisterClassA(name, instance);
}

}  // namespace qaz::ftp
