#include "player/sample.h"
#include "common/owners.h"
#include "common/shell.h"
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

} // namespace

SAMPLEDOC::SAMPLEDOC(const char *title, int width, int depth, COLORREF colour)
{
    owner = SampleWindow();
    list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 10, 10, owner, (HMENU)IDC_BLOCKLIST, hInst, NULL);
    CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 1, 1, owner, (HMENU)IDC_UNDOLIST, hInst, NULL);
    seth = GlobalAlloc(GHND, sizeof(BLOCKSET));
    SetWindowLongA(owner, GWL_USERDATA, (LONG)seth);
    set = LockBlockSet(owner);
    CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0);
    snprintf(header.hedr.title, sizeof header.hedr.title, "%s", title);
    header.hedr.width = width;
    header.hedr.depth = depth;
    header.hedr.colour = colour;
    header.hedr.colourselector = 25;
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
    p.page.colourselector = 25;
    return p;
}

HGLOBAL SAMPLEDOC::Add(BLOCK &page, uint32_t tag, RECT r, const char *text, const std::vector<uint8_t> &data)
{
    HGLOBAL source = NULL;
    if (!data.empty()) {
        source = GlobalAlloc(GMEM_MOVEABLE, data.size());
        GlobalLocked<uint8_t> p(source);
        if (!p) {
            if (source)
                GlobalFree(source);
            return NULL;
        }
        memcpy(p.get(), data.data(), data.size());
    }
    HGLOBAL h = CreatePageObject(&page, tag, 0, text ? (LONG_PTR)text : (LONG_PTR)source);
    if (source)
        GlobalFree(source);
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
    HGLOBAL h = CreateDib(width, height, nullptr, 24);
    std::vector<uint8_t> v;
    if (!h)
        return v;
    {
        GlobalLocked<BITMAPINFOHEADER> dib(h);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                unsigned r = (x * 255 / (width ? width : 1) + seed * 40) & 255;
                unsigned g = (y * 255 / (height ? height : 1) + seed * 70) & 255;
                unsigned b = ((x + y) * 2 + seed * 25) & 255;
                PutDibPixel(dib.get(), x, y, RGB(r, g, b));
            }
        const uint8_t *p = (const uint8_t *)dib.get();
        v.assign(p, p + dib.size());
    }
    GlobalFree(h);
    return v;
}

