// The applet object's window and the host its scripts run with.
//
// The object's record (the page BLOCK's own handle, in GWL_USERDATA) keeps
// the running flags and, in its `applet` field, the APPLET being run. The
// window keeps a small record of its own beside it: the same APPLET pointer,
// which is the one trusted (the record's field may hold anything a damaged
// file put there before the window reset it), whether a step it posted to
// itself is still queued, whether its script played a sound, and how the
// script last stopped.
//
// A line may wait in a message box, and the box's modal loop may deliver a
// stop request, a page change that destroys the window, or another step.
// None of them frees the APPLET under the line: APPLETFreeApplet defers to
// the end of the line, and the step handler that ran the line frees the
// record then.
#include "applet/appletwindow.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "document/record.h"
#include "media/dib.h"
#include "media/sound.h"
#include "runtime/media.h"
#include "runtime/runtime.h"
#include <shellapi.h>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

const char PROFILEFILE[] = "Showbinder.INI";
constexpr UINT_PTR APPLETTIMER = 2;
constexpr int FIXEDPALETTE = 6;

// The window's own record, from WM_NCCREATE to WM_NCDESTROY.
struct WINDOWSTATE {
    APPLET *applet = nullptr;
    bool pending = false; // a QVM_APPLETSTEP this window posted is still queued
    bool played = false;  // the script started a sound since it started
    int result = 0;
    int errorline = -1;
    APPLETFRAMEDCS dcs{};

    WINDOWSTATE() = default;
    WINDOWSTATE(const WINDOWSTATE &) = delete;
    WINDOWSTATE &operator=(const WINDOWSTATE &) = delete;
    ~WINDOWSTATE() { APPLETForgetFrameDCs(&dcs); }
};

WINDOWSTATE *StateOf(HWND window) { return QV_ObjectState<WINDOWSTATE>(window); }

// The window's own object record, locked for one scope; false when the
// window holds no applet record.
struct OwnObject : ObjectRecord<OBJECTAPPLET> {
    explicit OwnObject(HWND window) : ObjectRecord<OBJECTAPPLET>(WindowObject(window)) {}
};

// The show's abort test, run after every line.
bool Aborted(HWND window)
{
    int (*poll)(HWND) = QV_ShowHostOf(window).abortpoll;
    return poll && poll(window);
}

// The show window the applet window stands on; NULL when the window is gone
// or stands on something else.
HWND ShowOf(HWND window)
{
    HWND parent = window && IsWindow(window) ? GetParent(window) : NULL;
    char name[32];
    if (!parent || !GetClassNameA(parent, name, sizeof name) || strcmp(name, QVCLASS_appwindow) != 0)
        return NULL;
    return parent;
}

// The show's document, locked for one scope through the show window's
// handle as LockBlockSet would, without making the show its owner.
class ShowDocument {
public:
    explicit ShowDocument(HWND show) : lock(show ? GetWindowValue<HGLOBAL>(show, GWLP_USERDATA) : NULL)
    {
        if (lock.size() >= sizeof(BLOCKSET))
            set = lock.get();
    }
    bool Page(BLOCK *page) const
    {
        return set && set->current >= 0 && GetBlock(set->list, (unsigned)set->current, page) &&
               page->tag == TAG_PAGE;
    }
    bool Header(BLOCK *header) const { return set && GetHeaderBlock(set->list, set, header); }
    int Count() const { return set ? (int)SendMessageA(set->list, LB_GETCOUNT, 0, 0) : 0; }

    BLOCKSET *set = nullptr;

private:
    GlobalLocked<BLOCKSET> lock;
};

