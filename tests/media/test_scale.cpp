#include "media/dib.h"
#include "media/draw.h"
#include "media/scale.h"
#include "tests/media/picturetest.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>

using namespace pictest;

namespace {

// Enlarging one line of values as the rules read; positions no span writes
// stay -1.
std::vector<int> LiteralUp(const std::vector<int> &src, int percent)
{
    const int size = (int)src.size(), newsize = percent * size / 100, e = percent + (percent + 99) / 100;
    std::vector<int> out(newsize, -1);
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
    out[newsize - 1] = src[size - 1];
    return out;
}

// The same, with the unwritten positions taking the last value.
std::vector<int> SlowUp(const std::vector<int> &src, int percent)
{
    std::vector<int> out = LiteralUp(src, percent);
    for (int &v : out)
        if (v < 0)
            v = src.back();
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

TEST(Scale, NearestNeighbourSamplingColumns)
{
    std::vector<int> ramp(40);
    for (int i = 0; i < 40; ++i)
        ramp[i] = i;
    Dib src(Line(ramp, 8, false));
    int w = 30, h = 100;
    Dib thirty(ScaleDib(src, &w, &h, SCALE_PERCENT)); // step 3.3333333333333335
    ASSERT_TRUE(thirty);
    EXPECT_EQ(w, 12);
    EXPECT_EQ(h, 1);
    std::vector<int> got = Values(thirty, false);
    EXPECT_EQ(std::vector<int>(got.begin(), got.begin() + 11),
              (std::vector<int>{0, 3, 6, 10, 13, 16, 20, 23, 26, 29, 33}));

    Dib eight(Line(std::vector<int>(ramp.begin(), ramp.begin() + 8), 8, false));
    w = 150, h = 100;
    Dib grown(ScaleDib(eight, &w, &h, SCALE_PERCENT)); // step 0.6666666666666666
    ASSERT_TRUE(grown);
    EXPECT_EQ(Values(grown, false), (std::vector<int>{0, 0, 1, 2, 2, 3, 3, 4, 5, 6, 6, 7}));
}

TEST(Scale, ScaleDibBySizeOrPercentage)
{
    Dib src(RandomDib(100, 100, 8, 1));
    int w = 50, h = 50;
    Dib half(ScaleDib(src, &w, &h, 0));
    ASSERT_TRUE(half);
    EXPECT_EQ(w, 50);
    EXPECT_EQ(h, 50);
    {
        Pixels in(src), out(half);
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 50; ++x)
                ASSERT_EQ(out.Get(x, y), in.Get(2 * x, 2 * y));
        EXPECT_EQ(memcmp(out.Table(), in.Table(), 1024), 0);
    }
    Dib ten(RandomDib(10, 4, 24, 2));
    w = 33, h = 100;
    Dib third(ScaleDib(ten, &w, &h, SCALE_PERCENT));
    ASSERT_TRUE(third);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 4);
}

// Every depth samples the same positions, whatever the pixels' size.
TEST(Scale, NearestNeighbourOnEveryDepth)
{
    for (int bits : {1, 4, 8, 24, 32})
        for (auto [nw, nh] : {std::pair{7, 3}, {31, 17}, {3, 40}, {64, 64}}) {
            SCOPED_TRACE(testing::Message() << bits << " bits to " << nw << " x " << nh);
            Dib src(RandomDib(19, 13, bits, (uint32_t)bits));
            int w = nw, h = nh;
            Dib out(ScaleDib(src, &w, &h, 0));
            ASSERT_TRUE(out);
            auto map = [](int size, int newsize) {
                long long percent = ((long long)newsize * 100 + size - 1) / size;
                double step = 1 / (percent * 0.01), position = 0;
                std::vector<int> m;
                for (int k = 0; k < newsize; ++k, position += step)
                    m.push_back((int)position);
                return m;
            };
            std::vector<int> columns = map(19, nw), rows = map(13, nh);
            Pixels in(src), o(out);
            for (int y = 0; y < nh; ++y)
                for (int x = 0; x < nw; ++x)
                    ASSERT_EQ(o.Get(x, y), in.Get(columns[x], rows[y])) << x << "," << y;
        }
}

