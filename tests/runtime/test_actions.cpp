// Actions, the object life cycle, page changes and the show loop.
#include "tests/runtime/showfixture.h"
#include "common/buttons.h"
#include <cstring>

namespace rttest {

std::vector<Received> &Inbox()
{
    static std::vector<Received> inbox;
    return inbox;
}

static LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg >= WM_USER && msg <= QVM_LASTPRIVATE)
        Inbox().push_back({msg, w, l, false});
    return DefWindowProcA(hwnd, msg, w, l);
}

HWND CreateRecorder()
{
    Inbox().clear();
    return sbtest::CreateTestWindow(false, 100, 100, RecorderProc);
}

namespace {

using docfixture::Dib;

const RECT AT{10, 10, 90, 34};

// Each code with the message the show window gets, and whether it is sent
// (the button waits) or posted.
struct ActionCase {
    unsigned long code;
    UINT msg;
    WPARAM w;
    bool selflparam, textlparam, sent;
};
const ActionCase actions[] = {
    {ACTION_NONE, 0, 0, false, false, false},
    {ACTION_FIRSTPAGE, QVM_FIRSTPAGE, 0, false, false, false},
    {ACTION_PREVIOUSPAGE, QVM_PREVIOUSPAGE, 0, false, false, false},
    {ACTION_NEXTPAGE, QVM_NEXTPAGE, 0, false, false, false},
    {ACTION_LASTPAGE, QVM_LASTPAGE, 0, false, false, false},
    {ACTION_QUIT, QVM_CLOSE, 0, false, false, false},
    {ACTION_NOTIFY, QVM_STARTOBJECT, 7, true, false, false},
    {ACTION_DISABLE, QVM_STOPOBJECT, 7, false, false, false},
    {ACTION_JUMPTOPAGE, QVM_JUMPTOPAGE, 0, false, true, true},
    {ACTION_ABOUT, QVM_ABOUT, 0, false, false, false},
    {ACTION_PAGEMENU, QVM_PAGEMENU, 0, false, false, false},
    {ACTION_OPENDOCUMENT, QVM_OPENDOCUMENT, 0, false, true, true},
    {ACTION_PRINTPAGE, QVM_PRINTPAGE, 1, false, false, false},
    {13, 0, 0, false, false, false},
    {0xFFFFFFFF, 0, 0, false, false, false},
};

TEST(Actions, EachCodeGivesItsMessageAndCodesPastTheTableNone)
{
    HWND parent = CreateRecorder();
    HWND self = (HWND)0x1234;
    for (const ActionCase &c : actions) {
        SCOPED_TRACE(c.code);
        Inbox().clear();
        // Sent messages arrive while the call runs; posted ones only after.
        QV_DoAction(self, parent, c.code, 7, "Title", 1);
        size_t during = Inbox().size();
        sbtest::PumpUntilIdle();
        if (!c.msg) {
            EXPECT_TRUE(Inbox().empty());
            continue;
        }
        ASSERT_EQ(Inbox().size(), 1u);
        EXPECT_EQ(during, c.sent ? 1u : 0u);
        EXPECT_EQ(Inbox()[0].msg, c.msg);
        EXPECT_EQ(Inbox()[0].w, c.w);
        if (c.selflparam) {
            EXPECT_EQ(Inbox()[0].l, (LPARAM)self);
        } else if (!c.textlparam) {
            EXPECT_EQ(Inbox()[0].l, 0);
        }
    }
    DestroyWindow(parent);
}

using ShowWindow = ShowDoc;

TEST_F(ShowWindow, StartsEnabledObjectsAndIgnoresRepeatedRequests)
{
    BLOCK &p = Page("One");
    HGLOBAL on = Object(p, TAG_WAVE, AT);
    HGLOBAL off = Object(p, TAG_MIDI, AT, 0, OBJ_VISIBLE);
    Open();
    EXPECT_TRUE(Flags(on) & OBJ_RUNNING);
    EXPECT_FALSE(Flags(off) & OBJ_RUNNING);
    // Start twice, stop twice: each pair acts once.
    for (int pass = 0; pass < 2; pass++) {
        Post(QVM_STARTOBJECT, Number(off));
        EXPECT_TRUE(Flags(off) & OBJ_RUNNING);
    }
    for (int pass = 0; pass < 2; pass++) {
        Post(QVM_STOPOBJECT, Number(off));
        EXPECT_FALSE(Flags(off) & OBJ_RUNNING);
    }
    // A number no object has is lost quietly.
    Post(QVM_STARTOBJECT, 9999);
    EXPECT_TRUE(Flags(on) & OBJ_RUNNING);
}

// Page requests and jumps by title in turn; a jump takes the first page of
// its title whatever the case, and requests past either end keep the page.
TEST_F(ShowWindow, NavigationAndJumpsKeepThePageOnError)
{
    for (const char *title : {"Intro", "Second", "SECOND", ""})
        Page(title);
    Open();
    sbtest::ModalRecorder modal(IDOK);
    const struct {
        UINT msg;
        const char *title; // for QVM_JUMPTOPAGE
        int page;
        bool error;
    } steps[] = {{QVM_PREVIOUSPAGE, nullptr, 1, true}, {QVM_JUMPTOPAGE, "second", 2, false},
                 {QVM_LASTPAGE, nullptr, 4, false},    {QVM_NEXTPAGE, nullptr, 4, true},
                 {QVM_FIRSTPAGE, nullptr, 1, false},   {QVM_JUMPTOPAGE, "", 4, false},
                 {QVM_JUMPTOPAGE, "INTRO", 1, false},  {QVM_NEXTPAGE, nullptr, 2, false},
                 {QVM_PREVIOUSPAGE, nullptr, 1, false}, {QVM_JUMPTOPAGE, "nowhere", 1, true}};
    for (const auto &s : steps) {
        size_t before = modal.calls.size();
        if (s.title)
            SendMessageA(show, s.msg, 0, (LPARAM)s.title);
        Post(s.msg == QVM_JUMPTOPAGE ? WM_NULL : s.msg);
        EXPECT_EQ(set->current, s.page) << s.msg << (s.title ? s.title : "");
        ASSERT_EQ(modal.calls.size() - before, s.error ? 1u : 0u) << s.msg;
        if (s.error) {
            EXPECT_EQ(modal.calls.back().text, "There has been an error loading the requested page.");
        }
    }
    char title[64];
    GetWindowTextA(show, title, sizeof title);
    EXPECT_STREQ(title, "Show - Intro");
}

// Navigation buttons on the first, a middle and the last page, and in a
// document of one page.
TEST_F(ShowWindow, NavigationButtonsAreDisabledAtTheEnds)
{
    const unsigned long codes[4] = {ACTION_FIRSTPAGE, ACTION_PREVIOUSPAGE, ACTION_NEXTPAGE, ACTION_LASTPAGE};
    const struct {
        int pages, shown;
        bool enabled[4];
    } cases[] = {{3, 1, {false, false, true, true}},
                 {3, 2, {true, true, true, true}},
                 {3, 3, {true, true, false, false}},
                 {1, 1, {false, false, false, false}}};
    for (const auto &c : cases) {
        Show doc;
        std::vector<HGLOBAL> buttons;
        for (int i = 0; i < c.pages; i++) {
            BLOCK &p = doc.Page("P");
            for (unsigned long code : codes) {
                HGLOBAL b = doc.Object(p, TAG_BUTN, AT, (LONG_PTR) "Go");
                GlobalLocked<OBJECTBUTTON>(b)->action = code;
                if (i == c.shown - 1)
                    buttons.push_back(b);
            }
        }
        doc.Open((unsigned)c.shown);
        for (int k = 0; k < 4; k++)
            EXPECT_EQ(IsWindowEnabled(doc.Child(doc.Number(buttons[k]))) != 0, c.enabled[k])
                << c.pages << " pages, page " << c.shown << ", action " << codes[k];
    }
}

// A click on the page moves on or closes as the page's flags say; closing
// wins, without building the next page.
TEST(ShowClick, APageClickFollowsThePageFlags)
{
    const struct {
        uint32_t flags;
        bool open;
        int page;
    } cases[] = {{0, true, 1}, {PAGE_CLICKNEXT, true, 2}, {PAGE_CLICKCLOSES, false, 1},
                 {PAGE_CLICKCLOSES | PAGE_CLICKNEXT, false, 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.flags);
        Show doc;
        doc.Page("One").page.flags |= c.flags;
        BLOCK &two = doc.Page("Two");
        HGLOBAL wave = doc.Object(two, TAG_WAVE, AT);
        doc.Open();
        SendMessageA(doc.show, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
        // What the click posted is handled once the queue is empty.
        sbtest::PumpUntilIdle();
        EXPECT_EQ(IsWindow(doc.show) != 0, c.open);
        EXPECT_EQ(doc.set->current, c.page);
        if (!c.open) {
            EXPECT_FALSE(doc.Flags(wave) & OBJ_RUNNING);
        }
    }
}

TEST_F(ShowWindow, ATimerFiresOnceAndADelayOfZeroNever)
{
    BLOCK &p = Page("One");
    HGLOBAL once = Object(p, TAG_TIME, AT, 0, OBJ_ENABLED);
    HGLOBAL never = Object(p, TAG_TIME, AT, 0, OBJ_ENABLED);
    GlobalLocked<OBJECTTIMER>(once)->action = ACTION_ABOUT;
    GlobalLocked<OBJECTTIMER>(once)->delay = 1;
    GlobalLocked<OBJECTTIMER>(never)->action = ACTION_ABOUT;
    GlobalLocked<OBJECTTIMER>(never)->delay = 0;
    sbtest::ModalRecorder modal(IDOK);
    Open();
    // Both run; only the one with a delay has a timer.
    EXPECT_TRUE(Flags(once) & OBJ_RUNNING);
    EXPECT_TRUE(Flags(never) & OBJ_RUNNING);
    EXPECT_EQ(GlobalLocked<OBJECTTIMER>(never)->timer, 0u);
    ASSERT_TRUE(sbtest::PumpUntil([&] { return !modal.calls.empty(); }));
    sbtest::PumpUntilIdle();
    ASSERT_EQ(modal.calls.size(), 1u);
    EXPECT_EQ(modal.calls[0].text, "about");
    // Still marked running: a start request does not set it again.
    Post(QVM_STARTOBJECT, Number(once));
    EXPECT_EQ(GlobalLocked<OBJECTTIMER>(once)->timer, 0u);
}

TEST_F(ShowWindow, ActivationKeepsTheFocusOnTheDefaultButton)
{
    BLOCK &p = Page("One");
    HGLOBAL def = Object(p, TAG_BUTN, AT, (LONG_PTR) "Ok", OBJ_VISIBLE | OBJ_ENABLED | OBJ_DEFAULT);
    Object(p, TAG_EDIT, {10, 40, 90, 60}, (LONG_PTR) "text");
    Object(p, TAG_LIST, {10, 70, 90, 120});
    Object(p, TAG_CHEC, {100, 10, 190, 30}, (LONG_PTR) "Check");
    Object(p, TAG_TEXT, {100, 40, 190, 60}, (LONG_PTR) "Words");
    Object(p, TAG_TIME, {100, 70, 190, 90}, 0, OBJ_ENABLED);
    Object(p, TAG_WAVE, {100, 100, 190, 120});
    Open();
    HWND button = Child(Number(def));
    // The display activates the new window in its own time.
    ASSERT_TRUE(sbtest::PumpUntil([&] { return GetForegroundWindow() == show && GetFocus() == button; }));
    for (WPARAM state : {(WPARAM)WA_ACTIVE, (WPARAM)WA_INACTIVE, (WPARAM)WA_CLICKACTIVE}) {
        SendMessageA(show, WM_ACTIVATE, state, 0);
        if (state != WA_INACTIVE) {
            EXPECT_EQ(GetFocus(), button) << state;
        }
    }
}

// A window that answers a private message by posting it again, as a
// continuous applet posts its next step.
int reposts;
LRESULT CALLBACK ReposterProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_USER + 700) {
        reposts++;
        PostMessageA(hwnd, msg, 0, 0);
        return 0;
    }
    if (msg == WM_TIMER) {
        KillTimer(hwnd, w);
        reposts = -1000;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, w, l);
}

