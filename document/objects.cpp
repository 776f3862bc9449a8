#include "document/objects.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "document/applet.h"
#include "document/blockstore.h"
#include "document/record.h"
#include "resources/document_ids.h"
#include <algorithm>
#include <cstdio>
#include <cstring>

uint32_t ObjectFixedSize(uint32_t tag)
{
    switch (tag) {
    case TAG_BUTN:
        return sizeof(OBJECTBUTTON);
    case TAG_TEXT:
        return sizeof(OBJECTTEXT);
    case TAG_CHEC:
    case TAG_RDIO:
        return sizeof(OBJECTCHECKBOX);
    case TAG_IMAG:
        return sizeof(OBJECTIMAGE);
    case TAG_WAVE:
        return sizeof(OBJECTWAVE);
    case TAG_MIDI:
        return sizeof(OBJECTMIDI);
    case TAG_ANIM:
        return sizeof(OBJECTANIM);
    case TAG_MOVI:
        return sizeof(OBJECTMOVIE);
    case TAG_FRAM:
        return sizeof(OBJECTFRAME);
    case TAG_APPL:
        return sizeof(OBJECTAPPLET);
    case TAG_LIST:
        return sizeof(OBJECTLISTBOX);
    case TAG_EDIT:
        return sizeof(OBJECTEDIT);
    case TAG_TIME:
        return sizeof(OBJECTTIMER);
    case TAG_STAT:
        return sizeof(OBJECTSTATICIMAGE);
    case TAG_FONT:
        return sizeof(OBJECTFONT);
    }
    return 0;
}

HEADVERDICT ObjectHeadVerdict(const OBJECTHEADER &head)
{
    const uint32_t fixed = head.fixedsize, known = ObjectFixedSize(head.tag);
    if (fixed < std::max(known, OBJECTHEADERSIZE) || fixed > MAXFIXEDSIZE)
        return HEAD_UNREADABLE;
    if ((uint64_t)fixed + head.datasize != head.totalsize || (known && fixed > known) ||
        head.totalsize > MAXOBJECTBYTES)
        return HEAD_DAMAGED;
    return HEAD_SOUND;
}

template <class R, class F> static void ZeroFrom(OBJECTHEADER *o, F R::*field)
{
    R *r = (R *)o;
    size_t offset = (char *)&(r->*field) - (char *)r;
    if (o->fixedsize >= sizeof(R))
        memset((char *)r + offset, 0, sizeof(R) - offset);
}

void ClearRunTimeFields(OBJECTHEADER *o)
{
    o->background = 0;
    o->flags &= ~(OBJ_RUNNING | OBJ_DEACTIVATED);
    if (o->fixedsize < ObjectFixedSize(o->tag))
        return;
    switch (o->tag) {
    case TAG_IMAG:
        ZeroFrom(o, &OBJECTIMAGE::status);
        break;
    case TAG_ANIM:
        ((OBJECTANIM *)o)->current = 0;
        ZeroFrom(o, &OBJECTANIM::timer);
        break;
    case TAG_WAVE:
        ((OBJECTWAVE *)o)->sound = 0;
        break;
    case TAG_MIDI:
        ((OBJECTMIDI *)o)->sound = 0;
        break;
    case TAG_MOVI:
        ((OBJECTMOVIE *)o)->grab = 0;
        ((OBJECTMOVIE *)o)->device = 0;
        break;
    case TAG_TIME:
        ((OBJECTTIMER *)o)->timer = 0;
        break;
    case TAG_APPL:
        ZeroFrom(o, &OBJECTAPPLET::applet);
        break;
    }
}

// The count and flags of the record that owns a block's objects.
static uint32_t *CountField(BLOCK *block)
{
    if (block->tag == TAG_PAGE)
        return &block->page.objectcount;
    if (block->tag == TAG_HEDR)
        return &block->hedr.objectcount;
    return nullptr;
}

static uint32_t *FlagsField(BLOCK *block)
{
    return block->tag == TAG_PAGE ? &block->page.flags : &block->hedr.flags;
}

// Slots the array really has: a count read from elsewhere never reaches past it.
static uint32_t ArraySlots(BLOCK *block)
{
    return block->objects ? (uint32_t)(GlobalSize(block->objects) / sizeof(HGLOBAL)) : 0;
}

