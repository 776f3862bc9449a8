// The property dialog of buttons: title, action and target, four drawing
// styles, three colours that change the live object at once, and the
// picture of a graphic button, which the dialog holds while it is open.
#include "common/dialog.h"
#include "common/dlgitems.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "common/strings.h"
#include "editor/paint.h"
#include "editor/parts.h"
#include "editor/tipfolder.h"
#include "editors/editparam.h"
#include "editors/objectdialogs.h"
#include "editors/objectdialogs1.h"
#include "editors/objectfields.h"
#include "media/dib.h"
#include "media/draw.h"
#include "media/filedialogs.h"
#include "media/imageformat.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs1_ids.h"
#include "resources/resource.h"
#include "runtime/messages.h"
#include <iterator>
#include <cstring>
#include <string>

namespace {

enum { SYSTEM, GRAPHIC, SOFTSYSTEM, SOFTCUSTOM };

const FLAGBOX flags[] = {{IDC_OBJVISIBLE, OBJ_VISIBLE}, {IDC_OBJENABLED, OBJ_ENABLED}, {IDC_OBJCHECKED, OBJ_DEFAULT}};
const int spins[] = {IDC_OBJLEFT + IDC_OBJSPIN, IDC_OBJTOP + IDC_OBJSPIN, IDC_OBJWIDTH + IDC_OBJSPIN,
                     IDC_OBJDEPTH + IDC_OBJSPIN, 0};
// The swatches, the colour each shows and the default it leaves for new buttons.
const struct {
    int id;
    COLORREF OBJECTBUTTON::*colour;
    COLORREF *setting;
} swatches[] = {
    {IDC_BTNBACKCOLOUR, &OBJECTBUTTON::disabledcolour, &DisabledColorDefault},
    {IDC_BTNSOFTCOLOUR, &OBJECTBUTTON::softcolour, &SoftCustomColorDefault},
    {IDC_BTNSOFTTEXT, &OBJECTBUTTON::softtextcolour, &SoftCustomTextDefault},
};

bool Valid(const GlobalLocked<OBJECTBUTTON> &o)
{
    return o && o.size() >= sizeof(OBJECTBUTTON) && o->header.fixedsize >= sizeof(OBJECTBUTTON) &&
           (uint64_t)o->header.fixedsize + o->header.datasize <= o.size();
}

int Selection(HWND dlg, int id)
{
    return (int)SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0);
}

// What the dialog holds while it is open: the graphic button's picture.
struct BUTTONDIALOG : PROPSTATE {
    GlobalBlock picture;
};

HGLOBAL Picture(HWND dlg)
{
    return PropState<BUTTONDIALOG>(dlg)->picture.get();
}

// A graphic button's picture holds its two faces one above the other.
bool FitsButton(HGLOBAL dib, int *width, int *depth)
{
    int w = 0, h = 0;
    if (!GetBitmapDimensions(dib, &w, &h, nullptr, nullptr))
        return false;
    *width = w, *depth = h / 2;
    return w >= 10 && w <= 256 && h / 2 >= 10 && h / 2 <= 128;
}

// An editable copy of the stored picture, rows laid out afresh; null when
// the object holds none that can be read.
HGLOBAL CopyPicture(OBJECTBUTTON *o)
{
    const char *stored = GetButtonTitleGraphic(o);
    if (!stored)
        return NULL;
    SIZE_T size = (SIZE_T)(o->header.datasize - ((uint64_t)o->titlelength + o->targetlength));
    GlobalBlock raw(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!raw)
        return NULL;
    if (GlobalLocked<char> r(raw); r)
        memcpy(r.get(), stored, size);
    DibLock from(raw.get());
    if (!from.ok())
        return NULL;
    HGLOBAL copy = CreateDibLike(from, from.layout.width, from.layout.height);
    DibLock to(copy);
    if (!to.ok()) {
        if (copy)
            GlobalFree(copy);
        return NULL;
    }
    for (int y = 0; y < from.layout.height; y++)
        memcpy(to.StoredRow(y), from.StoredRow(y), from.layout.rowbytes);
    return copy;
}

