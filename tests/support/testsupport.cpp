#include "tests/support/testsupport.h"
#include "document/objects.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <set>

namespace sbtest {

static const char testclass[] = "SbTestWindow";

static LRESULT CALLBACK TestWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND CreateTestWindow(bool shown, int width, int height, WNDPROC proc, const char *title)
{
    static bool registered;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = TestWndProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = testclass;
        RegisterClassA(&wc);
        registered = true;
    }
    HWND hwnd = CreateWindowExA(0, testclass, title, WS_OVERLAPPEDWINDOW | (shown ? WS_VISIBLE : 0), 0, 0,
                                width, height, NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (hwnd && proc)
        SetWindowLongA(hwnd, GWL_WNDPROC, (LONG)proc);
    if (hwnd && shown) {
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        UpdateWindow(hwnd);
    }
    return hwnd;
}

void PumpUntilIdle(int ms)
{
    DWORD until = GetTickCount() + (DWORD)ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if ((int)(GetTickCount() - until) >= 0)
            break;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
    }
}

bool PumpUntil(const std::function<bool()> &done, int ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if ((int)(GetTickCount() - start) >= ms)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
    }
}

void *ReplaceImport(const char *dll, const char *name, void *replacement)
{
    auto *base = (uint8_t *)GetModuleHandleA(NULL);
    auto *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress)
        return nullptr;
    for (auto *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + imports.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA((const char *)(base + d->Name), dll) != 0 || !d->OriginalFirstThunk)
            continue;
        auto *names = (IMAGE_THUNK_DATA *)(base + d->OriginalFirstThunk);
        auto *slots = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                strcmp((const char *)((IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData))->Name, name) != 0)
                continue;
            DWORD protect;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protect))
                return nullptr;
            void *previous = (void *)slots->u1.Function;
            slots->u1.Function = (DWORD_PTR)replacement;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protect, &protect);
            return previous;
        }
    }
    return nullptr;
}

COLORREF Capture::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height || pixels.size() < (size_t)width * height) {
        if (!failed) {
            ADD_FAILURE() << "pixel (" << x << ", " << y << ") read outside a capture of " << width << " x "
                          << height;
            failed = true;
        }
        return CLR_INVALID;
    }
    uint32_t p = pixels[(size_t)y * width + x];
    return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
}

Capture CaptureDC(HDC dc, int width, int height)
{
    Capture c;
    if (width <= 0 || height <= 0)
        return c;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!section) {
        ADD_FAILURE() << "no bitmap of " << width << " x " << height << " to capture into";
        c.failed = true;
        return c;
    }
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, section);
    BitBlt(mem, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    c.width = width;
    c.height = height;
    c.pixels.assign((uint32_t *)bits, (uint32_t *)bits + (size_t)width * height);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(section);
    return c;
}

MemoryDC::MemoryDC(int w, int h) : width(w), height(h)
{
    HDC screen = GetDC(NULL);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(NULL, screen);
    old = SelectObject(dc, bitmap);
}

