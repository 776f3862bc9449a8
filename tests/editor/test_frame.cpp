// The editor's frame driven as a user would: started with a seeded
// configuration and documents saved by the real writer, commands posted to
// it, its menu, toolbar, status bar and document windows read back; and the configuration file, the recent files, the tip of the
// day and the open folder at their interfaces.
#include "common/about.h"
#include "common/shell.h"
#include "common/paths.h"
#include "common/statbar.h"
#include "common/theme.h"
#include "document/blockstore.h"
#include "document/writer.h"
#include "editor/config.h"
#include "editor/docwindow.h"
#include "editor/editormain.h"
#include "editor/paint.h"
#include "editor/shell.h"
#include "editor/tipfolder.h"
#include "editor/toolbar.h"
#include "resources/setup_ids.h"
#include "tests/editor/screenbits.h"
#include "resources/editorframe_ids.h"
#include "tests/support/editorsupport.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

using sbtest::ModalRecorder;

namespace {

const std::string &root = sbtest::UserFolders::root;

std::string ReadAll(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    std::string text = s.str(); // written as text: CR LF line ends
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

void WriteAll(const std::string &path, const std::string &text)
{
    COMMONMakeFoldersFor(path.c_str());
    std::ofstream(path, std::ios::binary) << text;
}

std::string MenuText(UINT id)
{
    char text[SETTINGTEXT] = "";
    GetMenuStringA(GetMenu(hwndmain), id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

bool MenuEnabled(UINT id) { return !(GetMenuState(GetMenu(hwndmain), id, MF_BYCOMMAND) & MF_GRAYED); }

std::vector<std::string> RecentFiles()
{
    std::vector<std::string> list;
    for (int i = 0; i < FilePathIndex; i++)
        list.push_back(MenuText(IDM_RECENTFILE + i));
    return list;
}

HWND ActiveDocument() { return (HWND)SendMessageA(hwndclient, WM_MDIGETACTIVE, 0, 0); }

int Documents()
{
    int n = 0;
    for (HWND c = GetWindow(hwndclient, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char name[64] = "";
        GetClassNameA(c, name, sizeof name);
        n += strcmp(name, TASKCLASSNAME) == 0 && GetParent(c) == hwndclient;
    }
    return n;
}

// A document window's block list (control 10) as "H" for the header and the
// pages' titles.
std::string Titles(HWND doc)
{
    HWND list = GetDlgItem(doc, IDC_BLOCKLIST);
    std::string out;
    int n = list ? (int)SendMessageA(list, LB_GETCOUNT, 0, 0) : 0;
    for (int i = 0; i < n; i++) {
        BLOCK b;
        GetBlock(list, i, &b);
        if (i)
            out += ' ';
        out += b.tag == TAG_HEDR ? "H" : FetchBlockText(&b);
    }
    return out;
}

std::string WindowText(HWND window)
{
    char text[SETTINGTEXT] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::function<void()> script;
bool scripted;

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD)
{
    if (scripted || !hwndmain || !IsWindow(hwndmain))
        return;
    scripted = true;
    KillTimer(NULL, id);
    script();
    if (hwndmain && IsWindow(hwndmain)) {
        // Whatever the script left unsaved does not keep the editor asking.
        sbtest::ForgetChanges();
        PostMessageA(hwndmain, WM_CLOSE, 0, 0);
    }
}

// Every start gets its own user folders and a configuration file that keeps
// the logo, the tip, the paint search and the driver notice away; every
// setting is as it was after the test.
struct Frame : ::testing::Test {
    EDITORPARTS parts{};
    sbtest::KeptSettings settings;
    sbtest::UserFolders folders{"sbframe"};
    void SetUp() override { OpenPath[0] = 0; }
    std::string Config() { return ConfigFilePath(); }
    void Seed(const std::string &more = "") { sbtest::WriteQuietConfig(more); }
    std::string MakeFile(const std::string &name, const std::string &bytes = "x")
    {
        std::string path = root + "files\\" + name;
        WriteAll(path, bytes);
        return path;
    }
    // A document of a header and these pages, saved by the editor's writer.
    std::string MakeDocument(const std::string &name, std::vector<const char *> pages)
    {
        std::string path = MakeFile(name);
        HWND owner = sbtest::CreateTestWindow(false);
        HWND list = CreateWindowA("LISTBOX", "", WS_CHILD | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS, 0, 0, 100, 100,
                                  owner, (HMENU)IDC_BLOCKLIST, hInst, NULL);
        BLOCKSET set{};
        BLOCK block;
        CreateBlock(owner, &set, &block, TAG_HEDR, nullptr, 0);
        AppendBlock(list, &set, &block);
        for (const char *title : pages) {
            CreateBlock(owner, &set, &block, TAG_PAGE, nullptr, 0);
            snprintf(block.page.title, sizeof block.page.title, "%s", title);
            AppendBlock(list, &set, &block);
        }
        EXPECT_EQ(WriteExeFile(list, &set, path.c_str()), 1);
        FreeBlocks(owner, &set);
        DestroyWindow(owner);
        return path;
    }
    int Run(const char *cmdline, std::function<void()> body)
    {
        script = std::move(body);
        scripted = false;
        UINT_PTR timer = SetTimer(NULL, 0, 20, RunScript);
        int code = EditorMain(hInst, cmdline, SW_SHOWNORMAL, parts);
        KillTimer(NULL, timer);
        EXPECT_TRUE(scripted);
        return code;
    }
};

TEST_F(Frame, StartsWithItsWindowsAndEndsCleanlyTwice)
{
    Seed();
    for (int pass = 0; pass < 2; pass++) {
        EXPECT_EQ(Run("", [] {
            char title[64];
            GetWindowTextA(hwndmain, title, sizeof title);
            EXPECT_STREQ(title, "Showbinder\x99");
            EXPECT_EQ(STATGetNumCells(hwndmain), 2);
            // The client lies between the toolbar and the status bar.
            RECT frame, client, status;
            GetClientRect(hwndmain, &frame);
            GetWindowRect(statusbar, &status);
            GetWindowRect(hwndclient, &client);
            MapWindowPoints(NULL, hwndmain, (POINT *)&client, 2);
            int bar = COMMONTHEMEGetMetric(1);
            EXPECT_EQ(client.top, bar + 1);
            EXPECT_EQ(client.bottom, frame.bottom - (status.bottom - status.top) - 1);
            HWND box = GetDlgItem(hwndbar, IDC_VIEWMODE);
            ASSERT_TRUE(box);
            char mode[32];
            SendMessageA(box, CB_GETLBTEXT, 0, (LPARAM)mode);
            EXPECT_STREQ(mode, "Text only");
            SendMessageA(box, CB_GETLBTEXT, 3, (LPARAM)mode);
            EXPECT_STREQ(mode, "Large image");
            // Every mode shows whole in the box's own font, beside its arrow,
            // and the first button starts after the box.
            RECT field{};
            COMBOBOXINFO info{sizeof info};
            ASSERT_TRUE(GetComboBoxInfo(box, &info));
            field = info.rcItem;
            HDC dc = GetDC(box);
            HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(box, WM_GETFONT, 0, 0));
            for (int i = 0; i < 4; i++) {
                SendMessageA(box, CB_GETLBTEXT, i, (LPARAM)mode);
                SIZE size{};
                GetTextExtentPoint32A(dc, mode, (int)strlen(mode), &size);
                EXPECT_LE(size.cx, field.right - field.left) << mode;
            }
            SelectObject(dc, old);
            ReleaseDC(box, dc);
            RECT boxrect, first;
            GetWindowRect(box, &boxrect);
            GetWindowRect(GetDlgItem(hwndbar, IDM_OPEN), &first);
            EXPECT_GT(first.left, boxrect.right);
            int buttons = 0;
            for (int id = 50; id <= 61; id++)
                buttons += GetDlgItem(hwndbar, id) != NULL;
            EXPECT_EQ(buttons, 10);
            // Without a document only what needs none is on; what comes in
            // later windows is off.
            struct { UINT id; bool on; } items[] = {
                {IDM_NEW, true},    {IDM_OPEN, true},   {IDM_EXIT, true},  {IDM_ABOUT, true},
                {IDM_SAVE, false},  {IDM_CLOSE, false}, {IDM_UNDO, false}, {IDM_DELETE, false},
                {IDM_SETUP, true},  {IDM_PRINT, false}, {IDM_VIEW, false}, {IDM_PASTE, false},
                {IDM_WIZARD, false}, {IDM_SYSINFO, true}, {IDM_TIP, true},
            };
            for (auto &item : items)
                EXPECT_EQ(MenuEnabled(item.id), item.on) << item.id;
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hwndbar, IDM_OPEN)));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwndbar, IDM_SAVE)));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hwndbar, IDM_SETUP)));
            // A command through the toolbar reaches the frame, which sets the
            // status text after it.
            STATSetCellText(hwndmain, "", 0);
            SendMessageA(hwndbar, WM_COMMAND, IDM_CASCADE, 0);
            sbtest::PumpUntilIdle();
            char cell[64] = "";
            STATGetCellText(hwndmain, 0, cell, sizeof cell);
            EXPECT_STREQ(cell, "No blocks selected");
        }), 0);
        EXPECT_EQ(hwndmain, (HWND)NULL);
        WNDCLASSA wc;
        EXPECT_FALSE(GetClassInfoA(hInst, szAppName, &wc));
        EXPECT_FALSE(GetClassInfoA(hInst, TASKCLASSNAME, &wc));
    }
}

