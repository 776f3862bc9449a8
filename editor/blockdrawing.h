// The drawing of a document window's block list: each block's line of text
// and, for a page, its thumbnail.
#pragma once
#include <windows.h>

// Draws one item of the block list of document window `window`, making the
// page's thumbnail when it has none or one too small for the view.
void DrawBlockItem(HWND window, const DRAWITEMSTRUCT *item);
// Drops every page's thumbnail, so that each is made anew when next drawn.
void RefreshThumbnails(HWND window);
