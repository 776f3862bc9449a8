#include "media/dib.h"
#include <cstring>

int AdjustDIBits(unsigned bits)
{
    if (bits == 1)
        return 1;
    if (bits >= 2 && bits <= 4)
        return 4;
    if (bits >= 5 && bits <= 8)
        return 8;
    if (bits >= 9 && bits <= 24)
        return 24;
    return 32;
}

DibLock::DibLock(HGLOBAL dib)
{
    if (!dib || GlobalSize(dib) < sizeof(BITMAPINFOHEADER) || !lock.Lock(dib))
        return;
    if (!DibHeaderLayout(lock.get(), &layout) || GlobalSize(dib) < layout.total) {
        lock.Unlock();
        return;
    }
    header = lock.get();
}

HGLOBAL CreateDib(int width, int height, const char *rgb, int bits)
{
    bits = AdjustDIBits((unsigned)bits);
    DIBLAYOUT layout;
    if (!DibLayout(width, height, bits, sizeof(BITMAPINFOHEADER), &layout))
        return NULL;
    GlobalBlock dib = GlobalBlock::Alloc(layout.total);
    GlobalLocked<BITMAPINFOHEADER> header(dib);
    if (!header)
        return NULL;
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = (WORD)bits;
    header->biCompression = BI_RGB;
    header->biSizeImage = layout.rowbytes * (uint32_t)height;
    header->biClrUsed = layout.tableentries;
    header->biClrImportant = layout.tableentries;
    if (rgb) {
        auto *table = (RGBQUAD *)(header.get() + 1);
        const auto *src = (const uint8_t *)rgb;
        for (uint32_t i = 0; i < layout.tableentries; ++i) {
            table[i].rgbRed = src[3 * i];
            table[i].rgbGreen = src[3 * i + 1];
            table[i].rgbBlue = src[3 * i + 2];
        }
    }
    header.Unlock();
    return dib.Release();
}

HGLOBAL CreateDibLike(const DibLock &like, int width, int height)
{
    NewDib out(CreateDib(width, height, NULL, like.layout.bits));
    if (!out.ok() || out.layout.bits != like.layout.bits)
        return NULL;
    memcpy(out.Table(), like.Table(), 4 * like.layout.tableentries);
    return out.Release();
}

namespace {

// Where pixel (x, y) of a picture the primitives can read lies: its row, or
// NULL for another depth or a place outside the picture.
uint8_t *PixelRow(const BITMAPINFOHEADER *dib, int x, int y, DIBLAYOUT *l)
{
    if (!DibHeaderLayout(dib, l) || !PixelDepth(l->bits))
        return nullptr;
    if (x < 0 || x >= l->width || y < 0 || y >= l->height)
        return nullptr;
    return (uint8_t *)dib + l->pixeloffset + (uint32_t)(l->height - 1 - y) * l->rowbytes;
}

} // namespace

unsigned long GetDibPixel(const BITMAPINFOHEADER *dib, int x, int y)
{
    DIBLAYOUT l;
    const uint8_t *row = PixelRow(dib, x, y, &l);
    return row ? ReadPixel(row, x, l.bits) : 0xFFFFFFFFul;
}

void PutDibPixel(BITMAPINFOHEADER *dib, int x, int y, unsigned long value)
{
    DIBLAYOUT l;
    if (uint8_t *row = PixelRow(dib, x, y, &l))
        WritePixel(row, x, l.bits, (uint32_t)value);
}

int GetBitmapDimensions(HGLOBAL dib, int *width, int *height, int *bits, char *rgb)
{
    DibLock lock(dib);
    if (!lock.ok())
        return 0;
    if (width)
        *width = lock.layout.width;
    if (height)
        *height = lock.layout.height;
    if (bits)
        *bits = lock.layout.bits;
    if (rgb)
        GetDibPalette((const BITMAPINFO *)lock.header, rgb);
    return 1;
}
