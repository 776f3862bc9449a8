#include "common/fontdlg.h"
#include "common/dialog.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "resources/dialogs_ids.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>

namespace {

constexpr UINT CMD_REBUILDSTYLES = 105, CMD_STYLECHOSEN = 106;

struct FONTDIALOG {
    FONTPARAM *param;
    HFONT sample;
};

FONTDIALOG *State(HWND dlg) { return DialogState<FONTDIALOG>(dlg); }

bool RangeGiven(const FONTPARAM *p) { return p->minimum || p->maximum; }

int Clamp(const FONTPARAM *p, int size)
{
    if (!RangeGiven(p))
        return size;
    int low = p->minimum < p->maximum ? p->minimum : p->maximum;
    int high = p->minimum < p->maximum ? p->maximum : p->minimum;
    return size < low ? low : size > high ? high : size;
}

void RebuildSample(HWND dlg)
{
    FONTDIALOG *s = State(dlg);
    HWND styles = GetDlgItem(dlg, IDC_FONTSTYLE);
    int weight = 0, italic = 0;
    LRESULT sel = SendMessageA(styles, CB_GETCURSEL, 0, 0);
    if (sel != CB_ERR) {
        LRESULT data = SendMessageA(styles, CB_GETITEMDATA, sel, 0);
        weight = (int)(data & 0xFFFF);
        italic = (int)((data >> 16) & 0xFF);
    }
    char face[LF_FACESIZE] = "";
    GetDlgItemTextA(dlg, IDC_FONTFACE, face, sizeof face);
    HFONT font = CreateFontA(48, 0, 0, 0, weight, (DWORD)italic, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    SendDlgItemMessageA(dlg, IDC_FONTSAMPLE, WM_SETFONT, (WPARAM)font, TRUE);
    if (s->sample)
        DeleteObject(s->sample);
    s->sample = font;
}

void RebuildStyles(HWND dlg)
{
    FONTDIALOG *s = State(dlg);
    char face[LF_FACESIZE] = "";
    GetDlgItemTextA(dlg, IDC_FONTFACE, face, sizeof face);
    SetDlgItemTextA(dlg, IDC_FONTSAMPLE, face);
    HWND styles = GetDlgItem(dlg, IDC_FONTSTYLE);
    SendMessageA(styles, CB_RESETCONTENT, 0, 0);
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face, sizeof lf.lfFaceName);
    {
        WindowDC dc(dlg);
        EnumFontFamiliesExA(dc, &lf, (FONTENUMPROCA)ChooseFontEnumProcEx, (LPARAM)styles, 0);
    }
    int count = (int)SendMessageA(styles, CB_GETCOUNT, 0, 0);
    int chosen = 0;
    for (int i = 0; i < count; i++) {
        LRESULT data = SendMessageA(styles, CB_GETITEMDATA, i, 0);
        if ((int)(data & 0xFFFF) == s->param->weight && (int)((data >> 16) & 0xFF) == s->param->italic) {
            chosen = i;
            break;
        }
    }
    SendMessageA(styles, CB_SETCURSEL, chosen, 0);
    RebuildSample(dlg);
}

// For a face that is not installed, the one the system draws in its place,
// else the first of the list: a face that has styles to choose from.
int InstalledFallback(HWND dlg, HWND faces, const char *wanted)
{
    char used[LF_FACESIZE] = "";
    {
        WindowDC dc(dlg);
        GdiObject<HFONT> font(CreateFontA(16, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, wanted));
        SelectedObject chosen(dc, font);
        if (dc && font)
            GetTextFaceA(dc, sizeof used, used);
    }
    int index = used[0] ? COMMONFindFace(faces, used) : CB_ERR;
    return index == CB_ERR ? 0 : index;
}

} // namespace

int COMMONFindFace(HWND combo, const char *face)
{
    int count = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        LRESULT n = SendMessageA(combo, CB_GETLBTEXTLEN, i, 0);
        if (n == CB_ERR || n >= 261)
            continue;
        char text[261];
        if (SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)text) != CB_ERR && lstrcmpiA(text, face) == 0)
            return i;
    }
    return CB_ERR;
}

// Each family once, in the order of the alphabet, and without the '@'
// families that exist only for vertical writing: the list the system's own
// font dialog shows. The system reports a family once per character set.
int CALLBACK ChooseFontEnumProc(const LOGFONTA *lf, const TEXTMETRICA *, DWORD, LPARAM combo)
{
    const char *face = lf->lfFaceName;
    if (!face[0] || face[0] == '@' || COMMONFindFace((HWND)combo, face) != CB_ERR)
        return 1;
    int count = (int)SendMessageA((HWND)combo, CB_GETCOUNT, 0, 0), at = count;
    char text[261];
    for (int i = 0; i < count; i++) {
        LRESULT n = SendMessageA((HWND)combo, CB_GETLBTEXTLEN, i, 0);
        if (n != CB_ERR && n < (LRESULT)sizeof text && SendMessageA((HWND)combo, CB_GETLBTEXT, i, (LPARAM)text) != CB_ERR &&
            lstrcmpiA(face, text) < 0) {
            at = i;
            break;
        }
    }
    SendMessageA((HWND)combo, CB_INSERTSTRING, (WPARAM)at, (LPARAM)face);
    return 1;
}

