// A drawing surface for the runtime tests: a memory DC over a screen-
// compatible bitmap, filled with a known pattern, and pictures whose every
// pixel is known.
#pragma once
#include "media/dib.h"
#include "tests/support/testsupport.h"
#include <windows.h>
#include <cstdint>

namespace sbtest {

// 0x00RRGGBB as Capture stores it.
inline uint32_t PatternPixel(int x, int y, int seed)
{
    return ((uint32_t)(x * 7 + seed * 40) & 0xFF) << 16 | ((uint32_t)(y * 5 + seed * 90) & 0xFF) << 8 |
           ((uint32_t)(x * 3 + y * 11 + seed) & 0xFF);
}

// A 24-bit DIB of the pattern.
inline HGLOBAL PatternDib(int width, int height, int seed)
{
    HGLOBAL dib = CreateDib(width, height, nullptr, 24);
    DibLock lock(dib);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t p = PatternPixel(x, y, seed);
            // DIB pixel values are COLORREFs: red in the low byte.
            WritePixel(lock.Row(y), x, 24, ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
        }
    return dib;
}

// The tests index a capture by the size they asked for. One that could not
// be made (no bitmap left to copy into) has failed the test already; it is
// given that size, all black, so that reading it stays in bounds.
inline Capture Sized(Capture c, int width, int height)
{
    if (c.width != width || c.height != height || c.pixels.size() != (size_t)width * height) {
        c.width = width, c.height = height;
        c.pixels.assign((size_t)width * height, 0);
    }
    return c;
}

struct Surface {
    HDC screen = NULL, dc = NULL;
    HBITMAP bitmap = NULL;
    HGDIOBJ old = NULL;
    int width, height;
    Surface(int w, int h, int seed) : width(w), height(h)
    {
        screen = GetDC(NULL);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        old = SelectObject(dc, bitmap);
        HGLOBAL dib = PatternDib(w, h, seed);
        DibLock lock(dib);
        SetDIBitsToDevice(dc, 0, 0, w, h, 0, 0, 0, h, (uint8_t *)lock.header + lock.layout.pixeloffset,
                          (BITMAPINFO *)lock.header, DIB_RGB_COLORS);
        GlobalFree(dib);
    }
    ~Surface()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(NULL, screen);
    }
    // A copy of what the surface shows now (the engine's background).
    HBITMAP Copy() const
    {
        HBITMAP copy = CreateCompatibleBitmap(screen, width, height);
        HDC mem = CreateCompatibleDC(screen);
        HGDIOBJ o = SelectObject(mem, copy);
        BitBlt(mem, 0, 0, width, height, dc, 0, 0, SRCCOPY);
        SelectObject(mem, o);
        DeleteDC(mem);
        return copy;
    }
    Capture Read() const { return Sized(CaptureDC(dc, width, height), width, height); }
};

inline Capture ReadBitmap(HBITMAP bitmap, int width, int height)
{
    HDC screen = GetDC(NULL);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ o = SelectObject(mem, bitmap);
    Capture c = Sized(CaptureDC(mem, width, height), width, height);
    SelectObject(mem, o);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    return c;
}

} // namespace sbtest
