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

// The whole life of the player; returns the process exit code, always 0.
int PlayerMain(HINSTANCE inst, const char *cmdline);
