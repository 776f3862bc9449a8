// Pages leaving the screen: object drawing by pixels, the printed page in a
// memory DC standing in for the printer, and thumbnails.
#include "common/shell.h"
#include "runtime/objdraw.h"
#include "runtime/thumbs.h"
#include "surface.h"
#include "tests/document/docwindow.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

using namespace sbtest;

namespace {

// An object record of `tag` over `rect` with `data` behind its fixed part.
std::vector<uint8_t> Object(uint32_t tag, RECT rect, uint32_t flags, const std::string &data = "")
{
    uint32_t fixed = ObjectFixedSize(tag);
    std::vector<uint8_t> o(fixed + data.size() + OBJECTSLACK);
    auto *h = (OBJECTHEADER *)o.data();
    h->tag = tag;
    h->fixedsize = fixed;
    h->datasize = (uint32_t)data.size();
    h->totalsize = fixed + h->datasize;
    h->flags = flags;
    h->rect = rect;
    memcpy(o.data() + fixed, data.data(), data.size());
    return o;
}

std::string DibBytes(HGLOBAL dib)
{
    DibLock lock(dib);
    return std::string((const char *)lock.header, lock.layout.total);
}

TEST(ObjectDrawing, TypesPaintTheirRectangles)
{
    HGLOBAL picture = PatternDib(20, 10, 2);
    const RECT r{4, 6, 34, 26};
    auto text = Object(TAG_TEXT, r, 0, "x");
    ((OBJECTTEXT *)text.data())->backcolour = RGB(10, 200, 30);
    ((OBJECTTEXT *)text.data())->size = 1;
    auto clear = Object(TAG_TEXT, r, OBJ_TRANSPARENT, "");
    auto frame = Object(TAG_FRAM, r, 0);
    auto *f = (OBJECTFRAME *)frame.data();
    f->type = 0, f->thickness = 2, f->primary = RGB(255, 0, 0), f->interior = RGB(0, 0, 255);
    f->primaryselector = f->interiorselector = 25;
    auto gradient = Object(TAG_FRAM, r, 0);
    auto *g = (OBJECTFRAME *)gradient.data();
    g->type = 7, g->primary = RGB(0, 0, 0), g->secondary = RGB(255, 255, 255), g->thickness = 3;
    auto hollow = gradient;
    ((OBJECTHEADER *)hollow.data())->flags = OBJ_TRANSPARENT;
    auto image = Object(TAG_IMAG, r, 0, DibBytes(picture));
    // A picture claiming more rows than the data holds is not drawn.
    auto damaged = image;
    ((BITMAPINFOHEADER *)(damaged.data() + ObjectFixedSize(TAG_IMAG)))->biHeight = 400;

    struct Probe {
        int x, y;
        uint32_t want; // 0xFFFFFFFF: the surface's own pattern
    };
    const uint32_t SAME = 0xFFFFFFFF;
    struct Row {
        const char *name;
        std::vector<uint8_t> *object;
        std::vector<Probe> probes;
    } rows[] = {
        {"opaque text fills", &text, {{5, 7, 0x0AC81E}, {33, 25, 0x0AC81E}, {3, 7, SAME}, {34, 26, SAME}}},
        {"transparent text", &clear, {{5, 7, SAME}, {20, 20, SAME}}},
        {"simple frame", &frame, {{4, 6, 0xFF0000}, {5, 20, 0xFF0000}, {20, 16, 0x0000FF}, {34, 16, SAME}}},
        {"gradient from dark to light", &gradient, {{20, 6, SAME - 1}, {20, 25, SAME - 2}, {3, 16, SAME}}},
        {"transparent gradient keeps its inside", &hollow, {{20, 16, SAME}, {20, 6, SAME - 1}, {20, 25, SAME - 2}}},
        {"image at its corner", &image, {{4, 6, PatternPixel(0, 0, 2)}, {23, 15, PatternPixel(19, 9, 2)}, {24, 6, SAME}}},
        {"damaged image", &damaged, {{4, 6, SAME}, {10, 10, SAME}}},
    };
    for (Row &row : rows) {
        SCOPED_TRACE(row.name);
        Surface s(40, 32, 5);
        DrawPageObject(NULL, s.dc, (OBJECTHEADER *)row.object->data());
        Capture c = s.Read();
        for (const Probe &p : row.probes) {
            uint32_t got = c.pixels[(size_t)p.y * 40 + p.x] & 0xFFFFFF;
            if (p.want == SAME)
                EXPECT_EQ(got, PatternPixel(p.x, p.y, 5)) << p.x << ", " << p.y;
            else if (p.want == SAME - 1) // dark band
                EXPECT_LT((got & 0xFF) + (got >> 8 & 0xFF) + (got >> 16), 3u * 40) << p.x << ", " << p.y;
            else if (p.want == SAME - 2) // light band
                EXPECT_GT((got & 0xFF) + (got >> 8 & 0xFF) + (got >> 16), 3u * 200) << p.x << ", " << p.y;
            else
                EXPECT_EQ(got, p.want) << p.x << ", " << p.y;
        }
    }
    GlobalFree(picture);
}

TEST(ObjectDrawing, EraseFillsByType)
{
    struct Row {
        uint32_t tag, flags;
        int result;
        COLORREF colour;
    } rows[] = {{TAG_EDIT, 0, 1, RGB(255, 255, 255)}, {TAG_LIST, 0, 1, RGB(255, 255, 255)},
                {TAG_BUTN, 0, 1, GetSysColor(COLOR_BTNFACE)}, {TAG_TEXT, 0, 1, RGB(1, 2, 3)},
                {TAG_TEXT, OBJ_TRANSPARENT, 0, 0}, {TAG_FRAM, 0, 0, 0}};
    for (const Row &r : rows) {
        Surface s(20, 20, 5);
        auto o = Object(r.tag, RECT{2, 2, 12, 12}, r.flags);
        if (r.tag == TAG_TEXT)
            ((OBJECTTEXT *)o.data())->backcolour = RGB(1, 2, 3);
        EXPECT_EQ(ErasePageObjectBackground(NULL, s.dc, (OBJECTHEADER *)o.data()), r.result);
        COLORREF got = GetPixel(s.dc, 5, 5);
        if (r.result)
            EXPECT_EQ(got, r.colour);
        else
            EXPECT_EQ(got, RGB(PatternPixel(5, 5, 5) >> 16, PatternPixel(5, 5, 5) >> 8 & 0xFF,
                               PatternPixel(5, 5, 5) & 0xFF));
    }
}

TEST(ObjectDrawing, RotatePointTruncatesTowardZero)
{
    struct Row {
        POINT p, c;
        int degrees;
        POINT want;
    } rows[] = {{{10, 0}, {0, 0}, 90, {0, 9}}, {{10, 0}, {0, 0}, 0, {10, 0}}, {{15, 5}, {5, 5}, 180, {-4, 5}},
                {{0, 10}, {0, 0}, -90, {9, 0}}};
    for (const Row &r : rows) {
        POINT p = r.p;
        RotatePoint(&p, &r.c, r.degrees);
        EXPECT_EQ(p.x, r.want.x);
        EXPECT_EQ(p.y, r.want.y);
    }
}

TEST(Printing, PlacementAndThumbnailScale)
{
    struct Row {
        int pw, ph, w, h;
        bool ok;
        PRINTPLACEMENT want;
    } rows[] = {
        {4800, 6400, 400, 300, true, {1200, 0, 1400, 4800, 3600}},
        {4800, 6400, 300, 400, true, {1600, 0, 0, 4800, 6400}},
        {1000, 1000, 300, 100, true, {333, 0, 333, 999, 333}},
        {4800, 6400, 0, 300, false, {}},
        {0, 6400, 400, 300, false, {}},
    };
    for (const Row &r : rows) {
        PRINTPLACEMENT got{};
        ASSERT_EQ(PlacePrintout(r.pw, r.ph, r.w, r.h, &got), r.ok);
        if (r.ok) {
            EXPECT_EQ(got.scale, r.want.scale);
            EXPECT_EQ(got.x, r.want.x);
            EXPECT_EQ(got.y, r.want.y);
            EXPECT_EQ(got.width, r.want.width);
            EXPECT_EQ(got.height, r.want.height);
        }
    }
    EXPECT_EQ(ThumbnailScale(640, 480), 33);
    EXPECT_EQ(ThumbnailScale(320, 160), 100);
    EXPECT_EQ(ThumbnailScale(0, 480), 0);
    EXPECT_EQ(ThumbnailScale(640, 0), 0);
}

// A printer that is a memory DC of 800 x 1000 pixels.
struct FakePrinter {
    static inline std::string name = "Office printer";
    static inline int copies = 1, failendpage = 0, cancel = 0;
    static inline std::vector<std::string> calls;
    static inline char devicename[CCHDEVICENAME + 1];
    static inline short orientation;
    static inline HBITMAP page;

