// Movie objects: the AVI file a movie carries is copied into one buffer for
// the whole process and played by MCI's "avivideo" device through a file
// procedure over that buffer, so nothing is written out to play it. One
// movie plays at a time; starting another stops it first.
#include "common/owners.h"
#include "common/paths.h"
#include "common/guard.h"
#include "common/services.h"
#include "common/windowvalue.h"
#include "media/avicheck.h"
#include "media/sound.h"
#include "runtime/lifecycle.h"
#include "runtime/media.h"
#include "runtime/objdraw.h"
#include "runtime/runtime.h"
#include <digitalv.h>
#include <cstdio>
#include <cstring>
#include <new>

HGLOBAL AVIplaybuffer = NULL;
DWORD AVIbufferSize = 0;
HWND AVIobjecthwnd = NULL;

MCIERROR SystemMciCommand(MCIDEVICEID device, UINT msg, DWORD_PTR flags, DWORD_PTR params)
{
    return mciSendCommandA(device, msg, flags, params);
}

BOOL SystemMciErrorText(MCIERROR error, char *text, UINT size) { return mciGetErrorStringA(error, text, size); }

LRESULT CALLBACK AVIIOProc(LPSTR info, UINT msg, LPARAM lParam1, LPARAM lParam2)
{
    auto *mmio = (MMIOINFO *)info;
    if (!mmio)
        return -1;
    const LONG size = (LONG)AVIbufferSize;
    // Whatever the driver asks, the position stays within the buffer.
    auto within = [size](int64_t at) { return (LONG)(at < 0 ? 0 : at > size ? size : at); };
    switch (msg) {
    case MMIOM_OPEN:
        mmio->lDiskOffset = 0;
        return AVIplaybuffer ? 0 : MMIOERR_CANNOTOPEN;
    case MMIOM_CLOSE:
        return 0;
    case MMIOM_READ: {
        LONG at = within(mmio->lDiskOffset), count = (LONG)lParam2;
        if (count < 0 || (count && !lParam1))
            return -1;
        if (count > size - at)
            count = size - at;
        if (count > 0)
            memcpy((char *)lParam1, (const char *)AVIplaybuffer + at, (size_t)count);
        mmio->lDiskOffset = at + count;
        return count;
    }
    case MMIOM_SEEK: {
        int64_t offset = (LONG)lParam1, to = mmio->lDiskOffset;
        if (lParam2 == SEEK_SET)
            to = offset;
        else if (lParam2 == SEEK_CUR)
            to += offset;
        else if (lParam2 == SEEK_END)
            to = size + offset;
        mmio->lDiskOffset = within(to);
        return mmio->lDiskOffset;
    }
    default:
        return -1;
    }
}

// The MCI driver trusts the sizes it reads: the movie's structure is checked
// first, by the same check every AVI file passes before the platform reads it.
static bool SoundAvi(const char *bytes, uint32_t length)
{
    AVIFIRSTVIDEO video;
    return CheckAviData(bytes, length, &video);
}

static void FreeBuffer()
{
    if (AVIplaybuffer)
        GlobalFree(AVIplaybuffer);
    AVIplaybuffer = NULL;
    AVIbufferSize = 0;
}

void QV_MovieErrorText(const MEDIAHOST &media, MCIERROR error, char *text)
{
    text[0] = 0;
    if (!media.mcierrortext(error, text, MOVIEERRORTEXT) || !text[0])
        snprintf(text, MOVIEERRORTEXT, "MCI error %lu", (unsigned long)error);
}

MOVIEPLAY QV_PlayMovie(HWND hwnd, const MEDIAHOST &media, const char *bytes, uint32_t length, int *checked,
                       uint32_t *device, char *error)
{
    error[0] = 0;
    *device = MOVIENODEVICE;
    if (*checked == 0)
        *checked = bytes && SoundAvi(bytes, length) ? 1 : -1;
    if (*checked < 0) {
        QV_MovieErrorText(media, MCIERR_INVALID_FILE, error);
        return MOVIE_FAILED;
    }
    AVIplaybuffer = GlobalAlloc(GPTR, length);
    if (!AVIplaybuffer)
        return MOVIE_NOMEMORY;
    memcpy(AVIplaybuffer, bytes, length);
    AVIbufferSize = length;
    char type[] = "avivideo", element[sizeof MOVIEELEMENT];
    memcpy(element, MOVIEELEMENT, sizeof element);
    MCI_DGV_OPEN_PARMSA open{};
    open.lpstrDeviceType = type;
    open.lpstrElementName = element;
    open.dwStyle = WS_CHILD;
    open.hWndParent = hwnd;
    // A child window needs its parent named: without one the driver cannot
    // make the window it opens with.
    DWORD flags = MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_DGV_OPEN_WS | MCI_DGV_OPEN_PARENT;
    if (MCIERROR e = media.mcicommand(0, MCI_OPEN, flags, (DWORD_PTR)&open)) {
        QV_MovieErrorText(media, e, error);
        FreeBuffer();
        return MOVIE_FAILED;
    }
    *device = open.wDeviceID;
    MCI_DGV_WINDOW_PARMSA window{};
    window.hWnd = hwnd;
    media.mcicommand(open.wDeviceID, MCI_WINDOW, MCI_DGV_WINDOW_HWND, (DWORD_PTR)&window);
    MCI_PLAY_PARMS play{};
    play.dwCallback = (DWORD_PTR)hwnd;
    if (MCIERROR e = media.mcicommand(open.wDeviceID, MCI_PLAY, MCI_NOTIFY, (DWORD_PTR)&play)) {
        QV_MovieErrorText(media, e, error);
        MCI_GENERIC_PARMS close{};
        media.mcicommand(open.wDeviceID, MCI_CLOSE, MCI_WAIT, (DWORD_PTR)&close);
        *device = MOVIENODEVICE;
        FreeBuffer();
        return MOVIE_FAILED;
    }
    AVIobjecthwnd = hwnd;
    return MOVIE_PLAYING;
}

