// Each page object type painted into a DC over its rectangle: what the show
// window shows for static objects and what the editor shows for all of them.
#include "runtime/objdraw.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "document/record.h"
#include "media/dib.h"
#include "media/reduce.h"
#include "runtime/background.h"
#include "runtime/cells.h"
#include "runtime/messages.h"
#include "runtime/runtime.h"
#include "runtime/scratchdc.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

// The object of a window: the handle in its user data, locked for the call.
// A record whose sizes run past its block is not drawn.
struct ObjectOf {
    ObjectRecord<> record;
    OBJECTHEADER *object;
    explicit ObjectOf(HWND hwnd)
        : record(hwnd ? WindowObject(hwnd) : NULL), object(record.Whole() ? record.get() : nullptr)
    {
    }
};

char *Data(OBJECTHEADER *o) { return ObjectData(o); }

// A text of the data: its leading string, never longer than the data.
int TextLength(const char *text, uint32_t limit) { return (int)strnlen(text, limit); }

// A packed DIB lying in `avail` bytes, or NULL.
const BITMAPINFOHEADER *DibIn(const char *p, uint64_t avail, DIBLAYOUT *layout)
{
    if (!p || avail < sizeof(BITMAPINFOHEADER))
        return nullptr;
    auto *dib = (const BITMAPINFOHEADER *)p;
    if (!DibHeaderLayout(dib, layout) || layout->total > avail)
        return nullptr;
    return dib;
}

// Draws a DIB at its natural size (or its top `rows` rows) with its palette.
void DrawDib(HDC dc, const BITMAPINFOHEADER *dib, const DIBLAYOUT &layout, int x, int y, int rows = -1)
{
    char rgb[768] = {};
    GetDibPalette((const BITMAPINFO *)dib, rgb);
    PALSTATE pal{};
    RealizeWindowPalette(dc, &pal, rgb, layout.bits <= 8 ? 1 << layout.bits : 257);
    GdiObject<HBITMAP> bm(CreateDIBitmap(dc, dib, CBM_INIT, (const uint8_t *)dib + layout.pixeloffset,
                                         (const BITMAPINFO *)dib, DIB_RGB_COLORS));
    if (bm) {
        ScratchDC scratch;
        if (HDC mem = scratch.dc()) {
            SelectedObject chosen(mem, bm);
            BitBlt(dc, x, y, layout.width, rows < 0 ? layout.height : std::min(rows, layout.height), mem, 0, 0,
                   SRCCOPY);
        }
    }
    UnrealizeWindowPalette(dc, &pal);
}

void DrawDibHandle(HDC dc, HGLOBAL dib, int x, int y)
{
    DibLock lock(dib);
    if (lock.ok())
        DrawDib(dc, lock.header, lock.layout, x, y);
}

void FillColour(HDC dc, const RECT &r, COLORREF c)
{
    if (GdiObject<HBRUSH> b(CreateSolidBrush(c)); b)
        FillRect(dc, &r, b);
}

void ControlText(HDC dc, const char *text, int length, RECT r, UINT format)
{
    if (controlfont)
        SelectObject(dc, controlfont);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, length, &r, format);
}

