// Pages leaving one document window for another, through the clipboard and
// by dragging with the mouse; View and Print of a document, printed into a
// memory DC that stands in for the printer.
#include "common/modal.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "document/reader.h"
#include "document/writer.h"
#include "editor/clipboard.h"
#include "editor/docwindow.h"
#include "editor/parts.h"
#include "editor/shell.h"
#include "editor/tipfolder.h"
#include "editor/viewprint.h"
#include "media/dib.h"
#include "player/sample.h"
#include "resources/editorframe_ids.h"
#include "resources/resource.h"
#include "resources/viewprint_ids.h"
#include "runtime/runtime.h"
#include "runtime/thumbs.h"
#include "tests/support/editorsupport.h"
#include "tests/support/mutate.h"
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

// Every modal box is recorded and cancelled, except the print dialog, which
// hands over the memory printer.
struct Boxes {
    std::vector<std::string> asked;
    HDC printer = NULL;
    int copies = 1;
    std::string device; // offered to the print dialog
    MODALHOOK previous;
    static Boxes *current;
    Boxes() : previous(COMMONSetModalHook(Hook)) { current = this; }
    ~Boxes()
    {
        COMMONSetModalHook(previous);
        current = nullptr;
    }
    int Count(const char *what) const
    {
        int n = 0;
        for (const auto &a : asked)
            n += a.find(what) != std::string::npos;
        return n;
    }
    static INT_PTR Hook(const MODALCALL *call)
    {
        Boxes *self = current;
        self->asked.push_back(call->text ? call->text : call->name ? call->name : "");
        if (call->kind == MODAL_COMMONDIALOG && strcmp(call->name, "PrintDlg") == 0) {
            auto *pd = (PRINTDLGA *)call->data;
            EXPECT_EQ(pd->Flags, 0x590Cu);
            EXPECT_EQ(pd->lpPrintTemplateName, MAKEINTRESOURCEA(1538));
            if (auto *dm = (DEVMODEA *)GlobalLock(pd->hDevMode)) {
                self->device = (const char *)dm->dmDeviceName;
                GlobalUnlock(pd->hDevMode);
            }
            if (!self->printer)
                return 0;
            pd->hDC = self->printer;
            pd->nCopies = (WORD)self->copies;
            return 1;
        }
        return IDCANCEL;
    }
};
Boxes *Boxes::current;

// The memory printer: a sheet of 1000 x 1400 white pixels and the calls made.
namespace printer {
std::vector<std::string> calls;
bool present = true;
bool Default(char *name, size_t size)
{
    snprintf(name, size, "Office printer");
    return present;
}
void Size(HDC, int *width, int *height) { *width = 1000, *height = 1400; }
int WINAPI StartDocument(HDC, const DOCINFOA *info) { return calls.push_back("startdoc " + std::string(info->lpszDocName)), 1; }
int WINAPI Start(HDC) { return calls.push_back("startpage"), 1; }
// While `sheets` is on, each ended sheet is kept and the paper is fresh again.
bool sheets = false;
std::vector<sbtest::Capture> printed;
int WINAPI End(HDC dc)
{
    if (sheets) {
        printed.push_back(sbtest::CaptureDC(dc, 1000, 1400));
        RECT all{0, 0, 1000, 1400};
        FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    }
    return calls.push_back("endpage"), 1;
}
int WINAPI EndDocument(HDC) { return calls.push_back("enddoc"), 1; }
int WINAPI Abort(HDC) { return calls.push_back("abortdoc"), 1; }
void Release(HDC) { calls.push_back("release"); }
} // namespace printer

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The editor's frame frees its clipboard data: so does this one.
    if (msg == WM_DESTROYCLIPBOARD)
        return WndProc(hwnd, msg, wParam, lParam);
    return DefFrameProcA(hwnd, hwndclient, msg, wParam, lParam);
}

// A 24-bit picture filled with one colour.
HGLOBAL Picture(int width, int height, COLORREF colour)
{
    char rgb[768] = {};
    HGLOBAL dib = CreateDib(width, height, rgb, 24);
    DibLock lock(dib);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            uint8_t *p = lock.Row(y) + 3 * x;
            p[0] = GetBValue(colour), p[1] = GetGValue(colour), p[2] = GetRValue(colour);
        }
    return dib;
}

const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 160, 0), RGB(0, 0, 220), RGB(200, 200, 0), RGB(0, 200, 200)};

struct Transfer : testing::Test {
    HWND frame = NULL;
    sbtest::DocumentFrame mdi;
    SHOWHOST host = QV_SystemHost;
    EDITORPARTS parts{};
    std::vector<std::string> files;

    void SetUp() override
    {
        frame = mdi.Open(900, 600, FrameProc);
        host.printer = PRINTERPROVIDER{printer::Default, nullptr, printer::Size, printer::StartDocument,
                                       printer::Start, printer::End, printer::EndDocument, printer::Abort,
                                       printer::Release, nullptr, nullptr};
        parts.showhost = &host;
        BindEditorParts(frame, &parts);
        printer::calls.clear();
        printer::present = true;
    }
    void TearDown() override
    {
        mdi.CloseDocuments();
        EmptyTheClipboard();
        BindEditorParts(frame, nullptr);
        mdi.Close();
        for (const auto &f : files)
            DeleteFileA(f.c_str());
    }
    void EmptyTheClipboard()
    {
        if (OpenClipboard(frame)) {
            EmptyClipboard();
            CloseClipboard();
        }
    }

