// A page object's record locked for one scope as type T and checked against
// its block, so that whatever a damaged file claims, nothing outside the
// block is read. The one way the code reaches a record it does not trust.
#pragma once
#include "common/owners.h"
#include "common/windowvalue.h"
#include "document/objects.h"
#include <windows.h>

template <class T = OBJECTHEADER> class ObjectRecord {
public:
    // Null when `handle` cannot be locked or its block is shorter than T;
    // with a `tag`, also unless the record is of that tag and its fixed part
    // holds a whole T.
    explicit ObjectRecord(HGLOBAL handle, uint32_t tag = 0) : h(handle), lock(handle)
    {
        if (!lock || lock.size() < sizeof(T))
            return;
        const OBJECTHEADER *h = (const OBJECTHEADER *)lock.get();
        if (tag && (h->tag != tag || h->fixedsize < sizeof(T)))
            return;
        p = lock.get();
    }
    explicit operator bool() const { return p != nullptr; }
    T *operator->() const { return p; }
    T *get() const { return p; }
    HGLOBAL handle() const { return h; }
    OBJECTHEADER *header() const { return (OBJECTHEADER *)p; }
    // The block's size, 0 when the record is null.
    SIZE_T size() const { return p ? lock.size() : 0; }
    // Whether the data the record claims lies wholly inside its block.
    bool Whole() const { return p && (uint64_t)header()->fixedsize + header()->datasize <= lock.size(); }
    // The attached data, bounded by the block whatever the record claims.
    char *Data(uint32_t *length) const
    {
        *length = 0;
        if (!p || header()->fixedsize > lock.size())
            return nullptr;
        SIZE_T room = lock.size() - header()->fixedsize;
        *length = header()->datasize < room ? header()->datasize : (uint32_t)room;
        return (char *)p + header()->fixedsize;
    }
    // Ends the lock before the scope does, e.g. before a call that may free
    // the record; the record is null from then on.
    void Unlock()
    {
        lock.Unlock();
        p = nullptr;
    }
    // A copy of that data, or null.
    HGLOBAL CopyData() const
    {
        uint32_t n = 0;
        char *d = Data(&n);
        return n ? NewGlobal(n, d, n) : NULL;
    }

private:
    HGLOBAL h;
    GlobalLocked<T> lock;
    T *p = nullptr;
};

// The object a page object's window was made for: the handle in its user data.
inline HGLOBAL WindowObject(HWND window)
{
    return GetWindowValue<HGLOBAL>(window, GWLP_USERDATA);
}
