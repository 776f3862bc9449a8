// The page editor driven through a document window's double click: its
// window, its commands and object messages, undo, the object clipboard, the
// mouse on the object windows, the grid, and what reaches the document.
#include "common/services.h"
#include "document/reader.h"
#include "document/writer.h"
#include "editor/clipboard.h"
#include "tests/document/docwindow.h"
#include "editor/blocks.h"
#include "editor/grid.h"
#include "editors/objectdialogs.h"
#include "editors/tostatic.h"
#include "tests/support/drive.h"
#include "runtime/runtime.h"
#include "tests/editors/editorfixture.h"
#include "media/imageformat.h"
#include "resources/objectfields_ids.h"
#include "tests/media/soundtest.h"
#include "tests/support/mediafiles.h"
#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>

using namespace pagetest;

namespace {

const char *const NOTAVAILABLE = "This function is not available in this program.";
const char *const OBJECTERROR = "There has been an error accessing the requested page object.";

int Count(const std::vector<std::string> &asked, const std::string &what)
{
    int n = 0;
    for (const auto &a : asked)
        n += a == what;
    return n;
}

} // namespace

TEST_F(PageEditor, OpensTheDoubleClickedPageAsTheShowWouldShowIt)
{
    BLOCK before = Block(1);
    std::vector<Object> stored = Objects(before);
    Edit(1, [&](HWND page) {
        char caption[64];
        GetWindowTextA(page, caption, sizeof caption);
        EXPECT_STREQ(caption, "P1   [1]");
        char name[64];
        GetClassNameA(page, name, sizeof name);
        EXPECT_STREQ(name, "ShowbinderPagePreview");
        RECT client;
        GetClientRect(page, &client);
        EXPECT_EQ(client.right, PAGEW);
        EXPECT_EQ(client.bottom, PAGEH);
        // One window per object, at its rectangle, numbered as it is.
        EXPECT_EQ(Shown(page), stored);
        for (const Object &o : stored) {
            HWND w = Window(page, o.number());
            ASSERT_TRUE(w);
            RECT r;
            GetWindowRect(w, &r);
            MapWindowPoints(NULL, page, (POINT *)&r, 2);
            EXPECT_TRUE(EqualRect(&r, &o.rect()));
        }
        EXPECT_EQ(SendMessageA(page, QVM_GETPAGECOLOUR, 0, 0), (LRESULT)RGB(0, 0, 128));
        RedrawWindow(page, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Snapshot(page, "pageeditor");
        // Resizing by the frame snaps back.
        SetWindowPos(page, NULL, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(page, &client);
        EXPECT_EQ(client.right, PAGEW);
        // Abandon on an unchanged page asks nothing.
        Command(page, IDM_PAGEABANDON);
        EXPECT_FALSE(IsWindow(page));
    });
    EXPECT_TRUE(answers.asked.empty());
    BLOCK after = Block(1);
    EXPECT_EQ(Objects(after), stored);
    EXPECT_EQ(after.objects, before.objects);
    EXPECT_FALSE(Modified());
}

// A caption too big for its button reaches every side of the face and not
// a pixel further in the page editor's object windows, as in the player, in
// each look (the system one clear of its whole 2-pixel edge, the soft ones
// of their side bands).
TEST_F(PageEditor, ACaptionTooBigForItsButtonReachesEachSideOfTheFaceAndNoFurther)
{
    const int h = sbtest::BIGCAPTIONDEPTH;
    const auto &looks = sbtest::bigcaptionlooks;
    auto place = sbtest::BigCaptionPlace;
    // The usual font comes back however the test ends.
    struct KeptFont {
        HFONT usual = controlfont;
        ~KeptFont() { controlfont = usual; }
    } kept;
    for (int n = 0; n < 2; n++) {
        const auto &size = sbtest::bigcaptions[n];
        BLOCK p = Block(2);
        while (BlockObjectCount(&p))
            DeletePageObject(&p, 0);
        for (int i = 0; i < 3; i++)
            for (bool captioned : {true, false}) {
                RECT r = place(i, size.width, captioned);
                HGLOBAL o =
                    Add(p, TAG_BUTN, r.left, r.top, (LONG_PTR)(captioned ? size.caption : ""), size.width, h);
                GlobalLocked<OBJECTBUTTON> b(o);
                b->header.flags = looks[i].flags;
                b->softcolour = RGB(120, 120, 120);
                b->softtextcolour = RGB(255, 0, 0);
            }
        PutBlock(List(doc), 2, &p);
        GdiObject<HFONT> font(sbtest::BigCaptionFont(size));
        controlfont = font;
        sbtest::Capture c;
        Edit(2, [&](HWND page) {
            RedrawWindow(page, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            c = sbtest::CaptureClient(page);
            Snapshot(page, ("bigcaption_editor_" + std::to_string(n)).c_str());
            Command(page, IDM_PAGEABANDON);
        });
        controlfont = kept.usual;
        for (int i = 0; i < 3; i++) {
            SCOPED_TRACE(std::string(size.name) + ", " + looks[i].name);
            RECT face = looks[i].face;
            face.right += size.width;
            sbtest::ExpectCaptionInFace(c, place(i, size.width, true), place(i, size.width, false), face,
                                        size.reaches);
        }
    }
}

TEST_F(PageEditor, ObjectCommandsChangeTheWorkingPageAndUndoRestoresIt)
{
    // Each step on a fresh editor: the command, the object it names (by
    // index), and the tags or numbers that follow.
    struct Case {
        const char *name;
        UINT msg;
        int object;
        const char *tags;
        const char *numbers;
    } cases[] = {
        {"to top", WMU_OBJECTTOTOP, 0, "TEXT iMAg tIme BUTN", "102 103 104 101"},
        {"to bottom", WMU_OBJECTTOBOTTOM, 2, "iMAg BUTN TEXT tIme", "103 101 102 104"},
        {"forward", WMU_OBJECTFORWARD, 1, "BUTN iMAg TEXT tIme", "101 103 102 104"},
        {"backward", WMU_OBJECTBACKWARD, 1, "TEXT BUTN iMAg tIme", "102 101 103 104"},
        {"forward of the last", WMU_OBJECTFORWARD, 3, "BUTN TEXT iMAg tIme", "101 102 103 104"},
        {"delete", WMU_OBJECTDELETE, 1, "BUTN iMAg tIme", "101 103 104"},
        {"cut", WMU_OBJECTCUT, 2, "BUTN TEXT tIme", "101 102 104"},
        {"duplicate", WMU_OBJECTDUPLICATE, 0, "BUTN TEXT iMAg tIme BUTN", "101 102 103 104 105"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Edit(1, [&](HWND page) {
            std::vector<Object> start = Shown(page);
            On(page, c.msg, start[c.object]);
            std::vector<Object> now = Shown(page);
            EXPECT_EQ(Tags(now), c.tags);
            EXPECT_EQ(Numbers(now), c.numbers);
            // Every object keeps its bytes, wherever it went.
            for (const Object &o : now)
                if (o.number() <= 104) {
                    bool found = false;
                    for (const Object &s : start)
                        found |= s == o;
                    EXPECT_TRUE(found) << o.number();
                }
            Command(page, IDM_PAGEUNDO);
            EXPECT_EQ(Shown(page), start);
            // A second undo does nothing.
            On(page, WMU_OBJECTDELETE, start[0]);
            Command(page, IDM_PAGEUNDO);
            Command(page, IDM_PAGEUNDO);
            EXPECT_EQ(Shown(page), start);
        });
    }
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(PageEditor, KeptChangesReachTheDocumentAndAbandonedOnesDoNot)
{
    std::vector<Object> kept;
    Edit(1, [&](HWND page) {
        On(page, WMU_OBJECTTOTOP, Shown(page)[0]);
        kept = Shown(page);
        Command(page, IDM_PAGECLOSE);
    });
    BLOCK b = Block(1);
    EXPECT_EQ(Objects(b), kept);
    EXPECT_TRUE(Modified());

    // Abandoning a change asks first; No leaves the document alone.
    answers.values.push_back(IDNO);
    Edit(1, [&](HWND page) {
        On(page, WMU_OBJECTDELETE, Shown(page)[0]);
        Command(page, IDM_PAGEABANDON);
    });
    EXPECT_EQ(Count(answers.asked, "Do you wish to save the changes made to this page?\n\nClick on Yes to save these "
                                   "changes, or No to abandon them."),
              1);
    b = Block(1);
    EXPECT_EQ(Objects(b), kept);

    // Yes keeps it; so does the close box when no question is wanted.
    answers.values.push_back(IDYES);
    Edit(1, [&](HWND page) {
        On(page, WMU_OBJECTDELETE, Shown(page)[0]);
        Command(page, IDM_PAGEABANDON);
    });
    b = Block(1);
    EXPECT_EQ(Objects(b).size(), 3u);
    PromptToSavePageChanges = 0;
    Edit(1, [&](HWND page) {
        On(page, WMU_OBJECTDELETE, Shown(page)[0]);
        Post(page, WM_SYSCOMMAND, SC_CLOSE);
    });
    b = Block(1);
    EXPECT_EQ(Objects(b).size(), 2u);
}

TEST_F(PageEditor, ToTopOfTheLastObjectChangesNothingButTakesTheUndoStep)
{
    Edit(1, [&](HWND page) {
        On(page, WMU_OBJECTDELETE, Shown(page)[0]);
        std::vector<Object> afterdelete = Shown(page);
        On(page, WMU_OBJECTTOTOP, afterdelete.back());
        EXPECT_EQ(Shown(page), afterdelete);
        // Undo now goes back to before the to-top, not before the delete.
        Command(page, IDM_PAGEUNDO);
        EXPECT_EQ(Shown(page), afterdelete);
    });
}

TEST_F(PageEditor, CopyAndPasteGiveANewNumberOnTheSamePageAndKeepItOnAnother)
{
    Object text;
    Edit(1, [&](HWND page) {
        text = Shown(page)[1];
        On(page, WMU_OBJECTCOPY, text);
        Command(page, IDM_PAGEPASTE);
        std::vector<Object> now = Shown(page);
        ASSERT_EQ(now.size(), 5u);
        EXPECT_EQ(now[4].number(), 105u);
        EXPECT_TRUE(EqualRect(&now[4].rect(), &text.rect()));
        Object same = now[4];
        ((OBJECTHEADER *)same.bytes.data())->number = text.number();
        EXPECT_EQ(same, text);
        Command(page, IDM_PAGECLOSE);
    });
    Edit(2, [&](HWND page) {
        Command(page, IDM_PAGEPASTE);
        std::vector<Object> now = Shown(page);
        ASSERT_EQ(now.size(), 1u);
        EXPECT_EQ(now[0], text);
        Command(page, IDM_PAGECLOSE);
    });
    BLOCK b = Block(2);
    EXPECT_EQ(Objects(b).size(), 1u);
}

// A copy that cannot reach the clipboard, because another program holds it
// open or because it takes no data, cuts nothing: the object stays, the
// user is told once, and the undo step still takes back the change before.
TEST_F(PageEditor, ACutWhileAnotherProgramHoldsTheClipboardKeepsTheObject)
{
    for (const auto &row : sbtest::clipboardrefusals) {
        SCOPED_TRACE(row.name);
        answers.asked.clear();
        Edit(1, [&](HWND page) {
            std::vector<Object> start = Shown(page);
            On(page, WMU_OBJECTDELETE, start[3]);
            std::vector<Object> changed = Shown(page);
            row.refusing([&] { On(page, WMU_OBJECTCUT, changed[1]); });
            EXPECT_EQ(Shown(page), changed);
            EXPECT_EQ(Count(answers.asked, OBJECTERROR), 1);
            Command(page, IDM_PAGEUNDO);
            EXPECT_EQ(Shown(page), start);
            Command(page, IDM_PAGECLOSE);
        });
    }
}

// Another program takes the clipboard between the object's steps, as a user
// copying a word in a mail does: the word pasted into a field of the
// object's dialog takes, a second copy copies, the document saves and loads
// back as the editor held it, and no block of the editor's is freed on the way.
TEST_F(PageEditor, AnotherProgramTakingTheClipboardBetweenStepsLosesNothing)
{
    struct Row {
        const char *name;
        UINT first;
        bool paste, field;
    };
    const Row rows[] = {{"copy, its word in a field", WMU_OBJECTCOPY, false, true},
                        {"cut and paste, its word in a field", WMU_OBJECTCUT, true, true},
                        {"copy, then copy again", WMU_OBJECTCOPY, false, false}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        answers.asked.clear();
        std::optional<sbtest::PatternBlocks> blocks;
        Edit(1, [&](HWND page) {
            auto picture = [&] {
                std::vector<Object> now = Shown(page);
                return *std::find_if(now.begin(), now.end(), [](const Object &o) { return o.tag() == TAG_IMAG; });
            };
            On(page, row.first, picture());
            if (row.paste)
                Command(page, IDM_PAGEPASTE);
            sbtest::OtherProgramTakesClipboard("-20");
            blocks.emplace();
            if (row.field) {
                sbtest::ModalRecorder real;
                real.Drive([](HWND dlg) {
                    HWND left = GetDlgItem(dlg, IDC_OBJLEFT);
                    SendMessageA(left, EM_SETSEL, 0, -1);
                    SendMessageA(left, WM_CHAR, 'V' - '@', 0); // Ctrl+V
                    sbtest::Click(dlg, IDOK);
                });
                On(page, WMU_OBJECTEDIT, picture());
                EXPECT_EQ(picture().rect().left, -20);
            } else {
                size_t before = Shown(page).size();
                On(page, WMU_OBJECTCOPY, picture());
                Command(page, IDM_PAGEPASTE);
                EXPECT_EQ(Shown(page).size(), before + 1);
            }
            Command(page, IDM_PAGECLOSE);
        });
        EXPECT_EQ(Count(answers.asked, OBJECTERROR), 0);
        EXPECT_EQ(blocks ? blocks->Damaged() : -1, 0);
        docfixture::TempFolder folder;
        std::string path = folder.File("taken.exe");
        bool saved = WriteExeFile(List(doc), LockBlockSet(doc), path.c_str()) == 1;
        UnlockBlockSet(doc);
        EXPECT_TRUE(saved) << "the save failed";
        if (!saved)
            continue;
        HWND again = CreateNewTask(frame, path.c_str(), 0);
        EXPECT_EQ(LoadExeFile(List(again), LockBlockSet(again), path.c_str()), 1);
        BLOCK b{}, held = Block(1);
        EXPECT_TRUE(GetBlock(List(again), 1, &b));
        EXPECT_EQ(Objects(b), Objects(held));
        UnlockBlockSet(again);
        SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)again, 0);
    }
}

// Places as the object dialogs store them: each copied and pasted onto
// another page byte for byte, then saved and opened again as it was.
TEST_F(PageEditor, PlacesAsTypedArePastedSavedAndLoadedBackAsTheyAre)
{
    const RECT places[] = {
        {-40, -30, 20, 10}, {0, 0, 50, 20}, {-32760, -32760, 0, 0}, {32760, 32760, 65000, 65000}};
    for (const RECT &place : places) {
        SCOPED_TRACE(place.left);
        Object copied;
        Edit(1, [&](HWND page) {
            Object o = Shown(page)[1];
            HWND w = Window(page, o.number());
            LockObject(w)->rect = place;
            UnlockObject(w);
            copied = Shown(page)[1];
            On(page, WMU_OBJECTCOPY, copied);
        });
        Edit(2, [&](HWND page) {
            for (const Object &o : Shown(page))
                On(page, WMU_OBJECTDELETE, o);
            Command(page, IDM_PAGEPASTE);
            std::vector<Object> now = Shown(page);
            ASSERT_EQ(now.size(), 1u);
            EXPECT_EQ(now[0], copied);
            Command(page, IDM_PAGECLOSE);
        });
        EXPECT_TRUE(answers.asked.empty() || answers.asked == std::vector<std::string>(answers.asked.size(), ""));
        docfixture::TempFolder folder;
        std::string path = folder.File("places.exe");
        BLOCKSET *set = LockBlockSet(doc);
        ASSERT_EQ(WriteExeFile(List(doc), set, path.c_str()), 1);
        UnlockBlockSet(doc);
        HWND again = CreateNewTask(frame, path.c_str(), 0);
        BLOCKSET *loaded = LockBlockSet(again);
        ASSERT_EQ(LoadExeFile(List(again), loaded, path.c_str()), 1);
        BLOCK b{};
        ASSERT_TRUE(GetBlock(List(again), 2, &b));
        std::vector<Object> back = Objects(b);
        ASSERT_EQ(back.size(), 1u);
        // As the document holds it once saved: the save notes its stream's length.
        BLOCK stored = Block(2);
        EXPECT_EQ(back[0], Objects(stored)[0]);
        EXPECT_TRUE(EqualRect(&back[0].rect(), &place));
        UnlockBlockSet(again);
        SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)again, 0);
    }
}

// One rule for an object head: what a load takes without a word, both
// pastes take; what a load must ask about or cannot read, both refuse.
TEST_F(PageEditor, LoadPagePasteAndObjectPasteGiveEachHeadTheSameVerdict)
{
    // Page 2 holds one frame, which each row changes.
    {
        BLOCK p = Block(2);
        Add(p, TAG_FRAM, 30, 40, 0);
        PutBlock(List(doc), 2, &p);
    }
    BLOCK two = Block(2);
    const Object frameobject = Objects(two)[0];
    enum Verdict { SOUND, DAMAGED, UNREADABLE };
    const struct {
        const char *name;
        std::function<void(OBJECTHEADER &)> change;
        Verdict verdict;
    } rows[] = {
        {"as made", [](OBJECTHEADER &) {}, SOUND},
        {"a type this program does not know", [](OBJECTHEADER &h) { memcpy(&h.tag, "XXXX", 4); }, SOUND},
        {"a background picture's tag", [](OBJECTHEADER &h) { memcpy(&h.tag, "BaKI", 4); }, SOUND},
        {"a place left of and above the page", [](OBJECTHEADER &h) { h.rect = {-100, -50, -10, -5}; }, SOUND},
        {"a place no window could have", [](OBJECTHEADER &h) { h.rect.right = 0x7FFFFFFF; }, SOUND},
        {"a total one too large", [](OBJECTHEADER &h) { h.totalsize++; }, DAMAGED},
        {"a total of nothing", [](OBJECTHEADER &h) { h.totalsize = 0; }, DAMAGED},
        {"a fixed part shorter than its type's", [](OBJECTHEADER &h) { h.fixedsize = h.totalsize = 100; },
         UNREADABLE},
        {"a fixed part shorter than any head", [](OBJECTHEADER &h) { h.fixedsize = h.totalsize = 60; }, UNREADABLE},
    };
    docfixture::TempFolder folder;
    std::string path = folder.File("heads.exe");
    std::vector<uint8_t> saved;
    {
        BLOCKSET *set = LockBlockSet(doc);
        ASSERT_EQ(WriteExeFile(List(doc), set, path.c_str()), 1);
        UnlockBlockSet(doc);
        saved = docfixture::ReadFileBytes(path);
    }
    auto found = std::search(saved.begin(), saved.end(), frameobject.bytes.begin(), frameobject.bytes.begin() + 12);
    ASSERT_NE(found, saved.end());
    const size_t at = (size_t)(found - saved.begin());
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Object changed = frameobject;
        row.change(*(OBJECTHEADER *)changed.bytes.data());
        // The load of a file holding it, told No if it asks.
        std::vector<uint8_t> file = saved;
        memcpy(&file[at], changed.bytes.data(), sizeof(OBJECTHEADER));
        ASSERT_TRUE(docfixture::WriteFileBytes(path, file));
        answers.asked.clear();
        answers.values = {IDNO};
        {
            HWND w = CreateNewTask(frame, path.c_str(), 0);
            BLOCKSET *set = LockBlockSet(w);
            EXPECT_EQ(LoadExeFile(List(w), set, path.c_str()), row.verdict == SOUND);
            EXPECT_EQ(answers.asked.size(), row.verdict == DAMAGED ? 1u : 0u);
            UnlockBlockSet(w);
            SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)w, 0);
        }
        // The page paste: a page holding it.
        std::vector<Object> opened;
        answers.asked.clear();
        answers.values.clear();
        {
            BLOCK p = Block(2), copy;
            ASSERT_TRUE(DuplicateBlock(&copy, &p));
            HGLOBAL h = GetPageObject(&copy, 0);
            {
                GlobalLocked<uint8_t> o(h);
                memcpy(o.get(), changed.bytes.data(), sizeof(OBJECTHEADER));
            }
            ASSERT_EQ(CopyBlockToClipboard(doc, &copy), 1);
            DestroyBlock(&copy);
            BLOCKSET *set = LockBlockSet(doc);
            set->caret = 2;
            unsigned before = (unsigned)SendMessageA(List(doc), LB_GETCOUNT, 0, 0);
            EXPECT_EQ(DoPasteBlockFromClipboard(doc, set, 2), row.verdict == SOUND);
            unsigned after = (unsigned)SendMessageA(List(doc), LB_GETCOUNT, 0, 0);
            EXPECT_EQ(after - before, row.verdict == SOUND ? 1u : 0u);
            UnlockBlockSet(doc);
            EXPECT_EQ(answers.asked.size(), row.verdict == SOUND ? 0u : 1u);
            // Where the editor puts it when that page opens.
            if (after > before) {
                Edit(3, [&](HWND page) {
                    opened = Shown(page);
                    Command(page, IDM_PAGEABANDON);
                });
                DoDeleteOneBlock(doc, LockBlockSet(doc), 3);
                UnlockBlockSet(doc);
            }
        }
        // The object paste, in the page editor.
        ASSERT_TRUE(OpenClipboard(frame));
        EmptyClipboard();
        std::vector<uint8_t> bytes = changed.bytes;
        SetClipboardData(CF_PAGEOBJECT, NewGlobal(bytes.size() + OBJECTSLACK, bytes.data(), bytes.size()));
        CloseClipboard();
        answers.asked.clear();
        BLOCK one = Block(1);
        const uint32_t before = BlockObjectCount(&one);
        Edit(1, [&](HWND page) {
            std::vector<Object> shown = Shown(page);
            Command(page, IDM_PAGEPASTE);
            // A pasted object with a window lies where the page holding it
            // opened with it, inside the editor's bounds.
            for (const Object &o : Shown(page))
                if (std::find(shown.begin(), shown.end(), o) == shown.end()) {
                    ASSERT_EQ(opened.size(), 1u);
                    EXPECT_TRUE(EqualRect(&o.rect(), &opened[0].rect()))
                        << o.rect().left << "," << o.rect().top << "," << o.rect().right << "," << o.rect().bottom;
                }
            Command(page, IDM_PAGECLOSE);
        });
        EXPECT_EQ(Count(answers.asked, OBJECTERROR), row.verdict == SOUND ? 0 : 1);
        one = Block(1);
        EXPECT_EQ(BlockObjectCount(&one) - before, row.verdict == SOUND ? 1u : 0u);
    }
    OpenClipboard(frame);
    EmptyClipboard();
    CloseClipboard();
}

