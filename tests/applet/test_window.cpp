// Applets on a shown page: one line per step, errors that end the applet
// while the show goes on, only the page's own objects reached, boxes that
// outlive their window, pausing, drawing and sound.
#include "applet/appletwindow.h"
#include "common/services.h"
#include "common/shell.h"
#include "player/playermain.h"
#include "tests/applet/applethost.h"
#include "tests/runtime/showfixture.h"

namespace {

using applettest::Variables;
const APPLETHOST &host = APPLETwindowhost;

int ticks;
LRESULT CALLBACK TickProc(HWND h, UINT msg, WPARAM w, LPARAM l)
{
    ticks += msg == WM_TIMER;
    return DefWindowProcA(h, msg, w, l);
}

struct AppletDoc : rttest::Show {
    HWND savedmain = hwndmain;
    // Something always comes, so that a show pass never waits for good; not
    // so often that the passes of a loaded machine, each slower than a
    // tick, would never find the loop idle and step its applets.
    HWND ticker = sbtest::CreateTestWindow(false, 10, 10, TickProc);
    AppletDoc()
    {
        showhost.appletwindow = APPLETWindowProc;
        hwndmain = owner; // the abort poll takes a missing main window for an abort
        SetTimer(ticker, 1, 50, NULL);
    }
    ~AppletDoc()
    {
        DestroyWindow(ticker);
        hwndmain = savedmain;
    }
    HGLOBAL Applet(BLOCK &page, const std::string &script)
    {
        return Object(page, TAG_APPL, {20, 30, 180, 158}, (LONG_PTR)script.c_str());
    }
    APPLET *Running(HGLOBAL h) { return (APPLET *)(UINT_PTR)GlobalLocked<OBJECTAPPLET>(h)->applet; }
    void Step(HGLOBAL h, int times = 1)
    {
        for (int i = 0; i < times; i++)
            SendMessageA(Child(Number(h)), QVM_APPLETSTEP, 0, 0);
    }
    std::pair<int, int> Result(HGLOBAL h)
    {
        int result = 99, line = 99;
        EXPECT_TRUE(APPLETWindowResult(Child(Number(h)), &result, &line));
        return {result, line};
    }
    // The show's own loop until `done` holds; false when it still does not
    // after `ms`, a limit only a hung show reaches. Without `done`, `passes`
    // passes: room for what should not happen.
    bool RunUntil(const std::function<bool()> &done, int passes = INT_MAX)
    {
        BLOCK page = Get((unsigned)set->current);
        DWORD start = GetTickCount();
        for (int i = 0; i < passes && !done() && GetTickCount() - start < 30000; i++)
            QV_RunShowPass(show, &page);
        return done();
    }
    void RunPasses(int passes)
    {
        RunUntil([] { return false; }, passes);
    }
    int Count(uint32_t number) { return (int)SendMessageA(Child(number), LB_GETCOUNT, 0, 0); }
};

struct AppletShow : testing::Test, AppletDoc {};

TEST_F(AppletShow, RunsOneLinePerStepAndStartsAfreshAfterItsEnd)
{
    BLOCK &p = Page("One");
    uint32_t list = Number(Object(p, TAG_LIST, {200, 10, 300, 100}));
    HGLOBAL h = Applet(p, "declareint(@n)\ninc(@n)\nlistboxinsertstring(\"done\"," + std::to_string(list) + ",-1)");
    Open();
    // Its first line ran on the step it posted itself at its start; not
    // being continuous, it waits for the loop's idle pass for the next.
    APPLET *a = Running(h);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->hwnd, Child(Number(h)));
    sbtest::PumpUntilIdle(30);
    EXPECT_EQ(a->currentline, 1);
    Step(h);
    EXPECT_EQ(Variables(a), "n=1");
    Step(h);
    EXPECT_EQ(Count(list), 1);
    EXPECT_TRUE(Flags(h) & OBJ_RUNNING);
    Step(h); // no line left
    EXPECT_FALSE(Flags(h) & OBJ_RUNNING);
    EXPECT_EQ(Running(h), nullptr);
    EXPECT_EQ(Result(h), std::make_pair(-1, -1));
    Post(QVM_STARTOBJECT, Number(h));
    ASSERT_TRUE(Running(h));
    EXPECT_EQ(Variables(Running(h)), "n=0");
}

