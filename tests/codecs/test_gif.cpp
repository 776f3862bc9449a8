// GIF files made with giflib's writer, so the reader meets what other
// programs write: screens, offsets, local tables, interlacing, extensions and
// further images.
#include "tests/codecs/codectest.h"
#include <gif_lib.h>

using namespace codectest;

namespace {

struct Spec {
    int screenwidth = 0, screenheight = 0, background = 0;
    std::vector<COLORREF> global = {}, local = {};
    int left = 0, top = 0, width = 1, height = 1;
    bool interlace = false, extensions = false, second = false;
    uint32_t (*pixel)(int x, int y) = nullptr;
};

ColorMapObject *Map(const std::vector<COLORREF> &colours)
{
    std::vector<GifColorType> c;
    for (COLORREF r : colours)
        c.push_back(GifColorType{GetRValue(r), GetGValue(r), GetBValue(r)});
    return c.empty() ? nullptr : GifMakeMapObject(int(c.size()), c.data());
}

int Collect(GifFileType *gif, const GifByteType *bytes, int count)
{
    auto *out = (std::vector<uint8_t> *)gif->UserData;
    out->insert(out->end(), bytes, bytes + count);
    return count;
}

// The file giflib writes; empty when giflib refuses.
std::vector<uint8_t> Gif(const Spec &s)
{
    std::vector<uint8_t> bytes;
    int error;
    GifFileType *gif = EGifOpen(&bytes, Collect, &error);
    ColorMapObject *global = Map(s.global), *local = Map(s.local);
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, s.screenwidth, s.screenheight, 8, s.background, global) == GIF_OK;
    if (s.extensions) {
        const GifByteType control[4] = {1, 10, 0, 2};
        ok = ok && EGifPutComment(gif, "made by hand") == GIF_OK &&
             EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, s.left, s.top, s.width, s.height, s.interlace, local) == GIF_OK;
    // Interlaced rows go out pass by pass.
    const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    std::vector<GifPixelType> line(s.width);
    for (int pass = 0; pass < (s.interlace ? 4 : 1); pass++)
        for (int y = s.interlace ? starts[pass] : 0; y < s.height; y += s.interlace ? steps[pass] : 1) {
            for (int x = 0; x < s.width; x++)
                line[x] = GifPixelType(s.pixel(x, y));
            ok = ok && EGifPutLine(gif, line.data(), s.width) == GIF_OK;
        }
    GifPixelType one = 1;
    if (s.second)
        ok = ok && EGifPutImageDesc(gif, 0, 0, 1, 1, false, nullptr) == GIF_OK && EGifPutLine(gif, &one, 1) == GIF_OK;
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(global);
    GifFreeMapObject(local);
    return ok ? bytes : std::vector<uint8_t>();
}

// Entry i is (i, 255 - i, 2i).
std::vector<COLORREF> Colours(int count)
{
    std::vector<COLORREF> c;
    for (int i = 0; i < count; i++)
        c.push_back(RGB(i, 255 - i, i * 2 % 256));
    return c;
}

uint32_t Checks(int x, int y) { return (x + y) % 2; }
// Noise whose codes take more bytes than the reader takes from the file at once.
uint32_t Noise(int x, int y) { return (x * 2654435761u ^ y * 40503u) >> 13 & 0xFF; }
uint32_t Column(int x, int) { return x; }

// Nine by two checks in a table of this many colours.
std::vector<uint8_t> Checkered(int colours)
{
    return Gif({.screenwidth = 9, .screenheight = 2, .global = Colours(colours), .width = 9, .height = 2, .pixel = Checks});
}

// Three by three columns at (1, 1) on an odd screen.
std::vector<uint8_t> OnScreen(int width, int height)
{
    return Gif({.screenwidth = width, .screenheight = height, .global = Colours(4), .left = 1, .top = 1, .width = 3,
                .height = 3, .pixel = Column});
}

