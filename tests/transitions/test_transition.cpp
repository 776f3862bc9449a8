// The transition engine ticked on a memory DC: every row's appear ends on
// exactly the picture and its disappear on exactly the background, one end
// message per cycle, and damaged rows, speeds and waits are harmless.
#include "runtime/transition.h"
#include "common/services.h"
#include "surface.h"
#include <gtest/gtest.h>
#include <set>
#include <vector>

using namespace sbtest;

namespace {

int ends = 0;
void CountEnd(HWND) { ++ends; }

struct Engine : testing::Test {
    TRANSITIONHOST saved = TransitionHost;
    void SetUp() override
    {
        ends = 0;
        TransitionHost.endcycle = CountEnd;
    }
    void TearDown() override { TransitionHost = saved; }
};

// The picture lies at (0, 0) of a larger client, so anything an effect drew
// outside it shows.
constexpr int PW = 40, PH = 30, CW = 52, CH = 41;

struct Cycle {
    Surface surface{CW, CH, 1};
    HGLOBAL picture;
    Capture background;
    STATUS status{};
    Cycle(int appear, int disappear, int pw = PW, int ph = PH) : picture(PatternDib(pw, ph, 2))
    {
        background = surface.Read();
        InitImageStatus(&status, picture, appear, disappear, 80, 0, surface.Copy());
    }
    ~Cycle()
    {
        if (status.snapshot)
            DeleteObject(status.snapshot);
        DestroyStatus(&status);
        GlobalFree(picture);
    }
    void Tick() { HandleOnceCell(NULL, surface.dc, &status); }
    // Ticks until the phase leaves `phase`; the number of ticks taken.
    int RunPhase(int phase, int limit = 5000)
    {
        int n = 0;
        while (status.phase == phase && n < limit) {
            Tick();
            ++n;
        }
        return n;
    }
    Capture Expected(bool withpicture) const
    {
        Capture c = background;
        if (withpicture)
            for (int y = 0; y < PH; ++y)
                for (int x = 0; x < PW; ++x)
                    c.pixels[(size_t)y * CW + x] = PatternPixel(x, y, 2);
        return c;
    }
};

// The first difference, for a readable failure.
std::string Differs(const Capture &got, const Capture &want)
{
    if (got.width != want.width || got.height != want.height)
        return "size";
    for (size_t i = 0; i < got.pixels.size(); ++i)
        if ((got.pixels[i] & 0xFFFFFF) != (want.pixels[i] & 0xFFFFFF)) {
            char text[96];
            snprintf(text, sizeof text, "(%d, %d): %06X, want %06X", (int)(i % got.width), (int)(i / got.width),
                     got.pixels[i] & 0xFFFFFF, want.pixels[i] & 0xFFFFFF);
            return text;
        }
    return "";
}

TEST_F(Engine, EveryRowAppearsAndDisappearsExactly)
{
    for (int row = 0; row < MAXEFFECT; ++row) {
        SCOPED_TRACE(effect[row].name);
        Cycle c(row, row);
        c.Tick(); // set-up
        ASSERT_EQ(c.status.phase, PHASE_APPEAR);
        c.RunPhase(PHASE_APPEAR);
        ASSERT_EQ(c.status.phase, PHASE_WAIT);
        EXPECT_EQ(Differs(c.surface.Read(), c.Expected(true)), "");
        EXPECT_EQ(Differs(ReadBitmap(c.status.snapshot, CW, CH), c.Expected(true)), "") << "snapshot";
        c.Tick(); // a wait of 0 ends on its first tick
        ASSERT_EQ(c.status.phase, PHASE_DISAPPEAR);
        EXPECT_EQ(ends, 0);
        c.RunPhase(PHASE_DISAPPEAR);
        EXPECT_EQ(c.status.phase, PHASE_SETUP);
        EXPECT_EQ(c.status.current, STATUS_NEWCYCLE);
        EXPECT_EQ(ends, 1);
        // No Clear leaves the picture on the page, and so may Random Effect
        // when it has no disappear choice of its own.
        bool stays = row == 3;
        EXPECT_EQ(Differs(c.surface.Read(), c.Expected(stays)), "");
        EXPECT_EQ(Differs(ReadBitmap(c.status.snapshot, CW, CH), c.Expected(stays)), "") << "snapshot";
        EXPECT_EQ(c.status.bitmap, (HBITMAP)NULL);
        ends = 0;
    }
}

TEST_F(Engine, TicksTakenByTheSmallestPictures)
{
    struct Row {
        int row, width, height, appearticks;
    } rows[] = {
        {10, 2, 20, 1}, {11, 2, 20, 1}, // a two-pixel wipe ends on its first tick
        {8, 20, 20, 2},                 // nine tiles, then the tick that ends the phase
        {0, 20, 20, 1},
        {3, 20, 20, 1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.row);
        Cycle c(r.row, 0, r.width, r.height);
        c.Tick();
        EXPECT_EQ(c.RunPhase(PHASE_APPEAR), r.appearticks);
    }
}

TEST_F(Engine, LoopingImageStartsANewCycleAfterTheEnd)
{
    Cycle c(2, 9);
    for (int cycle = 1; cycle <= 3; ++cycle) {
        c.Tick();
        c.RunPhase(PHASE_APPEAR);
        c.RunPhase(PHASE_WAIT);
        c.RunPhase(PHASE_DISAPPEAR);
        EXPECT_EQ(ends, cycle);
        // What the image window does with the end message.
        DestroyStatus(&c.status);
        c.status.current = STATUS_NEWCYCLE;
        c.status.background = c.surface.Copy();
    }
}

TEST_F(Engine, WaitCountsDownOnlyThroughTheCaller)
{
    Cycle c(0, 0);
    c.status.wait = 2;
    c.Tick();
    c.Tick();
    ASSERT_EQ(c.status.phase, PHASE_WAIT);
    EXPECT_EQ(c.status.countdown, 2);
    c.Tick();
    EXPECT_EQ(c.status.phase, PHASE_WAIT);
    c.status.countdown = 0;
    c.Tick();
    EXPECT_EQ(c.status.phase, PHASE_DISAPPEAR);
}

TEST_F(Engine, FailedSetUpEndsTheCycleAndReturnsToSetUp)
{
    // Chaos and Order cannot take a picture no wider than its blocks.
    Cycle c(1, 1, 8, 30);
    for (int cycle = 1; cycle <= 2; ++cycle) {
        c.Tick();
        EXPECT_EQ(ends, cycle);
        EXPECT_EQ(c.status.phase, PHASE_SETUP);
        EXPECT_EQ(c.status.current, STATUS_NEWCYCLE);
    }
    EXPECT_EQ(Differs(c.surface.Read(), c.background), "");
}

TEST_F(Engine, DamagedRowsCallNothing)
{
    struct Row {
        int appear, disappear;
        bool shown;
    } rows[] = {{-1, 0, false}, {12, 0, false}, {0x7FFFFFFF, 0, false}, {(int)0x80000000, 0, false},
                {0, -1, true},  {0, 12, true},  {8, 1000, true}};
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << r.appear << " " << r.disappear);
        Cycle c(r.appear, r.disappear);
        for (int i = 0; i < 200 && ends == 0; ++i)
            c.Tick();
        if (r.shown) {
            // The picture stays, and the cycle still ends once.
            EXPECT_EQ(ends, 1);
            EXPECT_EQ(c.status.phase, PHASE_SETUP);
            EXPECT_EQ(Differs(c.surface.Read(), c.Expected(true)), "");
        } else {
            EXPECT_EQ(ends, 0);
            EXPECT_EQ(Differs(c.surface.Read(), c.background), "");
        }
        ends = 0;
    }
}

