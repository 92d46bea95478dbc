#include "app/bar_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/bar_menu.h"
#include "app/clock_format.h"
#include "app/desktop_labels.h"
#include "app/info_box.h"
#include "app/registry.h"
#include "app/symbol.h"
#include "app/user_paths.h"
#include "app/version_dialog.h"
#include "app/ui/panel.h"
#include "app/work_folder.h"
#include "archive/library_binding.h"
#include "intake/process_drop.h"
#include "sysutil/windows_env.h"
#include "viewers/viewers.h"

namespace qaz {

namespace {

// The bar's design size; width and position come from the settings.
constexpr int kDesignWidth = 127;

}  // namespace

BarWindow::BarWindow() {
    openFile = [this](const std::string& name) { return OpenByKind(*this, name); };
}

BarWindow::~BarWindow() {
    Destroy();
    StopAnimation();
    if (icon_) DestroyIcon(icon_);
    if (symbol_) DeleteObject(symbol_);
    if (font_) DeleteObject(font_);
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
        case idDropFiles: return dropList_;
    }
    return nullptr;
}

bool BarWindow::Create(HWND owner, const std::vector<std::string>& params) {
    params_ = params;
    icon_ = CreateSymbolIcon();
    symbol_ = CreateSymbolBitmap();
    ui::RegisterPanelClasses();
    if (!ui::Window::RegisterClass(kBarClass, icon_, nullptr)) return false;
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
    font_ = CreateFontA(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック");
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
    ui::SetPictureBitmap(imgMain_, symbol_);
    SetWindowPos(sys_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    main_ = ui::CreatePanel(bar, idMain, kIconWidth, 0, kDesignWidth - kIconWidth, kBarHeight, ui::Edge::Lowered);
    ui::SetPanelFont(main_, font_);
    barCopy_ = ui::CreateChild(PROGRESS_CLASSA, "", 0, 0, 2, 2, 101, 16, main_, idBarCopy);
    EnableWindow(barCopy_, FALSE);
    SendMessageA(barCopy_, PBM_SETRANGE, 0, MAKELPARAM(0, 9));
    SendMessageA(barCopy_, PBM_SETSTEP, 1, 0);

    dropList_ = ui::CreateChild("LISTBOX", "", LBS_NOINTEGRALHEIGHT, 0, 0, 64, 25, 9, bar, idDropFiles);
}

void BarWindow::FormCreate() {
    // 1. Run-time state as at creation.
    state = BarState();
    // 2. The activation colours come with WM_ACTIVATEAPP.
    // 3. The icon's tooltip, two lines.
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (tooltip_) {
        TOOLINFOA ti = {};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = hwnd();
        ti.uId = reinterpret_cast<UINT_PTR>(imgMain_);
        ti.lpszText = const_cast<char*>(kIconTip);
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
        SendMessageA(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    // 4. Settings: place the bar, stay-on-top, tray icon, clock.
    LoadSettings(true);
    // 5. Files dropped from the shell come here.
    DragAcceptFiles(hwnd(), TRUE);
    SetMessageOwner(hwnd());
    if (params_.empty()) {
        // 6. An ordinary start.
        state.CmdLineMode = false;
        if (settings.AutoWin == 1) CopyWindowsEnvironment(true);
    } else {
        // 7. A start with names: show them, then end.
        state.CmdLineMode = true;
        ProcessDrop(*this, DropSource::CommandLine(params_));
        if (state.FileCount < 1)
            state.FilesPending = false;
        else
            ShowMediaController(*this);
        state.AutoLoadFiles = true;
        ArmTimer2(1);
    }
}

void BarWindow::FormCloseQuery() {
    ResetQueue();
    SaveSettings();
    if (settings.AutoWin == 2 && !state.CmdLineMode) CopyWindowsEnvironment(true);
    HideTrayIcon();
}

// ---- settings ------------------------------------------------------------

void BarWindow::LoadSettings(bool first) {
    const std::string compareFormat = first ? std::string("yy/mm/dd hh:mm") : state.ClockFormat;
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
        settings = ReadSettings(settingsKey.get());
    }
    ui::SetPanelColors(main_, static_cast<COLORREF>(settings.Color), static_cast<COLORREF>(settings.FontColor));
    const ClockLayout clock = ClockLayoutFromType(settings.ClockType);
    state.ClockFormat = clock.format;
    state.ClockWidth = clock.width;
    // A run with names on the command line always shows them by itself.
    state.AutoLoadFiles = state.CmdLineMode ? true : settings.AutoLoadFiles;
    ApplyDesktopLabels(first);
    LayoutClock();
    if (first || state.ClockFormat != compareFormat) PullInsideScreen();
}

void BarWindow::LayoutClock() {
    int width = kIconWidth;
    if (!state.ClockFormat.empty()) {
        SetWindowPos(main_, nullptr, 0, 0, state.ClockWidth, kBarHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(barCopy_, nullptr, 0, 0, state.ClockWidth - 5, 16, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowTextA(main_, ClockText(state.ClockFormat).c_str());
        if (!timer1On_) SetTimer(hwnd(), Timer1, kTimer1Interval, nullptr);
        timer1On_ = true;
        width = state.ClockWidth + kIconWidth;
    } else {
        KillTimer(hwnd(), Timer1);
        timer1On_ = false;
        if (settings.AniTime > 0) {
            StopAnimation();
            // Without a clock the timer only counts towards the animation,
            // which needs its library.
            if (HMODULE probe = LoadLibraryA(kAnimationLibrary)) {
                SetTimer(hwnd(), Timer1, kTimer1Interval, nullptr);
                timer1On_ = true;
                FreeLibrary(probe);
            }
        }
    }
    SetWindowPos(hwnd(), nullptr, 0, 0, width, kBarHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BarWindow::PullInsideScreen() {
    RECT r;
    GetWindowRect(hwnd(), &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    int left = r.left, top = r.top;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (screenWidth - width < left) left = screenWidth - width;
    if (screenHeight - height < top) top = screenHeight - height;
    if (left != r.left || top != r.top)
        SetWindowPos(hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BarWindow::SaveSettings() {
    RegKey mainKey;
    if (mainKey.Create(kRegMain)) {
        RECT r;
        GetWindowRect(hwnd(), &r);
        RegWriteInt(mainKey.get(), "Left", r.left);
        RegWriteInt(mainKey.get(), "Top", r.top);
        RegWriteBool(mainKey.get(), "TitleBar", InTitleBarLayout());
    }
    RegKey settingsKey;
    if (settingsKey.Create(kRegSettings)) {
        RegWriteInt(settingsKey.get(), "PackDef", settings.PackDef);
        RegWriteInt(settingsKey.get(), "PathDef", settings.PathDef);
    }
}

// ---- bar operations ------------------------------------------------------

void BarWindow::SetStayOnTop(bool on) {
    stayOnTop_ = on;
    SetWindowPos(hwnd(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void BarWindow::ShowTrayIcon() { tray_.Show(hwnd(), icon_); }

void BarWindow::HideTrayIcon() { tray_.Hide(); }

void BarWindow::StartAnimation() {
    StopAnimation();
    state.AniLibrary = LoadLibraryA(kAnimationLibrary);
    if (!state.AniLibrary) return;
    // The library draws into the icon's memory device context and repaints
    // the icon window itself.
    using Entry = void(WINAPI*)(HDC);
    auto entry = reinterpret_cast<Entry>(GetProcAddress(state.AniLibrary, "QAZAnimation"));
    if (entry) entry(ui::PictureSurface(imgMain_));
}

void BarWindow::StopAnimation() {
    if (state.AniLibrary) FreeLibrary(state.AniLibrary);
    state.AniLibrary = nullptr;
}

void BarWindow::ResetQueue() {
    StopTimer2();
    if (state.ImageWindowCreated) CloseImageWindow(*this);
    if (state.MediaWindowCreated) CloseMediaController(*this);
    SendMessageA(dropList_, LB_RESETCONTENT, 0, 0);
    UnbindLibrary();
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

void BarWindow::ArmTimer2(UINT ms) {
    timer2Interval_ = ms;
    SetTimer(hwnd(), Timer2, ms, nullptr);
    timer2On_ = true;
}

void BarWindow::StopTimer2() {
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

void BarWindow::Tick(BarTimer timer) {
    if (timer == Timer1)
        Timer1Timer();
    else
        Timer2Timer();
}

void BarWindow::Timer1Timer() {
    if (!state.ClockFormat.empty()) SetWindowTextA(main_, ClockText(state.ClockFormat).c_str());
    if (settings.AniTime > 0) {
        state.AniCounter += 1;
        if (state.AniCounter == 0) {  // the animation ran for one tick
            StopAnimation();
            state.AniCounter = 1;
        }
        if (state.AniCounter >= settings.AniTime) {
            StartAnimation();
            state.AniCounter = -1;
        }
    }
}

void BarWindow::Timer2Timer() {
    StopTimer2();
    if (state.FilesPending) {
        const int i = static_cast<int>(SendMessageA(dropList_, LB_GETCURSEL, 0, 0));
        std::string name;
        const LRESULT length = SendMessageA(dropList_, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (i >= 0 && length != LB_ERR) {
            name.resize(static_cast<size_t>(length) + 1);
            SendMessageA(dropList_, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&name[0]));
            name.resize(static_cast<size_t>(length));
        }
        if (i >= 0 && i < state.FileCount - 1) {
            SendMessageA(dropList_, LB_SETCURSEL, static_cast<WPARAM>(i + 1), 0);
        } else {
            state.FilesPending = false;
        }
        const int delay = openFile(name);
        if (state.AutoLoadFiles && delay > 0) ArmTimer2(static_cast<UINT>(delay));
    } else {
        ResetQueue();  // closes the image window and the controller too
        if (state.CmdLineMode) PostMessageA(hwnd(), WM_CLOSE, 0, 0);
    }
}

// ---- messages ------------------------------------------------------------

void BarWindow::OnDropFiles(HDROP drop) {
    ResetQueue();
    ProcessDrop(*this, DropSource::Shell(drop));
    if (state.FileCount <= 0) return;
    StartAnimation();
    ShowMediaController(*this);
    if (state.AutoLoadFiles)
        ArmTimer2(1);
    else
        ShowListEntry(*this, 0);
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
    HMENU menu = BuildBarMenu(settings);
    SetForegroundWindow(hwnd());
    const int choice = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
    DestroyMenu(menu);
    PostMessageA(hwnd(), WM_NULL, 0, 0);
    if (choice) OnMenuCommand(choice);
}

void BarWindow::OnMenuCommand(int id) {
    if (id >= cLzh && id <= cTgz) {
        settings.PackDef = id - cLzh + 1;
        SaveSettings();
    } else if (id >= N11 && id <= N51) {
        settings.PathDef = id - N11 + 1;
        SaveSettings();
    } else {
        switch (id) {
            case pmsSetup: RunSettingsLibrary(); break;
            case KWin1: CopyWindowsEnvironment(true); break;
            case KWin2: CopyWindowsEnvironment(false); break;
            case pmsScreenSaver: SendMessageA(GetDesktopWindow(), WM_SYSCOMMAND, SC_SCREENSAVE, 0); break;
            case pmsExit: PostMessageA(hwnd(), WM_CLOSE, 0, 0); break;
            case pmsStayOnTop: SetStayOnTop(true); break;
            case pmsHelp: OpenHelp(); break;
            case pmsVersion: ShowVersionDialog(hwnd()); break;
        }
    }
}

void BarWindow::RunSettingsLibrary() {
    HMODULE library = LoadLibraryA(kSettingsLibrary);
    if (!library) {
        InfoBox(std::string(kSettingsLibrary) + " がありません");
        return;
    }
    // The library gets the program's full path in a buffer of its own size.
    char path[577] = {};
    GetModuleFileNameA(nullptr, path, sizeof path - 1);
    using Entry = void(WINAPI*)(char*);
    if (auto entry = reinterpret_cast<Entry>(GetProcAddress(library, "QAZSetup"))) {
        entry(path);
        LoadSettings(false);
    }
    FreeLibrary(library);
}

void BarWindow::OpenHelp() {
    const std::string program = ProgramPath();
    const std::string help = program.substr(0, program.find_last_of('\\') + 1) + "qaz.hlp";
    ShellExecuteA(hwnd(), "open", help.c_str(), nullptr, nullptr, SW_SHOW);
}

void BarWindow::SetBarColour(COLORREF colour) {
    barColour_ = colour;
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void BarWindow::PaintBar() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    RECT r;
    GetClientRect(hwnd(), &r);
    HBRUSH brush = CreateSolidBrush(barColour_);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    RECT strip = {0, 0, kIconWidth, 9};  // the bevel above the icon
    DrawEdge(dc, &strip, BDR_RAISEDINNER, BF_RECT);
    EndPaint(hwnd(), &ps);
}

LRESULT BarWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_NCHITTEST: return ui::HitTestDragBySurface(hwnd(), wParam, lParam);
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: PaintBar(); return 0;
        case WM_ACTIVATEAPP:
            SetBarColour(GetSysColor(wParam ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
            return 0;
        case WM_TIMER:
            if (wParam == Timer1 || wParam == Timer2) Tick(static_cast<BarTimer>(wParam));
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
            FormCloseQuery();
            DestroyWindow(hwnd());
            return 0;
        case WM_DESTROY:
            // The viewers' windows do not outlive the bar they belong to.
            if (state.ImageWindowCreated) CloseImageWindow(*this);
            if (state.MediaWindowCreated) CloseMediaController(*this);
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
