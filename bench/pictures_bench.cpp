// Reduces and scales a 4000 × 3000 true-colour picture and prints each time
// divided by the time of one plain copy of the picture's bytes, measured in
// the same run:
//  - "copies": the picture copied into a new block (what DuplicateObject
//    does, and the least any of these operations does, since each returns a
//    new block: allocating and first touching fresh memory is part of it);
//  - "memcpys": the bytes copied into a buffer that is already in use, for
//    comparison (on machines whose caches hold most of the picture this is
//    far faster than any work on fresh memory).
// Goals: dithering within 15 copies, remapping within 8, each scaling pass
// within 6.
//   scripts/wine-one.sh build/bin/pictures_bench.exe
#include "bench/clock.h"
#include "common/services.h"
#include "media/dib.h"
#include "media/reduce.h"
#include "media/scale.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using bench::Now;

// The best of a few runs: the least disturbed by whatever else runs.
double Best(const std::function<void()> &work, int runs = 5)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        double start = Now();
        work();
        double t = Now() - start;
        if (t < best)
            best = t;
    }
    return best;
}

// Smooth gradients with some noise, so that every code path and palette
// index is exercised and no row is like the next.
HGLOBAL MakePicture(int width, int height)
{
    HGLOBAL dib = CreateDib(width, height, NULL, 24);
    DibLock lock(dib);
    unsigned seed = 12345;
    for (int y = 0; y < height; ++y) {
        uint8_t *row = lock.Row(y);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            int noise = (int)((seed >> 16) & 31) - 16;
            auto clamp = [](int v) { return (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v); };
            row[3 * x] = clamp(x * 255 / width + noise);
            row[3 * x + 1] = clamp(y * 255 / height + noise);
            row[3 * x + 2] = clamp((x + y) * 255 / (width + height) - noise);
        }
    }
    return dib;
}

} // namespace

int main()
{
    const int width = 4000, height = 3000;
    HGLOBAL picture = MakePicture(width, height);
    if (!picture) {
        fprintf(stderr, "no memory for the picture\n");
        return 1;
    }
    SIZE_T bytes = GlobalSize(picture);
    std::vector<uint8_t> target(bytes);
    const void *source = GlobalLock(picture);
    double copy = Best([&] { GlobalFree(DuplicateObject(picture)); }, 9);
    double plain = Best([&] { memcpy(target.data(), source, bytes); }, 9);
    GlobalUnlock(picture);
    printf("copy of %lu bytes into a new block: %.2f ms; into a used buffer: %.2f ms\n\n", (unsigned long)bytes,
           copy * 1000, plain * 1000);
    printf("%-30s %9s %7s %8s\n", "", "time", "copies", "memcpys");

    char rgb[PALETTEBYTES];
    GetDefaultPalette(rgb, NULL, 6);
    auto report = [&](const char *name, const std::function<HGLOBAL()> &work) {
        double t = Best([&] { GlobalFree(work()); });
        printf("%-30s %6.2f ms %7.2f %8.2f\n", name, t * 1000, t / copy, t / plain);
    };
    report("dither to 3-3-2", [&] { return DitherDib(picture, rgb, 8, 0); });
    report("remap to 3-3-2", [&] { return RemapDib(picture, rgb, 8, 0); });

    HGLOBAL wide = ScaleUpHorizontal(picture, 150);
    report("up 150 %: horizontal pass", [&] { return ScaleUpHorizontal(picture, 150); });
    report("up 150 %: vertical pass", [&] { return ScaleUpVertical(wide, 150); });
    report("up 150 %: both (ResizeDib)", [&] { return ResizeDib(picture, 150); });
    GlobalFree(wide);

    HGLOBAL narrow = ScaleDownHorizontal(picture, 30);
    report("down 30 %: horizontal pass", [&] { return ScaleDownHorizontal(picture, 30); });
    report("down 30 %: vertical pass", [&] { return ScaleDownVertical(narrow, 30); });
    report("down 30 %: both (ResizeDib)", [&] { return ResizeDib(picture, 30); });
    GlobalFree(narrow);

    report("nearest neighbour 150 %", [&] {
        int w = 150, h = 150;
        return ScaleDib(picture, &w, &h, SCALE_PERCENT);
    });
    report("nearest neighbour 30 %", [&] {
        int w = 30, h = 30;
        return ScaleDib(picture, &w, &h, SCALE_PERCENT);
    });
    GlobalFree(picture);
    return 0;
}
