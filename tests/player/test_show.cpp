// The player's show as its users see it from outside: applets of a page
// reached inside a box, composed pictures of the first page, movies that
// move, the libraries a plain first page leaves unloaded; and what the
// player carries to show itself: its icon and its boxes.
#include "applet/applet.h"
#include "document/applet.h"
#include "common/msgdlg.h"
#include "document/about.h"
#include "player/loading.h"
#include "player/variants.h"
#include "runtime/runtime.h"
#include "tests/player/playerfixture.h"
#include "tests/support/testsupport.h"
#include <tlhelp32.h>
#include <algorithm>
#include <cstring>
#include <set>

using namespace playertest;

namespace {

FolderCleanup cleanup;

HWND VisibleWindow(DWORD pid, const std::string &caption)
{
    for (const PLAYWINDOW &w : ProcessWindows(pid))
        if (w.caption == caption && w.visible)
            return w.hwnd;
    return NULL;
}

// What the screen shows of a window, another process's included.
std::vector<uint32_t> ScreenOf(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    std::vector<uint32_t> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    pixels.assign((uint32_t *)bits, (uint32_t *)bits + width * height);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return pixels;
}

// The player program as a file, loaded for its resources only.
struct PlayerResources {
    std::string path = DocPath("resources.exe");
    HMODULE module = NULL;
    PlayerResources()
    {
        if (WriteFileBytes(path, PlayerBytes()))
            module = LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~PlayerResources()
    {
        if (module)
            FreeLibrary(module);
    }
};

} // namespace

// A timer moves the show on while the about box is open; once the box is
// closed the next page's applet runs its lines and ends the program.
TEST(Show, AppletsOfAPageReachedInsideABoxRun)
{
    std::string path = DocPath("modal.exe");
    {
        SAMPLEDOC doc("Modal", 240, 160, RGB(0, 0, 0));
        BLOCK &one = doc.Page("One", RGB(90, 90, 90));
        HGLOBAL t = doc.Add(one, TAG_TIME, RECT{0, 0, 32, 32});
        ASSERT_TRUE(t);
        {
            GlobalLocked<OBJECTTIMER> o(t);
            o->action = ACTION_NEXTPAGE;
            o->delay = 1;
            o->header.flags |= OBJ_ENABLED;
        }
        BLOCK &two = doc.Page("Two", RGB(0, 90, 0));
        HGLOBAL a = doc.Add(two, TAG_APPL, RECT{10, 10, 200, 100});
        ASSERT_TRUE(a);
        const char script[] = "declareint(@x,0)\ninc(@x)\ninc(@x)\nquit()\n";
        HGLOBAL withscript = AppendAppletEntry(a, script, (unsigned long)sizeof script, ENTRY_TEXT, 1);
        ASSERT_TRUE(withscript);
        PutPageObject(&two, withscript, BlockObjectCount(&two) - 1);
        GlobalFree(a);
        ASSERT_TRUE(doc.Save(path.c_str()));
    }
    bool ended = false;
    PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD pid) {
        PostMessageA(show, WM_SYSCOMMAND, 100, 0);
        HWND box = NULL;
        ASSERT_TRUE(WaitFor([&] { return (box = VisibleWindow(pid, "Modal")) != NULL; }));
        EXPECT_TRUE(WaitFor([&] { return Title(show) == "Modal - Two"; })) << "the timer's next page";
        PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        ended = WaitFor([&] { return !IsWindow(show); });
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(out.ended);
    EXPECT_EQ(out.code, 0u);
    EXPECT_TRUE(out.messages.empty());
}

// A picture with alpha on the first page is composed over the page's own
// colour: half red over 0,0,158 is 128,0,79.
TEST(Show, ComposedPicturesOfTheFirstPageBlendOverItsBackground)
{
    std::string path = DocPath("blend.exe");
    const int side = 64;
    std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + side * side * 4);
    BITMAPINFOHEADER head{sizeof(BITMAPINFOHEADER), side, side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    memcpy(dib.data(), &head, sizeof head);
    for (size_t i = sizeof head; i < dib.size(); i += 4)
        dib[i] = 0, dib[i + 1] = 0, dib[i + 2] = 0xFF, dib[i + 3] = 0x80;
    {
        SAMPLEDOC doc("Blend", 240, 160, RGB(0, 0, 0));
        for (const char *title : {"First", "Second"}) {
            BLOCK &page = doc.Page(title, RGB(0, 0, 158));
            HGLOBAL h = doc.Add(page, TAG_STAT, RECT{40, 40, 40 + side, 40 + side}, nullptr, dib);
            ASSERT_TRUE(h);
            GlobalLocked<OBJECTSTATICIMAGE>(h)->colourtype = 6; // colours with alpha
        }
        ASSERT_TRUE(doc.Save(path.c_str()));
    }
    PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD) {
        for (const char *title : {"First", "Second"}) {
            SCOPED_TRACE(title);
            EXPECT_TRUE(WaitFor([&] { return Title(show) == std::string("Blend - ") + title; }));
            EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(show, 20, 20), RGB(0, 0, 158)); }));
            EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(show, 72, 72), RGB(128, 0, 79)); }))
                << std::hex << ScreenPixel(show, 72, 72);
            // Not past the last page: the player answers that with a box.
            if (strcmp(title, "First") == 0)
                PostMessageA(show, QVM_NEXTPAGE, 0, 0);
        }
    });
    EXPECT_TRUE(out.shown);
    EXPECT_TRUE(out.messages.empty());
}

