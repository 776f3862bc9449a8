// The miniature of the page the wizard's choices make, drawn with the
// builder's geometry scaled down to the sample control; the decorative strip
// of every page; and the two pictures of our own the wizard starts with.
#include "tools/wizard.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "media/dib.h"
#include "media/reduce.h"
#include <algorithm>
#include <cmath>
#include <cstring>

static const WIZARDDIMENSION &Dimension(const WIZARDPARAM *w)
{
    return wizarddimension[std::clamp(w->dimensions, 0, WIZARDDIMENSIONS - 1)];
}

int WizardAdjustSampleValue(const WIZARDPARAM *w, const RECT *sample, int length)
{
    const WIZARDDIMENSION &d = Dimension(w);
    double factor = (d.orientation & 1) ? (double)RectDepth(sample) / d.height : (double)RectWidth(sample) / d.width;
    double v = std::floor(length * factor);
    return v < 1 ? 1 : (int)v;
}

namespace {

struct Sample {
    const WIZARDPARAM *w;
    RECT S;
    int Scale(int v) const { return WizardAdjustSampleValue(w, &S, v); }
    // A rectangle in page pixels as it lies in the control.
    RECT Place(const RECT &r) const
    {
        return RECT{S.left + Scale(r.left), S.top + Scale(r.top), S.left + Scale(r.right), S.top + Scale(r.bottom)};
    }
};

void Fill(HDC dc, const RECT &r, COLORREF c)
{
    GdiObject<HBRUSH> brush(CreateSolidBrush(c));
    FillRect(dc, &r, brush);
}

void Line(HDC dc, int x0, int y0, int x1, int y1)
{
    MoveToEx(dc, x0, y0, NULL);
    LineTo(dc, x1, y1);
}

HFONT MakeFont(int size, int weight, int italic, const char *face)
{
    return CreateFontA(size, 0, 0, 0, weight, italic ? 1 : 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

// The picture drawn fitted to D, centred in the control; its rectangle.
RECT DrawPicture(HDC dc, const Sample &s, const RECT &C, const RECT &D, HGLOBAL source, int resize, int preserve)
{
    RECT P = {};
    HGLOBAL copy = DuplicateObject(source);
    copy = copy ? WizardFitPicture(copy, RectWidth(&D), RectDepth(&D), resize, preserve) : NULL;
    if (!copy)
        return P;
    GlobalBlock held(copy);
    if (HGLOBAL dithered = DitherForDisplay(held.get()))
        held.Reset(dithered);
    DibLock lock(held.get());
    if (!lock.ok())
        return P;
    int w = lock.layout.width, h = lock.layout.height;
    int f = resize ? WizardGetScaleFactor(s.Scale(RectWidth(&D)), s.Scale(RectDepth(&D)), w, h, preserve)
                   : s.Scale(100);
    int dw = w * f / 100, dh = h * f / 100;
    if (dw <= 0 || dh <= 0)
        return P;
    P.left = (RectWidth(&C) - dw) / 2;
    P.top = (RectDepth(&C) - dh) / 2;
    P.right = P.left + dw;
    P.bottom = P.top + dh;
    PALSTATE palette{};
    char rgb[PALETTEBYTES];
    int colours = lock.layout.bits <= 8 ? GetDibPalette((const BITMAPINFO *)lock.header, rgb) : 0;
    if (colours)
        RealizeWindowPalette(dc, &palette, rgb, colours);
    SetStretchBltMode(dc, lock.layout.bits == 1 ? WHITEONBLACK : COLORONCOLOR);
    StretchDIBits(dc, P.left, P.top, dw, dh, 0, 0, w, h, (const char *)lock.header + lock.layout.pixeloffset,
                  (const BITMAPINFO *)lock.header, DIB_RGB_COLORS, SRCCOPY);
    if (colours)
        UnrealizeWindowPalette(dc, &palette);
    return P;
}

void DrawFrame(HDC dc, RECT P, int n, const WIZARDCOLORSCHEME &scheme)
{
    InflateRect(&P, n, n);
    GdiObject<HPEN> secondary(CreatePen(PS_SOLID, 1, scheme.secondary));
    GdiObject<HPEN> primary(CreatePen(PS_SOLID, 1, scheme.primary));
    SelectedObject pen(dc, secondary);
    for (int i = 0; i < n; i++) {
        SelectObject(dc, secondary);
        Line(dc, P.left, P.top + i, P.right - i - 1, P.top + i);
        Line(dc, P.left + i, P.top, P.left + i, P.bottom - i);
        SelectObject(dc, primary);
        Line(dc, P.right - i - 1, P.top + i, P.right - i - 1, P.bottom);
        Line(dc, P.right - i - 1, P.bottom - i - 1, P.left + i, P.bottom - i - 1);
    }
}

// The four navigation buttons every page of the album gets, at their place
// on a W by H page.
void DrawNavigationButtons(HDC dc, const Sample &s, int W, int H)
{
    int bw = (int)DefaultButtonObjectWidth, bd = (int)DefaultButtonObjectDepth;
    int x = (NavigationObjectHorizontal & 0x8000) ? W - (int)(NavigationObjectHorizontal & 0x7FFF) - 4 * bw
                                                  : (int)NavigationObjectHorizontal;
    int y = (NavigationObjectVertical & 0x8000) ? H - (int)(NavigationObjectVertical & 0x7FFF) - bd
                                                : (int)NavigationObjectVertical;
    for (int i = 0; i < 4; i++) {
        RECT r = s.Place(RECT{x + i * bw, y, x + (i + 1) * bw, y + bd});
        Fill(dc, r, GetSysColor(COLOR_BTNFACE));
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_SOFT);
    }
}

} // namespace

int WizardDrawSamplePage(HWND, const DRAWITEMSTRUCT *item, const WIZARDPARAM *w, int kind)
{
    if (item->CtlID != IDC_WIZARDSAMPLE)
        return 0;
    const WIZARDDIMENSION &d = Dimension(w);
    const WIZARDCOLORSCHEME &scheme = wizardcolorscheme[std::clamp(w->colourscheme, 0, WIZARDSCHEMES - 1)];
    const int W = d.width, H = d.height, N = WizardNavigationBand();
    RECT C = {0, 0, RectWidth(&item->rcItem), RectDepth(&item->rcItem)};
    Sample s{w, {}};
    if (d.orientation & 1) {
        int depth = C.right * H / W;
        s.S = RECT{0, (C.bottom - depth) / 2, C.right, (C.bottom - depth) / 2 + depth};
    } else {
        int width = C.bottom * W / H;
        s.S = RECT{(C.right - width) / 2, 0, (C.right - width) / 2 + width, C.bottom};
    }
    InflateRect(&s.S, -8, -8);

    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(item->hDC, std::max(1L, C.right), std::max(1L, C.bottom)));
    MemoryDC mem(item->hDC);
    if (!mem.Select(bitmap))
        return 1;
    HDC dc = mem.dc;
    Fill(dc, C, GetSysColor(COLOR_BTNFACE));
    Fill(dc, s.S, scheme.background);
    FrameRect(dc, &s.S, (HBRUSH)GetStockObject(BLACK_BRUSH));
    FrameRect(dc, &C, (HBRUSH)GetStockObject(BLACK_BRUSH));

