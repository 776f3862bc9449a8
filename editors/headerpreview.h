// The preview of a header or page: a window of the presentation's size and
// style over the screen, painted with the block's background, which a right
// click closes and whose size, for a header, becomes the presentation's.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

struct EDITPARAM;

// Shows the preview of `p->block` (a header or a page) over the screen and
// waits until it, the dialog or the frame is gone.
void RunPreview(HWND dlg, EDITPARAM *p, const char *title, DWORD style, int width, int depth);
LRESULT CALLBACK HeaderPreviewProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// A copy of the picture of the header's picture object, or NULL.
HGLOBAL HeaderPicture(BLOCK *block);
