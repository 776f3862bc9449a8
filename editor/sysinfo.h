// The system information box, and the notice shown at start on screens of
// 256 colours or fewer.
#pragma once
#include <windows.h>

int ShowSysInfo(HWND owner); // 1
INT_PTR CALLBACK SysInfoProcProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
// The notice's result; Done with its box cleared stops it at later starts.
int ShowDriverDialog(HWND owner);
INT_PTR CALLBACK ChangeDriverDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
