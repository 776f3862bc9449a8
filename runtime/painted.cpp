// Timer objects, and the windows of text, frame and static-image objects,
// which only paint their object.
#include "common/guard.h"
#include "common/owners.h"
#include "common/windowvalue.h"
#include "document/objects.h"
#include "document/record.h"
#include "runtime/objdraw.h"
#include "runtime/runtime.h"
#include <string>

constexpr UINT_PTR OBJECTTIMERID = 2;

static LRESULT QV_TimerMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        PostMessageA(hwnd, QVM_OBJECTCREATED, 0, 0);
        return 0;
    case QVM_OBJECTCREATED:
        if (ObjectRecord<OBJECTTIMER> t(WindowObject(hwnd)); t) {
            t->timer = 0;
            t->header.flags &= ~OBJ_RUNNING;
        }
        if (!(GetWindowValue<DWORD>(hwnd, GWL_STYLE) & WS_DISABLED))
            PostMessageA(hwnd, QVM_OBJECTSTARTSTOP, 1, 0);
        return 0;
    case QVM_OBJECTSTARTSTOP: {
        // The document is reached through the show window's handle, as
        // LockBlockSet does, without making the show window its owner.
        GlobalLocked<> document(GetWindowValue<HGLOBAL>(GetParent(hwnd), GWLP_USERDATA));
        if (!document)
            return 0;
        if (ObjectRecord<OBJECTTIMER> t(WindowObject(hwnd)); t) {
            OBJECTHEADER *o = &t->header;
            short request = (short)LOWORD(wParam);
            if (request == 1) {
                if (!(o->flags & OBJ_RUNNING)) {
                    o->flags |= OBJ_RUNNING;
                    // A delay beyond what a timer can wait waits as long as one can.
                    uint64_t ms = (uint64_t)t->delay * 1000;
                    if (ms > USER_TIMER_MAXIMUM)
                        ms = USER_TIMER_MAXIMUM;
                    if (ms)
                        t->timer = (uint32_t)SetTimer(hwnd, OBJECTTIMERID, (UINT)ms, NULL);
                }
                EnableWindow(hwnd, TRUE);
            } else if (request == 0) {
                if (o->flags & OBJ_RUNNING) {
                    if (t->timer)
                        KillTimer(hwnd, t->timer);
                    t->timer = 0;
                    o->flags &= ~OBJ_RUNNING;
                }
                EnableWindow(hwnd, FALSE);
            }
        }
        return 0;
    }
    case WM_TIMER:
        if (ObjectRecord<OBJECTTIMER> t(WindowObject(hwnd)); t && t->timer && wParam == t->timer) {
            KillTimer(hwnd, t->timer);
            t->timer = 0;
            uint32_t action = t->action, target = t->target;
            std::string text = GetTimerTargetText(t.get());
            t.Unlock();
            QV_DoAction(hwnd, GetParent(hwnd), action, target, text.c_str(), 0);
        }
        return 0;
    case WM_ACTIVATE:
        // Forwarded by the show window: DefWindowProc would take the focus.
        return 0;
    case WM_DESTROY:
        if (ObjectRecord<OBJECTTIMER> t(WindowObject(hwnd)); t) {
            if (t->timer)
                KillTimer(hwnd, t->timer);
            t->timer = 0;
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK QV_TimerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return QV_TimerMessage(hwnd, msg, wParam, lParam); });
}

static LRESULT PaintedObject(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        return 0;
    case WM_SIZE:
        InvalidateRect(hwnd, NULL, TRUE);
        return 0;
    case WM_ERASEBKGND:
        ErasePageObjectBackground(hwnd, (HDC)wParam, nullptr);
        return 0;
    case WM_PAINT: {
        PaintDC dc(hwnd);
        DrawPageObject(hwnd, dc, nullptr);
        return 0;
    }
    case WM_LBUTTONDOWN:
        PostMessageA(GetParent(hwnd), msg, wParam, lParam);
        return 0;
    case WM_ACTIVATE:
        // Forwarded by the show window: DefWindowProc would take the focus.
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK QV_TextProc(HWND h, UINT m, WPARAM w, LPARAM l) { return COMMONGuard(h, m, [&] { return PaintedObject(h, m, w, l); }); }
LRESULT CALLBACK QV_FrameProc(HWND h, UINT m, WPARAM w, LPARAM l) { return COMMONGuard(h, m, [&] { return PaintedObject(h, m, w, l); }); }

static LRESULT QV_StaticImageMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        PostMessageA(hwnd, QVM_OBJECTCREATED, 0, 0);
        return 0;
    case QVM_OBJECTCREATED:
        return 0;
    case WM_DESTROY:
        if (ObjectRecord<> o(WindowObject(hwnd)); o)
            o->flags &= ~OBJ_RUNNING;
        return 0;
    case WM_SIZE:
        InvalidateRect(hwnd, NULL, TRUE);
        return 0;
    case WM_ACTIVATE:
        return 0;
    case WM_PAINT: {
        PaintDC dc(hwnd);
        if (ObjectRecord<> o(WindowObject(hwnd)); o)
            DrawPageObject(hwnd, dc, nullptr);
        return 0;
    }
    case WM_LBUTTONDOWN:
        PostMessageA(GetParent(hwnd), msg, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK QV_StaticImageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return QV_StaticImageMessage(hwnd, msg, wParam, lParam); });
}
