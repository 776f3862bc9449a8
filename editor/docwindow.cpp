// The document window: an MDI child that owns one document and its block
// list, with the list's right-button menu. Drawing the list, the document
// commands and the receiving of dropped pages have files of their own.
#include "editor/docwindow.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "editor/blockdrawing.h"
#include "editor/doccommands.h"
#include "editor/dragdrop.h"
#include "editor/shell.h"
#include "editor/shellservices.h"
#include "resources/editordocs_ids.h"
#include "resources/editorframe_ids.h"
#include "resources/resource.h"
#include <shellapi.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

const unsigned viewmodetable[8] = {0, 10, 25, 50, 75, 100, 150, 200};

namespace {

constexpr int TEXTHEIGHT = 24;
constexpr DWORD LISTSTYLE = WS_CHILD | WS_BORDER | WS_VSCROLL | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS |
                            LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;

void Say(HWND owner, unsigned id) { DoMessage(owner, FetchString(id)); }

HWND List(HWND window) { return GetDlgItem(window, IDC_BLOCKLIST); }

void Close(HWND window)
{
    BLOCKSET *set = LockBlockSet(window);
    if (set && set->modified) {
        char text[FETCHSTRINGSIZE + MAX_PATH];
        snprintf(text, sizeof text, FetchString(IDS_SAVEBEFORECLOSE), set->path);
        int answer = DoYesNoCancel(window, text);
        // Only a document that is safely on disk, or given up on purpose, closes.
        bool close = answer == IDNO || (answer == IDYES && SaveNow(window, set));
        if (!close) {
            UnlockBlockSet(window);
            return;
        }
    }
    if (set)
        UnlockBlockSet(window);
    SendMessageA(GetParent(window), WM_MDIDESTROY, (WPARAM)window, 0);
}

void Destroy(HWND window)
{
    if (BLOCKSET *set = LockBlockSet(window)) {
        FreeUndo(window, set);
        FreeBlocks(window, set);
        UnlockBlockSet(window);
    }
    if (HGLOBAL h = GetWindowValue<HGLOBAL>(window, GWLP_USERDATA))
        GlobalFree(h);
    SetWindowValue<HGLOBAL>(window, GWLP_USERDATA, NULL);
    DragAcceptFiles(window, FALSE);
    if (HWND client = GetParent(window))
        SendMessageA(client, WM_MDINEXT, (WPARAM)window, 0);
    EnableCommands(nullptr, 0, 0);
    SetSelectionStatus(0);
}

// The right-button menu of the block list: the frame's Undo, Cut, Copy,
// Paste and View as the frame shows them, and Move to and Copy to.
struct POPUP {
    HMENU menu;
    POINT at;
    HWND owner;
};

INT_PTR RunPopup(const MODALCALL *call)
{
    const POPUP *p = (const POPUP *)call->data;
    return TrackPopupMenu(p->menu, TPM_LEFTALIGN | TPM_VCENTERALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON, p->at.x,
                          p->at.y, 0, p->owner, NULL);
}

void ContextMenu(HWND window, POINT at)
{
    BLOCKSET *set = LockBlockSet(window);
    if (!set)
        return;
    HWND list = List(window);
    POINT inlist = at;
    MapWindowPoints(window, list, &inlist, 1);
    LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(inlist.x, inlist.y));
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    set->rightclick = HIWORD(hit) ? count - 1 : (int)LOWORD(hit);
    int selected = SelectedBlockCount(list);
    UnlockBlockSet(window);
    POINT screen = at;
    ClientToScreen(window, &screen);
    if (ChildWindowFromPoint(window, at) != list)
        return;
    HMENU popup = CreatePopupMenu();
    HMENU frame = hwndmain ? GetMenu(hwndmain) : NULL;
    for (int id : {IDM_UNDO, IDM_CUT, IDM_COPY, IDM_PASTE, IDM_VIEW}) {
        char label[128] = "";
        if (frame)
            GetMenuStringA(frame, id, label, sizeof label, MF_BYCOMMAND);
        if (char *tab = strchr(label, '\t'))
            *tab = 0;
        UINT state = frame ? GetMenuState(frame, id, MF_BYCOMMAND) : MF_GRAYED;
        if (!label[0])
            continue;
        AppendMenuA(popup, MF_STRING | (state != (UINT)-1 && (state & (MF_GRAYED | MF_DISABLED)) ? MF_GRAYED : 0),
                    id, label);
    }
    if (selected > 0) {
        AppendMenuA(popup, MF_SEPARATOR, 0, NULL);
        AppendMenuA(popup, MF_STRING, IDM_MOVETO, "Move to");
        AppendMenuA(popup, MF_STRING, IDM_COPYTO, "Copy to");
    }
    POPUP p{popup, screen, window};
    MODALCALL call{};
    call.kind = MODAL_COMMONDIALOG;
    call.parent = window;
    call.name = "TrackPopupMenu";
    call.data = &p;
    call.param = (LPARAM)popup;
    call.run = RunPopup;
    INT_PTR chosen = COMMONModal(&call);
    DestroyMenu(popup);
    if (chosen > 0)
        SendMessageA(window, WM_COMMAND, (WPARAM)chosen, 0);
}

