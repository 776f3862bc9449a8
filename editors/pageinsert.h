// The page editor's insert commands, one for each type of object.
#pragma once
#include <windows.h>

struct PAGEEDITOR;

// True when `id` is one of the page menu's insert commands, which is then
// carried out: the object is placed at the last right click.
bool InsertObject(HWND page, PAGEEDITOR *e, UINT id);
