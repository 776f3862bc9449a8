#include "common/statbar.h"
#include "common/guard.h"
#include "common/hook.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include <cstring>

static const char statusclass[] = "StatusBar";
static const char statusprop[] = "StatusBar";
static DWORD statushook;

static HWND FindStatusWindow(HWND parent)
{
    if (!parent || !IsWindow(parent))
        return NULL;
    return (HWND)GetPropA(parent, statusprop);
}

static STATUSBARDATA *GetStatusData(HWND bar)
{
    return bar ? GetWindowValue<STATUSBARDATA *>(bar, 0) : nullptr;
}

static HLOCAL LocalDupString(const char *text)
{
    if (!text || !*text)
        return NULL;
    size_t len = strlen(text) + 1;
    HLOCAL h = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, len);
    if (!h)
        return NULL;
    if (char *p = (char *)LocalLock(h)) {
        memcpy(p, text, len);
        LocalUnlock(h);
        return h;
    }
    LocalFree(h);
    return NULL;
}

static void GetCellRect(const STATUSBARDATA *d, int i, RECT *r)
{
    r->left = i == 0 ? d->border : d->right[i - 1] + 2 * d->border;
    r->top = d->border + 1;
    r->right = d->right[i];
    r->bottom = d->height - d->border;
}

static HFONT CreateStatusFont()
{
    HDC dc = GetDC(NULL);
    int height = GetDeviceCaps(dc, LOGPIXELSY) * 9 / -72;
    ReleaseDC(NULL, dc);
    return CreateFontA(height, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, ControlFontName);
}

static void PositionStatusWindow(HWND bar)
{
    STATUSBARDATA *d = GetStatusData(bar);
    if (!d)
        return;
    RECT client;
    GetClientRect(GetParent(bar), &client);
    SetWindowPos(bar, NULL, 0, client.bottom - d->height, client.right, d->height, SWP_NOZORDER);
}

static void DrawCell(HDC dc, const STATUSBARDATA *d, int i)
{
    RECT r;
    GetCellRect(d, i, &r);
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_SOFT);
    if (d->type[i] == 0) {
        if (!d->text[i])
            return;
        const char *text = (const char *)LocalLock(d->text[i]);
        if (!text)
            return;
        HGDIOBJ oldpen = SelectObject(dc, GetStockObject(NULL_PEN));
        HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
        HGDIOBJ oldbrush = SelectObject(dc, face);
        int oldmode = SetBkMode(dc, TRANSPARENT);
        HGDIOBJ oldfont = SelectObject(dc, d->font);
        InflateRect(&r, -d->border, -d->border);
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        r.top -= 2;
        DrawTextExA(dc, (char *)text, -1, &r,
                    d->format[i] | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS, NULL);
        SelectObject(dc, oldfont);
        SetBkMode(dc, oldmode);
        SelectObject(dc, oldbrush);
        SelectObject(dc, oldpen);
        DeleteObject(face);
        LocalUnlock(d->text[i]);
    } else if (d->type[i] == 1) {
        HGDIOBJ oldpen = SelectObject(dc, GetStockObject(NULL_PEN));
        InflateRect(&r, -d->border, -d->border);
        unsigned value = d->value[i], maximum = d->maximum[i];
        // A maximum of 0 has nothing to measure against: draw the bar empty.
        if (maximum == 0)
            value = 0;
        if (value > maximum)
            value = maximum;
        HBRUSH brush;
        if (value) {
            brush = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
            HGDIOBJ old = SelectObject(dc, brush);
            long long width = r.right - r.left;
            int fill = (int)(width * value / maximum);
            Rectangle(dc, r.left, r.top, r.left + fill, r.bottom + 1);
            SelectObject(dc, old);
        } else {
            brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
            HGDIOBJ old = SelectObject(dc, brush);
            Rectangle(dc, r.left, r.top, r.right, r.bottom + 1);
            SelectObject(dc, old);
        }
        DeleteObject(brush);
        SelectObject(dc, oldpen);
    }
}

// Redraws one cell at once: long loops that pump no messages still show progress.
static void RedrawCell(HWND bar, STATUSBARDATA *d, int i)
{
    RECT r;
    GetCellRect(d, i, &r);
    InvalidateRect(bar, &r, TRUE);
    HDC dc = GetDC(bar);
    if (dc) {
        DrawCell(dc, d, i);
        ReleaseDC(bar, dc);
    }
}

static LRESULT SubclassParentWndMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SIZE)
        PositionStatusWindow(FindStatusWindow(hwnd));
    return CallOldProc(hwnd, msg, wParam, lParam, statushook);
}

static LRESULT CALLBACK SubclassParentWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return SubclassParentWndMessage(hwnd, msg, wParam, lParam); });
}

