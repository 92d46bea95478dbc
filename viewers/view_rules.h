// The window-free rules of the viewers: stepping through the drop list,
// the image window's caption and how it is cut back to the screen.
#pragma once
#include <windows.h>

#include <string>

namespace qaz {

// Where a step through a list of count entries lands, and which entries
// the Back and Next hints name from there.
struct ListStep {
    int index = 0;     // the entry to open
    int next = 0;      // the entry the Next hint names
    int back = 0;      // the entry the Back hint names
    bool pending = false;  // entries follow the one opened
};
// step -1 goes back, +1 forward (both wrap around), 0 stays at selected.
ListStep StepDropList(int selected, int step, int count);

// The queue's delay in milliseconds for a display time in seconds. A time
// of 0 or less still moves on after 1 ms: a delay of 0 would leave the queue
// waiting for a media notification that never comes.
int DisplayDelay(int seconds);

// "[W x H] " followed by the file name.
std::string ImageCaption(int width, int height, const std::string& fileName);

// The window rectangle cut back so that it ends at the screen's right and
// bottom edges; the window is never moved.
RECT CutToScreen(RECT window, int screenWidth, int screenHeight);

}  // namespace qaz
