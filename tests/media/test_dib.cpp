#include "common/shell.h"
#include "media/dib.h"
#include "media/draw.h"
#include "tests/media/picturetest.h"
#include <gtest/gtest.h>
#include <array>
#include <climits>

using namespace pictest;

namespace {

const BITMAPINFOHEADER &Header(const std::vector<uint8_t> &bytes)
{
    return *(const BITMAPINFOHEADER *)bytes.data();
}

TEST(Dib, AdjustsBitCountsToTheSupportedDepths)
{
    const std::pair<unsigned, int> cases[] = {{1, 1}, {2, 4}, {3, 4}, {4, 4}, {5, 8}, {8, 8}, {9, 24},
                                              {16, 24}, {24, 24}, {0, 32}, {25, 32}, {32, 32}, {1000, 32}};
    for (auto [in, out] : cases)
        EXPECT_EQ(AdjustDIBits(in), out) << in;
}

TEST(Dib, CreateDibLaysOutHeaderTableAndRows)
{
    Dib eight(CreateDib(3, 2, NULL, 8));
    ASSERT_TRUE(eight);
    auto bytes = Bytes(eight);
    ASSERT_GE(bytes.size(), 40u + 1024 + 8);
    const BITMAPINFOHEADER &h = Header(bytes);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 3);
    EXPECT_EQ(h.biHeight, 2);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, (DWORD)BI_RGB);
    EXPECT_EQ(h.biSizeImage, 8u);
    EXPECT_EQ(h.biClrUsed, 256u);
    EXPECT_EQ(h.biClrImportant, 256u);
    EXPECT_EQ(GetDibSize(eight), 40u + 1024 + 8);
    for (size_t i = 40; i < 40 + 1024 + 8; ++i)
        ASSERT_EQ(bytes[i], 0) << i;

    Dib colour(CreateDib(3, 2, NULL, 24));
    EXPECT_EQ(Header(Bytes(colour)).biSizeImage, 24u); // rows of 12 bytes
    EXPECT_EQ(Header(Bytes(colour)).biClrUsed, 0u);
    EXPECT_EQ(GetDibSize(colour), 40u + 24);

    Dib mono(CreateDib(33, 1, NULL, 1));
    EXPECT_EQ(Header(Bytes(mono)).biSizeImage, 8u);
    EXPECT_EQ(Header(Bytes(mono)).biClrUsed, 2u);

    Dib three(CreateDib(1, 1, NULL, 3)), twelve(CreateDib(1, 1, NULL, 12)), none(CreateDib(2, 1, NULL, 0));
    EXPECT_EQ(Header(Bytes(three)).biBitCount, 4);
    EXPECT_EQ(Header(Bytes(twelve)).biBitCount, 24);
    EXPECT_EQ(Header(Bytes(none)).biBitCount, 32);
    EXPECT_EQ(GetDibSize(none), 40u + 8); // no colour table above 8 bits
}

TEST(Dib, CreateDibFillsTheTableFromRgbTriples)
{
    char rgb[PALETTEBYTES] = {};
    for (int i = 0; i < 16; ++i) {
        rgb[3 * i] = (char)(i * 10);
        rgb[3 * i + 1] = (char)(i * 10 + 1);
        rgb[3 * i + 2] = (char)(i * 10 + 2);
    }
    Dib dib(CreateDib(5, 5, rgb, 4));
    Pixels p(dib);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(p.Table()[i].rgbRed, i * 10);
        EXPECT_EQ(p.Table()[i].rgbGreen, i * 10 + 1);
        EXPECT_EQ(p.Table()[i].rgbBlue, i * 10 + 2);
        EXPECT_EQ(p.Table()[i].rgbReserved, 0);
    }
}

TEST(Dib, CreateDibRefusesEmptyNegativeAndOverflowingSizes)
{
    EXPECT_FALSE(Dib(CreateDib(0, 5, NULL, 8)));
    EXPECT_FALSE(Dib(CreateDib(5, 0, NULL, 8)));
    EXPECT_FALSE(Dib(CreateDib(-3, 5, NULL, 24)));
    EXPECT_FALSE(Dib(CreateDib(5, -3, NULL, 24)));
    // Sizes whose byte counts wrap around in 32 bits.
    EXPECT_FALSE(Dib(CreateDib(70000, 70000, NULL, 24)));
    EXPECT_FALSE(Dib(CreateDib(INT_MAX, 1, NULL, 32)));
    EXPECT_FALSE(Dib(CreateDib(65536, 32768, NULL, 32)));
    EXPECT_FALSE(Dib(CreateDib(1 << 30, 16, NULL, 1)));
}

