// Pages rendered off screen: the window's picture sent to the printer, and
// the thumbnails of the editor's block list.
#pragma once
#include <windows.h>

struct BLOCK;
struct BLOCKSET;

// Where a picture lands on a printer page: scaled by `scale` percent to
// fit, centred across the page's width and depth.
struct PRINTPLACEMENT {
    int scale;
    int x, y;
    int width, height;
};
// False for an empty picture or page.
bool PlacePrintout(int pagewidth, int pageheight, int width, int height, PRINTPLACEMENT *out);

// The thumbnail's scale in percent when thumbnails are kept small; 0 for a
// page without a size.
int ThumbnailScale(int width, int height);

// What printing asks of the system, part of a show's host
// (runtime/runtime.h). The system's uses the default printer, the print
// dialog (through COMMONModal) and the printer DC's GDI calls.
struct PRINTERPROVIDER {
    // The default printer's name, at most size - 1 characters; false when
    // there is no printer.
    bool (*defaultprinter)(char *name, size_t size);
    // The print dialog: 1 with a DC and a copy count, 0 when cancelled. The
    // settings block may come back as another handle, which the caller
    // frees; the provider frees the dialog's other memory.
    int (*printdialog)(HWND owner, HGLOBAL *devmode, HDC *dc, int *copies);
    void (*pagesize)(HDC dc, int *width, int *height);
    int(WINAPI *startdoc)(HDC dc, const DOCINFOA *info);
    int(WINAPI *startpage)(HDC dc);
    int(WINAPI *endpage)(HDC dc);
    int(WINAPI *enddoc)(HDC dc);
    int(WINAPI *abortdoc)(HDC dc);
    void (*releasedc)(HDC dc);
    // The program's "Printing ..." status window, when it has one.
    HWND (*showstatus)(HWND owner, char *title);
    void (*closestatus)(HWND owner, HWND status);
};
// The system's parts of it, for the system's host; the rest are the GDI
// calls of the same names.
bool SystemDefaultPrinter(char *name, size_t size);
int SystemPrintDialog(HWND owner, HGLOBAL *devmode, HDC *dc, int *copies);
void SystemPageSize(HDC dc, int *width, int *height);
void SystemReleaseDC(HDC dc);

// Prints the window's client area (whole 0) or the whole window, scaled to
// fit the page: 1 when the print dialog was reached, printed or cancelled;
// 0 when the window's picture cannot be made or there is no printer (which
// the user is told). The printer is the one of the window's show host; a
// window outside a show names its own.
int QV_DoPrintScreen(HWND window, int whole);
int QV_DoPrintScreen(HWND window, int whole, const PRINTERPROVIDER &printer);
// Renders page `index` into its block's thumbnail: 1, 6 when the picture
// could not be drawn, 0 on other failures; the old thumbnail stays then.
int CreateViewImage(HWND window, HWND list, BLOCKSET *blockset, BLOCK *page, unsigned index);
// The same drawn straight at width x depth pixels, the size a block list
// shows it at, so that a small picture costs what it shows and no more.
int CreatePageThumbnail(HWND window, HWND list, BLOCKSET *blockset, BLOCK *page, unsigned index, int width,
                        int depth);
