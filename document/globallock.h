// A global memory lock held for one scope.
#pragma once
#include <windows.h>

template <class T = void> class GlobalLocked {
public:
    explicit GlobalLocked(HGLOBAL handle) : h(handle), p(handle ? (T *)GlobalLock(handle) : nullptr) {}
    ~GlobalLocked()
    {
        if (p)
            GlobalUnlock(h);
    }
    GlobalLocked(const GlobalLocked &) = delete;
    GlobalLocked &operator=(const GlobalLocked &) = delete;
    explicit operator bool() const { return p != nullptr; }
    T *get() const { return p; }
    T *operator->() const { return p; }
    // The block's size, 0 when it is not locked.
    SIZE_T size() const { return p ? GlobalSize(h) : 0; }

private:
    HGLOBAL h;
    T *p;
};
