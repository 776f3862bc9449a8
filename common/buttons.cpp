#include "common/buttons.h"
#include "common/guard.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include <cstring>

static int Channel(double v)
{
    // Float steps can overshoot an end by a hair, and RGB() keeps only the
    // low byte: 256 would come out black.
    if (v <= 0)
        return 0;
    if (v >= 255)
        return 255;
    return (int)v;
}

void COMMONFillWidthGradient(HDC dc, const RECT *r, COLORREF from, COLORREF to, int type)
{
    if (type != GRADIENT_HORIZONTAL && type != GRADIENT_VERTICAL)
        return;
    int n = type == GRADIENT_HORIZONTAL ? RectWidth(r) : RectDepth(r);
    if (n <= 0)
        return;
    double red = GetRValue(from), green = GetGValue(from), blue = GetBValue(from);
    double dr = (GetRValue(to) - red) / n, dg = (GetGValue(to) - green) / n, db = (GetBValue(to) - blue) / n;
    for (int i = 0; i < n; i++) {
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(Channel(red), Channel(green), Channel(blue)));
        HGDIOBJ old = SelectObject(dc, pen);
        if (type == GRADIENT_HORIZONTAL) {
            MoveToEx(dc, r->left + i, r->top, NULL);
            LineTo(dc, r->left + i, r->bottom);
        } else {
            MoveToEx(dc, r->left, r->top + i, NULL);
            LineTo(dc, r->right, r->top + i);
        }
        SelectObject(dc, old);
        DeleteObject(pen);
        red += dr;
        green += dg;
        blue += db;
    }
}

void CreateMouseTrack(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    if (!LiveButtons || !control)
        return;
    // A second subclass would keep this procedure as its own previous one
    // and call itself for ever.
    if (GetPropA(control, MAKEINTATOM(MOUSETRACKATOM)))
        return;
    SetWindowValue<LONG_PTR>(control, GWLP_USERDATA, 0);
    SetPropA(control, MAKEINTATOM(MOUSETRACKATOM), GetWindowValue<HANDLE>(control, GWLP_WNDPROC));
    SetWindowValue<WNDPROC>(control, GWLP_WNDPROC, MouseTrackSubclass);
}

static LRESULT MouseTrackSubclassMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = (WNDPROC)GetPropA(hwnd, MAKEINTATOM(MOUSETRACKATOM));
    if (!previous || previous == MouseTrackSubclass)
        previous = (WNDPROC)GetClassLongA(hwnd, GCL_WNDPROC);
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!(GetWindowValue<LONG_PTR>(hwnd, GWLP_USERDATA) & 1)) {
            SetWindowValue<LONG_PTR>(hwnd, GWLP_USERDATA, GetWindowValue<LONG_PTR>(hwnd, GWLP_USERDATA) | 1);
            SetTimer(hwnd, MOUSETRACKTIMER, 50, NULL);
        }
        break;
    case WM_TIMER:
        if (wParam != MOUSETRACKTIMER)
            break;
        {
            POINT p;
            GetCursorPos(&p);
            if (WindowFromPoint(p) != hwnd) {
                KillTimer(hwnd, MOUSETRACKTIMER);
                PostMessageA(hwnd, WM_MOUSELEAVE, 0, 0);
                SetWindowValue<LONG_PTR>(hwnd, GWLP_USERDATA, GetWindowValue<LONG_PTR>(hwnd, GWLP_USERDATA) & ~1);
            }
        }
        return 0;
    case WM_MOUSEHOVER:
        InvalidateRect(hwnd, NULL, FALSE);
        return 0;
    case WM_MOUSELEAVE:
        InvalidateRect(hwnd, NULL, FALSE);
        break;
    case WM_DESTROY:
        if (GetPropA(hwnd, MAKEINTATOM(MOUSETRACKATOM))) {
            SetWindowValue(hwnd, GWLP_WNDPROC, previous);
            RemovePropA(hwnd, MAKEINTATOM(MOUSETRACKATOM));
        }
        break;
    }
    return CallWindowProcA(previous, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK MouseTrackSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return MouseTrackSubclassMessage(hwnd, msg, wParam, lParam); });
}

