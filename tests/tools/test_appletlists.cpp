// The applet's picture and sound lists run as real modal dialogs over a
// stand-in script editor: files the tests write themselves are added,
// dropped, pasted, numbered and removed, and what Done writes back is
// compared entry by entry, byte for byte. Sounds play through stand-ins of
// the sound player; damaged applet objects open without losing what was
// valid in them.
#include "tests/tools/wizardfixture.h"
#include "tests/media/soundtest.h"
#include "common/modal.h"
#include "document/applet.h"
#include "editor/clipboard.h"
#include "editor/parts.h"
#include "editor/tipfolder.h"
#include "editors/editparam.h"
#include "media/loaders.h"
#include "media/sound.h"
#include "resources/appletlists_ids.h"
#include "resources/document_ids.h"
#include "resources/resource.h"
#include "tools/appletlists.h"
#include <commdlg.h>
#include <shlobj.h>
#include <deque>
#include <functional>

using namespace wizardtest;

namespace {

struct Entry {
    uint32_t kind, number;
    std::string data;
    bool operator==(const Entry &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Entry &e)
{
    return out << std::string((const char *)&e.kind, 4) << ' ' << e.number << " (" << e.data.size() << " bytes)";
}

std::string Bytes(HGLOBAL h)
{
    GlobalLocked<char> d(h);
    return d ? std::string(d.get(), d.size()) : std::string();
}

HGLOBAL MakeApplet(const std::vector<Entry> &entries)
{
    BLOCK page{};
    CreateBlock(NULL, nullptr, &page, TAG_PAGE, nullptr, 0);
    HGLOBAL h = CreatePageObject(&page, TAG_APPL, 0, 0);
    for (const Entry &e : entries) {
        HGLOBAL next = AppendAppletEntry(h, e.data.data(), e.data.size(), e.kind, e.number);
        GlobalFree(h);
        h = next;
    }
    return h;
}

std::vector<Entry> Entries(HGLOBAL object)
{
    std::vector<Entry> out;
    for (long i = 0; i < CountAppletEntries(object); i++) {
        unsigned long length = 0, kind = 0, number = 0;
        HGLOBAL e = GetAppletEntry(object, (unsigned long)i, &length, &kind, &number);
        out.push_back({(uint32_t)kind, (uint32_t)number, Bytes(e).substr(0, length)});
        GlobalFree(e);
    }
    return out;
}


std::string WriteFile(const std::string &name, const std::string &bytes)
{
    soundtest::Write(wizardtest::Folder() + name, bytes);
    return wizardtest::Folder() + name;
}

// A 16-bit wave file of a rising saw.
std::string WaveFile(const std::string &name, DWORD rate, WORD channels, DWORD frames)
{
    return WriteFile(name, soundtest::WaveFile(rate, channels, 16, frames, [](DWORD i, int) { return (int)(i % 200) * 300; }));
}

const std::string midi(soundtest::MIDIFILE, sizeof soundtest::MIDIFILE); // its last byte ends the track

// An 8-bit picture of colour 1 of a four-colour table.
std::string PalettePicture(const std::string &name, int width, int height)
{
    char rgb[768] = {10, 20, 30, (char)200, 40, 40, 40, (char)200, 40, 40, 40, (char)200};
    GlobalBlock dib(CreateDib(width, height, rgb, 8));
    for (int y = 0; y < height; y++)
        memset(DibLock(dib.get()).Row(y), 1, width);
    EXPECT_EQ(WriteImage((wizardtest::Folder() + name).c_str(), dib.get()), 1);
    return wizardtest::Folder() + name;
}

std::string PictureData(const std::string &path)
{
    unsigned short bits;
    return Bytes(GlobalBlock(LoadImageA(NULL, path.c_str(), NULL, &bits)).get());
}

// What the lists asked of the sound player.
struct PlayerLog {
    std::vector<std::pair<DWORD, std::string>> played;
    int kills = 0;
} player;

const MEDIAHOST standin{
    // It refuses what the real player refuses.
    [](HWND, HGLOBAL data, DWORD kind) {
        return player.played.emplace_back(kind, Bytes(data)), SoundDataFault(data, kind) ? 0 : 1;
    },
    [](HWND) { return ++player.kills, 1; }, [](HWND, UINT, WPARAM, LPARAM) { return 0; }, nullptr, nullptr};

// A message shown by a list, with the sound player's state at that moment.
struct Shown {
    std::string text;
    size_t played;
    int kills;
};

// Runs a list for real over a stand-in script editor: the script drives
// the open dialog (and should end it with Done), file dialogs take the
// queued selections, messages are recorded and closed.
class AppletLists : public testing::Test {
protected:
    static inline AppletLists *current;
    HWND owner = nullptr;
    SHOWHOST host = QV_SystemHost;
    EDITORPARTS parts{};
    EDITPARAM param{};
    std::deque<std::string> selections;
    std::vector<Shown> messages;
    std::function<void(HWND)> script;
    std::string painted;
    MODALHOOK previous = nullptr;
    sbtest::KeptSettings settings;
    UINT_PTR timer = 0;

