// Picture files by extension: one table binds each format's extension to the
// codec library that reads and writes it, and AVI movies give their first
// video frame as a picture. Everything that loads a picture goes through
// LoadImageA and GetImageInfo and never names a format.
#pragma once
#include <windows.h>

typedef HGLOBAL (*IMAGEINFOPROC)(char *path);
typedef HGLOBAL (*IMAGEREADPROC)(char *path);
typedef short (*IMAGEWRITEPROC)(char *path, HGLOBAL dib);

// One row per format; the row number is the format index.
struct IMAGEPROC {
    IMAGEINFOPROC GetFileInformation;
    IMAGEREADPROC ReadGraphicFile;
    IMAGEWRITEPROC WriteGraphicFile; // NULL for a format that is only read
    char extension[4];
};
constexpr int IMAGETYPES = 7;
extern const IMAGEPROC imageproc[IMAGETYPES];

int FindImageFormat(const char *path);
int GetFormatExtension(char *out, unsigned index, unsigned reserved);
int GetFormatName(char *out, unsigned index, unsigned reserved);
int GetImageTypeCount();
int GetImageInfo(const char *path, int *width, int *height, int *bits, char *rgb);
// Not the platform's LoadImageA: an overload of its own. A path of 260
// characters or more is refused rather than cut short.
HGLOBAL LoadImageA(HANDLE reserved, const char *path, HWND status, unsigned short *bits);
int WriteImage(const char *path, HGLOBAL dib);

// Copies a path into a buffer of the codecs' size (they take paths they may
// write to); false for no path or one too long to fit, which would otherwise
// name some other file.
bool CopyPath(char (&out)[MAX_PATH], const char *path);

HGLOBAL AVIReadGraphicFile(char *path);
HGLOBAL AVIGetFileInformation(char *path);
// A new DIB of a video frame (packed DIB of 1 to 32 bits, bottom-up or
// top-down) that has `pixelbytes` bytes behind its header and colour table:
// 16- and 32-bit frames become 24 bits. NULL for a header that is not an
// ordinary uncompressed picture within the loaders' limits, or for rows
// beyond those bytes.
HGLOBAL AVIFrameToDib(const BITMAPINFOHEADER *frame, size_t pixelbytes);
// Why a picture handed over by the platform is not taken.
enum { PICTURE_TAKEN, PICTURE_DAMAGED, PICTURE_COMPRESSED, PICTURE_TOOLARGE, PICTURE_NOMEMORY };
// A new DIB of a packed DIB handed over whole, `length` bytes from its
// header on, as the clipboard's CF_DIB is: read by the BMP file reader, so
// that every form a file may hold is taken and comes out as the same
// picture from a file would. NULL when it is not taken, with the reason in
// *fault.
HGLOBAL HandedDibToDib(const BITMAPINFOHEADER *dib, size_t length, int *fault);
void AVISwabRGB16Line(char *out, const char *in, unsigned count);
void AVISwabRGB32Line(char *out, const char *in, unsigned count);
