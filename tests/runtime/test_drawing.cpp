// Window sizes, backgrounds, buttons and controls by their pixels and texts,
// the open-document test, and a saved document shown whole.
#include "common/windowvalue.h"
#include "tests/runtime/showfixture.h"
#include "common/buttons.h"
#include "document/reader.h"
#include "document/writer.h"
#include "runtime/objdraw.h"
#include <climits>
#include <cstring>

namespace rttest {
namespace {

using docfixture::Dib;
using docfixture::Global;

using Drawing = ShowDoc;

TEST_F(Drawing, BackgroundsTileFromTheCornerCentreEvenlyAndFollowTheHeader)
{
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
    // 10 × 10 tiles with one red corner pixel each.
    BLOCK &tiled = Page("tiled");
    tiled.page.flags |= PAGE_TILED;
    BackImage(tiled, Picture(10, 10, [&](int x, int y) { return x || y ? blue : red; }));
    // 30 × 30, centred on 20 × 20: pixel (5, 5) lands at the corner.
    BLOCK &centred = Page("centred");
    BackImage(centred, Picture(30, 30, [](int x, int y) { return (COLORREF)RGB(x * 8, y * 8, 0); }));
    // Selector 26: the header's colour, not the page's own picture.
    BLOCK &inherits = Page("inherits");
    inherits.page.colourselector = 26;
    BackImage(inherits, Picture(10, 10, [&](int, int) { return red; }));
    ASSERT_GT(AppendBlock(list, set, &header), 0);
    for (BLOCK &p : pages)
        ASSERT_GT(AppendBlock(list, set, &p), 0);

    Canvas a(25, 25);
    RECT r{0, 0, 25, 25};
    BLOCK page = Get(1);
    DrawPageBackground(NULL, list, a.dc, 1, &header, &page, &r);
    sbtest::Capture c = a.Grab();
    int reds = 0;
    for (int y = 0; y < 25; y++)
        for (int x = 0; x < 25; x++)
            reds += c.At(x, y) == red;
    EXPECT_EQ(reds, 9);
    EXPECT_EQ(c.At(20, 20), red);
    EXPECT_EQ(c.At(24, 24), blue);

    Canvas b(20, 20);
    RECT rb{0, 0, 20, 20};
    page = Get(2);
    DrawPageBackground(NULL, list, b.dc, 2, &header, &page, &rb);
    c = b.Grab();
    EXPECT_EQ(c.At(0, 0), RGB(40, 40, 0));
    EXPECT_EQ(c.At(19, 19), RGB(24 * 8, 24 * 8, 0));

    Canvas d(8, 8);
    RECT rd{0, 0, 8, 8};
    page = Get(3);
    DrawPageBackground(NULL, list, d.dc, 3, &header, &page, &rd);
    EXPECT_EQ(d.Grab().At(3, 3), header.hedr.colour);
}

TEST_F(Drawing, ClientAreaIsTheStoredSizeForEveryStyle)
{
    const struct {
        uint32_t style;
        const char *name;
    } styles[] = {{0, "popup"}, {WS_CAPTION | WS_SYSMENU, "caption"},
                  {WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, "sizing frame"}};
    Page("One");
    for (const auto &s : styles)
        for (uint32_t fixed : {HEDR_FIXEDCLIENT, 0u}) {
            header.hedr.flags = s.style | fixed;
            Clear();
            Open();
            RECT client, outer;
            GetClientRect(show, &client);
            GetWindowRect(show, &outer);
            RECT &measured = fixed ? client : outer;
            EXPECT_EQ(measured.right - measured.left, 320) << s.name << " " << fixed;
            EXPECT_EQ(measured.bottom - measured.top, 240) << s.name << " " << fixed;
            DestroyWindow(show);
        }
}

TEST_F(Drawing, PageColourFollowsTheSelectorAndSoftButtonCornersShowIt)
{
    const COLORREF page = RGB(0, 128, 255);
    BLOCK &p = Page("One", page);
    HGLOBAL soft = Object(p, TAG_BUTN, {20, 20, 120, 50}, (LONG_PTR) "Soft",
                          OBJ_VISIBLE | OBJ_ENABLED | OBJ_SOFTCUSTOM);
    GlobalLocked<OBJECTBUTTON>(soft)->softcolour = RGB(200, 100, 50);
    Object(p, TAG_BUTN, {20, 60, 120, 90}, (LONG_PTR) "System", OBJ_VISIBLE | OBJ_ENABLED | OBJ_LOOP);
    Open();
    EXPECT_EQ((COLORREF)SendMessageA(show, QVM_GETPAGECOLOUR, 0, 0), page);
    InvalidateRect(show, NULL, TRUE);
    UpdateWindow(show);
    sbtest::PumpUntilIdle(30);
    sbtest::Capture c = sbtest::CaptureClient(show);
    for (POINT corner : {POINT{20, 20}, POINT{119, 20}, POINT{20, 49}, POINT{119, 49}, POINT{20, 60},
                         POINT{119, 89}})
        EXPECT_EQ(c.At(corner.x, corner.y), page) << corner.x << "," << corner.y;
    // The faces, between the bands and the caption.
    EXPECT_EQ(c.At(70, 30), RGB(200, 100, 50));
    EXPECT_EQ(c.At(30, 75), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(c.At(5, 5), page);

    // A page that takes the header's colour gets the one the header is
    // filled with, its system colour too, as the background shows it.
    const struct {
        uint32_t selector, headerselector;
        COLORREF expected;
    } selectors[] = {{25, 25, page},
                     {26, 25, header.hedr.colour},
                     {26, COLOR_WINDOW, GetSysColor(COLOR_WINDOW)},
                     {COLOR_WINDOW, 25, GetSysColor(COLOR_WINDOW)}};
    for (const auto &s : selectors) {
        BLOCK h = Get(0), b = Get(1);
        h.hedr.colourselector = s.headerselector;
        b.page.colourselector = s.selector;
        PutBlock(list, 0, &h);
        PutBlock(list, 1, &b);
        EXPECT_EQ((COLORREF)SendMessageA(show, QVM_GETPAGECOLOUR, 0, 0), s.expected)
            << s.selector << " " << s.headerselector;
    }
}

// Each type and style drawn as a picture of itself, by probe pixels: the
// bevels' colours in their order, marks only when checked, the first frame
// of an animation, the applet's tile inside its edge, shadows and
// highlights in their own colours, gradients turned by their angle.
TEST_F(Drawing, EveryTypeAndStyleDrawsItsPicture)
{
    const COLORREF under = RGB(7, 77, 177), face = GetSysColor(COLOR_BTNFACE);
    const COLORREF light3d = GetSysColor(COLOR_3DLIGHT), dark3d = GetSysColor(COLOR_3DDKSHADOW);
    const COLORREF hilite = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    const RECT r{4, 4, 54, 74}; // 50 x 70
    BLOCK &p = Page("One");
    auto frame = [&](uint32_t type, uint32_t thickness, uint32_t angle = 0) {
        HGLOBAL h = Object(p, TAG_FRAM, r);
        GlobalLocked<OBJECTFRAME> f(h);
        f->type = type, f->thickness = thickness, f->angle = angle;
        f->primary = RGB(255, 0, 0), f->secondary = RGB(0, 0, 255), f->interior = RGB(0, 255, 0);
        f->primaryselector = f->secondaryselector = f->interiorselector = 25;
        if (type == 7)
            f->primary = black, f->secondary = white;
        return h;
    };
    auto text = [&](uint32_t flags) {
        HGLOBAL h = Object(p, TAG_TEXT, r, (LONG_PTR) "WM", OBJ_VISIBLE | OBJ_TRANSPARENT | flags);
        GlobalLocked<OBJECTTEXT> t(h);
        strcpy(t->face, "Arial");
        t->size = 40, t->weight = 900, t->colour = RGB(200, 100, 0), t->padding = 0, t->offset = 10;
        return h;
    };
    HGLOBAL soft = Object(p, TAG_BUTN, r, (LONG_PTR) "", OBJ_VISIBLE | OBJ_SOFTCUSTOM);
    GlobalLocked<OBJECTBUTTON>(soft)->softcolour = RGB(200, 100, 50);
    const std::vector<COLORREF> frames = {RGB(250, 0, 0), RGB(0, 250, 0)};
    COLORREF tile22 = CLR_INVALID;
    if (HBITMAP tile = (HBITMAP)LoadImageA(hInst, MAKEINTRESOURCEA(6304), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)) {
        HDC mem = CreateCompatibleDC(NULL);
        HGDIOBJ old = SelectObject(mem, tile);
        tile22 = GetPixel(mem, 2, 2);
        SelectObject(mem, old);
        DeleteDC(mem);
        DeleteObject(tile);
    }
    const COLORREF grey = RGB(192, 192, 192), navy = RGB(0, 0, 128);
    const char items[] = "WWW\0MMM";
    enum { ALL, SOME, NONE };
    struct Probe {
        int x, y;
        COLORREF want;
        int w = 1, h = 1;
        int of = ALL; // how many pixels of the area show `want`
    };
    const struct Row {
        const char *name;
        HGLOBAL object;
        std::vector<Probe> probes;
    } rows[] = {
        {"system button", Object(p, TAG_BUTN, r, (LONG_PTR) "", OBJ_VISIBLE),
         {{4, 4, light3d}, {5, 5, hilite}, {52, 72, shadow}, {53, 73, dark3d}, {29, 39, under}}},
        {"soft system button", Object(p, TAG_BUTN, r, (LONG_PTR) "", OBJ_VISIBLE | OBJ_LOOP),
         {{29, 4, hilite}, {4, 39, hilite}, {29, 39, face}, {8, 10, black, 40, 50, NONE}}},
        // Without a window there is no caption to draw.
        {"soft custom button", soft,
         {{29, 4, RGB(255, 125, 60)}, {29, 39, RGB(200, 100, 50)}, {8, 10, black, 40, 50, NONE}}},
        {"check box", Object(p, TAG_CHEC, r, (LONG_PTR) ""),
         {{6, 6, shadow}, {7, 7, dark3d}, {17, 17, light3d}, {18, 18, hilite}, {8, 8, white, 9, 9}}},
        {"checked box", Object(p, TAG_CHEC, r, (LONG_PTR) "", OBJ_SOFTCUSTOM),
         {{6, 6, shadow}, {18, 18, hilite}, {8, 8, black, 9, 9, SOME}, {8, 8, white, 9, 9, SOME}}},
        {"radio button", Object(p, TAG_RDIO, r, (LONG_PTR) ""), {{10, 10, white, 5, 5}}},
        {"chosen radio button", Object(p, TAG_RDIO, r, (LONG_PTR) "", OBJ_SOFTCUSTOM),
         {{11, 11, black, 3, 3}, {9, 12, white}}},
        {"edit field", Object(p, TAG_EDIT, r, (LONG_PTR) ""), {{4, 4, black, 50, 1}, {53, 40, black}, {5, 5, white, 48, 68}}},
        // Two items, one to a line from the top: ink on those lines, none below.
        {"list", WithData(p, TAG_LIST, r, std::vector<uint8_t>(items, items + sizeof items)),
         {{4, 4, shadow}, {5, 5, hilite}, {52, 72, shadow}, {53, 73, hilite}, {8, 60, under},
          {6, 6, black, 20, 12, SOME}, {6, 22, black, 20, 12, SOME}, {6, 40, black, 20, 30, NONE},
          {52 - GetSystemMetrics(SM_CXHSCROLL) / 2, 22 + GetSystemMetrics(SM_CYVTHUMB) + 2,
           GetSysColor(COLOR_SCROLLBAR)}}},
        {"animation's first frame", WithData(p, TAG_ANIM, r, Animation(frames, 100)),
         {{4, 4, frames[0], 40, 20}, {44, 4, under}}},
        {"applet", Object(p, TAG_APPL, r), {{4, 4, light3d}, {53, 73, dark3d}, {6, 6, tile22}}},
        // Sounds and timers: their 32 x 32 sign at the corner, nothing more.
        {"wave sound", Object(p, TAG_WAVE, r),
         {{4, 4, grey}, {6, 6, black, 28, 1}, {9, 16, navy, 22, 14, SOME}, {36, 4, under}}},
        {"MIDI music", Object(p, TAG_MIDI, r), {{4, 4, grey}, {6, 6, black, 28, 1}, {16, 25, black, 3, 3}, {36, 4, under}}},
        {"timer", Object(p, TAG_TIME, r), {{4, 4, grey}, {6, 6, black, 28, 1}, {20, 20, black}, {20, 10, navy}, {4, 36, under}}},
        {"simple frame", frame(0, 3), {{6, 4, RGB(255, 0, 0), 46, 3}, {4, 6, RGB(255, 0, 0), 3, 66}, {7, 7, RGB(0, 255, 0), 44, 64}}},
        // Primary along the top and left, then secondary along the right and
        // bottom, each line ending short of the other's corner.
        {"bevelled out", frame(1, 3),
         {{4, 4, RGB(255, 0, 0), 49, 1}, {53, 4, RGB(0, 0, 255)}, {4, 73, RGB(255, 0, 0)},
          {5, 73, RGB(0, 0, 255), 49, 1}, {6, 6, RGB(255, 0, 0)}, {51, 71, RGB(0, 0, 255)},
          {7, 7, RGB(0, 255, 0), 44, 64}}},
        {"bevelled in", frame(2, 3),
         {{4, 4, RGB(0, 0, 255), 49, 1}, {53, 4, RGB(255, 0, 0)}, {5, 73, RGB(255, 0, 0), 49, 1},
          {7, 7, RGB(0, 255, 0)}}},
        {"bump", frame(3, 0), {{4, 4, light3d}, {5, 5, dark3d}, {52, 72, light3d}, {53, 73, dark3d}, {29, 39, face}}},
        {"etched", frame(4, 0), {{4, 4, shadow}, {5, 5, hilite}, {52, 72, shadow}, {53, 73, hilite}, {29, 39, face}}},
        {"raised", frame(5, 0), {{4, 4, light3d}, {5, 5, hilite}, {52, 72, shadow}, {53, 73, dark3d}, {29, 39, face}}},
        {"sunken", frame(6, 0), {{4, 4, shadow}, {5, 5, dark3d}, {52, 72, light3d}, {53, 73, hilite}, {29, 39, face}}},
        {"text", text(0),
         {{4, 4, RGB(200, 100, 0), 50, 70, SOME}, {4, 4, RGB(100, 50, 0), 50, 70, NONE},
          {4, 4, RGB(255, 175, 0), 50, 70, NONE}}},
        {"text with its shadow", text(OBJ_REMAP), {{4, 4, RGB(100, 50, 0), 50, 70, SOME}}},
        {"raised text", text(OBJ_LOOP), {{4, 4, RGB(255, 175, 0), 50, 70, SOME}}},
    };
    HGLOBAL turned = frame(7, 0, 90), upright = frame(7, 0, 0);
    Open();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Canvas c(64, 80);
        HBRUSH fill = CreateSolidBrush(under);
        RECT all{0, 0, 64, 80};
        FillRect(c.dc, &all, fill);
        DeleteObject(fill);
        DrawPageObject(NULL, c.dc, GlobalLocked<OBJECTHEADER>(row.object).get());
        sbtest::Capture g = c.Grab();
        for (const Probe &pr : row.probes) {
            int matches = 0;
            for (int y = pr.y; y < pr.y + pr.h; y++)
                for (int x = pr.x; x < pr.x + pr.w; x++)
                    matches += g.At(x, y) == pr.want;
            if (pr.of == SOME)
                EXPECT_GT(matches, 0) << pr.x << "," << pr.y;
            else if (pr.of == NONE)
                EXPECT_EQ(matches, 0) << pr.x << "," << pr.y;
            else
                EXPECT_EQ(matches, pr.w * pr.h) << pr.x << "," << pr.y << " is " << std::hex << g.At(pr.x, pr.y);
        }
    }
    // From dark to light down the frame; turned by a quarter, from right to left.
    for (HGLOBAL h : {upright, turned}) {
        Canvas c(64, 80);
        DrawPageObject(NULL, c.dc, GlobalLocked<OBJECTHEADER>(h).get());
        sbtest::Capture g = c.Grab();
        auto level = [&](int x, int y) { return GetRValue(g.At(x, y)); };
        bool across = h == turned;
        SCOPED_TRACE(across);
        EXPECT_LT(across ? level(52, 39) : level(29, 5), 40);
        EXPECT_GT(across ? level(5, 39) : level(29, 72), 215);
        EXPECT_EQ(across ? level(29, 5) : level(5, 39), across ? level(29, 72) : level(52, 39));
    }
}

// The columns inside `r` where `g` differs from `bare`, as runs of
// neighbouring columns: the first column, the width and the height of the
// rows covered.
struct InkRun {
    int x, w, h;
};
std::vector<InkRun> InkRuns(const sbtest::Capture &g, const sbtest::Capture &bare, RECT r)
{
    std::vector<InkRun> runs;
    int top = 0, bottom = 0;
    bool open = false;
    for (int x = r.left; x < r.right; x++) {
        int t = INT_MAX, b = -1;
        for (int y = r.top; y < r.bottom; y++)
            if (g.At(x, y) != bare.At(x, y))
                t = std::min(t, y), b = std::max(b, y);
        if (b < 0) {
            open = false;
            continue;
        }
        if (!open)
            runs.push_back({x, 0, 0}), top = t, bottom = b, open = true;
        top = std::min(top, t), bottom = std::max(bottom, b);
        runs.back().w++;
        runs.back().h = bottom - top + 1;
    }
    return runs;
}

// A caption far wider than its button, as the editor draws it (in a colour
// of neither its edge nor its face) and as the player shows it: no pixel of
// it (a pixel that the button without a caption does not have) on or
// outside the edge, and its end replaced by an ellipsis: three small dots,
// the last of the face.
TEST_F(Drawing, ACaptionWiderThanItsButtonStaysInsideTheEdgeAndEndsInAnEllipsis)
{
    const COLORREF ink = RGB(255, 0, 0), under = RGB(7, 77, 177);
    const char *caption = "Hello new user and welcome aboard";
    auto expectInside = [](const sbtest::Capture &g, const sbtest::Capture &bare, RECT button, RECT face) {
        int outside = 0;
        for (int y = button.top; y < button.bottom; y++)
            for (int x = button.left; x < button.right; x++)
                outside += g.At(x, y) != bare.At(x, y) && !PtInRect(&face, POINT{x, y});
        EXPECT_EQ(outside, 0);
        std::vector<InkRun> runs = InkRuns(g, bare, face);
        ASSERT_GE(runs.size(), 8u) << "letters and dots";
        for (size_t i = runs.size() - 3; i < runs.size(); i++) {
            EXPECT_LE(runs[i].w, 3) << "dot " << i << " at " << runs[i].x;
            EXPECT_LE(runs[i].h, 3) << "dot " << i << " at " << runs[i].x;
        }
        EXPECT_GT(runs[runs.size() - 4].h, 4) << "a letter before the dots";
    };
    const RECT r{4, 4, 124, 28}; // 120 x 24
    BLOCK &p = Page("One");
    auto soft = [&](const char *text) {
        HGLOBAL h = Object(p, TAG_BUTN, r, (LONG_PTR)text, OBJ_VISIBLE | OBJ_ENABLED | OBJ_SOFTCUSTOM);
        GlobalLocked<OBJECTBUTTON> b(h);
        b->softcolour = RGB(120, 120, 120);
        b->softtextcolour = ink;
        return h;
    };
    // Drawn from the record, as a thumbnail is, inside a window whose title
    // is no button's caption.
    HWND titled = CreateWindowA("STATIC", "Title", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    const struct {
        const char *name;
        HGLOBAL object, bare;
        RECT face;
    } rows[] = {{"system", Object(p, TAG_BUTN, r, (LONG_PTR)caption, OBJ_VISIBLE),
                 Object(p, TAG_BUTN, r, (LONG_PTR) "", OBJ_VISIBLE), {6, 6, 122, 26}},
                {"soft", soft(caption), soft(""), {6, 4, 121, 27}}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        auto draw = [&](HWND window, HGLOBAL object) {
            Canvas c(128, 32);
            HBRUSH fill = CreateSolidBrush(under);
            RECT all{0, 0, 128, 32};
            FillRect(c.dc, &all, fill);
            DeleteObject(fill);
            SetTextColor(c.dc, ink);
            DrawPageObject(window, c.dc, GlobalLocked<OBJECTHEADER>(object).get());
            return c.Grab();
        };
        sbtest::Capture g = draw(titled, row.object), bare = draw(titled, row.bare);
        sbtest::Snapshot(g, (std::string("widecaption_") + row.name).c_str());
        expectInside(g, bare, {0, 0, 128, 32}, row.face);
    }
    DestroyWindow(titled);

    // The player's system look and its soft one in the system colours, the
    // same windows without their captions as what is not caption.
    const RECT below{4, 40, 124, 64};
    BLOCK &q = Page("Two");
    HGLOBAL plain = Object(q, TAG_BUTN, r, (LONG_PTR)caption, OBJ_VISIBLE | OBJ_ENABLED);
    HGLOBAL softsystem = Object(q, TAG_BUTN, below, (LONG_PTR)caption, OBJ_VISIBLE | OBJ_ENABLED | OBJ_LOOP);
    Open(2);
    sbtest::Capture g = sbtest::CaptureClient(show);
    sbtest::Snapshot(g, "widecaption_player");
    for (HGLOBAL h : {plain, softsystem}) {
        SetWindowTextA(Child(Number(h)), "");
        InvalidateRect(Child(Number(h)), NULL, TRUE);
        UpdateWindow(Child(Number(h)));
    }
    sbtest::PumpUntilIdle(30);
    sbtest::Capture bare = sbtest::CaptureClient(show);
    {
        SCOPED_TRACE("player system");
        expectInside(g, bare, r, {6, 6, 122, 26});
    }
    {
        SCOPED_TRACE("player soft system");
        expectInside(g, bare, below, {6, 40, 121, 63});
    }
}

// A caption too big for its button reaches every side of the face and not
// a pixel further, in a page's thumbnail and in the player, in each look:
// the system one clear of its whole 2-pixel edge, the soft ones of their
// side bands.
TEST_F(Drawing, ACaptionTooBigForItsButtonReachesEachSideOfTheFaceAndNoFurther)
{
    const auto &looks = sbtest::bigcaptionlooks;
    auto place = sbtest::BigCaptionPlace;
    for (const auto &size : sbtest::bigcaptions) {
        BLOCK &p = Page(size.name);
        for (int i = 0; i < 3; i++)
            for (bool captioned : {true, false}) {
                HGLOBAL o = Object(p, TAG_BUTN, place(i, size.width, captioned),
                                   (LONG_PTR)(captioned ? size.caption : ""), looks[i].flags);
                GlobalLocked<OBJECTBUTTON> b(o);
                b->softcolour = RGB(120, 120, 120);
                b->softtextcolour = RGB(255, 0, 0);
            }
    }
    // The usual font comes back however the test ends.
    struct KeptFont {
        HFONT usual = controlfont;
        ~KeptFont() { controlfont = usual; }
    } kept;
    for (unsigned n = 0; n < 2; n++) {
        const auto &size = sbtest::bigcaptions[n];
        GdiObject<HFONT> font(sbtest::BigCaptionFont(size));
        controlfont = font;
        Open(n + 1);
        // The thumbnail drawn at the page's own size.
        BLOCK page = pages[n];
        page.thumbnail = NULL;
        ASSERT_EQ(CreatePageThumbnail(show, list, set, &page, n + 1, 320, 240), 1);
        sbtest::Capture thumbnail{320, 240, {}};
        {
            DibLock lock(page.thumbnail);
            ASSERT_TRUE(lock.ok());
            for (int y = 0; y < 240; y++)
                for (int x = 0; x < 320; x++) {
                    const uint8_t *px = lock.Row(y) + x * 3;
                    thumbnail.pixels.push_back(px[2] << 16 | px[1] << 8 | px[0]);
                }
        }
        GlobalFree(page.thumbnail);
        sbtest::Capture player = sbtest::CaptureClient(show);
        sbtest::Snapshot(thumbnail, ("bigcaption_thumbnail_" + std::to_string(n)).c_str());
        sbtest::Snapshot(player, ("bigcaption_player_" + std::to_string(n)).c_str());
        DestroyWindow(show);
        show = nullptr;
        controlfont = kept.usual;
        for (int i = 0; i < 3; i++)
            for (const auto &[where, c] : {std::pair{"thumbnail", &thumbnail}, std::pair{"player", &player}}) {
                SCOPED_TRACE(std::string(size.name) + ", " + looks[i].name + ", " + where);
                RECT face = looks[i].face;
                face.right += size.width;
                sbtest::ExpectCaptionInFace(*c, place(i, size.width, true), place(i, size.width, false), face,
                                            size.reaches);
            }
    }
}

// A soft button pressed moves its relief two pixels down and right over a
// dark band; up, its light band starts at the top edge.
TEST(SoftButtons, PressedMovesTheReliefByTwo)
{
    const COLORREF light = RGB(250, 240, 230), dark = RGB(20, 30, 40), face = RGB(120, 130, 140);
    for (UINT state : {0u, (UINT)ODS_SELECTED}) {
        Canvas c(60, 30);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.itemState = state;
        item.hDC = c.dc;
        item.rcItem = {0, 0, 60, 30};
        QV_DrawSoftButton(NULL, &item, light, dark, face, 0, RGB(1, 2, 3), 1);
        sbtest::Capture g = c.Grab();
        bool pressed = state != 0;
        SCOPED_TRACE(pressed);
        EXPECT_EQ(g.At(30, 0), pressed ? dark : light);
        EXPECT_EQ(g.At(30, 1), pressed ? dark : g.At(30, 1));
        EXPECT_EQ(g.At(30, 2) == light, pressed);
        EXPECT_EQ(g.At(0, 15), pressed ? dark : light);
        EXPECT_EQ(g.At(2, 15) == light, pressed);
        EXPECT_EQ(g.At(30, 15), face);
        EXPECT_EQ(g.At(0, 0), RGB(1, 2, 3));
    }
}

TEST(Colours, DerivativesKeepTheHueAndGradientsStopShortOfTheEnd)
{
    const struct {
        COLORREF in;
        double f;
        COLORREF out;
    } derived[] = {{RGB(200, 100, 50), 1.3, RGB(255, 125, 60)},
                   {RGB(200, 100, 50), 0.45, RGB(90, 45, 22)},
                   {RGB(255, 255, 255), 1.75, RGB(255, 255, 255)},
                   {RGB(10, 20, 30), 1.75, RGB(17, 35, 52)}};
    for (const auto &d : derived)
        EXPECT_EQ(MakeDerivativeColour(d.in, d.f), d.out) << d.f;

    // Exactly the rectangle's lines (or columns), one grey level each, on a
    // canvas of neither end's colour so that a line too many shows.
    const COLORREF canvas = RGB(30, 60, 220);
    for (int type : {GRADIENT_VERTICAL, GRADIENT_HORIZONTAL}) {
        bool down = type == GRADIENT_VERTICAL;
        Canvas band(down ? 8 : 259, down ? 259 : 8);
        HBRUSH brush = CreateSolidBrush(canvas);
        RECT whole{0, 0, band.width, band.height};
        FillRect(band.dc, &whole, brush);
        DeleteObject(brush);
        RECT in = down ? RECT{2, 2, 6, 257} : RECT{2, 2, 257, 6};
        COMMONFillWidthGradient(band.dc, &in, RGB(0, 0, 0), RGB(255, 255, 255), type);
        sbtest::Capture g = band.Grab();
        int wrong = 0;
        for (int y = 0; y < band.height; y++)
            for (int x = 0; x < band.width; x++) {
                POINT p{x, y};
                int level = (down ? y : x) - 2;
                wrong += g.At(x, y) != (PtInRect(&in, p) ? RGB(level, level, level) : canvas);
            }
        EXPECT_EQ(wrong, 0) << type;
    }
    Canvas c(4, 255);
    RECT r{0, 0, 4, 255};
    for (int type : {0, 3})
        COMMONFillWidthGradient(c.dc, &r, RGB(255, 255, 255), RGB(255, 255, 255), type);
    RECT empty{2, 2, 2, 2};
    COMMONFillWidthGradient(c.dc, &empty, RGB(255, 255, 255), RGB(255, 255, 255), GRADIENT_HORIZONTAL);
    EXPECT_EQ(c.Grab().At(2, 2), RGB(0, 0, 0));
    // From white to white every line is white, never wrapped to black.
    COMMONFillWidthGradient(c.dc, &r, RGB(255, 255, 255), RGB(255, 255, 255), GRADIENT_HORIZONTAL);
    EXPECT_EQ(c.Grab().At(3, 100), RGB(255, 255, 255));

    // A pressed bevelled button: a dark band of 2 along the top, its relief
    // moved down; the corners keep what was there.
    const COLORREF face = RGB(100, 100, 100), dark = RGB(10, 10, 10), light = RGB(250, 250, 250);
    for (int pressed : {0, 1}) {
        Canvas b(40, 20);
        RECT br{0, 0, 40, 20};
        COMMONDrawBevelledButtonWithText(b.dc, "", &br, pressed, 0, 6, 6, face, dark, light, 0, 0);
        COMMONDrawBevelledButton(b.dc, NULL, &br, pressed, 0, 6, 6, face, dark, light, 0, 0);
        sbtest::Capture g = b.Grab();
        EXPECT_EQ(g.At(0, 0), RGB(0, 0, 0));
        EXPECT_EQ(g.At(20, 0), pressed ? dark : light);
        EXPECT_EQ(g.At(20, 2) == light, pressed == 1);
    }
    // Disabled, the caption's two copies swap their colours: the upper one is
    // in the shadow colour, the one a pixel down and right in the text colour.
    const COLORREF ink = RGB(200, 20, 20), engraved = RGB(20, 20, 200);
    for (int disabled : {0, 1}) {
        Canvas b(120, 60);
        RECT br{0, 0, 120, 60};
        HFONT font = CreateFontA(40, 0, 0, 0, 900, 0, 0, 0, ANSI_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, "Arial");
        HGDIOBJ old = SelectObject(b.dc, font);
        COMMONDrawBevelledButtonWithText(b.dc, "I", &br, 0, disabled, 6, 6, face, dark, light, ink, engraved);
        SelectObject(b.dc, old);
        DeleteObject(font);
        sbtest::Capture g = b.Grab();
        // The caption's first pixel from the top, and its last from the bottom.
        COLORREF top = CLR_INVALID, bottom = CLR_INVALID;
        for (int y = 8; y < 52 && top == CLR_INVALID; y++)
            for (int x = 10; x < 110 && top == CLR_INVALID; x++)
                if (g.At(x, y) != face)
                    top = g.At(x, y);
        for (int y = 51; y >= 8 && bottom == CLR_INVALID; y--)
            for (int x = 10; x < 110 && bottom == CLR_INVALID; x++)
                if (g.At(x, y) != face)
                    bottom = g.At(x, y);
        EXPECT_EQ(top, disabled ? engraved : ink) << disabled;
        EXPECT_EQ(bottom, disabled ? ink : engraved) << disabled;
    }
    char text[] = "The Quick brown fox, the quick one";
    char word[] = "QUICK", none[] = "slow", nothing[] = "";
    EXPECT_EQ(stristr(text, word), text + 4);
    EXPECT_EQ(stristr(text, none), nullptr);
    EXPECT_EQ(stristr(text, nothing), text);
}

TEST_F(Drawing, TextsAndListItemsStopAtTheDataLength)
{
    BLOCK &p = Page("One");
    HGLOBAL button = Object(p, TAG_BUTN, {0, 0, 80, 20}, (LONG_PTR) "Pressable");
    GlobalLocked<OBJECTHEADER>(button)->datasize = 5;
    // "a", "b", "", "c" gives two items; the data ends inside "c".
    const char items[] = "a\0b\0\0c";
    HGLOBAL h = WithData(p, TAG_LIST, {0, 30, 80, 90}, std::vector<uint8_t>(items, items + sizeof items - 1));
    GlobalLocked<OBJECTLISTBOX>(h)->selected = (uint32_t)-1;
    // The list's sort flag orders its items; without it they keep their order.
    const char fruit[] = "pear\0apple\0fig";
    HGLOBAL kept = WithData(p, TAG_LIST, {90, 30, 170, 90}, std::vector<uint8_t>(fruit, fruit + sizeof fruit));
    HGLOBAL sorted = WithData(p, TAG_LIST, {180, 30, 260, 90}, std::vector<uint8_t>(fruit, fruit + sizeof fruit));
    GlobalLocked<OBJECTHEADER>(sorted)->flags |= OBJ_TRANSPARENT;
    Open();
    for (auto [list, order] : {std::pair{kept, "pear apple fig"}, std::pair{sorted, "apple fig pear"}}) {
        std::string seen;
        HWND box = Child(Number(list));
        for (int i = 0; i < SendMessageA(box, LB_GETCOUNT, 0, 0); i++) {
            char item[16] = "";
            SendMessageA(box, LB_GETTEXT, i, (LPARAM)item);
            seen += (i ? " " : "") + std::string(item);
        }
        EXPECT_EQ(seen, order);
    }
    char text[32];
    GetWindowTextA(Child(Number(button)), text, sizeof text);
    EXPECT_STREQ(text, "Press");
    HWND box = Child(Number(h));
    ASSERT_TRUE(box);
    EXPECT_EQ(SendMessageA(box, LB_GETCOUNT, 0, 0), 2);
    // No selection: empty and 0; a short buffer: what fits, and its count.
    strcpy(text, "junk");
    EXPECT_EQ(SendMessageA(box, WM_GETTEXT, sizeof text, (LPARAM)text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(SendMessageA(box, WM_GETTEXTLENGTH, 0, 0), 0);
    SendMessageA(box, LB_SETCURSEL, 1, 0);
    EXPECT_EQ(SendMessageA(box, WM_GETTEXT, sizeof text, (LPARAM)text), 1);
    EXPECT_STREQ(text, "b");
    EXPECT_EQ(SendMessageA(box, WM_GETTEXT, 1, (LPARAM)text), 0);
    EXPECT_STREQ(text, "");
}

TEST_F(Drawing, OnlyExeFilesThatHoldADocumentMayBeOpened)
{
    docfixture::TempFolder folder;
    Page("One");
    ASSERT_GT(AppendBlock(list, set, &header), 0);
    for (BLOCK &p : pages)
        ASSERT_GT(AppendBlock(list, set, &p), 0);
    std::string saved = folder.File("show.exe");
    ASSERT_EQ(WriteExeFile(list, set, saved.c_str()), 1);
    std::vector<uint8_t> document = docfixture::ReadFileBytes(saved);
    std::vector<uint8_t> appended = document;
    appended.resize(document.size() + 5000, 0x45);
    const struct {
        const char *name;
        std::vector<uint8_t> bytes;
        bool write;
        int expected;
    } files[] = {
        {"notes.txt", {}, false, 1},          {"noextension", {}, false, 1},
        {"missing.exe", {}, false, 0},        {"short.EXE", std::vector<uint8_t>(100, 'E'), true, 0},
        {"trailer.exe", std::vector<uint8_t>(document.end() - 390, document.end()), true, 0},
        {"foreign.exe", docfixture::Noise(20000, 7), true, 0},
        {"show2.Exe", document, true, 1},     {"appended.exe", appended, true, 1},
    };
    for (const auto &f : files) {
        std::string path = folder.File(f.name);
        if (f.write) {
            ASSERT_TRUE(docfixture::WriteFileBytes(path, f.bytes));
        }
        EXPECT_EQ(CanOpenDocument(path.c_str()), f.expected) << f.name;
    }
    EXPECT_EQ(CanOpenDocument(saved.c_str()), 1);

    // Refused: message 1500, and the shell is never asked.
    Open();
    sbtest::ModalRecorder modal(IDOK);
    std::string foreign = folder.File("foreign.exe");
    SendMessageA(show, QVM_OPENDOCUMENT, 0, (LPARAM)foreign.c_str());
    ASSERT_EQ(modal.calls.size(), 1u);
    EXPECT_EQ(modal.calls[0].text, "There has been an error displaying the requested document.");
    modal.Answer(33);
    SendMessageA(show, QVM_OPENDOCUMENT, 0, (LPARAM) "http://example.org/");
    ASSERT_EQ(modal.calls.size(), 2u);
    EXPECT_EQ(modal.calls[1].kind, MODAL_LAUNCH);
    EXPECT_EQ(modal.calls[1].text, "http://example.org/");
}

// Every object type, saved by the writer, read back, and shown.
TEST_F(Drawing, ASavedDocumentOfEveryTypeShowsItsFirstPage)
{
    const COLORREF pagecolour = RGB(40, 80, 120), green = RGB(0, 255, 0), key = RGB(255, 0, 255);
    BLOCK &p = Page("Everything", pagecolour);
    const struct {
        uint32_t tag;
        const char *cls; // null: a static object, drawn on the page
    } types[] = {{TAG_BUTN, "Button"},        {TAG_TEXT, "QV_Text"},  {TAG_CHEC, "Button"},
                 {TAG_RDIO, "Button"},        {TAG_EDIT, "Edit"},     {TAG_LIST, "ListBox"},
                 {TAG_FRAM, nullptr},         {TAG_IMAG, "QV_Image"}, {TAG_ANIM, "QV_Anim"},
                 {TAG_MOVI, "QV_Movie"},      {TAG_WAVE, "QV_Wave"},  {TAG_MIDI, "QV_Midi"},
                 {TAG_TIME, "QV_Timer"},      {TAG_APPL, "QV_Applet"}};
    std::vector<uint32_t> numbers;
    for (const auto &t : types) {
        const bool text = t.tag == TAG_BUTN || t.tag == TAG_TEXT || t.tag == TAG_CHEC || t.tag == TAG_RDIO ||
                          t.tag == TAG_EDIT;
        // The windows that draw nothing yet lie together over the page.
        const bool quiet = strncmp(t.cls ? t.cls : "", "QV_", 3) == 0 && t.tag != TAG_TEXT;
        RECT r = quiet ? RECT{100, 100, 140, 140} : RECT{200, 180, 260, 200};
        numbers.push_back(Number(Object(p, t.tag, r, text ? (LONG_PTR) "x" : 0)));
    }
    HGLOBAL clear = Object(p, TAG_TEXT, {200, 200, 260, 220}, (LONG_PTR) "see-through");
    GlobalLocked<OBJECTHEADER>(clear)->flags |= OBJ_TRANSPARENT;
    const uint32_t clearnumber = Number(clear);
    // A static image whose left half is the transparent key colour.
    HGLOBAL picture = Global(Picture(40, 40, [&](int x, int) { return x < 20 ? key : green; }));
    HGLOBAL stat = Object(p, TAG_STAT, {20, 20, 60, 60}, (LONG_PTR)picture);
    GlobalFree(picture);
    BackImage(p, Picture(10, 10, [](int, int) { return RGB(0, 0, 255); }));
    {
        GlobalLocked<OBJECTSTATICIMAGE> s(stat);
        s->colourtype = 2;
        s->transparencycount = 6; // a PNG's tRNS for a true-colour picture
        const uint8_t trns[6] = {0, 255, 0, 0, 0, 255};
        memcpy(s->transparency, trns, sizeof trns);
    }
    Page("Second");
    ASSERT_GT(AppendBlock(list, set, &header), 0);
    for (BLOCK &b : pages)
        ASSERT_GT(AppendBlock(list, set, &b), 0);
    docfixture::TempFolder folder;
    std::string path = folder.File("every.exe");
    ASSERT_EQ(WriteExeFile(list, set, path.c_str()), 1);
    Clear();
    ASSERT_EQ(LoadExeFile(list, set, path.c_str()), 1);
    Open();

    for (size_t i = 0; i < numbers.size(); i++) {
        HWND child = Child(numbers[i]);
        if (!types[i].cls) {
            EXPECT_FALSE(child) << i;
            continue;
        }
        ASSERT_TRUE(child) << types[i].cls;
        char cls[32];
        GetClassNameA(child, cls, sizeof cls);
        EXPECT_STRCASEEQ(cls, types[i].cls);
        EXPECT_EQ(GetWindowLongA(child, GWL_ID), (LONG)numbers[i]);
        GlobalLocked<OBJECTHEADER> o(GetWindowValue<HGLOBAL>(child, GWLP_USERDATA));
        ASSERT_TRUE(o);
        EXPECT_EQ(o->number, numbers[i]);
    }
    EXPECT_FALSE(Child(clearnumber));
    InvalidateRect(show, NULL, TRUE);
    UpdateWindow(show);
    sbtest::PumpUntilIdle(30);
    sbtest::Capture c = sbtest::CaptureClient(show);
    EXPECT_EQ(c.At(150, 150), pagecolour);
    EXPECT_EQ(c.At(120, 120), pagecolour);
    EXPECT_EQ(c.At(160, 120), RGB(0, 0, 255)); // the background picture, centred
    EXPECT_EQ(c.At(25, 40), pagecolour); // the key colour lets the page through
    EXPECT_EQ(c.At(50, 40), green);
    char title[64];
    GetWindowTextA(show, title, sizeof title);
    EXPECT_STREQ(title, "Show - Everything");
}

} // namespace
} // namespace rttest
