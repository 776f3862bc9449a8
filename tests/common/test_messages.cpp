#include "common/msgdlg.h"
#include "common/strings.h"
#include "resources/resource.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <cstring>

using sbtest::Click;
using sbtest::ModalRecorder;

TEST(FetchString, SharesOneBufferAndCutsLongTexts)
{
    char *a = FetchString(IDS_CORRUPTED);
    EXPECT_STREQ(a, "Corrupted file");
    char *b = FetchString(IDS_LIBRARY);
    EXPECT_EQ(a, b);
    EXPECT_STREQ(a, "Library error");
    EXPECT_STREQ(FetchString(IDS_PAGETEXT), "PAGE\xFE %s");
    EXPECT_EQ(strlen(FetchString(60000)), 255u);
    EXPECT_STREQ(FetchString(59999), "String table error - this application may be damaged");
}

TEST(MessageBoxes, FailedDialogIsARefusal)
{
    ModalRecorder rec;
    rec.Answer(-1);
    EXPECT_EQ(DoYesNo(NULL, "q"), IDNO);
    rec.Answer(-1);
    EXPECT_EQ(DoYesNoCancel(NULL, "q"), IDCANCEL);
    rec.Answer(0);
    EXPECT_EQ(DoYesNoCancel(NULL, "q"), IDCANCEL);
    unsigned flag = 1;
    rec.Answer(-1);
    EXPECT_EQ(DoYesNoWarning(NULL, "q", &flag), 0);
    EXPECT_EQ(flag, 1u);
    ASSERT_EQ(rec.calls.size(), 4u);
    EXPECT_EQ(rec.calls[0].name, "YesnoBox");
    EXPECT_EQ(rec.calls[1].name, "YesNoCancelBox");
    EXPECT_EQ(rec.calls[3].name, "YesNoWarningBox");
}

TEST(MessageBoxes, SwitchedOffWarningsAskNothing)
{
    ModalRecorder rec;
    unsigned flag = 0;
    DoWarning(NULL, "w", &flag);
    EXPECT_EQ(DoYesNoWarning(NULL, "w", &flag), 1);
    EXPECT_TRUE(rec.calls.empty());
}

TEST(MessageBoxes, RealDialogsAnswerWithTheirButtons)
{
    ModalRecorder rec;
    int focused = 0;
    char shown[256] = "";
    rec.Drive([&](HWND dlg) {
        focused = GetDlgCtrlID(GetFocus());
        GetDlgItemTextA(dlg, IDC_MESSAGETEXT, shown, sizeof shown);
        Click(dlg, IDYES);
    });
    EXPECT_EQ(DoYesNo(NULL, "Save changes?"), IDYES);
    EXPECT_STREQ(shown, "Save changes?");
        EXPECT_EQ(focused, IDYES);

    rec.Drive([](HWND dlg) { Click(dlg, IDNO); });
    EXPECT_EQ(DoYesNoCancel(NULL, "q"), IDNO);
    rec.Drive([](HWND dlg) { Click(dlg, IDCANCEL); });
    EXPECT_EQ(DoYesNoCancel(NULL, "q"), IDCANCEL);
    // Esc reaches the plain boxes as command 2, even those without a Cancel button.
    rec.Drive([](HWND dlg) { SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(DoMessage(NULL, "m"), IDCANCEL);
    rec.Drive([](HWND dlg) { SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(DoYesNo(NULL, "q"), IDNO);
    rec.Drive([](HWND dlg) { Click(dlg, IDOK); });
    EXPECT_EQ(DoMessage(NULL, "m"), IDOK);
}

TEST(MessageBoxes, CentredOnTheScreenWhateverTheParent)
{
    HWND parent = sbtest::CreateTestWindow(false, 3000, 2000);
    SetWindowPos(parent, NULL, -2500, -1500, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ModalRecorder rec;
    RECT r{};
    rec.Drive([&](HWND dlg) {
        GetWindowRect(dlg, &r);
        Click(dlg, IDOK);
    });
    DoMessage(parent, "m");
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(r.left, (sw - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (sh - (r.bottom - r.top)) / 2);
    DestroyWindow(parent);
}

TEST(Warnings, CheckBoxDecidesWhetherTheWarningComesBack)
{
    ModalRecorder rec;
    unsigned flag = 1;
    rec.Drive([](HWND dlg) {
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_SHOWAGAIN), BST_CHECKED);
        Click(dlg, IDC_SHOWAGAIN);
        // Esc does not close a warning.
        SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(IsWindowVisible(dlg));
        Click(dlg, IDOK);
    });
    DoWarning(NULL, "w", &flag);
    EXPECT_EQ(flag, 0u);

    flag = 1;
    rec.Drive([](HWND dlg) {
        Click(dlg, IDC_SHOWAGAIN);
        Click(dlg, IDC_SHOWAGAIN);
        Click(dlg, IDOK);
    });
    DoWarning(NULL, "w", &flag);
    EXPECT_EQ(flag, 1u);
    EXPECT_EQ(rec.calls.size(), 2u);
}

TEST(Warnings, QuestionIsSwitchedOffOnlyByYes)
{
    ModalRecorder rec;
    unsigned flag = 1;
    int focused = 0;
    rec.Drive([&](HWND dlg) {
        focused = GetDlgCtrlID(GetFocus());
        Click(dlg, IDC_SHOWAGAIN);
        Click(dlg, IDNO);
    });
    EXPECT_EQ(DoYesNoWarning(NULL, "q", &flag), 0);
    EXPECT_EQ(focused, IDYES);
    // A No must not turn into silent Yes answers later.
    EXPECT_EQ(flag, 1u);

    rec.Drive([](HWND dlg) {
        Click(dlg, IDC_SHOWAGAIN);
        Click(dlg, IDYES);
    });
    EXPECT_EQ(DoYesNoWarning(NULL, "q", &flag), 1);
    EXPECT_EQ(flag, 0u);
    EXPECT_EQ(DoYesNoWarning(NULL, "q", &flag), 1);
    EXPECT_EQ(rec.calls.size(), 2u);
}
