// Animation cells. A palette cell goes through a mask of its transparent
// colour; a 32-bit cell is blended by its alpha over the background under
// it. Either way the window receives one copy.
#include "runtime/cells.h"
#include "common/owners.h"
#include "media/dib.h"
#include "runtime/scratchdc.h"
#include <cstring>

BITMAPINFOHEADER *FindAnimationCell(char *data, size_t size, unsigned long index, OBJECTANIMFRAME *out)
{
    if (!data || size < sizeof(ANIMHEADER))
        return nullptr;
    const auto *head = (const ANIMHEADER *)data;
    uint64_t record = sizeof(ANIMHEADER) + (uint64_t)index * sizeof(OBJECTANIMFRAME);
    if (index >= head->frames || record + sizeof(OBJECTANIMFRAME) > size)
        return nullptr;
    OBJECTANIMFRAME frame;
    memcpy(&frame, data + record, sizeof frame);
    if ((uint64_t)frame.offset + frame.size > size || frame.size < sizeof(BITMAPINFOHEADER) ||
        frame.offset % 4 != 0)
        return nullptr;
    auto *cell = (BITMAPINFOHEADER *)(data + frame.offset);
    DIBLAYOUT layout;
    if (cell->biSize < sizeof(BITMAPINFOHEADER) || cell->biSize > frame.size || !DibHeaderLayout(cell, &layout) ||
        layout.total > frame.size || !PixelDepth(layout.bits))
        return nullptr;
    if (out)
        *out = frame;
    return cell;
}

namespace {

// What a call made, freed on every way out. The DCs go back (their bitmaps
// deselected) before the bitmaps are deleted.
struct Made {
    GdiObject<HBITMAP> bitmaps[5];
    GlobalBlock dibs[2];
    ScratchDC dcs[3];
    HGDIOBJ olds[3] = {};
    HDC Dc(int i, HGDIOBJ select)
    {
        HDC dc = dcs[i].dc();
        if (dc && select)
            olds[i] = SelectObject(dc, select);
        return dc && (!select || olds[i]) ? dc : NULL;
    }
};

const uint8_t *Pixels(const BITMAPINFOHEADER *dib, const DIBLAYOUT &layout)
{
    return (const uint8_t *)dib + layout.pixeloffset;
}

int DrawBlended(HDC dc, const BITMAPINFOHEADER *cell, const DIBLAYOUT &layout, int x, int y, const RECT *area,
                HBITMAP background)
{
    int w = layout.width, h = layout.height;
    Made made;
    // The background under the cell, from where the cell lies in the area.
    made.bitmaps[0].Reset(CreateCompatibleBitmap(dc, w, h));
    HDC under = made.Dc(0, made.bitmaps[0]);
    HDC back = made.Dc(1, background);
    if (!made.bitmaps[0] || !under || !back)
        return 0;
    BitBlt(under, 0, 0, w, h, back, x, y, SRCCOPY);
    SelectObject(under, made.olds[0]);
    made.olds[0] = NULL;
    made.dibs[0].Reset(CreateDib(w, h, nullptr, 24));
    DibLock result(made.dibs[0].get());
    if (!result.ok() || GetDIBits(dc, made.bitmaps[0], 0, h, (uint8_t *)result.header + result.layout.pixeloffset,
                                  (BITMAPINFO *)result.header, DIB_RGB_COLORS) != h)
        return 0;
    const uint8_t *src = Pixels(cell, layout);
    for (int row = 0; row < h; ++row) {
        const uint8_t *c = src + (size_t)(h - 1 - row) * layout.rowbytes;
        uint8_t *b = result.Row(row);
        for (int i = 0; i < w; ++i, c += 4, b += 3) {
            unsigned a = c[3];
            for (int k = 0; k < 3; ++k)
                b[k] = (uint8_t)(c[k] * a / 255 + b[k] * (255 - a) / 255);
        }
    }
    made.bitmaps[1].Reset(CreateDIBitmap(dc, result.header, CBM_INIT,
                                         (uint8_t *)result.header + result.layout.pixeloffset,
                                         (BITMAPINFO *)result.header, DIB_RGB_COLORS));
    HDC blend = made.bitmaps[1] ? made.Dc(2, made.bitmaps[1]) : NULL;
    if (!blend)
        return 0;
    BitBlt(dc, area->left + x, area->top + y, w, h, blend, 0, 0, SRCCOPY);
    return 1;
}

} // namespace

