// The property dialog of static images: the picture's place, the "Drawn"
// flag, and the picture handed to the paint program. The dialog keeps a
// working copy of the picture while it is open, which OK stores.
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

// What the dialog holds while it is open: the working copy of the picture.
struct STATICDIALOG : PROPSTATE {
    GlobalBlock picture;
};

GlobalBlock &Picture(HWND dlg)
{
    return PropState<STATICDIALOG>(dlg)->picture;
}

bool Valid(const GlobalLocked<OBJECTSTATICIMAGE> &o)
{
    return o && o.size() >= sizeof(OBJECTSTATICIMAGE) && o->header.fixedsize >= sizeof(OBJECTSTATICIMAGE) &&
           (uint64_t)o->header.fixedsize + o->header.datasize <= o.size();
}

bool Fill(HWND dlg, EDITPARAM *p)
{
    GlobalLocked<OBJECTSTATICIMAGE> o(p->object);
    GlobalBlock &picture = Picture(dlg);
    if (Valid(o))
        picture.Reset(GetStaticImageObjectBitmap(o.get()));
    int width = 0, height = 0, bits = 0;
    if (!picture || !GetBitmapDimensions(picture.get(), &width, &height, &bits, nullptr))
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

bool Made(HWND dlg, EDITPARAM *p)
{
    int width = 0, height = 0;
    HGLOBAL working = Picture(dlg).get();
    uint32_t size = GetDibSize(working);
    if (!size || !GetBitmapDimensions(working, &width, &height, nullptr, nullptr))
        return false;
    GlobalLocked<char> picture(working);
    if (!Valid(GlobalLocked<OBJECTSTATICIMAGE>(p->object)) || !picture)
        return false;
    HGLOBAL fresh = NewObject(p->object, sizeof(OBJECTSTATICIMAGE), {{picture.get(), size}});
    GlobalLocked<OBJECTSTATICIMAGE> o(fresh);
    if (!o)
        return false;
    // The object is always as large as its picture.
    o->header.rect = ReadPlace(dlg, IDC_OBJLEFT, width, height);
    o->header.flags = ReadFlags(dlg, o->header.flags, flags, std::size(flags));
    o.Unlock();
    GlobalFree(p->object);
    p->object = fresh;
    return true;
}

void Open(HWND dlg, EDITPARAM *p)
{
    if (!Fill(dlg, p))
        RefuseObject(dlg);
}

void Build(HWND dlg, EDITPARAM *p)
{
    if (Made(dlg, p))
        EndDialog(dlg, 1);
    else
        DoMessage(dlg, FetchString(IDS_MEMORY));
}

// The object takes the painted picture's size, which OK stores.
void Paint(HWND dlg)
{
    int width = 0, height = 0;
    GlobalBlock &picture = Picture(dlg);
    HGLOBAL painted = picture ? DoPaintImage(dlg, picture.get()) : NULL;
    if (painted && GetBitmapDimensions(painted, &width, &height, nullptr, nullptr)) {
        picture.Reset(painted);
        SetDlgItemInt(dlg, IDC_OBJWIDTH, (UINT)width, FALSE);
        SetDlgItemInt(dlg, IDC_OBJDEPTH, (UINT)height, FALSE);
    } else if (painted) {
        GlobalFree(painted);
    }
}

const PROPDIALOG staticdialog = {Open, Build, "STATIC"};

} // namespace

INT_PTR CALLBACK EditStaticImageObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    if (PropDialogMessage<STATICDIALOG>(staticdialog, dlg, msg, wParam, lParam, &answer))
        return answer;
    if (msg == WM_COMMAND && LOWORD(wParam) == IDC_STAPAINT && PropState<STATICDIALOG>(dlg)) {
        Paint(dlg);
        return TRUE;
    }
    return FALSE;
}
