// A page change in the show window to a page of 100 objects of mixed kinds,
// from the posted page request to the page painted, timed against creating
// and painting 100 plain STATIC child windows in the same run.
//   scripts/wine-one.sh build/bin/runtime_bench.exe
#include "bench/clock.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/blockstore.h"
#include "common/owners.h"
#include "document/objects.h"
#include "media/dib.h"
#include "runtime/runtime.h"
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::Now;

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

constexpr int OBJECTS = 100, ROUNDS = 15;

// A small 24-bit picture for the static images, half of it see-through.
HGLOBAL Picture()
{
    HGLOBAL dib = CreateDib(24, 24, nullptr, 24);
    DibLock lock(dib);
    for (int y = 0; y < 24; y++)
        for (int x = 0; x < 24; x++)
            WritePixel(lock.Row(y), x, 24, x < 12 ? RGB(255, 0, 255) : RGB(0, 160, 0));
    return dib;
}

// The page: ten each of ten kinds, in a grid of 60 × 40 cells.
void FillPage(BLOCK &page)
{
    const uint32_t kinds[10] = {TAG_BUTN, TAG_TEXT, TAG_CHEC, TAG_RDIO, TAG_EDIT,
                                TAG_LIST, TAG_FRAM, TAG_STAT, TAG_TIME, TAG_WAVE};
    HGLOBAL picture = Picture();
    for (int i = 0; i < OBJECTS; i++) {
        uint32_t tag = kinds[i % 10];
        LONG_PTR data = 0;
        if (tag == TAG_STAT)
            data = (LONG_PTR)picture;
        else if (tag != TAG_FRAM && tag != TAG_TIME && tag != TAG_WAVE)
            data = (LONG_PTR) "Item";
        HGLOBAL h = CreatePageObject(&page, tag, 0, data);
        {
            GlobalLocked<OBJECTHEADER> o(h);
            int x = (i % 10) * 60, y = (i / 10) * 40;
            o->rect = {x + 2, y + 2, x + 58, y + 36};
            if (tag == TAG_TEXT && i % 20 == 1)
                o->flags |= OBJ_TRANSPARENT;
            if (tag == TAG_STAT) {
                auto *s = (OBJECTSTATICIMAGE *)o.get();
                s->colourtype = 2;
                s->transparency[1] = 255;
                s->transparency[5] = 255;
            }
        }
        AppendPageObject(&page, h);
    }
    GlobalFree(picture);
}

} // namespace

int main()
{
    hInst = GetModuleHandleA(NULL);
    controlfont = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    if (!QV_RegisterCommonClasses()) {
        printf("classes could not be registered\n");
        return 1;
    }
    // A document window as the shell makes it, with a header, an empty page
    // and the page of 100 objects.
    HWND owner = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, hInst, NULL);
    HWND list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 10, 10, owner, (HMENU)IDC_BLOCKLIST, hInst, NULL);
    HGLOBAL seth = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BLOCKSET));
    SetWindowValue(owner, GWLP_USERDATA, seth);
    BLOCKSET *set = LockBlockSet(owner);
    BLOCK header, empty, full;
    CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0);
    header.hedr.width = 600;
    header.hedr.depth = 400;
    header.hedr.flags = HEDR_FIXEDCLIENT;
    CreateBlock(owner, set, &empty, TAG_PAGE, nullptr, 0);
    CreateBlock(owner, set, &full, TAG_PAGE, nullptr, 0);
    FillPage(full);
    AppendBlock(list, set, &header);
    AppendBlock(list, set, &empty);
    AppendBlock(list, set, &full);

    HWND show = QV_OpenApplicationWindow(NULL, list, set, 1);
    Pump();
    HWND plain = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 600, 400, NULL, NULL,
                               hInst, NULL);
    Pump();
    std::vector<double> change, reference;
    for (int round = 0; round < ROUNDS; round++) {
        double t0 = Now();
        PostMessageA(show, QVM_SHOWPAGE, 1, 0);
        Pump();
        change.push_back(Now() - t0);
        PostMessageA(show, QVM_SHOWPAGE, 0, 0);
        Pump();

        t0 = Now();
        HWND children[OBJECTS];
        for (int i = 0; i < OBJECTS; i++) {
            int x = (i % 10) * 60, y = (i / 10) * 40;
            children[i] = CreateWindowA("STATIC", "Item", WS_CHILD | WS_VISIBLE, x + 2, y + 2, 56, 34, plain,
                                        (HMENU)(INT_PTR)(i + 1), hInst, NULL);
        }
        Pump();
        reference.push_back(Now() - t0);
        for (HWND c : children)
            DestroyWindow(c);
        Pump();
    }
    // Medians: the first rounds warm caches and fonts up.
    std::sort(change.begin(), change.end());
    std::sort(reference.begin(), reference.end());
    double c = change[ROUNDS / 2], r = reference[ROUNDS / 2];
    printf("page change to %d mixed objects: %.2f ms\n", OBJECTS, c * 1000);
    printf("100 plain STATIC windows created and painted: %.2f ms\n", r * 1000);
    printf("ratio: %.2f (goal <= 2)\n", c / r);

    DestroyWindow(plain);
    DestroyWindow(show);
    Pump();
    FreeBlocks(owner, set);
    UnlockBlockSet(owner);
    GlobalFree(seth);
    DestroyWindow(owner);
    QV_UnregisterCommonClasses();
    DeleteObject(controlfont);
    return 0;
}
