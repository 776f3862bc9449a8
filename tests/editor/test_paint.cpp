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
#include <iterator>
#include <map>
#include <mutex>
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
    GlobalBlock h(dib.Release());
    WriteImage((std::string(folder) + "\\" + name + ".bmp").c_str(), h.get());
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
        for (const char *name : {"SBTESTPAINT", "SBTESTPAINTLOG", "SBTESTPAINTWAIT"})
            SetEnvironmentVariableA(name, NULL);
        DeleteFileA(log.c_str());
    }
    // A 5 x 4 picture: grey, or index 3 of a palette that starts black, red,
    // green, blue.
    static HGLOBAL Picture(int bits)
    {
        char rgb[768] = {0, 0, 0, (char)255, 0, 0, 0, (char)255, 0, 0, 0, (char)255};
        NewDib dib(CreateDib(5, 4, rgb, bits));
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 5; x++)
                PutDibPixel(dib.header, x, y, bits == 24 ? 0x808080 : 3);
        return dib.Release();
    }
    // The hand-over with the stand-in doing `mode`; the messages it showed.
    HGLOBAL Run(HGLOBAL dib, const char *mode, std::vector<std::string> &messages)
    {
        SetEnvironmentVariableA("SBTESTPAINT", mode[0] ? mode : NULL);
        DeleteFileA(log.c_str());
        ModalRecorder modal(IDOK);
        modal.Drive([](HWND) {}); // the launch happens for real
        HGLOBAL out = DoPaintImage(NULL, dib);
        EXPECT_EQ(modal.calls.at(0).kind, MODAL_LAUNCH);
        for (size_t i = 1; i < modal.calls.size(); i++)
            messages.push_back(modal.calls[i].text);
        // The picture went in a temporary file of ours, which is gone.
        std::ifstream f(log, std::ios::binary);
        std::string given((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        if (Exists(log)) {
            EXPECT_EQ(given.rfind(std::string(temp) + "SBN", 0), 0u) << given; // the system keeps three letters
            EXPECT_EQ(given.substr(given.size() - 4), ".bmp");
            EXPECT_FALSE(Exists(given)) << given;
        }
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((std::string(temp) + "SBN*.bmp").c_str(), &found);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE) << found.cFileName;
        if (h != INVALID_HANDLE_VALUE)
            FindClose(h);
        return out;
    }
};

TEST_F(Paint, PicturesComeBackEditedOrAreRefusedWithTheirReasonAndTheOriginalStays)
{
    struct Case {
        int bits;
        const char *mode, *message;
        int width, height, outbits;
        struct { int x, y; unsigned long value; } pixels[3];
    } cases[] = {
        {24, "", nullptr, 5, 4, 24, {{0, 0, RGB(255, 0, 0)}, {4, 3, RGB(0, 0, 255)}, {2, 2, 0x808080}}},
        {8, "", nullptr, 5, 4, 8, {{0, 0, 1}, {4, 3, 2}, {2, 2, 3}}},
        // A program that saves another size and depth is followed.
        {8, "to24", nullptr, 3, 2, 24, {{0, 0, RGB(255, 0, 0)}, {2, 0, RGB(0, 0, 255)}, {1, 1, 0}}},
        {24, "notbm", "Corrupted file", 0, 0, 0, {}},
        {24, "short", "Error reading file", 0, 0, 0, {}},
        {24, "offset", "Corrupted file", 0, 0, 0, {}},
        {24, "header", "Corrupted file", 0, 0, 0, {}},
        {24, "depth", "Corrupted file", 0, 0, 0, {}},
        {24, "size", "Corrupted file", 0, 0, 0, {}},
        {24, "rows", "Corrupted file", 0, 0, 0, {}},
        {24, "delete", "Error opening file", 0, 0, 0, {}},
        {24, "missing", "The paint application cannot be located.", 0, 0, 0, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " " + c.mode);
        if (!strcmp(c.mode, "missing"))
            strcpy(PaintbrushPath, (Folder("sbpaint") + "nothere.exe").c_str());
        GlobalBlock in(Picture(c.bits));
        SIZE_T size = GlobalSize(in.get());
        std::vector<char> before(size);
        memcpy(before.data(), GlobalLocked<char>(in).get(), size);
        std::vector<std::string> messages;
        GlobalBlock out(Run(in.get(), c.mode, messages));
        EXPECT_EQ(memcmp(before.data(), GlobalLocked<char>(in).get(), size), 0);
        if (c.message) {
            EXPECT_FALSE(out);
            EXPECT_EQ(messages, std::vector<std::string>{c.message});
            continue;
        }
        EXPECT_TRUE(messages.empty());
        DibLock lock(out.get());
        ASSERT_TRUE(lock.ok());
        EXPECT_EQ(lock.layout.width * 100 + lock.layout.height, c.width * 100 + c.height);
        EXPECT_EQ(lock.layout.bits, c.outbits);
        for (auto &p : c.pixels)
            EXPECT_EQ(GetDibPixel(lock.header, p.x, p.y), p.value) << p.x << "," << p.y;
    }
}

