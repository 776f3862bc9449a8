// The commands the object windows and the object list send the page window
// about one object, named by its number and type tag, and the paste of an
// object from the clipboard. Each takes the undo step before it changes
// anything.
#include "editors/objectcommands.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "document/objects.h"
#include "editor/clipboard.h"
#include "editor/shell.h"
#include "editors/objectdialogs.h"
#include "editors/pageclipboard.h"
#include "editors/pageeditor.h"
#include "editors/pagerecord.h"
#include "editors/pageundo.h"
#include "editors/stacking.h"
#include "editors/tostatic.h"
#include "resources/document_ids.h"
#include "resources/editordocs_ids.h"
#include "resources/pageeditor_ids.h"
#include "resources/resource.h"
#include "runtime/runtime.h"

namespace {

void Say(HWND owner, unsigned id)
{
    DoMessage(owner, FetchString(id));
}

HWND FindObjectWindow(HWND page, HGLOBAL object)
{
    for (HWND w = GetWindow(page, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (GetWindowValue<HGLOBAL>(w, GWLP_USERDATA) == object)
            return w;
    return NULL;
}

// The object of `number` and `tag` on the working page: its index, -1 when none.
int Find(PAGEEDITOR *e, WPARAM number, LPARAM tag)
{
    return FindPageObject(e->param->block, (unsigned long)tag, (unsigned long)number);
}

bool NumberTaken(BLOCK *block, uint32_t number)
{
    uint32_t n = BlockObjectCount(block);
    for (uint32_t i = 0; i < n; i++) {
        GlobalLocked<OBJECTHEADER> o(GetPageObject(block, i));
        if (o && o.size() >= sizeof(OBJECTHEADER) && o->number == number)
            return true;
    }
    return false;
}

void Edit(HWND page, PAGEEDITOR *e, WPARAM number, LPARAM tag)
{
    TakePageUndo(e);
    int i = Find(e, number, tag);
    if (i < 0)
        return;
    if (EditObject(page, e->param->blockset, e->param->block, (unsigned)i))
        e->changed = 1;
    RepointObjectWindow(page, e->param->block, (unsigned)i);
    InvalidateRect(page, NULL, TRUE);
}

void Delete(HWND page, PAGEEDITOR *e, WPARAM number, LPARAM tag)
{
    TakePageUndo(e);
    int i = Find(e, number, tag);
    HGLOBAL object = i < 0 ? NULL : GetPageObject(e->param->block, (unsigned)i);
    if (!object)
        return;
    // Only an object that can be let go loses its window.
    if (!GlobalLock(object)) {
        Say(page, IDS_OBJECTACCESSERROR);
        return;
    }
    GlobalUnlock(object);
    if (HWND w = FindObjectWindow(page, object))
        DestroyWindow(w);
    DeletePageObject(e->param->block, (unsigned)i);
    e->changed = 1;
}

void Duplicate(HWND page, PAGEEDITOR *e, WPARAM number, LPARAM tag)
{
    TakePageUndo(e);
    int i = Find(e, number, tag);
    HGLOBAL object = i < 0 ? NULL : GetPageObject(e->param->block, (unsigned)i);
    HGLOBAL copy = object ? DuplicateObject(object) : NULL;
    if (!copy)
        return;
    {
        GlobalLocked<OBJECTHEADER> o(copy);
        if (!o) {
            GlobalFree(copy);
            Say(page, IDS_OBJECTACCESSERROR);
            return;
        }
        RECT client;
        GetClientRect(page, &client);
        RECT &r = o->rect;
        LONG dx = r.right + 8 < client.right ? 8 : r.left > 8 ? -8 : 0;
        LONG dy = r.bottom + 8 < client.bottom ? 8 : r.top > 8 ? -8 : 0;
        OffsetRect(&r, dx, dy);
        o->number = GetNextPageObjectNumber(e->param->block);
    }
    if (!AppendPageObject(e->param->block, copy)) {
        Say(page, IDS_OBJECTACCESSERROR);
        GlobalFree(copy);
        return;
    }
    RebuildPageObjectWindows(page, e->param->block, false);
    e->changed = 1;
}

void Reorder(HWND page, PAGEEDITOR *e, UINT msg, WPARAM number, LPARAM tag)
{
    TakePageUndo(e);
    int found = Find(e, number, tag);
    if (found < 0)
        return;
    if (!RestackPageObject(e->param->block, (unsigned)found, msg)) {
        // The array may be half rearranged: the copy taken just before restores it.
        Say(page, IDS_OBJECTACCESSERROR);
        PostMessageA(page, WM_COMMAND, IDM_PAGEUNDO, 0);
        return;
    }
    RebuildPageObjectWindows(page, e->param->block, false);
    e->changed = 1;
}

// False, with the user told, when the object did not reach the clipboard.
bool Copy(HWND page, PAGEEDITOR *e, WPARAM number, LPARAM tag)
{
    int i = Find(e, number, tag);
    if (i < 0)
        return false;
    if (!CopyPageObjectToClipboard(page, GetPageObject(e->param->block, (unsigned)i))) {
        Say(page, IDS_OBJECTACCESSERROR);
        return false;
    }
    return true;
}

void ToStatic(HWND page, PAGEEDITOR *e, WPARAM number, LPARAM tag)
{
    DoWarning(page, FetchString(IDS_TOSTATICWARNING), &WarnToStatic);
    TakePageUndo(e);
    int i = Find(e, number, tag);
    HGLOBAL object = i < 0 ? NULL : GetPageObject(e->param->block, (unsigned)i);
    if (!object)
        return;
    HGLOBAL still = ConvertObjectToStatic(page, e->param->block, object);
    if (!still) {
        Say(page, IDS_OBJECTACCESSERROR);
        return;
    }
    if (!PutPageObject(e->param->block, still, (unsigned)i)) {
        GlobalFree(still);
        Say(page, IDS_OBJECTACCESSERROR);
        return;
    }
    // No window may keep the text's handle once it is freed.
    RepointObjectWindow(page, e->param->block, (unsigned)i);
    GlobalFree(object);
    e->changed = 1;
    RebuildPageObjectWindows(page, e->param->block, false);
}

} // namespace

bool ObjectCommand(HWND page, PAGEEDITOR *e, UINT msg, WPARAM number, LPARAM tag)
{
    switch (msg) {
    case WMU_OBJECTEDIT:
        Edit(page, e, number, tag);
        return true;
    case WMU_OBJECTDELETE:
        Delete(page, e, number, tag);
        return true;
    case WMU_OBJECTDUPLICATE:
        Duplicate(page, e, number, tag);
        return true;
    case WMU_OBJECTTOTOP:
    case WMU_OBJECTTOBOTTOM:
    case WMU_OBJECTFORWARD:
    case WMU_OBJECTBACKWARD:
        Reorder(page, e, msg, number, tag);
        return true;
    case WMU_OBJECTCOPY:
        Copy(page, e, number, tag);
        return true;
    case WMU_OBJECTCUT:
        // Only an object the clipboard holds is deleted: the undo step alone
        // would not keep it past the next edit.
        if (Copy(page, e, number, tag))
            Delete(page, e, number, tag);
        return true;
    case WMU_OBJECTTOSTATIC:
        ToStatic(page, e, number, tag);
        return true;
    }
    return false;
}

void PasteObject(HWND page, PAGEEDITOR *e)
{
    if (!IsClipboardFormatAvailable(CF_PAGEOBJECT))
        return;
    HGLOBAL copy = PageObjectFromClipboard(page);
    if (!copy) {
        Say(page, IDS_OBJECTACCESSERROR);
        return;
    }
    {
        GlobalLocked<OBJECTHEADER> o(copy);
        if (NumberTaken(e->param->block, o->number))
            o->number = GetNextPageObjectNumber(e->param->block);
    }
    if (!AppendPageObject(e->param->block, copy)) {
        Say(page, IDS_OBJECTACCESSERROR);
        GlobalFree(copy);
        return;
    }
    // Any place a load takes is kept in the editor's bounds, as when the page opened.
    ClampPageObjects(e->param->block);
    e->changed = 1;
    RebuildPageObjectWindows(page, e->param->block, false);
}
