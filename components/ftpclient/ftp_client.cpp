#include "components/ftpclient/ftp_client.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace ftpclient {

namespace {

constexpr UINT kMsgResolved = WM_APP + 1;
constexpr UINT kMsgControl = WM_APP + 2;
constexpr UINT kMsgData = WM_APP + 3;
constexpr UINT kMsgDrain = WM_APP + 4;
// The window timer that bounds a whole listing (1 and 2 are the events').
constexpr UINT_PTR kListTimer = 3;
constexpr const char* kWindowClass = "QAZFtpClientSockets";
constexpr size_t kChunk = 65536;
// How much of a listing one socket message takes at most.
constexpr int kPiecesPerMessage = 32;
constexpr DWORD kMillisecondsPerMessage = 50;

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

// A CR, LF or NUL inside a name would end the command line early, or slip
// a second command in behind it.
bool HasLineBreak(const std::string& s) { return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos; }

UINT TimerMilliseconds(int64_t microseconds) {
    const int64_t ms = (microseconds + 999) / 1000;
    return static_cast<UINT>(std::min<int64_t>(std::max<int64_t>(ms, 1), 0x7FFFFFFF));
}

}  // namespace

Client::Client(Events* events) : events_(events), alive_(std::make_shared<bool>(true)) {
    WSADATA wsa;
    winsock_ = WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
    HINSTANCE instance = ThisModule();
    WNDCLASSA wc = {};
    if (!GetClassInfoA(instance, kWindowClass, &wc)) {
        wc.lpfnWndProc = &Client::WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kWindowClass;
        RegisterClassA(&wc);
    }
    window_ = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
}

Client::~Client() {
    *alive_ = false;
    if (resolveTask_) WSACancelAsyncRequest(resolveTask_);
    CloseAll();
    if (window_) DestroyWindow(window_);
    // Fails while another client's window uses the class; the last one
    // takes it away, so that no class outlives the module's code.
    UnregisterClassA(kWindowClass, ThisModule());
    if (winsock_) WSACleanup();
}

int64_t Client::Timeout(int event) const {
    return event == kTimerConnect || event == kTimerReceive ? timeouts_[event] : 0;
}

void Client::SetTimeout(int event, int64_t microseconds) {
    if (event == kTimerConnect || event == kTimerReceive) timeouts_[event] = std::max<int64_t>(microseconds, 0);
}

bool Client::EnableTimer(int event) const {
    return (event == kTimerConnect || event == kTimerReceive) && timersOn_[event];
}

void Client::SetEnableTimer(int event, bool on) {
    if (event != kTimerConnect && event != kTimerReceive) return;
    timersOn_[event] = on;
    if (!on && window_) KillTimer(window_, static_cast<UINT_PTR>(event));
}

LRESULT CALLBACK Client::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Client*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && (msg == kMsgResolved || msg == kMsgControl || msg == kMsgData || msg == kMsgDrain || msg == WM_TIMER)) {
        self->OnMessage(msg, wParam, lParam);
        return 0;
    }
    if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void Client::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kMsgResolved: OnResolved(lParam); break;
    case kMsgControl: OnControlSocket(wParam, lParam); break;
    case kMsgData: OnDataSocket(wParam, lParam); break;
    case kMsgDrain: DrainList(); break;
    case WM_TIMER: OnTimer(static_cast<int>(wParam)); break;
    }
}

// --- state and events -------------------------------------------------------

void Client::SetState(int state) {
    if (state_ == state) return;
    state_ = state;
    if (events_) events_->OnStateChanged(state);
}

void Client::SetProtocolState(int protocolState) {
    if (protocolState_ == protocolState) return;
    protocolState_ = protocolState;
    if (events_) events_->OnProtocolStateChanged(protocolState);
}

void Client::SetBusy(bool busy) {
    if (busy_ == busy) return;
    busy_ = busy;
    if (events_) events_->OnBusy(busy);
}

void Client::ArmTimer(int event) {
    if (window_ && timersOn_[event] && timeouts_[event] > 0)
        SetTimer(window_, static_cast<UINT_PTR>(event), TimerMilliseconds(timeouts_[event]), nullptr);
}

void Client::Touch() {
    if (busy_) ArmTimer(kTimerReceive);
}

