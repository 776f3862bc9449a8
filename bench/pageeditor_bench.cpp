// The page editor on a page of 100 mixed objects holding 20 MB of pictures:
// (a) opening it, against the show window's change to the same page;
// (b) a pick (the press on an object, which copies the whole page for undo),
//     against one memcpy of the page's bytes;
// (c) one mouse move of a drag across the page, against one repaint of it.
//   scripts/wine-one.sh build/bin/pageeditor_bench.exe
#include "bench/clock.h"
#include "common/owners.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "editor/shell.h"
#include "editors/pageeditor.h"
#include "media/dib.h"
#include "resources/pageeditor_ids.h"
#include "runtime/runtime.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using bench::Now;

constexpr int OBJECTS = 100, PICTURES = 10, ROUNDS = 7, MOVES = 100;
constexpr int PICTUREW = 1024, PICTUREH = 683; // about 2 MB each at 24 bits

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HGLOBAL Picture(int seed)
{
    HGLOBAL dib = CreateDib(PICTUREW, PICTUREH, nullptr, 24);
    DibLock lock(dib);
    for (int y = 0; y < PICTUREH; y++)
        memset(lock.Row(y), (seed * 37 + y) & 0xFF, (size_t)PICTUREW * 3);
    return dib;
}

// Ten each of ten kinds in a grid of 60 x 40 cells; the pictures are
// image and static image objects.
size_t FillPage(BLOCK &page)
{
    const uint32_t kinds[10] = {TAG_BUTN, TAG_TEXT, TAG_CHEC, TAG_IMAG, TAG_EDIT,
                                TAG_LIST, TAG_FRAM, TAG_STAT, TAG_TIME, TAG_WAVE};
    size_t bytes = 0;
    int pictures = 0;
    for (int i = 0; i < OBJECTS; i++) {
        uint32_t tag = kinds[i % 10];
        LONG_PTR data = 0;
        HGLOBAL picture = NULL;
        if ((tag == TAG_IMAG || tag == TAG_STAT) && pictures < PICTURES)
            data = (LONG_PTR)(picture = Picture(pictures++));
        else if (tag == TAG_IMAG || tag == TAG_STAT)
            tag = TAG_BUTN;
        if (!data && tag != TAG_FRAM && tag != TAG_TIME && tag != TAG_WAVE)
            data = (LONG_PTR) "Item";
        HGLOBAL h = CreatePageObject(&page, tag, 0, data);
        if (picture)
            GlobalFree(picture);
        {
            GlobalLocked<OBJECTHEADER> o(h);
            int x = (i % 10) * 60, y = (i / 10) * 40;
            o->rect = {x + 2, y + 2, x + 58, y + 36};
            o->number = 101 + i;
            bytes += o->totalsize;
        }
        AppendPageObject(&page, h);
    }
    return bytes;
}

// What runs inside the editor's loop once its window is there.
std::function<void(HWND page)> inside;
double opened;

