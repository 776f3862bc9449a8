#include "document/compress.h"
#include "tests/document/docwindow.h"

using namespace docfixture;

namespace {

TEST_F(DocumentWindow, BlocksGoInAndComeOutByValueAndAreNumbered)
{
    EXPECT_EQ(set->hwnd, owner);
    BLOCK header;
    ASSERT_EQ(CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0), 1);
    header.sequence = 77;
    EXPECT_EQ(AppendBlock(list, set, &header), 1);
    BLOCK page = NewPage("Intro");
    page.sequence = -5;
    EXPECT_EQ(AppendBlock(list, set, &page), 2);
    EXPECT_EQ(AppendBlock(list, set, &page), 3);
    EXPECT_EQ(AppendBlock(list, nullptr, &page), 0);
    EXPECT_EQ(Count(), 3u);

    BLOCK got = Get(1);
    EXPECT_EQ(memcmp(&got, &page, sizeof page), 0);
    got.page.colour = 0x123456;
    ASSERT_EQ(PutBlock(list, 1, &got), 1);
    EXPECT_EQ(Get(1).page.colour, 0x123456u);
    EXPECT_EQ(GetBlock(list, 3, &got), 0);
    EXPECT_EQ(PutBlock(list, 3, &got), 0);

    EXPECT_EQ(SequenceBlocks(list, nullptr), 0);
    EXPECT_EQ(SequenceBlocks(list, set), 1);
    for (unsigned i = 0; i < 3; i++)
        EXPECT_EQ(Get(i).sequence, (int16_t)i);

    BLOCK h;
    ASSERT_EQ(GetHeaderBlock(list, set, &h), 1);
    EXPECT_EQ(h.tag, TAG_HEDR);
    EXPECT_EQ(CountBlocks(list, set, (unsigned short)(TAG_PAGE & 0xFFFF)), 2);
    EXPECT_EQ(FindNextBlock(list, set, &h, (int)TAG_PAGE, 2), 1);
    EXPECT_EQ(h.sequence, 2);
    EXPECT_EQ(FindNextBlock(list, set, nullptr, (int)TAG_PAGE, 3), 0);
}

TEST_F(DocumentWindow, ItemsWithoutABlockOrAnUnlockableOneAreRefused)
{
    BLOCK page = NewPage("p");
    ASSERT_EQ(AppendBlock(list, set, &page), 1);
    SendMessageA(list, LB_ADDSTRING, 0, (LPARAM) " ");
    BLOCK got;
    EXPECT_EQ(GetBlock(list, 1, &got), 0);
    EXPECT_EQ(PutBlock(list, 1, &page), 0);
    // A handle that cannot be locked must not read as a successful copy.
    HGLOBAL saved = (HGLOBAL)SendMessageA(list, LB_GETITEMDATA, 0, 0);
    HGLOBAL dead = GlobalAlloc(GMEM_MOVEABLE, 16);
    GlobalFree(dead);
    SendMessageA(list, LB_SETITEMDATA, 0, (LPARAM)dead);
    EXPECT_EQ(PutBlock(list, 0, &page), 0);
    EXPECT_EQ(GetBlock(list, 0, &got), 0);
    SendMessageA(list, LB_SETITEMDATA, 0, (LPARAM)saved);
}

TEST_F(DocumentWindow, FreeingClearsTheSetAndOnlyItsOwnList)
{
    HWND undo = GetDlgItem(owner, IDC_UNDOLIST);
    strcpy(set->path, "C:\\show.exe");
    set->modified = 1;
    BLOCK page = NewPage("a");
    AppendPageObject(&page, GlobalAlloc(GMEM_MOVEABLE, 100));
    AppendPageObject(&page, GlobalAlloc(GMEM_MOVEABLE, 200));
    page.thumbnail = GlobalAlloc(GMEM_MOVEABLE, 10);
    PutBlockTitle("a title", &page);
    AppendBlock(list, set, &page);
    BLOCK copy = NewPage("undo");
    AppendBlock(undo, set, &copy);

    FreeUndo(owner, set);
    EXPECT_EQ(SendMessageA(undo, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Count(), 1u);
    EXPECT_STREQ(set->path, "C:\\show.exe");

    FreeBlocks(owner, set);
    EXPECT_EQ(Count(), 0u);
    static const BLOCKSET zero{};
    EXPECT_EQ(memcmp(set, &zero, sizeof zero), 0);
}

TEST_F(DocumentWindow, DestroyBlockHandlesEmptyAndShortObjectArrays)
{
    static const BLOCK zero{};
    BLOCK page = NewPage("none");
    DestroyBlock(&page);
    EXPECT_EQ(memcmp(&page, &zero, sizeof zero), 0);

    // A count larger than the array (a load that stopped half way) frees
    // what the array holds and nothing past it.
    BLOCK header;
    CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0);
    AppendPageObject(&header, GlobalAlloc(GMEM_MOVEABLE, 8));
    AppendPageObject(&header, GlobalAlloc(GMEM_MOVEABLE, 8));
    header.hedr.objectcount = 5;
    DestroyBlock(&header);
    EXPECT_EQ(memcmp(&header, &zero, sizeof zero), 0);
}