// The block's count, when `index` is below it and inside the array; else null.
static uint32_t *CountHolding(BLOCK *block, unsigned index)
{
    uint32_t *count = CountField(block);
    return count && block->objects && index < *count && index < ArraySlots(block) ? count : nullptr;
}

static int Clamp16(long long v)
{
    return (int)std::clamp(v, 0LL, 0xFFFFLL);
}

static int32_t ReadInt(const uint8_t *p)
{
    int32_t v;
    memcpy(&v, p, 4);
    return v;
}

// Width and height of a packed DIB (also the head of a movie's data).
static void DibSize(const uint8_t *data, SIZE_T len, int *w, int *h)
{
    *w = *h = 0;
    if (len < 12)
        return;
    uint32_t headersize = (uint32_t)ReadInt(data);
    if (headersize == sizeof(BITMAPCOREHEADER)) {
        *w = data[4] | data[5] << 8;
        *h = data[6] | data[7] << 8;
        return;
    }
    *w = Clamp16(ReadInt(data + 4));
    *h = Clamp16(std::llabs((long long)ReadInt(data + 8)));
}

// The data a new object of `tag` carries: a text, a handle's contents (held
// locked by `lock`), or nothing. False when a handle cannot be read.
static bool AttachedData(unsigned long tag, LONG_PTR data, GlobalLocked<const uint8_t> &lock, const uint8_t **bytes,
                         SIZE_T *length)
{
    *bytes = nullptr;
    *length = 0;
    if (!data)
        return true;
    switch (tag) {
    case TAG_BUTN:
    case TAG_TEXT:
    case TAG_CHEC:
    case TAG_RDIO:
    case TAG_EDIT:
    case TAG_LIST:
        *bytes = (const uint8_t *)data;
        *length = strlen((const char *)data) + 1;
        break;
    case TAG_IMAG:
    case TAG_STAT:
    case TAG_WAVE:
    case TAG_MIDI:
    case TAG_ANIM:
    case TAG_MOVI:
        if (!lock.Lock((HGLOBAL)data))
            return false;
        *length = GlobalSize((HGLOBAL)data);
        *bytes = lock.get();
        break;
    }
    return true;
}

// The size a new object takes: its kind's own, or its picture's.
static SIZE NewObjectSize(unsigned long tag, const uint8_t *bytes, SIZE_T length)
{
    int w = 0, d = 0;
    switch (tag) {
    case TAG_BUTN:
        w = DefaultButtonObjectWidth, d = DefaultButtonObjectDepth;
        break;
    case TAG_TEXT:
        w = DefaultTextObjectWidth, d = DefaultTextObjectDepth;
        break;
    case TAG_CHEC:
    case TAG_RDIO:
        w = DefaultCheckboxObjectWidth, d = DefaultCheckboxObjectDepth;
        break;
    case TAG_EDIT:
        w = DefaultEditObjectWidth, d = DefaultEditObjectDepth;
        break;
    case TAG_LIST:
        w = DefaultListboxObjectWidth, d = DefaultListboxObjectDepth;
        break;
    case TAG_WAVE:
    case TAG_MIDI:
    case TAG_TIME:
        w = d = 32;
        break;
    case TAG_STAT:
    case TAG_MOVI:
    case TAG_IMAG:
        DibSize(bytes, length, &w, &d);
        break;
    case TAG_ANIM:
        if (length >= sizeof(ANIMHEADER)) {
            w = Clamp16(((const ANIMHEADER *)bytes)->width);
            d = Clamp16(((const ANIMHEADER *)bytes)->height);
        }
        break;
    case TAG_FRAM:
        w = DefaultFrameObjectWidth, d = DefaultFrameObjectDepth;
        break;
    case TAG_APPL:
        w = DefaultAppletObjectWidth, d = DefaultAppletObjectDepth;
        break;
    }
    return SIZE{w, d};
}

