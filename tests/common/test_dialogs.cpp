#include "common/about.h"
#include "common/dialog.h"
#include "common/dlgitems.h"
#include "common/fontdlg.h"
#include "common/hook.h"
#include "common/shell.h"
#include "common/theme.h"
#include "common/tooltip.h"
#include "common/windowvalue.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>
#include <commctrl.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using sbtest::Click;
using sbtest::ModalRecorder;
using sbtest::Snapshot;

namespace {

HWND Child(HWND parent, const char *cls, int id, DWORD style = 0, const char *text = "")
{
    return CreateWindowA(cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 120, 24, parent, (HMENU)(INT_PTR)id, hInst,
                         NULL);
}

// The platform draws its caption buttons with Marlett, whose "r" is the
// close box's cross; without the face the button shows the letter itself.
// The cross is the same mirrored left to right, the letter is not. And the
// face the programs' defaults name is there to be listed and drawn.
TEST(Faces, CaptionButtonsShowTheirGlyphsAndArialIsInstalled)
{
    sbtest::MemoryDC canvas(40, 40);
    HDC dc = canvas.dc;
    RECT r{0, 0, 40, 40};
    DrawFrameControl(dc, &r, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    sbtest::Capture g = canvas.Grab();
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    int left = 40, right = -1;
    for (int y = 4; y < 36; y++)
        for (int x = 4; x < 36; x++)
            if (g.At(x, y) == ink)
                left = std::min(left, x), right = std::max(right, x);
    int inked = 0, mirrored = 0;
    for (int y = 4; y < 36; y++)
        for (int x = left; x <= right; x++)
            if (g.At(x, y) == ink)
                inked++, mirrored += g.At(left + right - x, y) == ink;
    EXPECT_GT(inked, 10);
    EXPECT_GE(mirrored * 10, inked * 9) << inked << " inked pixels, " << mirrored << " mirrored";

    HFONT font = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE] = "";
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, old);
    DeleteObject(font);
    EXPECT_STREQ(face, "Arial");
}

TEST(FontChooser, FacesMatchExactly)
{
    HWND w = sbtest::CreateTestWindow(false);
    HWND combo = Child(w, "COMBOBOX", 104, CBS_DROPDOWN);
    for (const char *face : {"Arial Black", "Arial", "Courier"})
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)face);
    struct {
        const char *face;
        int index;
    } cases[] = {{"Arial", 1}, {"arial black", 0}, {"Ari", CB_ERR}, {"Courier New", CB_ERR}};
    for (auto &c : cases)
        EXPECT_EQ(COMMONFindFace(combo, c.face), c.index) << c.face;
    DestroyWindow(w);
}

// Each face once, in order; a face the machine lacks gives way to one it
// has, with styles to choose from; sizes are clamped to the range.
TEST(FontChooser, FacesOnceAndAnUnknownFaceFallsBackToAnInstalledOne)
{
    ModalRecorder rec;
    std::string shown;
    rec.Drive([&](HWND box) {
        sbtest::PumpUntilIdle(20);
        HWND faces = GetDlgItem(box, 104);
        int count = (int)SendMessageA(faces, CB_GETCOUNT, 0, 0);
        EXPECT_GT(count, 1);
        std::vector<std::string> names;
        for (int i = 0; i < count; i++) {
            char name[261] = "";
            SendMessageA(faces, CB_GETLBTEXT, i, (LPARAM)name);
            names.push_back(name);
            EXPECT_NE(name[0], '@') << name;
        }
        for (size_t i = 1; i < names.size(); i++)
            EXPECT_LT(lstrcmpiA(names[i - 1].c_str(), names[i].c_str()), 0) << names[i - 1] << " / " << names[i];
        char face[261] = "";
        GetDlgItemTextA(box, 104, face, sizeof face);
        shown = face;
        EXPECT_NE(COMMONFindFace(faces, face), CB_ERR) << face;
        EXPECT_GT(SendDlgItemMessageA(box, 103, CB_GETCOUNT, 0, 0), 0) << "styles of " << face;
        EXPECT_EQ(GetDlgItemInt(box, 101, NULL, FALSE), 72u); // 500 clamped
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(box, 101)));
        LRESULT range = SendDlgItemMessageA(box, 10101, UDM_GETRANGE, 0, 0);
        EXPECT_EQ(HIWORD(range), 8);
        EXPECT_EQ(LOWORD(range), 72);
        Click(box, IDOK);
    });
    char face[261] = "No Such Face 123";
    int weight = 700, italic = 1, size = 500;
    EXPECT_EQ(ChooseFontA(NULL, face, &weight, &italic, &size, 8, 72), 1);
    EXPECT_EQ(std::string(face), shown);
    EXPECT_EQ(size, 72);

    // Cancel, and no size wanted: nothing comes back.
    rec.Drive([](HWND box) {
        sbtest::PumpUntilIdle(20);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(box, 101)));
        Click(box, IDCANCEL);
    });
    strcpy(face, "No Such Face 123");
    size = 12;
    EXPECT_EQ(ChooseFontA(NULL, face, NULL, NULL, &size, 0, 0), 0);
    EXPECT_EQ(size, 12);
    EXPECT_STREQ(face, "No Such Face 123");
}

