// Tile, Sandstorm and Plummet: the picture comes in, and goes, by its
// pieces in a random order, tiles, single pixels or falling strips.
#include "runtime/effectframe.h"
#include "media/dib.h"
#include <cstdlib>

namespace effects {

// --- Effects that draw a picture piece by piece -----------------------------

// Makes the list of pieces a picture comes in by (tiles, grains, strips).
using BuildPieces = bool (*)(STATUS *);

// The picture's bitmap and its list of pieces, drawn in a random order.
static uint16_t SetupPieces(STATUS *s, BuildPieces build)
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
static uint16_t DisappearPieces(STATUS *s, BuildPieces build, uint32_t STATUS::*left, DrawPieces draw)
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

static bool BuildTiles(STATUS *s)
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

static void DrawTiles(STATUS *s, Frame &f)
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

// --- Sandstorm ---------------------------------------------------------------

constexpr uint32_t GRAINSATICK = 1024;

static bool BuildGrains(STATUS *s)
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

static void DrawGrains(STATUS *s, Frame &f)
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

static bool BuildStrips(STATUS *s)
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

static void StripDone(STATUS *s)
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
static void LiftStrip(STATUS *s, Frame &f)
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

} // namespace effects
