// Pictures by extension through the codec libraries, the first frame of AVI
// movies (written here with the platform's AVI file library), the object
// data loaders and the waveform.
#include "media/imageformat.h"
#include "media/loaders.h"
#include "media/sound.h"
#include "common/shell.h"
#include "tests/media/picturetest.h"
#include <gtest/gtest.h>
#include <vfw.h>
#include <climits>
#include <functional>
#include <string>

using namespace pictest;

namespace {

TEST(ImageFormats, TableLookups)
{
    EXPECT_EQ(FindImageFormat("C:\\PICS\\HOLIDAY.JPG"), 0);
    EXPECT_EQ(FindImageFormat("photo.Png"), 5);
    EXPECT_EQ(FindImageFormat("movie.avi"), 6);
    for (const char *none : {"readme.txt", "C:\\dir.gif\\noextension", "a.jpeg"})
        EXPECT_EQ(FindImageFormat(none), -1) << none;
    char text[32] = "";
    EXPECT_EQ(GetFormatName(text, 2, 0), 7);
    EXPECT_STREQ(text, "gif files");
    EXPECT_EQ(GetFormatExtension(text, 4, 0), 7);
    EXPECT_STREQ(text, "tga");
    EXPECT_EQ(GetFormatName(text, 7, 0) + GetFormatExtension(text, 7, 0), -2);
}

// Every writer and reader through the table, on colours the 3-3-2 palette
// holds, so that GIF's dithering of 24- and 32-bit pictures keeps them.
TEST(ImageFormats, WriteThenLoadEveryCodec)
{
    const COLORREF quadrant[] = {RGB(36, 72, 170), RGB(255, 0, 85), RGB(0, 255, 255), RGB(216, 144, 0)};
    Dib deep[2] = {CreateDib(64, 64, NULL, 24), CreateDib(64, 64, NULL, 32)};
    for (HGLOBAL h : deep) {
        Pixels p(h);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                p.Put(x, y, quadrant[x / 32 + y / 32 * 2] | (p.Bits() == 32 ? 0xFF000000 : 0));
    }
    const struct {
        const char *name;
        int source, bits, tolerance;
    } cases[] = {{"a.jpg", 24, 24, 12}, {"a.bmp", 24, 24, 0}, {"a.gif", 24, 8, 0}, {"b.gif", 32, 8, 0},
                 {"a.pcx", 24, 24, 0},  {"a.tga", 24, 24, 0}, {"a.PNG", 32, 32, 0}};
    for (const auto &c : cases) {
        TempFile file(c.name);
        ASSERT_EQ(WriteImage(file.c(), deep[c.source == 32]), 1) << c.name;
        unsigned short bits = 0;
        Dib loaded(LoadImageA(NULL, file.c(), NULL, &bits));
        ASSERT_TRUE(loaded) << c.name;
        EXPECT_EQ(bits, c.bits) << c.name;
        Pixels p(loaded);
        ASSERT_EQ(p.Width() * 1000 + p.Height(), 64064) << c.name;
        for (int i = 0; i < 4; ++i) {
            COLORREF got = p.Colour(16 + i % 2 * 32, 16 + i / 2 * 32);
            for (int shift = 0; shift < 24; shift += 8)
                EXPECT_NEAR((int)(got >> shift & 255), (int)(quadrant[i] >> shift & 255), c.tolerance) << c.name;
        }
    }
}

// The JPEG quality rides on the path; a path too long for the codecs'
// buffers is refused, never cut down to one that names another file.
TEST(ImageFormats, WriteImageQualityAndPaths)
{
    Dib noise(RandomDib(64, 64, 24, 7));
    TempFile low("q.JpG"), high("q2.jpg"), other("a.jpeg"), avi("a.avi");
    unsigned saved = JPEGQualityFactor;
    JPEGQualityFactor = 5;
    EXPECT_EQ(WriteImage(low.c(), noise), 1);
    JPEGQualityFactor = 100;
    EXPECT_EQ(WriteImage(high.c(), noise), 1);
    JPEGQualityFactor = saved;
    EXPECT_LT(low.Read().size() * 2, high.Read().size());
    EXPECT_EQ(WriteImage(other.c(), noise), 0);
    EXPECT_EQ(WriteImage(avi.c(), noise), 0);
    EXPECT_TRUE(other.Read().empty());

    TempFile longest(std::string(MAX_PATH - 5 - TempFile::Folder().size(), 'p') + ".bmp");
    ASSERT_EQ(longest.path.size(), (size_t)MAX_PATH - 1);
    ASSERT_EQ(WriteImage(longest.c(), noise), 1);
    std::string longer = longest.path + "x.bmp";
    EXPECT_FALSE(Dib(LoadImageA(NULL, longer.c_str(), NULL, NULL)));
    EXPECT_EQ(GetImageInfo(longer.c_str(), NULL, NULL, NULL, NULL), 0);
    EXPECT_EQ(WriteImage(longer.c_str(), noise), 0);
}

TEST(ImageFormats, ImageInfoAndStatusWindow)
{
    TempFile file("info.bmp"), missing("missing.png");
    Dib picture(RandomDib(5, 3, 8, 11));
    ASSERT_EQ(WriteImage(file.c(), picture), 1);
    int width = 0, height = 0, bits = 0;
    char rgb[PALETTEBYTES], want[PALETTEBYTES];
    ASSERT_EQ(GetImageInfo(file.c(), &width, &height, &bits, rgb), 1);
    EXPECT_EQ(width * 100 + height * 10 + bits, 538);
    GetDibPalette((const BITMAPINFO *)Pixels(picture).header, want);
    EXPECT_EQ(0, memcmp(rgb, want, sizeof rgb));
    EXPECT_EQ(GetImageInfo(missing.c(), &width, NULL, NULL, NULL), 0);

    HWND status = CreateWindowA("STATIC", "old", WS_POPUP, 0, 0, 100, 20, NULL, NULL, NULL, NULL);
    char text[MAX_PATH];
    EXPECT_FALSE(Dib(LoadImageA(NULL, missing.c(), status, NULL)));
    GetWindowTextA(status, text, sizeof text);
    EXPECT_STREQ(text, "");
    EXPECT_TRUE(Dib(LoadImageA(NULL, file.c(), status, NULL)));
    GetWindowTextA(status, text, sizeof text);
    EXPECT_EQ(text, file.path);
    DestroyWindow(status);
}

// JPEG and PNG information comes from the file's head; headers that reach
// further send the reader to the whole file.
TEST(ImageFormats, InformationBeyondTheFilesHead)
{
    TempFile jpeg("head.jpg"), png("head.png");
    Dib picture(RandomDib(300, 200, 24, 9));
    ASSERT_TRUE(WriteImage(jpeg.c(), picture) && WriteImage(png.c(), picture));
    Data j = jpeg.Read(), p = png.Read(), segment{0xFF, 0xEF, 0xFF, 0xFF}, chunk{0, 1, 0x86, 0xA0, 'p', 'r', 'V', 't'};
    segment.resize(2 + 0xFFFF);
    chunk.resize(8 + 100000 + 4); // an unknown chunk, its CRC wrong: skipped with a warning
    j.insert(j.begin() + 2, segment.begin(), segment.end());
    j.insert(j.begin() + 2, segment.begin(), segment.end());
    p.insert(p.begin() + 8 + 25, chunk.begin(), chunk.end());
    jpeg.Write(j);
    png.Write(p);
    for (const TempFile *file : {&jpeg, &png}) {
        int width = 0, height = 0;
        EXPECT_EQ(GetImageInfo(file->c(), &width, &height, NULL, NULL), 1) << file->path;
        EXPECT_EQ(width * 1000 + height, 300200) << file->path;
    }
}

// An AVI of one stream holding one frame or one block of samples.
void WriteAvi(const char *path, DWORD type, const void *format, LONG formatsize, const Data &data)
{
    AVIFileInit();
    PAVIFILE file = NULL;
    PAVISTREAM stream = NULL;
    AVISTREAMINFOA info{};
    info.fccType = type;
    info.dwScale = 1;
    info.dwRate = 10;
    info.dwSampleSize = type == streamtypeAUDIO;
    ASSERT_EQ(AVIFileOpenA(&file, path, OF_CREATE | OF_WRITE, NULL), 0);
    EXPECT_EQ(AVIFileCreateStreamA(file, &stream, &info), 0);
    EXPECT_EQ(AVIStreamSetFormat(stream, 0, (void *)format, formatsize), 0);
    LONG samples = type == streamtypeAUDIO ? (LONG)data.size() : 1;
    EXPECT_EQ(AVIStreamWrite(stream, 0, samples, (void *)data.data(), (LONG)data.size(), AVIIF_KEYFRAME, NULL, NULL), 0);
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    AVIFileExit();
}

// A 6 x 4 frame of `bits` bits whose pixel (x, y) from the top is pixel(x, y),
// 8-bit frames with a grey ramp.
void WriteVideo(const char *path, int bits, uint32_t (*pixel)(int x, int y))
{
    Dib frame(HandMadeDib(6, 4, bits, sizeof(BITMAPINFOHEADER)));
    Pixels p(frame);
    const int offset = sizeof(BITMAPINFOHEADER) + (bits == 8 ? 1024 : 0), rowbytes = (6 * bits + 31) / 32 * 4;
    for (int i = 0; bits == 8 && i < 256; ++i)
        p.Table()[i] = RGBQUAD{(BYTE)i, (BYTE)i, (BYTE)i, 0};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            for (int i = 0; i < bits / 8; ++i)
                p.Bytes()[offset + (3 - y) * rowbytes + x * bits / 8 + i] = (uint8_t)(pixel(x, y) >> 8 * i);
    WriteAvi(path, streamtypeVIDEO, p.header, offset, Data(p.Bytes() + offset, p.Bytes() + offset + 4 * rowbytes));
}

TEST(AviFrames, FirstFrameOfEachDepthAndNoVideo)
{
    const struct {
        int bits;
        uint32_t (*pixel)(int, int);
        COLORREF at21;
    } cases[] = {
        {8, [](int x, int y) -> uint32_t { return x * 16 + y; }, RGB(33, 33, 33)},
        {16, [](int x, int y) -> uint32_t { return x << 10 | y << 5 | 31; }, RGB(16, 8, 248)}, // 5-5-5 times 8
        {24, [](int x, int y) -> uint32_t { return x * 10 << 16 | y * 20 << 8 | 7; }, RGB(20, 20, 7)},
        {32, [](int x, int y) -> uint32_t { return 0xAA000000u | x * 10 << 16 | y * 20 << 8 | 7; }, RGB(20, 20, 7)},
    };
    for (const auto &c : cases) {
        TempFile file("frame.avi");
        WriteVideo(file.c(), c.bits, c.pixel);
        unsigned short bits = 0;
        Dib dib(LoadImageA(NULL, file.c(), NULL, &bits));
        ASSERT_TRUE(dib) << c.bits;
        EXPECT_EQ(bits, c.bits == 8 ? 8 : 24);
        Pixels p(dib);
        EXPECT_EQ(p.Width() * 10 + p.Height(), 64);
        EXPECT_EQ(p.Colour(2, 1), c.at21) << c.bits;
    }
    TempFile sound("sound.avi");
    PCMWAVEFORMAT format{{WAVE_FORMAT_PCM, 1, 8000, 8000, 1}, 8};
    WriteAvi(sound.c(), streamtypeAUDIO, &format, sizeof format, Data(800, 128));
    EXPECT_FALSE(Dib(AVIReadGraphicFile((char *)sound.c())));
    EXPECT_EQ(GetImageInfo(sound.c(), NULL, NULL, NULL, NULL), 0);
}

// A frame header from the platform is checked before its pixels are read.
TEST(AviFrames, FrameHeadersAreCheckedBeforeCopying)
{
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD table[2];
        uint8_t pixels[8];
    } frame{{sizeof(BITMAPINFOHEADER), 2, -2, 1, 8, BI_RGB, 0, 0, 0, 2, 0}, {{1, 2, 3, 0}, {4, 5, 6, 0}},
            {1, 0, 0, 0, 0, 1, 0, 0}};
    {
        // Top-down, with a table of two: the rows turn round, and the other
        // colours are black rather than read from the pixels.
        Dib dib(AVIFrameToDib(&frame.header, sizeof frame.pixels));
        ASSERT_TRUE(dib);
        Pixels p(dib);
        EXPECT_EQ(p.Get(0, 0) * 100 + p.Get(1, 1) * 10 + p.Get(0, 1), 110u);
        EXPECT_EQ(p.Colour(0, 0), RGB(6, 5, 4));
        EXPECT_EQ(p.Table()[2].rgbRed | p.Table()[2].rgbGreen | p.Table()[2].rgbBlue, 0);
    }
    typedef BITMAPINFOHEADER H;
    const std::function<void(H &)> damage[] = {
        [](H &h) { h.biSize = 12; },        [](H &h) { h.biSize = 0x7FFFFFF0; }, [](H &h) { h.biBitCount = 2; },
        [](H &h) { h.biCompression = 1; },  [](H &h) { h.biClrUsed = 257; },     [](H &h) { h.biWidth = -2; },
        [](H &h) { h.biHeight = INT_MIN; }, [](H &h) { h.biHeight = 0; },
        [](H &h) { h.biBitCount = 32, h.biWidth = 0x10000, h.biHeight = 0x4000; }, // 2^32 bytes
    };
    for (const auto &d : damage) {
        H h = frame.header;
        d(h);
        EXPECT_FALSE(Dib(AVIFrameToDib(&h, sizeof frame.pixels))) << &d - damage;
    }
}