// The window of page object `number` of the show's current page. Only a
// child that carries the very record the page holds for that number counts:
// another child with that id (the player's block list is number 10) or a
// window left from elsewhere is no object of the page.
HWND FindObjectWindow(HWND show, int number)
{
    HGLOBAL record = NULL;
    {
        ShowDocument doc(show);
        BLOCK page;
        if (!doc.Page(&page))
            return NULL;
        for (uint32_t i = 0, n = BlockObjectCount(&page); i < n && !record; i++) {
            HGLOBAL h = GetPageObject(&page, i);
            ObjectRecord<> o(h);
            if (o && o->number == (uint32_t)number)
                record = h;
        }
    }
    if (!record)
        return NULL;
    for (HWND child = GetWindow(show, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == number && GetWindowValue<HGLOBAL>(child, GWLP_USERDATA) == record)
            return child;
    return NULL;
}

void PostStep(HWND window, WINDOWSTATE *s)
{
    if (!s->pending && PostMessageA(window, QVM_APPLETSTEP, 0, 0))
        s->pending = true;
}

// Frees an APPLET unless one of its lines is still running; that line's
// step handler frees it when the line returns.
void Release(APPLET *a)
{
    if (a && APPLETFreeApplet(a))
        free(a);
}

void StopSound(HWND window, WINDOWSTATE *s)
{
    // Only a sound of the script's own: an applet that never played one
    // leaves the page's background sound alone.
    if (s && s->played) {
        APPLETKillSound(window);
        s->played = false;
    }
}

// The page's background colour and the document's title, the way the
// applet is started with them.
void StartInfo(HWND show, COLORREF *colour, char (&title)[TITLESIZE + 1])
{
    ShowDocument doc(show);
    BLOCK header{}, page;
    bool hasheader = doc.Header(&header);
    if (hasheader) {
        size_t n = strnlen(header.hedr.title, sizeof header.hedr.title);
        memcpy(title, header.hedr.title, n);
        title[n] = 0;
    }
    if (doc.Page(&page))
        *colour = page.page.colourselector == COLOURSELECTOR_HEADER && hasheader ? GetBlockBackgroundColour(show, &header)
                                                              : GetBlockBackgroundColour(show, &page);
}

void Start(HWND window, LPARAM asker)
{
    WINDOWSTATE *s = StateOf(window);
    OwnObject o(window);
    if (!s || !o || (o->header.flags & OBJ_RUNNING))
        return;
    if (!s->applet) {
        COLORREF colour = 0;
        char title[TITLESIZE + 1] = {};
        StartInfo(ShowOf(window), &colour, title);
        auto *a = (APPLET *)calloc(1, sizeof(APPLET));
        if (!a)
            return;
        // Beyond what a long holds is beyond any stack the interpreter takes.
        long stack = o->stacksize > (uint32_t)LONG_MAX ? LONG_MAX : (long)o->stacksize;
        s->result = 0;
        s->errorline = -1;
        if (!APPLETInitApplet(a, window, o.handle(), colour, stack, (HWND)asker, title, &APPLETwindowhost)) {
            s->result = a->error;
            s->errorline = a->errorline;
            free(a);
            return;
        }
        s->applet = a;
        s->played = false;
        o->applet = (uint32_t)(UINT_PTR)a;
    }
    o->header.flags |= OBJ_RUNNING;
    PostStep(window, s);
}

void Stop(HWND window)
{
    {
        OwnObject o(window);
        if (!o || !(o->header.flags & OBJ_RUNNING))
            return;
        o->header.flags &= ~OBJ_RUNNING;
        o->applet = 0;
    }
    KillTimer(window, APPLETTIMER);
    WINDOWSTATE *s = StateOf(window);
    if (s) {
        Release(s->applet);
        s->applet = nullptr;
    }
    StopSound(window, s);
}

void Step(HWND window)
{
    WINDOWSTATE *s = StateOf(window);
    if (!s)
        return;
    s->pending = false;
    APPLET *a = s->applet;
    // A line of this applet waits in a box: its own handler goes on when
    // the box closes.
    if (!a || a->busy)
        return;
    {
        OwnObject o(window);
        if (!o || (o->header.flags & (OBJ_RUNNING | OBJ_DEACTIVATED)) != OBJ_RUNNING)
            return;
    }
    int result = APPLETProcessLine(a, window);
    if (a->freed) {
        // Stopped or destroyed while the line ran: the line was the last
        // thing using it.
        free(a);
        return;
    }
    if (result) {
        s->result = result;
        s->errorline = result > 0 ? a->errorline : -1;
    }
    bool stop = result != 0 || Aborted(window);
    // The abort poll dispatches input: the window may have gone with it.
    s = StateOf(window);
    if (!IsWindow(window) || !s || s->applet != a)
        return;
    if (stop) {
        SendMessageA(window, QVM_OBJECTSTARTSTOP, 0, 0);
        return;
    }
    bool continuous;
    {
        OwnObject o(window);
        continuous = o && (o->header.flags & OBJ_CONTINUOUS);
    }
    if (continuous)
        PostStep(window, s);
}

void Activate(HWND window, bool active)
{
    bool resume = false;
    {
        OwnObject o(window);
        if (!o)
            return;
        if (active)
            o->header.flags &= ~OBJ_DEACTIVATED;
        else
            o->header.flags |= OBJ_DEACTIVATED;
        resume = active && (o->header.flags & (OBJ_RUNNING | OBJ_CONTINUOUS)) == (OBJ_RUNNING | OBJ_CONTINUOUS);
    }
    if (active)
        InvalidateRect(window, NULL, TRUE);
    // A continuous applet's chain of steps ended while it was paused: no
    // idle pass restarts it.
    WINDOWSTATE *s = StateOf(window);
    if (resume && s && s->applet)
        PostStep(window, s);
}

void Destroy(HWND window)
{
    KillTimer(window, APPLETTIMER);
    WINDOWSTATE *s = StateOf(window);
    if (s) {
        Release(s->applet);
        s->applet = nullptr;
    }
    {
        OwnObject o(window);
        if (o) {
            o->applet = 0;
            o->header.flags &= ~OBJ_RUNNING;
        }
    }
    // The sound's end notice would go to a window that no longer exists.
    StopSound(window, s);
}

// ---- the host ----

int HostAlive(APPLET *a) { return a->hwnd && IsWindow(a->hwnd) && !a->orphaned && !a->freed; }

HWND HostLock(APPLET *a, int id, OBJECTHEADER **object)
{
    *object = nullptr;
    HWND window = HostAlive(a) ? FindObjectWindow(ShowOf(a->hwnd), id) : NULL;
    OBJECTHEADER *o = window ? LockObject(window) : nullptr;
    if (!o)
        return NULL;
    *object = o;
    return window;
}

void HostUnlock(APPLET *, HWND object) { UnlockObject(object); }

LRESULT HostSend(APPLET *, HWND object, UINT message, WPARAM wparam, LPARAM lparam)
{
    return SendMessageA(object, message, wparam, lparam);
}

int HostShow(APPLET *, HWND object, int show) { return ShowWindow(object, show ? SW_SHOW : SW_HIDE); }

void HostStartStop(APPLET *a, HWND object, int run)
{
    PostMessageA(object, QVM_OBJECTSTARTSTOP, run ? 1 : 0, (LPARAM)a->hwnd);
}

void PostToShow(APPLET *a, UINT message, WPARAM wparam)
{
    if (HWND show = ShowOf(a->hwnd))
        PostMessageA(show, message, wparam, 0);
}

void HostShowPage(APPLET *a, int page) { PostToShow(a, QVM_SHOWPAGE, (WPARAM)page); }
void HostPrintPage(APPLET *a, int whole) { PostToShow(a, QVM_PRINTPAGE, (WPARAM)whole); }
void HostQuit(APPLET *a) { PostToShow(a, QVM_CLOSE, 0); }

// One movie plays at a time: the running movie object of the page.
int HostVideo(APPLET *a, int op)
{
    HWND show = ShowOf(a->hwnd);
    int number = -1;
    uint32_t device = 0;
    {
        ShowDocument doc(show);
        BLOCK page;
        if (!doc.Page(&page))
            return 0;
        for (uint32_t i = 0, n = BlockObjectCount(&page); i < n && number < 0; i++) {
            ObjectRecord<OBJECTMOVIE> o(GetPageObject(&page, i));
            if (o && o->header.tag == TAG_MOVI &&
                (o->header.flags & OBJ_RUNNING)) {
                number = (int)o->header.number;
                device = o->device;
            }
        }
    }
    HWND movie = number >= 0 ? FindObjectWindow(show, number) : NULL;
    if (!movie)
        return 0;
    switch (op) {
    case 1:
    case 2:
        if (device && device != 0xFFFFFFFF) {
            MCI_GENERIC_PARMS parms{};
            parms.dwCallback = (DWORD_PTR)a->hwnd;
            QV_ShowHostOf(a->hwnd).media.mcicommand((MCIDEVICEID)device, op == 1 ? MCI_PAUSE : MCI_RESUME, 0,
                                                    (DWORD_PTR)&parms);
        }
        break;
    case 3:
        PostMessageA(movie, QVM_OBJECTSTARTSTOP, 0, 0);
        break;
    case 4:
        return GetDlgCtrlID(movie);
    }
    return 1;
}

int HostBox(APPLET *a, const char *text, UINT style)
{
    HWND show = ShowOf(a->hwnd);
    int answer = COMMONMessageBox(show, text, "", style);
    if (style == MB_OK && show && IsWindow(show)) {
        InvalidateRect(show, NULL, FALSE);
        UpdateWindow(show);
    }
    return answer;
}

INT_PTR RunShellOpen(const MODALCALL *call)
{
    return (INT_PTR)ShellExecuteA(call->parent, call->name, call->text, NULL, "", (int)call->style);
}

int HostOpen(APPLET *a, const char *path)
{
    if (!CanOpenDocument(path))
        return 0;
    MODALCALL call{};
    call.kind = MODAL_LAUNCH;
    call.parent = HostAlive(a) ? a->hwnd : NULL;
    call.name = "open";
    call.text = path;
    call.style = SW_SHOWDEFAULT;
    call.run = RunShellOpen;
    return COMMONModal(&call) > 32;
}

void HostGetProfile(APPLET *, const char *section, const char *key, char *out, int size)
{
    if (size > 0)
        GetPrivateProfileStringA(section, key, "", out, (DWORD)size, PROFILEFILE);
}

int HostSetProfile(APPLET *, const char *section, const char *key, const char *value)
{
    return WritePrivateProfileStringA(section, key, value, PROFILEFILE) ? 1 : 0;
}

void HostWait(APPLET *, int ms) { Sleep((DWORD)ms); }
int HostAborted(APPLET *a) { return Aborted(a->hwnd); }
void HostBeep(APPLET *, UINT type) { MessageBeep(type); }

void HostPageInfo(APPLET *a, int *page, int *count)
{
    ShowDocument doc(ShowOf(a->hwnd));
    *page = doc.set && doc.set->current > 0 ? doc.set->current - 1 : 0;
    int items = doc.Count();
    *count = items > 0 ? items - 1 : 0;
}

// The object that started the applet, when it is one of the page's.
void HostNotifyInfo(APPLET *a, uint32_t *number, uint32_t *tag)
{
    *number = *tag = 0;
    HWND notify = a->notifywindow;
    if (!notify || !IsWindow(notify) || GetParent(notify) != GetParent(a->hwnd))
        return;
    int id = GetDlgCtrlID(notify);
    if (FindObjectWindow(ShowOf(a->hwnd), id) != notify)
        return;
    if (ObjectRecord<> o(WindowObject(notify)); o) {
        *number = (uint32_t)id;
        *tag = o->tag;
    }
}

HDC HostGetDC(APPLET *a)
{
    WINDOWSTATE *s = HostAlive(a) ? StateOf(a->hwnd) : nullptr;
    return s ? APPLETGetFrameDC(a->hwnd, &s->dcs) : NULL;
}

void HostReleaseDC(APPLET *a, HDC dc)
{
    WINDOWSTATE *s = StateOf(a->hwnd);
    if (s)
        APPLETReleaseFrameDC(a->hwnd, &s->dcs, dc);
    else if (dc)
        ReleaseDC(a->hwnd, dc);
}

int HostObjectText(APPLET *a, int number, char *out, int size)
{
    if (out && size > 0)
        out[0] = 0;
    HWND target = HostAlive(a) ? FindObjectWindow(ShowOf(a->hwnd), number) : NULL;
    if (!target)
        return 0;
    int length = GetWindowTextLengthA(target);
    if (out && size > 0)
        GetWindowTextA(target, out, size);
    return length > 0 ? length : 0;
}

void HostSetObjectText(APPLET *a, int number, const char *text)
{
    if (HWND target = HostAlive(a) ? FindObjectWindow(ShowOf(a->hwnd), number) : NULL)
        SetWindowTextA(target, text ? text : "");
}

int HostPlaySound(APPLET *a, HGLOBAL data, int kind)
{
    if (!HostAlive(a))
        return 0;
    int started = APPLETPlaySound(a->hwnd, data, kind ? SOUND_MIDI : SOUND_WAVE);
    if (WINDOWSTATE *s = StateOf(a->hwnd))
        s->played = s->played || started;
    return started;
}

void HostKillSound(APPLET *a)
{
    APPLETKillSound(a->hwnd);
    if (WINDOWSTATE *s = StateOf(a->hwnd))
        s->played = false;
}

int HostSoundPlaying(APPLET *) { return APPLETwavehandle != NULL || APPLETid != -1; }

} // namespace

