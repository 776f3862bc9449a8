#include "media/pngload.h"
#include "common/msgdlg.h"
#include "common/shell.h"
#include "common/strings.h"
#include "codecs/codecs.h"
#include "codecs/shared/kpxshared.h"
#include "media/dib.h"
#include "resources/pngmng_ids.h"
#include <zlib.h>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <io.h>
#include <memory>

namespace {

constexpr uint8_t PNGSIGNATURE[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// Ancillary chunks that libpng keeps in memory (text, profiles) stay small.
constexpr png_alloc_size_t PNGCHUNKMAX = 4u << 20;
constexpr uint32_t PNGMAXLENGTH = 0x7FFFFFFF;
constexpr uint32_t CRCPIECE = 4096;
// libpng only warns about a chunk beyond its limit and then asks for the
// memory anyway: no allocation of its may be larger than a kept chunk.
constexpr png_alloc_size_t PNGMAXALLOCATION = PNGCHUNKMAX + (64u << 10);
// Deflate makes at most 1032 bytes of one.
constexpr uint64_t PNGMAXEXPANSION = 1032;

png_voidp PNGCBAPI LimitedAlloc(png_structp, png_alloc_size_t size)
{
    if (size > PNGMAXALLOCATION)
        return NULL;
    kpx::NoteRequest(size);
    return malloc(size);
}

void PNGCBAPI Release(png_structp, png_voidp block)
{
    free(block);
}

struct FileCloser {
    void operator()(FILE *fp) const { fclose(fp); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

void PNGCBAPI SilentError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void PNGCBAPI IgnoreWarning(png_structp, png_const_charp) {}

bool ReadLong(FILE *fp, uint32_t *value)
{
    uint8_t b[4];
    if (fread(b, 1, 4, fp) != 4)
        return false;
    *value = (uint32_t)b[0] << 24 | (uint32_t)b[1] << 16 | (uint32_t)b[2] << 8 | b[3];
    return true;
}

// The grey levels of a grey picture of `bitdepth` bits per sample, as its
// samples stand in the DIB (16-bit samples keep their high byte).
void GreyRamp(char *rgb, int bitdepth)
{
    memset(rgb, 0, PALETTEBYTES);
    int levels = 1 << (bitdepth < 8 ? bitdepth : 8);
    for (int i = 0; i < levels; ++i)
        memset(rgb + 3 * i, i * 255 / (levels - 1), 3);
}

// The libpng part of DecodePngImage. libpng leaves through longjmp, so only
// plain locals live here, volatile where they change after setjmp.
PNGDECODE ReadImage(png_structp png, png_infop info, FILE *fp, bool signature, const char *palette,
                    PNGIMAGE *out)
{
    HGLOBAL volatile dib = NULL;
    uint8_t *volatile bytes = NULL;
    if (setjmp(png_jmpbuf(png))) {
        if (bytes)
            GlobalUnlock(dib);
        if (dib)
            GlobalFree(dib);
        return PNGDECODE_ERROR;
    }
    png_set_user_limits(png, kpx::MAXDIMENSION, kpx::MAXDIMENSION);
    png_set_chunk_malloc_max(png, PNGCHUNKMAX);
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_init_io(png, fp);
    if (signature)
        png_read_info(png, info);
    else
        png_read_info_local(png, info);

    png_uint_32 width = 0, height = 0;
    int bitdepth = 0, colourtype = 0;
    png_get_IHDR(png, info, &width, &height, &bitdepth, &colourtype, NULL, NULL, NULL);
    if (!kpx::PictureFits(width, height)) {
        SetLastError(KPXERROR_TOOLARGE);
        return PNGDECODE_MEMORY;
    }
    // Rows the file cannot hold are refused before the picture takes memory.
    long filesize = PngFileSize(fp);
    if (filesize < 0 || !kpx::CanHold((uint64_t)filesize, (png_get_rowbytes(png, info) + 1ull) * height, PNGMAXEXPANSION))
        return PNGDECODE_ERROR;
    if (bitdepth == 16)
        png_set_strip_16(png);
    // Grey with alpha is drawn like RGBA: blue, green, red, alpha.
    if (colourtype == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (colourtype == PNG_COLOR_TYPE_RGB || colourtype == PNG_COLOR_TYPE_RGB_ALPHA ||
        colourtype == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_bgr(png);
    if (bitdepth == 2)
        png_set_packing(png);
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    int depth = png_get_bit_depth(png, info) * png_get_channels(png, info);
    if (AdjustDIBits((unsigned)depth) != depth)
        return PNGDECODE_ERROR;
    char rgb[PALETTEBYTES] = {};
    if (colourtype == PNG_COLOR_TYPE_GRAY)
        GreyRamp(rgb, bitdepth);
    else if (palette)
        memcpy(rgb, palette, PALETTEBYTES);
    DIBLAYOUT layout;
    if (!DibLayout((int)width, (int)height, depth, sizeof(BITMAPINFOHEADER), &layout) ||
        (uint64_t)layout.rowbytes * height > kpx::MAXDIBBYTES)
        return PNGDECODE_MEMORY;
    // A row libpng would write past the DIB's row is refused before any is read.
    if (png_get_rowbytes(png, info) > layout.rowbytes)
        return PNGDECODE_ERROR;
    kpx::NoteRequest(layout.pixeloffset + (uint64_t)layout.rowbytes * height);
    dib = CreateDib((int)width, (int)height, rgb, depth);
    if (!dib)
        return PNGDECODE_MEMORY;
    bytes = (uint8_t *)GlobalLock(dib);
    if (!bytes) {
        GlobalFree(dib);
        return PNGDECODE_MEMORY;
    }
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, bytes + layout.pixeloffset + (height - 1 - y) * layout.rowbytes, NULL);
    png_read_end(png, NULL);

    GlobalUnlock(dib);
    out->dib = dib;
    out->colourtype = colourtype;
    out->bitdepth = bitdepth;
    return PNGDECODE_OK;
}

} // namespace

unsigned long GetLong(FILE *fp)
{
    uint32_t value;
    return ReadLong(fp, &value) ? value : 0xFFFFFFFFul;
}

void png_read_info_local(png_structp png, png_infop info)
{
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
}

long PngFileSize(FILE *fp)
{
    long long size = _filelengthi64(_fileno(fp));
    return size < 0 || size > PNGMAXLENGTH ? -1 : (long)size;
}

bool ReadChunkHead(FILE *fp, long filesize, PNGCHUNK *chunk)
{
    chunk->length = (uint32_t)GetLong(fp);
    chunk->type = (uint32_t)GetLong(fp);
    long data = ftell(fp);
    if (chunk->length > PNGMAXLENGTH || data < 0)
        return false;
    // 64 bits: a 32-bit end could wrap back before the chunk and loop for ever.
    int64_t next = (int64_t)data + chunk->length + 4;
    if (next > filesize)
        return false;
    chunk->data = data;
    chunk->next = (long)next;
    return true;
}

bool ReadChunkData(FILE *fp, const PNGCHUNK &chunk, void *kept, uint32_t keep, bool *match)
{
    if (fseek(fp, chunk.data, SEEK_SET))
        return false;
    uint8_t type[4] = {(uint8_t)(chunk.type >> 24), (uint8_t)(chunk.type >> 16), (uint8_t)(chunk.type >> 8),
                       (uint8_t)chunk.type};
    uLong crc = crc32(0, type, 4);
    uint8_t piece[CRCPIECE];
    for (uint32_t done = 0; done < chunk.length;) {
        uint32_t n = chunk.length - done < CRCPIECE ? chunk.length - done : CRCPIECE;
        if (fread(piece, 1, n, fp) != n)
            return false;
        crc = crc32(crc, piece, n);
        if (done < keep)
            memcpy((uint8_t *)kept + done, piece, keep - done < n ? keep - done : n);
        done += n;
    }
    uint32_t stored;
    if (!ReadLong(fp, &stored))
        return false;
    *match = stored == (uint32_t)crc;
    return true;
}

void WarnBadCrc(HWND hwnd)
{
    DoWarning(hwnd, FetchString(IDS_BADCRC), &WarnBadFileCRC);
}

PNGDECODE DecodePngImage(FILE *fp, bool signature, const char *palette, PNGIMAGE *out)
{
    png_structp png =
        png_create_read_struct_2(PNG_LIBPNG_VER_STRING, NULL, SilentError, IgnoreWarning, NULL, LimitedAlloc, Release);
    if (!png)
        return PNGDECODE_MEMORY;
    png_infop info = png_create_info_struct(png);
    PNGDECODE result = info ? ReadImage(png, info, fp, signature, palette, out) : PNGDECODE_MEMORY;
    png_destroy_read_struct(&png, info ? &info : NULL, NULL);
    return result;
}

bool OtherThanPng(const char *path)
{
    FilePtr file(fopen(path, "rb"));
    uint8_t start[4];
    // A file cut short inside the signature is a damaged PNG.
    return file && memcmp(start, PNGSIGNATURE, fread(start, 1, sizeof start, file.get()));
}

HGLOBAL LoadStaticImage(HWND hwnd, const char *path, int *trnscount, char *trnsdata, int *colourtype)
{
    *trnscount = 0;
    memset(trnsdata, 0, 256);
    FilePtr file(fopen(path, "rb"));
    FILE *fp = file.get();
    if (!fp)
        return NULL;
    long filesize = PngFileSize(fp);
    uint8_t signature[8];
    if (filesize < 0 || fread(signature, 1, 8, fp) != 8 || memcmp(signature, PNGSIGNATURE, 8))
        return NULL;

    PNGCHUNK chunk;
    uint8_t ihdr[13];
    bool match;
    if (!ReadChunkHead(fp, filesize, &chunk) || chunk.length != sizeof ihdr ||
        !ReadChunkData(fp, chunk, ihdr, sizeof ihdr, &match))
        return NULL;
    if (!match)
        WarnBadCrc(hwnd);
    if (chunk.type != ChunkType("IHDR"))
        return NULL;
    *colourtype = ihdr[9];

    char palette[PALETTEBYTES] = {};
    GlobalBlock dib;
    bool decoded = false;
    for (;;) {
        if (fseek(fp, chunk.next, SEEK_SET) || !ReadChunkHead(fp, filesize, &chunk))
            return NULL;
        bool checked = true;
        switch (chunk.type) {
        case ChunkType("PLTE"):
            if (chunk.length > PALETTEBYTES || chunk.length % 3)
                return NULL;
            if (!ReadChunkData(fp, chunk, palette, chunk.length, &match))
                return NULL;
            break;
        case ChunkType("tRNS"):
            *trnscount = chunk.length < 256 ? (int)chunk.length : 256;
            if (!ReadChunkData(fp, chunk, trnsdata, (uint32_t)*trnscount, &match))
                return NULL;
            break;
        case ChunkType("IDAT"):
            if (decoded) {
                checked = false;
                break;
            }
            {
                PNGIMAGE image;
                if (fseek(fp, 0, SEEK_SET) || DecodePngImage(fp, true, palette, &image) != PNGDECODE_OK)
                    return NULL;
                dib.Reset(image.dib);
                decoded = true;
            }
            if (!ReadChunkData(fp, chunk, NULL, 0, &match))
                return NULL;
            break;
        default: // IEND and every other chunk
            if (!ReadChunkData(fp, chunk, NULL, 0, &match))
                return NULL;
            break;
        }
        if (checked && !match)
            WarnBadCrc(hwnd);
        if (chunk.type == ChunkType("IEND")) {
            HGLOBAL result = dib.Release();
            return result;
        }
    }
}
