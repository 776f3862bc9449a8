// What the windows of images, animations, sounds and movies share of the
// object life cycle: reaching their record, starting unless created
// disabled, telling the show they are done, and the messages they all
// answer alike.
#pragma once
#include "common/owners.h"
#include "document/objects.h"
#include <windows.h>

namespace objectlife {

// The window's record as type T, locked for the scope; null when it cannot
// be locked or is not a whole record of `tag`.
template <class T> class Record {
public:
    Record(HWND hwnd, uint32_t tag) : lock((HGLOBAL)GetWindowLongA(hwnd, GWL_USERDATA))
    {
        if (lock && lock.size() >= sizeof(T) && lock->header.tag == tag && lock->header.fixedsize >= sizeof(T))
            p = lock.get();
    }
    explicit operator bool() const { return p != nullptr; }
    T *operator->() const { return p; }
    T *get() const { return p; }
    // The attached data, bounded by the block whatever the record claims.
    char *Data(uint32_t *length) const;
    // A copy of that data, or null.
    HGLOBAL CopyData() const;

private:
    GlobalLocked<T> lock;
    T *p = nullptr;
};

template <class T> char *Record<T>::Data(uint32_t *length) const
{
    *length = 0;
    if (!p)
        return nullptr;
    SIZE_T size = lock.size();
    uint32_t fixed = p->header.fixedsize;
    if (fixed > size)
        return nullptr;
    SIZE_T room = size - fixed;
    *length = p->header.datasize < room ? p->header.datasize : (uint32_t)room;
    return (char *)p + fixed;
}

template <class T> HGLOBAL Record<T>::CopyData() const
{
    uint32_t n = 0;
    char *d = Data(&n);
    return n ? NewGlobal(n, d, n) : NULL;
}

inline short Request(WPARAM wParam) { return (short)LOWORD(wParam); }

// Posts the start request a window created enabled gives itself.
void StartUnlessDisabled(HWND hwnd);
// Tells the show window the object is done, when its notify flag asks.
void NotifyDone(HWND hwnd, uint32_t flags, uint32_t notify);
// WM_ACTIVATE (with `pauses`: the deactivated flag, and a repaint on
// return), WM_SIZE and WM_LBUTTONDOWN; true when `msg` was one of them.
bool CommonMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool pauses);

} // namespace objectlife