    void SetUp() override
    {
        current = this;
        owner = sbtest::CreateTestWindow(true, 640, 560, OwnerProc);
        hwndmain = owner;
        host.media = standin;
        parts.showhost = &host;
        BindEditorParts(owner, &parts);
        player = PlayerLog{};
        snprintf(PaintbrushPath, sizeof PaintbrushPath, "%s", sbtest::OwnProgram().c_str());
        previous = COMMONSetModalHook(Hook);
    }
    void TearDown() override
    {
        COMMONSetModalHook(previous);
        BindEditorParts(owner, nullptr);
        DestroyWindow(owner);
        hwndmain = NULL;
        if (param.object)
            GlobalFree(param.object);
        current = nullptr;
    }

    // The editor's frame answers for its clipboard data: so does the owner.
    static LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        return msg == WM_DESTROYCLIPBOARD ? WndProc(hwnd, msg, wParam, lParam)
                                          : DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    static INT_PTR Hook(const MODALCALL *call)
    {
        AppletLists *self = current;
        if (call->kind == MODAL_COMMONDIALOG) {
            auto *ofn = (OPENFILENAMEA *)call->data;
            if (self->selections.empty())
                return 0;
            memset(ofn->lpstrFile, 0, ofn->nMaxFile);
            std::string s = self->selections.front();
            self->selections.pop_front();
            memcpy(ofn->lpstrFile, s.data(), std::min<size_t>(s.size(), ofn->nMaxFile - 2));
            return 1;
        }
        if (call->kind == MODAL_LAUNCH) {
            // The paint program: the picture handed over comes back as `painted`.
            std::string line = call->text, handed = line.substr(line.rfind('"', line.size() - 2) + 1);
            handed.pop_back();
            return CopyFileA(self->painted.c_str(), handed.c_str(), FALSE) ? 1 : 0;
        }
        if (call->kind == MODAL_DIALOG && !IS_INTRESOURCE(call->name) && strncmp(call->name, "Applet", 6) == 0) {
            self->timer = SetTimer(NULL, 0, 10, Drive);
            INT_PTR result = COMMONModalForReal(call);
            KillTimer(NULL, self->timer);
            return result;
        }
        self->messages.push_back({call->text ? call->text : "", player.played.size(), player.kills});
        return IDOK;
    }
    static BOOL CALLBACK FindList(HWND hwnd, LPARAM found)
    {
        char caption[32] = "";
        GetWindowTextA(hwnd, caption, sizeof caption);
        if (IsWindowVisible(hwnd) && strncmp(caption, "Applet ", 7) == 0)
            *(HWND *)found = hwnd;
        return TRUE;
    }
    static void CALLBACK Drive(HWND, UINT, UINT_PTR, DWORD)
    {
        AppletLists *self = current;
        HWND dlg = NULL;
        EnumThreadWindows(GetCurrentThreadId(), FindList, (LPARAM)&dlg);
        if (!dlg)
            return;
        KillTimer(NULL, self->timer);
        sbtest::PumpUntilIdle();
        if (auto run = std::move(self->script))
            run(dlg);
        if (IsWindow(dlg))
            sbtest::Click(dlg, IDOK);
    }

    // Opens the list on `object` (which param then owns) and runs `run` in it.
    void Open(int (*select)(HWND, EDITPARAM *), HGLOBAL object, std::function<void(HWND)> run)
    {
        if (param.object && param.object != object)
            GlobalFree(param.object);
        param = EDITPARAM{};
        param.hwnd = owner;
        param.object = object;
        script = std::move(run);
        messages.clear();
        EXPECT_EQ(select(owner, &param), 1);
    }

    static HWND List(HWND dlg) { return GetDlgItem(dlg, IDC_APPLETLIST); }
    // The list's item texts, as "1 2 3".
    static std::string Numbers(HWND dlg)
    {
        std::string out;
        int count = (int)SendMessageA(List(dlg), LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; i++) {
            char text[16] = "";
            SendMessageA(List(dlg), LB_GETTEXT, i, (LPARAM)text);
            out += (i ? " " : "") + std::string(text);
        }
        return out;
    }
    static void Select(HWND dlg, int index) { SendMessageA(List(dlg), LB_SETCURSEL, index, 0); }
    static bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)); }
    static void Drop(HWND dlg, const std::vector<std::string> &paths)
    {
        std::string names;
        for (const auto &p : paths)
            names += p + '\0';
        names += '\0';
        DROPFILES head{sizeof head, {}, FALSE, FALSE};
        SendMessageA(dlg, WM_DROPFILES, (WPARAM)NewGlobal(sizeof head + names.size(), &head, sizeof head, names.data(), names.size()), 0);
    }
};

Entry Pict(uint32_t number, const std::string &path)
{
    return {ENTRY_PICT, number, PictureData(path)};
}

