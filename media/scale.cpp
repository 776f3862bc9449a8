#include "media/scale.h"
#include "common/services.h"
#include "media/dib.h"
#include "media/draw.h"
#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// percent × size / 100, or 0 when that is no usable size.
int ScaledSize(long long size, long long percent)
{
    if (percent <= 0 || size <= 0)
        return 0;
    long long n = percent * size / 100;
    return n > 0 && n <= INT_MAX ? (int)n : 0;
}

// The passes take 8-bit grey levels and 24- and 32-bit colour; the bytes of
// a pixel are blended alike, each on its own.
int PassBytes(int bits)
{
    return bits == 8 ? 1 : bits == 24 ? 3 : bits == 32 ? 4 : 0;
}

// --- Enlarging ---------------------------------------------------------

// weight × v / n for every byte v, for one n and every weight 0..n.
struct WEIGHTS {
    int n;
    std::vector<uint8_t> table;
};

struct IDENTITY {
    uint8_t zero[256] = {};
    uint8_t same[256];
    IDENTITY()
    {
        for (int v = 0; v < 256; ++v)
            same[v] = (uint8_t)v;
    }
};
const IDENTITY identity;

// Only spans this long get tables; longer ones (enlarging by hundreds of
// times) divide as they go.
constexpr int MAXTABLESPAN = 256;

// One result position: a × left / n + b × right / n, per byte. With tables,
// ta[v] = a × v / n and tb[v] = b × v / n.
struct SPAN {
    int left, right; // source positions
    const uint8_t *ta, *tb;
    int a, b, n;
    bool Copy() const { return ta == identity.zero && tb == identity.same; }
};

inline uint8_t Mix(const SPAN &s, uint8_t l, uint8_t r)
{
    return s.ta ? (uint8_t)(s.ta[l] + s.tb[r]) : (uint8_t)(s.a * l / s.n + s.b * r / s.n);
}

class UpMap {
public:
    bool Build(int size, int percent, int newsize, size_t)
    {
        if (!SizeScratch(spans, (uint64_t)newsize))
            return false;
        const long long e = (long long)percent + ((long long)percent + 99) / 100;
        spans[0] = CopyOf(0);
        long long prev = 0;
        for (int p = 1; p < size && prev < newsize; ++p) {
            long long end = e * p / 100, n = end - prev;
            for (long long g = 0; g < n && prev + g < newsize; ++g)
                if (!Blend(spans[prev + g], p - 1, p, (int)(n - g - 1), (int)(g + 1), (int)n))
                    return false;
            if (end < newsize)
                spans[end] = CopyOf(p);
            prev = end;
        }
        // A last span that ends short of the result would leave its tail
        // unwritten: it takes the last source pixel.
        for (long long k = prev + 1; k < newsize; ++k)
            spans[k] = CopyOf(size - 1);
        spans[newsize - 1] = CopyOf(size - 1);
        return true;
    }

    template <int BPP> void Row(const uint8_t *in, uint8_t *out) const
    {
        for (const SPAN &s : spans) {
            const uint8_t *l = in + BPP * s.left, *r = in + BPP * s.right;
            if (s.Copy()) {
                for (int c = 0; c < BPP; ++c)
                    out[c] = r[c];
            } else if (s.ta) {
                for (int c = 0; c < BPP; ++c)
                    out[c] = (uint8_t)(s.ta[l[c]] + s.tb[r[c]]);
            } else {
                for (int c = 0; c < BPP; ++c)
                    out[c] = Mix(s, l[c], r[c]);
            }
            out += BPP;
        }
    }

