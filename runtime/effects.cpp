// The effect rows of the transition table. Each drawing operation works in
// the picture's own coordinates (the window origin moved to where the
// picture lies) and copies from the picture's bitmap or from the background
// with BitBlt; everything it draws is clipped to the picture's rectangle, so
// no column slid past an edge is left behind when the effect ends.
#include "runtime/transition.h"
#include "media/dib.h"
#include "runtime/scratchdc.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

static bool effectsseeded = false;
// On a true-colour display of 32 bits the picture becomes a 32-bit DIB
// section in the display's own pixel layout, converted here in one pass:
// it copies to the window as fast as a device bitmap and costs a fraction of
// CreateDIBitmap's conversion. One section of the last size used is kept
// for the next set-up, so a looping picture does not fault in fresh memory
// at the start of every cycle.
static HBITMAP pooledsection = NULL;
static int pooledwidth = 0, pooledheight = 0;
static uint32_t *pooledbits = nullptr;

void ReleaseEffectBitmap(HBITMAP bitmap)
{
    if (!bitmap)
        return;
    DIBSECTION ds{};
    if (GetObjectA(bitmap, sizeof ds, &ds) == (int)sizeof ds && ds.dsBm.bmBitsPixel == 32 && ds.dsBm.bmBits) {
        if (pooledsection)
            DeleteObject(pooledsection);
        pooledsection = bitmap;
        pooledwidth = ds.dsBm.bmWidth;
        pooledheight = ds.dsBm.bmHeight;
        pooledbits = (uint32_t *)ds.dsBm.bmBits;
        return;
    }
    DeleteObject(bitmap);
}

void SeedEffects(unsigned seed)
{
    srand(seed);
    effectsseeded = true;
}

