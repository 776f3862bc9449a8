#include "media/dib.h"
#include "media/reduce.h"
#include "tests/media/picturetest.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <tuple>

using namespace pictest;

namespace {

struct Palette332 {
    char rgb[PALETTEBYTES];
    Palette332() { GetDefaultPalette(rgb, NULL, 6); }
};

// Floyd-Steinberg written plainly, one pixel at a time through the
// pixel primitives: the yardstick for the fast version.
HGLOBAL SlowDither(HGLOBAL dib, const char *rgb)
{
    Pixels src(dib);
    const int w = src.Width(), h = src.Height();
    std::vector<uint8_t> work(3 * (size_t)w * h);
    for (int s = 0; s < h; ++s)
        for (int x = 0; x < w; ++x) {
            COLORREF c = src.Colour(x, h - 1 - s);
            uint8_t *p = &work[3 * ((size_t)s * w + x)];
            p[0] = GetRValue(c), p[1] = GetGValue(c), p[2] = GetBValue(c);
        }
    HGLOBAL result = CreateDib(w, h, rgb, 8);
    Pixels out(result);
    std::vector<int16_t> cur(3 * w), next(3 * w);
    const auto *pal = (const uint8_t *)rgb;
    for (int s = 0; s < h; ++s) {
        for (int k = 0; k < 3 * w; ++k)
            cur[k] = (int16_t)(cur[k] + work[3 * (size_t)s * w + k]);
        for (int x = 0; x < w; ++x) {
            int v[3];
            for (int c = 0; c < 3; ++c)
                v[c] = std::clamp<int>(cur[3 * x + c], 0, 255);
            int index = (v[0] & 0xE0) | ((v[1] >> 3) & 0x1C) | (v[2] >> 6);
            out.Put(x, h - 1 - s, index);
            for (int c = 0; c < 3; ++c) {
                int e = v[c] - pal[3 * index + c];
                if (x + 1 < w)
                    cur[3 * (x + 1) + c] += (e * 7) >> 4;
                if (s != h - 1) {
                    if (x >= 1)
                        next[3 * (x - 1) + c] += (e * 3) >> 4;
                    next[3 * x + c] += (e * 5) >> 4;
                    if (x + 1 < w)
                        next[3 * (x + 1) + c] += (e * 1) >> 4;
                }
            }
        }
        cur = next;
        std::fill(next.begin(), next.end(), 0);
    }
    return result;
}

TEST(Reduce, CodesAndNearestColours)
{
    EXPECT_EQ(Code332(36, 72, 170), 42u);
    EXPECT_EQ(Code332(60, 0, 0), 32u); // level 36 by its top bits, though 72 is nearer

    char rgb[PALETTEBYTES] = {};
    auto set = [&](int i, int r, int g, int b) {
        rgb[3 * i] = (char)r, rgb[3 * i + 1] = (char)g, rgb[3 * i + 2] = (char)b;
    };
    set(0, 10, 0, 0);
    set(1, 30, 0, 0);
    set(2, 200, 100, 50);
    set(5, 200, 100, 50);
    EXPECT_EQ(FindPaletteColour(200, 100, 50, rgb, 6), 2); // the first of two exact entries
    EXPECT_EQ(FindPaletteColour(20, 0, 0, rgb, 2), 0);      // equal distances: the lower index
    set(1, 0, 9, 0);  // distances 300, 324 and 288: red weighs 3, green 4, blue 2
    set(2, 0, 0, 12);
    EXPECT_EQ(FindPaletteColour(0, 0, 0, rgb, 3), 2);
    EXPECT_EQ(FindPaletteColour(0, 0, 0, rgb, 2), 0); // entries past the count are not looked at
    Palette332 p;
    EXPECT_EQ(FindPaletteColour(128, 128, 128, p.rgb, 256), 146); // (144, 144, 170)
}

// Only red varies, so the sums can be followed by hand. Bottom row first:
//   (100): code 96 (108), error -8: right -56>>4 = -4, below -40>>4 = -3,
//          below right -8>>4 = -1 (not 0: shares round down)
//   (20 - 4 = 16): code 0, error 16: below left 48>>4 = 3, below 80>>4 = 5
// Errors for the top row: 0 and 4.
//   (60 + 0): code 32 (36), error 24: right 168>>4 = 10
//   (17 + 4 + 10 = 31): code 0; with shares rounded towards zero it would
//          have been 32 and taken code 32.
TEST(Reduce, HandComputedTwoByTwoDither)
{
    Palette332 p;
    Dib dib(CreateDib(2, 2, NULL, 24));
    {
        Pixels px(dib);
        px.Put(0, 0, RGB(60, 0, 0));
        px.Put(1, 0, RGB(17, 0, 0));
        px.Put(0, 1, RGB(100, 0, 0));
        px.Put(1, 1, RGB(20, 0, 0));
    }
    Dib result(DitherDib(dib, p.rgb, 8, 0));
    ASSERT_TRUE(result);
    Pixels out(result);
    EXPECT_EQ(out.Bits(), 8);
    EXPECT_EQ(memcmp(out.Table(), Pixels(Dib(CreateDib(1, 1, p.rgb, 8))).Table(), 1024), 0);
    EXPECT_EQ(std::tuple(out.Get(0, 0), out.Get(1, 0), out.Get(0, 1), out.Get(1, 1)), std::tuple(32u, 0u, 96u, 0u));

    // A colour the palette holds exactly leaves no error to spread.
    Dib flat(CreateDib(5, 4, NULL, 24));
    for (int i = 0; i < 20; ++i)
        Pixels(flat).Put(i % 5, i / 5, RGB(36, 72, 170));
    Dib flatout(DitherDib(flat, p.rgb, 8, 0));
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(Pixels(flatout).Get(i % 5, i / 5), 42u);
}

TEST(Reduce, DitherFollowsTheDiffusionRulesOnEveryDepth)
{
    Palette332 p;
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 7}, {7, 1}, {13, 9}, {37, 5}, {64, 3}};
    for (int bits : {4, 8, 24, 32})
        for (auto [w, h] : sizes) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << w << " x " << h);
            Dib src(RandomDib(w, h, bits, (uint32_t)(w * 31 + h + bits)));
            auto before = Bytes(src);
            Dib fast(DitherDib(src, p.rgb, 8, 0)), slow(SlowDither(src, p.rgb));
            ASSERT_TRUE(fast);
            EXPECT_EQ(Bytes(fast), Bytes(slow));
            EXPECT_EQ(Bytes(src), before);
        }
    Dib mono(CreateDib(8, 8, NULL, 1));
    EXPECT_FALSE(Dib(DitherDib(mono, p.rgb, 8, 0)));
    EXPECT_FALSE(Dib(DitherDib(NULL, p.rgb, 8, 0)) || Dib(RemapDib(NULL, p.rgb, 8, 0)));
}

