// The applet script editor and the applet properties run as real windows over
// a page of the test document, through the applet object's entry function:
// typing, the system's find and replace dialogs, colour insertion, saving
// (the object's entries compared byte for byte with entries built here),
// abandoning, the properties, and applet objects damaged by the hundred.
#include "tests/editors/editorfixture.h"
#include "common/statbar.h"
#include "common/strings.h"
#include "document/applet.h"
#include "editor/blocks.h"
#include "editors/appletproperties.h"
#include "editors/objectdialogs.h"
#include "resources/document_ids.h"
#include "resources/scripteditor_ids.h"
#include "tools/scripteditor.h"
#include <algorithm>
#include <dlgs.h>
#include <random>

using namespace pagetest;

namespace {

struct Entry {
    uint32_t kind, number;
    std::string data;
};

constexpr uint32_t APPLETNUMBER = 150;

// An applet object of `entries` as its bytes, numbered 150 at (30, 40).
std::vector<uint8_t> AppletBytes(const std::vector<Entry> &entries, uint32_t flags = OBJ_VISIBLE, RECT rect = {30, 40, 230, 190})
{
    std::vector<uint8_t> b(sizeof(OBJECTAPPLET));
    auto *a = (OBJECTAPPLET *)b.data();
    a->header.tag = TAG_APPL;
    a->header.fixedsize = sizeof(OBJECTAPPLET);
    a->header.flags = flags;
    a->header.rect = rect;
    a->header.number = APPLETNUMBER;
    a->entries = (uint32_t)entries.size();
    a->stacksize = 8192;
    for (const Entry &e : entries) {
        OBJECTAPPLETENTRY head{};
        head.length = (uint32_t)e.data.size();
        head.kind = e.kind;
        head.number = e.number;
        b.insert(b.end(), (const uint8_t *)&head, (const uint8_t *)(&head + 1));
        b.insert(b.end(), e.data.begin(), e.data.end());
    }
    a = (OBJECTAPPLET *)b.data();
    a->header.datasize = (uint32_t)(b.size() - sizeof(OBJECTAPPLET));
    a->header.totalsize = (uint32_t)b.size();
    return b;
}

Entry Text(const std::string &source)
{
    return {ENTRY_TEXT, 0, source + '\0'};
}

const Entry picture{ENTRY_PICT, 1, std::string("BM picture bytes\0\x01\x02", 20)};
const Entry sound{ENTRY_WAVE, 1, std::string("wave\0bytes", 10)};

struct DIALOGSEARCH {
    const char *caption;
    HWND owner, found;
};

BOOL CALLBACK MatchDialog(HWND w, LPARAM l)
{
    auto *s = (DIALOGSEARCH *)l;
    char text[64] = "", cls[16] = "";
    GetWindowTextA(w, text, sizeof text);
    GetClassNameA(w, cls, sizeof cls);
    bool mine = s->owner ? GetWindow(w, GW_OWNER) == s->owner && IsWindowVisible(w) : strcmp(text, s->caption) == 0;
    if (strcmp(cls, "#32770") == 0 && mine) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

// A dialog of this thread by its caption, or a visible one owned by `owner`.
HWND FindDialog(const char *caption, HWND owner = NULL)
{
    DIALOGSEARCH s{caption, owner, NULL};
    EnumThreadWindows(GetCurrentThreadId(), MatchDialog, (LPARAM)&s);
    return s.found;
}

class ScriptEditor : public PageEditor {
protected:
    void SetUp() override
    {
        PageEditor::SetUp();
        parts.appletscripteditor = EditAppletProc;
        EditAppletMaximizeWindow = 0;
        SelectedColour = 0x808080;
        BLOCK stored = Block(1);
        ASSERT_TRUE(DuplicateBlock(&page, &stored));
        index = BlockObjectCount(&page);
        AppendPageObject(&page, Object(AppletBytes({picture, Text("a"), sound})));
        host = sbtest::CreateTestWindow(true, PAGEW, PAGEH);
        set = LockBlockSet(doc);
        previous = COMMONSetModalHook(Hook);
        self = this;
    }
    void TearDown() override
    {
        COMMONSetModalHook(previous);
        self = nullptr;
        UnlockBlockSet(doc);
        DestroyWindow(host);
        DestroyBlock(&page);
        PageEditor::TearDown();
    }
    static HGLOBAL Object(const std::vector<uint8_t> &bytes)
    {
        return NewGlobal(bytes.size(), bytes.data(), bytes.size());
    }
    void Put(const std::vector<uint8_t> &bytes)
    {
        GlobalFree(GetPageObject(&page, index));
        PutPageObject(&page, Object(bytes), index);
    }
    std::vector<uint8_t> Now() { return Read(GetPageObject(&page, index)).bytes; }

    // Modal requests: the editor and the properties run for real and are
    // handed to their drivers from inside their own loops; the colour
    // dialog picks `colour`; the preview closes at once; every other box is
    // recorded and answered.
    static INT_PTR Hook(const MODALCALL *call)
    {
        ScriptEditor *t = self;
        std::string name = call->name && !IS_INTRESOURCE(call->name) ? call->name : "";
        if (call->kind == MODAL_DIALOG && (name == "EditAppletBox" || name == "EditAppletPropertiesBox")) {
            auto &drive = name == "EditAppletBox" ? t->editor : t->properties;
            t->pending = {name == "EditAppletBox" ? "Applet" : "Applet Properties", drive};
            SetTimer(t->host, 1, 1, Start);
            return COMMONModalForReal(call);
        }
        if (call->kind == MODAL_COMMONDIALOG && call->data && *(DWORD *)call->data == sizeof(CHOOSECOLORA)) {
            ((CHOOSECOLORA *)call->data)->rgbResult = t->colour;
            t->asked.push_back("colour");
            return 1;
        }
        if (call->kind == MODAL_DIALOG && name == "PreviewBox") {
            t->previewed.push_back(t->Now());
            return 0; // closed at once: the preview's own tests run it
        }
        t->asked.push_back(call->text ? call->text : name);
        if (t->answers.empty())
            return 0;
        INT_PTR v = t->answers.front();
        t->answers.pop_front();
        return v;
    }
    static void CALLBACK Start(HWND host, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(host, id);
        auto [caption, drive] = self->pending;
        self->pending = {};
        HWND dlg = FindDialog(caption);
        ASSERT_TRUE(dlg) << caption;
        if (drive)
            drive(dlg);
        // Whatever a driver left open is abandoned.
        bool editor = caption == std::string("Applet");
        if (editor ? Running(dlg) : IsWindowVisible(dlg)) {
            if (editor)
                self->answers.push_front(IDYES);
            PostMessageA(dlg, WM_COMMAND, editor ? IDM_APPLETABANDON : IDCANCEL, 0);
        }
    }
    int Run(std::function<void(HWND)> drive)
    {
        editor = std::move(drive);
        int result = EditAppletObject(host, set, &page, index);
        editor = nullptr;
        return result;
    }

    // The editor's owner is disabled for as long as the editor runs.
    static bool Running(HWND dlg) { return IsWindow(dlg) && !IsWindowEnabled(GetWindow(dlg, GW_OWNER)); }
    static HWND Edit(HWND dlg) { return GetDlgItem(dlg, IDC_APPLETSOURCE); }
    static std::string Shown(HWND dlg)
    {
        char text[4096] = "";
        GetWindowTextA(Edit(dlg), text, sizeof text);
        return text;
    }
    static std::pair<DWORD, DWORD> Selection(HWND dlg)
    {
        DWORD s = 0, e = 0;
        SendMessageA(Edit(dlg), EM_GETSEL, (WPARAM)&s, (LPARAM)&e);
        return {s, e};
    }
    static void Type(HWND dlg, const std::string &keys)
    {
        for (char c : keys) {
            if (c == '\t')
                PostMessageA(Edit(dlg), WM_KEYDOWN, VK_TAB, 1);
            PostMessageA(Edit(dlg), WM_CHAR, (unsigned char)c, 1);
        }
        PostMessageA(Edit(dlg), WM_KEYUP, 'A', 0xC0000001);
        sbtest::PumpUntilIdle();
    }
    static void Command(HWND dlg, int id)
    {
        PostMessageA(dlg, WM_COMMAND, id, 0);
        sbtest::PumpUntilIdle();
    }
    // The system's find or replace dialog opened from the editor, filled and
    // clicked. The dialog offers no button for an empty search text, which
    // the editor still gets from its own proposal (the word at the caret,
    // none in an empty text) and a press of Enter.
    static void Search(HWND dlg, int command, const char *find, const char *replace, int button)
    {
        std::string text;
        DWORD s = 0, e = 0;
        if (!*find) {
            text = Shown(dlg);
            SendMessageA(Edit(dlg), EM_GETSEL, (WPARAM)&s, (LPARAM)&e);
            SetWindowTextA(Edit(dlg), "");
        }
        Command(dlg, command);
        HWND box = FindDialog(nullptr, dlg);
        ASSERT_TRUE(box);
        SetDlgItemTextA(box, edt1, find);
        if (replace)
            SetDlgItemTextA(box, edt2, replace);
        if (*find) {
            sbtest::Click(box, button);
        } else {
            SetWindowTextA(Edit(dlg), text.c_str());
            SendMessageA(Edit(dlg), EM_SETSEL, s, e);
            FINDREPLACEA f{};
            f.Flags = button == IDOK ? FR_FINDNEXT : FR_REPLACEALL;
            SendMessageA(dlg, RegisterWindowMessageA(FINDMSGSTRINGA), 0, (LPARAM)&f);
        }
        sbtest::PumpUntilIdle();
        if (IsWindow(box) && command == IDM_APPLETFIND)
            SendMessageA(box, WM_COMMAND, IDCANCEL, 0);
    }
    // Shown and painted before it is captured for a person to look at.
    static void Look(HWND dlg, const char *name)
    {
        ShowWindow(dlg, SW_SHOW);
        UpdateWindow(dlg);
        sbtest::PumpUntilIdle(50);
        Snapshot(dlg, name);
    }
    static std::string Status(HWND dlg, int cell)
    {
        char text[64] = "";
        STATGetCellText(dlg, cell, text, sizeof text);
        return text;
    }
    std::string Asked(int id) { return FetchString(id); }
    // The text of the last box shown; a missing box is a failure that says
    // so, never a read past the record.
    std::string Said() const { return asked.empty() ? "(no box was shown)" : asked.back(); }

    BLOCK page{};
    unsigned index = 0;
    HWND host = NULL;
    BLOCKSET *set = nullptr;
    MODALHOOK previous = nullptr;
    std::function<void(HWND)> editor, properties;
    std::pair<const char *, std::function<void(HWND)>> pending;
    std::deque<INT_PTR> answers;
    std::vector<std::string> asked;
    std::vector<std::vector<uint8_t>> previewed; // the object as each preview opened on it
    COLORREF colour = RGB(12, 200, 7);
    static inline ScriptEditor *self;
};

TEST_F(ScriptEditor, TypeFindReplaceColourAndSaveStoreTheSourceLast)
{
    Put(AppletBytes({picture, Text("draw(1)\r\nline(2)\r\nLine"), sound}));
    int result = Run([&](HWND dlg) {
        Look(dlg, "scripteditor");
        EXPECT_EQ(Shown(dlg), "draw(1)\r\nline(2)\r\nLine");
        EXPECT_EQ(Status(dlg, 0), "LINE 1");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDM_APPLETCUT)));
        Type(dlg, "x\ty");
        EXPECT_EQ(Shown(dlg), "x\tydraw(1)\r\nline(2)\r\nLine");
        EXPECT_EQ(GetFocus(), Edit(dlg)) << "Tab stays in the text";

        // Finds go forward from the selection, whatever the case.
        Search(dlg, IDM_APPLETFIND, "LINE", nullptr, IDOK);
        EXPECT_EQ(Selection(dlg), std::make_pair(DWORD(12), DWORD(16)));
        Search(dlg, IDM_APPLETFIND, "LINE", nullptr, IDOK);
        EXPECT_EQ(Selection(dlg), std::make_pair(DWORD(21), DWORD(25)));
        Search(dlg, IDM_APPLETFIND, "LINE", nullptr, IDOK);
        EXPECT_EQ(Said(), Asked(IDS_SEARCHNOTFOUND));

        // Replace All from the start: a replacement holding the search text
        // is not searched again.
        SendMessageA(Edit(dlg), EM_SETSEL, 0, 0);
        Search(dlg, IDM_APPLETREPLACE, "line", "lines", psh2);
        EXPECT_EQ(Shown(dlg), "x\tydraw(1)\r\nlines(2)\r\nlines");
        EXPECT_EQ(Said(), "2 instance(s) found and replaced.");
        EXPECT_FALSE(FindDialog(nullptr, dlg)) << "Replace All closes its dialog";

        // The colour goes in where the selection was.
        SendMessageA(Edit(dlg), EM_SETSEL, 8, 9);
        Command(dlg, IDM_APPLETCOLOUR);
        EXPECT_EQ(Shown(dlg), "x\tydraw(12,200,7)\r\nlines(2)\r\nlines");
        EXPECT_EQ(SelectedColour, (int)RGB(12, 200, 7));
        Command(dlg, IDM_APPLETSAVE);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Now(), AppletBytes({picture, sound, Text("x\tydraw(12,200,7)\r\nlines(2)\r\nlines")}));
}

