// The property dialog of static images: the picture's place, the "Drawn"
// flag, and the picture handed to the paint program. The dialog keeps a
// working copy of the picture for as long as it is open.
#include "common/dialog.h"
#include "common/msgdlg.h"
#include "common/paths.h"
#include "common/owners.h"
#include "common/strings.h"
#include "editor/paint.h"
#include "editor/parts.h"
#include "editors/editparam.h"
#include "editors/objectdialogs1.h"
#include "editors/objectfields.h"
#include "media/dib.h"
#include "media/draw.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs1_ids.h"
#include "resources/resource.h"
#include <iterator>

namespace {

const FLAGBOX flags[] = {{IDC_STADRAWN, 0x20}};
const int spins[] = {IDC_OBJLEFT + IDC_OBJSPIN, IDC_OBJTOP + IDC_OBJSPIN, 0};

// The dialog's own state: the EDITPARAM it was opened on and the working
// picture, which it owns.
struct STATICDIALOG {
    EDITPARAM *p;
    HGLOBAL picture;
};

bool Valid(const GlobalLocked<OBJECTSTATICIMAGE> &o)
{
    return o && o.size() >= sizeof(OBJECTSTATICIMAGE) && o->header.fixedsize >= sizeof(OBJECTSTATICIMAGE) &&
           (uint64_t)o->header.fixedsize + o->header.datasize <= o.size();
}

bool Open(HWND dlg, STATICDIALOG *s)
{
    GlobalLocked<OBJECTSTATICIMAGE> o(s->p->object);
    if (Valid(o))
        s->picture = GetStaticImageObjectBitmap(o.get());
    int width = 0, height = 0, bits = 0;
    if (!s->picture || !GetBitmapDimensions(s->picture, &width, &height, &bits, nullptr))
        return false;
    // A picture deeper than the display would come back from the paint
    // program with its colours reduced.
    EnableWindow(GetDlgItem(dlg, IDC_STAPAINT), PaintProgramKnown() && GetDisplayBits() >= bits);
    ShowPlace(dlg, IDC_OBJLEFT, &o->header, spins);
    for (int id : {IDC_OBJWIDTH, IDC_OBJDEPTH})
        SendDlgItemMessageA(dlg, id, EM_SETREADONLY, TRUE, 0);
    for (int id : {IDC_OBJWIDTH + IDC_OBJSPIN, IDC_OBJDEPTH + IDC_OBJSPIN})
        EnableWindow(GetDlgItem(dlg, id), FALSE);
    ShowFlags(dlg, o->header.flags, flags, std::size(flags));
    return true;
}

bool Build(HWND dlg, STATICDIALOG *s)
{
    int width = 0, height = 0;
    uint32_t size = GetDibSize(s->picture);
    if (!size || !GetBitmapDimensions(s->picture, &width, &height, nullptr, nullptr))
        return false;
    GlobalLocked<char> picture(s->picture);
    if (!Valid(GlobalLocked<OBJECTSTATICIMAGE>(s->p->object)) || !picture)
        return false;
    HGLOBAL fresh = NewObject(s->p->object, sizeof(OBJECTSTATICIMAGE), {{picture.get(), size}});
    GlobalLocked<OBJECTSTATICIMAGE> o(fresh);
    if (!o)
        return false;
    // The object is always as large as its picture.
    o->header.rect = ReadPlace(dlg, IDC_OBJLEFT, width, height);
    o->header.flags = ReadFlags(dlg, o->header.flags, flags, std::size(flags));
    o.Unlock();
    GlobalFree(s->p->object);
    s->p->object = fresh;
    return true;
}

} // namespace

INT_PTR CALLBACK EditStaticImageObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    if (msg == WM_INITDIALOG) {
        // The dialog's state replaces the EDITPARAM as its creation value.
        auto *s = new STATICDIALOG{(EDITPARAM *)lParam, NULL};
        COMMONDialogMessage(dlg, msg, wParam, (LPARAM)s, &answer);
        if (!Open(dlg, s))
            RefuseObject(dlg);
        SetFocus(GetDlgItem(dlg, IDOK));
        CentreWindow(dlg);
        return FALSE;
    }
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, &answer))
        return answer;
    auto *s = DialogState<STATICDIALOG>(dlg);
    switch (msg) {
    case WM_NCDESTROY:
        if (s) {
            if (s->picture)
                GlobalFree(s->picture);
            delete s;
            SetWindowLongPtrA(dlg, DWLP_USER, 0);
        }
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_OBJHELP) {
            DoHelp(dlg, "STATIC");
            return TRUE;
        }
        if (LOWORD(wParam) == IDOK) {
            if (Build(dlg, s))
                EndDialog(dlg, 1);
            else
                DoMessage(dlg, FetchString(IDS_MEMORY));
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_STAPAINT) {
            // The object takes the painted picture's size, which OK stores.
            int width = 0, height = 0;
            HGLOBAL painted = s->picture ? DoPaintImage(dlg, s->picture) : NULL;
            if (painted && GetBitmapDimensions(painted, &width, &height, nullptr, nullptr)) {
                GlobalFree(s->picture);
                s->picture = painted;
                SetDlgItemInt(dlg, IDC_OBJWIDTH, (UINT)width, FALSE);
                SetDlgItemInt(dlg, IDC_OBJDEPTH, (UINT)height, FALSE);
            } else if (painted) {
                GlobalFree(painted);
            }
            return TRUE;
        }
        break;
    }
    return FALSE;
}
