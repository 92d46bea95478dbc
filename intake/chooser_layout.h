// The function chooser's contents and placement, as data: its seven
// labels with their results, its separators, where it opens, and which
// label lies under a point.
#pragma once
#include <windows.h>

namespace qaz {

constexpr int kChooserWidth = 162;   // client area
constexpr int kChooserHeight = 150;
constexpr int kChooserLabelWidth = 161;
constexpr int kChooserLabelHeight = 16;

struct ChooserLabel {
    const char* name;
    int top;
    const char* caption;
    int result;  // the action word a click gives
};

constexpr int kChooserLabelCount = 7;
extern const ChooserLabel kChooserLabels[kChooserLabelCount];
// The tops of the 2-pixel separators.
constexpr int kChooserBevelTops[] = {20, 60, 100, 124};

// Where the chooser's window (of the given outer size) opens for a bar at
// barLeft, barTop: below and right of the bar's icon, moved back so that it
// lies on a screen of the given size.
POINT ChooserPlace(int barLeft, int barTop, int width, int height, int screenWidth, int screenHeight);

// The label under a client point, or -1 (separators and gaps).
int ChooserLabelAt(int x, int y);

}  // namespace qaz
