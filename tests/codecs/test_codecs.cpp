// What every codec must do alike: lossless round trips in every depth, an
// information block that matches the picture, no crash and a prompt NULL on
// cut or damaged files, writers that never leave a partial file, and the
// pictures that hand-built files describe.
#include "tests/codecs/codectest.h"
#include "codecs/shared/kpxshared.h"
#include <gtest/gtest.h>
#include <random>

using namespace codectest;

namespace {

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
uint32_t Pattern32(int x, int y) { return Pattern24(x, y) | uint32_t((x + y) * 9 & 255) << 24; }

// A picture of the given depth, odd-sized so rows need padding.
HGLOBAL Sample(int bits, int width = 37, int height = 23)
{
    switch (bits) {
    case 1: return MakeDib(width, height, 1, {RGB(0, 0, 0), RGB(255, 255, 255)}, Pattern1);
    case 4: return MakeDib(width, height, 4, Palette(16), Pattern4);
    case 8: return MakeDib(width, height, 8, Palette(256), Pattern8);
    case 24: return MakeDib(width, height, 24, {}, Pattern24);
    default: return MakeDib(width, height, 32, {}, Pattern32);
    }
}

struct Lossless : testing::TestWithParam<std::tuple<const Codec *, int>> {};

TEST_P(Lossless, RoundTripKeepsDepthPaletteAndPixels)
{
    const Codec &codec = *std::get<0>(GetParam());
    TempFile file(std::string("round.") + codec.extension);
    Picture source(Sample(std::get<1>(GetParam())));
    ASSERT_NE(codec.write(file.path, source.handle), 0);
    Picture read(codec.read(file.path)), info(codec.info(file.path));
    EXPECT_TRUE(SameHeader(read, source));
    EXPECT_TRUE(Holds(read, source.Bits(), source.Values()));
    EXPECT_TRUE(SameHeader(info, read));
    EXPECT_EQ(StrayTempFiles(), 0);
}

std::string CodecAndBits(const testing::TestParamInfo<Lossless::ParamType> &p)
{
    return std::string(std::get<0>(p.param)->name) + "_" + std::to_string(std::get<1>(p.param));
}
INSTANTIATE_TEST_SUITE_P(Codecs, Lossless, testing::Combine(testing::Values(&BMP, &TGA, &PNG), testing::Values(1, 4, 8, 24, 32)),
                         CodecAndBits);
INSTANTIATE_TEST_SUITE_P(Pcx, Lossless, testing::Combine(testing::Values(&PCX), testing::Values(1, 4, 8, 24)), CodecAndBits);
INSTANTIATE_TEST_SUITE_P(Gif, Lossless, testing::Combine(testing::Values(&GIF), testing::Values(1, 4, 8)), CodecAndBits);

// Formats without alpha, and 32-bit pictures whose fourth byte is unused,
// keep the colours as 24 bits.
TEST(Codecs, ThirtyTwoBitsWithoutAlphaBecomeTwentyFour)
{
    for (auto [codec, pattern] : {std::pair{&PCX, &Pattern24}, std::pair{&TGA, &Pattern24},
                                  std::pair{&PNG, &Pattern24}, std::pair{&PCX, &Pattern32}}) {
        TempFile file(std::string("opaque.") + codec->extension);
        Picture source(MakeDib(9, 5, 32, {}, pattern));
        ASSERT_NE(codec->write(file.path, source.handle), 0) << codec->name;
        EXPECT_TRUE(Holds(Picture(codec->read(file.path)), 24, Grid(9, 5, Pattern24))) << codec->name;
    }
}

// The bytes of the codec's own file of the picture, which it frees.
std::vector<uint8_t> Encoded(const Codec &codec, HGLOBAL dib)
{
    TempFile file(std::string("sample.") + codec.extension);
    EXPECT_NE(codec.write(file.path, dib), 0);
    GlobalFree(dib);
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
    TempFile file(std::string("cut.") + codec.extension);
    for (int bits : {8, &codec == &GIF ? 4 : 24}) {
        std::vector<uint8_t> whole = Encoded(codec, Sample(bits, 36, 20));
        ASSERT_GT(whole.size(), 100u);
        for (size_t cut = 0; cut < whole.size() - Optional(codec); cut += cut < 80 ? 1 : 19) {
            WriteBytes(file.path, std::vector<uint8_t>(whole.begin(), whole.begin() + cut));
            Picture read(codec.read(file.path)), info(codec.info(file.path));
            if (&codec == &JPG) // libjpeg fills what is missing once the headers are in
                EXPECT_TRUE(!read || read.WellFormed()) << "cut at " << cut;
            else
                EXPECT_FALSE(read) << bits << " bits cut at " << cut << " of " << whole.size();
            EXPECT_TRUE(!info || (info.Width() == 36 && info.Height() == 20)) << "cut at " << cut;
        }
        WriteBytes(file.path, whole);
        EXPECT_TRUE(Picture(codec.read(file.path)).WellFormed());
    }
}

// Random bytes changed in a valid file: whatever comes back is sound.
TEST_P(Damaged, ChangedBytesNeverCrash)
{
    const Codec &codec = *GetParam();
    TempFile file(std::string("changed.") + codec.extension);
    std::mt19937 random(1234);
    const uint8_t values[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0xC1, 0x3F};
    for (int bits : {4, 8, 24}) {
        if (&codec == &GIF && bits == 24)
            continue;
        std::vector<uint8_t> whole = Encoded(codec, Sample(bits, 21, 13));
        for (int round = 0; round < 80; round++) {
            std::vector<uint8_t> bytes = whole;
            for (int i = 0, changes = 1 + int(random() % 4); i < changes; i++) {
                // Headers matter most: half the changes land in the first 64 bytes.
                size_t at = random() % 2 ? random() % std::min<size_t>(64, bytes.size()) : random() % bytes.size();
                bytes[at] = random() % 2 ? values[random() % sizeof values] : uint8_t(random());
            }
            WriteBytes(file.path, bytes);
            Picture read(codec.read(file.path)), info(codec.info(file.path));
            ASSERT_TRUE(!read || read.WellFormed()) << bits << " bits, round " << round;
            ASSERT_TRUE(!info || (info.header->biSize == 40 && info.Width() > 0 && info.Height() > 0))
                << bits << " bits, round " << round;
        }
    }
}

TEST_P(Damaged, MissingEmptyAndForeignFilesGiveNull)
{
    const Codec &codec = *GetParam();
    TempFile file(std::string("empty.") + codec.extension);
    auto refused = [&] { return !Picture(codec.read(file.path)) && !Picture(codec.info(file.path)); };
    EXPECT_TRUE(refused()); // does not exist
    WriteBytes(file.path, {});
    EXPECT_TRUE(refused());
    WriteBytes(file.path, std::vector<uint8_t>(5000, 0x20));
    EXPECT_TRUE(refused());
    EXPECT_FALSE(codec.read(nullptr));
    char empty[MAX_PATH] = "";
    EXPECT_FALSE(codec.read(empty));
}

INSTANTIATE_TEST_SUITE_P(Codecs, Damaged, testing::Values(&JPG, &BMP, &GIF, &PCX, &TGA, &PNG),
                         [](const testing::TestParamInfo<const Codec *> &p) { return std::string(p.param->name); });

struct Writer : testing::TestWithParam<const Codec *> {};

TEST_P(Writer, FailuresLeaveNoFileAndKeepTheOldOne)
{
    const Codec &codec = *GetParam();
    Picture good(Sample(8)), deep(Sample(24));

    // A folder that does not exist, and a path that names a folder.
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string missing = std::string(folder) + "sbcodec_no_such_folder\\out." + codec.extension;
    EXPECT_EQ(Write(codec, missing, good.handle), 0);
    EXPECT_FALSE(FileExists(missing.c_str()));
    EXPECT_EQ(Write(codec, folder, good.handle), 0);

    // Pictures no writer accepts, and a read-only file: the old file stays.
    TempFile file(std::string("keep.") + codec.extension);
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    WriteBytes(file.path, old);
    EXPECT_EQ(codec.write(file.path, NULL), 0);
    void (*const breaks[])(BITMAPINFOHEADER *) = {
        [](BITMAPINFOHEADER *h) { h->biBitCount = 16; },
        [](BITMAPINFOHEADER *h) { h->biCompression = BI_RLE8; },
        [](BITMAPINFOHEADER *h) { h->biHeight = 0; },
        [](BITMAPINFOHEADER *h) { h->biWidth = -5; },
        [](BITMAPINFOHEADER *h) { h->biHeight = 5000; }, // more rows than the block holds
        [](BITMAPINFOHEADER *h) { h->biSize = 100000; },
    };
    for (auto change : breaks) {
        HGLOBAL dib = Sample(8, 5, 4);
        change((BITMAPINFOHEADER *)GlobalLock(dib));
        GlobalUnlock(dib);
        EXPECT_EQ(codec.write(file.path, dib), 0);
        GlobalFree(dib);
    }
    HGLOBAL tiny = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 20);
    EXPECT_EQ(codec.write(file.path, tiny), 0);
    GlobalFree(tiny);
    SetFileAttributesA(file.path, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(codec.write(file.path, deep.handle), 0);
    SetFileAttributesA(file.path, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(file.path), old);

    // A good write replaces the old file.
    EXPECT_NE(codec.write(file.path, good.handle), 0);
    EXPECT_GT(ReadBytes(file.path).size(), 100u);
    EXPECT_EQ(StrayTempFiles(), 0);
}

INSTANTIATE_TEST_SUITE_P(Codecs, Writer, testing::Values(&JPG, &BMP, &GIF, &PCX, &TGA, &PNG),
                         [](const testing::TestParamInfo<const Codec *> &p) { return std::string(p.param->name); });

} // namespace