LRESULT CALLBACK Runner(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP) {
        HWND page = PageEditorWindow();
        RedrawWindow(page, NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
        opened = Now();
        if (inside)
            inside(page);
        PostMessageA(page, WM_COMMAND, IDM_PAGECLOSE, 0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A header, an empty page and a full one; the full page's size in bytes.
size_t MakeDocument(HWND owner, HWND list, BLOCKSET *set)
{
    BLOCK header, empty, full;
    CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0);
    header.hedr.width = 600;
    header.hedr.depth = 400;
    header.hedr.flags = HEDR_FIXEDCLIENT;
    CreateBlock(owner, set, &empty, TAG_PAGE, nullptr, 0);
    CreateBlock(owner, set, &full, TAG_PAGE, nullptr, 0);
    size_t pagebytes = FillPage(full);
    AppendBlock(list, set, &header);
    AppendBlock(list, set, &empty);
    AppendBlock(list, set, &full);
    return pagebytes;
}

// The times the show window takes to change from the empty page to the full.
std::vector<double> ShowPageChanges(HWND list, BLOCKSET *set)
{
    HWND show = QV_OpenApplicationWindow(NULL, list, set, 1);
    Pump();
    std::vector<double> change;
    for (int round = 0; round < ROUNDS; round++) {
        double t0 = Now();
        PostMessageA(show, QVM_SHOWPAGE, 1, 0);
        Pump();
        change.push_back(Now() - t0);
        PostMessageA(show, QVM_SHOWPAGE, 0, 0);
        Pump();
    }
    DestroyWindow(show);
    Pump();
    return change;
}

} // namespace

int main()
{
    hInst = GetModuleHandleA(NULL);
    controlfont = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    if (!QV_RegisterCommonClasses() || !RegisterPageEditorClasses()) {
        printf("classes could not be registered\n");
        return 1;
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = Runner;
    wc.hInstance = hInst;
    wc.lpszClassName = "BenchRunner";
    RegisterClassA(&wc);
    HWND runner = CreateWindowA("BenchRunner", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, hInst, NULL);
    MinimumObjectSize = 16;

    HWND owner = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, hInst, NULL);
    HWND list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 10, 10, owner, (HMENU)IDC_BLOCKLIST, hInst, NULL);
    HGLOBAL seth = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BLOCKSET));
    SetWindowValue(owner, GWLP_USERDATA, seth);
    BLOCKSET *set = LockBlockSet(owner);
    size_t pagebytes = MakeDocument(owner, list, set);
    printf("page of %d objects, %.1f MB\n", OBJECTS, pagebytes / 1048576.0);
    fflush(stdout);

    // (a) The reference: the show window's change to the same page.
    std::vector<double> change = ShowPageChanges(list, set), open;

    BLOCK page;
    for (int round = 0; round < ROUNDS; round++) {
        GetBlock(list, 2, &page);
        inside = nullptr;
        PostMessageA(runner, WM_APP, 0, 0);
        double t0 = Now();
        EditPage(owner, set, &page, 2);
        open.push_back(opened - t0);

    }

    // (b) A pick against one memcpy of the page's bytes.
    std::vector<double> pick, copy, move, repaint;
    std::vector<char> buffer(pagebytes);
    inside = [&](HWND pagewindow) {
        HWND w = GetDlgItem(pagewindow, 101);
        for (int round = 0; round < ROUNDS; round++) {
            double t0 = Now();
            SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
            pick.push_back(Now() - t0);
            SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
            Pump();
            t0 = Now();
            size_t at = 0;
            for (uint32_t i = 0; i < BlockObjectCount(&page); i++) {
                GlobalLocked<OBJECTHEADER> o(GetPageObject(&page, i));
                memcpy(buffer.data() + at, o.get(), o->totalsize);
                at += o->totalsize;
            }
            copy.push_back(Now() - t0);
        }
        // (c) A drag across the page, per move, against a repaint of the page.
        for (int round = 0; round < ROUNDS; round++) {
            SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
            double t0 = Now();
            for (int i = 1; i <= MOVES; i++) {
                SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20 + i * 5, 10 + i * 3));
                Pump();
            }
            move.push_back((Now() - t0) / MOVES);
            SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(20 + MOVES * 5, 10 + MOVES * 3));
            Pump();
            t0 = Now();
            RedrawWindow(pagewindow, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            repaint.push_back(Now() - t0);
        }
    };
    GetBlock(list, 2, &page);
    PostMessageA(runner, WM_APP, 0, 0);
    EditPage(owner, set, &page, 2);

    double a = Median(open), ar = Median(change), b = Median(pick), br = Median(copy), c = Median(move),
           cr = Median(repaint);
    printf("(a) opening in the page editor: %.2f ms; show window's page change: %.2f ms; ratio %.2f (goal <= 1.5)\n",
           a * 1000, ar * 1000, a / ar);
    printf("(b) a pick: %.2f ms; memcpy of the page: %.2f ms; ratio %.2f (goal <= 2)\n", b * 1000, br * 1000,
           b / br);
    printf("(c) one move of a drag: %.3f ms; repaint of the page: %.3f ms; ratio %.2f (goal <= 1.2)\n", c * 1000,
           cr * 1000, c / cr);

    DestroyWindow(runner);
    FreeBlocks(owner, set);
    UnlockBlockSet(owner);
    GlobalFree(seth);
    DestroyWindow(owner);
    QV_UnregisterCommonClasses();
    DeleteObject(controlfont);
    return 0;
}
