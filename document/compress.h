// Object data in document files, and whole global blocks written to files.
#pragma once
#include <windows.h>

// Writes the whole global block to `path`; on failure no file is left behind.
int WriteObject(HWND, const char *path, HGLOBAL data);
