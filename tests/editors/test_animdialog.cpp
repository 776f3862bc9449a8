// The animation property dialog run as a real modal dialog over a page of
// the test document, its preview running for real: what OK stores, that
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
#include "editors/objectfields.h"
#include "resources/animdialog_ids.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/resource.h"
#include "runtime/cells.h"
#include "tests/support/mediafiles.h"
#include <random>

using namespace pagetest;
using sbtest::Mng;

namespace {

struct Frame {
    int w, h;
    COLORREF colour;
    uint32_t delay;
    int x, y;
};

// An animation block whose frames are 24-bit pictures of one colour each.
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
// narrowest window with a caption), played twice.
constexpr int ANIMW = 160, ANIMH = 100;
const std::vector<Frame> STEPS = {{40, 20, RED, 30, 0, 0}, {40, 20, GREEN, 30, 60, 40}, {40, 20, BLUE, 0, 120, 80}};

bool IsPreview(HWND w)
{
    char caption[64] = "";
    GetWindowTextA(w, caption, sizeof caption);
    return strncmp(caption, "Animation ", 10) == 0;
}

class AnimDialog : public ObjectDialog {
protected:
    void SetUp() override
    {
        ObjectDialog::SetUp();
        Append(Make(Animation(ANIMW, ANIMH, STEPS, 2)));
        over = ChooseFile;
    }
    // An animation object numbered 120 at (60, 70), its rectangle not its
    // animation's size, its counts those of its block.
    static HGLOBAL Make(const std::vector<uint8_t> &data)
    {
        OBJECTANIM o{};
        o.header = {TAG_ANIM, (uint32_t)(sizeof o + data.size()), sizeof o, (uint32_t)data.size(), 0,
                    0x300 | OBJ_VISIBLE, {60, 70, 160, 75}, 120, 0, {}};
        o.notify = 7;
        if (data.size() >= sizeof(ANIMHEADER))
            o.frames = ((const ANIMHEADER *)data.data())->frames, o.repeat = ((const ANIMHEADER *)data.data())->repeat;
        return NewGlobal(sizeof o + data.size(), &o, sizeof o, data.data(), data.size());
    }
    void Replace(const std::vector<uint8_t> &bytes)
    {
        ObjectDialog::Replace(NewGlobal(std::max<size_t>(bytes.size(), 1), bytes.data(), bytes.size()));
    }
    // Runs the dialog with `drive`; each of `nested` drives the next dialog
    // opened (the preview, a message); the open dialog gives `chosen`.
    int Run(std::function<void(HWND)> drive, const char *shot = nullptr)
    {
        int result = ObjectDialog::Run(std::move(drive), shot);
        texts.clear();
        for (size_t i = 1; i < calls.size(); i++)
            if (!calls[i].text.empty())
                texts.push_back(calls[i].text);
        return result;
    }
    static INT_PTR ChooseFile(const MODALCALL *call)
    {
        if (call->kind != MODAL_COMMONDIALOG || chosen.empty())
            return under(call);
        auto *ofn = (OPENFILENAMEA *)call->data;
        memset(ofn->lpstrFile, 0, ofn->nMaxFile);
        snprintf(ofn->lpstrFile, ofn->nMaxFile, "%s", chosen.c_str());
        return 1;
    }
    // The whole block, whatever its header says.
    std::vector<uint8_t> Now()
    {
        GlobalLocked<uint8_t> o(GetPageObject(&page, index));
        return o ? std::vector<uint8_t>(o.get(), o.get() + o.size()) : std::vector<uint8_t>();
    }
    // What the preview writes into the live object: passes done, next frame.
    std::pair<uint32_t, uint32_t> Progress()
    {
        GlobalLocked<OBJECTANIM> o(GetPageObject(&page, index));
        return o && o.size() >= sizeof(OBJECTANIM) ? std::pair{o->passes, o->current} : std::pair{0u, 0u};
    }
    static std::vector<uint8_t> With(std::vector<uint8_t> bytes, RECT rect, uint32_t flags = 0x300 | OBJ_VISIBLE,
                                     uint32_t notify = 7)
    {
        auto &o = *(OBJECTANIM *)bytes.data();
        o.header.rect = rect, o.header.flags = flags, o.notify = notify;
        bytes.resize(bytes.size() + OBJECTSLACK); // the built object's zeroed slack
        return bytes;
    }

