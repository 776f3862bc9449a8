// Targa files: colour-mapped (types 1 and 9), true colour (2 and 10) and
// grey (3 and 11), plain or run-length coded; 15- and 16-bit colours, 24 and
// 32 bits; any corner as the origin. Written files are plain, bottom-up:
// colour-mapped for 8 bits or fewer, true colour otherwise.
#include "codecs/codecs.h"
#include "codecs/shared/kpxshared.h"
#include <cstring>
#include <vector>

using namespace kpx;

namespace {

constexpr size_t HEADER = 18;
// What the information entry point reads first: the header, its text and a
// colour map of 256 entries.
constexpr size_t INFOHEAD = 4096;
constexpr unsigned MAPPED = 1, TRUECOLOUR = 2, GREY = 3, RLE = 8;
constexpr uint8_t RIGHTTOLEFT = 0x10, TOPDOWN = 0x20;

struct Layout {
    unsigned type = 0, depth = 0, pixelbytes = 0;
    bool rle = false, topdown = false, mirrored = false;
    size_t offset = 0; // of the pixel data
};

// Five bits of a colour spread over 0..255.
inline uint8_t Five(unsigned v)
{
    return uint8_t((v & 31) << 3 | (v & 31) >> 2);
}

// One colour of `bytes` bytes (2: 5-5-5, 3: blue, green, red, 4: and alpha)
// as blue, green, red (and alpha).
inline void Colour(const uint8_t *p, unsigned bytes, uint8_t *out)
{
    if (bytes == 2) {
        unsigned v = Le16(p);
        out[0] = Five(v);
        out[1] = Five(v >> 5);
        out[2] = Five(v >> 10);
    } else {
        memcpy(out, p, bytes);
    }
}

bool Parse(const FileData &file, Layout *l, Format *format)
{
    const uint8_t *p = file.data;
    if (!file.Has(0, HEADER))
        return false;
    unsigned maptype = p[1], first = Le16(p + 3), length = Le16(p + 5), entrybits = p[7];
    l->type = p[2] & 7;
    l->rle = (p[2] & RLE) != 0;
    l->depth = p[16];
    l->topdown = (p[17] & TOPDOWN) != 0;
    l->mirrored = (p[17] & RIGHTTOLEFT) != 0;
    if ((p[2] & ~(RLE | 7)) || maptype > 1)
        return false;
    Format &f = *format;
    f.width = Le16(p + 12);
    f.height = Le16(p + 14);
    size_t mapoffset = HEADER + p[0];
    unsigned entrybytes = (entrybits + 7) / 8;
    if (maptype && entrybits != 15 && entrybits != 16 && entrybits != 24 && entrybits != 32)
        return false;
    size_t mapbytes = maptype ? size_t(length) * entrybytes : 0;
    if (!file.Has(mapoffset, mapbytes))
        return false;
    l->offset = mapoffset + mapbytes;
    switch (l->type) {
    case MAPPED:
        if (!maptype || l->depth != 8 || length == 0 || first > 255)
            return false;
        f.bits = IndexBits(first + length);
        for (unsigned i = first; i < first + length && i < (1u << f.bits); i++) {
            uint8_t c[4];
            Colour(p + mapoffset + (i - first) * entrybytes, entrybytes == 4 ? 3 : entrybytes, c);
            f.table[i] = RGBQUAD{c[0], c[1], c[2], 0};
        }
        break;
    case TRUECOLOUR:
        if (l->depth != 15 && l->depth != 16 && l->depth != 24 && l->depth != 32)
            return false;
        f.bits = l->depth == 32 ? 32 : 24;
        break;
    case GREY:
        // Grey with eight bits of alpha after it becomes 32 bits.
        if (l->depth == 16 && (p[17] & 0x0F) == 8) {
            f.bits = 32;
            break;
        }
        if (l->depth != 8)
            return false;
        f.bits = 8;
        GreyTable(&f);
        break;
    default:
        return false;
    }
    l->pixelbytes = (l->depth + 7) / 8;
    return true;
}

// `count` copies of the pixel of `size` bytes at `pixel`: the first one
// written, then what is written so far copied after itself.
inline void Repeat(uint8_t *out, const uint8_t *pixel, unsigned size, size_t count)
{
    if (size == 1) {
        memset(out, *pixel, count);
        return;
    }
    size_t total = count * size, done = size;
    memcpy(out, pixel, size);
    while (done < total) {
        size_t n = done < total - done ? done : total - done;
        memcpy(out + done, out, n);
        done += n;
    }
}

// Short packets are the most of a photograph's: where the output has room,
// they are written in whole words past their end, and the next packet writes
// over what lies beyond it. Sixteen bytes of a literal at a time, and a run
// of three-byte pixels twelve bytes (four pixels) at a time.
inline void CopyWords(uint8_t *out, const uint8_t *from, size_t rounded)
{
    for (size_t k = 0; k < rounded; k += 16) {
        uint32_t v[4];
        memcpy(v, from + k, 16);
        memcpy(out + k, v, 16);
    }
}
inline void RepeatThree(uint8_t *out, const uint8_t *pixel, size_t rounded)
{
    uint32_t a = pixel[0], b = pixel[1], c = pixel[2];
    uint32_t w[3] = {a | b << 8 | c << 16 | a << 24, b | c << 8 | a << 16 | b << 24, c | a << 8 | b << 16 | c << 24};
    for (size_t k = 0; k < rounded; k += 12)
        memcpy(out + k, w, 12);
}

// Run-length packets of whole pixels; a packet may carry on into the next
// row. Runs are fills and literal packets one copy each. The bytes come
// from the whole file in memory or, with a stream, a row's worth at a time.
struct Packets {
    const uint8_t *p, *end;
    unsigned size;
    FileStream *stream = nullptr;
    unsigned left = 0;
    bool repeat = false;
    uint8_t pixel[4] = {}; // of the run under way
    // `count` pixels to `out`; nothing is written past them, and they are
    // all written when it succeeds.
    bool Fill(uint8_t *out, uint32_t count)
    {
        // The most a row can take: a packet of one pixel for each.
        if (stream && !stream->Fill(&p, &end, size_t(count) * (size + 1)))
            return false;
        uint8_t *const limit = out + size_t(count) * size;
        while (count) {
            if (!left) {
                if (p >= end)
                    return false;
                uint8_t c = *p++;
                left = (c & 0x7F) + 1u;
                repeat = (c & 0x80) != 0;
                if (repeat) {
                    if (size_t(end - p) < size)
                        return false;
                    memcpy(pixel, p, size);
                    p += size;
                }
            }
            uint32_t take = left < count ? left : count;
            size_t bytes = size_t(take) * size;
            size_t room = size_t(limit - out);
            if (repeat) {
                size_t rounded = (bytes + 11) / 12 * 12;
                if (size == 3 && rounded <= 48 && rounded <= room)
                    RepeatThree(out, pixel, rounded);
                else
                    Repeat(out, pixel, size, take);
            } else {
                size_t have = size_t(end - p);
                if (have < bytes)
                    return false;
                size_t rounded = (bytes + 15) & ~size_t(15);
                if (rounded <= 64 && rounded <= room && rounded <= have)
                    CopyWords(out, p, rounded);
                else
                    memcpy(out, p, bytes);
                p += bytes;
            }
            out += bytes;
            count -= take;
            left -= take;
        }
        return true;
    }
};

bool ReadPixels(const FileData &file, FileStream *stream, const Layout &l, DibBuilder &dib)
{
    uint32_t width = dib.width, height = dib.height;
    unsigned size = l.pixelbytes;
    size_t filerow = size_t(width) * size;
    if (!l.rle && uint64_t(filerow) * height > file.size - l.offset)
        return false;
    Packets packets{stream ? nullptr : file.data + l.offset, stream ? nullptr : file.data + file.size, size, stream};
    // Colours stored as the picture keeps them go straight into its rows.
    bool direct = l.type == TRUECOLOUR && size * 8 == dib.bits && !l.mirrored;
    std::vector<uint8_t> line(direct ? 0 : filerow), indices(width);
    for (uint32_t r = 0; r < height; r++) {
        uint8_t *out = dib.Row(l.topdown ? r : height - 1 - r);
        const uint8_t *s;
        if (direct) {
            if (!l.rle)
                memcpy(out, file.data + l.offset + r * filerow, filerow);
            else if (!packets.Fill(out, width))
                return false;
            continue;
        }
        if (l.rle) {
            if (!packets.Fill(line.data(), width))
                return false;
            s = line.data();
        } else {
            s = file.data + l.offset + r * filerow;
        }
        if (l.type == GREY && size == 2) {
            for (uint32_t x = 0; x < width; x++) {
                uint8_t *o = out + (l.mirrored ? width - 1 - x : x) * 4;
                o[0] = o[1] = o[2] = s[x * 2];
                o[3] = s[x * 2 + 1];
            }
            continue;
        }
        if (l.type == TRUECOLOUR) {
            unsigned step = dib.bits / 8;
            for (uint32_t x = 0; x < width; x++)
                Colour(s + x * size, size, out + (l.mirrored ? width - 1 - x : x) * step);
            continue;
        }
        for (uint32_t x = 0; x < width; x++) {
            unsigned v = s[x];
            indices[l.mirrored ? width - 1 - x : x] = uint8_t(v < (1u << dib.bits) ? v : 0);
        }
        PackIndices(indices.data(), width, dib.bits, out);
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
    // A run packet of a byte and a pixel makes at most 128 pixels.
    uint64_t pixels = uint64_t(format->width) * format->height, stored = pixels * l.pixelbytes;
    if (!CanHold(file.filesize - l.offset, l.rle ? pixels : stored, l.rle ? 128 : 1))
        return false;
    return dib->Create(*format) && ReadPixels(file, nullptr, l, *dib);
}

bool Encode(const DibView &v, OutBuffer &out)
{
    bool mapped = v.bits <= 8, alpha = v.HasAlpha();
    unsigned entries = TableEntries(v.bits);
    unsigned depth = mapped ? 8 : alpha ? 32 : 24;
    uint8_t head[HEADER] = {0, uint8_t(mapped), uint8_t(mapped ? MAPPED : TRUECOLOUR)};
    PutLe16(head + 5, entries);
    head[7] = mapped ? 24 : 0;
    PutLe16(head + 12, v.width);
    PutLe16(head + 14, v.height);
    head[16] = uint8_t(depth);
    head[17] = alpha ? 8 : 0; // attribute bits; origin at the bottom left
    bool ok = out.Append(head, sizeof head);
    for (unsigned i = 0; ok && i < entries; i++)
        ok = out.Append(&v.table[i], 3);
    std::vector<uint8_t> line(size_t(v.width) * 3);
    for (uint32_t y = v.height; ok && y-- > 0;) {
        if (mapped) {
            UnpackIndices(v.Row(y), v.width, v.bits, line.data());
            ok = out.Append(line.data(), v.width);
        } else if (alpha || v.bits == 24) {
            ok = out.Append(v.Row(y), size_t(v.width) * (depth / 8));
        } else {
            v.RowToBGR(y, line.data());
            ok = out.Append(line.data(), line.size());
        }
    }
    return ok;
}

} // namespace

HGLOBAL TGAGetFileInformation(char *path)
{
    return ReadInformation(path, Decode, INFOHEAD);
}

HGLOBAL TGAReadGraphicFile(char *path)
{
    // Plain bottom-up rows of grey or true colour in 24 or 32 bits are the
    // DIB's rows, unpadded: read straight into it.
    FileData head;
    Layout l;
    Format f;
    bool parsed = head.Load(path, INFOHEAD) && Parse(head, &l, &f);
    // Run-length packets are read from the file a piece at a time.
    if (parsed && l.rle) {
        FileStream stream;
        DibBuilder dib;
        uint64_t pixels = uint64_t(f.width) * f.height;
        if (!CanHold(head.filesize - l.offset, pixels, 128) || !dib.Create(f) || !stream.Open(path, l.offset) ||
            !ReadPixels(head, &stream, l, dib))
            return NULL;
        return dib.Release();
    }
    if (parsed && !l.rle && !l.topdown && !l.mirrored &&
        ((l.type == TRUECOLOUR && (l.depth == 24 || l.depth == 32)) || (l.type == GREY && l.depth == 8)) &&
        uint64_t(f.width) * f.height * l.pixelbytes <= head.filesize - l.offset) {
        DibBuilder dib;
        if (!dib.Create(f))
            return NULL;
        if (ReadRows(path, l.offset, size_t(f.width) * l.pixelbytes, dib))
            return dib.Release();
    }
    return ReadPicture(path, Decode);
}

short TGAWriteGraphicFile(char *path, HGLOBAL dib)
{
    return WriteEncoded(path, dib, Encode);
}