// A face of this system with a regular and a bold style, and no style of
// weight 300.
int CALLBACK StyleWeights(const LOGFONTA *lf, const TEXTMETRICA *, DWORD, LPARAM weights)
{
    if (!lf->lfItalic)
        ((std::vector<int> *)weights)->push_back(lf->lfWeight);
    return 1;
}
int CALLBACK Families(const LOGFONTA *lf, const TEXTMETRICA *, DWORD, LPARAM found)
{
    auto *face = (std::string *)found;
    if (!face->empty() || lf->lfFaceName[0] == '@')
        return 1;
    LOGFONTA one{};
    one.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(one.lfFaceName, lf->lfFaceName, LF_FACESIZE);
    std::vector<int> weights;
    HDC dc = GetDC(NULL);
    EnumFontFamiliesExA(dc, &one, (FONTENUMPROCA)StyleWeights, (LPARAM)&weights, 0);
    ReleaseDC(NULL, dc);
    auto has = [&](int w) { return std::find(weights.begin(), weights.end(), w) != weights.end(); };
    if (has(400) && has(700) && !has(300))
        *face = lf->lfFaceName;
    return 1;
}

// The style list preselects the style of the weight and italic asked for,
// or the first when the face has none; picking a style changes them.
TEST(FontChooser, TheStyleListShowsTheWeightAskedFor)
{
    std::string face;
    LOGFONTA all{};
    all.lfCharSet = DEFAULT_CHARSET;
    HDC dc = GetDC(NULL);
    EnumFontFamiliesExA(dc, &all, (FONTENUMPROCA)Families, (LPARAM)&face, 0);
    ReleaseDC(NULL, dc);
    ASSERT_FALSE(face.empty());
    const struct {
        int weight, italic;
        int shown; // the weight of the style shown, or -1 for the first
        bool pick; // then choose the other of regular and bold
    } cases[] = {{700, 0, 700, false}, {400, 0, 400, false}, {300, 0, -1, false}, {700, 0, 700, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << face << " " << c.weight << " " << c.italic << " pick " << c.pick);
        ModalRecorder rec;
        rec.Drive([&](HWND box) {
            HWND styles = GetDlgItem(box, 103);
            ASSERT_TRUE(sbtest::PumpUntil([&] { return SendMessageA(styles, CB_GETCOUNT, 0, 0) >= 2; }));
            LRESULT at = SendMessageA(styles, CB_GETCURSEL, 0, 0);
            if (c.shown >= 0) {
                EXPECT_EQ(SendMessageA(styles, CB_GETITEMDATA, at, 0) & 0xFFFF, c.shown);
            } else {
                EXPECT_EQ(at, 0);
            }
            if (c.pick) {
                int count = (int)SendMessageA(styles, CB_GETCOUNT, 0, 0);
                for (int i = 0; i < count; i++)
                    if ((SendMessageA(styles, CB_GETITEMDATA, i, 0) & 0xFFFFFF) == 400)
                        SendMessageA(styles, CB_SETCURSEL, i, 0);
                SendMessageA(box, WM_COMMAND, MAKEWPARAM(103, CBN_SELCHANGE), (LPARAM)styles);
                sbtest::PumpUntilIdle();
            }
            Click(box, IDOK);
        });
        char chosen[261];
        lstrcpynA(chosen, face.c_str(), sizeof chosen);
        int weight = c.weight, italic = c.italic, size = 12;
        ASSERT_EQ(ChooseFontA(NULL, chosen, &weight, &italic, &size, 8, 72), 1);
        EXPECT_EQ(weight, c.pick ? 400 : c.weight);
    }
}

TEST(DialogItems, ListFillers)
{
    HWND w = sbtest::CreateTestWindow(false);
    HWND combo = Child(w, "COMBOBOX", 1, CBS_DROPDOWNLIST), list = Child(w, "LISTBOX", 2, LBS_HASSTRINGS);
    std::string longitem(300, 'x');
    struct {
        std::string text;
        int count;
    } cases[] = {{"Red;;Green;", 2}, {"", 0}, {";;;", 0}, {"One", 1}, {longitem, 2}};
    for (auto &c : cases) {
        FillComboBox(combo, c.text.c_str());
        EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), c.count) << c.text;
        EXPECT_EQ(FillListBox(list, c.text.c_str()), c.count) << c.text;
    }
    EXPECT_EQ(SendMessageA(list, LB_GETTEXTLEN, 0, 0), 260);
    EXPECT_EQ(SendMessageA(list, LB_GETTEXTLEN, 1, 0), 40);
    RECT r{100, 100, 150, 120};
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    ScreenToClientRect(w, &r);
    EXPECT_EQ(r.left, 100 - origin.x);
    EXPECT_EQ(r.bottom, 120 - origin.y);
    DestroyWindow(w);
}

