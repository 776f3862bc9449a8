#include "common/modal.h"
#include "document/applet.h"
#include "document/compress.h"
#include "document/reader.h"
#include "document/writer.h"
#include "resources/document_ids.h"
#include "resources/resource.h"
#include "tests/document/docwindow.h"
#include <zlib.h>
#include <algorithm>

using namespace docfixture;

namespace {

std::vector<uint8_t> PlayerBytes()
{
    HRSRC res = FindResourceA(hInst, MAKEINTRESOURCEA(IDR_PLAYER), (LPCSTR)RT_RCDATA);
    const uint8_t *p = (const uint8_t *)LockResource(LoadResource(hInst, res));
    return std::vector<uint8_t>(p, p + SizeofResource(hInst, res));
}

uint32_t Crc(const uint8_t *p, size_t n)
{
    return crc32(0, p, (uInt)n);
}

// Where the records of a saved document stand, found the way the format
// lays them out.
struct Layout {
    size_t header = 0, trailer = 0;
    std::vector<size_t> headerobjects, pages;
    std::vector<std::vector<size_t>> pageobjects;
};

Layout Walk(const std::vector<uint8_t> &f, size_t start)
{
    Layout l;
    l.header = start;
    l.trailer = f.size() - ENDSIZE;
    size_t pos = start + HEDRSIZE;
    for (uint32_t i = 0; i < At<uint32_t>(f, start + 2168); i++) {
        l.headerobjects.push_back(pos);
        pos += At<uint32_t>(f, pos + 8) + At<uint32_t>(f, pos + 16);
    }
    pos = start + At<uint32_t>(f, start + 4);
    while (pos < l.trailer) {
        l.pages.push_back(pos);
        l.pageobjects.emplace_back();
        size_t o = pos + PAGESIZE;
        for (uint32_t i = 0; i < At<uint32_t>(f, pos + 322); i++) {
            l.pageobjects.back().push_back(o);
            o += At<uint32_t>(f, o + 8) + At<uint32_t>(f, o + 16);
        }
        pos += At<uint32_t>(f, pos + 4);
    }
    return l;
}

// Every block and object of a loaded list is whole and bounded.
void ExpectSound(Doc &d)
{
    for (unsigned i = 0; i < d.Count(); i++) {
        BLOCK b;
        ASSERT_EQ(GetBlock(d.list, i, &b), 1);
        ASSERT_TRUE(b.tag == TAG_HEDR || b.tag == TAG_PAGE);
        EXPECT_EQ(b.tag == TAG_HEDR, i == 0);
        uint32_t count = BlockObjectCount(&b);
        const char *title = b.tag == TAG_HEDR ? b.hedr.title : b.page.title;
        EXPECT_LT(strnlen(title, TITLESIZE), (size_t)TITLESIZE);
        if (!count) {
            EXPECT_EQ(b.objects, (HGLOBAL)NULL);
            continue;
        }
        ASSERT_TRUE(b.objects);
        ASSERT_GE(GlobalSize(b.objects), count * sizeof(HGLOBAL));
        for (uint32_t j = 0; j < count; j++) {
            HGLOBAL h = GetPageObject(&b, j);
            ASSERT_TRUE(h) << "an empty slot in block " << i;
            GlobalLocked<OBJECTHEADER> o(h);
            ASSERT_TRUE(o);
            EXPECT_GE(o->fixedsize, 76u);
            EXPECT_EQ(o->totalsize, o->fixedsize + o->datasize);
            EXPECT_LE((uint64_t)o->totalsize + 16, o.size());
            EXPECT_EQ(o->background, 0u);
            if (o->tag == TAG_TEXT && o->fixedsize >= sizeof(OBJECTTEXT)) {
                EXPECT_LT(strnlen(((OBJECTTEXT *)o.get())->face, 33), 33u);
            }
        }
    }
}

struct SavedFiles : DocumentWindow {
    TempFolder folder;
    std::vector<uint8_t> player = PlayerBytes();

