// The paint program's hand-over and search, with a stand-in paint program
// of the tests' own (testpaint.exe beside this program), and the shell's
// small dialogs driven as real modal dialogs.
#include "common/shell.h"
#include "editor/paint.h"
#include "editor/shell.h"
#include "editor/smalldialogs.h"
#include "editor/tipfolder.h"
#include "media/dib.h"
#include "media/imageformat.h"
#include "resources/shelldialogs_ids.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <atomic>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

using sbtest::ModalRecorder;

namespace {

std::string Folder(const char *name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string f = std::string(temp) + name + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(f.c_str(), NULL);
    return f;
}

std::string Beside(const char *name)
{
    char me[MAX_PATH];
    GetModuleFileNameA(NULL, me, sizeof me);
    std::string path = me;
    return path.substr(0, path.rfind('\\') + 1) + name;
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadText(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// With SB_PAINT_SHOTS naming a folder, each new box is kept there as a picture.
void Shot(HWND window, const char *name)
{
    const char *folder = getenv("SB_PAINT_SHOTS");
    if (!folder)
        return;
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    sbtest::PumpUntilIdle();
    RECT r;
    GetWindowRect(window, &r);
    HDC screen = GetDC(NULL);
    sbtest::Capture c = sbtest::CaptureDC(screen, r.right, r.bottom);
    ReleaseDC(NULL, screen);
    char rgb[768] = {};
    NewDib dib(CreateDib(r.right - r.left, r.bottom - r.top, rgb, 24));
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++)
            WritePixel(dib.Row(y - r.top), x - r.left, 24, c.At(x, y));
    HGLOBAL h = dib.Release();
    WriteImage((std::string(folder) + "\\" + name + ".bmp").c_str(), h);
    GlobalFree(h);
}

// --- the hand-over ------------------------------------------------------

struct Paint : ::testing::Test {
    std::string log = Folder("sbpaint") + "given.txt";
    char savedpath[SETTINGTEXT];
    void SetUp() override
    {
        strcpy(savedpath, PaintbrushPath);
        lstrcpynA(PaintbrushPath, Beside("testpaint.exe").c_str(), SETTINGTEXT);
        MaximizePaint = 0;
        SetEnvironmentVariableA("SBTESTPAINTLOG", log.c_str());
    }
    void TearDown() override
    {
        strcpy(PaintbrushPath, savedpath);
        MaximizePaint = 1;
        SetEnvironmentVariableA("SBTESTPAINT", NULL);
        SetEnvironmentVariableA("SBTESTPAINTLOG", NULL);
        SetEnvironmentVariableA("SBTESTPAINTWAIT", NULL);
        DeleteFileA(log.c_str());
    }
    // A 5 x 4 picture (pixels as COLORREFs): grey, or index 3 of a palette whose first entries
    // are black, red, green and blue.
    static HGLOBAL Picture(int bits)
    {
        char rgb[768] = {0, 0, 0, (char)255, 0, 0, 0, (char)255, 0, 0, 0, (char)255};
        NewDib dib(CreateDib(5, 4, rgb, bits));
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 5; x++)
                PutDibPixel(dib.header, x, y, bits == 24 ? 0x808080 : 3);
        return dib.Release();
    }
    // Runs the hand-over with the stand-in doing `mode`; the messages shown.
    HGLOBAL Run(HGLOBAL dib, const char *mode, std::vector<std::string> &messages)
    {
        SetEnvironmentVariableA("SBTESTPAINT", mode[0] ? mode : NULL);
        ModalRecorder modal(IDOK);
        modal.Drive([](HWND) {}); // the launch happens for real
        HGLOBAL out = DoPaintImage(NULL, dib);
        EXPECT_EQ(modal.calls.at(0).kind, MODAL_LAUNCH);
        for (size_t i = 1; i < modal.calls.size(); i++)
            messages.push_back(modal.calls[i].text);
        // The program had the picture in a temporary file of ours, which is gone.
        std::string given = ReadText(log);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        EXPECT_EQ(given.rfind(std::string(temp) + "SBN", 0), 0u) << given; // the system keeps three letters
        EXPECT_EQ(given.substr(given.size() - 4), ".bmp");
        EXPECT_FALSE(Exists(given)) << given;
        return out;
    }
};

TEST_F(Paint, TheEditedPictureComesBackAndTheOriginalStaysAsItWas)
{
    struct Case {
        int bits;
        const char *mode;
        int width, height, outbits;
        struct { int x, y; unsigned long value; } pixels[3];
    } cases[] = {
        {24, "", 5, 4, 24, {{0, 0, RGB(255, 0, 0)}, {4, 3, RGB(0, 0, 255)}, {2, 2, 0x808080}}},
        {8, "", 5, 4, 8, {{0, 0, 1}, {4, 3, 2}, {2, 2, 3}}},
        // A program that saves another size and depth is followed.
        {8, "to24", 3, 2, 24, {{0, 0, RGB(255, 0, 0)}, {2, 0, RGB(0, 0, 255)}, {1, 1, 0}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " " + c.mode);
        GlobalBlock in(Picture(c.bits));
        SIZE_T size = GlobalSize(in.get());
        std::vector<char> before(size);
        memcpy(before.data(), GlobalLocked<char>(in).get(), size);
        std::vector<std::string> messages;
        GlobalBlock out(Run(in.get(), c.mode, messages));
        EXPECT_TRUE(messages.empty()) << messages.at(0);
        ASSERT_TRUE(out);
        DibLock lock(out.get());
        ASSERT_TRUE(lock.ok());
        EXPECT_EQ(lock.layout.width, c.width);
        EXPECT_EQ(lock.layout.height, c.height);
        EXPECT_EQ(lock.layout.bits, c.outbits);
        for (auto &p : c.pixels)
            EXPECT_EQ(GetDibPixel(lock.header, p.x, p.y), p.value) << p.x << "," << p.y;
        EXPECT_EQ(memcmp(before.data(), GlobalLocked<char>(in).get(), size), 0);
    }
}

TEST_F(Paint, ABadPictureIsRefusedWithItsReasonAndNoFileIsLeft)
{
    struct Case {
        const char *mode;
        const char *message;
    } cases[] = {
        {"notbm", "Corrupted file"},  {"short", "Error reading file"}, {"offset", "Corrupted file"},
        {"header", "Corrupted file"}, {"depth", "Corrupted file"},     {"size", "Corrupted file"},
        {"rows", "Corrupted file"},   {"delete", "Error opening file"},
    };
    GlobalBlock in(Picture(24));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        std::vector<std::string> messages;
        EXPECT_EQ(Run(in.get(), c.mode, messages), (HGLOBAL)NULL);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], c.message);
    }
    // A program that cannot be started is said so; the file goes all the same.
    strcpy(PaintbrushPath, (Folder("sbpaint") + "nothere.exe").c_str());
    ModalRecorder modal(IDOK);
    modal.Drive([](HWND) {});
    EXPECT_EQ(DoPaintImage(NULL, in.get()), (HGLOBAL)NULL);
    ASSERT_EQ(modal.calls.size(), 2u);
    EXPECT_EQ(modal.calls[1].text, "The paint application cannot be located.");
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((std::string(temp) + "SBN*.bmp").c_str(), &found);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << found.cFileName;
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
}

