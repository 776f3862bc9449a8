// The Setup sheet driven as a real property sheet over the settings table;
// the system information box against the platform's own answers; the
// display-driver notice's check box and help page.
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "editor/config.h"
#include "editor/setup.h"
#include "editor/shell.h"
#include "editor/sysinfo.h"
#include "resources/setup_ids.h"
#include "tests/editor/screenbits.h"
#include "tests/support/testsupport.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using sbtest::ModalRecorder;

namespace {

HWND Page(HWND sheet) { return (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0); }

void Press(HWND sheet, int button)
{
    SendMessageA(sheet, PSM_PRESSBUTTON, (WPARAM)button, 0);
    sbtest::PumpUntilIdle();
}

std::string Text(HWND dlg, int id)
{
    char text[512] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

// With SB_SETUP_SHOTS naming a folder, the window as shown is kept there as
// a BMP file.
void Shot(HWND window, const char *name)
{
    const char *folder = getenv("SB_SETUP_SHOTS");
    if (!folder)
        return;
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    sbtest::PumpUntilIdle();
    sbtest::Capture c = sbtest::CaptureClient(window);
    DWORD size = 4 * (DWORD)c.pixels.size();
    BITMAPINFOHEADER info{sizeof info, c.width, -c.height, 1, 32, BI_RGB}; // top row first, as captured
    BITMAPFILEHEADER file{0x4D42, sizeof file + sizeof info + size, 0, 0, sizeof file + sizeof info};
    if (FILE *f = fopen((std::string(folder) + "\\" + name + ".bmp").c_str(), "wb")) {
        fwrite(&file, sizeof file, 1, f);
        fwrite(&info, sizeof info, 1, f);
        fwrite(c.pixels.data(), 1, size, f);
        fclose(f);
    }
}

int &Setting(const CONFIGITEM &row) { return *(int *)row.value; }

bool IsSpin(const CONFIGITEM &row) { return (row.type & CONFIG_UPDOWN) != 0; }
bool IsList(const CONFIGITEM &row) { return (row.type & CONFIG_OPTIONS) != 0; }

// Two values of a row that its control can show, the first and the second.
std::pair<int, int> Values(const CONFIGITEM &row)
{
    switch (row.control) {
    case IDC_SETUPCOMPRESS:
        return {3, 7};
    case IDC_SETUPSTACK:
        return {9000, 20000};
    case IDC_SETUPVIEWMODE:
        return {1, 3};
    }
    return {0, 1};
}

int Shown(HWND page, const CONFIGITEM &row)
{
    if (IsList(row))
        return (int)SendDlgItemMessageA(page, row.control, CB_GETCURSEL, 0, 0);
    if (IsSpin(row))
        return (int)GetDlgItemInt(page, row.control, NULL, FALSE);
    return IsDlgButtonChecked(page, row.control) == BST_CHECKED;
}

void Put(HWND page, const CONFIGITEM &row, int value)
{
    if (IsList(row))
        SendDlgItemMessageA(page, row.control, CB_SETCURSEL, (WPARAM)value, 0);
    else if (IsSpin(row))
        SetDlgItemInt(page, row.control, (UINT)value, FALSE);
    else
        CheckDlgButton(page, row.control, value ? BST_CHECKED : BST_UNCHECKED);
}

// The rows the table puts on the Setup dialog.
std::vector<const CONFIGITEM *> SetupRows()
{
    std::vector<const CONFIGITEM *> rows;
    for (int i = 0; i < MAXCONFIGITEM; i++)
        if (configitem[i].control)
            rows.push_back(&configitem[i]);
    return rows;
}

// Every setting is as it was after each test; the dialogs get the editor's
// background brush, as in the editor.
struct Setup : ::testing::Test {
    std::vector<std::string> saved;
    HBRUSH brush = NULL;
    void SetUp() override
    {
        if (!backbrush)
            backbrush = brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
        for (int i = 0; i < MAXCONFIGITEM; i++)
            saved.emplace_back((const char *)configitem[i].value,
                               configitem[i].type & CONFIG_TEXT ? SETTINGTEXT : sizeof(int));
    }
    void TearDown() override
    {
        for (int i = 0; i < MAXCONFIGITEM; i++)
            memcpy(configitem[i].value, saved[i].data(), saved[i].size());
        if (brush) {
            backbrush = NULL;
            DeleteObject(brush);
        }
    }
    // Every Setup row at its first (or second) value.
    void SetAll(bool second)
    {
        for (const CONFIGITEM *row : SetupRows())
            Setting(*row) = second ? Values(*row).second : Values(*row).first;
    }
};

// Each row's control shows the setting and OK stores what it was changed
// to, both ways round; the one row whose control the page lacks is left
// alone. The sheet is the one page "Files / Display" of "Setup".
TEST_F(Setup, EveryControlShowsItsSettingAndOkStoresTheChange)
{
    for (bool second : {false, true}) {
        SCOPED_TRACE(second);
        SetAll(second);
        WarnPreviewSize = 7;
        ModalRecorder rec;
        std::vector<std::string> absent;
        rec.Drive([&](HWND sheet) {
            HWND page = Page(sheet);
            char caption[64] = "", tab[64] = "";
            GetWindowTextA(sheet, caption, sizeof caption);
            EXPECT_STREQ(caption, "Setup");
            TCITEMA item{TCIF_TEXT};
            item.pszText = tab;
            item.cchTextMax = sizeof tab;
            HWND tabs = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
            EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 1);
            SendMessageA(tabs, TCM_GETITEMA, 0, (LPARAM)&item);
            EXPECT_STREQ(tab, "Files / Display");
            for (const CONFIGITEM *row : SetupRows()) {
                if (!GetDlgItem(page, row->control)) {
                    absent.push_back(row->key);
                    continue;
                }
                auto [first, other] = Values(*row);
                if (second)
                    std::swap(first, other);
                EXPECT_EQ(Shown(page, *row), first) << row->key;
                Put(page, *row, other);
            }
            if (second)
                Shot(sheet, "setup");
            Press(sheet, PSBTN_OK);
        });
        DoSetup(NULL);
        ASSERT_EQ(rec.calls.size(), 1u);
        EXPECT_EQ(absent, std::vector<std::string>{"WarnPreviewSize"});
        EXPECT_EQ((int)WarnPreviewSize, 7);
        for (const CONFIGITEM *row : SetupRows()) {
            if (strcmp(row->key, "WarnPreviewSize") != 0) {
                EXPECT_EQ(Setting(*row), second ? Values(*row).first : Values(*row).second) << row->key;
            }
        }
    }
}

// Cancel after every control was changed, and after the theme chooser was
// opened and cancelled, leaves every setting as it was.
TEST_F(Setup, CancelStoresNothing)
{
    SetAll(false);
    char theme[SETTINGTEXT];
    strcpy(theme, ThemeCurrent);
    ModalRecorder rec;
    rec.Drive([&](HWND sheet) {
        HWND page = Page(sheet);
        for (const CONFIGITEM *row : SetupRows())
            if (GetDlgItem(page, row->control))
                Put(page, *row, Values(*row).second);
        sbtest::Click(page, IDC_CHOOSETHEME);
        Press(sheet, PSBTN_CANCEL);
    });
    rec.Answer(IDCANCEL); // the theme chooser
    DoSetup(NULL);
    ASSERT_EQ(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls[1].kind, MODAL_DIALOG);
    EXPECT_STREQ(ThemeCurrent, theme);
    for (const CONFIGITEM *row : SetupRows()) {
        if (strcmp(row->key, "WarnPreviewSize") != 0) {
            EXPECT_EQ(Setting(*row), Values(*row).first) << row->key;
        }
    }
}

// A number field is held within its up-down's range, compared unsigned (a
// minus makes a number past the top); empty, not a number or too long for
// 32 bits it stores the lower bound. Nothing is said, and the rest is stored.
TEST_F(Setup, NumbersOutOfRangeAreHeldWithinTheRange)
{
    struct Case {
        int control;
        const char *text;
        int stored;
    } cases[] = {
        {IDC_SETUPCOMPRESS, "12", 9},          {IDC_SETUPCOMPRESS, "", 0},          {IDC_SETUPCOMPRESS, "nine", 0},
        {IDC_SETUPCOMPRESS, "4x", 4},          {IDC_SETUPCOMPRESS, "9", 9},         {IDC_SETUPCOMPRESS, "0", 0},
        {IDC_SETUPCOMPRESS, "-1", 0},
        {IDC_SETUPSTACK, "100", 8192},         {IDC_SETUPSTACK, "32768", 32767},    {IDC_SETUPSTACK, "-8192", 8192},
        {IDC_SETUPSTACK, "4294967295", 32767},
        {IDC_SETUPSTACK, "99999999999", 8192}, {IDC_SETUPSTACK, " 32767 ", 32767}, {IDC_SETUPSTACK, "", 8192},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " in " + std::to_string(c.control));
        SetAll(false);
        ShowTipOfTheDay = 1;
        int &field = *(int *)(c.control == IDC_SETUPCOMPRESS ? &CompressImages : &DefaultAppletStackSize);
        ModalRecorder rec;
        rec.Drive([&](HWND sheet) {
            HWND page = Page(sheet);
            CheckDlgButton(page, 108, BST_UNCHECKED);
            SetDlgItemTextA(page, c.control, c.text);
            Press(sheet, PSBTN_OK);
            if (ShowTipOfTheDay) // the page was not stored, so the sheet stays
                Press(sheet, PSBTN_CANCEL);
        });
        DoSetup(NULL);
        EXPECT_EQ(rec.calls.size(), 1u);
        EXPECT_EQ(field, c.stored);
        EXPECT_EQ(ShowTipOfTheDay, 0);
    }
}