TEST_F(Engine, NoPictureOnlyAdvancesThePhase)
{
    Surface s(10, 10, 1);
    STATUS status{};
    EXPECT_EQ(InitImageStatus(&status, NULL, 0, 0, 10, 1, NULL), 0);
    std::vector<int> phases;
    for (int i = 0; i < 5; ++i) {
        HandleOnceCell(NULL, s.dc, &status);
        phases.push_back(status.phase);
    }
    EXPECT_EQ(phases, (std::vector<int>{1, 2, 3, 0, 1}));
    EXPECT_EQ(ends, 0);
}

TEST_F(Engine, SpeedAndWaitAreClamped)
{
    struct Row {
        long speed, wait;
        int wantspeed, wantwait;
    } rows[] = {{-5, -3, 0, 0}, {0, 0, 0, 0}, {80, 7, 80, 7}, {81, 1, 80, 1}, {0x7FFFFFFF, -0x7FFFFFFF, 80, 0}};
    HGLOBAL picture = PatternDib(4, 4, 0);
    for (const Row &r : rows) {
        STATUS status{};
        ASSERT_EQ(InitImageStatus(&status, picture, 0, 0, r.speed, r.wait, NULL), 1);
        EXPECT_EQ(status.speed, r.wantspeed);
        EXPECT_EQ(status.wait, r.wantwait);
        EXPECT_EQ(status.width, 4);
        EXPECT_EQ(status.bits, 24);
    }
    GlobalFree(picture);
}

