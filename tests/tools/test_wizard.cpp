// The wizard as a user meets it: its sheet driven page by page through the
// property sheet's messages, the miniature sample by its pixels, the larger
// preview, and the album it builds saved, reloaded and played.
#include "tests/tools/wizardfixture.h"
#include "common/modal.h"
#include "common/services.h"
#include "document/reader.h"
#include "document/writer.h"
#include "tests/support/drive.h"
#include "resources/wizard_ids.h"
#include <commctrl.h>
#include <commdlg.h>
#include <cstdlib>

using namespace wizardtest;

namespace {

// The wizard buttons of the sheet.
constexpr int BACK = 0x3023, NEXT = 0x3024, FINISH = 0x3025;

bool Enabled(HWND sheet, int id)
{
    HWND b = GetDlgItem(sheet, id);
    return b && IsWindowVisible(b) && IsWindowEnabled(b);
}

HWND Page(HWND sheet) { return (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0); }

void Press(HWND sheet, int button)
{
    SendMessageA(sheet, PSM_PRESSBUTTON, (WPARAM)button, 0);
    sbtest::PumpUntilIdle();
}

void Choose(HWND page, int id, int row)
{
    SendDlgItemMessageA(page, id, LB_SETCURSEL, (WPARAM)row, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), (LPARAM)GetDlgItem(page, id));
    sbtest::PumpUntilIdle();
}

// With SB_WIZARD_SHOTS naming a folder, every page is kept there as a picture.
void Shot(HWND window, const char *name)
{
    const char *folder = getenv("SB_WIZARD_SHOTS");
    if (!folder)
        return;
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    sbtest::PumpUntilIdle();
    sbtest::Capture c = sbtest::CaptureClient(window);
    char rgb[768] = {};
    NewDib dib(CreateDib(c.width, c.height, rgb, 24));
    for (int y = 0; y < c.height; y++)
        for (int x = 0; x < c.width; x++)
            WritePixel(dib.Row(y), x, 24, c.At(x, y));
    HGLOBAL h = dib.Release();
    WriteImage((std::string(folder) + "\\" + name + ".bmp").c_str(), h);
    GlobalFree(h);
}

std::vector<std::string> Items(HWND list)
{
    std::vector<std::string> out;
    int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        char text[MAX_PATH] = "";
        SendMessageA(list, LB_GETTEXT, (WPARAM)i, (LPARAM)text);
        out.push_back(text);
    }
    return out;
}

// Presses the left button on one item of the list, moves to another and lets go.
void DragItem(HWND list, int from, int to, bool shift = false)
{
    RECT a, b;
    SendMessageA(list, LB_GETITEMRECT, (WPARAM)from, (LPARAM)&a);
    SendMessageA(list, LB_GETITEMRECT, (WPARAM)(to < 0 ? 0 : to), (LPARAM)&b);
    if (to < 0) { // below the last item
        RECT client;
        GetClientRect(list, &client);
        b.top = b.bottom = client.bottom - 2;
    }
    LPARAM start = MAKELPARAM(a.left + 5, (a.top + a.bottom) / 2), end = MAKELPARAM(b.left + 5, (b.top + b.bottom) / 2);
    WPARAM keys = MK_LBUTTON | (shift ? MK_SHIFT : 0);
    SendMessageA(list, WM_LBUTTONDOWN, keys, start);
    SendMessageA(list, WM_MOUSEMOVE, keys, end);
    SendMessageA(list, WM_LBUTTONUP, shift ? MK_SHIFT : 0, end);
    sbtest::PumpUntilIdle();
}

// Answers the picture open dialogs with `chosen` (the dialog's own form),
// and hands every other modal call on to the recorder.
std::string chosen;
MODALHOOK recorder;
INT_PTR FileDialogs(const MODALCALL *call)
{
    if (call->kind == MODAL_COMMONDIALOG && call->data && !chosen.empty()) {
        auto *ofn = (OPENFILENAMEA *)call->data;
        memcpy(ofn->lpstrFile, chosen.data(), chosen.size());
        return 1;
    }
    return recorder(call);
}

