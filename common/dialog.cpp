#include "common/dialog.h"
#include "common/services.h"

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