TEST(DialogItems, TableBindsControlsAndWritesBack)
{
    HWND w = sbtest::CreateTestWindow(false);
    Child(w, "EDIT", 200);
    HWND spin = Child(w, UPDOWN_CLASSA, 10200, 0, "0,100,50");
    Child(w, "BUTTON", 201, BS_AUTOCHECKBOX);
    Child(w, "COMBOBOX", 202, CBS_DROPDOWNLIST);
    Child(w, "EDIT", 203, ES_AUTOHSCROLL);
    long number = 0, choice = 0;
    DWORD bits = 0x0F;
    char text[260];
    memset(text, 'Z', sizeof text);
    ASSERT_EQ(COMMONDlgItemInitalize(w, 200, DLGITEM_SPIN | DLGITEM_WRITEBACK, 0, 42, NULL, NULL, NULL, NULL, NULL,
                                     &number), 1);
    ASSERT_EQ(COMMONDlgItemInitalize(w, 201, DLGITEM_CHECK, 0, 1, NULL, NULL, NULL, COMMONDlgItemCheckboxDeinit,
                                     NULL, &bits), 1);
    ASSERT_EQ(COMMONDlgItemInitalize(w, 202, DLGITEM_COMBO | DLGITEM_WRITEBACK, 1, (long)"a;b;c", NULL, NULL, NULL,
                                     NULL, NULL, &choice), 1);
    ASSERT_EQ(COMMONDlgItemInitalize(w, 203, DLGITEM_TEXT | DLGITEM_WRITEBACK, 0, (long)"hello", NULL, NULL, NULL,
                                     NULL, NULL, text), 1);
    ASSERT_EQ(COMMONDlgItemInitalize(w, 200, DLGITEM_NUMBER, 0, 7, NULL, NULL, NULL, NULL, NULL, NULL), 1);

    LRESULT range = SendMessageA(spin, UDM_GETRANGE, 0, 0);
    EXPECT_EQ(HIWORD(range), 0);
    EXPECT_EQ(LOWORD(range), 100);
    EXPECT_EQ(COMMONDlgItemGet(w, 200, NULL, 0), 7); // the second entry set the number last
    EXPECT_EQ(COMMONDlgItemGet(w, 201, NULL, 0), 1);
    EXPECT_EQ(COMMONDlgItemGet(w, 202, NULL, 0), 1);
    char got[16];
    EXPECT_EQ(COMMONDlgItemGet(w, 203, got, sizeof got), 5);
    EXPECT_EQ(COMMONDlgItemGet(w, 999, NULL, 0), -1);
    EXPECT_EQ(COMMONDlgItemSet(w, 999, 1), 0);
    EXPECT_TRUE(COMMONDlgItemSet(w, 200, 250));
    EXPECT_TRUE(COMMONDlgItemSet(w, 202, 2));
    EXPECT_TRUE(COMMONDlgItemSet(w, 201, 0));
    SetDlgItemTextA(w, 203, std::string(400, 'q').c_str()); // longer than the caller's buffer

    EXPECT_EQ(COMMONDlgItemDeinitalize(w), 1);
    EXPECT_EQ(number, 100); // the spin clamps what the edit holds
    EXPECT_EQ(choice, 2);
    EXPECT_EQ(bits, 0x0Fu & ~1u);
    EXPECT_EQ(strlen(text), 259u);
    EXPECT_EQ(GetWindowLongPtrA(w, GWLP_USERDATA), 0);
    DestroyWindow(w);
}

TEST(DialogItems, ForeignUserDataIsNotTakenForATable)
{
    HWND w = sbtest::CreateTestWindow(false);
    Child(w, "EDIT", 200);
    HGLOBAL foreign = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 64);
    memset(GlobalLock(foreign), 0x7F, 64);
    GlobalUnlock(foreign);
    SetWindowValue(w, GWLP_USERDATA, foreign);
    EXPECT_EQ(COMMONDlgItemInitalize(w, 200, DLGITEM_NUMBER, 0, 1, NULL, NULL, NULL, NULL, NULL, NULL), 0);
    EXPECT_EQ(COMMONDlgItemGet(w, 200, NULL, 0), -1);
    EXPECT_EQ(COMMONDlgItemGetAllValues(w), 0);
    EXPECT_EQ(COMMONDlgItemDeinitalize(w), 0);
    EXPECT_NE(GlobalFlags(foreign), (UINT)GMEM_INVALID_HANDLE) << "someone else's block stays";
    GlobalFree(foreign);
    DWORD bits = 0x81;
    HWND box = Child(w, "BUTTON", 201, BS_AUTOCHECKBOX);
    SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(COMMONDlgItemCheckboxDeinit(w, 201, &bits, 0, 0x40), 1);
    EXPECT_EQ(bits, 0xC1u);
    EXPECT_EQ(COMMONDlgItemCheckboxDeinit(w, 201, NULL, 0, 0x40), 0);
    DestroyWindow(w);
}

