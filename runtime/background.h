// Page backgrounds, static images composed over what lies under them, and
// small picture and colour helpers shared by the object windows.
#pragma once
#include <windows.h>

struct BLOCK;
struct OBJECTSTATICIMAGE;

// Paints the background of `page` (block `index` of `list`; 0 for the
// header's) into `dc` over `r`, or the window's client area when r is null.
int DrawPageBackground(HWND window, HWND list, HDC dc, unsigned long index, BLOCK *header, BLOCK *page,
                       RECT *r);
// A new 24-bit DIB (reduced on palette displays): the static image composed
// over its background bitmap, or over what `dc` shows at r. Null on failure.
HGLOBAL CreateStaticDisplayImage(HWND window, HDC dc, OBJECTSTATICIMAGE *object, RECT *r);
HGLOBAL CopyBitmapToHandle(BITMAPINFOHEADER *dib);
COLORREF MakeDerivativeColour(COLORREF colour, double factor);
HGLOBAL LoadResImage32(unsigned id, HGLOBAL dib);
char *stristr(char *text, char *part);
