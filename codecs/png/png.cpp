// PNG files through libpng. Palette pictures keep their depth (2 bits become
// 4), grey ones become palette pictures with a grey table, colour becomes 24
// bits and anything with an alpha channel 32 bits with the alpha in the
// fourth byte. Sixteen-bit samples keep their high byte, as everywhere else
// in the system.
//
// libpng reports errors by longjmp: the functions that call setjmp keep
// everything that must survive the jump in a record owned by their caller,
// and have no objects with destructors of their own.
#include "codecs/codecs.h"
#include "codecs/shared/kpxshared.h"
#include <png.h>
#include <cstdlib>
#include <cstring>

using namespace kpx;

namespace {

// What the information entry point reads first.
constexpr size_t INFOHEAD = 64u << 10;

// Bounds on what libpng may allocate for one ancillary chunk, and on how many
// such chunks it keeps, so that a hostile file cannot exhaust memory.
constexpr png_alloc_size_t MAXCHUNKBYTES = 8u << 20;
constexpr png_uint_32 MAXCACHEDCHUNKS = 128;
// libpng only warns about a chunk beyond its limit and then asks for the
// memory anyway: no allocation of its may be larger than a kept chunk (rows
// of the widest picture take far less).
constexpr png_alloc_size_t MAXALLOCATION = MAXCHUNKBYTES + (64u << 10);
// Deflate makes at most 1032 bytes of one.
constexpr uint64_t MAXEXPANSION = 1032;

png_voidp LimitedAlloc(png_structp, png_alloc_size_t size)
{
    if (size > MAXALLOCATION)
        return NULL;
    NoteRequest(size);
    return malloc(size);
}

void Release(png_structp, png_voidp block)
{
    free(block);
}

[[noreturn]] void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

struct Reading {
    // The bytes come from the whole file in memory or through a stream.
    const FileData *file = nullptr;
    size_t position = 0;
    FileStream *stream = nullptr;
    uint64_t filesize = 0;
    Format *format = nullptr;
    DibBuilder *dib = nullptr; // NULL when only the format is wanted
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_bytep *rows = nullptr;
    uint8_t *scratch = nullptr;
    bool twobits = false; // 2-bit rows to spread into 4-bit ones
};

void ReadData(png_structp png, png_bytep out, png_size_t count)
{
    auto *r = (Reading *)png_get_io_ptr(png);
    if (!r->stream) {
        if (count > r->file->size - r->position)
            png_error(png, "truncated");
        memcpy(out, r->file->data + r->position, count);
        r->position += count;
        return;
    }
    if (r->stream->Read(out, count) != count)
        png_error(png, "truncated");
}

bool DecodePng(Reading *r)
{
    png_structp png = r->png;
    png_infop info = r->info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, r, ReadData);
    png_set_user_limits(png, MAXDIMENSION, MAXDIMENSION);
    png_set_chunk_malloc_max(png, MAXCHUNKBYTES);
    png_set_chunk_cache_max(png, MAXCACHEDCHUNKS);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, NULL, 0);
    png_read_info(png, info);

    png_uint_32 width, height;
    int depth, type, interlace;
    png_get_IHDR(png, info, &width, &height, &depth, &type, &interlace, NULL, NULL);
    Format &f = *r->format;
    f.width = width;
    f.height = height;
    const uint64_t stored = (uint64_t(png_get_rowbytes(png, info)) + 1) * height;
    if (type == PNG_COLOR_TYPE_PALETTE || type == PNG_COLOR_TYPE_GRAY) {
        if (depth == 16)
            png_set_strip_16(png);
        f.bits = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
        r->twobits = depth == 2;
        if (type == PNG_COLOR_TYPE_GRAY) {
            GreyTable(&f, 1u << (depth == 16 ? 8 : depth));
        } else {
            png_colorp palette;
            int count = 0;
            if (!png_get_PLTE(png, info, &palette, &count))
                return false;
            for (int i = 0; i < count && i < (1 << f.bits); i++)
                f.table[i] = RGBQUAD{palette[i].blue, palette[i].green, palette[i].red, 0};
        }
    } else {
        png_set_strip_16(png);
        png_set_bgr(png);
        if (type == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        f.bits = type & PNG_COLOR_MASK_ALPHA ? 32 : 24;
    }
    if (!r->dib)
        return true;

    // A picture whose rows its file cannot hold is refused before its DIB
    // takes memory.
    if (!CanHold(r->filesize, stored, MAXEXPANSION) || !r->dib->Create(f))
        return false;
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) > r->dib->rowbytes)
        return false;
    r->rows = (png_bytep *)malloc(height * sizeof(png_bytep));
    if (!r->rows || (r->twobits && !(r->scratch = (uint8_t *)malloc(width))))
        return false;
    for (png_uint_32 y = 0; y < height; y++)
        r->rows[y] = r->dib->Row(y);
    png_read_image(png, r->rows);
    if (r->twobits)
        for (png_uint_32 y = 0; y < height; y++) {
            uint8_t *row = r->rows[y];
            for (png_uint_32 x = 0; x < width; x++)
                r->scratch[x] = uint8_t(GetIndex(row, x, 2));
            PackIndices(r->scratch, width, 4, row);
        }
    return true;
}

