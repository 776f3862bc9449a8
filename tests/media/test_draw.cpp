#include "common/shell.h"
#include "media/dib.h"
#include "media/draw.h"
#include "media/reduce.h"
#include "tests/media/picturetest.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>

using namespace pictest;

namespace {

COLORREF TableColour(int i)
{
    return RGB(10 * i + 5, 100 + i, 200 - i);
}

// An 8-bit w × h picture whose pixel (x, y) is index y × w + x, each index
// with a colour of its own.
HGLOBAL Numbered(int w, int h)
{
    HGLOBAL dib = CreateDib(w, h, NULL, 8);
    Pixels p(dib);
    for (int i = 0; i < 256; ++i)
        p.Table()[i] = RGBQUAD{GetBValue(TableColour(i)), GetGValue(TableColour(i)), GetRValue(TableColour(i)), 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.Put(x, y, y * w + x);
    return dib;
}

// A true-colour picture: the top half one colour, the bottom half another.
HGLOBAL TwoColours(int w, int h, COLORREF top, COLORREF bottom)
{
    HGLOBAL dib = CreateDib(w, h, NULL, 24);
    Pixels p(dib);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.Put(x, y, y < h / 2 ? top : bottom);
    return dib;
}

TEST(Draw, ShowDibCopiesThePictureMovedByTheOffset)
{
    Dib dib(Numbered(4, 3));
    Canvas canvas(10, 10, RGB(1, 2, 3));
    HGDIOBJ palette = GetCurrentObject(canvas.dc, OBJ_PAL);
    EXPECT_EQ(ShowDib(canvas.dc, dib, NULL, 0, 0), 1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(canvas.At(x, y), TableColour(y * 4 + x)) << x << "," << y;
    EXPECT_EQ(canvas.At(4, 0), RGB(1, 2, 3));
    EXPECT_EQ(canvas.At(0, 3), RGB(1, 2, 3));
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PAL), palette);

    // Moved left by 1 and down by 2, within the picture's own size at (0, 0).
    canvas.Fill(RGB(1, 2, 3));
    EXPECT_EQ(ShowDib(canvas.dc, dib, NULL, 1, 2), 1);
    EXPECT_EQ(canvas.At(0, 2), TableColour(1));
    EXPECT_EQ(canvas.At(2, 2), TableColour(3));
    EXPECT_EQ(canvas.At(0, 3), RGB(1, 2, 3));

    EXPECT_EQ(ShowDib(canvas.dc, NULL, NULL, 0, 0), 0);
}

// What a palette display's painting does: reduce, then draw with the 3-3-2
// palette realised, and give the DC its palette back.
TEST(Draw, ReducedPicturesDrawInTheirPaletteColours)
{
    int saved = devicebits;
    devicebits = 8;
    char rgb[PALETTEBYTES];
    GetDefaultPalette(rgb, NULL, 6);
    Dib picture(RandomDib(16, 8, 24, 9));
    Dib reduced(DitherDib(picture, rgb, 8, 0));
    ASSERT_TRUE(reduced);
    Canvas canvas(16, 8);
    HGDIOBJ palette = GetCurrentObject(canvas.dc, OBJ_PAL);
    EXPECT_EQ(ShowDib(canvas.dc, reduced, rgb, 0, 0), 1);
    Pixels p(reduced);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            int i = (int)p.Get(x, y);
            ASSERT_EQ(canvas.At(x, y), RGB((uint8_t)rgb[3 * i], (uint8_t)rgb[3 * i + 1], (uint8_t)rgb[3 * i + 2]));
        }
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PAL), palette);
    devicebits = saved;
}

TEST(Draw, ShowStretchDibScalesByThousandths)
{
    Dib dib(Numbered(2, 2));
    Canvas canvas(8, 8, RGB(1, 2, 3));
    int mode = SetStretchBltMode(canvas.dc, HALFTONE);
    EXPECT_EQ(ShowStretchDib(canvas.dc, dib, NULL, 0, 0, 2500), 1);
    EXPECT_EQ(canvas.At(0, 0), TableColour(0));
    EXPECT_EQ(canvas.At(4, 0), TableColour(1));
    EXPECT_EQ(canvas.At(0, 4), TableColour(2));
    EXPECT_EQ(canvas.At(4, 4), TableColour(3));
    EXPECT_EQ(canvas.At(5, 0), RGB(1, 2, 3));
    EXPECT_EQ(canvas.At(0, 5), RGB(1, 2, 3));
    EXPECT_EQ(GetStretchBltMode(canvas.dc), HALFTONE);
    SetStretchBltMode(canvas.dc, mode);
    EXPECT_EQ(ShowStretchDib(canvas.dc, NULL, NULL, 0, 0, 1000), 0);
}

