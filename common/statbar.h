// The status bar: text and progress cells at the foot of a parent window,
// always named by the parent.
#pragma once
#include <windows.h>

constexpr int STATMAXCELLS = 10;

struct STATUSBARDATA {
    HFONT font;
    int border;
    int height;
    int count;
    HLOCAL text[STATMAXCELLS];
    int right[STATMAXCELLS];
    unsigned format[STATMAXCELLS];
    int type[STATMAXCELLS];
    unsigned value[STATMAXCELLS];
    unsigned maximum[STATMAXCELLS];
};
static_assert(sizeof(STATUSBARDATA) <= 256);

HWND STATCreateStatusWindow(HINSTANCE inst, HWND parent, const char *text);
int STATInsertCell(HWND parent, const char *text, int width, int index, int type);
int STATSetCellText(HWND parent, const char *text, int index);
int STATSetCellBar(HWND parent, unsigned value, unsigned maximum, unsigned index);
int STATDeleteCell(HWND parent, int index);
int STATGetCellText(HWND parent, int index, char *buffer, int max);
int STATGetNumCells(HWND parent);
int GetCellFormat(HWND parent, int index);
int SetCellFormat(HWND parent, int index, unsigned format);
// The cell's rectangle in bar coordinates (for tests and drawing).
BOOL STATGetCellRect(HWND parent, int index, RECT *rect);
