#include "media/imageformat.h"
#include "codecs/codecs.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/shell.h"
#include "codecs/shared/kpxshared.h"
#include "media/avicheck.h"
#include "media/dib.h"
#include "media/reduce.h"
#include <vfw.h>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

const IMAGEPROC imageproc[IMAGETYPES] = {
    {JPGGetFileInformation, JPGReadGraphicFile, JPGWriteGraphicFile, "jpg"},
    {BMPGetFileInformation, BMPReadGraphicFile, BMPWriteGraphicFile, "bmp"},
    {GIFGetFileInformation, GIFReadGraphicFile, GIFWriteGraphicFile, "gif"},
    {PCXGetFileInformation, PCXReadGraphicFile, PCXWriteGraphicFile, "pcx"},
    {TGAGetFileInformation, TGAReadGraphicFile, TGAWriteGraphicFile, "tga"},
    {PNGGetFileInformation, PNGReadGraphicFile, PNGWriteGraphicFile, "png"},
    {AVIGetFileInformation, AVIReadGraphicFile, NULL, "avi"},
};

namespace {

constexpr int JPEGFORMAT = 0, GIFFORMAT = 2, AVIFORMAT = 6;
// The quality suffix needs room for "/Q:" and the digits.
constexpr size_t QUALITYROOM = 8;
// The longest header a video frame has in practice is the 124-byte
// BITMAPV5HEADER; anything far beyond it is damage.
constexpr DWORD MAXFRAMEHEADER = 1024;

} // namespace

bool CopyPath(char (&out)[MAX_PATH], const char *path)
{
    out[0] = 0;
    if (!path || strnlen(path, MAX_PATH) >= MAX_PATH)
        return false;
    strcpy(out, path);
    return true;
}

int FindImageFormat(const char *path)
{
    if (!path)
        return -1;
    const char *dot = strrchr(COMMONFileNamePart(path), '.');
    if (!dot)
        return -1;
    for (int i = 0; i < IMAGETYPES; ++i)
        if (!_stricmp(dot + 1, imageproc[i].extension))
            return i;
    return -1;
}

int GetFormatExtension(char *out, unsigned index, unsigned)
{
    if (index >= (unsigned)IMAGETYPES)
        return -1;
    strcpy(out, imageproc[index].extension);
    return IMAGETYPES;
}

int GetFormatName(char *out, unsigned index, unsigned)
{
    if (index >= (unsigned)IMAGETYPES)
        return -1;
    snprintf(out, sizeof "jpg files", "%s files", imageproc[index].extension);
    return IMAGETYPES;
}

int GetImageTypeCount()
{
    return IMAGETYPES;
}

int GetImageInfo(const char *path, int *width, int *height, int *bits, char *rgb)
{
    char copy[MAX_PATH];
    if (!CopyPath(copy, path))
        return 0;
    int format = FindImageFormat(copy);
    if (format < 0)
        return 0;
    HGLOBAL info = imageproc[format].GetFileInformation(copy);
    if (!info)
        return 0;
    int ok = 0;
    {
        GlobalLocked<BITMAPINFOHEADER> header(info);
        const SIZE_T size = header.size();
        if (size >= sizeof(BITMAPINFOHEADER) && header->biSize >= sizeof(BITMAPINFOHEADER) &&
            header->biSize <= size) {
            ok = 1;
            if (width)
                *width = header->biWidth;
            if (height)
                *height = header->biHeight;
            if (bits)
                *bits = header->biBitCount;
            const int depth = header->biBitCount;
            if (rgb && depth >= 1 && depth <= 8) {
                if (size - header->biSize >= (4u << depth))
                    GetDibPalette((const BITMAPINFO *)header.get(), rgb);
                else
                    memset(rgb, 0, PALETTEBYTES);
            }
        }
    }
    GlobalFree(info);
    return ok;
}

HGLOBAL LoadImageA(HANDLE, const char *path, HWND status, unsigned short *bits)
{
    if (status)
        SetWindowTextA(status, "");
    char copy[MAX_PATH];
    if (!CopyPath(copy, path))
        return NULL;
    int format = FindImageFormat(copy);
    if (format < 0)
        return NULL;
    HGLOBAL dib = imageproc[format].ReadGraphicFile(copy);
    if (!dib)
        return NULL;
    int depth;
    // A movie's information is its first frame, just read: not read again.
    if (bits && format == AVIFORMAT) {
        GlobalLocked<BITMAPINFOHEADER> header(dib);
        if (header)
            *bits = header->biBitCount;
    } else if (bits && GetImageInfo(copy, NULL, NULL, &depth, NULL)) {
        *bits = (unsigned short)depth;
    }
    if (status)
        SetWindowTextA(status, copy);
    return dib;
}