const APPLETHOST APPLETwindowhost = {
    HostAlive,     HostLock,       HostUnlock,     HostSend,       HostShow,         HostStartStop,
    HostShowPage,  HostPrintPage,  HostQuit,       HostVideo,      HostBox,          HostOpen,
    HostGetProfile, HostSetProfile, HostWait,      HostAborted,    HostBeep,         HostPageInfo,
    HostNotifyInfo, HostGetDC,     HostReleaseDC,  HostObjectText, HostSetObjectText, HostPlaySound,
    HostKillSound, HostSoundPlaying,
};

HDC APPLETGetFrameDC(HWND window, APPLETFRAMEDCS *dcs)
{
    HDC dc = GetDC(window);
    if (!dc || devicebits > 8)
        return dc;
    for (auto &slot : dcs->slot)
        if (!slot.dc) {
            char rgb[PALETTEBYTES];
            int bits = 8;
            int count = GetDefaultPalette(rgb, &bits, FIXEDPALETTE);
            RealizeWindowPalette(dc, &slot.palette, rgb, count);
            slot.dc = dc;
            break;
        }
    return dc;
}

void APPLETReleaseFrameDC(HWND window, APPLETFRAMEDCS *dcs, HDC dc)
{
    if (!dc)
        return;
    for (auto &slot : dcs->slot)
        if (slot.dc == dc) {
            UnrealizeWindowPalette(dc, &slot.palette);
            slot.dc = NULL;
            break;
        }
    ReleaseDC(window, dc);
}

