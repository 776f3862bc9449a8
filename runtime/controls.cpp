// Buttons, check boxes, radio buttons, list boxes and edit fields: system
// controls whose procedures are replaced per window.
#include "common/buttons.h"
#include "common/guard.h"
#include "common/owners.h"
#include "document/objects.h"
#include "document/record.h"
#include "media/dib.h"
#include "runtime/background.h"
#include "runtime/runtime.h"
#include <string>

namespace {

LRESULT ClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA((WNDPROC)GetClassLongA(hwnd, GCL_WNDPROC), hwnd, msg, wParam, lParam);
}

bool OwnerDrawn(uint32_t flags)
{
    return flags & (OBJ_LOOP | OBJ_SOFTCUSTOM | OBJ_GRAPHIC);
}

// What every replaced control does alike; true when `msg` was handled.
bool CommonControl(HWND hwnd, UINT msg, WPARAM wParam, LRESULT *result)
{
    switch (msg) {
    case QVM_OBJECTSTARTSTOP:
        if (LOWORD(wParam) == 1)
            EnableWindow(hwnd, TRUE);
        else if (LOWORD(wParam) == 0)
            EnableWindow(hwnd, FALSE);
        *result = 0;
        return true;
    case WM_ACTIVATE:
        // Forwarded by the show window; the class procedure would take the
        // keyboard focus, away from the default button.
        *result = 0;
        return true;
    }
    return false;
}

void PictureFace(HWND, OBJECTBUTTON *o, SIZE_T blocksize, DRAWITEMSTRUCT *item)
{
    const char *graphic = GetButtonTitleGraphic(o);
    if (!graphic)
        return;
    uint64_t end = (uint64_t)o->header.fixedsize + o->header.datasize;
    uint64_t at = (uint64_t)(graphic - (const char *)o);
    if (end > blocksize || at >= end || end - at < sizeof(BITMAPINFOHEADER))
        return;
    const auto *dib = (const BITMAPINFOHEADER *)graphic;
    DIBLAYOUT l;
    if (!DibHeaderLayout(dib, &l) || l.total > end - at)
        return;
    HDC dc = item->hDC;
    char rgb[PALETTEBYTES];
    int count = GetDibPalette((const BITMAPINFO *)dib, rgb);
    PALSTATE state{};
    if (count)
        RealizeWindowPalette(dc, &state, rgb, count);
    GdiObject<HBITMAP> bitmap(
        CreateDIBitmap(dc, dib, CBM_INIT, graphic + l.pixeloffset, (const BITMAPINFO *)dib, DIB_RGB_COLORS));
    if (bitmap) {
        GdiObject<HBITMAP> disabled(
            (item->itemState & ODS_DISABLED) ? CreateDisabledBitmap(bitmap, o->disabledcolour) : NULL);
        MemoryDC mem(dc);
        mem.Select(disabled ? disabled : bitmap);
        int half = l.height / 2;
        BitBlt(dc, item->rcItem.left, item->rcItem.top, l.width, half, mem, 0,
               (item->itemState & ODS_SELECTED) ? half : 0, SRCCOPY);
    }
    if (count)
        UnrealizeWindowPalette(dc, &state);
}

// The system look, drawn here so that its caption keeps inside the edge
// and ends in an ellipsis where it is too wide, as the editor shows it: the
// system's own push button draws a long caption over its edge.
void SystemFace(HWND button, DRAWITEMSTRUCT *item, bool isdefault)
{
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    const bool pressed = item->itemState & ODS_SELECTED, disabled = item->itemState & ODS_DISABLED;
    if (isdefault) {
        FrameRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
        InflateRect(&r, -1, -1);
    }
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    RECT face = r;
    InflateRect(&face, -2, -2);
    if (pressed)
        OffsetRect(&face, 1, 1);
    char caption[261] = "";
    GetWindowTextA(button, caption, sizeof caption);
    SavedDC state(dc);
    if (HFONT font = (HFONT)SendMessageA(button, WM_GETFONT, 0, 0))
        SelectObject(dc, font);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    QV_DrawButtonCaption(dc, &face, caption, -1);
    if (item->itemState & ODS_FOCUS) {
        RECT focus = r;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

} // namespace

static LRESULT QV_ButtonMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result;
    if (CommonControl(hwnd, msg, wParam, &result))
        return result;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (ObjectRecord<> o(WindowObject(hwnd)); o && OwnerDrawn(o->flags))
            InvalidateRect(hwnd, NULL, FALSE);
        break;
    case WM_LBUTTONUP:
        if (ObjectRecord<OBJECTBUTTON> o(WindowObject(hwnd)); o) {
            uint32_t action = o->action, target = o->target, flags = o->header.flags;
            std::string text = GetButtonTargetText(o.get());
            o.Unlock();
            QV_DoAction(hwnd, GetParent(hwnd), action, target, text.c_str(), GetKeyState(VK_SHIFT) < 0);
            if (OwnerDrawn(flags))
                InvalidateRect(hwnd, NULL, FALSE);
        }
        break;
    case QVM_DRAWITEM: {
        auto *item = (DRAWITEMSTRUCT *)lParam;
        COLORREF page = (COLORREF)SendMessageA(GetParent(hwnd), QVM_GETPAGECOLOUR, 0, 0);
        ObjectRecord<OBJECTBUTTON> b(item ? WindowObject(hwnd) : NULL);
        if (!b)
            return 0;
        const OBJECTHEADER *o = &b->header;
        if (o->flags & OBJ_SOFTCUSTOM) {
            COLORREF c = b->softcolour;
            QV_DrawSoftButton(hwnd, item, MakeDerivativeColour(c, 1.3), MakeDerivativeColour(c, 0.45), c,
                              b->softtextcolour, page, 1);
        } else if (o->flags & OBJ_LOOP) {
            QV_DrawSoftButton(hwnd, item, 0, 0, 0, 0, page, 2);
        } else if (o->flags & OBJ_GRAPHIC) {
            PictureFace(hwnd, b.get(), b.size(), item);
        } else {
            SystemFace(hwnd, item, o->flags & OBJ_DEFAULT);
        }
        return 0;
    }
    }
    return ClassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK QV_ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return QV_ButtonMessage(hwnd, msg, wParam, lParam); });
}