// Keys typed in the modeless find dialog reach it through the editor's own
// loop: the driver only posts them, and they, the typing that follows and
// the save are handled once the driver has handed the loop back.
TEST_F(ScriptEditor, EnterInTheFindDialogFindsTheNextMatch)
{
    Put(AppletBytes({picture, Text("line(1)\r\nline(2)"), sound}));
    EXPECT_EQ(Run([&](HWND dlg) {
                  ShowWindow(dlg, SW_SHOW);
                  SendMessageA(Edit(dlg), EM_SETSEL, 1, 1);
                  Command(dlg, IDM_APPLETFIND);
                  HWND box = FindDialog(nullptr, dlg);
                  ASSERT_TRUE(box);
                  SetDlgItemTextA(box, edt1, "LINE");
                  sbtest::PumpUntilIdle(50);
                  Snapshot(GetDesktopWindow(), "scripteditorfind");
                  HWND field = GetDlgItem(box, edt1);
                  PostMessageA(field, WM_KEYDOWN, VK_RETURN, 0x001C0001);
                  PostMessageA(field, WM_KEYUP, VK_RETURN, 0xC01C0001);
                  PostMessageA(Edit(dlg), WM_CHAR, 'X', 1);
                  PostMessageA(dlg, WM_COMMAND, IDM_APPLETSAVE, 0);
              }),
              1);
    EXPECT_EQ(Now(), AppletBytes({picture, sound, Text("line(1)\r\nX(2)")}));
}

