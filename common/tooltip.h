// Small yellow tips under controls: one pop-up window per control and a
// subclass on the control that waits while the mouse rests on it.
#pragma once
#include <windows.h>

constexpr UINT TIP_SHOW = WM_USER + 1024;

extern const char tipclass[];
extern int TipWait;     // ms before a tip shows; 0 turns tips off
extern int TipFontSize; // pixel height of the tip text

int InitializeTips(HINSTANCE inst);
int CreateTip(HINSTANCE inst, HWND owner, int id, const char *text);
void DestroyTips(HWND owner);
LRESULT CALLBACK TipWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK CtrlSubProc(HWND, UINT, WPARAM, LPARAM);
