// The property dialogs of check boxes, radio buttons, frames, buttons and
// static images, each run as the page editor runs it and driven through its
// controls: the object OK leaves against bytes made here, Cancel against
// the object as it was.
#include "editorfixture.h"
#include "common/dialog.h"
#include "common/shell.h"
#include "common/strings.h"
#include "editors/objectdialogs.h"
#include "editors/objectfields.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs1_ids.h"
#include "resources/resource.h"
#include "media/imageformat.h"

namespace pagetest {
namespace {

using Driver = std::function<void(HWND dlg)>;
using Change = std::function<void(Object &o)>;

struct Case {
    const char *name;
    Driver set;
    Change expect;
};

void Text(HWND dlg, int id, const char *text)
{
    SetDlgItemTextA(dlg, id, text);
}
// A box clicked when it is not already as wanted.
void Tick(HWND dlg, int id, bool on)
{
    if ((IsDlgButtonChecked(dlg, id) == BST_CHECKED) != on)
        sbtest::Click(dlg, id);
}
void Select(HWND dlg, int id, int index)
{
    SendDlgItemMessageA(dlg, id, CB_SETCURSEL, index, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)GetDlgItem(dlg, id));
}
void SelectText(HWND dlg, int id, const char *prefix)
{
    SendDlgItemMessageA(dlg, id, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)prefix);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)GetDlgItem(dlg, id));
}
void Place(HWND dlg, const char *left, const char *top, const char *width, const char *depth)
{
    Text(dlg, IDC_OBJLEFT, left), Text(dlg, IDC_OBJTOP, top);
    Text(dlg, IDC_OBJWIDTH, width), Text(dlg, IDC_OBJDEPTH, depth);
}

template <class T> T &As(Object &o)
{
    return *(T *)o.bytes.data();
}
// The object with `data` as its attached data.
void Data(Object &o, const std::string &data)
{
    o.bytes.resize(o.h().fixedsize);
    o.bytes.insert(o.bytes.end(), data.begin(), data.end());
    As<OBJECTHEADER>(o).datasize = (uint32_t)data.size();
    As<OBJECTHEADER>(o).totalsize = (uint32_t)o.bytes.size();
}
std::string Zero(const char *text)
{
    return std::string(text) + '\0';
}
void Rect(Object &o, int left, int top, int width, int depth)
{
    As<OBJECTHEADER>(o).rect = RECT{left, top, left + width, top + depth};
}

// Page 1 of the fixture with a check box, a radio button, a frame and a
// static image added, opened on a window of its own as the page editor's.
class ObjectDialogs : public PageEditor {
protected:
    enum { BUTTON = 0, TIMER = 3, CHECKBOX = 4, RADIO = 5, FRAME = 6, STATIC = 7 };
    void SetUp() override
    {
        PageEditor::SetUp();
        MaximumObjectSize = 2000;
        ClassicColorSelect = 0;
        page = Block(1);
        Add(page, TAG_CHEC, 30, 240, (LONG_PTR) "Tick", 60, 20);
        Add(page, TAG_RDIO, 100, 240, (LONG_PTR) "One", 60, 20);
        Add(page, TAG_FRAM, 200, 200, 0, 100, 60);
        HGLOBAL dib = Picture(30, 20, RGB(0, 120, 0));
        Add(page, TAG_STAT, 300, 20, (LONG_PTR)dib, 30, 20);
        GlobalFree(dib);
        for (uint32_t i = 0; i < BlockObjectCount(&page); i++)
            GlobalLocked<OBJECTHEADER>(GetPageObject(&page, i))->flags |= 0x80000000;
        host = sbtest::CreateTestWindow(true, PAGEW, PAGEH);
        set = LockBlockSet(doc);
        previous = COMMONSetModalHook(Hook);
        self = this;
    }
    void TearDown() override
    {
        COMMONSetModalHook(previous);
        UnlockBlockSet(doc);
        DestroyWindow(host);
        PutBlock(List(doc), 1, &page);
        PageEditor::TearDown();
    }
    // Answers the colour chooser with `colour`; everything else goes on to
    // the recorder.
    static INT_PTR Hook(const MODALCALL *call)
    {
        if (call->kind == MODAL_COMMONDIALOG && !self->file.empty()) {
            auto *ofn = (OPENFILENAMEA *)call->data;
            snprintf(ofn->lpstrFile, ofn->nMaxFile, "%s", self->file.c_str());
            return 1;
        }
        if (call->kind == MODAL_COMMONDIALOG && self->colour != CLR_INVALID) {
            ((CHOOSECOLORA *)call->data)->rgbResult = self->colour;
            return 1;
        }
        return self->previous(call);
    }
    // Runs the object's dialog with `driver` at the controls; its result.
    int Run(unsigned index, Driver driver)
    {
        recorder.Drive(std::move(driver));
        return EditObject(host, set, &page, index);
    }
    Object At(unsigned index) { return Read(GetPageObject(&page, index)); }
    // Each case pressed with OK against its expected bytes.
    void Check(unsigned index, const std::vector<Case> &cases)
    {
        for (const Case &c : cases) {
            Object want = At(index);
            c.expect(want);
            EXPECT_EQ(Run(index, [&](HWND dlg) {
                          c.set(dlg);
                          sbtest::Click(dlg, IDOK);
                      }),
                      1)
                << c.name;
            EXPECT_EQ(At(index).bytes, want.bytes) << c.name;
        }
    }
    // Changes through `set`, then Cancel: the object is as it was.
    void Cancelled(unsigned index, Driver set)
    {
        Object before = At(index);
        EXPECT_EQ(Run(index, [&](HWND dlg) {
                      set(dlg);
                      sbtest::Click(dlg, IDCANCEL);
                  }),
                  0);
        EXPECT_EQ(At(index).bytes, before.bytes);
    }
    std::vector<std::string> Messages()
    {
        std::vector<std::string> out;
        for (const auto &c : recorder.calls)
            if (!c.text.empty())
                out.push_back(c.text);
        return out;
    }