TEST_F(PageEditor, DamagedClipboardObjectsAreRefused)
{
    Object good;
    Edit(1, [&](HWND page) { good = Shown(page)[1]; });
    struct Damage {
        const char *name;
        std::function<void(std::vector<uint8_t> &)> apply;
    } damages[] = {
        {"short block", [](std::vector<uint8_t> &b) { b.resize(40); }},
        {"total past the block", [](std::vector<uint8_t> &b) { ((OBJECTHEADER *)b.data())->totalsize += 4096; }},
        {"sizes not adding up", [](std::vector<uint8_t> &b) { ((OBJECTHEADER *)b.data())->datasize += 1; }},
        {"fixed part too short", [](std::vector<uint8_t> &b) { ((OBJECTHEADER *)b.data())->fixedsize = 80; }},
    };
    for (const Damage &d : damages) {
        SCOPED_TRACE(d.name);
        std::vector<uint8_t> bytes = good.bytes;
        d.apply(bytes);
        ASSERT_TRUE(OpenClipboard(frame));
        EmptyClipboard();
        SetClipboardData(CF_PAGEOBJECT, NewGlobal(bytes.size(), bytes.data(), bytes.size()));
        CloseClipboard();
        answers.asked.clear();
        Edit(1, [&](HWND page) {
            std::vector<Object> before = Shown(page);
            Command(page, IDM_PAGEPASTE);
            EXPECT_EQ(Shown(page), before);
        });
        EXPECT_EQ(Count(answers.asked, OBJECTERROR), 1);
    }
    OpenClipboard(frame);
    EmptyClipboard();
    CloseClipboard();
}