static int InsertCell(HWND parent, const char *text, int width, int index, int type);

static LRESULT StatusWindowCreate(HWND bar, const CREATESTRUCTA *cs)
{
    HLOCAL block = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, 256);
    if (!block)
        return -1;
    STATUSBARDATA *d = (STATUSBARDATA *)block;
    d->count = 0;
    d->font = CreateStatusFont();
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, d->font ? (HGDIOBJ)d->font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    d->height = tm.tmHeight;
    d->border = (GetSystemMetrics(SM_CXFRAME) + 1) / 2;
    d->height += 3 * d->border + 1;
    SetWindowValue(bar, 0, d);
    PositionStatusWindow(bar);
    HWND parent = GetParent(bar);
    SetPropA(parent, statusprop, bar);
    if (DWORD atoms = HookWindow(parent, SubclassParentWndProc, "StatusBarHook"))
        statushook = atoms;
    const char *text = (const char *)cs->lpCreateParams;
    if (text && *text)
        InsertCell(parent, text, -1, -1, 0);
    return 0;
}

static void StatusWindowPaint(HWND bar)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(bar, &ps);
    RECT client;
    GetClientRect(bar, &client);
    MoveToEx(dc, 0, 0, NULL);
    LineTo(dc, client.right, 0);
    PatBlt(dc, 0, 1, client.right, 1, WHITENESS);
    if (STATUSBARDATA *d = GetStatusData(bar))
        for (int i = 0; i < d->count; i++)
            DrawCell(dc, d, i);
    EndPaint(bar, &ps);
}

static void StatusWindowDestroy(HWND bar)
{
    STATUSBARDATA *d = GetStatusData(bar);
    HWND parent = GetParent(bar);
    if (parent) {
        if (GetPropA(parent, statusprop) == bar)
            RemovePropA(parent, statusprop);
        UnHookWindow(parent, statushook);
    }
    if (!d)
        return;
    if (d->font)
        DeleteObject(d->font);
    for (int i = 0; i < d->count; i++)
        if (d->text[i])
            LocalFree(d->text[i]);
    SetWindowValue<STATUSBARDATA *>(bar, 0, nullptr);
    LocalFree((HLOCAL)d);
}

static LRESULT StatusWndMessage(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        return StatusWindowCreate(bar, (const CREATESTRUCTA *)lParam);
    case WM_PAINT:
        StatusWindowPaint(bar);
        return 0;
    case WM_DESTROY:
        StatusWindowDestroy(bar);
        return 0;
    }
    return DefWindowProcA(bar, msg, wParam, lParam);
}

static LRESULT CALLBACK StatusWndProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(bar, msg, [&] { return StatusWndMessage(bar, msg, wParam, lParam); });
}

static bool RegisterStatusClass(HINSTANCE inst)
{
    WNDCLASSA wc{};
    if (GetClassInfoA(inst, statusclass, &wc))
        return true;
    wc.lpfnWndProc = StatusWndProc;
    wc.cbWndExtra = 4;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = statusclass;
    return RegisterClassA(&wc) != 0;
}

static HWND CreateStatusWindow(HINSTANCE inst, HWND parent, const char *text)
{
    if (!parent || !IsWindow(parent))
        return NULL;
    if (HWND bar = FindStatusWindow(parent))
        return bar;
    if (!RegisterStatusClass(inst))
        return NULL;
    return CreateWindowExA(0, statusclass, "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, parent, NULL, inst,
                           (void *)text);
}

static int InsertCell(HWND parent, const char *text, int width, int index, int type)
{
    if (type == 1)
        width = 300;
    HWND bar = FindStatusWindow(parent);
    STATUSBARDATA *d = GetStatusData(bar);
    if (!d || d->count >= STATMAXCELLS)
        return 0;
    if (index < 0 || index > d->count)
        index = d->count;
    if (type == 0 && width == -1 && text && *text) {
        HDC dc = GetDC(NULL);
        HGDIOBJ old = SelectObject(dc, d->font);
        SIZE size{};
        GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
        SelectObject(dc, old);
        ReleaseDC(NULL, dc);
        width = size.cx + 3 * d->border;
    }
    if (width == -1)
        return 0;
    for (int i = d->count; i > index; i--) {
        d->text[i] = d->text[i - 1];
        d->right[i] = d->right[i - 1];
        d->format[i] = d->format[i - 1];
        d->type[i] = d->type[i - 1];
        d->value[i] = d->value[i - 1];
        d->maximum[i] = d->maximum[i - 1];
    }
    d->text[index] = LocalDupString(text);
    d->format[index] = DT_LEFT;
    d->type[index] = type;
    d->value[index] = 0;
    d->maximum[index] = 1;
    int left = index == 0 ? d->border : d->right[index - 1] + 2 * d->border;
    d->right[index] = left + width;
    for (int i = index + 1; i <= d->count; i++)
        d->right[i] += width + 2 * d->border;
    d->count++;
    InvalidateRect(bar, NULL, TRUE);
    return 1;
}

