// The viewers the bar owns: showing one entry of the drop queue by its
// kind, and the image window and media controller around it.
#pragma once
#include <string>

#include "archive/drop_context.h"
#include "viewers/image_window.h"
#include "viewers/media_controller.h"

namespace qaz {

class Viewers {
public:
    explicit Viewers(DropContext& context);

    // Shows, plays, runs or opens one file by its kind and returns how
    // long, in milliseconds, it stays before the next entry; 0 or less when
    // the media controller re-arms the queue itself at the end of playback.
    int OpenByKind(const std::string& path);

    // One step of the queue: opens the selected entry, selects the next and
    // arms the queue again with the entry's delay when it steps by itself.
    // False when nothing was left to show: the showing is over.
    bool ShowNextEntry();

    // Creates the media controller once and shows it.
    void ShowMediaController();
    // Opens the queue's entry selected by step (0: the selected one, -1 the
    // one before, 1 the next) through the controller; for manual stepping.
    void ShowListEntry(int step);

    // Close the windows when they exist; both are safe to call any time.
    void CloseImageWindow();
    void CloseMediaController();

    // The windows exist (they are created on first need).
    bool imageWindowCreated() const { return image_.hwnd() != nullptr; }
    bool mediaWindowCreated() const { return controller_.hwnd() != nullptr; }
    ImageWindow& image() { return image_; }
    MediaController& controller() { return controller_; }

private:
    int ShowPicture(int kind, const std::string& path, const std::string& name);

    DropContext& context_;
    ImageWindow image_;
    MediaController controller_;
};

}  // namespace qaz
