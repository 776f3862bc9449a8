// Printing a page of 100 objects to a memory printer, timed against drawing
// the same page on a memory DC (goal 2); copying a page that holds 20 MB of
// pictures to the clipboard and pasting it into another document window,
// timed against two memcpy of its bytes (goal 2).
//   scripts/wine-one.sh build/bin/transfer_bench.exe
#include "bench/clock.h"
#include "common/modal.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "editor/blocks.h"
#include "editor/clipboard.h"
#include "editor/docwindow.h"
#include "editor/parts.h"
#include "editor/shell.h"
#include "editor/viewprint.h"
#include "media/dib.h"
#include "resources/editorframe_ids.h"
#include "runtime/thumbs.h"
#include <commdlg.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using bench::Now;

constexpr int ROUNDS = 5;

HDC printerdc;

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROYCLIPBOARD)
        return WndProc(hwnd, msg, wParam, lParam);
    return DefFrameProcA(hwnd, hwndclient, msg, wParam, lParam);
}

INT_PTR Answer(const MODALCALL *call)
{
    if (call->kind == MODAL_COMMONDIALOG && strcmp(call->name, "PrintDlg") == 0) {
        auto *pd = (PRINTDLGA *)call->data;
        pd->hDC = printerdc;
        pd->nCopies = 1;
        return 1;
    }
    return IDCANCEL;
}

bool Default(char *name, size_t size) { return snprintf(name, size, "memory"), true; }
void Size(HDC, int *width, int *height) { *width = 1400, *height = 1000; }
int WINAPI Yes(HDC) { return 1; }
int WINAPI YesDoc(HDC, const DOCINFOA *) { return 1; }
void Keep(HDC) {}

HGLOBAL Picture(int width, int height, int seed)
{
    HGLOBAL dib = CreateDib(width, height, nullptr, 24);
    DibLock lock(dib);
    for (int y = 0; y < height; y++) {
        uint8_t *p = lock.Row(y);
        for (int x = 0; x < width * 3; x++)
            p[x] = (uint8_t)(x * 7 + y * 3 + seed * 41);
    }
    return dib;
}

// A document window holding one page of `count` pictures of width x height.
HWND Document(HWND frame, int count, int width, int height)
{
    HWND w = CreateNewTask(frame, "bench.exe", 0);
    BLOCKSET *set = LockBlockSet(w);
    DoNew(frame, w, set);
    HWND list = GetDlgItem(w, IDC_BLOCKLIST);
    BLOCK page;
    CreateBlock(w, set, &page, TAG_PAGE, nullptr, 0);
    for (int i = 0; i < count; i++) {
        HGLOBAL dib = Picture(width, height, i);
        AppendPageObject(&page, CreatePageObject(&page, TAG_IMAG, MAKELONG((i % 10) * 60, (i / 10) * 45), (LONG_PTR)dib));
        GlobalFree(dib);
    }
    AppendBlock(list, set, &page);
    set->caret = 1;
    UnlockBlockSet(w);
    return w;
}

// The frame window with its MDI client, where the documents open.
HWND MakeFrame()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = hInst;
    wc.lpszClassName = "BenchFrame";
    RegisterClassA(&wc);
    wc.lpfnWndProc = TaskProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = TASKCLASSNAME;
    RegisterClassA(&wc);
    HWND frame = CreateWindowA("BenchFrame", "bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 1000,
                               740, NULL, NULL, hInst, NULL);
    CLIENTCREATESTRUCT ccs{};
    ccs.idFirstChild = IDM_FIRSTCHILD;
    RECT r;
    GetClientRect(frame, &r);
    hwndclient = CreateWindowA("MDICLIENT", NULL, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, r.right, r.bottom,
                               frame, NULL, hInst, &ccs);
    hwndmain = frame;
    return frame;
}

} // namespace

