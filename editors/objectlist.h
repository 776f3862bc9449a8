// The page's objects listed one line each; a double click opens one.
#pragma once
#include <windows.h>

struct BLOCK;

// Over the page window `parent`; the dialog's result.
int EditPageObjectList(HWND parent, BLOCK *block);
INT_PTR CALLBACK EditPageObjectListProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
