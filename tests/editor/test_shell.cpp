// The shell's small utilities and the toolbar's mask drawing.
#include "common/owners.h"
#include "common/shell.h"
#include "editor/toolbar.h"
#include "editor/utilities.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string TempFile(const char *name, const std::string &bytes)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string path = std::string(temp) + "sbshell" + std::to_string(GetCurrentProcessId()) + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(Utilities, NamesSortByteWiseAndPathsLoseTheirFolder)
{
    char names[64];
    memcpy(names, "b.gif\0A.gif\0a.gif\0A.gif\0\0", 26);
    ASSERT_EQ(SwabMultipleNames(names), 1);
    EXPECT_EQ(std::string(names, 26), std::string("A.gif\0A.gif\0a.gif\0b.gif\0\0", 26));
    char empty[4] = {0, 'x', 'x', 'x'};
    EXPECT_EQ(SwabMultipleNames(empty), 1);
    EXPECT_EQ(empty[1], 0);

    EXPECT_STREQ(SubtractPath("C:\\shows\\demo.exe"), "demo.exe");
    EXPECT_STREQ(SubtractPath("demo.exe"), "demo.exe");
    EXPECT_STREQ(SubtractPath("C:\\shows\\"), "");
}

TEST(Utilities, WordAtTheCaretStopsAtDelimiters)
{
    HWND edit = CreateWindowA("EDIT", "", WS_POPUP, 0, 0, 200, 20, NULL, NULL, hInst, NULL);
    struct Case {
        const char *text;
        int caret;
        const char *word;
        int result;
    } cases[] = {
        {"SetText(x)", 3, "SetText", 1}, {"SetText(x)", 8, "x", 1},       {"a = b;c", 7, "c", 1},
        {"one two", 3, "one", 1},        {"(\"quoted\")", 0, "", 1},       {"", 0, "", 0},
    };
    for (const Case &c : cases) {
        SetWindowTextA(edit, c.text);
        SendMessageA(edit, EM_SETSEL, c.caret, c.caret);
        char word[261] = "junk";
        EXPECT_EQ(GetWordAtCursor(edit, word), c.result) << c.text;
        EXPECT_STREQ(word, c.word) << c.text << " at " << c.caret;
    }
    DestroyWindow(edit);
}

TEST(Utilities, FilesComeIntoMemoryWholeOrNotAtAll)
{
    std::string path = TempFile("a.bin", std::string("ab\0cd", 5));
    long length = 1;
    HGLOBAL block = ReadBinaryFile(path.c_str(), &length);
    ASSERT_TRUE(block);
    EXPECT_EQ(length, 5);
    {
        GlobalLocked<char> p(block);
        EXPECT_EQ(std::string(p.get(), 5), std::string("ab\0cd", 5));
    }
    GlobalFree(block);
    length = 0; // a zero length is not written to
    block = ReadBinaryFile(path.c_str(), &length);
    EXPECT_EQ(length, 0);
    GlobalFree(block);
    EXPECT_EQ(ReadBinaryFile((path + ".missing").c_str(), &length), (HGLOBAL)NULL);

    struct Case {
        std::string bytes, shown;
    } cases[] = {
        {"one\r\ntwo\tx", "one\r\ntwo x"},
        {"unix\nlines\n", "unixlines"},
        {"mac\rline", "mac\r\nline"},
        // The buffer is sized for a file of 16383 characters, doubled.
        {std::string(40000, 'z'), std::string(2 * 16383 + 15, 'z')},
    };
    for (const Case &c : cases) {
        std::string file = TempFile("t.txt", c.bytes);
        char *text = LoadTextFile(file.c_str());
        ASSERT_TRUE(text);
        EXPECT_TRUE(std::string(text) == c.shown) << c.bytes.substr(0, 16);
        free(text);
        DeleteFileA(file.c_str());
    }
    std::string none = TempFile("e.txt", "");
    EXPECT_EQ(LoadTextFile(none.c_str()), nullptr);
    DeleteFileA(none.c_str());
    DeleteFileA(path.c_str());
}

// A 2 x 4 picture: its top two rows the image (red, and white or black
// where transparent), its bottom two the mask (black where opaque).
HGLOBAL MaskedPicture(COLORREF transparent)
{
    struct {
        BITMAPINFOHEADER h;
        DWORD pixels[8];
    } dib{};
    dib.h = {sizeof(BITMAPINFOHEADER), 2, -4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    DWORD red = 0xFF0000, t = transparent ? 0xFFFFFF : 0, white = 0xFFFFFF;
    DWORD rows[8] = {red, t, t, red, 0, white, white, 0};
    memcpy(dib.pixels, rows, sizeof rows);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, sizeof dib);
    memcpy(GlobalLock(h), &dib, sizeof dib);
    GlobalUnlock(h);
    return h;
}

TEST(Toolbar, MaskedPicturesLeaveTheBackgroundWhereTransparent)
{
    struct Case {
        void (*draw)(HDC, int, int, HGLOBAL);
        COLORREF transparent;
    } cases[] = {{DrawImageWithMask, 0xFFFFFF}, {DrawImageWithMaskEx, 0}};
    for (const Case &c : cases) {
        HDC screen = GetDC(NULL);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP target = CreateCompatibleBitmap(screen, 4, 4);
        ReleaseDC(NULL, screen);
        HGDIOBJ old = SelectObject(dc, target);
        HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
        RECT all{0, 0, 4, 4};
        FillRect(dc, &all, green);
        HGLOBAL picture = MaskedPicture(c.transparent);
        c.draw(dc, 1, 1, picture);
        sbtest::Capture shot = sbtest::CaptureDC(dc, 4, 4);
        EXPECT_EQ(shot.At(1, 1), RGB(255, 0, 0));
        EXPECT_EQ(shot.At(2, 1), RGB(0, 128, 0));
        EXPECT_EQ(shot.At(1, 2), RGB(0, 128, 0));
        EXPECT_EQ(shot.At(2, 2), RGB(255, 0, 0));
        EXPECT_EQ(shot.At(1, 3), RGB(0, 128, 0)); // the mask half is never drawn
        GlobalFree(picture);
        SelectObject(dc, old);
        DeleteObject(target);
        DeleteObject(green);
        DeleteDC(dc);
    }
}

// The window icon shows what lies under it around its picture and draws
// its own picture in the middle.
TEST(Toolbar, TheEditorsIconIsTransparentAroundItsPicture)
{
    HICON icon = LoadIconA(hInst, MAKEINTRESOURCEA(101));
    ASSERT_TRUE(icon);
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 32, 32);
    ReleaseDC(NULL, screen);
    HGDIOBJ old = SelectObject(dc, target);
    HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
    RECT all{0, 0, 32, 32};
    FillRect(dc, &all, green);
    DrawIconEx(dc, 0, 0, icon, 32, 32, 0, NULL, DI_NORMAL);
    sbtest::Capture shot = sbtest::CaptureDC(dc, 32, 32);
    EXPECT_EQ(shot.At(0, 0), RGB(0, 128, 0));
    EXPECT_NE(shot.At(16, 16), RGB(0, 128, 0));
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteObject(green);
    DeleteDC(dc);
}

} // namespace
