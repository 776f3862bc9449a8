// One cycle of an image object: set-up, appear, wait, disappear. Every tick
// runs one operation of the effect rows the object names, then brings the
// snapshot the caller repaints from up to date.
#include "runtime/transition.h"
#include "media/dib.h"
#include "runtime/runtime.h"
#include "runtime/scratchdc.h"
#include <cstdlib>
#include <cstring>

bool DefaultClientSize(HWND hwnd, HDC hdc, int *width, int *height)
{
    RECT r{};
    if (hwnd && IsWindow(hwnd)) {
        if (!GetClientRect(hwnd, &r))
            return false;
        *width = r.right;
        *height = r.bottom;
        return true;
    }
    // A memory DC: its surface is the bitmap selected into it.
    BITMAP bm{};
    HGDIOBJ surface = hdc ? GetCurrentObject(hdc, OBJ_BITMAP) : NULL;
    if (!surface || !GetObjectA(surface, sizeof(bm), &bm))
        return false;
    *width = bm.bmWidth;
    *height = bm.bmHeight;
    return true;
}

void DefaultEndCycle(HWND hwnd) { PostMessageA(hwnd, WM_TIMER, TRANSITION_ENDTIMER, 0); }

static const TRANSITIONHOST &Host(const STATUS *status)
{
    return status->host ? *status->host : QV_SystemHost.transitions;
}

int EffectRandom(int n) { return n <= 0 ? 0 : rand() % n; }

int16_t InitImageStatus(STATUS *status, void *image, int appear, int disappear, long speed, long wait,
                        void *background)
{
    memset(status, 0, sizeof(*status));
    status->image = (HGLOBAL)image;
    status->appear = appear;
    status->disappear = disappear;
    // The timer period is 81 - speed ms: a speed outside 0..80 from a damaged
    // object would make it zero or negative.
    status->speed = speed < 0 ? 0 : speed > TRANSITION_MAXSPEED ? TRANSITION_MAXSPEED : (int32_t)speed;
    status->wait = wait < 0 ? 0 : (int32_t)wait;
    status->background = (HBITMAP)background;
    status->current = STATUS_NEWCYCLE;
    status->fullsnapshot = 1;
    int width = 0, height = 0, bits = 0;
    if (!GetBitmapDimensions(status->image, &width, &height, &bits, status->palette))
        return 0;
    status->width = width;
    status->height = height;
    status->bits = bits;
    return 1;
}

void ChangePhase(STATUS *status)
{
    switch (status->phase) {
    case PHASE_SETUP:
        status->phase = PHASE_APPEAR;
        break;
    case PHASE_APPEAR:
        status->phase = PHASE_WAIT;
        status->countdown = status->wait;
        break;
    case PHASE_WAIT:
        status->phase = PHASE_DISAPPEAR;
        break;
    default:
        status->phase = PHASE_SETUP;
        break;
    }
}

int16_t DestroyStatus(STATUS *status)
{
    ReleaseEffectBitmap(status->bitmap);
    free(status->list);
    free(status->order);
    if (status->spare)
        GlobalFree(status->spare);
    if (status->background)
        DeleteObject(status->background);
    status->bitmap = NULL;
    status->list = nullptr;
    status->order = nullptr;
    status->spare = NULL;
    status->background = NULL;
    return 1;
}

int16_t GetImage(void *, STATUS *status) { return status->image ? 1 : 0; }

// Brings the snapshot up to date: whole when the cycle is new or the client
// changed size, else only over what the tick drew.
static void TakeSnapshot(STATUS *status)
{
    int width = 0, height = 0;
    if (!Host(status).clientsize(status->hwnd, status->hdc, &width, &height) || width <= 0 || height <= 0) {
        if (status->snapshot)
            DeleteObject(status->snapshot);
        status->snapshot = NULL;
        return;
    }
    // The bitmap is kept while the size holds: a fresh one costs more in
    // first-touched memory than the copy itself.
    BITMAP bm{};
    bool samesize = status->snapshot && GetObjectA(status->snapshot, sizeof(bm), &bm) && bm.bmWidth == width &&
                    bm.bmHeight == height;
    bool reuse = samesize && !status->fullsnapshot;
    ScratchDC scratch;
    HDC mem = scratch.dc();
    if (!mem) {
        if (status->snapshot)
            DeleteObject(status->snapshot);
        status->snapshot = NULL;
        return;
    }
    RECT area{0, 0, width, height};
    if (reuse) {
        IntersectRect(&area, &area, &status->drawn);
    } else if (!samesize) {
        if (status->snapshot)
            DeleteObject(status->snapshot);
        status->snapshot = CreateCompatibleBitmap(status->hdc, width, height);
    }
    if (status->snapshot && !IsRectEmpty(&area) && SelectObject(mem, status->snapshot))
        BitBlt(mem, area.left, area.top, area.right - area.left, area.bottom - area.top, status->hdc, area.left,
               area.top, SRCCOPY);
    if (status->snapshot)
        status->fullsnapshot = 0;
    SetRectEmpty(&status->drawn);
}

