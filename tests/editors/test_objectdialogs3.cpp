// The timer, edit field and list box property dialogs run as real modal
// dialogs over a page of the test document: what OK stores, byte for byte,
// and that Cancel or a failed build leaves the object as it was.
#include "tests/editors/editorfixture.h"
#include "editor/blocks.h"
#include "common/strings.h"
#include "editors/editparam.h"
#include "editors/objectdialogs.h"
#include "editors/objectfields.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/shelldialogs_ids.h"
#include "resources/resource.h"
#include <commctrl.h>

using namespace pagetest;

namespace {

// Changes made in the dialog and the object they should give.
struct Case {
    const char *name;
    std::function<void(HWND dlg)> set;
    std::function<void(std::vector<uint8_t> &fixed)> expect; // the fixed part as OK stores it
    std::string data;                                        // the attached data as OK stores it
};

void Type(HWND dlg, int id, const char *text)
{
    SetDlgItemTextA(dlg, id, text);
}
void Choose(HWND dlg, int id, int line)
{
    SendDlgItemMessageA(dlg, id, CB_SETCURSEL, (WPARAM)line, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), (LPARAM)GetDlgItem(dlg, id));
}
void Tick(HWND dlg, int id, bool on)
{
    CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED);
}
template <class T> T &As(std::vector<uint8_t> &b)
{
    return *(T *)b.data();
}
void Rect(std::vector<uint8_t> &b, int l, int t, int r, int bottom)
{
    SetRect(&As<OBJECTHEADER>(b).rect, l, t, r, bottom);
}

class TimerEditListDialogs : public ObjectDialog {
protected:
    void SetUp() override
    {
        ObjectDialog::SetUp();
        Add(page, TAG_EDIT, 30, 40, (LONG_PTR) "Name", 100, 20);  // 105
        Add(page, TAG_LIST, 50, 60, (LONG_PTR) "A", 120, 80);     // 106
    }
    unsigned IndexOf(uint32_t tag)
    {
        for (unsigned i = 0; i < BlockObjectCount(&page); i++)
            if (Read(GetPageObject(&page, i)).tag() == tag)
                return i;
        return ~0u;
    }
    // Sets the object's attached data as stored bytes.
    void Store(unsigned index, const std::string &data)
    {
        Object o = Read(GetPageObject(&page, index));
        std::vector<uint8_t> b(o.bytes.begin(), o.bytes.begin() + o.h().fixedsize);
        b.insert(b.end(), data.begin(), data.end());
        As<OBJECTHEADER>(b).datasize = (uint32_t)data.size();
        As<OBJECTHEADER>(b).totalsize = (uint32_t)b.size();
        GlobalFree(GetPageObject(&page, index));
        PutPageObject(&page, NewGlobal(b.size(), b.data(), b.size()), index);
    }
    // Every case of the table, each on a fresh copy of the object.
    void RunTable(unsigned index, const std::vector<Case> &cases)
    {
        Object start = Read(GetPageObject(&page, index));
        for (const Case &c : cases) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(Run(index, [&](HWND dlg) {
                          c.set(dlg);
                          sbtest::Click(dlg, IDOK);
                      }),
                      1);
            std::vector<uint8_t> want(start.bytes.begin(), start.bytes.begin() + start.h().fixedsize);
            c.expect(want);
            As<OBJECTHEADER>(want).datasize = (uint32_t)c.data.size();
            As<OBJECTHEADER>(want).totalsize = (uint32_t)(want.size() + c.data.size());
            want.insert(want.end(), c.data.begin(), c.data.end());
            EXPECT_EQ(Read(GetPageObject(&page, index)).bytes, want);
            GlobalFree(GetPageObject(&page, index));
            PutPageObject(&page, NewGlobal(start.bytes.size(), start.bytes.data(), start.bytes.size()), index);
        }
    }
    std::string Text(HWND dlg, int id)
    {
        char text[300] = "";
        GetDlgItemTextA(dlg, id, text, sizeof text);
        return text;
    }
};

