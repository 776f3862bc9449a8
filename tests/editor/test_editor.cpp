#include "common/shell.h"
#include "common/statbar.h"
#include "common/windowvalue.h"
#include "document/blockstore.h"
#include "editor/editormain.h"
#include "editor/shellservices.h"
#include "resources/resource.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(Settings, DefaultsBeforeAnyConfigurationIsRead)
{
    EXPECT_EQ(CompressImages, 9u);
    EXPECT_EQ(DefaultWidth, 800u);
    EXPECT_EQ(DefaultDepth, 600u);
    EXPECT_EQ(NavigationObjectHorizontal, 0x8014u);
    EXPECT_EQ(StickyWindowLeft, -1);
    EXPECT_STREQ(ThemeCurrent, "THEME_Contemporary.dll");
    EXPECT_STREQ(ColourTableFile, "SHOWBUILDER.CCL");
    EXPECT_STREQ(ControlFontName, "Arial");
    EXPECT_EQ(DefaultTextObjectBackColour, 0xE0E0E0u);
    EXPECT_EQ(DefaultAppletStackSize, 8192u);
    // The start-up logo's class name is the frame's followed by "StartupScreen".
    EXPECT_EQ(std::string(szLogoClassName), std::string(szAppName) + "StartupScreen");
    EXPECT_EQ(strlen(szLogoClassName), 35u);
}

TEST(Settings, AdjustListBoxSizesItemsForTheViewMode)
{
    HWND owner = sbtest::CreateTestWindow(false);
    HWND list = CreateWindowA("LISTBOX", "", WS_CHILD | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS, 0, 0, 100, 300,
                              owner, (HMENU)IDC_BLOCKLIST, hInst, NULL);
    BLOCKSET set{};
    EXPECT_EQ(AdjustListBox(list, &set), 0);
    BLOCK b;
    CreateBlock(owner, &set, &b, TAG_HEDR, nullptr, 0);
    AppendBlock(list, &set, &b);
    CreateBlock(owner, &set, &b, TAG_PAGE, nullptr, 0);
    AppendBlock(list, &set, &b);
    set.viewmode = 2;
    EXPECT_EQ(AdjustListBox(list, &set), 1);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 24);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 1, 0), 104);
    set.viewmode = 0;
    AdjustListBox(list, &set);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 1, 0), 24);
    HWND fake = owner;
    (void)fake;
    SetWindowValue<HGLOBAL>(owner, GWLP_USERDATA, NULL);
    for (int i = 0; i < 2; i++)
        FreeBlock(list, i);
    DestroyWindow(owner);
}

TEST(Editor, CarriesThePlayerProgramByteForByte)
{
    HRSRC res = FindResourceA(hInst, MAKEINTRESOURCEA(IDR_PLAYER), (LPCSTR)RT_RCDATA);
    ASSERT_TRUE(res);
    DWORD size = SizeofResource(hInst, res);
    const BYTE *bytes = (const BYTE *)LockResource(LoadResource(hInst, res));
    ASSERT_TRUE(bytes);
    FILE *f = fopen(SB_PLAYER_EXE, "rb");
    ASSERT_TRUE(f) << SB_PLAYER_EXE;
    std::vector<BYTE> file(size + 1);
    size_t n = fread(file.data(), 1, file.size(), f);
    fclose(f);
    ASSERT_EQ(n, (size_t)size);
    EXPECT_EQ(memcmp(file.data(), bytes, size), 0);
    EXPECT_EQ(bytes[0], 'M');
    EXPECT_EQ(bytes[1], 'Z');
}

} // namespace
