// The document windows inside a real MDI client: opening, saving, closing,
// undo, the block commands and the file dialogs, driven by their command ids.
#include "common/modal.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "document/reader.h"
#include "document/writer.h"
#include "editor/blocks.h"
#include "editor/docwindow.h"
#include "editor/filedialogs.h"
#include "editor/shell.h"
#include "editor/shellservices.h"
#include "editor/undo.h"
#include "media/dib.h"
#include "resources/editorframe_ids.h"
#include "runtime/thumbs.h"
#include "tests/support/editorsupport.h"
#include <commdlg.h>
#include <shlobj.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Answers every modal box: dialogs from a queue (Cancel when empty), file
// dialogs with `file` (Cancel when empty); remembers what was asked.
struct Answers {
    std::deque<INT_PTR> dialogs;
    std::string file;
    DWORD filterindex = 0;
    INT_PTR popup = 0; // the command chosen from a popup menu
    int menuitems = -1;
    std::vector<std::string> asked;
    OPENFILENAMEA seen{};
    std::string seenfolder;
    MODALHOOK previous;
    static Answers *current;
    Answers() : previous(COMMONSetModalHook(Hook)) { current = this; }
    ~Answers()
    {
        COMMONSetModalHook(previous);
        current = nullptr;
    }
    int Count(const std::string &what) const
    {
        int n = 0;
        for (const auto &a : asked)
            n += a.find(what) != std::string::npos;
        return n;
    }
    static INT_PTR Hook(const MODALCALL *call)
    {
        Answers *self = current;
        if (call->kind == MODAL_COMMONDIALOG && strcmp(call->name, "TrackPopupMenu") == 0) {
            self->menuitems = GetMenuItemCount((HMENU)call->param);
            return self->popup;
        }
        if (call->kind == MODAL_COMMONDIALOG) {
            self->asked.push_back(call->name);
            auto *ofn = (OPENFILENAMEA *)call->data;
            self->seen = *ofn;
            self->seenfolder = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : "";
            if (self->file.empty())
                return 0;
            snprintf(ofn->lpstrFile, ofn->nMaxFile, "%s", self->file.c_str());
            if (self->filterindex)
                ofn->nFilterIndex = self->filterindex;
            return 1;
        }
        self->asked.push_back(call->text ? call->text : call->name ? call->name : "");
        if (self->dialogs.empty())
            return IDCANCEL;
        INT_PTR answer = self->dialogs.front();
        self->dialogs.pop_front();
        return answer;
    }
};
Answers *Answers::current;

std::string TempPath(const char *name)
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

std::vector<char> Bytes(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(f), {});
}

// A picture whose bytes say which page it belongs to.
HGLOBAL Picture(int seed)
{
    char rgb[768] = {};
    HGLOBAL dib = CreateDib(64, 48, rgb, 24);
    DibLock lock(dib);
    for (int y = 0; y < 48; y++)
        memset(lock.Row(y), seed * 40 + y, 64 * 3);
    return dib;
}

class DocumentWindows : public testing::Test {
protected:
    void SetUp() override
    {
        frame = mdi.Open();
        WarnMultipleDelete = 1;
    }
    void TearDown() override
    {
        mdi.CloseDocuments();
        mdi.Close();
        for (const auto &f : files)
            DeleteFileA(f.c_str());
    }

