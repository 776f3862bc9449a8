// What the windows of images, animations, sounds and movies share of the
// object life cycle: reaching their record, starting unless created
// disabled, telling the show they are done, and the messages they all
// answer alike.
#pragma once
#include "document/record.h"
#include <windows.h>

namespace objectlife {

// The window's record as type T, locked for the scope; null when it cannot
// be locked or is not a whole record of `tag`.
template <class T> class Record : public ObjectRecord<T> {
public:
    Record(HWND hwnd, uint32_t tag) : ObjectRecord<T>(WindowObject(hwnd), tag) {}
};

inline short Request(WPARAM wParam) { return (short)LOWORD(wParam); }

// Posts the start request a window created enabled gives itself.
void StartUnlessDisabled(HWND hwnd);
// Tells the show window the object is done, when its notify flag asks.
void NotifyDone(HWND hwnd, uint32_t flags, uint32_t notify);
// WM_ACTIVATE (with `pauses`: the deactivated flag, and a repaint on
// return), WM_SIZE and WM_LBUTTONDOWN; true when `msg` was one of them.
bool CommonMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool pauses);

// What the window of a timed object (an image or an animation) does its own
// way; the rest of its messages it answers as every object window does.
struct TIMEDWINDOW {
    void (*created)(HWND hwnd);
    void (*startstop)(HWND hwnd, short request);
    void (*timer)(HWND hwnd, WPARAM id);
    void (*paint)(HWND hwnd);
    void (*destroy)(HWND hwnd);
    bool paintsall; // its painting covers the window: nothing is erased first
};
LRESULT TimedWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, const TIMEDWINDOW &window);

} // namespace objectlife
