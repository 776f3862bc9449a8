// The applet properties dialog: the applet's rectangle, its visible, enabled
// and priority flags and the object it takes as its parameter.
#include "editors/appletproperties.h"
#include "common/dialog.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/paths.h"
#include "common/shell.h"
#include "common/strings.h"
#include "editors/editparam.h"
#include "editors/objectdialogs.h"
#include "editors/objectfields.h"
#include "resources/document_ids.h"
#include "resources/scripteditor_ids.h"
#include <cstdlib>

namespace {

const FLAGBOX flags[] = {
    {IDC_OBJVISIBLE, OBJ_VISIBLE}, {IDC_OBJENABLED, OBJ_ENABLED}, {IDC_APPLETPRIORITY, OBJ_CONTINUOUS}};

// The applet locked whole, or null when its block cannot hold the record.
OBJECTAPPLET *Lock(HGLOBAL object)
{
    auto *a = object ? (OBJECTAPPLET *)GlobalLock(object) : nullptr;
    if (a && (GlobalSize(object) < sizeof(OBJECTAPPLET) || a->header.fixedsize < sizeof(OBJECTAPPLET))) {
        GlobalUnlock(object);
        a = nullptr;
    }
    return a;
}

void Open(HWND dlg, EDITPARAM *p)
{
    OBJECTAPPLET *a = Lock(p->object);
    if (!a) {
        RefuseObject(dlg);
        return;
    }
    HWND list = GetDlgItem(dlg, IDC_APPLETPARAMETER);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    SendMessageA(list, CB_ADDSTRING, 0, (LPARAM) "None");
    SendMessageA(list, CB_SETCURSEL, 0, 0);
    // The list selects the entry numbered like the parameter; 0 is "None".
    FillTargetList(list, p->block, a->parameter ? a->parameter : ~0u);
    static const int spins[] = {IDC_OBJSPIN + IDC_OBJLEFT, IDC_OBJSPIN + IDC_OBJTOP,
                                IDC_OBJSPIN + IDC_OBJWIDTH, IDC_OBJSPIN + IDC_OBJDEPTH, 0};
    ShowPlace(dlg, IDC_OBJLEFT, &a->header, spins);
    ShowFlags(dlg, a->header.flags, flags, std::size(flags));
    GlobalUnlock(p->object);
}

void Keep(HWND dlg, EDITPARAM *p)
{
    OBJECTAPPLET *a = Lock(p->object);
    if (!a) {
        // Nothing could be stored: the dialog must not report it was.
        DoMessage(dlg, FetchString(IDS_OBJECTACCESSERROR));
        EndDialog(dlg, 0);
        return;
    }
    a->header.rect = ReadPlace(dlg, IDC_OBJLEFT);
    a->header.flags = ReadFlags(dlg, a->header.flags, flags, std::size(flags));
    char text[400] = "";
    GetDlgItemTextA(dlg, IDC_APPLETPARAMETER, text, sizeof text);
    a->parameter = (uint32_t)strtoul(text, nullptr, 10);
    GlobalUnlock(p->object);
    EndDialog(dlg, 1);
}

INT_PTR Message(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    EDITPARAM *p;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &p))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        Open(dlg, p);
        SetFocus(GetDlgItem(dlg, IDOK));
        CentreWindow(dlg);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            Keep(dlg, p);
            return TRUE;
        case 9:
            DoTallixHelp(dlg, "ZOO");
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

} // namespace

INT_PTR CALLBACK EditAppletPropertiesProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return Message(dlg, msg, wParam, lParam); });
}

int EditAppletProperties(HWND owner, BLOCKSET *set, BLOCK *block, unsigned index, HGLOBAL object)
{
    if (!block || block->tag != TAG_PAGE)
        return 0;
    EDITPARAM p{};
    p.hwnd = owner;
    p.blockset = set;
    p.block = block;
    p.index = index;
    p.object = object;
    INT_PTR result = COMMONDialogBox(hInst, "EditAppletPropertiesBox", owner, EditAppletPropertiesProc,
                                     (LPARAM)&p, nullptr);
    UpdateWindow(owner);
    return result == 1 ? 1 : 0;
}
