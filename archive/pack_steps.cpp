#include "archive/pack_steps.h"

#include "app/bar_window.h"
#include "archive/library_binding.h"
#include "intake/classify.h"

namespace qaz {

int PackerKind(int format) { return format == 1 ? 9 : format + 10; }

bool PreparePacking(BarWindow& bar, PackJob& job) {
    bar.StartAnimation();
    int kind = PackerKind(job.format);
    ClassifyAndBind(bar, kPackModeName, kind, false);
    if (kind == -1) {
        bar.StopAnimation();
        return false;
    }
    // The archive name and the list of items are settled from here.
    return true;
}

void PackItem(BarWindow& /*bar*/, PackJob& /*job*/, const std::string& /*name*/) {
    // Each item becomes a line of the list file, or is encoded on its own.
}

void CloseItemList(PackJob& /*job*/) {}

void FinishPacking(BarWindow& bar, PackJob& /*job*/) {
    WaitWhileRunning();
    // The packing and self-extracting commands are run from here.
    UnbindLibrary();
    bar.StopAnimation();
}

}  // namespace qaz