int DrawAnimationCell(void *, void *hdcarg, BITMAPINFOHEADER *cell, int x, int y, RECT *area, RECT *previous,
                      unsigned long flags, unsigned long transparent, void *background, void *previousframe)
{
    HDC dc = (HDC)hdcarg;
    DIBLAYOUT layout;
    if (!dc || !cell || !area || !DibHeaderLayout(cell, &layout) || !PixelDepth(layout.bits))
        return 0;
    if (layout.bits == 32)
        return background ? DrawBlended(dc, cell, layout, x, y, area, (HBITMAP)background) : 0;

    int w = layout.width, h = layout.height;
    int aw = area->right - area->left, ah = area->bottom - area->top;
    if (aw <= 0 || ah <= 0)
        return 0;
    const uint8_t *src = Pixels(cell, layout);
    bool masked = (flags & ANIMFRAME_TRANSPARENT) != 0;
    // An opaque cell that covers the whole area hides whatever it would be
    // composed over: it goes to the window at once, still in one step.
    if (!masked && x <= 0 && y <= 0 && (int64_t)x + w >= aw && (int64_t)y + h >= ah) {
        int saved = SaveDC(dc);
        IntersectClipRect(dc, area->left, area->top, area->right, area->bottom);
        int lines = SetDIBitsToDevice(dc, area->left + x, area->top + y, (DWORD)w, (DWORD)h, 0, 0, 0, (UINT)h, src,
                                      (BITMAPINFO *)cell, DIB_RGB_COLORS);
        RestoreDC(dc, saved);
        return lines > 0 ? 1 : 0;
    }
    Made made;
    // Only a transparent cell needs its mask and a bitmap of its own: an
    // opaque one goes from its DIB straight into the composed area.
    made.bitmaps[2].Reset(CreateCompatibleBitmap(dc, aw, ah));
    if (!made.bitmaps[2])
        return 0;
    if (masked) {
        // The mask: 1 where the cell shows, 0 where its transparent colour is.
        char bw[768];
        int bwbits = 0;
        GetDefaultPalette(bw, &bwbits, 0);
        made.dibs[0].Reset(CreateDib(w, h, bw, 1));
        DibLock mask(made.dibs[0].get());
        if (!mask.ok())
            return 0;
        for (int row = 0; row < h; ++row) {
            const uint8_t *c = src + (size_t)(h - 1 - row) * layout.rowbytes;
            uint8_t *m = mask.Row(row);
            for (int i = 0; i < w; ++i)
                WritePixel(m, i, 1, ReadPixel(c, i, layout.bits) != transparent);
        }
        made.bitmaps[0].Reset(CreateDIBitmap(dc, cell, CBM_INIT, src, (BITMAPINFO *)cell, DIB_RGB_COLORS));
        made.bitmaps[1].Reset(CreateBitmap(w, h, 1, 1, NULL));
        made.bitmaps[3].Reset(CreateBitmap(w, h, 1, 1, NULL));
        for (int i : {0, 1, 3})
            if (!made.bitmaps[i])
                return 0;
        if (!SetDIBits(dc, made.bitmaps[1], 0, h, (uint8_t *)mask.header + mask.layout.pixeloffset,
                       (BITMAPINFO *)mask.header, DIB_RGB_COLORS))
            return 0;
    }
    HDC off = made.Dc(0, made.bitmaps[2]);
    HDC back = background ? made.Dc(1, background) : NULL;
    HDC work = made.Dc(2, NULL);
    if (!off || !work || (background && !back))
        return 0;
    // The area starts as the previous frame left it, or as the background
    // when there is none, never as whatever a fresh bitmap holds.
    if (previousframe) {
        BITMAP pf{};
        GetObjectA(previousframe, sizeof pf, &pf);
        SelectedObject chosen(work, previousframe);
        BitBlt(off, 0, 0, pf.bmWidth, pf.bmHeight, work, 0, 0, SRCCOPY);
    } else if (back) {
        BitBlt(off, 0, 0, aw, ah, back, 0, 0, SRCCOPY);
    }
    if ((flags & ANIMFRAME_RESTORE) && previous && !IsRectEmpty(previous) && back)
        BitBlt(off, previous->left, previous->top, previous->right - previous->left, previous->bottom - previous->top,
               back, previous->left, previous->top, SRCCOPY);
    if (masked) {
        SetTextColor(off, RGB(0, 0, 0));
        SetBkColor(off, RGB(255, 255, 255));
        SelectedObject cellbitmap(work, made.bitmaps[0]);
        // The mask's negation in the second monochrome bitmap.
        ScratchDC maskscratch;
        HDC maskdc = maskscratch.dc();
        if (!maskdc || !SelectObject(maskdc, made.bitmaps[1]))
            return 0;
        SetTextColor(work, RGB(0, 0, 0));
        SetBkColor(work, RGB(255, 255, 255));
        BitBlt(work, 0, 0, w, h, maskdc, 0, 0, SRCAND); // transparent pixels blackened
        SelectObject(work, made.bitmaps[3]);
        BitBlt(work, 0, 0, w, h, maskdc, 0, 0, NOTSRCCOPY);
        BitBlt(off, x, y, w, h, work, 0, 0, SRCAND); // opaque area cleared
        SelectObject(work, made.bitmaps[0]);
        BitBlt(off, x, y, w, h, work, 0, 0, SRCINVERT); // opaque pixels painted
    } else {
        SetDIBitsToDevice(off, x, y, (DWORD)w, (DWORD)h, 0, 0, 0, (UINT)h, src, (BITMAPINFO *)cell, DIB_RGB_COLORS);
    }
    BitBlt(dc, area->left, area->top, aw, ah, off, 0, 0, SRCCOPY);
    return 1;
}
