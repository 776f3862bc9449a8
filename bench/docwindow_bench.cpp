// Opening a document of pictures in a document window until its block
// list shows with thumbnails, timed against the bare load of the same file
// into a plain list in the same run (goal 1.1); then scrolling through the
// whole list once, item by item, against building every page's thumbnail
// one after another before the list shows (goal 1.2).
//   scripts/wine-one.sh build/bin/docwindow_bench.exe
#include "bench/clock.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "document/reader.h"
#include "document/writer.h"
#include "editor/docwindow.h"
#include "editor/shell.h"
#include "editor/shellservices.h"
#include "media/dib.h"
#include "runtime/thumbs.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using bench::Now;

constexpr int WIDTH = 1024, HEIGHT = 768, PICTURES = 22, ROUNDS = 5;

// The document benchmark's pictures: photograph-like and flat ones by turns.
HGLOBAL Picture(int index)
{
    HGLOBAL dib = CreateDib(WIDTH, HEIGHT, nullptr, 24);
    DibLock lock(dib);
    uint32_t seed = 0x9E3779B9u * (uint32_t)(index + 1);
    for (int y = 0; y < HEIGHT; y++) {
        uint8_t *p = lock.Row(y);
        for (int x = 0; x < WIDTH; x++, p += 3) {
            if (index % 2 == 0) {
                seed = seed * 1664525u + 1013904223u;
                int grain = (int)(seed >> 28) - 8;
                int base = 128 + (int)(std::sin(x * 0.011 + index) * std::cos(y * 0.017 - index) * 100.0);
                p[0] = (uint8_t)std::clamp(base + grain + x / 16, 0, 255);
                p[1] = (uint8_t)std::clamp(base + grain / 2 + y / 12, 0, 255);
                p[2] = (uint8_t)std::clamp(255 - base + grain, 0, 255);
            } else {
                static const uint8_t colours[5][3] = {
                    {255, 255, 255}, {200, 40, 40}, {30, 90, 200}, {240, 240, 200}, {20, 20, 20}};
                memcpy(p, colours[(x / 128 + y / 96 + index) % 5], 3);
            }
        }
    }
    return dib;
}

// A plain window with a block list, as the document benchmark loads into.
struct Plain {
    HWND owner, list;
    HGLOBAL seth;
    BLOCKSET *set;
    Plain()
    {
        owner = CreateWindowA("BenchPlain", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL, hInst, NULL);
        list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 10, 10, owner, (HMENU)IDC_BLOCKLIST, hInst, NULL);
        seth = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BLOCKSET));
        SetWindowValue(owner, GWLP_USERDATA, seth);
        set = LockBlockSet(owner);
    }
    ~Plain()
    {
        FreeBlocks(owner, set);
        UnlockBlockSet(owner);
        GlobalFree(seth);
        DestroyWindow(owner);
    }
};

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefFrameProcA(hwnd, hwndclient, msg, wParam, lParam);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// What the frame's Open does, then the list drawn: the number of pages
// shown with their thumbnails, and in *elapsed the time until the list
// shows. Closing the window afterwards is not counted: nobody waits for it.
int OpenAndShow(HWND frame, const char *path, double *elapsed)
{
    double t = Now();
    HWND window = CreateNewTask(frame, path, 0);
    BLOCKSET *set = window ? LockBlockSet(window) : nullptr;
    if (!set)
        return -1;
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    int shown = -1;
    bool loaded;
    {
        ListLayoutHold hold(list);
        loaded = LoadExeFile(list, set, path) != 0;
    }
    if (loaded) {
        AdjustHeader(list, set);
        AdjustListBox(list, set);
        SetBrowserSize(window, set);
        set->named = 1;
        Pump();
        UpdateWindow(list);
        *elapsed = Now() - t;
        shown = 0;
        int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
        RECT client, item;
        GetClientRect(list, &client);
        for (int i = 1; i < count; i++) {
            BLOCK block;
            if (SendMessageA(list, LB_GETITEMRECT, i, (LPARAM)&item) == LB_ERR || item.top >= client.bottom)
                break;
            if (GetBlock(list, (unsigned)i, &block) && block.thumbnail)
                shown++;
        }
    }
    UnlockBlockSet(window);
    SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)window, 0);
    return shown;
}

// An open document window in thumbnail view, its list shown once.
HWND OpenShown(HWND frame, const char *path)
{
    HWND window = CreateNewTask(frame, path, 0);
    BLOCKSET *set = window ? LockBlockSet(window) : nullptr;
    if (!set)
        return NULL;
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    if (LoadExeFile(list, set, path)) {
        AdjustHeader(list, set);
        AdjustListBox(list, set);
        SetBrowserSize(window, set);
        Pump();
        UpdateWindow(list);
    }
    UnlockBlockSet(window);
    return window;
}

