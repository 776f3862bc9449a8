// The commands that change a document's block list: new, insert, delete,
// copy and move within the list, duplicating the whole document, and the
// deep copy of one block they all use.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

// Deep copy: the copy owns its own object array, objects and title. On
// failure nothing of the copy is left to free and `copy` is zero-filled.
int DuplicateBlock(BLOCK *copy, const BLOCK *source);
int DoInsertPage(HWND window, BLOCKSET *set);
int DoDelete(HWND window, BLOCKSET *set);
int DoDeleteOneBlock(HWND window, BLOCKSET *set, int index);
// Copies (move 0) or moves (move 1) the selected pages to after the
// right-click item.
int DoCopyMoveTo(HWND window, BLOCKSET *set, int move);
// flags bit 0: keep the selection; bit 1: keep the scroll position; bit 2:
// make the new window hidden, off the screen.
HWND DuplicateBlockSet(HWND window, BLOCKSET *source, const char *prefix, int flags);
// The refresh every change of the list ends with: renumbered, resized and
// marked modified.
void RefreshBlockList(HWND window, BLOCKSET *set);
