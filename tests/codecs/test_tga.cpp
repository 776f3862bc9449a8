// Targa files built by hand: each image type, plain and run-length coded,
// 15/16-bit colours and map entries, and every origin corner.
#include "tests/codecs/codectest.h"

using namespace codectest;

namespace {

Bytes Tga(int type, int width, int height, int depth, int descriptor = 0, int maptype = 0, int first = 0,
          int length = 0, int entrybits = 0, const char *id = "")
{
    Bytes h;
    h.u8(uint8_t(strlen(id))).u8(maptype).u8(type).u16(first).u16(length).u8(entrybits).u16(0).u16(0)
        .u16(width).u16(height).u8(depth).u8(descriptor).str(id);
    return h;
}

// A map of 200 entries of 32 bits: entry i is blue i.
std::vector<uint8_t> LongMap()
{
    Bytes b = Tga(1, 1, 1, 8, 0, 1, 0, 200, 32);
    for (int i = 0; i < 200; i++)
        b.u8(i).u8(0).u8(0).u8(255);
    return b.u8(199).v;
}

const COLORREF A = RGB(30, 20, 10), B = RGB(60, 50, 40);
const std::vector<uint8_t> DATA{1, 2, 3, 4, 5, 6, 7, 8};

INSTANTIATE_TEST_SUITE_P(Tga, HandBuilt, testing::ValuesIn(ForCodec(TGA, {
    // Map entries blue, green, red; rows bottom first.
    {"ColourMappedBottomUpAfterAnId",
     Tga(1, 3, 2, 8, 0, 1, 0, 3, 24, "abc").raw({1, 2, 3, 4, 5, 6, 7, 8, 9}).raw({0, 1, 2, 2, 2, 0}).v,
     4, {{2, 2, 0}, {0, 1, 2}}, {{2, RGB(9, 8, 7)}, {1, RGB(6, 5, 4)}, {3, RGB(0, 0, 0)}}},
    // Red, and blue with the attribute bit, as entries 2 and 3.
    {"MapStartingPastZeroWithSixteenBitEntries", Tga(1, 2, 1, 8, 0, 1, 2, 2, 16).u16(0x7C00).u16(0x801F).raw({3, 2}).v,
     4, {{3, 2}}, {{3, RGB(0, 0, 255)}, {2, RGB(255, 0, 0)}, {0, RGB(0, 0, 0)}}},
    {"LongMapOfThirtyTwoBitEntriesGivesEightBits", LongMap(), 8, {{199}}, {{199, RGB(0, 0, 199)}}},
    {"TrueColourTopDown", Tga(2, 2, 2, 24, 0x20).raw({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}).v,
     24, {{RGB(3, 2, 1), RGB(6, 5, 4)}, {RGB(9, 8, 7), RGB(12, 11, 10)}}},
    {"FifteenBitColours", Tga(2, 3, 1, 15).u16(0x83E0).u16(0x0421).u16(0x7FFF).v,
     24, {{RGB(0, 255, 0), RGB(8, 8, 8), RGB(255, 255, 255)}}},
    {"SixteenBitColours", Tga(2, 3, 1, 16, 1).u16(0x83E0).u16(0x0421).u16(0x7FFF).v,
     24, {{RGB(0, 255, 0), RGB(8, 8, 8), RGB(255, 255, 255)}}},
    {"ThirtyTwoBitsKeepAlpha", Tga(2, 1, 1, 32, 8).raw({1, 2, 3, 0x80}).v, 32, {{RGB(3, 2, 1) | 0x80000000u}}},
    {"GreyRightToLeft", Tga(3, 3, 1, 8, 0x10).raw({1, 2, 250}).v, 8, {{250, 2, 1}}, {{250, RGB(250, 250, 250)}}},
    // A run of three 1s, then two raw pixels.
    {"RunLengthColourMapped", Tga(9, 5, 1, 8, 0, 1, 0, 3, 24).fill(9, 40).raw({0x82, 1, 0x01, 2, 0}).v,
     4, {{1, 1, 1, 2, 0}}},
    {"RunLengthTrueColourCarriesOnIntoTheNextRow", Tga(10, 2, 2, 24).raw({0x82, 10, 20, 30, 0x00, 40, 50, 60}).v,
     24, {{A, B}, {A, A}}},
    // Short packets in rows wide enough to be written a word at a time: the
    // first row from the top stays as decoded while the second, below it,
    // is written.
    {"ShortPacketsInWideTopDownRows",
     Tga(10, 8, 2, 24, 0x20)
         .raw({0x81, 10, 20, 30, 0x02, 40, 50, 60, 1, 2, 3, 4, 5, 6, 0x82, 7, 8, 9})
         .raw({0x00, 11, 12, 13, 0x86, 14, 15, 16})
         .fill(64, 0xEE)
         .v,
     24,
     {{A, A, B, RGB(3, 2, 1), RGB(6, 5, 4), RGB(9, 8, 7), RGB(9, 8, 7), RGB(9, 8, 7)},
      {RGB(13, 12, 11), RGB(16, 15, 14), RGB(16, 15, 14), RGB(16, 15, 14), RGB(16, 15, 14), RGB(16, 15, 14),
       RGB(16, 15, 14), RGB(16, 15, 14)}}},
    {"RunLengthGreyTopDownRightToLeft", Tga(11, 3, 2, 8, 0x30).raw({0x81, 200, 0x80, 50, 0x82, 7}).v,
     8, {{50, 200, 200}, {7, 7, 7}}},
    {"RunOfTooFewPixels", Tga(10, 2, 2, 24).raw({0x82, 10, 20, 30}).v, NOPIXELS},
    {"RunOfAPartPixel", Tga(10, 2, 2, 24).raw({0x83, 10, 20}).v, NOPIXELS},
    {"RawPacketPastTheData", Tga(10, 2, 2, 24).raw({0x03, 10, 20, 30, 40}).v, NOPIXELS},
    {"PixelsCutShort", Tga(2, 3, 1, 24).add(DATA).v, NOPIXELS},
    {"ZeroWidth", Tga(2, 0, 1, 24).add(DATA).v, REFUSED},
    {"PictureOverTheBound", Tga(2, 65535, 65535, 24).add(DATA).v, REFUSED},
    {"PictureOverTheSizeBound", Tga(10, 30000, 30000, 32).add(DATA).v, REFUSED},
    {"TrueColourOfEightBits", Tga(2, 1, 1, 8).add(DATA).v, REFUSED},
    {"MappedWithoutAMap", Tga(1, 1, 1, 8).add(DATA).v, REFUSED},
    {"TwelveBitEntries", Tga(1, 1, 1, 8, 0, 1, 0, 2, 12).add(DATA).v, REFUSED},
    {"MapPastTheEnd", Tga(1, 1, 1, 8, 0, 1, 0, 65535, 32).add(DATA).v, REFUSED},
    {"MapStartingPastTheIndices", Tga(1, 1, 1, 8, 0, 1, 300, 2, 24).add(DATA).v, REFUSED},
    {"TypeOfUnknownBits", Tga(32, 1, 1, 8).add(DATA).v, REFUSED},
    {"NoImage", Tga(0, 1, 1, 8).add(DATA).v, REFUSED},
    {"SixteenBitGreyWithAlphaGivesThirtyTwoBits", Tga(3, 2, 1, 16, 8).raw({10, 200, 250, 7}).v,
     32, {{RGB(10, 10, 10) | 200u << 24, RGB(250, 250, 250) | 7u << 24}}},
    {"RunLengthGreyWithAlphaTopDown", Tga(11, 2, 2, 16, 0x28).raw({0x81, 10, 200, 0x01, 1, 2, 3, 4}).v,
     32, {{RGB(10, 10, 10) | 200u << 24, RGB(10, 10, 10) | 200u << 24}, {RGB(1, 1, 1) | 2u << 24, RGB(3, 3, 3) | 4u << 24}}},
    {"SixteenBitGreyWithoutAlphaBits", Tga(3, 1, 1, 16, 0).raw({1, 2}).v, REFUSED},
})), CaseName);

INSTANTIATE_TEST_SUITE_P(Tga, Hostile, testing::ValuesIn(ClaimsFor(TGA, {
    {"RunsTooFewForThePicture", Tga(10, 8000, 8000, 24).raw({0xFF, 1, 2, 3}).v, true, 1u << 16},
    {"PixelsTooFewForThePicture", Tga(2, 8000, 8000, 24).add(DATA).v, true, 1u << 16},
})), ClaimName);

} // namespace
