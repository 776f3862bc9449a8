#pragma once
#include <windows.h>

// The whole life of the player; returns the process exit code.
int PlayerMain(HINSTANCE inst, const char *cmdline);
