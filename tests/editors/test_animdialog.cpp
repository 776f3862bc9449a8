// The animation property dialog run as a real modal dialog over a page of
// the test document, with its preview running for real: what OK stores, that
// Cancel, a failed build, leaving under the preview or damage leave the
// object as it was, what the preview shows and when it stops, and new
// frames taken from an animation file written here.
#include "tests/editors/editorfixture.h"
#include "common/dialog.h"
#include "common/strings.h"
#include "document/applet.h"
#include "editor/blocks.h"
#include "editors/animdialog.h"
#include "editors/objectdialogs.h"
#include "editors/propfields.h"
#include "resources/animdialog_ids.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/resource.h"
#include "runtime/cells.h"
#include <zlib.h>
#include <random>
#include <tuple>

using namespace pagetest;

namespace {

struct Frame {
    int w, h;
    COLORREF colour;
    uint32_t delay;
    int x, y;
};

// An animation block: head, frame records, then each frame as a 24-bit DIB
// of one colour.
std::vector<uint8_t> Animation(int width, int height, const std::vector<Frame> &frames, uint32_t repeat)
{
    std::vector<uint8_t> out(sizeof(ANIMHEADER) + frames.size() * sizeof(OBJECTANIMFRAME));
    ANIMHEADER head{width, height, (uint32_t)frames.size(), repeat, {}};
    memcpy(out.data(), &head, sizeof head);
    for (size_t i = 0; i < frames.size(); i++) {
        const Frame &f = frames[i];
        GlobalBlock dib(CreateDib(f.w, f.h, nullptr, 24));
        DibLock lock(dib.get());
        for (int y = 0; y < f.h; y++)
            for (int x = 0; x < f.w; x++)
                PutDibPixel(lock.header, x, y, f.colour);
        OBJECTANIMFRAME record{(uint32_t)out.size(), lock.layout.total, 0, f.delay, 0, f.x, f.y, {}};
        memcpy(&out[sizeof(ANIMHEADER) + i * sizeof record], &record, sizeof record);
        out.insert(out.end(), (uint8_t *)lock.header, (uint8_t *)lock.header + lock.layout.total);
    }
    return out;
}

constexpr COLORREF RED = RGB(200, 30, 30), GREEN = RGB(30, 200, 30), BLUE = RGB(30, 30, 200);
// Three frames down the diagonal of a 160 x 100 animation (wider than the
// narrowest window with a caption).
constexpr int ANIMW = 160, ANIMH = 100;
const std::vector<Frame> STEPS = {{40, 20, RED, 30, 0, 0}, {40, 20, GREEN, 30, 60, 40}, {40, 20, BLUE, 0, 120, 80}};

class AnimDialog : public PageEditor {
protected:
    void SetUp() override
    {
        PageEditor::SetUp();
        BLOCK stored = Block(1);
        ASSERT_TRUE(DuplicateBlock(&page, &stored));
        index = BlockObjectCount(&page);
        AppendPageObject(&page, Make(Animation(ANIMW, ANIMH, STEPS, 2)));
        host = sbtest::CreateTestWindow(true, PAGEW, PAGEH);
        set = LockBlockSet(doc);
    }
    void TearDown() override
    {
        UnlockBlockSet(doc);
        DestroyWindow(host);
        DestroyBlock(&page);
        PageEditor::TearDown();
    }
    // An animation object numbered 120 at (60, 70), its rectangle not its
    // animation's size, its counts those of the block.
    static HGLOBAL Make(const std::vector<uint8_t> &data)
    {
        OBJECTANIM o{};
        o.header.tag = TAG_ANIM;
        o.header.fixedsize = sizeof(OBJECTANIM);
        o.header.datasize = (uint32_t)data.size();
        o.header.totalsize = (uint32_t)(sizeof o + data.size());
        o.header.flags = 0x300 | OBJ_VISIBLE;
        SetRect(&o.header.rect, 60, 70, 160, 75);
        o.header.number = 120;
        o.notify = 7;
        if (data.size() >= sizeof(ANIMHEADER)) {
            o.frames = ((const ANIMHEADER *)data.data())->frames;
            o.repeat = ((const ANIMHEADER *)data.data())->repeat;
        }
        return NewGlobal(sizeof o + data.size(), &o, sizeof o, data.data(), data.size());
    }
    void Replace(HGLOBAL o)
    {
        GlobalFree(GetPageObject(&page, index));
        PutPageObject(&page, o, index);
    }
    void Restore(const Object &o) { Replace(NewGlobal(o.bytes.size(), o.bytes.data(), o.bytes.size())); }
    // Runs the dialog with `drive`; each of `nested` drives the next dialog
    // it opens (the preview, a message, the file dialog).
    int Run(std::function<void(HWND)> drive, const char *shot = nullptr)
    {
        sbtest::ModalRecorder real;
        below = COMMONSetModalHook(ChooseFile);
        real.Drive([&](HWND dlg) {
            if (shot)
                Snapshot(dlg, shot);
            drive(dlg);
        });
        for (auto &d : nested)
            real.Drive(d);
        nested.clear();
        int result = EditObject(host, set, &page, index);
        COMMONSetModalHook(below);
        calls = real.calls;
        return result;
    }
    // The open dialog answered with `chosen`, when there is one.
    static INT_PTR ChooseFile(const MODALCALL *call)
    {
        if (call->kind != MODAL_COMMONDIALOG || chosen.empty())
            return below(call);
        auto *ofn = (OPENFILENAMEA *)call->data;
        memset(ofn->lpstrFile, 0, ofn->nMaxFile);
        snprintf(ofn->lpstrFile, ofn->nMaxFile, "%s", chosen.c_str());
        return 1;
    }
    // The texts of the messages shown.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (size_t i = 1; i < calls.size(); i++)
            if (!calls[i].text.empty())
                out.push_back(calls[i].text);
        return out;
    }
    Object Now() { return Read(GetPageObject(&page, index)); }
    // The whole block, whatever its header says.
    Object Raw()
    {
        GlobalLocked<uint8_t> o(GetPageObject(&page, index));
        return Object{o ? std::vector<uint8_t>(o.get(), o.get() + o.size()) : std::vector<uint8_t>()};
    }
    // What the preview has written into the live object: passes done and
    // the frame shown next.
    std::pair<uint32_t, uint32_t> Progress()
    {
        GlobalLocked<OBJECTANIM> o(GetPageObject(&page, index));
        return o && o.size() >= sizeof(OBJECTANIM) ? std::pair{o->passes, o->current} : std::pair{0u, 0u};
    }
    COLORREF Background()
    {
        BLOCK header{};
        GetHeaderBlock(List(doc), nullptr, &header);
        return GetBlockBackgroundColour(host, &header) & 0xFFFFFF;
    }