void Size(HWND window, WPARAM type)
{
    if (type == SIZE_MINIMIZED)
        return;
    RECT r;
    GetClientRect(window, &r);
    HWND list = List(window);
    ListLayoutHold hold(list);
    if (type == SIZE_MAXIMIZED)
        MoveWindow(list, 0, 0, r.right, r.bottom - GetSystemMetrics(SM_CYCAPTION) - GetSystemMetrics(SM_CYFRAME),
                   TRUE);
    else
        MoveWindow(list, 0, 0, r.right, r.bottom, TRUE);
}

// A document window dragged up under the toolbar comes back into the client area.
void KeepBelowToolbar(HWND window)
{
    if (!hwndbar || !hwndmain || IsIconic(window) || IsZoomed(window))
        return;
    RECT me, bar, frame;
    GetWindowRect(window, &me);
    GetWindowRect(hwndbar, &bar);
    GetWindowRect(hwndmain, &frame);
    if (me.top >= bar.bottom)
        return;
    POINT origin{me.left, me.top};
    ScreenToClient(GetParent(window), &origin);
    SetWindowPos(window, NULL, origin.x, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

static LRESULT TaskMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        SetSelectionStatus(0);
        KeepBelowToolbar(hwnd);
        break;
    case WM_MOVE:
        KeepBelowToolbar(hwnd);
        break;
    case WM_SIZE:
        Size(hwnd, wParam);
        break;
    case WM_MEASUREITEM:
        if (wParam == IDC_BLOCKLIST || wParam == IDC_UNDOLIST) {
            ((MEASUREITEMSTRUCT *)lParam)->itemHeight = TEXTHEIGHT;
            return TRUE;
        }
        break;
    case WM_DRAWITEM:
        if (wParam == IDC_BLOCKLIST) {
            DrawBlockItem(hwnd, (const DRAWITEMSTRUCT *)lParam);
            return TRUE;
        }
        break;
    case WM_COMMAND:
        DocumentCommand(hwnd, wParam);
        return 0;
    case WM_CLOSE:
        Close(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_DESTROY:
        Destroy(hwnd);
        break;
    case WM_MDIACTIVATE:
        if ((HWND)lParam == hwnd) {
            if (BLOCKSET *set = LockBlockSet(hwnd)) {
                EnableDocumentCommands(hwnd, set);
                UnlockBlockSet(hwnd);
            }
            PostMessageA(hwnd, WMU_UPDATEMENUS, 0, 0);
            SetFocus(List(hwnd));
        }
        return 0;
    case WMU_UPDATEMENUS:
        if (BLOCKSET *set = LockBlockSet(hwnd)) {
            EnableDocumentCommands(hwnd, set);
            UnlockBlockSet(hwnd);
        }
        return 0;
    case WMU_REFRESHTHUMBNAILS:
        RefreshThumbnails(hwnd);
        break;
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_RBUTTONDOWN && GetParent(hwnd) &&
            (HWND)SendMessageA(GetParent(hwnd), WM_MDIGETACTIVE, 0, 0) == hwnd) {
            POINT at{(short)LOWORD(lParam), (short)HIWORD(lParam)};
            ContextMenu(hwnd, at);
        }
        break;
    case WM_DROPFILES:
        ReceiveBlockDrop(hwnd, (HDROP)wParam);
        return 0;
    case WM_SETTEXT: {
        // The Window menu keeps the title it was first given unless told.
        LRESULT done = DefMDIChildProcA(hwnd, msg, wParam, lParam);
        SendMessageA(GetParent(hwnd), WM_MDIREFRESHMENU, 0, 0);
        return done;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (LRESULT)HandleCtlColour(hwnd, (HDC)wParam, lParam);
    }
    return DefMDIChildProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK TaskProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return TaskMessage(hwnd, msg, wParam, lParam); });
}

int CreateNewFile(BLOCKSET *set)
{
    memset(set, 0, sizeof *set);
    set->viewmode = DefaultViewMode >= 0 && DefaultViewMode <= 3 ? DefaultViewMode : 2;
    snprintf(set->path, sizeof set->path, "%s", FetchString(IDS_UNTITLED));
    return 1;
}

