// Packed DIBs in movable global memory and RGB palettes: creating a DIB,
// reading and writing its pixels, the built-in palettes, realising a palette
// in a device context, and the display's colour depth.
//
// A DIB is a BITMAPINFOHEADER, then for 8 bits or fewer a colour table of
// always 2^bits entries, then the rows bottom-up, each padded to 4 bytes.
// Pixel coordinates count rows from the top. An RGB palette is 768 bytes:
// 256 triples red, green, blue.
#pragma once
#include "common/dibheader.h"
#include "common/owners.h"
#include <windows.h>
#include <cstdint>
#include <vector>

int AdjustDIBits(unsigned bits);
HGLOBAL CreateDib(int width, int height, const char *rgb, int bits);
unsigned long GetDibPixel(const BITMAPINFOHEADER *dib, int x, int y);
void PutDibPixel(BITMAPINFOHEADER *dib, int x, int y, unsigned long value);
int GetDefaultPalette(char *rgb, int *bits, int type);
int GetDibPalette(const BITMAPINFO *dib, char *rgb);
int GetBitmapDimensions(HGLOBAL dib, int *width, int *height, int *bits, char *rgb);
int GetDisplayBits();

// A palette realised in a device context; all zero when none is.
struct PALSTATE {
    HPALETTE palette;
    HPALETTE previous;
    LOGPALETTE *logpalette;
};
int RealizeWindowPalette(HDC dc, PALSTATE *state, const char *rgb, int count);
void UnrealizeWindowPalette(HDC dc, PALSTATE *state);

// --- Shared by the picture modules -------------------------------------

constexpr int PALETTEBYTES = 768;
// True for the depths whose pixels the primitives read and write.
inline bool PixelDepth(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

// A locked DIB whose header has been checked against the size of its block.
class DibLock {
public:
    explicit DibLock(HGLOBAL dib);
    DibLock(const DibLock &) = delete;
    DibLock &operator=(const DibLock &) = delete;

    bool ok() const { return header != nullptr; }
    BITMAPINFOHEADER *header = nullptr;
    DIBLAYOUT layout;

    // Row y counted from the top.
    uint8_t *Row(int y) const { return StoredRow(layout.height - 1 - y); }
    // Row s in storage order (0 is the bottom row of the picture).
    uint8_t *StoredRow(int s) const { return base() + layout.pixeloffset + (uint32_t)s * layout.rowbytes; }
    const RGBQUAD *Table() const { return (const RGBQUAD *)(base() + layout.tableoffset); }
    RGBQUAD *Table() { return (RGBQUAD *)(base() + layout.tableoffset); }

protected:
    void Unlock()
    {
        lock.Unlock();
        header = nullptr;
    }

private:
    uint8_t *base() const { return (uint8_t *)header; }
    GlobalLocked<BITMAPINFOHEADER> lock;
};

// A DIB just made (or NULL when making it failed), locked while it is filled
// in and freed at the end of the scope unless Release hands it over.
class NewDib : public DibLock {
public:
    explicit NewDib(HGLOBAL dib) : DibLock(dib), owned(dib) {}
    ~NewDib() { Unlock(); } // then `owned` frees the block
    HGLOBAL Release() { return owned.Release(); }

private:
    GlobalBlock owned;
};

// The value of pixel x of a row, as GetDibPixel gives it.
inline uint32_t ReadPixel(const uint8_t *row, int x, int bits)
{
    switch (bits) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case 8:
        return row[x];
    case 24:
    case 32: { // blue, green, red and for 32 bits a fourth byte
        const uint8_t *p = row + bits / 8 * x;
        return p[2] | (p[1] << 8) | ((uint32_t)p[0] << 16) | (bits == 32 ? (uint32_t)p[3] << 24 : 0);
    }
    }
    return 0xFFFFFFFFu;
}

// Stores a pixel value the way PutDibPixel does.
inline void WritePixel(uint8_t *row, int x, int bits, uint32_t value)
{
    switch (bits) {
    case 1: {
        uint8_t mask = (uint8_t)(0x80 >> (x & 7));
        if (value)
            row[x >> 3] |= mask;
        else
            row[x >> 3] &= (uint8_t)~mask;
        break;
    }
    case 4:
        if (x & 1)
            row[x >> 1] = (uint8_t)((row[x >> 1] & 0xF0) | (value & 0x0F));
        else
            row[x >> 1] = (uint8_t)((row[x >> 1] & 0x0F) | ((value & 0x0F) << 4));
        break;
    case 8:
        row[x] = (uint8_t)value;
        break;
    case 24:
    case 32: {
        uint8_t *p = row + bits / 8 * x;
        p[0] = (uint8_t)(value >> 16);
        p[1] = (uint8_t)(value >> 8);
        p[2] = (uint8_t)value;
        if (bits == 32)
            p[3] = (uint8_t)(value >> 24);
        break;
    }
    }
}

// A new DIB of the given size with the depth and the colour table of `like`.
HGLOBAL CreateDibLike(const DibLock &like, int width, int height);

// Sizes scratch memory; false instead of an exception or a wrapped size.
template <class T> bool SizeScratch(std::vector<T> &v, uint64_t count)
{
    if (count > MAXBLOCKBYTES / sizeof(T))
        return false;
    try {
        v.assign((size_t)count, T());
    } catch (...) {
        return false;
    }
    return true;
}