    // A document of 100 x 75 pixel pages P1, P2 ..., each filled by a
    // picture of its own colour.
    HWND NewDocument(int pages, const char *prefix = "P")
    {
        HWND w = CreateNewTask(frame, "show.exe", 0);
        BLOCKSET *set = LockBlockSet(w);
        EXPECT_EQ(DoNew(frame, w, set), 1);
        BLOCK header;
        GetBlock(List(w), 0, &header);
        header.hedr.width = 100, header.hedr.depth = 75;
        PutBlock(List(w), 0, &header);
        for (int i = 1; i <= pages; i++) {
            BLOCK page;
            CreateBlock(w, set, &page, TAG_PAGE, nullptr, 0);
            snprintf(page.page.title, sizeof page.page.title, "%s%d", prefix, i);
            HGLOBAL dib = Picture(100, 75, colours[(i - 1) % 5]);
            HGLOBAL object = CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)dib);
            if (auto *o = (OBJECTHEADER *)GlobalLock(object)) {
                o->rect = RECT{0, 0, 100, 75};
                GlobalUnlock(object);
            }
            AppendPageObject(&page, object);
            GlobalFree(dib);
            AppendBlock(List(w), set, &page);
        }
        set->caret = 0;
        set->modified = 0;
        UnlockBlockSet(w);
        return w;
    }
    static HWND List(HWND w) { return GetDlgItem(w, IDC_BLOCKLIST); }
    static std::string Titles(HWND w)
    {
        std::string out;
        int n = (int)SendMessageA(List(w), LB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; i++) {
            BLOCK b;
            GetBlock(List(w), i, &b);
            out += (i ? " " : "") + std::string(b.tag == TAG_HEDR ? "H" : FetchBlockText(&b));
        }
        return out;
    }
    static BLOCKSET Set(HWND w)
    {
        BLOCKSET copy = *LockBlockSet(w);
        UnlockBlockSet(w);
        return copy;
    }
    static void Caret(HWND w, int caret)
    {
        LockBlockSet(w)->caret = caret;
        UnlockBlockSet(w);
    }
    static void Select(HWND w, const char *pattern)
    {
        for (int i = 0; pattern[i]; i++)
            SendMessageA(List(w), LB_SETSEL, pattern[i] == '1', i);
    }
    static void Command(HWND w, WPARAM id)
    {
        SendMessageA(w, WM_COMMAND, id, 0);
        sbtest::PumpUntilIdle();
    }
    // The colour at the middle of page `index` as the printer would draw it.
    static COLORREF Rendered(HWND w, int index)
    {
        BLOCK page;
        if (!GetBlock(List(w), index, &page))
            return CLR_INVALID;
        HGLOBAL dib = CreatePrintImage(w, List(w), LockBlockSet(w), &page, index);
        UnlockBlockSet(w);
        if (!dib)
            return CLR_INVALID;
        DibLock lock(dib);
        const uint8_t *p = lock.Row(37) + 3 * 50;
        COLORREF c = RGB(p[2], p[1], p[0]);
        GlobalFree(dib);
        return c;
    }
    std::vector<char> Saved(HWND w)
    {
        char dir[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        std::string path = std::string(dir) + "transfer" + std::to_string(files.size()) + ".exe";
        files.push_back(path);
        EXPECT_EQ(WriteExeFile(List(w), LockBlockSet(w), path.c_str()), 1);
        UnlockBlockSet(w);
        std::ifstream f(path, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(f), {});
    }
    // Puts `data` on the clipboard as the private page format.
    void PutOnClipboard(const std::vector<uint8_t> &data)
    {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, data.size());
        memcpy(GlobalLock(h), data.data(), data.size());
        GlobalUnlock(h);
        ASSERT_TRUE(OpenClipboard(frame));
        EmptyClipboard();
        SetClipboardData(CF_PAGEBLOCK, h);
        CloseClipboard();
    }
    std::vector<uint8_t> FromClipboard()
    {
        std::vector<uint8_t> data;
        if (!OpenClipboard(frame))
            return data;
        if (HGLOBAL h = GetClipboardData(CF_PAGEBLOCK)) {
            auto *p = (uint8_t *)GlobalLock(h);
            data.assign(p, p + GlobalSize(h));
            GlobalUnlock(h);
        }
        CloseClipboard();
        return data;
    }
};

// --- clipboard ------------------------------------------------------------

TEST_F(Transfer, CopyInOneWindowPasteInAnotherGivesIndependentPages)
{
    HWND source = NewDocument(2), target = NewDocument(1, "Q");
    Caret(source, 2);
    Command(source, IDM_COPY);
    Caret(target, 1);
    Command(target, IDM_PASTE);
    Command(target, IDM_PASTE);
    EXPECT_EQ(Titles(target), "H Q1 P2 P2");
    EXPECT_EQ(Set(target).caret, 3);
    EXPECT_EQ(Set(target).modified, 1);
    EXPECT_EQ(Titles(source), "H P1 P2");
    // Neither the source, nor the clipboard, nor the other copy holds what
    // a pasted page draws.
    SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)source, 0);
    EmptyTheClipboard();
    BLOCK first, second;
    GetBlock(List(target), 2, &first);
    GetBlock(List(target), 3, &second);
    EXPECT_NE(GetPageObject(&first, 0), GetPageObject(&second, 0));
    DeletePageObject(&first, 0);
    PutBlock(List(target), 2, &first);
    EXPECT_EQ(Rendered(target, 3), colours[1]);
    EXPECT_EQ(Rendered(target, 1), colours[0]);
}