TEST_F(AppletShow, AFailingLineEndsItsAppletAndTheShowGoesOn)
{
    const struct {
        const char *script;
        uint32_t stacksize;
        int result, line; // a start that fails gives its error too
    } rows[] = {
        {"declareint(@n)\ninc(@n)\nnosuch(1)\ninc(@n)", 0, 8, 2},
        {"\n\ndiv(1,0)", 0, 12, 2},
        {"add(@n,1)", 0, 9, 0},
        {"end()\ninc(@n)", 0, -1, -1},
        {":a\n:a", 0, 13, 1},
        {"inc(@n)", 0xFFFFFFFF, 2, -1},
    };
    BLOCK &p = Page("Errors");
    std::vector<HGLOBAL> applets;
    for (const auto &row : rows) {
        applets.push_back(Applet(p, row.script));
        GlobalLocked<OBJECTAPPLET> o(applets.back());
        o->stacksize = row.stacksize;
        // What a damaged record holds is never taken for an interpreter.
        o->applet = 0xDEADBEEF;
        o->header.flags |= OBJ_RUNNING;
    }
    HGLOBAL healthy = Applet(p, "declareint(@k)\n:top\ninc(@k)\nif(islessthan(@k,5),:top)");
    Page("Two");
    Open();
    for (int i = 0; i < 20; i++)
        for (HGLOBAL h : applets)
            Step(h);
    for (size_t i = 0; i < std::size(rows); i++) {
        SCOPED_TRACE(rows[i].script);
        EXPECT_EQ(Result(applets[i]), std::make_pair(rows[i].result, rows[i].line));
        EXPECT_FALSE(Flags(applets[i]) & OBJ_RUNNING);
        EXPECT_EQ(Running(applets[i]), nullptr);
    }
    // No box was shown (the tests' modal guard fails on one), the other
    // applet runs to its end and the show still changes pages.
    Step(healthy, 20);
    EXPECT_EQ(Result(healthy).first, -1);
    Post(QVM_NEXTPAGE);
    EXPECT_EQ(set->current, 2);
}