    std::string Save(const char *name)
    {
        std::string path = folder.File(name);
        EXPECT_EQ(WriteExeFile(list, set, path.c_str()), 1);
        return path;
    }
    // A header with a background sound, a page holding every object type, an
    // empty page and a page with one frame.
    void BuildEveryType()
    {
        BLOCK header = Get(0);
        header.hedr.flags |= HEDR_RESERVED;
        strcpy(header.hedr.about, "About this show");
        AddData(header, TAG_WAVE, Noise(300, 7));
        PutBlock(list, 0, &header);

        BLOCK page = NewPage("Everything");
        page.page.colour = 0x123456;
        page.page.colourselector = 25;
        page.page.flags |= PAGE_CLICKNEXT;
        AddObject(page, TAG_BUTN);                      // no data
        AddObject(page, TAG_TEXT, (LONG_PTR) "");       // one byte
        AddObject(page, TAG_CHEC, (LONG_PTR) "Tick");
        AddObject(page, TAG_RDIO, (LONG_PTR) "Pick");
        AddData(page, TAG_IMAG, Dib(120, 90, Noise(120 * 90 * 3, 1))); // compresses to more than 8 KiB
        AddData(page, TAG_WAVE, Noise(50, 2));
        AddData(page, TAG_MIDI, std::vector<uint8_t>(5000, 'M'));
        std::vector<uint8_t> anim(48 + 60, 0);
        anim[0] = 16;
        anim[4] = 16;
        anim[8] = 1;
        AddData(page, TAG_ANIM, anim);
        AddData(page, TAG_MOVI, Dib(4, 4, {1, 2, 3}));
        AddObject(page, TAG_FRAM);
        AddObject(page, TAG_APPL, (LONG_PTR) "sound 1\r\n");
        AddObject(page, TAG_LIST, (LONG_PTR) "one");
        AddObject(page, TAG_EDIT, (LONG_PTR) "edit me");
        AddObject(page, TAG_TIME);
        AddData(page, TAG_STAT, Dib(3, 3, {9}));
        ASSERT_EQ(page.page.objectcount, 15u);
        AppendBlock(list, set, &page);

        BLOCK empty = NewPage("Empty");
        AppendBlock(list, set, &empty);
        BLOCK last = NewPage("Last");
        AddObject(last, TAG_FRAM);
        AppendBlock(list, set, &last);
    }
    int Load(Doc &d, const std::string &path) { return LoadExeFile(d.list, d.set, path.c_str()); }
};

TEST_F(SavedFiles, AHeaderAloneGivesPlayerHeaderAndTrailer)
{
    BLOCK header = AddHeader();
    header.hedr.flags |= HEDR_RESERVED | BLOCK_HASOBJECTS; // says objects but has none
    PutBlock(list, 0, &header);
    std::vector<uint8_t> f = ReadFileBytes(Save("minimal.exe"));
    ASSERT_EQ(f.size(), player.size() + HEDRSIZE + ENDSIZE);
    EXPECT_TRUE(std::equal(player.begin(), player.end(), f.begin()));

    size_t h = player.size();
    EXPECT_EQ(memcmp(&f[h], "HEDR", 4), 0);
    EXPECT_EQ(At<uint32_t>(f, h + 4), 2288u);
    EXPECT_EQ(At<uint32_t>(f, h + 8), 2288u);
    EXPECT_EQ(At<uint32_t>(f, h + 12), 0u);
    uint32_t flags = At<uint32_t>(f, h + 16);
    EXPECT_EQ(flags & 0x200, 0x200u);
    EXPECT_EQ(flags & 0xC01, 0u);
    EXPECT_EQ(flags & 0x00CF0000, 0x00CA0000u);
    EXPECT_EQ(At<uint32_t>(f, h + 314), 0x3B020061u);
    EXPECT_EQ(At<uint32_t>(f, h + 338), 1u); // blocks
    EXPECT_EQ(At<uint32_t>(f, h + 2168), 0u);
    EXPECT_EQ(std::string((const char *)&f[h + 20]), "Untitled");

    size_t t = f.size() - ENDSIZE;
    EXPECT_EQ(memcmp(&f[t], "END$", 4), 0);
    EXPECT_EQ(At<uint32_t>(f, t + 4), 0u);
    EXPECT_EQ(At<uint32_t>(f, t + 8), 390u);
    EXPECT_EQ(At<uint32_t>(f, t + 314) ^ 0x4D2E7A13u, 2288u + 390);
    EXPECT_EQ(At<uint32_t>(f, t + 318) ^ 0x91B3C6F5u, Crc(&f[h], HEDRSIZE));
    EXPECT_EQ(At<uint32_t>(f, t + 322) ^ 0x2C58E0A7u, Crc(player.data(), player.size()));
    for (size_t i = 12; i < ENDSIZE; i++)
        if (i < 314 || i >= 326) {
            EXPECT_EQ(f[t + i], 0) << "trailer byte " << i;
        }

    Doc loaded;
    ASSERT_EQ(LoadExeFile(loaded.list, loaded.set, folder.File("minimal.exe").c_str()), 1);
    ASSERT_EQ(loaded.Count(), 1u);
    EXPECT_EQ(loaded.Get(0).hedr.objectcount, 0u);
    EXPECT_STREQ(loaded.set->path, folder.File("minimal.exe").c_str());
    EXPECT_EQ(loaded.set->modified, 0);
}

TEST_F(SavedFiles, EveryObjectTypeMakesTheRoundTripByteForByte)
{
    AddHeader();
    BuildEveryType();
    // What the runtime leaves in live objects must not travel.
    BLOCK page = Get(1);
    HGLOBAL image = GetPageObject(&page, 4), applet = GetPageObject(&page, 10);
    {
        GlobalLocked<OBJECTIMAGE> o(image);
        o->header.background = 0xABC;
        o->header.flags |= OBJ_RUNNING | OBJ_DEACTIVATED;
        o->timer1 = 3;
        GlobalLocked<OBJECTAPPLET>(applet)->applet = 0x777;
    }
    std::string first = Save("first.exe");
    std::vector<uint8_t> f = ReadFileBytes(first);

    Layout l = Walk(f, player.size());
    ASSERT_EQ(l.pages.size(), 3u);
    ASSERT_EQ(l.headerobjects.size(), 1u);
    ASSERT_EQ(l.pageobjects[0].size(), 15u);
    EXPECT_EQ(At<uint32_t>(f, l.trailer + 314) ^ MASK_LENGTH, f.size() - player.size());
    EXPECT_EQ(At<uint32_t>(f, l.header + 338), 4u);
    // The picture's stream is longer than one step of 8 KiB.
    size_t pic = l.pageobjects[0][4];
    EXPECT_GT(At<uint32_t>(f, pic + 16), 8192u);
    EXPECT_EQ(At<uint32_t>(f, pic + 44), 0u);
    EXPECT_EQ(At<uint32_t>(f, pic + 20) & (OBJ_RUNNING | OBJ_DEACTIVATED), 0u);
    EXPECT_EQ(At<uint32_t>(f, pic + 112), 0u);
    EXPECT_EQ(At<uint32_t>(f, l.pageobjects[0][10] + 88), 0u);
    // The object in memory keeps the length of its stream, nothing else changes.
    EXPECT_EQ(GlobalLocked<OBJECTHEADER>(image)->compressedsize, At<uint32_t>(f, pic + 16));
    EXPECT_EQ(GlobalLocked<OBJECTHEADER>(image)->background, 0xABCu);
    {
        GlobalLocked<OBJECTIMAGE> o(image);
        o->header.background = 0;
        o->header.flags &= ~(OBJ_RUNNING | OBJ_DEACTIVATED);
        o->timer1 = 0;
        GlobalLocked<OBJECTAPPLET>(applet)->applet = 0;
    }

    Doc loaded;
    ASSERT_EQ(Load(loaded, first), 1);
    ExpectSound(loaded);
    ASSERT_EQ(loaded.Count(), 4u);
    BLOCK h = loaded.Get(0);
    EXPECT_STREQ(h.hedr.about, "About this show");
    EXPECT_EQ(h.hedr.objectcount, 1u);
    for (unsigned i = 0; i < 4; i++) {
        BLOCK a = Get(i), b = loaded.Get(i);
        EXPECT_EQ(b.sequence, (int16_t)i);
        ASSERT_EQ(BlockObjectCount(&a), BlockObjectCount(&b)) << "block " << i;
        if (a.tag == TAG_PAGE) {
            EXPECT_STREQ(a.page.title, b.page.title);
            EXPECT_EQ(a.page.colour, b.page.colour);
            EXPECT_EQ(a.page.flags, b.page.flags);
        }
        for (uint32_t j = 0; j < BlockObjectCount(&a); j++) {
            HGLOBAL x = GetPageObject(&a, j), y = GetPageObject(&b, j);
            uint32_t total = GlobalLocked<OBJECTHEADER>(x)->totalsize;
            EXPECT_EQ(Bytes(x, total), Bytes(y, total)) << "block " << i << " object " << j;
        }
    }

    // The loaded document saves to the same bytes, and so does the first one again.
    std::string second = folder.File("second.exe");
    ASSERT_EQ(WriteExeFile(loaded.list, loaded.set, second.c_str()), 1);
    EXPECT_TRUE(ReadFileBytes(second) == f);
    EXPECT_TRUE(ReadFileBytes(Save("third.exe")) == f);
    EXPECT_EQ(folder.Files().size(), 3u);
}

TEST_F(SavedFiles, EmptyPagesAndObjectsWithoutDataTakeTheirFixedPartsOnly)
{
    AddHeader();
    BLOCK page = NewPage("bare");
    page.page.flags |= BLOCK_HASOBJECTS;
    AppendBlock(list, set, &page);
    BLOCK timers = NewPage("timer");
    AddObject(timers, TAG_TIME);
    AddObject(timers, TAG_BUTN, (LONG_PTR) "x");
    AppendBlock(list, set, &timers);
    std::vector<uint8_t> f = ReadFileBytes(Save("bare.exe"));
    Layout l = Walk(f, player.size());
    ASSERT_EQ(l.pages.size(), 2u);
    size_t p = l.pages[0];
    EXPECT_EQ(At<uint32_t>(f, p + 4), 358u);
    EXPECT_EQ(At<uint32_t>(f, p + 12), 0u);
    EXPECT_EQ(At<uint32_t>(f, p + 16) & 1, 0u);
    size_t timer = l.pageobjects[1][0];
    EXPECT_EQ(At<uint32_t>(f, timer + 16), 0u);
    EXPECT_EQ(l.pageobjects[1][1], timer + 124);
    p = l.pages[1];
    EXPECT_EQ(At<uint32_t>(f, p + 322), 2u);
    EXPECT_EQ(At<uint32_t>(f, p + 4), 358 + At<uint32_t>(f, p + 12));
    // A 0 slot in the array is passed over; the counts say what was written.
    PutPageObject(&timers, NULL, 0);
    PutBlock(list, 2, &timers);
    std::vector<uint8_t> g = ReadFileBytes(Save("slot.exe"));
    EXPECT_EQ(At<uint32_t>(g, Walk(g, player.size()).pages[1] + 322), 1u);
    Doc loaded;
    ASSERT_EQ(Load(loaded, folder.File("slot.exe")), 1);
    EXPECT_EQ(loaded.Get(2).page.objectcount, 1u);
    ExpectSound(loaded);
    PutPageObject(&timers, CreatePageObject(&timers, TAG_TIME, 0, 0), 0);
}

// A record that says another kind than its block's, whatever put it there,
// is written as its block: no load passes it over or asks about it.
TEST_F(SavedFiles, EachRecordIsWrittenAsItsBlocksKind)
{
    BLOCK header = AddHeader();
    header.hedr.tag = 0;
    PutBlock(list, 0, &header);
    for (uint32_t tag : {TAG_HEDR, TAG_END, 0u, MakeTag("PAGe")}) {
        BLOCK page = NewPage("page");
        page.page.tag = tag;
        AddObject(page, TAG_FRAM);
        AppendBlock(list, set, &page);
    }
    Doc loaded;
    const LOADHOST quiet = {nullptr, nullptr, nullptr, nullptr, nullptr, false, true, nullptr};
    ASSERT_EQ(LoadExeFileWith(loaded.list, loaded.set, Save("kinds.exe").c_str(), quiet), 1);
    ASSERT_EQ(loaded.Count(), 5u);
    for (unsigned i = 1; i < 5; i++)
        EXPECT_EQ(loaded.Get(i).page.objectcount, 1u) << i;
}

TEST_F(SavedFiles, OneEntryPerFaceAndTheEditorDropsTheFontRecord)
{
    BLOCK header = AddHeader();
    header.hedr.flags |= HEDR_EMBEDFONTS;
    PutBlock(list, 0, &header);
    BLOCK page = NewPage("fonts");
    // Faces compare without regard to case; one that fills its field is kept whole.
    const std::string wide(32, 'W');
    for (const char *face : {"Arial", "ARIAL", wide.c_str(), wide.c_str()}) {
        GlobalLocked<OBJECTTEXT> text(AddObject(page, TAG_TEXT, (LONG_PTR) "x"));
        snprintf(text->face, sizeof text->face, "%s", face);
    }
    AppendBlock(list, set, &page);

    HGLOBAL fonts = GetFontBlock(list, set);
    ASSERT_TRUE(fonts);
    std::vector<uint8_t> table = Bytes(fonts);
    GlobalFree(fonts);
    EXPECT_EQ(memcmp(table.data(), "fonB", 4), 0);
    ASSERT_EQ(At<uint32_t>(table, 4), 2u) << "a face without a font file here";
    EXPECT_EQ(memcmp(&table[76], "fonE", 4), 0);
    EXPECT_STREQ((const char *)&table[76 + 8], "Arial");
    EXPECT_EQ(table[76 + 41], 0);
    size_t second = 76 + 334 + At<uint32_t>(table, 80);
    EXPECT_EQ(std::string((const char *)&table[second + 8]), wide);
    EXPECT_EQ(At<uint32_t>(table, 8), second - 76 + 334 + At<uint32_t>(table, second + 4));
    EXPECT_GE(table.size(), 76 + At<uint32_t>(table, 8));

    std::vector<uint8_t> f = ReadFileBytes(Save("fonts.exe"));
    Layout l = Walk(f, player.size());
    ASSERT_EQ(l.headerobjects.size(), 1u);
    size_t font = l.headerobjects[0];
    EXPECT_EQ(memcmp(&f[font], "fONt", 4), 0);
    EXPECT_EQ(At<uint32_t>(f, font + 8), 108u);
    EXPECT_EQ(At<uint32_t>(f, font + 12), table.size());
    EXPECT_EQ(At<uint32_t>(f, font + 4), 108 + table.size());
    EXPECT_EQ(At<uint32_t>(f, font + 40), 0u);
    EXPECT_EQ(At<uint32_t>(f, l.header + 16) & 1, 1u);
    // The stream holds the font table as it was built.
    std::vector<uint8_t> expanded(table.size());
    uLongf n = (uLongf)expanded.size();
    ASSERT_EQ(uncompress(expanded.data(), &n, &f[font + 108], At<uint32_t>(f, font + 16)), Z_OK);
    EXPECT_TRUE(expanded == table);

    Doc loaded;
    ASSERT_EQ(Load(loaded, folder.File("fonts.exe")), 1);
    BLOCK h = loaded.Get(0);
    EXPECT_EQ(h.hedr.objectcount, 0u);
    EXPECT_EQ(h.objects, (HGLOBAL)NULL);
    EXPECT_EQ(h.hedr.flags & 1, 0u);
    EXPECT_EQ(loaded.Get(1).page.objectcount, 4u);
}

DWORD WINAPI NoFontFile(HDC, DWORD, DWORD, void *, DWORD)
{
    return GDI_ERROR;
}

// Claims a size, then gives less.
DWORD WINAPI ShortFontFile(HDC, DWORD, DWORD, void *buffer, DWORD)
{
    return buffer ? 3 : 1000;
}

TEST(Fonts, AFaceWithoutAFontFileIsLeftOut)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 92);
    HFONT font = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    EXPECT_EQ(AddBlockFont("Arial", &block, font, SAVEHOST{nullptr, NoFontFile}), 1);
    EXPECT_EQ(AddBlockFont("Arial", &block, font, SAVEHOST{nullptr, ShortFontFile}), 1);
    EXPECT_EQ(At<uint32_t>(Bytes(block), 4), 0u);
    EXPECT_EQ(AddBlockFont("Arial", &block, font), 1);
    EXPECT_EQ(AddBlockFont("arial", &block, font), 1);
    std::vector<uint8_t> table = Bytes(block);
    EXPECT_EQ(At<uint32_t>(table, 4), 1u);
    EXPECT_EQ(table.size(), 76 + 334 + At<uint32_t>(table, 80) + 16);
    DeleteObject(font);
    GlobalFree(block);
}