// Another program takes the clipboard between page commands, as a user
// copying a word in a mail does: the next Copy and Cut still copy, Paste
// brings the page back, the document saves as it was, and no block of the
// editor's is freed on the way.
TEST_F(Transfer, AnotherProgramTakingTheClipboardBetweenPageCommandsLosesNothing)
{
    for (const char *text : {(const char *)nullptr, "word"}) {
        SCOPED_TRACE(text ? "text put on it" : "emptied");
        HWND w = NewDocument(3);
        std::vector<char> before = Saved(w);
        Boxes boxes;
        Caret(w, 1);
        Command(w, IDM_COPY);
        sbtest::OtherProgramTakesClipboard(text);
        Command(w, IDM_COPY);
        sbtest::OtherProgramTakesClipboard(text);
        sbtest::PatternBlocks blocks;
        Caret(w, 2);
        Command(w, IDM_CUT);
        EXPECT_EQ(Titles(w), "H P1 P3");
        Caret(w, 1);
        Command(w, IDM_PASTE);
        EXPECT_EQ(Titles(w), "H P1 P2 P3");
        EXPECT_EQ(boxes.asked, std::vector<std::string>{});
        EXPECT_EQ(Saved(w), before);
        EXPECT_EQ(blocks.Damaged(), 0);
    }
}

TEST_F(Transfer, CutThenPasteRestoresTheDocumentAndTheHeaderStays)
{
    HWND w = NewDocument(3);
    std::vector<char> before = Saved(w);
    Boxes boxes;
    Caret(w, 0);
    Command(w, IDM_CUT);
    EXPECT_EQ(boxes.Count("header block can't be copied"), 1);
    EXPECT_EQ(Titles(w), "H P1 P2 P3");
    // Cut and Paste each take an undo copy of their own.
    Caret(w, 2);
    Command(w, IDM_CUT);
    EXPECT_EQ(Titles(w), "H P1 P3");
    Command(w, IDM_UNDO);
    EXPECT_EQ(Titles(w), "H P1 P2 P3");
    EXPECT_EQ(Saved(w), before);
    Caret(w, 2);
    Command(w, IDM_CUT);
    Caret(w, 1);
    Command(w, IDM_PASTE);
    EXPECT_EQ(Titles(w), "H P1 P2 P3");
    EXPECT_EQ(Saved(w), before);
    // Undo takes the paste back.
    Command(w, IDM_UNDO);
    EXPECT_EQ(Titles(w), "H P1 P3");
    // With no current block nothing is inserted.
    Caret(w, -1);
    Command(w, IDM_PASTE);
    EXPECT_EQ(Titles(w), "H P1 P3");
    EXPECT_EQ(boxes.asked.size(), 1u);
}

// A Cut whose copy cannot reach the clipboard, because another program
// holds it open or because it takes no data, deletes nothing: the block
// stays, the user is told once, and Undo still takes back the cut before.
// A text copy says it did not copy.
TEST_F(Transfer, ACutWhileAnotherProgramHoldsTheClipboardKeepsTheBlock)
{
    for (const auto &row : sbtest::clipboardrefusals) {
        SCOPED_TRACE(row.name);
        HWND w = NewDocument(3);
        Caret(w, 3);
        Command(w, IDM_CUT);
        ASSERT_EQ(Titles(w), "H P1 P2");
        Boxes boxes;
        row.refusing([&] {
            Caret(w, 2);
            Command(w, IDM_CUT);
            EXPECT_EQ(CopyToClipboard(frame, "word"), 0);
        });
        EXPECT_EQ(Titles(w), "H P1 P2");
        EXPECT_EQ(boxes.Count("That block can't be copied to the clipboard."), 1);
        EXPECT_EQ(boxes.asked.size(), 1u);
        Command(w, IDM_UNDO);
        EXPECT_EQ(Titles(w), "H P1 P2 P3");
    }
}

// The format, byte for byte: the block record's image at its fixed offsets,
// then each object whole.
TEST_F(Transfer, TheClipboardFormatIsTheBlockImageAndTheObjects)
{
    HWND w = NewDocument(1);
    Caret(w, 1);
    Command(w, IDM_COPY);
    std::vector<uint8_t> data = FromClipboard();
    ASSERT_GE(data.size(), 3080u + 76u);
    auto u32 = [&](size_t at) { return *(const uint32_t *)&data[at]; };
    EXPECT_EQ(u32(0), 0x45474150u);
    EXPECT_EQ(u32(2638), 1u);
    EXPECT_STREQ((const char *)&data[2316 + 20], "P1");
    EXPECT_EQ(u32(3080), TAG_IMAG);
    EXPECT_EQ(data.size(), 3080u + u32(3080 + 4));

    // A page written by hand in that form pastes as a page of its own.
    std::vector<uint8_t> made(3080, 0);
    memcpy(&made[0], "PAGE", 4);
    memcpy(&made[2316], "PAGE", 4);
    memcpy(&made[2316 + 20], "Handmade", 9);
    made.insert(made.end(), data.begin() + 3080, data.end());
    *(uint32_t *)&made[2638] = 1;
    PutOnClipboard(made);
    Command(w, IDM_PASTE);
    EXPECT_EQ(Titles(w), "H P1 Handmade");
    EXPECT_EQ(Rendered(w, 2), colours[0]);
    // A title that fills its field is ended inside it.
    memset(&made[2316 + 20], 'A', 294);
    PutOnClipboard(made);
    Command(w, IDM_PASTE);
    BLOCK pasted;
    ASSERT_TRUE(GetBlock(List(w), 3, &pasted));
    EXPECT_EQ(strlen(pasted.page.title), 293u);
}

