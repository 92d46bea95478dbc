// What the tests share: a clean settings tree, a private folder, message
// pumping, and a watcher that answers the program's message boxes.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qaztest {

// Removes the program's whole settings tree.
void ClearSettings();
// Writes a value into the settings tree, creating the key.
void SetDword(const char* key, const char* name, DWORD value);
void SetString(const char* key, const char* name, const std::string& value);
bool ReadDword(const char* key, const char* name, DWORD* value);

// Sets the keys this thread reads as held (GetKeyState), all others up.
void HoldKeys(std::initializer_list<int> keys);

// Handles window messages for about ms milliseconds.
void PumpFor(int ms);
// The one deadline for what a test waits for: a wait ends as soon as its
// condition holds, so only a fault takes this long.
constexpr int kPatience = 30000;

// Handles messages until the predicate holds or ms pass; returns it.
template <class Pred>
bool PumpUntil(Pred pred, int ms = kPatience) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (!pred()) {
        if (static_cast<int>(end - GetTickCount()) <= 0) return pred();
        PumpFor(10);
    }
    return true;
}

// The same without handling messages, for a thread that owns no windows
// (one that drives another thread's windows).
template <class Pred>
bool WaitUntil(Pred pred, int ms = kPatience) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (!pred()) {
        if (static_cast<int>(end - GetTickCount()) <= 0) return pred();
        Sleep(10);
    }
    return true;
}

// A fresh folder in the temporary folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }  // ends with '\'
    std::string File(const std::string& name, const std::string& content = "x") const;
    std::string Folder(const std::string& name) const;

private:
    std::string path_;
};

// A shell drop of the names, as the shell hands it to a window.
HDROP MakeDrop(const std::vector<std::string>& names);

// The bytes of a file, or "<missing>" when it cannot be read.
std::string FileBytes(const std::string& path);

// Starts a Windows program with the argument text and waits up to a minute
// for it to end; its exit code, or -1 when it did not start or end. It
// starts in folder, or in the test's own current folder when that is empty.
long RunProgram(const std::string& exe, const std::string& arguments, const std::string& folder = "");

// Removes a folder and everything in it, read-only files included.
void RemoveTree(const std::string& folder);

// Makes name in folder a link to the folder target (relative to folder,
// with '\'). Where the system's own call makes none (Wine), the host's
// "ln -s" makes it. Returns whether the link is there.
bool MakeFolderLink(const std::string& folder, const std::string& name, const std::string& target);
// Removes a link made by MakeFolderLink, never what it points to.
void RemoveFolderLink(const std::string& link);

// The folder of the running test executable, with '\'.
std::string ExeFolder();

// Moves a library beside the test executable out of the way (for tests of
// what happens when it is missing) and puts it back when the object goes.
class LibraryAside {
public:
    explicit LibraryAside(const std::string& name);
    ~LibraryAside();
    LibraryAside(const LibraryAside&) = delete;
    LibraryAside& operator=(const LibraryAside&) = delete;

private:
    std::string path_;
    bool moved_ = false;
};

// Watches for message boxes of one caption (on any thread of this process
// or another), records their texts and presses a button on each.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(const char* caption, int button = IDOK);
    ~MessageBoxWatcher();
    std::vector<std::string> texts();

private:
    void Run();
    std::string caption_;
    int button_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::string> texts_;
    std::thread thread_;
};

}  // namespace qaztest
