#include "app/bar_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/bar_menu.h"
#include "app/clock_format.h"
#include "app/desktop_labels.h"
#include "app/help_path.h"
#include "app/version_dialog.h"
#include "base/info_box.h"
#include "base/path_parts.h"
#include "base/registry.h"
#include "base/ui/panel.h"
#include "base/ui/window_position.h"
#include "base/user_paths.h"
#include "base/work_folder.h"
#include "core/registry_keys.h"
#include "core/symbol.h"
#include "intake/process_drop.h"
#include "sysutil/windows_env.h"

namespace qaz {

namespace {

// The bar's design size; width and position come from the settings.
constexpr int kDesignWidth = 127;

// A queue step that comes while the bar is busy waits this long.
constexpr UINT kBusyRetryMs = 200;

}  // namespace

// Marks the bar busy for one drop or queue step; a close asked for
// meanwhile comes when it is over.
class BarWindow::WorkScope {
public:
    explicit WorkScope(BarWindow& bar) : bar_(bar) { ++bar_.working_; }
    ~WorkScope() {
        if (--bar_.working_ == 0 && bar_.closeAfterWork_) {
            bar_.closeAfterWork_ = false;
            PostMessageA(bar_.hwnd(), WM_CLOSE, 0, 0);
        }
    }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

private:
    BarWindow& bar_;
};

bool BarWindow::RefusedWhileWorking() {
    if (!working_) return false;
    InfoBox("処理中です。終わってからもう一度どうぞ");
    return true;
}

BarWindow::BarWindow() = default;

BarWindow::~BarWindow() {
    Destroy();
    StopAnimation();
}

HWND BarWindow::control(BarControl id) const {
    switch (id) {
        case idSys: return sys_;
        case idIcon: return pnlIcon_;
        case idImgMain: return imgMain_;
        case idMain: return main_;
        case idBarCopy: return barCopy_;
        case idSysMenu: return pnlSysMenu_;
        case idImgExit: return imgExit_;
        case idDropFiles: return queue_.handle();
    }
    return nullptr;
}

bool BarWindow::Create(HWND owner, const std::vector<std::string>& params) {
    params_ = params;
    symbol_.Reset(CreateSymbolBitmap());
    ui::RegisterPanelClasses();
    if (!ui::Window::RegisterClass(kBarClass, ProgramIcon(), nullptr)) return false;
    if (!ui::Window::Create(kBarClass, kBarTitle, WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0, kDesignWidth, kBarHeight,
                            owner))
        return false;
    CreateControls();
    FormCreate();
    ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    // Some window managers drop the topmost state of a window that was not
    // yet shown: state it again now that the bar is visible.
    SetStayOnTop(stayOnTop_);
    UpdateWindow(hwnd());
    return true;
}

void BarWindow::CreateControls() {
    HWND bar = hwnd();
    font_.Reset(ui::CreateFormFont(FW_BOLD));
    barColour_ = GetSysColor(COLOR_INACTIVECAPTION);

    // The exit mark first, so that Sys covers it in the normal layout.
    pnlSysMenu_ = ui::CreatePanel(bar, idSysMenu, 1, 1, 10, 7, ui::Edge::None);
    imgExit_ = ui::CreatePicture(pnlSysMenu_, idImgExit, 0, 0, 10, 7);
    HDC exitDc = ui::PictureSurface(imgExit_);
    RECT exitRect = {0, 0, 10, 7};
    FillRect(exitDc, &exitRect, GetSysColorBrush(COLOR_BTNFACE));
    for (int i = 0; i < 5; ++i) {  // a small cross
        SetPixel(exitDc, 2 + i, 1 + i, RGB(0, 0, 0));
        SetPixel(exitDc, 3 + i, 1 + i, RGB(0, 0, 0));
        SetPixel(exitDc, 6 - i, 1 + i, RGB(0, 0, 0));
        SetPixel(exitDc, 7 - i, 1 + i, RGB(0, 0, 0));
    }

    sys_ = ui::CreatePanel(bar, idSys, 0, 0, kIconWidth, kBarHeight, ui::Edge::Raised);
    pnlIcon_ = ui::CreatePanel(sys_, idIcon, 2, 2, 16, 16, ui::Edge::None);
    imgMain_ = ui::CreatePicture(pnlIcon_, idImgMain, 0, 0, 16, 16);
    ui::SetPictureBitmap(imgMain_, symbol_.get());
    SetWindowPos(sys_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    main_ = ui::CreatePanel(bar, idMain, kIconWidth, 0, kDesignWidth - kIconWidth, kBarHeight, ui::Edge::Lowered);
    ui::SetPanelFont(main_, font_.get());
    barCopy_ = ui::CreateChild(PROGRESS_CLASSA, "", 0, 0, 2, 2, 101, 16, main_, idBarCopy);
    EnableWindow(barCopy_, FALSE);
    SendMessageA(barCopy_, PBM_SETRANGE, 0, MAKELPARAM(0, 9));
    SendMessageA(barCopy_, PBM_SETSTEP, 1, 0);

    queue_.Create(bar, idDropFiles);
}

void BarWindow::FormCreate() {
    // 1. Run-time state as at creation.
    state_ = BarState();
    queue_.fileCount = 0;
    queue_.filesPending = false;
    // 2. The activation colours come with WM_ACTIVATEAPP.
    // 3. The icon's tooltip, two lines.
    tooltip_.Create(hwnd(), 400);
    tooltip_.Add(imgMain_, kIconTip);
    // 4. Settings: place the bar, stay-on-top, tray icon, clock.
    LoadSettings(true);
    // 5. Files dropped from the shell come here.
    DragAcceptFiles(hwnd(), TRUE);
    SetMessageOwner(hwnd());
    if (params_.empty()) {
        // 6. An ordinary start.
        state_.CmdLineMode = false;
        if (settings_.AutoWin == 1) CopyWindowsEnvironment(*this, true);
    } else {
        // 7. A start with names: show them, then end.
        state_.CmdLineMode = true;
        {
            WorkScope work(*this);
            ProcessDrop(context_, DropSource::CommandLine(params_));
        }
        if (queue_.fileCount < 1)
            queue_.filesPending = false;
        else
            viewers_.ShowMediaController();
        state_.AutoLoadFiles = true;
        ArmQueue(1);
    }
}

void BarWindow::CloseBar() {
    if (closing_) return;  // a box of the close sequence let another request in
    closing_ = true;
    FormCloseQuery();
    DestroyWindow(hwnd());
}

void BarWindow::FormCloseQuery() {
    ResetQueue();
    SaveSettings();
    if (settings_.AutoWin == 2 && !state_.CmdLineMode) CopyWindowsEnvironment(*this, true);
    HideTrayIcon();
}

// ---- settings ------------------------------------------------------------

void BarWindow::LoadSettings(bool first) {
    const std::string compareFormat = first ? std::string("yy/mm/dd hh:mm") : state_.ClockFormat;
    {
        RegKey mainKey;
        mainKey.Open(kRegMain);
        const BarPlacement placement = ReadBarPlacement(mainKey.get());
        SetStayOnTop(placement.stayOnTop);
        if (placement.taskTray)
            ShowTrayIcon();
        else
            HideTrayIcon();
        if (first) {
            SetWindowPos(hwnd(), nullptr, placement.left, placement.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            if (placement.titleBar) SetTitleBarLayout(true);
        }
    }
    {
        RegKey settingsKey;
        settingsKey.Open(kRegSettings);
        settings_ = ReadSettings(settingsKey.get());
    }
    ui::SetPanelColors(main_, static_cast<COLORREF>(settings_.Color), static_cast<COLORREF>(settings_.FontColor));
    const ClockLayout clock = ClockLayoutFromType(settings_.ClockType);
    state_.ClockFormat = clock.format;
    state_.ClockWidth = clock.width;
    // A run with names on the command line always shows them by itself.
    state_.AutoLoadFiles = state_.CmdLineMode ? true : settings_.AutoLoadFiles;
    ApplyDesktopLabels(first);
    LayoutClock();
    if (first || state_.ClockFormat != compareFormat) {
        RECT r;
        GetWindowRect(hwnd(), &r);
        const POINT at = ui::PullInsideScreen(POINT{r.left, r.top}, SIZE{r.right - r.left, r.bottom - r.top});
        if (at.x != r.left || at.y != r.top)
            SetWindowPos(hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void BarWindow::LayoutClock() {
    int width = kIconWidth;
    if (!state_.ClockFormat.empty()) {
        SetWindowPos(main_, nullptr, 0, 0, state_.ClockWidth, kBarHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(barCopy_, nullptr, 0, 0, state_.ClockWidth - 5, 16, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowTextA(main_, ClockText(state_.ClockFormat).c_str());
        if (!timer1On_) SetTimer(hwnd(), Timer1, kTimer1Interval, nullptr);
        timer1On_ = true;
        width = state_.ClockWidth + kIconWidth;
    } else {
        KillTimer(hwnd(), Timer1);
        timer1On_ = false;
        if (settings_.AniTime > 0) {
            StopAnimation();
            // Without a clock the timer only counts towards the animation,
            // which needs its library.
            if (Library(kAnimationLibrary)) {
                SetTimer(hwnd(), Timer1, kTimer1Interval, nullptr);
                timer1On_ = true;
            }
        }
    }
    SetWindowPos(hwnd(), nullptr, 0, 0, width, kBarHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BarWindow::SaveSettings() {
    ui::SaveWindowPosition(hwnd(), kRegMain);
    RegKey mainKey;
    if (mainKey.Create(kRegMain)) RegWriteBool(mainKey.get(), "TitleBar", InTitleBarLayout());
    RegKey settingsKey;
    if (settingsKey.Create(kRegSettings)) {
        RegWriteInt(settingsKey.get(), "PackDef", settings_.PackDef);
        RegWriteInt(settingsKey.get(), "PathDef", settings_.PathDef);
    }
}

// ---- bar operations ------------------------------------------------------

void BarWindow::SetStayOnTop(bool on) {
    stayOnTop_ = on;
    SetWindowPos(hwnd(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void BarWindow::ShowTrayIcon() { tray_.Show(hwnd(), ProgramIcon()); }

void BarWindow::HideTrayIcon() { tray_.Hide(); }

void BarWindow::StartAnimation() {
    StopAnimation();
    // The library is missing silently.
    if (!animation_.Load(kAnimationLibrary)) return;
    // The library draws into the icon's memory device context and repaints
    // the icon window itself.
    using Entry = void(WINAPI*)(HDC);
    if (auto entry = animation_.Entry<Entry>("QAZAnimation")) entry(ui::PictureSurface(imgMain_));
}

void BarWindow::ShowCopyProgress(bool on) {
    if (on) SendMessageA(barCopy_, PBM_SETPOS, 0, 0);
    EnableWindow(barCopy_, on);
    ShowWindow(barCopy_, on ? SW_SHOW : SW_HIDE);
    if (on) UpdateWindow(barCopy_);
}

void BarWindow::SetCopyProgress(int position) {
    SendMessageA(barCopy_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    UpdateWindow(barCopy_);
}

void BarWindow::StopAnimation() { animation_.Free(); }

void BarWindow::ResetQueue() {
    StopQueue();
    viewers_.CloseImageWindow();
    viewers_.CloseMediaController();
    queue_.Clear();
    binding_.Unbind();
    StopAnimation();
    CleanWorkFolder();
}

bool BarWindow::InTitleBarLayout() const {
    RECT r;
    GetWindowRect(sys_, &r);
    MapWindowPoints(HWND_DESKTOP, hwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r.top != 0;
}

void BarWindow::SetTitleBarLayout(bool titleBar) {
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (titleBar) {
        SetWindowPos(sys_, nullptr, 0, 9, kIconWidth, 12, flags);
        SetWindowPos(pnlIcon_, nullptr, 2, 2, 16, 8, flags);
        SetWindowPos(imgMain_, nullptr, 0, -2, 16, 16, flags);
    } else {
        SetWindowPos(sys_, nullptr, 0, 0, kIconWidth, kBarHeight, flags);
        SetWindowPos(pnlIcon_, nullptr, 2, 2, 16, 16, flags);
        SetWindowPos(imgMain_, nullptr, 0, 0, 16, 16, flags);
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void BarWindow::ArmQueue(UINT ms) {
    timer2Interval_ = ms;
    SetTimer(hwnd(), Timer2, ms, nullptr);
    timer2On_ = true;
}

void BarWindow::StopQueue() {
    KillTimer(hwnd(), Timer2);
    timer2On_ = false;
}

std::string BarWindow::ClockText(const std::string& format) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    ClockTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    char day[64] = {};
    if (GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, "ddd", day, sizeof day) > 0) t.weekday = day;
    return RenderClock(format, t);
}

// ---- timers --------------------------------------------------------------

void BarWindow::Timer1Timer() {
    if (!state_.ClockFormat.empty()) SetWindowTextA(main_, ClockText(state_.ClockFormat).c_str());
    if (settings_.AniTime > 0 && !working_) {  // the busy animation is the work's own
        state_.AniCounter += 1;
        if (state_.AniCounter == 0) {  // the animation ran for one tick
            StopAnimation();
            state_.AniCounter = 1;
        }
        if (state_.AniCounter >= settings_.AniTime) {
            StartAnimation();
            state_.AniCounter = -1;
        }
    }
}

void BarWindow::Timer2Timer() {
    StopQueue();
    if (working_) {  // the step comes when the work is done
        ArmQueue(kBusyRetryMs);
        return;
    }
    bool more;
    {
        WorkScope work(*this);
        more = viewers_.ShowNextEntry();
    }
    if (more) return;
    ResetQueue();  // closes the image window and the controller too
    if (state_.CmdLineMode) PostMessageA(hwnd(), WM_CLOSE, 0, 0);
}

// ---- messages ------------------------------------------------------------

void BarWindow::OnDropFiles(HDROP drop) {
    if (working_) {
        DragFinish(drop);
        RefusedWhileWorking();
        return;
    }
    {
        WorkScope work(*this);
        ResetQueue();
        ProcessDrop(context_, DropSource::Shell(drop));
    }
    if (queue_.fileCount <= 0) return;
    StartAnimation();
    viewers_.ShowMediaController();
    if (state_.AutoLoadFiles)
        ArmQueue(1);
    else
        viewers_.ShowListEntry(0);
}

void BarWindow::OnTrayCallback(LPARAM code) {
    if (code == WM_LBUTTONDOWN) {
        SetForegroundWindow(hwnd());
    } else if (code == WM_RBUTTONDOWN) {
        POINT pt;
        GetCursorPos(&pt);
        ShowMenu(pt);
    }
}

void BarWindow::OnIconClick() {
    RECT r;
    GetWindowRect(sys_, &r);
    MapWindowPoints(HWND_DESKTOP, hwnd(), reinterpret_cast<POINT*>(&r), 2);
    const int t = r.top;
    if (t > 0 && t <= 8) return;
    if (t < 0 || t > 9) {
        SetTitleBarLayout(false);
        return;
    }
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (t == 9) {
        SetWindowPos(sys_, nullptr, 0, 9, kIconWidth, kBarHeight, flags);
        SetWindowPos(pnlIcon_, nullptr, 2, 2, 16, 16, flags);
        SetWindowPos(imgMain_, nullptr, 0, 0, 16, 16, flags);
        for (int top = 8; top >= 0; --top) {
            SetWindowPos(sys_, nullptr, 0, top, 0, 0, flags | SWP_NOSIZE);
            UpdateWindow(hwnd());
            Sleep(30);
        }
    } else {
        for (int top = 1; top <= 9; ++top) {
            SetWindowPos(sys_, nullptr, 0, top, 0, 0, flags | SWP_NOSIZE);
            UpdateWindow(hwnd());
            Sleep(30);
        }
        SetTitleBarLayout(true);
    }
}

void BarWindow::ShowMenu(POINT at) {
    OwnedMenu menu(BuildBarMenu(settings_));
    SetForegroundWindow(hwnd());
    const int choice = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
    PostMessageA(hwnd(), WM_NULL, 0, 0);
    if (choice) OnMenuCommand(choice);
}

void BarWindow::OnMenuCommand(int id) {
    if (id >= cLzh && id <= cTgz) {
        settings_.PackDef = id - cLzh + 1;
        SaveSettings();
    } else if (id >= N11 && id <= N51) {
        settings_.PathDef = id - N11 + 1;
        SaveSettings();
    } else {
        switch (id) {
            case pmsSetup:
                if (!RefusedWhileWorking()) RunSettingsLibrary();
                break;
            case KWin1:
            case KWin2:
                if (!RefusedWhileWorking()) CopyWindowsEnvironment(*this, id == KWin1);
                break;
            case pmsScreenSaver: SendMessageA(GetDesktopWindow(), WM_SYSCOMMAND, SC_SCREENSAVE, 0); break;
            case pmsExit: PostMessageA(hwnd(), WM_CLOSE, 0, 0); break;
            case pmsStayOnTop: SetStayOnTop(true); break;
            case pmsHelp: OpenHelp(); break;
            case pmsVersion: ShowVersionDialog(hwnd()); break;
        }
    }
}

void BarWindow::RunSettingsLibrary() {
    Library library(kSettingsLibrary);
    if (!library) {
        InfoBox(std::string(kSettingsLibrary) + " がありません");
        return;
    }
    // The library gets the program's full path in a buffer of its own size.
    char path[577] = {};
    GetModuleFileNameA(nullptr, path, sizeof path - 1);
    using Entry = void(WINAPI*)(char*);
    if (auto entry = library.Entry<Entry>("QAZSetup")) {
        entry(path);
        LoadSettings(false);
    }
}

void BarWindow::OpenHelp() {
    const std::string help = HelpFilePath(ProgramPath());
    ShellExecuteA(hwnd(), "open", help.c_str(), nullptr, nullptr, SW_SHOW);
}

void BarWindow::SetBarColour(COLORREF colour) {
    barColour_ = colour;
    InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT BarWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_NCHITTEST: return ui::HitTestDragBySurface(hwnd(), wParam, lParam);
        case WM_ERASEBKGND: return 1;
        case WM_PAINT:
            // The bevel above the icon shows in the title-bar layout.
            ui::PaintGripSurface(hwnd(), barColour_, RECT{0, 0, kIconWidth, 9});
            return 0;
        case WM_ACTIVATEAPP:
            SetBarColour(GetSysColor(wParam ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
            return 0;
        case WM_TIMER:
            if (wParam == Timer1) Timer1Timer();
            if (wParam == Timer2) Timer2Timer();
            return 0;
        case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
        case kTrayCallback: OnTrayCallback(lParam); return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == idImgMain) OnIconClick();
            if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == idImgExit) PostMessageA(hwnd(), WM_CLOSE, 0, 0);
            return 0;
        case WM_CONTEXTMENU: {
            POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (pt.x == -1 && pt.y == -1) GetCursorPos(&pt);
            ShowMenu(pt);
            return 0;
        }
        case WM_CLOSE:
            if (working_)
                closeAfterWork_ = true;  // the work uses what the close sequence releases
            else
                CloseBar();
            return 0;
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ENDSESSION:
            // Logging off or shutting down ends the program as a close does
            // (not in the middle of a drop: the session ends it).
            if (wParam && !working_) CloseBar();
            return 0;
        case WM_DESTROY:
            // The viewers' windows do not outlive the bar they belong to.
            viewers_.CloseImageWindow();
            viewers_.CloseMediaController();
            KillTimer(hwnd(), Timer1);
            KillTimer(hwnd(), Timer2);
            timer1On_ = timer2On_ = false;
            SetMessageOwner(nullptr);
            if (quitOnDestroy_) PostQuitMessage(0);
            return 0;
    }
    return ui::Window::HandleMessage(msg, wParam, lParam);
}

}  // namespace qaz
