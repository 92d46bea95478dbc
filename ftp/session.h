// What the windows of one upload share: the caller's list box, the folder
// shown in the chooser, how the chooser was left, and the password typed
// into the password dialog (wiped when the upload ends).
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace qaz::ftp {

struct Session {
    HWND listBox = nullptr;
    std::string remotePath;
    bool chooserCancelled = false;
    std::string enteredPassword;
};

// Item i of the caller's list box, or "" when there is none.
std::string ReadListItem(HWND listBox, int i);
int ListItemCount(HWND listBox);

// Overwrites a secret before it is let go.
void Wipe(std::string& secret);

// Sets a window's caption; tests may watch every caption set.
void SetCaption(HWND window, const std::string& caption);
void SetCaptionWatcher(std::function<void(HWND, const std::string&)> watcher);

// Handles the window messages waiting now, then waits for the next one or
// for `ms` milliseconds.
void PumpAndWait(DWORD ms);
// Handles messages until the predicate holds.
template <class Pred>
void WaitUntil(Pred done) {
    while (!done()) PumpAndWait(100);
}
// Handles messages for `ms` milliseconds.
void PauseHandlingMessages(DWORD ms);
// Gives the form font to every child of the window.
void ApplyFont(HWND window, HFONT font);

}  // namespace qaz::ftp
