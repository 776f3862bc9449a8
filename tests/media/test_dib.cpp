#include "common/shell.h"
#include "media/dib.h"
#include "media/draw.h"
#include "tests/media/picturetest.h"
#include <gtest/gtest.h>
#include <array>
#include <climits>
#include <tuple>

using namespace pictest;

namespace {

typedef std::array<int, 3> Colour;

Colour Entry(const char *rgb, int i)
{
    return {(uint8_t)rgb[3 * i], (uint8_t)rgb[3 * i + 1], (uint8_t)rgb[3 * i + 2]};
}

TEST(Dib, CreateDibLaysOutHeaderTableAndRowsAndRefusesBadSizes)
{
    Dib eight(CreateDib(3, 2, NULL, 8));
    auto bytes = Bytes(eight);
    ASSERT_GE(bytes.size(), 40u + 1024 + 8);
    const BITMAPINFOHEADER want{40, 3, 2, 1, 8, BI_RGB, 8, 0, 0, 256, 256};
    EXPECT_EQ(memcmp(bytes.data(), &want, 40), 0);
    EXPECT_EQ(std::count(bytes.begin() + 40, bytes.begin() + 40 + 1024 + 8, 0), 1024 + 8);

    // Two rows each, padded to 4 bytes; 3 bits make 4, 12 make 24, 0 makes 32.
    const struct {
        int width, bits, depth;
        DWORD image, colours, size;
    } cases[] = {{3, 8, 8, 8, 256, 1072}, {3, 24, 24, 24, 0, 64}, {33, 1, 1, 16, 2, 64},
                 {1, 3, 4, 8, 16, 112},   {1, 12, 24, 8, 0, 48},  {2, 0, 32, 16, 0, 56}};
    for (const auto &c : cases) {
        Dib dib(CreateDib(c.width, 2, NULL, c.bits));
        Pixels p(dib);
        EXPECT_EQ(std::tuple(p.Bits(), p.header->biSizeImage, p.header->biClrUsed, GetDibSize(dib)),
                  std::tuple(c.depth, c.image, c.colours, c.size))
            << c.bits;
    }

    char rgb[PALETTEBYTES];
    for (int i = 0; i < PALETTEBYTES; ++i)
        rgb[i] = (char)i;
    Dib four(CreateDib(5, 5, rgb, 4));
    EXPECT_EQ(memcmp(&Pixels(four).Table()[15], "\x2F\x2E\x2D\x00", 4), 0); // blue, green, red, 0

    const int refused[][3] = {{0, 5, 8},       {5, 0, 8},         {-3, 5, 24},         {5, -3, 24},
                              {70000, 70000, 24}, {INT_MAX, 1, 32}, {65536, 32768, 32}, {1 << 30, 16, 1}};
    for (auto &s : refused)
        EXPECT_FALSE(Dib(CreateDib(s[0], s[1], NULL, s[2]))) << s[0] << " x " << s[1];
}

// Values go in and come out, the neighbours' bits kept. The drawing, codec
// and PNG tests compare the places of every depth with outside readers.
TEST(Dib, PixelsOfEveryDepthRoundTripAndStayInside)
{
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        Dib dib(CreateDib(13, 5, NULL, bits));
        Pixels p(dib);
        Random random((uint32_t)bits);
        std::vector<unsigned long> values(13 * 5);
        for (int i = 0; i < 13 * 5; ++i) {
            values[i] = random.Below(3) ? random.Next() | ((unsigned long)random.Next() << 24) : 0;
            p.Put(i % 13, i / 13, values[i]);
        }
        // Any value but zero sets a bit; other depths keep their low bits.
        for (int i = 0; i < 13 * 5; ++i)
            ASSERT_EQ(p.Get(i % 13, i / 13), bits == 1 ? values[i] != 0 : values[i] & (0xFFFFFFFFul >> (32 - bits)))
                << i;

        // Outside the picture: all bits set, and nothing written.
        auto before = Bytes(dib);
        for (auto [x, y] : {std::pair{-1, 0}, {13, 0}, {0, -1}, {0, 5}}) {
            EXPECT_EQ(p.Get(x, y), 0xFFFFFFFFul);
            p.Put(x, y, 0);
        }
        EXPECT_EQ(Bytes(dib), before);
    }
    // 16 bits is no depth the pixel primitives know.
    Dib sixteen(HandMadeDib(4, 4, 16, 40));
    Pixels p(sixteen);
    p.Put(1, 1, 0x1234);
    EXPECT_EQ(p.Get(1, 1), 0xFFFFFFFFul);
    EXPECT_EQ(std::count(p.Bytes() + 40, p.Bytes() + 40 + 32, 0), 32);
}

