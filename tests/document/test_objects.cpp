#include "common/modal.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "document/applet.h"
#include "tests/document/docwindow.h"

using namespace docfixture;

namespace {

struct Objects : DocumentWindow {
    BLOCK page{};
    void SetUp() override
    {
        DocumentWindow::SetUp();
        page = NewPage("p");
    }
    void TearDown() override
    {
        DestroyBlock(&page);
        DocumentWindow::TearDown();
    }
    HGLOBAL Add(uint32_t tag, LONG_PTR data = 0, unsigned position = 0)
    {
        return AddObject(page, tag, data, position);
    }
};

TEST_F(Objects, EveryTypeGetsItsSizeFlagsAndDefaults)
{
    struct Case {
        uint32_t tag;
        uint32_t fixed, flags;
        int width, depth;
    } cases[] = {
        {TAG_BUTN, 116, 6, 88, 24},     {TAG_TEXT, 165, 0x8006, 128, 96}, {TAG_CHEC, 112, 6, 96, 17},
        {TAG_RDIO, 112, 6, 96, 17},     {TAG_EDIT, 112, 6, 128, 24},      {TAG_LIST, 116, 6, 128, 160},
        {TAG_WAVE, 116, 6, 32, 32},     {TAG_MIDI, 116, 6, 32, 32},       {TAG_FRAM, 144, 2, 128, 128},
        {TAG_TIME, 124, 2, 32, 32},     {TAG_APPL, 124, 6, 160, 128},
    };
    for (const Case &c : cases) {
        HGLOBAL h = CreatePageObject(&page, c.tag, MAKELONG(10, 20), 0);
        ASSERT_TRUE(h);
        GlobalLocked<OBJECTHEADER> o(h);
        EXPECT_EQ(o->tag, c.tag);
        EXPECT_EQ(o->fixedsize, c.fixed);
        EXPECT_EQ(o->totalsize, c.fixed);
        EXPECT_EQ(o->datasize, 0u);
        EXPECT_EQ(o->flags, c.flags);
        EXPECT_EQ(o->rect.left, 10);
        EXPECT_EQ(o->rect.top, 20);
        EXPECT_EQ(o->rect.right, 10 + c.width);
        EXPECT_EQ(o->rect.bottom, 20 + c.depth);
        EXPECT_EQ(o->number, 101u);
        EXPECT_GE(GlobalSize(h), c.fixed + 16);
        DestroyPageObject(h);
    }
    EXPECT_EQ(CreatePageObject(&page, TAG_CMBO, 0, 0), (HGLOBAL)NULL);
    EXPECT_EQ(CreatePageObject(&page, TAG_FONT, 0, 0), (HGLOBAL)NULL);
    EXPECT_EQ(CreatePageObject(&page, MakeTag("ZZZZ"), 0, 0), (HGLOBAL)NULL);

    GlobalLocked<OBJECTTEXT> text(Add(TAG_TEXT, (LONG_PTR) "Hello"));
    EXPECT_STREQ(text->face, "ARIAL");
    EXPECT_EQ(text->offset, 1);
    EXPECT_EQ(text->header.datasize, 6u);
    EXPECT_STREQ(ObjectData(&text->header), "Hello");
    EXPECT_EQ(GetNextPageObjectNumber(&page), 102u);
    // The type names are texts of the program; one that has none is unknown.
    EXPECT_STREQ(GetObjectTypeName(TAG_APPL), "TALLIX applet");
    EXPECT_STREQ(GetObjectTypeName(TAG_FONT), "Unknown");
}

TEST_F(Objects, PicturesMoviesAndAnimationsTakeTheirSizeFromTheirData)
{
    std::vector<uint8_t> dib = Dib(40, -30); // top-down pictures have a negative height
    GlobalLocked<OBJECTIMAGE> image(AddData(page, TAG_IMAG, dib, MAKELONG(5, 6)));
    EXPECT_EQ(image->header.rect.right, 45);
    EXPECT_EQ(image->header.rect.bottom, 36);
    EXPECT_EQ(image->appear, 3u);
    EXPECT_EQ(image->speed, 80u);
    EXPECT_EQ(image->wait, 10u);
    EXPECT_EQ(image->clearscreen, 1u);
    ASSERT_EQ(image->header.datasize, dib.size());
    EXPECT_EQ(memcmp(ObjectData(&image->header), dib.data(), dib.size()), 0);
    GlobalLocked<OBJECTMOVIE> movie(AddData(page, TAG_MOVI, dib));
    EXPECT_EQ(movie->header.rect.right, 40);
    EXPECT_EQ(movie->header.flags, 6u);

    std::vector<uint8_t> anim(sizeof(ANIMHEADER) + 60);
    ANIMHEADER head{64, 48, 1, 3, {}};
    memcpy(anim.data(), &head, sizeof head);
    GlobalLocked<OBJECTANIM> an(AddData(page, TAG_ANIM, anim));
    EXPECT_EQ(an->header.rect.right, 64);
    EXPECT_EQ(an->header.rect.bottom, 48);
    EXPECT_EQ(an->frames, 1u);
    EXPECT_EQ(an->repeat, 3u);

    // A handle that cannot be locked leaves nothing behind.
    HGLOBAL gone = GlobalAlloc(GMEM_MOVEABLE | GMEM_DISCARDABLE, 64);
    GlobalDiscard(gone);
    EXPECT_EQ(CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)gone), (HGLOBAL)NULL);
    GlobalFree(gone);
}