// A caption that fills its button's data to the last byte, with more of the
// clipboard's block behind it: the pasted button shows the caption alone.
TEST_F(PageEditor, APastedCaptionWithoutItsZeroEndsWithItsData)
{
    Object button;
    Edit(1, [&](HWND page) { button = Shown(page)[0]; });
    const uint32_t fixed = button.h().fixedsize;
    std::vector<uint8_t> bytes(button.bytes.begin(), button.bytes.begin() + fixed);
    for (const char *part : {"NEXTPAGE", "MMMM|.B.MMMM."})
        bytes.insert(bytes.end(), part, part + strlen(part));
    auto *h = (OBJECTHEADER *)bytes.data();
    h->datasize = 8, h->totalsize = fixed + 8, h->number = 200;
    ASSERT_TRUE(OpenClipboard(frame));
    EmptyClipboard();
    SetClipboardData(CF_PAGEOBJECT, NewGlobal(bytes.size(), bytes.data(), bytes.size()));
    CloseClipboard();
    Edit(1, [&](HWND page) {
        Command(page, IDM_PAGEPASTE);
        char text[64] = "";
        GetWindowTextA(Window(page, 200), text, sizeof text);
        EXPECT_STREQ(text, "NEXTPAGE");
    });
}

TEST_F(PageEditor, DuplicatesAreOffsetAwayFromThePageEdges)
{
    struct Case {
        RECT r;
        LONG dx, dy;
    } cases[] = {
        {{10, 10, 50, 50}, 8, 8},
        {{4, 250, PAGEW - 4, 296}, 0, -8},   // as wide as the page, at its left
        {{300, 4, PAGEW - 2, PAGEH - 2}, -8, 0},
    };
    for (const Case &c : cases) {
        Edit(1, [&](HWND page) {
            Object o = Shown(page)[0];
            HWND w = Window(page, o.number());
            OBJECTHEADER *h = LockObject(w);
            h->rect = c.r;
            UnlockObject(w);
            On(page, WMU_OBJECTDUPLICATE, o);
            std::vector<Object> now = Shown(page);
            RECT want = c.r;
            OffsetRect(&want, c.dx, c.dy);
            EXPECT_TRUE(EqualRect(&now.back().rect(), &want)) << now.back().rect().left << "," << now.back().rect().top;
        });
    }
}

