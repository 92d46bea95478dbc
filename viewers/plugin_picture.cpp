#include "viewers/plugin_picture.h"

#include <vector>

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
    ~OwnedHandles() {
        if (bits) LocalFree(bits);
        if (header) LocalFree(header);
    }
};

}  // namespace

bool DecodePluginPicture(int kind, const std::string& path, GetPictureFn picture, GetPictureInfoFn info, HDC dc,
                   DecodedPicture& out) {
    out = DecodedPicture{};
    if (!picture || kind < 1 || kind > 8) return false;
    std::vector<char> name(path.begin(), path.end());
    name.push_back(0);
    LONG offset = 0;
    if (kind == 1) {
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
    if (kind != 1 && result == 2) {
        if (handles.header) LocalFree(handles.header);
        if (handles.bits) LocalFree(handles.bits);
        handles = OwnedHandles{};
        result = picture(name.data(), 128, 0, &handles.header, &handles.bits, nullptr, 0);
    }
    if (result != 0 || !handles.header || !handles.bits) return false;

    auto* bmi = static_cast<BITMAPINFO*>(LocalLock(handles.header));
    void* bits = LocalLock(handles.bits);
    bool ok = false;
    if (bmi && bits && bmi->bmiHeader.biWidth > 0 && bmi->bmiHeader.biHeight != 0) {
        const int width = bmi->bmiHeader.biWidth;
        const int height = bmi->bmiHeader.biHeight < 0 ? -bmi->bmiHeader.biHeight : bmi->bmiHeader.biHeight;
        HDC screen = GetDC(nullptr);
        const int screenBits = GetDeviceCaps(screen, BITSPIXEL);
        ReleaseDC(nullptr, screen);
        const int entries = kind == 1 ? 0 : PaletteEntryCount(bmi->bmiHeader, screenBits);
        if (entries) {
            std::vector<BYTE> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<size_t>(entries));
            auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
            logical->palVersion = 0x300;
            logical->palNumEntries = static_cast<WORD>(entries);
            for (int i = 0; i < entries; ++i) {
                const RGBQUAD q = bmi->bmiColors[i];
                logical->palPalEntry[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
            }
            out.palette = CreatePalette(logical);
            if (out.palette) {
                HPALETTE old = SelectPalette(dc, out.palette, FALSE);
                RealizePalette(dc);
                SelectPalette(dc, old, FALSE);
            }
        }
        HBITMAP work = CreateCompatibleBitmap(dc, width, height);
        if (work && SetDIBits(dc, work, 0, static_cast<UINT>(height), bits, bmi, DIB_RGB_COLORS) > 0) {
            out.bitmap = work;
            ok = true;
        } else if (work) {
            DeleteObject(work);
        }
    }
    LocalUnlock(handles.bits);
    LocalUnlock(handles.header);
    if (!ok) {
        if (out.palette) DeleteObject(out.palette);
        out = DecodedPicture{};
        return false;
    }

    // Pictures of kinds 4 and 5 carry pixel densities; the info call reads
    // them from the start of the file.
    if ((kind == 4 || kind == 5) && info) {
        PictureInfo record{};
        if (info(name.data(), 0, 0, &record) == 0) {
            if (record.info) LocalFree(record.info);
            BITMAP bm{};
            GetObject(out.bitmap, sizeof bm, &bm);
            const SIZE size = AspectCorrectedSize(bm.bmWidth, bm.bmHeight, record.xDensity, record.yDensity);
            if (size.cx != bm.bmWidth || size.cy != bm.bmHeight) {
                HDC from = CreateCompatibleDC(dc), to = CreateCompatibleDC(dc);
                HBITMAP stretched = CreateCompatibleBitmap(dc, size.cx, size.cy);
                if (from && to && stretched) {
                    HGDIOBJ oldFrom = SelectObject(from, out.bitmap), oldTo = SelectObject(to, stretched);
                    SetStretchBltMode(to, COLORONCOLOR);
                    StretchBlt(to, 0, 0, size.cx, size.cy, from, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
                    SelectObject(from, oldFrom);
                    SelectObject(to, oldTo);
                    DeleteObject(out.bitmap);
                    out.bitmap = stretched;
                } else if (stretched) {
                    DeleteObject(stretched);
                }
                if (from) DeleteDC(from);
                if (to) DeleteDC(to);
            }
        }
    }
    return true;
}

}  // namespace qaz