// A playing movie shows its frames one after another on the screen: more
// different pictures than the poster frame and the page under it could make.
TEST(Show, AMoviePlaysItsFramesOnTheScreen)
{
    std::string path = DocPath("film.exe");
    {
        SAMPLEDOC doc("Film", 320, 240, RGB(0, 0, 0));
        BLOCK &page = doc.Page("Reel", RGB(0, 40, 40));
        uint32_t picture = 0, movie = 0;
        std::vector<uint8_t> film = SampleMovie(160, 120, &picture, &movie, 16);
        ASSERT_FALSE(film.empty());
        HGLOBAL h = doc.Add(page, TAG_MOVI, RECT{40, 40, 200, 160}, nullptr, film);
        ASSERT_TRUE(h);
        {
            GlobalLocked<OBJECTMOVIE> o(h);
            o->avioffset = picture;
            o->avilength = movie;
        }
        ASSERT_TRUE(doc.Save(path.c_str()));
    }
    size_t seen = 0;
    PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD) {
        HWND movie = NULL;
        ASSERT_TRUE(WaitFor([&] { return (movie = FindWindowExA(show, NULL, QVCLASS_movie, NULL)) != NULL; }));
        std::set<std::vector<uint32_t>> pictures;
        WaitFor([&] {
            pictures.insert(ScreenOf(movie));
            return pictures.size() >= 4;
        });
        seen = pictures.size();
    });
    EXPECT_GE(seen, 4u);
    EXPECT_TRUE(out.shown);
    EXPECT_TRUE(out.messages.empty());
}

// The libraries bound at a function's first call are not loaded by a first
// page that needs none of them: the import check sees only the start's own
// imports, not a first call made while the show starts.
TEST(Show, AFirstPageWithoutSoundOrPrintingLoadsNoneOfTheirLibraries)
{
    std::string path = DocPath("plain.exe");
    {
        SAMPLEDOC doc("Plain", 240, 160, RGB(0, 0, 0));
        doc.Page("Only", RGB(0, 90, 0));
        ASSERT_TRUE(doc.Save(path.c_str()));
    }
    std::vector<std::string> loaded;
    PLAYOUTCOME out = PlayDocument(path, "", [&](HWND, DWORD pid) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
        ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
        MODULEENTRY32 m{};
        m.dwSize = sizeof m;
        for (BOOL more = Module32First(snapshot, &m); more; more = Module32Next(snapshot, &m))
            loaded.push_back(CharLowerA(m.szModule));
        CloseHandle(snapshot);
    });
    EXPECT_TRUE(out.shown);
    ASSERT_FALSE(loaded.empty());
    // ole32 is not among them: the platform's input method starts COM in
    // every thread whose window is activated, so its presence follows the
    // window manager's timing, not the player's calls.
    for (const char *library : {"winmm.dll", "shell32.dll", "comdlg32.dll", "winspool.drv"})
        EXPECT_EQ(std::count(loaded.begin(), loaded.end(), library), 0) << library;
}

