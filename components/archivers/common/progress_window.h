// The window that shows how far a command has got: the archive, the entry
// being worked on, a bar over the bytes of the whole command, and a button
// that cancels it. It belongs to the thread that called the command and is
// owned by the caller's window.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace qaz::archivers {

class CommandProgress;

constexpr const char* kProgressClass = "QazArchiverProgress";
// Child ids; the cancel button is IDCANCEL, so Esc presses it too.
enum ProgressControl { idProgressArchive = 101, idProgressEntry, idProgressBar, idProgressBytes };
// The bar's range.
constexpr int kProgressSteps = 1000;

class ProgressWindow {
public:
    explicit ProgressWindow(CommandProgress& progress) : progress_(progress) {}
    ~ProgressWindow() { Destroy(); }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    bool Create(HWND owner);
    // Gone for good: later calls to Create do nothing.
    void Destroy();
    bool created() const { return tried_; }
    HWND hwnd() const { return hwnd_; }
    // Tab, Esc and Enter for the window's button; true when taken.
    bool HandleDialogKey(MSG& msg);

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Refresh();
    void OnCancel();

    CommandProgress& progress_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    bool tried_ = false;
    bool cancelShown_ = false;
    std::string entryShown_, bytesShown_;  // what the window shows, set only when it changes
    int positionShown_ = -1;
};

// "12.3 MB" and the like, for the byte counts.
std::string SizeText(uint64_t bytes);
// The bar position (0 to kProgressSteps) of done bytes out of total; a
// total below what is done fills the bar.
int ProgressPosition(uint64_t done, uint64_t total);

}  // namespace qaz::archivers
