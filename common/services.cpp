#include "common/services.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "common/statbar.h"
#include "resources/resource.h"
#include <cstdio>
#include <cstring>

BOOL CALLBACK FontEnumProc(HWND child, LPARAM font)
{
    SendMessageA(child, WM_SETFONT, (WPARAM)font, 0);
    return TRUE;
}

void SetAllFontControls(HWND parent, HFONT font)
{
    EnumChildWindows(parent, FontEnumProc, (LPARAM)font);
}

HBRUSH HandleCtlColour(HWND dlg, HDC dc, LPARAM)
{
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    POINT origin{0, 0};
    ClientToScreen(dlg, &origin);
    if (backbrush) {
        UnrealizeObject(backbrush);
        SetBrushOrgEx(dc, origin.x, origin.y, NULL);
    }
    return backbrush;
}

int DrawBitmapStaticButton(HWND, unsigned, unsigned, DRAWITEMSTRUCT *item, unsigned short index,
                           const char *bitmap, unsigned short first)
{
    HDC dc = item->hDC;
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &item->rcItem, face);
    DeleteObject(face);
    HBRUSH shadow = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ oldbrush = SelectObject(dc, shadow);

    HBITMAP strip = LoadBitmapA(hInst, bitmap);
    if (strip) {
        BITMAP bm{};
        GetObjectA(strip, sizeof bm, &bm);
        int h = bm.bmHeight / 2;
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ oldbitmap = SelectObject(mem, strip);
        int x = item->rcItem.left + 1, y = item->rcItem.top + 1;
        int column = (index - first) * h;
        if (item->itemState & ODS_DISABLED) {
            BitBlt(dc, x, y, h, h, mem, column, h + 1, MERGEPAINT);
            PatBlt(mem, column, h + 1, h, h, DSTINVERT);
            // Paints the selected shadow brush where the inverted mask is black.
            BitBlt(dc, x, y, h, h, mem, column, h + 1, 0xE20746);
        } else {
            BitBlt(dc, x, y, h, h, mem, column, h + 1, MERGEPAINT);
            BitBlt(dc, x, y, h, h, mem, column, 0, SRCAND);
        }
        SelectObject(mem, oldbitmap);
        DeleteDC(mem);
        DeleteObject(strip);
    }
    SelectObject(dc, oldbrush);
    DeleteObject(shadow);
    return 1;
}

// Width of a DIB's colour table in entries, as this system writes them: 2^bits
// for palette pictures, none above 8 bits.
static int TableEntries(const BITMAPINFOHEADER *bi)
{
    return bi->biBitCount <= 8 ? 1 << bi->biBitCount : 0;
}

static void DrawPackedDib(HDC dc, int x, int y, const BITMAPINFOHEADER *bi, DWORD rop, bool palette)
{
    HPALETTE pal = NULL, oldpal = NULL;
    int entries = TableEntries(bi);
    const RGBQUAD *table = (const RGBQUAD *)((const BYTE *)bi + bi->biSize);
    if (palette && entries) {
        struct {
            WORD version, count;
            PALETTEENTRY entry[256];
        } lp{};
        lp.version = 0x300;
        lp.count = (WORD)entries;
        for (int i = 0; i < entries; i++)
            lp.entry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
        pal = CreatePalette((LOGPALETTE *)&lp);
        if (pal) {
            oldpal = SelectPalette(dc, pal, FALSE);
            RealizePalette(dc);
        }
    }
    const BYTE *bits = (const BYTE *)table + entries * sizeof(RGBQUAD);
    HBITMAP bm = CreateDIBitmap(dc, bi, CBM_INIT, bits, (const BITMAPINFO *)bi, DIB_RGB_COLORS);
    if (bm) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bm);
        BitBlt(dc, x, y, bi->biWidth, bi->biHeight < 0 ? -bi->biHeight : bi->biHeight, mem, 0, 0, rop);
        SelectObject(mem, old);
        DeleteDC(mem);
        DeleteObject(bm);
    }
    if (pal) {
        SelectPalette(dc, oldpal, FALSE);
        DeleteObject(pal);
    }
}

void DrawImage(HDC dc, int x, int y, HGLOBAL resource, DWORD rop)
{
    const BITMAPINFOHEADER *bi = (const BITMAPINFOHEADER *)LockResource(resource);
    if (!bi)
        return;
    DrawPackedDib(dc, x, y, bi, rop, bi->biBitCount >= 5 && bi->biBitCount <= 8);
}

void DrawBitmap(HDC dc, int x, int y, HGLOBAL dib, DWORD rop)
{
    const BITMAPINFOHEADER *bi = (const BITMAPINFOHEADER *)GlobalLock(dib);
    if (!bi)
        return;
    DrawPackedDib(dc, x, y, bi, rop, bi->biBitCount <= 8);
    GlobalUnlock(dib);
}