    std::vector<std::string> texts; // of the messages shown
    static inline std::string chosen;
};

// OK stores the place, flags and target with the animation's size, keeping
// the frames; Cancel and an OK whose block cannot be made keep the object.
TEST_F(AnimDialog, OkStoresTheFieldsAndCancelOrAFailedBuildKeepsTheObject)
{
    const std::vector<uint8_t> start = Now();
    auto huge = start;
    ((ANIMHEADER *)&huge[sizeof(OBJECTANIM)])->width = 0x7FFFFFFF;
    auto fail = [this](bool on) {
        parts.newobjectblock = on ? +[](SIZE_T) { return (HGLOBAL)NULL; } : nullptr;
    };
    auto change = [](HWND dlg) {
        SetDlgItemTextA(dlg, IDC_OBJLEFT, "300");
        SetDlgItemTextA(dlg, IDC_OBJTOP, "5");
        CheckDlgButton(dlg, IDC_OBJENABLED, BST_CHECKED);
        CheckDlgButton(dlg, IDC_OBJNOTIFY, BST_CHECKED);
        SendDlgItemMessageA(dlg, IDC_OBJTARGET, CB_SETCURSEL, 0, 0);
    };
    struct {
        const char *name;
        std::vector<uint8_t> object;
        std::function<void(HWND)> drive;
        int result;
        std::vector<uint8_t> want;
        std::vector<std::string> texts;
    } cases[] = {
        {"OK unchanged: the animation's size at its place", start, [](HWND dlg) { sbtest::Click(dlg, IDOK); }, 1,
         With(start, {60, 70, 220, 170}), {}},
        {"OK moved, enabled, notifying the first object", start,
         [&](HWND dlg) { change(dlg), sbtest::Click(dlg, IDOK); }, 1,
         With(start, {300, 5, 460, 105}, 0x300 | OBJ_VISIBLE | OBJ_ENABLED | OBJ_NOTIFY, 101), {}},
        {"a width past what an object can be is held", huge, [](HWND dlg) { sbtest::Click(dlg, IDOK); }, 1,
         With(huge, {60, 70, 60 + 0xFFFF, 170}), {}},
        {"Cancel", start, [&](HWND dlg) { change(dlg), sbtest::Click(dlg, IDCANCEL); }, 0, start, {}},
        {"OK without memory says so and stays open", start,
         [&](HWND dlg) {
             change(dlg);
             fail(true);
             sbtest::Click(dlg, IDOK);
             fail(false);
             EXPECT_TRUE(IsWindowVisible(dlg));
             sbtest::Click(dlg, IDCANCEL);
         },
         0, start, {FetchString(IDS_MEMORY)}},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        Replace(c.object);
        EXPECT_EQ(Run(c.drive, c.result && c.texts.empty() ? "animdialog" : nullptr), c.result);
        EXPECT_EQ(Now(), c.want);
        EXPECT_EQ(texts, c.texts);
    }
}

// The preview shows each frame at its place over the document's background,
// stops on its last frame after the object's passes and closes with the
// right mouse button; Cancel then gives the object back as it was.
TEST_F(AnimDialog, ThePreviewPlaysItsPassesAndStopsOnTheLastFrame)
{
    const std::vector<uint8_t> start = Now();
    BLOCK header{};
    GetHeaderBlock(List(doc), nullptr, &header);
    COLORREF background = GetBlockBackgroundColour(host, &header) & 0xFFFFFF;
    nested.push_back([&](HWND preview) {
        char caption[64] = "";
        GetWindowTextA(preview, caption, sizeof caption);
        EXPECT_STREQ(caption, "Animation 120");
        RECT client;
        GetClientRect(preview, &client);
        EXPECT_EQ(client.right * 10000 + client.bottom, ANIMW * 10000 + ANIMH);
        ASSERT_TRUE(sbtest::PumpUntil([&] { return Progress().first == 2; }));
        Snapshot(preview, "animpreview");
        Snapshot(GetDesktopWindow(), "animpreview_screen");
        sbtest::Capture c = sbtest::CaptureClient(preview);
        EXPECT_EQ(std::vector<COLORREF>({c.At(5, 5), c.At(70, 50), c.At(130, 90), c.At(150, 5)}),
                  std::vector<COLORREF>({RED, GREEN, BLUE, background}));
        EXPECT_EQ(DialogState<PREVIEWANIM>(preview)->timer, 0u); // nothing left to move it on
        EXPECT_EQ(Progress(), std::pair(2u, 0u));
        PostMessageA(preview, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    });
    EXPECT_EQ(Run([&](HWND dlg) {
                  sbtest::Click(dlg, IDC_ANIMPREVIEW);
                  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_ANIMPREVIEW)));
                  sbtest::Click(dlg, IDCANCEL);
              }),
              0);
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
        GlobalBlock made(Make(c.data));
        GlobalLocked<uint8_t> bytes(made);
        Replace(std::vector<uint8_t>(bytes.get(), bytes.get() + bytes.size()));
        const std::vector<uint8_t> start = Now();
        bool played = false;
        if (!c.text)
            nested.push_back([&](HWND preview) {
                played = IsPreview(preview) && sbtest::PumpUntil([&] { return Progress().first == 3; });
                PostMessageA(preview, WM_CHAR, VK_ESCAPE, 0);
            });
        EXPECT_EQ(Run([&](HWND dlg) {
                      sbtest::Click(dlg, IDC_ANIMPREVIEW);
                      EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_ANIMPREVIEW)));
                      sbtest::Click(dlg, IDCANCEL);
                  }),
                  0);
        EXPECT_EQ(played, !c.text);
        EXPECT_EQ(texts, c.text ? std::vector<std::string>{FetchString(c.text)} : std::vector<std::string>{});
        EXPECT_EQ(Now(), start);
    }
}

