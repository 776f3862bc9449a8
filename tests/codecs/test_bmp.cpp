// Bitmap files built by hand, one for each header kind and pixel coding, with
// the pixels they must give worked out from the bytes.
#include "tests/codecs/codectest.h"
#include <gtest/gtest.h>

using namespace codectest;

namespace {

// A whole file: file header, then the given header, table and pixel bytes.
std::vector<uint8_t> BmpFile(const Bytes &header, const Bytes &table, const Bytes &pixels, int offbits = -1)
{
    uint32_t offset = uint32_t(14 + header.size() + table.size());
    Bytes file;
    file.str("BM").u32(uint32_t(offset + pixels.size())).u16(0).u16(0).u32(offbits < 0 ? offset : offbits);
    file.v.insert(file.v.end(), header.v.begin(), header.v.end());
    file.v.insert(file.v.end(), table.v.begin(), table.v.end());
    file.v.insert(file.v.end(), pixels.v.begin(), pixels.v.end());
    return file.v;
}

Bytes V3(int width, int height, int bits, uint32_t compression = 0, uint32_t colours = 0)
{
    Bytes h;
    h.u32(40).u32(uint32_t(width)).u32(uint32_t(height)).u16(1).u16(bits).u32(compression).u32(0).u32(2835).u32(2835)
        .u32(colours).u32(0);
    return h;
}

// A V4 (108 bytes) or V5 (124 bytes) header with bit fields.
Bytes V4V5(int size, int width, int height, int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    Bytes h = V3(width, height, bits, 3);
    h.v[0] = uint8_t(size);
    h.u32(r).u32(g).u32(b).u32(a).str("BGRs").fill(36 + 12, 0);
    if (size == 124)
        h.u32(4).u32(0).u32(0).u32(0);
    return h;
}

struct BmpReader : testing::Test {
    TempFile file{"hand.bmp"};
    HGLOBAL Read(const std::vector<uint8_t> &bytes)
    {
        WriteBytes(file.path, bytes);
        return Call(BMPReadGraphicFile, file.path);
    }
    Info ReadInfo() { return GetInfo(BMPGetFileInformation, file.path); }
};

TEST_F(BmpReader, CoreHeaderWithThreeByteEntries)
{
    Bytes core, table, pixels;
    core.u32(12).u16(3).u16(2).u16(1).u16(4);
    for (int i = 0; i < 16; i++)
        table.u8(i * 10).u8(i * 20).u8(i * 30); // blue, green, red
    pixels.raw({0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0}); // bottom row first
    Picture p(Read(BmpFile(core, table, pixels)));
    ASSERT_TRUE(Holds(p, 4, {{4, 5, 6}, {1, 2, 3}}));
    EXPECT_EQ(p.Entry(5), RGB(150, 100, 50));
    EXPECT_EQ(p.Entry(15), RGB(450 % 256, 300 % 256, 150));
    Info info = ReadInfo();
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.header.biBitCount, 4);
    EXPECT_EQ(info.table[5], RGB(150, 100, 50));
}

TEST_F(BmpReader, CoreTableEndsWhereThePixelsBegin)
{
    Bytes core, table, pixels;
    core.u32(12).u16(2).u16(1).u16(1).u16(8);
    table.raw({1, 2, 3, 4, 5, 6, 7, 8, 9}); // three entries, then the pixels
    pixels.raw({2, 7, 0, 0});
    Picture p(Read(BmpFile(core, table, pixels)));
    ASSERT_TRUE(Holds(p, 8, {{2, 7}}));
    EXPECT_EQ(p.Entry(2), RGB(9, 8, 7));
    EXPECT_EQ(p.Entry(3), RGB(0, 0, 0)); // not the pixel bytes
}

TEST_F(BmpReader, V3TableOfFewerColoursThanTheDepthHolds)
{
    Bytes table, pixels;
    table.raw({10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0});
    pixels.raw({2, 1, 0, 0, 0, 2, 0, 0});
    Picture p(Read(BmpFile(V3(2, 2, 8, 0, 3), table, pixels)));
    ASSERT_TRUE(Holds(p, 8, {{0, 2}, {2, 1}}));
    EXPECT_EQ(p.Entry(2), RGB(90, 80, 70));
    EXPECT_EQ(p.Entry(1), RGB(60, 50, 40));
    EXPECT_EQ(p.Entry(3), RGB(0, 0, 0));
}

