// The page editor's window: the working page and its object windows, the
// page menu, and the loop that keeps the editor modal over the document.
// Its undo, its inserting, its object commands, the clipboard and the
// stacking order have files of their own.
#include "editors/pageeditor.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "document/about.h"
#include "document/objects.h"
#include "editor/blocks.h"
#include "editor/grid.h"
#include "editor/shell.h"
#include "editors/headereditor.h"
#include "editors/objectcommands.h"
#include "editors/objectdialogs.h"
#include "editors/objectlist.h"
#include "editors/pageclipboard.h"
#include "editors/pageinsert.h"
#include "editors/pagerecord.h"
#include "editors/pageundo.h"
#include "resources/document_ids.h"
#include "resources/editordocs_ids.h"
#include "resources/pageeditor_ids.h"
#include "resources/resource.h"
#include "runtime/background.h"
#include "runtime/messages.h"
#include "runtime/runtime.h"
#include <cstdio>
#include <new>

namespace {

// Only one page editor is open at a time; its record is bound to the window.
HWND pagewindow;

void Say(HWND owner, unsigned id)
{
    DoMessage(owner, FetchString(id));
}

HWND BlockList(const PAGEEDITOR *e)
{
    return GetDlgItem(e->param->hwnd, IDC_BLOCKLIST);
}

bool Header(const PAGEEDITOR *e, BLOCK *header)
{
    return GetHeaderBlock(BlockList(e), e->param->blockset, header) != 0;
}

// The page window's outer size for the show window that the header sets.
SIZE OuterSize(const BLOCK &header)
{
    long flags = (long)header.hedr.flags;
    return {AddWindowHFrame(flags, header.hedr.width), AddWindowVFrame(flags, header.hedr.depth)};
}

DWORD PageStyle(const BLOCK &header)
{
    DWORD style = (header.hedr.flags & 0x00CF0000) | WS_POPUP | WS_VISIBLE;
    if (!(style & (WS_BORDER | WS_DLGFRAME)))
        style |= WS_BORDER;
    return style;
}

void SetCaption(HWND page, PAGEEDITOR *e)
{
    char title[TITLESIZE + 1] = "";
    GetBlockTitle(title, e->param->block);
    char caption[TITLESIZE + 32];
    snprintf(caption, sizeof caption, "%s   [%d]", title, (int)e->param->index);
    SetWindowTextA(page, caption);
}

void Properties(HWND page, PAGEEDITOR *e)
{
    TakePageUndo(e);
    if (!EditPageProperties(e->param->hwnd, e->param->blockset, e->param->block, e->param->index, page))
        return;
    RebuildPageObjectWindows(page, e->param->block, true);
    e->changed = 1;
    SetCaption(page, e);
}

void Close(HWND page, PAGEEDITOR *e)
{
    DropPageUndo(e);
    e->param->result = e->changed;
    SendMessageA(page, WM_CLOSE, 0, 0);
}

void Abandon(HWND page, PAGEEDITOR *e)
{
    DropPageUndo(e);
    if (e->changed && DoYesNo(page, FetchString(IDS_SAVEPAGECHANGES)) == IDYES) {
        PostMessageA(page, WM_COMMAND, IDM_PAGECLOSE, 0);
        return;
    }
    e->param->result = 0;
    SendMessageA(page, WM_CLOSE, 0, 0);
}

void PageMenu(HWND page, PAGEEDITOR *e)
{
    HMENU menu = LoadMenuA(hInst, "PageMenu");
    if (!menu) {
        SendMessageA(page, WM_CLOSE, 0, 0);
        return;
    }
    GetCursorPos(&e->clickpoint);
    HMENU popup = GetSubMenu(menu, 0);
    EnableMenuItem(popup, IDM_PAGEUNDO, MF_BYCOMMAND | (e->undo.tag == TAG_PAGE ? MF_ENABLED : MF_GRAYED));
    bool paste = IsClipboardFormatAvailable(CF_DIB) || IsClipboardFormatAvailable(CF_PAGEOBJECT);
    EnableMenuItem(popup, IDM_PAGEPASTE, MF_BYCOMMAND | (paste ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(popup, IDM_PAGESNAP, MF_BYCOMMAND | (GridUse ? MF_CHECKED : MF_UNCHECKED));
    UINT chosen = TrackEditorPopup(popup, e->clickpoint, page);
    DestroyMenu(menu);
    if (chosen)
        SendMessageA(page, WM_COMMAND, chosen, 0);
}

void Command(HWND page, PAGEEDITOR *e, UINT id)
{
    if (InsertObject(page, e, id))
        return;
    switch (id) {
    case IDM_PAGEUNDO: UndoPage(page, e); break;
    case IDM_PAGECLOSE: Close(page, e); break;
    case IDM_PAGEABANDON: Abandon(page, e); break;
    case IDM_PAGEPROPERTIES: Properties(page, e); break;
    case IDM_PAGEPASTE: PasteObject(page, e); break;
    case IDM_PAGESETGRID:
        SetGrid(page);
        InvalidateRect(page, NULL, TRUE);
        break;
    case IDM_PAGESNAP:
        GridUse = !GridUse;
        InvalidateRect(page, NULL, TRUE);
        break;
    case IDM_PAGEHELP: DoHelp(page, "PAGE"); break;
    case IDM_PAGEOBJECTLIST: EditPageObjectList(page, e->param->block); break;
    }
}

void DrawGrid(HWND page, HDC dc)
{
    if (!GridUse || !GridShow)
        return;
    RECT r;
    GetClientRect(page, &r);
    int f = GridFrequency > 0 ? GridFrequency : 1;
    int old = SetROP2(dc, R2_NOT);
    if (f == 1) {
        // Every pixel is a grid point.
        FillRect(dc, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
    } else {
        for (int y = 0; y < r.bottom; y += f)
            for (int x = 0; x < r.right; x += f)
                SetPixelV(dc, x, y, 0xFFFFFF);
    }
    SetROP2(dc, old);
}

void Erase(HWND page, PAGEEDITOR *e, HDC dc)
{
    BLOCK header;
    if (Header(e, &header))
        DrawPageBackground(page, BlockList(e), dc, e->param->index, &header, e->param->block, NULL);
    DrawGrid(page, dc);
}

// The page as stored at the document's caret, not the working copy.
COLORREF PageColour(PAGEEDITOR *e)
{
    BLOCK block, header;
    HWND list = BlockList(e);
    if (!e->param->blockset || !GetBlock(list, (unsigned)e->param->blockset->caret, &block))
        return 0x808080;
    return BlockColour(&block, GetBlock(list, 0, &header) ? &header : nullptr, 0x808080);
}

void KeepSize(HWND page, PAGEEDITOR *e)
{
    BLOCK header;
    if (!Header(e, &header))
        return;
    SIZE want = OuterSize(header);
    RECT r;
    GetWindowRect(page, &r);
    if (r.right - r.left != want.cx || r.bottom - r.top != want.cy)
        SetWindowPos(page, NULL, 0, 0, want.cx, want.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Create(HWND page, PAGEEDITOR *e)
{
    if (HMENU system = GetSystemMenu(page, FALSE)) {
        AppendMenuA(system, MF_SEPARATOR, 0, NULL);
        AppendMenuA(system, MF_STRING, IDM_PAGEABOUT, "&About");
    }
    ClampPageObjects(e->param->block);
    CreatePageObjectWindows(page, e->param->block);
    SetCaption(page, e);
}

INT_PTR RunPopup(const MODALCALL *call)
{
    auto *at = (const POINT *)call->data;
    return TrackPopupMenu((HMENU)call->param, TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD, at->x, at->y, 0,
                          call->parent, NULL);
}

// The record is made here and bound to the window; none is made for a
// window created without EditPage's parameter.
bool Bind(HWND page, EDITPARAM *param)
{
    if (param) {
        auto *e = new (std::nothrow) PAGEEDITOR(param);
        if (!e)
            return false;
        SetWindowValue(page, GWLP_USERDATA, e);
    }
    pagewindow = page;
    return true;
}

void Unbind(HWND page)
{
    delete SetWindowValue<PAGEEDITOR *>(page, GWLP_USERDATA, nullptr);
    if (pagewindow == page)
        pagewindow = NULL;
}

// Runs the messages of the whole program until the page window, the
// document window or the frame has gone.
void RunModal(HWND page, HWND parent)
{
    MSG msg;
    while (IsWindow(page) && IsWindow(parent) && (!hwndmain || IsWindow(hwndmain))) {
        BOOL got = GetMessageA(&msg, NULL, 0, 0);
        if (got == 0) {
            // The program is ending: its own loop must see the quit too.
            PostQuitMessage((int)msg.wParam);
            break;
        }
        if (got == -1)
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

void ClampPageObjects(BLOCK *block)
{
    uint32_t n = BlockObjectCount(block);
    for (uint32_t i = 0; i < n; i++) {
        GlobalLocked<OBJECTHEADER> o(GetPageObject(block, i));
        if (!o || o.size() < sizeof(OBJECTHEADER))
            continue;
        RECT &r = o->rect;
        r.left = ClampCoordinate(r.left, -MAXCOORDINATE, MAXCOORDINATE);
        r.top = ClampCoordinate(r.top, -MAXCOORDINATE, MAXCOORDINATE);
        r.right = ClampCoordinate(r.right, r.left + 1, r.left + MAXCOORDINATE);
        r.bottom = ClampCoordinate(r.bottom, r.top + 1, r.top + MAXCOORDINATE);
    }
}

void DestroyPageObjectWindows(HWND page)
{
    while (HWND child = GetWindow(page, GW_CHILD))
        DestroyWindow(child);
}

void CreatePageObjectWindows(HWND page, BLOCK *block)
{
    for (uint32_t i = BlockObjectCount(block); i-- > 0;)
        AddPageObject(page, GetPageObject(block, i));
}

void RebuildPageObjectWindows(HWND page, BLOCK *block, bool erase)
{
    SendMessageA(page, WM_SETREDRAW, FALSE, 0);
    DestroyPageObjectWindows(page);
    CreatePageObjectWindows(page, block);
    SendMessageA(page, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(page, NULL, NULL, RDW_INVALIDATE | RDW_ALLCHILDREN | (erase ? RDW_ERASE : 0));
}

UINT TrackEditorPopup(HMENU menu, POINT at, HWND owner)
{
    MODALCALL call{};
    call.kind = MODAL_COMMONDIALOG;
    call.parent = owner;
    call.name = "TrackPopupMenu";
    call.data = &at;
    call.param = (LPARAM)menu;
    call.run = RunPopup;
    INT_PTR chosen = COMMONModal(&call);
    return chosen > 0 ? (UINT)chosen : 0;
}

bool RepointObjectWindow(HWND page, BLOCK *block, unsigned index)
{
    HGLOBAL object = GetPageObject(block, index);
    GlobalLocked<OBJECTHEADER> o(object);
    if (!o || o.size() < sizeof(OBJECTHEADER))
        return false;
    HWND w = GetDlgItem(page, (int)o->number);
    if (!w)
        return false;
    SetWindowValue(w, GWLP_USERDATA, object);
    const RECT &r = o->rect;
    SetWindowPos(w, NULL, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(w, NULL, TRUE);
    return true;
}

HWND PageEditorWindow()
{
    return pagewindow;
}

LRESULT CALLBACK PagePreviewProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCCREATE:
        if (!Bind(page, (EDITPARAM *)((CREATESTRUCTA *)lParam)->lpCreateParams))
            return FALSE;
        break;
    case WM_NCDESTROY:
        Unbind(page);
        break;
    }
    auto *e = GetWindowValue<PAGEEDITOR *>(page, GWLP_USERDATA);
    if (!e)
        return DefWindowProcA(page, msg, wParam, lParam);
    if (ObjectCommand(page, e, msg, wParam, lParam))
        return 0;
    switch (msg) {
    case WM_CREATE:
        Create(page, e);
        return 0;
    case WMU_OBJECTPICKED:
        TakePressCopy(e);
        return 0;
    case WMU_OBJECTMOVED:
        EndPress(e);
        return 0;
    case QVM_GETPAGECOLOUR:
        return (LRESULT)PageColour(e);
    case WM_COMMAND:
        Command(page, e, LOWORD(wParam));
        return 0;
    case WM_RBUTTONDOWN:
        PageMenu(page, e);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            PostMessageA(page, WM_COMMAND, PromptToSavePageChanges ? IDM_PAGEABANDON : IDM_PAGECLOSE, 0);
            return 0;
        }
        if (wParam == IDM_PAGEABOUT) {
            DoEXEAbout(page, BlockList(e), e->param->block);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        Erase(page, e, (HDC)wParam);
        return 1;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED && wParam != SIZE_MAXIMIZED)
            KeepSize(page, e);
        InvalidateRect(page, NULL, TRUE);
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (LRESULT)HandleCtlColour(page, (HDC)wParam, lParam);
    }
    return DefWindowProcA(page, msg, wParam, lParam);
}

bool RegisterPageEditorClasses()
{
    static bool registered;
    if (registered)
        return true;
    WNDCLASSA wc{};
    wc.style = CS_BYTEALIGNWINDOW | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PagePreviewProc;
    wc.hInstance = hInst;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.lpszClassName = pagepreviewclass;
    WNDCLASSA object{};
    object.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    object.lpfnWndProc = ObjectPreviewProc;
    object.hInstance = hInst;
    // The object windows set their cursor themselves as the mouse moves.
    object.hCursor = NULL;
    object.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
    object.lpszClassName = objectpreviewclass;
    registered = RegisterClassA(&wc) && RegisterClassA(&object);
    return registered;
}

int EditPage(HWND parent, BLOCKSET *set, BLOCK *block, int index)
{
    if (pagewindow)
        return 0;
    BLOCK header;
    if (!GetHeaderBlock(GetDlgItem(parent, IDC_BLOCKLIST), set, &header)) {
        Say(parent, IDS_BLOCKACCESS);
        return 0;
    }
    BLOCK work;
    if (!DuplicateBlock(&work, block)) {
        Say(parent, IDS_MEMORY);
        return 0;
    }
    // The window's record points here: the result is read after the window has gone.
    EDITPARAM p{};
    p.hwnd = parent;
    p.blockset = set;
    p.block = &work;
    p.index = (unsigned)index;
    DWORD style = PageStyle(header);
    SIZE size = OuterSize(header);
    HWND page = RegisterPageEditorClasses()
                    ? CreateWindowExA(0, pagepreviewclass, "", style, 0, 0, size.cx, size.cy, parent, NULL, hInst, &p)
                    : NULL;
    if (page) {
        CentreWindow(page);
        SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        RunModal(page, parent);
        // Its record, with the copies of the page it holds, goes with it.
        if (IsWindow(page))
            DestroyWindow(page);
    }
    int result = p.result;
    if (result) {
        DestroyBlock(block);
        *block = work;
        if (block->thumbnail) {
            GlobalFree(block->thumbnail);
            block->thumbnail = NULL;
        }
    } else {
        DestroyBlock(&work);
    }
    if (IsWindow(parent))
        UpdateWindow(parent);
    return result;
}