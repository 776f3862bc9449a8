// Seeded sequences of edits through the real page editor and document
// window. After every step the editor holds only what a load or a paste
// could make; a Save writes what the editor holds, read back here as the
// format lays it out, a load reads it back the same without a question, and
// a save of that load is the first file byte for byte. A failing sequence
// is printed as its seed and steps. The sweep
// runs sequences from seed SB_SWEEP_SEED (1) until SB_SWEEP_STEPS steps are
// taken: a seed and 1 replays that one sequence. Another program takes the
// clipboard at random points; 10000 steps take longer than a test's 600 s
// bound, which SB_STUCK_SECONDS raises.
#include "document/reader.h"
#include "document/record.h"
#include "document/writer.h"
#include "editors/pagerecord.h"
#include "tests/document/docwindow.h"
#include "tests/editors/editorfixture.h"
#include "tests/media/soundtest.h"
#include "tests/support/drive.h"
#include "player/sample.h"
#include "resources/editorframe_ids.h"
#include "resources/objectfields_ids.h"
#include <optional>
#include <set>
#include <zlib.h>
#include <sstream>

using namespace pagetest;

namespace {

unsigned Setting(const char *name, unsigned otherwise)
{
    char text[32];
    DWORD n = GetEnvironmentVariableA(name, text, sizeof text);
    return n && n < sizeof text ? (unsigned)strtoul(text, nullptr, 10) : otherwise;
}

struct Random {
    uint32_t state;
    uint32_t operator()(uint32_t n) { return state = state * 1103515245u + 12345u, (state >> 8) % n; }
};

// What any block the editor holds must be, whatever was done to it: its
// has-objects flag set over objects (a stale one is the save's to clear),
// each number once, each object
// sanitised as a load or paste leaves it, with at least OBJECTSLACK bytes
// behind its data and all of them zero. What is wrong, or empty.
std::string Unsound(BLOCK &b)
{
    uint32_t n = BlockObjectCount(&b), flags = b.tag == TAG_HEDR ? b.hedr.flags : b.page.flags;
    if (n && !(flags & BLOCK_HASOBJECTS))
        return "objects under a flag that says none";
    std::set<uint32_t> numbers;
    for (uint32_t i = 0; i < n; i++) {
        GlobalLocked<uint8_t> o(GetPageObject(&b, i));
        const auto *h = (const OBJECTHEADER *)o.get();
        const std::string at = " in object " + std::to_string(i);
        if (!o || o.size() < sizeof *h || (uint64_t)h->totalsize + OBJECTSLACK > o.size())
            return "no slack" + at;
        if (std::any_of(o.get() + h->totalsize, o.get() + o.size(), [](uint8_t c) { return c != 0; }))
            return "bytes behind the data" + at;
        if (!numbers.insert(h->number).second)
            return "number " + std::to_string(h->number) + " twice";
        std::vector<uint8_t> clean(o.get(), o.get() + h->totalsize);
        SanitiseObject((OBJECTHEADER *)clean.data());
        if (memcmp(clean.data(), o.get(), clean.size()))
            return "an unsanitised object" + at;
    }
    return "";
}

struct Named {
    UINT id;
    const char *name;
};
const Named inserts[] = {{IDM_INSERTBUTTON, "button"}, {IDM_INSERTTEXT, "text"},   {IDM_INSERTTIMER, "timer"},
                         {IDM_INSERTLIST, "list"},     {IDM_INSERTAPPLET, "applet"}, {IDM_INSERTFRAME, "frame"},
                         {IDM_INSERTCHECK, "check"},   {IDM_INSERTRADIO, "radio"}, {IDM_INSERTEDIT, "edit"},
                         {IDM_INSERTIMAGE, "picture"}, {IDM_INSERTWAVE, "sound"}};
const Named objectsteps[] = {{WMU_OBJECTCUT, "cut"},         {WMU_OBJECTCOPY, "copy"},
                             {WMU_OBJECTDUPLICATE, "duplicate"}, {WMU_OBJECTDELETE, "delete"},
                             {WMU_OBJECTFORWARD, "forward"}, {WMU_OBJECTBACKWARD, "backward"}};
const Named shellsteps[] = {{IDM_CUT, "cut"}, {IDM_COPY, "copy"}, {IDM_PASTE, "paste"}, {IDM_UNDO, "undo"}};
const char *const places[] = {"-20", "0", "65000", "30", "-32760", "7"};
// The types whose dialog shows the place fields and ends on OK.
const uint32_t placed[] = {TAG_BUTN, TAG_TEXT, TAG_CHEC, TAG_RDIO, TAG_IMAG, TAG_FRAM, TAG_LIST, TAG_EDIT, TAG_TIME};

class Sweep : public PageEditor {
protected:
    Random random{};
    unsigned taken = 0; // steps
    std::ostringstream steps;
    std::string picture, wave;
    std::string broke; // what the editor first held that it must not, marked in the steps

