// The animation object's preview: the frames drawn as the show's animation
// window draws them, one per one-shot timer, over the document's background.
// Every frame is taken through the bounded cell lookup, so a damaged block
// shows what it holds whole and nothing else.
#include "editors/animdialog.h"
#include "editors/imagepreview.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/applet.h"
#include "media/dib.h"
#include "resources/animdialog_ids.h"
#include "resources/editorframe_ids.h"
#include "runtime/cells.h"
#include <algorithm>

namespace {

constexpr UINT_PTR FRAMETIMER = 2;
constexpr double CATCHUP = 1000; // ms
// Larger than any screen: a size past it is damage, not an animation.
constexpr int32_t MAXPREVIEWSIDE = 32767;

double Milliseconds()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

// The animation block of a locked object: what its sizes claim, cut to what
// its memory holds.
bool AnimationBlock(OBJECTANIM *o, char **data, uint32_t *size)
{
    SIZE_T have = GlobalSize(GlobalHandle(o));
    const OBJECTHEADER &h = o->header;
    if (have < sizeof(OBJECTANIM) || h.fixedsize < sizeof(OBJECTANIM) || h.fixedsize >= have)
        return false;
    *data = (char *)o + h.fixedsize;
    *size = (uint32_t)std::min<uint64_t>(h.datasize, have - h.fixedsize);
    return *size >= sizeof(ANIMHEADER);
}

// True when at least one frame can be drawn: a preview of none would only
// spin its timer.
bool AnyFrame(const PREVIEWANIM &r)
{
    uint32_t records = (uint32_t)((r.size - sizeof(ANIMHEADER)) / sizeof(OBJECTANIMFRAME));
    for (uint32_t i = 0; i < r.frames && i < records; i++)
        if (FindAnimationCell(r.data, r.size, i, nullptr))
            return true;
    return false;
}

void KillFrameTimer(HWND dlg, PREVIEWANIM *r)
{
    if (r->timer)
        KillTimer(dlg, r->timer);
    r->timer = 0;
}

// Places far off the window are all as good as each other; held near it,
// no sum made of them can overflow.
LONG Bounded(int64_t v)
{
    return (LONG)std::clamp<int64_t>(v, -0x10000, 0x10000);
}

// The window's client area copied into `*bitmap`, made the first time and
// filled again after: a fresh bitmap for every frame costs the system more
// than the copy does.
void Grab(HDC dc, const RECT &client, HBITMAP *bitmap)
{
    if (!*bitmap) {
        *bitmap = CopyScreenToBitmap(dc, &client);
        return;
    }
    HDC mem = CreateCompatibleDC(dc);
    if (!mem)
        return;
    HGDIOBJ old = SelectObject(mem, *bitmap);
    BitBlt(mem, 0, 0, client.right - client.left, client.bottom - client.top, dc, client.left, client.top, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void DrawFrame(HWND dlg, PREVIEWANIM *r, BITMAPINFOHEADER *cell, const OBJECTANIMFRAME &frame)
{
    HDC dc = GetDC(dlg);
    if (!dc)
        return;
    RECT client;
    GetClientRect(dlg, &client);
    if (!r->background)
        r->background = CopyScreenToBitmap(dc, &client);
    Grab(dc, client, &r->screen);
    LONG x = Bounded(frame.x), y = Bounded(frame.y);
    DrawAnimationCell(dlg, dc, cell, x, y, &client, &r->lastcell, frame.flags, frame.transparent, r->background,
                      r->screen);
    int64_t left = (int64_t)client.left + x, top = (int64_t)client.top + y;
    int64_t depth = cell->biHeight < 0 ? -(int64_t)cell->biHeight : cell->biHeight;
    r->lastcell = {Bounded(left), Bounded(top), Bounded(left + cell->biWidth), Bounded(top + depth)};
    ReleaseDC(dlg, dc);
}

void Tick(HWND dlg, PREVIEWANIM *r)
{
    OBJECTANIM *o = r->object;
    KillFrameTimer(dlg, r);
    double now = Milliseconds();
    if (!r->due)
        r->due = now;
    if (o->current >= r->frames)
        o->current = 0;
    OBJECTANIMFRAME frame{};
    if (BITMAPINFOHEADER *cell = FindAnimationCell(r->data, r->size, o->current, &frame))
        DrawFrame(dlg, r, cell, frame);
    if (++o->current >= r->frames) {
        o->current = 0;
        o->passes++;
    }
    // The last pass leaves its last frame standing until the user closes.
    if (o->repeat && o->passes >= o->repeat)
        return;
    // The next frame is due the delay after this one was: the time spent
    // drawing, and the platform's shortest wait, come out of the following
    // waits instead of adding to every frame. A preview that has fallen more
    // than a second behind (held up by the system) starts counting afresh
    // rather than rushing frames out to catch up.
    double delay = std::clamp<double>(frame.delay, 1, USER_TIMER_MAXIMUM);
    now = Milliseconds();
    r->due += delay;
    if (r->due < now - CATCHUP)
        r->due = now;
    UINT wait = (UINT)std::clamp<double>(r->due - now, 1, USER_TIMER_MAXIMUM);
    r->timer = SetTimer(dlg, FRAMETIMER, wait, NULL);
}

} // namespace

int PreviewAnimObject(HWND owner, BLOCK *page, HWND list, OBJECTANIM *object, HWND *running)
{
    PREVIEWANIM r{};
    ANIMHEADER *head = nullptr;
    if (object && AnimationBlock(object, &r.data, &r.size))
        head = FindAnimationHeader(r.data);
    if (!head || head->width <= 0 || head->height <= 0 || head->width > MAXPREVIEWSIDE ||
        head->height > MAXPREVIEWSIDE) {
        DoMessage(owner, FetchString(IDS_ANIMSIZEERROR));
        return 0;
    }
    BLOCK header{};
    if (!GetHeaderBlock(list, nullptr, &header)) {
        DoMessage(owner, FetchString(IDS_BLOCKACCESS));
        return 0;
    }
    r.frames = std::min(object->frames, head->frames);
    if (!AnyFrame(r)) {
        DoMessage(owner, FetchString(IDS_ANIMNOFRAMES));
        return 0;
    }
    r.page = page;
    r.object = object;
    r.width = head->width;
    r.height = head->height;
    r.running = running;
    r.brush = CreateSolidBrush(GetBlockBackgroundColour(owner, &header));
    int result = RunPreviewBox(owner, PreviewAnimProc, &r, r.brush);
    if (r.background)
        DeleteObject(r.background);
    if (r.screen)
        DeleteObject(r.screen);
    return result;
}

INT_PTR CALLBACK PreviewAnimProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    PREVIEWANIM *r = DialogState<PREVIEWANIM>(dlg);
    if (int ending = PreviewBoxEnding(msg, wParam); ending >= 0) {
        if (r)
            KillFrameTimer(dlg, r);
        EndDialog(dlg, ending);
        return TRUE;
    }
    if (PaintPreviewBox(dlg, msg, wParam, r ? r->brush : NULL))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG:
        r = (PREVIEWANIM *)lParam;
        if (r->running)
            *r->running = dlg;
        OpenPreviewBox(dlg, lParam, r->width, r->height, FetchString(IDS_ANIMCAPTION), (int)r->object->header.number);
        r->object->current = 0;
        r->object->passes = 0;
        r->timer = SetTimer(dlg, FRAMETIMER, 1, NULL);
        return FALSE;
    case WM_TIMER:
        if (r && wParam == FRAMETIMER && r->timer)
            Tick(dlg, r);
        return TRUE;
    case WM_DESTROY:
        if (r) {
            KillFrameTimer(dlg, r);
            if (r->running)
                *r->running = NULL;
        }
        return FALSE;
    }
    return FALSE;
}