TEST(Draw, FitInRectangleScalesAndCentres)
{
    Dib dib(TwoColours(100, 50, RGB(255, 0, 0), RGB(0, 0, 255)));
    Canvas canvas(320, 340);
    RECT area{10, 20, 310, 320}, drawn;
    COMMONDrawBitmapInRect(canvas.dc, &area, dib, &drawn); // scale 300: 300 × 150, 75 down
    EXPECT_EQ(drawn.left, 10);
    EXPECT_EQ(drawn.top, 95);
    EXPECT_EQ(drawn.right, 310);
    EXPECT_EQ(drawn.bottom, 245);
    EXPECT_EQ(canvas.At(10, 95), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(309, 244), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(160, 94), RGB(0, 0, 0));
    EXPECT_EQ(canvas.At(160, 245), RGB(0, 0, 0));
    EXPECT_EQ(canvas.At(9, 150), RGB(0, 0, 0));

    RECT small{0, 0, 50, 50}; // scale 50: 50 × 25, 12 down
    COMMONDrawBitmapInRect(canvas.dc, &small, dib, &drawn);
    EXPECT_EQ(drawn.top, 12);
    EXPECT_EQ(drawn.right, 50);
    EXPECT_EQ(drawn.bottom, 37);

    // Nothing to fit into, or nothing to fit: nothing drawn.
    canvas.Fill(RGB(0, 0, 0));
    RECT empty{10, 10, 10, 200};
    COMMONDrawBitmapInRect(canvas.dc, &empty, dib, &drawn);
    EXPECT_TRUE(IsRectEmpty(&drawn) && drawn.left == 0 && drawn.top == 0);
    COMMONDrawBitmapInRect(canvas.dc, &area, NULL, &drawn);
    EXPECT_TRUE(drawn.left == 0 && drawn.top == 0 && drawn.right == 0 && drawn.bottom == 0);
    EXPECT_EQ(canvas.At(160, 160), RGB(0, 0, 0));
}

TEST(Draw, NoResizeCentresOrStartsAtTheCorner)
{
    Dib small(TwoColours(20, 10, RGB(0, 255, 0), RGB(0, 255, 0)));
    Dib wide(TwoColours(60, 10, RGB(0, 0, 255), RGB(0, 0, 255)));
    Canvas canvas(80, 60);
    RECT area{5, 5, 45, 45}, drawn;
    COMMONDrawBitmapInRectNoResize(canvas.dc, &area, small, &drawn);
    EXPECT_EQ(drawn.left, 15);
    EXPECT_EQ(drawn.top, 20);
    EXPECT_EQ(drawn.right, 35);
    EXPECT_EQ(drawn.bottom, 30);
    EXPECT_EQ(canvas.At(15, 20), RGB(0, 255, 0));
    EXPECT_EQ(canvas.At(14, 20), RGB(0, 0, 0));

    COMMONDrawBitmapInRectNoResize(canvas.dc, &area, wide, &drawn);
    EXPECT_EQ(drawn.left, 5);
    EXPECT_EQ(drawn.right, 65); // wider than the area: not clipped here
    EXPECT_EQ(canvas.At(64, 20), RGB(0, 0, 255));

    COMMONDrawBitmapInRectNoResize(canvas.dc, &area, NULL, &drawn);
    EXPECT_TRUE(drawn.left == 0 && drawn.top == 0 && drawn.right == 0 && drawn.bottom == 0);
}

