#pragma once
#include <windows.h>

// The whole life of the editor; returns the process exit code.
int EditorMain(HINSTANCE inst, const char *cmdline, int show);
// Takes the document that a command line names, quoted or not, into
// LoadFile; LoadFile is empty when it names none.
void TakeCommandLine(const char *cmdline);
