#include "player/sample.h"
#include "common/owners.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/applet.h"
#include "document/objects.h"
#include "document/writer.h"
#include "media/dib.h"
#include "media/loaders.h"
#include "runtime/messages.h"
#include "runtime/transition.h"
#include <vfw.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

namespace {

const char SAMPLECLASS[] = "SbSampleDocument";

HWND SampleWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = hInst;
        wc.lpszClassName = SAMPLECLASS;
        registered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowExA(0, SAMPLECLASS, "", WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL, hInst, NULL);
}

void Put32(std::vector<uint8_t> &v, uint32_t x)
{
    for (int i = 0; i < 4; i++)
        v.push_back((uint8_t)(x >> (8 * i)));
}

// A packed DIB of `w` by `h` drawn pixel by pixel by `pixel(x, y)`; empty
// when memory fails.
template <class F> std::vector<uint8_t> Painted(int w, int h, F pixel)
{
    std::vector<uint8_t> v;
    GlobalBlock block(CreateDib(w, h, nullptr, 24));
    GlobalLocked<BITMAPINFOHEADER> dib(block);
    if (!dib)
        return v;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            PutDibPixel(dib.get(), x, y, pixel(x, y));
    const uint8_t *p = (const uint8_t *)dib.get();
    v.assign(p, p + dib.size());
    return v;
}

} // namespace

SAMPLEDOC::SAMPLEDOC(const char *title, int width, int depth, COLORREF colour)
{
    owner = SampleWindow();
    list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 10, 10, owner, (HMENU)IDC_BLOCKLIST, hInst, NULL);
    CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 1, 1, owner, (HMENU)IDC_UNDOLIST, hInst, NULL);
    seth = GlobalAlloc(GHND, sizeof(BLOCKSET));
    SetWindowValue(owner, GWLP_USERDATA, seth);
    set = LockBlockSet(owner);
    CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0);
    snprintf(header.hedr.title, sizeof header.hedr.title, "%s", title);
    header.hedr.width = width;
    header.hedr.depth = depth;
    header.hedr.colour = colour;
    header.hedr.colourselector = COLOURSELECTOR_CUSTOM;
    header.hedr.flags = HEDR_FIXEDCLIENT | WS_CAPTION | WS_SYSMENU;
    header.hedr.created = 1234567890;
    snprintf(header.hedr.about, sizeof header.hedr.about, "%s", "A presentation made by the sample builder.");
}

SAMPLEDOC::~SAMPLEDOC()
{
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) > 0) {
        FreeBlocks(owner, set);
    } else {
        DestroyBlock(&header);
        for (BLOCK &p : pages)
            DestroyBlock(&p);
    }
    FreeUndo(owner, set);
    UnlockBlockSet(owner);
    GlobalFree(seth);
    DestroyWindow(owner);
}

BLOCK &SAMPLEDOC::Page(const char *title, COLORREF colour)
{
    pages.emplace_back();
    BLOCK &p = pages.back();
    CreateBlock(owner, set, &p, TAG_PAGE, nullptr, 0);
    snprintf(p.page.title, sizeof p.page.title, "%s", title);
    p.page.colour = colour;
    p.page.colourselector = COLOURSELECTOR_CUSTOM;
    return p;
}

HGLOBAL SAMPLEDOC::Add(BLOCK &page, uint32_t tag, RECT r, const char *text, const std::vector<uint8_t> &data)
{
    GlobalBlock source;
    if (!data.empty()) {
        source = GlobalBlock::Alloc(data.size());
        GlobalLocked<uint8_t> p(source);
        if (!p)
            return NULL;
        memcpy(p.get(), data.data(), data.size());
    }
    HGLOBAL h = CreatePageObject(&page, tag, 0, text ? (LONG_PTR)text : (LONG_PTR)source.get());
    if (!h)
        return NULL;
    {
        GlobalLocked<OBJECTHEADER> o(h);
        o->rect = r;
    }
    if (!AppendPageObject(&page, h)) {
        GlobalFree(h);
        return NULL;
    }
    return h;
}

