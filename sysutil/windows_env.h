// Saving and restoring the Windows configuration files.
#pragma once

namespace qaz {

// Copies the configuration files to the backup folder (save) or back.
void CopyWindowsEnvironment(bool save);

}  // namespace qaz