    // Picture, text and clipping rectangles in page pixels.
    RECT page = {0, 0, W, H}, D = {}, E = {}, K = {};
    auto shrunk = [&](int by) {
        RECT r = page;
        InflateRect(&r, -by, -by);
        return r;
    };
    const char *text = nullptr;
    char caption[MAX_PATH] = "Tiger";
    HGLOBAL picture = NULL;
    int resize, preserve, T;
    if (kind == 1) {
        text = w->covertext;
        picture = w->coverpicture;
        resize = w->coverresize, preserve = w->coverpreserveaspect, T = w->coverframesize;
        bool measured = false;
        switch (w->coverstyle) {
        case 1: measured = true; break;
        case 2: D = shrunk(10); break;
        case 3: D = shrunk(N + 10), E = RECT{0, 0, W, N}; break;
        case 4: D = shrunk(10), measured = true; break;
        }
        if (measured) {
            GdiObject<HFONT> font(MakeFont(w->covertextsize, w->covertextweight, w->covertextital, w->coverfontname));
            SelectedObject chosen(item->hDC, font);
            E = RECT{0, 0, W, 1};
            DrawTextA(item->hDC, text ? text : "", -1, &E, DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
            OffsetRect(&E, (W - RectWidth(&E)) / 2, (H - RectDepth(&E)) / 2);
            K = s.S;
            InflateRect(&K, -1, -1);
        }
    } else {
        D = shrunk(w->insidestyle != 0 ? N + 10 : 10);
        E = RECT{0, 0, W, N};
        picture = w->previewpicture ? w->previewpicture : w->insidesample;
        if (w->previewpicture)
            WizardCaption(w->previewpath, caption, sizeof caption);
        text = caption;
        resize = w->insideresize, preserve = w->insidepreserveaspect, T = w->insideframesize;
    }

    RECT P = {};
    if (!IsRectEmpty(&D) && picture)
        P = DrawPicture(dc, s, C, D, picture, resize, preserve);
    if (!IsRectEmpty(&P) && T > 0)
        DrawFrame(dc, P, s.Scale(T), scheme);

    if (!IsRectEmpty(&E) && text) {
        RECT r = s.Place(E);
        int saved = SaveDC(dc);
        if (kind == 1 && !IsRectEmpty(&K))
            IntersectClipRect(dc, K.left, K.top, K.right, K.bottom);
        int size = kind == 1 ? w->covertextsize : w->insidetextsize;
        GdiObject<HFONT> font(kind == 1 ? MakeFont(s.Scale(size), w->covertextweight, w->covertextital, w->coverfontname)
                                        : MakeFont(s.Scale(size), w->insidetextweight, w->insidetextital,
                                                   w->insidefontname));
        SelectObject(dc, font);
        SetTextColor(dc, scheme.text);
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, text, -1, &r, DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
        RestoreDC(dc, saved); // deselects the font before it goes
    }

    DrawNavigationButtons(dc, s, W, H);
    BitBlt(item->hDC, item->rcItem.left, item->rcItem.top, C.right, C.bottom, dc, 0, 0, SRCCOPY);
    return 1;
}

int DrawOrnament(const DRAWITEMSTRUCT *item, int bitmap)
{
    if (item->CtlID != IDC_WIZARDSTRIP || bitmap != WIZARDORNAMENT)
        return 0;
    GlobalBlock strip(WizardMakeOrnament());
    if (!strip)
        return 0;
    DrawBitmap(item->hDC, item->rcItem.left, item->rcItem.top, strip.get(), SRCCOPY);
    RECT r = item->rcItem;
    DrawEdge(item->hDC, &r, EDGE_SUNKEN, BF_RECT | BF_SOFT);
    return 1;
}

// --- our own pictures ---------------------------------------------------------

namespace {

COLORREF Mix(COLORREF a, COLORREF b, double t)
{
    auto m = [t](int x, int y) { return (int)std::lround(x + (y - x) * t); };
    return RGB(m(GetRValue(a), GetRValue(b)), m(GetGValue(a), GetGValue(b)), m(GetBValue(a), GetBValue(b)));
}

bool InEllipse(int x, int y, double cx, double cy, double rx, double ry)
{
    double dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1;
}

// A tiger's face among leaves.
COLORREF TigerPixel(int x, int y)
{
    const double cx = 99, cy = 90;
    double ax = std::fabs(x - cx);
    if (InEllipse(x, y, 100, 118, 9, 6))
        return RGB(214, 104, 120); // nose
    if ((InEllipse(x, y, 77, 80, 10, 7) || InEllipse(x, y, 121, 80, 10, 7))) {
        double ex = x < cx ? 77 : 121;
        return std::fabs(x - ex) < 2.5 ? RGB(10, 10, 10) : RGB(214, 200, 40); // eyes
    }
    if (InEllipse(x, y, 100, 126, 30, 22) && y > 108)
        return (y == 130 && ax < 16) || (std::fabs(x - 100) < 1 && y > 122 && y < 130) ? RGB(40, 30, 30)
                                                                                   : RGB(246, 240, 226); // muzzle
    if (InEllipse(x, y, 52, 34, 16, 16) || InEllipse(x, y, 146, 34, 16, 16))
        return InEllipse(x, y, x < cx ? 52 : 146, 36, 8, 8) ? RGB(60, 30, 20) : RGB(232, 128, 28); // ears
    if (InEllipse(x, y, cx, cy, 66, 58)) {
        bool stripe = ax > 26 && std::fmod(y + 0.5 * ax + 200, 16) < 4.5;
        bool brow = ax < 12 && y > 40 && y < 68 && std::fmod(y, 9) < 3;
        if (stripe || brow)
            return RGB(30, 20, 16);
        return Mix(RGB(240, 150, 40), RGB(200, 96, 20), std::min(1.0, ax / 66));
    }
    // Leaves: a light-to-dark green with paler blades.
    COLORREF ground = Mix(RGB(120, 180, 90), RGB(30, 80, 40), y / 163.0);
    if (std::fmod(x * 0.7 + y * 1.3, 23) < 3 || std::fmod(x * 1.1 - y * 0.9 + 400, 29) < 2)
        return Mix(ground, RGB(190, 230, 140), 0.5);
    return ground;
}

} // namespace

HGLOBAL WizardMakeSamplePicture()
{
    char rgb[PALETTEBYTES] = {};
    NewDib dib(CreateDib(199, 164, rgb, 24));
    if (!dib.ok())
        return NULL;
    for (int y = 0; y < 164; y++) {
        uint8_t *row = dib.Row(y);
        for (int x = 0; x < 199; x++)
            WritePixel(row, x, 24, TigerPixel(x, y));
    }
    return dib.Release();
}

// Three snapshots scattered down a deep blue band.
HGLOBAL WizardMakeOrnament()
{
    enum { WHITE = 200, SKY, SUN, HILL, FIELD, SHADOW, DARK };
    char rgb[PALETTEBYTES] = {};
    auto set = [&](int i, COLORREF c) {
        rgb[i * 3] = (char)GetRValue(c);
        rgb[i * 3 + 1] = (char)GetGValue(c);
        rgb[i * 3 + 2] = (char)GetBValue(c);
    };
    for (int i = 0; i < 200; i++)
        set(i, Mix(RGB(20, 40, 110), RGB(40, 150, 160), i / 199.0));
    set(WHITE, RGB(250, 250, 245));
    set(SKY, RGB(140, 200, 240));
    set(SUN, RGB(250, 220, 60));
    set(HILL, RGB(60, 140, 60));
    set(FIELD, RGB(120, 180, 70));
    set(SHADOW, RGB(10, 20, 50));
    set(DARK, RGB(30, 30, 30));
    const int width = 113, height = 352;
    NewDib dib(CreateDib(width, height, rgb, 8));
    if (!dib.ok())
        return NULL;
    struct Snap { int x, y; } snaps[] = {{14, 30}, {34, 140}, {12, 250}};
    const int sw = 66, sh = 76;
    for (int y = 0; y < height; y++) {
        uint8_t *row = dib.Row(y);
        for (int x = 0; x < width; x++) {
            int v = (int)(199.0 * y / (height - 1));
            for (const Snap &s : snaps) {
                int lx = x - s.x, ly = y - s.y;
                if (lx >= 4 && ly >= 4 && lx < sw + 4 && ly < sh + 4 && (lx >= sw || ly >= sh))
                    v = SHADOW;
                if (lx < 0 || ly < 0 || lx >= sw || ly >= sh)
                    continue;
                if (lx < 5 || ly < 5 || lx >= sw - 5 || ly >= sh - 14) {
                    v = WHITE;
                    continue;
                }
                int hill = 44 + (int)(8 * std::sin((lx + s.y) * 0.12));
                if (InEllipse(lx, ly, 46, 20, 7, 7))
                    v = SUN;
                else if (ly > hill + 8)
                    v = FIELD;
                else if (ly > hill)
                    v = HILL;
                else
                    v = SKY;
                if (lx == 5 || ly == 5)
                    v = DARK;
            }
            row[x] = (uint8_t)v;
        }
    }
    return dib.Release();
}
