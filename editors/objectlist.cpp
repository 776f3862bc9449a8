// The object list of the page editor.
#include "editors/objectlist.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/shell.h"
#include "document/objects.h"
#include "editors/editparam.h"
#include "editors/objectdialogs.h"
#include "editors/pageeditor.h"
#include "resources/pageeditor_ids.h"
#include "resources/resource.h"
#include <cstdlib>

namespace {

void Fill(HWND dlg, EDITPARAM *p)
{
    HWND list = GetDlgItem(dlg, IDC_OBJECTLIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    uint32_t n = BlockObjectCount(p->block);
    for (uint32_t i = 0; i < n; i++) {
        char line[400];
        ObjectLine(GetPageObject(p->block, i), line, sizeof line);
        if (*line)
            SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)line);
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
}

void Open(HWND dlg, EDITPARAM *p)
{
    HWND list = GetDlgItem(dlg, IDC_OBJECTLIST);
    char line[400] = "";
    LRESULT at = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (at < 0 || SendMessageA(list, LB_GETTEXTLEN, (WPARAM)at, 0) >= (LRESULT)sizeof line)
        return;
    SendMessageA(list, LB_GETTEXT, (WPARAM)at, (LPARAM)line);
    unsigned long number = strtoul(line, nullptr, 10);
    if (!*line || number < 100)
        return;
    uint32_t tag = 0, n = BlockObjectCount(p->block);
    for (uint32_t i = 0; i < n; i++) {
        GlobalLocked<OBJECTHEADER> o(GetPageObject(p->block, i));
        if (o && o.size() >= sizeof(OBJECTHEADER) && o->number == number)
            tag = o->tag;
    }
    // Both posted: the property dialog opens once the list has closed.
    PostMessageA(p->hwnd, WMU_OBJECTEDIT, number, tag);
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
}

} // namespace

INT_PTR CALLBACK EditPageObjectListProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    EDITPARAM *p;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &p))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        Fill(dlg, p);
        SetFocus(GetDlgItem(dlg, IDOK));
        CentreWindow(dlg);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dlg, 1);
            return TRUE;
        case IDC_HELPBUTTON:
            DoHelp(dlg, "BUTTON");
            return TRUE;
        case IDC_OBJECTLIST:
            if (HIWORD(wParam) == LBN_DBLCLK)
                Open(dlg, p);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int EditPageObjectList(HWND parent, BLOCK *block)
{
    EDITPARAM p{};
    p.hwnd = parent;
    p.block = block;
    INT_PTR result = COMMONDialogBox(hInst, "EditPageObjectListBox", parent, EditPageObjectListProc, (LPARAM)&p,
                                     nullptr);
    UpdateWindow(parent);
    // Cancel comes back as IDCANCEL from the shared handling: 0 to the caller.
    return result == 1 ? 1 : 0;
}
