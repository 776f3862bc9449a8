// The text object's property dialog. The font and the colours go into the
// live object as soon as they change, so that the sample shows them; the
// rest is read when OK builds the new block.
#include "common/dialog.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "editor/smalldialogs.h"
#include "editors/objectfields.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs2_ids.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <string>

namespace {

constexpr uint32_t TEXT_HIGHLIGHT = 0x8, TEXT_SHADOW = 0x20, TEXT_TRANSPARENT = 0x40, TEXT_ITALIC = 0x80,
                   TEXT_CENTRE = 0x100, TEXT_RIGHT = 0x200, TEXT_ANTIALIAS = 0x8000;
constexpr int FACECHARS = 31;

const FLAGBOX textchecks[] = {
    {IDC_OBJVISIBLE, 0x2},        {IDC_OBJENABLED, 0x4},    {IDC_TXTRANSPARENT, TEXT_TRANSPARENT},
    {IDC_TXHIGHLIGHT, TEXT_HIGHLIGHT}, {IDC_TXSHADOW, TEXT_SHADOW}, {IDC_TXANTIALIAS, TEXT_ANTIALIAS},
};

const int textspins[] = {IDC_OBJLEFT + IDC_OBJSPIN, IDC_OBJTOP + IDC_OBJSPIN, IDC_OBJWIDTH + IDC_OBJSPIN, IDC_OBJDEPTH + IDC_OBJSPIN,
                         IDC_TXPADDING + 10000, IDC_TXOFFSET + 10000, IDC_TXSIZE + 10000, 0};

// The live object, locked for one change; null (and nothing to change) when
// it is shorter than a text's fixed part.
struct LiveText : GlobalLocked<OBJECTTEXT> {
    explicit LiveText(HWND dlg) : GlobalLocked<OBJECTTEXT>(DialogState<EDITPARAM>(dlg)->object)
    {
        if (get() && size() < sizeof(OBJECTTEXT))
            Unlock();
    }
};

// The justification button the flags show.
int Justification(uint32_t flags)
{
    return (flags & TEXT_CENTRE) ? IDC_TXCENTRE : (flags & TEXT_RIGHT) ? IDC_TXRIGHT : IDC_TXLEFT;
}

void RepaintSample(HWND dlg)
{
    InvalidateRect(GetDlgItem(dlg, IDC_TXSAMPLE), NULL, TRUE);
}

void StoreFace(HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_TXFONT);
    LRESULT at = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (at < 0 || SendMessageA(list, CB_GETLBTEXTLEN, (WPARAM)at, 0) >= LF_FACESIZE)
        return;
    char face[LF_FACESIZE] = "";
    SendMessageA(list, CB_GETLBTEXT, (WPARAM)at, (LPARAM)face);
    LiveText t(dlg);
    if (!t)
        return;
    memset(t->face, 0, sizeof t->face);
    memcpy(t->face, face, strnlen(face, FACECHARS));
    t.Unlock();
    RepaintSample(dlg);
}

void PickSwatch(HWND dlg, int id)
{
    COLORREF colour;
    {
        LiveText t(dlg);
        if (!t)
            return;
        colour = id == IDC_TXCOLOUR ? t->colour : t->backcolour;
    }
    if (!PickColour(dlg, &colour))
        return;
    LiveText t(dlg);
    if (!t)
        return;
    (id == IDC_TXCOLOUR ? t->colour : t->backcolour) = colour;
    t.Unlock();
    ShowSwatch(dlg, id, colour);
    RepaintSample(dlg);
}