    BLOCK page{};
    unsigned index = 0;
    HWND host = NULL;
    BLOCKSET *set = nullptr;
    std::vector<sbtest::ModalRecord> calls;
    std::vector<std::function<void(HWND)>> nested;
    static inline std::string chosen;
    static inline MODALHOOK below;
};

bool IsPreview(HWND w)
{
    char caption[64] = "";
    GetWindowTextA(w, caption, sizeof caption);
    return strncmp(caption, "Animation ", 10) == 0;
}

TEST_F(AnimDialog, OkStoresPlaceFlagsAndTargetAndKeepsTheFrames)
{
    Object start = Now();
    struct {
        const char *name;
        std::function<void(HWND)> set;
        RECT rect;
        uint32_t flags, notify;
    } cases[] = {
        {"unchanged: the animation's size at its place", [](HWND) {}, {60, 70, 220, 170}, 0x300 | OBJ_VISIBLE, 7},
        {"moved, enabled, notifying the button",
         [](HWND dlg) {
             SetDlgItemTextA(dlg, IDC_PROPLEFT, "300");
             SetDlgItemTextA(dlg, IDC_PROPTOP, "5");
             CheckDlgButton(dlg, IDC_PROPENABLED, BST_CHECKED);
             CheckDlgButton(dlg, IDC_PROPNOTIFY, BST_CHECKED);
             SendDlgItemMessageA(dlg, IDC_PROPTARGET, CB_SETCURSEL, 0, 0);
         },
         {300, 5, 460, 105}, 0x300 | OBJ_VISIBLE | OBJ_ENABLED | OBJ_NOTIFY, 101},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run([&](HWND dlg) {
                      char number[16] = "";
                      GetDlgItemTextA(dlg, IDC_PROPNUMBER, number, sizeof number);
                      EXPECT_STREQ(number, "120");
                      c.set(dlg);
                      sbtest::Click(dlg, IDOK);
                  }, c.notify == 7 ? "animdialog" : nullptr),
                  1);
        std::vector<uint8_t> want = start.bytes;
        auto &o = *(OBJECTANIM *)want.data();
        o.header.rect = c.rect, o.header.flags = c.flags, o.notify = c.notify;
        EXPECT_EQ(Now().bytes, want);
        Restore(start);
    }
}

