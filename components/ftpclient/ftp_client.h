// An FTP client with the properties, operations and events of the FTP client
// control that qaz_ftp was written against. Everything runs on the thread
// that created the client: sockets report through window messages to a
// hidden window (WSAAsyncSelect), time-outs are window timers, and events
// are called from those messages. Each operation returns at once; Busy()
// is true while it runs. Passive mode only.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "components/ftpclient/listing.h"
#include "components/ftpclient/reply.h"
#include "components/ftpclient/text_mode.h"

namespace ftpclient {

// Values of State().
enum State : int {
    kStateNone = 0,
    kStateConnecting = 1,
    kStateResolvingHost = 2,
    kStateTransferring = 3,  // a file's data is on its way
    kStateConnected = 4,
    kStateDisconnecting = 5,
    kStateDisconnected = 6,
};

// Values of ProtocolState().
enum ProtocolState : int {
    kProtocolBase = 0,
    kProtocolAuthentication = 1,  // the server awaits the user's name and password
    kProtocolTransaction = 2,     // logged in
};

// Event numbers of Timeout() and EnableTimer().
enum TimerEvent : int {
    kTimerConnect = 1,
    kTimerReceive = 2,
};

// Transfer types of Type().
enum TransferType : int {
    kTypeText = 0,
    kTypeBinary = 3,
};

// Errors reported through OnError.
enum ErrorCode : int {
    kErrBusy = 1,            // an operation is already running
    kErrNotConnected = 2,    // the operation needs a connection
    kErrResolve = 3,         // the host name is unknown
    kErrConnect = 4,         // the connection was refused or failed
    kErrConnectionLost = 5,  // the server closed the connection
    kErrReply = 6,           // the server refused a command (ReplyCode() has its code)
    kErrLocalFile = 7,       // the local file cannot be read
    kErrProtocol = 8,        // the server's answer is no FTP reply
    kErrTimeout = 9,         // a time-out ended the operation
};

class Events {
public:
    virtual ~Events() = default;
    // The handlers may call the client, and may wait for it.
    virtual void OnStateChanged(int /*state*/) {}
    virtual void OnProtocolStateChanged(int /*protocolState*/) {}
    virtual void OnBusy(bool /*isBusy*/) {}
    // `keepWaiting` comes in false: the running operation is then stopped
    // and the connection closed. Set it to wait another period.
    virtual void OnTimeout(int /*event*/, bool* /*keepWaiting*/) {}
    virtual void OnListItem(const DirItem& /*item*/) {}
    virtual void OnError(int /*code*/, const std::string& /*description*/) {}
};

class Client {
public:
    explicit Client(Events* events);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Properties.
    std::string remoteHost;
    int remotePort = 21;
    std::string remoteFile;
    int State() const { return state_; }
    int ProtocolState() const { return protocolState_; }
    // The last reply of the server to a command of a running operation; 0
    // when the last operation ended before the server answered, and never a
    // positive reply (2xx) when the operation failed after it: a file the
    // server called complete before it had all of it was not sent.
    int ReplyCode() const { return replyCode_; }
    const std::string& ReplyString() const { return replyText_; }
    bool Busy() const { return busy_; }
    // True when the last List stopped at one of the bounds below: the
    // entries reported are the first ones only.
    bool ListCut() const { return listCut_; }
    // A listing ends after this many entries or bytes, or after four
    // receive time-outs (two minutes while no receive time-out runs),
    // however steadily the server keeps sending.
    static constexpr int64_t kMaxListEntries = 10000;
    static constexpr int64_t kMaxListBytes = 4 << 20;
    static constexpr int64_t kListReceivePeriods = 4;
    static constexpr int64_t kListDefaultMs = 120000;
    // Time-outs in microseconds (the timers have millisecond steps); 0 waits
    // for ever. Only enabled timers run.
    int64_t Timeout(int event) const;
    void SetTimeout(int event, int64_t microseconds);
    bool EnableTimer(int event) const;
    void SetEnableTimer(int event, bool on);

