// The bar: the program's only permanent window, a 21-pixel strip with the
// program's symbol and a clock. It owns the drop queue, the bound outside
// library and the viewers, and hosts the subsystems that work on them.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/tray_icon.h"
#include "archive/drop_context.h"
#include "base/gdi.h"
#include "base/library.h"
#include "base/ui/window.h"
#include "core/drop_queue.h"
#include "core/host.h"
#include "core/settings.h"
#include "viewers/viewers.h"

namespace qaz {

constexpr const char* kBarClass = "TJX_QAZMain";
constexpr const char* kBarTitle = "QAZ";
constexpr int kBarHeight = 21;
constexpr int kIconWidth = 21;
constexpr const char* kIconTip = "左クリックで移動できるようになって\r\n右クリックでメニューを表示するよ";
constexpr const char* kAnimationLibrary = "qaz_ani.dll";
constexpr const char* kSettingsLibrary = "qaz_set.dll";

// Control ids of the bar.
enum BarControl {
    idSys = 100, idIcon, idImgMain, idMain, idBarCopy, idSysMenu, idImgExit, idDropFiles,
};
// Timer ids of the bar.
enum BarTimer { Timer1 = 1, Timer2 = 2 };
constexpr UINT kTimer1Interval = 60000;

// Run-time state of the bar itself, set at creation.
struct BarState {
    bool CmdLineMode = false;
    bool AutoLoadFiles = true;
    int AniCounter = 0;
    std::string ClockFormat;
    int ClockWidth = 0;
};

class BarWindow : public ui::Window, public Host {
public:
    BarWindow();
    ~BarWindow() override;

    // Creates the bar, runs its creation steps and shows it. params are the
    // command-line parameters (none for an ordinary start).
    bool Create(HWND owner, const std::vector<std::string>& params);
    // Ends the message loop when the bar is destroyed.
    void SetQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

    const Settings& settings() const { return settings_; }
    const BarState& state() const { return state_; }
    const DropQueue& queue() const { return queue_; }
    Viewers& viewers() { return viewers_; }

    void LoadSettings(bool first);
    void SaveSettings();
    void SetStayOnTop(bool on);
    void ShowTrayIcon();
    void HideTrayIcon();
    const TrayIcon& tray() const { return tray_; }
    void ResetQueue();
    // Carries out a menu choice (a BarMenuItem id).
    void OnMenuCommand(int id);

    // Layouts: normal (Sys at the top) and title-bar (a free strip above).
    bool InTitleBarLayout() const;
    void SetTitleBarLayout(bool titleBar);

    HWND control(BarControl id) const;
    bool Timer1Enabled() const { return timer1On_; }
    // The animation library is loaded and drawing.
    bool Animating() const { return static_cast<bool>(animation_); }
    // A drop or a step of the queue is being carried out. The archivers let
    // the bar's messages through while their commands run, so the bar
    // repaints and its menu opens; but a second drop is refused (with a
    // message) and closing waits until the work is done.
    bool Working() const { return working_ > 0; }
    // Clock text for a format at the current local time.
    static std::string ClockText(const std::string& format);

    // What the subsystems ask of the bar.
    HWND OwnerWindow() const override { return hwnd(); }
    bool CommandLineMode() const override { return state_.CmdLineMode; }
    bool AutoLoad() const override { return state_.AutoLoadFiles; }
    void SetAutoLoad(bool on) override { state_.AutoLoadFiles = on; }
    void ArmQueue(UINT ms) override;
    void StopQueue() override;
    bool QueueArmed() const override { return timer2On_; }
    UINT QueueDelay() const override { return timer2Interval_; }
    // The animation library "qaz_ani.dll" is called as
    //     void __stdcall QAZAnimation(HDC surface);
    // surface is the memory device context that holds the icon's 16 x 16
    // picture (selected bitmap, 16 x 16 pixels, owned by the bar). The library
    // draws its frames into it from its own timer and then repaints the icon
    // by redrawing the bar (class "TJX_QAZMain", title "QAZ") with its
    // children; the bar paints the icon from that surface. The surface stays
    // valid until the bar unloads the library.
    void StartAnimation() override;
    void StopAnimation() override;
    bool ClockShown() const override { return !state_.ClockFormat.empty(); }
    void ShowCopyProgress(bool on) override;
    void SetCopyProgress(int position) override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void FormCreate();
    void FormCloseQuery();
    void LayoutClock();
    void Timer1Timer();
    void Timer2Timer();
    void OnDropFiles(HDROP drop);
    void OnTrayCallback(LPARAM code);
    void OnIconClick();
    void ShowMenu(POINT at);
    void RunSettingsLibrary();
    void OpenHelp();
    // The close sequence, then the bar's end; runs once.
    void CloseBar();
    void SetBarColour(COLORREF colour);
    class WorkScope;
    // Tells the user that the bar is busy; true when it is.
    bool RefusedWhileWorking();

    std::vector<std::string> params_;
    Settings settings_;
    BarState state_;
    DropQueue queue_;
    LibraryBinding binding_;
    DropContext context_{*this, settings_, queue_, binding_};
    Viewers viewers_{context_};
    Library animation_;
    TrayIcon tray_;
    OwnedBitmap symbol_;
    OwnedFont font_;
    ui::Tooltip tooltip_;
    HWND sys_ = nullptr, pnlIcon_ = nullptr, imgMain_ = nullptr, main_ = nullptr, barCopy_ = nullptr;
    HWND pnlSysMenu_ = nullptr, imgExit_ = nullptr;
    COLORREF barColour_ = 0;
    bool timer1On_ = false, timer2On_ = false;
    UINT timer2Interval_ = 0;
    bool closing_ = false;
    int working_ = 0;
    bool closeAfterWork_ = false;
    bool quitOnDestroy_ = false;
    bool stayOnTop_ = true;
};

}  // namespace qaz
