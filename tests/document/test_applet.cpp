#include "document/applet.h"
#include "tests/document/docwindow.h"

using namespace docfixture;

namespace {

// An applet object with entries of the given lengths, numbered from 1, every
// data byte its entry's number.
HGLOBAL AppletWith(std::initializer_list<unsigned long> lengths, uint32_t kind = ENTRY_PICT)
{
    BLOCK page;
    CreateBlock(NULL, nullptr, &page, TAG_PAGE, nullptr, 0);
    HGLOBAL h = CreatePageObject(&page, TAG_APPL, 0, 0);
    unsigned long number = 1;
    for (unsigned long n : lengths) {
        std::vector<char> data(n, (char)number);
        HGLOBAL next = AppendAppletEntry(h, data.data(), n, kind, number++);
        GlobalFree(h);
        h = next;
        if (!h)
            break;
    }
    return h;
}

std::vector<uint8_t> EntryData(HGLOBAL h, unsigned long index)
{
    unsigned long length = 0;
    HGLOBAL e = GetAppletEntry(h, index, &length, nullptr, nullptr);
    std::vector<uint8_t> v = e ? Bytes(e, length) : std::vector<uint8_t>{};
    if (e)
        GlobalFree(e);
    return v;
}

TEST(AppletEntries, AppendFindGetAndDelete)
{
    HGLOBAL h = AppletWith({10, 0, 300});
    ASSERT_TRUE(h);
    {
        GlobalLocked<OBJECTAPPLET> a(h);
        EXPECT_EQ(a->entries, 3u);
        EXPECT_EQ(a->header.datasize, 3 * 48u + 310);
        EXPECT_EQ(a->header.totalsize, 124 + 3 * 48u + 310);
        EXPECT_GE(GlobalSize(h), a->header.totalsize + 16);
        // The second entry's head stands right after the first entry's data.
        const OBJECTAPPLETENTRY *second = (const OBJECTAPPLETENTRY *)((char *)a.get() + 124 + 48 + 10);
        EXPECT_EQ(second->number, 2u);
        EXPECT_EQ(second->kind, ENTRY_PICT);
    }
    EXPECT_EQ(FindAppletEntry(h, 3, ENTRY_PICT), 2);
    EXPECT_EQ(FindAppletEntry(h, 1, ENTRY_PICT), 0);
    EXPECT_EQ(FindAppletEntry(h, 1, ENTRY_WAVE), -1);
    EXPECT_EQ(FindAppletEntry(h, 9, ENTRY_PICT), -1);
    EXPECT_EQ(EntryData(h, 2), std::vector<uint8_t>(300, 3));
    EXPECT_EQ(GetAppletEntry(h, 3, nullptr, nullptr, nullptr), (HGLOBAL)NULL);

    unsigned long length, kind, number;
    HGLOBAL both = GetAppletEntryAndHeader(h, 0, &length, &kind, &number);
    ASSERT_TRUE(both);
    OBJECTAPPLETENTRY head;
    ASSERT_EQ(GetObjectAppletEntryHeader(&head, both), 1);
    EXPECT_EQ(head.length, 10u);
    EXPECT_EQ(head.number, 1u);
    HGLOBAL data = GetAppletEntryData(both);
    EXPECT_EQ(Bytes(data), std::vector<uint8_t>(10, 1));
    head.number = 44;
    HGLOBAL again = InsertObjectAppletEntryHeader(data, &head);
    OBJECTAPPLETENTRY head2;
    GetObjectAppletEntryHeader(&head2, again);
    EXPECT_EQ(head2.number, 44u);
    EXPECT_EQ(head2.length, 10u);
    GlobalFree(again);
    GlobalFree(data);
    GlobalFree(both);

    OBJECTAPPLETENTRY found{};
    HGLOBAL third = FindNumberedAppletObject(&found, h, 3, ENTRY_PICT);
    ASSERT_TRUE(third);
    EXPECT_EQ(found.length, 300u);
    GlobalFree(third);
    EXPECT_EQ(FindNumberedAppletObject(&found, h, 3, ENTRY_MIDI), (HGLOBAL)NULL);

    HGLOBAL less = DeleteAppletEntry(h, 1);
    ASSERT_TRUE(less);
    EXPECT_EQ(FindAppletEntry(less, 3, ENTRY_PICT), 1);
    EXPECT_EQ(EntryData(less, 1), std::vector<uint8_t>(300, 3));
    EXPECT_EQ(DeleteAppletEntry(less, 2), (HGLOBAL)NULL);
    GlobalFree(less);
    GlobalFree(h);
}

TEST(AppletEntries, DeletingTheOnlyEntryLeavesNoData)
{
    HGLOBAL h = AppletWith({5});
    HGLOBAL none = DeleteAppletEntry(h, 0);
    ASSERT_TRUE(none);
    GlobalLocked<OBJECTAPPLET> a(none);
    EXPECT_EQ(a->entries, 0u);
    EXPECT_EQ(a->header.datasize, 0u);
    EXPECT_EQ(a->header.totalsize, 124u);
    GlobalFree(h);
    GlobalFree(none);

    // Not an applet: nothing is appended.
    BLOCK page;
    CreateBlock(NULL, nullptr, &page, TAG_PAGE, nullptr, 0);
    HGLOBAL button = CreatePageObject(&page, TAG_BUTN, 0, 0);
    EXPECT_EQ(AppendAppletEntry(button, "x", 1, ENTRY_TEXT, 0), (HGLOBAL)NULL);
    EXPECT_EQ(FindAppletEntry(button, 0, ENTRY_TEXT), -1);
    GlobalFree(button);
}

TEST(AppletEntries, EntriesReachingPastTheDataAreNotFollowed)
{
    HGLOBAL h = AppletWith({8, 8, 8});
    {
        GlobalLocked<char> a(h);
        // The second entry claims more than the object holds.
        ((OBJECTAPPLETENTRY *)(a.get() + 124 + 48 + 8))->length = 0x7FFFFFF0;
    }
    EXPECT_EQ(FindAppletEntry(h, 1, ENTRY_PICT), 0);
    EXPECT_EQ(FindAppletEntry(h, 3, ENTRY_PICT), -1);
    EXPECT_EQ(GetAppletEntry(h, 1, nullptr, nullptr, nullptr), (HGLOBAL)NULL);
    EXPECT_EQ(DeleteAppletEntry(h, 2), (HGLOBAL)NULL);
    // What is appended lands behind the entries that are whole.
    HGLOBAL more = AppendAppletEntry(h, "abc", 4, ENTRY_TEXT, 0);
    ASSERT_TRUE(more);
    EXPECT_EQ(FindAppletEntry(more, 0, ENTRY_TEXT), 1);
    EXPECT_EQ(EntryData(more, 1), std::vector<uint8_t>({'a', 'b', 'c', 0}));
    GlobalFree(more);
    GlobalFree(h);
}

TEST(AppletTable, NumbersAreTheSmallestFree)
{
    HGLOBAL table = NULL;
    int count = 0;
    APPLETOBJECT row;
    ASSERT_EQ(MakeNewAppletObject(&row, table, count, NULL, ENTRY_PICT), 1);
    EXPECT_EQ(row.number, 1u);
    for (uint32_t n : {1u, 2u, 4u}) {
        APPLETOBJECT r{};
        r.number = n;
        r.kind = ENTRY_WAVE;
        ASSERT_EQ(AddAppletObject(&table, &count, &r), 1);
    }
    EXPECT_EQ(count, 3);
    HGLOBAL data = Global(Noise(20, 3));
    ASSERT_EQ(MakeNewAppletObject(&row, table, count, data, ENTRY_PICT), 1);
    EXPECT_EQ(row.number, 3u);
    EXPECT_EQ(row.size, 20u);
    EXPECT_EQ(row.data, data);
    EXPECT_EQ(row.kind, ENTRY_PICT);
    ASSERT_EQ(AddAppletObject(&table, &count, &row), 1);
    APPLETOBJECT got;
    EXPECT_EQ(GetAppletObject(table, 3, &got), data);
    EXPECT_EQ(GetAppletObject(table, 4, &got), (HGLOBAL)NULL);
    got.number = 9;
    EXPECT_EQ(PutAppletObject(table, 0, &got), 1);
    ASSERT_EQ(MakeNewAppletObject(&row, table, count, NULL, ENTRY_PICT), 1);
    EXPECT_EQ(row.number, 1u);
    EXPECT_EQ(GetAppletObject(NULL, 0, &got), (HGLOBAL)NULL);
    // A count beyond the table is refused rather than read.
    EXPECT_EQ(MakeNewAppletObject(&row, table, count + 5, NULL, ENTRY_PICT), 0);
    GlobalFree(data);
    GlobalFree(table);

    // Every number taken.
    count = (int)MAXAPPLETOBJECTNUMBER;
    table = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, count * sizeof(APPLETOBJECT));
    {
        GlobalLocked<APPLETOBJECT> rows(table);
        for (int i = 0; i < count; i++)
            rows.get()[i].number = (uint32_t)i + 1;
    }
    EXPECT_EQ(MakeNewAppletObject(&row, table, count, NULL, ENTRY_PICT), 0);
    GlobalFree(table);
}

TEST(AnimationFrames, RecordsFollowTheHead)
{
    std::vector<uint8_t> block(48 + 2 * 60 + 10);
    HGLOBAL h = Global(block);
    OBJECTANIMFRAME frame{};
    frame.offset = 168;
    frame.delay = 40;
    frame.x = -3;
    ASSERT_EQ(PutAnimFrameHeader(h, &frame, 1), 1);
    EXPECT_EQ(PutAnimFrameHeader(h, &frame, 2), 0);
    std::vector<uint8_t> bytes = Bytes(h);
    EXPECT_EQ(At<uint32_t>(bytes, 48 + 60), 168u);
    EXPECT_EQ(At<uint32_t>(bytes, 48 + 60 + 12), 40u);
    OBJECTANIMFRAME got;
    ASSERT_EQ(GetAnimFrameHeader(h, &got, 1), 1);
    EXPECT_EQ(got.x, -3);
    EXPECT_EQ(GetAnimFrameHeader(h, &got, 0x7FFFFFFF), 0);
    EXPECT_EQ(FindAnimationHeader((char *)bytes.data()), (ANIMHEADER *)bytes.data());
    GlobalFree(h);
}

} // namespace