int DrawBitmapPushButton(HWND dialog, UINT, WPARAM, DRAWITEMSTRUCT *item, unsigned short id, const char *bitmap,
                         unsigned short first)
{
    HWND control = GetDlgItem(dialog, id);
    bool over = control && (GetWindowValue<LONG_PTR>(control, GWLP_USERDATA) & 1);
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    bool pressed = item->itemState & ODS_SELECTED;
    if (!(LiveButtons == 2 && !over))
        DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT);
    HBITMAP strip = LoadBitmapA(hInst, bitmap);
    if (!strip)
        return 1;
    BITMAP bm;
    HDC mem = CreateCompatibleDC(dc);
    if (!mem || !GetObjectA(strip, sizeof bm, &bm)) {
        if (mem)
            DeleteDC(mem);
        DeleteObject(strip);
        return 1;
    }
    int s = bm.bmHeight / 2, k = id - first, p = pressed ? 1 : 0;
    HGDIOBJ oldbitmap = SelectObject(mem, strip);
    int x = r.left + p + 1, y = r.top + p + 1;
    HBRUSH brush;
    HGDIOBJ oldbrush;
    if (item->itemState & ODS_DISABLED) {
        brush = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
        oldbrush = SelectObject(dc, brush);
        BitBlt(dc, x, y, s, s, mem, k * s, s + 1, MERGEPAINT);
        BitBlt(mem, k * s, s + 1, s, s, NULL, 0, 0, DSTINVERT);
        BitBlt(dc, x, y, s, s, mem, k * s, s + 1, 0xE20746);
        BitBlt(mem, k * s, s + 1, s, s, NULL, 0, 0, DSTINVERT);
    } else if (LiveButtons == 1 && over) {
        brush = CreateSolidBrush(RGB(0, 0, 0));
        oldbrush = SelectObject(dc, brush);
        HRGN clip = CreateRectRgn(r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
        SelectClipRgn(dc, clip);
        BitBlt(dc, x, y, s, s, mem, k * s, s + 1, MERGEPAINT);
        BitBlt(mem, k * s, s + 1, s, s, NULL, 0, 0, DSTINVERT);
        BitBlt(dc, r.left + p, r.top + p, s, s, mem, k * s, s + 1, 0xE20746);
        BitBlt(mem, k * s, s + 1, s, s, NULL, 0, 0, DSTINVERT);
        SelectClipRgn(dc, NULL);
        DeleteObject(clip);
    } else {
        brush = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
        oldbrush = SelectObject(dc, brush);
        BitBlt(dc, x, y, s, s, mem, k * s, s + 1, MERGEPAINT);
        BitBlt(dc, x, y, s, s, mem, k * s, 0, SRCAND);
    }
    SelectObject(dc, oldbrush);
    DeleteObject(brush);
    SelectObject(mem, oldbitmap);
    DeleteDC(mem);
    DeleteObject(strip);
    return 1;
}

HRGN COMMONCornerlessRegion(const RECT *r)
{
    HRGN region = CreateRectRgn(r->left, r->top, r->right, r->bottom);
    const POINT corners[4] = {{r->left, r->top}, {r->right - 1, r->top}, {r->left, r->bottom - 1},
                              {r->right - 1, r->bottom - 1}};
    for (const POINT &c : corners) {
        HRGN dot = CreateRectRgn(c.x, c.y, c.x + 1, c.y + 1);
        CombineRgn(region, region, dot, RGN_XOR);
        DeleteObject(dot);
    }
    return region;
}

static void Band(HDC dc, RECT r, int o, COLORREF from, COLORREF to, int type)
{
    OffsetRect(&r, o, o);
    COMMONFillWidthGradient(dc, &r, from, to, type);
}

static void Bevel(HDC dc, const char *caption, const RECT *rp, int pressed, int disabled, int a, int b,
                  COLORREF face, COLORREF dark, COLORREF light, COLORREF text, COLORREF shadow, int offset)
{
    RECT r = *rp;
    int o = pressed ? offset : 0;
    HBRUSH facebrush = CreateSolidBrush(face), darkbrush = CreateSolidBrush(dark);
    HRGN clip = COMMONCornerlessRegion(&r);
    SelectClipRgn(dc, clip);
    FillRect(dc, &r, facebrush);
    if (pressed) {
        RECT top{r.left, r.top, r.right, r.top + 2}, left{r.left, r.top + 2, r.left + 2, r.bottom};
        FillRect(dc, &top, darkbrush);
        FillRect(dc, &left, darkbrush);
    }
    Band(dc, {r.left, r.top, r.right, r.top + b}, o, light, face, GRADIENT_VERTICAL);
    Band(dc, {r.left, r.bottom - b, r.right, r.bottom}, o, face, dark, GRADIENT_VERTICAL);
    Band(dc, {r.left, r.top + 1, r.left + a / 3, r.bottom - b / 2}, o, light, face, GRADIENT_HORIZONTAL);
    Band(dc, {r.right - a / 2, r.top + a / 3, r.right, r.bottom - b / 2}, o, face, dark, GRADIENT_HORIZONTAL);
    SetPixel(dc, r.right - 1, r.top + 2, face);
    RECT t{r.left + o, r.top + o, r.right + o, r.bottom - 1 + o};
    RECT s = t;
    OffsetRect(&s, 1, 1);
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldcolour = SetTextColor(dc, disabled ? text : shadow);
    DrawTextA(dc, caption, -1, &s, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    SetTextColor(dc, disabled ? shadow : text);
    DrawTextA(dc, caption, -1, &t, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    SetTextColor(dc, oldcolour);
    SetBkMode(dc, mode);
    SelectClipRgn(dc, NULL);
    DeleteObject(clip);
    DeleteObject(facebrush);
    DeleteObject(darkbrush);
}

void COMMONDrawBevelledButton(HDC dc, HWND button, const RECT *r, int pressed, int disabled, int a, int b,
                              COLORREF face, COLORREF dark, COLORREF light, COLORREF text, COLORREF shadow)
{
    char caption[260] = "";
    if (button)
        GetWindowTextA(button, caption, sizeof caption);
    Bevel(dc, caption, r, pressed, disabled, a, b, face, dark, light, text, shadow, 2);
}

void COMMONDrawBevelledButtonWithText(HDC dc, const char *caption, const RECT *r, int pressed, int disabled,
                                      int a, int b, COLORREF face, COLORREF dark, COLORREF light,
                                      COLORREF text, COLORREF shadow)
{
    Bevel(dc, caption ? caption : "", r, pressed, disabled, a, b, face, dark, light, text, shadow, 1);
}