TEST_F(AnimDialog, CancelAndAFailedBuildKeepTheObject)
{
    Object start = Now();
    auto change = [](HWND dlg) {
        SetDlgItemTextA(dlg, IDC_PROPLEFT, "9");
        CheckDlgButton(dlg, IDC_PROPNOTIFY, BST_CHECKED);
    };
    EXPECT_EQ(Run([&](HWND dlg) {
                  change(dlg);
                  sbtest::Click(dlg, IDCANCEL);
              }),
              0);
    EXPECT_EQ(Now(), start);
    bool open = false;
    EXPECT_EQ(Run([&](HWND dlg) {
                  change(dlg);
                  NewObjectBlock = [](SIZE_T) { return (HGLOBAL)NULL; };
                  sbtest::Click(dlg, IDOK);
                  NewObjectBlock = [](SIZE_T n) { return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, n); };
                  open = IsWindow(dlg) && IsWindowVisible(dlg);
                  sbtest::Click(dlg, IDCANCEL);
              }),
              0);
    EXPECT_TRUE(open);
    EXPECT_EQ(Texts(), std::vector<std::string>{FetchString(IDS_MEMORY)});
    EXPECT_EQ(Now(), start);
}

// The preview shows each frame at its place over the document's background,
// stops on its last frame after the object's passes, and closes with the
// right mouse button; the object is as it was after Cancel.
TEST_F(AnimDialog, ThePreviewPlaysItsPassesAndStopsOnTheLastFrame)
{
    Object start = Now();
    int usable = -1;
    nested.push_back([&](HWND preview) {
        ASSERT_TRUE(IsPreview(preview));
        char caption[64] = "";
        GetWindowTextA(preview, caption, sizeof caption);
        EXPECT_STREQ(caption, "Animation 120");
        RECT client;
        GetClientRect(preview, &client);
        EXPECT_EQ(client.right, ANIMW);
        EXPECT_EQ(client.bottom, ANIMH);
        ASSERT_TRUE(sbtest::PumpUntil([&] { return Progress().first == 2; }));
        Snapshot(preview, "animpreview");
        Snapshot(GetDesktopWindow(), "animpreview_screen");
        sbtest::Capture c = sbtest::CaptureClient(preview);
        EXPECT_EQ(c.At(5, 5), RED);
        EXPECT_EQ(c.At(70, 50), GREEN);
        EXPECT_EQ(c.At(130, 90), BLUE);
        EXPECT_EQ(c.At(150, 5), Background());
        // It stands still: no timer is left to move it on.
        EXPECT_EQ(DialogState<PREVIEWANIM>(preview)->timer, 0u);
        EXPECT_EQ(Progress(), std::pair(2u, 0u));
        PostMessageA(preview, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    });
    EXPECT_EQ(Run([&](HWND dlg) {
                  sbtest::Click(dlg, IDC_ANIMPREVIEW);
                  usable = IsWindowEnabled(GetDlgItem(dlg, IDC_ANIMPREVIEW));
                  sbtest::Click(dlg, IDCANCEL);
              }),
              0);
    EXPECT_EQ(usable, 1);
    EXPECT_EQ(Now(), start);
}

// What cannot be played is said, and the dialog goes on; frames without a
// delay play at once, and none of it hangs.
TEST_F(AnimDialog, AnAnimationThatCannotPlayIsToldAndZeroDelaysPlay)
{
    auto broken = Animation(ANIMW, ANIMH, STEPS, 2);
    for (size_t i = 0; i < STEPS.size(); i++) // every picture past the block's end
        ((OBJECTANIMFRAME *)&broken[sizeof(ANIMHEADER) + i * sizeof(OBJECTANIMFRAME)])->offset = 0xFFFFFF00;
    std::vector<Frame> instant = STEPS;
    for (Frame &f : instant)
        f.delay = 0;
    struct {
        const char *name;
        std::vector<uint8_t> data;
        int text; // 0: it plays
    } cases[] = {
        {"no frames", Animation(ANIMW, ANIMH, {}, 2), IDS_ANIMNOFRAMES},
        {"no picture within the block", broken, IDS_ANIMNOFRAMES},
        {"no width", Animation(0, ANIMH, STEPS, 2), IDS_ANIMSIZEERROR},
        {"a height past any screen", Animation(ANIMW, 0x7FFFFFFF, STEPS, 2), IDS_ANIMSIZEERROR},
        {"no header", std::vector<uint8_t>(20, 1), IDS_ANIMSIZEERROR},
        {"delays of 0, three passes", Animation(ANIMW, ANIMH, instant, 3), 0},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        Replace(Make(c.data));
        Object start = Now();
        bool played = false, usable = false;
        if (!c.text)
            nested.push_back([&](HWND preview) {
                played = IsPreview(preview) && sbtest::PumpUntil([&] { return Progress().first == 3; });
                PostMessageA(preview, WM_CHAR, VK_ESCAPE, 0);
            });
        EXPECT_EQ(Run([&](HWND dlg) {
                      sbtest::Click(dlg, IDC_ANIMPREVIEW);
                      usable = IsWindowEnabled(GetDlgItem(dlg, IDC_ANIMPREVIEW));
                      sbtest::Click(dlg, IDCANCEL);
                  }),
                  0);
        EXPECT_TRUE(usable);
        EXPECT_EQ(played, !c.text);
        EXPECT_EQ(Texts(), c.text ? std::vector<std::string>{FetchString(c.text)} : std::vector<std::string>{});
        EXPECT_EQ(Now(), start);
    }
}

// Leaving the dialog while its preview runs closes the preview first; a
// dialog destroyed under its preview takes the preview with it.
TEST_F(AnimDialog, LeavingUnderThePreviewClosesIt)
{
    Object start = Now();
    struct {
        const char *name;
        std::function<void(HWND dlg)> leave;
        int result;
    } cases[] = {
        {"Cancel", [](HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); }, 0},
        {"OK", [](HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDOK, 0); }, 1},
        {"the dialog destroyed", [](HWND dlg) { DestroyWindow(dlg); }, 0},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        HWND shown = NULL;
        nested.push_back([&](HWND preview) {
            shown = preview;
            EXPECT_TRUE(sbtest::PumpUntil([&] { return Progress() != std::pair(0u, 0u); }));
            c.leave(GetWindow(preview, GW_OWNER));
        });
        EXPECT_EQ(Run([&](HWND dlg) {
                      SetDlgItemTextA(dlg, IDC_PROPLEFT, "9");
                      sbtest::Click(dlg, IDC_ANIMPREVIEW);
                  }),
                  c.result);
        EXPECT_TRUE(shown && !IsWindow(shown));
        std::vector<uint8_t> want = start.bytes;
        if (c.result)
            SetRect(&((OBJECTHEADER *)want.data())->rect, 9, 70, 169, 170);
        Object now = Now();
        // Run-time fields the preview wrote come with OK.
        if (c.result)
            memcpy(&now.bytes[offsetof(OBJECTANIM, current)], &want[offsetof(OBJECTANIM, current)], 4),
                memcpy(&now.bytes[offsetof(OBJECTANIM, passes)], &want[offsetof(OBJECTANIM, passes)], 4);
        EXPECT_EQ(now.bytes, want);
        Restore(start);
    }
}