namespace {

struct POS {
    int32_t x, y;
};

enum Source { FROMPICTURE, FROMBACKGROUND };

// The common frame of a drawing operation.
class Frame {
public:
    Frame(STATUS *status, Source source, bool moveorigin = true) : s(status)
    {
        HDC dc = s->hdc;
        saved = SaveDC(dc);
        if (moveorigin) {
            ox = s->xorigin;
            oy = s->yorigin;
            SetWindowOrgEx(dc, -ox, -oy, NULL);
        }
        IntersectClipRect(dc, 0, 0, s->cx, s->cy);
        mem = scratch.dc();
        HBITMAP from = source == FROMPICTURE ? s->bitmap : s->background;
        ok = mem && from && SelectObject(mem, from);
    }
    ~Frame() { RestoreDC(s->hdc, saved); }
    // From the picture or background to the window.
    void Put(int x, int y, int w, int h, int sx, int sy)
    {
        if (ok && w > 0 && h > 0) {
            BitBlt(s->hdc, x, y, w, h, mem, sx, sy, SRCCOPY);
            Mark(x, y, w, h);
        }
    }
    // Within the window: what is already shown slides.
    void Move(int x, int y, int w, int h, int sx, int sy)
    {
        if (w > 0 && h > 0) {
            BitBlt(s->hdc, x, y, w, h, s->hdc, sx, sy, SRCCOPY);
            Mark(x, y, w, h);
        }
    }
    void Whole() { Put(0, 0, s->cx, s->cy, 0, 0); }
    // Single pixels from the picture or background, each to its own place.
    // A pixel read and set costs a third of a one-pixel copy, and a single
    // copy clipped to all the pixels would read its whole bounding box.
    void PutPixels(const std::vector<POS> &pixels)
    {
        if (!ok || pixels.empty())
            return;
        RECT bound{pixels[0].x, pixels[0].y, pixels[0].x + 1, pixels[0].y + 1};
        for (const POS &p : pixels) {
            SetPixelV(s->hdc, p.x, p.y, GetPixel(mem, p.x, p.y));
            bound.left = std::min(bound.left, (LONG)p.x);
            bound.top = std::min(bound.top, (LONG)p.y);
            bound.right = std::max(bound.right, (LONG)p.x + 1);
            bound.bottom = std::max(bound.bottom, (LONG)p.y + 1);
        }
        Mark(bound.left, bound.top, bound.right - bound.left, bound.bottom - bound.top);
    }
    bool ok = false;

private:
    void Mark(int x, int y, int w, int h)
    {
        RECT r{x, y, x + w, y + h};
        RECT pic{0, 0, s->cx, s->cy};
        IntersectRect(&r, &r, &pic);
        OffsetRect(&r, ox, oy);
        if (IsRectEmpty(&s->drawn))
            s->drawn = r;
        else if (!IsRectEmpty(&r))
            UnionRect(&s->drawn, &s->drawn, &r);
    }
    STATUS *s;
    ScratchDC scratch;
    HDC mem = NULL;
    int saved = 0;
    int ox = 0, oy = 0;
};

void DropBitmap(STATUS *s)
{
    ReleaseEffectBitmap(s->bitmap);
    s->bitmap = NULL;
}

void DropList(STATUS *s)
{
    free(s->list);
    s->list = nullptr;
}

void DropOrder(STATUS *s)
{
    free(s->order);
    s->order = nullptr;
}

// Rereads the picture's size (the disappear side of the wipes and splits).
bool ReadSize(STATUS *s)
{
    DibLock lock(s->image);
    if (!lock.ok())
        return false;
    s->cx = lock.layout.width;
    s->cy = lock.layout.height;
    return true;
}

HBITMAP PictureSection(HDC dc, const DibLock &lock)
{
    if (GetDeviceCaps(dc, BITSPIXEL) != 32 || GetDeviceCaps(dc, PLANES) != 1 || !PixelDepth(lock.layout.bits))
        return NULL;
    int w = lock.layout.width, h = lock.layout.height;
    HBITMAP section = NULL;
    uint32_t *bits = nullptr;
    if (pooledsection && pooledwidth == w && pooledheight == h) {
        section = pooledsection;
        bits = pooledbits;
        pooledsection = NULL;
    } else {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void *p = nullptr;
        section = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, NULL, 0);
        if (!section)
            return NULL;
        bits = (uint32_t *)p;
    }
    GdiFlush();
    int depth = lock.layout.bits;
    const RGBQUAD *table = lock.Table();
    for (int y = 0; y < h; ++y) {
        const uint8_t *src = lock.Row(y);
        uint32_t *dst = bits + (size_t)y * (size_t)w;
        if (depth == 24) {
            // Four pixels from three aligned words (rows start on 4 bytes).
            int x = 0;
            const uint32_t *w3 = (const uint32_t *)src;
            for (; x + 4 <= w; x += 4, w3 += 3) {
                uint32_t a = w3[0], b = w3[1], c = w3[2];
                dst[x] = a & 0xFFFFFF;
                dst[x + 1] = a >> 24 | (b & 0xFFFF) << 8;
                dst[x + 2] = b >> 16 | (c & 0xFF) << 16;
                dst[x + 3] = c >> 8;
            }
            for (const uint8_t *p = (const uint8_t *)w3; x < w; ++x, p += 3)
                dst[x] = p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16;
        } else if (depth == 32) {
            const uint32_t *s32 = (const uint32_t *)src;
            for (int x = 0; x < w; ++x)
                dst[x] = s32[x] & 0xFFFFFF;
        } else {
            for (int x = 0; x < w; ++x) {
                const RGBQUAD &q = table[ReadPixel(src, x, depth)];
                dst[x] = q.rgbBlue | (uint32_t)q.rgbGreen << 8 | (uint32_t)q.rgbRed << 16;
            }
        }
    }
    return section;
}

// The picture as a bitmap the window takes by BitBlt, once per cycle.
uint16_t BasicSetup(STATUS *s)
{
    DropBitmap(s);
    DibLock lock(s->image);
    if (!lock.ok())
        return EFFECT_FAILED;
    s->cx = lock.layout.width;
    s->cy = lock.layout.height;
    s->bitmap = PictureSection(s->hdc, lock);
    if (!s->bitmap)
        s->bitmap = CreateDIBitmap(s->hdc, lock.header, CBM_INIT,
                                   (const uint8_t *)lock.header + lock.layout.pixeloffset,
                                   (const BITMAPINFO *)lock.header, DIB_RGB_COLORS);
    return s->bitmap ? EFFECT_DONE : EFFECT_FAILED;
}

uint16_t WaitPlain(STATUS *s) { return s->countdown == 0 ? EFFECT_DONE : 0; }

uint16_t WaitStep(STATUS *s)
{
    if (s->countdown != 0)
        return 0;
    s->step = 0;
    return EFFECT_DONE;
}

uint16_t CloseStep(STATUS *s)
{
    DropBitmap(s);
    s->step = 0;
    return EFFECT_DONE;
}

