#include "common/msgdlg.h"
#include "common/dialog.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "resources/resource.h"
#include <algorithm>
#include <string>

void CentreWindow(HWND hwnd)
{
    RECT r;
    if (!GetWindowRect(hwnd, &r))
        return;
    int x = (GetSystemMetrics(SM_CXSCREEN) - RectWidth(&r)) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - RectDepth(&r)) / 2;
    SetWindowPos(hwnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static RECT ChildRect(HWND dlg, HWND child)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(NULL, dlg, (POINT *)&r, 2);
    return r;
}

// The text of a message box at the given width: how deep it is.
static int TextDepth(HWND text, const std::string &s, int width, int *widest)
{
    HDC dc = GetDC(text);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(text, WM_GETFONT, 0, 0));
    RECT r{0, 0, width, 0};
    DrawTextA(dc, s.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(text, dc);
    *widest = r.right;
    return r.bottom;
}

// A long text (a path without spaces, say) would wrap past the bottom of its
// field and hide the question after it: the box grows downwards, and wider
// when it would not fit on the screen, moving what lies below or beside the
// text with it.
static void FitMessageText(HWND dlg)
{
    HWND text = GetDlgItem(dlg, IDC_MESSAGETEXT);
    if (!text)
        return;
    std::string s((size_t)GetWindowTextLengthA(text) + 1, '\0');
    s.resize((size_t)GetWindowTextA(text, s.data(), (int)s.size()));
    RECT field = ChildRect(dlg, text), box;
    GetWindowRect(dlg, &box);
    int width = RectWidth(&field), widest = 0;
    int spare = GetSystemMetrics(SM_CYSCREEN) - RectDepth(&box) - 16;
    int depth = TextDepth(text, s, width, &widest);
    int widelimit = GetSystemMetrics(SM_CXSCREEN) * 3 / 4 - (RectWidth(&box) - RectWidth(&field));
    while (depth - RectDepth(&field) > spare && width < widelimit) {
        width = std::min(widelimit, width + 40);
        depth = TextDepth(text, s, width, &widest);
    }
    width = std::max(width, widest);
    int down = std::max(0, depth - RectDepth(&field)), right = width - RectWidth(&field);
    if (down <= 0 && right <= 0)
        return;
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == text)
            continue;
        RECT r = ChildRect(dlg, child);
        // The answers stay centred under the text; the rest keeps its left edge.
        UINT kind = GetWindowValue<UINT>(child, GWL_STYLE) & BS_TYPEMASK;
        char cls[16] = "";
        GetClassNameA(child, cls, sizeof cls);
        bool answer = !lstrcmpiA(cls, "Button") && (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON);
        int dy = r.top >= field.bottom ? down : 0;
        SetWindowPos(child, NULL, r.left + (answer ? right / 2 : 0), r.top + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(text, NULL, 0, 0, width, RectDepth(&field) + down, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(dlg, NULL, 0, 0, RectWidth(&box) + right, RectDepth(&box) + down,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static INT_PTR MessageDlgMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, &answer))
        return answer;
    switch (msg) {
    case WM_INITDIALOG: {
        SetDlgItemTextA(dlg, IDC_MESSAGETEXT, (const char *)lParam);
        FitMessageText(dlg);
        if (HWND ok = GetDlgItem(dlg, IDOK))
            SetFocus(ok);
        if (HWND yes = GetDlgItem(dlg, IDYES))
            SetFocus(yes);
        CentreWindow(dlg);
        return FALSE; // keep the focus we gave
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDYES:
        case IDNO:
            EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK MessageDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return MessageDlgMessage(dlg, msg, wParam, lParam); });
}

// What the two warning boxes share: the text, the ticked check box, the
// focus on the first answer, the place in the middle of the screen.
static void InitWarning(HWND dlg, const WARNINGRECORD *record, int focus)
{
    SetDlgItemTextA(dlg, IDC_MESSAGETEXT, record->text);
    FitMessageText(dlg);
    CheckDlgButton(dlg, IDC_SHOWAGAIN, BST_CHECKED);
    SetFocus(GetDlgItem(dlg, focus));
    CentreWindow(dlg);
}

