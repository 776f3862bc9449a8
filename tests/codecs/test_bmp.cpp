// Bitmap files built by hand, one for each header kind and pixel coding, with
// the pixels they must give worked out from the bytes.
#include "tests/codecs/codectest.h"

using namespace codectest;

namespace {

// A whole file: file header, then the given header, table and pixel bytes.
std::vector<uint8_t> BmpFile(const Bytes &header, const std::vector<uint8_t> &table,
                             const std::vector<uint8_t> &pixels, int offbits = -1)
{
    uint32_t offset = uint32_t(14 + header.size() + table.size());
    Bytes file;
    file.str("BM").u32(uint32_t(offset + pixels.size())).u16(0).u16(0).u32(offbits < 0 ? offset : offbits);
    return file.add(header.v).add(table).add(pixels).v;
}

Bytes V3(int width, int height, int bits, uint32_t compression = 0, uint32_t colours = 0)
{
    Bytes h;
    h.u32(40).u32(uint32_t(width)).u32(uint32_t(height)).u16(1).u16(bits).u32(compression).u32(0).u32(2835).u32(2835)
        .u32(colours).u32(0);
    return h;
}

// The header claiming another size.
Bytes Sized(Bytes h, uint32_t size)
{
    for (int i = 0; i < 4; i++)
        h.v[i] = uint8_t(size >> 8 * i);
    return h;
}

// A V4 (108 bytes) or V5 (124 bytes) header with bit fields.
Bytes V4V5(int size, int width, int height, int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    Bytes h = Sized(V3(width, height, bits, 3), size);
    h.u32(r).u32(g).u32(b).u32(a).str("BGRs").fill(36 + 12, 0);
    if (size == 124)
        h.u32(4).u32(0).u32(0).u32(0);
    return h;
}

// Entry i is blue i * step, green 2i * step, red 3i * step, in entries of 4
// bytes or of 3 as in core files.
std::vector<uint8_t> Table(int count, int entry = 4, int step = 1)
{
    Bytes t;
    for (int i = 0; i < count; i++)
        t.u8(i * step).u8(i * 2 * step).u8(i * 3 * step).fill(entry - 3, 0);
    return t.v;
}

Bytes Core(int width, int height, int bits)
{
    return Bytes().u32(12).u16(width).u16(height).u16(1).u16(bits);
}

// A row of `width` pixels beginning with these, 0 after them.
std::vector<uint32_t> Padded(std::vector<uint32_t> start, size_t width)
{
    start.resize(width, 0);
    return start;
}
std::vector<uint8_t> Words(std::initializer_list<uint32_t> values, int size)
{
    Bytes b;
    for (uint32_t v : values)
        size == 2 ? b.u16(v) : b.u32(v);
    return b.v;
}

const std::vector<uint8_t> ZEROS(64, 0);

INSTANTIATE_TEST_SUITE_P(Bmp, HandBuilt, testing::ValuesIn(ForCodec(BMP, {
    {"CoreHeaderWithThreeByteEntries",
     BmpFile(Core(3, 2, 4), Table(16, 3, 10), {0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0}), // bottom row first
     4, {{4, 5, 6}, {1, 2, 3}}, {{5, RGB(150, 100, 50)}, {15, RGB(450 % 256, 300 % 256, 150)}}},
    {"CoreTableEndsWhereThePixelsBegin", BmpFile(Core(2, 1, 8), {1, 2, 3, 4, 5, 6, 7, 8, 9}, {2, 7, 0, 0}),
     8, {{2, 7}}, {{2, RGB(9, 8, 7)}, {3, RGB(0, 0, 0)}}}, // not the pixel bytes
    {"V3TableOfFewerColoursThanTheDepthHolds",
     BmpFile(V3(2, 2, 8, 0, 3), {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0}, {2, 1, 0, 0, 0, 2, 0, 0}),
     8, {{0, 2}, {2, 1}}, {{2, RGB(90, 80, 70)}, {1, RGB(60, 50, 40)}, {3, RGB(0, 0, 0)}}},
    {"TopDownRows", BmpFile(V3(2, -2, 24), {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}),
     24, {{RGB(3, 2, 1), RGB(6, 5, 4)}, {RGB(9, 8, 7), RGB(12, 11, 10)}}},
    {"TopDownOneBit", BmpFile(V3(3, -2, 1), {0, 0, 255, 0, 255, 0, 0, 0}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}),
     1, {{1, 0, 1}, {0, 1, 0}}, {{0, RGB(255, 0, 0)}, {1, RGB(0, 0, 255)}}},
    // Blue 16 of 31 scales to 132.
    {"SixteenBitsPlainAreFiveFiveFive", BmpFile(V3(3, 1, 16), {}, Words({0x7C00, 0x03E0, 0x0010, 0}, 2)),
     24, {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 132)}}},
    // Five-six-five; green 1 of 63 scales to 4.
    {"BitFieldsAfterAV3Header",
     BmpFile(V3(3, 1, 16, 3), Words({0xF800, 0x07E0, 0x001F}, 4), Words({0x07E0, 0x0020, 0xF81F, 0}, 2)),
     24, {{RGB(0, 255, 0), RGB(0, 4, 0), RGB(255, 0, 255)}}},
    {"V4BitFieldsWithAlphaGiveThirtyTwoBits",
     BmpFile(V4V5(108, 2, 1, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000), {}, Words({0x80112233, 0x00FFFFFF}, 4)),
     32, {{RGB(0x11, 0x22, 0x33) | 0x80000000u, RGB(255, 255, 255)}}},
    {"V5TenBitFieldsWithoutAlphaGiveTwentyFourBits",
     BmpFile(V4V5(124, 2, 1, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0), {}, Words({1023 | 512u << 10, 1023u << 20}, 4)),
     24, {{RGB(255, 128, 0), RGB(0, 0, 255)}}},
    {"LastRowMayLackItsPadding", BmpFile(V3(3, 1, 24), {}, {1, 2, 3, 4, 5, 6, 7, 8, 9}),
     24, {{RGB(3, 2, 1), RGB(6, 5, 4), RGB(9, 8, 7)}}},
    {"ThirtyTwoBitsPlainKeepTheFourthByte", BmpFile(V3(1, 1, 32), {}, {1, 2, 3, 4}), 32, {{RGB(3, 2, 1) | 0x04000000u}}},
    // Bottom row 5 5 5; then 1 2 3 (padded) and 9; then a move right by 2, 7 7 and the end.
    {"Rle8RunsAbsoluteRunsAndDeltas",
     BmpFile(V3(4, 3, 8, 1, 10), Table(10), {3, 5, 0, 0, 0, 3, 1, 2, 3, 0, 1, 9, 0, 0, 0, 2, 2, 0, 2, 7, 0, 1}),
     8, {{0, 0, 7, 7}, {1, 2, 3, 9}, {5, 5, 5, 0}}, {{9, RGB(27, 18, 9)}}},
    // Rows wide enough for short runs to be written a word at a time: the
    // pixels a row's end, a move or the end mark pass over stay 0.
    // Bottom row 5 5 5 and its end; then 1 2 3 4 5, a move right by 4, 6 6
    // and the end, with bytes after it.
    {"Rle8ShortRunsInWideRowsLeaveWhatIsPassedOverZero",
     BmpFile(V3(32, 2, 8, 1, 8), Table(8),
             Bytes().raw({3, 5, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 2, 4, 0, 2, 6, 0, 1}).fill(16, 7).v),
     8, {Padded({1, 2, 3, 4, 5, 0, 0, 0, 0, 6, 6}, 32), Padded({5, 5, 5}, 32)}},
    // Bottom row 1 2 1 2 1; then 3 4 5 and 6 7.
    {"Rle4RunsAlternateNibbles", BmpFile(V3(5, 2, 4, 2), Table(16), {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 2, 0x67, 0, 1}),
     4, {{3, 4, 5, 6, 7}, {1, 2, 1, 2, 1}}},
    // A run far past the row's end and an absolute run past it are cut at the
    // edge, not carried into the rows above; a move past the top ends the
    // picture before the bytes that follow.
    {"RleStaysInsideThePicture",
     BmpFile(V3(2, 4, 8, 1, 8), Table(8),
             Bytes().raw({255, 4, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 2, 200, 200}).fill(64, 6).v),
     8, {{0, 0}, {0, 0}, {1, 2}, {4, 4}}},
    {"RleWithEveryRowEndedNeedsNoEndMark", BmpFile(V3(2, 2, 8, 1, 8), Table(8), {2, 3, 0, 0, 2, 4, 0, 0}),
     8, {{4, 4}, {3, 3}}},
    {"RleEndingInTheFirstRow", BmpFile(V3(2, 2, 8, 1, 8), Table(8), {2, 3}), NOPIXELS},
    {"RleAbsoluteRunLongerThanTheData", BmpFile(V3(2, 2, 8, 1, 8), Table(8), {0, 40, 1, 2}), NOPIXELS},
    {"PixelsCutShort", BmpFile(V3(2, 2, 8), Table(256), {}), NOPIXELS},
    {"WidthOverTheBound", BmpFile(V3(100000, 1, 24), Table(2), ZEROS), REFUSED},
    {"PictureOverTheSizeBound", BmpFile(V3(30000, 30000, 24), Table(2), ZEROS), REFUSED},
    {"MostNegativeHeight", BmpFile(V3(4, INT32_MIN, 24), Table(2), ZEROS), REFUSED},
    {"ZeroWidth", BmpFile(V3(0, 4, 24), Table(2), ZEROS), REFUSED},
    {"NegativeWidth", BmpFile(V3(-4, 4, 24), Table(2), ZEROS), REFUSED},
    {"DepthSeven", BmpFile(V3(2, 2, 7), Table(2), ZEROS), REFUSED},
    {"JpegInside", BmpFile(V3(2, 2, 24, 4), Table(2), ZEROS), REFUSED},
    {"Rle8OfFourBits", BmpFile(V3(2, 2, 4, 1), Table(2), ZEROS), REFUSED},
    {"TopDownRle", BmpFile(V3(2, -2, 8, 1), Table(2), ZEROS), REFUSED},
    {"BitFieldsOfTwentyFourBits", BmpFile(V3(2, 2, 24, 3), Table(2), ZEROS), REFUSED},
    {"HeaderSizeOfNoKnownKind", BmpFile(Sized(V3(2, 2, 24), 0xFF0000FF), {}, ZEROS), REFUSED},
    {"Os2HuffmanIsNotBitFields", BmpFile(Sized(V3(2, 2, 16, 3), 64).fill(24, 0), {}, ZEROS), REFUSED},
    {"PixelsPastTheEnd", BmpFile(V3(2, 2, 24), {}, ZEROS, 100000), REFUSED},
    {"TableCutShort", BmpFile(V3(2, 2, 8), Table(100), {}, 0), REFUSED},
})), CaseName);

