// The windows of images, animations, sounds, applets and movies keep the life
// cycle every object window shares and draw nothing, so a page that holds
// them still shows; what each of them plays and draws comes in a module of
// its own that replaces this one.
#include "document/objects.h"
#include "runtime/runtime.h"
#include <mmsystem.h>

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

LRESULT CALLBACK QV_ImageProc(HWND h, UINT m, WPARAM w, LPARAM l) { return LifeCycle(h, m, w, l); }
LRESULT CALLBACK QV_AnimProc(HWND h, UINT m, WPARAM w, LPARAM l) { return LifeCycle(h, m, w, l); }
LRESULT CALLBACK QV_WaveProc(HWND h, UINT m, WPARAM w, LPARAM l) { return LifeCycle(h, m, w, l); }
LRESULT CALLBACK QV_MidiProc(HWND h, UINT m, WPARAM w, LPARAM l) { return LifeCycle(h, m, w, l); }
static LRESULT CALLBACK AppletStandIn(HWND h, UINT m, WPARAM w, LPARAM l) { return LifeCycle(h, m, w, l); }
WNDPROC QVappletwindow = AppletStandIn;
LRESULT CALLBACK QV_AppletProc(HWND h, UINT m, WPARAM w, LPARAM l) { return QVappletwindow(h, m, w, l); }
LRESULT CALLBACK QV_MovieProc(HWND h, UINT m, WPARAM w, LPARAM l) { return LifeCycle(h, m, w, l); }

// No movie plays yet: nothing opens through the in-memory file procedure.
LRESULT CALLBACK QV_MovieIOProc(LPSTR, UINT msg, LPARAM, LPARAM)
{
    return msg == MMIOM_OPEN ? MMIOERR_CANNOTOPEN : 0;
}