void DrawResourceBitmap(HDC dc, int id, int x, int y)
{
    HRSRC res = FindResourceA(hInst, MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    HGLOBAL data = res ? LoadResource(hInst, res) : NULL;
    if (data)
        DrawImage(dc, x, y, data, SRCCOPY);
}

COLORREF Channelled(COLORREF c, unsigned percent)
{
    auto ch = [&](int shift) { return std::min<uint32_t>(255, ((c >> shift) & 0xFF) * percent / 100) << shift; };
    return ch(0) | ch(8) | ch(16);
}

// `fromrecord`: drawn from the record alone (a thumbnail, a printed page),
// where `hwnd` is the page's window, whose title is no caption: the caption
// is then the record's text, as the button's own window is given it.
void DrawButton(HWND hwnd, HDC dc, OBJECTBUTTON *b, const RECT &r, bool fromrecord)
{
    uint32_t flags = b->header.flags;
    if (flags & (OBJ_SOFTCUSTOM | OBJ_LOOP)) {
        const char *data = Data(&b->header);
        const std::string text = fromrecord ? std::string(data, (size_t)TextLength(data, b->header.datasize)) : "";
        const char *caption = fromrecord ? text.c_str() : nullptr;
        COLORREF page = (COLORREF)SendMessageA(GetParent(hwnd), QVM_GETPAGECOLOUR, 0, 0);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = hwnd ? (UINT)GetDlgCtrlID(hwnd) : 0;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = hwnd && !IsWindowEnabled(hwnd) ? ODS_DISABLED : 0;
        item.hwndItem = hwnd;
        item.hDC = dc;
        item.rcItem = r;
        if (controlfont)
            SelectObject(dc, controlfont);
        if (flags & OBJ_SOFTCUSTOM) {
            COLORREF c = b->softcolour;
            QV_DrawSoftButton(hwnd, &item, MakeDerivativeColour(c, 1.3), MakeDerivativeColour(c, 0.45), c,
                              b->softtextcolour, page, 1, caption);
        } else {
            QV_DrawSoftButton(hwnd, &item, 0, 0, 0, 0, page, 2, caption);
        }
        return;
    }
    if (flags & OBJ_GRAPHIC) {
        const char *graphic = GetButtonTitleGraphic(b);
        uint64_t used = graphic ? (uint64_t)(graphic - Data(&b->header)) : 0;
        DIBLAYOUT layout;
        if (const BITMAPINFOHEADER *dib = DibIn(graphic, b->header.datasize - used, &layout))
            DrawDib(dc, dib, layout, r.left, r.top, layout.height / 2);
        return;
    }
    RECT face = r;
    DrawEdge(dc, &face, EDGE_RAISED, BF_RECT | BF_ADJUST);
    if (controlfont)
        SelectObject(dc, controlfont);
    QV_DrawButtonCaption(dc, &face, Data(&b->header), TextLength(Data(&b->header), b->header.datasize));
}

void DrawTextObject(HDC dc, OBJECTTEXT *t, const RECT &rect)
{
    uint32_t flags = t->header.flags;
    if (!(flags & OBJ_TRANSPARENT))
        FillColour(dc, rect, t->backcolour);
    char face[LF_FACESIZE] = {};
    memcpy(face, t->face, std::min(sizeof face - 1, sizeof t->face));
    GdiObject<HFONT> font(CreateFontA(t->size, 0, 0, 0, t->weight, (flags & OBJ_ITALIC) ? 1 : 0, 0, 0,
                                      DEFAULT_CHARSET, 0, 0,
                                      (flags & OBJ_GRAPHIC) ? ANTIALIASED_QUALITY : DEFAULT_QUALITY, 0, face));
    SelectedObject chosen(dc, font);
    UINT format = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
    if (flags & OBJ_CENTRED)
        format |= DT_CENTER;
    if (flags & OBJ_RIGHT)
        format |= DT_RIGHT;
    uint32_t size = (uint32_t)t->size, p = (uint32_t)t->padding, offset = (uint32_t)t->offset;
    if (flags & (OBJ_LOOP | OBJ_REMAP))
        p = std::max(p, offset);
    int shrink = (int)(size * p / 100), move = (int)(size * offset / 100);
    RECT r = rect;
    InflateRect(&r, -shrink, -shrink);
    const char *text = Data(&t->header);
    int length = TextLength(text, t->header.datasize);
    SetBkMode(dc, TRANSPARENT);
    if (flags & OBJ_LOOP) {
        RECT up = r;
        OffsetRect(&up, -move, -move);
        SetTextColor(dc, Channelled(t->colour, 175));
        DrawTextA(dc, text, length, &up, format);
    }
    if (flags & OBJ_REMAP) {
        RECT down = r;
        OffsetRect(&down, move, move);
        SetTextColor(dc, Channelled(t->colour, 50));
        DrawTextA(dc, text, length, &down, format);
    }
    SetTextColor(dc, t->colour);
    DrawTextA(dc, text, length, &r, format);
}

void Disc(HDC dc, int l, int t, int r, int b, COLORREF c)
{
    GdiObject<HBRUSH> brush(CreateSolidBrush(c));
    SelectedObject chosen(dc, brush), nopen(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, l, t, r + 1, b + 1);
}

void ArcIn(HDC dc, int l, int t, int r, int b, COLORREF c, bool upperleft)
{
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, c));
    SelectedObject chosen(dc, pen);
    // Counter-clockwise from the upper right to the lower left covers the
    // upper-left half; the other way round the lower-right one.
    if (upperleft)
        Arc(dc, l, t, r, b, r, t, l, b);
    else
        Arc(dc, l, t, r, b, l, b, r, t);
}

