// Animation cells: one frame of an animation composed off screen over what
// the window showed, and copied to the window in one step.
#pragma once
#include "document/applet.h"
#include <windows.h>
#include <cstddef>

int DrawAnimationCell(void *hwnd, void *hdc, BITMAPINFOHEADER *cell, int x, int y, RECT *area, RECT *previous,
                      unsigned long flags, unsigned long transparent, void *background, void *previousframe);

// The picture of frame `index` of an animation's data (`size` bytes), its
// record copied to `out`; NULL when the data has no such frame or the
// frame's offset, size or picture do not lie within the data. Every caller
// that takes a frame out of a document goes through here.
BITMAPINFOHEADER *FindAnimationCell(char *data, size_t size, unsigned long index, OBJECTANIMFRAME *out);