uint16_t ClosePlain(STATUS *s)
{
    DropBitmap(s);
    return EFFECT_DONE;
}

uint16_t Finish(Frame &f, bool done)
{
    if (!done)
        return 0;
    f.Whole();
    return EFFECT_DONE;
}

// Seeding again at every set-up would hand each set-up in the same second
// the same draws, and Random Effect would swing between the same two rows:
// the generator is seeded once, from the time unless a caller fixed it.
void Reseed()
{
    if (!effectsseeded)
        SeedEffects((unsigned)time(nullptr));
}

// --- None, No Clear --------------------------------------------------------

uint16_t SetupNone(STATUS *s) { return BasicSetup(s); }
uint16_t AppearWhole(STATUS *s)
{
    Frame f(s, FROMPICTURE);
    if (!f.ok)
        return EFFECT_FAILED;
    f.Whole();
    return EFFECT_DONE;
}
uint16_t DisappearNone(STATUS *s)
{
    Frame f(s, FROMBACKGROUND, false);
    f.Whole();
    return EFFECT_DONE;
}
uint16_t DisappearNclear(STATUS *) { return EFFECT_DONE; }

// --- Wipes -------------------------------------------------------------------

uint16_t SetupStep(STATUS *s)
{
    s->step = 0;
    return BasicSetup(s);
}

constexpr int WIPESTEPS = 6, VSPLITSTEPS = 5;

uint16_t AppearWright(STATUS *s)
{
    Frame f(s, FROMPICTURE);
    if (!f.ok)
        return EFFECT_FAILED;
    for (int n = 0; n < WIPESTEPS && s->step < s->cx; ++n, ++s->step) {
        f.Move(s->cx - s->step - 1, 0, s->step, s->cy, s->cx - s->step, 0);
        f.Put(s->cx - 1, 0, 1, s->cy, s->step, 0);
    }
    return Finish(f, s->step >= s->cx - 1);
}

uint16_t DisappearWright(STATUS *s)
{
    if (!ReadSize(s))
        return EFFECT_FAILED;
    Frame f(s, FROMBACKGROUND);
    for (int n = 0; n < WIPESTEPS && s->step < s->cx; ++n, ++s->step) {
        f.Move(0, 0, s->cx - s->step - 1, s->cy, 1, 0);
        f.Put(s->cx - s->step, 0, 1, s->cy, s->cx - s->step, 0);
    }
    return Finish(f, s->step >= s->cx - 1);
}

uint16_t AppearWleft(STATUS *s)
{
    Frame f(s, FROMPICTURE);
    if (!f.ok)
        return EFFECT_FAILED;
    for (int n = 0; n < WIPESTEPS && s->step < s->cx; ++n, ++s->step) {
        f.Move(1, 0, s->step + 1, s->cy, 0, 0);
        f.Put(1, 0, 1, s->cy, s->cx - s->step - 1, 0);
    }
    return Finish(f, s->step >= s->cx - 1);
}

uint16_t DisappearWleft(STATUS *s)
{
    if (!ReadSize(s))
        return EFFECT_FAILED;
    Frame f(s, FROMBACKGROUND);
    for (int n = 0; n < WIPESTEPS && s->step < s->cx; ++n, ++s->step) {
        f.Move(s->step + 1, 0, s->cx - s->step, s->cy, s->step, 0);
        f.Put(s->step - 1, 0, 1, s->cy, s->step - 1, 0);
    }
    return Finish(f, s->step >= s->cx - 1);
}

// --- Splits ------------------------------------------------------------------

uint16_t AppearVsplit(STATUS *s)
{
    Frame f(s, FROMPICTURE);
    if (!f.ok)
        return EFFECT_FAILED;
    int hw = s->cx / 2, cy = s->cy;
    for (int n = 0; n < VSPLITSTEPS && s->step < cy - 1; ++n, ++s->step) {
        int st = s->step;
        f.Put(0, cy - 1, hw, 1, 0, st);
        f.Move(0, cy - st - 1, hw, st, 0, cy - st);
        f.Put(hw, 0, hw, 1, hw, cy - st - 1);
        f.Move(hw, 1, hw, st, hw, 0);
    }
    return Finish(f, s->step >= cy - 1);
}

