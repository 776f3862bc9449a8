// The object windows of the page editor: each paints its object, is moved
// or resized by the mouse with a focus rectangle as feedback, snaps to the
// grid, and offers the object menu. What changes the page itself is asked of
// the page window.
#include "common/owners.h"
#include "common/services.h"
#include "common/windowvalue.h"
#include "document/objects.h"
#include "editor/grid.h"
#include "editor/shell.h"
#include "editors/pageeditor.h"
#include "editors/pagerecord.h"
#include "resources/pageeditor_ids.h"
#include "runtime/objdraw.h"
#include "runtime/runtime.h"
#include <algorithm>

namespace {

// Only the window holding the mouse capture drags, so one state serves all.
struct DRAG {
    int zone = -1; // -1 none, 0 move, 1-8 the corners and edges clockwise from the top left
    POINT start{};
    RECT startrect{};
    bool moved = false;
} drag;

// Objects whose tag starts with a lower-case letter keep their size.
bool FixedSize(uint32_t tag)
{
    return (tag & 0x20) != 0;
}

bool In(POINT p, LONG left, LONG top, LONG right, LONG bottom)
{
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
}

int HitTest(HWND window, uint32_t tag, POINT p)
{
    RECT r;
    GetWindowRect(window, &r);
    if (FixedSize(tag) || In(p, r.left + 4, r.top + 4, r.right - 4, r.bottom - 4))
        return 0;
    if (In(p, r.left, r.top, r.left + 8, r.top + 8))
        return 1;
    if (In(p, r.right - 8, r.top, r.right, r.top + 8))
        return 3;
    if (In(p, r.left, r.bottom - 8, r.left + 8, r.bottom))
        return 7;
    if (In(p, r.right - 8, r.bottom - 8, r.right, r.bottom))
        return 5;
    if (In(p, r.left + 8, r.top, r.right - 8, r.top + 4))
        return 2;
    if (In(p, r.left + 8, r.bottom - 4, r.right - 8, r.bottom))
        return 6;
    if (In(p, r.left, r.top + 8, r.left + 4, r.bottom - 8))
        return 8;
    if (In(p, r.right - 4, r.top + 8, r.right + 4, r.bottom - 8))
        return 4;
    return -1;
}

void SetZoneCursor(int zone, bool captured)
{
    int id = 0;
    LPCSTR fallback = IDC_ARROW;
    switch (zone) {
    case 0:
        if (captured) {
            id = IDC_DRAGHAND;
            fallback = IDC_SIZEALL;
        }
        break;
    case 1:
    case 5: id = IDC_SIZEDIAGDOWN; fallback = IDC_SIZENWSE; break;
    case 3:
    case 7: id = IDC_SIZEDIAGUP; fallback = IDC_SIZENESW; break;
    case 4:
    case 8: id = IDC_SIZEHORIZONTAL; fallback = IDC_SIZEWE; break;
    case 2:
    case 6: id = IDC_SIZEVERTICAL; fallback = IDC_SIZENS; break;
    default: return;
    }
    HCURSOR cursor = id ? LoadCursorA(hInst, MAKEINTRESOURCEA(id)) : NULL;
    SetCursor(cursor ? cursor : LoadCursorA(NULL, fallback));
}

POINT ScreenPoint(HWND window, LPARAM lParam)
{
    POINT p{(short)LOWORD(lParam), (short)HIWORD(lParam)};
    ClientToScreen(window, &p);
    return p;
}

// False when no object of the page but the window's own lies under the
// point (screen coordinates), so no sibling can hold it either: the windows
// stand where their objects are. True, for the z-order to be walked, when
// one does, or when the page is not the editor's or cannot be read.
bool OthersUnder(HWND window, HWND page, POINT p)
{
    auto *e = page == PageEditorWindow() ? GetWindowValue<PAGEEDITOR *>(page, GWLP_USERDATA) : nullptr;
    BLOCK *block = e && e->param ? e->param->block : nullptr;
    if (!block)
        return true;
    ScreenToClient(page, &p);
    HGLOBAL own = GetWindowValue<HGLOBAL>(window, GWLP_USERDATA);
    for (uint32_t i = 0, n = BlockObjectCount(block); i < n; i++) {
        HGLOBAL h = GetPageObject(block, i);
        if (h == own)
            continue;
        GlobalLocked<OBJECTHEADER> o(h);
        if (!o || o.size() < sizeof(OBJECTHEADER) || PtInRect(&o->rect, p))
            return true;
    }
    return false;
}

// A mouse message reaches the lowest object window under the cursor: the
// first sibling below this one that holds the point gets it (and passes it
// on in turn); null when none does. Each step through the z-order asks the
// window server, which on a page of a hundred objects cost a press more
// than the copy of the page it takes for undo: the page's own rectangles
// say first whether there is anything to look for.
HWND PassDown(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT *answer)
{
    POINT p = ScreenPoint(window, lParam);
    if (!OthersUnder(window, GetParent(window), p))
        return NULL;
    for (HWND w = GetWindow(window, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(w, &r);
        if (IsWindowVisible(w) && PtInRect(&r, p)) {
            POINT q = p;
            ScreenToClient(w, &q);
            *answer = SendMessageA(w, msg, wParam, MAKELPARAM(q.x, q.y));
            return w;
        }
    }
    return NULL;
}

void FocusRect(HWND page, const RECT &r)
{
    HDC dc = GetDC(page);
    DrawFocusRect(dc, &r);
    ReleaseDC(page, dc);
}

void Press(HWND window, LPARAM lParam)
{
    HWND page = GetParent(window);
    SendMessageA(page, WMU_OBJECTPICKED, 0, 0);
    SetCapture(window);
    drag.start = ScreenPoint(window, lParam);
    OBJECTHEADER *o = LockObject(window);
    if (!o) {
        drag.zone = -1;
        return;
    }
    drag.zone = HitTest(window, o->tag, drag.start);
    drag.startrect = o->rect;
    FocusRect(page, o->rect);
    UnlockObject(window);
    SetZoneCursor(drag.zone, true);
    drag.moved = false;
}

void Drag(HWND window, LPARAM lParam)
{
    POINT p = ScreenPoint(window, lParam);
    // Brought back to the press point after a move, the object goes back
    // where it was; before any move, the point is no movement.
    if (drag.zone < 0 || (!drag.moved && p.x == drag.start.x && p.y == drag.start.y))
        return;
    LONG dx = p.x - drag.start.x, dy = p.y - drag.start.y;
    OBJECTHEADER *o = LockObject(window);
    if (!o)
        return;
    HWND page = GetParent(window);
    RECT old = o->rect;
    RECT r = drag.startrect;
    RECT client;
    GetClientRect(page, &client);
    if (r.right + dx >= client.right)
        dx = client.right - r.right;
    if (r.bottom + dy >= client.bottom)
        dy = client.bottom - r.bottom;
    LONG m = MinimumObjectSize > 0 ? MinimumObjectSize : 1;
    int z = drag.zone;
    if (z == 0) {
        if (r.left + dx < 0)
            dx = -r.left;
        if (r.top + dy < 0)
            dy = -r.top;
        OffsetRect(&r, dx, dy);
    } else {
        if (z == 1 || z == 7 || z == 8) {
            r.left = std::min(r.left + dx, r.right - m);
            if (r.left < 0)
                r.left = 0;
        }
        if (z == 1 || z == 2 || z == 3) {
            r.top = std::min(r.top + dy, r.bottom - m);
            if (r.top < 0)
                r.top = 0;
        }
        if (z == 3 || z == 4 || z == 5)
            r.right = std::max(r.right + dx, r.left + m);
        if (z == 5 || z == 6 || z == 7)
            r.bottom = std::max(r.bottom + dy, r.top + m);
    }
    o->rect = r;
    HDC dc = GetDC(page);
    DrawFocusRect(dc, &old);
    DrawFocusRect(dc, &r);
    ReleaseDC(page, dc);
    UnlockObject(window);
    drag.moved = true;
}

void Release(HWND window)
{
    HWND page = GetParent(window);
    if (OBJECTHEADER *o = LockObject(window)) {
        FocusRect(page, o->rect);
        if (drag.moved) {
            DoGridRect(page, &o->rect, drag.zone);
            const RECT &r = o->rect;
            SetWindowPos(window, NULL, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOACTIVATE);
            SetWindowPos(window, NULL, 0, 0, 0, 0,
                         SWP_SHOWWINDOW | SWP_NOCOPYBITS | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        UnlockObject(window);
        InvalidateRect(window, NULL, TRUE);
    }
    // Ended before the capture goes, so that its going abandons nothing.
    bool moved = drag.moved;
    drag.zone = -1;
    drag.moved = false;
    ReleaseCapture();
    if (moved)
        PostMessageA(page, WMU_OBJECTMOVED, 0, 0);
}

// The mouse taken away during a drag: the object goes back to where its
// window still is, which the press's copy already holds.
void Abandon(HWND window)
{
    if (drag.zone < 0)
        return;
    if (OBJECTHEADER *o = LockObject(window)) {
        FocusRect(GetParent(window), o->rect);
        o->rect = drag.startrect;
        UnlockObject(window);
    }
    drag.zone = -1;
    drag.moved = false;
}

// The number and tag of the window's object; false when it cannot be read.
bool Identity(HWND window, WPARAM *number, LPARAM *tag)
{
    OBJECTHEADER *o = LockObject(window);
    if (!o)
        return false;
    *number = o->number;
    *tag = (LPARAM)o->tag;
    UnlockObject(window);
    return true;
}

void ObjectMenu(HWND window)
{
    HMENU menu = LoadMenuA(hInst, "ObjectMenu");
    if (!menu)
        return;
    WPARAM number;
    LPARAM tag = 0;
    Identity(window, &number, &tag);
    HMENU popup = GetSubMenu(menu, 0);
    EnableMenuItem(popup, IDM_OBJECTTOSTATIC, MF_BYCOMMAND | ((uint32_t)tag == TAG_TEXT ? MF_ENABLED : MF_GRAYED));
    POINT at;
    GetCursorPos(&at);
    UINT chosen = TrackEditorPopup(popup, at, window);
    DestroyMenu(menu);
    if (chosen)
        SendMessageA(window, WM_COMMAND, chosen, 0);
}

const struct {
    UINT id, msg;
} commands[] = {
    {IDM_OBJECTEDIT, WMU_OBJECTEDIT},         {IDM_OBJECTDELETE, WMU_OBJECTDELETE},
    {IDM_OBJECTDUPLICATE, WMU_OBJECTDUPLICATE}, {IDM_OBJECTCUT, WMU_OBJECTCUT},
    {IDM_OBJECTCOPY, WMU_OBJECTCOPY},         {IDM_OBJECTTOSTATIC, WMU_OBJECTTOSTATIC},
    {IDM_OBJECTTOTOP, WMU_OBJECTTOTOP},       {IDM_OBJECTFORWARD, WMU_OBJECTFORWARD},
    {IDM_OBJECTBACKWARD, WMU_OBJECTBACKWARD}, {IDM_OBJECTTOBOTTOM, WMU_OBJECTTOBOTTOM},
};

} // namespace

LRESULT CALLBACK ObjectPreviewProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    bool captured = GetCapture() == window;
    LRESULT answer = 0;
    switch (msg) {
    case WM_CREATE:
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        DrawPageObject(window, dc, nullptr);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return ErasePageObjectBackground(window, (HDC)wParam, nullptr);
    case WM_LBUTTONDOWN:
        if (PassDown(window, msg, wParam, lParam, &answer))
            return answer;
        Press(window, lParam);
        return 0;
    case WM_MOUSEMOVE:
        if (captured) {
            Drag(window, lParam);
            return 0;
        }
        if (PassDown(window, msg, wParam, lParam, &answer))
            return answer;
        if (OBJECTHEADER *o = LockObject(window)) {
            SetZoneCursor(HitTest(window, o->tag, ScreenPoint(window, lParam)), false);
            UnlockObject(window);
        }
        return 0;
    case WM_LBUTTONUP:
        if (captured) {
            Release(window);
            return 0;
        }
        if (PassDown(window, msg, wParam, lParam, &answer))
            return answer;
        return 0;
    case WM_CAPTURECHANGED:
        if ((HWND)lParam != window)
            Abandon(window);
        return 0;
    case WM_LBUTTONDBLCLK: {
        if (PassDown(window, msg, wParam, lParam, &answer))
            return answer;
        drag.zone = -1;
        WPARAM number;
        LPARAM tag;
        if (Identity(window, &number, &tag))
            PostMessageA(GetParent(window), WMU_OBJECTEDIT, number, tag);
        return 0;
    }
    case WM_RBUTTONDOWN:
        if (wParam & MK_SHIFT) {
            POINT p = ScreenPoint(window, lParam);
            ScreenToClient(GetParent(window), &p);
            PostMessageA(GetParent(window), WM_RBUTTONDOWN, wParam, MAKELPARAM(p.x, p.y));
            return 0;
        }
        if (PassDown(window, msg, wParam, lParam, &answer))
            return answer;
        ObjectMenu(window);
        return 0;
    case WM_COMMAND:
        for (const auto &c : commands)
            if (c.id == LOWORD(wParam)) {
                WPARAM number;
                LPARAM tag;
                if (Identity(window, &number, &tag))
                    PostMessageA(GetParent(window), c.msg, number, tag);
                return 0;
            }
        break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (LRESULT)HandleCtlColour(window, (HDC)wParam, lParam);
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}
