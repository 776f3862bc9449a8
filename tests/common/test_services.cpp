#include "common/services.h"
#include "common/shell.h"
#include "resources/resource.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <cstring>
#include <map>
#include <string>

namespace {

TEST(Services, TextToHexAndRectangles)
{
    char out[16];
    COMMONTextToHex(out, "AB", 10);
    EXPECT_STREQ(out, "4142");
    COMMONTextToHex(out, "\xFF\x01xyz", 4);
    EXPECT_STREQ(out, "FF01");
    RECT r{10, 20, 15, 60};
    EXPECT_EQ(RectWidth(&r), 5);
    EXPECT_EQ(RectDepth(&r), 40);
}

TEST(Services, FormatLongGroupsDigits)
{
    EXPECT_STREQ(formatlong(1234567), "1,234,567");
    EXPECT_STREQ(formatlong(0), "0");
    EXPECT_STREQ(formatlong(999), "999");
    EXPECT_STREQ(formatlong(1000), "1,000");
    EXPECT_STREQ(formatlong(-1), "4,294,967,295");
}

TEST(Services, SpinValueIsClampedToItsUpDownRange)
{
    HWND dlg = sbtest::CreateTestWindow(false);
    HWND edit = CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 50, 20, dlg, (HMENU)200, hInst, NULL);
    HWND spin = CreateWindowA(UPDOWN_CLASSA, "", WS_CHILD, 0, 0, 10, 20, dlg, (HMENU)10200, hInst, NULL);
    ASSERT_TRUE(edit && spin);
    SetWindowTextA(spin, "-10,10,0");
    SetWindowTextA(edit, "-25");
    EXPECT_EQ(GetSpinValue(dlg, 200), -10);
    SetWindowTextA(edit, "7");
    EXPECT_EQ(GetSpinValue(dlg, 200), 7);
    SetWindowTextA(spin, "0,100,5");
    SetWindowTextA(edit, "250");
    EXPECT_EQ(GetSpinValue(dlg, 200), 100);
    SetWindowTextA(spin, "");
    SetWindowTextA(edit, "101");
    EXPECT_EQ(GetSpinValue(dlg, 200), 100);
    DestroyWindow(dlg);
}

TEST(Services, CheckForAbortSeesRightClicksAndLostWindows)
{
    HWND w = sbtest::CreateTestWindow(false);
    hwndmain = w;
    sbtest::PumpUntilIdle();
    EXPECT_EQ(CheckForAbort(w), 0);
    PostMessageA(w, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(CheckForAbort(w), 0);
    PostMessageA(w, WM_RBUTTONDOWN, 0, 0);
    EXPECT_EQ(CheckForAbort(w), 1);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, w, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE));
    DestroyWindow(w);
    EXPECT_EQ(CheckForAbort(w), 1);
    hwndmain = NULL;
}

TEST(Services, CopyScreenToBitmapRefusesEmptyRectangles)
{
    HDC dc = GetDC(NULL);
    RECT empty{10, 10, 10, 50};
    EXPECT_EQ(CopyScreenToBitmap(dc, &empty), (HBITMAP)NULL);
    RECT r{-5, -5, 20, 30};
    HBITMAP bm = CopyScreenToBitmap(dc, &r);
    ASSERT_TRUE(bm);
    BITMAP info;
    GetObjectA(bm, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 20);
    EXPECT_EQ(info.bmHeight, 30);
    DeleteObject(bm);
    ReleaseDC(NULL, dc);
}

std::map<std::string, std::string> registry;
bool FakeRegistry(const char *subkey, const char *value, char *out, DWORD size)
{
    auto it = registry.find(std::string(subkey) + "|" + value);
    if (it == registry.end()) {
        out[0] = 0;
        return false;
    }
    snprintf(out, size, "%s", it->second.c_str());
    return true;
}

struct MachineNameTest : testing::Test {
    void SetUp() override { registry.clear(); }
};

