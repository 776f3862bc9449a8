// New documents, and inserting, deleting, copying and moving blocks in a
// document's list. Item 0 is the header block; nothing here removes or
// copies it.
#include "editor/blocks.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/objects.h"
#include "editor/docwindow.h"
#include "editor/shell.h"
#include "editor/shellservices.h"
#include "media/draw.h"
#include "resources/editordocs_ids.h"
#include "resources/resource.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

static void Say(HWND owner, unsigned id) { DoMessage(owner, FetchString(id)); }

int DuplicateBlock(BLOCK *copy, const BLOCK *source)
{
    BLOCK made;
    memcpy(&made, source, BLOCKSIZE);
    made.objects = NULL;
    made.thumbnail = NULL;
    made.title = NULL;
    // The title is the copy's own: both blocks free theirs.
    if (source->title) {
        GlobalLocked<char> text(source->title);
        SIZE_T size = GlobalSize(source->title);
        made.title = text && size ? NewGlobal(size, text.get(), size) : NULL;
        if (!made.title) {
            memset(copy, 0, BLOCKSIZE);
            return 0;
        }
    }
    uint32_t count = BlockObjectCount(source);
    if (source->objects && count) {
        SIZE_T size = GlobalSize(source->objects);
        if (size / sizeof(HGLOBAL) < count) {
            DestroyBlock(&made);
            memset(copy, 0, BLOCKSIZE);
            return 0;
        }
        made.objects = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        // Made whole or not at all: the objects copied so far go with the
        // array, since DestroyBlock frees every slot that holds one.
        bool whole = made.objects != NULL;
        for (uint32_t i = 0; whole && i < count; i++) {
            HGLOBAL object = GetPageObject(const_cast<BLOCK *>(source), i);
            HGLOBAL twin = object ? DuplicatePageObject(object) : NULL;
            if (twin && !PutPageObject(&made, twin, i)) {
                DestroyPageObject(twin);
                twin = NULL;
            }
            whole = object == NULL || twin != NULL;
        }
        if (!whole) {
            DestroyBlock(&made);
            memset(copy, 0, BLOCKSIZE);
            return 0;
        }
    }
    // Other kinds of block never stand in a list and carry no objects a
    // copy could share.
    memcpy(copy, &made, BLOCKSIZE);
    return 1;
}

void RefreshBlockList(HWND window, BLOCKSET *set)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    SequenceBlocks(list, set);
    SetBlockTitles(list, set);
    AdjustHeader(list, set);
    AdjustListBox(list, set);
    set->modified = 1;
}

static int Count(HWND list) { return (int)SendMessageA(list, LB_GETCOUNT, 0, 0); }

static bool Selected(HWND list, int index) { return SendMessageA(list, LB_GETSEL, index, 0) > 0; }

static void ClampCaret(HWND list, BLOCKSET *set)
{
    int count = Count(list);
    if (set->caret >= count)
        set->caret = count - 1;
}

static bool InsertPlaceholder(HWND list, int index)
{
    LRESULT r = SendMessageA(list, LB_INSERTSTRING, index, (LPARAM) " ");
    return r != LB_ERR && r != LB_ERRSPACE;
}

int DoNew(HWND owner, HWND window, BLOCKSET *set)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    BLOCK header;
    if (!set || !CreateBlock(window, set, &header, TAG_HEDR, nullptr, 0) || !AppendBlock(list, set, &header)) {
        if (set)
            DestroyBlock(&header);
        Say(owner, IDS_BLOCKACCESS);
        return 0;
    }
    RefreshBlockList(window, set);
    char name[FETCHSTRINGSIZE];
    snprintf(name, sizeof name, "%s", FetchString(IDS_UNTITLEDFILE));
    snprintf(set->path, sizeof set->path, "%s", AddCurrentPath(name));
    return 1;
}

int DoInsertPage(HWND window, BLOCKSET *set)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    int c = set->caret;
    if (c < 0 || c >= Count(list) || !InsertPlaceholder(list, c + 1)) {
        Say(window, IDS_INSERTERROR);
        return 0;
    }
    BLOCK page;
    bool made = CreateBlock(window, set, &page, TAG_PAGE, nullptr, 0) != 0;
    if (made) {
        AddOptionalObjects(window, &page);
        snprintf(page.page.title, sizeof page.page.title, FetchString(IDS_UNTITLEDPAGE), (unsigned)(c + 1));
    }
    if (!made || !AllocateBlock(list, (unsigned)c + 1, &page)) {
        if (made)
            DestroyBlock(&page);
        SendMessageA(list, LB_DELETESTRING, c + 1, 0);
        Say(window, IDS_MEMORY);
        return 0;
    }
    set->caret = c + 1;
    RefreshBlockList(window, set);
    SendMessageA(list, LB_SETTOPINDEX, c + 1, 0);
    return 1;
}

int DoDelete(HWND window, BLOCKSET *set)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    int n = (int)SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    if (n <= 0)
        return 1;
    if (n > 1) {
        char text[FETCHSTRINGSIZE + 16];
        snprintf(text, sizeof text, FetchString(IDS_DELETEBLOCKS), n);
        if (DoYesNoWarning(window, text, &WarnMultipleDelete) != 1)
            return 1;
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    int deleted = 0;
    for (int i = Count(list) - 1; i >= 0; i--) {
        BLOCK block;
        if (!Selected(list, i) || !GetBlock(list, (unsigned)i, &block))
            continue;
        if (block.tag == TAG_HEDR) {
            Say(window, IDS_HEADERNOTDELETABLE);
            continue;
        }
        FreeBlock(list, (unsigned)i);
        SendMessageA(list, LB_DELETESTRING, i, 0);
        deleted++;
    }
    ClampCaret(list, set);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    if (deleted)
        RefreshBlockList(window, set);
    InvalidateRect(list, NULL, TRUE);
    return 1;
}