void DrawRadio(HDC dc, OBJECTHEADER *o, const RECT &r)
{
    RECT text{r.left + 20, r.top, r.right, r.bottom};
    ControlText(dc, Data(o), TextLength(Data(o), o->datasize), text, DT_SINGLELINE);
    int l = r.left + 2, t = r.top + 2, rr = r.left + 14, b = r.top + 14;
    ArcIn(dc, l, t, rr, b, GetSysColor(COLOR_BTNSHADOW), true);
    ArcIn(dc, l, t, rr, b, GetSysColor(COLOR_BTNHIGHLIGHT), false);
    ArcIn(dc, l + 1, t + 1, rr - 1, b - 1, GetSysColor(COLOR_3DDKSHADOW), true);
    Disc(dc, l + 2, t + 2, rr - 2, b - 2, RGB(255, 255, 255));
    if (o->flags & OBJ_SOFTCUSTOM)
        Disc(dc, l + 4, t + 4, rr - 4, b - 4, RGB(0, 0, 0));
}

void DrawCheck(HDC dc, OBJECTHEADER *o, const RECT &r)
{
    RECT text{r.left + 21, r.top, r.right, r.bottom};
    ControlText(dc, Data(o), TextLength(Data(o), o->datasize), text, DT_SINGLELINE);
    RECT box{r.left + 2, r.top + 2, r.left + 15, r.top + 15};
    FillColour(dc, box, RGB(255, 255, 255));
    DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT);
    if (o->flags & OBJ_SOFTCUSTOM)
        DrawResourceBitmap(dc, 6301, box.left + 2, box.top + 2);
}