void DrawSample(HWND dlg, const DRAWITEMSTRUCT *item)
{
    LiveText t(dlg);
    if (!t)
        return;
    char face[sizeof t->face + 1] = "";
    memcpy(face, t->face, sizeof t->face);
    bool antialias = IsDlgButtonChecked(dlg, IDC_TXANTIALIAS) == BST_CHECKED;
    HFONT font = CreateFontA(30, 0, 0, 0, t->weight, (t->header.flags & TEXT_ITALIC) != 0, 0, 0, DEFAULT_CHARSET, 0,
                             0, antialias ? ANTIALIASED_QUALITY : DEFAULT_QUALITY, 0, face);
    RECT r = item->rcItem;
    HBRUSH back = CreateSolidBrush(t->backcolour);
    FillRect(item->hDC, &r, back);
    DeleteObject(back);
    DrawEdge(item->hDC, &r, EDGE_SUNKEN, BF_RECT);
    InflateRect(&r, -6, -6);
    HGDIOBJ old = SelectObject(item->hDC, font);
    SetTextColor(item->hDC, t->colour);
    SetBkMode(item->hDC, TRANSPARENT);
    DrawTextA(item->hDC, face, -1, &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(item->hDC, old);
    DeleteObject(font);
}

void DrawFaceEntry(const DRAWITEMSTRUCT *item)
{
    if (item->itemID == (UINT)-1)
        return;
    char face[LF_FACESIZE] = "";
    if (SendMessageA(item->hwndItem, CB_GETLBTEXTLEN, item->itemID, 0) < LF_FACESIZE)
        SendMessageA(item->hwndItem, CB_GETLBTEXT, item->itemID, (LPARAM)face);
    bool selected = item->itemState & ODS_SELECTED;
    HBRUSH back = CreateSolidBrush(selected ? GetSysColor(COLOR_BTNSHADOW) : RGB(255, 255, 255));
    FillRect(item->hDC, &item->rcItem, back);
    DeleteObject(back);
    // The closed box shows the name in the dialogs' font; the open list each
    // name in its own face.
    HFONT own = (item->itemState & ODS_COMBOBOXEDIT)
                    ? NULL
                    : CreateFontA(18, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    HGDIOBJ old = SelectObject(item->hDC, own ? own : controlfont ? controlfont : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(item->hDC, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    SetBkMode(item->hDC, TRANSPARENT);
    RECT r = item->rcItem;
    r.left += 4;
    DrawTextA(item->hDC, face, -1, &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(item->hDC, old);
    if (own)
        DeleteObject(own);
}

void Fill(HWND dlg, EDITPARAM *)
{
    LiveText t(dlg);
    if (!t || (uint64_t)t->header.fixedsize + t->header.datasize > t.size()) {
        RefuseObject(dlg);
        return;
    }
    const OBJECTHEADER &h = t->header;
    ShowPlace(dlg, IDC_OBJLEFT, &h, textspins);
    if (h.datasize)
        SetDlgItemTextA(dlg, IDC_TXTEXT,
                        std::string((const char *)t.get() + h.fixedsize, strnlen((const char *)t.get() + h.fixedsize,
                                                                                h.datasize)).c_str());
    ShowFlags(dlg, h.flags, textchecks, std::size(textchecks));
    CheckDlgButton(dlg, IDC_TXITALIC, (h.flags & TEXT_ITALIC) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_TXBOLD, t->weight == 700 ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dlg, IDC_TXLEFT, IDC_TXRIGHT, Justification(h.flags));
    ShowSwatch(dlg, IDC_TXCOLOUR, t->colour);
    ShowSwatch(dlg, IDC_TXBACKCOLOUR, t->backcolour);
    SetDlgItemInt(dlg, IDC_TXSIZE, (UINT)t->size, TRUE);
    SetDlgItemInt(dlg, IDC_TXPADDING, (UINT)t->padding, TRUE);
    SetDlgItemInt(dlg, IDC_TXOFFSET, (UINT)t->offset, TRUE);
    char face[sizeof t->face + 1] = "";
    memcpy(face, t->face, sizeof t->face);
    t.Unlock();
    InitFontCombo(dlg, IDC_TXFONT, face);
}

// A new block of the fixed part (with the live font and colours) and the
// text; null when it could not be made.
HGLOBAL Made(HWND dlg, EDITPARAM *p)
{
    HWND edit = GetDlgItem(dlg, IDC_TXTEXT);
    std::string text((size_t)GetWindowTextLengthA(edit) + 1, '\0');
    GetWindowTextA(edit, text.data(), (int)text.size());
    text.resize(strlen(text.c_str()) + 1);
    HGLOBAL made = NewObject(p->object, sizeof(OBJECTTEXT), {{text.data(), (uint32_t)text.size()}});
    GlobalLocked<OBJECTTEXT> t(made);
    if (!t)
        return NULL;
    OBJECTHEADER &h = t->header;
    h.rect = ReadPlace(dlg, IDC_OBJLEFT);
    t->padding = (int32_t)ReadTyped(dlg, IDC_TXPADDING);
    t->offset = (int32_t)ReadTyped(dlg, IDC_TXOFFSET);
    h.flags = ReadFlags(dlg, h.flags, textchecks, std::size(textchecks));
    // Both justification bits show as centred: they stay as they are unless
    // another button is chosen.
    int justify = IsDlgButtonChecked(dlg, IDC_TXRIGHT) == BST_CHECKED    ? IDC_TXRIGHT
                  : IsDlgButtonChecked(dlg, IDC_TXCENTRE) == BST_CHECKED ? IDC_TXCENTRE
                                                                         : IDC_TXLEFT;
    if (justify != Justification(h.flags))
        h.flags = (h.flags & ~(TEXT_CENTRE | TEXT_RIGHT)) |
                  (justify == IDC_TXRIGHT ? TEXT_RIGHT : justify == IDC_TXCENTRE ? TEXT_CENTRE : 0);
    t.Unlock();
    return made;
}

// OK keeps the new block; without one the dialog stays open and the live
// object as it was.
void Build(HWND dlg, EDITPARAM *p)
{
    if (HGLOBAL made = Made(dlg, p))
        KeepObject(dlg, &p->object, made);
    else
        DoMessage(dlg, FetchString(IDS_MEMORY));
}

void DrawItem(HWND dlg, UINT msg, WPARAM wParam, DRAWITEMSTRUCT *item)
{
    switch (item->CtlID) {
    case IDC_TXSAMPLE:
        DrawSample(dlg, item);
        break;
    case IDC_TXFONT:
        DrawFaceEntry(item);
        break;
    case IDC_TXCOLOUR:
    case IDC_TXBACKCOLOUR: {
        LiveText t(dlg);
        if (t)
            DrawSwatch(item, item->CtlID == IDC_TXCOLOUR ? t->colour : t->backcolour);
        break;
    }
    default:
        DrawBitmapStaticButton(dlg, msg, (unsigned)wParam, item, (unsigned short)item->CtlID,
                               MAKEINTRESOURCEA(IDB_JUSTIFY), IDC_TXLEFTGLYPH);
    }
}

void ToggleStyle(HWND dlg, int id)
{
    LiveText t(dlg);
    if (!t)
        return;
    bool on = IsDlgButtonChecked(dlg, id) == BST_CHECKED;
    if (id == IDC_TXBOLD)
        t->weight = on ? 700 : 400;
    else if (on)
        t->header.flags |= TEXT_ITALIC;
    else
        t->header.flags &= ~TEXT_ITALIC;
    t.Unlock();
    RepaintSample(dlg);
}

// The controls that change the live object or the sample; false for a
// command that is not theirs.
bool Command(HWND dlg, int id, int code, LPARAM lParam)
{
    // Filling the controls as the dialog opens must change nothing.
    bool live = IsWindowVisible(dlg);
    switch (id) {
    case IDC_TXITALIC:
    case IDC_TXBOLD:
        if (live && code == BN_CLICKED)
            ToggleStyle(dlg, id);
        return true;
    case IDC_TXSIZE:
        if (live && code == EN_CHANGE) {
            LiveText t(dlg);
            if (t)
                t->size = GetSpinValue(dlg, IDC_TXSIZE);
            t.Unlock();
            RepaintSample(dlg);
        }
        return true;
    case IDC_TXFONT:
        // A choice made with the keys on the closed box counts as well.
        if (live && (code == CBN_CLOSEUP ||
                     (code == CBN_SELCHANGE && !SendMessageA((HWND)lParam, CB_GETDROPPEDSTATE, 0, 0))))
            StoreFace(dlg);
        return true;
    case IDC_TXCOLOUR:
    case IDC_TXBACKCOLOUR:
        if (code == BN_CLICKED)
            PickSwatch(dlg, id);
        return true;
    case IDC_TXLEFT:
    case IDC_TXCENTRE:
    case IDC_TXRIGHT:
    case IDC_TXANTIALIAS:
        RepaintSample(dlg);
        return true;
    }
    return false;
}

const PROPDIALOG textdialog = {Fill, Build, "TEXT"};

} // namespace

INT_PTR CALLBACK EditTextObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    if (PropDialogMessage(textdialog, dlg, msg, wParam, lParam, &answer))
        return answer;
    switch (msg) {
    case WM_MEASUREITEM: {
        auto *m = (MEASUREITEMSTRUCT *)lParam;
        if (m->CtlID == IDC_TXFONT)
            m->itemHeight = (UINT)m->itemID == (UINT)-1 ? 16 : 22;
        return TRUE;
    }
    case WM_DRAWITEM:
        DrawItem(dlg, msg, wParam, (DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_COMMAND:
        return Command(dlg, LOWORD(wParam), HIWORD(wParam), lParam);
    case WM_DESTROY:
        FreeFontCombo(GetDlgItem(dlg, IDC_TXFONT));
        return FALSE;
    }
    return FALSE;
}
