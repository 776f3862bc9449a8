// The windows that play: images through the transition engine, animations
// frame by frame, wave and MIDI sounds, and movies from memory.
#include "tests/runtime/showfixture.h"
#include "document/applet.h"
#include "runtime/media.h"
#include "runtime/transition.h"
#include <digitalv.h>
#include <algorithm>
#include <cstring>

namespace rttest {
namespace {

using Bytes = std::vector<uint8_t>;

// Stands in for the sound player and MCI: records what the windows ask and
// answers as a test says. A show given Host() while none is alive is answered
// as if all went well.
struct FakeMedia {
    std::vector<UINT> mci;    // the commands, in order
    std::vector<DWORD> plays; // the kinds played
    size_t playedbytes = 0;
    int kills = 0;
    MCIERROR openerror = 0, playerror = 0;
    MCIDEVICEID nextdevice = 7;
    static inline FakeMedia *now;

    FakeMedia() { now = this; }
    ~FakeMedia() { now = nullptr; }
    static MEDIAHOST Host() { return {Play, Kill, Offer, Mci, Text}; }
    size_t Count(UINT msg) const { return (size_t)std::count(mci.begin(), mci.end(), msg); }
    static int Play(HWND, HGLOBAL data, DWORD kind)
    {
        if (now)
            now->plays.push_back(kind), now->playedbytes = data ? GlobalSize(data) : 0;
        return 1;
    }
    static int Kill(HWND) { return now && ++now->kills, 1; }
    static int Offer(HWND, UINT, WPARAM, LPARAM) { return 0; }
    static MCIERROR Mci(MCIDEVICEID, UINT msg, DWORD_PTR, DWORD_PTR params)
    {
        if (!now)
            return 0;
        now->mci.push_back(msg);
        if (msg == MCI_OPEN && !now->openerror)
            ((MCI_DGV_OPEN_PARMSA *)params)->wDeviceID = now->nextdevice++;
        return msg == MCI_OPEN ? now->openerror : msg == MCI_PLAY ? now->playerror : 0;
    }
    static BOOL Text(MCIERROR error, char *text, UINT size)
    {
        return snprintf(text, size, "Cannot play this movie (%u).", (unsigned)error), TRUE;
    }
};

// The show window with the start requests its objects send it recorded.
struct MediaShow : Show {
    static inline std::vector<Received> starts;
    static inline WNDPROC original;
    static LRESULT CALLBACK Spy(HWND h, UINT m, WPARAM w, LPARAM l)
    {
        if (m == QVM_STARTOBJECT)
            starts.push_back({m, w, l, false});
        return CallWindowProcA(original, h, m, w, l);
    }
    void OpenSpied()
    {
        starts.clear();
        Open();
        original = (WNDPROC)SetWindowLongA(show, GWL_WNDPROC, (LONG)Spy);
    }
    size_t StartsOf(uint32_t number)
    {
        return (size_t)std::count_if(starts.begin(), starts.end(), [&](const Received &r) { return r.w == number; });
    }
    // Pumps until the object stops running or `ms` have passed.
    void UntilStopped(HGLOBAL h, int ms)
    {
        for (int t = 0; t < ms && (Flags(h) & OBJ_RUNNING); t += 20)
            sbtest::PumpUntilIdle(20);
    }
};

const RECT AT{10, 10, 50, 30}; // 40 x 20

OBJECTANIMFRAME &FrameRecord(Bytes &data, size_t i)
{
    return *(OBJECTANIMFRAME *)&data[sizeof(ANIMHEADER) + sizeof(OBJECTANIMFRAME) * i];
}

struct MediaWindows : testing::Test, MediaShow {};

// Without the loop flag the first cycle's end stops the image and starts its
// target once; with it the image goes on and never does. Speeds and waits
// out of range still run; an appear row the table lacks never shows.
TEST_F(MediaWindows, AnImageNotifiesOnceWithoutTheLoopFlagAndNeverWithIt)
{
    const struct {
        uint32_t flags, appear, disappear, speed, wait;
        size_t notices;
    } cases[] = {
        {0, 0, 0, 80, 0, 1},          {OBJ_LOOP, 0, 0, 80, 0, 0},
        {0, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 1}, {0, 10, 99, 1000, 0, 1},
        {0, 99, 0, 80, 0, 0},
    };
    for (const auto &c : cases) {
        MediaShow doc;
        BLOCK &p = doc.Page("One");
        HGLOBAL image = doc.WithData(p, TAG_IMAG, {0, 0, 16, 16},
                                     Picture(16, 16, [](int, int) { return RGB(250, 0, 0); }),
                                     OBJ_VISIBLE | OBJ_NOTIFY | c.flags);
        GlobalLocked<OBJECTIMAGE> o(image);
        o->appear = c.appear, o->disappear = c.disappear, o->speed = c.speed, o->wait = c.wait, o->notify = 77;
        o.Unlock();
        doc.OpenSpied();
        doc.Post(QVM_STARTOBJECT, doc.Number(image));
        // A busy machine stretches the ticks: the cases that end get time to.
        doc.UntilStopped(image, c.notices ? 20000 : 1500);
        sbtest::PumpUntilIdle(200);
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(doc.StartsOf(77), c.notices);
        EXPECT_EQ((doc.Flags(image) & OBJ_RUNNING) != 0, c.notices == 0);
        for (const Received &r : doc.starts)
            if (r.w == 77) {
                EXPECT_EQ(r.l, (LPARAM)doc.Child(doc.Number(image)));
            }
    }
}

// A show runs its page through the host record it was given and nothing
// else: the sound plays on the fake player, the picture's cycle ends on the
// fake clock, and windows outside the show still find the system's host.
std::vector<HWND> cycleends;
void RecordCycleEnd(HWND hwnd)
{
    cycleends.push_back(hwnd);
    DefaultEndCycle(hwnd);
}

TEST_F(MediaWindows, AShowRunsItsPageThroughTheHostItWasGiven)
{
    FakeMedia media;
    showhost.media = FakeMedia::Host();
    showhost.transitions.endcycle = RecordCycleEnd;
    cycleends.clear();
    BLOCK &p = Page("One");
    HGLOBAL image = WithData(p, TAG_IMAG, {0, 0, 16, 16}, Picture(16, 16, [](int, int) { return RGB(250, 0, 0); }),
                             OBJ_VISIBLE | OBJ_NOTIFY);
    GlobalLocked<OBJECTIMAGE>(image)->speed = 80;
    GlobalLocked<OBJECTIMAGE>(image)->notify = 77;
    HGLOBAL wave = WithData(p, TAG_WAVE, {100, 0, 132, 32}, Bytes(64, 128), OBJ_VISIBLE | OBJ_ENABLED);
    OpenSpied();
    EXPECT_EQ(media.plays, std::vector<DWORD>{SOUND_WAVE});
    for (HWND w : {show, Child(Number(image)), Child(Number(wave))})
        EXPECT_EQ(QV_ShowHostOf(w).transitions.endcycle, RecordCycleEnd);
    EXPECT_EQ(&QV_ShowHostOf(owner), &QV_SystemHost);
    EXPECT_EQ(&QV_ShowHostOf(NULL), &QV_SystemHost);

    Post(QVM_STARTOBJECT, Number(image));
    UntilStopped(image, 20000);
    EXPECT_EQ(cycleends, std::vector<HWND>{Child(Number(image))});
    EXPECT_EQ(StartsOf(77), 1u);
    // The wave window's stop and the show's stop of its background sound.
    DestroyWindow(show);
    EXPECT_EQ(media.kills, 2);
    EXPECT_EQ(QV_SystemHost.media.playsound, APPLETPlaySound);
}

// The tick timer's period follows the object's speed: 81 - speed ms, the
// speed kept within 0..80; the wait is counted in seconds.
std::vector<std::pair<UINT_PTR, UINT>> timersset;
HWND timedwindow;
using SETTIMER = UINT_PTR(WINAPI *)(HWND, UINT_PTR, UINT, TIMERPROC);
SETTIMER realsettimer;
UINT_PTR WINAPI RecordTimer(HWND hwnd, UINT_PTR id, UINT ms, TIMERPROC proc)
{
    if (hwnd && hwnd == timedwindow)
        timersset.push_back({id, ms});
    return realsettimer(hwnd, id, ms, proc);
}

TEST_F(MediaWindows, AnImageTicksAtThePeriodItsSpeedGives)
{
    realsettimer = (SETTIMER)sbtest::ReplaceImport("user32.dll", "SetTimer", (void *)RecordTimer);
    ASSERT_TRUE(realsettimer);
    struct Restore {
        ~Restore() { sbtest::ReplaceImport("user32.dll", "SetTimer", (void *)realsettimer); }
    } restore;
    const struct {
        uint32_t speed;
        UINT period;
    } cases[] = {{0, 81}, {1, 80}, {40, 41}, {80, 1}, {81, 1}, {0xFFFFFFFF, 81}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.speed);
        MediaShow doc;
        BLOCK &p = doc.Page("One");
        HGLOBAL image = doc.WithData(p, TAG_IMAG, {0, 0, 16, 16}, Picture(16, 16, [](int, int) { return RGB(9, 9, 9); }),
                                     OBJ_VISIBLE);
        GlobalLocked<OBJECTIMAGE>(image)->speed = c.speed;
        doc.Open();
        timedwindow = doc.Child(doc.Number(image));
        timersset.clear();
        doc.Post(QVM_STARTOBJECT, doc.Number(image), 0, 0);
        std::vector<UINT> periods;
        for (auto &t : timersset)
            periods.push_back(t.second);
        std::sort(periods.begin(), periods.end());
        EXPECT_EQ(periods, (std::vector<UINT>{c.period, 1000}));
        timedwindow = NULL;
    }
}

// On a palette display each frame is first brought to the standard palette,
// which holds these colours exactly.
TEST_F(MediaWindows, AnAnimationOfThreeFramesTwiceDrawsSixFramesThenStopsAndNotifies)
{
    const std::vector<COLORREF> colours = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    const int display = devicebits;
    for (int depth : {display, 8}) {
        SCOPED_TRACE(depth);
        devicebits = depth;
        MediaShow doc;
        BLOCK &p = doc.Page("One");
        // Delays no test waits for: every frame comes from a timer message sent here.
        HGLOBAL anim =
            doc.WithData(p, TAG_ANIM, AT, Animation(colours, 600000), OBJ_VISIBLE | OBJ_ENABLED | OBJ_NOTIFY);
        GlobalLocked<OBJECTANIM>(anim)->frames = 3;
        GlobalLocked<OBJECTANIM>(anim)->repeat = 2;
        GlobalLocked<OBJECTANIM>(anim)->notify = 55;
        doc.OpenSpied();
        HWND w = doc.Child(doc.Number(anim));
        for (int frame = 0; frame < 7; frame++) {
            UINT_PTR timer = GlobalLocked<OBJECTANIM>(anim)->timer;
            ASSERT_EQ(timer != 0, frame < 6) << frame;
            SendMessageA(w, WM_TIMER, frame < 6 ? timer : 2, 0);
            // A loaded display shows what was drawn a little later.
            COLORREF expected = colours[(frame < 6 ? frame : 5) % 3];
            EXPECT_TRUE(sbtest::PumpUntil([&] { return sbtest::CaptureClient(w).At(5, 5) == expected; })) << frame;
            EXPECT_EQ(doc.StartsOf(55), frame < 5 ? 0u : 1u) << frame;
        }
        EXPECT_FALSE(doc.Flags(anim) & OBJ_RUNNING);
        EXPECT_EQ(GlobalLocked<OBJECTANIM>(anim)->passes, 2u);
    }
    devicebits = display;
}

// On a palette display the player keeps the first cell it reduced in place
// of the stored one, and reduces no other; the editor's view leaves the
// document's cells as they are.
TEST_F(MediaWindows, OnAPaletteDisplayOnlyThePlayerKeepsAReducedCell)
{
    const int display = devicebits;
    devicebits = 8;
    for (bool player : {false, true}) {
        SCOPED_TRACE(player);
        MediaShow doc;
        doc.showhost.variant.keepreduced = player;
        BLOCK &p = doc.Page("One");
        Bytes data = Animation({RGB(255, 0, 0), RGB(0, 255, 0)}, 600000);
        FrameRecord(data, 0).transparent = RGB(0, 255, 0);
        HGLOBAL anim = doc.WithData(p, TAG_ANIM, AT, data, OBJ_VISIBLE | OBJ_ENABLED);
        GlobalLocked<OBJECTANIM>(anim)->frames = 2;
        doc.OpenSpied();
        HWND w = doc.Child(doc.Number(anim));
        for (int frame = 0; frame < 2; frame++) {
            SendMessageA(w, WM_TIMER, GlobalLocked<OBJECTANIM>(anim)->timer, 0);
            EXPECT_EQ((doc.Flags(anim) & OBJ_SOFTCUSTOM) != 0, player) << frame;
        }
        EXPECT_EQ(sbtest::CaptureClient(w).At(5, 5), RGB(0, 255, 0));
        GlobalLocked<OBJECTANIM> o(anim);
        const char *d = ObjectData(&o->header);
        auto record = [&](int i) { return (const OBJECTANIMFRAME *)(d + sizeof(ANIMHEADER)) + i; };
        auto cell = [&](int i) { return (const BITMAPINFOHEADER *)(d + record(i)->offset); };
        EXPECT_EQ(cell(0)->biBitCount, player ? 8 : 24);
        EXPECT_EQ(cell(1)->biBitCount, 24);
        if (player)
            EXPECT_LT(record(0)->transparent, 256u);
        else
            EXPECT_EQ(record(0)->transparent, (uint32_t)RGB(0, 255, 0));
    }
    devicebits = display;
}

// Frame records that do not fit their data are passed over; an animation
// with no frames never sets a timer.
TEST_F(MediaWindows, DamagedFramesAreSkippedAndNoFramesDoNothing)
{
    const struct {
        const char *what;
        void (*damage)(Bytes &, OBJECTANIM *);
        bool timer;
    } cases[] = {
        {"no frames in the record", [](Bytes &, OBJECTANIM *o) { o->frames = 0; }, false},
        {"no frames in the data", [](Bytes &d, OBJECTANIM *) { ((ANIMHEADER *)d.data())->frames = 0; }, false},
        {"more frames claimed than held", [](Bytes &, OBJECTANIM *o) { o->frames = 1000000; }, true},
        {"a frame past the data", [](Bytes &d, OBJECTANIM *) { FrameRecord(d, 0).offset = 0xFFFFFF00; }, false},
        {"a frame longer than the data", [](Bytes &d, OBJECTANIM *) { FrameRecord(d, 1).size = 0x7FFFFFFF; }, true},
        {"a current frame far out", [](Bytes &, OBJECTANIM *o) { o->current = 0x7FFFFFFF; }, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        MediaShow doc;
        BLOCK &p = doc.Page("One");
        Bytes data = Animation({RGB(1, 2, 3), RGB(4, 5, 6)}, 600000);
        OBJECTANIM record{};
        record.frames = 2;
        c.damage(data, &record);
        HGLOBAL anim = doc.WithData(p, TAG_ANIM, AT, data);
        GlobalLocked<OBJECTANIM>(anim)->frames = record.frames;
        GlobalLocked<OBJECTANIM>(anim)->current = record.current;
        doc.Open();
        HWND w = doc.Child(doc.Number(anim));
        EXPECT_EQ(GlobalLocked<OBJECTANIM>(anim)->timer != 0, c.timer);
        for (int i = 0; i < 4; i++)
            SendMessageA(w, WM_TIMER, GlobalLocked<OBJECTANIM>(anim)->timer, 0);
        InvalidateRect(w, NULL, TRUE);
        sbtest::PumpUntilIdle(20);
        EXPECT_TRUE(doc.Flags(anim) & OBJ_RUNNING);
    }
}

// While the show is inactive images and animations hold still; timers fire
// and sounds play on.
TEST_F(MediaWindows, DeactivationPausesImagesAndAnimationsNotTimersAndSounds)
{
    FakeMedia media;
    showhost.media = FakeMedia::Host();
    BLOCK &p = Page("One");
    HGLOBAL image = WithData(p, TAG_IMAG, {60, 0, 76, 16}, Picture(16, 16, [](int, int) { return 0xFF; }),
                             OBJ_VISIBLE | OBJ_ENABLED | OBJ_LOOP);
    GlobalLocked<OBJECTIMAGE>(image)->speed = 0;
    HGLOBAL once = WithData(p, TAG_IMAG, {80, 0, 96, 16}, Picture(16, 16, [](int, int) { return 0xFF00; }),
                            OBJ_VISIBLE | OBJ_ENABLED | OBJ_NOTIFY);
    GlobalLocked<OBJECTIMAGE>(once)->speed = 0;
    GlobalLocked<OBJECTIMAGE>(once)->notify = 67;
    HGLOBAL anim = WithData(p, TAG_ANIM, AT, Animation({RGB(9, 9, 9), RGB(8, 8, 8)}, 600000));
    GlobalLocked<OBJECTANIM>(anim)->frames = 2;
    HGLOBAL timer = Object(p, TAG_TIME, {0, 100, 32, 132}, 0, OBJ_ENABLED);
    GlobalLocked<OBJECTTIMER>(timer)->action = ACTION_NOTIFY;
    GlobalLocked<OBJECTTIMER>(timer)->target = 66;
    GlobalLocked<OBJECTTIMER>(timer)->delay = 1000;
    HGLOBAL wave = WithData(p, TAG_WAVE, {100, 0, 132, 32}, Bytes(64, 128));
    OpenSpied();
    SendMessageA(show, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(Flags(image) & OBJ_DEACTIVATED);
    EXPECT_TRUE(Flags(anim) & OBJ_DEACTIVATED);
    EXPECT_FALSE(Flags(wave) & OBJ_DEACTIVATED);

    HWND iw = Child(Number(image)), aw = Child(Number(anim)), tw = Child(Number(timer));
    HGLOBAL status = (HGLOBAL)(UINT_PTR)GlobalLocked<OBJECTIMAGE>(image)->status;
    auto phase = [&] {
        GlobalLocked<STATUS> s(status);
        return std::make_pair(s->phase, s->current);
    };
    auto before = phase();
    for (int i = 0; i < 3; i++) {
        SendMessageA(iw, WM_TIMER, GlobalLocked<OBJECTIMAGE>(image)->timer1, 0);
        SendMessageA(aw, WM_TIMER, GlobalLocked<OBJECTANIM>(anim)->timer, 0);
    }
    EXPECT_EQ(phase(), before);
    EXPECT_EQ(GlobalLocked<OBJECTANIM>(anim)->lastframe, -1);
    SendMessageA(tw, WM_TIMER, GlobalLocked<OBJECTTIMER>(timer)->timer, 0);
    sbtest::PumpUntilIdle(20);
    EXPECT_EQ(StartsOf(66), 1u);
    // The end of a cycle is not lost to an inactive show.
    SendMessageA(Child(Number(once)), WM_TIMER, TRANSITION_ENDTIMER, 0);
    sbtest::PumpUntilIdle(20);
    EXPECT_EQ(StartsOf(67), 1u);
    EXPECT_FALSE(Flags(once) & OBJ_RUNNING);
    EXPECT_TRUE(Flags(wave) & OBJ_RUNNING);
    EXPECT_EQ(media.plays.size(), 1u);
    EXPECT_EQ(media.kills, 0);

    SendMessageA(show, WM_ACTIVATE, WA_ACTIVE, 0);
    SendMessageA(iw, WM_TIMER, GlobalLocked<OBJECTIMAGE>(image)->timer1, 0);
    SendMessageA(aw, WM_TIMER, GlobalLocked<OBJECTANIM>(anim)->timer, 0);
    EXPECT_NE(phase(), before);
    EXPECT_EQ(GlobalLocked<OBJECTANIM>(anim)->lastframe, 0);
}

// Each sound kind plays its own copy, and every completion notice that
// reaches the window starts its target; stopping and closing end the sound.
TEST_F(MediaWindows, SoundsPlayTheirCopyAndNotifyOnEveryCompletion)
{
    const struct {
        uint32_t tag;
        DWORD kind;
        UINT notice;
    } cases[] = {{TAG_WAVE, SOUND_WAVE, MM_WOM_DONE}, {TAG_MIDI, SOUND_MIDI, MM_MCINOTIFY}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kind);
        FakeMedia media;
        MediaShow doc;
        doc.showhost.media = FakeMedia::Host();
        BLOCK &p = doc.Page("One");
        HGLOBAL sound = doc.WithData(p, c.tag, {0, 0, 32, 32}, Bytes(100, 1), OBJ_VISIBLE | OBJ_ENABLED | OBJ_NOTIFY);
        GlobalLocked<OBJECTWAVE>(sound)->notify = 44;
        doc.OpenSpied();
        ASSERT_EQ(media.plays, std::vector<DWORD>{c.kind});
        EXPECT_EQ(media.playedbytes, 100u);
        HWND w = doc.Child(doc.Number(sound));
        for (int i = 0; i < 2; i++)
            SendMessageA(w, c.notice, 0, 0);
        sbtest::PumpUntilIdle(20);
        EXPECT_EQ(doc.StartsOf(44), 2u);
        EXPECT_FALSE(doc.Flags(sound) & OBJ_RUNNING);
        doc.Post(QVM_STARTOBJECT, doc.Number(sound));
        doc.Post(QVM_STOPOBJECT, doc.Number(sound));
        EXPECT_EQ(media.plays.size(), 2u);
        EXPECT_EQ(media.kills, 1);
        doc.Post(QVM_STARTOBJECT, doc.Number(sound));
        DestroyWindow(w);
        EXPECT_EQ(media.kills, 2);
        EXPECT_EQ(GlobalLocked<OBJECTWAVE>(sound)->sound, 0u);
    }
}

// --- Movies ---------------------------------------------------------------

Bytes Riff(const char *id, const Bytes &body, const char *type = nullptr)
{
    uint32_t size = (uint32_t)body.size() + (type ? 4 : 0);
    Bytes d(id, id + 4);
    for (int i = 0; i < 4; i++)
        d.push_back((uint8_t)(size >> 8 * i));
    if (type)
        d.insert(d.end(), type, type + 4);
    d.insert(d.end(), body.begin(), body.end());
    if (d.size() & 1)
        d.push_back(0);
    return d;
}
template <class T> Bytes Raw(const T &v) { return Bytes((const uint8_t *)&v, (const uint8_t *)&v + sizeof v); }
Bytes operator+(Bytes a, const Bytes &b) { return a.insert(a.end(), b.begin(), b.end()), a; }

// A movie of 2 x 2 frames at 24 bits, ten a second.
Bytes Avi(uint32_t frames = 1)
{
    uint32_t avih[14] = {100000, 0, 0, 0x10, frames, 0, 1, 16, 2, 2};
    uint32_t strh[14] = {mmioFOURCC('v', 'i', 'd', 's'), 0, 0, 0, 0, 1, 10, 0, frames, 16, 0xFFFFFFFF, 0};
    BITMAPINFOHEADER strf{40, 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    Bytes movi, index;
    for (uint32_t i = 0; i < frames; i++) {
        uint32_t entry[4] = {mmioFOURCC('0', '0', 'd', 'b'), 0x10, 4 + 24 * i, 16};
        movi = movi + Riff("00db", Bytes(16, (uint8_t)(i * 40)));
        index = index + Raw(entry);
    }
    Bytes strl = Riff("LIST", Riff("strh", Raw(strh)) + Riff("strf", Raw(strf)), "strl");
    Bytes hdrl = Riff("LIST", Riff("avih", Raw(avih)) + strl, "hdrl");
    return Riff("RIFF", hdrl + Riff("LIST", movi, "movi") + Riff("idx1", index), "AVI ");
}

const RECT SCREEN{10, 10, 170, 90};

HGLOBAL AddMovie(Show &doc, BLOCK &p, const Bytes &avi, uint32_t flags = OBJ_VISIBLE | OBJ_ENABLED)
{
    Bytes first = Picture(2, 2, [](int, int) { return RGB(0, 128, 0); });
    HGLOBAL h = doc.WithData(p, TAG_MOVI, SCREEN, first + avi + Bytes(16, 0), flags);
    GlobalLocked<OBJECTMOVIE> o(h);
    o->avioffset = (uint32_t)first.size();
    o->avilength = (uint32_t)avi.size() + 16;
    o->notify = 33;
    return h;
}

bool ShowsText(HWND w)
{
    sbtest::Capture c = sbtest::CaptureClient(w);
    int dark = 0;
    for (uint32_t px : c.pixels)
        dark += (px & 0xFF) < 0x80;
    return c.At(1, 1) == RGB(255, 255, 255) && dark > 10;
}

// Damaged data never reaches MCI; a sound file MCI refuses still frees the
// copy at once. Either way the text shows until a stop clears it.
TEST_F(MediaWindows, AMovieThatCannotPlayShowsItsErrorAndFreesItsBuffer)
{
    Bytes cut = Avi();
    cut.resize(cut.size() - 30);
    const struct {
        const char *what;
        Bytes avi;
        void (*damage)(OBJECTMOVIE *);
        MCIERROR open, play;
        size_t opens;
    } cases[] = {
        {"not an AVI file", docfixture::Noise(300, 5), nullptr, 0, 0, 0},
        {"an AVI file cut short", cut, nullptr, 0, 0, 0},
        {"an offset past the data", Avi(), [](OBJECTMOVIE *o) { o->avioffset = 0xFFFFFFF0; }, 0, 0, 0},
        {"a length past the data", Avi(), [](OBJECTMOVIE *o) { o->avilength = 0x7FFFFFFF; }, 0, 0, 0},
        {"no length", Avi(), [](OBJECTMOVIE *o) { o->avilength = 0; }, 0, 0, 0},
        {"refused by MCI", Avi(), nullptr, MCIERR_INVALID_FILE, 0, 1},
        {"not played by MCI", Avi(), nullptr, 0, MCIERR_HARDWARE, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        FakeMedia media;
        media.openerror = c.open, media.playerror = c.play;
        MediaShow doc;
        doc.showhost.media = FakeMedia::Host();
        BLOCK &p = doc.Page("One");
        HGLOBAL movie = AddMovie(doc, p, c.avi);
        if (c.damage)
            c.damage(GlobalLocked<OBJECTMOVIE>(movie).get());
        doc.Open();
        HWND w = doc.Child(doc.Number(movie));
        EXPECT_EQ(media.Count(MCI_OPEN), c.opens);
        EXPECT_EQ(media.Count(MCI_CLOSE), c.play ? 1u : 0u);
        EXPECT_EQ(AVIplaybuffer, (HGLOBAL)NULL);
        EXPECT_EQ(AVIobjecthwnd, (HWND)NULL);
        EXPECT_TRUE(doc.Flags(movie) & OBJ_RUNNING);
        EXPECT_TRUE(ShowsText(w));
        doc.Post(QVM_STOPOBJECT, doc.Number(movie));
        EXPECT_FALSE(doc.Flags(movie) & OBJ_RUNNING);
        EXPECT_FALSE(ShowsText(w));
    }
}

// One movie at a time: B's start stops A first. Only a notice for the
// device a window has open ends its movie.
TEST_F(MediaWindows, OneMovieAtATimeAndOnlyItsOwnNoticeEndsIt)
{
    FakeMedia media;
    showhost.media = FakeMedia::Host();
    BLOCK &p = Page("One");
    HGLOBAL damaged = AddMovie(*this, p, Bytes(64, 1));
    HGLOBAL a = AddMovie(*this, p, Avi(), OBJ_VISIBLE | OBJ_ENABLED | OBJ_NOTIFY);
    HGLOBAL b = AddMovie(*this, p, Avi(), OBJ_VISIBLE | OBJ_NOTIFY);
    OpenSpied();
    HWND aw = Child(Number(a)), bw = Child(Number(b));
    ASSERT_EQ(AVIobjecthwnd, aw);
    // A movie that never played has no say over the one that plays.
    Post(QVM_STOPOBJECT, Number(damaged));
    EXPECT_FALSE(Flags(damaged) & OBJ_RUNNING);
    EXPECT_TRUE(AVIplaybuffer);
    EXPECT_EQ(AVIbufferSize, Avi().size() + 16);
    EXPECT_EQ(GlobalLocked<OBJECTMOVIE>(a)->device, 7u);
    Post(QVM_STARTOBJECT, Number(b));
    EXPECT_FALSE(Flags(a) & OBJ_RUNNING);
    EXPECT_EQ(AVIobjecthwnd, bw);
    EXPECT_EQ(GlobalLocked<OBJECTMOVIE>(b)->device, 8u);
    EXPECT_EQ(media.Count(MCI_STOP), 1u);
    // A's own stop notice, and one of a device B never opened, change nothing.
    for (LPARAM device : {7, 9})
        SendMessageA(bw, MM_MCINOTIFY, MCI_NOTIFY_ABORTED, device);
    SendMessageA(aw, MM_MCINOTIFY, MCI_NOTIFY_ABORTED, 7);
    sbtest::PumpUntilIdle(20);
    EXPECT_TRUE(Flags(b) & OBJ_RUNNING);
    EXPECT_TRUE(AVIplaybuffer);
    EXPECT_EQ(StartsOf(33), 0u);
    SendMessageA(bw, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 8);
    sbtest::PumpUntilIdle(20);
    EXPECT_FALSE(Flags(b) & OBJ_RUNNING);
    EXPECT_EQ(AVIplaybuffer, (HGLOBAL)NULL);
    EXPECT_EQ(AVIobjecthwnd, (HWND)NULL);
    EXPECT_EQ(StartsOf(33), 1u);
}

// The platform's own MCI plays the movie from memory to its end.
TEST_F(MediaWindows, ASoundMoviePlaysFromMemoryThroughMci)
{
    BLOCK &p = Page("One");
    HGLOBAL movie = AddMovie(*this, p, Avi(5), OBJ_VISIBLE | OBJ_NOTIFY);
    OpenSpied();
    HWND w = Child(Number(movie));
    PostMessageA(w, QVM_OBJECTSTARTSTOP, 1, 0);
    sbtest::PumpUntilIdle(0);
    EXPECT_TRUE(Flags(movie) & OBJ_RUNNING);
    EXPECT_EQ(AVIobjecthwnd, w);
    EXPECT_NE(GlobalLocked<OBJECTMOVIE>(movie)->device, (uint32_t)-1);
    UntilStopped(movie, 3000);
    EXPECT_FALSE(Flags(movie) & OBJ_RUNNING);
    EXPECT_EQ(StartsOf(33), 1u);
    EXPECT_EQ(AVIplaybuffer, (HGLOBAL)NULL);
}

// Every position the driver reaches stays within the buffer.
TEST(MovieFile, TheFileProcedureKeepsEveryPositionInsideTheBuffer)
{
    ASSERT_EQ(AVIplaybuffer, (HGLOBAL)NULL);
    MMIOINFO info{};
    EXPECT_EQ(AVIIOProc((LPSTR)&info, MMIOM_OPEN, 0, 0), MMIOERR_CANNOTOPEN);
    char bytes[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    AVIplaybuffer = (HGLOBAL)bytes;
    AVIbufferSize = sizeof bytes;
    char got[16];
    const struct {
        UINT msg;
        LPARAM a, b;
        LRESULT result;
        LONG position;
        const char *read;
    } steps[] = {
        {MMIOM_OPEN, 0, 0, 0, 0, nullptr},           {MMIOM_READ, 0, 4, 4, 4, "0123"},
        {MMIOM_SEEK, -100, SEEK_CUR, 0, 0, nullptr}, {MMIOM_SEEK, 8, SEEK_SET, 8, 8, nullptr},
        {MMIOM_READ, 0, 16, 2, 10, "89"},            {MMIOM_READ, 0, 16, 0, 10, ""},
        {MMIOM_SEEK, 0x7FFFFFFF, SEEK_SET, 10, 10, nullptr}, {MMIOM_SEEK, 0x7FFFFFFF, SEEK_CUR, 10, 10, nullptr},
        {MMIOM_SEEK, -3, SEEK_END, 7, 7, nullptr},   {MMIOM_SEEK, 5, SEEK_END, 10, 10, nullptr},
        {MMIOM_SEEK, -1000, SEEK_END, 0, 0, nullptr}, {MMIOM_SEEK, 4, 77, 0, 0, nullptr},
        {MMIOM_READ, 0, -5, -1, 0, nullptr},         {MMIOM_WRITE, 0, 4, -1, 0, nullptr},
        {MMIOM_CLOSE, 0, 0, 0, 0, nullptr},
    };
    info.lDiskOffset = 1234;
    for (const auto &s : steps) {
        SCOPED_TRACE(&s - steps);
        memset(got, 0, sizeof got);
        LPARAM a = s.msg == MMIOM_READ || s.msg == MMIOM_WRITE ? (LPARAM)got : s.a;
        EXPECT_EQ(AVIIOProc((LPSTR)&info, s.msg, a, s.b), s.result);
        EXPECT_EQ(info.lDiskOffset, s.position);
        if (s.read) {
            EXPECT_STREQ(got, s.read);
        }
    }
    AVIplaybuffer = NULL;
    AVIbufferSize = 0;
}

} // namespace
} // namespace rttest