TEST(BlockDefaults, EachKindGetsItsRecord)
{
    BLOCK b;
    EXPECT_EQ(CreateBlock(NULL, nullptr, &b, MakeTag("XXXX"), nullptr, 0), 0);
    BLOCKSET set{};
    ASSERT_EQ(CreateBlock(NULL, &set, &b, TAG_HEDR, nullptr, 0), 1);
    EXPECT_EQ(b.blockset, &set);
    EXPECT_EQ(b.recordsize, 2288u);
    EXPECT_EQ(b.hedr.tag, TAG_HEDR);
    EXPECT_EQ(b.hedr.recordsize, 2288u);
    EXPECT_EQ(b.hedr.width, 800);
    EXPECT_EQ(b.hedr.depth, 600);
    EXPECT_EQ(b.hedr.colourselector, 25u);
    EXPECT_EQ(b.hedr.flags, 0x00CA0000u);
    EXPECT_EQ(b.hedr.version, 0x3B020061u);
    EXPECT_STREQ(b.hedr.title, "Untitled");
    EXPECT_NE(b.hedr.author[0], 0);
    EXPECT_GT(b.hedr.created, 1000000000u);

    ASSERT_EQ(CreateBlock(NULL, nullptr, &b, TAG_PAGE, nullptr, 0), 1);
    EXPECT_EQ(b.recordsize, 358u);
    EXPECT_EQ(b.page.colourselector, 26u);
    ASSERT_EQ(CreateBlock(NULL, nullptr, &b, TAG_END, nullptr, 0), 1);
    EXPECT_EQ(b.end.recordsize, 390u);
    EXPECT_EQ(b.end.size, 0u);
}

TEST(BlockTexts, ListTextsAndTitlesAreBounded)
{
    BLOCK b;
    CreateBlock(NULL, nullptr, &b, TAG_PAGE, nullptr, 0);
    strcpy(b.page.title, "Intro");
    EXPECT_STREQ(GetBlockText(&b), "PAGE\xFE Intro");
    // A title that fills its whole field, as a damaged file may hold it.
    memset(b.page.title, 'x', sizeof b.page.title);
    std::string text = GetBlockText(&b);
    EXPECT_EQ(text, "PAGE\xFE " + std::string(294, 'x'));
    char title[TITLESIZE + 1];
    GetBlockTitle(title, &b);
    EXPECT_EQ(strlen(title), 294u);
    EXPECT_EQ(strlen(FetchBlockText(&b)), 294u);

    CreateBlock(NULL, nullptr, &b, TAG_HEDR, nullptr, 0);
    EXPECT_STREQ(GetBlockText(&b), "HEADER");
    EXPECT_STREQ(FetchBlockText(&b), "Untitled");
    BLOCK end;
    CreateBlock(NULL, nullptr, &end, TAG_END, nullptr, 0);
    EXPECT_STREQ(GetBlockText(&end), "HEADER"); // left as the last call made it
    GetBlockTitle(title, &end);
    EXPECT_STREQ(title, "");

    ASSERT_EQ(PutBlockTitle("Chapter one", &b), 1);
    ASSERT_TRUE(b.title);
    EXPECT_STREQ((char *)GlobalLock(b.title), "Chapter one");
    GlobalUnlock(b.title);
    EXPECT_GE(GlobalSize(b.title), strlen("Chapter one") + 16);
    DestroyBlock(&b);
}

TEST(WriteObjectTest, WritesTheWholeBlockOrNothing)
{
    TempFolder folder;
    std::vector<uint8_t> bytes(3000, 0x5A);
    HGLOBAL h = Global(bytes);
    ASSERT_EQ(WriteObject(NULL, folder.File("x.mid").c_str(), h), 1);
    EXPECT_EQ(ReadFileBytes(folder.File("x.mid")), bytes);
    EXPECT_EQ(WriteObject(NULL, folder.File("no\\such\\x.mid").c_str(), h), 0);
    EXPECT_EQ(folder.Files().size(), 1u);
    GlobalFree(h);
}

} // namespace
