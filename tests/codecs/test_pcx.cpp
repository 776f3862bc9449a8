// PC Paintbrush files built by hand: black and white, 16 colours in planes,
// 256 colours with the palette at the end, true colour in planes.
#include "tests/codecs/codectest.h"

using namespace codectest;

namespace {

// The header, then the data. Entry i of the 16-colour palette is (i*16, 255-i, i).
std::vector<uint8_t> Pcx(int bits, int planes, int width, int height, int bpl, const std::vector<uint8_t> &data,
                         int version = 5, int xmin = 0)
{
    Bytes h;
    h.u8(0x0A).u8(version).u8(1).u8(bits).u16(xmin).u16(0).u16(xmin + width - 1).u16(height - 1).u16(72).u16(72);
    for (int i = 0; i < 16; i++)
        h.u8(i * 16).u8(255 - i).u8(i);
    h.u8(0).u8(planes).u16(bpl).u16(1).u16(0).u16(0).fill(54, 0);
    return h.add(data).v;
}

// Rows 7 7 7 7 and 7 7 9 9: the first run carries on into the second row.
const std::vector<uint8_t> SEVENSANDNINES{0xC6, 7, 0xC2, 9};

// The runs above, then the marker and a 256-colour palette of entries (10i, 255-i, 3i).
std::vector<uint8_t> WithPalette()
{
    Bytes b;
    b.add(SEVENSANDNINES).u8(0x0C);
    for (int i = 0; i < 256; i++)
        b.u8(i * 10).u8(255 - i).u8(i * 3);
    return b.v;
}

const std::vector<uint8_t> DATA{0xC1, 0, 0xC1, 0, 0xC1, 0, 0xC1, 0};

INSTANTIATE_TEST_SUITE_P(Pcx, HandBuilt, testing::ValuesIn(ForCodec(PCX, {
    // Top row 1100110011, bottom row 0000000001; bytes of 0xC0 and over are
    // coded as runs of one.
    {"OneBitIsBlackAndWhite", Pcx(1, 1, 10, 2, 2, {0xC1, 0xCC, 0xC1, 0xC0, 0x00, 0x40}),
     1, {{1, 1, 0, 0, 1, 1, 0, 0, 1, 1}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}}, {{0, RGB(0, 0, 0)}, {1, RGB(255, 255, 255)}}},
    // Pixels 5, 10, 15: plane k holds bit k of each.
    {"FourPlanesOfOneBitUseTheHeaderPalette", Pcx(1, 4, 3, 1, 2, {0xA0, 0, 0x60, 0, 0xA0, 0, 0x60, 0}, 5, 10),
     4, {{5, 10, 15}}, {{10, RGB(160, 245, 10)}}},
    {"EightBitsTakeThePaletteAtTheEnd", Pcx(8, 1, 4, 2, 4, WithPalette()),
     8, {{7, 7, 7, 7}, {7, 7, 9, 9}}, {{9, RGB(90, 246, 27)}}},
    // Long enough for a palette, but without its marker.
    {"OldEightBitFilesWithoutPaletteAreGrey", Pcx(8, 1, 4, 2, 4, Bytes().add(SEVENSANDNINES).fill(800, 1).v, 3),
     8, {{7, 7, 7, 7}, {7, 7, 9, 9}}, {{9, RGB(9, 9, 9)}}},
    {"NewEightBitFilesWithoutPaletteAreDamaged", Pcx(8, 1, 4, 2, 4, SEVENSANDNINES), REFUSED},
    // Red plane 200 20, green plane 30 40, blue plane 50 60.
    {"ThreePlanesOfEightBitsAreTrueColour", Pcx(8, 3, 2, 1, 2, {0xC1, 200, 20, 30, 40, 50, 60}),
     24, {{RGB(200, 30, 50), RGB(20, 40, 60)}}},
    {"PictureOverTheBound", Pcx(8, 3, 65535, 65535, 65535, DATA), REFUSED},
    {"PictureOverTheSizeBound", Pcx(8, 3, 20000, 30000, 20000, DATA), REFUSED},
    {"RowsWiderThanTheirBytes", Pcx(8, 3, 8, 1, 4, DATA), REFUSED},
    {"TwoPlanesOfEightBits", Pcx(8, 2, 2, 1, 2, DATA), REFUSED},
    {"FourBitsInOnePlane", Pcx(4, 1, 2, 1, 2, DATA), REFUSED},
    {"NoPlanes", Pcx(1, 0, 2, 1, 2, DATA), REFUSED},
    {"FivePlanes", Pcx(1, 5, 2, 1, 2, DATA), REFUSED},
    {"RightEdgeLeftOfTheLeftEdge", Pcx(8, 3, 0, 1, 2, DATA, 5, 5), REFUSED},
    {"NotRunLengthCoded", Changed(Pcx(8, 3, 2, 1, 2, DATA), 2, 1), REFUSED},
})), CaseName);

