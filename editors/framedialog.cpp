// The property dialog of frames. A frame has no attached data, so the
// dialog writes straight into the live object; Cancel relies on the backup
// the entry function puts back.
#include "common/dialog.h"
#include "common/msgdlg.h"
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
        DoMessage(dlg, FetchString(IDS_OBJECTACCESSERROR));
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    for (const auto &r : roles) {
        HWND list = GetDlgItem(dlg, r.list);
        for (int i = 0; i < SELECTORS; i++)
            SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)FetchString(IDS_COLOURSELECTOR + i));
        SendMessageA(list, CB_SETCURSEL, o.get()->*r.selector, 0);
        EnableWindow(GetDlgItem(dlg, r.swatch), o.get()->*r.selector == CUSTOM);
        ShowSwatch(dlg, r.swatch, o.get()->*r.colour);
    }
    HWND types = GetDlgItem(dlg, IDC_FRMTYPE);
    for (int i = 0; i < FRAMETYPES; i++)
        SendMessageA(types, CB_ADDSTRING, 0, (LPARAM)FetchString(IDS_FRAMETYPES + i));
    SendMessageA(types, CB_SETCURSEL, o->type, 0);
    ShowObjectPlace(dlg, &o->header, spins);
    SetDlgItemInt(dlg, IDC_FRMTHICKNESS, o->thickness, FALSE);
    SetDlgItemInt(dlg, IDC_FRMANGLE, o->angle, FALSE);
    ShowFlags(dlg, o->header.flags, flags, std::size(flags));
}

void Store(HWND dlg, EDITPARAM *p)
{
    GlobalLocked<OBJECTFRAME> o(p->object);
    if (!Valid(o))
        return;
    o->header.rect = ReadObjectPlace(dlg);
    o->thickness = ReadBounded(dlg, IDC_FRMTHICKNESS, 0, 255);
    o->angle = ReadBounded(dlg, IDC_FRMANGLE, 0, 359);
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

// An entry of a selector list: a swatch of its colour, then its name.
void DrawSelector(EDITPARAM *p, const DRAWITEMSTRUCT *item)
{
    if (item->itemID == (UINT)-1)
        return;
    HDC dc = item->hDC;
    RECT rc = item->rcItem;
    bool highlighted = (item->itemState & ODS_SELECTED) && !(item->itemState & ODS_COMBOBOXEDIT);
    FillRect(dc, &rc, GetSysColorBrush(highlighted ? COLOR_BTNFACE : COLOR_WINDOW));
    COLORREF colour = GetSysColor((int)item->itemID);
    for (const auto &r : roles)
        if ((int)item->CtlID == r.list && item->itemID == CUSTOM)
            colour = Colour(p, r.colour);
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ oldbrush = SelectObject(dc, brush);
    HGDIOBJ oldpen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, rc.left + 1, rc.top + 2, rc.left + 40, rc.bottom - 2);
    SelectObject(dc, oldpen);
    SelectObject(dc, oldbrush);
    DeleteObject(brush);
    char text[64] = "";
    SendMessageA(item->hwndItem, CB_GETLBTEXT, item->itemID, (LPARAM)text);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    TextOutA(dc, rc.left + 48, rc.top + 2, text, lstrlenA(text));
    if (item->itemState & ODS_FOCUS)
        DrawFocusRect(dc, &rc);
}

void PickColour(HWND dlg, EDITPARAM *p, int swatch)
{
    for (const auto &r : roles) {
        if (r.swatch != swatch)
            continue;
        COLORREF colour = Colour(p, r.colour);
        if (!ChooseObjectColour(dlg, &colour))
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
    case WM_MEASUREITEM:
        ((MEASUREITEMSTRUCT *)lParam)->itemHeight = 14;
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_DRAWITEM: {
        auto *item = (const DRAWITEMSTRUCT *)lParam;
        if (item->CtlType == ODT_COMBOBOX)
            DrawSelector(p, item);
        for (const auto &r : roles)
            if ((int)item->CtlID == r.swatch)
                DrawSwatch(dlg, item, Colour(p, r.colour));
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_COMMAND:
        if (HandleObjectHelp(dlg, wParam, "FRAME"))
            return TRUE;
        if (LOWORD(wParam) == IDOK) {
            Store(dlg, p);
            EndDialog(dlg, 1);
            return TRUE;
        }
        for (const auto &r : roles) {
            if (LOWORD(wParam) == r.list && HIWORD(wParam) == CBN_SELCHANGE)
                EnableWindow(GetDlgItem(dlg, r.swatch),
                             SendMessageA((HWND)lParam, CB_GETCURSEL, 0, 0) == CUSTOM);
            if (LOWORD(wParam) == r.swatch && HIWORD(wParam) == BN_CLICKED)
                PickColour(dlg, p, r.swatch);
        }
        break;
    }
    return FALSE;
}
