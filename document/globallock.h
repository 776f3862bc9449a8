// A global memory lock held for one scope, and new blocks made from bytes.
#pragma once
#include <windows.h>
#include <cstring>

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

// A new movable, zero-initialised block of `size` bytes that starts with the
// `alen` bytes at `a` followed by the `blen` bytes at `b`; 0 when memory fails.
inline HGLOBAL NewGlobal(SIZE_T size, const void *a, SIZE_T alen, const void *b = nullptr, SIZE_T blen = 0)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!h)
        return NULL;
    char *p = (char *)GlobalLock(h);
    if (!p) {
        GlobalFree(h);
        return NULL;
    }
    if (alen)
        memcpy(p, a, alen);
    if (blen)
        memcpy(p + alen, b, blen);
    GlobalUnlock(h);
    return h;
}
