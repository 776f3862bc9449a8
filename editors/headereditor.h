// The header editor and the page properties dialog, which share the
// background choice and the preview window.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

// Both: nonzero when the user confirmed changes, which are then in `block`.
int EditHeader(HWND docwindow, BLOCKSET *set, BLOCK *block, int index);
int EditPageProperties(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index, HWND owner = NULL);
INT_PTR CALLBACK EditHeaderProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditPagePropertiesProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