uint16_t DisappearVsplit(STATUS *s)
{
    if (!ReadSize(s))
        return EFFECT_FAILED;
    Frame f(s, FROMBACKGROUND);
    int hw = s->cx / 2, cy = s->cy;
    for (int n = 0; n < VSPLITSTEPS && s->step < cy; ++n, ++s->step) {
        int st = s->step;
        f.Move(0, st + 1, hw, cy - st, 0, st);
        f.Put(0, st, hw, 1, 0, st);
        f.Move(hw, 0, hw + 1, cy - st, hw, 1);
        f.Put(hw, cy - st - 1, hw + 1, 1, hw, cy - st - 1);
    }
    return Finish(f, s->step >= cy - 1);
}

uint16_t AppearHsplit(STATUS *s)
{
    Frame f(s, FROMPICTURE);
    if (!f.ok)
        return EFFECT_FAILED;
    int hh = s->cy / 2, cx = s->cx;
    for (int n = 0; n < WIPESTEPS && s->step < cx; ++n, ++s->step) {
        int st = s->step;
        f.Move(cx - st - 1, 0, st, hh, cx - st, 0);
        f.Put(cx - 1, 0, 1, hh, st, 0);
        f.Move(1, hh, st, hh, 0, hh);
        f.Put(0, hh, 1, hh, cx - st - 1, hh);
    }
    return Finish(f, s->step >= cx - 1);
}

uint16_t DisappearHsplit(STATUS *s)
{
    if (!ReadSize(s))
        return EFFECT_FAILED;
    Frame f(s, FROMBACKGROUND);
    int hh = s->cy / 2, cx = s->cx, cy = s->cy;
    for (int n = 0; n < WIPESTEPS && s->step < cx; ++n, ++s->step) {
        int st = s->step;
        f.Move(0, 0, cx - st - 1, hh, 1, 0);
        f.Put(cx - st - 1, 0, 1, hh, cx - st - 1, 0);
        f.Move(st + 1, hh, cx - st - 1, cy - hh, st, hh);
        f.Put(st, hh, 1, cy - hh, st, hh);
    }
    return Finish(f, s->step >= cx - 1);
}

// --- Effects that draw a picture piece by piece -----------------------------

// Makes the list of pieces a picture comes in by (tiles, grains, strips).
using BuildPieces = bool (*)(STATUS *);

// The picture's bitmap and its list of pieces, drawn in a random order.
uint16_t SetupPieces(STATUS *s, BuildPieces build)
{
    DropBitmap(s);
    DropList(s);
    uint16_t r = BasicSetup(s);
    if (r != EFFECT_DONE)
        return r;
    if (!build(s))
        return EFFECT_FAILED;
    Reseed();
    return EFFECT_DONE;
}

// Draws a tick's share of the pieces left.
using DrawPieces = void (*)(STATUS *, Frame &);

// The background comes back piece by piece; the list is built here when the
// appear side left none, and the phase ends on the whole background once no
// piece is `left`.
uint16_t DisappearPieces(STATUS *s, BuildPieces build, uint32_t STATUS::*left, DrawPieces draw)
{
    if (!s->list && (!ReadSize(s) || !build(s)))
        return EFFECT_FAILED;
    Frame f(s, FROMBACKGROUND);
    if (s->*left == 0) {
        f.Whole();
        DropList(s);
        return EFFECT_DONE;
    }
    draw(s, f);
    return 0;
}

// --- Tile --------------------------------------------------------------------

constexpr int TILE = 8, TILESATICK = 16;

bool BuildTiles(STATUS *s)
{
    DropList(s);
    uint32_t across = ((uint32_t)s->cx + TILE - 1) / TILE, down = ((uint32_t)s->cy + TILE - 1) / TILE;
    s->count = across * down;
    auto *list = (POS *)calloc(s->count ? s->count : 1, sizeof(POS));
    if (!list)
        return false;
    uint32_t i = 0;
    for (int y = 0; y < s->cy; y += TILE)
        for (int x = 0; x < s->cx; x += TILE)
            list[i++] = POS{x, y};
    s->list = list;
    return true;
}

uint16_t SetupTile(STATUS *s) { return SetupPieces(s, BuildTiles); }

void DrawTiles(STATUS *s, Frame &f)
{
    auto *list = (POS *)s->list;
    uint32_t stop = s->count <= TILESATICK ? 0 : s->count - TILESATICK;
    while (s->count > stop) {
        uint32_t k = (uint32_t)EffectRandom((int)s->count);
        POS p = list[k];
        f.Put(p.x, p.y, std::min(TILE, s->cx - p.x), std::min(TILE, s->cy - p.y), p.x, p.y);
        list[k] = list[--s->count];
    }
}

