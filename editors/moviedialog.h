// The movie object's property dialog and its preview, which plays the
// object's AVI file from memory the way the show's movie window does.
#pragma once
#include "document/blockstore.h"
#include "document/objects.h"
#include <windows.h>

INT_PTR CALLBACK EditMovieObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// Where a movie object's first-frame picture and AVI file lie.
struct MOVIEPARTS {
    const BITMAPINFOHEADER *frame;
    int width, height;
    const char *avi;
    uint32_t avilength;
};
// False when the record's sizes do not lie inside the `blocksize` bytes of
// its block: the data, the first-frame picture within its stated size and
// the AVI file after it.
bool GetMovieParts(const OBJECTMOVIE *object, SIZE_T blocksize, MOVIEPARTS *out);

// What the preview window runs on.
struct PREVIEWMOVIE {
    BLOCK *page;
    HBRUSH brush; // the header's background colour
    int width, height;
    OBJECTMOVIE *object;
    uint32_t device; // MOVIENODEVICE while none is open
    MOVIEPARTS parts;
};

// Plays a locked movie object in a modal window of its size over `owner`:
// 1 when closed with the right mouse button, 0 otherwise and when it could
// not open (the user has been told why).
int PreviewMovieObject(HWND owner, BLOCK *page, HWND list, OBJECTMOVIE *object);
INT_PTR CALLBACK PreviewMovieProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
