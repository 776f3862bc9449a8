// The applet script editor: the dialog of an applet object, a resizable
// window with a menu, a toolbar, the source in a fixed-pitch edit control and
// a status bar with the caret's line and the last preview error. It ends with
// 1 (Save and exit) or 0 (Abandon); its opener restores the object on 0.
#pragma once
#include <windows.h>

// Sent by the edit control to the editor whenever the user changes the text.
constexpr UINT AEM_TEXTCHANGED = WM_USER + 192;

INT_PTR CALLBACK EditAppletProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK AppletEditSubclass(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam);