MemoryDC::~MemoryDC()
{
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

void Snapshot(const Capture &c, const char *name)
{
    char folder[MAX_PATH];
    if (!GetEnvironmentVariableA("SB_SCREENSHOTS", folder, sizeof folder))
        return;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = c.width;
    ih.biHeight = -c.height;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    DWORD bytes = (DWORD)(c.pixels.size() * 4);
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + bytes;
    std::string path = std::string(folder) + "\\" + name + ".bmp";
    if (FILE *f = fopen(path.c_str(), "wb")) {
        fwrite(&fh, sizeof fh, 1, f);
        fwrite(&ih, sizeof ih, 1, f);
        fwrite(c.pixels.data(), bytes, 1, f);
        fclose(f);
    }
}

void Snapshot(HWND window, const char *name)
{
    // A picture for people to look at: a window that is not there (the
    // test fails on it elsewhere) is left out rather than failed on.
    // What is waiting to be painted (a paste just made, say) is painted first.
    if (GetEnvironmentVariableA("SB_SCREENSHOTS", NULL, 0) && IsWindow(window)) {
        RedrawWindow(window, NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
        Snapshot(CaptureClient(window), name);
    }
}

const BigCaption bigcaptions[2] = {
    {"a tall font", "Hello new user and welcome aboard", FALSE, 120, CAPTION_TOP | CAPTION_BOTTOM},
    {"struck through and wider than its button", "Hello", TRUE, 30, CAPTION_LEFT | CAPTION_RIGHT}};

const BigCaptionLook bigcaptionlooks[3] = {
    {"system", OBJ_VISIBLE | OBJ_ENABLED, {2, 2, -2, BIGCAPTIONDEPTH - 2}},
    {"soft", OBJ_VISIBLE | OBJ_ENABLED | OBJ_SOFTCUSTOM, {2, 0, -3, BIGCAPTIONDEPTH - 1}},
    {"soft system", OBJ_VISIBLE | OBJ_ENABLED | OBJ_LOOP, {2, 0, -3, BIGCAPTIONDEPTH - 1}}};

HFONT BigCaptionFont(const BigCaption &row)
{
    return CreateFontA(60, 0, 0, 0, 400, 0, 0, row.struck, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
}

void ExpectCaptionInFace(const Capture &c, RECT with, RECT without, RECT face, int sides)
{
    int outside = 0, on[4] = {};
    for (int y = 0; y < with.bottom - with.top; y++)
        for (int x = 0; x < with.right - with.left; x++) {
            if (c.At(with.left + x, with.top + y) == c.At(without.left + x, without.top + y))
                continue;
            if (!PtInRect(&face, POINT{x, y})) {
                outside++;
                continue;
            }
            on[0] += x == face.left;
            on[1] += y == face.top;
            on[2] += x == face.right - 1;
            on[3] += y == face.bottom - 1;
        }
    EXPECT_EQ(outside, 0) << "caption ink on the edge or beyond";
    const char *names[4] = {"left", "top", "right", "bottom"};
    for (int i = 0; i < 4; i++) {
        if (sides & (1 << i)) {
            EXPECT_GT(on[i], 0) << "the caption reaches the face's " << names[i];
        }
    }
}

double ProcessorMs(HANDLE thread)
{
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(thread, &created, &ended, &kernel, &user))
        return 0;
    auto ms = [](FILETIME t) { return (double)(((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

int GdiObjects()
{
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return (int)n;
    // Every handle that answers to its table index alone is a live object.
    int n = 0;
    for (UINT_PTR i = 1; i < 0x10000; i++)
        if (GetObjectType((HGDIOBJ)i))
            n++;
    return n;
}

Capture CaptureClient(HWND hwnd)
{
    // A window that a failed step never made, or that has gone, has no
    // client area, and its rectangle would be whatever the stack held.
    RECT r;
    if (!GetClientRect(hwnd, &r)) {
        Capture none;
        ADD_FAILURE() << "no window " << (void *)hwnd << " to capture";
        none.failed = true;
        return none;
    }
    HDC dc = GetDC(hwnd);
    Capture c = CaptureDC(dc, r.right, r.bottom);
    ReleaseDC(hwnd, dc);
    return c;
}

ModalRecorder *ModalRecorder::current;

ModalRecorder::ModalRecorder(INT_PTR fallback) : fallback(fallback)
{
    previous = COMMONSetModalHook(Hook);
    current = this;
}

ModalRecorder::~ModalRecorder()
{
    COMMONSetModalHook(previous);
    current = nullptr;
}

void ModalRecorder::Answer(INT_PTR value)
{
    steps.push_back({false, value, {}});
}

void ModalRecorder::Drive(std::function<void(HWND)> driver)
{
    steps.push_back({true, 0, std::move(driver)});
}

// State of the one dialog being driven (modal calls do not nest in tests).
static std::set<HWND> knowndialogs;
static std::function<void(HWND)> pendingdriver;
static HWND drivendialog;
static int drivesteps;
static bool driving; // a driver is at work: it may wait, and the guard below waits with it

// A driver may wait as long as the work it drives takes, but one that never
// returns (it waits for what never comes, or on a dialog it opened that no
// one closes) would hang the test program. Past this bound, far beyond any
// driver's own work, the test fails and every dialog opened since the driven
// one was asked for is ended; a driver still running a minute after that
// ends the program, which cannot go on.
static DWORD driverbound = 240000;
static const DWORD drivergrace = 60000;
static DWORD drivestart;
static std::set<HWND> beforedrive;
static bool abandoned;

DWORD SetDriverBound(DWORD ms)
{
    DWORD previous = driverbound;
    driverbound = ms;
    return previous;
}

static BOOL CALLBACK CollectDialogs(HWND hwnd, LPARAM lParam)
{
    char cls[16];
    GetClassNameA(hwnd, cls, sizeof cls);
    if (strcmp(cls, "#32770") == 0)
        ((std::set<HWND> *)lParam)->insert(hwnd);
    return TRUE;
}

static void EndStuckDriver()
{
    DWORD waited = GetTickCount() - drivestart;
    if (waited >= driverbound && !abandoned) {
        abandoned = true;
        ADD_FAILURE() << "a dialog driver did not return within " << driverbound / 1000.0
                      << " s; the dialogs it was driving are ended";
        std::set<HWND> now;
        EnumThreadWindows(GetCurrentThreadId(), CollectDialogs, (LPARAM)&now);
        for (HWND d : now)
            if (!beforedrive.count(d))
                EndDialog(d, -2);
    } else if (abandoned && waited - driverbound >= drivergrace) {
        printf("a dialog driver did not return even with its dialogs ended: the test program ends here\n");
        fflush(stdout);
        fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 1);
    }
}

static void CALLBACK DriveTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (driving)
        EndStuckDriver();
    else
        drivesteps++;
    if (pendingdriver) {
        std::set<HWND> now;
        EnumThreadWindows(GetCurrentThreadId(), CollectDialogs, (LPARAM)&now);
        for (HWND d : now)
            if (!knowndialogs.count(d) && IsWindowVisible(d)) {
                drivendialog = d;
                auto driver = std::move(pendingdriver);
                pendingdriver = nullptr;
                // Dialogs the driver opens are driven from inside it.
                bool outer = driving;
                if (!outer) {
                    drivestart = GetTickCount();
                    beforedrive = knowndialogs;
                    abandoned = false;
                }
                driving = true;
                driver(d);
                driving = outer;
                return;
            }
    }
    // A driver that did not close its dialog must not hang the test.
    if (drivesteps > 500) {
        KillTimer(NULL, id);
        if (drivendialog && IsWindow(drivendialog))
            EndDialog(drivendialog, -2);
        ADD_FAILURE() << "a driven dialog did not close";
    }
}

INT_PTR ModalRecorder::Hook(const MODALCALL *call)
{
    ModalRecorder *self = current;
    ModalRecord r;
    r.kind = call->kind;
    if (call->name)
    {
        if (IS_INTRESOURCE(call->name)) {
            char number[16];
            snprintf(number, sizeof number, "#%u", (unsigned)(UINT_PTR)call->name);
            r.name = number;
        } else {
            r.name = call->name;
        }
    }
    if (call->text)
        r.text = call->text;
    if (call->caption)
        r.caption = call->caption;
    r.parent = call->parent;
    r.style = call->style;
    self->calls.push_back(r);
    if (self->steps.empty())
        return self->fallback;
    Step step = std::move(self->steps.front());
    self->steps.pop_front();
    if (!step.real)
        return step.value;
    knowndialogs.clear();
    EnumThreadWindows(GetCurrentThreadId(), CollectDialogs, (LPARAM)&knowndialogs);
    pendingdriver = std::move(step.driver);
    drivendialog = nullptr;
    drivesteps = 0;
    UINT_PTR timer = SetTimer(NULL, 0, 10, DriveTimer);
    INT_PTR result = COMMONModalForReal(call);
    KillTimer(NULL, timer);
    pendingdriver = nullptr;
    return result;
}

void Click(HWND dlg, int id)
{
    HWND button = GetDlgItem(dlg, id);
    if (!button) {
        ADD_FAILURE() << "no control " << id << " to click in dialog " << (void *)dlg;
        return;
    }
    SendMessageA(button, BM_CLICK, 0, 0);
}

void Paste(HWND dlg, int id, const std::string &text)
{
    HWND edit = GetDlgItem(dlg, id);
    if (!edit) {
        ADD_FAILURE() << "no control " << id << " to paste into in dialog " << (void *)dlg;
        return;
    }
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)text.c_str());
}

void HelpThenF1(HWND dlg, int help)
{
    Click(dlg, help);
    HELPINFO info{};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    SendMessageA(dlg, WM_HELP, 0, (LPARAM)&info);
}

std::vector<std::string> LaunchedTwice(const std::vector<ModalRecord> &calls)
{
    std::vector<std::string> pages;
    for (const ModalRecord &c : calls)
        if (c.kind == MODAL_LAUNCH)
            pages.push_back(c.text);
    EXPECT_FALSE(pages.empty());
    EXPECT_EQ(pages.size() % 2, 0u);
    std::vector<std::string> first(pages.begin(), pages.begin() + pages.size() / 2);
    EXPECT_EQ(first, std::vector<std::string>(pages.begin() + pages.size() / 2, pages.end()));
    return first;
}


namespace {
struct OWNSEEK {
    const char *cls;
    HWND found;
};

BOOL CALLBACK SeekOwnWindow(HWND w, LPARAM l)
{
    auto *s = (OWNSEEK *)l;
    DWORD pid = 0;
    char name[64] = "";
    GetWindowThreadProcessId(w, &pid);
    if (pid != GetCurrentProcessId() || !GetClassNameA(w, name, sizeof name) || lstrcmpiA(name, s->cls))
        return TRUE;
    s->found = w;
    return FALSE;
}
} // namespace

HWND FindOwnWindow(const char *cls)
{
    OWNSEEK seek{cls, NULL};
    EnumWindows(SeekOwnWindow, (LPARAM)&seek);
    return seek.found;
}
} // namespace sbtest
