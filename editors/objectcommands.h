// The page editor's commands on one object of the working page, and the
// paste of an object from the clipboard.
#pragma once
#include <windows.h>

struct PAGEEDITOR;

// Carries out `msg` when it is one of the object commands (WMU_OBJECTEDIT
// to WMU_OBJECTTOSTATIC, but for picked and moved) on the object of number
// `number` and type tag `tag`; false for any other message.
bool ObjectCommand(HWND page, PAGEEDITOR *e, UINT msg, WPARAM number, LPARAM tag);
// Appends the clipboard's page object, when it holds one, under a number
// no other object of the page has.
void PasteObject(HWND page, PAGEEDITOR *e);