std::vector<uint8_t> SolidPicture(int width, int height, COLORREF colour)
{
    HGLOBAL h = CreateDib(width, height, nullptr, 24);
    std::vector<uint8_t> v;
    if (!h)
        return v;
    {
        GlobalLocked<BITMAPINFOHEADER> dib(h);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                PutDibPixel(dib.get(), x, y, colour);
        const uint8_t *p = (const uint8_t *)dib.get();
        v.assign(p, p + dib.size());
    }
    GlobalFree(h);
    return v;
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
        v.push_back((uint8_t)(128 + 60 * std::sin(i * 2 * 3.14159265 * 440 / RATE)));
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

std::vector<uint8_t> SampleAnimation(int size, int frames)
{
    std::vector<std::vector<uint8_t>> cells;
    for (int i = 0; i < frames; i++)
        cells.push_back(SamplePicture(size, size, (unsigned)i * 3 + 1));
    std::vector<uint8_t> v(sizeof(ANIMHEADER) + sizeof(OBJECTANIMFRAME) * frames);
    ANIMHEADER head{};
    head.width = size;
    head.height = size;
    head.frames = (uint32_t)frames;
    memcpy(v.data(), &head, sizeof head);
    for (int i = 0; i < frames; i++) {
        OBJECTANIMFRAME f{};
        f.offset = (uint32_t)v.size();
        f.size = (uint32_t)cells[i].size();
        f.delay = 150;
        memcpy(&v[sizeof head + sizeof f * i], &f, sizeof f);
        v.insert(v.end(), cells[i].begin(), cells[i].end());
    }
    return v;
}

std::vector<uint8_t> SampleMovie(int width, int height, uint32_t *picturesize, uint32_t *moviesize)
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
        info.dwSuggestedBufferSize = (DWORD)width * height * 3;
        SetRect(&info.rcFrame, 0, 0, width, height);
        PAVISTREAM stream = NULL;
        if (AVIFileCreateStreamA(file, &stream, &info) == 0) {
            written = true;
            for (int i = 0; i < 4 && written; i++) {
                std::vector<uint8_t> frame = SamplePicture(width, height, (unsigned)i * 5);
                auto *bi = (BITMAPINFOHEADER *)frame.data();
                if (i == 0)
                    written = AVIStreamSetFormat(stream, 0, bi, sizeof *bi) == 0;
                written = written && AVIStreamWrite(stream, i, 1, frame.data() + sizeof *bi,
                                                    (LONG)(frame.size() - sizeof *bi), AVIIF_KEYFRAME, NULL,
                                                    NULL) == 0;
            }
            AVIStreamRelease(stream);
        }
        AVIFileRelease(file);
    }
    AVIFileExit();
    long image = 0, movie = 0;
    HGLOBAL h = written ? LoadMovie(NULL, path, &image, &movie) : NULL;
    DeleteFileA(path);
    if (!h)
        return v;
    {
        GlobalLocked<uint8_t> p(h);
        if (p && image > 0 && movie > 0 && (SIZE_T)(image + movie) <= p.size()) {
            v.assign(p.get(), p.get() + image + movie);
            *picturesize = (uint32_t)image;
            *moviesize = (uint32_t)movie;
        }
    }
    GlobalFree(h);
    return v;
}

const char SAMPLESCRIPT[] = "; Draws a growing bar, then moves on to the next page.\n"
                            "declareint(@x,0)\n"
                            "setpencolor(16777215,2)\n"
                            "setbrushcolor(makecolor(255,200,0))\n"
                            ":grow\n"
                            "clearframe()\n"
                            "fillrect(0,10,@x,40)\n"
                            "line(0,45,@x,45)\n"
                            "inc(@x,8)\n"
                            "sleep(60)\n"
                            "if(islessthan(@x,160),:grow)\n"
                            "jumptopage(3)\n";

