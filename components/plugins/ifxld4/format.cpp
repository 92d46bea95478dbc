// ifxld4.spi: Q4 pictures through our own decoder.
#include "components/codecs/q4.h"
#include "components/plugins/common/plugin_shell.h"

namespace qaz::plugins {
namespace {
int Decode(const uint8_t* data, size_t size, codecs::Picture& out) {
    return ResultOf(codecs::DecodeQ4(data, size, out));
}
}  // namespace
const PluginFormat kFormat = {{"00IN", "QAZ Q4 plug-in", "*.q4", "Q4 file"}, codecs::LooksLikeQ4, Decode, nullptr,
                              nullptr};
}  // namespace qaz::plugins
