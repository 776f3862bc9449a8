// The document window: one MDI child per open document, holding its block
// list (control 10) and the hidden undo list (control 11), with the
// document's BLOCKSET handle in GWL_USERDATA.
#pragma once
#include "document/blockstore.h"
#include <windows.h>

// The class the frame registers for TaskProc, with 4 extra bytes.
constexpr const char *TASKCLASSNAME = "ShowbinderTask";

LRESULT CALLBACK TaskProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// flags bit 0: minimised; bit 1: hidden and placed off the screen.
HWND CreateNewTask(HWND parent, const char *path, int flags);
int CreateNewFile(BLOCKSET *set);
int SetBrowserSize(HWND window, BLOCKSET *set);
int GetViewMode(HWND window, BLOCKSET *set);
// Fills an empty document with its header block.
int DoNew(HWND owner, HWND window, BLOCKSET *set);

// Hooks run after every change of a block list; nothing to do yet.
void AdjustListLabels(HWND list, BLOCKSET *set);
int GetBlockPalette(HWND window, BLOCK *block, char *palette);
int GetWindowWide(HWND window);
int GetWindowDeep(HWND window);
int GetWindowFrameWide(HWND window);
int GetWindowFrameDeep(HWND window);

// Thumbnail width in percent of the presentation's width, by view mode.
extern const unsigned viewmodetable[8];
