// Helpers of the object property dialogs, the header editor and the page
// properties.
#include "editors/objectfields.h"
#include "common/colour.h"
#include "common/dialog.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/strings.h"
#include "editor/parts.h"
#include "editor/shell.h"
#include "editors/objectdialogs.h"
#include "media/dib.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/objectfields_ids.h"
#include "resources/resource.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

// The flag boxes of the dialogs ShowPropFields serves; each shows those of
// its PROPFIELDS flags.
const FLAGBOX propflags[] = {{IDC_OBJVISIBLE, OBJ_VISIBLE},
                             {IDC_OBJENABLED, OBJ_ENABLED},
                             {IDC_OBJNOTIFY, OBJ_NOTIFY},
                             {IDC_LISTBOXSORTED, OBJ_TRANSPARENT}};

HGLOBAL Allocate(SIZE_T size)
{
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
}

// The boxes of `propflags` a dialog with `flags` has, packed into `boxes`.
size_t PropFlags(uint32_t flags, FLAGBOX *boxes)
{
    size_t n = 0;
    for (const FLAGBOX &b : propflags)
        if (flags & b.bit)
            boxes[n++] = b;
    return n;
}

} // namespace

void ShowPlace(HWND dlg, int left, const OBJECTHEADER *h, const int *spins, bool size)
{
    // A spin control writes its start into its field: the values come after.
    // Signed, so that a place off the page's top or left shows as such;
    // ReadPlace reads back whatever rectangle this shows.
    SetupObjectSpins(dlg, size ? left + 2 + IDC_OBJSPIN : 0, size ? left + 3 + IDC_OBJSPIN : 0, spins);
    SetDlgItemInt(dlg, left, (UINT)h->rect.left, TRUE);
    SetDlgItemInt(dlg, left + 1, (UINT)h->rect.top, TRUE);
    if (size) {
        SetDlgItemInt(dlg, left + 2, (UINT)h->rect.right - (UINT)h->rect.left, TRUE);
        SetDlgItemInt(dlg, left + 3, (UINT)h->rect.bottom - (UINT)h->rect.top, TRUE);
    }
    SetDlgItemInt(dlg, left + 4, h->number, FALSE);
}

uint32_t ReadTyped(HWND dlg, int id)
{
    return ReadTypedNumber(GetDlgItem(dlg, id));
}

RECT ReadPlace(HWND dlg, int left, int width, int depth)
{
    uint32_t x = ReadTyped(dlg, left), y = ReadTyped(dlg, left + 1);
    uint32_t w = width ? (uint32_t)width : ReadTyped(dlg, left + 2);
    uint32_t d = depth ? (uint32_t)depth : ReadTyped(dlg, left + 3);
    return RECT{(LONG)x, (LONG)y, (LONG)(x + w), (LONG)(y + d)};
}

void ShowFlags(HWND dlg, uint32_t flags, const FLAGBOX *boxes, size_t count)
{
    for (size_t i = 0; i < count; i++)
        CheckDlgButton(dlg, boxes[i].id, flags & boxes[i].bit ? BST_CHECKED : BST_UNCHECKED);
}

uint32_t ReadFlags(HWND dlg, uint32_t flags, const FLAGBOX *boxes, size_t count)
{
    for (size_t i = 0; i < count; i++)
        flags = IsDlgButtonChecked(dlg, boxes[i].id) == BST_CHECKED ? flags | boxes[i].bit : flags & ~boxes[i].bit;
    return flags;
}

uint32_t TextSize(HWND dlg, int id)
{
    return (uint32_t)GetWindowTextLengthA(GetDlgItem(dlg, id)) + 1;
}

void ShowSwatch(HWND dlg, int id, COLORREF colour)
{
    char text[40];
    snprintf(text, sizeof text, "%u,%u,%u", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    SetDlgItemTextA(dlg, id, text);
    InvalidateRect(GetDlgItem(dlg, id), nullptr, TRUE);
}

bool PickColour(HWND dlg, COLORREF *colour)
{
    char rgb[PALETTEBYTES] = {};
    int bits = 8;
    GetDefaultPalette(rgb, &bits, 6);
    COLORREF chosen = *colour;
    if (!SelectColour(dlg, (const unsigned char *)rgb, 1 << bits, &chosen))
        return false;
    *colour = chosen & 0xFFFFFF;
    return true;
}

void DrawSwatch(const DRAWITEMSTRUCT *item, COLORREF colour)
{
    COMMONDrawColourButton(GetParent(item->hwndItem), WM_DRAWITEM, item->CtlID, (DRAWITEMSTRUCT *)item, colour, 0);
}

void FillColourKinds(HWND combo, unsigned count, unsigned kind)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (unsigned i = 0; i < count; i++)
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)FetchString(IDS_COLOURSELECTOR + i));
    SendMessageA(combo, CB_SETCURSEL, kind < count ? kind : (WPARAM)-1, 0);
}

void DrawColourKind(const DRAWITEMSTRUCT *item, COLORREF own)
{
    if (item->itemID == (UINT)-1)
        return;
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    bool listed = !(item->itemState & ODS_COMBOBOXEDIT);
    FillRect(dc, &r, GetSysColorBrush(listed && (item->itemState & ODS_SELECTED) ? COLOR_BTNFACE : COLOR_WINDOW));
    int lower = listed ? 1 : 0;
    RECT swatch{r.left + 1, r.top + 2 + lower, r.left + 40, r.bottom - 2 + lower};
    HBRUSH fill = CreateSolidBrush(item->itemID == COLOURSELECTOR_CUSTOM ? own : GetSysColor((int)item->itemID));
    FillRect(dc, &swatch, fill);
    DeleteObject(fill);
    FrameRect(dc, &swatch, (HBRUSH)GetStockObject(BLACK_BRUSH));
    char text[64] = "";
    if (SendMessageA(item->hwndItem, CB_GETLBTEXTLEN, item->itemID, 0) < (LRESULT)sizeof text)
        SendMessageA(item->hwndItem, CB_GETLBTEXT, item->itemID, (LPARAM)text);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    TextOutA(dc, r.left + 48, r.top + 2, text, (int)strlen(text));
    if (item->itemState & ODS_FOCUS)
        DrawFocusRect(dc, &r);
}

