// The dialog procedures of the button, frame, check box, radio button and
// static image property dialogs; each is run on an EDITPARAM.
#pragma once
#include <windows.h>

INT_PTR CALLBACK EditCheckboxObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditRadioObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditFrameObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditButtonObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditStaticImageObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