HGLOBAL SAMPLEDOC::SetData(BLOCK &page, HGLOBAL object, const void *data, size_t size)
{
    int index = -1;
    for (uint32_t i = 0, n = BlockObjectCount(&page); i < n; i++)
        if (GetPageObject(&page, i) == object)
            index = (int)i;
    if (index < 0)
        return NULL;
    HGLOBAL h;
    {
        GlobalLocked<OBJECTHEADER> o(object);
        if (!o)
            return NULL;
        OBJECTHEADER head = *o.get();
        head.datasize = (uint32_t)size;
        head.totalsize = head.fixedsize + head.datasize;
        h = NewGlobal(head.totalsize + OBJECTSLACK, o.get(), head.fixedsize, data, size);
        if (!h)
            return NULL;
        *GlobalLocked<OBJECTHEADER>(h).get() = head;
    }
    PutPageObject(&page, h, (unsigned)index);
    GlobalFree(object);
    return h;
}

bool SAMPLEDOC::Save(const char *path)
{
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) == 0) {
        if (AppendBlock(list, set, &header) <= 0)
            return false;
        for (BLOCK &p : pages)
            if (AppendBlock(list, set, &p) <= 0)
                return false;
    }
    return WriteExeFile(list, set, path) == 1;
}

std::vector<uint8_t> SamplePicture(int width, int height, unsigned seed)
{
    return Painted(width, height, [&](int x, int y) {
        unsigned r = (x * 255 / (width ? width : 1) + seed * 40) & 255;
        unsigned g = (y * 255 / (height ? height : 1) + seed * 70) & 255;
        unsigned b = ((x + y) * 2 + seed * 25) & 255;
        return RGB(r, g, b);
    });
}

std::vector<uint8_t> SolidPicture(int width, int height, COLORREF colour)
{
    return Painted(width, height, [&](int, int) { return colour; });
}

std::vector<uint8_t> SampleWave()
{
    constexpr uint32_t RATE = 11025;
    std::vector<uint8_t> v;
    v.push_back(1), v.push_back(0); // PCM
    v.push_back(1), v.push_back(0); // mono
    Put32(v, RATE);
    Put32(v, RATE);
    v.push_back(1), v.push_back(0); // block alignment
    v.push_back(8), v.push_back(0); // bits per sample
    for (uint32_t i = 0; i < RATE / 2; i++)
        v.push_back((uint8_t)(128 + 60 * std::sin(i * 2 * std::numbers::pi * 440 / RATE)));
    return v;
}

