// iftiff.spi: TIFF through the Windows Imaging Component.
#include <cstring>

#include "components/plugins/common/plugin_shell.h"
#include "components/plugins/common/wic_decode.h"

namespace qaz::plugins {
namespace {
bool IsTiff(const uint8_t* p, size_t n) {
    return n >= 4 && (std::memcmp(p, "II*\0", 4) == 0 || std::memcmp(p, "MM\0*", 4) == 0);
}
}  // namespace
const PluginFormat kFormat = {{"00IN", "QAZ TIFF plug-in", "*.tif;*.tiff", "TIFF file"}, IsTiff, nullptr, DescribeWithWic,
                              DecodeDibWithWic};
}  // namespace qaz::plugins
