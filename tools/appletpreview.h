// Runs the applet being edited in a window of its own size over the page's
// background, one line per posted message as the show does, and reports the
// line that failed.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

// The editor has stored the current source in `object` just before. Returns
// the preview's result (1 after OK, 0 after Cancel), or 0 when it could not
// start.
int PreviewApplet(HWND editor, BLOCK *block, HWND blocklist, HGLOBAL object);
INT_PTR CALLBACK PreviewAppletProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
