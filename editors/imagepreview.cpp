// The preview of an image object's transition: the runtime's own stepping,
// on the preview's own timers, over the page's background.
#include "editors/imagepreview.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "media/dib.h"
#include "resources/editorframe_ids.h"
#include "resources/objectdialogs2_ids.h"
#include "resources/resource.h"
#include "runtime/background.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr UINT_PTR STEPTIMER = 1, COUNTDOWNTIMER = 2;
constexpr uint32_t IMAGE_LOOP = 0x8;

void Stop(HWND dlg, PREVIEWIMAGE *r)
{
    KillTimer(dlg, STEPTIMER);
    KillTimer(dlg, COUNTDOWNTIMER);
    if (r->status.snapshot)
        DeleteObject(r->status.snapshot);
    r->status.snapshot = NULL;
    DestroyStatus(&r->status);
}

void Step(HWND dlg, PREVIEWIMAGE *r)
{
    HDC dc = GetDC(dlg);
    if (!dc)
        return;
    STATUS &s = r->status;
    if (!s.background) {
        RECT client;
        GetClientRect(dlg, &client);
        s.background = CopyScreenToBitmap(dc, &client);
    }
    s.xorigin = r->x = 0;
    s.yorigin = r->y = 0;
    bool starting = s.current == STATUS_NEWCYCLE;
    int16_t phase = s.phase;
    HandleOnceCell(dlg, dc, &s);
    ReleaseDC(dlg, dc);
    // A cycle ends for good only out of the disappear phase; ended anywhere
    // else, an effect could not draw.
    if (s.current == STATUS_NEWCYCLE && (starting || phase != PHASE_DISAPPEAR))
        r->failed = true;
}

void Ended(HWND dlg, PREVIEWIMAGE *r)
{
    DestroyStatus(&r->status);
    r->status.current = STATUS_NEWCYCLE;
    if (r->failed) {
        Stop(dlg, r);
        EndDialog(dlg, 0);
    } else if (!(r->object->header.flags & IMAGE_LOOP)) {
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    }
}

void EraseBackground(HWND dlg, PREVIEWIMAGE *r, HDC dc)
{
    BLOCK header{};
    if (GetHeaderBlock(r->list, nullptr, &header)) {
        DrawPageBackground(dlg, r->list, dc, r->page ? 1 : 0, &header, r->page, NULL);
        return;
    }
    FillPreviewBox(dlg, dc, r->brush);
}

} // namespace

int PreviewImageObject(HWND owner, BLOCK *page, HWND list, OBJECTIMAGE *object)
{
    GlobalBlock picture(GetImageObjectBitmap(object));
    int width = 0, height = 0, bits = 0;
    if (!picture.get() || !GetBitmapDimensions(picture.get(), &width, &height, &bits, nullptr)) {
        DoMessage(owner, FetchString(IDS_MEMORY));
        return 0;
    }
    BLOCK header{};
    if (!GetHeaderBlock(list, nullptr, &header)) {
        DoMessage(owner, FetchString(IDS_BLOCKACCESS));
        return 0;
    }
    // A row the table does not have would never draw nor end.
    if (!ValidEffect((int32_t)object->appear) || !ValidEffect((int32_t)object->disappear)) {
        DoMessage(owner, FetchString(IDS_PREVIEWFAILED));
        return 0;
    }
    PREVIEWIMAGE r{};
    r.page = page;
    r.list = list;
    r.width = width;
    r.height = height;
    r.object = object;
    if (!InitImageStatus(&r.status, picture.get(), (int)object->appear, (int)object->disappear,
                         (long)(int32_t)object->speed, (long)(int32_t)object->wait, nullptr)) {
        DoMessage(owner, FetchString(IDS_MEMORY));
        return 0;
    }
    r.brush = CreateSolidBrush(GetBlockBackgroundColour(owner, &header));
    int result = RunPreviewBox(owner, PreviewImageProc, &r, r.brush);
    DestroyStatus(&r.status);
    if (r.status.snapshot)
        DeleteObject(r.status.snapshot);
    if (r.failed && IsWindow(owner))
        DoMessage(owner, FetchString(IDS_PREVIEWFAILED));
    return result;
}

