// Owner-drawn buttons: linear gradients, bevelled buttons with a soft relief
// and a two-tone caption, bitmap push buttons from a strip of glyphs, and the
// mouse-over tracking that live bitmap buttons use.
#pragma once
#include <windows.h>

// Gradient directions.
constexpr int GRADIENT_HORIZONTAL = 1; // left to right, in vertical lines
constexpr int GRADIENT_VERTICAL = 2;   // top to bottom, in horizontal lines

// The property that holds a tracked button's previous window procedure.
constexpr ATOM MOUSETRACKATOM = 5000;
constexpr UINT MOUSETRACKTIMER = 10;

// Fills `r` with lines of 1 pixel from `from` towards `to`; the last line is
// one step short of `to`. Any type but 1 and 2 draws nothing.
void COMMONFillWidthGradient(HDC dc, const RECT *r, COLORREF from, COLORREF to, int type);

// Tracks the mouse over control `id` of `dialog` when LiveButtons is set. A
// control that is tracked already is left as it is.
void CreateMouseTrack(HWND dialog, int id);
LRESULT CALLBACK MouseTrackSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Draws face `id - first` of the strip bitmap `bitmap`; always 1.
int DrawBitmapPushButton(HWND dialog, UINT msg, WPARAM wParam, DRAWITEMSTRUCT *item, unsigned short id,
                         const char *bitmap, unsigned short first);

void COMMONDrawBevelledButton(HDC dc, HWND button, const RECT *r, int pressed, int disabled, int a, int b,
                              COLORREF face, COLORREF dark, COLORREF light, COLORREF text, COLORREF shadow);
void COMMONDrawBevelledButtonWithText(HDC dc, const char *caption, const RECT *r, int pressed, int disabled,
                                      int a, int b, COLORREF face, COLORREF dark, COLORREF light,
                                      COLORREF text, COLORREF shadow);

// The clip region of a rounded button face: `r` less its four corner pixels.
HRGN COMMONCornerlessRegion(const RECT *r);
