#include "common/hook.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/statbar.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>

namespace {

struct StatusBarTest : testing::Test {
    HWND parent = nullptr;
    void SetUp() override
    {
        parent = sbtest::CreateTestWindow(true, 900, 200);
        ASSERT_TRUE(STATCreateStatusWindow(hInst, parent, ""));
    }
    void TearDown() override
    {
        if (IsWindow(parent))
            DestroyWindow(parent);
    }
    RECT Cell(int i)
    {
        RECT r{};
        EXPECT_TRUE(STATGetCellRect(parent, i, &r));
        return r;
    }
    int Border()
    {
        return (GetSystemMetrics(SM_CXFRAME) + 1) / 2;
    }
};

TEST_F(StatusBarTest, CellsStayAlignedThroughInsertsAndDeletes)
{
    const int b = Border();
    ASSERT_EQ(STATInsertCell(parent, "one", 100, -1, 0), 1);
    ASSERT_EQ(STATInsertCell(parent, "", 55, -1, 1), 1);   // progress cells are always 300 wide
    ASSERT_EQ(STATInsertCell(parent, "three", 40, 99, 0), 1);
    EXPECT_EQ(Cell(0).left, b);
    EXPECT_EQ(Cell(0).right, b + 100);
    EXPECT_EQ(Cell(1).right - Cell(1).left, 300);
    for (int i = 1; i < 3; i++)
        EXPECT_EQ(Cell(i).left, Cell(i - 1).right + 2 * b);

    ASSERT_EQ(STATSetCellBar(parent, 7, 9, 1), 1);
    ASSERT_EQ(STATInsertCell(parent, "first", 20, 0, 0), 1);
    EXPECT_EQ(Cell(2).right - Cell(2).left, 300);
    for (int i = 1; i < 4; i++)
        EXPECT_EQ(Cell(i).left, Cell(i - 1).right + 2 * b);
    char text[16];
    EXPECT_EQ(STATGetCellText(parent, 1, text, 15), 3);
    EXPECT_STREQ(text, "one");

    ASSERT_EQ(STATDeleteCell(parent, 1), 1);
    EXPECT_EQ(STATGetNumCells(parent), 3);
    EXPECT_EQ(Cell(1).right - Cell(1).left, 300);
    for (int i = 1; i < 3; i++)
        EXPECT_EQ(Cell(i).left, Cell(i - 1).right + 2 * b);
    EXPECT_EQ(STATGetCellText(parent, 2, text, 15), 5);
    EXPECT_STREQ(text, "three");
    EXPECT_EQ(STATDeleteCell(parent, 3), 0);
    EXPECT_EQ(STATDeleteCell(parent, -1), 0);
}

TEST_F(StatusBarTest, TenCellsAtMostAndNoAutomaticWidthWithoutText)
{
    EXPECT_EQ(STATInsertCell(parent, "", -1, -1, 0), 0);
    EXPECT_EQ(STATGetNumCells(parent), 0);
    for (int i = 0; i < 10; i++)
        ASSERT_EQ(STATInsertCell(parent, "x", 10, -1, 0), 1);
    RECT last = Cell(9);
    EXPECT_EQ(STATInsertCell(parent, "y", 10, 0, 0), 0);
    EXPECT_EQ(STATGetNumCells(parent), 10);
    EXPECT_EQ(Cell(9).right, last.right);
}

TEST_F(StatusBarTest, TextAccessIsBounded)
{
    ASSERT_EQ(STATInsertCell(parent, "Ready", 100, -1, 0), 1);
    ASSERT_EQ(STATInsertCell(parent, "", 100, -1, 0), 1);
    char buf[8] = "zzzzzzz";
    EXPECT_EQ(STATGetCellText(parent, 0, buf, 3), 3);
    EXPECT_STREQ(buf, "Rea");
    EXPECT_EQ(STATGetCellText(parent, 1, buf, 7), 0);
    EXPECT_STREQ(buf, "");
    strcpy(buf, "keep");
    EXPECT_EQ(STATGetCellText(parent, 5, buf, 7), 0);
    EXPECT_STREQ(buf, "keep");
    EXPECT_EQ(STATSetCellText(parent, "Saving", 1), 1);
    EXPECT_EQ(STATGetCellText(parent, 1, buf, 7), 6);
    EXPECT_EQ(STATSetCellText(parent, "x", 2), 0);
    EXPECT_EQ(SetCellFormat(parent, 0, 6), 0);
    EXPECT_EQ(GetCellFormat(parent, 0), 2);
    EXPECT_EQ(GetCellFormat(parent, 4), -1);
}

TEST_F(StatusBarTest, SecondCreateReturnsTheFirstBar)
{
    HWND bar = (HWND)GetPropA(parent, "StatusBar");
    EXPECT_EQ(STATCreateStatusWindow(hInst, parent, "other"), bar);
    EXPECT_EQ(STATGetNumCells(parent), 0);
    EXPECT_EQ(STATCreateStatusWindow(hInst, NULL, "x"), (HWND)NULL);
}

TEST(StatusBar, ParentWithoutBarFailsHarmlessly)
{
    HWND w = sbtest::CreateTestWindow(false);
    EXPECT_EQ(STATGetNumCells(w), -1);
    EXPECT_EQ(STATSetCellText(w, "x", 0), 0);
    EXPECT_EQ(STATSetCellBar(w, 1, 1, 0), 0);
    EXPECT_EQ(STATInsertCell(w, "x", 10, -1, 0), 0);
    EXPECT_EQ(GetCellFormat(w, 0), -1);
    DestroyWindow(w);
    EXPECT_EQ(STATGetNumCells(w), -1);
}

TEST_F(StatusBarTest, CreateTextBecomesFirstCell)
{
    HWND other = sbtest::CreateTestWindow(false);
    ASSERT_TRUE(STATCreateStatusWindow(hInst, other, "Hello"));
    EXPECT_EQ(STATGetNumCells(other), 1);
    char buf[16];
    EXPECT_EQ(STATGetCellText(other, 0, buf, 15), 5);
    DestroyWindow(other);
}

TEST(StatusBar, TwoParentsOneDestroyedOtherStillWorks)
{
    HWND a = sbtest::CreateTestWindow(false, 500, 200);
    HWND b = sbtest::CreateTestWindow(false, 500, 200);
    ASSERT_TRUE(STATCreateStatusWindow(hInst, a, "a"));
    HWND barb = STATCreateStatusWindow(hInst, b, "b");
    ASSERT_TRUE(barb);
    DestroyWindow(a);
    EXPECT_EQ(STATInsertCell(b, "more", 50, -1, 0), 1);
    // The parent's subclass still keeps its bar at the bottom.
    SetWindowPos(b, NULL, 0, 0, 640, 300, SWP_NOMOVE | SWP_NOZORDER);
    RECT client, bar;
    GetClientRect(b, &client);
    GetWindowRect(barb, &bar);
    MapWindowPoints(NULL, b, (POINT *)&bar, 2);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.right - bar.left, client.right);
    DestroyWindow(b);
}

