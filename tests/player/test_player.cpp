// The player as its users meet it: saved documents started as programs of
// their own, watched and driven from outside by posted messages.
#include "common/services.h"
#include "document/reader.h"
#include "tests/support/mutate.h"
#include "player/playermain.h"
#include "media/dib.h"
#include "tests/player/playerfixture.h"
#include "tests/support/testsupport.h"
#include <zlib.h>
#include <cstring>

using namespace playertest;

namespace {

FolderCleanup cleanup;

struct ANYBOX {
    DWORD pid;
    HWND box;
};

BOOL CALLBACK FindForeignBox(HWND hwnd, LPARAM data)
{
    auto *f = (ANYBOX *)data;
    char cls[16] = "", caption[16] = "";
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, caption, sizeof caption);
    if (pid != f->pid && strcmp(cls, "#32770") == 0 && strcmp(caption, "Message") == 0 && IsWindowVisible(hwnd)) {
        f->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The first TrueType family the machine has.
int CALLBACK FirstTrueType(const LOGFONTA *font, const TEXTMETRICA *, DWORD type, LPARAM data)
{
    if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == '@')
        return 1;
    *(std::string *)data = font->lfFaceName;
    return 0;
}

void Put32(std::vector<uint8_t> &v, size_t at, uint32_t x)
{
    memcpy(&v[at], &x, 4);
}

} // namespace

TEST(Player, WithNothingAppendedItReportsAndEnds)
{
    sbtest::ModalRecorder rec(IDOK);
    EXPECT_EQ(CreatePresentationWindow(hInst, "", PlayerParts()), 0);
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].kind, MODAL_MESSAGEBOX);
    EXPECT_EQ(rec.calls[0].caption, "Message");
    EXPECT_EQ(rec.calls[0].text, LOADERROR);
    EXPECT_EQ(rec.calls[0].parent, (HWND)NULL);
    EXPECT_EQ(rec.calls[0].style & MB_ICONMASK, (UINT)MB_ICONINFORMATION);
    EXPECT_EQ(controlfont, (HFONT)NULL);

    // The bare program on its own, as a process.
    std::string bare = DocPath("bare.exe");
    ASSERT_TRUE(WriteFileBytes(bare, PlayerBytes()));
    int fonts = FontFiles();
    PLAYOUTCOME out = PlayDocument(bare);
    EXPECT_TRUE(out.ended);
    EXPECT_EQ(out.code, 0u);
    EXPECT_FALSE(out.shown);
    EXPECT_EQ(out.messages, std::vector<std::string>{LOADERROR});
    EXPECT_EQ(FontFiles(), fonts);
}

// The header's style bits make the window; its size is the client area with
// flag 0x80 and the whole window without it.
TEST(Player, WindowStyleAndSizeComeFromTheHeader)
{
    const struct {
        uint32_t flags;
        int width, depth;
    } rows[] = {
        {HEDR_FIXEDCLIENT | WS_CAPTION | WS_SYSMENU, 320, 200},
        {HEDR_FIXEDCLIENT, 300, 180},
        {HEDR_FIXEDCLIENT | WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX, 256, 192},
        {WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 400, 300},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.flags);
        std::string path = DocPath("style.exe");
        {
            SAMPLEDOC doc("Styles", row.width, row.depth, RGB(0, 0, 0));
            doc.header.hedr.flags = row.flags;
            doc.Page("Only", RGB(200, 40, 40));
            ASSERT_TRUE(doc.Save(path.c_str()));
        }
        PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD) {
            LONG style = GetWindowLongA(show, GWL_STYLE);
            uint32_t border = (row.flags & WS_CAPTION) ? 0 : WS_BORDER;
            EXPECT_EQ((uint32_t)style & HEDR_WINDOWSTYLE, (row.flags & HEDR_WINDOWSTYLE) | border);
            EXPECT_EQ((style & WS_POPUP) != 0, !(row.flags & WS_CAPTION));
            SIZE s = (row.flags & HEDR_FIXEDCLIENT) ? ClientSize(show) : WindowSize(show);
            EXPECT_EQ(s.cx, row.width);
            EXPECT_EQ(s.cy, row.depth);
            EXPECT_TRUE(WaitFor([&] { return Title(show) == "Styles - Only"; }));
            EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(show, 5, 5), RGB(200, 40, 40)); }));
        });
        EXPECT_TRUE(out.shown);
        EXPECT_TRUE(out.ended);
        EXPECT_EQ(out.code, 0u);
        EXPECT_TRUE(out.messages.empty());
    }
}

