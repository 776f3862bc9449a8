#include "common/shell.h"
#include "document/applet.h"
#include "media/mngload.h"
#include "media/pngload.h"
#include "codecs/codecs.h"
#include "codecs/shared/kpxshared.h"
#include "tests/media/picturetest.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <zlib.h>
#include <functional>
#include <string>
#include <tuple>

using namespace pictest;
typedef std::vector<std::string> Texts;

namespace {

const std::string BADCRC = "An incorrect CRC value has been encountered. This file may be damaged.";
const std::string CORRUPTED = "Corrupted file", READERROR = "Error reading file";
const std::string TOOMANYFRAMES = "This animation has more than 65535 frames, more than an animation object can hold.";
const std::string TOOLARGE = "This animation is larger than an animation object can show.";
const char PNGSIG[] = "\x89PNG\r\n\x1a\n", MNGSIG[] = "\x8AMNG\r\n\x1a\n";
const int CHANNELS[] = {1, 0, 3, 1, 2, 0, 4};

struct Chunk {
    std::string type;
    Data data;
    bool badcrc = false;
    uint32_t length = 0; // the stored length, when not 0
};
typedef std::vector<Chunk> Chunks;

void PutBig(Data &v, uint32_t n)
{
    for (int s = 24; s >= 0; s -= 8)
        v.push_back((uint8_t)(n >> s));
}
void PNGCBAPI Append(png_structp png, png_bytep p, png_size_t n)
{
    auto *out = (Data *)png_get_io_ptr(png);
    out->insert(out->end(), p, p + n);
}
void PNGCBAPI NoFlush(png_structp) {}

// libpng's encoding of a picture of random samples (`rows`, top row first),
// as chunks; the tRNS bytes, when given, go before the image data.
Chunks Encode(int w, int h, int type, int depth, bool interlace, Data *rows, Data trns = {})
{
    size_t rowbytes = (w * CHANNELS[type] * depth + 7) / 8;
    rows->resize(rowbytes * h);
    Random random(type * 17 + depth);
    for (auto &b : *rows)
        b = (uint8_t)random.Next();
    Data file;
    png_color palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = {(png_byte)(i * 7), (png_byte)(255 - i), (png_byte)(i * 3)};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &file, Append, NoFlush);
    png_set_compression_buffer_size(png, 64); // several IDAT chunks
    png_set_IHDR(png, info, w, h, depth, type, interlace, 0, 0);
    if (type == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, palette, 1 << depth);
    png_write_info(png, info);
    for (int pass = png_set_interlace_handling(png); pass > 0; --pass)
        for (int y = 0; y < h; ++y)
            png_write_row(png, rows->data() + y * rowbytes);
    png_write_end(png, NULL);
    png_destroy_write_struct(&png, &info);
    Chunks chunks;
    for (size_t at = 8, n; at < file.size(); at += 12 + n) {
        n = file[at] << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
        if (!memcmp(&file[at + 4], "IDAT", 4) && !trns.empty())
            chunks.push_back({"tRNS", std::exchange(trns, {})});
        chunks.push_back({std::string((char *)&file[at + 4], 4), {&file[at + 8], &file[at + 8] + n}});
    }
    return chunks;
}

Data File(const char *signature, const Chunks &chunks)
{
    Data out(signature, signature + 8);
    for (auto &c : chunks) {
        PutBig(out, c.length ? c.length : (uint32_t)c.data.size());
        size_t start = out.size();
        out.insert(out.end(), c.type.begin(), c.type.end());
        out.insert(out.end(), c.data.begin(), c.data.end());
        PutBig(out, (uint32_t)crc32(0, &out[start], (uInt)(out.size() - start)) ^ c.badcrc);
    }
    return out;
}

struct Result {
    Data data;   // the DIB or the animation block; empty after a failure
    Texts texts; // of the modal boxes shown
    int count = -1, type = -1;
    char trns[256];
    const ANIMHEADER &Head() const { return *(const ANIMHEADER *)data.data(); }
    const OBJECTANIMFRAME &Frame(int i) const { return *(const OBJECTANIMFRAME *)&data[48 + 60 * i]; }
    Data Part(int frame) const
    {
        return Data(&data[Frame(frame).offset], &data[Frame(frame).offset] + Frame(frame).size);
    }
};

