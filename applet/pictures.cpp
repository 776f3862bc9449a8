// The applet's pictures and the areas of its frame it saves, restores and
// copies; the texts of the page's other objects; and the applet's sounds.
#include "applet/internal.h"
#include "common/shell.h"
#include "document/applet.h"
#include "media/draw.h"
#include "media/reduce.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t FIRSTICON = 32512; // IDI_APPLICATION ... IDI_WINLOGO
constexpr int32_t LASTICON = 32517;

bool StockIcon(int32_t number) { return number >= FIRSTICON && number <= LASTICON; }

// Only a picture whose every byte the drawing reads lies inside its entry is
// used: the plain header this system writes, a depth the picture functions
// take, and the colour table and all pixel rows within the entry's length.
bool UsablePicture(HGLOBAL dib, uint32_t length)
{
    DibLock lock(dib);
    if (!lock.ok())
        return false;
    const BITMAPINFOHEADER *h = lock.header;
    int bits = lock.layout.bits;
    return lock.layout.total <= length && h->biSize == sizeof(BITMAPINFOHEADER) && h->biCompression == BI_RGB &&
           PixelDepth(bits) && (bits > 8 || h->biClrUsed <= (1u << bits));
}

// The applet's picture of that number, checked; NULL with error 16 when it
// has none or the one it has is damaged.
HGLOBAL FetchPicture(APPLET *a, int32_t number)
{
    HGLOBAL dib = NULL;
    OBJECTAPPLETENTRY head{};
    if (number >= 1 && a->appletobject)
        dib = FindNumberedAppletObject(&head, a->appletobject, (unsigned long)number, ENTRY_PICT);
    if (dib && !UsablePicture(dib, head.length)) {
        GlobalFree(dib);
        dib = NULL;
    }
    if (!dib)
        APPLETRecordError(a, APPLETERR_NOTFOUND);
    return dib;
}

// The area of the frame a script names, right and bottom inclusive, clamped
// to the frame's last column and row, then moved by the drawing offset.
RECT FrameArea(APPLET *a, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    int width, height;
    FrameSize(a, &width, &height);
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width - 1);
    bottom = std::min(bottom, height - 1);
    RECT r = {left, top, right + 1, bottom + 1};
    if (r.right < r.left || r.bottom < r.top)
        r.right = r.left, r.bottom = r.top;
    r = {Placed(r.left, a->offsetx), Placed(r.top, a->offsety), Placed(r.right, a->offsetx), Placed(r.bottom, a->offsety)};
    return r;
}

// A bitmap compatible with the frame holding a copy of the area; NULL when
// the area is empty or the bitmap cannot be made.
HBITMAP CopyArea(HDC dc, const RECT &r)
{
    int width = (int)((int64_t)r.right - r.left), height = (int)((int64_t)r.bottom - r.top);
    if (!dc || width <= 0 || height <= 0)
        return NULL;
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, width, height));
    MemoryDC memory(dc);
    if (!memory.Select(bitmap.get()))
        return NULL;
    BitBlt(memory.dc, 0, 0, width, height, dc, r.left, r.top, SRCCOPY);
    return bitmap.Release();
}

// Draws a whole bitmap at x, y; the result of the BitBlt.
BOOL PutBitmap(HDC dc, HBITMAP bitmap, int x, int y)
{
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof info, &info))
        return FALSE;
    MemoryDC memory(dc);
    return memory.Select(bitmap) && BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory.dc, 0, 0, SRCCOPY);
}

} // namespace

// ---- pictures ----

