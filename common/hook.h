// Subclassing that keeps the replaced window procedure in two window
// properties, so one subclass procedure can serve any number of windows.
#pragma once
#include <windows.h>

DWORD HookWindow(HWND hwnd, WNDPROC proc, const char *name); // 0 when refused
void UnHookWindow(HWND hwnd, DWORD atoms);
LRESULT CallOldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD atoms);
