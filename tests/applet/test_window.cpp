// Applets on a shown page: started with their object, one line per step,
// ending on an error while the show goes on, reaching only the page's own
// objects, boxes that outlive their window, pausing, drawing and sound.
#include "applet/appletwindow.h"
#include "common/shell.h"
#include "media/sound.h"
#include "tests/applet/applethost.h"
#include "tests/runtime/showfixture.h"
#include <string>

namespace {

using applettest::Variables;

int ticks;
LRESULT CALLBACK TickProc(HWND h, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_TIMER)
        ticks++;
    return DefWindowProcA(h, msg, w, l);
}

struct AppletDoc : rttest::Show {
    HWND savedmain = hwndmain;
    HWND ticker;
    AppletDoc()
    {
        APPLETInstallWindow();
        hwndmain = owner; // the abort poll takes a missing main window for an abort
        // Something always comes, so a show pass never waits for good.
        ticker = sbtest::CreateTestWindow(false, 10, 10, TickProc);
        SetTimer(ticker, 1, 10, NULL);
    }
    ~AppletDoc()
    {
        DestroyWindow(ticker);
        hwndmain = savedmain;
    }
    HGLOBAL Applet(BLOCK &page, const std::string &script, uint32_t flags = OBJ_VISIBLE | OBJ_ENABLED)
    {
        return Object(page, TAG_APPL, {20, 30, 180, 158}, (LONG_PTR)script.c_str(), flags);
    }
    APPLET *Running(HGLOBAL h) { return (APPLET *)(UINT_PTR)GlobalLocked<OBJECTAPPLET>(h)->applet; }
    void Step(HGLOBAL h) { SendMessageA(Child(Number(h)), QVM_APPLETSTEP, 0, 0); }
    // Steps every applet of `applets` until none runs.
    void StepAll(const std::vector<HGLOBAL> &applets, int bound = 100)
    {
        for (int i = 0; i < bound; i++)
            for (HGLOBAL h : applets)
                if (Flags(h) & OBJ_RUNNING)
                    Step(h);
    }
    std::pair<int, int> Result(HGLOBAL h)
    {
        int result = 99, line = 99;
        EXPECT_TRUE(APPLETWindowResult(Child(Number(h)), &result, &line));
        return {result, line};
    }
    // The show's own loop, for `ms`.
    void RunFor(int ms)
    {
        BLOCK page = Get((unsigned)set->current);
        for (DWORD until = GetTickCount() + (DWORD)ms; (int)(GetTickCount() - until) < 0;)
            QV_RunShowPass(show, &page);
    }
    int Count(uint32_t number) { return (int)SendMessageA(Child(number), LB_GETCOUNT, 0, 0); }
};

struct AppletShow : testing::Test, AppletDoc {};

TEST_F(AppletShow, RunsOneLinePerStepAndFreesItselfAtTheEnd)
{
    BLOCK &p = Page("One");
    HGLOBAL list = Object(p, TAG_LIST, {200, 10, 300, 100});
    std::string script = "declareint(@n)\ninc(@n)\ninc(@n)\nlistboxinsertstring(\"done\"," +
                         std::to_string(Number(list)) + ",-1)\n";
    HGLOBAL h = Applet(p, script);
    Open();
    // Started with the page: its first line ran on the step it posted itself.
    ASSERT_TRUE(Flags(h) & OBJ_RUNNING);
    APPLET *a = Running(h);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->currentline, 1);
    EXPECT_EQ(a->hwnd, Child(Number(h)));
    // Not continuous: nothing moves it on but the idle pass of the loop.
    sbtest::PumpUntilIdle(30);
    EXPECT_EQ(a->currentline, 1);
    for (const char *expected : {"n=1", "n=2"}) {
        Step(h);
        EXPECT_EQ(Variables(a), expected);
    }
    Step(h);
    EXPECT_EQ(Count(Number(list)), 1);
    EXPECT_TRUE(Flags(h) & OBJ_RUNNING);
    Step(h); // no line left
    EXPECT_FALSE(Flags(h) & OBJ_RUNNING);
    EXPECT_EQ(Running(h), nullptr);
    EXPECT_EQ(Result(h), std::make_pair(-1, -1));

    // Started again, it runs from its first line.
    Post(QVM_STARTOBJECT, Number(h));
    ASSERT_TRUE(Running(h));
    EXPECT_EQ(Running(h)->currentline, 1);
    StepAll({h});
    EXPECT_EQ(Count(Number(list)), 2);
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
        GlobalLocked<OBJECTAPPLET>(applets.back())->stacksize = row.stacksize;
    }
    HGLOBAL healthy = Applet(p, "declareint(@k)\n:top\ninc(@k)\nif(islessthan(@k,5),:top)");
    Page("Two");
    Open();
    ASSERT_TRUE(Running(healthy));
    APPLET *a = Running(healthy);
    for (int i = 0; i < 3; i++)
        Step(healthy);
    EXPECT_NE(Variables(a), "k=0");
    StepAll(applets);
    for (size_t i = 0; i < std::size(rows); i++) {
        SCOPED_TRACE(rows[i].script);
        EXPECT_EQ(Result(applets[i]), std::make_pair(rows[i].result, rows[i].line));
        EXPECT_FALSE(Flags(applets[i]) & OBJ_RUNNING);
        EXPECT_EQ(Running(applets[i]), nullptr);
    }
    // No box was shown (the test's modal guard would have failed), the
    // other applet goes on and the show still changes pages.
    StepAll({healthy});
    EXPECT_EQ(Result(healthy).first, -1);
    Post(QVM_NEXTPAGE);
    EXPECT_EQ(set->current, 2);
}