// A control subclassed before the tip arrives: it must see each message once.
int seentimers, seenmoves;
WNDPROC buttonproc;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER)
        seentimers++;
    if (msg == WM_MOUSEMOVE)
        seenmoves++;
    return CallWindowProcA(buttonproc, hwnd, msg, wParam, lParam);
}

TEST(Tooltips, OneSubclassOwnTimerAndPlacement)
{
    ASSERT_EQ(InitializeTips(hInst), 1);
    HWND w = sbtest::CreateTestWindow(true, 300, 200);
    HWND button = CreateWindowA("BUTTON", "b", WS_CHILD | WS_VISIBLE, 20, 20, 80, 30, w, (HMENU)100, hInst, NULL);
    buttonproc = (WNDPROC)SetWindowLongPtrA(button, GWLP_WNDPROC, (LONG_PTR)CountingProc);
    ASSERT_EQ(CreateTip(hInst, w, 100, "First tip"), 1);
    ASSERT_EQ(CreateTip(hInst, w, 100, "Second tip"), 1);
    EXPECT_EQ(CreateTip(hInst, w, 555, "no control"), 0);
    EXPECT_EQ((WNDPROC)GetWindowLongPtrA(button, GWLP_WNDPROC), CtrlSubProc);
    HWND tip = (HWND)GetPropA(button, MAKEINTATOM(10003));
    ASSERT_TRUE(tip);
    char text[32];
    GetWindowTextA(tip, text, sizeof text);
    EXPECT_STREQ(text, "Second tip");

    RECT r;
    GetWindowRect(button, &r);
    SetCursorPos(r.left + 10, r.top + 10);
    POINT at;
    GetCursorPos(&at);
    if (at.x != r.left + 10)
        GTEST_SKIP() << "the cursor cannot be placed here";
    seentimers = seenmoves = 0;
    UpdateWindow(button);
    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(seenmoves, 1);
    EXPECT_TRUE(GetUpdateRect(button, NULL, FALSE)) << "entering redraws the control's hot look";
    EXPECT_EQ(GetPropA(button, MAKEINTATOM(10002)), (HANDLE)1);
    SendMessageA(button, WM_TIMER, 7, 0); // the control's own timer
    EXPECT_EQ(seentimers, 1);
    EXPECT_FALSE(IsWindowVisible(tip));
    SendMessageA(button, WM_TIMER, 1, 0);
    EXPECT_EQ(seentimers, 1) << "the tip's timer is the tip's";
    ASSERT_TRUE(IsWindowVisible(tip));
    RECT t;
    GetWindowRect(tip, &t);
    EXPECT_EQ(t.left, r.left + 12);
    EXPECT_EQ(t.top, r.bottom + 1);
    SendMessageA(button, WM_KEYDOWN, 'A', 0);
    EXPECT_FALSE(IsWindowVisible(tip));
    EXPECT_NE(GetCapture(), button);

    DestroyTips(w);
    EXPECT_FALSE(IsWindow(tip));
    DestroyWindow(w);
}

struct AboutFixture : ::testing::Test {
    int savedbits = devicebits;
    void TearDown() override { devicebits = savedbits; }
};

int drawncalls;
void CountDrawing(const DRAWITEMSTRUCT *, const ABOUTPARAM *) { drawncalls++; }

TEST_F(AboutFixture, EndsOnOkEscAndTheCloseBox)
{
    struct {
        void (*end)(HWND);
        int result;
    } cases[] = {{[](HWND d) { Click(d, IDOK); }, 1},
                 {[](HWND d) { SendMessageA(d, WM_COMMAND, IDCANCEL, 0); }, IDCANCEL},
                 {[](HWND d) { SendMessageA(d, WM_CLOSE, 0, 0); }, IDCANCEL}};
    ModalRecorder rec;
    for (auto &c : cases) {
        auto end = c.end;
        rec.Drive([end](HWND d) { end(d); });
        EXPECT_EQ(DoAbout(NULL), c.result);
    }
    EXPECT_EQ(rec.calls[0].name, "#9990");
}

