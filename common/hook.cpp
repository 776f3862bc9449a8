#include "common/hook.h"
#include "common/windowvalue.h"
#include <cstring>

// Global atoms hold at most 255 characters.
constexpr size_t MAXHOOKNAME = 255;

static DWORD MakeHookAtoms(const char *name)
{
    size_t len = name ? strlen(name) : 0;
    if (len < 1 || len > MAXHOOKNAME)
        return 0;
    char reversed[MAXHOOKNAME + 1];
    for (size_t i = 0; i < len; i++)
        reversed[i] = name[len - 1 - i];
    reversed[len] = 0;
    // Atoms ignore case: a name that reads the same backwards would give one
    // atom for both halves and the saved procedure could not be told apart.
    if (lstrcmpiA(name, reversed) == 0)
        return 0;
    ATOM high = GlobalAddAtomA(name);
    ATOM low = GlobalAddAtomA(reversed);
    if (!high || !low) {
        if (high)
            GlobalDeleteAtom(high);
        if (low)
            GlobalDeleteAtom(low);
        return 0;
    }
    return MAKELONG(low, high);
}

static void DeleteHookAtoms(DWORD atoms)
{
    GlobalDeleteAtom(LOWORD(atoms));
    GlobalDeleteAtom(HIWORD(atoms));
}

DWORD HookWindow(HWND hwnd, WNDPROC proc, const char *name)
{
    DWORD atoms = MakeHookAtoms(name);
    if (!atoms)
        return 0;
    const char *lowname = MAKEINTATOM(LOWORD(atoms));
    const char *highname = MAKEINTATOM(HIWORD(atoms));
    if (GetPropA(hwnd, lowname) || GetPropA(hwnd, highname)) {
        DeleteHookAtoms(atoms);
        return 0;
    }
    DWORD old = GetWindowValue<DWORD>(hwnd, GWLP_WNDPROC);
    SetPropA(hwnd, lowname, (HANDLE)(UINT_PTR)LOWORD(old));
    SetPropA(hwnd, highname, (HANDLE)(UINT_PTR)HIWORD(old));
    SetWindowValue<WNDPROC>(hwnd, GWLP_WNDPROC, proc);
    return atoms;
}

void UnHookWindow(HWND hwnd, DWORD atoms)
{
    if (!atoms)
        return;
    const char *lowname = MAKEINTATOM(LOWORD(atoms));
    const char *highname = MAKEINTATOM(HIWORD(atoms));
    UINT_PTR low = (UINT_PTR)GetPropA(hwnd, lowname);
    UINT_PTR high = (UINT_PTR)GetPropA(hwnd, highname);
    if (!low && !high)
        return;
    RemovePropA(hwnd, lowname);
    RemovePropA(hwnd, highname);
    DeleteHookAtoms(atoms);
    SetWindowValue<LONG_PTR>(hwnd, GWLP_WNDPROC, (LONG_PTR)((high << 16) | low));
}

LRESULT CallOldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD atoms)
{
    UINT_PTR low = atoms ? (UINT_PTR)GetPropA(hwnd, MAKEINTATOM(LOWORD(atoms))) : 0;
    UINT_PTR high = atoms ? (UINT_PTR)GetPropA(hwnd, MAKEINTATOM(HIWORD(atoms))) : 0;
    if (!low && !high)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    WNDPROC old = (WNDPROC)((high << 16) | low);
    if (msg == WM_DESTROY)
        UnHookWindow(hwnd, atoms);
    return CallWindowProcA(old, hwnd, msg, wParam, lParam);
}
