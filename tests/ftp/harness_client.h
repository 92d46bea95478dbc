// What the upload tests share: the client of the FTP server harness
// (tests/ftp/ftp_harness.py, started by run_with_harness.sh), the server's
// settings, and a user who works the upload's windows from another thread.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ftp/folder_chooser.h"
#include "ftp/password_dialog.h"
#include "tests/support/test_env.h"

namespace ftptest {

inline constexpr const char* kFtpKey = "Software\\Yomo Soft\\qaz\\Settings\\FTP";
inline constexpr const char* kUser = "qazuser";
inline constexpr const char* kPassword = "s3cret-Pw";

// The harness: starts and stops servers, and reports what they saw.
class Harness {
public:
    Harness() {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        const char* port = getenv("QAZ_FTP_HARNESS");
        if (!port || !*port) return;
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<u_short>(atoi(port)));
        a.sin_addr.s_addr = inet_addr("127.0.0.1");
        if (connect(socket_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            closesocket(socket_);
            socket_ = INVALID_SOCKET;
        }
    }
    ~Harness() {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
        WSACleanup();
    }
    bool ok() const { return socket_ != INVALID_SOCKET; }

    std::string Ask(const std::string& line) {
        const std::string out = line + "\n";
        send(socket_, out.data(), static_cast<int>(out.size()), 0);
        std::string answer;
        char buffer[65536];
        while (answer.empty() || answer.back() != '\n') {
            const int got = recv(socket_, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            answer.append(buffer, static_cast<size_t>(got));
        }
        if (!answer.empty() && answer.back() == '\n') answer.pop_back();
        return answer;
    }
    int Start(const std::string& mode, const std::string& password = kPassword) {
        const std::string a = Ask("START " + mode + " " + kUser + " " + password);
        return a.compare(0, 3, "OK ") == 0 ? atoi(a.c_str() + 3) : 0;
    }
    std::vector<std::string> Log() {
        std::string a = Ask("LOG");
        std::vector<std::string> lines;
        if (a.compare(0, 3, "OK ") != 0) return lines;
        a = a.substr(3);
        size_t start = 0;
        while (start <= a.size()) {
            const size_t bar = a.find('|', start);
            lines.push_back(a.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        return lines;
    }
    // The stored file, or "<missing>".
    std::string Read(const std::string& path) {
        const std::string a = Ask("READ " + path);
        if (a.compare(0, 3, "OK ") != 0) return "<missing>";
        std::string bytes;
        for (size_t i = 3; i + 1 < a.size(); i += 2) bytes += static_cast<char>(std::stoi(a.substr(i, 2), nullptr, 16));
        return bytes;
    }

private:
    SOCKET socket_ = INVALID_SOCKET;
};

inline std::vector<std::string> Matching(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    return out;
}

inline std::string TextOf(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Acts in the upload's windows from another thread, as a user would.
class Driver {
public:
    ~Driver() { Stop(); }
    void Run(std::function<void(Driver&)> script) {
        thread_ = std::thread([this, script] { script(*this); });
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool stopping() const { return stop_; }
    // A visible window of the class (and caption, when given) within ms.
    HWND WaitFor(const char* cls, const std::string& caption = "", int ms = 20000) {
        for (int waited = 0; waited < ms && !stop_; waited += 20) {
            HWND w = FindWindowA(cls, nullptr);
            if (w && IsWindowVisible(w) && (caption.empty() || TextOf(w) == caption)) return w;
            Sleep(20);
        }
        return nullptr;
    }
    static void Click(HWND form, int id) {
        PostMessageA(form, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(form, id)));
    }
    // Selects the chooser's row with this caption and double-clicks it.
    static bool DoubleClickRow(HWND chooser, const std::string& caption) {
        HWND list = GetDlgItem(chooser, qaz::ftp::FolderChooser::kList);
        LVFINDINFOA find = {};
        find.flags = LVFI_STRING;
        find.psz = caption.c_str();
        const int row = static_cast<int>(
            SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
        if (row < 0) return false;
        LVITEMA state = {};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        NMITEMACTIVATE click = {};
        click.hdr.hwndFrom = list;
        click.hdr.idFrom = qaz::ftp::FolderChooser::kList;
        click.hdr.code = NM_DBLCLK;
        click.iItem = row;
        SendMessageA(chooser, WM_NOTIFY, qaz::ftp::FolderChooser::kList, reinterpret_cast<LPARAM>(&click));
        return true;
    }
    static std::vector<std::string> Rows(HWND chooser) {
        HWND list = GetDlgItem(chooser, qaz::ftp::FolderChooser::kList);
        std::vector<std::string> rows;
        const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[256] = {};
            LVITEMA item = {};
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            std::string row = text;
            item.iSubItem = 2;
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            rows.push_back(row + "|" + text);
        }
        return rows;
    }
    static void TypePassword(HWND dialog, const std::string& password) {
        SendMessageA(GetDlgItem(dialog, qaz::ftp::PasswordDialog::kEdit), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(password.c_str()));
        Click(dialog, IDOK);
    }

private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

// The settings of a server on loopback at port with this password (none
// stored when empty), and time-outs in milliseconds.
inline void StoreServer(int port, const std::string& password, int connectMs = 5000, int receiveMs = 5000) {
    qaztest::SetString(kFtpKey, "UserID", kUser);
    if (!password.empty()) qaztest::SetString(kFtpKey, "Password", password);
    // A server on another port than 21 is named with its port.
    qaztest::SetString(kFtpKey, "RemoteHost", "127.0.0.1:" + std::to_string(port));
    qaztest::SetDword(kFtpKey, "ConnectTimeOut", static_cast<DWORD>(connectMs));
    qaztest::SetDword(kFtpKey, "ReceiveTimeOut", static_cast<DWORD>(receiveMs));
}

}  // namespace ftptest
