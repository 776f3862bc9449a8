// The applet window's stand-in: the life cycle every object window shares,
// drawing nothing, so a page that holds an applet still shows in a program
// that has no interpreter.
#include "document/objects.h"
#include "runtime/runtime.h"

static LRESULT LifeCycle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        PostMessageA(hwnd, QVM_OBJECTCREATED, 0, 0);
        return 0;
    case QVM_OBJECTCREATED:
        if (OBJECTHEADER *o = LockObject(hwnd)) {
            o->flags &= ~OBJ_RUNNING;
            UnlockObject(hwnd);
        }
        if (!(GetWindowLongA(hwnd, GWL_STYLE) & WS_DISABLED))
            PostMessageA(hwnd, QVM_OBJECTSTARTSTOP, 1, 0);
        return 0;
    case QVM_OBJECTSTARTSTOP:
        if (OBJECTHEADER *o = LockObject(hwnd)) {
            short request = (short)LOWORD(wParam);
            if (request == 1 && !(o->flags & OBJ_RUNNING))
                o->flags |= OBJ_RUNNING;
            else if (request == 0 && (o->flags & OBJ_RUNNING))
                o->flags &= ~OBJ_RUNNING;
            UnlockObject(hwnd);
        }
        return 0;
    case WM_ACTIVATE:
        // Handled here: DefWindowProc would take the keyboard focus.
        if (OBJECTHEADER *o = LockObject(hwnd)) {
            if (LOWORD(wParam) == 0)
                o->flags |= OBJ_DEACTIVATED;
            else
                o->flags &= ~OBJ_DEACTIVATED;
            UnlockObject(hwnd);
        }
        if (LOWORD(wParam))
            InvalidateRect(hwnd, NULL, TRUE);
        return 0;
    case WM_LBUTTONDOWN:
        PostMessageA(GetParent(hwnd), msg, wParam, lParam);
        return 0;
    case WM_SIZE:
        InvalidateRect(hwnd, NULL, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        if (OBJECTHEADER *o = LockObject(hwnd)) {
            o->flags &= ~OBJ_RUNNING;
            UnlockObject(hwnd);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Until the interpreter installs its window, an applet object keeps the
// shared life cycle and runs nothing.
static LRESULT CALLBACK AppletStandIn(HWND h, UINT m, WPARAM w, LPARAM l) { return LifeCycle(h, m, w, l); }
WNDPROC QVappletwindow = AppletStandIn;
LRESULT CALLBACK QV_AppletProc(HWND h, UINT m, WPARAM w, LPARAM l) { return QVappletwindow(h, m, w, l); }
