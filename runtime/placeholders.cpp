// The applet window's stand-in: the life cycle every object window shares,
// drawing nothing, so a page that holds an applet still shows in a program
// that has no interpreter.
#include "document/objects.h"
#include "common/guard.h"
#include "runtime/lifecycle.h"
#include "runtime/runtime.h"

static LRESULT AppletStandInMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (objectlife::CommonMessage(hwnd, msg, wParam, lParam, true))
        return 0;
    switch (msg) {
    case WM_CREATE:
        PostMessageA(hwnd, QVM_OBJECTCREATED, 0, 0);
        return 0;
    case QVM_OBJECTCREATED:
        if (ObjectRecord<> o(WindowObject(hwnd)); o)
            o->flags &= ~OBJ_RUNNING;
        objectlife::StartUnlessDisabled(hwnd);
        return 0;
    case QVM_OBJECTSTARTSTOP:
        if (ObjectRecord<> o(WindowObject(hwnd)); o) {
            short request = objectlife::Request(wParam);
            if (request == 1)
                o->flags |= OBJ_RUNNING;
            else if (request == 0)
                o->flags &= ~OBJ_RUNNING;
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintDC validated(hwnd);
        return 0;
    }
    case WM_DESTROY:
        if (ObjectRecord<> o(WindowObject(hwnd)); o)
            o->flags &= ~OBJ_RUNNING;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static LRESULT CALLBACK AppletStandIn(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return AppletStandInMessage(hwnd, msg, wParam, lParam); });
}

LRESULT CALLBACK QV_AppletProc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    WNDPROC proc = QV_ShowHostOf(h).appletwindow;
    return (proc ? proc : AppletStandIn)(h, m, w, l);
}
