// ifgif.spi: GIF through the Windows Imaging Component.
#include <cstring>

#include "components/plugins/common/plugin_shell.h"
#include "components/plugins/common/wic_decode.h"

namespace qaz::plugins {
namespace {
bool IsGif(const uint8_t* p, size_t n) { return n >= 6 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0); }
}  // namespace
const PluginFormat kFormat = {{"00IN", "QAZ GIF plug-in", "*.gif", "GIF file"}, IsGif, nullptr, DescribeWithWic,
                              DecodeDibWithWic};
}  // namespace qaz::plugins
