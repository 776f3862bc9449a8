// Windows and OS/2 bitmap files: core, V3 (with its 52- and 56-byte mask
// variants), OS/2 2.x, V4 and V5 headers; 1, 4 and 8 bits with a palette,
// RLE8 and RLE4, 16 and 32 bits plain or with bit fields, 24 bits; rows
// bottom-up or top-down. Written files are V3, uncompressed, in the DIB's own
// depth.
#include "codecs/codecs.h"
#include "codecs/shared/kpxshared.h"
#include <algorithm>
#include <cstring>

using namespace kpx;

namespace {

constexpr size_t FILEHEADER = 14;
// What the information entry point reads first: every header and table.
constexpr size_t INFOHEAD = 4096;
constexpr uint32_t COREHEADER = 12, OS2HEADER = 64;
constexpr uint32_t COMPRESSION_RGB = 0, COMPRESSION_RLE8 = 1, COMPRESSION_RLE4 = 2, COMPRESSION_BITFIELDS = 3;

struct Layout {
    bool topdown = false;
    unsigned filebits = 0;
    uint32_t compression = COMPRESSION_RGB;
    uint32_t masks[4] = {}; // red, green, blue, alpha
    size_t offset = 0;      // of the pixel data
};

// Whether the depth goes with the compression and the header's kind.
bool KnownCoding(const Layout &l, uint32_t hsize)
{
    unsigned bits = l.filebits;
    switch (l.compression) {
    case COMPRESSION_RGB:
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case COMPRESSION_RLE8:
    case COMPRESSION_RLE4:
        // Run-length rows can only run bottom-up.
        return bits == (l.compression == COMPRESSION_RLE8 ? 8u : 4u) && !l.topdown;
    case COMPRESSION_BITFIELDS:
        // OS/2 2.x uses the number for its own Huffman coding.
        return (bits == 16 || bits == 32) && hsize != OS2HEADER;
    }
    return false;
}

// The channel masks: the header's own, or the three after a short header;
// 5-5-5 for a plain 16-bit picture. `table` moves past masks that stand
// before the colour table.
bool ReadMasks(const FileData &file, uint32_t hsize, Layout *l, size_t *table)
{
    if (l->compression == COMPRESSION_BITFIELDS) {
        const uint8_t *m = file.data + FILEHEADER + 40;
        if (hsize == 40) {
            if (!file.Has(*table, 12))
                return false;
            m = file.data + *table;
            *table += 12;
        }
        l->masks[0] = Le32(m);
        l->masks[1] = Le32(m + 4);
        l->masks[2] = Le32(m + 8);
        l->masks[3] = hsize >= 56 ? Le32(m + 12) : 0;
    } else if (l->filebits == 16) {
        l->masks[0] = 0x7C00;
        l->masks[1] = 0x03E0;
        l->masks[2] = 0x001F;
    }
    return true;
}

bool Parse(const FileData &file, Layout *l, Format *f)
{
    const uint8_t *p = file.data;
    if (!file.Has(0, FILEHEADER + 4) || p[0] != 'B' || p[1] != 'M')
        return false;
    uint32_t hsize = Le32(p + FILEHEADER);
    if (hsize != COREHEADER && hsize != 40 && hsize != 52 && hsize != 56 && hsize != OS2HEADER && hsize != 108 &&
        hsize != 124)
        return false;
    if (!file.Has(FILEHEADER, hsize))
        return false;
    const uint8_t *h = p + FILEHEADER;
    int64_t width, height;
    uint32_t colours = 0;
    if (hsize == COREHEADER) {
        width = Le16(h + 4);
        height = Le16(h + 6);
        l->filebits = Le16(h + 10);
    } else {
        width = int32_t(Le32(h + 4));
        height = int32_t(Le32(h + 8));
        l->filebits = Le16(h + 14);
        l->compression = Le32(h + 16);
        colours = Le32(h + 32);
    }
    if (height < 0) {
        l->topdown = true;
        height = -height;
    }
    if (width <= 0 || height <= 0)
        return false;
    if (width > MAXDIMENSION || height > MAXDIMENSION) {
        SetLastError(KPXERROR_TOOLARGE);
        return false;
    }
    f->width = uint32_t(width);
    f->height = uint32_t(height);

    unsigned bits = l->filebits;
    if (!KnownCoding(*l, hsize))
        return false;
    size_t table = FILEHEADER + hsize;
    if (!ReadMasks(file, hsize, l, &table))
        return false;

    uint32_t offbits = Le32(p + 10);
    if (bits <= 8) {
        size_t entry = hsize == COREHEADER ? 3 : 4;
        size_t count = colours && colours < (1u << bits) ? colours : 1u << bits;
        // Core files carry only as many entries as fit before the pixels.
        if (hsize == COREHEADER && offbits > table)
            count = std::min<size_t>(count, (offbits - table) / entry);
        if (!file.Has(table, count * entry))
            return false;
        for (size_t i = 0; i < count; i++) {
            const uint8_t *e = p + table + i * entry;
            f->table[i] = RGBQUAD{e[0], e[1], e[2], 0};
        }
        table += count * entry;
        f->bits = bits;
    } else {
        f->bits = bits == 32 && (l->compression == COMPRESSION_RGB || l->masks[3]) ? 32 : 24;
        // Deeper pictures may carry a table for palette displays, which the
        // pixels follow.
        if (hsize != COREHEADER && colours <= 256)
            table += colours * 4;
    }
    // Some writers leave the offset zero: the pixels then follow the table.
    l->offset = offbits ? offbits : table;
    return l->offset <= file.filesize;
}

// Whether the pixel data can make the picture the header claims, asked
// before any memory goes to it. Plain rows are all there, though the last
// row's padding may be missing. A run-length stream reaches row after row
// only by its bytes: at best a move of four bytes goes 255 rows up.
bool PixelsFit(const Layout &l, const Format &f, size_t filesize)
{
    uint64_t data = filesize - l.offset;
    if (l.compression == COMPRESSION_RLE8 || l.compression == COMPRESSION_RLE4)
        return CanHold(data, f.height, 64);
    uint64_t filerow = (uint64_t(f.width) * l.filebits + 31) / 32 * 4, used = (uint64_t(f.width) * l.filebits + 7) / 8;
    return filerow * (f.height - 1) + used <= data;
}

// One channel of a bit-field pixel scaled to 0..255.
struct Channel {
    uint32_t mask = 0, max = 0;
    unsigned shift = 0;
    explicit Channel(uint32_t m) : mask(m)
    {
        if (m) {
            while (!((m >> shift) & 1))
                shift++;
            max = m >> shift;
        }
    }
    uint8_t operator()(uint32_t pixel) const
    {
        return max ? uint8_t((uint64_t((pixel & mask) >> shift) * 255 + max / 2) / max) : 0;
    }
};

bool ReadPlain(const FileData &file, const Layout &l, DibBuilder &dib)
{
    uint32_t width = dib.width, height = dib.height;
    size_t filerow = (size_t(width) * l.filebits + 31) / 32 * 4;
    size_t used = (size_t(width) * l.filebits + 7) / 8;
    Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]), alpha(l.masks[3]);
    bool fields = l.filebits == 16 || (l.filebits == 32 && l.compression == COMPRESSION_BITFIELDS);
    for (uint32_t r = 0; r < height; r++) {
        const uint8_t *src = file.data + l.offset + r * filerow;
        uint8_t *out = l.topdown ? dib.Row(r) : dib.Row(height - 1 - r);
        if (!fields) {
            memcpy(out, src, used);
            continue;
        }
        unsigned step = dib.bits / 8;
        for (uint32_t x = 0; x < width; x++, out += step) {
            uint32_t v = l.filebits == 16 ? Le16(src + x * 2) : Le32(src + x * 4);
            out[0] = blue(v);
            out[1] = green(v);
            out[2] = red(v);
            if (step == 4)
                out[3] = alpha(v);
        }
    }
    return true;
}

