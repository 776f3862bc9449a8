// What the effects of the transition table share: the frame each drawing
// step works in, the set-up, wait and close steps most rows use, and the
// steps of each family of effects that the table names. Each drawing
// operation works in the picture's own coordinates (the window origin moved
// to where the picture lies) and copies from the picture's bitmap or from
// the background with BitBlt; everything it draws is clipped to the
// picture's rectangle, so no column slid past an edge is left behind when
// the effect ends.
#pragma once
#include "runtime/scratchdc.h"
#include "runtime/transition.h"
#include <algorithm>
#include <vector>

namespace effects {

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

void DropBitmap(STATUS *s);
void DropList(STATUS *s);
void DropOrder(STATUS *s);
// Rereads the picture's size (the disappear side of the wipes and splits).
bool ReadSize(STATUS *s);
// The picture as a bitmap the window takes by BitBlt, once per cycle.
uint16_t BasicSetup(STATUS *s);
uint16_t WaitPlain(STATUS *s);
uint16_t WaitStep(STATUS *s);
uint16_t CloseStep(STATUS *s);
uint16_t ClosePlain(STATUS *s);
// The phase's end once `done`: the whole picture or background is shown.
uint16_t Finish(Frame &f, bool done);
// Seeds the generator the effects draw from, once.
void Reseed();

// None and No Clear, and the whole background at once.
uint16_t SetupNone(STATUS *s);
uint16_t AppearWhole(STATUS *s);
uint16_t DisappearNone(STATUS *s);
uint16_t DisappearNclear(STATUS *);
uint16_t DisappearWhole(STATUS *s);
// The wipes, the splits and the quadrants, which move in step by step.
uint16_t SetupStep(STATUS *s);
uint16_t AppearWright(STATUS *s);
uint16_t DisappearWright(STATUS *s);
uint16_t AppearWleft(STATUS *s);
uint16_t DisappearWleft(STATUS *s);
uint16_t AppearVsplit(STATUS *s);
uint16_t DisappearVsplit(STATUS *s);
uint16_t AppearHsplit(STATUS *s);
uint16_t DisappearHsplit(STATUS *s);
uint16_t SetupFourway(STATUS *s);
uint16_t AppearFourway(STATUS *s);
uint16_t WaitFourway(STATUS *s);
// Tile, Sandstorm and Plummet, which draw a picture piece by piece.
uint16_t SetupTile(STATUS *s);
uint16_t AppearTile(STATUS *s);
uint16_t DisappearTile(STATUS *s);
uint16_t CloseTile(STATUS *s);
uint16_t SetupSandblast(STATUS *s);
uint16_t AppearSandblast(STATUS *s);
uint16_t DisappearSandblast(STATUS *s);
uint16_t SetupPlummet(STATUS *s);
uint16_t AppearPlummet(STATUS *s);
uint16_t DisappearPlummet(STATUS *s);
uint16_t ClosePlummet(STATUS *s);
// Chaos and Order.
uint16_t SetupScramble(STATUS *s);
uint16_t AppearScramble(STATUS *s);
uint16_t DisappearScramble(STATUS *s);
uint16_t CloseScramble(STATUS *s);

} // namespace effects
