// The page editor's one level of undo: a copy of the working page taken
// before each command, and one taken at every press on an object that
// becomes the undo step only when the press moved or resized something.
#pragma once
#include <windows.h>

struct PAGEEDITOR;

// The undo step is a copy of the working page as it is now.
void TakePageUndo(PAGEEDITOR *e);
// The copy a press on an object starts with (WMU_OBJECTPICKED).
void TakePressCopy(PAGEEDITOR *e);
// The end of a move or resize (WMU_OBJECTMOVED).
void EndPress(PAGEEDITOR *e);
// Puts the undo step back as the working page, with its windows; nothing
// when there is no step.
void UndoPage(HWND page, PAGEEDITOR *e);
// Frees both copies.
void DropPageUndo(PAGEEDITOR *e);
