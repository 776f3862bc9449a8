// How OK turns a property dialog's settings into a new object block: the
// live object's fixed part, then the attached pieces in order.
#pragma once
#include "common/owners.h"
#include "document/objects.h"
#include <initializer_list>
#include <windows.h>

struct OBJECTPIECE {
    const void *data;
    uint32_t size;
};

// A new movable block: `fixedsize` bytes copied from the live object, then
// each piece; sizes set in its header. Null when the live object is shorter
// than its fixed part or memory runs out; the live object is never changed.
inline HGLOBAL NewObjectBlock(HGLOBAL live, uint32_t fixedsize, std::initializer_list<OBJECTPIECE> pieces)
{
    GlobalLocked<OBJECTHEADER> from(live);
    if (!from || from.size() < fixedsize || fixedsize < sizeof(OBJECTHEADER))
        return NULL;
    uint64_t data = 0;
    for (const OBJECTPIECE &p : pieces)
        data += p.size;
    if (fixedsize + data > 0x7FFFFFFF)
        return NULL;
    GlobalBlock block(GlobalAlloc(GHND, (SIZE_T)(fixedsize + data)));
    GlobalLocked<uint8_t> to(block.get());
    if (!to)
        return NULL;
    memcpy(to.get(), from.get(), fixedsize);
    uint8_t *at = to.get() + fixedsize;
    for (const OBJECTPIECE &p : pieces) {
        if (p.size)
            memcpy(at, p.data, p.size);
        at += p.size;
    }
    auto *h = (OBJECTHEADER *)to.get();
    h->fixedsize = fixedsize;
    h->datasize = (uint32_t)data;
    h->totalsize = fixedsize + (uint32_t)data;
    to.Unlock();
    return block.Release();
}

// Sets `bit` of `flags` when the check box is checked, clears it when not.
inline void FlagFromCheck(HWND dlg, int id, uint32_t bit, uint32_t *flags)
{
    if (IsDlgButtonChecked(dlg, id) == BST_CHECKED)
        *flags |= bit;
    else
        *flags &= ~bit;
}
