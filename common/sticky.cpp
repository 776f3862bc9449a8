#include "common/sticky.h"
#include "common/shell.h"

static constexpr int MINWIDTH = 620, MINDEPTH = 460;

int GetStickyWindowsEx(HWND hwnd, int exact)
{
    if (IsZoomed(hwnd))
        return 0;
    // A minimised window's own rectangle lies far off the screen; the one it
    // returns to is the one to keep.
    WINDOWPLACEMENT place{};
    place.length = sizeof place;
    RECT r;
    if (IsIconic(hwnd)) {
        if (!GetWindowPlacement(hwnd, &place))
            return 0;
        if (place.flags & WPF_RESTORETOMAXIMIZED)
            return 0;
        r = place.rcNormalPosition;
    } else if (!GetWindowRect(hwnd, &r)) {
        return 0;
    }
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    StickyWindowLeft = r.left < 0 ? 0 : r.left;
    StickyWindowTop = r.top < 0 ? 0 : r.top;
    StickyWindowRight = exact || r.right < sw ? r.right : sw;
    StickyWindowBottom = exact || r.bottom < sh ? r.bottom : sh;
    return 1;
}

int SetStickyWindowsEx(HWND hwnd, int exact)
{
    if (StickyWindowLeft == -1 || StickyWindowTop == -1 || StickyWindowRight == -1 || StickyWindowBottom == -1)
        return 0;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int x = StickyWindowLeft, y = StickyWindowTop;
    int width, depth;
    if (exact) {
        width = StickyWindowRight - x;
        depth = StickyWindowBottom - y;
    } else {
        width = (StickyWindowRight < sw ? StickyWindowRight : sw) - x;
        depth = (StickyWindowBottom < sh ? StickyWindowBottom : sh) - y;
    }
    if (width < MINWIDTH)
        width = MINWIDTH;
    if (depth < MINDEPTH)
        depth = MINDEPTH;
    if (!exact) {
        if (x >= sw - MINWIDTH)
            x = sw - MINWIDTH < 0 ? 0 : sw - MINWIDTH;
        if (y >= sh - MINDEPTH)
            y = sh - MINDEPTH < 0 ? 0 : sh - MINDEPTH;
    }
    return SetWindowPos(hwnd, NULL, x, y, width, depth, SWP_NOZORDER);
}

int GetStickyWindows(HWND hwnd) { return GetStickyWindowsEx(hwnd, 0); }
int SetStickyWindows(HWND hwnd) { return SetStickyWindowsEx(hwnd, 0); }