void QV_HaltMovie(HWND hwnd, const MEDIAHOST &media, uint32_t *device)
{
    if (*device != MOVIENODEVICE) {
        MCI_GENERIC_PARMS parms{};
        parms.dwCallback = (DWORD_PTR)hwnd;
        media.mcicommand(*device, MCI_STOP, MCI_NOTIFY | MCI_WAIT, (DWORD_PTR)&parms);
        media.mcicommand(*device, MCI_CLOSE, MCI_WAIT, (DWORD_PTR)&parms);
        *device = MOVIENODEVICE;
    }
    if (AVIobjecthwnd == hwnd) {
        FreeBuffer();
        AVIobjecthwnd = NULL;
    }
}

namespace {

using objectlife::Record;

constexpr int ERRORTEXT = MOVIEERRORTEXT;

// What the window keeps beside its record: the page under it until the
// record takes it, whether its movie has been found sound, and the error
// text it shows while marked running. It lives from WM_NCCREATE to
// WM_NCDESTROY.
struct MOVIESTATE {
    GdiObject<HBITMAP> pendinggrab;
    int checked = 0; // 0 not yet, 1 sound, -1 damaged
    char error[ERRORTEXT] = {};
};

MOVIESTATE *State(HWND hwnd) { return QV_ObjectState<MOVIESTATE>(hwnd); }

Record<OBJECTMOVIE> Movie(HWND hwnd) { return Record<OBJECTMOVIE>(hwnd, TAG_MOVI); }

constexpr uint32_t NODEVICE = MOVIENODEVICE;

// The AVI file inside the movie's data, or null when the record places it
// outside the data.
char *AviBytes(const Record<OBJECTMOVIE> &o, uint32_t *length)
{
    uint32_t size = 0;
    char *data = o.Data(&size);
    *length = 0;
    if (!data || o->avioffset > size || o->avilength > size - o->avioffset || !o->avilength)
        return nullptr;
    *length = o->avilength;
    return data + o->avioffset;
}

void ShowError(HWND hwnd, const char *text)
{
    WindowDC dc(hwnd);
    if (!dc)
        return;
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
    InflateRect(&r, -4, -4);
    SelectedObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, OPAQUE);
    DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_NOPREFIX);
}

// The players of the show the window stands on.
const MEDIAHOST &Media(HWND hwnd) { return QV_ShowHostOf(hwnd).media; }

// Opens and plays the movie; the error text when it cannot.
bool Play(HWND hwnd, OBJECTMOVIE *o, MOVIESTATE *state, const char *bytes, uint32_t length)
{
    MOVIEPLAY result = QV_PlayMovie(hwnd, Media(hwnd), bytes, length, &state->checked, &o->device, state->error);
    if (result == MOVIE_NOMEMORY)
        snprintf(state->error, ERRORTEXT, "%s", MOVIEMEMORYERROR);
    return result == MOVIE_PLAYING;
}

void Start(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    MOVIESTATE *state = State(hwnd);
    {
        auto o = Movie(hwnd);
        if (!o || !state || (o->header.flags & OBJ_RUNNING))
            return;
    }
    if (AVIobjecthwnd && AVIobjecthwnd != hwnd) {
        // One movie at a time: that one stops, then this one starts.
        HWND other = AVIobjecthwnd;
        if (IsWindow(other))
            SendMessageA(other, QVM_OBJECTSTARTSTOP, 0, 0);
        AVIobjecthwnd = NULL;
        PostMessageA(hwnd, QVM_OBJECTSTARTSTOP, wParam, lParam);
        return;
    }
    auto o = Movie(hwnd);
    if (!o)
        return;
    o->device = NODEVICE;
    o->header.flags |= OBJ_RUNNING;
    state->error[0] = 0;
    uint32_t length = 0;
    const char *bytes = AviBytes(o, &length);
    bool played = false;
    if (!bytes) {
        state->checked = -1;
        QV_MovieErrorText(Media(hwnd), MCIERR_INVALID_FILE, state->error);
    } else {
        played = Play(hwnd, o.get(), state, bytes, length);
    }
    // Marked running all the same, so that a stop request clears the text.
    if (!played)
        ShowError(hwnd, state->error);
}

