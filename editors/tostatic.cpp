// Conversion of a text object to a static image.
#include "editors/tostatic.h"
#include "common/owners.h"
#include "document/objects.h"
#include "media/dib.h"
#include "runtime/objdraw.h"
#include <cstring>

HGLOBAL ConvertObjectToStatic(HWND window, BLOCK *block, HGLOBAL object)
{
    GlobalLocked<OBJECTTEXT> text(object);
    if (!text || text.size() < sizeof(OBJECTTEXT) || text->header.tag != TAG_TEXT ||
        text->header.fixedsize < sizeof(OBJECTTEXT))
        return NULL;
    RECT place = text->header.rect;
    int w = place.right - place.left, h = place.bottom - place.top;
    if (w <= 0 || h <= 0)
        return NULL;
    char palette[PALETTEBYTES];
    int bits = 8;
    GetDefaultPalette(palette, &bits, 6);
    GlobalBlock dib(CreateDib(w, h, palette, 24));
    if (!dib)
        return NULL;
    bool transparent = (text->header.flags & OBJ_TRANSPARENT) != 0;
    COLORREF back = text->backcolour;
    {
        DibLock picture(dib.get());
        WindowDC screen(window);
        BITMAPINFO info{};
        void *pixels = nullptr;
        if (picture.ok()) {
            info.bmiHeader = *picture.header;
            info.bmiHeader.biClrUsed = 0;
        }
        // Declared before the memory DC, which gives it back before it goes.
        GdiObject<HBITMAP> section(
            picture.ok() ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, NULL, 0) : NULL);
        MemoryDC memory(screen);
        GdiFlush();
        if (!section || !pixels || !memory.Select(section))
            return NULL;
        SetMapMode(memory.dc, MM_TEXT);
        // A transparent text leaves its background unpainted: it gets the
        // colour the transparency entry names, so that colour drops out.
        if (transparent) {
            RECT all{0, 0, w, h};
            HBRUSH brush = CreateSolidBrush(back & 0xFFFFFF);
            FillRect(memory.dc, &all, brush);
            DeleteObject(brush);
        }
        text->header.rect = RECT{0, 0, w, h};
        DrawPageObject(window, memory.dc, &text->header);
        text->header.rect = place;
        GdiFlush();
        for (int s = 0; s < h; s++)
            memcpy(picture.StoredRow(s), (uint8_t *)pixels + (size_t)s * picture.layout.rowbytes,
                   (size_t)w * 3);
    }
    HGLOBAL still = CreatePageObject(block, TAG_STAT, MAKELONG(place.left, place.top), (LONG_PTR)dib.get());
    if (!still)
        return NULL;
    GlobalLocked<OBJECTSTATICIMAGE> s(still);
    if (!s) {
        GlobalFree(still);
        return NULL;
    }
    s->header.number = text->header.number;
    if (transparent) {
        s->colourtype = 2;
        s->transparencycount = 3;
        s->transparency[0] = GetRValue(back);
        s->transparency[1] = GetGValue(back);
        s->transparency[2] = GetBValue(back);
    }
    return still;
}