// A new object's flags and its kind's own fields, as the editor first
// offers them; `length` bytes of data follow the record.
static void SetNewObjectFields(OBJECTHEADER *o, const uint8_t *bytes, SIZE_T length)
{
    o->flags = OBJ_VISIBLE;
    if (o->tag != TAG_FRAM && o->tag != TAG_TIME)
        o->flags |= OBJ_ENABLED;
    switch (o->tag) {
    case TAG_BUTN: {
        OBJECTBUTTON *r = (OBJECTBUTTON *)o;
        r->action = 0;
        r->target = 101;
        r->titlelength = (uint32_t)length;
        r->disabledcolour = DisabledColorDefault;
        r->softcolour = SoftCustomColorDefault;
        r->softtextcolour = SoftCustomTextDefault;
        break;
    }
    case TAG_TEXT: {
        o->flags |= OBJ_GRAPHIC; // smoothed
        OBJECTTEXT *r = (OBJECTTEXT *)o;
        snprintf(r->face, sizeof r->face, "%s", DefaultTextFont);
        r->size = (int32_t)DefaultTextObjectFontSize;
        r->weight = 500;
        r->colour = DefaultTextObjectForeColour;
        r->backcolour = DefaultTextObjectBackColour;
        r->padding = 0;
        r->offset = 1;
        break;
    }
    case TAG_CHEC:
    case TAG_RDIO:
        ((OBJECTCHECKBOX *)o)->notify = 101;
        break;
    case TAG_EDIT:
        ((OBJECTEDIT *)o)->notify = 101;
        break;
    case TAG_LIST:
        ((OBJECTLISTBOX *)o)->notify = 101;
        break;
    case TAG_WAVE:
        ((OBJECTWAVE *)o)->notify = 101;
        break;
    case TAG_MIDI:
        ((OBJECTMIDI *)o)->notify = 101;
        break;
    case TAG_IMAG: {
        OBJECTIMAGE *r = (OBJECTIMAGE *)o;
        r->appear = r->disappear = 3;
        r->speed = 80;
        r->wait = DefaultDelay;
        r->clearscreen = (uint32_t)DefaultClearscreen;
        r->notify = 101;
        break;
    }
    case TAG_ANIM: {
        OBJECTANIM *r = (OBJECTANIM *)o;
        r->notify = 101;
        if (length >= sizeof(ANIMHEADER)) {
            r->frames = ((const ANIMHEADER *)bytes)->frames;
            r->repeat = ((const ANIMHEADER *)bytes)->repeat;
        }
        break;
    }
    case TAG_FRAM: {
        OBJECTFRAME *r = (OBJECTFRAME *)o;
        r->primary = 0xE0E0E0;
        r->secondary = 0x404040;
        r->interior = 0x808080;
        r->thickness = 1;
        r->primaryselector = r->secondaryselector = r->interiorselector = COLOURSELECTOR_CUSTOM;
        break;
    }
    case TAG_TIME: {
        OBJECTTIMER *r = (OBJECTTIMER *)o;
        r->target = 101;
        r->delay = DefaultTimerDuration;
        break;
    }
    case TAG_APPL:
        ((OBJECTAPPLET *)o)->stacksize = DefaultAppletStackSize;
        break;
    }
}

HGLOBAL CreatePageObject(BLOCK *block, unsigned long tag, unsigned int position, LONG_PTR data)
{
    uint32_t fixed = ObjectFixedSize(tag);
    if (!fixed || tag == TAG_FONT)
        return NULL;
    const uint8_t *bytes;
    SIZE_T length;
    GlobalLocked<const uint8_t> sourcelock;
    if (!AttachedData(tag, data, sourcelock, &bytes, &length) || length > 0x40000000)
        return NULL;

    GlobalBlock h = GlobalBlock::Alloc(fixed + length + OBJECTSLACK);
    GlobalLocked<OBJECTHEADER> lock(h);
    if (!lock)
        return NULL;
    OBJECTHEADER *o = lock.get();
    o->tag = tag;
    o->totalsize = fixed + (uint32_t)length;
    o->fixedsize = fixed;
    o->datasize = (uint32_t)length;
    SetNewObjectFields(o, bytes, length);
    int x = (short)LOWORD(position), y = (short)HIWORD(position);
    SIZE size = NewObjectSize(tag, bytes, length);
    o->rect = {x, y, x + size.cx, y + size.cy};
    o->number = GetNextPageObjectNumber(block);
    if (length)
        memcpy((char *)o + fixed, bytes, length);
    lock.Unlock();
    sourcelock.Unlock();

    if (tag == TAG_APPL && data) {
        const char *text = (const char *)data;
        return AppendAppletEntry(h.get(), text, (unsigned long)strlen(text) + 1, ENTRY_TEXT, 0);
    }
    return h.Release();
}