void EnableForStyle(HWND dlg)
{
    int style = Selection(dlg, IDC_BTNSTYLE);
    for (int id : {IDC_OBJWIDTH, IDC_OBJDEPTH, IDC_OBJWIDTH + IDC_OBJSPIN, IDC_OBJDEPTH + IDC_OBJSPIN})
        EnableWindow(GetDlgItem(dlg, id), style != GRAPHIC);
    for (int id : {IDC_BTNSELECT, IDC_BTNBACKCOLOUR})
        EnableWindow(GetDlgItem(dlg, id), style == GRAPHIC);
    EnableWindow(GetDlgItem(dlg, IDC_BTNPAINT), style == GRAPHIC && PaintProgramKnown());
    for (int id : {IDC_BTNSOFTCOLOUR, IDC_BTNSOFTTEXT})
        EnableWindow(GetDlgItem(dlg, id), style == SOFTCUSTOM);
}

void EnableForAction(HWND dlg)
{
    int action = Selection(dlg, IDC_BTNACTION);
    EnableWindow(GetDlgItem(dlg, IDC_BTNPAGE), action == ACTION_JUMPTOPAGE);
    EnableWindow(GetDlgItem(dlg, IDC_BTNDOCUMENT), action == ACTION_OPENDOCUMENT);
    EnableWindow(GetDlgItem(dlg, IDC_OBJTARGET), action == ACTION_NOTIFY || action == ACTION_DISABLE);
}

// The style bits of the live object follow the list at once.
void StoreStyle(HWND dlg, EDITPARAM *p)
{
    GlobalLocked<OBJECTBUTTON> o(p->object);
    if (!Valid(o))
        return;
    uint32_t bit[] = {0, OBJ_GRAPHIC, OBJ_LOOP, OBJ_SOFTCUSTOM};
    int style = Selection(dlg, IDC_BTNSTYLE);
    o->header.flags &= ~(OBJ_GRAPHIC | OBJ_SOFTCUSTOM | OBJ_LOOP);
    if (style >= 0 && style < 4)
        o->header.flags |= bit[style];
}

void FillPages(HWND dlg, EDITPARAM *p)
{
    HWND list = GetDlgItem(dlg, IDC_BTNPAGE), blocks = DocumentList(p->blockset);
    BLOCK b;
    for (unsigned i = 0; blocks && GetBlock(blocks, i, &b); i++) {
        char title[300] = "";
        if (b.tag == TAG_PAGE && GetBlockTitle(title, &b))
            SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)title);
    }
}

void Open(HWND dlg, EDITPARAM *p)
{
    GlobalLocked<OBJECTBUTTON> o(p->object);
    if (!Valid(o)) {
        RefuseObject(dlg);
        return;
    }
    if (o->header.datasize) {
        const char *title = GetButtonTitleText(o.get());
        SetDlgItemTextA(dlg, IDC_OBJTITLE, std::string(title, strnlen(title, o->header.datasize)).c_str());
    }
    ShowPlace(dlg, IDC_OBJLEFT, &o->header, spins);
    ShowFlags(dlg, o->header.flags, flags, std::size(flags));
    FillTargetList(GetDlgItem(dlg, IDC_OBJTARGET), p->block, o->target);
    HWND actions = GetDlgItem(dlg, IDC_BTNACTION);
    for (int i = 0; i < ACTION_COUNT; i++)
        SendMessageA(actions, CB_ADDSTRING, 0, (LPARAM)FetchString(IDS_ACTIONNAMES + i));
    SendMessageA(actions, CB_SETCURSEL, o->action, 0);
    FillPages(dlg, p);
    if (o->targetlength && (uint64_t)o->titlelength + o->targetlength <= o->header.datasize) {
        const char *target = GetButtonTargetText(o.get());
        std::string text(target, strnlen(target, o->targetlength));
        if (o->action == ACTION_JUMPTOPAGE && !text.empty())
            SendDlgItemMessageA(dlg, IDC_BTNPAGE, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)text.c_str());
        if (o->action == ACTION_OPENDOCUMENT)
            SetDlgItemTextA(dlg, IDC_BTNDOCUMENT, text.c_str());
    }
    SendDlgItemMessageA(dlg, IDC_BTNDOCUMENT, EM_LIMITTEXT, 260, 0);
    HWND styles = GetDlgItem(dlg, IDC_BTNSTYLE);
    FillComboBox(styles, "System;Graphic;Soft system;Soft custom");
    uint32_t f = o->header.flags;
    int style = f & OBJ_SOFTCUSTOM ? SOFTCUSTOM : f & OBJ_LOOP ? SOFTSYSTEM : SYSTEM;
    // A button with a picture is a graphic one, whatever soft style bits it
    // also has: they stay in the object, and OK keeps the picture.
    if (f & OBJ_GRAPHIC)
        PropState<BUTTONDIALOG>(dlg)->picture.Reset(CopyPicture(o.get()));
    if (Picture(dlg))
        style = GRAPHIC;
    SendMessageA(styles, CB_SETCURSEL, style, 0);
    for (const auto &s : swatches)
        ShowSwatch(dlg, s.id, o.get()->*s.colour);
    EnableForStyle(dlg);
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_BTNACTION, CBN_SELCHANGE), (LPARAM)actions);
}