// The tools the program links in are reached through its record: the wizard
// runs over the frame; without one its command says that it is not there.
// The shows the editor opens get the program's host, else the system's.
TEST_F(Frame, TheWizardIsWhatTheProgramLinkedIn)
{
    Seed();
    static HWND ranover;
    static const SHOWHOST programs = QV_SystemHost;
    for (bool linked : {false, true}) {
        SCOPED_TRACE(linked);
        ranover = NULL;
        parts.photoalbumwizard = linked ? +[](HWND frame) {
            ranover = frame;
            return 1;
        } : nullptr;
        parts.showhost = linked ? &programs : nullptr;
        Run("", [linked] {
            EXPECT_EQ(&EditorShowHost(), linked ? &programs : &QV_SystemHost);
            EXPECT_EQ(MenuEnabled(IDM_WIZARD), linked);
            ModalRecorder modal(IDOK);
            SendMessageA(hwndmain, WM_COMMAND, IDM_WIZARD, 0);
            EXPECT_EQ(ranover, linked ? hwndmain : (HWND)NULL);
            ASSERT_EQ(modal.calls.size(), linked ? 0u : 1u);
            if (!linked) {
                EXPECT_EQ(modal.calls[0].text, "This function is not available in this program.");
            }
        });
    }
}

TEST_F(Frame, EnablingFollowsTheDocumentItsBlocksAndSelection)
{
    Seed();
    Run("", [] {
        BLOCKSET set{};
        set.viewmode = 3;
        struct Case {
            int count, selected, undo;
            bool save, remove, undone;
            const char *status;
        } cases[] = {
            {0, 0, 0, false, false, false, "No blocks selected"},
            {3, 0, 1, true, false, true, "No blocks selected"},
            {3, 1, 0, true, true, false, "One block selected"},
            {3, 2, 0, true, true, false, "2 blocks selected"},
        };
        for (const Case &c : cases) {
            set.undovalid = c.undo;
            EnableCommands(&set, c.count, c.selected);
            SetSelectionStatus(c.selected);
            EXPECT_EQ(MenuEnabled(IDM_SAVE), c.save);
            EXPECT_EQ(MenuEnabled(IDM_DUPLICATE), c.save);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(hwndbar, IDM_INSERT)) != 0, c.save);
            EXPECT_EQ(MenuEnabled(IDM_DELETE), c.remove);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(hwndbar, IDM_UNSELECTALL)) != 0, c.remove);
            EXPECT_EQ(MenuEnabled(IDM_UNDO), c.undone);
            EXPECT_EQ(MenuEnabled(IDM_VIEW), c.save);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(hwndbar, IDM_VIEW)) != 0, c.save);
            EXPECT_EQ(MenuEnabled(IDM_CUT), c.remove);
            EXPECT_EQ(MenuEnabled(IDM_PRINT), c.remove);
            char cell[64] = "";
            STATGetCellText(hwndmain, 0, cell, sizeof cell);
            EXPECT_STREQ(cell, c.status);
        }
        EXPECT_EQ(SendDlgItemMessageA(hwndbar, IDC_VIEWMODE, CB_GETCURSEL, 0, 0), 3);
        // After a change of theme every button is drawn again.
        for (const BYTE *p = ButtonList; *p; p++)
            ValidateRect(GetDlgItem(hwndbar, *p & 0x7F), NULL);
        SendMessageA(hwndbar, WMU_REPAINTTOOLBAR, 0, 0);
        for (const BYTE *p = ButtonList; *p; p++)
            EXPECT_TRUE(GetUpdateRect(GetDlgItem(hwndbar, *p & 0x7F), NULL, FALSE)) << (int)*p;
    });
}

