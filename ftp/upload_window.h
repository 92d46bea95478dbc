// TJX_QAZFTP: the sending window. It connects and logs in on its first
// activation, lets the user choose the remote folder from its timer, sends
// the caller's files one by one, and closes itself when the upload ends.
#pragma once
#include <windows.h>

#include "base/ui/window.h"
#include "components/ftpclient/ftp_client.h"
#include "ftp/ftp_settings.h"
#include "ftp/session.h"

namespace qaz::ftp {

constexpr const char* kUploadClass = "TJX_QAZFTP";
constexpr const char* kMessageCaption = "QAZ - FTP";

class FolderChooser;

class UploadWindow : public ui::Window, private ftpclient::Events {
public:
    explicit UploadWindow(Session& session);
    ~UploadWindow() override;

    // Creates the window, shows it modally over `owner` and returns when it
    // has closed.
    void ShowModal(HWND owner);

    enum : int { kCancelButton = 100, kLabel = 101, kProgress = 102 };

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void FormActivate();
    void tmrSendingTimer();
    void btnCancelClick();
    void SendFiles();
    void EndUpload();
    void WaitWhileBusy();
    void ShowInfo(const std::string& text);
    void EnableSendingTimer();

    // The client's events.
    void OnStateChanged(int state) override;
    void OnProtocolStateChanged(int protocolState) override;
    void OnBusy(bool isBusy) override;
    void OnTimeout(int event, bool* keepWaiting) override;
    void OnListItem(const ftpclient::DirItem& item) override;

    Session& session_;
    ftpclient::Client ftp_;
    FtpSettings settings_;
    HFONT font_ = nullptr;
    HWND lblSendFN_ = nullptr;
    HWND pbrFiles_ = nullptr;
    HWND btnCancel_ = nullptr;
    int fileCount_ = 0;
    bool activatedOnce_ = false;
    bool timerRanOnce_ = false;
    bool loggedIn_ = false;
    bool busyCursor_ = false;
    bool ending_ = false;
    bool closed_ = false;
    FolderChooser* chooser_ = nullptr;
};

// The whole upload for the caller's list box: what QAZFTP does.
void RunUpload(HWND listBox);

}  // namespace qaz::ftp
