// What the editor's frame, toolbar and document windows share: the window
// globals, the private messages, the frame's side of the command routing and
// the settings only the editor keeps (the shared ones are in common/shell.h).
#pragma once
#include "common/shell.h"
#include <windows.h>

struct BLOCKSET;

extern HWND hwndclient; // the frame's MDI client
extern HWND hwndbar;    // the toolbar
extern HWND statusbar;
extern HWND nextViewer; // the next window of the clipboard-viewer chain

extern HBRUSH barbrush, eyedropperbrush, picturebrush;
extern HFONT smallcontrolfont;

extern const char appName[];
extern const char barclass[], pagepreviewclass[], objectpreviewclass[];

extern char StartupPath[SETTINGTEXT]; // the current folder at start, ending in a backslash
extern char LoadFile[SETTINGTEXT];    // what Open takes instead of asking; empty: ask

constexpr int FileMenuRange = 10; // recent files kept in the File menu
extern int FilePathIndex;         // recent files the menu holds now

constexpr UINT WMU_FOCUSBLOCKLIST = WM_USER + 102;
constexpr UINT WMU_UPDATEMENUS = WM_USER + 103;
constexpr UINT WMU_REFRESHTHUMBNAILS = WM_USER + 104;
constexpr UINT WMU_REPAINTTOOLBAR = WM_USER + 106;
constexpr UINT WMU_APPTOFRONT = WM_USER + 108;

// The enabling step: menu items and toolbar buttons for the active document
// (NULL: none), the blocks in its list and how many of them are selected.
void EnableCommands(BLOCKSET *set, int count, int selected);
// Puts an existing file's drive path at the head of the frame's recent files.
void SetPathMenu(HWND window, const char *path);
// The frame's File menu, which holds the recent files, wherever a maximised
// document's menu put it; NULL when there is none.
HMENU FileMenu(HWND frame);
int GetStatusBarDepth();
int CloseAllChildren(HWND client);
// Status-bar cell 0 for a number of selected blocks (negative: an error).
void SetSelectionStatus(int selected);
// False for commands whose windows the editor does not have yet: they stay
// greyed in the menu and on the toolbar.
bool CommandAvailable(UINT id);

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Sets the editor's private clipboard data on the clipboard the frame has
// opened and emptied. The data is the clipboard's then, never to be used
// again: the frame frees it when the clipboard is emptied, by this program
// or another, where the platform does not free it itself. False when the
// clipboard refuses it; the data is the caller's then.
bool SetPrivateClipboardData(UINT format, HANDLE data);

// Settings of the editor alone, bound to their keys by the configuration
// table (editor/config.h).
extern int AppToFrontDelay;
extern int BrowserWide;
extern int ClosePreviewAfterDuration;
extern int DefaultDuration;
extern int DefaultSoundMedia;
extern int DefaultSoundWait;
extern int DefaultTextBackColour, DefaultTextBold, DefaultTextClearscreen, DefaultTextColour;
extern int DefaultTextDepth, DefaultTextDuration, DefaultTextItalic, DefaultTextShadowColour;
extern int DefaultTextSize, DefaultTextUnderline, DefaultTextWidth;
extern int EditAppletMaximizeWindow;
extern char ForRent[SETTINGTEXT];
extern int GridFrequency, GridShow, GridUse;
extern int InsertBlankPageonNew;
extern int InstallerBackground;
extern char InstallerDescription[SETTINGTEXT], InstallerDocPath[SETTINGTEXT];
extern char InstallerLogoPath[SETTINGTEXT], InstallerScrPath[SETTINGTEXT];
extern int LastTipDate;
extern int MaximizePaint;
extern int MaximumObjectSize, MinimumObjectSize;
extern int OptimumVerticalWindows;
extern char PaintbrushName[SETTINGTEXT], PaintbrushPath[SETTINGTEXT];
extern int PrinterAnnotate;
extern char PrinterFontName[SETTINGTEXT];
// The printer to preselect; text after the first comma is ignored.
extern char DefaultPrinterName[SETTINGTEXT];
extern int PrinterGutter, PrinterLargeFontSize, PrinterResolution, PrinterShowFooter, PrinterSmallFontSize;
extern int PromptToSavePageChanges;
extern int SearchForPaintbrush;
extern int SelectedColour;
extern int ShowDriverMessage;
extern int ShowTipOfTheDay;
extern int SoundFileOpenIndex;
extern int StartMaximized;
extern int TipOfTheDay;
// Warnings that carry their own "do not show again" flag (DoWarning).
extern unsigned WarnMultipleDelete, WarnPreviewSize, WarnShowManual, WarnToStatic;
extern int WizardDefaultColourscheme, WizardDefaultCoverStyle, WizardDefaultInsideStyle;
extern char WizardCoverFontName[SETTINGTEXT];
extern int WizardCoverTextItal, WizardCoverTextSize, WizardCoverTextWeight, WizardDefaultDimensions;
extern char WizardInsideFontName[SETTINGTEXT];
extern int WizardInsideFrameSize, WizardInsidePreserveAspect, WizardInsideResize, WizardInsideTextItal;
extern int WizardInsideTextSize, WizardInsideTextWeight, WizardShowPagePreviews, WizardTitleFrameSize;
extern int WizardTitlePreserveAspect, WizardTitleResize;
