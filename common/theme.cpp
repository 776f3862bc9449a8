#include "common/theme.h"
#include "common/dialog.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "resources/dialogs_ids.h"
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

typedef int(WINAPI *GETSUPPORT)(int);
typedef int(WINAPI *INIT)(int, int, int, int);
typedef int(WINAPI *DEINIT)();
typedef int(WINAPI *DRAW)(HWND, HDC, RECT *, int, int);
typedef int(WINAPI *BACKGROUND)(HWND, HDC);
typedef int(WINAPI *METRIC)(int);
typedef HGLOBAL(WINAPI *GETBITMAP)(int);
typedef int(WINAPI *CONFIGURE)(HWND, int);

struct THEMEHOST {
    HMODULE module;
    DRAW button, smallbutton, tool;
    BACKGROUND background;
    METRIC metric;
    GETBITMAP bitmap;
};

THEMEHOST host;

// The handshake the host and its plug-ins share.
constexpr int HANDSHAKE[4] = {8, 2, 0, 59};

template <class T> T Bind(HMODULE module, const char *name) { return (T)(void *)GetProcAddress(module, name); }

// The plug-in's path beside the program; empty when it does not fit.
void PluginPath(char *out, size_t size, const char *file)
{
    out[0] = 0;
    COMMONSetApplicationPath();
    char folder[PATHBUILDSIZE];
    lstrcpynA(folder, AddApplicationPath("theme"), sizeof folder);
    if (!folder[0] || !file || strlen(folder) + 1 + strlen(file) + 1 > size || strlen(file) >= MAX_PATH)
        return;
    snprintf(out, size, "%s\\%s", folder, file);
}

void Unload()
{
    if (host.module)
        FreeLibrary(host.module);
    host = THEMEHOST{};
}

int StripCellSide(const BITMAP &bm) { return bm.bmHeight / 2; }
// Strips hold the glyphs in their top half and the masks below; a strip of
// odd height has one spare row between the two.
int StripMaskRow(const BITMAP &bm) { return bm.bmHeight - bm.bmHeight / 2; }

// A glyph's ink: its dark pixels (its outlines and deep colours; white and
// pale fills drop out), as a shape selected into `shape`, black where inked.
// A plain silhouette of the mask would turn a disk or a list into a square.
bool GlyphInk(HDC strip, int x, int maskrow, int s, GdiObject<HBITMAP> &mono, MemoryDC &shape)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = s;
    bi.bmiHeader.biHeight = -2 * s;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    GdiObject<HBITMAP> cell(CreateDIBSection(strip, &bi, DIB_RGB_COLORS, &bits, NULL, 0));
    MemoryDC copy(strip);
    if (!bits || !copy.Select(cell))
        return false;
    BitBlt(copy.dc, 0, 0, s, s, strip, x, 0, SRCCOPY);
    BitBlt(copy.dc, 0, s, s, s, strip, x, maskrow, SRCCOPY);
    GdiFlush();
    const DWORD *pixel = (const DWORD *)bits;
    int stride = (s + 15) / 16 * 2;
    std::vector<BYTE> ink((size_t)stride * s, 0xFF);
    for (int y = 0; y < s; y++)
        for (int i = 0; i < s; i++) {
            DWORD c = pixel[y * s + i], m = pixel[(s + y) * s + i] & 0xFFFFFF;
            int luma = (30 * (int)((c >> 16) & 255) + 59 * (int)((c >> 8) & 255) + 11 * (int)(c & 255)) / 100;
            if (m == 0 && luma < 160)
                ink[(size_t)y * stride + i / 8] &= (BYTE)~(0x80 >> (i % 8));
        }
    mono.Reset(CreateBitmap(s, s, 1, 1, ink.data()));
    return shape.Select(mono);
}

// Puts `brush` down where the shape is black; elsewhere what is there stays.
void PaintInk(HDC dc, HDC shape, int s, int dx, int dy, HBRUSH brush)
{
    constexpr DWORD BRUSHWHEREBLACK = 0x00B8074A;
    COLORREF text = SetTextColor(dc, RGB(0, 0, 0)), back = SetBkColor(dc, RGB(255, 255, 255));
    SelectedObject chosen(dc, brush);
    BitBlt(dc, dx, dy, s, s, shape, 0, 0, BRUSHWHEREBLACK);
    SetTextColor(dc, text);
    SetBkColor(dc, back);
}

