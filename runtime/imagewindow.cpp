// Image objects: the picture appears with one effect, waits and disappears
// with another, one step of the transition engine per timer tick; then the
// object stops and tells its target, or with the loop flag starts again.
#include "common/owners.h"
#include "common/services.h"
#include "common/guard.h"
#include "common/shell.h"
#include "media/dib.h"
#include "media/reduce.h"
#include "runtime/lifecycle.h"
#include "runtime/runtime.h"
#include "runtime/transition.h"

namespace {

using objectlife::Record;

constexpr UINT_PTR TICKTIMER = 1, WAITTIMER = 2;

Record<OBJECTIMAGE> Image(HWND hwnd) { return Record<OBJECTIMAGE>(hwnd, TAG_IMAG); }

// On palette displays the picture is brought to the standard palette once,
// here, rather than on every tick.
HGLOBAL Reduced(HGLOBAL picture, uint32_t flags)
{
    int width, height, depth;
    if (!picture || devicebits > 8 || !GetBitmapDimensions(picture, &width, &height, &depth, nullptr))
        return picture;
    char rgb[PALETTEBYTES];
    int bits = 0;
    GetDefaultPalette(rgb, &bits, 6);
    HGLOBAL reduced = (flags & OBJ_REMAP) ? RemapDib(picture, rgb, bits, 0) : DitherDib(picture, rgb, bits, 0);
    if (!reduced)
        return picture;
    GlobalFree(picture);
    return reduced;
}

void KillTimers(HWND hwnd, OBJECTIMAGE *o)
{
    if (o->timer1)
        KillTimer(hwnd, o->timer1);
    if (o->timer2)
        KillTimer(hwnd, o->timer2);
    o->timer1 = o->timer2 = 0;
}

// Frees everything the window made for its record and zeroes the fields,
// so nothing of a past showing is ever used again.
void Release(HWND hwnd, OBJECTIMAGE *o)
{
    KillTimers(hwnd, o);
    if (HGLOBAL h = (HGLOBAL)(UINT_PTR)o->status) {
        if (GlobalLocked<STATUS> s(h); s) {
            if (s->snapshot)
                DeleteObject(s->snapshot);
            s->snapshot = NULL;
            DestroyStatus(s.get());
        }
        GlobalFree(h);
    }
    if (o->picture)
        GlobalFree((HGLOBAL)(UINT_PTR)o->picture);
    o->status = o->picture = 0;
    o->header.flags &= ~OBJ_RUNNING;
}

void Created(HWND hwnd)
{
    if (auto o = Image(hwnd)) {
        // Whatever the fields hold is not this window's to free.
        o->timer1 = o->timer2 = 0;
        o->header.flags &= ~OBJ_RUNNING;
        HGLOBAL status = GlobalAlloc(GHND, STATUSBLOCKSIZE);
        HGLOBAL picture = Reduced(o.CopyData(), o->header.flags);
        // A record without a picture ticks through its phases and shows
        // nothing.
        if (GlobalLocked<STATUS> s(status); s) {
            // A wait stored as a negative number waits not at all.
            long wait = (long)(int32_t)o->wait;
            long speed = (long)(int32_t)o->speed;
            InitImageStatus(s.get(), picture, (int)o->appear, (int)o->disappear, speed, wait, nullptr);
            s->host = &QV_ShowHostOf(hwnd).transitions;
        }
        o->status = (uint32_t)(UINT_PTR)status;
        o->picture = (uint32_t)(UINT_PTR)picture;
    }
    objectlife::StartUnlessDisabled(hwnd);
}

void StartStop(HWND hwnd, short request)
{
    auto o = Image(hwnd);
    if (!o)
        return;
    if (request == 1 && !(o->header.flags & OBJ_RUNNING)) {
        // Without its record the picture never runs.
        GlobalLocked<STATUS> s((HGLOBAL)(UINT_PTR)o->status);
        if (!s)
            return;
        // The engine keeps the speed within 0..80, so the period is 1..81 ms.
        o->timer1 = (uint32_t)SetTimer(hwnd, TICKTIMER, (UINT)(81 - s->speed), NULL);
        o->timer2 = (uint32_t)SetTimer(hwnd, WAITTIMER, 1000, NULL);
        o->header.flags |= OBJ_RUNNING;
    } else if (request == 0 && (o->header.flags & OBJ_RUNNING)) {
        KillTimers(hwnd, o.get());
        o->header.flags &= ~OBJ_RUNNING;
    }
}

void Tick(HWND hwnd, STATUS *s)
{
    WindowDC dc(hwnd);
    if (!dc)
        return;
    if (!s->background) {
        RECT client;
        GetClientRect(hwnd, &client);
        s->background = CopyScreenToBitmap(dc, &client);
    }
    s->xorigin = s->yorigin = 0;
    HandleOnceCell(hwnd, dc, s);
}

void Timer(HWND hwnd, WPARAM id)
{
    auto o = Image(hwnd);
    if (!o)
        return;
    GlobalLocked<STATUS> s((HGLOBAL)(UINT_PTR)o->status);
    if (!s)
        return;
    if (id == TRANSITION_ENDTIMER) {
        // Taken even while the show is inactive: the cycle is over, and a
        // lost end would leave its bitmaps and its target's start behind.
        DestroyStatus(s.get());
        s->current = STATUS_NEWCYCLE;
        if (!(o->header.flags & OBJ_LOOP) && (o->header.flags & OBJ_RUNNING)) {
            KillTimers(hwnd, o.get());
            o->header.flags &= ~OBJ_RUNNING;
            objectlife::NotifyDone(hwnd, o->header.flags, o->notify);
        }
        return;
    }
    if (o->header.flags & OBJ_DEACTIVATED)
        return;
    if (o->timer1 && id == o->timer1) {
        Tick(hwnd, s.get());
    } else if (o->timer2 && id == o->timer2) {
        if (s->countdown > 0 && s->phase == PHASE_WAIT)
            s->countdown--;
    }
}

void Paint(HWND hwnd)
{
    PaintDC dc(hwnd);
    if (auto o = Image(hwnd)) {
        GlobalLocked<STATUS> s((HGLOBAL)(UINT_PTR)o->status);
        BITMAP bm;
        if (s && s->snapshot && GetObjectA(s->snapshot, sizeof bm, &bm)) {
            MemoryDC mem(dc);
            if (mem.Select(s->snapshot))
                BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
        }
    }
}

void Destroy(HWND hwnd)
{
    if (auto o = Image(hwnd))
        Release(hwnd, o.get());
}

const objectlife::TIMEDWINDOW imagewindow{Created, StartStop, Timer, Paint, Destroy, false};

} // namespace

LRESULT CALLBACK QV_ImageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg,
                       [&] { return objectlife::TimedWindowMessage(hwnd, msg, wParam, lParam, imagewindow); });
}