// True when `top` lies above `below` in the z-order of the top-level windows.
bool Above(HWND top, HWND below)
{
    for (HWND w = GetWindow(top, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
        if (w == below)
            return true;
    return false;
}

// The lowest bottom edge of a dialog's visible controls, in its client area.
BOOL CALLBACK LowestControl(HWND child, LPARAM lowest)
{
    RECT r;
    if (IsWindowVisible(child) && GetWindowRect(child, &r)) {
        MapWindowPoints(NULL, GetParent(child), (POINT *)&r, 2);
        *(LONG *)lowest = std::max(*(LONG *)lowest, r.bottom);
    }
    return TRUE;
}

// The find box stays over the editor and visible after each Find Next,
// found or not; the find and replace boxes end below their lowest control,
// with no empty strip where the check boxes they hide would be.
TEST_F(ScriptEditor, FindAndReplaceBoxesStayOverTheEditorAndFitTheirControls)
{
    Put(AppletBytes({picture, Text("line(1)\r\nline(2)"), sound}));
    Run([&](HWND dlg) {
        ShowWindow(dlg, SW_SHOW);
        Command(dlg, IDM_APPLETFIND);
        HWND box = FindDialog(nullptr, dlg);
        ASSERT_TRUE(box);
        SetDlgItemTextA(box, edt1, "line");
        for (int i = 0; i < 3; i++) {
            SCOPED_TRACE(i);
            sbtest::Click(box, IDOK);
            sbtest::PumpUntilIdle(50);
            ASSERT_TRUE(IsWindow(box));
            EXPECT_TRUE(IsWindowVisible(box));
            EXPECT_TRUE(Above(box, dlg)) << "the find box went behind the editor";
        }
        Snapshot(GetDesktopWindow(), "scripteditorfindnext");
        for (int command : {IDM_APPLETFIND, IDM_APPLETREPLACE}) {
            SCOPED_TRACE(command);
            if (command == IDM_APPLETREPLACE) {
                Command(dlg, command);
                box = FindDialog(nullptr, dlg);
                ASSERT_TRUE(box);
                Snapshot(box, "scripteditorreplace");
            }
            RECT client, margin{0, 0, 0, 8};
            GetClientRect(box, &client);
            LONG lowest = 0;
            EnumChildWindows(box, LowestControl, (LPARAM)&lowest);
            MapDialogRect(box, &margin);
            EXPECT_LE(client.bottom - lowest, margin.bottom) << "an empty strip below the controls";
            SendMessageA(box, WM_COMMAND, IDCANCEL, 0);
            sbtest::PumpUntilIdle();
        }
    });
}

TEST_F(ScriptEditor, SearchesEndWhateverTheTexts)
{
    const struct {
        const char *text, *find, *replace;
        DWORD from;
        const char *result, *message;
    } cases[] = {
        {"a a a", "a", "aa", 0, "aa aa aa", "3 instance(s) found and replaced."},
        {"abcabc", "ABC", "x", 1, "abcx", "1 instance(s) found and replaced."},
        {"abc", "", "x", 0, "abc", "The search text could not be found."},
        {"abc", "b", "", 0, "ac", "1 instance(s) found and replaced."},
        {"abc", "q", "b", 0, "abc", "The search text could not be found."},
        {"", "a", "b", 0, "", nullptr},
    };
    Run([&](HWND dlg) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.text) + " / " + c.find);
            SetWindowTextA(Edit(dlg), c.text);
            SendMessageA(Edit(dlg), EM_SETSEL, c.from, c.from);
            size_t before = asked.size();
            Search(dlg, IDM_APPLETREPLACE, c.find, c.replace, psh2);
            EXPECT_EQ(Shown(dlg), c.result);
            if (c.message)
                EXPECT_EQ(asked.size() > before ? Said() : "(no box was shown)", c.message);
            else
                EXPECT_EQ(asked.size(), before);
        }
        // Find with nothing to find says so and ends.
        SetWindowTextA(Edit(dlg), "abc");
        Search(dlg, IDM_APPLETFIND, "", nullptr, IDOK);
        EXPECT_EQ(Said(), Asked(IDS_SEARCHNOTFOUND));
    });
}

