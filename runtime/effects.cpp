// The effect rows of the transition table, and the steps its rows share:
// the picture made ready as a bitmap, the plain waits and closes, None and
// No Clear. Each family of effects has a file of its own.
#include "runtime/effectframe.h"
#include "media/dib.h"
#include <cstdlib>
#include <ctime>

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

namespace effects {

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

bool ReadSize(STATUS *s)
{
    DibLock lock(s->image);
    if (!lock.ok())
        return false;
    s->cx = lock.layout.width;
    s->cy = lock.layout.height;
    return true;
}

static HBITMAP PictureSection(HDC dc, const DibLock &lock)
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

uint16_t DisappearWhole(STATUS *s)
{
    Frame f(s, FROMBACKGROUND);
    f.Whole();
    return EFFECT_DONE;
}


} // namespace effects

using namespace effects;

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
