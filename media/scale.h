// Scaling pictures: nearest-neighbour sampling for every depth, and passes
// that interpolate (enlarging) or average boxes (reducing) one direction at a
// time for true-colour pictures and for 8-bit pictures of grey levels. Every
// function leaves its source alone and returns a new DIB, or NULL.
#pragma once
#include <windows.h>

// Flag of ScaleDib: the sizes given are percentages.
constexpr unsigned SCALE_PERCENT = 1;

HGLOBAL ScaleDib(HGLOBAL dib, int *width, int *height, unsigned flags);
HGLOBAL ResizeDib(HGLOBAL dib, int percent);
HGLOBAL COMMONScaleDib(HGLOBAL dib, int percentX, int percentY);
HGLOBAL ScaleUpHorizontal(HGLOBAL dib, int percent);
HGLOBAL ScaleUpVertical(HGLOBAL dib, int percent);
HGLOBAL ScaleDownHorizontal(HGLOBAL dib, int percent);
HGLOBAL ScaleDownVertical(HGLOBAL dib, int percent);
