#include "common/dialog.h"
#include "common/services.h"
#include <commctrl.h>
#include <cstdint>
#include <cstdio>

bool COMMONDialogMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR *answer)
{
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
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
