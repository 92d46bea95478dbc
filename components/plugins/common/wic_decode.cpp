#include "components/plugins/common/wic_decode.h"

#include <wincodec.h>

#include "components/plugins/common/plugin_shell.h"

namespace qaz::plugins {
namespace {

template <typename T>
struct Com {
    T* p = nullptr;
    ~Com() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

int Decode(const uint8_t* data, size_t size, codecs::Picture& out) {
    Com<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory))))
        return kSpiNoMemory;
    Com<IWICStream> stream;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))))
        return kSpiNoMemory;
    Com<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)))
        return kSpiUnknownFormat;
    Com<IWICBitmapFrameDecode> frame;
    UINT width = 0, height = 0;
    if (FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&width, &height)) || width == 0 ||
        height == 0)
        return kSpiCorrupt;
    if (size_t{width} * height > codecs::kMaxPixels) return kSpiNoMemory;
    // Every source format converts to 32-bit BGRA; indexed sources do not
    // convert to 24 bits directly everywhere.
    Com<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return kSpiCorrupt;
    std::vector<uint8_t> bgra(size_t{width} * height * 4);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(bgra.size()), bgra.data())))
        return kSpiCorrupt;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.bitsPerPixel = 24;
    out.colorDepth = 24;
    out.pixels.resize(size_t{width} * height * 3);
    for (size_t i = 0, n = size_t{width} * height; i < n; ++i) {
        out.pixels[i * 3] = bgra[i * 4 + 2];
        out.pixels[i * 3 + 1] = bgra[i * 4 + 1];
        out.pixels[i * 3 + 2] = bgra[i * 4];
    }
    double dpiX = 0, dpiY = 0;
    if (SUCCEEDED(frame->GetResolution(&dpiX, &dpiY)) && dpiX >= 1 && dpiY >= 1 && dpiX < 65536 && dpiY < 65536) {
        out.xDensity = static_cast<uint16_t>(dpiX + 0.5);
        out.yDensity = static_cast<uint16_t>(dpiY + 0.5);
    }
    return kSpiOk;
}

}  // namespace

int DecodeWithWic(const uint8_t* data, size_t size, codecs::Picture& out) {
    // The caller's thread may already have COM in another mode; that is
    // fine for an in-process object.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = Decode(data, size, out);
    if (SUCCEEDED(init)) CoUninitialize();
    return result;
}

}  // namespace qaz::plugins