TEST_F(Objects, AnAppletMadeWithItsSourceHoldsOneTextEntry)
{
    HGLOBAL h = Add(TAG_APPL, (LONG_PTR) "print 1");
    GlobalLocked<OBJECTAPPLET> a(h);
    EXPECT_EQ(a->entries, 1u);
    EXPECT_EQ(a->stacksize, 8192u);
    EXPECT_EQ(a->header.datasize, 48u + 8);
    EXPECT_EQ(a->header.totalsize, 124u + 48 + 8);
    unsigned long length, kind, number = 99;
    HGLOBAL entry = GetAppletEntry(h, 0, &length, &kind, &number);
    ASSERT_TRUE(entry);
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(kind, ENTRY_TEXT);
    EXPECT_EQ(number, 0u);
    EXPECT_STREQ((char *)GlobalLock(entry), "print 1");
    GlobalUnlock(entry);
    GlobalFree(entry);
}

TEST_F(Objects, NumbersFollowTheHighestOnThePage)
{
    EXPECT_EQ(GetNextPageObjectNumber(&page), 101u);
    BLOCK header;
    CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0);
    EXPECT_EQ(GetNextPageObjectNumber(&header), 0u);
    HGLOBAL a = Add(TAG_BUTN), b = Add(TAG_BUTN);
    GlobalLocked<OBJECTHEADER>(a)->number = 5;
    GlobalLocked<OBJECTHEADER>(b)->number = 7;
    EXPECT_EQ(GetNextPageObjectNumber(&page), 101u);
    GlobalLocked<OBJECTHEADER>(a)->number = 101;
    GlobalLocked<OBJECTHEADER>(b)->number = 250;
    EXPECT_EQ(GetNextPageObjectNumber(&page), 251u);
}

