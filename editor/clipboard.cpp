// Cut, Copy and Paste of whole pages. The clipboard data is the block
// record's image followed by each object's whole block, so a page pastes
// into any document window of any running editor.
#include "editor/clipboard.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/objects.h"
#include "document/reader.h"
#include "editor/blocks.h"
#include "editor/shell.h"
#include "editor/undo.h"
#include "resources/blockclipboard_ids.h"
#include "resources/editordocs_ids.h"
#include "resources/editorframe_ids.h"
#include "resources/resource.h"
#include <cstring>
#include <vector>

namespace {

// Where the block record's fields stand in the image: fixed by the format,
// whatever the compiler makes of the record in memory.
constexpr size_t AT_TAG = 0, AT_OBJECTS = 4, AT_THUMBNAIL = 8, AT_RECORDSIZE = 12, AT_SEQUENCE = 16, AT_TITLE = 24,
                 AT_HEDR = 28, AT_PAGE = 2316, AT_END = 2674, AT_BLOCKSET = 3076;
constexpr size_t AT_OBJECTCOUNT = AT_PAGE + offsetof(PAGERECORD, objectcount);
static_assert(AT_OBJECTCOUNT == 2638);
static_assert(AT_END + sizeof(ENDRECORD) + 12 == AT_BLOCKSET && AT_BLOCKSET + 4 == PAGEBLOCKIMAGE);

template <class T> void Put(uint8_t *image, size_t at, const T &value) { memcpy(image + at, &value, sizeof value); }
template <class T> void Get(const uint8_t *image, size_t at, T &value) { memcpy(&value, image + at, sizeof value); }

void WriteImage(uint8_t *image, const BLOCK &block)
{
    memset(image, 0, PAGEBLOCKIMAGE);
    Put(image, AT_TAG, block.tag);
    Put(image, AT_OBJECTS, (uint32_t)(UINT_PTR)block.objects);
    Put(image, AT_THUMBNAIL, (uint32_t)(UINT_PTR)block.thumbnail);
    Put(image, AT_RECORDSIZE, block.recordsize);
    Put(image, AT_SEQUENCE, block.sequence);
    Put(image, AT_TITLE, (uint32_t)(UINT_PTR)block.title);
    Put(image, AT_HEDR, block.hedr);
    Put(image, AT_PAGE, block.page);
    Put(image, AT_END, block.end);
    Put(image, AT_BLOCKSET, (uint32_t)(UINT_PTR)block.blockset);
}

// The page of the image, without any handle of the process that wrote it.
void ReadImage(const uint8_t *image, BLOCK &block)
{
    memset(&block, 0, sizeof block);
    Get(image, AT_TAG, block.tag);
    Get(image, AT_RECORDSIZE, block.recordsize);
    Get(image, AT_SEQUENCE, block.sequence);
    Get(image, AT_HEDR, block.hedr);
    Get(image, AT_PAGE, block.page);
    Get(image, AT_END, block.end);
    // The title ends inside its field whatever the data held.
    block.page.title[TITLESIZE - 1] = 0;
}

// The head of the object at `at` of data `size` bytes long, when it is one
// a load takes as it stands and lies inside the data.
bool ReadableObjectAt(const uint8_t *data, SIZE_T size, SIZE_T at, OBJECTHEADER &head)
{
    if (size - at < sizeof head)
        return false;
    memcpy(&head, data + at, sizeof head);
    return ObjectHeadVerdict(head) == HEAD_SOUND && head.totalsize <= size - at;
}

void Say(HWND window, unsigned id) { DoMessage(window, FetchString(id)); }

// The clipboard held open for one operation.
struct OpenedClipboard {
    bool open;
    explicit OpenedClipboard(HWND owner) : open(OpenClipboard(owner) != 0) {}
    ~OpenedClipboard()
    {
        if (open)
            CloseClipboard();
    }
};

// The checked copy of the clipboard's page: 1 with the block built; 0 when
// the data is damaged, -1 when memory fails (nothing is left to free then).
int BuildPage(const uint8_t *data, SIZE_T size, BLOCKSET *set, BLOCK &page)
{
    uint32_t tag, count;
    PAGERECORD record;
    Get(data, AT_TAG, tag);
    Get(data, AT_PAGE, record);
    Get(data, AT_OBJECTCOUNT, count);
    // A page whose record says otherwise would be saved as a block no load
    // reads as a page.
    if (tag != TAG_PAGE || record.tag != TAG_PAGE || count > (size - PAGEBLOCKIMAGE) / sizeof(OBJECTHEADER))
        return 0;
    // Every object is checked before any memory is taken for one.
    SIZE_T at = PAGEBLOCKIMAGE;
    OBJECTHEADER head;
    for (uint32_t i = 0; i < count; i++) {
        if (!ReadableObjectAt(data, size, at, head))
            return 0;
        at += head.totalsize;
    }
    // What follows the last object can only be the zeros a rounded-up
    // allocation leaves.
    for (SIZE_T i = at; i < size; i++)
        if (data[i])
            return 0;
    ReadImage(data, page);
    page.blockset = set;
    page.page.objectcount = 0;
    page.page.flags &= ~BLOCK_HASOBJECTS;
    at = PAGEBLOCKIMAGE;
    for (uint32_t i = 0; i < count; i++) {
        memcpy(&head, data + at, sizeof head);
        GlobalBlock object(NewObjectBlock(head.totalsize, data + at));
        if (!object || !AppendPageObject(&page, object.get())) {
            DestroyBlock(&page);
            return -1;
        }
        object.Release();
        at += head.totalsize;
    }
    return 1;
}

} // namespace

