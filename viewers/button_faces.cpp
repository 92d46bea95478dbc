#include "viewers/button_faces.h"

#include <initializer_list>

#include "base/gdi.h"

namespace qaz {

namespace {

constexpr COLORREF kRed = RGB(224, 0, 0);
constexpr COLORREF kGreen = RGB(0, 176, 0);
constexpr COLORREF kBlue = RGB(0, 0, 160);

void FillBox(HDC dc, int l, int t, int r, int b, COLORREF colour) {
    FillSolid(dc, RECT{l, t, r, b}, colour);
}

void FillShape(HDC dc, const POINT* points, int count, COLORREF colour) {
    OwnedBrush brush(CreateSolidBrush(colour));
    Owned<HPEN, GdiObjectTraits> pen(CreatePen(PS_SOLID, 1, colour));
    Selected withBrush(dc, brush.get()), withPen(dc, pen.get());
    Polygon(dc, points, count);
}

void Stroke(HDC dc, const POINT* points, int count, COLORREF colour) {
    Owned<HPEN, GdiObjectTraits> pen(CreatePen(PS_SOLID, 2, colour));
    Selected withPen(dc, pen.get());
    Polyline(dc, points, count);
}

// Blue ground with a pair of eyes looking out over the letter.
void DrawEyes(HDC dc) {
    FillBox(dc, 0, 0, 16, 16, kBlue);
    for (const int x : {2, 9}) {
        FillBox(dc, x, 1, x + 5, 5, RGB(255, 255, 255));
        FillBox(dc, x + 2, 2, x + 4, 4, RGB(0, 0, 0));
    }
}

}  // namespace

HBITMAP DrawButtonFace(ButtonFace face) {
    const int width = face == ButtonFace::Close ? 10 : 16, height = face == ButtonFace::Close ? 7 : 16;
    HBITMAP bitmap = CreateCompatibleBitmap(WindowDc(nullptr).get(), width, height);
    MemoryDc memory;
    Selected selection(memory.get(), bitmap);
    HDC dc = memory.get();
    FillBox(dc, 0, 0, width, height, GetSysColor(COLOR_BTNFACE));
    switch (face) {
        case ButtonFace::Back: {
            FillBox(dc, 2, 3, 4, 13, kRed);
            const POINT a[] = {{9, 3}, {4, 8}, {9, 13}}, b[] = {{14, 3}, {9, 8}, {14, 13}};
            FillShape(dc, a, 3, kGreen);
            FillShape(dc, b, 3, kGreen);
            break;
        }
        case ButtonFace::Next: {
            const POINT a[] = {{1, 3}, {6, 8}, {1, 13}}, b[] = {{6, 3}, {11, 8}, {6, 13}};
            FillShape(dc, a, 3, kGreen);
            FillShape(dc, b, 3, kGreen);
            FillBox(dc, 12, 3, 14, 13, kRed);
            break;
        }
        case ButtonFace::Play: {
            const POINT p[] = {{4, 2}, {12, 8}, {4, 14}};
            FillShape(dc, p, 3, kGreen);
            break;
        }
        case ButtonFace::Stop: FillBox(dc, 3, 3, 13, 13, kRed); break;
        case ButtonFace::AutoOn: {
            DrawEyes(dc);
            const POINT legs[] = {{4, 15}, {8, 6}, {12, 15}}, bar[] = {{6, 12}, {11, 12}};
            Stroke(dc, legs, 3, RGB(0, 255, 0));
            Stroke(dc, bar, 2, RGB(0, 255, 0));
            break;
        }
        case ButtonFace::AutoOff: {
            DrawEyes(dc);
            const POINT m[] = {{3, 15}, {3, 7}, {8, 12}, {13, 7}, {13, 15}};
            Stroke(dc, m, 5, RGB(255, 40, 40));
            break;
        }
        case ButtonFace::Close:
            // A raised bar: light above and left, dark below and right.
            FillBox(dc, 2, 2, 8, 5, GetSysColor(COLOR_BTNFACE));
            FillBox(dc, 2, 2, 8, 3, GetSysColor(COLOR_BTNHIGHLIGHT));
            FillBox(dc, 2, 2, 3, 5, GetSysColor(COLOR_BTNHIGHLIGHT));
            FillBox(dc, 2, 4, 8, 5, GetSysColor(COLOR_BTNSHADOW));
            FillBox(dc, 7, 2, 8, 5, GetSysColor(COLOR_BTNSHADOW));
            break;
    }
    return bitmap;
}

}  // namespace qaz