    // A new document of a header and `pages` pages P1, P2 ..., each with a picture.
    HWND NewDocument(int pages)
    {
        HWND w = CreateNewTask(frame, "new", 0);
        BLOCKSET *set = LockBlockSet(w);
        EXPECT_EQ(DoNew(frame, w, set), 1);
        for (int i = 1; i <= pages; i++) {
            BLOCK page;
            CreateBlock(w, set, &page, TAG_PAGE, nullptr, 0);
            snprintf(page.page.title, sizeof page.page.title, "P%d", i);
            HGLOBAL dib = Picture(i);
            AppendPageObject(&page, CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)dib));
            GlobalFree(dib);
            AppendBlock(List(w), set, &page);
        }
        set->caret = 0;
        set->modified = 0;
        UnlockBlockSet(w);
        return w;
    }
    // What the frame's Open does.
    HWND Open(const std::string &path)
    {
        HWND w = CreateNewTask(frame, path.c_str(), 0);
        BLOCKSET *set = LockBlockSet(w);
        EXPECT_EQ(LoadExeFile(List(w), set, path.c_str()), 1);
        SetBrowserSize(w, set);
        set->named = 1;
        UnlockBlockSet(w);
        return w;
    }
    std::string Saved(HWND w, const char *name)
    {
        std::string path = TempPath(name);
        files.push_back(path);
        BLOCKSET *set = LockBlockSet(w);
        EXPECT_EQ(WriteExeFile(List(w), set, path.c_str()), 1);
        UnlockBlockSet(w);
        return path;
    }
    static HWND List(HWND w) { return GetDlgItem(w, IDC_BLOCKLIST); }
    static std::string Titles(HWND w)
    {
        std::string out;
        int n = (int)SendMessageA(List(w), LB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; i++) {
            BLOCK b;
            GetBlock(List(w), i, &b);
            if (i)
                out += ' ';
            out += b.tag == TAG_HEDR ? "H" : FetchBlockText(&b);
        }
        return out;
    }
    static std::string Selection(HWND w)
    {
        std::string out;
        int n = (int)SendMessageA(List(w), LB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; i++)
            out += SendMessageA(List(w), LB_GETSEL, i, 0) > 0 ? '1' : '0';
        return out;
    }
    static void Select(HWND w, const char *pattern)
    {
        for (int i = 0; pattern[i]; i++)
            SendMessageA(List(w), LB_SETSEL, pattern[i] == '1', i);
    }
    static BLOCKSET Set(HWND w)
    {
        BLOCKSET copy = *LockBlockSet(w);
        UnlockBlockSet(w);
        return copy;
    }
    template <class F> static void With(HWND w, F f)
    {
        f(LockBlockSet(w));
        UnlockBlockSet(w);
    }
    // A drop of the source list's selection, as the shell delivers it.
    static void Drop(HWND target, HWND source) { DropList(target, List(source)); }
    static void DropList(HWND target, HWND list)
    {
        char name[32];
        int length = snprintf(name, sizeof name, "\xFF%u", (unsigned)(UINT_PTR)list);
        HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + length + 2);
        auto *files = (DROPFILES *)GlobalLock(drop);
        files->pFiles = sizeof(DROPFILES);
        memcpy((char *)(files + 1), name, length);
        GlobalUnlock(drop);
        SendMessageA(target, WM_DROPFILES, (WPARAM)drop, 0);
    }
    static void Command(HWND w, WPARAM id)
    {
        SendMessageA(w, WM_COMMAND, id, 0);
        sbtest::PumpUntilIdle();
    }

    HWND frame = NULL;
    sbtest::DocumentFrame mdi;
    std::vector<std::string> files;
};

TEST_F(DocumentWindows, OpenThenSaveGivesTheSameBytes)
{
    std::string path = Saved(NewDocument(3), "sb_docwindow_a.exe");
    std::vector<char> before = Bytes(path);
    HWND w = Open(path);
    EXPECT_EQ(Titles(w), "H P1 P2 P3");
    With(w, [](BLOCKSET *s) { s->modified = 1; });
    Answers answers;
    Command(w, 57);
    EXPECT_TRUE(answers.asked.empty()) << "a named document saves without asking";
    EXPECT_EQ(Set(w).modified, 0);
    EXPECT_EQ(Bytes(path), before);
}

TEST_F(DocumentWindows, SaveOfAnUntitledDocumentAsksForANameFirst)
{
    HWND w = NewDocument(1);
    EXPECT_NE(std::string(Set(w).path).find("untitled.exe"), std::string::npos);
    Answers answers;
    answers.file = TempPath("sb_docwindow_named.exe");
    files.push_back(answers.file);
    Command(w, 57);
    ASSERT_EQ(answers.Count("GetSaveFileName"), 1);
    EXPECT_STREQ(answers.seen.lpstrDefExt, "EXE");
    EXPECT_TRUE(answers.seen.Flags & OFN_OVERWRITEPROMPT);
    BLOCKSET set = Set(w);
    EXPECT_EQ(set.named, 1);
    EXPECT_EQ(set.modified, 0);
    EXPECT_EQ(answers.file, set.path);
    char title[MAX_PATH];
    GetWindowTextA(w, title, sizeof title);
    EXPECT_EQ(answers.file, title);
    EXPECT_EQ(GetFileAttributesA(answers.file.c_str()) != INVALID_FILE_ATTRIBUTES, true);
}