// Loads the first n bytes of a PNG or an MNG file.
Result Load(bool mng, const Data &bytes, size_t n = SIZE_MAX)
{
    TempFile file("load.png");
    file.Write(Data(bytes.begin(), bytes.begin() + std::min(n, bytes.size())));
    sbtest::ModalRecorder rec(IDOK);
    Result r;
    HGLOBAL h = mng ? LoadAnimation(NULL, file.c()) : LoadStaticImage(NULL, file.c(), &r.count, r.trns, &r.type);
    if (h) {
        r.data = Bytes(h);
        GlobalFree(h);
    }
    for (auto &call : rec.calls)
        r.texts.push_back(call.text);
    return r;
}
Result LoadMng(std::initializer_list<Chunks> parts)
{
    Chunks all;
    for (auto &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return Load(true, File(MNGSIG, all));
}
Chunk Mhdr(uint32_t w, uint32_t h, uint32_t ticks)
{
    Chunk c{"MHDR", {}};
    for (uint32_t v : {w, h, ticks, 0u, 0u, 0u, 0u})
        PutBig(c.data, v);
    return c;
}
const Chunk MEND{"MEND", {}};

TEST(Png, EveryColourTypeAndDepthInterlacedOrNot)
{
    const int formats[][3] = {{0, 1, 1},  {0, 2, 8},  {0, 4, 4},  {0, 8, 8},   {0, 16, 8},
                              {2, 8, 24}, {2, 16, 24}, {3, 1, 1},  {3, 2, 8},   {3, 4, 4},
                              {3, 8, 8},  {4, 8, 32}, {4, 16, 32}, {6, 8, 32}, {6, 16, 32}};
    for (auto [type, depth, bits] : formats) {
        Data rows, plain;
        for (bool interlace : {false, true}) {
            SCOPED_TRACE(testing::Message() << type << "/" << depth << "/" << interlace);
            Result r = Load(false, File(PNGSIG, Encode(13, 11, type, depth, interlace, &rows)));
            ASSERT_FALSE(r.data.empty());
            EXPECT_EQ(r.type, type);
            EXPECT_TRUE(!interlace || r.data == plain);
            plain = r.data;
            auto *dib = (BITMAPINFOHEADER *)r.data.data();
            ASSERT_EQ(dib->biBitCount, bits);
            int ch = CHANNELS[type], levels = 1 << std::min(depth, 8), perbyte = std::max(8 / depth, 1);
            for (int y = 0; y < 11; ++y)
                for (int x = 0; x < 13; ++x) {
                    // Sample c of the pixel, the high byte of a 16-bit one.
                    auto s = [&, row = &rows[y * rows.size() / 11]](int c) -> uint32_t {
                        int i = x * ch + c, shift = 8 - depth * (i % perbyte + 1);
                        return depth == 16 ? row[2 * i] : (row[i / perbyte] >> shift) & (levels - 1);
                    };
                    uint32_t want = type == 2 || type == 6 ? s(0) | s(1) << 8 | s(2) << 16
                                    : type == 4            ? s(0) * 0x010101
                                                           : s(0);
                    ASSERT_EQ(GetDibPixel(dib, x, y), want | (type >= 4 ? s(ch - 1) << 24 : 0)) << x << "," << y;
                    // Grey pictures have a grey ramp whatever their depth; palette pictures their palette.
                    if (type == 0 || type == 3) {
                        uint32_t red = type ? (uint8_t)(want * 7) : want * 255 / (levels - 1);
                        ASSERT_EQ(((RGBQUAD *)(dib + 1))[want].rgbRed, red);
                    }
                }
        }
    }
}

TEST(Png, BadCrcsWarnBeforeTheImageAndFailThroughLibpng)
{
    Data rows;
    Chunks base = Encode(6, 5, 3, 8, false, &rows); // IHDR PLTE tEXt IDAT... tEXt IEND
    base.insert(base.begin() + 2, Chunk{"tEXt", {'a', 0, 'b'}});
    base.insert(base.end() - 1, Chunk{"tEXt", {'c', 0, 'd'}});
    const size_t last = base.size() - 1;
    const struct {
        std::vector<size_t> bad;
        unsigned warn, warnings;
    } cases[] = {{{1, 2}, 1, 2}, {{1, 2}, 0, 0}, {{3}, 1, 0}, {{last - 1}, 1, 0}, {{last}, 1, 0}};
    for (auto &c : cases) {
        Chunks chunks = base;
        for (size_t i : c.bad)
            chunks[i].badcrc = true;
        WarnBadFileCRC = c.warn;
        Result r = Load(false, File(PNGSIG, chunks));
        EXPECT_TRUE(r.data.empty()) << c.bad[0];
        EXPECT_EQ(r.texts, Texts(c.warnings, BADCRC)) << c.bad[0];
    }
    WarnBadFileCRC = 1;
    // 300 tRNS bytes: 256 kept, and the CRC covers all 300.
    base.insert(base.begin() + 2, Chunk{"tRNS", Data(300, 0x77)});
    base[2].data[255] = 9;
    Result r = Load(false, File(PNGSIG, base));
    EXPECT_FALSE(r.data.empty());
    EXPECT_TRUE(r.texts.empty());
    EXPECT_EQ(r.count, 256);
    EXPECT_EQ(r.trns[255], 9);
    base[0].data.push_back(0); // IHDR holds 13 bytes, no more
    EXPECT_TRUE(Load(false, File(PNGSIG, base)).data.empty());
}

TEST(Mng, FramesRecordsTransparencyAndTheFirstLoop)
{
    Data rows1, rows2, rows3;
    Chunks rgb = Encode(7, 6, 2, 16, true, &rows2, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC});
    Result r = LoadMng({{Mhdr(20, 10, 100), Chunk{"LOOP", {0, 0, 0, 0, 5}},
                         Chunk{"FRAM", {3, 'a', 0, 2, 0, 0, 0, 0, 0, 0, 25}},
                         Chunk{"DEFI", {0, 1, 0, 0, 0, 0, 0, 3, 0xFF, 0xFF, 0xFF, 0xFE}}},
                        Encode(5, 4, 3, 4, false, &rows1, {255, 0, 128}),
                        {Chunk{"tEXt", {'k', 0, 'v'}, true}, Chunk{"BACK", {1, 2, 3}}, Chunk{"LOOP", {0, 0, 0, 0, 9}}},
                        rgb,
                        {Chunk{"FRAM", {1, 'x', 'y', 'z'}}},
                        Encode(4, 3, 0, 8, false, &rows3, {0x00, 0x40}),
                        {MEND}});
    ASSERT_EQ(r.texts, Texts{BADCRC});
    ASSERT_FALSE(r.data.empty());
    const ANIMHEADER &head = r.Head();
    EXPECT_EQ(std::tuple(head.width, head.height, head.frames, head.repeat), std::tuple(20, 10, 3u, 5u));
    const std::tuple<uint32_t, uint32_t, uint32_t, int, int> want[] = {
        {ANIMFRAME_RESTORE | ANIMFRAME_TRANSPARENT, 250, 1, 3, -2},
        {ANIMFRAME_TRANSPARENT, 1, RGB(0x12, 0x56, 0x9A), 0, 0},
        {ANIMFRAME_TRANSPARENT, 0, 0x40, 0, 0}};
    uint32_t offset = 48 + 3 * 60;
    for (int i = 0; i < 3; ++i) {
        const OBJECTANIMFRAME &f = r.Frame(i);
        EXPECT_EQ(f.offset, offset);
        EXPECT_EQ(std::tuple(f.flags, f.delay, f.transparent, f.x, f.y), want[i]) << i;
        offset += f.size;
    }
    EXPECT_EQ(r.data.size(), offset);
    // Every partly or wholly transparent index became index 1.
    Data first = r.Part(0);
    for (int i = 0; i < 20; ++i) {
        int x = i % 5, y = i / 5, v = (rows1[y * 3 + x / 2] >> (x % 2 ? 0 : 4)) & 15;
        ASSERT_EQ(GetDibPixel((BITMAPINFOHEADER *)first.data(), x, y), v == 1 || v == 2 ? 1ul : (unsigned long)v) << i;
    }
    // The interlaced RGB frame is what the PNG loader makes of it; the grey
    // frame has grey levels, not the first frame's palette.
    EXPECT_EQ(Load(false, File(PNGSIG, rgb)).data, r.Part(1));
    EXPECT_EQ(r.Part(2)[40 + 4 * 0x40], 0x40);
}