// The disabled size fields of the "Graphic" style show one face of the
// picture, which is what OK stores.
void ShowPictureSize(HWND dlg)
{
    int width = -1, depth = -1;
    if (HGLOBAL picture = Picture(dlg))
        FitsButton(picture, &width, &depth);
    if (width < 0)
        return;
    SetDlgItemInt(dlg, IDC_OBJWIDTH, (UINT)width, FALSE);
    SetDlgItemInt(dlg, IDC_OBJDEPTH, (UINT)depth, FALSE);
}

// A picture for the button: kept when it fits, which sets the size and the
// "Graphic" style; refused with a message otherwise. Takes `dib` over.
void TakePicture(HWND dlg, EDITPARAM *p, HGLOBAL dib)
{
    int width, depth;
    if (!FitsButton(dib, &width, &depth)) {
        GlobalFree(dib);
        DoMessage(dlg, FetchString(IDS_BUTTONGRAPHICSIZE));
        return;
    }
    PropState<BUTTONDIALOG>(dlg)->picture.Reset(dib);
    ShowPictureSize(dlg);
    SendDlgItemMessageA(dlg, IDC_BTNSTYLE, CB_SETCURSEL, GRAPHIC, 0);
    StoreStyle(dlg, p);
    EnableForStyle(dlg);
}

void SelectPicture(HWND dlg, EDITPARAM *p)
{
    char path[MAX_PATH + 1] = "";
    GetOpenPath(path);
    if (!GetOpenImageFileName(dlg, path))
        return;
    SetOpenPath(path);
    HGLOBAL dib = LoadImageA(NULL, path, NULL, nullptr);
    if (!dib) {
        DoMessage(dlg, FetchString(IDS_ERRREAD));
        return;
    }
    if (!GetBitmapDimensions(dib, nullptr, nullptr, nullptr, nullptr)) {
        GlobalFree(dib);
        DoMessage(dlg, FetchString(IDS_CORRUPTED));
        return;
    }
    TakePicture(dlg, p, dib);
}

void PickSwatch(HWND dlg, EDITPARAM *p, int id)
{
    for (const auto &s : swatches) {
        if (s.id != id)
            continue;
        GlobalLocked<OBJECTBUTTON> o(p->object);
        if (!Valid(o))
            return;
        COLORREF colour = o.get()->*s.colour;
        o.Unlock();
        if (!PickColour(dlg, &colour))
            return;
        if (!o.Lock(p->object))
            return;
        o.get()->*s.colour = colour;
        *s.setting = colour;
        o.Unlock();
        ShowSwatch(dlg, id, colour);
    }
}

// The target text OK stores: the page list's text for a jump, which must
// name a page; the document for an open. False when refused.
bool TargetText(HWND dlg, int action, std::string *text)
{
    text->clear();
    int id = action == ACTION_JUMPTOPAGE ? IDC_BTNPAGE : action == ACTION_OPENDOCUMENT ? IDC_BTNDOCUMENT : 0;
    if (!id)
        return true;
    text->resize(TextSize(dlg, id));
    GetDlgItemTextA(dlg, id, text->data(), (int)text->size());
    text->resize(strlen(text->c_str()));
    if (action == ACTION_JUMPTOPAGE &&
        SendDlgItemMessageA(dlg, IDC_BTNPAGE, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text->c_str()) == CB_ERR) {
        DoMessage(dlg, FetchString(IDS_NOSUCHPAGE));
        return false;
    }
    return true;
}

