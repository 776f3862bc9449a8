#include "runtime/lifecycle.h"
#include "common/windowvalue.h"
#include "runtime/runtime.h"

namespace objectlife {

void StartUnlessDisabled(HWND hwnd)
{
    if (!(GetWindowValue<DWORD>(hwnd, GWL_STYLE) & WS_DISABLED))
        PostMessageA(hwnd, QVM_OBJECTSTARTSTOP, 1, 0);
}

void NotifyDone(HWND hwnd, uint32_t flags, uint32_t notify)
{
    if (flags & OBJ_NOTIFY)
        PostMessageA(GetParent(hwnd), QVM_STARTOBJECT, notify, (LPARAM)hwnd);
}

bool CommonMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool pauses)
{
    switch (msg) {
    case WM_ACTIVATE:
        // Answered here: DefWindowProc would take the keyboard focus from
        // the page's default button.
        if (pauses) {
            if (ObjectRecord<> o(WindowObject(hwnd)); o) {
                if (LOWORD(wParam) == 0)
                    o->flags |= OBJ_DEACTIVATED;
                else
                    o->flags &= ~OBJ_DEACTIVATED;
            }
            if (LOWORD(wParam))
                InvalidateRect(hwnd, NULL, TRUE);
        }
        return true;
    case WM_SIZE:
        InvalidateRect(hwnd, NULL, TRUE);
        return true;
    case WM_LBUTTONDOWN:
        PostMessageA(GetParent(hwnd), msg, wParam, lParam);
        return true;
    }
    return false;
}

LRESULT TimedWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, const TIMEDWINDOW &window)
{
    switch (msg) {
    case WM_CREATE:
        PostMessageA(hwnd, QVM_OBJECTCREATED, 0, 0);
        return 0;
    case QVM_OBJECTCREATED:
        window.created(hwnd);
        return 0;
    case QVM_OBJECTSTARTSTOP:
        window.startstop(hwnd, Request(wParam));
        return 0;
    case WM_TIMER:
        window.timer(hwnd, wParam);
        return 0;
    case WM_PAINT:
        window.paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        if (window.paintsall)
            return 0;
        break;
    case WM_DESTROY:
        window.destroy(hwnd);
        return 0;
    }
    if (CommonMessage(hwnd, msg, wParam, lParam, true))
        return 0;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace objectlife
