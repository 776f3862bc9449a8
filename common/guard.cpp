#include "common/guard.h"
#include "common/msgdlg.h"

void COMMONMemoryError(HWND hwnd, UINT msg)
{
    if (msg == WM_PAINT)
        ValidateRect(hwnd, NULL);
    static bool telling;
    if (telling)
        return;
    telling = true;
    // The text is the shared string table's, written here because the player
    // does not carry that table.
    HWND owner = IsWindow(hwnd) ? GetAncestor(hwnd, GA_ROOT) : NULL;
    try {
        DoMessage(owner, "Memory error");
    } catch (const std::bad_alloc &) {
        MessageBoxA(owner, "Memory error", "Message", MB_OK | MB_ICONHAND);
    }
    telling = false;
}
