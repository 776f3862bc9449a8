#include "common/shell.h"
#include "media/dib.h"
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint8_t LEVELS2[] = {0, 255};
constexpr uint8_t LEVELS4[] = {0, 85, 170, 255};
constexpr uint8_t LEVELS8[] = {0, 36, 72, 108, 144, 180, 216, 255};

constexpr uint8_t VGA16[16][3] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

// Red outermost, blue innermost; index = r × rstep + g × gstep + b.
template <size_t NR, size_t NG, size_t NB>
void Cube(uint8_t *rgb, const uint8_t (&reds)[NR], const uint8_t (&greens)[NG], const uint8_t (&blues)[NB],
          int rstep, int gstep)
{
    for (size_t r = 0; r < NR; ++r)
        for (size_t g = 0; g < NG; ++g)
            for (size_t b = 0; b < NB; ++b) {
                uint8_t *p = rgb + 3 * (r * rstep + g * gstep + b);
                p[0] = reds[r];
                p[1] = greens[g];
                p[2] = blues[b];
            }
}

// A palette resource: a 73-byte title, the words 1, "CMAP", 1 and 768,
// then the colours.
constexpr size_t PALETTECOLOURS = 73 + 2 + 4 + 4 + 2;
static_assert(PALETTECOLOURS == 85 && PALETTECOLOURS + PALETTEBYTES == 853);

void ResourcePalette(uint8_t *rgb, const char *name)
{
    HRSRC found = FindResourceA(hInst, name, (LPCSTR)RT_RCDATA);
    if (!found || SizeofResource(hInst, found) < PALETTECOLOURS + PALETTEBYTES)
        return;
    HGLOBAL loaded = LoadResource(hInst, found);
    const uint8_t *data = loaded ? (const uint8_t *)LockResource(loaded) : nullptr;
    if (data)
        memcpy(rgb, data + PALETTECOLOURS, PALETTEBYTES);
}

} // namespace

int GetDefaultPalette(char *rgb, int *bits, int type)
{
    int count, depth;
    switch (type) {
    case 0: count = 2, depth = 1; break;
    case 1: count = 16, depth = 4; break;
    case 2: count = 32, depth = 5; break;
    case 3: count = 64, depth = 6; break;
    case 4: count = 128, depth = 7; break;
    case 5: count = 216, depth = 8; break;
    case 7: count = 256, depth = 8; break;
    case 8: count = 256, depth = 8; break;
    default: type = 6, count = 256, depth = 8; break;
    }
    if (bits)
        *bits = depth;
    if (!rgb)
        return count;
    auto *out = (uint8_t *)rgb;
    memset(out, 0, PALETTEBYTES);
    switch (type) {
    case 0:
        memset(out + 3, 255, 3);
        break;
    case 1:
        memcpy(out, VGA16, sizeof VGA16);
        break;
    case 2: Cube(out, LEVELS4, LEVELS4, LEVELS2, 8, 2); break;
    case 3: Cube(out, LEVELS4, LEVELS4, LEVELS4, 16, 4); break;
    case 4: Cube(out, LEVELS4, LEVELS8, LEVELS4, 32, 4); break;
    case 5: ResourcePalette(out, "Palette216"); break;
    case 6: Cube(out, LEVELS8, LEVELS8, LEVELS4, 32, 4); break;
    case 7: ResourcePalette(out, "Palette256G"); break;
    case 8:
        for (int i = 0; i < 256; ++i)
            memset(out + 3 * i, i, 3);
        break;
    }
    return count;
}

int GetDibPalette(const BITMAPINFO *dib, char *rgb)
{
    memset(rgb, 0, PALETTEBYTES);
    const BITMAPINFOHEADER *h = dib ? &dib->bmiHeader : nullptr;
    if (!h || h->biBitCount == 0 || h->biBitCount > 8 || h->biSize < sizeof(BITMAPINFOHEADER))
        return 0;
    // The table follows the header, however long the header is.
    const auto *table = (const RGBQUAD *)((const uint8_t *)h + h->biSize);
    int count = 1 << h->biBitCount;
    auto *out = (uint8_t *)rgb;
    for (int i = 0; i < count; ++i) {
        out[3 * i] = table[i].rgbRed;
        out[3 * i + 1] = table[i].rgbGreen;
        out[3 * i + 2] = table[i].rgbBlue;
    }
    return count;
}

int GetDisplayBits()
{
    HDC dc = GetDC(NULL);
    unsigned bits = (uint16_t)(GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL));
    ReleaseDC(NULL, dc);
    return bits <= 8 ? (int)bits : 24;
}

int RealizeWindowPalette(HDC dc, PALSTATE *state, const char *rgb, int count)
{
    *state = PALSTATE{};
    if (count > 256)
        return 1;
    int entries = count > 16 ? 256 : count >= 2 ? 16 : count < 0 ? 0 : count;
    auto *log = (LOGPALETTE *)calloc(1, 8 + 4 * entries);
    if (!log)
        return 0;
    log->palVersion = 0x300;
    log->palNumEntries = (WORD)entries;
    const auto *src = (const uint8_t *)rgb;
    for (int i = 0; src && i < entries; ++i) {
        log->palPalEntry[i].peRed = src[3 * i];
        log->palPalEntry[i].peGreen = src[3 * i + 1];
        log->palPalEntry[i].peBlue = src[3 * i + 2];
    }
    state->logpalette = log;
    state->palette = CreatePalette(log);
    if (state->palette) {
        state->previous = SelectPalette(dc, state->palette, FALSE);
        RealizePalette(dc);
    }
    return 1;
}

void UnrealizeWindowPalette(HDC dc, PALSTATE *state)
{
    if (dc && state->previous)
        SelectPalette(dc, state->previous, FALSE);
    if (state->palette)
        DeleteObject(state->palette);
    free(state->logpalette);
    *state = PALSTATE{};
}
