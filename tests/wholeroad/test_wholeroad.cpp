// A presentation made from nothing the way a person makes one: the whole
// editor started with the editors and tools the program links in, every
// step a menu command, a popup menu choice or a control of a real dialog,
// the result saved as a new program and that program started as a process
// of its own and looked at by its pixels. The second road builds a photo
// album with the wizard and plays it to its last page. Each prints its time.
#include "applet/appletwindow.h"
#include "common/modal.h"
#include "common/paths.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "editor/config.h"
#include "editor/docwindow.h"
#include "editor/editormain.h"
#include "editor/shell.h"
#include "editors/headereditor.h"
#include "editors/pageeditor.h"
#include "media/dib.h"
#include "media/imageformat.h"
#include "resources/editorframe_ids.h"
#include "resources/headereditor_ids.h"
#include "resources/objectdialogs1_ids.h"
#include "resources/objectdialogs2_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/objectdialogs4_ids.h"
#include "resources/pageeditor_ids.h"
#include "resources/animdialog_ids.h"
#include "resources/moviedialog_ids.h"
#include "resources/scripteditor_ids.h"
#include "resources/wizard_ids.h"
#include "tests/support/drive.h"
#include "tests/support/mediafiles.h"
#include "tests/support/editorsupport.h"
#include "tools/scripteditor.h"
#include "tools/wizard.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <commdlg.h>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string &root = sbtest::UserFolders::root; // user folders, pictures, saved programs

// ---- The person at the keyboard ---------------------------------------------
// Every modal request the editor makes is answered by the next step, in the
// order the road makes them; one the road did not expect fails the test.

struct Step {
    std::string what;
    std::function<INT_PTR(const MODALCALL *)> answer;
};
std::deque<Step> steps;

// Dialogs run for real wait, from the innermost out, for their window to
// show; the step's driver then works its controls and closes it.
struct Pending {
    std::set<HWND> before;
    std::function<void(HWND)> driver;
    bool started = false;
};
std::vector<Pending *> pending;

BOOL CALLBACK CollectDialogs(HWND hwnd, LPARAM set)
{
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (strcmp(cls, "#32770") == 0)
        ((std::set<HWND> *)set)->insert(hwnd);
    return TRUE;
}

void CALLBACK LookForDialog(HWND, UINT, UINT_PTR, DWORD)
{
    if (pending.empty() || pending.back()->started)
        return;
    Pending *p = pending.back();
    std::set<HWND> now;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialogs, (LPARAM)&now);
    for (HWND d : now)
        if (!p->before.count(d) && IsWindowVisible(d)) {
            p->started = true;
            p->driver(d);
            // A driver stopped by a failed assertion must not leave its dialog waiting.
            if (testing::Test::HasFatalFailure() && IsWindow(d))
                EndDialog(d, IDCANCEL);
            return;
        }
}

INT_PTR Person(const MODALCALL *call)
{
    std::string asked = call->text ? call->text
                        : call->name && !IS_INTRESOURCE(call->name) ? call->name
                        : call->caption                             ? call->caption
                                                                    : "(unnamed)";
    if (steps.empty()) {
        ADD_FAILURE() << "the road did not expect: " << asked;
        return call->kind == MODAL_MESSAGEBOX ? IDCANCEL : 0;
    }
    Step step = std::move(steps.front());
    steps.pop_front();
    printf("[ road ] %s\n", step.what.c_str());
    fflush(stdout);
    SCOPED_TRACE(step.what);
    return step.answer(call);
}

// A dialog run for real with `driver` at its controls.
Step Drive(const std::string &what, std::function<void(HWND)> driver)
{
    return {what, [driver](const MODALCALL *call) {
                Pending p;
                EnumThreadWindows(GetCurrentThreadId(), CollectDialogs, (LPARAM)&p.before);
                p.driver = driver;
                pending.push_back(&p);
                UINT_PTR timer = SetTimer(NULL, 0, 10, LookForDialog);
                INT_PTR result = COMMONModalForReal(call);
                KillTimer(NULL, timer);
                pending.pop_back();
                EXPECT_TRUE(p.started) << "its dialog never showed";
                return result;
            }};
}

// The item `id` chosen from a popup menu, where it must be and be enabled.
Step Popup(UINT id)
{
    return {"popup item " + std::to_string(id), [id](const MODALCALL *call) -> INT_PTR {
                EXPECT_TRUE(call->kind == MODAL_COMMONDIALOG && call->name && !IS_INTRESOURCE(call->name) &&
                            strcmp(call->name, "TrackPopupMenu") == 0);
                UINT state = GetMenuState((HMENU)call->param, id, MF_BYCOMMAND);
                EXPECT_NE(state, (UINT)-1) << "not in the menu";
                EXPECT_FALSE(state & MF_GRAYED) << "greyed";
                return id;
            }};
}

// A file dialog answered with `file` (for a multiple choice, the folder and
// the names each ended by a zero).
Step File(const std::string &file)
{
    return {"file " + file, [file](const MODALCALL *call) -> INT_PTR {
                EXPECT_EQ(call->kind, MODAL_COMMONDIALOG);
                auto *ofn = (OPENFILENAMEA *)call->data;
                if (!ofn || ofn->nMaxFile < file.size() + 2)
                    return 0;
                memset(ofn->lpstrFile, 0, ofn->nMaxFile);
                memcpy(ofn->lpstrFile, file.data(), file.size());
                return 1;
            }};
}

Step Colour(COLORREF colour)
{
    return {"colour", [colour](const MODALCALL *call) -> INT_PTR {
                EXPECT_EQ(call->kind, MODAL_COMMONDIALOG);
                ((CHOOSECOLORA *)call->data)->rgbResult = colour;
                return 1;
            }};
}

void Expect(std::initializer_list<Step> list)
{
    steps.insert(steps.end(), list.begin(), list.end());
}

// Work waiting for a window of the editor's own loops (the page editor's)
// runs once `ready` holds.
struct Later {
    std::function<bool()> ready;
    std::function<void()> run;
};
std::vector<Later> later;