std::atomic<int> paints;

LRESULT CALLBACK CountPaints(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT)
        paints++;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(Paint, TheEditorsWindowsArePaintedWhileTheProgramRuns)
{
    HWND window = sbtest::CreateTestWindow(true, 200, 100, CountPaints);
    sbtest::PumpUntilIdle();
    HANDLE go = CreateEventA(NULL, TRUE, FALSE, "sbtestpaint_go");
    SetEnvironmentVariableA("SBTESTPAINTWAIT", "sbtestpaint_go");
    std::atomic<bool> painted{false};
    // While the program waits to save, the window is asked to paint itself.
    std::thread other([&] {
        int before = paints;
        InvalidateRect(window, NULL, TRUE);
        for (int i = 0; i < 3000 && paints == before; i++)
            Sleep(10);
        painted = paints != before;
        SetEvent(go);
    });
    GlobalBlock in(Picture(24));
    std::vector<std::string> messages;
    GlobalBlock out(Run(in.get(), "", messages));
    other.join();
    EXPECT_TRUE(painted);
    EXPECT_TRUE(out);
    CloseHandle(go);
    DestroyWindow(window);
}

// --- the search ---------------------------------------------------------

std::vector<std::string> testroots;
int rootcalls;
void TestRoots(HWND, std::vector<std::string> &roots)
{
    rootcalls++;
    roots = testroots;
}

