#include "media/draw.h"
#include "common/owners.h"
#include "media/dib.h"
#include "media/reduce.h"
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

HBITMAP DeviceBitmap(HDC dc, const BITMAPINFOHEADER *dib, const DIBLAYOUT &layout)
{
    return CreateDIBitmap(dc, dib, CBM_INIT, (const uint8_t *)dib + layout.pixeloffset, (const BITMAPINFO *)dib,
                          DIB_RGB_COLORS);
}

// Where a picture of `size` starts in an area of `area`: centred, or at the
// area's start when it does not fit.
int CentreOffset(long long area, long long size)
{
    return area - size >= 0 ? (int)((area - size) / 2) : 0;
}

// ShowDib and ShowStretchDib: the given palette, else the picture's own.
int ShowPicture(HDC dc, HGLOBAL dib, const char *rgb, int x, int y, int scale, bool stretch)
{
    DibLock lock(dib);
    if (!lock.ok())
        return 0;
    const DIBLAYOUT &l = lock.layout;
    char own[PALETTEBYTES];
    if (!rgb) {
        GetDibPalette((const BITMAPINFO *)lock.header, own);
        rgb = own;
    }
    PALSTATE state{};
    RealizeWindowPalette(dc, &state, rgb, l.bits <= 8 ? 1 << l.bits : 0);
    {
        GdiObject<HBITMAP> bitmap(DeviceBitmap(dc, lock.header, l));
        MemoryDC memory(dc);
        if (memory.Select(bitmap.get())) {
            if (!stretch) {
                BitBlt(dc, 0, 0, l.width, l.height, memory.dc, x, -y, SRCCOPY);
            } else {
                long long w = (long long)l.width * scale / 1000, h = (long long)l.height * scale / 1000;
                if (w >= INT_MIN && w <= INT_MAX && h >= INT_MIN && h <= INT_MAX) {
                    int mode = SetStretchBltMode(dc, l.bits == 1 ? BLACKONWHITE : COLORONCOLOR);
                    StretchBlt(dc, 0, 0, (int)w, (int)h, memory.dc, x, -y, l.width, l.height, SRCCOPY);
                    if (mode)
                        SetStretchBltMode(dc, mode);
                }
            }
        }
    }
    UnrealizeWindowPalette(dc, &state);
    return 1;
}

void SetRectOrEmpty(RECT *r, int left, int top, int right, int bottom)
{
    if (r)
        SetRect(r, left, top, right, bottom);
}

} // namespace

int ShowDib(HDC dc, HGLOBAL dib, const char *rgb, int x, int y)
{
    return ShowPicture(dc, dib, rgb, x, y, 1000, false);
}

int ShowStretchDib(HDC dc, HGLOBAL dib, const char *rgb, int x, int y, int scale)
{
    return ShowPicture(dc, dib, rgb, x, y, scale, true);
}

int ShowBitmap(HDC dc, int x, int y, HBITMAP bitmap)
{
    if (!bitmap)
        return 0;
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    MemoryDC memory(dc);
    if (memory.Select(bitmap))
        BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory.dc, 0, 0, SRCCOPY);
    return 1;
}

void COMMONDrawBitmapInRectNoResize(HDC dc, const RECT *area, HGLOBAL dib, RECT *drawn)
{
    DibLock lock(dib);
    if (!lock.ok()) {
        SetRectOrEmpty(drawn, 0, 0, 0, 0);
        return;
    }
    const DIBLAYOUT &l = lock.layout;
    int x = area->left + CentreOffset((long long)area->right - area->left, l.width);
    int y = area->top + CentreOffset((long long)area->bottom - area->top, l.height);
    {
        GdiObject<HBITMAP> bitmap(DeviceBitmap(dc, lock.header, l));
        MemoryDC memory(dc);
        if (memory.Select(bitmap.get()))
            BitBlt(dc, x, y, l.width, l.height, memory.dc, 0, 0, SRCCOPY);
    }
    SetRectOrEmpty(drawn, x, y, x + l.width, y + l.height);
}