TEST_F(Transfer, DamagedClipboardDataIsRefusedWithAMessage)
{
    HWND w = NewDocument(1);
    Caret(w, 1);
    Command(w, IDM_COPY);
    const std::vector<uint8_t> good = FromClipboard();
    ASSERT_GT(good.size(), 3080u + 76u);
    struct Case {
        const char *what;
        size_t at;    // where the damage goes; the size for "cut"
        uint32_t value;
        bool cut;
    } cases[] = {
        {"shorter than a block", 3000, 0, true},
        {"half an object", 3080 + 40, 0, true},
        {"object cut short", good.size() - 1, 0, true},
        {"not a page", 0, 0x52444548, false},
        {"a page whose record is a header's", 2316, 0x52444548, false},
        {"a page whose record ends the document", 2316, 0x24444E45, false},
        {"more objects than bytes", 2638, 2, false},
        {"a huge count", 2638, 0x7FFFFFFF, false},
        {"total beyond the data", 3080 + 4, 0x7FFFFFF0, false},
        {"sizes that disagree", 3080 + 12, 1, false},
        {"fixed part too small", 3080 + 8, 20, false},
        {"bytes behind the last object", good.size() - 1, 0, false},
    };
    Boxes boxes;
    for (const Case &c : cases) {
        std::vector<uint8_t> bad = good;
        if (c.cut)
            bad.resize(c.at);
        else if (c.at == good.size() - 1)
            bad.push_back(0x55);
        else
            memcpy(&bad[c.at], &c.value, 4);
        PutOnClipboard(bad);
        boxes.asked.clear();
        Command(w, IDM_PASTE);
        EXPECT_EQ(Titles(w), "H P1") << c.what;
        EXPECT_EQ(boxes.Count("damaged"), 1) << c.what;
    }
}

// Damaged copies of a page with objects of several kinds: every field the
// format names and every field of each object's head set to values that
// break sizes, counts and kinds, and random damage anywhere. Each comes in
// whole or is refused with the message; the pages that come in save into a
// document that loads back without a question, each object byte for byte.
TEST_F(Transfer, DamagedPagesThatPasteSaveAndLoadBackWithoutAQuestion)
{
    HWND w = CreateNewTask(frame, "damaged.exe", 0);
    // Read back into a plain list: a document window's would draw each page.
    HWND back = sbtest::CreateTestWindow(false);
    CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 100, 100, back, (HMENU)IDC_BLOCKLIST, hInst, NULL);
    BLOCKSET backset{};
    BLOCKSET *set = LockBlockSet(w);
    ASSERT_EQ(DoNew(frame, w, set), 1);
    set->viewmode = 0;
    {
        // Few and small objects, with data and without, keep each save short.
        BLOCK page;
        CreateBlock(w, set, &page, TAG_PAGE, nullptr, 0);
        snprintf(page.page.title, sizeof page.page.title, "P1");
        HGLOBAL dib = Picture(4, 3, colours[0]);
        const std::pair<uint32_t, LONG_PTR> objects[] = {
            {TAG_IMAG, (LONG_PTR)dib}, {TAG_TEXT, (LONG_PTR) "Words"}, {TAG_FRAM, 0}};
        for (const auto &[tag, data] : objects)
            ASSERT_TRUE(AppendPageObject(&page, CreatePageObject(&page, tag, 0, data)));
        GlobalFree(dib);
        AppendBlock(List(w), set, &page);
    }
    UnlockBlockSet(w);
    Caret(w, 1);
    Command(w, IDM_COPY);
    const std::vector<uint8_t> good = FromClipboard();
    std::vector<size_t> records = {0, 2316}, heads;
    for (size_t at = 3080; at + 76 <= good.size(); at += *(const uint32_t *)&good[at + 4])
        heads.push_back(at);
    ASSERT_EQ(heads.size(), 3u);
    records.insert(records.end(), heads.begin(), heads.end());

    std::vector<std::pair<std::vector<uint8_t>, std::string>> copies;
    const uint32_t values[] = {0, 1, 75, 76, 358, 0x10001, 0x7FFFFFFF, 0xFFFFFFFF, TAG_PAGE, TAG_HEDR, TAG_END};
    auto put = [&](size_t at, uint32_t v) {
        std::vector<uint8_t> bad = good;
        memcpy(&bad[at], &v, 4);
        copies.push_back({bad, std::to_string(v) + " at " + std::to_string(at)});
    };
    for (size_t at : {0, 4, 8, 12, 16, 24, 2316, 2320, 2324, 2328, 2332, 2630, 2634, 2638})
        for (uint32_t v : values)
            put(at, v);
    // The head's tag, sizes, flags, number and run-time field.
    for (size_t head : heads)
        for (size_t field : {0, 4, 8, 12, 16, 20, 40, 44})
            for (uint32_t v : values)
                put(head + field, v);
    for (uint32_t seed = 0; seed < 150; seed++) {
        std::string what;
        std::vector<uint8_t> bad = MutateRecords(good, records, seed, &what);
        copies.push_back({bad, what});
    }

    // The pages that came in are saved and read back a score at a time, by
    // a load that refuses what it would ask about; a document that does not
    // come back as it was names what was pasted into it.
    Boxes boxes;
    std::vector<std::string> batch;
    int refused = 0;
    auto roundtrip = [&] {
        if (batch.empty())
            return;
        Saved(w);
        FreeBlocks(back, &backset);
        const LOADHOST quiet = {nullptr, nullptr, nullptr, nullptr, nullptr, false, true, nullptr};
        std::string pasted;
        for (const std::string &b : batch)
            pasted += "\n  " + b;
        ASSERT_EQ(LoadExeFileWith(List(back), &backset, files.back().c_str(), quiet), 1) << "pasted:" << pasted;
        ASSERT_EQ(SendMessageA(List(back), LB_GETCOUNT, 0, 0), SendMessageA(List(w), LB_GETCOUNT, 0, 0));
        for (unsigned i = 1; i < 2 + batch.size(); i++) {
            BLOCK was, is;
            GetBlock(List(w), i, &was);
            GetBlock(List(back), i, &is);
            EXPECT_STREQ(is.page.title, was.page.title) << "pasted:" << pasted;
            EXPECT_EQ(is.page.flags, was.page.flags) << "pasted:" << pasted;
            ASSERT_EQ(BlockObjectCount(&is), BlockObjectCount(&was)) << "pasted:" << pasted;
            for (uint32_t j = 0; j < BlockObjectCount(&was); j++) {
                GlobalLocked<uint8_t> a(GetPageObject(&was, j)), b(GetPageObject(&is, j));
                ASSERT_TRUE(a && b);
                const uint32_t total = ((const OBJECTHEADER *)a.get())->totalsize;
                EXPECT_TRUE(b.size() >= total && memcmp(a.get(), b.get(), total) == 0) << i << " " << j << pasted;
            }
        }
        while (SendMessageA(List(w), LB_GETCOUNT, 0, 0) > 2) {
            FreeBlock(List(w), 2);
            SendMessageA(List(w), LB_DELETESTRING, 2, 0);
        }
        batch.clear();
    };
    for (const auto &[bad, what] : copies) {
        PutOnClipboard(bad);
        boxes.asked.clear();
        Caret(w, 1);
        DoPasteBlockFromClipboard(w, LockBlockSet(w), 1);
        UnlockBlockSet(w);
        bool accepted = boxes.asked.empty();
        ASSERT_EQ((int)SendMessageA(List(w), LB_GETCOUNT, 0, 0), 2 + (int)batch.size() + accepted) << what;
        EXPECT_EQ((int)boxes.asked.size(), boxes.Count("damaged")) << what;
        if (accepted)
            batch.push_back(what);
        else
            refused++;
        if (batch.size() == 20)
            roundtrip();
    }
    roundtrip();
    FreeBlocks(back, &backset);
    DestroyWindow(back);
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused, (int)copies.size());
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