TEST_F(Objects, TheArrayGrowsShrinksAndClosesGaps)
{
    HGLOBAL a = Add(TAG_BUTN), b = Add(TAG_TEXT), c = Add(TAG_EDIT);
    EXPECT_EQ(page.page.objectcount, 3u);
    EXPECT_TRUE(page.page.flags & BLOCK_HASOBJECTS);
    EXPECT_EQ(GetPageObject(&page, 3), (HGLOBAL)NULL);
    EXPECT_EQ(PutPageObject(&page, a, 3), 0);
    EXPECT_EQ(FindPageObject(&page, TAG_EDIT, 103), 2);
    EXPECT_EQ(FindPageObject(&page, TAG_EDIT, 101), -1);

    ASSERT_EQ(DeletePageObject(&page, 0), 1);
    EXPECT_EQ(page.page.objectcount, 2u);
    EXPECT_EQ(GetPageObject(&page, 0), b);
    EXPECT_EQ(GetPageObject(&page, 1), c);
    EXPECT_EQ(DeletePageObject(&page, 2), 0);
    ASSERT_EQ(PutPageObject(&page, c, 0), 1);
    ASSERT_EQ(PutPageObject(&page, b, 1), 1);
    EXPECT_EQ(GetPageObject(&page, 0), c);

    HGLOBAL copy = DuplicatePageObject(c);
    EXPECT_EQ(Bytes(copy), Bytes(c));
    OBJECTTEXT fixed{};
    CopyPageObject(&fixed.header, GlobalLocked<OBJECTHEADER>(b).get());
    EXPECT_EQ(fixed.header.tag, TAG_TEXT);
    EXPECT_STREQ(fixed.face, "ARIAL");
    DestroyPageObject(copy);
    EXPECT_EQ(DestroyPageObject(NULL), 0);

    DeletePageObject(&page, 0);
    DeletePageObject(&page, 0);
    EXPECT_EQ(page.page.objectcount, 0u);
    EXPECT_EQ(page.objects, (HGLOBAL)NULL);
    EXPECT_FALSE(page.page.flags & BLOCK_HASOBJECTS);
    EXPECT_EQ(GetPageObject(&page, 0), (HGLOBAL)NULL);

    // Header blocks count their header objects the same way; other kinds none.
    BLOCK header;
    CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0);
    HGLOBAL h = CreatePageObject(&header, TAG_WAVE, 0, 0);
    ASSERT_EQ(AppendPageObject(&header, h), 1);
    EXPECT_EQ(header.hedr.objectcount, 1u);
    EXPECT_EQ(FindPageObject(&header, TAG_WAVE, 0), 0);
    DestroyBlock(&header);
    BLOCK end;
    CreateBlock(owner, set, &end, TAG_END, nullptr, 0);
    EXPECT_EQ(AppendPageObject(&end, h), 0);
    EXPECT_EQ(GetPageObject(&end, 0), (HGLOBAL)NULL);
}

TEST_F(Objects, AccessorsStayInsideTheData)
{
    GlobalLocked<OBJECTBUTTON> empty(Add(TAG_BUTN));
    EXPECT_STREQ(GetButtonTitleText(empty.get()), "");
    EXPECT_STREQ(GetButtonTargetText(empty.get()), "");
    EXPECT_EQ(GetButtonTitleGraphic(empty.get()), nullptr);
    EXPECT_EQ(GetImageObjectBitmap((OBJECTIMAGE *)empty.get()), (HGLOBAL)NULL);

    GlobalLocked<OBJECTBUTTON> titled(Add(TAG_BUTN, (LONG_PTR) "Go"));
    EXPECT_STREQ(GetButtonTitleText(titled.get()), "Go");
    EXPECT_STREQ(GetButtonTargetText(titled.get()), "");

    // Title, target and picture, as the button editor stores them.
    const char data[] = "Go\0Intro\0PICT";
    HGLOBAL h = CreatePageObject(&page, TAG_BUTN, 0, 0);
    HGLOBAL bigger = GlobalReAlloc(h, 116 + sizeof data + 16, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_TRUE(bigger);
    AppendPageObject(&page, bigger);
    GlobalLocked<OBJECTBUTTON> full(bigger);
    memcpy(ObjectData(&full->header), data, sizeof data);
    full->header.datasize = sizeof data;
    full->titlelength = 3;
    full->targetlength = 6;
    EXPECT_STREQ(GetButtonTargetText(full.get()), "Intro");
    EXPECT_STREQ(GetButtonTitleGraphic(full.get()), "PICT");
    full->targetlength = 600;
    EXPECT_EQ(GetButtonTitleGraphic(full.get()), nullptr);

    GlobalLocked<OBJECTTIMER> timer(Add(TAG_TIME));
    EXPECT_STREQ(GetTimerTargetText(timer.get()), "");

    GlobalLocked<OBJECTWAVE> w(AddData(page, TAG_WAVE, Noise(100, 1)));
    HGLOBAL copy = GetWaveObjectData(w.get());
    EXPECT_EQ(Bytes(copy), Noise(100, 1));
    GlobalFree(copy);

    // A page background picture, as page properties build it.
    HGLOBAL back = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 108 + 50 + 16);
    {
        GlobalLocked<OBJECTHEADER> o(back);
        o->tag = TAG_BAKI;
        o->fixedsize = 108;
        o->datasize = 50;
        o->totalsize = 158;
        memset((char *)o.get() + 108, 7, 50);
    }
    HGLOBAL picture = GetBackImage(back);
    ASSERT_TRUE(picture);
    EXPECT_EQ(GlobalSize(picture), 66u);
    EXPECT_EQ(Bytes(picture, 50), std::vector<uint8_t>(50, 7));
    GlobalFree(picture);
    GlobalFree(back);
}

