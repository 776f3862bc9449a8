// The applet preview: the interpreter driven by the preview window's own
// posted steps inside its modal loop.
//
// Steps posted back to back would come before any input, painting or timer
// of the thread, so a script that never ends would shut out the keys that
// close the window and leave the editor unpainted. Whenever any of those
// waits, the next step comes from a timer instead, behind them.
#include "tools/appletpreview.h"
#include "applet/appletwindow.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/statbar.h"
#include "common/strings.h"
#include "document/objects.h"
#include "editor/parts.h"
#include "editors/imagepreview.h"
#include "resources/appletpreview_ids.h"
#include "resources/editordocs_ids.h"
#include "runtime/messages.h"
#include "runtime/runtime.h"
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr int IDC_SCRIPTEDIT = 201; // the script editor's edit control
constexpr UINT_PTR STEPTIMER = 1;
// No window is made larger than this, whatever a damaged rectangle says.
constexpr int LARGESTSIDE = 32767;

struct PREVIEWRUN {
    APPLET applet;
    APPLETHOST host;
    APPLETFRAMEDCS dcs;
    int width, depth; // the client area: the applet's own size
    bool pending;     // a step is posted or its timer is set
    bool stopped;     // the script ended, failed or was stopped
    bool closing;     // the window is ending
};

// The scripts play through the sound player of the editor's shows.
const MEDIAHOST &Media()
{
    return EditorShowHost().media;
}

// The run of the preview window an applet draws on; null for any other
// window (the editor's, before the preview window exists) and once the
// preview window is being destroyed.
PREVIEWRUN *RunOf(APPLET *a)
{
    bool preview = a->hwnd && GetWindowLongPtrA(a->hwnd, DWLP_DLGPROC) == (LONG_PTR)PreviewAppletProc;
    return preview ? DialogState<PREVIEWRUN>(a->hwnd) : nullptr;
}

void Close(HWND dlg, PREVIEWRUN *r, INT_PTR result)
{
    if (r) {
        r->closing = true;
        KillTimer(dlg, STEPTIMER);
    }
    Media().killsound(dlg);
    EndDialog(dlg, result);
}

HDC HostGetDC(APPLET *a)
{
    PREVIEWRUN *r = RunOf(a);
    return r && !a->orphaned && !a->freed ? APPLETGetFrameDC(a->hwnd, &r->dcs) : NULL;
}

void HostReleaseDC(APPLET *a, HDC dc)
{
    if (PREVIEWRUN *r = RunOf(a))
        APPLETReleaseFrameDC(a->hwnd, &r->dcs, dc);
}

int HostBox(APPLET *a, const char *text, UINT style)
{
    return COMMONMessageBox(RunOf(a) ? a->hwnd : NULL, text, "", style);
}

// A wait inside a line (sleep) keeps the editor alive: the thread's messages
// are handled while it lasts, so that the editor repaints and Enter, Esc or
// a right click close the preview, which ends the wait.
void HostWait(APPLET *a, int ms)
{
    PREVIEWRUN *r = RunOf(a);
    if (!r) {
        Sleep((DWORD)ms);
        return;
    }
    HWND dlg = a->hwnd;
    for (DWORD start = GetTickCount(); !r->closing && IsWindow(dlg);) {
        int left = ms - (int)(GetTickCount() - start);
        if (left <= 0)
            break;
        MsgWaitForMultipleObjects(0, NULL, FALSE, (DWORD)left, QS_ALLINPUT);
        MSG msg;
        while (!r->closing && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // The program is ending: its loop gets the notice back.
                PostQuitMessage((int)msg.wParam);
                Close(dlg, r, 0);
                break;
            }
            if (!IsWindow(dlg) || !IsDialogMessageA(dlg, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
}

int HostAborted(APPLET *a)
{
    PREVIEWRUN *r = RunOf(a);
    return !r || r->closing || CheckForAbort(a->hwnd);
}

int HostPlaySound(APPLET *a, HGLOBAL data, int kind)
{
    return RunOf(a) ? Media().playsound(a->hwnd, data, kind ? SOUND_MIDI : SOUND_WAVE) : 0;
}

void HostKillSound(APPLET *a)
{
    if (RunOf(a))
        Media().killsound(a->hwnd);
}

// The applet window's host for what a preview shares with a show (the
// profile file, documents, beeping), without the show: no page objects,
// pages, movie or quitting.
APPLETHOST PreviewHost()
{
    APPLETHOST h = APPLETwindowhost;
    h.lockobject = nullptr;
    h.unlockobject = nullptr;
    h.sendobject = nullptr;
    h.showobject = nullptr;
    h.startstop = nullptr;
    h.showpage = nullptr;
    h.printpage = nullptr;
    h.quit = nullptr;
    h.controlvideo = nullptr;
    h.pageinfo = nullptr;
    h.notifyinfo = nullptr;
    h.objecttext = nullptr;
    h.setobjecttext = nullptr;
    h.messagebox = HostBox;
    h.wait = HostWait;
    h.aborted = HostAborted;
    h.getdc = HostGetDC;
    h.releasedc = HostReleaseDC;
    h.playsound = HostPlaySound;
    h.killsound = HostKillSound;
    return h;
}

void Next(HWND dlg, PREVIEWRUN *r)
{
    if (r->pending || r->stopped || r->closing)
        return;
    if (HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)))
        r->pending = SetTimer(dlg, STEPTIMER, USER_TIMER_MINIMUM, NULL) != 0;
    if (!r->pending)
        r->pending = PostMessageA(dlg, QVM_APPLETSTEP, 0, 0) != 0;
}

void Step(HWND dlg, PREVIEWRUN *r)
{
    r->pending = false;
    // A line of the script waits in a message box: the line goes on when the
    // box closes, and its own step posts the next.
    if (r->stopped || r->closing || r->applet.busy)
        return;
    int result = APPLETProcessLine(&r->applet, dlg);
    if (result == 0 && !r->closing && !CheckForAbort(dlg)) {
        Next(dlg, r);
        return;
    }
    r->stopped = true;
    MessageBeep(0);
}

void Open(HWND dlg, PREVIEWRUN *r)
{
    r->applet.hwnd = dlg;
    // The client area is the applet's frame, shown at once: the dialog
    // manager would wait for a quiet moment, which a script that runs on
    // never gives.
    OpenPreviewBox(dlg, (LPARAM)r, r->width, r->depth, "Applet %lu", (unsigned long)r->applet.objectnumber);
    Next(dlg, r);
}

// Puts the editor's caret on the failing line and names the error in its
// status bar; a line the editor does not have leaves both alone.
void ShowFailure(HWND editor, APPLET *a)
{
    char text[FETCHSTRINGSIZE + 64];
    snprintf(text, sizeof text, FetchString(IDS_PREVIEWERRORLINE), APPLETError(a), a->errorline + 1);
    DoMessage(editor, text);
    HWND edit = GetDlgItem(editor, IDC_SCRIPTEDIT);
    LRESULT start = edit && a->errorline >= 0 ? SendMessageA(edit, EM_LINEINDEX, (WPARAM)a->errorline, 0) : -1;
    if (start < 0)
        return;
    SendMessageA(edit, EM_SETSEL, (WPARAM)start, (LPARAM)start);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    SendMessageA(edit, WM_KEYUP, 0, 0);
    STATSetCellText(editor, APPLETError(a), 1);
}

int Side(int size) { return std::clamp(size, 0, LARGESTSIDE); }

} // namespace

