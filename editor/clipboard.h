// Whole pages through the clipboard, in the editor's private page format,
// between any document windows. The data is the clipboard's once it is set
// (editor/shell.h, SetPrivateClipboardData); Paste only reads it.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

// The editor's private clipboard formats: a whole page, and one page object
// exactly as a page holds it (the page editor's).
constexpr UINT CF_PAGEBLOCK = CF_PRIVATEFIRST + 2;
constexpr UINT CF_PAGEOBJECT = CF_PRIVATEFIRST + 3;
// The block record's image at the head of the clipboard data; the page's
// objects follow it whole, one after the other.
constexpr SIZE_T PAGEBLOCKIMAGE = 3080;

// Puts a page with copies of its objects on the clipboard: 1, or 0 for any
// other kind of block or when memory fails (the clipboard keeps what it
// held then).
int CopyBlockToClipboard(HWND window, BLOCK *block);
// Copy on the block at `index` of the document's list; failures are told.
int DoCopyBlockToClipboard(HWND window, BLOCKSET *set, int index);
// Inserts the clipboard's page after the current block: 1, or 0 with the
// document unchanged. Data that is not a sound page is refused with a
// message; an empty clipboard or no current block says nothing.
int DoPasteBlockFromClipboard(HWND window, BLOCKSET *set, int index);
// Cut, Copy and Paste of a document window: false for other commands.
bool BlockClipboardCommand(HWND window, BLOCKSET *set, UINT id);