// Every item brought to the top of the list in turn and drawn.
double ScrollThrough(HWND window)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    double t = Now();
    for (int i = 1; i < count; i++) {
        SendMessageA(list, LB_SETTOPINDEX, i, 0);
        UpdateWindow(list);
    }
    return Now() - t;
}

// Every page's thumbnail made at once, as the page's picture
// (CreateViewImage), the way a list that built them all before showing did.
double BuildAll(HWND window)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    BLOCKSET *set = LockBlockSet(window);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    double t = Now();
    for (int i = 1; set && i < count; i++) {
        BLOCK page;
        if (GetBlock(list, (unsigned)i, &page) && CreateViewImage(window, list, set, &page, (unsigned)i) == 1)
            PutBlock(list, (unsigned)i, &page);
    }
    double elapsed = Now() - t;
    UnlockBlockSet(window);
    return elapsed;
}

void Close(HWND window) { SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)window, 0); }

} // namespace

int main()
{
    hInst = GetModuleHandleA(NULL);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = hInst;
    wc.lpszClassName = "BenchPlain";
    RegisterClassA(&wc);
    wc.lpfnWndProc = FrameProc;
    wc.lpszClassName = "BenchFrame";
    RegisterClassA(&wc);
    wc.lpfnWndProc = TaskProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = TASKCLASSNAME;
    RegisterClassA(&wc);

    Plain doc;
    BLOCK header;
    CreateBlock(doc.owner, doc.set, &header, TAG_HEDR, nullptr, 0);
    AppendBlock(doc.list, doc.set, &header);
    for (int i = 0; i < PICTURES; i += 2) {
        BLOCK page;
        CreateBlock(doc.owner, doc.set, &page, TAG_PAGE, nullptr, 0);
        for (int j = i; j < i + 2; j++) {
            HGLOBAL dib = Picture(j);
            HGLOBAL object = CreatePageObject(&page, TAG_IMAG, MAKELONG(j * 40, j * 30), (LONG_PTR)dib);
            AppendPageObject(&page, object);
            GlobalFree(dib);
        }
        AppendBlock(doc.list, doc.set, &page);
    }
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string path = std::string(dir) + "sb_bench_docwindow.exe";
    if (!WriteExeFile(doc.list, doc.set, path.c_str())) {
        printf("the document could not be written\n");
        return 1;
    }
    WIN32_FILE_ATTRIBUTE_DATA info{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info);
    printf("document: %d pictures in %d pages, file %.1f MB\n", PICTURES, PICTURES / 2, info.nFileSizeLow / 1048576.0);

    HWND frame = CreateWindowA("BenchFrame", "bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                               1000, 740, NULL, NULL, hInst, NULL);
    CLIENTCREATESTRUCT ccs{};
    ccs.idFirstChild = 810;
    RECT r;
    GetClientRect(frame, &r);
    hwndclient = CreateWindowA("MDICLIENT", NULL, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, r.right, r.bottom,
                               frame, NULL, hInst, &ccs);
    hwndmain = frame;

    double bare = 1e9, shown = 1e9;
    int pages = 0;
    for (int round = 0; round < ROUNDS; round++) {
        double t = Now();
        {
            Plain loaded;
            if (!LoadExeFile(loaded.list, loaded.set, path.c_str()))
                printf("the bare load failed\n");
        }
        bare = std::min(bare, Now() - t);
        double elapsed = 1e9;
        pages = OpenAndShow(frame, path.c_str(), &elapsed);
        shown = std::min(shown, elapsed);
    }
    double scrolled = 1e9, eager = 1e9;
    for (int round = 0; round < ROUNDS; round++) {
        HWND window = OpenShown(frame, path.c_str());
        SendMessageA(window, WMU_REFRESHTHUMBNAILS, 0, 0);
        eager = std::min(eager, BuildAll(window));
        Close(window);
        window = OpenShown(frame, path.c_str());
        SendMessageA(window, WMU_REFRESHTHUMBNAILS, 0, 0);
        scrolled = std::min(scrolled, ScrollThrough(window));
        Close(window);
    }
    DestroyWindow(frame);
    DeleteFileA(path.c_str());
    if (pages <= 0) {
        printf("the block list showed no thumbnails\n");
        return 1;
    }
    printf("shown  %7.3f s (%d pages with thumbnails), bare load %7.3f s: ratio %.2f (goal 1.1)\n", shown, pages,
           bare, shown / bare);
    printf("scrolled through %7.3f s, every thumbnail built first %7.3f s: ratio %.2f (goal 1.2)\n", scrolled,
           eager, scrolled / eager);
    return 0;
}