// The screen, the network, the machine and Windows as the platform itself
// answers them; the colour count follows the screen's depth, capped at 24.
TEST(SysInfo, FieldsAreThePlatformsOwnAnswers)
{
    HDC dc = GetDC(NULL);
    int realbits = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(NULL, dc);
    OSVERSIONINFOA v{sizeof v};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ASSERT_TRUE(GetVersionExA(&v));
#pragma GCC diagnostic pop
    // "6.1 Service Pack 1": the service pack, when there is one, a word apart.
    std::string version = std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion);
    if (v.szCSDVersion[0])
        version += std::string(" ") + v.szCSDVersion;
    char owner[260], organisation[260];
    GetMachineName(owner, organisation);
    struct Case {
        int bits; // 0: the screen as it is
        const char *colours;
    } cases[] = {{0, realbits >= 24 ? "16,777,216" : nullptr}, {8, "256"}, {4, "16"}, {32, "16,777,216"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bits);
        std::unique_ptr<ScreenBits> fake(c.bits ? new ScreenBits(c.bits) : nullptr);
        std::vector<std::string> shown;
        ModalRecorder rec;
        rec.Drive([&](HWND dlg) {
            for (int id : {IDC_SYSWIDTH, IDC_SYSDEPTH, IDC_SYSNETWORK, IDC_SYSSLOW, IDC_SYSVERSION, IDC_SYSOWNER,
                           IDC_SYSORGANISATION, IDC_SYSCOLOURS})
                shown.push_back(Text(dlg, id));
            char caption[64] = "";
            GetWindowTextA(dlg, caption, sizeof caption);
            EXPECT_STREQ(caption, "System Information");
            // The focus comes with the box's activation, which a busy machine
            // may deliver after the box shows.
            EXPECT_TRUE(sbtest::PumpUntil([&] { return GetFocus() == GetDlgItem(dlg, IDOK); })) << "the focus on OK";
            if (!c.bits)
                Shot(dlg, "sysinfo");
            sbtest::Click(dlg, IDOK);
        });
        EXPECT_EQ(ShowSysInfo(NULL), 1);
        ASSERT_EQ(rec.calls.size(), 1u);
        EXPECT_EQ(rec.calls[0].name, "SysInfoBox");
        ASSERT_EQ(shown.size(), 8u);
        EXPECT_EQ(shown[0], std::to_string(GetSystemMetrics(SM_CXSCREEN)));
        EXPECT_EQ(shown[1], std::to_string(GetSystemMetrics(SM_CYSCREEN)));
        EXPECT_EQ(shown[2], GetSystemMetrics(SM_NETWORK) ? "Yes" : "No");
        EXPECT_EQ(shown[3], GetSystemMetrics(SM_SLOWMACHINE) ? "Yes" : "No");
        EXPECT_EQ(shown[4], version);
        EXPECT_EQ(shown[5], owner);
        EXPECT_EQ(shown[6], organisation);
        if (c.colours) {
            EXPECT_EQ(shown[7], std::string("Your present Windows screen driver can display images having up to ") +
                                    c.colours + " colors without dithering.");
        }
    }
}