// A Save as whose write fails (the chosen file held open by another program,
// a folder that does not exist, an object no load would read back or whose
// block cannot be read, which is named) leaves the document with the name,
// path and file it had, so that the next Save goes where it went before.
TEST_F(DocumentWindows, AFailedSaveAsKeepsTheDocumentsNameAndFile)
{
    enum Broken { NOTHING, PAGEOBJECT, HEADEROBJECT, UNREADABLE };
    struct Case {
        bool named;
        const char *target; // under the temporary folder
        bool hold;
        const char *said = "Error writing file";
        Broken broken = NOTHING;
    } cases[] = {
        {true, "sb_docwindow_held.exe", true},
        {false, "sb_no_such_folder\\new.exe", false},
        {false, "sb_docwindow_refused.exe", false, "Page 2 \"P2\": its Image object 7 cannot be written.", PAGEOBJECT},
        {false, "sb_docwindow_header.exe", false, "The header \"Untitled\": its Wave sound object 3 cannot be written.",
         HEADEROBJECT},
        {false, "sb_docwindow_unread.exe", false, "Page 1 \"P1\": the object in place 2 of its list cannot be read.",
         UNREADABLE}};
    for (const Case &c : cases) {
        HWND w = NewDocument(2);
        const unsigned at = c.broken == PAGEOBJECT ? 2 : c.broken == HEADEROBJECT ? 0 : 1;
        BLOCK block;
        GetBlock(List(w), at, &block);
        if (c.broken == PAGEOBJECT) {
            GlobalLocked<OBJECTHEADER> o(GetPageObject(&block, 0));
            o->number = 7, o->fixedsize = o->totalsize = 100;
        } else if (c.broken != NOTHING) {
            // A wave's head shorter than its record; a block of nothing, which no lock gives.
            HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, c.broken == HEADEROBJECT ? 200 : 0);
            if (c.broken == HEADEROBJECT)
                *GlobalLocked<OBJECTHEADER>(h).get() = {
                    .tag = TAG_WAVE, .totalsize = 100, .fixedsize = 100, .number = 3};
            AppendPageObject(&block, h);
            PutBlock(List(w), at, &block);
        }
        std::string target = TempPath(c.target);
        if (c.named) {
            w = Open(Saved(w, "sb_docwindow_own.exe"));
            Saved(w, c.target);
        }
        BLOCKSET before = Set(w);
        char title[MAX_PATH], oldtitle[MAX_PATH];
        GetWindowTextA(w, oldtitle, sizeof oldtitle);
        std::vector<char> own = Bytes(before.path), old = Bytes(target);
        With(w, [](BLOCKSET *s) { s->modified = 1; });
        HANDLE hold =
            c.hold ? CreateFileA(target.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL) : INVALID_HANDLE_VALUE;
        Answers answers;
        answers.file = target;
        Command(w, IDM_SAVEAS);
        if (hold != INVALID_HANDLE_VALUE)
            CloseHandle(hold);
        EXPECT_EQ(answers.Count("Error writing file"), 1) << c.target;
        EXPECT_EQ(answers.Count(c.said), 1) << c.target;
        BLOCKSET after = Set(w);
        EXPECT_STREQ(after.path, before.path) << c.target;
        EXPECT_EQ(after.named, before.named) << c.target;
        EXPECT_EQ(after.modified, 1) << c.target;
        GetWindowTextA(w, title, sizeof title);
        EXPECT_STREQ(title, oldtitle) << c.target;
        EXPECT_EQ(Bytes(target), old) << "the chosen file is untouched: " << c.target;
        EXPECT_EQ(Bytes(before.path), own) << c.target;
        if (c.named) {
            Command(w, IDM_SAVE);
            EXPECT_EQ(answers.Count("Error writing file"), 1) << "Save writes the document's own file again";
            EXPECT_EQ(Set(w).modified, 0);
        }
    }
}

// Closing a modified document: what each answer leaves.
TEST_F(DocumentWindows, ClosingAModifiedDocument)
{
    struct Case {
        INT_PTR answer;
        bool savefails;
        bool stays;
        bool named = true; // an unnamed one is asked for a name, which is cancelled
    } cases[] = {{IDCANCEL, false, true}, {IDNO, false, false}, {IDYES, false, false}, {IDYES, true, true},
                 {IDYES, false, true, false}};
    for (const Case &c : cases) {
        HWND w = NewDocument(2);
        std::string path = Saved(w, "sb_docwindow_close.exe");
        std::vector<char> before = Bytes(path);
        With(w, [&](BLOCKSET *s) {
            snprintf(s->path, sizeof s->path, "%s", path.c_str());
            s->named = c.named;
            s->modified = 1;
        });
        // Another program holding the file open makes the save fail.
        HANDLE hold = c.savefails ? CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL)
                                  : INVALID_HANDLE_VALUE;
        Answers answers;
        answers.dialogs = {c.answer, IDOK};
        SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE | 3, 0);
        sbtest::PumpUntilIdle();
        if (hold != INVALID_HANDLE_VALUE)
            CloseHandle(hold);
        EXPECT_EQ(IsWindow(w) != 0, c.stays) << c.answer << " " << c.savefails;
        EXPECT_EQ(answers.Count("has not been saved"), 1);
        EXPECT_EQ(answers.Count("Error writing file"), c.savefails ? 1 : 0);
        EXPECT_EQ(answers.Count("GetSaveFileName"), c.named ? 0 : 1);
        EXPECT_EQ(Bytes(path), before) << "the old file is kept whole";
        if (IsWindow(w)) {
            EXPECT_EQ(Set(w).modified, 1);
        }
        EXPECT_EQ(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, true);
    }
}