HBITMAP CopyScreenToBitmap(HDC dc, const RECT *rect)
{
    if (IsRectEmpty(rect))
        return NULL;
    int left = rect->left < 0 ? 0 : rect->left;
    int top = rect->top < 0 ? 0 : rect->top;
    int right = rect->right, bottom = rect->bottom;
    int xres = GetDeviceCaps(dc, HORZRES), yres = GetDeviceCaps(dc, VERTRES);
    if (right > xres)
        right = xres;
    if (bottom > yres)
        bottom = yres;
    if (right <= left || bottom <= top)
        return NULL;
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bm = CreateCompatibleBitmap(dc, right - left, bottom - top);
    if (bm) {
        HGDIOBJ old = SelectObject(mem, bm);
        BitBlt(mem, 0, 0, right - left, bottom - top, dc, left, top, SRCCOPY);
        SelectObject(mem, old);
    }
    DeleteDC(mem);
    return bm;
}

void OpenStatus()
{
    STATSetCellBar(hwndmain, 0, 1, 1);
}

void UpdateStatus(unsigned value, unsigned max)
{
    STATSetCellBar(hwndmain, value, max, 1);
}

void CloseStatus()
{
    STATSetCellBar(hwndmain, 0, 1, 1);
    STATSetCellText(hwndmain, "", 0);
}

void StatusText(const char *text)
{
    STATSetCellText(hwndmain, text, 0);
}

void COMMONTextToHex(char *out, const char *in, int limit)
{
    static const char digits[] = "0123456789ABCDEF";
    int o = 0;
    for (; *in && o < limit; in++) {
        unsigned char c = (unsigned char)*in;
        out[o++] = digits[c >> 4];
        out[o++] = digits[c & 15];
    }
    out[o] = 0;
}

int RectWidth(const RECT *r)
{
    return r->right - r->left;
}

int RectDepth(const RECT *r)
{
    return r->bottom - r->top;
}

bool ReadMachineString(const char *subkey, const char *value, char *out, DWORD size)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, len = size - 1;
    LONG rc = RegQueryValueExA(key, value, NULL, &type, (BYTE *)out, &len);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        out[0] = 0;
        return false;
    }
    out[len < size ? len : size - 1] = 0;
    return out[0] != 0;
}

int GetMachineName(char *name, char *organisation, REGISTRYREADER read)
{
    constexpr DWORD size = 260;
    name[0] = organisation[0] = 0;
    static const char windows[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    static const char nt[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    static const char winlogon[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
    read(windows, "RegisteredOwner", name, size);
    read(windows, "RegisteredOrganization", organisation, size);
    if (!name[0] || !organisation[0]) {
        if (!name[0])
            read(nt, "RegisteredOwner", name, size);
        if (!organisation[0])
            read(nt, "RegisteredOrganization", organisation, size);
    }
    if (!name[0] && !read(winlogon, "DefaultUserName", name, size))
        read(winlogon, "AltDefaultUserName", name, size);
    if (!name[0]) {
        char windir[MAX_PATH];
        DWORD serial = 0;
        if (GetWindowsDirectoryA(windir, sizeof windir)) {
            char root[4] = {windir[0], ':', '\\', 0};
            if (GetVolumeInformationA(root, NULL, 0, &serial, NULL, NULL, NULL, 0))
                snprintf(name, size, "User %lu", (unsigned long)serial);
        }
    }
    if (!name[0])
        strcpy(name, "Unknown user");
    return name[0] != 0;
}

int GetSpinValue(HWND dlg, int id)
{
    char text[64] = "";
    int minimum = 0, maximum = 100, start = 0;
    GetWindowTextA(GetDlgItem(dlg, id + 10000), text, sizeof text);
    sscanf(text, "%d,%d,%d", &minimum, &maximum, &start);
    BOOL ok;
    long long value = minimum < 0 ? (long long)(int)GetDlgItemInt(dlg, id, &ok, TRUE)
                                  : (long long)GetDlgItemInt(dlg, id, &ok, FALSE);
    if (value < minimum)
        value = minimum;
    if (value > maximum)
        value = maximum;
    return (int)value;
}

HGLOBAL DuplicateObject(HGLOBAL source)
{
    SIZE_T size = source ? GlobalSize(source) : 0;
    if (!size)
        return NULL;
    GlobalBlock copy = GlobalBlock::Alloc(size);
    GlobalLocked<> from(source), to(copy);
    if (!from || !to)
        return NULL;
    memcpy(to.get(), from.get(), size);
    to.Unlock();
    return copy.Release();
}

char *formatlong(long value)
{
    static char text[32];
    char digits[16];
    int n = snprintf(digits, sizeof digits, "%lu", (unsigned long)value);
    int o = 0;
    for (int i = 0; i < n; i++) {
        if (i > 0 && (n - i) % 3 == 0)
            text[o++] = ',';
        text[o++] = digits[i];
    }
    text[o] = 0;
    return text;
}