void APPLETForgetFrameDCs(APPLETFRAMEDCS *dcs)
{
    for (auto &slot : dcs->slot)
        if (slot.dc) {
            UnrealizeWindowPalette(NULL, &slot.palette);
            slot.dc = NULL;
        }
}

int APPLETWindowResult(HWND window, int *result, int *errorline)
{
    WINDOWSTATE *s = IsWindow(window) ? StateOf(window) : nullptr;
    *result = s ? s->result : 0;
    *errorline = s ? s->errorline : -1;
    return s != nullptr;
}

static LRESULT APPLETWindowMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The end of a sound this window started comes here.
    if (APPLETHandleMessage(window, msg, wParam, lParam))
        return 0;
    switch (msg) {
    case WM_NCCREATE:
        if (!QV_BindObjectState<WINDOWSTATE>(window))
            return FALSE;
        break;
    case WM_CREATE:
        PostMessageA(window, QVM_OBJECTCREATED, 0, 0);
        return 0;
    case QVM_OBJECTCREATED: {
        if (WINDOWSTATE *s = StateOf(window)) {
            Release(s->applet);
            s->applet = nullptr;
        }
        {
            OwnObject o(window);
            if (o) {
                o->applet = 0;
                o->header.flags &= ~OBJ_RUNNING;
            }
        }
        if (!(GetWindowValue<DWORD>(window, GWL_STYLE) & WS_DISABLED))
            PostMessageA(window, QVM_OBJECTSTARTSTOP, 1, 0);
        return 0;
    }
    case QVM_OBJECTSTARTSTOP: {
        short request = (short)LOWORD(wParam);
        if (request == 1)
            Start(window, lParam);
        else if (request == 0)
            Stop(window);
        return 0;
    }
    case QVM_APPLETSTEP:
        Step(window);
        return 0;
    case WM_ACTIVATE:
        // Not DefWindowProc: it would take the keyboard focus.
        Activate(window, LOWORD(wParam) != 0);
        return 0;
    case WM_LBUTTONDOWN:
        PostMessageA(GetParent(window), msg, wParam, lParam);
        return 0;
    case WM_SIZE:
        InvalidateRect(window, NULL, TRUE);
        return 0;
    case WM_DESTROY:
        Destroy(window);
        return 0;
    case WM_NCDESTROY:
        QV_FreeObjectState<WINDOWSTATE>(window);
        break;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

LRESULT CALLBACK APPLETWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(window, msg, [&] { return APPLETWindowMessage(window, msg, wParam, lParam); });
}