TEST_F(Engine, ChangePhaseCycles)
{
    STATUS status{};
    status.wait = 9;
    const int16_t from[] = {0, 1, 2, 3, 4, -1};
    const int16_t to[] = {1, 2, 3, 0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        status.phase = from[i];
        ChangePhase(&status);
        EXPECT_EQ(status.phase, to[i]);
    }
    EXPECT_EQ(status.countdown, 9);
}

TEST_F(Engine, RandomEffectNeverPicksTheExcludedRows)
{
    Surface s(CW, CH, 1);
    HGLOBAL picture = PatternDib(PW, PH, 2);
    STATUS status{};
    InitImageStatus(&status, picture, 6, 6, 80, 0, NULL);
    status.hdc = s.dc;
    std::set<int> appeared, disappeared;
    int last = status.pick;
    for (int i = 0; i < 400; ++i) {
        EXPECT_EQ(SetupRandom(&status), EFFECT_DONE);
        EXPECT_NE(status.pick, last);
        appeared.insert(last = status.pick);
        EXPECT_EQ(WaitRandom(&status), EFFECT_DONE);
        EXPECT_NE(status.pick, last);
        disappeared.insert(last = status.pick);
        DestroyStatus(&status);
    }
    EXPECT_EQ(appeared, (std::set<int>{1, 2, 4, 5, 7, 8, 9, 10, 11}));
    EXPECT_EQ(disappeared, (std::set<int>{2, 4, 7, 8, 9, 10, 11}));
    GlobalFree(picture);
}

// The image window's side: the end message reaches a real window as
// WM_TIMER with id -1 and lParam 0, once per cycle.
TEST(EngineWindow, EndMessageIsPostedToTheWindow)
{
    HWND hwnd = CreateTestWindow(true, 120, 90);
    HGLOBAL picture = PatternDib(PW, PH, 2);
    STATUS status{};
    HDC dc = GetDC(hwnd);
    RECT client{0, 0, 120, 90};
    InitImageStatus(&status, picture, 11, 10, 80, 0, CopyScreenToBitmap(dc, &client));
    int posted = 0;
    for (int i = 0; i < 200 && posted == 0; ++i) {
        HandleOnceCell(hwnd, dc, &status);
        MSG msg;
        while (PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE)) {
            EXPECT_EQ(msg.wParam, (WPARAM)-1);
            EXPECT_EQ(msg.lParam, 0);
            ++posted;
        }
    }
    EXPECT_EQ(posted, 1);
    ReleaseDC(hwnd, dc);
    if (status.snapshot)
        DeleteObject(status.snapshot);
    DestroyStatus(&status);
    GlobalFree(picture);
    DestroyWindow(hwnd);
}

} // namespace
