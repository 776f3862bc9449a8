// The colour dialog: the system's, with a table of named colours beside it
// that the user adds to and opens from files, and the red, green and blue
// fields shown in hexadecimal too.
#include "common/colour.h"
#include "common/dialog.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "resources/dialogs_ids.h"
#include <commctrl.h>
#include <commdlg.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// What tells the two sets of the colour dialog apart.
struct COLOURSET {
    bool common;
    const char *hooktemplate;
    const char *addtemplate;
    const char *opentemplate;
    LPCCHOOKPROC hook;
    DLGPROC addproc;
    DLGPROC openproc;
};

extern const COLOURSET plainset, commonset;

INT_PTR RunChooseColor(const MODALCALL *call)
{
    return ChooseColorA((CHOOSECOLORA *)call->data);
}

int RunColourDialog(const COLOURSET &set, HWND parent, COLORREF *colour)
{
    static COLORREF custom[16];
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = parent;
    cc.hInstance = (HWND)hInst;
    cc.rgbResult = *colour;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK | CC_ENABLETEMPLATE;
    cc.lpfnHook = set.hook;
    cc.lpTemplateName = set.hooktemplate;
    MODALCALL call{};
    call.kind = MODAL_COMMONDIALOG;
    call.parent = parent;
    call.instance = hInst;
    call.name = set.hooktemplate;
    call.data = &cc;
    call.run = RunChooseColor;
    int result = (int)COMMONModal(&call);
    if (result > 0)
        *colour = cc.rgbResult;
    return result > 0 ? result : 0;
}

COLORREF EditColour(HWND dlg)
{
    BOOL ok;
    UINT r = GetDlgItemInt(dlg, 706, &ok, FALSE), g = GetDlgItemInt(dlg, 707, &ok, FALSE),
         b = GetDlgItemInt(dlg, 708, &ok, FALSE);
    return RGB(r & 0xFF, g & 0xFF, b & 0xFF);
}

void SelectMatching(HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_COLOURTABLE);
    COLORREF c = EditColour(dlg);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++)
        if ((COLORREF)SendMessageA(list, LB_GETITEMDATA, i, 0) == c) {
            SendMessageA(list, LB_SETCURSEL, i, 0);
            return;
        }
    if (SendMessageA(list, LB_GETCURSEL, 0, 0) == LB_ERR)
        SendMessageA(list, LB_SETCURSEL, 0, 0);
}

void CreateHexFields(HWND dlg)
{
    int width = 0;
    for (int id = 706; id <= 708; id++) {
        HWND edit = GetDlgItem(dlg, id);
        if (!edit)
            continue;
        RECT r;
        GetWindowRect(edit, &r);
        MapWindowPoints(NULL, dlg, (POINT *)&r, 2);
        HWND hex = CreateWindowExA(0, "static", "", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, r.right + 18, r.top + 4,
                                   r.right - r.left, r.bottom - r.top - 4, dlg, (HMENU)(INT_PTR)(id + 15000),
                                   hInst, NULL);
        SendMessageA(hex, WM_SETFONT, SendMessageA(edit, WM_GETFONT, 0, 0), 0);
        width = r.right - r.left;
        SetWindowValue<WNDPROC>(edit, GWLP_WNDPROC, COMMONColorSelectHexSubclass);
        char text[16] = "";
        GetWindowTextA(edit, text, sizeof text);
        SetWindowTextA(edit, text);
    }
    RECT w;
    GetWindowRect(dlg, &w);
    SetWindowPos(dlg, NULL, 0, 0, w.right - w.left + width + 2, w.bottom - w.top, SWP_NOZORDER | SWP_NOMOVE);
    CentreWindow(dlg);
}

void ReloadTable(HWND dlg)
{
    LoadColourTable(dlg, COMMONAddApplicationDataSubPath(ColourTableFile), IDC_COLOURTABLE);
}

void SaveTable(HWND dlg)
{
    SaveColourTable(dlg, COMMONAddApplicationDataSubPath(ColourTableFile), IDC_COLOURTABLE);
}