int WriteImage(const char *path, HGLOBAL dib)
{
    char copy[MAX_PATH];
    if (!CopyPath(copy, path))
        return 0;
    int format = FindImageFormat(copy);
    if (format < 0 || !imageproc[format].WriteGraphicFile)
        return 0;
    size_t length = strlen(copy);
    // The writer takes quality 1 to 100; a larger setting means the best.
    if (format == JPEGFORMAT && length + QUALITYROOM < MAX_PATH)
        snprintf(copy + length, MAX_PATH - length, "/Q:%u", std::min(JPEGQualityFactor, 100u));
    // GIF holds at most 8 bits: deeper pictures are dithered to the 3-3-2
    // palette first, as palette displays show them.
    GlobalBlock reduced;
    if (format == GIFFORMAT) {
        GlobalLocked<BITMAPINFOHEADER> header(dib);
        if (header && header.size() >= sizeof(BITMAPINFOHEADER) && header->biBitCount > 8) {
            header.Unlock();
            char rgb[PALETTEBYTES];
            int bits;
            GetDefaultPalette(rgb, &bits, 6);
            reduced.Reset(DitherDib(dib, rgb, 8, 0));
            if (!reduced)
                return 0;
            dib = reduced.get();
        }
    }
    return imageproc[format].WriteGraphicFile(copy, dib) ? 1 : 0;
}

namespace {

// What the copy needs of a picture's header once it is checked.
struct PICTURESHAPE {
    int width = 0, height = 0, bits = 0;
    bool topdown = false;
    uint32_t entries = 0;
    uint64_t rowbytes = 0, pixeloffset = 0;
};

// Checks a video frame as the platform hands it over: the pixels it promises
// are read only when the header describes an ordinary uncompressed picture
// within the loaders' limits whose rows lie inside the `pixelbytes` it really
// has behind its header and colour table.
int CheckPicture(const BITMAPINFOHEADER *dib, size_t pixelbytes, PICTURESHAPE *out)
{
    const int bits = dib->biBitCount;
    if (dib->biSize < sizeof(BITMAPINFOHEADER) || dib->biSize > MAXFRAMEHEADER)
        return PICTURE_DAMAGED;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return PICTURE_DAMAGED;
    if (dib->biCompression != BI_RGB)
        return PICTURE_COMPRESSED;
    uint32_t entries = dib->biClrUsed;
    if (bits <= 8 ? entries > (1u << bits) : entries > 256)
        return PICTURE_DAMAGED;
    if (bits <= 8 && !entries)
        entries = 1u << bits;
    if (dib->biWidth <= 0 || dib->biHeight == 0 || dib->biHeight == INT_MIN)
        return PICTURE_DAMAGED;
    const int width = dib->biWidth, height = std::abs(dib->biHeight);
    if (!kpx::PictureFits((uint32_t)width, (uint32_t)height))
        return PICTURE_TOOLARGE;
    const uint64_t rowbytes = ((uint64_t)bits * (uint64_t)width + 31) / 32 * 4;
    const uint64_t outrow = ((uint64_t)(bits == 16 || bits == 32 ? 24 : bits) * (uint64_t)width + 31) / 32 * 4;
    const uint64_t pixeloffset = (uint64_t)dib->biSize + 4ull * entries;
    if (outrow * (uint64_t)height > kpx::MAXDIBBYTES)
        return PICTURE_TOOLARGE;
    if (rowbytes * (uint64_t)height > pixelbytes)
        return PICTURE_DAMAGED;
    out->width = width;
    out->height = height;
    out->bits = bits;
    out->topdown = dib->biHeight < 0;
    out->entries = entries;
    out->rowbytes = rowbytes;
    out->pixeloffset = pixeloffset;
    return PICTURE_TAKEN;
}

// A checked picture as a DIB of the system's own kind: bottom-up, its whole
// colour table, 16- and 32-bit pixels as 24-bit ones.
HGLOBAL CopyPicture(const BITMAPINFOHEADER *dib, const PICTURESHAPE &shape)
{
    const int bits = shape.bits, width = shape.width, height = shape.height;
    // Colours past the picture's own count stay black rather than being read
    // from its pixels.
    char rgb[PALETTEBYTES] = {};
    const auto *table = (const RGBQUAD *)((const uint8_t *)dib + dib->biSize);
    for (uint32_t i = 0; bits <= 8 && i < shape.entries; ++i) {
        rgb[3 * i] = (char)table[i].rgbRed;
        rgb[3 * i + 1] = (char)table[i].rgbGreen;
        rgb[3 * i + 2] = (char)table[i].rgbBlue;
    }
    NewDib out(CreateDib(width, height, rgb, bits == 16 || bits == 32 ? 24 : bits));
    if (!out.ok())
        return NULL;
    const auto *pixels = (const char *)dib + shape.pixeloffset;
    for (int s = 0; s < height; ++s) {
        const char *in = pixels + (uint64_t)(shape.topdown ? height - 1 - s : s) * shape.rowbytes;
        char *o = (char *)out.StoredRow(s);
        if (bits == 16)
            AVISwabRGB16Line(o, in, (unsigned)width);
        else if (bits == 32)
            AVISwabRGB32Line(o, in, (unsigned)width);
        else
            memcpy(o, in, (size_t)shape.rowbytes);
    }
    return out.Release();
}

} // namespace