TEST_F(PageEditor, TheMouseMovesAndResizesWithinThePageAndSnapsToTheGrid)
{
    // Press at a client point of the object window, move by (dx, dy), release.
    struct Case {
        const char *name;
        int object;
        POINT at;
        int dx, dy;
        bool grid;
        RECT want;
    } cases[] = {
        {"move", 0, {40, 15}, 21, 13, false, {31, 23, 111, 53}},
        {"move snapped", 0, {40, 15}, 21, 13, true, {32, 24, 112, 54}},
        {"move past the top left", 0, {40, 15}, -50, -50, false, {0, 0, 80, 30}},
        {"move past the bottom right", 0, {40, 15}, 900, 900, false, {PAGEW - 80, PAGEH - 30, PAGEW, PAGEH}},
        {"right edge to the minimum", 1, {118, 20}, -200, 0, false, {100, 60, 116, 100}},
        {"left edge to the minimum", 1, {1, 20}, 200, 0, false, {204, 60, 220, 100}},
        {"bottom right corner", 1, {118, 38}, 10, 6, false, {100, 60, 230, 106}},
        {"picture moves from its corner", 2, {1, 1}, 10, 10, false, {250, 130, 314, 178}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GridUse = c.grid;
        Edit(1, [&](HWND page) {
            std::vector<Object> start = Shown(page);
            HWND w = Window(page, start[c.object].number());
            Mouse(w, WM_LBUTTONDOWN, c.at);
            for (int i = 1; i <= 4; i++)
                Mouse(w, WM_MOUSEMOVE, POINT{c.at.x + c.dx * i / 4, c.at.y + c.dy * i / 4});
            Mouse(w, WM_LBUTTONUP, POINT{c.at.x + c.dx, c.at.y + c.dy});
            Object moved = Shown(page)[c.object];
            EXPECT_TRUE(EqualRect(&moved.rect(), &c.want))
                << moved.rect().left << "," << moved.rect().top << "," << moved.rect().right << ","
                << moved.rect().bottom;
            RECT r;
            GetWindowRect(w, &r);
            MapWindowPoints(NULL, page, (POINT *)&r, 2);
            EXPECT_TRUE(EqualRect(&r, &c.want));
            // Undone with the step the press took.
            Command(page, IDM_PAGEUNDO);
            EXPECT_EQ(Shown(page), start);
            Command(page, IDM_PAGECLOSE);
        });
        EXPECT_FALSE(Modified()) << "undone";
    }
}

// A drag that ends where it began (brought back to its start, pushed
// against the page's edge, snapped back by the grid) changes nothing and
// leaves the undo step to the change before it.
TEST_F(PageEditor, ADragThatEndsWhereItBeganKeepsTheUndoStepOfTheChangeBefore)
{
    // Drags of the first object from client point (40, 15) of its window
    // through offsets from there, released at the last.
    struct Case {
        const char *name;
        bool grid;
        std::vector<POINT> change, none;
    } cases[] = {
        {"brought back to its start", false, {{21, 13}}, {{10, 10}, {20, 20}, {10, 5}, {0, 0}}},
        {"pushed against the page's edge", false, {{-50, -50}}, {{-10, -10}, {-30, -20}}},
        {"snapped back by the grid", true, {{21, 13}}, {{1, 1}, {2, 2}}},
    };
    auto drag = [&](HWND page, const std::vector<POINT> &offsets) {
        HWND w = Window(page, Shown(page)[0].number());
        const POINT at{40, 15};
        Mouse(w, WM_LBUTTONDOWN, at);
        for (POINT d : offsets)
            Mouse(w, WM_MOUSEMOVE, POINT{at.x + d.x, at.y + d.y});
        Mouse(w, WM_LBUTTONUP, POINT{at.x + offsets.back().x, at.y + offsets.back().y});
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GridUse = c.grid;
        Edit(1, [&](HWND page) {
            std::vector<Object> start = Shown(page);
            drag(page, c.change);
            std::vector<Object> changed = Shown(page);
            ASSERT_NE(changed, start);
            drag(page, c.none);
            EXPECT_EQ(Shown(page), changed) << "the drag ends where it began";
            Command(page, IDM_PAGEUNDO);
            EXPECT_EQ(Shown(page), start) << "Undo takes back the change before the drag";
            Command(page, IDM_PAGECLOSE);
        });
        EXPECT_FALSE(Modified());
    }
}

// Where objects overlap, a press on the upper one moves the lowest under
// the point; where they do not, the one pressed.
TEST_F(PageEditor, APressOnOverlappingObjectsMovesTheLowestUnderThePoint)
{
    GridUse = false;
    Edit(1, [&](HWND page) {
        std::vector<Object> start = Shown(page);
        HWND upper = Window(page, start[0].number());
        // The first object, on top, taken into the second.
        DragTo(upper, POINT{40, 15}, POINT{140, 75});
        std::vector<Object> inside = Shown(page);
        const RECT there{110, 70, 190, 100};
        ASSERT_TRUE(EqualRect(&inside[0].rect(), &there));
        DragTo(upper, POINT{40, 15}, POINT{45, 20});
        std::vector<Object> now = Shown(page);
        RECT want = start[1].rect();
        OffsetRect(&want, 5, 5);
        EXPECT_TRUE(EqualRect(&now[1].rect(), &want)) << "the lower object moves";
        EXPECT_EQ(now[0], inside[0]) << "the upper one stays";
    });
}

// A drag that loses the mouse before its release (another window takes
// it) is abandoned: the object stays where its window is, as it was.
TEST_F(PageEditor, ADragThatLosesTheMouseLeavesTheObjectWhereItWas)
{
    GridUse = false;
    Edit(1, [&](HWND page) {
        std::vector<Object> start = Shown(page);
        HWND w = Window(page, start[0].number());
        Mouse(w, WM_LBUTTONDOWN, POINT{40, 15});
        Mouse(w, WM_MOUSEMOVE, POINT{60, 35});
        ASSERT_EQ(GetCapture(), w);
        SetCapture(page);
        ReleaseCapture();
        Mouse(w, WM_LBUTTONUP, POINT{60, 35});
        EXPECT_EQ(Shown(page), start);
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(NULL, page, (POINT *)&r, 2);
        EXPECT_TRUE(EqualRect(&r, &start[0].rect()));
        // The next press drags from there.
        DragTo(w, POINT{40, 15}, POINT{45, 20});
        RECT want = start[0].rect();
        OffsetRect(&want, 5, 5);
        EXPECT_TRUE(EqualRect(&Shown(page)[0].rect(), &want));
        Command(page, IDM_PAGEUNDO);
        EXPECT_EQ(Shown(page), start);
        Command(page, IDM_PAGECLOSE);
    });
    EXPECT_FALSE(Modified());
}

TEST_F(PageEditor, APressWithoutMovementChangesNothing)
{
    Edit(1, [&](HWND page) {
        std::vector<Object> start = Shown(page);
        HWND w = Window(page, start[1].number());
        Mouse(w, WM_LBUTTONDOWN, POINT{30, 20});
        Mouse(w, WM_LBUTTONUP, POINT{30, 20});
        EXPECT_EQ(Shown(page), start);
        // Nor does it take the undo step: after a resize and a click, Undo
        // still takes back the resize.
        DragTo(w, POINT{118, 38}, POINT{128, 48});
        ASSERT_NE(Shown(page), start);
        Mouse(w, WM_LBUTTONDOWN, POINT{30, 20});
        Mouse(w, WM_LBUTTONUP, POINT{30, 20});
        Command(page, IDM_PAGEUNDO);
        EXPECT_EQ(Shown(page), start);
        Command(page, IDM_PAGECLOSE);
    });
    EXPECT_FALSE(Modified());
    // Each press renews the undo copy in the blocks of the one before.
    Edit(1, [&](HWND page) {
        std::vector<Object> start = Shown(page);
        HWND w = Window(page, start[1].number());
        for (int i = 0; i < 2; i++) {
            DragTo(w, POINT{30, 20}, POINT{40, 30});
        }
        std::vector<Object> once = Shown(page);
        Command(page, IDM_PAGEUNDO);
        EXPECT_NE(Shown(page), once);
        EXPECT_NE(Shown(page), start);
        RECT r = Shown(page)[1].rect(), want = start[1].rect();
        OffsetRect(&want, 10, 10);
        EXPECT_TRUE(EqualRect(&r, &want));
    });
}

TEST_F(PageEditor, InsertsGoToTheSnappedRightClickAndACancelledFileChangesNothing)
{
    GridUse = 1;
    Edit(1, [&](HWND page) {
        POINT at{61, 45};
        ClientToScreen(page, &at);
        SetCursorPos(at.x, at.y);
        Post(page, WM_RBUTTONDOWN, 0, MAKELPARAM(61, 45));
        EXPECT_EQ(Count(answers.asked, "popup"), 1);
        struct Insert {
            UINT id;
            const char *tag;
        } inserts[] = {{IDM_INSERTBUTTON, "BUTN"}, {IDM_INSERTTEXT, "TEXT"}, {IDM_INSERTTIMER, "tIme"},
                       {IDM_INSERTLIST, "LIST"},   {IDM_INSERTAPPLET, "APPl"}, {IDM_INSERTFRAME, "FRAm"}};
        for (const Insert &i : inserts) {
            Command(page, i.id);
            Object o = Shown(page).back();
            EXPECT_EQ(std::string((const char *)&o.h().tag, 4), i.tag);
            EXPECT_EQ(o.rect().left, 64);
            EXPECT_EQ(o.rect().top, 48);
            EXPECT_TRUE(Window(page, o.number()));
        }
        // A file dialog cancelled: nothing changes, but the undo copy is new.
        std::vector<Object> before = Shown(page);
        for (UINT id : {IDM_INSERTIMAGE, IDM_INSERTWAVE, IDM_INSERTMIDI, IDM_INSERTANIM, IDM_INSERTMOVIE,
                        IDM_INSERTSTATIC})
            Command(page, id);
        EXPECT_EQ(Count(answers.asked, "file"), 6);
        EXPECT_EQ(Shown(page), before);
        Command(page, IDM_PAGEUNDO);
        EXPECT_EQ(Shown(page), before);
    });
}

// Every type inserted by a right click at each corner of the page: where
// it fits it lies inside the page, touching the corner's edges, at its own
// size; a picture deeper than the page starts at the page's top.
TEST_F(PageEditor, InsertedObjectsAreMovedInsideThePageAtEveryCorner)
{
    soundtest::TempFolder folder;
    auto written = [&](const char *name, const std::string &bytes) {
        soundtest::Write(folder.path + name, bytes);
        return folder.path + name;
    };
    auto picture = [&](const char *name, int w, int h) {
        HGLOBAL dib = Picture(w, h, RGB(0, 200, 0));
        EXPECT_EQ(WriteImage((folder.path + name).c_str(), dib), 1) << name;
        GlobalFree(dib);
        return folder.path + name;
    };
    std::vector<uint8_t> avi = sbtest::Avi(64, 48, 3, 4);
    const struct {
        UINT id;
        std::string file;
        int w, h;
    } rows[] = {
        {IDM_INSERTBUTTON, "", (int)DefaultButtonObjectWidth, (int)DefaultButtonObjectDepth},
        {IDM_INSERTTEXT, "", (int)DefaultTextObjectWidth, (int)DefaultTextObjectDepth},
        {IDM_INSERTCHECK, "", (int)DefaultCheckboxObjectWidth, (int)DefaultCheckboxObjectDepth},
        {IDM_INSERTRADIO, "", (int)DefaultCheckboxObjectWidth, (int)DefaultCheckboxObjectDepth},
        {IDM_INSERTEDIT, "", (int)DefaultEditObjectWidth, (int)DefaultEditObjectDepth},
        {IDM_INSERTLIST, "", (int)DefaultListboxObjectWidth, (int)DefaultListboxObjectDepth},
        {IDM_INSERTFRAME, "", (int)DefaultFrameObjectWidth, (int)DefaultFrameObjectDepth},
        {IDM_INSERTAPPLET, "", (int)DefaultAppletObjectWidth, (int)DefaultAppletObjectDepth},
        {IDM_INSERTTIMER, "", 32, 32},
        {IDM_INSERTWAVE, written("s.wav", soundtest::WaveFile(11025, 1, 8, 200, [](DWORD i, int) { return (int)(i & 0xFF); })), 32, 32},
        {IDM_INSERTMIDI, written("m.mid", std::string(soundtest::MIDIFILE, sizeof soundtest::MIDIFILE - 1)), 32, 32},
        {IDM_INSERTIMAGE, picture("tall.bmp", 240, PAGEH + 20), 240, PAGEH + 20},
        {IDM_INSERTSTATIC, picture("still.png", 50, 30), 50, 30},
        {IDM_INSERTANIM, written("a.mng", sbtest::Mng(40, 30, {{RGB(1, 2, 3), 100}}, 1)), 40, 30},
        {IDM_INSERTMOVIE, written("v.avi", std::string(avi.begin(), avi.end())), 64, 48},
    };
    const POINT corners[] = {{0, 0}, {PAGEW - 1, 0}, {0, PAGEH - 1}, {PAGEW - 1, PAGEH - 1}};
    Edit(2, [&](HWND page) {
        for (const auto &row : rows)
            for (POINT corner : corners) {
                SCOPED_TRACE(testing::Message() << row.id << " at " << corner.x << "," << corner.y);
                POINT at = corner;
                ClientToScreen(page, &at);
                SetCursorPos(at.x, at.y);
                Post(page, WM_RBUTTONDOWN, 0, MAKELPARAM(corner.x, corner.y));
                answers.file = row.file;
                size_t before = Shown(page).size();
                Command(page, row.id);
                std::vector<Object> now = Shown(page);
                ASSERT_EQ(now.size(), before + 1) << "not inserted";
                const RECT &r = now.back().rect();
                EXPECT_EQ(r.right - r.left, row.w);
                EXPECT_EQ(r.bottom - r.top, row.h);
                EXPECT_EQ(r.left, corner.x ? std::max(0, PAGEW - row.w) : 0);
                EXPECT_EQ(r.top, corner.y ? std::max(0, PAGEH - row.h) : 0);
                Command(page, IDM_PAGEUNDO);
            }
        answers.file.clear();
    });
}

TEST_F(PageEditor, APictureFileIsInsertedAndABadOneReported)
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string good = std::string(dir) + "sb_pageed.bmp", bad = std::string(dir) + "sb_pageed_bad.bmp";
    {
        HGLOBAL dib = Picture(30, 20, RGB(0, 200, 0));
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + 40;
        fh.bfSize = (DWORD)(sizeof fh + GlobalSize(dib));
        FILE *f = fopen(good.c_str(), "wb");
        fwrite(&fh, sizeof fh, 1, f);
        fwrite(GlobalLock(dib), GlobalSize(dib), 1, f);
        fclose(f);
        GlobalUnlock(dib);
        GlobalFree(dib);
        f = fopen(bad.c_str(), "wb");
        fputs("not a picture", f);
        fclose(f);
    }
    Edit(2, [&](HWND page) {
        answers.file = good;
        Command(page, IDM_INSERTIMAGE);
        std::vector<Object> now = Shown(page);
        ASSERT_EQ(now.size(), 1u);
        EXPECT_EQ(now[0].tag(), TAG_IMAG);
        EXPECT_EQ(now[0].rect().right - now[0].rect().left, 30);
        answers.file = bad;
        Command(page, IDM_INSERTIMAGE);
        EXPECT_EQ(Shown(page).size(), 1u);
        EXPECT_EQ(Count(answers.asked, "Error reading file"), 1);
    });
    DeleteFileA(good.c_str());
    DeleteFileA(bad.c_str());
}

