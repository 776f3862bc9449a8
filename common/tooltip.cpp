#include "common/tooltip.h"
#include "common/guard.h"
#include "common/owners.h"
#include "common/windowvalue.h"
#include <cstdint>
#include <cstring>

const char tipclass[] = "ShowbinderTip";
int TipWait = 250;
int TipFontSize = 8;

namespace {

constexpr UINT_PTR DELAYTIMER = 1;
const char *const PROCLOW = MAKEINTATOM(10000);
const char *const PROCHIGH = MAKEINTATOM(10001);
const char *const PENDING = MAKEINTATOM(10002);
const char *const TIPWINDOW = MAKEINTATOM(10003);

HFONT TipFont() { return CreateFontA(-TipFontSize, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Helv"); }

WNDPROC PreviousProc(HWND control)
{
    uintptr_t low = (uintptr_t)GetPropA(control, PROCLOW) & 0xFFFF;
    uintptr_t high = (uintptr_t)GetPropA(control, PROCHIGH) & 0xFFFF;
    return (WNDPROC)(low | high << 16);
}

bool IsTip(HWND hwnd)
{
    char name[32] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return lstrcmpiA(name, tipclass) == 0;
}

bool CursorIn(HWND control, bool edges)
{
    POINT p;
    RECT r;
    if (!GetCursorPos(&p) || !GetWindowRect(control, &r))
        return false;
    if (edges)
        return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
    return p.x > r.left && p.x < r.right && p.y > r.top && p.y < r.bottom;
}

BOOL CALLBACK DestroyTipsEnumProc(HWND hwnd, LPARAM owner)
{
    if (IsTip(hwnd) && GetWindowValue<HWND>(hwnd, GWLP_USERDATA) == (HWND)owner)
        DestroyWindow(hwnd);
    return TRUE;
}

void Place(HWND tip, int x, int y)
{
    RECT r;
    GetWindowRect(tip, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    x += 12;
    while (x + w > sw && x > 0)
        x -= 8;
    while (x < 0)
        x += 8;
    while (y + h > sh && y > 0)
        y -= 8;
    while (y < 0)
        y += 8;
    SetWindowPos(tip, HWND_TOPMOST, x, y, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
    MoveWindow(tip, x, y, w, h, TRUE);
}

} // namespace

int InitializeTips(HINSTANCE inst)
{
    if (!TipWait)
        return 0;
    WNDCLASSA wc{};
    wc.style = CS_SAVEBITS | CS_BYTEALIGNCLIENT;
    wc.lpfnWndProc = TipWndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
    wc.lpszClassName = tipclass;
    RegisterClassA(&wc);
    return 1;
}

int CreateTip(HINSTANCE inst, HWND owner, int id, const char *text)
{
    if (!TipWait)
        return 0;
    HWND control = GetDlgItem(owner, id);
    HWND tip = CreateWindowExA(0, tipclass, text, WS_POPUP, 0, 0, 1, 1, NULL, NULL, inst, &control);
    if (!tip)
        return 0;
    SetWindowValue(tip, GWLP_USERDATA, owner);
    return 1;
}

void DestroyTips(HWND owner)
{
    EnumWindows(DestroyTipsEnumProc, (LPARAM)owner);
}

static LRESULT TipWndMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: {
        const CREATESTRUCTA *cs = (const CREATESTRUCTA *)lParam;
        HWND control = cs->lpCreateParams ? *(HWND *)cs->lpCreateParams : NULL;
        char text[129] = "";
        GetWindowTextA(hwnd, text, sizeof text);
        if (!control || !IsWindow(control) || IsTip(control) || !text[0])
            return -1;
        {
            WindowDC dc(hwnd);
            GdiObject<HFONT> font(TipFont());
            SelectedObject chosen(dc, font);
            SIZE size{};
            GetTextExtentPointA(dc, text, (int)strlen(text), &size);
            SetWindowPos(hwnd, NULL, 0, 0, size.cx + 7, size.cy + 3, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        // A control that already carries a tip keeps its one subclass; the
        // new tip takes the old one's place.
        HWND old = (HWND)GetPropA(control, TIPWINDOW);
        if (GetPropA(control, PROCLOW) || GetPropA(control, PROCHIGH) || old) {
            SetPropA(control, TIPWINDOW, hwnd);
            if (old && old != hwnd && IsWindow(old))
                DestroyWindow(old);
            return 0;
        }
        uintptr_t proc = GetWindowValue<uintptr_t>(control, GWLP_WNDPROC);
        SetPropA(control, PROCLOW, (HANDLE)(proc & 0xFFFF));
        SetPropA(control, PROCHIGH, (HANDLE)(proc >> 16));
        SetPropA(control, PENDING, (HANDLE)0);
        SetPropA(control, TIPWINDOW, hwnd);
        SetWindowValue<WNDPROC>(control, GWLP_WNDPROC, CtrlSubProc);
        return 0;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT full;
        GetClientRect(hwnd, &full);
        RECT r = full;
        r.right--;
        r.bottom--;
        {
            GdiObject<HBRUSH> back(CreateSolidBrush(GetSysColor(COLOR_INFOBK)));
            SelectedObject brush(dc, back);
            SelectedObject pen(dc, GetStockObject(BLACK_PEN));
            Rectangle(dc, r.left, r.top, r.right, r.bottom);
            SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
            SetBkMode(dc, TRANSPARENT);
            char text[129] = "";
            int n = GetWindowTextA(hwnd, text, sizeof text);
            GdiObject<HFONT> font(TipFont());
            SelectedObject chosen(dc, font);
            ExtTextOutA(dc, 2, 1, ETO_CLIPPED, &r, text, (UINT)n, NULL);
            MoveToEx(dc, 1, full.bottom - 1, NULL);
            LineTo(dc, full.right - 1, full.bottom - 1);
            LineTo(dc, full.right - 1, 1);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case TIP_SHOW:
        if (wParam == 1)
            Place(hwnd, (short)LOWORD(lParam), (short)HIWORD(lParam));
        else if (IsWindowVisible(hwnd))
            ShowWindow(hwnd, SW_HIDE);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK TipWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return TipWndMessage(hwnd, msg, wParam, lParam); });
}

static LRESULT CtrlSubMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = PreviousProc(hwnd);
    HWND tip = (HWND)GetPropA(hwnd, TIPWINDOW);
    switch (msg) {
    case WM_DESTROY:
        KillTimer(hwnd, DELAYTIMER);
        SetWindowValue(hwnd, GWLP_WNDPROC, previous);
        RemovePropA(hwnd, PROCLOW);
        RemovePropA(hwnd, PROCHIGH);
        RemovePropA(hwnd, PENDING);
        RemovePropA(hwnd, TIPWINDOW);
        break;
    case WM_ACTIVATEAPP:
        if (wParam)
            break;
        [[fallthrough]];
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_DEADCHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_SYSDEADCHAR:
    case 0x108:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: {
        bool shown = tip && IsWindowVisible(tip);
        bool pending = GetPropA(hwnd, PENDING) != 0;
        bool hover = msg == WM_MOUSEMOVE && CursorIn(hwnd, true) && !(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
        if (hover) {
            if (!shown) { // the delay runs from the last move
                SetTimer(hwnd, DELAYTIMER, (UINT)TipWait, NULL);
                SetPropA(hwnd, PENDING, (HANDLE)1);
                // Entering: a control with a hot look draws it now.
                if (!pending)
                    InvalidateRect(hwnd, NULL, FALSE);
            }
        } else {
            KillTimer(hwnd, DELAYTIMER);
            SetPropA(hwnd, PENDING, (HANDLE)0);
            if (shown) {
                SendMessageA(tip, TIP_SHOW, 0, 0);
                if (GetCapture() == hwnd)
                    ReleaseCapture();
            }
            if (shown || pending)
                InvalidateRect(hwnd, NULL, FALSE);
        }
        break;
    }
    case WM_TIMER:
        if (wParam != DELAYTIMER) // the control's own timers are its business
            break;
        KillTimer(hwnd, DELAYTIMER);
        SetPropA(hwnd, PENDING, (HANDLE)0);
        if (tip && CursorIn(hwnd, false)) {
            RECT r;
            GetWindowRect(hwnd, &r);
            SendMessageA(tip, TIP_SHOW, 1, MAKELPARAM(r.left, r.bottom + 1));
            SetCapture(hwnd);
        }
        return 0;
    }
    return previous ? CallWindowProcA(previous, hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK CtrlSubProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return CtrlSubMessage(hwnd, msg, wParam, lParam); });
}
