#include "intake/action.h"

#include <windows.h>

#include "app/bar_window.h"
#include "app/info_box.h"

namespace qaz {

namespace {

bool Held(int key) { return (GetKeyState(key) & 0x80) != 0; }

int (*chooserInUse)(BarWindow&) = nullptr;

}  // namespace

void SetFunctionChooser(int (*chooser)(BarWindow&)) { chooserInUse = chooser; }

int ChooseAction(BarWindow& bar) {
    SetForegroundWindow(bar.hwnd());
    int action = actView;
    if (Held(VK_CONTROL))
        action = actArchive;
    else if (Held(VK_SHIFT))
        action = actSfx;
    else if (Held(VK_MENU))
        action = actRename;

    bar.state.TargetPathIndex = bar.settings.PathDef;
    for (int digit = 1; digit <= 5; ++digit) {
        if (!Held('0' + digit)) continue;
        bar.state.TargetPathIndex = digit;
        InfoBox("対象フォルダは \"" + bar.settings.Path[digit - 1] + "\" です");
        break;
    }

    if (HasAction(action, actRename)) return chooserInUse ? chooserInUse(bar) : ChooseFunction(bar);
    return action;
}

}  // namespace qaz
