#include "media/reduce.h"
#include "media/dib.h"
#include <algorithm>
#include <emmintrin.h>
#include <cstring>

namespace {

const uint8_t NOPALETTE[PALETTEBYTES] = {};

} // namespace

int FindPaletteColour(int red, int green, int blue, const char *rgb, int count)
{
    if (!rgb)
        return 0;
    const auto *p = (const uint8_t *)rgb;
    count = std::min(count, 256);
    for (int i = 0; i < count; ++i)
        if (p[3 * i] == red && p[3 * i + 1] == green && p[3 * i + 2] == blue)
            return i;
    long best = 1000000;
    int index = 0;
    for (int i = 0; i < count; ++i) {
        long dr = red - p[3 * i], dg = green - p[3 * i + 1], db = blue - p[3 * i + 2];
        long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < best) {
            best = d;
            index = i;
            if (d == 0)
                return i;
        }
    }
    return index;
}

namespace {

// A colour or an error as four 16-bit lanes: red, green, blue and 0. Every
// value the dithering meets stays far inside 16 bits.
struct alignas(8) LANES {
    int16_t v[4];
};

inline __m128i Load(const LANES &v)
{
    return _mm_loadl_epi64((const __m128i *)v.v);
}

// The colour of pixel x of a source row.
template <int BITS> inline __m128i SourceColour(const uint8_t *in, int x, const LANES *colours)
{
    if constexpr (BITS == 4)
        return Load(colours[(x & 1) ? in[x >> 1] & 0x0F : in[x >> 1] >> 4]);
    else if constexpr (BITS == 8)
        return Load(colours[in[x]]);
    else {
        const uint8_t *p = in + (BITS / 8) * x;
        return _mm_insert_epi16(_mm_cvtsi32_si128(p[2] | (p[1] << 16)), p[0], 2);
    }
}

// One stored row of Floyd-Steinberg: `above` holds the errors spread into
// this row, `below` receives those for the next one and has room for one
// pixel in front, which takes the share that falls off the left edge. The
// shares to the right and below travel in registers, so every entry of
// `below` is written once.
template <int BITS>
void DitherRow(const uint8_t *in, uint8_t *out, int outbits, int width, const LANES *above, LANES *below,
               const LANES *colours, const LANES *palette)
{
    const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi16(255);
    const __m128i three = _mm_set1_epi16(3), five = _mm_set1_epi16(5), seven = _mm_set1_epi16(7);
    __m128i right = zero, last = zero, further = zero;
    for (int x = 0; x < width; ++x) {
        __m128i v = _mm_add_epi16(_mm_add_epi16(Load(above[x]), SourceColour<BITS>(in, x, colours)), right);
        v = _mm_min_epi16(_mm_max_epi16(v, zero), top);
        unsigned rg = (unsigned)_mm_cvtsi128_si32(v);
        unsigned index = Code332(rg & 0xFFFF, rg >> 16, (unsigned)_mm_extract_epi16(v, 2));
        if (outbits == 8)
            out[x] = (uint8_t)index;
        else
            WritePixel(out, x, outbits, index);
        // Arithmetic shifts: negative shares round towards minus infinity.
        __m128i e = _mm_sub_epi16(v, Load(palette[index]));
        right = _mm_srai_epi16(_mm_mullo_epi16(e, seven), 4);
        _mm_storel_epi64((__m128i *)below[x - 1].v, _mm_add_epi16(last, _mm_srai_epi16(_mm_mullo_epi16(e, three), 4)));
        last = _mm_add_epi16(further, _mm_srai_epi16(_mm_mullo_epi16(e, five), 4));
        further = _mm_srai_epi16(e, 4);
    }
    _mm_storel_epi64((__m128i *)below[width - 1].v, last);
}

void ToLanes(LANES &out, int r, int g, int b)
{
    out.v[0] = (int16_t)r, out.v[1] = (int16_t)g, out.v[2] = (int16_t)b, out.v[3] = 0;
}

} // namespace