// A move whose copies do not all arrive takes nothing away.
TEST_F(Transfer, AMoveThatFailsHalfWayKeepsItsSources)
{
    HWND w = NewDocument(3);
    Select(w, "0110");
    LockBlockSet(w)->rightclick = 3;
    UnlockBlockSet(w);
    insertsleft = 1;
    listproc = (WNDPROC)SetWindowLongA(List(w), GWL_WNDPROC, (LONG)RefusingList);
    Boxes boxes;
    Command(w, IDM_MOVETO);
    SetWindowLongA(List(w), GWL_WNDPROC, (LONG)listproc);
    EXPECT_EQ(boxes.Count("error inserting"), 1);
    EXPECT_EQ(Titles(w), "H P1 P2 P3 P1");
}

// --- dragging -------------------------------------------------------------

void Mouse(DWORD flags, POINT at)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = (LONG)(at.x * 65535LL / (GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = (LONG)(at.y * 65535LL / (GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
    sbtest::PumpUntilIdle();
}

POINT ItemCentre(HWND list, int index)
{
    RECT r{};
    SendMessageA(list, LB_GETITEMRECT, index, (LPARAM)&r);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(list, &p);
    return p;
}

TEST_F(Transfer, DraggingSelectedPagesWithTheMouseCopiesThemIntoAnotherWindow)
{
    HWND source = NewDocument(3), target = NewDocument(1, "Q");
    SendMessageA(hwndclient, WM_MDITILE, MDITILE_VERTICAL, 0);
    SetForegroundWindow(frame);
    sbtest::PumpUntilIdle();
    Select(source, "0101");
    Caret(target, 1);
    POINT first = ItemCentre(List(source), 1), last = ItemCentre(List(source), 3), now;
    SetCursorPos(last.x, last.y);
    if (!GetCursorPos(&now) || now.x != last.x)
        GTEST_SKIP() << "the cursor cannot be placed here";
    // Each press on another selected item than the one before, so that no
    // two make a double click.
    struct Case {
        const char *what;
        POINT start, end;
        const char *titles;
        bool lost = false;
    } cases[] = {
        // Released over its own list, or over no list: nothing happens.
        {"own list", last, first, "H Q1"},
        {"outside every list", first, POINT{first.x, 2}, "H Q1"},
        {"the other list", last, ItemCentre(List(target), 1), "H Q1 P1 P3"},
        // A drag whose capture another window takes is over: its release
        // drops nothing and moves no caret of the list it ends over.
        {"capture lost", first, ItemCentre(List(target), 1), "H Q1 P1 P3", true},
    };
    for (const Case &c : cases) {
        Mouse(0, c.start);
        Mouse(MOUSEEVENTF_LEFTDOWN, c.start);
        Mouse(0, POINT{c.start.x, c.start.y + 30});
        if (c.lost) {
            ASSERT_EQ(GetCapture(), List(source)) << "the drag did not start";
            SetCapture(frame);
            ReleaseCapture();
        }
        Mouse(0, c.end);
        Mouse(MOUSEEVENTF_LEFTUP, c.end);
        sbtest::PumpUntil([&] { return Titles(target) == c.titles; }, 5000);
        EXPECT_EQ(Titles(target), c.titles) << c.what;
        EXPECT_EQ(Titles(source), "H P1 P2 P3") << c.what;
        // The whole selection stays selected through the drag.
        for (int i = 0; i < 4; i++)
            EXPECT_EQ(SendMessageA(List(source), LB_GETSEL, i, 0) > 0, i == 1 || i == 3) << c.what << i;
        EXPECT_EQ(GetCapture(), (HWND)NULL);
    }
    EXPECT_EQ(Set(target).caret, 3);
    EXPECT_EQ(Set(target).modified, 1);
}

// --- view and print -------------------------------------------------------

// The show in View, driven by a timer as a user would drive it: from its
// first page to the second, where the page menu is closed by Esc and then by
// Cancel, each time with the first line chosen; a step to the next page
// after each must reach the third page. Each step waits a bounded time for
// what it needs, or fails naming it and closes the show.
struct VIEWRUN {
    sbtest::ModalRecorder *boxes;
    int step;
    DWORD since;
    bool disabled;
    HWND menu;
    std::string missed;
};
VIEWRUN view;
// What each step waits for: a state of the show, or the title of a page.
const char *const VIEWAWAITED[] = {"its first page", "Effects", "the page menu closed by Esc",
                                   "Applet", "Effects", "the page menu closed by Cancel", "Applet"};

void CALLBACK DriveTheShow(HWND, UINT, UINT_PTR, DWORD)
{
    constexpr int steps = (int)std::size(VIEWAWAITED);
    if (view.step >= steps)
        return;
    HWND show = sbtest::FindOwnWindow(QVCLASS_appwindow);
    bool ready = false;
    switch (view.step) {
    case 0:
        ready = show && IsWindowVisible(show) && GetWindow(show, GW_CHILD);
        break;
    case 2:
    case 5:
        ready = view.menu && !IsWindow(view.menu);
        break;
    default: {
        char title[128] = "";
        if (show)
            GetWindowTextA(show, title, sizeof title);
        ready = std::string(title) == std::string("Sample presentation - ") + VIEWAWAITED[view.step];
    }
    }
    if (!ready) {
        if (GetTickCount() - view.since > 30000) {
            view.missed = VIEWAWAITED[view.step];
            view.step = steps;
            if (show)
                PostMessageA(show, WM_CLOSE, 0, 0);
        }
        return;
    }
    switch (view.step) {
    case 0:
        view.disabled = !IsWindowEnabled(hwndmain) && !IsWindowEnabled(GetWindow(hwndclient, GW_CHILD));
        PostMessageA(show, QVM_NEXTPAGE, 0, 0);
        break;
    case 1:
    case 4: {
        bool escape = view.step == 1;
        view.menu = NULL;
        view.boxes->Drive([escape](HWND dlg) {
            view.menu = dlg;
            SendDlgItemMessageA(dlg, IDC_PAGELIST, LB_SETCURSEL, 0, 0);
            if (escape)
                PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
            else
                sbtest::Click(dlg, IDCANCEL);
        });
        PostMessageA(show, QVM_PAGEMENU, 0, 0);
        break;
    }
    case 2:
    case 5:
        // A jump the box asked for is already queued: this step comes after.
        PostMessageA(show, QVM_NEXTPAGE, 0, 0);
        break;
    case 3:
        PostMessageA(show, QVM_PREVIOUSPAGE, 0, 0);
        break;
    case 6:
        PostMessageA(show, WM_CLOSE, 0, 0);
        break;
    }
    view.step++;
    view.since = GetTickCount();
}

TEST_F(Transfer, ViewRunsTheSampleWithTheEditorDisabledAndReturns)
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string path = std::string(dir) + "viewsample.exe";
    files.push_back(path);
    ASSERT_EQ(WriteSamplePresentation(path.c_str()), 1);
    HWND w = CreateNewTask(frame, path.c_str(), 0);
    ASSERT_EQ(LoadExeFile(List(w), LockBlockSet(w), path.c_str()), 1);
    UnlockBlockSet(w);
    ASSERT_TRUE(QV_RegisterCommonClasses());
    sbtest::ModalRecorder boxes(IDOK);
    view = VIEWRUN{&boxes, 0, GetTickCount(), false, NULL, ""};
    UINT_PTR timer = SetTimer(NULL, 0, 50, DriveTheShow);
    Command(w, IDM_VIEW);
    KillTimer(NULL, timer);
    EXPECT_EQ(view.missed, "") << "what the show was waited for in vain";
    EXPECT_EQ(view.step, (int)std::size(VIEWAWAITED));
    EXPECT_TRUE(view.disabled);
    EXPECT_EQ(std::count_if(boxes.calls.begin(), boxes.calls.end(),
                            [](const sbtest::ModalRecord &c) { return c.name == "PageJumpBox"; }),
              2);
    EXPECT_FALSE(sbtest::FindOwnWindow(QVCLASS_appwindow));
    EXPECT_TRUE(IsWindowEnabled(hwndmain));
    EXPECT_TRUE(IsWindowEnabled(w));
    QV_UnregisterCommonClasses();
}

// Written to a .bmp in the folder SB_SHOTS names, when it names one, so
// that it can be looked at.
void Keep(const sbtest::Capture &c, const char *name)
{
    const char *folder = getenv("SB_SHOTS");
    if (!folder)
        return;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = c.width;
    info.biHeight = -c.height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + (DWORD)c.pixels.size() * 4;
    std::ofstream out(std::string(folder) + "\\" + name + ".bmp", std::ios::binary);
    out.write((const char *)&file, sizeof file).write((const char *)&info, sizeof info);
    out.write((const char *)c.pixels.data(), (std::streamsize)c.pixels.size() * 4);
}

// What a window shows on the screen, frame and all.
sbtest::Capture Shot(HWND window, const char *name)
{
    RECT r;
    GetWindowRect(window, &r);
    HDC screen = GetDC(NULL);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
    sbtest::Capture c = sbtest::CaptureDC(mem, r.right - r.left, r.bottom - r.top);
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    Keep(c, name);
    return c;
}

struct Printing : Transfer {
    HDC dc = NULL;
    HBITMAP sheet = NULL;
    HGDIOBJ old = NULL;
    int saved[5] = {PrinterResolution, PrinterGutter, PrinterAnnotate, PrinterShowFooter, PrinterSmallFontSize};
    void SetUp() override
    {
        Transfer::SetUp();
        HDC screen = GetDC(NULL);
        dc = CreateCompatibleDC(screen);
        sheet = CreateCompatibleBitmap(screen, 1000, 1400);
        ReleaseDC(NULL, screen);
        old = SelectObject(dc, sheet);
        RECT all{0, 0, 1000, 1400};
        FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
        // Scale 8 at first: too wide for two across, so scale 4.
        PrinterResolution = std::max(GetDeviceCaps(dc, LOGPIXELSX) / 8, 1);
        PrinterGutter = 10, PrinterAnnotate = 1, PrinterShowFooter = 1, PrinterSmallFontSize = 6;
        PrinterLargeFontSize = 12;
    }
    void TearDown() override
    {
        SelectObject(dc, old);
        DeleteObject(sheet);
        DeleteDC(dc);
        PrinterResolution = saved[0], PrinterGutter = saved[1], PrinterAnnotate = saved[2];
        PrinterShowFooter = saved[3], PrinterSmallFontSize = saved[4];
        Transfer::TearDown();
    }
    // Dark pixels inside a rectangle of the sheet. A sheet that could not
    // be captured (a device context the printer was not given) has none,
    // and fails the test.
    static int Ink(const sbtest::Capture &c, RECT r)
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; y++)
            for (int x = r.left; x < r.right; x++) {
                COLORREF p = c.At(x, y);
                n += (GetRValue(p) << 16 | GetGValue(p) << 8 | GetBValue(p)) < 0x404040;
            }
        return n;
    }
};

