// The procedures of the timer, edit field and list box property dialogs.
#pragma once
#include <windows.h>

INT_PTR CALLBACK EditTimerObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditEditObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditListboxObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
