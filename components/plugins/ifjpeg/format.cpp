// ifjpeg.spi: JPEG through the Windows Imaging Component.
#include "components/plugins/common/plugin_shell.h"
#include "components/plugins/common/wic_decode.h"

namespace qaz::plugins {
namespace {
bool IsJpeg(const uint8_t* p, size_t n) { return n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF; }
}  // namespace
const PluginFormat kFormat = {{"00IN", "QAZ JPEG plug-in", "*.jpg;*.jpe;*.jpeg", "JPEG file"}, IsJpeg, nullptr, DescribeWithWic,
                              DecodeDibWithWic};
}  // namespace qaz::plugins