TEST_F(SavedFiles, AFailedSaveLeavesTheOldFileAsItWas)
{
    AddHeader();
    BuildEveryType();
    std::string path = folder.File("show.exe");
    std::vector<uint8_t> old(5000, 'o');
    ASSERT_TRUE(WriteFileBytes(path, old));

    static int allowed;
    const SAVEHOST failing = {[](HANDLE file, const void *data, DWORD size, DWORD *written) -> BOOL {
                                  return allowed-- > 0 && WriteFile(file, data, size, written, NULL);
                              },
                              nullptr};
    for (int n : {0, 1, 2, 3, 10, 25}) {
        allowed = n;
        EXPECT_EQ(WriteExeFile(list, set, path.c_str(), failing), 0) << n;
        EXPECT_TRUE(ReadFileBytes(path) == old) << n;
        EXPECT_EQ(folder.Files().size(), 1u) << n;
    }

    // An object that cannot be locked would be lost: the save fails instead.
    BLOCK page = Get(3);
    HGLOBAL frame = GetPageObject(&page, 0);
    HGLOBAL gone = GlobalAlloc(GMEM_MOVEABLE | GMEM_DISCARDABLE, 200);
    GlobalDiscard(gone);
    PutPageObject(&page, gone, 0);
    EXPECT_EQ(WriteExeFile(list, set, path.c_str()), 0);
    EXPECT_TRUE(ReadFileBytes(path) == old);
    PutPageObject(&page, frame, 0);
    GlobalFree(gone);

    // Heads built by hand that no load would take fail the save with the
    // write error, before the old file is touched.
    const struct {
        const char *name;
        uint32_t tag, fixed;
    } heads[] = {{"a button shorter than its type's record", TAG_BUTN, 100},
                 {"a type this program does not know, shorter than any head", 0x10004, 60}};
    for (const auto &head : heads) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 2000);
        {
            GlobalLocked<OBJECTHEADER> o(h);
            o->tag = head.tag;
            o->fixedsize = o->totalsize = head.fixed;
        }
        PutPageObject(&page, h, 0);
        SetLastError(0);
        EXPECT_EQ(WriteExeFile(list, set, path.c_str()), 0) << head.name;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA) << head.name;
        EXPECT_TRUE(ReadFileBytes(path) == old) << head.name;
        PutPageObject(&page, frame, 0);
        GlobalFree(h);
    }

    // Nowhere to write, and a list whose first block is no header.
    EXPECT_EQ(WriteExeFile(list, set, folder.File("no\\such\\folder.exe").c_str()), 0);
    BLOCK header = Get(0);
    header.tag = TAG_PAGE;
    PutBlock(list, 0, &header);
    EXPECT_EQ(WriteExeFile(list, set, path.c_str()), 0);
    header.tag = TAG_HEDR;
    PutBlock(list, 0, &header);
    EXPECT_EQ(folder.Files().size(), 1u);

    ASSERT_EQ(WriteExeFile(list, set, path.c_str()), 1);
    Doc loaded;
    EXPECT_EQ(Load(loaded, path), 1);
}

TEST_F(SavedFiles, TheCompressionLevelStaysInItsRange)
{
    AddHeader();
    BuildEveryType();
    std::vector<uint8_t> nine = ReadFileBytes(Save("nine.exe"));
    CompressImages = 42;
    std::vector<uint8_t> high = ReadFileBytes(Save("high.exe"));
    CompressImages = 0;
    std::vector<uint8_t> stored = ReadFileBytes(Save("stored.exe"));
    CompressImages = 9;
    EXPECT_TRUE(high == nine);
    EXPECT_GT(stored.size(), nine.size());
    Doc loaded;
    ASSERT_EQ(Load(loaded, folder.File("stored.exe")), 1);
    BLOCK p = loaded.Get(1);
    GlobalLocked<OBJECTMIDI> m(GetPageObject(&p, 6));
    EXPECT_EQ(m->header.datasize, 5000u);
    EXPECT_EQ(ObjectData(&m->header)[4999], 'M');
}