// A greyed glyph is its ink engraved the way the system greys a picture:
// the highlight one pixel down and right, the shadow on top.
void DrawGreyedGlyph(HDC dc, HDC strip, int x, int maskrow, int s, int dx, int dy)
{
    GdiObject<HBITMAP> mono;
    MemoryDC shape(strip);
    if (!GlyphInk(strip, x, maskrow, s, mono, shape))
        return;
    PaintInk(dc, shape.dc, s, dx + 1, dy + 1, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    PaintInk(dc, shape.dc, s, dx, dy, GetSysColorBrush(COLOR_BTNSHADOW));
}

const int builtinmetrics[17] = {0x20000, 34, 25, 25, -2 /* button face */, 6, 3, 2, 2, 13, 26, -1, 26, 26, 25, 25, 12};

struct CHOOSER {
    char *name;
};

int ItemPreviewHeight(HGLOBAL dib)
{
    GlobalLocked<BITMAPINFOHEADER> bi(dib);
    if (!bi || bi.size() < sizeof(BITMAPINFOHEADER))
        return 0;
    int h = bi->biHeight < 0 ? -bi->biHeight : bi->biHeight;
    return h > 0xFFFF ? 0xFFFF : h;
}

HGLOBAL PreviewOf(const char *file)
{
    char path[PATHBUILDSIZE];
    PluginPath(path, sizeof path, file);
    if (!path[0])
        return NULL;
    HMODULE m = LoadLibraryA(path);
    if (!m)
        return NULL;
    HGLOBAL preview = NULL;
    INIT init = Bind<INIT>(m, "THEMEInit");
    if (init && init(HANDSHAKE[0], HANDSHAKE[1], HANDSHAKE[2], HANDSHAKE[3])) {
        if (GETBITMAP get = Bind<GETBITMAP>(m, "THEMEGetBitmap"))
            preview = get(0);
        if (DEINIT deinit = Bind<DEINIT>(m, "THEMEDeInit"))
            deinit();
    }
    FreeLibrary(m);
    return preview;
}

void FillChooser(HWND dlg, const char *current)
{
    HWND list = GetDlgItem(dlg, IDC_THEMELIST);
    char pattern[PATHBUILDSIZE];
    PluginPath(pattern, sizeof pattern, "THEME_*.dll");
    int tallest = 12;
    WIN32_FIND_DATAA found;
    HANDLE search = pattern[0] ? FindFirstFileA(pattern, &found) : INVALID_HANDLE_VALUE;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.cFileName[0] == '.' || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            HGLOBAL preview = lstrcmpiA(found.cFileName, current) == 0 ? COMMONTHEMEGetBitmap(0)
                                                                        : PreviewOf(found.cFileName);
            LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)found.cFileName);
            if (index < 0) {
                if (preview)
                    GlobalFree(preview);
                continue;
            }
            SendMessageA(list, LB_SETITEMDATA, index, (LPARAM)preview);
            int h = ItemPreviewHeight(preview);
            if (h > tallest)
                tallest = h;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    int text = 16;
    {
        WindowDC dc(list);
        SelectedObject font(dc, (HGDIOBJ)SendMessageA(list, WM_GETFONT, 0, 0));
        TEXTMETRICA tm;
        if (dc && GetTextMetricsA(dc, &tm))
            text = tm.tmHeight;
    }
    int height = tallest + text + 10;
    SendMessageA(list, LB_SETITEMHEIGHT, 0, height > 255 ? 255 : height);
    LRESULT at = SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)current);
    if (at != LB_ERR)
        SendMessageA(list, LB_SETCURSEL, at, 0);
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) > 0)
        return;
    // Nothing to list: its place says why, and what the settings name.
    char folder[PATHBUILDSIZE], note[2 * PATHBUILDSIZE + 2 * FETCHSTRINGSIZE];
    lstrcpynA(folder, AddApplicationPath("theme"), sizeof folder);
    int n = snprintf(note, sizeof note, FetchString(IDS_THEMENONE), folder);
    if (current[0] && n > 0 && (size_t)n + 4 < sizeof note) {
        strcpy(note + n, "\r\n\r\n");
        snprintf(note + n + 4, sizeof note - n - 4, FetchString(IDS_THEMEMISSING), current);
    }
    SetDlgItemTextA(dlg, IDC_THEMENOTE, note);
    ShowWindow(list, SW_HIDE);
    ShowWindow(GetDlgItem(dlg, IDC_THEMENOTE), SW_SHOW);
}

