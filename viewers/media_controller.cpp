#include "viewers/media_controller.h"

#include <commctrl.h>
#include <mmsystem.h>

#include "app/bar_window.h"
#include "app/info_box.h"
#include "app/path_parts.h"
#include "app/registry.h"
#include "app/symbol.h"
#include "app/ui/panel.h"
#include "viewers/button_faces.h"
#include "viewers/view_rules.h"
#include "viewers/viewers.h"

namespace qaz {

namespace {

constexpr const char* kPartClass = "QAZMediaPart";
constexpr const char* kCloseHint = "左クリックしたら表示を終わるよ";
constexpr int kSepLeft = 75;

std::string DropEntry(HWND list, int i) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (i < 0 || length == LB_ERR) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

// The controller's own painted parts: the file-name panel and the
// separator's paint box.
LRESULT CALLBACK MediaPartProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* owner = reinterpret_cast<MediaController*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (owner) {
                if (GetDlgCtrlID(hwnd) == idSepBox)
                    owner->PaintSeparator(dc);
                else
                    owner->PaintName(hwnd, dc);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

MediaController::~MediaController() { Destroy(); }

HWND MediaController::control(MediaControl id) const {
    switch (id) {
        case idSysMenuPanel: return pnlSysMenu_;
        case idExit: return imgExit_;
        case idBackPanel: return pnlBack_;
        case idBack: return imgBack_;
        case idAutoPanel: return pnlALF_;
        case idAuto: return imgALF_;
        case idNextPanel: return pnlNext_;
        case idNext: return imgNext_;
        case idPlayPanel: return pnlPlay_;
        case idPlay: return imgPlay_;
        case idStopPanel: return pnlStop_;
        case idStop: return imgStop_;
        case idSepPanel: return pnlSep_;
        case idSepBox: return pbSep_;
        case idNamePanel: return pnlFName_;
    }
    return nullptr;
}

bool MediaController::Open(BarWindow& bar) {
    bar_ = &bar;
    if (hwnd()) return true;
    static HICON icon = CreateSymbolIcon();
    if (!RegisterClass(kMediaClass, icon, nullptr)) return false;
    ui::RegisterPanelClasses();
    WNDCLASSEXA part = {};
    part.cbSize = sizeof part;
    if (!GetClassInfoExA(GetModuleHandleA(nullptr), kPartClass, &part)) {
        part.lpfnWndProc = MediaPartProc;
        part.hInstance = GetModuleHandleA(nullptr);
        part.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        part.lpszClassName = kPartClass;
        RegisterClassExA(&part);
    }

    // 1. The desktop as it is now, for the separator.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    snapshot_ = CreateCompatibleBitmap(screen, screenWidth, screenHeight);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, snapshot_);
    BitBlt(mem, 0, 0, screenWidth, screenHeight, screen, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    // 2. The remembered position, pulled inside the screen.
    int left = 0, top = 0;
    {
        RegKey play;
        play.Open(kRegPlay);
        left = RegReadInt(play.get(), "Left", 0);
        top = RegReadInt(play.get(), "Top", 0);
    }
    if (screenWidth - kMediaWidth < left) left = screenWidth - kMediaWidth;
    if (screenHeight - kMediaHeight < top) top = screenHeight - kMediaHeight;

    colour_ = GetSysColor(COLOR_INACTIVECAPTION);
    fileName_.clear();
    backHint_.clear();
    nextHint_.clear();
    mediaPath_.clear();
    // Owned by the bar: no taskbar button of its own, and it goes with the bar.
    if (!Create(kMediaClass, kMediaTitle, WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, left, top,
                kMediaWidth, kMediaHeight, bar.hwnd())) {
        ReleaseResources();
        return false;
    }
    CreateControls();
    // 3. Back, auto and Next are on; a command-line run always steps by itself.
    EnableWindow(pnlBack_, TRUE);
    EnableWindow(pnlNext_, TRUE);
    EnableWindow(pnlALF_, !bar.state.CmdLineMode);
    EnableWindow(imgALF_, !bar.state.CmdLineMode);
    // 5. The auto button's face.
    ShowAutoState(bar.state.AutoLoadFiles);
    return true;
}

void MediaController::CreateControls() {
    HWND w = hwnd();
    font_ = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック");
    const ButtonFace kinds[7] = {ButtonFace::Back, ButtonFace::Next,    ButtonFace::Play, ButtonFace::Stop,
                                 ButtonFace::AutoOn, ButtonFace::AutoOff, ButtonFace::Close};
    for (int i = 0; i < 7; ++i) faces_[i] = DrawButtonFace(kinds[i]);

    auto button = [&](HWND& panel, HWND& picture, int panelId, int x, HBITMAP face) {
        panel = ui::CreatePanel(w, panelId, x, 0, 21, 21, ui::Edge::Raised);
        picture = ui::CreatePicture(panel, panelId + 1, 2, 2, 16, 16);
        if (face) ui::SetPictureBitmap(picture, face);
    };
    pnlSysMenu_ = ui::CreatePanel(w, idSysMenuPanel, 1, 1, 10, 7, ui::Edge::None);
    imgExit_ = ui::CreatePicture(pnlSysMenu_, idExit, 0, 0, 10, 7);
    ui::SetPictureBitmap(imgExit_, faces_[6]);
    button(pnlBack_, imgBack_, idBackPanel, 12, faces_[0]);
    button(pnlALF_, imgALF_, idAutoPanel, 33, nullptr);
    button(pnlNext_, imgNext_, idNextPanel, 54, faces_[1]);
    button(pnlPlay_, imgPlay_, idPlayPanel, 75, faces_[2]);
    button(pnlStop_, imgStop_, idStopPanel, 96, faces_[3]);

    // The separator lies over Play and Stop until the first media file.
    pnlSep_ = ui::CreatePanel(w, idSepPanel, kSepLeft, 0, 42, 21, ui::Edge::None);
    pbSep_ = CreateWindowExA(0, kPartClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 42, 21, pnlSep_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(idSepBox)), GetModuleHandleA(nullptr),
                             nullptr);
    SetWindowLongPtrA(pbSep_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowPos(pnlSep_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    pnlFName_ = CreateWindowExA(0, kPartClass, "", WS_CHILD | WS_VISIBLE, 0, 21, 117, 21, w,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(idNamePanel)),
                                GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(pnlFName_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (tooltip_)
        SendMessageA(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    AddHint(imgExit_, kCloseHint);
    AddHint(imgBack_, "");
    AddHint(imgALF_, "");
    AddHint(imgNext_, "");
}

void MediaController::AddHint(HWND tool, const std::string& text) {
    if (!tooltip_) return;
    TOOLINFOA ti = {};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd();
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void MediaController::SetHint(HWND tool, const std::string& text) {
    if (!tooltip_) return;
    TOOLINFOA ti = {};
    ti.cbSize = sizeof ti;
    ti.hwnd = hwnd();
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

void MediaController::ReleaseResources() {
    if (snapshot_) DeleteObject(snapshot_);
    snapshot_ = nullptr;
    for (HBITMAP& face : faces_) {
        if (face) DeleteObject(face);
        face = nullptr;
    }
    if (font_) DeleteObject(font_);
    font_ = nullptr;
}

void MediaController::Close(bool endShowing) {
    if (!hwnd()) return;
    // The device goes with the window: a notification would find no one.
    if (playing()) Stop();
    CloseDevice();
    MSG stale;
    while (PeekMessageA(&stale, hwnd(), MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
    }
    if (endShowing && bar_) {
        bar_->state.FilesPending = false;
        bar_->ArmTimer2(1);
    }
    if (bar_) bar_->state.MediaWindowCreated = false;
    RegKey play;
    if (play.Create(kRegPlay)) {
        RECT r;
        GetWindowRect(hwnd(), &r);
        RegWriteInt(play.get(), "Left", r.left);
        RegWriteInt(play.get(), "Top", r.top);
    }
    Destroy();
}

void MediaController::OnDestroyed() {
    CloseDevice();
    ReleaseResources();
    tooltip_ = nullptr;
    if (bar_) bar_->state.MediaWindowCreated = false;
}

void MediaController::SetFileName(const std::string& name) {
    fileName_ = name;
    if (pnlFName_) InvalidateRect(pnlFName_, nullptr, FALSE);
    SetHint(imgALF_, name);
}

void MediaController::ShowListEntry(int step) {
    if (!bar_ || bar_->state.FileCount < 1) return;
    HWND list = bar_->dropList();
    const int selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    const ListStep s = StepDropList(selected, step, bar_->state.FileCount);
    if (s.index != selected) SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(s.index), 0);
    nextHint_ = LastComponent(DropEntry(list, s.next));
    bar_->state.FilesPending = s.pending;
    backHint_ = LastComponent(DropEntry(list, s.back));
    SetHint(imgNext_, nextHint_);
    SetHint(imgBack_, backHint_);
    const std::string path = DropEntry(list, s.index);
    if (FileExists(path))
        OpenByKind(*bar_, path);
    else
        InfoBox(path + "\r\nファイルはありません");
}

void MediaController::ShowAutoState(bool on) {
    // On: lowered, showing M (stepping by hand is a click away); off:
    // raised, showing A.
    autoFaceManual_ = on;
    if (pnlALF_) ui::SetPanelEdge(pnlALF_, on ? ui::Edge::Lowered : ui::Edge::Raised);
    if (imgALF_) ui::SetPictureBitmap(imgALF_, on ? faces_[5] : faces_[4]);
}

void MediaController::ToggleAuto() {
    if (!bar_) return;
    if (playing()) Stop();
    bar_->state.AutoLoadFiles = !bar_->state.AutoLoadFiles;
    ShowAutoState(bar_->state.AutoLoadFiles);
    bar_->ArmTimer2(1);
    if (!bar_->state.AutoLoadFiles) bar_->StopTimer2();
}

bool MediaController::PlayFile(const std::string& path) {
    ShowWindow(pnlSep_, SW_HIDE);
    ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    mediaPath_ = path;
    return Play();
}

bool MediaController::Play() {
    if (mediaPath_.empty()) return false;
    if (device_) {
        CloseDevice();
        MSG stale;  // the notification of the playing closed just now
        while (PeekMessageA(&stale, hwnd(), MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
        }
    }
    MCI_OPEN_PARMSA open = {};
    open.lpstrElementName = mediaPath_.c_str();
    if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open)) != 0)
        return false;
    device_ = open.wDeviceID;
    MCI_PLAY_PARMS play = {};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(hwnd());
    if (mciSendCommandA(device_, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play)) != 0) {
        CloseDevice();
        return false;
    }
    return true;
}

bool MediaController::playing() const {
    if (!device_) return false;
    MCI_STATUS_PARMS status = {};
    status.dwItem = MCI_STATUS_MODE;
    if (mciSendCommandA(device_, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&status)) != 0)
        return false;
    return status.dwReturn == MCI_MODE_PLAY;
}

void MediaController::Stop() {
    // The playing's own notification (aborted) follows and continues the
    // queue.
    if (playing()) mciSendCommandA(device_, MCI_STOP, MCI_WAIT, 0);
}

void MediaController::CloseDevice() {
    if (!device_) return;
    mciSendCommandA(device_, MCI_CLOSE, MCI_WAIT, 0);
    device_ = 0;
}

void MediaController::OnNotify(UINT device) {
    if (!device_ || device != device_) return;  // an earlier device's word
    CloseDevice();
    if (bar_ && bar_->state.AutoLoadFiles && !bar_->Timer2Enabled()) bar_->ArmTimer2(bar_->Timer2Interval());
}

void MediaController::PaintSeparator(HDC dc) {
    RECT wr, cr;
    GetWindowRect(hwnd(), &wr);
    GetClientRect(hwnd(), &cr);
    const int x = ((wr.right - wr.left) - cr.right) / 2 + kSepLeft + wr.left;
    const int y = ((wr.bottom - wr.top) - cr.bottom) / 2 + wr.top;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, snapshot_);
    BitBlt(dc, 0, 0, 42, 21, mem, x, y, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void MediaController::PaintName(HWND panel, HDC dc) {
    RECT r;
    GetClientRect(panel, &r);
    const COLORREF background = bar_ ? static_cast<COLORREF>(bar_->settings.Color) : GetSysColor(COLOR_BTNFACE);
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    DrawEdge(dc, &r, BDR_SUNKENINNER, BF_RECT);
    RECT text = {4, 4, 4 + 109, 4 + 12};
    HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, bar_ ? static_cast<COLORREF>(bar_->settings.FontColor) : RGB(0, 0, 0));
    DrawTextA(dc, fileName_.c_str(), static_cast<int>(fileName_.size()), &text,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    SelectObject(dc, oldFont);
}

LRESULT MediaController::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_NCHITTEST: return ui::HitTestDragBySurface(hwnd(), wParam, lParam);
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd(), &ps);
            RECT r;
            GetClientRect(hwnd(), &r);
            HBRUSH brush = CreateSolidBrush(colour_);
            FillRect(dc, &r, brush);
            DeleteObject(brush);
            RECT grip = {0, 0, 12, 21};
            DrawEdge(dc, &grip, BDR_RAISEDINNER, BF_RECT);
            EndPaint(hwnd(), &ps);
            return 0;
        }
        case WM_ACTIVATE:
            colour_ = GetSysColor(LOWORD(wParam) != WA_INACTIVE ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
            InvalidateRect(hwnd(), nullptr, FALSE);
            break;
        case WM_MOVE:
            if (pbSep_) InvalidateRect(pbSep_, nullptr, FALSE);
            return 0;
        case MM_MCINOTIFY: OnNotify(static_cast<UINT>(lParam)); return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return 0;
            switch (LOWORD(wParam)) {
                case idSysMenuPanel:
                case idExit: Close(true); break;
                case idBackPanel:
                case idBack: Back(); break;
                case idNextPanel:
                case idNext: Next(); break;
                case idAutoPanel:
                case idAuto:
                    if (IsWindowEnabled(pnlALF_)) ToggleAuto();
                    break;
                case idPlayPanel:
                case idPlay:
                    if (!Play() && !mediaPath_.empty()) InfoBox(LastComponent(mediaPath_) + " は不正ファイルです");
                    break;
                case idStopPanel:
                case idStop: Stop(); break;
            }
            return 0;
        case WM_CLOSE: Close(true); return 0;
    }
    return ui::Window::HandleMessage(msg, wParam, lParam);
}

}  // namespace qaz
