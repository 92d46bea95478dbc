// qaz_set.dll: the settings library of QAZ.
//
//     void __stdcall QAZSetup(char* programPath);
//
// Shows the settings dialog for the settings tree under
// HKEY_CURRENT_USER\Software\Yomo Soft\qaz and returns when the user closes
// it; the values are written only when the user presses OK.
#include <windows.h>

#include "components/settings/setup_dialog.h"

namespace {

// The program's window on this thread that calls us: the dialog's owner.
HWND OwnerWindow() {
    if (HWND active = GetActiveWindow()) return active;
    HWND bar = FindWindowA("TJX_QAZMain", "QAZ");
    if (bar && GetWindowThreadProcessId(bar, nullptr) == GetCurrentThreadId()) return bar;
    return nullptr;
}

}  // namespace

extern "C" void WINAPI QAZSetup(char* programPath) {
    qaz::setup::RunSetupDialog(OwnerWindow(), programPath ? programPath : "");
}