// Leaving the dialog while its preview runs closes the preview first; a
// dialog destroyed under its preview takes the preview with it.
TEST_F(AnimDialog, LeavingUnderThePreviewClosesIt)
{
    const std::vector<uint8_t> start = Now();
    const struct {
        const char *name;
        void (*leave)(HWND dlg);
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
                      SetDlgItemTextA(dlg, IDC_OBJLEFT, "9");
                      sbtest::Click(dlg, IDC_ANIMPREVIEW);
                  }),
                  c.result);
        EXPECT_TRUE(shown && !IsWindow(shown));
        std::vector<uint8_t> want = c.result ? With(start, {9, 70, 169, 170}) : start, now = Now();
        if (c.result) // the run-time fields the preview wrote come with OK
            for (size_t at : {offsetof(OBJECTANIM, current), offsetof(OBJECTANIM, passes)})
                memcpy(&now[at], &want[at], 4);
        EXPECT_EQ(now, want);
        Replace(start);
    }
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
    const std::vector<uint8_t> start = Now();
    chosen = bad;
    EXPECT_EQ(Run([&](HWND dlg) { sbtest::Click(dlg, IDC_ANIMFILE), sbtest::Click(dlg, IDOK); }), 1);
    EXPECT_EQ(texts, std::vector<std::string>{FetchString(IDS_CORRUPTED)});
    EXPECT_EQ(Now(), With(start, {60, 70, 220, 170}));

    chosen = good;
    bool previewed = false;
    nested.push_back([&](HWND preview) {
        previewed = sbtest::PumpUntil([&] { return sbtest::CaptureClient(preview).At(4, 3) == BLUE; });
        PostMessageA(preview, WM_CHAR, VK_ESCAPE, 0);
    });
    EXPECT_EQ(Run([&](HWND dlg) {
                  sbtest::Click(dlg, IDC_ANIMFILE);
                  sbtest::Click(dlg, IDC_ANIMPREVIEW);
                  sbtest::Click(dlg, IDOK);
              }),
              1);
    chosen.clear();
    EXPECT_TRUE(previewed);
    std::vector<uint8_t> now = Now();
    now.resize(now.size() - OBJECTSLACK);
    const auto &o = *(const OBJECTANIM *)now.data();
    const RECT &r = o.header.rect;
    EXPECT_EQ(memcmp(&o, start.data(), offsetof(OBJECTHEADER, totalsize)), 0);
    EXPECT_EQ(std::vector<uint32_t>({o.header.totalsize, o.header.fixedsize, o.header.datasize, o.notify, o.frames,
                                     o.repeat}),
              std::vector<uint32_t>({(uint32_t)now.size(), sizeof o, (uint32_t)(now.size() - sizeof o), 7, 2, 3}));
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}), std::vector<LONG>({60, 70, 68, 76}));
    char *data = (char *)now.data() + sizeof o;
    const ANIMHEADER &head = *FindAnimationHeader(data);
    EXPECT_EQ(std::vector<int>({head.width, head.height, (int)head.frames, (int)head.repeat}),
              std::vector<int>({8, 6, 2, 3}));
    for (auto [i, colour, delay] : {std::tuple{0u, GREEN, 100u}, {1u, BLUE, 250u}}) {
        OBJECTANIMFRAME frame{};
        auto *cell = FindAnimationCell(data, o.header.datasize, i, &frame);
        ASSERT_TRUE(cell);
        EXPECT_EQ(frame.delay, delay);
        EXPECT_EQ(cell->biWidth * 100 + std::abs(cell->biHeight), 806);
        for (auto [x, y] : {std::pair{0, 0}, {7, 5}, {3, 2}})
            EXPECT_EQ(GetDibPixel(cell, x, y), colour) << i;
    }
    DeleteFileA(good.c_str());
    DeleteFileA(bad.c_str());
}

