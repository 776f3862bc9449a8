// The applet object's window ("QV_Applet"): it starts the script when the
// object is started, runs one line per QVM_APPLETSTEP, and frees the
// interpreter when the script ends, fails or is stopped. It also provides the
// real APPLETHOST: the page's other object windows, the show window's
// requests, modal boxes, the profile file, drawing and the sound player.
#pragma once
#include "applet/applet.h"
#include "media/dib.h"
#include <windows.h>

// The applet windows' procedure, which a show's host names (SHOWHOST's
// appletwindow, runtime/runtime.h) for QV_AppletProc to hand its messages to.
LRESULT CALLBACK APPLETWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// The host the applet windows start their scripts with.
extern const APPLETHOST APPLETwindowhost;

// How the script of an applet window last stopped: the result of its last
// line (-1 the script ended, an error code, 0 when it is still running, was
// stopped from outside or never started) and the line of that error (from 0,
// -1 when none). 0 when the window is no applet window.
int APPLETWindowResult(HWND window, int *result, int *errorline);


// The device contexts one built-in may hold at once on a window an applet
// draws on, each with the fixed palette realised on displays of 8 bits or
// fewer; every window that runs an applet keeps one of these.
struct APPLETFRAMEDCS {
    struct {
        HDC dc;
        PALSTATE palette;
    } slot[4];
};
HDC APPLETGetFrameDC(HWND window, APPLETFRAMEDCS *dcs);
void APPLETReleaseFrameDC(HWND window, APPLETFRAMEDCS *dcs, HDC dc);
// Drops the palettes of contexts never released (the window is going).
void APPLETForgetFrameDCs(APPLETFRAMEDCS *dcs);
