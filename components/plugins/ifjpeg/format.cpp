// ifjpeg.spi: JPEG through our own decoder, straight into the bottom-up
// bitmap; the Windows Imaging Component reads what ours refuses
// (arithmetic coding, 12-bit samples, lossless, CMYK).
#include "components/codecs/jpeg.h"
#include "components/plugins/common/plugin_shell.h"
#include "components/plugins/common/wic_decode.h"

namespace qaz::plugins {
namespace {

bool IsJpeg(const uint8_t* p, size_t n) { return n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF; }

int DescribeJpeg(const uint8_t* data, size_t size, PictureInfo& info) {
    codecs::JpegHeader header;
    const codecs::DecodeStatus status = codecs::ReadJpegHeader(data, size, header);
    if (status == codecs::DecodeStatus::Unsupported) return DescribeWithWic(data, size, info);
    if (status != codecs::DecodeStatus::Ok) return ResultOf(status);
    info = PictureInfo{0, 0, header.width, header.height, header.xDensity, header.yDensity, 24, nullptr};
    return kSpiOk;
}

int DecodeJpegDib(const uint8_t* data, size_t size, Dib& out) {
    uint8_t* bits = nullptr;
    const codecs::DecodeStatus status = codecs::DecodeJpeg(
        data, size,
        [&](const codecs::JpegHeader& header, ptrdiff_t& stride) -> uint8_t* {
            size_t rowBytes = 0;
            if (!AllocateDib(header.width, header.height, 24, 0, out, rowBytes)) return nullptr;
            bits = static_cast<uint8_t*>(LocalLock(out.bits));
            stride = -static_cast<ptrdiff_t>(rowBytes);
            return bits + (static_cast<size_t>(header.height) - 1) * rowBytes;
        },
        codecs::JpegOrder::Bgr);
    if (bits) LocalUnlock(out.bits);
    if (status == codecs::DecodeStatus::Ok) return kSpiOk;
    FreeDib(out);
    if (status == codecs::DecodeStatus::Unsupported) return DecodeDibWithWic(data, size, out);
    return ResultOf(status);
}

}  // namespace

const PluginFormat kFormat = {{"00IN", "QAZ JPEG plug-in", "*.jpg;*.jpe;*.jpeg", "JPEG file"}, IsJpeg, nullptr, DescribeJpeg,
                              DecodeJpegDib};
}  // namespace qaz::plugins