// A hand-built file gives the picture its bytes describe, with an information
// block to match; a refused one gives neither. Each format's file lists its
// cases.
TEST_P(HandBuilt, GivesThePictureItsBytesDescribe)
{
    const Case &c = GetParam();
    TempFile file(std::string("hand.") + c.codec->extension);
    WriteBytes(file.path, c.bytes);
    Picture read(c.codec->read(file.path)), info(c.codec->info(file.path));
    if (c.bits <= 0) {
        EXPECT_FALSE(read);
        EXPECT_EQ(bool(info), c.bits == NOPIXELS);
        return;
    }
    ASSERT_TRUE(Holds(read, c.bits, c.rows));
    for (auto [index, colour] : c.entries)
        EXPECT_EQ(read.Entry(index), colour) << "entry " << index;
    EXPECT_TRUE(SameHeader(info, read));
}

// A claim beyond what the file can make, or beyond the largest picture an
// object can show, is refused before memory goes to it; the information block,
// which costs nothing, still describes a picture within that bound.
TEST_P(Hostile, ClaimsBeyondTheFileCostNothing)
{
    const Claim &c = GetParam();
    TempFile file(std::string("claim.") + c.codec->extension);
    WriteBytes(file.path, c.bytes);
    kpx::LargestRequest = 0;
    SetLastError(0);
    Picture read(c.codec->read(file.path));
    const DWORD error = GetLastError();
    EXPECT_EQ(bool(read), c.picture);
    if (c.error) {
        EXPECT_EQ(error, c.error);
    }
    EXPECT_TRUE(!read || read.WellFormed());
    EXPECT_LE(kpx::LargestRequest, c.most);
    kpx::LargestRequest = 0;
    EXPECT_EQ(bool(Picture(c.codec->info(file.path))), c.info);
    EXPECT_LE(kpx::LargestRequest, c.most);
}

