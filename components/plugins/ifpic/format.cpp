// ifpic.spi: PIC pictures through our own decoder.
#include "components/codecs/pic.h"
#include "components/plugins/common/plugin_shell.h"

namespace qaz::plugins {
namespace {
int Decode(const uint8_t* data, size_t size, codecs::Picture& out) {
    return ResultOf(codecs::DecodePic(data, size, out));
}
}  // namespace
const PluginFormat kFormat = {{"00IN", "QAZ PIC plug-in", "*.pic", "PIC file"}, codecs::LooksLikePic, Decode, nullptr,
                              nullptr};
}  // namespace qaz::plugins