    // Along columns the same blend applies to every byte of a row.
    void Columns(const DibLock &src, const DibLock &out, size_t bytes)
    {
        for (size_t y = 0; y < spans.size(); ++y) {
            const SPAN &s = spans[y];
            const uint8_t *l = src.Row(s.left), *r = src.Row(s.right);
            uint8_t *o = out.Row((int)y);
            if (s.Copy()) {
                memcpy(o, r, bytes);
            } else if (s.ta) {
                const uint8_t *ta = s.ta, *tb = s.tb;
                for (size_t i = 0; i < bytes; ++i)
                    o[i] = (uint8_t)(ta[l[i]] + tb[r[i]]);
            } else {
                for (size_t i = 0; i < bytes; ++i)
                    o[i] = Mix(s, l[i], r[i]);
            }
        }
    }

private:
    std::vector<SPAN> spans;
    std::vector<WEIGHTS> weights;

    static SPAN CopyOf(int p) { return SPAN{p, p, identity.zero, identity.same, 0, 1, 1}; }

    const uint8_t *Table(int n)
    {
        for (const WEIGHTS &w : weights)
            if (w.n == n)
                return w.table.data();
        WEIGHTS w{n, {}};
        if (!SizeScratch(w.table, 256ull * (n + 1)))
            return nullptr;
        for (int a = 0; a <= n; ++a)
            for (int v = 0; v < 256; ++v)
                w.table[256 * a + v] = (uint8_t)(a * v / n);
        try {
            weights.push_back(std::move(w));
        } catch (...) {
            return nullptr;
        }
        return weights.back().table.data();
    }

    bool Blend(SPAN &s, int left, int right, int a, int b, int n)
    {
        if (a == 0 && b == n) {
            s = CopyOf(right);
            return true;
        }
        s = SPAN{left, right, nullptr, nullptr, a, b, n};
        if (n <= MAXTABLESPAN) {
            const uint8_t *t = Table(n);
            if (!t)
                return false;
            s.ta = t + 256 * a;
            s.tb = t + 256 * b;
        }
        return true;
    }
};

// --- Reducing ----------------------------------------------------------

// One result position: the average of `count` source positions from
// `start`. An empty box gives 0.
struct BOX {
    int start, count;
    uint32_t magic; // sum × magic >> 24 is sum / count, for count up to 256
};

constexpr int MAXMAGICBOX = 256;

inline uint32_t Average(uint32_t sum, const BOX &b)
{
    if (b.count <= MAXMAGICBOX)
        return (sum * b.magic) >> 24;
    return sum / (uint32_t)b.count;
}

class DownMap {
public:
    // `columnbytes`: the bytes of a row to sum along columns, 0 along rows.
    bool Build(int size, int percent, int newsize, size_t columnbytes)
    {
        if (!SizeScratch(boxes, (uint64_t)newsize) || !SizeScratch(sums, columnbytes))
            return false;
        long long prev = 0;
        for (int j = 0; j < newsize; ++j) {
            long long end = (long long)(j + 1) * 100 / percent;
            long long stop = std::min<long long>(end, size);
            BOX &b = boxes[j];
            b.start = (int)std::min<long long>(prev, size);
            b.count = stop > prev ? (int)(stop - prev) : 0;
            // Each sum is below 256 × count, which keeps this exact.
            b.magic = (1u << 24) / (uint32_t)std::max(b.count, 1) + 1;
            prev = end;
        }
        return true;
    }

    template <int BPP> void Row(const uint8_t *in, uint8_t *out) const
    {
        for (const BOX &b : boxes) {
            uint32_t sum[BPP] = {};
            const uint8_t *p = in + BPP * b.start;
            for (int k = 0; k < b.count; ++k, p += BPP)
                for (int c = 0; c < BPP; ++c)
                    sum[c] += p[c];
            for (int c = 0; c < BPP; ++c)
                out[c] = (uint8_t)Average(sum[c], b);
            out += BPP;
        }
    }

