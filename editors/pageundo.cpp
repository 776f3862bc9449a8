// The page editor's undo: copies of the working page, the press's copy
// becoming the undo step only when the press moved something.
#include "editors/pageundo.h"
#include "common/owners.h"
#include "common/services.h"
#include "document/objects.h"
#include "editor/blocks.h"
#include "editors/pagerecord.h"
#include <cstring>
#include <utility>

namespace {

void DropCopy(BLOCK *copy)
{
    if (copy->tag == TAG_PAGE)
        DestroyBlock(copy);
    memset(copy, 0, sizeof *copy);
}

// Copies the working page over a copy of it it replaces, reusing every
// block of the same size: a press (which takes one at every press of the
// mouse) then costs about one copy of the page's bytes, not a fresh
// allocation of each picture. False when the shapes differ or anything
// fails; the copy is then still whole, but not a copy of the page.
bool RecycleCopy(BLOCK &copy, BLOCK *work)
{
    uint32_t n = BlockObjectCount(work);
    if (copy.tag != TAG_PAGE || BlockObjectCount(&copy) != n || !work->objects || !copy.objects ||
        GlobalSize(work->objects) != GlobalSize(copy.objects) || !work->title != !copy.title ||
        (work->title && GlobalSize(work->title) != GlobalSize(copy.title)))
        return false;
    for (uint32_t i = 0; i < n; i++) {
        HGLOBAL from = GetPageObject(work, i), to = GetPageObject(&copy, i);
        if (!from || !to)
            return false;
        SIZE_T size = GlobalSize(from);
        if (size != GlobalSize(to)) {
            HGLOBAL twin = DuplicateObject(from);
            if (!twin || !PutPageObject(&copy, twin, i)) {
                if (twin)
                    GlobalFree(twin);
                return false;
            }
            GlobalFree(to);
            continue;
        }
        GlobalLocked<char> a(from), b(to);
        if (!a || !b)
            return false;
        memcpy(b.get(), a.get(), size);
    }
    if (work->title) {
        GlobalLocked<char> a(work->title), b(copy.title);
        if (!a || !b)
            return false;
        memcpy(b.get(), a.get(), GlobalSize(work->title));
    }
    HGLOBAL objects = copy.objects, title = copy.title;
    copy = *work;
    copy.objects = objects;
    copy.title = title;
    copy.thumbnail = NULL;
    return true;
}

// A copy of the working page in `copy`, or none when it cannot be made.
void TakeCopy(BLOCK *copy, BLOCK *work)
{
    if (!RecycleCopy(*copy, work)) {
        DropCopy(copy);
        if (!DuplicateBlock(copy, work))
            memset(copy, 0, sizeof *copy);
    }
}

// True when an object of `work` lies elsewhere than in `before`, or the
// two do not hold the same objects.
bool Rearranged(BLOCK *before, BLOCK *work)
{
    uint32_t n = BlockObjectCount(work);
    if (BlockObjectCount(before) != n)
        return true;
    for (uint32_t i = 0; i < n; i++) {
        GlobalLocked<OBJECTHEADER> a(GetPageObject(before, i)), b(GetPageObject(work, i));
        if (!a || !b || a.size() < sizeof(OBJECTHEADER) || b.size() < sizeof(OBJECTHEADER) ||
            !EqualRect(&a->rect, &b->rect))
            return true;
    }
    return false;
}

} // namespace

PAGEEDITOR::~PAGEEDITOR()
{
    DropPageUndo(this);
}

void DropPageUndo(PAGEEDITOR *e)
{
    DropCopy(&e->undo);
    DropCopy(&e->pressed);
}

void TakePageUndo(PAGEEDITOR *e)
{
    TakeCopy(&e->undo, e->param->block);
    e->undochanged = e->changed;
}

void TakePressCopy(PAGEEDITOR *e)
{
    TakeCopy(&e->pressed, e->param->block);
    e->pressedchanged = e->changed;
}

// The end of a move or resize: the page as the press found it becomes the
// undo step, when the object did end somewhere else. A mere click so keeps
// the step the user may still want.
void EndPress(PAGEEDITOR *e)
{
    if (e->pressed.tag == TAG_PAGE) {
        if (!Rearranged(&e->pressed, e->param->block))
            return;
        // The step it replaces is kept for the next press to copy into.
        std::swap(e->undo, e->pressed);
        e->undochanged = e->pressedchanged;
    } else {
        // No copy could be taken at the press: no step undoes this one.
        DropCopy(&e->undo);
    }
    e->changed = 1;
}

void UndoPage(HWND page, PAGEEDITOR *e)
{
    if (e->undo.tag != TAG_PAGE)
        return;
    SendMessageA(page, WM_SETREDRAW, FALSE, 0);
    DestroyPageObjectWindows(page);
    DestroyBlock(e->param->block);
    *e->param->block = e->undo;
    memset(&e->undo, 0, sizeof e->undo);
    CreatePageObjectWindows(page, e->param->block);
    SendMessageA(page, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(page, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    e->changed = e->undochanged;
}
