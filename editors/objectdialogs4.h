// The procedures of the wave sound and MIDI music property dialogs.
#pragma once
#include <windows.h>

INT_PTR CALLBACK EditWaveObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditMidiObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