std::atomic<int> paints;

LRESULT CALLBACK CountPaints(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    paints += msg == WM_PAINT;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(Paint, TheEditorsWindowsArePaintedWhileTheProgramRuns)
{
    HWND window = sbtest::CreateTestWindow(true, 200, 100, CountPaints);
    sbtest::PumpUntilIdle();
    HANDLE go = CreateEventA(NULL, TRUE, FALSE, "sbtestpaint_go");
    SetEnvironmentVariableA("SBTESTPAINTWAIT", "sbtestpaint_go");
    // The program saves only once the window has painted itself anew.
    std::atomic<bool> painted{false};
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
// Counted on the walk's thread and read on the test's.
std::atomic<int> rootcalls;
void TestRoots(HWND, std::vector<std::string> &roots)
{
    rootcalls++;
    roots = testroots;
}

// The user unticks "search again" and aborts as soon as the box is up.
void AbortingRoots(HWND, std::vector<std::string> &)
{
    // Counted first: once the box has the Cancel, the search may return
    // before this thread goes on.
    rootcalls++;
    HWND box = FindWindowA(NULL, "Looking for the paint program");
    EXPECT_TRUE(box);
    if (getenv("SB_PAINT_SHOTS")) {
        SetDlgItemTextA(box, IDC_PAINTSTATUS, "C:\\Program Files\\Common Files\\");
        Shot(box, "paintsearch");
    }
    // Sent from the walk's thread: the box has taken both before any drive
    // is walked.
    HWND again = GetDlgItem(box, IDC_PAINTAGAIN);
    SendMessageA(again, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_PAINTAGAIN, BN_CLICKED), (LPARAM)again);
    SendMessageA(box, WM_COMMAND, IDCANCEL, 0);
}

// The walk cannot start: no event for its end can be made.
HANDLE NoSignal()
{
    return NULL;
}

// How the tests' searches read a folder: as the system does, except that a
// folder named "up" is a link back to its parent's parent (the entry says so,
// and reading it reads that folder), and the folder named "slow" holds its
// read until the test lets it go. Every folder read is counted by the one
// it really is.
std::mutex readslock;
std::map<std::string, int> reads;
HANDLE release, left, rootsleft; // the slow read's and the held list's: let go, and gone
HANDLE held; // set as the walk is held in the slow read

// The search's clock for a search held in the slow read: still until then,
// then 100 ms at each reading, so that the time the search holds the box is
// counted in its own readings, however loaded the machine.
std::atomic<DWORD> ticks;
DWORD WINAPI HeldClock()
{
    return WaitForSingleObject(held, 0) == WAIT_OBJECT_0 ? ticks += 100 : 0;
}

// A drive list that waits on its drives until the test lets it go.
void HeldRoots(HWND window, std::vector<std::string> &roots)
{
    WaitForSingleObject(release, 60000);
    TestRoots(window, roots);
    SetEvent(rootsleft);
}
std::string Upper(std::string s)
{
    CharUpperBuffA(&s[0], (DWORD)s.size());
    return s;
}
bool StandInRead(const std::string &folder, std::vector<WIN32_FIND_DATAA> &entries)
{
    std::string real = folder;
    size_t up = Upper(real).rfind("\\UP\\");
    if (up != std::string::npos && up + 4 == real.size()) {
        real.resize(up);
        real.resize(real.rfind('\\') + 1);
    }
    {
        std::lock_guard<std::mutex> hold(readslock);
        reads[Upper(real)]++;
    }
    if (Upper(folder).size() >= 6 && Upper(folder).compare(folder.size() - 6, 6, "\\SLOW\\") == 0) {
        SetEvent(held);
        WaitForSingleObject(release, 60000);
        SetEvent(left);
        return false;
    }
    if (!PaintSystemSearch.read(real, entries))
        return false;
    for (WIN32_FIND_DATAA &e : entries)
        if (lstrcmpiA(e.cFileName, "up") == 0)
            e.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return true;
}

struct Search : ::testing::Test {
    std::string root = Folder("sbsearch");
    void SetUp() override
    {
        testroots = {root + "empty\\", root + "drive\\"};
        for (const char *f : {"empty", "drive", "drive\\a", "drive\\a\\b", "drive\\deep"})
            CreateDirectoryA((root + f).c_str(), NULL);
        std::string deep = root + "drive\\deep";
        for (int i = 0; i <= PAINTSEARCHDEPTH; i++)
            CreateDirectoryA((deep += "\\d").c_str(), NULL);
        CopyFileA(Beside("testpaint.exe").c_str(), (deep + "\\DEEPPAINT.EXE").c_str(), FALSE);
        CopyFileA(Beside("testpaint.exe").c_str(), (root + "drive\\a\\b\\mspaint.exe").c_str(), FALSE);
        reads.clear();
    }
};

TEST_F(Search, FindsTheProgramOnTheDrivesWithinItsBoundsOrSaysSo)
{
    const std::string found = root + "drive\\a\\b\\mspaint.exe";
    const PAINTSEARCHHOST drives{TestRoots, StandInRead}, aborting{AbortingRoots, StandInRead},
        unstarted{TestRoots, StandInRead, NoSignal};
    struct Case {
        const PAINTSEARCHHOST *host;
        const char *name;
        int search;
        std::string before;
        int result, searched, after;
        std::string path;
        bool told;
    } cases[] = {
        {&drives, "MSPAINT.EXE", 1, "", 1, 1, 1, found, false},
        {&drives, "MSPAINT.EXE", 1, "C:\\no\\such\\paint.exe", 1, 1, 1, found, false},
        {&drives, "MSPAINT.EXE", 1, found, 1, 0, 1, found, false}, // there already
        {&drives, "MSPAINT.EXE", 0, "", 1, 0, 0, "", false},
        {&drives, "OTHER.EXE", 1, "", 0, 1, 1, "", true},
        {&drives, "DEEPPAINT.EXE", 1, "", 0, 1, 1, "", true}, // deeper than the search goes
        {&aborting, "MSPAINT.EXE", 1, "", 0, 1, 0, "", false},
        {&unstarted, "MSPAINT.EXE", 1, "", 0, 0, 1, "", true}, // a walk that found nothing
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.before);
        char path[SETTINGTEXT];
        strcpy(path, c.before.c_str());
        int search = c.search;
        rootcalls = 0;
        ModalRecorder modal(IDOK);
        EXPECT_EQ(GetPaintbrushPath(NULL, path, c.name, &search, c.host), c.result);
        EXPECT_EQ(rootcalls.load(), c.searched);
        EXPECT_EQ(search, c.after);
        EXPECT_EQ(path, c.path.empty() ? c.before : c.path);
        ASSERT_EQ(modal.calls.size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_EQ(modal.calls[0].text.rfind("Showbinder was unable to find your paint application.", 0), 0u);
        }
        EXPECT_FALSE(FindWindowA(NULL, "Looking for the paint program"));
    }
}

