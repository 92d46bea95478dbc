#include "viewers/media_controller.h"

#include <commctrl.h>
#include <mmsystem.h>

#include "base/info_box.h"
#include "base/path_parts.h"
#include "base/ui/window_position.h"
#include "core/registry_keys.h"
#include "core/symbol.h"
#include "base/ui/panel.h"
#include "viewers/button_faces.h"
#include "viewers/view_rules.h"

namespace qaz {

namespace {

constexpr const char* kPartClass = "QAZMediaPart";
constexpr const char* kCloseHint = "左クリックしたら表示を終わるよ";
constexpr int kSepLeft = 75;

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

// The controller's own painted parts: the file-name panel and the
// separator's paint box.
LRESULT CALLBACK MediaPartProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* owner = reinterpret_cast<MediaController*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PaintScope paint(hwnd);
            if (owner) {
                if (GetDlgCtrlID(hwnd) == idSepBox)
                    owner->PaintSeparator(paint.dc());
                else
                    owner->PaintName(hwnd, paint.dc());
            }
            return 0;
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

MediaController::MediaController(DropContext& context, std::function<void(const std::string&)> open)
    : context_(context), open_(std::move(open)) {}

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

bool MediaController::Open() {
    if (hwnd()) return true;
    if (!RegisterClass(kMediaClass, ProgramIcon(), nullptr)) return false;
    ui::RegisterPanelClasses();
    ui::RegisterWindowClass(kPartClass, MediaPartProc);

    // 1. The desktop as it is now, for the separator.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    {
        WindowDc screen(nullptr);
        snapshot_.Reset(CreateCompatibleBitmap(screen.get(), screenWidth, screenHeight));
        MemoryDc memory(screen.get());
        Selected selection(memory.get(), snapshot_.get());
        BitBlt(memory.get(), 0, 0, screenWidth, screenHeight, screen.get(), 0, 0, SRCCOPY);
    }

    // 2. The remembered position, pulled inside the screen.
    const POINT at = ui::PlacedWindowPosition(kRegPlay, SIZE{kMediaWidth, kMediaHeight});
    const Host& host = context_.host;