int DoDeleteOneBlock(HWND window, BLOCKSET *set, int index)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    BLOCK block;
    if (index < 0 || !GetBlock(list, (unsigned)index, &block) || block.tag == TAG_HEDR)
        return 0;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    FreeBlock(list, (unsigned)index);
    SendMessageA(list, LB_DELETESTRING, index, 0);
    ClampCaret(list, set);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    RefreshBlockList(window, set);
    InvalidateRect(list, NULL, TRUE);
    return 1;
}

int DoCopyMoveTo(HWND window, BLOCKSET *set, int move)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    int n = (int)SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    int count = Count(list);
    if (n < 0)
        n = 0;
    BLOCK *copies = (BLOCK *)calloc((size_t)n + 1, sizeof(BLOCK));
    if (!copies) {
        Say(window, IDS_MEMORY);
        return 0;
    }
    int made = 0;
    unsigned failure = 0;
    for (int i = 0; i < count && !failure; i++) {
        if (!Selected(list, i))
            continue;
        BLOCK block;
        if (!GetBlock(list, (unsigned)i, &block))
            failure = IDS_BLOCKACCESS;
        else if (block.tag != TAG_PAGE)
            continue;
        else if (made >= n || !DuplicateBlock(&copies[made], &block))
            failure = IDS_MEMORY;
        else
            made++;
    }
    if (!failure && made == 0) {
        free(copies);
        Say(window, IDS_NOTHINGTOCOPY);
        return 0;
    }
    // The copies go after the item under the mouse (the last one when the
    // click missed every item).
    int t = set->rightclick;
    if (t < 0 || t >= count)
        t = count - 1;
    int inserted = 0;
    for (int j = 0; j < made && !failure; j++) {
        if (!InsertPlaceholder(list, t + 1)) {
            failure = IDS_INSERTERROR;
        } else if (!AllocateBlock(list, (unsigned)t + 1, &copies[j])) {
            SendMessageA(list, LB_DELETESTRING, t + 1, 0);
            failure = IDS_MEMORY;
        } else {
            memset(&copies[j], 0, sizeof(BLOCK));
            t++;
            inserted++;
        }
    }
    // Only whole success moves: after a failure the sources stay where they are.
    if (move && !failure) {
        int last = t;
        for (int i = Count(list) - 1; i >= 0; i--) {
            BLOCK block;
            if (!Selected(list, i) || !GetBlock(list, (unsigned)i, &block) || block.tag == TAG_HEDR)
                continue;
            FreeBlock(list, (unsigned)i);
            SendMessageA(list, LB_DELETESTRING, i, 0);
            if (i < last)
                t--;
        }
        ClampCaret(list, set);
    }
    for (int j = 0; j < made; j++)
        DestroyBlock(&copies[j]);
    free(copies);
    // What was inserted is a change, whether or not all of it arrived.
    if (inserted) {
        RefreshBlockList(window, set);
        SendMessageA(list, LB_SETTOPINDEX, t, 0);
    }
    if (failure) {
        Say(window, failure);
        return 0;
    }
    return 1;
}

HWND DuplicateBlockSet(HWND window, BLOCKSET *source, const char *prefix, int flags)
{
    HWND sourcelist = GetDlgItem(window, IDC_BLOCKLIST);
    char path[MAX_PATH];
    CreateDerivativePath(path, source->path, prefix);
    HWND twin = CreateNewTask(hwndmain, path, flags & 4 ? 2 : 0);
    if (!twin)
        return NULL;
    BLOCKSET *set = LockBlockSet(twin);
    if (!set) {
        PostMessageA(twin, WM_SYSCOMMAND, SC_CLOSE, 0);
        return NULL;
    }
    HWND list = GetDlgItem(twin, IDC_BLOCKLIST);
    set->viewmode = source->viewmode;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    int top = (int)SendMessageA(sourcelist, LB_GETTOPINDEX, 0, 0);
    int count = Count(sourcelist);
    bool ok = true;
    for (int i = 0; i < count && ok; i++) {
        BLOCK block, copy;
        ok = GetBlock(sourcelist, (unsigned)i, &block) && DuplicateBlock(&copy, &block);
        if (!ok)
            break;
        copy.blockset = set;
        int added = AppendBlock(list, set, &copy);
        if (!added) {
            DestroyBlock(&copy);
            ok = false;
        } else if ((flags & 1) && Selected(sourcelist, i)) {
            SendMessageA(list, LB_SETSEL, TRUE, added - 1);
        }
    }
    if (!ok) {
        UnlockBlockSet(twin);
        PostMessageA(twin, WM_SYSCOMMAND, SC_CLOSE, 0);
        return NULL;
    }
    set->caret = source->caret;
    SequenceBlocks(list, set);
    SetBlockTitles(list, set);
    SetBrowserSize(twin, set);
    AdjustHeader(list, set);
    AdjustListBox(list, set);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    if ((flags & 2) && top >= 0)
        SendMessageA(list, LB_SETTOPINDEX, top, 0);
    InvalidateRect(list, NULL, TRUE);
    set->modified = 1;
    UnlockBlockSet(twin);
    return twin;
}
