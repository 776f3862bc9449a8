// Page objects drawn as pictures of themselves: the show window's static
// objects, the object editors' previews, thumbnails and printed pages.
#pragma once
#include "document/objects.h"
#include <windows.h>

struct BLOCK;

// Drawing that belongs to the show window's modules (soft buttons, derived
// colours, composed static images, page backgrounds). The show window fills
// these in; a step whose service is missing is skipped, as when its bitmap
// cannot be made.
struct RUNTIMEDRAWSERVICES {
    int (*drawsoftbutton)(HWND button, DRAWITEMSTRUCT *item, COLORREF light, COLORREF dark, COLORREF face,
                          COLORREF text, COLORREF page, long style);
    COLORREF (*derivativecolour)(COLORREF colour, double factor);
    HGLOBAL (*staticdisplayimage)(HWND window, HDC dc, OBJECTSTATICIMAGE *object, RECT *r);
    int (*pagebackground)(HWND window, HWND list, HDC dc, unsigned long index, BLOCK *header, BLOCK *page, RECT *r);
};
extern RUNTIMEDRAWSERVICES RuntimeDrawServices;

int DrawPageObject(void *hwnd, void *hdc, OBJECTHEADER *object);
int ErasePageObjectBackground(void *hwnd, void *hdc, OBJECTHEADER *object);
void RotatePoint(POINT *point, const POINT *centre, int degrees);