int RunPreviewBox(HWND owner, DLGPROC proc, void *state, HBRUSH brush)
{
    INT_PTR result = COMMONDialogBox(hInst, "PreviewBox", owner, proc, (LPARAM)state, nullptr);
    if (brush)
        DeleteObject(brush);
    if (IsWindow(owner))
        UpdateWindow(owner);
    return result == 1 ? 1 : 0;
}

void OpenPreviewBox(HWND dlg, LPARAM state, int width, int height, const char *format, ...)
{
    SetWindowValue(dlg, DWLP_USER, state);
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, GetWindowValue<DWORD>(dlg, GWL_STYLE), FALSE, GetWindowValue<DWORD>(dlg, GWL_EXSTYLE));
    SetWindowPos(dlg, NULL, 0, 0, std::min<int>(outer.right - outer.left, GetSystemMetrics(SM_CXSCREEN)),
                 std::min<int>(outer.bottom - outer.top, GetSystemMetrics(SM_CYSCREEN)),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
    CentreWindow(dlg);
    SetFocus(dlg);
    char caption[64];
    va_list args;
    va_start(args, format);
    vsnprintf(caption, sizeof caption, format, args);
    va_end(args);
    SetWindowTextA(dlg, caption);
}

int PreviewBoxEnding(UINT msg, WPARAM wParam)
{
    if (msg == WM_RBUTTONUP)
        return 1;
    // Enter comes as IDOK from the dialog manager: it closes as Esc does.
    bool key = msg == WM_CHAR && (wParam == VK_RETURN || wParam == VK_ESCAPE);
    return key || (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) ? 0 : -1;
}

void FillPreviewBox(HWND dlg, HDC dc, HBRUSH brush)
{
    RECT client;
    GetClientRect(dlg, &client);
    char rgb[PALETTEBYTES];
    int bits = 8;
    PALSTATE pal{};
    bool palette = GetDisplayBits() <= 8 && GetDefaultPalette(rgb, &bits, 6);
    if (palette)
        RealizeWindowPalette(dc, &pal, rgb, 256);
    FillRect(dc, &client, brush);
    if (palette)
        UnrealizeWindowPalette(dc, &pal);
}

bool PaintPreviewBox(HWND dlg, UINT msg, WPARAM wParam, HBRUSH brush)
{
    if (msg == WM_ERASEBKGND) {
        if (brush)
            FillPreviewBox(dlg, (HDC)wParam, brush);
        SetWindowValue<LONG_PTR>(dlg, DWLP_MSGRESULT, 1);
        return true;
    }
    if (msg != WM_PAINT)
        return false;
    ValidateRect(dlg, NULL);
    return true;
}

INT_PTR CALLBACK PreviewImageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    PREVIEWIMAGE *r = DialogState<PREVIEWIMAGE>(dlg);
    if (int ending = PreviewBoxEnding(msg, wParam); ending >= 0) {
        if (r)
            Stop(dlg, r);
        EndDialog(dlg, ending);
        return TRUE;
    }
    switch (msg) {
    case WM_INITDIALOG:
        r = (PREVIEWIMAGE *)lParam;
        OpenPreviewBox(dlg, lParam, r->width, r->height, FetchString(IDS_PREVIEWCAPTION),
                       (int)r->object->header.number);
        SetTimer(dlg, STEPTIMER, (UINT)(81 - r->status.speed), NULL);
        SetTimer(dlg, COUNTDOWNTIMER, 1000, NULL);
        return FALSE;
    case WM_ERASEBKGND:
        if (r)
            EraseBackground(dlg, r, (HDC)wParam);
        SetWindowValue<LONG_PTR>(dlg, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_PAINT:
        ValidateRect(dlg, NULL);
        return TRUE;
    case WM_TIMER:
        if (!r)
            return TRUE;
        if (wParam == TRANSITION_ENDTIMER)
            Ended(dlg, r);
        else if (wParam == STEPTIMER)
            Step(dlg, r);
        else if (wParam == COUNTDOWNTIMER && r->status.phase == PHASE_WAIT && r->status.countdown > 0)
            r->status.countdown--;
        return TRUE;
    case WM_DESTROY:
        if (r)
            Stop(dlg, r);
        return FALSE;
    }
    return FALSE;
}
