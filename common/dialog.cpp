#include "common/dialog.h"
#include "common/services.h"
#include <commctrl.h>
#include <cstdint>
#include <cstdio>

namespace {

// The dialog's Help button, by its caption: the dialogs name it by several
// ids, and every one is labelled Help.
BOOL CALLBACK FindHelpButton(HWND child, LPARAM found)
{
    char text[16] = "", plain[16] = "";
    GetWindowTextA(child, text, sizeof text);
    int n = 0;
    for (const char *c = text; *c && n < (int)sizeof plain - 1; c++)
        if (*c != '&')
            plain[n++] = *c;
    plain[n] = 0;
    char kind[16] = "";
    GetClassNameA(child, kind, sizeof kind);
    if (lstrcmpiA(kind, "Button") == 0 && lstrcmpiA(plain, "Help") == 0) {
        *(HWND *)found = child;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool COMMONDialogMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR *answer)
{
    switch (msg) {
    case WM_HELP: {
        // F1 does what the Help button does, when there is one to press.
        HWND help = NULL;
        EnumChildWindows(dlg, FindHelpButton, (LPARAM)&help);
        if (!help || !IsWindowEnabled(help) || !IsWindowVisible(help))
            return false;
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(help), BN_CLICKED), (LPARAM)help);
        *answer = TRUE;
        return true;
    }
    case WM_INITDIALOG:
        SetWindowValue(dlg, DWLP_USER, lParam);
        return false;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        *answer = (INT_PTR)HandleCtlColour(dlg, (HDC)wParam, lParam);
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            *answer = TRUE;
            return true;
        }
        return false;
    }
    return false;
}

void BindSpinControl(HWND updown)
{
    char text[64] = "";
    GetWindowTextA(updown, text, sizeof text);
    int low = -32767, high = 32767, pos = -32767;
    sscanf(text, "%d,%d,%d", &low, &high, &pos);
    if (low != -32767 && high != 32767)
        SendMessageA(updown, UDM_SETRANGE, 0, MAKELPARAM(high, low));
    if (pos != -32767)
        SendMessageA(updown, UDM_SETPOS, 0, MAKELPARAM(pos, 0));
}

uint32_t ReadTypedNumber(HWND field)
{
    char text[32] = "";
    if (GetWindowTextLengthA(field) >= (int)sizeof text)
        return 0;
    GetWindowTextA(field, text, sizeof text);
    const char *p = text;
    while (*p == ' ' || *p == '\t')
        p++;
    bool minus = *p == '-';
    if (*p == '-' || *p == '+')
        p++;
    if (*p < '0' || *p > '9')
        return 0;
    uint64_t value = 0;
    for (; *p >= '0' && *p <= '9'; p++)
        if ((value = value * 10 + (uint64_t)(*p - '0')) > 0xFFFFFFFFu)
            return 0;
    return minus ? 0u - (uint32_t)value : (uint32_t)value;
}
