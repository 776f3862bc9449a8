// Animation cells composed over the background, the previous frame and the
// cell's own transparent colour, and frames found only inside their data.
#include "runtime/cells.h"
#include "surface.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

using namespace sbtest;

namespace {

constexpr int CW = 12, CH = 10; // the cell
const RECT area{5, 4, 45, 34};  // 40 x 30 inside a 50 x 40 window
constexpr int AW = 40, AH = 30, CX = 9, CY = 7;

// An 8-bit cell whose pixel (x, y) has index (x + y) % 4, over a table of
// four distinct colours; index 2 is the transparent one in the tests.
HGLOBAL PaletteCell(int width = CW, int height = CH)
{
    char rgb[768] = {};
    const uint8_t colours[4][3] = {{250, 10, 10}, {10, 250, 10}, {10, 10, 250}, {200, 200, 20}};
    memcpy(rgb, colours, sizeof colours);
    HGLOBAL dib = CreateDib(width, height, rgb, 8);
    DibLock lock(dib);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            WritePixel(lock.Row(y), x, 8, (x + y) % 4);
    return dib;
}

uint32_t PaletteColour(int x, int y)
{
    const uint32_t c[4] = {0xFA0A0A, 0x0AFA0A, 0x0A0AFA, 0xC8C814};
    return c[(x + y) % 4];
}

// A 32-bit cell of one colour and alpha.
HGLOBAL AlphaCell(uint32_t rgb, uint8_t alpha)
{
    HGLOBAL dib = CreateDib(CW, CH, nullptr, 32);
    DibLock lock(dib);
    for (int y = 0; y < CH; ++y)
        for (int x = 0; x < CW; ++x) {
            uint8_t *p = lock.Row(y) + 4 * x;
            p[0] = rgb & 0xFF, p[1] = (rgb >> 8) & 0xFF, p[2] = (rgb >> 16) & 0xFF, p[3] = alpha;
        }
    return dib;
}

// A bitmap of the area's size holding a pattern.
HBITMAP AreaBitmap(int seed)
{
    Surface s(AW, AH, seed);
    return s.Copy();
}

struct Drawn {
    Capture window;
    int result;
};

Drawn Draw(HGLOBAL cell, unsigned long flags, unsigned long transparent, bool withprevious, RECT previous)
{
    Surface window(50, 40, 9);
    HBITMAP background = AreaBitmap(3), previousframe = withprevious ? AreaBitmap(4) : NULL;
    DibLock lock(cell);
    Drawn d;
    d.result = DrawAnimationCell(NULL, window.dc, lock.header, CX, CY, (RECT *)&area, &previous, flags, transparent,
                                 background, previousframe);
    d.window = window.Read();
    DeleteObject(background);
    if (previousframe)
        DeleteObject(previousframe);
    return d;
}

TEST(Cells, PaletteCellsOverThePreviousFrameOrTheBackground)
{
    HGLOBAL cell = PaletteCell();
    struct Row {
        const char *name;
        unsigned long flags;
        bool previousframe;
        RECT previous;
    } rows[] = {
        {"opaque, transparent colour unused", 0, true, {}},
        {"transparent colour", ANIMFRAME_TRANSPARENT, true, {}},
        {"no previous frame starts from the background", ANIMFRAME_TRANSPARENT, false, {}},
        {"restore with an empty previous cell restores nothing", ANIMFRAME_RESTORE, true, {}},
        {"restore under the previous cell", ANIMFRAME_RESTORE, true, {0, 0, 6, 5}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        Drawn d = Draw(cell, r.flags, 2, r.previousframe, r.previous);
        ASSERT_EQ(d.result, 1);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 50; ++x) {
                int ax = x - area.left, ay = y - area.top;
                int cx = ax - CX, cy = ay - CY;
                uint32_t want;
                if (ax < 0 || ay < 0 || ax >= AW || ay >= AH)
                    want = PatternPixel(x, y, 9); // outside the area: untouched
                else if (cx >= 0 && cy >= 0 && cx < CW && cy < CH &&
                         (!(r.flags & ANIMFRAME_TRANSPARENT) || (cx + cy) % 4 != 2))
                    want = PaletteColour(cx, cy);
                else if (!r.previousframe ||
                         (ax >= r.previous.left && ax < r.previous.right && ay >= r.previous.top &&
                          ay < r.previous.bottom))
                    want = PatternPixel(ax, ay, 3);
                else
                    want = PatternPixel(ax, ay, 4);
                ASSERT_EQ(d.window.pixels[(size_t)y * 50 + x] & 0xFFFFFF, want) << x << ", " << y;
            }
    }
    GlobalFree(cell);
}

// An opaque cell over the whole area, and past it, hides all it would be
// composed over, restored or not, and leaves the window outside the area.
TEST(Cells, AnOpaqueCellOverTheWholeAreaStaysInsideIt)
{
    HGLOBAL cell = PaletteCell(AW + 6, AH + 5);
    for (unsigned long flags : {0ul, (unsigned long)ANIMFRAME_RESTORE}) {
        Surface window(50, 40, 9);
        HBITMAP background = AreaBitmap(3), previousframe = AreaBitmap(4);
        DibLock lock(cell);
        RECT previous{0, 0, 6, 5};
        EXPECT_EQ(DrawAnimationCell(NULL, window.dc, lock.header, -2, -3, (RECT *)&area, &previous, flags, 2,
                                    background, previousframe),
                  1);
        Capture c = window.Read();
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 50; ++x) {
                int ax = x - area.left, ay = y - area.top;
                bool inside = ax >= 0 && ay >= 0 && ax < AW && ay < AH;
                ASSERT_EQ(c.pixels[(size_t)y * 50 + x] & 0xFFFFFF,
                          inside ? PaletteColour(ax + 2, ay + 3) : PatternPixel(x, y, 9))
                    << x << ", " << y;
            }
        DeleteObject(background);
        DeleteObject(previousframe);
    }
    GlobalFree(cell);
}

