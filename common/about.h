// The editor's about box (over a full-size picture), its credits, the hidden
// screen behind the picture's hot spot, and the start-up logo.
#pragma once
#include <windows.h>

constexpr UINT ABOUTM_SETUP = WM_USER + 101;

struct TEXTSTYLE {
    COLORREF text;
    COLORREF outline; // 0xFFFFFFFF: no outline
    UINT format;      // DrawText format
    UINT flags;       // which offset copies to draw
    HFONT font;
};

struct ABOUTPARAM;
typedef void (*ABOUTBUTTONDRAWER)(const DRAWITEMSTRUCT *item, const ABOUTPARAM *param);

struct ABOUTPARAM {
    int major, minor, letter, patch;
    int bitmapid;
    int buttonx, buttony; // negative: from the right or bottom edge
    int labelx, labely;
    int labelwidth;
    int hotx, hoty, hotwidth, hotheight;
    int devicebits;
    COLORREF background;
    COLORREF face, dark, light, text, shadow;
    COLORREF notice;
    HGLOBAL bitmap; // the loaded background resource
    const char *support, *web;
    const char *noticeholder;
    TEXTSTYLE label;
    HFONT buttonfont;
    void (*credits)(HWND);
    int (*hidden)(HWND);
    // Draws one of the buttons (ids 1 and 501 to 505): the bevelled look on
    // displays of more than 8 bits. NULL: the buttons are plain push buttons.
    ABOUTBUTTONDRAWER drawbutton;
};

int DoAbout(HWND parent);
INT_PTR CALLBACK COMMONDoAboutProc(HWND, UINT, WPARAM, LPARAM);
int DoCredits(HWND parent);
INT_PTR CALLBACK CreditsDlgProc(HWND, UINT, WPARAM, LPARAM);
int DoSecretScreenOne(HWND parent);
INT_PTR CALLBACK SecretScreenOneDlgProc(HWND, UINT, WPARAM, LPARAM);
int UpdateAboutDialog(HWND dlg, COLORREF colour, int, DWORD style);
LRESULT CALLBACK UpdateAboutDialogSubclass(HWND, UINT, WPARAM, LPARAM);
// Moves every child of `hwnd` (not their children, which move with them).
void OffsetAllChildWindows(HWND hwnd, int dx, int dy);
BOOL CALLBACK OffsetAllChildWindowsProc(HWND, LPARAM);
void COMMONDrawOutlinedText(HDC dc, const char *text, const RECT *rect, const TEXTSTYLE *style);

void OpenLogo(HWND parent);
HWND COMMONLogoWindow(); // the logo while it shows, else NULL
// Puts the logo back in front of the windows shown since it opened: some
// systems (Wine among them) stack every newly shown window on top, topmost
// or not. The editor calls it once its frame shows.
void RaiseLogo();
void CALLBACK LogoTimerProc(HWND, UINT, UINT_PTR, DWORD);
LRESULT CALLBACK LogoProc(HWND, UINT, WPARAM, LPARAM);