HWND CreateNewTask(HWND parent, const char *path, int flags)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BLOCKSET));
    BLOCKSET *set = h ? (BLOCKSET *)GlobalLock(h) : nullptr;
    if (!set) {
        if (h)
            GlobalFree(h);
        Say(parent, IDS_MEMORY);
        return NULL;
    }
    CreateNewFile(set);
    snprintf(set->path, sizeof set->path, "%s", path ? path : "");
    MDICREATESTRUCTA mdi{};
    mdi.szClass = TASKCLASSNAME;
    mdi.szTitle = set->path;
    mdi.hOwner = hInst;
    mdi.x = flags & 2 ? GetSystemMetrics(SM_CXSCREEN) : CW_USEDEFAULT;
    mdi.y = flags & 2 ? GetSystemMetrics(SM_CYSCREEN) : CW_USEDEFAULT;
    mdi.cx = 180;
    mdi.cy = CW_USEDEFAULT;
    mdi.style = WS_OVERLAPPEDWINDOW;
    HWND window = hwndclient ? (HWND)SendMessageA(hwndclient, WM_MDICREATE, 0, (LPARAM)&mdi) : NULL;
    GlobalUnlock(h);
    HWND list = NULL, undo = NULL;
    if (window) {
        RECT r;
        GetClientRect(window, &r);
        list = CreateWindowA("LISTBOX", "", LISTSTYLE | WS_VISIBLE, 0, 0, r.right, r.bottom, window,
                             (HMENU)IDC_BLOCKLIST, hInst, NULL);
        undo = CreateWindowA("LISTBOX", "", LISTSTYLE, 0, 0, 1, 1, window, (HMENU)IDC_UNDOLIST, hInst, NULL);
        // Never shown: its scroll bar need not follow every snapshot's block.
        if (undo)
            SendMessageA(undo, WM_SETREDRAW, FALSE, 0);
    }
    if (!list || !undo) {
        if (window)
            SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)window, 0);
        GlobalFree(h);
        Say(parent, IDS_TASKERROR);
        return NULL;
    }
    DragAcceptFiles(window, TRUE);
    SubclassBlockList(list);
    if (OptimumVerticalWindows) {
        RECT client, me;
        GetClientRect(hwndclient, &client);
        GetWindowRect(window, &me);
        MapWindowPoints(NULL, hwndclient, (POINT *)&me, 2);
        int bottom = client.bottom - GetSystemMetrics(SM_CYCAPTION) - 2 * GetSystemMetrics(SM_CYFRAME);
        if (bottom > me.top)
            SetWindowPos(window, NULL, 0, 0, me.right - me.left, bottom - me.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (controlfont) {
        SendMessageA(list, WM_SETFONT, (WPARAM)controlfont, FALSE);
        SendMessageA(undo, WM_SETFONT, (WPARAM)controlfont, FALSE);
    }
    SetWindowValue(window, GWLP_USERDATA, h);
    ShowWindow(window, flags & 2 ? SW_HIDE : flags & 1 ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    PostMessageA(hwndclient, WM_MDIACTIVATE, (WPARAM)window, 0);
    RECT r;
    GetClientRect(window, &r);
    PostMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right, r.bottom));
    UpdateWindow(hwndclient);
    return window;
}

int SetBrowserSize(HWND window, BLOCKSET *set)
{
    BLOCK header;
    if (!set || !GetHeaderBlock(List(window), set, &header))
        return 0;
    unsigned mode = set->viewmode >= 0 && set->viewmode <= 3 ? (unsigned)set->viewmode : 0;
    long long width = std::max<long long>(header.hedr.width, 0);
    long long w = 2LL * GetSystemMetrics(SM_CXFRAME) + viewmodetable[mode] * width / 100 +
                  GetSystemMetrics(SM_CXVSCROLL);
    RECT client{};
    HWND parent = GetParent(window);
    if (parent)
        GetClientRect(parent, &client);
    w = std::min<long long>(w, client.right);
    w = std::max<long long>(w, BrowserWide);
    RECT outer;
    GetWindowRect(window, &outer);
    long long h = std::min<long long>(outer.bottom - outer.top, client.bottom);
    if (IsIconic(window) || IsZoomed(window)) {
        WINDOWPLACEMENT place{};
        place.length = sizeof place;
        GetWindowPlacement(window, &place);
        place.rcNormalPosition.right = place.rcNormalPosition.left + (int)w;
        place.rcNormalPosition.bottom = place.rcNormalPosition.top + (int)h;
        place.showCmd = IsIconic(window) ? SW_SHOWMINNOACTIVE : SW_SHOWMAXIMIZED;
        SetWindowPlacement(window, &place);
    } else {
        SetWindowPos(window, NULL, 0, 0, (int)w, (int)h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return 1;
}

int GetViewMode(HWND, BLOCKSET *set) { return set ? set->viewmode : 0; }

void AdjustListLabels(HWND, BLOCKSET *) {}

int GetBlockPalette(HWND, BLOCK *, char *) { return 0; }

int GetWindowWide(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    return r.right - r.left;
}

int GetWindowDeep(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    return r.bottom - r.top;
}

int GetWindowFrameWide(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r.right - r.left;
}

int GetWindowFrameDeep(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r.bottom - r.top;
}
