#include "archive/pack_steps.h"

#include "archive/classify_and_bind.h"
#include "core/file_kind.h"

namespace qaz {

int PackerKind(int format) {
    static const int kPackers[] = {kindLzh, kindCab, kindIsh, kindTar};
    return format >= 1 && format <= 4 ? kPackers[format - 1] : kindLzh;
}

bool PreparePacking(DropContext& context, PackJob& job) {
    context.host.StartAnimation();
    int kind = PackerKind(job.format);
    ClassifyAndBind(context, kPackModeName, kind, false);
    if (kind == kindUnknown) {
        context.host.StopAnimation();
        return false;
    }
    // The archive name and the list of items are settled from here.
    return true;
}

void PackItem(DropContext& /*context*/, PackJob& /*job*/, const std::string& /*name*/) {
    // Each item becomes a line of the list file, or is encoded on its own.
}

void CloseItemList(PackJob& /*job*/) {}

void FinishPacking(DropContext& context, PackJob& /*job*/) {
    context.binding.WaitWhileRunning();
    // The packing and self-extracting commands are run from here.
    context.binding.Unbind();
    context.host.StopAnimation();
}

}  // namespace qaz
