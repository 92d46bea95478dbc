#include "ftp/session.h"

#include <vector>

#include "base/ui/window.h"

namespace qaz::ftp {

namespace {
std::function<void(HWND, const std::string&)> g_captionWatcher;
}

std::string ReadListItem(HWND listBox, int i) {
    const LRESULT length = SendMessageA(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length == LB_ERR || length < 0) return "";
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const LRESULT got = SendMessageA(listBox, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
    if (got == LB_ERR) return "";
    buffer.back() = '\0';
    return std::string(buffer.data());
}

int ListItemCount(HWND listBox) {
    const LRESULT count = SendMessageA(listBox, LB_GETCOUNT, 0, 0);
    return count == LB_ERR || count < 0 ? 0 : static_cast<int>(count);
}

void Wipe(std::string& secret) {
    volatile char* p = secret.empty() ? nullptr : &secret[0];
    for (size_t i = 0; i < secret.size(); ++i) p[i] = '\0';
    secret.clear();
    secret.shrink_to_fit();
}

void SetCaption(HWND window, const std::string& caption) {
    SetWindowTextA(window, caption.c_str());
    if (g_captionWatcher) g_captionWatcher(window, caption);
}

void SetCaptionWatcher(std::function<void(HWND, const std::string&)> watcher) {
    g_captionWatcher = std::move(watcher);
}

void PumpAndWait(DWORD ms) {
    ui::PumpMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
}

void PauseHandlingMessages(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD passed = GetTickCount() - start;
        if (passed >= ms) return;
        PumpAndWait(ms - passed);
    }
}

void ApplyFont(HWND window, HFONT font) {
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ApplyFont(child, font);
}

}  // namespace qaz::ftp