// --- new frames from a file ----------------------------------------------

void PutBig(std::string &s, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        s += (char)(v >> shift);
}

void PutChunk(std::string &file, const char *type, const std::string &data)
{
    PutBig(file, (uint32_t)data.size());
    std::string body = type + data;
    file += body;
    PutBig(file, (uint32_t)crc32(0, (const Bytef *)body.data(), (uInt)body.size()));
}

// An MNG of one-colour RGB frames, each with its delay in ms, then a TERM
// asking for `repeat` passes.
std::string Mng(int w, int h, const std::vector<std::pair<COLORREF, uint32_t>> &frames, uint32_t repeat)
{
    std::string file("\x8AMNG\r\n\x1A\n", 8), mhdr;
    for (uint32_t v : {(uint32_t)w, (uint32_t)h, 1000u, 0u, 0u, 0u, 0u})
        PutBig(mhdr, v);
    PutChunk(file, "MHDR", mhdr);
    std::string term("\x03\x00", 2);
    PutBig(term, 0);
    PutBig(term, repeat);
    PutChunk(file, "TERM", term);
    for (auto [colour, delay] : frames) {
        std::string fram("\x01\x00\x02\x00\x00\x00", 6), ihdr, rows;
        PutBig(fram, delay);
        PutChunk(file, "FRAM", fram);
        PutBig(ihdr, w);
        PutBig(ihdr, h);
        PutChunk(file, "IHDR", ihdr + std::string("\x08\x02\x00\x00\x00", 5));
        for (int y = 0; y < h; y++) {
            rows += '\0';
            for (int x = 0; x < w; x++)
                rows += {(char)GetRValue(colour), (char)GetGValue(colour), (char)GetBValue(colour)};
        }
        std::string packed(compressBound((uLong)rows.size()), '\0');
        uLongf n = (uLongf)packed.size();
        compress((Bytef *)packed.data(), &n, (const Bytef *)rows.data(), (uLong)rows.size());
        PutChunk(file, "IDAT", packed.substr(0, n));
        PutChunk(file, "IEND", "");
    }
    PutChunk(file, "MEND", "");
    return file;
}

