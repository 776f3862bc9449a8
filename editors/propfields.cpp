// The fields the timer, edit field and list box dialogs share.
#include "editors/propfields.h"
#include "common/dialog.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/strings.h"
#include "editor/shell.h"
#include "editors/objectdialogs.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/resource.h"
#include <algorithm>
#include <cstdlib>

static HGLOBAL Allocate(SIZE_T size)
{
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
}
HGLOBAL (*NewObjectBlock)(SIZE_T size) = Allocate;

OBJECTHEADER *LockLiveObject(HWND dlg, HGLOBAL object, uint32_t fixed)
{
    auto *o = object ? (OBJECTHEADER *)GlobalLock(object) : nullptr;
    if (o && (GlobalSize(object) < fixed || o->fixedsize < fixed)) {
        GlobalUnlock(object);
        o = nullptr;
    }
    if (!o) {
        DoMessage(dlg, FetchString(IDS_OBJECTACCESSERROR));
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    }
    return o;
}

std::string ObjectDataText(const OBJECTHEADER *o, uint32_t fixed)
{
    SIZE_T have = GlobalSize(GlobalHandle(o));
    if (!o->datasize || o->fixedsize < fixed || o->fixedsize >= have)
        return {};
    const char *p = (const char *)o + o->fixedsize;
    SIZE_T n = std::min<SIZE_T>(o->datasize, have - o->fixedsize);
    return std::string(p, std::find(p, p + n, '\0'));
}

void ShowPropFields(HWND dlg, const OBJECTHEADER *o, const PROPFIELDS &f, BLOCK *page, uint32_t target,
                    int extraspin)
{
    FillTargetList(GetDlgItem(dlg, IDC_PROPTARGET), page, target);
    int spins[6] = {IDC_PROPSPIN + IDC_PROPLEFT, IDC_PROPSPIN + IDC_PROPTOP}, n = 2;
    int width = f.size ? IDC_PROPSPIN + IDC_PROPWIDTH : 0, depth = f.size ? IDC_PROPSPIN + IDC_PROPDEPTH : 0;
    for (int id : {width, depth, extraspin})
        if (id)
            spins[n++] = id;
    SetupObjectSpins(dlg, width, depth, spins);
    SetDlgItemInt(dlg, IDC_PROPLEFT, (UINT)o->rect.left, FALSE);
    SetDlgItemInt(dlg, IDC_PROPTOP, (UINT)o->rect.top, FALSE);
    if (f.size) {
        SetDlgItemInt(dlg, IDC_PROPWIDTH, (UINT)(o->rect.right - o->rect.left), FALSE);
        SetDlgItemInt(dlg, IDC_PROPDEPTH, (UINT)(o->rect.bottom - o->rect.top), FALSE);
    }
    SetDlgItemInt(dlg, IDC_PROPNUMBER, o->number, FALSE);
    for (auto [bit, id] : {std::pair{OBJ_VISIBLE, IDC_PROPVISIBLE}, {OBJ_ENABLED, IDC_PROPENABLED},
                           {OBJ_NOTIFY, IDC_PROPNOTIFY}, {OBJ_TRANSPARENT, IDC_LISTBOXSORTED}})
        if (f.flags & bit)
            CheckDlgButton(dlg, id, (o->flags & bit) ? BST_CHECKED : BST_UNCHECKED);
}

// A number field bounded to [low, high].
static LONG Bounded(HWND dlg, int id, LONG low, LONG high)
{
    UINT v = GetDlgItemInt(dlg, id, nullptr, FALSE);
    return (LONG)std::clamp<int64_t>(v, low, high);
}

void ReadPropFields(HWND dlg, OBJECTHEADER *o, const PROPFIELDS &f, uint32_t *target)
{
    LONG left = Bounded(dlg, IDC_PROPLEFT, 0, 32760), top = Bounded(dlg, IDC_PROPTOP, 0, 32760);
    LONG w = 32, h = 32;
    if (f.size) {
        LONG low = std::max(1, MinimumObjectSize), high = std::max<LONG>(low, MaximumObjectSize);
        w = Bounded(dlg, IDC_PROPWIDTH, low, high);
        h = Bounded(dlg, IDC_PROPDEPTH, low, high);
    }
    SetRect(&o->rect, left, top, left + w, top + h);
    for (auto [bit, id] : {std::pair{OBJ_VISIBLE, IDC_PROPVISIBLE}, {OBJ_ENABLED, IDC_PROPENABLED},
                           {OBJ_NOTIFY, IDC_PROPNOTIFY}, {OBJ_TRANSPARENT, IDC_LISTBOXSORTED}})
        if (f.flags & bit)
            o->flags = IsDlgButtonChecked(dlg, id) == BST_CHECKED ? o->flags | bit : o->flags & ~bit;
    *target = ReadTarget(GetDlgItem(dlg, IDC_PROPTARGET), *target);
}

HGLOBAL BuildObject(HWND dlg, HGLOBAL live, uint32_t fixed, uint32_t size)
{
    GlobalBlock built(size <= 0x7FFFFFFF - fixed ? NewObjectBlock((SIZE_T)fixed + size) : NULL);
    GlobalLocked<OBJECTHEADER> from(live), to(built);
    if (!from || !to || from.size() < fixed) {
        DoMessage(dlg, FetchString(IDS_MEMORY));
        return NULL;
    }
    memcpy(to.get(), from.get(), fixed);
    to->fixedsize = fixed;
    to->datasize = size;
    to->totalsize = fixed + size;
    to.Unlock();
    return built.Release();
}

void KeepObject(HWND dlg, HGLOBAL *live, HGLOBAL built)
{
    GlobalFree(*live);
    *live = built;
    EndDialog(dlg, 1);
}

bool PropDialogMessage(const PROPDIALOG &d, HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR *answer)
{
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, answer))
        return true;
    EDITPARAM *p = DialogState<EDITPARAM>(dlg);
    *answer = TRUE;
    if (msg == WM_INITDIALOG) {
        d.open(dlg, p);
        SetFocus(GetDlgItem(dlg, IDOK));
        CentreWindow(dlg);
        *answer = FALSE;
        return true;
    }
    if (msg != WM_COMMAND)
        return false;
    switch (LOWORD(wParam)) {
    case IDOK:
        d.build(dlg, p);
        return true;
    case IDCANCEL:
        EndDialog(dlg, 0);
        return true;
    case IDC_HELPBUTTON:
        DoHelp(dlg, d.help);
        return true;
    }
    return false;
}
