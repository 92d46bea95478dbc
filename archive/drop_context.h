// What the drop, archive and viewer operations work with: the host they
// call back, the settings, the drop queue and the bound outside library.
// The bar owns all four and hands them down together.
#pragma once
#include <string>

#include "archive/library_binding.h"
#include "base/path_parts.h"
#include "core/drop_queue.h"
#include "core/host.h"
#include "core/settings.h"

namespace qaz {

struct DropContext {
    Host& host;
    const Settings& settings;
    DropQueue& queue;
    LibraryBinding& binding;
};

// The default folder chosen for the last drop, ready to take a name: a
// folder stored without its final '\' gets one. Empty when none is chosen.
inline std::string TargetFolder(const DropContext& context) {
    const int target = context.queue.targetPathIndex;
    return target >= 1 && target <= 5 ? FolderPrefix(context.settings.Path[target - 1]) : std::string();
}

}  // namespace qaz
