// The grid of the page editor: snapping a point or a dragged rectangle to it,
// and the dialog that sets it. Drawing it is the page editor's business.
#pragma once
#include <windows.h>

// `point` in screen coordinates, snapped in place to `window`'s grid; 0
// (unchanged) when snapping is off.
int DoGrid(HWND window, POINT *point);
// `rect` in `window`'s client coordinates; `handle` is the part being
// dragged (0 move, 1-8 the corners and edges clockwise from the top left).
int DoGridRect(HWND window, RECT *rect, int handle);
// The grid settings dialog: 1 for OK, which stores them, 0 for Cancel.
int SetGrid(HWND window);
// What the dialog edits, a copy of the settings while it is open.
struct GRIDSETTINGS {
    int use, show, frequency;
};
INT_PTR CALLBACK SetGridProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