void DrawChooserItem(const DRAWITEMSTRUCT *item)
{
    if (item->itemID == (UINT)-1)
        return;
    HWND list = item->hwndItem;
    LRESULT n = SendMessageA(list, LB_GETTEXTLEN, item->itemID, 0);
    if (n == LB_ERR || n >= MAX_PATH)
        return;
    char file[MAX_PATH];
    if (SendMessageA(list, LB_GETTEXT, item->itemID, (LPARAM)file) == LB_ERR)
        return;
    LRESULT data = SendMessageA(list, LB_GETITEMDATA, item->itemID, 0);
    HGLOBAL preview = data == LB_ERR ? NULL : (HGLOBAL)data;
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    GdiObject<HBRUSH> back(CreateSolidBrush(selected ? GetSysColor(COLOR_BTNSHADOW) : RGB(255, 255, 255)));
    FillRect(dc, &r, back);
    if (!selected) {
        GdiObject<HBRUSH> frame(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
        FrameRect(dc, &r, frame);
    }
    if (preview)
        DrawBitmap(dc, r.left + 4, r.top + 4, preview, SRCCOPY);
    char label[MAX_PATH];
    COMMONThemeLabel(file, label, sizeof label);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    RECT line{r.left + 4, r.bottom - 4 - tm.tmHeight, r.right - 4, r.bottom - 4};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, selected ? RGB(255, 255, 255) : 0);
    DrawTextA(dc, label, -1, &line, DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
}

// The file name of the selected item, or false when nothing (or nothing
// readable) is selected.
bool SelectedFile(HWND dlg, char *out, size_t size)
{
    HWND list = GetDlgItem(dlg, IDC_THEMELIST);
    LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR)
        return false;
    LRESULT n = SendMessageA(list, LB_GETTEXTLEN, sel, 0);
    if (n == LB_ERR || (size_t)n >= MAX_PATH || (size_t)n >= size)
        return false;
    char file[MAX_PATH];
    if (SendMessageA(list, LB_GETTEXT, sel, (LPARAM)file) == LB_ERR)
        return false;
    lstrcpynA(out, file, (int)size);
    return true;
}

void ConfigureSelected(HWND dlg)
{
    char file[MAX_PATH], path[PATHBUILDSIZE];
    if (!SelectedFile(dlg, file, sizeof file))
        return;
    PluginPath(path, sizeof path, file);
    HMODULE m = path[0] ? LoadLibraryA(path) : NULL;
    if (!m)
        return;
    if (CONFIGURE configure = Bind<CONFIGURE>(m, "THEMEConfigure"))
        configure(dlg, 8);
    FreeLibrary(m);
}

// OK has something to take only with a plug-in selected, and Configure only
// for a selected plug-in that has settings of its own.
void ShowConfigurable(HWND dlg)
{
    char file[MAX_PATH], path[PATHBUILDSIZE];
    bool selected = SelectedFile(dlg, file, sizeof file), configurable = false;
    EnableWindow(GetDlgItem(dlg, IDOK), selected);
    if (selected) {
        PluginPath(path, sizeof path, file);
        if (HMODULE m = path[0] ? LoadLibraryA(path) : NULL) {
            configurable = Bind<CONFIGURE>(m, "THEMEConfigure") != nullptr;
            FreeLibrary(m);
        }
    }
    EnableWindow(GetDlgItem(dlg, IDC_THEMECONFIGURE), configurable);
}

} // namespace