// Numbering follows the largest listed number; Done writes the other kinds
// back untouched and the list's entries after them, in list order.
TEST_F(AppletLists, PicturesAreNumberedAfterTheLargestAndWrittenBackInListOrder)
{
    std::string red = MakePicture("red.bmp", 30, 20), wide = MakePicture("wide.bmp", 80, 10, 50);
    std::string small = PalettePicture("small.bmp", 8, 8);
    const Entry text{ENTRY_TEXT, 1, std::string("drawpicture(2, 0, 0)\0", 21)};
    const Entry sound{ENTRY_WAVE, 1, "not looked at"};
    const std::vector<Entry> start{text, Pict(1, red), sound, Pict(2, wide), Pict(3, small)};
    struct Case {
        int remove;         // the item deleted before adding, -1 none
        const char *listed; // after the change
        uint32_t added;     // the new picture's number
    } cases[] = {
        {2, "1 2 3", 3},    // the highest number freed is given again
        {1, "1 3 4", 4},    // a gap stays a gap
        {0, "2 3 4", 4},
        {-1, "1 2 3 4", 4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.listed);
        selections = {red};
        Open(SelectAppletPicture, MakeApplet(start), [&](HWND dlg) {
            EXPECT_EQ(Numbers(dlg), "1 2 3");
            if (c.remove >= 0) {
                Select(dlg, c.remove);
                sbtest::Click(dlg, IDC_APPLETDELETE);
            }
            sbtest::Click(dlg, IDC_APPLETADD);
            EXPECT_EQ(Numbers(dlg), c.listed);
            EXPECT_EQ(SendMessageA(List(dlg), LB_GETCURSEL, 0, 0), SendMessageA(List(dlg), LB_GETCOUNT, 0, 0) - 1);
        });
        std::vector<Entry> want{text, sound, Pict(1, red), Pict(2, wide), Pict(3, small)};
        if (c.remove >= 0)
            want.erase(want.begin() + 2 + c.remove);
        want.push_back(Pict(c.added, red));
        EXPECT_EQ(Entries(param.object), want);
        EXPECT_TRUE(messages.empty());
    }
}

// Several chosen files are added in name order; files that do not load add
// nothing and say nothing; a drop adds in the drop's order; Delete takes the
// selection and leaves the next item selected.
TEST_F(AppletLists, PicturesComeFromSelectionsAndDrops)
{
    std::string a = MakePicture("a.bmp", 10, 10, 10), b = MakePicture("b.bmp", 12, 12, 20);
    std::string c = MakePicture("c.bmp", 14, 14, 30), junk = WriteFile("junk.bmp", "not a picture");
    std::string folder = wizardtest::Folder();
    folder.pop_back();
    selections = {folder + '\0' + "c.bmp" + '\0' + "junk.bmp" + '\0' + "a.bmp" + '\0'};
    Open(SelectAppletPicture, MakeApplet({}), [&](HWND dlg) {
        EXPECT_FALSE(Enabled(dlg, IDC_APPLETDELETE));
        EXPECT_FALSE(Enabled(dlg, IDC_APPLETCOPY));
        sbtest::Click(dlg, IDC_APPLETADD);
        EXPECT_EQ(Numbers(dlg), "1 2");
        Drop(dlg, {b, junk, c, a});
        EXPECT_EQ(Numbers(dlg), "1 2 3 4 5");
        EXPECT_TRUE(Enabled(dlg, IDC_APPLETCUT));
        Select(dlg, 1);
        sbtest::Click(dlg, IDC_APPLETDELETE);
        EXPECT_EQ(Numbers(dlg), "1 3 4 5");
        EXPECT_EQ(SendMessageA(List(dlg), LB_GETCURSEL, 0, 0), 1);
    });
    EXPECT_EQ(Entries(param.object), (std::vector<Entry>{Pict(1, a), Pict(3, b), Pict(4, c), Pict(5, a)}));
    EXPECT_TRUE(messages.empty());
    char remembered[MAX_PATH] = "";
    GetOpenPath(remembered);
    EXPECT_EQ(std::string(remembered), wizardtest::Folder());
}

