// The larger preview of one picture of the wizard's list: the picture fitted
// to the box with a shadow, and a line of its size and colours. A right
// click closes it.
#include "tools/wizard.h"
#include "common/dialog.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "editor/shell.h"
#include "media/dib.h"
#include "media/imageformat.h"
#include "media/reduce.h"
#include "resources/resource.h"
#include <algorithm>
#include <cstdio>

namespace {

constexpr UINT WMU_LOADPREVIEW = WM_USER + 101;
constexpr int PREVIEWSIZE = 260;

struct PREVIEW {
    const char *path;
    HGLOBAL picture;
    int bits;
};

void Paint(HWND dlg, PREVIEW *p)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    RECT client;
    GetClientRect(dlg, &client);
    SetBkMode(dc, TRANSPARENT);
    if (!p->picture) {
        SelectedObject font(dc, controlfont ? controlfont : GetStockObject(DEFAULT_GUI_FONT));
        DrawTextA(dc, "Wait...", -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(dlg, &ps);
        return;
    }
    GlobalBlock dithered(DitherForDisplay(p->picture));
    HGLOBAL shown = dithered ? dithered.get() : p->picture;
    DibLock lock(shown);
    if (lock.ok()) {
        int w = lock.layout.width, h = lock.layout.height;
        int aw = client.right - 6, ad = client.bottom - 26;
        int scale = std::min(aw * 100 / w, ad * 100 / h);
        int dw = std::max(1, w * scale / 100), dh = std::max(1, h * scale / 100);
        RECT r = {(aw - dw) / 2, (ad - dh) / 2, 0, 0};
        r.right = r.left + dw;
        r.bottom = r.top + dh;
        RECT shadow = r;
        OffsetRect(&shadow, 6, 6);
        FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
        char rgb[PALETTEBYTES];
        PALSTATE palette{};
        int colours = lock.layout.bits <= 8 ? GetDibPalette((const BITMAPINFO *)lock.header, rgb) : 0;
        if (colours)
            RealizeWindowPalette(dc, &palette, rgb, colours);
        SetStretchBltMode(dc, lock.layout.bits == 1 ? WHITEONBLACK : COLORONCOLOR);
        StretchDIBits(dc, r.left, r.top, dw, dh, 0, 0, w, h, (const char *)lock.header + lock.layout.pixeloffset,
                      (const BITMAPINFO *)lock.header, DIB_RGB_COLORS, SRCCOPY);
        if (colours)
            UnrealizeWindowPalette(dc, &palette);
        FrameRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
    }
    int width = 0, depth = 0, bits = 0;
    GetBitmapDimensions(p->picture, &width, &depth, &bits, NULL);
    char line[128];
    WizardPreviewLine(width, depth, p->bits ? p->bits : bits, line, sizeof line);
    RECT foot = {0, client.bottom - 20, client.right, client.bottom};
    SelectedObject font(dc, smallcontrolfont ? (HGDIOBJ)smallcontrolfont : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, line, -1, &foot, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    EndPaint(dlg, &ps);
}

void Close(HWND dlg, PREVIEW *p, INT_PTR result)
{
    if (p->picture)
        GlobalFree(p->picture);
    p->picture = NULL;
    EndDialog(dlg, result);
}

} // namespace

void WizardPreviewLine(int width, int depth, int bits, char *out, int size)
{
    long colours = 1L << std::clamp(bits, 1, 24);
    snprintf(out, (size_t)size, "WIDTH: %u DEPTH: %u COLOURS: %s", (unsigned)width, (unsigned)depth,
             formatlong(colours));
}

static INT_PTR WizardImagePreviewMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    PREVIEW *p;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &p))
        return answer;
    if (!p)
        return FALSE;
    switch (msg) {
    case WM_INITDIALOG: {
        PostMessageA(dlg, WMU_LOADPREVIEW, 0, 0);
        RECT r = {0, 0, PREVIEWSIZE, PREVIEWSIZE};
        AdjustWindowRectEx(&r, GetWindowValue<DWORD>(dlg, GWL_STYLE), FALSE, GetWindowValue<DWORD>(dlg, GWL_EXSTYLE));
        SetWindowPos(dlg, NULL, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
        CentreWindow(dlg);
        return TRUE;
    }
    case WMU_LOADPREVIEW: {
        unsigned short bits = 0;
        p->picture = LoadImageA(NULL, p->path, NULL, &bits);
        p->bits = bits;
        if (!p->picture) {
            DoMessage(dlg, FetchString(IDS_ERRREAD));
            Close(dlg, p, 0);
        } else {
            InvalidateRect(dlg, NULL, TRUE);
        }
        return TRUE;
    }
    case WM_PAINT:
        Paint(dlg, p);
        return TRUE;
    case WM_RBUTTONUP:
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            Close(dlg, p, 1);
        return TRUE;
    case WM_DESTROY:
        if (p->picture)
            GlobalFree(p->picture);
        p->picture = NULL;
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK WizardImagePreviewProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return WizardImagePreviewMessage(dlg, msg, wParam, lParam); });
}

INT_PTR WizardImagePreview(HWND owner, const char *path)
{
    PREVIEW state{path, NULL, 0};
    return COMMONDialogBox(hInst, "WizardImagePreviewBox", owner, WizardImagePreviewProc, (LPARAM)&state, path);
}