TEST_F(DocumentWindows, UndoRestoresOrderSelectionCaretViewAndModified)
{
    HWND w = NewDocument(4);
    Select(w, "01010");
    With(w, [](BLOCKSET *s) {
        s->caret = 3;
        s->viewmode = 1;
    });
    Answers answers;
    answers.dialogs = {1};
    Command(w, 61);
    EXPECT_EQ(answers.Count("delete all 2 blocks"), 1);
    EXPECT_EQ(Titles(w), "H P2 P4");
    EXPECT_EQ(Set(w).modified, 1);
    EXPECT_EQ(Set(w).undovalid, 1);
    With(w, [](BLOCKSET *s) { s->viewmode = 3; });
    Command(w, 204);
    EXPECT_EQ(Titles(w), "H P1 P2 P3 P4");
    EXPECT_EQ(Selection(w), "01010");
    BLOCKSET set = Set(w);
    EXPECT_EQ(set.caret, 3);
    EXPECT_EQ(set.viewmode, 1);
    EXPECT_EQ(set.modified, 0);
    EXPECT_EQ(set.undovalid, 0);
    // The restored blocks own their objects: the list 11 copies are gone and
    // every picture still reads.
    EXPECT_EQ(SendMessageA(GetDlgItem(w, IDC_UNDOLIST), LB_GETCOUNT, 0, 0), 0);
    BLOCK b;
    GetBlock(List(w), 3, &b);
    EXPECT_GT(GlobalSize(GetPageObject(&b, 0)), 0u);
    Command(w, 204);
    EXPECT_EQ(Titles(w), "H P1 P2 P3 P4") << "one level only";
}

TEST_F(DocumentWindows, UndoAfterASaveLeavesUnsavedChanges)
{
    HWND w = NewDocument(2);
    std::string path = Saved(w, "sb_docwindow_undo.exe");
    With(w, [&](BLOCKSET *s) {
        snprintf(s->path, sizeof s->path, "%s", path.c_str());
        s->named = 1;
        s->caret = 2;
    });
    Command(w, 60);
    EXPECT_EQ(Titles(w), "H P1 P2 Untitled page 3");
    Command(w, 57);
    EXPECT_EQ(Set(w).modified, 0);
    Command(w, 204);
    EXPECT_EQ(Titles(w), "H P1 P2");
    EXPECT_EQ(Set(w).modified, 1) << "the file holds the inserted page";
}

TEST_F(DocumentWindows, AFailedUndoLeavesTheDocumentAsItWas)
{
    HWND w = NewDocument(3);
    Select(w, "0010");
    Answers answers;
    Command(w, 61);
    HWND undo = GetDlgItem(w, IDC_UNDOLIST);
    // A snapshot block that cannot be read.
    LRESULT kept = SendMessageA(undo, LB_GETITEMDATA, 2, 0);
    SendMessageA(undo, LB_SETITEMDATA, 2, 0);
    Command(w, 204);
    SendMessageA(undo, LB_SETITEMDATA, 2, kept);
    ASSERT_TRUE(IsWindow(w));
    EXPECT_EQ(answers.Count("Memory error"), 1);
    EXPECT_EQ(Titles(w), "H P1 P3");
    EXPECT_EQ(Set(w).modified, 1);
    EXPECT_EQ(Set(w).undovalid, 1) << "the snapshot is still there";
    Command(w, 204);
    EXPECT_EQ(Titles(w), "H P1 P2 P3");
}