    static bool Default(char *out, size_t size)
    {
        if (name.empty())
            return false;
        snprintf(out, size, "%s", name.c_str());
        return true;
    }
    static int Dialog(HWND, HGLOBAL *devmode, HDC *dc, int *n)
    {
        auto *dm = (DEVMODEA *)GlobalLock(*devmode);
        memcpy(devicename, dm->dmDeviceName, CCHDEVICENAME);
        orientation = dm->dmOrientation;
        GlobalUnlock(*devmode);
        calls.push_back("dialog");
        if (cancel)
            return 0;
        HDC screen = GetDC(NULL);
        *dc = CreateCompatibleDC(screen);
        page = CreateCompatibleBitmap(screen, 800, 1000);
        ReleaseDC(NULL, screen);
        SelectObject(*dc, page);
        PatBlt(*dc, 0, 0, 800, 1000, WHITENESS);
        *n = copies;
        return 1;
    }
    static void Size(HDC, int *w, int *h) { *w = 800, *h = 1000; }
    static int WINAPI StartDocument(HDC, const DOCINFOA *info)
    {
        calls.push_back(std::string("startdoc ") + info->lpszDocName);
        return 1;
    }
    static int WINAPI Start(HDC)
    {
        calls.push_back("startpage");
        return 1;
    }
    static int WINAPI End(HDC)
    {
        calls.push_back("endpage");
        return failendpage ? -1 : 1;
    }
    static int WINAPI EndDocument(HDC)
    {
        calls.push_back("enddoc");
        return 1;
    }
    static int WINAPI Abort(HDC)
    {
        calls.push_back("abortdoc");
        return 1;
    }
    static void Release(HDC dc) { DeleteDC(dc); }
};

const PRINTERPROVIDER fakeprinter{FakePrinter::Default, FakePrinter::Dialog,    FakePrinter::Size,
                                  FakePrinter::StartDocument, FakePrinter::Start, FakePrinter::End,
                                  FakePrinter::EndDocument, FakePrinter::Abort, FakePrinter::Release,
                                  nullptr, nullptr};

struct PrintWindow : testing::Test {
    HWND window = NULL;
    void SetUp() override
    {
        FakePrinter::name = "Office printer";
        FakePrinter::copies = 1;
        FakePrinter::failendpage = FakePrinter::cancel = 0;
        FakePrinter::calls.clear();
        FakePrinter::page = NULL;
        window = CreateTestWindow(true, 400, 300, nullptr, "Show");
        RECT client, outer;
        GetClientRect(window, &client);
        GetWindowRect(window, &outer);
        SetWindowPos(window, NULL, 0, 0, outer.right - outer.left + 400 - client.right,
                     outer.bottom - outer.top + 300 - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(window, &client);
        ASSERT_EQ(client.right, 400);
        ASSERT_EQ(client.bottom, 300);
        PumpUntilIdle();
        // The left half red, the right half blue.
        HDC dc = GetDC(window);
        RECT left{0, 0, 200, 300}, right{200, 0, 400, 300};
        FillRect(dc, &left, (HBRUSH)GetStockObject(BLACK_BRUSH));
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        FillRect(dc, &right, blue);
        DeleteObject(blue);
        ReleaseDC(window, dc);
    }
    void TearDown() override
    {
        DestroyWindow(window);
        if (FakePrinter::page)
            DeleteObject(FakePrinter::page);
    }
};

TEST_F(PrintWindow, PrintsEachCopyScaledToThePage)
{
    FakePrinter::copies = 2;
    EXPECT_EQ(QV_DoPrintScreen(window, 0, fakeprinter), 1);
    std::vector<std::string> job{"startdoc Show", "startpage", "endpage", "enddoc"};
    std::vector<std::string> want{"dialog"};
    want.insert(want.end(), job.begin(), job.end());
    want.insert(want.end(), job.begin(), job.end());
    EXPECT_EQ(FakePrinter::calls, want);
    EXPECT_STREQ(FakePrinter::devicename, "Office printer");
    EXPECT_EQ(FakePrinter::orientation, DMORIENT_LANDSCAPE);
    // 200 percent: 800 x 600 at (0, 200).
    Capture c = ReadBitmap(FakePrinter::page, 800, 1000);
    struct Probe {
        int x, y;
        uint32_t want;
    } probes[] = {{10, 190, 0xFFFFFF}, {10, 210, 0x000000}, {390, 790, 0x000000},
                  {410, 790, 0x0000FF}, {790, 210, 0x0000FF}, {790, 810, 0xFFFFFF}};
    for (const Probe &p : probes)
        EXPECT_EQ(c.pixels[(size_t)p.y * 800 + p.x] & 0xFFFFFF, p.want) << p.x << ", " << p.y;
}

TEST_F(PrintWindow, FailuresEndTheJobAndAreReported)
{
    FakePrinter::failendpage = 1;
    FakePrinter::copies = 3;
    EXPECT_EQ(QV_DoPrintScreen(window, 0, fakeprinter), 1);
    EXPECT_EQ(FakePrinter::calls,
              (std::vector<std::string>{"dialog", "startdoc Show", "startpage", "endpage", "abortdoc"}));

    FakePrinter::calls.clear();
    FakePrinter::failendpage = 0;
    FakePrinter::cancel = 1;
    EXPECT_EQ(QV_DoPrintScreen(window, 0, fakeprinter), 1);
    EXPECT_EQ(FakePrinter::calls, (std::vector<std::string>{"dialog"}));

    // A printer name longer than the settings' field is cut to fit it.
    FakePrinter::calls.clear();
    FakePrinter::name = std::string(100, 'P');
    EXPECT_EQ(QV_DoPrintScreen(window, 0, fakeprinter), 1);
    EXPECT_EQ(std::string(FakePrinter::devicename), std::string(CCHDEVICENAME - 1, 'P'));

    FakePrinter::calls.clear();
    FakePrinter::name.clear();
    ModalRecorder modal(IDOK);
    EXPECT_EQ(QV_DoPrintScreen(window, 0, fakeprinter), 0);
    ASSERT_EQ(modal.calls.size(), 1u);
    EXPECT_NE(modal.calls[0].text.find("no printer"), std::string::npos);
    EXPECT_TRUE(FakePrinter::calls.empty());
}

struct Thumbnails : testing::Test, docfixture::Doc {
    int savedhighres = HighResDocumentWindow;
    void TearDown() override { HighResDocumentWindow = savedhighres; }
};

TEST_F(Thumbnails, PageDrawnWithItsObjectsAndScaledWhenSmall)
{
    BLOCK header = AddHeader();
    header.hedr.width = 640;
    header.hedr.depth = 480;
    ASSERT_EQ(PutBlock(list, 0, &header), 1);
    BLOCK page = NewPage("One");
    page.page.colour = RGB(0, 128, 0);
    page.page.colourselector = 25;
    HGLOBAL picture = PatternDib(40, 30, 2);
    docfixture::AddObject(page, TAG_IMAG, (LONG_PTR)picture, MAKELONG(10, 20));
    GlobalFree(picture);
    for (int highres : {1, 0}) {
        HighResDocumentWindow = highres;
        ASSERT_EQ(CreateViewImage(owner, list, set, &page, 1), 1);
        DibLock thumb(page.thumbnail);
        ASSERT_TRUE(thumb.ok());
        if (highres) {
            EXPECT_EQ(thumb.layout.width, 640);
            EXPECT_EQ(thumb.layout.height, 480);
            EXPECT_EQ(GetDibPixel(thumb.header, 5, 5), (unsigned long)RGB(0, 128, 0));
            uint32_t p = PatternPixel(0, 0, 2);
            EXPECT_EQ(GetDibPixel(thumb.header, 10, 20), (unsigned long)RGB(p >> 16, p >> 8 & 0xFF, p & 0xFF));
        } else {
            EXPECT_EQ(thumb.layout.width, 640 * 33 / 100);
            EXPECT_EQ(thumb.layout.height, 480 * 33 / 100);
        }
    }
    // A header without a size keeps the old thumbnail.
    HGLOBAL old = page.thumbnail;
    header.hedr.width = 0;
    ASSERT_EQ(PutBlock(list, 0, &header), 1);
    EXPECT_EQ(CreateViewImage(owner, list, set, &page, 1), 0);
    EXPECT_EQ(page.thumbnail, old);
    DestroyBlock(&page);
}

} // namespace