// AVI files built byte by byte: a RIFF chunk or list, with its pad byte.
Data Riff(const char *id, const Data &body, const char *type = nullptr)
{
    uint32_t size = (uint32_t)body.size() + (type ? 4 : 0);
    Data d;
    for (int i = 0; i < 4; i++)
        d.push_back((uint8_t)id[i]);
    for (int i = 0; i < 4; i++)
        d.push_back((uint8_t)(size >> 8 * i));
    for (int i = 0; type && i < 4; i++)
        d.push_back((uint8_t)type[i]);
    d.insert(d.end(), body.begin(), body.end());
    if (d.size() & 1)
        d.push_back(0);
    return d;
}
Data Cat(std::initializer_list<Data> parts)
{
    Data d;
    for (const Data &p : parts)
        d.insert(d.end(), p.begin(), p.end());
    return d;
}
template <class T> Data Raw(const T &v)
{
    return Data((const uint8_t *)&v, (const uint8_t *)&v + sizeof v);
}

// The parts of a one-frame movie of 2 x 2 at 24 bits, each open to damage.
struct AviParts {
    uint32_t width = 2, height = 2, streams = 1, headersize = 56, streamsize = 56, formatsize = 40;
    uint32_t indexlength = 16, indexid = mmioFOURCC('0', '0', 'd', 'b'), flags = 0x10, samplesize = 0, length = 1;
    int32_t indexoffset = 4;
    bool index = true;
    Data frame = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}; // rows of 8 bytes, bottom first
    Data extra = {}, streamextra = {}; // in the header list after the main header, in the stream list
    Data Bytes() const
    {
        uint32_t avih[14] = {100000, 0, 0, flags, 1, 0, streams, (uint32_t)frame.size(), width, height};
        uint32_t strh[14] = {mmioFOURCC('v', 'i', 'd', 's'), 0, 0, 0, 0, 1, 10, 0, length, (uint32_t)frame.size(), 0xFFFFFFFF, samplesize};
        BITMAPINFOHEADER strf{40, (LONG)width, (LONG)height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        uint32_t idx1[4] = {indexid, 0x10, (uint32_t)indexoffset, indexlength};
        Data head = Raw(avih), stream = Raw(strh), format = Raw(strf);
        head.resize(headersize);
        stream.resize(streamsize);
        format.resize(formatsize);
        Data hdrl = Riff("LIST", Cat({Riff("avih", head), extra, Riff("LIST", Cat({Riff("strh", stream), Riff("strf", format), streamextra}), "strl")}), "hdrl");
        return Riff("RIFF", Cat({hdrl, Riff("LIST", Riff("00db", frame), "movi"), index ? Riff("idx1", Raw(idx1)) : Data()}), "AVI ");
    }
};