TEST_F(DocumentWindows, RightClickMenuCopiesAfterTheItemUnderTheMouse)
{
    HWND w = NewDocument(3);
    sbtest::PumpUntilIdle();
    ASSERT_EQ((HWND)SendMessageA(hwndclient, WM_MDIGETACTIVE, 0, 0), w);
    Select(w, "0100");
    RECT item;
    SendMessageA(List(w), LB_GETITEMRECT, 2, (LPARAM)&item);
    POINT at{item.left + 5, item.top + 5};
    MapWindowPoints(List(w), w, &at, 1);
    Answers answers;
    answers.popup = 314;
    SendMessageA(w, WM_PARENTNOTIFY, WM_RBUTTONDOWN, MAKELPARAM(at.x, at.y));
    EXPECT_EQ(answers.menuitems, 3) << "a separator, Move to and Copy to";
    EXPECT_EQ(Set(w).rightclick, 2);
    EXPECT_EQ(Titles(w), "H P1 P2 P1 P3");
}

// A stand-in page editor: renames the page on a copy, as the real one edits
// a duplicate, and notes whether the editor's windows wait meanwhile.
bool othersdisabled;
int RenamePage(HWND window, BLOCKSET *, BLOCK *block, int)
{
    othersdisabled = !IsWindowEnabled(hwndmain) && !IsWindowEnabled(window);
    BLOCK edited;
    if (!DuplicateBlock(&edited, block))
        return 0;
    snprintf(edited.page.title, sizeof edited.page.title, "edited");
    DestroyBlock(block);
    *block = edited;
    return 1;
}

TEST_F(DocumentWindows, DoubleClickHandsTheBlockToItsEditor)
{
    HWND w = NewDocument(2);
    SendMessageA(List(w), LB_SETCARETINDEX, 2, 0);
    Answers answers;
    WPARAM doubleclick = MAKEWPARAM(IDC_BLOCKLIST, LBN_DBLCLK);
    // Without a page editor a double click changes nothing and says so.
    SendMessageA(w, WM_COMMAND, doubleclick, (LPARAM)List(w));
    EXPECT_EQ(Set(w).undovalid, 0);
    EXPECT_EQ(Set(w).modified, 0);
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_EQ(answers.asked[0], "This function is not available in this program.");
    answers.asked.clear();
    EDITORPARTS parts{};
    parts.editpage = RenamePage;
    BindEditorParts(frame, &parts);
    SendMessageA(w, WM_COMMAND, doubleclick, (LPARAM)List(w));
    BindEditorParts(frame, nullptr);
    EXPECT_TRUE(othersdisabled);
    EXPECT_TRUE(IsWindowEnabled(hwndmain) && IsWindowEnabled(w));
    EXPECT_EQ(Titles(w), "H P1 edited");
    EXPECT_EQ(Set(w).modified, 1);
    Command(w, 204);
    EXPECT_EQ(Titles(w), "H P1 P2");
    EXPECT_EQ(Set(w).modified, 0);
    EXPECT_TRUE(answers.asked.empty());
}

// Each row: selection, caret, right-click item, command, answers, then the
// titles, the messages counted and the caret after.
TEST_F(DocumentWindows, BlockCommands)
{
    struct Case {
        const char *selection;
        int caret, rightclick, command;
        std::vector<INT_PTR> answers;
        const char *titles;
        const char *message;
        int caretafter;
        int modified;
    } cases[] = {
        {"0000", 0, 0, 60, {}, "H Untitled page 1 P1 P2 P3", "", 1, 1},
        {"0001", 3, 0, 60, {}, "H P1 P2 P3 Untitled page 4", "", 4, 1},
        {"1110", 2, 0, 61, {1}, "H P3", "can't be copied or deleted", 1, 1},
        {"0110", 1, 0, 61, {0}, "H P1 P2 P3", "delete all 2", 1, 0},
        {"0001", 3, 0, 61, {}, "H P1 P2", "", 2, 1},
        {"1000", 0, 3, 314, {}, "H P1 P2 P3", "No blocks suitable", 0, 0},
        {"0110", 0, 3, 314, {}, "H P1 P2 P3 P1 P2", "", 0, 1},
        {"0110", 0, 0, 314, {}, "H P1 P2 P1 P2 P3", "", 0, 1},
        {"0110", 0, 2, 313, {}, "H P1 P2 P3", "", 0, 1},
        {"0100", 0, 3, 313, {}, "H P2 P3 P1", "", 0, 1},
        {"0101", 3, 3, 313, {}, "H P2 P1 P3", "", 3, 1},
    };
    for (const Case &c : cases) {
        HWND w = NewDocument(3);
        Select(w, c.selection);
        With(w, [&](BLOCKSET *s) {
            s->caret = c.caret;
            s->rightclick = c.rightclick;
        });
        Answers answers;
        answers.dialogs.assign(c.answers.begin(), c.answers.end());
        Command(w, c.command);
        SCOPED_TRACE(std::string(c.selection) + " " + std::to_string(c.command));
        EXPECT_EQ(Titles(w), c.titles);
        EXPECT_EQ(Set(w).caret, c.caretafter);
        EXPECT_EQ(Set(w).modified, c.modified);
        if (*c.message)
            EXPECT_EQ(answers.Count(c.message), 1);
        else
            EXPECT_EQ(answers.asked.size(), c.answers.size());
        SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)w, 0);
    }
}

