// The header editor, the page properties dialog and what their dialogs
// share: the preview window of a header or page and the background sample.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

struct EDITPARAM;

// Both: nonzero when the user confirmed changes, which are then in `block`.
int EditHeader(HWND docwindow, BLOCKSET *set, BLOCK *block, int index);
int EditPageProperties(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index, HWND owner = NULL);
INT_PTR CALLBACK EditHeaderProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditPagePropertiesProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HeaderPreviewProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Shared by the two dialogs.
// The background sample: the colour, and the picture fitted inside.
void DrawBackgroundSample(const DRAWITEMSTRUCT *item, COLORREF colour, HGLOBAL dib);
// Shows the preview of `p->block` (a header or a page) over the screen and
// waits until it, the dialog or the frame is gone.
void RunPreview(HWND dlg, EDITPARAM *p, const char *title, DWORD style, int width, int depth);
