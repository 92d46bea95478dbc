#include "core/symbol.h"

#include "base/gdi.h"

#include <vector>

namespace qaz {

namespace {

// b blue, k black, s silver (the lids), w white, n navy.
const char* const kRows[kSymbolSize] = {
    "bbbbbbbbbbbbbbbb", "bbbbbbbbbbbbbbbb", "bbbbbbbbbbbbbbbb", "bbkkkkbbbbkkkkbb",
    "bksssskbbksssskb", "bksssskbbksssskb", "bkkkkkkbbkkkkkkb", "bkwkkwkbbkwkkwkb",
    "bkwkkwkbbkwkkwkb", "bbkkkkbbbbkkkkbb", "bbbbbbbbbbbbbbbb", "bbbbbbbbbbbbbbbb",
    "bbbbbbnnnnbbbbbb", "bbbbbbbbbbbbbbbb", "bbbbbbbbbbbbbbbb", "bbbbbbbbbbbbbbbb",
};

COLORREF ColourOf(char c) {
    switch (c) {
        case 'k': return RGB(0, 0, 0);
        case 's': return RGB(192, 192, 192);
        case 'w': return RGB(255, 255, 255);
        case 'n': return RGB(0, 0, 128);
        default: return RGB(0, 0, 255);
    }
}

}  // namespace

COLORREF SymbolPixel(int x, int y) {
    if (x < 0 || y < 0 || x >= kSymbolSize || y >= kSymbolSize) return RGB(0, 0, 255);
    return ColourOf(kRows[y][x]);
}

HBITMAP CreateSymbolBitmap() {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kSymbolSize;
    bi.bmiHeader.biHeight = -kSymbolSize;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp || !bits) return bmp;
    auto* px = static_cast<DWORD*>(bits);
    for (int y = 0; y < kSymbolSize; ++y)
        for (int x = 0; x < kSymbolSize; ++x) {
            const COLORREF c = SymbolPixel(x, y);
            px[y * kSymbolSize + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    return bmp;
}

HICON CreateSymbolIcon() {
    OwnedBitmap colour(CreateSymbolBitmap());
    std::vector<BYTE> maskBits(kSymbolSize * 2, 0);  // all opaque
    OwnedBitmap mask(CreateBitmap(kSymbolSize, kSymbolSize, 1, 1, maskBits.data()));
    ICONINFO ii = {};
    ii.fIcon = TRUE;
    ii.hbmColor = colour.get();
    ii.hbmMask = mask.get();
    return CreateIconIndirect(&ii);  // takes copies of both bitmaps
}

HICON ProgramIcon() {
    static const HICON icon = CreateSymbolIcon();
    return icon;
}

}  // namespace qaz
