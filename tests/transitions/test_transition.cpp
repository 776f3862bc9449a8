// The transition engine ticked on a memory DC: every row's appear ends on
// exactly the picture and its disappear on exactly the background, one end
// message per cycle, and damaged rows, speeds and waits are harmless.
#include "runtime/transition.h"
#include "common/services.h"
#include "surface.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include <vector>

using namespace sbtest;

namespace {

int ends = 0;
void CountEnd(HWND) { ++ends; }
// The system's window sizes with a clock that only counts.
const TRANSITIONHOST counting{DefaultClientSize, CountEnd};

struct Engine : testing::Test {
    void SetUp() override { ends = 0; }
};

// The picture lies at (0, 0) of a larger client, so anything an effect drew
// outside it shows.
constexpr int PW = 40, PH = 30, CW = 52, CH = 41;

struct Cycle {
    int pw, ph;
    Surface surface;
    HGLOBAL picture;
    Capture background;
    STATUS status{};
    Cycle(int appear, int disappear, int w = PW, int h = PH)
        : pw(w), ph(h), surface(std::max(CW, w + 12), std::max(CH, h + 11), 1), picture(PatternDib(w, h, 2))
    {
        background = surface.Read();
        InitImageStatus(&status, picture, appear, disappear, 80, 0, surface.Copy());
        status.host = &counting;
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
            for (int y = 0; y < ph; ++y)
                for (int x = 0; x < pw; ++x)
                    c.pixels[(size_t)y * c.width + x] = PatternPixel(x, y, 2);
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

// How many ticks each phase takes: every effect but the ones that draw the
// whole picture at once needs several, and the last draws what is left.
TEST_F(Engine, EachEffectTakesItsTicks)
{
    const struct {
        int row, width, height, appear, disappear;
    } rows[] = {
        {0, PW, PH, 1, 1},   {3, PW, PH, 1, 1},   {5, PW, PH, 10, 1},  {1, PW, PH, -1, 1}, // -1: as the sort needs
        {10, PW, PH, 7, 7},  {11, PW, PH, 7, 7},  {10, 13, 9, 2, 2},   {11, 2, 20, 1, 1},
        {10, 2, 20, 1, 1},   {2, PW, PH, 7, 7},   {9, PW, PH, 6, 6},   {9, 20, 11, 2, 2},
        {4, PW, PH, 7, 7},   {4, 16, 20, 3, 3},   {8, PW, PH, 3, 3},   {8, 20, 20, 2, 2},
        {7, 64, 48, 3, 4},   {7, 10, 10, 1, 2},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << effect[r.row].name << " " << r.width << "x" << r.height);
        Cycle c(r.row, r.row, r.width, r.height);
        c.Tick();
        int appear = c.RunPhase(PHASE_APPEAR);
        if (r.appear > 0) {
            EXPECT_EQ(appear, r.appear);
        } else {
            EXPECT_GT(appear, 2);
        }
        c.Tick();
        ASSERT_EQ(c.status.phase, PHASE_DISAPPEAR);
        // Going, the background takes more of the picture's place each tick.
        // (No Clear leaves the picture.)
        const Capture end = c.Expected(r.row == 3);
        auto covered = [&] {
            Capture now = c.surface.Read();
            size_t same = 0;
            for (size_t i = 0; i < now.pixels.size(); ++i)
                same += (now.pixels[i] & 0xFFFFFF) == (end.pixels[i] & 0xFFFFFF);
            return same;
        };
        int ticks = 0;
        size_t before = covered();
        while (c.status.phase == PHASE_DISAPPEAR && ticks < 100) {
            c.Tick();
            ++ticks;
            size_t now = covered();
            if (c.status.phase == PHASE_DISAPPEAR) {
                EXPECT_GT(now, before) << "disappear tick " << ticks;
            } else {
                EXPECT_EQ(now, end.pixels.size()) << "last disappear tick";
            }
            before = now;
        }
        EXPECT_EQ(ticks, r.disappear);
    }
}

// Where a pixel of the picture's place comes from after some steps of an
// effect: the background, or the picture at (x, y).
struct From {
    bool picture;
    int x, y;
};
constexpr From BG{false, 0, 0};
constexpr From Pic(int x, int y) { return {true, x, y}; }

// The first pixel of the surface that does not show what `from` says; outside
// the picture's place the background stays.
template <class F> std::string Mismatch(const Cycle &c, F from)
{
    Capture got = c.surface.Read();
    for (int y = 0; y < got.height; ++y)
        for (int x = 0; x < got.width; ++x) {
            From f = x < c.pw && y < c.ph ? from(x, y) : BG;
            uint32_t want = f.picture ? PatternPixel(f.x, f.y, 2) : c.background.pixels[(size_t)y * got.width + x];
            uint32_t seen = got.pixels[(size_t)y * got.width + x] & 0xFFFFFF;
            if (seen != (want & 0xFFFFFF)) {
                char text[120];
                snprintf(text, sizeof text, "(%d, %d) %06X, want %s (%d, %d)", x, y, seen,
                         f.picture ? "picture" : "background", f.picture ? f.x : x, f.picture ? f.y : y);
                return text;
            }
        }
    return "";
}

// The effects that slide the picture in show, after s steps, exactly this.
using Model = From (*)(int s, int x, int y);
constexpr int HW = PW / 2, HH = PH / 2;
const struct Sliding {
    int row, stepsatick, ticks;
    Model model;
} sliding[] = {
    // The picture's left edge comes in at the right and moves left.
    {11, 6, 7, [](int s, int x, int y) { return x >= PW - s ? Pic(x - PW + s, y) : BG; }},
    // Its right edge comes in at column 1; column 0 keeps the background.
    {10, 6, 7, [](int s, int x, int y) { return x >= 1 && x <= s ? Pic(PW - 1 - s + x, y) : BG; }},
    // The top half from the right, the bottom half from the left.
    {2, 6, 7,
     [](int s, int x, int y) {
         if (y < HH)
             return x >= PW - s ? Pic(x - PW + s, y) : BG;
         return x < s ? Pic(PW - s + x, y) : BG;
     }},
    // The left half rises from the bottom, the right half falls from the
    // top; the newest row shows twice at each moving edge.
    {9, 5, 6,
     [](int s, int x, int y) {
         if (x < HW) {
             if (y == PH - 1)
                 return Pic(x, s - 1);
             return y >= PH - s ? Pic(x, y - PH + s + 1) : BG;
         }
         if (y == 0)
             return Pic(x, PH - s);
         return y < s ? Pic(x, PH - s + y - 1) : BG;
     }},
    // Four quadrants grow out of the centre, each led by its own corner of
    // the picture.
    {5, 2, 10,
     [](int s, int x, int y) {
         int ex = s - 1, ey = (s - 1) * 3 / 4;
         if (x < HW - ex || x >= HW + ex || y < HH - ey || y >= HH + ey)
             return BG;
         int px = x < HW ? x - HW + ex : x + HW - ex - 1;
         if (y >= HH)
             return Pic(px, y + HH - ey);
         return Pic(px, x < HW ? y - HH + ey : y);
     }},
};

TEST_F(Engine, SlidingEffectsBringThePictureInFromTheirOwnEdges)
{
    for (const Sliding &e : sliding) {
        SCOPED_TRACE(effect[e.row].name);
        Cycle c(e.row, 0);
        c.Tick();
        for (int tick = 1; tick < e.ticks; ++tick) {
            c.Tick();
            ASSERT_EQ(c.status.phase, PHASE_APPEAR) << tick;
            EXPECT_EQ(Mismatch(c, [&](int x, int y) { return e.model(tick * e.stepsatick, x, y); }), "")
                << "tick " << tick;
        }
        c.Tick();
        EXPECT_EQ(c.status.phase, PHASE_WAIT);
        EXPECT_EQ(Differs(c.surface.Read(), c.Expected(true)), "");
    }
}

// Whether each pixel of the picture's place shows the picture there (1), the
// background (0) or anything else (-1).
std::vector<int> Shown(const Cycle &c)
{
    Capture got = c.surface.Read();
    std::vector<int> shown((size_t)c.pw * c.ph);
    for (int y = 0; y < c.ph; ++y)
        for (int x = 0; x < c.pw; ++x) {
            uint32_t p = got.pixels[(size_t)y * got.width + x] & 0xFFFFFF;
            shown[(size_t)y * c.pw + x] = p == PatternPixel(x, y, 2)                                     ? 1
                                          : p == (c.background.pixels[(size_t)y * got.width + x] & 0xFFFFFF) ? 0
                                                                                                          : -1;
        }
    return shown;
}

TEST_F(Engine, TileAndSandstormAddTheirShareEachTick)
{
    SeedEffects(11);
    {
        SCOPED_TRACE("Tile");
        Cycle c(8, 0); // 5 x 4 tiles, sixteen a tick
        c.Tick();
        for (int tick = 1; tick <= 2; ++tick) {
            c.Tick();
            std::vector<int> shown = Shown(c);
            int whole = 0;
            for (int ty = 0; ty < PH; ty += 8)
                for (int tx = 0; tx < PW; tx += 8) {
                    int first = shown[(size_t)ty * PW + tx];
                    for (int y = ty; y < std::min(ty + 8, PH); ++y)
                        for (int x = tx; x < tx + 8; ++x)
                            ASSERT_EQ(shown[(size_t)y * PW + x], first) << "tile " << tx << "," << ty;
                    ASSERT_NE(first, -1);
                    whole += first;
                }
            EXPECT_EQ(whole, std::min(16 * tick, 20)) << "tick " << tick;
        }
        c.Tick();
        EXPECT_EQ(c.status.phase, PHASE_WAIT);
    }
    {
        SCOPED_TRACE("Sandstorm");
        Cycle c(7, 0, 64, 48);
        c.Tick();
        for (int tick = 1; tick <= 3; ++tick) {
            c.Tick();
            std::vector<int> shown = Shown(c);
            EXPECT_EQ(std::count(shown.begin(), shown.end(), 1), 1024 * tick) << "tick " << tick;
            EXPECT_EQ(std::count(shown.begin(), shown.end(), -1), 0) << "tick " << tick;
        }
        EXPECT_EQ(c.status.phase, PHASE_WAIT);
    }
}

TEST_F(Engine, PlummetDropsOneStripAtATime)
{
    SeedEffects(5);
    Cycle c(4, 0); // strips at 0, 16 and 32 (the last 8 wide); 30 rows, sixteen a tick
    c.Tick();
    std::set<int> done;
    for (int tick = 1; tick <= 6; ++tick) {
        c.Tick();
        Capture got = c.surface.Read();
        int moving = 0;
        std::set<int> full;
        for (int sx = 0; sx < PW; sx += 16) {
            // Rows the strip has taken so far: its picture's bottom rows,
            // falling from the top.
            int rows = 0;
            while (rows < PH && got.At(sx, rows) != c.background.At(sx, rows))
                ++rows;
            int width = std::min(16, PW - sx);
            for (int y = 0; y < PH; ++y)
                for (int x = sx; x < sx + width; ++x) {
                    uint32_t want = y < rows ? PatternPixel(x, PH - rows + y, 2)
                                             : c.background.pixels[(size_t)y * got.width + x] & 0xFFFFFF;
                    ASSERT_EQ(got.pixels[(size_t)y * got.width + x] & 0xFFFFFF, want)
                        << "tick " << tick << " at " << x << "," << y;
                }
            if (rows == PH)
                full.insert(sx);
            else if (rows > 0) {
                EXPECT_EQ(rows, 16) << "tick " << tick;
                ++moving;
            }
        }
        // A strip stays down once it has fallen.
        for (int sx : done)
            EXPECT_TRUE(full.count(sx)) << sx;
        done = full;
        EXPECT_EQ(full.size(), (size_t)tick / 2) << "tick " << tick;
        EXPECT_EQ(moving, tick % 2) << "tick " << tick;
    }
    c.Tick();
    EXPECT_EQ(c.status.phase, PHASE_WAIT);
    EXPECT_EQ(Differs(c.surface.Read(), c.Expected(true)), "");
}

TEST_F(Engine, ChaosAndOrderSortsItsBlocksOnePassATick)
{
    SeedEffects(3);
    Cycle c(1, 0); // 5 x 4 blocks of 8; the bottom row of blocks is 6 high
    c.Tick();
    constexpr int COLS = 5, BLOCKS = 20;
    int last = -1, ticks = 0;
    while (c.status.phase == PHASE_APPEAR && ticks < 100) {
        c.Tick();
        ++ticks;
        // Which picture block each place shows, known by its first pixel.
        Capture got = c.surface.Read();
        std::vector<int> shown;
        for (int place = 0; place < BLOCKS; ++place) {
            uint32_t p = got.pixels[(size_t)(place / COLS) * 8 * got.width + (place % COLS) * 8] & 0xFFFFFF;
            int block = -1;
            for (int b = 0; b < BLOCKS; ++b)
                if (PatternPixel((b % COLS) * 8, (b / COLS) * 8, 2) == p)
                    block = b;
            ASSERT_NE(block, -1) << "tick " << ticks << " place " << place;
            shown.push_back(block);
        }
        std::set<int> distinct(shown.begin(), shown.end());
        EXPECT_EQ(distinct.size(), (size_t)BLOCKS) << "tick " << ticks;
        int inversions = 0;
        for (int i = 0; i < BLOCKS; ++i)
            for (int j = i + 1; j < BLOCKS; ++j)
                inversions += shown[i] > shown[j];
        if (last < 0) {
            // A scrambled start that takes several passes to sort.
            EXPECT_GT(inversions, 2 * (BLOCKS - 1));
        } else {
            // A pass swaps neighbours, each pair once at most.
            EXPECT_LT(inversions, last) << "tick " << ticks;
            EXPECT_GE(inversions, last - (BLOCKS - 1)) << "tick " << ticks;
        }
        if (c.status.phase != PHASE_APPEAR) {
            EXPECT_EQ(inversions, 0);
        }
        last = inversions;
    }
    EXPECT_EQ(c.status.phase, PHASE_WAIT);
    EXPECT_EQ(Differs(c.surface.Read(), c.Expected(true)), "");
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
    status.host = &counting;
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
