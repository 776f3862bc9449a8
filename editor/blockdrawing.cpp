// The block list drawn: a line of text per block, and under a page's line
// its thumbnail, made when the item is first drawn and kept with the block.
#include "editor/blockdrawing.h"
#include "common/owners.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "media/dib.h"
#include "media/draw.h"
#include "media/scale.h"
#include "runtime/thumbs.h"
#include <algorithm>
#include <string>

namespace {

// The size a page of width x height is shown at in the picture area of an
// item with high-resolution thumbnails: scaled by the smaller percentage
// that fits inside the framed area. Empty when nothing fits.
SIZE ShownSize(int width, int height, RECT area)
{
    InflateRect(&area, -1, -1);
    long long aw = area.right - area.left, ah = area.bottom - area.top;
    if (width <= 0 || height <= 0 || aw <= 0 || ah <= 0)
        return SIZE{0, 0};
    long long percent = std::min(aw * 100 / width, ah * 100 / height);
    return SIZE{(LONG)(width * percent / 100), (LONG)(height * percent / 100)};
}

void DrawThumbnail(HDC dc, HGLOBAL thumbnail, RECT area, SIZE shown)
{
    int width = 0, height = 0, bits = 0;
    char rgb[PALETTEBYTES];
    if (!GetBitmapDimensions(thumbnail, &width, &height, &bits, rgb))
        return;
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (HighResDocumentWindow) {
        InflateRect(&area, -1, -1);
        int aw = area.right - area.left, ah = area.bottom - area.top;
        if (aw <= 0 || ah <= 0)
            return;
        int percent = (int)std::min<long long>((long long)aw * 100 / width, (long long)ah * 100 / height);
        if (percent <= 0)
            return;
        // A thumbnail made at the size it is shown at is drawn as it is.
        bool made = width == shown.cx && height == shown.cy;
        HGLOBAL scaled = made ? thumbnail : COMMONScaleDib(thumbnail, percent, percent);
        if (scaled) {
            RECT drawn;
            COMMONDrawBitmapInRectNoResize(dc, &area, scaled, &drawn);
            if (scaled != thumbnail)
                GlobalFree(scaled);
        }
        InflateRect(&area, 1, 1);
        FrameRect(dc, &area, (HBRUSH)GetStockObject(BLACK_BRUSH));
        return;
    }
    int aw = area.right - area.left, ah = area.bottom - area.top;
    long long percent = std::min<long long>((long long)aw * 100 / width, (long long)ah * 100 / height);
    int w = (int)(width * percent / 100), h = (int)(height * percent / 100);
    if (w <= 0 || h <= 0)
        return;
    DibLock lock(thumbnail);
    if (!lock.ok())
        return;
    PALSTATE pal{};
    RealizeWindowPalette(dc, &pal, rgb, bits <= 8 ? 1 << bits : 1 << 24);
    SetStretchBltMode(dc, bits == 1 ? WHITEONBLACK : COLORONCOLOR);
    StretchDIBits(dc, area.left + (aw - w) / 2, area.top + (ah - h) / 2, w, h, 0, 0, lock.layout.width,
                  lock.layout.height, (const uint8_t *)lock.header + lock.layout.pixeloffset,
                  (const BITMAPINFO *)lock.header, DIB_RGB_COLORS, SRCCOPY);
    UnrealizeWindowPalette(dc, &pal);
}

} // namespace

void DrawBlockItem(HWND window, const DRAWITEMSTRUCT *item)
{
    if (item->itemID == (UINT)-1)
        return;
    BLOCKSET *set = LockBlockSet(window);
    if (!set)
        return;
    HWND list = item->hwndItem;
    BLOCK block;
    if (!GetBlock(list, item->itemID, &block)) {
        UnlockBlockSet(window);
        return;
    }
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    std::string text = GetBlockText(&block);
    size_t split = text.find('\xFE');
    std::string first = text.substr(0, split), second = split == std::string::npos ? "" : text.substr(split + 1);
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    SetBkMode(dc, TRANSPARENT);

    RECT area{r.left + 4, r.top + 22, r.right - 4, r.bottom - 2};
    bool picture = block.tag == TAG_PAGE && area.right > area.left && area.bottom > area.top;
    bool rendered = false;
    // A page's picture is made when its item is first drawn, at the size the
    // item shows it, and kept; a larger view makes it anew.
    BLOCK header;
    SIZE shown{0, 0};
    if (picture && HighResDocumentWindow && GetBlock(list, 0, &header))
        shown = ShownSize(header.hedr.width, header.hedr.depth, area);
    if (picture && block.thumbnail && shown.cx > 0) {
        int width = 0, height = 0;
        GetBitmapDimensions(block.thumbnail, &width, &height, nullptr, nullptr);
        if (width < shown.cx && height < shown.cy)
            rendered = CreatePageThumbnail(window, list, set, &block, item->itemID, shown.cx, shown.cy) == 1;
    }
    if (picture && !block.thumbnail)
        rendered = (shown.cx > 0 && shown.cy > 0
                        ? CreatePageThumbnail(window, list, set, &block, item->itemID, shown.cx, shown.cy)
                        : CreateViewImage(window, list, set, &block, item->itemID)) == 1 &&
                   block.thumbnail;
    int saved = SaveDC(dc);
    if (picture)
        ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
    FillRect(dc, &r, selected ? GetSysColorBrush(COLOR_BTNSHADOW) : (HBRUSH)GetStockObject(WHITE_BRUSH));
    RestoreDC(dc, saved);
    if (picture) {
        if (block.thumbnail)
            DrawThumbnail(dc, block.thumbnail, area, shown);
        else
            FillRect(dc, &area, (HBRUSH)GetStockObject(WHITE_BRUSH));
    }

    if ((int)item->itemID == set->caret) {
        COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
        COLORREF colour = GetBValue(shadow) < GetRValue(shadow) ? RGB(0, 0, 255) : RGB(255, 0, 0);
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, colour));
        SelectedObject keep(dc, pen.get());
        POINT points[4] = {{r.left + 1, r.bottom - 8}, {r.left + 1, r.bottom - 1}, {r.right - 1, r.bottom - 1},
                           {r.right - 1, r.bottom - 8}};
        Polyline(dc, points, 4);
    }

    SetTextColor(dc, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    SIZE extent{};
    GetTextExtentPoint32A(dc, first.c_str(), (int)first.size(), &extent);
    TextOutA(dc, r.left + 4, r.top + 4, first.c_str(), (int)first.size());
    if (!second.empty()) {
        SetTextColor(dc, GetSysColor(selected ? COLOR_BTNFACE : COLOR_GRAYTEXT));
        RECT rest{r.left + 4 + extent.cx + 12, r.top + 4, r.right, r.top + 20};
        DrawTextA(dc, second.c_str(), (int)second.size(), &rest, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (rendered)
        PutBlock(list, item->itemID, &block);
    UnlockBlockSet(window);
}

void RefreshThumbnails(HWND window)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        BLOCK block;
        if (GetBlock(list, (unsigned)i, &block) && block.tag == TAG_PAGE && block.thumbnail) {
            GlobalFree(block.thumbnail);
            block.thumbnail = NULL;
            PutBlock(list, (unsigned)i, &block);
        }
    }
    InvalidateRect(list, NULL, FALSE);
}