void CALLBACK RunLater(HWND, UINT, UINT_PTR, DWORD)
{
    for (size_t i = 0; i < later.size(); i++)
        if (later[i].ready()) {
            Later l = std::move(later[i]);
            later.erase(later.begin() + (long)i);
            l.run();
            return;
        }
}

// ---- The editor's windows as a person uses them -----------------------------

bool MenuEnabled(UINT id)
{
    UINT state = GetMenuState(GetMenu(hwndmain), id, MF_BYCOMMAND);
    return state != (UINT)-1 && !(state & MF_GRAYED);
}

// A command of the frame's menu, which must be there and enabled.
void Menu(UINT id)
{
    EXPECT_TRUE(MenuEnabled(id)) << "menu item " << id;
    SendMessageA(hwndmain, WM_COMMAND, id, 0);
    sbtest::PumpUntilIdle();
}

HWND ActiveDocument() { return (HWND)SendMessageA(hwndclient, WM_MDIGETACTIVE, 0, 0); }
HWND BlockList(HWND doc) { return GetDlgItem(doc, IDC_BLOCKLIST); }

int BlockCount(HWND doc) { return (int)SendMessageA(BlockList(doc), LB_GETCOUNT, 0, 0); }

// A double click on block `index` of the document's list.
void OpenBlock(HWND doc, int index)
{
    HWND list = BlockList(doc);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    SendMessageA(list, LB_SETSEL, TRUE, index);
    SendMessageA(list, LB_SETCARETINDEX, index, 0);
    SendMessageA(doc, WM_COMMAND, MAKEWPARAM(IDC_BLOCKLIST, LBN_SELCHANGE), (LPARAM)list);
    SendMessageA(doc, WM_COMMAND, MAKEWPARAM(IDC_BLOCKLIST, LBN_DBLCLK), (LPARAM)list);
    sbtest::PumpUntilIdle();
}

// The page editor opened on block `index`, `work` done in it, then closed
// keeping the changes.
void EditPageBlock(HWND doc, int index, std::function<void(HWND page)> work)
{
    bool ran = false;
    later.push_back({[] { return PageEditorWindow() != NULL && IsWindowVisible(PageEditorWindow()); },
                     [&] {
                         HWND page = PageEditorWindow();
                         work(page);
                         ran = true;
                         PostMessageA(page, WM_COMMAND, IDM_PAGECLOSE, 0);
                     }});
    size_t waiting = later.size() - 1;
    OpenBlock(doc, index);
    EXPECT_TRUE(ran) << "the page editor did not open";
    if (!ran && waiting < later.size())
        later.erase(later.begin() + (long)waiting); // it holds this call's locals
}