    BLOCK page{};
    HWND host = NULL;
    BLOCKSET *set = nullptr;
    sbtest::ModalRecorder recorder;
    MODALHOOK previous = nullptr;
    COLORREF colour = CLR_INVALID;
    std::string file; // what the open dialog answers, when set
    static inline ObjectDialogs *self;
};

TEST_F(ObjectDialogs, CheckBoxesAndRadioButtonsStoreTheirCaptionPlaceFlagsAndTarget)
{
    for (unsigned index : {CHECKBOX, RADIO}) {
        const char *shot = index == CHECKBOX ? "checkboxdialog" : "radiodialog";
        Check(index, {
            {"unchanged", [&](HWND dlg) { Snapshot(dlg, shot); }, [](Object &) {}},
            {"caption and place",
             [](HWND dlg) {
                 Text(dlg, IDC_OBJTITLE, "Yes please");
                 Place(dlg, "12", "34", "56", "78");
             },
             [](Object &o) {
                 Data(o, Zero("Yes please"));
                 Rect(o, 12, 34, 56, 78);
             }},
            {"empty caption", [](HWND dlg) { Text(dlg, IDC_OBJTITLE, ""); }, [](Object &o) { Data(o, Zero("")); }},
            {"numbers past the spin ranges as typed, not a number as 0",
             [](HWND dlg) { Place(dlg, "40000", "x", "3", "99999"); },
             [](Object &o) { Rect(o, 40000, 0, 3, 99999); }},
            {"a minus sign as typed", [](HWND dlg) { Place(dlg, "-5", "-1", "3", "4"); },
             [](Object &o) { Rect(o, -5, -1, 3, 4); }},
            {"target", [](HWND dlg) { SelectText(dlg, IDC_OBJTARGET, "103"); },
             [](Object &o) { As<OBJECTCHECKBOX>(o).notify = 103; }},
        });
        for (auto [box, bit] : {std::pair{IDC_OBJVISIBLE, 0x2u}, {IDC_OBJENABLED, 0x4u}, {IDC_OBJNOTIFY, 0x10u},
                                {IDC_OBJCHECKED, 0x400u}}) {
            bool on = !(At(index).h().flags & bit);
            Check(index, {{"flag", [&](HWND dlg) { Tick(dlg, box, on); },
                           [&](Object &o) { As<OBJECTHEADER>(o).flags ^= bit; }}});
        }
        Cancelled(index, [](HWND dlg) {
            Text(dlg, IDC_OBJTITLE, "Changed");
            Tick(dlg, IDC_OBJCHECKED, true);
        });
    }
}