TEST(Player, PagesChangeByPostedMessagesAndTheRightButtonKeepsTheShow)
{
    std::string path = DocPath("pages.exe");
    const COLORREF colours[] = {RGB(220, 0, 0), RGB(0, 220, 0), RGB(0, 0, 220), RGB(220, 220, 0)};
    const char *titles[] = {"One", "Two", "Three", "Four"};
    {
        SAMPLEDOC doc("Nav", 240, 160, RGB(0, 0, 0));
        for (int i = 0; i < 4; i++)
            doc.Page(titles[i], colours[i]);
        ASSERT_TRUE(doc.Save(path.c_str()));
    }
    PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD pid) {
        auto on = [&](int page) {
            return WaitFor([&] {
                return Title(show) == std::string("Nav - ") + titles[page] &&
                       Near(ScreenPixel(show, 120, 80), colours[page]);
            });
        };
        EXPECT_TRUE(on(0));
        const struct {
            UINT msg;
            int page;
        } steps[] = {{QVM_NEXTPAGE, 1}, {QVM_NEXTPAGE, 2}, {QVM_PREVIOUSPAGE, 1},
                     {QVM_FIRSTPAGE, 0}, {QVM_LASTPAGE, 3}, {QVM_SHOWPAGE, 1}};
        for (const auto &s : steps) {
            PostMessageA(show, s.msg, s.msg == QVM_SHOWPAGE ? 1 : 0, 0);
            EXPECT_TRUE(on(s.page)) << s.msg;
        }
        PostMessageA(show, WM_RBUTTONDOWN, 0, MAKELPARAM(10, 10));
        PostMessageA(show, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
        // Posted messages are taken in turn: the first step shows the click
        // was handled, the second that whatever it posted in turn (a close)
        // was too, and a show that closed makes neither.
        PostMessageA(show, QVM_NEXTPAGE, 0, 0);
        EXPECT_TRUE(on(2)) << "the page after the right click";
        PostMessageA(show, QVM_PREVIOUSPAGE, 0, 0);
        EXPECT_TRUE(on(1)) << "the page after what the right click posted";
        ASSERT_TRUE(IsWindow(show)) << "the show after the right click";
        // The about box (captioned with the document's title) and the page
        // menu of the system menu; Esc and Cancel in the page menu leave the
        // show on its page, whichever line was chosen.
        enum { COMMAND, ESCAPE, CANCELBUTTON };
        const struct {
            UINT command;
            const char *caption;
            int press;
            const char *what;
        } boxes[] = {{100, "Nav", COMMAND, "the about box"},
                     {101, "Jump to New Page", ESCAPE, "the page menu, by Esc"},
                     {101, "Jump to New Page", CANCELBUTTON, "the page menu, by Cancel"}};
        for (const auto &b : boxes) {
            SCOPED_TRACE(b.what);
            PostMessageA(show, WM_SYSCOMMAND, b.command, 0);
            HWND box = NULL;
            EXPECT_TRUE(WaitFor([&] {
                for (const PLAYWINDOW &w : ProcessWindows(pid))
                    if (w.caption == b.caption && w.visible)
                        box = w.hwnd;
                return box != NULL;
            })) << b.caption;
            if (b.press != COMMAND)
                SendDlgItemMessageA(box, IDC_PAGELIST, LB_SETCURSEL, 0, 0);
            if (b.press == ESCAPE)
                PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
            else if (b.press == CANCELBUTTON)
                PostMessageA(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
            else
                PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); })) << "the box closed";
            // Once the show answers a sent message it is done with the box,
            // and a jump the box asked for (to the chosen line, or to the
            // third page for an answer of IDCANCEL) is queued ahead of the
            // step below, which then ends elsewhere than the third page.
            DWORD_PTR answer;
            EXPECT_TRUE(SendMessageTimeoutA(show, WM_NULL, 0, 0, SMTO_NORMAL, PLAYERBOUND, &answer))
                << "the show";
            PostMessageA(show, QVM_NEXTPAGE, 0, 0);
            EXPECT_TRUE(on(2)) << "the third page";
            PostMessageA(show, QVM_PREVIOUSPAGE, 0, 0);
            EXPECT_TRUE(on(1)) << "the second page";
        }
    }, 60000);
    EXPECT_TRUE(out.shown);
    EXPECT_EQ(out.code, 0u);
    EXPECT_TRUE(out.messages.empty());
}

