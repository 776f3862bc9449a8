// The image object's dialog and its transition preview:
// (a) the preview of a 640 x 480 picture at the top speed, per effect: the
//     wall time of its set-up and appear, against the sum of the step timer's
//     periods over the same ticks, the period being measured on a bare
//     window's timer of the same setting in the same run; goal <= 1.1;
// (b) opening the dialog (and cancelling it) on an object holding a
//     4000 x 3000 picture, against one scaled draw of that picture into a
//     200 x 150 box; goal <= 2.
//   scripts/wine-one.sh build/bin/imagedialog_bench.exe
#include "bench/clock.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/owners.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "editors/imagepreview.h"
#include "editors/objectdialogs.h"
#include "media/dib.h"
#include <commctrl.h>
#include <algorithm>
#include <cstring>
#include <cstdio>
#include <vector>

namespace {

using bench::Now;

HGLOBAL Picture(int width, int height)
{
    HGLOBAL dib = CreateDib(width, height, NULL, 24);
    DibLock lock(dib);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            WritePixel(lock.Row(y), x, 24, (x * 255 / width) | (y * 255 / height) << 8 | ((x ^ y) & 255) << 16);
    return dib;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The platform's period for a timer asking for `ms`, over `ticks` ticks.
double TimerPeriod(UINT ms, int ticks)
{
    HWND w = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    SetTimer(w, 1, ms, NULL);
    MSG msg;
    int seen = -1;
    double start = 0;
    while (seen < ticks && GetMessageA(&msg, NULL, 0, 0)) {
        if (msg.message == WM_TIMER && msg.hwnd == w && ++seen == 0)
            start = Now();
        DispatchMessageA(&msg);
    }
    double period = (Now() - start) / ticks;
    DestroyWindow(w);
    return period;
}

// The preview's step ticks, seen as they are taken from the queue: the
// appear has taken N ticks when tick N + 1 finds the wait phase, and the
// wall time up to that tick is what N periods of the timer came to.
int steps;
double appearwall, appearstart;
int appearsteps;
LRESULT CALLBACK CountSteps(int code, WPARAM wParam, LPARAM lParam)
{
    auto *msg = (MSG *)lParam;
    char caption[32] = "";
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_TIMER && msg->wParam == 1 &&
        GetWindowTextA(msg->hwnd, caption, sizeof caption) && !strcmp(caption, "Image 150")) {
        auto *r = DialogState<PREVIEWIMAGE>(msg->hwnd);
        if (steps++ == 0)
            appearstart = Now();
        if (r && r->status.phase == PHASE_WAIT && !appearsteps) {
            appearwall = Now() - appearstart;
            appearsteps = steps - 1;
            PostMessageA(msg->hwnd, WM_COMMAND, IDCANCEL, 0);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

INT_PTR PreviewHook(const MODALCALL *call)
{
    if (call->kind != MODAL_DIALOG || call->proc != PreviewImageProc)
        return 0;
    steps = appearsteps = 0;
    return COMMONModalForReal(call);
}

void CALLBACK CancelDialog(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND d = FindWindowA(NULL, "Image"))
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
}

// The image dialog run for real and cancelled as soon as it is shown.
INT_PTR CancelHook(const MODALCALL *call)
{
    if (call->kind != MODAL_DIALOG)
        return 0;
    UINT_PTR t = SetTimer(NULL, 0, 1, CancelDialog);
    INT_PTR r = COMMONModalForReal(call);
    KillTimer(NULL, t);
    return r;
}

} // namespace

int main()
{
    InitCommonControls();
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, CountSteps, NULL, GetCurrentThreadId());
    double period = TimerPeriod(1, 200);
    printf("step timer period at the top speed: %.2f ms\n", period * 1000);

    // A document of a header and one page, as the preview reads them.
    HWND owner = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, NULL, NULL, NULL, NULL);
    HWND list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 10, 10, owner, (HMENU)IDC_BLOCKLIST, NULL, NULL);
    BLOCKSET set{};
    BLOCK header{}, page{};
    CreateBlock(owner, &set, &header, TAG_HEDR, nullptr, 0);
    header.hedr.width = 800, header.hedr.depth = 600;
    AppendBlock(list, &set, &header);
    CreateBlock(owner, &set, &page, TAG_PAGE, nullptr, 0);

    HGLOBAL dib = Picture(640, 480);
    GlobalBlock object(CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)dib));
    GlobalFree(dib);
    COMMONSetModalHook(PreviewHook);
    printf("row  name                 ticks  appear / timer periods\n");
    double worst = 0;
    for (int row = 0; row < MAXEFFECT; ++row) {
        GlobalLocked<OBJECTIMAGE> o(object.get());
        o->appear = o->disappear = (uint32_t)row;
        o->speed = 80, o->wait = 1000, o->header.number = 150;
        appearwall = 0, appearsteps = 0;
        PreviewImageObject(owner, &page, list, o.get());
        double ratio = appearsteps ? appearwall / (appearsteps * period) : 0;
        worst = std::max(worst, ratio);
        printf("%3d  %-20s %5d  %.2f\n", row, effect[row].name, appearsteps, ratio);
    }
    printf("worst appear ratio: %.2f (goal <= 1.1)\n", worst);

    // Opening the dialog on a 4000 x 3000 picture, against one scaled draw.
    COMMONSetModalHook(CancelHook);
    HGLOBAL big = Picture(4000, 3000);
    HGLOBAL bigobject = CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)big);
    AppendPageObject(&page, bigobject);
    std::vector<double> opens, draws, smallopens;
    HGLOBAL small = Picture(64, 48);
    AppendPageObject(&page, CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)small));
    GlobalFree(small);
    HDC dc = GetDC(owner);
    for (int round = 0; round < 5; ++round) {
        double smallstart = Now();
        EditImageObject(owner, nullptr, &page, 1);
        smallopens.push_back(Now() - smallstart);
        double start = Now();
        EditImageObject(owner, nullptr, &page, 0);
        opens.push_back(Now() - start);
        DibLock lock(big);
        start = Now();
        SetStretchBltMode(dc, HALFTONE);
        StretchDIBits(dc, 0, 0, 200, 150, 0, 0, 4000, 3000, lock.StoredRow(0), (BITMAPINFO *)lock.header,
                      DIB_RGB_COLORS, SRCCOPY);
        GdiFlush();
        draws.push_back(Now() - start);
        Pump();
    }
    ReleaseDC(owner, dc);
    std::sort(opens.begin(), opens.end());
    std::sort(draws.begin(), draws.end());
    std::sort(smallopens.begin(), smallopens.end());
    printf("(open and cancel on a 64 x 48 picture: %.1f ms)\n", smallopens[2] * 1000);
    printf("open and cancel: %.1f ms, scaled draw: %.1f ms, ratio %.2f (goal <= 2)\n", opens[2] * 1000,
           draws[2] * 1000, opens[2] / draws[2]);
    GlobalFree(big);
    COMMONSetModalHook(NULL);
    UnhookWindowsHookEx(hook);
    DestroyBlock(&page);
    DestroyWindow(owner);
    return 0;
}
