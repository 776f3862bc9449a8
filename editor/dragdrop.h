// Dragging the selected pages of one document window's block list into
// another's. The drop names the source list; the target copies the blocks
// selected there, so both windows live in this process.
#pragma once
#include <windows.h>
#include <shellapi.h>

// Installed on every document's block list: runs the drag and posts the
// drop to the document window under the mouse at the release.
LRESULT CALLBACK TaskListSubclass(HWND list, UINT msg, WPARAM wParam, LPARAM lParam);
void SubclassBlockList(HWND list);
// The document window that would receive a drop at the position of the
// current message: only another document's block list qualifies.
HWND OkToDrop(HWND source);
// A drop record with no names; `outside`: the point lies outside the
// target's client area. NULL when memory fails.
HGLOBAL CreateDrop(const POINT *point, int outside);
// The record with `name` added; on failure the record is freed and NULL
// comes back.
HGLOBAL AddToDrop(HGLOBAL drop, const char *name);

// The target side: takes the drop `drop` posted to document window `window`
// and finishes it. Only a drop that names one of this editor's block lists
// copies anything: the selected blocks, after the caret.
void ReceiveBlockDrop(HWND window, HDROP drop);