// Writes a pixel, reads it back, and checks where its bits went.
TEST(Dib, PixelsOfEveryDepth)
{
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        Dib dib(CreateDib(13, 5, NULL, bits));
        ASSERT_TRUE(dib);
        Pixels p(dib);
        unsigned long mask = bits == 32 ? 0xFFFFFFFFul : (1ul << bits) - 1;
        Random random((uint32_t)bits);
        std::vector<unsigned long> values(13 * 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) {
                values[y * 13 + x] = (random.Next() | ((unsigned long)random.Next() << 24)) & mask;
                p.Put(x, y, values[y * 13 + x]);
            }
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(p.Get(x, y), values[y * 13 + x]) << x << "," << y;

        // Outside the picture: all bits set, and nothing written.
        auto before = Bytes(dib);
        for (auto [x, y] : {std::pair{-1, 0}, {13, 0}, {0, -1}, {0, 5}}) {
            EXPECT_EQ(p.Get(x, y), 0xFFFFFFFFul);
            p.Put(x, y, 0);
        }
        EXPECT_EQ(Bytes(dib), before);
    }
}

TEST(Dib, PixelLayoutWithinRows)
{
    // Row 0 counted from the top is the last row stored.
    Dib eight(CreateDib(3, 2, NULL, 8));
    {
        Pixels p(eight);
        p.Put(0, 0, 0xAB);
        p.Put(2, 1, 0xCD);
        const uint8_t *rows = (const uint8_t *)p.header + 40 + 1024;
        EXPECT_EQ(rows[4], 0xAB); // stored row 1, pixel 0
        EXPECT_EQ(rows[2], 0xCD); // stored row 0, pixel 2
    }
    Dib mono(CreateDib(16, 1, NULL, 1));
    {
        Pixels p(mono);
        p.Put(0, 0, 5); // any value other than zero sets the bit
        p.Put(9, 0, 1);
        const uint8_t *row = (const uint8_t *)p.header + 40 + 8;
        EXPECT_EQ(row[0], 0x80);
        EXPECT_EQ(row[1], 0x40);
        p.Put(0, 0, 0);
        EXPECT_EQ(row[0], 0x00);
    }
    Dib four(CreateDib(4, 1, NULL, 4));
    {
        Pixels p(four);
        uint8_t *row = (uint8_t *)p.header + 40 + 64;
        row[0] = 0xA0;
        p.Put(1, 0, 0x1F); // the low nibble only; the high one is kept
        EXPECT_EQ(row[0], 0xAF);
        p.Put(0, 0, 0x3);
        EXPECT_EQ(row[0], 0x3F);
        EXPECT_EQ(p.Get(0, 0), 3u);
        EXPECT_EQ(p.Get(1, 0), 0xFu);
    }
    Dib colour(CreateDib(2, 1, NULL, 24));
    {
        Pixels p(colour);
        uint8_t *row = (uint8_t *)p.header + 40;
        row[3] = 0x10, row[4] = 0x20, row[5] = 0x30;
        EXPECT_EQ(p.Get(1, 0), 0x00102030ul); // red is the third byte
        p.Put(0, 0, RGB(1, 2, 3));
        EXPECT_EQ(row[0], 3);
        EXPECT_EQ(row[1], 2);
        EXPECT_EQ(row[2], 1);
    }
    Dib deep(CreateDib(1, 1, NULL, 32));
    {
        Pixels p(deep);
        p.Put(0, 0, 0x44332211);
        const uint8_t *row = (const uint8_t *)p.header + 40;
        EXPECT_EQ(row[0], 0x33);
        EXPECT_EQ(row[1], 0x22);
        EXPECT_EQ(row[2], 0x11);
        EXPECT_EQ(row[3], 0x44);
    }
}

TEST(Dib, OtherDepthsHaveNoPixels)
{
    Dib sixteen(HandMadeDib(4, 4, 16, 40));
    Pixels p(sixteen);
    auto before = Bytes(sixteen);
    EXPECT_EQ(p.Get(1, 1), 0xFFFFFFFFul);
    p.Put(1, 1, 0x1234);
    EXPECT_EQ(Bytes(sixteen), before);
}