TEST_F(TimerEditListDialogs, TimerStoresActionTargetDurationAndA32By32Place)
{
    unsigned timer = IndexOf(TAG_TIME);
    RunTable(timer, {
        {"unchanged: a new block of the same content", [](HWND) {}, [](auto &) {}, ""},
        {"jump to the second page, enabled, moved",
         [](HWND dlg) {
             Choose(dlg, IDC_TIMERACTION, 8);
             Choose(dlg, IDC_TIMERPAGE, 1);
             Type(dlg, IDC_OBJLEFT, "300");
             Type(dlg, IDC_OBJTOP, "7");
             Type(dlg, IDC_TIMERDURATION, "45");
             Tick(dlg, IDC_OBJENABLED, true);
         },
         [](auto &b) {
             As<OBJECTTIMER>(b).action = 8, As<OBJECTTIMER>(b).delay = 45;
             As<OBJECTHEADER>(b).flags |= OBJ_ENABLED;
             Rect(b, 300, 7, 332, 39);
         },
         std::string("P2", 3)},
        {"jump with no page chosen stores an empty title",
         [](HWND dlg) { Choose(dlg, IDC_TIMERACTION, 8); }, [](auto &b) { As<OBJECTTIMER>(b).action = 8; },
         std::string("", 1)},
        {"open a document", [](HWND dlg) {
             Choose(dlg, IDC_TIMERACTION, 11);
             Type(dlg, IDC_TIMERDOCUMENT, "http://example.com/a");
         },
         [](auto &b) { As<OBJECTTIMER>(b).action = 11; }, std::string("http://example.com/a", 21)},
        {"notify the button; 0 seconds stay 0, a place past the spin range as typed",
         [](HWND dlg) {
             Choose(dlg, IDC_TIMERACTION, 6);
             SendDlgItemMessageA(dlg, IDC_OBJTARGET, CB_SETCURSEL, 0, 0);
             Type(dlg, IDC_TIMERDURATION, "0");
             Type(dlg, IDC_OBJLEFT, "99999");
         },
         [](auto &b) {
             As<OBJECTTIMER>(b).action = 6, As<OBJECTTIMER>(b).target = 101, As<OBJECTTIMER>(b).delay = 0;
             Rect(b, 99999, 200, 99999 + 32, 232);
         },
         ""},
    });
}

TEST_F(TimerEditListDialogs, TimerShowsItsStoredTargetAndEnablesWhatTheActionNeeds)
{
    unsigned timer = IndexOf(TAG_TIME);
    struct {
        uint32_t action;
        std::string stored;
        int page;             // selected line of the page list
        const char *document; // what the document field shows
        bool pages, documents, targets;
    } cases[] = {
        {8, std::string("p2", 3), 1, "", true, false, false}, // a title's beginning, any case
        {8, std::string("Nowhere", 8), -1, "", true, false, false},
        {11, std::string("readme.txt", 11), -1, "readme.txt", false, true, false},
        {7, "", -1, "", false, false, true},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.stored);
        Store(timer, c.stored);
        GlobalLocked<OBJECTTIMER>(GetPageObject(&page, timer))->action = c.action;
        Object start = Read(GetPageObject(&page, timer));
        EXPECT_EQ(Run(timer, [&](HWND dlg) {
                      sbtest::PumpUntilIdle();
                      EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_TIMERPAGE, CB_GETCURSEL, 0, 0), c.page);
                      EXPECT_EQ(Text(dlg, IDC_TIMERDOCUMENT), c.document);
                      EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_TIMERACTION, CB_GETCURSEL, 0, 0), (LRESULT)c.action);
                      EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDC_TIMERPAGE)) != 0, c.pages);
                      EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDC_TIMERDOCUMENT)) != 0, c.documents);
                      EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDC_OBJTARGET)) != 0, c.targets);
                      sbtest::Click(dlg, IDCANCEL);
                  }, c.action == 8 ? "timerdialog" : nullptr),
                  0);
        EXPECT_EQ(Read(GetPageObject(&page, timer)), start);
    }
    CancelAndFailedBuild(timer, [](HWND dlg) {
        Choose(dlg, IDC_TIMERACTION, 11);
        Type(dlg, IDC_TIMERDOCUMENT, "x");
        Type(dlg, IDC_OBJLEFT, "5");
    });
}

