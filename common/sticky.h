// The main window comes back where the user left it, at least 620 x 460 and
// on the screen.
#pragma once
#include <windows.h>

int GetStickyWindows(HWND hwnd);
int SetStickyWindows(HWND hwnd);
int GetStickyWindowsEx(HWND hwnd, int exact);
int SetStickyWindowsEx(HWND hwnd, int exact);
