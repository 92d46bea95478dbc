#include "app/tray_icon.h"

#include <cstring>

namespace qaz {

void TrayIcon::Show(HWND owner, HICON icon) {
    if (record_) return;
    record_ = std::make_unique<NOTIFYICONDATAA>();
    record_->cbSize = kTrayRecordSize;
    record_->hWnd = owner;
    record_->uID = kTrayId;
    record_->uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_->uCallbackMessage = kTrayCallback;
    record_->hIcon = icon;
    std::strncpy(record_->szTip, kTrayTip, 63);
    // The shell's answer is not checked: the record is ours until Hide.
    Shell_NotifyIconA(NIM_ADD, record_.get());
}

void TrayIcon::Hide() {
    if (!record_) return;
    Shell_NotifyIconA(NIM_DELETE, record_.get());
    record_.reset();
}

}  // namespace qaz
