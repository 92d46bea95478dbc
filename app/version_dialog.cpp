#include "app/version_dialog.h"

#include "base/info_box.h"
#include "core/version.h"

namespace qaz {

void ShowVersionDialog(HWND /*owner*/) {
    // Until the dialog of its own exists, the version is told in a box.
    InfoBox(QAZ_PRODUCT_LINE);
}

}  // namespace qaz
