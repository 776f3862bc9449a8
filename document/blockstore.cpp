#include "document/blockstore.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "document/objects.h"
#include "resources/resource.h"
#include <cstdio>
#include <cstring>
#include <ctime>

uint32_t BlockObjectCount(const BLOCK *block)
{
    if (block->tag == TAG_PAGE)
        return block->page.objectcount;
    if (block->tag == TAG_HEDR)
        return block->hedr.objectcount;
    return 0;
}

int CreateBlock(HWND, BLOCKSET *set, BLOCK *block, unsigned long tag, void *, long)
{
    memset(block, 0, sizeof *block);
    block->blockset = set;
    switch (tag) {
    case TAG_HEDR: {
        HEDRRECORD &h = block->hedr;
        block->tag = h.tag = TAG_HEDR;
        block->recordsize = h.recordsize = HEDRSIZE;
        h.width = (int32_t)DefaultWidth;
        h.depth = (int32_t)DefaultDepth;
        h.colour = DefaultBackgroundColour;
        h.colourselector = COLOURSELECTOR_CUSTOM;
        h.flags |= HEDR_DEFAULTSTYLE;
        h.created = (uint32_t)time(nullptr);
        h.version = CREATORVERSION;
        char name[260], organisation[260];
        GetMachineName(name, organisation);
        snprintf(h.author, sizeof h.author, "%s", name);
        snprintf(h.organisation, sizeof h.organisation, "%s", organisation);
        snprintf(h.title, sizeof h.title, "%s", FetchString(IDS_UNTITLED));
        return 1;
    }
    case TAG_PAGE:
        block->tag = block->page.tag = TAG_PAGE;
        block->recordsize = block->page.recordsize = PAGESIZE;
        block->page.colourselector = COLOURSELECTOR_HEADER;
        return 1;
    case TAG_END:
        block->tag = block->end.tag = TAG_END;
        block->recordsize = block->end.recordsize = ENDSIZE;
        return 1;
    }
    return 0;
}

// An item's data is its block's handle; LB_ERR answers an index past the end.
static HGLOBAL ItemBlock(HWND list, unsigned index)
{
    LRESULT data = SendMessageA(list, LB_GETITEMDATA, index, 0);
    if (data == 0 || data == LB_ERR)
        return NULL;
    return (HGLOBAL)data;
}

HGLOBAL AllocateBlock(HWND list, unsigned index, const BLOCK *block)
{
    // A given block fills the whole item: clearing it first would write
    // every page's record twice as a document loads.
    HGLOBAL h = block ? GlobalAlloc(GMEM_MOVEABLE, BLOCKSIZE) : NewGlobal(BLOCKSIZE, nullptr, 0);
    if (!h)
        return NULL;
    if (block) {
        GlobalLocked<BLOCK> item(h);
        if (!item) {
            GlobalFree(h);
            return NULL;
        }
        memcpy(item.get(), block, BLOCKSIZE);
    }
    if (SendMessageA(list, LB_SETITEMDATA, index, (LPARAM)h) == LB_ERR) {
        GlobalFree(h);
        return NULL;
    }
    return h;
}

int GetBlock(HWND list, unsigned index, BLOCK *block)
{
    GlobalLocked<BLOCK> item(ItemBlock(list, index));
    if (!item)
        return 0;
    memcpy(block, item.get(), BLOCKSIZE);
    return 1;
}

int PutBlock(HWND list, unsigned index, const BLOCK *block)
{
    GlobalLocked<BLOCK> item(ItemBlock(list, index));
    if (!item)
        return 0;
    memcpy(item.get(), block, BLOCKSIZE);
    return 1;
}

int AppendBlock(HWND list, BLOCKSET *set, const BLOCK *block)
{
    if (!set)
        return 0;
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM) " ");
    if (index == LB_ERR || index == LB_ERRSPACE)
        return 0;
    if (!AllocateBlock(list, (unsigned)index, block)) {
        SendMessageA(list, LB_DELETESTRING, index, 0);
        return 0;
    }
    return (int)index + 1;
}

bool StepListTop(HWND list, unsigned item)
{
    if (item == 0 || item % 256)
        return false;
    SendMessageA(list, LB_SETTOPINDEX, item, 0);
    return true;
}

void DestroyBlock(BLOCK *block)
{
    uint32_t count = BlockObjectCount(block);
    if (count && block->objects) {
        // The array may be shorter than the count says if a load failed half way.
        SIZE_T slots = GlobalSize(block->objects) / sizeof(HGLOBAL);
        GlobalLocked<HGLOBAL> objects(block->objects);
        for (uint32_t i = 0; objects && i < count && i < slots; i++)
            if (objects.get()[i])
                DestroyPageObject(objects.get()[i]);
    }
    if (block->objects)
        GlobalFree(block->objects);
    if (block->thumbnail)
        GlobalFree(block->thumbnail);
    if (block->title)
        GlobalFree(block->title);
    memset(block, 0, sizeof *block);
}