// A warning's note sends the reader to Setup, so its Help explains Setup.
static void ShowWarningHelp(HWND dlg) { DoHelp(dlg, "SETUP"); }

static void StoreShowAgain(HWND dlg)
{
    WARNINGRECORD *record = DialogState<WARNINGRECORD>(dlg);
    if (record && record->flag)
        *record->flag = IsDlgButtonChecked(dlg, IDC_SHOWAGAIN) == BST_CHECKED ? 1 : 0;
}

static INT_PTR WarningDlgMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // A warning is read to the end: Esc and the close box do not dismiss it.
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        return TRUE;
    INT_PTR answer;
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, &answer))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        InitWarning(dlg, (const WARNINGRECORD *)lParam, IDOK);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dlg, IDOK);
            return TRUE;
        case IDC_SHOWAGAIN:
            StoreShowAgain(dlg);
            return TRUE;
        case IDC_HELPBUTTON:
            ShowWarningHelp(dlg);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK WarningDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return WarningDlgMessage(dlg, msg, wParam, lParam); });
}

static INT_PTR YesNoWarningDlgMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // A warning is read to the end: Esc and the close box do not dismiss it.
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        return TRUE;
    INT_PTR answer;
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, &answer))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        InitWarning(dlg, (const WARNINGRECORD *)lParam, IDYES);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDYES:
            // The question may stop being asked only when its answer was Yes:
            // a switched-off question answers Yes from then on.
            StoreShowAgain(dlg);
            EndDialog(dlg, 1);
            return TRUE;
        case IDNO:
            EndDialog(dlg, 0);
            return TRUE;
        case IDC_HELPBUTTON:
            ShowWarningHelp(dlg);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK YesNoWarningDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return YesNoWarningDlgMessage(dlg, msg, wParam, lParam); });
}

// A program that does not carry the box's template (the player carries
// none) shows the system's own box instead, captioned as its own boxes are.
static bool Carried(const char *templ) { return FindResourceA(hInst, templ, (LPCSTR)RT_DIALOG) != NULL; }

int DoMessage(HWND parent, const char *text)
{
    if (!Carried("MessageDlgBox"))
        return COMMONMessageBox(parent, text, "Message", MB_OK | MB_ICONINFORMATION);
    return (int)COMMONDialogBox(hInst, "MessageDlgBox", parent, MessageDlgProc, (LPARAM)text, text);
}

int DoYesNoCancel(HWND parent, const char *text)
{
    INT_PTR r = Carried("YesNoCancelBox")
                    ? COMMONDialogBox(hInst, "YesNoCancelBox", parent, MessageDlgProc, (LPARAM)text, text)
                    : COMMONMessageBox(parent, text, "Message", MB_YESNOCANCEL | MB_ICONQUESTION);
    return r == IDYES || r == IDNO ? (int)r : IDCANCEL;
}

int DoYesNo(HWND parent, const char *text)
{
    INT_PTR r = Carried("YesnoBox") ? COMMONDialogBox(hInst, "YesnoBox", parent, MessageDlgProc, (LPARAM)text, text)
                                    : COMMONMessageBox(parent, text, "Message", MB_YESNO | MB_ICONQUESTION);
    return r == IDYES ? IDYES : IDNO;
}

void DoWarning(HWND parent, const char *text, unsigned *flag)
{
    if (!flag || !*flag)
        return;
    WARNINGRECORD record{text, flag, WarningDlgProc};
    COMMONDialogBox(hInst, "WarningBox", parent, WarningDlgProc, (LPARAM)&record, text);
    if (parent)
        UpdateWindow(parent);
}

int DoYesNoWarning(HWND parent, const char *text, unsigned *flag)
{
    if (!flag || !*flag)
        return 1;
    WARNINGRECORD record{text, flag, YesNoWarningDlgProc};
    INT_PTR r = COMMONDialogBox(hInst, "YesNoWarningBox", parent, YesNoWarningDlgProc, (LPARAM)&record, text);
    if (parent)
        UpdateWindow(parent);
    return r == 1 ? 1 : 0;
}