int main()
{
    hInst = GetModuleHandleA(NULL);
    HWND frame = MakeFrame();

    // Printing: the page drawn and stretched onto the printer's sheet.
    HDC screen = GetDC(NULL);
    printerdc = CreateCompatibleDC(screen);
    HBITMAP sheet = CreateCompatibleBitmap(screen, 1400, 1000);
    ReleaseDC(NULL, screen);
    HGDIOBJ old = SelectObject(printerdc, sheet);
    SHOWHOST host = QV_SystemHost;
    host.printer = PRINTERPROVIDER{Default, nullptr, Size, YesDoc, Yes, Yes, Yes, Yes, Keep, nullptr, nullptr};
    EDITORPARTS parts{};
    parts.showhost = &host;
    BindEditorParts(frame, &parts);
    COMMONSetModalHook(Answer);
    PrinterResolution = 75;
    HWND page = Document(frame, 100, 56, 40);
    HWND list = GetDlgItem(page, IDC_BLOCKLIST);
    SendMessageA(list, LB_SETSEL, TRUE, 1);
    BLOCKSET *set = LockBlockSet(page);
    BLOCK block;
    GetBlock(list, 1, &block);
    double drawn = 1e9, printed = 1e9;
    for (int round = 0; round < ROUNDS; round++) {
        double t = Now();
        HGLOBAL dib = CreatePrintImage(page, list, set, &block, 1);
        drawn = std::min(drawn, Now() - t);
        GlobalFree(dib);
        t = Now();
        DoPrint(page, set);
        printed = std::min(printed, Now() - t);
    }
    UnlockBlockSet(page);
    printf("print of a page of 100 objects: %.1f ms, drawing it on a memory DC %.1f ms: ratio %.2f (goal 2)\n",
           printed * 1e3, drawn * 1e3, printed / drawn);

    // The clipboard: 7 pictures of 1024 x 960, 20 MB of page.
    HWND source = Document(frame, 7, 1024, 960), target = Document(frame, 0, 1, 1);
    BLOCKSET *from = LockBlockSet(source), *to = LockBlockSet(target);
    GetBlock(GetDlgItem(source, IDC_BLOCKLIST), 1, &block);
    size_t bytes = 0;
    for (uint32_t i = 0; i < BlockObjectCount(&block); i++)
        bytes += GlobalSize(GetPageObject(&block, i));
    // The reference copies into new memory, as the clipboard and the pasted
    // page must: a block taken afresh costs more than one used before.
    double copied = 1e9, reference = 1e9, platform = 1e9;
    for (int round = 0; round < ROUNDS; round++) {
        double t = Now();
        HGLOBAL a = GlobalAlloc(GMEM_MOVEABLE, bytes), b = GlobalAlloc(GMEM_MOVEABLE, bytes);
        char *pa = (char *)GlobalLock(a), *pb = (char *)GlobalLock(b);
        size_t at = 0;
        for (uint32_t i = 0; i < BlockObjectCount(&block); i++) {
            HGLOBAL h = GetPageObject(&block, i);
            memcpy(pa + at, GlobalLock(h), GlobalSize(h));
            GlobalUnlock(h);
            at += GlobalSize(h);
        }
        memcpy(pb, pa, bytes);
        reference = std::min(reference, Now() - t);
        GlobalUnlock(b);
        // What the system's clipboard itself takes to hold that much.
        t = Now();
        if (OpenClipboard(frame)) {
            EmptyClipboard();
            SetClipboardData(0x2FF, b) || GlobalFree(b);
            CloseClipboard();
        }
        platform = std::min(platform, Now() - t);
        GlobalUnlock(a);
        GlobalFree(a);
        t = Now();
        DoCopyBlockToClipboard(source, from, 1);
        DoPasteBlockFromClipboard(target, to, 0);
        copied = std::min(copied, Now() - t);
        DoDeleteOneBlock(target, to, 2);
        to->caret = 1;
    }
    UnlockBlockSet(source);
    UnlockBlockSet(target);
    printf("copy and paste of a page of %.1f MB: %.1f ms, two memcpy %.1f ms: ratio %.2f (goal 2)\n", bytes / 1048576.0,
           copied * 1e3, reference * 1e3, copied / reference);
    printf("of which the system's clipboard takes %.1f ms to hold the data: without it, ratio %.2f\n",
           platform * 1e3, (copied - platform) / reference);
    if (OpenClipboard(frame)) {
        EmptyClipboard();
        CloseClipboard();
    }
    SelectObject(printerdc, old);
    DeleteObject(sheet);
    DeleteDC(printerdc);
    return 0;
}