// A file whose head `file` holds (all of it or its signature at least),
// read from memory or through the stream.
bool Decode(const FileData &file, FileStream *stream, Format *format, DibBuilder *dib)
{
    if (file.size < 8 || png_sig_cmp(file.data, 0, 8))
        return false;
    Reading r;
    r.file = &file;
    r.stream = stream;
    r.filesize = file.filesize;
    r.format = format;
    r.dib = dib;
    r.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &r, OnError, OnWarning, NULL, LimitedAlloc, Release);
    if (!r.png)
        return false;
    r.info = png_create_info_struct(r.png);
    bool ok = r.info && DecodePng(&r);
    png_destroy_read_struct(&r.png, &r.info, NULL);
    free(r.rows);
    free(r.scratch);
    return ok;
}

bool Decode(const FileData &file, Format *format, DibBuilder *dib)
{
    return Decode(file, nullptr, format, dib);
}

struct Writing {
    const DibView *view = nullptr;
    OutBuffer *out = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

void WriteData(png_structp png, png_bytep bytes, png_size_t count)
{
    auto *w = (Writing *)png_get_io_ptr(png);
    if (!w->out->Append(bytes, count))
        png_error(png, "out of memory");
}

void FlushData(png_structp) {}

bool EncodePng(Writing *w)
{
    png_structp png = w->png;
    png_infop info = w->info;
    const DibView &v = *w->view;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, w, WriteData, FlushData);
    bool alpha = v.HasAlpha();
    int type = v.bits <= 8 ? PNG_COLOR_TYPE_PALETTE : alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, v.width, v.height, v.bits <= 8 ? v.bits : 8, type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (v.bits <= 8) {
        png_color palette[256];
        for (unsigned i = 0; i < (1u << v.bits); i++)
            palette[i] = png_color{v.table[i].rgbRed, v.table[i].rgbGreen, v.table[i].rgbBlue};
        png_set_PLTE(png, info, palette, 1 << v.bits);
    }
    png_write_info(png, info);
    if (v.bits > 8)
        png_set_bgr(png);
    if (v.bits == 32 && !alpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (uint32_t y = 0; y < v.height; y++)
        png_write_row(png, (png_bytep)v.Row(y));
    png_write_end(png, info);
    return true;
}

bool Encode(const DibView &v, OutBuffer &out)
{
    Writing w;
    w.view = &v;
    w.out = &out;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w, OnError, OnWarning);
    if (!w.png)
        return false;
    w.info = png_create_info_struct(w.png);
    bool ok = w.info && EncodePng(&w);
    png_destroy_write_struct(&w.png, &w.info);
    return ok;
}

} // namespace

HGLOBAL PNGGetFileInformation(char *path)
{
    return ReadInformation(path, Decode, INFOHEAD);
}

HGLOBAL PNGReadGraphicFile(char *path)
{
    return ReadStreamed(path, Decode, 8);
}

short PNGWriteGraphicFile(char *path, HGLOBAL dib)
{
    return WriteEncoded(path, dib, Encode);
}