sbtest::Capture DrawSample(const WIZARDPARAM &w, int kind, int width, int height)
{
    HDC screen = GetDC(NULL);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(mem, bitmap);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = IDC_WIZARDSAMPLE;
    item.hDC = mem;
    item.rcItem = {0, 0, width, height};
    EXPECT_EQ(WizardDrawSamplePage(NULL, &item, &w, kind), 1);
    sbtest::Capture c = sbtest::CaptureDC(mem, width, height);
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    return c;
}

} // namespace

TEST_F(Frame, TheSampleFollowsTheChoices)
{
    const int width = 400, height = 330; // 720 by 560: the page is 384 by 295 inside the control
    const RECT S = {8, 25, 392, 305};
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    wizard.coverstyle = 0;
    sbtest::Capture cover = DrawSample(wizard, 1, width, height);
    // Style 0: only the page colour and, at the bottom right, the four buttons.
    RECT others = {width, height, 0, 0};
    int buttonface = 0;
    for (int y = S.top + 2; y < S.bottom - 2; y++)
        for (int x = S.left + 2; x < S.right - 2; x++) {
            COLORREF c = cover.At(x, y);
            buttonface += c == face;
            if (c != wizardcolorscheme[3].background) {
                others.left = std::min(others.left, (LONG)x), others.top = std::min(others.top, (LONG)y);
                others.right = std::max(others.right, (LONG)x), others.bottom = std::max(others.bottom, (LONG)y);
            }
        }
    EXPECT_GT(others.left, S.left + (S.right - S.left) * 4 / 10);
    EXPECT_GT(others.top, S.top + (S.bottom - S.top) * 85 / 100);
    EXPECT_GT(others.right, S.right - (S.right - S.left) / 10);
    EXPECT_GT(buttonface, 4 * 30);
    EXPECT_EQ(cover.At(2, 2), face);
    EXPECT_EQ(cover.At(0, 100), RGB(0, 0, 0)); // the control's frame

    // The caption band of a picture page, for every style: "Tiger" while no
    // preview is loaded, else the preview's file name.
    auto band = [&](const sbtest::Capture &c) {
        std::vector<uint32_t> out;
        for (int y = S.top + 1; y < S.top + 22; y++)
            for (int x = S.left + 1; x < S.right - 1; x++)
                out.push_back(c.At(x, y));
        return out;
    };
    auto textpixels = [&](const std::vector<uint32_t> &pixels) {
        COLORREF t = wizardcolorscheme[3].text;
        int n = 0;
        for (uint32_t p : pixels)
            n += abs(GetRValue(p) - GetRValue(t)) < 40 && abs(GetGValue(p) - GetGValue(t)) < 40;
        return n;
    };
    for (int style = 0; style < 3; style++) {
        SCOPED_TRACE(style);
        wizard.insidestyle = style;
        std::vector<uint32_t> tiger = band(DrawSample(wizard, 2, width, height));
        EXPECT_GT(textpixels(tiger), 20);
        wizard.previewpicture = DuplicateObject(wizard.insidesample);
        strcpy(wizard.previewpath, "C:\\album\\Tiger.jpg");
        EXPECT_EQ(band(DrawSample(wizard, 2, width, height)), tiger);
        strcpy(wizard.previewpath, "C:\\album\\Zebra.jpg");
        EXPECT_NE(band(DrawSample(wizard, 2, width, height)), tiger);
        GlobalFree(wizard.previewpicture);
        wizard.previewpicture = NULL;
    }
    DRAWITEMSTRUCT other{};
    other.CtlID = 101;
    EXPECT_EQ(WizardDrawSamplePage(NULL, &other, &wizard, 1), 0);
    for (int length : {0, -5})
        EXPECT_EQ(WizardAdjustSampleValue(&wizard, &S, length), 1);
}

