// PC Paintbrush files: 1 bit in one plane (black and white), 1 bit in two to
// four planes (16 colours from the header's palette), 8 bits in one plane
// with the 256-colour palette at the end of the file, and 8 bits in three
// planes (true colour). Rows are run-length coded.
#include "codecs/codecs.h"
#include "codecs/shared/kpxshared.h"
#include <algorithm>
#include <emmintrin.h>
#include <cstring>
#include <vector>

using namespace kpx;

namespace {

constexpr size_t HEADER = 128;
constexpr size_t EGAPALETTE = 16;     // offset of the 16-colour palette in the header
constexpr size_t VGAPALETTE = 769;    // marker byte and 256 RGB triples at the end
constexpr uint8_t VGAMARKER = 0x0C;
constexpr unsigned LONGESTRUN = 63;

struct Layout {
    unsigned planebits = 0, planes = 0;
    size_t bytesperline = 0;
    size_t end = 0; // where the run-length data stops
};

bool Parse(const FileData &file, Layout *l, Format *format)
{
    const uint8_t *p = file.data;
    if (!file.Has(0, HEADER) || p[0] != 0x0A || p[2] != 1)
        return false;
    unsigned version = p[1];
    l->planebits = p[3];
    l->planes = p[65];
    l->bytesperline = Le16(p + 66);
    unsigned xmin = Le16(p + 4), ymin = Le16(p + 6), xmax = Le16(p + 8), ymax = Le16(p + 10);
    if (xmax < xmin || ymax < ymin)
        return false;
    Format &f = *format;
    f.width = xmax - xmin + 1;
    f.height = ymax - ymin + 1;
    l->end = file.size;
    if (l->planebits == 1 && l->planes == 1) {
        f.bits = 1;
        f.table[1] = RGBQUAD{255, 255, 255, 0};
    } else if (l->planebits == 1 && l->planes >= 2 && l->planes <= 4) {
        f.bits = 4;
        for (unsigned i = 0; i < 16; i++) {
            const uint8_t *e = p + EGAPALETTE + i * 3;
            f.table[i] = RGBQUAD{e[2], e[1], e[0], 0};
        }
    } else if (l->planebits == 8 && l->planes == 1) {
        // The palette lies at the end of the file: only the whole will do.
        if (file.size != file.filesize)
            return false;
        f.bits = 8;
        bool tail = file.size >= HEADER + VGAPALETTE && p[file.size - VGAPALETTE] == VGAMARKER;
        if (tail) {
            l->end = file.size - VGAPALETTE;
            for (unsigned i = 0; i < 256; i++) {
                const uint8_t *e = p + l->end + 1 + i * 3;
                f.table[i] = RGBQUAD{e[2], e[1], e[0], 0};
            }
        } else if (version >= 5) {
            return false; // the palette is missing: a damaged or cut file
        } else {
            GreyTable(&f); // older files of 8 bits carry no palette
        }
    } else if (l->planebits == 8 && l->planes == 3) {
        f.bits = 24;
    } else {
        return false;
    }
    return l->bytesperline >= (size_t(f.width) * l->planebits + 7) / 8;
}

// The run-length stream; a run may carry on into the next plane or row.
// The bytes come from the whole file in memory or, with a stream, a line's
// worth at a time.
struct Runs {
    const uint8_t *p;
    size_t n, i = 0;
    FileStream *stream = nullptr;
    unsigned left = 0; // of a run begun in an earlier line
    uint8_t value = 0;

