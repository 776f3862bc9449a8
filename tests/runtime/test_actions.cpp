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

// A button's action as the show carries it out: the page shown after, the
// object it starts or stops, the box it opens; codes past the table do
// nothing.
TEST(Actions, EachCodeDoesItsWorkOnTheShow)
{
    const struct {
        unsigned long code;
        int page;        // list index of the page shown after; 0: the show closed
        int target;      // the target's running state after (it runs before)
        const char *box; // the text of the box it opened
    } cases[] = {
        {ACTION_NONE, 2, 1, nullptr},         {ACTION_FIRSTPAGE, 1, 0, nullptr},
        {ACTION_PREVIOUSPAGE, 1, 0, nullptr}, {ACTION_NEXTPAGE, 3, 0, nullptr},
        {ACTION_LASTPAGE, 4, 0, nullptr},     {ACTION_QUIT, 0, 0, nullptr},
        {ACTION_NOTIFY, 2, 1, nullptr},       {ACTION_DISABLE, 2, 0, nullptr},
        {ACTION_JUMPTOPAGE, 4, 0, nullptr},   {ACTION_ABOUT, 2, 1, "about"},
        {13, 2, 1, nullptr},                  {0xFFFFFFFF, 2, 1, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        Show doc;
        for (const char *title : {"One", "Two", "Three", "Four"})
            doc.Page(title);
        BLOCK &two = doc.pages[1];
        const char data[] = "Go\0Four";
        HGLOBAL button = doc.WithData(two, TAG_BUTN, AT, std::vector<uint8_t>(data, data + sizeof data),
                                      OBJ_VISIBLE | OBJ_ENABLED);
        HGLOBAL target = doc.Object(two, TAG_WAVE, {0, 0, 8, 8}, 0, OBJ_VISIBLE);
        {
            GlobalLocked<OBJECTBUTTON> b(button);
            b->action = c.code;
            b->target = doc.Number(target);
            b->titlelength = 3;
            b->targetlength = 5;
        }
        sbtest::ModalRecorder modal(IDOK);
        doc.Open(2);
        HWND w = doc.Child(doc.Number(button));
        ASSERT_TRUE(IsWindowEnabled(w));
        // A notice starts the target once more; a stop request stops it.
        doc.Post(QVM_STARTOBJECT, doc.Number(target), 0, 0);
        ASSERT_TRUE(doc.Flags(target) & OBJ_RUNNING);
        SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        sbtest::PumpUntilIdle();
        EXPECT_EQ(IsWindow(doc.show) ? doc.set->current : 0, c.page);
        EXPECT_EQ((doc.Flags(target) & OBJ_RUNNING) != 0, c.target == 1);
        ASSERT_EQ(modal.calls.size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(modal.calls[0].text, c.box);
        }
    }
}

// The codes whose work needs a person (the page menu) or a device (the
// printer) or another file: the message the show gets, the one that carries
// a text sent while the text lives.
TEST(Actions, MenusPrintingAndOtherDocumentsAreAskedOfTheShow)
{
    const struct {
        unsigned long code;
        UINT msg;
        WPARAM w;
        bool sent;
    } cases[] = {{ACTION_PAGEMENU, QVM_PAGEMENU, 0, false},
                 {ACTION_PRINTPAGE, QVM_PRINTPAGE, 1, false},
                 {ACTION_OPENDOCUMENT, QVM_OPENDOCUMENT, 0, true}};
    HWND parent = CreateRecorder();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        Inbox().clear();
        QV_DoAction((HWND)0x1234, parent, c.code, 7, "Title", 1);
        size_t during = Inbox().size();
        sbtest::PumpUntilIdle();
        ASSERT_EQ(Inbox().size(), 1u);
        EXPECT_EQ(during, c.sent ? 1u : 0u);
        EXPECT_EQ(Inbox()[0].msg, c.msg);
        EXPECT_EQ(Inbox()[0].w, c.w);
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
    // The window reposts for ever: it goes however the test ends, or the
    // fixture's last pump would never find the queue idle.
    struct Gone {
        HWND w;
        ~Gone() { DestroyWindow(w); }
    } gone{applet};
    reposts = 0;
    PostMessageA(applet, WM_USER + 700, 0, 0);
    SetTimer(applet, 1, 1, NULL);
    // The pass must find the timer due; nothing is taken off the queue here.
    ASSERT_EQ(MsgWaitForMultipleObjects(0, NULL, FALSE, 5000, QS_TIMER), WAIT_OBJECT_0) << "the timer falling due";
    BLOCK page = Get(1);
    for (int pass = 0; pass < 10 && reposts >= 0; pass++)
        ASSERT_TRUE(QV_RunShowPass(show, &page));
    EXPECT_LT(reposts, 0) << "the timer never came through";
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
