// What the editor's frame, toolbar and document windows share: the window
// globals, the private messages and the frame's side of the command routing.
#pragma once
#include <windows.h>

struct BLOCKSET;

extern HWND hwndclient; // the frame's MDI client
extern HWND hwndbar;    // the toolbar
extern HWND statusbar;

constexpr UINT WMU_FOCUSBLOCKLIST = WM_USER + 102;
constexpr UINT WMU_UPDATEMENUS = WM_USER + 103;
constexpr UINT WMU_REFRESHTHUMBNAILS = WM_USER + 104;
constexpr UINT WMU_REPAINTTOOLBAR = WM_USER + 106;
constexpr UINT WMU_APPTOFRONT = WM_USER + 108;

// The enabling step: menu items and toolbar buttons for the active document
// (NULL: none), the blocks in its list and how many of them are selected.
void EnableCommands(BLOCKSET *set, int count, int selected);
// Puts an existing drive path at the head of the frame's recent files.
void SetPathMenu(HWND window, const char *path);
int GetStatusBarDepth();
int CloseAllChildren(HWND client);

// Settings of the document windows (defaults in editor/docsettings.cpp).
extern unsigned BrowserWide;            // least width of a document window
extern int OptimumVerticalWindows;      // new document windows take the full height
extern unsigned WarnMultipleDelete;     // ask before deleting several blocks
extern int SoundFileOpenIndex;          // last filter of the sound open dialog
