// What every codec must do alike: lossless round trips in every depth, an
// information block that matches the picture, no crash and a prompt NULL on
// cut or damaged files, and writers that never leave a partial file.
#include "tests/codecs/codectest.h"
#include <gtest/gtest.h>
#include <random>

using namespace codectest;

namespace {

const std::vector<COLORREF> BLACKWHITE{RGB(0, 0, 0), RGB(255, 255, 255)};

std::vector<COLORREF> Palette(int count)
{
    std::vector<COLORREF> p;
    for (int i = 0; i < count; i++)
        p.push_back(RGB(i * 37 % 256, 255 - i, i * 11 % 256));
    return p;
}

uint32_t Pattern1(int x, int y) { return (x * 3 + y * 5) % 7 < 3; }
uint32_t Pattern4(int x, int y) { return (x + 2 * y) % 16; }
uint32_t Pattern8(int x, int y) { return (x * 7 + y * 13) % 256; }
uint32_t Pattern24(int x, int y) { return RGB(x * 8, y * 11, (x ^ y) * 5); }
uint32_t Pattern32(int x, int y) { return RGB(x * 8, y * 11, (x ^ y) * 5) | uint32_t((x + y) * 9 & 255) << 24; }

// A picture of the given depth, odd-sized so rows need padding.
HGLOBAL Sample(int bits, int width = 37, int height = 23)
{
    switch (bits) {
    case 1: return MakeDib(width, height, 1, BLACKWHITE, Pattern1);
    case 4: return MakeDib(width, height, 4, Palette(16), Pattern4);
    case 8: return MakeDib(width, height, 8, Palette(256), Pattern8);
    case 24: return MakeDib(width, height, 24, {}, Pattern24);
    default: return MakeDib(width, height, 32, {}, Pattern32);
    }
}

short Write(const Codec &codec, const char *path, HGLOBAL dib)
{
    char buffer[MAX_PATH];
    snprintf(buffer, sizeof buffer, "%s", path);
    return codec.write(buffer, dib);
}

struct Lossless : testing::TestWithParam<std::tuple<const Codec *, int>> {};

TEST_P(Lossless, RoundTripKeepsDepthPaletteAndPixels)
{
    const Codec &codec = *std::get<0>(GetParam());
    int bits = std::get<1>(GetParam());
    TempFile file((std::string("round.") + codec.extension).c_str());
    Picture source(Sample(bits));
    ASSERT_NE(Write(codec, file.path, source.handle), 0);
    Picture read(Call(codec.read, file.path));
    ASSERT_TRUE(read.WellFormed());
    ASSERT_EQ(read.Width(), 37);
    ASSERT_EQ(read.Height(), 23);
    ASSERT_EQ(read.Bits(), bits);
    for (int i = 0; bits <= 8 && i < 1 << bits; i++)
        ASSERT_EQ(read.Entry(i), source.Entry(i)) << "entry " << i;
    for (int y = 0; y < 23; y++)
        for (int x = 0; x < 37; x++)
            ASSERT_EQ(read.Pixel(x, y), source.Pixel(x, y)) << x << "," << y;

    Info info = GetInfo(codec.info, file.path);
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.header.biSize, 40u);
    EXPECT_EQ(info.header.biWidth, 37);
    EXPECT_EQ(info.header.biHeight, 23);
    EXPECT_EQ(info.header.biBitCount, bits);
    EXPECT_EQ(info.header.biSizeImage, read.header->biSizeImage);
    for (int i = 0; bits <= 8 && i < 1 << bits; i++)
        EXPECT_EQ(info.table[i], read.Entry(i));
    EXPECT_EQ(StrayTempFiles(), 0);
}

INSTANTIATE_TEST_SUITE_P(Codecs, Lossless,
                         testing::Values(std::make_tuple(&BMP, 1), std::make_tuple(&BMP, 4),
                                         std::make_tuple(&BMP, 8), std::make_tuple(&BMP, 24),
                                         std::make_tuple(&BMP, 32), std::make_tuple(&PCX, 1),
                                         std::make_tuple(&PCX, 4), std::make_tuple(&PCX, 8),
                                         std::make_tuple(&PCX, 24), std::make_tuple(&TGA, 1),
                                         std::make_tuple(&TGA, 4), std::make_tuple(&TGA, 8),
                                         std::make_tuple(&TGA, 24), std::make_tuple(&TGA, 32),
                                         std::make_tuple(&PNG, 1), std::make_tuple(&PNG, 4),
                                         std::make_tuple(&PNG, 8), std::make_tuple(&PNG, 24),
                                         std::make_tuple(&PNG, 32), std::make_tuple(&GIF, 1),
                                         std::make_tuple(&GIF, 4), std::make_tuple(&GIF, 8)),
                         [](const testing::TestParamInfo<Lossless::ParamType> &p) {
                             return std::string(std::get<0>(p.param)->name) + "_" +
                                    std::to_string(std::get<1>(p.param));
                         });

