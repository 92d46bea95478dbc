#include "viewers/plugin_picture.h"

#include <vector>

#include "base/gdi.h"
#include "core/file_kind.h"

namespace qaz {

int PaletteEntryCount(const BITMAPINFOHEADER& header, int screenBits) {
    if (header.biBitCount > 8 || screenBits != 8) return 0;
    if (header.biClrUsed) return static_cast<int>(header.biClrUsed > 256 ? 256 : header.biClrUsed);
    switch (header.biBitCount) {
        case 8: return 256;
        case 4: return 16;
        case 1: return 2;
        default: return 0;
    }
}

SIZE AspectCorrectedSize(int width, int height, WORD xDensity, WORD yDensity) {
    if (xDensity == 0 || yDensity == 0 || xDensity == yDensity) return SIZE{width, height};
    if (xDensity < yDensity) return SIZE{static_cast<LONG>(width * yDensity / xDensity), height};
    return SIZE{width, static_cast<LONG>(height * xDensity / yDensity)};
}

namespace {

// Takes the two handles GetPicture returned and frees them on the way out.
struct OwnedHandles {
    HLOCAL header = nullptr, bits = nullptr;
    ~OwnedHandles() { Free(); }
    void Free() {
        if (bits) LocalFree(bits);
        if (header) LocalFree(header);
        bits = header = nullptr;
    }
};

// The bitmap stretched to a new size, or nullptr.
HBITMAP Stretched(HDC dc, HBITMAP bitmap, SIZE from, SIZE to) {
    MemoryDc source(dc), target(dc);
    OwnedBitmap result(CreateCompatibleBitmap(dc, to.cx, to.cy));
    if (!source || !target || !result) return nullptr;
    Selected in(source.get(), bitmap), out(target.get(), result.get());
    SetStretchBltMode(target.get(), COLORONCOLOR);
    StretchBlt(target.get(), 0, 0, to.cx, to.cy, source.get(), 0, 0, from.cx, from.cy, SRCCOPY);
    return result.Release();
}

}  // namespace

bool DecodePluginPicture(int kind, const std::string& path, GetPictureFn picture, GetPictureInfoFn info, HDC dc,
                   DecodedPicture& out) {
    out = DecodedPicture{};
    if (!picture || !IsPluginKind(kind)) return false;
    std::vector<char> name(path.begin(), path.end());
    name.push_back(0);
    LONG offset = 0;
    if (kind == kindJpeg) {
        // JPEG: the info call decides the offset; any failure retries once at 128.
        PictureInfo record{};
        if (!info) return false;
        if (info(name.data(), 0, 0, &record) != 0) {
            record = PictureInfo{};
            if (info(name.data(), 128, 0, &record) != 0) return false;
            offset = 128;
        }
        if (record.info) LocalFree(record.info);
    }
    OwnedHandles handles;
    int result = picture(name.data(), offset, 0, &handles.header, &handles.bits, nullptr, 0);
    if (kind != kindJpeg && result == 2) {
        handles.Free();
        result = picture(name.data(), 128, 0, &handles.header, &handles.bits, nullptr, 0);
    }
    if (result != 0 || !handles.header || !handles.bits) return false;

    auto* bmi = static_cast<BITMAPINFO*>(LocalLock(handles.header));
    void* bits = LocalLock(handles.bits);
    OwnedBitmap bitmap;
    OwnedPalette palette;
    if (bmi && bits && bmi->bmiHeader.biWidth > 0 && bmi->bmiHeader.biHeight != 0) {
        const int width = bmi->bmiHeader.biWidth;
        const int height = bmi->bmiHeader.biHeight < 0 ? -bmi->bmiHeader.biHeight : bmi->bmiHeader.biHeight;
        const int screenBits = GetDeviceCaps(WindowDc(nullptr).get(), BITSPIXEL);
        const int entries = kind == kindJpeg ? 0 : PaletteEntryCount(bmi->bmiHeader, screenBits);
        if (entries) {
            std::vector<BYTE> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<size_t>(entries));
            auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
            logical->palVersion = 0x300;
            logical->palNumEntries = static_cast<WORD>(entries);
            for (int i = 0; i < entries; ++i) {
                const RGBQUAD q = bmi->bmiColors[i];
                logical->palPalEntry[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
            }
            palette.Reset(CreatePalette(logical));
            if (palette) {
                HPALETTE old = SelectPalette(dc, palette.get(), FALSE);
                RealizePalette(dc);
                SelectPalette(dc, old, FALSE);
            }
        }
        bitmap.Reset(CreateCompatibleBitmap(dc, width, height));
        if (bitmap && SetDIBits(dc, bitmap.get(), 0, static_cast<UINT>(height), bits, bmi, DIB_RGB_COLORS) <= 0)
            bitmap.Reset();
    }
    LocalUnlock(handles.bits);
    LocalUnlock(handles.header);
    if (!bitmap) return false;

    // PIC and PIC2 pictures carry pixel densities; the info call reads them
    // from the start of the file.
    if ((kind == kindPic || kind == kindPic2) && info) {
        PictureInfo record{};
        if (info(name.data(), 0, 0, &record) == 0) {
            if (record.info) LocalFree(record.info);
            BITMAP bm{};
            GetObject(bitmap.get(), sizeof bm, &bm);
            const SIZE size = AspectCorrectedSize(bm.bmWidth, bm.bmHeight, record.xDensity, record.yDensity);
            if (size.cx != bm.bmWidth || size.cy != bm.bmHeight) {
                if (HBITMAP stretched = Stretched(dc, bitmap.get(), SIZE{bm.bmWidth, bm.bmHeight}, size))
                    bitmap.Reset(stretched);
            }
        }
    }
    out.bitmap = bitmap.Release();
    out.palette = palette.Release();
    return true;
}

}  // namespace qaz