TEST(Dib, PixelPlacesWithinRows)
{
    Dib eight(CreateDib(3, 2, NULL, 8)), four(CreateDib(4, 1, NULL, 4)), colour(CreateDib(2, 1, NULL, 24));
    Pixels p8(eight), p4(four), p24(colour);
    p8.Bytes()[1064 + 4] = 0xAB; // the first pixel of the last stored row
    EXPECT_EQ(p8.Get(0, 0), 0xABu);
    memcpy(p24.Bytes() + 43, "\x10\x20\x30", 3);
    EXPECT_EQ(p24.Get(1, 0), 0x00102030ul); // red is the third byte
    p4.Bytes()[104] = 0xA0;
    p4.Put(1, 0, 0x1F); // the low nibble only
    EXPECT_EQ(p4.Bytes()[104], 0xAF);
}

// Pictures from files may have longer headers: table and rows follow biSize.
// Pictures without a table have an all-black palette.
TEST(Dib, LongerHeadersMoveTableAndRows)
{
    Dib dib(HandMadeDib(3, 2, 8, sizeof(BITMAPV4HEADER)));
    Pixels p(dib);
    p.Table()[7] = RGBQUAD{30, 20, 10, 0};
    p.Bytes()[108 + 1024 + 4] = 7; // the top-left pixel
    EXPECT_EQ(p.Get(0, 0), 7u);
    p.Put(2, 1, 0x55);
    EXPECT_EQ(p.Bytes()[108 + 1024 + 2], 0x55);
    char rgb[PALETTEBYTES], viaDimensions[PALETTEBYTES];
    EXPECT_EQ(GetDibPalette((BITMAPINFO *)p.header, rgb), 256);
    EXPECT_EQ(Entry(rgb, 7), (Colour{10, 20, 30}));
    EXPECT_EQ(GetDibSize(dib), 108u + 1024 + 8);
    int width = 0, height = 0, bits = 0;
    EXPECT_EQ(GetBitmapDimensions(dib, &width, &height, &bits, viaDimensions), 1);
    EXPECT_EQ(width * 100 + height * 10 + bits, 328);
    EXPECT_EQ(memcmp(rgb, viaDimensions, PALETTEBYTES), 0);

    Dib colour(CreateDib(2, 2, NULL, 24));
    memset(rgb, 0x5A, sizeof rgb);
    EXPECT_EQ(GetDibPalette((BITMAPINFO *)Pixels(colour).header, rgb), 0);
    EXPECT_EQ(std::count(rgb, rgb + PALETTEBYTES, 0), PALETTEBYTES);
}

TEST(Dib, DamagedHandlesAreRefused)
{
    int width = -7;
    EXPECT_EQ(GetBitmapDimensions(NULL, &width, NULL, NULL, NULL), 0);
    EXPECT_EQ(width, -7);
    EXPECT_EQ(GetDibSize(NULL), 0u);

    Dib shortblock(HandMadeDib(10, 10, 24, 40)), topdown(HandMadeDib(4, 4, 8, 40)),
        tiny(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8));
    Pixels(shortblock).header->biHeight = 1000; // more rows than the block holds
    EXPECT_EQ(GetDibSize(shortblock), 0u);
    EXPECT_EQ(GetBitmapDimensions(shortblock, &width, NULL, NULL, NULL), 0);
    Pixels(topdown).header->biHeight = -4;
    EXPECT_EQ(GetDibSize(topdown), 0u);
    EXPECT_EQ(GetDibPixel(Pixels(topdown).header, 0, 0), 0xFFFFFFFFul);
    EXPECT_EQ(GetDibSize(tiny), 0u);
}

