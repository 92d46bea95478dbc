// The media controller "TJX_QAZMedia": a small borderless window that
// steps through the drop list, switches automatic stepping, plays and stops
// media files and shows the current file's name.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "archive/drop_context.h"
#include "base/gdi.h"
#include "base/ui/window.h"

namespace qaz {

constexpr const char* kMediaClass = "TJX_QAZMedia";
constexpr const char* kMediaTitle = "ｺﾝﾄﾛｰﾗ";
constexpr int kMediaWidth = 117;
constexpr int kMediaHeight = 42;

// Controls of the controller.
enum MediaControl {
    idSysMenuPanel = 300, idExit, idBackPanel, idBack, idAutoPanel, idAuto, idNextPanel, idNext, idPlayPanel, idPlay,
    idStopPanel, idStop, idSepPanel, idSepBox, idNamePanel,
};

class MediaController : public ui::Window {
public:
    // open shows one entry of the drop queue when the user steps to it.
    MediaController(DropContext& context, std::function<void(const std::string&)> open);
    ~MediaController() override;

    // Creates the controller (hidden): desktop snapshot, position, buttons;
    // true at once when it exists.
    bool Open();
    // Closes the controller. endShowing: the user closed it, and the bar's
    // queue is told to end the showing.
    void Close(bool endShowing);

    // The file name in the name label and as the auto button's hint.
    void SetFileName(const std::string& name);
    // Opens the selected entry (step 0), the one before (-1) or after (+1).
    void ShowListEntry(int step);
    void ShowAutoState(bool on);
    // Shows Play and Stop and plays the file; false when the media layer
    // cannot open or play it.
    bool PlayFile(const std::string& path);

    // The buttons.
    void Back() { ShowListEntry(-1); }
    void Next() { ShowListEntry(1); }
    void ToggleAuto();
    bool Play();
    void Stop();

    bool deviceOpen() const { return device_ != 0; }
    bool playing() const;
    const std::string& fileName() const { return fileName_; }
    const std::string& backHint() const { return backHint_; }
    const std::string& nextHint() const { return nextHint_; }
    const std::string& autoHint() const { return fileName_; }
    bool autoFaceShowsManual() const { return autoFaceManual_; }
    HWND control(MediaControl id) const;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    friend LRESULT CALLBACK MediaPartProc(HWND, UINT, WPARAM, LPARAM);
    void CreateControls();
    void PaintSeparator(HDC dc);
    void PaintName(HWND panel, HDC dc);
    void OnNotify(UINT device);
    void CloseDevice();
    void ReleaseResources();

    DropContext& context_;
    std::function<void(const std::string&)> open_;
    OwnedBitmap snapshot_;
    OwnedBitmap faces_[7];
    OwnedFont font_;
    ui::Tooltip hints_;
    HWND pnlSysMenu_ = nullptr, imgExit_ = nullptr, pnlBack_ = nullptr, imgBack_ = nullptr, pnlALF_ = nullptr,
         imgALF_ = nullptr, pnlNext_ = nullptr, imgNext_ = nullptr, pnlPlay_ = nullptr, imgPlay_ = nullptr,
         pnlStop_ = nullptr, imgStop_ = nullptr, pnlSep_ = nullptr, pbSep_ = nullptr, pnlFName_ = nullptr;
    COLORREF colour_ = 0;
    std::string mediaPath_;
    std::string fileName_, backHint_, nextHint_;
    bool autoFaceManual_ = false;
    UINT device_ = 0;
};

}  // namespace qaz