TEST_F(AboutFixture, ButtonsLabelAndHotSpot)
{
    devicebits = 24;
    drawncalls = 0;
    ModalRecorder rec;
    rec.Drive([](HWND d) {
        ABOUTPARAM *p = DialogState<ABOUTPARAM>(d);
        ASSERT_TRUE(p && p->drawbutton) << "the about box draws its own buttons";
        p->drawbutton = CountDrawing;
        RECT w;
        GetWindowRect(d, &w);
        EXPECT_EQ(w.right - w.left, 680 + 2 * GetSystemMetrics(SM_CXDLGFRAME));
        int expecty = w.bottom - w.top - 218;
        for (int id : {1, 501, 505, 504}) {
            HWND b = GetDlgItem(d, id);
            ASSERT_TRUE(b) << id;
            RECT r;
            GetWindowRect(b, &r);
            MapWindowPoints(NULL, d, (POINT *)&r, 2);
            EXPECT_EQ(r.left, w.right - w.left - 114) << id;
            EXPECT_EQ(r.top, expecty) << id;
            EXPECT_EQ(GetWindowLongA(b, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
            expecty += 35;
        }
        char label[128];
        GetDlgItemTextA(d, 506, label, sizeof label);
        EXPECT_EQ(std::string(label).rfind("Version 2.0a (patch 59)", 0), 0u) << label;
        RedrawWindow(d, NULL, NULL, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        sbtest::Capture shot = sbtest::CaptureClient(d);
        EXPECT_EQ(shot.At(10, 100), RGB(32, 64, 102)) << "row 100 of the about picture's ramp";
        EXPECT_EQ(shot.At(600, 300), RGB(48, 110, 140)) << "the panel behind the buttons";
        Click(d, 508); // the hot spot opens the hidden screen
        Click(d, IDOK);
    });
    rec.Answer(1);
    EXPECT_EQ(DoAbout(NULL), 1);
    ASSERT_EQ(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls[1].name, "#5005");
    EXPECT_GT(drawncalls, 0);

    devicebits = 8;
    rec.Drive([](HWND d) {
        EXPECT_EQ(GetWindowLongA(GetDlgItem(d, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        Click(d, IDOK);
    });
    EXPECT_EQ(DoAbout(NULL), 1);
}

// The columns where two captures differ inside a rectangle, as [first, last).
std::pair<int, int> Differing(const sbtest::Capture &a, const sbtest::Capture &b, const RECT &r)
{
    int first = -1, last = -1;
    for (int x = r.left; x < r.right; x++)
        for (int y = r.top; y < r.bottom; y++)
            if (a.At(x, y) != b.At(x, y)) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last + 1};
}

// How wide a line's ink is when nothing cuts it: the label as the box draws
// it, the notice in its own font.
int InkWidth(HWND line)
{
    char text[256] = "";
    GetWindowTextA(line, text, sizeof text);
    sbtest::MemoryDC canvas(1000, 40);
    RECT all{0, 0, 1000, 40};
    FillRect(canvas.dc, &all, (HBRUSH)GetStockObject(GRAY_BRUSH));
    sbtest::Capture blank = canvas.Grab();
    RECT at{20, 0, 980, 40};
    if (const TEXTSTYLE *style = GetDlgCtrlID(line) == 506 ? GetWindowValue<const TEXTSTYLE *>(line, GWLP_USERDATA) : nullptr) {
        COMMONDrawOutlinedText(canvas.dc, text, &at, style);
    } else {
        HGDIOBJ old = SelectObject(canvas.dc, (HFONT)SendMessageA(line, WM_GETFONT, 0, 0));
        DrawTextA(canvas.dc, text, -1, &at, DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(canvas.dc, old);
    }
    auto [first, last] = Differing(canvas.Grab(), blank, all);
    return last - first;
}

// The about box's lines of text show whole, their last letters clear of their
// boxes' edges, as the system draws them.
TEST_F(AboutFixture, EveryLineShowsWhole)
{
    devicebits = 24;
    ModalRecorder rec;
    rec.Drive([](HWND d) {
        for (int id : {1999, 506}) {
            HWND line = GetDlgItem(d, id);
            ASSERT_TRUE(line) << id;
            RECT r;
            GetWindowRect(line, &r);
            MapWindowPoints(NULL, d, (POINT *)&r, 2);
            ShowWindow(line, SW_HIDE);
            RedrawWindow(d, NULL, NULL, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            sbtest::Capture without = sbtest::CaptureClient(d);
            ShowWindow(line, SW_SHOW);
            RedrawWindow(d, NULL, NULL, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            sbtest::Capture with = sbtest::CaptureClient(d);
            if (id == 1999)
                Snapshot(with, "about");
            auto [first, last] = Differing(with, without, r);
            char text[256] = "";
            GetWindowTextA(line, text, sizeof text);
            EXPECT_GT(first, r.left) << text;
            // A pixel either way for the colours the letters' edges take.
            EXPECT_GE(last - first, InkWidth(line) - 1) << text << ": cut at the edge";
        }
        Click(d, IDOK);
    });
    EXPECT_EQ(DoAbout(NULL), 1);
}

TEST(About, ChildrenMoveBySignedOffsetsAndGrandchildrenStay)
{
    HWND w = sbtest::CreateTestWindow(false, 300, 200);
    HWND child = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 50, 40, 100, 80, w, NULL, hInst, NULL);
    HWND grandchild = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 5, 6, 10, 10, child, NULL, hInst, NULL);
    OffsetAllChildWindows(w, -20, 7);
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(NULL, w, (POINT *)&r, 2);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 47);
    GetWindowRect(grandchild, &r);
    MapWindowPoints(NULL, child, (POINT *)&r, 2);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 6);
    DestroyWindow(w);
}

TEST(About, LogoClosesOnItsTimerOrAClick)
{
    int savedshow = ShowStartupWindow, saveddelay = LogoDelay;
    ShowStartupWindow = 0;
    OpenLogo(NULL);
    EXPECT_EQ(COMMONLogoWindow(), nullptr);
    ShowStartupWindow = 1;
    LogoDelay = 30;
    OpenLogo(NULL);
    HWND logo = COMMONLogoWindow();
    ASSERT_TRUE(logo);
    EXPECT_STREQ(szLogoClassName, "ShowbinderProfessionalStartupScreen");
    RECT r;
    GetWindowRect(logo, &r);
    EXPECT_EQ(r.right - r.left, 400 + 2 + 2 * GetSystemMetrics(SM_CXBORDER));
    EXPECT_TRUE(sbtest::PumpUntil([] { return COMMONLogoWindow() == nullptr; })) << "the logo's timer closing it";
    LogoDelay = 60000;
    OpenLogo(NULL);
    ASSERT_TRUE(COMMONLogoWindow());
    SendMessageA(COMMONLogoWindow(), WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(COMMONLogoWindow(), nullptr);
    ShowStartupWindow = savedshow;
    LogoDelay = saveddelay;
}

// Plug-ins built beside the tests, copied into a "theme" folder of a
// program folder of the test's own.
struct ThemeFixture : ::testing::Test {
    // Selects item `index` of the chooser's list (-1: none) as a click does.
    static void Choose(HWND d, int index)
    {
        SendDlgItemMessageA(d, 101, LB_SETCURSEL, (WPARAM)index, 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(101, LBN_SELCHANGE), (LPARAM)GetDlgItem(d, 101));
    }
    char savedapp[SETTINGTEXT];
    std::string root;
    void SetUp() override
    {
        strcpy(savedapp, ApplicationPath);
        char module[MAX_PATH], temp[MAX_PATH];
        GetModuleFileNameA(NULL, module, sizeof module);
        *strrchr(module, '\\') = 0;
        GetTempPathA(sizeof temp, temp);
        root = std::string(temp) + "sbtheme" + std::to_string(GetTickCount());
        CreateDirectoryA(root.c_str(), NULL);
        CreateDirectoryA((root + "\\theme").c_str(), NULL);
        for (const char *kind : {"Full", "NoBitmap", "Refuse"}) {
            std::string name = std::string("\\THEME_") + kind + ".dll";
            ASSERT_TRUE(CopyFileA((module + name).c_str(), (root + "\\theme" + name).c_str(), FALSE)) << name;
        }
        strcpy(ApplicationPath, root.c_str());
        SetEnvironmentVariableA("THEMELOG", "");
    }
    void TearDown() override
    {
        COMMONTHEMEDeInit();
        strcpy(ApplicationPath, savedapp);
        std::string cmd = "cmd /c rd /s /q \"" + root + "\" >nul 2>nul";
        system(cmd.c_str());
    }
    static std::string Log()
    {
        char log[2048] = "";
        GetEnvironmentVariableA("THEMELOG", log, sizeof log);
        SetEnvironmentVariableA("THEMELOG", "");
        return log;
    }
};

TEST_F(ThemeFixture, CompletePluginServesEveryCall)
{
    ASSERT_EQ(COMMONTHEMEInit(8, 2, 0, 59, "THEME_Full.dll"), 1);
    EXPECT_EQ(Log(), "support(8) init(8,2,0,59) ");
    EXPECT_EQ(COMMONTHEMEGetMetric(11), 1107);
    HDC dc = CreateCompatibleDC(NULL);
    RECT r{0, 0, 10, 10};
    EXPECT_EQ(COMMONTHEMEDrawButton(NULL, dc, &r, 3, 1), 7);
    EXPECT_EQ(COMMONTHEMEDrawTool(NULL, dc, &r, 2, 2), 7);
    EXPECT_EQ(COMMONTHEMEDrawToolbarBackground(NULL, dc), 5);
    DeleteDC(dc);
    HGLOBAL preview = COMMONTHEMEGetBitmap(0);
    EXPECT_TRUE(preview);
    GlobalFree(preview);
    EXPECT_EQ(Log(), "button(3,1) tool(2,2) background bitmap ");
    COMMONTHEMEDeInit();
    EXPECT_EQ(Log(), "deinit ");
    EXPECT_FALSE(COMMONTHEMEActive());
    EXPECT_EQ(COMMONTHEMEGetMetric(11), -1);
}

TEST_F(ThemeFixture, FailingPluginsLeaveTheBuiltInLook)
{
    struct {
        const char *file;
        bool message;
        const char *log;
    } cases[] = {
        {"THEME_NoBitmap.dll", true, "support(8) init(8,2,0,59) deinit "}, // it started, so it is stopped
        {"THEME_Refuse.dll", true, "support(8) init(8,2,0,59) "},          // it never started
        {"THEME_Missing.dll", false, ""},
    };
    for (auto &c : cases) {
        ModalRecorder rec(IDOK);
        EXPECT_EQ(COMMONTHEMEInit(8, 2, 0, 59, c.file), 0) << c.file;
        EXPECT_EQ(rec.calls.size(), c.message ? 1u : 0u) << c.file;
        if (c.message) {
            EXPECT_NE(rec.calls[0].text.find("The default theme will be used."), std::string::npos);
        }
        EXPECT_EQ(Log(), c.log) << c.file;
        EXPECT_FALSE(COMMONTHEMEActive());
        EXPECT_EQ(GetModuleHandleA(c.file), nullptr) << "unloaded";
        struct {
            int index, value;
        } metrics[] = {{1, 34}, {2, 25}, {5, 6}, {11, -1}, {16, 12}, {17, -1}, {-1, -1}};
        for (auto &m : metrics)
            EXPECT_EQ(COMMONTHEMEGetMetric(m.index), m.value) << m.index;
    }
    EXPECT_EQ(COMMONTHEMEGetBitmap(0), nullptr);
}

TEST_F(ThemeFixture, ProgramFolderIsKnownBeforeTheSearch)
{
    ApplicationPath[0] = 0;
    EXPECT_EQ(COMMONTHEMEInit(8, 2, 0, 59, "THEME_None.dll"), 0);
    char module[MAX_PATH];
    GetModuleFileNameA(NULL, module, sizeof module);
    *(strrchr(module, '\\') + 1) = 0;
    EXPECT_STREQ(ApplicationPath, module);
}

TEST_F(ThemeFixture, BuiltInButtonDrawsTheGlyphThroughItsMask)
{
    sbtest::MemoryDC canvas(40, 40);
    HDC dc = canvas.dc;
    RECT r{0, 0, 40, 40};
    EXPECT_EQ(COMMONTHEMEDrawButton(NULL, dc, &r, 0, 0), 1);
    sbtest::Capture c = canvas.Grab();
    // Glyph 0 of the large strip, a list with every row selected: navy from
    // 5 to 19 in its cell of 24 on the rows of the first item, drawn one
    // pixel in.
    EXPECT_EQ(c.At(13, 7), RGB(0, 0, 128));
    EXPECT_NE(c.At(2, 30), RGB(0, 0, 128));
    EXPECT_NE(c.At(13, 23), RGB(0, 0, 0)) << "the mask's row is not the spare one";
    RECT t{0, 0, 30, 30};
    EXPECT_EQ(COMMONTHEMEDrawTool(NULL, dc, &t, 1, 1), 1);
}

// The pictures of the toolbar's ten buttons: each its own, in colour when
// enabled, in the shadow and highlight colours of the face when greyed.
TEST_F(ThemeFixture, ToolbarPicturesDifferAndGreyWhenDisabled)
{
    sbtest::MemoryDC canvas(25, 25);
    auto draw = [&](int glyph, int flags) {
        RECT r{0, 0, 25, 25};
        EXPECT_EQ(COMMONTHEMEDrawButton(NULL, canvas.dc, &r, glyph, flags), 1);
        return canvas.Grab().pixels;
    };
    // Glyph 3 has no drawing: the bare face.
    const std::vector<uint32_t> face = draw(3, 0), greyface = draw(3, 4);
    auto rgb = [](COLORREF c) { return (uint32_t)(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)); };
    const uint32_t shadow = rgb(GetSysColor(COLOR_BTNSHADOW)), light = rgb(GetSysColor(COLOR_BTNHIGHLIGHT));
    std::vector<std::vector<uint32_t>> seen;
    for (int glyph : {8, 7, 6, 10, 11, 0, 1, 4, 2, 5}) {
        SCOPED_TRACE(glyph);
        std::vector<uint32_t> on = draw(glyph, 0), off = draw(glyph, 4);
        int drawn = 0, dark = 0, lit = 0, stray = 0;
        for (size_t i = 0; i < on.size(); i++) {
            drawn += on[i] != face[i];
            if (off[i] != greyface[i])
                (off[i] == shadow ? dark : off[i] == light ? lit : stray)++;
        }
        EXPECT_GT(drawn, 60);
        // Engraved: the shadow with its highlight beside it.
        EXPECT_GT(dark, 30);
        EXPECT_GT(lit, 10);
        EXPECT_EQ(stray, 0);
        for (const auto &other : seen)
            EXPECT_NE(on, other);
        seen.push_back(on);
    }
}

// OK takes a selected plug-in and Configure acts on its own settings: both
// are grey with nothing selected and with an empty list, Configure also for
// a plug-in that has none. An empty list says why in its place.
TEST_F(ThemeFixture, ConfigureIsEnabledOnlyForASelectedPluginWithSettings)
{
    char name[SETTINGTEXT] = "THEME_Full.dll";
    auto configurable = [](HWND d) { return IsWindowEnabled(GetDlgItem(d, 102)) != 0; };
    auto choosable = [](HWND d) { return IsWindowEnabled(GetDlgItem(d, IDOK)) != 0; };
    ModalRecorder rec;
    rec.Drive([&](HWND d) {
        EXPECT_TRUE(configurable(d)) << "the current one, selected at the start";
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, 103))) << "no note beside a list";
        Snapshot(d, "themechooser");
        const struct {
            const char *file;
            bool want;
        } picks[] = {{"THEME_NoBitmap.dll", false}, {"THEME_Refuse.dll", true}, {nullptr, false}};
        for (const auto &pick : picks) {
            HWND list = GetDlgItem(d, 101);
            Choose(d, pick.file ? (int)SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)pick.file) : -1);
            EXPECT_EQ(configurable(d), pick.want) << (pick.file ? pick.file : "nothing");
            EXPECT_EQ(choosable(d), pick.file != nullptr) << (pick.file ? pick.file : "nothing");
        }
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(COMMONThemeChooseTheme(NULL, name), 0);
    // A program folder without plug-ins, and settings that name one.
    strcpy(ApplicationPath, (root + "\\theme").c_str());
    rec.Drive([&](HWND d) {
        EXPECT_EQ(SendDlgItemMessageA(d, 101, LB_GETCOUNT, 0, 0), 0);
        EXPECT_FALSE(configurable(d)) << "an empty list";
        EXPECT_FALSE(choosable(d)) << "an empty list";
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, 101)));
        ASSERT_TRUE(IsWindowVisible(GetDlgItem(d, 103))) << "the list's place says why it is empty";
        char note[1024] = "";
        GetDlgItemTextA(d, 103, note, sizeof note);
        EXPECT_NE(strstr(note, "No theme is installed"), nullptr) << note;
        EXPECT_NE(strstr(note, (root + "\\theme\\theme").c_str()), nullptr) << note;
        EXPECT_NE(strstr(note, "THEME_Full.dll, which is not there"), nullptr) << note;
        Snapshot(d, "themechooser_empty");
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(COMMONThemeChooseTheme(NULL, name), 0);
    EXPECT_EQ(Log().find("configure"), std::string::npos);
}