unsigned GetNextPageObjectNumber(BLOCK *block)
{
    if (block->tag != TAG_PAGE)
        return 0;
    uint32_t highest = 100;
    for (uint32_t i = 0; i < block->page.objectcount; i++) {
        ObjectRecord<> o(GetPageObject(block, i));
        if (o)
            highest = std::max(highest, o->number);
    }
    return highest + 1;
}

char *GetObjectTypeName(unsigned long tag)
{
    static const struct {
        uint32_t tag;
        unsigned id;
    } names[] = {
        {TAG_BUTN, IDS_OBJECTBUTTON}, {TAG_TEXT, IDS_OBJECTTEXT},   {TAG_CHEC, IDS_OBJECTCHECKBOX},
        {TAG_RDIO, IDS_OBJECTRADIO},  {TAG_IMAG, IDS_OBJECTIMAGE},  {TAG_WAVE, IDS_OBJECTWAVE},
        {TAG_MIDI, IDS_OBJECTMIDI},   {TAG_ANIM, IDS_OBJECTANIM},   {TAG_MOVI, IDS_OBJECTMOVIE},
        {TAG_FRAM, IDS_OBJECTFRAME},  {TAG_APPL, IDS_OBJECTAPPLET}, {TAG_LIST, IDS_OBJECTLIST},
        {TAG_CMBO, IDS_OBJECTCOMBO},  {TAG_BAKI, IDS_OBJECTBACKIMAGE}, {TAG_EDIT, IDS_OBJECTEDIT},
        {TAG_TIME, IDS_OBJECTTIMER},  {TAG_STAT, IDS_OBJECTSTATIC},
    };
    for (const auto &n : names)
        if (n.tag == tag)
            return FetchString(n.id);
    static char unknown[] = "Unknown";
    return unknown;
}

void CopyPageObject(OBJECTHEADER *dst, const OBJECTHEADER *src)
{
    memcpy(dst, src, src->fixedsize);
}

HGLOBAL GetPageObject(BLOCK *block, unsigned index)
{
    if (!CountHolding(block, index))
        return NULL;
    GlobalLocked<HGLOBAL> array(block->objects);
    return array ? array.get()[index] : NULL;
}

int PutPageObject(BLOCK *block, HGLOBAL object, unsigned index)
{
    if (!CountHolding(block, index))
        return 0;
    GlobalLocked<HGLOBAL> array(block->objects);
    if (!array)
        return 0;
    array.get()[index] = object;
    return 1;
}

int AppendPageObject(BLOCK *block, HGLOBAL object)
{
    uint32_t *count = CountField(block);
    if (!count)
        return 0;
    uint32_t *flags = FlagsField(block);
    if (*count == 0) {
        if (block->objects)
            GlobalFree(block->objects);
        block->objects = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(HGLOBAL));
        if (!block->objects) {
            *flags &= ~BLOCK_HASOBJECTS;
            return 0;
        }
    } else {
        if (*count >= 0x10000000 || !block->objects)
            return 0;
        HGLOBAL grown = GlobalReAlloc(block->objects, (*count + 1) * sizeof(HGLOBAL), GMEM_MOVEABLE | GMEM_ZEROINIT);
        if (!grown)
            return 0;
        block->objects = grown;
    }
    GlobalLocked<HGLOBAL> array(block->objects);
    if (!array)
        return 0;
    *flags |= BLOCK_HASOBJECTS;
    array.get()[*count] = object;
    ++*count;
    return 1;
}

