// What the property dialogs of buttons, frames, check boxes, radio buttons
// and static images share beyond the common entry pattern: their place
// fields, flag boxes, bounded numbers and the new object block built on OK.
#pragma once
#include "document/objects.h"
#include <windows.h>

// A check box of a dialog and the flag bit it edits.
struct FLAGBOX {
    int id;
    uint32_t bit;
};

// Left, top, width, depth and number of the object, the size spin controls
// bound from the size settings and every spin control of `spins` (0 ends it).
void ShowObjectPlace(HWND dlg, const OBJECTHEADER *h, const int *spins);
// The number typed in a field, held within [low, high]: what is not a number
// reads as 0 and so as `low`.
uint32_t ReadBounded(HWND dlg, int id, uint32_t low, uint32_t high);
// The rectangle from the place fields: left and top within the page's
// coordinates, width and depth within the object size settings; with
// `width` and `depth` nonzero those are the size instead of the fields.
RECT ReadObjectPlace(HWND dlg, int width = 0, int depth = 0);
void ShowFlags(HWND dlg, uint32_t flags, const FLAGBOX *boxes, size_t count);
// Sets or clears the boxes' bits and keeps every other bit.
uint32_t ReadFlags(HWND dlg, uint32_t flags, const FLAGBOX *boxes, size_t count);
// A zero-filled movable object of `fixedsize` bytes copied from `fixed` and
// `datasize` bytes of data, with its sizes set; null when it cannot be had.
HGLOBAL NewObjectBlock(const void *fixed, uint32_t fixedsize, uint32_t datasize);
// The length of a control's text with its terminating zero.
uint32_t TextSize(HWND dlg, int id);
// Swatch text "%u,%u,%u" of a colour, and the swatch repainted.
void ShowSwatch(HWND dlg, int id, COLORREF colour);
// The colour chooser over the default palette; true when one was chosen.
bool ChooseObjectColour(HWND dlg, COLORREF *colour);
// Draws an owner-drawn swatch button in `colour`.
void DrawSwatch(HWND dlg, const DRAWITEMSTRUCT *item, COLORREF colour);
// The common answers: Help with `helpkey`, nothing else yet. True when
// the message was a press of Help.
bool HandleObjectHelp(HWND dlg, WPARAM wParam, const char *helpkey);