TEST_F(DocumentWindows, DuplicateBlockIsWholeAndOwnsItsParts)
{
    HWND w = NewDocument(1);
    BLOCK page, copy;
    GetBlock(List(w), 1, &page);
    PutBlockTitle("title", &page);
    ASSERT_EQ(DuplicateBlock(&copy, &page), 1);
    EXPECT_NE(copy.title, page.title);
    EXPECT_NE(copy.objects, page.objects);
    HGLOBAL a = GetPageObject(&page, 0), b = GetPageObject(&copy, 0);
    ASSERT_NE(a, b);
    ASSERT_EQ(GlobalSize(a), GlobalSize(b));
    EXPECT_EQ(memcmp(GlobalLock(a), GlobalLock(b), GlobalSize(a)), 0);
    GlobalUnlock(a);
    GlobalUnlock(b);
    DestroyBlock(&copy);
    // An object that cannot be copied fails the whole copy and leaves nothing.
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    AppendPageObject(&page, empty);
    EXPECT_EQ(DuplicateBlock(&copy, &page), 0);
    EXPECT_EQ(copy.objects, (HGLOBAL)NULL);
    EXPECT_EQ(copy.title, (HGLOBAL)NULL);
    PutPageObject(&page, NULL, 1);
    GlobalFree(empty);
    PutBlock(List(w), 1, &page);
}

TEST_F(DocumentWindows, CopiesBetweenDocumentsAreIndependent)
{
    HWND source = NewDocument(3), target = NewDocument(1);
    Select(source, "1011");
    With(target, [](BLOCKSET *s) { s->caret = 1; });
    Drop(target, source);
    EXPECT_EQ(Titles(target), "H P1 P2 P3");
    EXPECT_EQ(Set(target).caret, 3);
    EXPECT_EQ(Set(target).modified, 1);
    HWND twin = (HWND)0;
    Command(source, 804);
    for (HWND c = GetWindow(hwndclient, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (strstr(Set(c).path, "Duplicate_untitled.exe"))
            twin = c;
    ASSERT_TRUE(twin);
    EXPECT_EQ(Titles(twin), "H P1 P2 P3");
    EXPECT_EQ(Selection(twin), "1011");
    EXPECT_EQ(Set(twin).modified, 1);
    SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)source, 0);
    // With the source gone, every copy still draws its own picture.
    for (HWND w : {target, twin}) {
        BLOCKSET *set = LockBlockSet(w);
        for (int i = 1; i <= 3; i++) {
            BLOCK b;
            ASSERT_TRUE(GetBlock(List(w), i, &b));
            GlobalFree(b.thumbnail);
            b.thumbnail = NULL;
            EXPECT_EQ(CreateViewImage(w, List(w), set, &b, i), 1);
            EXPECT_TRUE(GetBitmapDimensions(b.thumbnail, nullptr, nullptr, nullptr, nullptr));
            auto *object = (OBJECTHEADER *)GlobalLock(GetPageObject(&b, 0));
            ASSERT_TRUE(object);
            // The bottom row of page i's picture, stored first.
            EXPECT_EQ(((uint8_t *)object + object->fixedsize + sizeof(BITMAPINFOHEADER))[0], (uint8_t)(i * 40 + 47));
            GlobalUnlock(GetPageObject(&b, 0));
            PutBlock(List(w), i, &b);
        }
        UnlockBlockSet(w);
    }
}

// A list that takes one more item and then refuses.
WNDPROC listproc;
int insertsleft;
LRESULT CALLBACK RefusingList(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == LB_INSERTSTRING && insertsleft-- <= 0)
        return LB_ERRSPACE;
    return CallWindowProcA(listproc, hwnd, msg, wParam, lParam);
}

