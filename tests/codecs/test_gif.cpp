// GIF files made with giflib's writer, so the reader meets what other
// programs write: screens, offsets, local tables, interlacing, extensions and
// further images.
#include "tests/codecs/codectest.h"
#include <gif_lib.h>
#include <gtest/gtest.h>

using namespace codectest;

namespace {

struct Spec {
    int screenwidth = 0, screenheight = 0, background = 0;
    std::vector<COLORREF> global, local;
    int left = 0, top = 0, width = 1, height = 1;
    bool interlace = false, extensions = false, second = false;
    int (*pixel)(int x, int y) = nullptr;
};

ColorMapObject *Map(const std::vector<COLORREF> &colours)
{
    if (colours.empty())
        return nullptr;
    std::vector<GifColorType> c;
    for (COLORREF r : colours)
        c.push_back(GifColorType{GetRValue(r), GetGValue(r), GetBValue(r)});
    return GifMakeMapObject(int(c.size()), c.data());
}

void WriteGif(const char *path, const Spec &s)
{
    int error;
    GifFileType *gif = EGifOpenFileName(path, false, &error);
    ASSERT_TRUE(gif);
    ColorMapObject *global = Map(s.global), *local = Map(s.local);
    EGifSetGifVersion(gif, true);
    ASSERT_EQ(EGifPutScreenDesc(gif, s.screenwidth, s.screenheight, 8, s.background, global), GIF_OK);
    if (s.extensions) {
        ASSERT_EQ(EGifPutComment(gif, "made by hand"), GIF_OK);
        const GifByteType control[4] = {1, 10, 0, 2};
        ASSERT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control), GIF_OK);
    }
    ASSERT_EQ(EGifPutImageDesc(gif, s.left, s.top, s.width, s.height, s.interlace, local), GIF_OK);
    // Interlaced rows go out pass by pass.
    std::vector<int> order;
    if (s.interlace) {
        const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; p++)
            for (int y = starts[p]; y < s.height; y += steps[p])
                order.push_back(y);
    } else {
        for (int y = 0; y < s.height; y++)
            order.push_back(y);
    }
    std::vector<GifPixelType> line(s.width);
    for (int y : order) {
        for (int x = 0; x < s.width; x++)
            line[x] = GifPixelType(s.pixel(x, y));
        ASSERT_EQ(EGifPutLine(gif, line.data(), s.width), GIF_OK);
    }
    if (s.second) {
        ASSERT_EQ(EGifPutImageDesc(gif, 0, 0, 1, 1, false, nullptr), GIF_OK);
        GifPixelType one = 1;
        ASSERT_EQ(EGifPutLine(gif, &one, 1), GIF_OK);
    }
    ASSERT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    GifFreeMapObject(global);
    GifFreeMapObject(local);
}

std::vector<COLORREF> Colours(int count)
{
    std::vector<COLORREF> c;
    for (int i = 0; i < count; i++)
        c.push_back(RGB(i, 255 - i, i * 2 % 256));
    return c;
}

struct GifReader : testing::Test {
    TempFile file{"hand.gif"};
    HGLOBAL Read(const Spec &s)
    {
        WriteGif(file.path, s);
        return Call(GIFReadGraphicFile, file.path);
    }
};

TEST_F(GifReader, ImageSitsOnTheScreenWithItsLocalTable)
{
    Spec s;
    s.screenwidth = 6, s.screenheight = 4, s.background = 3;
    s.global = Colours(2);
    s.local = {RGB(10, 0, 0), RGB(0, 20, 0), RGB(0, 0, 30), RGB(40, 40, 40)};
    s.left = 2, s.top = 1, s.width = 3, s.height = 2;
    s.pixel = [](int x, int y) { return (x + y) % 3; };
    Picture p(Read(s));
    ASSERT_TRUE(p.WellFormed());
    ASSERT_EQ(p.Width(), 6);
    ASSERT_EQ(p.Height(), 4);
    ASSERT_EQ(p.Bits(), 4);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 6; x++) {
            bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(p.Pixel(x, y), inside ? uint32_t((x - 2 + y - 1) % 3) : 3u) << x << "," << y;
        }
    EXPECT_EQ(p.Entry(2), RGB(0, 0, 30));
    Info info = GetInfo(GIFGetFileInformation, file.path);
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.header.biWidth, 6);
    EXPECT_EQ(info.header.biBitCount, 4);
    EXPECT_EQ(info.table[3], RGB(40, 40, 40));
}

TEST_F(GifReader, InterlacedRowsAfterExtensionsAndOnlyTheFirstImage)
{
    Spec s;
    s.screenwidth = 5, s.screenheight = 11;
    s.global = Colours(256);
    s.width = 5, s.height = 11;
    s.interlace = s.extensions = s.second = true;
    s.pixel = [](int x, int y) { return y * 10 + x; };
    Picture p(Read(s));
    ASSERT_TRUE(p.WellFormed());
    ASSERT_EQ(p.Bits(), 8);
    for (int y = 0; y < 11; y++)
        for (int x = 0; x < 5; x++)
            ASSERT_EQ(p.Pixel(x, y), uint32_t(y * 10 + x)) << x << "," << y;
    EXPECT_EQ(p.Entry(37), RGB(37, 218, 74));
}

TEST_F(GifReader, DepthFollowsTheTableSize)
{
    for (auto [colours, bits] : {std::pair{2, 1}, std::pair{8, 4}, std::pair{16, 4}, std::pair{32, 8}}) {
        Spec s;
        s.screenwidth = 9, s.screenheight = 2;
        s.global = Colours(colours);
        s.width = 9, s.height = 2;
        s.pixel = [](int x, int y) { return (x + y) % 2; };
        Picture p(Read(s));
        ASSERT_TRUE(p.WellFormed());
        EXPECT_EQ(p.Bits(), bits) << colours;
        EXPECT_EQ(p.Pixel(8, 1), 1u);
        EXPECT_EQ(p.Colour(7, 1), RGB(0, 255, 0));
    }
}

TEST_F(GifReader, OddScreensLeaveTheImageAlone)
{
    for (auto [w, h] : {std::pair{0, 0}, std::pair{2, 9}, std::pair{65535, 65535}}) {
        Spec s;
        s.screenwidth = w, s.screenheight = h;
        s.global = Colours(4);
        s.left = 1, s.top = 1, s.width = 3, s.height = 3;
        s.pixel = [](int x, int) { return x; };
        Picture p(Read(s));
        ASSERT_TRUE(p.WellFormed()) << w;
        EXPECT_EQ(p.Width(), 3) << w;
        EXPECT_EQ(p.Height(), 3) << w;
        EXPECT_EQ(p.Pixel(2, 2), 2u) << w;
    }
}

TEST_F(GifReader, OversizedImageOrNoImageGivesNull)
{
    Spec s;
    s.global = Colours(2);
    s.width = 40000, s.height = 1;
    s.pixel = [](int, int) { return 0; };
    EXPECT_FALSE(Picture(Read(s)));
    EXPECT_FALSE(GetInfo(GIFGetFileInformation, file.path).ok);

    const uint8_t empty[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'};
    WriteBytes(file.path, std::vector<uint8_t>(empty, empty + sizeof empty));
    EXPECT_FALSE(Picture(Call(GIFReadGraphicFile, file.path)));
}

} // namespace
