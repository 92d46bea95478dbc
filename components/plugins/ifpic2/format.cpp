// ifpic2.spi: PIC2 pictures through our own decoder.
#include "components/codecs/pic2.h"
#include "components/plugins/common/plugin_shell.h"

namespace qaz::plugins {
namespace {
int Decode(const uint8_t* data, size_t size, codecs::Picture& out) {
    return ResultOf(codecs::DecodePic2(data, size, out));
}
}  // namespace
const PluginFormat kFormat = {{"00IN", "QAZ PIC2 plug-in", "*.p2", "PIC2 file"}, codecs::LooksLikePic2, Decode, nullptr,
                              nullptr};
}  // namespace qaz::plugins
