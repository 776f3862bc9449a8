// The receiving side of dragging pages between document windows: the
// document window a drop names a source list to takes copies of the blocks
// selected there, after its caret.
#include "editor/dragdrop.h"
#include "common/msgdlg.h"
#include "common/services.h"
#include "common/strings.h"
#include "document/blockstore.h"
#include "editor/blocks.h"
#include "editor/doccommands.h"
#include "editor/docwindow.h"
#include "editor/shell.h"
#include "editor/undo.h"
#include "resources/editordocs_ids.h"
#include "resources/resource.h"
#include <shellapi.h>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Say(HWND owner, unsigned id) { DoMessage(owner, FetchString(id)); }

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

} // namespace

// Blocks dropped from another document window's list: the name is 0xFF and
// the source list's window handle in decimal.
void ReceiveBlockDrop(HWND window, HDROP drop)
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
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
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
    EnableDocumentCommands(window, set);
    DragFinish(drop);
    UnlockBlockSet(window);
}