void AddFromEdits(const COLOURSET &set, HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_COLOURTABLE);
    COLORREF c = EditColour(dlg);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        if ((COLORREF)SendMessageA(list, LB_GETITEMDATA, i, 0) != c)
            continue;
        char name[COLOURNAMESIZE];
        ColourTableName(list, i, name);
        const char *question = set.common ? "This color already exists in the current color table as %s. Do you "
                                            "wish to add it anyway?"
                                          : FetchString(IDS_COLOUREXISTS);
        char text[2 * COLOURNAMESIZE + 256];
        snprintf(text, sizeof text, question, name);
        if (DoYesNo(dlg, text) != IDYES)
            return;
    }
    int added = set.common ? COMMONAddTableColour(dlg, c, IDC_COLOURTABLE) : AddTableColour(dlg, c, IDC_COLOURTABLE);
    if (added) {
        SaveTable(dlg);
        PostMessageA(dlg, CSM_SELECTMATCHINGCOLOUR, 0, 0);
    }
}

void DeleteSelected(const COLOURSET &set, HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_COLOURTABLE);
    int index = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return;
    const char *question = set.common ? "Do you really want to delete this color from the current color list?"
                                      : FetchString(IDS_COLOURDELETE);
    char text[FETCHSTRINGSIZE];
    lstrcpynA(text, question, sizeof text);
    if (DoYesNo(dlg, text) != IDYES)
        return;
    SendMessageA(list, LB_DELETESTRING, index, 0);
    SaveTable(dlg);
    SendMessageA(list, LB_SETCURSEL, index > 0 ? index - 1 : 0, 0);
}

void DrawTableItem(const DRAWITEMSTRUCT *item)
{
    if (item->itemID == (UINT)-1)
        return;
    char name[COLOURNAMESIZE];
    if (!ColourTableName(item->hwndItem, (int)item->itemID, name))
        return;
    LRESULT data = SendMessageA(item->hwndItem, LB_GETITEMDATA, item->itemID, 0);
    if (data == LB_ERR)
        return;
    HDC dc = item->hDC;
    const RECT &r = item->rcItem;
    SetBkMode(dc, TRANSPARENT);
    {
        GdiObject<HBRUSH> shadow(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
        SelectedObject pen(dc, GetStockObject(NULL_PEN));
        SelectedObject brush(dc, (item->itemState & ODS_SELECTED) ? (HGDIOBJ)shadow.get() : GetStockObject(WHITE_BRUSH));
        Rectangle(dc, r.left, r.top, r.right + 1, r.bottom + 1);
    }
    TextOutA(dc, r.left + 30, r.top + 1, name, (int)strlen(name));
    GdiObject<HBRUSH> swatch(CreateSolidBrush((COLORREF)data));
    SelectedObject brush(dc, swatch);
    Rectangle(dc, r.left + 4, r.top + 2, r.left + 24, r.bottom - 2);
}

UINT_PTR HookMessage(const COLOURSET &set, HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dlg, 204, UDM_SETRANGE, 0, MAKELPARAM(255, 0));
        SendDlgItemMessageA(dlg, 205, UDM_SETRANGE, 0, MAKELPARAM(255, 0));
        SendDlgItemMessageA(dlg, 206, UDM_SETRANGE, 0, MAKELPARAM(255, 0));
        SendDlgItemMessageA(dlg, 207, UDM_SETRANGE, 0, MAKELPARAM(239, 0));
        SendDlgItemMessageA(dlg, 208, UDM_SETRANGE, 0, MAKELPARAM(240, 0));
        SendDlgItemMessageA(dlg, 209, UDM_SETRANGE, 0, MAKELPARAM(240, 0));
        if (set.common)
            PostMessageA(dlg, CSM_CREATEHEXFIELDS, 0, 0);
        ReloadTable(dlg);
        PostMessageA(dlg, CSM_SELECTMATCHINGCOLOUR, 0, 0);
        CentreWindow(dlg);
        return 0;
    case WM_DRAWITEM:
        if (wParam == IDC_COLOURTABLE) {
            DrawTableItem((const DRAWITEMSTRUCT *)lParam);
            return 1;
        }
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_COLOURHELP:
            DoHelp(dlg, "COLORS");
            return 1;
        case IDC_COLOUROPEN: {
            char name[SETTINGTEXT];
            lstrcpynA(name, ColourTableFile, sizeof name);
            int ok = set.common ? COMMONGetOpenColourTableName(dlg, name) : GetOpenColourTableName(dlg, name);
            if (ok) {
                lstrcpynA(ColourTableFile, name, sizeof ColourTableFile);
                ReloadTable(dlg);
                InvalidateRect(GetDlgItem(dlg, IDC_COLOURTABLE), NULL, TRUE);
                PostMessageA(dlg, CSM_SELECTMATCHINGCOLOUR, 0, 0);
            }
            return 1;
        }
        case IDC_COLOURTABLE:
            if (HIWORD(wParam) == LBN_SELCHANGE) {
                HWND list = GetDlgItem(dlg, IDC_COLOURTABLE);
                int index = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);
                if (index != LB_ERR) {
                    COLORREF c = (COLORREF)SendMessageA(list, LB_GETITEMDATA, index, 0);
                    SetDlgItemInt(dlg, 706, GetRValue(c), FALSE);
                    SetDlgItemInt(dlg, 707, GetGValue(c), FALSE);
                    SetDlgItemInt(dlg, 708, GetBValue(c), FALSE);
                }
            } else if (HIWORD(wParam) == LBN_DBLCLK) {
                SendMessageA(dlg, WM_COMMAND, IDOK, 0);
            }
            return 1;
        case IDC_COLOURADD:
            AddFromEdits(set, dlg);
            return 1;
        case IDC_COLOURDELETE:
            DeleteSelected(set, dlg);
            return 1;
        }
        return 0;
    case WM_LBUTTONUP:
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(706, 0), 0);
        return 0;
    case CSM_SELECTMATCHINGCOLOUR:
        SelectMatching(dlg);
        return 1;
    case CSM_CREATEHEXFIELDS:
        if (set.common)
            CreateHexFields(dlg);
        return 1;
    }
    return 0;
}