// Frames chosen in the open dialog are what the preview then shows and OK
// stores, with the animation's size and counts; a file that cannot be read
// is reported and the old frames stay.
TEST_F(AnimDialog, AnAnimationFileReplacesTheFramesAndAnUnreadableOneKeepsThem)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string good = std::string(temp) + "animdlg.mng", bad = std::string(temp) + "animdlg0.mng";
    for (auto [path, bytes] : {std::pair{good, Mng(8, 6, {{GREEN, 100}, {BLUE, 250}}, 3)}, {bad, std::string()}}) {
        FILE *f = fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    Object start = Now();
    chosen = bad;
    EXPECT_EQ(Run([&](HWND dlg) {
                  sbtest::Click(dlg, IDC_ANIMFILE);
                  sbtest::Click(dlg, IDOK);
              }),
              1);
    EXPECT_EQ(Texts(), std::vector<std::string>{FetchString(IDS_CORRUPTED)});
    std::vector<uint8_t> want = start.bytes;
    SetRect(&((OBJECTHEADER *)want.data())->rect, 60, 70, 220, 170);
    EXPECT_EQ(Now().bytes, want);

    chosen = good;
    COLORREF previewed = 0;
    nested.push_back([&](HWND preview) {
        EXPECT_TRUE(sbtest::PumpUntil([&] { return sbtest::CaptureClient(preview).At(4, 3) == BLUE; }));
        previewed = sbtest::CaptureClient(preview).At(4, 3);
        PostMessageA(preview, WM_CHAR, VK_ESCAPE, 0);
    });
    EXPECT_EQ(Run([&](HWND dlg) {
                  sbtest::Click(dlg, IDC_ANIMFILE);
                  sbtest::Click(dlg, IDC_ANIMPREVIEW);
                  sbtest::Click(dlg, IDOK);
              }),
              1);
    EXPECT_EQ(previewed, BLUE);
    Object now = Now();
    const auto &o = *(const OBJECTANIM *)now.bytes.data();
    EXPECT_EQ(memcmp(&o, start.bytes.data(), offsetof(OBJECTHEADER, totalsize)), 0);
    EXPECT_EQ(o.header.fixedsize, sizeof(OBJECTANIM));
    EXPECT_EQ(o.header.totalsize, now.bytes.size());
    EXPECT_EQ(o.header.datasize, now.bytes.size() - sizeof(OBJECTANIM));
    const RECT &r = o.header.rect;
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}), std::vector<LONG>({60, 70, 68, 76}));
    EXPECT_EQ(o.notify, 7u);
    EXPECT_EQ(o.frames, 2u);
    EXPECT_EQ(o.repeat, 3u);
    char *data = (char *)now.bytes.data() + sizeof(OBJECTANIM);
    const ANIMHEADER &head = *FindAnimationHeader(data);
    EXPECT_EQ(std::vector<int>({head.width, head.height, (int)head.frames, (int)head.repeat}),
              std::vector<int>({8, 6, 2, 3}));
    for (auto [i, colour, delay] : {std::tuple{0u, GREEN, 100u}, {1u, BLUE, 250u}}) {
        OBJECTANIMFRAME frame{};
        auto *cell = FindAnimationCell(data, o.header.datasize, i, &frame);
        ASSERT_TRUE(cell);
        EXPECT_EQ(frame.delay, delay);
        EXPECT_EQ(std::vector<int>({cell->biWidth, std::abs(cell->biHeight)}), std::vector<int>({8, 6}));
        for (auto [x, y] : {std::pair{0, 0}, {7, 5}, {3, 2}})
            EXPECT_EQ(GetDibPixel(cell, x, y), colour) << i;
    }
    chosen.clear();
    DeleteFileA(good.c_str());
    DeleteFileA(bad.c_str());
}

// --- damage -----------------------------------------------------------------

