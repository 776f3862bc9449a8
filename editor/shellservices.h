// What the editor does to a block list after a document has been read into
// it: the reader leaves the list's look to whoever shows it.
#pragma once
#include <windows.h>

struct BLOCKSET;

void AdjustHeader(HWND list, BLOCKSET *set);
// Sizes every item for the document's view mode; 0 when the list has no header.
int AdjustListBox(HWND list, BLOCKSET *set);