TEST_F(BmpReader, TopDownRowsAndOneBit)
{
    Bytes pixels;
    pixels.raw({1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}); // top row first
    EXPECT_TRUE(Holds(Picture(Read(BmpFile(V3(2, -2, 24), {}, pixels))), 24,
                      {{RGB(3, 2, 1), RGB(6, 5, 4)}, {RGB(9, 8, 7), RGB(12, 11, 10)}}));

    Bytes table, bits;
    table.raw({0, 0, 255, 0, 255, 0, 0, 0}); // red, blue
    bits.raw({0xA0, 0, 0, 0, 0x40, 0, 0, 0});
    Picture mono(Read(BmpFile(V3(3, -2, 1), table, bits)));
    ASSERT_TRUE(Holds(mono, 1, {{1, 0, 1}, {0, 1, 0}}));
    EXPECT_EQ(mono.Entry(0), RGB(255, 0, 0));
    EXPECT_EQ(mono.Entry(1), RGB(0, 0, 255));
}

TEST_F(BmpReader, SixteenBitsPlainAreFiveFiveFive)
{
    Bytes pixels;
    pixels.u16(0x7C00).u16(0x03E0).u16(0x0010).u16(0); // three pixels and padding
    // Blue 16 of 31 scales to 132.
    EXPECT_TRUE(Holds(Picture(Read(BmpFile(V3(3, 1, 16), {}, pixels))), 24,
                      {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 132)}}));
}

TEST_F(BmpReader, BitFieldsAfterAV3Header)
{
    Bytes masks, pixels;
    masks.u32(0xF800).u32(0x07E0).u32(0x001F); // 5-6-5
    pixels.u16(0x07E0).u16(0x0020).u16(0xF81F).u16(0);
    // Green 1 of 63 scales to 4.
    EXPECT_TRUE(Holds(Picture(Read(BmpFile(V3(3, 1, 16, 3), masks, pixels))), 24,
                      {{RGB(0, 255, 0), RGB(0, 4, 0), RGB(255, 0, 255)}}));
}

TEST_F(BmpReader, V4BitFieldsWithAlphaGiveThirtyTwoBits)
{
    Bytes pixels;
    pixels.u32(0x80112233).u32(0x00FFFFFF);
    EXPECT_TRUE(Holds(Picture(Read(BmpFile(V4V5(108, 2, 1, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000), {}, pixels))),
                      32, {{RGB(0x11, 0x22, 0x33) | 0x80000000u, RGB(255, 255, 255)}}));
    EXPECT_EQ(ReadInfo().header.biBitCount, 32);
}

TEST_F(BmpReader, V5TenBitFieldsWithoutAlphaGiveTwentyFourBits)
{
    Bytes pixels;
    pixels.u32(1023 | 512u << 10).u32(1023u << 20);
    EXPECT_TRUE(Holds(Picture(Read(BmpFile(V4V5(124, 2, 1, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0), {}, pixels))), 24,
                      {{RGB(255, 128, 0), RGB(0, 0, 255)}}));
}

TEST_F(BmpReader, ThirtyTwoBitsPlainKeepTheFourthByte)
{
    Bytes pixels;
    pixels.raw({1, 2, 3, 4});
    EXPECT_TRUE(Holds(Picture(Read(BmpFile(V3(1, 1, 32), {}, pixels))), 32, {{RGB(3, 2, 1) | 0x04000000u}}));
}

Bytes Table(int count)
{
    Bytes t;
    for (int i = 0; i < count; i++)
        t.u8(i).u8(i * 2).u8(i * 3).u8(0);
    return t;
}

TEST_F(BmpReader, Rle8RunsAbsoluteRunsAndDeltas)
{
    Bytes rle;
    rle.raw({3, 5, 0, 0});                         // bottom row: 5 5 5
    rle.raw({0, 3, 1, 2, 3, 0, 1, 9, 0, 0});       // 1 2 3 (padded), then 9
    rle.raw({0, 2, 2, 0, 2, 7, 0, 1});             // move right 2, 7 7, end
    Picture p(Read(BmpFile(V3(4, 3, 8, 1, 10), Table(10), rle)));
    ASSERT_TRUE(Holds(p, 8, {{0, 0, 7, 7}, {1, 2, 3, 9}, {5, 5, 5, 0}}));
    EXPECT_EQ(p.Entry(9), RGB(27, 18, 9));
}

TEST_F(BmpReader, Rle4RunsAlternateNibbles)
{
    Bytes rle;
    rle.raw({5, 0x12, 0, 0});             // bottom row: 1 2 1 2 1
    rle.raw({0, 3, 0x34, 0x50, 2, 0x67}); // 3 4 5, then 6 7
    rle.raw({0, 1});
    EXPECT_TRUE(Holds(Picture(Read(BmpFile(V3(5, 2, 4, 2), Table(16), rle))), 4, {{3, 4, 5, 6, 7}, {1, 2, 1, 2, 1}}));
}