// Two real documents: one opened from the command line, one made by New.
// Commands go to the active one, the enabling step and the status bar follow
// it, and Exit asks for each unsaved one; a refusal keeps the editor.
TEST_F(Frame, DocumentsTakeTheCommandsTheEnablingFollowsThemAndExitAsks)
{
    Seed();
    std::string doc = MakeDocument("show.exe", {"One", "Two"});
    ModalRecorder modal;
    Run(doc.c_str(), [&] {
        sbtest::PumpUntilIdle();
        HWND opened = ActiveDocument();
        ASSERT_EQ(Documents(), 1);
        // New makes a document, with the blank page the settings ask for; its
        // folder does not enter the recent files.
        SendMessageA(hwndmain, WM_COMMAND, IDM_NEW, 0);
        sbtest::PumpUntilIdle();
        HWND made = ActiveDocument();
        ASSERT_NE(made, opened);
        EXPECT_EQ(Documents(), 2);
        EXPECT_EQ(Titles(made), "H Untitled page 1");
        EXPECT_EQ(WindowText(made), root + "docs\\My Showbinder Documents\\untitled.exe");
        // The Window menu lists it by its whole title, and it opens wide
        // enough to show that title beside the caption's icon and buttons.
        EXPECT_EQ(MenuText(IDM_FIRSTCHILD + 1), "&2 " + WindowText(made));
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        HFONT font = CreateFontIndirectA(&metrics.lfCaptionFont);
        HDC dc = GetDC(made);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE title{};
        GetTextExtentPoint32A(dc, WindowText(made).c_str(), (int)WindowText(made).size(), &title);
        SelectObject(dc, old);
        ReleaseDC(made, dc);
        DeleteObject(font);
        RECT outer;
        GetWindowRect(made, &outer);
        EXPECT_GE(outer.right - outer.left, title.cx + 4 * metrics.iCaptionWidth);
        sbtest::Snapshot(GetDesktopWindow(), "newdocument");
        EXPECT_EQ(RecentFiles(), std::vector<std::string>{doc});

        HWND list = GetDlgItem(opened, IDC_BLOCKLIST);
        SendMessageA(list, LB_SELITEMRANGE, TRUE, MAKELPARAM(1, 2));
        // The new one's blank page can be undone; nothing of the opened one yet.
        struct { HWND doc; bool remove, undo; const char *status; } steps[] = {
            {opened, true, false, "2 blocks selected"},
            {made, false, true, "No blocks selected"},
        };
        for (auto &step : steps) {
            SendMessageA(hwndclient, WM_MDIACTIVATE, (WPARAM)step.doc, 0);
            sbtest::PumpUntilIdle();
            EXPECT_TRUE(MenuEnabled(IDM_SAVE));
            EXPECT_EQ(MenuEnabled(IDM_DELETE), step.remove);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(hwndbar, IDM_DELETE)) != 0, step.remove);
            EXPECT_EQ(MenuEnabled(IDM_UNDO), step.undo);
            EXPECT_TRUE(MenuEnabled(IDM_VIEW));
            EXPECT_EQ(MenuEnabled(IDM_CUT), step.remove);
            char cell[64] = "";
            STATGetCellText(hwndmain, 0, cell, sizeof cell);
            EXPECT_STREQ(cell, step.status);
        }
        // A block command through the frame changes the active document
        // only.
        SendMessageA(hwndclient, WM_MDIACTIVATE, (WPARAM)opened, 0);
        sbtest::PumpUntilIdle();
        SendMessageA(hwndmain, WM_COMMAND, IDM_INSERT, 0);
        EXPECT_EQ(Titles(opened), "H Untitled page 1 One Two");
        EXPECT_EQ(Titles(made), "H Untitled page 1");
        EXPECT_TRUE(MenuEnabled(IDM_UNDO));
        // The toolbar's view-mode box reaches the document through the frame.
        HWND box = GetDlgItem(hwndbar, IDC_VIEWMODE);
        SendMessageA(box, CB_SETCURSEL, 3, 0);
        SendMessageA(hwndbar, WM_COMMAND, MAKEWPARAM(IDC_VIEWMODE, CBN_SELENDOK), (LPARAM)box);
        sbtest::PumpUntilIdle();
        EXPECT_EQ(LockBlockSet(opened)->viewmode, 3);
        UnlockBlockSet(opened);
        EXPECT_GT(SendMessageA(list, LB_GETITEMHEIGHT, 1, 0), SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
        SendMessageA(hwndclient, WM_MDIACTIVATE, (WPARAM)made, 0);
        sbtest::PumpUntilIdle();
        SetFocus(hwndmain);
        SendMessageA(hwndmain, WMU_FOCUSBLOCKLIST, 0, 0);
        EXPECT_EQ(GetFocus(), GetDlgItem(made, IDC_BLOCKLIST));

        // Cancel keeps the editor and both documents, with the settings
        // already written.
        DeleteFileA(Config().c_str());
        modal.Answer(IDCANCEL);
        SendMessageA(hwndmain, WM_COMMAND, IDM_EXIT, 0);
        sbtest::PumpUntilIdle();
        EXPECT_TRUE(IsWindow(hwndmain));
        EXPECT_EQ(Documents(), 2);
        EXPECT_NE(ReadAll(Config()).find(";Showbinder for Windows configuration file"), std::string::npos);
        // No gives up the new one, Yes saves the opened one in place.
        modal.Answer(IDNO);
        modal.Answer(IDYES);
        SendMessageA(hwndmain, WM_COMMAND, IDM_EXIT, 0);
        EXPECT_FALSE(IsWindow(hwndmain));
    });
    ASSERT_EQ(modal.calls.size(), 3u);
    for (int i = 0; i < 3; i++)
        EXPECT_NE(modal.calls[i].text.find("has not been saved"), std::string::npos);
    EXPECT_NE(modal.calls[1].text.find("untitled.exe"), std::string::npos);
    EXPECT_NE(modal.calls[2].text.find(doc), std::string::npos);
    // Saved with its new page. Save as writes where the dialog says (here
    // the name it proposes), then lists the file and starts the next dialog
    // in its folder.
    std::string copy = root + "files\\copy.exe";
    Run(doc.c_str(), [&] {
        sbtest::PumpUntilIdle();
        HWND w = ActiveDocument();
        EXPECT_EQ(Titles(w), "H Untitled page 1 One Two");
        BLOCKSET *set = LockBlockSet(w);
        snprintf(set->path, sizeof set->path, "%s", copy.c_str());
        UnlockBlockSet(w);
        modal.Answer(IDOK);
        SendMessageA(hwndmain, WM_COMMAND, IDM_SAVEAS, 0);
        EXPECT_EQ(WindowText(w), copy);
        EXPECT_EQ(RecentFiles(), (std::vector<std::string>{copy, doc}));
        EXPECT_EQ(std::string(OpenPath), root + "files\\");
    });
    ASSERT_EQ(modal.calls.size(), 4u);
    EXPECT_EQ(modal.calls[3].name, "GetSaveFileName");
}