TEST_F(DocumentWindows, APartialCopyMarksTheTargetModified)
{
    HWND source = NewDocument(3), target = NewDocument(1);
    Select(source, "0111");
    With(target, [](BLOCKSET *s) { s->caret = 1; });
    insertsleft = 1;
    listproc = (WNDPROC)SetWindowLongA(List(target), GWL_WNDPROC, (LONG)RefusingList);
    Answers answers;
    Drop(target, source);
    SetWindowLongA(List(target), GWL_WNDPROC, (LONG)listproc);
    EXPECT_EQ(answers.Count("error inserting"), 1);
    EXPECT_EQ(Titles(target), "H P1 P1");
    EXPECT_EQ(Set(target).modified, 1);
    Command(target, 204);
    EXPECT_EQ(Titles(target), "H P1");
}

// A drop can name any window: only a document's own block list is read.
TEST_F(DocumentWindows, ADropNamingAnotherListCopiesNothing)
{
    HWND source = NewDocument(2), target = NewDocument(1);
    Select(source, "011");
    With(target, [](BLOCKSET *s) { s->caret = 1; });
    HWND stray = CreateWindowA("LISTBOX", "", WS_CHILD | LBS_MULTIPLESEL, 0, 0, 9, 9, source, (HMENU)12, hInst, NULL);
    SendMessageA(stray, LB_ADDSTRING, 0, (LPARAM)"x");
    // Holding a real block, so that reading it would copy it.
    SendMessageA(stray, LB_SETITEMDATA, 0, SendMessageA(List(source), LB_GETITEMDATA, 1, 0));
    SendMessageA(stray, LB_SETSEL, TRUE, 0);
    for (HWND list : {stray, GetDlgItem(source, IDC_UNDOLIST), hwndmain})
        DropList(target, list);
    SendMessageA(stray, LB_RESETCONTENT, 0, 0);
    DestroyWindow(stray);
    EXPECT_EQ(Titles(target), "H P1");
    EXPECT_EQ(Set(target).modified, 0);
}