TEST_F(ScriptEditor, AbandonAsksOnlyAfterChangesAndPutsTheObjectBack)
{
    std::vector<uint8_t> start = Now();
    // No change: no question.
    EXPECT_EQ(Run([&](HWND dlg) {
                  Command(dlg, IDM_APPLETUNDO);
                  Command(dlg, IDCANCEL);
                  EXPECT_TRUE(Running(dlg)) << "Esc does not end the editor";
                  Command(dlg, IDM_APPLETABANDON);
              }),
              0);
    EXPECT_TRUE(asked.empty());
    // Changed: the question; No stays, Yes abandons even after a save by
    // Preview and a change of properties.
    properties = [](HWND box) {
        SetDlgItemInt(box, IDC_OBJLEFT, 77, FALSE);
        sbtest::Click(box, IDOK);
    };
    answers = {IDNO, IDYES};
    EXPECT_EQ(Run([&](HWND dlg) {
                  Type(dlg, "zz");
                  Command(dlg, IDM_APPLETPREVIEW);
                  Command(dlg, IDM_APPLETPROPERTIES);
                  GlobalLocked<OBJECTAPPLET> a(GetPageObject(&page, index));
                  EXPECT_EQ(a->header.rect.left, 77) << "the page shows the object the editor holds";
                  a.Unlock();
                  Command(dlg, IDM_APPLETABANDON);
                  EXPECT_TRUE(Running(dlg));
                  Command(dlg, IDM_APPLETABANDON);
              }),
              0);
    EXPECT_EQ(asked, std::vector<std::string>(2, Asked(IDS_ABANDONAPPLET)));
    EXPECT_EQ(previewed, std::vector<std::vector<uint8_t>>{AppletBytes({picture, sound, Text("zza")})})
        << "the preview runs the text as typed";
    EXPECT_EQ(Now(), start);
    // The close command saves a text and abandons an empty one.
    EXPECT_EQ(Run([&](HWND dlg) {
                  Type(dlg, "q");
                  PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
                  sbtest::PumpUntilIdle();
              }),
              1);
    EXPECT_EQ(Now(), AppletBytes({picture, sound, Text("qa")}));
    EXPECT_EQ(Run([&](HWND dlg) {
                  SetWindowTextA(Edit(dlg), "");
                  PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
                  sbtest::PumpUntilIdle();
              }),
              0);
}