// Copy puts the picture and its palette on the clipboard; Paste adds it as a
// new entry, Cut removes the original only once it is on the clipboard.
TEST_F(AppletLists, PicturesGoThroughTheClipboard)
{
    std::string small = PalettePicture("pal.bmp", 6, 4);
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    CloseClipboard();
    Open(SelectAppletPicture, MakeApplet({}), [&](HWND dlg) {
        EXPECT_FALSE(Enabled(dlg, IDC_APPLETPASTE));
        Drop(dlg, {small});
        sbtest::Click(dlg, IDC_APPLETCUT);
        EXPECT_EQ(Numbers(dlg), "");
        EXPECT_TRUE(IsClipboardFormatAvailable(CF_PALETTE));
        ASSERT_TRUE(Enabled(dlg, IDC_APPLETPASTE));
        for (int id : {IDC_APPLETDELETE, IDC_APPLETPAINT, IDC_APPLETINFORMATION, IDC_APPLETCOPY, IDC_APPLETCUT})
            EXPECT_FALSE(Enabled(dlg, id)) << id;
        sbtest::Click(dlg, IDC_APPLETPASTE);
        for (int id : {IDC_APPLETDELETE, IDC_APPLETPAINT, IDC_APPLETINFORMATION, IDC_APPLETCOPY, IDC_APPLETCUT})
            EXPECT_TRUE(Enabled(dlg, id)) << id;
        sbtest::Click(dlg, IDC_APPLETCOPY);
        sbtest::Click(dlg, IDC_APPLETPASTE);
        EXPECT_EQ(Numbers(dlg), "1 2");
        sbtest::Click(dlg, IDC_APPLETINFORMATION);
        // After a page object of the editor's, another program's word: the
        // picture still goes through, and no block of the editor's is freed
        // on the way.
        ASSERT_TRUE(OpenClipboard(owner));
        EmptyClipboard();
        EXPECT_TRUE(SetPrivateClipboardData(CF_PAGEOBJECT, GlobalAlloc(GMEM_MOVEABLE, 64)));
        CloseClipboard();
        sbtest::OtherProgramTakesClipboard("word");
        sbtest::PatternBlocks blocks;
        sbtest::Click(dlg, IDC_APPLETCOPY);
        sbtest::Click(dlg, IDC_APPLETPASTE);
        EXPECT_EQ(Numbers(dlg), "1 2 3");
        EXPECT_EQ(blocks.Damaged(), 0);
    });
    EXPECT_EQ(Entries(param.object), (std::vector<Entry>{Pict(1, small), Pict(2, small), Pict(3, small)}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Picture number 2\n\nWidth: 6\nDepth: 4\nColors: 256");
}

// The bytes of a packed DIB built piece by piece, little-endian.
struct Packed {
    std::vector<uint8_t> bytes;
    Packed &u16(unsigned v) { return raw({uint8_t(v), uint8_t(v >> 8)}); }
    Packed &u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Packed &raw(std::initializer_list<uint8_t> b) { return bytes.insert(bytes.end(), b), *this; }
    Packed &fill(size_t n, uint8_t v) { return bytes.insert(bytes.end(), n, v), *this; }
    // A 40-byte header's fields after the size, of a 3 x 2 picture.
    Packed &v3(unsigned bits, uint32_t compression, int height = 2)
    {
        return u32(40).u32(3).u32((uint32_t)height).u16(1).u16(bits).u32(compression).u32(0).u32(0).u32(0).u32(0).u32(0);
    }
};

// A picture on the clipboard comes from any program: Paste takes every form
// a picture file may hold, as the same picture read from a file, and says
// why it refuses one.
TEST_F(AppletLists, PastedPicturesAreCheckedAsFilesAre)
{
    // A packed DIB of `rows` rows of 4 x 24 bits, 12 bytes each, of which
    // `given` are there; `change` damages the header.
    auto dib = [](std::function<void(BITMAPINFOHEADER &)> change, int given = 4, uint32_t table = 0) {
        BITMAPINFOHEADER h{sizeof h, 4, 4, 1, 24, BI_RGB};
        if (change)
            change(h);
        std::vector<uint8_t> bytes(sizeof h + table + 12 * (size_t)given, 0x40);
        memcpy(bytes.data(), &h, sizeof h);
        return bytes;
    };
    // The forms other programs put there, each 3 x 2 pixels of distinct
    // colours, with the bytes of its pixels (the rest is header, masks and
    // table): bit fields in an order of their own, 5-6-5, a core header with
    // its three-byte table, runs, and a V5 header with alpha.
    Packed fields = Packed().v3(32, BI_BITFIELDS).u32(0xFF).u32(0xFF00).u32(0xFF0000);
    for (uint32_t i = 0; i < 6; i++)
        fields.u32(0x102030 * (i + 1));
    Packed sixteen = Packed().v3(16, BI_BITFIELDS).u32(0xF800).u32(0x07E0).u32(0x001F);
    sixteen.u16(0xF800).u16(0x07E0).u16(0x001F).u16(0).u16(0xFFFF).u16(0x8410).u16(0x1234).u16(0);
    Packed core = Packed().u32(12).u16(3).u16(2).u16(1).u16(4);
    for (uint8_t i = 0; i < 16; i++)
        core.raw({uint8_t(i * 16), uint8_t(255 - i), uint8_t(i * 3)});
    core.raw({0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0});
    Packed runs = Packed().v3(8, BI_RLE8);
    for (int i = 0; i < 256; i++)
        runs.raw({uint8_t(i), uint8_t(i * 7), uint8_t(255 - i), 0});
    runs.raw({2, 5, 1, 9, 0, 0, 0, 3, 7, 8, 9, 0, 0, 1});
    Packed alpha = Packed().u32(124).u32(3).u32(2).u16(1).u16(32).u32(BI_BITFIELDS).fill(20, 0);
    alpha.u32(0xFF0000).u32(0xFF00).u32(0xFF).u32(0xFF000000).fill(124 - 56, 0);
    for (uint32_t i = 0; i < 6; i++)
        alpha.u32(0x33112233u * (i + 1));
    const struct {
        const char *what;
        std::vector<uint8_t> bytes;
        const char *said;  // nullptr: pasted
        size_t pixels = 0; // of a form read from a file too
    } cases[] = {
        {"whole", dib(nullptr), nullptr},
        {"top-down", dib([](BITMAPINFOHEADER &h) { h.biHeight = -4; }), nullptr},
        {"32-bit bit fields", fields.bytes, nullptr, 24},
        {"16-bit 5-6-5", sixteen.bytes, nullptr, 16},
        {"core header", core.bytes, nullptr, 8},
        {"run-length", runs.bytes, nullptr, 14},
        {"V5 with alpha", alpha.bytes, nullptr, 24},
        {"JPEG inside", dib([](BITMAPINFOHEADER &h) { h.biCompression = BI_JPEG; }), "JPEG"},
        {"runs that never end", dib([](BITMAPINFOHEADER &h) { h.biBitCount = 8, h.biCompression = BI_RLE8; }, 4, 1024),
         "damaged"},
        {"rows missing", dib(nullptr, 2), "damaged"},
        {"header past its end", dib([](BITMAPINFOHEADER &h) { h.biSize = 0x7FFFFFFF; }), "damaged"},
        {"no such depth", dib([](BITMAPINFOHEADER &h) { h.biBitCount = 7; }), "damaged"},
        {"no width", dib([](BITMAPINFOHEADER &h) { h.biWidth = 0; }), "damaged"},
        {"too wide", dib([](BITMAPINFOHEADER &h) { h.biWidth = 0x100000; }), "larger"},
        {"shorter than a header", std::vector<uint8_t>(20, 0), "damaged"},
    };
    Open(SelectAppletPicture, MakeApplet({}), [&](HWND dlg) {
        int pasted = 0;
        for (const auto &c : cases) {
            ASSERT_TRUE(OpenClipboard(owner));
            EmptyClipboard();
            SetClipboardData(CF_DIB, NewGlobal(c.bytes.size(), c.bytes.data(), c.bytes.size()));
            CloseClipboard();
            messages.clear();
            sbtest::Click(dlg, IDC_APPLETPASTE);
            pasted += !c.said;
            EXPECT_EQ(SendMessageA(List(dlg), LB_GETCOUNT, 0, 0), pasted) << c.what;
            if (c.said) {
                ASSERT_EQ(messages.size(), 1u) << c.what;
                EXPECT_NE(messages[0].text.find(c.said), std::string::npos) << c.what << ": " << messages[0].text;
            } else {
                EXPECT_TRUE(messages.empty()) << c.what;
            }
        }
        // What was taken is an ordinary picture: Information reads it.
        messages.clear();
        Select(dlg, 1);
        sbtest::Click(dlg, IDC_APPLETINFORMATION);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, "Picture number 2\n\nWidth: 4\nDepth: 4\nColors: 16,777,216");
    });
    std::vector<Entry> entries = Entries(param.object);
    ASSERT_EQ(entries.size(), 7u);
    for (size_t i = 0; i < entries.size(); i++) {
        const auto &c = cases[i];
        if (!c.pixels)
            continue;
        Packed file = Packed().raw({'B', 'M'}).u32(uint32_t(14 + c.bytes.size())).u32(0);
        file.u32(uint32_t(14 + c.bytes.size() - c.pixels));
        file.bytes.insert(file.bytes.end(), c.bytes.begin(), c.bytes.end());
        std::string path = WriteFile("pasted.bmp", std::string(file.bytes.begin(), file.bytes.end()));
        std::string read = PictureData(path);
        EXPECT_FALSE(read.empty()) << c.what;
        EXPECT_EQ(entries[i].data, read) << c.what;
    }
}

// Paint hands the selected picture over and keeps its number for what
// comes back; it is offered only when the paint program exists.
TEST_F(AppletLists, PaintedPicturesKeepTheirPlaceAndNumber)
{
    std::string red = MakePicture("before.bmp", 9, 7), blue = MakePicture("after.bmp", 5, 3, 255);
    for (const sbtest::PaintPathCase &c : sbtest::PaintPathCases()) {
        snprintf(PaintbrushPath, sizeof PaintbrushPath, "%s", c.path.c_str());
        bool offered = !c.offered;
        Open(SelectAppletPicture, MakeApplet({Pict(1, red)}), [&](HWND dlg) {
            offered = Enabled(dlg, IDC_APPLETPAINT);
            EXPECT_TRUE(Enabled(dlg, IDC_APPLETCOPY));
        });
        EXPECT_EQ(offered, c.offered) << c.path;
    }
    painted = blue;
    Open(SelectAppletPicture, MakeApplet({Pict(5, red), Pict(2, red)}), [&](HWND dlg) {
        sbtest::Click(dlg, IDC_APPLETPAINT);
        EXPECT_EQ(Numbers(dlg), "5 2");
    });
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Entries(param.object), (std::vector<Entry>{Pict(5, blue), Pict(2, red)}));
}

