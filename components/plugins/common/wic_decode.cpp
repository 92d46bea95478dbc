#include "components/plugins/common/wic_decode.h"

#include <wincodec.h>

#include <vector>

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

// COM for the call: the caller's thread may already have it in another
// mode, which is fine for in-process objects.
struct ComScope {
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~ComScope() {
        if (SUCCEEDED(init)) CoUninitialize();
    }
};

struct Frame {
    Com<IWICImagingFactory> factory;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    UINT width = 0, height = 0;
};

int OpenFrame(const uint8_t* data, size_t size, Frame& f) {
    if (size > 0xFFFFFFFFu) return kSpiNoMemory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&f.factory))))
        return kSpiNoMemory;
    if (FAILED(f.factory->CreateStream(&f.stream)) ||
        FAILED(f.stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))))
        return kSpiNoMemory;
    if (FAILED(f.factory->CreateDecoderFromStream(f.stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &f.decoder)))
        return kSpiUnknownFormat;
    if (FAILED(f.decoder->GetFrame(0, &f.frame)) || FAILED(f.frame->GetSize(&f.width, &f.height)) ||
        f.width == 0 || f.height == 0)
        return kSpiCorrupt;
    // Checked in 64 bits: width * height of a forged TIFF wraps 32 bits.
    size_t pixels = 0;
    if (f.width > 0x7FFFFFFF || f.height > 0x7FFFFFFF || !codecs::CheckedSize(f.width, f.height, 1, pixels))
        return kSpiNoMemory;
    return kSpiOk;
}

void Densities(IWICBitmapFrameDecode* frame, WORD& x, WORD& y) {
    double dpiX = 0, dpiY = 0;
    x = y = 1;
    if (SUCCEEDED(frame->GetResolution(&dpiX, &dpiY)) && dpiX >= 1 && dpiY >= 1 && dpiX < 65536 && dpiY < 65536) {
        x = static_cast<WORD>(dpiX + 0.5);
        y = static_cast<WORD>(dpiY + 0.5);
    }
}

}  // namespace

int DescribeWithWic(const uint8_t* data, size_t size, PictureInfo& info) {
    ComScope com;
    Frame f;
    const int result = OpenFrame(data, size, f);
    if (result != kSpiOk) return result;
    WORD x, y;
    Densities(f.frame.p, x, y);
    info = PictureInfo{0, 0, static_cast<LONG>(f.width), static_cast<LONG>(f.height), x, y, 24, nullptr};
    return kSpiOk;
}

int DecodeDibWithWic(const uint8_t* data, size_t size, Dib& out) {
    ComScope com;
    Frame f;
    int result = OpenFrame(data, size, f);
    if (result != kSpiOk) return result;
    // A JPEG frame already is 24-bit BGR, the bitmap's own layout: its rows
    // are copied straight into place. Other sources go through 32-bit BGRA
    // (indexed ones do not convert to 24 bits everywhere), a row at a time.
    WICPixelFormatGUID format{};
    const bool direct = SUCCEEDED(f.frame->GetPixelFormat(&format)) && format == GUID_WICPixelFormat24bppBGR;
    IWICBitmapSource* source = f.frame.p;
    Com<IWICFormatConverter> converter;
    if (!direct) {
        if (FAILED(f.factory->CreateFormatConverter(&converter)) ||
            FAILED(converter->Initialize(f.frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                         0.0, WICBitmapPaletteTypeCustom)))
            return kSpiCorrupt;
        source = converter.p;
    }
    size_t stride = 0;
    if (!AllocateDib(static_cast<int>(f.width), static_cast<int>(f.height), 24, 0, out, stride)) return kSpiNoMemory;
    std::vector<BYTE> bgra(direct ? 0 : size_t{f.width} * 4);
    auto* bits = static_cast<BYTE*>(LocalLock(out.bits));
    // The rows go bottom-up: each lands in its place.
    result = kSpiOk;
    for (UINT y = 0; y < f.height && result == kSpiOk; ++y) {
        const WICRect row{0, static_cast<INT>(y), static_cast<INT>(f.width), 1};
        BYTE* dst = bits + (f.height - 1 - y) * stride;
        if (direct) {
            if (FAILED(source->CopyPixels(&row, static_cast<UINT>(stride), f.width * 3, dst))) result = kSpiCorrupt;
            continue;
        }
        if (FAILED(source->CopyPixels(&row, f.width * 4, f.width * 4, bgra.data()))) {
            result = kSpiCorrupt;
            continue;
        }
        for (UINT x = 0; x < f.width; ++x) {
            dst[x * 3] = bgra[x * 4];
            dst[x * 3 + 1] = bgra[x * 4 + 1];
            dst[x * 3 + 2] = bgra[x * 4 + 2];
        }
    }
    LocalUnlock(out.bits);
    if (result != kSpiOk) FreeDib(out);
    return result;
}

}  // namespace qaz::plugins
