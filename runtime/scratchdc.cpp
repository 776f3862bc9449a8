#include "runtime/scratchdc.h"

namespace {
// Only the GUI thread draws; a handful covers the deepest nesting in use.
constexpr int KEPT = 8;
HDC kept[KEPT];
int keptcount = 0;
} // namespace

ScratchDC::ScratchDC()
{
    handle = keptcount ? kept[--keptcount] : CreateCompatibleDC(NULL);
    if (handle) {
        bitmap = GetCurrentObject(handle, OBJ_BITMAP);
        saved = SaveDC(handle);
    }
}

ScratchDC::~ScratchDC()
{
    if (!handle)
        return;
    // Back to the state it was lent in; a bitmap left selected could be
    // neither deleted nor selected anywhere else.
    if (bitmap)
        SelectObject(handle, bitmap);
    if (saved)
        RestoreDC(handle, saved);
    if (saved && keptcount < KEPT)
        kept[keptcount++] = handle;
    else
        DeleteDC(handle);
}
