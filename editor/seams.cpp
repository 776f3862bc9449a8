// Stand-ins that let the frame and the document window be built apart; each
// side removes its own when it arrives.
#include "editor/docwindow.h"
#include "editor/shell.h"

HWND hwndclient;
HWND hwndbar;
HWND statusbar;

// --- the frame's side -------------------------------------------------------

void EnableCommands(BLOCKSET *, int, int) {}
void SetPathMenu(HWND, const char *) {}
int GetStatusBarDepth() { return 0; }
int CloseAllChildren(HWND) { return 1; }
