// The shell's and the task allocator's functions bound at their first call
// (see lazyimports.h): the player's start needs neither library.
#include "common/lazyimports.h"
#include <shellapi.h>
#include <shlobj.h>

static HINSTANCE WINAPI LazyShellExecuteA(HWND parent, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                          INT show);
LAZYSLOT(ShellExecuteA, 24);
static HINSTANCE WINAPI LazyShellExecuteA(HWND parent, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                          INT show)
{
    auto f = BindLazily(&slot_ShellExecuteA, "shell32.dll", "ShellExecuteA");
    return f ? f(parent, verb, file, parameters, directory, show) : (HINSTANCE)SE_ERR_DLLNOTFOUND;
}

static HINSTANCE WINAPI LazyFindExecutableA(LPCSTR file, LPCSTR directory, LPSTR result);
LAZYSLOT(FindExecutableA, 12);
static HINSTANCE WINAPI LazyFindExecutableA(LPCSTR file, LPCSTR directory, LPSTR result)
{
    if (auto f = BindLazily(&slot_FindExecutableA, "shell32.dll", "FindExecutableA"))
        return f(file, directory, result);
    if (result)
        result[0] = 0;
    return (HINSTANCE)SE_ERR_DLLNOTFOUND;
}

static HRESULT WINAPI LazySHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST *list);
LAZYSLOT(SHGetSpecialFolderLocation, 12);
static HRESULT WINAPI LazySHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST *list)
{
    if (auto f = BindLazily(&slot_SHGetSpecialFolderLocation, "shell32.dll", "SHGetSpecialFolderLocation"))
        return f(owner, folder, list);
    if (list)
        *list = nullptr;
    return E_FAIL;
}

static BOOL WINAPI LazySHGetPathFromIDListA(PCIDLIST_ABSOLUTE list, LPSTR path);
LAZYSLOT(SHGetPathFromIDListA, 8);
static BOOL WINAPI LazySHGetPathFromIDListA(PCIDLIST_ABSOLUTE list, LPSTR path)
{
    auto f = BindLazily(&slot_SHGetPathFromIDListA, "shell32.dll", "SHGetPathFromIDListA");
    return f ? f(list, path) : FALSE;
}

// Whatever the task allocator gave out was given by a loaded library.
static void WINAPI LazyCoTaskMemFree(LPVOID p);
LAZYSLOT(CoTaskMemFree, 4);
static void WINAPI LazyCoTaskMemFree(LPVOID p)
{
    if (auto f = BindLazily(&slot_CoTaskMemFree, "ole32.dll", "CoTaskMemFree"))
        f(p);
}
