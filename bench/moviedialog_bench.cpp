// The movie object's dialog opened (and cancelled as soon as it shows) on an
// object carrying a 50 MB movie, against one copy of those 50 MB into fresh
// memory measured in the same run; goal <= 1.5. Medians of seven rounds.
//   scripts/wine-one.sh build/bin/moviedialog_bench.exe
#include "bench/clock.h"
#include "common/modal.h"
#include "common/owners.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "editors/objectdialogs.h"
#include "media/dib.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using bench::Now;

constexpr uint32_t MOVIEBYTES = 50u << 20;

void CALLBACK CancelDialog(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND d = FindWindowA(NULL, "Movie"))
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
}

INT_PTR CancelHook(const MODALCALL *call)
{
    if (call->kind != MODAL_DIALOG)
        return 0;
    UINT_PTR t = SetTimer(NULL, 0, 1, CancelDialog);
    INT_PTR r = COMMONModalForReal(call);
    KillTimer(NULL, t);
    return r;
}

// A movie object: a 320 x 240 first frame, then 50 MB standing for its AVI
// file (the dialog reads no more of it than its place).
HGLOBAL MovieObject(BLOCK *page)
{
    HGLOBAL dib = CreateDib(320, 240, NULL, 24);
    SIZE_T dibsize = GlobalSize(dib);
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, dibsize + MOVIEBYTES);
    {
        GlobalLocked<char> d(data), picture(dib);
        memcpy(d.get(), picture.get(), dibsize);
        for (uint32_t i = 0; i < MOVIEBYTES; i += 4)
            memcpy(d.get() + dibsize + i, &i, 4);
    }
    GlobalFree(dib);
    HGLOBAL object = CreatePageObject(page, TAG_MOVI, 0, (LONG_PTR)data);
    GlobalFree(data);
    GlobalLocked<OBJECTMOVIE> o(object);
    o->avioffset = (uint32_t)dibsize;
    o->avilength = MOVIEBYTES;
    o->header.number = 100;
    return object;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main()
{
    InitCommonControls();
    HWND owner = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, NULL, NULL, NULL, NULL);
    BLOCKSET set{};
    BLOCK page{};
    CreateBlock(owner, &set, &page, TAG_PAGE, nullptr, 0);
    HGLOBAL object = MovieObject(&page);
    if (!object || !AppendPageObject(&page, object)) {
        printf("no memory for the movie object\n");
        return 1;
    }
    COMMONSetModalHook(CancelHook);
    std::vector<double> opens, copies;
    for (int round = 0; round < 7; ++round) {
        double start = Now();
        EditMovieObject(owner, &set, &page, 0);
        opens.push_back(Now() - start);
        GlobalLocked<char> from(GetPageObject(&page, 0));
        start = Now();
        char *to = (char *)malloc(from.size());
        if (to)
            memcpy(to, from.get(), from.size());
        copies.push_back(Now() - start);
        if (!to)
            return 1;
        volatile char keep = to[from.size() / 2];
        (void)keep;
        free(to);
    }
    double open = Median(opens), copy = Median(copies);
    printf("open and cancel: %.1f ms, one copy of the object: %.1f ms, ratio %.2f (goal <= 1.5)\n", open * 1000,
           copy * 1000, open / copy);
    COMMONSetModalHook(NULL);
    DestroyBlock(&page);
    DestroyWindow(owner);
    return 0;
}