TEST(Mng, RepeatCountsDelaysAndShortChunks)
{
    const struct {
        Chunks before;
        uint32_t ticks, repeat, flags, delay;
    } cases[] = {
        {{}, 100, 1, 0, 1},
        {{Chunk{"TERM", {3, 0, 0, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF}}}, 100, 0, 0, 1},
        {{Chunk{"LOOP", {0, 0, 0, 0, 3}}, Chunk{"TERM", {3, 0, 0, 0, 0, 0, 0, 0, 0, 7}}}, 100, 7, 0, 1},
        {{Chunk{"FRAM", {0, 0, 0, 0, 0, 0, 0, 0, 0, 3}}}, 0, 1, 0, 3000},
        {{Chunk{"FRAM", {0, 0, 0, 0, 0, 0, 0x00, 0x41, 0x89, 0x38}}}, 1, 1, 0, 0x7FFFFFFF}, // wraps in 32 bits
        {{Chunk{"FRAM", {4}}}, 100, 1, ANIMFRAME_RESTORE, 0},
        // Bytes that a chunk does not hold are not taken from what follows it.
        {{Chunk{"FRAM", {3, 'n', 0, 0, 0, 0, 0, 0, 0}}}, 100, 1, ANIMFRAME_RESTORE, 0},
        {{Chunk{"DEFI", {0, 1, 0, 0}}, Chunk{"LOOP", {0, 0}}}, 100, 1, 0, 1},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Data rows;
        Result r = LoadMng({{Mhdr(5, 4, cases[i].ticks)}, cases[i].before, Encode(5, 4, 3, 8, false, &rows), {MEND}});
        ASSERT_FALSE(r.data.empty()) << i;
        EXPECT_TRUE(r.texts.empty()) << i;
        EXPECT_EQ(std::tuple(r.Head().repeat, r.Frame(0).flags, r.Frame(0).delay, r.Frame(0).x, r.Frame(0).y),
                  std::tuple(cases[i].repeat, cases[i].flags, cases[i].delay, 0, 0)) << i;
    }
}

