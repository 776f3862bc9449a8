// The source side of dragging pages between document windows: the block
// list's subclass follows the press, the drag and the release, and posts
// WM_DROPFILES naming itself to the document window it was released over.
#include "editor/dragdrop.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "document/blockstore.h"
#include "editor/shell.h"
#include "resources/blockclipboard_ids.h"
#include "resources/editorframe_ids.h"
#include "resources/resource.h"
#include <shlobj.h>
#include <shellapi.h>
#include <cstdio>
#include <cstring>

namespace {

WNDPROC listclassproc;

// One drag at a time in the whole program: the mouse has one button.
struct DRAGSTATE {
    int pressed = -1;        // the list item under the press
    RECT pressedrect{};      // its rectangle in list coordinates
    bool dragging = false;   // the cursor has left the pressed item
    bool captured = false;   // the list holds the capture for the drag
    POINT pressedat{};       // where the press was, on the screen
    bool onselected = false; // the press hit an item already selected
} drag;

constexpr DWORD DROPHEADER = 20;

// The cursor over a list that takes the drop: an arrow with a page and a
// plus sign under it, white with black edges. Made once, kept for the run.
HCURSOR DropCursor()
{
    static HCURSOR made;
    if (made)
        return made;
    BYTE mask[128], image[128];
    memset(mask, 0xFF, sizeof mask);
    memset(image, 0, sizeof image);
    auto set = [&](int x, int y, bool white) {
        mask[y * 4 + x / 8] &= (BYTE) ~(0x80 >> (x % 8));
        if (white)
            image[y * 4 + x / 8] |= (BYTE)(0x80 >> (x % 8));
    };
    for (int y = 0; y < 12; y++)
        for (int x = 0; x <= y; x++)
            set(x, y, x != 0 && x != y && y != 11);
    for (int y = 13; y <= 30; y++)
        for (int x = 12; x <= 26; x++) {
            bool edge = x == 12 || x == 26 || y == 13 || y == 30;
            bool plus = (x == 19 && y >= 17 && y <= 26) || (y == 21 && x >= 15 && x <= 23);
            set(x, y, !edge && !plus);
        }
    made = CreateCursor(hInst, 0, 0, 32, 32, mask, image);
    return made;
}

LRESULT Pass(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(listclassproc, list, msg, wParam, lParam);
}

int ItemAt(HWND list, POINT client)
{
    LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
    return HIWORD(hit) || hit == LB_ERR ? -1 : (int)LOWORD(hit);
}

POINT MessagePoint()
{
    DWORD at = GetMessagePos();
    return POINT{(short)LOWORD(at), (short)HIWORD(at)};
}

void RepaintItem(HWND list, int index)
{
    RECT r;
    if (index >= 0 && SendMessageA(list, LB_GETITEMRECT, index, (LPARAM)&r) != LB_ERR)
        InvalidateRect(list, &r, FALSE);
}

void SelectionChanged(HWND list)
{
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_BLOCKLIST, LBN_SELCHANGE), (LPARAM)list);
}

LRESULT Press(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    POINT client{(short)LOWORD(lParam), (short)HIWORD(lParam)};
    drag.pressedat = client;
    ClientToScreen(list, &drag.pressedat);
    drag.pressed = ItemAt(list, client);
    drag.onselected = false;
    drag.dragging = true;
    HWND document = GetParent(list);
    if (BLOCKSET *set = LockBlockSet(document)) {
        int old = set->caret;
        set->caret = drag.pressed;
        RepaintItem(list, old);
        RepaintItem(list, drag.pressed);
        UpdateWindow(list);
        UnlockBlockSet(document);
    }
    if (drag.pressed >= 0 && SendMessageA(list, LB_GETITEMRECT, drag.pressed, (LPARAM)&drag.pressedrect) != LB_ERR)
        drag.dragging = false;
    LRESULT selected = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    if (selected != LB_ERR && selected > 0 && drag.pressed >= 0) {
        SetCapture(list);
        drag.captured = true;
        PostMessageA(document, WM_COMMAND, MAKEWPARAM(IDC_BLOCKLIST, LBN_SELCHANGE), (LPARAM)list);
        // Passed on, the press would leave only this item selected: the
        // whole selection is what is dragged.
        if (SendMessageA(list, LB_GETSEL, drag.pressed, 0) > 0) {
            drag.onselected = true;
            return 0;
        }
    }
    return Pass(list, msg, wParam, lParam);
}

void Move(HWND list, LPARAM lParam)
{
    POINT client{(short)LOWORD(lParam), (short)HIWORD(lParam)};
    if (!drag.dragging && PtInRect(&drag.pressedrect, client))
        return;
    drag.dragging = true;
    HCURSOR cursor = OkToDrop(list) ? DropCursor() : LoadCursorA(NULL, IDC_NO);
    SetCursor(cursor ? cursor : LoadCursorA(NULL, IDC_ARROW));
}