TEST(PcxWriter, OneBitInColourKeepsItsColoursInPlanes)
{
    TempFile file("colour.pcx");
    Picture source(MakeDib(11, 3, 1, {RGB(200, 0, 0), RGB(0, 0, 200)},
                           [](int x, int y) -> uint32_t { return (x + y) % 3 == 0; }));
    ASSERT_NE(PCXWriteGraphicFile(file.path, source.handle), 0);
    std::vector<uint8_t> b = ReadBytes(file.path);
    EXPECT_EQ(b[1], 5);  // version
    EXPECT_EQ(b[65], 4); // planes
    EXPECT_EQ(b[66], 2); // bytes per plane row, even
    Picture p(PCXReadGraphicFile(file.path));
    ASSERT_TRUE(p.WellFormed());
    EXPECT_EQ(p.Bits(), 4);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 11; x++)
            ASSERT_EQ(p.Colour(x, y), source.Colour(x, y)) << x << "," << y;
}

// The lines of a whole picture coded as one stream, each run as long as it
// may be (up to 63) even where a line or plane ends inside it.
std::vector<uint8_t> Coded(const std::vector<uint8_t> &lines)
{
    Bytes b;
    for (size_t i = 0, run; i < lines.size(); i += run) {
        for (run = 1; i + run < lines.size() && run < 63 && lines[i + run] == lines[i];)
            run++;
        if (run > 1 || lines[i] >= 0xC0)
            b.u8(0xC0 | run);
        b.u8(lines[i]);
    }
    return b.v;
}

// Byte i of the lines: bytes below 0xC0, bytes of 0xC0 and over (each coded
// as a run of one), stripes of long runs, or stretches of all three.
uint8_t LineByte(int kind, size_t i)
{
    uint8_t noise = uint8_t((i * 2654435761u) >> 17);
    switch (kind == 3 ? i / 97 % 3 : kind) {
    case 0: return noise % 0xC0;
    case 1: return noise | 0xC0;
    default: return uint8_t(i / 50 * 37);
    }
}

// Lines wide enough for the decoder's long steps, in every layout and kind
// of coding: each pixel as its plane bytes say.
TEST(PcxRows, WideLinesDecodeInEveryLayout)
{
    TempFile file("wide.pcx");
    for (auto [bits, planes] : {std::pair{8, 1}, std::pair{8, 3}, std::pair{1, 2}, std::pair{1, 3}, std::pair{1, 4}})
        for (int width : {150, 301})
            for (int kind = 0; kind < 4; kind++) {
                const int height = 3, bpl = (width * bits + 7) / 8 + 3;
                std::vector<uint8_t> lines(size_t(bpl) * planes * height);
                for (size_t i = 0; i < lines.size(); i++)
                    lines[i] = LineByte(kind, i);
                auto plane = [&](int x, int y, int k) { return &lines[(size_t(y) * planes + k) * bpl + x * bits / 8]; };
                Rows rows = Grid(width, height, [&](int x, int y) {
                    uint32_t v = 0;
                    for (int k = 0; k < planes; k++)
                        v |= bits == 8 ? uint32_t(*plane(x, y, k)) << 8 * k : (*plane(x, y, k) >> (7 - x % 8) & 1u) << k;
                    return v;
                });
                Bytes data = Bytes().add(Coded(lines));
                if (planes == 1)
                    data.u8(0x0C).fill(768, 0);
                WriteBytes(file.path, Pcx(bits, planes, width, height, bpl, data.v));
                EXPECT_TRUE(Holds(Picture(PCX.read(file.path)), bits == 8 ? 8 * planes : 4, rows))
                    << bits << " bits in " << planes << " planes, " << width << " wide, kind " << kind;
            }
}

INSTANTIATE_TEST_SUITE_P(Pcx, Hostile, testing::ValuesIn(ClaimsFor(PCX, {
    // 192 MB of colour from eight bytes of runs, which make at most 252.
    {"RunsTooFewForThePicture", Pcx(8, 3, 8000, 8000, 8000, DATA), true, 1u << 16},
})), ClaimName);

} // namespace