// A box that is told to stop before it starts: untick "search again", Abort.
void AbortingRoots(HWND, std::vector<std::string> &roots)
{
    HWND box = FindWindowA(NULL, "Looking for the paint program");
    EXPECT_TRUE(box);
    if (getenv("SB_PAINT_SHOTS")) {
        SetDlgItemTextA(box, IDC_PAINTSTATUS, "C:\\Program Files\\Common Files\\");
        Shot(box, "paintsearch");
    }
    PostMessageA(GetDlgItem(box, IDC_PAINTAGAIN), BM_CLICK, 0, 0);
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    roots = testroots;
}

struct Search : ::testing::Test {
    std::string root = Folder("sbsearch");
    void SetUp() override
    {
        saved = PaintSearchRoots;
        PaintSearchRoots = TestRoots;
        rootcalls = 0;
        testroots = {root + "empty\\", root + "drive\\"};
        for (const char *f : {"empty", "drive", "drive\\a", "drive\\a\\b", "drive\\deep"})
            CreateDirectoryA((root + f).c_str(), NULL);
        std::string deep = root + "drive\\deep";
        for (int i = 0; i <= PAINTSEARCHDEPTH; i++)
            CreateDirectoryA((deep += "\\d").c_str(), NULL);
        CopyFileA(Beside("testpaint.exe").c_str(), (deep + "\\DEEPPAINT.EXE").c_str(), FALSE);
        CopyFileA(Beside("testpaint.exe").c_str(), (root + "drive\\a\\b\\mspaint.exe").c_str(), FALSE);
    }
    PAINTROOTS saved = PaintSearchRoots;
    void TearDown() override { PaintSearchRoots = saved; }
};

TEST_F(Search, FindsTheProgramOnTheDrivesWithinItsBoundsOrSaysSo)
{
    struct Case {
        const char *name;
        int search;
        const char *path; // the path before
        bool searched, found;
        const char *expected; // the path after, below the root ("" unchanged)
    } cases[] = {
        {"MSPAINT.EXE", 1, "", true, true, "drive\\a\\b\\mspaint.exe"},
        {"MSPAINT.EXE", 1, "C:\\no\\such\\paint.exe", true, true, "drive\\a\\b\\mspaint.exe"},
        {"MSPAINT.EXE", 0, "", false, false, ""},
        {"OTHER.EXE", 1, "", true, false, ""},
        {"DEEPPAINT.EXE", 1, "", true, false, ""}, // below the depth the search goes to
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.path);
        char path[SETTINGTEXT];
        strcpy(path, c.path);
        int search = c.search;
        rootcalls = 0;
        ModalRecorder modal(IDOK);
        EXPECT_EQ(GetPaintbrushPath(NULL, path, c.name, &search), c.found || !c.search ? 1 : 0);
        EXPECT_EQ(rootcalls, c.searched ? 1 : 0);
        EXPECT_EQ(search, c.search);
        EXPECT_EQ(path, c.expected[0] ? root + c.expected : std::string(c.path));
        bool told = c.searched && !c.found;
        ASSERT_EQ(modal.calls.size(), told ? 1u : 0u);
        if (told) {
            EXPECT_EQ(modal.calls[0].text.rfind("Showbinder was unable to find your paint application.", 0), 0u);
        }
    }
    // A path that is there is not searched for.
    char path[SETTINGTEXT];
    strcpy(path, (root + "drive\\a\\b\\mspaint.exe").c_str());
    int search = 1;
    rootcalls = 0;
    EXPECT_EQ(GetPaintbrushPath(NULL, path, "MSPAINT.EXE", &search), 1);
    EXPECT_EQ(rootcalls, 0);
}

TEST_F(Search, AbortStopsItQuietlyAndTheBoxTakesTheSearchAgainChoice)
{
    PaintSearchRoots = AbortingRoots;
    char path[SETTINGTEXT] = "";
    int search = 1;
    ModalRecorder modal(IDOK);
    EXPECT_EQ(GetPaintbrushPath(NULL, path, "MSPAINT.EXE", &search), 0);
    EXPECT_STREQ(path, "");
    EXPECT_EQ(search, 0);
    EXPECT_TRUE(modal.calls.empty());
    EXPECT_FALSE(FindWindowA(NULL, "Looking for the paint program"));
}