uint16_t AppearTile(STATUS *s)
{
    if (s->count == 0 || !s->list) {
        DropList(s);
        return EFFECT_DONE;
    }
    Frame f(s, FROMPICTURE);
    if (!f.ok)
        return EFFECT_FAILED;
    DrawTiles(s, f);
    return 0;
}

uint16_t DisappearTile(STATUS *s) { return DisappearPieces(s, BuildTiles, &STATUS::count, DrawTiles); }

uint16_t CloseTile(STATUS *s)
{
    DropBitmap(s);
    DropList(s);
    return EFFECT_DONE;
}

// --- Chaos and Order ---------------------------------------------------------

// Which way the next sorting pass runs; shared by every running effect.
int32_t scrambletoggle = 0;

int BlockSize(const STATUS *s) { return s->area >= 65535 ? 16 : 8; }

uint16_t SetupScramble(STATUS *s)
{
    DropBitmap(s);
    DropList(s);
    DropOrder(s);
    {
        DibLock lock(s->image);
        if (!lock.ok())
            return EFFECT_FAILED;
        s->cx = lock.layout.width;
        s->cy = lock.layout.height;
    }
    s->area = (uint32_t)s->cx * (uint32_t)s->cy;
    int b = BlockSize(s);
    if (s->cx <= b || s->cy <= b)
        return EFFECT_FAILED;
    s->gridwidth = ((b + s->cx - 1) / b) * b;
    s->gridheight = ((b + s->cy - 1) / b) * b;
    s->count = (uint32_t)(s->gridwidth / b) * (uint32_t)(s->gridheight / b);
    if (BasicSetup(s) != EFFECT_DONE)
        return EFFECT_FAILED;
    Reseed();
    auto *order = (int32_t *)calloc(s->count, sizeof(int32_t));
    auto *scratch = (int32_t *)calloc(s->count, sizeof(int32_t));
    if (!order || !scratch) {
        free(order);
        free(scratch);
        return EFFECT_FAILED;
    }
    for (uint32_t i = 0; i < s->count; ++i)
        scratch[i] = (int32_t)i;
    uint32_t out = 0;
    for (uint32_t n = s->count; n >= 1; --n) {
        uint32_t k = (uint32_t)EffectRandom((int)n);
        order[out++] = scratch[k];
        scratch[k] = scratch[n - 1];
    }
    free(scratch);
    s->order = order;
    // Which positions need drawing: all at first, then only those the last
    // sorting pass changed; the others would be drawn where they already are.
    auto *stale = (uint8_t *)malloc(s->count);
    if (!stale)
        return EFFECT_FAILED;
    memset(stale, 1, s->count);
    s->list = stale;
    return EFFECT_DONE;
}

uint16_t AppearScramble(STATUS *s)
{
    if (!s->order)
        return EFFECT_DONE;
    Frame f(s, FROMPICTURE);
    if (!f.ok)
        return EFFECT_FAILED;
    auto *order = (int32_t *)s->order;
    auto *stale = (uint8_t *)s->list;
    int b = BlockSize(s), gw = s->gridwidth, gh = s->gridheight;
    int cols = gw / b;
    for (uint32_t i = 0; i < s->count; ++i) {
        if (stale) {
            if (!stale[i])
                continue;
            stale[i] = 0;
        }
        int v = order[i];
        int px = (v % cols) * b, py = (v / cols) * b;
        int sx = ((int)i % cols) * b, sy = ((int)i / cols) * b;
        int x = gw - px - std::min(b, gw - px), y = gh - py - std::min(b, gh - py);
        int w = std::min(b, s->cx - (gw - px - std::min(b, s->cx - px)));
        int h = std::min(b, s->cy - (gh - py - std::min(b, s->cy - py)));
        f.Put(x, y, w, h, sx, sy);
    }
    bool swapped = false;
    if (s->count >= 2) {
        if (scrambletoggle == 0) {
            for (uint32_t i = s->count - 1; i >= 1; --i)
                if (order[i - 1] < order[i]) {
                    std::swap(order[i - 1], order[i]);
                    if (stale)
                        stale[i - 1] = stale[i] = 1;
                    swapped = true;
                }
            scrambletoggle = 1;
        } else {
            for (uint32_t i = 0; i + 1 < s->count; ++i)
                if (order[i] < order[i + 1]) {
                    std::swap(order[i], order[i + 1]);
                    if (stale)
                        stale[i] = stale[i + 1] = 1;
                    swapped = true;
                }
            scrambletoggle = 0;
        }
    }
    if (swapped)
        return 0;
    DropOrder(s);
    DropList(s);
    return EFFECT_DONE;
}