// Streams written with the writer's own wrapper, read back with a length
// that is right or wrong.
struct Streams : testing::Test {
    TempFolder folder;
    std::string path = folder.File("stream.bin");
    HANDLE Open(DWORD access, DWORD disposition)
    {
        return CreateFileA(path.c_str(), access, 0, NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
    }
    long Write(const std::vector<uint8_t> &data, long level = 9)
    {
        HANDLE f = Open(GENERIC_WRITE, CREATE_ALWAYS);
        long size = (long)data.size();
        EXPECT_EQ(CompressDataToFile(f, (const char *)data.data(), &size, level, 0), 1);
        CloseHandle(f);
        return size;
    }
    bool Expand(uint32_t compressed, uint32_t length, std::vector<uint8_t> *out = nullptr)
    {
        HANDLE f = Open(GENERIC_READ, OPEN_EXISTING);
        std::vector<uint8_t> buffer(length + 1, 0xEE);
        bool ok = ExpandFromFile(f, compressed, buffer.data(), length);
        CloseHandle(f);
        EXPECT_EQ(buffer[length], 0xEE) << "written past the end";
        buffer.resize(length);
        if (out)
            *out = buffer;
        return ok;
    }
};

TEST_F(Streams, OnlyTheDeclaredLengthExpands)
{
    std::vector<uint8_t> one = {42};
    long n = Write(one);
    std::vector<uint8_t> back;
    EXPECT_TRUE(Expand((uint32_t)n, 1, &back));
    EXPECT_TRUE(back == one);

    std::vector<uint8_t> big = Noise(30000, 5);
    n = Write(big);
    EXPECT_GT(n, 8192);
    EXPECT_EQ(ReadFileBytes(path).size(), (size_t)n);
    EXPECT_TRUE(Expand((uint32_t)n, 30000, &back));
    EXPECT_TRUE(back == big);
    EXPECT_FALSE(Expand((uint32_t)n, 29999)); // the stream makes more
    EXPECT_FALSE(Expand((uint32_t)n, 30001)); // the stream makes less
    EXPECT_TRUE(Expand((uint32_t)n + 100, 30000)); // the stream ends before the file
    EXPECT_FALSE(Expand((uint32_t)n - 1, 30000)); // cut short
    // Declared longer than the file: the stream still ends where it ends.
    HANDLE f = Open(GENERIC_READ, OPEN_EXISTING);
    unsigned long size = (unsigned long)n + 5000;
    HGLOBAL h = UncompressDataFromDiskEx(f, &size, 1, 30000);
    CloseHandle(f);
    ASSERT_TRUE(h);
    EXPECT_EQ(size, 30000u);
    GlobalFree(h);
    f = Open(GENERIC_READ, OPEN_EXISTING);
    size = (unsigned long)n - 10;
    EXPECT_EQ(UncompressDataFromDiskEx(f, &size, 1, 30000), (HGLOBAL)NULL);
    CloseHandle(f);

    // Level 0 stores, with the zlib header and checksum all the same.
    n = Write(big, 0);
    std::vector<uint8_t> raw = ReadFileBytes(path);
    EXPECT_GT(n, 30000);
    EXPECT_EQ(raw[0], 0x78);
    EXPECT_EQ(raw[1], 0x01);
    uLongf len = 30000;
    ASSERT_EQ(uncompress(back.data(), &len, raw.data(), raw.size()), Z_OK);
    EXPECT_TRUE(back == big);

    // A stream that does not end is no stream, even if it made the length.
    std::vector<uint8_t> cut(raw.begin(), raw.end() - 4);
    WriteFileBytes(path, cut);
    EXPECT_FALSE(Expand((uint32_t)cut.size(), 30000));
}

TEST_F(Streams, InMemoryExpansionGrowsAndIsBounded)
{
    std::vector<uint8_t> zeros(3 << 20, 0);
    uLongf n = compressBound(zeros.size());
    std::vector<uint8_t> packed(n);
    ASSERT_EQ(compress2(packed.data(), &n, zeros.data(), zeros.size(), 9), Z_OK);
    unsigned long size = n;
    HGLOBAL h = UncompressData((const char *)packed.data(), &size, 1);
    ASSERT_TRUE(h);
    EXPECT_EQ(size, zeros.size());
    EXPECT_GE(GlobalSize(h), zeros.size());
    GlobalFree(h);
    size = n - 1;
    EXPECT_EQ(UncompressData((const char *)packed.data(), &size, 1), (HGLOBAL)NULL);
    std::vector<uint8_t> junk = Noise(1000, 9);
    size = 1000;
    EXPECT_EQ(UncompressData((const char *)junk.data(), &size, 1), (HGLOBAL)NULL);
}

// Documents made by hand or changed after saving.
struct Reading : SavedFiles {
    std::vector<uint8_t> Saved()
    {
        AddHeader();
        BuildEveryType();
        return ReadFileBytes(Save("base.exe"));
    }
    int LoadBytes(Doc &d, const std::vector<uint8_t> &bytes, const LOADHOST &host = EDITORLOAD)
    {
        std::string path = folder.File("changed.exe");
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return LoadExeFileWith(d.list, d.set, path.c_str(), host);
    }
};

TEST_F(Reading, BytesAfterTheTrailerAreSlack)
{
    std::vector<uint8_t> f = Saved();
    for (size_t extra : {1u, 389u, 390u, 4096u, (3u << 20) + 7}) {
        std::vector<uint8_t> g = f;
        std::vector<uint8_t> tail = Noise(extra, (uint32_t)extra);
        g.insert(g.end(), tail.begin(), tail.end());
        // Lures: a trailer tag with sizes that cannot be, near the end.
        if (extra >= 4096) {
            memcpy(&g[g.size() - 1000], "END$", 4);
            memcpy(&g[g.size() - 2000], "END$\0\0\0\0\x86\x01\0\0", 12);
        }
        Doc d;
        EXPECT_EQ(LoadBytes(d, g), 1) << extra;
        EXPECT_EQ(d.Count(), 4u);
        ExpectSound(d);
    }
}

TEST_F(Reading, TheTrailerIsFoundAtEveryAlignment)
{
    // The tail is searched a block of bytes at a time: a trailer may start
    // anywhere in such a block, at an even or odd place.
    std::vector<uint8_t> f = Saved();
    f.erase(f.begin(), f.begin() + (long)player.size());
    Doc d;
    for (size_t shift = 0; shift < 70; shift++) {
        std::vector<uint8_t> g(shift, 'N');
        g.insert(g.end(), f.begin(), f.end());
        g.insert(g.end(), 200, 'E');
        d.Clear();
        ASSERT_EQ(LoadBytes(d, g), 1) << shift;
        EXPECT_EQ(d.Count(), 4u);
    }
}

TEST_F(Reading, AChangedHeaderOrNoTrailerIsRefused)
{
    std::vector<uint8_t> f = Saved();
    size_t h = player.size();
    std::vector<uint8_t> g = f;
    g[h + 1000] ^= 1;
    Doc d;
    EXPECT_EQ(LoadBytes(d, g), 0);
    EXPECT_EQ(d.Count(), 0u);
    g = f;
    g.resize(g.size() - 1);
    EXPECT_EQ(LoadBytes(d, g), 0);
    EXPECT_EQ(LoadBytes(d, player), 0);
    EXPECT_EQ(LoadBytes(d, {}), 0);
    EXPECT_EQ(Load(d, folder.File("missing.exe")), 0);
    EXPECT_EQ(d.Count(), 0u);
}

TEST_F(Reading, RecordsMustStayInsideTheirBlocks)
{
    std::vector<uint8_t> f = Saved();
    Layout l = Walk(f, player.size());
    auto refused = [&](size_t at, uint32_t value, bool header = false) {
        std::vector<uint8_t> g = f;
        Put<uint32_t>(g, at, value);
        if (header)
            Put<uint32_t>(g, l.trailer + 318, Crc(&g[l.header], HEDRSIZE) ^ MASK_HEADERCRC);
        Doc d;
        sbtest::ModalRecorder rec(IDYES);
        EXPECT_EQ(LoadBytes(d, g), 0) << at << " " << value;
        EXPECT_TRUE(rec.calls.empty());
    };
    size_t last = l.pageobjects[0].back(); // the static image, its stream ends the page
    refused(last + 16, At<uint32_t>(f, last + 16) + 1);
    refused(l.pages[1] + 4, 0);
    refused(l.pages[1] + 4, 357);
    refused(l.pages[2] + 4, (uint32_t)(l.trailer - l.pages[2] + 1));
    refused(l.pages[0] + 322, 1000);
    refused(l.pageobjects[0][0] + 8, 75);
    refused(l.pageobjects[0][0] + 8, 115); // shorter than a button's record
    refused(l.header + 2168, 100, true);
    refused(l.header + 4, 0, true);
    refused(l.header + 4, (uint32_t)(l.trailer - l.header + 1), true);
    refused(l.trailer + 314, (uint32_t)(f.size() + 1) ^ MASK_LENGTH);
}

TEST_F(Reading, ADamagedObjectMayBeLeftOut)
{
    std::vector<uint8_t> f = Saved();
    Layout l = Walk(f, player.size());
    size_t pic = l.pageobjects[0][4];
    std::vector<uint8_t> g = f;
    g[pic + 152 + 3000] ^= 0x55;
    {
        Doc d;
        sbtest::ModalRecorder rec;
        rec.Answer(IDYES);
        ASSERT_EQ(LoadBytes(d, g), 1);
        ASSERT_EQ(rec.calls.size(), 1u);
        EXPECT_EQ(rec.calls[0].name, "YesnoBox");
        EXPECT_EQ(rec.calls[0].text.rfind("There has been an error reading one of your page objects.", 0), 0u);
        ExpectSound(d);
        BLOCK p = d.Get(1);
        EXPECT_EQ(p.page.objectcount, 14u);
        GlobalLocked<OBJECTHEADER> next(GetPageObject(&p, 4));
        EXPECT_EQ(next->tag, TAG_WAVE);
        EXPECT_EQ(d.Get(3).page.objectcount, 1u);
    }
    {
        Doc d;
        sbtest::ModalRecorder rec;
        rec.Answer(IDNO);
        EXPECT_EQ(LoadBytes(d, g), 0);
        EXPECT_EQ(rec.calls.size(), 1u);
    }
    // The only object of a page left out: the page has none.
    g = f;
    size_t frame = l.pageobjects[2][0];
    Put<uint32_t>(g, frame + 12, 5); // data it does not have
    {
        Doc d;
        sbtest::ModalRecorder rec(IDYES);
        ASSERT_EQ(LoadBytes(d, g), 1);
        BLOCK p = d.Get(3);
        EXPECT_EQ(p.page.objectcount, 0u);
        EXPECT_EQ(p.objects, (HGLOBAL)NULL);
        EXPECT_EQ(p.page.flags & 1, 0u);
    }
}

TEST_F(Reading, APasswordIsAskedUntilRightOrCancelled)
{
    BLOCK header = AddHeader();
    char secret[] = "sesame7";
    EncryptString(secret, 1);
    header.hedr.password = Crc((const uint8_t *)secret, strlen(secret));
    header.hedr.flags |= HEDR_PASSWORD;
    PutBlock(list, 0, &header);
    std::string path = Save("locked.exe");

    static std::vector<std::string> typed;
    static int asked;
    MODALHOOK previous = COMMONSetModalHook([](const MODALCALL *call) -> INT_PTR {
        EXPECT_STREQ(call->name, "GetPasswordBox");
        if (asked >= (int)typed.size())
            return IDCANCEL;
        snprintf((char *)call->param, 261, "%s", typed[asked++].c_str());
        return IDOK;
    });
    typed = {"wrong one", "sesame7"};
    asked = 0;
    Doc a;
    EXPECT_EQ(Load(a, path), 1);
    EXPECT_EQ(asked, 2);
    typed = {"wrong one"};
    asked = 0;
    Doc b;
    EXPECT_EQ(Load(b, path), 0);
    EXPECT_EQ(asked, 1);
    COMMONSetModalHook(previous);
}

TEST(Sanitise, FontEntriesNameNoFileAndTextsEnd)
{
    // A font record as a hostile file may hold it: a path in each entry,
    // faces filling their fields, the last entry claiming more than there is.
    std::vector<uint8_t> o(108 + 76 + 2 * (334 + 4) + 16, 0);
    Put<uint32_t>(o, 0, TAG_FONT);
    Put<uint32_t>(o, 8, 108);
    Put<uint32_t>(o, 12, 76 + 2 * (334 + 4));
    Put<uint32_t>(o, 44, 0xBADBAD);
    Put<uint32_t>(o, 108 + 4, 3);
    for (size_t e : {108 + 76u, 108 + 76 + 338u}) {
        Put<uint32_t>(o, e, TAG_FONE);
        Put<uint32_t>(o, e + 4, 4);
        std::fill(o.begin() + e + 8, o.begin() + e + 41, 'A');
        std::string path = "C:\\windows\\important.dll";
        std::copy(path.begin(), path.end(), o.begin() + e + 41);
    }
    Put<uint32_t>(o, 108 + 76 + 338 + 4, 0xFFFFFFF0);
    SanitiseObject((OBJECTHEADER *)o.data());
    for (size_t e : {108 + 76u, 108 + 76 + 338u}) {
        EXPECT_EQ(o[e + 8 + 32], 0);
        EXPECT_EQ(std::count(o.begin() + e + 41, o.begin() + e + 334, 0), 293);
    }
    EXPECT_EQ(At<uint32_t>(o, 44), 0u);

    OBJECTTEXT text{};
    text.header.tag = TAG_TEXT;
    text.header.fixedsize = sizeof text;
    memset(text.face, 'F', sizeof text.face);
    SanitiseObject(&text.header);
    EXPECT_EQ(strlen(text.face), 32u);
}

TEST(Password, OkNeedsSixCharactersAndCopiesTheText)
{
    char buffer[STOREDPASSWORDCHARS + 1] = "";
    HWND dlg = CreateDialogParamA(hInst, "GetPasswordBox", NULL, GetPasswordProc, (LPARAM)buffer);
    ASSERT_TRUE(dlg);
    HWND ok = GetDlgItem(dlg, IDOK);
    EXPECT_FALSE(IsWindowEnabled(ok));
    SetDlgItemTextA(dlg, IDC_PASSWORD, "12345");
    EXPECT_FALSE(IsWindowEnabled(ok));
    SetDlgItemTextA(dlg, IDC_PASSWORD, "123456");
    EXPECT_TRUE(IsWindowEnabled(ok));
    SendMessageA(dlg, WM_COMMAND, IDOK, (LPARAM)ok);
    EXPECT_STREQ(buffer, "123456");
    DestroyWindow(dlg);
}

TEST(Password, TheSubstitutionKeepsLengthAndReverses)
{
    char all[256];
    for (int i = 1; i < 256; i++)
        all[i - 1] = (char)i;
    all[255] = 0;
    char text[256];
    memcpy(text, all, sizeof all);
    EncryptString(text, 1);
    EXPECT_EQ(strlen(text), 255u);
    EXPECT_NE(memcmp(text, all, 255), 0);
    EncryptString(text, 0);
    EXPECT_EQ(memcmp(text, all, 256), 0);

    // Every saved password is checked through this table: a changed table
    // locks them all out. The whole table, and one password with the check
    // value a document stores for it, are pinned.
    uint8_t table[256];
    for (int i = 1; i < 256; i++) {
        char one[2] = {(char)i, 0};
        EncryptString(one, 1);
        table[i] = (uint8_t)one[0];
    }
    table[0] = 0;
    EXPECT_EQ(Crc(table, sizeof table), 0x7EFDCB46u);
    char password[] = "sesame7";
    EncryptString(password, 1);
    EXPECT_STREQ(password, "\xE1r\xE1;\xE5r\xFD");
    EXPECT_EQ(Crc((const uint8_t *)password, strlen(password)), 0x3DE3C846u);
}

TEST_F(Reading, AnOldDocumentGetsItsPictureAsAHeaderObject)
{
    std::vector<uint8_t> picture = Dib(7, 5, {1, 2, 3, 4, 5});
    auto oldfile = [&](const std::vector<uint8_t> &dib) {
        uLongf n = compressBound(dib.size());
        std::vector<uint8_t> stream(n);
        compress2(stream.data(), &n, dib.data(), dib.size(), 9);
        BLOCK header;
        CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0);
        header.hedr.flags &= ~HEDR_NEWLAYOUT;
        header.hedr.oldpicture = 1;
        header.hedr.objectcount = 0x12345; // not a count in this layout
        header.hedr.objectbytes = (uint32_t)n;
        header.hedr.size = HEDRSIZE + (uint32_t)n;
        BLOCK page = NewPage("old");
        page.page.size = PAGESIZE;
        std::vector<uint8_t> f = player;
        size_t start = f.size();
        f.insert(f.end(), (uint8_t *)&header.hedr, (uint8_t *)&header.hedr + HEDRSIZE);
        f.insert(f.end(), stream.begin(), stream.begin() + (long)n);
        f.insert(f.end(), (uint8_t *)&page.page, (uint8_t *)&page.page + PAGESIZE);
        ENDRECORD end{};
        end.tag = TAG_END;
        end.recordsize = ENDSIZE;
        end.length = (uint32_t)(f.size() + ENDSIZE - start) ^ MASK_LENGTH;
        end.headercrc = Crc(&f[start], HEDRSIZE) ^ MASK_HEADERCRC;
        f.insert(f.end(), (uint8_t *)&end, (uint8_t *)&end + ENDSIZE);
        return f;
    };
    // A picture that makes more than its header accounts for, that ends
    // before the rows the picture code shows, or whose header it cannot show
    // is damage: the pages stay if the user goes on. Legal pictures with more
    // behind the shown rows load with no question.
    auto header = [](int width, int height, int bits, DWORD compression = BI_RGB) {
        BITMAPINFOHEADER h{sizeof h, width, height, 1, (WORD)bits, compression};
        return std::vector<uint8_t>((uint8_t *)&h, (uint8_t *)(&h + 1));
    };
    auto grown = [](std::vector<uint8_t> v, size_t by) {
        v.resize(v.size() + by);
        return v;
    };
    std::vector<uint8_t> huge = Dib(64, 48), notpicture = picture, table = picture, rle = header(16, 2, 8, BI_RLE8);
    huge[14] = 8;
    huge.resize(8 << 20);
    notpicture[14] = 0;
    table.insert(table.begin() + 40, 1024, 0x77);
    table[33] = 1; // biClrUsed 256
    rle.resize(40 + 1024);
    for (int row = 0; row < 2; row++) { // every pixel a run of one: 34 bytes for 16 raw ones
        for (uint8_t pixel = 0; pixel < 16; pixel++)
            rle.insert(rle.end(), {1, pixel});
        rle.insert(rle.end(), {0, 0});
    }
    rle.insert(rle.end(), {0, 1});
    const struct {
        const char *name;
        std::vector<uint8_t> file;
        bool damaged;
    } cases[] = {
        {"more than the rows and padding", oldfile(grown(picture, DIBPADDING + 1)), true},
        {"megabytes behind a small picture", oldfile(huge), true},
        {"no picture's depth", oldfile(notpicture), true},
        {"a row wider than any block", oldfile(grown(header(0x7FFFFFFF, 1, 24), 64 << 20)), true},
        {"64 bytes short", oldfile(grown(header(8192, 8192, 8), 1024 + (64 << 20) - 64)), true},
        {"no rows", oldfile(header(32767, 32767, 8)), true},
        {"a colour table at 24 bits", oldfile(table), false},
        {"run lengths longer than the rows", oldfile(rle), false},
        {"padding behind the rows", oldfile(grown(picture, 4)), false},
    };
    for (const auto &c : cases)
        for (int answer : {IDNO, IDYES}) {
            SCOPED_TRACE(c.name);
            Doc d;
            sbtest::ModalRecorder rec(answer);
            EXPECT_EQ(LoadBytes(d, c.file), !c.damaged || answer == IDYES);
            EXPECT_EQ(rec.calls.size(), c.damaged ? 1u : 0u);
            if (d.Count() == 2)
                EXPECT_EQ(d.Get(0).hedr.objectcount, c.damaged ? 0u : 1u);
            else
                EXPECT_TRUE(c.damaged && answer == IDNO);
        }

