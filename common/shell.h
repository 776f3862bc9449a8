// The global handles and the settings the editor keeps in its configuration
// file, which the shared library, the runtime and both programs read. The
// definitions, with their defaults, live in common/settings.cpp: the editor
// loads them from its file, the player keeps the defaults.
#pragma once
#include <windows.h>

constexpr int SETTINGTEXT = 261; // 260 characters and the terminator

// Global handles and values.
extern HINSTANCE hInst;
extern HWND hwndmain;
extern HBRUSH backbrush;
extern HFONT controlfont;
extern HBRUSH logobrush;
extern int devicebits;
extern char szAppName[31];
extern char szLogoClassName[48];
extern char ControlFontName[SETTINGTEXT];

// Settings.
extern char ApplicationPath[SETTINGTEXT];
extern char OpenPath[SETTINGTEXT];
extern unsigned CompressImages;
extern unsigned DefaultWidth;
extern unsigned DefaultDepth;
extern COLORREF DefaultBackgroundColour;
extern unsigned DefaultDelay;
extern int DefaultClearscreen;
extern unsigned DefaultButtonObjectWidth, DefaultButtonObjectDepth;
extern unsigned DefaultTextObjectWidth, DefaultTextObjectDepth;
extern unsigned DefaultCheckboxObjectWidth, DefaultCheckboxObjectDepth;
extern unsigned DefaultEditObjectWidth, DefaultEditObjectDepth;
extern unsigned DefaultListboxObjectWidth, DefaultListboxObjectDepth;
extern unsigned DefaultFrameObjectWidth, DefaultFrameObjectDepth;
extern unsigned DefaultAppletObjectWidth, DefaultAppletObjectDepth;
extern char DefaultTextFont[SETTINGTEXT];
extern unsigned DefaultTextObjectFontSize;
extern COLORREF DefaultTextObjectForeColour;
extern COLORREF DefaultTextObjectBackColour;
extern unsigned DefaultTimerDuration;
extern unsigned DefaultAppletStackSize;
extern COLORREF DisabledColorDefault, SoftCustomColorDefault, SoftCustomTextDefault;
extern int AddNavigationObjects;
extern unsigned NavigationObjectHorizontal, NavigationObjectVertical;
extern int HighResDocumentWindow;
extern int StickyWindowLeft, StickyWindowTop, StickyWindowRight, StickyWindowBottom;
extern char ThemeCurrent[SETTINGTEXT];
extern int ClassicColorSelect;
extern char ColourTableFile[SETTINGTEXT];
extern int LiveButtons;
extern int ShowStartupWindow;
extern int LogoDelay;
extern unsigned JPEGQualityFactor;
extern int ShowFileOpenPreview;
extern int ImageFileOpenIndex;
extern unsigned WarnBadFileCRC;
extern int WaveOpenIsPreview;
extern int DefaultViewMode;
extern unsigned ViewModeSmallDepth, ViewModeMediumDepth, ViewModeLargeDepth;

