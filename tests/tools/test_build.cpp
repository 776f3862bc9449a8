// The album builder at its interfaces: the geometry of a placed picture by
// its objects and pixels, the pages and their order, and pictures that
// cannot be used.
#include "tests/tools/wizardfixture.h"
#include "common/modal.h"
#include <cstdio>

using namespace wizardtest;

TEST(WizardGeometry, ScaleFactorsLightnessAndCaptions)
{
    struct { int aw, ad, w, h, preserve, want; } scales[] = {
        {612, 452, 1224, 904, 1, 50}, {612, 452, 800, 400, 1, 76}, {612, 452, 800, 400, 0, 113},
        {612, 452, 0, 400, 1, 0},     {612, 452, 800, -3, 0, 0},   {-10, 452, 800, 400, 1, 0},
    };
    for (const auto &c : scales)
        EXPECT_EQ(WizardGetScaleFactor(c.aw, c.ad, c.w, c.h, c.preserve), c.want) << c.w << "x" << c.h;
    EXPECT_TRUE(WizardTextIsDark(wizardcolorscheme[0].text)); // 128, 128, 128
    EXPECT_FALSE(WizardTextIsDark(wizardcolorscheme[3].text));
    EXPECT_EQ(WizardNavigationBand(), 44);
    EXPECT_STREQ(wizarddimension[14].name, "950 by 1200 portrait");
    char caption[MAX_PATH];
    for (auto [path, want] : {std::pair{"C:\\photos\\Tiger.at.noon.jpg", "Tiger.at.noon"}, {"plain", "plain"},
                              {"D:\\a.b\\Zebra", "Zebra"}}) {
        WizardCaption(path, caption, sizeof caption);
        EXPECT_STREQ(caption, want);
    }
}

// One picture on a picture page: where it lies, how big, how it was cropped.
TEST_F(Frame, PicturesAreFittedCentredAndFramed)
{
    struct Case {
        const char *name;
        int width, height, style, resize, preserve;
        RECT picture;
        int firstred; // red of the placed picture's left column: where the crop began
    } cases[] = {
        {"half.bmp", 1224, 904, 2, 1, 1, {54, 54, 666, 506}, 0},
        {"wide.bmp", 800, 400, 2, 1, 1, {56, 128, 664, 432}, 0},
        {"cover.bmp", 800, 400, 2, 1, 0, {54, 54, 666, 506}, 41}, // 904 wide, its middle 612 kept
        {"small.png", 300, 200, 1, 0, 1, {210, 180, 510, 380}, 0},
        {"large.bmp", 1000, 600, 2, 0, 1, {54, 54, 666, 506}, 49}, // no resizing: the middle is cut out
        {"full.bmp", 1224, 904, 0, 1, 1, {11, 22, 708, 537}, 0},   // 10-pixel margin, under the buttons
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        wizard.dimensions = 2; // 720 by 560
        wizard.coverstyle = 0;
        wizard.insidestyle = c.style;
        wizard.insideresize = c.resize;
        wizard.insidepreserveaspect = c.preserve;
        wizard.insideframesize = 2;
        Pictures({MakePicture(c.name, c.width, c.height)});
        HWND doc = Build();
        ASSERT_EQ(Titles(doc), "H Page 1");
        BLOCK page = Block(doc, 1);
        std::vector<Object> objects = Objects(page);
        ASSERT_EQ(Tags(objects), c.style == 2 ? "FRAm sTAt TEXT BUTN BUTN BUTN BUTN" : "FRAm sTAt BUTN BUTN BUTN BUTN");
        const Object &frame = objects[0], &picture = objects[1];
        EXPECT_TRUE(EqualRect(&picture.rect, &c.picture)) << picture.rect.left << "," << picture.rect.top << ","
                                                          << picture.rect.right << "," << picture.rect.bottom;
        RECT grown = c.picture;
        InflateRect(&grown, 2, 2);
        EXPECT_TRUE(EqualRect(&frame.rect, &grown));
        const OBJECTFRAME &f = frame.As<OBJECTFRAME>();
        EXPECT_EQ(f.type, 2u);
        EXPECT_EQ(f.thickness, 2u);
        EXPECT_EQ(f.primary, wizardcolorscheme[3].primary);
        EXPECT_EQ(f.secondary, wizardcolorscheme[3].secondary);
        EXPECT_EQ(f.interior, wizardcolorscheme[3].background);
        HGLOBAL dib = picture.Picture();
        int w = 0, h = 0;
        GetBitmapDimensions(dib, &w, &h, NULL, NULL);
        EXPECT_EQ(w, c.picture.right - c.picture.left);
        EXPECT_EQ(h, c.picture.bottom - c.picture.top);
        int red = GetRValue(GetDibPixel((BITMAPINFOHEADER *)GlobalLock(dib), 0, h / 2));
        GlobalUnlock(dib);
        GlobalFree(dib);
        EXPECT_NEAR(red, c.firstred, 3);
        SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)doc, 0);
    }
}