// A search root of many folders, one of them a link back up the tree, walked
// to its end: every folder read once, the link never, and the user told. With
// a second root whose read never ends while the search waits, the search
// gives up on its bound: no message, and no search at the next start; so
// does a drive list that waits on its drives.
TEST_F(Search, ALinkIsNotEnteredAndASlowReadEndsTheSearchOnItsBoundWithoutAMessage)
{
    std::string tree = root + "tree\\", slow = root + "slow\\";
    CreateDirectoryA(tree.c_str(), NULL);
    CreateDirectoryA(slow.c_str(), NULL);
    std::set<std::string> folders = {Upper(tree)};
    for (int i = 0; i < 20; i++) {
        std::string branch = tree + "f" + std::to_string(i) + "\\";
        CreateDirectoryA(branch.c_str(), NULL);
        folders.insert(Upper(branch));
        for (int j = 0; j < 5; j++) {
            std::string leaf = branch + "g" + std::to_string(j) + "\\";
            CreateDirectoryA(leaf.c_str(), NULL);
            folders.insert(Upper(leaf));
        }
    }
    CreateDirectoryA((tree + "f3\\up").c_str(), NULL); // leads back to tree
    release = CreateEventA(NULL, TRUE, FALSE, NULL);
    left = CreateEventA(NULL, TRUE, FALSE, NULL);
    rootsleft = CreateEventA(NULL, TRUE, FALSE, NULL);
    held = CreateEventA(NULL, TRUE, FALSE, NULL);
    ticks = 0;
    const PAINTSEARCHHOST host{TestRoots, StandInRead}, heldroots{HeldRoots, StandInRead},
        timed{TestRoots, StandInRead, nullptr, HeldClock};
    struct Case {
        std::vector<std::string> roots;
        int result, after;
        bool told;
        const PAINTSEARCHHOST *host;
    } cases[] = {
        {{tree}, 0, 1, true, &host},
        {{tree, slow}, 0, 0, false, &timed},
        {{tree}, 0, 0, false, &heldroots},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.roots.size());
        testroots = c.roots;
        reads.clear();
        char path[SETTINGTEXT] = "";
        int search = 1;
        ModalRecorder modal(IDOK);
        EXPECT_EQ(GetPaintbrushPath(NULL, path, "MSPAINT.EXE", &search, c.host), c.result);
        EXPECT_EQ(search, c.after);
        EXPECT_EQ(modal.calls.size(), c.told ? 1u : 0u);
        // The box is held 1.5 s by the search's own clock, and no longer.
        if (c.host == &timed)
            EXPECT_EQ(ticks.load(), 1500u);
        std::lock_guard<std::mutex> hold(readslock);
        if (c.host == &heldroots) {
            EXPECT_TRUE(reads.empty());
            continue;
        }
        for (const std::string &f : folders)
            EXPECT_EQ(reads[f], 1) << f;
        EXPECT_EQ(reads.size(), folders.size() + (c.roots.size() > 1 ? 1 : 0));
    }
    SetEvent(release);
    EXPECT_EQ(WaitForSingleObject(left, 60000), WAIT_OBJECT_0) << "the slow read to end";
    EXPECT_EQ(WaitForSingleObject(rootsleft, 60000), WAIT_OBJECT_0) << "the held drive list to end";
    CloseHandle(release);
    CloseHandle(left);
    CloseHandle(rootsleft);
    CloseHandle(held);
}

