// PNG files built chunk by chunk: every colour type and depth the reader
// turns into a DIB, interlacing, and damaged or oversized headers.
#include "tests/codecs/codectest.h"
#include <gtest/gtest.h>
#include <zlib.h>

using namespace codectest;

namespace {

void Chunk(Bytes &file, const char *type, const std::vector<uint8_t> &data)
{
    uint32_t length = uint32_t(data.size());
    file.u8(length >> 24).u8(length >> 16).u8(length >> 8).u8(length).str(type);
    file.v.insert(file.v.end(), data.begin(), data.end());
    uLong crc = crc32(0, (const Bytef *)type, 4);
    if (!data.empty())
        crc = crc32(crc, data.data(), uInt(data.size()));
    file.u8(crc >> 24).u8(crc >> 16).u8(crc >> 8).u8(crc);
}


// A file from its header fields and its filtered rows (filter byte 0 first),
// with any chunks to put between the header and the pixels.
std::vector<uint8_t> Png(uint32_t width, uint32_t height, int depth, int type, const std::vector<uint8_t> &rows,
                         const std::vector<std::pair<const char *, std::vector<uint8_t>>> &chunks = {},
                         int interlace = 0)
{
    Bytes file;
    file.raw({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    Bytes ihdr;
    ihdr.u8(width >> 24).u8(width >> 16).u8(width >> 8).u8(width);
    ihdr.u8(height >> 24).u8(height >> 16).u8(height >> 8).u8(height);
    ihdr.u8(depth).u8(type).u8(0).u8(0).u8(interlace);
    Chunk(file, "IHDR", ihdr.v);
    for (auto &c : chunks)
        Chunk(file, c.first, c.second);
    uLongf size = compressBound(uLong(rows.size()));
    std::vector<uint8_t> packed(size);
    compress(packed.data(), &size, rows.data(), uLong(rows.size()));
    packed.resize(size);
    Chunk(file, "IDAT", packed);
    Chunk(file, "IEND", {});
    return file.v;
}

struct PngReader : testing::Test {
    TempFile file{"hand.png"};
    HGLOBAL Read(const std::vector<uint8_t> &bytes)
    {
        WriteBytes(file.path, bytes);
        return Call(PNGReadGraphicFile, file.path);
    }
};

TEST_F(PngReader, GreyDepthsBecomePalettePictures)
{
    struct Case {
        int depth, bits;
        std::vector<uint8_t> row; // one row of four pixels: 0, 1, max-1, max
        COLORREF third;
    } cases[] = {
        {1, 1, {0, 0x30}, RGB(255, 255, 255)},
        {2, 4, {0, 0x1B}, RGB(170, 170, 170)},
        {4, 4, {0, 0x01, 0xEF}, RGB(238, 238, 238)},
        {8, 8, {0, 0, 1, 254, 255}, RGB(254, 254, 254)},
        {16, 8, {0, 0, 0, 0x01, 0x00, 0xFE, 0xFE, 0xFF, 0xFF}, RGB(254, 254, 254)},
    };
    for (const Case &c : cases) {
        Picture p(Read(Png(4, 1, c.depth, 0, c.row)));
        ASSERT_TRUE(p.WellFormed()) << c.depth;
        ASSERT_EQ(p.Bits(), c.bits) << c.depth;
        EXPECT_EQ(p.Colour(0, 0), RGB(0, 0, 0)) << c.depth;
        EXPECT_EQ(p.Colour(2, 0), c.third) << c.depth;
        EXPECT_EQ(p.Colour(3, 0), RGB(255, 255, 255)) << c.depth;
        Info info = GetInfo(PNGGetFileInformation, file.path);
        ASSERT_TRUE(info.ok);
        EXPECT_EQ(info.header.biBitCount, c.bits);
        EXPECT_EQ(info.table[p.Pixel(2, 0)], c.third);
    }
}

TEST_F(PngReader, TwoBitPaletteSpreadsToFourBits)
{
    // Five pixels 3 2 1 0 1, a palette of three entries.
    std::vector<uint8_t> plte{10, 20, 30, 40, 50, 60, 70, 80, 90};
    Picture p(Read(Png(5, 1, 2, 3, {0, 0xE4, 0x40}, {{"PLTE", plte}})));
    ASSERT_TRUE(Holds(p, 4, {{3, 2, 1, 0, 1}}));
    EXPECT_EQ(p.Entry(2), RGB(70, 80, 90));
    EXPECT_EQ(p.Entry(3), RGB(0, 0, 0));
}

TEST_F(PngReader, ColourTypesAndSixteenBitSamples)
{
    // 16-bit samples are scaled, not cut: 0x12FF gives 0x13.
    EXPECT_TRUE(Holds(Picture(Read(Png(1, 1, 16, 2, {0, 0x12, 0xFF, 0x00, 0xFF, 0xFF, 0xFF}))), 24,
                      {{RGB(0x13, 1, 0xFF)}}));
    EXPECT_TRUE(Holds(Picture(Read(Png(1, 1, 8, 4, {0, 77, 128}))), 32, {{RGB(77, 77, 77) | 0x80000000u}}));
    EXPECT_TRUE(Holds(Picture(Read(Png(2, 1, 8, 6, {0, 1, 2, 3, 4, 5, 6, 7, 8}))), 32,
                      {{RGB(1, 2, 3) | 0x04000000u, RGB(5, 6, 7) | 0x08000000u}}));
}

TEST_F(PngReader, InterlacedRowsLandInPlace)
{
    const int size = 9;
    auto value = [](int x, int y) { return uint8_t(x * 16 + y); };
    // Adam7: start and step of columns and rows in each of the seven passes.
    const int passes[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                              {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
    std::vector<uint8_t> data;
    for (const auto &p : passes)
        for (int y = p[2]; y < size; y += p[3]) {
            if (p[0] >= size)
                continue;
            data.push_back(0);
            for (int x = p[0]; x < size; x += p[1])
                data.push_back(value(x, y));
        }
    Picture pic(Read(Png(size, size, 8, 0, data, {}, 1)));
    ASSERT_TRUE(pic.WellFormed());
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++)
            ASSERT_EQ(pic.Pixel(x, y), value(x, y)) << x << "," << y;
}

TEST_F(PngReader, DamagedAndOversizedFilesGiveNull)
{
    std::vector<uint8_t> row{0, 1, 2, 3};
    std::vector<uint8_t> good = Png(1, 1, 8, 2, row);
    Picture ok(Read(good));
    EXPECT_TRUE(ok.WellFormed());

    std::vector<uint8_t> badcrc = good;
    badcrc[29] ^= 1; // the header's CRC
    EXPECT_FALSE(Picture(Read(badcrc)));

    // A damaged ancillary chunk is dropped; the picture stays.
    Picture text(Read(Png(1, 1, 8, 2, row, {{"tEXt", {'a', 0, 'b'}}})));
    EXPECT_TRUE(text.WellFormed());
    std::vector<uint8_t> badtext = Png(1, 1, 8, 2, row, {{"tEXt", {'a', 0, 'b'}}});
    badtext[33 + 8 + 3] ^= 1;
    EXPECT_TRUE(Picture(Read(badtext)).WellFormed());

    EXPECT_FALSE(Picture(Read(Png(1, 1, 8, 3, {0, 0})))); // no palette
    EXPECT_FALSE(Picture(Read(Png(40000, 1, 8, 0, {0}))));
    EXPECT_FALSE(GetInfo(PNGGetFileInformation, file.path).ok);
    EXPECT_FALSE(Picture(Read(Png(1, 0x7FFFFFFF, 8, 0, {0}))));
    EXPECT_FALSE(Picture(Read(Png(30000, 30000, 8, 6, {0}))));
    EXPECT_FALSE(GetInfo(PNGGetFileInformation, file.path).ok);
    EXPECT_FALSE(Picture(Read(Png(4, 4, 8, 0, {0, 1, 2, 3, 4})))); // too few rows

    // A chunk that claims far more bytes than the file holds.
    std::vector<uint8_t> claim = Png(1, 1, 8, 2, row, {{"zTXt", {'a', 0, 0, 1}}});
    claim[33] = 0x10;
    EXPECT_FALSE(Picture(Read(claim)));
}

} // namespace