void Client::KillTimers() {
    if (!window_) return;
    KillTimer(window_, kTimerConnect);
    KillTimer(window_, kTimerReceive);
    connectTimerRunning_ = false;
}

bool Client::StartOp(Op op, bool needsLogin) {
    // A refused operation leaves no reply of an earlier one behind: a 226
    // of the last file must not pass for the next one's.
    replyCode_ = 0;
    replyText_.clear();
    if (busy_) {
        if (events_) events_->OnError(kErrBusy, "another operation is running");
        return false;
    }
    if (control_ == INVALID_SOCKET || state_ != kStateConnected ||
        (needsLogin && protocolState_ != kProtocolTransaction)) {
        if (events_) events_->OnError(kErrNotConnected, "not connected");
        return false;
    }
    op_ = op;
    replyCode_ = 0;
    replyText_.clear();
    busy_ = true;
    ArmTimer(kTimerReceive);
    return true;
}

void Client::EndOp(bool ok, int error, const std::string& description) {
    auto alive = alive_;
    const Op op = op_;
    op_ = Op::None;
    step_ = Step::Idle;
    if (window_) {
        KillTimer(window_, kTimerReceive);
        KillTimer(window_, kListTimer);
    }
    if (op == Op::Put || op == Op::List) CloseData();
    // A failed operation leaves no positive reply behind.
    if (!ok && replyCode_ / 100 == 2) replyCode_ = 0;
    const bool wasBusy = busy_;
    busy_ = false;
    if (state_ == kStateTransferring) SetState(kStateConnected);
    if (!*alive) return;
    if (wasBusy && events_) events_->OnBusy(false);
    if (!*alive) return;
    if (!ok && error != 0 && events_) events_->OnError(error, description);
}

// --- connecting ---------------------------------------------------------------

bool Client::Connect(const std::string& host, int port) {
    if (!winsock_ || !window_) {
        if (events_) events_->OnError(kErrConnect, "sockets are not available");
        return false;
    }
    if (busy_ || control_ != INVALID_SOCKET) {
        if (events_) events_->OnError(kErrBusy, "already connected");
        return false;
    }
    if (host.empty() || port <= 0 || port > 65535) {
        if (events_) events_->OnError(kErrConnect, "no host or port");
        return false;
    }
    // "host:port" names a server on another port.
    std::string name = host;
    const size_t colon = host.find(':');
    if (colon != std::string::npos && colon > 0 && host.find(':', colon + 1) == std::string::npos) {
        const std::string digits = host.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos ||
            atoi(digits.c_str()) < 1 || atoi(digits.c_str()) > 65535) {
            if (events_) events_->OnError(kErrConnect, "bad port");
            return false;
        }
        name = host.substr(0, colon);
        port = atoi(digits.c_str());
    }
    auto alive = alive_;
    replies_ = ReplyReader();
    outgoing_.clear();
    droppedReplies_ = 0;
    replyCode_ = 0;
    replyText_.clear();
    protocolState_ = kProtocolBase;
    op_ = Op::Connect;
    busy_ = true;
    remotePort = port;
    peer_ = {};
    peer_.sin_family = AF_INET;
    peer_.sin_port = htons(static_cast<u_short>(port));
    connectTimerRunning_ = true;
    ArmTimer(kTimerConnect);
    ArmTimer(kTimerReceive);
    if (events_) events_->OnBusy(true);
    if (!*alive || op_ != Op::Connect) return true;
    const unsigned long address = inet_addr(name.c_str());
    if (address != INADDR_NONE) {
        BeginConnect(address);
        return true;
    }
    step_ = Step::Resolving;
    hostEntry_.reset(new char[MAXGETHOSTSTRUCT]);
    resolveTask_ = WSAAsyncGetHostByName(window_, kMsgResolved, name.c_str(), hostEntry_.get(), MAXGETHOSTSTRUCT);
    if (!resolveTask_) {
        LoseConnection(kErrResolve, "the host name cannot be looked up");
        return true;
    }
    SetState(kStateResolvingHost);
    return true;
}

