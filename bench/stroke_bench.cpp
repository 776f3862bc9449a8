// The slowest outlines a line of a script can draw, each line timed alone
// through the interpreter into a window the size of the largest applet frame
// a show's page holds (1024 x 768), as a ratio to 0.2 s, the longest one
// line may hold the show.
// Goal: every ratio at most 1. Each line runs three times; the slowest counts.
//   scripts/wine-one.sh build/bin/stroke_bench.exe
#include "applet/applet.h"
#include "bench/clock.h"
#include "common/owners.h"
#include "common/shell.h"
#include "document/applet.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>

namespace {

constexpr double LIMIT = 0.2;
constexpr int FRAMEWIDTH = 1024, FRAMEHEIGHT = 768;

// The frame is the window's own client area, as in the show.
APPLETHOST MakeHost()
{
    APPLETHOST h{};
    h.alive = [](APPLET *a) { return (int)IsWindow(a->hwnd); };
    h.getdc = [](APPLET *a) { return GetDC(a->hwnd); };
    h.releasedc = [](APPLET *a, HDC dc) { ReleaseDC(a->hwnd, dc); };
    return h;
}
const APPLETHOST host = MakeHost();

HWND window;

HGLOBAL Object(const std::string &script)
{
    BLOCK page;
    CreateBlock(NULL, nullptr, &page, TAG_PAGE, nullptr, 0);
    HGLOBAL h = CreatePageObject(&page, TAG_APPL, 0, 0);
    GlobalLocked<OBJECTHEADER>(h)->rect = {0, 0, FRAMEWIDTH, FRAMEHEIGHT};
    HGLOBAL next = AppendAppletEntry(h, script.data(), (unsigned long)script.size(), ENTRY_TEXT, 1);
    GlobalFree(h);
    return next;
}

// Seconds the last line of the script takes, after the lines before it.
double LastLine(const std::string &setup, const std::string &line)
{
    HGLOBAL object = Object(setup + line + "\n");
    APPLET a;
    if (!APPLETInitApplet(&a, window, object, 0, 0, nullptr, "bench", &host)) {
        printf("start failed: %s\n", APPLETError(&a));
        exit(1);
    }
    for (size_t lines = std::count(setup.begin(), setup.end(), '\n'); lines--;)
        if (APPLETProcessLine(&a, window)) {
            printf("setup failed: %s in line %d\n", APPLETError(&a), a.errorline + 1);
            exit(1);
        }
    double t = bench::Now();
    int result = APPLETProcessLine(&a, window);
    t = bench::Now() - t;
    if (result > 0) {
        printf("line failed: %s\n", APPLETError(&a));
        exit(1);
    }
    APPLETFreeApplet(&a);
    GlobalFree(object);
    return t;
}

// An array &p of n points; point i from `place`.
template <class F> std::string Points(int n, F place)
{
    std::string s = "declarearray(&p," + std::to_string(2 * n) + ")\n";
    for (int i = 0; i < n; i++) {
        POINT p = place(i);
        s += "setarrayvalue(&p," + std::to_string(2 * i) + "," + std::to_string(p.x) + ")\n";
        s += "setarrayvalue(&p," + std::to_string(2 * i + 1) + "," + std::to_string(p.y) + ")\n";
    }
    return s;
}

// Points anywhere within `spread` of the frame's corner, the same each run.
std::string Scattered(int n, int spread)
{
    unsigned seed = 12345;
    auto next = [&seed, spread] {
        seed = seed * 1103515245u + 12345u;
        return (int)((seed >> 8) % (unsigned)(2 * spread + 1)) - spread;
    };
    return Points(n, [&](int) {
        int x = next();
        return POINT{x, next()};
    });
}

// Points on a circle about the frame's centre whose stroke's inner edge runs
// through the frame: every piece near the frame, none covering it.
std::string Round(int n, int radius)
{
    return Points(n, [=](int i) {
        double t = 2 * std::numbers::pi * i / n;
        return POINT{FRAMEWIDTH / 2 + (LONG)std::lround(radius * std::cos(t)),
                     FRAMEHEIGHT / 2 + (LONG)std::lround(radius * std::sin(t))};
    });
}

std::string Pen(int width) { return "setpencolor(255," + std::to_string(width) + ")\n"; }

// The box of a circle about the frame's centre, `radius` from it each way.
std::string Box(int radius)
{
    auto at = [](int v) { return std::to_string(v); };
    return at(FRAMEWIDTH / 2 - radius) + "," + at(FRAMEHEIGHT / 2 - radius) + "," + at(FRAMEWIDTH / 2 + radius) + "," +
           at(FRAMEHEIGHT / 2 + radius);
}

} // namespace