// The sample presentation: its first page as drawn, then every page in turn
// through the buttons at its foot, its effects and its applet going on for
// as long as their pages show.
TEST(Player, TheSamplePlaysFromFirstPageToLast)
{
    std::string path = DocPath("sample.exe");
    ASSERT_EQ(WriteSamplePresentation(path.c_str()), 1);
    std::vector<uint8_t> scene = ScenePicture(290, 210, 2);
    COLORREF sky = (COLORREF)GetDibPixel((const BITMAPINFOHEADER *)scene.data(), 20, 20);
    PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD) {
        EXPECT_EQ(ClientSize(show).cx, 640);
        EXPECT_EQ(ClientSize(show).cy, 480);
        auto on = [&](const char *page) {
            return WaitFor([&] { return Title(show) == std::string("Sample presentation - ") + page; });
        };
        // A press and release on the page's button at (x, y).
        auto press = [&](int x, int y) {
            HWND button = ChildWindowFromPointEx(show, POINT{x, y}, CWP_SKIPINVISIBLE);
            ASSERT_TRUE(button && button != show) << x << "," << y;
            PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
            PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        };
        const POINT next{560, 448}, back{436, 448}, again{80, 448};
        EXPECT_TRUE(on("Welcome"));
        EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(show, 10, 470), RGB(32, 48, 96)); }));
        EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(show, 350, 144), sky); })) << "the picture in its place";

        press(next.x, next.y);
        EXPECT_TRUE(on("Effects"));
        // The split picture in the third place comes, goes and comes again.
        const int cx = 16 + 2 * 154 + 73, cy = 62 + 46;
        COLORREF page = RGB(12, 12, 28);
        EXPECT_TRUE(WaitFor([&] { return !Near(ScreenPixel(show, cx, cy), page); })) << "the picture split in";
        EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(show, cx, cy), page); })) << "the picture gone";
        EXPECT_TRUE(WaitFor([&] { return !Near(ScreenPixel(show, cx, cy), page); })) << "it loops";

        press(next.x, next.y);
        EXPECT_TRUE(on("Applet"));
        EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(show, 44, 130), RGB(255, 200, 0)); })) << "its first bar";
        // It starts again rather than moving the show on.
        EXPECT_TRUE(WaitFor([&] { return !Near(ScreenPixel(show, 44, 130), RGB(255, 200, 0)); })) << "its end";
        EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(show, 44, 130), RGB(255, 200, 0)); })) << "its new start";
        EXPECT_EQ(Title(show), "Sample presentation - Applet");

        press(back.x, back.y);
        EXPECT_TRUE(on("Effects"));
        press(next.x, next.y);
        EXPECT_TRUE(on("Applet"));
        press(next.x, next.y);
        EXPECT_TRUE(on("Animation and movie"));
        press(again.x, again.y);
        EXPECT_TRUE(on("Welcome"));
    });
    EXPECT_TRUE(out.shown);
    EXPECT_TRUE(out.ended);
    EXPECT_EQ(out.code, 0u);
    EXPECT_TRUE(out.messages.empty());
}