TEST_F(ScriptEditor, PropertiesEditPlaceFlagsAndParameterInPlace)
{
    std::vector<uint8_t> start = Now();
    const struct {
        int left, width;
        bool visible, priority;
        const char *parameter; // the start of the chosen line
        uint32_t stored;
    } cases[] = {
        {5, 120, false, true, "150 (", APPLETNUMBER},
        {0, 64, true, false, "None", 0},
    };
    for (const auto &c : cases) {
        properties = [&](HWND box) {
            Look(box, "appletproperties");
            EXPECT_EQ(GetDlgItemInt(box, IDC_OBJNUMBER, nullptr, FALSE), APPLETNUMBER);
            SetDlgItemInt(box, IDC_OBJLEFT, c.left, FALSE);
            SetDlgItemInt(box, IDC_OBJWIDTH, c.width, FALSE);
            CheckDlgButton(box, IDC_OBJVISIBLE, c.visible);
            CheckDlgButton(box, IDC_APPLETPRIORITY, c.priority);
            HWND list = GetDlgItem(box, IDC_APPLETPARAMETER);
            SendMessageA(list, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)c.parameter);
            sbtest::Click(box, IDOK);
        };
        EXPECT_EQ(Run([&](HWND dlg) {
                      Command(dlg, IDM_APPLETPROPERTIES);
                      Command(dlg, IDM_APPLETSAVE);
                  }),
                  1);
        GlobalLocked<OBJECTAPPLET> a(GetPageObject(&page, index));
        EXPECT_EQ(a->header.rect.left, c.left);
        EXPECT_EQ(a->header.rect.right - a->header.rect.left, c.width);
        EXPECT_EQ(a->header.rect.top, 40);
        EXPECT_EQ(a->header.flags, (c.visible ? OBJ_VISIBLE : 0u) | (c.priority ? OBJ_CONTINUOUS : 0u));
        EXPECT_EQ(a->parameter, c.stored);
    }
    // Cancel changes nothing; an object that cannot be locked ends with 0
    // and says so.
    Put(start);
    properties = [](HWND box) {
        SetDlgItemInt(box, IDC_OBJLEFT, 99, FALSE);
        sbtest::Click(box, IDCANCEL);
    };
    EXPECT_EQ(Run([&](HWND dlg) {
                  Command(dlg, IDM_APPLETPROPERTIES);
                  Command(dlg, IDM_APPLETSAVE);
              }),
              1);
    EXPECT_EQ(Now(), AppletBytes({picture, sound, Text("a")}));
    HGLOBAL tiny = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
    properties = nullptr;
    EXPECT_EQ(EditAppletProperties(host, set, &page, index, tiny), 0);
    EXPECT_EQ(Said(), Asked(IDS_OBJECTACCESSERROR));
    GlobalFree(tiny);
    BLOCK notpage = page;
    notpage.tag = TAG_HEDR;
    EXPECT_EQ(EditAppletProperties(host, set, &notpage, index, GetPageObject(&page, index)), 0);
}