// A right click on the page at `at`, then `id` chosen from its menu; `then`
// answers what the command asks (the file to insert, the dialog it opens).
void PageMenu(HWND page, POINT at, UINT id, std::vector<Step> then = {})
{
    Expect({Popup(id)});
    steps.insert(steps.end(), then.begin(), then.end());
    POINT screen = at;
    ClientToScreen(page, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageA(page, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageA(page, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    sbtest::PumpUntilIdle();
}

HGLOBAL ObjectOf(HWND w) { return (HGLOBAL)GetWindowLongPtrA(w, GWLP_USERDATA); }

// The object windows of the page, the last inserted last.
std::vector<HWND> ObjectWindows(HWND page)
{
    std::vector<HWND> out;
    for (HWND w = GetWindow(page, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (ObjectOf(w))
            out.push_back(w);
    return out;
}

HWND Newest(HWND page, uint32_t tag)
{
    HWND best = NULL;
    uint32_t number = 0;
    for (HWND w : ObjectWindows(page)) {
        GlobalLocked<OBJECTHEADER> o(ObjectOf(w));
        if (o && o->tag == tag && o->number >= number)
            best = w, number = o->number;
    }
    return best;
}

RECT RectOf(HWND w)
{
    GlobalLocked<OBJECTHEADER> o(ObjectOf(w));
    return o ? o->rect : RECT{};
}

// A double click on the object's window opens its dialog.
void EditObjectWindow(HWND w)
{
    PostMessageA(w, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
    sbtest::PumpUntilIdle();
}

void Type(HWND dlg, int id, const char *text) { SetDlgItemTextA(dlg, id, text); }
void Choose(HWND dlg, int id, int row, UINT code = CBN_SELCHANGE)
{
    SendDlgItemMessageA(dlg, id, CB_SETCURSEL, row, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(dlg, id));
}
void ChooseText(HWND dlg, int id, const char *text)
{
    LRESULT row = SendDlgItemMessageA(dlg, id, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text);
    ASSERT_NE(row, CB_ERR) << text;
    Choose(dlg, id, (int)row);
}
void Tick(HWND dlg, int id, bool on)
{
    if ((IsDlgButtonChecked(dlg, id) == BST_CHECKED) != on)
        sbtest::Click(dlg, id);
}
std::string TextOf(HWND w)
{
    char text[512] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

// ---- Files the test makes ----------------------------------------------------

std::string SolidPicture(const std::string &name, int width, int height, COLORREF colour)
{
    std::string path = root + name;
    char rgb[768] = {};
    NewDib dib(CreateDib(width, height, rgb, 24));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            WritePixel(dib.Row(y), x, 24, colour);
    HGLOBAL h = dib.Release();
    EXPECT_EQ(WriteImage(path.c_str(), h), 1) << path;
    GlobalFree(h);
    return path;
}

// Half a second of an 8-bit mono square wave as a RIFF file.
std::string WaveFile(const std::string &name)
{
    std::string path = root + name;
    const uint32_t rate = 11025, samples = rate / 2;
    std::string data;
    for (uint32_t i = 0; i < samples; i++)
        data += (char)(i % 40 < 20 ? 200 : 56);
    PCMWAVEFORMAT f{{WAVE_FORMAT_PCM, 1, rate, rate, 1}, 8};
    std::string fmt((const char *)&f, sizeof f);
    auto u32 = [](uint32_t v) { return std::string((const char *)&v, 4); };
    std::string riff = "WAVE" + std::string("fmt ") + u32((uint32_t)fmt.size()) + fmt + "data" +
                       u32((uint32_t)data.size()) + data;
    std::ofstream(path, std::ios::binary) << "RIFF" << u32((uint32_t)riff.size()) << riff;
    return path;
}

// ---- The editor as the program starts it ------------------------------------

struct WholeRoad : ::testing::Test {
    sbtest::KeptSettings settings;
    sbtest::UserFolders folders{"sbroad"};
    MODALHOOK previous = nullptr;
    DWORD started = 0;
    void SetUp() override
    {
        OpenPath[0] = 0;
        // A first start without the logo, the tip, the paint search and the
        // driver notice, and a new document without a page of its own.
        sbtest::WriteQuietConfig("InsertBlankPageonNew = 0\nGridUse = 0\n");
        steps.clear();
        later.clear();
        previous = COMMONSetModalHook(Person);
        started = GetTickCount();
    }
    void TearDown() override
    {
        printf("[ road took %.1f s ]\n", (GetTickCount() - started) / 1000.0);
        EXPECT_TRUE(steps.empty()) << steps.size() << " expected requests never came, the first: "
                                   << (steps.empty() ? "" : steps.front().what);
        COMMONSetModalHook(previous);
    }
    // The editor program's own start, with `road` run inside its loop; the
    // editor is closed afterwards.
    void RunEditor(std::function<void()> road)
    {
        static SHOWHOST showhost = QV_SystemHost;
        showhost.appletwindow = APPLETWindowProc;
        static const EDITORPARTS parts{EditHeader, EditPage, EditAppletProc, DoPhotoAlbumWizard, &showhost, nullptr};
        static std::function<void()> body;
        static bool ran;
        body = std::move(road);
        ran = false;
        later.push_back({[] { return hwndmain && IsWindowVisible(hwndmain); },
                         [] {
                             ran = true;
                             body();
                             sbtest::ForgetChanges();
                             PostMessageA(hwndmain, WM_CLOSE, 0, 0);
                         }});
        UINT_PTR timer = SetTimer(NULL, 0, 20, RunLater);
        EXPECT_EQ(EditorMain(hInst, "", SW_SHOWNORMAL, parts), 0);
        KillTimer(NULL, timer);
        EXPECT_TRUE(ran);
    }
};

// How many pixels of a capture's rectangle `r` are near `colour`.
int CountColour(const sbtest::Capture &c, RECT r, COLORREF colour, int tolerance = 40)
{
    int n = 0;
    for (int y = std::max(0L, r.top); y < std::min((LONG)c.height, r.bottom); y++)
        for (int x = std::max(0L, r.left); x < std::min((LONG)c.width, r.right); x++) {
            COLORREF p = c.At(x, y);
            n += abs(GetRValue(p) - GetRValue(colour)) <= tolerance &&
                 abs(GetGValue(p) - GetGValue(colour)) <= tolerance &&
                 abs(GetBValue(p) - GetBValue(colour)) <= tolerance;
        }
    return n;
}

// The same, of what the window's client area shows now.
int CountColour(HWND show, RECT r, COLORREF colour, int tolerance = 40)
{
    return CountColour(sbtest::CaptureClient(show), r, colour, tolerance);
}

// What is wrong with the navigation buttons of the page whose picture shows
// `picture` at the centre, in capture `c` of the show: "" when each button
// is drawn, its title black when it leads somewhere and grey when not.
std::string NavigationDrawn(HWND show, const sbtest::Capture &c, COLORREF picture, const bool (&enabled)[4])
{
    if (c.At(c.width / 2, c.height / 2) != picture)
        return "another page";
    std::string wrong;
    const char *const titles[4] = {"First", "Previous", "Next", "Last"};
    for (int i = 0; i < 4; i++) {
        HWND button = FindWindowExA(show, NULL, "Button", titles[i]);
        RECT r{};
        if (!button || !GetWindowRect(button, &r)) {
            wrong += std::string(titles[i]) + ": no window; ";
            continue;
        }
        MapWindowPoints(NULL, show, (POINT *)&r, 2);
        RECT inside = r;
        InflateRect(&inside, -3, -3);
        int face = CountColour(c, r, GetSysColor(COLOR_BTNFACE), 8);
        int black = CountColour(c, inside, RGB(0, 0, 0), 60);
        int grey = CountColour(c, inside, GetSysColor(COLOR_GRAYTEXT), 24);
        if (face < (r.right - r.left) * (r.bottom - r.top) / 2)
            wrong += std::string(titles[i]) + ": not drawn; ";
        else if (enabled[i] ? black < 5 : black > 0 || grey < 5)
            wrong += std::string(titles[i]) + (enabled[i] ? ": title not black; " : ": title not grey; ");
    }
    return wrong;
}

// With SB_SCREENSHOTS naming a folder, a capture of a show window's client
// area is kept there as NAME.bmp.
void Shot(const sbtest::Capture &c, const char *name)
{
    char folder[MAX_PATH];
    if (!GetEnvironmentVariableA("SB_SCREENSHOTS", folder, sizeof folder))
        return;
    char rgb[768] = {};
    NewDib dib(CreateDib(c.width, c.height, rgb, 24));
    for (int y = 0; y < c.height; y++)
        for (int x = 0; x < c.width; x++)
            WritePixel(dib.Row(y), x, 24, c.At(x, y));
    HGLOBAL h = dib.Release();
    WriteImage((std::string(folder) + "\\" + name + ".bmp").c_str(), h);
    GlobalFree(h);
}

void Shot(HWND window, const char *name)
{
    Shot(sbtest::CaptureClient(window), name);
}

const COLORREF TEXTCOLOUR = RGB(220, 20, 20), IMAGECOLOUR = RGB(20, 170, 40), PAGE2COLOUR = RGB(30, 40, 150);
const char *const SENTENCE = "Made from nothing";
const char *const PASSWORD = "opensesame";

TEST_F(WholeRoad, APresentationMadeFromNothingIsSavedAndPlaysAsAProgram)
{
    std::string picture = SolidPicture("green.bmp", 120, 90, IMAGECOLOUR), sound = WaveFile("tone.wav");
    std::string program = root + "road.exe";
    RECT textrect{}, imagerect{}, buttonrect{};
    std::string face;
    RunEditor([&] {
        // New, and two pages inserted after the header.
        Menu(IDM_NEW);
        HWND doc = ActiveDocument();
        ASSERT_TRUE(doc);
        ASSERT_EQ(BlockCount(doc), 1);
        for (int i = 0; i < 2; i++) {
            SendMessageA(BlockList(doc), LB_SETCARETINDEX, BlockCount(doc) - 1, 0);
            SendMessageA(doc, WM_COMMAND, MAKEWPARAM(IDC_BLOCKLIST, LBN_SELCHANGE), (LPARAM)BlockList(doc));
            Menu(IDM_INSERT);
        }
        ASSERT_EQ(BlockCount(doc), 3);
        // With a page selected every command of the menu and the toolbar
        // is on; only Paste waits for something on the clipboard.
        SendMessageA(BlockList(doc), LB_SETSEL, TRUE, 1);
        SendMessageA(doc, WM_COMMAND, MAKEWPARAM(IDC_BLOCKLIST, LBN_SELCHANGE), (LPARAM)BlockList(doc));
        for (UINT id : {IDM_NEW, IDM_OPEN, IDM_SAVE, IDM_SAVEAS, IDM_CLOSE, IDM_WIZARD, IDM_PRINT, IDM_SETUP, IDM_EXIT,
                        IDM_UNDO, IDM_CUT, IDM_COPY, IDM_INSERT, IDM_DELETE, IDM_VIEW, IDM_CASCADE, IDM_TILE,
                        IDM_ARRANGE, IDM_DUPLICATE, IDM_CONTENTS, IDM_ABOUT, IDM_SYSINFO, IDM_TIP})
            EXPECT_TRUE(MenuEnabled(id)) << "menu item " << id;
        int buttons = 0;
        for (HWND b = GetWindow(hwndbar, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT))
            if (GetDlgCtrlID(b) != IDC_VIEWMODE && ++buttons)
                EXPECT_TRUE(IsWindowEnabled(b)) << "toolbar button " << GetDlgCtrlID(b);
        EXPECT_EQ(buttons, 10);

        EditPageBlock(doc, 1, [&](HWND page) {
            // A button that goes to page 2.
            PageMenu(page, {20, 20}, IDM_INSERTBUTTON);
            HWND button = Newest(page, TAG_BUTN);
            ASSERT_TRUE(button);
            Expect({Drive("button", [](HWND d) {
                Type(d, IDC_OBJTITLE, "To page 2");
                Choose(d, IDC_BTNACTION, 8);
                EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_BTNPAGE)));
                Choose(d, IDC_BTNPAGE, 1);
                Type(d, IDC_OBJWIDTH, "120"), Type(d, IDC_OBJDEPTH, "40");
                sbtest::Click(d, IDOK);
            })});
            EditObjectWindow(button);
            buttonrect = RectOf(button);

            // A sentence in a chosen font, size and colour.
            PageMenu(page, {20, 100}, IDM_INSERTTEXT);
            HWND text = Newest(page, TAG_TEXT);
            ASSERT_TRUE(text);
            Expect({Drive("text", [&](HWND d) {
                Type(d, IDC_TXTEXT, SENTENCE);
                // A face that scales, other than the one the text has.
                HWND fonts = GetDlgItem(d, IDC_TXFONT);
                char current[64] = "";
                GetWindowTextA(fonts, current, sizeof current);
                for (const char *f : {"Times New Roman", "DejaVu Serif", "Tahoma", "DejaVu Sans", "Arial"}) {
                    LRESULT row = SendMessageA(fonts, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)f);
                    if (face.empty() && row != CB_ERR && strcmp(f, current) != 0)
                        face = f, SendMessageA(fonts, CB_SETCURSEL, (WPARAM)row, 0);
                }
                ASSERT_FALSE(face.empty()) << "no other face to choose";
                printf("[ road ] the text in %s\n", face.c_str());
                SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_TXFONT, CBN_CLOSEUP), (LPARAM)fonts);
                Type(d, IDC_TXSIZE, "28");
                Tick(d, IDC_TXBOLD, true);
                Type(d, IDC_OBJWIDTH, "360"), Type(d, IDC_OBJDEPTH, "60");
                Expect({Colour(TEXTCOLOUR)});
                sbtest::Click(d, IDC_TXCOLOUR);
                EXPECT_EQ(TextOf(GetDlgItem(d, IDC_TXCOLOUR)), "220,20,20");
                sbtest::Click(d, IDOK);
            })});
            EditObjectWindow(text);
            textrect = RectOf(text);

            // The picture written here, appearing by the Sandstorm effect.
            PageMenu(page, {420, 100}, IDM_INSERTIMAGE, {File(picture)});
            HWND image = Newest(page, TAG_IMAG);
            ASSERT_TRUE(image);
            Expect({Drive("image", [](HWND d) { ChooseText(d, IDC_IMAPPEAR, "Sandstorm"), sbtest::Click(d, IDOK); })});
            EditObjectWindow(image);
            imagerect = RectOf(image);
            EXPECT_EQ(imagerect.right - imagerect.left, 120);

            // A sound and a timer, each set in its dialog.
            PageMenu(page, {20, 300}, IDM_INSERTWAVE, {File(sound)});
            HWND wave = Newest(page, TAG_WAVE);
            ASSERT_TRUE(wave);
            Expect({Drive("sound", [](HWND d) {
                EXPECT_NE(TextOf(GetDlgItem(d, IDC_SOUNDFORMAT)).find("11.0 kHz"), std::string::npos);
                Tick(d, IDC_OBJVISIBLE, false);
                sbtest::Click(d, IDOK);
            })});
            EditObjectWindow(wave);
            PageMenu(page, {120, 300}, IDM_INSERTTIMER);
            HWND timer = Newest(page, TAG_TIME);
            ASSERT_TRUE(timer);
            Expect({Drive("timer", [](HWND d) {
                Choose(d, IDC_TIMERACTION, 6); // tells the sound, not soon
                Type(d, IDC_TIMERDURATION, "3600");
                sbtest::Click(d, IDOK);
            })});
            EditObjectWindow(timer);
            EXPECT_EQ(ObjectWindows(page).size(), 4u + 5u);
        });

        // Page 2 in a colour of its own, set in its properties.
        EditPageBlock(doc, 2, [&](HWND page) {
            PageMenu(page, {200, 200}, IDM_PAGEPROPERTIES, {Drive("page properties", [](HWND d) {
                         Choose(d, IDC_PAGEKIND, 25, CBN_SELENDOK);
                         Expect({Colour(PAGE2COLOUR)});
                         sbtest::Click(d, IDC_BACKCOLOUR);
                         sbtest::Click(d, IDOK);
                     })});
        });

        // The header: title, a 640 by 480 client and a password.
        Expect({Drive("header", [](HWND d) {
            Type(d, IDC_HDRTITLE, "The whole road");
            Type(d, IDC_HDRWIDTH, "640"), Type(d, IDC_HDRDEPTH, "480");
            Tick(d, IDC_HDRFIXED, true);
            Type(d, IDC_HDRPASSWORD, PASSWORD);
            Tick(d, IDC_HDRPROTECT, true);
            sbtest::Click(d, IDOK);
        })});
        OpenBlock(doc, 0);

        // Saved as a new presentation, then opened again: it asks for the
        // password and comes back as it was made.
        Expect({File(program)});
        Menu(IDM_SAVEAS);
        ASSERT_EQ(GetFileAttributesA(program.c_str()) != INVALID_FILE_ATTRIBUTES, true);
        Expect({File(program), Drive("password", [](HWND d) {
                    Type(d, 101, PASSWORD);
                    sbtest::Click(d, IDOK);
                })});
        Menu(IDM_OPEN);
        HWND again = ActiveDocument();
        ASSERT_NE(again, doc);
        ASSERT_EQ(BlockCount(again), 3);
        BLOCK first{};
        ASSERT_TRUE(GetBlock(BlockList(again), 1, &first));
        std::string tags;
        for (uint32_t i = 0; i < BlockObjectCount(&first); i++) {
            GlobalLocked<OBJECTHEADER> o(GetPageObject(&first, i));
            tags += std::string((const char *)&o->tag, 4) + " ";
            if (o->tag == TAG_TEXT) {
                auto *t = (const OBJECTTEXT *)o.get();
                EXPECT_EQ(std::string(t->face), face);
                EXPECT_EQ(t->colour, TEXTCOLOUR);
                EXPECT_EQ(t->size, 28);
                EXPECT_EQ(t->weight, 700);
            }
        }
        // After the four navigation buttons every new page starts with.
        EXPECT_EQ(tags, "BUTN BUTN BUTN BUTN BUTN TEXT iMAg wAve tIme ");
    });

    // The program plays by itself, without asking for the password.
    DWORD playing = GetTickCount();
    PLAYOUTCOME out = PlayDocument(
        program, "",
        [&](HWND show, DWORD) {
            RECT client;
            GetClientRect(show, &client);
            EXPECT_EQ(client.right, 640);
            EXPECT_EQ(client.bottom, 480);
            // The picture once the sand has settled, and the sentence in its colour.
            RECT inner = imagerect;
            InflateRect(&inner, -2, -2);
            int area = (inner.right - inner.left) * (inner.bottom - inner.top);
            EXPECT_TRUE(WaitFor([&] { return CountColour(show, inner, IMAGECOLOUR, 8) == area; }))
                << "the picture, the sand settled";
            EXPECT_TRUE(WaitFor([&] { return CountColour(show, textrect, TEXTCOLOUR) > 100; })) << "the sentence";
            Shot(show, "road_page1");
            // The button pressed: page 2 in its own colour, without them.
            POINT at{(buttonrect.left + buttonrect.right) / 2, (buttonrect.top + buttonrect.bottom) / 2};
            HWND button = ChildWindowFromPointEx(show, at, CWP_SKIPINVISIBLE);
            ASSERT_TRUE(button && button != show);
            POINT in = at;
            MapWindowPoints(show, button, &in, 1);
            PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(in.x, in.y));
            PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(in.x, in.y));
            EXPECT_TRUE(WaitFor([&] { return ScreenPixel(show, 600, 440) == PAGE2COLOUR; })) << "page 2";
            EXPECT_EQ(CountColour(show, imagerect, IMAGECOLOUR, 8), 0);
            EXPECT_EQ(CountColour(show, textrect, TEXTCOLOUR), 0);
            Shot(show, "road_page2");
        },
        300000);
    printf("[ the program played in %.1f s ]\n", (GetTickCount() - playing) / 1000.0);
    EXPECT_TRUE(out.shown);
    EXPECT_TRUE(out.ended);
    EXPECT_TRUE(out.messages.empty()) << out.messages.front();
}

