#include "runtime/background.h"
#include "common/services.h"
#include "document/blockstore.h"
#include "common/owners.h"
#include "document/objects.h"
#include "document/record.h"
#include "media/dib.h"
#include "media/draw.h"
#include "media/reduce.h"
#include <cctype>
#include <cstring>

namespace {

void Fill(HDC dc, const RECT &r, HWND list, BLOCK *block)
{
    GdiObject<HBRUSH> brush(CreateSolidBrush(GetBlockBackgroundColour(GetParent(list), block)));
    FillRect(dc, &r, brush);
}

// The first object of `block` with `tag`, or 0.
HGLOBAL FirstObject(BLOCK *block, uint32_t tag)
{
    for (uint32_t i = 0, n = BlockObjectCount(block); i < n; i++) {
        HGLOBAL h = GetPageObject(block, i);
        ObjectRecord<> o(h);
        if (o && o->tag == tag)
            return h;
    }
    return NULL;
}

// Draws a picture tiled from the DC's origin or once, centred on w × h.
void DrawPicture(HDC dc, const BITMAPINFOHEADER *dib, const DIBLAYOUT &l, bool tiled, int w, int h)
{
    char rgb[PALETTEBYTES];
    int count = GetDibPalette((const BITMAPINFO *)dib, rgb);
    PALSTATE state{};
    if (count)
        RealizeWindowPalette(dc, &state, rgb, count);
    GdiObject<HBITMAP> bitmap(CreateDIBitmap(dc, dib, CBM_INIT, (const uint8_t *)dib + l.pixeloffset,
                                             (const BITMAPINFO *)dib, DIB_RGB_COLORS));
    if (MemoryDC mem(dc); mem.Select(bitmap)) {
        if (tiled) {
            for (int y = 0; y < h; y += l.height)
                for (int x = 0; x < w; x += l.width)
                    BitBlt(dc, x, y, l.width, l.height, mem, 0, 0, SRCCOPY);
        } else {
            BitBlt(dc, (w - l.width) / 2, (h - l.height) / 2, l.width, l.height, mem, 0, 0, SRCCOPY);
        }
    }
    if (count)
        UnrealizeWindowPalette(dc, &state);
}

// Draws the picture an object holds: in place on true-colour displays, from
// a copy reduced to the 3-3-2 palette on displays of 8 bits or fewer. False
// when it holds none that can be drawn.
bool DrawObjectPicture(HDC dc, HGLOBAL object, bool tiled, bool remap, int w, int h)
{
    if (GetDisplayBits() > 8) {
        ObjectRecord<> o(object);
        if (!o.Whole() || o->datasize < sizeof(BITMAPINFOHEADER))
            return false;
        const auto *dib = (const BITMAPINFOHEADER *)ObjectData(o.get());
        DIBLAYOUT l;
        if (!DibHeaderLayout(dib, &l) || l.total > o->datasize || !PixelDepth(l.bits))
            return false;
        DrawPicture(dc, dib, l, tiled, w, h);
        return true;
    }
    HGLOBAL copy = GetBackImage(object);
    if (!copy)
        return false;
    char rgb[PALETTEBYTES];
    int bits = 8;
    GetDefaultPalette(rgb, &bits, 6);
    HGLOBAL reduced = remap ? RemapDib(copy, rgb, bits, 0) : DitherDib(copy, rgb, bits, 0);
    GlobalFree(copy);
    NewDib picture(reduced);
    if (!picture.ok() || !PixelDepth(picture.layout.bits))
        return false;
    DrawPicture(dc, picture.header, picture.layout, tiled, w, h);
    return true;
}

} // namespace

