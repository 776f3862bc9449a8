// PC Paintbrush files: 1 bit in one plane (black and white), 1 bit in two to
// four planes (16 colours from the header's palette), 8 bits in one plane
// with the 256-colour palette at the end of the file, and 8 bits in three
// planes (true colour). Rows are run-length coded.
#include "codecs/codecs.h"
#include "codecs/shared/kpxshared.h"
#include <algorithm>
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

inline uint32_t Load32(const uint8_t *p)
{
    uint32_t w;
    memcpy(&w, p, 4);
    return w;
}
inline void Store32(uint8_t *p, uint32_t w) { memcpy(p, &w, 4); }
// The bytes of a word that begin a run (both top bits set), as their top bits.
inline uint32_t Codes(uint32_t w) { return w & w << 1 & 0x80808080u; }

// Where a line has this much room left, a step may write its eight bytes of
// literals and then a whole run (at most 63 bytes) in words without a check.
constexpr ptrdiff_t STEPROOM = 8 + 64;

// The run-length stream; a run may carry on into the next plane or row.
// The bytes come from the whole file in memory or, with a stream, a line's
// worth at a time.
struct Runs {
    const uint8_t *p;
    size_t n, i = 0;
    FileStream *stream = nullptr;
    unsigned left = 0; // of a run begun in an earlier line
    uint8_t value = 0;

    // Contiguous bytes. Most of a line goes eight coded bytes a step: the
    // literals among them are copied as two words, the run after them is
    // filled in words, and four runs of one in a row (how bytes of 0xC0 and
    // over are coded) become one word. Only the line's last bytes and the
    // file's end are taken a byte at a time with every bound checked. Plain
    // words rather than vector registers: the steps between runs are short,
    // and vector instructions cost many times more where the program runs
    // under an emulator.
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
        left -= unsigned(take);
        const uint8_t *in = p + i, *const inend = p + n;
        uint8_t *o = out + take, *const oend = out + count;
        while (oend - o >= STEPROOM && inend - in >= 16) {
            uint32_t a = Load32(in), b = Load32(in + 4);
            Store32(o, a);
            Store32(o + 4, b);
            uint32_t ca = Codes(a), cb = Codes(b);
            if (!(ca | cb)) {
                o += 8, in += 8;
                continue;
            }
            if ((a & 0x00FF00FF) == 0x00C100C1 && (b & 0x00FF00FF) == 0x00C100C1) {
                Store32(o, (a >> 8 & 0xFF) | (a >> 16 & 0xFF00) | (b << 8 & 0xFF0000) | (b & 0xFF000000));
                o += 4, in += 8;
                continue;
            }
            unsigned literal = ca ? unsigned(__builtin_ctz(ca)) / 8 : 4 + unsigned(__builtin_ctz(cb)) / 8;
            o += literal, in += literal;
            unsigned run = in[0] & 0x3F;
            uint32_t fill = in[1] * 0x01010101u;
            in += 2;
            Store32(o, fill);
            Store32(o + 4, fill);
            for (unsigned k = 8; k < run; k += 4)
                Store32(o + k, fill);
            o += run;
        }
        while (o < oend) {
            if (in == inend)
                return false;
            uint8_t c = *in++;
            if (c < 0xC0) {
                *o++ = c;
                continue;
            }
            if (in == inend)
                return false;
            size_t run = c & 0x3F, room = size_t(oend - o);
            uint8_t v = *in++;
            if (run > room) {
                left = unsigned(run - room);
                value = v;
                run = room;
            }
            memset(o, v, run);
            o += run;
        }
        i = size_t(in - p);
        return true;
    }
};

// For each byte of one plane of one bit, its eight pixels as the lowest
// bits of eight nibbles in a little-endian word of a 4-bit row: pixel j
// (from the byte's top bit) in byte j / 2, the high nibble first.
struct Spread {
    uint32_t bits[256];
    constexpr Spread() : bits()
    {
        for (unsigned v = 0; v < 256; v++)
            for (unsigned j = 0; j < 8; j++)
                if (v >> (7 - j) & 1)
                    bits[v] |= 1u << (8 * (j / 2) + (j % 2 ? 0 : 4));
    }
};
constexpr Spread SPREAD;

// A row of two to four planes of one bit into 4-bit indices, eight pixels
// (a byte of each plane, four bytes out) at a time; the nibbles past the
// width stay zero.
void PlanesToNibbles(const uint8_t *s, size_t bpl, unsigned planes, uint32_t width, uint8_t *out)
{
    size_t bytes = (width + 7) / 8;
    for (size_t i = 0; i < bytes; i++) {
        uint32_t w = SPREAD.bits[s[i]] | SPREAD.bits[s[bpl + i]] << 1;
        if (planes > 2)
            w |= SPREAD.bits[s[2 * bpl + i]] << 2;
        if (planes > 3)
            w |= SPREAD.bits[s[3 * bpl + i]] << 3;
        if (i + 1 == bytes && width % 8)
            w &= SPREAD.bits[0xFF00u >> (width % 8) & 0xFF] * 0xF;
        Store32(out + 4 * i, w);
    }
}

bool ReadPixels(const FileData &file, FileStream *stream, const Layout &l, DibBuilder &dib)
{
    size_t bpl = l.bytesperline;
    Runs runs{stream ? nullptr : file.data + HEADER, stream ? 0 : l.end - HEADER, 0, stream};
    uint32_t width = dib.width;
    size_t line = bpl * l.planes; // at most 4 x 65535
    std::vector<uint8_t> scan(line);
    for (uint32_t y = 0; y < dib.height; y++) {
        if (!runs.Fill(scan.data(), line))
            return false;
        uint8_t *out = dib.Row(y);
        const uint8_t *s = scan.data();
        if (dib.bits == 24) {
            // A row's three planes are interleaved into blue, green, red
            // triples in one pass: four pixels make three whole words.
            const uint8_t *r = s, *g = r + bpl, *b = g + bpl;
            uint32_t x = 0;
            for (; x + 4 <= width; x += 4, out += 12) {
                Store32(out, b[x] | uint32_t(g[x]) << 8 | uint32_t(r[x]) << 16 | uint32_t(b[x + 1]) << 24);
                Store32(out + 4, g[x + 1] | uint32_t(r[x + 1]) << 8 | uint32_t(b[x + 2]) << 16 | uint32_t(g[x + 2]) << 24);
                Store32(out + 8, r[x + 2] | uint32_t(b[x + 3]) << 8 | uint32_t(g[x + 3]) << 16 | uint32_t(r[x + 3]) << 24);
            }
            for (; x < width; x++, out += 3) {
                out[0] = b[x];
                out[1] = g[x];
                out[2] = r[x];
            }
        } else if (dib.bits == 4) {
            PlanesToNibbles(s, bpl, l.planes, width, out);
        } else {
            memcpy(out, s, dib.bits == 1 ? (width + 7) / 8 : width);
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
