#include "media/dib.h"
#include "media/draw.h"
#include "media/scale.h"
#include "common/services.h"
#include "tests/media/picturetest.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>

using namespace pictest;

namespace {

// Enlarging one line of values, written plainly. Positions that no span
// writes (after a last span that ends short) take the last value.
std::vector<int> SlowUp(const std::vector<int> &src, int percent)
{
    const int size = (int)src.size(), newsize = percent * size / 100, e = percent + (percent + 99) / 100;
    std::vector<int> out(newsize, src.back());
    out[0] = src[0];
    int prev = 0;
    for (int p = 1; p < size; ++p) {
        int end = e * p / 100, n = end - prev;
        for (int g = 0; g < n; ++g)
            if (prev + g < newsize)
                out[prev + g] = (n - g - 1) * src[p - 1] / n + (g + 1) * src[p] / n;
        if (end < newsize)
            out[end] = src[p];
        prev = end;
    }
    return out;
}

// Reducing one line: box averages, an empty box giving 0.
std::vector<int> SlowDown(const std::vector<int> &src, int percent)
{
    const int size = (int)src.size(), newsize = percent * size / 100;
    std::vector<int> out(newsize);
    int prev = 0;
    for (int j = 0; j < newsize; ++j) {
        int end = (j + 1) * 100 / percent, sum = 0, count = 0;
        for (int k = prev; k < end && k < size; ++k)
            sum += src[k], ++count;
        out[j] = sum / std::max(count, 1);
        prev = end;
    }
    return out;
}

// The passes treat every byte of a pixel alike: grey levels, or the bytes
// of a true-colour pixel.
int Component(unsigned long pixel, int c)
{
    return (int)((pixel >> (8 * c)) & 255);
}

// What a pass must give: the line rule applied along rows or columns, byte
// by byte.
void ExpectPass(HGLOBAL src, HGLOBAL result, int percent, bool vertical, bool up)
{
    Pixels in(src), out(result);
    const int components = in.Bits() / 8;
    const int w = in.Width(), h = in.Height();
    ASSERT_EQ(out.Bits(), in.Bits());
    const int lines = vertical ? w : h, length = vertical ? h : w;
    for (int line = 0; line < lines; ++line)
        for (int c = 0; c < components; ++c) {
            std::vector<int> values(length);
            for (int k = 0; k < length; ++k)
                values[k] = Component(vertical ? in.Get(line, k) : in.Get(k, line), c);
            std::vector<int> want = up ? SlowUp(values, percent) : SlowDown(values, percent);
            ASSERT_EQ(vertical ? out.Height() : out.Width(), (int)want.size());
            for (int k = 0; k < (int)want.size(); ++k)
                ASSERT_EQ(Component(vertical ? out.Get(line, k) : out.Get(k, line), c), want[k])
                    << "line " << line << " byte " << c << " position " << k;
        }
}

HGLOBAL Line(const std::vector<int> &values, int bits, bool vertical)
{
    int n = (int)values.size();
    HGLOBAL dib = vertical ? CreateDib(1, n, NULL, bits) : CreateDib(n, 1, NULL, bits);
    Pixels p(dib);
    for (int k = 0; k < n; ++k)
        vertical ? p.Put(0, k, values[k]) : p.Put(k, 0, values[k]);
    return dib;
}

std::vector<int> Values(HGLOBAL dib, bool vertical)
{
    Pixels p(dib);
    std::vector<int> out;
    for (int k = 0; k < (vertical ? p.Height() : p.Width()); ++k)
        out.push_back((int)(vertical ? p.Get(0, k) : p.Get(k, 0)));
    return out;
}

// The public pass for a percentage and a direction.
HGLOBAL OnePass(HGLOBAL dib, int percent, bool vertical)
{
    if (percent > 100)
        return vertical ? ScaleUpVertical(dib, percent) : ScaleUpHorizontal(dib, percent);
    return vertical ? ScaleDownVertical(dib, percent) : ScaleDownHorizontal(dib, percent);
}

std::vector<int> Steps(int n, int num, int den)
{
    std::vector<int> v;
    for (int i = 0; i < n; ++i)
        v.push_back(i * num / den);
    return v;
}

TEST(Scale, NearestNeighbourGoldenColumns)
{
    const std::vector<int> ramp = Steps(100, 1, 1);
    Dib src(Line(ramp, 8, false)), eight(Line(std::vector<int>(ramp.begin(), ramp.begin() + 8), 8, false));
    int w = 30, h = 100;
    Dib thirty(ScaleDib(src, &w, &h, SCALE_PERCENT)); // step 3.3333333333333335
    EXPECT_EQ(w * 10 + h, 301);
    std::vector<int> got = Values(thirty, false);
    EXPECT_EQ(std::vector<int>(got.begin(), got.begin() + 11),
              (std::vector<int>{0, 3, 6, 10, 13, 16, 20, 23, 26, 29, 33}));
    w = 150, h = 100;
    Dib grown(ScaleDib(eight, &w, &h, SCALE_PERCENT)); // step 0.6666666666666666
    EXPECT_EQ(Values(grown, false), (std::vector<int>{0, 0, 1, 2, 2, 3, 3, 4, 5, 6, 6, 7}));
    w = 50, h = 1; // sizes: 50 %, every second pixel
    EXPECT_EQ(Values(Dib(ScaleDib(src, &w, &h, 0)), false), Steps(50, 2, 1));
    Dib ten(RandomDib(10, 4, 24, 2));
    w = 33, h = 100;
    Dib third(ScaleDib(ten, &w, &h, SCALE_PERCENT));
    EXPECT_EQ(w * 10 + h, 34);
}

// Every depth samples the same places, whatever the size of its pixels: at
// 200 % each pixel twice each way, at 50 % every second one. Sizes become
// percentages rounded up: 19 to 7 is 37 %, 13 to 3 is 24 %.
TEST(Scale, NearestNeighbourOnEveryDepth)
{
    const struct {
        int w, h;
        unsigned flags;
        std::vector<int> columns, rows;
    } cases[] = {{200, 200, SCALE_PERCENT, Steps(38, 1, 2), Steps(26, 1, 2)},
                 {50, 50, SCALE_PERCENT, Steps(9, 2, 1), Steps(6, 2, 1)},
                 {7, 3, 0, {0, 2, 5, 8, 10, 13, 16}, {0, 4, 8}}};
    for (int bits : {1, 4, 8, 24, 32})
        for (const auto &c : cases) {
            SCOPED_TRACE(testing::Message() << bits << " bits to " << c.w << " x " << c.h);
            Dib src(RandomDib(19, 13, bits, (uint32_t)bits));
            Pixels in(src);
            int w = c.w, h = c.h;
            Dib out(ScaleDib(src, &w, &h, c.flags));
            ASSERT_TRUE(out);
            Pixels o(out);
            ASSERT_EQ(std::pair(o.Width(), o.Height()), std::pair((int)c.columns.size(), (int)c.rows.size()));
            EXPECT_EQ(std::pair(w, h), std::pair(o.Width(), o.Height()));
            for (int y = 0; y < o.Height(); ++y)
                for (int x = 0; x < o.Width(); ++x)
                    ASSERT_EQ(o.Get(x, y), in.Get(c.columns[x], c.rows[y])) << x << "," << y;
            if (bits <= 8) {
                EXPECT_EQ(memcmp(o.Table(), in.Table(), 4 << bits), 0);
            }
        }
}

TEST(Scale, GoldenLines)
{
    // At 200 %, e = 202: the span for p = 1 ends at 2. At 30 %, boxes end
    // at 3, 6 and 10.
    for (bool vertical : {false, true}) {
        Dib two(Line({0, 200}, 8, vertical)), ten(Line({10, 20, 30, 40, 50, 60, 70, 80, 90, 101}, 8, vertical));
        Dib up(OnePass(two, 200, vertical)), down(OnePass(ten, 30, vertical));
        EXPECT_EQ(Values(up, vertical), (std::vector<int>{100, 200, 200, 200}));
        EXPECT_EQ(Values(down, vertical), (std::vector<int>{20, 50, 85})); // 341 / 4
    }
}

TEST(Scale, PassesFollowTheLineRulesOnEveryForm)
{
    // 50 pixels at 400 % and 2 at 1000 % end their last span short of the
    // result; 30000 % makes spans of over 256 pixels.
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 3}, {7, 5}, {50, 2}, {13, 11}};
    const int percents[] = {101, 150, 199, 200, 233, 400, 1000, 30000, 7, 30, 50, 99, 100};
    for (int bits : {8, 24, 32})
        for (auto [w, h] : sizes)
            for (bool vertical : {false, true}) {
                Dib src(RandomDib(w, h, bits, (uint32_t)(w * 7 + h + bits)));
                auto before = Bytes(src);
                for (int percent : percents) {
                    SCOPED_TRACE(testing::Message() << bits << " bits " << w << " x " << h << " at " << percent
                                                    << (vertical ? " vertical" : " horizontal"));
                    Dib out(OnePass(src, percent, vertical));
                    if (percent * (vertical ? h : w) / 100 == 0) {
                        EXPECT_FALSE(out);
                        continue;
                    }
                    ASSERT_TRUE(out);
                    ExpectPass(src, out, percent, vertical, percent > 100);
                }
                EXPECT_EQ(Bytes(src), before);
            }
}