    void Expect(const std::string &wrong)
    {
        if (broke.empty() && !wrong.empty())
            broke = wrong, steps << " [" << wrong << "]";
    }
    // The working page, its undo copy and its windows, each named by its
    // object's number.
    void Holds(HWND page)
    {
        auto *e = GetWindowValue<PAGEEDITOR *>(page, GWLP_USERDATA);
        Expect(Unsound(*e->param->block));
        if (e->undo.tag == TAG_PAGE && !Unsound(e->undo).empty())
            Expect("the undo copy holds " + Unsound(e->undo));
        for (HWND w = GetWindow(page, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            if (Read(WindowObject(w)).number() != (uint32_t)GetDlgCtrlID(w))
                Expect("a window named by another number");
    }

    std::optional<sbtest::ClipboardTaker> other; // started at its first step

    // Another program takes the clipboard, as a user copying a word in a
    // mail does; on a page, the word is then now and then pasted with Ctrl+V
    // into the left of an object's dialog.
    void OtherProgramStep(HWND page)
    {
        const char *word = places[random(std::size(places))];
        steps << " another program copies " << word << ",";
        if (!other)
            other.emplace();
        other->Take(word);
        std::vector<Object> now = page ? Shown(page) : std::vector<Object>{};
        if (now.empty() || random(2))
            return;
        const Object &o = now[random((uint32_t)now.size())];
        if (o.bytes.empty() || std::find(std::begin(placed), std::end(placed), o.tag()) == std::end(placed))
            return;
        steps << " " << std::string((const char *)&o.h().tag, 4) << " " << o.number() << " its left pasted,";
        sbtest::ModalRecorder real;
        real.Drive([&](HWND dlg) {
            HWND left = GetDlgItem(dlg, IDC_OBJLEFT);
            SendMessageA(left, EM_SETSEL, 0, -1);
            SendMessageA(left, WM_CHAR, 'V' - '@', 0); // Ctrl+V
            sbtest::Click(dlg, IDOK);
            if (IsWindow(dlg) && IsWindowVisible(dlg))
                sbtest::Click(dlg, IDCANCEL);
        });
        On(page, WMU_OBJECTEDIT, o);
    }
    void PageSession(HWND page)
    {
        for (uint32_t n = 1 + random(6); n--; taken++, Holds(page)) {
            if (random(20) == 0) {
                OtherProgramStep(page);
                continue;
            }
            std::vector<Object> now = Shown(page);
            uint32_t kind = random(now.empty() ? 2 : 5);
            if (kind == 0) {
                const Named &insert = inserts[random(std::size(inserts))];
                answers.file = insert.id == IDM_INSERTIMAGE ? picture : insert.id == IDM_INSERTWAVE ? wave : "";
                steps << " insert " << insert.name << ",";
                Command(page, insert.id);
                continue;
            }
            if (kind == 1) {
                bool paste = random(3) != 0;
                steps << (paste ? " paste," : " undo,");
                Command(page, paste ? IDM_PAGEPASTE : IDM_PAGEUNDO);
                continue;
            }
            const Object &o = now[random((uint32_t)now.size())];
            if (o.bytes.empty()) {
                steps << " an object past its block,";
                continue;
            }
            steps << " " << std::string((const char *)&o.h().tag, 4) << " " << o.number();
            if (kind == 2 && std::find(std::begin(placed), std::end(placed), o.tag()) != std::end(placed)) {
                const char *left = places[random(std::size(places))], *top = places[random(std::size(places))];
                steps << " placed at " << left << " " << top << ",";
                sbtest::ModalRecorder real;
                POINT took{};
                bool refused = false;
                real.Drive([&](HWND dlg) {
                    sbtest::Paste(dlg, IDC_OBJLEFT, left);
                    sbtest::Paste(dlg, IDC_OBJTOP, top);
                    took = {(LONG)GetDlgItemInt(dlg, IDC_OBJLEFT, nullptr, TRUE),
                            (LONG)GetDlgItemInt(dlg, IDC_OBJTOP, nullptr, TRUE)};
                    sbtest::Click(dlg, IDOK);
                    // A place the dialog refuses leaves it open.
                    if ((refused = IsWindow(dlg) && IsWindowVisible(dlg)))
                        sbtest::Click(dlg, IDCANCEL);
                });
                On(page, WMU_OBJECTEDIT, o);
                // Where the fields said at OK: a paste longer than a field holds is cut.
                for (const Object &now : Shown(page))
                    if (now.number() == o.number() &&
                        (refused ? now != o : now.rect().left != took.x || now.rect().top != took.y))
                        Expect("a place other than the dialog took");
                continue;
            }
            const Named &step = objectsteps[random(std::size(objectsteps))];
            steps << " " << step.name << ",";
            On(page, step.id, o);
        }
        steps << " close";
        Command(page, IDM_PAGECLOSE);
    }
    void ShellStep()
    {
        int count = (int)SendMessageA(List(doc), LB_GETCOUNT, 0, 0);
        int at = (int)random((uint32_t)count);
        const Named &step = shellsteps[random(std::size(shellsteps))];
        steps << "\n  block " << at << " " << step.name;
        taken++;
        SendMessageA(List(doc), LB_SETCARETINDEX, at, 0);
        SendMessageA(doc, WM_COMMAND, MAKEWPARAM(IDC_BLOCKLIST, LBN_SELCHANGE), (LPARAM)List(doc));
        SendMessageA(doc, WM_COMMAND, step.id, 0);
        sbtest::PumpUntilIdle();
        if (random(20) == 0)
            OtherProgramStep(NULL);
    }
    void Holds()
    {
        for (int i = 0; i < (int)SendMessageA(List(doc), LB_GETCOUNT, 0, 0); i++) {
            BLOCK b{};
            GetBlock(List(doc), i, &b);
            Expect(Unsound(b));
        }
    }
    std::vector<std::vector<Object>> Held(HWND w)
    {
        std::vector<std::vector<Object>> out;
        for (int i = 0; i < (int)SendMessageA(List(w), LB_GETCOUNT, 0, 0); i++) {
            BLOCK b{};
            GetBlock(List(w), i, &b);
            out.push_back(Objects(b));
            out.back().insert(out.back().begin(), Object{{(uint8_t *)&b.tag, (uint8_t *)&b.tag + 4}});
        }
        return out;
    }
    // The saved file `f` read as the format lays it out, not as the reader
    // does: each record as the editor holds it but for the sizes, counts and
    // flags the writer sets, each object's fixed part as held (the save keeps
    // its stream's length there) and its data as held when inflated.
    std::string Differs(const std::vector<uint8_t> &f)
    {
        using docfixture::At, docfixture::Put;
        size_t end = f.size() - ENDSIZE, at = end - (At<uint32_t>(f, end + 314) ^ MASK_LENGTH) + ENDSIZE;
        if (f.size() < ENDSIZE || At<uint32_t>(f, end) != TAG_END || at > end)
            return "no trailer";
        int count = (int)SendMessageA(List(doc), LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; i++) {
            BLOCK b{};
            GetBlock(List(doc), i, &b);
            const std::string block = "block " + std::to_string(i);
            const bool header = i == 0;
            const uint32_t size = header ? HEDRSIZE : PAGESIZE, n = BlockObjectCount(&b);
            const uint8_t *record = header ? (const uint8_t *)&b.hedr : (const uint8_t *)&b.page;
            std::vector<uint8_t> want(record, record + size);
            if (end - at < size)
                return block + " past the end";
            size_t o = at + size;
            for (uint32_t j = 0; j < n; j++) {
                Object held = Read(GetPageObject(&b, j));
                const std::string object = block + " object " + std::to_string(j);
                uint32_t fixed = held.h().fixedsize, packed = held.h().compressedsize;
                if (end - o < (uint64_t)fixed + packed)
                    return object + " past the end";
                if (!std::equal(held.bytes.begin(), held.bytes.begin() + fixed, f.begin() + (ptrdiff_t)o))
                    return object + ": another fixed part";
                std::vector<uint8_t> data(held.h().datasize);
                uLongf length = (uLongf)data.size();
                if (packed && uncompress(data.data(), &length, &f[o + fixed], packed) != Z_OK)
                    return object + ": a stream that does not inflate";
                if (length != data.size() || !std::equal(data.begin(), data.end(), held.bytes.begin() + fixed))
                    return object + ": other data";
                o += fixed + packed;
            }
            const uint32_t flags = header ? (b.hedr.flags & ~HEDR_RESERVED) | HEDR_NEWLAYOUT : b.page.flags;
            Put<uint32_t>(want, 0, header ? TAG_HEDR : TAG_PAGE);
            Put<uint32_t>(want, 4, (uint32_t)(o - at));
            Put<uint32_t>(want, 8, size);
            Put<uint32_t>(want, 12, (uint32_t)(o - at - size));
            Put<uint32_t>(want, 16, n ? flags | BLOCK_HASOBJECTS : flags & ~BLOCK_HASOBJECTS);
            Put<uint32_t>(want, header ? offsetof(HEDRRECORD, objectcount) : offsetof(PAGERECORD, objectcount), n);
            if (header)
                Put<uint32_t>(want, offsetof(HEDRRECORD, blockcount), (uint32_t)count);
            auto differ = std::mismatch(want.begin(), want.end(), f.begin() + (ptrdiff_t)at);
            if (differ.first != want.end())
                return block + ": another record from byte " + std::to_string(differ.first - want.begin());
            at = o;
        }
        return at == end ? "" : "more blocks than held";
    }
    // Save, load, save again: what failed, or empty.
    std::string Check(const docfixture::TempFolder &folder)
    {
        std::string first = folder.File("first.exe"), second = folder.File("second.exe");
        BLOCKSET *set = LockBlockSet(doc);
        bool saved = WriteExeFile(List(doc), set, first.c_str());
        UnlockBlockSet(doc);
        if (!saved)
            return "the save failed";
        if (std::string wrong = Differs(docfixture::ReadFileBytes(first)); !wrong.empty())
            return "the file holds " + wrong;
        answers.asked.clear();
        HWND again = CreateNewTask(frame, first.c_str(), 0);
        set = LockBlockSet(again);
        std::string failed = !LoadExeFile(List(again), set, first.c_str()) ? "the load failed"
                             : !answers.asked.empty()                      ? "the load asked " + answers.asked[0]
                             : Held(again) != Held(doc)                    ? "the load holds something else"
                             : !WriteExeFile(List(again), set, second.c_str()) ? "the second save failed"
                             : docfixture::ReadFileBytes(first) != docfixture::ReadFileBytes(second)
                                 ? "the second save differs"
                                 : "";
        UnlockBlockSet(again);
        SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)again, 0);
        return failed;
    }
};

TEST_F(Sweep, WhateverTheEditorHoldsSavesAndLoadsBackTheSame)
{
    docfixture::TempFolder folder;
    picture = folder.File("p.bmp");
    wave = folder.File("s.wav");
    {
        HGLOBAL dib = Picture(20, 10, RGB(0, 90, 200));
        GlobalLocked<BITMAPINFOHEADER> bits(dib);
        BITMAPFILEHEADER fh{0x4D42, (DWORD)(sizeof fh + bits.size()), 0, 0, sizeof fh + sizeof(BITMAPINFOHEADER)};
        std::string file((const char *)&fh, sizeof fh);
        soundtest::Write(picture, file + std::string((const char *)bits.get(), bits.size()));
        bits.Unlock();
        GlobalFree(dib);
        soundtest::Write(wave, soundtest::WaveFile(11025, 1, 8, 300, [](DWORD i, int) { return (int)(i & 0xFF); }));
    }
    const unsigned first = Setting("SB_SWEEP_SEED", 1), total = Setting("SB_SWEEP_STEPS", 1000);
    unsigned failures = 0, seed = first;
    for (; taken < total && failures < 3; seed++) {
        random.state = seed;
        steps.str("");
        SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)doc, 0);
        doc = NewDocument();
        // As a document made elsewhere may start: its empty page says it has
        // objects, and the clipboard holds page 1's picture with the state a
        // running show leaves in it.
        BLOCK b = Block(2);
        b.page.flags |= BLOCK_HASOBJECTS;
        PutBlock(List(doc), 2, &b);
        b = Block(1);
        Object running = Read(GetPageObject(&b, 2));
        auto *image = (OBJECTIMAGE *)running.bytes.data();
        image->header.background = 0x1234, image->header.flags |= OBJ_RUNNING, image->timer1 = 7;
        OpenClipboard(frame);
        EmptyClipboard();
        SetPrivateClipboardData(CF_PAGEOBJECT, NewGlobal(running.bytes.size(), running.bytes.data(), running.bytes.size()));
        CloseClipboard();
        for (uint32_t n = 2 + random(5); n--; Holds()) {
            int pages = (int)SendMessageA(List(doc), LB_GETCOUNT, 0, 0) - 1;
            if (pages > 0 && random(3))
                Edit(1 + (int)random((uint32_t)pages), [&](HWND page) {
                    steps << "\n  page " << SendMessageA(List(doc), LB_GETCARETINDEX, 0, 0) << ":";
                    PageSession(page);
                });
            else
                ShellStep();
        }
        std::string failed = broke.empty() ? Check(folder) : "the editor holds " + broke;
        broke.clear();
        if (!failed.empty()) {
            failures++;
            ADD_FAILURE() << "seed " << seed << ": " << failed << " after" << steps.str();
        }
    }
    printf("%u steps in %u sequences from seed %u\n", taken, seed - first, first);
}

