// The property dialog of check boxes and radio buttons: one dialog in two
// copies that differ only in their template and help key.
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/strings.h"
#include "editors/editparam.h"
#include "editors/objectdialogs.h"
#include "editors/objectdialogs1.h"
#include "editors/objectfields.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs1_ids.h"
#include "resources/resource.h"
#include <iterator>
#include <cstring>
#include <string>

namespace {

const FLAGBOX flags[] = {
    {IDC_OBJVISIBLE, 0x2}, {IDC_OBJENABLED, 0x4}, {IDC_OBJNOTIFY, 0x10}, {IDC_OBJCHECKED, 0x400}};
const int spins[] = {IDC_OBJLEFT + IDC_OBJSPIN, IDC_OBJTOP + IDC_OBJSPIN, IDC_OBJWIDTH + IDC_OBJSPIN,
                     IDC_OBJDEPTH + IDC_OBJSPIN, 0};

void Open(HWND dlg, EDITPARAM *p)
{
    GlobalLocked<OBJECTCHECKBOX> o(p->object);
    if (!o || o.size() < sizeof(OBJECTCHECKBOX) || o->header.fixedsize < sizeof(OBJECTCHECKBOX) ||
        (uint64_t)o->header.fixedsize + o->header.datasize > o.size()) {
        RefuseObject(dlg);
        return;
    }
    if (o->header.datasize) {
        const char *caption = (const char *)o.get() + o->header.fixedsize;
        SetDlgItemTextA(dlg, IDC_OBJTITLE, std::string(caption, strnlen(caption, o->header.datasize)).c_str());
    }
    ShowPlace(dlg, IDC_OBJLEFT, &o->header, spins);
    ShowFlags(dlg, o->header.flags, flags, std::size(flags));
    FillTargetList(GetDlgItem(dlg, IDC_OBJTARGET), p->block, o->notify);
}

// The new object; false (with the live object kept) when it cannot be had.
bool Build(HWND dlg, EDITPARAM *p)
{
    uint32_t length = TextSize(dlg, IDC_OBJTITLE);
    GlobalBlock fresh(NewObject(p->object, sizeof(OBJECTCHECKBOX), {{nullptr, length}}));
    GlobalLocked<OBJECTCHECKBOX> o(fresh.get());
    if (!o)
        return false;
    GetDlgItemTextA(dlg, IDC_OBJTITLE, (char *)o.get() + sizeof(OBJECTCHECKBOX), (int)length);
    o->header.rect = ReadPlace(dlg, IDC_OBJLEFT);
    o->header.flags = ReadFlags(dlg, o->header.flags, flags, std::size(flags));
    o->notify = ReadTarget(GetDlgItem(dlg, IDC_OBJTARGET), o->notify);
    o.Unlock();
    GlobalFree(p->object);
    p->object = fresh.Release();
    return true;
}

void Keep(HWND dlg, EDITPARAM *p)
{
    // A failed build keeps the dialog open, so nothing typed is lost.
    if (Build(dlg, p))
        EndDialog(dlg, 1);
    else
        DoMessage(dlg, FetchString(IDS_MEMORY));
}

INT_PTR Proc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, const PROPDIALOG &dialog)
{
    INT_PTR answer;
    return PropDialogMessage(dialog, dlg, msg, wParam, lParam, &answer) ? answer : FALSE;
}

} // namespace

INT_PTR CALLBACK EditCheckboxObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const PROPDIALOG dialog{Open, Keep, "CHECKBOX"};
    return Proc(dlg, msg, wParam, lParam, dialog);
}

INT_PTR CALLBACK EditRadioObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const PROPDIALOG dialog{Open, Keep, "RADIO"};
    return Proc(dlg, msg, wParam, lParam, dialog);
}
