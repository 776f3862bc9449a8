#include "tests/applet/applethost.h"
#include <cstdarg>
#include <cstdio>

namespace applettest {

FakeHost *fake;

namespace {

void Note(const char *format, ...)
{
    char text[2200];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    fake->log += text;
}

int Alive(APPLET *) { return fake->alive; }

HWND Lock(APPLET *, int id, OBJECTHEADER **object)
{
    auto it = fake->objects.find(id);
    if (it == fake->objects.end())
        return nullptr;
    fake->locks++;
    *object = &it->second.header;
    return (HWND)(UINT_PTR)(0x10000 + id);
}

void Unlock(APPLET *, HWND object)
{
    fake->locks--;
    if (!fake->objects.count((int)((UINT_PTR)object - 0x10000)))
        Note("unlock of a window never locked;");
}

FakeObject &Of(HWND object) { return fake->objects[(int)((UINT_PTR)object - 0x10000)]; }

LRESULT Send(APPLET *, HWND object, UINT message, WPARAM wparam, LPARAM lparam)
{
    FakeObject &o = Of(object);
    int i = (int)wparam;
    bool valid = i >= 0 && i < (int)o.items.size();
    switch (message) {
    case LB_GETCOUNT:
        return (LRESULT)o.items.size();
    case LB_DELETESTRING:
        if (!valid)
            return LB_ERR;
        o.items.erase(o.items.begin() + i);
        return (LRESULT)o.items.size();
    case LB_INSERTSTRING:
        if (i == -1)
            i = (int)o.items.size();
        if (i < 0 || i > (int)o.items.size())
            return LB_ERR;
        o.items.insert(o.items.begin() + i, (const char *)lparam);
        return i;
    case LB_GETTEXTLEN:
        return valid ? (LRESULT)o.items[i].size() : LB_ERR;
    case LB_GETTEXT:
        if (!valid)
            return LB_ERR;
        strcpy((char *)lparam, o.items[i].c_str());
        return (LRESULT)o.items[i].size();
    case BM_GETCHECK:
        return o.check;
    case BM_SETCHECK:
        o.check = (int)wparam;
        return 0;
    }
    return 0;
}

int Show(APPLET *, HWND object, int show)
{
    Note("show(%u,%d);", Of(object).header.number, show);
    return 1;
}

void StartStop(APPLET *, HWND object, int run)
{
    Note("startstop(%u,%d);", Of(object).header.number, run);
}

void ShowPage(APPLET *, int page) { Note("page(%d);", page); }
void PrintPage(APPLET *, int whole) { Note("print(%d);", whole); }
void Quit(APPLET *) { Note("quit;"); }

int Video(APPLET *, int op)
{
    Note("video(%d);", op);
    return !fake->video ? 0 : op == 4 ? fake->video : 1;
}

int Box(APPLET *a, const char *text, UINT style)
{
    Note(style == MB_YESNO ? "yesno(%s);" : "box(%s);", text);
    if (fake->onbox)
        fake->onbox(a);
    int answer = fake->answers.empty() ? IDOK : fake->answers.front();
    if (!fake->answers.empty())
        fake->answers.erase(fake->answers.begin());
    return answer;
}

int Open(APPLET *, const char *path)
{
    Note("open(%s);", path);
    return 1;
}

void GetProfile(APPLET *, const char *section, const char *key, char *out, int size)
{
    std::string name = section;
    name += '/';
    name += key;
    std::string v = fake->profile[name];
    snprintf(out, (size_t)size, "%s", v.c_str());
}

int SetProfile(APPLET *, const char *section, const char *key, const char *value)
{
    std::string name = section;
    name += '/';
    name += key;
    fake->profile[name] = value;
    Note("set(%s=%s);", key, value);
    return 1;
}

void Wait(APPLET *, int ms) { Note("wait(%d);", ms); }
int Aborted(APPLET *) { return fake->abortafter >= 0 && fake->abortafter-- == 0; }
void Beep(APPLET *, UINT type) { Note("beep(%u);", type); }

void PageInfo(APPLET *, int *page, int *count)
{
    *page = fake->page;
    *count = fake->pages;
}

void NotifyInfo(APPLET *, uint32_t *number, uint32_t *tag)
{
    *number = fake->notifynumber;
    *tag = fake->notifytag;
}

HDC GetDc(APPLET *)
{
    fake->dcs++;
    return fake->dc;
}

// Every built-in gives the context back as it found it.
void ReleaseDc(APPLET *, HDC dc)
{
    fake->dcs--;
    if (dc != fake->dc)
        Note("release of another dc;");
    if (GetCurrentObject(dc, OBJ_BRUSH) != GetStockObject(WHITE_BRUSH) ||
        GetCurrentObject(dc, OBJ_PEN) != GetStockObject(BLACK_PEN) ||
        GetCurrentObject(dc, OBJ_FONT) != GetStockObject(SYSTEM_FONT) || GetTextAlign(dc) != 0)
        Note("dc left changed;");
}

int ObjectText(APPLET *, int number, char *out, int size)
{
    auto it = fake->texts.find(number);
    std::string text = it == fake->texts.end() ? "" : it->second;
    if (out && size > 0)
        snprintf(out, (size_t)size, "%s", text.c_str());
    return (int)text.size();
}

void SetObjectText(APPLET *, int number, const char *text)
{
    Note("settext(%d,%s);", number, text);
    fake->texts[number] = text;
}

int PlaySoundEntry(APPLET *, HGLOBAL data, int kind)
{
    GlobalLocked<char> bytes(data);
    Note("play(%s,%.*s);", kind ? "midi" : "wave", (int)strnlen(bytes.get(), bytes.size()), bytes.get());
    fake->playing = fake->playresult != 0;
    return fake->playresult;
}

void KillSound(APPLET *)
{
    Note("kill;");
    fake->playing = false;
}

int SoundPlaying(APPLET *) { return fake->playing; }

} // namespace

const APPLETHOST FakeHost::host = {Alive,  Lock,       Unlock,        Send,           Show,      StartStop, ShowPage,
                                   PrintPage, Quit,    Video,         Box,            Open,      GetProfile, SetProfile,
                                   Wait,   Aborted,    Beep,          PageInfo,       NotifyInfo, GetDc,    ReleaseDc,
                                   ObjectText, SetObjectText, PlaySoundEntry, KillSound, SoundPlaying};

FakeHost::FakeHost()
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), DCWIDTH, -DCHEIGHT, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *pixels = nullptr;
    bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &pixels, NULL, 0);
    bits = (uint32_t *)pixels;
    dc = CreateCompatibleDC(NULL);
    oldbitmap = (HBITMAP)SelectObject(dc, bitmap);
}