std::vector<uint8_t> SampleMidi()
{
    const uint8_t head[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
    const uint8_t notes[] = {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0x90, 64, 100, 0x60, 0x80, 64, 0,
                             0x00, 0x90, 67, 100, 0x60, 0x80, 67, 0, 0x00, 0xFF, 0x2F, 0x00};
    std::vector<uint8_t> v;
    for (uint8_t b : head)
        v.push_back(b);
    for (char c : {'M', 'T', 'r', 'k'})
        v.push_back((uint8_t)c);
    uint32_t n = sizeof notes;
    for (int i = 3; i >= 0; i--)
        v.push_back((uint8_t)(n >> (8 * i)));
    for (uint8_t b : notes)
        v.push_back(b);
    return v;
}

// An animation block: its header, one frame entry per cell, then the cells.
static std::vector<uint8_t> PackAnimation(int size, const std::vector<std::vector<uint8_t>> &cells,
                                          uint32_t flags, uint32_t delay, uint32_t transparent)
{
    std::vector<uint8_t> v(sizeof(ANIMHEADER) + sizeof(OBJECTANIMFRAME) * cells.size());
    ANIMHEADER head{};
    head.width = size;
    head.height = size;
    head.frames = (uint32_t)cells.size();
    memcpy(v.data(), &head, sizeof head);
    for (size_t i = 0; i < cells.size(); i++) {
        OBJECTANIMFRAME f{};
        f.offset = (uint32_t)v.size();
        f.size = (uint32_t)cells[i].size();
        f.flags = flags;
        f.delay = delay;
        f.transparent = transparent;
        memcpy(&v[sizeof head + sizeof f * i], &f, sizeof f);
        v.insert(v.end(), cells[i].begin(), cells[i].end());
    }
    return v;
}

std::vector<uint8_t> SampleAnimation(int size, int frames)
{
    std::vector<std::vector<uint8_t>> cells;
    for (int i = 0; i < frames; i++)
        cells.push_back(SamplePicture(size, size, (unsigned)i * 3 + 1));
    return PackAnimation(size, cells, 0, 150, 0);
}

std::vector<uint8_t> SampleMovie(int width, int height, uint32_t *picturesize, uint32_t *moviesize, int frames)
{
    char folder[MAX_PATH], path[MAX_PATH];
    std::vector<uint8_t> v;
    if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "sbm", 0, path))
        return v;
    DeleteFileA(path);
    strcat(path, ".avi");
    bool written = false;
    AVIFileInit();
    PAVIFILE file = NULL;
    if (AVIFileOpenA(&file, path, OF_CREATE | OF_WRITE, NULL) == 0) {
        AVISTREAMINFOA info{};
        info.fccType = streamtypeVIDEO;
        info.dwScale = 1;
        info.dwRate = 4;
        info.dwSuggestedBufferSize = (DWORD)width * height * 4;
        SetRect(&info.rcFrame, 0, 0, width, height);
        PAVISTREAM stream = NULL;
        if (AVIFileCreateStreamA(file, &stream, &info) == 0) {
            written = true;
            for (int i = 0; i < frames && written; i++) {
                // The sun climbs across the sky.
                std::vector<uint8_t> frame = ScenePicture(width, height, 0, -0.5 + 0.5 * i / frames);
                // Frames of 32 bits: Wine's movie device hands uncompressed
                // frames to a codec that copies their bytes unchanged into a
                // picture of the screen's depth, so frames of 24 bits show
                // there as grey stripes, repeated across. Frames of 32 bits,
                // the depth of today's screens, show as they are, there and
                // on Windows alike.
                BITMAPINFOHEADER bi = *(const BITMAPINFOHEADER *)frame.data();
                const size_t row24 = ((size_t)width * 3 + 3) & ~(size_t)3, row32 = (size_t)width * 4;
                if (bi.biBitCount != 24 || frame.size() < sizeof bi + row24 * height) {
                    written = false;
                    break;
                }
                std::vector<uint8_t> bits(row32 * height, 0);
                for (int y = 0; y < height; y++)
                    for (int x = 0; x < width; x++)
                        memcpy(&bits[row32 * y + 4 * x], &frame[sizeof bi + row24 * y + 3 * x], 3);
                bi.biBitCount = 32;
                bi.biSizeImage = (DWORD)bits.size();
                if (i == 0)
                    written = AVIStreamSetFormat(stream, 0, &bi, sizeof bi) == 0;
                written = written && AVIStreamWrite(stream, i, 1, bits.data(), (LONG)bits.size(), AVIIF_KEYFRAME,
                                                    NULL, NULL) == 0;
            }
            AVIStreamRelease(stream);
        }
        AVIFileRelease(file);
    }
    AVIFileExit();
    long image = 0, movie = 0;
    GlobalBlock loaded(written ? LoadMovie(NULL, path, &image, &movie) : NULL);
    DeleteFileA(path);
    GlobalLocked<uint8_t> p(loaded);
    if (p && image > 0 && movie > 0 && (SIZE_T)(image + movie) <= p.size()) {
        v.assign(p.get(), p.get() + image + movie);
        *picturesize = (uint32_t)image;
        *moviesize = (uint32_t)movie;
    }
    return v;
}

