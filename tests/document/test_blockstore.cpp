#include "common/services.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

// A document window as the shell makes it: a BLOCKSET in GWL_USERDATA and
// the block list and undo list as children.
struct DocumentWindow : testing::Test {
    HWND owner = nullptr, list = nullptr, undo = nullptr;
    HGLOBAL seth = nullptr;
    void SetUp() override
    {
        owner = sbtest::CreateTestWindow(false);
        list = CreateWindowA("LISTBOX", "", WS_CHILD | LBS_NOTIFY, 0, 0, 100, 100, owner, (HMENU)IDC_BLOCKLIST,
                             hInst, NULL);
        undo = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 1, 1, owner, (HMENU)IDC_UNDOLIST, hInst, NULL);
        seth = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BLOCKSET));
        SetWindowLongA(owner, GWL_USERDATA, (LONG)seth);
    }
    void TearDown() override
    {
        BLOCKSET *set = LockBlockSet(owner);
        FreeBlocks(owner, set);
        FreeUndo(owner, set);
        UnlockBlockSet(owner);
        GlobalFree(seth);
        DestroyWindow(owner);
    }
    BLOCK Page(const char *title)
    {
        BLOCK b;
        CreateBlock(owner, nullptr, &b, TAG_PAGE, nullptr, 0);
        snprintf(b.page.title, sizeof b.page.title, "%s", title);
        return b;
    }
    static HGLOBAL Object(int size)
    {
        return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    }
    static HGLOBAL Array(std::initializer_list<HGLOBAL> objects)
    {
        HGLOBAL a = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, objects.size() * sizeof(HGLOBAL));
        HGLOBAL *p = (HGLOBAL *)GlobalLock(a);
        for (HGLOBAL o : objects)
            *p++ = o;
        GlobalUnlock(a);
        return a;
    }
};

TEST_F(DocumentWindow, AppendGetPutRoundTrip)
{
    BLOCKSET *set = LockBlockSet(owner);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->hwnd, owner);
    BLOCK header;
    ASSERT_EQ(CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0), 1);
    EXPECT_EQ(AppendBlock(list, set, &header), 1);
    BLOCK page = Page("Intro");
    EXPECT_EQ(AppendBlock(list, set, &page), 2);
    EXPECT_EQ(AppendBlock(list, nullptr, &page), 0);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);

    BLOCK got;
    ASSERT_EQ(GetBlock(list, 1, &got), 1);
    EXPECT_EQ(memcmp(&got, &page, sizeof page), 0);
    got.page.colour = 0x123456;
    ASSERT_EQ(PutBlock(list, 1, &got), 1);
    BLOCK again;
    ASSERT_EQ(GetBlock(list, 1, &again), 1);
    EXPECT_EQ(again.page.colour, 0x123456u);
    EXPECT_EQ(GetBlock(list, 2, &again), 0);
    EXPECT_EQ(PutBlock(list, 2, &again), 0);

    BLOCK h;
    ASSERT_EQ(GetHeaderBlock(list, set, &h), 1);
    EXPECT_EQ(h.tag, TAG_HEDR);
    EXPECT_EQ(CountBlocks(list, set, (unsigned short)(TAG_PAGE & 0xFFFF)), 1);
    EXPECT_EQ(FindNextBlock(list, set, &h, (int)TAG_PAGE, 0), 1);
    EXPECT_EQ(h.sequence, 0);
    EXPECT_EQ(FindNextBlock(list, set, nullptr, (int)TAG_PAGE, 2), 0);
    UnlockBlockSet(owner);
}

TEST_F(DocumentWindow, ItemsWithoutABlockOrAnUnlockableOneAreRefused)
{
    BLOCKSET *set = LockBlockSet(owner);
    BLOCK page = Page("p");
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
    UnlockBlockSet(owner);
}

TEST_F(DocumentWindow, SequenceNumbersFollowTheList)
{
    BLOCKSET *set = LockBlockSet(owner);
    BLOCK header;
    CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0);
    header.sequence = 77;
    AppendBlock(list, set, &header);
    for (int i = 0; i < 4; i++) {
        BLOCK p = Page("x");
        p.sequence = -5;
        AppendBlock(list, set, &p);
    }
    EXPECT_EQ(SequenceBlocks(list, nullptr), 0);
    EXPECT_EQ(SequenceBlocks(list, set), 1);
    for (int i = 0; i < 5; i++) {
        BLOCK b;
        ASSERT_EQ(GetBlock(list, i, &b), 1);
        EXPECT_EQ(b.sequence, i);
    }
    UnlockBlockSet(owner);
}

TEST_F(DocumentWindow, FreeingClearsTheSetAndOnlyItsOwnList)
{
    BLOCKSET *set = LockBlockSet(owner);
    strcpy(set->path, "C:\\show.exe");
    set->modified = 1;
    BLOCK page = Page("a");
    page.page.objectcount = 2;
    page.page.flags |= BLOCK_HASOBJECTS;
    page.objects = Array({Object(100), Object(200)});
    page.thumbnail = Object(10);
    PutBlockTitle("a title", &page);
    AppendBlock(list, set, &page);
    BLOCK copy = Page("undo");
    AppendBlock(undo, set, &copy);

    FreeUndo(owner, set);
    EXPECT_EQ(SendMessageA(undo, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
    EXPECT_STREQ(set->path, "C:\\show.exe");

    FreeBlocks(owner, set);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
    static const BLOCKSET zero{};
    EXPECT_EQ(memcmp(set, &zero, sizeof zero), 0);
    UnlockBlockSet(owner);
}

TEST_F(DocumentWindow, DestroyBlockHandlesEmptyAndShortObjectArrays)
{
    BLOCK page = Page("none");
    page.page.objectcount = 0;
    DestroyBlock(&page);
    static const BLOCK zero{};
    EXPECT_EQ(memcmp(&page, &zero, sizeof zero), 0);

    // A count larger than the array (a load that stopped half way) frees
    // what the array holds and nothing past it.
    BLOCK header;
    CreateBlock(owner, nullptr, &header, TAG_HEDR, nullptr, 0);
    header.hedr.objectcount = 5;
    header.objects = Array({Object(8), Object(8)});
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

} // namespace

#include "document/compress.h"

namespace {

TEST(WriteObjectTest, WritesTheWholeBlockOrNothing)
{
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    GetTempFileNameA(dir, "SBT", 0, path);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 3000);
    memset(GlobalLock(h), 0x5A, 3000);
    GlobalUnlock(h);
    ASSERT_EQ(WriteObject(NULL, path, h), 1);
    WIN32_FILE_ATTRIBUTE_DATA info;
    ASSERT_TRUE(GetFileAttributesExA(path, GetFileExInfoStandard, &info));
    EXPECT_EQ(info.nFileSizeLow, GlobalSize(h));
    DeleteFileA(path);
    char bad[MAX_PATH];
    snprintf(bad, sizeof bad, "%s\\no-such-folder\\x.mid", dir);
    EXPECT_EQ(WriteObject(NULL, bad, h), 0);
    GlobalFree(h);
}

} // namespace