int PreviewApplet(HWND editor, BLOCK *block, HWND blocklist, HGLOBAL object)
{
    BLOCK header{};
    if (!block || !GetHeaderBlock(blocklist, block->blockset, &header)) {
        DoMessage(editor, FetchString(IDS_BLOCKACCESS));
        return 0;
    }
    COLORREF background = GetBlockBackgroundColour(GetParent(blocklist), block);
    char title[TITLESIZE + 1];
    size_t n = strnlen(header.hedr.title, sizeof header.hedr.title);
    memcpy(title, header.hedr.title, n);
    title[n] = 0;

    PREVIEWRUN r{};
    r.host = PreviewHost();
    long stack = DefaultAppletStackSize > (unsigned)LONG_MAX ? LONG_MAX : (long)DefaultAppletStackSize;
    if (!APPLETInitApplet(&r.applet, editor, object, background, stack, NULL, title, &r.host)) {
        DoMessage(editor, APPLETError(&r.applet));
        return 0;
    }
    r.width = Side(r.applet.width);
    r.depth = Side(r.applet.depth);
    int result = RunPreviewBox(editor, PreviewAppletProc, &r, NULL);
    if (HWND edit = GetDlgItem(editor, IDC_SCRIPTEDIT))
        SetFocus(edit);
    if (r.applet.error > 0)
        ShowFailure(editor, &r.applet);
    APPLETFreeApplet(&r.applet);
    return result;
}

INT_PTR CALLBACK PreviewAppletProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The end of a sound the script started comes here.
    if (Media().soundmessage(dlg, msg, wParam, lParam))
        return TRUE;
    PREVIEWRUN *r = DialogState<PREVIEWRUN>(dlg);
    if (int ending = PreviewBoxEnding(msg, wParam); ending >= 0) {
        Close(dlg, r, ending);
        return TRUE;
    }
    switch (msg) {
    case WM_INITDIALOG:
        Open(dlg, (PREVIEWRUN *)lParam);
        return TRUE;
    case QVM_APPLETSTEP:
        if (r)
            Step(dlg, r);
        return TRUE;
    case WM_TIMER:
        if (wParam == STEPTIMER) {
            KillTimer(dlg, STEPTIMER);
            if (r && r->pending)
                r->pending = PostMessageA(dlg, QVM_APPLETSTEP, 0, 0) != 0;
        }
        return TRUE;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(dlg, &client);
        if (r)
            FillRect((HDC)wParam, &client, r->applet.backgroundbrush);
        SetWindowValue<LRESULT>(dlg, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(dlg, &ps);
        EndPaint(dlg, &ps);
        return TRUE;
    }
    case WM_DESTROY:
        if (r) {
            r->closing = true;
            KillTimer(dlg, STEPTIMER);
            APPLETForgetFrameDCs(&r->dcs);
        }
        // The sound's end notice would go to a window that no longer exists.
        Media().killsound(dlg);
        SetWindowValue<PREVIEWRUN *>(dlg, DWLP_USER, nullptr);
        return FALSE;
    }
    return FALSE;
}