int DeletePageObject(BLOCK *block, unsigned index)
{
    uint32_t *count = CountHolding(block, index);
    if (!count)
        return 0;
    uint32_t n = std::min(*count, ArraySlots(block));
    {
        GlobalLocked<HGLOBAL> array(block->objects);
        if (!array)
            return 0;
        HGLOBAL *a = array.get();
        DestroyPageObject(a[index]);
        memmove(a + index, a + index + 1, (n - index - 1) * sizeof(HGLOBAL));
        a[n - 1] = NULL;
    }
    *count = n - 1;
    if (*count) {
        if (HGLOBAL shrunk = GlobalReAlloc(block->objects, *count * sizeof(HGLOBAL), GMEM_MOVEABLE | GMEM_ZEROINIT))
            block->objects = shrunk;
    } else {
        GlobalFree(block->objects);
        block->objects = NULL;
        *FlagsField(block) &= ~BLOCK_HASOBJECTS;
    }
    return 1;
}

HGLOBAL DuplicatePageObject(HGLOBAL object)
{
    return DuplicateObject(object);
}

int DestroyPageObject(HGLOBAL object)
{
    if (!object || !GlobalLock(object))
        return 0;
    GlobalUnlock(object);
    GlobalFree(object);
    return 1;
}

int FindPageObject(BLOCK *block, unsigned long tag, unsigned long number)
{
    uint32_t *count = CountField(block);
    if (!count)
        return -1;
    for (uint32_t i = 0; i < *count; i++) {
        ObjectRecord<> o(GetPageObject(block, i));
        if (o && o->tag == tag && o->number == number)
            return (int)i;
    }
    return -1;
}

int AddPageObject(HWND page, HGLOBAL object)
{
    ObjectRecord<> o(object);
    if (!o)
        return 0;
    o->background = 0;
    static const struct {
        uint32_t tag;
        const char *word;
    } words[] = {
        {TAG_MOVI, "MOVIE"}, {TAG_LIST, "LISTBOX"}, {TAG_TIME, "TIMER"},  {TAG_WAVE, "WAVE"},
        {TAG_IMAG, "IMAGE"}, {TAG_MIDI, "MIDI"},    {TAG_APPL, "APPLET"}, {TAG_FRAM, "FRAME"},
        {TAG_ANIM, "ANIM"},  {TAG_STAT, "STATICIMAGE"},
    };
    const char *text = nullptr;
    switch (o->tag) {
    case TAG_BUTN:
    case TAG_TEXT:
    case TAG_CHEC:
    case TAG_RDIO:
    case TAG_EDIT:
        text = o->datasize && o.Whole() ? ObjectData(o.get()) : "";
        break;
    default:
        for (const auto &w : words)
            if (w.tag == o->tag)
                text = w.word;
    }
    if (!text)
        return 1;
    const RECT &r = o->rect;
    HWND hwnd = CreateWindowExA(WS_EX_TRANSPARENT, "ShowbinderObjectPreview", text, WS_CHILD | WS_VISIBLE, r.left,
                                r.top, RectWidth(&r), RectDepth(&r), page, (HMENU)(UINT_PTR)o->number, hInst, NULL);
    if (hwnd) {
        SetWindowValue(hwnd, GWLP_USERDATA, object);
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        InvalidateRect(hwnd, NULL, TRUE);
    }
    return 1;
}

int AddOptionalObjects(HWND owner, BLOCK *page)
{
    if (!AddNavigationObjects)
        return 0;
    BLOCK header;
    if (!GetHeaderBlock(GetDlgItem(owner, IDC_BLOCKLIST), nullptr, &header))
        return 0;
    int fx = 0, fy = 0;
    if (!(header.hedr.flags & HEDR_FIXEDCLIENT)) {
        fx = 2 * GetSystemMetrics(SM_CXFRAME);
        fy = 2 * GetSystemMetrics(SM_CYFRAME);
        if (header.hedr.flags & WS_CAPTION)
            fy += GetSystemMetrics(SM_CYCAPTION);
    }
    int x = (int)NavigationObjectHorizontal;
    if (NavigationObjectHorizontal & 0x8000)
        x = header.hedr.width - fx - (int)(NavigationObjectHorizontal & 0x7FFF) - 4 * (int)DefaultButtonObjectWidth;
    int y = (int)NavigationObjectVertical;
    if (NavigationObjectVertical & 0x8000)
        y = header.hedr.depth - fy - (int)(NavigationObjectVertical & 0x7FFF) - (int)DefaultButtonObjectDepth;

    static const struct {
        const char *title;
        uint32_t action;
    } buttons[] = {{"First", 1}, {"Previous", 2}, {"Next", 3}, {"Last", 4}};
    for (int i = 0; i < 4; i++) {
        int bx = x + i * (int)DefaultButtonObjectWidth;
        unsigned position = (unsigned)(WORD)bx | (unsigned)(WORD)y << 16;
        HGLOBAL h = CreatePageObject(page, TAG_BUTN, position, (LONG_PTR)buttons[i].title);
        bool ok = false;
        if (h) {
            GlobalLocked<OBJECTBUTTON> b(h);
            if (b) {
                b->action = buttons[i].action;
                ok = true;
            }
        }
        if (!ok || !AppendPageObject(page, h)) {
            DoMessage(owner, FetchString(IDS_OBJECTACCESSERROR));
            if (h)
                GlobalFree(h);
            return 0;
        }
    }
    return 1;
}

