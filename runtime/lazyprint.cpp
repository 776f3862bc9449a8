// The printing functions bound at their first call (see
// common/lazyimports.h): only printing a page needs their libraries. Their
// slots live in this layer, whose libraries come after it on every link line.
#include "common/lazyimports.h"
#include <commdlg.h>
#include <winspool.h>

static BOOL WINAPI LazyPrintDlgA(LPPRINTDLGA p);
LAZYSLOT(PrintDlgA, 4);
static BOOL WINAPI LazyPrintDlgA(LPPRINTDLGA p)
{
    auto f = BindLazily(&slot_PrintDlgA, "comdlg32.dll", "PrintDlgA");
    return f ? f(p) : FALSE;
}

// Declared without an import slot: calls reach the function by its own name,
// which is therefore defined here.
BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                          LPDWORD count)
{
    static decltype(&EnumPrintersA) bound;
    if (bound || BindLazily(&bound, "winspool.drv", "EnumPrintersA"))
        return bound(flags, name, level, buffer, size, needed, count);
    if (needed)
        *needed = 0;
    if (count)
        *count = 0;
    return FALSE;
}