    Doc d;
    ASSERT_EQ(LoadBytes(d, oldfile(picture)), 1);
    ASSERT_EQ(d.Count(), 2u);
    BLOCK h = d.Get(0);
    ASSERT_EQ(h.hedr.objectcount, 1u);
    GlobalLocked<OBJECTHEADER> o(GetPageObject(&h, 0));
    EXPECT_EQ(o->tag, TAG_IMAG);
    EXPECT_EQ(o->fixedsize, 152u);
    EXPECT_EQ(o->datasize, picture.size());
    EXPECT_EQ(o->totalsize, 152 + picture.size());
    EXPECT_EQ(o->number, 0u);
    EXPECT_EQ(o->rect.right, 0);
    EXPECT_EQ(o->flags, 0u);
    EXPECT_EQ(Bytes(GetPageObject(&h, 0), 152 + picture.size()),
              [&] {
                  std::vector<uint8_t> v(152, 0);
                  memcpy(v.data(), o.get(), 76);
                  v.insert(v.end(), picture.begin(), picture.end());
                  return v;
              }());
    EXPECT_STREQ(d.Get(1).page.title, "old");
}

// Blocks that do not add up: each is noticed and asked about once; Yes keeps
// what could be read, No refuses the file.
TEST_F(Reading, BlocksThatDoNotAddUpAreNoticed)
{
    std::vector<uint8_t> f = Saved();
    Layout l = Walk(f, player.size());
    const uint32_t pagesize0 = At<uint32_t>(f, l.pages[0] + 4);
    const size_t wave = l.pageobjects[0][5];
    struct Case {
        const char *name;
        size_t at;
        uint32_t value;
        unsigned pages; // left after Yes
        size_t at2 = 0; // a second field changed with it
        uint32_t value2 = 0;
    } cases[] = {
        {"page tag damaged", l.pages[1], MakeTag("PAGf"), 2},
        {"object count too small", l.pages[0] + 322, 14, 3},
        {"size swallows the next page", l.pages[1] + 4, PAGESIZE * 2, 2},
        {"object bytes off by one", l.pages[0] + 12, pagesize0 - PAGESIZE - 1, 3},
        {"objects flag lost", l.pages[0] + 16, At<uint32_t>(f, l.pages[0] + 16) & ~1u, 3},
        {"header counts a block more", l.header + 338, 5, 3},
        {"header counts a block less", l.header + 338, 3, 3},
        {"header object bytes wrong", l.header + 12, At<uint32_t>(f, l.header + 12) + 4, 3},
        // The header's objects read as the older layout's, which has none.
        {"header layout flag cleared", l.header + 16, At<uint32_t>(f, l.header + 16) & ~HEDR_NEWLAYOUT, 3},
        // A sound of no data whose stream makes some, its sizes agreeing.
        {"data length 0 over a stream", wave + 12, 0, 3, wave + 4, At<uint32_t>(f, wave + 8)},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> g = f;
        Put<uint32_t>(g, c.at, c.value);
        if (c.at2)
            Put<uint32_t>(g, c.at2, c.value2);
        Put<uint32_t>(g, l.trailer + 318, Crc(&g[l.header], HEDRSIZE) ^ MASK_HEADERCRC);
        // A reader with no one to ask (the player's) refuses the document.
        {
            Doc p;
            ASSERT_TRUE(WriteFileBytes(folder.File("quiet.exe"), g));
            EXPECT_EQ(LoadExeFileWith(p.list, p.set, folder.File("quiet.exe").c_str(), LOADHOST{}), 0) << c.name;
        }
        for (int answer : {IDNO, IDYES}) {
            Doc d;
            sbtest::ModalRecorder rec(answer);
            EXPECT_EQ(LoadBytes(d, g), answer == IDYES) << c.name;
            ASSERT_EQ(rec.calls.size(), 1u) << c.name;
            EXPECT_EQ(rec.calls[0].text.rfind("There has been an error reading one of your page objects.", 0), 0u);
            if (answer == IDYES) {
                EXPECT_EQ(d.Count(), 1 + c.pages) << c.name;
                ExpectSound(d);
            }
        }
    }
    // Well formed, the same document asks nothing; nor does a header that
    // does not know its count.
    Put<uint32_t>(f, l.header + 338, 0);
    Put<uint32_t>(f, l.trailer + 318, Crc(&f[l.header], HEDRSIZE) ^ MASK_HEADERCRC);
    Doc d;
    EXPECT_EQ(LoadBytes(d, f), 1);
    EXPECT_EQ(d.Count(), 4u);
}

// A hand-made document: the header, then `blocks`, then the trailer.
std::vector<uint8_t> MakeDocument(BLOCK &header, const std::vector<uint8_t> &blocks)
{
    std::vector<uint8_t> f(100, 'P');
    header.hedr.size = HEDRSIZE;
    header.hedr.flags &= ~BLOCK_HASOBJECTS;
    header.hedr.objectbytes = 0;
    f.insert(f.end(), (uint8_t *)&header.hedr, (uint8_t *)&header.hedr + HEDRSIZE);
    f.insert(f.end(), blocks.begin(), blocks.end());
    ENDRECORD end{};
    end.tag = TAG_END;
    end.recordsize = ENDSIZE;
    end.length = (uint32_t)(f.size() + ENDSIZE - 100) ^ MASK_LENGTH;
    end.headercrc = Crc(&f[100], HEDRSIZE) ^ MASK_HEADERCRC;
    f.insert(f.end(), (uint8_t *)&end, (uint8_t *)&end + ENDSIZE);
    return f;
}