// The window icon the player's class asks for is one the player carries:
// drawn, with its corners left transparent.
TEST(Show, ThePlayerCarriesItsIcon)
{
    PlayerResources player;
    ASSERT_TRUE(player.module);
    HICON icon = (HICON)LoadImageA(player.module, MAKEINTRESOURCEA(IDI_PLAYER), IMAGE_ICON, 32, 32, 0);
    ASSERT_TRUE(icon);
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, 32, 32};
    FillRect(memory, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DrawIconEx(memory, 0, 0, icon, 32, 32, 0, NULL, DI_NORMAL));
    int drawn = 0;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++)
            drawn += GetPixel(memory, x, y) != RGB(255, 255, 255);
    EXPECT_GT(drawn, 300);
    EXPECT_EQ(GetPixel(memory, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(memory, 31, 31), RGB(255, 255, 255));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    DestroyIcon(icon);
}

// Every box the player may show, shown from the player's own resources: its
// texts are there, the boxes it borrows from the shared code are plain boxes
// captioned "Message", and the dialogs it opens are templates it carries.
TEST(Show, EveryBoxThePlayerShowsIsOneItCarries)
{
    PlayerResources player;
    ASSERT_TRUE(player.module);
    HINSTANCE own = hInst;
    hInst = (HINSTANCE)player.module;
    {
        sbtest::ModalRecorder rec(IDOK);
        for (unsigned id : {IDS_PLAYERDISPLAYERROR, IDS_PLAYERLOADERROR, IDS_PLAYERCLASSERROR})
            PlayerMessage(NULL, id);
        BLOCK notaheader{};
        notaheader.tag = TAG_PAGE;
        DoEXEAbout(NULL, NULL, &notaheader);
        DoMessage(NULL, "Shared");
        DoYesNo(NULL, "Shared question");
        ASSERT_EQ(rec.calls.size(), 6u);
        const char *texts[] = {"There has been an error displaying the requested document.", LOADERROR,
                               "There has been an internal class error which prevents this application from running.",
                               "Block access error", "Shared", "Shared question"};
        for (size_t i = 0; i < rec.calls.size(); i++) {
            SCOPED_TRACE(i);
            EXPECT_EQ(rec.calls[i].kind, MODAL_MESSAGEBOX);
            EXPECT_EQ(rec.calls[i].caption, "Message");
            EXPECT_EQ(rec.calls[i].text, texts[i]);
        }
    }
    for (const char *templ : {(const char *)MAKEINTRESOURCEA(IDD_EXEABOUT), "PageJumpBox", "LoadingStatusBox"})
        EXPECT_TRUE(FindResourceA(player.module, templ, (LPCSTR)RT_DIALOG)) << (UINT_PTR)templ;
    hInst = own;
}