int APPLETDrawPicture(APPLET *a, HWND w)
{
    BEGIN(3, 5);
    int32_t number = IntArg(&c, 0);
    int32_t x = Placed(IntArg(&c, 1), a->offsetx), y = Placed(IntArg(&c, 2), a->offsety);
    int32_t remap = IntArg(&c, 3, 0);
    COLORREF transparent = (COLORREF)IntArg(&c, 4, 0);
    if (StockIcon(number)) {
        HICON icon = LoadIconA(NULL, MAKEINTRESOURCEA(number));
        if (!icon) {
            APPLETRecordError(a, APPLETERR_MEMORY);
        } else {
            Surface s(a);
            if (s.dc)
                DrawIcon(s.dc, x, y, icon);
        }
        return EndCall(&c, 1);
    }
    GlobalBlock picture(FetchPicture(a, number));
    Surface s(a);
    if (!picture || !s.dc)
        return EndCall(&c, 1);
    GlobalBlock reduced;
    if (devicebits <= 8) {
        char cube[PALETTEBYTES];
        GetDefaultPalette(cube, nullptr, 6);
        reduced.Reset(remap ? RemapDib(picture.get(), cube, 8, 0) : DitherDib(picture.get(), cube, 8, 0));
    }
    DibLock lock(reduced ? reduced.get() : picture.get());
    if (!lock.ok()) {
        APPLETRecordError(a, APPLETERR_MEMORY);
        return EndCall(&c, 1);
    }
    const DIBLAYOUT &l = lock.layout;
    char rgb[PALETTEBYTES];
    GetDibPalette((const BITMAPINFO *)lock.header, rgb);
    PALSTATE palette{};
    RealizeWindowPalette(s.dc, &palette, rgb, l.bits <= 8 ? 1 << l.bits : 0);
    if (c.argc == 5) {
        ShowTransparentDib(s.dc, NULL, lock.header, x, y, transparent);
    } else {
        const uint8_t *pixels = (const uint8_t *)lock.header + l.pixeloffset;
        GdiObject<HBITMAP> bitmap(
            CreateDIBitmap(s.dc, lock.header, CBM_INIT, pixels, (const BITMAPINFO *)lock.header, DIB_RGB_COLORS));
        MemoryDC memory(s.dc);
        if (memory.Select(bitmap.get()))
            BitBlt(s.dc, x, y, l.width, l.height, memory.dc, 0, 0, SRCCOPY);
    }
    UnrealizeWindowPalette(s.dc, &palette);
    return EndCall(&c, 1);
}

int APPLETGetPictureDimensions(APPLET *a, HWND w)
{
    BEGIN(4, 4);
    int32_t number = IntArg(&c, 0);
    uint32_t keys[3];
    for (int i = 0; i < 3; i++)
        keys[i] = RefArg(&c, i + 1, VT_INTREF);
    int values[3] = {};
    bool found = false;
    if (StockIcon(number)) {
        values[0] = GetSystemMetrics(SM_CXICON);
        values[1] = GetSystemMetrics(SM_CYICON);
        values[2] = 4;
        found = true;
    } else if (GlobalBlock picture{FetchPicture(a, number)}) {
        found = GetBitmapDimensions(picture.get(), &values[0], &values[1], &values[2], nullptr) != 0;
    }
    for (int i = 0; found && !a->error && i < a->variablecount; i++) {
        VALUE *v = &a->variables[i];
        int which = v->name == keys[0] ? 0 : v->name == keys[1] ? 1 : v->name == keys[2] ? 2 : -1;
        if (which < 0)
            continue;
        if (v->type != VT_INTEGER) {
            APPLETRecordError(a, APPLETERR_ASSIGNMENT);
            break;
        }
        v->value = (uint32_t)values[which];
    }
    return EndCall(&c, 1);
}

// ---- frame areas ----

int APPLETSaveScreenArea(APPLET *a, HWND w)
{
    BEGIN(4, 4);
    int32_t v[4];
    for (int i = 0; i < 4; i++)
        v[i] = IntArg(&c, i);
    Surface s(a);
    GdiObject<HBITMAP> area(CopyArea(s.dc, FrameArea(a, v[0], v[1], v[2], v[3])));
    VALUE saved;
    if (!APPLETPush(a, APPLETMakeValue(&saved, VT_SAVEDAREA, (uint32_t)(UINT_PTR)area.get(), 0)))
        area.Release(); // the stack owns it now
    return EndCall(&c, 1);
}

