// JPEG: lossy round trips within a tolerance, the quality suffix on the
// path, grey and palette pictures, CMYK files and oversized headers.
#include "tests/codecs/codectest.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <jpeglib.h>

using namespace codectest;

namespace {

uint32_t Smooth(int x, int y) { return RGB(40 + x * 3, 30 + y * 4, 200 - x - y); }

short Write(const char *path, HGLOBAL dib)
{
    char buffer[MAX_PATH];
    snprintf(buffer, sizeof buffer, "%s", path);
    return JPGWriteGraphicFile(buffer, dib);
}

// Largest and mean difference of any channel between two pictures' colours.
void Compare(const Picture &a, const Picture &b, int *largest, double *mean)
{
    *largest = 0;
    long total = 0, count = 0;
    for (int y = 0; y < a.Height(); y++)
        for (int x = 0; x < a.Width(); x++) {
            COLORREF p = a.Colour(x, y), q = b.Colour(x, y);
            for (int shift = 0; shift < 24; shift += 8) {
                int d = abs(int(p >> shift & 255) - int(q >> shift & 255));
                *largest = std::max(*largest, d);
                total += d;
                count++;
            }
        }
    *mean = double(total) / count;
}

TEST(Jpg, RoundTripWithinToleranceAndQualityDecidesSize)
{
    TempFile file("round.jpg");
    Picture source(MakeDib(64, 48, 24, {}, Smooth));
    std::string fine = std::string(file.path) + "/Q:95";
    ASSERT_NE(Write(fine.c_str(), source.handle), 0);
    ASSERT_TRUE(FileExists(file.path)); // the suffix is not part of the name
    size_t finesize = ReadBytes(file.path).size();
    Picture read(Call(JPGReadGraphicFile, file.path));
    ASSERT_TRUE(read.WellFormed());
    ASSERT_EQ(read.Bits(), 24);
    ASSERT_EQ(read.Width(), 64);
    ASSERT_EQ(read.Height(), 48);
    int largest;
    double mean;
    Compare(read, source, &largest, &mean);
    EXPECT_LT(largest, 16);
    EXPECT_LT(mean, 2.0);
    Info info = GetInfo(JPGGetFileInformation, file.path);
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.header.biBitCount, 24);
    EXPECT_EQ(info.header.biWidth, 64);
    EXPECT_EQ(info.header.biSizeImage, read.header->biSizeImage);

    std::string coarse = std::string(file.path) + "/Q:10";
    ASSERT_NE(Write(coarse.c_str(), source.handle), 0);
    EXPECT_LT(ReadBytes(file.path).size(), finesize);
}

TEST(Jpg, QualityIsClampedAndDefaultsToSeventyFive)
{
    TempFile file("quality.jpg");
    Picture source(MakeDib(40, 30, 24, {}, [](int x, int y) -> uint32_t { return RGB(x * 6, y * 8, (x * y) % 256); }));
    auto size = [&](const char *suffix) {
        std::string path = std::string(file.path) + suffix;
        EXPECT_NE(Write(path.c_str(), source.handle), 0) << suffix;
        return ReadBytes(file.path).size();
    };
    EXPECT_EQ(size("/Q:0"), size("/Q:1"));
    EXPECT_EQ(size("/Q:500"), size("/Q:100"));
    EXPECT_EQ(size("/Q:99999999999999999999"), size("/Q:100"));
    EXPECT_EQ(size(""), size("/Q:75"));
    EXPECT_NE(size("/Q:1"), size("/Q:100"));
}

TEST(Jpg, PalettePicturesBecomeGreyOrColour)
{
    TempFile file("palette.jpg");
    std::vector<COLORREF> greys;
    for (int i = 0; i < 256; i++)
        greys.push_back(RGB(i, i, i));
    Picture grey(MakeDib(32, 16, 8, greys, [](int x, int) -> uint32_t { return x * 8; }));
    ASSERT_NE(Write(file.path, grey.handle), 0);
    Picture g(Call(JPGReadGraphicFile, file.path));
    ASSERT_TRUE(g.WellFormed());
    ASSERT_EQ(g.Bits(), 8);
    EXPECT_EQ(g.Entry(200), RGB(200, 200, 200));
    EXPECT_NEAR(int(g.Pixel(20, 5)), 160, 6);
    EXPECT_EQ(GetInfo(JPGGetFileInformation, file.path).header.biBitCount, 8);

    Picture mono(MakeDib(32, 16, 1, {RGB(0, 0, 0), RGB(255, 255, 255)},
                         [](int x, int) -> uint32_t { return x >= 16; }));
    ASSERT_NE(Write(file.path, mono.handle), 0);
    Picture m(Call(JPGReadGraphicFile, file.path));
    ASSERT_TRUE(m.WellFormed());
    EXPECT_EQ(m.Bits(), 8);
    EXPECT_LT(m.Pixel(2, 8), 10u);
    EXPECT_GT(m.Pixel(30, 8), 245u);

    Picture colour(MakeDib(32, 16, 4, {RGB(200, 30, 30), RGB(30, 30, 200)},
                           [](int x, int) -> uint32_t { return x >= 16; }));
    ASSERT_NE(Write(file.path, colour.handle), 0);
    Picture c(Call(JPGReadGraphicFile, file.path));
    ASSERT_TRUE(c.WellFormed());
    EXPECT_EQ(c.Bits(), 24);
    int largest;
    double mean;
    Compare(c, colour, &largest, &mean);
    EXPECT_LT(mean, 4.0);

    Picture deep(MakeDib(32, 16, 32, {}, [](int x, int y) -> uint32_t { return Smooth(x, y) | 0xFF000000u; }));
    ASSERT_NE(Write(file.path, deep.handle), 0);
    Picture d(Call(JPGReadGraphicFile, file.path));
    ASSERT_TRUE(d.WellFormed());
    EXPECT_EQ(d.Bits(), 24);
    Compare(d, deep, &largest, &mean);
    EXPECT_LT(mean, 3.0);
}