TEST(Scale, ResizeByPercentage)
{
    Dib src(RandomDib(9, 7, 24, 4));
    Dib same(ResizeDib(src, 100));
    EXPECT_EQ(Bytes(same), Bytes(src));

    // Red only: each pass divides on its own, so 41 becomes 40.
    const int red[2][4] = {{1, 4, 10, 21}, {2, 7, 100, 33}};
    Dib four(CreateDib(4, 2, NULL, 24));
    {
        Pixels p(four);
        for (int i = 0; i < 8; ++i)
            p.Put(i % 4, i / 4, RGB(red[i / 4][i % 4], 0, 0));
    }
    Dib half(ResizeDib(four, 50));
    Pixels out(half);
    ASSERT_EQ(out.Width() * 10 + out.Height(), 21);
    EXPECT_EQ(out.Get(0, 0), RGB(3, 0, 0));
    EXPECT_EQ(out.Get(1, 0), RGB(40, 0, 0));

    // Palette pictures are sampled.
    Dib palette(RandomDib(3, 2, 8, 6));
    int w = 200, h = 200;
    EXPECT_EQ(Bytes(Dib(ResizeDib(palette, 200))), Bytes(Dib(ScaleDib(palette, &w, &h, SCALE_PERCENT))));
}

// Both functions run the horizontal pass first, then the vertical one; the
// common one takes 8-bit pictures as grey levels.
TEST(Scale, ResizeAndCommonScaleRunBothPasses)
{
    for (int bits : {8, 24, 32})
        for (auto [px, py] : {std::pair{37, 37}, {150, 150}, {150, 40}, {50, 250}, {100, 300}}) {
            SCOPED_TRACE(testing::Message() << bits << " bits at " << px << " x " << py);
            Dib src(RandomDib(11, 9, bits, (uint32_t)px));
            Dib across(OnePass(src, px, false)), both(OnePass(across, py, true));
            EXPECT_EQ(Bytes(Dib(COMMONScaleDib(src, px, py))), Bytes(both));
            if (px == py && bits > 8) {
                EXPECT_EQ(Bytes(Dib(ResizeDib(src, px))), Bytes(both));
            }
        }
}

