// The show window and the object windows of a page: the window classes, the
// binding of an object window to its object, the actions of buttons and
// timers, and the functions that build, change and tear down a page.
#pragma once
#include "runtime/media.h"
#include "runtime/messages.h"
#include "runtime/thumbs.h"
#include "runtime/transition.h"
#include "common/windowvalue.h"
#include <windows.h>
#include <new>

struct BLOCK;
struct BLOCKSET;
struct OBJECTHEADER;
struct OBJECTANIMFRAME;

// --- Classes ------------------------------------------------------------

extern const char QVCLASS_appwindow[];
extern const char QVCLASS_image[];
extern const char QVCLASS_frame[];
extern const char QVCLASS_text[];
extern const char QVCLASS_anim[];
extern const char QVCLASS_wave[];
extern const char QVCLASS_midi[];
extern const char QVCLASS_applet[];
extern const char QVCLASS_timer[];
extern const char QVCLASS_staticimage[];
extern const char QVCLASS_movie[];

// Registers the eleven classes, the show window's first; 0 at the first
// failure (the classes registered so far stay registered).
int QV_RegisterCommonClasses();
int QV_UnregisterCommonClasses();

// The object record of an object window (its GWL_USERDATA handle), locked;
// null when the lock fails. UnlockObject returns 0.
OBJECTHEADER *LockObject(HWND window);
int UnlockObject(HWND window);

// Carries out action `code` of a button or timer `self` on the show window
// `parent`; `text` is the target text, `whole` the print request's wParam.
// Codes past the table do nothing.
void QV_DoAction(HWND self, HWND parent, unsigned long code, unsigned long target, const char *text, int whole);

// --- Show window --------------------------------------------------------

// What the program playing a document changes in the show window: how a
// failure (string `id`) is told, which paths the open-document action may
// hand to the shell, and whether an animation's cell brought to a palette
// display's colours is kept in place of the stored one (the document is
// then changed, which only a program that never saves may do). The editor's
// view keeps the defaults.
struct QV_SHOWVARIANT {
    void (*report)(HWND window, unsigned id);
    int (*canopen)(const char *path);
    bool keepreduced = false;
};

// What a show asks of its surroundings: the sound player and MCI, the
// transitions' window and end-of-cycle clock, the printer, the program's
// variant of the show window, the applet windows' procedure (null: a
// stand-in that shows nothing, for a program without the interpreter) and
// the test run between applet lines that stops a running applet (the
// editor's stops on a right click, the player's on a key or the mouse
// moving; null: never).
//
// The record is given to the show window at its creation and copied into
// its state; the object windows of its pages (sound, movie, image,
// animation and applet windows) find it through their show window. Start
// from QV_SystemHost and change what differs:
//
//     SHOWHOST host = QV_SystemHost;
//     host.appletwindow = APPLETWindowProc;
//     QV_CreateApplicationWindow(parent, list, set, index, host);
struct SHOWHOST {
    MEDIAHOST media;
    TRANSITIONHOST transitions;
    PRINTERPROVIDER printer;
    QV_SHOWVARIANT variant;
    WNDPROC appletwindow;
    int (*abortpoll)(HWND window);
};
// The real platform's calls, the editor's variant and abort rule, no
// interpreter.
extern const SHOWHOST QV_SystemHost;
// The host of the show window that `window` is or stands on (as a child);
// QV_SystemHost for any other window. It lives as long as that show window.
const SHOWHOST &QV_ShowHostOf(HWND window);

// The show window's creation parameter (lpCreateParams): its document, which
// may come later with QVM_SETDOCUMENT, and its host (null: QV_SystemHost).
// A class registered for the show window needs QV_SHOWWINDOWEXTRA bytes of
// window extra, where the window keeps its state.
struct QV_SHOWCREATE {
    BLOCKSET *set;
    const SHOWHOST *host;
};
constexpr int QV_SHOWWINDOWEXTRA = sizeof(LONG_PTR);

// The movie and applet windows keep a record of their own in their class's
// window extra, at QV_OBJECTSTATE: their user data is the object's record,
// which the rest of the runtime reads there.
constexpr int QV_OBJECTSTATE = 0;
constexpr int QV_OBJECTWINDOWEXTRA = sizeof(LONG_PTR);