// On the sample: the picture cut and pasted back, placed left of the page,
// copied and pasted again; the document saves and loads back as typed.
TEST_F(Sweep, APastedPicturePlacedLeftOfThePageCopiedAndPastedAgainSaves)
{
    docfixture::TempFolder folder;
    std::string sample = folder.File("sample.exe");
    ASSERT_TRUE(WriteSamplePresentation(sample.c_str()));
    doc = CreateNewTask(frame, sample.c_str(), 0);
    ASSERT_EQ(LoadExeFile(List(doc), LockBlockSet(doc), sample.c_str()), 1);
    UnlockBlockSet(doc);
    Edit(1, [&](HWND page) {
        auto picture = [&] {
            std::vector<Object> now = Shown(page);
            return *std::find_if(now.begin(), now.end(), [](const Object &o) { return o.tag() == TAG_STAT; });
        };
        On(page, WMU_OBJECTCUT, picture());
        Command(page, IDM_PAGEPASTE);
        sbtest::ModalRecorder real;
        real.Drive([](HWND dlg) {
            sbtest::Paste(dlg, IDC_OBJLEFT, "-20");
            sbtest::Click(dlg, IDOK);
        });
        On(page, WMU_OBJECTEDIT, picture());
        EXPECT_EQ(picture().rect().left, -20);
        On(page, WMU_OBJECTCOPY, picture());
        Command(page, IDM_PAGEPASTE);
        Command(page, IDM_PAGECLOSE);
    });
    EXPECT_EQ(Check(folder), "");
}

} // namespace
