#pragma once
#include <windows.h>

// The whole life of the editor; returns the process exit code.
int EditorMain(HINSTANCE inst, const char *cmdline, int show);
