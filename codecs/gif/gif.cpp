// GIF files through giflib. Reading takes the first image of the file, placed
// on the logical screen filled with the background colour, as a 1-, 4- or
// 8-bit DIB after the size of its colour table. Writing stores one image of 1, 4
// or 8 bits; a deeper picture is refused, its caller reduces it first.
#include "codecs/codecs.h"
#include "codecs/shared/kpxshared.h"
#include <gif_lib.h>
#include <algorithm>
#include <cstring>
#include <vector>

using namespace kpx;

namespace {

// What the information entry point reads first.
constexpr size_t INFOHEAD = 64u << 10;
// A code of at most 12 bits stands for at most 4096 pixels.
constexpr uint64_t PIXELSPERBYTE = 4096 * 8 / 12 + 1;

// The bytes come from the whole file in memory or through a stream.
struct Source {
    const FileData *file;
    size_t position;
    FileStream *stream;
};

int ReadData(GifFileType *gif, GifByteType *out, int count)
{
    auto *s = (Source *)gif->UserData;
    if (s->stream)
        return int(s->stream->Read(out, size_t(count < 0 ? 0 : count)));
    size_t take = std::min(size_t(count < 0 ? 0 : count), s->file->size - s->position);
    memcpy(out, s->file->data + s->position, take);
    s->position += take;
    return int(take);
}

// Reads up to the first image's descriptor and works out the picture; when
// `dib` is given, decodes the image into it as well.
bool DecodeImage(GifFileType *gif, size_t size, Format *f, DibBuilder *dib)
{
    GifRecordType record;
    for (;;) {
        if (DGifGetRecordType(gif, &record) == GIF_ERROR)
            return false;
        if (record == IMAGE_DESC_RECORD_TYPE)
            break;
        if (record != EXTENSION_RECORD_TYPE)
            return false; // ended without an image
        int code;
        GifByteType *block;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
            return false;
        while (block)
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                return false;
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return false;
    const GifImageDesc &image = gif->Image;
    if (image.Width <= 0 || image.Height <= 0 || image.Left < 0 || image.Top < 0)
        return false;
    uint32_t left = image.Left, top = image.Top, width = image.Width, height = image.Height;
    // Screens of no size, too small for the image or beyond the bounds are
    // common enough in the wild: the image then stands alone.
    uint32_t rowbytes, total;
    bool screen = gif->SWidth > 0 && gif->SHeight > 0 && uint64_t(left) + width <= uint64_t(gif->SWidth) &&
                  uint64_t(top) + height <= uint64_t(gif->SHeight) &&
                  DibSizes(uint32_t(gif->SWidth), uint32_t(gif->SHeight), 8, &rowbytes, &total);
    if (screen) {
        f->width = gif->SWidth;
        f->height = gif->SHeight;
    } else {
        f->width = width;
        f->height = height;
        left = top = 0;
    }
    const ColorMapObject *map = image.ColorMap ? image.ColorMap : gif->SColorMap;
    if (map) {
        int count = std::min(map->ColorCount, 256);
        f->bits = IndexBits(unsigned(count));
        for (int i = 0; i < count; i++)
            f->table[i] = RGBQUAD{map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0};
    } else {
        f->bits = 8;
        GreyTable(f);
    }
    if (!dib)
        return true;

    if (!CanHold(size, uint64_t(width) * height, PIXELSPERBYTE) || !dib->Create(*f))
        return false;
    unsigned limit = 1u << f->bits;
    unsigned background = unsigned(gif->SBackGroundColor) < limit ? unsigned(gif->SBackGroundColor) : 0;
    // The screen around the image, in whole rows of bytes: one row made,
    // the others copied from it.
    if (background && (f->width != width || f->height != height)) {
        uint8_t *first = dib->Row(0);
        if (f->bits == 8) {
            memset(first, int(background), f->width);
        } else {
            unsigned byte = f->bits == 4 ? background * 0x11 : background ? 0xFF : 0;
            memset(first, int(byte), dib->rowbytes);
        }
        for (uint32_t y = 1; y < f->height; y++)
            memcpy(dib->Row(y), first, dib->rowbytes);
    }
    std::vector<GifPixelType> line(width);
    for (uint32_t i = 0; i < height; i++) {
        // Interlaced rows come every 8th from 0, every 8th from 4, every
        // 4th from 2, then every 2nd from 1.
        uint32_t y = i;
        if (image.Interlace) {
            uint32_t pass1 = (height + 7) / 8, pass2 = (height + 3) / 8, pass3 = (height + 1) / 4;
            y = i < pass1                   ? i * 8
                : i < pass1 + pass2         ? (i - pass1) * 8 + 4
                : i < pass1 + pass2 + pass3 ? (i - pass1 - pass2) * 4 + 2
                                            : (i - pass1 - pass2 - pass3) * 2 + 1;
        }
        uint8_t *row = dib->Row(top + y);
        // Every index fits 8 bits: the row takes the line as it comes.
        if (f->bits == 8) {
            if (DGifGetLine(gif, row + left, int(width)) == GIF_ERROR)
                return false;
            continue;
        }
        if (DGifGetLine(gif, line.data(), int(width)) == GIF_ERROR)
            return false;
        for (uint32_t x = 0; x < width; x++)
            PutIndex(row, left + x, f->bits, line[x] < limit ? line[x] : 0);
    }
    return true;
}

// A file whose head `file` holds (all of it, or a part when the rest comes
// through the stream).
bool Decode(const FileData &file, FileStream *stream, Format *format, DibBuilder *dib)
{
    Source source{&file, 0, stream};
    int error;
    GifFileType *gif = DGifOpen(&source, ReadData, &error);
    if (!gif)
        return false;
    bool ok = DecodeImage(gif, file.filesize, format, dib);
    DGifCloseFile(gif, &error);
    return ok;
}

bool Decode(const FileData &file, Format *format, DibBuilder *dib)
{
    return Decode(file, nullptr, format, dib);
}

int WriteData(GifFileType *gif, const GifByteType *bytes, int count)
{
    return ((OutBuffer *)gif->UserData)->Append(bytes, size_t(count)) ? count : 0;
}

bool EncodeIndexed(const DibView &v, OutBuffer &out)
{
    if (v.bits > 8)
        return false;
    int error;
    GifFileType *gif = EGifOpen(&out, WriteData, &error);
    if (!gif)
        return false;
    int count = 1 << v.bits;
    std::vector<GifColorType> colours(count);
    for (int i = 0; i < count; i++)
        colours[i] = GifColorType{v.table[i].rgbRed, v.table[i].rgbGreen, v.table[i].rgbBlue};
    ColorMapObject *map = GifMakeMapObject(count, colours.data());
    bool ok = map && EGifPutScreenDesc(gif, int(v.width), int(v.height), int(v.bits), 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, int(v.width), int(v.height), false, NULL) == GIF_OK;
    std::vector<GifPixelType> line(v.width);
    for (uint32_t y = 0; ok && y < v.height; y++) {
        UnpackIndices(v.Row(y), v.width, v.bits, line.data());
        ok = EGifPutLine(gif, line.data(), int(v.width)) == GIF_OK;
    }
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        ok = false;
    GifFreeMapObject(map);
    return ok;
}

} // namespace

HGLOBAL GIFGetFileInformation(char *path)
{
    return ReadInformation(path, Decode, INFOHEAD);
}

HGLOBAL GIFReadGraphicFile(char *path)
{
    return ReadStreamed(path, Decode, 1);
}

short GIFWriteGraphicFile(char *path, HGLOBAL dib)
{
    return WriteEncoded(path, dib, EncodeIndexed);
}