TEST_F(BmpReader, RleStaysInsideThePicture)
{
    // A run far past the row's end and an absolute run past it are cut at the
    // edge, not carried into the rows above; a move past the top ends the
    // picture.
    Bytes rle;
    rle.raw({255, 4, 0, 0});
    rle.raw({0, 5, 1, 2, 3, 4, 5, 0, 0, 0});
    rle.raw({0, 0});
    rle.raw({0, 2, 200, 200});
    rle.fill(64, 6); // never reached
    EXPECT_TRUE(Holds(Picture(Read(BmpFile(V3(2, 4, 8, 1, 8), Table(8), rle))), 8, {{0, 0}, {0, 0}, {1, 2}, {4, 4}}));

    // Every row ended, but no end mark: the picture is whole.
    Bytes ends;
    ends.raw({2, 3, 0, 0, 2, 4, 0, 0});
    EXPECT_TRUE(Holds(Picture(Read(BmpFile(V3(2, 2, 8, 1, 8), Table(8), ends))), 8, {{4, 4}, {3, 3}}));

    // The data runs out in the first row.
    Bytes cut;
    cut.raw({2, 3});
    EXPECT_FALSE(Picture(Read(BmpFile(V3(2, 2, 8, 1, 8), Table(8), cut))));
    // An absolute run longer than the data left.
    Bytes shortrun;
    shortrun.raw({0, 40, 1, 2});
    EXPECT_FALSE(Picture(Read(BmpFile(V3(2, 2, 8, 1, 8), Table(8), shortrun))));
}

TEST_F(BmpReader, AbsurdHeadersGiveNull)
{
    Bytes pixels;
    pixels.fill(64, 0);
    struct Case {
        const char *what;
        Bytes header;
    } cases[] = {
        {"width over the bound", V3(100000, 1, 24)},
        {"picture over the size bound", V3(30000, 30000, 24)},
        {"most negative height", V3(4, INT32_MIN, 24)},
        {"zero width", V3(0, 4, 24)},
        {"negative width", V3(-4, 4, 24)},
        {"depth 7", V3(2, 2, 7)},
        {"JPEG inside", V3(2, 2, 24, 4)},
        {"RLE8 of 4 bits", V3(2, 2, 4, 1)},
        {"top-down RLE", V3(2, -2, 8, 1)},
        {"bit fields of 24 bits", V3(2, 2, 24, 3)},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> bytes = BmpFile(c.header, Table(2), pixels);
        EXPECT_FALSE(Picture(Read(bytes))) << c.what;
        EXPECT_FALSE(ReadInfo().ok) << c.what;
    }
    Bytes huge = V3(2, 2, 24);
    huge.v[0] = 0xFF, huge.v[3] = 0xFF; // header size 0xFF0000FF
    EXPECT_FALSE(Picture(Read(BmpFile(huge, {}, pixels))));
    Bytes os2 = V3(2, 2, 16, 3);
    os2.v[0] = 64;
    os2.fill(24, 0);
    EXPECT_FALSE(Picture(Read(BmpFile(os2, {}, pixels)))); // Huffman, not bit fields
    EXPECT_FALSE(Picture(Read(BmpFile(V3(2, 2, 24), {}, pixels, 100000)))); // pixels past the end
    EXPECT_FALSE(Picture(Read(BmpFile(V3(2, 2, 8), Table(100), {})))); // no pixels
    EXPECT_FALSE(Picture(Read(BmpFile(V3(2, 2, 8, 0, 0), Table(100), {}, 0)))); // table cut short
}

TEST(BmpWriter, WritesAPlainV3File)
{
    TempFile file("plain.bmp");
    Picture source(MakeDib(3, 2, 8, {RGB(1, 2, 3), RGB(4, 5, 6)}, [](int x, int y) -> uint32_t { return x == y; }));
    ASSERT_NE(BMPWriteGraphicFile(file.path, source.handle), 0);
    std::vector<uint8_t> b = ReadBytes(file.path);
    ASSERT_EQ(b.size(), 14u + 40 + 1024 + 8);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(b[2] | b[3] << 8, int(b.size()));
    EXPECT_EQ(b[10] | b[11] << 8, 14 + 40 + 1024);
    EXPECT_EQ(b[14], 40);
    EXPECT_EQ(b[14 + 14], 8);
    EXPECT_EQ(b[14 + 16], 0); // BI_RGB
    EXPECT_EQ(b[14 + 32] | b[14 + 33] << 8, 256);
    EXPECT_EQ(b[54 + 4], 6); // entry 1 blue, green, red
    EXPECT_EQ(b[54 + 6], 4);
    const uint8_t rows[8] = {0, 1, 0, 0, 1, 0, 0, 0}; // bottom row first
    EXPECT_TRUE(std::equal(rows, rows + 8, b.end() - 8));
}

} // namespace
