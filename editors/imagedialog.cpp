// The image object's property dialog: position, flags, target, the two
// transition effects with their speed and pause, and the preview of them.
// The dialog works on a copy of the picture, which OK puts into the new
// block; the rectangle always follows the picture's size.
#include "common/dialog.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "editor/paint.h"
#include "editor/parts.h"
#include "editors/imagepreview.h"
#include "editors/objectdialogs.h"
#include "editors/objectfields.h"
#include "media/dib.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs2_ids.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <iterator>

namespace {

const FLAGBOX imagechecks[] = {
    {IDC_OBJVISIBLE, 0x2}, {IDC_OBJENABLED, 0x4}, {IDC_IMLOOP, 0x8}, {IDC_IMNOTIFY, 0x10}, {IDC_IMDRAWN, 0x20},
};

const int imagespins[] = {IDC_OBJLEFT + IDC_OBJSPIN, IDC_OBJTOP + IDC_OBJSPIN, IDC_IMPAUSE + 10000, 0};

// What the dialog holds while it is open.
struct IMAGEDIALOG {
    EDITPARAM *p;
    // A picture that replaces the object's own; until there is one, the
    // object's picture is used where it lies rather than copied: a large
    // picture would otherwise cost a copy just to open the dialog.
    GlobalBlock picture;
    int bits = 0;
    bool previewing = false;
};

// The picture the dialog works on, locked, with its sizes read from its
// header: the replacement when there is one, else the object's own.
struct WorkingPicture {
    GlobalLocked<uint8_t> lock;
    const uint8_t *data = nullptr;
    uint32_t size = 0;
    DIBLAYOUT layout;
    explicit WorkingPicture(const IMAGEDIALOG *d)
    {
        if (d->picture.get()) {
            lock.Lock(d->picture.get());
            data = lock.get(), size = (uint32_t)lock.size();
        } else {
            lock.Lock(d->p->object);
            auto *h = (const OBJECTHEADER *)lock.get();
            if (!h || lock.size() < sizeof(OBJECTIMAGE) || (uint64_t)h->fixedsize + h->datasize > lock.size())
                return;
            data = lock.get() + h->fixedsize, size = h->datasize;
        }
        if (size < sizeof(BITMAPINFOHEADER) || !DibHeaderLayout((const BITMAPINFOHEADER *)data, &layout))
            data = nullptr;
    }
};

// Where the speed slider shows a stored speed.
LRESULT ShownSpeed(uint32_t stored)
{
    int32_t speed = (int32_t)stored;
    return speed < 1 ? 1 : speed > TRANSITION_MAXSPEED ? TRANSITION_MAXSPEED : speed;
}

bool Fill(HWND dlg, IMAGEDIALOG *d)
{
    WorkingPicture picture(d);
    GlobalLocked<OBJECTIMAGE> o(d->p->object);
    if (!picture.data || !o)
        return false;
    int width = picture.layout.width, height = picture.layout.height;
    d->bits = picture.layout.bits;
    // The size is the picture's, never typed in.
    ShowPlace(dlg, IDC_OBJLEFT, &o->header, imagespins, false);
    SetDlgItemInt(dlg, IDC_OBJWIDTH, (UINT)width, FALSE);
    SetDlgItemInt(dlg, IDC_OBJDEPTH, (UINT)height, FALSE);
    SetDlgItemInt(dlg, IDC_IMPAUSE, o->wait, FALSE);
    ShowFlags(dlg, o->header.flags, imagechecks, std::size(imagechecks));
    FillTargetList(GetDlgItem(dlg, IDC_IMTARGET), d->p->block, o->notify);
    for (int list : {IDC_IMAPPEAR, IDC_IMDISAPPEAR}) {
        for (const EFFECT &e : effect)
            SendDlgItemMessageA(dlg, list, CB_ADDSTRING, 0, (LPARAM)e.name);
        uint32_t row = list == IDC_IMAPPEAR ? o->appear : o->disappear;
        if (ValidEffect((int32_t)row))
            SendDlgItemMessageA(dlg, list, CB_SETCURSEL, row, 0);
    }
    HWND speed = GetDlgItem(dlg, IDC_IMSPEED);
    SendMessageA(speed, TBM_SETRANGE, FALSE, MAKELPARAM(1, TRANSITION_MAXSPEED));
    SendMessageA(speed, TBM_SETTICFREQ, 10, 0);
    SendMessageA(speed, TBM_SETPOS, TRUE, ShownSpeed(o->speed));
    EnableWindow(GetDlgItem(dlg, IDC_IMPAINT), PaintProgramKnown() && GetDisplayBits() >= d->bits);
    return true;
}

// A new object from the dialog's settings and the working picture; null
// when it cannot be made.
HGLOBAL Build(HWND dlg, IMAGEDIALOG *d)
{
    WorkingPicture picture(d);
    if (!picture.data)
        return NULL;
    int width = picture.layout.width, height = picture.layout.height;
    HGLOBAL made = NewObject(d->p->object, sizeof(OBJECTIMAGE), {{picture.data, picture.size}});
    picture.lock.Unlock();
    GlobalLocked<OBJECTIMAGE> o(made);
    if (!o)
        return NULL;
    OBJECTHEADER &h = o->header;
    h.rect = ReadPlace(dlg, IDC_OBJLEFT, width, height);
    h.flags = ReadFlags(dlg, h.flags, imagechecks, std::size(imagechecks));
    o->notify = ReadTarget(GetDlgItem(dlg, IDC_IMTARGET), o->notify);
    LRESULT appear = SendDlgItemMessageA(dlg, IDC_IMAPPEAR, CB_GETCURSEL, 0, 0);
    LRESULT disappear = SendDlgItemMessageA(dlg, IDC_IMDISAPPEAR, CB_GETCURSEL, 0, 0);
    if (appear >= 0)
        o->appear = (uint32_t)appear;
    if (disappear >= 0)
        o->disappear = (uint32_t)disappear;
    // The slider cannot show a stored speed outside its range: that speed
    // stays until the slider is moved.
    LRESULT speed = SendDlgItemMessageA(dlg, IDC_IMSPEED, TBM_GETPOS, 0, 0);
    if (speed != ShownSpeed(o->speed))
        o->speed = (uint32_t)(speed < 1 ? 1 : speed > TRANSITION_MAXSPEED ? TRANSITION_MAXSPEED : speed);
    o->wait = ReadTyped(dlg, IDC_IMPAUSE);
    return made;
}

void Preview(HWND dlg, IMAGEDIALOG *d)
{
    GlobalBlock temporary(Build(dlg, d));
    GlobalLocked<OBJECTIMAGE> o(temporary.get());
    if (!o) {
        DoMessage(dlg, FetchString(IDS_MEMORY));
        return;
    }
    // Nothing may end the dialog under its preview.
    const int held[] = {IDOK, IDCANCEL, IDC_IMPREVIEW, IDC_IMPAINT};
    bool enabled[std::size(held)];
    for (size_t i = 0; i < std::size(held); i++)
        enabled[i] = EnableWindow(GetDlgItem(dlg, held[i]), FALSE) == 0;
    d->previewing = true;
    PreviewImageObject(dlg, d->p->block, DocumentList(d->p->blockset), o.get());
    // The preview ends with its owner: the dialog may be gone by now.
    if (!IsWindow(dlg))
        return;
    d->previewing = false;
    for (size_t i = 0; i < std::size(held); i++)
        EnableWindow(GetDlgItem(dlg, held[i]), enabled[i]);
}

} // namespace