constexpr int l2[] = {0, 255}, l4[] = {0, 85, 170, 255}, l8[] = {0, 36, 72, 108, 144, 180, 216, 255};
constexpr Colour vga[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0}, {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
                            {0, 128, 128},   {128, 128, 128}, {192, 192, 192}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
                            {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
constexpr int reds[] = {0, 43, 85, 128, 128, 170, 213, 255}, greens[] = {0, 36, 73, 109, 146, 182, 219, 255};

Colour Cube332(int i)
{
    return Colour{l8[i >> 5], l8[(i >> 2) & 7], l4[i & 3]};
}

TEST(Palette, BuiltInPalettes)
{
    const struct {
        int type, count, bits;
        Colour (*entry)(int i);
    } cases[] = {
        {0, 2, 1, [](int i) { return Colour{255 * i, 255 * i, 255 * i}; }},
        {1, 16, 4, [](int i) { return vga[i]; }},
        {2, 32, 5, [](int i) { return Colour{l4[i >> 3], l4[(i >> 1) & 3], l2[i & 1]}; }},
        {3, 64, 6, [](int i) { return Colour{l4[i >> 4], l4[(i >> 2) & 3], l4[i & 3]}; }},
        {4, 128, 7, [](int i) { return Colour{l4[i >> 5], l8[(i >> 2) & 7], l4[i & 3]}; }},
        {5, 216, 8, [](int i) { return Colour{51 * (i / 6 % 6), 51 * (i / 36), 51 * (i % 6)}; }},
        {6, 256, 8, Cube332},
        {7, 256, 8,
         [](int i) {
             if (i < 112 || i >= 144)
                 return Colour{reds[i >> 5], greens[(i >> 2) & 7], l4[i & 3]};
             int v = i == 112 ? 1 : i == 143 ? 254 : (i - 112) * 255 / 31; // a grey ramp
             return Colour{v, v, v};
         }},
        {8, 256, 8, [](int i) { return Colour{i, i, i}; }},
        {9, 256, 8, Cube332},
        {-1, 256, 8, Cube332},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type);
        char rgb[PALETTEBYTES];
        memset(rgb, 0x5A, sizeof rgb);
        int bits = 0;
        EXPECT_EQ(GetDefaultPalette(rgb, &bits, c.type), c.count);
        EXPECT_EQ(bits, c.bits);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(Entry(rgb, i), i < c.count ? c.entry(i) : Colour()) << i;
        EXPECT_EQ(GetDefaultPalette(NULL, &bits, c.type), c.count);
    }
}

TEST(Palette, ResourceLayoutAndMissingResources)
{
    for (const char *name : {"PALETTE216", "PALETTE256G"}) {
        HRSRC found = FindResourceA(hInst, name, (LPCSTR)RT_RCDATA);
        ASSERT_TRUE(found);
        ASSERT_EQ(SizeofResource(hInst, found), 853u);
        const auto *data = (const char *)LockResource(LoadResource(hInst, found));
        char head[85] = "TAMRRSRC256 colour palette";
        memcpy(head + 73, "\x01\x00" "CMAP" "\x01\x00\x00\x00" "\x00\x03", 12);
        EXPECT_EQ(memcmp(data, head, 85), 0) << name;
    }
    HINSTANCE saved = hInst;
    hInst = GetModuleHandleA("kernel32.dll");
    char rgb[PALETTEBYTES];
    memset(rgb, 0x5A, sizeof rgb);
    EXPECT_EQ(GetDefaultPalette(rgb, NULL, 7), 256);
    hInst = saved;
    EXPECT_EQ(std::count(rgb, rgb + PALETTEBYTES, 0), PALETTEBYTES);
}

TEST(Palette, RealiseRoundsCountsAndUndoes)
{
    Canvas canvas(4, 4);
    HGDIOBJ original = GetCurrentObject(canvas.dc, OBJ_PAL);
    char rgb[PALETTEBYTES];
    GetDefaultPalette(rgb, NULL, 6);
    // More than 256 colours: nothing realised.
    for (auto [count, entries] : {std::pair{17, 256}, {256, 256}, {16, 16}, {2, 16}, {1, 1}, {300, 0}}) {
        SCOPED_TRACE(count);
        PALSTATE state;
        memset(&state, 0x5A, sizeof state);
        ASSERT_EQ(RealizeWindowPalette(canvas.dc, &state, rgb, count), 1);
        if (entries) {
            ASSERT_TRUE(state.logpalette);
            EXPECT_EQ(state.logpalette->palVersion, 0x300);
            EXPECT_EQ(state.logpalette->palNumEntries, entries);
            EXPECT_EQ(state.logpalette->palPalEntry[entries - 1].peRed, (uint8_t)rgb[3 * (entries - 1)]);
            EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PAL), (HGDIOBJ)state.palette);
            UnrealizeWindowPalette(canvas.dc, &state);
            UnrealizeWindowPalette(canvas.dc, &state); // twice is harmless
        }
        EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PAL), original);
        EXPECT_FALSE(state.palette || state.previous || state.logpalette);
    }
    // Xvfb runs at 24 bits; anything over 8 reads as 24.
    EXPECT_EQ(GetDisplayBits(), 24);
}

} // namespace