static RECT barAtParentSize;
static WNDPROC testparentproc;
static LRESULT CALLBACK RecordingParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SIZE) {
        HWND bar = (HWND)GetPropA(hwnd, "StatusBar");
        if (bar) {
            GetWindowRect(bar, &barAtParentSize);
            MapWindowPoints(NULL, hwnd, (POINT *)&barAtParentSize, 2);
        }
    }
    return CallWindowProcA(testparentproc, hwnd, msg, wParam, lParam);
}

TEST(StatusBar, BarMovesBeforeParentHandlesItsSize)
{
    HWND p = sbtest::CreateTestWindow(false, 400, 300);
    testparentproc = (WNDPROC)SetWindowLongA(p, GWL_WNDPROC, (LONG)RecordingParentProc);
    ASSERT_TRUE(STATCreateStatusWindow(hInst, p, "x"));
    SetWindowPos(p, NULL, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(p, &client);
    EXPECT_EQ(barAtParentSize.bottom, client.bottom);
    EXPECT_EQ(barAtParentSize.right, client.right);
    DestroyWindow(p);
}

TEST_F(StatusBarTest, ProgressIsDrawnInsideItsCell)
{
    ASSERT_EQ(STATInsertCell(parent, "", 10, -1, 1), 1);
    ASSERT_EQ(STATInsertCell(parent, "after", 100, -1, 0), 1);
    HWND bar = (HWND)GetPropA(parent, "StatusBar");
    const int b = Border();
    RECT cell = Cell(0);
    RECT inner = cell;
    InflateRect(&inner, -b, -b);
    COLORREF face = GetSysColor(COLOR_BTNFACE), shadow = GetSysColor(COLOR_BTNSHADOW);
    int y = (inner.top + inner.bottom) / 2;
    auto show = [&](unsigned value, unsigned max) {
        EXPECT_EQ(STATSetCellBar(parent, value, max, 0), 1);
        sbtest::PumpUntilIdle();
        return sbtest::CaptureClient(bar);
    };
    auto c = show(0, 1);
    EXPECT_EQ(c.At(inner.left + 2, y), face);
    EXPECT_EQ(c.At(inner.right - 2, y), face);
    c = show(5, 5);
    EXPECT_EQ(c.At(inner.left + 2, y), shadow);
    EXPECT_EQ(c.At(inner.right - 2, y), shadow);
    c = show(1, 2);
    EXPECT_EQ(c.At(inner.left + 2, y), shadow);
    EXPECT_EQ(c.At(inner.right - 2, y), face);
    // A maximum of 0 draws an empty bar; a value past the maximum fills the
    // cell and not a pixel more.
    c = show(3, 0);
    EXPECT_EQ(c.At(inner.left + 2, y), face);
    c = show(4000000000u, 3000000000u);
    EXPECT_EQ(c.At(inner.right - 2, y), shadow);
    EXPECT_NE(c.At(cell.right + b, y), shadow);
    EXPECT_NE(c.At(Cell(1).left + 3 * b, y), shadow);
}

static DWORD testhook;
static int hookedmessages;
static LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    hookedmessages++;
    return CallOldProc(hwnd, msg, wParam, lParam, testhook);
}

