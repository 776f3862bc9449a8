// The block list's look after a document is read into it.
#include "editor/shellservices.h"
#include "common/shell.h"
#include "document/blockstore.h"

void AdjustHeader(HWND, BLOCKSET *)
{
}

// The window's own redraw switch, not the list box's: the list box's only
// stops drawing items, while the window's makes the whole list, scroll bar
// included, count as not shown.
ListLayoutHold::ListLayoutHold(HWND list) : list_(list), held_(IsWindowVisible(list) != FALSE)
{
    if (held_)
        DefWindowProcA(list_, WM_SETREDRAW, FALSE, 0);
}

ListLayoutHold::~ListLayoutHold()
{
    if (!held_)
        return;
    DefWindowProcA(list_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(list_, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

static unsigned ItemHeight(const BLOCK &block, int viewmode)
{
    if (block.tag != TAG_PAGE)
        return 24;
    switch (viewmode) {
    case 1:
        return ViewModeSmallDepth + 24;
    case 2:
        return ViewModeMediumDepth + 24;
    case 3:
        return ViewModeLargeDepth + 24;
    }
    return 24;
}

int AdjustListBox(HWND list, BLOCKSET *set)
{
    BLOCK block;
    if (!set || !GetHeaderBlock(list, set, &block))
        return 0;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    {
    ListLayoutHold hold(list);
    // Each change would otherwise bring the scroll bar up to date on its own.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (LRESULT i = 0; i < count; i++) {
        unsigned height = GetBlock(list, (unsigned)i, &block) ? ItemHeight(block, set->viewmode) : 24;
        // A list box item is at most 255 pixels high.
        SendMessageA(list, LB_SETITEMHEIGHT, i, height > 255 ? 255 : height);
    }
    // Adding and at once deleting an item makes the list recompute its layout.
    LRESULT dummy = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM) " ");
    if (dummy != LB_ERR && dummy != LB_ERRSPACE)
        SendMessageA(list, LB_DELETESTRING, dummy, 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    }
    SetFocus(list);
    InvalidateRect(GetParent(list), NULL, TRUE);
    InvalidateRect(list, NULL, TRUE);
    return 1;
}