namespace {

double Mix(double a, double b, double t) { return a + (b - a) * t; }

COLORREF MixColour(COLORREF a, COLORREF b, double t)
{
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return RGB((int)Mix(GetRValue(a), GetRValue(b), t), (int)Mix(GetGValue(a), GetGValue(b), t),
               (int)Mix(GetBValue(a), GetBValue(b), t));
}

// Times of day and places for the sample's landscapes.
struct LOOK {
    COLORREF skytop, skybottom, sun, hills, ground, canopy;
    bool lake, trees, stars;
    double sunx, suny;
};

const LOOK LOOKS[] = {
    {RGB(90, 150, 230), RGB(200, 225, 250), RGB(255, 240, 180), RGB(110, 150, 190), RGB(70, 140, 60), RGB(30, 90, 40), false, true, false, 0.75, 0.22},
    {RGB(60, 40, 110), RGB(250, 150, 80), RGB(255, 210, 100), RGB(120, 70, 110), RGB(60, 40, 60), RGB(40, 25, 40), true, false, false, 0.5, 0.52},
    {RGB(40, 110, 220), RGB(170, 210, 250), RGB(255, 255, 220), RGB(90, 130, 170), RGB(50, 120, 50), RGB(25, 80, 35), true, true, false, 0.25, 0.18},
    {RGB(5, 10, 40), RGB(30, 50, 110), RGB(240, 240, 210), RGB(30, 40, 70), RGB(15, 25, 35), RGB(10, 15, 20), true, false, true, 0.7, 0.2},
    {RGB(120, 140, 210), RGB(250, 190, 190), RGB(255, 230, 200), RGB(150, 140, 180), RGB(90, 120, 80), RGB(50, 80, 50), false, true, false, 0.3, 0.48},
    {RGB(100, 160, 220), RGB(230, 220, 200), RGB(255, 245, 200), RGB(160, 120, 80), RGB(170, 100, 40), RGB(190, 80, 20), false, true, false, 0.8, 0.25},
    {RGB(150, 180, 210), RGB(235, 240, 250), RGB(255, 255, 240), RGB(190, 200, 220), RGB(240, 245, 250), RGB(60, 90, 80), false, true, false, 0.2, 0.3},
    {RGB(80, 140, 220), RGB(240, 220, 170), RGB(255, 250, 210), RGB(210, 150, 90), RGB(230, 190, 120), RGB(0, 0, 0), false, false, false, 0.6, 0.2},
    {RGB(70, 140, 230), RGB(190, 220, 250), RGB(255, 250, 200), RGB(90, 160, 90), RGB(40, 130, 40), RGB(20, 85, 30), false, true, false, 0.15, 0.2},
    {RGB(70, 80, 100), RGB(150, 160, 170), RGB(210, 210, 200), RGB(80, 90, 100), RGB(60, 80, 60), RGB(35, 55, 40), true, false, false, 0.8, 0.3},
    {RGB(40, 30, 90), RGB(200, 110, 150), RGB(255, 220, 150), RGB(80, 60, 110), RGB(40, 30, 60), RGB(25, 20, 40), true, true, false, 0.4, 0.58},
    {RGB(30, 150, 230), RGB(150, 220, 250), RGB(255, 255, 200), RGB(40, 140, 120), RGB(230, 210, 150), RGB(0, 0, 0), true, false, false, 0.7, 0.2},
};
constexpr int LOOKCOUNT = (int)(sizeof LOOKS / sizeof LOOKS[0]);

// The colour of pixel (x, y) of a landscape `w` by `h`: sky with a sun,
// far hills in the haze, then a lake or near hills, trees standing on the
// nearest ground. `sunshift` moves the sun along its path.
COLORREF ScenePixel(const LOOK &l, int look, int x, int y, int w, int h, double sunshift)
{
    const double pi = std::numbers::pi, fx = (double)x / w;
    const double horizon = 0.6 * h;
    double sx = (l.sunx + sunshift) * w, sy = (l.suny + 0.3 * sunshift * sunshift) * h;
    double r = 0.08 * (w < h ? w : h) + 2;
    double d = std::sqrt((x - sx) * (x - sx) + (y - sy) * (y - sy));
    COLORREF c = MixColour(l.skytop, l.skybottom, y / horizon);
    if (l.stars && (((unsigned)x * 73856093u ^ (unsigned)y * 19349663u) % 173u) == 0)
        c = RGB(230, 230, 255);
    if (d < r)
        c = l.sun;
    else if (d < 3 * r)
        c = MixColour(c, l.sun, 0.45 * (1 - (d - r) / (2 * r)));
    double hilltop = horizon - h * (0.11 + 0.05 * std::sin(fx * 2 * pi * 1.2 + look) + 0.03 * std::sin(fx * 2 * pi * 3.1 + 2 * look));
    if (y >= hilltop)
        c = MixColour(l.hills, l.skybottom, 0.25 * (1 - (y - hilltop) / (horizon - hilltop + 1)));
    double shore;
    if (l.lake) {
        shore = h * (0.86 + 0.05 * std::sin(fx * 2 * pi * 0.9 + look * 1.3));
        if (y >= horizon && y < shore) {
            double t = (y - horizon) / (shore - horizon + 1);
            c = MixColour(MixColour(l.skybottom, l.skytop, t), RGB(0, 0, 0), 0.2);
            if (std::fabs(x - sx) < r * (1.3 - 0.5 * t) && ((y / 2) % 2) == 0)
                c = MixColour(c, l.sun, 0.6);
        }
    } else {
        shore = horizon + h * (0.04 + 0.06 * std::sin(fx * 2 * pi * 0.8 + look * 1.7));
    }
    if (y >= shore)
        c = MixColour(l.ground, RGB(0, 0, 0), 0.35 * (y - shore) / (h - shore + 1));
    if (!l.trees)
        return c;
    for (int k = 0; k < 5; k++) {
        double tx = w * (0.08 + 0.21 * k + 0.04 * std::sin(look + k * 1.9));
        double base = l.lake ? h * (0.86 + 0.05 * std::sin(tx / w * 2 * pi * 0.9 + look * 1.3))
                             : horizon + h * (0.04 + 0.06 * std::sin(tx / w * 2 * pi * 0.8 + look * 1.7));
        base += 3;
        double th = h * (0.2 + 0.05 * std::sin(k * 2.3 + look));
        double top = base - th, crown = base - th * 0.22;
        if (y >= top && y < crown && std::fabs(x - tx) <= (y - top) / (crown - top) * th * 0.3)
            return MixColour(l.canopy, RGB(255, 255, 255), x < tx ? 0.15 : 0);
        if (y >= crown && y < base && std::fabs(x - tx) <= th * 0.04 + 0.5)
            return RGB(90, 60, 30);
    }
    return c;
}

} // namespace