// Started with a path, the frame opens it at once (no dialog) in a document
// window of its own; a file that holds no document is refused and leaves no
// window.
TEST_F(Frame, OpenTakesTheCommandLineQuotedOrNotWithoutAsking)
{
    struct Case {
        const char *line, *file;
    } cases[] = {
        {"C:\\shows\\demo.exe", "C:\\shows\\demo.exe"},
        {"\"C:\\my shows\\demo.exe\"", "C:\\my shows\\demo.exe"},
        {"  \"C:\\my shows\\demo.exe\"  ", "C:\\my shows\\demo.exe"},
        {"   ", ""},
        {"", ""},
    };
    for (const Case &c : cases) {
        TakeCommandLine(c.line);
        EXPECT_STREQ(LoadFile, c.file) << c.line;
    }
    auto bytes = [](const std::string &path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    // A damaged document is one whose header no longer matches its check.
    std::string damaged = bytes(MakeDocument("damaged.exe", {"One"}));
    damaged[damaged.rfind("HEDR") + 100] ^= 0x55;
    struct Start {
        std::string path;
        bool document;
        const char *refusal;
    } starts[] = {{MakeDocument("my shows\\demo.exe", {"One", "Two", "Three"}), true, nullptr},
                  {MakeFile("not a show.txt", std::string(4096, 'x')), false, "Unsupported format"},
                  {MakeFile("player.exe", bytes(SB_PLAYER_EXE)), false, "Unsupported format"},
                  {MakeFile("damaged.exe", damaged), false, "Error reading file"}};
    for (const Start &start : starts) {
        Seed();
        ModalRecorder modal(IDOK);
        Run(("\"" + start.path + "\"").c_str(), [&] {
            sbtest::PumpUntilIdle();
            ASSERT_EQ(Documents(), start.document ? 1 : 0);
            if (!start.document)
                return;
            HWND doc = ActiveDocument();
            EXPECT_EQ(GetParent(doc), hwndclient);
            EXPECT_EQ(WindowText(doc), start.path);
            EXPECT_EQ(Titles(doc), "H One Two Three");
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(doc, IDC_BLOCKLIST)));
            EXPECT_TRUE(MenuEnabled(IDM_SAVE));
            EXPECT_EQ(RecentFiles(), std::vector<std::string>{start.path});
        });
        SCOPED_TRACE(start.path);
        if (start.document) {
            EXPECT_TRUE(modal.calls.empty());
        } else {
            ASSERT_EQ(modal.calls.size(), 1u);
            EXPECT_EQ(modal.calls[0].text, start.refusal);
        }
        EXPECT_STREQ(LoadFile, "");
        EXPECT_EQ(ReadAll(Config()).find("MenuItem = ") != std::string::npos, start.document);
        EXPECT_EQ(std::string(OpenPath), root + "docs\\My Showbinder Documents\\");
    }
}