// False when the new object cannot be made: the dialog then stays open, so
// that nothing typed is lost.
bool Build(HWND dlg, EDITPARAM *p, const std::string &target, int action)
{
    if (!Valid(GlobalLocked<OBJECTBUTTON>(p->object)))
        return false;
    uint32_t titlesize = TextSize(dlg, IDC_OBJTITLE);
    uint32_t targetsize = action == ACTION_JUMPTOPAGE || action == ACTION_OPENDOCUMENT ? (uint32_t)target.size() + 1 : 0;
    HGLOBAL working = Picture(dlg);
    bool graphic = Selection(dlg, IDC_BTNSTYLE) == GRAPHIC && working;
    uint32_t picturesize = graphic ? GetDibSize(working) : 0;
    GlobalLocked<char> picture(graphic ? working : NULL);
    if (graphic && (!picturesize || !picture))
        return false;
    GlobalBlock fresh(NewObject(p->object, sizeof(OBJECTBUTTON),
                                {{nullptr, titlesize}, {target.c_str(), targetsize}, {picture.get(), picturesize}}));
    GlobalLocked<OBJECTBUTTON> o(fresh.get());
    if (!o)
        return false;
    GetDlgItemTextA(dlg, IDC_OBJTITLE, (char *)o.get() + sizeof(OBJECTBUTTON), (int)titlesize);
    o->titlelength = titlesize;
    o->targetlength = targetsize;
    o->header.flags = graphic ? o->header.flags | OBJ_GRAPHIC : o->header.flags & ~OBJ_GRAPHIC;
    o->header.rect = ReadPlace(dlg, IDC_OBJLEFT);
    o->header.flags = ReadFlags(dlg, o->header.flags, flags, std::size(flags));
    if (action >= 0 && action < ACTION_COUNT)
        o->action = (uint32_t)action;
    o->target = ReadTarget(GetDlgItem(dlg, IDC_OBJTARGET), o->target);
    o.Unlock();
    GlobalFree(p->object);
    p->object = fresh.Release();
    return true;
}

void Keep(HWND dlg, EDITPARAM *p)
{
    int action = Selection(dlg, IDC_BTNACTION);
    std::string target;
    if (!TargetText(dlg, action, &target))
        return;
    if (Build(dlg, p, target, action))
        EndDialog(dlg, 1);
    else
        DoMessage(dlg, FetchString(IDS_MEMORY));
}

} // namespace

INT_PTR CALLBACK EditButtonObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const PROPDIALOG dialog{Open, Keep, "BUTTON"};
    INT_PTR answer;
    if (PropDialogMessage<BUTTONDIALOG>(dialog, dlg, msg, wParam, lParam, &answer))
        return answer;
    auto *d = PropState<BUTTONDIALOG>(dlg);
    EDITPARAM *p = d ? d->p : nullptr;
    switch (msg) {
    case WM_DRAWITEM: {
        auto *item = (const DRAWITEMSTRUCT *)lParam;
        // Owner-drawn controls may be drawn before the dialog has its state.
        GlobalLocked<OBJECTBUTTON> o(p ? p->object : NULL);
        for (const auto &s : swatches)
            if ((int)item->CtlID == s.id)
                DrawSwatch(item, Valid(o) ? o.get()->*s.colour : 0);
        SetWindowValue<LONG_PTR>(dlg, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_BTNACTION:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                EnableForAction(dlg);
            return TRUE;
        case IDC_BTNSTYLE:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                StoreStyle(dlg, p);
                EnableForStyle(dlg);
                if (Selection(dlg, IDC_BTNSTYLE) == GRAPHIC)
                    ShowPictureSize(dlg);
            }
            return TRUE;
        case IDC_BTNSELECT:
            SelectPicture(dlg, p);
            return TRUE;
        case IDC_BTNPAINT:
            // The painted picture must still fit a button, as a chosen one must.
            if (HGLOBAL picture = Picture(dlg))
                if (HGLOBAL painted = DoPaintImage(dlg, picture))
                    TakePicture(dlg, p, painted);
            return TRUE;
        case IDC_BTNBACKCOLOUR:
        case IDC_BTNSOFTCOLOUR:
        case IDC_BTNSOFTTEXT:
            if (HIWORD(wParam) == BN_CLICKED)
                PickSwatch(dlg, p, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}
