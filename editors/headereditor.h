// The header editor, the page properties dialog and what their dialogs
// share: the preview window of a header or page, the background kind combo
// box, the colour button and the background sample.
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
// Fills the owner-drawn combo box with the kinds first..last and selects `kind`.
void FillBackgroundKinds(HWND combo, unsigned count, unsigned kind);
// Draws one item of that combo box; `own` is the colour of kind 25.
void DrawBackgroundKind(const DRAWITEMSTRUCT *item, COLORREF own);
// Labels the colour button "r,g,b" and repaints it.
void LabelColourButton(HWND dlg, int id, COLORREF colour);
// Asks for a colour from the standard palette; 1 when one was chosen.
int PickColour(HWND dlg, COLORREF *colour);
// The background sample: the colour, and the picture fitted inside.
void DrawBackgroundSample(const DRAWITEMSTRUCT *item, COLORREF colour, HGLOBAL dib);
// Shows the preview of `p->block` (a header or a page) over the screen and
// waits until it, the dialog or the frame is gone.
void RunPreview(HWND dlg, EDITPARAM *p, const char *title, DWORD style, int width, int depth);