TEST_F(Reading, TinyUnknownBlocksEndAtTheHeadersCount)
{
    // 300000 blocks of 8 bytes: the walk stops at the first block the header
    // does not count, unless the user goes on, and then reads them from
    // memory, not a read each.
    std::vector<uint8_t> tiny;
    for (int i = 0; i < 300000; i++) {
        const uint32_t block[2] = {MakeTag("junk"), 8};
        tiny.insert(tiny.end(), (const uint8_t *)block, (const uint8_t *)(block + 1) + 4);
    }
    BLOCK header = AddHeader();
    header.hedr.blockcount = 1;
    std::vector<uint8_t> f = MakeDocument(header, tiny);
    static uint64_t reads, bytes;
    LOADHOST counting = EDITORLOAD;
    counting.read = [](HANDLE file, void *data, DWORD size) -> BOOL {
        reads++;
        bytes += size;
        DWORD got = 0;
        return ReadFile(file, data, size, &got, NULL) && got == size;
    };
    for (int answer : {IDNO, IDYES}) {
        Doc d;
        sbtest::ModalRecorder rec(answer);
        reads = bytes = 0;
        EXPECT_EQ(LoadBytes(d, f, counting), answer == IDYES);
        EXPECT_EQ(rec.calls.size(), 1u);
        EXPECT_EQ(d.Count(), 1u); // a refused load leaves what it appended to the caller
        // The whole walk: the file's bytes about once, in large reads.
        EXPECT_GT(reads, 0u) << "the load reads through its host";
        EXPECT_LE(bytes, 2 * f.size()) << answer;
        EXPECT_LE(reads, 2 * f.size() / (64 << 10) + 8) << answer;
    }
}

// `n` bytes more behind the fixed part of `object`, one of `page`'s objects,
// counted everywhere.
void Lengthen(std::vector<uint8_t> &f, size_t page, size_t object, int32_t n)
{
    const auto end = f.begin() + (long)(object + At<uint32_t>(f, object + 8));
    if (n < 0)
        f.erase(end + n, end);
    else
        f.insert(end, (size_t)n, 0xEE);
    for (size_t field : {object + 8, object + 4, page + 4, page + 12})
        Put<uint32_t>(f, field, At<uint32_t>(f, field) + n);
    size_t trailer = f.size() - ENDSIZE;
    Put<uint32_t>(f, trailer + 314, ((At<uint32_t>(f, trailer + 314) ^ MASK_LENGTH) + n) ^ MASK_LENGTH);
}

TEST_F(Reading, FixedPartsLongerThanTheirTypeAreDamageCutToTheType)
{
    std::vector<uint8_t> f = Saved();
    Layout l = Walk(f, player.size());
    const size_t button = l.pageobjects[0][0];
    ASSERT_EQ(At<uint32_t>(f, button + 8), sizeof(OBJECTBUTTON));
    Lengthen(f, l.pages[0], button, 20);

    {
        Doc refused;
        sbtest::ModalRecorder no(IDNO);
        EXPECT_EQ(LoadBytes(refused, f), 0);
        EXPECT_EQ(no.calls.size(), 1u);
    }
    Doc d;
    sbtest::ModalRecorder yes(IDYES);
    ASSERT_EQ(LoadBytes(d, f), 1);
    EXPECT_EQ(yes.calls.size(), 1u);
    BLOCK p = d.Get(1);
    {
        GlobalLocked<OBJECTHEADER> o(GetPageObject(&p, 0));
        EXPECT_EQ(o->fixedsize, sizeof(OBJECTBUTTON));
        EXPECT_EQ(o->totalsize, sizeof(OBJECTBUTTON));
    }
    ExpectSound(d);
    // An object made longer in memory is written at its type's size too.
    {
        HGLOBAL h = GetPageObject(&p, 1);
        HGLOBAL longer = GlobalReAlloc(h, GlobalSize(h) + 40, GMEM_MOVEABLE | GMEM_ZEROINIT);
        ASSERT_TRUE(longer);
        GlobalLocked<OBJECTHEADER> o(longer);
        memmove((char *)o.get() + o->fixedsize + 40, (char *)o.get() + o->fixedsize, o->datasize);
        o->fixedsize += 40;
        PutPageObject(&p, longer, 1);
    }
    std::string path = folder.File("normal.exe");
    ASSERT_EQ(WriteExeFile(d.list, d.set, path.c_str()), 1);
    std::vector<uint8_t> g = ReadFileBytes(path);
    Layout m = Walk(g, player.size());
    EXPECT_EQ(At<uint32_t>(g, m.pageobjects[0][0] + 8), sizeof(OBJECTBUTTON));
    EXPECT_EQ(At<uint32_t>(g, m.pageobjects[0][1] + 8), sizeof(OBJECTTEXT));
    Doc again;
    sbtest::ModalRecorder none;
    EXPECT_EQ(Load(again, path), 1);
    EXPECT_EQ(again.Get(1).page.objectcount, 15u);
}

// What a host was asked, by entry.
struct HostCalls {
    int password, question, open, progress, close;
} hostcalls;

int CountPassword(HWND, char *)
{
    hostcalls.password++;
    return 0;
}
int CountQuestion(HWND)
{
    hostcalls.question++;
    return 1;
}
void CountOpen(HWND, uint32_t)
{
    hostcalls.open++;
}
void CountProgress(unsigned, unsigned)
{
    hostcalls.progress++;
}
void CountClose()
{
    hostcalls.close++;
}

// Any entry of the host may be missing: a valid document loads whatever the
// host gives, and damage is passed over only where someone says go on.
TEST_F(Reading, AHostMayLeaveOutAnyEntry)
{
    std::vector<uint8_t> f = Saved();
    Layout l = Walk(f, player.size());
    std::string valid = folder.File("valid.exe"), damaged = folder.File("damaged.exe");
    ASSERT_TRUE(WriteFileBytes(valid, f));
    f[l.pageobjects[0][4] + 152 + 3000] ^= 0x55; // inside the picture's stream
    ASSERT_TRUE(WriteFileBytes(damaged, f));
    const LOADHOST all = {CountPassword, CountQuestion, CountOpen, CountProgress, CountClose, true, true, nullptr};
    struct Case {
        const char *name;
        LOADHOST host;
    } cases[] = {{"nothing", {}}, {"password", {}}, {"question", {}}, {"open", {}},
                 {"progress", {}}, {"close", {}}, {"all", all}};
    cases[1].host.password = all.password;
    cases[2].host.goonwithout = all.goonwithout;
    cases[3].host.openprogress = all.openprogress;
    cases[4].host.progress = all.progress;
    cases[5].host.closeprogress = all.closeprogress;
    sbtest::ModalRecorder none; // a host that shows nothing: nothing is shown
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        hostcalls = {};
        Doc d;
        EXPECT_EQ(LoadExeFileWith(d.list, d.set, valid.c_str(), c.host), 1);
        EXPECT_EQ(d.Count(), 4u);
        ExpectSound(d);
        EXPECT_EQ(hostcalls.password + hostcalls.question, 0);
        EXPECT_EQ(hostcalls.open, c.host.openprogress ? 1 : 0);
        EXPECT_EQ(hostcalls.progress, c.host.progress ? 4 : 0); // none done, then each of three pages
        EXPECT_EQ(hostcalls.close, c.host.closeprogress ? 1 : 0);

        hostcalls = {};
        Doc e;
        EXPECT_EQ(LoadExeFileWith(e.list, e.set, damaged.c_str(), c.host), c.host.goonwithout ? 1 : 0);
        EXPECT_EQ(hostcalls.question, c.host.goonwithout ? 1 : 0);
        EXPECT_EQ(hostcalls.close, c.host.closeprogress ? 1 : 0);
    }
    EXPECT_TRUE(none.calls.empty());
}

// A read of the file that fails anywhere in a document larger than the
// reader's window, the middle of a picture's stream among them, fails the
// load without a question, which the editor reports as an error reading the
// file and closes what was read.
TEST_F(Reading, AFailedReadAtAnyRefillFailsTheLoad)
{
    AddHeader();
    BLOCK page = NewPage("Picture");
    AddData(page, TAG_IMAG, Dib(600, 400, Noise(600 * 400 * 3, 5))); // its stream spans three refills
    AppendBlock(list, set, &page);
    BLOCK last = NewPage("After");
    AddObject(last, TAG_FRAM);
    AppendBlock(list, set, &last);
    const std::string path = Save("large.exe");
    static int reads, failat;
    LOADHOST failing = EDITORLOAD;
    failing.goonwithout = CountQuestion;
    failing.read = [](HANDLE file, void *data, DWORD size) -> BOOL {
        DWORD got = 0;
        return ++reads != failat && ReadFile(file, data, size, &got, NULL) && got == size;
    };
    sbtest::ModalRecorder none;
    Doc whole;
    reads = 0;
    failat = -1;
    ASSERT_EQ(LoadExeFileWith(whole.list, whole.set, path.c_str(), failing), 1);
    ASSERT_EQ(whole.Count(), 3u);
    const int all = reads;
    EXPECT_GE(all, 4) << "the trailer, then the document in three blocks";
    for (failat = 1; failat <= all; failat++) {
        SCOPED_TRACE(testing::Message() << "read " << failat << " of " << all << " fails");
        hostcalls = {};
        reads = 0;
        Doc d;
        SetLastError(0);
        EXPECT_EQ(LoadExeFileWith(d.list, d.set, path.c_str(), failing), 0);
        EXPECT_NE(GetLastError(), LOADERROR_TOOMANYBLOCKS);
        EXPECT_EQ(hostcalls.question, 0);
    }
    EXPECT_TRUE(none.calls.empty());
}

// Progress through a document of thousands of pages moves as a bar can show
// it, not once a page, and ends at the last page.
std::vector<std::pair<unsigned, unsigned>> progressseen;
void RecordProgress(unsigned done, unsigned of)
{
    progressseen.emplace_back(done, of);
}