static int PaletteEntries(const STATUS *status)
{
    // Deeper pictures have no table: a count past 256 realises nothing.
    return status->bits > 0 && status->bits <= 8 ? 1 << status->bits : 257;
}

// Ends the cycle: the record goes back to its rest state before the caller
// hears of it, whatever ended it.
static void EndCycle(STATUS *status)
{
    status->current = STATUS_NEWCYCLE;
    status->phase = PHASE_SETUP;
    status->fullsnapshot = 1;
    Host(status).endcycle(status->hwnd);
}

void HandleOnceCell(void *hwnd, void *hdc, STATUS *status)
{
    if (status->current == STATUS_NEWCYCLE) {
        if (!GetImage(hwnd, status)) {
            ChangePhase(status);
            return;
        }
        // A row number from a damaged object names no row: such a picture
        // is never shown, and nothing is called through the table.
        if (!ValidEffect(status->appear))
            return;
        status->current = (uint32_t)status->appear;
        status->hdc = (HDC)hdc;
        status->hwnd = (HWND)hwnd;
        status->fullsnapshot = 1;
        PALSTATE pal{};
        RealizeWindowPalette(status->hdc, &pal, status->palette, PaletteEntries(status));
        uint16_t result = effect[status->appear].Setup(status);
        TakeSnapshot(status);
        UnrealizeWindowPalette(status->hdc, &pal);
        if (result & EFFECT_FAILED) {
            EndCycle(status);
            return;
        }
        ChangePhase(status);
        return;
    }
    status->hdc = (HDC)hdc;
    status->hwnd = (HWND)hwnd;
    if (!ValidEffect(status->appear))
        return;
    PALSTATE pal{};
    RealizeWindowPalette(status->hdc, &pal, status->palette, PaletteEntries(status));
    uint16_t result = 0;
    switch (status->phase) {
    case PHASE_APPEAR:
        result = effect[status->appear].Appear(status);
        break;
    case PHASE_WAIT:
        result = effect[status->appear].Wait(status);
        break;
    case PHASE_DISAPPEAR:
        if (ValidEffect(status->disappear)) {
            result = effect[status->disappear].Disappear(status);
            if (result & EFFECT_DONE)
                effect[status->disappear].Close(status);
        } else {
            // No row to take the picture away: it stays, as with No Clear,
            // and the cycle still ends so the object's target hears of it.
            ReleaseEffectBitmap(status->bitmap);
            status->bitmap = NULL;
            result = EFFECT_DONE;
        }
        break;
    default:
        break;
    }
    TakeSnapshot(status);
    UnrealizeWindowPalette(status->hdc, &pal);
    if (result & EFFECT_FAILED) {
        EndCycle(status);
        return;
    }
    if (result & EFFECT_DONE)
        ChangePhase(status);
    if (status->phase == PHASE_SETUP)
        EndCycle(status);
}

// --- Random Effect ------------------------------------------------------

static int PickRow(STATUS *status, bool appearing)
{
    for (;;) {
        int r = EffectRandom(MAXEFFECT);
        if (r != status->pick && (appearing ? effect[r].randomappear : effect[r].randomdisappear))
            return r;
    }
}

// `pick` is only ever set from the table's rows, but the record may come
// from a caller that zeroed it or worse.
static const EFFECT &Picked(STATUS *status)
{
    if (!ValidEffect(status->pick) || status->pick == 6)
        status->pick = 0;
    return effect[status->pick];
}

uint16_t SetupRandom(STATUS *status)
{
    status->pick = PickRow(status, true);
    return effect[status->pick].Setup(status);
}

uint16_t AppearRandom(STATUS *status) { return Picked(status).Appear(status); }
uint16_t DisappearRandom(STATUS *status) { return Picked(status).Disappear(status); }
uint16_t CloseRandom(STATUS *status) { return Picked(status).Close(status); }

uint16_t WaitRandom(STATUS *status)
{
    uint16_t result = Picked(status).Wait(status);
    if (result == EFFECT_DONE)
        status->pick = PickRow(status, false);
    return result;
}