TEST_F(Printing, SelectedPagesGoTwoAcrossWithCaptionsAndAFooter)
{
    if (GetDeviceCaps(dc, LOGPIXELSX) % 8)
        GTEST_SKIP() << "a resolution not divisible by 8";
    HWND w = NewDocument(4);
    Select(w, "11101");
    Boxes boxes;
    boxes.printer = dc;
    snprintf(DefaultPrinterName, sizeof DefaultPrinterName, "Laser,winspool,LPT1:");
    Command(w, IDM_PRINT);
    DefaultPrinterName[0] = 0;
    EXPECT_EQ(boxes.device, "Laser");
    std::vector<std::string> want{"startdoc untitled.exe", "startpage", "endpage", "enddoc", "release"};
    EXPECT_EQ(printer::calls, want);
    PRINTLAYOUT l = PrintLayout(1000, 1400, GetDeviceCaps(dc, LOGPIXELSX), 100, 75);
    EXPECT_EQ(l.scale, 4);
    EXPECT_EQ(l.width, 400);
    EXPECT_EQ(l.gutter, 40);
    sbtest::Capture c = sbtest::CaptureDC(dc, 1000, 1400);
    Keep(c, "printedsheet");
    int row = 300 + 40 + l.caption;
    struct Spot {
        int x, y;
        COLORREF colour;
    } spots[] = {
        {200, 150, colours[0]}, {640, 150, colours[1]}, {200, row + 150, colours[3]},
        {420, 150, RGB(255, 255, 255)}, {640, row + 150, RGB(255, 255, 255)}, {960, 150, RGB(255, 255, 255)},
    };
    for (const Spot &s : spots)
        EXPECT_EQ(c.At(s.x, s.y), s.colour) << s.x << "," << s.y;
    // Page captions under each image, the footer at the foot of the sheet.
    for (POINT at : {POINT{0, 308}, POINT{440, 308}, POINT{0, row + 308}})
        EXPECT_GT(Ink(c, RECT{at.x, at.y, at.x + 400, at.y + l.caption}), 0) << at.x << "," << at.y;
    EXPECT_EQ(Ink(c, RECT{440, row + 308, 840, row + 308 + l.caption}), 0);
}