TEST_F(Reading, ProgressThroughManyPagesIsReportedAsABarMoves)
{
    constexpr unsigned PAGES = 3000;
    AddHeader();
    for (unsigned i = 0; i < PAGES; i++) {
        BLOCK page = NewPage("p");
        ASSERT_GT(AppendBlock(list, set, &page), 0);
    }
    std::string path = Save("many.exe");
    LOADHOST host{};
    host.progress = RecordProgress;
    progressseen.clear();
    Doc d;
    ASSERT_EQ(LoadExeFileWith(d.list, d.set, path.c_str(), host), 1);
    EXPECT_EQ(d.Count(), PAGES + 1);
    // However the load moved through the list, it shows the top it showed.
    EXPECT_EQ(SendMessageA(d.list, LB_GETTOPINDEX, 0, 0), 0);
    ASSERT_FALSE(progressseen.empty());
    EXPECT_LE(progressseen.size(), 1100u);
    EXPECT_EQ(progressseen.front(), std::make_pair(0u, PAGES + 1));
    EXPECT_EQ(progressseen.back(), std::make_pair(PAGES, PAGES + 1));
    for (size_t i = 1; i < progressseen.size(); i++)
        EXPECT_LT(progressseen[i - 1].first, progressseen[i].first);
}

// An object head whose sizes say two things is damage, asked about like the
// blocks' sums; going on keeps the object as its fixed part and data say.
TEST_F(Reading, ObjectHeadsThatContradictThemselvesAreDamage)
{
    std::vector<uint8_t> f = Saved();
    Layout l = Walk(f, player.size());
    const size_t button = l.pageobjects[0][0], wave = l.pageobjects[0][5];
    const uint32_t buttontotal = At<uint32_t>(f, button + 4), wavetotal = At<uint32_t>(f, wave + 4);
    // A type this reader does not know may have a fixed part up to the bound.
    const uint32_t tobound = MAXFIXEDSIZE - At<uint32_t>(f, button + 8);
    const struct {
        const char *name;
        size_t object;
        uint32_t tag, total;
        bool damaged;
        int32_t longer = 0; // bytes added to the fixed part (taken when less than 0)
        bool left = false;  // left out when the user goes on
        bool refused = false; // the load fails without a question
    } cases[] = {
        {"unknown tag, sizes agree", button, MakeTag("junk"), buttontotal, false},
        {"unknown tag, total too large", button, MakeTag("junk"), buttontotal + 5, true},
        {"unknown tag, total too small", button, MakeTag("junk"), buttontotal - 1, true},
        {"unknown tag, total of nothing", button, MakeTag("junk"), 0, true},
        {"known tag, total too large", wave, TAG_WAVE, wavetotal + 1, true},
        {"unknown tag, fixed part at the bound", button, MakeTag("junk"), buttontotal + tobound, false,
         (int32_t)tobound},
        {"unknown tag, fixed part a byte over", button, MakeTag("junk"), buttontotal + tobound + 1, true,
         (int32_t)tobound + 1, true},
        {"unknown tag, fixed part shorter than a head", button, MakeTag("junk"), 40, true,
         40 - (int32_t)buttontotal, false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> g = f;
        if (c.longer)
            Lengthen(g, l.pages[0], c.object, c.longer);
        Put<uint32_t>(g, c.object, c.tag);
        Put<uint32_t>(g, c.object + 4, c.total);
        for (int answer : {IDNO, IDYES}) {
            Doc d;
            sbtest::ModalRecorder rec(answer);
            EXPECT_EQ(LoadBytes(d, g), !c.refused && (!c.damaged || answer == IDYES));
            EXPECT_EQ(rec.calls.size(), c.damaged && !c.refused ? 1u : 0u);
            if (d.Count() < 2)
                continue;
            ExpectSound(d);
            BLOCK p = d.Get(1);
            ASSERT_EQ(p.page.objectcount, c.left ? 14u : 15u);
            GlobalLocked<OBJECTHEADER> o(GetPageObject(&p, c.object == button ? 0 : 5));
            EXPECT_EQ(o->tag, c.left ? TAG_TEXT : c.tag);
            EXPECT_EQ(o->fixedsize, c.left ? sizeof(OBJECTTEXT) : At<uint32_t>(f, c.object + 8) + c.longer);
        }
    }
}

// One answer holds for the whole document: damage everywhere asks once, Yes
// keeps what can be read, No ends the load.
TEST_F(Reading, TheQuestionIsAskedOnceADocument)
{
    std::vector<uint8_t> f = Saved();
    const Layout l = Walk(f, player.size());
    std::vector<size_t> objects = l.headerobjects;
    for (const auto &page : l.pageobjects)
        objects.insert(objects.end(), page.begin(), page.end());

    auto load = [&](const std::vector<uint8_t> &g, const char *what) {
        for (int answer : {IDNO, IDYES}) {
            Doc d;
            sbtest::ModalRecorder rec(answer);
            int r = LoadBytes(d, g);
            EXPECT_LE(rec.calls.size(), 1u) << what;
            if (!rec.calls.empty() && answer == IDNO) {
                EXPECT_EQ(r, 0) << what;
            }
            ExpectSound(d);
        }
    };
    // Every object's data damaged, and a block more than the header counts.
    {
        std::vector<uint8_t> g = f;
        for (size_t o : objects)
            if (At<uint32_t>(g, o + 16))
                g[o + At<uint32_t>(g, o + 8) + At<uint32_t>(g, o + 16) / 2] ^= 0x5A;
        Put<uint32_t>(g, l.header + 338, 3);
        Put<uint32_t>(g, l.trailer + 318, Crc(&g[l.header], HEDRSIZE) ^ MASK_HEADERCRC);
        Doc d;
        sbtest::ModalRecorder rec(IDYES);
        ASSERT_EQ(LoadBytes(d, g), 1);
        EXPECT_EQ(rec.calls.size(), 1u);
        // Those with data are left out.
        EXPECT_EQ(d.Get(1).page.objectcount,
                  std::count_if(l.pageobjects[0].begin(), l.pageobjects[0].end(),
                                [&](size_t o) { return At<uint32_t>(f, o + 16) == 0; }));
        load(g, "all data");
    }
    // Each field of every object's head at once, to values that contradict
    // the rest, lie or cannot be.
    const uint32_t values[] = {0, 1, 75, 76, 124, 0x10000, 0x7FFFFFFF, 0xFFFFFFFF};
    for (size_t field : {0, 4, 8, 12, 16}) {
        for (uint32_t v : values) {
            std::vector<uint8_t> g = f;
            for (size_t o : objects)
                Put<uint32_t>(g, o + field, field == 0 ? MakeTag("junk") ^ v : v);
            load(g, ("field " + std::to_string(field) + " = " + std::to_string(v)).c_str());
        }
        for (int delta : {-1, 1}) {
            std::vector<uint8_t> g = f;
            for (size_t o : objects)
                Put<uint32_t>(g, o + field, At<uint32_t>(g, o + field) + (uint32_t)delta);
            load(g, ("field " + std::to_string(field) + " moved by " + std::to_string(delta)).c_str());
        }
    }

    // A page of many objects, each with a stream that does not expand.
    BLOCK header = AddHeader();
    header.hedr.blockcount = 2;
    const uint32_t count = 20000, record = OBJECTHEADERSIZE + 3;
    std::vector<uint8_t> page(PAGESIZE, 0), object(record, 'x');
    Put<uint32_t>(object, 0, MakeTag("junk"));
    Put<uint32_t>(object, 4, OBJECTHEADERSIZE + 5);
    Put<uint32_t>(object, 8, OBJECTHEADERSIZE);
    Put<uint32_t>(object, 12, 5);
    Put<uint32_t>(object, 16, 3);
    for (uint32_t i = 0; i < count; i++)
        page.insert(page.end(), object.begin(), object.end());
    Put<uint32_t>(page, 0, TAG_PAGE);
    Put<uint32_t>(page, 4, (uint32_t)page.size());
    Put<uint32_t>(page, 8, PAGESIZE);
    Put<uint32_t>(page, 12, (uint32_t)page.size() - PAGESIZE);
    Put<uint32_t>(page, 16, BLOCK_HASOBJECTS);
    Put<uint32_t>(page, 322, count);
    std::vector<uint8_t> g = MakeDocument(header, page);
    for (int answer : {IDNO, IDYES}) {
        Doc d;
        sbtest::ModalRecorder rec(answer);
        EXPECT_EQ(LoadBytes(d, g), answer == IDYES);
        EXPECT_EQ(rec.calls.size(), 1u);
        if (answer == IDYES) {
            ASSERT_EQ(d.Count(), 2u);
            EXPECT_EQ(d.Get(1).page.objectcount, 0u);
            ExpectSound(d);
        }
    }
}

// How many more movable memory handles the process could take now.
size_t FreeHandles()
{
    std::vector<HGLOBAL> taken;
    while (taken.size() < 70000)
        if (HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 1))
            taken.push_back(h);
        else
            break;
    for (HGLOBAL h : taken)
        GlobalFree(h);
    return taken.size();
}