// Formats without alpha keep the colours of a 32-bit picture as 24 bits.
TEST(Codecs, ThirtyTwoBitsWithoutAlphaBecomeTwentyFour)
{
    for (const Codec *codec : {&PCX, &TGA, &PNG}) {
        TempFile file((std::string("opaque.") + codec->extension).c_str());
        Picture source(MakeDib(9, 5, 32, {}, Pattern24)); // fourth byte zero throughout
        ASSERT_NE(Write(*codec, file.path, source.handle), 0) << codec->name;
        Picture read(Call(codec->read, file.path));
        ASSERT_TRUE(read.WellFormed()) << codec->name;
        EXPECT_EQ(read.Bits(), 24) << codec->name;
        for (int y = 0; y < 5; y++)
            for (int x = 0; x < 9; x++)
                ASSERT_EQ(read.Pixel(x, y), Pattern24(x, y)) << codec->name << " " << x << "," << y;
    }
    TempFile file("alpha.pcx");
    Picture source(Sample(32));
    ASSERT_NE(Write(PCX, file.path, source.handle), 0);
    Picture read(Call(PCX.read, file.path));
    ASSERT_TRUE(read.WellFormed());
    EXPECT_EQ(read.Colour(36, 22), Pattern32(36, 22) & 0xFFFFFF);
}

// Each codec's file of a small picture, written by the codec itself.
std::vector<uint8_t> Encoded(const Codec &codec, int bits, int width, int height)
{
    TempFile file((std::string("sample.") + codec.extension).c_str());
    Picture source(Sample(bits, width, height));
    EXPECT_NE(Write(codec, file.path, source.handle), 0);
    return ReadBytes(file.path);
}

// Bytes at the end of a file that a reader need not see: PNG's end chunk,
// GIF's trailer after the image.
size_t Optional(const Codec &codec)
{
    return &codec == &PNG ? 12 : &codec == &GIF ? 1 : 0;
}

struct Damaged : testing::TestWithParam<const Codec *> {};

TEST_P(Damaged, CutFilesGiveNull)
{
    const Codec &codec = *GetParam();
    for (int bits : {8, 24}) {
        if (&codec == &GIF && bits == 24)
            bits = 4;
        std::vector<uint8_t> whole = Encoded(codec, bits, 36, 20);
        ASSERT_GT(whole.size(), 100u);
        TempFile file((std::string("cut.") + codec.extension).c_str());
        size_t end = whole.size() - Optional(codec);
        for (size_t cut = 0; cut < end; cut += cut < 80 ? 1 : 19) {
            WriteBytes(file.path, std::vector<uint8_t>(whole.begin(), whole.begin() + cut));
            Picture read(Call(codec.read, file.path));
            if (&codec == &JPG) // libjpeg fills what is missing once the headers are in
                EXPECT_TRUE(!read || read.WellFormed()) << "cut at " << cut;
            else
                EXPECT_FALSE(read) << bits << " bits cut at " << cut << " of " << whole.size();
            Info info = GetInfo(codec.info, file.path);
            if (info.ok) {
                EXPECT_TRUE(info.header.biWidth == 36 && info.header.biHeight == 20) << "cut at " << cut;
            }
        }
        WriteBytes(file.path, whole);
        Picture read(Call(codec.read, file.path));
        EXPECT_TRUE(read.WellFormed());
    }
}

// Random bytes changed in a valid file: whatever comes back is a sound DIB.
TEST_P(Damaged, ChangedBytesNeverCrash)
{
    const Codec &codec = *GetParam();
    std::mt19937 random(1234);
    const uint8_t values[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0xC1, 0x3F};
    for (int bits : {4, 8, 24}) {
        if (&codec == &GIF && bits == 24)
            continue;
        std::vector<uint8_t> whole = Encoded(codec, bits, 21, 13);
        TempFile file((std::string("changed.") + codec.extension).c_str());
        for (int round = 0; round < 80; round++) {
            std::vector<uint8_t> bytes = whole;
            int changes = 1 + int(random() % 4);
            for (int i = 0; i < changes; i++) {
                // Headers matter most: half the changes land in the first 64 bytes.
                size_t at = random() % 2 ? random() % std::min<size_t>(64, bytes.size()) : random() % bytes.size();
                bytes[at] = random() % 2 ? values[random() % sizeof values] : uint8_t(random());
            }
            WriteBytes(file.path, bytes);
            Picture read(Call(codec.read, file.path));
            if (read) {
                ASSERT_TRUE(read.WellFormed()) << bits << " bits, round " << round;
            }
            Info info = GetInfo(codec.info, file.path);
            if (info.ok) {
                ASSERT_TRUE(info.header.biSize == 40 && info.header.biWidth > 0 && info.header.biHeight > 0)
                    << bits << " bits, round " << round;
            }
        }
    }
}

