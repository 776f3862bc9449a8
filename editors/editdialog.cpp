// The edit field's property dialog: its initial text, place, size, flags
// and target.
#include "common/owners.h"
#include "editors/editparam.h"
#include "editors/objectdialogs3.h"
#include "editors/objectfields.h"
#include "resources/objectdialogs3_ids.h"

namespace {

constexpr uint32_t EDITFIXED = sizeof(OBJECTEDIT);
const PROPFIELDS fields{true, OBJ_VISIBLE | OBJ_ENABLED | OBJ_NOTIFY};

void Open(HWND dlg, EDITPARAM *p)
{
    auto *e = (OBJECTEDIT *)LockLiveObject(dlg, p->object, EDITFIXED);
    if (!e)
        return;
    SetDlgItemTextA(dlg, IDC_EDITFIELDTEXT, ObjectDataText(&e->header, EDITFIXED).c_str());
    ShowPropFields(dlg, &e->header, fields, p->block, e->notify);
    GlobalUnlock(p->object);
}

void Build(HWND dlg, EDITPARAM *p)
{
    // The text is always stored, an empty one as its zero alone.
    uint32_t length = (uint32_t)GetWindowTextLengthA(GetDlgItem(dlg, IDC_EDITFIELDTEXT)) + 1;
    HGLOBAL built = BuildObject(dlg, p->object, EDITFIXED, length);
    if (!built)
        return;
    {
        GlobalLocked<OBJECTEDIT> e(built);
        GetDlgItemTextA(dlg, IDC_EDITFIELDTEXT, (char *)e.get() + EDITFIXED, (int)length);
        ReadPropFields(dlg, &e->header, fields, &e->notify);
    }
    KeepObject(dlg, &p->object, built);
}

} // namespace

INT_PTR CALLBACK EditEditObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const PROPDIALOG dialog{Open, Build, "EDIT"};
    INT_PTR answer;
    if (PropDialogMessage(dialog, dlg, msg, wParam, lParam, &answer))
        return answer;
    return FALSE;
}
