#include "intake/chooser_layout.h"

#include "intake/action.h"

namespace qaz {

const ChooserLabel kChooserLabels[kChooserLabelCount] = {
    {"lblView", 4, "  表示", actView},
    {"lblNArch", 28, "　書庫作成（通常）", actArchive},
    {"lblRArch", 44, "　書庫作成（ﾘﾈｰﾑ）", actArchive + actRename},
    {"lblNSFX", 68, "　自己解凍書庫作成（通常）", actSfx},
    {"lblRSFX", 84, "　自己解凍書庫作成（ﾘﾈｰﾑ）", actSfx + actRename},
    {"lblFTP", 108, "　FTPで送信", actFtp},
    {"lblCancel", 132, "　ｷｬﾝｾﾙ", actCancel},
};

POINT ChooserPlace(int barLeft, int barTop, int width, int height, int screenWidth, int screenHeight) {
    POINT p = {barLeft + 23, barTop + 21};
    if (screenWidth < p.x + width) p.x = screenWidth - width;
    if (screenHeight < p.y + height) p.y = screenHeight - height;
    return p;
}

int ChooserLabelAt(int x, int y) {
    if (x < 0 || x >= kChooserLabelWidth) return -1;
    for (int i = 0; i < kChooserLabelCount; ++i)
        if (y >= kChooserLabels[i].top && y < kChooserLabels[i].top + kChooserLabelHeight) return i;
    return -1;
}

}  // namespace qaz