TEST_F(Frame, TheAlbumHasItsHeaderCoverPagesTimersAndCaptions)
{
    wizard.colourscheme = 0;
    wizard.dimensions = 8; // 420 by 600
    wizard.coverstyle = 3;
    wizard.covertime = 7;
    wizard.insidestyle = 2;
    wizard.insidetime = 4;
    wizard.insidetextital = 1;
    Pictures({MakePicture("First.png", 80, 60), MakePicture("Second.jpg", 64, 64), MakePicture("Third.bmp", 30, 90)});
    HWND doc = Build();
    EXPECT_EQ(Titles(doc), "H Cover Page 1 Page 2 Page 3");
    BLOCK header = Block(doc, 0);
    EXPECT_EQ(header.hedr.width, 420);
    EXPECT_EQ(header.hedr.depth, 600);
    EXPECT_EQ(header.hedr.colour, wizardcolorscheme[0].background);
    EXPECT_EQ(header.hedr.colourselector, 25u);
    EXPECT_EQ(header.hedr.flags & (HEDR_EMBEDFONTS | HEDR_FIXEDCLIENT), HEDR_EMBEDFONTS | HEDR_FIXEDCLIENT);
    BLOCKSET *set = LockBlockSet(doc);
    EXPECT_EQ(set->modified, 1);
    UnlockBlockSet(doc);

    BLOCK cover = Block(doc, 1);
    std::vector<Object> objects = Objects(cover);
    ASSERT_EQ(Tags(objects), "tIme FRAm sTAt TEXT BUTN BUTN BUTN BUTN");
    EXPECT_EQ(objects[0].As<OBJECTTIMER>().delay, 7u);
    EXPECT_EQ(objects[0].As<OBJECTTIMER>().action, 3u);
    EXPECT_TRUE(objects[0].flags & OBJ_ENABLED);
    EXPECT_EQ(objects[0].rect.top, 600 - 32);
    // Text above the picture: the top band; dark grey text gets its highlight.
    const Object &text = objects[3];
    EXPECT_EQ(text.Text(), "My Photograph Album");
    RECT band = {4, 4, 416, 40};
    EXPECT_TRUE(EqualRect(&text.rect, &band));
    EXPECT_EQ(text.flags & (OBJ_LOOP | OBJ_REMAP | OBJ_TRANSPARENT | OBJ_CENTRED), OBJ_LOOP | OBJ_TRANSPARENT | OBJ_CENTRED);
    EXPECT_EQ(text.As<OBJECTTEXT>().colour, wizardcolorscheme[0].text);
    EXPECT_EQ(text.As<OBJECTTEXT>().offset, 4);
    // The built-in picture on the cover, clear of the buttons.
    EXPECT_GE(objects[2].rect.top, 44 + 10);

    const char *captions[] = {"First", "Second", "Third"};
    for (int i = 0; i < 3; i++) {
        BLOCK page = Block(doc, 2 + i);
        std::vector<Object> o = Objects(page);
        ASSERT_EQ(Tags(o), "tIme FRAm sTAt TEXT BUTN BUTN BUTN BUTN");
        EXPECT_EQ(o[0].As<OBJECTTIMER>().action, i == 2 ? 1u : 3u) << "the last page goes back to the first";
        EXPECT_EQ(o[3].Text(), captions[i]);
        EXPECT_TRUE(o[3].flags & OBJ_ITALIC);
        EXPECT_EQ(o[3].As<OBJECTTEXT>().size, WizardInsideTextSize);
    }
}