void RefuseObject(HWND dlg)
{
    DoMessage(dlg, FetchString(IDS_OBJECTACCESSERROR));
    PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
}

HWND DocumentList(const BLOCKSET *set)
{
    return set && IsWindow(set->hwnd) ? GetDlgItem(set->hwnd, IDC_BLOCKLIST) : NULL;
}

OBJECTHEADER *LockLiveObject(HWND dlg, HGLOBAL object, uint32_t fixed)
{
    auto *o = object ? (OBJECTHEADER *)GlobalLock(object) : nullptr;
    if (o && (GlobalSize(object) < fixed || o->fixedsize < fixed)) {
        GlobalUnlock(object);
        o = nullptr;
    }
    if (!o)
        RefuseObject(dlg);
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
    FillTargetList(GetDlgItem(dlg, IDC_OBJTARGET), page, target);
    int spins[6] = {IDC_OBJSPIN + IDC_OBJLEFT, IDC_OBJSPIN + IDC_OBJTOP}, n = 2;
    for (int id : {f.size ? IDC_OBJSPIN + IDC_OBJWIDTH : 0, f.size ? IDC_OBJSPIN + IDC_OBJDEPTH : 0, extraspin})
        if (id)
            spins[n++] = id;
    ShowPlace(dlg, IDC_OBJLEFT, o, spins, f.size);
    FLAGBOX boxes[std::size(propflags)];
    ShowFlags(dlg, o->flags, boxes, PropFlags(f.flags, boxes));
}

void ReadPropFields(HWND dlg, OBJECTHEADER *o, const PROPFIELDS &f, uint32_t *target)
{
    o->rect = ReadPlace(dlg, IDC_OBJLEFT, f.size ? 0 : 32, f.size ? 0 : 32);
    FLAGBOX boxes[std::size(propflags)];
    o->flags = ReadFlags(dlg, o->flags, boxes, PropFlags(f.flags, boxes));
    *target = ReadTarget(GetDlgItem(dlg, IDC_OBJTARGET), *target);
}

HGLOBAL NewObject(HGLOBAL live, uint32_t fixed, std::initializer_list<OBJECTPIECE> pieces)
{
    GlobalLocked<OBJECTHEADER> from(live);
    if (!from || from.size() < fixed || fixed < sizeof(OBJECTHEADER))
        return NULL;
    uint64_t data = 0;
    for (const OBJECTPIECE &p : pieces)
        data += p.size;
    if (fixed + data > 0x7FFFFFFF)
        return NULL;
    auto *allocate = EditorParts().newobjectblock;
    // Every page object has the zeroed slack behind its data that a load or a
    // paste gives it.
    GlobalBlock block((allocate ? allocate : Allocate)((SIZE_T)(fixed + data + OBJECTSLACK)));
    GlobalLocked<uint8_t> to(block.get());
    if (!to)
        return NULL;
    memcpy(to.get(), from.get(), fixed);
    uint8_t *at = to.get() + fixed;
    for (const OBJECTPIECE &p : pieces) {
        if (p.data && p.size)
            memcpy(at, p.data, p.size);
        at += p.size;
    }
    auto *h = (OBJECTHEADER *)to.get();
    h->fixedsize = fixed;
    h->datasize = (uint32_t)data;
    h->totalsize = fixed + (uint32_t)data;
    to.Unlock();
    return block.Release();
}

HGLOBAL BuildObject(HWND dlg, HGLOBAL live, uint32_t fixed, uint32_t size)
{
    HGLOBAL built = NewObject(live, fixed, {{nullptr, size}});
    if (!built)
        DoMessage(dlg, FetchString(IDS_MEMORY));
    return built;
}

void KeepObject(HWND dlg, HGLOBAL *live, HGLOBAL built)
{
    GlobalFree(*live);
    *live = built;
    EndDialog(dlg, 1);
}

namespace {

bool PropDialogStep(const PROPDIALOG &d, HWND dlg, UINT msg, WPARAM wParam, EDITPARAM *p, INT_PTR *answer)
{
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
    case IDC_HELPBUTTON:
        DoHelp(dlg, d.help);
        return true;
    }
    return false;
}

} // namespace

bool PropDialogMessage(const PROPDIALOG &d, HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR *answer)
{
    EDITPARAM *p;
    if (DialogOpening(dlg, msg, wParam, lParam, answer, &p))
        return true;
    return PropDialogStep(d, dlg, msg, wParam, p, answer);
}

bool PropStateMessage(const PROPDIALOG &d, HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR *answer)
{
    PROPSTATE *s;
    if (DialogOpening(dlg, msg, wParam, lParam, answer, &s))
        return true;
    if (!s || !s->p) {
        // A record that could not be made: the dialog says so and ends.
        if (msg == WM_INITDIALOG) {
            DoMessage(dlg, FetchString(IDS_MEMORY));
            PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        }
        *answer = msg == WM_COMMAND;
        return msg == WM_INITDIALOG || msg == WM_COMMAND;
    }
    return PropDialogStep(d, dlg, msg, wParam, s->p, answer);
}