const std::vector<uint8_t> NOIMAGE{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'};

INSTANTIATE_TEST_SUITE_P(Gif, HandBuilt, testing::ValuesIn(ForCodec(GIF, {
    // A three by two image at (2, 1) on a screen of background colour 3.
    {"ImageSitsOnTheScreenWithItsLocalTable",
     Gif({.screenwidth = 6, .screenheight = 4, .background = 3, .global = Colours(2),
          .local = {RGB(10, 0, 0), RGB(0, 20, 0), RGB(0, 0, 30), RGB(40, 40, 40)}, .left = 2, .top = 1, .width = 3,
          .height = 2, .pixel = [](int x, int y) -> uint32_t { return (x + y) % 3; }}),
     4, {{3, 3, 3, 3, 3, 3}, {3, 3, 0, 1, 2, 3}, {3, 3, 1, 2, 0, 3}, {3, 3, 3, 3, 3, 3}},
     {{2, RGB(0, 0, 30)}, {3, RGB(40, 40, 40)}}},
    {"InterlacedRowsAfterExtensionsAndOnlyTheFirstImage",
     Gif({.screenwidth = 5, .screenheight = 11, .global = Colours(256), .width = 5, .height = 11, .interlace = true,
          .extensions = true, .second = true, .pixel = [](int x, int y) -> uint32_t { return y * 10 + x; }}),
     8, Grid(5, 11, [](int x, int y) -> uint32_t { return y * 10 + x; }), {{37, RGB(37, 218, 74)}}},
    {"FileLargerThanTheReadersWindow", Gif({.global = Colours(256), .width = 1200, .height = 1000, .pixel = Noise}),
     8, Grid(1200, 1000, Noise)},
    {"TwoColoursGiveOneBit", Checkered(2), 1, Grid(9, 2, Checks), {{0, RGB(0, 255, 0)}}},
    {"EightColoursGiveFourBits", Checkered(8), 4, Grid(9, 2, Checks), {{0, RGB(0, 255, 0)}}},
    {"SixteenColoursGiveFourBits", Checkered(16), 4, Grid(9, 2, Checks), {{0, RGB(0, 255, 0)}}},
    {"ThirtyTwoColoursGiveEightBits", Checkered(32), 8, Grid(9, 2, Checks), {{0, RGB(0, 255, 0)}}},
    {"ScreenOfNoSizeLeavesTheImageAlone", OnScreen(0, 0), 4, Grid(3, 3, Column)},
    {"ScreenTooSmallLeavesTheImageAlone", OnScreen(2, 9), 4, Grid(3, 3, Column)},
    {"ScreenOverTheBoundLeavesTheImageAlone", OnScreen(65535, 65535), 4, Grid(3, 3, Column)},
    {"ImageOverTheBound",
     Gif({.global = Colours(2), .width = 40000, .height = 1, .pixel = [](int, int) -> uint32_t { return 0; }}),
     REFUSED},
    {"NoImage", NOIMAGE, REFUSED},
    {"EightBitScreenOfItsBackground",
     Gif({.screenwidth = 5, .screenheight = 3, .background = 200, .global = Colours(256), .left = 4, .top = 2,
          .pixel = [](int, int) -> uint32_t { return 7; }}),
     8, {{200, 200, 200, 200, 200}, {200, 200, 200, 200, 200}, {200, 200, 200, 200, 7}}},
    {"OneBitScreenOfItsBackground",
     Gif({.screenwidth = 11, .screenheight = 2, .background = 1, .global = Colours(2), .left = 9, .top = 0,
          .pixel = [](int, int) -> uint32_t { return 0; }}),
     1, {{1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}}},
})), CaseName);

// A one-pixel image whose descriptor is made to say width x height.
std::vector<uint8_t> Stretched(int width, int height)
{
    std::vector<uint8_t> file = Gif({.global = Colours(2), .pixel = [](int, int) -> uint32_t { return 1; }});
    size_t image = 13 + 6; // header, screen and a table of two
    EXPECT_EQ(file[image], ',');
    file[image + 5] = uint8_t(width), file[image + 6] = uint8_t(width >> 8);
    file[image + 7] = uint8_t(height), file[image + 8] = uint8_t(height >> 8);
    return file;
}

INSTANTIATE_TEST_SUITE_P(Gif, Hostile, testing::ValuesIn(ClaimsFor(GIF, {
    {"ImageLargerThanItsCodesCanMake", Stretched(11000, 11000), true, 1u << 16},
    // A large screen of one colour is an honest picture, made row by row.
    {"LargeScreenAroundATinyImage",
     Gif({.screenwidth = 8000, .screenheight = 6000, .background = 1, .global = Colours(2), .left = 5, .top = 5,
          .pixel = [](int, int) -> uint32_t { return 0; }}),
     true, 7u << 20, true},
    // A screen larger than any object can show: the image stands alone.
    {"ScreenLargerThanAnObjectShowsLeavesTheImageAlone",
     Gif({.screenwidth = 32767, .screenheight = 16383, .global = Colours(2), .left = 5, .top = 5,
          .pixel = [](int, int) -> uint32_t { return 1; }}),
     true, 1u << 16, true},
})), ClaimName);

} // namespace
