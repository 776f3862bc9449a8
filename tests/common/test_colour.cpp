#include "common/colour.h"
#include "common/paths.h"
#include "common/shell.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>

using sbtest::Click;
using sbtest::ModalRecorder;

namespace {

std::string userfolder;
bool UserFolder(int, char *out)
{
    lstrcpynA(out, userfolder.c_str(), MAX_PATH);
    return true;
}

std::string ReadAll(const std::string &path)
{
    std::string text;
    if (FILE *f = fopen(path.c_str(), "rb")) {
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            text.append(buf, n);
        fclose(f);
    }
    return text;
}

void WriteAll(const std::string &path, const std::string &text)
{
    FILE *f = fopen(path.c_str(), "wb");
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

// A window with the table's list box, and a per-user folder of its own.
struct ColourFixture : ::testing::Test {
    HWND dlg = nullptr, list = nullptr;
    FOLDERREADER savedreader;
    char savedtable[SETTINGTEXT], savedapp[SETTINGTEXT];
    std::string root;
    void SetUp() override
    {
        dlg = sbtest::CreateTestWindow(false);
        list = CreateWindowA("LISTBOX", "", WS_CHILD | LBS_HASSTRINGS, 0, 0, 100, 100, dlg, (HMENU)108, hInst, NULL);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        root = std::string(temp) + "sbcolour" + std::to_string(GetTickCount());
        CreateDirectoryA(root.c_str(), NULL);
        userfolder = root + "\\user";
        savedreader = COMMONSetFolderReader(UserFolder);
        strcpy(savedtable, ColourTableFile);
        strcpy(savedapp, ApplicationPath);
    }
    void TearDown() override
    {
        DestroyWindow(dlg);
        COMMONSetFolderReader(savedreader);
        strcpy(ColourTableFile, savedtable);
        strcpy(ApplicationPath, savedapp);
        std::string cmd = "cmd /c rd /s /q \"" + root + "\" >nul 2>nul";
        system(cmd.c_str());
    }
    std::vector<std::pair<std::string, COLORREF>> Entries()
    {
        std::vector<std::pair<std::string, COLORREF>> out;
        int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; i++) {
            char text[300];
            SendMessageA(list, LB_GETTEXT, i, (LPARAM)text);
            out.push_back({text, (COLORREF)SendMessageA(list, LB_GETITEMDATA, i, 0)});
        }
        return out;
    }
    void Add(const char *name, COLORREF c)
    {
        LRESULT i = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)name);
        SendMessageA(list, LB_SETITEMDATA, i, c);
    }
};

TEST_F(ColourFixture, TableLinesAreReadByTheirRules)
{
    std::string path = root + "\\t.CCL";
    std::string longline = std::string(300, 'L') + "\n";
    WriteAll(path, "Sky blue=135,206,235\r\n"
                   "Grey = 128, 128, 128\n"
                   "Red=300,0,0\n"
                   "Orange=255,165\n"
                   "=1,2,3\n"
                   "no equals here\n"
                   "Many==\b 1,,,2,,3\n" +
                       longline);
    EXPECT_EQ(LoadColourTable(dlg, path.c_str(), 108), 1);
    std::vector<std::pair<std::string, COLORREF>> expect = {
        {"Sky blue", 0x00EBCE87}, {"Grey ", 0x00808080}, {"Red", RGB(44, 0, 0)}, {"Many", RGB(1, 2, 3)}};
    EXPECT_EQ(Entries(), expect);
    EXPECT_EQ(LoadColourTable(dlg, (root + "\\missing.CCL").c_str(), 108), 0);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(ColourFixture, SavedTableRoundTripsAndKeepsTheOldOneOnFailure)
{
    Add("Sky blue", 0x00EBCE87);
    Add("Grey ", 0x00808080);
    std::string path = root + "\\deep\\er\\t.CCL"; // folders made on the way
    ASSERT_EQ(SaveColourTable(dlg, path.c_str(), 108), 1);
    EXPECT_EQ(ReadAll(path), "Sky blue=135,206,235\r\nGrey =128,128,128\r\n");
    ASSERT_EQ(LoadColourTable(dlg, path.c_str(), 108), 1);
    EXPECT_EQ(Entries().size(), 2u);

    Add("Third", 1);
    ASSERT_EQ(SaveColourTable(dlg, path.c_str(), 108), 1);
    EXPECT_EQ(ReadAll(path + ".bak"), "Sky blue=135,206,235\r\nGrey =128,128,128\r\n");

    // The new table cannot be written: the old one stays whole.
    std::string before = ReadAll(path);
    CreateDirectoryA((path + ".new").c_str(), NULL);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SaveColourTable(dlg, path.c_str(), 108), 0);
    EXPECT_EQ(ReadAll(path), before);
    RemoveDirectoryA((path + ".new").c_str());
}

