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