void QV_DrawButtonCaption(HDC dc, const RECT *face, const char *text, int length)
{
    SavedDC state(dc);
    IntersectClipRect(dc, face->left, face->top, face->right, face->bottom);
    SetBkMode(dc, TRANSPARENT);
    RECT r = *face;
    DrawTextA(dc, text, length, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

int QV_DrawSoftButton(HWND button, DRAWITEMSTRUCT *item, COLORREF light, COLORREF dark, COLORREF face,
                      COLORREF text, COLORREF page, long style, const char *caption)
{
    const RECT r = item->rcItem;
    HDC dc = item->hDC;
    const bool pressed = item->itemState & ODS_SELECTED, disabled = item->itemState & ODS_DISABLED;
    const int o = pressed ? 2 : 0;
    HBRUSH facebrush, darkbrush;
    GdiObject<HBRUSH> ownface, owndark;
    if (style & 1) {
        ownface.Reset(CreateSolidBrush(face));
        owndark.Reset(CreateSolidBrush(dark));
        facebrush = ownface;
        darkbrush = owndark;
    } else {
        light = GetSysColor(COLOR_BTNHIGHLIGHT);
        dark = GetSysColor(COLOR_BTNSHADOW);
        face = GetSysColor(COLOR_BTNFACE);
        text = GetSysColor(COLOR_BTNTEXT);
        facebrush = GetSysColorBrush(COLOR_BTNFACE);
        darkbrush = GetSysColorBrush(COLOR_BTNSHADOW);
    }
    GdiObject<HRGN> clip(COMMONCornerlessRegion(&r));
    SelectClipRgn(dc, clip);
    FillRect(dc, &r, facebrush);
    if (pressed) {
        RECT top{r.left, r.top, r.right, r.top + 2}, left{r.left, r.top + 2, r.left + 2, r.bottom};
        FillRect(dc, &top, darkbrush);
        FillRect(dc, &left, darkbrush);
    }
    const RECT bands[4] = {{r.left, r.top, r.right, r.top + 4},
                           {r.left, r.bottom - 4, r.right, r.bottom},
                           {r.left, r.top + 1, r.left + 2, r.bottom - 2},
                           {r.right - 3, r.top + 2, r.right, r.bottom - 2}};
    const COLORREF from[4] = {light, face, light, face}, to[4] = {face, dark, face, dark};
    for (int i = 0; i < 4; i++) {
        RECT b = bands[i];
        OffsetRect(&b, o, o);
        COMMONFillWidthGradient(dc, &b, from[i], to[i], i < 2 ? GRADIENT_VERTICAL : GRADIENT_HORIZONTAL);
    }
    char title[261] = "";
    if (!caption && button && IsWindow(button))
        GetWindowTextA(button, title, sizeof title);
    // Between the side bands.
    RECT t{r.left + 2 + o, r.top + o, r.right - 3 + o, r.bottom - 1 + o};
    COLORREF old = SetTextColor(dc, disabled ? dark : text);
    QV_DrawButtonCaption(dc, &t, caption ? caption : title, -1);
    SetTextColor(dc, old);
    SelectClipRgn(dc, NULL);
    SetPixel(dc, r.left, r.top, page);
    SetPixel(dc, r.right - 1, r.top, page);
    SetPixel(dc, r.left, r.bottom - 1, page);
    SetPixel(dc, r.right - 1, r.bottom - 1, page);
    return 1;
}

HBITMAP CreateDisabledBitmap(HBITMAP picture, COLORREF colour)
{
    BITMAP bm;
    if (!picture || !GetObjectA(picture, sizeof bm, &bm))
        return NULL;
    const int w = bm.bmWidth, h = bm.bmHeight;
    WindowDC screen(NULL);
    GdiObject<HBITMAP> a(CreateBitmap(w, h, 1, 1, NULL)), b(CreateBitmap(w, h, 1, 1, NULL));
    GdiObject<HBITMAP> r(CreateCompatibleBitmap(screen, w, h));
    GdiObject<HBRUSH> fill(CreateSolidBrush(colour));
    MemoryDC src(screen), da(screen), dr(screen);
    if (!src || !da || !dr || !a || !b || !r || !fill)
        return NULL;
    {
        SelectedObject picked(src, picture);
        SetBkColor(src, GetPixel(src, 0, 0));
        da.Select(a);
        PatBlt(da, 0, 0, w, h, WHITENESS);
        BitBlt(da, 0, 0, w - 1, h - 1, src, 1, 1, SRCCOPY);
        BitBlt(da, 0, 0, w, h, src, 0, 0, MERGEPAINT);
        da.Select(b);
        BitBlt(da, 0, 0, w, h, src, 0, 0, SRCCOPY);
        BitBlt(da, 0, 0, w - 1, h - 1, src, 1, 1, MERGEPAINT);
        da.Restore();
    }
    {
        SelectedObject target(dr, r);
        {
            SelectedObject filling(dr, fill);
            PatBlt(dr, 0, 0, w, h, PATCOPY);
            SetBkColor(dr, RGB(255, 255, 255));
            SetTextColor(dr, RGB(0, 0, 0));
            const struct {
                HBITMAP mask;
                double factor;
            } passes[2] = {{b, 1.75}, {a, 0.75}};
            for (const auto &p : passes) {
                GdiObject<HBRUSH> brush(CreateSolidBrush(MakeDerivativeColour(colour, p.factor)));
                SelectedObject shade(dr, brush);
                SelectedObject mask(src, p.mask);
                BitBlt(dr, 0, 0, w, h, src, 0, 0, 0xB8074A);
            }
        }
    }
    return r.Release();
}

// Check boxes, radio buttons, list boxes and edit fields start their notify
// object on `trigger` when the notify flag is set.
static LRESULT NotifyingControl(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT trigger)
{
    LRESULT result;
    if (CommonControl(hwnd, msg, wParam, &result))
        return result;
    if (msg == trigger)
        if (ObjectRecord<OBJECTCHECKBOX> o(WindowObject(hwnd)); o && (o->header.flags & OBJ_NOTIFY))
            PostMessageA(GetParent(hwnd), QVM_STARTOBJECT, o->notify, (LPARAM)hwnd);
    return ClassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK QV_CheckboxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return NotifyingControl(hwnd, msg, wParam, lParam, WM_LBUTTONUP); });
}