    // Contiguous bytes. Most bytes of a photograph stand for themselves:
    // those before the next run go sixteen at a time.
    bool Fill(uint8_t *out, size_t count)
    {
        if (stream) {
            // The most a line can take: two bytes for each of its own.
            const uint8_t *from = p + i, *end = p + n;
            if (!stream->Fill(&from, &end, 2 * count))
                return false;
            p = from, n = size_t(end - from), i = 0;
        }
        size_t take = left < count ? left : count;
        memset(out, value, take);
        out += take;
        count -= take;
        left -= unsigned(take);
        const __m128i top = _mm_set1_epi8(char(0xC0));
        while (count) {
            if (count >= 16 && n - i >= 16) {
                __m128i v = _mm_loadu_si128((const __m128i *)(p + i));
                unsigned runs = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, top), top)));
                unsigned literal = runs ? unsigned(__builtin_ctz(runs)) : 16;
                if (literal) {
                    _mm_storeu_si128((__m128i *)out, v); // what lies past the literals is written again
                    out += literal, i += literal, count -= literal;
                    continue;
                }
            }
            if (i >= n)
                return false;
            uint8_t c = p[i++];
            if (c < 0xC0) {
                *out++ = c;
                count--;
                continue;
            }
            if (i >= n)
                return false;
            unsigned run = c & 0x3F;
            uint8_t v = p[i++];
            if (run > count) {
                left = unsigned(run - count);
                value = v;
                run = unsigned(count);
            }
            // Short runs, and the runs of one that carry the bytes a
            // literal cannot, go sixteen bytes at once where the line has room.
            if (run <= 16 && count >= 16)
                _mm_storeu_si128((__m128i *)out, _mm_set1_epi8(char(v)));
            else
                memset(out, v, run);
            out += run;
            count -= run;
        }
        return true;
    }
};

bool ReadPixels(const FileData &file, FileStream *stream, const Layout &l, DibBuilder &dib)
{
    size_t bpl = l.bytesperline;
    Runs runs{stream ? nullptr : file.data + HEADER, stream ? 0 : l.end - HEADER, 0, stream};
    uint32_t width = dib.width;
    if (dib.bits == 24) {
        // A row's three planes are decoded together, most of their bytes
        // sixteen at a time, then interleaved into blue, green, red triples
        // in one pass: four pixels make three whole words.
        std::vector<uint8_t> planes(bpl * 3);
        for (uint32_t y = 0; y < dib.height; y++) {
            if (!runs.Fill(planes.data(), planes.size()))
                return false;
            const uint8_t *r = planes.data(), *g = r + bpl, *b = g + bpl;
            uint8_t *o = dib.Row(y);
            uint32_t x = 0;
            for (; x + 4 <= width; x += 4, o += 12) {
                uint32_t w[3] = {
                    b[x] | uint32_t(g[x]) << 8 | uint32_t(r[x]) << 16 | uint32_t(b[x + 1]) << 24,
                    g[x + 1] | uint32_t(r[x + 1]) << 8 | uint32_t(b[x + 2]) << 16 | uint32_t(g[x + 2]) << 24,
                    r[x + 2] | uint32_t(b[x + 3]) << 8 | uint32_t(g[x + 3]) << 16 | uint32_t(r[x + 3]) << 24};
                memcpy(o, w, 12);
            }
            for (; x < width; x++, o += 3) {
                o[0] = b[x];
                o[1] = g[x];
                o[2] = r[x];
            }
        }
        return true;
    }
    size_t line = bpl * l.planes; // at most 4 x 65535
    std::vector<uint8_t> scan(line);
    for (uint32_t y = 0; y < dib.height; y++) {
        if (!runs.Fill(scan.data(), line))
            return false;
        uint8_t *out = dib.Row(y);
        const uint8_t *s = scan.data();
        if (dib.bits == 1) {
            memcpy(out, s, (width + 7) / 8);
        } else if (dib.bits == 4) {
            for (uint32_t x = 0; x < width; x++) {
                unsigned index = 0;
                for (unsigned k = 0; k < l.planes; k++)
                    index |= GetIndex(s + k * bpl, x, 1) << k;
                PutIndex(out, x, 4, index);
            }
        } else {
            memcpy(out, s, width);
        }
    }
    return true;
}

// Two bytes make a run of at most 63.
bool Fits(size_t databytes, const Layout &l, const Format &format)
{
    return CanHold(databytes, uint64_t(l.bytesperline) * l.planes * format.height, 32);
}

bool Decode(const FileData &file, Format *format, DibBuilder *dib)
{
    Layout l;
    if (!Parse(file, &l, format))
        return false;
    if (!dib)
        return true;
    return Fits(l.end - HEADER, l, *format) && dib->Create(*format) && ReadPixels(file, nullptr, l, *dib);
}

bool EncodeRuns(OutBuffer &out, const uint8_t *s, size_t count)
{
    for (size_t i = 0; i < count;) {
        size_t run = 1;
        while (i + run < count && run < LONGESTRUN && s[i + run] == s[i])
            run++;
        if ((run > 1 || (s[i] & 0xC0) == 0xC0) && !out.Byte(uint8_t(0xC0 | run)))
            return false;
        if (!out.Byte(s[i]))
            return false;
        i += run;
    }
    return true;
}