TEST(AviFrames, FilesWhoseStructureDoesNotAddUpNeverReachTheLibrary)
{
    TempFile file("built.avi"), longname(std::string(60, 'n') + ".avi"), unindexed("unindexed.avi");
    file.Write(AviParts().Bytes());
    longname.Write(AviParts().Bytes());
    AviParts plain;
    plain.index = false, plain.flags = 0;
    unindexed.Write(plain.Bytes());
    EXPECT_TRUE(Dib(LoadImageA(NULL, longname.c(), NULL, NULL))); // by its short name
    EXPECT_TRUE(Dib(LoadImageA(NULL, unindexed.c(), NULL, NULL)));
    {
        Dib dib(LoadImageA(NULL, file.c(), NULL, NULL));
        ASSERT_TRUE(dib);
        Pixels p(dib);
        EXPECT_EQ(p.Colour(0, 1), RGB(255, 0, 0));
        EXPECT_EQ(p.Colour(1, 1), RGB(0, 255, 0));
        EXPECT_EQ(p.Colour(0, 0), RGB(0, 0, 255));
        EXPECT_EQ(p.Colour(1, 0), RGB(255, 255, 255));
    }
    Data nested = Riff("JUNK", {1});
    for (int i = 0; i < 8; i++)
        nested = Riff("LIST", nested, "deep");
    const struct {
        const char *name;
        std::function<void(AviParts &)> damage;
        size_t cut = 0; // bytes taken off the end
    } cases[] = {
        {"a format wider than its frame", [](AviParts &a) { a.width = 64; }},
        {"a format of 2 GB in a small file", [](AviParts &a) { a.width = a.height = 30000; }},
        {"a frame shorter than its format", [](AviParts &a) { a.frame.resize(12), a.indexlength = 12; }},
        {"a short stream format", [](AviParts &a) { a.formatsize = 20; }},
        {"a short main header", [](AviParts &a) { a.headersize = 40; }},
        {"a short stream header", [](AviParts &a) { a.streamsize = 20; }},
        {"more streams declared than there are", [](AviParts &a) { a.streams = 2; }},
        {"an index entry past the movie", [](AviParts &a) { a.indexlength = 1000; }},
        {"an index entry before the movie", [](AviParts &a) { a.indexoffset = -400; }},
        {"lists nested past reason", [&](AviParts &a) { a.streamextra = nested; }},
        {"a chunk where a stream list must be", [](AviParts &a) { a.extra = Riff("JUNK", {1, 2}); }},
        {"an index entry of no stream", [](AviParts &a) { a.indexid = mmioFOURCC('0', '1', 'd', 'b'); }},
        {"an index said to be there and missing", [](AviParts &a) { a.index = false; }},
        {"video counted in bytes", [](AviParts &a) { a.samplesize = 16; }},
        {"a file cut inside its index", [](AviParts &) {}, 6},
        {"a length of a billion frames", [](AviParts &a) { a.width = a.height = 1, a.frame.resize(4), a.indexlength = 4, a.length = 0x40000000; }},
        {"a length of 2^28 frames unindexed", [](AviParts &a) { a.index = false, a.flags = 0, a.length = 0x10000000; }},
        {"more frames than index entries", [](AviParts &a) { a.length = 2; }},
    };
    for (const auto &c : cases) {
        AviParts a;
        c.damage(a);
        Data bytes = a.Bytes();
        bytes.resize(bytes.size() - c.cut);
        file.Write(bytes);
        EXPECT_FALSE(Dib(LoadImageA(NULL, file.c(), NULL, NULL))) << c.name;
        EXPECT_EQ(GetImageInfo(file.c(), NULL, NULL, NULL, NULL), 0) << c.name;
        EXPECT_FALSE(Dib(AVIGetFileInformation((char *)file.c()))) << c.name;
        EXPECT_FALSE(Dib(LoadMovie(NULL, file.c(), NULL, NULL))) << c.name;
    }
}

