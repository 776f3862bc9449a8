// The document window: an MDI child that owns one document, shows its blocks
// as text lines or thumbnails, and carries out the document commands the
// frame passes on.
#include "editor/docwindow.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "document/writer.h"
#include "editor/blocks.h"
#include "editor/clipboard.h"
#include "editor/dragdrop.h"
#include "editor/filedialogs.h"
#include "editor/shell.h"
#include "editor/shellservices.h"
#include "editor/tipfolder.h"
#include "editor/undo.h"
#include "editor/viewprint.h"
#include "media/dib.h"
#include "media/draw.h"
#include "media/scale.h"
#include "resources/editordocs_ids.h"
#include "resources/editorframe_ids.h"
#include "resources/resource.h"
#include "runtime/thumbs.h"
#include <shellapi.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

const unsigned viewmodetable[8] = {0, 10, 25, 50, 75, 100, 150, 200};

namespace {

constexpr int TEXTHEIGHT = 24;
constexpr DWORD LISTSTYLE = WS_CHILD | WS_BORDER | WS_VSCROLL | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS |
                            LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;

void Say(HWND owner, unsigned id) { DoMessage(owner, FetchString(id)); }

HWND List(HWND window) { return GetDlgItem(window, IDC_BLOCKLIST); }

int SelectedCount(HWND list)
{
    LRESULT n = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    return n == LB_ERR ? 0 : (int)n;
}

// The enabling step and the status text for this document.
void Enable(HWND window, BLOCKSET *set)
{
    HWND list = List(window);
    int selected = SelectedCount(list);
    SetSelectionStatus(selected);
    EnableCommands(set, (int)SendMessageA(list, LB_GETCOUNT, 0, 0), selected);
}

bool NeedsName(const BLOCKSET *set)
{
    if (!set->named)
        return true;
    const char *slash = strrchr(set->path, '\\');
    const char *name = slash ? slash + 1 : set->path;
    return _stricmp(name, FetchString(IDS_UNTITLEDFILE)) == 0;
}

// Writes the document to `path`; the writer replaces the old file only with
// a complete new one.
bool WriteDocument(HWND window, BLOCKSET *set, const char *path)
{
    if (!WriteExeFile(List(window), set, path)) {
        Say(window, IDS_ERRWRITE);
        return false;
    }
    set->modified = 0;
    // The file now holds what the snapshot does not: undoing leaves unsaved changes.
    if (set->undovalid)
        set->undomodified = 1;
    return true;
}

bool WriteDocument(HWND window, BLOCKSET *set) { return WriteDocument(window, set, set->path); }

// Asks for a name and writes there. The document takes the new name (title,
// path, recent files) only once the file is on disk: after a failed write it
// still belongs to the file it had.
bool SaveAs(HWND window, BLOCKSET *set)
{
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s", set->path);
    if (!GetWriteFileName(window, path) || !path[0])
        return false;
    SetOpenPath(path);
    if (!WriteDocument(window, set, path))
        return false;
    snprintf(set->path, sizeof set->path, "%s", path);
    SetWindowTextA(window, set->path);
    set->named = 1;
    SetPathMenu(hwndmain, set->path);
    return true;
}

// Save at once, asking for a name first when the document has none: true
// only when the document is on disk.
bool SaveNow(HWND window, BLOCKSET *set)
{
    return NeedsName(set) ? SaveAs(window, set) : WriteDocument(window, set);
}

// --- drawing --------------------------------------------------------------

// The size a page of width x height is shown at in the picture area of an
// item with high-resolution thumbnails: scaled by the smaller percentage
// that fits inside the framed area. Empty when nothing fits.
SIZE ShownSize(int width, int height, RECT area)
{
    InflateRect(&area, -1, -1);
    long long aw = area.right - area.left, ah = area.bottom - area.top;
    if (width <= 0 || height <= 0 || aw <= 0 || ah <= 0)
        return SIZE{0, 0};
    long long percent = std::min(aw * 100 / width, ah * 100 / height);
    return SIZE{(LONG)(width * percent / 100), (LONG)(height * percent / 100)};
}

void DrawThumbnail(HDC dc, HGLOBAL thumbnail, RECT area, SIZE shown)
{
    int width = 0, height = 0, bits = 0;
    char rgb[PALETTEBYTES];
    if (!GetBitmapDimensions(thumbnail, &width, &height, &bits, rgb))
        return;
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (HighResDocumentWindow) {
        InflateRect(&area, -1, -1);
        int aw = area.right - area.left, ah = area.bottom - area.top;
        if (aw <= 0 || ah <= 0)
            return;
        int percent = (int)std::min<long long>((long long)aw * 100 / width, (long long)ah * 100 / height);
        if (percent <= 0)
            return;
        // A thumbnail made at the size it is shown at is drawn as it is.
        bool made = width == shown.cx && height == shown.cy;
        HGLOBAL scaled = made ? thumbnail : COMMONScaleDib(thumbnail, percent, percent);
        if (scaled) {
            RECT drawn;
            COMMONDrawBitmapInRectNoResize(dc, &area, scaled, &drawn);
            if (scaled != thumbnail)
                GlobalFree(scaled);
        }
        InflateRect(&area, 1, 1);
        FrameRect(dc, &area, (HBRUSH)GetStockObject(BLACK_BRUSH));
        return;
    }
    int aw = area.right - area.left, ah = area.bottom - area.top;
    long long percent = std::min<long long>((long long)aw * 100 / width, (long long)ah * 100 / height);
    int w = (int)(width * percent / 100), h = (int)(height * percent / 100);
    if (w <= 0 || h <= 0)
        return;
    DibLock lock(thumbnail);
    if (!lock.ok())
        return;
    PALSTATE pal{};
    RealizeWindowPalette(dc, &pal, rgb, bits <= 8 ? 1 << bits : 1 << 24);
    SetStretchBltMode(dc, bits == 1 ? WHITEONBLACK : COLORONCOLOR);
    StretchDIBits(dc, area.left + (aw - w) / 2, area.top + (ah - h) / 2, w, h, 0, 0, lock.layout.width,
                  lock.layout.height, (const uint8_t *)lock.header + lock.layout.pixeloffset,
                  (const BITMAPINFO *)lock.header, DIB_RGB_COLORS, SRCCOPY);
    UnrealizeWindowPalette(dc, &pal);
}

void DrawItem(HWND window, const DRAWITEMSTRUCT *item)
{
    if (item->itemID == (UINT)-1)
        return;
    BLOCKSET *set = LockBlockSet(window);
    if (!set)
        return;
    HWND list = item->hwndItem;
    BLOCK block;
    if (!GetBlock(list, item->itemID, &block)) {
        UnlockBlockSet(window);
        return;
    }
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    std::string text = GetBlockText(&block);
    size_t split = text.find('\xFE');
    std::string first = text.substr(0, split), second = split == std::string::npos ? "" : text.substr(split + 1);
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    SetBkMode(dc, TRANSPARENT);

    RECT area{r.left + 4, r.top + 22, r.right - 4, r.bottom - 2};
    bool picture = block.tag == TAG_PAGE && area.right > area.left && area.bottom > area.top;
    bool rendered = false;
    // A page's picture is made when its item is first drawn, at the size the
    // item shows it, and kept; a larger view makes it anew.
    BLOCK header;
    SIZE shown{0, 0};
    if (picture && HighResDocumentWindow && GetBlock(list, 0, &header))
        shown = ShownSize(header.hedr.width, header.hedr.depth, area);
    if (picture && block.thumbnail && shown.cx > 0) {
        int width = 0, height = 0;
        GetBitmapDimensions(block.thumbnail, &width, &height, nullptr, nullptr);
        if (width < shown.cx && height < shown.cy)
            rendered = CreatePageThumbnail(window, list, set, &block, item->itemID, shown.cx, shown.cy) == 1;
    }
    if (picture && !block.thumbnail)
        rendered = (shown.cx > 0 && shown.cy > 0
                        ? CreatePageThumbnail(window, list, set, &block, item->itemID, shown.cx, shown.cy)
                        : CreateViewImage(window, list, set, &block, item->itemID)) == 1 &&
                   block.thumbnail;
    int saved = SaveDC(dc);
    if (picture)
        ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
    FillRect(dc, &r, selected ? GetSysColorBrush(COLOR_BTNSHADOW) : (HBRUSH)GetStockObject(WHITE_BRUSH));
    RestoreDC(dc, saved);
    if (picture) {
        if (block.thumbnail)
            DrawThumbnail(dc, block.thumbnail, area, shown);
        else
            FillRect(dc, &area, (HBRUSH)GetStockObject(WHITE_BRUSH));
    }

    if ((int)item->itemID == set->caret) {
        COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
        COLORREF colour = GetBValue(shadow) < GetRValue(shadow) ? RGB(0, 0, 255) : RGB(255, 0, 0);
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, colour));
        SelectedObject keep(dc, pen.get());
        POINT points[4] = {{r.left + 1, r.bottom - 8}, {r.left + 1, r.bottom - 1}, {r.right - 1, r.bottom - 1},
                           {r.right - 1, r.bottom - 8}};
        Polyline(dc, points, 4);
    }

    SetTextColor(dc, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    SIZE extent{};
    GetTextExtentPoint32A(dc, first.c_str(), (int)first.size(), &extent);
    TextOutA(dc, r.left + 4, r.top + 4, first.c_str(), (int)first.size());
    if (!second.empty()) {
        SetTextColor(dc, GetSysColor(selected ? COLOR_BTNFACE : COLOR_GRAYTEXT));
        RECT rest{r.left + 4 + extent.cx + 12, r.top + 4, r.right, r.top + 20};
        DrawTextA(dc, second.c_str(), (int)second.size(), &rest, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (rendered)
        PutBlock(list, item->itemID, &block);
    UnlockBlockSet(window);
}

void RefreshThumbnails(HWND window)
{
    HWND list = List(window);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        BLOCK block;
        if (GetBlock(list, (unsigned)i, &block) && block.tag == TAG_PAGE && block.thumbnail) {
            GlobalFree(block.thumbnail);
            block.thumbnail = NULL;
            PutBlock(list, (unsigned)i, &block);
        }
    }
    InvalidateRect(list, NULL, FALSE);
}

// --- commands -------------------------------------------------------------

void EditCaretBlock(HWND window, BLOCKSET *set)
{
    HWND list = List(window);
    int index = (int)SendMessageA(list, LB_GETCARETINDEX, 0, 0);
    BLOCK block;
    if (index < 0 || !GetBlock(list, (unsigned)index, &block)) {
        Say(window, IDS_BLOCKACCESS);
        return;
    }
    // Without an editor for it nothing is taken apart: no snapshot, no
    // disabled windows, only the message.
    if ((block.tag == TAG_HEDR || block.tag == TAG_PAGE) && 
        !EditorPartReady(window, BlockEditor(block.tag) != nullptr))
        return;
    CreateUndo(window, set);
    EnableAllWindows(0);
    HGLOBAL thumbnail = block.thumbnail;
    if (EditBlock(window, set, &block, index)) {
        // An edited page is drawn anew.
        if (thumbnail && block.thumbnail == thumbnail) {
            GlobalFree(thumbnail);
            block.thumbnail = NULL;
        }
        PutBlock(list, (unsigned)index, &block);
        AdjustListLabels(list, set);
        AdjustHeader(list, set);
        AdjustListBox(list, set);
        SetBrowserSize(window, set);
        set->modified = 1;
        RECT r;
        if (block.tag == TAG_HEDR) {
            InvalidateRect(list, NULL, TRUE);
        } else if (SendMessageA(list, LB_GETITEMRECT, index, (LPARAM)&r) != LB_ERR) {
            InvalidateRect(list, &r, FALSE);
            UpdateWindow(list);
        }
    }
    EnableAllWindows(1);
}

void SelectAll(HWND window, BLOCKSET *set, bool select)
{
    HWND list = List(window);
    int top = (int)SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (GetKeyState(VK_SHIFT) < 0) {
        CreateUndo(window, set);
        for (int i = 0; i < count; i++)
            SendMessageA(list, LB_SETSEL, select, i);
    } else if (count > 0) {
        SendMessageA(list, LB_SELITEMRANGE, select, MAKELPARAM(0, count - 1));
    }
    SendMessageA(list, LB_SETTOPINDEX, top, 0);
}

void ChooseViewMode(HWND window, BLOCKSET *set)
{
    HWND box = hwndbar ? GetDlgItem(hwndbar, IDC_VIEWMODE) : NULL;
    int choice = box ? (int)SendMessageA(box, CB_GETCURSEL, 0, 0) : CB_ERR;
    if (choice < 0)
        return;
    HWND list = List(window);
    int top = (int)SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    set->viewmode = std::min(choice, 3);
    SendMessageA(box, CB_SETCURSEL, set->viewmode, 0);
    AdjustListBox(list, set);
    SendMessageA(list, LB_SETTOPINDEX, top, 0);
}

// The commands and notices the document window acts on; the rest pass by.
bool IsDocumentCommand(int id, int code)
{
    switch (id) {
    case IDC_BLOCKLIST:
        return code == LBN_DBLCLK || code == LBN_SELCHANGE;
    case IDC_VIEWMODE:
        return code == CBN_SELENDOK;
    case IDM_SELECTALL:
    case IDM_UNSELECTALL:
    case IDM_SAVE:
    case IDM_INSERT:
    case IDM_DELETE:
    case IDM_SAVEAS:
    case IDM_CLOSE:
    case IDM_UNDO:
    case IDM_MOVETO:
    case IDM_COPYTO:
    case IDM_DUPLICATE:
    case IDM_CUT:
    case IDM_COPY:
    case IDM_PASTE:
    case IDM_VIEW:
    case IDM_PRINT:
        return true;
    default:
        return false;
    }
}

void ListNotice(HWND window, BLOCKSET *set, int code)
{
    if (code == LBN_DBLCLK) {
        EditCaretBlock(window, set);
        return;
    }
    HWND list = List(window);
    int old = set->caret;
    set->caret = (int)SendMessageA(list, LB_GETCARETINDEX, 0, 0);
    RECT r;
    for (int index : {old, set->caret})
        if (index >= 0 && SendMessageA(list, LB_GETITEMRECT, index, (LPARAM)&r) != LB_ERR)
            InvalidateRect(list, &r, FALSE);
}

void FileCommand(HWND window, BLOCKSET *set, int id)
{
    switch (id) {
    case IDM_SAVE:
        if (NeedsName(set))
            PostMessageA(window, WM_COMMAND, IDM_SAVEAS, 0);
        else
            WriteDocument(window, set);
        break;
    case IDM_SAVEAS:
        // Written at once: a name the user chose is used even when it is
        // the one Save would ask to replace.
        SaveAs(window, set);
        break;
    case IDM_CLOSE:
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

// The commands that change which pages the document holds.
void PageCommand(HWND window, BLOCKSET *set, int id)
{
    switch (id) {
    case IDM_INSERT:
        CreateUndo(window, set);
        DoInsertPage(window, set);
        break;
    case IDM_DELETE:
        CreateUndo(window, set);
        DoDelete(window, set);
        break;
    case IDM_UNDO:
        DoUndo(window, set);
        break;
    case IDM_MOVETO:
    case IDM_COPYTO:
        CreateUndo(window, set);
        DoCopyMoveTo(window, set, id == IDM_MOVETO);
        break;
    case IDM_DUPLICATE: {
        char prefix[FETCHSTRINGSIZE];
        snprintf(prefix, sizeof prefix, "%s", FetchString(IDS_DUPLICATEPREFIX));
        if (!DuplicateBlockSet(window, set, prefix, 1))
            Say(window, IDS_DUPLICATEERROR);
        break;
    }
    }
}

void Command(HWND window, WPARAM wParam)
{
    int id = LOWORD(wParam), code = HIWORD(wParam);
    if (!IsDocumentCommand(id, code))
        return;
    BLOCKSET *set = LockBlockSet(window);
    if (!set) {
        Say(window, IDS_BLOCKACCESS);
        return;
    }
    switch (id) {
    case IDC_BLOCKLIST:
        ListNotice(window, set, code);
        break;
    case IDC_VIEWMODE:
        ChooseViewMode(window, set);
        break;
    case IDM_SELECTALL:
    case IDM_UNSELECTALL:
        SelectAll(window, set, id == IDM_SELECTALL);
        break;
    case IDM_SAVE:
    case IDM_SAVEAS:
    case IDM_CLOSE:
        FileCommand(window, set, id);
        break;
    case IDM_CUT:
    case IDM_COPY:
    case IDM_PASTE:
        BlockClipboardCommand(window, set, id);
        break;
    case IDM_VIEW:
    case IDM_PRINT:
        ViewPrintCommand(window, set, id);
        break;
    default:
        PageCommand(window, set, id);
        break;
    }
    if (IsWindow(window))
        Enable(window, set);
    UnlockBlockSet(window);
}

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

// Blocks dropped from another document window's list: the name is 0xFF and
// the source list's window handle in decimal.
// A drop names its source by window handle, and anything can drop a name:
// only the block list of one of this editor's own document windows is read.
bool IsBlockList(HWND candidate)
{
    DWORD process = 0;
    if (!IsWindow(candidate) || !GetWindowThreadProcessId(candidate, &process) || process != GetCurrentProcessId() ||
        GetDlgCtrlID(candidate) != IDC_BLOCKLIST)
        return false;
    char name[32];
    HWND parent = GetParent(candidate);
    return parent && GetClassNameA(parent, name, sizeof name) && strcmp(name, TASKCLASSNAME) == 0;
}

void ReceiveDrop(HWND window, HDROP drop)
{
    BLOCKSET *set = LockBlockSet(window);
    if (!set) {
        DragFinish(drop);
        return;
    }
    if (hwndmain) {
        SetWindowPos(hwndmain, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetWindowPos(hwndmain, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    HWND list = List(window);
    UINT names = DragQueryFileA(drop, 0xFFFFFFFF, NULL, 0);
    HWND source = NULL;
    for (UINT i = 0; i < names && !source; i++) {
        char name[MAX_PATH + 1] = "";
        DragQueryFileA(drop, i, name, MAX_PATH);
        if ((unsigned char)name[0] != 0xFF)
            continue;
        HWND candidate = (HWND)(UINT_PTR)strtoul(name + 1, nullptr, 10);
        if (IsBlockList(candidate))
            source = candidate;
    }
    int inserted = 0;
    if (source && set->caret >= 0 && set->caret < (int)SendMessageA(list, LB_GETCOUNT, 0, 0)) {
        CreateUndo(window, set);
        EnableWindow(window, FALSE);
        // Every copy is made before anything is inserted into a list that
        // may be the source itself.
        std::vector<BLOCK> copies;
        unsigned failure = 0;
        int count = (int)SendMessageA(source, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count && !failure; i++) {
            BLOCK block, copy;
            if (SendMessageA(source, LB_GETSEL, i, 0) <= 0 || !GetBlock(source, (unsigned)i, &block) ||
                block.tag == TAG_HEDR)
                continue;
            if (!DuplicateBlock(&copy, &block)) {
                failure = IDS_MEMORY;
                break;
            }
            copy.blockset = set;
            copies.push_back(copy);
        }
        for (size_t j = 0; j < copies.size() && !failure; j++) {
            int at = set->caret + 1;
            LRESULT r = SendMessageA(list, LB_INSERTSTRING, at, (LPARAM) " ");
            if (r == LB_ERR || r == LB_ERRSPACE) {
                failure = IDS_INSERTERROR;
            } else if (!AllocateBlock(list, (unsigned)at, &copies[j])) {
                SendMessageA(list, LB_DELETESTRING, at, 0);
                failure = IDS_MEMORY;
            } else {
                memset(&copies[j], 0, sizeof(BLOCK));
                set->caret = at;
                inserted++;
            }
        }
        for (BLOCK &copy : copies)
            DestroyBlock(&copy);
        EnableWindow(window, TRUE);
        if (failure)
            Say(window, failure);
    }
    // Whatever arrived is a change, even when the rest could not follow.
    if (inserted)
        RefreshBlockList(window, set);
    CloseStatus();
    Enable(window, set);
    DragFinish(drop);
    UnlockBlockSet(window);
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
    int selected = SelectedCount(list);
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
            DrawItem(hwnd, (const DRAWITEMSTRUCT *)lParam);
            return TRUE;
        }
        break;
    case WM_COMMAND:
        Command(hwnd, wParam);
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
                Enable(hwnd, set);
                UnlockBlockSet(hwnd);
            }
            PostMessageA(hwnd, WMU_UPDATEMENUS, 0, 0);
            SetFocus(List(hwnd));
        }
        return 0;
    case WMU_UPDATEMENUS:
        if (BLOCKSET *set = LockBlockSet(hwnd)) {
            Enable(hwnd, set);
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
        ReceiveDrop(hwnd, (HDROP)wParam);
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
