// The picture codec libraries, one per file format. Each offers the same
// three entry points:
//   ...GetFileInformation(path): a movable global block holding the picture's
//     BITMAPINFOHEADER, followed for 8 bits or fewer by its 2^bits RGBQUAD
//     colour table, describing exactly the DIB the read would return; NULL
//     when the file cannot be read. The caller frees it.
//   ...ReadGraphicFile(path): a packed DIB (header, full colour table for 8
//     bits or fewer, rows bottom-up padded to 4 bytes, BI_RGB) of 1, 4, 8, 24
//     or 32 bits in a movable global block, or NULL. The caller frees it.
//   ...WriteGraphicFile(path, dib): writes a packed DIB of any of those
//     depths; nonzero when the whole file was written. A failed write leaves
//     no file behind, and an existing file is replaced only by a complete one.
//     The JPEG writer takes the quality as a suffix "/Q:<1..100>" on the path.
// Paths are NUL-terminated strings in buffers of 260 characters.
#pragma once
#include <windows.h>

// The last error of a read or information entry point that refused a picture
// larger than any object can show (more than 32767 pixels a side, or more
// pixels than 512 MiB holds at 32 bits a pixel), before memory went to it.
constexpr DWORD KPXERROR_TOOLARGE = 0x20000000 | 0x4B50;

extern "C" {

HGLOBAL JPGGetFileInformation(char *path);
HGLOBAL JPGReadGraphicFile(char *path);
short JPGWriteGraphicFile(char *path, HGLOBAL dib);

HGLOBAL BMPGetFileInformation(char *path);
HGLOBAL BMPReadGraphicFile(char *path);
short BMPWriteGraphicFile(char *path, HGLOBAL dib);
// A packed DIB of `length` bytes in memory (header, masks, table, pixels),
// read as the same picture in a BMP file is.
HGLOBAL BMPReadPackedDib(const void *dib, size_t length);

HGLOBAL GIFGetFileInformation(char *path);
HGLOBAL GIFReadGraphicFile(char *path);
short GIFWriteGraphicFile(char *path, HGLOBAL dib);

HGLOBAL PCXGetFileInformation(char *path);
HGLOBAL PCXReadGraphicFile(char *path);
short PCXWriteGraphicFile(char *path, HGLOBAL dib);

HGLOBAL TGAGetFileInformation(char *path);
HGLOBAL TGAReadGraphicFile(char *path);
short TGAWriteGraphicFile(char *path, HGLOBAL dib);

HGLOBAL PNGGetFileInformation(char *path);
HGLOBAL PNGReadGraphicFile(char *path);
short PNGWriteGraphicFile(char *path, HGLOBAL dib);

}
