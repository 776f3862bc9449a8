// JPEG: lossy round trips within a tolerance, the quality suffix on the
// path, grey and palette pictures, CMYK and progressive files, and oversized
// or endless ones.
#include "tests/codecs/codectest.h"
#include "tests/support/testsupport.h"
#include <cstdio>
#include <jpeglib.h>

using namespace codectest;

namespace {

uint32_t Smooth(int x, int y) { return RGB(40 + x * 3, 30 + y * 4, 200 - x - y); }

// The largest and the mean difference of any channel between two pictures' colours.
struct Difference {
    int largest = 0;
    double mean = 0;
};
Difference Compare(const Picture &a, const Picture &b)
{
    Difference d;
    for (int y = 0; y < a.Height(); y++)
        for (int x = 0; x < a.Width(); x++)
            for (int shift = 0; shift < 24; shift += 8) {
                int e = abs(int(a.Colour(x, y) >> shift & 255) - int(b.Colour(x, y) >> shift & 255));
                d.largest = std::max(d.largest, e);
                d.mean += e;
            }
    d.mean /= a.Width() * a.Height() * 3;
    return d;
}

TEST(Jpg, RoundTripWithinToleranceAndQualityFromThePath)
{
    TempFile file("round.jpg");
    Picture source(MakeDib(64, 48, 24, {}, Smooth));
    auto size = [&](const char *suffix) { // of the file at the path without the suffix
        EXPECT_NE(Write(JPG, std::string(file.path) + suffix, source.handle), 0) << suffix;
        return ReadBytes(file.path).size();
    };
    EXPECT_EQ(size("/Q:0"), size("/Q:1"));
    EXPECT_EQ(size("/Q:500"), size("/Q:100"));
    EXPECT_EQ(size("/Q:99999999999999999999"), size("/Q:100"));
    EXPECT_EQ(size(""), size("/Q:75"));
    size_t coarse = size("/Q:10"), fine = size("/Q:95");
    EXPECT_LT(coarse, fine);

    Picture read(JPGReadGraphicFile(file.path)), info(JPGGetFileInformation(file.path));
    ASSERT_TRUE(read.WellFormed());
    ASSERT_TRUE(SameHeader(read, source));
    Difference d = Compare(read, source);
    EXPECT_LT(d.largest, 16);
    EXPECT_LT(d.mean, 2.0);
    EXPECT_TRUE(SameHeader(info, read));
}

TEST(Jpg, PalettePicturesBecomeGreyOrColour)
{
    std::vector<COLORREF> greys;
    for (int i = 0; i < 256; i++)
        greys.push_back(RGB(i, i, i));
    struct {
        HGLOBAL dib;
        int bits;
        double mean;
    } cases[] = {
        {MakeDib(32, 16, 8, greys, [](int x, int) -> uint32_t { return x * 8; }), 8, 2.0},
        {MakeDib(32, 16, 1, {RGB(0, 0, 0), RGB(255, 255, 255)}, [](int x, int) -> uint32_t { return x >= 16; }), 8, 4.0},
        {MakeDib(32, 16, 4, {RGB(200, 30, 30), RGB(30, 30, 200)}, [](int x, int) -> uint32_t { return x >= 16; }), 24, 4.0},
        {MakeDib(32, 16, 32, {}, [](int x, int y) -> uint32_t { return Smooth(x, y) | 0xFF000000u; }), 24, 3.0},
    };
    TempFile file("palette.jpg");
    for (auto &c : cases) {
        Picture source(c.dib);
        ASSERT_NE(JPGWriteGraphicFile(file.path, source.handle), 0);
        Picture read(JPGReadGraphicFile(file.path)), info(JPGGetFileInformation(file.path));
        ASSERT_TRUE(read.WellFormed());
        EXPECT_EQ(read.Bits(), c.bits) << source.Bits();
        EXPECT_LT(Compare(read, source).mean, c.mean) << source.Bits();
        EXPECT_TRUE(SameHeader(info, read));
        if (c.bits == 8) {
            EXPECT_EQ(read.Entry(200), RGB(200, 200, 200));
        }
    }
}

// A file written by libjpeg itself, every row the same.
std::vector<uint8_t> LibJpeg(int width, int height, J_COLOR_SPACE space, const std::vector<uint8_t> &row,
                             bool progressive)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char *bytes = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &bytes, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = int(row.size()) / width;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW r = (JSAMPROW)row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> file(bytes, bytes + size);
    jpeg_destroy_compress(&cinfo);
    free(bytes);
    return file;
}

// Where the last marker of this kind stands in a file, or 0.
size_t Marker(const std::vector<uint8_t> &bytes, uint8_t kind)
{
    size_t at = 0;
    for (size_t i = 2; i + 1 < bytes.size(); i++)
        if (bytes[i] == 0xFF && bytes[i + 1] == kind)
            at = i;
    return at;
}

// Flat CMYK files as Adobe programs write them: inverted, with their marker.
TEST(Jpg, CmykBecomesTrueColour)
{
    TempFile file("cmyk.jpg");
    struct {
        uint8_t ink[4];
        COLORREF colour;
        int tolerance;
    } cases[] = {
        {{255, 0, 0, 255}, RGB(255, 0, 0), 10},       // magenta and yellow, no cyan or black
        {{255, 255, 255, 127}, RGB(127, 127, 127), 3}, // half black
    };
    for (auto &c : cases) {
        std::vector<uint8_t> row;
        for (int i = 0; i < 16; i++)
            row.insert(row.end(), c.ink, c.ink + 4);
        WriteBytes(file.path, LibJpeg(16, 16, JCS_CMYK, row, false));
        Picture read(JPGReadGraphicFile(file.path)), info(JPGGetFileInformation(file.path));
        ASSERT_TRUE(read.WellFormed());
        ASSERT_EQ(read.Bits(), 24);
        for (int shift = 0; shift < 24; shift += 8)
            EXPECT_NEAR(int(read.Pixel(8, 8) >> shift & 255), int(c.colour >> shift & 255), c.tolerance);
        EXPECT_TRUE(SameHeader(info, read));
    }
}

