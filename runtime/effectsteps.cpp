// The wipes, the splits and the quadrants: the picture slides or grows in a
// few columns, rows or pixels a tick, and the background comes back so.
#include "runtime/effectframe.h"

namespace effects {

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

} // namespace effects
