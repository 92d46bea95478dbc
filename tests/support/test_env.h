// What the tests share: a clean settings tree, a private folder, message
// pumping, and a watcher that answers the program's message boxes.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <atomic>
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

// Handles window messages for about ms milliseconds.
void PumpFor(int ms);
// Handles messages until the predicate holds or ms pass; returns it.
template <class Pred>
bool PumpUntil(Pred pred, int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (!pred()) {
        if (static_cast<int>(end - GetTickCount()) <= 0) return pred();
        PumpFor(10);
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

// Removes a folder and everything in it, read-only files included.
void RemoveTree(const std::string& folder);

// The folder of the running test executable, with '\'.
std::string ExeFolder();

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