INT_PTR AddColourMessage(const COLOURSET &set, HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    ADDCOLOURPARAM *param;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &param, 0))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dlg, IDC_NEWCOLOURNAME, EM_LIMITTEXT, 64, 0);
        SetDlgItemInt(dlg, IDC_NEWCOLOURRED, GetRValue(param->colour), TRUE);
        SetDlgItemInt(dlg, IDC_NEWCOLOURGREEN, GetGValue(param->colour), TRUE);
        SetDlgItemInt(dlg, IDC_NEWCOLOURBLUE, GetBValue(param->colour), TRUE);
        EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
        SetFocus(GetDlgItem(dlg, IDC_NEWCOLOURNAME));
        SendDlgItemMessageA(dlg, IDC_NEWCOLOURNAME, EM_SETSEL, 0, -1);
        CentreWindow(dlg);
        return FALSE;
    case WM_DRAWITEM:
        if (wParam == IDC_NEWCOLOURSWATCH) {
            const DRAWITEMSTRUCT *item = (const DRAWITEMSTRUCT *)lParam;
            RECT r = item->rcItem;
            r.right++;
            r.bottom++;
            GdiObject<HBRUSH> brush(CreateSolidBrush(param->colour));
            FillRect(item->hDC, &r, brush);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_NEWCOLOURNAME) {
            // "=" ends a name in the table file, so no name may hold one.
            char name[80] = "";
            int n = GetDlgItemTextA(dlg, IDC_NEWCOLOURNAME, name, sizeof name);
            EnableWindow(GetDlgItem(dlg, IDOK), n > 2 && !strchr(name, '='));
            return TRUE;
        }
        if (LOWORD(wParam) == IDOK) {
            char name[80] = "";
            int n = GetDlgItemTextA(dlg, IDC_NEWCOLOURNAME, name, sizeof name);
            if (n > 0 && !strchr(name, '=')) {
                HWND list = GetDlgItem(param->owner, param->listid);
                LRESULT at = -1;
                if (!set.common) {
                    at = SendMessageA(list, LB_GETCURSEL, 0, 0);
                    if (at == LB_ERR)
                        at = -1;
                }
                LRESULT index = SendMessageA(list, LB_INSERTSTRING, (WPARAM)at, (LPARAM)name);
                if (index >= 0)
                    SendMessageA(list, LB_SETITEMDATA, index, (LPARAM)param->colour);
            }
            EndDialog(dlg, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR OpenColourMessage(const COLOURSET &set, HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    char *buffer;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &buffer, 0))
        return answer;
    HWND combo = GetDlgItem(dlg, IDC_COLOURTABLES);
    switch (msg) {
    case WM_INITDIALOG: {
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        char pattern[PATHBUILDSIZE];
        lstrcpynA(pattern, set.common ? AddApplicationPath("*.CCL") : COMMONAddApplicationDataSubPath("*.CCL"),
                  sizeof pattern);
        WIN32_FIND_DATAA found;
        HANDLE search = pattern[0] ? FindFirstFileA(pattern, &found) : INVALID_HANDLE_VALUE;
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (found.cFileName[0] == '.' || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    continue;
                char *dot = strrchr(found.cFileName, '.');
                if (dot)
                    *dot = 0;
                SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)found.cFileName);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        char current[SETTINGTEXT];
        lstrcpynA(current, buffer, sizeof current);
        char *dot = strrchr(current, '.');
        if (dot)
            *dot = 0;
        SendMessageA(combo, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)current);
        SetFocus(combo);
        CentreWindow(dlg);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            char text[SETTINGTEXT] = "";
            GetWindowTextA(combo, text, SETTINGTEXT - 4);
            if (text[0])
                snprintf(buffer, SETTINGTEXT, "%s.CCL", text);
            EndDialog(dlg, 1);
            return TRUE;
        }
        case IDC_COLOURHELP:
            DoHelp(dlg, "COLORS");
            return TRUE;
        case IDC_COLOURTABLES:
            if (HIWORD(wParam) == CBN_DBLCLK)
                PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