void COMMONDrawBitmapInRect(HDC dc, const RECT *area, HGLOBAL dib, RECT *drawn)
{
    SetRectOrEmpty(drawn, 0, 0, 0, 0);
    DibLock lock(dib);
    if (!lock.ok()) // also every picture without width or height
        return;
    const DIBLAYOUT &l = lock.layout;
    long long areaw = (long long)area->right - area->left, areah = (long long)area->bottom - area->top;
    long long scale = std::min(areaw * 100 / l.width, areah * 100 / l.height);
    if (scale <= 0)
        return;
    long long w = l.width * scale / 100, h = l.height * scale / 100;
    if (w > INT_MAX || h > INT_MAX)
        return;
    int x = area->left + CentreOffset(areaw, w);
    int y = area->top + CentreOffset(areah, h);
    {
        GdiObject<HBITMAP> bitmap(DeviceBitmap(dc, lock.header, l));
        MemoryDC memory(dc);
        if (memory.Select(bitmap.get())) {
            int mode = SetStretchBltMode(dc, l.bits == 1 ? WHITEONBLACK : COLORONCOLOR);
            StretchBlt(dc, x, y, (int)w, (int)h, memory.dc, 0, 0, l.width, l.height, SRCCOPY);
            if (mode)
                SetStretchBltMode(dc, mode);
        }
    }
    SetRectOrEmpty(drawn, x, y, x + (int)w, y + (int)h);
}

int ShowTransparentDib(HDC dc, HANDLE, const BITMAPINFOHEADER *dib, int x, int y, COLORREF transparent)
{
    DIBLAYOUT l;
    if (!DibHeaderLayout(dib, &l))
        return 0;
    const int width = l.width, height = l.height;

    // The pixel value that is not drawn: the first table entry of that
    // colour, none when no entry has it, or the colour itself.
    uint32_t key = 0xFFFFFFFFu;
    uint32_t compare = 0xFFFFFFFFu;
    if (l.bits <= 8) {
        const auto *table = (const RGBQUAD *)((const uint8_t *)dib + l.tableoffset);
        for (uint32_t i = 0; i < l.tableentries; ++i)
            if (table[i].rgbRed == GetRValue(transparent) && table[i].rgbGreen == GetGValue(transparent) &&
                table[i].rgbBlue == GetBValue(transparent)) {
                key = i;
                break;
            }
    } else {
        key = transparent & 0xFFFFFF;
        // A 32-bit picture's fourth byte is no part of its colour.
        if (l.bits == 32)
            compare = 0xFFFFFF;
    }

    // White where the picture is drawn, black where it is transparent.
    char bw[PALETTEBYTES];
    GetDefaultPalette(bw, NULL, 0);
    HGLOBAL maskdib = CreateDib(width, height, bw, 1);
    if (!maskdib)
        return 0;
    int done = 0;
    {
        DibLock mask(maskdib);
        if (mask.ok()) {
            for (int s = 0; s < height; ++s) {
                const uint8_t *in = (const uint8_t *)dib + l.pixeloffset + (uint32_t)s * l.rowbytes;
                uint8_t *out = mask.StoredRow(s);
                for (int i = 0; i < width; ++i)
                    if ((ReadPixel(in, i, l.bits) & compare) != key)
                        out[i >> 3] |= (uint8_t)(0x80 >> (i & 7));
            }
            GdiObject<HBITMAP> picturebitmap(DeviceBitmap(dc, dib, l));
            GdiObject<HBITMAP> inversebitmap(CreateBitmap(width, height, 1, 1, NULL));
            GdiObject<HBITMAP> maskbitmap;
            MemoryDC picture(dc), masks(dc), inverse(dc);
            // Made for a fresh memory DC, so monochrome.
            if (picture.dc)
                maskbitmap.Reset(DeviceBitmap(picture.dc, mask.header, mask.layout));
            if (masks.dc && inverse.dc) {
                if (picturebitmap.get() && maskbitmap.get() && inversebitmap.get() && picture.Select(picturebitmap.get()) &&
                    masks.Select(maskbitmap.get()) && inverse.Select(inversebitmap.get())) {
                    // Monochrome sources take the text colour for 0 and the
                    // background colour for 1: make them black and white.
                    SetTextColor(picture.dc, RGB(0, 0, 0));
                    SetBkColor(picture.dc, RGB(255, 255, 255));
                    BitBlt(inverse.dc, 0, 0, width, height, masks.dc, 0, 0, NOTSRCCOPY);
                    BitBlt(picture.dc, 0, 0, width, height, masks.dc, 0, 0, SRCAND);
                    COLORREF text = SetTextColor(dc, RGB(0, 0, 0));
                    COLORREF back = SetBkColor(dc, RGB(255, 255, 255));
                    BitBlt(dc, x, y, width, height, inverse.dc, 0, 0, SRCAND);
                    SetTextColor(dc, text);
                    SetBkColor(dc, back);
                    BitBlt(dc, x, y, width, height, picture.dc, 0, 0, SRCINVERT);
                    done = 1;
                }
            }
        }
    }
    GlobalFree(maskdib);
    return done;
}