// The loading box of a header that asks for one: its bar fills as blocks are
// read, Esc does not end it, and it goes when the load ends.
TEST(Show, TheLoadingBoxShowsHowFarTheLoadHasGot)
{
    PlayerResources player;
    ASSERT_TRUE(player.module);
    HINSTANCE own = hInst;
    hInst = (HINSTANCE)player.module;
    HWND parent = sbtest::CreateTestWindow(true);
    auto box = [&] {
        HWND w = NULL;
        while ((w = FindWindowExA(NULL, w, "#32770", NULL)) && GetWindow(w, GW_OWNER) != parent) {
        }
        return w;
    };
    PLAYERLOAD.openprogress(parent, 0);
    EXPECT_FALSE(box()) << "no box when the header does not ask for one";
    PLAYERLOAD.openprogress(parent, HEDR_PROGRESS);
    HWND shown = box();
    ASSERT_TRUE(shown);
    HWND bar = GetDlgItem(shown, IDC_LOADINGBAR);
    const COLORREF done = GetSysColor(COLOR_3DDKSHADOW), left = GetSysColor(COLOR_BTNSHADOW);
    for (unsigned blocks : {1u, 4u}) {
        PLAYERLOAD.progress(blocks, 4);
        sbtest::PumpUntilIdle();
        sbtest::Capture c = sbtest::CaptureClient(bar);
        SCOPED_TRACE(blocks);
        EXPECT_EQ(c.At(c.width / 8, c.height / 2), done);
        EXPECT_EQ(c.At(c.width * 3 / 4, c.height / 2), blocks == 4 ? done : left);
    }
    SendMessageA(shown, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindowVisible(shown));
    PLAYERLOAD.closeprogress();
    EXPECT_FALSE(IsWindow(shown));
    DestroyWindow(parent);
    hInst = own;
}

namespace {

WNDPROC showproc;
int pageerases;

// Counts the erases of a show window that holds a document: those that
// paint a page's background.
LRESULT CALLBACK CountErases(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND && GetWindowLongPtrA(window, GWLP_USERDATA))
        pageerases++;
    return CallWindowProcA(showproc, window, msg, wParam, lParam);
}

} // namespace

// The player's show window, made without its document and then given it,
// paints the first page's background once and shows it.
TEST(Show, TheFirstPageIsPaintedOnce)
{
    std::string path = DocPath("once.exe");
    {
        SAMPLEDOC saved("Once", 240, 160, RGB(0, 0, 0));
        saved.Page("First", RGB(0, 90, 0));
        saved.Page("Second", RGB(90, 0, 0));
        ASSERT_TRUE(saved.Save(path.c_str()));
    }
    SAMPLEDOC doc("", 1, 1, RGB(0, 0, 0));
    ASSERT_EQ(LoadExeFileWith(doc.list, doc.set, path.c_str(), PLAYERLOAD), 1);
    doc.set->current = 1;
    doc.set->list = doc.list;
    ASSERT_TRUE(PlayerRegisterClasses());
    QV_SHOWCREATE create{nullptr, nullptr};
    HWND show = CreateWindowExA(0, QVCLASS_appwindow, "", WS_POPUP | WS_BORDER, 0, 0, 240, 160, NULL, NULL, hInst,
                                &create);
    ASSERT_TRUE(show);
    showproc = (WNDPROC)SetWindowLongPtrA(show, GWLP_WNDPROC, (LONG_PTR)CountErases);
    pageerases = 0;
    SendMessageA(show, QVM_SETDOCUMENT, 0, (LPARAM)doc.set);
    sbtest::PumpUntilIdle();
    UpdateWindow(show);
    EXPECT_TRUE(IsWindowVisible(show));
    EXPECT_EQ(pageerases, 1);
    EXPECT_TRUE(Near(sbtest::CaptureClient(show).At(120, 80), RGB(0, 90, 0)));
    DestroyWindow(show);
    QV_UnregisterCommonClasses();
}

