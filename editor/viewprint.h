// View and Print of a document window: the document run in the show
// window, and its selected pages printed several to a sheet with captions
// and footers. Also the "printing" status box of a show window's print.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

// Runs the document from its first page (with Shift: from the current
// block) with every other window of the editor disabled; the run's result.
int DoView(HWND window, BLOCKSET *set);
// Prints the selected pages: 0 when the header cannot be read, else 1.
int DoPrint(HWND window, BLOCKSET *set);
// One page at the document's size as a new 24-bit DIB, or NULL.
HGLOBAL CreatePrintImage(HWND window, HWND list, BLOCKSET *set, BLOCK *page, int index);

// Where page images go on a sheet: each `width` x `height` device pixels,
// `gutter` apart, a caption of `caption` pixels under each, a footer of
// `footer` pixels at the foot of the sheet; `scale` device pixels to a page
// pixel.
struct PRINTLAYOUT {
    int scale;
    int width, height;
    int gutter;
    int caption, footer;
};
// The layout for pages of width x depth on a sheet of pagewidth x
// pageheight at `dpi`, from the print settings; an image that would not fit
// on the sheet is made smaller, never cut.
PRINTLAYOUT PrintLayout(int pagewidth, int pageheight, int dpi, int width, int depth);

UINT_PTR CALLBACK PrintHook(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
int InitFontComboPrint(HWND dlg, int id, const char *face);
int CALLBACK ChooseFontEnumProcPrint(const LOGFONTA *font, const TEXTMETRICA *, DWORD, LPARAM combo);
void FreeComboBoxData(HWND combo);

HWND ShowPrintfromViewStatus(HWND owner, const char *text);
void ClosePrintfromViewStatus(HWND owner, HWND box);
INT_PTR CALLBACK PrintFromViewProc(HWND box, UINT msg, WPARAM wParam, LPARAM lParam);

// View and Print of a document window: false for other commands.
bool ViewPrintCommand(HWND window, BLOCKSET *set, UINT id);