// Damaged sizes and counts of an animation object, opened and previewed:
// nothing crashes or hangs, Cancel gives the object back byte for byte and
// OK keeps its animation block byte for byte.
TEST_F(AnimDialog, DamagedSizesAndCountsNeverCrashOrChangeWithoutOk)
{
    const std::vector<uint8_t> base = Now();
    const size_t fixed = sizeof(OBJECTANIM), head = fixed + offsetof(ANIMHEADER, width),
                 frame = fixed + sizeof(ANIMHEADER),
                 dib = ((const OBJECTANIMFRAME *)&base[frame])->offset + fixed;
    // Where the stored sizes and counts lie: the object's header and record,
    // the animation's head, the first frame records and the first picture.
    const size_t fields[] = {4, 8, 12, offsetof(OBJECTANIM, frames), offsetof(OBJECTANIM, repeat),
                             offsetof(OBJECTANIM, current), head, head + 4, head + 8, head + 12,
                             frame, frame + 4, frame + 12, frame + 20, frame + 24, frame + 60, frame + 64,
                             dib, dib + 4, dib + 8, dib + 14, dib + 32};
    const uint32_t values[] = {0, 1, 2, 3, 47, 48, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
                               (uint32_t)(base.size() - fixed), (uint32_t)(base.size() - fixed + 1),
                               (uint32_t)base.size() - 1};
    std::mt19937 random(28);
    int opened = 0, previewed = 0;
    for (int round = 0; round < 120; round++) {
        std::vector<uint8_t> bytes = base;
        std::string what;
        for (int n = 1 + (int)(random() % 2); n > 0; n--) {
            size_t at = fields[random() % std::size(fields)];
            uint32_t v = random() % 4 ? values[random() % std::size(values)] : (uint32_t)random();
            memcpy(&bytes[at], &v, 4);
            what += std::to_string(at) + "=" + std::to_string(v) + " ";
        }
        if (random() % 5 == 0) // the block itself cut short
            bytes.resize(random() % bytes.size()), what += "cut to " + std::to_string(bytes.size());
        SCOPED_TRACE(what);
        Replace(bytes);
        const std::vector<uint8_t> start = Now();
        bool ok = round % 3 == 0;
        nested.push_back([&](HWND w) {
            if (IsPreview(w) && ++previewed) {
                EXPECT_TRUE(sbtest::PumpUntil([&] { return Progress() != std::pair(0u, 0u); }));
            }
            PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
        });
        int result = Run([&](HWND dlg) { sbtest::Click(dlg, IDC_ANIMPREVIEW), sbtest::Click(dlg, ok ? IDOK : IDCANCEL); });
        const std::vector<uint8_t> now = Now();
        if (result) {
            opened++;
            auto &h = *(const OBJECTHEADER *)start.data();
            EXPECT_EQ(std::vector<uint8_t>(now.begin() + fixed, now.end() - OBJECTSLACK),
                      std::vector<uint8_t>(start.begin() + h.fixedsize, start.begin() + h.fixedsize + h.datasize));
        } else {
            EXPECT_EQ(now, start);
        }
        EXPECT_TRUE(ok || !result);
    }
    // The sweep reached the dialog and the preview, not only the refusals.
    EXPECT_GT(opened, 10);
    EXPECT_GT(previewed, 30);
}

} // namespace