// Damaged copies of a built movie and of one the platform's library wrote:
// each read gives a sound picture or NULL.
TEST(AviFrames, DamagedMoviesNeverCrash)
{
    TempFile written("written.avi"), file("damaged.avi");
    WriteVideo(written.c(), 24, [](int x, int y) -> uint32_t { return x * 40 << 8 | y * 60; });
    const Data sources[] = {AviParts().Bytes(), written.Read()};
    const uint8_t values[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0x10};
    int copies = 0, read = 0;
    for (const Data &source : sources) {
        ASSERT_GT(source.size(), 200u);
        const size_t step = source.size() > 1000 ? 7 : 1;
        for (size_t at = 0; at < source.size(); at += step)
            for (uint8_t v : {values[at % 6], (uint8_t)(source[at] ^ 0x40)}) {
                Data bytes = source;
                bytes[at] = v;
                file.Write(bytes);
                Dib dib(AVIReadGraphicFile((char *)file.c()));
                copies++;
                if (dib) {
                    read++;
                    Pixels p(dib);
                    ASSERT_TRUE(p.Width() > 0 && p.Height() > 0 && GlobalSize(dib) >= 40u) << at;
                }
            }
    }
    EXPECT_GT(read, 0);
    printf("%d damaged movies, %d read\n", copies, read);
}