TEST_F(TimerEditListDialogs, EditFieldStoresItsTextPlaceSizeFlagsAndTarget)
{
    unsigned edit = IndexOf(TAG_EDIT);
    RunTable(edit, {
        {"unchanged", [](HWND) {}, [](auto &) {}, std::string("Name", 5)},
        {"everything changed",
         [](HWND dlg) {
             Type(dlg, IDC_EDITFIELDTEXT, "Your name here");
             Type(dlg, IDC_OBJLEFT, "12");
             Type(dlg, IDC_OBJTOP, "34");
             Type(dlg, IDC_OBJWIDTH, "150");
             Type(dlg, IDC_OBJDEPTH, "22");
             Tick(dlg, IDC_OBJVISIBLE, false);
             Tick(dlg, IDC_OBJNOTIFY, true);
             SendDlgItemMessageA(dlg, IDC_OBJTARGET, CB_SETCURSEL, 3, 0);
         },
         [](auto &b) {
             As<OBJECTHEADER>(b).flags = (As<OBJECTHEADER>(b).flags & ~OBJ_VISIBLE) | OBJ_NOTIFY;
             As<OBJECTEDIT>(b).notify = 104;
             Rect(b, 12, 34, 162, 56);
         },
         std::string("Your name here", 15)},
        {"an empty text is its zero; sizes past the settings as typed",
         [](HWND dlg) {
             Type(dlg, IDC_EDITFIELDTEXT, "");
             Type(dlg, IDC_OBJWIDTH, "2");
             Type(dlg, IDC_OBJDEPTH, "70000");
         },
         [](auto &b) { Rect(b, 30, 40, 32, 70040); }, std::string("", 1)},
    });
    // No attached data, or a data size past the block's end: the text shows
    // what is really there.
    for (auto [datasize, shown] : {std::pair{0u, ""}, {5000u, "Name"}}) {
        GlobalLocked<OBJECTHEADER>(GetPageObject(&page, edit))->datasize = datasize;
        EXPECT_EQ(Run(edit, [&](HWND dlg) {
                      EXPECT_EQ(Text(dlg, IDC_EDITFIELDTEXT), shown);
                      sbtest::Click(dlg, IDCANCEL);
                  }, datasize ? nullptr : "editdialog"),
                  0);
    }
    GlobalLocked<OBJECTHEADER>(GetPageObject(&page, edit))->datasize = 5;
    // A record too short for its type cannot be edited: said, and cancelled.
    GlobalLocked<OBJECTHEADER>(GetPageObject(&page, edit))->fixedsize = 80;
    Object damaged = Read(GetPageObject(&page, edit));
    EXPECT_EQ(Run(edit, [](HWND) {}), 0);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].text, FetchString(IDS_OBJECTACCESSERROR));
    EXPECT_EQ(Read(GetPageObject(&page, edit)), damaged);
    GlobalLocked<OBJECTHEADER>(GetPageObject(&page, edit))->fixedsize = sizeof(OBJECTEDIT);
    CancelAndFailedBuild(edit, [](HWND dlg) {
        Type(dlg, IDC_EDITFIELDTEXT, "other");
        Tick(dlg, IDC_OBJENABLED, false);
    });
}

