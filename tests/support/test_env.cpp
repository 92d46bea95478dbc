#include "tests/support/test_env.h"

#include <shlobj.h>

#include <cstring>

#include <shlwapi.h>

#include "base/registry.h"
#include "core/registry_keys.h"

namespace qaztest {

void ClearSettings() { SHDeleteKeyA(HKEY_CURRENT_USER, qaz::kRegRoot); }

void SetDword(const char* key, const char* name, DWORD value) {
    qaz::RegKey k;
    if (k.Create(key)) RegSetValueExA(k.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}

void SetString(const char* key, const char* name, const std::string& value) {
    qaz::RegKey k;
    if (k.Create(key)) qaz::RegWriteStr(k.get(), name, value);
}

bool ReadDword(const char* key, const char* name, DWORD* value) {
    qaz::RegKey k;
    if (!k.Open(key)) return false;
    DWORD type = 0, size = 4;
    return RegQueryValueExA(k.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

void HoldKeys(std::initializer_list<int> keys) {
    BYTE state[256] = {};
    for (int k : keys) state[k & 0xFF] = 0x80;
    SetKeyboardState(state);
}

void PumpFor(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

TempDir::TempDir() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    for (;;) {
        path_ = std::string(base) + "qaztest" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++counter) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string TempDir::File(const std::string& name, const std::string& content) const {
    const std::string full = path_ + name;
    HANDLE h = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(h);
    }
    return full;
}

std::string TempDir::Folder(const std::string& name) const {
    const std::string full = path_ + name;
    CreateDirectoryA(full.c_str(), nullptr);
    return full;
}

std::string FileBytes(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

long RunProgram(const std::string& exe, const std::string& arguments, const std::string& folder) {
    std::string line = "\"" + exe + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<long>(code);
}

void RemoveTree(const std::string& folderIn) {
    std::string folder = folderIn;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = folder + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveFolderLink(full);  // never what a link points to
                continue;
            }
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
}

namespace {

// Runs a program of the host (Wine starts them) in a folder, and waits
// until the path is there or gone: a host program's end is not always
// seen through its handle.
bool RunHostTool(const std::string& folder, std::string command, const std::string& path, bool there) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return PumpUntil([&] { return (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == there; }, 10000);
}

}  // namespace

bool MakeFolderLink(const std::string& folderIn, const std::string& name, const std::string& target) {
    std::string folder = folderIn;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    const std::string link = folder + name;
    // Looked up: older systems have no symbolic links.
    using CreateLink = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    const auto createLink =
        reinterpret_cast<CreateLink>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA"));
    const DWORD folderLink = 1;
    if (createLink && createLink(link.c_str(), target.c_str(), folderLink) &&
        GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    std::string unixTarget = target;
    for (char& c : unixTarget)
        if (c == '\\') c = '/';
    return RunHostTool(folder, "Z:\\bin\\ln -s \"" + unixTarget + "\" \"" + name + "\"", link, true);
}

void RemoveFolderLink(const std::string& link) {
    if (RemoveDirectoryA(link.c_str()) || DeleteFileA(link.c_str())) return;
    const size_t cut = link.find_last_of('\\');
    if (cut == std::string::npos) return;
    RunHostTool(link.substr(0, cut + 1), "Z:\\bin\\rm -f \"" + link.substr(cut + 1) + "\"", link, false);
}

std::string ExeFolder() {
    char buf[MAX_PATH];
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string path = buf;
    return path.substr(0, path.find_last_of('\\') + 1);
}

LibraryAside::LibraryAside(const std::string& name) : path_(ExeFolder() + name) {
    const std::string aside = path_ + ".aside";
    DeleteFileA(aside.c_str());
    moved_ = MoveFileA(path_.c_str(), aside.c_str()) != 0;
}

LibraryAside::~LibraryAside() {
    if (moved_) MoveFileExA((path_ + ".aside").c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
}

MessageBoxWatcher::MessageBoxWatcher(const char* caption, int button)
    : caption_(caption), button_(button), thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<std::string> MessageBoxWatcher::texts() {
    std::lock_guard<std::mutex> guard(lock_);
    return texts_;
}

void MessageBoxWatcher::Run() {
    while (!stop_) {
        HWND box = FindWindowA("#32770", caption_.c_str());
        if (box && IsWindowVisible(box)) {
            // The text is the static control with id 0xFFFF.
            char text[1024] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            {
                std::lock_guard<std::mutex> guard(lock_);
                texts_.push_back(text);
            }
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
            for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(10);
        }
        Sleep(20);
    }
}

HDROP MakeDrop(const std::vector<std::string>& names) {
    size_t size = sizeof(DROPFILES) + 1;
    for (const auto& n : names) size += n.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    char* p = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
    for (const auto& n : names) {
        std::memcpy(p, n.c_str(), n.size() + 1);
        p += n.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

}  // namespace qaztest