int DrawPageBackground(HWND window, HWND list, HDC dc, unsigned long index, BLOCK *header, BLOCK *page, RECT *rp)
{
    RECT r;
    if (rp)
        r = *rp;
    else
        GetClientRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (index > 0 && page && page->page.colourselector != COLOURSELECTOR_HEADER) {
        HGLOBAL back = FirstObject(page, TAG_BAKI);
        bool tiled = page->page.flags & PAGE_TILED;
        if (!back || !tiled)
            Fill(dc, r, list, page);
        if (back)
            DrawObjectPicture(dc, back, tiled, page->page.flags & PAGE_REMAP, w, h);
        return 1;
    }
    if (!header) {
        if (page)
            Fill(dc, r, list, page);
        return 1;
    }
    bool done = false;
    bool objects = header->hedr.flags & BLOCK_HASOBJECTS;
    HGLOBAL image = objects ? FirstObject(header, TAG_IMAG) : NULL;
    bool tiled = header->hedr.flags & HEDR_TILED;
    if (!objects || (image && !tiled)) {
        Fill(dc, r, list, header);
        done = true;
    }
    if (image && DrawObjectPicture(dc, image, tiled, header->hedr.flags & HEDR_REMAP, w, h))
        done = true;
    if (!done)
        Fill(dc, r, list, header);
    return 1;
}

namespace {

// The colours the display's palette holds now, as red, green, blue triples.
void ReadSystemPalette(HDC dc, int displaybits, char system[PALETTEBYTES])
{
    PALETTEENTRY entries[256];
    UINT n = GetSystemPaletteEntries(dc, 0, 1u << displaybits, entries);
    for (UINT i = 0; i < n && i < 256; i++) {
        system[3 * i] = (char)entries[i].peRed;
        system[3 * i + 1] = (char)entries[i].peGreen;
        system[3 * i + 2] = (char)entries[i].peBlue;
    }
}

// The object's picture, or null when it does not lie inside the object's
// data, and that inside its block.
const BITMAPINFOHEADER *StaticPicture(OBJECTSTATICIMAGE *object, DIBLAYOUT *layout)
{
    const OBJECTHEADER &head = object->header;
    if (head.fixedsize < sizeof(OBJECTSTATICIMAGE) || head.datasize < sizeof(BITMAPINFOHEADER))
        return nullptr;
    if (HGLOBAL block = GlobalHandle(object))
        if ((uint64_t)head.fixedsize + head.datasize > GlobalSize(block))
            return nullptr;
    const auto *picture = (const BITMAPINFOHEADER *)ObjectData(&object->header);
    if (!DibHeaderLayout(picture, layout) || layout->total > head.datasize || !PixelDepth(layout->bits))
        return nullptr;
    return picture;
}

// What lies under the object: the bitmap it kept, or else what `dc` shows
// at `r`, as a DIB (in the display's colours when `system` is given).
HGLOBAL CaptureUnder(HDC dc, const OBJECTHEADER &head, const RECT &r, const char *system)
{
    const int rw = r.right - r.left, rh = r.bottom - r.top;
    GdiObject<HBITMAP> under(CreateCompatibleBitmap(dc, rw, rh));
    MemoryDC mem(dc);
    if (!mem.Select(under))
        return NULL;
    if (head.background) {
        MemoryDC src(dc);
        src.Select((HBITMAP)(UINT_PTR)head.background);
        BitBlt(mem, 0, 0, rw, rh, src, 0, 0, SRCCOPY);
    } else {
        BitBlt(mem, 0, 0, rw, rh, dc, r.left, r.top, SRCCOPY);
    }
    mem.Restore();
    return BitmapToDIB(dc, under, system);
}

// `over` laid on `under` with the opacity `alpha` (0 to 255), channel by channel.
uint32_t BlendPixel(uint32_t over, uint32_t under, uint32_t alpha)
{
    uint32_t v = 0;
    for (int s = 0; s < 24; s += 8) {
        uint32_t pc = (over >> s) & 0xFF, bc = (under >> s) & 0xFF;
        v |= (pc * alpha / 255 + bc * (255 - alpha) / 255) << s;
    }
    return v;
}

// How the object's picture reads: its colours, its transparent colour key
// and its table of opacities, by the object's colour type.
struct STATICPIXELS {
    const OBJECTSTATICIMAGE *object;
    const DIBLAYOUT &layout;
    const RGBQUAD *table;
    uint32_t key;
    uint32_t alphas;

    STATICPIXELS(const OBJECTSTATICIMAGE *o, const BITMAPINFOHEADER *picture, const DIBLAYOUT &l)
        : object(o), layout(l), table((const RGBQUAD *)((const uint8_t *)picture + l.tableoffset))
    {
        const uint8_t *t = o->transparency;
        key = t[1] | t[3] << 8 | (uint32_t)t[5] << 16;
        alphas = o->transparencycount;
        if (alphas > sizeof o->transparency)
            alphas = sizeof o->transparency;
    }

