// The bar's menu: its items, and what it shows each time it opens.
#pragma once
#include <windows.h>

#include "core/settings.h"

namespace qaz {

// Command ids of the menu items.
enum BarMenuItem {
    pmsSetup = 1000,
    cLzh = 1011, cCab, cIsh, cTgz,       // PackDef 1..4
    N11 = 1021, N21, N31, N41, N51,      // PathDef 1..5
    KWin1 = 1031, KWin2,                 // save, restore
    pmsScreenSaver = 1041,
    pmsExit = 1051,
    pmsStayOnTop = 1061, pmsHelp, pmsVersion,
};

// Builds the menu as it shows now: the format item PackDef and the folder
// item PathDef checked, a folder item only for a folder that is set.
// The caller destroys the menu.
HMENU BuildBarMenu(const Settings& settings);

}  // namespace qaz