TEST(Scale, EnlargingTwoGreyPixelsAtTwoHundred)
{
    // e = 202; the span for p = 1 ends at 2.
    for (bool vertical : {false, true}) {
        Dib src(Line({0, 200}, 8, vertical));
        Dib out(vertical ? ScaleUpVertical(src, 200) : ScaleUpHorizontal(src, 200));
        ASSERT_TRUE(out);
        EXPECT_EQ(Values(out, vertical), (std::vector<int>{100, 200, 200, 200}));
    }
}

TEST(Scale, ReducingAtThirtyAveragesThreeThreeAndFour)
{
    std::vector<int> values{10, 20, 30, 40, 50, 60, 70, 80, 90, 101};
    for (bool vertical : {false, true}) {
        Dib src(Line(values, 8, vertical));
        Dib out(vertical ? ScaleDownVertical(src, 30) : ScaleDownHorizontal(src, 30));
        ASSERT_TRUE(out);
        EXPECT_EQ(Values(out, vertical), (std::vector<int>{20, 50, 85})); // 341 / 4
    }
}

// A last span that ends short of the result no longer leaves pixels that
// nothing wrote.
TEST(Scale, EnlargingLeavesNoUnwrittenTail)
{
    std::vector<int> fifty(50);
    for (int i = 0; i < 50; ++i)
        fifty[i] = 5 * i;
    std::vector<int> gap = LiteralUp(fifty, 400);
    EXPECT_EQ(gap[198], -1);
    EXPECT_EQ(std::count(gap.begin(), gap.end(), -1), 1);
    std::vector<int> two{40, 90};
    std::vector<int> literal = LiteralUp(two, 1000);
    for (int k = 11; k <= 18; ++k)
        EXPECT_EQ(literal[k], -1) << k;

    for (bool vertical : {false, true}) {
        SCOPED_TRACE(vertical);
        Dib src(Line(fifty, 8, vertical));
        Dib out(vertical ? ScaleUpVertical(src, 400) : ScaleUpHorizontal(src, 400));
        std::vector<int> got = Values(out, vertical), want = LiteralUp(fifty, 400);
        ASSERT_EQ(got.size(), 200u);
        EXPECT_EQ(got[198], 245);
        want[198] = 245;
        EXPECT_EQ(got, want); // identical wherever the rules wrote

        Dib pair(Line(two, 8, vertical));
        Dib wide(vertical ? ScaleUpVertical(pair, 1000) : ScaleUpHorizontal(pair, 1000));
        got = Values(wide, vertical);
        ASSERT_EQ(got.size(), 20u);
        for (int k = 10; k < 20; ++k)
            EXPECT_EQ(got[k], 90) << k;
        for (int k = 0; k < 10; ++k)
            EXPECT_EQ(got[k], literal[k]) << k;

        Dib one(Line({77}, 8, vertical));
        Dib three(vertical ? ScaleUpVertical(one, 300) : ScaleUpHorizontal(one, 300));
        EXPECT_EQ(Values(three, vertical), (std::vector<int>{77, 77, 77}));
    }
}

