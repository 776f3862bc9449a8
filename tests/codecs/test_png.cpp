// PNG files built chunk by chunk: every colour type and depth the reader
// turns into a DIB, interlacing, and damaged or oversized headers.
#include "tests/codecs/codectest.h"
#include <zlib.h>

using namespace codectest;

namespace {

Bytes &Be32(Bytes &b, uint32_t x)
{
    return b.u8(x >> 24).u8(x >> 16).u8(x >> 8).u8(x);
}

void Chunk(Bytes &file, const char *type, const std::vector<uint8_t> &data)
{
    Be32(file, uint32_t(data.size())).str(type).add(data);
    uLong crc = crc32(0, (const Bytef *)type, 4);
    if (!data.empty()) // zlib takes no bytes as a request for the starting value
        crc = crc32(crc, data.data(), uInt(data.size()));
    Be32(file, uint32_t(crc));
}

typedef std::vector<std::pair<const char *, std::vector<uint8_t>>> Chunks;

// A file from its header fields and its filtered rows (filter byte 0 first),
// with any chunks to put between the header and the pixels.
std::vector<uint8_t> Png(uint32_t width, uint32_t height, int depth, int type, const std::vector<uint8_t> &rows,
                         const Chunks &chunks = {}, int interlace = 0)
{
    Bytes file, ihdr;
    file.raw({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    Be32(Be32(ihdr, width), height).u8(depth).u8(type).u8(0).u8(0).u8(interlace);
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

// Nine by nine grey pixels x * 16 + y in the seven passes of Adam7.
uint32_t Interlaced(int x, int y) { return uint32_t(x * 16 + y); }
std::vector<uint8_t> InterlacedFile()
{
    // Start and step of columns and rows in each pass.
    const int passes[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                              {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
    std::vector<uint8_t> data;
    for (const auto &p : passes)
        for (int y = p[2]; y < 9; y += p[3]) {
            data.push_back(0);
            for (int x = p[0]; x < 9; x += p[1])
                data.push_back(uint8_t(Interlaced(x, y)));
        }
    return Png(9, 9, 8, 0, data, {}, 1);
}

// Colour noise behind a text chunk of 1.5 MB: more than the reader takes
// from the file at once, both in one chunk and in the whole.
uint32_t Noise(int x, int y) { return (x * 2654435761u ^ y * 40503u) >> 8; }
std::vector<uint8_t> LargerThanTheWindow()
{
    std::vector<uint8_t> rows, text(3u << 19, 'v');
    for (int y = 0; y < 500; y++) {
        rows.push_back(0);
        for (int x = 0; x < 500; x++)
            for (int c = 0; c < 3; c++)
                rows.push_back(uint8_t(Noise(x, y) >> 8 * c));
    }
    text[1] = 0;
    return Png(500, 500, 8, 2, rows, {{"tEXt", text}});
}

const std::vector<uint8_t> RGB123{0, 1, 2, 3}; // one pixel of red 1, green 2, blue 3
const COLORREF WHITE = RGB(255, 255, 255);

INSTANTIATE_TEST_SUITE_P(Png, HandBuilt, testing::ValuesIn(ForCodec(PNG, {
    // Grey rows of four pixels: black, the darkest step, the lightest, white.
    {"OneBitGrey", Png(4, 1, 1, 0, {0, 0x30}), 1, {{0, 0, 1, 1}}, {{0, RGB(0, 0, 0)}, {1, WHITE}}},
    {"TwoBitGreySpreadsToFourBits", Png(4, 1, 2, 0, {0, 0x1B}), 4, {{0, 1, 2, 3}}, {{2, RGB(170, 170, 170)}, {3, WHITE}}},
    {"FourBitGrey", Png(4, 1, 4, 0, {0, 0x01, 0xEF}), 4, {{0, 1, 14, 15}}, {{14, RGB(238, 238, 238)}, {15, WHITE}}},
    {"EightBitGrey", Png(4, 1, 8, 0, {0, 0, 1, 254, 255}), 8, {{0, 1, 254, 255}}, {{254, RGB(254, 254, 254)}}},
    {"SixteenBitGreyKeepsTheHighByte", Png(4, 1, 16, 0, {0, 0, 0, 0x01, 0x00, 0xFE, 0xFE, 0xFF, 0xFF}),
     8, {{0, 1, 254, 255}}, {{254, RGB(254, 254, 254)}, {255, WHITE}}},
    // Five pixels 3 2 1 0 1, a palette of three entries.
    {"TwoBitPaletteSpreadsToFourBits", Png(5, 1, 2, 3, {0, 0xE4, 0x40}, {{"PLTE", {10, 20, 30, 40, 50, 60, 70, 80, 90}}}),
     4, {{3, 2, 1, 0, 1}}, {{2, RGB(70, 80, 90)}, {3, RGB(0, 0, 0)}}},
    // Sixteen-bit samples keep their high byte, as the page editor's PNG
    // loader reads them: 0x12FF gives 0x12.
    {"SixteenBitColourKeepsTheHighByte", Png(1, 1, 16, 2, {0, 0x12, 0xFF, 0x00, 0xFF, 0xFF, 0xFF}), 24, {{RGB(0x12, 0, 0xFF)}}},
    {"GreyWithAlphaGivesThirtyTwoBits", Png(1, 1, 8, 4, {0, 77, 128}), 32, {{RGB(77, 77, 77) | 0x80000000u}}},
    {"ColourWithAlphaGivesThirtyTwoBits", Png(2, 1, 8, 6, {0, 1, 2, 3, 4, 5, 6, 7, 8}),
     32, {{RGB(1, 2, 3) | 0x04000000u, RGB(5, 6, 7) | 0x08000000u}}},
    {"InterlacedRowsLandInPlace", InterlacedFile(), 8, Grid(9, 9, Interlaced)},
    {"FileLargerThanTheReadersWindow", LargerThanTheWindow(), 24,
     Grid(500, 500, [](int x, int y) { return Noise(x, y) & 0xFFFFFF; })},
    // The text chunk's CRC is damaged.
    {"DamagedAncillaryChunkIsDropped", Changed(Png(1, 1, 8, 2, RGB123, {{"tEXt", {'a', 0, 'b'}}}), 33 + 8 + 3, 1),
     24, {{RGB(1, 2, 3)}}},
    {"DamagedHeader", Changed(Png(1, 1, 8, 2, RGB123), 29, 1), REFUSED}, // the header's CRC
    {"PaletteTypeWithoutPalette", Png(1, 1, 8, 3, {0, 0}), REFUSED},
    {"WidthOverTheBound", Png(40000, 1, 8, 0, {0}), REFUSED},
    {"HeightOverTheBound", Png(1, 0x7FFFFFFF, 8, 0, {0}), REFUSED},
    {"PictureOverTheSizeBound", Png(30000, 30000, 8, 6, {0}), REFUSED},
    {"TooFewRows", Png(4, 4, 8, 0, {0, 1, 2, 3, 4}), NOPIXELS},
    {"ChunkClaimingMoreThanTheFileHolds", Changed(Png(1, 1, 8, 2, RGB123, {{"zTXt", {'a', 0, 0, 1}}}), 33, 0x10),
     REFUSED},
})), CaseName);

// A 44-byte file: the signature, a header and a text chunk that says it
// holds `length` bytes.
std::vector<uint8_t> LongText(uint32_t length)
{
    std::vector<uint8_t> file = Png(1, 1, 8, 2, RGB123);
    file.resize(33);
    Bytes text;
    Be32(text, length).str("tEXt").raw({'k', 0, 'v'});
    file.insert(file.end(), text.v.begin(), text.v.end());
    return file;
}

INSTANTIATE_TEST_SUITE_P(Png, Hostile, testing::ValuesIn(ClaimsFor(PNG, {
    {"TextOfAGibibyte", LongText(1u << 30), false, 16u << 20},
    {"TextOfTwoGibibytes", LongText(0x7FFFFFFF), false, 16u << 20},
    // 256 MiB of pixels from a few bytes, which deflate cannot make.
    {"PictureLargerThanItsDataCanMake", Png(8000, 8000, 8, 6, {0}), true, 1u << 20},
})), ClaimName);

} // namespace