std::vector<uint8_t> ScenePicture(int width, int height, int look, double sunshift)
{
    look = ((look % LOOKCOUNT) + LOOKCOUNT) % LOOKCOUNT;
    return Painted(width, height,
                   [&](int x, int y) { return ScenePixel(LOOKS[look], look, x, y, width, height, sunshift); });
}

std::vector<uint8_t> BallAnimation(int size, int frames, COLORREF transparent)
{
    std::vector<std::vector<uint8_t>> cells;
    const double radius = size * 0.16;
    for (int i = 0; i < frames; i++) {
        // Across and back once, bouncing twice on the way.
        double t = (double)i / frames, across = t < 0.5 ? 2 * t : 2 - 2 * t;
        double cx = radius + 1 + across * (size - 2 * radius - 2);
        double hop = std::fabs(std::sin(t * 2 * std::numbers::pi * 2));
        double cy = size - radius - 2 - hop * (size * 0.6);
        cells.push_back(Painted(size, size, [&](int x, int y) -> COLORREF {
            double dx = (x - cx) / radius, dy = (y - cy) / radius, d2 = dx * dx + dy * dy;
            if (d2 > 1)
                return transparent;
            // Lit from the upper left.
            double light = 0.35 + 0.65 * std::sqrt(1 - d2) * (1 - 0.35 * (dx + dy));
            light = light < 0 ? 0 : light > 1.25 ? 1.25 : light;
            COLORREF base = RGB(230, 70, 50);
            return light > 1 ? MixColour(base, RGB(255, 255, 255), light - 1)
                             : MixColour(RGB(40, 0, 0), base, light);
        }));
    }
    return PackAnimation(size, cells, ANIMFRAME_TRANSPARENT | ANIMFRAME_RESTORE, 70, transparent);
}

const char SAMPLESCRIPT[] = "; Four bars grow in turn under a heading, then it all starts again.\n"
                            "declareint(@x,0)\n"
                            "declareint(@bar,0)\n"
                            "setfont(\"Arial\",22,1,0,0)\n"
                            "settextforecolor(16777215)\n"
                            "settexttransparent(1)\n"
                            ":again\n"
                            "clearframe()\n"
                            "setposition(12,6)\n"
                            "print(\"These bars are drawn by the applet's script\")\n"
                            "dec(@bar,@bar)\n"
                            ":nextbar\n"
                            "dec(@x,@x)\n"
                            "setbrushcolor(makecolor(255,sub(200,mul(@bar,45)),mul(@bar,70)))\n"
                            ":grow\n"
                            "fillrect(0,add(44,mul(@bar,40)),@x,add(74,mul(@bar,40)))\n"
                            "inc(@x,28)\n"
                            "sleep(20)\n"
                            "if(islessthan(@x,560),:grow)\n"
                            "inc(@bar)\n"
                            "if(islessthan(@bar,4),:nextbar)\n"
                            "sleep(700)\n"
                            "goto(:again)\n";