HGLOBAL AVIFrameToDib(const BITMAPINFOHEADER *frame, size_t pixelbytes)
{
    PICTURESHAPE shape;
    if (!frame || CheckPicture(frame, pixelbytes, &shape) != PICTURE_TAKEN)
        return NULL;
    return CopyPicture(frame, shape);
}

HGLOBAL HandedDibToDib(const BITMAPINFOHEADER *dib, size_t length, int *fault)
{
    SetLastError(0);
    HGLOBAL copy = dib ? BMPReadPackedDib(dib, length) : NULL;
    int why = PICTURE_TAKEN;
    if (!copy) {
        const DWORD error = GetLastError();
        const bool compressed = length >= sizeof(BITMAPINFOHEADER) && dib->biSize >= sizeof(BITMAPINFOHEADER) &&
                                (dib->biCompression == BI_JPEG || dib->biCompression == BI_PNG);
        why = error == KPXERROR_TOOLARGE          ? PICTURE_TOOLARGE
              : error == ERROR_NOT_ENOUGH_MEMORY ? PICTURE_NOMEMORY
              : compressed                       ? PICTURE_COMPRESSED
                                                 : PICTURE_DAMAGED;
    }
    if (fault)
        *fault = why;
    return copy;
}

namespace {

// The AVI library names each stream after the file in a field of 64
// characters, past whose end a long name runs: such a file is opened by its
// short name, or not at all.
constexpr size_t MAXAVINAME = 40;

bool LibraryPath(const char *path, char (&out)[MAX_PATH])
{
    auto name = [](const char *p) { return strlen(COMMONFileNamePart(p)); };
    if (!CopyPath(out, path))
        return false;
    if (name(out) <= MAXAVINAME)
        return true;
    DWORD n = GetShortPathNameA(path, out, MAX_PATH);
    return n > 0 && n < MAX_PATH && name(out) <= MAXAVINAME;
}

} // namespace

HGLOBAL AVIReadGraphicFile(char *path)
{
    // The platform's library trusts what it reads: it sees only files whose
    // structure adds up.
    AVIFIRSTVIDEO video;
    char opened[MAX_PATH];
    if (!path || !CheckAviFile(path, &video) || !LibraryPath(path, opened))
        return NULL;
    AVIFileInit();
    PAVIFILE file = NULL;
    PAVISTREAM stream = NULL;
    PGETFRAME frames = NULL;
    HGLOBAL result = NULL;
    if (AVIFileOpenA(&file, opened, OF_READ, NULL) == 0 &&
        AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == 0 &&
        (frames = AVIStreamGetFrameOpen(stream, NULL)) != NULL) {
        auto *frame = (const BITMAPINFOHEADER *)AVIStreamGetFrame(frames, 0);
        // An uncompressed frame is its stream's format and the bytes of its
        // chunk; a decompressed one is as large as the decompressor made it
        // for the format it reports.
        if (frame)
            result = AVIFrameToDib(frame, video.format.biCompression == BI_RGB ? video.frame : SIZE_MAX);
    }
    if (frames)
        AVIStreamGetFrameClose(frames);
    if (stream)
        AVIStreamRelease(stream);
    if (file)
        AVIFileRelease(file);
    AVIFileExit();
    return result;
}

HGLOBAL AVIGetFileInformation(char *path)
{
    return AVIReadGraphicFile(path);
}

void AVISwabRGB16Line(char *out, const char *in, unsigned count)
{
    const auto *s = (const uint8_t *)in;
    auto *o = (uint8_t *)out;
    for (unsigned i = 0; i < count; ++i, s += 2, o += 3) {
        unsigned v = s[0] | (s[1] << 8);
        o[0] = (uint8_t)((v & 0x1F) << 3);
        o[1] = (uint8_t)(((v >> 5) & 0x1F) << 3);
        o[2] = (uint8_t)(((v >> 10) & 0x1F) << 3);
    }
}

void AVISwabRGB32Line(char *out, const char *in, unsigned count)
{
    for (unsigned i = 0; i < count; ++i, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
    }
}
