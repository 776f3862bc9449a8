// Page objects drawn as pictures of themselves: the show window's static
// objects, the object editors' previews, thumbnails and printed pages.
#pragma once
#include "document/objects.h"
#include <windows.h>

int DrawPageObject(void *hwnd, void *hdc, OBJECTHEADER *object);
int ErasePageObjectBackground(void *hwnd, void *hdc, OBJECTHEADER *object);
void RotatePoint(POINT *point, const POINT *centre, int degrees);