TEST(Scale, PassesFollowTheLineRulesOnEveryForm)
{
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 3}, {7, 5}, {50, 2}, {13, 11}};
    // 30000 % makes spans of over 256 pixels.
    const int ups[] = {101, 150, 199, 200, 233, 400, 1000, 30000}, downs[] = {7, 30, 50, 99, 100};
    for (int bits : {8, 24, 32})
        for (auto [w, h] : sizes)
            for (bool vertical : {false, true}) {
                Dib src(RandomDib(w, h, bits, (uint32_t)(w * 7 + h + bits)));
                auto before = Bytes(src);
                for (int percent : ups) {
                    SCOPED_TRACE(testing::Message() << bits << " bits " << w << " x " << h << " up " << percent
                                                    << (vertical ? " vertical" : " horizontal"));
                    Dib out(vertical ? ScaleUpVertical(src, percent) : ScaleUpHorizontal(src, percent));
                    ASSERT_TRUE(out);
                    ExpectPass(src, out, percent, vertical, true);
                }
                for (int percent : downs) {
                    SCOPED_TRACE(testing::Message() << bits << " bits " << w << " x " << h << " down " << percent
                                                    << (vertical ? " vertical" : " horizontal"));
                    Dib out(vertical ? ScaleDownVertical(src, percent) : ScaleDownHorizontal(src, percent));
                    if (percent * (vertical ? h : w) / 100 == 0) {
                        EXPECT_FALSE(out);
                        continue;
                    }
                    ASSERT_TRUE(out);
                    ExpectPass(src, out, percent, vertical, false);
                }
                EXPECT_EQ(Bytes(src), before);
            }
}

TEST(Scale, ResizeCopiesAtOneHundredAndAveragesPassByPass)
{
    Dib src(RandomDib(9, 7, 24, 4));
    Dib same(ResizeDib(src, 100));
    ASSERT_TRUE(same);
    EXPECT_EQ(Bytes(same), Bytes(src));

    // Red only: each pass divides on its own, so 41 becomes 40.
    const int red[2][4] = {{1, 4, 10, 21}, {2, 7, 100, 33}};
    Dib four(CreateDib(4, 2, NULL, 24));
    {
        Pixels p(four);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                p.Put(x, y, RGB(red[y][x], 0, 0));
    }
    Dib half(ResizeDib(four, 50));
    ASSERT_TRUE(half);
    Pixels out(half);
    ASSERT_EQ(out.Width(), 2);
    ASSERT_EQ(out.Height(), 1);
    EXPECT_EQ(out.Get(0, 0), RGB(3, 0, 0));
    EXPECT_EQ(out.Get(1, 0), RGB(40, 0, 0));
}

TEST(Scale, ResizeRepeatsPalettePixels)
{
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        Dib src(RandomDib(3, 2, bits, 6));
        Dib big(ResizeDib(src, 200));
        ASSERT_TRUE(big);
        Pixels in(src), out(big);
        ASSERT_EQ(out.Width(), 6);
        ASSERT_EQ(out.Height(), 4);
        ASSERT_EQ(out.Bits(), bits);
        EXPECT_EQ(memcmp(out.Table(), in.Table(), 4 << bits), 0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(out.Get(x, y), in.Get(x / 2, y / 2));
    }
}

TEST(Scale, ResizeOfTrueColourRunsBothPasses)
{
    for (int bits : {24, 32})
        for (int percent : {37, 150}) {
            Dib src(RandomDib(11, 9, bits, (uint32_t)percent));
            Dib across(percent > 100 ? ScaleUpHorizontal(src, percent) : ScaleDownHorizontal(src, percent));
            Dib both(percent > 100 ? ScaleUpVertical(across, percent) : ScaleDownVertical(across, percent));
            Dib resized(ResizeDib(src, percent));
            ASSERT_TRUE(resized);
            EXPECT_EQ(Bytes(resized), Bytes(both));
            Dib common(COMMONScaleDib(src, percent, percent));
            EXPECT_EQ(Bytes(common), Bytes(both));
        }
}

TEST(Scale, CommonScaleTakesEachDirectionOnItsOwn)
{
    Dib src(RandomDib(20, 10, 24, 8));
    Dib across(ScaleUpHorizontal(src, 150));
    Dib both(ScaleDownVertical(across, 40));
    Dib common(COMMONScaleDib(src, 150, 40));
    ASSERT_TRUE(common);
    EXPECT_EQ(Bytes(common), Bytes(both));

    // 8-bit pictures are grey levels to it: their index bytes are blended.
    Dib grey(RandomDib(10, 6, 8, 9));
    Dib greyacross(ScaleDownHorizontal(grey, 50));
    Dib greyboth(ScaleUpVertical(greyacross, 250));
    Dib greycommon(COMMONScaleDib(grey, 50, 250));
    ASSERT_TRUE(greycommon);
    EXPECT_EQ(Bytes(greycommon), Bytes(greyboth));
}

