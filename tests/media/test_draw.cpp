#include "common/shell.h"
#include "media/dib.h"
#include "media/draw.h"
#include "tests/media/picturetest.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <array>
#include <string>

using namespace pictest;

namespace {

constexpr COLORREF GREEN = RGB(0, 200, 0);

// A true-colour picture: red above, blue below.
HGLOBAL RedOverBlue(int w, int h)
{
    HGLOBAL dib = CreateDib(w, h, NULL, 24);
    Pixels p(dib);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.Put(x, y, y < h / 2 ? RGB(255, 0, 0) : RGB(0, 0, 255));
    return dib;
}

typedef std::array<LONG, 4> Box;
Box Corners(const RECT &r)
{
    return {r.left, r.top, r.right, r.bottom};
}

TEST(Draw, ShowDibAndShowStretchDib)
{
    Dib dib(RandomDib(4, 3, 8, 5));
    Pixels p(dib);
    Canvas canvas(10, 10, GREEN);
    HGDIOBJ palette = GetCurrentObject(canvas.dc, OBJ_PAL);
    EXPECT_EQ(ShowDib(canvas.dc, dib, NULL, 0, 0), 1);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(canvas.At(i % 4, i / 4), p.Colour(i % 4, i / 4)) << i;
    EXPECT_EQ(canvas.At(4, 0), GREEN);
    EXPECT_EQ(canvas.At(0, 3), GREEN);
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PAL), palette);

    // Moved left by 1 and down by 2, within the picture's size at (0, 0). A
    // palette given for a palette display leaves the picture's colours alone.
    canvas.Fill(GREEN);
    char grey[PALETTEBYTES];
    GetDefaultPalette(grey, NULL, 8);
    EXPECT_EQ(ShowDib(canvas.dc, dib, grey, 1, 2), 1);
    EXPECT_EQ(canvas.At(0, 2), p.Colour(1, 0));
    EXPECT_EQ(canvas.At(2, 2), p.Colour(3, 0));
    EXPECT_EQ(canvas.At(0, 3), GREEN);

    // 2.5 times: 4 × 3 becomes 10 × 7.
    canvas.Fill(GREEN);
    EXPECT_EQ(ShowStretchDib(canvas.dc, dib, NULL, 0, 0, 2500), 1);
    EXPECT_EQ(canvas.At(0, 0), p.Colour(0, 0));
    EXPECT_EQ(canvas.At(9, 6), p.Colour(3, 2));
    EXPECT_EQ(canvas.At(9, 7), GREEN);

    EXPECT_EQ(ShowDib(canvas.dc, NULL, NULL, 0, 0), 0);
    EXPECT_EQ(ShowStretchDib(canvas.dc, NULL, NULL, 0, 0, 1000), 0);
}

TEST(Draw, FittedAndCentredPlacement)
{
    Dib dib(RedOverBlue(100, 50)), small(RedOverBlue(20, 10)), wide(RedOverBlue(60, 10));
    Canvas canvas(320, 340);
    RECT area{10, 20, 310, 320}, drawn;
    COMMONDrawBitmapInRect(canvas.dc, &area, dib, &drawn); // scale 300: 300 × 150, 75 down
    EXPECT_EQ(Corners(drawn), (Box{10, 95, 310, 245}));
    EXPECT_EQ(canvas.At(10, 95), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(309, 244), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(160, 94) | canvas.At(160, 245) | canvas.At(9, 150), RGB(0, 0, 0));
    RECT square{0, 0, 50, 50}; // scale 50: 50 × 25, 12 down
    COMMONDrawBitmapInRect(canvas.dc, &square, dib, &drawn);
    EXPECT_EQ(Corners(drawn), (Box{0, 12, 50, 37}));

    // Nothing to fit into, or nothing to fit: nothing drawn.
    canvas.Fill(RGB(0, 0, 0));
    RECT empty{10, 10, 10, 200};
    COMMONDrawBitmapInRect(canvas.dc, &empty, dib, &drawn);
    EXPECT_EQ(Corners(drawn), (Box{0, 0, 0, 0}));
    drawn = RECT{1, 1, 1, 1};
    COMMONDrawBitmapInRect(canvas.dc, &area, NULL, &drawn);
    EXPECT_EQ(Corners(drawn), (Box{0, 0, 0, 0}));
    EXPECT_EQ(canvas.At(160, 160), RGB(0, 0, 0));

    RECT box{5, 5, 45, 45};
    COMMONDrawBitmapInRectNoResize(canvas.dc, &box, small, &drawn);
    EXPECT_EQ(Corners(drawn), (Box{15, 20, 35, 30}));
    EXPECT_EQ(canvas.At(15, 20), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(14, 20), RGB(0, 0, 0));
    COMMONDrawBitmapInRectNoResize(canvas.dc, &box, wide, &drawn); // wider: from the left edge, unclipped
    EXPECT_EQ(Corners(drawn), (Box{5, 20, 65, 30}));
    EXPECT_EQ(canvas.At(64, 29), RGB(0, 0, 255));
    COMMONDrawBitmapInRectNoResize(canvas.dc, &box, NULL, &drawn);
    EXPECT_EQ(Corners(drawn), (Box{0, 0, 0, 0}));
}

