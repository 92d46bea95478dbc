// The image window "TJX_QAZImage": one picture at a time, sized to it,
// scrollable, with a menu to copy the picture or move or save its file.
#pragma once
#include <windows.h>

#include <string>

#include "base/gdi.h"
#include "base/ui/window.h"
#include "viewers/decode_picture.h"

namespace qaz {

constexpr const char* kImageClass = "TJX_QAZImage";
constexpr int kImageDesignWidth = 112;
constexpr int kImageDesignHeight = 31;

// Menu commands of the image window.
enum ImageCommand { cmdMoveOrSave = 201, cmdCopyPicture = 202 };

class ImageWindow : public ui::Window {
public:
    ImageWindow() = default;
    ~ImageWindow() override;

    // Creates the (hidden) window at its remembered position and reads the
    // target folder and move flag; true at once when it exists.
    bool Open();
    // Shows a decoded picture of the file: caption, size, cut to the
    // screen, in front.
    void ShowPicture(Picture&& picture, const std::string& path);
    // Remembers the position, forgets the picture and destroys the window.
    void Close();

    // Copies, or moves, the shown file into the target folder; asks before
    // overwriting and reports a failure. True when the file got there.
    bool MoveOrSave();
    // Puts the picture on the clipboard.
    bool CopyPicture();

    const std::string& currentPath() const { return currentPath_; }
    const Picture& picture() const { return picture_; }
    HMENU popupMenu() const { return popup_.get(); }
    POINT scrollPosition() const { return {hpos_, vpos_}; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    void UpdateScrollBars();
    void ScrollTo(int h, int v);
    void OnScroll(int bar, WORD code);
    void OnMouseMove(WPARAM keys, int x, int y);
    void OnMenuOpening();
    void Paint();
    bool ItemEnabled(UINT id) const;

    Picture picture_;
    std::string currentPath_;
    std::string targetFolder_;
    bool moveFile_ = false;
    OwnedMenu popup_;
    int hpos_ = 0, vpos_ = 0;
    int lastX_ = 0, lastY_ = 0;
};

}  // namespace qaz