void Client::OnResolved(LPARAM lParam) {
    if (op_ != Op::Connect || step_ != Step::Resolving) return;
    resolveTask_ = nullptr;
    const auto* entry = reinterpret_cast<const hostent*>(hostEntry_.get());
    if (WSAGETASYNCERROR(lParam) != 0 || !entry->h_addr_list || !entry->h_addr_list[0] ||
        entry->h_length != 4) {
        LoseConnection(kErrResolve, "unknown host");
        return;
    }
    unsigned long address = 0;
    memcpy(&address, entry->h_addr_list[0], 4);
    BeginConnect(address);
}

void Client::BeginConnect(unsigned long address) {
    peer_.sin_addr.s_addr = address;
    control_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (control_ == INVALID_SOCKET ||
        WSAAsyncSelect(control_, window_, kMsgControl, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
        LoseConnection(kErrConnect, "no socket");
        return;
    }
    step_ = Step::Connecting;
    if (connect(control_, reinterpret_cast<sockaddr*>(&peer_), sizeof peer_) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        LoseConnection(kErrConnect, "the connection failed");
        return;
    }
    SetState(kStateConnecting);
}

// --- the control connection ----------------------------------------------------

void Client::OnControlSocket(WPARAM socket, LPARAM lParam) {
    if (static_cast<SOCKET>(socket) != control_ || control_ == INVALID_SOCKET) return;
    auto alive = alive_;
    const int error = WSAGETSELECTERROR(lParam);
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_CONNECT:
        if (error != 0) {
            LoseConnection(kErrConnect, "the connection was refused");
            return;
        }
        step_ = Step::Greeting;
        Touch();
        SetState(kStateConnected);
        break;
    case FD_READ:
        ReadControl();
        break;
    case FD_WRITE:
        FlushControl();
        break;
    case FD_CLOSE:
        ReadControl();
        if (!*alive || control_ != static_cast<SOCKET>(socket)) return;
        if (op_ == Op::Quit) {
            CloseAll();
            SetProtocolState(kProtocolBase);
            if (!*alive) return;
            SetState(kStateDisconnected);
            if (!*alive) return;
            EndOp(true, 0, "");
        } else {
            LoseConnection(kErrConnectionLost, "the server closed the connection");
        }
        break;
    }
}

void Client::SendCommand(const std::string& line) {
    outgoing_ += line;
    outgoing_ += "\r\n";
    FlushControl();
}

void Client::FlushControl() {
    while (!outgoing_.empty() && control_ != INVALID_SOCKET) {
        const int sent = send(control_, outgoing_.data(), static_cast<int>(std::min<size_t>(outgoing_.size(), kChunk)), 0);
        if (sent == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK) LoseConnection(kErrConnectionLost, "the connection broke");
            return;
        }
        outgoing_.erase(0, static_cast<size_t>(sent));
    }
}

