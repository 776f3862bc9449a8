// The window globals the frame, the toolbar and the document windows share.
#include "editor/shell.h"

HWND hwndclient;
HWND hwndbar;
HWND statusbar;
