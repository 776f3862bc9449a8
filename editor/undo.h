// The document window's one-level undo of its whole block list, and the
// hand-off of a block to its editor.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

int CreateUndo(HWND window, BLOCKSET *set);
// 1 on success. On failure the document is left exactly as it was and 0 is
// returned.
int DoUndo(HWND window, BLOCKSET *set);
// The editors of the header and of a page, filled in when they are linked
// in: nonzero when the user confirmed changes. The edited block is then in
// `block`, and the editor has destroyed the block it replaced; a thumbnail
// left in it is dropped by the caller.
typedef int (*BLOCKEDITOR)(HWND window, BLOCKSET *set, BLOCK *block, int index);
extern BLOCKEDITOR EditHeaderEntry;
extern BLOCKEDITOR EditPageEntry;
// Whether a block of this kind can be handed to an editor.
bool CanEditBlock(unsigned long tag);
int EditBlock(HWND window, BLOCKSET *set, BLOCK *block, int index);
int EnableAllWindows(int enable);
BOOL CALLBACK EnableAllWindowsEnumChild(HWND window, LPARAM enable);