// The paint program works on a copy; what it gives back replaces the
// dialog's picture, and the object only on OK.
static void Paint(HWND dlg, IMAGEDIALOG *d)
{
    GlobalBlock copy;
    HGLOBAL source = d->picture.get();
    if (!source) {
        GlobalLocked<OBJECTIMAGE> o(d->p->object);
        if (o)
            copy = GlobalBlock(GetImageObjectBitmap(o.get()));
        source = copy.get();
    }
    HGLOBAL painted = source ? DoPaintImage(dlg, source) : NULL;
    if (!painted)
        return;
    d->picture = GlobalBlock(painted);
    WorkingPicture picture(d);
    if (!picture.data)
        return;
    d->bits = picture.layout.bits;
    SetDlgItemInt(dlg, IDC_OBJWIDTH, (UINT)picture.layout.width, FALSE);
    SetDlgItemInt(dlg, IDC_OBJDEPTH, (UINT)picture.layout.height, FALSE);
}

INT_PTR CALLBACK EditImageObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    IMAGEDIALOG *d = DialogState<IMAGEDIALOG>(dlg);
    INT_PTR answer;
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        if (d && !d->previewing)
            EndDialog(dlg, 0);
        return TRUE;
    }
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, &answer))
        return answer;
    switch (msg) {
    case WM_INITDIALOG: {
        d = new IMAGEDIALOG();
        d->p = (EDITPARAM *)lParam;
        SetWindowLongPtrA(dlg, DWLP_USER, (LONG_PTR)d);
        if (!Fill(dlg, d)) {
            RefuseObject(dlg);
            return TRUE;
        }
        SetFocus(GetDlgItem(dlg, IDOK));
        CentreWindow(dlg);
        return FALSE;
    }
    case WM_COMMAND:
        if (!d || d->previewing)
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDOK:
            if (HGLOBAL made = Build(dlg, d)) {
                GlobalFree(d->p->object);
                d->p->object = made;
                EndDialog(dlg, 1);
            } else {
                DoMessage(dlg, FetchString(IDS_MEMORY));
            }
            return TRUE;
        case IDHELP:
            DoHelp(dlg, "IMAGE");
            return TRUE;
        case IDC_IMPREVIEW:
            Preview(dlg, d);
            return TRUE;
        case IDC_IMPAINT:
            Paint(dlg, d);
            return TRUE;
        }
        return FALSE;
    case WM_NCDESTROY:
        delete d;
        SetWindowLongPtrA(dlg, DWLP_USER, 0);
        return FALSE;
    }
    return FALSE;
}