TEST_F(AppletShow, PageObjectsAreReachedByTheirOwnRecordsOnly)
{
    Page("Objects");
    Page("Second");
    BLOCK &p = pages[0];
    uint32_t list = Number(Object(p, TAG_LIST, {200, 10, 300, 100}));
    uint32_t check = Number(Object(p, TAG_CHEC, {200, 110, 300, 130}));
    uint32_t text = Number(Object(p, TAG_TEXT, {200, 140, 300, 170}));
    ASSERT_TRUE(list != 10 && check != 10 && text != 10);
    auto n = [](uint32_t v) { return std::to_string(v); };
    std::string script = "declareint(@a)\ndeclareint(@b)\ndeclareint(@c)\ndeclareint(@d)\n"
                         "declareint(@p)\ndeclarestring($s)\n"
                         "@a=listboxinsertstring(\"x\",10,-1)\n"
                         "@b=listboxinsertstring(\"y\"," + n(list) + ",-1)\n"
                         "@c=listboxinsertstring(\"z\"," + n(check) + ",-1)\n"
                         "@d=setcheckboxstate(" + n(list) + ",1)\n"
                         "setcheckboxstate(" + n(check) + ",1)\n"
                         "@p=@_PCT\n"
                         "setconfigstring(\"Colour\",\"Blue\")\n"
                         "getconfigstring($s,\"Colour\")\n"
                         ":wait\ngoto(:wait)";
    HGLOBAL h = Applet(p, script);
    snprintf(header.hedr.title, sizeof header.hedr.title, "Applet window test");
    Open();
    // The player keeps its block list as the show's child number 10.
    HWND blocks = CreateWindowA("LISTBOX", "blocks", WS_CHILD | LBS_HASSTRINGS, 0, 0, 10, 10, show,
                                (HMENU)10, hInst, NULL);
    APPLET *a = Running(h);
    ASSERT_TRUE(a);
    for (int i = 0; i < 16; i++)
        Step(h);
    EXPECT_EQ(Variables(a), "a=-1 b=0 c=-1 d=0 p=2 s=\"Blue\"");
    EXPECT_EQ(SendMessageA(blocks, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Count(list), 1);
    EXPECT_EQ(SendMessageA(Child(check), BM_GETCHECK, 0, 0), BST_CHECKED);

    // The entries the drawing built-ins use refuse the same numbers.
    const APPLETHOST &host = APPLETwindowhost;
    OBJECTHEADER *o = nullptr;
    EXPECT_EQ(host.lockobject(a, 10, &o), nullptr);
    EXPECT_EQ(host.lockobject(a, 999, &o), nullptr);
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
    char caption[16];
    GetWindowTextA(blocks, caption, sizeof caption);
    EXPECT_STREQ(caption, "blocks");
    WritePrivateProfileStringA("Applet window test", NULL, NULL, "Showbinder.INI");
}

// What a box's modal loop does while a line waits in it.
struct BoxCase {
    const char *name;
    void (*inbox)(AppletDoc *, HWND applet);
    bool windowstays;
};
AppletDoc *boxshow;
HGLOBAL boxapplet;
const BoxCase *boxcase;
bool boxsawintact;

INT_PTR BoxHook(const MODALCALL *call)
{
    EXPECT_EQ(call->kind, MODAL_MESSAGEBOX);
    APPLET *a = boxshow->Running(boxapplet);
    EXPECT_TRUE(a && a->busy);
    HWND window = boxshow->Child(boxshow->Number(boxapplet));
    boxcase->inbox(boxshow, window);
    // Whatever happened, the line still holds its applet.
    boxsawintact = a && a->orphaned && !a->freed && a->stack && a->variablecount > 0;
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
        BLOCK &p = doc.pages[0];
        HGLOBAL h = doc.Applet(p, "declareint(@n)\nmessagebox(\"Hi\")\ninc(@n)\n:w\ngoto(:w)");
        doc.Open();
        boxshow = &doc;
        boxapplet = h;
        boxcase = &c;
        boxsawintact = false;
        MODALHOOK previous = COMMONSetModalHook(BoxHook);
        HWND window = doc.Child(doc.Number(h));
        doc.Step(h);
        COMMONSetModalHook(previous);
        EXPECT_TRUE(boxsawintact);
        EXPECT_EQ(doc.Running(h), nullptr);
        EXPECT_FALSE(doc.Flags(h) & OBJ_RUNNING);
        EXPECT_EQ(IsWindow(window) != 0, c.windowstays);
        if (c.windowstays) {
            // A new start runs afresh.
            doc.Post(QVM_STARTOBJECT, doc.Number(h));
            ASSERT_TRUE(doc.Running(h));
            EXPECT_EQ(Variables(doc.Running(h)), "n=0");
        }
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
    RunFor(100);
    APPLET *a = Running(fast), *b = Running(slow);
    ASSERT_TRUE(a && b);
    auto n = [&] { return (int)a->variables[a->variablecount - 1].value; };
    int before = n();
    EXPECT_GT(before, 10);
    EXPECT_GT(ticks, 3) << "a continuous applet holds back timers";

    // Only the idle pass steps the other one, and a continuous applet
    // leaves the loop no idle pass.
    std::string slowbefore = Variables(b);
    SendMessageA(show, WM_ACTIVATE, WA_INACTIVE, 0);
    RunFor(50);
    int paused = n();
    RunFor(50);
    Step(slow);
    EXPECT_EQ(n(), paused);
    EXPECT_EQ(Variables(b), slowbefore);

    SendMessageA(show, WM_ACTIVATE, WA_ACTIVE, 0);
    RunFor(50);
    EXPECT_GT(n(), paused);
    Step(slow);
    Step(slow);
    EXPECT_NE(Variables(b), slowbefore);

    // The abort poll after every line: a right click in the applet stops it.
    PostMessageA(Child(Number(fast)), WM_RBUTTONDOWN, MK_RBUTTON, 0);
    RunFor(30);
    EXPECT_FALSE(Flags(fast) & OBJ_RUNNING);
    EXPECT_EQ(Result(fast).first, 0);
}

// A short silent wave: its end notice goes to the applet window.
std::vector<uint8_t> Wave(int ms)
{
    PCMWAVEFORMAT f{};
    f.wf.wFormatTag = WAVE_FORMAT_PCM;
    f.wf.nChannels = 1;
    f.wf.nSamplesPerSec = 8000;
    f.wf.nAvgBytesPerSec = 8000;
    f.wf.nBlockAlign = 1;
    f.wBitsPerSample = 8;
    std::vector<uint8_t> v(sizeof f + 8 * (size_t)ms, 128);
    memcpy(v.data(), &f, sizeof f);
    return v;
}

TEST_F(AppletShow, SoundsEndThroughTheWindowAndOnlyTheScriptsOwnAreStopped)
{
    BLOCK &p = Page("Sound");
    HGLOBAL h = Applet(p, ":w\ngoto(:w)");
    HGLOBAL quiet = Applet(p, ":w\ngoto(:w)");
    Open();
    const APPLETHOST &host = APPLETwindowhost;
    APPLET *a = Running(h);
    ASSERT_TRUE(a);
    HGLOBAL wave = docfixture::Global(Wave(50));
    int started = host.playsound(a, wave, 0);
    if (!started) {
        GlobalFree(wave);
        GTEST_SKIP() << "no wave output here";
    }
    EXPECT_EQ(host.soundplaying(a), 1);
    sbtest::PumpUntilIdle(400);
    EXPECT_EQ(host.soundplaying(a), 0) << "the end notice did not reach the sound player";

    // An applet that played nothing leaves another window's sound playing.
    HGLOBAL longwave = docfixture::Global(Wave(2000));
    ASSERT_EQ(APPLETPlaySound(owner, longwave, SOUND_WAVE), 1);
    Post(QVM_STOPOBJECT, Number(quiet));
    EXPECT_EQ(host.soundplaying(a), 1);
    // The script's own sound stops with the script.
    ASSERT_EQ(host.playsound(a, longwave, 0), 1);
    Post(QVM_STOPOBJECT, Number(h));
    EXPECT_EQ(APPLETwavehandle, nullptr);
    GlobalFree(wave);
    GlobalFree(longwave);
}

TEST_F(AppletShow, DrawsThroughTheDeviceContextOfItsWindow)
{
    BLOCK &p = Page("Draw");
    HGLOBAL h = Applet(p, ":w\ngoto(:w)");
    Open();
    APPLET *a = Running(h);
    ASSERT_TRUE(a);
    for (int bits : {24, 8}) {
        SCOPED_TRACE(bits);
        devicebits = bits;
        HDC dc = APPLETwindowhost.getdc(a);
        ASSERT_TRUE(dc);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT r{0, 0, 20, 20};
        FillRect(dc, &r, red);
        DeleteObject(red);
        APPLETwindowhost.releasedc(a, dc);
        EXPECT_EQ(sbtest::CaptureClient(Child(Number(h))).At(10, 10), RGB(255, 0, 0));
    }
    devicebits = 24;
    // A window that is gone gives no device context.
    APPLET stale{};
    stale.hwnd = a->hwnd;
    DestroyWindow(stale.hwnd);
    EXPECT_EQ(APPLETwindowhost.getdc(&stale), nullptr);
}

} // namespace