int COMMONTHEMEInit(int a, int b, int c, int d, const char *name)
{
    COMMONTHEMEDeInit();
    char path[PATHBUILDSIZE];
    PluginPath(path, sizeof path, name);
    if (!path[0] || !name[0])
        return 0;
    HMODULE m = LoadLibraryA(path);
    if (!m)
        return 0;
    host.module = m;
    GETSUPPORT support = Bind<GETSUPPORT>(m, "THEMEGetSupport");
    INIT init = Bind<INIT>(m, "THEMEInit");
    bool started = support && support(a) && init && init(a, b, c, d);
    if (started) {
        host.button = Bind<DRAW>(m, "THEMEDrawButton");
        host.smallbutton = Bind<DRAW>(m, "THEMEDrawSmallButton");
        host.tool = Bind<DRAW>(m, "THEMEDrawTool");
        host.background = Bind<BACKGROUND>(m, "THEMEDrawToolbarBackground");
        host.metric = Bind<METRIC>(m, "THEMEGetMetric");
        host.bitmap = Bind<GETBITMAP>(m, "THEMEGetBitmap");
        if (host.button && host.smallbutton && host.tool && host.background && host.metric && host.bitmap)
            return 1;
    }
    DoMessage(NULL, "There has been an error initializing the current theme for this application. The default "
                    "theme will be used.");
    // Only a plug-in that started is told to stop.
    if (started)
        COMMONTHEMEDeInit();
    else
        Unload();
    return 0;
}

int COMMONTHEMEDeInit()
{
    if (host.module)
        if (DEINIT deinit = Bind<DEINIT>(host.module, "THEMEDeInit"))
            deinit();
    Unload();
    return 1;
}

bool COMMONTHEMEActive() { return host.module != NULL; }

int COMMONTHEMEGetMetric(int index)
{
    if (host.metric)
        return host.metric(index);
    if (index == 4)
        return (int)GetSysColor(COLOR_BTNFACE);
    return index >= 0 && index <= 16 ? builtinmetrics[index] : -1;
}

int COMMONTHEMEDrawButton(HWND hwnd, HDC dc, RECT *rect, int glyph, int flags)
{
    if (host.button)
        return host.button(hwnd, dc, rect, glyph, flags);
    return COMMONTHEMEDrawButtonDefault(hwnd, dc, rect, glyph, flags, IDB_THEMEBUTTONS);
}

int COMMONTHEMEDrawSmallButton(HWND hwnd, HDC dc, RECT *rect, int glyph, int flags)
{
    if (host.smallbutton)
        return host.smallbutton(hwnd, dc, rect, glyph, flags);
    return COMMONTHEMEDrawButtonDefault(hwnd, dc, rect, glyph, flags, IDB_THEMESMALL);
}

int COMMONTHEMEDrawTool(HWND hwnd, HDC dc, RECT *rect, int glyph, int flags)
{
    if (host.tool)
        return host.tool(hwnd, dc, rect, glyph, flags);
    return COMMONTHEMEDrawToolDefault(hwnd, dc, rect, glyph, flags);
}

int COMMONTHEMEDrawToolbarBackground(void *hwnd, void *hdc)
{
    if (host.background)
        return host.background((HWND)hwnd, (HDC)hdc);
    RECT r;
    GetClientRect((HWND)hwnd, &r);
    FillRect((HDC)hdc, &r, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
}

HGLOBAL COMMONTHEMEGetBitmap(int n) { return host.bitmap ? host.bitmap(n) : NULL; }

void COMMONTHEMEDrawGradientLines(HDC dc, const RECT *rect, COLORREF first, COLORREF last, int kind)
{
    int n = kind == 1 ? rect->right - rect->left : kind == 2 ? rect->bottom - rect->top : 0;
    for (int i = 0; i < n; i++) {
        auto channel = [&](int a, int b) { return (int)(a + (double)i * (b - a) / n); };
        COLORREF c = RGB(channel(GetRValue(first), GetRValue(last)), channel(GetGValue(first), GetGValue(last)),
                         channel(GetBValue(first), GetBValue(last)));
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, c));
        SelectedObject chosen(dc, pen);
        if (kind == 1) {
            MoveToEx(dc, rect->left + i, rect->top, NULL);
            LineTo(dc, rect->left + i, rect->bottom);
        } else {
            MoveToEx(dc, rect->left, rect->top + i, NULL);
            LineTo(dc, rect->right, rect->top + i);
        }
    }
}