// Sixteen bytes: a run's value in every one, or the bytes at `from`.
inline void Fill16(uint8_t *to, unsigned value)
{
    uint32_t v = value * 0x01010101u;
    memcpy(to, &v, 4);
    memcpy(to + 4, &v, 4);
    memcpy(to + 8, &v, 4);
    memcpy(to + 12, &v, 4);
}
inline void Copy16(uint8_t *to, const uint8_t *from)
{
    uint32_t v[4];
    memcpy(v, from, 16);
    memcpy(to, v, 16);
}

// Run-length rows: nothing lands outside the picture, and the stream must
// reach its end marker or the last row before the data runs out. Runs of
// eight bits are fills and absolute runs copies. Most are a few pixels
// long: where the row has room, those are written sixteen bytes at once and
// the pointer moves on by the run, so the bytes past it are written again by
// the next run. What the last of them left in the sixteen bytes from the
// pointer is cleared wherever a row or the picture ends before them, so
// pixels the stream passes over stay 0.
bool ReadRle(FileStream &stream, const Layout &l, DibBuilder &dib)
{
    const bool four = l.compression == COMPRESSION_RLE4;
    const uint32_t width = dib.width, height = dib.height;
    // The most one step reads: an absolute run of 255 with its padding, and
    // the sixteen bytes a short one copies at once.
    constexpr size_t STEP = 2 + 256 + 16;
    const uint8_t *p = nullptr, *end = nullptr;
    uint32_t y = 0; // stored rows, bottom first
    uint8_t *row = dib.Row(height - 1), *o = row, *rowend = row + (four ? 0 : width);
    uint32_t x4 = 0; // the column, for four bits
    auto Clear = [&] { memset(o, 0, std::min<size_t>(16, size_t(rowend - o))); };
    auto Move = [&](uint32_t x, uint32_t up) {
        Clear();
        y += up;
        if (y < height) {
            row = dib.Row(height - 1 - y);
            o = row + (four ? 0 : x);
            rowend = row + (four ? 0 : width);
        }
        x4 = x;
    };
    while (y < height) {
        if (size_t(end - p) < STEP && !stream.Fill(&p, &end, STEP))
            return false;
        if (end - p < 2)
            return false;
        unsigned count = p[0], value = p[1];
        p += 2;
        if (count) {
            if (four) {
                for (uint32_t k = 0; k < count && x4 < width; k++, x4++)
                    PutIndex(row, x4, 4, k & 1 ? value & 15 : value >> 4);
                continue;
            }
            if (count <= 16 && rowend - o >= 16) {
                Fill16(o, value);
                o += count;
                continue;
            }
            size_t take = std::min<size_t>(count, size_t(rowend - o));
            memset(o, int(value), take);
            o += take;
            continue;
        }
        if (value >= 3) {
            size_t bytes = four ? (value + 1) / 2 : value;
            if (size_t(end - p) < bytes)
                return false;
            if (four) {
                for (uint32_t k = 0; k < value && x4 < width; k++, x4++)
                    PutIndex(row, x4, 4, k & 1 ? p[k / 2] & 15 : p[k / 2] >> 4);
            } else if (value <= 16 && rowend - o >= 16 && end - p >= 16) {
                Copy16(o, p);
                o += value;
            } else {
                size_t take = std::min<size_t>(value, size_t(rowend - o));
                memcpy(o, p, take);
                o += take;
            }
            p += std::min(size_t(end - p), (bytes + 1) & ~size_t(1));
        } else if (value == 0) {
            Move(0, 1);
        } else if (value == 1) {
            Clear();
            return true;
        } else {
            if (end - p < 2)
                return false;
            uint32_t x = four ? x4 : uint32_t(o - row);
            Move(std::min(x + p[0], width), p[1]);
            p += 2;
        }
    }
    return true;
}

