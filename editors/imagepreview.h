// The image object's transition previewed as the show runs it: a modal
// window of the picture's size over the page's background.
#pragma once
#include "document/blockstore.h"
#include "document/objects.h"
#include "runtime/transition.h"
#include <windows.h>

// What the preview window runs on: the transition's record first.
struct PREVIEWIMAGE {
    STATUS status;
    BLOCK *page;
    HWND list;       // the document's block list
    HBRUSH brush;    // the header's background colour
    int width, height;
    int x, y;        // where the picture is drawn: always the top left
    OBJECTIMAGE *object;
    bool failed;     // the transition could not be played
};

// 1 when the preview was closed with the right mouse button, 0 otherwise,
// also when it could not run (the user has been told why).
int PreviewImageObject(HWND owner, BLOCK *page, HWND list, OBJECTIMAGE *object);
INT_PTR CALLBACK PreviewImageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// What every preview window (image, animation, movie, applet) shares. It
// runs as the modal "PreviewBox" over `owner` on `proc` and `state`; after
// it, `brush` (when there is one) is freed and the owner repainted at once.
// 1 when the procedure ended it with 1 (a right click), 0 otherwise.
int RunPreviewBox(HWND owner, DLGPROC proc, void *state, HBRUSH brush);
// At WM_INITDIALOG: binds the state, makes the client area `width` by
// `height` (one larger than the screen shows its top left part), centres and
// shows the window with the focus, and titles it with `format` filled in as
// printf does.
void OpenPreviewBox(HWND dlg, LPARAM state, int width, int height, const char *format, ...);
// How a message ends a preview: 1 for a right click, 0 for Enter, Esc, OK
// or Cancel, -1 when it does not.
int PreviewBoxEnding(UINT msg, WPARAM wParam);
// The client area filled with `brush`, through the default palette on a
// display of 256 colours or fewer.
void FillPreviewBox(HWND dlg, HDC dc, HBRUSH brush);
// Answers the erase and paint messages of a preview whose timers draw its
// pictures: the client area filled with `brush` (null before the box has
// its state), nothing painted. True when `msg` was one of them.
bool PaintPreviewBox(HWND dlg, UINT msg, WPARAM wParam, HBRUSH brush);
