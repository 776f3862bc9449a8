// Chaos and Order: the picture comes in as scrambled blocks that sort
// themselves into place, a pass a tick.
#include "runtime/effectframe.h"
#include "media/dib.h"
#include <cstdlib>
#include <cstring>

namespace effects {

// --- Chaos and Order ---------------------------------------------------------

// Which way the next sorting pass runs; shared by every running effect.
static int32_t scrambletoggle = 0;

static int BlockSize(const STATUS *s) { return s->area >= 65535 ? 16 : 8; }

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

uint16_t DisappearScramble(STATUS *s)
{
    Frame f(s, FROMBACKGROUND, false);
    f.Whole();
    return EFFECT_DONE;
}

} // namespace effects
