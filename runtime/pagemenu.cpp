// The page menu: the titles of the document's pages in a list, widened to
// the longest title.
#include "common/dialog.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "resources/resource.h"
#include "runtime/runtime.h"
#include <cstring>
#include <string>

namespace {

constexpr int DESIGNEDLISTWIDTH = 216;

void PlaceButton(HWND dlg, int id, const RECT &client)
{
    HWND button = GetDlgItem(dlg, id);
    RECT r;
    if (!button || !GetWindowRect(button, &r))
        return;
    MapWindowPoints(NULL, dlg, (POINT *)&r, 2);
    int width = r.right - r.left;
    SetWindowPos(button, NULL, client.right - 8 - width, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// Lists the titles of the pages, selects the current one and widens the box
// when the longest title needs more than the designed width.
void FillPageList(HWND dlg, BLOCKSET *set)
{
    HWND list = GetDlgItem(dlg, IDC_PAGELIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    int widest = 0;
    {
        WindowDC dc(list);
        SelectedObject font(dc, (HFONT)SendMessageA(list, WM_GETFONT, 0, 0));
        int count = (int)SendMessageA(set->list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; i++) {
            BLOCK b;
            if (!GetBlock(set->list, (unsigned)i, &b) || b.tag != TAG_PAGE)
                continue;
            std::string title(b.page.title, strnlen(b.page.title, sizeof b.page.title));
            SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)title.c_str());
            SIZE size{};
            GetTextExtentPoint32A(dc, title.c_str(), (int)title.size(), &size);
            if (size.cx > widest)
                widest = size.cx;
        }
    }
    SendMessageA(list, LB_SETCURSEL, (WPARAM)(set->current - 1), 0);
    int width = widest + 16;
    set->pagemenuwidth = 0;
    if (width > DESIGNEDLISTWIDTH) {
        set->pagemenuwidth = width;
        RECT r;
        GetWindowRect(dlg, &r);
        SetWindowPos(dlg, NULL, 0, 0, r.right - r.left + width - DESIGNEDLISTWIDTH, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER);
    }
    PostMessageA(dlg, WM_SIZE, 0, 0);
}

// The widened list, and the buttons moved to its right.
void PlaceControls(HWND dlg, const BLOCKSET *set)
{
    HWND list = GetDlgItem(dlg, IDC_PAGELIST);
    RECT r, client;
    GetWindowRect(list, &r);
    SetWindowPos(list, NULL, 0, 0, set->pagemenuwidth, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(dlg, &client);
    PlaceButton(dlg, IDOK, client);
    PlaceButton(dlg, IDCANCEL, client);
}

} // namespace

// The state is the show's block set; the answer is the chosen page's index
// among the pages, or -1.
static INT_PTR PageJumpMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Cancelled, the box answers "no page", not IDCANCEL.
    INT_PTR answer;
    BLOCKSET *set;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &set, -1))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        if (!set)
            return TRUE;
        FillPageList(dlg, set);
        SetFocus(GetDlgItem(dlg, IDOK));
        CentreWindow(dlg);
        return FALSE;
    case WM_SIZE:
        if (!set || !set->pagemenuwidth)
            return FALSE;
        PlaceControls(dlg, set);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            LRESULT sel = SendDlgItemMessageA(dlg, IDC_PAGELIST, LB_GETCURSEL, 0, 0);
            EndDialog(dlg, sel == LB_ERR ? -1 : sel);
            return TRUE;
        }
        case IDC_PAGELIST:
            if (HIWORD(wParam) == LBN_DBLCLK)
                PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK PageJumpProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return PageJumpMessage(dlg, msg, wParam, lParam); });
}

int JumptoNewPage(HWND window, BLOCKSET *set)
{
    INT_PTR n = COMMONDialogBox(hInst, "PageJumpBox", window, PageJumpProc, (LPARAM)set, "page menu");
    UpdateWindow(window);
    return n < 0 ? -1 : (int)n;
}
