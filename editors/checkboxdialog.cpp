// The property dialog of check boxes and radio buttons: one dialog in two
// copies that differ only in their template and help key.
#include "common/dialog.h"
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
        DoMessage(dlg, FetchString(IDS_OBJECTACCESSERROR));
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (o->header.datasize) {
        const char *caption = (const char *)o.get() + o->header.fixedsize;
        SetDlgItemTextA(dlg, IDC_OBJTITLE, std::string(caption, strnlen(caption, o->header.datasize)).c_str());
    }
    ShowObjectPlace(dlg, &o->header, spins);
    ShowFlags(dlg, o->header.flags, flags, std::size(flags));
    FillTargetList(GetDlgItem(dlg, IDC_OBJTARGET), p->block, o->notify);
}

// The new object; false (with the live object kept) when it cannot be had.
bool Build(HWND dlg, EDITPARAM *p)
{
    GlobalLocked<OBJECTCHECKBOX> live(p->object);
    if (!live || live.size() < sizeof(OBJECTCHECKBOX))
        return false;
    OBJECTCHECKBOX fixed = *live.get();
    live.Unlock();
    uint32_t length = TextSize(dlg, IDC_OBJTITLE);
    HGLOBAL fresh = NewObjectBlock(&fixed, sizeof fixed, length);
    GlobalLocked<OBJECTCHECKBOX> o(fresh);
    if (!o) {
        if (fresh)
            GlobalFree(fresh);
        return false;
    }
    GetDlgItemTextA(dlg, IDC_OBJTITLE, (char *)o.get() + sizeof fixed, (int)length);
    o->header.rect = ReadObjectPlace(dlg);
    o->header.flags = ReadFlags(dlg, o->header.flags, flags, std::size(flags));
    o->notify = ReadTarget(GetDlgItem(dlg, IDC_OBJTARGET), o->notify);
    o.Unlock();
    GlobalFree(p->object);
    p->object = fresh;
    return true;
}

INT_PTR Proc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, const char *helpkey)
{
    INT_PTR answer;
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, &answer))
        return answer;
    auto *p = DialogState<EDITPARAM>(dlg);
    switch (msg) {
    case WM_INITDIALOG:
        Open(dlg, p);
        SetFocus(GetDlgItem(dlg, IDOK));
        CentreWindow(dlg);
        return FALSE;
    case WM_COMMAND:
        if (HandleObjectHelp(dlg, wParam, helpkey))
            return TRUE;
        if (LOWORD(wParam) == IDOK) {
            // A failed build keeps the dialog open, so nothing typed is lost.
            if (Build(dlg, p))
                EndDialog(dlg, 1);
            else
                DoMessage(dlg, FetchString(IDS_MEMORY));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

INT_PTR CALLBACK EditCheckboxObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Proc(dlg, msg, wParam, lParam, "CHECKBOX");
}

INT_PTR CALLBACK EditRadioObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Proc(dlg, msg, wParam, lParam, "RADIO");
}