int CALLBACK ChooseFontEnumProcEx(const LOGFONTA *lf, const TEXTMETRICA *, DWORD, LPARAM combo)
{
    const ENUMLOGFONTEXA *elf = (const ENUMLOGFONTEXA *)lf;
    char style[LF_FACESIZE + 1];
    lstrcpynA(style, (const char *)elf->elfStyle, sizeof style);
    if (!style[0] || SendMessageA((HWND)combo, CB_FINDSTRING, (WPARAM)-1, (LPARAM)style) != CB_ERR)
        return 1;
    LRESULT index = SendMessageA((HWND)combo, CB_ADDSTRING, 0, (LPARAM)style);
    if (index >= 0)
        SendMessageA((HWND)combo, CB_SETITEMDATA, index,
                     (LPARAM)(((DWORD)lf->lfWeight & 0xFFFF) | ((DWORD)lf->lfItalic << 16)));
    return 1;
}

static INT_PTR ChooseFontDlgMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    FONTDIALOG *s;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &s, 0))
        return answer;
    switch (msg) {
    case WM_INITDIALOG: {
        FONTPARAM *p = s->param;
        HWND faces = GetDlgItem(dlg, IDC_FONTFACE);
        {
            WindowDC dc(dlg);
            EnumFontFamiliesA(dc, NULL, (FONTENUMPROCA)ChooseFontEnumProc, (LPARAM)faces);
        }
        int index = COMMONFindFace(faces, p->face);
        if (index == CB_ERR)
            index = InstalledFallback(dlg, faces, p->face);
        SendMessageA(faces, CB_SETCURSEL, index, 0);
        PostMessageA(dlg, WM_COMMAND, CMD_REBUILDSTYLES, 0);

        p->size = Clamp(p, p->size);
        char text[64];
        snprintf(text, sizeof text, "%d,%d,%d", p->minimum, p->maximum, p->size);
        SetDlgItemTextA(dlg, IDC_FONTSIZESPIN, text);
        GetDlgItemTextA(dlg, IDC_FONTSIZESPIN, text, sizeof text);
        int low = -32767, high = 32767, pos = -32767;
        sscanf(text, "%d,%d,%d", &low, &high, &pos);
        if (low != -32767 && high != 32767)
            SendDlgItemMessageA(dlg, IDC_FONTSIZESPIN, UDM_SETRANGE, 0, MAKELPARAM(high, low));
        if (pos != -32767)
            SendDlgItemMessageA(dlg, IDC_FONTSIZESPIN, UDM_SETPOS, 0, MAKELPARAM(pos, 0));
        if (!RangeGiven(p)) {
            EnableWindow(GetDlgItem(dlg, IDC_FONTSIZE), FALSE);
            EnableWindow(GetDlgItem(dlg, IDC_FONTSIZESPIN), FALSE);
        }
        SetDlgItemInt(dlg, IDC_FONTSIZE, (UINT)p->size, FALSE);
        SetFocus(GetDlgItem(dlg, IDOK));
        CentreWindow(dlg);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_FONTFACE:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                PostMessageA(dlg, WM_COMMAND, CMD_REBUILDSTYLES, 0);
            return TRUE;
        case IDC_FONTSTYLE:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                PostMessageA(dlg, WM_COMMAND, CMD_STYLECHOSEN, 0);
            return TRUE;
        case CMD_REBUILDSTYLES:
            RebuildStyles(dlg);
            return TRUE;
        case CMD_STYLECHOSEN: {
            HWND styles = GetDlgItem(dlg, IDC_FONTSTYLE);
            LRESULT sel = SendMessageA(styles, CB_GETCURSEL, 0, 0);
            if (sel != CB_ERR) {
                LRESULT data = SendMessageA(styles, CB_GETITEMDATA, sel, 0);
                s->param->weight = (int)(data & 0xFFFF);
                s->param->italic = (int)((data >> 16) & 0xFF);
                RebuildSample(dlg);
            }
            return TRUE;
        }
        case IDOK: {
            char face[261] = "";
            GetDlgItemTextA(dlg, IDC_FONTFACE, face, 260);
            lstrcpynA(s->param->face, face, sizeof s->param->face);
            BOOL ok;
            s->param->size = Clamp(s->param, (int)GetDlgItemInt(dlg, IDC_FONTSIZE, &ok, FALSE));
            EndDialog(dlg, 1);
            return TRUE;
        }
        }
        return FALSE;
    case WM_DESTROY:
        SendDlgItemMessageA(dlg, IDC_FONTSAMPLE, WM_SETFONT, 0, FALSE);
        if (s->sample)
            DeleteObject(s->sample);
        s->sample = NULL;
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK ChooseFontDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return ChooseFontDlgMessage(dlg, msg, wParam, lParam); });
}

int COMMONChooseFont(HWND parent, char *face, int *weight, int *italic, int *size, int minimum, int maximum)
{
    FONTPARAM param{};
    if (face)
        lstrcpynA(param.face, face, sizeof param.face);
    if (weight)
        param.weight = *weight;
    if (italic)
        param.italic = *italic;
    if (size)
        param.size = *size;
    param.minimum = minimum;
    param.maximum = maximum;
    FONTDIALOG state{&param, NULL};
    INT_PTR result = COMMONDialogBox(hInst, "FontBox", parent, ChooseFontDlgProc, (LPARAM)&state, NULL);
    if (result <= 0)
        return 0;
    if (weight)
        *weight = param.weight;
    if (italic)
        *italic = param.italic;
    if (size)
        *size = param.size;
    if (face)
        lstrcpynA(face, param.face, 261);
    return (int)result;
}
