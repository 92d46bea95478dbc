// The work folder "~qaz" in the user's temporary folder.
#pragma once

namespace qaz {

// Deletes the work folder with everything in it. Entries that cannot be
// deleted stay behind for the next time.
void CleanWorkFolder();

}  // namespace qaz