// 1- and 4-bit rows are not whole bytes a pixel: such pictures become true
// colour first instead of being read past their rows.
TEST(Scale, CommonScalePromotesMonochromeAndSixteenColours)
{
    for (int bits : {1, 4}) {
        SCOPED_TRACE(bits);
        Dib src(RandomDib(13, 5, bits, 12));
        Dib colour(COMMONPromoteToTrueColour(src)), across(OnePass(colour, 300, false));
        Dib want(OnePass(across, 60, true));
        Dib got(COMMONScaleDib(src, 300, 60));
        ASSERT_TRUE(got);
        EXPECT_EQ(Bytes(got), Bytes(want));
        EXPECT_FALSE(Dib(ScaleUpHorizontal(src, 200))); // the passes take no such pictures
        EXPECT_FALSE(Dib(ScaleDownVertical(src, 50)));
    }
    Dib sixteen(HandMadeDib(4, 4, 16, 40));
    EXPECT_FALSE(Dib(COMMONScaleDib(sixteen, 200, 200)));
    EXPECT_FALSE(Dib(ResizeDib(sixteen, 200)));
}

TEST(Scale, NoPercentageOrSizeOfZeroOrLessAndNoHugeResults)
{
    Dib colour(RandomDib(10, 10, 24, 1)), palette(RandomDib(10, 10, 8, 1));
    for (int percent : {0, -5, INT_MIN}) {
        SCOPED_TRACE(percent);
        EXPECT_FALSE(Dib(ResizeDib(colour, percent)) || Dib(ResizeDib(palette, percent)) ||
                     Dib(COMMONScaleDib(colour, percent, 100)) || Dib(COMMONScaleDib(colour, 100, percent)) ||
                     Dib(ScaleUpHorizontal(colour, percent)) || Dib(ScaleUpVertical(colour, percent)) ||
                     Dib(ScaleDownHorizontal(colour, percent)) || Dib(ScaleDownVertical(colour, percent)));
        int w = percent, h = 100;
        EXPECT_FALSE(Dib(ScaleDib(palette, &w, &h, SCALE_PERCENT)));
        EXPECT_EQ(w, percent); // left alone on failure
        w = 5, h = percent;
        EXPECT_FALSE(Dib(ScaleDib(palette, &w, &h, 0)));
    }
    // Percentages that leave nothing of a 10-pixel picture, and results
    // too large for 32 bits.
    int w = 1, h = 100;
    EXPECT_FALSE(Dib(ResizeDib(colour, 5)) || Dib(ResizeDib(palette, 9)) || Dib(COMMONScaleDib(colour, 100, 9)) ||
                 Dib(ScaleDib(palette, &w, &h, SCALE_PERCENT)) || Dib(ResizeDib(NULL, 100)));
    EXPECT_FALSE(Dib(ResizeDib(colour, INT_MAX)) || Dib(ScaleUpHorizontal(colour, 2000000000)));
    w = 2000000, h = 2000000;
    EXPECT_FALSE(Dib(ScaleDib(colour, &w, &h, 0)));
    EXPECT_EQ(w, 2000000);
}

} // namespace
