// ifpi.spi: Pi pictures through our own decoder.
#include "components/codecs/pi.h"
#include "components/plugins/common/plugin_shell.h"

namespace qaz::plugins {
namespace {
int Decode(const uint8_t* data, size_t size, codecs::Picture& out) {
    return ResultOf(codecs::DecodePi(data, size, out));
}
}  // namespace
const PluginFormat kFormat = {{"00IN", "QAZ Pi plug-in", "*.pi", "Pi file"}, codecs::LooksLikePi, Decode, nullptr,
                              nullptr};
}  // namespace qaz::plugins
