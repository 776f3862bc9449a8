// Stand-ins that let the frame and the document window be built apart; each
// side removes its own when it arrives.
#include "editor/docwindow.h"
#include "editor/filedialogs.h"
#include "editor/shell.h"

HWND hwndclient;
HWND hwndbar;
HWND statusbar;

// --- the document window's side ---------------------------------------------

LRESULT CALLBACK TaskProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefMDIChildProcA(hwnd, msg, wParam, lParam);
}
HWND CreateNewTask(HWND, const char *, int) { return NULL; }
int CreateNewFile(BLOCKSET *) { return 0; }
int SetBrowserSize(HWND, BLOCKSET *) { return 0; }
int GetViewMode(HWND, BLOCKSET *) { return 0; }
int DoNew(HWND, HWND, BLOCKSET *) { return 0; }

// --- the file dialogs -------------------------------------------------------

int GetOpenFileNameA(HWND, char *) { return 0; }
