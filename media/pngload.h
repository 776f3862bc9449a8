// PNG pictures for static image objects, and the chunk reading and image
// decoding that the MNG loader shares.
#pragma once
#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <png.h>

// The DIB of a PNG file, or NULL. The colour type comes from IHDR; the tRNS
// bytes (at most 256 of them, unchanged) go to the 256-byte buffer, which is
// zeroed first. A chunk whose CRC-32 does not match shows the warning owned
// by `hwnd`.
HGLOBAL LoadStaticImage(HWND hwnd, const char *path, int *trnscount, char *trnsdata, int *colourtype);
// True when the file opens and does not begin as a PNG file does (a file
// shorter than a signature begins as one while its bytes match it): it is
// of another format, not a damaged or unreadable PNG.
bool OtherThanPng(const char *path);
// The next 4 bytes of the stream as a big-endian number; 0xFFFFFFFF when
// fewer remain.
unsigned long GetLong(FILE *fp);
// png_read_info for a stream whose signature has already been passed: the
// chunks from the current position up to the first IDAT.
void png_read_info_local(png_structp png, png_infop info);

// --- Shared with the MNG loader ----------------------------------------

// A chunk type as GetLong reads it: the first letter in the high byte.
constexpr uint32_t ChunkType(const char (&name)[5])
{
    return (uint32_t)(uint8_t)name[0] << 24 | (uint32_t)(uint8_t)name[1] << 16 | (uint32_t)(uint8_t)name[2] << 8 |
           (uint8_t)name[3];
}

// Where a chunk lies in its file.
struct PNGCHUNK {
    uint32_t length;
    uint32_t type;
    long data; // offset of the first data byte
    long next; // offset of the byte after the CRC
};

// Reads the length and type at the current position. False, so that the
// walk ends, when the length is beyond 2^31 - 1 (also the end of the file)
// or the chunk would not end inside a file of `filesize` bytes.
bool ReadChunkHead(FILE *fp, long filesize, PNGCHUNK *chunk);
// Reads the chunk's data in fixed-size pieces, keeping the first `keep`
// bytes in `kept` (all of them when the chunk is shorter, the rest of `kept`
// left alone), and its stored CRC. `*match` tells whether the CRC over
// the type and all of the data equals the stored one. False on a short read.
bool ReadChunkData(FILE *fp, const PNGCHUNK &chunk, void *kept, uint32_t keep, bool *match);
// The size of an open file; -1 when it cannot be told or is 2 GB or more.
long PngFileSize(FILE *fp);
// The CRC warning, while WarnBadFileCRC allows it.
void WarnBadCrc(HWND hwnd);

enum PNGDECODE { PNGDECODE_OK, PNGDECODE_MEMORY, PNGDECODE_ERROR };
struct PNGIMAGE {
    HGLOBAL dib = NULL;
    int colourtype = 0;
    int bitdepth = 0; // per sample, as stored
};
// Decodes the PNG stream at the file's current position (after its
// signature unless `signature`) through to its IEND into a new DIB. The
// colour table is `palette`, or a grey ramp for grey pictures. Every CRC
// mismatch and every libpng complaint is an error.
PNGDECODE DecodePngImage(FILE *fp, bool signature, const char *palette, PNGIMAGE *out);

