// The applet script editor on a script of 100,000 lines:
// (a) opening the editor on it and saving it back into the applet object,
//     against copying its text: once as a plain copy of the bytes, and once
//     through a bare multi-line edit control (set and read back), which is
//     what holding the text in the platform's edit control costs at the
//     least; goal <= 10;
// (b) Replace All of a word that occurs 10,000 times, against the same
//     replacement done on a plain string; goal <= 5; and against the text
//     through the bare edit control, the least any change of the whole text
//     in the platform's control costs.
// Each measurement is the median of ROUNDS (default 1: a round of the full
// script takes minutes under an emulated Wine).
//   scripts/wine-one.sh build/bin/scripteditor_bench.exe [LINES [ROUNDS]]
#include "bench/clock.h"
#include "common/modal.h"
#include "common/owners.h"
#include "common/shell.h"
#include "document/applet.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "editor/shell.h"
#include "editors/editparam.h"
#include "resources/scripteditor_ids.h"
#include "tools/scripteditor.h"
#include <commctrl.h>
#include <dlgs.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bench::Now;

INT_PTR Quiet(const MODALCALL *)
{
    return 0;
}

std::string Script(int lines)
{
    std::string s;
    char line[64];
    for (int i = 0; i < lines; i++) {
        if (i % 10 == 0)
            snprintf(line, sizeof line, "alpha = x + %d\r\n", i);
        else
            snprintf(line, sizeof line, "drawline(%d, %d, %d, %d)\r\n", i % 640, i % 480, i % 7, i % 9);
        s += line;
    }
    return s;
}

HGLOBAL Applet(const std::string &text)
{
    OBJECTAPPLET a{};
    a.header.tag = TAG_APPL;
    a.header.fixedsize = a.header.totalsize = sizeof a;
    a.header.number = 150;
    SetRect(&a.header.rect, 0, 0, 320, 200);
    GlobalBlock empty(NewGlobal(sizeof a, &a, sizeof a));
    return AppendAppletEntry(empty.get(), text.c_str(), (unsigned long)text.size() + 1, ENTRY_TEXT, 0);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The editor opened modeless on the page's applet, with its state in `p`.
HWND Open(HWND owner, BLOCK *page, EDITPARAM *p)
{
    *p = EDITPARAM{};
    p->hwnd = owner;
    p->block = page;
    p->object = GetPageObject(page, 0);
    return CreateDialogParamA(hInst, "EditAppletBox", owner, EditAppletProc, (LPARAM)p);
}

BOOL CALLBACK OwnedBox(HWND w, LPARAM found)
{
    char name[16] = "";
    GetClassNameA(w, name, sizeof name);
    if (strcmp(name, "#32770") != 0 || GetWindow(w, GW_OWNER) != *(HWND *)found)
        return TRUE;
    *(HWND *)found = w;
    return FALSE;
}

// The editor's replace box, opened from its menu; null when none opened.
HWND ReplaceBox(HWND dlg)
{
    SendMessageA(dlg, WM_COMMAND, IDM_APPLETREPLACE, 0);
    HWND found = dlg;
    EnumThreadWindows(GetCurrentThreadId(), OwnedBox, (LPARAM)&found);
    return found != dlg ? found : NULL;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

int main(int argc, char **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    // A smaller script may be asked for, to see how the times grow.
    int lines = argc > 1 ? atoi(argv[1]) : 100000, rounds = argc > 2 ? atoi(argv[2]) : 1;
    InitCommonControls();
    hInst = GetModuleHandleA(NULL);
    COMMONSetModalHook(Quiet);
    EditAppletMaximizeWindow = 0;
    HWND owner = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, NULL, NULL, NULL, NULL);
    BLOCKSET set{};
    BLOCK page{};
    CreateBlock(owner, &set, &page, TAG_PAGE, nullptr, 0);
    const std::string text = Script(lines);
    AppendPageObject(&page, Applet(text));
    printf("script: %zu bytes in %d lines\n", text.size(), lines);

    std::vector<double> editor, plain, control;
    HWND bare = CreateWindowA("EDIT", "", WS_POPUP | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL |
                              WS_HSCROLL, 0, 0, 600, 400, owner, NULL, NULL, NULL);
    SendMessageA(bare, EM_SETLIMITTEXT, 0, 0);
    for (int round = 0; round < rounds; round++) {
        EDITPARAM p;
        double start = Now();
        HWND dlg = Open(owner, &page, &p);
        ShowWindow(dlg, SW_SHOW);
        UpdateWindow(dlg);
        SendMessageA(dlg, WM_COMMAND, IDM_APPLETSAVE, 0);
        DestroyWindow(dlg);
        editor.push_back(Now() - start);
        Pump();

        start = Now();
        GlobalBlock copy(GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
        memcpy(GlobalLocked<char>(copy.get()).get(), text.c_str(), text.size() + 1);
        plain.push_back(Now() - start);

        start = Now();
        SetWindowTextA(bare, text.c_str());
        std::string back(text.size() + 1, '\0');
        GetWindowTextA(bare, back.data(), (int)back.size());
        control.push_back(Now() - start);
        SetWindowTextA(bare, "");
    }
    double e = Median(editor), c = Median(plain), b = Median(control);
    printf("open and save: %.1f ms; plain copy: %.3f ms, ratio %.1f; through a bare edit control: %.1f ms, "
           "ratio %.2f (goal <= 10)\n",
           e * 1000, c * 1000, e / c, b * 1000, e / b);

    std::vector<double> replaced, reference;
    for (int round = 0; round < rounds; round++) {
        EDITPARAM p;
        HWND dlg = Open(owner, &page, &p);
        SendDlgItemMessageA(dlg, IDC_APPLETSOURCE, EM_SETSEL, 0, 0);
        HWND box = ReplaceBox(dlg);
        if (!box) {
            printf("the replace box did not open\n");
            return 1;
        }
        SetDlgItemTextA(box, edt1, "alpha");
        SetDlgItemTextA(box, edt2, "omega");
        double start = Now();
        SendDlgItemMessageA(box, psh2, BM_CLICK, 0, 0);
        replaced.push_back(Now() - start);
        int length = GetWindowTextLengthA(GetDlgItem(dlg, IDC_APPLETSOURCE));
        SendMessageA(dlg, WM_COMMAND, IDM_APPLETABANDON, 0);
        DestroyWindow(dlg);
        Pump();
        if (length != (int)text.size())
            printf("the replaced text has %d bytes, not %zu\n", length, text.size());

        start = Now();
        std::string out;
        size_t from = 0;
        for (size_t at; (at = text.find("alpha", from)) != std::string::npos; from = at + 5) {
            out.append(text, from, at - from);
            out += "omega";
        }
        out.append(text, from, std::string::npos);
        reference.push_back(Now() - start);
        if (out.size() != text.size())
            printf("reference went wrong\n");
    }
    double r = Median(replaced), s = Median(reference);
    printf("replace all of 10,000 occurrences: in the editor: %.1f ms; on a plain string: %.2f ms, ratio %.1f "
           "(goal <= 5); against the text through a bare edit control: ratio %.2f\n",
           r * 1000, s * 1000, r / s, r / b);
    DestroyWindow(bare);
    DestroyWindow(owner);
    return 0;
}