// Every byte of each format's header set to telling values: whatever comes
// back is sound.
TEST_P(Damaged, EveryHeaderByteChangedNeverCrashes)
{
    const Codec &codec = *GetParam();
    TempFile file(std::string("header.") + codec.extension);
    std::vector<uint8_t> whole = Encoded(codec, Sample(8, 19, 11));
    const size_t header = std::min<size_t>(&codec == &JPG ? 400 : 140, whole.size());
    for (size_t at = 0; at < header; at++)
        for (uint8_t v : {uint8_t(0), uint8_t(0xFF), uint8_t(0x80), uint8_t(whole[at] ^ 0x01), uint8_t(whole[at] + 0x40)}) {
            std::vector<uint8_t> bytes = whole;
            bytes[at] = v;
            WriteBytes(file.path, bytes);
            Picture read(codec.read(file.path)), info(codec.info(file.path));
            ASSERT_TRUE(!read || read.WellFormed()) << at << " = " << int(v);
            ASSERT_TRUE(!info || (info.header->biSize == 40 && info.Width() > 0 && info.Height() > 0)) << at;
        }
}

namespace {

// Noise that run-length coding can only copy, with a short run at the start
// of every row: a picture of these takes many of the readers' pieces.
uint8_t Noise(int x, int y) { return uint8_t((x * 2654435761u ^ y * 40503u) >> 13); }
uint8_t Channel(int x, int y, int c) { return x < 5 ? uint8_t(y + c) : Noise(x * 3 + c, y); }

// Rows bottom first, each a run of five and absolute runs of up to 255.
std::vector<uint8_t> Rle8Bmp(int width, int height)
{
    Bytes runs;
    for (int y = height - 1; y >= 0; y--) {
        runs.u8(5).u8(Channel(0, y, 0));
        for (int x = 5; x < width;) {
            int n = std::min(255, width - x);
            runs.u8(0).u8(n);
            for (int k = 0; k < n; k++)
                runs.u8(Channel(x + k, y, 0));
            if (n & 1)
                runs.u8(0);
            x += n;
        }
        runs.u8(0).u8(0);
    }
    runs.u8(0).u8(1);
    Bytes file;
    file.str("BM").u32(uint32_t(14 + 40 + 1024 + runs.size())).u32(0).u32(14 + 40 + 1024);
    file.u32(40).u32(width).u32(height).u16(1).u16(8).u32(1).u32(uint32_t(runs.size())).u32(0).u32(0).u32(256).u32(0);
    return file.fill(1024, 0).add(runs.v).v;
}

// Rows bottom first: a run packet of five pixels, then literal packets of
// up to 128, which every other row carry on into it from the row before.
std::vector<uint8_t> RleTga(int width, int height)
{
    Bytes file;
    file.u8(0).u8(0).u8(10).fill(9, 0).u16(width).u16(height).u8(24).u8(0);
    std::vector<uint8_t> literal;
    auto flush = [&] {
        for (size_t at = 0; at < literal.size(); at += 128 * 3) {
            size_t n = std::min<size_t>(128 * 3, literal.size() - at);
            file.u8(uint8_t(n / 3 - 1)).add(std::vector<uint8_t>(literal.begin() + at, literal.begin() + at + n));
        }
        literal.clear();
    };
    for (int y = height - 1; y >= 0; y--) {
        // Every other row's literals carry on from the row before.
        bool run = y % 2 == 0;
        if (run) {
            flush();
            file.u8(0x84).u8(Channel(0, y, 0)).u8(Channel(0, y, 1)).u8(Channel(0, y, 2));
        }
        for (int x = run ? 5 : 0; x < width; x++)
            for (int c = 0; c < 3; c++)
                literal.push_back(Channel(x, y, c));
    }
    flush();
    return file.v;
}

} // namespace