int CopyBlockToClipboard(HWND, BLOCK *block)
{
    if (!block || block->tag != TAG_PAGE)
        return 0;
    // Sized once from the objects' own totals: a large page is copied once,
    // never moved about by growing the block object by object.
    uint32_t count = BlockObjectCount(block);
    std::vector<HGLOBAL> objects(count);
    uint64_t total = PAGEBLOCKIMAGE;
    for (uint32_t i = 0; i < count; i++) {
        objects[i] = GetPageObject(block, i);
        GlobalLocked<OBJECTHEADER> o(objects[i]);
        if (!o || o.size() < sizeof(OBJECTHEADER) || o->totalsize > o.size())
            return 0;
        total += o->totalsize;
    }
    if (total > (SIZE_T)-1 / 2)
        return 0;
    GlobalBlock data(GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)total));
    {
        GlobalLocked<uint8_t> image(data);
        if (!image)
            return 0;
        WriteImage(image.get(), *block);
        SIZE_T at = PAGEBLOCKIMAGE;
        for (HGLOBAL handle : objects) {
            GlobalLocked<OBJECTHEADER> o(handle);
            if (!o)
                return 0;
            memcpy(image.get() + at, o.get(), o->totalsize);
            at += o->totalsize;
        }
    }
    // Only complete data reaches the clipboard: a failure above leaves what
    // it held. Emptying it makes the frame free the page it held before.
    OpenedClipboard clipboard(hwndmain);
    if (!clipboard.open || !EmptyClipboard() || !SetPrivateClipboardData(CF_PAGEBLOCK, data.get()))
        return 0;
    data.Release();
    return 1;
}

int DoCopyBlockToClipboard(HWND window, BLOCKSET *, int index)
{
    BLOCK block;
    if (index < 0 || !GetBlock(GetDlgItem(window, IDC_BLOCKLIST), (unsigned)index, &block)) {
        Say(window, IDS_BLOCKACCESS);
        return 0;
    }
    if (block.tag == TAG_HEDR) {
        Say(window, IDS_HEADERNOTDELETABLE);
        return 0;
    }
    if (!CopyBlockToClipboard(window, &block)) {
        Say(window, IDS_NOTCOPIED);
        return 0;
    }
    return 1;
}

int DoPasteBlockFromClipboard(HWND window, BLOCKSET *set, int)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (!IsClipboardFormatAvailable(CF_PAGEBLOCK) || set->caret < 0 || set->caret >= count)
        return 0;
    BLOCK page{};
    int built = 0;
    {
        OpenedClipboard clipboard(window);
        HGLOBAL data = clipboard.open ? GetClipboardData(CF_PAGEBLOCK) : NULL;
        if (!data)
            return 0;
        // Paste only reads the data: it stays the clipboard's.
        GlobalLocked<uint8_t> image(data);
        SIZE_T size = image ? GlobalSize(data) : 0;
        built = size >= PAGEBLOCKIMAGE ? BuildPage(image.get(), size, set, page) : 0;
    }
    if (built <= 0) {
        Say(window, built == 0 ? IDS_PASTEDAMAGED : IDS_MEMORY);
        return 0;
    }
    int at = set->caret + 1;
    LRESULT r = SendMessageA(list, LB_INSERTSTRING, at, (LPARAM) " ");
    if (r == LB_ERR || r == LB_ERRSPACE) {
        DestroyBlock(&page);
        return 0;
    }
    if (!AllocateBlock(list, (unsigned)at, &page)) {
        SendMessageA(list, LB_DELETESTRING, at, 0);
        DestroyBlock(&page);
        return 0;
    }
    set->caret = at;
    RefreshBlockList(window, set);
    return 1;
}

bool BlockClipboardCommand(HWND window, BLOCKSET *set, UINT id)
{
    switch (id) {
    case IDM_COPY:
        DoCopyBlockToClipboard(window, set, set->caret);
        return true;
    case IDM_CUT:
        // Only a page the clipboard holds is deleted, and a failed copy
        // leaves the undo step as it was.
        if (!DoCopyBlockToClipboard(window, set, set->caret))
            return true;
        CreateUndo(window, set);
        if (!DoDeleteOneBlock(window, set, set->caret))
            Say(window, IDS_NOTCUT);
        return true;
    case IDM_PASTE:
        CreateUndo(window, set);
        DoPasteBlockFromClipboard(window, set, set->caret);
        return true;
    }
    return false;
}
