#include "viewers/view_rules.h"

#include <cstdio>

namespace qaz {

ListStep StepDropList(int selected, int step, int count) {
    ListStep s;
    int i = selected;
    if (step < 0)
        i = i <= 0 ? count - 1 : i - 1;
    else if (step > 0)
        i = i >= count - 1 ? 0 : i + 1;
    if (i < 0 || i >= count) i = 0;  // no selection: start at the first entry
    s.index = i;
    if (i < count - 1) {
        s.next = i + 1;
        s.pending = true;
    } else {
        s.next = 0;
        s.pending = false;
    }
    s.back = i <= 0 ? count - 1 : i - 1;
    return s;
}

std::string ImageCaption(int width, int height, const std::string& fileName) {
    char size[40];
    std::snprintf(size, sizeof size, "[%d x %d] ", width, height);
    return size + fileName;
}

RECT CutToScreen(RECT window, int screenWidth, int screenHeight) {
    if (window.right >= screenWidth) window.right = screenWidth;
    if (window.bottom >= screenHeight) window.bottom = screenHeight;
    return window;
}

int DisplayDelay(int seconds) {
    if (seconds <= 0) return 1;
    // Counted in 64 bits: a huge setting waits as long as a timer can.
    const long long ms = static_cast<long long>(seconds) * 1000;
    return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
}

}  // namespace qaz