TEST_F(AppletShow, PageObjectsAreReachedThroughTheirOwnRecordsOnly)
{
    Page("Objects");
    Page("Second");
    BLOCK &p = pages[0];
    uint32_t list = Number(Object(p, TAG_LIST, {200, 10, 300, 100}));
    uint32_t check = Number(Object(p, TAG_CHEC, {200, 110, 300, 130}));
    uint32_t text = Number(Object(p, TAG_TEXT, {200, 140, 300, 170}));
    ASSERT_TRUE(list != 10 && check != 10 && text != 10);
    auto n = [](uint32_t v) { return std::to_string(v); };
    HGLOBAL h = Applet(p, "declareint(@a)\ndeclareint(@b)\ndeclareint(@c)\ndeclareint(@d)\ndeclareint(@p)\n"
                          "declarestring($s)\n@a=listboxinsertstring(\"x\",10,-1)\n"
                          "@b=listboxinsertstring(\"y\"," + n(list) + ",-1)\n"
                          "@c=listboxinsertstring(\"z\"," + n(check) + ",-1)\n"
                          "@d=setcheckboxstate(" + n(list) + ",1)\nsetcheckboxstate(" + n(check) + ",1)\n"
                          "@p=@_PCT\nsetconfigstring(\"Colour\",\"Blue\")\ngetconfigstring($s,\"Colour\")\n"
                          ":wait\ngoto(:wait)");
    snprintf(header.hedr.title, sizeof header.hedr.title, "Applet window test");
    Open();
    // The player keeps its block list as the show's child number 10.
    HWND blocks = CreateWindowA("LISTBOX", "blocks", WS_CHILD | LBS_HASSTRINGS, 0, 0, 9, 9, show, (HMENU)10,
                                hInst, NULL);
    APPLET *a = Running(h);
    ASSERT_TRUE(a);
    Step(h, 16);
    EXPECT_EQ(Variables(a), "a=-1 b=0 c=-1 d=0 p=2 s=\"Blue\"");
    WritePrivateProfileStringA("Applet window test", NULL, NULL, "Showbinder.INI");
    EXPECT_EQ(SendMessageA(blocks, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Count(list), 1);
    EXPECT_EQ(SendMessageA(Child(check), BM_GETCHECK, 0, 0), BST_CHECKED);

    // The entries of the drawing built-ins refuse the same numbers.
    OBJECTHEADER *o = nullptr;
    EXPECT_EQ(host.lockobject(a, 10, &o), nullptr);
    HWND w = host.lockobject(a, (int)check, &o);
    ASSERT_EQ(w, Child(check));
    EXPECT_EQ(o->number, check);
    host.unlockobject(a, w);
    host.setobjecttext(a, 10, "written");
    host.setobjecttext(a, (int)text, "Hello");
    char out[8];
    EXPECT_EQ(host.objecttext(a, (int)text, nullptr, 0), 5);
    EXPECT_EQ(host.objecttext(a, (int)text, out, 4), 5);
    EXPECT_STREQ(out, "Hel");
    EXPECT_EQ(host.objecttext(a, 10, out, sizeof out), 0);
    EXPECT_STREQ(out, "");
    GetWindowTextA(blocks, out, sizeof out);
    EXPECT_STREQ(out, "blocks");

    // Drawing goes to the applet's own window, with or without a palette.
    for (int bits : {24, 8}) {
        devicebits = bits;
        HDC dc = host.getdc(a);
        ASSERT_TRUE(dc);
        RECT r{0, 0, 20, 20};
        COLORREF colour = bits == 8 ? RGB(255, 0, 0) : RGB(0, 0, 255);
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        host.releasedc(a, dc);
        EXPECT_EQ(sbtest::CaptureClient(Child(Number(h))).At(10, 10), colour) << bits;
    }
    devicebits = 24;
}

// A script's drawing lands in its own window on the page, offset and all.
TEST_F(AppletShow, AScriptDrawsIntoItsWindow)
{
    BLOCK &p = Page("Drawn");
    HGLOBAL h = Applet(p, "setbrushcolor(255)\nsetdrawingoffset(5,5)\nfillrect(10,10,20,20)\n:w\ngoto(:w)");
    Open();
    ASSERT_TRUE(Running(h));
    Step(h, 3);
    sbtest::Capture c = sbtest::CaptureClient(Child(Number(h)));
    EXPECT_EQ(c.At(20, 20), RGB(255, 0, 0));
    EXPECT_NE(c.At(12, 12), RGB(255, 0, 0));
    EXPECT_TRUE(Flags(h) & OBJ_RUNNING);
}

// What the modal loop of a box does while a line waits in it.
struct BoxCase {
    const char *name;
    void (*inbox)(AppletDoc *, HWND applet);
    bool windowstays;
};
AppletDoc *boxdoc;
HGLOBAL boxapplet;
const BoxCase *boxcase;
bool boxsawintact;

INT_PTR BoxHook(const MODALCALL *)
{
    APPLET *a = boxdoc->Running(boxapplet);
    boxcase->inbox(boxdoc, boxdoc->Child(boxdoc->Number(boxapplet)));
    // Whatever happened, the line still holds its applet.
    boxsawintact = a && a->busy && a->orphaned && !a->freed && a->variablecount > 0;
    return IDOK;
}

TEST(AppletWindow, AWindowGoneWhileItsBoxIsOpenIsFreedAfterTheLine)
{
    const BoxCase cases[] = {
        {"page change", [](AppletDoc *s, HWND) { s->Post(QVM_NEXTPAGE); }, false},
        {"destroyed", [](AppletDoc *, HWND w) { DestroyWindow(w); }, false},
        {"stopped", [](AppletDoc *, HWND w) { SendMessageA(w, QVM_OBJECTSTARTSTOP, 0, 0); }, true},
    };
    for (const BoxCase &c : cases) {
        SCOPED_TRACE(c.name);
        AppletDoc doc;
        doc.Page("Box");
        doc.Page("After");
        HGLOBAL h = doc.Applet(doc.pages[0], "declareint(@n)\nmessagebox(\"Hi\")\ninc(@n)\n:w\ngoto(:w)");
        doc.Open();
        boxdoc = &doc, boxapplet = h, boxcase = &c, boxsawintact = false;
        MODALHOOK previous = COMMONSetModalHook(BoxHook);
        HWND window = doc.Child(doc.Number(h));
        doc.Step(h);
        COMMONSetModalHook(previous);
        EXPECT_TRUE(boxsawintact);
        EXPECT_EQ(doc.Running(h), nullptr);
        EXPECT_FALSE(doc.Flags(h) & OBJ_RUNNING);
        EXPECT_EQ(IsWindow(window) != 0, c.windowstays);
    }
}

TEST_F(AppletShow, PausedWhileTheShowIsInactiveAndStoppedByARightClick)
{
    BLOCK &p = Page("Pause");
    // Continuous from its second line: the first runs while the page opens.
    HGLOBAL fast = Applet(p, "declareint(@n)\nsetpriority(1)\n:top\ninc(@n)\ngoto(:top)");
    HGLOBAL slow = Applet(p, "declareint(@m)\n:top\ninc(@m)\ngoto(:top)");
    Open();
    ticks = 0;
    APPLET *a = Running(fast), *b = Running(slow);
    ASSERT_TRUE(a && b);
    auto n = [a] { return a->variablecount ? a->variables[a->variablecount - 1].value : 0u; };
    EXPECT_TRUE(RunUntil([&] { return n() > 10u; })) << "the continuous applet's lines";
    EXPECT_TRUE(RunUntil([&] { return ticks > 3; })) << "a continuous applet holds back timers";

    SendMessageA(show, WM_ACTIVATE, WA_INACTIVE, 0);
    RunPasses(1); // the step it had already posted
    std::string pa = Variables(a), pb = Variables(b);
    RunPasses(5);
    Step(slow);
    EXPECT_EQ(Variables(a), pa);
    EXPECT_EQ(Variables(b), pb);
    // Active again, the continuous one goes on by itself.
    SendMessageA(show, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(RunUntil([&] { return Variables(a) != pa; })) << "the continuous applet going on";
    Step(slow, 2);
    EXPECT_NE(Variables(b), pb);

    PostMessageA(Child(Number(fast)), WM_RBUTTONDOWN, MK_RBUTTON, 0);
    EXPECT_TRUE(RunUntil([&] { return !(Flags(fast) & OBJ_RUNNING); })) << "the right click's stop";
    EXPECT_EQ(Result(fast).first, 0);
}

// Which input stops a running applet is the choice of its show's host,
// whatever else is linked in: a right click in the editor, a key in the
// player.
TEST(AppletShows, TheHostsAbortRuleStopsItsApplets)
{
    const struct {
        int (*poll)(HWND);
        UINT msg;
        bool stops;
    } rows[] = {
        {CheckForAbort, WM_RBUTTONDOWN, true},
        {CheckForAbort, WM_KEYDOWN, false},
        {PlayerCheckForAbort, WM_KEYDOWN, true},
        {PlayerCheckForAbort, WM_RBUTTONDOWN, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.msg);
        AppletDoc doc;
        doc.showhost.abortpoll = row.poll;
        BLOCK &p = doc.Page("Rules");
        HGLOBAL applet = doc.Applet(p, "declareint(@n)\n:top\ninc(@n)\ngoto(:top)");
        doc.Open();
        HWND window = doc.Child(doc.Number(applet));
        ASSERT_TRUE(doc.Flags(applet) & OBJ_RUNNING);
        PostMessageA(window, row.msg, row.msg == WM_KEYDOWN ? 'A' : MK_RBUTTON, 0);
        doc.Step(applet);
        EXPECT_EQ((doc.Flags(applet) & OBJ_RUNNING) == 0, row.stops);
    }
}

HGLOBAL Wave(int ms) // silent, 8 kHz mono
{
    PCMWAVEFORMAT f{{WAVE_FORMAT_PCM, 1, 8000, 8000, 1}, 8};
    std::vector<uint8_t> v(sizeof f + 8 * (size_t)ms, 128);
    memcpy(v.data(), &f, sizeof f);
    return docfixture::Global(v);
}

TEST_F(AppletShow, SoundsEndThroughTheWindowAndOnlyTheScriptsOwnStopWithIt)
{
    BLOCK &p = Page("Sound");
    HGLOBAL h = Applet(p, ":w\ngoto(:w)"), quiet = Applet(p, ":w\ngoto(:w)");
    Open();
    APPLET *a = Running(h);
    GlobalBlock shortwave(Wave(50)), longwave(Wave(2000));
    if (!host.playsound(a, shortwave.get(), 0))
        GTEST_SKIP() << "no wave output here";
    EXPECT_EQ(host.soundplaying(a), 1);
    EXPECT_TRUE(sbtest::PumpUntil([&] { return host.soundplaying(a) == 0; }))
        << "the end notice did not reach the sound player";
    // An applet that played nothing leaves another window's sound alone.
    ASSERT_EQ(APPLETPlaySound(owner, longwave.get(), SOUND_WAVE), 1);
    Post(QVM_STOPOBJECT, Number(quiet));
    EXPECT_EQ(host.soundplaying(a), 1);
    ASSERT_EQ(host.playsound(a, longwave.get(), 0), 1);
    Post(QVM_STOPOBJECT, Number(h));
    EXPECT_EQ(host.soundplaying(nullptr), 0);
}

} // namespace
