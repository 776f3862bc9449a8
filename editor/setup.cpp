// The Setup sheet over the settings table: a row is on the page when the
// page has a control of its Setup id, and is shown and stored by its type.
#include "editor/setup.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/paths.h"
#include "common/shell.h"
#include "common/strings.h"
#include "common/theme.h"
#include "editor/config.h"
#include "resources/setup_ids.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>

namespace {

HWND RowControl(HWND page, const CONFIGITEM &row)
{
    return row.control ? GetDlgItem(page, row.control) : NULL;
}

bool IsList(const CONFIGITEM &row) { return (row.type & CONFIG_OPTIONS) && row.options; }
bool IsSpin(const CONFIGITEM &row) { return (row.type & CONFIG_NUMBER) && (row.type & CONFIG_UPDOWN); }

// A number field whose text begins, after blanks, with a minus sign.
bool TypedNegative(HWND field)
{
    char text[32] = "";
    GetWindowTextA(field, text, sizeof text);
    const char *p = text + strspn(text, " \t");
    return *p == '-';
}

// The range an up-down control's window text gives ("min,max,start"); false
// when the text does not name both ends.
bool SpinRange(HWND page, int control, int &low, int &high, int *start = nullptr)
{
    char text[64] = "";
    GetDlgItemTextA(page, control + IDC_SETUPUPDOWN, text, sizeof text);
    int first = 0, second = 0, third = 0;
    int read = sscanf(text, "%d,%d,%d", &first, &second, &third);
    if (read < 2)
        return false;
    low = first;
    high = second;
    if (start && read >= 3)
        *start = third;
    return true;
}

INT_PTR RunSheet(const MODALCALL *call) { return PropertySheetA((PROPSHEETHEADERA *)call->data); }

} // namespace

void SetSetupControls(HWND page, const SETUPPAGE &setup)
{
    for (int i = 0; i < setup.count; i++) {
        const CONFIGITEM &row = setup.rows[i];
        HWND control = RowControl(page, row);
        if (!control)
            continue;
        SetWindowValue<LONG_PTR>(control, GWLP_USERDATA, 0);
        int value = (row.type & CONFIG_TEXT) ? 0 : *(const int *)row.value;
        if (IsList(row)) {
            SendMessageA(control, CB_RESETCONTENT, 0, 0);
            for (const CONFIGOPTION *o = row.options; o->text; o++)
                SendMessageA(control, CB_ADDSTRING, 0, (LPARAM)o->text);
            SendMessageA(control, CB_SETCURSEL, (WPARAM)value, 0);
        } else if (IsSpin(row)) {
            int low, high, start = 0x7FFFFFFF;
            HWND spin = GetDlgItem(page, row.control + IDC_SETUPUPDOWN);
            if (SpinRange(page, row.control, low, high, &start)) {
                SendMessageA(spin, UDM_SETRANGE, 0, MAKELPARAM(high, low));
                if (start != 0x7FFFFFFF)
                    SendMessageA(spin, UDM_SETPOS, 0, MAKELPARAM(start, 0));
            }
            char text[16];
            snprintf(text, sizeof text, "%u", (unsigned)value);
            SetWindowTextA(control, text);
        } else if (row.type & CONFIG_TEXT) {
            SendMessageA(control, EM_LIMITTEXT, SETTINGTEXT - 1, 0);
            SetWindowTextA(control, (const char *)row.value);
        } else if (row.type & CONFIG_FLAG) {
            SendMessageA(control, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
}

void GetSetupControls(HWND page, const SETUPPAGE &setup)
{
    for (int i = 0; i < setup.count; i++) {
        const CONFIGITEM &row = setup.rows[i];
        HWND control = RowControl(page, row);
        if (!control)
            continue;
        if (IsList(row)) {
            LRESULT chosen = SendMessageA(control, CB_GETCURSEL, 0, 0);
            if (chosen != CB_ERR)
                *(int *)row.value = (int)chosen;
        } else if (IsSpin(row)) {
            // Held within the up-down's range: what is not a number reads as
            // 0, and a negative number lies below the range as much as 0
            // does, so both store the lower bound.
            int64_t value = TypedNegative(control) ? 0 : (int64_t)ReadTypedNumber(control);
            int low = 0, high = 0x7FFFFFFF;
            SpinRange(page, row.control, low, high);
            *(int *)row.value = (int)(value < low ? low : value > high ? high : value);
        } else if (row.type & CONFIG_TEXT) {
            char text[SETTINGTEXT] = "";
            GetWindowTextA(control, text, sizeof text);
            memset(row.value, 0, SETTINGTEXT);
            strcpy((char *)row.value, text);
        } else if (row.type & CONFIG_FLAG) {
            *(int *)row.value = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        }
    }
}

INT_PTR CALLBACK SetupPage(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // A page is made with its sheet's description of it, which carries the
    // page's record.
    if (msg == WM_INITDIALOG)
        lParam = ((const PROPSHEETPAGEA *)lParam)->lParam;
    INT_PTR answer;
    SETUPPAGE *setup;
    if (DialogOpening(page, msg, wParam, lParam, &answer, &setup))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        SetSetupControls(page, *setup);
        return TRUE;
    case WM_NOTIFY:
        if (((NMHDR *)lParam)->code == PSN_APPLY) {
            GetSetupControls(page, *setup);
            SetWindowValue<LONG_PTR>(page, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_CHOOSETHEME && HIWORD(wParam) == BN_CLICKED) {
            COMMONThemeChooseTheme(page, ThemeCurrent);
            return TRUE;
        }
        return FALSE;
    case WM_HELP:
        DoHelp(page, "SETUP");
        return TRUE;
    case WM_ERASEBKGND:
        // The controls take the editor's colours: so does the page under them,
        // whatever look the tab control would give it.
        if (backbrush) {
            RECT r;
            GetClientRect(page, &r);
            FillRect((HDC)wParam, &r, backbrush);
            SetWindowValue<LONG_PTR>(page, DWLP_MSGRESULT, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void DoSetup(HWND owner)
{
    InitCommonControls();
    SETUPPAGE setup{configitem, MAXCONFIGITEM};
    PROPSHEETPAGEA page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_USETITLE;
    page.hInstance = hInst;
    page.pszTemplate = "SetupPropertyOne";
    page.pfnDlgProc = SetupPage;
    page.pszTitle = "Files / Display";
    page.lParam = (LPARAM)&setup;
    PROPSHEETHEADERA sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hwndParent = owner;
    sheet.hInstance = hInst;
    sheet.pszCaption = "Setup";
    sheet.nPages = 1;
    sheet.nStartPage = 0;
    sheet.ppsp = &page;

    MODALCALL call{};
    call.kind = MODAL_DIALOG;
    call.parent = owner;
    call.instance = hInst;
    call.name = page.pszTemplate;
    call.caption = sheet.pszCaption;
    call.data = &sheet;
    call.run = RunSheet;
    COMMONModal(&call);
}
