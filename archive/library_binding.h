// The one outside archiver or picture plug-in library bound at a time, and
// the entries taken from it.
#pragma once
#include <windows.h>

#include "components/plugins/common/picture_interface.h"

#include "archive/entry_info.h"
#include "base/library.h"

namespace qaz {

// Archiver entries. The command entry is named by the library's prefix
// alone; the others by the prefix and their role.
using HARC = HANDLE;
using ArcCommandFn = int(WINAPI*)(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize);
using IshCommandFn = int(WINAPI*)(HWND window, LPCSTR commandLine);
using ArcCheckFn = BOOL(WINAPI*)(LPCSTR archive, int mode);
using ArcRunningFn = BOOL(WINAPI*)();
using ArcOpenFn = HARC(WINAPI*)(HWND window, LPCSTR archive, DWORD mode);
using ArcCloseFn = int(WINAPI*)(HARC archive);
using ArcFindFirstFn = int(WINAPI*)(HARC archive, LPCSTR wildcard, ArchiveEntryInfo* info);
using ArcFindNextFn = int(WINAPI*)(HARC archive, ArchiveEntryInfo* info);

// Picture plug-in entries.
using GetPictureFn = int(WINAPI*)(LPSTR path, LONG offset, UINT flag, HANDLE* header, HANDLE* bits,
                                  FARPROC progress, LONG_PTR data);
using GetPictureInfoFn = int(WINAPI*)(LPSTR path, LONG offset, UINT flag, PictureInfo* info);

// The ten entry slots. A slot is empty when the bound library lacks the
// entry, and all are empty while nothing is bound.
struct EntrySlots {
    ArcCommandFn command = nullptr;
    IshCommandFn ishCommand = nullptr;
    ArcCheckFn check = nullptr;
    ArcRunningFn running = nullptr;
    ArcOpenFn open = nullptr;
    ArcCloseFn close = nullptr;
    ArcFindFirstFn findFirst = nullptr;
    ArcFindNextFn findNext = nullptr;
    GetPictureFn picture = nullptr;
    GetPictureInfoFn pictureInfo = nullptr;
};

// The library file of a kind (1 to 15), or nullptr.
const char* LibraryFileOf(int kind);
// The entry-name prefix of an archiver kind (9 to 15), or nullptr.
const char* EntryPrefixOf(int kind);

// The one outside library bound at a time, owned by the bar.
class LibraryBinding {
public:
    // Binds the library of the kind. Without packMode a library that is
    // already bound stays as it is; with it the library is always loaded
    // afresh. A library that cannot be loaded is reported with its file
    // name and " がありません"; the result is then false and nothing is bound.
    bool Bind(int kind, bool packMode);
    // Releases the bound library and empties every slot.
    void Unbind();

    // The kind whose library is bound, or 0.
    int kind() const { return kind_; }
    HMODULE module() const { return library_.get(); }
    const EntrySlots& entries() const { return slots_; }

    // Waits while the bound archiver reports that it is still running.
    void WaitWhileRunning() const;

private:
    Library library_;
    int kind_ = 0;
    EntrySlots slots_;
};

}  // namespace qaz