// A file refused for an animation or a static image says why: a file of
// another format is not a damaged one, and neither is an unreadable one.
TEST_F(PageEditor, ARefusedFileSaysWhetherItIsOfAnotherFormatOrDamaged)
{
    soundtest::TempFolder folder;
    auto written = [&](const char *name, const std::string &bytes) {
        soundtest::Write(folder.path + name, bytes);
        return folder.path + name;
    };
    std::string png;
    {
        HGLOBAL dib = Picture(20, 10, RGB(0, 200, 0));
        EXPECT_EQ(WriteImage((folder.path + "still.png").c_str(), dib), 1);
        EXPECT_EQ(WriteImage((folder.path + "still.bmp").c_str(), dib), 1);
        GlobalFree(dib);
        std::ifstream f(folder.path + "still.png", std::ios::binary);
        png.assign(std::istreambuf_iterator<char>(f), {});
    }
    std::string mng = sbtest::Mng(8, 6, {{RGB(1, 2, 3), 100}}, 1), damagedmng = mng;
    damagedmng[4] = '\n'; // the signature's line end, as a text transfer leaves it
    const struct {
        const char *what;
        UINT id;
        std::string file;
        const char *text;
    } rows[] = {
        {"a GIF for an animation", IDM_INSERTANIM, written("a.gif", "GIF89a" + std::string(64, 0)), "Unsupported format"},
        {"a PNG for an animation", IDM_INSERTANIM, written("a.png", png), "Unsupported format"},
        {"an MNG with a damaged signature", IDM_INSERTANIM, written("d.mng", damagedmng), "Corrupted file"},
        {"a BMP for a static image", IDM_INSERTSTATIC, folder.path + "still.bmp", "Unsupported format"},
        {"an MNG for a static image", IDM_INSERTSTATIC, written("s.mng", mng), "Unsupported format"},
        {"a PNG cut short", IDM_INSERTSTATIC, written("cut.png", png.substr(0, 40)), "Error reading file"},
    };
    Edit(2, [&](HWND page) {
        for (const auto &row : rows) {
            SCOPED_TRACE(row.what);
            answers.asked.clear();
            answers.file = row.file;
            Command(page, row.id);
            EXPECT_TRUE(Shown(page).empty());
            EXPECT_EQ(answers.asked, (std::vector<std::string>{"file", row.text}));
        }
        answers.file.clear();
    });
}