TEST_F(ColourFixture, GridPicksOnlyItsValidCells)
{
    unsigned char palette[16 * 3];
    for (int i = 0; i < 48; i++)
        palette[i] = (unsigned char)(i * 5);
    ClassicColorSelect = 1;
    ModalRecorder rec;
    rec.Drive([](HWND grid) {
        RECT r;
        GetClientRect(grid, &r);
        int s = r.right / 16;
        auto click = [&](int x, int y) { SendMessageA(grid, WM_LBUTTONDOWN, 0, MAKELPARAM(x, y)); };
        click(4 * s + 1, 1 * s + 1); // cell 20, past the count
        click(16 * s + 2, 1);        // right of the grid, not cell 16
        EXPECT_TRUE(IsWindow(grid));
        click(5 * s + 1, 1);         // cell 5
    });
    COLORREF c = 123;
    EXPECT_EQ(SelectColour(NULL, palette, 16, &c), 1);
    EXPECT_EQ(c, RGB(75, 80, 85));

    // "More" closes the grid with OK even when the colour dialog is cancelled.
    rec.Drive([](HWND grid) { Click(grid, 499); });
    rec.Answer(0);
    c = 123;
    EXPECT_EQ(SelectColour(NULL, palette, 16, &c), 1);
    EXPECT_EQ(c, 123u);
    ASSERT_FALSE(rec.calls.empty()) << "the colour dialog was not asked for";
    EXPECT_EQ(rec.calls.back().kind, MODAL_COMMONDIALOG);
    EXPECT_EQ(rec.calls.back().name, "ColourSelectBox");

    // A grid too narrow for cells ignores every click.
    rec.Drive([](HWND grid) {
        SetWindowPos(grid, NULL, 0, 0, 12, 200, SWP_NOMOVE | SWP_NOZORDER);
        SendMessageA(grid, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
        EXPECT_TRUE(IsWindow(grid));
        Click(grid, IDCANCEL);
    });
    EXPECT_EQ(SelectColour(NULL, palette, 16, &c), 0);
    ClassicColorSelect = 0;
}

TEST_F(ColourFixture, AddedNamesAreLongEnoughAndHoldNoEquals)
{
    Add("First", 5);
    ModalRecorder rec;
    rec.Drive([](HWND box) {
        HWND ok = GetDlgItem(box, IDOK);
        struct {
            const char *name;
            bool enabled;
        } cases[] = {{"", false}, {"ab", false}, {"Sky=blue", false}, {"abc", true}, {"Sky blue", true}};
        for (auto &c : cases) {
            SetDlgItemTextA(box, 101, c.name);
            EXPECT_EQ(IsWindowEnabled(ok) != 0, c.enabled) << c.name;
        }
        Click(box, IDOK);
    });
    EXPECT_EQ(COMMONAddTableColour(dlg, RGB(1, 2, 3), 108), 1);
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1], std::make_pair(std::string("Sky blue"), RGB(1, 2, 3)));
    rec.Answer(0);
    EXPECT_EQ(AddTableColour(dlg, 0, 108), 0);
}

