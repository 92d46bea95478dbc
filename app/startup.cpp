#include "app/startup.h"

#include <windows.h>

#include <commctrl.h>
#include <cstdlib>

#include "app/bar_window.h"
#include "base/info_box.h"
#include "base/ui/window.h"

namespace qaz {

namespace {

// The application's own hidden window: it owns the bar, so that the bar
// has no taskbar button, and carries the program's title.
constexpr const char* kApplicationClass = "TJX_QAZApplication";

HWND CreateApplicationWindow() {
    ui::RegisterWindowClass(kApplicationClass, DefWindowProcA);
    HWND app = CreateWindowExA(0, kApplicationClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (app) {
        ShowWindow(app, SW_HIDE);
        SetWindowTextA(app, kAppTitle);
    }
    return app;
}

}  // namespace

std::vector<std::string> CommandLineParams() {
    std::vector<std::string> params;
    for (int i = 1; i < __argc; ++i) params.emplace_back(__argv[i]);
    return params;
}

int RunProgram(const std::vector<std::string>& params) {
    HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kInstanceMutex);
    if (mutex && params.empty()) {
        // Another bar runs: bring it to the front and end.
        if (HWND running = FindWindowA(kBarClass, nullptr)) SetForegroundWindow(running);
        CloseHandle(mutex);
        return 0;
    }
    if (mutex) CloseHandle(mutex);
    mutex = CreateMutexA(nullptr, FALSE, kInstanceMutex);

    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    HWND app = CreateApplicationWindow();

    int code = 1;
    {
        BarWindow bar;
        bar.SetQuitOnDestroy(true);
        if (bar.Create(app, params)) code = ui::RunMessageLoop();
    }
    if (app) DestroyWindow(app);
    if (mutex) CloseHandle(mutex);
    return code;
}

}  // namespace qaz