void DrawEditBox(HDC dc, OBJECTHEADER *o, const RECT &r)
{
    FillColour(dc, r, RGB(255, 255, 255));
    HBRUSH black = (HBRUSH)GetStockObject(BLACK_BRUSH);
    FrameRect(dc, &r, black);
    RECT in = r;
    InflateRect(&in, -2, -2);
    ControlText(dc, Data(o), TextLength(Data(o), o->datasize), in, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void RaisedButton(HDC dc, RECT r, int glyph)
{
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    if (glyph) {
        GdiObject<HBITMAP> bm(LoadBitmapA(NULL, MAKEINTRESOURCEA(glyph)));
        if (bm) {
            BITMAP info{};
            GetObjectA(bm, sizeof info, &info);
            ScratchDC scratch;
            HDC mem = scratch.dc();
            SelectedObject chosen(mem, bm);
            BitBlt(dc, r.left, r.top, info.bmWidth, info.bmHeight, mem, 0, 0, SRCCOPY);
        }
    }
}

void DrawListBox(HDC dc, OBJECTHEADER *o, const RECT &r)
{
    RECT e = r;
    DrawEdge(dc, &e, EDGE_ETCHED, BF_RECT);
    int cx = GetSystemMetrics(SM_CXHSCROLL), cy = GetSystemMetrics(SM_CYVSCROLL);
    int left = r.right - 2 - cx, right = r.right - 2;
    RECT up{left, r.top + 2, right, r.top + 2 + cy};
    RECT down{left, r.bottom - 2 - cy, right, r.bottom - 2};
    RECT track{left, up.bottom, right, down.top};
    FillRect(dc, &track, GetSysColorBrush(COLOR_SCROLLBAR));
    RaisedButton(dc, up, 32753 /* OBM_UPARROW */);
    RaisedButton(dc, down, 32752 /* OBM_DNARROW */);
    RaisedButton(dc, RECT{left, up.bottom, right, up.bottom + GetSystemMetrics(SM_CYVTHUMB)}, 0);
    if (controlfont)
        SelectObject(dc, controlfont);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    int line = tm.tmHeight > 0 ? tm.tmHeight : 16;
    GdiObject<HRGN> clip(CreateRectRgn(r.left + 2, r.top + 2, left - 1, r.bottom - 2));
    SelectClipRgn(dc, clip);
    SetBkMode(dc, TRANSPARENT);
    RECT item{r.left + 2, r.top + 2, left - 1, r.top + 2 + line};
    const char *p = Data(o), *end = p + o->datasize;
    while (p < end && *p && item.bottom < r.bottom - 2) {
        int n = TextLength(p, (uint32_t)(end - p));
        DrawTextA(dc, p, n, &item, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        OffsetRect(&item, 0, line);
        p += n + 1;
    }
    SelectClipRgn(dc, NULL);
}

void DrawStaticImage(HWND hwnd, HDC dc, OBJECTSTATICIMAGE *s, RECT r)
{
    DIBLAYOUT layout;
    const BITMAPINFOHEADER *dib = DibIn(Data(&s->header), s->header.datasize, &layout);
    if (!dib)
        return;
    // The record's first field is its display mode: anything but 0, or a
    // picture with alpha, is composed over what lies under it.
    if (layout.bits > 24 || s->transparencycount != 0) {
        HGLOBAL composed = CreateStaticDisplayImage(hwnd, dc, s, &r);
        if (composed) {
            DrawDibHandle(dc, composed, r.left, r.top);
            GlobalFree(composed);
        }
        return;
    }
    if (devicebits <= 8) {
        HGLOBAL copy = GetStaticImageObjectBitmap(s);
        char rgb[768];
        int bits = 0;
        GetDefaultPalette(rgb, &bits, 6);
        HGLOBAL reduced = copy ? ((s->header.flags & OBJ_REMAP) ? RemapDib(copy, rgb, bits, 0) : DitherDib(copy, rgb, bits, 0))
                               : NULL;
        if (reduced) {
            DrawDibHandle(dc, reduced, r.left, r.top);
            GlobalFree(reduced);
        }
        if (copy)
            GlobalFree(copy);
        return;
    }
    DrawDib(dc, dib, layout, r.left, r.top);
}

void DrawAnimation(HWND hwnd, HDC dc, OBJECTHEADER *o, RECT r)
{
    OBJECTANIMFRAME frame;
    BITMAPINFOHEADER *cell = FindAnimationCell(Data(o), o->datasize, 0, &frame);
    if (!cell)
        return;
    GdiObject<HBITMAP> background(CopyScreenToBitmap(dc, &r));
    GdiObject<HBITMAP> previous(CopyScreenToBitmap(dc, &r));
    if (background && previous)
        DrawAnimationCell(hwnd, dc, cell, frame.x, frame.y, &r, &r, frame.flags, frame.transparent, background,
                          previous);
}

void DrawApplet(HDC dc, OBJECTHEADER *o, RECT r, bool moved)
{
    RECT e = r;
    DrawEdge(dc, &e, EDGE_RAISED, BF_RECT);
    InflateRect(&r, -2, -2);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    GdiObject<HBITMAP> tile(
        (HBITMAP)LoadImageA(hInst, MAKEINTRESOURCEA(6304), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!tile)
        return;
    BITMAP info{};
    GetObjectA(tile, sizeof info, &info);
    if (moved)
        SetWindowOrgEx(dc, -o->rect.left, -o->rect.top, NULL);
    ScratchDC scratch;
    HDC mem = scratch.dc();
    SelectedObject chosen(mem, tile);
    int w = r.right - r.left, h = r.bottom - r.top;
    for (int y = 0; info.bmHeight > 0 && y < h; y += info.bmHeight)
        for (int x = 0; info.bmWidth > 0 && x < w; x += info.bmWidth)
            BitBlt(dc, x, y, info.bmWidth, info.bmHeight, mem, 0, 0, SRCCOPY);
}

COLORREF Selected(COLORREF rgb, uint32_t selector) { return selector == COLOURSELECTOR_CUSTOM ? rgb : GetSysColor((int)selector); }

void Line(HDC dc, int x0, int y0, int x1, int y1)
{
    MoveToEx(dc, x0, y0, NULL);
    LineTo(dc, x1, y1);
}

void Bevel(HDC dc, const RECT &r, int t, COLORREF first, COLORREF second)
{
    GdiObject<HPEN> a(CreatePen(PS_SOLID, 1, first)), b(CreatePen(PS_SOLID, 1, second));
    SelectedObject chosen(dc, a);
    for (int i = 0; i < t; ++i) {
        Line(dc, r.left, r.top + i, r.right - i - 1, r.top + i);
        Line(dc, r.left + i, r.top, r.left + i, r.bottom - i);
    }
    SelectObject(dc, b);
    for (int i = 0; i < t; ++i) {
        Line(dc, r.right - i - 1, r.top + i, r.right - i - 1, r.bottom);
        Line(dc, r.right - i - 1, r.bottom - i - 1, r.left + i, r.bottom - i - 1);
    }
}

void Gradient(HDC dc, OBJECTFRAME *f, const RECT &r)
{
    bool transparent = f->header.flags & OBJ_TRANSPARENT;
    int t = (int)std::min<uint32_t>(f->thickness, 0x7FFF);
    GdiObject<HRGN> clip(CreateRectRgnIndirect(&r));
    if (transparent) {
        RECT in = r;
        InflateRect(&in, -t, -t);
        GdiObject<HRGN> inner(CreateRectRgnIndirect(&in));
        CombineRgn(clip, clip, inner, RGN_DIFF);
    }
    SelectClipRgn(dc, clip);
    POINT centre{r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
    int angle = (int)f->angle;
    POINT corners[4] = {{r.left - 2, r.top - 2}, {r.right + 2, r.top - 2}, {r.right + 2, r.bottom + 2},
                        {r.left - 2, r.bottom + 2}};
    LONG minx = LONG_MAX, miny = LONG_MAX, maxx = LONG_MIN, maxy = LONG_MIN;
    for (POINT &p : corners) {
        RotatePoint(&p, &centre, angle);
        minx = std::min(minx, p.x);
        miny = std::min(miny, p.y);
        maxx = std::max(maxx, p.x);
        maxy = std::max(maxy, p.y);
    }
    double span = maxy - miny, h = span * (1.0 / 256);
    double ch[3], step[3];
    for (int k = 0; k < 3; ++k) {
        ch[k] = (f->primary >> (8 * k)) & 0xFF;
        step[k] = ((double)((f->secondary >> (8 * k)) & 0xFF) - ch[k]) / 256;
    }
    SetMapMode(dc, MM_TEXT);
    SelectedObject nopen(dc, GetStockObject(NULL_PEN));
    for (double y = 0; h > 0 && y < span; y += h) {
        POINT p[5] = {{minx, miny + (LONG)floor(y)},
                      {maxx, miny + (LONG)floor(y)},
                      {maxx, miny + (LONG)ceil(y + h)},
                      {minx, miny + (LONG)ceil(y + h)},
                      {minx, miny + (LONG)floor(y)}};
        for (POINT &q : p)
            RotatePoint(&q, &centre, angle);
        // Channels stay within 0..255: 256 would wrap to 0 in a COLORREF.
        auto c = [&](int k) { return (BYTE)std::min(255.0, std::max(0.0, ch[k])); };
        GdiObject<HBRUSH> brush(CreateSolidBrush(RGB(c(0), c(1), c(2))));
        SelectedObject chosen(dc, brush);
        Polygon(dc, p, 5);
        for (int k = 0; k < 3; ++k)
            ch[k] = std::min(256.0, std::max(0.0, ch[k] + step[k]));
    }
    SelectClipRgn(dc, NULL);
}

void DrawFrame(HDC dc, OBJECTFRAME *f, const RECT &r)
{
    bool transparent = f->header.flags & OBJ_TRANSPARENT;
    COLORREF primary = Selected(f->primary, f->primaryselector);
    COLORREF secondary = Selected(f->secondary, f->secondaryselector);
    COLORREF interior = Selected(f->interior, f->interiorselector);
    int t = (int)std::min<uint32_t>(f->thickness, 0x7FFF);
    switch (f->type) {
    case 0: {
        GdiObject<HPEN> pen(CreatePen(PS_INSIDEFRAME, t, primary));
        GdiObject<HBRUSH> interiorbrush(transparent ? NULL : CreateSolidBrush(interior));
        SelectedObject chosenpen(dc, pen);
        SelectedObject chosenbrush(dc, transparent ? GetStockObject(NULL_BRUSH) : (HGDIOBJ)interiorbrush.get());
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        break;
    }
    case 1:
    case 2:
        if (!transparent)
            FillColour(dc, r, interior);
        if (f->type == 1)
            Bevel(dc, r, t, primary, secondary);
        else
            Bevel(dc, r, t, secondary, primary);
        break;
    case 3:
    case 4:
    case 5:
    case 6: {
        static const UINT edges[] = {EDGE_BUMP, EDGE_ETCHED, EDGE_RAISED, EDGE_SUNKEN};
        if (!transparent)
            FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        RECT e = r;
        DrawEdge(dc, &e, edges[f->type - 3], BF_RECT);
        break;
    }
    case 7:
        Gradient(dc, f, r);
        break;
    default:
        break;
    }
}

} // namespace

void RotatePoint(POINT *point, const POINT *centre, int degrees)
{
    // Not pi: gradient frames have always been turned by this shorter
    // figure, a right angle a hair short, and look as they always have.
    double a = degrees * 3.14159 / 180;
    double dx = point->x - centre->x, dy = point->y - centre->y;
    point->x = (LONG)(dx * cos(a) - dy * sin(a)) + centre->x;
    point->y = (LONG)(dx * sin(a) + dy * cos(a)) + centre->y;
}

int DrawPageObject(void *hwndarg, void *hdcarg, OBJECTHEADER *object)
{
    HWND hwnd = (HWND)hwndarg;
    HDC dc = (HDC)hdcarg;
    ObjectOf own(object ? NULL : hwnd);
    OBJECTHEADER *o = object ? object : own.object;
    if (!o || !dc)
        return 0;
    RECT r = o->rect;
    if (!object)
        GetClientRect(hwnd, &r);
    uint32_t tag = o->tag;
    // Each type reads only what its record holds.
    if (o->fixedsize < ObjectFixedSize(tag))
        return 0;
    SavedDC state(dc);
    switch (tag) {
    case TAG_BUTN:
        DrawButton(hwnd, dc, (OBJECTBUTTON *)o, r, object != nullptr);
        if (o->flags & (OBJ_SOFTCUSTOM | OBJ_LOOP))
            tag = 0;
        break;
    case TAG_TEXT:
        DrawTextObject(dc, (OBJECTTEXT *)o, r);
        break;
    case TAG_CHEC:
        DrawCheck(dc, o, r);
        break;
    case TAG_RDIO:
        DrawRadio(dc, o, r);
        break;
    case TAG_EDIT:
        DrawEditBox(dc, o, r);
        break;
    case TAG_LIST:
        DrawListBox(dc, o, r);
        break;
    case TAG_IMAG:
    case TAG_MOVI: {
        DIBLAYOUT layout;
        if (const BITMAPINFOHEADER *dib = DibIn(Data(o), o->datasize, &layout))
            DrawDib(dc, dib, layout, r.left, r.top);
        break;
    }
    case TAG_STAT:
        DrawStaticImage(hwnd, dc, (OBJECTSTATICIMAGE *)o, r);
        break;
    case TAG_ANIM:
        DrawAnimation(hwnd, dc, o, r);
        break;
    case TAG_WAVE:
        DrawResourceBitmap(dc, 6302, r.left, r.top);
        break;
    case TAG_MIDI:
        DrawResourceBitmap(dc, 6303, r.left, r.top);
        break;
    case TAG_TIME:
        DrawResourceBitmap(dc, 6305, r.left, r.top);
        break;
    case TAG_APPL:
        DrawApplet(dc, o, r, object != nullptr);
        break;
    case TAG_FRAM:
        DrawFrame(dc, (OBJECTFRAME *)o, r);
        break;
    default:
        break;
    }
    return (int)tag;
}

int ErasePageObjectBackground(void *hwndarg, void *hdcarg, OBJECTHEADER *object)
{
    HWND hwnd = (HWND)hwndarg;
    HDC dc = (HDC)hdcarg;
    ObjectOf own(object ? NULL : hwnd);
    OBJECTHEADER *o = object ? object : own.object;
    if (!o || !dc)
        return 0;
    RECT r = o->rect;
    if (!object)
        GetClientRect(hwnd, &r);
    switch (o->tag) {
    case TAG_BUTN:
    case TAG_CHEC:
    case TAG_RDIO:
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    case TAG_EDIT:
    case TAG_APPL:
    case TAG_LIST:
        FillColour(dc, r, RGB(255, 255, 255));
        return 1;
    case TAG_TEXT:
        if (o->flags & OBJ_TRANSPARENT || o->fixedsize < sizeof(OBJECTTEXT))
            return 0;
        FillColour(dc, r, ((OBJECTTEXT *)o)->backcolour);
        return 1;
    case TAG_WAVE:
    case TAG_MIDI:
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
        return 1;
    default:
        return 0;
    }
}
