// The applet's drawing: its graphic state (font, brush, pen, text position,
// text colours, drawing offset), the screen and colour queries, clearing the
// frame, and shapes and curves. Every call paints at once through the
// device context its host lends for that call; nothing drawn is kept.
#include "applet/internal.h"
#include "common/shell.h"
#include "document/record.h"
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

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

bool SeenInFrame(APPLET *a, const RECT &r) { return Seen(a, r.left, r.top, r.right, r.bottom); }
