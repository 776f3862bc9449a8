// Facts about the screen, the machine and Windows, and the notice for
// screens that cannot show true colour.
#include "editor/sysinfo.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "editor/shell.h"
#include "editor/toolbar.h"
#include "media/dib.h"
#include "resources/setup_ids.h"
#include <cstdio>
#include <cstring>

namespace {

// A bitmap resource copied into a block of its own, as the drawing helpers
// take it; none when the program has no such picture.
HGLOBAL LoadPictureBlock(int id)
{
    HRSRC found = FindResourceA(hInst, MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    HGLOBAL resource = found ? LoadResource(hInst, found) : NULL;
    const void *bytes = resource ? LockResource(resource) : NULL;
    DWORD size = found ? SizeofResource(hInst, found) : 0;
    if (!bytes || size < sizeof(BITMAPINFOHEADER))
        return NULL;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (GlobalLocked<> to{copy})
        memcpy(to.get(), bytes, size);
    return copy;
}

// Bits per pixel of the screen, as many as a picture can use.
int ScreenBits()
{
    HDC dc = GetDC(NULL);
    int bits = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(NULL, dc);
    return bits < 1 ? 1 : bits > 24 ? 24 : bits;
}

void SetYesNo(HWND dlg, int id, bool yes) { SetDlgItemTextA(dlg, id, yes ? "Yes" : "No"); }

void InitSysInfo(HWND dlg)
{
    SetDlgItemInt(dlg, IDC_SYSWIDTH, (UINT)GetSystemMetrics(SM_CXSCREEN), FALSE);
    SetDlgItemInt(dlg, IDC_SYSDEPTH, (UINT)GetSystemMetrics(SM_CYSCREEN), FALSE);
    SetYesNo(dlg, IDC_SYSNETWORK, GetSystemMetrics(SM_NETWORK) != 0);
    SetYesNo(dlg, IDC_SYSSLOW, GetSystemMetrics(SM_SLOWMACHINE) != 0);

    char text[FETCHSTRINGSIZE + 32];
    snprintf(text, sizeof text, FetchString(IDS_COLOURCOUNT), formatlong(1L << ScreenBits()));
    SetDlgItemTextA(dlg, IDC_SYSCOLOURS, text);

    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExA(&version)) {
#pragma GCC diagnostic pop
        snprintf(text, sizeof text, "%lu.%lu%s%s", (unsigned long)version.dwMajorVersion,
                 (unsigned long)version.dwMinorVersion, version.szCSDVersion[0] ? " " : "", version.szCSDVersion);
        SetDlgItemTextA(dlg, IDC_SYSVERSION, text);
    }

    char owner[SETTINGTEXT], organisation[SETTINGTEXT];
    GetMachineName(owner, organisation);
    SetDlgItemTextA(dlg, IDC_SYSOWNER, owner);
    SetDlgItemTextA(dlg, IDC_SYSORGANISATION, organisation);

    SetFocus(GetDlgItem(dlg, IDOK));
    CentreWindow(dlg);
}

// What the information box holds while it is open: its picture, read once.
struct SYSINFO {
    GlobalBlock picture;
};

// What the notice holds while it is open.
struct DRIVERNOTICE {
    HFONT font;
};

} // namespace

INT_PTR CALLBACK SysInfoProcProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    SYSINFO *info;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &info))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        info->picture.Reset(LoadPictureBlock(IDB_SYSPICTURE));
        InitSysInfo(dlg);
        return FALSE; // the focus is set
    case WM_DRAWITEM: {
        const auto *item = (const DRAWITEMSTRUCT *)lParam;
        if (item->CtlType != ODT_BUTTON || item->CtlID != IDC_SYSPICTURE)
            return FALSE;
        FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
        if (info && info->picture)
            DrawImageWithMaskEx(item->hDC, item->rcItem.left, item->rcItem.top, info->picture.get());
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dlg, 1);
            return TRUE;
        case IDC_INFOHELP:
            DoHelp(dlg, "SYSTEM");
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

int ShowSysInfo(HWND owner)
{
    SYSINFO info;
    COMMONDialogBox(hInst, "SysInfoBox", owner, SysInfoProcProc, (LPARAM)&info, NULL);
    if (owner)
        UpdateWindow(owner);
    return 1;
}

INT_PTR CALLBACK ChangeDriverDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    DRIVERNOTICE *notice;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &notice))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        notice->font = CreateFontA(16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
        if (notice->font)
            SendDlgItemMessageA(dlg, IDC_DRIVERNOTICE, WM_SETFONT, (WPARAM)notice->font, FALSE);
        MessageBeep(MB_ICONASTERISK);
        CheckDlgButton(dlg, IDC_DRIVERSHOWAGAIN, BST_CHECKED);
        CentreWindow(dlg);
        SetFocus(GetDlgItem(dlg, IDOK));
        return FALSE;
    case WM_ACTIVATEAPP:
        // A palette screen gives the active program its colours: the picture
        // is drawn again with ours.
        if (wParam && GetDisplayBits() <= 8)
            RedrawWindow(GetDlgItem(dlg, IDC_DRIVERPICTURE), NULL, NULL, RDW_INVALIDATE | RDW_NOERASE);
        return FALSE;
    case WM_DRAWITEM: {
        const auto *item = (const DRAWITEMSTRUCT *)lParam;
        if (item->CtlID != IDC_DRIVERPICTURE)
            return FALSE;
        HRSRC found = FindResourceA(hInst, MAKEINTRESOURCEA(IDB_DRIVERPICTURE), (LPCSTR)RT_BITMAP);
        if (HGLOBAL picture = found ? LoadResource(hInst, found) : NULL)
            DrawImage(item->hDC, item->rcItem.left, item->rcItem.top, picture, SRCCOPY);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            ShowDriverMessage = IsDlgButtonChecked(dlg, IDC_DRIVERSHOWAGAIN) == BST_CHECKED ? 1 : 0;
            EndDialog(dlg, 1);
            return TRUE;
        case IDC_INFOHELP:
            if (!ViewHTMLDocumentEx(dlg, AddApplicationPath("DRIVERS.HTM"), NULL, 1))
                DoMessage(dlg, FetchString(IDS_NODRIVERSVIEWER));
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        if (notice && notice->font)
            DeleteObject(notice->font);
        if (notice)
            notice->font = NULL;
        return FALSE;
    }
    return FALSE;
}

int ShowDriverDialog(HWND owner)
{
    DRIVERNOTICE notice{};
    INT_PTR result = COMMONDialogBox(hInst, "ChangeDriverBox", owner, ChangeDriverDlgProc, (LPARAM)&notice, NULL);
    if (owner)
        UpdateWindow(owner);
    return (int)result;
}