// A maximised document puts its system menu first in the frame's menu bar:
// the recent files are still found and written at exit.
TEST_F(Frame, RecentFilesAreKeptWhenADocumentIsMaximisedAtExit)
{
    Seed();
    std::string path = MakeDocument("maximised.exe", {"One"});
    ModalRecorder modal(IDOK);
    Run(("\"" + path + "\"").c_str(), [&] {
        sbtest::PumpUntilIdle();
        ASSERT_EQ(Documents(), 1);
        SendMessageA(hwndclient, WM_MDIMAXIMIZE, (WPARAM)ActiveDocument(), 0);
        sbtest::PumpUntilIdle();
        BOOL maximised = FALSE;
        SendMessageA(hwndclient, WM_MDIGETACTIVE, 0, (LPARAM)&maximised);
        ASSERT_TRUE(maximised);
        ASSERT_EQ(GetMenuState(GetSubMenu(GetMenu(hwndmain), 0), IDM_EXIT, MF_BYCOMMAND), (UINT)-1);
        EXPECT_EQ(RecentFiles(), std::vector<std::string>{path});
    });
    EXPECT_NE(ReadAll(Config()).find("MenuItem = " + path + "\n"), std::string::npos);
}

TEST_F(Frame, RecentFilesKeepTenExistingFilesNewestFirstAndComeBack)
{
    Seed();
    std::vector<std::string> files{MakeDocument("doc0.exe", {"Zero"})};
    for (int i = 1; i < 11; i++) {
        files.push_back(root + "files\\doc" + std::to_string(i) + ".exe");
        CopyFileA(files[0].c_str(), files[i].c_str(), FALSE);
    }
    Run("", [&] {
        for (int i = 0; i < 10; i++)
            SetPathMenu(hwndmain, files[i].c_str());
        std::vector<std::string> list = RecentFiles();
        ASSERT_EQ(list.size(), 10u);
        EXPECT_EQ(list[0], files[9]);
        EXPECT_EQ(list[9], files[0]);
        // Known again (in other letters): nothing moves. Not a file of a
        // drive: nothing enters.
        std::string upper = files[3];
        CharUpperA(&upper[0]);
        SetPathMenu(hwndmain, upper.c_str());
        SetPathMenu(hwndmain, (root + "files").c_str());
        SetPathMenu(hwndmain, (root + "files\\gone.exe").c_str());
        SetPathMenu(hwndmain, "\\\\server\\share\\doc.exe");
        SetPathMenu(hwndmain, "");
        EXPECT_EQ(RecentFiles(), list);
        // The eleventh pushes the oldest out.
        SetPathMenu(hwndmain, files[10].c_str());
        list = RecentFiles();
        ASSERT_EQ(list.size(), 10u);
        EXPECT_EQ(list[0], files[10]);
        EXPECT_EQ(list[9], files[1]);
    });
    std::string text = ReadAll(Config());
    EXPECT_LT(text.find("MenuItem = " + files[1]), text.find("MenuItem = " + files[10]));
    // A file that went away in between is dropped at the next start; one
    // chosen from the menu opens without asking and keeps its place.
    DeleteFileA(files[5].c_str());
    ModalRecorder modal;
    Run("", [&] {
        std::vector<std::string> list = RecentFiles();
        ASSERT_EQ(list.size(), 9u);
        EXPECT_EQ(list[0], files[10]);
        EXPECT_EQ(list[4], files[6]);
        EXPECT_EQ(list[5], files[4]);
        EXPECT_EQ(list[8], files[1]);
        SendMessageA(hwndmain, WM_COMMAND, IDM_RECENTFILE + 4, 0);
        sbtest::PumpUntilIdle();
        ASSERT_EQ(Documents(), 1);
        EXPECT_EQ(WindowText(ActiveDocument()), files[6]);
        EXPECT_EQ(Titles(ActiveDocument()), "H Zero");
        EXPECT_EQ(RecentFiles(), list);
    });
    EXPECT_TRUE(modal.calls.empty());
}