TEST_F(Frame, DrivenPageByPageItBuildsTheAlbumAndKeepsTheSettings)
{
    std::string a = MakePicture("a.png", 400, 300), b = MakePicture("b.bmp", 300, 400, 40);
    std::string folder = Folder();
    folder.pop_back();
    chosen = folder + '\0' + "b.bmp" + '\0' + "a.png" + '\0' + '\0';
    sbtest::ModalRecorder rec;
    recorder = COMMONSetModalHook(FileDialogs);
    int coverresize = WizardTitleResize, insideaspect = WizardInsidePreserveAspect;
    rec.Drive([&](HWND sheet) {
        sbtest::PumpUntilIdle();
        char caption[64] = "";
        GetWindowTextA(sheet, caption, sizeof caption);
        EXPECT_STREQ(caption, "Introduction"); // the sheet shows each page's title
        EXPECT_FALSE(Enabled(sheet, BACK));
        EXPECT_TRUE(Enabled(sheet, NEXT));
        Shot(sheet, "page1");
        Press(sheet, PSBTN_NEXT);
        Choose(Page(sheet), IDC_WIZSCHEMELIST, 6);
        EXPECT_TRUE(Enabled(sheet, BACK));
        Shot(sheet, "page2");
        Press(sheet, PSBTN_NEXT);
        Choose(Page(sheet), IDC_WIZSIZELIST, 2);
        Shot(sheet, "page3");
        Press(sheet, PSBTN_NEXT);
        HWND page = Page(sheet);
        Choose(page, IDC_WIZCOVERLIST, 3);
        SendDlgItemMessageA(page, IDC_WIZCOVERTEXT, EM_SETSEL, 0, -1); // typed over
        SendDlgItemMessageA(page, IDC_WIZCOVERTEXT, EM_REPLACESEL, TRUE, (LPARAM) "Summer\r\nholidays");
        SetDlgItemTextA(page, IDC_WIZTIME, "5");
        sbtest::Click(page, IDC_WIZRESIZE);
        SetDlgItemTextA(page, IDC_WIZFRAME, "7");
        Shot(sheet, "page4");
        Press(sheet, PSBTN_NEXT);
        page = Page(sheet);
        Choose(page, IDC_WIZINSIDELIST, 2);
        SetDlgItemTextA(page, IDC_WIZTIME, "3");
        Shot(sheet, "page5");
        Press(sheet, PSBTN_NEXT);
        page = Page(sheet);
        HWND list = GetDlgItem(page, IDC_WIZPICTURELIST);
        EXPECT_FALSE(Enabled(sheet, NEXT));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_WIZDELETE)));
        sbtest::Click(page, IDC_WIZSELECTPICTURE);
        sbtest::PumpUntilIdle();
        // Added in name order, whatever order the dialog gave.
        EXPECT_EQ(Items(list), (std::vector<std::string>{a, b}));
        EXPECT_TRUE(Enabled(sheet, NEXT));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_WIZDELETE)));
        Shot(sheet, "page6");
        DragItem(list, 0, 0); // onto itself: nothing changes
        EXPECT_EQ(Items(list), (std::vector<std::string>{a, b}));
        DragItem(list, 1, 0); // above its old place
        EXPECT_EQ(Items(list), (std::vector<std::string>{b, a}));
        DragItem(list, 0, -1, true); // a copy at the end
        EXPECT_EQ(Items(list), (std::vector<std::string>{b, a, b}));
        SendMessageA(list, LB_SETCURSEL, 2, 0);
        sbtest::Click(page, IDC_WIZDELETE);
        EXPECT_EQ(Items(list), (std::vector<std::string>{b, a}));
        sbtest::Click(page, IDC_WIZPRESERVE);
        SetDlgItemTextA(page, IDC_WIZFRAME, "4");
        Press(sheet, PSBTN_NEXT);
        EXPECT_TRUE(Enabled(sheet, FINISH));
        Shot(sheet, "page7");
        Press(sheet, PSBTN_FINISH);
    });
    EXPECT_EQ(DoPhotoAlbumWizard(frame), 1);
    COMMONSetModalHook(recorder);
    chosen.clear();
    EXPECT_EQ(WizardDefaultColourscheme, 6);
    EXPECT_EQ(WizardDefaultDimensions, 2);
    EXPECT_EQ(WizardDefaultCoverStyle, 3);
    EXPECT_EQ(WizardDefaultInsideStyle, 2);
    // How the cover and the inside pictures fit is each page's own.
    EXPECT_EQ(WizardTitleResize, !coverresize);
    EXPECT_EQ(WizardTitleFrameSize, 7);
    EXPECT_EQ(WizardInsidePreserveAspect, !insideaspect);
    EXPECT_EQ(WizardInsideFrameSize, 4);
    EXPECT_EQ(WizardCoverTextWeight, 700);

    std::vector<HWND> docs = Documents();
    ASSERT_EQ(docs.size(), 1u);
    HWND doc = docs[0];
    EXPECT_EQ(Titles(doc), "H Cover Page 1 Page 2");
    BLOCK cover = Block(doc, 1), first = Block(doc, 2);
    std::vector<Object> c = Objects(cover), p = Objects(first);
    ASSERT_EQ(Tags(c), "tIme FRAm sTAt TEXT BUTN BUTN BUTN BUTN");
    EXPECT_EQ(c[0].As<OBJECTTIMER>().delay, 5u);
    EXPECT_EQ(c[3].Text(), "Summer\r\nholidays");
    ASSERT_EQ(Tags(p), "tIme FRAm sTAt TEXT BUTN BUTN BUTN BUTN");
    EXPECT_EQ(p[0].As<OBJECTTIMER>().delay, 3u);
    EXPECT_EQ(p[3].Text(), "b");

    // Saved, read back the same, and played by the player.
    std::string path = Folder() + "album.exe";
    BLOCKSET *set = LockBlockSet(doc);
    ASSERT_EQ(WriteExeFile(List(doc), set, path.c_str()), 1);
    UnlockBlockSet(doc);
    HWND again = CreateNewTask(frame, path.c_str(), 0);
    set = LockBlockSet(again);
    ASSERT_EQ(LoadExeFile(List(again), set, path.c_str()), 1);
    UnlockBlockSet(again);
    EXPECT_EQ(Titles(again), "H Cover Page 1 Page 2");
    for (int i = 1; i < 4; i++) {
        BLOCK x = Block(doc, i), y = Block(again, i);
        EXPECT_EQ(Tags(Objects(x)), Tags(Objects(y)));
    }
    PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD) {
        RECT r;
        GetClientRect(show, &r);
        EXPECT_EQ(r.right, 720);
        EXPECT_EQ(r.bottom, 560);
        EXPECT_TRUE(WaitFor([&] { return ScreenPixel(show, 3, 300) == wizardcolorscheme[6].background; }));
    });
    EXPECT_TRUE(out.shown);
    EXPECT_TRUE(out.messages.empty());
    DeleteFileA(path.c_str());
}