int WriteSamplePresentation(const char *path)
{
    SAMPLEDOC doc("Sample presentation", 640, 480, RGB(16, 24, 64));
    doc.header.hedr.flags |= HEDR_PROGRESS | WS_MINIMIZEBOX;
    doc.Add(doc.header, TAG_WAVE, RECT{0, 0, 0, 0}, nullptr, SampleWave());

    // Page 1: the controls, text, a frame, a static picture and a wave sound.
    BLOCK &welcome = doc.Page("Welcome", RGB(32, 48, 96));
    if (HGLOBAL t = doc.Add(welcome, TAG_TEXT, RECT{20, 16, 620, 80}, "A sample presentation")) {
        GlobalLocked<OBJECTTEXT> o(t);
        snprintf(o->face, sizeof o->face, "Arial");
        o->size = 36;
        o->weight = 700;
        o->colour = RGB(255, 255, 200);
    }
    if (HGLOBAL f = doc.Add(welcome, TAG_FRAM, RECT{20, 96, 300, 300})) {
        GlobalLocked<OBJECTFRAME> o(f);
        o->type = 2;
        o->primary = RGB(255, 255, 255);
        o->secondary = RGB(0, 0, 0);
        o->interior = RGB(60, 80, 140);
        o->thickness = 3;
    }
    doc.Add(welcome, TAG_CHEC, RECT{40, 116, 280, 140}, "A check box");
    doc.Add(welcome, TAG_RDIO, RECT{40, 148, 280, 172}, "A radio button");
    doc.Add(welcome, TAG_EDIT, RECT{40, 184, 280, 208}, "An edit field");
    // The items are the list's data, each with its zero byte.
    const char items[] = "First item\0Second item\0Third item\0";
    if (HGLOBAL l = doc.Add(welcome, TAG_LIST, RECT{40, 216, 280, 290}))
        doc.SetData(welcome, l, items, sizeof items - 1);
    doc.Add(welcome, TAG_STAT, RECT{340, 96, 600, 296}, nullptr, SamplePicture(260, 200, 7));
    doc.Add(welcome, TAG_WAVE, RECT{340, 310, 372, 342}, nullptr, SampleWave());
    if (HGLOBAL b = doc.Add(welcome, TAG_BUTN, RECT{500, 420, 620, 456}, "Next")) {
        GlobalLocked<OBJECTBUTTON> o(b);
        o->action = ACTION_NEXTPAGE;
    }

    // Page 2: one picture for each transition effect.
    BLOCK &effects = doc.Page("Effects", RGB(0, 0, 0));
    for (int i = 0; i < MAXEFFECT; i++) {
        int x = 16 + (i % 4) * 156, y = 16 + (i / 4) * 136;
        if (HGLOBAL h = doc.Add(effects, TAG_IMAG, RECT{x, y, x + 144, y + 120}, nullptr,
                                SamplePicture(144, 120, (unsigned)i))) {
            GlobalLocked<OBJECTIMAGE> o(h);
            o->appear = (uint32_t)i;
            o->disappear = (uint32_t)((i + 5) % MAXEFFECT);
            o->speed = 70;
            o->wait = 3;
            o->clearscreen = 0;
        }
    }
    if (HGLOBAL b = doc.Add(effects, TAG_BUTN, RECT{500, 430, 620, 466}, "Next")) {
        GlobalLocked<OBJECTBUTTON> o(b);
        o->action = ACTION_NEXTPAGE;
    }

    // Page 3: an applet that draws and then moves on, MIDI music.
    BLOCK &applet = doc.Page("Applet", RGB(40, 0, 40));
    if (HGLOBAL a = doc.Add(applet, TAG_APPL, RECT{40, 40, 600, 200})) {
        HGLOBAL withscript = AppendAppletEntry(a, SAMPLESCRIPT, (unsigned long)strlen(SAMPLESCRIPT) + 1,
                                               ENTRY_TEXT, 1);
        if (withscript) {
            PutPageObject(&applet, withscript, BlockObjectCount(&applet) - 1);
            GlobalFree(a);
        }
    }
    doc.Add(applet, TAG_MIDI, RECT{40, 220, 72, 252}, nullptr, SampleMidi());

    // Page 4: an animation, a movie and a timer that goes back to the start.
    BLOCK &moving = doc.Page("Animation and movie", RGB(0, 40, 40));
    if (HGLOBAL h = doc.Add(moving, TAG_ANIM, RECT{40, 40, 136, 136}, nullptr, SampleAnimation(96, 6))) {
        GlobalLocked<OBJECTANIM> o(h);
        o->frames = 6;
    }
    uint32_t picture = 0, movie = 0;
    std::vector<uint8_t> film = SampleMovie(160, 120, &picture, &movie);
    if (!film.empty())
        if (HGLOBAL h = doc.Add(moving, TAG_MOVI, RECT{200, 40, 360, 160}, nullptr, film)) {
            GlobalLocked<OBJECTMOVIE> o(h);
            o->avioffset = picture;
            o->avilength = movie;
        }
    if (HGLOBAL t = doc.Add(moving, TAG_TIME, RECT{40, 400, 72, 432})) {
        GlobalLocked<OBJECTTIMER> o(t);
        o->action = ACTION_FIRSTPAGE;
        o->delay = 20;
    }
    if (HGLOBAL b = doc.Add(moving, TAG_BUTN, RECT{500, 430, 620, 466}, "Quit")) {
        GlobalLocked<OBJECTBUTTON> o(b);
        o->action = ACTION_QUIT;
    }
    return doc.Save(path) ? 1 : 0;
}
