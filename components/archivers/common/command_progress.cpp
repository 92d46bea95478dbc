#include "components/archivers/common/command_progress.h"

#include <new>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/progress_window.h"
#include "components/archivers/common/report_line.h"

namespace qaz::archivers {
namespace {

thread_local CommandProgress* current = nullptr;

// The command thread's stack: the back ends keep read buffers of some
// tens of kilobytes on it.
constexpr SIZE_T kWorkerStack = 4u << 20;

// At most this many messages are handled before the command's end is
// looked at again.
constexpr int kMessagesPerRound = 64;

class CurrentScope {
public:
    explicit CurrentScope(CommandProgress* progress) : before_(current) { current = progress; }
    ~CurrentScope() { current = before_; }
    CurrentScope(const CurrentScope&) = delete;
    CurrentScope& operator=(const CurrentScope&) = delete;

private:
    CommandProgress* before_;
};

int Guarded(CommandProgress& progress, std::string& report, const std::function<int()>& work) {
    CurrentScope scope(&progress);
    try {
        return work();
    } catch (const std::bad_alloc&) {  // a back end builds some results in memory
        report += ReportLine(progress.archive(), "not enough memory");
        return kErrorDiskSpace;
    }
}

struct WorkerJob {
    CommandProgress* progress;
    std::string* report;
    const std::function<int()>* work;
    int result;
};

DWORD WINAPI Worker(void* param) {
    auto* job = static_cast<WorkerJob*>(param);
    job->result = Guarded(*job->progress, *job->report, *job->work);
    return 0;
}

// Keys and mouse input for the caller's other windows are dropped while the
// command runs, as under a modal window: they could start another command,
// or take away what this one works with. The window the caller passed (with
// its children) and the progress window take them.
bool HeldBack(const MSG& msg, HWND owner, HWND progress) {
    const UINT m = msg.message;
    const bool input = (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
                       (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
    if (!input || !msg.hwnd) return false;
    const HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    return top != GetAncestor(owner, GA_ROOT) && (!progress || top != progress);
}

// The progress window waiting for its half second on this thread. A timer
// shows it, so that it comes also while a window of the caller (a message
// box, a menu) runs a message loop of its own.
thread_local ProgressWindow* waiting = nullptr;
thread_local HWND waitingOwner = nullptr;

void CALLBACK ShowWaitingWindow(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (waiting) waiting->Create(waitingOwner);
}

bool IsNoWindowOption(const std::string& a) {
    return a == "-n" || a == "-n1" || a == "-n2" || a == "--display-dialog=0";
}

}  // namespace

void CommandProgress::Begin(const std::string& entry) {
    std::lock_guard<std::mutex> lock(entryLock_);
    entry_ = entry;
}

std::string CommandProgress::entry() const {
    std::lock_guard<std::mutex> lock(entryLock_);
    return entry_;
}

bool CommandProgress::Stop() {
    if (!stopped_) {
        stopped_ = true;
        reportAtStop_ = report_.size();
    }
    return false;
}

int CommandProgress::Settle(int result) {
    if (!stopped_) return result;
    // What the back end reported after it saw the cancel are the traces of
    // stopping (the unfinished file, the entries it no longer did). Where it
    // stopped comes first, so that a short output buffer still holds it.
    const std::string at = entry();
    report_ = ReportLine(at.empty() ? archive_ : at, "cancelled here; this entry and those after it were not done") +
              report_.substr(0, reportAtStop_);
    return kErrorCancelled;
}

CommandProgress* CurrentProgress() { return current; }

void ProgressTotal(uint64_t bytes) {
    if (current) current->AddTotal(bytes);
}

void ProgressEntry(const std::string& name) {
    if (current) current->Begin(name);
}

bool ProgressAdvance(uint64_t bytes) { return !current || current->Advance(bytes); }

bool ProgressCancelled() { return current && current->Cancelled(); }

bool TakeNoWindowOptions(std::vector<std::string>& args) {
    bool found = false;
    for (size_t i = 0; i < args.size();) {
        if (IsNoWindowOption(args[i])) {
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
            found = true;
        } else {
            ++i;
        }
    }
    return found;
}

std::string ArchiveOfCommand(const std::vector<std::string>& args) {
    for (size_t i = 1; i < args.size(); ++i) {
        const char c = args[i].empty() ? '-' : args[i][0];
        if (c != '-' && c != '/' && c != '@') return args[i];
    }
    return std::string();
}

int RunWithProgress(HWND owner, bool noWindow, const std::string& archive, std::string& report,
                    const std::function<int()>& work) {
    CommandProgress progress(archive, report);
    if (!owner || !IsWindow(owner)) return progress.Settle(Guarded(progress, report, work));
    WorkerJob job{&progress, &report, &work, 0};
    HANDLE thread = CreateThread(nullptr, kWorkerStack, Worker, &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) return progress.Settle(Guarded(progress, report, work));

    // While the command works, this thread handles the caller's messages:
    // its windows repaint, its timers fire, and the progress window answers.
    ProgressWindow window(progress);
    UINT_PTR timer = 0;
    if (!noWindow) {
        waiting = &window;
        waitingOwner = owner;
        timer = SetTimer(nullptr, 0, kProgressDelayMs, ShowWaitingWindow);
    }
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        // (Messages left from the last round wake it too.)
        if (MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0) break;
        MSG msg;
        for (int n = 0; n < kMessagesPerRound && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
            if (msg.message == WM_QUIT) {  // handed on when the command has ended
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            if (HeldBack(msg, owner, window.hwnd()) || window.HandleDialogKey(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    if (timer) KillTimer(nullptr, timer);
    waiting = nullptr;
    window.Destroy();
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return progress.Settle(job.result);
}

}  // namespace qaz::archivers