TEST(Loaders, RawObjectsAndMovies)
{
    TempFile empty("empty.mid"), five("five.mid"), avi("movie.avi");
    empty.Write({});
    five.Write({1, 2, 3, 4, 5});
    EXPECT_EQ(Bytes(Dib(LoadObject(NULL, empty.c()))), Data(OBJECTTAIL, 0));
    Data want{1, 2, 3, 4, 5};
    want.resize(5 + OBJECTTAIL);
    EXPECT_EQ(Bytes(Dib(LoadObject(NULL, five.c()))), want);
    EXPECT_FALSE(Dib(LoadObject(NULL, avi.c())));
    EXPECT_FALSE(Dib(LoadMovie(NULL, five.c(), NULL, NULL)));

    WriteVideo(avi.c(), 24, [](int x, int y) -> uint32_t { return x * 40 + y; });
    long imagesize = 0, filesize = 0;
    Data movie = Bytes(Dib(LoadMovie(NULL, avi.c(), &imagesize, &filesize)));
    ASSERT_EQ((size_t)(imagesize + filesize), movie.size());
    EXPECT_EQ(Data(movie.begin(), movie.begin() + imagesize), Bytes(Dib(AVIReadGraphicFile((char *)avi.c()))));
    EXPECT_EQ(Data(movie.begin() + imagesize, movie.end()), Bytes(Dib(LoadObject(NULL, avi.c()))));
}

