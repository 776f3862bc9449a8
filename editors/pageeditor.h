// The page editor: one page of a document shown as the show will show it,
// its objects moved, resized, inserted, reordered, copied and opened in their
// property dialogs, with one level of undo.
#pragma once
#include "editor/clipboard.h"
#include "editors/editparam.h"
#include <windows.h>

// What the object windows and the object list ask of the page window:
// wParam is the object's number, lParam its type tag (picked and moved: 0, 0).
constexpr UINT WMU_OBJECTPICKED = WM_USER + 18;
constexpr UINT WMU_OBJECTMOVED = WM_USER + 20;
constexpr UINT WMU_OBJECTEDIT = WM_USER + 21;
constexpr UINT WMU_OBJECTDELETE = WM_USER + 22;
constexpr UINT WMU_OBJECTDUPLICATE = WM_USER + 23;
constexpr UINT WMU_OBJECTTOTOP = WM_USER + 24;
constexpr UINT WMU_OBJECTTOBOTTOM = WM_USER + 25;
constexpr UINT WMU_OBJECTFORWARD = WM_USER + 26;
constexpr UINT WMU_OBJECTBACKWARD = WM_USER + 27;
constexpr UINT WMU_OBJECTCOPY = WM_USER + 28;
constexpr UINT WMU_OBJECTCUT = WM_USER + 29;
constexpr UINT WMU_OBJECTTOSTATIC = WM_USER + 30;

// Edits page `index` of the document in `parent` (its document window).
// Nonzero when the page was changed and kept: `block` then holds the edited
// page, its thumbnail dropped; on 0 it is untouched.
int EditPage(HWND parent, BLOCKSET *set, BLOCK *block, int index);
LRESULT CALLBACK PagePreviewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ObjectPreviewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The page window and its object windows' classes, once per program.
bool RegisterPageEditorClasses();

// The page editor's window while one is open, else null.
HWND PageEditorWindow();

// The popup menu `menu` at screen point `at` over `owner`, through the
// modal hook: the chosen command, 0 for none.
UINT TrackEditorPopup(HMENU menu, POINT at, HWND owner);

// Makes the object window of the page object at `index` show that object's
// current handle, place and size; false when there is no such window.
bool RepointObjectWindow(HWND page, BLOCK *block, unsigned index);