// Pictures from files may have longer headers: the table and the rows
// start after biSize bytes.
TEST(Dib, LongerHeadersMoveTableAndRows)
{
    Dib dib(HandMadeDib(3, 2, 8, sizeof(BITMAPV4HEADER)));
    {
        Pixels p(dib);
        uint8_t *base = (uint8_t *)p.header;
        auto *table = (RGBQUAD *)(base + 108);
        table[0] = RGBQUAD{1, 2, 3, 0};
        table[7] = RGBQUAD{30, 20, 10, 0};
        base[108 + 1024 + 4] = 7; // stored row 1, pixel 0: the top-left pixel
        EXPECT_EQ(p.Get(0, 0), 7u);
        p.Put(2, 1, 0x55);
        EXPECT_EQ(base[108 + 1024 + 2], 0x55);
    }
    char rgb[PALETTEBYTES];
    Pixels p(dib);
    EXPECT_EQ(GetDibPalette((BITMAPINFO *)p.header, rgb), 256);
    EXPECT_EQ((uint8_t)rgb[0], 3);
    EXPECT_EQ((uint8_t)rgb[2], 1);
    EXPECT_EQ((uint8_t)rgb[21], 10);
    EXPECT_EQ((uint8_t)rgb[23], 30);
    EXPECT_EQ(GetDibSize(dib), 108u + 1024 + 8);
    int width = 0, height = 0, bits = 0;
    char viaDimensions[PALETTEBYTES];
    EXPECT_EQ(GetBitmapDimensions(dib, &width, &height, &bits, viaDimensions), 1);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(memcmp(rgb, viaDimensions, PALETTEBYTES), 0);
}

TEST(Dib, DamagedHandlesAreRefused)
{
    int width = -7;
    EXPECT_EQ(GetBitmapDimensions(NULL, &width, NULL, NULL, NULL), 0);
    EXPECT_EQ(width, -7); // outputs untouched
    EXPECT_EQ(GetDibSize(NULL), 0u);

    // A header that claims more rows than its block holds.
    Dib shortblock(HandMadeDib(10, 10, 24, 40));
    {
        Pixels p(shortblock);
        p.header->biHeight = 1000;
    }
    EXPECT_EQ(GetDibSize(shortblock), 0u);
    EXPECT_EQ(GetBitmapDimensions(shortblock, &width, NULL, NULL, NULL), 0);

    // Top-down and empty pictures have no place in the system.
    Dib topdown(HandMadeDib(4, 4, 8, 40));
    {
        Pixels p(topdown);
        p.header->biHeight = -4;
        EXPECT_EQ(GetDibPixel(p.header, 0, 0), 0xFFFFFFFFul);
    }
    EXPECT_EQ(GetDibSize(topdown), 0u);

    // A block too small for even a header.
    Dib tiny(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8));
    EXPECT_EQ(GetDibSize(tiny), 0u);
}

TEST(Palette, DibPaletteAndDimensions)
{
    char rgb[PALETTEBYTES];
    memset(rgb, 0x5A, sizeof rgb);
    Dib colour(CreateDib(2, 2, NULL, 24));
    {
        Pixels p(colour);
        EXPECT_EQ(GetDibPalette((BITMAPINFO *)p.header, rgb), 0);
    }
    for (char c : rgb)
        ASSERT_EQ(c, 0);

    Dib four(RandomDib(2, 2, 4, 3));
    memset(rgb, 0x5A, sizeof rgb);
    Pixels p(four);
    EXPECT_EQ(GetDibPalette((BITMAPINFO *)p.header, rgb), 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ((uint8_t)rgb[3 * i], p.Table()[i].rgbRed);
        EXPECT_EQ((uint8_t)rgb[3 * i + 1], p.Table()[i].rgbGreen);
        EXPECT_EQ((uint8_t)rgb[3 * i + 2], p.Table()[i].rgbBlue);
    }
    for (int i = 48; i < PALETTEBYTES; ++i)
        ASSERT_EQ(rgb[i], 0);
    EXPECT_EQ(GetBitmapDimensions(four, NULL, NULL, NULL, NULL), 1);
}

// The three components of entry i of a palette buffer.
std::array<int, 3> Entry(const char *rgb, int i)
{
    return {(uint8_t)rgb[3 * i], (uint8_t)rgb[3 * i + 1], (uint8_t)rgb[3 * i + 2]};
}

