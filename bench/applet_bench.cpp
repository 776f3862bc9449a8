// The applet interpreter's speed against what the window that drives it
// costs anyway: each script line runs in answer to one posted step message,
// so a line is measured in bare posted-message round trips. Also the cost
// of a line with thousands of variables and labels declared, against none,
// and the start of a long script against copying its text, and a script
// filling rectangles against the same FillRect calls made directly. Last,
// the script editor's preview against the show's applet window running the
// same script.
//   scripts/wine-one.sh build/bin/applet_bench.exe
#include "applet/applet.h"
#include "applet/appletwindow.h"
#include "common/modal.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/applet.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "runtime/runtime.h"
#include "tools/appletpreview.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)frequency.QuadPart;
}

int counted;

LRESULT CALLBACK CountProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_USER + 1) {
        counted++;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

HWND window;

// The frame the drawing scripts paint: a 32-bit memory DC.
HDC frame;

// The applet window's test of its own existence, as it will make it.
int Alive(APPLET *a) { return IsWindow(a->hwnd); }
HDC GetFrame(APPLET *) { return frame; }
void ReleaseFrame(APPLET *, HDC) {}
APPLETHOST MakeHost()
{
    APPLETHOST h{};
    h.alive = Alive;
    h.getdc = GetFrame;
    h.releasedc = ReleaseFrame;
    return h;
}
const APPLETHOST host = MakeHost();

// Seconds per posted message taken off the queue and dispatched.
double RoundTrip()
{
    const int n = 200000;
    MSG msg;
    double best = 1e9;
    for (int round = 0; round < 5; round++) {
        double t = Now();
        for (int i = 0; i < n; i++) {
            PostMessageA(window, WM_USER + 1, 0, 0);
            GetMessageA(&msg, NULL, 0, 0);
            DispatchMessageA(&msg);
        }
        best = std::min(best, (Now() - t) / n);
    }
    return best;
}

HGLOBAL Object(const std::string &script)
{
    BLOCK page;
    CreateBlock(NULL, nullptr, &page, TAG_PAGE, nullptr, 0);
    HGLOBAL h = CreatePageObject(&page, TAG_APPL, 0, 0);
    HGLOBAL next = AppendAppletEntry(h, script.data(), (unsigned long)script.size(), ENTRY_TEXT, 1);
    GlobalFree(h);
    return next;
}

// Four letters from a number: distinct keys for up to 26^4 names.
std::string Name(int i)
{
    std::string s;
    for (int k = 0; k < 4; k++, i /= 26)
        s += (char)('a' + i % 26);
    return s;
}

// Seconds per line of the loop that starts after `setup` lines.
double PerLine(const std::string &script, int setup)
{
    HGLOBAL object = Object(script);
    APPLET a;
    if (!APPLETInitApplet(&a, window, object, 0, 0, nullptr, "bench", &host)) {
        printf("start failed: %s\n", APPLETError(&a));
        exit(1);
    }
    for (int i = 0; i < setup; i++)
        if (APPLETProcessLine(&a, window)) {
            printf("setup failed: %s in line %d\n", APPLETError(&a), a.errorline + 1);
            exit(1);
        }
    const int n = 300000;
    double best = 1e9;
    for (int round = 0; round < 5; round++) {
        double t = Now();
        for (int i = 0; i < n; i++)
            if (APPLETProcessLine(&a, window)) {
                printf("loop failed: %s in line %d\n", APPLETError(&a), a.errorline + 1);
                exit(1);
            }
        best = std::min(best, (Now() - t) / n);
    }
    APPLETFreeApplet(&a);
    GlobalFree(object);
    return best;
}

// The same loop behind `count` declared variables and `count` labels.
double WithTables(int count)
{
    std::string script;
    for (int i = 0; i < count; i++)
        script.append("declareint(@").append(Name(i)).append(",").append(std::to_string(i)).append(")\n");
    for (int i = 0; i < count; i++)
        script.append(":").append(Name(i)).append("\n");
    std::string last = count ? Name(count - 1) : "ZZZZ";
    if (!count)
        script += "declareint(@ZZZZ)\n";
    script.append("declareint(@SUM)\n:LOOP\n@SUM=add(@").append(last).append(",@SUM)\ninc(@").append(last);
    script.append(")\ngoto(:LOOP)\n");
    return PerLine(script, 2 * count + (count ? 1 : 2));
}

constexpr int RECTANGLES = 10000;

// Where rectangle i of both measurements lies.
RECT Small(int i) { return {i * 7 % 190, i % 140, i * 7 % 190 + 4, i % 140 + 4}; }

// Seconds for one run of the whole script, from its start to its end.
double WholeScript(HGLOBAL object)
{
    APPLET a;
    if (!APPLETInitApplet(&a, window, object, 0, 0, nullptr, "bench", &host)) {
        printf("start failed: %s\n", APPLETError(&a));
        exit(1);
    }
    double t = Now();
    int result;
    while (!(result = APPLETProcessLine(&a, window))) {
    }
    t = Now() - t;
    if (result != -1) {
        printf("script failed: %s in line %d\n", APPLETError(&a), a.errorline + 1);
        exit(1);
    }
    APPLETFreeApplet(&a);
    return t;
}

double Direct()
{
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    double t = Now();
    for (int i = 0; i < RECTANGLES; i++) {
        RECT r = Small(i);
        FillRect(frame, &r, brush);
    }
    t = Now() - t;
    DeleteObject(brush);
    return t;
}

void Rectangles()
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 200, -150, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    frame = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(frame, bitmap);

    // The same rectangles from one line each, and from a loop.
    std::string lines = "setbrushcolor(255)\n";
    for (int i = 0; i < RECTANGLES; i++) {
        RECT r = Small(i);
        lines.append("fillrect(").append(std::to_string(r.left)).append(",").append(std::to_string(r.top));
        lines.append(",").append(std::to_string(r.right)).append(",").append(std::to_string(r.bottom)).append(")\n");
    }
    std::string loop = "declareint(@i)\nsetbrushcolor(255)\n:top\n"
                       "fillrect(mod(mul(@i,7),190),mod(@i,140),add(mod(mul(@i,7),190),4),add(mod(@i,140),4))\n"
                       "inc(@i)\nif(islessthan(@i," + std::to_string(RECTANGLES) + "),:top)\n";
    HGLOBAL straightobject = Object(lines), loopobject = Object(loop);
    // Taken in turns, so that a busy moment of the machine falls on all three.
    double direct = 1e9, straight = 1e9, looped = 1e9;
    for (int round = 0; round < 9; round++) {
        direct = std::min(direct, Direct());
        straight = std::min(straight, WholeScript(straightobject));
        looped = std::min(looped, WholeScript(loopobject));
    }
    GlobalFree(straightobject);
    GlobalFree(loopobject);
    printf("\n%d small rectangles (goal: a script at most 3 x the direct FillRect calls)\n", RECTANGLES);
    printf("  direct FillRect        %.3f ms\n", direct * 1e3);
    printf("  script, one per line   %.3f ms: %.2f x direct\n", straight * 1e3, straight / direct);
    printf("  script, in a loop      %.3f ms: %.2f x direct (3 lines, 8 calls per rectangle)\n", looped * 1e3,
           looped / direct);

    SelectObject(frame, old);
    DeleteDC(frame);
    DeleteObject(bitmap);
    frame = NULL;
}