// Stops and closes the device and, when this window's movie is the one
// playing, frees the shared copy.
void Halt(HWND hwnd, OBJECTMOVIE *o)
{
    QV_HaltMovie(hwnd, Media(hwnd), &o->device);
    o->header.flags &= ~OBJ_RUNNING;
    if (MOVIESTATE *state = State(hwnd))
        state->error[0] = 0;
}

void Stop(HWND hwnd)
{
    {
        auto o = Movie(hwnd);
        if (!o || !(o->header.flags & OBJ_RUNNING))
            return;
        Halt(hwnd, o.get());
    }
    InvalidateRect(hwnd, NULL, TRUE);
    UpdateWindow(hwnd);
}

void Notice(HWND hwnd, LPARAM device)
{
    auto o = Movie(hwnd);
    // Notices of devices this window no longer has open (the one its own
    // stop gives, or another's) change nothing.
    if (!o || o->device == NODEVICE || (MCIDEVICEID)device != o->device)
        return;
    MCI_GENERIC_PARMS close{};
    Media(hwnd).mcicommand(o->device, MCI_CLOSE, MCI_WAIT, (DWORD_PTR)&close);
    o->device = NODEVICE;
    PostMessageA(hwnd, QVM_OBJECTSTARTSTOP, 0, 0);
    objectlife::NotifyDone(hwnd, o->header.flags, o->notify);
}

void Paint(HWND hwnd)
{
    MOVIESTATE *state = State(hwnd);
    bool failed = false;
    {
        PaintDC dc(hwnd);
        auto o = Movie(hwnd);
        if (!o) {
            DrawPageObject(hwnd, dc, nullptr);
        } else if (o->header.flags & OBJ_RUNNING) {
            // MCI draws the video; a movie that could not play keeps its text.
            failed = state && state->error[0];
        } else if ((o->header.flags & OBJ_SOFTCUSTOM) && o->grab) {
            HBITMAP grab = (HBITMAP)(UINT_PTR)o->grab;
            BITMAP bm;
            MemoryDC mem(dc);
            if (GetObjectA(grab, sizeof bm, &bm) && mem.Select(grab))
                BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
        } else {
            DrawPageObject(hwnd, dc, nullptr);
        }
    }
    // Drawn once the painting has ended, through the window's own DC.
    if (failed)
        ShowError(hwnd, state->error);
}

} // namespace

static LRESULT QV_MovieMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCCREATE:
        if (!QV_BindObjectState<MOVIESTATE>(hwnd))
            return FALSE;
        break;
    case WM_CREATE: {
        // The page under the window, before the window covers it.
        auto *cs = (CREATESTRUCTA *)lParam;
        RECT r{cs->x, cs->y, cs->x + cs->cx, cs->y + cs->cy};
        WindowDC dc(GetParent(hwnd));
        HBITMAP grab = dc ? CopyScreenToBitmap(dc, &r) : NULL;
        if (MOVIESTATE *state = State(hwnd))
            state->pendinggrab.Reset(grab);
        PostMessageA(hwnd, QVM_OBJECTCREATED, 0, (LPARAM)grab);
        return 0;
    }
    case QVM_OBJECTCREATED: {
        MOVIESTATE *state = State(hwnd);
        HBITMAP grab = state ? state->pendinggrab.Release() : NULL;
        if (auto o = Movie(hwnd)) {
            o->grab = (uint32_t)(UINT_PTR)grab;
            o->device = NODEVICE;
            o->header.flags &= ~OBJ_RUNNING;
        } else if (grab) {
            DeleteObject(grab);
        }
        objectlife::StartUnlessDisabled(hwnd);
        return 0;
    }
    case QVM_OBJECTSTARTSTOP:
        if (objectlife::Request(wParam) == 1)
            Start(hwnd, wParam, lParam);
        else if (objectlife::Request(wParam) == 0)
            Stop(hwnd);
        return 0;
    case MM_MCINOTIFY:
        Notice(hwnd, lParam);
        return 0;
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 0;
    case WM_DESTROY:
        if (auto o = Movie(hwnd)) {
            if (o->grab)
                DeleteObject((HBITMAP)(UINT_PTR)o->grab);
            o->grab = 0;
            Halt(hwnd, o.get());
        } else {
            uint32_t none = NODEVICE;
            QV_HaltMovie(hwnd, Media(hwnd), &none);
        }
        return 0;
    case WM_NCDESTROY:
        QV_FreeObjectState<MOVIESTATE>(hwnd);
        break;
    }
    if (objectlife::CommonMessage(hwnd, msg, wParam, lParam, true))
        return 0;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK QV_MovieProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return QV_MovieMessage(hwnd, msg, wParam, lParam); });
}