TEST_F(ShowWindow, APassTakesOnlyThePrivateMessagesThatWereWaiting)
{
    Page("One");
    Open();
    HWND applet = sbtest::CreateTestWindow(false, 50, 50, ReposterProc);
    reposts = 0;
    PostMessageA(applet, WM_USER + 700, 0, 0);
    SetTimer(applet, 1, 1, NULL);
    Sleep(20);
    BLOCK page = Get(1);
    for (int pass = 0; pass < 10 && reposts >= 0; pass++)
        ASSERT_TRUE(QV_RunShowPass(show, &page));
    EXPECT_LT(reposts, 0) << "the timer never came through";
    DestroyWindow(applet);
    sbtest::PumpUntilIdle();
}

TEST(MouseTrack, ASecondTrackOfOneButtonDoesNotSubclassItAgain)
{
    HWND dlg = sbtest::CreateTestWindow(false);
    HWND button = CreateWindowA("BUTTON", "b", WS_CHILD | BS_OWNERDRAW, 0, 0, 40, 20, dlg, (HMENU)500, hInst, NULL);
    LONG original = GetWindowLongA(button, GWL_WNDPROC);
    int live = LiveButtons;
    LiveButtons = 0;
    CreateMouseTrack(dlg, 500);
    EXPECT_EQ(GetWindowLongA(button, GWL_WNDPROC), original);
    LiveButtons = 1;
    CreateMouseTrack(dlg, 500);
    CreateMouseTrack(dlg, 500);
    EXPECT_EQ(GetWindowLongA(button, GWL_WNDPROC), (LONG)MouseTrackSubclass);
    EXPECT_EQ((LONG)GetPropA(button, MAKEINTATOM(MOUSETRACKATOM)), original);
    SendMessageA(button, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(GetWindowLongA(button, GWL_USERDATA) & 1, 1);
    // The cursor is elsewhere: the poll ends the hot state.
    SendMessageA(button, WM_TIMER, MOUSETRACKTIMER, 0);
    EXPECT_EQ(GetWindowLongA(button, GWL_USERDATA) & 1, 0);
    DestroyWindow(dlg);
    LiveButtons = live;
}

} // namespace
} // namespace rttest
