#include "document/applet.h"
#include "common/owners.h"
#include "document/objects.h"
#include <cstring>
#include <vector>

namespace {

// An applet object whose entries have been checked to lie inside its data.
struct AppletView {
    GlobalLocked<char> lock;
    OBJECTAPPLET *applet = nullptr;
    uint32_t count = 0; // entries that fit

    explicit AppletView(HGLOBAL object) : lock(object)
    {
        if (!lock || lock.size() < sizeof(OBJECTAPPLET))
            return;
        OBJECTAPPLET *a = (OBJECTAPPLET *)lock.get();
        const OBJECTHEADER &h = a->header;
        if (h.tag != TAG_APPL || h.fixedsize < sizeof(OBJECTAPPLET) ||
            (uint64_t)h.fixedsize + h.datasize > lock.size())
            return;
        applet = a;
        uint64_t offset = h.fixedsize, end = end_of_data();
        while (count < a->entries) {
            if (offset + sizeof(OBJECTAPPLETENTRY) > end)
                break;
            // In 64 bits: a length near 4 GB must not wrap round to a short one.
            offset += (uint64_t)sizeof(OBJECTAPPLETENTRY) + head_at((uint32_t)offset)->length;
            if (offset > end)
                break;
            count++;
        }
    }
    explicit operator bool() const { return applet != nullptr; }
    uint64_t end_of_data() const { return (uint64_t)applet->header.fixedsize + applet->header.datasize; }
    OBJECTAPPLETENTRY *head_at(uint32_t offset) const { return (OBJECTAPPLETENTRY *)(lock.get() + offset); }
    // Offset of entry `index` (below count) within the object.
    uint32_t offset_of(uint32_t index) const
    {
        uint32_t offset = applet->header.fixedsize;
        for (uint32_t i = 0; i < index; i++)
            offset += sizeof(OBJECTAPPLETENTRY) + head_at(offset)->length;
        return offset;
    }
};

void SetOut(unsigned long *out, uint32_t value)
{
    if (out)
        *out = value;
}

} // namespace

HGLOBAL AppendAppletEntry(HGLOBAL object, const char *data, unsigned long length, unsigned long kind,
                          unsigned long number)
{
    AppletView v(object);
    if (!v || (length && !data))
        return NULL;
    // Entries past a damaged one are dropped: the count says what is there.
    uint64_t used = v.offset_of(v.count);
    uint64_t size = used + length + sizeof(OBJECTAPPLETENTRY) + OBJECTSLACK;
    if (size > 0x40000000)
        return NULL;
    HGLOBAL copy = NewGlobal((SIZE_T)size, v.lock.get(), (SIZE_T)used);
    GlobalLocked<char> c(copy);
    if (!c) {
        if (copy)
            GlobalFree(copy);
        return NULL;
    }
    OBJECTAPPLETENTRY head{};
    head.length = length;
    head.kind = kind;
    head.number = number;
    memcpy(c.get() + used, &head, sizeof head);
    if (length)
        memcpy(c.get() + used + sizeof head, data, length);
    OBJECTAPPLET *a = (OBJECTAPPLET *)c.get();
    a->entries = v.count + 1;
    a->header.datasize = (uint32_t)(used - a->header.fixedsize) + length + sizeof head;
    a->header.totalsize = a->header.fixedsize + a->header.datasize;
    return copy;
}

HGLOBAL DeleteAppletEntry(HGLOBAL object, unsigned long index)
{
    AppletView v(object);
    if (!v || index >= v.count)
        return NULL;
    uint32_t fixed = v.applet->header.fixedsize;
    uint32_t gone = v.offset_of(index);
    uint32_t after = gone + sizeof(OBJECTAPPLETENTRY) + v.head_at(gone)->length;
    uint32_t rest = v.offset_of(v.count) - after;
    uint32_t datasize = (gone - fixed) + rest;
    HGLOBAL copy = NewGlobal(fixed + datasize + OBJECTSLACK, v.lock.get(), gone, v.lock.get() + after, rest);
    GlobalLocked<OBJECTAPPLET> a(copy);
    if (!a) {
        if (copy)
            GlobalFree(copy);
        return NULL;
    }
    a->entries = v.count - 1;
    a->header.datasize = datasize;
    a->header.totalsize = fixed + datasize;
    return copy;
}

