#include "runtime/objectdraw.h"
#include "document/objects.h"
#include "media/dib.h"
#include "runtime/background.h"
#include "runtime/runtime.h"

// Draws a DIB with its top-left corner at (x, y).
static void DrawDibAt(HDC dc, HGLOBAL dib, int x, int y)
{
    DibLock lock(dib);
    if (!lock.ok())
        return;
    char rgb[PALETTEBYTES];
    int count = GetDibPalette((const BITMAPINFO *)lock.header, rgb);
    PALSTATE state{};
    if (count)
        RealizeWindowPalette(dc, &state, rgb, count);
    SetDIBitsToDevice(dc, x, y, lock.layout.width, lock.layout.height, 0, 0, 0, lock.layout.height,
                      (const uint8_t *)lock.header + lock.layout.pixeloffset, (const BITMAPINFO *)lock.header,
                      DIB_RGB_COLORS);
    if (count)
        UnrealizeWindowPalette(dc, &state);
}

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
            DrawDibAt(dc, picture, r.left, r.top);
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
