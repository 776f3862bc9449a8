// The document window's one-level undo of its whole block list, and the
// hand-off of a block to its editor.
#pragma once
#include "document/blockstore.h"
#include "editor/parts.h"
#include <windows.h>

int CreateUndo(HWND window, BLOCKSET *set);
// 1 on success. On failure the document is left exactly as it was and 0 is
// returned.
int DoUndo(HWND window, BLOCKSET *set);
// The editor of a block of this kind in this program (editor/parts.h);
// null when there is none.
BLOCKEDITOR BlockEditor(unsigned long tag);
// Hands the block to the editor of its kind: what the editor returns; 0
// with a message when this program has none.
int EditBlock(HWND window, BLOCKSET *set, BLOCK *block, int index);
int EnableAllWindows(int enable);
BOOL CALLBACK EnableAllWindowsEnumChild(HWND window, LPARAM enable);