FakeHost::~FakeHost()
{
    SelectObject(dc, oldbitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

HGLOBAL MakeAppletObject(const std::string &script, uint32_t number, bool picturefirst)
{
    BLOCK page;
    CreateBlock(NULL, nullptr, &page, TAG_PAGE, nullptr, 0);
    HGLOBAL h = CreatePageObject(&page, TAG_APPL, 0, 0);
    if (picturefirst) {
        HGLOBAL next = AppendAppletEntry(h, "pict", 4, ENTRY_PICT, 1);
        GlobalFree(h);
        h = next;
    }
    HGLOBAL next = AppendAppletEntry(h, script.data(), (unsigned long)script.size(), ENTRY_TEXT, 2);
    GlobalFree(h);
    h = next;
    for (const Entry &e : fake ? fake->entries : std::vector<Entry>{}) {
        next = AppendAppletEntry(h, e.data.data(), (unsigned long)e.data.size(), e.kind, e.number);
        GlobalFree(h);
        h = next;
    }
    if (h) {
        GlobalLocked<OBJECTHEADER> o(h);
        o->number = number;
        o->rect = {20, 30, 180, 158};
    }
    return h;
}

std::string PackedDib(int width, int height, const std::vector<COLORREF> &pixels)
{
    int row = (width * 3 + 3) / 4 * 4;
    BITMAPINFOHEADER h = {sizeof h, width, height, 1, 24, BI_RGB, (DWORD)(row * height), 0, 0, 0, 0};
    std::string dib((const char *)&h, sizeof h);
    for (int y = height - 1; y >= 0; y--) {
        std::string line((size_t)row, '\0');
        for (int x = 0; x < width; x++) {
            COLORREF c = pixels[(size_t)(y * width + x)];
            line[3 * x] = (char)GetBValue(c);
            line[3 * x + 1] = (char)GetGValue(c);
            line[3 * x + 2] = (char)GetRValue(c);
        }
        dib += line;
    }
    return dib;
}

std::string Variables(APPLET *a)
{
    std::string s;
    for (int i = 0; i < a->variablecount; i++) {
        const VALUE &v = a->variables[i];
        char name[5] = {};
        memcpy(name, &v.name, 4);
        if (name[0] == '_')
            continue;
        if (!s.empty())
            s += ' ';
        s += name;
        if (v.type == VT_INTEGER) {
            s += '=';
            s += std::to_string((int32_t)v.value);
        } else if (v.type == VT_STRINGVARIABLE) {
            s += "=\"";
            for (const char *p = (const char *)(UINT_PTR)v.value; *p && *p != STRING_END; p++)
                s += (unsigned char)*p < 32 ? '^' : *p;
            s += '"';
        } else {
            s += '[';
            s += std::to_string(v.type >> 16);
            s += ']';
        }
    }
    return s;
}

Outcome RunScript(const std::string &script, int budget, long stacksize)
{
    Outcome out;
    HGLOBAL object = MakeAppletObject(script);
    APPLET a;
    if (!APPLETInitApplet(&a, nullptr, object, 0x808080, stacksize, nullptr, "Doc", &FakeHost::host)) {
        out.result = a.error ? a.error : -100;
        out.errorline = a.errorline;
        GlobalFree(object);
        return out;
    }
    while (out.steps < budget && !(out.result = APPLETProcessLine(&a, nullptr)))
        out.steps++;
    out.errorline = a.errorline;
    out.variables = Variables(&a);
    out.log = fake->log;
    APPLETFreeApplet(&a);
    GlobalFree(object);
    return out;
}

} // namespace applettest