TEST_F(WholeRoad, AnAlbumOfFivePicturesIsBuiltByTheWizardAndPlaysToItsEnd)
{
    const COLORREF colours[5] = {RGB(200, 40, 40), RGB(40, 200, 40), RGB(40, 40, 200), RGB(200, 200, 40),
                                 RGB(200, 40, 200)};
    std::string names;
    for (int i = 0; i < 5; i++) {
        std::string name = "picture" + std::to_string(i + 1) + ".bmp";
        SolidPicture(name, 320, 240, colours[i]);
        names += name + '\0';
    }
    std::string folder = root.substr(0, root.size() - 1);
    std::string album = root + "album.exe";
    RunEditor([&] {
        Expect({Drive("wizard", [&](HWND sheet) {
            auto page = [sheet] { return (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0); };
            auto press = [sheet](int button) {
                SendMessageA(sheet, PSM_PRESSBUTTON, (WPARAM)button, 0);
                sbtest::PumpUntilIdle();
            };
            press(PSBTN_NEXT); // the introduction
            press(PSBTN_NEXT); // the colours as they are
            press(PSBTN_NEXT); // the size as it is
            Type(page(), IDC_WIZTIME, "1");
            press(PSBTN_NEXT);
            Type(page(), IDC_WIZTIME, "1");
            press(PSBTN_NEXT);
            Expect({File(folder + '\0' + names)});
            sbtest::Click(page(), IDC_WIZSELECTPICTURE);
            sbtest::PumpUntilIdle();
            EXPECT_EQ(SendDlgItemMessageA(page(), IDC_WIZPICTURELIST, LB_GETCOUNT, 0, 0), 5);
            press(PSBTN_NEXT);
            press(PSBTN_FINISH);
        })});
        Menu(IDM_WIZARD);
        HWND doc = ActiveDocument();
        ASSERT_TRUE(doc);
        ASSERT_EQ(BlockCount(doc), 7); // the header, the cover and five pictures
        Expect({File(album)});
        Menu(IDM_SAVEAS);
    });

    // Played: the cover, then each picture in turn to the last, which leads
    // back to the cover.
    DWORD playing = GetTickCount();
    int seen = 0;
    PLAYOUTCOME out = PlayDocument(
        album, "",
        [&](HWND show, DWORD) {
            RECT client;
            GetClientRect(show, &client);
            for (int i = 0; i < 5; i++) {
                bool shown = WaitFor([&] {
                    return ScreenPixel(show, client.right / 2, client.bottom / 2) == colours[i];
                }, 120000);
                EXPECT_TRUE(shown) << "picture " << i + 1;
                if (!shown)
                    return;
                seen++;
            }
            // The last page leads back, not on: all four buttons are drawn,
            // First and Previous live and Next and Last greyed. The buttons
            // are painted after the picture, the topmost (Last) first, so a
            // look taken the moment the picture shows may miss First.
            const bool enabled[4] = {true, true, false, false};
            std::string wrong = "the last page never came back";
            WaitFor([&] {
                sbtest::Capture c = sbtest::CaptureClient(show);
                std::string now = NavigationDrawn(show, c, colours[4], enabled);
                if (now != "another page")
                    wrong = now;
                if (now.empty())
                    Shot(c, "album_last");
                return now.empty();
            }, 120000);
            EXPECT_EQ(wrong, "");
            EXPECT_TRUE(WaitFor([&] {
                return ScreenPixel(show, client.right / 2, client.bottom / 2) != colours[4];
            }, 120000));
        },
        600000);
    printf("[ the album played in %.1f s ]\n", (GetTickCount() - playing) / 1000.0);
    EXPECT_EQ(seen, 5);
    EXPECT_TRUE(out.shown);
    EXPECT_TRUE(out.messages.empty()) << out.messages.front();
}

} // namespace