TEST_F(DocumentWindows, ThumbnailsAreDrawnCachedAndDropped)
{
    HWND w = NewDocument(2);
    // The toolbar's view-mode box chooses large pictures.
    hwndbar = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 10, 10, frame, NULL, hInst, NULL);
    HWND box = CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, hwndbar, (HMENU)701,
                             hInst, NULL);
    for (const char *mode : {"Text", "Small image", "Medium image", "Large image"})
        SendMessageA(box, CB_ADDSTRING, 0, (LPARAM)mode);
    SendMessageA(box, CB_SETCURSEL, 3, 0);
    Command(w, MAKEWPARAM(701, CBN_SELENDOK));
    hwndbar = NULL;
    EXPECT_EQ(Set(w).viewmode, 3);
    EXPECT_EQ(SendMessageA(List(w), LB_GETITEMHEIGHT, 1, 0), 184);
    EXPECT_EQ(SendMessageA(List(w), LB_GETITEMHEIGHT, 0, 0), 24);
    RedrawWindow(List(w), NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    BLOCK b;
    GetBlock(List(w), 1, &b);
    EXPECT_TRUE(b.thumbnail);
    SendMessageA(w, WMU_REFRESHTHUMBNAILS, 0, 0);
    GetBlock(List(w), 1, &b);
    EXPECT_FALSE(b.thumbnail);
    // A presentation without a size draws no picture and nothing breaks.
    BLOCK header;
    GetBlock(List(w), 0, &header);
    header.hedr.width = -5;
    header.hedr.depth = 0;
    PutBlock(List(w), 0, &header);
    RedrawWindow(List(w), NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    GetBlock(List(w), 1, &b);
    EXPECT_FALSE(b.thumbnail);
    BLOCKSET *set = LockBlockSet(w);
    EXPECT_EQ(SetBrowserSize(w, set), 1);
    UnlockBlockSet(w);
    RECT r, client;
    GetWindowRect(w, &r);
    GetClientRect(hwndclient, &client);
    EXPECT_GE(r.right - r.left, (LONG)BrowserWide);
    EXPECT_LE(r.bottom - r.top, client.bottom);
}

// Laying the list out and resizing its window leave the list to be drawn
// whole at its next paint: it stays shown, with its scroll bar's range.
TEST_F(DocumentWindows, ALaidOutAndResizedListIsDrawnAtItsNextPaint)
{
    HWND w = NewDocument(12);
    With(w, [](BLOCKSET *set) { set->viewmode = 2; });
    UpdateWindow(List(w));
    With(w, [&](BLOCKSET *set) { AdjustListBox(List(w), set); });
    EXPECT_TRUE(IsWindowVisible(List(w)));
    With(w, [&](BLOCKSET *set) { SetBrowserSize(w, set); });
    SetWindowPos(w, NULL, 0, 0, 320, 300, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(IsWindowVisible(List(w)));
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE;
    ASSERT_TRUE(GetScrollInfo(List(w), SB_VERT, &info));
    EXPECT_EQ(info.nMax, (int)SendMessageA(List(w), LB_GETCOUNT, 0, 0) - 1);
    EXPECT_TRUE(GetUpdateRect(List(w), NULL, FALSE));
    UpdateWindow(List(w));
    EXPECT_FALSE(GetUpdateRect(List(w), NULL, FALSE));
}

// Pictures cost only what is seen: a page below the window has none until
// its item is scrolled into view, and is then shown with its own picture.
TEST_F(DocumentWindows, AnItemScrolledIntoViewDrawsItsPagesThumbnail)
{
    HWND w = NewDocument(12);
    With(w, [](BLOCKSET *set) { set->viewmode = 3; });
    With(w, [&](BLOCKSET *set) { AdjustListBox(List(w), set); });
    SetWindowPos(w, NULL, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    RedrawWindow(List(w), NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    BLOCK last;
    GetBlock(List(w), 12, &last);
    EXPECT_FALSE(last.thumbnail);

    SendMessageA(List(w), LB_SETTOPINDEX, 12, 0);
    RedrawWindow(List(w), NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    GetBlock(List(w), 12, &last);
    ASSERT_TRUE(last.thumbnail);
    // The page's picture fills the thumbnail's top left corner, and the item
    // on the screen shows that colour.
    COLORREF corner;
    {
        DibLock lock(last.thumbnail);
        ASSERT_TRUE(lock.ok());
        const uint8_t *top = lock.Row(0);
        corner = RGB(top[2], top[1], top[0]);
    }
    EXPECT_EQ(corner, RGB(12 * 40 % 256, 12 * 40 % 256, 12 * 40 % 256));
    RECT item;
    SendMessageA(List(w), LB_GETITEMRECT, 12, (LPARAM)&item);
    sbtest::Capture screen = sbtest::CaptureClient(List(w));
    int seen = 0;
    for (int y = std::max(0L, item.top); y < std::min<long>(item.bottom, screen.height); y++)
        for (int x = item.left; x < std::min<long>(item.right, screen.width); x++)
            seen += screen.At(x, y) == corner;
    EXPECT_GT(seen, 10);
}

TEST_F(DocumentWindows, FileDialogs)
{
    Answers answers;
    char path[MAX_PATH] = "C:\\shows\\old.exe";
    // Cancel leaves a one-path buffer as it was and starts in its folder.
    EXPECT_EQ(GetOpenFileNameA(frame, path), 0);
    EXPECT_STREQ(path, "C:\\shows\\old.exe");
    EXPECT_EQ(answers.seenfolder, "C:\\shows\\");
    EXPECT_TRUE(answers.seen.Flags & OFN_NOCHANGEDIR);
    EXPECT_FALSE(answers.seen.Flags & OFN_ALLOWMULTISELECT);
    answers.file = "C:\\shows\\new.exe";
    EXPECT_EQ(GetOpenDocName(frame, path), 1);
    EXPECT_STREQ(path, "C:\\shows\\new.exe");
    EXPECT_STREQ(answers.seen.lpstrFilter, "DOC files");
    // The sound dialog remembers the filter chosen last.
    std::vector<char> many(MULTIPLEFILEBUFFER, 'x');
    strcpy(many.data(), "C:\\sounds\\a.wav");
    answers.filterindex = 2;
    SoundFileOpenIndex = 1;
    EXPECT_EQ(GetSoundFileName(frame, many.data()), 1);
    EXPECT_EQ(SoundFileOpenIndex, 2);
    EXPECT_TRUE(answers.seen.Flags & OFN_ALLOWMULTISELECT);
    EXPECT_EQ(answers.seenfolder, "C:\\sounds\\");
    answers.file.clear();
    EXPECT_EQ(GetSoundFileName(frame, many.data()), 0);
    EXPECT_EQ(answers.seen.nFilterIndex, 2u);
    EXPECT_EQ(many[0], 0) << "cancel leaves the list empty";
    EXPECT_EQ(GetAnimationFileName(frame, many.data()), 0);
    EXPECT_STREQ(answers.seen.lpstrFilter, "MNG files");
}

} // namespace