    void Columns(const DibLock &src, const DibLock &out, size_t bytes)
    {
        for (size_t y = 0; y < boxes.size(); ++y) {
            const BOX &b = boxes[y];
            uint8_t *o = out.Row((int)y);
            if (b.count == 1) {
                memcpy(o, src.Row(b.start), bytes);
                continue;
            }
            if (b.count == 0)
                continue; // the new DIB is already zero
            std::fill(sums.begin(), sums.end(), 0);
            uint32_t *acc = sums.data();
            for (int k = 0; k < b.count; ++k) {
                const uint8_t *in = src.Row(b.start + k);
                for (size_t i = 0; i < bytes; ++i)
                    acc[i] += in[i];
            }
            for (size_t i = 0; i < bytes; ++i)
                o[i] = (uint8_t)Average(acc[i], b);
        }
    }

private:
    std::vector<BOX> boxes;
    std::vector<uint32_t> sums;
};

// One pass along rows or, `vertical`, along columns; the map tells what
// each result position is made of.
template <class MAP> HGLOBAL RunPass(HGLOBAL dib, int percent, bool vertical)
{
    DibLock src(dib);
    if (!src.ok())
        return NULL;
    const int bpp = PassBytes(src.layout.bits);
    const int width = src.layout.width, height = src.layout.height;
    const int size = vertical ? height : width;
    const int newsize = ScaledSize(size, percent);
    if (!bpp || !newsize)
        return NULL;
    const size_t bytes = (size_t)width * bpp;
    MAP map;
    if (!map.Build(size, percent, newsize, vertical ? bytes : 0))
        return NULL;
    NewDib out(vertical ? CreateDibLike(src, width, newsize) : CreateDibLike(src, newsize, height));
    if (!out.ok())
        return NULL;
    if (vertical) {
        map.Columns(src, out, bytes);
        return out.Release();
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t *in = src.Row(y);
        uint8_t *o = out.Row(y);
        switch (bpp) {
        case 1: map.template Row<1>(in, o); break;
        case 3: map.template Row<3>(in, o); break;
        default: map.template Row<4>(in, o); break;
        }
    }
    return out.Release();
}

HGLOBAL ScaleUp(HGLOBAL dib, int percent, bool vertical)
{
    return RunPass<UpMap>(dib, percent, vertical);
}

HGLOBAL ScaleDown(HGLOBAL dib, int percent, bool vertical)
{
    return RunPass<DownMap>(dib, percent, vertical);
}

// One direction by a percentage: enlarge, copy or reduce.
HGLOBAL Pass(HGLOBAL dib, int percent, bool vertical)
{
    if (percent > 100)
        return ScaleUp(dib, percent, vertical);
    if (percent == 100) {
        DibLock check(dib);
        return check.ok() && PassBytes(check.layout.bits) ? DuplicateObject(dib) : NULL;
    }
    return ScaleDown(dib, percent, vertical);
}

HGLOBAL BothPasses(HGLOBAL dib, int percentX, int percentY)
{
    HGLOBAL across = Pass(dib, percentX, false);
    if (!across)
        return NULL;
    HGLOBAL result = Pass(across, percentY, true);
    GlobalFree(across);
    return result;
}

// --- Nearest neighbour -------------------------------------------------

// Source positions sampled at `percent`: the running sum of 1 / (percent ×
// 0.01), truncated, computed once per call.
bool SampleMap(int size, long long percent, int newsize, std::vector<int> &map)
{
    if (!SizeScratch(map, (uint64_t)newsize))
        return false;
    double step = 1 / ((double)percent * 0.01), position = 0.0;
    for (int k = 0; k < newsize; ++k) {
        // Never past the last pixel, whatever rounding does to the sum.
        map[k] = std::min((int)position, size - 1);
        position += step;
    }
    return true;
}