// Waves and MIDI files share one sequence of numbers; the kind comes from
// the extension whatever its case; Information plays the sound while its
// message is open and stops it when the message closes.
TEST_F(AppletLists, SoundsAreListedTogetherAndPlayedWhileTheirInformationIsOpen)
{
    std::string second = WaveFile("second.wav", 44100, 2, 44100), mono = WaveFile("Mono.Wav", 22050, 1, 33075);
    std::string music = WriteFile("tune.MID", midi), note = WriteFile("note.txt", "text");
    GlobalBlock wave(LoadSound(NULL, second.c_str())), wave2(LoadSound(NULL, mono.c_str()));
    const Entry pict{ENTRY_PICT, 1, "a picture"}, first{ENTRY_MIDI, 2, midi};
    selections = {second};
    Open(SelectAppletSound, MakeApplet({pict, first}), [&](HWND dlg) {
        EXPECT_EQ(Numbers(dlg), "2");
        sbtest::Click(dlg, IDC_APPLETADD);
        Drop(dlg, {music, note, mono});
        EXPECT_EQ(Numbers(dlg), "2 3 4 5");
        for (int i : {1, 0, 3}) {
            Select(dlg, i);
            sbtest::Click(dlg, IDC_APPLETINFORMATION);
        }
    });
    const std::vector<Entry> want{pict, first, {ENTRY_WAVE, 3, Bytes(wave.get())}, {ENTRY_MIDI, 4, midi},
                                  {ENTRY_WAVE, 5, Bytes(wave2.get())}};
    EXPECT_EQ(Entries(param.object), want);
    EXPECT_EQ(want[4].data.size(), 16u + 33075 * 2);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, "Sound number 3\n\nChannels: Stereo\nSample rate: 44.1 KHz\nResolution: 16 bits\n"
                                "Playing time: 00:01.00");
    EXPECT_EQ(messages[1].text, "No information is available for this sound type.");
    EXPECT_EQ(messages[2].text, "Sound number 5\n\nChannels: Mono\nSample rate: 22.0 KHz\nResolution: 16 bits\n"
                                "Playing time: 00:01.50");
    for (size_t i = 0; i < messages.size(); i++) {
        EXPECT_EQ(messages[i].played, i + 1) << "playing while the message is open";
        EXPECT_EQ(messages[i].kills, (int)i) << "stopped only when it closes";
    }
    EXPECT_EQ(player.kills, 3);
    ASSERT_EQ(player.played.size(), 3u);
    EXPECT_EQ(player.played[1], std::make_pair((DWORD)SOUND_MIDI, midi));
    EXPECT_EQ(player.played[0].second, want[2].data);
    // Deleting the last entry leaves nothing to delete or inspect.
    Open(SelectAppletSound, MakeApplet({{ENTRY_WAVE, 7, "w"}}), [&](HWND dlg) {
        EXPECT_TRUE(Enabled(dlg, IDC_APPLETINFORMATION));
        sbtest::Click(dlg, IDC_APPLETDELETE);
        EXPECT_FALSE(Enabled(dlg, IDC_APPLETDELETE) || Enabled(dlg, IDC_APPLETINFORMATION));
        SendMessageA(dlg, WM_COMMAND, IDC_APPLETDELETE, 0);
    });
    EXPECT_TRUE(Entries(param.object).empty());
    EXPECT_EQ(messages.at(0).text, "Memory error");
}

