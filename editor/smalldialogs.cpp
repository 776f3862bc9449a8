// The tip of the day, one list item's text, the palette grid and the font
// list. Each box is modal, centred on the screen and in the dialogs' colours.
#include "editor/smalldialogs.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/theme.h"
#include "editor/shell.h"
#include "editor/tipfolder.h"
#include "media/dib.h"
#include "resources/shelldialogs_ids.h"
#include <cstring>

namespace {

struct TIPSTATE {
    char text[TIPTEXTSIZE];
};

// A light bulb, for a theme without a picture of its own.
void DrawBulb(HDC dc, const RECT &r)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    int side = w < h ? w : h;
    int cx = r.left + w / 2, top = r.top + (h - side) / 2;
    GdiObject<HPEN> ray(CreatePen(PS_SOLID, 2, RGB(230, 170, 0)));
    {
        SelectedObject p(dc, ray);
        const POINT ends[][2] = {{{-side / 2 + 1, side / 3}, {-side / 3, side / 3}},
                                 {{side / 2 - 1, side / 3}, {side / 3, side / 3}},
                                 {{0, 1}, {0, side / 8}},
                                 {{-side * 2 / 5, side / 12}, {-side * 3 / 10, side / 6}},
                                 {{side * 2 / 5, side / 12}, {side * 3 / 10, side / 6}}};
        for (const auto &e : ends) {
            MoveToEx(dc, cx + e[0].x, top + e[0].y, NULL);
            LineTo(dc, cx + e[1].x, top + e[1].y);
        }
    }
    GdiObject<HBRUSH> glass(CreateSolidBrush(RGB(255, 230, 80)));
    GdiObject<HPEN> outline(CreatePen(PS_SOLID, 1, RGB(120, 90, 0)));
    SelectedObject b(dc, glass), p(dc, outline);
    int radius = side / 4;
    Ellipse(dc, cx - radius, top + side / 5, cx + radius + 1, top + side / 5 + 2 * radius + 1);
    GdiObject<HBRUSH> metal(CreateSolidBrush(RGB(150, 150, 150)));
    SelectedObject m(dc, metal);
    int base = top + side / 5 + 2 * radius - 2;
    Rectangle(dc, cx - radius / 2, base, cx + radius / 2 + 1, base + side / 5);
    for (int y = base + side / 15; y < base + side / 5; y += side / 15) {
        MoveToEx(dc, cx - radius / 2, y, NULL);
        LineTo(dc, cx + radius / 2, y);
    }
}

void DrawTipPicture(const DRAWITEMSTRUCT *item)
{
    FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (HGLOBAL picture = COMMONTHEMEGetBitmap(2)) {
        DrawBitmap(item->hDC, item->rcItem.left, item->rcItem.top, picture, SRCCOPY);
        GlobalFree(picture);
    } else {
        DrawBulb(item->hDC, item->rcItem);
    }
}

