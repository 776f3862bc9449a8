// The palette grid a colour is picked from, and the colour buttons that
// show a chosen colour.
#include "common/colour.h"
#include "common/dialog.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "resources/dialogs_ids.h"
#include <cstring>

static int GridSide(HWND dlg)
{
    RECT r;
    GetClientRect(dlg, &r);
    return (r.right - r.left) / 16;
}

int SelectColour(HWND parent, const unsigned char *palette, int count, COLORREF *colour)
{
    if (!ClassicColorSelect)
        return COMMONDoColourSelect(parent, colour);
    COLOURGRIDPARAM param{palette, (DWORD)(count < 0 ? 0 : count > 256 ? 256 : count), *colour};
    INT_PTR result = COMMONDialogBox(hInst, "SelectColourBox", parent, SelectColourProc, (LPARAM)&param, NULL);
    UpdateWindow(parent);
    if (result == 1) {
        *colour = param.colour;
        return 1;
    }
    return 0;
}

static INT_PTR SelectColourMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    COLOURGRIDPARAM *param;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &param, 0))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        if (controlfont)
            SetAllFontControls(dlg, controlfont);
        SetFocus(GetDlgItem(dlg, IDCANCEL));
        CentreWindow(dlg);
        return FALSE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dlg, &ps);
        int s = GridSide(dlg);
        if (s > 0 && param->palette) {
            struct {
                WORD version, entries;
                PALETTEENTRY colours[256];
            } lp{0x300, (WORD)(param->count ? param->count : 1), {}};
            for (DWORD i = 0; i < param->count; i++)
                lp.colours[i] = PALETTEENTRY{param->palette[3 * i], param->palette[3 * i + 1],
                                             param->palette[3 * i + 2], 0};
            GdiObject<HPALETTE> pal(CreatePalette((LOGPALETTE *)&lp));
            HPALETTE oldpal = pal ? SelectPalette(dc, pal, FALSE) : NULL;
            RealizePalette(dc);
            SelectedObject pen(dc, GetStockObject(BLACK_PEN));
            for (int i = 0; i < 256; i++) {
                int x = (i % 16) * s, y = (i / 16) * s;
                // Entries past the count show as black: the caller's buffer
                // need hold no more than count colours.
                COLORREF c = (DWORD)i < param->count
                                 ? RGB(param->palette[3 * i], param->palette[3 * i + 1], param->palette[3 * i + 2])
                                 : 0;
                GdiObject<HBRUSH> brush(CreateSolidBrush(c));
                SelectedObject chosen(dc, brush);
                Rectangle(dc, x, y, x + s, y + s);
            }
            if (oldpal)
                SelectPalette(dc, oldpal, FALSE);
        }
        EndPaint(dlg, &ps);
        return TRUE;
    }
    case WM_LBUTTONDOWN: {
        int s = GridSide(dlg);
        int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
        if (s <= 0 || x < 0 || y < 0 || x >= 16 * s || y >= 16 * s)
            return TRUE;
        DWORD i = (DWORD)(x / s + (y / s) * 16);
        if (i < param->count && param->palette) {
            param->colour = RGB(param->palette[3 * i], param->palette[3 * i + 1], param->palette[3 * i + 2]);
            EndDialog(dlg, 1);
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dlg, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_COLOURMORE) {
            DoColourSelect(dlg, &param->colour);
            PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK SelectColourProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return SelectColourMessage(dlg, msg, wParam, lParam); });
}

int COMMONDrawColourButton(HWND, UINT, WPARAM, DRAWITEMSTRUCT *item, COLORREF colour, unsigned flags)
{
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    bool disabled = (item->itemState & ODS_DISABLED) != 0;
    COLORREF fill = disabled ? GetSysColor(COLOR_BTNFACE) : colour;
    GdiObject<HBRUSH> fillbrush(CreateSolidBrush(fill));
    if (flags & 8) {
        FillRect(dc, &r, fillbrush);
        return 0;
    }
    HBRUSH back = (HBRUSH)SendMessageA(GetParent(item->hwndItem), WM_CTLCOLORBTN, (WPARAM)dc, (LPARAM)item->hwndItem);
    SelectedObject pen(dc, GetStockObject(NULL_PEN));
    if (back) {
        SelectedObject brush(dc, back);
        Rectangle(dc, r.left, r.top, r.right + 1, r.bottom + 1);
    }
    {
        SelectedObject brush(dc, fillbrush);
        Rectangle(dc, r.left, r.top, r.right - 2, r.bottom - 2);
    }
    if (!(flags & 1))
        DrawEdge(dc, &r, (item->itemState & ODS_SELECTED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT);
    if (!(flags & 4) && (item->itemState & ODS_FOCUS)) {
        RECT f{r.left + 4, r.top + 3, r.right - 4, r.bottom - 4};
        DrawFocusRect(dc, &f);
    }
    char text[128] = "";
    if (disabled || (flags & 2) || !GetWindowTextA(item->hwndItem, text, sizeof text))
        return 0;
    int luminance = GetRValue(fill) * 30 / 100 + GetGValue(fill) * 59 / 100 + GetBValue(fill) * 11 / 100;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, luminance <= 128 ? RGB(255, 255, 255) : 0);
    UINT align = SetTextAlign(dc, TA_CENTER);
    int x = (r.right - r.left) / 2, y = r.top + 4;
    if (item->itemState & ODS_SELECTED) {
        x -= 2;
        y -= 1;
    }
    TextOutA(dc, x, y, text, (int)strlen(text));
    SetTextAlign(dc, align);
    return 0;
}