// A sound the player refuses is still described, with the reason, and
// nothing is left to stop.
TEST_F(AppletLists, ASoundThatCannotPlaySaysWhyBesideItsInformation)
{
    PCMWAVEFORMAT format{{WAVE_FORMAT_PCM, 255, 8000, 8000 * 255, 255}, 8};
    const std::string wide = std::string((const char *)&format, sizeof format) + std::string(255 * 4, '\x80');
    Open(SelectAppletSound, MakeApplet({{ENTRY_WAVE, 1, wide}}), [&](HWND dlg) {
        Select(dlg, 0);
        sbtest::Click(dlg, IDC_APPLETINFORMATION);
    });
    ASSERT_EQ(messages.size(), 1u);
    const std::string &text = messages[0].text, reason = "\n\nThe sound does not have 1 to 8 channels.";
    EXPECT_EQ(text.rfind("Sound number 1\n\nChannels: Stereo\nSample rate: 8.0 KHz\nResolution: 8 bits\n", 0), 0u)
        << text;
    ASSERT_GT(text.size(), reason.size());
    EXPECT_EQ(text.substr(text.size() - reason.size()), reason);
    EXPECT_EQ(player.played.size(), 1u);
}

// The lists as they are drawn: pictures scaled by a whole percentage and
// centred with white round them, the number badge, a waveform and the MIDI
// sign. With SB_SCREENSHOTS set they are saved to be looked at.
TEST_F(AppletLists, ItemsAreDrawnScaledCentredAndBadged)
{
    std::string wide = MakePicture("wideshot.bmp", 200, 40, 255), small = PalettePicture("tiny.bmp", 10, 10);
    auto snapshot = [](HWND dlg, const char *name) {
        char folder[MAX_PATH];
        if (!GetEnvironmentVariableA("SB_SCREENSHOTS", folder, sizeof folder))
            return;
        sbtest::PumpUntilIdle();
        sbtest::Capture c = sbtest::CaptureClient(dlg);
        BITMAPFILEHEADER fh{};
        BITMAPINFOHEADER ih{};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof ih;
        ih.biSize = sizeof ih, ih.biWidth = c.width, ih.biHeight = -c.height, ih.biPlanes = 1, ih.biBitCount = 32;
        FILE *f = fopen((std::string(folder) + "\\" + name + ".bmp").c_str(), "wb");
        fwrite(&fh, sizeof fh, 1, f);
        fwrite(&ih, sizeof ih, 1, f);
        fwrite(c.pixels.data(), 4, c.pixels.size(), f);
        fclose(f);
    };
    Open(SelectAppletPicture, MakeApplet({Pict(1, wide), Pict(2, small)}), [&](HWND dlg) {
        RECT item, owned, self;
        SendMessageA(List(dlg), LB_GETITEMRECT, 0, (LPARAM)&item);
        GetWindowRect(owner, &owned);
        GetWindowRect(dlg, &self);
        EXPECT_EQ(self.right, owned.right - 16);
        EXPECT_EQ(self.top, owned.top + 16);
        EXPECT_EQ(self.bottom - self.top, owned.bottom - owned.top - 32);
        EXPECT_EQ(item.bottom - item.top, 120);
        Select(dlg, 1);
        UpdateWindow(List(dlg));
        sbtest::Capture c = sbtest::CaptureClient(List(dlg));
        int w = item.right - item.left - 4, percent = std::min(w * 100 / 200, 116 * 100 / 40);
        int top = 2 + (116 - 40 * percent / 100) / 2;
        COLORREF middle = c.At(item.left + 2 + w / 2, 60);
        EXPECT_EQ(GetGValue(middle), 100) << "the middle of the wide picture";
        EXPECT_EQ(GetBValue(middle), 255);
        EXPECT_EQ(c.At(item.left + 2 + w / 2, top - 2), RGB(255, 255, 255)) << "white above it";
        EXPECT_EQ(c.At(item.right - 38, 6), RGB(255, 255, 255)) << "the badge";
        EXPECT_EQ(c.At(item.right - 40, 12), RGB(0, 0, 0)) << "its frame";
        EXPECT_EQ(c.At(item.right - 3, 23), RGB(64, 64, 64)) << "its shadow";
        EXPECT_EQ(c.At(item.left + 2 + w / 2, 120 + 60), RGB(200, 40, 40)) << "the small picture enlarged";
        EXPECT_EQ(c.At(item.left + 8, 120 + 60), GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF) << "selected beside it";
        snapshot(dlg, "appletpictures");
    });
    std::string tone = WaveFile("tone.wav", 11025, 1, 11025);
    GlobalBlock wave(LoadSound(NULL, tone.c_str()));
    Open(SelectAppletSound, MakeApplet({{ENTRY_WAVE, 1, Bytes(wave.get())}, {ENTRY_MIDI, 2, midi}}), [&](HWND dlg) {
        RECT item;
        SendMessageA(List(dlg), LB_GETITEMRECT, 1, (LPARAM)&item);
        sbtest::Capture c = sbtest::CaptureClient(List(dlg));
        int x = item.left + 2 + std::max(0, (int)(item.right - item.left - 184) / 2);
        EXPECT_EQ(c.At(x + 2, item.top + 12), RGB(0, 0, 0)) << "the MIDI sign's black";
        int green = 0;
        for (int px = x; px < x + 180; px++)
            for (int py = item.top + 12; py < item.top + 112; py++)
                green += c.At(px, py) == RGB(0, 0xC0, 0);
        EXPECT_GT(green, 100) << "its letters";
        snapshot(dlg, "appletsounds");
    });
}

