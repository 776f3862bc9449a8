// The document's about box: the header's title and about text.
#pragma once
#include <windows.h>

struct BLOCK;

// Shows the about box of `block` when it is a header, else of the header of
// `list`; the dialog's result, 0 when there is no header to show.
int DoEXEAbout(HWND parent, HWND list, BLOCK *block);
INT_PTR CALLBACK EXEAboutDialog(HWND, UINT, WPARAM, LPARAM);
