#include "document/about.h"
#include "common/dialog.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "resources/resource.h"
#include <cstring>

namespace {

struct ABOUTSTATE {
    const BLOCK *header;
    HFONT fonts[2];
};

// A header's text field, which need not be terminated in a file, as a string.
template <size_t N> void CopyField(char (&out)[N + 1], const char (&field)[N])
{
    memcpy(out, field, N);
    out[N] = 0;
}

} // namespace

static INT_PTR EXEAboutDialogMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, &answer))
        return answer;
    switch (msg) {
    case WM_INITDIALOG: {
        auto *state = (ABOUTSTATE *)lParam;
        const HEDRRECORD &h = state->header->hedr;
        HWND gone = GetDlgItem(dlg, h.flags & 0x400 ? IDC_ABOUTCREDIT : IDC_ABOUTCREDIT2);
        if (gone)
            DestroyWindow(gone);
        state->fonts[0] = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "ARIAL");
        state->fonts[1] = CreateFontA(13, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "ARIAL");
        SendDlgItemMessageA(dlg, IDC_ABOUTTEXT, WM_SETFONT, (WPARAM)state->fonts[0], 0);
        SendDlgItemMessageA(dlg, IDC_ABOUTCREDIT, WM_SETFONT, (WPARAM)state->fonts[1], 0);
        char about[sizeof h.about + 1], title[sizeof h.title + 1];
        CopyField(about, h.about);
        CopyField(title, h.title);
        SetDlgItemTextA(dlg, IDC_ABOUTTEXT, about);
        SetWindowTextA(dlg, title);
        CentreWindow(dlg);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        // However the box ends, OK, Esc or its close box, the fonts go with it.
        if (auto *state = DialogState<ABOUTSTATE>(dlg))
            for (HFONT &f : state->fonts) {
                if (f)
                    DeleteObject(f);
                f = NULL;
            }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK EXEAboutDialog(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return EXEAboutDialogMessage(dlg, msg, wParam, lParam); });
}

int DoEXEAbout(HWND parent, HWND list, BLOCK *block)
{
    BLOCK header;
    const BLOCK *use = block;
    if (!block || block->tag != TAG_HEDR) {
        if (!GetHeaderBlock(list, nullptr, &header)) {
            DoMessage(parent, "Block access error");
            if (parent)
                UpdateWindow(parent);
            return 0;
        }
        use = &header;
    }
    ABOUTSTATE state{use, {}};
    INT_PTR r = COMMONDialogBox(hInst, MAKEINTRESOURCEA(IDD_EXEABOUT), parent, EXEAboutDialog,
                                (LPARAM)&state, "about");
    if (parent)
        UpdateWindow(parent);
    return (int)r;
}
