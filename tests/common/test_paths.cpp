#include "common/paths.h"
#include "common/shell.h"
#include "common/sticky.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

using sbtest::ModalRecorder;

namespace {

std::string folderanswer;
bool FakeFolder(int, char *out)
{
    lstrcpynA(out, folderanswer.c_str(), MAX_PATH);
    return !folderanswer.empty();
}

// Settings and the shell's folders set for one test, restored after it.
struct PathFixture : ::testing::Test {
    char savedapp[SETTINGTEXT], savedopen[SETTINGTEXT];
    FOLDERREADER savedreader;
    void SetUp() override
    {
        strcpy(savedapp, ApplicationPath);
        strcpy(savedopen, OpenPath);
        savedreader = COMMONSetFolderReader(FakeFolder);
        folderanswer = "C:\\Users\\me\\AppData";
    }
    void TearDown() override
    {
        strcpy(ApplicationPath, savedapp);
        strcpy(OpenPath, savedopen);
        COMMONSetFolderReader(savedreader);
    }
};

TEST_F(PathFixture, BuildersJoinOnceAndRefuseWhatDoesNotFit)
{
    std::string longfolder = "C:\\" + std::string(250, 'f');
    std::string longname(MAX_PATH, 'n');
    struct Case {
        std::string app, name, expect;
    } cases[] = {
        {"C:\\app", "x.htm", "C:\\app\\x.htm"},
        {"C:\\app\\", "x.htm", "C:\\app\\x.htm"},
        {"", "x.htm", "x.htm"},
        {longfolder, "html\\referenc.htm", longfolder + "\\html\\referenc.htm"},
        {"C:\\app", longname, ""},
    };
    for (const Case &c : cases) {
        strcpy(ApplicationPath, c.app.c_str());
        EXPECT_EQ(AddApplicationPath(c.name.c_str()), c.expect) << c.app << " + " << c.name;
    }

    strcpy(OpenPath, "D:\\shows\\old.sbd");
    EXPECT_STREQ(AddCurrentPath("E:\\elsewhere\\pic.bmp"), "D:\\shows\\pic.bmp");
    EXPECT_STREQ(AddCurrentPath(longname.c_str()), "");

    EXPECT_STREQ(COMMONAddApplicationDataPath("a.ini"), "C:\\Users\\me\\AppData\\Quellwick\\a.ini");
    EXPECT_STREQ(COMMONAddApplicationDataSubPath("t.CCL"), "C:\\Users\\me\\AppData\\Quellwick\\Showbinder\\t.CCL");
    EXPECT_STREQ(COMMONAddApplicationDataSubPath(""), "C:\\Users\\me\\AppData\\Quellwick\\Showbinder");
    folderanswer = std::string(MAX_PATH - 1, 'u');
    EXPECT_STREQ(COMMONAddDocumentPath("d.sbd"), (folderanswer + "\\d.sbd").c_str());
    folderanswer = "";
    EXPECT_STREQ(COMMONAddApplicationDataPath("a.ini"), "");
    EXPECT_STREQ(COMMONAddDocumentPath("d.sbd"), "");
}

TEST_F(PathFixture, ConfigDirectoryIsTerminatedInsideTheBuffer)
{
    char buffer[16];
    memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(COMMONGetConfigDirectory(buffer, 10), 1);
    EXPECT_STREQ(buffer, "C:\\Users\\");
    EXPECT_EQ(buffer[10], 'X');
    char whole[MAX_PATH];
    EXPECT_EQ(COMMONGetConfigDirectory(whole, sizeof whole), 1);
    EXPECT_STREQ(whole, "C:\\Users\\me\\AppData\\Quellwick\\");
    folderanswer = "";
    EXPECT_EQ(COMMONGetConfigDirectory(whole, sizeof whole), 0);
    EXPECT_STREQ(whole, "");
}

TEST(Paths, TextHelpers)
{
    EXPECT_STREQ(MakeHexPath("C:\\my  docs\\a b.htm"), "C:\\my%20%20docs\\a%20b.htm");
    EXPECT_STREQ(MakeHexPath("plain"), "plain");
    std::string blanks;
    for (int i = 0; i < 340; i++)
        blanks += "%20";
    EXPECT_EQ(MakeHexPath(std::string(340, ' ').c_str()), blanks); // 1020 characters fit
    EXPECT_STREQ(MakeHexPath(std::string(400, ' ').c_str()), ""); // 1200 characters do not fit
    char out[MAX_PATH], anchor[MAX_PATH];
    COMMONSplitHTMLReference(out, anchor, "http://x.example/a.htm#top#2");
    EXPECT_STREQ(out, "http://x.example/a.htm");
    EXPECT_STREQ(anchor, "#top#2");
    COMMONSplitHTMLReference(out, anchor, "page.htm");
    EXPECT_STREQ(out, "page.htm");
    EXPECT_STREQ(anchor, "");
    const struct {
        const char *path, *name;
    } names[] = {{"C:\\shows\\a.exe", "a.exe"}, {"C:a.exe", "a.exe"}, {"shows/a b.sbd", "a b.sbd"},
                 {"C:\\shows\\", ""}, {"plain", "plain"}, {"", ""}, {"\\\\server\\share\\x", "x"}};
    for (const auto &c : names)
        EXPECT_STREQ(COMMONFileNamePart(c.path), c.name) << c.path;
    char quoted[] = "\"C:\\Program Files\\show.sbd\"";
    EXPECT_STREQ(COMMONUnQuoteCommandLine(quoted), "C:\\Program Files\\show.sbd");
    char help[MAX_PATH];
    MakeHelpPathName(help);
    size_t n = strlen(help);
    ASSERT_GT(n, 15u);
    EXPECT_STREQ(help + n - 16, "\\SHOWBUILDER.HLP");
}

TEST(Paths, TemporaryNamesAreUniqueReservedAndLeaveNoPlaceholder)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    char a[MAX_PATH], b[MAX_PATH];
    ASSERT_GT(COMMONGetTemporaryFileName(a, "SBT", ".MID", 0), 0);
    ASSERT_GT(COMMONGetTemporaryFileName(b, "SBT", "MID", 0), 0);
    EXPECT_STRNE(a, b);
    for (const char *name : {a, b}) {
        EXPECT_EQ(_strnicmp(name, folder, strlen(folder)), 0) << name;
        EXPECT_STREQ(name + strlen(name) - 4, ".MID");
        EXPECT_NE(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES) << "the name is reserved";
        std::string placeholder(name, strlen(name) - 4);
        EXPECT_EQ(GetFileAttributesA((placeholder + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
        DeleteFileA(name);
    }
    ASSERT_GT(COMMONGetTemporaryFileName(a, "SBT", ".tmp", 0), 0);
    EXPECT_NE(GetFileAttributesA(a), INVALID_FILE_ATTRIBUTES);
    DeleteFileA(a);
}

TEST(Paths, BrowsersAreTriedInOrderThenTheUserIsTold)
{
    ModalRecorder rec;
    rec.Answer(2);
    rec.Answer(0);
    rec.Answer(42);
    EXPECT_EQ(ViewHTMLDocument(NULL, "C:\\my docs\\page.htm", "#top", 1), 1);
    ASSERT_EQ(rec.calls.size(), 3u);
    EXPECT_EQ(rec.calls[0].name, "firefox.exe");
    EXPECT_EQ(rec.calls[1].name, "opera.exe");
    EXPECT_EQ(rec.calls[2].name, "c:\\Program Files\\Opera\\opera.exe");
    EXPECT_EQ(rec.calls[2].text, "file:///C:\\my%20docs\\page.htm#top");
    EXPECT_EQ(rec.calls[2].style, (UINT)SW_MAXIMIZE);

    rec.calls.clear();
    rec.Answer(33);
    EXPECT_EQ(ViewHTMLDocument(NULL, "http://x.example/a b.htm", "#gone", 0), 1);
    EXPECT_EQ(rec.calls[0].text, "http://x.example/a%20b.htm");
    EXPECT_EQ(rec.calls[0].style, (UINT)SW_SHOW);

    // No browser and no program for a page that does not exist.
    rec.calls.clear();
    for (int i = 0; i < 5; i++)
        rec.Answer(2);
    rec.Answer(IDOK);
    EXPECT_EQ(ViewHTMLDocument(NULL, "C:\\nowhere\\none.htm", NULL, 0), 0);
    ASSERT_EQ(rec.calls.size(), 6u);
    EXPECT_EQ(rec.calls[5].kind, MODAL_DIALOG);
    EXPECT_NE(rec.calls[5].text.find("capable of opening HTML documents"), std::string::npos);
    EXPECT_NE(rec.calls[5].text.find("\n\nC:\\nowhere\\none.htm"), std::string::npos) << rec.calls[5].text;
}

// Wine's own path calls, which the hand-over relies on.
std::string UnixName(const std::string &path)
{
    typedef char *(CDECL * NAMER)(LPCWSTR);
    auto namer = (NAMER)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    WCHAR wide[MAX_PATH];
    char *name = namer && MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) ? namer(wide) : NULL;
    std::string out = name ? name : "";
    if (name)
        HeapFree(GetProcessHeap(), 0, name);
    return out;
}

bool ExistsOnHost(const std::string &unixpath)
{
    typedef WCHAR *(CDECL * NAMER)(LPCSTR);
    auto namer = (NAMER)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name");
    WCHAR *name = namer ? namer(unixpath.c_str()) : NULL;
    bool exists = name && GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES;
    if (name)
        HeapFree(GetProcessHeap(), 0, name);
    return exists;
}

// The platform as it is outside Wine: without Wine's own calls.
FARPROC(WINAPI *realgetprocaddress)(HMODULE, LPCSTR);
FARPROC WINAPI WithoutWineCalls(HMODULE module, LPCSTR name)
{
    return !IS_INTRESOURCE(name) && strncmp(name, "wine_", 5) == 0 ? NULL : realgetprocaddress(module, name);
}

std::vector<std::string> boxes;
// Programs start for real; every box is answered and its text kept.
INT_PTR LaunchForReal(const MODALCALL *call)
{
    if (call->kind == MODAL_LAUNCH)
        return COMMONModalForReal(call);
    boxes.push_back(call->text ? call->text : "");
    return IDOK;
}

// Started by the run script, a page goes to the host's browser that the
// script found. Here a stand-in takes its place: a host script (Wine makes
// a file named .exe executable) that writes down the address it was given.
struct HostBrowser : ::testing::Test {
    std::string folder, standin, got, page;
    MODALHOOK saved = NULL;
    bool hooked = false;
    char savedapp[SETTINGTEXT];
    void SetUp() override
    {
        strcpy(savedapp, ApplicationPath);
        ApplicationPath[0] = 0;
        COMMONSetApplicationPath(); // the installed pages beside the program
        char temp[MAX_PATH], name[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        ASSERT_NE(GetTempFileNameA(temp, "SBB", 0, name), 0u);
        DeleteFileA(name);
        folder = name;
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
        CreateDirectoryA((folder + "\\my pages #2").c_str(), NULL);
        page = folder + "\\my pages #2\\a%b.htm";
        std::ofstream(page) << "<html></html>";
        standin = folder + "\\browser.exe";
        got = standin + ".got";
        std::ofstream(standin, std::ios::binary)
            << "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.got\"\n";
        if (UnixName(standin).empty())
            GTEST_SKIP() << "not under Wine: there is no host to hand pages to";
        saved = COMMONSetModalHook(LaunchForReal);
        hooked = true;
        boxes.clear();
    }
    void TearDown() override
    {
        strcpy(ApplicationPath, savedapp);
        if (hooked)
            COMMONSetModalHook(saved);
        SetEnvironmentVariableA("SB_HOST_BROWSER", NULL);
        for (const std::string &f : {page, standin, got, standin + ".tmp"})
            DeleteFileA(f.c_str());
        RemoveDirectoryA((folder + "\\my pages #2").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    // What the stand-in was handed: its address, once it has written it.
    std::string Handed()
    {
        EXPECT_TRUE(sbtest::PumpUntil([&] { return GetFileAttributesA(got.c_str()) != INVALID_FILE_ATTRIBUTES; }))
            << "the stand-in browser never wrote down an address";
        std::ifstream in(got, std::ios::binary);
        std::string address((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        DeleteFileA(got.c_str());
        return address;
    }
};

// The address is a file address of the page's host path, at its anchor.
void ExpectAddressOf(const std::string &address, const std::string &windowspath, const std::string &anchor)
{
    ASSERT_EQ(address.rfind("file:///", 0), 0u) << address;
    size_t hash = address.find('#');
    std::string path;
    for (size_t i = 7; i < std::min(hash, address.size()); i++)
        if (address[i] == '%' && i + 2 < address.size()) {
            path += (char)strtol(address.substr(i + 1, 2).c_str(), NULL, 16);
            i += 2;
        } else {
            path += address[i];
        }
    EXPECT_EQ(path, UnixName(windowspath)) << address;
    EXPECT_TRUE(ExistsOnHost(path)) << path;
    EXPECT_EQ(hash == std::string::npos ? "" : address.substr(hash), anchor) << address;
}

TEST_F(HostBrowser, ThePageGoesAtItsAnchorOrTheUserIsToldItsHostPath)
{
    SetEnvironmentVariableA("SB_HOST_BROWSER", UnixName(standin).c_str());
    DoHelp(NULL, "SYSTEM");
    ExpectAddressOf(Handed(), AddApplicationPath("html\\referenc.htm"), "#SYSTEM");
    EXPECT_EQ(ViewHTMLDocument(NULL, page.c_str(), NULL, 1), 1);
    ExpectAddressOf(Handed(), page, "");
    EXPECT_TRUE(boxes.empty()) << boxes[0];

    // No browser on the host, or one that is gone since the script looked.
    for (const std::string &none : {std::string("none"), UnixName(folder) + "/gone"}) {
        SetEnvironmentVariableA("SB_HOST_BROWSER", none.c_str());
        boxes.clear();
        EXPECT_EQ(ViewHTMLDocument(NULL, page.c_str(), "#top", 1), 0) << none;
        ASSERT_EQ(boxes.size(), 1u) << none;
        EXPECT_NE(boxes[0].find("\n\n" + UnixName(page)), std::string::npos) << boxes[0];
    }
    // Where the platform cannot tell the page's host path, the user is told
    // the path it has.
    SetEnvironmentVariableA("SB_HOST_BROWSER", UnixName(standin).c_str());
    boxes.clear();
    realgetprocaddress = (decltype(realgetprocaddress))sbtest::ReplaceImport("kernel32.dll", "GetProcAddress",
                                                                             (void *)WithoutWineCalls);
    ASSERT_TRUE(realgetprocaddress);
    int shown = ViewHTMLDocument(NULL, page.c_str(), NULL, 1);
    sbtest::ReplaceImport("kernel32.dll", "GetProcAddress", (void *)realgetprocaddress);
    EXPECT_EQ(shown, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("\n\n" + page), std::string::npos) << boxes[0];
    EXPECT_EQ(GetFileAttributesA(got.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Each help operation opens its own page at the topic's anchor, maximised.
TEST(Paths, EachHelpOperationOpensItsOwnPage)
{
    const struct {
        void (*help)(HWND, const char *);
        const char *page;
    } cases[] = {{DoHelp, "html\\referenc.htm"},
                 {DoReference, "html\\referenc.htm"},
                 {DoManual, "html\\manual.htm"},
                 {DoTallixHelp, "html\\tallix.htm"}};
    for (const auto &c : cases) {
        ModalRecorder rec;
        rec.Answer(33);
        c.help(NULL, "TOPIC");
        ASSERT_EQ(rec.calls.size(), 1u) << c.page;
        const std::string &line = rec.calls[0].text, want = std::string(c.page) + "#TOPIC";
        EXPECT_EQ(line.substr(line.size() - std::min(line.size(), want.size())), want);
        EXPECT_EQ(line.rfind("file:///", 0), 0u) << line;
        EXPECT_EQ(rec.calls[0].style, (UINT)SW_MAXIMIZE);
    }
}

// Runs the program that the shell associates with pages, when it has one,
// with both parts of its command line quoted.
TEST(Paths, AssociatedProgramGetsAQuotedCommandLine)
{
    char page[MAX_PATH];
    ASSERT_GT(COMMONGetTemporaryFileName(page, "SBH", ".htm", 0), 0);
    ModalRecorder rec(2);
    int result = ViewHTMLDocument(NULL, page, "#a", 0);
    DeleteFileA(page);
    ASSERT_GE(rec.calls.size(), 6u);
    if (rec.calls.size() == 7) { // a program was found, and refused
        EXPECT_EQ(rec.calls[5].kind, MODAL_LAUNCH);
        EXPECT_EQ(rec.calls[5].text.front(), '"');
        EXPECT_NE(rec.calls[5].text.find(std::string("\" \"") + page + "\""), std::string::npos);
    }
    EXPECT_EQ(rec.calls.back().kind, MODAL_DIALOG);
    EXPECT_EQ(result, 0);
}

struct StickyFixture : ::testing::Test {
    HWND w = nullptr;
    int saved[4];
    void SetUp() override
    {
        saved[0] = StickyWindowLeft, saved[1] = StickyWindowTop, saved[2] = StickyWindowRight,
        saved[3] = StickyWindowBottom;
        w = sbtest::CreateTestWindow(true, 700, 500);
    }
    void TearDown() override
    {
        DestroyWindow(w);
        StickyWindowLeft = saved[0], StickyWindowTop = saved[1], StickyWindowRight = saved[2],
        StickyWindowBottom = saved[3];
    }
    void Saved(int l, int t, int r, int b)
    {
        StickyWindowLeft = l, StickyWindowTop = t, StickyWindowRight = r, StickyWindowBottom = b;
    }
};

TEST_F(StickyFixture, PlacementIsClampedToTheScreenAndTheMinimum)
{
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        int l, t, r, b;
        RECT expect;
    } cases[] = {
        {1500, 100, 1900, 500, {sw - 620, 100, sw, 560}},
        {10, 20, 900, 700, {10, 20, 900 < sw ? 900 : sw, 700 < sh ? 700 : sh}},
        {0, 0, 100, 100, {0, 0, 620, 460}},
    };
    for (const Case &c : cases) {
        Saved(c.l, c.t, c.r, c.b);
        EXPECT_TRUE(SetStickyWindows(w));
        RECT r;
        GetWindowRect(w, &r);
        EXPECT_EQ(r.left, c.expect.left);
        EXPECT_EQ(r.top, c.expect.top);
        EXPECT_EQ(r.right, c.expect.right);
        EXPECT_EQ(r.bottom, c.expect.bottom);
    }
    Saved(-1, 10, 700, 500);
    EXPECT_EQ(SetStickyWindows(w), 0);
}

TEST_F(StickyFixture, SavingKeepsTheRectangleAWindowReturnsTo)
{
    MoveWindow(w, -50, -20, 700, 500, FALSE);
    EXPECT_EQ(GetStickyWindows(w), 1);
    EXPECT_EQ(StickyWindowLeft, 0);
    EXPECT_EQ(StickyWindowTop, 0);
    EXPECT_EQ(StickyWindowRight, 650);

    MoveWindow(w, 100, 80, 700, 500, FALSE);
    ShowWindow(w, SW_MINIMIZE);
    sbtest::PumpUntilIdle();
    EXPECT_EQ(GetStickyWindows(w), 1);
    EXPECT_EQ(StickyWindowLeft, 100);
    EXPECT_EQ(StickyWindowTop, 80);
    EXPECT_EQ(StickyWindowRight, 800);
    EXPECT_EQ(StickyWindowBottom, 580);

    ShowWindow(w, SW_MAXIMIZE);
    sbtest::PumpUntilIdle();
    Saved(1, 2, 3, 4);
    EXPECT_EQ(GetStickyWindows(w), 0);
    EXPECT_EQ(StickyWindowLeft, 1);
    EXPECT_EQ(StickyWindowBottom, 4);
}

} // namespace