HGLOBAL Sample(HGLOBAL dib, int newwidth, int newheight, long long percentX, long long percentY)
{
    DibLock src(dib);
    if (!src.ok() || !PixelDepth(src.layout.bits) || newwidth <= 0 || newheight <= 0)
        return NULL;
    const int bits = src.layout.bits;
    std::vector<int> columns, rows;
    if (!SampleMap(src.layout.width, percentX, newwidth, columns) ||
        !SampleMap(src.layout.height, percentY, newheight, rows))
        return NULL;
    NewDib out(CreateDibLike(src, newwidth, newheight));
    if (!out.ok())
        return NULL;
    if (bits >= 8)
        for (int &c : columns)
            c *= bits / 8; // byte offsets from here on
    for (int i = 0; i < newheight; ++i) {
        uint8_t *o = out.Row(i);
        if (i > 0 && rows[i] == rows[i - 1]) {
            memcpy(o, out.Row(i - 1), out.layout.rowbytes);
            continue;
        }
        const uint8_t *in = src.Row(rows[i]);
        switch (bits) {
        case 8:
            for (int j = 0; j < newwidth; ++j)
                o[j] = in[columns[j]];
            break;
        case 24:
            for (int j = 0; j < newwidth; ++j, o += 3) {
                const uint8_t *p = in + columns[j];
                o[0] = p[0], o[1] = p[1], o[2] = p[2];
            }
            break;
        case 32:
            for (int j = 0; j < newwidth; ++j, o += 4)
                memcpy(o, in + columns[j], 4);
            break;
        default:
            for (int j = 0; j < newwidth; ++j)
                WritePixel(o, j, bits, ReadPixel(in, columns[j], bits));
        }
    }
    return out.Release();
}

} // namespace

HGLOBAL ScaleUpHorizontal(HGLOBAL dib, int percent)
{
    return ScaleUp(dib, percent, false);
}

HGLOBAL ScaleUpVertical(HGLOBAL dib, int percent)
{
    return ScaleUp(dib, percent, true);
}

HGLOBAL ScaleDownHorizontal(HGLOBAL dib, int percent)
{
    return ScaleDown(dib, percent, false);
}

HGLOBAL ScaleDownVertical(HGLOBAL dib, int percent)
{
    return ScaleDown(dib, percent, true);
}

HGLOBAL ScaleDib(HGLOBAL dib, int *width, int *height, unsigned flags)
{
    int picturewidth, pictureheight;
    if (!width || !height || !GetBitmapDimensions(dib, &picturewidth, &pictureheight, NULL, NULL))
        return NULL;
    long long percentX, percentY;
    int newwidth, newheight;
    if (flags & SCALE_PERCENT) {
        percentX = *width, percentY = *height;
        newwidth = ScaledSize(picturewidth, percentX);
        newheight = ScaledSize(pictureheight, percentY);
    } else {
        newwidth = *width, newheight = *height;
        if (newwidth <= 0 || newheight <= 0)
            return NULL;
        percentX = ((long long)newwidth * 100 + picturewidth - 1) / picturewidth;
        percentY = ((long long)newheight * 100 + pictureheight - 1) / pictureheight;
    }
    HGLOBAL result = Sample(dib, newwidth, newheight, percentX, percentY);
    if (result)
        *width = newwidth, *height = newheight;
    return result;
}

HGLOBAL ResizeDib(HGLOBAL dib, int percent)
{
    int bits;
    if (percent <= 0 || !GetBitmapDimensions(dib, NULL, NULL, &bits, NULL))
        return NULL;
    if (bits > 23)
        return BothPasses(dib, percent, percent);
    int w = percent, h = percent;
    return ScaleDib(dib, &w, &h, SCALE_PERCENT);
}

HGLOBAL COMMONScaleDib(HGLOBAL dib, int percentX, int percentY)
{
    int bits;
    if (percentX <= 0 || percentY <= 0 || !GetBitmapDimensions(dib, NULL, NULL, &bits, NULL))
        return NULL;
    // The passes read whole bytes per pixel: 1- and 4-bit pictures become
    // true colour first.
    if (bits == 1 || bits == 4) {
        HGLOBAL colour = COMMONPromoteToTrueColour(dib);
        if (!colour)
            return NULL;
        HGLOBAL result = BothPasses(colour, percentX, percentY);
        GlobalFree(colour);
        return result;
    }
    return BothPasses(dib, percentX, percentY);
}