TEST(Mng, DamagedFilesSayWhy)
{
    Data rows;
    const Chunks image = Encode(3, 3, 3, 8, false, &rows); // IHDR PLTE IDAT IEND
    const struct {
        std::function<void(Chunks &)> change;
        Texts texts;
        bool loads = false;
    } cases[] = {
        {[](Chunks &c) { c[0].type = "MHDX"; }, {CORRUPTED}},
        {[](Chunks &c) { c[0] = Mhdr(0, 3, 10); }, {CORRUPTED}},
        {[](Chunks &c) { c[0] = Mhdr(3, 0x10000, 10); }, {TOOLARGE}},
        {[](Chunks &c) { c[0] = Mhdr(16384, 8193, 10); }, {TOOLARGE}}, // more pixels than an object shows
        {[](Chunks &c) { c.erase(c.begin() + 1, c.end() - 1); }, {CORRUPTED}}, // no image
        {[](Chunks &c) { c.erase(c.begin() + 2, c.end() - 1); }, {CORRUPTED}}, // an image open at MEND
        {[](Chunks &c) { c.erase(c.begin() + 2, c.end() - 2); }, {CORRUPTED}}, // no image data
        {[](Chunks &c) { c.insert(c.begin() + 2, c[1]); }, {CORRUPTED}},       // IHDR inside an image
        {[](Chunks &c) { c.insert(c.begin() + 1, c[2]); }, {CORRUPTED}},       // PLTE outside
        {[](Chunks &c) { c[1].data.pop_back(); }, {CORRUPTED}},                // IHDR of 12 bytes
        {[](Chunks &c) { c[3].badcrc = true; }, {READERROR}},
        {[](Chunks &c) { c[1].badcrc = true; }, {BADCRC, READERROR}},
        {[](Chunks &c) { c.back().badcrc = true; }, {BADCRC}, true},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Chunks chunks = image;
        chunks.insert(chunks.begin(), Mhdr(3, 3, 10));
        chunks.push_back(MEND);
        cases[i].change(chunks);
        Result r = Load(true, File(MNGSIG, chunks));
        EXPECT_EQ(r.texts, cases[i].texts) << i;
        EXPECT_EQ(r.data.empty(), !cases[i].loads) << i;
    }
}

// Tiny frames cost next to no memory: the number itself is what an
// animation object cannot hold, and the box says so.
TEST(Mng, MoreFramesThanAnAnimationHoldsAreRefusedForTheirNumber)
{
    Data rows;
    const Chunks image = Encode(1, 1, 0, 8, false, &rows);
    Chunks chunks{Mhdr(1, 1, 10)};
    for (int i = 0; i < 100000; ++i)
        chunks.insert(chunks.end(), image.begin(), image.end());
    chunks.push_back(MEND);
    Result r = Load(true, File(MNGSIG, chunks));
    EXPECT_TRUE(r.data.empty());
    EXPECT_EQ(r.texts, Texts{TOOMANYFRAMES});
}

