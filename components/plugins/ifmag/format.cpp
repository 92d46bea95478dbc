// ifmag.spi: MAG pictures through our own decoder.
#include "components/codecs/mag.h"
#include "components/plugins/common/plugin_shell.h"

namespace qaz::plugins {
namespace {
int Decode(const uint8_t* data, size_t size, codecs::Picture& out) {
    return ResultOf(codecs::DecodeMag(data, size, out));
}
}  // namespace
const PluginFormat kFormat = {{"00IN", "QAZ MAG plug-in", "*.mag", "MAG file"}, codecs::LooksLikeMag, Decode, nullptr,
                              nullptr};
}  // namespace qaz::plugins
