// The timer's property dialog: its action with the action's target, its
// duration, its place and whether it starts when its page is shown.
#include "common/owners.h"
#include "common/strings.h"
#include "document/blockstore.h"
#include "editors/editparam.h"
#include "editors/objectdialogs3.h"
#include "editors/objectfields.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/resource.h"
#include "runtime/messages.h"
#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t TIMERFIXED = sizeof(OBJECTTIMER);
const PROPFIELDS fields{false, OBJ_ENABLED};

void Open(HWND dlg, EDITPARAM *p)
{
    auto *t = (OBJECTTIMER *)LockLiveObject(dlg, p->object, TIMERFIXED);
    if (!t)
        return;
    HWND action = GetDlgItem(dlg, IDC_TIMERACTION), pages = GetDlgItem(dlg, IDC_TIMERPAGE);
    for (uint32_t i = 0; i < ACTION_COUNT; i++)
        SendMessageA(action, CB_ADDSTRING, 0, (LPARAM)FetchString(IDS_ACTIONNAMES + i));
    SendMessageA(action, CB_SETCURSEL, t->action < ACTION_COUNT ? t->action : (WPARAM)-1, 0);
    std::string target = ObjectDataText(&t->header, TIMERFIXED);
    // The titles as the document holds them: the page being edited is listed
    // as it was last stored.
    HWND list = DocumentList(p->blockset);
    int count = list ? (int)SendMessageA(list, LB_GETCOUNT, 0, 0) : 0;
    bool found = false;
    for (int i = 0; i < count; i++) {
        BLOCK b{};
        if (!GetBlock(list, (unsigned)i, &b) || b.tag != TAG_PAGE)
            continue;
        char title[TITLESIZE + 1];
        GetBlockTitle(title, &b);
        LRESULT at = SendMessageA(pages, CB_ADDSTRING, 0, (LPARAM)title);
        if (t->action == ACTION_JUMPTOPAGE && !found && at >= 0 && CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, title,
                                                             (int)std::min(target.size(), strlen(title)),
                                                             target.c_str(), (int)target.size()) == CSTR_EQUAL) {
            SendMessageA(pages, CB_SETCURSEL, (WPARAM)at, 0);
            found = true;
        }
    }
    SendDlgItemMessageA(dlg, IDC_TIMERDOCUMENT, EM_LIMITTEXT, 260, 0);
    if (t->action == ACTION_OPENDOCUMENT)
        SetDlgItemTextA(dlg, IDC_TIMERDOCUMENT, target.c_str());
    ShowPropFields(dlg, &t->header, fields, p->block, t->target, IDC_OBJSPIN + IDC_TIMERDURATION);
    SetDlgItemInt(dlg, IDC_TIMERDURATION, t->delay, FALSE);
    GlobalUnlock(p->object);
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_TIMERACTION, CBN_SELENDOK), (LPARAM)action);
}

LRESULT Action(HWND dlg)
{
    return SendDlgItemMessageA(dlg, IDC_TIMERACTION, CB_GETCURSEL, 0, 0);
}

void Build(HWND dlg, EDITPARAM *p)
{
    LRESULT action = Action(dlg);
    int from = action == ACTION_JUMPTOPAGE ? IDC_TIMERPAGE : action == ACTION_OPENDOCUMENT ? IDC_TIMERDOCUMENT : 0;
    uint32_t length = from ? (uint32_t)GetWindowTextLengthA(GetDlgItem(dlg, from)) + 1 : 0;
    HGLOBAL built = BuildObject(dlg, p->object, TIMERFIXED, length);
    if (!built)
        return;
    {
        GlobalLocked<OBJECTTIMER> t(built);
        if (length)
            GetDlgItemTextA(dlg, from, (char *)t.get() + TIMERFIXED, (int)length);
        ReadPropFields(dlg, &t->header, fields, &t->target);
        t->delay = ReadTyped(dlg, IDC_TIMERDURATION);
        if (action >= 0 && action < (LRESULT)ACTION_COUNT)
            t->action = (uint32_t)action;
    }
    KeepObject(dlg, &p->object, built);
}

} // namespace

INT_PTR CALLBACK EditTimerObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const PROPDIALOG dialog{Open, Build, "TIMER"};
    INT_PTR answer;
    if (PropDialogMessage(dialog, dlg, msg, wParam, lParam, &answer))
        return answer;
    if (msg == WM_COMMAND && LOWORD(wParam) == IDC_TIMERACTION &&
        (HIWORD(wParam) == CBN_SELENDOK || HIWORD(wParam) == CBN_SELCHANGE)) {
        LRESULT a = Action(dlg);
        EnableWindow(GetDlgItem(dlg, IDC_TIMERPAGE), a == ACTION_JUMPTOPAGE);
        EnableWindow(GetDlgItem(dlg, IDC_TIMERDOCUMENT), a == ACTION_OPENDOCUMENT);
        EnableWindow(GetDlgItem(dlg, IDC_OBJTARGET), a == ACTION_NOTIFY || a == ACTION_DISABLE);
        return TRUE;
    }
    return FALSE;
}