bool Encode(const DibView &v, OutBuffer &out)
{
    // A 1-bit picture in anything but black and white keeps its two colours
    // in the 16-colour form.
    bool mono = v.bits == 1 && v.table[0].rgbRed == 0 && v.table[0].rgbGreen == 0 && v.table[0].rgbBlue == 0 &&
                v.table[1].rgbRed == 255 && v.table[1].rgbGreen == 255 && v.table[1].rgbBlue == 255;
    unsigned planebits = v.bits > 4 ? 8 : 1;
    unsigned planes = mono || v.bits == 8 ? 1 : v.bits <= 4 ? 4 : 3;
    size_t bpl = (size_t(v.width) * planebits + 7) / 8;
    bpl += bpl & 1; // even, as readers expect
    uint8_t head[HEADER] = {0x0A, 5, 1, uint8_t(planebits)};
    PutLe16(head + 8, v.width - 1);
    PutLe16(head + 10, v.height - 1);
    PutLe16(head + 12, 96);
    PutLe16(head + 14, 96);
    if (v.bits <= 4)
        for (unsigned i = 0; i < (1u << v.bits); i++) {
            head[EGAPALETTE + i * 3] = v.table[i].rgbRed;
            head[EGAPALETTE + i * 3 + 1] = v.table[i].rgbGreen;
            head[EGAPALETTE + i * 3 + 2] = v.table[i].rgbBlue;
        }
    head[65] = uint8_t(planes);
    PutLe16(head + 66, uint32_t(bpl));
    PutLe16(head + 68, v.bits <= 8 && v.IsGrey() ? 2 : 1);

    std::vector<uint8_t> scan(bpl * planes), indices(v.width), bgr(size_t(v.width) * 3);
    bool ok = out.Append(head, sizeof head);
    for (uint32_t y = 0; ok && y < v.height; y++) {
        std::fill(scan.begin(), scan.end(), 0);
        if (mono) {
            memcpy(scan.data(), v.Row(y), (v.width + 7) / 8);
            if (v.width & 7)
                scan[v.width / 8] &= uint8_t(0xFF00 >> (v.width & 7));
        } else if (v.bits <= 4) {
            UnpackIndices(v.Row(y), v.width, v.bits, indices.data());
            for (uint32_t x = 0; x < v.width; x++)
                for (unsigned k = 0; k < 4; k++)
                    if (indices[x] >> k & 1)
                        PutIndex(scan.data() + k * bpl, x, 1, 1);
        } else if (v.bits == 8) {
            memcpy(scan.data(), v.Row(y), v.width);
        } else {
            v.RowToBGR(y, bgr.data());
            for (uint32_t x = 0; x < v.width; x++) {
                scan[x] = bgr[x * 3 + 2];
                scan[bpl + x] = bgr[x * 3 + 1];
                scan[2 * bpl + x] = bgr[x * 3];
            }
        }
        for (unsigned k = 0; ok && k < planes; k++)
            ok = EncodeRuns(out, scan.data() + k * bpl, bpl);
    }
    if (ok && v.bits == 8) {
        ok = out.Byte(VGAMARKER);
        for (unsigned i = 0; ok && i < 256; i++) {
            uint8_t rgb[3] = {v.table[i].rgbRed, v.table[i].rgbGreen, v.table[i].rgbBlue};
            ok = out.Append(rgb, 3);
        }
    }
    return ok;
}

} // namespace

HGLOBAL PCXGetFileInformation(char *path)
{
    return ReadInformation(path, Decode, HEADER);
}

HGLOBAL PCXReadGraphicFile(char *path)
{
    // Where the header alone describes the picture (all but 256 colours,
    // whose palette ends the file), the rows are read from the file a piece
    // at a time.
    FileData head;
    Layout l;
    Format f;
    if (head.Load(path, HEADER) && Parse(head, &l, &f)) {
        FileStream stream;
        DibBuilder dib;
        if (!Fits(head.filesize - HEADER, l, f) || !dib.Create(f) || !stream.Open(path, HEADER) ||
            !ReadPixels(head, &stream, l, dib))
            return NULL;
        return dib.Release();
    }
    return ReadPicture(path, Decode);
}

short PCXWriteGraphicFile(char *path, HGLOBAL dib)
{
    return WriteEncoded(path, dib, Encode);
}
