// Helpers of the picture tests: DIBs that free themselves, pictures filled
// from a seed, and a 32-bit canvas to draw on and read back.
#pragma once
#include "media/dib.h"
#include <windows.h>
#include <cstdint>
#include <cstring>
#include <vector>

namespace pictest {

// Owns a DIB handle; frees it at the end of the scope.
class Dib {
public:
    Dib(HGLOBAL h = NULL) : handle(h) {}
    ~Dib()
    {
        if (handle)
            GlobalFree(handle);
    }
    Dib(const Dib &) = delete;
    Dib &operator=(const Dib &) = delete;
    Dib(Dib &&other) noexcept : handle(other.handle) { other.handle = NULL; }
    Dib &operator=(HGLOBAL h)
    {
        if (handle)
            GlobalFree(handle);
        handle = h;
        return *this;
    }
    explicit operator bool() const { return handle != NULL; }
    operator HGLOBAL() const { return handle; }
    HGLOBAL handle;
};

// Reads and writes pixels (top-down) while locked.
class Pixels {
public:
    explicit Pixels(HGLOBAL h) : handle(h), header((BITMAPINFOHEADER *)GlobalLock(h)) {}
    ~Pixels()
    {
        if (header)
            GlobalUnlock(handle);
    }
    unsigned long Get(int x, int y) const { return GetDibPixel(header, x, y); }
    void Put(int x, int y, unsigned long v) { PutDibPixel(header, x, y, v); }
    int Width() const { return header->biWidth; }
    int Height() const { return header->biHeight; }
    int Bits() const { return header->biBitCount; }
    RGBQUAD *Table() const { return (RGBQUAD *)((uint8_t *)header + header->biSize); }
    HGLOBAL handle;
    BITMAPINFOHEADER *header;
};

inline std::vector<uint8_t> Bytes(HGLOBAL h)
{
    std::vector<uint8_t> out(GlobalSize(h));
    const void *p = GlobalLock(h);
    memcpy(out.data(), p, out.size());
    GlobalUnlock(h);
    return out;
}

// A small repeatable generator.
struct Random {
    uint32_t state;
    explicit Random(uint32_t seed) : state(seed * 2654435761u + 1) {}
    uint32_t Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int Below(int n) { return (int)(Next() % (uint32_t)n); }
};

// A picture of the given depth whose pixels (and, for palette depths, whose
// colour table) are random.
inline HGLOBAL RandomDib(int width, int height, int bits, uint32_t seed)
{
    HGLOBAL h = CreateDib(width, height, NULL, bits);
    if (!h)
        return NULL;
    Random random(seed);
    Pixels p(h);
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i)
            p.Table()[i] = RGBQUAD{(BYTE)random.Below(256), (BYTE)random.Below(256), (BYTE)random.Below(256), 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.Put(x, y, bits <= 8 ? random.Below(1 << bits) : random.Next() | (bits == 32 ? random.Next() << 24 : 0));
    return h;
}

// A DIB made by hand behind a header of `headersize` bytes (files may carry
// 108- or 124-byte headers), with a table of 2^bits entries for 8 bits or
// fewer, as the system lays out every DIB.
inline HGLOBAL HandMadeDib(int width, int height, int bits, uint32_t headersize)
{
    uint32_t rowbytes = ((bits * width + 31) / 32) * 4;
    uint32_t table = bits <= 8 ? 4u << bits : 0;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, headersize + table + rowbytes * height);
    auto *bi = (BITMAPINFOHEADER *)GlobalLock(h);
    bi->biSize = headersize;
    bi->biWidth = width;
    bi->biHeight = height;
    bi->biPlanes = 1;
    bi->biBitCount = (WORD)bits;
    bi->biSizeImage = rowbytes * height;
    GlobalUnlock(h);
    return h;
}

// A 32-bit top-down canvas in a memory DC.
class Canvas {
public:
    Canvas(int w, int h, COLORREF fill = RGB(0, 0, 0)) : width(w), height(h)
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        HDC screen = GetDC(NULL);
        dc = CreateCompatibleDC(screen);
        section = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, (void **)&pixels, NULL, 0);
        ReleaseDC(NULL, screen);
        old = SelectObject(dc, section);
        Fill(fill);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(section);
        DeleteDC(dc);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;
    void Fill(COLORREF c)
    {
        GdiFlush();
        for (int i = 0; i < width * height; ++i)
            pixels[i] = GetBValue(c) | (GetGValue(c) << 8) | (GetRValue(c) << 16);
    }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        uint32_t p = pixels[y * width + x];
        return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
    }
    int width, height;
    HDC dc;
    HBITMAP section;
    HGDIOBJ old;
    uint32_t *pixels = nullptr;
};

} // namespace pictest
