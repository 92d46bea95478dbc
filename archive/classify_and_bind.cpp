#include "archive/classify_and_bind.h"

#include <windows.h>

#include "core/file_kind.h"

namespace qaz {

void ClassifyAndBind(DropContext& context, const std::string& name, int& kind, bool archivesOnly) {
    LibraryBinding& binding = context.binding;
    DropQueue& queue = context.queue;
    if (name == kPackModeName) {
        if (!binding.Bind(kind, true)) kind = kindUnknown;
        return;
    }
    const Classification c = ClassifyName(name);
    kind = c.kind;
    if (c.pictureSubKind >= 0) queue.pictureSubKind = c.pictureSubKind;
    if (archivesOnly && !IsArchiveKind(kind)) return;

    if (queue.screenSaverPending) {
        // A key press ends the screen saver started for the previous entry.
        PostMessageA(reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)), WM_KEYDOWN, VK_SHIFT, 0);
        queue.screenSaverPending = false;
    }
    if (kind == kindScreenSaver) queue.screenSaverPending = true;
    if (kind < kFirstPluginKind) return;

    if (!binding.Bind(kind, false)) {
        kind = kindUnknown;
        return;
    }
    if (c.innerKind) kind = c.innerKind;
}

}  // namespace qaz