// Allocation that fails for blocks of a megabyte or more.
decltype(&GlobalAlloc) realalloc;
HGLOBAL WINAPI FailingAlloc(UINT flags, SIZE_T size)
{
    return size >= (1 << 20) ? NULL : realalloc(flags, size);
}

TEST_F(ScriptEditor, SavingNeverLosesTheSource)
{
    // No source entry: saving makes one.
    Put(AppletBytes({picture}));
    EXPECT_EQ(Run([&](HWND dlg) {
                  EXPECT_EQ(Shown(dlg), "");
                  Type(dlg, "end()");
                  Command(dlg, IDM_APPLETSAVE);
              }),
              1);
    EXPECT_EQ(Now(), AppletBytes({picture, Text("end()")}));
    // The new source cannot be appended: the old object stays whole and the
    // editor stays open with the text until a save succeeds.
    std::vector<uint8_t> start = Now();
    std::string big;
    while (big.size() < (1 << 20))
        big += "line(" + std::to_string(big.size()) + ")\r\n";
    EXPECT_EQ(Run([&](HWND dlg) {
                  SetWindowTextA(Edit(dlg), big.c_str());
                  realalloc = (decltype(&GlobalAlloc))sbtest::ReplaceImport("kernel32.dll", "GlobalAlloc",
                                                                            (void *)FailingAlloc);
                  Command(dlg, IDM_APPLETSAVE);
                  sbtest::ReplaceImport("kernel32.dll", "GlobalAlloc", (void *)realalloc);
                  EXPECT_EQ(Said(), Asked(IDS_OBJECTACCESSERROR));
                  EXPECT_TRUE(Running(dlg));
                  EXPECT_EQ(Now(), start);
                  EXPECT_EQ(GetWindowTextLengthA(Edit(dlg)), (int)big.size());
                  Command(dlg, IDM_APPLETSAVE);
              }),
              1);
    EXPECT_EQ(Now(), AppletBytes({picture, Text(big)}));
}