static int SetCellText(HWND parent, const char *text, int index)
{
    HWND bar = FindStatusWindow(parent);
    STATUSBARDATA *d = GetStatusData(bar);
    if (!d || index < 0 || index >= d->count)
        return 0;
    if (d->text[index])
        LocalFree(d->text[index]);
    d->text[index] = LocalDupString(text);
    RedrawCell(bar, d, index);
    return 1;
}

static int SetCellBar(HWND parent, unsigned value, unsigned maximum, unsigned index)
{
    HWND bar = FindStatusWindow(parent);
    STATUSBARDATA *d = GetStatusData(bar);
    if (!d || index >= (unsigned)d->count)
        return 0;
    d->value[index] = value;
    d->maximum[index] = maximum;
    RedrawCell(bar, d, index);
    return 1;
}

static int DeleteCell(HWND parent, int index)
{
    HWND bar = FindStatusWindow(parent);
    STATUSBARDATA *d = GetStatusData(bar);
    if (!d || index < 0 || index >= d->count)
        return 0;
    if (d->text[index])
        LocalFree(d->text[index]);
    if (index < d->count - 1) {
        RECT r;
        GetCellRect(d, index, &r);
        int shift = (r.right - r.left) + 2 * d->border;
        for (int i = index + 1; i < d->count; i++)
            d->right[i] -= shift;
        for (int i = index; i < d->count - 1; i++) {
            d->text[i] = d->text[i + 1];
            d->right[i] = d->right[i + 1];
            d->format[i] = d->format[i + 1];
            d->type[i] = d->type[i + 1];
            d->value[i] = d->value[i + 1];
            d->maximum[i] = d->maximum[i + 1];
        }
    }
    d->count--;
    d->text[d->count] = NULL;
    InvalidateRect(bar, NULL, TRUE);
    return 1;
}

static int GetCellText(HWND parent, int index, char *buffer, int max)
{
    STATUSBARDATA *d = GetStatusData(FindStatusWindow(parent));
    if (!d || index < 0 || index >= d->count || !buffer || max < 0)
        return 0;
    buffer[0] = 0;
    if (!d->text[index])
        return 0;
    const char *text = (const char *)LocalLock(d->text[index]);
    if (!text)
        return 0;
    int n = 0;
    while (n < max && text[n]) {
        buffer[n] = text[n];
        n++;
    }
    buffer[n] = 0;
    LocalUnlock(d->text[index]);
    return n;
}

static int GetNumCells(HWND parent)
{
    STATUSBARDATA *d = GetStatusData(FindStatusWindow(parent));
    return d ? d->count : -1;
}

int GetCellFormat(HWND parent, int index)
{
    STATUSBARDATA *d = GetStatusData(FindStatusWindow(parent));
    if (!d || index < 0 || index >= d->count)
        return -1;
    return (int)d->format[index];
}

int SetCellFormat(HWND parent, int index, unsigned format)
{
    HWND bar = FindStatusWindow(parent);
    STATUSBARDATA *d = GetStatusData(bar);
    if (!d || index < 0 || index >= d->count)
        return -1;
    int old = (int)d->format[index];
    d->format[index] = format & 3;
    RECT r;
    GetCellRect(d, index, &r);
    InvalidateRect(bar, &r, TRUE);
    return old;
}

BOOL STATGetCellRect(HWND parent, int index, RECT *rect)
{
    STATUSBARDATA *d = GetStatusData(FindStatusWindow(parent));
    if (!d || index < 0 || index >= d->count)
        return FALSE;
    GetCellRect(d, index, rect);
    return TRUE;
}

HWND STATCreateStatusWindow(HINSTANCE inst, HWND parent, const char *text)
{
    return CreateStatusWindow(inst, parent, text);
}
int STATInsertCell(HWND parent, const char *text, int width, int index, int type)
{
    return InsertCell(parent, text, width, index, type);
}
int STATSetCellText(HWND parent, const char *text, int index)
{
    return SetCellText(parent, text, index);
}
int STATSetCellBar(HWND parent, unsigned value, unsigned maximum, unsigned index)
{
    return SetCellBar(parent, value, maximum, index);
}
int STATDeleteCell(HWND parent, int index)
{
    return DeleteCell(parent, index);
}
int STATGetCellText(HWND parent, int index, char *buffer, int max)
{
    return GetCellText(parent, index, buffer, max);
}
int STATGetNumCells(HWND parent)
{
    return GetNumCells(parent);
}