// Eight images fill a sheet at this scale, so nine pages take two, and each
// footer names the document and its own sheet.
TEST_F(Printing, EachSheetsFooterNumbersItsSheet)
{
    PrinterAnnotate = 0;
    HWND w = NewDocument(9);
    Select(w, "0111111111");
    Boxes boxes;
    boxes.printer = dc;
    printer::sheets = true;
    printer::printed.clear();
    Command(w, IDM_PRINT);
    printer::sheets = false;
    std::vector<sbtest::Capture> printed = std::move(printer::printed);
    ASSERT_EQ(printed.size(), 2u);
    PRINTLAYOUT l = PrintLayout(1000, 1400, GetDeviceCaps(dc, LOGPIXELSX), 100, 75);
    ASSERT_EQ(l.caption, 0);
    ASSERT_GT(l.footer, 0);
    RECT band{0, 1400 - (4 * l.scale + l.footer), 1000, 1400};
    GdiObject<HFONT> font(CreateFontA(l.footer, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, PrinterFontName));
    for (size_t n = 0; n < printed.size(); n++) {
        RECT all{0, 0, 1000, 1400};
        FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
        std::string text = "untitled.exe - PAGE " + std::to_string(n + 1);
        {
            SelectedObject keep(dc, font.get());
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(0, 0, 0));
            RECT r = band;
            DrawTextExA(dc, text.data(), -1, &r, DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS, NULL);
        }
        sbtest::Capture want = sbtest::CaptureDC(dc, 1000, 1400);
        int differ = 0;
        for (int y = band.top; y < band.bottom; y++)
            for (int x = 0; x < 1000; x++)
                differ += printed[n].At(x, y) != want.At(x, y);
        EXPECT_GT(Ink(want, band), 0);
        EXPECT_EQ(differ, 0) << "the footer of sheet " << n + 1 << " is not \"" << text << "\"";
    }
}