TEST(RunTimeFields, AreClearedAndSettingsKept)
{
    OBJECTIMAGE image{};
    image.header.tag = TAG_IMAG;
    image.header.fixedsize = sizeof image;
    image.header.background = 0x1234;
    image.header.flags = OBJ_VISIBLE | OBJ_RUNNING | OBJ_DEACTIVATED | OBJ_CONTINUOUS;
    image.wait = 7;
    image.notify = 105;
    image.status = image.picture = image.timer1 = image.timer2 = 9;
    memset(image.runtime, 9, sizeof image.runtime);
    ClearRunTimeFields(&image.header);
    EXPECT_EQ(image.header.background, 0u);
    EXPECT_EQ(image.header.flags, OBJ_VISIBLE | OBJ_CONTINUOUS);
    EXPECT_EQ(image.wait, 7u);
    EXPECT_EQ(image.notify, 105u);
    OBJECTIMAGE zero{};
    EXPECT_EQ(memcmp(&image.status, &zero.status, sizeof image - offsetof(OBJECTIMAGE, status)), 0);

    // A fixed part too short for its type is left alone past the header.
    OBJECTTIMER timer{};
    timer.header.tag = TAG_TIME;
    timer.header.fixedsize = 80;
    timer.timer = 5;
    ClearRunTimeFields(&timer.header);
    EXPECT_EQ(timer.timer, 5u);
}

TEST_F(Objects, NavigationButtonsSitAtTheConfiguredEdgeOrReportAFailure)
{
    EXPECT_EQ(AddOptionalObjects(owner, &page), 0); // no header in the list
    BLOCK header = AddHeader();
    ASSERT_EQ(AddOptionalObjects(owner, &page), 1);
    ASSERT_EQ(page.page.objectcount, 4u);
    const char *titles[] = {"First", "Previous", "Next", "Last"};
    int fx = 2 * GetSystemMetrics(SM_CXFRAME);
    int fy = 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
    for (unsigned i = 0; i < 4; i++) {
        GlobalLocked<OBJECTBUTTON> b(GetPageObject(&page, i));
        EXPECT_STREQ(GetButtonTitleText(b.get()), titles[i]);
        EXPECT_EQ(b->action, i + 1);
        EXPECT_EQ(b->header.number, 101 + i);
        EXPECT_EQ(b->header.rect.left, 800 - fx - 20 - 4 * 88 + (int)i * 88);
        EXPECT_EQ(b->header.rect.top, 600 - fy - 20 - 24);
    }

    // Absolute positions, and no frame allowance for a fixed client size.
    header.hedr.flags |= HEDR_FIXEDCLIENT;
    PutBlock(list, 0, &header);
    BLOCK other = NewPage("q");
    NavigationObjectHorizontal = 20;
    ASSERT_EQ(AddOptionalObjects(owner, &other), 1);
    NavigationObjectHorizontal = 0x8014;
    GlobalLocked<OBJECTHEADER> first(GetPageObject(&other, 0));
    EXPECT_EQ(first->rect.left, 20);
    EXPECT_EQ(first->rect.top, 600 - 20 - 24);
    DestroyBlock(&other);

    AddNavigationObjects = 0;
    BLOCK none = NewPage("r");
    EXPECT_EQ(AddOptionalObjects(owner, &none), 0);
    AddNavigationObjects = 1;
    EXPECT_EQ(none.page.objectcount, 0u);

    // A block that cannot hold objects.
    BLOCK end;
    CreateBlock(owner, set, &end, TAG_END, nullptr, 0);
    sbtest::ModalRecorder rec(IDOK);
    EXPECT_EQ(AddOptionalObjects(owner, &end), 0);
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].text, "There has been an error accessing the requested page object.");
}

