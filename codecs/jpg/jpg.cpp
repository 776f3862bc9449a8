// JPEG files through libjpeg-turbo: grey pictures read as 8-bit DIBs with a
// grey table, everything else as 24 bits (CMYK converted). Writing takes the
// quality from a "/Q:<n>" suffix on the path; palette pictures are written as
// grey when their table holds only greys, else as colour.
//
// libjpeg reports errors by longjmp: the functions that call setjmp keep
// everything that must survive the jump in a record owned by their caller,
// and have no objects with destructors of their own.
#include "codecs/codecs.h"
#include "codecs/shared/kpxshared.h"
#include <csetjmp>
#include <cstdio> // before jpeglib.h, which uses FILE
#include <cstring>
#include <jpeglib.h>

using namespace kpx;

namespace {

// What the information entry point reads first.
constexpr size_t INFOHEAD = 64u << 10;

constexpr unsigned DEFAULTQUALITY = 75;
// Each scan of a progressive file passes over the whole picture again; no
// honest file needs more than a few dozen.
constexpr int MAXSCANS = 256;
// A file pays for passes over its picture with its bytes: each byte for this
// many pixels passed over, and every file for a few whole passes (a standard
// progressive file takes ten).
constexpr uint64_t PASSEDPIXELSPERBYTE = 4096;
constexpr int MINSCANS = 16;
// Huffman coding spends at least a bit on each block of 8 x 8 pixels of the
// first component, in every file; arithmetic coding of a flat picture about
// a fiftieth of that.
constexpr uint64_t HUFFMANPIXELSPERBYTE = 8 * 64, ARITHMETICPIXELSPERBYTE = 64 * HUFFMANPIXELSPERBYTE;

struct Failure {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr c)
{
    longjmp(((Failure *)c->err)->jump, 1);
}

void OnMessage(j_common_ptr) {}

// The error manager that jumps back instead of ending the process and keeps
// libjpeg's warnings to itself.
jpeg_error_mgr *Quiet(Failure *failure)
{
    jpeg_std_error(&failure->manager);
    failure->manager.error_exit = OnError;
    failure->manager.output_message = OnMessage;
    return &failure->manager;
}

// The progress monitor with the scans this file may take.
struct Progress {
    jpeg_progress_mgr manager;
    int scans;
};

void OnProgress(j_common_ptr c)
{
    if (c->is_decompressor && ((j_decompress_ptr)c)->input_scan_number > ((Progress *)c->progress)->scans)
        OnError(c);
}

struct Reading {
    const FileData *file = nullptr;
    Format *format = nullptr;
    DibBuilder *dib = nullptr; // NULL when only the format is wanted
    jpeg_decompress_struct cinfo{};
    Failure failure{};
    Progress progress{};
};

bool DecodeJpeg(Reading *r)
{
    j_decompress_ptr c = &r->cinfo;
    c->err = Quiet(&r->failure);
    if (setjmp(r->failure.jump))
        return false;
    jpeg_create_decompress(c);
    // Progressive files keep every coefficient of the picture in memory;
    // beyond this libjpeg gives up cleanly instead of exhausting the process.
    c->mem->max_memory_to_use = MAXDIBBYTES;
    r->progress.manager.progress_monitor = OnProgress;
    r->progress.scans = MAXSCANS;
    c->progress = &r->progress.manager;
    jpeg_mem_src(c, r->file->data, (unsigned long)r->file->size);
    if (jpeg_read_header(c, TRUE) != JPEG_HEADER_OK)
        return false;
    Format &f = *r->format;
    f.width = c->image_width;
    f.height = c->image_height;
    bool cmyk = c->jpeg_color_space == JCS_CMYK || c->jpeg_color_space == JCS_YCCK;
    if (c->jpeg_color_space == JCS_GRAYSCALE) {
        c->out_color_space = JCS_GRAYSCALE;
        f.bits = 8;
        GreyTable(&f);
    } else {
        c->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
        f.bits = 24;
    }
    if (!r->dib)
        return true;

    // A picture larger than its file can code is refused before the picture
    // and, for progressive files, every coefficient of it take memory.
    uint64_t perbyte = c->arith_code ? ARITHMETICPIXELSPERBYTE : HUFFMANPIXELSPERBYTE;
    uint64_t pixels = uint64_t(f.width) * f.height;
    if (!CanHold(r->file->filesize, pixels, perbyte))
        return false;
    if (!r->dib->Create(f))
        return false;
    uint64_t paid = r->file->filesize * PASSEDPIXELSPERBYTE / pixels;
    r->progress.scans = int(paid < MINSCANS ? MINSCANS : paid > MAXSCANS ? MAXSCANS : paid);
    // The picture and what libjpeg keeps of it share one bound.
    uint64_t dibbytes = uint64_t(r->dib->rowbytes) * f.height;
    c->mem->max_memory_to_use = long(dibbytes < MAXDIBBYTES ? MAXDIBBYTES - dibbytes : 1);
    jpeg_start_decompress(c);
    if (c->output_width != f.width || c->output_height != f.height ||
        c->output_components != (f.bits == 8 ? 1 : cmyk ? 4 : 3))
        return false;
    JSAMPARRAY scratch = cmyk ? (*c->mem->alloc_sarray)((j_common_ptr)c, JPOOL_IMAGE, f.width * 4, 1) : NULL;
    // Adobe's files store CMYK inverted.
    bool inverted = c->saw_Adobe_marker;
    while (c->output_scanline < c->output_height) {
        JDIMENSION y = c->output_scanline;
        JSAMPROW row = cmyk ? scratch[0] : r->dib->Row(y);
        if (jpeg_read_scanlines(c, &row, 1) != 1)
            return false;
        if (cmyk) {
            uint8_t *out = r->dib->Row(y);
            // Each channel is the light left by its ink and by the black.
            for (uint32_t x = 0; x < f.width; x++, row += 4, out += 3) {
                unsigned keylight = inverted ? row[3] : 255 - row[3];
                for (int i = 0; i < 3; i++) {
                    unsigned light = inverted ? row[2 - i] : 255 - row[2 - i];
                    out[i] = uint8_t((light * keylight + 127) / 255);
                }
            }
        }
    }
    return true;
}

bool Decode(const FileData &file, Format *format, DibBuilder *dib)
{
    Reading r;
    r.file = &file;
    r.format = format;
    r.dib = dib;
    bool ok = DecodeJpeg(&r);
    jpeg_destroy_decompress(&r.cinfo);
    return ok;
}

// Takes a trailing "/Q:<digits>" off the path and returns the quality it
// names, clamped to 1..100; the default quality when there is none.
unsigned TakeQuality(char *path)
{
    char *suffix = strrchr(path, '/');
    if (!suffix || suffix[1] != 'Q' || suffix[2] != ':' || !suffix[3])
        return DEFAULTQUALITY;
    unsigned quality = 0;
    for (const char *d = suffix + 3; *d; d++) {
        if (*d < '0' || *d > '9')
            return DEFAULTQUALITY;
        quality = quality > 1000 ? quality : quality * 10 + unsigned(*d - '0');
    }
    *suffix = 0;
    return quality < 1 ? 1 : quality > 100 ? 100 : quality;
}

// Compressed bytes go through a small chunk into an OutBuffer that belongs
// to the caller, so nothing leaks or dangles when libjpeg gives up midway.
struct Destination {
    jpeg_destination_mgr manager;
    OutBuffer *out;
    JOCTET chunk[16384];
};

void StartOutput(j_compress_ptr c)
{
    auto *d = (Destination *)c->dest;
    d->manager.next_output_byte = d->chunk;
    d->manager.free_in_buffer = sizeof d->chunk;
}

boolean FlushChunk(j_compress_ptr c)
{
    auto *d = (Destination *)c->dest;
    if (!d->out->Append(d->chunk, sizeof d->chunk))
        OnError((j_common_ptr)c);
    StartOutput(c);
    return TRUE;
}

void EndOutput(j_compress_ptr c)
{
    auto *d = (Destination *)c->dest;
    if (!d->out->Append(d->chunk, sizeof d->chunk - d->manager.free_in_buffer))
        OnError((j_common_ptr)c);
}

struct Writing {
    const DibView *view = nullptr;
    unsigned quality = DEFAULTQUALITY;
    jpeg_compress_struct cinfo{};
    Failure failure{};
    Destination destination{};
};

bool EncodeJpeg(Writing *w)
{
    const DibView &v = *w->view;
    j_compress_ptr c = &w->cinfo;
    c->err = Quiet(&w->failure);
    if (setjmp(w->failure.jump))
        return false;
    jpeg_create_compress(c);
    w->destination.manager.init_destination = StartOutput;
    w->destination.manager.empty_output_buffer = FlushChunk;
    w->destination.manager.term_destination = EndOutput;
    c->dest = &w->destination.manager;
    bool grey = v.bits <= 8 && v.IsGrey();
    c->image_width = v.width;
    c->image_height = v.height;
    if (grey) {
        c->input_components = 1;
        c->in_color_space = JCS_GRAYSCALE;
    } else if (v.bits == 32) {
        c->input_components = 4;
        c->in_color_space = JCS_EXT_BGRX;
    } else {
        c->input_components = 3;
        c->in_color_space = JCS_EXT_BGR;
    }
    jpeg_set_defaults(c);
    jpeg_set_quality(c, int(w->quality), TRUE);
    JSAMPARRAY scratch = (*c->mem->alloc_sarray)((j_common_ptr)c, JPOOL_PERMANENT, v.width * 3, 1);
    jpeg_start_compress(c, TRUE);
    for (uint32_t y = 0; y < v.height; y++) {
        JSAMPROW row = scratch[0];
        if (grey) {
            UnpackIndices(v.Row(y), v.width, v.bits, row);
            for (uint32_t x = 0; x < v.width; x++)
                row[x] = v.table[row[x]].rgbRed;
        } else if (v.bits <= 8) {
            v.RowToBGR(y, row);
        } else {
            row = (JSAMPROW)v.Row(y);
        }
        jpeg_write_scanlines(c, &row, 1);
    }
    jpeg_finish_compress(c);
    return true;
}

bool Encode(const DibView &v, OutBuffer &out, unsigned quality)
{
    Writing w;
    w.view = &v;
    w.quality = quality;
    w.destination.out = &out;
    bool ok = EncodeJpeg(&w);
    jpeg_destroy_compress(&w.cinfo);
    return ok;
}

} // namespace

HGLOBAL JPGGetFileInformation(char *path)
{
    return ReadInformation(path, Decode, INFOHEAD);
}

HGLOBAL JPGReadGraphicFile(char *path)
{
    return ReadPicture(path, Decode);
}

short JPGWriteGraphicFile(char *path, HGLOBAL dib)
{
    char target[MAX_PATH];
    if (!path || strnlen(path, MAX_PATH) >= MAX_PATH)
        return 0;
    strcpy(target, path);
    unsigned quality = TakeQuality(target);
    return WriteEncoded(target, dib, [quality](const DibView &v, OutBuffer &out) { return Encode(v, out, quality); });
}
