#include "common/dibheader.h"
#include <algorithm>

static_assert(sizeof(BITMAPINFOHEADER) == 40 && sizeof(RGBQUAD) == 4);

bool DibLayout(int width, int height, int bits, uint32_t headersize, DIBLAYOUT *out)
{
    if (width <= 0 || height <= 0 || bits < 1 || bits > 32)
        return false;
    uint64_t rowbytes = ((uint64_t)bits * (uint64_t)width + 31) / 32 * 4;
    uint32_t entries = bits <= 8 ? 1u << bits : 0;
    uint64_t pixeloffset = (uint64_t)headersize + 4ull * entries;
    uint64_t total = pixeloffset + rowbytes * (uint64_t)height;
    if (rowbytes > MAXBLOCKBYTES || total > MAXBLOCKBYTES)
        return false;
    out->width = width;
    out->height = height;
    out->bits = bits;
    out->rowbytes = (uint32_t)rowbytes;
    out->tableoffset = headersize;
    out->tableentries = entries;
    out->pixeloffset = (uint32_t)pixeloffset;
    out->total = (uint32_t)total;
    out->most = (uint32_t)std::min<uint64_t>(total + DIBPADDING, MAXBLOCKBYTES);
    return true;
}

bool DibHeaderLayout(const BITMAPINFOHEADER *dib, DIBLAYOUT *out)
{
    if (!dib || dib->biSize < sizeof(BITMAPINFOHEADER) ||
        !DibLayout(dib->biWidth, dib->biHeight, dib->biBitCount, dib->biSize, out))
        return false;
    // Above 8 bits a colour table is only the display's hint: the rows are
    // read from behind the header, but a block may still carry the table.
    uint64_t extra = out->bits > 8 ? 4ull * std::min<DWORD>(dib->biClrUsed, 256) : 0;
    if (dib->biCompression == BI_BITFIELDS)
        extra += 3 * sizeof(DWORD);
    uint64_t rows = out->total - out->pixeloffset;
    // Run-length rows at their longest: every pixel a run of its own, an
    // end-of-line escape per row and an end-of-picture escape.
    if (dib->biCompression == BI_RLE8 || dib->biCompression == BI_RLE4)
        rows = std::max<uint64_t>(rows, (uint64_t)out->height * (2ull * (uint64_t)out->width + 2) + 2);
    out->most = (uint32_t)std::min<uint64_t>(out->pixeloffset + extra + rows + DIBPADDING, MAXBLOCKBYTES);
    return true;
}