    colour_ = GetSysColor(COLOR_INACTIVECAPTION);
    fileName_.clear();
    backHint_.clear();
    nextHint_.clear();
    mediaPath_.clear();
    // Owned by the bar: no taskbar button of its own, and it goes with the bar.
    if (!Create(kMediaClass, kMediaTitle, WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, at.x, at.y,
                kMediaWidth, kMediaHeight, host.OwnerWindow())) {
        ReleaseResources();
        return false;
    }
    CreateControls();
    // 3. Back, auto and Next are on; a command-line run always steps by itself.
    EnableWindow(pnlBack_, TRUE);
    EnableWindow(pnlNext_, TRUE);
    EnableWindow(pnlALF_, !host.CommandLineMode());
    EnableWindow(imgALF_, !host.CommandLineMode());
    // 5. The auto button's face.
    ShowAutoState(host.AutoLoad());
    return true;
}

void MediaController::CreateControls() {
    HWND w = hwnd();
    font_.Reset(ui::CreateFormFont(FW_NORMAL));
    const ButtonFace kinds[7] = {ButtonFace::Back, ButtonFace::Next,    ButtonFace::Play, ButtonFace::Stop,
                                 ButtonFace::AutoOn, ButtonFace::AutoOff, ButtonFace::Close};
    for (int i = 0; i < 7; ++i) faces_[i].Reset(DrawButtonFace(kinds[i]));

    auto button = [&](HWND& panel, HWND& picture, int panelId, int x, HBITMAP face) {
        panel = ui::CreatePanel(w, panelId, x, 0, 21, 21, ui::Edge::Raised);
        picture = ui::CreatePicture(panel, panelId + 1, 2, 2, 16, 16);
        ui::SetPictureBitmap(picture, face);
    };
    pnlSysMenu_ = ui::CreatePanel(w, idSysMenuPanel, 1, 1, 10, 7, ui::Edge::None);
    imgExit_ = ui::CreatePicture(pnlSysMenu_, idExit, 0, 0, 10, 7);
    ui::SetPictureBitmap(imgExit_, faces_[6].get());
    button(pnlBack_, imgBack_, idBackPanel, 12, faces_[0].get());
    button(pnlALF_, imgALF_, idAutoPanel, 33, nullptr);
    button(pnlNext_, imgNext_, idNextPanel, 54, faces_[1].get());
    button(pnlPlay_, imgPlay_, idPlayPanel, 75, faces_[2].get());
    button(pnlStop_, imgStop_, idStopPanel, 96, faces_[3].get());

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

    hints_.Create(w);
    hints_.Add(imgExit_, kCloseHint);
    hints_.Add(imgBack_, "");
    hints_.Add(imgALF_, "");
    hints_.Add(imgNext_, "");
}

void MediaController::ReleaseResources() {
    snapshot_.Reset();
    for (OwnedBitmap& face : faces_) face.Reset();
    font_.Reset();
}

void MediaController::Close(bool endShowing) {
    if (!hwnd()) return;
    // The device goes with the window: a notification would find no one.
    if (playing()) Stop();
    CloseDevice();
    MSG stale;
    while (PeekMessageA(&stale, hwnd(), MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
    }
    if (endShowing) {
        context_.queue.filesPending = false;
        context_.host.ArmQueue(1);
    }
    ui::SaveWindowPosition(hwnd(), kRegPlay);
    Destroy();
}

void MediaController::OnDestroyed() {
    CloseDevice();
    ReleaseResources();
    hints_ = ui::Tooltip();
}

void MediaController::SetFileName(const std::string& name) {
    fileName_ = name;
    if (pnlFName_) InvalidateRect(pnlFName_, nullptr, FALSE);
    hints_.SetText(imgALF_, name);
}

void MediaController::ShowListEntry(int step) {
    DropQueue& queue = context_.queue;
    if (queue.fileCount < 1) return;
    const int selected = queue.Selected();
    const ListStep s = StepDropList(selected, step, queue.fileCount);
    if (s.index != selected) queue.Select(s.index);
    nextHint_ = LastComponent(queue.Entry(s.next));
    queue.filesPending = s.pending;
    backHint_ = LastComponent(queue.Entry(s.back));
    hints_.SetText(imgNext_, nextHint_);
    hints_.SetText(imgBack_, backHint_);
    const std::string path = queue.Entry(s.index);
    if (FileExists(path))
        open_(path);
    else
        InfoBox(path + "\r\nファイルはありません");
}

void MediaController::ShowAutoState(bool on) {
    // On: lowered, showing M (stepping by hand is a click away); off:
    // raised, showing A.
    autoFaceManual_ = on;
    if (pnlALF_) ui::SetPanelEdge(pnlALF_, on ? ui::Edge::Lowered : ui::Edge::Raised);
    if (imgALF_) ui::SetPictureBitmap(imgALF_, on ? faces_[5].get() : faces_[4].get());
}

void MediaController::ToggleAuto() {
    Host& host = context_.host;
    if (playing()) Stop();
    host.SetAutoLoad(!host.AutoLoad());
    ShowAutoState(host.AutoLoad());
    host.ArmQueue(1);
    if (!host.AutoLoad()) host.StopQueue();
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
    Host& host = context_.host;
    if (host.AutoLoad() && !host.QueueArmed()) host.ArmQueue(host.QueueDelay());
}

void MediaController::PaintSeparator(HDC dc) {
    RECT wr, cr;
    GetWindowRect(hwnd(), &wr);
    GetClientRect(hwnd(), &cr);
    const int x = ((wr.right - wr.left) - cr.right) / 2 + kSepLeft + wr.left;
    const int y = ((wr.bottom - wr.top) - cr.bottom) / 2 + wr.top;
    MemoryDc memory(dc);
    Selected selection(memory.get(), snapshot_.get());
    BitBlt(dc, 0, 0, 42, 21, memory.get(), x, y, SRCCOPY);
}

void MediaController::PaintName(HWND panel, HDC dc) {
    RECT r;
    GetClientRect(panel, &r);
    FillSolid(dc, r, static_cast<COLORREF>(context_.settings.Color));
    DrawEdge(dc, &r, BDR_SUNKENINNER, BF_RECT);
    RECT text = {4, 4, 4 + 109, 4 + 12};
    Selected font(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(context_.settings.FontColor));
    DrawTextA(dc, fileName_.c_str(), static_cast<int>(fileName_.size()), &text,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

LRESULT MediaController::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_NCHITTEST: return ui::HitTestDragBySurface(hwnd(), wParam, lParam);
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: ui::PaintGripSurface(hwnd(), colour_, RECT{0, 0, 12, 21}); return 0;
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