TEST_F(PageEditor, ATypeWithoutItsDialogSaysSoAndTheObjectStaysAsItWas)
{
    Edit(1, [&](HWND page) {
        std::vector<Object> start = Shown(page);
        for (const Object &o : start)
            On(page, WMU_OBJECTEDIT, o);
        Post(Window(page, start[0].number()), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        EXPECT_EQ(Shown(page), start);
        Command(page, IDM_PAGECLOSE);
    });
    // Each asks once: the types that have their dialog open it (answered
    // here with Cancel), the others say so.
    size_t asked = 0;
    for (const std::string &a : answers.asked)
        asked += a == NOTAVAILABLE || (a.rfind("Edit", 0) == 0 && a.size() > 7 && a.substr(a.size() - 3) == "Box");
    EXPECT_EQ(asked, 5u);
    EXPECT_EQ(Count(answers.asked, "EditButtonBox"), 2);
    EXPECT_FALSE(Modified());
}

// A dialog that replaces its object with a copy moved by 5 pixels and ends
// with the result it is given.
INT_PTR CALLBACK ReplacingDialog(HWND dlg, UINT msg, WPARAM, LPARAM lParam)
{
    if (msg != WM_INITDIALOG)
        return FALSE;
    auto *p = (EDITPARAM *)lParam;
    HGLOBAL fresh = DuplicateObject(p->object);
    {
        GlobalLocked<OBJECTHEADER> o(fresh);
        OffsetRect(&o->rect, 5, 5);
    }
    GlobalFree(p->object);
    p->object = fresh;
    EndDialog(dlg, 1);
    return TRUE;
}

INT_PTR CALLBACK CancelledDialog(HWND dlg, UINT msg, WPARAM, LPARAM lParam)
{
    if (msg != WM_INITDIALOG)
        return FALSE;
    auto *p = (EDITPARAM *)lParam;
    // Changes the live object, then cancels.
    GlobalLocked<OBJECTHEADER>(p->object)->flags ^= 0xFF;
    EndDialog(dlg, 0);
    return TRUE;
}

TEST_F(PageEditor, ObjectDialogsKeepTheirResultOrTheBackupAndNoWindowKeepsAFreedHandle)
{
    // Not a page: 0 and nothing shown.
    BLOCK header = Block(0);
    EXPECT_EQ(RunObjectDialog(frame, nullptr, &header, 0, "EditPageObjectListBox", ReplacingDialog), 0);

    sbtest::ModalRecorder real;
    real.Drive([](HWND) {});
    real.Drive([](HWND) {});
    BLOCK page = Block(1);
    std::vector<Object> start = Objects(page);
    HWND host = sbtest::CreateTestWindow(true, PAGEW, PAGEH);
    RegisterPageEditorClasses();
    for (uint32_t i = 0; i < BlockObjectCount(&page); i++)
        AddPageObject(host, GetPageObject(&page, i));
    EXPECT_EQ(RunObjectDialog(host, nullptr, &page, 1, "EditPageObjectListBox", ReplacingDialog), 1);
    HWND w = Window(host, start[1].number());
    EXPECT_EQ((HGLOBAL)GetWindowLongPtrA(w, GWLP_USERDATA), GetPageObject(&page, 1));
    Object moved = Read(GetPageObject(&page, 1));
    RECT want = start[1].rect();
    OffsetRect(&want, 5, 5);
    EXPECT_TRUE(EqualRect(&moved.rect(), &want));
    // Cancel puts back the object exactly as it was, in its place.
    std::vector<Object> before = Objects(page);
    EXPECT_EQ(RunObjectDialog(host, nullptr, &page, 2, "EditPageObjectListBox", CancelledDialog), 0);
    EXPECT_EQ(Objects(page), before);
    EXPECT_EQ((HGLOBAL)GetWindowLongPtrA(Window(host, start[2].number()), GWLP_USERDATA), GetPageObject(&page, 2));
    DestroyWindow(host);
    PutBlock(List(doc), 1, &page);
}

TEST_F(PageEditor, ATextBecomesAStaticImageOfItselfInItsPlace)
{
    Edit(1, [&](HWND page) {
        std::vector<Object> start = Shown(page);
        // Transparent, on a green background.
        HWND w = Window(page, start[1].number());
        auto *t = (OBJECTTEXT *)LockObject(w);
        t->header.flags |= OBJ_TRANSPARENT;
        t->backcolour = RGB(0, 160, 0);
        UnlockObject(w);
        start = Shown(page);
        // Anything but a text is left alone.
        On(page, WMU_OBJECTTOSTATIC, start[0]);
        EXPECT_EQ(Shown(page), start);
        On(page, WMU_OBJECTTOSTATIC, start[1]);
        std::vector<Object> now = Shown(page);
        ASSERT_EQ(now.size(), 4u);
        const auto &s = *(const OBJECTSTATICIMAGE *)now[1].bytes.data();
        EXPECT_EQ(s.header.tag, TAG_STAT);
        EXPECT_EQ(s.header.number, start[1].number());
        EXPECT_TRUE(EqualRect(&s.header.rect, &start[1].rect()));
        EXPECT_EQ(s.colourtype, 2u);
        EXPECT_EQ(s.transparencycount, 3u);
        EXPECT_EQ(s.transparency[0], 0);
        EXPECT_EQ(s.transparency[1], 160);
        EXPECT_EQ(s.transparency[2], 0);
        // The picture's background is the transparent colour, not black.
        const auto *dib = (const BITMAPINFOHEADER *)(now[1].bytes.data() + s.header.fixedsize);
        EXPECT_EQ(GetDibPixel(dib, 0, 0) & 0xFFFFFF, 0x00A000u);
        EXPECT_EQ(Window(page, s.header.number) != NULL, true);
        EXPECT_EQ(now[0], start[0]);
        EXPECT_EQ(now[2], start[2]);
        Command(page, IDM_PAGEUNDO);
        EXPECT_EQ(Shown(page), start);
    });
    EXPECT_EQ(Count(answers.asked, OBJECTERROR), 1);
}

TEST_F(PageEditor, TheObjectListNamesEveryObjectButTheBackgroundAndOpensOne)
{
    BLOCK page = Block(1);
    HGLOBAL dib = Picture(8, 8, 0);
    HGLOBAL back = CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)dib);
    GlobalFree(dib);
    GlobalLocked<OBJECTHEADER>(back)->tag = TAG_BAKI;
    AppendPageObject(&page, back);
    PutBlock(List(doc), 1, &page);
    std::vector<std::string> lines;
    sbtest::ModalRecorder real;
    real.Drive([&](HWND dlg) {
        HWND list = GetDlgItem(dlg, IDC_OBJECTLIST);
        for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); i++) {
            char line[128];
            SendMessageA(list, LB_GETTEXT, i, (LPARAM)line);
            lines.push_back(line);
        }
        Snapshot(dlg, "objectlist");
        SendMessageA(list, LB_SETCURSEL, 1, 0);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_OBJECTLIST, LBN_DBLCLK), (LPARAM)list);
    });
    Edit(1, [&](HWND page) {
        Command(page, IDM_PAGEOBJECTLIST);
        Command(page, IDM_PAGECLOSE);
    });
    std::vector<std::string> want{"101 (Button - Go)", "102 (Text)", "103 (Image)", "104 (Timer)"};
    EXPECT_EQ(lines, want);
    // The text's dialog was asked for after the list closed.
    ASSERT_FALSE(real.calls.empty());
    EXPECT_EQ(real.calls.back().name, "EditTextBox");
}

