// Drawing DIBs plainly, stretched, fitted, centred or with a transparent
// colour; device bitmaps to DIBs, palette pictures to true colour, cropping;
// and the few picture helpers of the dialogs.
#pragma once
#include <windows.h>

struct BLOCK;

int ShowDib(HDC dc, HGLOBAL dib, const char *rgb, int x, int y);
int ShowStretchDib(HDC dc, HGLOBAL dib, const char *rgb, int x, int y, int scale);
int ShowBitmap(HDC dc, int x, int y, HBITMAP bitmap);
void COMMONDrawBitmapInRectNoResize(HDC dc, const RECT *area, HGLOBAL dib, RECT *drawn);
void COMMONDrawBitmapInRect(HDC dc, const RECT *area, HGLOBAL dib, RECT *drawn);
int ShowTransparentDib(HDC dc, HANDLE reserved, const BITMAPINFOHEADER *dib, int x, int y, COLORREF transparent);

HGLOBAL BitmapToDIB(HDC dc, HBITMAP bitmap, const char *rgb);
HGLOBAL COMMONPromoteToTrueColour(HGLOBAL dib);
HGLOBAL CropImage(HGLOBAL dib, const RECT *r);
HGLOBAL CropDib(HGLOBAL dib, int x, int y, const RECT *r, int fill);
DWORD GetDibSize(HGLOBAL dib);

int DrawColourButton(HWND dialog, UINT message, WPARAM wparam, const DRAWITEMSTRUCT *item, char *reserved,
                     COLORREF colour);
char *CreateDerivativePath(char *out, const char *path, const char *prefix);
int ImageToBlock(BLOCK *block, HGLOBAL dib);