TEST(HookWindow, RefusesBadNamesAndDoubleHooks)
{
    HWND w = sbtest::CreateTestWindow(false);
    LONG original = GetWindowLongA(w, GWL_WNDPROC);
    EXPECT_EQ(HookWindow(w, CountingProc, ""), 0u);
    std::string longname(300, 'a');
    longname[0] = 'b';
    EXPECT_EQ(HookWindow(w, CountingProc, longname.c_str()), 0u);
    EXPECT_EQ(HookWindow(w, CountingProc, "Level"), 0u); // the same backwards, ignoring case
    EXPECT_EQ(GetWindowLongA(w, GWL_WNDPROC), original);

    testhook = HookWindow(w, CountingProc, "CountingHook");
    ASSERT_NE(testhook, 0u);
    EXPECT_EQ(HookWindow(w, CountingProc, "CountingHook"), 0u);
    hookedmessages = 0;
    SendMessageA(w, WM_NULL, 0, 0);
    EXPECT_EQ(hookedmessages, 1);
    UnHookWindow(w, testhook);
    EXPECT_EQ(GetWindowLongA(w, GWL_WNDPROC), original);
    SendMessageA(w, WM_NULL, 0, 0);
    EXPECT_EQ(hookedmessages, 1);

    // A hooked window unhooks itself as it is destroyed.
    testhook = HookWindow(w, CountingProc, "CountingHook");
    ASSERT_NE(testhook, 0u);
    DestroyWindow(w);
    EXPECT_EQ(GetPropA(w, MAKEINTATOM(HIWORD(testhook))), (HANDLE)NULL);
}

TEST(StatusServices, ProgressGoesToTheMainWindowsBar)
{
    HWND frame = sbtest::CreateTestWindow(false, 800, 200);
    hwndmain = frame;
    STATCreateStatusWindow(hInst, frame, "");
    STATInsertCell(frame, "", 300, -1, 0);
    STATInsertCell(frame, "", 300, -1, 1);
    StatusText("Saving");
    OpenStatus();
    UpdateStatus(3, 10);
    char buf[16];
    EXPECT_EQ(STATGetCellText(frame, 0, buf, 15), 6);
    CloseStatus();
    EXPECT_EQ(STATGetCellText(frame, 0, buf, 15), 0);
    hwndmain = NULL;
    DestroyWindow(frame);
}

} // namespace
