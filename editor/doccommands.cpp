// The document commands the frame passes on to the active document window:
// saving, editing the block at the caret, the selection, the view mode, and
// the commands that change which blocks the document holds.
#include "editor/doccommands.h"
#include "common/msgdlg.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/objects.h"
#include "document/writer.h"
#include "editor/blocks.h"
#include "editor/clipboard.h"
#include "editor/docwindow.h"
#include "editor/filedialogs.h"
#include "editor/parts.h"
#include "editor/shell.h"
#include "editor/shellservices.h"
#include "editor/tipfolder.h"
#include "editor/undo.h"
#include "editor/viewprint.h"
#include "resources/editordocs_ids.h"
#include "resources/editorframe_ids.h"
#include "resources/resource.h"
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void Say(HWND owner, unsigned id) { DoMessage(owner, FetchString(id)); }

HWND List(HWND window) { return GetDlgItem(window, IDC_BLOCKLIST); }

bool NeedsName(const BLOCKSET *set)
{
    if (!set->named)
        return true;
    const char *slash = strrchr(set->path, '\\');
    const char *name = slash ? slash + 1 : set->path;
    return _stricmp(name, FetchString(IDS_UNTITLEDFILE)) == 0;
}

// A refused object is named, so that the user can change or delete that one
// and save the rest; one whose block cannot be read, by its place. The
// header's objects are the header's: it is no page.
void SayNotWritten(HWND window, const SAVEREFUSAL &refused)
{
    BLOCK block;
    if (refused.block < 0 || !GetBlock(List(window), (unsigned)refused.block, &block)) {
        Say(window, IDS_ERRWRITE);
        return;
    }
    const bool header = block.tag == TAG_HEDR;
    // Each text is fetched into the one buffer the next fetch overwrites.
    char name[FETCHSTRINGSIZE], type[FETCHSTRINGSIZE], text[FETCHSTRINGSIZE * 4 + TITLESIZE];
    snprintf(name, sizeof name, FetchString(header ? IDS_HEADERBLOCKNAME : IDS_PAGEBLOCKNAME), refused.block);
    snprintf(type, sizeof type, "%s", GetObjectTypeName(refused.tag));
    const char *title = header ? block.hedr.title : block.page.title;
    int n = snprintf(text, sizeof text, "%s\n\n", FetchString(IDS_ERRWRITE));
    if (refused.unread)
        snprintf(text + n, sizeof text - n, FetchString(IDS_OBJECTNOTREAD), name, title, refused.place + 1);
    else
        snprintf(text + n, sizeof text - n, FetchString(IDS_OBJECTNOTWRITTEN), name, title, type, refused.number);
    DoMessage(window, text);
}

// Writes the document to `path`; the writer replaces the old file only with
// a complete new one.
bool WriteDocument(HWND window, BLOCKSET *set, const char *path)
{
    SAVEREFUSAL refused;
    if (!WriteExeFile(List(window), set, path, {}, &refused)) {
        SayNotWritten(window, refused);
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

} // namespace

int SelectedBlockCount(HWND list)
{
    LRESULT n = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    return n == LB_ERR ? 0 : (int)n;
}

void EnableDocumentCommands(HWND window, BLOCKSET *set)
{
    HWND list = List(window);
    int selected = SelectedBlockCount(list);
    SetSelectionStatus(selected);
    EnableCommands(set, (int)SendMessageA(list, LB_GETCOUNT, 0, 0), selected);
}

bool SaveNow(HWND window, BLOCKSET *set)
{
    return NeedsName(set) ? SaveAs(window, set) : WriteDocument(window, set);
}

void DocumentCommand(HWND window, WPARAM wParam)
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
        EnableDocumentCommands(window, set);
    UnlockBlockSet(window);
}
