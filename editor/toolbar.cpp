#include "editor/toolbar.h"
#include "common/buttons.h"
#include "common/guard.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/strings.h"
#include "common/theme.h"
#include "common/tooltip.h"
#include "editor/shell.h"
#include "resources/editorframe_ids.h"
#include <algorithm>
#include <cstring>

constexpr BYTE WIDEGAP = 0x80;

const BYTE ButtonList[] = {IDM_OPEN,   IDM_SAVE,      IDM_VIEW,           IDM_INSERT,   IDM_DELETE | WIDEGAP,
                           IDM_SELECTALL, IDM_UNSELECTALL | WIDEGAP, IDM_SETUP, IDM_CONTENTS, IDM_EXIT, 0};

static bool MakesButton(int id) { return id >= 50 && id <= 61; }

static void FillViewModes(HWND box)
{
    char text[FETCHSTRINGSIZE];
    lstrcpynA(text, FetchString(IDS_VIEWMODES), sizeof text);
    for (char *part = text; part && *part;) {
        char *next = strchr(part, ';');
        if (next)
            *next++ = 0;
        SendMessageA(box, CB_ADDSTRING, 0, (LPARAM)part);
        part = next;
    }
}

// The view-mode box is as wide as its longest mode in the font it shows,
// never narrower than the toolbar's usual 120 pixels.
static int FitViewModes(HWND box)
{
    HFONT font = controlfont ? controlfont : (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    SendMessageA(box, WM_SETFONT, (WPARAM)font, FALSE);
    HDC dc = GetDC(box);
    HGDIOBJ old = SelectObject(dc, font);
    int widest = 0;
    for (int i = 0, n = (int)SendMessageA(box, CB_GETCOUNT, 0, 0); i < n; i++) {
        char mode[FETCHSTRINGSIZE] = "";
        if (SendMessageA(box, CB_GETLBTEXTLEN, i, 0) >= (LRESULT)sizeof mode)
            continue;
        SendMessageA(box, CB_GETLBTEXT, i, (LPARAM)mode);
        SIZE size{};
        GetTextExtentPoint32A(dc, mode, (int)strlen(mode), &size);
        widest = std::max(widest, (int)size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(box, dc);
    int width = std::max(120, widest + GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE) + 8);
    SetWindowPos(box, NULL, 0, 0, width, 360, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return width;
}

static void CreateButtons(HWND bar)
{
    int y = COMMONTHEMEGetMetric(7), width = COMMONTHEMEGetMetric(2), height = COMMONTHEMEGetMetric(3);
    int gap = COMMONTHEMEGetMetric(8), group = COMMONTHEMEGetMetric(5), listx = COMMONTHEMEGetMetric(6);
    HWND box = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS,
                               listx, 2, 120, 360, bar, (HMENU)IDC_VIEWMODE, hInst, NULL);
    int boxwidth = 120;
    if (box) {
        FillViewModes(box);
        boxwidth = FitViewModes(box);
    }
    int x = listx + 4 * gap + boxwidth;
    for (const BYTE *p = ButtonList; *p; p++) {
        int id = *p & 0x7F;
        if (!MakesButton(id))
            continue;
        HWND button = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, x, y, width, height, bar,
                                      (HMENU)(INT_PTR)id, hInst, NULL);
        x += width + gap + (*p & WIDEGAP ? group : 0);
        if (!button)
            continue;
        if (!CommandAvailable((UINT)id))
            EnableWindow(button, FALSE);
        char tip[FETCHSTRINGSIZE];
        lstrcpynA(tip, FetchString(IDS_TOOLTIPBASE + id), sizeof tip);
        CreateTip(hInst, bar, id, tip);
        CreateMouseTrack(bar, id);
    }
}

static LRESULT BarMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        CreateButtons(hwnd);
        return 0;
    case WM_ERASEBKGND:
        COMMONTHEMEDrawToolbarBackground(hwnd, (HDC)wParam);
        return 1;
    case WM_DRAWITEM: {
        DRAWITEMSTRUCT *item = (DRAWITEMSTRUCT *)lParam;
        if (item->CtlType != ODT_BUTTON || !MakesButton((int)item->CtlID))
            return 0;
        return COMMONTHEMEDrawButton(item->hwndItem, item->hDC, &item->rcItem, (int)item->CtlID - 50,
                                     (int)item->itemState);
    }
    case WM_SIZE:
        return 0;
    case WM_MOUSEMOVE: {
        // A greyed button gets no mouse input of its own, the bar gets it:
        // handed on, the button's tip still says what the button would do.
        POINT p{(short)LOWORD(lParam), (short)HIWORD(lParam)};
        HWND child = ChildWindowFromPointEx(hwnd, p, CWP_SKIPINVISIBLE);
        if (child && child != hwnd && !IsWindowEnabled(child) && MakesButton(GetDlgCtrlID(child))) {
            MapWindowPoints(hwnd, child, &p, 1);
            SendMessageA(child, WM_MOUSEMOVE, wParam, MAKELPARAM(p.x, p.y));
        }
        return 0;
    }
    case WM_COMMAND:
        PostMessageA(hwndmain, WM_COMMAND, wParam, lParam);
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (LRESULT)HandleCtlColour(hwnd, (HDC)wParam, lParam);
    case WMU_REPAINTTOOLBAR:
        for (const BYTE *p = ButtonList; *p; p++)
            if (HWND button = GetDlgItem(hwnd, *p & 0x7F))
                InvalidateRect(button, NULL, FALSE);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return BarMessage(hwnd, msg, wParam, lParam); });
}

static void DrawMasked(HDC dc, int x, int y, HGLOBAL resource, DWORD maskrop, DWORD imagerop)
{
    GlobalLocked<BITMAPINFOHEADER> info(resource);
    if (!info || info->biSize < sizeof(BITMAPINFOHEADER))
        return;
    const BITMAPINFOHEADER *h = info.get();
    DWORD colours = h->biBitCount <= 8 ? 1u << h->biBitCount : 0;
    const BYTE *bits = (const BYTE *)h + h->biSize + colours * sizeof(RGBQUAD);
    GdiObject<HBITMAP> bitmap(CreateDIBitmap(dc, h, CBM_INIT, bits, (const BITMAPINFO *)h, DIB_RGB_COLORS));
    if (!bitmap)
        return;
    MemoryDC memory(dc);
    if (!memory.Select(bitmap.get()))
        return;
    int width = h->biWidth, half = (h->biHeight < 0 ? -h->biHeight : h->biHeight) / 2;
    BitBlt(dc, x, y, width, half, memory.dc, 0, half, maskrop);
    BitBlt(dc, x, y, width, half, memory.dc, 0, 0, imagerop);
}

void DrawImageWithMask(HDC dc, int x, int y, HGLOBAL resource)
{
    DrawMasked(dc, x, y, resource, MERGEPAINT, SRCAND);
}

void DrawImageWithMaskEx(HDC dc, int x, int y, HGLOBAL resource)
{
    DrawMasked(dc, x, y, resource, SRCAND, SRCINVERT);
}
