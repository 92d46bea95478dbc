// What the bar asks of the viewers: showing one entry of the drop list, and
// the image window and media controller around it.
#pragma once
#include <string>

namespace qaz {

class BarWindow;
class ImageWindow;
class MediaController;

// Shows, plays, runs or opens one file by its kind and returns how long, in
// milliseconds, it stays before the next entry; 0 or less when the media
// controller re-arms the queue itself at the end of playback.
int OpenByKind(BarWindow& bar, const std::string& name);

// Creates the media controller once and shows it.
void ShowMediaController(BarWindow& bar);
// Opens the drop list's entry selected by step (0: the selected one, -1 the
// one before, 1 the next) through the controller; for manual stepping.
void ShowListEntry(BarWindow& bar, int step);

// Close the windows when they exist; both are safe to call any time.
void CloseImageWindow(BarWindow& bar);
void CloseMediaController(BarWindow& bar);

// The windows while they exist, else nullptr.
ImageWindow* CurrentImageWindow();
MediaController* CurrentMediaController();

}  // namespace qaz