int COMMONTHEMEDrawButtonFrame(HDC dc, const RECT *rect, int pressed)
{
    int o = pressed ? 2 : 0;
    RECT r = *rect;
    GdiObject<HRGN> clip(CreateRectRgnIndirect(&r));
    SelectClipRgn(dc, clip);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (pressed) {
        RECT top{r.left, r.top, r.right, r.top + 2}, left{r.left, r.top, r.left + 2, r.bottom};
        FillRect(dc, &top, GetSysColorBrush(COLOR_BTNSHADOW));
        FillRect(dc, &left, GetSysColorBrush(COLOR_BTNSHADOW));
    }
    COLORREF face = GetSysColor(COLOR_BTNFACE), light = GetSysColor(COLOR_BTNHIGHLIGHT),
             shadow = GetSysColor(COLOR_BTNSHADOW);
    RECT ramps[4] = {{r.left, r.top, r.right, r.top + 6},
                     {r.left, r.bottom - 6, r.right, r.bottom},
                     {r.left, r.top + 1, r.left + 2, r.bottom - 3},
                     {r.right - 3, r.top + 2, r.right, r.bottom - 3}};
    for (RECT &ramp : ramps)
        OffsetRect(&ramp, o, o);
    COMMONTHEMEDrawGradientLines(dc, &ramps[0], light, face, 2);
    COMMONTHEMEDrawGradientLines(dc, &ramps[1], face, shadow, 2);
    COMMONTHEMEDrawGradientLines(dc, &ramps[2], light, face, 1);
    COMMONTHEMEDrawGradientLines(dc, &ramps[3], face, shadow, 1);
    SetPixel(dc, r.left, r.top, face);
    SetPixel(dc, r.right - 1, r.top, face);
    SetPixel(dc, r.left, r.bottom - 1, face);
    SetPixel(dc, r.right - 1, r.bottom - 1, face);
    SetPixel(dc, r.right - 1, r.top + 2, face);
    SelectClipRgn(dc, NULL);
    return o;
}

int COMMONTHEMEDrawButtonDefault(HWND hwnd, HDC dc, const RECT *rect, int glyph, int flags, int strip)
{
    GdiObject<HBITMAP> bitmap(LoadBitmapA(hInst, MAKEINTRESOURCEA(strip)));
    if (!bitmap)
        return 0;
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    int s = StripCellSide(bm), mask = StripMaskRow(bm), x = glyph * s;
    int o = COMMONTHEMEDrawButtonFrame(dc, rect, flags & 1);
    MemoryDC mem(dc);
    if (!mem.Select(bitmap))
        return 0;
    GdiObject<HBRUSH> shadow(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
    bool checked = hwnd && (GetWindowValue<LONG_PTR>(hwnd, GWLP_USERDATA) & 1);
    if (flags & 4) {
        DrawGreyedGlyph(dc, mem.dc, x, mask, s, rect->left + o + 1, rect->top + o + 1);
    } else if (checked) {
        // Under the mouse the glyph's ink goes black in its place. The whole
        // mask in black would be a solid square for the disk and the pages,
        // and any repaint while the mouse stays (the one after a click, a
        // Save that opens no box) would leave the picture lost.
        GdiObject<HBITMAP> mono;
        MemoryDC shape(mem.dc);
        if (GlyphInk(mem.dc, x, mask, s, mono, shape))
            PaintInk(dc, shape.dc, s, rect->left + o + 1, rect->top + o + 1, (HBRUSH)GetStockObject(BLACK_BRUSH));
    } else {
        SelectedObject brush(dc, shadow);
        int dx = rect->left + o + 1, dy = rect->top + o + 1;
        BitBlt(dc, dx, dy, s, s, mem.dc, x, mask, MERGEPAINT);
        BitBlt(dc, dx, dy, s, s, mem.dc, x, 0, SRCAND);
    }
    return 1;
}

int COMMONTHEMEDrawToolDefault(HWND, HDC dc, const RECT *rect, int glyph, int flags)
{
    GdiObject<HBITMAP> bitmap(LoadBitmapA(hInst, MAKEINTRESOURCEA(IDB_THEMETOOLS)));
    if (!bitmap)
        return 0;
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    int s = StripCellSide(bm), mask = StripMaskRow(bm), x = glyph * s;
    RECT r = *rect;
    int o = 0;
    if (flags & 2) {
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_SOFT);
        o = 1;
    } else {
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_SOFT);
    }
    MemoryDC mem(dc);
    if (!mem.Select(bitmap))
        return 0;
    GdiObject<HBRUSH> shadow(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
    SelectedObject brush(dc, shadow);
    int dx = r.left + o + 1, dy = r.top + o + 1;
    BitBlt(dc, dx, dy, s, s, mem.dc, x, mask, MERGEPAINT);
    if (flags & 1) {
        PatBlt(mem.dc, x, mask, s, s, DSTINVERT);
        BitBlt(dc, dx, dy, s, s, mem.dc, x, mask, 0xE20746);
    } else {
        BitBlt(dc, dx, dy, s, s, mem.dc, x, 0, SRCAND);
    }
    return 1;
}