// The DC's own text and background colours must not leak into the mask.
TEST(Draw, TransparentPaletteColourWhateverTheDCColours)
{
    HGLOBAL h = CreateDib(5, 4, NULL, 8);
    {
        Pixels p(h);
        p.Table()[0] = RGBQUAD{255, 255, 255, 0};
        p.Table()[1] = RGBQUAD{255, 0, 255, 0}; // the key
        p.Table()[2] = RGBQUAD{30, 20, 10, 0};
        p.Table()[3] = RGBQUAD{255, 0, 255, 0}; // the same colour again: only the first is the key
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                p.Put(x, y, (x + y) % 4);
    }
    Dib dib(h);
    const COLORREF table[] = {RGB(255, 255, 255), RGB(255, 0, 255), RGB(10, 20, 30), RGB(255, 0, 255)};
    Canvas canvas(12, 12, RGB(0, 200, 0));
    SetTextColor(canvas.dc, RGB(255, 0, 0));
    SetBkColor(canvas.dc, RGB(0, 0, 255));
    Pixels p(dib);
    EXPECT_EQ(ShowTransparentDib(canvas.dc, NULL, p.header, 2, 3, RGB(255, 0, 255)), 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            int i = (x + y) % 4;
            EXPECT_EQ(canvas.At(x + 2, y + 3), i == 1 ? RGB(0, 200, 0) : table[i]) << x << "," << y;
        }
    EXPECT_EQ(canvas.At(1, 3), RGB(0, 200, 0));
    EXPECT_EQ(canvas.At(7, 3), RGB(0, 200, 0));
    EXPECT_EQ(GetTextColor(canvas.dc), RGB(255, 0, 0));
    EXPECT_EQ(GetBkColor(canvas.dc), RGB(0, 0, 255));

    // A colour the table does not hold: the whole picture is opaque.
    canvas.Fill(RGB(0, 200, 0));
    EXPECT_EQ(ShowTransparentDib(canvas.dc, NULL, p.header, 0, 0, RGB(1, 2, 3)), 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(canvas.At(x, y), table[(x + y) % 4]);
}

TEST(Draw, TransparentTrueColourKeysOnTheExactColour)
{
    const COLORREF colours[] = {RGB(10, 20, 30), RGB(10, 20, 31), RGB(11, 20, 30), RGB(10, 21, 30)};
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        Dib dib(CreateDib(4, 1, NULL, bits));
        Pixels p(dib);
        for (int x = 0; x < 4; ++x)
            p.Put(x, 0, colours[x] | (bits == 32 ? 0xFF000000u : 0)); // a fourth byte is no colour
        Canvas canvas(6, 3, RGB(0, 200, 0));
        SetTextColor(canvas.dc, RGB(255, 0, 0));
        SetBkColor(canvas.dc, RGB(0, 0, 255));
        EXPECT_EQ(ShowTransparentDib(canvas.dc, NULL, p.header, 1, 1, RGB(10, 20, 30)), 1);
        EXPECT_EQ(canvas.At(1, 1), RGB(0, 200, 0));
        for (int x = 1; x < 4; ++x)
            EXPECT_EQ(canvas.At(x + 1, 1), colours[x]);
        EXPECT_EQ(canvas.At(0, 1), RGB(0, 200, 0));
    }
}

TEST(Draw, TransparentMonochromeAndSixteenColours)
{
    for (int bits : {1, 4}) {
        SCOPED_TRACE(bits);
        Dib dib(RandomDib(9, 5, bits, 40));
        Pixels p(dib);
        p.Table()[0] = RGBQUAD{0, 0, 0, 0};
        p.Table()[1] = RGBQUAD{0, 0, 255, 0};
        for (int i = 2; i < (1 << bits); ++i)
            p.Table()[i] = RGBQUAD{(BYTE)(i * 9), 0, 0, 0};
        Canvas canvas(9, 5, RGB(0, 200, 0));
        SetTextColor(canvas.dc, RGB(255, 255, 0));
        EXPECT_EQ(ShowTransparentDib(canvas.dc, NULL, p.header, 0, 0, RGB(255, 0, 0)), 1);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x) {
                unsigned long v = p.Get(x, y);
                const RGBQUAD &q = p.Table()[v];
                EXPECT_EQ(canvas.At(x, y), v == 1 ? RGB(0, 200, 0) : RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
            }
    }
}

TEST(Draw, CropImageTakesTheRectangle)
{
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        Dib src(RandomDib(40, 30, bits, 7));
        RECT r{10, 20, 30, 25};
        Dib crop(CropImage(src, &r));
        ASSERT_TRUE(crop);
        Pixels in(src), out(crop);
        ASSERT_EQ(out.Width(), 20);
        ASSERT_EQ(out.Height(), 5);
        ASSERT_EQ(out.Bits(), bits);
        if (bits <= 8) {
            EXPECT_EQ(memcmp(out.Table(), in.Table(), 4 << bits), 0);
        }
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 20; ++j)
                ASSERT_EQ(out.Get(j, i), in.Get(10 + j, 20 + i)) << j << "," << i;

        // Reaching past the picture: those pixels stay 0.
        RECT over{35, 25, 45, 35};
        Dib edge(CropImage(src, &over));
        ASSERT_TRUE(edge);
        Pixels e(edge);
        for (int i = 0; i < 10; ++i)
            for (int j = 0; j < 10; ++j)
                ASSERT_EQ(e.Get(j, i), 35 + j < 40 && 25 + i < 30 ? in.Get(35 + j, 25 + i) : 0ul);

        RECT none{5, 5, 5, 9};
        EXPECT_FALSE(Dib(CropImage(src, &none)));
    }
}