TEST(Jpg, ProgressiveFilesReadButEndlessScansDoNot)
{
    TempFile file("progressive.jpg");
    std::vector<uint8_t> row;
    for (int x = 0; x < 24; x++)
        row.insert(row.end(), {uint8_t(x * 10), 100, 50});
    std::vector<uint8_t> bytes = LibJpeg(24, 16, JCS_RGB, row, true);
    WriteBytes(file.path, bytes);
    Picture p(JPGReadGraphicFile(file.path));
    ASSERT_TRUE(p.WellFormed());
    EXPECT_NEAR(GetRValue(p.Pixel(20, 3)), 200, 8);

    // The last scan repeated hundreds of times: each repeat only warns, but
    // each is another pass over the picture.
    size_t last = Marker(bytes, 0xDA);
    ASSERT_NE(last, 0u);
    std::vector<uint8_t> scan(bytes.begin() + last, bytes.end() - 2), endless(bytes.begin(), bytes.end() - 2);
    for (int i = 0; i < 300; i++)
        endless.insert(endless.end(), scan.begin(), scan.end());
    endless.insert(endless.end(), {0xFF, 0xD9});
    WriteBytes(file.path, endless);
    EXPECT_FALSE(Picture(JPGReadGraphicFile(file.path)));
}

TEST(Jpg, OversizedFramesGiveNullAtOnce)
{
    TempFile file("huge.jpg");
    Picture source(MakeDib(16, 16, 24, {}, Smooth));
    ASSERT_NE(JPGWriteGraphicFile(file.path, source.handle), 0);
    std::vector<uint8_t> bytes = ReadBytes(file.path);
    size_t sof = Marker(bytes, 0xC0);
    ASSERT_NE(sof, 0u);
    for (auto [w, h] : {std::pair{40000, 16}, std::pair{16, 65000}, std::pair{30000, 30000}}) {
        std::vector<uint8_t> big = bytes;
        big[sof + 5] = uint8_t(h >> 8), big[sof + 6] = uint8_t(h);
        big[sof + 7] = uint8_t(w >> 8), big[sof + 8] = uint8_t(w);
        WriteBytes(file.path, big);
        double start = sbtest::ProcessorMs();
        EXPECT_FALSE(Picture(JPGReadGraphicFile(file.path))) << w << "x" << h;
        EXPECT_FALSE(Picture(JPGGetFileInformation(file.path))) << w << "x" << h;
        EXPECT_LT(sbtest::ProcessorMs() - start, 1000) << "ms of processor time";
    }
}

// A 16 x 16 file of libjpeg's whose frame is made to say width x height.
std::vector<uint8_t> Stretched(int width, int height, J_COLOR_SPACE space, bool progressive)
{
    int channels = space == JCS_GRAYSCALE ? 1 : 3;
    std::vector<uint8_t> bytes = LibJpeg(16, 16, space, std::vector<uint8_t>(16 * channels, 90), progressive);
    size_t sof = Marker(bytes, progressive ? 0xC2 : 0xC0);
    EXPECT_NE(sof, 0u);
    bytes[sof + 5] = uint8_t(height >> 8), bytes[sof + 6] = uint8_t(height);
    bytes[sof + 7] = uint8_t(width >> 8), bytes[sof + 8] = uint8_t(width);
    return bytes;
}

// A flat grey progressive file of libjpeg's with its last scan given again
// `repeats` times: each repeat is another pass over the picture.
std::vector<uint8_t> Repeated(int side, int repeats)
{
    std::vector<uint8_t> bytes = LibJpeg(side, side, JCS_GRAYSCALE, std::vector<uint8_t>(side, 90), true);
    size_t last = Marker(bytes, 0xDA);
    std::vector<uint8_t> scan(bytes.begin() + long(last), bytes.end() - 2), out(bytes.begin(), bytes.end() - 2);
    for (int i = 0; i < repeats; i++)
        out.insert(out.end(), scan.begin(), scan.end());
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

INSTANTIATE_TEST_SUITE_P(Jpg, Hostile, testing::ValuesIn(ClaimsFor(JPG, {
    // A few kilobytes pay for a few dozen passes over a million pixels.
    {"MorePassesThanItsBytesPayFor", Repeated(1000, 60), true, 2u << 20},
    {"PassesItsBytesPayFor", Repeated(1000, 4), true, 2u << 20, true},
    // Every coefficient of a progressive picture is kept: 242 MB in all.
    {"ProgressiveGreyOfElevenThousandSquare", Stretched(11000, 11000, JCS_GRAYSCALE, true), true, 1u << 20},
    {"BaselineColourOfFourThousandSquare", Stretched(4000, 4000, JCS_RGB, false), true, 1u << 20},
    // Within what its bytes can code, the same file still reads.
    {"ProgressiveGreyWithinItsBytes", Stretched(64, 64, JCS_GRAYSCALE, true), true, 1u << 20, true},
})), ClaimName);

} // namespace