// A flat CMYK file as Adobe programs write it (inverted, with their marker).
std::vector<uint8_t> CmykFile(uint8_t c, uint8_t m, uint8_t y, uint8_t k)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char *bytes = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &bytes, &size);
    cinfo.image_width = 16;
    cinfo.image_height = 16;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row;
    for (int i = 0; i < 16; i++)
        row.insert(row.end(), {uint8_t(255 - c), uint8_t(255 - m), uint8_t(255 - y), uint8_t(255 - k)});
    while (cinfo.next_scanline < 16) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> file(bytes, bytes + size);
    jpeg_destroy_compress(&cinfo);
    free(bytes);
    return file;
}

TEST(Jpg, CmykBecomesTrueColour)
{
    TempFile file("cmyk.jpg");
    WriteBytes(file.path, CmykFile(0, 255, 255, 0)); // red ink-free, magenta and yellow full
    Picture red(Call(JPGReadGraphicFile, file.path));
    ASSERT_TRUE(red.WellFormed());
    ASSERT_EQ(red.Bits(), 24);
    COLORREF c = red.Pixel(8, 8);
    EXPECT_GT(GetRValue(c), 245);
    EXPECT_LT(GetGValue(c), 10);
    EXPECT_LT(GetBValue(c), 10);
    EXPECT_EQ(GetInfo(JPGGetFileInformation, file.path).header.biBitCount, 24);

    WriteBytes(file.path, CmykFile(0, 0, 0, 128)); // half black
    Picture grey(Call(JPGReadGraphicFile, file.path));
    ASSERT_TRUE(grey.WellFormed());
    EXPECT_NEAR(GetRValue(grey.Pixel(3, 3)), 127, 3);
    EXPECT_NEAR(GetBValue(grey.Pixel(3, 3)), 127, 3);
}

std::vector<uint8_t> ProgressiveFile()
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char *bytes = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &bytes, &size);
    cinfo.image_width = 24;
    cinfo.image_height = 16;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row;
    for (int x = 0; x < 24; x++)
        row.insert(row.end(), {uint8_t(x * 10), 100, 50});
    while (cinfo.next_scanline < 16) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> file(bytes, bytes + size);
    jpeg_destroy_compress(&cinfo);
    free(bytes);
    return file;
}

TEST(Jpg, ProgressiveFilesReadButEndlessScansDoNot)
{
    TempFile file("progressive.jpg");
    std::vector<uint8_t> bytes = ProgressiveFile();
    WriteBytes(file.path, bytes);
    Picture p(Call(JPGReadGraphicFile, file.path));
    ASSERT_TRUE(p.WellFormed());
    EXPECT_NEAR(GetRValue(p.Pixel(20, 3)), 200, 8);

    // The last scan repeated hundreds of times: each repeat only warns, but
    // each is another pass over the picture.
    size_t last = 0;
    for (size_t i = 2; i + 1 < bytes.size(); i++)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA)
            last = i;
    ASSERT_NE(last, 0u);
    std::vector<uint8_t> scan(bytes.begin() + last, bytes.end() - 2), endless(bytes.begin(), bytes.end() - 2);
    for (int i = 0; i < 300; i++)
        endless.insert(endless.end(), scan.begin(), scan.end());
    endless.insert(endless.end(), {0xFF, 0xD9});
    WriteBytes(file.path, endless);
    EXPECT_FALSE(Picture(Call(JPGReadGraphicFile, file.path)));
}

TEST(Jpg, OversizedFramesGiveNullAtOnce)
{
    TempFile file("huge.jpg");
    Picture source(MakeDib(16, 16, 24, {}, Smooth));
    ASSERT_NE(Write(file.path, source.handle), 0);
    std::vector<uint8_t> bytes = ReadBytes(file.path);
    size_t sof = 0;
    for (size_t i = 2; i + 9 < bytes.size() && !sof; i++)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0)
            sof = i;
    ASSERT_NE(sof, 0u);
    for (auto [w, h] : {std::pair{40000, 16}, std::pair{16, 65000}, std::pair{30000, 30000}}) {
        std::vector<uint8_t> big = bytes;
        big[sof + 5] = uint8_t(h >> 8), big[sof + 6] = uint8_t(h);
        big[sof + 7] = uint8_t(w >> 8), big[sof + 8] = uint8_t(w);
        WriteBytes(file.path, big);
        DWORD start = GetTickCount();
        EXPECT_FALSE(Picture(Call(JPGReadGraphicFile, file.path))) << w << "x" << h;
        EXPECT_FALSE(GetInfo(JPGGetFileInformation, file.path).ok) << w << "x" << h;
        EXPECT_LT(GetTickCount() - start, 1000u);
    }
}

} // namespace