// Whatever text and background colours the DC has, only the key's pixels
// let the background through.
TEST(Draw, TransparentDrawingOnEveryDepth)
{
    const COLORREF key = RGB(255, 0, 255);
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        Dib dib(RandomDib(9, 5, bits, 40));
        Pixels p(dib);
        if (bits <= 8) {
            p.Table()[1] = RGBQUAD{255, 0, 255, 0};
            if (bits > 1)
                p.Table()[3] = RGBQUAD{255, 0, 255, 0}; // only the first entry of the colour is the key
        } else {
            p.Put(0, 0, key | (bits == 32 ? 0xFF000000 : 0)); // a fourth byte is no part of the colour
            p.Put(1, 0, RGB(255, 0, 254));                    // one off in any component: drawn
            p.Put(2, 0, RGB(254, 0, 255));
            p.Put(3, 0, RGB(255, 1, 255));
            p.Put(4, 1, key);
        }
        Canvas canvas(11, 7, GREEN);
        SetTextColor(canvas.dc, RGB(255, 0, 0));
        SetBkColor(canvas.dc, RGB(0, 0, 255));
        EXPECT_EQ(ShowTransparentDib(canvas.dc, NULL, p.header, 1, 2, key), 1);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x) {
                unsigned long v = p.Get(x, y);
                bool through = bits <= 8 ? v == 1 : (v & 0xFFFFFF) == key;
                ASSERT_EQ(canvas.At(x + 1, y + 2), through ? GREEN : p.Shown(v)) << x << "," << y;
            }
        EXPECT_EQ(canvas.At(0, 2), GREEN);
        EXPECT_EQ(canvas.At(10, 6), GREEN);
        EXPECT_EQ(GetTextColor(canvas.dc), RGB(255, 0, 0));
        EXPECT_EQ(GetBkColor(canvas.dc), RGB(0, 0, 255));

        // A colour no pixel has: the whole picture is drawn.
        canvas.Fill(GREEN);
        EXPECT_EQ(ShowTransparentDib(canvas.dc, NULL, p.header, 0, 0, RGB(1, 2, 3)), 1);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(canvas.At(x, y), p.Colour(x, y));
    }
}

TEST(Draw, CropImageAndCropDibOnEveryDepth)
{
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        Dib src(RandomDib(40, 30, bits, 7));
        Pixels in(src);
        RECT r{10, 20, 30, 25};
        Dib crop(CropImage(src, &r));
        ASSERT_TRUE(crop);
        Pixels out(crop);
        ASSERT_EQ(out.Width() * 1000 + out.Height() * 100 + out.Bits(), 20 * 1000 + 5 * 100 + bits);
        if (bits <= 8) {
            EXPECT_EQ(memcmp(out.Table(), in.Table(), 4 << bits), 0);
        }
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 20; ++j)
                ASSERT_EQ(out.Get(j, i), in.Get(10 + j, 20 + i));

        // Placed at (3, 5) in a rectangle reaching past it on every side.
        unsigned long fill = bits == 1 ? 1 : bits == 4 ? 9 : bits == 8 ? 0xEF : 0xABCDEF;
        RECT around{-4, 2, 46, 40};
        Dib placed(CropDib(src, 3, 5, &around, (int)fill));
        ASSERT_TRUE(placed);
        Pixels o(placed);
        for (int i = 0; i < 38; ++i)
            for (int j = 0; j < 50; ++j) {
                int sx = around.left + j - 3, sy = around.top + i - 5;
                bool inside = sx >= 0 && sx < 40 && sy >= 0 && sy < 30;
                ASSERT_EQ(o.Get(j, i), inside ? in.Get(sx, sy) : fill) << j << "," << i;
            }
        RECT none{5, 5, 5, 9};
        EXPECT_FALSE(Dib(CropImage(src, &none)));
    }
}

TEST(Draw, PromoteGivesEveryPixelItsColour)
{
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        Dib src(RandomDib(13, 4, bits, 11));
        Pixels in(src);
        if (bits == 1) // black and red: red where bits are set
            in.Table()[0] = RGBQUAD{0, 0, 0, 0}, in.Table()[1] = RGBQUAD{0, 0, 255, 0};
        auto before = Bytes(src);
        Dib out(COMMONPromoteToTrueColour(src));
        ASSERT_TRUE(out);
        Pixels o(out);
        EXPECT_EQ(o.Bits(), 24);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(o.Get(x, y), in.Colour(x, y));
        EXPECT_EQ(Bytes(src), before);
    }
    // Rows of other depths are not three bytes a pixel: refused, not overrun.
    Dib sixteen(HandMadeDib(5, 5, 16, 40));
    EXPECT_FALSE(Dib(COMMONPromoteToTrueColour(sixteen)));
}