static HGLOBAL CopyEntry(HGLOBAL object, unsigned long index, bool withhead, unsigned long *length,
                         unsigned long *kind, unsigned long *number)
{
    AppletView v(object);
    if (!v || index >= v.count)
        return NULL;
    uint32_t offset = v.offset_of(index);
    const OBJECTAPPLETENTRY *head = v.head_at(offset);
    SIZE_T skip = withhead ? 0 : sizeof(OBJECTAPPLETENTRY);
    SIZE_T bytes = sizeof(OBJECTAPPLETENTRY) + head->length - skip;
    HGLOBAL h = NewGlobal(bytes + 16, v.lock.get() + offset + skip, bytes);
    if (h) {
        SetOut(length, head->length);
        SetOut(kind, head->kind);
        SetOut(number, head->number);
    }
    return h;
}

HGLOBAL GetAppletEntry(HGLOBAL object, unsigned long index, unsigned long *length, unsigned long *kind,
                       unsigned long *number)
{
    return CopyEntry(object, index, false, length, kind, number);
}

HGLOBAL GetAppletEntryAndHeader(HGLOBAL object, unsigned long index, unsigned long *length, unsigned long *kind,
                                unsigned long *number)
{
    return CopyEntry(object, index, true, length, kind, number);
}

long CountAppletEntries(HGLOBAL object)
{
    AppletView v(object);
    return v ? (long)v.count : -1;
}

int FindAppletEntry(HGLOBAL object, unsigned long number, unsigned long kind)
{
    AppletView v(object);
    if (!v)
        return -1;
    uint32_t offset = v.applet->header.fixedsize;
    for (uint32_t i = 0; i < v.count; i++) {
        const OBJECTAPPLETENTRY *head = v.head_at(offset);
        if (head->number == number && head->kind == kind)
            return (int)i;
        offset += sizeof(OBJECTAPPLETENTRY) + head->length;
    }
    return -1;
}

APPLETSOURCE ReadAppletSource(HGLOBAL object, bool withtext)
{
    APPLETSOURCE s;
    AppletView v(object);
    if (!v) {
        s.damaged = true;
        return s;
    }
    s.damaged = v.count < v.applet->entries;
    uint32_t offset = v.applet->header.fixedsize;
    for (uint32_t i = 0; i < v.count; i++) {
        const OBJECTAPPLETENTRY *head = v.head_at(offset);
        if (head->kind == ENTRY_TEXT) {
            const char *text = (const char *)(head + 1);
            const char *zero = (const char *)memchr(text, 0, head->length);
            if (withtext)
                s.text.assign(text, zero ? (size_t)(zero - text) : head->length);
            s.index = (int)i;
            s.damaged |= zero == nullptr;
            break;
        }
        offset += sizeof(OBJECTAPPLETENTRY) + head->length;
    }
    return s;
}

// The first source is the one replaced, whatever its number: it is the one
// the interpreter runs. An applet without one gets one.
HGLOBAL ReplaceAppletSource(HGLOBAL object, const char *text, unsigned long length)
{
    int index = ReadAppletSource(object, false).index;
    HGLOBAL removed = index >= 0 ? DeleteAppletEntry(object, (unsigned long)index) : object;
    HGLOBAL appended = removed ? AppendAppletEntry(removed, text, length, ENTRY_TEXT, 0) : NULL;
    if (removed && removed != object)
        GlobalFree(removed);
    return appended;
}

HGLOBAL FindNumberedAppletObject(OBJECTAPPLETENTRY *head, HGLOBAL object, unsigned long number,
                                 unsigned long kind)
{
    int index = FindAppletEntry(object, number, kind);
    if (index < 0)
        return NULL;
    HGLOBAL entry = GetAppletEntryAndHeader(object, (unsigned long)index, nullptr, nullptr, nullptr);
    if (!entry)
        return NULL;
    HGLOBAL data = NULL;
    if (GetObjectAppletEntryHeader(head, entry))
        data = GetAppletEntry(object, (unsigned long)index, nullptr, nullptr, nullptr);
    GlobalFree(entry);
    return data;
}

int GetObjectAppletEntryHeader(OBJECTAPPLETENTRY *head, HGLOBAL entry)
{
    GlobalLocked<OBJECTAPPLETENTRY> e(entry);
    if (!e || e.size() < sizeof *head)
        return 0;
    *head = *e.get();
    return 1;
}