TEST_F(ObjectDialogs, AFrameTakesItsSettingsAndColoursAndCancelUndoesAChosenColour)
{
    colour = RGB(10, 20, 30);
    Check(FRAME, {
        {"unchanged", [](HWND dlg) { Snapshot(dlg, "framedialog"); }, [](Object &) {}},
        {"type, selectors and numbers",
         [](HWND dlg) {
             Select(dlg, IDC_FRMTYPE, 7);
             Select(dlg, IDC_FRMPRIMARY, 25);
             Select(dlg, IDC_FRMSECONDARY, 3);
             Select(dlg, IDC_FRMINTERIOR, 0);
             Text(dlg, IDC_FRMTHICKNESS, "300");
             Text(dlg, IDC_FRMANGLE, "45");
             Place(dlg, "1", "2", "30", "40");
         },
         [](Object &o) {
             auto &f = As<OBJECTFRAME>(o);
             f.type = 7, f.primaryselector = 25, f.secondaryselector = 3, f.interiorselector = 0;
             f.thickness = 300, f.angle = 45;
             Rect(o, 1, 2, 30, 40);
         }},
        {"hollow", [](HWND dlg) { Tick(dlg, IDC_FRMHOLLOW, true); },
         [](Object &o) { As<OBJECTHEADER>(o).flags |= 0x40; }},
        {"custom colour",
         [](HWND dlg) {
             EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_FRMPRIMARYSWATCH)));
             sbtest::Click(dlg, IDC_FRMPRIMARYSWATCH);
             char text[32];
             GetDlgItemTextA(dlg, IDC_FRMPRIMARYSWATCH, text, sizeof text);
             EXPECT_STREQ(text, "10,20,30");
         },
         [](Object &o) { As<OBJECTFRAME>(o).primary = RGB(10, 20, 30); }},
    });
    colour = RGB(200, 0, 0);
    Cancelled(FRAME, [](HWND dlg) {
        sbtest::Click(dlg, IDC_FRMPRIMARYSWATCH);
        Tick(dlg, IDC_FRMHOLLOW, false);
    });
}

TEST_F(ObjectDialogs, AButtonStoresItsActionTargetStyleAndColours)
{
    const std::string title = Zero("Go");
    Check(BUTTON, {
        {"unchanged", [](HWND dlg) { Snapshot(dlg, "buttondialog"); }, [](Object &) {}},
        {"jump to a page",
         [](HWND dlg) {
             Select(dlg, IDC_BTNACTION, 8);
             EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_BTNPAGE)));
             SelectText(dlg, IDC_BTNPAGE, "P2");
         },
         [&](Object &o) {
             Data(o, title + Zero("P2"));
             As<OBJECTBUTTON>(o).action = 8, As<OBJECTBUTTON>(o).targetlength = 3;
         }},
        {"next page drops the target text", [](HWND dlg) { Select(dlg, IDC_BTNACTION, 3); },
         [&](Object &o) {
             Data(o, title);
             As<OBJECTBUTTON>(o).action = 3, As<OBJECTBUTTON>(o).targetlength = 0;
         }},
        {"open a document",
         [](HWND dlg) {
             Select(dlg, IDC_BTNACTION, 11);
             Text(dlg, IDC_BTNDOCUMENT, "c:\\shows\\next.exe");
             Text(dlg, IDC_OBJTITLE, "Next show");
         },
         [](Object &o) {
             Data(o, Zero("Next show") + Zero("c:\\shows\\next.exe"));
             auto &b = As<OBJECTBUTTON>(o);
             b.action = 11, b.titlelength = 10, b.targetlength = 18;
         }},
        {"notify a target",
         [](HWND dlg) {
             Select(dlg, IDC_BTNACTION, 6);
             SelectText(dlg, IDC_OBJTARGET, "103");
             Text(dlg, IDC_OBJTITLE, "Go");
         },
         [&](Object &o) {
             Data(o, title);
             auto &b = As<OBJECTBUTTON>(o);
             b.action = 6, b.target = 103, b.titlelength = 3, b.targetlength = 0;
         }},
        {"soft custom with its colours",
         [&](HWND dlg) {
             Select(dlg, IDC_BTNSTYLE, 3);
             colour = RGB(1, 2, 3);
             sbtest::Click(dlg, IDC_BTNSOFTCOLOUR);
             colour = RGB(4, 5, 6);
             sbtest::Click(dlg, IDC_BTNSOFTTEXT);
             Snapshot(dlg, "buttondialog-softcustom");
         },
         [](Object &o) {
             auto &b = As<OBJECTBUTTON>(o);
             b.header.flags = (b.header.flags & ~0x8408u) | 0x400, b.softcolour = RGB(1, 2, 3), b.softtextcolour = RGB(4, 5, 6);
         }},
        {"graphic without a picture is the system style", [](HWND dlg) { Select(dlg, IDC_BTNSTYLE, 1); },
         [](Object &o) { As<OBJECTHEADER>(o).flags &= ~0x8408u; }},
    });
    EXPECT_EQ(SoftCustomColorDefault, RGB(1, 2, 3));
    for (auto [box, bit] : {std::pair{IDC_OBJVISIBLE, 0x2u}, {IDC_OBJENABLED, 0x4u}, {IDC_OBJCHECKED, 0x1u}}) {
        bool on = !(At(BUTTON).h().flags & bit);
        Check(BUTTON, {{"flag", [&](HWND dlg) { Tick(dlg, box, on); },
                        [&](Object &o) { As<OBJECTHEADER>(o).flags ^= bit; }}});
    }
    // A colour chosen and then cancelled stays only as the default.
    colour = RGB(7, 8, 9);
    Cancelled(BUTTON, [](HWND dlg) {
        Select(dlg, IDC_BTNSTYLE, 1);
        sbtest::Click(dlg, IDC_BTNBACKCOLOUR);
    });
    EXPECT_EQ(DisabledColorDefault, RGB(7, 8, 9));
}