COLORREF BlockColour(const BLOCK *block, const BLOCK *header, COLORREF noheader)
{
    const bool page = block->tag == TAG_PAGE;
    const uint32_t selector = page ? block->page.colourselector : block->hedr.colourselector;
    if (selector == COLOURSELECTOR_CUSTOM)
        return page ? block->page.colour : block->hedr.colour;
    if (page && selector == COLOURSELECTOR_HEADER)
        return header && header->tag == TAG_HEDR ? BlockColour(header, nullptr, noheader) : noheader;
    return GetSysColor((int)selector);
}

COLORREF GetBlockBackgroundColour(HWND owner, BLOCK *block)
{
    if (block->tag != TAG_PAGE && block->tag != TAG_HEDR)
        return 0;
    BLOCK header;
    bool hasheader = block->tag == TAG_PAGE && block->page.colourselector == COLOURSELECTOR_HEADER &&
                     GetHeaderBlock(GetDlgItem(owner, IDC_BLOCKLIST), nullptr, &header);
    return BlockColour(block, hasheader ? &header : nullptr, block->page.colour);
}

// Accessors. Every object block has 16 zero bytes behind its data, so a text
// that starts inside the data is terminated.

static char emptytext[1];

// The data as a text, or an empty text when there is none.
static char *DataText(OBJECTHEADER *o)
{
    emptytext[0] = 0;
    return o->datasize ? ObjectData(o) : emptytext;
}

char *GetButtonTitleText(OBJECTBUTTON *object)
{
    return DataText(&object->header);
}

char *GetButtonTargetText(OBJECTBUTTON *object)
{
    emptytext[0] = 0;
    uint32_t size = object->header.datasize;
    if (!size)
        return emptytext;
    char *data = ObjectData(&object->header);
    size_t title = strnlen(data, size);
    return title + 1 < size ? data + title + 1 : emptytext;
}

char *GetButtonTitleGraphic(OBJECTBUTTON *object)
{
    uint64_t offset = (uint64_t)object->titlelength + object->targetlength;
    if (offset >= object->header.datasize)
        return nullptr;
    return ObjectData(&object->header) + offset;
}

char *GetTimerTargetText(OBJECTTIMER *object)
{
    return DataText(&object->header);
}

// A new block holding a copy of the data and `extra` zero bytes; 0 when
// there is no data.
static HGLOBAL CopyData(OBJECTHEADER *o, SIZE_T extra)
{
    return o->datasize ? NewGlobal(o->datasize + extra, ObjectData(o), o->datasize) : NULL;
}

HGLOBAL GetImageObjectBitmap(OBJECTIMAGE *object) { return CopyData(&object->header, 0); }
HGLOBAL GetStaticImageObjectBitmap(OBJECTSTATICIMAGE *object) { return CopyData(&object->header, 0); }
HGLOBAL GetWaveObjectData(OBJECTWAVE *object) { return CopyData(&object->header, 0); }
HGLOBAL GetMidiObjectData(OBJECTMIDI *object) { return CopyData(&object->header, 0); }
HGLOBAL GetAnimObjectData(OBJECTANIM *object) { return CopyData(&object->header, 0); }
HGLOBAL GetMovieObjectData(OBJECTMOVIE *object) { return CopyData(&object->header, 0); }

HGLOBAL GetBackImage(HGLOBAL object)
{
    ObjectRecord<> o(object);
    if (!o.Whole())
        return NULL;
    return CopyData(o.get(), 16);
}
