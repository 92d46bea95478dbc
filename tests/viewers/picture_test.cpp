// The platform's readers behind the image window.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/test_env.h"
#include "tests/support/view_files.h"
#include "viewers/decode_picture.h"

using namespace qaz;

namespace {
const LibraryBinding none;  // nothing bound
}  // namespace

namespace {

int ScreenPpi() {
    HDC dc = GetDC(nullptr);
    const int ppi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return ppi;
}

}  // namespace

TEST(NativePicture, EachReaderGivesThePictureAndItsSize) {
    qaztest::TempDir dir;
    qaztest::WriteBmp(dir.path() + "a.BmP", 37, 21);
    qaztest::WriteIco(dir.path() + "i.ico");
    qaztest::WriteEmf(dir.path() + "e.emf", 5080, 2540);  // 2 x 1 inches
    qaztest::WritePlaceableWmf(dir.path() + "w.wmf", 1440, 720, 1440);

    Picture p;
    ASSERT_TRUE(DecodePicture(0, dir.path() + "a.BmP", none, p));
    EXPECT_EQ(p.type(), Picture::Type::Bitmap);
    EXPECT_EQ(p.width(), 37);
    EXPECT_EQ(p.height(), 21);

    ASSERT_TRUE(DecodePicture(0, dir.path() + "i.ico", none, p));
    EXPECT_EQ(p.type(), Picture::Type::Icon);
    EXPECT_EQ(p.width(), 32);
    EXPECT_EQ(p.height(), 32);

    const int ppi = ScreenPpi();
    ASSERT_TRUE(DecodePicture(0, dir.path() + "e.emf", none, p));
    EXPECT_EQ(p.type(), Picture::Type::Metafile);
    EXPECT_NEAR(p.width(), 2 * ppi, 1);
    EXPECT_NEAR(p.height(), ppi, 1);

    ASSERT_TRUE(DecodePicture(0, dir.path() + "w.wmf", none, p));
    EXPECT_EQ(p.type(), Picture::Type::Metafile);
    EXPECT_EQ(p.width(), ppi);
    EXPECT_EQ(p.height(), ppi / 2);
}

TEST(NativePicture, DamagedOrMissingFilesAreRefused) {
    qaztest::TempDir dir;
    const std::string junk = "this is not a picture at all, only text that goes on for a while";
    Picture p;
    for (const char* name : {"bad.bmp", "bad.ico", "bad.wmf", "bad.emf"}) {
        qaztest::WriteBytes(dir.path() + name, junk);
        EXPECT_FALSE(DecodePicture(0, dir.path() + name, none, p)) << name;
    }
    // A bitmap cut off in the middle of its header.
    qaztest::WriteBmp(dir.path() + "cut.bmp", 20, 20);
    HANDLE h = CreateFileA((dir.path() + "cut.bmp").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFilePointer(h, 20, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
    EXPECT_FALSE(DecodePicture(0, dir.path() + "cut.bmp", none, p));
    EXPECT_FALSE(DecodePicture(0, dir.path() + "gone.bmp", none, p));
    // Plug-in kinds have no reader here yet.
    qaztest::WriteBmp(dir.path() + "x.jpg", 4, 4);
    EXPECT_FALSE(DecodePicture(1, dir.path() + "x.jpg", none, p));
}

TEST(PlaceableHeader, KeyUnitsAndFrameAreChecked) {
    unsigned char h[22] = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 100, 0, 50, 0, 0xA0, 0x05};
    PlaceableHeader header;
    ASSERT_TRUE(ReadPlaceableHeader(h, sizeof h, header));
    EXPECT_EQ(header.right, 100);
    EXPECT_EQ(header.bottom, 50);
    EXPECT_EQ(header.unitsPerInch, 1440);
    EXPECT_FALSE(ReadPlaceableHeader(h, 21, header));
    h[14] = h[15] = 0;  // no units per inch
    EXPECT_FALSE(ReadPlaceableHeader(h, sizeof h, header));
    h[14] = 0xA0;
    h[15] = 0x05;
    h[0] = 0;  // not the key
    EXPECT_FALSE(ReadPlaceableHeader(h, sizeof h, header));
}