    uint32_t Colour(uint32_t index) const
    {
        const uint32_t tablesize = layout.tableentries;
        if (tablesize == 0)
            return index & 0xFFFFFF;
        if (index >= tablesize)
            index = tablesize - 1;
        return table[index].rgbRed | table[index].rgbGreen << 8 | (uint32_t)table[index].rgbBlue << 16;
    }

    // The colour and opacity of a stored value; false for a colour type
    // that says nothing of either.
    bool Read(uint32_t raw, uint32_t *colour, uint32_t *alpha) const
    {
        switch (object->colourtype) {
        case 2:
            *colour = layout.bits <= 8 ? Colour(raw) : raw & 0xFFFFFF;
            *alpha = *colour == key ? 0 : 255;
            return true;
        case 3:
            *colour = Colour(raw);
            *alpha = raw < alphas ? object->transparency[raw] : 255;
            return true;
        case 6:
            *colour = layout.bits <= 8 ? Colour(raw) : raw & 0xFFFFFF;
            *alpha = layout.bits == 32 ? raw >> 24 : 255;
            return true;
        }
        return false;
    }
};

// Lays the picture on what lay under it, into `result`, only where both
// have pixels.
void ComposeStatic(const OBJECTSTATICIMAGE *object, const BITMAPINFOHEADER *picture, const DIBLAYOUT &pl,
                   NewDib &under, const char *system, NewDib &result)
{
    const STATICPIXELS pixels(object, picture, pl);
    const auto *pbase = (const uint8_t *)picture;
    const int w = pl.width < under.layout.width ? pl.width : under.layout.width;
    const int h = pl.height < under.layout.height ? pl.height : under.layout.height;
    const auto *sys = (const uint8_t *)system;
    for (int y = 0; y < h; y++) {
        const uint8_t *prow = pbase + pl.pixeloffset + (uint32_t)(pl.height - 1 - y) * pl.rowbytes;
        const uint8_t *brow = under.Row(y);
        uint8_t *out = result.Row(y);
        for (int x = 0; x < w; x++) {
            uint32_t bv = ReadPixel(brow, x, under.layout.bits);
            if (under.layout.bits <= 8) {
                uint32_t i = bv & 0xFF;
                bv = sys[3 * i] | sys[3 * i + 1] << 8 | (uint32_t)sys[3 * i + 2] << 16;
            }
            uint32_t p, alpha;
            if (pixels.Read(ReadPixel(prow, x, pl.bits), &p, &alpha))
                WritePixel(out, x, 24, BlendPixel(p, bv, alpha));
        }
    }
}

// The composed picture in the 3-3-2 palette's colours, for displays of 8
// bits or fewer; the picture itself when it cannot be reduced.
HGLOBAL ReduceForPalette(HGLOBAL composed, bool remap)
{
    char rgb6[PALETTEBYTES];
    int bits = 8;
    GetDefaultPalette(rgb6, &bits, 6);
    HGLOBAL reduced = remap ? RemapDib(composed, rgb6, bits, 0) : DitherDib(composed, rgb6, bits, 0);
    if (!reduced)
        return composed;
    GlobalFree(composed);
    return reduced;
}

} // namespace

HGLOBAL CreateStaticDisplayImage(HWND, HDC dc, OBJECTSTATICIMAGE *object, RECT *r)
{
    const int displaybits = GetDisplayBits();
    const bool palette = displaybits <= 8;
    char system[PALETTEBYTES] = {};
    if (palette)
        ReadSystemPalette(dc, displaybits, system);
    DIBLAYOUT pl;
    const BITMAPINFOHEADER *picture = StaticPicture(object, &pl);
    if (!picture || r->right <= r->left || r->bottom <= r->top)
        return NULL;
    HGLOBAL back = CaptureUnder(dc, object->header, *r, palette ? system : nullptr);
    if (!back)
        return NULL;

    char rgb[PALETTEBYTES];
    int colours = GetDibPalette((const BITMAPINFO *)picture, rgb);
    NewDib result(CreateDib(pl.width, pl.height, colours ? rgb : nullptr, 24));
    NewDib b(back);
    if (!result.ok() || !b.ok())
        return NULL;
    ComposeStatic(object, picture, pl, b, system, result);
    HGLOBAL composed = result.Release();
    return palette ? ReduceForPalette(composed, object->header.flags & OBJ_REMAP) : composed;
}

