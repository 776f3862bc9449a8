#include "runtime/objectdraw.h"
#include "document/objects.h"
#include "media/draw.h"
#include "runtime/background.h"
#include "runtime/runtime.h"

// Static images are composed over the page here; the other types are drawn
// by the object drawing that replaces this module.
int DrawPageObject(HWND window, HDC dc, OBJECTHEADER *object)
{
    bool own = !object;
    if (own && !(object = LockObject(window)))
        return 0;
    if (object->tag == TAG_STAT && object->fixedsize >= sizeof(OBJECTSTATICIMAGE)) {
        RECT r = object->rect;
        if (own)
            OffsetRect(&r, -r.left, -r.top);
        if (HGLOBAL picture = CreateStaticDisplayImage(window, dc, (OBJECTSTATICIMAGE *)object, &r)) {
            ShowDib(dc, picture, nullptr, r.left, r.top);
            GlobalFree(picture);
        }
    }
    if (own)
        UnlockObject(window);
    return 1;
}

int ErasePageObjectBackground(HWND window, HDC dc, OBJECTHEADER *object)
{
    bool own = !object;
    if (own && !(object = LockObject(window)))
        return 0;
    if (object->tag == TAG_TEXT && object->fixedsize >= sizeof(OBJECTTEXT)) {
        RECT r;
        GetClientRect(window, &r);
        HBRUSH brush = CreateSolidBrush(((OBJECTTEXT *)object)->backcolour);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    if (own)
        UnlockObject(window);
    return 1;
}
