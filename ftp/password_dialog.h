// TJX_QAZFTPPwd: asks for the password when the settings hold none.
#pragma once
#include "base/ui/window.h"
#include "ftp/session.h"

namespace qaz::ftp {

constexpr const char* kPasswordClass = "TJX_QAZFTPPwd";

class PasswordDialog : public ui::Window {
public:
    explicit PasswordDialog(Session& session) : session_(session) {}
    ~PasswordDialog() override;
    // Shows the dialog modally over `owner`. OK copies the typed text into
    // the session's entered password; the close box leaves it as it was.
    void ShowModal(HWND owner);

    static constexpr int kEdit = 101;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void btnOKClick();
    Session& session_;
    HFONT font_ = nullptr;
    HWND edtPassword_ = nullptr;
    bool closed_ = false;
};

}  // namespace qaz::ftp
