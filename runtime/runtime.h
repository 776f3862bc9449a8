// The show window and the object windows of a page: the window classes, the
// binding of an object window to its object, the actions of buttons and
// timers, and the functions that build, change and tear down a page.
#pragma once
#include "runtime/messages.h"
#include <windows.h>

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

LRESULT CALLBACK QV_AppwindowProc(HWND, UINT, WPARAM, LPARAM);
// Shows the document from list item `index` and returns when the window is
// gone: 0 at once when the header or that block cannot be read.
int QV_CreateApplicationWindow(HWND parent, HWND list, BLOCKSET *set, unsigned long index);
// The first half of that: creates, sizes and centres the show window and
// posts it the document and the background sound; null on failure.
HWND QV_OpenApplicationWindow(HWND parent, HWND list, BLOCKSET *set, unsigned long index);
// One pass of the show loop over `window`: the private messages that were
// waiting when the pass began, then one other message, or when the queue is
// empty a step for every running applet of `page` (null: none) and a wait
// for the next message. False when WM_QUIT came; it is posted again for the
// program's own loop.
bool QV_RunShowPass(HWND window, BLOCK *page);
int JumptoNewPage(HWND window, BLOCKSET *set);
INT_PTR CALLBACK PageJumpProc(HWND, UINT, WPARAM, LPARAM);
int CanOpenDocument(const char *path);
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
extern QV_SHOWVARIANT QV_ShowVariant;
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
// The applet window's procedure, to which QV_AppletProc hands every message.
// The interpreter, which lies above the runtime, installs its own; until then
// a stand-in keeps the common life cycle.
extern WNDPROC QVappletwindow;
LRESULT CALLBACK QV_MovieProc(HWND, UINT, WPARAM, LPARAM);

int QV_DrawSoftButton(HWND button, DRAWITEMSTRUCT *item, COLORREF light, COLORREF dark, COLORREF face,
                      COLORREF text, COLORREF page, long style);
HBITMAP CreateDisabledBitmap(HBITMAP picture, COLORREF colour);
