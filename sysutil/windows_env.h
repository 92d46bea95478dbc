// Saving and restoring the Windows configuration files.
#pragma once
#include "core/host.h"

namespace qaz {

// Copies the configuration files to the backup folder "qaz_win" beside the
// program (save) or, after asking, back to their places (restore). The time
// of a save is kept as DateWin only when every file in use was saved; the
// files that were not are named in a message, and their old copies stay. A
// restore without a save does nothing.
void CopyWindowsEnvironment(Host& host, bool save);

}  // namespace qaz