HGLOBAL InsertObjectAppletEntryHeader(HGLOBAL data, const OBJECTAPPLETENTRY *head)
{
    GlobalLocked<char> d(data);
    if (!d)
        return NULL;
    SIZE_T size = d.size();
    if (size > 0x40000000)
        return NULL;
    OBJECTAPPLETENTRY h = *head;
    h.length = (uint32_t)size;
    return NewGlobal(sizeof h + size + 64, &h, sizeof h, d.get(), size);
}

HGLOBAL GetAppletEntryData(HGLOBAL entry)
{
    GlobalLocked<char> e(entry);
    if (!e || e.size() < sizeof(OBJECTAPPLETENTRY))
        return NULL;
    SIZE_T room = e.size() - sizeof(OBJECTAPPLETENTRY);
    SIZE_T length = ((const OBJECTAPPLETENTRY *)e.get())->length;
    if (length > room)
        length = room;
    // A block of exactly the data's length: callers take its size for the length.
    return length ? NewGlobal(length, e.get() + sizeof(OBJECTAPPLETENTRY), length) : NULL;
}

int AddAppletObject(HGLOBAL *table, int *count, const APPLETOBJECT *row)
{
    if (*count < 0 || *count >= 0x1000000)
        return 0;
    SIZE_T size = (SIZE_T)(*count + 1) * sizeof(APPLETOBJECT);
    HGLOBAL grown = *table && *count ? GlobalReAlloc(*table, size, GMEM_MOVEABLE | GMEM_ZEROINIT)
                                     : GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!grown)
        return 0;
    if (*table && !*count)
        GlobalFree(*table);
    *table = grown;
    GlobalLocked<APPLETOBJECT> t(grown);
    if (!t)
        return 0;
    t.get()[*count] = *row;
    ++*count;
    return 1;
}

HGLOBAL GetAppletObject(HGLOBAL table, int index, APPLETOBJECT *row)
{
    GlobalLocked<APPLETOBJECT> t(table);
    if (!t || index < 0 || (SIZE_T)index >= t.size() / sizeof(APPLETOBJECT))
        return NULL;
    *row = t.get()[index];
    return row->data;
}

int PutAppletObject(HGLOBAL table, int index, const APPLETOBJECT *row)
{
    GlobalLocked<APPLETOBJECT> t(table);
    if (!t || index < 0 || (SIZE_T)index >= t.size() / sizeof(APPLETOBJECT))
        return 0;
    t.get()[index] = *row;
    return 1;
}

int MakeNewAppletObject(APPLETOBJECT *row, HGLOBAL table, int count, HGLOBAL data, unsigned long kind)
{
    GlobalLocked<APPLETOBJECT> t(table);
    if (count < 0 || (count > 0 && (!t || (SIZE_T)count > t.size() / sizeof(APPLETOBJECT))))
        return 0;
    // The smallest number no row uses, found in one pass over the rows.
    std::vector<bool> used(MAXAPPLETOBJECTNUMBER + 2);
    for (int i = 0; i < count; i++)
        if (t.get()[i].number <= MAXAPPLETOBJECTNUMBER)
            used[t.get()[i].number] = true;
    uint32_t n = 1;
    while (used[n])
        n++;
    if (n > MAXAPPLETOBJECTNUMBER)
        return 0;
    memset(row, 0, sizeof *row);
    row->kind = kind;
    row->size = data ? (uint32_t)GlobalSize(data) : 0;
    row->number = n;
    row->data = data;
    return 1;
}

int GetAnimFrameHeader(HGLOBAL block, OBJECTANIMFRAME *frame, unsigned long index)
{
    GlobalLocked<char> b(block);
    uint64_t offset = sizeof(ANIMHEADER) + (uint64_t)index * sizeof(OBJECTANIMFRAME);
    if (!b || offset + sizeof *frame > b.size())
        return 0;
    memcpy(frame, b.get() + offset, sizeof *frame);
    return 1;
}

int PutAnimFrameHeader(HGLOBAL block, const OBJECTANIMFRAME *frame, unsigned long index)
{
    GlobalLocked<char> b(block);
    uint64_t offset = sizeof(ANIMHEADER) + (uint64_t)index * sizeof(OBJECTANIMFRAME);
    if (!b || offset + sizeof *frame > b.size())
        return 0;
    memcpy(b.get() + offset, frame, sizeof *frame);
    return 1;
}

ANIMHEADER *FindAnimationHeader(char *block)
{
    return (ANIMHEADER *)block;
}