HGLOBAL DitherDib(HGLOBAL dib, const char *rgb, int bits, int)
{
    DibLock src(dib);
    if (!src.ok())
        return NULL;
    const int srcbits = src.layout.bits;
    if (srcbits != 4 && srcbits != 8 && srcbits != 24 && srcbits != 32)
        return NULL;
    const int width = src.layout.width, height = src.layout.height;

    // Two rows of errors, each with a spare pixel in front: the one spread
    // into the row being reduced and the one it spreads into the next.
    std::vector<LANES> rows;
    if (!SizeScratch(rows, 2 * ((uint64_t)width + 1)))
        return NULL;
    LANES *above = rows.data() + 1, *below = rows.data() + width + 2;

    NewDib out(CreateDib(width, height, rgb, bits));
    if (!out.ok())
        return NULL;
    const int outbits = out.layout.bits;
    const uint8_t *pal = rgb ? (const uint8_t *)rgb : NOPALETTE;
    uint8_t table[PALETTEBYTES]; // all black for true colour
    GetDibPalette((const BITMAPINFO *)src.header, (char *)table);
    LANES palette[256], colours[256];
    for (int i = 0; i < 256; ++i) {
        ToLanes(palette[i], pal[3 * i], pal[3 * i + 1], pal[3 * i + 2]);
        ToLanes(colours[i], table[3 * i], table[3 * i + 1], table[3 * i + 2]);
    }

    // Storage order: the bottom row first, so errors flow upwards in the
    // picture, every row from left to right.
    for (int s = 0; s < height; ++s) {
        const uint8_t *in = src.StoredRow(s);
        uint8_t *o = out.StoredRow(s);
        switch (srcbits) {
        case 4: DitherRow<4>(in, o, outbits, width, above, below, colours, palette); break;
        case 8: DitherRow<8>(in, o, outbits, width, above, below, colours, palette); break;
        case 24: DitherRow<24>(in, o, outbits, width, above, below, colours, palette); break;
        default: DitherRow<32>(in, o, outbits, width, above, below, colours, palette); break;
        }
        std::swap(above, below);
    }
    return out.Release();
}

HGLOBAL RemapDib(HGLOBAL dib, const char *rgb, int bits, int)
{
    DibLock src(dib);
    if (!src.ok())
        return NULL;
    const int srcbits = src.layout.bits;
    if (!PixelDepth(srcbits))
        return NULL;
    const int width = src.layout.width, height = src.layout.height;
    NewDib out(CreateDib(width, height, rgb, bits));
    if (!out.ok())
        return NULL;
    const int outbits = out.layout.bits;

    // Every palette source, 1-bit ones included, goes through its colour
    // table: a monochrome picture need not be black and white.
    uint8_t map[256] = {};
    if (srcbits <= 8) {
        uint8_t table[PALETTEBYTES];
        GetDibPalette((const BITMAPINFO *)src.header, (char *)table);
        int count = outbits <= 8 ? 1 << outbits : 256;
        for (uint32_t i = 0; i < src.layout.tableentries; ++i) {
            const uint8_t *c = table + 3 * i;
            map[i] = outbits == 1 ? Brightness(c[0], c[1], c[2]) > 128
                                  : (uint8_t)FindPaletteColour(c[0], c[1], c[2], rgb, count);
        }
    }

    for (int s = 0; s < height; ++s) {
        const uint8_t *in = src.StoredRow(s);
        uint8_t *o = out.StoredRow(s);
        if (srcbits <= 8) {
            if (srcbits == 8 && outbits == 8) {
                for (int x = 0; x < width; ++x)
                    o[x] = map[in[x]];
            } else {
                for (int x = 0; x < width; ++x)
                    WritePixel(o, x, outbits, map[ReadPixel(in, x, srcbits)]);
            }
            continue;
        }
        const int step = srcbits / 8;
        if (outbits == 8) {
            for (int x = 0; x < width; ++x, in += step)
                o[x] = (uint8_t)Code332(in[2], in[1], in[0]);
        } else if (outbits == 1) {
            for (int x = 0; x < width; ++x, in += step)
                WritePixel(o, x, 1, Brightness(in[2], in[1], in[0]) > 128);
        } else {
            for (int x = 0; x < width; ++x, in += step)
                WritePixel(o, x, outbits, Code332(in[2], in[1], in[0]));
        }
    }
    return out.Release();
}

HGLOBAL DitherForDisplay(HGLOBAL dib)
{
    if (!dib || GetDisplayBits() > 8)
        return NULL;
    char rgb[PALETTEBYTES];
    int bits = 8;
    GetDefaultPalette(rgb, &bits, 6);
    return DitherDib(dib, rgb, bits, 0);
}