TEST_F(Search, AFolderReachedAgainIsNotWalkedAndTheFolderCountAndTimeAreBounded)
{
    // A folder reached a second time, as through a link back up the tree, is
    // known by its identity: here a and b, walked first, are passed over
    // when their drive is walked, and the program in b is not found again.
    std::set<std::string> seen;
    char path[SETTINGTEXT] = "";
    PAINTSEARCHPARAM record{};
    record.path = path;
    record.started = GetTickCount();
    record.timelimit = 600000;
    record.seen = &seen;
    EXPECT_EQ(SearchForPaint((root + "drive\\a").c_str(), "NOTHERE.EXE", &record), 0);
    EXPECT_EQ(record.folders, 2);
    EXPECT_EQ(SearchForPaint((root + "drive").c_str(), "MSPAINT.EXE", &record), 0);
    // drive, deep and its chain of folders down to the depth searched.
    EXPECT_EQ(record.folders, 2 + 2 + PAINTSEARCHDEPTH - 1);
    record = PAINTSEARCHPARAM{};
    record.path = path;
    record.started = GetTickCount();
    record.timelimit = 600000;
    record.folders = PAINTSEARCHFOLDERS - 2;
    EXPECT_EQ(SearchForPaint((root + "drive").c_str(), "MSPAINT.EXE", &record), 0);
    EXPECT_EQ(record.folders, PAINTSEARCHFOLDERS);
    // Out of time before the first folder: nothing is entered.
    record = PAINTSEARCHPARAM{};
    record.path = path;
    record.started = GetTickCount() - 2;
    record.timelimit = 1;
    EXPECT_EQ(SearchForPaint((root + "drive").c_str(), "MSPAINT.EXE", &record), 0);
    EXPECT_EQ(record.folders, 0);
}

// The drive the tests run on is listed, and usable.
TEST(Drives, TheDrivesPresentAreListed)
{
    HWND owner = sbtest::CreateTestWindow(false);
    char map[SETTINGTEXT + 1] = "unchanged";
    EXPECT_EQ(GetDriveMap(owner, map), 1);
    DestroyWindow(owner);
    char here[MAX_PATH];
    GetCurrentDirectoryA(sizeof here, here);
    int current = toupper((unsigned char)here[0]);
    std::string letters;
    for (const char *p = map; *p; p++)
        letters += (char)toupper((unsigned char)*p);
    EXPECT_NE(letters.find((char)current), std::string::npos) << map;
    EXPECT_EQ(testdisk(current - 'A'), 0);
}

// --- the small dialogs --------------------------------------------------

TEST(SmallDialogs, TheTipShowsTheNextLineAndShiftShowsAnother)
{
    char saved[SETTINGTEXT];
    strcpy(saved, ApplicationPath);
    std::string folder = Folder("sbtip");
    strcpy(ApplicationPath, folder.c_str());
    std::ofstream(folder + "SHOWBUILDER.TIP")
        << "Double-click a page to edit it.\nHold Shift while you press Done\\nto see another tip.\n";
    TipOfTheDay = 1;
    ShowTipOfTheDay = 1;
    ModalRecorder modal;
    modal.Drive([](HWND dlg) {
        char text[TIPTEXTSIZE];
        GetDlgItemTextA(dlg, IDC_TIPTEXT, text, sizeof text);
        EXPECT_STREQ(text, "Double-click a page to edit it.");
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_TIPSHOWAGAIN), BST_CHECKED);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = 0x80;
        SetKeyboardState(keys);
        sbtest::Click(dlg, IDOK);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        EXPECT_TRUE(IsWindow(dlg));
        GetDlgItemTextA(dlg, IDC_TIPTEXT, text, sizeof text);
        EXPECT_STREQ(text, "Hold Shift while you press Done\nto see another tip.");
        Shot(dlg, "tipoftheday");
        sbtest::Click(dlg, IDC_TIPSHOWAGAIN);
        sbtest::Click(dlg, IDOK);
    });
    EXPECT_EQ(ShowTipDialog(NULL), 1);
    EXPECT_EQ(modal.calls.at(0).name, "TipOfTheDayBox");
    EXPECT_EQ(ShowTipOfTheDay, 0);
    EXPECT_EQ(TipOfTheDay, 3);
    ShowTipOfTheDay = 1;
    strcpy(ApplicationPath, saved);
}

