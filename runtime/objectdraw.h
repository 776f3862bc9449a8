// Drawing one page object into a device context. The full drawing of every
// type comes in a module of its own; until then the show window's static
// objects are drawn here as far as the runtime needs them.
#pragma once
#include <windows.h>

struct OBJECTHEADER;

// Draws `object` (null: the object of `window`, whose own client area is the
// target) into `dc`.
int DrawPageObject(HWND window, HDC dc, OBJECTHEADER *object);
int ErasePageObjectBackground(HWND window, HDC dc, OBJECTHEADER *object);