INSTANTIATE_TEST_SUITE_P(Bmp, Hostile, testing::ValuesIn(ClaimsFor(BMP, {
    // 58 bytes claiming 377 MiB of rows, read straight into the picture or
    // through the decoder (top-down rows, bit fields).
    {"RowsTooFewForThePicture", BmpFile(V3(11000, 12000, 24), {}, {1, 2, 3, 4}), true, 1u << 16},
    {"TopDownRowsTooFew", BmpFile(V3(11000, -12000, 24), {}, {1, 2, 3, 4}), true, 1u << 16},
    {"BitFieldRowsTooFew", BmpFile(V3(8000, 8000, 32, 3), Words({0xFF0000, 0xFF00, 0xFF}, 4), {1, 2, 3, 4}), true, 1u << 16},
    // Four bytes of runs reach at most 255 rows of the 11000.
    {"RunsTooFewForThePicture", BmpFile(V3(11000, 11000, 8, 1), Table(256), {0, 2, 255, 255}), true, 1u << 16},
    // Runs that end at once make a whole picture of any size: 764 bytes
    // would make 512 MiB, more than any object can show.
    {"RunsEndingAtOnceMakeNoPictureLargerThanAnObjectShows",
     BmpFile(V3(16383, 32767, 8, 1, 2), Table(2), Bytes().raw({0, 1}).fill(700, 0).v), false, 1u << 16, false,
     KPXERROR_TOOLARGE},
})), ClaimName);

TEST(BmpWriter, WritesAPlainV3File)
{
    TempFile file("plain.bmp");
    Picture source(MakeDib(3, 2, 8, {RGB(1, 2, 3), RGB(4, 5, 6)}, [](int x, int y) -> uint32_t { return x == y; }));
    ASSERT_NE(BMPWriteGraphicFile(file.path, source.handle), 0);
    Bytes header;
    header.u32(40).u32(3).u32(2).u16(1).u16(8).u32(0).u32(8).u32(0).u32(0).u32(256).u32(0);
    std::vector<uint8_t> table{3, 2, 1, 0, 6, 5, 4, 0};
    table.resize(1024);
    EXPECT_EQ(ReadBytes(file.path), BmpFile(header, table, {0, 1, 0, 0, 1, 0, 0, 0})); // bottom row first
}

} // namespace