TEST(Draw, CropDibPlacesThePictureAndFillsAroundIt)
{
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        Dib src(RandomDib(12, 8, bits, 3));
        RECT r{-4, 2, 16, 14}; // 20 × 12, reaching past the picture on every side
        unsigned long fill = bits == 1 ? 1 : bits == 4 ? 9 : 0x00ABCDEF & (bits == 8 ? 0xFF : 0xFFFFFF);
        Dib crop(CropDib(src, 3, 5, &r, (int)fill));
        ASSERT_TRUE(crop);
        Pixels in(src), out(crop);
        ASSERT_EQ(out.Width(), 20);
        ASSERT_EQ(out.Height(), 12);
        for (int i = 0; i < 12; ++i)
            for (int j = 0; j < 20; ++j) {
                int sx = r.left + j - 3, sy = r.top + i - 5;
                bool inside = sx >= 0 && sx < 12 && sy >= 0 && sy < 8;
                ASSERT_EQ(out.Get(j, i), inside ? in.Get(sx, sy) : fill) << j << "," << i;
            }
    }
}

TEST(Draw, PromoteGivesEveryPixelItsColour)
{
    Dib mono(CreateDib(10, 2, NULL, 1));
    {
        Pixels p(mono);
        p.Table()[0] = RGBQUAD{0, 0, 0, 0};
        p.Table()[1] = RGBQUAD{0, 0, 255, 0}; // red
        for (int x = 0; x < 10; ++x)
            p.Put(x, x & 1, 1);
    }
    Dib red(COMMONPromoteToTrueColour(mono));
    ASSERT_TRUE(red);
    {
        Pixels out(red);
        EXPECT_EQ(out.Bits(), 24);
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(out.Get(x, x & 1), RGB(255, 0, 0));
            EXPECT_EQ(out.Get(x, 1 - (x & 1)), RGB(0, 0, 0));
        }
    }
    for (int bits : {4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        Dib src(RandomDib(13, 4, bits, 11));
        auto before = Bytes(src);
        Dib out(COMMONPromoteToTrueColour(src));
        ASSERT_TRUE(out);
        Pixels in(src), o(out);
        EXPECT_EQ(o.Bits(), 24);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 13; ++x) {
                unsigned long v = in.Get(x, y);
                if (bits <= 8) {
                    const RGBQUAD &q = in.Table()[v];
                    v = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
                }
                ASSERT_EQ(o.Get(x, y), v & 0xFFFFFF);
            }
        EXPECT_EQ(Bytes(src), before);
    }
    // Rows of other depths are not three bytes a pixel: refused, not overrun.
    Dib sixteen(HandMadeDib(5, 5, 16, 40));
    EXPECT_FALSE(Dib(COMMONPromoteToTrueColour(sixteen)));
    EXPECT_FALSE(Dib(COMMONPromoteToTrueColour(NULL)));
}

TEST(Draw, BitmapToDIBReadsDeviceBitmaps)
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
    DeleteObject(bitmap);
    ASSERT_TRUE(dib);
    {
        Pixels p(dib);
        EXPECT_EQ(p.Bits(), 24);
        EXPECT_EQ(p.Width(), 7);
        EXPECT_EQ(p.Height(), 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(p.Get(x, y), RGB(x * 30, y * 40, 99));
    }

    const BYTE rows[6] = {0x80, 0, 0x40, 0, 0x20, 0}; // one set bit per row, moving right
    HBITMAP mono = CreateBitmap(9, 3, 1, 1, rows);
    Dib monodib(BitmapToDIB(screen, mono, NULL));
    DeleteObject(mono);
    ASSERT_TRUE(monodib);
    {
        Pixels p(monodib);
        EXPECT_EQ(p.Bits(), 1);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 9; ++x) {
                const RGBQUAD &q = p.Table()[p.Get(x, y)];
                EXPECT_EQ(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue), x == y ? RGB(255, 255, 255) : RGB(0, 0, 0));
            }
    }
    EXPECT_FALSE(Dib(BitmapToDIB(screen, NULL, NULL)));
    ReleaseDC(NULL, screen);
}

