// Loading the document appended to the player: the reader's answers for the
// player (no password, no question, a progress box when the header asks for
// one, the fonts kept) and the fonts installed for the run.
#pragma once
#include "document/reader.h"
#include <windows.h>

struct BLOCK;

extern const LOADHOST PLAYERLOAD;
// The dialog "LoadingStatusBox"; LSM_SETPROGRESS carries done and total.
constexpr UINT LSM_SETPROGRESS = WM_USER + 101;
INT_PTR CALLBACK LoadingStatusProc(HWND, UINT, WPARAM, LPARAM);

// 1 when a font family of that face is available to `window`'s device context.
int IsFontInstalled(HWND window, const char *face);
// Installs the fonts of the header's font object that the machine lacks, each
// from a temporary file of its own. Returns the table of what was done, for
// RemoveEmbeddedFonts; NULL when there is nothing to undo.
HGLOBAL InstallEmbeddedFonts(HWND window, BLOCK *header);
// Uninstalls the fonts of the table, deletes their files and frees the table.
void RemoveEmbeddedFonts(HGLOBAL table);
