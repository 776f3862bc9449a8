// The applet's place, flags and parameter, edited in place from the script
// editor: no backup is made, the script editor's opener keeps one.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

// 1 after OK, 0 after Cancel, when the block is not a page or when the
// object cannot be locked.
int EditAppletProperties(HWND owner, BLOCKSET *set, BLOCK *block, unsigned index, HGLOBAL object);
INT_PTR CALLBACK EditAppletPropertiesProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