Data Format(WORD tag, WORD channels, WORD bits, size_t length = 16)
{
    WORD align = (WORD)(channels * ((bits + 7) / 8));
    PCMWAVEFORMAT f{{tag, channels, 8000, 8000u * align, align}, bits};
    return Data((uint8_t *)&f, (uint8_t *)&f + length);
}

// A RIFF WAVE file whose data chunk may claim a size of its own.
Data WaveFile(const Data &format, const Data &samples, uint32_t claimed = 0)
{
    Data file{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    auto chunk = [&](const char *id, const Data &body, uint32_t size) {
        file.insert(file.end(), id, id + 4);
        for (int i = 0; i < 4; ++i)
            file.push_back((uint8_t)(size >> 8 * i));
        file.insert(file.end(), body.begin(), body.end());
        if (body.size() & 1)
            file.push_back(0);
    };
    chunk("fmt ", format, (uint32_t)format.size());
    chunk("data", samples, claimed ? claimed : (uint32_t)samples.size());
    file[4] = (uint8_t)(file.size() - 8);
    return file;
}

TEST(Loaders, Sounds)
{
    TempFile file("sound.wav");
    const Data samples{0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0};
    Data want = Format(WAVE_FORMAT_PCM, 2, 16);
    want.insert(want.end(), samples.begin(), samples.begin() + 8); // whole 4-byte frames
    file.Write(WaveFile(Format(WAVE_FORMAT_PCM, 2, 16), samples));
    EXPECT_EQ(Bytes(Dib(LoadSound(NULL, file.c()))), want);
    file.Write(WaveFile(Format(WAVE_FORMAT_PCM, 1, 8, 14), samples));
    Data shortformat = Bytes(Dib(LoadSound(NULL, file.c())));
    ASSERT_EQ(shortformat.size(), WAVEDATAHEAD + 10);
    EXPECT_EQ(((PCMWAVEFORMAT *)shortformat.data())->wBitsPerSample, 0);

    const Data refused[] = {
        WaveFile(Format(2, 1, 8), samples),                           // not PCM
        WaveFile(Format(WAVE_FORMAT_PCM, 0, 8), samples),             // no channels, no frame size
        WaveFile([] { Data f = Format(WAVE_FORMAT_PCM, 1, 16); f[2] = 0; return f; }(), samples), // no channels
        WaveFile(Format(WAVE_FORMAT_PCM, 1, 8), samples, 12),         // data beyond the file
        WaveFile(Format(WAVE_FORMAT_PCM, 1, 8), samples, 0xFFFFFFF8), // ... and its size would wrap
        Data{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '},
    };
    for (const Data &bytes : refused) {
        file.Write(bytes);
        EXPECT_FALSE(Dib(LoadSound(NULL, file.c()))) << &bytes - refused;
    }

    // Beyond 4 GiB the seek's 32 bits would make the file look a few bytes
    // long. The file grows sparse, without writing.
    file.Write(WaveFile(Format(WAVE_FORMAT_PCM, 1, 8), samples));
    HANDLE f = CreateFileA(file.c(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    SetFilePointerEx(f, LARGE_INTEGER{.QuadPart = 1ll << 32}, NULL, FILE_END);
    SetEndOfFile(f);
    CloseHandle(f);
    EXPECT_FALSE(Dib(LoadObject(NULL, file.c())));
    EXPECT_FALSE(Dib(LoadSound(NULL, file.c())));
}

constexpr COLORREF GREEN = RGB(0, 0xC0, 0), WHITE = RGB(255, 255, 255);

// The green rows of column x: first * 1000 + last, or -1 for none.
int GreenSpan(const Canvas &c, int x)
{
    int first = -1, last = -1;
    for (int y = 0; y < c.height; ++y)
        if (c.At(x, y) == GREEN)
            last = y, first = first < 0 ? y : first;
    return first < 0 ? -1 : first * 1000 + last;
}

HGLOBAL WaveData(const Data &format, const Data &samples)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, format.size() + samples.size());
    auto *p = (uint8_t *)GlobalLock(h);
    std::copy(samples.begin(), samples.end(), std::copy(format.begin(), format.end(), p));
    GlobalUnlock(h);
    return h;
}

TEST(DrawWave, EightBitMonoAndSixteenBitStereo)
{
    // 4 x 64 at (2, 3): two bytes a column, scale 255 / 64 = 3, so the
    // columns reach 1, 10, 42 (clipped) and 3 from the middle row 35.
    Dib mono(WaveData(Format(WAVE_FORMAT_PCM, 1, 8), {128, 128, 158, 98, 255, 0, 137, 137}));
    Canvas c(8, 70, WHITE);
    ASSERT_EQ(DrawWave(c.dc, 2, 3, 4, 64, mono), 1);
    EXPECT_EQ(GreenSpan(c, 2), 34035);
    EXPECT_EQ(GreenSpan(c, 3), 25044);
    EXPECT_EQ(GreenSpan(c, 4), 3066);
    EXPECT_EQ(GreenSpan(c, 5), 32037);
    EXPECT_EQ(c.At(3, 3), RGB(0, 0, 0));
    EXPECT_EQ(c.At(6, 30), WHITE);

    // 2 x 100: two frames a column, scale 32768 / 100 = 327; the columns
    // average 10 and 10, and 100 and the floor of 1.
    Data samples;
    for (int16_t s : {3270, 3270, -6540, 0, 32767, 32767, 0, 0})
        samples.push_back((uint8_t)s), samples.push_back((uint8_t)(s >> 8));
    Dib stereo(WaveData(Format(WAVE_FORMAT_PCM, 2, 16), samples));
    Canvas s(2, 100);
    ASSERT_EQ(DrawWave(s.dc, 0, 0, 2, 100, stereo), 1);
    EXPECT_EQ(GreenSpan(s, 0), 40059);
    EXPECT_EQ(GreenSpan(s, 1), 99);
}

TEST(DrawWave, GuardsAndTheCallersClip)
{
    Canvas c(12, 320, WHITE);
    // Shorter than the rectangle is wide: a column a frame, then nothing.
    Dib three(WaveData(Format(WAVE_FORMAT_PCM, 1, 8), {255, 255, 255}));
    ASSERT_EQ(DrawWave(c.dc, 0, 0, 10, 20, three), 1);
    EXPECT_NE(GreenSpan(c, 2), -1);
    EXPECT_EQ(GreenSpan(c, 3), -1);
    // Taller than 255 for 8 bits: the finest scale, 1.
    c.Fill(WHITE);
    ASSERT_EQ(DrawWave(c.dc, 0, 0, 3, 300, three), 1);
    EXPECT_EQ(GreenSpan(c, 1), 23276);
    c.Fill(WHITE);
    EXPECT_EQ(DrawWave(c.dc, 0, 0, 0, 20, three), 1);
    EXPECT_EQ(c.At(0, 0), WHITE);
    // Too short for a format, frames too small for their samples.
    Data narrow = Format(WAVE_FORMAT_PCM, 2, 16);
    narrow[12] = 2;
    Dib tiny(WaveData({1, 2, 3}, {})), small(WaveData(narrow, Data(16)));
    EXPECT_EQ(DrawWave(c.dc, 0, 0, 4, 4, tiny), 0);
    EXPECT_EQ(DrawWave(c.dc, 0, 0, 4, 4, small), 0);
    EXPECT_EQ(c.At(3, 3), RGB(0, 0, 0));

    c.Fill(WHITE);
    IntersectClipRect(c.dc, 0, 0, 5, 10);
    ASSERT_EQ(DrawWave(c.dc, 0, 0, 10, 10, three), 1);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 12, 320};
    FillRect(c.dc, &all, red);
    DeleteObject(red);
    EXPECT_EQ(c.At(2, 5), RGB(255, 0, 0));
    EXPECT_EQ(c.At(7, 5), WHITE);
}

} // namespace