TEST_F(ColourFixture, OpenTableListsNamesCutAtTheirLastDot)
{
    strcpy(ApplicationPath, root.c_str());
    WriteAll(root + "\\Blue.Sea.CCL", "");
    WriteAll(root + "\\Plain.CCL", "");
    char name[SETTINGTEXT] = "Plain.CCL";
    ModalRecorder rec;
    rec.Drive([](HWND box) {
        HWND combo = GetDlgItem(box, 101);
        EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
        EXPECT_NE(SendMessageA(combo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "Blue.Sea"), CB_ERR);
        char text[64] = "";
        GetWindowTextA(combo, text, sizeof text);
        EXPECT_STREQ(text, "Plain");
        SetWindowTextA(combo, "Blue.Sea");
        Click(box, IDOK);
    });
    EXPECT_EQ(COMMONGetOpenColourTableName(NULL, name), 1);
    EXPECT_STREQ(name, "Blue.Sea.CCL");
}

// The system's colour dialog with our template: the table from the per-user
// folder, read-outs in hexadecimal, Add asking about a colour the table
// already has, Delete selecting the entry before, and the colour written
// back on OK.
TEST_F(ColourFixture, ColourDialogShowsTheTableAndHexReadOuts)
{
    strcpy(ColourTableFile, "Test.CCL");
    std::string path = COMMONAddApplicationDataSubPath("Test.CCL");
    ASSERT_TRUE(COMMONMakeFoldersFor(path.c_str()));
    WriteAll(path, "Ten=10,20,30\nWhite=255,255,255\nAlso ten=10,20,30\nBlack=0,0,0\n");
    ModalRecorder rec;
    rec.Drive([](HWND box) {
        HWND table = GetDlgItem(box, 108);
        ASSERT_TRUE(sbtest::PumpUntil([&] { return SendMessageA(table, LB_GETCOUNT, 0, 0) == 4; }));
        SetDlgItemInt(box, 706, 10, FALSE);
        char hex[16] = "";
        GetDlgItemTextA(box, 15706, hex, sizeof hex);
        EXPECT_STREQ(hex, "0AH");
        // Once per entry of the colour; the second question's No adds nothing.
        SetDlgItemInt(box, 707, 20, FALSE);
        SetDlgItemInt(box, 708, 30, FALSE);
        Click(box, 109);
        EXPECT_EQ(SendMessageA(table, LB_GETCOUNT, 0, 0), 4);
        for (auto [at, after] : {std::pair{3, 2}, std::pair{0, 0}}) {
            SendMessageA(table, LB_SETCURSEL, at, 0);
            Click(box, 110);
            EXPECT_EQ(SendMessageA(table, LB_GETCURSEL, 0, 0), after) << "deleting " << at;
        }
        ASSERT_EQ(SendMessageA(table, LB_GETCOUNT, 0, 0), 2);
        SendMessageA(table, LB_SETCURSEL, 1, 0);
        SendMessageA(box, WM_COMMAND, MAKEWPARAM(108, LBN_SELCHANGE), (LPARAM)table);
        Click(box, IDOK);
    });
    rec.Answer(IDYES);
    rec.Answer(IDNO);
    rec.Answer(IDYES);
    rec.Answer(IDYES);
    COLORREF c = RGB(200, 0, 0);
    EXPECT_NE(COMMONDoColourSelect(NULL, &c), 0);
    EXPECT_EQ(c, RGB(10, 20, 30));
    ASSERT_EQ(rec.calls.size(), 5u);
    EXPECT_NE(rec.calls[1].text.find("Ten"), std::string::npos);
    EXPECT_NE(rec.calls[2].text.find("Also ten"), std::string::npos);
    EXPECT_EQ(ReadAll(path), "White=255,255,255\r\nAlso ten=10,20,30\r\n");
}

} // namespace