// The preview and the show run a counting loop that ends in a message box;
// the box is answered here, closing the window that runs it, and the time
// from the window's start to the box gives the lines per second.
constexpr int LOOPS = 10000;
constexpr int LOOPLINES = 1 + 3 * LOOPS; // the declaration, then label, inc and if per round
double started, finished;

INT_PTR Answer(const MODALCALL *call)
{
    if (call->kind != MODAL_MESSAGEBOX) {
        started = Now();
        return COMMONModalForReal(call);
    }
    finished = Now();
    // The preview's box stands on the preview, the show's on the show.
    PostMessageA(call->parent, WM_CLOSE, 0, 0);
    return IDOK;
}

struct Document {
    HWND owner, list;
    HGLOBAL handle;
    BLOCKSET *set;
    BLOCK page;
};

Document MakeDocument(const std::string &script)
{
    Document d{};
    d.owner = CreateWindowA("AppletBenchWindow", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL, hInst, NULL);
    d.list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 10, 10, d.owner, (HMENU)IDC_BLOCKLIST, hInst, NULL);
    CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 10, 10, d.owner, (HMENU)IDC_UNDOLIST, hInst, NULL);
    d.handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BLOCKSET));
    SetWindowValue(d.owner, GWLP_USERDATA, d.handle);
    d.set = LockBlockSet(d.owner);
    BLOCK header;
    CreateBlock(d.owner, d.set, &header, TAG_HEDR, nullptr, 0);
    header.hedr.width = 320;
    header.hedr.depth = 240;
    CreateBlock(d.owner, d.set, &d.page, TAG_PAGE, nullptr, 0);
    HGLOBAL applet = CreatePageObject(&d.page, TAG_APPL, 0, (LONG_PTR)script.c_str());
    {
        GlobalLocked<OBJECTHEADER> o(applet);
        o->rect = {10, 10, 210, 160};
        o->flags |= OBJ_CONTINUOUS;
    }
    AppendPageObject(&d.page, applet);
    AppendBlock(d.list, d.set, &header);
    AppendBlock(d.list, d.set, &d.page);
    return d;
}

void FreeDocument(Document &d)
{
    FreeBlocks(d.owner, d.set);
    FreeUndo(d.owner, d.set);
    UnlockBlockSet(d.owner);
    GlobalFree(d.handle);
    DestroyWindow(d.owner);
}

double PreviewRate(Document &d)
{
    HWND editor = CreateWindowA("AppletBenchWindow", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, NULL, NULL, hInst, NULL);
    hwndmain = editor;
    BLOCK page;
    GetBlock(d.list, 1, &page);
    finished = 0;
    PreviewApplet(editor, &page, d.list, GetPageObject(&page, 0));
    DestroyWindow(editor);
    return finished > started ? LOOPLINES / (finished - started) : 0;
}