void DrawTipText(const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    GdiObject<HBRUSH> paper(CreateSolidBrush(GetSysColor(COLOR_BTNHIGHLIGHT)));
    FillRect(dc, &r, paper);
    DrawEdge(dc, &r, EDGE_BUMP, BF_RECT);
    char text[TIPTEXTSIZE] = "";
    GetWindowTextA(item->hwndItem, text, sizeof text);
    InflateRect(&r, -8, -8);
    GdiObject<HFONT> font(CreateFontA(18, 0, 0, 0, 700, 0, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, "Arial"));
    SelectedObject f(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    DrawTextA(dc, text, -1, &r, DT_WORDBREAK | DT_NOPREFIX);
}

// The grid's cell of index i, and the index at a point (-1 outside).
RECT GridCell(const RECT &grid, int i)
{
    int w = (grid.right - grid.left) / 16, h = (grid.bottom - grid.top) / 16;
    RECT cell{grid.left + (i % 16) * w, grid.top + (i / 16) * h, 0, 0};
    cell.right = cell.left + w;
    cell.bottom = cell.top + h;
    return cell;
}

int GridIndex(const RECT &grid, int x, int y)
{
    int w = (grid.right - grid.left) / 16, h = (grid.bottom - grid.top) / 16;
    if (w <= 0 || h <= 0 || x < grid.left || y < grid.top || x >= grid.left + 16 * w || y >= grid.top + 16 * h)
        return -1;
    return (x - grid.left) / w + (y - grid.top) / h * 16;
}

struct GRIDSTATE {
    SELECTINDEXPARAM *param;
    RECT grid; // the client area above the buttons
};

void PaintGrid(HWND dlg, const GRIDSTATE &state)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    // The caller's palette need hold no more than its count: the cells past
    // it are black.
    char rgb[PALETTEBYTES] = {};
    int count = state.param->count < 0 ? 0 : state.param->count > 256 ? 256 : state.param->count;
    if (state.param->palette)
        memcpy(rgb, state.param->palette, 3 * count);
    PALSTATE pal;
    RealizeWindowPalette(dc, &pal, rgb, count);
    {
        SelectedObject pen(dc, GetStockObject(BLACK_PEN));
        for (int i = 0; i < 256; i++) {
            const unsigned char *c = (const unsigned char *)rgb + 3 * i;
            GdiObject<HBRUSH> brush(CreateSolidBrush(pal.palette ? PALETTERGB(c[0], c[1], c[2]) : RGB(c[0], c[1], c[2])));
            SelectedObject chosen(dc, brush);
            RECT cell = GridCell(state.grid, i);
            Rectangle(dc, cell.left, cell.top, cell.right + 1, cell.bottom + 1);
        }
    }
    UnrealizeWindowPalette(dc, &pal);
    EndPaint(dlg, &ps);
}

int CALLBACK AddFontFamily(const LOGFONTA *font, const TEXTMETRICA *, DWORD, LPARAM lParam)
{
    HWND combo = (HWND)lParam;
    const char *face = font->lfFaceName;
    if (!face[0])
        return 1;
    // Some systems name a family once for each of its character sets and
    // styles; the list offers each face once.
    if (SendMessageA(combo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)face) != CB_ERR)
        return 1;
    LRESULT i = SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)face);
    if (i == CB_ERR || i == CB_ERRSPACE)
        return 1;
    size_t n = strlen(face);
    SendMessageA(combo, CB_SETITEMDATA, (WPARAM)i, (LPARAM)NewGlobal(n + 16, face, n));
    SendMessageA(combo, CB_SETITEMHEIGHT, (WPARAM)i, 18);
    return 1;
}

} // namespace

int ShowTipDialog(HWND window)
{
    TIPSTATE state{};
    INT_PTR result = COMMONDialogBox(hInst, "TipOfTheDayBox", window, TipOfTheDayProc, (LPARAM)&state, NULL);
    if (window)
        UpdateWindow(window);
    return (int)result;
}

INT_PTR CALLBACK TipOfTheDayProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    TIPSTATE *state;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &state))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        if (GetTipOfTheDay(state->text))
            SetDlgItemTextA(dlg, IDC_TIPTEXT, state->text);
        MessageBeep(MB_ICONASTERISK);
        CheckDlgButton(dlg, IDC_TIPSHOWAGAIN, ShowTipOfTheDay ? BST_CHECKED : BST_UNCHECKED);
        CentreWindow(dlg);
        SetFocus(GetDlgItem(dlg, IDOK));
        return FALSE;
    case WM_DRAWITEM:
        if (wParam == IDC_TIPPICTURE)
            DrawTipPicture((const DRAWITEMSTRUCT *)lParam);
        else if (wParam == IDC_TIPTEXT)
            DrawTipText((const DRAWITEMSTRUCT *)lParam);
        else
            return FALSE;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK)
            return FALSE;
        if (GetKeyState(VK_SHIFT) < 0) {
            // Shift: the next tip, and the box stays.
            GetTipOfTheDay(state->text);
            SetDlgItemTextA(dlg, IDC_TIPTEXT, state->text);
            InvalidateRect(GetDlgItem(dlg, IDC_TIPTEXT), NULL, TRUE);
            return TRUE;
        }
        ShowTipOfTheDay = IsDlgButtonChecked(dlg, IDC_TIPSHOWAGAIN) == BST_CHECKED ? 1 : 0;
        EndDialog(dlg, 1);
        return TRUE;
    }
    return FALSE;
}