TEST(SmallDialogs, AnItemsTextNeedsAtLeastOneCharacter)
{
    struct Case {
        const char *typed;
        bool ok;
        int result;
        const char *after;
    } cases[] = {{"Second item", true, 1, "Second item"}, {"", false, 0, "First item"}};
    for (const Case &c : cases) {
        char text[SETTINGTEXT] = "First item";
        ModalRecorder modal;
        modal.Drive([&](HWND dlg) {
            sbtest::PumpUntilIdle();
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
            if (!c.typed[0])
                Shot(dlg, "itemtext");
            SetDlgItemTextA(dlg, IDC_ITEMTEXT, c.typed);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDOK)) != 0, c.ok);
            sbtest::Click(dlg, c.ok ? IDOK : IDCANCEL);
        });
        EXPECT_EQ(GetListBoxString(NULL, text), c.result);
        EXPECT_STREQ(text, c.after);
    }
}

TEST(SmallDialogs, ThePaletteGridPicksOnlyIndicesThePaletteHas)
{
    unsigned char palette[16 * 3];
    for (int i = 0; i < 16; i++)
        palette[3 * i] = (unsigned char)(i * 16), palette[3 * i + 1] = 128, palette[3 * i + 2] = (unsigned char)(255 - i * 16);
    struct Case {
        int column, row;
        int result, index;
    } cases[] = {{5, 0, 1, 5}, {15, 0, 1, 15}, {0, 1, 0, 7}, {3, 15, 0, 7}};
    for (const Case &c : cases) {
        int index = 7;
        ModalRecorder modal;
        modal.Drive([&](HWND dlg) {
            RECT button, client;
            GetWindowRect(GetDlgItem(dlg, IDOK), &button);
            MapWindowPoints(NULL, dlg, (POINT *)&button, 2);
            GetClientRect(dlg, &client);
            int w = client.right / 16, h = (button.top - 6) / 16;
            // The cell shows its colour.
            sbtest::PumpUntilIdle();
            if (c.column == 5)
                Shot(dlg, "paletteindex");
            EXPECT_EQ(sbtest::CaptureClient(dlg).At(5 * w + w / 2, h / 2), RGB(80, 128, 175));
            SendMessageA(dlg, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.column * w + w / 2, c.row * h + h / 2));
            if (IsWindow(dlg) && !c.result)
                sbtest::Click(dlg, IDCANCEL);
        });
        EXPECT_EQ(SelectColour(NULL, palette, 16, &index), c.result);
        EXPECT_EQ(index, c.index);
    }
}

TEST(SmallDialogs, TheFontListHoldsTheFamiliesAndSelectsTheFace)
{
    HWND owner = sbtest::CreateTestWindow(false);
    HWND combo = CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT | CBS_HASSTRINGS, 0, 0, 200, 200,
                               owner, (HMENU)300, hInst, NULL);
    ASSERT_EQ(InitFontCombo(owner, 300, "No such face at all"), 1);
    int n = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    ASSERT_GT(n, 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    char face[LF_FACESIZE] = "";
    SendMessageA(combo, CB_GETLBTEXT, n - 1, (LPARAM)face);
    HGLOBAL data = (HGLOBAL)SendMessageA(combo, CB_GETITEMDATA, n - 1, 0);
    ASSERT_TRUE(data);
    EXPECT_STREQ(GlobalLocked<char>(data).get(), face);
    FreeFontCombo(combo);
    EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, n - 1, 0), 0);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    // The first family that begins with the face given is selected.
    std::string start(face, strlen(face) > 3 ? 3 : strlen(face));
    InitFontCombo(owner, 300, start.c_str());
    char chosen[LF_FACESIZE] = "";
    SendMessageA(combo, CB_GETLBTEXT, SendMessageA(combo, CB_GETCURSEL, 0, 0), (LPARAM)chosen);
    EXPECT_EQ(lstrcmpiA(std::string(chosen).substr(0, start.size()).c_str(), start.c_str()), 0);
    FreeFontCombo(combo);
    DestroyWindow(owner);
}

} // namespace