TEST_P(Damaged, MissingEmptyAndForeignFilesGiveNull)
{
    const Codec &codec = *GetParam();
    TempFile file((std::string("empty.") + codec.extension).c_str());
    EXPECT_FALSE(Picture(Call(codec.read, file.path))); // does not exist
    EXPECT_FALSE(GetInfo(codec.info, file.path).ok);
    WriteBytes(file.path, {});
    EXPECT_FALSE(Picture(Call(codec.read, file.path)));
    EXPECT_FALSE(GetInfo(codec.info, file.path).ok);
    WriteBytes(file.path, std::vector<uint8_t>(5000, 0x20));
    EXPECT_FALSE(Picture(Call(codec.read, file.path)));
    EXPECT_FALSE(GetInfo(codec.info, file.path).ok);
    EXPECT_FALSE(codec.read(nullptr));
    char empty[MAX_PATH] = "";
    EXPECT_FALSE(codec.read(empty));
}

INSTANTIATE_TEST_SUITE_P(Codecs, Damaged, testing::Values(&JPG, &BMP, &GIF, &PCX, &TGA, &PNG),
                         [](const testing::TestParamInfo<const Codec *> &p) { return std::string(p.param->name); });

struct Writer : testing::TestWithParam<const Codec *> {};

TEST_P(Writer, FailureLeavesNoFileAndKeepsTheOldOne)
{
    const Codec &codec = *GetParam();
    Picture good(Sample(8));

    // A folder that does not exist.
    char missing[MAX_PATH];
    GetTempPathA(MAX_PATH, missing);
    strcat(missing, "sbcodec_no_such_folder\\out.");
    strcat(missing, codec.extension);
    EXPECT_EQ(Write(codec, missing, good.handle), 0);
    EXPECT_FALSE(FileExists(missing));

    // Pictures no writer accepts: an old file of the same name stays as it was.
    TempFile file((std::string("keep.") + codec.extension).c_str());
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    WriteBytes(file.path, old);
    EXPECT_EQ(Write(codec, file.path, NULL), 0);
    auto broken = [&](void (*change)(BITMAPINFOHEADER *)) {
        HGLOBAL dib = Sample(8, 5, 4);
        change((BITMAPINFOHEADER *)GlobalLock(dib));
        GlobalUnlock(dib);
        short result = Write(codec, file.path, dib);
        GlobalFree(dib);
        return result;
    };
    EXPECT_EQ(broken([](BITMAPINFOHEADER *h) { h->biBitCount = 16; }), 0);
    EXPECT_EQ(broken([](BITMAPINFOHEADER *h) { h->biCompression = BI_RLE8; }), 0);
    EXPECT_EQ(broken([](BITMAPINFOHEADER *h) { h->biHeight = 0; }), 0);
    EXPECT_EQ(broken([](BITMAPINFOHEADER *h) { h->biWidth = -5; }), 0);
    EXPECT_EQ(broken([](BITMAPINFOHEADER *h) { h->biHeight = 5000; }), 0); // more rows than the block holds
    EXPECT_EQ(broken([](BITMAPINFOHEADER *h) { h->biSize = 100000; }), 0);
    HGLOBAL tiny = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 20);
    EXPECT_EQ(Write(codec, file.path, tiny), 0);
    GlobalFree(tiny);
    EXPECT_EQ(ReadBytes(file.path), old);

    // A path that names a folder.
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    EXPECT_EQ(Write(codec, folder, good.handle), 0);

    // A good write replaces the old file.
    EXPECT_NE(Write(codec, file.path, good.handle), 0);
    EXPECT_GT(ReadBytes(file.path).size(), 100u);
    EXPECT_EQ(StrayTempFiles(), 0);
}

TEST_P(Writer, ReadOnlyTargetStaysAndNothingIsLeft)
{
    const Codec &codec = *GetParam();
    TempFile file((std::string("readonly.") + codec.extension).c_str());
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    WriteBytes(file.path, old);
    SetFileAttributesA(file.path, FILE_ATTRIBUTE_READONLY);
    Picture good(Sample(24));
    EXPECT_EQ(Write(codec, file.path, good.handle), 0);
    SetFileAttributesA(file.path, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(file.path), old);
    EXPECT_EQ(StrayTempFiles(), 0);
}

INSTANTIATE_TEST_SUITE_P(Codecs, Writer, testing::Values(&JPG, &BMP, &GIF, &PCX, &TGA, &PNG),
                         [](const testing::TestParamInfo<const Codec *> &p) { return std::string(p.param->name); });

} // namespace