void Release(HWND list, LPARAM lParam)
{
    POINT client{(short)LOWORD(lParam), (short)HIWORD(lParam)};
    POINT screen = client;
    ClientToScreen(list, &screen);
    if (WindowFromPoint(screen) == list) {
        int item = ItemAt(list, client);
        if (item >= 0 && item == drag.pressed)
            SendMessageA(list, LB_SETCARETINDEX, item, FALSE);
        SelectionChanged(list);
    }
    drag.onselected = false;
    drag.pressed = -1;
    // Cleared first: the capture this release gives back ends no drag.
    bool captured = drag.captured;
    drag.captured = false;
    if (captured)
        ReleaseCapture();

    HWND target = OkToDrop(list);
    if (!target || SendMessageA(list, LB_GETCOUNT, 0, 0) <= 0)
        return;
    HWND document = GetParent(list);
    RECT inside;
    GetClientRect(target, &inside);
    POINT at = MessagePoint();
    ScreenToClient(target, &at);
    HGLOBAL drop = CreateDrop(&at, !PtInRect(&inside, at));
    BLOCKSET *set = drop ? LockBlockSet(document) : nullptr;
    if (drop && !set) {
        GlobalFree(drop);
        DoMessage(document, FetchString(IDS_BLOCKACCESS));
        return;
    }
    char name[32];
    snprintf(name, sizeof name, "%c%lu", 255, (unsigned long)(UINT_PTR)list);
    drop = drop ? AddToDrop(drop, name) : NULL;
    if (set)
        UnlockBlockSet(document);
    if (!drop) {
        DoMessage(document, FetchString(IDS_MEMORY));
        return;
    }
    // Posted, the record is the target's, which ends it with DragFinish.
    if (!PostMessageA(target, WM_DROPFILES, (WPARAM)drop, 0))
        GlobalFree(drop);
}

} // namespace

HGLOBAL CreateDrop(const POINT *point, int outside)
{
    GlobalBlock drop = GlobalBlock::Alloc(DROPHEADER + 1);
    GlobalLocked<DROPFILES> record(drop);
    if (!record)
        return NULL;
    record->pFiles = DROPHEADER;
    record->pt = point ? *point : POINT{};
    record->fNC = outside != 0;
    record->fWide = FALSE;
    record.Unlock();
    return drop.Release();
}

HGLOBAL AddToDrop(HGLOBAL handle, const char *name)
{
    GlobalBlock drop(handle);
    SIZE_T end = DROPHEADER, length = strlen(name);
    {
        GlobalLocked<char> record(drop);
        if (!record)
            return NULL;
        SIZE_T size = record.size();
        // Past each name and its 0 until the empty one that ends the list.
        while (end < size && record.get()[end])
            end += strnlen(record.get() + end, size - end) + 1;
        if (end >= size)
            return NULL;
    }
    HGLOBAL grown = GlobalReAlloc(drop.get(), end + length + 2, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (!grown)
        return NULL;
    drop.Release();
    drop.Reset(grown);
    GlobalLocked<char> record(drop);
    if (!record)
        return NULL;
    memcpy(record.get() + end, name, length + 1);
    record.get()[end + length + 1] = 0;
    record.Unlock();
    return drop.Release();
}

HWND OkToDrop(HWND source)
{
    HWND under = WindowFromPoint(MessagePoint());
    HWND document = under ? GetParent(under) : NULL;
    if (!under || under == source || !document || GetParent(document) != hwndclient || !hwndclient ||
        GetDlgCtrlID(under) != IDC_BLOCKLIST)
        return NULL;
    for (HWND w = under; w; w = GetParent(w))
        if (GetWindowValue<DWORD>(w, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)
            return w;
    return NULL;
}

LRESULT CALLBACK TaskListSubclass(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_LBUTTONDOWN:
        return Press(list, msg, wParam, lParam);
    // Only a drag this subclass began: a press on a list with nothing
    // selected is the list box's alone.
    case WM_MOUSEMOVE:
        if (drag.captured && GetCapture() == list)
            Move(list, lParam);
        break;
    case WM_LBUTTONUP:
        if (drag.captured)
            Release(list, lParam);
        break;
    // A drag whose capture is taken away (a message box, another program)
    // is over: no later release may drop it.
    case WM_CAPTURECHANGED:
        if (drag.captured && (HWND)lParam != list) {
            drag.captured = false;
            drag.onselected = false;
            drag.pressed = -1;
        }
        break;
    }
    return Pass(list, msg, wParam, lParam);
}

void SubclassBlockList(HWND list)
{
    WNDPROC previous = SetWindowValue<WNDPROC>(list, GWLP_WNDPROC, TaskListSubclass);
    if (!listclassproc)
        listclassproc = previous;
}