void FreeBlock(HWND list, unsigned index)
{
    HGLOBAL h = ItemBlock(list, index);
    if (!h)
        return;
    BLOCK block;
    if (GetBlock(list, index, &block))
        DestroyBlock(&block);
    GlobalFree(h);
    SendMessageA(list, LB_SETITEMDATA, index, 0);
}

static void FreeList(HWND list)
{
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++)
        FreeBlock(list, (unsigned)i);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
}

int FreeBlocks(HWND owner, BLOCKSET *set)
{
    if (!set)
        return 0;
    memset(set, 0, sizeof *set);
    FreeList(GetDlgItem(owner, IDC_BLOCKLIST));
    return 0;
}

int FreeUndo(HWND owner, BLOCKSET *set)
{
    if (!set)
        return 0;
    FreeList(GetDlgItem(owner, IDC_UNDOLIST));
    return 0;
}

BLOCKSET *LockBlockSet(HWND owner)
{
    HGLOBAL h = GetWindowValue<HGLOBAL>(owner, GWLP_USERDATA);
    BLOCKSET *set = h ? (BLOCKSET *)GlobalLock(h) : nullptr;
    if (set)
        set->hwnd = owner;
    return set;
}

void UnlockBlockSet(HWND owner)
{
    if (HGLOBAL h = GetWindowValue<HGLOBAL>(owner, GWLP_USERDATA))
        GlobalUnlock(h);
}

int GetHeaderBlock(HWND list, BLOCKSET *, BLOCK *block)
{
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++)
        if (GetBlock(list, (unsigned)i, block) && block->tag == TAG_HEDR)
            return 1;
    return 0;
}

int SequenceBlocks(HWND list, BLOCKSET *set)
{
    if (!set)
        return 0;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        BLOCK block;
        if (!GetBlock(list, (unsigned)i, &block))
            return 0;
        block.sequence = (int16_t)i;
        if (!PutBlock(list, (unsigned)i, &block))
            return 0;
    }
    return 1;
}

int SetBlockTitles(HWND, BLOCKSET *)
{
    return 1;
}

// A title from a file need not be terminated inside its field.
static void CopyTitle(char *out, size_t outsize, const char *title)
{
    size_t n = strnlen(title, TITLESIZE);
    if (n >= outsize)
        n = outsize - 1;
    memcpy(out, title, n);
    out[n] = 0;
}

char *GetBlockText(const BLOCK *block)
{
    static char text[FETCHSTRINGSIZE + TITLESIZE + 1];
    if (block->tag == TAG_PAGE) {
        char title[TITLESIZE + 1];
        CopyTitle(title, sizeof title, block->page.title);
        char format[FETCHSTRINGSIZE];
        snprintf(format, sizeof format, "%s", FetchString(IDS_PAGETEXT));
        // The format is ours, from the string table, but take only its first
        // conversion into account should the table be changed.
        const char *conv = strstr(format, "%s");
        if (conv && !strchr(conv + 2, '%'))
            snprintf(text, sizeof text, format, title);
        else
            snprintf(text, sizeof text, "%s", format);
    } else if (block->tag == TAG_HEDR) {
        snprintf(text, sizeof text, "%s", FetchString(IDS_HEADERTEXT));
    }
    return text;
}

int GetBlockTitle(char *out, const BLOCK *block)
{
    if (block->tag == TAG_PAGE)
        CopyTitle(out, TITLESIZE + 1, block->page.title);
    else if (block->tag == TAG_HEDR)
        CopyTitle(out, TITLESIZE + 1, block->hedr.title);
    else
        out[0] = 0;
    return 1;
}

char *FetchBlockText(const BLOCK *block)
{
    static char text[TITLESIZE + 1];
    text[0] = 0;
    if (block->tag == TAG_PAGE)
        CopyTitle(text, sizeof text, block->page.title);
    else if (block->tag == TAG_HEDR)
        CopyTitle(text, sizeof text, block->hedr.title);
    else if (block->tag == TAG_END)
        CopyTitle(text, sizeof text, block->end.title);
    return text;
}

int PutBlockTitle(const char *text, BLOCK *block)
{
    if (block->title)
        GlobalFree(block->title);
    block->title = NULL;
    size_t len = strlen(text);
    block->title = NewGlobal(len + 16, text, len + 1);
    return block->title ? 1 : 0;
}

int CountBlocks(HWND list, BLOCKSET *set, unsigned short kind)
{
    if (!set)
        return 0;
    int n = 0;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        BLOCK block;
        // The kind is the tag's first two characters.
        if (GetBlock(list, (unsigned)i, &block) && (block.tag & 0xFFFF) == kind)
            n++;
    }
    return n;
}

int FindNextBlock(HWND list, BLOCKSET *set, BLOCK *out, int kind, unsigned start)
{
    if (!set)
        return 0;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = start; i < count; i++) {
        BLOCK block;
        if (GetBlock(list, (unsigned)i, &block) && block.tag == (uint32_t)kind) {
            if (out)
                *out = block;
            return 1;
        }
    }
    return 0;
}