TEST_F(PageEditor, PagesOfNoObjectsOrAThousandOrDamagedRectanglesOpen)
{
    BLOCK page = Block(2);
    for (int i = 0; i < 1000; i++)
        Add(page, TAG_BUTN, (i * 7) % 300, (i * 3) % 250, (LONG_PTR) "b", 40, 20);
    HGLOBAL wild = Add(page, TAG_TEXT, 0, 0, (LONG_PTR) "wild");
    {
        GlobalLocked<OBJECTHEADER> o(wild);
        o->rect = RECT{-2000000000, 5, 2000000000, -7};
    }
    PutBlock(List(doc), 2, &page);
    Edit(2, [&](HWND page) {
        std::vector<Object> shown = Shown(page);
        EXPECT_EQ(shown.size(), 1001u);
        RECT r = shown.back().rect();
        EXPECT_LT(r.left, r.right);
        EXPECT_LT(r.top, r.bottom);
        EXPECT_LE(r.right - r.left, 32760);
    });
    // And with none at all.
    BLOCK none = Block(2);
    while (BlockObjectCount(&none))
        DeletePageObject(&none, 0);
    PutBlock(List(doc), 2, &none);
    Edit(2, [&](HWND page) {
        EXPECT_TRUE(Shown(page).empty());
        Command(page, IDM_PAGEABANDON);
    });
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(PageEditor, AQuitInsideTheEditorStillEndsTheProgram)
{
    Edit(1, [&](HWND) { PostQuitMessage(7); });
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(PageEditor, TheGridIsDrawnAndSnapsPointsAndRectangles)
{
    HWND w = sbtest::CreateTestWindow(false, 200, 200);
    GridFrequency = 8;
    struct Case {
        int use;
        RECT in;
        int handle;
        RECT want;
    } cases[] = {
        {0, {11, 13, 41, 33}, 0, {11, 13, 41, 33}},
        {1, {11, 13, 41, 33}, 0, {8, 16, 38, 36}},
        {1, {12, 13, 41, 33}, 1, {8, 16, 41, 33}},
        {1, {11, 13, 41, 33}, 4, {11, 13, 40, 33}},
        {1, {11, 13, 41, 37}, 6, {11, 13, 41, 40}},
        {1, {11, 13, 41, 33}, 9, {11, 13, 41, 33}},
        {1, {-5, -3, 20, 20}, 0, {-8, 0, 17, 23}},
    };
    for (const Case &c : cases) {
        GridUse = c.use;
        RECT r = c.in;
        EXPECT_EQ(DoGridRect(w, &r, c.handle), c.use);
        EXPECT_TRUE(EqualRect(&r, &c.want)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
    GridFrequency = 0; // from a damaged configuration file: no division by it
    POINT p{5, 5};
    ClientToScreen(w, &p);
    EXPECT_EQ(DoGrid(w, &p), 1);
    DestroyWindow(w);

    // Frequency 1: every pixel of the page not under an object is white.
    GridUse = 1;
    GridShow = 1;
    GridFrequency = 1;
    Edit(2, [&](HWND page) {
        InvalidateRect(page, NULL, TRUE);
        UpdateWindow(page);
        sbtest::Capture c = sbtest::CaptureClient(page);
        int white = 0;
        for (uint32_t px : c.pixels)
            white += (px & 0xFFFFFF) == 0xFFFFFF;
        EXPECT_EQ(white, (int)c.pixels.size());
    });
    GridFrequency = 8;
    Edit(1, [&](HWND page) {
        InvalidateRect(page, NULL, TRUE);
        UpdateWindow(page);
        sbtest::Capture c = sbtest::CaptureClient(page);
        // The dots invert the page's colour.
        EXPECT_EQ(c.At(16, 160), RGB(255, 255, 127));
        EXPECT_EQ(c.At(17, 160), RGB(0, 0, 128));
        Snapshot(page, "grid");
    });
}

TEST_F(PageEditor, TheGridDialogStoresOnlyOnOk)
{
    GridUse = 0;
    GridShow = 1;
    GridFrequency = 8;
    sbtest::ModalRecorder real;
    real.Drive([](HWND dlg) {
        Snapshot(dlg, "griddialog");
        SetDlgItemTextA(dlg, IDC_GRIDSIZE, "500");
        sbtest::Click(dlg, IDC_GRIDSNAP);
        sbtest::Click(dlg, IDCANCEL);
    });
    real.Drive([](HWND dlg) {
        SetDlgItemTextA(dlg, IDC_GRIDSIZE, "500");
        sbtest::Click(dlg, IDC_GRIDSNAP);
        sbtest::Click(dlg, IDC_GRIDSHOW);
        sbtest::Click(dlg, IDOK);
    });
    real.Drive([](HWND dlg) {
        SetDlgItemTextA(dlg, IDC_GRIDSIZE, "x");
        sbtest::Click(dlg, IDOK);
    });
    HWND w = sbtest::CreateTestWindow(false);
    EXPECT_EQ(SetGrid(w), 0);
    EXPECT_EQ(GridFrequency, 8);
    EXPECT_EQ(GridUse, 0);
    EXPECT_EQ(SetGrid(w), 1);
    EXPECT_EQ(GridFrequency, 128);
    EXPECT_EQ(GridUse, 1);
    EXPECT_EQ(GridShow, 0);
    EXPECT_EQ(SetGrid(w), 1);
    EXPECT_EQ(GridFrequency, 1);
    DestroyWindow(w);
}

TEST_F(PageEditor, AnEditKeptAndSavedIsWhatThePlayerShows)
{
    // The red picture is dragged from (240, 120) to (300, 200).
    Edit(1, [&](HWND page) {
        HWND w = Window(page, 103);
        Mouse(w, WM_LBUTTONDOWN, POINT{10, 10});
        Mouse(w, WM_MOUSEMOVE, POINT{40, 50});
        Mouse(w, WM_MOUSEMOVE, POINT{70, 90});
        Mouse(w, WM_LBUTTONUP, POINT{70, 90});
        Command(page, IDM_PAGECLOSE);
    });
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string path = std::string(dir) + "sb_pageed_play.exe";
    BLOCKSET *set = LockBlockSet(doc);
    ASSERT_EQ(WriteExeFile(List(doc), set, path.c_str()), 1);
    UnlockBlockSet(doc);
    PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD) {
        EXPECT_TRUE(WaitFor([&] { return ScreenPixel(show, 330, 220) == RGB(200, 30, 30); }));
        EXPECT_NE(ScreenPixel(show, 250, 130), RGB(200, 30, 30));
    });
    EXPECT_TRUE(out.shown);
    EXPECT_TRUE(out.messages.empty());
    DeleteFileA(path.c_str());
}

TEST_F(PageEditor, TargetListsNameEveryObjectButTheBackgroundAndReadBackTheNumber)
{
    BLOCK stored = Block(1), page;
    ASSERT_TRUE(DuplicateBlock(&page, &stored));
    HGLOBAL dib = Picture(8, 8, 0);
    HGLOBAL back = CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)dib);
    GlobalFree(dib);
    GlobalLocked<OBJECTHEADER>(back)->tag = TAG_BAKI;
    AppendPageObject(&page, back);
    HWND host = sbtest::CreateTestWindow(false);
    for (const char *cls : {"ListBox", "ComboBox"}) {
        SCOPED_TRACE(cls);
        HWND list = CreateWindowA(cls, "", WS_CHILD | (cls[0] == 'C' ? CBS_DROPDOWNLIST : 0), 0, 0, 200, 200, host,
                                  NULL, hInst, NULL);
        FillTargetList(list, &page, 103);
        bool combo = cls[0] == 'C';
        std::vector<std::string> lines;
        int n = (int)SendMessageA(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; i++) {
            char line[128];
            SendMessageA(list, combo ? CB_GETLBTEXT : LB_GETTEXT, i, (LPARAM)line);
            lines.push_back(line);
        }
        std::vector<std::string> want{"101 (Button - Go)", "102 (Text)", "103 (Image)", "104 (Timer)"};
        EXPECT_EQ(lines, want);
        EXPECT_EQ(ReadTarget(list, 7), 103u);
        SendMessageA(list, combo ? CB_SETCURSEL : LB_SETCURSEL, (WPARAM)-1, 0);
        EXPECT_EQ(ReadTarget(list, 7), 7u); // nothing chosen keeps the old target
        DestroyWindow(list);
    }
    DestroyWindow(host);
    DestroyBlock(&page);
}
