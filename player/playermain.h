#pragma once
#include "document/blockstore.h"
#include <windows.h>

// 1 when the command line holds "/NEX": the open-document action then passes
// any program, not only presentations.
extern int nex;

// What the player holds while it plays: the show window, its hidden block
// list and the document, the page the show loop steps applets on, and the
// fonts it installed for the run.
struct PLAYERSTATE {
    HWND show;
    HWND list;
    HGLOBAL seth;
    BLOCKSET *set;
    BLOCK page;
    HGLOBAL fonts;
};
extern PLAYERSTATE player;

// What the program gives the player: how a running applet is stopped (the
// player's rule is PlayerCheckForAbort), the applet windows' procedure, and
// how the show window reports failures and which documents it may open.
struct PLAYERPARTS {
    int (*abortpoll)(HWND window);
    WNDPROC appletwindow;
    void (*report)(HWND window, unsigned id);
    int (*canopen)(const char *path);
};

// The whole life of the player; returns the process exit code, always 0.
int CreatePresentationWindow(HINSTANCE inst, const char *cmdline, const PLAYERPARTS &parts);
// The player's abort polling between applet lines: a key, or the mouse
// moved away from where it was first seen, stops a running applet (which is
// posted QVM_ABORT); the right button does not, and nothing beeps.
int PlayerCheckForAbort(HWND window);
