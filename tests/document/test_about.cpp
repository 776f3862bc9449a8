#include "document/about.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "resources/resource.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

TEST(AboutBox, ShowsBoundedHeaderTexts)
{
    BLOCK header{};
    header.tag = header.hedr.tag = TAG_HEDR;
    // Texts from a damaged file fill their fields without a terminator.
    memset(header.hedr.title, 'T', sizeof header.hedr.title);
    memset(header.hedr.about, 'A', sizeof header.hedr.about);
    header.hedr.flags = 0x400;
    sbtest::ModalRecorder rec;
    char title[400] = "", about[1100] = "";
    bool credit = true, credit2 = false;
    rec.Drive([&](HWND dlg) {
        GetWindowTextA(dlg, title, sizeof title);
        GetDlgItemTextA(dlg, IDC_ABOUTTEXT, about, sizeof about);
        credit = GetDlgItem(dlg, IDC_ABOUTCREDIT) != NULL;
        credit2 = GetDlgItem(dlg, IDC_ABOUTCREDIT2) != NULL;
        sbtest::Click(dlg, IDOK);
    });
    EXPECT_EQ(DoEXEAbout(NULL, NULL, &header), IDOK);
    EXPECT_EQ(strlen(title), sizeof header.hedr.title);
    EXPECT_EQ(strlen(about), sizeof header.hedr.about);
    EXPECT_FALSE(credit);
    EXPECT_TRUE(credit2);
}

TEST(AboutBox, WithoutHeaderReportsIt)
{
    HWND owner = sbtest::CreateTestWindow(false);
    HWND list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 10, 10, owner, (HMENU)10, hInst, NULL);
    sbtest::ModalRecorder rec(IDOK);
    EXPECT_EQ(DoEXEAbout(NULL, list, NULL), 0);
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].text, "Block access error");
    DestroyWindow(owner);
}

// Esc and the close box end the box as OK does, and its fonts go with it.
TEST(AboutBox, EveryWayOutFreesItsFonts)
{
    BLOCK header{};
    header.tag = header.hedr.tag = TAG_HEDR;
    const struct {
        const char *how;
        UINT msg;
        WPARAM wParam;
        int result;
    } ways[] = {{"OK", WM_COMMAND, IDOK, IDOK}, {"Esc", WM_COMMAND, IDCANCEL, IDCANCEL},
                {"close box", WM_SYSCOMMAND, SC_CLOSE, IDCANCEL}};
    for (const auto &w : ways) {
        sbtest::ModalRecorder rec;
        HGDIOBJ fonts[2] = {};
        rec.Drive([&](HWND dlg) {
            fonts[0] = (HGDIOBJ)SendDlgItemMessageA(dlg, IDC_ABOUTTEXT, WM_GETFONT, 0, 0);
            fonts[1] = (HGDIOBJ)SendDlgItemMessageA(dlg, IDC_ABOUTCREDIT, WM_GETFONT, 0, 0);
            SendMessageA(dlg, w.msg, w.wParam, 0);
        });
        EXPECT_EQ(DoEXEAbout(NULL, NULL, &header), w.result) << w.how;
        ASSERT_TRUE(fonts[0] && fonts[1]) << w.how;
        for (HGDIOBJ f : fonts)
            EXPECT_EQ(GetObjectType(f), 0u) << w.how;
    }
}

} // namespace