HGLOBAL CopyBitmapToHandle(BITMAPINFOHEADER *dib)
{
    DIBLAYOUT l;
    if (!dib || !DibHeaderLayout(dib, &l))
        return NULL;
    char rgb[PALETTEBYTES];
    int colours = GetDibPalette((const BITMAPINFO *)dib, rgb);
    NewDib copy(CreateDib(l.width, l.height, colours ? rgb : nullptr, l.bits));
    if (!copy.ok() || copy.layout.bits != l.bits)
        return NULL;
    const uint32_t row = (uint32_t)(((uint64_t)l.bits * (uint32_t)l.width + 31) / 32 * 4);
    const uint8_t *src = (const uint8_t *)dib + l.pixeloffset;
    for (int s = 0; s < l.height; s++)
        memcpy(copy.StoredRow(s), src + (uint32_t)s * row, row);
    return copy.Release();
}

COLORREF MakeDerivativeColour(COLORREF colour, double f)
{
    int c[3] = {(int)(GetRValue(colour) * f), (int)(GetGValue(colour) * f), (int)(GetBValue(colour) * f)};
    int excess = 0;
    for (int v : c)
        if (v - 255 > excess)
            excess = v - 255;
    if (f > 1 && excess > 0) {
        for (int &v : c)
            v = v - excess < 0 ? 0 : v - excess;
    } else {
        for (int &v : c)
            v &= 0xFF;
    }
    return RGB(c[0], c[1], c[2]);
}

HGLOBAL LoadResImage32(unsigned id, HGLOBAL dib)
{
    DibLock a(dib);
    if (!a.ok() || !PixelDepth(a.layout.bits))
        return NULL;
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(id), (LPCSTR)RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(NULL, found) : NULL;
    const uint8_t *file = loaded ? (const uint8_t *)LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(NULL, found) : 0;
    if (!file || size < 14 + sizeof(BITMAPINFOHEADER))
        return NULL;
    const auto *res = (const BITMAPINFOHEADER *)(file + 14);
    DIBLAYOUT rl;
    if (!DibHeaderLayout(res, &rl) || rl.bits != 32 || 14 + (uint64_t)rl.total > size)
        return NULL;
    NewDib out(CreateDib(a.layout.width, a.layout.height, nullptr, 24));
    if (!out.ok())
        return NULL;
    const RGBQUAD *table = a.Table();
    // A resource larger than the picture is cut to the picture.
    const int w = rl.width < a.layout.width ? rl.width : a.layout.width;
    const int h = rl.height < a.layout.height ? rl.height : a.layout.height;
    for (int y = 0; y < a.layout.height; y++)
        for (int x = 0; x < a.layout.width; x++) {
            uint32_t av = ReadPixel(a.Row(y), x, a.layout.bits);
            if (a.layout.bits <= 8) {
                uint32_t i = av < a.layout.tableentries ? av : 0;
                av = table[i].rgbRed | table[i].rgbGreen << 8 | (uint32_t)table[i].rgbBlue << 16;
            }
            av &= 0xFFFFFF;
            if (x < w && y < h) {
                const uint8_t *srow = (const uint8_t *)res + rl.pixeloffset + (uint32_t)(rl.height - 1 - y) * rl.rowbytes;
                uint32_t s = ReadPixel(srow, x, 32);
                av = BlendPixel(s, av, s >> 24);
            }
            WritePixel(out.Row(y), x, 24, av);
        }
    return out.Release();
}

char *stristr(char *text, char *part)
{
    if (!text || !part)
        return nullptr;
    size_t n = strlen(part);
    for (char *p = text;; p++) {
        if (_strnicmp(p, part, n) == 0)
            return p;
        if (!*p)
            return nullptr;
    }
}