// Memory that runs out for large blocks, while `failbig` is set.
bool failbig;
decltype(&GlobalAlloc) realalloc;
HGLOBAL WINAPI FailingAlloc(UINT flags, SIZE_T size)
{
    return failbig && size >= 100000 ? NULL : realalloc(flags, size);
}

// When an entry cannot be listed as the list opens, or the new object cannot
// be built on Done, the object stays exactly as it was and the user is told.
TEST_F(AppletLists, ObjectStaysWhenItsEntriesCannotAllArrive)
{
    const std::vector<Entry> start{{ENTRY_TEXT, 1, "script"}, {ENTRY_PICT, 4, std::string(60, 'p')},
                                   {ENTRY_WAVE, 1, std::string(150000, 'w')}};
    realalloc = (decltype(&GlobalAlloc))sbtest::ReplaceImport("kernel32.dll", "GlobalAlloc", (void *)FailingAlloc);
    ASSERT_TRUE(realalloc);
    for (bool opening : {true, false}) {
        SCOPED_TRACE(opening ? "opening" : "done");
        HGLOBAL object = MakeApplet(start);
        std::string before = Bytes(object);
        bool ran = false;
        failbig = opening;
        Open(opening ? SelectAppletSound : SelectAppletPicture, object, [&](HWND dlg) {
            ran = true;
            sbtest::Click(dlg, IDC_APPLETDELETE);
            failbig = true;
        });
        failbig = false;
        EXPECT_NE(ran, opening) << "a list that cannot hold every entry does not open";
        EXPECT_EQ(param.object, object);
        EXPECT_EQ(Bytes(param.object), before);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, "There has been an error inserting this block.");
    }
    sbtest::ReplaceImport("kernel32.dll", "GlobalAlloc", (void *)realalloc);
}