void Client::ReadControl() {
    auto alive = alive_;
    char buffer[4096];
    for (;;) {
        if (control_ == INVALID_SOCKET) return;
        const int got = recv(control_, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        Touch();
        if (!replies_.Feed(buffer, static_cast<size_t>(got))) {
            LoseConnection(kErrProtocol, "the server's answer is no FTP reply");
            return;
        }
        if (got < static_cast<int>(sizeof buffer)) break;
    }
    Reply reply;
    while (*alive && control_ != INVALID_SOCKET && replies_.Next(&reply)) HandleReply(reply);
}

void Client::HandleReply(const Reply& reply) {
    auto alive = alive_;
    const bool preliminary = reply.code < 200;
    if (droppedReplies_ > 0) {
        // An answer owed to a cancelled command: it tells nothing about
        // the operation running now.
        if (!preliminary) --droppedReplies_;
        return;
    }
    if (op_ == Op::None) return;
    replyCode_ = reply.code;
    replyText_ = reply.text;
    if (preliminary) {
        if ((op_ == Op::Put || op_ == Op::List) && step_ == Step::Command) {
            preliminarySeen_ = true;
            if (op_ == Op::Put) PumpUpload();
        }
        return;
    }
    const int kind = reply.code / 100;
    switch (op_) {
    case Op::Connect:
        if (step_ != Step::Greeting) return;
        if (reply.code == 220) {
            KillTimers();
            EndOp(true, 0, "");
            if (!*alive) return;
            SetProtocolState(kProtocolAuthentication);
        } else {
            LoseConnection(kErrReply, reply.text);
        }
        return;
    case Op::Login:
        if (step_ == Step::User && reply.code == 331) {
            step_ = Step::Pass;
            SendCommand("PASS " + password_);
            return;
        }
        password_.assign(password_.size(), '\0');
        password_.clear();
        if (kind == 2) {
            EndOp(true, 0, "");
            if (!*alive) return;
            SetProtocolState(kProtocolTransaction);
        } else {
            EndOp(false, kErrReply, reply.text);
        }
        return;
    case Op::Command:
        if (kind == 2 && command_.compare(0, 5, "TYPE ") == 0) type_ = pendingType_;
        EndOp(kind == 2, kErrReply, reply.text);
        return;
    case Op::Put:
    case Op::List:
        HandleDataReply(reply);
        return;
    case Op::Quit:
        if (reply.code == 221) {
            CloseAll();
            SetProtocolState(kProtocolBase);
            if (!*alive) return;
            SetState(kStateDisconnected);
            if (!*alive) return;
            EndOp(true, 0, "");
        }
        return;
    case Op::None:
        return;
    }
}

void Client::HandleDataReply(const Reply& reply) {
    if (step_ == Step::Passive) {
        if (reply.code == 227) {
            OpenDataConnection(reply.text);
        } else {
            EndOp(false, kErrReply, reply.text);
        }
        return;
    }
    if (step_ != Step::Command) return;
    finalSeen_ = true;
    finalOk_ = reply.code / 100 == 2;
    if (!finalOk_) {
        EndOp(false, kErrReply, reply.text);
        return;
    }
    if (op_ == Op::Put && !sentAll_) {
        // Only the end of the data connection tells the server that the
        // file is complete; a confirmation before it covers part of it.
        EndOp(false, kErrConnectionLost, "the server ended the file before it had all of it");
        return;
    }
    FinishTransferIfDone();
}

// --- transfers -------------------------------------------------------------------

void Client::OpenDataConnection(const std::string& text) {
    unsigned char address[4];
    int port = 0;
    if (!ParsePassiveReply(text, address, &port)) {
        EndOp(false, kErrProtocol, "no address in the passive reply");
        return;
    }
    // The data connection goes to the server of the control connection,
    // whatever address the reply names.
    sockaddr_in target = peer_;
    target.sin_port = htons(static_cast<u_short>(port));
    data_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (data_ == INVALID_SOCKET ||
        WSAAsyncSelect(data_, window_, kMsgData, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
        EndOp(false, kErrConnect, "no socket");
        return;
    }
    step_ = Step::DataConnect;
    if (connect(data_, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        EndOp(false, kErrConnect, "the data connection failed");
    }
}

void Client::OnDataSocket(WPARAM socket, LPARAM lParam) {
    if (static_cast<SOCKET>(socket) != data_ || data_ == INVALID_SOCKET) return;
    const int error = WSAGETSELECTERROR(lParam);
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_CONNECT:
        if (step_ != Step::DataConnect) return;
        if (error != 0) {
            EndOp(false, kErrConnect, "the data connection was refused");
            return;
        }
        Touch();
        dataOpen_ = true;
        step_ = Step::Command;
        SendCommand(command_);
        if (op_ == Op::Put && step_ == Step::Command) SetState(kStateTransferring);
        break;
    case FD_READ:
        ReadData();
        break;
    case FD_WRITE:
        if (op_ == Op::Put && preliminarySeen_) PumpUpload();
        break;
    case FD_CLOSE:
        Touch();
        if (op_ == Op::List) {
            // What the server sent before it closed is read a piece at a
            // time, each from its own message, so the window keeps answering.
            dataClosing_ = true;
            DrainList();
        } else if (op_ == Op::Put) {
            if (sentAll_ && error != 0) {
                // Reset: the server threw away data it had not read.
                if (!finalSeen_) ++droppedReplies_;
                EndOp(false, kErrConnectionLost, "the data connection was reset");
            } else if (sentAll_) {
                CloseData();
                dataDone_ = true;
                FinishTransferIfDone();
            } else {
                // The server ended the data connection before the file was
                // through: the file did not arrive, whatever is said next.
                if (!finalSeen_) ++droppedReplies_;
                EndOp(false, kErrConnectionLost, "the data connection was closed early");
            }
        }
        break;
    }
}

// Reads for a short while per message, so that the window keeps answering
// however fast the data comes; Winsock posts FD_READ again while data waits.
void Client::ReadData() {
    auto alive = alive_;
    const DWORD start = GetTickCount();
    char buffer[8192];
    for (int pieces = 0; pieces < kPiecesPerMessage && GetTickCount() - start < kMillisecondsPerMessage; ++pieces) {
        if (data_ == INVALID_SOCKET) return;
        const int got = recv(data_, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        Touch();
        if (op_ == Op::List) TakeListLines(buffer, static_cast<size_t>(got));
        if (!*alive) return;
        if (got < static_cast<int>(sizeof buffer)) return;
    }
}

void Client::DrainList() {
    if (op_ != Op::List || !dataClosing_ || data_ == INVALID_SOCKET) return;
    auto alive = alive_;
    const DWORD start = GetTickCount();
    char buffer[8192];
    int got = 0;
    for (int pieces = 0; pieces < kPiecesPerMessage && GetTickCount() - start < kMillisecondsPerMessage; ++pieces) {
        got = recv(data_, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        TakeListLines(buffer, static_cast<size_t>(got));
        if (!*alive || op_ != Op::List || data_ == INVALID_SOCKET) return;
    }
    if (got > 0) {
        PostMessageA(window_, kMsgDrain, 0, 0);
        return;
    }
    // The end of the stream, or of a broken one: the listing is what came.
    lines_.End([this, &alive](const std::string& line) {
        if (*alive) ReportListLine(line);
    });
    if (!*alive || op_ != Op::List) return;
    CloseData();
    dataDone_ = true;
    FinishTransferIfDone();
}

void Client::TakeListLines(const char* data, size_t size) {
    auto alive = alive_;
    listBytes_ += static_cast<int64_t>(size);
    lines_.Feed(data, size, [this, &alive](const std::string& line) {
        if (*alive) ReportListLine(line);
    });
    if (!*alive || op_ != Op::List) return;
    if (listEntries_ >= kMaxListEntries || listBytes_ >= kMaxListBytes) CutListing();
}

void Client::ReportListLine(const std::string& line) {
    // Lines after a bound was reached, or after a handler stopped the
    // listing, are dropped.
    if (op_ != Op::List || listEntries_ >= kMaxListEntries) return;
    DirItem item;
    if (!ParseListLine(line, &item)) return;
    ++listEntries_;
    if (events_) events_->OnListItem(item);
}

void Client::CutListing() {
    listCut_ = true;
    if (step_ == Step::Passive) {
        ++droppedReplies_;
    } else if (step_ == Step::Command && !finalSeen_) {
        if (dataDone_ || dataClosing_) {
            ++droppedReplies_;  // the server has ended; its answer is on the way
        } else {
            // The listing's own answer and the answer to ABOR.
            droppedReplies_ += 2;
            SendCommand("ABOR");
            if (op_ != Op::List) return;
        }
    }
    EndOp(true, 0, "");
}

void Client::PumpUpload() {
    while (op_ == Op::Put && data_ != INVALID_SOCKET) {
        if (pendingSent_ == pending_.size()) {
            if (fileDone_) {
                if (!sentAll_) {
                    shutdown(data_, SD_SEND);
                    sentAll_ = true;
                }
                FinishTransferIfDone();
                return;
            }
            char buffer[kChunk];
            DWORD got = 0;
            if (!ReadFile(file_, buffer, sizeof buffer, &got, nullptr)) {
                droppedReplies_ += finalSeen_ ? 1 : 2;
                SendCommand("ABOR");
                EndOp(false, kErrLocalFile, "the local file cannot be read");
                return;
            }
            pending_.clear();
            pendingSent_ = 0;
            if (got == 0) {
                fileDone_ = true;
                CloseHandle(file_);
                file_ = INVALID_HANDLE_VALUE;
                continue;
            }
            if (textType_) {
                netText_.Convert(buffer, got, &pending_);
            } else {
                pending_.assign(buffer, got);
            }
        }
        const int sent = send(data_, pending_.data() + pendingSent_,
                              static_cast<int>(std::min<size_t>(pending_.size() - pendingSent_, kChunk)), 0);
        if (sent == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEWOULDBLOCK) return;
            if (!finalSeen_) ++droppedReplies_;
            EndOp(false, kErrConnectionLost, "the data connection broke");
            return;
        }
        pendingSent_ += static_cast<size_t>(sent);
        Touch();
    }
}

void Client::FinishTransferIfDone() {
    if (!finalSeen_ || !finalOk_) return;
    // Both wait for the data connection's end: an upload's file arrived
    // only when the server closed it cleanly after reading all of it.
    if (!dataDone_) return;
    if (op_ == Op::Put && !sentAll_) return;
    EndOp(true, 0, "");
}

bool Client::PutFile(const std::string& localPath, const std::string& remoteName) {
    replyCode_ = 0;
    replyText_.clear();
    if (HasLineBreak(remoteName) || remoteName.empty()) {
        if (events_) events_->OnError(kErrLocalFile, "bad remote name");
        return false;
    }
    if (busy_) {
        if (events_) events_->OnError(kErrBusy, "another operation is running");
        return false;
    }
    // The local file is opened first: a file that cannot be read sends
    // nothing, and leaves no empty file on the server.
    HANDLE file = CreateFileA(localPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        replyCode_ = 0;
        replyText_.clear();
        if (events_) events_->OnError(kErrLocalFile, "the local file cannot be opened");
        return false;
    }
    if (!StartOp(Op::Put, true)) {
        CloseHandle(file);
        return false;
    }
    file_ = file;
    textType_ = type_ == kTypeText;
    netText_ = NetworkText();
    pending_.clear();
    pendingSent_ = 0;
    fileDone_ = false;
    dataOpen_ = dataDone_ = finalSeen_ = finalOk_ = preliminarySeen_ = sentAll_ = false;
    command_ = "STOR " + remoteName;
    step_ = Step::Passive;
    if (events_) events_->OnBusy(true);
    if (op_ == Op::Put) SendCommand("PASV");
    return true;
}

bool Client::List(const std::string& remotePath) {
    if (HasLineBreak(remotePath)) {
        listCut_ = false;
        return false;
    }
    listCut_ = false;
    if (!StartOp(Op::List, true)) return false;
    lines_ = LineSplitter();
    dataOpen_ = dataDone_ = finalSeen_ = finalOk_ = preliminarySeen_ = dataClosing_ = false;
    listEntries_ = listBytes_ = 0;
    int64_t budgetMs = kListDefaultMs;
    if (timersOn_[kTimerReceive] && timeouts_[kTimerReceive] > 0)
        budgetMs = (timeouts_[kTimerReceive] + 999) / 1000 * kListReceivePeriods;
    SetTimer(window_, kListTimer, static_cast<UINT>(std::min<int64_t>(budgetMs, 0x7FFFFFFF)), nullptr);
    command_ = remotePath.empty() ? "LIST" : "LIST " + remotePath;
    step_ = Step::Passive;
    if (events_) events_->OnBusy(true);
    if (op_ == Op::List) SendCommand("PASV");
    return true;
}

// --- simple commands -----------------------------------------------------------------

bool Client::Authenticate(const std::string& user, const std::string& password) {
    if (HasLineBreak(user) || HasLineBreak(password)) return false;
    if (!StartOp(Op::Login, false)) return false;
    password_ = password;
    step_ = Step::User;
    if (events_) events_->OnBusy(true);
    if (op_ == Op::Login) SendCommand("USER " + user);
    return true;
}

bool Client::Type(int type) {
    if (type != kTypeText && type != kTypeBinary) return false;
    pendingType_ = type;
    return SimpleCommand("TYPE", type == kTypeText ? "A" : "I");
}

bool Client::SimpleCommand(const std::string& verb, const std::string& name) {
    if (HasLineBreak(name)) return false;
    if (!StartOp(Op::Command, true)) return false;
    command_ = verb + " " + name;
    step_ = Step::Command;
    if (events_) events_->OnBusy(true);
    if (op_ == Op::Command) SendCommand(command_);
    return true;
}

bool Client::ChangeDir(const std::string& name) { return SimpleCommand("CWD", name); }
bool Client::CreateDir(const std::string& name) { return SimpleCommand("MKD", name); }
bool Client::DeleteDir(const std::string& name) { return SimpleCommand("RMD", name); }
bool Client::DeleteFile(const std::string& name) { return SimpleCommand("DELE", name); }

// --- stopping --------------------------------------------------------------------

bool Client::Cancel() {
    if (!busy_) return true;
    if (window_) KillTimer(window_, kTimerConnect);
    connectTimerRunning_ = false;
    switch (op_) {
    case Op::Connect:
    case Op::Quit: {
        auto alive = alive_;
        if (resolveTask_) {
            WSACancelAsyncRequest(resolveTask_);
            resolveTask_ = nullptr;
        }
        CloseAll();
        SetProtocolState(kProtocolBase);
        if (!*alive) return true;
        SetState(kStateDisconnected);
        if (!*alive) return true;
        EndOp(false, 0, "");
        return true;
    }
    case Op::Login:
    case Op::Command:
        ++droppedReplies_;
        password_.assign(password_.size(), '\0');
        password_.clear();
        EndOp(false, 0, "");
        return true;
    case Op::Put:
    case Op::List:
        if (step_ == Step::Passive) {
            ++droppedReplies_;
        } else if (step_ == Step::Command && !finalSeen_) {
            // The transfer's own answer and the answer to ABOR.
            droppedReplies_ += 2;
            SendCommand("ABOR");
        }
        EndOp(false, 0, "");
        return true;
    case Op::None:
        break;
    }
    return true;
}

bool Client::Quit() {
    if (control_ == INVALID_SOCKET) return false;
    if (op_ == Op::Quit) return true;
    auto alive = alive_;
    if (busy_) {
        Cancel();
        if (!*alive || control_ == INVALID_SOCKET) return true;
    }
    if (window_) KillTimer(window_, kTimerConnect);
    connectTimerRunning_ = false;
    op_ = Op::Quit;
    replyCode_ = 0;
    replyText_.clear();
    busy_ = true;
    ArmTimer(kTimerReceive);
    if (events_) events_->OnBusy(true);
    if (!*alive || op_ != Op::Quit) return true;
    SendCommand("QUIT");
    if (!*alive || op_ != Op::Quit) return true;
    SetState(kStateDisconnecting);
    return true;
}

void Client::OnTimer(int event) {
    if (!window_) return;
    KillTimer(window_, static_cast<UINT_PTR>(event));
    if (event == static_cast<int>(kListTimer)) {
        if (op_ == Op::List) CutListing();
        return;
    }
    if (event == kTimerConnect) {
        if (!connectTimerRunning_) return;
        connectTimerRunning_ = false;
    } else if (event != kTimerReceive || !busy_) {
        return;
    }
    auto alive = alive_;
    bool keepWaiting = false;
    if (events_) events_->OnTimeout(event, &keepWaiting);
    if (!*alive) return;
    if (keepWaiting) {
        if (event == kTimerConnect && op_ == Op::Connect) {
            connectTimerRunning_ = true;
            ArmTimer(kTimerConnect);
        } else if (event == kTimerReceive) {
            Touch();
        }
        return;
    }
    if (busy_) LoseConnection(kErrTimeout, "time-out");
}

// --- closing ---------------------------------------------------------------------

void Client::CloseData() {
    if (data_ != INVALID_SOCKET) {
        closesocket(data_);
        data_ = INVALID_SOCKET;
    }
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    pending_.clear();
    pendingSent_ = 0;
}

void Client::CloseAll() {
    CloseData();
    if (control_ != INVALID_SOCKET) {
        closesocket(control_);
        control_ = INVALID_SOCKET;
    }
    outgoing_.clear();
    password_.assign(password_.size(), '\0');
    password_.clear();
}

void Client::LoseConnection(int error, const std::string& description) {
    auto alive = alive_;
    CloseAll();
    if (window_) KillTimer(window_, kTimerReceive);
    SetProtocolState(kProtocolBase);
    if (!*alive) return;
    SetState(kStateDisconnected);
    if (!*alive) return;
    if (busy_) {
        EndOp(false, error, description);
    } else if (events_) {
        events_->OnError(error, description);
    }
}

}  // namespace ftpclient
