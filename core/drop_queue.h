// The drop queue: the full paths waiting to be shown, in the bar's hidden
// list box, with the count and pending flag beside them. The list box's
// window handle is handed to the FTP library, which reads the names from it.
#pragma once
#include <windows.h>

#include <string>

namespace qaz {

class DropQueue {
public:
    // Creates the hidden list box as a child of the bar.
    bool Create(HWND parent, int id);
    HWND handle() const { return list_; }

    // The entries themselves.
    void Clear();
    void Append(const std::string& path);
    int Count() const;
    std::string Entry(int index) const;  // empty when there is none
    int Selected() const;                // -1 when none is
    void Select(int index);

    // Takes the count of the entries and whether they wait to be shown
    // (FileCount, FilesPending) after a drop; selects the first.
    void Settle();

    // Entries of the last drop (FileCount) and whether any is still to be
    // shown (FilesPending).
    int fileCount = 0;
    bool filesPending = false;

    // Run-time state of the showing that goes with the queue.
    int targetPathIndex = 0;           // the target folder of the drop (1..5)
    int pictureSubKind = 0;            // last native picture: 0 bitmap, 1 icon or metafile
    bool screenSaverPending = false;   // a screen saver was started for the last entry

private:
    HWND list_ = nullptr;
};

}  // namespace qaz
