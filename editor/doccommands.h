// The document commands of a document window, and the enabling of the
// frame's commands for its document.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

// How many items of a block list are selected; 0 when it cannot say.
int SelectedBlockCount(HWND list);
// The enabling step and the status text for the document of `window`.
void EnableDocumentCommands(HWND window, BLOCKSET *set);
// Saves at once, asking for a name first when the document has none: true
// only when the document is on disk.
bool SaveNow(HWND window, BLOCKSET *set);
// Carries out the WM_COMMAND `wParam` when it is a document command; the
// rest pass by.
void DocumentCommand(HWND window, WPARAM wParam);
