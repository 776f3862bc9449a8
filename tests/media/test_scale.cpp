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

// Enlarging one line of values, written plainly; positions no span writes
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

TEST(Scale, NearestNeighbourGoldenColumns)
{
    std::vector<int> ramp(40);
    for (int i = 0; i < 40; ++i)
        ramp[i] = i;
    Dib src(Line(ramp, 8, false)), eight(Line(std::vector<int>(ramp.begin(), ramp.begin() + 8), 8, false));
    int w = 30, h = 100;
    Dib thirty(ScaleDib(src, &w, &h, SCALE_PERCENT)); // step 3.3333333333333335
    EXPECT_EQ(w * 10 + h, 121);
    std::vector<int> got = Values(thirty, false);
    EXPECT_EQ(std::vector<int>(got.begin(), got.begin() + 11),
              (std::vector<int>{0, 3, 6, 10, 13, 16, 20, 23, 26, 29, 33}));
    w = 150, h = 100;
    Dib grown(ScaleDib(eight, &w, &h, SCALE_PERCENT)); // step 0.6666666666666666
    EXPECT_EQ(Values(grown, false), (std::vector<int>{0, 0, 1, 2, 2, 3, 3, 4, 5, 6, 6, 7}));
    Dib ten(RandomDib(10, 4, 24, 2));
    w = 33, h = 100;
    Dib third(ScaleDib(ten, &w, &h, SCALE_PERCENT));
    EXPECT_EQ(w * 10 + h, 34);
}

// Every depth samples the same positions, whatever the size of its pixels.
TEST(Scale, NearestNeighbourOnEveryDepth)
{
    auto map = [](int size, int newsize) {
        long long percent = ((long long)newsize * 100 + size - 1) / size;
        double step = 1 / (percent * 0.01), position = 0;
        std::vector<int> m;
        for (int k = 0; k < newsize; ++k, position += step)
            m.push_back((int)position);
        return m;
    };
    for (int bits : {1, 4, 8, 24, 32})
        for (auto [nw, nh] : {std::pair{7, 3}, {31, 17}, {3, 40}, {50, 50}}) {
            SCOPED_TRACE(testing::Message() << bits << " bits to " << nw << " x " << nh);
            Dib src(RandomDib(nw == 50 ? 100 : 19, nw == 50 ? 100 : 13, bits, (uint32_t)bits));
            Pixels in(src);
            int w = nw, h = nh;
            Dib out(ScaleDib(src, &w, &h, 0));
            ASSERT_TRUE(out);
            Pixels o(out);
            ASSERT_EQ(o.Width() * 1000 + o.Height(), nw * 1000 + nh);
            std::vector<int> columns = map(in.Width(), nw), rows = map(in.Height(), nh);
            for (int y = 0; y < nh; ++y)
                for (int x = 0; x < nw; ++x)
                    ASSERT_EQ(o.Get(x, y), in.Get(columns[x], rows[y])) << x << "," << y;
            if (nw == 50) { // half of 100: every second pixel
                EXPECT_EQ(o.Get(49, 49), in.Get(98, 98));
            }
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
        Dib up(vertical ? ScaleUpVertical(two, 200) : ScaleUpHorizontal(two, 200));
        Dib down(vertical ? ScaleDownVertical(ten, 30) : ScaleDownHorizontal(ten, 30));
        EXPECT_EQ(Values(up, vertical), (std::vector<int>{100, 200, 200, 200}));
        EXPECT_EQ(Values(down, vertical), (std::vector<int>{20, 50, 85})); // 341 / 4
    }
}