TEST_F(ThemeFixture, ChooserListsPluginsAndCopiesTheChoice)
{
    ASSERT_EQ(COMMONTHEMEInit(8, 2, 0, 59, "THEME_Full.dll"), 1);
    char label[64];
    COMMONThemeLabel("THEME_Contemporary.dll", label, sizeof label);
    EXPECT_STREQ(label, "Contemporary");
    COMMONThemeLabel("THEME__Two_Parts.dll", label, sizeof label);
    EXPECT_STREQ(label, "Two_Parts");
    COMMONThemeLabel("plain.dll", label, sizeof label);
    EXPECT_STREQ(label, "plain.dll");

    char name[SETTINGTEXT] = "THEME_Full.dll";
    ModalRecorder rec;
    rec.Drive([](HWND d) {
        HWND list = GetDlgItem(d, 101);
        EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 255) << "a 300-pixel preview is clamped";
        char text[64];
        SendMessageA(list, LB_GETTEXT, SendMessageA(list, LB_GETCURSEL, 0, 0), (LPARAM)text);
        EXPECT_STREQ(text, "THEME_Full.dll");
        int refuse = (int)SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "THEME_Refuse.dll");
        EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, refuse, 0), 0) << "no preview from a refusing plug-in";
        Choose(d, refuse);
        Click(d, 102);
        Click(d, IDOK);
    });
    rec.Answer(IDOK);
    EXPECT_EQ(COMMONThemeChooseTheme(NULL, name), 1);
    EXPECT_STREQ(name, "THEME_Refuse.dll");
    ASSERT_EQ(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls[1].text, "You must restart this application for your new theme to become active.");
    EXPECT_NE(Log().find("configure(8)"), std::string::npos);

    // Nothing selected: OK, were it taken, leaves the name alone and asks
    // for no restart.
    rec.Drive([](HWND d) {
        SendDlgItemMessageA(d, 101, LB_SETCURSEL, (WPARAM)-1, 0);
        SendMessageA(d, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(COMMONThemeChooseTheme(NULL, name), 0);
    EXPECT_STREQ(name, "THEME_Refuse.dll");
    EXPECT_EQ(rec.calls.size(), 3u);
}

// The recorder's guard ends a driver that never returns, here one held in a
// box it opened whose own driver leaves it open, with a failure of the test
// once the bound has passed; the boxes end and the test goes on.
TEST(ModalRecorderGuard, AStuckDriverFailsItsTestAndItsBoxesEnd)
{
    DWORD bound = sbtest::SetDriverBound(2000);
    ModalRecorder rec;
    static int inner, outer;
    inner = outer = 0;
    EXPECT_NONFATAL_FAILURE(
        {
            rec.Drive([&rec](HWND box) {
                rec.Drive([](HWND) {});
                inner = COMMONMessageBox(box, "inner", "guard", MB_OK);
            });
            outer = COMMONMessageBox(NULL, "outer", "guard", MB_OK);
        },
        "a dialog driver did not return within 2 s");
    sbtest::SetDriverBound(bound);
    EXPECT_EQ(inner, -2);
    EXPECT_EQ(outer, -2);
    EXPECT_EQ(rec.calls.size(), 2u);
}

} // namespace