// The item list's lines, the end line included.
std::vector<std::string> Lines(HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_LISTBOXITEMS);
    std::vector<std::string> out;
    for (int i = 0; i < (int)SendMessageA(list, LB_GETCOUNT, 0, 0); i++) {
        char line[300];
        SendMessageA(list, LB_GETTEXT, i, (LPARAM)line);
        out.push_back(line);
    }
    return out;
}
void SelectLine(HWND dlg, int line)
{
    SendDlgItemMessageA(dlg, IDC_LISTBOXITEMS, LB_SETCURSEL, (WPARAM)line, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_LISTBOXITEMS, LBN_SELCHANGE), 0);
}
// A press on line `from`, then a release on line `to` (-1: below the
// list), with Shift held or not.
void Drag(HWND dlg, int from, int to, bool shift = false)
{
    HWND list = GetDlgItem(dlg, IDC_LISTBOXITEMS);
    auto centre = [&](int line) {
        RECT r;
        SendMessageA(list, LB_GETITEMRECT, (WPARAM)line, (LPARAM)&r);
        return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    RECT client;
    GetClientRect(list, &client);
    LPARAM drop = to >= 0 ? centre(to) : MAKELPARAM(client.right / 2, client.bottom + 40);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, centre(from));
    SendMessageA(list, WM_MOUSEMOVE, MK_LBUTTON, drop);
    SendMessageA(list, WM_LBUTTONUP, 0, drop);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

TEST_F(TimerEditListDialogs, ListBoxEditsItsItemsAndStoresThemInOrder)
{
    unsigned lb = IndexOf(TAG_LIST);
    Store(lb, std::string("A\0B\0C\0", 6));
    auto typed = [](const char *text) {
        return [text](HWND d) {
            Snapshot(d, "listitemtext");
            SetDlgItemTextA(d, IDC_ITEMTEXT, text);
            sbtest::Click(d, IDOK);
        };
    };
    // The item text dialog's answers, by case.
    std::vector<std::vector<std::function<void(HWND)>>> answers{{}, {}, {}, {}, {}, {typed("Z")}, {typed("New")}, {}};
    std::vector<Case> cases{
        {"drag the first onto the third: moved before it", [](HWND dlg) { Drag(dlg, 0, 2); }, [](auto &) {},
         std::string("B\0A\0C\0", 6)},
        {"with Shift: copied", [](HWND dlg) { Drag(dlg, 0, 2, true); }, [](auto &) {},
         std::string("A\0B\0A\0C\0", 8)},
        {"onto the end line: moved to the end", [](HWND dlg) { Drag(dlg, 0, 3); }, [](auto &) {},
         std::string("B\0C\0A\0", 6)},
        {"outside the list, onto itself, from the end line: nothing",
         [](HWND dlg) {
             Drag(dlg, 1, -1);
             Drag(dlg, 1, 1);
             Drag(dlg, 3, 0);
         },
         [](auto &) {}, std::string("A\0B\0C\0", 6)},
        {"remove the last item, then all; flags and size",
         [](HWND dlg) {
             // Removing the last item selects the one before it; the only one, none.
             SelectLine(dlg, 2);
             for (int want : {1, 0, LB_ERR}) {
                 SendMessageA(dlg, WM_COMMAND, IDC_LISTBOXREMOVE, 0);
                 EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_LISTBOXITEMS, LB_GETCURSEL, 0, 0), want);
             }
             // Add inserts nothing until a line is selected.
             SendMessageA(dlg, WM_COMMAND, IDC_LISTBOXADD, 0);
             Tick(dlg, IDC_LISTBOXSORTED, true);
             Type(dlg, IDC_OBJWIDTH, "200");
         },
         [](auto &b) {
             As<OBJECTHEADER>(b).flags |= OBJ_TRANSPARENT;
             Rect(b, 50, 60, 250, 140);
         },
         ""},
        {"a double click changes a line",
         [](HWND dlg) {
             SelectLine(dlg, 1);
             SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_LISTBOXITEMS, LBN_DBLCLK), 0);
         },
         [](auto &) {}, std::string("A\0Z\0C\0", 6)},
        {"Add inserts before the selected line, the end line adds at the end",
         [](HWND dlg) {
             SelectLine(dlg, 3);
             sbtest::Click(dlg, IDC_LISTBOXADD);
             EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_LISTBOXITEMS, LB_GETCURSEL, 0, 0), 3);
         },
         [](auto &) {}, std::string("A\0B\0C\0New\0", 10)},
        {"a double click on the end line does nothing",
         [](HWND dlg) {
             SelectLine(dlg, 3);
             SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_LISTBOXITEMS, LBN_DBLCLK), 0);
         },
         [](auto &) {}, std::string("A\0B\0C\0", 6)},
    };
    Object start = Read(GetPageObject(&page, lb));
    for (size_t i = 0; i < cases.size(); i++) {
        nested = answers[i];
        RunTable(lb, {cases[i]});
        EXPECT_TRUE(nested.empty());
    }
    // Reading stops at an empty text; the end line is never stored.
    Store(lb, std::string("A\0\0B\0", 5));
    EXPECT_EQ(Run(lb, [&](HWND dlg) {
                  sbtest::PumpUntilIdle();
                  EXPECT_EQ(Lines(dlg), (std::vector<std::string>{"A", " "}));
                  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_LISTBOXREMOVE)));
                  SelectLine(dlg, 1);
                  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_LISTBOXREMOVE)));
                  sbtest::Click(dlg, IDOK);
              }, "listdialog"),
              1);
    EXPECT_EQ(Read(GetPageObject(&page, lb)).h().datasize, 2u);
    Store(lb, std::string("A\0B\0C\0", 6));
    CancelAndFailedBuild(lb, [](HWND dlg) {
        Drag(dlg, 0, 2);
        Tick(dlg, IDC_OBJVISIBLE, false);
    });
}

} // namespace