// The entries of an applet object that lie inside it, read independently of
// the editor, and whether anything was wrong.
std::vector<Entry> Valid(const std::vector<uint8_t> &b, bool *damaged)
{
    std::vector<Entry> out;
    *damaged = true;
    if (b.size() < sizeof(OBJECTAPPLET))
        return out;
    const auto &a = *(const OBJECTAPPLET *)b.data();
    if (a.header.fixedsize < sizeof(OBJECTAPPLET) || (uint64_t)a.header.fixedsize + a.header.datasize > b.size())
        return out;
    uint64_t at = a.header.fixedsize, end = (uint64_t)a.header.fixedsize + a.header.datasize;
    bool text = false;
    *damaged = false;
    for (uint32_t i = 0; i < a.entries; i++) {
        if (at + sizeof(OBJECTAPPLETENTRY) > end) {
            *damaged = true;
            break;
        }
        const auto &h = *(const OBJECTAPPLETENTRY *)(b.data() + at);
        if (at + sizeof h + h.length > end) {
            *damaged = true;
            break;
        }
        Entry e{h.kind, h.number, std::string((const char *)b.data() + at + sizeof h, h.length)};
        if (!text && h.kind == ENTRY_TEXT) {
            text = true;
            *damaged |= e.data.find('\0') == std::string::npos;
        }
        out.push_back(e);
        at += sizeof h + h.length;
    }
    return out;
}

