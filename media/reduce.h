// Reducing pictures for palette displays: Floyd-Steinberg dithering and a
// plain nearest-colour mapping, both to an 8-bit picture in the 3-3-2
// palette. The source is never changed; the caller frees the result.
#pragma once
#include <windows.h>

HGLOBAL DitherDib(HGLOBAL dib, const char *rgb, int bits, int reserved);
HGLOBAL RemapDib(HGLOBAL dib, const char *rgb, int bits, int reserved);
int FindPaletteColour(int red, int green, int blue, const char *rgb, int count);
// A picture about to be drawn as a display of 8 bits or fewer shows it best:
// a copy dithered to the standard palette of type 6, for the caller to free.
// NULL on deeper displays, or when no copy can be had; the picture is then
// drawn as it is.
HGLOBAL DitherForDisplay(HGLOBAL dib);

// The 3-3-2 palette index of a colour: the top 3 bits of red and green, the
// top 2 of blue.
inline unsigned Code332(unsigned red, unsigned green, unsigned blue)
{
    return (red & 0xE0) | ((green >> 3) & 0x1C) | (blue >> 6);
}

// The brightness of a colour, 0 to 255: red weighs 30 %, green 59 %, blue 11 %.
inline int Brightness(int red, int green, int blue)
{
    return red * 30 / 100 + green * 59 / 100 + blue * 11 / 100;
}