TEST_F(Search, AFolderReachedAgainIsNotWalkedAndTheFolderCountIsBounded)
{
    auto walk = [&](const char *folder, const char *name, int folders, PAINTWALK &w) {
        w.host = PaintSystemSearch;
        w.folders = folders;
        EXPECT_EQ(SearchForPaint((root + folder).c_str(), name, &w), 0);
        return w.folders - folders;
    };
    // A folder reached a second time, as through a link back up the tree, is
    // known by its identity: a and b, walked first, are passed over when
    // their drive is walked, and the program in b is not found again; the
    // drive walk enters drive, deep and its chain down to the depth searched.
    PAINTWALK shared, fresh, stopped;
    EXPECT_EQ(walk("drive\\a", "NOTHERE.EXE", 0, shared), 2);
    EXPECT_EQ(walk("drive", "MSPAINT.EXE", 0, shared), 2 + PAINTSEARCHDEPTH - 1);
    EXPECT_EQ(shared.bounded, 0);
    EXPECT_EQ(walk("drive", "MSPAINT.EXE", PAINTSEARCHFOLDERS - 2, fresh), 2);
    EXPECT_EQ(fresh.bounded, 1);
    stopped.stop = 1;
    EXPECT_EQ(walk("drive", "MSPAINT.EXE", 0, stopped), 0);
}