bool Decode(const FileData &file, Format *format, DibBuilder *dib)
{
    Layout l;
    if (!Parse(file, &l, format))
        return false;
    if (!dib)
        return true;
    // Run-length streams are read piece by piece, by the read entry point.
    if (l.compression == COMPRESSION_RLE8 || l.compression == COMPRESSION_RLE4)
        return false;
    return PixelsFit(l, *format, file.size) && dib->Create(*format) && ReadPlain(file, l, *dib);
}

bool Encode(const DibView &v, OutBuffer &out)
{
    uint32_t entries = TableEntries(v.bits);
    uint32_t offset = uint32_t(FILEHEADER) + INFOHEADERSIZE + entries * 4;
    uint32_t image = v.rowbytes * v.height;
    uint8_t head[FILEHEADER + INFOHEADERSIZE] = {'B', 'M'};
    PutLe32(head + 2, offset + image);
    PutLe32(head + 10, offset);
    uint8_t *h = head + FILEHEADER;
    PutLe32(h, INFOHEADERSIZE);
    PutLe32(h + 4, v.width);
    PutLe32(h + 8, v.height);
    PutLe16(h + 12, 1);
    PutLe16(h + 14, v.bits);
    PutLe32(h + 20, image);
    PutLe32(h + 32, entries);
    bool ok = out.Append(head, sizeof head) && out.Append(v.table, entries * 4);
    for (uint32_t y = v.height; ok && y-- > 0;)
        ok = out.Append(v.Row(y), v.rowbytes);
    return ok;
}

} // namespace