// ---- One object of each type ---------------------------------------------------
// Each row inserts its type from the page menu, edits it in its own property
// dialog, and says what the played page must then show of the edit. A type
// whose dialog is still to come gets its row when the dialog does.

// A short tune as a standard MIDI file: one note on and off.
std::string MidiFile(const std::string &name)
{
    std::string path = root + name;
    const unsigned char bytes[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 12,
                                   0, 0x90, 60, 100, 96, 0x80, 60, 0, 0, 0xFF, 0x2F, 0};
    std::ofstream(path, std::ios::binary).write((const char *)bytes, sizeof bytes);
    return path;
}

// What the player shows of one object: its window (found by the object's
// number; none for a frame or a static image, which the page draws) and the
// rectangle the editor gave it.
struct Played {
    HWND show, window;
    RECT rect;
};

std::string WindowTextOf(HWND w)
{
    // A player busy on a loaded machine is not hung: only a long silence counts
    // (asking the system whether it is hung gave up on a busy player and read "").
    char text[256] = "";
    DWORD_PTR copied = 0;
    EXPECT_NE(SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL, 120000, &copied), 0)
        << "the player did not answer within two minutes";
    return text;
}

struct TypeRow {
    const char *name;
    int page; // 1, or 2 for what must come after the first page
    UINT insert; // the page menu's command
    uint32_t tag;
    std::function<std::string()> file; // what the insert's file dialog is answered with
    std::function<void(HWND dlg)> edit;
    std::function<void(const Played &)> played;
};

