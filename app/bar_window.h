// The bar: the program's only permanent window, a 21-pixel strip with the
// program's symbol and a clock.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/tray_icon.h"
#include "app/ui/window.h"

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

// Run-time state of the bar, set at creation.
struct BarState {
    bool CmdLineMode = false;
    bool ImageWindowCreated = false;
    bool MediaWindowCreated = false;
    bool FilesPending = false;
    int FileCount = 0;
    bool AutoLoadFiles = true;
    HMODULE AniLibrary = nullptr;
    int AniCounter = 0;
    int TargetPathIndex = 0;
    int PictureSubKind = 0;           // last native picture: 0 bitmap, 1 icon or metafile
    bool ScreenSaverPending = false;  // a screen saver was started for the last entry
    std::string ClockFormat;
    int ClockWidth = 0;
};

class BarWindow : public ui::Window {
public:
    BarWindow();
    ~BarWindow() override;

    // Creates the bar, runs its creation steps and shows it. params are the
    // command-line parameters (none for an ordinary start).
    bool Create(HWND owner, const std::vector<std::string>& params);
    // Ends the message loop when the bar is destroyed.
    void SetQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

    // Settings (in memory) and run-time state.
    Settings settings;
    BarState state;
    const std::vector<std::string>& params() const { return params_; }

    void LoadSettings(bool first);
    void SaveSettings();
    void SetStayOnTop(bool on);
    void ShowTrayIcon();
    void HideTrayIcon();
    const TrayIcon& tray() const { return tray_; }
    // The animation library "qaz_ani.dll" is called as
    //     void __stdcall QAZAnimation(HDC surface);
    // surface is the memory device context that holds the icon's 16 x 16
    // picture (selected bitmap, 16 x 16 pixels, owned by the bar). The library
    // draws its frames into it from its own timer and then repaints the icon
    // by redrawing the bar (class "TJX_QAZMain", title "QAZ") with its
    // children; the bar paints the icon from that surface. The surface stays
    // valid until the bar unloads the library.
    void StartAnimation();
    void StopAnimation();
    void ResetQueue();
    // Carries out a menu choice (a BarMenuItem id).
    void OnMenuCommand(int id);

    // Layouts: normal (Sys at the top) and title-bar (a free strip above).
    bool InTitleBarLayout() const;
    void SetTitleBarLayout(bool titleBar);

    HWND control(BarControl id) const;
    HWND dropList() const { return dropList_; }
    bool Timer1Enabled() const { return timer1On_; }
    bool Timer2Enabled() const { return timer2On_; }
    UINT Timer2Interval() const { return timer2Interval_; }
    void ArmTimer2(UINT ms);
    void StopTimer2();
    // Runs a tick of the timer as if it had fired.
    void Tick(BarTimer timer);

    // Shows one entry of the drop list and returns how long, in ms, it
    // stays before the next one (0 or less: the entry re-arms the queue).
    std::function<int(const std::string&)> openFile;
    // Clock text for a format at the current local time.
    static std::string ClockText(const std::string& format);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void FormCreate();
    void FormCloseQuery();
    void LayoutClock();
    void PullInsideScreen();
    void Timer1Timer();
    void Timer2Timer();
    void OnDropFiles(HDROP drop);
    void OnTrayCallback(LPARAM code);
    void OnIconClick();
    void ShowMenu(POINT at);
    void RunSettingsLibrary();
    void OpenHelp();
    void SetBarColour(COLORREF colour);
    void PaintBar();

    std::vector<std::string> params_;
    TrayIcon tray_;
    HICON icon_ = nullptr;
    HBITMAP symbol_ = nullptr;
    HFONT font_ = nullptr;
    HWND sys_ = nullptr, pnlIcon_ = nullptr, imgMain_ = nullptr, main_ = nullptr, barCopy_ = nullptr;
    HWND pnlSysMenu_ = nullptr, imgExit_ = nullptr, dropList_ = nullptr, tooltip_ = nullptr;
    COLORREF barColour_ = 0;
    bool timer1On_ = false, timer2On_ = false;
    UINT timer2Interval_ = 0;
    bool quitOnDestroy_ = false;
    bool stayOnTop_ = true;
};

}  // namespace qaz
