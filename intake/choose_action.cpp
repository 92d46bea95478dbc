#include "intake/action.h"

#include <windows.h>

#include "base/info_box.h"

namespace qaz {

namespace {

bool Held(int key) { return (GetKeyState(key) & 0x80) != 0; }

int (*chooserInUse)(DropContext&) = nullptr;

}  // namespace

void SetFunctionChooser(int (*chooser)(DropContext&)) { chooserInUse = chooser; }

int ChooseAction(DropContext& context) {
    SetForegroundWindow(context.host.OwnerWindow());
    int action = actView;
    if (Held(VK_CONTROL))
        action = actArchive;
    else if (Held(VK_SHIFT))
        action = actSfx;
    else if (Held(VK_MENU))
        action = actRename;

    context.queue.targetPathIndex = context.settings.PathDef;
    for (int digit = 1; digit <= 5; ++digit) {
        if (!Held('0' + digit)) continue;
        context.queue.targetPathIndex = digit;
        InfoBox("対象フォルダは \"" + context.settings.Path[digit - 1] + "\" です");
        break;
    }

    if (HasAction(action, actRename)) return chooserInUse ? chooserInUse(context) : ChooseFunction(context);
    return action;
}

}  // namespace qaz
