// Builds a photo album of 50 pictures of 4000 × 3000 and prints its time
// divided by the time of decoding and resizing those pictures alone, both
// measured in the same run; and the album's peak memory against the built
// document plus two decoded pictures (the builder holds one decoded picture
// at a time). Goals: a ratio of 1.3 at most, and the peak within its bound.
// Five distinct JPEG files stand for the fifty: each is decoded afresh.
//   scripts/wine-one.sh build/bin/wizard_bench.exe
#include "bench/clock.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "editor/docwindow.h"
#include "editor/shell.h"
#include "media/dib.h"
#include "media/imageformat.h"
#include "media/scale.h"
#include "tools/wizard.h"
#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bench::Now;
constexpr int WIDTH = 4000, HEIGHT = 3000, PICTURES = 50, FILES = 5;

std::string Folder()
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string folder = std::string(dir) + "sbwizardbench\\";
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

// Gradients with noise: a photograph's worth of work for the decoder.
std::string MakePicture(int n)
{
    HGLOBAL dib = CreateDib(WIDTH, HEIGHT, NULL, 24);
    {
        DibLock lock(dib);
        unsigned seed = 977u * (unsigned)(n + 1);
        for (int y = 0; y < HEIGHT; ++y) {
            uint8_t *row = lock.Row(y);
            for (int x = 0; x < WIDTH; ++x) {
                seed = seed * 1103515245u + 12345u;
                int noise = (int)((seed >> 16) & 15) - 8;
                auto clamp = [](int v) { return (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v); };
                row[3 * x] = clamp(x * 255 / WIDTH + noise + n * 20);
                row[3 * x + 1] = clamp(y * 255 / HEIGHT + noise);
                row[3 * x + 2] = clamp((x + y) * 255 / (WIDTH + HEIGHT) - noise);
            }
        }
    }
    std::string path = Folder() + "photo" + std::to_string(n) + ".jpg";
    WriteImage(path.c_str(), dib);
    GlobalFree(dib);
    return path;
}

// What the album does with each picture and nothing more: decode, resize to
// the picture area of a 720 × 560 page with a caption, free.
void DecodeAndResize(const std::vector<std::string> &paths)
{
    for (const std::string &path : paths) {
        HGLOBAL picture = LoadImageA(NULL, path.c_str(), NULL, NULL);
        int w = 0, h = 0;
        GetBitmapDimensions(picture, &w, &h, NULL, NULL);
        HGLOBAL resized = ResizeDib(picture, WizardGetScaleFactor(612, 452, w, h, 1));
        GlobalFree(picture);
        GlobalFree(resized);
    }
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefFrameProcA(hwnd, hwndclient, msg, wParam, lParam);
}

// Memory the document holds: its blocks, their object arrays and objects.
SIZE_T DocumentBytes(HWND doc)
{
    HWND list = GetDlgItem(doc, IDC_BLOCKLIST);
    SIZE_T total = 0;
    int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        BLOCK b;
        if (!GetBlock(list, i, &b))
            continue;
        total += BLOCKSIZE + (b.objects ? GlobalSize(b.objects) : 0);
        for (uint32_t j = 0; j < BlockObjectCount(&b); j++)
            total += GlobalSize(GetPageObject(&b, j));
    }
    return total;
}

SIZE_T WorkingSet(bool peak)
{
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
    return peak ? c.PeakWorkingSetSize : c.WorkingSetSize;
}

} // namespace

int main()
{
    hInst = GetModuleHandleA(NULL);
    WNDCLASSA wc{};
    wc.lpfnWndProc = TaskProc;
    wc.cbWndExtra = 4;
    wc.hInstance = hInst;
    wc.lpszClassName = TASKCLASSNAME;
    RegisterClassA(&wc);
    wc.lpfnWndProc = FrameProc;
    wc.cbWndExtra = 0;
    wc.lpszClassName = "WizardBenchFrame";
    RegisterClassA(&wc);
    HWND frame = CreateWindowA("WizardBenchFrame", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, NULL, NULL, hInst, NULL);
    CLIENTCREATESTRUCT ccs{};
    ccs.idFirstChild = 810;
    hwndclient = CreateWindowA("MDICLIENT", NULL, WS_CHILD | WS_VISIBLE, 0, 0, 800, 600, frame, NULL, hInst, &ccs);
    hwndmain = frame;

    std::vector<std::string> files, paths;
    for (int i = 0; i < FILES; i++)
        files.push_back(MakePicture(i));
    std::string list;
    for (int i = 0; i < PICTURES; i++) {
        paths.push_back(files[i % FILES]);
        list += paths.back() + '\0';
    }
    list += '\0';
    const SIZE_T decoded = (SIZE_T)WIDTH * HEIGHT * 3;

    double built = 1e30, alone = 1e30;
    SIZE_T peak = 0, document = 0;
    for (int pass = 0; pass < 2; pass++) {
        WIZARDPARAM wizard;
        WizardOpenRecord(&wizard);
        wizard.dimensions = 2;
        wizard.insidestyle = 2;
        wizard.pictures = (char *)calloc(list.size() + 16, 1);
        memcpy(wizard.pictures, list.data(), list.size());
        SIZE_T before = WorkingSet(false);
        double start = Now();
        WizardCreatePresentation(frame, &wizard);
        built = std::min(built, Now() - start);
        HWND doc = (HWND)SendMessageA(hwndclient, WM_MDIGETACTIVE, 0, 0);
        if (pass == 0) {
            peak = WorkingSet(true) - before;
            document = DocumentBytes(doc);
        }
        WizardCloseRecord(&wizard);
        if (BLOCKSET *set = LockBlockSet(doc)) {
            set->modified = 0;
            UnlockBlockSet(doc);
        }
        SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)doc, 0);
        start = Now();
        DecodeAndResize(paths);
        alone = std::min(alone, Now() - start);
    }
    printf("album of %d pictures of %d x %d: %.2f s; decoding and resizing alone: %.2f s\n", PICTURES, WIDTH, HEIGHT,
           built, alone);
    printf("album / decoding and resizing: %.3f (goal 1.3 at most)\n", built / alone);
    printf("peak memory during the build: %.1f MB; document %.1f MB + two decoded pictures %.1f MB = %.1f MB%s\n",
           peak / 1048576.0, document / 1048576.0, 2.0 * decoded / 1048576.0, (document + 2 * decoded) / 1048576.0,
           peak <= document + 2 * decoded ? "" : " (over the bound)");
    for (const std::string &f : files)
        DeleteFileA(f.c_str());
    RemoveDirectoryA(Folder().c_str());
    DestroyWindow(frame);
    return 0;
}