namespace {

constexpr COLORREF WHITE = RGB(255, 255, 255);

HGLOBAL AddText(SAMPLEDOC &doc, BLOCK &page, RECT r, const char *text, int size, int weight, COLORREF colour,
                uint32_t flags = 0)
{
    HGLOBAL t = doc.Add(page, TAG_TEXT, r, text);
    if (t) {
        GlobalLocked<OBJECTTEXT> o(t);
        snprintf(o->face, sizeof o->face, "Arial");
        o->size = size;
        o->weight = weight;
        o->colour = colour;
        o->padding = 0;
        o->offset = 6;
        // Drawn straight on the page, smoothed.
        o->header.flags |= OBJ_TRANSPARENT | OBJ_GRAPHIC | flags;
    }
    return t;
}

// A page's heading: large, white, with a shadow, centred.
void AddHeading(SAMPLEDOC &doc, BLOCK &page, const char *text)
{
    AddText(doc, page, RECT{20, 10, 620, 58}, text, 34, 700, WHITE, OBJ_CENTRED | OBJ_REMAP);
}

void AddButton(SAMPLEDOC &doc, BLOCK &page, RECT r, const char *title, uint32_t action)
{
    if (HGLOBAL b = doc.Add(page, TAG_BUTN, r, title)) {
        GlobalLocked<OBJECTBUTTON> o(b);
        o->action = action;
    }
}

// Back and Next along the foot of a page.
void AddNavigation(SAMPLEDOC &doc, BLOCK &page, bool back, bool next)
{
    if (back)
        AddButton(doc, page, RECT{380, 432, 492, 464}, "< Back", ACTION_PREVIOUSPAGE);
    if (next)
        AddButton(doc, page, RECT{504, 432, 616, 464}, "Next >", ACTION_NEXTPAGE);
}

HGLOBAL WithData(SAMPLEDOC &doc, BLOCK &page, uint32_t tag, RECT r, const std::vector<uint8_t> &data)
{
    HGLOBAL h = doc.Add(page, tag, r);
    return h ? doc.SetData(page, h, data.data(), data.size()) : NULL;
}

// The first page: text, a frame around the form controls, a picture, a sound.
void AddWelcomePage(SAMPLEDOC &doc)
{
    BLOCK &welcome = doc.Page("Welcome", RGB(32, 48, 96));
    AddHeading(doc, welcome, "A sample presentation");
    AddText(doc, welcome, RECT{20, 62, 620, 110},
            "Every kind of page object on four pages: text, pictures with transition effects, sounds, music, an "
            "animation, a movie, a timer, form controls and an applet. The buttons at the foot of each page lead "
            "through it.",
            16, 400, RGB(210, 220, 250), OBJ_CENTRED);
    if (HGLOBAL f = doc.Add(welcome, TAG_FRAM, RECT{20, 124, 300, 352})) {
        GlobalLocked<OBJECTFRAME> o(f);
        o->type = 2;
        o->primary = RGB(150, 170, 220);
        o->secondary = RGB(10, 16, 40);
        o->interior = RGB(52, 72, 130);
        o->thickness = 2;
    }
    AddText(doc, welcome, RECT{36, 134, 284, 156}, "Form controls", 18, 700, WHITE);
    doc.Add(welcome, TAG_CHEC, RECT{36, 162, 284, 184}, "A check box");
    doc.Add(welcome, TAG_RDIO, RECT{36, 190, 284, 212}, "A radio button");
    doc.Add(welcome, TAG_EDIT, RECT{36, 220, 284, 244}, "An edit field: type here");
    // The items are the list's data, each with its zero byte.
    const char items[] = "First item\0Second item\0Third item\0Fourth item\0";
    WithData(doc, welcome, TAG_LIST, RECT{36, 256, 284, 336}, std::vector<uint8_t>(items, items + sizeof items - 1));
    doc.Add(welcome, TAG_STAT, RECT{330, 124, 620, 334}, nullptr, ScenePicture(290, 210, 2));
    AddText(doc, welcome, RECT{330, 340, 620, 400},
            "A picture, and a short tone played by a sound object as the page opens.", 16, 400,
            RGB(210, 220, 250), OBJ_CENTRED);
    doc.Add(welcome, TAG_WAVE, RECT{330, 404, 362, 436}, nullptr, SampleWave());
    AddNavigation(doc, welcome, false, true);
}

// The second page: one picture for each transition effect, each coming and
// going for as long as the page shows.
void AddEffectsPage(SAMPLEDOC &doc)
{
    BLOCK &effects = doc.Page("Effects", RGB(12, 12, 28));
    AddHeading(doc, effects, "Twelve transition effects");
    for (int i = 0; i < MAXEFFECT; i++) {
        int x = 16 + (i % 4) * 154, y = 62 + (i / 4) * 120;
        if (HGLOBAL h = doc.Add(effects, TAG_IMAG, RECT{x, y, x + 146, y + 92}, nullptr, ScenePicture(146, 92, i))) {
            GlobalLocked<OBJECTIMAGE> o(h);
            o->header.flags |= OBJ_LOOP;
            o->appear = (uint32_t)i;
            o->disappear = (uint32_t)i;
            o->speed = 72;
            o->wait = 2;
            o->clearscreen = 0;
        }
        AddText(doc, effects, RECT{x, y + 94, x + 146, y + 114}, effect[i].name, 15, 700, RGB(230, 230, 160),
                OBJ_CENTRED);
    }
    AddNavigation(doc, effects, true, true);
}

// The third page: an applet that draws over and over, and MIDI music.
void AddAppletPage(SAMPLEDOC &doc)
{
    BLOCK &applet = doc.Page("Applet", RGB(40, 16, 56));
    AddHeading(doc, applet, "An applet");
    if (HGLOBAL a = doc.Add(applet, TAG_APPL, RECT{40, 70, 600, 270})) {
        HGLOBAL withscript = AppendAppletEntry(a, SAMPLESCRIPT, (unsigned long)strlen(SAMPLESCRIPT) + 1,
                                               ENTRY_TEXT, 1);
        if (withscript) {
            PutPageObject(&applet, withscript, BlockObjectCount(&applet) - 1);
            GlobalFree(a);
        }
    }
    AddText(doc, applet, RECT{40, 290, 600, 380},
            "An applet runs a small script of its own on the page: it can draw, write, play sounds and move "
            "through the presentation. A MIDI music object plays three notes as the page opens.",
            16, 400, RGB(225, 210, 240), OBJ_CENTRED);
    doc.Add(applet, TAG_MIDI, RECT{40, 392, 72, 424}, nullptr, SampleMidi());
    AddNavigation(doc, applet, true, true);
}

// The last page: an animation, a movie and a timer that goes back to the start.
void AddMovingPage(SAMPLEDOC &doc)
{
    BLOCK &moving = doc.Page("Animation and movie", RGB(0, 40, 40));
    AddHeading(doc, moving, "An animation and a movie");
    if (HGLOBAL h = doc.Add(moving, TAG_ANIM, RECT{60, 110, 220, 270}, nullptr,
                            BallAnimation(160, 24, RGB(255, 0, 255)))) {
        GlobalLocked<OBJECTANIM> o(h);
        o->frames = 24;
    }
    uint32_t picture = 0, movie = 0;
    std::vector<uint8_t> film = SampleMovie(240, 180, &picture, &movie);
    if (!film.empty())
        if (HGLOBAL h = doc.Add(moving, TAG_MOVI, RECT{340, 100, 580, 280}, nullptr, film)) {
            GlobalLocked<OBJECTMOVIE> o(h);
            o->avioffset = picture;
            o->avilength = movie;
        }
    AddText(doc, moving, RECT{40, 300, 600, 360},
            "A bouncing ball, the animation, and a sunrise, the movie. After twenty seconds a timer object goes "
            "back to the first page.",
            16, 400, WHITE, OBJ_CENTRED);
    if (HGLOBAL t = doc.Add(moving, TAG_TIME, RECT{40, 400, 72, 432})) {
        GlobalLocked<OBJECTTIMER> o(t);
        o->action = ACTION_FIRSTPAGE;
        o->delay = 20;
    }
    AddNavigation(doc, moving, true, false);
    AddButton(doc, moving, RECT{24, 432, 136, 464}, "Start again", ACTION_FIRSTPAGE);
    AddButton(doc, moving, RECT{504, 432, 616, 464}, "Quit", ACTION_QUIT);
}

} // namespace

int WriteSamplePresentation(const char *path)
{
    SAMPLEDOC doc("Sample presentation", 640, 480, RGB(16, 24, 64));
    doc.header.hedr.flags |= HEDR_PROGRESS | WS_MINIMIZEBOX;
    doc.Add(doc.header, TAG_WAVE, RECT{0, 0, 0, 0}, nullptr, SampleWave());
    AddWelcomePage(doc);
    AddEffectsPage(doc);
    AddAppletPage(doc);
    AddMovingPage(doc);
    return doc.Save(path) ? 1 : 0;
}
