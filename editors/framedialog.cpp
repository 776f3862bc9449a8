// The property dialog of frames. A frame has no attached data, so the
// dialog writes straight into the live object; Cancel relies on the backup
// the entry function puts back.
#include "common/dialog.h"
#include "common/owners.h"
#include "common/strings.h"
#include "editors/editparam.h"
#include "editors/objectdialogs1.h"
#include "editors/objectfields.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs1_ids.h"
#include "resources/resource.h"
#include <iterator>

namespace {

constexpr int FRAMETYPES = 8, SELECTORS = 26, CUSTOM = 25;
const int spins[] = {IDC_OBJLEFT + IDC_OBJSPIN,  IDC_OBJTOP + IDC_OBJSPIN,      IDC_OBJWIDTH + IDC_OBJSPIN,
                     IDC_OBJDEPTH + IDC_OBJSPIN, IDC_FRMTHICKNESS + IDC_OBJSPIN, IDC_FRMANGLE + IDC_OBJSPIN, 0};
// The three colour roles: selector list, swatch, and where they are kept.
const struct {
    int list, swatch;
    COLORREF OBJECTFRAME::*colour;
    uint32_t OBJECTFRAME::*selector;
} roles[] = {
    {IDC_FRMPRIMARY, IDC_FRMPRIMARYSWATCH, &OBJECTFRAME::primary, &OBJECTFRAME::primaryselector},
    {IDC_FRMSECONDARY, IDC_FRMSECONDARYSWATCH, &OBJECTFRAME::secondary, &OBJECTFRAME::secondaryselector},
    {IDC_FRMINTERIOR, IDC_FRMINTERIORSWATCH, &OBJECTFRAME::interior, &OBJECTFRAME::interiorselector},
};
const FLAGBOX flags[] = {{IDC_FRMHOLLOW, 0x40}};

bool Valid(const GlobalLocked<OBJECTFRAME> &o)
{
    return o && o.size() >= sizeof(OBJECTFRAME) && o->header.fixedsize >= sizeof(OBJECTFRAME);
}

void Open(HWND dlg, EDITPARAM *p)
{
    GlobalLocked<OBJECTFRAME> o(p->object);
    if (!Valid(o)) {
        RefuseObject(dlg);
        return;
    }
    for (const auto &r : roles) {
        FillColourKinds(GetDlgItem(dlg, r.list), SELECTORS, o.get()->*r.selector);
        EnableWindow(GetDlgItem(dlg, r.swatch), o.get()->*r.selector == CUSTOM);
        ShowSwatch(dlg, r.swatch, o.get()->*r.colour);
    }
    HWND types = GetDlgItem(dlg, IDC_FRMTYPE);
    for (int i = 0; i < FRAMETYPES; i++)
        SendMessageA(types, CB_ADDSTRING, 0, (LPARAM)FetchString(IDS_FRAMETYPES + i));
    SendMessageA(types, CB_SETCURSEL, o->type, 0);
    ShowPlace(dlg, IDC_OBJLEFT, &o->header, spins);
    SetDlgItemInt(dlg, IDC_FRMTHICKNESS, o->thickness, FALSE);
    SetDlgItemInt(dlg, IDC_FRMANGLE, o->angle, FALSE);
    ShowFlags(dlg, o->header.flags, flags, std::size(flags));
}

void Keep(HWND dlg, EDITPARAM *p)
{
    // Ending only marks the dialog: its fields stay to be read.
    EndDialog(dlg, 1);
    GlobalLocked<OBJECTFRAME> o(p->object);
    if (!Valid(o))
        return;
    o->header.rect = ReadPlace(dlg, IDC_OBJLEFT);
    o->thickness = ReadTyped(dlg, IDC_FRMTHICKNESS);
    o->angle = ReadTyped(dlg, IDC_FRMANGLE);
    o->header.flags = ReadFlags(dlg, o->header.flags, flags, std::size(flags));
    for (const auto &r : roles) {
        LRESULT at = SendDlgItemMessageA(dlg, r.list, CB_GETCURSEL, 0, 0);
        if (at >= 0 && at < SELECTORS)
            o.get()->*r.selector = (uint32_t)at;
    }
    LRESULT type = SendDlgItemMessageA(dlg, IDC_FRMTYPE, CB_GETCURSEL, 0, 0);
    if (type >= 0 && type < FRAMETYPES)
        o->type = (uint32_t)type;
}

COLORREF Colour(EDITPARAM *p, COLORREF OBJECTFRAME::*colour)
{
    GlobalLocked<OBJECTFRAME> o(p ? p->object : NULL);
    return Valid(o) ? o.get()->*colour : 0;
}

void PickSwatch(HWND dlg, EDITPARAM *p, int swatch)
{
    for (const auto &r : roles) {
        if (r.swatch != swatch)
            continue;
        COLORREF colour = Colour(p, r.colour);
        if (!PickColour(dlg, &colour))
            return;
        GlobalLocked<OBJECTFRAME> o(p->object);
        if (!Valid(o))
            return;
        o.get()->*r.colour = colour;
        o.Unlock();
        ShowSwatch(dlg, r.swatch, colour);
        InvalidateRect(GetDlgItem(dlg, r.list), nullptr, TRUE);
    }
}

} // namespace

INT_PTR CALLBACK EditFrameObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const PROPDIALOG dialog{Open, Keep, "FRAME"};
    INT_PTR answer;
    if (PropDialogMessage(dialog, dlg, msg, wParam, lParam, &answer))
        return answer;
    auto *p = DialogState<EDITPARAM>(dlg);
    switch (msg) {
    case WM_MEASUREITEM:
        ((MEASUREITEMSTRUCT *)lParam)->itemHeight = 14;
        SetWindowValue<LONG_PTR>(dlg, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_DRAWITEM: {
        auto *item = (const DRAWITEMSTRUCT *)lParam;
        for (const auto &r : roles) {
            if ((int)item->CtlID == r.list)
                DrawColourKind(item, Colour(p, r.colour));
            if ((int)item->CtlID == r.swatch)
                DrawSwatch(item, Colour(p, r.colour));
        }
        SetWindowValue<LONG_PTR>(dlg, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_COMMAND:
        for (const auto &r : roles) {
            if (LOWORD(wParam) == r.list && HIWORD(wParam) == CBN_SELCHANGE)
                EnableWindow(GetDlgItem(dlg, r.swatch),
                             SendMessageA((HWND)lParam, CB_GETCURSEL, 0, 0) == CUSTOM);
            if (LOWORD(wParam) == r.swatch && HIWORD(wParam) == BN_CLICKED)
                PickSwatch(dlg, p, r.swatch);
        }
        break;
    }
    return FALSE;
}