// A line of an applet holds the show no longer than a moment, whatever pen
// or font it draws with: each curve drawn over and over with the widest pen,
// its stroke over the whole frame, and text in fonts thousands of pixels
// tall, another height and text each line, on a background over the whole
// frame; the show answers at once and closes with code 0.
TEST(Show, WidePensAndTallFontsDoNotHoldTheShow)
{
    const char *const figures[] = {
        "setpencolor(255,65536)\n:l\nframeellipse(-65536,-65536,65536,65536)\ngoto(:l)\n",
        "setpencolor(255,65536)\n:l\nframeroundrect(-65536,-65536,65536,65536,131072,131072)\ngoto(:l)\n",
        "setpencolor(255,65536)\n:l\narc(-65536,-65536,65536,65536,0,180)\ngoto(:l)\n",
        "setpencolor(255,65536)\n:l\nframepie(-65536,-65536,65536,65536,10,100)\ngoto(:l)\n",
        "declarearray(&p,8)\nsetarrayvalue(&p,0,-20000)\nsetarrayvalue(&p,3,20000)\nsetarrayvalue(&p,4,20000)\n"
        "setarrayvalue(&p,6,200)\nsetarrayvalue(&p,7,100)\nsetpencolor(255,65536)\n:l\nbeziercurve(&p,4)\ngoto(:l)\n",
        "settextbackcolor(255)\ndeclareint(@h,20000)\n:l\nsetfont(\"ARIAL\",@h,0,0,0)\nsetposition(-300,-300)\n"
        "print(\"Wg\",@h,\"QjXyZbdfhkpqtAKMRS\")\ninc(@h)\ngoto(:l)\n",
        "setbrushcolor(255)\nfillrect(0,0,200,100)\ndeclareint(@h,20000)\n:l\nsetfont(\"ARIAL\",@h,1,1,1,30)\n"
        "setposition(-9000,5000)\n"
        "print(@h,\"Mm\")\ninc(@h)\ngoto(:l)\n",
        "settextbackcolor(255)\ndeclareint(@h,20000)\n:l\nsetfont(\"ARIAL\",@h,0,0,0)\n"
        "paragraphtext(\"Wide words wrap on and on\",-300,-300,30000,0)\ninc(@h)\ngoto(:l)\n",
    };
    // A held show is held for minutes, so the waits' bounds leave a loaded
    // machine room; how long a line held the show is measured on the show's
    // own processor time, which other work on the machine does not spend.
    constexpr double ANSWER = 500; // milliseconds
    for (const char *script : figures) {
        SCOPED_TRACE(script);
        std::string path = DocPath("widepen.exe");
        {
            SAMPLEDOC doc("Wide", 240, 160, RGB(0, 0, 0));
            BLOCK &page = doc.Page("One", RGB(90, 90, 90));
            HGLOBAL a = doc.Add(page, TAG_APPL, RECT{10, 10, 210, 110});
            ASSERT_TRUE(a);
            GlobalLocked<OBJECTHEADER>(a)->flags |= OBJ_CONTINUOUS;
            HGLOBAL withscript = AppendAppletEntry(a, script, (unsigned long)strlen(script) + 1, ENTRY_TEXT, 1);
            ASSERT_TRUE(withscript);
            PutPageObject(&page, withscript, BlockObjectCount(&page) - 1);
            GlobalFree(a);
            ASSERT_TRUE(doc.Save(path.c_str()));
        }
        int answered = 0;
        bool drawn = false;
        double held = 0, used = 0;
        PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD) {
            // The show pauses its applets while another window is active, and
            // one of another program on the display may take the front as
            // the show opens: the figure is waited for with the show there.
            drawn = WaitFor([&] {
                if (GetForegroundWindow() != show)
                    SetForegroundWindow(show);
                return ScreenPixel(show, 110, 60) == RGB(255, 0, 0);
            });
            HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, GetWindowThreadProcessId(show, NULL));
            for (int i = 0; i < 5 && drawn && answered == i; i++) {
                double before = sbtest::ProcessorMs(thread);
                DWORD_PTR result;
                answered += SendMessageTimeoutA(show, WM_NULL, 0, 0, SMTO_NORMAL, PLAYERBOUND, &result) != 0;
                held = std::max(held, sbtest::ProcessorMs(thread) - before);
            }
            used = sbtest::ProcessorMs(thread);
            CloseHandle(thread);
        });
        EXPECT_TRUE(drawn) << "the applet's first figure";
        EXPECT_EQ(answered, 5) << "pings answered";
        EXPECT_GT(used, 0) << "the show's processor time, as the platform counts it";
        EXPECT_LT(held, ANSWER) << "ms of the show's processor time before a ping was answered";
        EXPECT_TRUE(out.ended);
        EXPECT_EQ(out.code, 0u);
        if (HasFailure())
            break; // each further figure of a held show would cost minutes more
    }
}
