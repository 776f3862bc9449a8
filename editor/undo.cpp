// One level of undo: a deep copy of the whole block list in the hidden list
// 11, and the hand-off of a block to its editor while every other window of
// the editor waits.
#include "editor/undo.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "common/strings.h"
#include "editor/blocks.h"
#include "editor/docwindow.h"
#include "editor/parts.h"
#include "editor/shell.h"
#include "editor/shellservices.h"
#include "resources/editordocs_ids.h"
#include "resources/resource.h"
#include <cstring>
#include <vector>

int CreateUndo(HWND window, BLOCKSET *set)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST), undo = GetDlgItem(window, IDC_UNDOLIST);
    FreeUndo(window, set);
    set->undovalid = 0;
    if (!undo)
        return 0;
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        bool selected = SendMessageA(list, LB_GETSEL, i, 0) > 0;
        BLOCK block, copy;
        int added = 0;
        if (GetBlock(list, (unsigned)i, &block) && DuplicateBlock(&copy, &block)) {
            added = AppendBlock(undo, set, &copy);
            if (added)
                StepListTop(undo, (unsigned)added - 1); // never shown: its top need not come back
            else
                DestroyBlock(&copy);
        }
        if (!added) {
            // Half a snapshot is no snapshot.
            FreeUndo(window, set);
            return 0;
        }
        if (selected)
            SendMessageA(undo, LB_SETSEL, TRUE, added - 1);
    }
    set->undocaret = set->caret;
    set->undomodified = set->modified;
    set->undoviewmode = set->viewmode;
    set->undovalid = 1;
    return 1;
}

namespace {

// The restored list, built in full before the document gives up anything.
struct Restore {
    std::vector<HGLOBAL> items;
    std::vector<bool> selected;
    ~Restore()
    {
        for (HGLOBAL h : items) {
            if (!h)
                continue;
            BLOCK block;
            if (GlobalLocked<BLOCK> b{h}) {
                memcpy(&block, b.get(), BLOCKSIZE);
                DestroyBlock(&block);
            }
            GlobalFree(h);
        }
    }
};

} // namespace

int DoUndo(HWND window, BLOCKSET *set)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST), undo = GetDlgItem(window, IDC_UNDOLIST);
    if (!set->undovalid || !undo)
        return 0;
    int n = (int)SendMessageA(undo, LB_GETCOUNT, 0, 0);
    int old = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    Restore restore;
    bool ok = n > 0;
    for (int i = 0; i < n && ok; i++) {
        BLOCK block, copy;
        ok = GetBlock(undo, (unsigned)i, &block) && DuplicateBlock(&copy, &block);
        if (!ok)
            break;
        copy.blockset = set;
        HGLOBAL h = NewGlobal(BLOCKSIZE, &copy, BLOCKSIZE);
        if (!h) {
            DestroyBlock(&copy);
            ok = false;
            break;
        }
        restore.items.push_back(h);
        restore.selected.push_back(SendMessageA(undo, LB_GETSEL, i, 0) > 0);
    }
    // Room for every item before anything is let go.
    int added = 0;
    for (int i = old; i < n && ok; i++, added++) {
        LRESULT r = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM) " ");
        ok = r != LB_ERR && r != LB_ERRSPACE;
        if (!ok)
            break;
    }
    if (!ok) {
        for (int i = 0; i < added; i++)
            SendMessageA(list, LB_DELETESTRING, old, 0);
        // Nothing was given up: the document and its snapshot stay as they were.
        DoMessage(window, FetchString(IDS_MEMORY));
        return 0;
    }
    // From here on nothing can fail.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < old; i++)
        FreeBlock(list, (unsigned)i);
    for (int i = old - 1; i >= n; i--)
        SendMessageA(list, LB_DELETESTRING, i, 0);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    for (int i = 0; i < n; i++) {
        SendMessageA(list, LB_SETITEMDATA, i, (LPARAM)restore.items[i]);
        restore.items[i] = NULL;
        if (restore.selected[i])
            SendMessageA(list, LB_SETSEL, TRUE, i);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    set->caret = set->undocaret;
    set->viewmode = set->undoviewmode;
    int modified = set->undomodified;
    FreeUndo(window, set);
    set->undovalid = 0;
    SequenceBlocks(list, set);
    AdjustHeader(list, set);
    AdjustListBox(list, set);
    SetBrowserSize(window, set);
    InvalidateRect(list, NULL, TRUE);
    set->modified = modified;
    return 1;
}

BLOCKEDITOR BlockEditor(unsigned long tag)
{
    const EDITORPARTS &parts = EditorParts();
    return tag == TAG_HEDR ? parts.editheader : tag == TAG_PAGE ? parts.editpage : nullptr;
}

int EditBlock(HWND window, BLOCKSET *set, BLOCK *block, int index)
{
    if (block->tag != TAG_HEDR && block->tag != TAG_PAGE) {
        DoMessage(window, FetchString(IDS_BLOCKNOTEDITABLE));
        return 0;
    }
    BLOCKEDITOR editor = BlockEditor(block->tag);
    return EditorPartReady(window, editor != nullptr) ? editor(window, set, block, index) : 0;
}

BOOL CALLBACK EnableAllWindowsEnumChild(HWND window, LPARAM enable)
{
    // Only document windows hold a document in their user data.
    char name[32];
    if (!GetClassNameA(window, name, sizeof name) || strcmp(name, TASKCLASSNAME) != 0)
        return TRUE;
    if (LockBlockSet(window)) {
        EnableWindow(window, (BOOL)enable);
        UnlockBlockSet(window);
    }
    return TRUE;
}

int EnableAllWindows(int enable)
{
    enable = (unsigned short)enable ? 1 : 0;
    if (enable && hwndmain) {
        ValidateRect(hwndmain, NULL);
        BringWindowToTop(hwndmain);
    }
    if (hwndclient)
        EnumChildWindows(hwndclient, EnableAllWindowsEnumChild, enable);
    if (hwndmain)
        EnableWindow(hwndmain, enable);
    if (hwndbar)
        EnableWindow(hwndbar, enable);
    return 1;
}
