// The image object's property dialog: position, flags, target, the two
// transition effects with their speed and pause, and the preview of them.
// The dialog works on a copy of the picture, which OK puts into the new
// block; the rectangle always follows the picture's size. Until there is a
// replacement, the object's picture is used where it lies rather than
// copied: a large picture would otherwise cost a copy just to open the
// dialog.
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

// What the dialog holds while it is open: the painted replacement of the
// object's picture, once there is one, and whether a preview runs under it.
struct IMAGEDIALOG : PROPSTATE {
    GlobalBlock picture;
    bool previewing = false;
};

IMAGEDIALOG *State(HWND dlg)
{
    return PropState<IMAGEDIALOG>(dlg);
}

// The picture the dialog works on, locked, with its sizes read from its
// header: the replacement when there is one, else the object's own.
struct WorkingPicture {
    GlobalLocked<uint8_t> lock;
    const uint8_t *data = nullptr;
    uint32_t size = 0;
    DIBLAYOUT layout;
    explicit WorkingPicture(const IMAGEDIALOG *d)
    {
        const EDITPARAM *p = d->p;
        if (d->picture) {
            lock.Lock(d->picture.get());
            data = lock.get(), size = (uint32_t)lock.size();
        } else {
            lock.Lock(p->object);
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

bool Fill(HWND dlg, EDITPARAM *p)
{
    WorkingPicture picture(State(dlg));
    GlobalLocked<OBJECTIMAGE> o(p->object);
    if (!picture.data || !o)
        return false;
    int width = picture.layout.width, height = picture.layout.height;
    int bits = picture.layout.bits;
    // The size is the picture's, never typed in.
    ShowPlace(dlg, IDC_OBJLEFT, &o->header, imagespins, false);
    SetDlgItemInt(dlg, IDC_OBJWIDTH, (UINT)width, FALSE);
    SetDlgItemInt(dlg, IDC_OBJDEPTH, (UINT)height, FALSE);
    SetDlgItemInt(dlg, IDC_IMPAUSE, o->wait, FALSE);
    ShowFlags(dlg, o->header.flags, imagechecks, std::size(imagechecks));
    FillTargetList(GetDlgItem(dlg, IDC_IMTARGET), p->block, o->notify);
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
    EnableWindow(GetDlgItem(dlg, IDC_IMPAINT), PaintProgramKnown() && GetDisplayBits() >= bits);
    return true;
}

// A new object from the dialog's settings and the working picture; null
// when it cannot be made.
HGLOBAL Made(HWND dlg, EDITPARAM *p)
{
    WorkingPicture picture(State(dlg));
    if (!picture.data)
        return NULL;
    int width = picture.layout.width, height = picture.layout.height;
    HGLOBAL made = NewObject(p->object, sizeof(OBJECTIMAGE), {{picture.data, picture.size}});
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

void Preview(HWND dlg, EDITPARAM *p)
{
    GlobalBlock temporary(Made(dlg, p));
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
    State(dlg)->previewing = true;
    PreviewImageObject(dlg, p->block, DocumentList(p->blockset), o.get());
    // The preview ends with its owner: the dialog may be gone by now.
    if (!IsWindow(dlg))
        return;
    State(dlg)->previewing = false;
    for (size_t i = 0; i < std::size(held); i++)
        EnableWindow(GetDlgItem(dlg, held[i]), enabled[i]);
}

// The paint program works on a copy; what it gives back replaces the
// dialog's picture, and the object only on OK.
void Paint(HWND dlg, EDITPARAM *p)
{
    IMAGEDIALOG *d = State(dlg);
    GlobalBlock copy;
    HGLOBAL source = d->picture.get();
    if (!source) {
        GlobalLocked<OBJECTIMAGE> o(p->object);
        if (o)
            copy = GlobalBlock(GetImageObjectBitmap(o.get()));
        source = copy.get();
    }
    HGLOBAL painted = source ? DoPaintImage(dlg, source) : NULL;
    if (!painted)
        return;
    d->picture.Reset(painted);
    WorkingPicture picture(d);
    if (!picture.data)
        return;
    SetDlgItemInt(dlg, IDC_OBJWIDTH, (UINT)picture.layout.width, FALSE);
    SetDlgItemInt(dlg, IDC_OBJDEPTH, (UINT)picture.layout.height, FALSE);
}

void Open(HWND dlg, EDITPARAM *p)
{
    if (!Fill(dlg, p))
        RefuseObject(dlg);
}

void Build(HWND dlg, EDITPARAM *p)
{
    if (HGLOBAL made = Made(dlg, p))
        KeepObject(dlg, &p->object, made);
    else
        DoMessage(dlg, FetchString(IDS_MEMORY));
}

const PROPDIALOG imagedialog = {Open, Build, "IMAGE"};

} // namespace

INT_PTR CALLBACK EditImageObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Nothing ends the dialog under its preview, Esc neither.
    IMAGEDIALOG *d = State(dlg);
    if (msg == WM_COMMAND && d && d->previewing)
        return TRUE;
    INT_PTR answer;
    if (PropDialogMessage<IMAGEDIALOG>(imagedialog, dlg, msg, wParam, lParam, &answer))
        return answer;
    if (msg != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_IMPREVIEW:
        Preview(dlg, d->p);
        return TRUE;
    case IDC_IMPAINT:
        Paint(dlg, d->p);
        return TRUE;
    }
    return FALSE;
}