TEST_F(MachineNameTest, FallsBackThroughTheKeysToTheVolumeSerial)
{
    char name[260], org[260];
    EXPECT_TRUE(GetMachineName(name, org, FakeRegistry));
    char windir[MAX_PATH];
    GetWindowsDirectoryA(windir, sizeof windir);
    char root[4] = {windir[0], ':', '\\', 0};
    DWORD serial = 0;
    ASSERT_TRUE(GetVolumeInformationA(root, NULL, 0, &serial, NULL, NULL, NULL, 0));
    EXPECT_EQ(std::string(name), "User " + std::to_string((unsigned long)serial));
    EXPECT_STREQ(org, "");

    registry["SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon|AltDefaultUserName"] = "alt";
    GetMachineName(name, org, FakeRegistry);
    EXPECT_STREQ(name, "alt");
    registry["SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion|RegisteredOrganization"] = "Org NT";
    registry["SOFTWARE\\Microsoft\\Windows\\CurrentVersion|RegisteredOwner"] = "Owner";
    GetMachineName(name, org, FakeRegistry);
    EXPECT_STREQ(name, "Owner");
    EXPECT_STREQ(org, "Org NT");
}

TEST(Services, DuplicateObjectCopiesBytes)
{
    EXPECT_EQ(DuplicateObject(NULL), (HGLOBAL)NULL);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 100);
    char *p = (char *)GlobalLock(h);
    for (int i = 0; i < 100; i++)
        p[i] = (char)i;
    GlobalUnlock(h);
    HGLOBAL copy = DuplicateObject(h);
    ASSERT_TRUE(copy);
    EXPECT_NE(copy, h);
    ASSERT_GE(GlobalSize(copy), 100u);
    EXPECT_EQ(memcmp(GlobalLock(copy), GlobalLock(h), 100), 0);
    GlobalUnlock(copy);
    GlobalUnlock(h);
    GlobalFree(copy);
    GlobalFree(h);
}

TEST(Services, BitmapStripGlyphsAndDibsDrawWhereAsked)
{
    sbtest::MemoryDC canvas(40, 20);
    HDC mem = canvas.dc;
    DRAWITEMSTRUCT item{};
    item.hDC = mem;
    item.rcItem = {0, 0, 20, 20};
    DrawBitmapStaticButton(NULL, 0, 0, &item, 11, "TESTSTRIP", 10); // glyph 1: blue
    auto c = canvas.Grab();
    EXPECT_EQ(c.At(1 + 3, 1 + 3), RGB(0, 0, 255));
    EXPECT_EQ(c.At(1 + 0, 1 + 0), GetSysColor(COLOR_BTNFACE));
    item.itemState = ODS_DISABLED;
    DrawBitmapStaticButton(NULL, 0, 0, &item, 10, "TESTSTRIP", 10);
    c = canvas.Grab();
    EXPECT_EQ(c.At(1 + 3, 1 + 3), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(c.At(1 + 0, 1 + 0), GetSysColor(COLOR_BTNFACE));

    // A 2 x 2 8-bit DIB with its own colour table.
    struct {
        BITMAPINFOHEADER bi;
        RGBQUAD table[256];
        BYTE rows[2][4];
    } dib{};
    dib.bi = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    dib.table[1] = {0, 0, 255, 0};   // red
    dib.table[2] = {255, 0, 0, 0};   // blue
    dib.rows[0][0] = 1;              // bottom row
    dib.rows[1][1] = 2;              // top row, right
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, sizeof dib);
    memcpy(GlobalLock(h), &dib, sizeof dib);
    GlobalUnlock(h);
    DrawBitmap(mem, 30, 5, h, SRCCOPY);
    c = canvas.Grab();
    EXPECT_EQ(c.At(30, 6), RGB(255, 0, 0));
    EXPECT_EQ(c.At(31, 5), RGB(0, 0, 255));
    EXPECT_EQ(c.At(30, 5), RGB(0, 0, 0));
    GlobalFree(h);
}

} // namespace
