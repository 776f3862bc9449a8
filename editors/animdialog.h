// The animation object's property dialog, and the preview that plays an
// animation object frame by frame at its own delays over the document's
// background, in a window of the animation's size.
#pragma once
#include "document/blockstore.h"
#include "document/objects.h"
#include <windows.h>

INT_PTR CALLBACK EditAnimObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// What the preview window runs on.
struct PREVIEWANIM {
    BLOCK *page;
    HBRUSH brush;       // the document's background colour
    int width, height;  // of the animation
    OBJECTANIM *object; // locked while the preview runs; its current frame and passes are written
    RECT lastcell;      // where the frame drawn last lies
    HBITMAP background; // the window before the first frame
    HBITMAP screen;     // the window before the current frame
    UINT_PTR timer;
    char *data;         // the animation block, `size` bytes of it inside the object
    uint32_t size;
    uint32_t frames;    // those the object names and its block holds, whichever are fewer
    double due;         // when the frame drawn last was due, in ms; 0 before the first
    HWND *running;      // where the preview's window is kept while it is open, when wanted
};

// Plays `object` (locked) until the user closes the preview: 1 when it was
// closed with the right mouse button, 0 otherwise, and 0 after the user has
// been told why when it cannot play. `running`, when given, holds the
// preview's window while it is open, so that its owner can close it.
int PreviewAnimObject(HWND owner, BLOCK *page, HWND list, OBJECTANIM *object, HWND *running = nullptr);
INT_PTR CALLBACK PreviewAnimProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