LRESULT CALLBACK QV_RadioProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return NotifyingControl(hwnd, msg, wParam, lParam, WM_LBUTTONUP); });
}

LRESULT CALLBACK QV_EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return NotifyingControl(hwnd, msg, wParam, lParam, WM_CHAR); });
}

// A list object's text is its selection.
static LRESULT QV_ListboxMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_GETTEXT || msg == WM_GETTEXTLENGTH) {
        char *buffer = (char *)lParam;
        if (msg == WM_GETTEXT && wParam > 0 && buffer)
            buffer[0] = 0;
        LRESULT sel = ClassProc(hwnd, LB_GETCURSEL, 0, 0);
        if (sel == LB_ERR)
            return 0;
        LRESULT len = ClassProc(hwnd, LB_GETTEXTLEN, sel, 0);
        if (len == LB_ERR)
            return 0;
        if (msg == WM_GETTEXTLENGTH)
            return len;
        if (!buffer || wParam == 0)
            return 0;
        std::string item((size_t)len + 1, '\0');
        ClassProc(hwnd, LB_GETTEXT, sel, (LPARAM)item.data());
        // As much as the buffer holds, terminated; the count copied.
        size_t n = strnlen(item.c_str(), (size_t)len);
        if (n > wParam - 1)
            n = wParam - 1;
        memcpy(buffer, item.data(), n);
        buffer[n] = 0;
        return (LRESULT)n;
    }
    return NotifyingControl(hwnd, msg, wParam, lParam, WM_LBUTTONUP);
}

LRESULT CALLBACK QV_ListboxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return QV_ListboxMessage(hwnd, msg, wParam, lParam); });
}
