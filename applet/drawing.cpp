// The applet's drawing: its graphic state (font, brush, pen, text position,
// text colours, drawing offset), the screen and colour queries, clearing the
// frame, shapes and curves, and text. Every call paints at once through the
// device context its host lends for that call; nothing drawn is kept.
#include "applet/internal.h"
#include "common/shell.h"
#include "document/record.h"
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// ---- the surface ----

Surface::Surface(APPLET *applet)
    : dc(applet->host && applet->host->getdc ? applet->host->getdc(applet) : NULL), a(applet)
{
    if (dc)
        SetMapMode(dc, MM_TEXT);
}

Surface::~Surface()
{
    if (dc && a->host->releasedc)
        a->host->releasedc(a, dc);
}

FixedPalette::FixedPalette(HDC context) : dc(context)
{
    if (dc && devicebits <= 8) {
        char rgb[PALETTEBYTES];
        GetDefaultPalette(rgb, nullptr, 6);
        realised = RealizeWindowPalette(dc, &state, rgb, 256) != 0;
    }
}

FixedPalette::~FixedPalette()
{
    if (realised)
        UnrealizeWindowPalette(dc, &state);
}

COLORREF FixedPalette::Solid(COLORREF colour) const { return realised ? GetNearestColor(dc, colour) : colour; }

void FrameSize(APPLET *a, int *width, int *height)
{
    *width = *height = 0;
    ObjectRecord<> object(a->appletobject);
    // The rectangle comes from the document: reckoned wide enough not to
    // overflow, and never below zero.
    if (object) {
        const RECT &r = object->rect;
        *width = (int)std::clamp<int64_t>((int64_t)r.right - r.left, 0, INT_MAX);
        *height = (int)std::clamp<int64_t>((int64_t)r.bottom - r.top, 0, INT_MAX);
    }
}

namespace {

int32_t Clamp32(int64_t v) { return (int32_t)std::clamp<int64_t>(v, INT_MIN, INT_MAX); }

// The text attributes of the graphic state in a device context for one
// built-in, and the context's own given back afterwards.
class TextStyle {
public:
    TextStyle(APPLET *a, HDC context, UINT alignment) : dc(context), font(context, a->font)
    {
        fore = SetTextColor(dc, a->forecolour);
        back = SetBkColor(dc, a->backcolour);
        mode = SetBkMode(dc, a->bkmode);
        align = SetTextAlign(dc, alignment);
    }
    ~TextStyle()
    {
        SetTextAlign(dc, align);
        SetBkMode(dc, mode);
        SetBkColor(dc, back);
        SetTextColor(dc, fore);
    }
    TextStyle(const TextStyle &) = delete;
    TextStyle &operator=(const TextStyle &) = delete;

private:
    HDC dc;
    SelectedObject font;
    COLORREF fore, back;
    int mode;
    UINT align;
};

} // namespace

// ---- graphic state ----

static int SetTwo(APPLET *a, HWND w, int32_t *x, int32_t *y)
{
    BEGIN(2, 2);
    int32_t first = IntArg(&c, 0), second = IntArg(&c, 1);
    *x = first;
    *y = second;
    return EndCall(&c, 1);
}

int APPLETSetPosition(APPLET *a, HWND w) { return SetTwo(a, w, &a->xpos, &a->ypos); }
int APPLETSetDrawingOffset(APPLET *a, HWND w) { return SetTwo(a, w, &a->offsetx, &a->offsety); }

static int Query(APPLET *a, HWND w, int32_t (*value)(APPLET *))
{
    BEGIN(0, 0);
    return EndCall(&c, value(a));
}

int APPLETGetHorizontalPosition(APPLET *a, HWND w)
{
    return Query(a, w, [](APPLET *a) { return (int32_t)a->xpos; });
}
int APPLETGetVerticalPosition(APPLET *a, HWND w)
{
    return Query(a, w, [](APPLET *a) { return (int32_t)a->ypos; });
}
int APPLETGetSaverColour(APPLET *a, HWND w)
{
    return Query(a, w, [](APPLET *a) { return (int32_t)a->backgroundcolour; });
}
int APPLETGetScreenWide(APPLET *a, HWND w)
{
    return Query(a, w, [](APPLET *) { return (int32_t)GetSystemMetrics(SM_CXSCREEN); });
}
int APPLETGetScreenDeep(APPLET *a, HWND w)
{
    return Query(a, w, [](APPLET *) { return (int32_t)GetSystemMetrics(SM_CYSCREEN); });
}
int APPLETGetScreenBits(APPLET *a, HWND w)
{
    return Query(a, w, [](APPLET *a) {
        Surface s(a);
        auto bits = [](HDC dc) { return (int32_t)(GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL)); };
        if (s.dc)
            return bits(s.dc);
        WindowDC screen(NULL);
        return screen ? bits(screen) : 0;
    });
}
int APPLETGetFrameWide(APPLET *a, HWND w)
{
    return Query(a, w, [](APPLET *a) {
        int width, height;
        FrameSize(a, &width, &height);
        return (int32_t)width;
    });
}
int APPLETGetFrameDeep(APPLET *a, HWND w)
{
    return Query(a, w, [](APPLET *a) {
        int width, height;
        FrameSize(a, &width, &height);
        return (int32_t)height;
    });
}

static int SetColour(APPLET *a, HWND w, COLORREF *field)
{
    BEGIN(1, 1);
    *field = (COLORREF)IntArg(&c, 0);
    return EndCall(&c, 1);
}

int APPLETSetTextForeColour(APPLET *a, HWND w) { return SetColour(a, w, &a->forecolour); }
int APPLETSetTextBackColour(APPLET *a, HWND w) { return SetColour(a, w, &a->backcolour); }

