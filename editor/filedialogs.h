// The editor's file dialogs: thin wrappers over the common open and save
// dialogs, each with its own filter and flags, that repaint the owner and
// the frame at once afterwards.
#pragma once
#include <windows.h>

// Asks for a presentation to open, starting in the folder of the path that
// `path` holds (261 characters); nonzero with the chosen full path in
// `path`, 0 for Cancel with `path` unchanged.
int GetOpenFileNameA(HWND owner, char *path);
