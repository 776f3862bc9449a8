// The editor's abort polling, alone in its file: the player links its own
// function of the same name in its place.
#include "common/services.h"
#include "common/shell.h"

int CheckForAbort(HWND hwnd)
{
    int result = 0;
    MSG msg;
    for (;;) {
        if (!IsWindow(hwnd) || !IsWindow(hwndmain))
            return 1;
        if (!PeekMessageA(&msg, hwnd, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE))
            break;
        if (msg.message == WM_RBUTTONDOWN) {
            result = 1;
            MessageBeep(MB_ICONASTERISK);
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return result;
}
