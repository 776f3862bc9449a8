#include "player/playermain.h"
#include "common/msgdlg.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/objects.h"
#include "media/dib.h"
#include "player/loading.h"
#include "player/variants.h"
#include "resources/resource.h"
#include "runtime/background.h"
#include "runtime/runtime.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

int nex;
PLAYERSTATE player;

namespace {

constexpr UINT IDM_ABOUT = 100;
constexpr UINT IDM_PAGEMENU = 101;
constexpr DWORD LISTSTYLE = 0x40A00969;

// Ends a start that failed: what exists is released in the order it was
// made, the message is shown, and the control font goes last.
int Fail(unsigned id)
{
    RemoveEmbeddedFonts(player.fonts);
    player.fonts = NULL;
    if (player.show && IsWindow(player.show))
        DestroyWindow(player.show);
    if (player.set)
        GlobalUnlock(player.seth);
    if (player.seth)
        GlobalFree(player.seth);
    player = PLAYERSTATE{};
    hwndmain = NULL;
    QV_UnregisterCommonClasses();
    PlayerMessage(NULL, id);
    if (controlfont)
        DeleteObject(controlfont);
    controlfont = NULL;
    return 0;
}

// The header's window style: an overlapped window when it asks for a
// caption, else a popup with a thin border.
DWORD HeaderStyle(uint32_t flags)
{
    DWORD bits = flags & HEDR_WINDOWSTYLE;
    return (flags & WS_CAPTION) ? bits : WS_POPUP | WS_BORDER | bits;
}

// The stored size is the client area with flag 0x80, else the whole window;
// the frame is what Windows gives the style the window really has.
SIZE OuterSize(HWND window, const HEDRRECORD &h)
{
    // A stored size no screen could hold is taken as the largest that can be.
    constexpr int LIMIT = 16384;
    int width = h.width < 1 ? 1 : h.width > LIMIT ? LIMIT : h.width;
    int depth = h.depth < 1 ? 1 : h.depth > LIMIT ? LIMIT : h.depth;
    if (!(h.flags & HEDR_FIXEDCLIENT))
        return SIZE{width, depth};
    RECT r{0, 0, width, depth};
    AdjustWindowRectEx(&r, GetWindowValue<DWORD>(window, GWL_STYLE), FALSE,
                       GetWindowValue<DWORD>(window, GWL_EXSTYLE));
    return SIZE{r.right - r.left, r.bottom - r.top};
}

} // namespace

int PlayerCheckForAbort(HWND window)
{
    // Where the mouse was first seen moving, kept for the whole run.
    static POINT reference{-1, -1};
    int result = 0;
    MSG msg;
    while (result == 0) {
        if (!IsWindow(window) || !IsWindow(hwndmain)) {
            result = 1;
            break;
        }
        if (!PeekMessageA(&msg, window, WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_REMOVE) &&
            !PeekMessageA(&msg, window, WM_KEYFIRST, WM_KEYFIRST + 8, PM_REMOVE))
            break;
        if (msg.message == WM_MOUSEMOVE) {
            POINT p;
            GetCursorPos(&p);
            if (reference.x == -1 && reference.y == -1) {
                reference = p;
                continue;
            }
            if (p.x != reference.x || p.y != reference.y) {
                result = 1;
                break;
            }
        }
        if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP)
            result = 1;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (result)
        PostMessageA(window, QVM_ABORT, 0, 0);
    return result;
}

int CreatePresentationWindow(HINSTANCE inst, const char *cmdline, const PLAYERPARTS &parts)
{
    hInst = inst;
    srand((unsigned)time(nullptr));
    devicebits = GetDisplayBits();
    char switches[8] = "/NEX";
    nex = cmdline && stristr((char *)cmdline, switches) ? 1 : 0;
    if (ControlFontName[0])
        controlfont = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, ControlFontName);
    player = PLAYERSTATE{};

    SHOWHOST host = QV_SystemHost;
    host.abortpoll = parts.abortpoll;
    host.appletwindow = parts.appletwindow;
    // The player alone may keep an animation's reduced cells in its own copy.
    host.variant = QV_SHOWVARIANT{parts.report, parts.canopen, true};
    if (!PlayerRegisterClasses()) {
        PlayerMessage(NULL, IDS_PLAYERCLASSERROR);
        if (controlfont)
            DeleteObject(controlfont);
        controlfont = NULL;
        return 0;
    }
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(hInst, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return Fail(IDS_PLAYERLOADERROR);

    QV_SHOWCREATE create{nullptr, &host};
    player.show = CreateWindowExA(0, QVCLASS_appwindow, "", WS_POPUP | WS_BORDER, 0, 0, 1, 1, NULL, NULL, hInst,
                                  &create);
    hwndmain = player.show;
    player.seth = GlobalAlloc(GHND, sizeof(BLOCKSET));
    player.set = player.seth ? (BLOCKSET *)GlobalLock(player.seth) : nullptr;
    if (!player.show || !player.set)
        return Fail(IDS_PLAYERLOADERROR);
    snprintf(player.set->path, sizeof player.set->path, "%s", path);
    player.list = CreateWindowExA(0, "LISTBOX", "", LISTSTYLE, 0, 0, 1, 1, player.show, (HMENU)IDC_BLOCKLIST, hInst,
                                  NULL);
    if (!player.list)
        return Fail(IDS_PLAYERLOADERROR);
    // The list is never shown: its scroll bar need not follow every page.
    SendMessageA(player.list, WM_SETREDRAW, FALSE, 0);
    player.set->current = 1;
    player.set->list = player.list;
    player.set->hwnd = player.show;

    BLOCK header;
    if (!LoadExeFileWith(player.list, player.set, path, PLAYERLOAD))
        return Fail(GetLastError() == LOADERROR_TOOMANYBLOCKS ? IDS_TOOMANYBLOCKS : IDS_PLAYERLOADERROR);
    if (!GetHeaderBlock(player.list, player.set, &header))
        return Fail(IDS_PLAYERLOADERROR);
    player.fonts = InstallEmbeddedFonts(player.list, &header);

    SetWindowValue<LONG_PTR>(player.show, GWL_STYLE, (LONG_PTR)HeaderStyle(header.hedr.flags));
    // The show window's creation put About and Page menu into its system menu.
    HMENU menu = GetSystemMenu(player.show, FALSE);
    if (GetMenuState(menu, IDM_ABOUT, MF_BYCOMMAND) == (UINT)-1) {
        AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
        AppendMenuA(menu, MF_STRING, IDM_ABOUT, "&About");
        AppendMenuA(menu, MF_STRING, IDM_PAGEMENU, "&Page menu");
    }
    SetWindowValue(player.show, GWLP_USERDATA, player.seth);
    SIZE size = OuterSize(player.show, header.hedr);
    SetWindowPos(player.show, NULL, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    CentreWindow(player.show);

    SendMessageA(player.show, QVM_SETDOCUMENT, 0, (LPARAM)player.set);
    PostMessageA(player.show, QVM_REPLAYSOUND, 0, 0);
    if (!GetBlock(player.list, (unsigned)player.set->current, &player.page))
        player.page = BLOCK{};

    while (IsWindow(player.show))
        if (!QV_RunShowPass(player.show, &player.page)) {
            DestroyWindow(player.show);
            break;
        }

    RemoveEmbeddedFonts(player.fonts);
    GlobalUnlock(player.seth);
    GlobalFree(player.seth);
    player = PLAYERSTATE{};
    hwndmain = NULL;
    QV_UnregisterCommonClasses();
    if (controlfont)
        DeleteObject(controlfont);
    controlfont = NULL;
    return 0;
}