TEST_F(Frame, CancelKeepsEverySettingAndMakesNoDocument)
{
    sbtest::ModalRecorder rec;
    rec.Drive([&](HWND sheet) {
        sbtest::PumpUntilIdle();
        for (int i = 0; i < 3; i++)
            Press(sheet, PSBTN_NEXT);
        Choose(Page(sheet), IDC_WIZCOVERLIST, 0);
        Press(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(DoPhotoAlbumWizard(frame), 0);
    EXPECT_EQ(WizardDefaultCoverStyle, 3);
    EXPECT_TRUE(Documents().empty());
}

// Every setting the wizard keeps, each opened from its own setting and
// stored back to it alone: the values all differ, so a field stored from its
// neighbour shows. Weights other than bold store as normal.
TEST(WizardRecord, FinishStoresEverySettingFromItsOwnField)
{
    const struct Row {
        const char *name;
        int *setting;
        int WIZARDPARAM::*field;
        int opened, chosen, stored;
    } rows[] = {
        {"colour scheme", &WizardDefaultColourscheme, &WIZARDPARAM::colourscheme, 1, 2, 2},
        {"dimensions", &WizardDefaultDimensions, &WIZARDPARAM::dimensions, 3, 4, 4},
        {"cover style", &WizardDefaultCoverStyle, &WIZARDPARAM::coverstyle, 5, 6, 6},
        {"cover text size", &WizardCoverTextSize, &WIZARDPARAM::covertextsize, 7, 8, 8},
        {"cover text weight", &WizardCoverTextWeight, &WIZARDPARAM::covertextweight, 700, 600, 400},
        {"cover text italic", &WizardCoverTextItal, &WIZARDPARAM::covertextital, 0, 1, 1},
        {"cover resize", &WizardTitleResize, &WIZARDPARAM::coverresize, 1, 0, 0},
        {"cover aspect", &WizardTitlePreserveAspect, &WIZARDPARAM::coverpreserveaspect, 0, 1, 1},
        {"cover frame size", &WizardTitleFrameSize, &WIZARDPARAM::coverframesize, 9, 10, 10},
        {"inside style", &WizardDefaultInsideStyle, &WIZARDPARAM::insidestyle, 11, 12, 12},
        {"inside text size", &WizardInsideTextSize, &WIZARDPARAM::insidetextsize, 13, 14, 14},
        {"inside text weight", &WizardInsideTextWeight, &WIZARDPARAM::insidetextweight, 400, 700, 700},
        {"inside text italic", &WizardInsideTextItal, &WIZARDPARAM::insidetextital, 1, 0, 0},
        {"inside resize", &WizardInsideResize, &WIZARDPARAM::insideresize, 0, 1, 1},
        {"inside aspect", &WizardInsidePreserveAspect, &WIZARDPARAM::insidepreserveaspect, 1, 0, 0},
        {"inside frame size", &WizardInsideFrameSize, &WIZARDPARAM::insideframesize, 15, 16, 16},
    };
    struct Face {
        const char *name;
        char *setting;
        char (WIZARDPARAM::*field)[33];
        const char *opened, *chosen;
    } faces[] = {
        {"cover face", WizardCoverFontName, &WIZARDPARAM::coverfontname,
         "A face whose name is far longer than thirty-two characters", "Cover face"},
        {"inside face", WizardInsideFontName, &WIZARDPARAM::insidefontname, "Inside face", "Other inside face"},
    };
    std::vector<int> kept;
    std::vector<std::string> keptfaces;
    for (const Row &r : rows)
        kept.push_back(*r.setting), *r.setting = r.opened;
    for (const Face &f : faces)
        keptfaces.push_back(f.setting), snprintf(f.setting, SETTINGTEXT, "%s", f.opened);

    WIZARDPARAM w;
    WizardOpenRecord(&w);
    EXPECT_STREQ(w.covertext, "My Photograph Album");
    EXPECT_EQ(w.covertime, 0);
    for (const Row &r : rows) {
        EXPECT_EQ(w.*r.field, r.opened) << r.name;
        w.*r.field = r.chosen;
    }
    for (const Face &f : faces) {
        EXPECT_EQ(std::string(w.*f.field), std::string(f.opened).substr(0, 32)) << f.name;
        snprintf(w.*f.field, sizeof(w.*f.field), "%s", f.chosen);
    }
    WizardStoreSettings(&w);
    for (const Row &r : rows)
        EXPECT_EQ(*r.setting, r.stored) << r.name;
    for (const Face &f : faces)
        EXPECT_STREQ(f.setting, f.chosen) << f.name;
    WizardCloseRecord(&w);
    EXPECT_EQ(w.coverpicture, (HGLOBAL)NULL);

    for (size_t i = 0; i < std::size(rows); i++)
        *rows[i].setting = kept[i];
    for (size_t i = 0; i < std::size(faces); i++)
        snprintf(faces[i].setting, SETTINGTEXT, "%s", keptfaces[i].c_str());
}

TEST_F(Frame, ThePreviewShowsThePictureAndItsColours)
{
    char line[128];
    WizardPreviewLine(400, 300, 24, line, sizeof line);
    EXPECT_STREQ(line, "WIDTH: 400 DEPTH: 300 COLOURS: 16,777,216");
    std::string path = MakePicture("preview.bmp", 400, 300);
    sbtest::ModalRecorder rec;
    rec.Drive([&](HWND dlg) {
        RECT r;
        GetClientRect(dlg, &r);
        EXPECT_EQ(r.right, 260);
        EXPECT_EQ(r.bottom, 260);
        // The picture (blue 200) drawn in the middle once it is loaded.
        EXPECT_TRUE(WaitFor([&] {
            sbtest::PumpUntilIdle();
            return GetBValue(sbtest::CaptureClient(dlg).At(130, 117)) > 180;
        }));
        Shot(dlg, "preview");
        SendMessageA(dlg, WM_RBUTTONUP, 0, 0);
        sbtest::PumpUntilIdle();
    });
    EXPECT_EQ(WizardImagePreview(frame, path.c_str()), 1);
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].name, "WizardImagePreviewBox");
}