const COLOURSET plainset{false,          "ColourSelectBox",  "AddColourBox",   "OpenColourTableBox",
                         ColourHookProc, AddColourDlgProc,   OpenColourDlgProc};
const COLOURSET commonset{true,                 "COMMONColourSelectBox", "COMMONAddColourBox",
                          "COMMONOpenColourTableBox", COMMONColourHookProc, COMMONAddColourDlgProc,
                          COMMONOpenColourDlgProc};

} // namespace

bool ColourTableName(HWND list, int index, char *out)
{
    LRESULT n = SendMessageA(list, LB_GETTEXTLEN, index, 0);
    out[0] = 0;
    if (n == LB_ERR || n >= COLOURNAMESIZE)
        return false;
    return SendMessageA(list, LB_GETTEXT, index, (LPARAM)out) != LB_ERR;
}

int DoColourSelect(HWND parent, COLORREF *colour) { return RunColourDialog(plainset, parent, colour); }
int COMMONDoColourSelect(HWND parent, COLORREF *colour) { return RunColourDialog(commonset, parent, colour); }

UINT_PTR CALLBACK ColourHookProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return HookMessage(plainset, dlg, msg, wParam, lParam); });
}

UINT_PTR CALLBACK COMMONColourHookProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return HookMessage(commonset, dlg, msg, wParam, lParam); });
}

INT_PTR CALLBACK AddColourDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return AddColourMessage(plainset, dlg, msg, wParam, lParam); });
}

INT_PTR CALLBACK COMMONAddColourDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return AddColourMessage(commonset, dlg, msg, wParam, lParam); });
}

INT_PTR CALLBACK OpenColourDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return OpenColourMessage(plainset, dlg, msg, wParam, lParam); });
}

INT_PTR CALLBACK COMMONOpenColourDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return OpenColourMessage(commonset, dlg, msg, wParam, lParam); });
}

static int AddTableColourWith(const COLOURSET &set, HWND dlg, COLORREF colour, int listid)
{
    ADDCOLOURPARAM param{colour, (WORD)listid, dlg};
    return COMMONDialogBox(hInst, set.addtemplate, dlg, set.addproc, (LPARAM)&param, NULL) == 1;
}

int AddTableColour(HWND dlg, COLORREF colour, int listid) { return AddTableColourWith(plainset, dlg, colour, listid); }
int COMMONAddTableColour(HWND dlg, COLORREF colour, int listid)
{
    return AddTableColourWith(commonset, dlg, colour, listid);
}

int GetOpenColourTableName(HWND parent, char *buffer)
{
    return COMMONDialogBox(hInst, plainset.opentemplate, parent, plainset.openproc, (LPARAM)buffer, NULL) == 1;
}

int COMMONGetOpenColourTableName(HWND parent, char *buffer)
{
    return COMMONDialogBox(hInst, commonset.opentemplate, parent, commonset.openproc, (LPARAM)buffer, NULL) == 1;
}

static LRESULT COMMONColorSelectHexSubclassMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SETTEXT && lParam) {
        char hex[16];
        snprintf(hex, sizeof hex, "%02lXH", (unsigned long)atol((const char *)lParam) & 0xFFFFFFUL);
        SetDlgItemTextA(GetParent(hwnd), GetDlgCtrlID(hwnd) + 15000, hex);
    }
    return CallWindowProcA((WNDPROC)GetClassLongPtrA(hwnd, GCLP_WNDPROC), hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK COMMONColorSelectHexSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return COMMONColorSelectHexSubclassMessage(hwnd, msg, wParam, lParam); });
}