// Damaged sizes and counts of an animation object, opened and previewed:
// nothing crashes or hangs, Cancel gives the object back byte for byte and
// OK keeps its animation block byte for byte.
TEST_F(AnimDialog, DamagedSizesAndCountsNeverCrashOrChangeWithoutOk)
{
    const std::vector<uint8_t> animation = Animation(ANIMW, ANIMH, STEPS, 2);
    GlobalBlock made(Make(animation));
    const Object base = Read(made.get());
    const size_t fixed = sizeof(OBJECTANIM), frame0 = fixed + sizeof(ANIMHEADER);
    const uint32_t dib0 = ((const OBJECTANIMFRAME *)&base.bytes[frame0])->offset + (uint32_t)fixed;
    // Where the stored sizes and counts lie in the object.
    const size_t fields[] = {
        offsetof(OBJECTHEADER, totalsize), offsetof(OBJECTHEADER, fixedsize), offsetof(OBJECTHEADER, datasize),
        offsetof(OBJECTANIM, frames), offsetof(OBJECTANIM, repeat), offsetof(OBJECTANIM, current),
        fixed + offsetof(ANIMHEADER, width), fixed + offsetof(ANIMHEADER, height),
        fixed + offsetof(ANIMHEADER, frames), fixed + offsetof(ANIMHEADER, repeat),
        frame0 + offsetof(OBJECTANIMFRAME, offset), frame0 + offsetof(OBJECTANIMFRAME, size),
        frame0 + offsetof(OBJECTANIMFRAME, delay), frame0 + offsetof(OBJECTANIMFRAME, x),
        frame0 + offsetof(OBJECTANIMFRAME, y), frame0 + sizeof(OBJECTANIMFRAME) + offsetof(OBJECTANIMFRAME, offset),
        dib0 + offsetof(BITMAPINFOHEADER, biSize), dib0 + offsetof(BITMAPINFOHEADER, biWidth),
        dib0 + offsetof(BITMAPINFOHEADER, biHeight), dib0 + offsetof(BITMAPINFOHEADER, biBitCount),
        dib0 + offsetof(BITMAPINFOHEADER, biClrUsed),
    };
    const uint32_t values[] = {0, 1, 2, 3, 47, 48, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
                               (uint32_t)animation.size(), (uint32_t)animation.size() + 1,
                               (uint32_t)base.bytes.size() - 1};
    std::mt19937 random(28);
    int opened = 0, previewed = 0;
    for (int round = 0; round < 120; round++) {
        std::vector<uint8_t> bytes = base.bytes;
        std::string what;
        for (int n = 1 + (int)(random() % 2); n > 0; n--) {
            size_t at = fields[random() % std::size(fields)];
            uint32_t v = random() % 4 ? values[random() % std::size(values)] : (uint32_t)random();
            memcpy(&bytes[at], &v, 4);
            what += std::to_string(at) + "=" + std::to_string(v) + " ";
        }
        if (random() % 5 == 0) { // the block itself cut short
            bytes.resize(random() % bytes.size());
            what += "cut to " + std::to_string(bytes.size());
        }
        SCOPED_TRACE(what);
        Replace(NewGlobal(std::max<size_t>(bytes.size(), 1), bytes.data(), bytes.size()));
        Object start = Raw();
        bool ok = round % 3 == 0, shown = false;
        nested.push_back([&](HWND w) {
            if (IsPreview(w)) {
                shown = true;
                EXPECT_TRUE(sbtest::PumpUntil([&] { return Progress() != std::pair(0u, 0u); }));
            }
            PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
        });
        int result = Run([&](HWND dlg) {
            sbtest::Click(dlg, IDC_ANIMPREVIEW);
            sbtest::Click(dlg, ok ? IDOK : IDCANCEL);
        });
        previewed += shown;
        Object now = Raw();
        if (result) {
            opened++;
            auto &h = *(const OBJECTHEADER *)start.bytes.data();
            std::vector<uint8_t> stored(start.bytes.begin() + h.fixedsize,
                                        start.bytes.begin() + h.fixedsize + h.datasize);
            EXPECT_EQ(std::vector<uint8_t>(now.bytes.begin() + fixed, now.bytes.end()), stored);
        } else {
            EXPECT_EQ(now, start);
        }
        if (!ok) {
            EXPECT_EQ(result, 0);
        }
    }
    // The sweep reached the dialog and the preview, not only the refusals.
    EXPECT_GT(opened, 10);
    EXPECT_GT(previewed, 30);
}

} // namespace
