// What the drop, archive and viewer operations work with: the host they
// call back, the settings, the drop queue and the bound outside library.
// The bar owns all four and hands them down together.
#pragma once
#include "archive/library_binding.h"
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

}  // namespace qaz
