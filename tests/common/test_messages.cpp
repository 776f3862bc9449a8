#include "common/guard.h"
#include "common/msgdlg.h"
#include "common/strings.h"
#include "resources/resource.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

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

TEST(Warnings, HelpExplainsTheSetupTheNoteNames)
{
    for (bool question : {false, true}) {
        ModalRecorder rec;
        unsigned flag = 1;
        rec.Drive([](HWND dlg) {
            Click(dlg, IDC_HELPBUTTON);
            EXPECT_TRUE(IsWindowVisible(dlg)) << "Help leaves the warning open";
            SendMessageA(dlg, WM_COMMAND, IDNO, 0);
            SendMessageA(dlg, WM_COMMAND, IDOK, 0);
        });
        rec.Answer(42); // the first browser opens the page
        if (question)
            DoYesNoWarning(NULL, "q", &flag);
        else
            DoWarning(NULL, "w", &flag);
        ASSERT_EQ(rec.calls.size(), 2u);
        EXPECT_NE(rec.calls[1].text.find("referenc.htm#SETUP"), std::string::npos) << rec.calls[1].text;
    }
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

// Where each part of a shown box lies, in the box's client coordinates.
struct Layout {
    RECT client{}, text{}, need{};
    std::vector<std::pair<int, RECT>> others;
};

static Layout LayoutOf(HWND dlg)
{
    Layout l;
    GetClientRect(dlg, &l.client);
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(NULL, dlg, (POINT *)&r, 2);
        if (GetDlgCtrlID(child) != IDC_MESSAGETEXT) {
            l.others.push_back({GetDlgCtrlID(child), r});
            continue;
        }
        l.text = r;
        char text[1024];
        GetWindowTextA(child, text, sizeof text);
        HDC dc = GetDC(child);
        HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(child, WM_GETFONT, 0, 0));
        l.need = {0, 0, r.right - r.left, 0};
        DrawTextA(dc, text, -1, &l.need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(child, dc);
    }
    return l;
}

TEST(MessageBoxes, LongTextsGrowTheBoxSoTheQuestionAndAnswersShow)
{
    std::string folder = "C:\\Documents\\Presentations";
    while (folder.size() < 200)
        folder += "\\Spring_Exhibition_Of_The_Gardening_Club";
    std::string save = "The file\n" + folder + "\\talk.exe\nhas not been saved.\n\nDo you wish to save it before closing?";
    std::string many = "A & B ";
    while (many.size() < 900)
        many += "word ";
    struct Case {
        const char *name;
        std::string text;
        std::function<void()> ask;
    } cases[] = {
        {"short", "Save?", [] { DoYesNoCancel(NULL, "Save?"); }},
        {"save question", save, [&] { DoYesNoCancel(NULL, save.c_str()); }},
        {"long message", many, [&] { DoMessage(NULL, many.c_str()); }},
        {"long warning", save, [&] {
             unsigned flag = 1;
             DoYesNoWarning(NULL, save.c_str(), &flag);
         }},
    };
    for (const Case &c : cases) {
        ModalRecorder rec;
        Layout l;
        RECT box{};
        rec.Drive([&](HWND dlg) {
            l = LayoutOf(dlg);
            GetWindowRect(dlg, &box);
            SendMessageA(dlg, WM_COMMAND, IDNO, 0);
            SendMessageA(dlg, WM_COMMAND, IDOK, 0);
        });
        c.ask();
        SCOPED_TRACE(c.name);
        EXPECT_LE(l.need.bottom, l.text.bottom - l.text.top);
        EXPECT_LE(l.need.right, l.text.right - l.text.left);
        for (auto [id, r] : l.others) {
            EXPECT_GE(r.top, l.text.bottom) << "control " << id << " lies over the text";
            EXPECT_LE(r.bottom, l.client.bottom) << "control " << id;
            EXPECT_LE(r.right, l.client.right) << "control " << id;
        }
        EXPECT_GE(box.top, 0);
        EXPECT_LE(box.bottom, GetSystemMetrics(SM_CYSCREEN));
        EXPECT_GE(box.left, 0);
    }
}

namespace {

// Runs out of memory on WM_USER, on painting and, when asked by its creation
// parameter, on WM_CREATE; asks for too long a vector on WM_USER + 2;
// answers 7 to WM_USER + 1.
LRESULT GreedyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_USER || msg == WM_PAINT || (msg == WM_CREATE && ((CREATESTRUCTA *)lParam)->lpCreateParams))
        throw std::bad_alloc();
    if (msg == WM_USER + 2)
        std::vector<char>().reserve(SIZE_MAX);
    return msg == WM_USER + 1 ? 7 : DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK GreedyProc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    return COMMONGuard(h, m, [&] { return GreedyMessage(h, m, w, l); });
}

} // namespace

TEST(MessageBoxes, MemoryRunningOutInAWindowIsToldAndTheWindowGoesOn)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = GreedyProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "GreedyTest";
    RegisterClassA(&wc);
    ModalRecorder rec(IDOK);
    HWND w = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, NULL, NULL,
                             wc.hInstance, NULL);
    ASSERT_TRUE(w);
    UpdateWindow(w);
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(w, &dirty, FALSE)) << "a failed paint is not tried again at once";
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);
    EXPECT_EQ(SendMessageA(w, WM_USER + 2, 0, 0), 0);
    EXPECT_EQ(SendMessageA(w, WM_USER + 1, 0, 0), 7);
    EXPECT_FALSE(CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL,
                                 wc.hInstance, (LPVOID)1));
    ASSERT_EQ(rec.calls.size(), 4u);
    for (const sbtest::ModalRecord &call : rec.calls)
        EXPECT_EQ(call.text, "Memory error");
    DestroyWindow(w);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

// Bound at their first call by the test's own delayed lists: a library no
// machine has, and a function the kernel lacks.
extern "C" __declspec(dllimport) int WINAPI SbMissingEverywhere(int, int);
extern "C" __declspec(dllimport) int WINAPI SbNotInTheKernel(int);

// A delayed function that cannot be bound fails its call, with its
// arguments taken off the stack, and the user is told once; the program
// goes on.
TEST(DelayedLibraries, WhatCannotBeBoundFailsTheCallAndIsToldOnce)
{
    ModalRecorder rec(IDOK);
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(SbMissingEverywhere(i, 2), 0);
        EXPECT_EQ(SbNotInTheKernel(i), 0);
    }
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].text, "Library error");
}