TEST_F(ScriptEditor, DamagedAppletsOpenWithAMessageAndKeepWhatWasValid)
{
    const std::vector<uint8_t> base = AppletBytes({picture, Text("line(1)\r\nend()"), sound, {ENTRY_MIDI, 2, "MThd"}});
    std::mt19937 random(30);
    for (int round = 0; round < 120; round++) {
        SCOPED_TRACE(round);
        std::vector<uint8_t> b = base;
        auto &a = *(OBJECTAPPLET *)b.data();
        size_t heads[4], at = sizeof(OBJECTAPPLET);
        for (size_t &h : heads) {
            h = at;
            at += sizeof(OBJECTAPPLETENTRY) + ((OBJECTAPPLETENTRY *)(b.data() + at))->length;
        }
        auto head = [&](int i) -> OBJECTAPPLETENTRY & { return *(OBJECTAPPLETENTRY *)(b.data() + heads[i]); };
        switch (round % 6) {
        case 0: a.entries += 1 + random() % 1000; break;
        case 1: head(random() % 4).length = 0xFFFFFFFF - random() % 64; break;
        case 2: b[heads[2] - 1] = 'x'; break; // the source loses its zero
        case 3: a.header.datasize -= 1 + random() % 40; break;
        case 4: head(random() % 4).length += 1 + random() % 80; break;
        default:
            for (int n = 0; n < 4; n++)
                b[sizeof(OBJECTHEADER) + random() % (b.size() - sizeof(OBJECTHEADER))] ^= (uint8_t)(1 << random() % 8);
        }
        bool damaged;
        std::vector<Entry> valid = Valid(b, &damaged);
        Put(b);
        asked.clear();
        std::string shown;
        int result = Run([&](HWND dlg) {
            shown = Shown(dlg);
            if (shown.empty())
                Type(dlg, "new");
            Command(dlg, IDM_APPLETSAVE);
        });
        EXPECT_EQ(!asked.empty() && asked.front() == Asked(IDS_APPLETDAMAGED), damaged);
        if (result != 1) {
            // Only an object that cannot be written at all stays as it was.
            EXPECT_EQ(Now(), b);
            continue;
        }
        // Every valid entry is kept in its order, the source last.
        std::vector<Entry> expected;
        bool text = false;
        for (const Entry &e : valid)
            if (text || e.kind != ENTRY_TEXT)
                expected.push_back(e);
            else
                text = true;
        expected.push_back(Text(shown.empty() ? "new" : shown));
        std::vector<uint8_t> now = Now();
        bool again;
        std::vector<Entry> saved = Valid(now, &again);
        EXPECT_FALSE(again);
        ASSERT_EQ(saved.size(), expected.size());
        for (size_t i = 0; i < saved.size(); i++) {
            EXPECT_EQ(saved[i].kind, expected[i].kind);
            EXPECT_EQ(saved[i].number, expected[i].number);
            EXPECT_EQ(saved[i].data, expected[i].data);
        }
    }
}

} // namespace
