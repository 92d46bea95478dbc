// The bar's icon in the notification area.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <memory>

namespace qaz {

constexpr UINT kTrayCallback = WM_USER + 101;
constexpr UINT kTrayId = 1;
constexpr const char* kTrayTip = "QAZ for win32";

// The shell's first record layout: 88 bytes on 32-bit Windows.
constexpr DWORD kTrayRecordSize = NOTIFYICONDATAA_V1_SIZE;
#if !defined(_WIN64)
static_assert(kTrayRecordSize == 88, "the tray record is the 88-byte layout");
#endif

class TrayIcon {
public:
    ~TrayIcon() { Hide(); }
    // Adds the icon unless it is shown already.
    void Show(HWND owner, HICON icon);
    // Removes the icon and frees its record when it is shown.
    void Hide();
    bool shown() const { return record_ != nullptr; }
    // The record while shown, else nullptr.
    const NOTIFYICONDATAA* record() const { return record_.get(); }

private:
    std::unique_ptr<NOTIFYICONDATAA> record_;
};

}  // namespace qaz