TEST_F(Frame, CoverStylesAndAMissingCoverText)
{
    struct { int style; const char *titles, *tags; } cases[] = {
        {0, "H Page 1", "FRAm sTAt TEXT BUTN BUTN BUTN BUTN"},
        {1, "H Cover Page 1", "TEXT BUTN BUTN BUTN BUTN"},
        {2, "H Cover Page 1", "FRAm sTAt BUTN BUTN BUTN BUTN"},
        {4, "H Cover Page 1", "FRAm sTAt TEXT BUTN BUTN BUTN BUTN"},
    };
    std::string picture = MakePicture("one.bmp", 50, 40);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.style);
        wizard.coverstyle = c.style;
        Pictures({picture});
        HWND doc = Build();
        EXPECT_EQ(Titles(doc), c.titles);
        BLOCK first = Block(doc, 1);
        EXPECT_EQ(Tags(Objects(first)), c.tags);
        SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)doc, 0);
    }
    // Text centred on the page, as it measures; and none when its buffer is gone.
    wizard.coverstyle = 1;
    wizard.dimensions = 2;
    HWND doc = Build();
    BLOCK cover = Block(doc, 1);
    std::vector<Object> objects = Objects(cover);
    ASSERT_FALSE(objects.empty());
    const RECT &r = objects[0].rect;
    EXPECT_NEAR((r.left + r.right) / 2, 360, 2);
    EXPECT_NEAR((r.top + r.bottom) / 2, 280, 2);
    EXPECT_GT(r.bottom - r.top, WizardCoverTextSize);
    free(wizard.covertext);
    wizard.covertext = nullptr;
    HWND bare = Build();
    BLOCK empty = Block(bare, 1);
    objects = Objects(empty);
    ASSERT_EQ(Tags(objects), "TEXT BUTN BUTN BUTN BUTN");
    EXPECT_EQ(objects[0].Text(), "");
}

// A BMP that claims 32767 by 16383 pixels and holds none of them.
static std::string HugePicture()
{
    std::string path = Folder() + "huge.bmp";
    BITMAPFILEHEADER f{};
    BITMAPINFOHEADER h{};
    f.bfType = 0x4D42;
    f.bfOffBits = sizeof f + sizeof h;
    f.bfSize = f.bfOffBits + 64;
    h.biSize = sizeof h;
    h.biWidth = 32767;
    h.biHeight = 16383;
    h.biPlanes = 1;
    h.biBitCount = 24;
    FILE *out = fopen(path.c_str(), "wb");
    fwrite(&f, sizeof f, 1, out);
    fwrite(&h, sizeof h, 1, out);
    char pixels[64] = {};
    fwrite(pixels, 1, sizeof pixels, out);
    fclose(out);
    return path;
}

TEST_F(Frame, PicturesThatCannotBeUsedAreNamedAndLeftOut)
{
    std::string good = MakePicture("good.bmp", 40, 30), missing = Folder() + "missing.bmp";
    std::string huge = HugePicture(), thin = MakePicture("thin.bmp", 1, 3000);
    std::string last = MakePicture("last.png", 30, 40);
    Pictures({good, missing, huge, thin, last});
    {
        sbtest::ModalRecorder rec;
        rec.Answer(IDYES); // missing
        rec.Answer(IDYES); // huge
        rec.Answer(IDOK);  // thin: too narrow to shrink to a page
        HWND doc = Build();
        EXPECT_EQ(Titles(doc), "H Cover Page 1 Page 2");
        ASSERT_EQ(rec.calls.size(), 3u);
        EXPECT_EQ(rec.calls[0].text.rfind(missing + "\n\nThere has been an error loading an image", 0), 0u);
        EXPECT_EQ(rec.calls[1].text.rfind(huge + "\n\n", 0), 0u);
        EXPECT_EQ(rec.calls[2].text.rfind(thin + "\n\n", 0), 0u);
        BLOCK page = Block(doc, 3);
        std::vector<Object> o = Objects(page);
        ASSERT_GE(o.size(), 3u);
        EXPECT_EQ(o[2].Text(), "last");
    }
    {
        // No stops the build; what was made stays.
        sbtest::ModalRecorder rec;
        rec.Answer(IDNO);
        HWND doc = Build();
        EXPECT_EQ(Titles(doc), "H Cover Page 1");
        EXPECT_EQ(rec.calls.size(), 1u);
    }
}

TEST_F(Frame, AHundredAndTwentyPagesHoldNoWindowsOrDrawingObjects)
{
    std::string picture = MakePicture("many.jpg", 64, 48);
    Pictures(std::vector<std::string>(120, picture));
    int gdi = sbtest::GdiObjects();
    DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    HWND doc = Build();
    EXPECT_EQ((int)SendMessageA(List(doc), LB_GETCOUNT, 0, 0), 122);
    BLOCK last = Block(doc, 121);
    EXPECT_STREQ(last.page.title, "Page 120");
    EXPECT_LE(sbtest::GdiObjects(), gdi + 16);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user + 16);
}