int APPLETSetTextTransparent(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    a->bkmode = IntArg(&c, 0) ? TRANSPARENT : OPAQUE;
    return EndCall(&c, 1);
}

int APPLETSetBrushColour(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    COLORREF colour = (COLORREF)IntArg(&c, 0);
    if (a->brush)
        DeleteObject(a->brush);
    a->brush = CreateSolidBrush(colour);
    return EndCall(&c, 1);
}

int APPLETSetPenColour(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    COLORREF colour = (COLORREF)IntArg(&c, 0);
    // A pen wider than the reach paints nothing more than one that wide;
    // the platform takes a negative width for its size.
    int32_t width = std::clamp(IntArgOr(&c, 1, 1), -REACH, REACH);
    if (a->pen)
        DeleteObject(a->pen);
    a->pen = CreatePen(PS_INSIDEFRAME, width, colour);
    return EndCall(&c, 1);
}

int APPLETMakeColour(APPLET *a, HWND w)
{
    BEGIN(3, 3);
    uint32_t red = (uint32_t)IntArg(&c, 0), green = (uint32_t)IntArg(&c, 1), blue = (uint32_t)IntArg(&c, 2);
    return EndCall(&c, (int32_t)((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16));
}

int APPLETGetFixedColour(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    static const uint8_t levels8[] = {0, 36, 72, 108, 144, 180, 216, 255};
    static const uint8_t levels4[] = {0, 85, 170, 255};
    int32_t n = std::clamp<int32_t>(IntArg(&c, 0), 0, 255);
    uint32_t colour = levels8[n / 32] | (uint32_t)levels8[(n / 4) & 7] << 8 | (uint32_t)levels4[n & 3] << 16;
    return EndCall(&c, (int32_t)colour);
}

int APPLETGetSysColour(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    int32_t index = IntArg(&c, 0);
    return EndCall(&c, (int32_t)GetSysColor(index > 24 ? 24 : index));
}

int APPLETClearScreen(APPLET *a, HWND w)
{
    BEGIN(0, 1);
    COLORREF colour = (COLORREF)IntArgOr(&c, 0, (int32_t)a->backgroundcolour);
    Surface s(a);
    if (s.dc) {
        int width, height;
        FrameSize(a, &width, &height);
        RECT frame = {0, 0, width, height};
        FixedPalette palette(s.dc);
        GdiObject<HBRUSH> brush(CreateSolidBrush(palette.Solid(colour)));
        if (brush.get())
            FillRect(s.dc, &frame, brush);
    }
    return EndCall(&c, 1);
}

// A new object made from another's description: the saved state keeps the
// original, the applet goes on with this.
template <class T, class L, class M> static T Copy(T object, M make)
{
    L description;
    if (!object || GetObjectA(object, sizeof description, &description) != (int)sizeof description)
        return NULL;
    return make(&description);
}

int APPLETSaveGraphicState(APPLET *a, HWND w)
{
    BEGIN(0, 0);
    auto *g = (GRAPHICSTATE *)calloc(1, sizeof(GRAPHICSTATE));
    if (!g) {
        APPLETRecordError(a, APPLETERR_MEMORY);
        return EndCall(&c, 1);
    }
    *g = {a->font, a->pen, a->brush, a->xpos, a->ypos, a->forecolour, a->backcolour, a->bkmode, a->offsetx,
          a->offsety};
    GdiObject<HFONT> font(Copy<HFONT, LOGFONTA>(a->font, [](LOGFONTA *l) { return CreateFontIndirectA(l); }));
    GdiObject<HPEN> pen(Copy<HPEN, LOGPEN>(a->pen, [](LOGPEN *l) { return CreatePenIndirect(l); }));
    GdiObject<HBRUSH> brush(Copy<HBRUSH, LOGBRUSH>(a->brush, [](LOGBRUSH *l) { return CreateBrushIndirect(l); }));
    VALUE v;
    if (APPLETPush(a, APPLETMakeValue(&v, VT_GRAPHICSTATE | VT_OWNED, (uint32_t)(UINT_PTR)g, 0))) {
        // Not saved: the applet keeps drawing with what it had.
        free(g);
        return EndCall(&c, 1);
    }
    a->font = font.Release();
    a->pen = pen.Release();
    a->brush = brush.Release();
    return EndCall(&c, 1);
}

template <class T> static void TakeBack(T *current, T saved)
{
    if (*current && *current != saved)
        DeleteObject(*current);
    *current = saved;
}

int APPLETRestoreGraphicState(APPLET *a, HWND w)
{
    BEGIN(0, 0);
    VALUE v;
    if (APPLETPop(a, &v))
        return EndCall(&c, 1);
    if (!(v.type & VT_GRAPHICSTATE)) {
        APPLETDiscardValue(a, &v);
        APPLETRecordError(a, APPLETERR_CORRUPTED);
        return EndCall(&c, 1);
    }
    auto *g = (GRAPHICSTATE *)(UINT_PTR)v.value;
    if (!g) {
        APPLETRecordError(a, APPLETERR_MEMORY);
        return EndCall(&c, 1);
    }
    TakeBack(&a->font, g->font);
    TakeBack(&a->pen, g->pen);
    TakeBack(&a->brush, g->brush);
    a->xpos = g->xpos;
    a->ypos = g->ypos;
    a->forecolour = g->forecolour;
    a->backcolour = g->backcolour;
    a->bkmode = g->bkmode;
    a->offsetx = g->offsetx;
    a->offsety = g->offsety;
    free(g);
    return EndCall(&c, 1);
}

// ---- shapes ----

namespace {

enum Style { PENONLY, OUTLINE, FILLED, NOTHING };

// A device context with the objects of one drawing style selected, given
// back in the reverse order when the drawing is done.
class Drawing : public Surface {
public:
    Drawing(APPLET *a, Style style)
        : Surface(a), first(dc, Pick(style == OUTLINE ? GetStockObject(NULL_BRUSH)
                                      : style == FILLED ? (HGDIOBJ)a->brush
                                      : style == PENONLY ? (HGDIOBJ)a->pen : NULL)),
          second(dc, Pick(style == OUTLINE ? (HGDIOBJ)a->pen : style == FILLED ? GetStockObject(NULL_PEN) : NULL))
    {
    }

private:
    HGDIOBJ Pick(HGDIOBJ object) const { return dc ? object : NULL; }
    SelectedObject first, second;
};

// Four coordinates moved by the offset and kept within reach: left, top,
// right, bottom.
struct Box {
    int32_t left, top, right, bottom;
};

Box Moved4(APPLET *a, CALL *c)
{
    int32_t v[4];
    for (int i = 0; i < 4; i++)
        v[i] = IntArg(c, i);
    return {Placed(v[0], a->offsetx), Placed(v[1], a->offsety), Placed(v[2], a->offsetx), Placed(v[3], a->offsety)};
}

// Whether a figure within the corners, either way round, can reach into the
// frame: a line's pen may paint half its width beyond them, and an inside-
// frame pen wider than its figure's box turns the box inside out by up to
// half its width and paints half its width beyond that; a pixel more.
bool Seen(APPLET *a, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    int width, height;
    FrameSize(a, &width, &height);
    LOGPEN pen{};
    int64_t spread = 1;
    if (a->pen && GetObjectA(a->pen, sizeof pen, &pen) == (int)sizeof pen)
        spread += pen.lopnWidth.x > 1 ? std::min<int64_t>(pen.lopnWidth.x, REACH) : 0;
    return std::max(x1, x2) + spread > 0 && std::min(x1, x2) - spread < width && std::max(y1, y2) + spread > 0 &&
           std::min(y1, y2) - spread < height;
}

bool Seen(APPLET *a, const Box &b) { return Seen(a, b.left, b.top, b.right, b.bottom); }

} // namespace

// A corner larger than twice the reach rounds no more than one that large.
static int32_t Corner(int32_t size) { return std::clamp(size, -2 * REACH, 2 * REACH); }

typedef void (*SHAPE)(HDC dc, const Box &b, int32_t p, int32_t q);

// Shapes of four coordinates and, for six arguments, two more numbers that
// the offset does not move.
static int Shape(APPLET *a, HWND w, int count, Style style, SHAPE draw, int wide = -1)
{
    BEGIN(count, count);
    Box b = Moved4(a, &c);
    int32_t p = IntArg(&c, 4), q = IntArg(&c, 5);
    if (!Seen(a, b))
        return EndCall(&c, 1);
    Drawing d(a, style);
    const RECT box = {b.left, b.top, b.right, b.bottom};
    const POINT corner = {Corner(p), Corner(q)};
    if (d.dc && !(wide >= 0 && WideStroke(a, d.dc, (WIDEFIGURE)wide, box, &corner, 1)))
        draw(d.dc, b, p, q);
    return EndCall(&c, 1);
}

int APPLETFrameRect(APPLET *a, HWND w)
{
    return Shape(a, w, 4, OUTLINE, [](HDC dc, const Box &b, int32_t, int32_t) {
        Rectangle(dc, b.left, b.top, b.right, b.bottom);
    }, WIDE_RECT);
}

// With the null pen a rectangle's fill stops one pixel short of its right
// and bottom edges: the same pixels FillRect paints, at a fraction of the
// cost of selecting two objects and drawing a figure.
int APPLETFillRect(APPLET *a, HWND w)
{
    BEGIN(4, 4);
    Box b = Moved4(a, &c);
    if (!Seen(a, b))
        return EndCall(&c, 1);
    if (a->brush) {
        Surface s(a);
        RECT r = {std::min(b.left, b.right), std::min(b.top, b.bottom),
                  Clamp32((int64_t)std::max(b.left, b.right) - 1), Clamp32((int64_t)std::max(b.top, b.bottom) - 1)};
        if (s.dc)
            FillRect(s.dc, &r, a->brush);
    } else {
        Drawing d(a, FILLED);
        if (d.dc)
            Rectangle(d.dc, b.left, b.top, b.right, b.bottom);
    }
    return EndCall(&c, 1);
}

int APPLETFrameEllipse(APPLET *a, HWND w)
{
    return Shape(a, w, 4, OUTLINE, [](HDC dc, const Box &b, int32_t, int32_t) {
        Ellipse(dc, b.left, b.top, b.right, b.bottom);
    }, WIDE_ELLIPSE);
}
int APPLETFillEllipse(APPLET *a, HWND w)
{
    return Shape(a, w, 4, FILLED, [](HDC dc, const Box &b, int32_t, int32_t) {
        Ellipse(dc, b.left, b.top, b.right, b.bottom);
    });
}

int APPLETFrameRoundRect(APPLET *a, HWND w)
{
    return Shape(a, w, 6, OUTLINE, [](HDC dc, const Box &b, int32_t cw, int32_t ch) {
        RoundRect(dc, b.left, b.top, b.right, b.bottom, Corner(cw), Corner(ch));
    }, WIDE_ROUNDRECT);
}
int APPLETFillRoundRect(APPLET *a, HWND w)
{
    return Shape(a, w, 6, FILLED, [](HDC dc, const Box &b, int32_t cw, int32_t ch) {
        RoundRect(dc, b.left, b.top, b.right, b.bottom, Corner(cw), Corner(ch));
    });
}

int APPLETDrawEdge(APPLET *a, HWND w)
{
    return Shape(a, w, 6, NOTHING, [](HDC dc, const Box &b, int32_t edge, int32_t flags) {
        RECT r = {b.left, b.top, b.right, b.bottom};
        DrawEdge(dc, &r, (UINT)edge, (UINT)flags);
    });
}

// Where the ray of an angle leaves the centre of a box, as a point whose
// direction from the centre is all the drawing uses. The slope s / (90 - s)
// stands in for the tangent; straight up and straight down have none, and
// are named outright.
static POINT Radial(const Box &b, int32_t angle)
{
    int64_t cx = b.left + ((int64_t)b.right - b.left) / 2;
    int64_t cy = b.top + ((int64_t)b.bottom - b.top) / 2;
    int64_t r = std::max<int64_t>(b.right - cx, b.bottom - cy);
    auto d = [r](int s) {
        double v = (double)r * s / (90 - s);
        return (int64_t)std::clamp(v, -1073741824.0, 1073741824.0);
    };
    int64_t up = r > 0 ? r : 1;
    int64_t x, y;
    if (angle < 90)
        x = b.right, y = cy - d(angle);
    else if (angle == 90)
        x = cx, y = cy - up;
    else if (angle < 180)
        x = b.left, y = cy - d(180 - angle);
    else if (angle < 270)
        x = b.left, y = cy + d(angle - 180);
    else if (angle == 270)
        x = cx, y = cy + up;
    else
        x = b.right, y = cy + d(360 - angle);
    return {Clamp32(x), Clamp32(y)};
}

typedef BOOL(WINAPI *ARCCALL)(HDC, int, int, int, int, int, int, int, int);

// Angles come in unmoved and the box moved. The radial points are worked
// out from the moved box, which puts them where moving the script's own
// would, and from the box as it is kept within reach, so that they point the
// way the drawn figure's centre sees them.
static int Curve(APPLET *a, HWND w, Style style, ARCCALL draw, int wide = -1)
{
    BEGIN(6, 6);
    Box b = Moved4(a, &c);
    int32_t from = std::clamp<int32_t>(IntArg(&c, 4), 0, 359), to = std::clamp<int32_t>(IntArg(&c, 5), 0, 359);
    if (!Seen(a, b))
        return EndCall(&c, 1);
    POINT p = Radial(b, from), q = Radial(b, to);
    Drawing d(a, style);
    const RECT box = {b.left, b.top, b.right, b.bottom};
    const POINT radial[2] = {p, q};
    if (d.dc && !(wide >= 0 && WideStroke(a, d.dc, (WIDEFIGURE)wide, box, radial, 2)))
        draw(d.dc, b.left, b.top, b.right, b.bottom, p.x, p.y, q.x, q.y);
    return EndCall(&c, 1);
}

int APPLETArc(APPLET *a, HWND w) { return Curve(a, w, OUTLINE, Arc, WIDE_ARC); }
int APPLETFramePie(APPLET *a, HWND w) { return Curve(a, w, OUTLINE, Pie, WIDE_PIE); }
int APPLETFillPie(APPLET *a, HWND w) { return Curve(a, w, FILLED, Pie); }

int APPLETLine(APPLET *a, HWND w)
{
    BEGIN(4, 4);
    int32_t x2 = IntArg(&c, 2), y2 = IntArg(&c, 3);
    Box b = Moved4(a, &c);
    if (Seen(a, b)) {
        Drawing d(a, PENONLY);
        const POINT ends[2] = {{b.left, b.top}, {b.right, b.bottom}};
        if (d.dc && !WideStroke(a, d.dc, WIDE_LINE, RECT{}, ends, 2)) {
            MoveToEx(d.dc, b.left, b.top, nullptr);
            LineTo(d.dc, b.right, b.bottom);
        }
    }
    a->xpos = x2;
    a->ypos = y2;
    return EndCall(&c, 1);
}

// Point counts are signed: a negative one, like one past the array, is cut
// to what the array holds, and anything below `least` draws nothing.
static int Points(APPLET *a, HWND w, Style style, int32_t least, bool bezier)
{
    BEGIN(2, 2);
    uint32_t key = RefArg(&c, 0, VT_ARRAYREF);
    int32_t wanted = IntArg(&c, 1);
    VALUE array;
    int32_t n = 0;
    if (!APPLETFindVariable(a, &array, key)) {
        int32_t elements = (array.type & 0xFFFF) == VT_ARRAYVARIABLE && array.value ? (int32_t)(array.type >> 16) : 0;
        n = std::min(wanted, elements / 2);
        if (n < least) {
            APPLETRecordError(a, APPLETERR_VALUE);
            n = 0;
        }
    }
    if (n) {
        POINT *points = (POINT *)calloc((size_t)n, sizeof(POINT));
        if (!points) {
            APPLETRecordError(a, APPLETERR_MEMORY);
            return EndCall(&c, 0);
        }
        const int32_t *e = (const int32_t *)(UINT_PTR)array.value;
        Box bounds = {REACH, REACH, -REACH, -REACH};
        for (int32_t i = 0; i < n; i++) {
            points[i] = {Placed(e[2 * i], a->offsetx), Placed(e[2 * i + 1], a->offsety)};
            bounds = {std::min<int32_t>(bounds.left, points[i].x), std::min<int32_t>(bounds.top, points[i].y),
                      std::max<int32_t>(bounds.right, points[i].x), std::max<int32_t>(bounds.bottom, points[i].y)};
        }
        if (Seen(a, bounds)) {
            Drawing d(a, style);
            if (d.dc && bezier) {
                if (!WideStroke(a, d.dc, WIDE_BEZIER, RECT{}, points, n))
                    PolyBezier(d.dc, points, (DWORD)n);
            } else if (d.dc && !(style == OUTLINE && WideStroke(a, d.dc, WIDE_POLYGON, RECT{}, points, n))) {
                Polygon(d.dc, points, n);
            }
        }
        free(points);
    }
    return EndCall(&c, n);
}

int APPLETFramePolygon(APPLET *a, HWND w) { return Points(a, w, OUTLINE, 2, false); }
int APPLETFillPolygon(APPLET *a, HWND w) { return Points(a, w, FILLED, 2, false); }
int APPLETBezierCurve(APPLET *a, HWND w) { return Points(a, w, OUTLINE, 4, true); }

int APPLETDrawGradient(APPLET *a, HWND w)
{
    BEGIN(7, 7);
    COLORREF from = (COLORREF)IntArg(&c, 0), to = (COLORREF)IntArg(&c, 1);
    int32_t v[4];
    for (int i = 0; i < 4; i++)
        v[i] = IntArg(&c, 2 + i);
    bool vertical = IntArg(&c, 6) != 0;
    int64_t left = Placed(v[0], a->offsetx), top = Placed(v[1], a->offsety);
    int64_t right = Placed(v[2], a->offsetx), bottom = Placed(v[3], a->offsety);
    double colour[3], step[3];
    for (int k = 0; k < 3; k++) {
        colour[k] = (double)(from >> (8 * k) & 0xFF);
        step[k] = ((double)(to >> (8 * k) & 0xFF) - colour[k]) / 256;
    }
    double extent = vertical ? (double)(bottom - top) : (double)(right - left);
    double band = extent / 256;
    Surface s(a);
    if (s.dc && extent > 0 && Seen(a, (int32_t)left, (int32_t)top, (int32_t)right, (int32_t)bottom)) {
        int bands = 0;
        for (double pos = 0.0; extent > pos && bands < 256; pos += band, bands++) {
            int64_t lo = (int64_t)pos, hi = (int64_t)std::ceil(pos + band);
            RECT r = vertical ? RECT{Clamp32(left), Clamp32(top + lo), Clamp32(right), Clamp32(top + hi)}
                              : RECT{Clamp32(left + lo), Clamp32(top), Clamp32(left + hi), Clamp32(bottom)};
            COLORREF fill = RGB((int)colour[0] & 0xFF, (int)colour[1] & 0xFF, (int)colour[2] & 0xFF);
            GdiObject<HBRUSH> brush(CreateSolidBrush(fill));
            if (brush.get())
                FillRect(s.dc, &r, brush);
            for (int k = 0; k < 3; k++)
                colour[k] = std::clamp(colour[k] + step[k], 0.0, 256.0);
        }
    }
    return EndCall(&c, 0);
}

int APPLETSetPixel(APPLET *a, HWND w)
{
    BEGIN(3, 3);
    int32_t x = Placed(IntArg(&c, 0), a->offsetx), y = Placed(IntArg(&c, 1), a->offsety);
    COLORREF colour = (COLORREF)IntArg(&c, 2);
    Surface s(a);
    if (s.dc && Seen(a, x, y, x, y))
        SetPixel(s.dc, x, y, colour);
    return EndCall(&c, (int32_t)colour);
}

int APPLETGetPixel(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    int32_t x = Placed(IntArg(&c, 0), a->offsetx), y = Placed(IntArg(&c, 1), a->offsety);
    Surface s(a);
    return EndCall(&c, (int32_t)(s.dc ? GetPixel(s.dc, x, y) : CLR_INVALID));
}

// ---- text ----

// A text longer than this is not handed to the platform whole: laying out
// megabytes blocks the show for as long as it takes, to draw a line that
// the frame shows a few hundred characters of.
constexpr size_t LONGTEXT = 4096;
// The most text one paragraph or print lays out: more than any frame shows,
// and little enough to lay out in a moment.
constexpr int64_t MOSTTEXT = 1 << 16;
// Fonts taller than this are drawn from their glyphs' outlines, filled as a
// path. The platform renders each glyph whole before clipping it, at a cost
// that grows with the square of the height: a second a line at the tallest
// fonts, while the show ignores Close. An outline costs the same at any
// height, and what the frame shows of it is the same pixels but for their
// smoothed edges.
constexpr LONG TALLFONT = 512;
// The most characters of one text drawn from their outlines, which take a
// moment each however often they repeat: a longer text in a tall font is
// drawn by the platform, whose glyphs, once drawn, cost nothing more.
constexpr int OUTLINETEXT = 4096;

namespace {

bool Tall(HDC dc)
{
    TEXTMETRICA metrics{};
    return GetTextMetricsA(dc, &metrics) && metrics.tmHeight > TALLFONT;
}

// The direction of the device context's font's baseline, in device units.
void Baseline(HDC dc, double *ux, double *uy)
{
    LOGFONTA font{};
    HGDIOBJ selected = GetCurrentObject(dc, OBJ_FONT);
    *ux = 1;
    *uy = 0;
    if (selected && GetObjectA(selected, sizeof font, &font) && font.lfEscapement) {
        double angle = font.lfEscapement * 3.14159265358979323846 / 1800;
        *ux = std::cos(angle);
        *uy = -std::sin(angle);
    }
}

// Keeps of the path just ended only the figures that can reach the clip
// box. A closed figure winds round no point outside its own bounds, so the
// pixels that can be seen are the same; but the platform fills a path over
// every row it spans, and a tall font's lines far above or below the frame
// span many thousands.
void KeepSeenFigures(HDC dc)
{
    RECT clip;
    const int count = GetPath(dc, nullptr, nullptr, 0);
    if (count <= 0 || GetClipBox(dc, &clip) == ERROR)
        return;
    std::unique_ptr<POINT[]> points(new (std::nothrow) POINT[(size_t)count]);
    std::unique_ptr<BYTE[]> types(new (std::nothrow) BYTE[(size_t)count]);
    if (!points || !types || GetPath(dc, points.get(), types.get(), count) != count)
        return;
    int kept = 0;
    for (int from = 0, to; from < count; from = to) {
        LONG left = points[from].x, right = left, top = points[from].y, bottom = top;
        for (to = from + 1; to < count && (types[to] & ~PT_CLOSEFIGURE) != PT_MOVETO; to++) {
            left = std::min(left, points[to].x);
            right = std::max(right, points[to].x);
            top = std::min(top, points[to].y);
            bottom = std::max(bottom, points[to].y);
        }
        // A Bezier's control points bound its curve.
        if (right >= clip.left - 1 && left <= clip.right && bottom >= clip.top - 1 && top <= clip.bottom) {
            std::copy(points.get() + from, points.get() + to, points.get() + kept);
            std::copy(types.get() + from, types.get() + to, types.get() + kept);
            kept += to - from;
        }
    }
    if (kept == count || !BeginPath(dc))
        return;
    PolyDraw(dc, points.get(), types.get(), kept);
    EndPath(dc);
}

// Fills the path of glyphs just written with the text colour, in place of
// the platform's drawing of them.
template <class Write> bool FillGlyphs(APPLET *a, HDC dc, Write write)
{
    if (!BeginPath(dc))
        return false;
    const int mode = SetBkMode(dc, TRANSPARENT);
    write();
    SetBkMode(dc, mode);
    if (!EndPath(dc)) {
        AbortPath(dc);
        return true;
    }
    KeepSeenFigures(dc);
    FixedPalette palette(dc);
    GdiObject<HBRUSH> brush(CreateSolidBrush(palette.Solid(a->forecolour)));
    if (!brush.get()) {
        AbortPath(dc);
        return true;
    }
    // Outlines wind their own way; overlapping contours still fill.
    const int fill = SetPolyFillMode(dc, WINDING);
    {
        SelectedObject selected(dc, brush);
        FillPath(dc);
    }
    SetPolyFillMode(dc, fill);
    return true;
}

// A glyph with no outline, to paint a text's background under: the
// font's blank, or else one of the empty glyphs a font keeps at its start.
// A symbol font may have no blank, and its characters' missing-glyph box,
// at a tall height, takes as long to render as any other glyph. -1: none.
int BlankGlyph(HDC dc)
{
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    GLYPHMETRICS metrics;
    WORD space = 0xFFFF;
    if (GetGlyphIndicesA(dc, " ", 1, &space, GGI_MARK_NONEXISTING_GLYPHS) == 1 && space != 0xFFFF &&
        GetGlyphOutlineA(dc, space, GGO_GLYPH_INDEX | GGO_NATIVE, &metrics, 0, nullptr, &identity) == 0)
        return space;
    for (UINT glyph = 1; glyph < 4; glyph++)
        if (GetGlyphOutlineA(dc, glyph, GGO_GLYPH_INDEX | GGO_NATIVE, &metrics, 0, nullptr, &identity) == 0)
            return (int)glyph;
    return -1;
}

// Writes `n` characters from the current position and moves it on, as
// TextOut does; a tall font's glyphs from their outlines. Its background, if
// opaque, is the platform's own, painted under blanks that move on as the
// characters do: a blank has no glyph to render.
void Write(APPLET *a, HDC dc, const char *text, int n, bool tall)
{
    POINT at;
    tall = tall && n <= OUTLINETEXT;
    std::unique_ptr<int[]> advances(tall ? new (std::nothrow) int[(size_t)n] : nullptr);
    std::unique_ptr<WCHAR[]> blanks(tall ? new (std::nothrow) WCHAR[(size_t)n] : nullptr);
    SIZE size;
    if (!advances || !blanks || !GetCurrentPositionEx(dc, &at) ||
        !GetTextExtentExPointA(dc, text, n, 0, nullptr, advances.get(), &size)) {
        TextOutA(dc, 0, 0, text, n);
        return;
    }
    for (int i = n; --i > 0;)
        advances[i] -= advances[i - 1];
    if (GetBkMode(dc) != TRANSPARENT) {
        const int blank = BlankGlyph(dc);
        std::fill(blanks.get(), blanks.get() + n, (WCHAR)(blank < 0 ? L' ' : blank));
        ExtTextOutW(dc, 0, 0, blank < 0 ? 0 : ETO_GLYPH_INDEX, nullptr, blanks.get(), (UINT)n, advances.get());
        MoveToEx(dc, at.x, at.y, nullptr);
    }
    if (!FillGlyphs(a, dc, [&] { TextOutA(dc, 0, 0, text, n); })) {
        MoveToEx(dc, at.x, at.y, nullptr);
        TextOutA(dc, 0, 0, text, n);
    }
}

// The widths a long text is reckoned in: how far each character moves the
// text on in the device context's font, as the platform measures them, so
// that a long text comes to the width the platform would give it whole.
struct Advances {
    int64_t of[256] = {};
    bool ok = false;

    explicit Advances(HDC dc)
    {
        // Pairs of bytes that make one character would be reckoned apart.
        // A symbol font's characters are single bytes, though its code page
        // is one the platform gives no information on: without widths, its
        // long texts would be drawn whole, outlines and all.
        const int set = GetTextCharset(dc);
        CPINFO info{};
        CHARSETINFO charset{};
        UINT page = CP_ACP;
        if (TranslateCharsetInfo((DWORD *)(UINT_PTR)set, &charset, TCI_SRCCHARSET))
            page = charset.ciACP;
        if (set != SYMBOL_CHARSET && (!GetCPInfo(page, &info) || info.MaxCharSize != 1))
            return;
        char all[255];
        int partial[255];
        for (int i = 0; i < 255; i++)
            all[i] = (char)(i + 1);
        SIZE size;
        if (!GetTextExtentExPointA(dc, all, 255, 0, nullptr, partial, &size))
            return;
        for (int i = 0; i < 255; i++)
            of[i + 1] = partial[i] - (i ? partial[i - 1] : 0);
        ok = true;
    }
    // The width of `n` characters from `text`.
    int64_t Width(const char *text, size_t n) const
    {
        int64_t sum = 0;
        for (size_t i = 0; i < n; i++)
            sum += of[(uint8_t)text[i]];
        return sum;
    }
};

// A long text measured: the platform measures its start, the rest is
// reckoned on character by character; false when it cannot be reckoned.
bool MeasureLong(HDC dc, const Advances &advances, const char *text, size_t n, SIZE *size)
{
    if (!advances.ok || !GetTextExtentPoint32A(dc, text, (int)LONGTEXT, size))
        return false;
    size->cx = (LONG)std::clamp<int64_t>(size->cx + advances.Width(text + LONGTEXT, n - LONGTEXT), INT_MIN, INT_MAX);
    return true;
}

// Writes a long text, or one in a tall font, from the current position as
// one TextOut would, but only the characters that can reach the frame: the
// position moves on over the others by their width, along the font's
// baseline.
bool WriteLong(APPLET *a, HDC dc, const char *text, size_t n, bool tall)
{
    Advances advances(dc);
    POINT at;
    TEXTMETRICA metrics{};
    if (!advances.ok || !GetCurrentPositionEx(dc, &at) || !GetTextMetricsA(dc, &metrics))
        return false;
    SIZE start;
    const size_t measured = std::min(n, LONGTEXT);
    if (!GetTextExtentPoint32A(dc, text, (int)measured, &start))
        return false;
    // The whole text's width, its start as the platform measures it.
    const int64_t whole = start.cx + advances.Width(text + measured, n - measured);
    double ux, uy;
    Baseline(dc, &ux, &uy);
    // Where the frame lies along the baseline from the current position,
    // widened by a character's height and breadth either way.
    int width, height;
    FrameSize(a, &width, &height);
    double lo = INFINITY, hi = -INFINITY;
    for (int corner = 0; corner < 4; corner++) {
        double x = (corner & 1 ? width : 0) - (double)at.x, y = (corner & 2 ? height : 0) - (double)at.y;
        lo = std::min(lo, x * ux + y * uy);
        hi = std::max(hi, x * ux + y * uy);
    }
    const double margin = (double)metrics.tmHeight + metrics.tmMaxCharWidth + 1;
    lo -= margin;
    hi += margin;
    size_t first = 0, last;
    int64_t skipped = 0;
    while (first < n && (double)(skipped + advances.of[(uint8_t)text[first]]) < lo)
        skipped += advances.of[(uint8_t)text[first++]];
    int64_t reached = skipped;
    for (last = first; last < n && (int64_t)(last - first) < MOSTTEXT && (double)reached < hi; last++)
        reached += advances.of[(uint8_t)text[last]];
    auto place = [&](int64_t along) {
        MoveToEx(dc, Clamp32(at.x + std::llround((double)along * ux)), Clamp32(at.y + std::llround((double)along * uy)),
                 nullptr);
    };
    if (last > first) {
        place(skipped);
        Write(a, dc, text + first, (int)(last - first), tall);
    }
    place(whole);
    return true;
}

} // namespace

int APPLETFunctionPrint(APPLET *a, HWND w)
{
    BEGIN(1, INT_MAX);
    Surface s(a);
    int32_t count = 0;
    if (!s.dc) {
        for (int i = 0; i < c.argc; i++)
            if (c.args[i].type == VT_STRING || c.args[i].type == VT_STRINGREF)
                TextArg(&c, i);
            else
                IntArg(&c, i);
        return EndCall(&c, 0);
    }
    TextStyle style(a, s.dc, TA_LEFT | TA_TOP | TA_UPDATECP);
    MoveToEx(s.dc, Placed(a->xpos, a->offsetx), Placed(a->ypos, a->offsety), nullptr);
    for (int i = 0; i < c.argc; i++) {
        const VALUE &v = c.args[i];
        char number[16];
        const char *text = nullptr;
        size_t n = 0;
        if (v.type == VT_STRING || v.type == VT_STRINGREF) {
            text = TextArg(&c, i);
            n = text ? TextLength(text) : 0;
        } else if (v.type == VT_INTEGER || v.type == VT_INTREF) {
            VALUE found = v;
            if (v.type == VT_INTEGER || !APPLETFindVariable(a, &found, v.value)) {
                n = (size_t)snprintf(number, sizeof number, "%d", (int)(int32_t)found.value);
                text = number;
            }
        } else {
            APPLETRecordError(a, APPLETERR_VALUE);
        }
        if (text && n) {
            const bool tall = Tall(s.dc);
            if ((n <= LONGTEXT && !tall) || !WriteLong(a, s.dc, text, n, tall))
                Write(a, s.dc, text, (int)std::min<size_t>(n, INT_MAX), tall);
            count = Clamp32((int64_t)count + (int64_t)n);
        }
        POINT at;
        if (GetCurrentPositionEx(s.dc, &at)) {
            a->xpos = Moved(at.x, 0 - a->offsetx);
            a->ypos = Moved(at.y, 0 - a->offsety);
        }
    }
    return EndCall(&c, count);
}

// How much of a paragraph can be seen in the frame: its lines from the top
// of the column to the bottom of the frame and one more, each no longer than
// the wider of the column and the frame in characters of a pixel or more,
// or in a tall font, of its narrowest character's width.
// The rest is neither laid out nor drawn, and the height is that of what is.
static int VisibleText(APPLET *a, HDC dc, const RECT &column, size_t length)
{
    int width, height;
    FrameSize(a, &width, &height);
    TEXTMETRICA metrics{};
    int64_t line = GetTextMetricsA(dc, &metrics) ? std::max<int64_t>(metrics.tmHeight, 1) : 1;
    int64_t lines = (column.top > height ? 0 : ((int64_t)height - column.top) / line + 1) + 1;
    int64_t across = std::max<int64_t>((int64_t)column.right - column.left, width) + 1;
    if (line > TALLFONT) {
        Advances advances(dc);
        int64_t narrowest = advances.ok ? *std::min_element(advances.of + 1, advances.of + 256) : 1;
        across = across / std::max<int64_t>(narrowest, 1) + 1;
    }
    return (int)std::min<int64_t>({(int64_t)std::min<size_t>(length, INT_MAX), lines * across, MOSTTEXT});
}

int APPLETParagraphText(APPLET *a, HWND w)
{
    BEGIN(5, 6);
    const char *text = TextArg(&c, 0);
    int32_t x = IntArg(&c, 1), y = IntArg(&c, 2);
    int32_t width = std::max<int32_t>(IntArgOr(&c, 3, 10), 10);
    uint32_t align = (uint32_t)IntArg(&c, 4) & 3;
    int32_t margin = std::clamp(IntArg(&c, 5, 0), -REACH, REACH);
    Surface s(a);
    if (!text || !s.dc)
        return EndCall(&c, 0);
    int32_t result = 0;
    {
        // DrawText lays out from the rectangle, not from a current position.
        TextStyle style(a, s.dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
        RECT r = {Placed(x, a->offsetx), Placed(y, a->offsety), Placed(Clamp32((int64_t)x + width), a->offsetx),
                  Placed(Clamp32((int64_t)y + 10), a->offsety)};
        UINT flags = (align & 1 ? DT_CENTER : 0) | (align & 2 ? DT_RIGHT : 0) | DT_WORDBREAK | DT_NOPREFIX;
        int n = VisibleText(a, s.dc, r, TextLength(text));
        DrawTextA(s.dc, text, n, &r, flags | DT_CALCRECT);
        RECT back = r;
        InflateRect(&back, margin, margin);
        // Out of the frame it is measured, not drawn.
        bool seen = Seen(a, r.left, r.top, r.right, r.bottom) || Seen(a, back.left, back.top, back.right, back.bottom);
        if (seen && a->bkmode != TRANSPARENT) {
            FixedPalette palette(s.dc);
            GdiObject<HBRUSH> brush(CreateSolidBrush(palette.Solid(a->backcolour)));
            if (brush.get())
                FillRect(s.dc, &back, brush);
        }
        int drawn = 0;
        auto draw = [&] { drawn = DrawTextA(s.dc, text, n, &r, flags); };
        if (seen && !(n <= OUTLINETEXT && Tall(s.dc) && FillGlyphs(a, s.dc, draw)))
            draw();
        if (!seen || drawn)
            result = Clamp32((int64_t)r.bottom - r.top + 2 * (int64_t)margin);
    }
    return EndCall(&c, result);
}

int APPLETSetFont(APPLET *a, HWND w)
{
    BEGIN(5, INT_MAX);
    char face[APPLET_FACESIZE] = "ARIAL";
    if (const char *t = TextArg(&c, 0))
        APPLETCopyFaceName(face, t);
    int32_t height = IntArgOr(&c, 1, 16);
    int32_t bold = IntArg(&c, 2), italic = IntArg(&c, 3), underline = IntArg(&c, 4);
    int32_t angle = IntArg(&c, 5, 0);
    int32_t smooth = IntArgOr(&c, 6, 1);
    if (a->font)
        DeleteObject(a->font);
    a->font = CreateFontA(height, 0, (int)(int32_t)((uint32_t)angle * 10u), 0, bold ? 700 : 400, italic ? TRUE : FALSE,
                          underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          smooth ? ANTIALIASED_QUALITY : DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
    return EndCall(&c, 1);
}

// Measured in the device context's own font, not the applet's.
static int Measure(APPLET *a, HWND w, bool width)
{
    BEGIN(1, 1);
    const char *text = TextArg(&c, 0);
    int32_t result = 0;
    Surface s(a);
    SIZE size;
    size_t n = text ? TextLength(text) : 0;
    bool measured = text && s.dc &&
                    ((n > LONGTEXT && MeasureLong(s.dc, Advances(s.dc), text, n, &size)) ||
                     GetTextExtentPoint32A(s.dc, text, (int)std::min<size_t>(n, INT_MAX), &size));
    if (measured)
        result = width ? size.cx : size.cy;
    return EndCall(&c, result);
}

int APPLETGetTextLength(APPLET *a, HWND w) { return Measure(a, w, true); }
int APPLETGetTextDepth(APPLET *a, HWND w) { return Measure(a, w, false); }
