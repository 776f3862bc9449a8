// Picking colours: the palette grid, and the system colour dialog with a
// table of named colours kept in a colour table file.
#pragma once
#include <windows.h>

constexpr UINT CSM_CREATEHEXFIELDS = WM_USER + 25;
constexpr UINT CSM_SELECTMATCHINGCOLOUR = WM_USER + 26;

struct COLOURGRIDPARAM {
    const unsigned char *palette; // red, green, blue triples
    DWORD count;                  // valid colours, 1..256
    COLORREF colour;              // out: the picked colour
};

struct ADDCOLOURPARAM {
    COLORREF colour;
    WORD listid;
    HWND owner;
};

// The longest name of a colour in the table, its terminating zero counted.
constexpr int COLOURNAMESIZE = 260;
// The name of entry `index` of a colour table's list, when it fits; false
// for a missing or oversized one.
bool ColourTableName(HWND list, int index, char *out);

int SelectColour(HWND parent, const unsigned char *palette, int count, COLORREF *colour);
int DoColourSelect(HWND parent, COLORREF *colour);
int COMMONDoColourSelect(HWND parent, COLORREF *colour);
int LoadColourTable(HWND dlg, const char *path, int listid);
int SaveColourTable(HWND dlg, const char *path, int listid);
int AddTableColour(HWND dlg, COLORREF colour, int listid);
int COMMONAddTableColour(HWND dlg, COLORREF colour, int listid);
int GetOpenColourTableName(HWND parent, char *buffer);
int COMMONGetOpenColourTableName(HWND parent, char *buffer);
int COMMONDrawColourButton(HWND hwnd, UINT msg, WPARAM wParam, DRAWITEMSTRUCT *item, COLORREF colour,
                           unsigned flags);

INT_PTR CALLBACK SelectColourProc(HWND, UINT, WPARAM, LPARAM);
UINT_PTR CALLBACK ColourHookProc(HWND, UINT, WPARAM, LPARAM);
UINT_PTR CALLBACK COMMONColourHookProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK AddColourDlgProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK COMMONAddColourDlgProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK OpenColourDlgProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK COMMONOpenColourDlgProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK COMMONColorSelectHexSubclass(HWND, UINT, WPARAM, LPARAM);
