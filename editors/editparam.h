// The record through which every page and object editor receives what it
// edits and hands back what it made. The opener zero-fills it, keeps it in
// its own storage for as long as the editor runs and passes its address as
// the editor's creation parameter; each editor uses only its own fields.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

struct EDITPARAM {
    HWND hwnd;          // the editor's owner
    BLOCKSET *blockset; // null for the object list
    BLOCK *block;       // the block or working page being edited
    unsigned index;     // the block's place in the document, or the object's in the page
    int result;         // the page editor's outcome: nonzero keeps the page
    HGLOBAL object;     // the object under edit; a dialog may replace it
};
