// The page editor's own record, bound to its window, and what the files of
// the page editor share: the making and remaking of the page's object
// windows, and the range object rectangles are kept in.
#pragma once
#include "document/blockstore.h"
#include "editors/editparam.h"
#include <windows.h>

// Made at the page window's WM_NCCREATE and freed at its WM_NCDESTROY,
// which drops the copies of the page it still holds. EditPage owns the
// EDITPARAM: it reads the result after the window has gone.
struct PAGEEDITOR {
    explicit PAGEEDITOR(EDITPARAM *p) : param(p) {}
    ~PAGEEDITOR();
    PAGEEDITOR(const PAGEEDITOR &) = delete;
    PAGEEDITOR &operator=(const PAGEEDITOR &) = delete;

    EDITPARAM *param;
    int changed = 0;        // the working page differs from the stored one
    POINT clickpoint{};     // screen position of the last right click on the page
    BLOCK undo{};           // the undo copy: present while its kind is PAGE
    int undochanged = 0;    // `changed` when `undo` was taken
    BLOCK pressed{};        // the page as a press on an object found it: the
                            // undo step once that press moves or resizes something
    int pressedchanged = 0; // `changed` when `pressed` was taken
};

inline LONG ClampCoordinate(LONG v, LONG low, LONG high)
{
    return v < low ? low : v > high ? high : v;
}

// A damaged rectangle would make a window of any size anywhere: every
// object of `block` is brought into the range windows can be made from.
void ClampPageObjects(BLOCK *block);
void DestroyPageObjectWindows(HWND page);
// AddPageObject raises each new window, so the first object's ends on top.
void CreatePageObjectWindows(HWND page, BLOCK *block);
// The object windows made anew for `block`, drawn once when all are made.
void RebuildPageObjectWindows(HWND page, BLOCK *block, bool erase);