HGLOBAL BitmapToDIB(HDC dc, HBITMAP bitmap, const char *rgb)
{
    if (!bitmap)
        return NULL;
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof info, &info))
        return NULL;
    int depth = info.bmPlanes * info.bmBitsPixel;
    if (depth > 8)
        depth = 24;
    HGLOBAL dib = CreateDib(info.bmWidth, info.bmHeight, rgb, depth);
    if (!dib)
        return NULL;
    int lines = 0;
    {
        DibLock lock(dib);
        if (lock.ok())
            lines = GetDIBits(dc, bitmap, 0, lock.layout.height, lock.StoredRow(0),
                              (BITMAPINFO *)lock.header, DIB_RGB_COLORS);
    }
    if (!lines) {
        GlobalFree(dib);
        return NULL;
    }
    return dib;
}

HGLOBAL COMMONPromoteToTrueColour(HGLOBAL dib)
{
    DibLock src(dib);
    // Only depths whose rows are known; others would be read past their end.
    if (!src.ok() || !PixelDepth(src.layout.bits))
        return NULL;
    const int width = src.layout.width, height = src.layout.height, bits = src.layout.bits;
    NewDib out(CreateDib(width, height, NULL, 24));
    if (!out.ok())
        return NULL;
    const RGBQUAD *table = src.Table();
    for (int s = 0; s < height; ++s) {
        const uint8_t *in = src.StoredRow(s);
        uint8_t *o = out.StoredRow(s);
        if (bits <= 8) {
            for (int x = 0; x < width; ++x, o += 3) {
                const RGBQUAD &q = table[ReadPixel(in, x, bits)];
                o[0] = q.rgbBlue, o[1] = q.rgbGreen, o[2] = q.rgbRed;
            }
        } else if (bits == 24) {
            memcpy(o, in, 3 * (size_t)width);
        } else {
            for (int x = 0; x < width; ++x, o += 3, in += 4)
                o[0] = in[0], o[1] = in[1], o[2] = in[2];
        }
    }
    return out.Release();
}

HGLOBAL CropDib(HGLOBAL dib, int x, int y, const RECT *r, int fill)
{
    DibLock src(dib);
    if (!src.ok() || !PixelDepth(src.layout.bits) || !r)
        return NULL;
    long long w = (long long)r->right - r->left, h = (long long)r->bottom - r->top;
    if (w <= 0 || h <= 0 || w > INT_MAX || h > INT_MAX)
        return NULL;
    NewDib out(CreateDibLike(src, (int)w, (int)h));
    if (!out.ok())
        return NULL;
    const int bits = src.layout.bits;
    // The result's columns that fall inside the picture placed at (x, y).
    long long dx = (long long)r->left - x, dy = (long long)r->top - y;
    long long first = std::clamp(-dx, 0LL, w), last = std::clamp(src.layout.width - dx, first, w);
    for (int i = 0; i < (int)h; ++i) {
        uint8_t *o = out.Row(i);
        long long sy = dy + i;
        bool inside = sy >= 0 && sy < src.layout.height;
        const uint8_t *in = inside ? src.Row((int)sy) : nullptr;
        for (int j = 0; j < (int)w; ++j) {
            if (inside && j >= first && j < last)
                WritePixel(o, j, bits, ReadPixel(in, (int)(dx + j), bits));
            else
                WritePixel(o, j, bits, (uint32_t)fill);
        }
    }
    return out.Release();
}

