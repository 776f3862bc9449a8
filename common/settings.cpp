// The editor's global handles and settings with the values they hold before
// the configuration file is read. Both programs link this module: the shared
// library reads these globals, and the player simply keeps the defaults.
#include "common/shell.h"

HINSTANCE hInst;
HWND hwndmain;
HBRUSH backbrush;
HFONT controlfont;
HBRUSH logobrush;
int devicebits = 24;
char szAppName[31] = "ShowbinderProfessional";
// The start-up logo's class: the frame's name followed by "StartupScreen",
// 35 characters, in a buffer that holds them.
char szLogoClassName[48] = "ShowbinderProfessionalStartupScreen";
char ControlFontName[SETTINGTEXT] = "Arial";

char ApplicationPath[SETTINGTEXT];
char OpenPath[SETTINGTEXT];
unsigned CompressImages = 9;
unsigned DefaultWidth = 800;
unsigned DefaultDepth = 600;
COLORREF DefaultBackgroundColour = 0;
unsigned DefaultDelay = 10;
int DefaultClearscreen = 1;
unsigned DefaultButtonObjectWidth = 88, DefaultButtonObjectDepth = 24;
unsigned DefaultTextObjectWidth = 128, DefaultTextObjectDepth = 96;
unsigned DefaultCheckboxObjectWidth = 96, DefaultCheckboxObjectDepth = 17;
unsigned DefaultEditObjectWidth = 128, DefaultEditObjectDepth = 24;
unsigned DefaultListboxObjectWidth = 128, DefaultListboxObjectDepth = 160;
unsigned DefaultFrameObjectWidth = 128, DefaultFrameObjectDepth = 128;
unsigned DefaultAppletObjectWidth = 160, DefaultAppletObjectDepth = 128;
char DefaultTextFont[SETTINGTEXT] = "ARIAL";
unsigned DefaultTextObjectFontSize = 16;
COLORREF DefaultTextObjectForeColour = 0;
COLORREF DefaultTextObjectBackColour = 0xE0E0E0;
unsigned DefaultTimerDuration = 10;
unsigned DefaultAppletStackSize = 8192;
COLORREF DisabledColorDefault = 0x808080, SoftCustomColorDefault = 0xB2B2B2, SoftCustomTextDefault = 0;
int AddNavigationObjects = 1;
unsigned NavigationObjectHorizontal = 0x8014, NavigationObjectVertical = 0x8014;
int HighResDocumentWindow = 1;
int StickyWindowLeft = -1, StickyWindowTop = -1, StickyWindowRight = -1, StickyWindowBottom = -1;
char ThemeCurrent[SETTINGTEXT] = "THEME_Contemporary.dll";
int ClassicColorSelect = 0;
char ColourTableFile[SETTINGTEXT] = "SHOWBUILDER.CCL";
int LiveButtons = 1;
int ShowStartupWindow = 1;
int LogoDelay = 5000;
unsigned JPEGQualityFactor = 75;
int ShowFileOpenPreview = 1;
int ImageFileOpenIndex = 1;
unsigned WarnBadFileCRC = 1;
int WaveOpenIsPreview = 1;
int DefaultViewMode = 2;
unsigned ViewModeSmallDepth = 40, ViewModeMediumDepth = 80, ViewModeLargeDepth = 160;