// A font the machine lacks is installed from a temporary file while the
// player runs; one it has needs none; a document that fails to load leaves
// none behind.
TEST(Player, EmbeddedFontsLiveInTemporaryFilesWhileItRuns)
{
    std::string installed;
    HDC dc = GetDC(NULL);
    EnumFontFamiliesA(dc, NULL, FirstTrueType, (LPARAM)&installed);
    ReleaseDC(NULL, dc);
    ASSERT_FALSE(installed.empty());
    const struct {
        const char *face;
        bool damaged;
        int files;
    } rows[] = {{"Sbtest Embedded Face", false, 1}, {installed.c_str(), false, 0}, {"Sbtest Embedded Face", true, 0}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.face);
        std::string path = DocPath("fonts.exe");
        {
            SAMPLEDOC doc("Fonts", 240, 160, RGB(0, 0, 0));
            doc.header.hedr.flags |= HEDR_EMBEDFONTS;
            BLOCK &page = doc.Page("Text", RGB(255, 255, 255));
            HGLOBAL t = doc.Add(page, TAG_TEXT, RECT{10, 10, 230, 60}, "Embedded");
            ASSERT_TRUE(t);
            snprintf(GlobalLocked<OBJECTTEXT>(t)->face, 33, "%s", row.face);
            ASSERT_TRUE(doc.Save(path.c_str()));
        }
        if (row.damaged) {
            // The page's text, the last object of the file, no longer inflates.
            std::vector<uint8_t> file = ReadFileBytes(path);
            std::vector<size_t> records = DocumentRecords(file);
            ASSERT_GT(records.size(), 3u);
            memset(&file[records.back() + sizeof(OBJECTTEXT)], 0xFF, 6);
            ASSERT_TRUE(WriteFileBytes(path, file));
        }
        int before = FontFiles();
        int during = before;
        PLAYOUTCOME out = PlayDocument(path, "", [&](HWND, DWORD) { during = FontFiles(); });
        EXPECT_EQ(out.shown, !row.damaged);
        EXPECT_EQ(out.messages.empty(), !row.damaged);
        EXPECT_EQ(out.code, 0u);
        EXPECT_EQ(during, before + row.files);
        EXPECT_EQ(FontFiles(), before);
    }
}

// An open-document timer aimed at a program that is no presentation: only
// "/NEX", in any letter case and anywhere on the line, lets it start.
TEST(Player, OnlyNexOpensProgramsThatAreNoPresentations)
{
    std::string plain = DocPath("plain.exe");
    ASSERT_TRUE(WriteFileBytes(plain, PlayerBytes()));
    std::string path = DocPath("opener.exe");
    {
        SAMPLEDOC doc("Opener", 240, 160, RGB(0, 0, 0));
        BLOCK &page = doc.Page("Timer", RGB(90, 90, 90));
        HGLOBAL t = doc.Add(page, TAG_TIME, RECT{0, 0, 32, 32});
        ASSERT_TRUE(t);
        {
            GlobalLocked<OBJECTTIMER> o(t);
            o->action = ACTION_OPENDOCUMENT;
            o->delay = 1;
            o->header.flags |= OBJ_ENABLED;
        }
        ASSERT_TRUE(doc.SetData(page, t, plain.c_str(), plain.size() + 1));
        ASSERT_TRUE(doc.Save(path.c_str()));
    }
    const struct {
        const char *args;
        bool opens;
    } rows[] = {{"", false}, {"/NEX", true}, {"-x/nexus", true}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.args);
        std::string foreign, own;
        PLAYOUTCOME out = PlayDocument(path, row.args, [&](HWND, DWORD pid) {
            ANYBOX find{pid, NULL};
            WaitFor([&] {
                find.box = NULL;
                EnumWindows(FindForeignBox, (LPARAM)&find);
                for (const PLAYWINDOW &w : ProcessWindows(pid))
                    if (w.caption == "Message" && w.visible) {
                        own = MessageBoxText(w.hwnd);
                        PostMessageA(w.hwnd, WM_COMMAND, IDOK, 0);
                    }
                return find.box != NULL || !own.empty();
            });
            if (find.box) {
                foreign = MessageBoxText(find.box);
                PostMessageA(find.box, WM_COMMAND, IDOK, 0);
            }
        });
        EXPECT_EQ(out.code, 0u);
        if (row.opens) {
            EXPECT_EQ(foreign, LOADERROR);
            EXPECT_EQ(own, "");
        } else {
            EXPECT_EQ(foreign, "");
            EXPECT_EQ(own, "There has been an error displaying the requested document.");
        }
    }
}