int GetListBoxString(HWND window, char *text)
{
    return COMMONDialogBox(hInst, "GetListBoxStringBox", window, GetListBoxStringProc, (LPARAM)text, NULL) == 1;
}

INT_PTR CALLBACK GetListBoxStringProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    char *text;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &text, 0))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        // One short of the buffer, so that OK never cuts what was typed.
        SendDlgItemMessageA(dlg, IDC_ITEMTEXT, EM_LIMITTEXT, SETTINGTEXT - 2, 0);
        SetDlgItemTextA(dlg, IDC_ITEMTEXT, text);
        SetFocus(GetDlgItem(dlg, IDC_ITEMTEXT));
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_ITEMTEXT, EN_CHANGE), (LPARAM)GetDlgItem(dlg, IDC_ITEMTEXT));
        CentreWindow(dlg);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ITEMTEXT:
            EnableWindow(GetDlgItem(dlg, IDOK), GetWindowTextLengthA(GetDlgItem(dlg, IDC_ITEMTEXT)) > 0);
            return TRUE;
        case IDOK:
            GetDlgItemTextA(dlg, IDC_ITEMTEXT, text, SETTINGTEXT - 1);
            EndDialog(dlg, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

int SelectColour(HWND window, const unsigned char *palette, int count, int *index)
{
    SELECTINDEXPARAM param{palette, count < 0 ? 0 : count > 256 ? 256 : count, *index};
    INT_PTR result = COMMONDialogBox(hInst, "SelectColourIndexBox", window, SelectColourIndexProc, (LPARAM)&param,
                                     NULL);
    if (window)
        UpdateWindow(window);
    if (result != 1)
        return 0;
    *index = param.index;
    return 1;
}

INT_PTR CALLBACK SelectColourIndexProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    if (msg == WM_DESTROY) {
        delete SetWindowValue<GRIDSTATE *>(dlg, DWLP_USER, nullptr);
        return FALSE;
    }
    if (msg == WM_INITDIALOG) {
        auto *state = new GRIDSTATE{(SELECTINDEXPARAM *)lParam, {}};
        COMMONDialogMessage(dlg, msg, wParam, (LPARAM)state, &answer);
        if (controlfont)
            SetAllFontControls(dlg, controlfont);
        GetClientRect(dlg, &state->grid);
        RECT button;
        GetWindowRect(GetDlgItem(dlg, IDOK), &button);
        MapWindowPoints(NULL, dlg, (POINT *)&button, 2);
        state->grid.bottom = button.top - 6;
        SetFocus(GetDlgItem(dlg, IDCANCEL));
        CentreWindow(dlg);
        return FALSE;
    }
    GRIDSTATE *state;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &state, 0))
        return answer;
    if (!state)
        return FALSE;
    switch (msg) {
    case WM_PAINT:
        PaintGrid(dlg, *state);
        return TRUE;
    case WM_LBUTTONDOWN: {
        int i = GridIndex(state->grid, (short)LOWORD(lParam), (short)HIWORD(lParam));
        if (i >= 0 && i < state->param->count) {
            state->param->index = i;
            EndDialog(dlg, 1);
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dlg, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

int InitFontCombo(HWND dialog, int id, const char *face)
{
    HWND combo = GetDlgItem(dialog, id);
    if (!combo)
        return 1;
    {
        WindowDC dc(dialog);
        EnumFontFamiliesA(dc, NULL, (FONTENUMPROCA)AddFontFamily, (LPARAM)combo);
    }
    SendMessageA(combo, CB_SETITEMHEIGHT, (WPARAM)-1, 18);
    SendMessageA(combo, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)(face ? face : ""));
    return 1;
}

void FreeFontCombo(HWND combo)
{
    LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n && n != CB_ERR; i++) {
        LRESULT data = SendMessageA(combo, CB_GETITEMDATA, (WPARAM)i, 0);
        if (data && data != CB_ERR) {
            GlobalFree((HGLOBAL)data);
            SendMessageA(combo, CB_SETITEMDATA, (WPARAM)i, 0);
        }
    }
}
