// Targa files built by hand: each image type, plain and run-length coded,
// 15/16-bit colours and map entries, and every origin corner.
#include "tests/codecs/codectest.h"
#include <gtest/gtest.h>

using namespace codectest;

namespace {

Bytes Header(int type, int width, int height, int depth, int descriptor = 0, int maptype = 0, int first = 0,
             int length = 0, int entrybits = 0, const char *id = "")
{
    Bytes h;
    h.u8(uint8_t(strlen(id))).u8(maptype).u8(type).u16(first).u16(length).u8(entrybits).u16(0).u16(0)
        .u16(width).u16(height).u8(depth).u8(descriptor).str(id);
    return h;
}

std::vector<uint8_t> Join(Bytes head, std::initializer_list<uint8_t> data)
{
    head.raw(data);
    return head.v;
}

struct TgaReader : testing::Test {
    TempFile file{"hand.tga"};
    HGLOBAL Read(const std::vector<uint8_t> &bytes)
    {
        WriteBytes(file.path, bytes);
        return Call(TGAReadGraphicFile, file.path);
    }
};

TEST_F(TgaReader, ColourMappedBottomUpAfterAnId)
{
    Bytes h = Header(1, 3, 2, 8, 0, 1, 0, 3, 24, "abc");
    h.raw({1, 2, 3, 4, 5, 6, 7, 8, 9});          // blue, green, red
    Picture p(Read(Join(h, {0, 1, 2, 2, 2, 0}))); // bottom row first
    ASSERT_TRUE(Holds(p, 4, {{2, 2, 0}, {0, 1, 2}}));
    EXPECT_EQ(p.Entry(2), RGB(9, 8, 7));
    EXPECT_EQ(p.Entry(1), RGB(6, 5, 4));
    EXPECT_EQ(p.Entry(3), RGB(0, 0, 0));
    Info info = GetInfo(TGAGetFileInformation, file.path);
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.header.biBitCount, 4);
    EXPECT_EQ(info.table[2], RGB(9, 8, 7));
}

TEST_F(TgaReader, MapStartingPastZeroWithSixteenBitEntries)
{
    Bytes h = Header(1, 2, 1, 8, 0, 1, 2, 2, 16);
    h.u16(0x7C00).u16(0x801F); // red; blue with the attribute bit
    Picture p(Read(Join(h, {3, 2})));
    ASSERT_TRUE(Holds(p, 4, {{3, 2}}));
    EXPECT_EQ(p.Entry(3), RGB(0, 0, 255));
    EXPECT_EQ(p.Entry(2), RGB(255, 0, 0));
    EXPECT_EQ(p.Entry(0), RGB(0, 0, 0));

    Bytes large = Header(1, 1, 1, 8, 0, 1, 0, 200, 32);
    for (int i = 0; i < 200; i++)
        large.u8(i).u8(0).u8(0).u8(255);
    Picture eight(Read(Join(large, {199})));
    ASSERT_TRUE(Holds(eight, 8, {{199}}));
    EXPECT_EQ(eight.Entry(199), RGB(0, 0, 199));
}

TEST_F(TgaReader, TrueColourTopDown)
{
    EXPECT_TRUE(Holds(Picture(Read(Join(Header(2, 2, 2, 24, 0x20), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}))), 24,
                      {{RGB(3, 2, 1), RGB(6, 5, 4)}, {RGB(9, 8, 7), RGB(12, 11, 10)}}));
}

TEST_F(TgaReader, FifteenAndSixteenBitColours)
{
    for (int depth : {15, 16}) {
        Bytes data = Header(2, 3, 1, depth, depth == 16 ? 1 : 0);
        data.u16(0x83E0).u16(0x0421).u16(0x7FFF);
        EXPECT_TRUE(Holds(Picture(Read(data.v)), 24, {{RGB(0, 255, 0), RGB(8, 8, 8), RGB(255, 255, 255)}})) << depth;
    }
}

TEST_F(TgaReader, ThirtyTwoBitsKeepAlpha)
{
    EXPECT_TRUE(Holds(Picture(Read(Join(Header(2, 1, 1, 32, 8), {1, 2, 3, 0x80}))), 32, {{RGB(3, 2, 1) | 0x80000000u}}));
}

TEST_F(TgaReader, GreyAndRightToLeft)
{
    Picture p(Read(Join(Header(3, 3, 1, 8, 0x10), {1, 2, 250})));
    ASSERT_TRUE(Holds(p, 8, {{250, 2, 1}}));
    EXPECT_EQ(p.Entry(250), RGB(250, 250, 250));
}

TEST_F(TgaReader, RunLengthTypes)
{
    // Type 9: a run of three 1s, then two raw pixels.
    Bytes mapped = Header(9, 5, 1, 8, 0, 1, 0, 3, 24);
    mapped.fill(9, 40);
    EXPECT_TRUE(Holds(Picture(Read(Join(mapped, {0x82, 1, 0x01, 2, 0}))), 4, {{1, 1, 1, 2, 0}}));

    // Type 10: a run of three carries on from the bottom row into the top.
    COLORREF a = RGB(30, 20, 10), b = RGB(60, 50, 40);
    EXPECT_TRUE(Holds(Picture(Read(Join(Header(10, 2, 2, 24), {0x82, 10, 20, 30, 0x00, 40, 50, 60}))), 24,
                      {{a, b}, {a, a}}));

    // Type 11, top-down and right to left.
    EXPECT_TRUE(Holds(Picture(Read(Join(Header(11, 3, 2, 8, 0x30), {0x81, 200, 0x80, 50, 0x82, 7}))), 8,
                      {{50, 200, 200}, {7, 7, 7}}));

    // Packets that run out before the picture is full.
    EXPECT_FALSE(Picture(Read(Join(Header(10, 2, 2, 24), {0x82, 10, 20, 30}))));
    EXPECT_FALSE(Picture(Read(Join(Header(10, 2, 2, 24), {0x83, 10, 20}))));
    EXPECT_FALSE(Picture(Read(Join(Header(10, 2, 2, 24), {0x03, 10, 20, 30, 40}))));
}

TEST_F(TgaReader, AbsurdHeadersGiveNull)
{
    std::initializer_list<uint8_t> data = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(Picture(Read(Join(Header(2, 0, 1, 24), data))));
    EXPECT_FALSE(Picture(Read(Join(Header(2, 65535, 65535, 24), data))));
    EXPECT_FALSE(GetInfo(TGAGetFileInformation, file.path).ok);
    EXPECT_FALSE(Picture(Read(Join(Header(10, 30000, 30000, 32), data))));
    EXPECT_FALSE(Picture(Read(Join(Header(2, 1, 1, 8), data))));
    EXPECT_FALSE(Picture(Read(Join(Header(1, 1, 1, 8), data))));              // mapped, no map
    EXPECT_FALSE(Picture(Read(Join(Header(1, 1, 1, 8, 0, 1, 0, 2, 12), data)))); // 12-bit entries
    EXPECT_FALSE(Picture(Read(Join(Header(1, 1, 1, 8, 0, 1, 0, 65535, 32), data)))); // map past the end
    EXPECT_FALSE(Picture(Read(Join(Header(1, 1, 1, 8, 0, 1, 300, 2, 24), data))));
    EXPECT_FALSE(Picture(Read(Join(Header(32, 1, 1, 8), data))));
    EXPECT_FALSE(Picture(Read(Join(Header(0, 1, 1, 8), data))));
    EXPECT_FALSE(Picture(Read(Join(Header(2, 3, 1, 24), data)))); // pixels cut short
}

} // namespace