TEST(Draw, DeviceBitmapsToDibsAndOntoDCs)
{
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 7, 5);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            SetPixel(memory, x, y, RGB(x * 30, y * 40, 99));
    SelectObject(memory, old);
    DeleteDC(memory);
    Dib dib(BitmapToDIB(screen, bitmap, NULL));
    ASSERT_TRUE(dib);
    {
        Pixels p(dib);
        EXPECT_EQ(p.Bits() * 100 + p.Width() * 10 + p.Height(), 2475);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(p.Get(x, y), RGB(x * 30, y * 40, 99));
    }
    Canvas canvas(10, 10, GREEN);
    EXPECT_EQ(ShowBitmap(canvas.dc, 2, 3, bitmap), 1);
    EXPECT_EQ(canvas.At(2, 3), RGB(0, 0, 99));
    EXPECT_EQ(canvas.At(8, 7), RGB(180, 160, 99));
    EXPECT_EQ(canvas.At(9, 7), GREEN);
    EXPECT_EQ(ShowBitmap(canvas.dc, 0, 0, NULL), 0);
    DeleteObject(bitmap);

    const BYTE rows[6] = {0x80, 0, 0x40, 0, 0x20, 0}; // one set bit per row, moving right
    HBITMAP mono = CreateBitmap(9, 3, 1, 1, rows);
    Dib monodib(BitmapToDIB(screen, mono, NULL));
    DeleteObject(mono);
    ASSERT_TRUE(monodib);
    Pixels p(monodib);
    EXPECT_EQ(p.Bits(), 1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(p.Colour(x, y), x == y ? RGB(255, 255, 255) : RGB(0, 0, 0));
    EXPECT_FALSE(Dib(BitmapToDIB(screen, NULL, NULL)));
    ReleaseDC(NULL, screen);
}

TEST(Draw, DerivativePaths)
{
    char out[MAX_PATH];
    EXPECT_STREQ(CreateDerivativePath(out, "C:\\shows\\demo.exe", "Duplicate_"), "C:\\shows\\Duplicate_demo.exe");
    EXPECT_STREQ(CreateDerivativePath(out, "demo", "Copy of "), "Copy of demo");
    EXPECT_STREQ(CreateDerivativePath(out, "C:\\a.b\\name", "x"), "C:\\a.b\\xname");
    EXPECT_STREQ(CreateDerivativePath(out, "C:name.txt", "x"), "C:xname.txt");

    // Parts of 255 characters and a 10-character prefix: too long.
    std::string full = "C:\\" + std::string(240, 'f') + "\\nnnnnnn.exe";
    ASSERT_EQ(full.size(), 255u);
    EXPECT_EQ(std::string(CreateDerivativePath(out, full.c_str(), "Duplicate_")), full);
    EXPECT_EQ(std::string(CreateDerivativePath(out, full.c_str(), "Dup")),
              "C:\\" + std::string(240, 'f') + "\\Dupnnnnnnn.exe");
}

TEST(Draw, ColourButtonSwatch)
{
    HWND dialog = sbtest::CreateTestWindow(false);
    HWND button = CreateWindowA("BUTTON", "MMMM", WS_CHILD | BS_OWNERDRAW, 0, 0, 64, 24, dialog, NULL, hInst, NULL);
    Canvas canvas(64, 24);
    SetTextColor(canvas.dc, RGB(7, 8, 9));
    DRAWITEMSTRUCT item{ODT_BUTTON, 100, 0, 0, 0, button, canvas.dc, RECT{0, 0, 64, 24}, 0};
    auto textPixels = [&](COLORREF colour) { // in the middle, clear of the edges
        int n = 0;
        for (int y = 4; y < 20; ++y)
            for (int x = 8; x < 56; ++x)
                n += canvas.At(x, y) == colour;
        return n;
    };
    EXPECT_EQ(DrawColourButton(dialog, WM_DRAWITEM, 0, &item, NULL, RGB(0, 0, 128)), 0);
    EXPECT_EQ(canvas.At(5, 12), RGB(0, 0, 128));
    EXPECT_GT(textPixels(RGB(255, 255, 255)), 0); // dark face: white text
    EXPECT_EQ(GetTextColor(canvas.dc), RGB(7, 8, 9));

    DrawColourButton(dialog, WM_DRAWITEM, 0, &item, NULL, RGB(255, 255, 0));
    EXPECT_EQ(canvas.At(5, 12), RGB(255, 255, 0));
    EXPECT_GT(textPixels(RGB(0, 0, 0)), 0);
    EXPECT_EQ(textPixels(RGB(255, 255, 255)), 0);

    item.itemState = ODS_DISABLED; // the face colour of buttons, and no text
    DrawColourButton(dialog, WM_DRAWITEM, 0, &item, NULL, RGB(255, 255, 0));
    EXPECT_EQ(textPixels(GetSysColor(COLOR_BTNFACE)), 48 * 16);
    DestroyWindow(dialog);
}

} // namespace
