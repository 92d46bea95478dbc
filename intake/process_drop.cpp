#include "intake/process_drop.h"

#include "app/bar_window.h"

namespace qaz {

void ProcessDrop(BarWindow& bar, const DropSource& source) {
    // The names are not classified yet: nothing is queued for showing.
    if (source.drop) DragFinish(source.drop);
    SendMessageA(bar.dropList(), LB_RESETCONTENT, 0, 0);
    bar.state.FileCount = 0;
    bar.state.FilesPending = false;
}

}  // namespace qaz