HGLOBAL CropImage(HGLOBAL dib, const RECT *r)
{
    // Parts of the rectangle outside the picture stay index 0 or black.
    return CropDib(dib, 0, 0, r, 0);
}

DWORD GetDibSize(HGLOBAL dib)
{
    DibLock lock(dib);
    return lock.ok() ? lock.layout.total : 0;
}

int DrawColourButton(HWND dialog, UINT, WPARAM, const DRAWITEMSTRUCT *item, char *, COLORREF colour)
{
    HDC dc = item->hDC;
    RECT rc = item->rcItem;
    bool disabled = item->itemState & ODS_DISABLED, pressed = item->itemState & ODS_SELECTED;
    COLORREF face = disabled ? GetSysColor(COLOR_BTNFACE) : colour;
    int saved = SaveDC(dc);

    SelectObject(dc, GetStockObject(NULL_PEN));
    auto brush = (HBRUSH)SendMessageA(dialog, WM_CTLCOLORBTN, (WPARAM)dc, (LPARAM)item->hwndItem);
    if (brush) {
        SelectObject(dc, brush);
        Rectangle(dc, rc.left, rc.top, rc.right + 1, rc.bottom + 1);
    }
    HBRUSH facebrush = CreateSolidBrush(face);
    SelectObject(dc, facebrush);
    Rectangle(dc, rc.left, rc.top, rc.right - 2, rc.bottom - 2);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    DeleteObject(facebrush);

    DrawEdge(dc, &rc, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT);
    if (item->itemState & ODS_FOCUS) {
        RECT focus{rc.left + 4, rc.top + 3, rc.right - 4, rc.bottom - 4};
        DrawFocusRect(dc, &focus);
    }
    char text[261] = "";
    if (!disabled && GetWindowTextA(item->hwndItem, text, sizeof text) > 0) {
        SetBkMode(dc, TRANSPARENT);
        SetTextAlign(dc, TA_CENTER | TA_TOP);
        bool dark = Brightness(GetRValue(face), GetGValue(face), GetBValue(face)) <= 128;
        SetTextColor(dc, dark ? RGB(255, 255, 255) : RGB(0, 0, 0));
        int x = (rc.right - rc.left) / 2, y = rc.top + 4;
        if (pressed)
            x -= 2, y -= 1;
        TextOutA(dc, x, y, text, (int)strlen(text));
    }
    RestoreDC(dc, saved);
    return 0;
}

char *CreateDerivativePath(char *out, const char *path, const char *prefix)
{
    std::string rest(path), drive, folder, name, ext;
    if (rest.size() >= 2 && rest[1] == ':') {
        drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    size_t slash = rest.find_last_of("\\/");
    if (slash != std::string::npos) {
        folder = rest.substr(0, slash + 1);
        rest.erase(0, slash + 1);
    }
    size_t dot = rest.find_last_of('.');
    if (dot != std::string::npos) {
        ext = rest.substr(dot);
        rest.erase(dot);
    }
    name = rest;
    size_t prefixlength = strlen(prefix);
    if (prefixlength + drive.size() + folder.size() + name.size() + ext.size() >= MAX_PATH)
        prefix = "";
    snprintf(out, MAX_PATH, "%s%s%s%s%s", drive.c_str(), folder.c_str(), prefix, name.c_str(), ext.c_str());
    return out;
}

int ImageToBlock(BLOCK *, HGLOBAL)
{
    return 1;
}
