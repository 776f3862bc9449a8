// Page objects on the clipboard, in the editor's private format: copied
// whole, and checked before a page takes one back.
#pragma once
#include <windows.h>

// Object rectangles are kept within a range windows can be made from.
constexpr LONG MAXCOORDINATE = 32760;

// Puts a copy of the page object `object` on the clipboard; false when it
// could not be copied or the clipboard could not be had. `page` opens the
// clipboard when the program has no frame window to own it.
bool CopyPageObjectToClipboard(HWND page, HGLOBAL object);

// A copy of the clipboard's page object when it is one a page can take,
// else null.
HGLOBAL PageObjectFromClipboard(HWND page);

// Checks a page object that came from outside the page (the clipboard): a
// head a load takes as it stands, inside `size` bytes. Its place is the
// page editor's to keep in bounds, as for a loaded page.
bool IsWellFormedPageObject(const void *object, SIZE_T size);