TEST_F(Frame, ShiftExitOnlySavesAndTheCloseBoxIsExit)
{
    Seed("GridFrequency = 8\n");
    Run("", [&] {
        GridFrequency = 32;
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = 0x80;
        SetKeyboardState(keys);
        SendMessageA(hwndmain, WM_COMMAND, IDM_EXIT, 0);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        EXPECT_TRUE(IsWindow(hwndmain));
        EXPECT_NE(ReadAll(Config()).find("GridFrequency = 32\n"), std::string::npos);
        // The system adds its own bits to the close command's low four.
        GridFrequency = 12;
        SendMessageA(hwndmain, WM_SYSCOMMAND, SC_CLOSE | 2, 0);
        EXPECT_FALSE(IsWindow(hwndmain));
    });
    EXPECT_NE(ReadAll(Config()).find("GridFrequency = 12\n"), std::string::npos);
}

TEST_F(Frame, OpenFolderDefaultsToTheDocumentsAndEndsInABackslash)
{
    Seed();
    Run("", [] {});
    EXPECT_EQ(std::string(OpenPath), root + "docs\\My Showbinder Documents\\");
    DWORD made = GetFileAttributesA(OpenPath);
    EXPECT_TRUE(made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_DIRECTORY)) << "made when missing";
    struct Case {
        const char *chosen, *folder;
    } cases[] = {
        {"C:\\shows\\demo.exe", "C:\\shows\\"},
        {"C:\\demo.exe", "C:\\"},
        {"demo.exe", ""},
    };
    for (const Case &c : cases) {
        SetOpenPath(c.chosen);
        char path[SETTINGTEXT];
        GetOpenPath(path);
        EXPECT_STREQ(path, c.folder) << c.chosen;
    }
}

// --- the configuration file --------------------------------------------

struct ConfigFile : Frame {};

