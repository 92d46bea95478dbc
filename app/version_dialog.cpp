#include "app/version_dialog.h"

#include "base/info_box.h"

namespace qaz {

void ShowVersionDialog(HWND /*owner*/) {
    // Until the dialog of its own exists, the version is told in a box.
    InfoBox("QAZ for win32");
}

}  // namespace qaz