uint16_t CloseScramble(STATUS *s)
{
    DropBitmap(s);
    DropOrder(s);
    DropList(s);
    return EFFECT_DONE;
}

// --- Sandstorm ---------------------------------------------------------------

constexpr uint32_t GRAINSATICK = 1024;

bool BuildGrains(STATUS *s)
{
    DropList(s);
    uint64_t n = (uint64_t)s->cx * (uint64_t)s->cy;
    if (n == 0 || n > MAXBLOCKBYTES / sizeof(POS))
        return false;
    auto *list = (POS *)calloc((size_t)n, sizeof(POS));
    if (!list)
        return false;
    uint32_t i = 0;
    for (int y = 0; y < s->cy; ++y)
        for (int x = 0; x < s->cx; ++x)
            list[i++] = POS{x, y};
    s->pixels = (uint32_t)n;
    s->list = list;
    return true;
}

uint16_t SetupSandblast(STATUS *s) { return SetupPieces(s, BuildGrains); }

void DrawGrains(STATUS *s, Frame &f)
{
    auto *list = (POS *)s->list;
    std::vector<POS> grains;
    grains.reserve(GRAINSATICK);
    for (uint32_t done = 0; done < GRAINSATICK && s->pixels > 0; ++done) {
        uint32_t r = (uint32_t)EffectRandom(32767) | ((uint32_t)EffectRandom(32767) << 15);
        uint32_t k = r % s->pixels;
        grains.push_back(list[k]);
        list[k] = list[--s->pixels];
    }
    f.PutPixels(grains);
}

uint16_t AppearSandblast(STATUS *s)
{
    if (s->list) {
        Frame f(s, FROMPICTURE);
        if (!f.ok)
            return EFFECT_FAILED;
        DrawGrains(s, f);
    }
    if (s->pixels > 0 && s->list)
        return 0;
    DropList(s);
    return EFFECT_DONE;
}

uint16_t DisappearSandblast(STATUS *s) { return DisappearPieces(s, BuildGrains, &STATUS::pixels, DrawGrains); }

// --- Plummet -----------------------------------------------------------------

constexpr int STRIP = 16, STRIPROWS = 16;

bool BuildStrips(STATUS *s)
{
    DropList(s);
    s->count = (uint32_t)s->cx / STRIP + (s->cx % STRIP ? 1 : 0);
    auto *list = (POS *)calloc(s->count ? s->count : 1, sizeof(POS));
    if (!list)
        return false;
    for (uint32_t i = 0; i < s->count; ++i)
        list[i] = POS{(int32_t)(STRIP * i), 0};
    s->list = list;
    s->step = 0;
    return true;
}

uint16_t SetupPlummet(STATUS *s) { return SetupPieces(s, BuildStrips); }

void StripDone(STATUS *s)
{
    auto *list = (POS *)s->list;
    if (s->step >= s->cy - 1) {
        list[s->strip] = list[s->count - 1];
        s->step = 0;
        --s->count;
    }
}

uint16_t AppearPlummet(STATUS *s)
{
    Frame f(s, FROMPICTURE);
    if (!f.ok)
        return EFFECT_FAILED;
    if (s->count == 0 || !s->list) {
        // A strip that counts as done one row short would leave its top row
        // missing: the phase ends on the whole picture.
        f.Whole();
        DropList(s);
        return EFFECT_DONE;
    }
    if (s->step == 0)
        s->strip = EffectRandom((int)s->count);
    int x = ((POS *)s->list)[s->strip].x;
    for (int n = 0; n < STRIPROWS && s->step < s->cy; ++n, ++s->step) {
        f.Move(x, 1, STRIP, s->step, x, 0);
        f.Put(x, 0, STRIP, 1, x, s->cy - s->step - 1);
    }
    StripDone(s);
    return 0;
}

// One strip at a time falls away, a few rows a tick.
void LiftStrip(STATUS *s, Frame &f)
{
    if (s->step == 0)
        s->strip = EffectRandom((int)s->count);
    int x = ((POS *)s->list)[s->strip].x;
    for (int n = 0; n < STRIPROWS && s->step < s->cy; ++n, ++s->step) {
        f.Move(x, s->step + 1, STRIP, s->cy - s->step - 1, x, s->step);
        f.Put(x, s->step, STRIP, 2, x, s->step);
    }
    StripDone(s);
}