namespace {

HGLOBAL ReadRuns(FileStream &stream, const Layout &l, const Format &f, size_t filesize)
{
    DibBuilder dib;
    if (PixelsFit(l, f, filesize) && dib.Create(f) && ReadRle(stream, l, dib))
        return dib.Release();
    return NULL;
}

} // namespace

HGLOBAL BMPGetFileInformation(char *path)
{
    return ReadInformation(path, Decode, INFOHEAD);
}

HGLOBAL BMPReadGraphicFile(char *path)
{
    // Plain bottom-up rows of the DIB's own depth are its rows: read straight
    // into it.
    FileData head;
    Layout l;
    Format f;
    bool parsed = head.Load(path, INFOHEAD) && Parse(head, &l, &f);
    if (parsed && (l.compression == COMPRESSION_RLE8 || l.compression == COMPRESSION_RLE4)) {
        FileStream stream;
        return stream.Open(path, l.offset) ? ReadRuns(stream, l, f, head.filesize) : NULL;
    }
    if (parsed && l.compression == COMPRESSION_RGB && !l.topdown && l.filebits == f.bits) {
        if (!PixelsFit(l, f, head.filesize))
            return NULL;
        DibBuilder dib;
        uint32_t rowbytes, total;
        // Only when every row is whole: a last row without its padding goes
        // the way of the decoder.
        if (DibSizes(f.width, f.height, f.bits, &rowbytes, &total) &&
            uint64_t(rowbytes) * f.height <= head.filesize - l.offset) {
            if (!dib.Create(f))
                return NULL;
            if (ReadRows(path, l.offset, dib.rowbytes, dib))
                return dib.Release();
        }
    }
    return ReadPicture(path, Decode);
}

HGLOBAL BMPReadPackedDib(const void *packed, size_t length)
{
    // The file header's offset is left zero: the pixels follow the header,
    // masks and table, as they do in a packed DIB.
    uint8_t head[FILEHEADER] = {'B', 'M'};
    FileData file;
    Layout l;
    Format f;
    if (!packed || !file.Take(head, sizeof head, packed, length) || !Parse(file, &l, &f))
        return NULL;
    if (l.compression == COMPRESSION_RLE8 || l.compression == COMPRESSION_RLE4) {
        FileStream stream;
        stream.Open(file, l.offset);
        return ReadRuns(stream, l, f, file.filesize);
    }
    DibBuilder dib;
    return Decode(file, &f, &dib) ? dib.Release() : NULL;
}

short BMPWriteGraphicFile(char *path, HGLOBAL dib)
{
    return WriteEncoded(path, dib, Encode);
}
