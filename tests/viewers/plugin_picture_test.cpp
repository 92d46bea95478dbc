// The palette rule, the aspect correction and the order of plug-in calls.
#include "viewers/plugin_picture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace qaz;

TEST(PaletteRule, OnlyPalettedPicturesOnEightBitScreens) {
    BITMAPINFOHEADER h{};
    h.biBitCount = 8;
    EXPECT_EQ(PaletteEntryCount(h, 8), 256) << "colours-used 0 means all 256";
    h.biClrUsed = 40;
    EXPECT_EQ(PaletteEntryCount(h, 8), 40);
    h.biClrUsed = 0;
    h.biBitCount = 4;
    EXPECT_EQ(PaletteEntryCount(h, 8), 16);
    h.biBitCount = 1;
    EXPECT_EQ(PaletteEntryCount(h, 8), 2);
    h.biBitCount = 24;
    EXPECT_EQ(PaletteEntryCount(h, 8), 0) << "24 bits need none";
    h.biBitCount = 8;
    EXPECT_EQ(PaletteEntryCount(h, 16), 0);
    EXPECT_EQ(PaletteEntryCount(h, 24), 0);
}

TEST(AspectCorrection, DensitiesStretchOneSide) {
    SIZE s = AspectCorrectedSize(100, 80, 1, 2);
    EXPECT_EQ(s.cx, 200);
    EXPECT_EQ(s.cy, 80);
    s = AspectCorrectedSize(100, 80, 2, 1);
    EXPECT_EQ(s.cx, 100);
    EXPECT_EQ(s.cy, 160);
    s = AspectCorrectedSize(100, 80, 3, 3);
    EXPECT_EQ(s.cx, 100);
    EXPECT_EQ(s.cy, 80);
    s = AspectCorrectedSize(100, 80, 0, 2);
    EXPECT_EQ(s.cx, 100) << "a density of 0 applies nothing";
    EXPECT_EQ(s.cy, 80);
}

namespace {

std::vector<LONG> g_offsets;
int g_resultAt0 = 0;
WORD g_xDensity = 1, g_yDensity = 1;

int WINAPI FakePicture(LPSTR, LONG offset, UINT, HANDLE* header, HANDLE* bits, FARPROC, LONG_PTR) {
    g_offsets.push_back(offset);
    if (offset == 0 && g_resultAt0) return g_resultAt0;
    *header = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER));
    auto* h = static_cast<BITMAPINFOHEADER*>(LocalLock(*header));
    h->biSize = sizeof *h;
    h->biWidth = 4;
    h->biHeight = 3;
    h->biPlanes = 1;
    h->biBitCount = 24;
    LocalUnlock(*header);
    *bits = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, 12 * 3);
    return 0;
}

int WINAPI FakeInfo(LPSTR, LONG offset, UINT, PictureInfo* info) {
    g_offsets.push_back(1000 + offset);
    if (offset == 0 && g_resultAt0) return g_resultAt0;
    *info = PictureInfo{0, 0, 4, 3, g_xDensity, g_yDensity, 24, nullptr};
    return 0;
}

}  // namespace

TEST(DecodePluginPicture, RetriesAtOffset128AsEachKindAllows) {
    HDC dc = GetDC(nullptr);
    DecodedPicture out;
    g_offsets.clear();
    g_resultAt0 = 2;
    ASSERT_TRUE(DecodePluginPicture(2, "a.gif", FakePicture, nullptr, dc, out));
    EXPECT_EQ(g_offsets, (std::vector<LONG>{0, 128}));
    DeleteObject(out.bitmap);

    g_offsets.clear();
    g_resultAt0 = 3;
    EXPECT_FALSE(DecodePluginPicture(2, "a.gif", FakePicture, nullptr, dc, out)) << "only result 2 retries";
    EXPECT_EQ(g_offsets, (std::vector<LONG>{0}));

    g_offsets.clear();
    ASSERT_TRUE(DecodePluginPicture(1, "a.jpg", FakePicture, FakeInfo, dc, out)) << "JPEG retries on any failure";
    EXPECT_EQ(g_offsets, (std::vector<LONG>{1000, 1128, 128}));
    DeleteObject(out.bitmap);
    EXPECT_FALSE(DecodePluginPicture(1, "a.jpg", FakePicture, nullptr, dc, out)) << "JPEG needs its info entry";
    ReleaseDC(nullptr, dc);
}

TEST(DecodePluginPicture, DensitiesOfPicFilesStretchTheBitmap) {
    HDC dc = GetDC(nullptr);
    g_resultAt0 = 0;
    for (auto [xd, yd, w, h] : {std::tuple{1, 2, 8, 3}, std::tuple{2, 1, 4, 6}, std::tuple{0, 1, 4, 3}}) {
        g_xDensity = static_cast<WORD>(xd);
        g_yDensity = static_cast<WORD>(yd);
        DecodedPicture out;
        ASSERT_TRUE(DecodePluginPicture(4, "a.pic", FakePicture, FakeInfo, dc, out));
        BITMAP bm{};
        GetObject(out.bitmap, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, w) << xd << ":" << yd;
        EXPECT_EQ(bm.bmHeight, h) << xd << ":" << yd;
        DeleteObject(out.bitmap);
    }
    g_xDensity = 1;
    g_yDensity = 2;
    DecodedPicture out;
    ASSERT_TRUE(DecodePluginPicture(6, "a.mag", FakePicture, FakeInfo, dc, out)) << "MAG gets no correction";
    BITMAP bm{};
    GetObject(out.bitmap, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 4);
    DeleteObject(out.bitmap);
    ReleaseDC(nullptr, dc);
}