TEST(Palette, BuiltInCubesGreysAndColours)
{
    const int l2[] = {0, 255}, l4[] = {0, 85, 170, 255}, l8[] = {0, 36, 72, 108, 144, 180, 216, 255};
    char rgb[PALETTEBYTES];
    int bits = 0;
    auto get = [&](int type) {
        memset(rgb, 0x5A, sizeof rgb);
        return GetDefaultPalette(rgb, &bits, type);
    };
    auto restIsZero = [&](int from) {
        for (int i = 3 * from; i < PALETTEBYTES; ++i)
            if (rgb[i])
                return false;
        return true;
    };

    EXPECT_EQ(get(0), 2);
    EXPECT_EQ(bits, 1);
    EXPECT_EQ(Entry(rgb, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(Entry(rgb, 1), (std::array<int, 3>{255, 255, 255}));
    EXPECT_TRUE(restIsZero(2));

    EXPECT_EQ(get(1), 16);
    EXPECT_EQ(bits, 4);
    const std::array<int, 3> vga[16] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},   {128, 128, 0},
                                        {0, 0, 128},     {128, 0, 128},   {0, 128, 128}, {128, 128, 128},
                                        {192, 192, 192}, {255, 0, 0},     {0, 255, 0},   {255, 255, 0},
                                        {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(Entry(rgb, i), vga[i]) << i;
    EXPECT_TRUE(restIsZero(16));

    EXPECT_EQ(get(2), 32);
    EXPECT_EQ(bits, 5);
    for (int r = 0; r < 4; ++r)
        for (int g = 0; g < 4; ++g)
            for (int b = 0; b < 2; ++b)
                EXPECT_EQ(Entry(rgb, r * 8 + g * 2 + b), (std::array<int, 3>{l4[r], l4[g], l2[b]}));
    EXPECT_TRUE(restIsZero(32));

    EXPECT_EQ(get(3), 64);
    EXPECT_EQ(bits, 6);
    for (int r = 0; r < 4; ++r)
        for (int g = 0; g < 4; ++g)
            for (int b = 0; b < 4; ++b)
                EXPECT_EQ(Entry(rgb, r * 16 + g * 4 + b), (std::array<int, 3>{l4[r], l4[g], l4[b]}));
    EXPECT_TRUE(restIsZero(64));

    EXPECT_EQ(get(4), 128);
    EXPECT_EQ(bits, 7);
    for (int r = 0; r < 4; ++r)
        for (int g = 0; g < 8; ++g)
            for (int b = 0; b < 4; ++b)
                EXPECT_EQ(Entry(rgb, r * 32 + g * 4 + b), (std::array<int, 3>{l4[r], l8[g], l4[b]}));
    EXPECT_TRUE(restIsZero(128));

    for (int type : {6, 9, -1, 1000}) {
        EXPECT_EQ(get(type), 256);
        EXPECT_EQ(bits, 8);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(Entry(rgb, i), (std::array<int, 3>{l8[i >> 5], l8[(i >> 2) & 7], l4[i & 3]})) << i;
    }
    EXPECT_EQ(Entry(rgb, 42), (std::array<int, 3>{36, 72, 170}));

    EXPECT_EQ(get(8), 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(Entry(rgb, i), (std::array<int, 3>{i, i, i}));

    EXPECT_EQ(GetDefaultPalette(NULL, &bits, 4), 128);
    EXPECT_EQ(bits, 7);
    EXPECT_EQ(GetDefaultPalette(NULL, NULL, 5), 216);
}

TEST(Palette, ResourcePalettes)
{
    char rgb[PALETTEBYTES];
    int bits = 0;
    EXPECT_EQ(GetDefaultPalette(rgb, &bits, 5), 216);
    EXPECT_EQ(bits, 8);
    for (int g = 0; g < 6; ++g)
        for (int r = 0; r < 6; ++r)
            for (int b = 0; b < 6; ++b)
                ASSERT_EQ(Entry(rgb, g * 36 + r * 6 + b), (std::array<int, 3>{51 * r, 51 * g, 51 * b}));
    for (int i = 216; i < 256; ++i)
        ASSERT_EQ(Entry(rgb, i), (std::array<int, 3>{0, 0, 0}));

    EXPECT_EQ(GetDefaultPalette(rgb, &bits, 7), 256);
    const int reds[] = {0, 43, 85, 128, 128, 170, 213, 255}, greens[] = {0, 36, 73, 109, 146, 182, 219, 255},
              blues[] = {0, 85, 170, 255};
    for (int i = 0; i < 256; ++i) {
        if (i >= 112 && i < 144)
            continue;
        ASSERT_EQ(Entry(rgb, i), (std::array<int, 3>{reds[i >> 5], greens[(i >> 2) & 7], blues[i & 3]})) << i;
    }
    EXPECT_EQ(Entry(rgb, 112), (std::array<int, 3>{1, 1, 1}));
    EXPECT_EQ(Entry(rgb, 113), (std::array<int, 3>{8, 8, 8}));
    EXPECT_EQ(Entry(rgb, 127), (std::array<int, 3>{123, 123, 123}));
    EXPECT_EQ(Entry(rgb, 142), (std::array<int, 3>{246, 246, 246}));
    EXPECT_EQ(Entry(rgb, 143), (std::array<int, 3>{254, 254, 254}));
}

TEST(Palette, ResourceLayout)
{
    for (const char *name : {"PALETTE216", "PALETTE256G"}) {
        SCOPED_TRACE(name);
        HRSRC found = FindResourceA(hInst, name, (LPCSTR)RT_RCDATA);
        ASSERT_TRUE(found);
        ASSERT_EQ(SizeofResource(hInst, found), 853u);
        const auto *data = (const uint8_t *)LockResource(LoadResource(hInst, found));
        const char title[] = "TAMRRSRC256 colour palette";
        EXPECT_EQ(memcmp(data, title, sizeof title - 1), 0);
        for (size_t i = sizeof title - 1; i < 73; ++i)
            ASSERT_EQ(data[i], 0) << i;
        const uint8_t words[] = {1, 0, 'C', 'M', 'A', 'P', 1, 0, 0, 0, 0x00, 0x03};
        EXPECT_EQ(memcmp(data + 73, words, sizeof words), 0);
    }
}

TEST(Palette, MissingResourceGivesBlackWithTheCount)
{
    HINSTANCE saved = hInst;
    hInst = GetModuleHandleA("kernel32.dll");
    char rgb[PALETTEBYTES];
    memset(rgb, 0x5A, sizeof rgb);
    EXPECT_EQ(GetDefaultPalette(rgb, NULL, 7), 256);
    hInst = saved;
    for (char c : rgb)
        ASSERT_EQ(c, 0);
}

TEST(Palette, RealiseRoundsCountsAndUndoes)
{
    Canvas canvas(4, 4);
    HGDIOBJ original = GetCurrentObject(canvas.dc, OBJ_PAL);
    char rgb[PALETTEBYTES];
    GetDefaultPalette(rgb, NULL, 6);
    for (auto [count, entries] : {std::pair{17, 256}, {256, 256}, {16, 16}, {2, 16}, {1, 1}}) {
        PALSTATE state;
        memset(&state, 0x5A, sizeof state);
        ASSERT_EQ(RealizeWindowPalette(canvas.dc, &state, rgb, count), 1);
        ASSERT_TRUE(state.logpalette);
        EXPECT_EQ(state.logpalette->palVersion, 0x300);
        EXPECT_EQ(state.logpalette->palNumEntries, entries) << count;
        EXPECT_EQ(state.logpalette->palPalEntry[entries - 1].peRed, (uint8_t)rgb[3 * (entries - 1)]);
        EXPECT_EQ(state.logpalette->palPalEntry[0].peFlags, 0);
        EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PAL), (HGDIOBJ)state.palette);
        UnrealizeWindowPalette(canvas.dc, &state);
        EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PAL), original);
        EXPECT_FALSE(state.palette || state.previous || state.logpalette);
        UnrealizeWindowPalette(canvas.dc, &state); // twice is harmless
    }
    PALSTATE state;
    memset(&state, 0x5A, sizeof state);
    EXPECT_EQ(RealizeWindowPalette(canvas.dc, &state, rgb, 300), 1);
    EXPECT_FALSE(state.palette || state.previous || state.logpalette);
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PAL), original);
    UnrealizeWindowPalette(NULL, &state);
}

TEST(Palette, DisplayBitsOfATrueColourScreen)
{
    // Xvfb runs at 24 bits; anything over 8 reads as 24.
    EXPECT_EQ(GetDisplayBits(), 24);
}

} // namespace