int APPLETRestoreScreenArea(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    int32_t x = Placed(IntArg(&c, 0), a->offsetx), y = Placed(IntArg(&c, 1), a->offsety);
    VALUE v;
    if (APPLETPop(a, &v))
        return EndCall(&c, 1);
    if (!(v.type & VT_SAVEDAREA)) {
        APPLETDiscardValue(a, &v);
        APPLETRecordError(a, APPLETERR_CORRUPTED);
        return EndCall(&c, 1);
    }
    GdiObject<HBITMAP> area((HBITMAP)(UINT_PTR)v.value);
    if (area.get()) {
        Surface s(a);
        if (s.dc)
            PutBitmap(s.dc, area, x, y);
    }
    return EndCall(&c, 1);
}

// The destination is a place in the window: the offset moves only the source.
int APPLETCopyScreenArea(APPLET *a, HWND w)
{
    BEGIN(6, 6);
    int32_t v[6];
    for (int i = 0; i < 6; i++)
        v[i] = IntArg(&c, i);
    Surface s(a);
    GdiObject<HBITMAP> area(CopyArea(s.dc, FrameArea(a, v[2], v[3], v[4], v[5])));
    BOOL drawn = area.get() ? PutBitmap(s.dc, area, std::max(v[0], 0), std::max(v[1], 0)) : FALSE;
    return EndCall(&c, drawn ? 1 : 0);
}

// ---- object texts ----

int APPLETSetObjectText(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    const char *text = TextArg(&c, 0);
    int32_t number = IntArg(&c, 1);
    int32_t length = text ? (int32_t)TextLength(text) : 0;
    if (text) {
        if (char *copy = CopyText(a, text)) {
            HOST(a, setobjecttext, (void)0, number, copy);
            free(copy);
        }
    }
    return EndCall(&c, length);
}

int APPLETGetObjectText(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    uint32_t key = RefArg(&c, 0, VT_STRINGREF);
    int32_t number = IntArg(&c, 1);
    int length = std::max(HOST(a, objecttext, 0, number, nullptr, 0), 0);
    int i = a->error ? -1 : APPLETVariableIndex(a, key);
    if (i >= 0) {
        if (!(a->variables[i].type & VT_STRINGREF)) {
            APPLETRecordError(a, APPLETERR_ASSIGNMENT);
        } else {
            char *text = (size_t)length <= APPLET_MAXSTRING ? (char *)calloc((size_t)length + 16, 1) : nullptr;
            if (!text) {
                APPLETRecordError(a, APPLETERR_MEMORY);
            } else {
                HOST(a, objecttext, 0, number, text, length + 1);
                size_t n = strnlen(text, (size_t)length);
                text[n] = STRING_END;
                WriteString(a, key, text, n + 1);
                free(text);
            }
        }
    }
    return EndCall(&c, length);
}

// ---- sounds ----

int APPLETPlaySoundFunction(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    int32_t number = IntArg(&c, 0);
    HGLOBAL data = NULL;
    int kind = 0;
    OBJECTAPPLETENTRY head{};
    if (number >= 1 && a->appletobject) {
        data = FindNumberedAppletObject(&head, a->appletobject, (unsigned long)number, ENTRY_WAVE);
        if (!data) {
            data = FindNumberedAppletObject(&head, a->appletobject, (unsigned long)number, ENTRY_MIDI);
            kind = 1;
        }
    }
    if (!data) {
        APPLETRecordError(a, APPLETERR_NOTFOUND);
        return EndCall(&c, 0);
    }
    // The player keeps a copy of its own.
    GlobalBlock sound(data);
    return EndCall(&c, HOST(a, playsound, 0, sound.get(), kind) ? 1 : 0);
}

int APPLETKillSoundFunction(APPLET *a, HWND w)
{
    BEGIN(0, 0);
    HOST(a, killsound, (void)0);
    return EndCall(&c, 1);
}

int APPLETIsSoundPlaying(APPLET *a, HWND w)
{
    BEGIN(0, 0);
    return EndCall(&c, HOST(a, soundplaying, 0) ? 1 : 0);
}