TEST_F(ConfigFile, RoundTripKeepsNegativeNumbersAndLongTexts)
{
    // The per-user folder does not exist yet: saving makes it.
    ASSERT_EQ(GetFileAttributesA((root + "appdata").c_str()), INVALID_FILE_ATTRIBUTES);
    std::string longpath = "C:\\" + std::string(256, 'p') + "\\"; // 260 characters
    ASSERT_EQ(longpath.size(), 260u);
    StickyWindowLeft = -1;
    StickyWindowTop = 17;
    GridFrequency = 16;
    DefaultViewMode = 3;
    strcpy(OpenPath, longpath.c_str());
    strcpy(PaintbrushPath, "C:\\paint\\mspaint.exe");
    SaveConfig();
    std::string text = ReadAll(Config());
    for (const char *line : {"\n[Showbinder]\n", "\nStickyWindowLeft = 4294967295\n", "\nBuildDate = Jun  8 2009\n",
                             "\nPatchLevel = 59\n", "\nVersionNumber = 64\n", "\n[ShowbinderMenuItems]\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.rfind(";Showbinder for Windows configuration file\n", 0), 0u);

    StickyWindowLeft = 5;
    StickyWindowTop = 5;
    GridFrequency = 8;
    DefaultViewMode = 0;
    OpenPath[0] = PaintbrushPath[0] = 0;
    LoadConfig();
    EXPECT_EQ(StickyWindowLeft, -1);
    EXPECT_EQ(StickyWindowTop, 17);
    EXPECT_EQ(GridFrequency, 16);
    EXPECT_EQ(DefaultViewMode, 3);
    EXPECT_EQ(std::string(OpenPath), longpath);
    EXPECT_STREQ(PaintbrushPath, "C:\\paint\\mspaint.exe");
}

TEST_F(ConfigFile, LinesAreReadByTheirWholeKey)
{
    struct Case {
        std::string line;
        int grid, delay;
    } cases[] = {
        {"GridFrequency = 16", 16, 10},
        {"GridFrequency=16", 16, 10},
        {"GridFrequency == 16", 16, 10},
        {"GridFrequency = 24px", 24, 10},
        {"Grid = 3", 8, 10},
        {"gridfrequency = 3", 8, 10},
        {"= 3", 8, 10},
        {"", 8, 10},
        {";GridFrequency = 3", 8, 10},
        {"DefaultDelay = abc", 8, 0},
        {"DefaultDelay = 4294967295", 8, -1},
        // A divisor never becomes zero or negative.
        {"GridFrequency = 0", 8, 10},
        {"GridFrequency = -4", 8, 10},
        // A line longer than any buffer is still one line: its tail is not
        // read as a setting of its own, and a text that cannot fit is kept.
        {"OpenPath = C:\\" + std::string(300, 'x') + "GridFrequency = 99", 8, 10},
        {"OpenPath = C:\\" + std::string(100000, 'x'), 8, 10},
        {"GridFrequency = 16" + std::string(100000, 'x'), 16, 10},
        {"PatchLevel = 1\nVersionNumber = 2\nBuildDate = x\nDefaultDelay = 3", 8, 3},
    };
    for (const Case &c : cases) {
        GridFrequency = 8;
        DefaultDelay = 10;
        strcpy(OpenPath, "C:\\kept\\");
        WriteAll(Config(), "[Showbinder]\n" + c.line + "\nMenuItem = C:\\x.exe\n");
        LoadConfig();
        EXPECT_EQ(GridFrequency, c.grid) << c.line.substr(0, 60);
        EXPECT_EQ((int)DefaultDelay, c.delay) << c.line.substr(0, 60);
        EXPECT_STREQ(OpenPath, "C:\\kept\\") << c.line.substr(0, 60);
    }
}

// Every button says what it does when the mouse rests on it, greyed or not:
// a greyed button gets no mouse input of its own.
TEST_F(Frame, EveryToolbarButtonShowsItsTipEnabledOrNot)
{
    Seed();
    Run("", [] {
        struct {
            UINT id;
            bool enabled;
            const char *tip;
        } cases[] = {
            {IDM_OPEN, true, "Loads a presentation from disk."},
            {IDM_SAVE, false, "Saves the current presentation to disk."},
            {IDM_SETUP, true, "Allows Showbinder's options to be configured."},
        };
        for (const auto &c : cases) {
            SCOPED_TRACE(c.id);
            HWND button = GetDlgItem(hwndbar, (int)c.id);
            ASSERT_TRUE(button);
            EXPECT_EQ(IsWindowEnabled(button) != 0, c.enabled);
            HWND tip = (HWND)GetPropA(button, MAKEINTATOM(10003));
            ASSERT_TRUE(tip);
            char text[128] = "";
            GetWindowTextA(tip, text, sizeof text);
            EXPECT_STREQ(text, c.tip);
            RECT r;
            GetWindowRect(button, &r);
            POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, at;
            SetCursorPos(centre.x, centre.y);
            if (!GetCursorPos(&at) || at.x != centre.x)
                GTEST_SKIP() << "the cursor cannot be placed here";
            // The move as the system delivers it: to the button, or to the
            // bar when the button is greyed.
            HWND target = c.enabled ? button : hwndbar;
            POINT p = centre;
            ScreenToClient(target, &p);
            SendMessageA(target, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
            EXPECT_TRUE(sbtest::PumpUntil([&] { return IsWindowVisible(tip) != 0; })) << "the tip shown";
            SetCursorPos(r.left - 40, r.bottom + 60);
            SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(-40, 60));
            EXPECT_FALSE(IsWindowVisible(tip));
        }
    });
}

// A Save from the toolbar opens no box, so the button repaints with the
// mouse still over it: the hovered look must keep the picture (a disk, whose
// mask is a solid square). Under the mouse only what the picture draws dark
// may turn black.
TEST_F(Frame, TheSaveButtonKeepsItsPictureUnderTheMouseAfterASave)
{
    Seed();
    std::string doc = MakeDocument("show.exe", {"One"});
    Run(doc.c_str(), [&] {
        sbtest::PumpUntilIdle();
        HWND button = GetDlgItem(hwndbar, IDM_SAVE);
        ASSERT_TRUE(button && IsWindowEnabled(button));
        RECT r;
        GetWindowRect(button, &r);
        POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, at;
        SetCursorPos(r.left - 40, r.bottom + 60);
        RedrawWindow(button, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        sbtest::Snapshot(hwndbar, "savebutton-before");
        const sbtest::Capture before = sbtest::CaptureClient(button);
        SetCursorPos(centre.x, centre.y);
        if (!GetCursorPos(&at) || at.x != centre.x)
            GTEST_SKIP() << "the cursor cannot be placed here";
        POINT inside = centre;
        ScreenToClient(button, &inside);
        const LPARAM where = MAKELPARAM(inside.x, inside.y);
        SendMessageA(button, WM_MOUSEMOVE, 0, where);
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, where);
        SendMessageA(button, WM_LBUTTONUP, 0, where);
        sbtest::PumpUntilIdle();
        EXPECT_FALSE(LockBlockSet(ActiveDocument())->modified) << "saved";
        UnlockBlockSet(ActiveDocument());
        RedrawWindow(button, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        sbtest::Snapshot(hwndbar, "savebutton-after");
        const sbtest::Capture after = sbtest::CaptureClient(button);
        ASSERT_EQ(after.pixels.size(), before.pixels.size());
        int blackened = 0;
        for (size_t i = 0; i < after.pixels.size(); i++) {
            const uint32_t was = before.pixels[i];
            const int luma = (30 * (int)(was >> 16) + 59 * (int)((was >> 8) & 255) + 11 * (int)(was & 255)) / 100;
            blackened += after.pixels[i] == 0 && luma >= 160;
        }
        EXPECT_EQ(blackened, 0) << "pixels of the picture's pale parts drawn black under the mouse";
    });
}

// The logo stands in front of the frame until a click closes it.
TEST_F(Frame, TheLogoShowsInFrontOfTheFrameUntilClicked)
{
    WriteAll(Config(), "[Showbinder]\nShowStartupWindow = 1\nLogoDelay = 600000\nShowTipOfTheDay = 0\n"
                       "SearchForPaintbrush = 0\nShowDriverMessage = 0\nOpenPath = \n");
    Run("", [] {
        HWND logo = COMMONLogoWindow();
        ASSERT_TRUE(logo);
        // A point of the white page in the logo's picture, on the screen.
        POINT page{151, 61};
        ClientToScreen(logo, &page);
        auto shown = [&] {
            HDC screen = GetDC(NULL);
            COLORREF c = GetPixel(screen, page.x, page.y);
            ReleaseDC(NULL, screen);
            return c == RGB(255, 255, 255);
        };
        EXPECT_TRUE(sbtest::PumpUntil(shown)) << "the frame hides it";
        SendMessageA(logo, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
        EXPECT_FALSE(IsWindow(logo));
        EXPECT_EQ(COMMONLogoWindow(), (HWND)NULL);
    });
}

// --- the tip of the day -------------------------------------------------

TEST_F(Frame, TipsGoLineByLineAndStartAgainAfterTheLast)
{
    strcpy(ApplicationPath, root.c_str());
    char tip[TIPTEXTSIZE];
    TipOfTheDay = 3;
    GetTipOfTheDay(tip);
    EXPECT_STREQ(tip, "There has been an error accessing the tip of the day.");
    EXPECT_EQ(TipOfTheDay, 3);

    WriteAll(root + "SHOWBUILDER.TIP", "one\ntwo\\nlines\nthree\nfour\nfive\nsix\n");
    struct Case {
        int start;
        std::vector<std::string> shown;
    } cases[] = {
        {0, {"one", "two\nlines", "three"}}, // 0 means the first, and it shows once
        {1, {"one", "two\nlines"}},
        {5, {"five", "six", "one", "two\nlines"}},
        {-1, {"one", "two\nlines"}},
        {99, {"one"}},
    };
    for (const Case &c : cases) {
        TipOfTheDay = c.start;
        for (const std::string &expected : c.shown) {
            EXPECT_EQ(GetTipOfTheDay(tip), 1);
            EXPECT_EQ(tip, expected) << "from " << c.start;
        }
    }

    LastTipDate = 0;
    EXPECT_EQ(IsTipTime(), 1);
    EXPECT_EQ(IsTipTime(), 0);
}

// The start shows the tip once a day while its setting asks, and looks for
// the paint program while its setting asks and the path names nothing.
int searches;
void NoDrives(HWND, std::vector<std::string> &) { searches++; }

TEST_F(Frame, TheStartShowsTheTipOnceADayAndSearchesForThePaintProgramWhenAsked)
{
    const PAINTSEARCHHOST nodrives{NoDrives, PaintSystemSearch.read};
    parts.paintsearch = &nodrives;
    struct Case {
        const char *settings;
        bool tip, search;
    } cases[] = {
        {"ShowTipOfTheDay = 0\nLastTipDate = 0\nSearchForPaintbrush = 0\n", false, false},
        {"ShowTipOfTheDay = 1\nLastTipDate = 0\nSearchForPaintbrush = 1\n", true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.settings);
        WriteAll(Config(), std::string("[Showbinder]\nShowStartupWindow = 0\nShowDriverMessage = 0\n") + c.settings);
        searches = 0;
        ModalRecorder modal(IDOK);
        Run("", [] { sbtest::PumpUntilIdle(); });
        EXPECT_EQ(searches, c.search ? 1 : 0);
        std::vector<std::string> shown;
        for (auto &call : modal.calls)
            shown.push_back(call.text.empty() ? call.name : call.text.substr(0, 39));
        std::vector<std::string> expected;
        if (c.search)
            expected.push_back("Showbinder was unable to find your pain");
        if (c.tip)
            expected.push_back("TipOfTheDayBox");
        EXPECT_EQ(shown, expected);
    }
    // The day of the tip was saved: the same day's next start shows none.
    ModalRecorder modal(IDOK);
    WriteAll(Config(), ReadAll(Config()) + "ShowTipOfTheDay = 1\n");
    Run("", [] { sbtest::PumpUntilIdle(); });
    for (auto &call : modal.calls)
        EXPECT_NE(call.name, "TipOfTheDayBox");
    parts.paintsearch = nullptr;
}

} // namespace

// Setup from the frame: the delete warning turned off in its box can be
// turned on again there; OK asks the toolbar to repaint, and Exit writes
// the new values to the file.
TEST_F(Frame, SetupTurnsTheDeleteWarningBackOnAndExitWritesItsValues)
{
    Seed("WarnMultipleDelete = 0\n");
    ModalRecorder modal;
    bool shownoff = false;
    modal.Drive([&](HWND sheet) {
        HWND page = (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
        shownoff = IsDlgButtonChecked(page, 110) == BST_UNCHECKED;
        CheckDlgButton(page, 110, BST_CHECKED);
        SetDlgItemTextA(page, IDC_SETUPCOMPRESS, "4");
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        sbtest::PumpUntilIdle();
    });
    Run("", [&] {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hwndbar, IDM_SETUP)));
        SendMessageA(hwndmain, WM_COMMAND, IDM_SETUP, 0);
        MSG m;
        EXPECT_TRUE(PeekMessageA(&m, hwndbar, WMU_REPAINTTOOLBAR, WMU_REPAINTTOOLBAR, PM_NOREMOVE));
        EXPECT_EQ(WarnMultipleDelete, 1u);
        EXPECT_EQ(CompressImages, 4u);
        EXPECT_EQ(WindowText(hwndmain), "Showbinder\x99");
    });
    EXPECT_TRUE(shownoff);
    std::string file = ReadAll(Config());
    EXPECT_NE(file.find("\nWarnMultipleDelete = 1\n"), std::string::npos);
    EXPECT_NE(file.find("\nCompressImages = 4\n"), std::string::npos);
}

// The driver notice comes at start, over the frame, on screens of 8 bits or
// fewer while its setting asks.
TEST_F(Frame, TheDriverNoticeComesOnPaletteScreensWhileItsSettingAsks)
{
    struct Case {
        int bits, setting;
        bool shown;
    } cases[] = {{8, 1, true}, {24, 1, false}, {8, 0, false}, {4, 1, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, setting " + std::to_string(c.setting));
        Seed("ShowDriverMessage = " + std::to_string(c.setting) + "\n");
        ScreenBits screen(c.bits);
        ModalRecorder modal(1);
        HWND frame = NULL;
        Run("", [&] { frame = hwndmain; });
        int notices = 0;
        for (auto &call : modal.calls)
            if (call.name == "ChangeDriverBox") {
                notices++;
                EXPECT_EQ(call.parent, frame);
            }
        EXPECT_EQ(notices, c.shown ? 1 : 0);
    }
}