// Run-length files far larger than the piece a reader takes at once: every
// pixel comes back, whichever piece its run or literal began in, and bytes
// changed anywhere in them give a sound picture or none.
TEST(RunLength, LargeFilesDecodeWholeAndSurviveDamage)
{
    const int width = 701, height = 800;
    HGLOBAL source = MakeDib(width, height, 24, {}, [](int x, int y) {
        return uint32_t(RGB(Channel(x, y, 2), Channel(x, y, 1), Channel(x, y, 0)));
    });
    TempFile pcxfile("large.pcx");
    ASSERT_EQ(Write(PCX, pcxfile.path, source), 1);
    GlobalFree(source);
    const Rows colours = Grid(width, height, [](int x, int y) {
        return uint32_t(Channel(x, y, 2) | Channel(x, y, 1) << 8 | Channel(x, y, 0) << 16);
    });
    const struct {
        const Codec &codec;
        std::vector<uint8_t> bytes;
        int bits;
        Rows rows;
    } files[] = {
        {BMP, Rle8Bmp(width, height), 8, Grid(width, height, [](int x, int y) { return uint32_t(Channel(x, y, 0)); })},
        {TGA, RleTga(width, height), 24, colours},
        {PCX, ReadBytes(pcxfile.path), 24, colours},
    };
    std::mt19937 random(99);
    for (const auto &f : files) {
        ASSERT_GT(f.bytes.size(), size_t(kpx::FileStream::CAPACITY) / 2) << f.codec.name;
        TempFile file(std::string("large.") + f.codec.extension);
        WriteBytes(file.path, f.bytes);
        EXPECT_TRUE(Holds(Picture(f.codec.read(file.path)), f.bits, f.rows)) << f.codec.name;
        for (int round = 0; round < 12; round++) {
            std::vector<uint8_t> bytes = f.bytes;
            for (int i = 0; i < 8; i++)
                bytes[random() % bytes.size()] = uint8_t(random());
            bytes.resize(bytes.size() - random() % 2 * (random() % bytes.size()));
            WriteBytes(file.path, bytes);
            Picture read(f.codec.read(file.path));
            ASSERT_TRUE(!read || read.WellFormed()) << f.codec.name << ", round " << round;
        }
    }
}