// Sets the place fields of the second set's dialogs.
void PlaceProp(HWND d, const char *left, const char *top)
{
    Type(d, IDC_OBJLEFT, left), Type(d, IDC_OBJTOP, top);
}

const COLORREF EACHTEXT = RGB(0, 120, 220), EACHIMAGE = RGB(230, 120, 0), EACHSTATIC = RGB(120, 0, 160),
               EACHANIM = RGB(200, 40, 120), EACHAPPLET = RGB(0, 160, 80);

std::string Written(const std::string &name, const std::string &bytes)
{
    std::string path = root + name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), (std::streamsize)bytes.size());
    return path;
}

// Where the played window stands in the show's client area.
RECT PlacedAt(const Played &p)
{
    RECT r;
    GetWindowRect(p.window, &r);
    MapWindowPoints(NULL, p.show, (POINT *)&r, 2);
    return r;
}

void ExpectPlacedAt(const Played &p, LONG left, LONG top)
{
    RECT r = PlacedAt(p);
    EXPECT_EQ(std::vector<LONG>({p.rect.left, p.rect.top}), std::vector<LONG>({left, top})) << "not moved";
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
              std::vector<LONG>({p.rect.left, p.rect.top, p.rect.right, p.rect.bottom}));
}

const TypeRow typerows[] = {
    {"check box", 1, IDM_INSERTCHECK, TAG_CHEC, nullptr,
     [](HWND d) { Type(d, IDC_OBJTITLE, "Ticked"), Tick(d, IDC_OBJCHECKED, true), sbtest::Click(d, IDOK); },
     [](const Played &p) {
         EXPECT_EQ(WindowTextOf(p.window), "Ticked");
         EXPECT_EQ(SendMessageA(p.window, BM_GETCHECK, 0, 0), BST_CHECKED);
     }},
    {"radio button", 1, IDM_INSERTRADIO, TAG_RDIO, nullptr,
     [](HWND d) { Type(d, IDC_OBJTITLE, "Chosen"), Tick(d, IDC_OBJCHECKED, true), sbtest::Click(d, IDOK); },
     [](const Played &p) {
         EXPECT_EQ(WindowTextOf(p.window), "Chosen");
         EXPECT_EQ(SendMessageA(p.window, BM_GETCHECK, 0, 0), BST_CHECKED);
     }},
    {"text", 1, IDM_INSERTTEXT, TAG_TEXT, nullptr,
     [](HWND d) {
         Type(d, IDC_TXTEXT, "Blue words"), Type(d, IDC_TXSIZE, "24");
         Type(d, IDC_OBJWIDTH, "160"), Type(d, IDC_OBJDEPTH, "40");
         Expect({Colour(EACHTEXT)});
         sbtest::Click(d, IDC_TXCOLOUR);
         sbtest::Click(d, IDOK);
     },
     [](const Played &p) { EXPECT_TRUE(WaitFor([&] { return CountColour(p.show, p.rect, EACHTEXT) > 40; })); }},
    {"image", 1, IDM_INSERTIMAGE, TAG_IMAG, [] { return SolidPicture("each.bmp", 60, 40, EACHIMAGE); },
     [](HWND d) { Tick(d, IDC_IMNOTIFY, true), sbtest::Click(d, IDOK); },
     [](const Played &p) {
         EXPECT_TRUE(WaitFor([&] { return CountColour(p.show, p.rect, EACHIMAGE, 8) == 60 * 40; }));
     }},
    {"frame", 1, IDM_INSERTFRAME, TAG_FRAM, nullptr,
     [](HWND d) { Type(d, IDC_OBJWIDTH, "90"), Type(d, IDC_OBJDEPTH, "70"), sbtest::Click(d, IDOK); },
     [](const Played &p) {
         // Drawn on the page itself: its outline where the dialog put it,
         // the page's own colour just outside.
         EXPECT_EQ(p.rect.right - p.rect.left, 90);
         EXPECT_EQ(p.rect.bottom - p.rect.top, 70);
         COLORREF page = ScreenPixel(p.show, p.rect.left - 3, p.rect.top + 35);
         EXPECT_EQ(ScreenPixel(p.show, p.rect.right + 2, p.rect.top + 35), page);
         RECT edge = p.rect;
         edge.right = edge.left + 2;
         EXPECT_LT(CountColour(p.show, edge, page, 0), 2 * 70 / 2) << "no outline";
     }},
    {"wave", 1, IDM_INSERTWAVE, TAG_WAVE, [] { return WaveFile("each.wav"); },
     [](HWND d) {
         EXPECT_NE(TextOf(GetDlgItem(d, IDC_SOUNDFORMAT)).find("11.0 kHz"), std::string::npos);
         Tick(d, IDC_OBJENABLED, true), sbtest::Click(d, IDOK);
     },
     [](const Played &p) { EXPECT_TRUE(IsWindowEnabled(p.window)); }},
    {"MIDI", 1, IDM_INSERTMIDI, TAG_MIDI, [] { return MidiFile("each.mid"); },
     [](HWND d) { Tick(d, IDC_OBJENABLED, true), sbtest::Click(d, IDOK); },
     [](const Played &p) { EXPECT_TRUE(IsWindowEnabled(p.window)); }},
    {"list box", 1, IDM_INSERTLIST, TAG_LIST, nullptr,
     [](HWND d) {
         for (const char *item : {"First", "Second"}) {
             int end = (int)SendDlgItemMessageA(d, IDC_LISTBOXITEMS, LB_GETCOUNT, 0, 0) - 1;
             SendDlgItemMessageA(d, IDC_LISTBOXITEMS, LB_SETCURSEL, (WPARAM)end, 0);
             SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_LISTBOXITEMS, LBN_SELCHANGE), 0);
             Expect({Drive("item text", [item](HWND t) { Type(t, 101, item), sbtest::Click(t, IDOK); })});
             sbtest::Click(d, IDC_LISTBOXADD);
         }
         Type(d, IDC_OBJWIDTH, "120"), Type(d, IDC_OBJDEPTH, "60");
         sbtest::Click(d, IDOK);
     },
     [](const Played &p) {
         EXPECT_EQ(SendMessageA(p.window, LB_GETCOUNT, 0, 0), 2);
         // Asked in wide characters: across processes the platform here
         // hands the narrow form back in wide characters.
         wchar_t item[64] = L"";
         SendMessageW(p.window, LB_GETTEXT, 1, (LPARAM)item);
         EXPECT_STREQ(item, L"Second");
     }},
    {"edit field", 1, IDM_INSERTEDIT, TAG_EDIT, nullptr,
     [](HWND d) { Type(d, IDC_EDITFIELDTEXT, "Typed in"), Type(d, IDC_OBJWIDTH, "120"), sbtest::Click(d, IDOK); },
     [](const Played &p) { EXPECT_EQ(WindowTextOf(p.window), "Typed in"); }},
    {"static image", 1, IDM_INSERTSTATIC, TAG_STAT, [] { return SolidPicture("still.png", 50, 30, EACHSTATIC); },
     [](HWND d) { Type(d, IDC_OBJLEFT, "560"), Type(d, IDC_OBJTOP, "400"), sbtest::Click(d, IDOK); },
     [](const Played &p) {
         EXPECT_EQ(p.rect.left, 560);
         EXPECT_TRUE(WaitFor([&] { return CountColour(p.show, p.rect, EACHSTATIC, 8) == 50 * 30; }));
     }},
    {"animation", 1, IDM_INSERTANIM, TAG_ANIM, [] { return Written("each.mng", sbtest::Mng(40, 30, {{EACHANIM, 100}}, 1)); },
     [](HWND d) { PlaceProp(d, "380", "300"), Tick(d, IDC_OBJNOTIFY, true), sbtest::Click(d, IDOK); },
     [](const Played &p) {
         ExpectPlacedAt(p, 380, 300);
         EXPECT_TRUE(WaitFor([&] { return CountColour(p.show, p.rect, EACHANIM, 8) == 40 * 30; }));
     }},
    // In 32-bit frames: the platform's movie device here draws 24-bit ones garbled.
    {"movie", 1, IDM_INSERTMOVIE, TAG_MOVI,
     [] {
         std::vector<uint8_t> avi = sbtest::Avi(64, 48, 3, 4);
         return Written("each.avi", std::string(avi.begin(), avi.end()));
     },
     [](HWND d) { PlaceProp(d, "460", "300"), Tick(d, IDC_MOVIEHIDE, true), sbtest::Click(d, IDOK); },
     [](const Played &p) { ExpectPlacedAt(p, 460, 300); }},
    // Inserted empty; its script draws over and over, so that no repaint of
    // the page hides what it drew.
    {"applet", 1, IDM_INSERTAPPLET, TAG_APPL, nullptr,
     [](HWND d) {
         std::string script = "setbrushcolor(" + std::to_string(EACHAPPLET) + ")\r\n:draw\r\nfillrect(0,0,40,30)\r\n"
                              "goto(:draw)";
         Type(d, IDC_APPLETSOURCE, script.c_str());
         SendMessageA(d, WM_COMMAND, IDM_APPLETSAVE, 0);
     },
     [](const Played &p) {
         // Its filled rectangle leaves out the far edges.
         EXPECT_TRUE(WaitFor([&] { return CountColour(p.show, p.rect, EACHAPPLET, 8) == 39 * 29; }));
     }},
    // Last on the first page: pressed, it goes to the second.
    {"button", 1, IDM_INSERTBUTTON, TAG_BUTN, nullptr,
     [](HWND d) { Type(d, IDC_OBJTITLE, "Press me"), Choose(d, IDC_BTNACTION, 3), sbtest::Click(d, IDOK); },
     [](const Played &p) {
         EXPECT_EQ(WindowTextOf(p.window), "Press me");
         PostMessageA(p.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
         PostMessageA(p.window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
         EXPECT_TRUE(WaitFor([&] { return !IsWindow(p.window); })) << "the page did not change";
     }},
    // Alone on the second page: it ends the show, which shows that it ran.
    {"timer", 2, IDM_INSERTTIMER, TAG_TIME, nullptr,
     [](HWND d) {
         Choose(d, IDC_TIMERACTION, 5), Type(d, IDC_TIMERDURATION, "1"), Tick(d, IDC_OBJENABLED, true);
         sbtest::Click(d, IDOK);
     },
     [](const Played &p) { EXPECT_TRUE(WaitFor([&] { return !IsWindow(p.show); }, 120000)) << "the timer did not quit"; }},
};

TEST_F(WholeRoad, APageWithOneObjectOfEachTypeEditedInItsDialogPlaysTheEdits)
{
    struct Made {
        const TypeRow *row;
        uint32_t number;
        RECT rect;
    };
    std::vector<Made> made;
    std::string program = root + "each.exe";
    RunEditor([&] {
        Menu(IDM_NEW);
        HWND doc = ActiveDocument();
        ASSERT_TRUE(doc);
        for (int i = 0; i < 2; i++) {
            SendMessageA(BlockList(doc), LB_SETCARETINDEX, BlockCount(doc) - 1, 0);
            Menu(IDM_INSERT);
        }
        ASSERT_EQ(BlockCount(doc), 3);
        for (int n = 1; n <= 2; n++)
        EditPageBlock(doc, n, [&](HWND page) {
            int i = 0;
            for (const TypeRow &row : typerows) {
                if (row.page != n)
                    continue;
                SCOPED_TRACE(row.name);
                PageMenu(page, {20 + 180 * (i % 4), 20 + 130 * (i / 4)}, row.insert,
                         row.file ? std::vector<Step>{File(row.file())} : std::vector<Step>{});
                i++;
                HWND w = Newest(page, row.tag);
                EXPECT_TRUE(w) << "not inserted";
                if (!w)
                    continue;
                Expect({Drive(row.name, row.edit)});
                EditObjectWindow(w);
                w = Newest(page, row.tag);
                GlobalLocked<OBJECTHEADER> o(ObjectOf(w));
                made.push_back({&row, o->number, o->rect});
            }
        });
        Expect({File(program)});
        Menu(IDM_SAVEAS);
    });
    ASSERT_EQ(made.size(), std::size(typerows));

    PLAYOUTCOME out = PlayDocument(
        program, "",
        [&](HWND show, DWORD) {
            // Everything has been drawn once the last picture has.
            for (const Made &m : made) {
                SCOPED_TRACE(m.row->name);
                HWND w = NULL;
                if (m.row->tag != TAG_FRAM && m.row->tag != TAG_STAT) // these the page draws itself
                    ASSERT_TRUE(WaitFor([&] { return (w = GetDlgItem(show, (int)m.number)) != NULL; }))
                        << "no window";
                if (m.row->tag == TAG_BUTN)
                    Shot(show, "eachtype");
                m.row->played({show, w, m.rect});
            }
        },
        300000);
    EXPECT_TRUE(out.shown);
    EXPECT_TRUE(out.ended);
    EXPECT_TRUE(out.messages.empty()) << out.messages.front();
}