void COMMONThemeLabel(const char *file, char *out, int size)
{
    if (size <= 0)
        return;
    const char *p = strchr(file, '_');
    if (p) {
        while (*p == '_')
            p++;
    } else {
        p = file;
    }
    size_t n = strcspn(p, ".");
    if (!strchr(file, '_'))
        n = strlen(p);
    if (n >= (size_t)size)
        n = (size_t)size - 1;
    memcpy(out, p, n);
    out[n] = 0;
}

static INT_PTR ThemeChooserDlgMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    CHOOSER *state;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &state))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        FillChooser(dlg, state->name);
        ShowConfigurable(dlg);
        SetFocus(GetDlgItem(dlg, IsWindowEnabled(GetDlgItem(dlg, IDOK)) ? IDOK : IDCANCEL));
        CentreWindow(dlg);
        return FALSE;
    case WM_DRAWITEM:
        if (wParam == IDC_THEMELIST) {
            DrawChooserItem((const DRAWITEMSTRUCT *)lParam);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_THEMELIST:
            if (HIWORD(wParam) == LBN_DBLCLK)
                PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            else if (HIWORD(wParam) == LBN_SELCHANGE)
                ShowConfigurable(dlg);
            return TRUE;
        case IDOK: {
            // Nothing chosen changes nothing, and asks for no restart.
            char file[MAX_PATH];
            bool chosen = SelectedFile(dlg, file, sizeof file);
            if (chosen)
                lstrcpynA(state->name, file, SETTINGTEXT);
            EndDialog(dlg, chosen ? 1 : 0);
            return TRUE;
        }
        case IDC_THEMECONFIGURE:
            ConfigureSelected(dlg);
            return TRUE;
        case IDC_THEMEHELP:
            DoHelp(dlg, "THEME");
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY: {
        // The host owns every preview a plug-in handed out.
        HWND list = GetDlgItem(dlg, IDC_THEMELIST);
        int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; i++) {
            LRESULT data = SendMessageA(list, LB_GETITEMDATA, i, 0);
            if (data && data != LB_ERR)
                GlobalFree((HGLOBAL)data);
            SendMessageA(list, LB_SETITEMDATA, i, 0);
        }
        return FALSE;
    }
    }
    return FALSE;
}

INT_PTR CALLBACK ThemeChooserDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return ThemeChooserDlgMessage(dlg, msg, wParam, lParam); });
}

int COMMONThemeChooseTheme(void *hwnd, char *name)
{
    CHOOSER state{name};
    INT_PTR result = COMMONDialogBox(hInst, MAKEINTRESOURCEA(IDD_THEMECHOOSER), (HWND)hwnd, ThemeChooserDlgProc,
                                     (LPARAM)&state, NULL);
    if (result == 1)
        DoMessage((HWND)hwnd, "You must restart this application for your new theme to become active.");
    UpdateWindow((HWND)hwnd);
    return result == 1;
}