TEST_F(Printing, LayoutsFollowTheSettingsAndNeverCutAnImage)
{
    struct Case {
        int pagewidth, pageheight, dpi, width, depth, resolution, gutter, annotate, footer;
        PRINTLAYOUT want;
    } cases[] = {
        // Scale 8 and 4 too wide; 2 gives two across.
        {4800, 6600, 600, 800, 600, 75, 10, 0, 0, {2, 1600, 1200, 20, 0, 0}},
        {4800, 6600, 600, 800, 600, 75, 10, 1, 1, {2, 1600, 1200, 20, 48, 96}},
        // A printer coarser than the setting: one printer pixel a pixel.
        {1000, 1400, 50, 100, 75, 75, 10, 1, 1, {1, 100, 75, 10, 6, 12}},
        // A resolution below 1 is taken as 1.
        {4000, 4000, 8, 100, 100, 0, 0, 0, 0, {8, 800, 800, 0, 0, 0}},
        // Larger than the sheet: made smaller to fit, keeping its shape.
        {200, 1000, 100, 400, 300, 100, 0, 0, 0, {1, 200, 150, 0, 0, 0}},
        {1000, 200, 100, 400, 300, 100, 0, 1, 1, {1, 242, 182, 0, 6, 12}},
    };
    int saved[3] = {PrinterResolution, PrinterGutter, PrinterLargeFontSize};
    for (const Case &c : cases) {
        PrinterResolution = c.resolution, PrinterGutter = c.gutter;
        PrinterAnnotate = c.annotate, PrinterShowFooter = c.footer;
        PrinterSmallFontSize = 6, PrinterLargeFontSize = 12;
        PRINTLAYOUT l = PrintLayout(c.pagewidth, c.pageheight, c.dpi, c.width, c.depth);
        EXPECT_EQ(std::vector<int>({l.scale, l.width, l.height, l.gutter, l.caption, l.footer}),
                  std::vector<int>({c.want.scale, c.want.width, c.want.height, c.want.gutter, c.want.caption,
                                    c.want.footer}))
            << c.pagewidth << "x" << c.pageheight << " at " << c.dpi;
    }
    PrinterResolution = saved[0], PrinterGutter = saved[1], PrinterLargeFontSize = saved[2];
}

TEST_F(Printing, NoPrinterIsSaidAndCancelPrintsNothing)
{
    HWND w = NewDocument(1);
    Select(w, "01");
    Boxes boxes;
    printer::present = false;
    Command(w, IDM_PRINT);
    EXPECT_EQ(boxes.Count("no printer"), 1);
    EXPECT_EQ(boxes.Count("PrintDlg"), 0);
    printer::present = true;
    Command(w, IDM_PRINT);
    EXPECT_EQ(boxes.Count("PrintDlg"), 1);
    EXPECT_EQ(boxes.device, "Office printer");
    EXPECT_TRUE(printer::calls.empty());
}

// The print dialog's own controls on its template, run by the hook alone
// (no printer here for the system's dialog): they show the settings and
// change them as soon as the user does.
TEST_F(Printing, TheDialogsControlsShowAndChangeTheSettings)
{
    PrinterAnnotate = 1, PrinterShowFooter = 0, PrinterSmallFontSize = 6, PrinterLargeFontSize = 12;
    char face[SETTINGTEXT];
    snprintf(face, sizeof face, "%s", PrinterFontName);
    HWND dlg = CreateDialogParamA(hInst, MAKEINTRESOURCEA(IDD_PRINTDIALOG), frame, (DLGPROC)PrintHook, 0);
    ASSERT_TRUE(dlg);
    ShowWindow(dlg, SW_SHOW);
    sbtest::PumpUntilIdle();
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PRINTANNOTATE), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PRINTFOOTER), BST_UNCHECKED);
    EXPECT_EQ(GetDlgItemInt(dlg, IDC_PRINTSMALLSIZE, NULL, FALSE), 6u);
    EXPECT_GT(SendDlgItemMessageA(dlg, IDC_PRINTFONT, CB_GETCOUNT, 0, 0), 0);
    int low = 0, high = 0;
    SendDlgItemMessageA(dlg, IDC_PRINTSMALLSPIN, UDM_GETRANGE32, (WPARAM)&low, (LPARAM)&high);
    EXPECT_EQ(low, 4);
    EXPECT_EQ(high, 144);
    Shot(dlg, "printdialog");
    sbtest::Click(dlg, IDC_PRINTANNOTATE);
    sbtest::Click(dlg, IDC_PRINTFOOTER);
    EXPECT_EQ(PrinterAnnotate, 0);
    EXPECT_EQ(PrinterShowFooter, 1);
    // Typed beyond the range: the range's end; nothing below 1 is kept.
    SetDlgItemTextA(dlg, IDC_PRINTLARGESIZE, "500");
    EXPECT_EQ(PrinterLargeFontSize, 144);
    SetDlgItemTextA(dlg, IDC_PRINTSMALLSIZE, "");
    EXPECT_EQ(PrinterSmallFontSize, 4);
    // A face chosen from the list is the one both fonts are made in.
    HWND combo = GetDlgItem(dlg, IDC_PRINTFONT);
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    char chosen[LF_FACESIZE] = "";
    GetWindowTextA(combo, chosen, sizeof chosen);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PRINTFONT, CBN_CLOSEUP), (LPARAM)combo);
    sbtest::PumpUntilIdle();
    EXPECT_STREQ(PrinterFontName, chosen);
    // F1 opens the page the Help button opens.
    {
        sbtest::ModalRecorder help(IDOK);
        sbtest::HelpThenF1(dlg, pshHelp);
        sbtest::LaunchedTwice(help.calls);
    }
    DestroyWindow(dlg);
    snprintf(PrinterFontName, sizeof PrinterFontName, "%s", face);
    PrinterLargeFontSize = 12;
}

TEST_F(Printing, TheStatusBoxSaysWhatIsPrinting)
{
    HWND box = ShowPrintfromViewStatus(frame, "A rather long presentation title.exe");
    ASSERT_TRUE(box);
    sbtest::PumpUntilIdle();
    EXPECT_EQ(GetCapture(), box);
    EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
    sbtest::Capture c = Shot(box, "printingbox");
    int ink = 0;
    for (uint32_t p : c.pixels)
        ink += (p & 0xFFFFFF) < 0x404040;
    EXPECT_GT(ink, 20);
    ClosePrintfromViewStatus(frame, box);
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(GetCapture(), (HWND)NULL);
}

} // namespace
