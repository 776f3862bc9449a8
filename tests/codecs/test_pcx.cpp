// PC Paintbrush files built by hand: black and white, 16 colours in planes,
// 256 colours with the palette at the end, true colour in planes.
#include "tests/codecs/codectest.h"
#include <gtest/gtest.h>

using namespace codectest;

namespace {

Bytes Header(int bits, int planes, int width, int height, int bpl, int version = 5, int xmin = 0)
{
    Bytes h;
    h.u8(0x0A).u8(version).u8(1).u8(bits).u16(xmin).u16(0).u16(xmin + width - 1).u16(height - 1).u16(72).u16(72);
    for (int i = 0; i < 16; i++) // the 16-colour palette: entry i is (i*16, 255-i, i)
        h.u8(i * 16).u8(255 - i).u8(i);
    h.u8(0).u8(planes).u16(bpl).u16(1).u16(0).u16(0).fill(54, 0);
    return h;
}

std::vector<uint8_t> Join(Bytes head, std::initializer_list<uint8_t> data)
{
    head.raw(data);
    return head.v;
}

struct PcxReader : testing::Test {
    TempFile file{"hand.pcx"};
    HGLOBAL Read(const std::vector<uint8_t> &bytes)
    {
        WriteBytes(file.path, bytes);
        return Call(PCXReadGraphicFile, file.path);
    }
};

TEST_F(PcxReader, OneBitIsBlackAndWhite)
{
    // Top row 1100110011, bottom row 0000000001; bytes of 0xC0 and over are
    // coded as runs of one.
    Picture p(Read(Join(Header(1, 1, 10, 2, 2), {0xC1, 0xCC, 0xC1, 0xC0, 0x00, 0x40})));
    ASSERT_TRUE(Holds(p, 1, {{1, 1, 0, 0, 1, 1, 0, 0, 1, 1}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}}));
    EXPECT_EQ(p.Entry(0), RGB(0, 0, 0));
    EXPECT_EQ(p.Entry(1), RGB(255, 255, 255));
}

TEST_F(PcxReader, FourPlanesOfOneBitUseTheHeaderPalette)
{
    // Pixels 5, 10, 15: plane k holds bit k of each.
    Picture p(Read(Join(Header(1, 4, 3, 1, 2, 5, 10), {0xA0, 0, 0x60, 0, 0xA0, 0, 0x60, 0})));
    ASSERT_TRUE(Holds(p, 4, {{5, 10, 15}}));
    EXPECT_EQ(p.Entry(10), RGB(160, 245, 10));
}

TEST_F(PcxReader, EightBitsTakeThePaletteAtTheEnd)
{
    // Rows 7 7 7 7 and 7 7 9 9: the first run carries on into the second row.
    std::vector<uint8_t> bytes = Join(Header(8, 1, 4, 2, 4), {0xC6, 7, 0xC2, 9, 0x0C});
    for (int i = 0; i < 256; i++) {
        bytes.push_back(uint8_t(i * 10));
        bytes.push_back(uint8_t(255 - i));
        bytes.push_back(uint8_t(i * 3));
    }
    Picture p(Read(bytes));
    ASSERT_TRUE(Holds(p, 8, {{7, 7, 7, 7}, {7, 7, 9, 9}}));
    EXPECT_EQ(p.Entry(9), RGB(90, 246, 27));
    Info info = GetInfo(PCXGetFileInformation, file.path);
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.table[9], RGB(90, 246, 27));

    // Without the palette: an old file is grey, a version 5 file is damaged.
    Picture grey(Read(Join(Header(8, 1, 4, 2, 4, 3), {0xC6, 7, 0xC2, 9})));
    ASSERT_TRUE(grey.WellFormed());
    EXPECT_EQ(grey.Colour(2, 1), RGB(9, 9, 9));
    EXPECT_FALSE(Picture(Read(Join(Header(8, 1, 4, 2, 4, 5), {0xC6, 7, 0xC2, 9}))));
}

TEST_F(PcxReader, ThreePlanesOfEightBitsAreTrueColour)
{
    // Red plane 200 20, green plane 30 40, blue plane 50 60.
    EXPECT_TRUE(Holds(Picture(Read(Join(Header(8, 3, 2, 1, 2), {0xC1, 200, 20, 30, 40, 50, 60}))), 24,
                      {{RGB(200, 30, 50), RGB(20, 40, 60)}}));
}

TEST_F(PcxReader, AbsurdHeadersGiveNull)
{
    std::initializer_list<uint8_t> data = {0xC1, 0, 0xC1, 0, 0xC1, 0, 0xC1, 0};
    EXPECT_FALSE(Picture(Read(Join(Header(8, 3, 65535, 65535, 65535), data))));
    EXPECT_FALSE(Picture(Read(Join(Header(8, 1, 20000, 30000, 20000), data))));
    EXPECT_FALSE(Picture(Read(Join(Header(8, 1, 8, 1, 4), data)))); // rows wider than their bytes
    EXPECT_FALSE(Picture(Read(Join(Header(8, 2, 2, 1, 2), data)))); // no such layout
    EXPECT_FALSE(Picture(Read(Join(Header(4, 1, 2, 1, 2), data))));
    EXPECT_FALSE(Picture(Read(Join(Header(1, 0, 2, 1, 2), data)))); // no planes
    EXPECT_FALSE(Picture(Read(Join(Header(1, 5, 2, 1, 2), data))));
    Bytes backwards = Header(8, 3, 2, 1, 2);
    backwards.v[8] = 0, backwards.v[4] = 5; // xmax below xmin
    EXPECT_FALSE(Picture(Read(Join(backwards, data))));
    Bytes plain = Header(8, 3, 2, 1, 2);
    plain.v[2] = 0; // not run-length coded
    EXPECT_FALSE(Picture(Read(Join(plain, data))));
    EXPECT_FALSE(GetInfo(PCXGetFileInformation, file.path).ok);
}

TEST(PcxWriter, OneBitInColourKeepsItsColoursInPlanes)
{
    TempFile file("colour.pcx");
    Picture source(MakeDib(11, 3, 1, {RGB(200, 0, 0), RGB(0, 0, 200)},
                           [](int x, int y) -> uint32_t { return (x + y) % 3 == 0; }));
    ASSERT_NE(PCXWriteGraphicFile(file.path, source.handle), 0);
    std::vector<uint8_t> b = ReadBytes(file.path);
    EXPECT_EQ(b[1], 5);    // version
    EXPECT_EQ(b[65], 4);   // planes
    EXPECT_EQ(b[66], 2);   // bytes per plane row, even
    Picture p(Call(PCXReadGraphicFile, file.path));
    ASSERT_TRUE(p.WellFormed());
    EXPECT_EQ(p.Bits(), 4);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 11; x++)
            ASSERT_EQ(p.Colour(x, y), source.Colour(x, y)) << x << "," << y;
}

} // namespace
