// Animation objects: one frame per one-shot timer, each composed over the
// page under the window and the frame before it, for the frame's own delay;
// after the repeat count of passes the object stops and tells its target.
#include "common/owners.h"
#include "common/services.h"
#include "common/guard.h"
#include "common/shell.h"
#include "media/dib.h"
#include "media/reduce.h"
#include "runtime/background.h"
#include "runtime/cells.h"
#include "runtime/lifecycle.h"
#include "runtime/runtime.h"
#include <cstring>

namespace {

using objectlife::Record;

constexpr UINT_PTR FRAMETIMER = 2;

Record<OBJECTANIM> Anim(HWND hwnd) { return Record<OBJECTANIM>(hwnd, TAG_ANIM); }

// The frames the animation runs through: those its record names and its
// data holds, whichever are fewer.
uint32_t FrameCount(const Record<OBJECTANIM> &o, char *data, uint32_t size)
{
    if (!data || size < sizeof(ANIMHEADER))
        return 0;
    uint32_t held = ((const ANIMHEADER *)data)->frames;
    return o->frames < held ? o->frames : held;
}

// The current frame's picture and record, or null when the data does not
// hold it whole.
BITMAPINFOHEADER *Frame(const Record<OBJECTANIM> &o, uint32_t index, OBJECTANIMFRAME *frame)
{
    uint32_t size = 0;
    char *data = o.Data(&size);
    if (index >= FrameCount(o, data, size))
        return nullptr;
    return FindAnimationCell(data, size, index, frame);
}

UINT Delay(uint32_t ms)
{
    if (!ms)
        return 1;
    return ms > USER_TIMER_MAXIMUM ? USER_TIMER_MAXIMUM : ms;
}

void DeleteGrabs(OBJECTANIM *o)
{
    if (o->firstgrab)
        DeleteObject((HBITMAP)(UINT_PTR)o->firstgrab);
    if (o->grab)
        DeleteObject((HBITMAP)(UINT_PTR)o->grab);
    o->firstgrab = o->grab = 0;
}

void KillFrameTimer(HWND hwnd, OBJECTANIM *o)
{
    if (o->timer)
        KillTimer(hwnd, o->timer);
    o->timer = 0;
}

void Created(HWND hwnd)
{
    if (auto o = Anim(hwnd)) {
        // Whatever the fields hold is not this window's to free.
        o->timer = o->firstgrab = o->grab = 0;
        o->current = 0;
        o->passes = 0;
        o->lastframe = -1;
        SetRectEmpty(&o->lastcell);
        o->header.flags &= ~OBJ_RUNNING;
    }
    objectlife::StartUnlessDisabled(hwnd);
}

void StartStop(HWND hwnd, short request)
{
    auto o = Anim(hwnd);
    if (!o)
        return;
    if (request == 1 && !(o->header.flags & OBJ_RUNNING)) {
        OBJECTANIMFRAME frame;
        if (Frame(o, o->current, &frame)) {
            o->passes = 0;
            o->timer = (uint32_t)SetTimer(hwnd, FRAMETIMER, Delay(frame.delay), NULL);
        }
        o->header.flags |= OBJ_RUNNING;
    } else if (request == 0 && (o->header.flags & OBJ_RUNNING)) {
        KillFrameTimer(hwnd, o.get());
        o->header.flags &= ~OBJ_RUNNING;
    }
}

// A frame brought to the standard palette of palette displays, with its
// transparent value moved to the matching entry; null when it need not be.
HGLOBAL ReducedFrame(BITMAPINFOHEADER *cell, uint32_t flags, unsigned long *transparent)
{
    if (devicebits > 8 || (flags & OBJ_SOFTCUSTOM))
        return NULL;
    HGLOBAL copy = CopyBitmapToHandle(cell);
    if (!copy)
        return NULL;
    char rgb[PALETTEBYTES];
    int bits = 0;
    GetDefaultPalette(rgb, &bits, 6);
    HGLOBAL reduced = RemapDib(copy, rgb, bits, 0);
    GlobalFree(copy);
    if (!reduced)
        return NULL;
    unsigned long t = *transparent;
    int red, green, blue;
    if (cell->biBitCount > 8) {
        red = (int)(t & 0xFF), green = (int)(t >> 8 & 0xFF), blue = (int)(t >> 16 & 0xFF);
    } else {
        char own[PALETTEBYTES] = {};
        GetDibPalette((const BITMAPINFO *)cell, own);
        unsigned i = t < 256 ? (unsigned)t : 0;
        red = (uint8_t)own[3 * i], green = (uint8_t)own[3 * i + 1], blue = (uint8_t)own[3 * i + 2];
    }
    GlobalLocked<BITMAPINFOHEADER> r(reduced);
    int entries = 1 << (r && r->biBitCount <= 8 ? r->biBitCount : bits);
    *transparent = (unsigned long)FindPaletteColour(red, green, blue, rgb, entries);
    return reduced;
}

// The player keeps a reduced cell that fits in place of the stored one,
// with its transparent value in the frame record, and marks the animation:
// that is all the reducing it does for it.
void KeepReduced(OBJECTANIM *o, uint32_t index, BITMAPINFOHEADER *cell, const OBJECTANIMFRAME &frame,
                 HGLOBAL reduced, unsigned long transparent)
{
    GlobalLocked<BITMAPINFOHEADER> r(reduced);
    DIBLAYOUT layout;
    if (!r || !DibHeaderLayout(r.get(), &layout) || layout.total > frame.size || layout.total > r.size())
        return;
    memcpy(cell, r.get(), layout.total);
    OBJECTANIMFRAME kept = frame;
    kept.transparent = (uint32_t)transparent;
    memcpy(ObjectData(&o->header) + sizeof(ANIMHEADER) + (size_t)index * sizeof(OBJECTANIMFRAME), &kept,
           sizeof kept);
    o->header.flags |= OBJ_SOFTCUSTOM;
}

void DrawFrame(HWND hwnd, OBJECTANIM *o, uint32_t index, BITMAPINFOHEADER *cell, const OBJECTANIMFRAME &frame)
{
    RECT client;
    GetClientRect(hwnd, &client);
    WindowDC dc(hwnd);
    if (!dc)
        return;
    if (!o->firstgrab)
        o->firstgrab = (uint32_t)(UINT_PTR)CopyScreenToBitmap(dc, &client);
    if (o->grab)
        DeleteObject((HBITMAP)(UINT_PTR)o->grab);
    o->grab = (uint32_t)(UINT_PTR)CopyScreenToBitmap(dc, &client);
    unsigned long transparent = frame.transparent;
    HGLOBAL reduced = ReducedFrame(cell, o->header.flags, &transparent);
    BITMAPINFOHEADER *shown = reduced ? (BITMAPINFOHEADER *)GlobalLock(reduced) : cell;
    if (shown && o->firstgrab)
        DrawAnimationCell(hwnd, dc, shown, frame.x, frame.y, &client, &o->lastcell, frame.flags, transparent,
                          (HBITMAP)(UINT_PTR)o->firstgrab, (HBITMAP)(UINT_PTR)o->grab);
    LONG depth = cell->biHeight < 0 ? -cell->biHeight : cell->biHeight;
    o->lastcell = {client.left + frame.x, client.top + frame.y, client.left + frame.x + cell->biWidth,
                   client.top + frame.y + depth};
    if (reduced) {
        GlobalUnlock(reduced);
        if (QV_ShowHostOf(hwnd).variant.keepreduced)
            KeepReduced(o, index, cell, frame, reduced, transparent);
        GlobalFree(reduced);
    }
}

void Timer(HWND hwnd, WPARAM id)
{
    auto o = Anim(hwnd);
    if (!o || !o->timer || id != o->timer || (o->header.flags & OBJ_DEACTIVATED))
        return;
    uint32_t size = 0;
    char *data = o.Data(&size);
    uint32_t count = FrameCount(o, data, size);
    KillFrameTimer(hwnd, o.get());
    // Nothing to show: the animation rests until it is stopped.
    if (!count)
        return;
    if (o->current >= count)
        o->current = 0;
    OBJECTANIMFRAME frame{};
    if (BITMAPINFOHEADER *cell = FindAnimationCell(data, size, o->current, &frame))
        DrawFrame(hwnd, o.get(), o->current, cell, frame);
    o->lastframe = (int32_t)o->current;
    if (++o->current >= count) {
        o->current = 0;
        o->passes++;
    }
    if (o->repeat && o->passes >= o->repeat) {
        PostMessageA(hwnd, QVM_OBJECTSTARTSTOP, 0, 0);
        objectlife::NotifyDone(hwnd, o->header.flags, o->notify);
    } else {
        o->timer = (uint32_t)SetTimer(hwnd, FRAMETIMER, Delay(frame.delay), NULL);
    }
}

void Paint(HWND hwnd)
{
    PaintDC dc(hwnd);
    OBJECTANIMFRAME frame;
    BITMAPINFOHEADER *cell = nullptr;
    auto o = Anim(hwnd);
    if (o && o->lastframe >= 0)
        cell = Frame(o, (uint32_t)o->lastframe, &frame);
    if (cell) {
        RECT client;
        GetClientRect(hwnd, &client);
        GdiObject<HBITMAP> under(CopyScreenToBitmap(dc, &client)), previous(CopyScreenToBitmap(dc, &client));
        if (under && previous)
            DrawAnimationCell(hwnd, dc, cell, frame.x, frame.y, &client, &client, frame.flags, frame.transparent,
                              under, previous);
    }
}

void Destroy(HWND hwnd)
{
    if (auto o = Anim(hwnd)) {
        o->current = 0;
        DeleteGrabs(o.get());
        KillFrameTimer(hwnd, o.get());
        o->header.flags &= ~OBJ_RUNNING;
    }
}

const objectlife::TIMEDWINDOW animwindow{Created, StartStop, Timer, Paint, Destroy, true};

} // namespace

LRESULT CALLBACK QV_AnimProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg,
                       [&] { return objectlife::TimedWindowMessage(hwnd, msg, wParam, lParam, animwindow); });
}