int main()
{
    hInst = GetModuleHandleA(NULL);
    window = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, FRAMEWIDTH, FRAMEHEIGHT, NULL, NULL, hInst, NULL);
    UpdateWindow(window);

    const std::string far100 = Scattered(100, 65536), far301 = Scattered(301, 65536);
    const std::string far16381 = Scattered(16381, 65536), near100 = Scattered(100, 3000);
    const std::string near16381 = Scattered(16381, 3000), close16381 = Scattered(16381, 300);
    // Rings of pen 60000 whose holes are 100 pixels across, as tall as the
    // frame, and reaching its corners.
    const std::string small = Round(16383, 30050), tall = Round(16383, 30384), wide = Round(16383, 30640);
    struct Case {
        std::string name, setup, line;
    } cases[] = {
        {"framepolygon, 100 far points, pen 1", far100 + Pen(1), "framepolygon(&p,100)"},
        {"framepolygon, 100 far points, pen 2", far100 + Pen(2), "framepolygon(&p,100)"},
        {"framepolygon, 100 far points, pen 50", far100 + Pen(50), "framepolygon(&p,100)"},
        {"framepolygon, 100 far points, pen 600", far100 + Pen(600), "framepolygon(&p,100)"},
        {"framepolygon, 100 far points, pen 65536", far100 + Pen(65536), "framepolygon(&p,100)"},
        {"framepolygon, 100 points within 3000, pen 65536", near100 + Pen(65536), "framepolygon(&p,100)"},
        {"framepolygon, 16383 points, hole 100 across, pen 60000", small + Pen(60000), "framepolygon(&p,16383)"},
        {"framepolygon, 16383 points, hole as tall as the frame", tall + Pen(60000), "framepolygon(&p,16383)"},
        {"framepolygon, 16383 points, hole to the frame's corners", wide + Pen(60000), "framepolygon(&p,16383)"},
        {"beziercurve, 100 far points, pen 511", far100 + Pen(511), "beziercurve(&p,100)"},
        {"beziercurve, 100 far points, pen 513", far100 + Pen(513), "beziercurve(&p,100)"},
        {"beziercurve, 100 far points, pen 20000", far100 + Pen(20000), "beziercurve(&p,100)"},
        {"beziercurve, 100 far points, pen 55679", far100 + Pen(55679), "beziercurve(&p,100)"},
        {"beziercurve, 100 far points, pen 65536", far100 + Pen(65536), "beziercurve(&p,100)"},
        {"beziercurve, 301 far points, pen 50647", far301 + Pen(50647), "beziercurve(&p,301)"},
        {"beziercurve, 16381 far points, pen 1", far16381 + Pen(1), "beziercurve(&p,16381)"},
        {"beziercurve, 16381 far points, pen 2", far16381 + Pen(2), "beziercurve(&p,16381)"},
        {"beziercurve, 16381 far points, pen 65536", far16381 + Pen(65536), "beziercurve(&p,16381)"},
        {"beziercurve, 16381 points within 3000, pen 600", near16381 + Pen(600), "beziercurve(&p,16381)"},
        {"beziercurve, 16381 points within 300, pen 8", close16381 + Pen(8), "beziercurve(&p,16381)"},
        {"frameellipse(-70000,...,70000), pen 511", Pen(511), "frameellipse(-70000,-70000,70000,70000)"},
        {"frameellipse(-70000,...,70000), pen 512", Pen(512), "frameellipse(-70000,-70000,70000,70000)"},
        {"frameellipse(-70000,...,70000), pen 513", Pen(513), "frameellipse(-70000,-70000,70000,70000)"},
        {"frameellipse, hole 100 across, pen 60000", Pen(60000), "frameellipse(" + Box(60050) + ")"},
        {"frameellipse, hole as tall as the frame, pen 60000", Pen(60000), "frameellipse(" + Box(60384) + ")"},
        {"framerect small box, pen 64572", Pen(64572), "framerect(30,20,170,90)"},
        {"framerect far box, pen 2", Pen(2), "framerect(-65536,-65536,65536,65536)"},
        {"frameroundrect far box, pen 300", Pen(300), "frameroundrect(-65536,-65536,65536,65536,90000,70000)"},
        {"arc far box, pen 65536", Pen(65536), "arc(-65536,-65536,65536,65536,10,200)"},
        {"framepie far box, pen 65536", Pen(65536), "framepie(-65536,-65536,65536,65536,10,200)"},
        {"frameellipse far box, pen 65536", Pen(65536), "frameellipse(-65536,-65536,65536,65536)"},
        {"frameellipse far box, pen 1", Pen(1), "frameellipse(-65536,-65536,65536,65536)"},
        {"line far, pen 65536", Pen(65536), "line(-65536,-65536,65536,65000)"},
        {"line far, pen 3", Pen(3), "line(-65536,-65536,65536,65000)"},
    };
    printf("one line of a script against %.1f s (goal: every ratio at most 1)\n", LIMIT);
    double worst = 0;
    for (const Case &c : cases) {
        double t = 0;
        for (int run = 0; run < 3; run++)
            t = std::max(t, LastLine(c.setup, c.line));
        worst = std::max(worst, t / LIMIT);
        printf("  %-55s %9.3f ms  %.3f\n", c.name.c_str(), t * 1e3, t / LIMIT);
    }
    printf("worst ratio %.3f\n", worst);
    DestroyWindow(window);
    return 0;
}