// A document put together from the file format alone: the player program,
// a header, one page holding a compressed picture, and the masked trailer;
// then the same with bytes appended after the trailer.
TEST(Player, PlaysADocumentBuiltByteByByte)
{
    std::vector<uint8_t> file = PlayerBytes();
    ASSERT_FALSE(file.empty());
    size_t start = file.size();

    std::vector<uint8_t> header(2288);
    memcpy(&header[0], "HEDR", 4);
    Put32(header, 4, 2288);
    Put32(header, 8, 2288);
    Put32(header, 16, 0x200 | 0x80 | WS_CAPTION | WS_SYSMENU);
    memcpy(&header[20], "Hand", 5);
    Put32(header, 318, 200);
    Put32(header, 322, 150);
    Put32(header, 330, 25);
    Put32(header, 338, 2);
    file.insert(file.end(), header.begin(), header.end());
    uint32_t headercrc = (uint32_t)crc32(0, header.data(), (uInt)header.size());

    // A 40 by 30 picture of one colour, 24 bits, bottom-up.
    std::vector<uint8_t> dib(40 + 120 * 30);
    Put32(dib, 0, 40);
    Put32(dib, 4, 40);
    Put32(dib, 8, 30);
    dib[12] = 1, dib[14] = 24;
    for (size_t i = 40; i < dib.size(); i += 3)
        dib[i] = 0x20, dib[i + 1] = 0x40, dib[i + 2] = 0xF0; // blue, green, red
    uLongf packedsize = compressBound((uLong)dib.size());
    std::vector<uint8_t> packed(packedsize);
    ASSERT_EQ(compress2(packed.data(), &packedsize, dib.data(), (uLong)dib.size(), 6), Z_OK);
    packed.resize(packedsize);

    std::vector<uint8_t> object(372);
    memcpy(&object[0], "sTAt", 4);
    Put32(object, 4, 372 + (uint32_t)dib.size());
    Put32(object, 8, 372);
    Put32(object, 12, (uint32_t)dib.size());
    Put32(object, 16, (uint32_t)packed.size());
    Put32(object, 20, 0x6);
    Put32(object, 24, 20), Put32(object, 28, 20), Put32(object, 32, 60), Put32(object, 36, 50);
    Put32(object, 40, 100);
    object.insert(object.end(), packed.begin(), packed.end());

    std::vector<uint8_t> page(358);
    memcpy(&page[0], "PAGE", 4);
    Put32(page, 4, 358 + (uint32_t)object.size());
    Put32(page, 8, 358);
    Put32(page, 12, (uint32_t)object.size());
    Put32(page, 16, 1);
    memcpy(&page[20], "Made", 5);
    Put32(page, 314, RGB(0, 128, 0));
    Put32(page, 318, 25);
    Put32(page, 322, 1);
    file.insert(file.end(), page.begin(), page.end());
    file.insert(file.end(), object.begin(), object.end());

    std::vector<uint8_t> trailer(390);
    memcpy(&trailer[0], "END$", 4);
    Put32(trailer, 8, 390);
    Put32(trailer, 314, (uint32_t)(file.size() + 390 - start) ^ 0x4D2E7A13);
    Put32(trailer, 318, headercrc ^ 0x91B3C6F5);
    file.insert(file.end(), trailer.begin(), trailer.end());

    for (size_t extra : {0, 1000}) {
        SCOPED_TRACE(extra);
        std::vector<uint8_t> bytes = file;
        bytes.resize(bytes.size() + extra, 0x5A);
        std::string path = DocPath("bytes.exe");
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD) {
            EXPECT_EQ(ClientSize(show).cx, 200);
            EXPECT_EQ(ClientSize(show).cy, 150);
            EXPECT_TRUE(WaitFor([&] { return Title(show) == "Hand - Made"; }));
            EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(show, 150, 120), RGB(0, 128, 0)); }));
            EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(show, 40, 35), RGB(0xF0, 0x40, 0x20)); }));
        });
        EXPECT_TRUE(out.shown);
        EXPECT_EQ(out.code, 0u);
        EXPECT_TRUE(out.messages.empty());
    }
}

