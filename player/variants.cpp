#include "player/variants.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/blockstore.h"
#include "player/playermain.h"
#include "resources/resource.h"
#include "runtime/runtime.h"

void PlayerMessage(HWND owner, unsigned id)
{
    COMMONMessageBox(owner, FetchString(id), "Message", MB_ICONINFORMATION);
}

int PlayerCanOpenDocument(const char *path)
{
    return nex ? 1 : CanOpenDocument(path);
}

static LRESULT PlayerAppwindowMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case QVM_SETDOCUMENT: {
        // The window stays hidden until there is a page to show in it.
        // Showing erases it before it has a page; the shared procedure then
        // paints the page once, before its objects are made.
        ShowWindow(window, SW_SHOW);
        return QV_AppwindowProc(window, msg, wParam, lParam);
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        // Only the editor's view closes on the right button.
        return DefWindowProcA(window, msg, wParam, lParam);
    case WM_DESTROY: {
        LRESULT r = QV_AppwindowProc(window, msg, wParam, lParam);
        // The block list goes with this window: its blocks are freed now,
        // while the list still holds them.
        if (window == player.show && player.set) {
            player.page = BLOCK{};
            FreeUndo(window, player.set);
            FreeBlocks(window, player.set);
        }
        return r;
    }
    }
    return QV_AppwindowProc(window, msg, wParam, lParam);
}

LRESULT CALLBACK PlayerAppwindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(window, msg, [&] { return PlayerAppwindowMessage(window, msg, wParam, lParam); });
}

int PlayerRegisterClasses()
{
    if (!QV_RegisterCommonClasses())
        return 0;
    // The same classes, the show window's with the player's procedure and icon.
    UnregisterClassA(QVCLASS_appwindow, hInst);
    WNDCLASSA wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = PlayerAppwindowProc;
    wc.cbWndExtra = QV_SHOWWINDOWEXTRA;
    wc.hInstance = hInst;
    wc.hIcon = LoadIconA(hInst, MAKEINTRESOURCEA(IDI_PLAYER));
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
    wc.lpszClassName = QVCLASS_appwindow;
    return RegisterClassA(&wc) ? 1 : 0;
}