TEST(Draw, ShowBitmapCopiesADeviceBitmap)
{
    Canvas canvas(10, 10, RGB(1, 2, 3));
    HBITMAP bitmap = CreateCompatibleBitmap(canvas.dc, 3, 2);
    HDC memory = CreateCompatibleDC(canvas.dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, 3, 2};
    HBRUSH brush = CreateSolidBrush(RGB(200, 100, 50));
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, old);
    DeleteDC(memory);
    EXPECT_EQ(ShowBitmap(canvas.dc, 4, 5, bitmap), 1);
    EXPECT_EQ(canvas.At(4, 5), RGB(200, 100, 50));
    EXPECT_EQ(canvas.At(6, 6), RGB(200, 100, 50));
    EXPECT_EQ(canvas.At(7, 5), RGB(1, 2, 3));
    EXPECT_EQ(canvas.At(3, 5), RGB(1, 2, 3));
    DeleteObject(bitmap);
    EXPECT_EQ(ShowBitmap(canvas.dc, 0, 0, NULL), 0);
}

TEST(Draw, DerivativePaths)
{
    char out[MAX_PATH];
    EXPECT_STREQ(CreateDerivativePath(out, "C:\\shows\\demo.exe", "Duplicate_"), "C:\\shows\\Duplicate_demo.exe");
    EXPECT_STREQ(CreateDerivativePath(out, "demo", "Copy of "), "Copy of demo");
    EXPECT_STREQ(CreateDerivativePath(out, "C:\\a.b\\name", "x"), "C:\\a.b\\xname");
    EXPECT_STREQ(CreateDerivativePath(out, "C:name.txt", "x"), "C:xname.txt");
    EXPECT_STREQ(CreateDerivativePath(out, "\\\\server\\share\\d.exe", "x"), "\\\\server\\share\\xd.exe");

    // Parts of 255 characters and a 10-character prefix: 265, too long.
    std::string longpath = "C:\\" + std::string(240, 'f') + "\\" + std::string(7, 'n') + ".exe";
    ASSERT_EQ(longpath.size(), 255u);
    EXPECT_EQ(std::string(CreateDerivativePath(out, longpath.c_str(), "Duplicate_")), longpath);
    std::string shorter = "C:\\" + std::string(230, 'f') + "\\n.exe"; // 239 + 20 < 260
    EXPECT_EQ(std::string(CreateDerivativePath(out, shorter.c_str(), "Duplicate_Duplicate_")),
              "C:\\" + std::string(230, 'f') + "\\Duplicate_Duplicate_n.exe");
}

TEST(Draw, ColourButtonSwatch)
{
    HWND dialog = sbtest::CreateTestWindow(false);
    HWND button = CreateWindowA("BUTTON", "MMMM", WS_CHILD | BS_OWNERDRAW, 0, 0, 64, 24, dialog, (HMENU)100,
                                hInst, NULL);
    ASSERT_TRUE(button);
    Canvas canvas(64, 24, RGB(1, 2, 3));
    SetTextColor(canvas.dc, RGB(7, 8, 9));
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = 100;
    item.hwndItem = button;
    item.hDC = canvas.dc;
    item.rcItem = RECT{0, 0, 64, 24};
    auto textPixels = [&](COLORREF colour) {
        int n = 0;
        for (int y = 4; y < 20; ++y)
            for (int x = 8; x < 56; ++x)
                n += canvas.At(x, y) == colour;
        return n;
    };

    EXPECT_EQ(DrawColourButton(dialog, WM_DRAWITEM, 100, &item, NULL, RGB(0, 0, 128)), 0);
    EXPECT_EQ(canvas.At(5, 12), RGB(0, 0, 128));
    EXPECT_GT(textPixels(RGB(255, 255, 255)), 0); // dark face: white text
    EXPECT_EQ(GetTextColor(canvas.dc), RGB(7, 8, 9));

    canvas.Fill(RGB(1, 2, 3));
    DrawColourButton(dialog, WM_DRAWITEM, 100, &item, NULL, RGB(255, 255, 0));
    EXPECT_EQ(canvas.At(5, 12), RGB(255, 255, 0));
    EXPECT_GT(textPixels(RGB(0, 0, 0)), 0);
    EXPECT_EQ(textPixels(RGB(255, 255, 255)), 0);

    canvas.Fill(RGB(1, 2, 3));
    item.itemState = ODS_DISABLED;
    DrawColourButton(dialog, WM_DRAWITEM, 100, &item, NULL, RGB(255, 255, 0));
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(canvas.At(5, 12), face);
    EXPECT_EQ(textPixels(face), 48 * 16); // no text when disabled
    DestroyWindow(dialog);
}

TEST(Draw, ImageToBlockDoesNothing)
{
    EXPECT_EQ(ImageToBlock(nullptr, NULL), 1);
}

} // namespace
