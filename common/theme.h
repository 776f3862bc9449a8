// Toolbars draw their background and buttons through here: through a theme
// plug-in ("theme\THEME_*.dll" beside the program) when one started, else
// with the built-in look.
#pragma once
#include <windows.h>

int COMMONTHEMEInit(int a, int b, int c, int d, const char *name);
int COMMONTHEMEDeInit();
int COMMONTHEMEGetMetric(int index);
int COMMONTHEMEDrawButton(HWND hwnd, HDC dc, RECT *rect, int glyph, int flags);
int COMMONTHEMEDrawSmallButton(HWND hwnd, HDC dc, RECT *rect, int glyph, int flags);
int COMMONTHEMEDrawTool(HWND hwnd, HDC dc, RECT *rect, int glyph, int flags);
int COMMONTHEMEDrawToolbarBackground(void *hwnd, void *hdc);
HGLOBAL COMMONTHEMEGetBitmap(int n);
int COMMONThemeChooseTheme(void *hwnd, char *name);
// True while a plug-in serves the drawing calls.
bool COMMONTHEMEActive();

// The built-in look's pieces.
void COMMONTHEMEDrawGradientLines(HDC dc, const RECT *rect, COLORREF first, COLORREF last, int kind);
int COMMONTHEMEDrawButtonFrame(HDC dc, const RECT *rect, int pressed);
int COMMONTHEMEDrawButtonDefault(HWND hwnd, HDC dc, const RECT *rect, int glyph, int flags, int strip);
int COMMONTHEMEDrawToolDefault(HWND hwnd, HDC dc, const RECT *rect, int glyph, int flags);
// The label the chooser shows for a plug-in's file name.
void COMMONThemeLabel(const char *file, char *out, int size);

INT_PTR CALLBACK ThemeChooserDlgProc(HWND, UINT, WPARAM, LPARAM);