double ShowRate(Document &d)
{
    hwndmain = d.owner;
    SHOWHOST host = QV_SystemHost;
    host.appletwindow = APPLETWindowProc;
    finished = 0;
    started = Now();
    QV_CreateApplicationWindow(NULL, d.list, d.set, 1, host);
    return finished > started ? LOOPLINES / (finished - started) : 0;
}

void PreviewAgainstShow()
{
    QV_RegisterCommonClasses();
    controlfont = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    std::string script = "declareint(@i)\n:top\ninc(@i)\nif(islessthan(@i," + std::to_string(LOOPS) +
                         "),:top)\nmessagebox(\"done\")\n";
    Document d = MakeDocument(script);
    COMMONSetModalHook(Answer);
    double preview = 0, show = 0;
    printf("\npreview against the show's applet window (goal: at least 0.9 x its lines per second)\n");
    for (int round = 0; round < 3; round++) {
        double p = PreviewRate(d), s = ShowRate(d);
        printf("  round %d: preview %8.0f lines/s, show %8.0f lines/s: %.2f\n", round + 1, p, s, s ? p / s : 0);
        preview = std::max(preview, p);
        show = std::max(show, s);
    }
    printf("  best: preview %.0f lines/s, show %.0f lines/s: %.2f x the show\n", preview, show, show ? preview / show : 0);
    COMMONSetModalHook(nullptr);
    FreeDocument(d);
}

} // namespace

int main()
{
    hInst = GetModuleHandleA(NULL);
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountProc;
    wc.hInstance = hInst;
    wc.lpszClassName = "AppletBenchWindow";
    RegisterClassA(&wc);
    window = CreateWindowA("AppletBenchWindow", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL, hInst, NULL);
    APPLETSeedRandom(1);

    double trip = RoundTrip();
    printf("posted-message round trip: %.3f us\n", trip * 1e6);

    const struct {
        const char *name;
        const char *script;
        int setup;
    } scripts[] = {
        {"inc loop", "declareint(@i)\n:top\ninc(@i)\ngoto(:top)\n", 1},
        {"integer arithmetic",
         "declareint(@x,1)\ndeclareint(@i)\n:top\n@x=add(mul(@x,3),mod(@i,7))\n"
         "@x=bitand(shiftright(@x,1),65535)\ninc(@i)\nif(islessthan(@i,1000000),:top)\n",
         2},
        {"string building",
         "declarestring($s)\ndeclarestring($t)\ndeclareint(@i)\n:top\nstrfromint($t,@i)\nstrcat($s,$t)\n"
         "strsub($s,$s,0,40)\ninc(@i)\ngoto(:top)\n",
         3},
    };
    printf("\nlines (goal: a typical line costs at most 2 round trips)\n");
    for (const auto &s : scripts) {
        double line = PerLine(s.script, s.setup);
        printf("  %-20s %10.0f lines/s  %.3f us/line  %.4f round trips per line\n", s.name, 1.0 / line, line * 1e6,
               line / trip);
    }

    printf("\nvariables and labels (goal: at most 1.5 x the cost at 0 with 10,000)\n");
    double base = WithTables(0);
    for (int count : {0, 100, 1000, 10000}) {
        double line = count ? WithTables(count) : base;
        printf("  %6d of each   %.3f us/line  %.2f x the cost at 0  %.4f round trips\n", count, line * 1e6,
               line / base, line / trip);
    }

    // A long script of ordinary lines with a label every tenth line.
    std::string script;
    for (int i = 0; i < 100000; i++) {
        if (i % 10 == 0)
            script.append(":").append(Name(i / 10)).append("\n");
        else
            script += "  @x=add(@x,getarrayvalue(&arr,7)) ; a line of some length\n";
    }
    HGLOBAL object = Object(script);
    double copy = 1e9, start = 1e9;
    for (int round = 0; round < 7; round++) {
        double t = Now();
        char *text = (char *)malloc(script.size() + 1);
        memcpy(text, script.c_str(), script.size() + 1);
        copy = std::min(copy, Now() - t);
        volatile char sink = text[script.size() / 2];
        (void)sink;
        free(text);
        APPLET a;
        t = Now();
        int ok = APPLETInitApplet(&a, window, object, 0, 0, nullptr, "bench", &host);
        start = std::min(start, Now() - t);
        if (!ok) {
            printf("long start failed: %s\n", APPLETError(&a));
            return 1;
        }
        APPLETFreeApplet(&a);
    }
    printf("\nstart of a 100,000-line script (%u bytes; goal: under 50 x the copy)\n", (unsigned)script.size());
    printf("  copy %.3f ms, start %.3f ms: %.1f x the copy\n", copy * 1e3, start * 1e3, start / copy);
    GlobalFree(object);
    Rectangles();
    PreviewAgainstShow();
    DestroyWindow(window);
    return 0;
}