TEST_F(ObjectDialogs, AButtonJumpingToAPageNoTitleNamesIsRefusedAndTheDialogStaysOpen)
{
    Object before = At(BUTTON);
    bool open = false;
    EXPECT_EQ(Run(BUTTON,
                  [&](HWND dlg) {
                      Select(dlg, IDC_BTNACTION, 8);
                      Text(dlg, IDC_BTNPAGE, "Nowhere");
                      sbtest::Click(dlg, IDOK);
                      open = IsWindow(dlg) && IsWindowVisible(dlg);
                      sbtest::Click(dlg, IDCANCEL);
                  }),
              0);
    EXPECT_TRUE(open);
    EXPECT_EQ(Messages(), std::vector<std::string>{FetchString(IDS_NOSUCHPAGE)});
    EXPECT_EQ(At(BUTTON).bytes, before.bytes);
}

// A graphic button's picture holds both faces: 10 to 256 wide, each face 10
// to 128 high.
TEST_F(ObjectDialogs, AButtonTakesAPictureOnlyOfTheSizesAButtonCanShow)
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    file = std::string(dir) + "sb_buttonface.bmp";
    const struct {
        int width, height;
        bool taken;
    } cases[] = {{256, 256, true}, {257, 256, false}, {256, 258, false},
                 {10, 20, true},   {9, 20, false},    {10, 19, false}};
    for (const auto &c : cases) {
        HGLOBAL dib = Picture(c.width, c.height, RGB(0, 0, 200));
        ASSERT_TRUE(WriteImage(file.c_str(), dib));
        GlobalFree(dib);
        recorder.calls.clear();
        Object before = At(BUTTON);
        int result = Run(BUTTON, [&](HWND dlg) {
            Select(dlg, IDC_BTNSTYLE, 1);
            sbtest::Click(dlg, IDC_BTNSELECT);
            if (c.taken) {
                EXPECT_EQ(GetDlgItemInt(dlg, IDC_OBJWIDTH, nullptr, FALSE), (UINT)c.width);
                EXPECT_EQ(GetDlgItemInt(dlg, IDC_OBJDEPTH, nullptr, FALSE), (UINT)c.height / 2);
            }
            if (c.width == 256 && c.taken) {
                sbtest::PumpUntilIdle();
                Snapshot(dlg, "buttondialog-graphic");
            }
            sbtest::Click(dlg, c.taken ? IDOK : IDCANCEL);
        });
        Object now = At(BUTTON);
        if (!c.taken) {
            EXPECT_EQ(result, 0) << c.width << "x" << c.height;
            EXPECT_EQ(Messages(), std::vector<std::string>{FetchString(IDS_BUTTONGRAPHICSIZE)});
            EXPECT_EQ(now.bytes, before.bytes);
            continue;
        }
        EXPECT_EQ(result, 1) << c.width << "x" << c.height;
        EXPECT_EQ(now.h().flags & 0x8408, 0x8000u);
        EXPECT_EQ(now.rect().right - now.rect().left, c.width);
        EXPECT_EQ(now.rect().bottom - now.rect().top, c.height / 2);
        auto &b = As<OBJECTBUTTON>(now);
        auto *face = (const BITMAPINFOHEADER *)GetButtonTitleGraphic(&b);
        ASSERT_TRUE(face);
        EXPECT_EQ(face->biWidth, c.width);
        EXPECT_EQ(face->biHeight, c.height);
        // Opened again, the picture is kept as it is.
        EXPECT_EQ(Run(BUTTON, [](HWND dlg) { sbtest::Click(dlg, IDOK); }), 1);
        EXPECT_EQ(At(BUTTON).bytes, now.bytes);
    }
    DeleteFileA(file.c_str());
}