// A last span that ends short of the result no longer leaves pixels that
// nothing wrote: they take the last source pixel.
TEST(Scale, EnlargingLeavesNoUnwrittenTail)
{
    std::vector<int> fifty(50), two{40, 90};
    for (int i = 0; i < 50; ++i)
        fifty[i] = 5 * i;
    std::vector<int> gap = LiteralUp(fifty, 400), gaps = LiteralUp(two, 1000);
    EXPECT_EQ(std::count(gap.begin(), gap.end(), -1), 1);
    EXPECT_EQ(gap[198], -1);
    EXPECT_EQ(std::count(gaps.begin() + 11, gaps.begin() + 19, -1), 8);
    gap[198] = 245;
    std::fill(gaps.begin() + 11, gaps.begin() + 19, 90);
    for (bool vertical : {false, true}) {
        SCOPED_TRACE(vertical);
        Dib a(Line(fifty, 8, vertical)), b(Line(two, 8, vertical)), c(Line({77}, 8, vertical));
        Dib wide(vertical ? ScaleUpVertical(a, 400) : ScaleUpHorizontal(a, 400));
        Dib wider(vertical ? ScaleUpVertical(b, 1000) : ScaleUpHorizontal(b, 1000));
        Dib three(vertical ? ScaleUpVertical(c, 300) : ScaleUpHorizontal(c, 300));
        EXPECT_EQ(Values(wide, vertical), gap); // identical wherever a span wrote
        EXPECT_EQ(Values(wider, vertical), gaps);
        EXPECT_EQ(Values(three, vertical), (std::vector<int>{77, 77, 77}));
    }
}

TEST(Scale, PassesFollowTheLineRulesOnEveryForm)
{
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 3}, {7, 5}, {50, 2}, {13, 11}};
    // 30000 % makes spans of over 256 pixels.
    const int percents[] = {101, 150, 199, 200, 233, 400, 1000, 30000, 7, 30, 50, 99, 100};
    for (int bits : {8, 24, 32})
        for (auto [w, h] : sizes)
            for (bool vertical : {false, true}) {
                Dib src(RandomDib(w, h, bits, (uint32_t)(w * 7 + h + bits)));
                auto before = Bytes(src);
                for (int percent : percents) {
                    SCOPED_TRACE(testing::Message() << bits << " bits " << w << " x " << h << " at " << percent
                                                    << (vertical ? " vertical" : " horizontal"));
                    bool up = percent > 100;
                    Dib out(up ? (vertical ? ScaleUpVertical(src, percent) : ScaleUpHorizontal(src, percent))
                               : (vertical ? ScaleDownVertical(src, percent) : ScaleDownHorizontal(src, percent)));
                    if (percent * (vertical ? h : w) / 100 == 0) {
                        EXPECT_FALSE(out);
                        continue;
                    }
                    ASSERT_TRUE(out);
                    ExpectPass(src, out, percent, vertical, up);
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

    // Palette pictures are sampled: every pixel twice each way at 200 %.
    for (int bits : {1, 4, 8}) {
        Dib small(RandomDib(3, 2, bits, 6));
        Dib big(ResizeDib(small, 200));
        Pixels in(small), o(big);
        ASSERT_EQ(o.Width() * 100 + o.Height() * 10 + o.Bits(), 640 + bits);
        EXPECT_EQ(memcmp(o.Table(), in.Table(), 4 << bits), 0);
        for (int i = 0; i < 24; ++i)
            EXPECT_EQ(o.Get(i % 6, i / 6), in.Get(i % 6 / 2, i / 12)) << bits;
    }
}

// Both functions run the horizontal pass first, then the vertical one; the
// common one takes 8-bit pictures as grey levels.
TEST(Scale, ResizeAndCommonScaleRunBothPasses)
{
    for (int bits : {8, 24, 32})
        for (auto [px, py] : {std::pair{37, 37}, {150, 150}, {150, 40}, {50, 250}, {100, 300}}) {
            SCOPED_TRACE(testing::Message() << bits << " bits at " << px << " x " << py);
            Dib src(RandomDib(11, 9, bits, (uint32_t)px));
            Dib across(px > 100 ? ScaleUpHorizontal(src, px) : px < 100 ? ScaleDownHorizontal(src, px)
                                                                         : DuplicateObject(src));
            Dib both(py > 100 ? ScaleUpVertical(across, py) : ScaleDownVertical(across, py));
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
        Dib colour(COMMONPromoteToTrueColour(src));
        Dib across(ScaleUpHorizontal(colour, 300));
        Dib want(ScaleDownVertical(across, 60));
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
