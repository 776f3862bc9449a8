// Helpers of the picture tests: DIBs that free themselves, random pictures,
// hand-made headers, temporary files and a 32-bit canvas to draw on and read
// back.
#pragma once
#include "media/dib.h"
#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace pictest {

// Owns a DIB handle.
struct Dib {
    HGLOBAL handle;
    Dib(HGLOBAL h = NULL) : handle(h) {}
    ~Dib() { if (handle) GlobalFree(handle); }
    Dib(const Dib &) = delete;
    Dib &operator=(const Dib &) = delete;
    explicit operator bool() const { return handle != NULL; }
    operator HGLOBAL() const { return handle; }
};

// Pixel access (top-down) while locked.
struct Pixels {
    HGLOBAL handle;
    BITMAPINFOHEADER *header;
    explicit Pixels(HGLOBAL h) : handle(h), header((BITMAPINFOHEADER *)GlobalLock(h)) {}
    ~Pixels() { if (header) GlobalUnlock(handle); }
    unsigned long Get(int x, int y) const { return GetDibPixel(header, x, y); }
    void Put(int x, int y, unsigned long v) { PutDibPixel(header, x, y, v); }
    int Width() const { return header->biWidth; }
    int Height() const { return header->biHeight; }
    int Bits() const { return header->biBitCount; }
    RGBQUAD *Table() const { return (RGBQUAD *)((uint8_t *)header + header->biSize); }
    uint8_t *Bytes() const { return (uint8_t *)header; }
    // The colour a pixel value shows, and that of pixel (x, y).
    COLORREF Shown(unsigned long v) const
    {
        if (Bits() > 8)
            return v & 0xFFFFFF;
        const RGBQUAD &q = Table()[v];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    COLORREF Colour(int x, int y) const { return Shown(Get(x, y)); }
};

inline std::vector<uint8_t> Bytes(HGLOBAL h)
{
    std::vector<uint8_t> out(GlobalSize(h));
    memcpy(out.data(), GlobalLock(h), out.size());
    GlobalUnlock(h);
    return out;
}

struct Random {
    uint32_t state;
    explicit Random(uint32_t seed) : state(seed * 2654435761u + 1) {}
    uint32_t Next() { return (state = state * 1664525u + 1013904223u) >> 8; }
    int Below(int n) { return (int)(Next() % (uint32_t)n); }
};

// Random pixels and, for palette depths, a random colour table.
inline HGLOBAL RandomDib(int width, int height, int bits, uint32_t seed)
{
    HGLOBAL h = CreateDib(width, height, NULL, bits);
    Random r(seed);
    Pixels p(h);
    for (int i = 0; bits <= 8 && i < (1 << bits); ++i)
        p.Table()[i] = RGBQUAD{(BYTE)r.Below(256), (BYTE)r.Below(256), (BYTE)r.Below(256), 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.Put(x, y, bits <= 8 ? r.Below(1 << bits) : r.Next() | (bits == 32 ? r.Next() << 24 : 0));
    return h;
}

// A DIB laid out by hand behind a header of `headersize` bytes, as files
// may carry 108- or 124-byte headers.
inline HGLOBAL HandMadeDib(int width, int height, int bits, uint32_t headersize)
{
    uint32_t rowbytes = ((bits * width + 31) / 32) * 4, table = bits <= 8 ? 4u << bits : 0;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, headersize + table + rowbytes * height);
    auto *bi = (BITMAPINFOHEADER *)GlobalLock(h);
    *bi = BITMAPINFOHEADER{headersize, width, height, 1, (WORD)bits, BI_RGB, rowbytes * height, 0, 0, 0, 0};
    GlobalUnlock(h);
    return h;
}

typedef std::vector<uint8_t> Data;

// A file of the temporary folder, gone before and after.
struct TempFile {
    std::string path;
    explicit TempFile(const std::string &name) : path(Folder() + name) { DeleteFileA(c()); }
    ~TempFile() { DeleteFileA(c()); }
    const char *c() const { return path.c_str(); }
    static std::string Folder()
    {
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        return folder + ("sbmedia" + std::to_string(GetCurrentProcessId()));
    }
    void Write(const Data &bytes) const
    {
        FILE *f = fopen(c(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    Data Read() const
    {
        Data bytes(1 << 20);
        FILE *f = fopen(c(), "rb");
        bytes.resize(f ? fread(bytes.data(), 1, bytes.size(), f) : 0);
        if (f)
            fclose(f);
        return bytes;
    }
};

// A 32-bit top-down canvas in a memory DC.
struct Canvas {
    int width, height;
    HDC dc;
    HBITMAP section;
    HGDIOBJ old;
    uint32_t *pixels = nullptr;
    Canvas(int w, int h, COLORREF fill = RGB(0, 0, 0)) : width(w), height(h)
    {
        BITMAPINFO bi{{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        dc = CreateCompatibleDC(NULL);
        section = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void **)&pixels, NULL, 0);
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
};

} // namespace pictest