TEST_F(ObjectDialogs, AStaticImageIsAsLargeAsItsPictureAndKeepsItsFlags)
{
    Check(STATIC, {
        {"unchanged", [](HWND dlg) { Snapshot(dlg, "staticimagedialog"); }, [](Object &) {}},
        {"place and drawn",
         [](HWND dlg) {
             Place(dlg, "5", "6", "500", "500");
             Tick(dlg, IDC_STADRAWN, true);
         },
         [](Object &o) {
             Rect(o, 5, 6, 30, 20);
             As<OBJECTHEADER>(o).flags |= 0x20;
         }},
    });
    Cancelled(STATIC, [](HWND dlg) {
        Tick(dlg, IDC_STADRAWN, false);
        Text(dlg, IDC_OBJLEFT, "99");
    });
}

// F1 opens the same help page as the dialog's Help button.
TEST_F(ObjectDialogs, F1OpensTheHelpButtonsPage)
{
    for (unsigned index : {BUTTON, TIMER, CHECKBOX, RADIO, FRAME, STATIC}) {
        SCOPED_TRACE(index);
        recorder.calls.clear();
        Run(index, [](HWND dlg) {
            sbtest::HelpThenF1(dlg, IDC_OBJHELP);
            sbtest::Click(dlg, IDCANCEL);
        });
        std::vector<std::string> pages = sbtest::LaunchedTwice(recorder.calls);
        ASSERT_FALSE(pages.empty());
        EXPECT_NE(pages[0].find("referenc.htm#"), std::string::npos) << pages[0];
    }
}

// Paint is offered only when the paint program it would start exists.
TEST_F(ObjectDialogs, PaintIsOfferedOnlyWhenThePaintProgramExists)
{
    for (const sbtest::PaintPathCase &c : sbtest::PaintPathCases()) {
        SCOPED_TRACE(c.path);
        snprintf(PaintbrushPath, sizeof PaintbrushPath, "%s", c.path.c_str());
        bool button = !c.offered, still = !c.offered;
        Run(BUTTON, [&](HWND dlg) {
            Select(dlg, IDC_BTNSTYLE, 1);
            button = IsWindowEnabled(GetDlgItem(dlg, IDC_BTNPAINT)) != 0;
            sbtest::Click(dlg, IDCANCEL);
        });
        Run(STATIC, [&](HWND dlg) {
            still = IsWindowEnabled(GetDlgItem(dlg, IDC_STAPAINT)) != 0;
            sbtest::Click(dlg, IDCANCEL);
        });
        EXPECT_EQ(button, c.offered);
        EXPECT_EQ(still, c.offered);
    }
}

// OK that cannot build the new object says so and leaves the dialog open
// with the object untouched; the user may then cancel.
TEST_F(ObjectDialogs, AFailedBuildIsReportedAndKeepsTheDialogOpen)
{
    for (unsigned index : {BUTTON, CHECKBOX, STATIC}) {
        recorder.calls.clear();
        Object before = At(index);
        bool open = false;
        EXPECT_EQ(Run(index,
                      [&](HWND dlg) {
                          // The button and static image dialogs keep a record of their own.
                          EDITPARAM *p = index == CHECKBOX ? DialogState<EDITPARAM>(dlg) : DialogState<PROPSTATE>(dlg)->p;
                          HGLOBAL live = p->object, gone = GlobalAlloc(GMEM_MOVEABLE | GMEM_DISCARDABLE, 0);
                          p->object = gone;
                          sbtest::Click(dlg, IDOK);
                          open = IsWindow(dlg);
                          p->object = live;
                          GlobalFree(gone);
                          sbtest::Click(dlg, IDCANCEL);
                      }),
                  0);
        EXPECT_TRUE(open) << index;
        EXPECT_EQ(Messages(), std::vector<std::string>{FetchString(IDS_MEMORY)}) << index;
        EXPECT_EQ(At(index).bytes, before.bytes) << index;
    }
}

} // namespace
} // namespace pagetest
