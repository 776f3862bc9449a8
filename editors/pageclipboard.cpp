#include "editors/pageclipboard.h"
#include "common/owners.h"
#include "common/services.h"
#include "document/objects.h"
#include "document/reader.h"
#include "editor/shell.h"
#include "editors/pageeditor.h"

bool CopyPageObjectToClipboard(HWND page, HGLOBAL object)
{
    HGLOBAL copy = object ? DuplicateObject(object) : NULL;
    if (!copy)
        return false;
    // Once set, the copy is the clipboard's: it is never touched here again.
    if (!OpenClipboard(hwndmain ? hwndmain : page)) {
        GlobalFree(copy);
        return false;
    }
    bool placed = EmptyClipboard() && SetPrivateClipboardData(CF_PAGEOBJECT, copy);
    if (!placed)
        GlobalFree(copy);
    CloseClipboard();
    return placed;
}

HGLOBAL PageObjectFromClipboard(HWND page)
{
    if (!OpenClipboard(page))
        return NULL;
    HGLOBAL copy = NULL;
    if (HANDLE data = GetClipboardData(CF_PAGEOBJECT)) {
        // The clipboard's block may end right behind the object's data: the
        // copy gets the zeros a page's objects have there.
        GlobalLocked<const char> bytes((HGLOBAL)data);
        if (bytes && IsWellFormedPageObject(bytes.get(), bytes.size()))
            copy = NewObjectBlock(((const OBJECTHEADER *)bytes.get())->totalsize, bytes.get());
    }
    CloseClipboard();
    return copy;
}

bool IsWellFormedPageObject(const void *bytes, SIZE_T size)
{
    if (!bytes || size < sizeof(OBJECTHEADER))
        return false;
    const auto *o = (const OBJECTHEADER *)bytes;
    return ObjectHeadVerdict(*o) == HEAD_SOUND && o->totalsize <= size;
}