// 1- and 4-bit rows are not whole bytes a pixel: such pictures become true
// colour first instead of being read past their rows.
TEST(Scale, CommonScalePromotesMonochromeAndSixteenColours)
{
    for (int bits : {1, 4}) {
        SCOPED_TRACE(bits);
        Dib src(RandomDib(13, 5, bits, 12));
        Dib colour(COMMONPromoteToTrueColour(src));
        Dib across(ScaleUpHorizontal(colour, 300));
        Dib want(ScaleDownVertical(across, 60));
        Dib got(COMMONScaleDib(src, 300, 60));
        ASSERT_TRUE(got);
        EXPECT_EQ(Pixels(got).Bits(), 24);
        EXPECT_EQ(Bytes(got), Bytes(want));
        // The passes themselves take no such pictures.
        EXPECT_FALSE(Dib(ScaleUpHorizontal(src, 200)));
        EXPECT_FALSE(Dib(ScaleDownVertical(src, 50)));
    }
    Dib sixteen(HandMadeDib(4, 4, 16, 40));
    EXPECT_FALSE(Dib(COMMONScaleDib(sixteen, 200, 200)));
    EXPECT_FALSE(Dib(ResizeDib(sixteen, 200)));
}

TEST(Scale, NoPercentageOrSizeOfZeroOrLess)
{
    Dib colour(RandomDib(10, 10, 24, 1)), palette(RandomDib(10, 10, 8, 1));
    for (int percent : {0, -5, INT_MIN}) {
        SCOPED_TRACE(percent);
        EXPECT_FALSE(Dib(ResizeDib(colour, percent)));
        EXPECT_FALSE(Dib(ResizeDib(palette, percent)));
        EXPECT_FALSE(Dib(COMMONScaleDib(colour, percent, 100)));
        EXPECT_FALSE(Dib(COMMONScaleDib(colour, 100, percent)));
        EXPECT_FALSE(Dib(ScaleUpHorizontal(colour, percent)));
        EXPECT_FALSE(Dib(ScaleUpVertical(colour, percent)));
        EXPECT_FALSE(Dib(ScaleDownHorizontal(colour, percent)));
        EXPECT_FALSE(Dib(ScaleDownVertical(colour, percent)));
        int w = percent, h = 100;
        EXPECT_FALSE(Dib(ScaleDib(palette, &w, &h, SCALE_PERCENT)));
        EXPECT_EQ(w, percent); // left alone on failure
        w = 5, h = percent;
        EXPECT_FALSE(Dib(ScaleDib(palette, &w, &h, 0)));
    }
    // Percentages that leave nothing of a 10-pixel picture.
    EXPECT_FALSE(Dib(ResizeDib(colour, 5)));
    EXPECT_FALSE(Dib(ResizeDib(palette, 9)));
    EXPECT_FALSE(Dib(COMMONScaleDib(colour, 100, 9)));
    int w = 1, h = 100;
    EXPECT_FALSE(Dib(ScaleDib(palette, &w, &h, SCALE_PERCENT)));
    EXPECT_FALSE(Dib(ScaleDib(NULL, &w, &h, SCALE_PERCENT)));
    EXPECT_FALSE(Dib(ResizeDib(NULL, 100)));
}

TEST(Scale, HugeResultsAreRefused)
{
    Dib colour(RandomDib(100, 100, 24, 1));
    EXPECT_FALSE(Dib(ResizeDib(colour, INT_MAX)));
    EXPECT_FALSE(Dib(ScaleUpHorizontal(colour, 100000000)));
    int w = 2000000, h = 2000000;
    EXPECT_FALSE(Dib(ScaleDib(colour, &w, &h, 0)));
    EXPECT_EQ(w, 2000000);
}

} // namespace