// Done keeps the check box's answer in the setting; closing otherwise keeps
// the setting; Help opens the page beside the program, or says none could.
TEST(DriverNotice, DoneStoresTheCheckBoxAndHelpOpensThePageBesideTheProgram)
{
    int saved = ShowDriverMessage;
    struct Case {
        bool uncheck;
        int button;
        int result, setting;
    } cases[] = {{true, IDOK, 1, 0}, {false, IDOK, 1, 1}, {true, IDCANCEL, IDCANCEL, 1}};
    for (const Case &c : cases) {
        ShowDriverMessage = 1;
        bool checked = false;
        ModalRecorder rec;
        rec.Drive([&](HWND dlg) {
            checked = IsDlgButtonChecked(dlg, IDC_DRIVERSHOWAGAIN) == BST_CHECKED;
            if (c.uncheck)
                sbtest::Click(dlg, IDC_DRIVERSHOWAGAIN);
            if (c.button == IDOK && c.uncheck)
                Shot(dlg, "drivernotice");
            sbtest::Click(dlg, IDC_INFOHELP);
            sbtest::Click(dlg, IDC_INFOHELP);
            if (c.button == IDOK)
                sbtest::Click(dlg, IDOK);
            else
                SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        });
        rec.Answer(33); // a viewer took the page
        rec.Answer(32); // none could
        rec.Answer(IDOK);
        EXPECT_EQ(ShowDriverDialog(NULL), c.result);
        EXPECT_TRUE(checked);
        EXPECT_EQ(ShowDriverMessage, c.setting);
        ASSERT_EQ(rec.calls.size(), 4u);
        EXPECT_EQ(rec.calls[0].name, "ChangeDriverBox");
        EXPECT_EQ(rec.calls[1].kind, MODAL_LAUNCH);
        EXPECT_EQ(rec.calls[1].name, std::string(AddApplicationPath("DRIVERS.HTM")));
        EXPECT_EQ(rec.calls[2].kind, MODAL_LAUNCH);
        EXPECT_EQ(rec.calls[3].kind, MODAL_DIALOG);
        EXPECT_EQ(rec.calls[3].text.rfind("No application could be found to open Drivers.Htm.", 0), 0u);
    }
    ShowDriverMessage = saved;
}

} // namespace