TEST(Reduce, RemapMapsTablesByNearestColourAndTrueColourByCode)
{
    Palette332 p;
    for (int bits : {4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        Dib src(RandomDib(37, 5, bits, 77));
        Pixels in(src);
        if (bits == 8) // greys: each maps to its nearest colour, the same for every pixel
            for (int i = 0; i < 256; ++i)
                in.Table()[i] = RGBQUAD{(BYTE)i, (BYTE)i, (BYTE)i, 0};
        Dib out(RemapDib(src, p.rgb, 8, 0));
        ASSERT_TRUE(out);
        Pixels o(out);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 37; ++x) {
                unsigned long v = in.Get(x, y);
                COLORREF c = in.Shown(v);
                unsigned long want = bits <= 8 ? FindPaletteColour(GetRValue(c), GetGValue(c), GetBValue(c), p.rgb, 256)
                                               : Code332(GetRValue(c), GetGValue(c), GetBValue(c));
                ASSERT_EQ(o.Get(x, y), want);
            }
    }
}

// A monochrome picture's colours are those of its table, not black and white.
TEST(Reduce, RemapOfMonochromeGoesThroughItsTable)
{
    Palette332 p;
    char bw[PALETTEBYTES];
    GetDefaultPalette(bw, NULL, 0);
    const RGBQUAD black{0, 0, 0, 0}, white{255, 255, 255, 0}, red{0, 0, 255, 0}, blue{255, 0, 0, 0};
    const struct {
        RGBQUAD zero, one;
        unsigned long even, odd, evenbit, oddbit;
    } cases[] = {{black, white, 0, 255, 0, 1}, {white, black, 255, 0, 1, 0}, {red, blue, 224, 3, 0, 0}};
    for (const auto &c : cases) {
        Dib src(CreateDib(10, 1, NULL, 1));
        {
            Pixels px(src);
            px.Table()[0] = c.zero, px.Table()[1] = c.one;
            for (int x = 0; x < 10; ++x)
                px.Put(x, 0, x & 1);
        }
        Dib out(RemapDib(src, p.rgb, 8, 0)), bits(RemapDib(src, bw, 1, 0));
        Pixels o(out), ob(bits);
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(o.Get(x, 0), x & 1 ? c.odd : c.even) << x;
            EXPECT_EQ(ob.Get(x, 0), x & 1 ? c.oddbit : c.evenbit) << x; // by brightness
        }
    }
    // To monochrome by brightness over 128: 38 + 76 + 14 = 128 is not, 129 is.
    Dib colour(CreateDib(4, 1, NULL, 24));
    const COLORREF colours[] = {RGB(129, 129, 129), RGB(130, 130, 130), RGB(255, 0, 0), RGB(0, 255, 255)};
    for (int x = 0; x < 4; ++x)
        Pixels(colour).Put(x, 0, colours[x]);
    Dib out(RemapDib(colour, bw, 1, 0));
    Pixels o(out);
    EXPECT_EQ(o.Bits(), 1);
    EXPECT_EQ(o.Get(0, 0) * 1000 + o.Get(1, 0) * 100 + o.Get(2, 0) * 10 + o.Get(3, 0), 101u);
}

} // namespace
