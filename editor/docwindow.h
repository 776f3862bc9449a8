// The document window: one MDI child per open document, holding its block
// list (control 10) and the hidden undo list (control 11), with the
// document's BLOCKSET handle in GWL_USERDATA.
#pragma once
#include "document/blockstore.h" // IDC_BLOCKLIST, IDC_UNDOLIST
#include <windows.h>

LRESULT CALLBACK TaskProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// flags bit 0: minimised; bit 1: hidden and placed off the screen.
HWND CreateNewTask(HWND parent, const char *path, int flags);
int CreateNewFile(BLOCKSET *set);
int SetBrowserSize(HWND window, BLOCKSET *set);
int GetViewMode(HWND window, BLOCKSET *set);
// Fills an empty document with its header block.
int DoNew(HWND owner, HWND window, BLOCKSET *set);