// A document that needs more memory handles than a document may take is
// refused before the system runs out, says why, and leaves nothing behind;
// one that needs them all loads.
TEST_F(Reading, ADocumentTooLargeForTheSystemIsRefusedWhole)
{
    // Handles: the header, then per page the block, its array and objects.
    const struct {
        const char *name;
        uint32_t pages, objects; // objects on the first page
    } cases[] = {
        {"objects, all the handles", 1, MAXDOCUMENTHANDLES - 3},
        {"objects, one handle more", 1, MAXDOCUMENTHANDLES - 2},
        {"pages, one handle more", MAXDOCUMENTHANDLES, 0},
    };
    std::vector<uint8_t> object(OBJECTHEADERSIZE, 0);
    Put<uint32_t>(object, 0, MakeTag("tiny"));
    Put<uint32_t>(object, 4, OBJECTHEADERSIZE);
    Put<uint32_t>(object, 8, OBJECTHEADERSIZE);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> blocks;
        blocks.reserve((size_t)c.pages * PAGESIZE + (size_t)c.objects * OBJECTHEADERSIZE);
        for (uint32_t i = 0; i < c.pages; i++) {
            uint32_t n = i == 0 ? c.objects : 0, size = PAGESIZE + n * OBJECTHEADERSIZE;
            size_t at = blocks.size();
            blocks.resize(at + PAGESIZE);
            Put<uint32_t>(blocks, at, TAG_PAGE);
            Put<uint32_t>(blocks, at + 4, size);
            Put<uint32_t>(blocks, at + 8, PAGESIZE);
            Put<uint32_t>(blocks, at + 12, size - PAGESIZE);
            Put<uint32_t>(blocks, at + 16, n ? BLOCK_HASOBJECTS : 0);
            Put<uint32_t>(blocks, at + 322, n);
            for (uint32_t j = 0; j < n; j++)
                blocks.insert(blocks.end(), object.begin(), object.end());
        }
        Doc d;
        BLOCK header = d.AddHeader();
        d.Clear();
        header.hedr.blockcount = c.pages + 1;
        std::string path = folder.File("large.exe");
        ASSERT_TRUE(WriteFileBytes(path, MakeDocument(header, blocks)));
        const bool fits = 1 + c.pages + (c.objects ? 1 + c.objects : 0) <= MAXDOCUMENTHANDLES;
        size_t before = FreeHandles();
        sbtest::ModalRecorder rec(IDYES);
        SetLastError(0);
        EXPECT_EQ(LoadExeFileWith(d.list, d.set, path.c_str(), EDITORLOAD), fits ? 1 : 0);
        if (fits) {
            EXPECT_EQ(d.Count(), c.pages + 1);
            EXPECT_EQ(d.Get(1).page.objectcount, c.objects);
        } else {
            EXPECT_EQ(GetLastError(), LOADERROR_TOOMANYBLOCKS);
            EXPECT_EQ(d.Count(), 0u);
            EXPECT_EQ(FreeHandles(), before);
        }
        EXPECT_TRUE(rec.calls.empty());
    }
}

// A write that fails or falls short anywhere in the save: the save gives the
// reason (the write's own, or a full disk for a short count) and the old file
// stays as it was.
TEST_F(SavedFiles, AFailedWriteGivesItsReasonAndKeepsTheOldFile)
{
    AddHeader();
    BuildEveryType();
    std::string path = folder.File("show.exe");
    const std::vector<uint8_t> old(5000, 'o');
    ASSERT_TRUE(WriteFileBytes(path, old));
    static int allowed;
    static DWORD code;
    // As a full disk does: the first write past the allowed ones writes half
    // and says it succeeded.
    DOCUMENTWRITER shortwrite = [](HANDLE file, const void *data, DWORD size, DWORD *written) -> BOOL {
        return WriteFile(file, data, allowed-- > 0 ? size : size / 2, written, NULL);
    };
    DOCUMENTWRITER failing = [](HANDLE file, const void *data, DWORD size, DWORD *written) -> BOOL {
        if (allowed-- > 0)
            return WriteFile(file, data, size, written, NULL);
        SetLastError(code);
        return FALSE;
    };
    const struct {
        DOCUMENTWRITER writer;
        DWORD code, expected;
    } cases[] = {
        {shortwrite, 0, ERROR_DISK_FULL},
        {failing, ERROR_HANDLE_DISK_FULL, ERROR_HANDLE_DISK_FULL},
        {failing, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
    };
    for (const auto &c : cases)
        for (int n : {0, 1, 2, 3, 10, 25}) {
            code = c.code;
            allowed = n;
            SetLastError(0);
            EXPECT_EQ(WriteExeFile(list, set, path.c_str(), SAVEHOST{c.writer, nullptr}), 0) << n;
            EXPECT_EQ(GetLastError(), c.expected) << n;
            EXPECT_TRUE(ReadFileBytes(path) == old) << n;
            EXPECT_EQ(folder.Files().size(), 1u) << n;
        }
}

TEST_F(SavedFiles, AFolderTooLongFailsFirst)
{
    AddHeader();
    std::string path = folder.File("show.exe");

    // A folder with no room for a temporary name in it, whether it exists or
    // not, is refused before a name is made.
    std::string deep = folder.path;
    while (deep.size() < 250)
        deep.append(1, '\\').append(std::min<size_t>(60, 250 - deep.size()), 'd');
    for (size_t cut : {deep.size(), (size_t)(MAX_PATH - 14 + 1)}) {
        std::string target = deep.substr(0, cut) + "\\x.exe";
        SetLastError(0);
        EXPECT_EQ(WriteExeFile(list, set, target.c_str()), 0) << target.size();
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILENAME_EXCED_RANGE);
    }
    EXPECT_TRUE(folder.Files().empty());
    ASSERT_EQ(WriteExeFile(list, set, path.c_str()), 1);
    EXPECT_EQ(GetLastError(), 0u);
}

// Many damaged copies of one document: each load ends in success or a clean
// failure, and whatever it leaves in the list is whole. The damage reaches
// every record and a sample of each kind of object; the header's checksum is
// made right again, so that a changed header is read rather than refused.
TEST_F(Reading, DamagedCopiesNeverBreakTheReader)
{
    // The reader needs nothing of the program before the document: a short
    // stand-in keeps the copies small.
    const size_t start = 4000;
    std::vector<uint8_t> saved = Saved(), f(start, 'P');
    f.insert(f.end(), saved.begin() + (long)player.size(), saved.end());
    const Layout l = Walk(f, start);
    int copies = 0, loaded = 0, refused = 0;
    DWORD began = GetTickCount();
    Doc d;
    auto tryload = [&](std::vector<uint8_t> g, bool fixcrc = true) {
        if (HasFailure())
            return;
        if (fixcrc && g.size() == f.size())
            Put<uint32_t>(g, l.trailer + 318, Crc(&g[start], HEDRSIZE) ^ MASK_HEADERCRC);
        d.Clear();
        sbtest::ModalRecorder rec(copies++ % 2 ? IDYES : IDNO);
        int r = LoadBytes(d, g);
        ASSERT_TRUE(r == 0 || r == 1);
        (r ? loaded : refused)++;
        ExpectSound(d);
        for (const auto &c : rec.calls)
            EXPECT_TRUE(c.name == "YesnoBox" || c.name == "GetPasswordBox") << c.name;
        EXPECT_LE(std::count_if(rec.calls.begin(), rec.calls.end(), [](const auto &c) { return c.name == "YesnoBox"; }),
                  1);
        if (HasFailure())
            ADD_FAILURE() << "copy " << copies - 1;
    };
    auto put = [&](size_t at, uint32_t v, bool fixcrc = true) {
        std::vector<uint8_t> g = f;
        Put<uint32_t>(g, at, v);
        tryload(g, fixcrc);
    };
    auto flip = [&](size_t from, size_t to, size_t step, bool fixcrc = true) {
        for (size_t i = from; i < to; i += step) {
            std::vector<uint8_t> g = f;
            g[i] ^= (uint8_t)(1 + i % 255);
            tryload(g, fixcrc);
        }
    };

    // Objects of every shape: without data, with a little, a large picture,
    // an applet, the last of a page, the only one of a page, a header object.
    const std::vector<size_t> objects = {l.pageobjects[0][0], l.pageobjects[0][1],  l.pageobjects[0][4],
                                         l.pageobjects[0][10], l.pageobjects[0][14], l.pageobjects[2][0],
                                         l.headerobjects[0]};
    // Bytes of the records densely, of the compressed streams sparsely.
    std::vector<std::pair<size_t, size_t>> records = {{l.header, l.header + HEDRSIZE}};
    for (size_t p : l.pages)
        records.push_back({p, p + PAGESIZE});
    for (const auto &page : l.pageobjects)
        for (size_t o : page)
            records.push_back({o, o + At<uint32_t>(f, o + 8)});
    for (size_t o : l.headerobjects)
        records.push_back({o, o + At<uint32_t>(f, o + 8)});
    for (size_t i = 0; i < records.size(); i++)
        flip(records[i].first + i * 11 % 29, records[i].second, 29); // a different phase in each
    flip(start + HEDRSIZE, l.trailer, 401);
    flip(l.trailer, l.trailer + 12, 1, false);
    flip(l.trailer + 314, l.trailer + 326, 1, false);
    flip(l.trailer + 12, l.trailer + ENDSIZE, 40, false);

    const uint32_t values[] = {0,       75,         76,         357,        358,        2288,
                               0x10000, 0x10001,    0x7FFFFFFF, 0xFFFFFFF0, 0xFFFFFFFF, (uint32_t)f.size()};
    std::vector<std::pair<size_t, std::vector<size_t>>> fields = {{l.header, {4, 8, 12, 16, 2160, 2168}}};
    for (size_t p : l.pages)
        fields.push_back({p, {0, 4, 8, 12, 16, 322}});
    for (size_t o : objects)
        fields.push_back({o, {0, 4, 8, 12, 16, 76}});
    for (const auto &[at, offsets] : fields)
        for (size_t off : offsets)
            for (uint32_t v : values)
                put(at + off, v);
    for (uint32_t v : values) {
        put(l.trailer + 314, v ^ MASK_LENGTH, false);
        put(l.trailer + 318, v ^ MASK_HEADERCRC, false);
    }
    // An object taken for another type: its fixed part and data read as that type's.
    for (size_t o : objects)
        for (uint32_t tag : {TAG_BUTN, TAG_TEXT, TAG_APPL, TAG_FONT})
            put(o, tag);

    for (size_t cut = start; cut < f.size(); cut += 997)
        tryload(std::vector<uint8_t>(f.begin(), f.begin() + (long)cut));
    for (size_t p : l.pages)
        for (size_t cut : {p - 1, p, p + 1, p + 357})
            tryload(std::vector<uint8_t>(f.begin(), f.begin() + (long)cut));
    for (size_t extra : {3u, 400u, 70000u}) {
        std::vector<uint8_t> g = f;
        std::vector<uint8_t> tail(extra, 'E');
        for (size_t i = 0; i + 4 <= extra; i += 97)
            memcpy(&tail[i], "END$", 4);
        g.insert(g.end(), tail.begin(), tail.end());
        tryload(g);
    }

    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
    printf("%d damaged copies: %d loaded, %d refused, %lu ms\n", copies, loaded, refused,
           (unsigned long)(GetTickCount() - began));
}

} // namespace