TEST(PngMng, TruncatedFilesAndAbsurdLengthsFailPromptly)
{
    Data rows;
    Chunks png = Encode(9, 7, 2, 8, true, &rows);
    png.insert(png.end() - 1, Chunk{"tEXt", {'k', 0, 'v'}});
    Chunks mng{Mhdr(9, 7, 10), Chunk{"FRAM", {1, 0, 0, 0, 0, 0, 0, 0, 0, 1}}};
    mng.insert(mng.end(), png.begin(), png.end());
    mng.push_back(MEND);
    for (bool ismng : {false, true}) {
        const Chunks &chunks = ismng ? mng : png;
        const char *signature = ismng ? MNGSIG : PNGSIG;
        const Texts once = ismng ? Texts{CORRUPTED} : Texts{}; // the PNG loader fails silently
        const auto bytes = File(signature, chunks);
        for (size_t n = 0; n < bytes.size(); ++n) {
            Result r = Load(ismng, bytes, n);
            ASSERT_TRUE(r.data.empty() && r.texts == once) << ismng << " " << n;
        }
        for (size_t i = 0; i < chunks.size(); ++i)
            for (uint32_t length : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFF4u, 0xFFFFFFFFu, (uint32_t)bytes.size()}) {
                Chunks bad = chunks;
                bad[i].length = length;
                Result r = Load(ismng, File(signature, bad));
                ASSERT_TRUE(r.data.empty() && r.texts == once) << ismng << " " << i << " " << length;
            }
    }
}

// Sixteen-bit samples come out the same through the page editor's loader and
// through the picture codec: both keep the high byte.
TEST(PngMng, BothReadersReduceSixteenBitsAlike)
{
    for (int type : {0, 2, 4, 6}) {
        Data rows;
        TempFile file("sixteen.png");
        file.Write(File(PNGSIG, Encode(7, 5, type, 16, false, &rows)));
        int count, colourtype;
        char trns[256];
        Dib ours(LoadStaticImage(NULL, file.c(), &count, trns, &colourtype)), codec(PNGReadGraphicFile((char *)file.c()));
        ASSERT_TRUE(ours && codec) << type;
        Pixels a(ours), b(codec);
        ASSERT_EQ(a.Bits(), b.Bits()) << type;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                ASSERT_EQ(a.Colour(x, y), b.Colour(x, y)) << type << " at " << x << "," << y;
                if (a.Bits() == 32) {
                    ASSERT_EQ(a.Get(x, y) >> 24, b.Get(x, y) >> 24) << type;
                }
            }
    }
}

// The page editor's loader keeps the codecs' limits: sides, picture size,
// rows its file cannot hold, and chunks that claim gigabytes.
TEST(PngMng, HostileClaimsAreRefusedBeforeMemoryGoesToThem)
{
    Data rows;
    Chunks small = Encode(3, 2, 2, 8, false, &rows);
    auto header = [&](uint32_t w, uint32_t h, uint8_t type) {
        Chunks c = small;
        c[0].data.clear();
        PutBig(c[0].data, w);
        PutBig(c[0].data, h);
        c[0].data.insert(c[0].data.end(), {8, type, 0, 0, 0});
        return c;
    };
    Chunks text = small;
    text.insert(text.begin() + 1, Chunk{"tEXt", {'k', 0, 'v'}, false, 1u << 30});
    const struct {
        const char *name;
        Chunks chunks;
    } cases[] = {
        {"wider than the codecs take", header(40000, 1, 0)},
        {"more than the codecs' largest picture", header(20000, 20000, 6)},
        {"rows the file cannot hold", header(8000, 8000, 6)},
        // Rows the file could hold, of more pixels than any object can show.
        {"more pixels than an object shows", [&] {
             Chunks c = header(12000, 12000, 0);
             c.push_back(Chunk{"zzZz", Data(150000, 0)});
             return c;
         }()},
        {"a text chunk of a gibibyte", text},
    };
    for (const auto &c : cases) {
        kpx::LargestRequest = 0;
        Result r = Load(false, File(PNGSIG, c.chunks));
        EXPECT_TRUE(r.data.empty()) << c.name;
        EXPECT_LT(kpx::LargestRequest, 16u << 20) << c.name;
    }
    EXPECT_FALSE(Load(false, File(PNGSIG, small)).data.empty());
}

} // namespace
