// TJX_QAZFTPDir: browses the server, creates and deletes folders, and is
// left with OK in the folder to send into (the server's current folder).
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/ui/window.h"
#include "components/ftpclient/ftp_client.h"
#include "ftp/session.h"

namespace qaz::ftp {

constexpr const char* kChooserClass = "TJX_QAZFTPDir";

class FolderChooser : public ui::Window {
public:
    FolderChooser(Session& session, ftpclient::Client& ftp) : session_(session), ftp_(ftp) {}
    ~FolderChooser() override;

    // Creates the window and lists "/"; then shows it modally over `owner`.
    void ShowModal(HWND owner);
    // One listing entry of the client.
    void AddListRow(const std::string& name, int attributes, int64_t size, const std::string& date);
    // The upload is being cancelled: the chooser counts as left with Cancel
    // and closes, or is never shown when it is still listing its first folder.
    void Abandon();

    enum : int { kEdit = 101, kMake = 102, kDelete = 103, kList = 104 };

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void FileListDblClick();
    void btnMakeClick();
    void btnDelClick();
    void FormCloseQuery();
    void EnableButtons(bool on);
    void WaitWhileBusy();
    void Refresh();
    void ListRemotePath();
    void ShowPlace();
    void ClearRows();
    void ShellType(const std::string& extension, std::string* type, int* icon);
    int SelectedRow() const;
    std::string RowText(int row, int column) const;
    std::string RowServerName(int row) const;

    Session& session_;
    ftpclient::Client& ftp_;
    HFONT font_ = nullptr;
    HWND edtMake_ = nullptr;
    HWND fileList_ = nullptr;
    HWND tips_ = nullptr;
    bool closed_ = false;
    bool working_ = false;
    // The rows' captions in the list's order, to place a new row quickly.
    std::vector<std::string> captions_;
    // What the shell said about each extension: type name and icon.
    std::map<std::string, std::pair<std::string, int>> shellTypes_;
};

}  // namespace qaz::ftp
