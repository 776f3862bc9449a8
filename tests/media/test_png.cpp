#include "common/shell.h"
#include "media/pngload.h"
#include "tests/media/pngtest.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>

using namespace pictest;
using namespace pngtest;

namespace {

const char BADCRC[] = "An incorrect CRC value has been encountered. This file may be damaged.";

struct Loaded {
    HGLOBAL dib;
    int count = -1, colourtype = -1;
    char trns[256];
};

HGLOBAL Load(const std::vector<uint8_t> &bytes, Loaded *out)
{
    TempFile file(bytes);
    out->dib = LoadStaticImage(NULL, file.c_str(), &out->count, out->trns, &out->colourtype);
    return out->dib;
}

// Sample i of a raw PNG row.
uint32_t Sample(const uint8_t *row, int i, int depth)
{
    if (depth == 16)
        return row[2 * i] << 8 | row[2 * i + 1];
    int perbyte = 8 / depth;
    return (row[i / perbyte] >> (8 - depth * (i % perbyte + 1))) & ((1 << depth) - 1);
}

TEST(Png, EveryColourTypeAndDepthInterlacedOrNot)
{
    const struct {
        int colourtype, depth, bits;
    } formats[] = {{0, 1, 1},  {0, 2, 8},  {0, 4, 4},  {0, 8, 8},  {0, 16, 8}, {2, 8, 24}, {2, 16, 24}, {3, 1, 1},
                   {3, 2, 8},  {3, 4, 4},  {3, 8, 8},  {4, 8, 32}, {4, 16, 32}, {6, 8, 32}, {6, 16, 32}};
    const int channels[] = {1, 0, 3, 1, 2, 0, 4};
    const int w = 13, h = 11;
    for (auto f : formats) {
        std::vector<uint8_t> plain;
        for (bool interlace : {false, true}) {
            SCOPED_TRACE(testing::Message() << f.colourtype << "/" << f.depth << (interlace ? " interlaced" : ""));
            std::vector<uint8_t> rows;
            Loaded got;
            Dib dib(Load(Png(Encode(w, h, f.colourtype, f.depth, interlace, &rows)), &got));
            ASSERT_TRUE(dib);
            EXPECT_EQ(got.colourtype, f.colourtype);
            Pixels p(dib);
            ASSERT_EQ(p.Bits(), f.bits);
            int ch = channels[f.colourtype], levels = 1 << std::min(f.depth, 8);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    auto s = [&](int c) { return Sample(&rows[y * rows.size() / h], x * ch + c, f.depth) >> (f.depth == 16 ? 8 : 0); };
                    uint32_t want = f.colourtype == 2 || f.colourtype == 6 ? s(0) | s(1) << 8 | s(2) << 16
                                    : f.colourtype == 4 ? s(0) * 0x010101 : s(0);
                    if (f.colourtype >= 4)
                        want |= s(ch - 1) << 24;
                    ASSERT_EQ(p.Get(x, y), want) << x << "," << y;
                    if (f.colourtype == 0) { // a grey ramp, whatever the depth
                        ASSERT_EQ(p.Table()[want].rgbGreen, want * 255 / (levels - 1));
                    } else if (f.colourtype == 3) {
                        ASSERT_EQ(p.Table()[want].rgbRed, PaletteEntry(want).red);
                    }
                }
            if (interlace)
                EXPECT_EQ(Bytes(dib), plain);
            else
                plain = Bytes(dib);
        }
    }
}

TEST(Png, BadCrcsWarnBeforeTheImageAndFailThroughLibpng)
{
    std::vector<uint8_t> rows;
    Chunks base = Encode(6, 5, 3, 8, false, &rows);
    Chunk text{"tEXt", {'a', 0, 'b'}};
    base.insert(base.begin() + Find(base, "IDAT"), text);
    base.insert(base.end() - 1, text);
    const size_t pre = Find(base, "tEXt"), post = base.size() - 2;
    const struct {
        std::vector<size_t> bad;
        unsigned warn;
        size_t warnings;
        bool loads;
    } cases[] = {{{}, 1, 0, true},          {{1, pre}, 1, 2, false}, {{1, pre}, 0, 0, false},
                 {{pre + 1}, 1, 0, false},  {{post}, 1, 0, false},   {{base.size() - 1}, 1, 0, false}};
    for (auto &c : cases) {
        Chunks chunks = base;
        for (size_t i : c.bad)
            chunks[i].badcrc = true;
        WarnBadFileCRC = c.warn;
        sbtest::ModalRecorder rec(IDOK);
        Loaded got;
        Dib dib(Load(Png(chunks), &got));
        EXPECT_EQ(bool(dib), c.loads) << c.bad.size();
        ASSERT_EQ(rec.calls.size(), c.warnings);
        for (auto &call : rec.calls)
            EXPECT_EQ(call.text, BADCRC);
    }
    WarnBadFileCRC = 1;

    // 300 tRNS bytes: 256 kept, and the CRC covers all of them.
    Chunks chunks = base;
    chunks.insert(chunks.begin() + 2, Chunk{"tRNS", std::vector<uint8_t>(300, 0x77)});
    chunks[2].data[255] = 9;
    Loaded got;
    Dib dib(Load(Png(chunks), &got));
    EXPECT_TRUE(dib);
    EXPECT_EQ(got.count, 256);
    EXPECT_EQ(got.trns[255], 9);
}

TEST(Png, TruncatedFilesAndAbsurdLengthsGiveNull)
{
    std::vector<uint8_t> rows;
    Chunks chunks = Encode(9, 7, 2, 8, true, &rows);
    chunks.insert(chunks.end() - 1, Chunk{"tEXt", {'k', 0, 'v'}});
    auto bytes = Png(chunks);
    sbtest::ModalRecorder rec;
    TempFile file;
    int count, type;
    char trns[256];
    for (size_t n = 0; n < bytes.size(); ++n) {
        file.Write(bytes, n);
        ASSERT_EQ(LoadStaticImage(NULL, file.c_str(), &count, trns, &type), (HGLOBAL)NULL) << n;
    }
    for (size_t i = 0; i < chunks.size(); ++i)
        for (uint32_t length : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFF4u, 0xFFFFFFFEu, (uint32_t)bytes.size()}) {
            Chunks bad = chunks;
            bad[i].length = length;
            file.Write(Png(bad), bytes.size());
            ASSERT_EQ(LoadStaticImage(NULL, file.c_str(), &count, trns, &type), (HGLOBAL)NULL) << i;
        }
    // IHDR must be 13 bytes.
    for (int extra : {-1, 1}) {
        Chunks bad = chunks;
        bad[0].data.resize(13 + extra);
        file.Write(Png(bad), Png(bad).size());
        EXPECT_EQ(LoadStaticImage(NULL, file.c_str(), &count, trns, &type), (HGLOBAL)NULL);
    }
    EXPECT_TRUE(rec.calls.empty());
}

} // namespace