uint16_t DisappearPlummet(STATUS *s) { return DisappearPieces(s, BuildStrips, &STATUS::count, LiftStrip); }

uint16_t ClosePlummet(STATUS *s)
{
    DropBitmap(s);
    DropList(s);
    s->step = 0;
    return EFFECT_DONE;
}

// --- Quadrants ---------------------------------------------------------------

constexpr int QUADRANTSTEPS = 2;

uint16_t SetupFourway(STATUS *s)
{
    uint16_t r = BasicSetup(s);
    if (r != EFFECT_DONE)
        return r;
    s->step = 0;
    s->steps = s->cy < s->cx ? s->cx / 2 : s->cy / 2;
    // A one-pixel picture has no half to grow: it comes in one step.
    if (s->steps < 1)
        s->steps = 1;
    s->stepx = (s->cx * 0.5) / s->steps;
    s->stepy = (s->cy * 0.5) / s->steps;
    s->extentx = s->extenty = 0;
    return EFFECT_DONE;
}

uint16_t AppearFourway(STATUS *s)
{
    Frame f(s, FROMPICTURE);
    if (!f.ok)
        return EFFECT_FAILED;
    int hw = s->cx / 2, hh = s->cy / 2;
    for (int n = 0; n < QUADRANTSTEPS && s->step < s->steps; ++n, ++s->step) {
        int ex = (int)s->extentx, ey = (int)s->extenty, sx = (int)s->stepx, sy = (int)s->stepy;
        f.Put(hw, hh, ex, ey, 2 * hw - ex - sx, 2 * hh - ey - sy);
        f.Put(hw, hh - ey, ex, ey, 2 * hw - ex - sx, hh - ey);
        f.Put(hw - ex, hh - ey, ex, ey, 0, 0);
        f.Put(hw - ex, hh, ex, ey, 0, 2 * hh - ey - sy);
        s->extentx += s->stepx;
        s->extenty += s->stepy;
    }
    return Finish(f, s->step >= s->steps - 1);
}

uint16_t WaitFourway(STATUS *s)
{
    if (s->countdown != 0)
        return 0;
    s->extentx = s->extenty = 0;
    s->step = 0;
    return EFFECT_DONE;
}

uint16_t DisappearWhole(STATUS *s)
{
    Frame f(s, FROMBACKGROUND);
    f.Whole();
    return EFFECT_DONE;
}

uint16_t DisappearScramble(STATUS *s)
{
    Frame f(s, FROMBACKGROUND, false);
    f.Whole();
    return EFFECT_DONE;
}

} // namespace

const EFFECT effect[MAXEFFECT] = {
    {SetupNone, AppearWhole, WaitPlain, DisappearNone, ClosePlain, "None", 0, 0},
    {SetupScramble, AppearScramble, WaitPlain, DisappearScramble, CloseScramble, "Chaos and Order", 1, 0},
    {SetupStep, AppearHsplit, WaitStep, DisappearHsplit, CloseStep, "Horizontal Split", 1, 1},
    {SetupNone, AppearWhole, WaitPlain, DisappearNclear, ClosePlain, "No Clear", 0, 0},
    {SetupPlummet, AppearPlummet, WaitPlain, DisappearPlummet, ClosePlummet, "Plummet", 1, 1},
    {SetupFourway, AppearFourway, WaitFourway, DisappearWhole, CloseStep, "Quadrants", 1, 0},
    {SetupRandom, AppearRandom, WaitRandom, DisappearRandom, CloseRandom, "Random Effect", 0, 0},
    {SetupSandblast, AppearSandblast, WaitPlain, DisappearSandblast, CloseTile, "Sandstorm", 1, 1},
    {SetupTile, AppearTile, WaitPlain, DisappearTile, CloseTile, "Tile", 1, 1},
    {SetupStep, AppearVsplit, WaitStep, DisappearVsplit, CloseStep, "Vertical Split", 1, 1},
    {SetupStep, AppearWleft, WaitStep, DisappearWleft, CloseStep, "Wipe in from Left", 1, 1},
    {SetupStep, AppearWright, WaitStep, DisappearWright, CloseStep, "Wipe in from Right", 1, 1},
};