// A document of more objects than the system can hold is refused with a
// message that says so, before the platform runs out of memory handles.
TEST(Player, ADocumentTooLargeForTheSystemSaysSo)
{
    std::vector<uint8_t> file = PlayerBytes();
    const size_t start = file.size();
    std::vector<uint8_t> header(2288);
    memcpy(&header[0], "HEDR", 4);
    Put32(header, 4, 2288);
    Put32(header, 8, 2288);
    Put32(header, 16, 0x200);
    Put32(header, 338, 2);
    file.insert(file.end(), header.begin(), header.end());
    // One page of tiny objects of no known type: the header, the page, its
    // array and the objects come to one handle more than a document may take.
    const uint32_t count = MAXDOCUMENTHANDLES - 2;
    std::vector<uint8_t> page(358), object(76);
    memcpy(&page[0], "PAGE", 4);
    Put32(page, 4, 358 + 76 * count);
    Put32(page, 8, 358);
    Put32(page, 12, 76 * count);
    Put32(page, 16, 1);
    Put32(page, 322, count);
    file.insert(file.end(), page.begin(), page.end());
    memcpy(&object[0], "tiny", 4);
    Put32(object, 4, 76);
    Put32(object, 8, 76);
    for (uint32_t i = 0; i < count; i++)
        file.insert(file.end(), object.begin(), object.end());
    std::vector<uint8_t> trailer(390);
    memcpy(&trailer[0], "END$", 4);
    Put32(trailer, 8, 390);
    Put32(trailer, 314, (uint32_t)(file.size() + 390 - start) ^ 0x4D2E7A13);
    Put32(trailer, 318, (uint32_t)crc32(0, header.data(), (uInt)header.size()) ^ 0x91B3C6F5);
    file.insert(file.end(), trailer.begin(), trailer.end());
    std::string path = DocPath("large.exe");
    ASSERT_TRUE(WriteFileBytes(path, file));
    PLAYOUTCOME out = PlayDocument(path);
    EXPECT_TRUE(out.ended);
    EXPECT_EQ(out.code, 0u);
    EXPECT_FALSE(out.shown);
    EXPECT_EQ(out.messages, std::vector<std::string>{"This presentation has more pages and objects than this system can "
                                                     "hold in memory (at most 64,000 in all), so it cannot be opened."});
}

// Between applet lines: a key, or the mouse moved away from where it was
// first seen, stops the applet (and leaves it the abort notice); clicks and a
// movement to the same place do not.
TEST(Player, AbortPollingStopsOnKeysAndMovement)
{
    hwndmain = sbtest::CreateTestWindow(true);
    HWND applet = sbtest::CreateTestWindow(true, 100, 100);
    SetCursorPos(200, 200);
    const struct {
        UINT msg;
        POINT cursor;
        int result;
    } rows[] = {
        {WM_MOUSEMOVE, {200, 200}, 0}, // only noted
        {WM_MOUSEMOVE, {200, 200}, 0}, {WM_RBUTTONDOWN, {200, 200}, 0}, {WM_LBUTTONUP, {200, 200}, 0},
        {0, {200, 200}, 0},            {WM_MOUSEMOVE, {230, 210}, 1}, {WM_KEYDOWN, {230, 210}, 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.msg);
        SetCursorPos(row.cursor.x, row.cursor.y);
        sbtest::PumpUntilIdle();
        if (row.msg)
            PostMessageA(applet, row.msg, 0, 0);
        EXPECT_EQ(PlayerCheckForAbort(applet), row.result);
        MSG msg;
        EXPECT_EQ(PeekMessageA(&msg, applet, QVM_ABORT, QVM_ABORT, PM_REMOVE) != 0, row.result == 1);
    }
    DestroyWindow(applet);
    EXPECT_EQ(PlayerCheckForAbort(applet), 1);
    DestroyWindow(hwndmain);
    hwndmain = NULL;
}
