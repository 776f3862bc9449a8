// The animation object's preview: 100 frames of 640 x 480 (24 bits, each
// covering the whole animation) at delays of 30, 50 and 70 ms in turn. The
// wall time from the tick that draws the first frame to the tick that comes
// back to it, against the sum of the delays; goal <= 1.1. The reference,
// measured in the same run, is a bare window's chain of one-shot timers of
// the same delays, with nothing drawn. Also shown: what a frame costs to
// draw, from the same frames played at delays of 0.
//   scripts/wine-one.sh build/bin/animpreview_bench.exe
#include "bench/clock.h"
#include "common/modal.h"
#include "common/owners.h"
#include "common/shell.h"
#include "document/applet.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "editors/animdialog.h"
#include "media/dib.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using bench::Now;

constexpr int WIDTH = 640, HEIGHT = 480, FRAMES = 100;

uint32_t Delay(int frame)
{
    return 30 + 20 * (frame % 3);
}

// The animation block: every frame a 640 x 480 picture of its own colours.
HGLOBAL Animation()
{
    std::vector<HGLOBAL> dibs;
    uint64_t size = sizeof(ANIMHEADER) + FRAMES * sizeof(OBJECTANIMFRAME);
    for (int i = 0; i < FRAMES; i++) {
        HGLOBAL dib = CreateDib(WIDTH, HEIGHT, NULL, 24);
        DibLock lock(dib);
        for (int x = 0; x < WIDTH; x++)
            WritePixel(lock.Row(0), x, 24, (uint32_t)((x + i * 6) & 255) | (uint32_t)(i * 2) << 8 | 0x400000);
        for (int y = 1; y < HEIGHT; y++)
            memcpy(lock.Row(y), lock.Row(0), lock.layout.rowbytes);
        size += lock.layout.total;
        dibs.push_back(dib);
    }
    HGLOBAL block = GlobalAlloc(GHND, (SIZE_T)size);
    GlobalLocked<char> to(block);
    ANIMHEADER head{WIDTH, HEIGHT, FRAMES, 0, {}};
    memcpy(to.get(), &head, sizeof head);
    uint32_t at = sizeof(ANIMHEADER) + FRAMES * sizeof(OBJECTANIMFRAME);
    for (int i = 0; i < FRAMES; i++) {
        {
            DibLock lock(dibs[i]);
            OBJECTANIMFRAME frame{at, lock.layout.total, 0, Delay(i), 0, 0, 0, {}};
            memcpy(to.get() + sizeof(ANIMHEADER) + i * sizeof frame, &frame, sizeof frame);
            memcpy(to.get() + at, lock.header, lock.layout.total);
            at += lock.layout.total;
        }
        GlobalFree(dibs[i]);
    }
    return block;
}

// The preview's frame ticks, seen as they are taken from the queue: the
// first draws frame 0, tick FRAMES + 1 comes back to it.
int ticks;
double start, elapsed;
LRESULT CALLBACK CountTicks(int code, WPARAM wParam, LPARAM lParam)
{
    auto *msg = (MSG *)lParam;
    char caption[32] = "";
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_TIMER && msg->wParam == 2 &&
        GetWindowTextA(msg->hwnd, caption, sizeof caption) && !strcmp(caption, "Animation 150")) {
        if (++ticks == 1)
            start = Now();
        if (ticks == FRAMES + 1) {
            elapsed = Now() - start;
            PostMessageA(msg->hwnd, WM_COMMAND, IDCANCEL, 0);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

// A chain of one-shot timers of the frames' delays on a bare window.
double TimerChain(bool zero)
{
    HWND w = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    SetTimer(w, 1, 1, NULL);
    MSG msg;
    int seen = 0;
    double begin = 0;
    while (seen <= FRAMES && GetMessageA(&msg, NULL, 0, 0)) {
        if (msg.message == WM_TIMER && msg.hwnd == w) {
            if (seen == 0)
                begin = Now();
            KillTimer(w, 1);
            SetTimer(w, 1, zero ? 1 : Delay(seen % FRAMES), NULL);
            seen++;
            continue;
        }
        DispatchMessageA(&msg);
    }
    double took = Now() - begin;
    DestroyWindow(w);
    return took;
}

double Play(HWND owner, BLOCK *page, HWND list, HGLOBAL object)
{
    ticks = 0, elapsed = 0;
    GlobalLocked<OBJECTANIM> o(object);
    PreviewAnimObject(owner, page, list, o.get());
    return elapsed;
}

} // namespace

int main()
{
    hInst = GetModuleHandleA(NULL);
    InitCommonControls();
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, CountTicks, NULL, GetCurrentThreadId());

    HWND owner = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, NULL, NULL, NULL, NULL);
    HWND list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 10, 10, owner, (HMENU)IDC_BLOCKLIST, NULL, NULL);
    BLOCKSET set{};
    BLOCK header{}, page{};
    CreateBlock(owner, &set, &header, TAG_HEDR, nullptr, 0);
    header.hedr.width = 800, header.hedr.depth = 600;
    AppendBlock(list, &set, &header);
    CreateBlock(owner, &set, &page, TAG_PAGE, nullptr, 0);
    HGLOBAL data = Animation();
    GlobalBlock object(CreatePageObject(&page, TAG_ANIM, 0, (LONG_PTR)data));
    GlobalFree(data);
    {
        GlobalLocked<OBJECTANIM> o(object.get());
        o->header.number = 150;
    }
    double sum = 0;
    for (int i = 0; i < FRAMES; i++)
        sum += Delay(i) / 1000.0;

    printf("%d frames of %d x %d, delays 30/50/70 ms, sum %.0f ms\n", FRAMES, WIDTH, HEIGHT, sum * 1000);
    double reference = TimerChain(false);
    double preview = Play(owner, &page, list, object.get());
    printf("reference (bare timer chain): %.0f ms, ratio to the sum %.3f\n", reference * 1000, reference / sum);
    printf("preview: %.0f ms, ratio to the sum %.3f (goal <= 1.1), to the reference %.3f\n", preview * 1000,
           preview / sum, preview / reference);

    // What drawing costs: the same frames at delays of 0 (1 ms timers).
    {
        GlobalLocked<char> o(object.get());
        for (int i = 0; i < FRAMES; i++)
            ((OBJECTANIMFRAME *)(o.get() + sizeof(OBJECTANIM) + sizeof(ANIMHEADER)))[i].delay = 0;
    }
    double bare = TimerChain(true);
    double drawn = Play(owner, &page, list, object.get());
    printf("at delays of 0: %.2f ms a frame drawn, %.2f ms a bare 1 ms tick\n", drawn * 1000 / FRAMES,
           bare * 1000 / FRAMES);

    UnhookWindowsHookEx(hook);
    object.Reset();
    DestroyBlock(&page);
    DestroyWindow(owner);
    return 0;
}