int windowsmade;
LRESULT CALLBACK CountWindowsMade(int code, WPARAM wParam, LPARAM lParam)
{
    windowsmade += code == HCBT_CREATEWND;
    return CallNextHookEx(NULL, code, wParam, lParam);
}

// Every drive present is listed, a: (mapped here unless it is there) as
// well as the one the tests run on, which is usable; the list is made with
// no window, as it is on the search's thread for the frame's window.
TEST(Drives, TheDrivesPresentAreListed)
{
    const bool mapped = !(GetLogicalDrives() & 1) && DefineDosDeviceA(0, "A:", "C:\\");
    HWND owner = sbtest::CreateTestWindow(false);
    char map[SETTINGTEXT + 1] = "";
    windowsmade = 0;
    HHOOK hook = SetWindowsHookExA(WH_CBT, CountWindowsMade, NULL, GetCurrentThreadId());
    EXPECT_EQ(GetDriveMap(owner, map), 1);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(windowsmade, 0);
    DestroyWindow(owner);
    std::string present;
    for (int i = 0; i < 26; i++)
        if (GetLogicalDrives() >> i & 1)
            present += (char)('a' + i);
    if (mapped)
        DefineDosDeviceA(DDD_REMOVE_DEFINITION, "A:", NULL);
    EXPECT_EQ(map, present);
    EXPECT_EQ(map[0], 'a');
    char here[MAX_PATH];
    GetCurrentDirectoryA(sizeof here, here);
    int current = toupper((unsigned char)here[0]);
    EXPECT_TRUE(strchr(map, tolower(current))) << map;
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
        auto text = [dlg] {
            char t[TIPTEXTSIZE];
            GetDlgItemTextA(dlg, IDC_TIPTEXT, t, sizeof t);
            return std::string(t);
        };
        EXPECT_EQ(text(), "Double-click a page to edit it.");
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_TIPSHOWAGAIN), BST_CHECKED);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = 0x80;
        SetKeyboardState(keys);
        sbtest::Click(dlg, IDOK);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        EXPECT_TRUE(IsWindow(dlg));
        EXPECT_EQ(text(), "Hold Shift while you press Done\nto see another tip.");
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
        int result;
        const char *after;
    } cases[] = {{"Second item", 1, "Second item"}, {"", 0, "First item"}};
    for (const Case &c : cases) {
        char text[SETTINGTEXT] = "First item";
        ModalRecorder modal;
        modal.Drive([&](HWND dlg) {
            sbtest::PumpUntilIdle();
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
            Shot(dlg, "itemtext");
            SetDlgItemTextA(dlg, IDC_ITEMTEXT, c.typed);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDOK)) != 0, c.result == 1);
            sbtest::Click(dlg, c.result ? IDOK : IDCANCEL);
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
        int column, row, result, index;
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
            sbtest::PumpUntilIdle();
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
    for (int i = 1; i < n; i++) { // sorted: a face named twice would sit next to itself
        char a[LF_FACESIZE] = "", b[LF_FACESIZE] = "";
        SendMessageA(combo, CB_GETLBTEXT, i - 1, (LPARAM)a), SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)b);
        EXPECT_STRCASENE(a, b);
    }
    char face[LF_FACESIZE] = "";
    SendMessageA(combo, CB_GETLBTEXT, n - 1, (LPARAM)face);
    HGLOBAL data = (HGLOBAL)SendMessageA(combo, CB_GETITEMDATA, n - 1, 0);
    ASSERT_TRUE(data);
    EXPECT_STREQ(GlobalLocked<char>(data).get(), face);
    FreeFontCombo(combo);
    EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, n - 1, 0), 0);
    // The first family that begins with the face given is selected.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    std::string start(face, strlen(face) > 3 ? 3 : strlen(face));
    InitFontCombo(owner, 300, start.c_str());
    char chosen[LF_FACESIZE] = "";
    SendMessageA(combo, CB_GETLBTEXT, SendMessageA(combo, CB_GETCURSEL, 0, 0), (LPARAM)chosen);
    EXPECT_EQ(_strnicmp(chosen, start.c_str(), start.size()), 0) << chosen;
    FreeFontCombo(combo);
    DestroyWindow(owner);
}

} // namespace