    // Operations; false when refused at once (OnError tells why).
    bool Connect(const std::string& host, int port);
    bool Authenticate(const std::string& user, const std::string& password);
    bool Type(int type);
    bool PutFile(const std::string& localPath, const std::string& remoteName);
    bool List(const std::string& remotePath);
    bool ChangeDir(const std::string& name);
    bool CreateDir(const std::string& name);
    bool DeleteDir(const std::string& name);
    bool DeleteFile(const std::string& name);
    // Stops the running operation at once; replies still owed for it are
    // dropped when they come and never become ReplyCode().
    bool Cancel();
    // Logs out and closes the connection (a running operation is cancelled).
    bool Quit();

private:
    enum class Op { None, Connect, Login, Command, Put, List, Quit };
    enum class Step { Idle, Resolving, Connecting, Greeting, User, Pass, Passive, DataConnect, Command, Final };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnResolved(LPARAM lParam);
    void OnControlSocket(WPARAM socket, LPARAM lParam);
    void OnDataSocket(WPARAM socket, LPARAM lParam);
    void OnTimer(int event);

    bool StartOp(Op op, bool needsLogin);
    bool SimpleCommand(const std::string& verb, const std::string& name);
    void BeginConnect(unsigned long address);
    void SendCommand(const std::string& line);
    void FlushControl();
    void ReadControl();
    void HandleReply(const Reply& reply);
    void HandleDataReply(const Reply& reply);
    void OpenDataConnection(const std::string& text);
    void PumpUpload();
    void ReadData();
    void DrainList();
    void CutListing();
    void TakeListLines(const char* data, size_t size);
    void ReportListLine(const std::string& line);
    void FinishTransferIfDone();
    void EndOp(bool ok, int error, const std::string& description);
    void CloseData();
    void CloseAll();
    void LoseConnection(int error, const std::string& description);
    void SetState(int state);
    void SetProtocolState(int protocolState);
    void SetBusy(bool busy);
    void Touch();  // activity: the receive timer starts over
    void ArmTimer(int event);
    void KillTimers();

    Events* events_;
    HWND window_ = nullptr;
    bool winsock_ = false;
    SOCKET control_ = INVALID_SOCKET;
    SOCKET data_ = INVALID_SOCKET;
    sockaddr_in peer_ = {};
    HANDLE resolveTask_ = nullptr;
    std::unique_ptr<char[]> hostEntry_;

    int state_ = kStateNone;
    int protocolState_ = kProtocolBase;
    bool busy_ = false;
    int replyCode_ = 0;
    std::string replyText_;
    int64_t timeouts_[3] = {0, 30000000, 30000000};
    bool timersOn_[3] = {false, false, false};
    bool connectTimerRunning_ = false;

    Op op_ = Op::None;
    Step step_ = Step::Idle;
    std::string user_, password_;
    std::string command_;      // the command of a Command, Put or List operation
    int droppedReplies_ = 0;   // final replies still owed for cancelled commands
    ReplyReader replies_;
    std::string outgoing_;     // control bytes not yet sent

    // The data side of Put and List.
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool textType_ = true;
    NetworkText netText_;
    std::string pending_;      // upload bytes not yet sent
    size_t pendingSent_ = 0;
    bool fileDone_ = false;
    bool dataOpen_ = false;
    bool dataDone_ = false;    // the data connection has ended
    bool finalSeen_ = false;   // the final reply of the transfer came
    bool finalOk_ = false;
    bool preliminarySeen_ = false;
    bool sentAll_ = false;     // every byte of the file went and our side is shut
    bool dataClosing_ = false; // the server ended the listing; what is left is read
    LineSplitter lines_;
    int64_t listEntries_ = 0;
    int64_t listBytes_ = 0;
    bool listCut_ = false;
    int type_ = kTypeText;
    int pendingType_ = kTypeText;
    // Set while the object is alive; a handler that finds it cleared after
    // an event returns at once.
    std::shared_ptr<bool> alive_;
};

}  // namespace ftpclient