TEST_F(Objects, BackgroundColoursFollowTheSelectors)
{
    BLOCK header = AddHeader();
    header.hedr.colour = 0x112233;
    PutBlock(list, 0, &header);
    page.page.colour = 0x445566;
    EXPECT_EQ(GetBlockBackgroundColour(owner, &page), 0x112233u); // 26: the header's
    page.page.colourselector = 25;
    EXPECT_EQ(GetBlockBackgroundColour(owner, &page), 0x445566u);
    page.page.colourselector = COLOR_WINDOW;
    EXPECT_EQ(GetBlockBackgroundColour(owner, &page), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(GetBlockBackgroundColour(owner, &header), 0x112233u);
    header.hedr.colourselector = COLOR_BTNFACE;
    EXPECT_EQ(GetBlockBackgroundColour(owner, &header), GetSysColor(COLOR_BTNFACE));
    page.page.colourselector = 26;
    EXPECT_EQ(GetBlockBackgroundColour(NULL, &page), 0x445566u); // no header to ask
    BLOCK end;
    CreateBlock(owner, set, &end, TAG_END, nullptr, 0);
    EXPECT_EQ(GetBlockBackgroundColour(owner, &end), 0u);
}

TEST_F(Objects, ThePageEditorGetsOneWindowPerObject)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = hInst;
    wc.lpszClassName = "ShowbinderObjectPreview";
    RegisterClassA(&wc);
    HGLOBAL b = Add(TAG_BUTN, (LONG_PTR) "Press", MAKELONG(3, 4));
    GlobalLocked<OBJECTHEADER>(b)->background = 0x55;
    HGLOBAL w = Add(TAG_WAVE);
    EXPECT_EQ(AddPageObject(owner, b), 1);
    EXPECT_EQ(AddPageObject(owner, w), 1);
    EXPECT_EQ(AddPageObject(owner, NULL), 0);
    HWND button = GetDlgItem(owner, 101), wave = GetDlgItem(owner, 102);
    ASSERT_TRUE(button);
    ASSERT_TRUE(wave);
    char text[32];
    GetWindowTextA(button, text, sizeof text);
    EXPECT_STREQ(text, "Press");
    GetWindowTextA(wave, text, sizeof text);
    EXPECT_STREQ(text, "WAVE");
    EXPECT_EQ(GetWindowValue<HGLOBAL>(button, GWLP_USERDATA), b);
    EXPECT_EQ(GlobalLocked<OBJECTHEADER>(b)->background, 0u);
    RECT r;
    GetWindowRect(button, &r);
    EXPECT_EQ(r.right - r.left, 88);
    // A fixed size that would wrap the bound around gives an empty text.
    GlobalLocked<OBJECTHEADER>(b)->fixedsize = 0x80000000;
    GlobalLocked<OBJECTHEADER>(b)->datasize = 0x80000000;
    GlobalLocked<OBJECTHEADER>(b)->number = 299;
    EXPECT_EQ(AddPageObject(owner, b), 1);
    GetWindowTextA(GetDlgItem(owner, 299), text, sizeof text);
    EXPECT_STREQ(text, "");
    // An object of no known type gets no window.
    GlobalLocked<OBJECTHEADER>(w)->tag = TAG_CMBO;
    GlobalLocked<OBJECTHEADER>(w)->number = 300;
    EXPECT_EQ(AddPageObject(owner, w), 1);
    EXPECT_FALSE(GetDlgItem(owner, 300));
    DestroyWindow(button);
    DestroyWindow(wave);
    UnregisterClassA("ShowbinderObjectPreview", hInst);
}

} // namespace