template <class T> T *QV_ObjectState(HWND window)
{
    return window ? GetWindowValue<T *>(window, QV_OBJECTSTATE) : nullptr;
}

// Made at WM_NCCREATE; false when there is no memory for it, or the class
// has no room for it, and then the window is not created.
template <class T> bool QV_BindObjectState(HWND window)
{
    auto *state = new (std::nothrow) T;
    if (!state)
        return false;
    SetWindowValue(window, QV_OBJECTSTATE, state);
    if (QV_ObjectState<T>(window) == state)
        return true;
    delete state;
    return false;
}

// At WM_NCDESTROY.
template <class T> void QV_FreeObjectState(HWND window)
{
    delete SetWindowValue<T *>(window, QV_OBJECTSTATE, nullptr);
}

LRESULT CALLBACK QV_AppwindowProc(HWND, UINT, WPARAM, LPARAM);
// Shows the document from list item `index` and returns when the window is
// gone: 0 at once when the header or that block cannot be read.
int QV_CreateApplicationWindow(HWND parent, HWND list, BLOCKSET *set, unsigned long index,
                               const SHOWHOST &host = QV_SystemHost);
// The first half of that: creates, sizes and centres the show window and
// posts it the document and the background sound; null on failure.
HWND QV_OpenApplicationWindow(HWND parent, HWND list, BLOCKSET *set, unsigned long index,
                              const SHOWHOST &host = QV_SystemHost);
// One pass of the show loop over `window`: the private messages that were
// waiting when the pass began, then one other message, or when the queue is
// empty a step for every running applet of `page` (null: none) and a wait
// for the next message. False when WM_QUIT came; it is posted again for the
// program's own loop.
bool QV_RunShowPass(HWND window, BLOCK *page);
int JumptoNewPage(HWND window, BLOCKSET *set);
INT_PTR CALLBACK PageJumpProc(HWND, UINT, WPARAM, LPARAM);
int CanOpenDocument(const char *path);
int AddWindowHFrame(long flags, int width);
int AddWindowVFrame(long flags, int depth);

// Prints the show window: its client area, or with `whole` the window with
// its frame.
int QV_DoPrintScreen(HWND window, int whole);
// The outer style of the show window for a header's flags word.
DWORD QV_ShowWindowStyle(long flags);

// --- Object windows -----------------------------------------------------

int QV_AddAllControls(HWND window, BLOCK *page, HWND list);
int QV_AddPageObject(HWND window, HGLOBAL object, BLOCK *page, int count);
int QV_DeleteAllControls(HWND window, BLOCK *page);
int QV_DeletePageObject(HWND window, HGLOBAL object);
int QV_IsObjectStatic(const OBJECTHEADER *object);
void QV_GetBackground(HDC dc, OBJECTHEADER *object);
int QV_DrawStaticObjects(HWND window, BLOCK *page, HWND list);

// --- Controls, timers and painted objects -------------------------------

LRESULT CALLBACK QV_ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_CheckboxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_RadioProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_ListboxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_TimerProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_TextProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_FrameProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_StaticImageProc(HWND, UINT, WPARAM, LPARAM);
// Image, animation, sound, applet and movie windows (the movie's players and
// its in-memory file procedure: runtime/media.h).
LRESULT CALLBACK QV_ImageProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_AnimProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_WaveProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_MidiProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK QV_AppletProc(HWND, UINT, WPARAM, LPARAM);
// QV_AppletProc hands every message to its show's host's applet window
// procedure: the interpreter lies above the runtime.
LRESULT CALLBACK QV_MovieProc(HWND, UINT, WPARAM, LPARAM);

// The caption is the button window's text, or `caption` where given (a
// button drawn from its record has no window of its own).
int QV_DrawSoftButton(HWND button, DRAWITEMSTRUCT *item, COLORREF light, COLORREF dark, COLORREF face,
                      COLORREF text, COLORREF page, long style, const char *caption = nullptr);
HBITMAP CreateDisabledBitmap(HBITMAP picture, COLORREF colour);
// A button's caption in the DC's font and text colour, centred in `face`
// (the button less its edge), clipped to it, and ending in an ellipsis
// where it is wider.
void QV_DrawButtonCaption(HDC dc, const RECT *face, const char *text, int length);
