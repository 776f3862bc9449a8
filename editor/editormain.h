#pragma once
#include "editor/parts.h"
#include <windows.h>

// The whole life of the editor, with the editors and tools that `parts`
// names; returns the process exit code.
int EditorMain(HINSTANCE inst, const char *cmdline, int show, const EDITORPARTS &parts);
// Takes the document that a command line names, quoted or not, into
// LoadFile; LoadFile is empty when it names none.
void TakeCommandLine(const char *cmdline);
