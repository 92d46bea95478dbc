// How far a command has got, and the user's wish to stop it. The command
// works on a thread of its own while the caller's thread keeps handling its
// window messages and, once the command has run for half a second, shows
// the progress window (owned by the caller's window) with a cancel button.
//
// The back ends report through the Progress... functions below, which act
// on the command running on the calling thread and do nothing when there is
// none (a listing, the self-extracting program, a test calling a back end
// directly).
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace qaz::archivers {

// How long a command runs before its window appears.
constexpr DWORD kProgressDelayMs = 500;

class CommandProgress {
public:
    // report is the command's report, appended to by the working thread only.
    CommandProgress(const std::string& archive, std::string& report) : archive_(archive), report_(report) {}

    // Working thread.
    void AddTotal(uint64_t bytes) { total_ += bytes; }
    void Begin(const std::string& entry);
    // False once the user has cancelled: the caller stops and drops what
    // it has not finished.
    bool Advance(uint64_t bytes) {
        done_.fetch_add(bytes, std::memory_order_relaxed);
        return !cancel_.load(std::memory_order_relaxed) || Stop();
    }
    bool Cancelled() { return cancel_.load(std::memory_order_relaxed) && !Stop(); }

    // Any thread.
    void Cancel() { cancel_ = true; }
    bool cancelRequested() const { return cancel_.load(); }
    const std::string& archive() const { return archive_; }
    uint64_t total() const { return total_.load(); }
    uint64_t done() const { return done_.load(); }
    std::string entry() const;

    // After the command: when it stopped for the user, the report names the
    // entry it stopped at, then keeps the lines up to that moment, and the
    // result becomes kErrorCancelled (archiver_shell.h).
    int Settle(int result);

private:
    bool Stop();  // records where the command stopped; always false

    std::string archive_;
    std::string& report_;
    std::atomic<uint64_t> total_{0}, done_{0};
    std::atomic<bool> cancel_{false};
    bool stopped_ = false;
    size_t reportAtStop_ = 0;
    mutable std::mutex entryLock_;
    std::string entry_;
};

// The progress of the command running on this thread, or nullptr.
CommandProgress* CurrentProgress();

void ProgressTotal(uint64_t bytes);
void ProgressEntry(const std::string& name);
bool ProgressAdvance(uint64_t bytes);
// True once the user has cancelled (and the command is to stop).
bool ProgressCancelled();

// Takes the options that ask for no progress window out of the arguments:
// "-n", "-n1", "-n2" and "--display-dialog=0". True when one was there.
bool TakeNoWindowOptions(std::vector<std::string>& args);

// The archive a command names, for the window: its first word after the
// command that is no option and no list file.
std::string ArchiveOfCommand(const std::vector<std::string>& args);

// Runs work as one command. With a caller's window it runs on a thread of
// its own while this thread handles its messages and, unless noWindow,
// shows the progress window after kProgressDelayMs; without one it runs
// here, and cannot be cancelled.
int RunWithProgress(HWND owner, bool noWindow, const std::string& archive, std::string& report,
                    const std::function<int()>& work);

}  // namespace qaz::archivers