TEST(Cells, AlphaCellsBlendWithTheBackgroundUnderThem)
{
    for (uint8_t alpha : {0, 128, 255}) {
        SCOPED_TRACE((int)alpha);
        HGLOBAL cell = AlphaCell(0x204080, alpha);
        Drawn d = Draw(cell, 0, 0, true, {});
        ASSERT_EQ(d.result, 1);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 50; ++x) {
                int cx = x - area.left - CX, cy = y - area.top - CY;
                uint32_t want = PatternPixel(x, y, 9);
                if (cx >= 0 && cy >= 0 && cx < CW && cy < CH) {
                    uint32_t b = PatternPixel(x - area.left, y - area.top, 3), c = 0x204080;
                    want = 0;
                    for (int k = 0; k < 24; k += 8)
                        want |= (((c >> k) & 0xFF) * alpha / 255 + ((b >> k) & 0xFF) * (255 - alpha) / 255) << k;
                }
                ASSERT_EQ(d.window.pixels[(size_t)y * 50 + x] & 0xFFFFFF, want) << x << ", " << y;
            }
        GlobalFree(cell);
    }
}

// An animation's data: the head, the frame records, then the pictures.
std::vector<char> Animation(uint32_t frames, int pictures)
{
    HGLOBAL cell = PaletteCell();
    DibLock lock(cell);
    size_t dibsize = lock.layout.total;
    std::vector<char> data(sizeof(ANIMHEADER) + pictures * (sizeof(OBJECTANIMFRAME) + dibsize));
    auto *head = (ANIMHEADER *)data.data();
    head->frames = frames;
    for (int i = 0; i < pictures; ++i) {
        OBJECTANIMFRAME f{};
        f.offset = (uint32_t)(sizeof(ANIMHEADER) + pictures * sizeof(OBJECTANIMFRAME) + i * dibsize);
        f.size = (uint32_t)dibsize;
        f.x = i;
        memcpy(data.data() + sizeof(ANIMHEADER) + i * sizeof f, &f, sizeof f);
        memcpy(data.data() + f.offset, lock.header, dibsize);
    }
    return data;
}

OBJECTANIMFRAME *Record(std::vector<char> &data, int i)
{
    return (OBJECTANIMFRAME *)(data.data() + sizeof(ANIMHEADER) + i * sizeof(OBJECTANIMFRAME));
}

TEST(Cells, FramesAreFoundOnlyInsideTheirData)
{
    struct Row {
        const char *name;
        uint32_t frames;
        unsigned long index;
        void (*damage)(std::vector<char> &);
        bool found;
    } rows[] = {
        {"first frame", 2, 0, nullptr, true},
        {"last frame", 2, 1, nullptr, true},
        {"index past the count", 2, 2, nullptr, false},
        {"no frames at all", 0, 0, nullptr, false},
        {"count past the records", 9, 5, nullptr, false},
        {"offset past the end", 2, 1, [](std::vector<char> &d) { Record(d, 1)->offset = 0xFFFFFFF0; }, false},
        {"size past the end", 2, 1, [](std::vector<char> &d) { Record(d, 1)->size += 1; }, false},
        {"picture larger than its size", 2, 0,
         [](std::vector<char> &d) { ((BITMAPINFOHEADER *)(d.data() + Record(d, 0)->offset))->biHeight = 5000; },
         false},
        {"size too small for a header", 2, 0, [](std::vector<char> &d) { Record(d, 0)->size = 8; }, false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<char> data = Animation(r.frames, 2);
        if (r.damage)
            r.damage(data);
        OBJECTANIMFRAME out{};
        BITMAPINFOHEADER *cell = FindAnimationCell(data.data(), data.size(), r.index, &out);
        EXPECT_EQ(cell != nullptr, r.found);
        if (cell) {
            EXPECT_EQ(out.x, (int)r.index);
        }
    }
    char shortdata[20] = {};
    EXPECT_EQ(FindAnimationCell(shortdata, sizeof shortdata, 0, nullptr), nullptr);
}

} // namespace

namespace {

// Damaged animation data and damaged pictures: nothing is read outside its
// block, whatever the bytes say.
TEST(Cells, DamagedDataNeverCrashes)
{
    Surface window(50, 40, 9);
    HBITMAP background = AreaBitmap(3);
    std::vector<char> valid = Animation(2, 2);
    unsigned seed = 7;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    for (int i = 0; i < 2000; ++i) {
        std::vector<char> data = valid;
        for (int n = 1 + next() % 4; n > 0; --n)
            data[next() % 200] = (char)next(); // the head, the records and the first header
        OBJECTANIMFRAME frame{};
        if (BITMAPINFOHEADER *cell = FindAnimationCell(data.data(), data.size(), next() % 3, &frame))
            DrawAnimationCell(NULL, window.dc, cell, frame.x % 64, frame.y % 64, (RECT *)&area, (RECT *)&area,
                              frame.flags, frame.transparent, background, NULL);
    }
    DeleteObject(background);
}

} // namespace
