// The applet's text: print and paragraphtext in the graphic state's font
// and colours, setfont, and the measures of a text. Long texts and tall
// fonts are drawn only as far as the frame can show them, tall fonts from
// their glyphs' outlines.
#include "applet/internal.h"
#include "common/shell.h"
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

namespace {

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
        double angle = font.lfEscapement * std::numbers::pi / 1800;
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
        bool seen = SeenInFrame(a, r) || SeenInFrame(a, back);
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