// Applet objects damaged by the thousand: every list opens on them or
// refuses with a message, never crashes, and Done keeps every entry that was
// valid, in its kind and bytes.
TEST_F(AppletLists, DamagedAppletObjectsLoseNothingThatWasValid)
{
    GlobalBlock wave(LoadSound(NULL, WaveFile("sweep.wav", 8000, 1, 50).c_str()));
    const std::vector<Entry> start{{ENTRY_TEXT, 1, "a script"}, Pict(1, PalettePicture("sweep.bmp", 4, 4)),
                                   {ENTRY_WAVE, 1, Bytes(wave.get())}, {ENTRY_MIDI, 2, midi},
                                   {ENTRY_PICT, 2, std::string(50, 'q')}};
    std::string base = Bytes(GlobalBlock(MakeApplet(start)).get());
    std::vector<uint32_t> heads{sizeof(OBJECTAPPLET)};
    for (const Entry &e : start)
        heads.push_back(heads.back() + 48 + (uint32_t)e.data.size());
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245 + 12345, seed >> 8; };
    const uint32_t extremes[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFF, 3, 33};
    int rewritten = 0, reported = 0;
    for (int round = 0; round < 300; round++) {
        std::string bytes = base;
        auto put = [&](size_t at, uint32_t v, size_t n = 4) { memcpy(&bytes[at], &v, n); };
        std::string what;
        switch (round % 5) {
        case 0: // an entry's length claims more than there is, or wraps round
            put(heads[round / 5 % 5], round % 2 ? 0xFFFFFFF0u - round : 1000 + round);
            what = "length";
            break;
        case 1: // more entries claimed than there are
            put(offsetof(OBJECTAPPLET, entries), 5 + next() % 100000);
            what = "count";
            break;
        case 2: // the data claimed shorter or longer than the block
            put(offsetof(OBJECTHEADER, datasize), next() % (bytes.size() + 64));
            what = "datasize";
            break;
        case 3: // a picture header or wave format field at an extreme
            put(heads[round % 2 ? 2 : 1] + 48 + next() % 9 * 4, extremes[next() % 8], 2 + next() % 2 * 2);
            what = "header";
            break;
        default: // bytes of the entries flipped
            for (int n = 0; n < 1 + round % 4; n++)
                bytes[heads[0] + next() % (bytes.size() - heads[0])] ^= (char)(1 << next() % 8);
            what = "flips";
        }
        SCOPED_TRACE(what + " " + std::to_string(round));
        HGLOBAL object = NewGlobal(bytes.size(), bytes.data(), bytes.size());
        std::vector<Entry> valid = Entries(object);
        long declared = CountAppletEntries(object) < 0 ? -1 : (long)((OBJECTAPPLET *)bytes.data())->entries;
        bool sounds = round % 2;
        uint32_t kinds[2] = {sounds ? ENTRY_WAVE : ENTRY_PICT, sounds ? ENTRY_MIDI : ENTRY_PICT};
        Open(sounds ? SelectAppletSound : SelectAppletPicture, object, [&](HWND dlg) {
            sbtest::Click(dlg, IDC_APPLETINFORMATION);
            UpdateWindow(List(dlg));
        });
        // The other kinds keep their order; the list's come after them in theirs.
        std::vector<Entry> want;
        bool listed = false;
        for (int pass = 0; pass < 2; pass++)
            for (const Entry &e : valid)
                if ((e.kind == kinds[0] || e.kind == kinds[1]) == (pass == 1))
                    want.push_back(e), listed |= pass == 1;
        bool said = std::any_of(messages.begin(), messages.end(),
                                [](const Shown &m) { return m.text.starts_with("There has been an error"); });
        rewritten += param.object != object;
        reported += said;
        if (param.object != object) {
            EXPECT_EQ(Entries(param.object), want);
        } else {
            EXPECT_TRUE(!listed || said) << "an object left as it was says why";
        }
        if (declared != (long)valid.size()) {
            EXPECT_TRUE(said) << "damage is reported";
        }
    }
    EXPECT_GT(rewritten, 100);
    EXPECT_GT(reported, 50);
}

} // namespace
